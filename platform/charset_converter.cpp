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

namespace {

// Converts into any string of code units; the target charset must write whole units.
template <typename String>
bool ConvertInto(iconv_t cd, std::string_view in, String& out, std::string_view replacement,
                 std::size_t skip, std::size_t sizeHint) {
    constexpr std::size_t kUnit = sizeof(typename String::value_type);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    if (skip == 0) {
        skip = 1;
    }
    const auto capacity = [&out] { return out.size() * kUnit; };
    const auto grow = [&out](std::size_t bytes) { out.resize((bytes + kUnit - 1) / kUnit); };

    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = capacity();
    // Every byte reserved here is written once more by resize, so a good guess
    // saves a pass; growing on E2BIG handles a guess that was too small.
    grow(used + (sizeHint ? sizeHint : in.size() * 2 + 16));

    while (true) {
        char* dst = reinterpret_cast<char*>(out.data()) + used;
        std::size_t dstLeft = capacity() - used;
        const std::size_t r = srcLeft == 0 ? iconv(cd, nullptr, nullptr, &dst, &dstLeft)  // flush
                                           : iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = capacity() - dstLeft;
        if (r != static_cast<std::size_t>(-1)) {
            if (srcLeft == 0) {
                break;
            }
            continue;
        }
        if (errno == E2BIG) {
            grow(capacity() * 2 + 16);
            continue;
        }
        // EILSEQ: a sequence the source cannot decode or the target cannot hold.
        // EINVAL: a sequence cut short by the end of the input.
        if (capacity() - used < replacement.size()) {
            grow(capacity() + replacement.size() + 16);
        }
        if (!replacement.empty()) {
            std::memcpy(reinterpret_cast<char*>(out.data()) + used, replacement.data(),
                        replacement.size());
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
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            break;
        }
    }
    out.resize(used / kUnit);
    return true;
}

}  // namespace

bool CharsetConverter::Convert(std::string_view in, std::string& out, std::string_view replacement,
                               std::size_t skip, std::size_t sizeHint) {
    return valid() && ConvertInto(Handle(cd_), in, out, replacement, skip, sizeHint);
}

bool CharsetConverter::Convert(std::string_view in, std::u32string& out,
                               std::string_view replacement, std::size_t skip,
                               std::size_t sizeHint) {
    return valid() && ConvertInto(Handle(cd_), in, out, replacement, skip, sizeHint);
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
