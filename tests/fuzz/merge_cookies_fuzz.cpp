// MergeCookies with arbitrary cookie texts: the merged text holds no two equal
// items and no deleted cookie, every item comes from one of the two texts, and the
// sent text is replaced by the merge.
//
// Input: flags (1 amplify, 2 no sent text, 4 no received text), then the sent and
// the received cookie text.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "text/text_edit.h"
#include "web/merge_cookies.h"

namespace cq::fuzz {
namespace {

std::vector<Text> Items(std::string_view text) {
    std::vector<Text> items;
    const std::vector<bool> starts = CharacterStarts(text);
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t at = NaiveFind(text, "; ", begin, false, starts);
        if (at == kNotFound) {
            items.emplace_back(text.substr(begin));
            break;
        }
        items.emplace_back(text.substr(begin, at - begin));
        begin = at + 2;
    }
    return items;
}

bool EndsWithDeleted(std::string_view item) {
    return item.ends_with("=deleted");
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::string_view sentField = in.Field();
    const std::string_view receivedField = in.Field();
    cq::Text sent = (flags & 1) != 0 ? Amplified(sentField) : cq::Text(sentField);
    cq::Text received = (flags & 1) != 0 ? Amplified(receivedField, 4096) : cq::Text(receivedField);
    const cq::Text sentBefore = sent;
    const cq::Text receivedBefore = received;

    cq::Text* sentArg = (flags & 2) != 0 ? nullptr : &sent;
    cq::Text* receivedArg = (flags & 4) != 0 ? nullptr : &received;
    const cq::Text merged = cq::MergeCookies(sentArg, receivedArg);

    const std::vector<cq::Text> items = Items(merged);
    std::vector<cq::Text> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    Require(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end(),
            "no two items of the merge are equal");
    Require(std::none_of(items.begin(), items.end(), EndsWithDeleted),
            "no item of the merge is a deleted cookie");
    if (sentArg != nullptr) {
        Require(sent == merged, "the sent text becomes the merge");
    }
    if (receivedArg != nullptr) {
        const cq::Text trimmed = cq::TrimText(receivedBefore);
        Require(received == trimmed || received == trimmed + " ",
                "the received text is only trimmed");
    }
    std::vector<cq::Text> given = Items(cq::TrimText(sentArg ? sentBefore : cq::Text()) + "; " +
                                        cq::TrimText(receivedArg ? receivedBefore : cq::Text()));
    for (const cq::Text& item : items) {
        bool found = false;
        for (const cq::Text& source : given) {
            // A given item may have carried the ";" that ends a text.
            found = found || source == item || source == item + ";";
        }
        Require(found, "every item of the merge is an item given");
    }
    return 0;
}
