#pragma once

#include "text/types.h"

namespace cq {

// The cover picture of a playlist row: a plain GET with every default of the web
// module's direct request. Empty bytes when it fails.
Bytes FetchCover(const Text& url);

}  // namespace cq
