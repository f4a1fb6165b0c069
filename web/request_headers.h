#pragma once

// Pieces the two request operations share.

#include <string_view>

#include "text/types.h"

namespace cq::web_detail {

inline constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Appends "\r\n" + line unless searchText occurs anywhere in the header text, in
// any letter case (so "X-Accept:" also counts as "Accept:").
void AddDefaultHeader(Text* headerText, std::string_view searchText, std::string_view line);

// The Accept, Referer and Accept-Language defaults both operations add.
void AddCommonDefaultHeaders(Text* headerText, std::string_view url);

// The Content-Type default a POST gets.
void AddPostDefaultHeader(Text* headerText, int method);

}  // namespace cq::web_detail
