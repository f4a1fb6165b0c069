#include "text/text_basics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace cq {

std::size_t TextLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const void* zero = std::memchr(text.data(), '\0', text.size());
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text.data())
                : text.size();
}

Text ConcatTexts(std::initializer_list<std::string_view> texts) {
    std::size_t total = 0;
    for (std::string_view t : texts) {
        total += t.size();
    }
    Text joined;
    joined.reserve(total);
    for (std::string_view t : texts) {
        joined += t;
    }
    return joined;
}

int CompareTexts(std::string_view a, std::string_view b) {
    // string_view compares as unsigned char through char_traits<char>.
    const int c = a.compare(b);
    return (c > 0) - (c < 0);
}

std::size_t ArraySize(const std::vector<Text>& list) {
    return list.size();
}

int CompareBytes(std::span<const std::uint8_t> p, std::span<const std::uint8_t> q, std::size_t n) {
    const std::size_t common = std::min({n, p.size(), q.size()});
    if (common > 0) {
        const int c = std::memcmp(p.data(), q.data(), common);
        if (c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    if (common == n) {
        return 0;
    }
    const std::size_t pn = std::min(n, p.size());
    const std::size_t qn = std::min(n, q.size());
    return pn < qn ? -1 : (pn > qn ? 1 : 0);
}

Bytes ConcatBytes(std::initializer_list<std::span<const std::uint8_t>> arrays) {
    Bytes joined;
    for (auto a : arrays) {
        joined.insert(joined.end(), a.begin(), a.end());
    }
    return joined;
}

std::int64_t TruncateToInt64(double value) {
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double kLimit = 9223372036854775808.0;
    if (std::isnan(value) || value >= kLimit || value < -kLimit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(std::trunc(value));
}

}  // namespace cq
