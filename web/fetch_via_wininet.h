#pragma once

// The blocking HTTP request over the WinINet-like handle set (cover pictures).

#include <optional>
#include <string_view>

#include "text/types.h"

namespace cq {

struct FetchViaWinInetOptions {
    Text url{};
    int method = 0;  // as for FetchViaRequestObject
    Text postText{};
    // When supplied, the process-wide cookie store is off for this request and these
    // cookies are sent instead; never changed by the call.
    std::optional<Text> cookies{};
    Text* returnedCookies = nullptr;
    Text headers{};
    Text* returnedHeaders = nullptr;  // raw: status line first, then the header lines
    bool noRedirect = false;
    // In/out: when empty and the method is not GET it receives the bytes of postText.
    Bytes* postBytes = nullptr;
    Text proxy{};                                 // "host:port"
    std::optional<bool> mergeCookies{};           // default true
    std::optional<bool> addDefaultHeaders{};      // default true
    std::optional<bool> capitalizeHeaderNames{};  // default true
    bool useSocks = false;
    // The whole exchange (connecting, sending and receiving together) in
    // milliseconds; 0 leaves only the handles' own limits on each phase.
    int timeLimitMs = 0;
};

// A URL without a scheme is taken for an http URL; one that names any scheme
// but http or https, or holds a control character anywhere, gives the empty
// result, with nothing requested or written.
Bytes FetchViaWinInet(const FetchViaWinInetOptions& options);

// Lower-cased host of a URL (a URL without a scheme counts as http), without the
// port unless keepPort.
Text HostOfUrl(std::string_view url, bool keepPort = false);
// The explicit port, else 443 for https and 80 for everything else.
int PortOfUrl(std::string_view url);
// From the first "/" after the host to the end, query included; "/" when none.
Text PathOfUrl(std::string_view url);

}  // namespace cq
