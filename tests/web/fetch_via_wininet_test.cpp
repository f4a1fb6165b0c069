// FetchViaWinInet and the WinINet-like handles against loopback servers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "loopback_servers.h"
#include "platform/wininet.h"
#include "web/fetch_via_wininet.h"

namespace cq {
namespace {

using test::HttplibServer;
using test::RawRequest;
using test::RawServer;
using Lines = std::vector<std::string>;

class WinInetTest : public ::testing::Test {
protected:
    // The cookie store lives as long as the process; each test starts it empty.
    void SetUp() override { platform::ClearInternetCookies(); }
};

std::string Host(const RawServer& server) {
    return "Host: 127.0.0.1:" + std::to_string(server.port());
}

TEST_F(WinInetTest, CoverRequestSendsTheDefaultHeaderText) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("\x89PNG", "X-Pic: 1\r\n"); });
    const std::string url = server.Url("/img/194.png?v=2");
    Text headers;
    const Bytes body = FetchViaWinInet({.url = url, .returnedHeaders = &headers});

    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.requestLine, "GET /img/194.png?v=2 HTTP/1.1");
    EXPECT_EQ(got.headerLines,
              (Lines{Host(server), "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                     "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn"}));
    EXPECT_EQ(TextFromBytes(body), "\x89PNG");
    EXPECT_EQ(headers,
              "HTTP/1.1 200 OK\r\nX-Pic: 1\r\nContent-Length: 4\r\nConnection: close\r\n\r\n");
}

TEST_F(WinInetTest, CallerUserAgentBecomesTheAgentAndStaysAHeader) {
    RawServer server([](const RawRequest&) { return RawServer::Reply(""); });
    FetchViaWinInet({.url = server.Url("/"), .headers = "user-agent: x\r\nA: 1"});
    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.headerLines, (Lines{Host(server), "User-Agent: x", "A: 1", "Accept: */*",
                                      "Referer: " + server.Url("/"), "Accept-Language: zh-cn"}));
}

TEST_F(WinInetTest, UserAgentTakenFromSeveralLinesKeepsToItsFirstLine) {
    // Without capitalising, the exact-case search finds no "User-Agent:", so the
    // agent is what follows the first ":" of the whole text: two lines.
    RawServer server([](const RawRequest&) { return RawServer::Reply(""); });
    FetchViaWinInet({.url = server.Url("/"),
                     .headers = "x-user-agent: y\r\nb: 2",
                     .addDefaultHeaders = false,
                     .capitalizeHeaderNames = false});
    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.headerLines, (Lines{Host(server), "User-Agent: y", "x-user-agent: y", "b: 2"}));
}

TEST_F(WinInetTest, SuppliedCookiesAreSentMergedAndLeftAlone) {
    RawServer server(
        [](const RawRequest&) { return RawServer::Reply("", "Set-Cookie: b=2; Path=/\r\n"); });
    struct Case {
        std::string cookies;
        std::string sentLine;  // the last header line on the wire
        std::string returned;
    };
    const Case cases[] = {
        {"a=1", "Cookie: a=1", "b=2; a=1"},
        // Sent as it stands; the merge takes the text as it stands too.
        {"Cookie: a=1", "Cookie: a=1", "b=2; Cookie: a=1"},
        {"", "Accept-Language: zh-cn", "b=2"},  // nothing sent, merged with nothing
    };
    for (const auto& c : cases) {
        Text returned;
        const FetchViaWinInetOptions options{
            .url = server.Url("/"), .cookies = c.cookies, .returnedCookies = &returned};
        FetchViaWinInet(options);
        EXPECT_EQ(server.Requests().back().headerLines.back(), c.sentLine) << c.cookies;
        EXPECT_EQ(returned, c.returned) << c.cookies;
        EXPECT_EQ(*options.cookies, c.cookies);
    }
}

TEST_F(WinInetTest, ProcessCookieStoreServesRequestsWithoutSuppliedCookies) {
    RawServer server([](const RawRequest& r) {
        return r.requestLine.rfind("GET /login", 0) == 0
                   ? RawServer::Reply("", "Set-Cookie: session=s1; Path=/\r\n")
                   : RawServer::Reply("");
    });
    Text returned;
    FetchViaWinInet({.url = server.Url("/login"), .returnedCookies = &returned});
    EXPECT_EQ(returned, "session=s1");  // collected, not merged: no cookies supplied

    FetchViaWinInet({.url = server.Url("/cover")});
    EXPECT_EQ(server.Requests().at(1).Header("Cookie"), "session=s1");

    // Supplied cookies switch the store off for that request.
    FetchViaWinInet({.url = server.Url("/cover"), .cookies = Text("mine=1")});
    const RawRequest third = server.Requests().at(2);
    EXPECT_EQ(third.Header("Cookie"), "mine=1");
    EXPECT_EQ(std::count_if(third.headerLines.begin(), third.headerLines.end(),
                            [](const std::string& l) { return l.rfind("Cookie", 0) == 0; }),
              1);
}

TEST_F(WinInetTest, LongResponseHeadersAreHandedBackWhole) {
    const std::string filler(6000, 'f');
    RawServer server([&](const RawRequest&) {
        return RawServer::Reply("body", "X-Filler: " + filler + "\r\nSet-Cookie: late=1\r\n");
    });
    Text headers;
    Text returned;
    const Bytes body = FetchViaWinInet(
        {.url = server.Url("/"), .returnedCookies = &returned, .returnedHeaders = &headers});
    EXPECT_EQ(TextFromBytes(body), "body");
    EXPECT_GT(headers.size(), 6000u);
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(headers.find("X-Filler: " + filler + "\r\n"), std::string::npos);
    EXPECT_EQ(returned, "late=1");
}

TEST_F(WinInetTest, NoResponseLeavesTheHeaderBufferOfSpaces) {
    Text headers;
    Text returned = "stale";
    const Bytes body =
        FetchViaWinInet({.url = "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/",
                         .cookies = Text("a=1"),
                         .returnedCookies = &returned,
                         .returnedHeaders = &headers});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, std::string(5000, ' '));
    EXPECT_EQ(returned, "a=1");
}

// A server that sends its body one byte at a time, never fast enough to finish and
// never slow enough to count as stalled, holds a request only as long as its limit.
TEST_F(WinInetTest, TimeLimitEndsTheWholeExchange) {
    HttplibServer server;
    std::atomic<bool> stop{false};
    server.server().Get("/drip", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("image/png", [&](std::size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 100 && !stop; ++i) {
                if (!sink.write("x", 1)) {
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            sink.done();
            return true;
        });
    });
    server.Start();

    Text headers;
    const auto started = std::chrono::steady_clock::now();
    const Bytes body = FetchViaWinInet(
        {.url = server.Url("/drip"), .returnedHeaders = &headers, .timeLimitMs = 1000});
    const auto took = std::chrono::steady_clock::now() - started;
    stop = true;
    EXPECT_TRUE(body.empty()) << "a body cut off is no body";
    EXPECT_EQ(headers, std::string(5000, ' '));
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(4000));

    // Within its limit a server is simply answered.
    HttplibServer quick;
    quick.server().Get("/pic", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("\x89PNG", "image/png");
    });
    quick.Start();
    EXPECT_EQ(FetchViaWinInet({.url = quick.Url("/pic"), .timeLimitMs = 1000}),
              BytesFromText("\x89PNG"));
}

TEST_F(WinInetTest, RedirectsFollowedUnlessSwitchedOff) {
    HttplibServer server;
    server.server().Get("/old", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/new");
        res.set_content("moved", "text/plain");
    });
    server.server().Get("/new", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("new", "text/plain");
    });
    server.server().Get("/file", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "file:///etc/passwd");
    });
    server.Start();
    Text headers;
    EXPECT_EQ(
        TextFromBytes(FetchViaWinInet({.url = server.Url("/old"), .returnedHeaders = &headers})),
        "new");
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(TextFromBytes(FetchViaWinInet({.url = server.Url("/old"), .noRedirect = true})),
              "moved");
    EXPECT_TRUE(FetchViaWinInet({.url = server.Url("/file")}).empty());
}

TEST_F(WinInetTest, SelfSignedHttpsWithCapitalScheme) {
    HttplibServer server(true);
    server.server().Get("/c.jpg", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("jpeg", "image/jpeg");
    });
    server.Start();
    std::string url = server.Url("/c.jpg");
    url.replace(0, 5, "HTTPS");
    EXPECT_EQ(TextFromBytes(FetchViaWinInet({.url = url})), "jpeg");
}

TEST_F(WinInetTest, PostBodyComesFromTextAndIsHandedBack) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("done"); });
    Bytes postBytes;
    FetchViaWinInet(
        {.url = server.Url("/p"), .method = 1, .postText = "q=中", .postBytes = &postBytes});
    EXPECT_EQ(postBytes, BytesFromText("q=中"));
    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.requestLine, "POST /p HTTP/1.1");
    EXPECT_EQ(got.body, "q=中");
    EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_FALSE(got.HasHeader("Expect"));
}

TEST_F(WinInetTest, HeadFillsHeadersAndReturnsNoBody) {
    // The announced length may lie past the body limit: a HEAD reads no body.
    for (const char* length : {"10", "100000000"}) {
        RawServer server([length](const RawRequest&) {
            return std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + length +
                   "\r\nConnection: close\r\n\r\n";
        });
        Text headers;
        EXPECT_TRUE(
            FetchViaWinInet({.url = server.Url("/"), .method = 2, .returnedHeaders = &headers})
                .empty());
        EXPECT_EQ(server.Requests().at(0).requestLine, "HEAD / HTTP/1.1");
        EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << length;
    }
}

TEST_F(WinInetTest, HttpProxyGetsTheAbsoluteUrl) {
    RawServer proxy([](const RawRequest&) { return RawServer::Reply("via proxy"); });
    const Bytes body = FetchViaWinInet({.url = "http://covers.example.invalid/a.png",
                                        .proxy = "127.0.0.1:" + std::to_string(proxy.port())});
    EXPECT_EQ(TextFromBytes(body), "via proxy");
    EXPECT_EQ(proxy.Requests().at(0).requestLine,
              "GET http://covers.example.invalid/a.png HTTP/1.1");
}

TEST_F(WinInetTest, SecureUrlGoesThroughTheProxyAsATunnel) {
    RawServer proxy([](const RawRequest&) {
        return std::string("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
    });
    const Bytes body = FetchViaWinInet({.url = "https://covers.example.invalid/a.png",
                                        .proxy = "127.0.0.1:" + std::to_string(proxy.port())});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(proxy.Requests().at(0).requestLine, "CONNECT covers.example.invalid:443 HTTP/1.1");
}

TEST_F(WinInetTest, SocksProxyResolvesTheHostAndCarriesTheRequest) {
    test::SocksServer socks(RawServer::Reply("via socks"));
    const Bytes body = FetchViaWinInet({.url = "http://covers.example.invalid:8081/a.png",
                                        .proxy = "127.0.0.1:" + std::to_string(socks.port()),
                                        .useSocks = true});
    EXPECT_EQ(TextFromBytes(body), "via socks");
    EXPECT_EQ(socks.Destinations(), (Lines{"covers.example.invalid:8081"}));
    EXPECT_EQ(socks.RequestLines(), (Lines{"GET /a.png HTTP/1.1"}));
}

TEST_F(WinInetTest, CookiesAloneMakeTheWholeHeaderText) {
    // Without default headers the text is an empty line and the Cookie line;
    // a text that already says "Cookie:" goes as it stands.
    RawServer server([](const RawRequest&) { return RawServer::Reply(""); });
    for (const char* cookies : {"a=1; b=2", "Cookie: a=1; b=2"}) {
        FetchViaWinInet(
            {.url = server.Url("/"), .cookies = Text(cookies), .addDefaultHeaders = false});
        EXPECT_EQ(
            server.Requests().back().headerLines,
            (Lines{Host(server), "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                   "Cookie: a=1; b=2"}))
            << cookies;
    }
}

TEST_F(WinInetTest, UrlsWithoutSchemeAreHttpAndLineBreaksAreRefused) {
    // Anything that is not https is taken for an http URL and fetched as such.
    RawServer server([](const RawRequest&) { return RawServer::Reply("x"); });
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(TextFromBytes(FetchViaWinInet({.url = hostPort + "/x"})), "x");
    EXPECT_TRUE(FetchViaWinInet({.url = hostPort + "/x\r\nX-Injected: 1"}).empty());
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(WinInetTest, UrlsOfOtherSchemesAreNeverRequested) {
    // Each names the loopback server further on, where a scheme-less reading of
    // the URL would find an http host.
    RawServer server([](const RawRequest&) { return RawServer::Reply("x"); });
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    for (const std::string& url :
         {"ftp://files.example/?u=http://" + hostPort + "/x",
          "FILE:///etc/passwd?http://" + hostPort + "/", "gopher://" + hostPort + "/x"}) {
        Text headers = "untouched";
        EXPECT_TRUE(FetchViaWinInet({.url = url, .returnedHeaders = &headers}).empty()) << url;
        EXPECT_EQ(headers, "untouched") << url;
    }
    EXPECT_TRUE(server.Requests().empty());
    // Within a query an http URL is no scheme of the request's own.
    EXPECT_EQ(TextFromBytes(FetchViaWinInet({.url = "http://" + hostPort + "/x?to=ftp://a/"})),
              "x");
}

TEST(WinInetHandlesTest, ReadsInPiecesAndReportsTheHeaderSizeNeeded) {
    RawServer server([](const RawRequest&) { return RawServer::Reply(std::string(3000, 'b')); });
    using namespace platform;
    HInternet session = InternetOpen("agent", kInternetOpenTypeDirect, "", "", 0);
    ASSERT_NE(session, nullptr);
    HInternet connection =
        InternetConnect(session, "127.0.0.1", server.port(), "", "", kInternetServiceHttp, 0, 0);
    ASSERT_NE(connection, nullptr);
    HInternet request = HttpOpenRequest(connection, "GET", "/", "HTTP/1.1", "", nullptr,
                                        kFlagReload | kFlagNoCookies, 0);
    ASSERT_NE(request, nullptr);
    EXPECT_TRUE(InternetCloseHandle(connection));  // a child outlives its parent
    ASSERT_TRUE(HttpSendRequest(request, "", nullptr, 0));

    std::vector<unsigned long> pieces;
    char buffer[1024];
    unsigned long read = 0;
    do {
        ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &read));
        pieces.push_back(read);
    } while (read > 0);
    EXPECT_EQ(pieces, (std::vector<unsigned long>{1024, 1024, 952, 0}));

    const std::string raw = "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\nConnection: close\r\n\r\n";
    char small[10];
    unsigned long length = sizeof small;
    EXPECT_FALSE(HttpQueryInfo(request, kQueryRawHeadersCrlf, small, &length, nullptr));
    EXPECT_EQ(length, raw.size() + 1);
    std::string big(length, '?');
    EXPECT_TRUE(HttpQueryInfo(request, kQueryRawHeadersCrlf, big.data(), &length, nullptr));
    EXPECT_EQ(length, raw.size());
    EXPECT_EQ(big, raw + '\0');
    EXPECT_TRUE(InternetCloseHandle(request));
    EXPECT_TRUE(InternetCloseHandle(session));
}

TEST(WinInetHandlesTest, RejectsWhatIsNoHost) {
    using namespace platform;
    HInternet session = InternetOpen("a", kInternetOpenTypeDirect, "", "", 0);
    for (const char* host : {"", "a b", "evil.com/x", "user@host", "h?x"}) {
        EXPECT_EQ(InternetConnect(session, host, 80, "", "", kInternetServiceHttp, 0, 0), nullptr)
            << host;
    }
    EXPECT_EQ(InternetOpen("a", kInternetOpenTypeProxy, "", "", 0), nullptr);
    InternetCloseHandle(session);
}

}  // namespace
}  // namespace cq
