#include "player/cover_fetch.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "demo/exclusive_listen.h"
#include "unused_port.h"

namespace cq {
namespace {

TEST(CoverFetchTest, ReturnsThePicturesBytesOrNothing) {
    // A picture is binary: zero bytes and high bytes must come through intact.
    const std::string picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\x00", 18);
    httplib::Server server;
    server.Get("/cover.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(picture, "image/png");
    });
    server.set_keep_alive_max_count(1);  // lets stop() return at once
    demo::ListenExclusively(server);
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread thread([&] { server.listen_after_bind(); });

    const Text base = "http://127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(FetchCover(base + "/cover.png"), BytesFromText(picture));
    EXPECT_TRUE(
        FetchCover("http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/cover.png")
            .empty());
    EXPECT_TRUE(FetchCover("").empty());

    server.stop();
    thread.join();
}

// The cover is fetched on the window thread, which neither repaints nor takes a
// click while it waits: a server that sends a byte now and then, never slow
// enough to count as stalled, holds the window no longer than the cover's limit.
TEST(CoverFetchTest, ADrippingServerHoldsTheFetchNoLongerThanItsLimit) {
    std::atomic<bool> stop{false};
    httplib::Server server;
    server.Get("/cover.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("image/png", [&](std::size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 200 && !stop; ++i) {
                if (!sink.write("\x89", 1)) {
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
            }
            sink.done();
            return true;
        });
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread thread([&] { server.listen_after_bind(); });

    const auto started = std::chrono::steady_clock::now();
    const Bytes cover = FetchCover("http://127.0.0.1:" + std::to_string(port) + "/cover.png");
    const auto took = std::chrono::steady_clock::now() - started;
    stop = true;
    EXPECT_TRUE(cover.empty());
    EXPECT_GE(took, std::chrono::milliseconds(kCoverTimeLimitMs - 100));
    EXPECT_LT(took, std::chrono::milliseconds(kCoverTimeLimitMs + 3000));

    server.stop();
    thread.join();
}

}  // namespace
}  // namespace cq
