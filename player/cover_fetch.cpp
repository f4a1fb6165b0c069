#include "player/cover_fetch.h"

#include "web/fetch_via_wininet.h"

namespace cq {

Bytes FetchCover(const Text& url) {
    FetchViaWinInetOptions request;
    request.url = url;
    request.timeLimitMs = kCoverTimeLimitMs;
    return FetchViaWinInet(request);
}

}  // namespace cq
