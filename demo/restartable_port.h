#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace demo {

// Serves one port from a thread of its own, and can close the port for a while
// and open it again, as a service being restarted does: connections made in
// between are refused.
class RestartablePort {
public:
    // Makes a server with every route installed, not yet bound.
    using MakeServer = std::function<std::unique_ptr<httplib::Server>()>;

    RestartablePort(std::string host, int port, MakeServer make);

    // Listens with a server already bound to the port; it must outlive the process.
    void Start(httplib::Server& bound);

    // Closes the port now and opens it again, with a fresh server, after `pause`.
    // Safe to call from a request handler.
    void CloseFor(std::chrono::milliseconds pause);

private:
    std::string host_;
    int port_;
    MakeServer make_;
    std::mutex mutex_;
    httplib::Server* current_ = nullptr;
    // Servers stay alive while their threads might still run; the process ends
    // with _Exit, so none is ever destroyed.
    std::vector<std::unique_ptr<httplib::Server>> made_;
};

}  // namespace demo
