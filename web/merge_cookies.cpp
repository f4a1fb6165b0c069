#include "web/merge_cookies.h"

#include <unordered_set>

#include "text/gbk_search.h"
#include "text/text_edit.h"

namespace cq {

namespace {

constexpr std::string_view kItemSeparator = "; ";
constexpr std::string_view kDeletedMark = "=deleted";

// Trimmed, and a trailing ";" given its space so that splitting at "; " sees it.
Text Normalised(std::string_view cookieText) {
    Text text = TrimText(cookieText);
    if (!text.empty() && text.back() == ';') {
        text += ' ';
    }
    return text;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

Text CookieName(std::string_view item) {
    const std::size_t eq = FindText(item, "=");
    return TrimText(eq == kNotFound ? item : item.substr(0, eq));
}

bool HasCookieNamed(const std::vector<Text>& items, std::string_view name) {
    for (const Text& item : items) {
        if (CookieName(item) == name) {
            return true;
        }
    }
    return false;
}

int FindItem(const std::vector<Text>& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

Text RemoveDuplicateItems(std::string_view text, std::string_view separator) {
    // A set rather than FindItem over the kept items: a response may set tens of
    // thousands of cookies, and the merge must stay linear in their number.
    std::unordered_set<Text> kept;
    Text result;
    for (Text& item : SplitText(text, separator)) {
        if (kept.contains(item)) {
            continue;
        }
        result += item;
        result += separator;
        kept.insert(std::move(item));
    }
    result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
    return result;
}

Text MergeCookies(Text* sent, Text* received) {
    Text sentText = Normalised(sent != nullptr ? *sent : Text());
    Text receivedText = Normalised(received != nullptr ? *received : Text());
    if (received != nullptr) {
        *received = receivedText;
    }

    // The response's cookies win; a sent cookie stays only while no item of its
    // name is in the list yet.
    std::vector<Text> merged = SplitText(receivedText, kItemSeparator);
    std::unordered_set<Text> names;
    for (const Text& item : merged) {
        names.insert(CookieName(item));
    }
    for (Text& old : SplitText(sentText, kItemSeparator)) {
        if (names.insert(CookieName(old)).second) {
            merged.push_back(std::move(old));
        }
    }

    Text joined;
    for (const Text& item : merged) {
        if (EndsWith(item, kDeletedMark)) {
            continue;
        }
        joined += item;
        joined += kItemSeparator;
    }
    if (!joined.empty()) {
        joined.resize(joined.size() - kItemSeparator.size());
    }
    Text result = RemoveDuplicateItems(joined, kItemSeparator);
    if (sent != nullptr) {
        *sent = result;
    }
    return result;
}

}  // namespace cq
