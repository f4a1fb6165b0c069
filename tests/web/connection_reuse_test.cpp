// Requests to one origin go on over the connection an earlier request left open,
// whichever thread made it and whichever of the two request operations: a
// loading run (a worker thread of its own) and the cover fetch (the window
// thread) find the connection of the run before.

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>

#include "loopback_servers.h"
#include "web/fetch_via_request_object.h"
#include "web/fetch_via_wininet.h"

namespace cq {
namespace {

using test::HttplibServer;

// Each request is made on a thread of its own that has ended before the next.
void OnItsOwnThread(const std::function<void()>& request) {
    std::thread(request).join();
}

Bytes ByRequestObject(const std::string& url) {
    return FetchViaRequestObject({.url = url, .method = 1});
}

Bytes ByWinInet(const std::string& url) {
    FetchViaWinInetOptions options;
    options.url = url;
    return FetchViaWinInet(options);
}

struct PeerLog {
    std::mutex mutex;
    std::vector<int> ports;  // the client's port of each request
    std::vector<std::string> cookieHeaders;
};

void Serve(HttplibServer& server, PeerLog& log) {
    auto handler = [&log](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(log.mutex);
        log.ports.push_back(req.remote_port);
        log.cookieHeaders.push_back(req.get_header_value("Cookie"));
        res.set_header("Set-Cookie", "seen=1; Path=/");
        res.set_content("ok", "text/plain");
    };
    // The shared servers close after each answer; this one keeps connections, and
    // lets go of them soon, since stopping it waits for the open ones.
    server.server().set_keep_alive_max_count(10);
    server.server().set_keep_alive_timeout(1);
    server.server().Get("/.*", handler);
    server.server().Post("/.*", handler);
    server.Start();
}

TEST(ConnectionReuseTest, LaterRequestsToOneOriginTakeTheOpenConnection) {
    struct Case {
        const char* name;
        bool tls;
        Bytes (*first)(const std::string&);
        Bytes (*second)(const std::string&);
    };
    const Case cases[] = {
        {"list, then the next run's list", false, ByRequestObject, ByRequestObject},
        {"list over TLS, then the next run's", true, ByRequestObject, ByRequestObject},
        {"list, then the cover", false, ByRequestObject, ByWinInet},
        {"cover, then the next cover", false, ByWinInet, ByWinInet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttplibServer server(c.tls);
        PeerLog log;
        Serve(server, log);
        OnItsOwnThread([&] { EXPECT_FALSE(c.first(server.Url("/a")).empty()); });
        OnItsOwnThread([&] { EXPECT_FALSE(c.second(server.Url("/b")).empty()); });
        std::lock_guard lock(log.mutex);
        ASSERT_EQ(log.ports.size(), 2u);
        EXPECT_EQ(log.ports[0], log.ports[1]) << "a second connection was opened";
    }
}

// The cookie store belongs to the direct requests; sharing connections with the
// request object must not make it send the store's cookies.
TEST(ConnectionReuseTest, TheRequestObjectSendsNoCookieOfTheStore) {
    HttplibServer server;
    PeerLog log;
    Serve(server, log);
    OnItsOwnThread([&] { ByWinInet(server.Url("/set")); });
    OnItsOwnThread([&] { ByWinInet(server.Url("/again")); });
    OnItsOwnThread([&] { ByRequestObject(server.Url("/list")); });
    std::lock_guard lock(log.mutex);
    ASSERT_EQ(log.cookieHeaders.size(), 3u);
    EXPECT_EQ(log.cookieHeaders[1], "seen=1") << "the store itself works";
    EXPECT_EQ(log.cookieHeaders[2], "");
}

}  // namespace
}  // namespace cq
