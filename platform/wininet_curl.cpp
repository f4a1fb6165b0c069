#include <cstring>
#include <string>
#include <vector>

#include "platform/curl_common.h"
#include "platform/wininet.h"

namespace cq::platform {

struct InternetObject {
    enum class Kind { kSession, kConnection, kRequest };
    Kind kind = Kind::kSession;
    // Every handle carries what it needs of its parents, so closing a parent
    // first leaves a child usable.
    std::string agent;
    unsigned long accessType = kInternetOpenTypeDirect;
    std::string proxyList;
    std::string host;
    int port = 0;
    std::string verb;
    std::string object;
    unsigned long flags = 0;
    unsigned long securityFlags = 0;
    std::uint32_t exchangeTimeLimitMs = 0;
    bool sent = false;
    curl::Response response;
    std::size_t readPosition = 0;
};

namespace {

using curl::EqualsNoCase;

// Bounded so that a dead or stalled server cannot hold the caller for ever.
constexpr long kConnectTimeoutMs = 15000;
constexpr long kStallSeconds = 30;

bool Valid(HInternet handle, InternetObject::Kind kind) {
    return handle != nullptr && handle->kind == kind;
}

// The proxy URL for a request of the given scheme, or empty for a direct one.
std::string PickProxy(std::string_view list, bool secure) {
    std::string forScheme, socks, anyScheme;
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find_first_of(" ;", pos);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view entry = list.substr(pos, end - pos);
        pos = end + 1;
        if (entry.empty()) {
            continue;
        }
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) {
            if (anyScheme.empty()) {
                anyScheme = "http://" + std::string(entry);
            }
            continue;
        }
        std::string_view scheme = entry.substr(0, eq);
        std::string_view server = entry.substr(eq + 1);
        if (server.empty()) {
            continue;
        }
        if (EqualsNoCase(scheme, secure ? "https" : "http") && forScheme.empty()) {
            forScheme = "http://" + std::string(server);
        } else if (EqualsNoCase(scheme, "socks") && socks.empty()) {
            // Names are resolved by the proxy, as a SOCKS client on a desktop does.
            socks = "socks5h://" + std::string(server);
        }
    }
    if (!forScheme.empty()) {
        return forScheme;
    }
    if (!socks.empty()) {
        return socks;
    }
    return anyScheme;
}

std::vector<std::string> HeaderLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > pos) {
            lines.emplace_back(text.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    return lines;
}

std::string NameOf(const std::string& line) {
    std::string name = line.substr(0, line.find(':'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
        name.pop_back();
    }
    return name;
}

std::string RawHeaders(const curl::Response& response) {
    return response.statusLine + "\r\n" + response.headerLines + "\r\n";
}

}  // namespace

HInternet InternetOpen(std::string_view agent, unsigned long accessType, std::string_view proxyList,
                       std::string_view, unsigned long) {
    if (accessType != kInternetOpenTypeDirect && accessType != kInternetOpenTypeProxy) {
        return nullptr;
    }
    if (accessType == kInternetOpenTypeProxy && proxyList.empty()) {
        return nullptr;
    }
    auto* session = new InternetObject();
    // The agent becomes one header line; a line break in it would smuggle more.
    session->agent.assign(agent.substr(0, agent.find_first_of(std::string_view("\r\n\0", 3))));
    session->accessType = accessType;
    if (accessType == kInternetOpenTypeProxy) {
        session->proxyList.assign(proxyList);
    }
    return session;
}

// Port 0 means the default port of the request's scheme.
HInternet InternetConnect(HInternet session, std::string_view serverName, int port,
                          std::string_view, std::string_view, unsigned long service, unsigned long,
                          std::uintptr_t) {
    if (!Valid(session, InternetObject::Kind::kSession) || service != kInternetServiceHttp ||
        serverName.empty() || port < 0 || port > 65535) {
        return nullptr;
    }
    for (char c : serverName) {
        // The host goes into a URL: nothing that could change where it points.
        if (static_cast<unsigned char>(c) <= 0x20 || c == '/' || c == '@' || c == '?' || c == '#' ||
            c == '\\') {
            return nullptr;
        }
    }
    auto* connection = new InternetObject(*session);
    connection->kind = InternetObject::Kind::kConnection;
    connection->host.assign(serverName);
    connection->port = port;
    return connection;
}

HInternet HttpOpenRequest(HInternet connection, std::string_view verb, std::string_view objectName,
                          std::string_view version, std::string_view, const char* const*,
                          unsigned long flags, std::uintptr_t) {
    if (!Valid(connection, InternetObject::Kind::kConnection) ||
        (!version.empty() && version != "HTTP/1.1" && version != "HTTP/1.0")) {
        return nullptr;
    }
    for (char c : verb) {
        if (static_cast<unsigned char>(c) <= 0x20) {
            return nullptr;
        }
    }
    if (curl::HasControlCharacter(objectName)) {
        return nullptr;
    }
    auto* request = new InternetObject(*connection);
    request->kind = InternetObject::Kind::kRequest;
    request->verb = verb.empty() ? "GET" : std::string(verb);
    request->object = objectName.empty() ? "/" : std::string(objectName);
    if (request->object.front() != '/') {
        request->object.insert(0, "/");
    }
    request->flags = flags;
    return request;
}

bool InternetSetOption(HInternet handle, unsigned long option, const void* buffer,
                       unsigned long length) {
    if (!Valid(handle, InternetObject::Kind::kRequest) || buffer == nullptr) {
        return false;
    }
    if (option == kOptionSecurityFlags && length == 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, buffer, sizeof value);
        handle->securityFlags = value;
        return true;
    }
    if (option == kOptionExchangeTimeLimit && length == 4) {
        std::memcpy(&handle->exchangeTimeLimitMs, buffer, sizeof handle->exchangeTimeLimitMs);
        return true;
    }
    return false;
}

bool HttpSendRequest(HInternet request, std::string_view headers, const void* optional,
                     unsigned long optionalLength) {
    if (!Valid(request, InternetObject::Kind::kRequest)) {
        return false;
    }
    request->response = curl::Response{};
    request->readPosition = 0;
    request->sent = false;

    const bool secure = (request->flags & kFlagSecure) != 0;
    const bool cookiesOn = (request->flags & kFlagNoCookies) == 0;
    std::string host = request->host;
    if (host.find(':') != std::string::npos && host.front() != '[') {
        host = "[" + host + "]";
    }
    // The default port stays out of the URL, as a proxy expects to see it.
    const int port = request->port != 0 ? request->port : (secure ? 443 : 80);
    const bool defaultPort = port == (secure ? 443 : 80);
    const std::string url =
        curl::WireUrl((secure ? "https://" : "http://") + host +
                      (defaultPort ? std::string() : ":" + std::to_string(port)) + request->object);
    const std::string proxy = request->accessType == kInternetOpenTypeProxy
                                  ? PickProxy(request->proxyList, secure)
                                  : std::string();

    CURL* handle = curl::AcquireEasyHandle(cookiesOn ? curl::HandleKind::kInternetWithCookies
                                                     : curl::HandleKind::kInternet);
    if (handle == nullptr) {
        return false;
    }
    curl::ApplyCommonOptions(handle, url, proxy, &request->response);
    curl::ApplyMethodAndBody(handle, request->verb, static_cast<const std::uint8_t*>(optional),
                             optional == nullptr ? 0 : optionalLength);
    curl_easy_setopt(handle, CURLOPT_SHARE, curl::TransferShare());
    if (cookiesOn) {
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    }
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION,
                     (request->flags & kFlagNoAutoRedirect) != 0 ? 0L : 1L);
    const unsigned long flags = request->securityFlags;
    const bool trustAnyCa = (flags & (kSecurityIgnoreUnknownCa | kSecurityIgnoreWrongUsage |
                                      kSecurityIgnoreCertDateInvalid)) != 0;
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, trustAnyCa ? 0L : 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST,
                     (flags & kSecurityIgnoreCertCnInvalid) != 0 ? 0L : 2L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    if (request->exchangeTimeLimitMs > 0) {
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(request->exchangeTimeLimitMs));
    }
    if (!request->agent.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERAGENT, request->agent.c_str());
    }

    curl::HeaderSlist list;
    std::vector<std::string> names;
    for (const std::string& line : HeaderLines(headers)) {
        names.push_back(NameOf(line));
        list.Append(line);
    }
    curl::SuppressCurlHeaders(&list, names);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, list.get());

    const CURLcode result = curl_easy_perform(handle);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    if (cookiesOn) {
        // curl_easy_reset forgets the list of cookie files without freeing it;
        // clearing it here keeps the reused handle from leaking one per request.
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, nullptr);
    }
    curl_easy_setopt(handle, CURLOPT_SHARE, nullptr);
    if (result != CURLE_OK || request->response.statusLine.empty()) {
        request->response = curl::Response{};
        return false;
    }
    request->sent = true;
    return true;
}

bool InternetReadFile(HInternet request, void* buffer, unsigned long toRead, unsigned long* read) {
    if (read != nullptr) {
        *read = 0;
    }
    if (!Valid(request, InternetObject::Kind::kRequest) || read == nullptr ||
        (buffer == nullptr && toRead > 0)) {
        return false;
    }
    const auto& body = request->response.body;
    const std::size_t left = body.size() - request->readPosition;
    const std::size_t n = left < toRead ? left : toRead;
    if (n > 0) {
        std::memcpy(buffer, body.data() + request->readPosition, n);
        request->readPosition += n;
    }
    *read = static_cast<unsigned long>(n);
    return true;
}

bool HttpQueryInfo(HInternet request, unsigned long infoLevel, void* buffer,
                   unsigned long* bufferLength, unsigned long*) {
    if (!Valid(request, InternetObject::Kind::kRequest) || bufferLength == nullptr ||
        infoLevel != kQueryRawHeadersCrlf || !request->sent) {
        return false;
    }
    const std::string raw = RawHeaders(request->response);
    if (buffer == nullptr || *bufferLength < raw.size() + 1) {
        *bufferLength = static_cast<unsigned long>(raw.size() + 1);
        return false;
    }
    std::memcpy(buffer, raw.c_str(), raw.size() + 1);
    *bufferLength = static_cast<unsigned long>(raw.size());
    return true;
}

bool InternetCloseHandle(HInternet handle) {
    if (handle == nullptr) {
        return false;
    }
    delete handle;
    return true;
}

void ClearInternetCookies() {
    CURL* handle = curl::AcquireEasyHandle(curl::HandleKind::kInternetWithCookies);
    if (handle == nullptr) {
        return;
    }
    curl_easy_setopt(handle, CURLOPT_SHARE, curl::TransferShare());
    curl_easy_setopt(handle, CURLOPT_COOKIELIST, "ALL");
    curl_easy_setopt(handle, CURLOPT_SHARE, nullptr);
}

}  // namespace cq::platform
