#include "web/fetch_via_wininet.h"

#include <array>
#include <cstdint>
#include <cstdlib>

#include "platform/wininet.h"
#include "text/gbk_search.h"
#include "text/text_edit.h"
#include "web/fetch_via_request_object.h"
#include "web/header_text.h"
#include "web/merge_cookies.h"
#include "web/request_headers.h"
#include "web/text_markers.h"

namespace cq {

namespace {

constexpr std::uint32_t kSecurityFlagsIgnoreAll = 0x1F380;
constexpr unsigned long kHeaderBufferSize = 5000;
constexpr unsigned long kReadPieceSize = 1024;

// Only whole ASCII characters: the trail byte of a double-byte character may
// look like a capital letter and must keep the character intact.
Text LowerAscii(std::string_view text) {
    Text lower(text);
    for (std::size_t i = 0; i < lower.size(); i += GbkCharLength(lower, i)) {
        char& c = lower[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// Where the host starts: after the scheme marker HostOfUrl takes it from.
std::size_t HostSearchStart(std::string_view url) {
    if (LowerAscii(url.substr(0, 8)) == "https://") {
        return 8;
    }
    const std::size_t http = FindText(url, "http://", 0, true);
    return http == kNotFound ? 0 : http + 7;
}

Text UserAgentOf(const Text& headerText) {
    if (FindText(headerText, "User-Agent:", 0, true) == kNotFound) {
        return Text(web_detail::kDefaultUserAgent);
    }
    Text agent = TrimText(TextBetween(headerText + "\r\n", "User-Agent:", "\r\n"));
    if (agent.empty()) {
        agent = HeaderValue(headerText);
    }
    return agent;
}

// The raw response headers. They are asked for with a 5000-byte buffer first;
// when they need more, with a buffer of the size the handle asks for, so that a
// response with long headers keeps its headers and its cookies.
Text RawResponseHeaders(platform::HInternet request) {
    Text buffer(kHeaderBufferSize, ' ');
    unsigned long length = kHeaderBufferSize;
    if (platform::HttpQueryInfo(request, platform::kQueryRawHeadersCrlf, buffer.data(), &length,
                                nullptr)) {
        buffer.resize(length);
        return buffer;
    }
    if (length > kHeaderBufferSize) {
        Text larger(length, ' ');
        if (platform::HttpQueryInfo(request, platform::kQueryRawHeadersCrlf, larger.data(), &length,
                                    nullptr)) {
            larger.resize(length);
            return larger;
        }
    }
    // No response: the buffer stays as it was given.
    return Text(kHeaderBufferSize, ' ');
}

// A URL that names a scheme of its own ("ftp://", "file://") is no http URL,
// whatever http URL its query may carry: it is never requested. A URL without
// any scheme stays an http URL.
bool NamesOtherScheme(std::string_view url) {
    const std::size_t marker = url.find("://");
    if (marker == std::string_view::npos || marker == 0) {
        return false;
    }
    const std::string_view scheme = url.substr(0, marker);
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isAlpha(scheme.front())) {
        return false;
    }
    for (char c : scheme) {
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    const Text lower = LowerAscii(scheme);
    return lower != "http" && lower != "https";
}

}  // namespace

Text HostOfUrl(std::string_view url, bool keepPort) {
    Text lower = LowerAscii(url);
    if (lower.empty() || lower.back() != '/') {
        lower += '/';
    }
    std::string_view scheme = "http://";
    if (lower.compare(0, 8, "https://") == 0) {
        scheme = "https://";
    } else if (FindText(lower, "http://") == kNotFound) {
        lower.insert(0, "http://");
    }
    Text host = TextBetween(lower, scheme, "/");
    if (!keepPort) {
        const std::size_t colon = FindText(host, ":");
        if (colon != kNotFound) {
            host.resize(colon);
        }
    }
    return host;
}

int PortOfUrl(std::string_view url) {
    const Text host = HostOfUrl(url, true);
    const std::size_t colon = FindTextBackward(host, ":");
    if (colon == kNotFound) {
        return LowerAscii(url.substr(0, 5)) == "https" ? 443 : 80;
    }
    // The integer value of the digits after the last ":"; anything else is 0.
    long port = 0;
    for (std::size_t i = colon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9'; ++i) {
        port = port * 10 + (host[i] - '0');
        if (port > 65535) {
            return 0;
        }
    }
    return static_cast<int>(port);
}

Text PathOfUrl(std::string_view url) {
    const Text host = HostOfUrl(url);
    // Searched from the host's place on: a host such as "t" or "s" also occurs
    // inside the scheme, and the path must not start at the scheme's "//".
    const std::size_t at = FindText(url, host, HostSearchStart(url), true);
    const std::size_t slash = FindText(url, "/", at == kNotFound ? 0 : at);
    if (at == kNotFound || slash == kNotFound) {
        return "/";
    }
    return Text(url.substr(slash));
}

Bytes FetchViaWinInet(const FetchViaWinInetOptions& options) {
    const bool mergeCookies = options.mergeCookies.value_or(true);
    const bool addDefaultHeaders = options.addDefaultHeaders.value_or(true);
    const bool capitalizeHeaderNames = options.capitalizeHeaderNames.value_or(true);
    const std::string_view url = options.url;
    if (NamesOtherScheme(url) || web_detail::HoldsControlCharacter(url)) {
        return {};
    }

    Text headerText = options.headers;
    if (capitalizeHeaderNames) {
        headerText = CapitalizeHeaderNames(headerText);
    }
    const int method = (options.method >= 0 && options.method <= 7) ? options.method : 0;
    const bool secure = LowerAscii(url.substr(0, 8)) == "https://";
    const Text userAgent = UserAgentOf(headerText);

    platform::HInternet session = nullptr;
    if (options.proxy.empty()) {
        session = platform::InternetOpen(userAgent, platform::kInternetOpenTypeDirect, "", "", 0);
    } else {
        Text proxyText = options.useSocks ? "SOCKS=" + options.proxy
                         : secure         ? options.proxy
                                          : "http=" + options.proxy;
        session =
            platform::InternetOpen(userAgent, platform::kInternetOpenTypeProxy, proxyText, "", 0);
    }
    if (session == nullptr) {
        return {};
    }
    platform::HInternet connection = platform::InternetConnect(
        session, HostOfUrl(url), PortOfUrl(url), "", "", platform::kInternetServiceHttp, 0, 0);
    if (connection == nullptr) {
        platform::InternetCloseHandle(session);
        return {};
    }
    unsigned long flags = platform::kFlagReload | platform::kFlagNeedFile;
    if (options.cookies.has_value()) {
        flags |= platform::kFlagNoCookies;
    }
    if (options.noRedirect) {
        flags |= platform::kFlagNoAutoRedirect;
    }
    flags |= secure ? platform::kFlagSecure : platform::kFlagIgnoreRedirectToHttps;
    platform::HInternet request = platform::HttpOpenRequest(
        connection, MethodText(method), PathOfUrl(url), "HTTP/1.1", "", nullptr, flags, 0);
    if (request == nullptr) {
        platform::InternetCloseHandle(connection);
        platform::InternetCloseHandle(session);
        return {};
    }
    const std::uint32_t securityFlags = kSecurityFlagsIgnoreAll;
    platform::InternetSetOption(request, platform::kOptionSecurityFlags, &securityFlags,
                                sizeof securityFlags);
    if (options.timeLimitMs > 0) {
        const auto limit = static_cast<std::uint32_t>(options.timeLimitMs);
        platform::InternetSetOption(request, platform::kOptionExchangeTimeLimit, &limit,
                                    sizeof limit);
    }

    if (addDefaultHeaders) {
        if (headerText.empty()) {
            headerText = "Accept: */*";
        }
        web_detail::AddCommonDefaultHeaders(&headerText, url);
        web_detail::AddPostDefaultHeader(&headerText, method);
    }
    const Text cookies = options.cookies.value_or(Text());
    if (!cookies.empty()) {
        headerText += FindText(cookies, "Cookie:") != kNotFound ? "\r\n" : "\r\nCookie: ";
        headerText += cookies;
    }

    if (method != 0) {
        Bytes ownBody;
        Bytes& postBytes = options.postBytes != nullptr ? *options.postBytes : ownBody;
        if (postBytes.empty()) {
            postBytes = BytesFromText(options.postText);
        }
        platform::HttpSendRequest(request, headerText, postBytes.data(),
                                  static_cast<unsigned long>(postBytes.size()));
    } else {
        platform::HttpSendRequest(request, headerText, nullptr, 0);
    }

    Bytes body;
    std::array<std::uint8_t, kReadPieceSize> piece{};
    for (;;) {
        unsigned long read = 0;
        if (!platform::InternetReadFile(request, piece.data(), kReadPieceSize, &read) ||
            read == 0) {
            break;
        }
        body.insert(body.end(), piece.begin(), piece.begin() + read);
    }

    const Text responseHeaders = RawResponseHeaders(request);
    if (options.returnedHeaders != nullptr) {
        *options.returnedHeaders = responseHeaders;
    }
    platform::InternetCloseHandle(request);
    platform::InternetCloseHandle(connection);
    platform::InternetCloseHandle(session);

    Text returnedCookies = CollectResponseCookies(responseHeaders);
    if (mergeCookies && options.cookies.has_value()) {
        Text sent = *options.cookies;
        returnedCookies = MergeCookies(&sent, &returnedCookies);
    }
    if (options.returnedCookies != nullptr) {
        *options.returnedCookies = returnedCookies;
    }
    return body;
}

}  // namespace cq
