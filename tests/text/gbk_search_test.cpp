#include "text/gbk_search.h"

#include <gtest/gtest.h>

#include <string>

namespace cq {
namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string marker;
    std::size_t from;
    bool ignoreCase;
    std::size_t forward;   // FindText
    std::size_t backward;  // FindTextBackward with no limit
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindTable : public testing::TestWithParam<FindCase> {};

TEST_P(FindTable, FindsOnlyOnCharacterBoundaries) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindText(c.text, c.marker, c.from, c.ignoreCase), c.forward);
    EXPECT_EQ(FindTextBackward(c.text, c.marker, kNotFound, c.ignoreCase), c.backward);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTable,
    testing::Values(
        FindCase{"Ascii", "k=x=y", "=", 0, false, 1, 3},
        FindCase{"FromSkipsEarlier", "k=x=y", "=", 2, false, 3, 3},
        FindCase{"EmptyMarker", "abc", "", 0, false, kNotFound, kNotFound},
        FindCase{"MarkerLongerThanText", "ab", "abc", 0, false, kNotFound, kNotFound},
        FindCase{"CaseFoldsAsciiOnly", "Set-Cookie", "COOKIE", 0, true, 4, 4},
        FindCase{"CaseSensitiveByDefault", "Set-Cookie", "COOKIE", 0, false, kNotFound, kNotFound},
        // 丂 is 81 40: its trail byte is "@", which must not match on its own.
        FindCase{"TrailByteIsNotAscii", "\x81\x40@", "@", 0, false, 2, 2},
        // 中中 is D6 D0 D6 D0: D0 D6 straddles two characters.
        FindCase{"NoMatchAcrossCharacters", "\xD6\xD0\xD6\xD0", "\xD0\xD6", 0, false, kNotFound,
                 kNotFound},
        FindCase{"ChineseMarker",
                 "a\xD6\xD0"
                 "b\xD6\xD0",
                 "\xD6\xD0", 0, false, 1, 4},
        // A four-byte GB18030 character holds digits that are not digits.
        FindCase{"FourByteSequence",
                 "\x81\x30\x81\x30"
                 "0",
                 "0", 0, false, 4, 4},
        FindCase{"FromInsideCharacterMovesOn", "\xD6\xD0\xD6\xD0", "\xD6\xD0", 1, false, 2, 2},
        FindCase{"LoneLeadAtEnd", "ab\xD6", "\xD6", 0, false, 2, 2}),
    [](const testing::TestParamInfo<FindCase>& info) { return info.param.name; });

TEST(FindTextBackward, LimitIsTheLastStart) {
    EXPECT_EQ(FindTextBackward("k=x=y", "=", 2), 1u);
    EXPECT_EQ(FindTextBackward("k=x=y", "=", 3), 3u);
    EXPECT_EQ(FindTextBackward("k=x=y", "=", 0), kNotFound);
}

TEST(GbkCharLength, NeverPastTheEnd) {
    EXPECT_EQ(GbkCharLength("\xD6\xD0", 0), 2u);
    EXPECT_EQ(GbkCharLength("\xD6", 0), 1u);
    EXPECT_EQ(GbkCharLength("\x81\x30\x81", 0), 1u);
    EXPECT_EQ(GbkCharLength("\x81\x30\x81\x30", 0), 4u);
    EXPECT_EQ(GbkCharLength("a", 1), 0u);
}

TEST(EqualsIgnoreCase, AsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoreCase("Content-Type", "content-TYPE"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "abd"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "ab"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC1", "\xE1"));  // not Latin-1 folding
}

}  // namespace
}  // namespace cq
