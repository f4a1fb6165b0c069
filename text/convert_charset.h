#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "text/types.h"

namespace cq {

// Re-encodes data from one charset to another through a text stream: written in
// binary, read as text in fromCharset, written as text in toCharset, read in binary
// from startOffset. Writing "UTF-8" puts a byte-order mark first, so a caller that
// wants bare UTF-8 passes startOffset 3. Empty charset names mean the defaults. Any
// failure, an unknown charset name among them, gives empty bytes.
Bytes ConvertCharset(const Bytes& data, std::string_view fromCharset = "UTF-8",
                     std::string_view toCharset = "GBK",
                     std::optional<std::int64_t> startOffset = std::nullopt);

}  // namespace cq
