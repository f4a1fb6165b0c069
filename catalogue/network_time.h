#pragma once

#include <string_view>

#include "catalogue/date_time.h"

namespace cq {

// The UTC+8 date and time taken from the Date header of a web server's answer to a
// HEAD request. Without an answer or a Date header the result is 0100-01-01 08:00:00.
DateTime GetNetworkTime();                      // the time server fixed at build time
DateTime GetNetworkTime(std::string_view url);  // any server, e.g. a test's

// An HTTP date (RFC 1123, RFC 850 or asctime form, GMT) shifted to UTC+8, with each
// field brought into range; unparsable text gives 0100-01-01 08:00:00.
DateTime ParseHttpDate(std::string_view text);

}  // namespace cq
