#pragma once

// A request object that talks to nobody: it records every call with its
// arguments, in order, and answers with a canned response. Tests use it to check
// exactly what an operation asks of the object.

#include <string>
#include <vector>

#include "platform/http_request.h"

namespace cq::platform {

class RecordingHttpRequest final : public HttpRequest {
public:
    // What Send "receives"; Send fails (and the response stays empty) when !answers.
    bool answers = true;
    std::vector<std::uint8_t> cannedBody;
    std::string cannedHeaders;
    long cannedStatus = 200;

    // One entry per call, e.g. "SetRequestHeader(Accept|*/*)".
    std::vector<std::string> calls;

    bool SetTimeouts(long resolveMs, long connectMs, long sendMs, long receiveMs) override {
        Record("SetTimeouts", {std::to_string(resolveMs), std::to_string(connectMs),
                               std::to_string(sendMs), std::to_string(receiveMs)});
        return true;
    }
    bool SetProxy(int setting, std::string_view proxyServer) override {
        Record("SetProxy", {std::to_string(setting), std::string(proxyServer)});
        return true;
    }
    bool Open(std::string_view method, std::string_view url, bool async) override {
        Record("Open", {std::string(method), std::string(url), async ? "true" : "false"});
        sent_ = false;
        return true;
    }
    bool Option(int index, long value) override {
        Record("Option", {std::to_string(index), std::to_string(value)});
        return true;
    }
    bool SetCredentials(std::string_view user, std::string_view password, int target) override {
        Record("SetCredentials",
               {std::string(user), std::string(password), std::to_string(target)});
        return true;
    }
    bool SetRequestHeader(std::string_view name, std::string_view value) override {
        Record("SetRequestHeader", {std::string(name), std::string(value)});
        return !name.empty();
    }
    bool Send(std::string_view body) override {
        Record("Send", {"text", std::string(body)});
        sent_ = answers;
        return answers;
    }
    bool Send(const std::vector<std::uint8_t>& body) override {
        Record("Send", {"bytes", std::string(body.begin(), body.end())});
        sent_ = answers;
        return answers;
    }
    std::vector<std::uint8_t> ResponseBody() override {
        calls.push_back("ResponseBody()");
        return sent_ ? cannedBody : std::vector<std::uint8_t>{};
    }
    std::string GetAllResponseHeaders() override {
        calls.push_back("GetAllResponseHeaders()");
        return sent_ ? cannedHeaders : std::string();
    }
    long Status() override {
        calls.push_back("Status()");
        return sent_ ? cannedStatus : 0;
    }

private:
    void Record(const char* member, std::vector<std::string> args) {
        std::string entry = std::string(member) + "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            entry += (i == 0 ? "" : "|") + args[i];
        }
        calls.push_back(entry + ")");
    }

    bool sent_ = false;
};

}  // namespace cq::platform
