#include "fault_run.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <type_traits>

#include "app/main_window.h"
#include "catalogue/build_playlist.h"
#include "platform/mpv_media_player.h"
#include "player/cover_fetch.h"
#include "stall_monitor.h"

namespace cq::testing {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point begin) {
    return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

// What the run has seen so far, saved after every change worth keeping.
class Findings {
public:
    explicit Findings(QString path) : path_(std::move(path)) {}

    void Set(const char* key, const QJsonValue& value) {
        if (object_.value(QLatin1String(key)) != value) {
            object_.insert(QLatin1String(key), value);
            Save();
        }
    }
    void Raise(const char* key, double value) {
        if (value > object_.value(QLatin1String(key)).toDouble(-1)) {
            object_.insert(QLatin1String(key), value);
        }
    }
    void Add(const char* key) {
        object_.insert(QLatin1String(key), object_.value(QLatin1String(key)).toInt() + 1);
    }
    void Save() {
        QFile file(path_ + QStringLiteral(".part"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(QJsonDocument(object_).toJson(QJsonDocument::Compact));
            file.close();
            QFile::remove(path_);
            file.rename(path_);
        }
    }

private:
    QString path_;
    QJsonObject object_;
};

// The real player, with the time of each call it makes on the window thread.
class TimedMediaPlayer final : public platform::MediaPlayer {
public:
    TimedMediaPlayer(std::unique_ptr<platform::MediaPlayer> inner, StallMonitor& monitor,
                     Findings& findings)
        : inner_(std::move(inner)), monitor_(monitor), findings_(findings) {}

    bool Open(std::string_view url) override {
        const Clock::time_point begin = Clock::now();
        bool opened = false;
        {
            StallMonitor::Blocking blocking(monitor_);
            opened = inner_->Open(url);
        }
        findings_.Raise(result::kLongestOpenMs, MsSince(begin));
        return opened;
    }
    template <typename Call>
    std::invoke_result_t<Call> Timed(Call call) {
        const Clock::time_point begin = Clock::now();
        auto value = call();
        findings_.Raise(result::kLongestOtherMediaMs, MsSince(begin));
        return value;
    }

    bool Play(std::int64_t startMs) override {
        return Timed([&] { return inner_->Play(startMs); });
    }
    bool PauseResume() override {
        return Timed([&] { return inner_->PauseResume(); });
    }
    bool Stop() override {
        return Timed([&] { return inner_->Stop(); });
    }
    bool Close() override {
        return Timed([&] { return inner_->Close(); });
    }
    int State() override {
        return Timed([&] { return inner_->State(); });
    }
    std::int64_t PositionMs() override {
        const std::int64_t position = Timed([&] { return inner_->PositionMs(); });
        findings_.Raise(result::kPlayedMs, static_cast<double>(position));
        return position;
    }
    bool SetSpeed(double speed) override { return inner_->SetSpeed(speed); }
    double Speed() override { return inner_->Speed(); }
    bool SetVolume(double volume) override { return inner_->SetVolume(volume); }
    double Volume() override { return inner_->Volume(); }
    std::int64_t LengthSeconds() override {
        const std::int64_t length = Timed([&] { return inner_->LengthSeconds(); });
        if (!lengthSeen_) {
            lengthSeen_ = true;
            findings_.Set(result::kLengthSeconds, static_cast<double>(length));
        }
        return length;
    }

private:
    std::unique_ptr<platform::MediaPlayer> inner_;
    StallMonitor& monitor_;
    Findings& findings_;
    bool lengthSeen_ = false;
};

}  // namespace

int RunFaultScenario(int argc, char** argv) {
    if (argc < 6) {
        return 2;
    }
    const FmOrigins origins{.http = argv[2], .https = argv[3]};
    const std::string clockUrl = argv[4];
    Findings findings(QString::fromLocal8Bit(argv[5]));
    findings.Save();

    StallMonitor monitor;
    const Clock::time_point started = Clock::now();
    auto fetchCover = [&](const Text& url) {
        const Clock::time_point begin = Clock::now();
        Bytes cover;
        {
            StallMonitor::Blocking blocking(monitor);
            cover = FetchCover(url);
        }
        findings.Raise(result::kLongestCoverMs, MsSince(begin));
        findings.Add(result::kCovers);
        findings.Save();
        return cover;
    };
    auto media = std::make_unique<TimedMediaPlayer>(
        platform::CreateMpvMediaPlayer({.audioOutputs = "null"}), monitor, findings);

    app::MainWindow window({
        .mediaPlayer = std::move(media),
        .fetchRows = [origins, clockUrl] { return FetchPlaylistRows(origins, clockUrl); },
        .fetchCover = fetchCover,
        .trayAvailable = false,
    });
    window.show();
    monitor.Start();

    // Every 50 ms: what the window shows. Once the failure text stands, a little
    // longer to see the window stays live, then the run ends here.
    QTimer watch;
    bool loaded = false;
    int failureTicks = 0;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        findings.Set(result::kLongestStallMs, monitor.LongestStallMs());
        findings.Set(result::kLongestStallAtMs, monitor.LongestStallAtMs());
        if (!window.图片框1->pixmap().isNull()) {
            findings.Set(result::kCoverShown, true);
        }
        if (!loaded) {
            loaded = !app::ThreadIsRunning(window.WorkerThreadHandle()) &&
                     window.标签1->text() != QStringLiteral("正在初始化...");
            if (!loaded) {
                return;
            }
            const QTreeWidget& list = *window.超级列表框1;
            int mornings = 0;
            int evenings = 0;
            for (int row = 0; row < list.topLevelItemCount(); ++row) {
                mornings += list.topLevelItem(row)->text(0).contains(QStringLiteral("晨鹊早报"));
                evenings += list.topLevelItem(row)->text(0).contains(QStringLiteral("晨鹊晚报"));
            }
            findings.Set(result::kLoaded, true);
            findings.Set(result::kOutcomeAtMs, MsSince(started));
            findings.Set(result::kRows, list.topLevelItemCount());
            findings.Set(result::kMorningRows, mornings);
            findings.Set(result::kEveningRows, evenings);
            if (list.topLevelItemCount() > 0) {
                findings.Set(result::kFirstTitle, list.topLevelItem(0)->text(0));
                findings.Set(result::kFirstDuration, list.topLevelItem(0)->text(4));
            }
        }
        const bool failure = window.标签1->text() == QStringLiteral("初始化失败，请重试...") &&
                             window.按钮_重试->isVisible();
        findings.Set(result::kFailureShown, failure);
        if (failure && ++failureTicks >= 10) {
            QCoreApplication::exit(kRunObserved);
        }
    });
    watch.start(50);
    QTimer::singleShot(120000, [] { QCoreApplication::exit(kRunTimedOut); });

    const int code = QApplication::exec();
    findings.Set(result::kLongestStallMs, monitor.LongestStallMs());
    findings.Set(result::kLongestStallAtMs, monitor.LongestStallAtMs());
    findings.Save();
    return code;
}

}  // namespace cq::testing
