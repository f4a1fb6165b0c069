#pragma once

// Header-text and cookie-text helpers shared by both request operations.

#include <string_view>

#include "text/types.h"

namespace cq {

// Drops lines without ":" and capitalises each "-"-separated word of every name.
Text CapitalizeHeaderNames(std::string_view headerText);
// ASCII a-z at the front becomes A-Z; anything else is left.
Text CapitalizeFirst(std::string_view text);
Text Base64Encode(const Bytes& bytes);
// Trimmed text before / after the first ":"; empty when the line has none.
Text HeaderName(std::string_view line);
Text HeaderValue(std::string_view line);
// The cookie text (a=1; b=2) of a response's "Set-Cookie: " lines, attributes dropped.
Text CollectResponseCookies(std::string_view responseHeaders);

}  // namespace cq
