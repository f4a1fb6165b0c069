#pragma once

// Our stand-in for the scriptable HTTP request object the program drives: the same
// members, in the same spirit (a failed call yields false / empty / 0 and the caller
// goes on). Texts are in the program's code page (GBK).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cq::platform {

class HttpRequest {
public:
    virtual ~HttpRequest() = default;

    // Milliseconds for each phase; 0 means no limit for that phase.
    virtual bool SetTimeouts(long resolveMs, long connectMs, long sendMs, long receiveMs) = 0;
    // setting 2 uses the named proxy ("host:port"); 0 and 1 mean a direct connection.
    virtual bool SetProxy(int setting, std::string_view proxyServer) = 0;
    // Starts a new request: drops the headers and the response of the previous one.
    // Only synchronous requests are served (async must be false).
    virtual bool Open(std::string_view method, std::string_view url, bool async) = 0;
    // The Option property: 4 certificate-error ignore flags, 6 follow redirects.
    virtual bool Option(int index, long value) = 0;
    // target 0: credentials for the server, 1: for the proxy.
    virtual bool SetCredentials(std::string_view user, std::string_view password, int target) = 0;
    // An empty name is refused; a name set again replaces its value.
    virtual bool SetRequestHeader(std::string_view name, std::string_view value) = 0;
    virtual bool Send(std::string_view body) = 0;
    virtual bool Send(const std::vector<std::uint8_t>& body) = 0;
    virtual std::vector<std::uint8_t> ResponseBody() = 0;
    // The final response's header lines (no status line), each ending CR LF, followed
    // by one more CR LF; empty when there was no response.
    virtual std::string GetAllResponseHeaders() = 0;
    // 0 when there was no response.
    virtual long Status() = 0;
};

// A request object over libcurl. Never null.
std::unique_ptr<HttpRequest> CreateHttpRequest();

}  // namespace cq::platform
