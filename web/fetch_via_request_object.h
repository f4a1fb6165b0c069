#pragma once

// The blocking HTTP request through the scriptable request object.

#include <optional>

#include "platform/http_request.h"
#include "text/types.h"

namespace cq {

// Fields in the order of the operation's parameters, so that designated
// initialisers read like the call: FetchViaRequestObject({.url = u, .method = 2}).
// Pointers are out (or in/out) parameters; null means not asked for.
struct FetchViaRequestObjectOptions {
    Text url{};
    int method = 0;  // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT
    Text postText{};
    // In/out, and "supplied" when not null: sent as the Cookie header, replaced by
    // the merged cookie text afterwards.
    Text* cookies = nullptr;
    Text* returnedCookies = nullptr;
    Text headers{};  // extra request header lines, CR LF separated
    Text* returnedHeaders = nullptr;
    int* statusCode = nullptr;
    bool noRedirect = false;
    Bytes postBytes{};       // sent instead of postText when not empty
    Text proxy{};            // "host:port"
    int timeoutSeconds = 0;  // 0 or less: 15 s; -1 keeps the object's own time-outs
    Text proxyUser{};
    Text proxyPassword{};
    std::optional<int> credentialTarget{};           // 1 proxy (default), 0 server
    platform::HttpRequest* requestObject = nullptr;  // use this object instead of a new one
    std::optional<bool> mergeCookies{};              // default true
    std::optional<bool> addDefaultHeaders{};         // default true
    std::optional<bool> capitalizeHeaderNames{};     // default true
};

// Returns the response body; empty bytes when the request failed (status 0). A URL
// holding a control character anywhere is never handed to the request object: the
// call fails as when Send fails (empty headers, status 0, cookies merged with none).
Bytes FetchViaRequestObject(const FetchViaRequestObjectOptions& options);

// The method text sent for a method number; numbers outside 0..7 give "GET".
const char* MethodText(int method);

}  // namespace cq
