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

TEST(GbkCharLength, ByWhatFollowsTheLeadByte) {
    const struct {
        const char* name;
        std::string text;
        std::size_t length;  // of the character at 0
    } cases[] = {
        {"double-byte", "\xD6\xD0", 2},
        {"lowest trail", "\x81\x40", 2},
        {"trail below DEL", "\x81\x7E", 2},
        {"trail above DEL", "\x81\x80", 2},
        {"highest pair", "\xFE\xFE", 2},
        {"four-byte", "\x81\x30\x81\x30", 4},
        {"four-byte, highest", "\xFE\x39\xFE\x39", 4},
        // Whatever else follows a lead byte is a character of its own, so a line
        // that ends in a high byte keeps its line end.
        {"CR", "\xD6\r\n", 1},
        {"LF", "\xD6\n", 1},
        {"colon", "\xD6:", 1},
        {"semicolon", "\xD6;", 1},
        {"space", "\xD6 ", 1},
        {"zero byte", std::string("\xD6\0", 2), 1},
        {"below the trail range", "\x81\x3F", 1},
        {"DEL", "\x81\x7F", 1},
        {"FF", "\x81\xFF", 1},
        {"digit without the rest of four", "\x81\x30\x81", 1},
        {"digit, then no lead", "\x81\x30\x20\x30", 1},
        {"digit, lead, no digit", "\x81\x30\x81\x40", 1},
        {"lone lead at the end", "\xD6", 1},
        {"ASCII", "a\xD6", 1},
        {"FF is no lead", "\xFF\x40", 1},
        {"80 is no lead", "\x80\x40", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GbkCharLength(c.text, 0), c.length) << c.name;
    }
    EXPECT_EQ(GbkCharLength("a", 1), 0u);
}

TEST(GbkCharLength, ALeadByteNeverSwallowsTheSeparatorAfterIt) {
    // Lines of UTF-8 (or a GBK character cut short) end in a high byte.
    const std::string text = "a\xE4\xB8\xAD\r\nb\xD6:c\xD6;d";
    EXPECT_EQ(FindText(text, "\r\n"), 4u);
    EXPECT_EQ(FindText(text, ":"), 8u);
    EXPECT_EQ(FindText(text, ";"), 11u);
    EXPECT_EQ(FindTextBackward(text, "\r\n"), 4u);
}

TEST(EqualsIgnoreCase, AsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoreCase("Content-Type", "content-TYPE"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "abd"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "ab"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC1", "\xE1"));  // not Latin-1 folding
}

}  // namespace
}  // namespace cq
