#pragma once

// Trimming, splitting, cutting and replacing on GBK text.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "text/types.h"

namespace cq {

// Removes ASCII spaces and the full-width space (A1 A1) at both ends.
Text TrimText(std::string_view text);

// An empty text gives no items; two separators in a row, or one at the start,
// give an empty item; a separator at the very end adds none. Separators are only
// recognised on character boundaries.
std::vector<Text> SplitText(std::string_view text, std::string_view separator);

// Everything after an occurrence of marker; the empty text when there is none.
// start 0 searches backward from the end for the last occurrence; a positive start
// searches backward from 1-based position length - start + 1; a negative start
// searches forward from 1-based position -start for the first occurrence.
Text TextAfter(std::string_view text, std::string_view marker, int start = 0,
               bool ignoreCase = false);

struct Replacement {
    std::string_view search;
    std::string_view replacement;
};

// Applies each pair in order to the result of the previous one, from 1-based
// byte position `start` on (0 counts as 1): every occurrence, or only the first
// `count` when given. ASCII case is ignored unless caseSensitive is set; an empty
// search leaves the text unchanged.
Text MultiReplace(std::string_view text, std::optional<int> count, int start, bool caseSensitive,
                  std::span<const Replacement> pairs);

inline Text MultiReplace(std::string_view text, std::optional<int> count, int start,
                         bool caseSensitive, std::initializer_list<Replacement> pairs) {
    return MultiReplace(text, count, start, caseSensitive,
                        std::span<const Replacement>(pairs.begin(), pairs.size()));
}

}  // namespace cq
