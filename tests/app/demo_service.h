#pragma once

// The bundled demo service, run as a child process on ports of its own choosing.

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

#include "catalogue/catalogue_request.h"

namespace cq::testing {

class DemoService {
public:
    // Starts chenque-demo with these extra options on free ports, or on the given
    // ones (to bring a service back where an earlier one was).
    explicit DemoService(const QStringList& options = {}, int httpPort = 0, int httpsPort = 0);
    ~DemoService();
    DemoService(const DemoService&) = delete;
    DemoService& operator=(const DemoService&) = delete;

    bool Running() const { return httpPort_ > 0; }
    int HttpPort() const { return httpPort_; }
    int HttpsPort() const { return httpsPort_; }
    FmOrigins Origins() const;
    std::string ClockUrl() const;  // the service's "/" answers with a Date header
    // The request log, one JSON object a line.
    QString Log() const;
    void Stop();

private:
    QTemporaryDir directory_;
    QProcess process_;
    int httpPort_ = 0;
    int httpsPort_ = 0;
};

}  // namespace cq::testing
