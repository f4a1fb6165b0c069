#pragma once

// Pieces the two request operations share.

#include <string_view>

#include "text/types.h"

namespace cq::web_detail {

inline constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// True when the URL holds a control character (a byte below 0x20, or 0x7F)
// anywhere. Such a URL is never requested: the URL is repeated in the Referer line,
// where a line break in it would start header lines of the sender's choice.
bool HoldsControlCharacter(std::string_view url);

// Appends "\r\n" + line unless searchText occurs anywhere in the header text, in
// any letter case (so "X-Accept:" also counts as "Accept:").
void AddDefaultHeader(Text* headerText, std::string_view searchText, std::string_view line);

// The Accept, Referer and Accept-Language defaults both operations add.
void AddCommonDefaultHeaders(Text* headerText, std::string_view url);

// The Content-Type default a POST gets.
void AddPostDefaultHeader(Text* headerText, int method);

}  // namespace cq::web_detail
