#pragma once

// Loopback servers the web tests start on ephemeral ports: a raw recorder that
// keeps every request exactly as it arrived (header order and letter case
// included), and cpp-httplib servers for HTTP and HTTPS.

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cq::test {

struct RawRequest {
    std::string requestLine;
    std::vector<std::string> headerLines;  // as sent, without CR LF
    std::string body;

    // The value of the first header of that name (any letter case), or "".
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
};

// Answers each request with the text its handler returns (a whole HTTP response),
// then closes the connection. An empty answer keeps the connection open without
// a word until the server stops: a server that never answers.
class RawServer {
public:
    using Handler = std::function<std::string(const RawRequest&)>;
    explicit RawServer(Handler handler);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    std::string Url(std::string_view path = "/") const;
    std::vector<RawRequest> Requests() const;

    // A plain 200 response with the given extra header lines and body.
    static std::string Reply(std::string_view body, std::string_view extraHeaders = "",
                             std::string_view status = "200 OK");

private:
    void Serve();
    void ServeConnection(int fd);

    Handler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<RawRequest> requests_;
    std::thread thread_;
};

// A SOCKS5 proxy without authentication that records the destination each
// client asks for ("host:port") and the request line of the HTTP request sent
// through it, and answers that request itself with a fixed response.
class SocksServer {
public:
    explicit SocksServer(std::string response);
    ~SocksServer();
    SocksServer(const SocksServer&) = delete;
    SocksServer& operator=(const SocksServer&) = delete;

    int port() const { return port_; }
    std::vector<std::string> Destinations() const;
    std::vector<std::string> RequestLines() const;

private:
    void Serve();
    void ServeConnection(int fd);
    bool ReadExactly(int fd, std::string* into, std::size_t n);

    std::string response_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> destinations_;
    std::vector<std::string> requestLines_;
    std::thread thread_;
};

// A self-signed certificate for 127.0.0.1, made at run time.
struct SelfSignedCertificate {
    SelfSignedCertificate();
    ~SelfSignedCertificate();
    X509* cert = nullptr;
    EVP_PKEY* key = nullptr;
};

// Runs an httplib server (plain or TLS) on 127.0.0.1 on an ephemeral port.
class HttplibServer {
public:
    explicit HttplibServer(bool tls = false);
    ~HttplibServer();
    httplib::Server& server() { return *server_; }
    // Call after registering the handlers.
    void Start();
    int port() const { return port_; }
    std::string Url(std::string_view path = "/") const;

private:
    bool tls_;
    std::unique_ptr<SelfSignedCertificate> certificate_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

// A port on which nothing listens.
int ClosedPort();

}  // namespace cq::test
