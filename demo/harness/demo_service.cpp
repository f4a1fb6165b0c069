#include "demo/harness/demo_service.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace cq::testing {
namespace {

using namespace std::chrono_literals;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

DemoService::DemoService(std::vector<std::string> options, Audio audio) {
    char pattern[] = "/tmp/chenque-catalogue-test-XXXXXX";
    if (!mkdtemp(pattern)) {
        return;
    }
    directory_ = pattern;
    std::vector<std::string> args = {CHENQUE_DEMO_BINARY,   "--http-port", "0",
                                     "--https-port",        "0",           "--port-file",
                                     directory_ + "/ports", "--log",       directory_ + "/log"};
    if (audio == Audio::kShort) {
        args.push_back("--short-audio");
    }
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        return;
    }
    // The ports file appears complete (it is renamed into place) once both ports listen.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string ports = ReadFile(directory_ + "/ports");
        if (std::sscanf(ports.c_str(), "http=%d\nhttps=%d", &httpPort_, &httpsPort_) == 2) {
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    httpPort_ = httpsPort_ = 0;
}

DemoService::~DemoService() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (!directory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
}

std::string DemoService::HttpOrigin() const {
    return "http://127.0.0.1:" + std::to_string(httpPort_);
}

std::string DemoService::HttpsOrigin() const {
    return "https://127.0.0.1:" + std::to_string(httpsPort_);
}

std::vector<nlohmann::json> DemoService::Requests(std::size_t atLeast) const {
    // The service logs a request just after answering it, so the client may be a
    // moment ahead of the log.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (true) {
        std::vector<nlohmann::json> requests;
        std::ifstream in(directory_ + "/log");
        for (std::string line; std::getline(in, line);) {
            requests.push_back(nlohmann::json::parse(line, nullptr, false));
        }
        if (requests.size() >= atLeast || std::chrono::steady_clock::now() > deadline) {
            return requests;
        }
        std::this_thread::sleep_for(10ms);
    }
}

}  // namespace cq::testing
