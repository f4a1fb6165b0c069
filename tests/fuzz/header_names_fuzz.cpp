// CapitalizeHeaderNames with arbitrary header texts: every line it keeps has a
// ":", it only changes the letter case of names, and a second pass changes nothing.
//
// Input: flags (1 amplify), then the header text.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "web/header_text.h"

namespace cq::fuzz {
namespace {

// Lines at every CR LF, byte by byte: what a server reading the text would see.
std::vector<std::string_view> WireLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", begin);
        lines.push_back(text.substr(begin, end == std::string_view::npos ? end : end - begin));
        if (end == std::string_view::npos) {
            return lines;
        }
        begin = end + 2;
    }
}

bool SameButCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

void Check(std::string_view headers) {
    const Text capitalized = CapitalizeHeaderNames(headers);
    if (capitalized.empty()) {
        return;
    }
    const std::vector<std::string_view> lines = WireLines(capitalized);
    const std::vector<std::string_view> given = WireLines(headers);
    Require(lines.size() <= given.size(), "no line is added");
    std::size_t next = 0;
    for (std::string_view line : lines) {
        Require(line.find(':') != std::string_view::npos, "every line kept has a \":\"");
        // Lines are kept in order, each one a given line with its name's case changed.
        while (next < given.size() && !SameButCase(given[next], line)) {
            ++next;
        }
        Require(next < given.size(), "a kept line is a given line with letters recased");
        const std::size_t colon = line.find(':');
        Require(line.substr(colon) == given[next].substr(colon), "values keep their case");
        ++next;
    }
    Require(CapitalizeHeaderNames(capitalized) == capitalized, "a second pass changes nothing");
    for (std::string_view line : lines) {
        const Text name = HeaderName(line);
        Require(name.find(':') == Text::npos && line.find(name) != std::string_view::npos,
                "a header's name comes before its first \":\"");
    }
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const bool amplify = in.Flag();
    const std::string_view headers = in.Field();
    RequireControlsStandAlone(headers);
    Check(amplify ? std::string_view(Amplified(headers)) : headers);
    return 0;
}
