// Searches, splits, replacements and trims over texts made of the bytes where
// character boundaries are easy to get wrong (lead bytes, trail bytes, the digits
// of four-byte sequences, line ends, separators), checked against a model that
// finds every boundary by walking the whole text from its first byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "text/gbk_search.h"
#include "text/text_edit.h"

namespace cq {
namespace {

constexpr unsigned char kAlphabet[] = {'a',  'A',  'x',  '0',  '9',  ':',  ';',  ' ',  '\r',
                                       '\n', '=',  '@',  '~',  0x7F, 0x80, 0x81, 0xA1, 0xB0,
                                       0xD0, 0xD6, 0xFE, 0xFF, 0x30, 0x39, 0x40};

std::string RandomText(std::mt19937& random, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 1);
    std::string text(length(random), '\0');
    for (char& c : text) {
        c = static_cast<char>(kAlphabet[pick(random)]);
    }
    return text;
}

// A marker that often occurs: a piece of the text itself, or a short random one.
std::string RandomMarker(std::mt19937& random, const std::string& text) {
    std::uniform_int_distribution<int> coin(0, 2);
    std::uniform_int_distribution<std::size_t> size(1, 4);
    if (coin(random) != 0 && !text.empty()) {
        std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
        return text.substr(at(random), size(random));
    }
    return RandomText(random, 3);
}

class Model {
public:
    explicit Model(std::string_view text) : text_(text), boundary_(text.size() + 1, false) {
        for (std::size_t pos = 0; pos < text.size(); pos += GbkCharLength(text, pos)) {
            boundary_[pos] = true;
        }
        boundary_[text.size()] = true;
    }

    bool IsBoundary(std::size_t pos) const { return pos < boundary_.size() && boundary_[pos]; }

    bool MatchesAt(std::size_t pos, std::string_view marker, bool ignoreCase) const {
        if (marker.size() > text_.size() - pos) {
            return false;
        }
        for (std::size_t i = 0; i < marker.size(); ++i) {
            char a = text_[pos + i];
            char b = marker[i];
            if (ignoreCase) {
                a = (a >= 'A' && a <= 'Z') ? static_cast<char>(a + 32) : a;
                b = (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 32) : b;
            }
            if (a != b) {
                return false;
            }
        }
        return true;
    }

    std::size_t Find(std::string_view marker, std::size_t from, bool ignoreCase) const {
        for (std::size_t pos = from; !marker.empty() && pos < text_.size(); ++pos) {
            if (IsBoundary(pos) && MatchesAt(pos, marker, ignoreCase)) {
                return pos;
            }
        }
        return kNotFound;
    }

    std::size_t FindBackward(std::string_view marker, std::size_t lastStart,
                             bool ignoreCase) const {
        std::size_t found = kNotFound;
        for (std::size_t pos = 0; !marker.empty() && pos < text_.size() && pos <= lastStart;
             ++pos) {
            if (IsBoundary(pos) && MatchesAt(pos, marker, ignoreCase)) {
                found = pos;
            }
        }
        return found;
    }

    std::vector<Text> Split(std::string_view separator) const {
        std::vector<Text> items;
        std::size_t begin = 0;
        while (begin < text_.size()) {
            const std::size_t found = Find(separator, begin, false);
            items.emplace_back(text_.substr(begin, found == kNotFound ? kNotFound : found - begin));
            if (found == kNotFound) {
                break;
            }
            begin = found + separator.size();
        }
        return items;
    }

    Text Replace(std::string_view search, std::string_view replacement, std::size_t from, int count,
                 bool ignoreCase) const {
        if (search.empty()) {
            return Text(text_);
        }
        Text out(text_.substr(0, std::min(from, text_.size())));
        std::size_t pos = from;
        for (int done = 0; pos < text_.size(); ++pos) {
            if ((count < 0 || done < count) && IsBoundary(pos) &&
                MatchesAt(pos, search, ignoreCase)) {
                out += replacement;
                pos += search.size() - 1;
                ++done;
            } else {
                out += text_[pos];
            }
        }
        return out;
    }

    Text Trim() const {
        std::size_t begin = 0;
        std::size_t end = text_.size();
        while (begin < end) {
            if (text_[begin] == ' ') {
                begin += 1;
            } else if (MatchesAt(begin, "\xA1\xA1", false) && begin + 2 <= end) {
                begin += 2;
            } else {
                break;
            }
        }
        while (end > begin) {
            if (text_[end - 1] == ' ') {
                end -= 1;
            } else if (end - begin >= 2 && IsBoundary(end - 2) &&
                       MatchesAt(end - 2, "\xA1\xA1", false)) {
                end -= 2;
            } else {
                break;
            }
        }
        return Text(text_.substr(begin, end - begin));
    }

private:
    std::string_view text_;
    std::vector<bool> boundary_;
};

TEST(GbkBoundaries, SearchesFromEveryStartAgreeWithAWalkFromTheFirstByte) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random, 40);
        const std::string marker = RandomMarker(random, text);
        const Model model(text);
        for (const bool ignoreCase : {false, true}) {
            for (std::size_t from = 0; from <= text.size() + 1; ++from) {
                ASSERT_EQ(FindText(text, marker, from, ignoreCase),
                          model.Find(marker, from, ignoreCase))
                    << testing::PrintToString(text) << " " << testing::PrintToString(marker)
                    << " from " << from;
                ASSERT_EQ(FindTextBackward(text, marker, from, ignoreCase),
                          model.FindBackward(marker, from, ignoreCase))
                    << testing::PrintToString(text) << " " << testing::PrintToString(marker)
                    << " last start " << from;
            }
        }
    }
}

TEST(GbkBoundaries, ResumingFromAnyKnownBoundaryFindsTheSame) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = RandomText(random, 40);
        const std::string marker = RandomMarker(random, text);
        const Model model(text);
        for (std::size_t boundary = 0; boundary <= text.size(); ++boundary) {
            if (!model.IsBoundary(boundary)) {
                continue;
            }
            for (std::size_t from = boundary; from <= text.size(); ++from) {
                ASSERT_EQ(FindTextResuming(text, marker, boundary, from),
                          model.Find(marker, from, false))
                    << testing::PrintToString(text) << " " << testing::PrintToString(marker)
                    << " boundary " << boundary << " from " << from;
            }
        }
    }
}

TEST(GbkBoundaries, SplitReplaceAndTrimAgreeWithTheModel) {
    std::mt19937 random(42);
    for (int round = 0; round < 5000; ++round) {
        const std::string text = RandomText(random, 60);
        const std::string marker = RandomMarker(random, text);
        const Model model(text);
        SCOPED_TRACE(testing::PrintToString(text) + " " + testing::PrintToString(marker));
        ASSERT_EQ(SplitText(text, marker), model.Split(marker));
        ASSERT_EQ(TrimText(text), model.Trim());
        for (const int start : {0, 1, 2, 5}) {
            for (const int count : {-1, 1, 2}) {
                const std::optional<int> limit =
                    count < 0 ? std::nullopt : std::optional<int>(count);
                for (const bool caseSensitive : {false, true}) {
                    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
                    ASSERT_EQ(MultiReplace(text, limit, start, caseSensitive, {{marker, "<>"}}),
                              model.Replace(marker, "<>", from, count, !caseSensitive))
                        << "start " << start << " count " << count;
                }
            }
        }
    }
}

// A long text of the same shapes, as a hostile server would send: every piece of
// a split, and every replacement, lands where the walk from the first byte puts it.
TEST(GbkBoundaries, LongTextsSplitAndReplaceLikeShortOnes) {
    std::mt19937 random(3);
    std::string text;
    while (text.size() < (256u << 10)) {
        text += RandomText(random, 30);
        text += "\r\n";
    }
    const Model model(text);
    EXPECT_EQ(SplitText(text, "\r\n"), model.Split("\r\n"));
    EXPECT_EQ(SplitText(text, "\xD6"), model.Split("\xD6"));
    EXPECT_EQ(MultiReplace(text, std::nullopt, 1, false, {{"a", "bb"}}),
              model.Replace("a", "bb", 0, -1, true));
    EXPECT_EQ(MultiReplace(text, std::nullopt, 1, true, {{"\xA1\xA1", "_"}}),
              model.Replace("\xA1\xA1", "_", 0, -1, false));
    EXPECT_EQ(FindTextBackward(text, "\r\n"), model.FindBackward("\r\n", kNotFound, false));
    const std::string padded = " \xA1\xA1" + text + " \xA1\xA1 \xA1\xA1";
    EXPECT_EQ(TrimText(padded), Model(padded).Trim());
}

}  // namespace
}  // namespace cq
