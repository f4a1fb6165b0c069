#include "text/convert_charset.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace cq {
namespace {

Bytes B(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

struct ConvertCase {
    const char* name;
    std::string input;
    std::string from;
    std::string to;
    std::optional<std::int64_t> offset;
    std::string expected;
};

// Literals in this file are GBK unless written as u8"".
const std::string kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4";
const std::string kBom = "\xEF\xBB\xBF";
const std::string kReplacementGb18030 = "\x84\x31\xA4\x37";  // U+FFFD
const std::string kGrinningUtf8 = "\xF0\x9F\x98\x80";        // U+1F600
const std::string kGrinningGb18030 = "\x94\x39\xFC\x36";

void PrintTo(const ConvertCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertCharsetTable : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertCharsetTable, Converts) {
    const ConvertCase& c = GetParam();
    EXPECT_EQ(TextFromBytes(ConvertCharset(B(c.input), c.from, c.to, c.offset)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertCharsetTable,
    testing::Values(
        ConvertCase{"Empty", "", "UTF-8", "GBK", {}, ""},
        ConvertCase{"ChineseWithDefaults", kZhongWenUtf8, "UTF-8", "GBK", {}, kZhongWenGbk},
        ConvertCase{"EmptyNamesMeanDefaults", kZhongWenUtf8, "", "", {}, kZhongWenGbk},
        ConvertCase{"OffsetZeroIsWhole", kZhongWenUtf8, "UTF-8", "GBK", 0, kZhongWenGbk},
        ConvertCase{"OffsetSkipsBytes", kZhongWenUtf8, "UTF-8", "GBK", 2, "\xCE\xC4"},
        ConvertCase{"Utf8OutputHasMark", kZhongWenGbk, "GBK", "UTF-8", {}, kBom + kZhongWenUtf8},
        ConvertCase{"Offset3StripsMark", kZhongWenGbk, "GBK", "UTF-8", 3, kZhongWenUtf8},
        ConvertCase{"InputMarkIsNotText", kBom + kZhongWenUtf8, "UTF-8", "GBK", {}, kZhongWenGbk},
        ConvertCase{"NamesIgnoreCase", kZhongWenUtf8, "utf-8", "gbk", {}, kZhongWenGbk},
        ConvertCase{"Gb2312", kZhongWenUtf8, "UTF-8", "GB2312", {}, kZhongWenGbk},
        ConvertCase{"Big5", kZhongWenUtf8, "UTF-8", "BIG5", {}, "\xA4\xA4\xA4\xE5"},
        ConvertCase{"Utf16LeHasNoMark", "ab", "UTF-8", "UTF-16LE", {}, std::string("a\0b\0", 4)},
        ConvertCase{"CharacterOutsideGbkKept", kGrinningUtf8, "UTF-8", "GBK", {}, kGrinningGb18030},
        ConvertCase{"CharacterTargetLacksIsQuestionMark",
                    "a" + kGrinningUtf8 + "b",
                    "UTF-8",
                    "GB2312",
                    {},
                    "a?b"},
        ConvertCase{"InvalidUtf8IsReplacement",
                    "a\xC3(b",
                    "UTF-8",
                    "GBK",
                    {},
                    "a" + kReplacementGb18030 + "(b"},
        ConvertCase{
            "TruncatedUtf8AtEnd", "a\xE4\xB8", "UTF-8", "GBK", {}, "a" + kReplacementGb18030},
        ConvertCase{"LoneGbkLeadByteAtEnd", "\xD6\xD0\xD6", "GBK", "UTF-8", 3,
                    "\xE4\xB8\xAD\xEF\xBF\xBD"},
        ConvertCase{"ZeroBytesPassThrough",
                    std::string("a\0b", 3),
                    "UTF-8",
                    "GBK",
                    {},
                    std::string("a\0b", 3)},
        ConvertCase{"UnknownSourceCharset", "abc", "NO-SUCH-CHARSET", "GBK", {}, ""},
        ConvertCase{"UnknownTargetCharset", "abc", "UTF-8", "NO-SUCH-CHARSET", {}, ""},
        ConvertCase{"OffsetAtEnd", "abc", "UTF-8", "GBK", 3, ""},
        ConvertCase{"OffsetPastEnd", "abc", "UTF-8", "GBK", 4, ""},
        ConvertCase{"NegativeOffset", "abc", "UTF-8", "GBK", -1, ""}),
    [](const testing::TestParamInfo<ConvertCase>& info) { return info.param.name; });

TEST(ConvertCharset, RoundTripsEveryByteValueThroughGbk) {
    // Whatever bytes arrive, the result is a valid conversion and nothing is read
    // past the input (the sanitizer build checks the latter).
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    const Bytes gbk = ConvertCharset(B(all));
    const Bytes back = ConvertCharset(gbk, "GBK", "UTF-8", 3);
    // ASCII survives unchanged on both trips.
    ASSERT_GE(back.size(), 128u);
    EXPECT_EQ(TextFromBytes(back).substr(0, 128), all.substr(0, 128));
}

TEST(ConvertCharset, LargeChineseTextRoundTrips) {
    std::string utf8;
    for (int i = 0; i < 50000; ++i) {
        utf8 += "\xE6\x99\xA8\xE9\xB9\x8A";  // 晨鹊
    }
    const Bytes gbk = ConvertCharset(B(utf8));
    EXPECT_EQ(gbk.size(), 200000u);
    EXPECT_EQ(TextFromBytes(ConvertCharset(gbk, "GBK", "UTF-8", 3)), utf8);
}

}  // namespace
}  // namespace cq
