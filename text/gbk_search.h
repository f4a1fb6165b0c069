#pragma once

// Byte searches over GBK text that never start inside a multi-byte character:
// a lead byte 0x81-0xFE with a trail byte 0x40-0x7E or 0x80-0xFE, or a four-byte
// GB18030 sequence (lead, 0x30-0x39, lead, 0x30-0x39). A lead byte followed by
// anything else is a character of one byte. Positions are 0-based byte offsets.

#include <cstddef>
#include <string_view>

namespace cq {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// Length in bytes of the character that starts at pos (1, 2 or 4; never past the end).
std::size_t GbkCharLength(std::string_view text, std::size_t pos);

// First occurrence of marker that starts on a character boundary at or after `from`.
// An empty marker is never found. ignoreCase folds ASCII letters only.
std::size_t FindText(std::string_view text, std::string_view marker, std::size_t from = 0,
                     bool ignoreCase = false);

// FindText for a caller that already knows a character boundary at or before
// `from` (0 is one, and so is every position a search returned): the walk over the
// characters starts there instead of at byte 0. A series of searches through one
// text, each resuming where the last one stopped, thereby stays linear in the text.
std::size_t FindTextResuming(std::string_view text, std::string_view marker, std::size_t boundary,
                             std::size_t from, bool ignoreCase = false);

// Last occurrence of marker that starts on a character boundary at or before `lastStart`.
std::size_t FindTextBackward(std::string_view text, std::string_view marker,
                             std::size_t lastStart = kNotFound, bool ignoreCase = false);

// ASCII-only case-insensitive equality.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace cq
