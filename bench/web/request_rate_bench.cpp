// Requests per second of both request operations against a loopback server,
// side by side with a bare libcurl easy-handle loop doing the same GET of a small
// cover picture. Prints each operation's rate as a ratio of the bare loop's.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "demo/exclusive_listen.h"
#include "support/side_by_side.h"
#include "web/fetch_via_request_object.h"
#include "web/fetch_via_wininet.h"

namespace {

class CoverServer {
public:
    CoverServer() {
        server_.set_keep_alive_max_count(1000000);
        server_.set_keep_alive_timeout(1);
        server_.set_tcp_nodelay(true);
        server_.Get("/cover.jpg", [](const httplib::Request&, httplib::Response& res) {
            static const std::string picture(4096, '\xFF');
            res.set_content(picture, "image/jpeg");
        });
        demo::ListenExclusively(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~CoverServer() {
        server_.stop();
        thread_.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/cover.jpg"; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

CoverServer& Server() {
    static CoverServer server;
    return server;
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    body->append(data, size * count);
    return size * count;
}

void BM_BareCurlLoop(benchmark::State& state) {
    const std::string url = Server().Url();
    CURL* handle = curl_easy_init();
    std::string body;
    for (auto _ : state) {
        body.clear();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
        if (curl_easy_perform(handle) != CURLE_OK || body.size() != 4096) {
            state.SkipWithError("bare request failed");
            break;
        }
    }
    curl_easy_cleanup(handle);
    state.SetItemsProcessed(state.iterations());
}

void BM_FetchViaRequestObject(benchmark::State& state) {
    const std::string url = Server().Url();
    for (auto _ : state) {
        const cq::Bytes body = cq::FetchViaRequestObject({.url = url});
        if (body.size() != 4096) {
            state.SkipWithError("request failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FetchViaWinInet(benchmark::State& state) {
    const std::string url = Server().Url();
    for (auto _ : state) {
        const cq::Bytes body = cq::FetchViaWinInet({.url = url});
        if (body.size() != 4096) {
            state.SkipWithError("request failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_BareCurlLoop)->UseRealTime()->MinTime(2.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchViaRequestObject)->UseRealTime()->MinTime(2.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchViaWinInet)->UseRealTime()->MinTime(2.0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return cq::bench::RunSideBySide(argc, argv, [](const cq::bench::Timings& timings) {
        const double bare = timings.Of("BM_BareCurlLoop");
        if (bare <= 0) {
            return;
        }
        std::printf("bare libcurl loop: %.0f requests/s\n", 1e6 / bare);
        for (const char* name : {"BM_FetchViaRequestObject", "BM_FetchViaWinInet"}) {
            const double ours = timings.Of(name);
            if (ours > 0) {
                std::printf("%s: %.0f requests/s, %.2fx the bare loop (goal: at least 0.8x)\n",
                            name + 3, 1e6 / ours, bare / ours);
            }
        }
    });
}
