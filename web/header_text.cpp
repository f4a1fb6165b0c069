#include "web/header_text.h"

#include "text/gbk_search.h"
#include "text/text_edit.h"
#include "web/text_markers.h"

namespace cq {

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

Text CapitalizeFirst(std::string_view text) {
    Text result(text);
    if (!result.empty()) {
        result[0] = UpperAscii(result[0]);
    }
    return result;
}

Text CapitalizeHeaderNames(std::string_view headerText) {
    Text result;
    bool first = true;
    for (const Text& piece : SplitText(headerText, "\r\n")) {
        const std::size_t colon = FindText(piece, ":");
        if (colon == kNotFound) {
            continue;
        }
        // CapitalizeFirst of every "-"-separated word of the name. "-" is never
        // part of a multi-byte character, so the byte after it starts a character.
        Text line = piece;
        for (std::size_t i = 0; i < colon; ++i) {
            if (i == 0 || line[i - 1] == '-') {
                line[i] = UpperAscii(line[i]);
            }
        }
        if (!first) {
            result += "\r\n";
        }
        result += line;
        first = false;
    }
    return result;
}

Text Base64Encode(const Bytes& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Text out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        const unsigned v = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

Text HeaderName(std::string_view line) {
    const std::size_t colon = FindText(line, ":");
    if (colon == kNotFound) {
        return {};
    }
    return TrimText(line.substr(0, colon));
}

Text HeaderValue(std::string_view line) {
    const std::size_t colon = FindText(line, ":");
    if (colon == kNotFound) {
        return {};
    }
    return TrimText(line.substr(colon + 1));
}

Text CollectResponseCookies(std::string_view responseHeaders) {
    Text result;
    for (const Text& piece : SplitText(responseHeaders, "\r\n")) {
        if (TextBefore(piece, ": ") != "Set-Cookie") {
            continue;
        }
        Text value;
        if (FindText(piece, ";") == kNotFound) {
            value = TrimText(MultiReplace(piece, std::nullopt, 1, false, {{"Set-Cookie:", ""}}));
        } else {
            // The cookie itself, up to its first attribute.
            value = TrimText(TextBetween(piece, "Set-Cookie:", ";"));
        }
        result += value;
        result += "; ";
    }
    if (result.size() >= 2 && result.compare(result.size() - 2, 2, "; ") == 0) {
        result.resize(result.size() - 2);
    }
    return result;
}

}  // namespace cq
