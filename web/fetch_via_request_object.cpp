#include "web/fetch_via_request_object.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "text/gbk_search.h"
#include "text/text_edit.h"
#include "web/header_text.h"
#include "web/merge_cookies.h"
#include "web/request_headers.h"

namespace cq {

namespace {

constexpr int kProxySettingProxy = 2;
constexpr int kOptionSslErrorIgnoreFlags = 4;
constexpr int kOptionEnableRedirects = 6;
constexpr long kSslErrorIgnoreAll = 0x3300;
constexpr long kDefaultTimeoutMs = 15000;

long TimeoutMs(int timeoutSeconds) {
    if (timeoutSeconds < 1) {
        return kDefaultTimeoutMs;
    }
    // Large values are kept from overflowing; a day is "no practical limit".
    return std::min<long>(timeoutSeconds, 86400) * 1000;
}

void SendHeaderLines(platform::HttpRequest& request, const Text& headerText) {
    if (FindText(headerText, "\r\n") == kNotFound) {
        // One line goes as it is, even empty; the object refuses what it cannot use.
        request.SetRequestHeader(HeaderName(headerText), HeaderValue(headerText));
        return;
    }
    for (const Text& piece : SplitText(headerText, "\r\n")) {
        if (piece.empty()) {
            continue;
        }
        const Text name = HeaderName(piece);
        const Text value = HeaderValue(piece);
        // The object manages its own connections.
        if (name == "Connection" && value == "keep-alive") {
            continue;
        }
        request.SetRequestHeader(name, value);
    }
}

// The cookie text as it is sent: a caller's "Cookie:" in it goes, as the object
// names the header itself.
void DropCookieMarker(Text* cookies) {
    if (!cookies->empty() && FindText(*cookies, "Cookie:", 0, true) != kNotFound) {
        *cookies = MultiReplace(*cookies, std::nullopt, 1, false, {{"Cookie:", ""}});
    }
}

// Writes what the response left into the caller's out parameters and returns the body.
Bytes HandBack(const FetchViaRequestObjectOptions& options, Bytes body, const Text& responseHeaders,
               long status) {
    if (options.returnedHeaders != nullptr) {
        *options.returnedHeaders = responseHeaders;
    }
    if (options.statusCode != nullptr) {
        *options.statusCode = static_cast<int>(status);
    }
    Text returnedCookies = CollectResponseCookies(responseHeaders);
    if (options.mergeCookies.value_or(true) && options.cookies != nullptr) {
        returnedCookies = MergeCookies(options.cookies, &returnedCookies);
    }
    if (options.returnedCookies != nullptr) {
        *options.returnedCookies = returnedCookies;
    }
    return body;
}

}  // namespace

const char* MethodText(int method) {
    static constexpr const char* kMethods[] = {"GET",     "POST",   "HEAD",  "PUT",
                                               "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return (method >= 0 && method <= 7) ? kMethods[method] : kMethods[0];
}

Bytes FetchViaRequestObject(const FetchViaRequestObjectOptions& options) {
    const bool addDefaultHeaders = options.addDefaultHeaders.value_or(true);
    const bool capitalizeHeaderNames = options.capitalizeHeaderNames.value_or(true);
    const int method = (options.method >= 0 && options.method <= 7) ? options.method : 0;

    if (web_detail::HoldsControlCharacter(options.url)) {
        // Never handed to any object: the request fails as one whose Send failed.
        if (options.cookies != nullptr) {
            DropCookieMarker(options.cookies);
        }
        return HandBack(options, {}, {}, 0);
    }

    std::unique_ptr<platform::HttpRequest> ownRequest;
    platform::HttpRequest* request = options.requestObject;
    if (request == nullptr) {
        ownRequest = platform::CreateHttpRequest();
        request = ownRequest.get();
    }
    if (request == nullptr) {
        return {};
    }

    if (options.timeoutSeconds != -1) {
        const long ms = TimeoutMs(options.timeoutSeconds);
        request->SetTimeouts(ms, ms, ms, ms);
    }
    if (!options.proxy.empty()) {
        request->SetProxy(kProxySettingProxy, options.proxy);
    }
    request->Open(MethodText(method), options.url, false);
    if (options.noRedirect) {
        request->Option(kOptionEnableRedirects, 0);
    }
    request->Option(kOptionSslErrorIgnoreFlags, kSslErrorIgnoreAll);

    Text headerText = options.headers;
    if (addDefaultHeaders) {
        web_detail::AddCommonDefaultHeaders(&headerText, options.url);
        web_detail::AddDefaultHeader(
            &headerText, "User-Agent:", Text("User-Agent: ") + Text(web_detail::kDefaultUserAgent));
        web_detail::AddPostDefaultHeader(&headerText, method);
    }
    if (capitalizeHeaderNames) {
        headerText = CapitalizeHeaderNames(headerText);
    }

    if (!options.proxy.empty() && !options.proxyUser.empty()) {
        const int target = options.credentialTarget.value_or(1);
        request->SetCredentials(options.proxyUser, options.proxyPassword, target);
        if (target == 1) {
            const Text pair = options.proxyUser + ":" + options.proxyPassword;
            request->SetRequestHeader("Proxy-Authorization",
                                      "Basic " + Base64Encode(BytesFromText(pair)));
        }
    }

    if (options.cookies != nullptr) {
        DropCookieMarker(options.cookies);
        request->SetRequestHeader("Cookie", *options.cookies);
    }

    SendHeaderLines(*request, headerText);

    if (!options.postBytes.empty()) {
        request->Send(options.postBytes);
    } else {
        request->Send(std::string_view(options.postText));
    }

    Bytes body = request->ResponseBody();
    const Text responseHeaders = request->GetAllResponseHeaders();
    const long status = request->Status();
    return HandBack(options, std::move(body), responseHeaders, status);
}

}  // namespace cq
