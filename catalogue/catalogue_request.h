#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/date_time.h"
#include "text/types.h"

namespace cq {

// 1 is the morning programme over plain HTTP, 2 the evening programme over HTTPS.
using ProgrammeKind = int;

// Where the two programmes' lists are fetched from: scheme, host and port, no path
// ("http://127.0.0.1:18080"). The program's own are fixed when it is built.
struct FmOrigins {
    std::string http;
    std::string https;
};
FmOrigins BuiltInFmOrigins();

// One programme's episode list as GBK text; an empty text when the request failed,
// and the GBK message "request kind wrong" (in Chinese) without any request for a
// kind other than 1 or 2.
Text FetchEpisodeList(ProgrammeKind kind);
Text FetchEpisodeList(ProgrammeKind kind, const FmOrigins& origins);

// Seconds from 1970-01-01 08:00:00 to `time` (default: the local clock), followed by
// the local clock's milliseconds as three digits: 13 digits today, and the Unix time
// in milliseconds when the local clock runs on UTC+8.
Text MillisecondTimestamp(std::optional<DateTime> time = std::nullopt, bool tenDigits = false,
                          bool padToTen = false);

// "0"s in front of text up to width bytes; text unchanged when already that long.
Text ZeroPad(std::string_view text, int width);

}  // namespace cq
