#pragma once

// What the request object and the WinINet-like handles share over libcurl: the
// per-thread easy handles, the response collector and the wire rules both follow.

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cq::platform::curl {

// URLs come from the network, so a hostile server must not be able to make us
// fill memory or talk anything but HTTP.
inline constexpr std::size_t kMaxBodyBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxHeaderBytes = std::size_t{1} << 20;

// Each thread keeps one easy handle per kind, reset before each use: the handle
// keeps its live connections and DNS cache, so repeated requests to one server
// reuse the connection the way the platform objects we stand in for do.
enum class HandleKind { kRequestObject, kInternet, kInternetWithCookies, kCount };
CURL* AcquireEasyHandle(HandleKind kind);

// What every handle of the process shares: live connections, resolved names, TLS
// sessions, and the in-memory cookie store of the internet handles that use it.
CURLSH* TransferShare();

// A URL in the program's code page made fit for the wire: non-ASCII text as UTF-8,
// then every byte outside printable ASCII (and the space) percent-escaped.
std::string WireUrl(std::string_view url);

// True when the URL starts with http:// or https:// in any letter case.
bool HasHttpScheme(std::string_view url);

// Control characters have no place in a URL; one that holds CR LF would also have
// smuggled header lines in wherever the URL is repeated (the Referer line).
bool HasControlCharacter(std::string_view text);

class HeaderSlist {
public:
    HeaderSlist() = default;
    ~HeaderSlist() { curl_slist_free_all(list_); }
    HeaderSlist(const HeaderSlist&) = delete;
    HeaderSlist& operator=(const HeaderSlist&) = delete;
    bool Append(const std::string& line);
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// Collects what the final response (after redirects and proxy tunnels) sends.
struct Response {
    std::vector<std::uint8_t> body;
    std::string statusLine;   // without CR LF
    std::string headerLines;  // each ending CR LF
    std::size_t headerBytesSeen = 0;
    bool headersDone = false;
    bool tooLarge = false;
};

// Settings both request kinds share: protocols, HTTP/1.1, no signals, no proxy
// from the environment (proxy empty), the size limits and the collectors.
void ApplyCommonOptions(CURL* handle, const std::string& url, const std::string& proxy,
                        Response* response);

// Method and body as the platform objects send them: POST through curl's POST so
// a 301/302/303 turns it into a GET as browsers do; HEAD waits for no body; an
// empty POST or PUT still says Content-Length: 0; any method carries a body given.
void ApplyMethodAndBody(CURL* handle, const std::string& method, const std::uint8_t* body,
                        std::size_t size);

// Adds empty "Name:" lines that stop curl from adding its own Accept, Expect and
// Content-Type headers when the caller gave none of that name.
void SuppressCurlHeaders(HeaderSlist* list, const std::vector<std::string>& givenNames);

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace cq::platform::curl
