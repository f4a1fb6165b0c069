#include "restartable_port.h"

#include <iostream>
#include <thread>

namespace demo {

RestartablePort::RestartablePort(std::string host, int port, MakeServer make)
    : host_(std::move(host)), port_(port), make_(std::move(make)) {}

void RestartablePort::Start(httplib::Server& bound) {
    std::lock_guard guard(mutex_);
    current_ = &bound;
    std::thread([&bound] { bound.listen_after_bind(); }).detach();
}

void RestartablePort::CloseFor(std::chrono::milliseconds pause) {
    {
        std::lock_guard guard(mutex_);
        if (current_ == nullptr) {
            return;
        }
        current_->stop();
        current_ = nullptr;
    }
    std::cerr << "chenque-demo: port " << port_ << " closed for " << pause.count() << " ms"
              << std::endl;
    std::thread([this, pause] {
        std::this_thread::sleep_for(pause);
        std::unique_ptr<httplib::Server> server = make_();
        // The old listening socket is gone at once; a moment's grace covers a slow kernel.
        for (int attempt = 0; attempt < 50 && !server->bind_to_port(host_, port_); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::lock_guard guard(mutex_);
        httplib::Server& reopened = *made_.emplace_back(std::move(server));
        if (!reopened.is_valid()) {
            return;
        }
        current_ = &reopened;
        std::thread([&reopened] { reopened.listen_after_bind(); }).detach();
        std::cerr << "chenque-demo: port " << port_ << " open again" << std::endl;
    }).detach();
}

}  // namespace demo
