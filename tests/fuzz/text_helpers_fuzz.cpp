// The text helpers on arbitrary GBK text: the searches, TextAfter, MultiReplace,
// SplitText, TrimText, the percent escapes and the code-page converters. Each
// search result is held against the plainest search over character starts.
//
// Input: op, flags (1 amplify the text, 2 ignore case, 4 case-sensitive), two
// number bytes, then the fields the op reads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "text/encoding.h"
#include "text/gbk_search.h"
#include "text/text_basics.h"
#include "text/text_edit.h"

namespace cq::fuzz {
namespace {

constexpr std::size_t kMarkerLimit = 32;

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// A position in the text from a header byte: anywhere from its start to past its end.
std::size_t PositionIn(std::string_view text, std::uint8_t b) {
    return text.size() * b / 240;
}

void Searches(std::string_view text, std::string_view marker, std::size_t from, bool ignoreCase) {
    const std::vector<bool> starts = CharacterStarts(text);
    Require(FindText(text, marker, from, ignoreCase) ==
                NaiveFind(text, marker, from, ignoreCase, starts),
            "FindText finds the first match on a character start from `from` on");
    Require(FindTextBackward(text, marker, from, ignoreCase) ==
                NaiveFindBackward(text, marker, from, ignoreCase, starts),
            "FindTextBackward finds the last match on a character start up to `from`");
    Require(FindTextBackward(text, marker, kNotFound, ignoreCase) ==
                NaiveFindBackward(text, marker, kNotFound, ignoreCase, starts),
            "FindTextBackward without a limit finds the last match");
    RequireControlsStandAlone(text);
}

void TextAfterCase(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
    const std::vector<bool> starts = CharacterStarts(text);
    std::size_t found = kNotFound;
    if (start == 0) {
        found = NaiveFindBackward(text, marker, kNotFound, ignoreCase, starts);
    } else if (start > 0) {
        if (static_cast<std::size_t>(start) <= text.size()) {
            found = NaiveFindBackward(text, marker, text.size() - start, ignoreCase, starts);
        }
    } else {
        found = NaiveFind(text, marker, static_cast<std::size_t>(-start) - 1, ignoreCase, starts);
    }
    const Text expected = found == kNotFound ? Text() : Text(text.substr(found + marker.size()));
    const Text after = TextAfter(text, marker, start, ignoreCase);
    Require(after == expected, "TextAfter gives what follows the match its start asks for");
    Require(text.ends_with(after), "TextAfter gives an end of the text");
}

Text NaiveReplace(std::string_view text, std::optional<int> count, int start, bool caseSensitive,
                  const std::vector<Replacement>& pairs) {
    Text current(text);
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    for (const Replacement& pair : pairs) {
        if (pair.search.empty() || from >= current.size()) {
            continue;
        }
        const std::vector<bool> starts = CharacterStarts(current);
        Text next;
        std::size_t copied = 0;
        std::size_t pos = from;
        int replaced = 0;
        while (!count || *count < 0 || replaced < *count) {
            const std::size_t found = NaiveFind(current, pair.search, pos, !caseSensitive, starts);
            if (found == kNotFound) {
                break;
            }
            next.append(current, copied, found - copied);
            next += pair.replacement;
            copied = pos = found + pair.search.size();
            ++replaced;
        }
        next.append(current, copied);
        current = std::move(next);
    }
    return current;
}

void MultiReplaceCase(FuzzInput& in, std::string_view text, std::uint8_t n1, std::uint8_t n2,
                      bool caseSensitive) {
    const std::optional<int> count =
        (n1 & 0x80) != 0 ? std::optional<int>() : std::optional<int>((n1 & 0x7F) - 8);
    const int start = static_cast<int>(PositionIn(text, n2)) - 1;
    std::vector<Replacement> pairs;
    std::size_t bound = text.size() + 1;
    while (!in.Empty() && pairs.size() < 5) {
        const std::string_view search = in.Field(16);
        const std::string_view replacement = in.Field(8);
        // What the replacements may grow to is bounded, or the target measures memory.
        const std::size_t growth = search.empty() ? 1 : 1 + replacement.size() / search.size();
        if (bound * growth > (std::size_t{4} << 20)) {
            break;
        }
        bound *= growth;
        pairs.push_back({search, replacement});
    }
    const Text replaced = MultiReplace(text, count, start, caseSensitive, pairs);
    Require(replaced == NaiveReplace(text, count, start, caseSensitive, pairs),
            "MultiReplace replaces the matches on character starts, pair by pair");
    if (pairs.size() == 1 && pairs[0].search.empty()) {
        Require(replaced == text, "an empty search leaves the text unchanged");
    }
}

void SplitCase(std::string_view text, std::string_view separator) {
    const std::vector<Text> items = SplitText(text, separator);
    if (text.empty()) {
        Require(items.empty(), "an empty text splits into no items");
        return;
    }
    if (separator.empty()) {
        Require(items.size() == 1 && items[0] == text, "no separator gives the text whole");
        return;
    }
    Text joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += items[i];
    }
    Require(joined == text || joined + Text(separator) == text,
            "the items joined by the separator give back the text");
    const std::vector<bool> starts = CharacterStarts(text);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::size_t end = offset + items[i].size();
        const std::size_t inside = NaiveFind(text, separator, offset, false, starts);
        Require(inside == kNotFound || inside >= end, "no item holds the separator");
        offset = end + separator.size();
    }
    if (separator == "\r\n") {
        for (const Text& item : items) {
            Require(item.find("\r\n") == Text::npos, "no line of a split holds a CR LF");
        }
    }
    RequireControlsStandAlone(text);
}

void TrimCase(std::string_view text) {
    const Text trimmed = TrimText(text);
    Require(text.find(trimmed) != std::string_view::npos, "a trimmed text is part of the text");
    Require(TrimText(trimmed) == trimmed, "trimming twice changes nothing");
    Require(!trimmed.starts_with(' ') && !trimmed.starts_with("\xA1\xA1"),
            "no blank is left at the start");
    Require(!trimmed.ends_with(' '), "no space is left at the end");
    if (trimmed.ends_with("\xA1\xA1")) {
        Require(!CharacterStarts(trimmed)[trimmed.size() - 2],
                "a full-width space left at the end is not a character of its own");
    }
}

// Reads an escaped text back; false when it holds what no escape writes.
bool Unescape(std::string_view escaped, bool keepUnreserved, Bytes* out) {
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c == '+') {
            out->push_back(' ');
        } else if (c == '%') {
            if (i + 2 >= escaped.size()) {
                return false;
            }
            const int high = hex(escaped[i + 1]);
            const int low = hex(escaped[i + 2]);
            if (high < 0 || low < 0) {
                return false;
            }
            out->push_back(static_cast<std::uint8_t>(high * 16 + low));
            i += 2;
        } else if (keepUnreserved &&
                   ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                    std::string_view("'()*-._").find(c) != std::string_view::npos)) {
            out->push_back(static_cast<std::uint8_t>(c));
        } else {
            return false;
        }
    }
    return true;
}

void EscapeCase(std::string_view text, bool keepUnreserved, bool utf8) {
    Bytes plain = BytesFromText(text);
    const Text escaped = PercentEscape(plain, keepUnreserved);
    Bytes back;
    Require(Unescape(escaped, keepUnreserved, &back), "an escape writes only escapes");
    std::erase(plain, std::uint8_t{0});
    Require(back == plain, "an escaped text reads back as its bytes without zero bytes");

    const Text escapedText = PercentEscapeText(text, keepUnreserved, utf8);
    Bytes source = utf8 ? Utf8BytesFromGbk(text) : BytesFromText(text);
    std::erase(source, std::uint8_t{0});
    Bytes backText;
    Require(Unescape(escapedText, keepUnreserved, &backText) && backText == source,
            "PercentEscapeText escapes the text's bytes, or their UTF-8 form");
}

bool HasReplacementCharacter(const Bytes& utf16) {
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        if (utf16[i] == 0xFD && utf16[i + 1] == 0xFF) {
            return true;
        }
    }
    return false;
}

void CodePageCase(std::string_view bytes, unsigned codePage) {
    const Bytes input = BytesFromText(bytes);
    const std::string_view text = UpToZero(bytes);
    const Bytes utf16 = Utf16FromCodePage(input, codePage);
    if (text.empty()) {
        Require(utf16.empty(), "nothing before the first zero byte converts to nothing");
    } else {
        Require(utf16.size() >= 2 && utf16.size() % 2 == 0, "UTF-16 comes in whole code units");
        for (std::size_t i = 0; i + 2 < utf16.size(); i += 2) {
            Require((utf16[i] | utf16[i + 1]) != 0, "only the last code unit is zero");
        }
        Require(utf16[utf16.size() - 2] == 0 && utf16.back() == 0, "one zero unit ends it");
        if (!HasReplacementCharacter(utf16)) {
            Require(CodePageFromUtf16(utf16, codePage) == BytesFromText(text),
                    "text that decodes converts back to the same bytes");
        }
    }

    // Arbitrary code units the other way round.
    const Bytes back = CodePageFromUtf16(input, codePage);
    if (codePage == kCodePageUtf8) {
        Require(IsUtf8(TextFromBytes(back)), "any code units give well-formed UTF-8");
    }
    const Text fromUtf16 = TextFromUtf16(input, codePage, true);
    Require(fromUtf16.find('\0') == Text::npos, "a text holds no zero byte");

    const Text utf8 = Utf8FromGbk(bytes);
    Require(IsUtf8(utf8) && utf8.find('\0') == Text::npos, "GBK gives well-formed UTF-8");
    Require(TextFromBytes(Utf8BytesFromGbk(bytes)) == utf8, "both UTF-8 forms agree");
    const Bytes wide = Utf16FromGbk(bytes);
    Bytes cut = Utf16FromGbk(bytes, true);
    Require(wide.empty() ? cut.empty() : Bytes(wide.begin(), wide.end() - 2) == cut,
            "cutting at the terminator drops only the terminator");
    if (!HasReplacementCharacter(wide)) {
        Require(GbkFromUtf8(utf8) == text, "GBK text that decodes comes back from UTF-8");
    }
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const int op = in.Number(0, 6);
    const std::uint8_t flags = in.Byte();
    const std::uint8_t n1 = in.Byte();
    const std::uint8_t n2 = in.Byte();
    const bool ignoreCase = (flags & 2) != 0;
    const std::string_view field = in.Field();
    const std::string text = (flags & 1) != 0 ? Amplified(field) : std::string(field);

    switch (op) {
        case 0:
            Searches(text, in.Field(kMarkerLimit), PositionIn(text, n1), ignoreCase);
            break;
        case 1: {
            // 0, a distance from the end, or (negative) a 1-based start from the front.
            const int distance = static_cast<int>(PositionIn(text, n2)) + (n2 % 3);
            const int start = n1 % 3 == 0 ? 0 : n1 % 3 == 1 ? distance : -distance - 1;
            TextAfterCase(text, in.Field(kMarkerLimit), start, ignoreCase);
            break;
        }
        case 2:
            MultiReplaceCase(in, text, n1, n2, (flags & 4) != 0);
            break;
        case 3:
            SplitCase(text, (flags & 4) != 0 ? std::string_view("\r\n") : in.Field(8));
            break;
        case 4:
            TrimCase(text);
            break;
        case 5:
            EscapeCase(text, (flags & 2) != 0, (flags & 4) != 0);
            break;
        case 6:
            CodePageCase(text, (flags & 4) != 0 ? cq::kCodePageUtf8 : cq::kCodePageGbk);
            break;
    }
    return 0;
}
