#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cq {

// Text in the program's code page (GBK; served by GB18030, which is byte for byte
// the same for every GBK character). An absent text and the empty text are the
// same value. A Text may carry zero bytes from the wire; operations that treat it
// as a zero-terminated string stop at the first one.
using Text = std::string;

// A length-counted run of bytes that may hold zero bytes (bodies, pictures).
using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesFromText(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Text TextFromBytes(const Bytes& bytes) {
    return Text(bytes.begin(), bytes.end());
}

}  // namespace cq
