#include <gtest/gtest.h>

#include "web/header_text.h"
#include "web/text_markers.h"

namespace cq {
namespace {

using namespace std::string_literals;

struct BeforeCase {
    std::string text;
    std::string marker;
    int start;
    bool ignoreCase;
    std::string expected;
};

TEST(TextBeforeTest, CutsAtTheFirstMarkerFromTheStartPosition) {
    const BeforeCase cases[] = {
        {"abc:def", ":", 1, false, "abc"},
        {"abc:def", "x", 1, false, ""},
        {"a:b:c", ":", 0, false, "a"},    // 0 counts as 1
        {"a:b:c", ":", 3, false, "a:b"},  // searching starts at byte 3
        {"a:b:c", ":", 9, false, ""},
        {"Content-TYPE: x", "type:", 1, true, "Content-"},
        {"Content-TYPE: x", "type:", 1, false, ""},
        // "a" as the trail byte of a double-byte character is no match.
        {"\x81"
         "aXa",
         "a", 1, false,
         "\x81"
         "aX"},
        {"\x81\\x\\", "\\", 1, false, "\x81\\x"},
        {"中文：名字", "：", 1, false, "中文"},
        {"ab\0:c"s, ":", 1, false, ""},  // a text ends at its first zero byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextBefore(c.text, c.marker, c.start, c.ignoreCase), c.expected)
            << c.text << " / " << c.marker;
    }
}

struct BetweenCase {
    std::string text;
    std::string left;
    std::string right;
    int start;
    bool ignoreCase;
    std::string expected;
};

TEST(TextBetweenTest, CutsBetweenLeftAndTheFirstRightAfterIt) {
    const BetweenCase cases[] = {
        {"<a>x</a>", "<a>", "</a>", 1, false, "x"},
        {"<a>x</a>", "<b>", "</a>", 1, false, ""},
        {"<a>x", "<a>", "</a>", 1, false, ""},
        {"[]", "[", "]", 1, false, ""},
        {"b]a[c]", "[", "]", 1, false, "c"},  // the right marker is searched after the left
        {"k=1;k=2;", "k=", ";", 4, false, "2"},
        {"k=1;k=2;", "k=", ";", 0, false, "1"},
        {"<B>x</b>", "<b>", "</B>", 1, true, "x"},
        {"<B>x</b>", "<b>", "</B>", 1, false, ""},
        {"id=\"42\" x", "id=#引号", "#引号", 1, false, "42"},
        {"\"title\":\"早报\",", "#引号title#引号:#引号", "#引号", 1, false, "早报"},
        {"\x81[a]", "[", "]", 1, false, ""},       // "[" here is the trail byte of a character
        {"[\x81]]", "[", "]", 1, false, "\x81]"},  // so is the first "]"
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected)
            << c.text << " / " << c.left << " / " << c.right;
    }
}

TEST(CapitalizeHeaderNamesTest, CapitalisesNamesAndDropsLinesWithoutColon) {
    const std::pair<std::string, std::string> cases[] = {
        {"\r\naccept-language: zh-cn\r\nfoo\r\nx-requested-with:yes",
         "Accept-Language: zh-cn\r\nX-Requested-With:yes"},
        {"user-agent: x", "User-Agent: x"},
        {"a: b-c d", "A: b-c d"},  // the value stays byte for byte
        {"x-a:  spaced  ", "X-A:  spaced  "},
        {"no colon here", ""},
        {"", ""},
        {"\r\n\r\n", ""},
        {"中-a: 1", "中-A: 1"},
        {"--x: 1\r\nALREADY-Up: 2", "--X: 1\r\nALREADY-Up: 2"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(CapitalizeHeaderNames(in), out) << in;
    }
}

TEST(CapitalizeFirstTest, UpperCasesOnlyAnAsciiLetterAtTheFront) {
    EXPECT_EQ(CapitalizeFirst(""), "");
    EXPECT_EQ(CapitalizeFirst("abc"), "Abc");
    EXPECT_EQ(CapitalizeFirst("Abc"), "Abc");
    EXPECT_EQ(CapitalizeFirst("1abc"), "1abc");
    EXPECT_EQ(CapitalizeFirst("中a"), "中a");
}

TEST(Base64EncodeTest, MatchesTheStandardVectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFF\xFE\0"s, "//4A"},  // high bits and a zero byte
        {"u:pw", "dTpwdw=="},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(Base64Encode(BytesFromText(in)), out) << in;
    }
}

TEST(HeaderNameValueTest, SplitAtTheFirstColonAndTrimSpacesOnly) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"X-Range: 1:2", "X-Range", "1:2"},
        {"  a  :  b  ", "a", "b"},
        {"novalue", "", ""},
        {":", "", ""},
        {"\ta:\tb", "\ta", "\tb"},  // tabs are not trimmed
        {"\xA1\xA1name:\xA1\xA1v\xA1\xA1", "name", "v"},
    };
    for (const auto& [line, name, value] : cases) {
        EXPECT_EQ(HeaderName(line), name) << line;
        EXPECT_EQ(HeaderValue(line), value) << line;
    }
}

TEST(CollectResponseCookiesTest, KeepsTheFirstItemOfEachExactSetCookieLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
        {"HTTP/1.1 200 OK\r\nContent-Type: x\r\nSet-Cookie: s=1; HttpOnly\r\n\r\n", "s=1"},
        {"set-cookie: a=1\r\n", ""},  // spelled otherwise
        {"Set-Cookie:a=1\r\n", ""},   // no space after the colon
        {"", ""},
        {"Set-Cookie: t=中文; Path=/\r\n", "t=中文"},
        {"Set-Cookie:  spaced=1  \r\n", "spaced=1"},
        // A line that ends in a high byte (UTF-8 text, a character cut short) keeps
        // its line end, so the cookie on the next line is still found.
        {"X-Title: \xE4\xB8\xAD\r\nSet-Cookie: a=1\r\n", "a=1"},
        {"Set-Cookie: a=\xD6\r\nSet-Cookie: b=2\r\n", "a=\xD6; b=2"},
        {"Set-Cookie: a=1; t=\xD6\r\nSet-Cookie: b=2; x=\xD6;\r\n", "a=1; b=2"},
    };
    for (const auto& [headers, cookies] : cases) {
        EXPECT_EQ(CollectResponseCookies(headers), cookies) << headers;
    }
}

}  // namespace
}  // namespace cq
