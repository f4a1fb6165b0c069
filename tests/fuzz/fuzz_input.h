#pragma once

// What every fuzz target shares: how an input is cut into its parts, and the
// checks a target makes of what the code under test gave back.
//
// An input is a few header bytes (flags and small numbers, one byte each),
// followed by text fields separated by "\n--\n". Seeds stay readable that way, and
// a field may hold any bytes, zero bytes included.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "text/gbk_search.h"

namespace cq::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    // The next header byte; 0 once the input has run out.
    std::uint8_t Byte() {
        if (rest_.empty()) {
            return 0;
        }
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    bool Flag() { return (Byte() & 1) != 0; }
    // A number in low..high from one header byte.
    int Number(int low, int high) {
        return low + static_cast<int>(Byte() % static_cast<unsigned>(high - low + 1));
    }

    // The next field: up to the next separator, or the rest of the input.
    std::string_view Field() {
        static constexpr std::string_view kSeparator = "\n--\n";
        const std::size_t end = rest_.find(kSeparator);
        const std::string_view field = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + kSeparator.size());
        return field;
    }
    // A field cut to at most `limit` bytes.
    std::string_view Field(std::size_t limit) { return Field().substr(0, limit); }

    bool Empty() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// The text repeated until it holds at least `size` bytes: a small input made large
// shows work that grows faster than the input within the per-input time limit.
inline std::string Amplified(std::string_view text, std::size_t size = std::size_t{128} << 10) {
    std::string out;
    if (text.empty()) {
        return out;
    }
    out.reserve(size + text.size());
    while (out.size() < size) {
        out.append(text);
    }
    return out;
}

// An invariant that does not hold is a finding: say which and stop like a crash.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Where characters start in a GBK text, by the library's own reading of it.
inline std::vector<bool> CharacterStarts(std::string_view text) {
    std::vector<bool> starts(text.size() + 1, false);
    for (std::size_t pos = 0; pos < text.size(); pos += GbkCharLength(text, pos)) {
        starts[pos] = true;
    }
    starts[text.size()] = true;
    return starts;
}

// No reading of GBK may take a control character for the trail byte of a
// character: a CR or LF after a lead byte stays a line break.
inline void RequireControlsStandAlone(std::string_view text) {
    const std::vector<bool> starts = CharacterStarts(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x20) {
            Require(starts[i], "a control character is read as part of a character");
        }
    }
}

inline char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline bool MatchesAt(std::string_view text, std::size_t pos, std::string_view marker,
                      bool ignoreCase) {
    if (pos > text.size() || marker.size() > text.size() - pos) {
        return false;
    }
    for (std::size_t i = 0; i < marker.size(); ++i) {
        const char a = text[pos + i];
        const char b = marker[i];
        if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) {
            return false;
        }
    }
    return true;
}

// The plainest search there is, to hold the library's searches against: every
// character start from `from` on, in order. Markers are kept short by the targets.
inline std::size_t NaiveFind(std::string_view text, std::string_view marker, std::size_t from,
                             bool ignoreCase, const std::vector<bool>& starts) {
    if (marker.empty()) {
        return kNotFound;
    }
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        if (starts[pos] && MatchesAt(text, pos, marker, ignoreCase)) {
            return pos;
        }
    }
    return kNotFound;
}

inline std::size_t NaiveFindBackward(std::string_view text, std::string_view marker,
                                     std::size_t lastStart, bool ignoreCase,
                                     const std::vector<bool>& starts) {
    if (marker.empty() || marker.size() > text.size()) {
        return kNotFound;
    }
    std::size_t pos = std::min(lastStart, text.size() - marker.size());
    for (;; --pos) {
        if (starts[pos] && MatchesAt(text, pos, marker, ignoreCase)) {
            return pos;
        }
        if (pos == 0) {
            return kNotFound;
        }
    }
}

// True when the bytes are well-formed UTF-8 (no surrogates, no overlong forms).
inline bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            n = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            n = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            n = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + n >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += n + 1;
    }
    return true;
}

// An object or array literal from its first character to its last, made of
// strings without escapes, numbers, true, false, null and punctuation only: its
// value is the literal itself, and nothing in it is a call or a lookup.
inline bool IsPlainLiteral(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    if (first == std::string_view::npos || (text[first] != '{' && text[first] != '[')) {
        return false;
    }
    int depth = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const char c = text[i];
        if (c == '"') {
            const std::size_t end = text.find_first_of("\"\\\n\r", i + 1);
            if (end == std::string_view::npos || text[end] != '"') {
                return false;
            }
            i = end;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0 && i != last) {
                return false;  // a literal followed by more: a member access or worse
            }
        } else if (text.substr(i, 4) == "true" || text.substr(i, 4) == "null") {
            i += 3;
        } else if (text.substr(i, 5) == "false") {
            i += 4;
        } else if (std::string_view(" \t\r\n0123456789:,.-eE").find(c) == std::string_view::npos) {
            return false;
        }
        if (depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

}  // namespace cq::fuzz
