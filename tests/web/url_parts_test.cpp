#include <gtest/gtest.h>

#include "web/fetch_via_wininet.h"

namespace cq {
namespace {

struct UrlCase {
    std::string url;
    std::string host;
    std::string hostWithPort;
    int port;
    std::string path;
};

TEST(UrlPartsTest, HostPortAndPath) {
    const UrlCase cases[] = {
        {"HTTPS://Example.COM/Pic.jpg", "example.com", "example.com", 443, "/Pic.jpg"},
        {"http://Host.com:8080/a/b?x=1", "host.com", "host.com:8080", 8080, "/a/b?x=1"},
        {"http://a.b", "a.b", "a.b", 80, "/"},
        {"https://a.b", "a.b", "a.b", 443, "/"},
        {"example.com/pic.jpg", "example.com", "example.com", 80, "/pic.jpg"},
        {"127.0.0.1:81/x", "127.0.0.1", "127.0.0.1:81", 81, "/x"},
        {"http://WWW.A.COM/Path/Up", "www.a.com", "www.a.com", 80, "/Path/Up"},
        {"https://h.cn:8443", "h.cn", "h.cn:8443", 8443, "/"},
        // Hosts that also occur inside the scheme.
        {"http://t/x", "t", "t", 80, "/x"},
        {"https://s:8443/a?b=1", "s", "s:8443", 8443, "/a?b=1"},
        {"HTTP://Http/p", "http", "http", 80, "/p"},
        // A capital-looking trail byte belongs to its character and stays.
        {"http://\x81"
         "A.CN/Q",
         "\x81"
         "A.cn",
         "\x81"
         "A.cn",
         80, "/Q"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HostOfUrl(c.url), c.host) << c.url;
        EXPECT_EQ(HostOfUrl(c.url, true), c.hostWithPort) << c.url;
        EXPECT_EQ(PortOfUrl(c.url), c.port) << c.url;
        EXPECT_EQ(PathOfUrl(c.url), c.path) << c.url;
    }
}

TEST(UrlPartsTest, PortThatIsNoNumberGivesZero) {
    EXPECT_EQ(PortOfUrl("http://h:abc/"), 0);
    EXPECT_EQ(PortOfUrl("http://h:99999999999999999999/"), 0);
}

}  // namespace
}  // namespace cq
