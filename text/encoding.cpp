#include "text/encoding.h"

#include <cstdio>

#include "platform/charset_converter.h"
#include "text/text_basics.h"

namespace cq {

namespace {

std::string_view AsChars(const Bytes& bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes BytesFromWide(std::u16string_view wide, bool terminate) {
    Bytes bytes;
    bytes.reserve((wide.size() + 1) * 2);
    for (char16_t unit : wide) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (terminate) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

// The UTF-16LE code units before the first zero unit. The converter reads the bytes
// with two zero bytes appended, so a trailing odd byte b is the unit 0x00bb.
std::u16string WideUpToTerminator(const Bytes& utf16) {
    std::u16string wide;
    for (std::size_t i = 0; i < utf16.size(); i += 2) {
        const unsigned high = i + 1 < utf16.size() ? utf16[i + 1] : 0;
        const char16_t unit = static_cast<char16_t>(utf16[i] | (high << 8));
        if (unit == 0) {
            break;
        }
        wide.push_back(unit);
    }
    return wide;
}

bool IsUnreserved(std::uint8_t b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
           b == '\'' || b == '(' || b == ')' || b == '*' || b == '-' || b == '.' || b == '_';
}

}  // namespace

Bytes Utf16FromCodePage(const Bytes& bytes, unsigned codePage) {
    const std::string_view text = AsChars(bytes).substr(0, TextLength(AsChars(bytes)));
    if (text.empty()) {
        return {};
    }
    return BytesFromWide(platform::WideFromCodePage(text, codePage), true);
}

Bytes CodePageFromUtf16(const Bytes& utf16, unsigned codePage) {
    const std::u16string wide = WideUpToTerminator(utf16);
    if (wide.empty()) {
        return {};
    }
    const std::string converted = platform::CodePageFromWide(wide, codePage);
    return Bytes(converted.begin(), converted.end());
}

Text TextFromUtf16(const Bytes& utf16, unsigned codePage, bool useCodePage) {
    const Bytes converted = CodePageFromUtf16(utf16, useCodePage ? codePage : kCodePageGbk);
    const std::string_view chars = AsChars(converted);
    return Text(chars.substr(0, TextLength(chars)));
}

Bytes Utf16FromGbk(std::string_view text, bool cutAtTerminator) {
    Bytes utf16 = Utf16FromCodePage(BytesFromText(text), kCodePageGbk);
    if (cutAtTerminator) {
        std::size_t units = 0;
        while (units * 2 + 1 < utf16.size() && (utf16[units * 2] | utf16[units * 2 + 1]) != 0) {
            ++units;
        }
        utf16.resize(units * 2);
    }
    return utf16;
}

Text Utf8FromGbk(std::string_view text) {
    return TextFromUtf16(Utf16FromGbk(text), kCodePageUtf8, true);
}

Bytes Utf8BytesFromGbk(std::string_view text) {
    return CodePageFromUtf16(Utf16FromGbk(text), kCodePageUtf8);
}

Text GbkFromUtf8(std::string_view utf8) {
    return TextFromUtf16(Utf16FromCodePage(BytesFromText(utf8), kCodePageUtf8), kCodePageGbk, true);
}

Text PercentEscape(const Bytes& bytes, bool keepUnreserved) {
    Text escaped;
    escaped.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (b == 0) {
            continue;
        }
        if (keepUnreserved && IsUnreserved(b)) {
            escaped.push_back(static_cast<char>(b));
        } else if (b == ' ') {
            escaped.push_back('+');
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            escaped += hex;
        }
    }
    return escaped;
}

Text PercentEscapeText(std::string_view text, bool keepUnreserved, bool utf8) {
    return PercentEscape(utf8 ? Utf8BytesFromGbk(text) : BytesFromText(text), keepUnreserved);
}

}  // namespace cq
