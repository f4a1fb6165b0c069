#pragma once

#include <string_view>

#include "catalogue/date_time.h"

namespace cq {

// What the clock gives when it cannot tell the time: every field of the HTTP date
// at its lowest, shifted by the eight hours.
inline constexpr DateTime kUnknownNetworkTime{100, 1, 1, 8, 0, 0};

// The UTC+8 date and time taken from the Date header of a web server's answer to a
// HEAD request. Without an answer or a Date header the result is kUnknownNetworkTime.
DateTime GetNetworkTime();                      // the time server fixed at build time
DateTime GetNetworkTime(std::string_view url);  // any server, e.g. a test's

// The time server fixed at build time ("http://host/").
const char* BuiltInTimeServerUrl();

// An HTTP date (RFC 1123, RFC 850 or asctime form, GMT) shifted to UTC+8, with each
// field brought into range; unparsable text gives 0100-01-01 08:00:00.
DateTime ParseHttpDate(std::string_view text);

}  // namespace cq
