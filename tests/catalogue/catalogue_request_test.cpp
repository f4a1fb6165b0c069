#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/build_playlist.h"
#include "catalogue/catalogue_request.h"
#include "catalogue/network_time.h"
#include "demo/exclusive_listen.h"
#include "demo/harness/demo_service.h"
#include "scoped_time_zone.h"
#include "text/encoding.h"

namespace cq {
namespace {

using testing::DemoService;

constexpr const char* kChromeUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";

FmOrigins OriginsOf(const DemoService& demo) {
    return {demo.HttpOrigin(), demo.HttpsOrigin()};
}

std::string Header(const nlohmann::json& request, const char* name) {
    const auto& headers = request["headers"];
    return headers.contains(name) ? headers[name].get<std::string>() : "<absent>";
}

bool IsDigits(std::string_view text, std::size_t length) {
    return text.size() == length && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string Show(const DateTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

// Unix milliseconds, the timestamp's value on a machine whose clock runs on UTC+8.
std::int64_t UnixMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

TEST(FetchEpisodeList, SendsTheCatalogueRequestAndReturnsGbkText) {
    DemoService demo({"--now", "2026-12-11 20:00:00"});
    ASSERT_TRUE(demo.Started());
    ScopedTimeZone utc8("CST-8");  // as on the machines the service expects
    struct Case {
        ProgrammeKind kind;
        const char* server;
        std::string origin;
        const char* pid;
        const char* newestTitle;  // GBK, as the service's UTF-8 arrives converted
        const char* oldestTitle;
    } cases[] = {
        {1, "http", demo.HttpOrigin(), "367750", "12月12日晨鹊早报：", "12月5日晨鹊早报："},
        {2, "https", demo.HttpsOrigin(), "456498", "12月11日晨鹊晚报：", "12月5日晨鹊晚报："},
    };
    std::size_t served = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        const std::int64_t before = UnixMilliseconds();
        const Text list = FetchEpisodeList(c.kind, OriginsOf(demo));
        const std::int64_t after = UnixMilliseconds();

        // The first title is the newest episode's.
        EXPECT_EQ(list.find(std::string("\"title\":\"") + c.newestTitle), list.find("\"title\":\""))
            << list;
        EXPECT_NE(list.find(c.oldestTitle), Text::npos);
        EXPECT_EQ(list.find(Utf8FromGbk(c.newestTitle)), Text::npos) << "still UTF-8";

        const auto requests = demo.Requests(++served);
        ASSERT_EQ(requests.size(), served);
        const auto& request = requests.back();
        EXPECT_EQ(request["server"], c.server);
        EXPECT_EQ(request["method"], "POST");
        const std::string target = request["target"];
        // Keys in this order, and a 13-digit stamp as the last value.
        const std::string expectedStart =
            std::string("/fm/read/fmd/h5/getPayResourceList_714.html?pid=") + c.pid +
            "&isFree=2&pageNum=1&userId=&_=";
        ASSERT_EQ(target.substr(0, expectedStart.size()), expectedStart);
        const std::string stampText = target.substr(expectedStart.size());
        ASSERT_TRUE(IsDigits(stampText, 13)) << target;
        const std::int64_t stamp = std::stoll(stampText);
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);

        EXPECT_EQ(Header(request, "User-Agent"), kChromeUserAgent);
        EXPECT_EQ(Header(request, "Accept"), "*/*");
        EXPECT_EQ(Header(request, "Referer"), c.origin + target);
        EXPECT_EQ(Header(request, "Accept-Language"), "zh-cn");
        EXPECT_EQ(Header(request, "Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(request["bodyLength"], 0);
    }
}

TEST(FetchEpisodeList, OtherKindsAnswerWithoutARequest) {
    DemoService demo;
    ASSERT_TRUE(demo.Started());
    for (ProgrammeKind kind : {0, 3, -1, 12}) {
        EXPECT_EQ(FetchEpisodeList(kind, OriginsOf(demo)), "请求类型错误！") << kind;
    }
    // A request made afterwards is the first the service sees.
    GetNetworkTime(demo.HttpOrigin() + "/");
    const auto requests = demo.Requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["method"], "HEAD");
}

TEST(FetchEpisodeList, FailuresComeBackAsText) {
    {
        DemoService refusing({"--fault", "refuse"});
        ASSERT_TRUE(refusing.Started());
        EXPECT_EQ(FetchEpisodeList(1, OriginsOf(refusing)), "");
        EXPECT_EQ(FetchEpisodeList(2, OriginsOf(refusing)), "");
    }
    {
        // An error page is a body like any other; only its parse fails later.
        DemoService failing({"--fault", "html-error"});
        ASSERT_TRUE(failing.Started());
        const Text page = FetchEpisodeList(1, OriginsOf(failing));
        EXPECT_NE(page.find("<h1>500 Internal Server Error</h1><p>服务暂时不可用"), Text::npos)
            << page;
    }
}

TEST(GetNetworkTime, ReadsTheDateOfAHeadRequest) {
    DemoService demo({"--now", "2027-01-02 03:04:05"});
    ASSERT_TRUE(demo.Started());
    const DateTime now = GetNetworkTime(demo.HttpOrigin() + "/");
    // The service's clock runs on from the moment it started.
    EXPECT_GE(Show(now), "2027-01-02 03:04:05");
    EXPECT_LE(Show(now), "2027-01-02 03:04:35");
    const auto requests = demo.Requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["method"], "HEAD");
    EXPECT_EQ(requests[0]["target"], "/");
}

TEST(GetNetworkTime, WithoutADateTheTimeIsUnknown) {
    struct Case {
        const char* fault;
    } cases[] = {{"refuse"}, {"no-date"}};
    for (const auto& c : cases) {
        DemoService demo({"--fault", c.fault});
        ASSERT_TRUE(demo.Started());
        EXPECT_EQ(Show(GetNetworkTime(demo.HttpOrigin() + "/")), "0100-01-01 08:00:00") << c.fault;
    }
}

// A web server on loopback that answers every request with the given header lines.
class HeaderServer {
public:
    explicit HeaderServer(std::vector<std::pair<std::string, std::string>> headers)
        : headers_(std::move(headers)) {
        server_.Get("/", [this](const httplib::Request&, httplib::Response& res) {
            for (const auto& [name, value] : headers_) {
                res.set_header(name, value);
            }
        });
        // One request per connection, so that stopping never waits on an idle one.
        server_.set_keep_alive_max_count(1);
        demo::ListenExclusively(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~HeaderServer() {
        server_.stop();
        thread_.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    std::vector<std::pair<std::string, std::string>> headers_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

// Header names are case-insensitive: a proxy that writes them in lower case still
// tells the time. Only a header named Date counts, not one that merely ends in it.
TEST(GetNetworkTime, TakesTheDateHeaderByNameInAnyLetterCase) {
    const struct {
        std::vector<std::pair<std::string, std::string>> headers;
        const char* expected;
    } cases[] = {
        {{{"Date", "Tue, 09 Aug 2022 17:30:00 GMT"}}, "2022-08-10 01:30:00"},
        {{{"date", "Tue, 09 Aug 2022 17:30:00 GMT"}}, "2022-08-10 01:30:00"},
        {{{"DATE", "Sat, 31 Dec 2022 20:15:07 GMT"}}, "2023-01-01 04:15:07"},
        {{{"A-Backend-Date", "Mon, 01 Jan 2001 00:00:00 GMT"},
          {"date", "Tue, 09 Aug 2022 17:30:00 GMT"}},
         "2022-08-10 01:30:00"},
        {{{"A-Backend-Date", "Mon, 01 Jan 2001 00:00:00 GMT"}}, "0100-01-01 08:00:00"},
        // The line before Date ends in a high byte (the server sends headers sorted
        // by name): its line end is still one.
        {{{"D-Title", "\xE4\xB8\xAD"}, {"Date", "Tue, 09 Aug 2022 17:30:00 GMT"}},
         "2022-08-10 01:30:00"},
    };
    for (const auto& c : cases) {
        HeaderServer server(c.headers);
        EXPECT_EQ(Show(GetNetworkTime(server.Url())), c.expected) << c.headers.back().first;
    }
}

TEST(FetchPlaylistRows, LoadsBothProgrammesFromTheService) {
    DemoService demo({"--now", "2026-12-11 20:00:00", "--episodes", "3"});
    ASSERT_TRUE(demo.Started());
    const auto rows = FetchPlaylistRows(OriginsOf(demo), demo.HttpOrigin() + "/");

    // Tomorrow's morning episode is left out; today's evening edition is out and leads.
    const struct {
        const char* titleStart;
        const char* id;
    } expected[] = {
        {"12月11日晨鹊晚报：", "e20261211"}, {"12月11日晨鹊早报：", "m20261211"},
        {"12月10日晨鹊晚报：", "e20261210"}, {"12月10日晨鹊早报：", "m20261210"},
        {"12月9日晨鹊晚报：", "e20261209"},  {"12月9日晨鹊早报：", "m20261209"},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].title.rfind(expected[i].titleStart, 0), 0u) << rows[i].title;
        EXPECT_EQ(rows[i].link, demo.HttpOrigin() + "/audio/" + expected[i].id + ".mp3");
        EXPECT_EQ(rows[i].picture, demo.HttpOrigin() + "/covers/" + expected[i].id + ".png");
        const Text& status = rows[i].status;
        EXPECT_TRUE(status.size() == 8 && IsDigits(status.substr(0, 2), 2) &&
                    status.substr(2, 2) == "分" && IsDigits(status.substr(4, 2), 2) &&
                    status.substr(6) == "秒")
            << status;
        EXPECT_NE(rows[i].status, "00分00秒");  // the audio's real length
        EXPECT_EQ(rows[i].savedStatus, rows[i].status);
    }

    const auto requests = demo.Requests(3);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]["server"], "http");
    EXPECT_EQ(requests[0]["method"], "POST");
    EXPECT_EQ(requests[1]["method"], "HEAD");
    EXPECT_EQ(requests[2]["server"], "https");
    EXPECT_EQ(requests[2]["method"], "POST");
}

TEST(FetchPlaylistRows, AnUnknownClockStillAsksForTheEveningList) {
    DemoService demo({"--fault", "no-date"});
    ASSERT_TRUE(demo.Started());
    EXPECT_TRUE(FetchPlaylistRows(OriginsOf(demo), demo.HttpOrigin() + "/").empty());
    // Morning list, clock, evening list: the same three requests as on a good day.
    const auto requests = demo.Requests(3);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]["server"], "http");
    EXPECT_EQ(requests[0]["method"], "POST");
    EXPECT_EQ(requests[1]["method"], "HEAD");
    EXPECT_EQ(requests[2]["server"], "https");
    EXPECT_EQ(requests[2]["method"], "POST");
}

TEST(FetchPlaylistRows, ABadServiceGivesNoRows) {
    struct Case {
        const char* fault;
    } cases[] = {{"truncated-json"}, {"html-error"}, {"refuse"}, {"no-date"}};
    for (const auto& c : cases) {
        DemoService demo({"--fault", c.fault});
        ASSERT_TRUE(demo.Started());
        EXPECT_TRUE(FetchPlaylistRows(OriginsOf(demo), demo.HttpOrigin() + "/").empty()) << c.fault;
    }
}

}  // namespace
}  // namespace cq
