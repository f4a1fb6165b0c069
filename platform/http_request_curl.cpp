#include <algorithm>
#include <string>
#include <utility>

#include "platform/curl_common.h"
#include "platform/http_request.h"

namespace cq::platform {

namespace {

using curl::EqualsNoCase;

// Option indexes and certificate-error flags of the object we stand in for.
constexpr int kOptionSslErrorIgnoreFlags = 4;
constexpr int kOptionEnableRedirects = 6;
constexpr long kIgnoreUnknownCa = 0x0100;
constexpr long kIgnoreWrongUsage = 0x0200;
constexpr long kIgnoreCommonNameInvalid = 0x1000;
constexpr long kIgnoreDateInvalid = 0x2000;

bool HasLineBreak(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

class CurlHttpRequest final : public HttpRequest {
public:
    bool SetTimeouts(long resolveMs, long connectMs, long sendMs, long receiveMs) override {
        if (resolveMs < 0 || connectMs < 0 || sendMs < 0 || receiveMs < 0) {
            return false;
        }
        // curl has one limit for name resolution plus connection (TLS included)
        // and a stall limit for the transfer; 0 means no limit, as for the object.
        connectMs_ = (resolveMs == 0 || connectMs == 0) ? 0 : resolveMs + connectMs;
        stallMs_ = (sendMs == 0 || receiveMs == 0) ? 0 : std::max(sendMs, receiveMs);
        return true;
    }

    bool SetProxy(int setting, std::string_view proxyServer) override {
        if (setting == 2) {
            if (proxyServer.empty() || HasLineBreak(proxyServer)) {
                return false;
            }
            // A bare host:port is an HTTP proxy.
            proxy_ = "http://" + std::string(proxyServer);
            return true;
        }
        if (setting == 0 || setting == 1) {
            proxy_.clear();
            return true;
        }
        return false;
    }

    bool Open(std::string_view method, std::string_view url, bool async) override {
        opened_ = false;
        headers_.clear();
        response_ = curl::Response{};
        status_ = 0;
        if (async || method.empty() || curl::HasControlCharacter(method) ||
            method.find(' ') != std::string_view::npos || !curl::HasHttpScheme(url) ||
            curl::HasControlCharacter(url)) {
            return false;
        }
        method_.assign(method);
        url_ = curl::WireUrl(url);
        opened_ = true;
        return true;
    }

    bool Option(int index, long value) override {
        switch (index) {
            case kOptionEnableRedirects:
                followRedirects_ = value != 0;
                return true;
            case kOptionSslErrorIgnoreFlags:
                sslIgnoreFlags_ = value;
                return true;
            default:
                return false;
        }
    }

    bool SetCredentials(std::string_view user, std::string_view password, int target) override {
        if (target == 0) {
            serverUser_.assign(user);
            serverPassword_.assign(password);
            hasServerCredentials_ = true;
            return true;
        }
        if (target == 1) {
            proxyUser_.assign(user);
            proxyPassword_.assign(password);
            hasProxyCredentials_ = true;
            return true;
        }
        return false;
    }

    bool SetRequestHeader(std::string_view name, std::string_view value) override {
        if (!opened_ || name.empty() || HasLineBreak(name) || HasLineBreak(value) ||
            name.find(':') != std::string_view::npos) {
            return false;
        }
        for (auto& [n, v] : headers_) {
            if (EqualsNoCase(n, name)) {
                v.assign(value);
                return true;
            }
        }
        headers_.emplace_back(std::string(name), std::string(value));
        return true;
    }

    bool Send(std::string_view body) override {
        return Perform(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    }

    bool Send(const std::vector<std::uint8_t>& body) override {
        return Perform(body.data(), body.size());
    }

    std::vector<std::uint8_t> ResponseBody() override { return response_.body; }

    std::string GetAllResponseHeaders() override {
        if (status_ == 0) {
            return {};
        }
        return response_.headerLines + "\r\n";
    }

    long Status() override { return status_; }

private:
    bool Perform(const std::uint8_t* body, std::size_t size) {
        response_ = curl::Response{};
        status_ = 0;
        if (!opened_) {
            return false;
        }
        CURL* handle = curl::AcquireEasyHandle(curl::HandleKind::kRequestObject);
        if (handle == nullptr) {
            return false;
        }
        curl::ApplyCommonOptions(handle, url_, proxy_, &response_);
        curl_easy_setopt(handle, CURLOPT_SHARE, curl::TransferShare());
        curl::ApplyMethodAndBody(handle, method_, body, size);
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);

        const bool trustAnyCa =
            (sslIgnoreFlags_ & (kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreDateInvalid)) != 0;
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, trustAnyCa ? 0L : 1L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST,
                         (sslIgnoreFlags_ & kIgnoreCommonNameInvalid) != 0 ? 0L : 2L);

        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectMs_);
        if (stallMs_ > 0) {
            curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, (stallMs_ + 999) / 1000);
        }

        if (hasServerCredentials_) {
            curl_easy_setopt(handle, CURLOPT_USERNAME, serverUser_.c_str());
            curl_easy_setopt(handle, CURLOPT_PASSWORD, serverPassword_.c_str());
            curl_easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        }
        if (hasProxyCredentials_ && !proxy_.empty()) {
            curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, proxyUser_.c_str());
            curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
            curl_easy_setopt(handle, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }

        // Proxy-Authorization belongs to the proxy: through a tunnel (https) it
        // must not reach the server at the far end.
        curl::HeaderSlist serverHeaders;
        curl::HeaderSlist proxyHeaders;
        std::vector<std::string> names;
        for (const auto& [name, value] : headers_) {
            names.push_back(name);
            // "Name:" with nothing after it tells curl to send no such header.
            const std::string line = value.empty() ? name + ":" : name + ": " + value;
            if (!proxy_.empty() && EqualsNoCase(name, "Proxy-Authorization")) {
                proxyHeaders.Append(line);
            } else {
                serverHeaders.Append(line);
            }
        }
        curl::SuppressCurlHeaders(&serverHeaders, names);
        // curl would tell an HTTP proxy "Proxy-Connection: Keep-Alive" on its own.
        if (!proxy_.empty() && std::none_of(names.begin(), names.end(), [](const std::string& n) {
                return EqualsNoCase(n, "Proxy-Connection");
            })) {
            proxyHeaders.Append("Proxy-Connection:");
        }
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, serverHeaders.get());
        curl_easy_setopt(handle, CURLOPT_PROXYHEADER, proxyHeaders.get());
        curl_easy_setopt(handle, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);

        const CURLcode result = curl_easy_perform(handle);
        long status = 0;
        if (result == CURLE_OK) {
            curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        }
        // The slists die with this call; leave no pointer to them in the handle.
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(handle, CURLOPT_PROXYHEADER, nullptr);
        curl_easy_setopt(handle, CURLOPT_SHARE, nullptr);
        if (result != CURLE_OK || status == 0) {
            response_ = curl::Response{};
            return false;
        }
        status_ = status;
        return true;
    }

    long connectMs_ = 60000;
    long stallMs_ = 30000;
    std::string proxy_;
    bool followRedirects_ = true;
    long sslIgnoreFlags_ = 0;
    std::string serverUser_, serverPassword_, proxyUser_, proxyPassword_;
    bool hasServerCredentials_ = false;
    bool hasProxyCredentials_ = false;

    bool opened_ = false;
    std::string method_;
    std::string url_;
    std::vector<std::pair<std::string, std::string>> headers_;
    curl::Response response_;
    long status_ = 0;
};

}  // namespace

std::unique_ptr<HttpRequest> CreateHttpRequest() {
    return std::make_unique<CurlHttpRequest>();
}

}  // namespace cq::platform
