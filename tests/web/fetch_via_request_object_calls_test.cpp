// What FetchViaRequestObject asks of the request object, call by call.

#include <gtest/gtest.h>

#include "platform/recording_http_request.h"
#include "web/fetch_via_request_object.h"

namespace cq {
namespace {

using Calls = std::vector<std::string>;

constexpr const char* kUrl = "http://fm.example/list?x=1";
const std::string kUa =
    "SetRequestHeader(User-Agent|Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1))";

// The calls from the first SetRequestHeader up to (not including) Send.
Calls HeaderCalls(const Calls& calls) {
    Calls out;
    for (const auto& c : calls) {
        if (c.rfind("SetRequestHeader(", 0) == 0) {
            out.push_back(c);
        }
    }
    return out;
}

TEST(RequestObjectCallsTest, GetWithNoHeadersMakesExactlyTheseCalls) {
    platform::RecordingHttpRequest fake;
    FetchViaRequestObject({.url = kUrl, .requestObject = &fake});
    EXPECT_EQ(fake.calls, (Calls{
                              "SetTimeouts(15000|15000|15000|15000)",
                              std::string("Open(GET|") + kUrl + "|false)",
                              "Option(4|13056)",
                              "SetRequestHeader(Accept|*/*)",
                              std::string("SetRequestHeader(Referer|") + kUrl + ")",
                              "SetRequestHeader(Accept-Language|zh-cn)",
                              kUa,
                              "Send(text|)",
                              "ResponseBody()",
                              "GetAllResponseHeaders()",
                              "Status()",
                          }));
}

TEST(RequestObjectCallsTest, PostAddsContentTypeAsFifthHeader) {
    platform::RecordingHttpRequest fake;
    FetchViaRequestObject({.url = kUrl, .method = 1, .postText = "a=1", .requestObject = &fake});
    const Calls headers = HeaderCalls(fake.calls);
    ASSERT_EQ(headers.size(), 5u);
    EXPECT_EQ(headers[4], "SetRequestHeader(Content-Type|application/x-www-form-urlencoded)");
    EXPECT_EQ(fake.calls[1], std::string("Open(POST|") + kUrl + "|false)");
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(), "Send(text|a=1)"), fake.calls.end());
}

TEST(RequestObjectCallsTest, MethodNumbersMapToTexts) {
    const std::pair<int, std::string> cases[] = {
        {0, "GET"},    {1, "POST"},  {2, "HEAD"},    {3, "PUT"}, {4, "OPTIONS"},
        {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"}, {-1, "GET"},
    };
    for (const auto& [method, text] : cases) {
        platform::RecordingHttpRequest fake;
        FetchViaRequestObject({.url = "http://h/", .method = method, .requestObject = &fake});
        EXPECT_EQ(fake.calls[1], "Open(" + text + "|http://h/|false)") << method;
        const bool hasContentType =
            HeaderCalls(fake.calls).back().rfind("SetRequestHeader(Content-Type", 0) == 0;
        EXPECT_EQ(hasContentType, method == 1) << method;
    }
}

TEST(RequestObjectCallsTest, TimeoutsAreSetOnceForAllFourPhases) {
    const std::pair<std::optional<int>, std::string> cases[] = {
        {std::nullopt, "SetTimeouts(15000|15000|15000|15000)"},
        {0, "SetTimeouts(15000|15000|15000|15000)"},
        {-5, "SetTimeouts(15000|15000|15000|15000)"},
        {2, "SetTimeouts(2000|2000|2000|2000)"},
        {-1, ""},
    };
    for (const auto& [seconds, call] : cases) {
        platform::RecordingHttpRequest fake;
        FetchViaRequestObjectOptions options{.url = "http://h/", .requestObject = &fake};
        if (seconds) {
            options.timeoutSeconds = *seconds;
        }
        FetchViaRequestObject(options);
        const auto count =
            std::count_if(fake.calls.begin(), fake.calls.end(),
                          [](const std::string& c) { return c.rfind("SetTimeouts", 0) == 0; });
        if (call.empty()) {
            EXPECT_EQ(count, 0);
        } else {
            EXPECT_EQ(count, 1);
            EXPECT_EQ(fake.calls[0], call);
        }
    }
}

TEST(RequestObjectCallsTest, NoRedirectSwitchesRedirectsOffBeforeCertificateFlags) {
    platform::RecordingHttpRequest fake;
    FetchViaRequestObject({.url = "http://h/", .noRedirect = true, .requestObject = &fake});
    EXPECT_EQ(fake.calls[2], "Option(6|0)");
    EXPECT_EQ(fake.calls[3], "Option(4|13056)");
}

TEST(RequestObjectCallsTest, ProxyCredentialsByTarget) {
    struct Case {
        std::string proxy;
        std::optional<int> target;
        Calls expected;  // the calls between Option(4) and the Accept header
    };
    const Case cases[] = {
        {"p:8080",
         std::nullopt,
         {"SetCredentials(u|pw|1)", "SetRequestHeader(Proxy-Authorization|Basic dTpwdw==)"}},
        {"p:8080",
         1,
         {"SetCredentials(u|pw|1)", "SetRequestHeader(Proxy-Authorization|Basic dTpwdw==)"}},
        {"p:8080", 0, {"SetCredentials(u|pw|0)"}},
        {"", std::nullopt, {}},  // a user without a proxy is ignored
    };
    for (const auto& c : cases) {
        platform::RecordingHttpRequest fake;
        FetchViaRequestObject({.url = "http://h/",
                               .proxy = c.proxy,
                               .proxyUser = "u",
                               .proxyPassword = "pw",
                               .credentialTarget = c.target,
                               .requestObject = &fake});
        const auto option4 = std::find(fake.calls.begin(), fake.calls.end(), "Option(4|13056)");
        const auto accept =
            std::find(fake.calls.begin(), fake.calls.end(), "SetRequestHeader(Accept|*/*)");
        ASSERT_NE(option4, fake.calls.end());
        EXPECT_EQ(Calls(option4 + 1, accept), c.expected) << c.proxy;
        const bool setProxy = fake.calls[1] == "SetProxy(2|p:8080)";
        EXPECT_EQ(setProxy, !c.proxy.empty());
    }
}

TEST(RequestObjectCallsTest, CallerHeadersAreCapitalisedAndSuppressDefaults) {
    struct Case {
        std::string headers;
        std::optional<bool> addDefaults;
        std::optional<bool> capitalize;
        Calls expected;
    };
    const std::string referer = "SetRequestHeader(Referer|http://h/)";
    const Case cases[] = {
        {"user-agent: x",
         {},
         {},
         {"SetRequestHeader(User-Agent|x)", "SetRequestHeader(Accept|*/*)", referer,
          "SetRequestHeader(Accept-Language|zh-cn)"}},
        // The search is not tied to line starts: X-Accept hides the default Accept.
        {"X-Accept: 1",
         {},
         {},
         {"SetRequestHeader(X-Accept|1)", referer, "SetRequestHeader(Accept-Language|zh-cn)", kUa}},
        {"Accept-Language: de",
         {},
         {},
         {"SetRequestHeader(Accept-Language|de)", "SetRequestHeader(Accept|*/*)", referer, kUa}},
        {"A: 1\r\nConnection: keep-alive\r\nConnection: close",
         false,
         {},
         {"SetRequestHeader(A|1)", "SetRequestHeader(Connection|close)"}},
        // One line goes as it stands, keep-alive included.
        {"Connection: keep-alive", false, {}, {"SetRequestHeader(Connection|keep-alive)"}},
        {"", false, {}, {"SetRequestHeader(|)"}},
        {"user-agent: x\r\nbad line",
         false,
         false,
         {"SetRequestHeader(user-agent|x)", "SetRequestHeader(|)"}},
    };
    for (const auto& c : cases) {
        platform::RecordingHttpRequest fake;
        FetchViaRequestObject({.url = "http://h/",
                               .headers = c.headers,
                               .requestObject = &fake,
                               .addDefaultHeaders = c.addDefaults,
                               .capitalizeHeaderNames = c.capitalize});
        EXPECT_EQ(HeaderCalls(fake.calls), c.expected) << c.headers;
    }
}

TEST(RequestObjectCallsTest, CookiesAreSentAndMerged) {
    platform::RecordingHttpRequest fake;
    fake.cannedHeaders = "Set-Cookie: b=3; Path=/\r\nSet-Cookie: c=4\r\n\r\n";
    Text cookies = "Cookie: a=1; b=2";
    Text returned;
    FetchViaRequestObject({.url = "http://h/",
                           .cookies = &cookies,
                           .returnedCookies = &returned,
                           .requestObject = &fake,
                           .addDefaultHeaders = false});
    EXPECT_EQ(HeaderCalls(fake.calls)[0], "SetRequestHeader(Cookie| a=1; b=2)");
    EXPECT_EQ(cookies, "b=3; c=4; a=1");
    EXPECT_EQ(returned, "b=3; c=4; a=1");
}

TEST(RequestObjectCallsTest, CookieSupplyAndMergeVariants) {
    struct Case {
        std::optional<std::string> cookies;
        std::optional<bool> merge;
        std::string cookieCall;  // empty: no Cookie header call at all
        std::string cookiesAfter;
        std::string returned;
    };
    const Case cases[] = {
        {std::nullopt, {}, "", "", "b=2"},  // collected, never merged
        {"", {}, "SetRequestHeader(Cookie|)", "b=2", "b=2"},
        {"a=1", false, "SetRequestHeader(Cookie|a=1)", "a=1", "b=2"},
        {"COOKIE:a=1", {}, "SetRequestHeader(Cookie|a=1)", "b=2; a=1", "b=2; a=1"},
    };
    for (const auto& c : cases) {
        platform::RecordingHttpRequest fake;
        fake.cannedHeaders = "Set-Cookie: b=2\r\n\r\n";
        Text cookies = c.cookies.value_or("");
        Text returned = "stale";
        FetchViaRequestObject({.url = "http://h/",
                               .cookies = c.cookies ? &cookies : nullptr,
                               .returnedCookies = &returned,
                               .requestObject = &fake,
                               .mergeCookies = c.merge});
        const Calls headers = HeaderCalls(fake.calls);
        const auto cookieCall = std::find_if(headers.begin(), headers.end(), [](auto& h) {
            return h.rfind("SetRequestHeader(Cookie", 0) == 0;
        });
        EXPECT_EQ(cookieCall == headers.end() ? "" : *cookieCall, c.cookieCall);
        if (c.cookies) {
            EXPECT_EQ(cookies, c.cookiesAfter) << *c.cookies;
        }
        EXPECT_EQ(returned, c.returned);
    }
}

TEST(RequestObjectCallsTest, BytesBodyGoesAsBytes) {
    platform::RecordingHttpRequest fake;
    FetchViaRequestObject({.url = "http://h/",
                           .method = 3,
                           .postText = "ignored",
                           .postBytes = {'x', 0, 'y'},
                           .requestObject = &fake});
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(), std::string("Send(bytes|x\0y)", 15)),
              fake.calls.end());
}

TEST(RequestObjectCallsTest, ResultsComeFromTheObject) {
    platform::RecordingHttpRequest fake;
    fake.cannedBody = {'o', 'k'};
    fake.cannedHeaders = "Date: x\r\n\r\n";
    fake.cannedStatus = 404;
    Text headers;
    int status = -1;
    const Bytes body = FetchViaRequestObject({.url = "http://h/",
                                              .returnedHeaders = &headers,
                                              .statusCode = &status,
                                              .requestObject = &fake});
    EXPECT_EQ(body, (Bytes{'o', 'k'}));
    EXPECT_EQ(headers, "Date: x\r\n\r\n");
    EXPECT_EQ(status, 404);
}

TEST(RequestObjectCallsTest, FailedSendGivesEmptyResultsAndMergesWithNothing) {
    platform::RecordingHttpRequest fake;
    fake.answers = false;
    Text cookies = "a=1; b=deleted";
    Text returned = "stale";
    Text headers = "stale";
    int status = -1;
    const Bytes body = FetchViaRequestObject({.url = "http://h/",
                                              .cookies = &cookies,
                                              .returnedCookies = &returned,
                                              .returnedHeaders = &headers,
                                              .statusCode = &status,
                                              .requestObject = &fake});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(returned, "a=1");
    EXPECT_EQ(cookies, "a=1");
}

}  // namespace
}  // namespace cq
