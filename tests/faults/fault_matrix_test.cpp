// The program's loading and playback against the demo service in each of its
// faults: what the user is meant to see, what was seen, and how long the window
// thread was ever kept from its events outside the two calls that block it by
// design (the cover fetch and the media open). The table is printed, and written
// to fault-matrix.txt in the working directory.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "demo/harness/demo_service.h"
#include "fault_run.h"
#include "player/cover_fetch.h"

namespace cq::testing {
namespace {

// Sanitizers slow every instruction down; the window's own work (appending rows,
// painting) gets their factor of time too. The bound stays what the program
// promises on a plain build.
#if defined(__SANITIZE_THREAD__)
constexpr double kSlowdown = 8;
#elif defined(__SANITIZE_ADDRESS__)
constexpr double kSlowdown = 3;
#else
constexpr double kSlowdown = 1;
#endif
constexpr double kLongestStallMs = 50 * kSlowdown;
// The cover fetch ends within its limit; reading what came takes a moment more.
constexpr double kLongestCoverMs = kCoverTimeLimitMs + 1000 * kSlowdown;

struct Seen {
    QJsonObject run;
    int exitCode = -1;
    bool crashed = false;

    bool Flag(const char* key) const { return run.value(QLatin1String(key)).toBool(); }
    int Int(const char* key) const { return run.value(QLatin1String(key)).toInt(); }
    double Number(const char* key) const { return run.value(QLatin1String(key)).toDouble(); }
    QString String(const char* key) const { return run.value(QLatin1String(key)).toString(); }

    bool Failed() const { return Flag(result::kFailureShown) && Int(result::kRows) < 2; }
    bool Played() const { return Number(result::kPlayedMs) > 0 && Int(result::kRows) >= 2; }
    // The audio could not be played: it counted as ended at once, and in the start
    // mode (end after the episode) that ends the program.
    bool EndedAtOnce() const {
        return Int(result::kRows) >= 2 && Number(result::kPlayedMs) <= 0 &&
               Number(result::kLengthSeconds) == 0 && exitCode == 0 && !crashed;
    }
    bool Cover() const { return Flag(result::kCoverShown); }

    std::string Describe() const {
        std::ostringstream out;
        if (crashed) {
            out << "crashed; ";
        }
        if (!Flag(result::kLoaded)) {
            out << "never finished loading";
        } else if (Failed()) {
            out << "failure text + retry (" << Int(result::kRows) << " row"
                << (Int(result::kRows) == 1 ? "" : "s") << ")";
        } else {
            out << Int(result::kRows) << " rows (" << Int(result::kMorningRows) << "M/"
                << Int(result::kEveningRows) << "E), ";
            out << (Played() ? "played" : "not played");
            if (EndedAtOnce()) {
                out << ", ended at once, exit 0";
            }
            out << (Cover() ? ", cover" : ", no cover");
        }
        out << " | cover " << static_cast<int>(Number(result::kLongestCoverMs)) << " ms, open "
            << static_cast<int>(Number(result::kLongestOpenMs)) << " ms";
        return out.str();
    }
};

struct Fault {
    const char* name;
    std::vector<std::string> service;  // chenque-demo options
    const char* expected;
    std::function<bool(const Seen&)> holds;
};

bool PlaysWithoutCover(const Seen& seen) {
    return seen.Played() && !seen.Cover() && seen.exitCode == 0;
}

const std::vector<Fault>& Faults() {
    static const std::vector<Fault> faults = {
        {"connection refused",
         {"--fault", "refuse"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"no answer past the time-outs",
         {"--fault", "slow", "--slow-seconds", "20"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"truncated JSON",
         {"--fault", "truncated-json"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"HTML error page",
         {"--fault", "html-error"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"title a number",
         {"--fault", "title-number"},
         "rows listed, titles as numbers, plays",
         [](const Seen& s) {
             const QString title = s.String(result::kFirstTitle);
             return s.Played() && !title.isEmpty() &&
                    title.toLongLong() > 0;  // the whole title is digits
         }},
        {"list an object",
         {"--fault", "list-object"},
         "the other list used alone, plays",
         [](const Seen& s) {
             return s.Played() && s.Int(result::kMorningRows) == 0 &&
                    s.Int(result::kEveningRows) == s.Int(result::kRows);
         }},
        {"duration a string",
         {"--fault", "duration-text"},
         "rows with 00分00秒, plays",
         [](const Seen& s) {
             return s.Played() && s.String(result::kFirstDuration) == QStringLiteral("00分00秒");
         }},
        {"missing fields (no audio, no cover)",
         {"--fault", "missing-fields"},
         "rows without a cover, episode counted as ended",
         [](const Seen& s) { return s.EndedAtOnce() && !s.Cover(); }},
        {"one-episode list, the other empty",
         {"--episodes", "1", "--no-tomorrow", "--now", "2026-12-11 10:00:00"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"no Date header",
         {"--fault", "no-date"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"garbage Date header",
         {"--fault", "garbage-date"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"oversize response headers",
         {"--fault", "oversize-headers"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"body over 64 MiB",
         {"--fault", "huge-body"},
         "failure text + retry",
         [](const Seen& s) { return s.Failed(); }},
        {"1 MiB of header lines on the cover",
         {"--fault", "cover-header-flood"},
         "plays, row without a cover",
         PlaysWithoutCover},
        {"cover dripping a byte every 3 s",
         {"--fault", "cover-drip", "--drip-seconds", "3"},
         "plays, row without a cover",
         PlaysWithoutCover},
        {"broken audio file",
         {"--fault", "broken-audio"},
         "episode counted as ended",
         [](const Seen& s) { return s.EndedAtOnce() && s.Cover(); }},
        {"audio URL of another scheme (ftp)",
         {"--fault", "audio-scheme"},
         "episode counted as ended",
         [](const Seen& s) { return s.EndedAtOnce(); }},
        {"cover not an image",
         {"--fault", "bad-cover"},
         "plays, row without a cover",
         PlaysWithoutCover},
        {"cover redirecting to file://",
         {"--fault", "cover-redirect-file"},
         "plays, row without a cover",
         PlaysWithoutCover},
        {"cover redirecting to ftp://",
         {"--fault", "cover-redirect-ftp"},
         "plays, row without a cover",
         PlaysWithoutCover},
    };
    return faults;
}

Seen RunProgram(const DemoService& service, const QString& resultFile) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--fault-run"), QString::fromStdString(service.HttpOrigin()),
                 QString::fromStdString(service.HttpsOrigin()),
                 QString::fromStdString(service.HttpOrigin() + "/"), resultFile});
    Seen seen;
    if (!child.waitForFinished(240000)) {
        child.kill();
        child.waitForFinished();
        seen.crashed = true;
    }
    seen.crashed = seen.crashed || child.exitStatus() != QProcess::NormalExit;
    seen.exitCode = child.exitCode();
    QFile file(resultFile);
    if (file.open(QIODevice::ReadOnly)) {
        seen.run = QJsonDocument::fromJson(file.readAll()).object();
    }
    return seen;
}

std::string Cell(std::string text, std::size_t width) {
    // Widths in characters: the Chinese of a cell counts one each.
    std::size_t characters = 0;
    for (unsigned char c : text) {
        characters += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    if (characters < width) {
        text.append(width - characters, ' ');
    }
    return text;
}

TEST(FaultMatrix, EachFaultGetsItsStatedOutcomeAndTheWindowStaysLive) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    std::ostringstream table;
    table << Cell("fault", 38) << " | " << Cell("expected outcome", 46) << " | " << Cell("seen", 84)
          << " | longest stall\n";
    table << std::string(38, '-') << "-|-" << std::string(46, '-') << "-|-" << std::string(84, '-')
          << "-|-" << std::string(13, '-') << "\n";
    int index = 0;
    for (const Fault& fault : Faults()) {
        SCOPED_TRACE(fault.name);
        DemoService service(fault.service);
        ASSERT_TRUE(service.Started());
        const Seen seen = RunProgram(service, directory.filePath(QString::number(index++)));
        const bool holds = fault.holds(seen) && !seen.crashed;
        const double stall = seen.Number(result::kLongestStallMs);
        const double cover = seen.Number(result::kLongestCoverMs);
        char stallText[64];
        std::snprintf(stallText, sizeof stallText, "%.1f ms%s", stall,
                      stall > kLongestStallMs ? " (over)" : "");
        table << Cell(fault.name, 38) << " | " << Cell(fault.expected, 46) << " | "
              << Cell((holds ? "" : "NOT AS EXPECTED: ") + seen.Describe(), 84) << " | "
              << stallText << "\n";
        EXPECT_TRUE(holds) << seen.Describe();
        EXPECT_LE(stall, kLongestStallMs)
            << "at " << seen.Number(result::kLongestStallAtMs) << " ms into the run";
        EXPECT_LE(cover, kLongestCoverMs) << "the cover request held the window";
    }
    std::printf(
        "\n%s\nstall bound %.0f ms outside the cover fetch and the media open; cover "
        "requests end within %d ms\n",
        table.str().c_str(), kLongestStallMs, kCoverTimeLimitMs);
    std::ofstream("fault-matrix.txt") << table.str();
}

}  // namespace
}  // namespace cq::testing
