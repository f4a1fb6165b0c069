#include "demo_service.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace cq::testing {

DemoService::DemoService(const QStringList& options, int httpPort, int httpsPort) {
    const QString portFile = directory_.filePath(QStringLiteral("ports"));
    QStringList arguments = {QStringLiteral("--http-port"), QString::number(httpPort),
                             QStringLiteral("--https-port"), QString::number(httpsPort),
                             QStringLiteral("--port-file"), portFile, QStringLiteral("--log"),
                             directory_.filePath(QStringLiteral("log")),
                             // The window never plays the audio; short audio is made quickly.
                             QStringLiteral("--short-audio")};
    arguments += options;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(CHENQUE_DEMO_PATH), arguments);
    if (!process_.waitForStarted(5000)) {
        return;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (line.startsWith("http=")) {
                    httpPort_ = line.mid(5).toInt();
                } else if (line.startsWith("https=")) {
                    httpsPort_ = line.mid(6).toInt();
                }
            }
            if (httpPort_ > 0 && httpsPort_ > 0) {
                return;
            }
        }
        QThread::msleep(20);
    }
    httpPort_ = 0;
    httpsPort_ = 0;
}

DemoService::~DemoService() {
    Stop();
}

void DemoService::Stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

FmOrigins DemoService::Origins() const {
    return {.http = "http://127.0.0.1:" + std::to_string(httpPort_),
            .https = "https://127.0.0.1:" + std::to_string(httpsPort_)};
}

std::string DemoService::ClockUrl() const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + "/";
}

QString DemoService::Log() const {
    QFile file(directory_.filePath(QStringLiteral("log")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

}  // namespace cq::testing
