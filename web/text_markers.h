#pragma once

// Cutting texts at markers. Positions are 1-based (0 counts as 1); searches never
// start inside a multi-byte GBK character; ignoreCase folds ASCII letters only.

#include <string_view>

#include "text/types.h"

namespace cq {

// The text before the first marker found from start on; empty when there is none.
Text TextBefore(std::string_view text, std::string_view marker, int start = 1,
                bool ignoreCase = false);

// The text between the first left marker found from start on and the first right
// marker after it; empty when either is missing. In both markers the placeholder
// for a double quote (see text_markers.cpp) is replaced by '"' first.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 int start = 1, bool ignoreCase = false);

}  // namespace cq
