#include "loopback_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "demo/exclusive_listen.h"

namespace cq::test {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int ListenOnLoopback(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        throw std::runtime_error("socket");
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

// Serves one connection at a time until stop is set, looking at it every 20 ms.
template <typename Serve>
void AcceptEach(int listenFd, const std::atomic<bool>& stop, Serve serve) {
    while (!stop) {
        pollfd p{listenFd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        const int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd >= 0) {
            serve(fd);
            ::close(fd);
        }
    }
}

}  // namespace

std::string RawRequest::Header(std::string_view name) const {
    for (const std::string& line : headerLines) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && EqualsNoCase(line.substr(0, colon), name)) {
            std::size_t start = colon + 1;
            while (start < line.size() && line[start] == ' ') {
                ++start;
            }
            return line.substr(start);
        }
    }
    return {};
}

bool RawRequest::HasHeader(std::string_view name) const {
    for (const std::string& line : headerLines) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && EqualsNoCase(line.substr(0, colon), name)) {
            return true;
        }
    }
    return false;
}

RawServer::RawServer(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
}

RawServer::~RawServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::string RawServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<RawRequest> RawServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string RawServer::Reply(std::string_view body, std::string_view extraHeaders,
                             std::string_view status) {
    std::string response = "HTTP/1.1 " + std::string(status) + "\r\n";
    response += extraHeaders;
    response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += body;
    return response;
}

void RawServer::Serve() {
    AcceptEach(listenFd_, stop_, [this](int fd) { ServeConnection(fd); });
}

void RawServer::ServeConnection(int fd) {
    std::string data;
    auto readMore = [&]() {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return false;
            }
            data.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        return false;
    };
    std::size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (!readMore()) {
            return;
        }
    }
    RawRequest request;
    std::size_t pos = 0;
    bool first = true;
    while (pos < headEnd) {
        std::size_t eol = data.find("\r\n", pos);
        std::string line = data.substr(pos, eol - pos);
        if (first) {
            request.requestLine = line;
            first = false;
        } else {
            request.headerLines.push_back(line);
        }
        pos = eol + 2;
    }
    const std::size_t length =
        request.HasHeader("Content-Length") ? std::stoul(request.Header("Content-Length")) : 0;
    while (data.size() < headEnd + 4 + length) {
        if (!readMore()) {
            return;
        }
    }
    request.body = data.substr(headEnd + 4, length);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const std::string response = handler_(request);
    if (response.empty()) {
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return;
    }
    std::size_t sent = 0;
    while (sent < response.size()) {
        const ssize_t n = ::send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
}

SocksServer::SocksServer(std::string response) : response_(std::move(response)) {
    listenFd_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
}

SocksServer::~SocksServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::vector<std::string> SocksServer::Destinations() const {
    std::lock_guard lock(mutex_);
    return destinations_;
}

std::vector<std::string> SocksServer::RequestLines() const {
    std::lock_guard lock(mutex_);
    return requestLines_;
}

void SocksServer::Serve() {
    AcceptEach(listenFd_, stop_, [this](int fd) { ServeConnection(fd); });
}

bool SocksServer::ReadExactly(int fd, std::string* into, std::size_t n) {
    while (n > 0 && !stop_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t got = ::recv(fd, buffer, std::min(n, sizeof buffer), 0);
        if (got <= 0) {
            return false;
        }
        into->append(buffer, static_cast<std::size_t>(got));
        n -= static_cast<std::size_t>(got);
    }
    return n == 0;
}

void SocksServer::ServeConnection(int fd) {
    auto sendAll = [fd](std::string_view data) {
        return ::send(fd, data.data(), data.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(data.size());
    };
    // Greeting: version 5, the methods offered; "no authentication" is chosen.
    std::string in;
    if (!ReadExactly(fd, &in, 2) || in[0] != 5 || !ReadExactly(fd, &in, std::uint8_t(in[1])) ||
        !sendAll(std::string_view("\x05\x00", 2))) {
        return;
    }
    // Request: version, CONNECT, reserved, address type, address, port.
    in.clear();
    if (!ReadExactly(fd, &in, 4) || in[1] != 1) {
        return;
    }
    std::string host;
    if (in[3] == 3) {
        std::string length;
        if (!ReadExactly(fd, &length, 1) || !ReadExactly(fd, &host, std::uint8_t(length[0]))) {
            return;
        }
    } else if (in[3] == 1) {
        std::string ip;
        if (!ReadExactly(fd, &ip, 4)) {
            return;
        }
        for (int i = 0; i < 4; ++i) {
            host += (i ? "." : "") + std::to_string(std::uint8_t(ip[i]));
        }
    } else {
        return;
    }
    std::string port;
    if (!ReadExactly(fd, &port, 2)) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        destinations_.push_back(
            host + ":" + std::to_string(std::uint8_t(port[0]) * 256 + std::uint8_t(port[1])));
    }
    if (!sendAll(std::string_view("\x05\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10))) {
        return;
    }
    // The tunnelled HTTP request: its head is enough.
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!ReadExactly(fd, &head, 1)) {
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        requestLines_.push_back(head.substr(0, head.find("\r\n")));
    }
    sendAll(response_);
    ::shutdown(fd, SHUT_WR);
}

SelfSignedCertificate::SelfSignedCertificate() {
    key = EVP_EC_gen("P-256");
    cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
}

SelfSignedCertificate::~SelfSignedCertificate() {
    X509_free(cert);
    EVP_PKEY_free(key);
}

HttplibServer::HttplibServer(bool tls) : tls_(tls) {
    if (tls_) {
        certificate_ = std::make_unique<SelfSignedCertificate>();
        server_ = std::make_unique<httplib::SSLServer>(certificate_->cert, certificate_->key);
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    // One request per connection, so that stopping never waits on an idle
    // keep-alive connection.
    server_->set_keep_alive_max_count(1);
}

void HttplibServer::Start() {
    demo::ListenExclusively(*server_);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

HttplibServer::~HttplibServer() {
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

std::string HttplibServer::Url(std::string_view path) const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
           std::string(path);
}

int ClosedPort() {
    int port = 0;
    const int fd = ListenOnLoopback(&port);
    ::close(fd);
    return port;
}

}  // namespace cq::test
