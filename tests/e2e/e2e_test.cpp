// Starts the real program on a virtual X display, with real libmpv, against the
// demo service, and watches it play the first episode and end by itself.

#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <cstdio>
#include <fstream>
#include <string>

#include "catalogue/catalogue_request.h"

namespace {

bool WriteFile(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

bool BringLoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        return false;
    }
    ifreq request{};
    std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (up) {
        request.ifr_flags |= IFF_UP;
        up = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    ::close(fd);
    return up;
}

// The program's service ports are fixed when it is built. In a network namespace
// of our own they are free whatever else runs on the machine; must be called
// while the process has a single thread.
bool IsolateNetwork() {
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNET) == 0) {
        return BringLoopbackUp();
    }
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return false;
    }
    WriteFile("/proc/self/setgroups", "deny");
    return WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1") && BringLoopbackUp();
}

bool g_isolated = false;

class Child {
public:
    ~Child() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000)) {
                process.kill();
                process.waitForFinished(3000);
            }
        }
    }
    QProcess process;
};

bool WaitForFile(const QString& path, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() > 0) {
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

TEST(EndToEnd, PlaysTheFirstEpisodeAndEndsByItselfWithExitCodeZero) {
    if (!g_isolated) {
        std::fprintf(stderr, "e2e: no network namespace; using the machine's loopback\n");
    }
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const cq::FmOrigins origins = cq::BuiltInFmOrigins();
    const int httpPort = QUrl(QString::fromStdString(origins.http)).port(80);
    const int httpsPort = QUrl(QString::fromStdString(origins.https)).port(443);
    const QString log = directory.filePath(QStringLiteral("service.log"));
    const QString ports = directory.filePath(QStringLiteral("ports"));

    Child service;
    service.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.process.start(
        QStringLiteral(CHENQUE_DEMO_PATH),
        {QStringLiteral("--http-port"), QString::number(httpPort), QStringLiteral("--https-port"),
         QString::number(httpsPort), QStringLiteral("--port-file"), ports, QStringLiteral("--log"),
         log, QStringLiteral("--short-audio")});
    ASSERT_TRUE(WaitForFile(ports, 10000)) << "the demo service did not start";

    Child display;
    display.process.start(
        QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
         QStringLiteral("tcp")});
    ASSERT_TRUE(display.process.waitForReadyRead(15000)) << "Xvfb did not start";
    const QString number = QString::fromUtf8(display.process.readAllStandardOutput()).trimmed();
    ASSERT_FALSE(number.isEmpty());

    Child program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + number);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // In a sanitizer build, what libraries keep until exit is not the program's leak.
    environment.insert(QStringLiteral("LSAN_OPTIONS"),
                       QStringLiteral("suppressions=" CHENQUE_LSAN_SUPPRESSIONS));
    program.process.setProcessEnvironment(environment);
    program.process.setProcessChannelMode(QProcess::ForwardedChannels);
    program.process.start(QStringLiteral(CHENQUE_PATH), QStringList{});
    ASSERT_TRUE(program.process.waitForStarted(10000));
    // Loading, a spoken episode of a few seconds, and nothing more.
    ASSERT_TRUE(program.process.waitForFinished(120000)) << "the program did not end by itself";
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int lists = 0;
    int clocks = 0;
    int covers = 0;
    int audio = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const QString method = entry.value(QStringLiteral("method")).toString();
        const QString target = entry.value(QStringLiteral("target")).toString();
        if (target.contains(QStringLiteral("getPayResourceList_714.html"))) {
            ++lists;
        } else if (method == QStringLiteral("HEAD") && target == QStringLiteral("/")) {
            ++clocks;
        } else if (method == QStringLiteral("GET") &&
                   target.startsWith(QStringLiteral("/covers/"))) {
            ++covers;
        } else if (target.startsWith(QStringLiteral("/audio/"))) {
            ++audio;
        }
    }
    EXPECT_EQ(lists, 2) << "the morning and the evening list";
    EXPECT_EQ(clocks, 1) << "the network clock";
    EXPECT_EQ(covers, 1) << "row 0's cover";
    EXPECT_GE(audio, 1) << "row 0's audio";
}

}  // namespace

int main(int argc, char** argv) {
    g_isolated = IsolateNetwork();
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
