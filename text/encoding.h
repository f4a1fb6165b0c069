#pragma once

// Conversions between GBK, UTF-16 and UTF-8, and percent-escaping for URLs and
// form bodies. Code page 936 is GBK (served by GB18030), 65001 is UTF-8. Bytes that
// cannot be decoded become U+FFFD; characters the target cannot hold become "?".

#include <string_view>

#include "text/types.h"

namespace cq {

inline constexpr unsigned kCodePageGbk = 936;
inline constexpr unsigned kCodePageUtf8 = 65001;

// UTF-16LE code units of the bytes up to the first zero byte, followed by one zero
// code unit; empty when there is nothing before the first zero byte.
Bytes Utf16FromCodePage(const Bytes& bytes, unsigned codePage);

// Bytes in the code page of the UTF-16LE code units up to the first zero unit,
// without a terminator. Two zero bytes are appended first, so a trailing odd byte
// b counts as the unit 0x00bb.
Bytes CodePageFromUtf16(const Bytes& utf16, unsigned codePage);

// CodePageFromUtf16 with codePage (or the system code page, GBK, when useCodePage
// is false), read as a text up to the first zero byte.
Text TextFromUtf16(const Bytes& utf16, unsigned codePage, bool useCodePage);

Bytes Utf16FromGbk(std::string_view text, bool cutAtTerminator = false);
Text Utf8FromGbk(std::string_view text);
Bytes Utf8BytesFromGbk(std::string_view text);

// The reverse direction, for texts that arrive as UTF-8 (the window, the script engine).
Text GbkFromUtf8(std::string_view utf8);

Text PercentEscape(const Bytes& bytes, bool keepUnreserved);
Text PercentEscapeText(std::string_view text, bool keepUnreserved = false, bool utf8 = false);

}  // namespace cq
