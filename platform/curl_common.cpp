#include "platform/curl_common.h"

#include <array>
#include <mutex>

#include "platform/charset_converter.h"

namespace cq::platform::curl {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct ThreadHandles {
    std::array<CURL*, static_cast<std::size_t>(HandleKind::kCount)> handles{};
    ~ThreadHandles() {
        for (CURL* h : handles) {
            if (h != nullptr) {
                curl_easy_cleanup(h);
            }
        }
    }
};

struct ShareLocks {
    std::mutex of[CURL_LOCK_DATA_LAST];
};

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* locks) {
    static_cast<ShareLocks*>(locks)->of[data].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* locks) {
    static_cast<ShareLocks*>(locks)->of[data].unlock();
}

}  // namespace

// Live connections, resolved names and TLS sessions are kept for the whole
// process, not per thread: the cover fetch on the window thread and every
// loading run (each on a new worker thread) go on where the last request to the
// same origin left off, instead of resolving, connecting and shaking hands anew.
// Cookies are shared too, but only handles that turn their cookie engine on use
// them.
CURLSH* TransferShare() {
    GlobalInit();
    // Lives as long as the process: handles of any thread may still hold it.
    static CURLSH* share = [] {
        CURLSH* s = curl_share_init();
        curl_share_setopt(s, CURLSHOPT_LOCKFUNC, LockShare);
        curl_share_setopt(s, CURLSHOPT_UNLOCKFUNC, UnlockShare);
        curl_share_setopt(s, CURLSHOPT_USERDATA, new ShareLocks);
        for (const curl_lock_data data : {CURL_LOCK_DATA_CONNECT, CURL_LOCK_DATA_DNS,
                                          CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_COOKIE}) {
            curl_share_setopt(s, CURLSHOPT_SHARE, data);
        }
        return s;
    }();
    return share;
}

namespace {

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* response = static_cast<Response*>(user);
    const size_t n = size * count;
    if (response->body.size() + n > kMaxBodyBytes) {
        response->tooLarge = true;
        return 0;  // aborts the transfer
    }
    response->body.insert(response->body.end(), data, data + n);
    return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* response = static_cast<Response*>(user);
    const size_t n = size * count;
    response->headerBytesSeen += n;
    if (response->headerBytesSeen > kMaxHeaderBytes) {
        response->tooLarge = true;
        return 0;
    }
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
        // A new response begins (an interim one, a redirect, a proxy's answer to
        // CONNECT): only the last one counts.
        response->statusLine.assign(line);
        response->headerLines.clear();
        response->body.clear();
        response->headersDone = false;
    } else if (line.empty()) {
        response->headersDone = true;
    } else if (!response->headersDone) {
        response->headerLines.append(line);
        response->headerLines.append("\r\n");
    }
    return n;
}

}  // namespace

CURL* AcquireEasyHandle(HandleKind kind) {
    GlobalInit();
    thread_local ThreadHandles mine;
    CURL*& handle = mine.handles[static_cast<std::size_t>(kind)];
    if (handle == nullptr) {
        handle = curl_easy_init();
    } else {
        curl_easy_reset(handle);
    }
    return handle;
}

std::string WireUrl(std::string_view url) {
    bool plain = true;
    for (unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7F) {
            plain = false;
            break;
        }
    }
    if (plain) {
        return std::string(url);
    }
    const std::string utf8 = CodePageFromWide(WideFromCodePage(url, 936), 65001);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size() * 3);
    for (unsigned char c : utf8) {
        if (c <= 0x20 || c >= 0x7F) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool HasHttpScheme(std::string_view url) {
    return (url.size() >= 7 && EqualsNoCase(url.substr(0, 7), "http://")) ||
           (url.size() >= 8 && EqualsNoCase(url.substr(0, 8), "https://"));
}

bool HasControlCharacter(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

bool HeaderSlist::Append(const std::string& line) {
    curl_slist* grown = curl_slist_append(list_, line.c_str());
    if (grown == nullptr) {
        return false;
    }
    list_ = grown;
    return true;
}

void ApplyCommonOptions(CURL* handle, const std::string& url, const std::string& proxy,
                        Response* response) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // An empty proxy text makes curl ignore http_proxy and friends: the program
    // reads no settings from its environment.
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    // Likewise no_proxy: a proxy given is used for every host.
    curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, response);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, response);
}

void ApplyMethodAndBody(CURL* handle, const std::string& method, const std::uint8_t* body,
                        std::size_t size) {
    const bool hasBody = size > 0;
    if (method == "POST") {
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
    } else if (method == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        // No body is read, so the length a HEAD answer announces is no reason to
        // fail: asking about a large file must still give its headers.
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t{0});
        if (hasBody) {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "HEAD");
        }
    } else if (method == "GET" && !hasBody) {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
    if (hasBody || method == "POST" || method == "PUT") {
        static const std::uint8_t kNothing = 0;
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, hasBody ? body : &kNothing);
    }
}

void SuppressCurlHeaders(HeaderSlist* list, const std::vector<std::string>& givenNames) {
    for (const char* name : {"Accept", "Expect", "Content-Type"}) {
        bool given = false;
        for (const std::string& n : givenNames) {
            if (EqualsNoCase(n, name)) {
                given = true;
                break;
            }
        }
        if (!given) {
            list->Append(std::string(name) + ":");
        }
    }
}

}  // namespace cq::platform::curl
