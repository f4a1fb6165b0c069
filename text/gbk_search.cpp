#include "text/gbk_search.h"

#include <algorithm>

namespace cq {

namespace {

bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool IsTrail(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}

// The second and fourth byte of a four-byte GB18030 sequence.
bool IsDigit(unsigned char c) {
    return c >= 0x30 && c <= 0x39;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool MatchesAt(std::string_view text, std::size_t pos, std::string_view marker, bool ignoreCase) {
    if (marker.size() > text.size() - pos) {
        return false;
    }
    if (!ignoreCase) {
        return text.compare(pos, marker.size(), marker) == 0;
    }
    for (std::size_t i = 0; i < marker.size(); ++i) {
        if (FoldAscii(text[pos + i]) != FoldAscii(marker[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) {
        return 0;
    }
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (!IsLead(at(pos)) || pos + 1 >= text.size()) {
        return 1;
    }
    const unsigned char second = at(pos + 1);
    if (IsTrail(second)) {
        return 2;
    }
    if (IsDigit(second) && pos + 3 < text.size() && IsLead(at(pos + 2)) && IsDigit(at(pos + 3))) {
        return 4;
    }
    // A lead byte before anything else (a line end, a separator, the end of a cut
    // character) stands alone, so it never takes the byte after it.
    return 1;
}

namespace {

// The first position at or after `from` where marker's bytes stand, wherever the
// character boundaries are; kNotFound when there is none.
std::size_t NextBytewiseMatch(std::string_view text, std::string_view marker, std::size_t from,
                              bool ignoreCase) {
    if (!ignoreCase) {
        return text.find(marker, from);
    }
    const std::size_t lastStart = text.size() - marker.size();
    const char first = FoldAscii(marker[0]);
    for (std::size_t pos = from; pos <= lastStart; ++pos) {
        if (FoldAscii(text[pos]) == first && MatchesAt(text, pos, marker, true)) {
            return pos;
        }
    }
    return kNotFound;
}

}  // namespace

std::size_t FindTextResuming(std::string_view text, std::string_view marker, std::size_t boundary,
                             std::size_t from, bool ignoreCase) {
    if (marker.empty() || marker.size() > text.size()) {
        return kNotFound;
    }
    const std::size_t lastStart = text.size() - marker.size();
    // `at` walks the character boundaries and only ever moves forward; so does the
    // byte search, which restarts at the next boundary when it lands inside a
    // character. Both together pass over the text once.
    std::size_t at = boundary;
    std::size_t candidate = from;
    while (candidate <= lastStart) {
        candidate = NextBytewiseMatch(text, marker, candidate, ignoreCase);
        if (candidate == kNotFound) {
            return kNotFound;
        }
        while (at < candidate) {
            at += GbkCharLength(text, at);
        }
        if (at == candidate) {
            return at;
        }
        candidate = at;
    }
    return kNotFound;
}

std::size_t FindText(std::string_view text, std::string_view marker, std::size_t from,
                     bool ignoreCase) {
    return FindTextResuming(text, marker, 0, from, ignoreCase);
}

std::size_t FindTextBackward(std::string_view text, std::string_view marker, std::size_t lastStart,
                             bool ignoreCase) {
    if (marker.empty() || marker.size() > text.size()) {
        return kNotFound;
    }
    const std::size_t limit = std::min(lastStart, text.size() - marker.size());
    std::size_t last = kNotFound;
    std::size_t found = FindTextResuming(text, marker, 0, 0, ignoreCase);
    while (found != kNotFound && found <= limit) {
        last = found;
        // Occurrences may overlap: the next one can start at the next character.
        found = FindTextResuming(text, marker, found, found + 1, ignoreCase);
    }
    return last;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MatchesAt(a, 0, b, true);
}

}  // namespace cq
