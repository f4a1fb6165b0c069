#include "catalogue/network_time.h"

#include <curl/curl.h>

#include <algorithm>
#include <ctime>
#include <string>

#include "text/text_basics.h"
#include "web/fetch_via_request_object.h"
#include "web/text_markers.h"

namespace cq {
namespace {

constexpr std::int64_t kChinaOffsetSeconds = 8 * 3600;

}  // namespace

const char* BuiltInTimeServerUrl() {
    return CHENQUE_TIME_SERVER_URL;
}

DateTime GetNetworkTime() {
    return GetNetworkTime(BuiltInTimeServerUrl());
}

DateTime GetNetworkTime(std::string_view url) {
    Text headers;
    FetchViaRequestObjectOptions request;
    request.url = Text(url);
    request.method = 2;  // HEAD: only the headers are wanted
    request.returnedHeaders = &headers;
    FetchViaRequestObject(request);
    // Only a header whose name is Date counts: an unanchored search would also take
    // the value of a header such as "X-Backend-Date:" that happens to come first.
    // Header names are case-insensitive, and proxies that write them in lower case
    // are common; a case-sensitive search would leave the player without a date.
    const Text dateText = TextBetween(ConcatTexts({"\r\n", headers}), "\r\nDate:", "\r\n", 1, true);
    return ParseHttpDate(dateText);
}

DateTime ParseHttpDate(std::string_view text) {
    const std::string zeroTerminated(text.substr(0, TextLength(text)));
    DateTime time;  // all fields zero, as when the text cannot be read
    const time_t seconds = curl_getdate(zeroTerminated.c_str(), nullptr);
    if (seconds != -1) {
        std::tm fields{};
        if (gmtime_r(&seconds, &fields)) {
            time = {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                    fields.tm_hour,        fields.tm_min,     fields.tm_sec};
        }
    }
    time.year = std::clamp(time.year, 100, 9999);
    time.month = std::clamp(time.month, 1, 12);
    time.day = std::clamp(time.day, 1, 31);
    time.day = std::min(time.day, DaysInMonth(time.year, time.month));
    time.hour = std::clamp(time.hour, 0, 23);
    time.minute = std::clamp(time.minute, 0, 59);
    time.second = std::clamp(time.second, 0, 59);
    return AddSeconds(time, kChinaOffsetSeconds);
}

}  // namespace cq
