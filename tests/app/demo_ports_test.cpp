// The demo service and the tests' loopback servers keep their ports to
// themselves, so two of them never share a port unnoticed, and get them back at
// once after a stop.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "demo/exclusive_listen.h"
#include "demo_service.h"

namespace cq::testing {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// The errno of binding a listener to the port, with every reuse option a
// listener may ask for; 0 when it could bind.
int BindError(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
    const sockaddr_in address = Loopback(port);
    const int error =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

// A port nothing listens on: bound once to learn a free one, then let go.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// Sends an HTTP/1.0 request and reads the answer to its end. The server closes
// the connection first, so its side stays in TIME-WAIT for a while.
std::string Fetch(int port, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            answer.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return answer;
}

// Whether a connection on this local loopback port is in TIME-WAIT.
bool InTimeWait(int port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray local = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper();
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local.rightJustified(13, '0') && fields[3] == "06") {
            return true;
        }
    }
    return false;
}

TEST(DemoServicePorts, ASecondServiceOnATakenPortIsRefused) {
    DemoService first;
    ASSERT_TRUE(first.Running());
    struct Case {
        const char* taken;
        bool httpTaken;
        bool httpsTaken;
    };
    const Case cases[] = {{"both", true, true}, {"https only", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taken);
        const int http = c.httpTaken ? first.HttpPort() : FreePort();
        const int https = c.httpsTaken ? first.HttpsPort() : FreePort();
        QProcess second;
        second.start(
            QStringLiteral(CHENQUE_DEMO_PATH),
            {QStringLiteral("--http-port"), QString::number(http), QStringLiteral("--https-port"),
             QString::number(https), QStringLiteral("--short-audio")});
        ASSERT_TRUE(second.waitForStarted(5000));
        const bool ended = second.waitForFinished(5000);
        if (!ended) {
            second.kill();
            second.waitForFinished(5000);
        }
        ASSERT_TRUE(ended) << "the second service went on serving";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(second.exitCode(), 0);
        const QString errors = QString::fromUtf8(second.readAllStandardError());
        const int taken = c.httpTaken ? http : https;
        EXPECT_TRUE(errors.contains(QStringLiteral("127.0.0.1:%1").arg(taken)) &&
                    errors.contains(QStringLiteral("in use")))
            << errors.toStdString();
    }
    EXPECT_EQ(BindError(first.HttpPort()), EADDRINUSE);
    EXPECT_EQ(BindError(first.HttpsPort()), EADDRINUSE);
}

TEST(DemoServicePorts, ARestartRightAfterAStopGetsThePortsBack) {
    auto service = std::make_unique<DemoService>();
    ASSERT_TRUE(service->Running());
    const int http = service->HttpPort();
    const int https = service->HttpsPort();
    ASSERT_EQ(Fetch(http, "HEAD / HTTP/1.0\r\n\r\n").rfind("HTTP/1.1 200", 0), 0u);
    service.reset();
    ASSERT_TRUE(InTimeWait(http)) << "the served connection lingers";

    DemoService again({}, http, https);
    EXPECT_TRUE(again.Running());
    EXPECT_EQ(again.HttpPort(), http);
    EXPECT_EQ(again.HttpsPort(), https);
}

// What the tests' own servers do: nothing else listens beside them.
TEST(LoopbackServerPorts, NothingElseListensBesideAServer) {
    httplib::Server server;
    demo::ListenExclusively(server);
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(BindError(port), EADDRINUSE);
    server.stop();
    serving.join();
}

}  // namespace
}  // namespace cq::testing
