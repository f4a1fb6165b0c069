#pragma once

// Keeping one cookie text alive across requests.

#include <string_view>
#include <vector>

#include "text/types.h"

namespace cq {

// The cookies the response set (received) first, then the sent ones they did not
// replace; "=deleted" items and exact duplicates dropped. *sent receives the merged
// text, *received its trimmed form.
Text MergeCookies(Text* sent, Text* received);

Text CookieName(std::string_view item);
bool HasCookieNamed(const std::vector<Text>& items, std::string_view name);
Text RemoveDuplicateItems(std::string_view text, std::string_view separator);
// 1-based index of the first item equal to text, or -1.
int FindItem(const std::vector<Text>& items, std::string_view text);

}  // namespace cq
