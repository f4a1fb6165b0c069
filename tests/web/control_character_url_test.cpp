// URLs come from the network (cover pictures, audio). One that holds a control
// character anywhere is never requested by either operation: through the Referer
// line a line break in it would otherwise put header lines of the sender's choice
// on the wire.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loopback_servers.h"
#include "platform/recording_http_request.h"
#include "web/fetch_via_request_object.h"
#include "web/fetch_via_wininet.h"

namespace cq {
namespace {

using test::RawRequest;
using test::RawServer;

struct BadUrl {
    const char* where;
    std::string url;
};

// Every place of a URL, and every kind of control character.
std::vector<BadUrl> BadUrls(const RawServer& server) {
    const std::string origin = "http://127.0.0.1:" + std::to_string(server.port());
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    return {
        {"CR LF and a header in front of the URL",
         "\r\nX-Injected: four " + origin + "/covers/e.png"},
        {"LF in front", "\nX-Injected: 1 " + origin + "/e.png"},
        {"CR LF at the end", origin + "/e.png\r\nX-Injected: 1"},
        {"CR alone in the path", origin + "/e\r.png"},
        {"LF in the query", origin + "/e.png?a=1\nX-Injected: 1"},
        {"tab in the path", origin + "/e\t.png"},
        {"zero byte in the path", origin + std::string("/e\0.png", 7)},
        {"0x01 in the host", "http://127.0.0.1\x01:" + std::to_string(server.port()) + "/e.png"},
        {"0x1F in the fragment", origin + "/e.png#a\x1F"},
        {"DEL in the path", origin + "/e\x7F.png"},
        {"LF in the scheme", "ht\ntp://" + hostPort + "/e.png"},
        {"CR LF before a URL without scheme", "\r\n" + hostPort + "/e.png"},
        {"CR LF in the user info", "http://u\r\nX-Injected: 1@" + hostPort + "/e.png"},
        {"secure URL with LF", "https://" + hostPort + "/e.png\n"},
    };
}

std::string Show(const std::vector<RawRequest>& requests) {
    std::string shown;
    for (const RawRequest& r : requests) {
        shown += r.requestLine + "\n";
        for (const std::string& line : r.headerLines) {
            shown += "  " + line + "\n";
        }
    }
    return shown;
}

TEST(ControlCharacterUrl, WinInetSendsNothingAndWritesNothing) {
    RawServer server([](const RawRequest&) { return RawServer::Reply("\x89PNG"); });
    for (const BadUrl& bad : BadUrls(server)) {
        SCOPED_TRACE(bad.where);
        Text headers = "untouched";
        Text cookies = "untouched";
        Bytes postBytes;
        const Bytes body = FetchViaWinInet({.url = bad.url,
                                            .method = 1,
                                            .postText = "x=1",
                                            .returnedCookies = &cookies,
                                            .returnedHeaders = &headers,
                                            .postBytes = &postBytes});
        EXPECT_TRUE(body.empty());
        EXPECT_EQ(headers, "untouched");
        EXPECT_EQ(cookies, "untouched");
        EXPECT_TRUE(postBytes.empty());
    }
    EXPECT_TRUE(server.Requests().empty()) << Show(server.Requests());

    // The same server is reached by a clean URL: the refusals were the URLs' doing.
    EXPECT_EQ(TextFromBytes(FetchViaWinInet({.url = server.Url("/covers/e.png")})), "\x89PNG");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(ControlCharacterUrl, RequestObjectSendsNothingAndFailsLikeAFailedSend) {
    RawServer server(
        [](const RawRequest&) { return RawServer::Reply("list", "Set-Cookie: fresh=1\r\n"); });
    for (const BadUrl& bad : BadUrls(server)) {
        SCOPED_TRACE(bad.where);
        Text headers = "stale";
        Text returned = "stale";
        Text cookies = "Cookie: a=1; b=deleted";
        int status = -1;
        const Bytes body = FetchViaRequestObject({.url = bad.url,
                                                  .method = 1,
                                                  .cookies = &cookies,
                                                  .returnedCookies = &returned,
                                                  .returnedHeaders = &headers,
                                                  .statusCode = &status});
        EXPECT_TRUE(body.empty());
        EXPECT_EQ(headers, "");
        EXPECT_EQ(status, 0);
        // Merged with the nothing that came back.
        EXPECT_EQ(returned, "a=1");
        EXPECT_EQ(cookies, "a=1");
    }
    EXPECT_TRUE(server.Requests().empty()) << Show(server.Requests());

    int status = 0;
    FetchViaRequestObject({.url = server.Url("/list"), .statusCode = &status});
    EXPECT_EQ(status, 200);
}

TEST(ControlCharacterUrl, ACallersRequestObjectIsNotEvenOpened) {
    // Whatever object the caller hands in, a URL like this never reaches it.
    platform::RecordingHttpRequest object;
    Text headers = "stale";
    int status = -1;
    const Bytes body = FetchViaRequestObject({.url = "http://fm.example/a\r\nX-Injected: 1",
                                              .returnedHeaders = &headers,
                                              .statusCode = &status,
                                              .requestObject = &object});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(object.calls, std::vector<std::string>{});
}

}  // namespace
}  // namespace cq
