#include <gtest/gtest.h>

#include "web/header_list.h"

namespace cq {
namespace {

constexpr const char* kChromeAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";

TEST(HeaderListTest, RendersTheCatalogueUserAgentWithoutLineBreak) {
    HeaderList list;
    list.Add("User-Agent", kChromeAgent);
    EXPECT_EQ(list.ToHeaderText(), std::string("User-Agent: ") + kChromeAgent);
}

TEST(HeaderListTest, RendersPairsInAllThreeForms) {
    HeaderList list;
    list.Add("A", "1");
    list.Add("B", "2");
    EXPECT_EQ(list.ToHeaderText(), "A: 1\r\nB: 2");
    EXPECT_EQ(list.ToQuery(), "A=1&B=2");
    EXPECT_EQ(list.ToJson(), "{\"A\":\"1\",\"B\":\"2\"}");

    HeaderList empty;
    EXPECT_EQ(empty.ToHeaderText(), "");
    EXPECT_EQ(empty.ToQuery(), "");
    EXPECT_EQ(empty.ToJson(), "{}");
}

TEST(HeaderListTest, DuplicateNamesActOnTheFirstPairOnly) {
    HeaderList list;
    list.Add("k", "1");
    list.Add("k", "2");
    EXPECT_EQ(list.Get("k"), "1");
    list.Set("k", "3");
    EXPECT_EQ(list.ToQuery(), "k=3&k=2");
    list.Remove("k");
    EXPECT_EQ(list.ToQuery(), "k=2");
    list.Remove("absent");
    list.Set("new", "v");
    EXPECT_EQ(list.ToQuery(), "k=2&new=v");
    EXPECT_EQ(list.Get("K"), "");  // names compare byte for byte
}

TEST(HeaderListTest, AddQuerySplitsAtAmpersands) {
    const std::pair<std::string, std::string> cases[] = {
        {"a=1&b=2", "a=1&b=2"},
        {"a=1&&b=2", "a=1&=&b=2"},  // the middle piece gives two empty
                                    // texts
        {"a=1&", "a=1"},
        {"k=x==", "k="},  // the value follows the last "="
        {"a=b=c", "a=c"},
        {"novalue", "="},
        {"", ""},
        {"名=值&x=中", "名=值&x=中"},
    };
    for (const auto& [query, rendered] : cases) {
        HeaderList list;
        list.AddQuery(query);
        EXPECT_EQ(list.ToQuery(), rendered) << query;
    }
    HeaderList list;
    list.AddQuery("a=1&&b=2");
    EXPECT_EQ(list.Count(), 3u);
}

TEST(HeaderListTest, EscapesQueriesAndHeaderValues) {
    HeaderList list;
    list.Add("q s", "a b*'()-._~!中");
    EXPECT_EQ(list.ToQuery(true), "q+s=a+b*'()-._%7E%21%D6%D0");
    EXPECT_EQ(list.ToHeaderText(true), "q s: a+b*'()-._%7E%21%D6%D0");

    HeaderList utf8;
    utf8.Add("k", "中", true);
    EXPECT_EQ(utf8.Get("k"), "\xE4\xB8\xAD");
    EXPECT_EQ(utf8.ToQuery(true), "k=%E4%B8%AD");
}

TEST(HeaderListTest, JsonEscapesOnlyQuotesOfValues) {
    HeaderList list;
    list.Add("n\"x", "say \"hi\"");
    EXPECT_EQ(list.ToJson(), "{\"n\"x\":\"say \\\"hi\\\"\"}");
    EXPECT_EQ(HeaderList::EscapeQuotes("\"a\"\\"), "\\\"a\\\"\\");
}

TEST(HeaderListTest, TrimAffixCutsOnceAtEachEnd) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"ab,", ",", "ab"},
        {",a,", ",", "a"},
        {",", ",", ""},
        {",,a,,", ",", ",a,"},
        {"abc", "", "abc"},
        {"xyx", "xy", "x"},
        // "\\" as the trail byte of the last character is not an affix.
        {"a\x81\\", "\\", "a\x81\\"},
    };
    for (const auto& [in, affix, out] : cases) {
        Text text = in;
        EXPECT_EQ(HeaderList::TrimAffix(&text, affix), out) << in;
        EXPECT_EQ(text, out) << in;
    }
}

TEST(HeaderListTest, CloneCopiesAndListsComeBackWhole) {
    HeaderList list;
    list.Add("a", "1");
    list.Add("b", "2");
    HeaderList copy = list.Clone();
    list.Clear();
    EXPECT_EQ(list.ToQuery(), "");
    EXPECT_EQ(copy.ToQuery(), "a=1&b=2");

    std::vector<Text> names = {"old", "stuff", "here"};
    std::vector<Text> values;
    EXPECT_EQ(copy.GetNames(names), (std::vector<Text>{"a", "b"}));
    EXPECT_EQ(copy.GetValues(values), (std::vector<Text>{"1", "2"}));
    EXPECT_EQ(names, (std::vector<Text>{"a", "b"}));
}

}  // namespace
}  // namespace cq
