// CollectResponseCookies with arbitrary response headers: one cookie per
// "Set-Cookie: " line, joined by "; ", and nothing of the line structure left.
//
// Input: flags (1 amplify), then the header text.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "web/header_text.h"

namespace cq::fuzz {
namespace {

std::size_t CookieLines(std::string_view headers) {
    std::size_t count = 0;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = headers.find("\r\n", begin);
        std::string_view line =
            headers.substr(begin, end == std::string_view::npos ? end : end - begin);
        line = line.substr(0, line.find('\0'));
        if (line.starts_with("Set-Cookie: ") &&
            NaiveFind(line, ": ", 0, false, CharacterStarts(line)) == 10) {
            ++count;
        }
        if (end == std::string_view::npos) {
            return count;
        }
        begin = end + 2;
    }
}

std::size_t Separators(std::string_view text) {
    const std::vector<bool> starts = CharacterStarts(text);
    std::size_t count = 0;
    for (std::size_t at = NaiveFind(text, "; ", 0, false, starts); at != kNotFound;
         at = NaiveFind(text, "; ", at + 2, false, starts)) {
        ++count;
    }
    return count;
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const bool amplify = in.Flag();
    const std::string_view field = in.Field();
    const std::string headers = amplify ? Amplified(field) : std::string(field);
    RequireControlsStandAlone(headers);

    const cq::Text cookies = cq::CollectResponseCookies(headers);
    Require(cookies.find("\r\n") == cq::Text::npos, "the cookie text holds no line break");
    const std::size_t lines = CookieLines(headers);
    if (lines == 0) {
        Require(cookies.empty(), "without a Set-Cookie line there are no cookies");
    } else {
        Require(Separators(cookies) == lines - 1, "one cookie per Set-Cookie line");
    }
    return 0;
}
