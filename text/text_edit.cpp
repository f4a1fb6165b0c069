#include "text/text_edit.h"

#include "text/gbk_search.h"

namespace cq {

namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

}  // namespace

Text TrimText(std::string_view text) {
    while (true) {
        if (text.starts_with(' ')) {
            text.remove_prefix(1);
        } else if (text.starts_with(kFullWidthSpace)) {
            text.remove_prefix(kFullWidthSpace.size());
        } else {
            break;
        }
    }
    while (text.ends_with(' ')) {
        // A space is never part of a multi-byte character.
        text.remove_suffix(1);
    }
    if (text.ends_with(kFullWidthSpace)) {
        // A1 A1 at the end may be the trail byte of one character and the lead byte
        // of another; only one walk over the characters tells, and it finds the end
        // of the last one that is no space of either kind at the same time.
        std::size_t end = 0;
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t length = GbkCharLength(text, pos);
            const std::string_view character = text.substr(pos, length);
            pos += length;
            if (character != " " && character != kFullWidthSpace) {
                end = pos;
            }
        }
        text = text.substr(0, end);
    }
    return Text(text);
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator) {
    std::vector<Text> items;
    if (text.empty()) {
        return items;
    }
    if (separator.empty()) {
        items.emplace_back(text);
        return items;
    }
    std::size_t begin = 0;
    std::size_t boundary = 0;
    while (begin < text.size()) {
        const std::size_t found = FindTextResuming(text, separator, boundary, begin);
        if (found == kNotFound) {
            items.emplace_back(text.substr(begin));
            break;
        }
        items.emplace_back(text.substr(begin, found - begin));
        begin = found + separator.size();
        boundary = found;
    }
    return items;
}

Text TextAfter(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
    std::size_t found = kNotFound;
    if (start == 0) {
        found = FindTextBackward(text, marker, kNotFound, ignoreCase);
    } else if (start > 0) {
        // Backward from 1-based position length - start + 1.
        if (static_cast<std::size_t>(start) <= text.size()) {
            found = FindTextBackward(text, marker, text.size() - static_cast<std::size_t>(start),
                                     ignoreCase);
        }
    } else {
        // Forward from 1-based position -start.
        const std::size_t from = static_cast<std::size_t>(-(static_cast<long long>(start))) - 1;
        found = FindText(text, marker, from, ignoreCase);
    }
    if (found == kNotFound) {
        return {};
    }
    return Text(text.substr(found + marker.size()));
}

Text MultiReplace(std::string_view text, std::optional<int> count, int start, bool caseSensitive,
                  std::span<const Replacement> pairs) {
    Text current(text);
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    for (const Replacement& pair : pairs) {
        if (pair.search.empty() || from >= current.size()) {
            continue;
        }
        Text next;
        next.reserve(current.size());
        std::size_t copied = 0;
        std::size_t pos = from;
        std::size_t boundary = 0;
        int replaced = 0;
        while (!count || *count < 0 || replaced < *count) {
            const std::size_t found =
                FindTextResuming(current, pair.search, boundary, pos, !caseSensitive);
            if (found == kNotFound) {
                break;
            }
            next.append(current, copied, found - copied);
            next += pair.replacement;
            copied = pos = found + pair.search.size();
            boundary = found;
            ++replaced;
        }
        next.append(current, copied);
        current = std::move(next);
    }
    return current;
}

}  // namespace cq
