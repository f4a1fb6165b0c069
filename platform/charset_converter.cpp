#include "platform/charset_converter.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace cq::platform {

namespace {

iconv_t Handle(void* cd) {
    return static_cast<iconv_t>(cd);
}

std::string IconvNameOfCodePage(unsigned codePage) {
    switch (codePage) {
        case 936:
            // GB18030 is byte for byte GBK for every GBK character and holds the rest
            // of Unicode too, so nothing a server sends is lost on the way to GBK.
            return "GB18030";
        case 65001:
            return "UTF-8";
        default:
            return "CP" + std::to_string(codePage);
    }
}

}  // namespace

CharsetConverter::CharsetConverter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}

CharsetConverter::~CharsetConverter() {
    if (valid()) {
        iconv_close(Handle(cd_));
    }
}

bool CharsetConverter::Convert(std::string_view in, std::string& out, std::string_view replacement,
                               std::size_t skip) {
    if (!valid()) {
        return false;
    }
    iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    if (skip == 0) {
        skip = 1;
    }

    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = out.size();
    // Most conversions between the code pages the program meets stay within twice
    // the input; growing on E2BIG handles the rest.
    out.resize(used + in.size() * 2 + 16);

    while (true) {
        char* dst = out.data() + used;
        std::size_t dstLeft = out.size() - used;
        const std::size_t r = srcLeft == 0
                                  ? iconv(Handle(cd_), nullptr, nullptr, &dst, &dstLeft)  // flush
                                  : iconv(Handle(cd_), &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<std::size_t>(-1)) {
            if (srcLeft == 0) {
                break;
            }
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        // EILSEQ: a sequence the source cannot decode or the target cannot hold.
        // EINVAL: a sequence cut short by the end of the input.
        if (out.size() - used < replacement.size()) {
            out.resize(out.size() + replacement.size() + 16);
        }
        if (!replacement.empty()) {
            std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
        }
        if (errno == EINVAL) {
            srcLeft = 0;
        } else {
            const std::size_t step = skip < srcLeft ? skip : srcLeft;
            src += step;
            srcLeft -= step;
        }
        if (srcLeft == 0) {
            iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);
            break;
        }
    }
    out.resize(used);
    return true;
}

std::u16string WideFromCodePage(std::string_view bytes, unsigned codePage) {
    CharsetConverter converter(IconvNameOfCodePage(codePage).c_str(), "UTF-16LE");
    std::string utf16;
    // U+FFFD in UTF-16LE; one per undecodable byte.
    converter.Convert(bytes, utf16, std::string_view("\xFD\xFF", 2), 1);
    std::u16string wide(utf16.size() / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                        (static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
    }
    return wide;
}

std::string CodePageFromWide(std::u16string_view wide, unsigned codePage) {
    std::string utf16(wide.size() * 2, '\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        utf16[2 * i] = static_cast<char>(wide[i] & 0xFF);
        utf16[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
    CharsetConverter converter("UTF-16LE", IconvNameOfCodePage(codePage).c_str());
    std::string out;
    // A lone surrogate, or a character the code page cannot hold, becomes "?".
    converter.Convert(utf16, out, "?", 2);
    return out;
}

}  // namespace cq::platform
