#include "catalogue/catalogue_request.h"

#include <string>

#include "text/convert_charset.h"
#include "text/text_basics.h"
#include "web/fetch_via_request_object.h"
#include "web/header_list.h"

namespace cq {
namespace {

constexpr std::string_view kListPath = "/fm/read/fmd/h5/getPayResourceList_714.html";
constexpr std::string_view kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";
constexpr std::string_view kWrongKind = "请求类型错误！";

// The service counts from 1970-01-01 08:00:00: midnight of the epoch in UTC+8.
constexpr std::int64_t kEpochOffsetSeconds = 8 * 3600;

}  // namespace

FmOrigins BuiltInFmOrigins() {
    return {CHENQUE_FM_HTTP_ORIGIN, CHENQUE_FM_HTTPS_ORIGIN};
}

Text FetchEpisodeList(ProgrammeKind kind) {
    return FetchEpisodeList(kind, BuiltInFmOrigins());
}

Text FetchEpisodeList(ProgrammeKind kind, const FmOrigins& origins) {
    HeaderList headers;
    Text url;
    if (kind == 1) {
        url = ConcatTexts({origins.http, kListPath,
                           "?pid=367750&isFree=2&pageNum=1&userId=&_=", MillisecondTimestamp()});
    } else if (kind == 2) {
        url = ConcatTexts({origins.https, kListPath,
                           "?pid=456498&isFree=2&pageNum=1&userId=&_=", MillisecondTimestamp()});
    } else {
        return Text(kWrongKind);
    }
    headers.Add("User-Agent", kUserAgent);
    FetchViaRequestObjectOptions request;
    request.url = url;
    request.method = 1;  // POST with an empty body
    request.headers = headers.ToHeaderText();
    const Bytes body = FetchViaRequestObject(request);
    const Text converted = TextFromBytes(ConvertCharset(body));
    return converted.substr(0, TextLength(converted));
}

Text MillisecondTimestamp(std::optional<DateTime> time, bool tenDigits, bool padToTen) {
    const LocalClockReading reading = ReadLocalClock();
    const DateTime instant = time.value_or(reading.time);
    Text text = std::to_string(SecondsSinceEpoch(instant) - kEpochOffsetSeconds);
    if (padToTen) {
        text = ZeroPad(text, 10);
    }
    if (tenDigits) {
        return text.substr(0, 10);
    }
    return text + ZeroPad(std::to_string(reading.milliseconds), 3);
}

Text ZeroPad(std::string_view text, int width) {
    text = text.substr(0, TextLength(text));
    const auto length = static_cast<std::int64_t>(text.size());
    if (length >= width) {
        return Text(text);
    }
    return Text(static_cast<std::size_t>(width - length), '0') + Text(text);
}

}  // namespace cq
