#pragma once

#include "text/types.h"

namespace cq {

// The cover is fetched on the window thread, which waits for it: the whole request
// gets this long. A 194 x 194 picture comes in within a few seconds even over a
// slow mobile link.
inline constexpr int kCoverTimeLimitMs = 8000;

// The cover picture of a playlist row: a plain GET with every default of the web
// module's direct request, within kCoverTimeLimitMs. Empty bytes when it fails.
Bytes FetchCover(const Text& url);

}  // namespace cq
