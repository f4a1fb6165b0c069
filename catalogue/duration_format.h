#pragma once

#include <cstdint>
#include <string_view>

#include "text/types.h"

namespace cq {

// Seconds as text by a pattern in which d, h, m and s stand for days, hours of the
// day, minutes of the hour and seconds of the minute; every other character is
// copied. Each letter is replaced once, at its last occurrence, and later letters
// are searched in the text as already replaced. padToTwo writes each value with
// at least two digits. An empty pattern means the default "d<day>h<hours>m<min>s<sec>"
// in Chinese units (the pattern is GBK text; the result is GBK text).
Text FormatDuration(std::int64_t seconds, std::string_view pattern = {}, bool padToTwo = false);

// The play-time form the playlist and the player's labels show: minutes and
// seconds with Chinese units, two digits each (545 seconds -> "09<min>05<sec>").
// GBK text; the window converts it with Utf8FromGbk.
Text FormatPlayTime(std::int64_t seconds);

}  // namespace cq
