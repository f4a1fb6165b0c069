#include "text/text_basics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace cq {
namespace {

TEST(CompareTexts, Table) {
    struct Case {
        std::string a, b;
        int expected;
    };
    const Case cases[] = {
        {"", "", 0},         {"a", "ab", -1}, {"ab", "a", 1},
        {"B", "a", -1},      {"a", "a", 0},   {"\xD6\xD0", "a", 1},  // bytes compare unsigned
        {"\x80", "\x7F", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareTexts(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(TextLength, StopsAtFirstZero) {
    EXPECT_EQ(TextLength(""), 0u);
    EXPECT_EQ(TextLength("abc"), 3u);
    EXPECT_EQ(TextLength(std::string("ab\0c", 4)), 2u);
}

TEST(ConcatTexts, EmptyPartsAddNothing) {
    EXPECT_EQ(ConcatTexts({}), "");
    EXPECT_EQ(ConcatTexts({"", ""}), "");
    EXPECT_EQ(ConcatTexts({"a", "", "\xD6\xD0", "b"}),
              "a\xD6\xD0"
              "b");
}

TEST(CompareBytes, Table) {
    const Bytes abc{'a', 'b', 'c'};
    const Bytes abd{'a', 'b', 'd'};
    const Bytes ab{'a', 'b'};
    const Bytes high{0xFF};
    EXPECT_EQ(CompareBytes(abc, abd, 3), -1);
    EXPECT_EQ(CompareBytes(abd, abc, 3), 1);
    EXPECT_EQ(CompareBytes(abc, abd, 2), 0);
    EXPECT_EQ(CompareBytes(abc, abd, 0), 0);
    EXPECT_EQ(CompareBytes(high, abc, 1), 1);
    // A count beyond a run never reads past it: the shorter run is the smaller.
    EXPECT_EQ(CompareBytes(ab, abc, 10), -1);
    EXPECT_EQ(CompareBytes(abc, ab, 10), 1);
    EXPECT_EQ(CompareBytes(ab, ab, 10), 0);
    EXPECT_EQ(CompareBytes({}, {}, 5), 0);
}

TEST(ConcatBytes, KeepsZeroBytes) {
    const Bytes a{1, 0};
    const Bytes b{};
    const Bytes c{0, 2};
    EXPECT_EQ(ConcatBytes({a, b, c}), (Bytes{1, 0, 0, 2}));
    EXPECT_TRUE(ConcatBytes({b, b}).empty());
}

TEST(ArraySize, CountsElements) {
    EXPECT_EQ(ArraySize({}), 0u);
    EXPECT_EQ(ArraySize({"", "a"}), 2u);
}

TEST(TruncateToInt64, Table) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        double value;
        std::int64_t expected;
    };
    const Case cases[] = {
        {2.5, 2},
        {-2.5, -2},
        {3.9, 3},
        {-3.9, -3},
        {0.0, 0},
        {1e15 + 0.5, 1000000000000000},
        {std::nan(""), kMin},
        {1e19, kMin},
        {-1e19, kMin},
        {std::numeric_limits<double>::infinity(), kMin},
        {-9223372036854775808.0, kMin},  // exactly the smallest value: fits
        {9223372036854775807.0, kMin},   // rounds to 2^63, which does not fit
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TruncateToInt64(c.value), c.expected) << c.value;
    }
}

}  // namespace
}  // namespace cq
