#pragma once

// A thin owner of one iconv conversion that never stops at bad input: what the
// source cannot decode, or the target cannot hold, is written as a replacement.

#include <cstddef>
#include <string>
#include <string_view>

namespace cq::platform {

class CharsetConverter {
public:
    // from and to are iconv charset names. valid() is false when iconv does not know one.
    CharsetConverter(const char* from, const char* to);
    ~CharsetConverter();
    CharsetConverter(const CharsetConverter&) = delete;
    CharsetConverter& operator=(const CharsetConverter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<void*>(-1); }

    // Appends the conversion of `in` to `out`. Where a sequence cannot be converted,
    // `replacement` (bytes already in the target charset) is written and `skip`
    // source bytes are stepped over; a sequence cut short at the end is replaced
    // once. sizeHint is the expected size of the output in bytes (0: twice the input).
    // Returns false only when the converter is not valid.
    bool Convert(std::string_view in, std::string& out, std::string_view replacement,
                 std::size_t skip, std::size_t sizeHint = 0);
    // The same into code units of the machine's UTF-32 ("UTF-32LE" or "UTF-32BE" targets).
    bool Convert(std::string_view in, std::u32string& out, std::string_view replacement,
                 std::size_t skip, std::size_t sizeHint = 0);

private:
    void* cd_;
};

// Code pages by number: 936 (GBK, served by GB18030), 65001 (UTF-8), others as
// iconv's "CP<n>". Undecodable bytes become U+FFFD; characters the code page cannot
// hold become "?". The whole input is converted, zero bytes included.
std::u16string WideFromCodePage(std::string_view bytes, unsigned codePage);
std::string CodePageFromWide(std::u16string_view wide, unsigned codePage);

}  // namespace cq::platform
