#include "web/text_markers.h"

#include "text/gbk_search.h"
#include "text/text_basics.h"
#include "text/text_edit.h"

namespace cq {

namespace {

std::size_t StartIndex(int start) {
    return start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
}

// Texts are read up to their first zero byte.
std::string_view Terminated(std::string_view text) {
    return text.substr(0, TextLength(text));
}

// Lets callers write markers that hold double quotes.
Text WithQuotes(std::string_view marker) {
    return MultiReplace(Terminated(marker), std::nullopt, 1, true, {{"#引号", "\""}});
}

}  // namespace

Text TextBefore(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
    text = Terminated(text);
    const std::size_t p = FindText(text, Terminated(marker), StartIndex(start), ignoreCase);
    if (p == kNotFound) {
        return {};
    }
    return Text(text.substr(0, p));
}

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
    text = Terminated(text);
    const Text leftMarker = WithQuotes(left);
    const Text rightMarker = WithQuotes(right);
    const std::size_t p = FindText(text, leftMarker, StartIndex(start), ignoreCase);
    if (p == kNotFound) {
        return {};
    }
    const std::size_t c = p + leftMarker.size();
    const std::size_t q = FindTextResuming(text, rightMarker, p, c, ignoreCase);
    if (q == kNotFound) {
        return {};
    }
    return Text(text.substr(c, q - c));
}

}  // namespace cq
