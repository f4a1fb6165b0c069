#include <gtest/gtest.h>

#include "web/merge_cookies.h"

namespace cq {
namespace {

struct MergeCase {
    std::string sent;
    std::string received;
    std::string merged;
};

TEST(MergeCookiesTest, ResponseCookiesReplaceSentOnesOfTheSameName) {
    const MergeCase cases[] = {
        {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        {"a=1; b=2", "b=deleted", "a=1"},
        {"x=deleted; a=1", "", "a=1"},
        {"a=1;", "", "a=1"},
        {"a=1; a=2", "", "a=1"},
        {"", "a=1; a=2", "a=1; a=2"},
        {"", "a=1; a=1", "a=1"},
        {"A=1", "a=2", "a=2; A=1"},
        {"a =1", "a=2", "a=2"},
        {"flag", "flag=1", "flag=1"},
        {"a=1; ; b=2", "", "a=1; ; b=2"},
        {"", "", ""},
        {"a=deleted", "", ""},
        {"  a=1  ",
         "\xA1\xA1"
         "b=2;",
         "b=2; a=1"},
    };
    for (const auto& c : cases) {
        Text sent = c.sent;
        Text received = c.received;
        EXPECT_EQ(MergeCookies(&sent, &received), c.merged)
            << "sent " << c.sent << " received " << c.received;
        EXPECT_EQ(sent, c.merged) << "sent " << c.sent;
    }
}

TEST(MergeCookiesTest, LeavesTheTrimmedFormInReceived) {
    Text sent = "a=1";
    Text received = "  b=2;  ";
    MergeCookies(&sent, &received);
    EXPECT_EQ(received, "b=2; ");
    EXPECT_EQ(sent, "b=2; a=1");
}

TEST(CookieHelpersTest, NamesItemsAndDuplicates) {
    EXPECT_EQ(CookieName(" a = 1"), "a");
    EXPECT_EQ(CookieName("flag "), "flag");
    EXPECT_EQ(CookieName("k=v=w"), "k");
    EXPECT_TRUE(HasCookieNamed({"x=1", "a =2"}, "a"));
    EXPECT_FALSE(HasCookieNamed({"A=1"}, "a"));
    EXPECT_EQ(FindItem({"a", "b", "b"}, "b"), 2);
    EXPECT_EQ(FindItem({"a"}, "c"), -1);
    EXPECT_EQ(FindItem({}, ""), -1);
    EXPECT_EQ(RemoveDuplicateItems("a; b; a; c; b", "; "), "a; b; c");
    EXPECT_EQ(RemoveDuplicateItems("a,,a,", ","), "a,");
    EXPECT_EQ(RemoveDuplicateItems("", ", "), "");
}

}  // namespace
}  // namespace cq
