#include "text/text_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cq {
namespace {

TEST(TrimText, Table) {
    struct Case {
        std::string text, expected;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"  a b  ", "a b"},
        {"\xA1\xA1 a \xA1\xA1", "a"},
        {"\ta\t", "\ta\t"},                // only spaces are blanks
        {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},  // 啊 then a full-width space
        // Ends in A1 A1, but those bytes are a trail and a lone lead, not a space.
        {"x\xA1\xA1\xA1", "x\xA1\xA1\xA1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimText(c.text), c.expected) << testing::PrintToString(c.text);
    }
}

TEST(SplitText, Table) {
    struct Case {
        std::string text, separator;
        std::vector<Text> expected;
    };
    const Case cases[] = {
        {"", ";", {}},
        {"a", ";", {"a"}},
        {"a;b", ";", {"a", "b"}},
        {"a;;b", ";", {"a", "", "b"}},
        {";a", ";", {"", "a"}},
        {"a;", ";", {"a"}},
        {"a; b; c", "; ", {"a", "b", "c"}},
        {"\x81@@x", "@", {"\x81@", "x"}},     // "@" as a trail byte is not a separator
        {"\x81;;x", ";", {"\x81", "", "x"}},  // ";" is never a trail byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << c.text;
    }
}

TEST(TextAfter, Table) {
    struct Case {
        std::string text, marker;
        int start;
        bool ignoreCase;
        std::string expected;
    };
    const Case cases[] = {
        {"k=x=y", "=", 0, false, "y"},
        {"kxy", "=", 0, false, ""},
        {"k=x=", "=", 0, false, ""},
        {"k=x=y", "=", -1, false, "x=y"},  // forward from the first character
        {"k=x=y", "=", -3, false, "y"},
        {"k=x=y", "=", 2, false, "y"},    // backward from position 4, the second "="
        {"k=x=y", "=", 3, false, "x=y"},  // backward from position 3
        {"k=x=y", "=", 5, false, ""},     // backward from position 1
        {"k=x=y", "=", 1, false, "y"},
        {"k=x=y", "=", 9, false, ""},
        {"aXb", "x", 0, true, "b"},
        {"aXb", "x", 0, false, ""},
        {"\x81~~y", "~", -1, false, "y"},   // "~" as a trail byte is skipped
        {"\x81==y", "=", -1, false, "=y"},  // "=" is never a trail byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextAfter(c.text, c.marker, c.start, c.ignoreCase), c.expected)
            << c.text << " start " << c.start;
    }
}

TEST(MultiReplace, Table) {
    struct Case {
        std::string text;
        std::optional<int> count;
        int start;
        bool caseSensitive;
        std::vector<Replacement> pairs;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", {}, 1, false, {{"", "x"}}, "abc"},
        {"aAa", {}, 1, false, {{"a", "b"}}, "bbb"},
        {"aAa", {}, 1, true, {{"a", "b"}}, "bAb"},
        {"aaaa", 2, 1, true, {{"a", "b"}}, "bbaa"},
        {"aaaa", {}, 3, true, {{"a", "b"}}, "aabb"},  // prefix before start is kept
        {"aaaa", {}, 0, true, {{"a", "b"}}, "bbbb"},  // 0 counts as 1
        {"abc", {}, 1, true, {{"a", "b"}, {"b", "c"}}, "ccc"},
        {"say \"hi\"", {}, 1, false, {{"\"", "\\\""}}, "say \\\"hi\\\""},
        {"aaa", {}, 1, true, {{"aa", "a"}}, "aa"},  // matches do not overlap
        {"\xD6\xD0\xD6\xD0", {}, 1, true, {{"\xD0\xD6", "x"}}, "\xD6\xD0\xD6\xD0"},
        {"abc", {}, 10, true, {{"a", "x"}}, "abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MultiReplace(c.text, c.count, c.start, c.caseSensitive,
                               std::span<const Replacement>(c.pairs)),
                  c.expected)
            << c.text;
    }
}

}  // namespace
}  // namespace cq
