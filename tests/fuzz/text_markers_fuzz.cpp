// TextBefore and TextBetween with arbitrary texts, markers and starts, held against
// the plainest search over character starts. Texts and markers end at their first
// zero byte; "#引号" in a TextBetween marker stands for a double quote.
//
// Input: start, flags (1 amplify the text, 2 ignore case), then the text, the
// marker (TextBefore) and the left and right markers (TextBetween).

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "web/text_markers.h"

namespace cq::fuzz {
namespace {

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

Text WithQuotes(std::string_view marker) {
    static constexpr std::string_view kPlaceholder = "#引号";
    marker = UpToZero(marker);
    const std::vector<bool> starts = CharacterStarts(marker);
    Text out;
    std::size_t copied = 0;
    for (std::size_t at = NaiveFind(marker, kPlaceholder, 0, false, starts); at != kNotFound;
         at = NaiveFind(marker, kPlaceholder, copied, false, starts)) {
        out.append(marker, copied, at - copied);
        out += '"';
        copied = at + kPlaceholder.size();
    }
    out.append(marker, copied);
    return out;
}

void Check(std::string_view whole, std::string_view marker, std::string_view left,
           std::string_view right, int start, bool ignoreCase) {
    const std::string_view text = UpToZero(whole);
    const std::vector<bool> starts = CharacterStarts(text);
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;

    const std::size_t at = NaiveFind(text, UpToZero(marker), from, ignoreCase, starts);
    const Text before = TextBefore(whole, marker, start, ignoreCase);
    Require(before == (at == kNotFound ? Text() : Text(text.substr(0, at))),
            "TextBefore ends where the first marker from `start` on begins");

    const Text leftMarker = WithQuotes(left);
    const Text rightMarker = WithQuotes(right);
    Text expected;
    const std::size_t p = NaiveFind(text, leftMarker, from, ignoreCase, starts);
    if (p != kNotFound) {
        const std::size_t c = p + leftMarker.size();
        const std::size_t q = NaiveFind(text, rightMarker, c, ignoreCase, starts);
        if (q != kNotFound) {
            expected = text.substr(c, q - c);
        }
    }
    Require(TextBetween(whole, left, right, start, ignoreCase) == expected,
            "TextBetween gives what lies between the first left and the next right marker");
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const std::uint8_t startByte = in.Byte();
    const std::uint8_t flags = in.Byte();
    const std::string_view field = in.Field();
    const std::string text = (flags & 1) != 0 ? Amplified(field) : std::string(field);
    const std::string_view marker = in.Field(32);
    const std::string_view left = in.Field(32);
    const std::string_view right = in.Field(32);
    // Starts before, at and past the text's ends.
    const int start = static_cast<int>(text.size() * startByte / 240) - 2;
    Check(text, marker, left, right, start, (flags & 2) != 0);
    return 0;
}
