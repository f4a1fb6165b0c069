// What FetchViaRequestObject puts on the wire through the curl request object, and
// what it hands back, against loopback servers.

#include <gtest/gtest.h>

#include <cstdlib>

#include "loopback_servers.h"
#include "platform/http_request.h"
#include "web/fetch_via_request_object.h"
#include "web/fetch_via_wininet.h"
#include "web/header_text.h"

namespace cq {
namespace {

using test::HttplibServer;
using test::RawRequest;
using test::RawServer;
using Lines = std::vector<std::string>;

constexpr const char* kDefaultAgent =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string Host(const RawServer& server) {
    return "Host: 127.0.0.1:" + std::to_string(server.port());
}

struct Outcome {
    Bytes body;
    Text headers = "unset";
    int status = -1;
};

Outcome Fetch(FetchViaRequestObjectOptions options) {
    Outcome out;
    options.returnedHeaders = &out.headers;
    options.statusCode = &out.status;
    out.body = FetchViaRequestObject(options);
    return out;
}

TEST(RequestObjectWireTest, GetSendsDefaultHeadersAndReturnsFinalHeaders) {
    RawServer server(
        [](const RawRequest&) { return RawServer::Reply("hello", "X-MiXed-Case: v\r\n"); });
    const std::string url = server.Url("/list?page=1");
    const Outcome out = Fetch({.url = url});

    ASSERT_EQ(server.Requests().size(), 1u);
    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.requestLine, "GET /list?page=1 HTTP/1.1");
    EXPECT_EQ(got.headerLines, (Lines{Host(server), "Accept: */*", "Referer: " + url,
                                      "Accept-Language: zh-cn", kDefaultAgent}));
    EXPECT_EQ(TextFromBytes(out.body), "hello");
    EXPECT_EQ(out.status, 200);
    // No status line; names as the server wrote them; one more CR LF at the end.
    EXPECT_EQ(out.headers, "X-MiXed-Case: v\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
}

TEST(RequestObjectWireTest, EmptyPostSaysContentLengthZeroAndNothingUnasked) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("[]"); });
    const std::string url = server.Url("/fm");
    const Outcome out = Fetch({.url = url, .method = 1, .headers = "User-Agent: Chrome/50"});

    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.requestLine, "POST /fm HTTP/1.1");
    Lines sorted = got.headerLines;
    std::sort(sorted.begin(), sorted.end());
    Lines expected = {Host(server),
                      "Accept: */*",
                      "Referer: " + url,
                      "Accept-Language: zh-cn",
                      "User-Agent: Chrome/50",
                      "Content-Type: application/x-www-form-urlencoded",
                      "Content-Length: 0"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);  // no Expect, no second User-Agent, no curl Accept
    EXPECT_EQ(got.body, "");
    EXPECT_EQ(TextFromBytes(out.body), "[]");
}

TEST(RequestObjectWireTest, BodiesArriveByteForByteWithAnyMethod) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("ok"); });
    const Bytes binary = {'a', 0, 0xFF, '\r', '\n', 'z'};
    struct Case {
        int method;
        std::string text;
        Bytes bytes;
        std::string line;
        std::string body;
    };
    const Case cases[] = {
        {3, "", binary, "PUT / HTTP/1.1", std::string("a\0\xFF\r\nz", 6)},
        {1, "k=中", {}, "POST / HTTP/1.1", "k=中"},
        {5, "gone", {}, "DELETE / HTTP/1.1", "gone"},
        // Large enough for curl to ask "Expect: 100-continue" on its own.
        {1, std::string(1536 * 1024, 'p'), {}, "POST / HTTP/1.1", std::string(1536 * 1024, 'p')},
    };
    for (const auto& c : cases) {
        Fetch(
            {.url = server.Url("/"), .method = c.method, .postText = c.text, .postBytes = c.bytes});
        const RawRequest got = server.Requests().back();
        EXPECT_EQ(got.requestLine, c.line);
        EXPECT_EQ(got.body, c.body) << c.line;
        EXPECT_EQ(got.Header("Content-Length"), std::to_string(c.body.size()));
        EXPECT_FALSE(got.HasHeader("Expect")) << c.line;
    }
}

TEST(RequestObjectWireTest, HeadReturnsHeadersWithoutBody) {
    // A HEAD answer announces a length it does not send, also one past the body limit.
    for (const char* length : {"1000", "100000000"}) {
        RawServer server([length](const RawRequest&) {
            return std::string(
                       "HTTP/1.1 200 OK\r\nDate: Fri, 11 Dec 2026 03:04:05 GMT\r\n"
                       "Content-Length: ") +
                   length + "\r\nConnection: close\r\n\r\n";
        });
        const Outcome out = Fetch({.url = server.Url("/"), .method = 2});
        const RawRequest got = server.Requests().at(0);
        EXPECT_EQ(got.requestLine, "HEAD / HTTP/1.1");
        EXPECT_EQ(got.headerLines,
                  (Lines{Host(server), "Accept: */*", "Referer: " + server.Url("/"),
                         "Accept-Language: zh-cn", kDefaultAgent}));
        EXPECT_TRUE(out.body.empty());
        EXPECT_EQ(out.status, 200) << length;
        EXPECT_NE(out.headers.find("Date: Fri, 11 Dec 2026 03:04:05 GMT\r\n"), std::string::npos)
            << length;
    }
}

TEST(RequestObjectWireTest, CallerHeadersAreCapitalisedAndSuppressDefaults) {
    RawServer server([](const RawRequest&) { return RawServer::Reply(""); });
    Fetch({.url = server.Url("/"), .headers = "user-agent: x\r\nx-accept: 1"});
    const RawRequest got = server.Requests().at(0);
    EXPECT_EQ(got.headerLines, (Lines{Host(server), "User-Agent: x", "X-Accept: 1",
                                      "Referer: " + server.Url("/"), "Accept-Language: zh-cn"}));
}

TEST(RequestObjectWireTest, CookiesAreSentAndMergedWithTheResponse) {
    RawServer server([](const RawRequest&) {
        return RawServer::Reply("", "Set-Cookie: b=3; Path=/; HttpOnly\r\nSet-Cookie: c=4\r\n");
    });
    Text cookies = "a=1; b=2";
    Text returned;
    Fetch({.url = server.Url("/"), .cookies = &cookies, .returnedCookies = &returned});
    EXPECT_EQ(server.Requests().at(0).Header("Cookie"), "a=1; b=2");
    EXPECT_EQ(cookies, "b=3; c=4; a=1");
    EXPECT_EQ(returned, "b=3; c=4; a=1");
}

class RedirectTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.server().Post("/old", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/new");
            res.set_content("moved", "text/plain");
        });
        server_.server().Get("/old", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/new");
            res.set_content("moved", "text/plain");
        });
        server_.server().Get("/new", [this](const httplib::Request& req, httplib::Response& res) {
            newMethod_ = req.method;
            res.set_header("X-Final", "yes");
            res.set_content("new", "text/plain");
        });
        server_.server().Get("/elsewhere", [](const httplib::Request&, httplib::Response& res) {
            res.status = 301;
            res.set_header("Location", "ftp://127.0.0.1/secret");
        });
        server_.Start();
    }
    HttplibServer server_;
    std::string newMethod_;
};

TEST_F(RedirectTest, FollowedUnlessSwitchedOff) {
    Outcome followed = Fetch({.url = server_.Url("/old")});
    EXPECT_EQ(TextFromBytes(followed.body), "new");
    EXPECT_EQ(followed.status, 200);
    EXPECT_NE(followed.headers.find("X-Final: yes\r\n"), std::string::npos);
    EXPECT_EQ(followed.headers.find("Location"), std::string::npos);  // final response only

    Outcome stopped = Fetch({.url = server_.Url("/old"), .noRedirect = true});
    EXPECT_EQ(TextFromBytes(stopped.body), "moved");
    EXPECT_EQ(stopped.status, 302);
    EXPECT_NE(stopped.headers.find("Location: /new\r\n"), std::string::npos);
}

TEST_F(RedirectTest, PostTurnsIntoGetOnFound) {
    Outcome out = Fetch({.url = server_.Url("/old"), .method = 1});
    EXPECT_EQ(TextFromBytes(out.body), "new");
    EXPECT_EQ(newMethod_, "GET");
}

TEST_F(RedirectTest, RedirectToAnotherSchemeFails) {
    Outcome out = Fetch({.url = server_.Url("/elsewhere")});
    EXPECT_TRUE(out.body.empty());
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.headers, "");
}

TEST(RequestObjectWireTest, OnlyHttpAndHttpsAreRequested) {
    for (const char* url : {"file:///etc/hostname", "ftp://127.0.0.1/", "gopher://127.0.0.1/",
                            "dict://127.0.0.1/", "127.0.0.1/no-scheme"}) {
        const Outcome out = Fetch({.url = url});
        EXPECT_TRUE(out.body.empty()) << url;
        EXPECT_EQ(out.status, 0) << url;
        EXPECT_EQ(out.headers, "") << url;
    }
}

TEST(RequestObjectWireTest, UrlWithLineBreakIsNeverRequested) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("ok"); });
    const Outcome out = Fetch({.url = server.Url("/a\r\nX-Injected: 1")});
    EXPECT_TRUE(out.body.empty());
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(server.Requests().empty());
}

TEST(RequestObjectWireTest, NonAsciiUrlGoesOutAsEscapedUtf8) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("ok"); });
    Fetch({.url = server.Url("/早报 1.jpg")});
    EXPECT_EQ(server.Requests().at(0).requestLine, "GET /%E6%97%A9%E6%8A%A5%201.jpg HTTP/1.1");
}

TEST(RequestObjectWireTest, SelfSignedHttpsIsReachedOnlyWithChecksOff) {
    HttplibServer server(true);
    server.server().Get("/x", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("secure", "text/plain");
    });
    server.Start();
    const Outcome out = Fetch({.url = server.Url("/x")});
    EXPECT_EQ(TextFromBytes(out.body), "secure");
    EXPECT_EQ(out.status, 200);

    // Without the certificate flags the object refuses the certificate.
    auto request = platform::CreateHttpRequest();
    ASSERT_TRUE(request->Open("GET", server.Url("/x"), false));
    EXPECT_FALSE(request->Send(std::string_view()));
    EXPECT_EQ(request->Status(), 0);
}

TEST(RequestObjectWireTest, SilentServerTimesOut) {
    RawServer server([](const RawRequest&) { return std::string(); });
    Text cookies = "a=1";
    Text returned = "stale";
    const Outcome out = Fetch({.url = server.Url("/"),
                               .cookies = &cookies,
                               .returnedCookies = &returned,
                               .timeoutSeconds = 1});
    EXPECT_TRUE(out.body.empty());
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.headers, "");
    EXPECT_EQ(returned, "a=1");  // the merge of the sent cookies with nothing
}

TEST(RequestObjectWireTest, RefusedConnectionGivesEmptyResults) {
    Text returned = "stale";
    const Outcome out =
        Fetch({.url = "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/",
               .returnedCookies = &returned});
    EXPECT_TRUE(out.body.empty());
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.headers, "");
    EXPECT_EQ(returned, "");
}

TEST(RequestObjectWireTest, BodiesOverSixtyFourMebibytesFail) {
    constexpr std::size_t kLimit = std::size_t{64} << 20;
    HttplibServer server;
    auto serve = [](std::size_t size, bool chunked) {
        return [size, chunked](const httplib::Request&, httplib::Response& res) {
            auto chunk = std::make_shared<std::string>(1 << 20, 'x');
            auto provide = [size, chunk](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                const std::size_t n = std::min(chunk->size(), size - offset);
                return sink.write(chunk->data(), n);
            };
            if (chunked) {
                auto sent = std::make_shared<std::size_t>(0);
                res.set_chunked_content_provider(
                    "application/octet-stream",
                    [size, chunk, sent](std::size_t, httplib::DataSink& sink) {
                        if (*sent >= size) {
                            sink.done();
                            return true;
                        }
                        const std::size_t n = std::min(chunk->size(), size - *sent);
                        *sent += n;
                        return sink.write(chunk->data(), n);
                    });
            } else {
                res.set_content_provider(size, "application/octet-stream", provide);
            }
        };
    };
    server.server().Get("/limit", serve(kLimit, false));
    server.server().Get("/over", serve(kLimit + 1, false));
    server.server().Get("/over-chunked", serve(kLimit + 1, true));
    server.Start();

    EXPECT_EQ(Fetch({.url = server.Url("/limit")}).body.size(), kLimit);
    for (const char* path : {"/over", "/over-chunked"}) {
        const Outcome out = Fetch({.url = server.Url(path)});
        EXPECT_TRUE(out.body.empty()) << path;
        EXPECT_EQ(out.status, 0) << path;
    }
}

class ProxyEnvironment {
public:
    explicit ProxyEnvironment(const std::string& proxy) {
        for (const char* name : kNames) {
            setenv(name, proxy.c_str(), 1);
        }
    }
    ~ProxyEnvironment() {
        for (const char* name : kNames) {
            unsetenv(name);
        }
    }

private:
    static constexpr const char* kNames[] = {"http_proxy", "HTTPS_PROXY", "https_proxy",
                                             "ALL_PROXY", "all_proxy"};
};

TEST(RequestObjectWireTest, ProxyEnvironmentVariablesAreIgnored) {
    RawServer proxy([](const RawRequest&) { return RawServer::Reply("from proxy"); });
    RawServer server([](const RawRequest&) { return RawServer::Reply("direct"); });
    ProxyEnvironment environment("http://127.0.0.1:" + std::to_string(proxy.port()));
    EXPECT_EQ(TextFromBytes(Fetch({.url = server.Url("/")}).body), "direct");
    EXPECT_TRUE(proxy.Requests().empty());
}

TEST(RequestObjectWireTest, NoProxyVariableDoesNotBypassTheGivenProxy) {
    RawServer proxy([](const RawRequest&) { return RawServer::Reply("from proxy"); });
    const std::string address = "127.0.0.1:" + std::to_string(proxy.port());
    setenv("no_proxy", "*", 1);
    setenv("NO_PROXY", "*", 1);
    const Bytes viaObject = Fetch({.url = "http://fm.example.invalid/list", .proxy = address}).body;
    const Bytes viaInternet =
        FetchViaWinInet({.url = "http://covers.example.invalid/a.png", .proxy = address});
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    EXPECT_EQ(TextFromBytes(viaObject), "from proxy");
    EXPECT_EQ(TextFromBytes(viaInternet), "from proxy");
    EXPECT_EQ(proxy.Requests().size(), 2u);
}

TEST(RequestObjectWireTest, ProxyReceivesProxyAuthorization) {
    RawServer proxy([](const RawRequest& r) {
        return r.requestLine.rfind("CONNECT", 0) == 0
                   ? std::string("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
                   : RawServer::Reply("via proxy");
    });
    const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
    const Outcome out = Fetch({.url = "http://fm.example.invalid/list",
                               .proxy = proxyAddress,
                               .proxyUser = "user",
                               .proxyPassword = "密码"});
    EXPECT_EQ(TextFromBytes(out.body), "via proxy");
    const RawRequest got = proxy.Requests().at(0);
    EXPECT_EQ(got.requestLine, "GET http://fm.example.invalid/list HTTP/1.1");
    const std::string expected = "Basic " + Base64Encode(BytesFromText("user:密码"));
    EXPECT_EQ(got.Header("Proxy-Authorization"), expected);
    EXPECT_EQ(
        std::count_if(got.headerLines.begin(), got.headerLines.end(),
                      [](const std::string& l) { return l.rfind("Proxy-Authorization", 0) == 0; }),
        1);
    EXPECT_FALSE(got.HasHeader("Proxy-Connection"));  // nothing the caller did not ask for

    // Through a tunnel the credentials go to the proxy's CONNECT, not past it.
    Fetch({.url = "https://fm.example.invalid/list",
           .proxy = proxyAddress,
           .proxyUser = "user",
           .proxyPassword = "pw"});
    const RawRequest connect = proxy.Requests().at(1);
    EXPECT_EQ(connect.requestLine, "CONNECT fm.example.invalid:443 HTTP/1.1");
    EXPECT_EQ(connect.Header("Proxy-Authorization"), "Basic dXNlcjpwdw==");
}

TEST(RequestObjectWireTest, ObjectRefusesEmptyNamesAndReplacesRepeatedOnes) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("ok"); });
    auto request = platform::CreateHttpRequest();
    ASSERT_TRUE(request->Open("GET", server.Url("/"), false));
    EXPECT_FALSE(request->SetRequestHeader("", "x"));
    EXPECT_FALSE(request->SetRequestHeader("X-Evil", "a\r\nInjected: 1"));
    EXPECT_TRUE(request->SetRequestHeader("X-Dup", "1"));
    EXPECT_TRUE(request->SetRequestHeader("x-dup", "2"));
    EXPECT_TRUE(request->Send(std::string_view()));
    EXPECT_EQ(request->Status(), 200);
    EXPECT_EQ(server.Requests().at(0).headerLines, (Lines{Host(server), "X-Dup: 2"}));

    // Open starts afresh: no header of the previous request remains.
    ASSERT_TRUE(request->Open("GET", server.Url("/again"), false));
    EXPECT_TRUE(request->Send(std::string_view()));
    EXPECT_EQ(server.Requests().at(1).headerLines, (Lines{Host(server)}));
}

}  // namespace
}  // namespace cq
