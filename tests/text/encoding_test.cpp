#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace cq {
namespace {

Bytes B(std::string_view s) {
    return Bytes(s.begin(), s.end());
}
std::string S(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

TEST(Utf8FromGbk, Table) {
    struct Case {
        std::string gbk;
        std::string utf8;
    };
    const Case cases[] = {
        {"", ""},
        {"plain ASCII 123", "plain ASCII 123"},
        {"\xD6\xD0", "\xE4\xB8\xAD"},  // 中
        {"\xB3\xBF\xC8\xB5\xD4\xE7\xB1\xA8", "\xE6\x99\xA8\xE9\xB9\x8A\xE6\x97\xA9\xE6\x8A\xA5"},
        {"\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"},  // outside GBK, kept
        {std::string("ab\0cd", 5), "ab"},          // read up to the zero
        {"a\xD6", "a\xEF\xBF\xBD"},                // lone lead byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8FromGbk(c.gbk), c.utf8) << testing::PrintToString(c.gbk);
        EXPECT_EQ(S(Utf8BytesFromGbk(c.gbk)), c.utf8);
    }
}

TEST(GbkFromUtf8, ReversesUtf8FromGbk) {
    EXPECT_EQ(GbkFromUtf8("\xE6\x99\xA8\xE9\xB9\x8A"), "\xB3\xBF\xC8\xB5");
    EXPECT_EQ(GbkFromUtf8(""), "");
    EXPECT_EQ(GbkFromUtf8("x\xFFy"), "x\x84\x31\xA4\x37y");  // undecodable byte -> U+FFFD
}

TEST(Utf16FromCodePage, TerminatesAndStopsAtFirstZero) {
    EXPECT_EQ(S(Utf16FromCodePage(B("ab"), kCodePageUtf8)), std::string("a\0b\0\0\0", 6));
    EXPECT_EQ(S(Utf16FromCodePage(B(std::string("a\0b", 3)), kCodePageUtf8)),
              std::string("a\0\0\0", 4));
    EXPECT_TRUE(Utf16FromCodePage(B(std::string("\0b", 2)), kCodePageUtf8).empty());
    EXPECT_TRUE(Utf16FromCodePage({}, kCodePageGbk).empty());
    EXPECT_EQ(S(Utf16FromCodePage(B("\xD6\xD0"), kCodePageGbk)), std::string("\x2D\x4E\0\0", 4));
}

TEST(CodePageFromUtf16, Table) {
    struct Case {
        std::string utf16;
        unsigned codePage;
        std::string expected;
    };
    const Case cases[] = {
        {"", kCodePageGbk, ""},
        {std::string("\0\0", 2), kCodePageGbk, ""},
        {std::string("\x2D\x4E", 2), kCodePageGbk, "\xD6\xD0"},
        {std::string("\x2D\x4E", 2), kCodePageUtf8, "\xE4\xB8\xAD"},
        {std::string("a\0\0\0b\0", 6), kCodePageUtf8, "a"},  // stops at the zero unit
        // Two zero bytes are appended, so an odd last byte b is the unit 0x00bb.
        {std::string("a\0b", 3), kCodePageUtf8, "ab"},
        {"\xE9", kCodePageUtf8, "\xC3\xA9"},  // U+00E9
        {std::string("\x2D\x4E\xE9", 3), kCodePageGbk, "\xD6\xD0\xA8\xA6"},
        {std::string("\0", 1), kCodePageUtf8, ""},  // the zero unit
        {std::string("a\0\0", 3), kCodePageUtf8, "a"},
        {std::string("\x00\xD8x\0", 4), kCodePageUtf8, "?x"},  // lone surrogate
        {std::string("\x2D\x4E", 2), 1252, "?"},               // not in the code page
        {std::string("a\0", 2), 4242, ""},                     // unknown code page
    };
    for (const Case& c : cases) {
        EXPECT_EQ(S(CodePageFromUtf16(B(c.utf16), c.codePage)), c.expected)
            << testing::PrintToString(c.utf16) << " cp " << c.codePage;
    }
}

TEST(TextFromUtf16, UsesSystemCodePageUnlessAsked) {
    const Bytes zhong = B(std::string("\x2D\x4E\0\0", 4));
    EXPECT_EQ(TextFromUtf16(zhong, kCodePageUtf8, true), "\xE4\xB8\xAD");
    EXPECT_EQ(TextFromUtf16(zhong, kCodePageUtf8, false), "\xD6\xD0");
}

TEST(Utf16FromGbk, CutAtTerminator) {
    EXPECT_EQ(S(Utf16FromGbk("a", false)), std::string("a\0\0\0", 4));
    EXPECT_EQ(S(Utf16FromGbk("a", true)), std::string("a\0", 2));
    EXPECT_TRUE(Utf16FromGbk("", true).empty());
}

TEST(PercentEscape, Table) {
    struct Case {
        std::string bytes;
        bool keepUnreserved;
        std::string expected;
    };
    const Case cases[] = {
        {"", true, ""},
        {"a b*~", true, "a+b*%7E"},
        {"a b*~", false, "%61+%62%2A%7E"},
        {"'()*-._09AZaz", true, "'()*-._09AZaz"},
        {std::string("a\0b", 3), true, "ab"},
        {std::string("\0", 1), false, ""},
        {"\xD6\xD0/&=", true, "%D6%D0%2F%26%3D"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PercentEscape(B(c.bytes), c.keepUnreserved), c.expected)
            << testing::PrintToString(c.bytes);
    }
}

TEST(PercentEscapeText, GbkOrUtf8Bytes) {
    EXPECT_EQ(PercentEscapeText("\xD6\xD0 x", true, false), "%D6%D0+x");
    EXPECT_EQ(PercentEscapeText("\xD6\xD0 x", true, true), "%E4%B8%AD+x");
    EXPECT_EQ(PercentEscapeText("ab"), "%61%62");
}

}  // namespace
}  // namespace cq
