// FormatDuration with any number of seconds and arbitrary patterns: a pattern
// without placeholder letters comes back unchanged, and the four fields it writes
// add up to the seconds given, also for negative and extreme counts.
//
// Input: eight bytes of seconds, flags (1 pad to two, 2 use the fields pattern),
// then the pattern.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/duration_format.h"
#include "fuzz_input.h"

namespace cq::fuzz {
namespace {

bool HasPlaceholder(std::string_view pattern) {
    const std::vector<bool> starts = CharacterStarts(pattern);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (starts[i] && std::string_view("dhms").find(pattern[i]) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

void CheckFields(std::int64_t seconds, bool pad) {
    const Text text = FormatDuration(seconds, "d|h|m|s", pad);
    std::vector<Text> fields(1);
    for (char c : text) {
        if (c == '|') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    Require(fields.size() == 4, "each letter becomes one field");
    const std::int64_t scale[] = {86400, 3600, 60, 1};
    std::int64_t sum = 0;
    for (int i = 0; i < 4; ++i) {
        Require(!fields[i].empty() && (!pad || fields[i].size() >= 2), "a field has its digits");
        char* end = nullptr;
        const long long value = std::strtoll(fields[i].c_str(), &end, 10);
        Require(*end == '\0', "a field is a number");
        sum += value * scale[i];
    }
    Require(sum == seconds, "the fields add up to the seconds");
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    std::uint64_t raw = 0;
    for (int i = 0; i < 8; ++i) {
        raw = (raw << 8) | in.Byte();
    }
    const auto seconds = static_cast<std::int64_t>(raw);
    const std::uint8_t flags = in.Byte();
    const bool pad = (flags & 1) != 0;
    const std::string_view pattern = in.Field();

    const cq::Text text = cq::FormatDuration(seconds, pattern, pad);
    const std::string_view used = pattern.substr(0, pattern.find('\0'));
    if (!used.empty() && !HasPlaceholder(used)) {
        Require(text == used, "a pattern without placeholders comes back unchanged");
    }
    Require(text.size() <= used.size() + 4 * 20 + 32, "each letter grows into one number");
    CheckFields(seconds, pad);

    const std::int64_t withinHour = static_cast<std::int64_t>(raw % 3600);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%02d\xB7\xD6%02d\xC3\xEB",
                  static_cast<int>(withinHour / 60), static_cast<int>(withinHour % 60));
    Require(cq::FormatPlayTime(withinHour) == expected, "play times read MM<min>SS<sec>");
    return 0;
}
