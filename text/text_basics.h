#pragma once

// The basic conventions every module relies on when it joins, measures and
// compares texts and bytes.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "text/types.h"

namespace cq {

// Bytes before the first zero byte (a Text is read as a zero-terminated string).
std::size_t TextLength(std::string_view text);

// Always a new text; absent (empty) texts add nothing.
Text ConcatTexts(std::initializer_list<std::string_view> texts);

// Exact byte order: -1, 0 or 1. The shorter of two texts with a common prefix
// is the smaller.
int CompareTexts(std::string_view a, std::string_view b);

std::size_t ArraySize(const std::vector<Text>& list);

// Compares the first n bytes of p and q as unsigned values. A run shorter than n
// is never read past its end: where one ends first it is the smaller.
int CompareBytes(std::span<const std::uint8_t> p, std::span<const std::uint8_t> q, std::size_t n);

Bytes ConcatBytes(std::initializer_list<std::span<const std::uint8_t>> arrays);

// Truncates toward zero; NaN and values outside the 64-bit range give INT64_MIN.
std::int64_t TruncateToInt64(double value);

}  // namespace cq
