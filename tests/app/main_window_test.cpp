#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/duration_format.h"
#include "demo_service.h"
#include "player/pictures.h"
#include "player/player_state.h"
#include "player/testing/fake_media_player.h"
#include "text/encoding.h"
#include "window_fixture.h"

namespace cq::testing {
namespace {

using app::MainWindow;

constexpr std::int64_t kEpisodeMs = 300'000;

QString Utf8(const Text& gbk) {
    return QString::fromStdString(Utf8FromGbk(gbk));
}

struct Started {
    FakeMediaPlayer* media = nullptr;
    std::unique_ptr<MainWindow> window;
};

Started StartWindow(app::RowSource rows, CoverFetcher covers = {}, bool trayAvailable = true) {
    Started started;
    auto media = std::make_unique<FakeMediaPlayer>(kEpisodeMs);
    started.media = media.get();
    started.window = std::make_unique<MainWindow>(MainWindow::Options{
        .mediaPlayer = std::move(media),
        .fetchRows = std::move(rows),
        .fetchCover = std::move(covers),
        .trayAvailable = trayAvailable,
    });
    started.window->show();
    return started;
}

QImage ShownPicture(const QPushButton* button) {
    return button->icon().pixmap(16).toImage();
}

QImage PictureImage(const Bytes& picture) {
    QPixmap pixmap;
    pixmap.loadFromData(picture.data(), static_cast<uint>(picture.size()));
    return QIcon(pixmap).pixmap(16).toImage();
}

// A window over the demo service.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        service_ = std::make_unique<DemoService>();
        ASSERT_TRUE(service_->Running());
    }

    // A service in place of the running one, on the same ports when asked.
    void Restart(const QStringList& options, bool samePorts = false) {
        const int http = samePorts ? service_->HttpPort() : 0;
        const int https = samePorts ? service_->HttpsPort() : 0;
        service_.reset();
        service_ = std::make_unique<DemoService>(options, http, https);
        ASSERT_TRUE(service_->Running());
    }

    void Start() {
        started_ = StartWindow(RowsFrom(service_->Origins(), service_->ClockUrl()));
        window_ = started_.window.get();
        media_ = started_.media;
    }

    void StartLoaded() {
        Start();
        ASSERT_TRUE(WaitUntilLoaded(*window_));
        ASSERT_GE(LastRowIndex.load(), 1);
        ASSERT_EQ(media_->OpenUrl(), window_->PlaylistCell(0, 1));
    }

    void ExpectTransportEnabled(bool enabled) {
        for (QWidget* control : {static_cast<QWidget*>(window_->按钮_列表),
                                 static_cast<QWidget*>(window_->按钮_播放暂停),
                                 static_cast<QWidget*>(window_->按钮_上一个),
                                 static_cast<QWidget*>(window_->按钮_下一个),
                                 static_cast<QWidget*>(window_->滑块条_播放进度)}) {
            EXPECT_EQ(control->isEnabled(), enabled) << control->objectName().toStdString();
        }
    }

    std::unique_ptr<DemoService> service_;
    Started started_;
    MainWindow* window_ = nullptr;
    FakeMediaPlayer* media_ = nullptr;
};

TEST_F(WindowTest, StartLoadsThePlaylistAndPlaysRowZero) {
    StartLoaded();
    const QTreeWidget& list = *window_->超级列表框1;
    EXPECT_EQ(LastRowIndex.load(), list.topLevelItemCount() - 1);
    EXPECT_EQ(LoopMode.load(), ExitAfterEpisode);

    EXPECT_EQ(window_->标签1->text(), Utf8(window_->PlaylistCell(0, 0)));
    EXPECT_TRUE(window_->标签1->text().contains(QStringLiteral("晨鹊")));
    EXPECT_EQ(list.topLevelItem(0)->text(3), QStringLiteral("正在播放..."));
    for (int row = 1; row <= LastRowIndex; ++row) {
        // The other rows show their duration, kept as well in the hidden column.
        EXPECT_TRUE(list.topLevelItem(row)->text(3).endsWith(QStringLiteral("秒")));
        EXPECT_EQ(list.topLevelItem(row)->text(3), list.topLevelItem(row)->text(4));
    }
    EXPECT_EQ(window_->标签_总时长->text(), Utf8(FormatPlayTime(kEpisodeMs / 1000)));
    EXPECT_EQ(window_->标签_现行时长->text(), QStringLiteral("00分00秒"));
    EXPECT_EQ(window_->SliderMaximum(), kEpisodeMs / 1000);
    EXPECT_EQ(media_->State(), platform::MediaPlayer::kStatePlaying);
    EXPECT_FALSE(window_->图片框1->pixmap().isNull()) << "the cover is shown";
    EXPECT_FALSE(window_->按钮_重试->isVisible());
    ExpectTransportEnabled(true);
    EXPECT_EQ(window_->PlaylistSelection(), 0);

    // The worker's icon table has reached the tray menu.
    const QList<QAction*> items = window_->托盘菜单->actions();
    ASSERT_EQ(items.size(), 4);
    for (QAction* item : items) {
        EXPECT_FALSE(item->icon().isNull()) << item->text().toStdString();
    }

    // Both lists, the clock and the cover came from the service.
    int lists = 0;
    int clocks = 0;
    int covers = 0;
    for (const QString& line : service_->Log().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonObject entry = QJsonDocument::fromJson(line.toUtf8()).object();
        const QString target = entry.value(QStringLiteral("target")).toString();
        lists += target.contains(QStringLiteral("getPayResourceList_714.html")) ? 1 : 0;
        clocks += entry.value(QStringLiteral("method")).toString() == QStringLiteral("HEAD");
        covers += target.startsWith(QStringLiteral("/covers/")) ? 1 : 0;
    }
    EXPECT_EQ(lists, 2);
    EXPECT_EQ(clocks, 1);
    EXPECT_EQ(covers, 1);
}

// At 10:00 with one day per list the service offers only today's morning edition.
const QStringList kOneRowService = {QStringLiteral("--episodes"), QStringLiteral("1"),
                                    QStringLiteral("--no-tomorrow"), QStringLiteral("--now"),
                                    QStringLiteral("2026-12-11 10:00:00")};

TEST_F(WindowTest, TooFewRowsShowTheFailureAndTheRetryButton) {
    struct Case {
        QStringList service;
        int rows;
    };
    const Case cases[] = {
        {{QStringLiteral("--episodes"), QStringLiteral("0"), QStringLiteral("--no-tomorrow")}, 0},
        {{QStringLiteral("--fault"), QStringLiteral("refuse")}, 0},
        {kOneRowService, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.service.join(QLatin1Char(' ')).toStdString());
        Restart(c.service);
        Start();
        ASSERT_TRUE(WaitUntilLoaded(*window_));
        EXPECT_EQ(window_->超级列表框1->topLevelItemCount(), c.rows);
        EXPECT_EQ(LastRowIndex.load(), c.rows - 1);
        EXPECT_EQ(window_->标签1->text(), QStringLiteral("初始化失败，请重试..."));
        EXPECT_TRUE(window_->按钮_重试->isVisible());
        ExpectTransportEnabled(false);
        // The tray's skip items wait for a playlist like the buttons do: a skip
        // with no row to play would count as an ended episode and end the program.
        const QList<QAction*> items = window_->托盘菜单->actions();
        for (int item = 1; item < 3; ++item) {
            EXPECT_FALSE(items[item]->isEnabled()) << items[item]->text().toStdString();
            items[item]->trigger();
        }
        EXPECT_TRUE(items[3]->isEnabled());
        EXPECT_TRUE(media_->Calls().empty()) << "nothing is played";
        // Play/pause is harmless with nothing open: it plays nothing and offers to
        // pause, as after a stop.
        ASSERT_TRUE(items[0]->isEnabled());
        window_->SetPlayPausePicture(PicturePlay());
        items[0]->trigger();
        EXPECT_EQ(media_->Calls(), std::vector<std::string>{"play -1"});
        EXPECT_FALSE(media_->IsOpen());
        EXPECT_EQ(ShownPicture(window_->按钮_播放暂停), PictureImage(PicturePause()));
        EXPECT_FALSE(window_->Exiting());
        started_ = {};
    }
}

TEST_F(WindowTest, RetryAfterTheServiceIsBackPlaysRowZeroAndKeepsEarlierRows) {
    Restart(kOneRowService);
    Start();
    ASSERT_TRUE(WaitUntilLoaded(*window_));
    ASSERT_TRUE(window_->按钮_重试->isVisible());
    const QString earlierTitle = window_->超级列表框1->topLevelItem(0)->text(0);

    // A retry while the service is away fails again and adds nothing.
    Restart({QStringLiteral("--fault"), QStringLiteral("refuse")}, true);
    QTest::mouseClick(window_->按钮_重试, Qt::LeftButton);
    EXPECT_EQ(window_->标签1->text(), QStringLiteral("初始化失败，请重试..."));
    EXPECT_TRUE(window_->按钮_重试->isVisible());
    EXPECT_EQ(LastRowIndex.load(), 0);

    // Back with its whole catalogue: the rows come below the earlier one.
    Restart({}, true);
    LoopMode = RandomLoop;  // a retry starts over with the program ending after an episode
    QTest::mouseClick(window_->按钮_重试, Qt::LeftButton);

    EXPECT_FALSE(app::ThreadIsRunning(window_->WorkerThreadHandle()));
    const QTreeWidget& list = *window_->超级列表框1;
    ASSERT_GT(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0), earlierTitle);
    EXPECT_EQ(LastRowIndex.load(), list.topLevelItemCount() - 1);
    EXPECT_EQ(LoopMode.load(), ExitAfterEpisode);
    EXPECT_FALSE(window_->按钮_重试->isVisible());
    EXPECT_EQ(window_->标签1->text(), earlierTitle);
    EXPECT_EQ(list.topLevelItem(0)->text(3), QStringLiteral("正在播放..."));
    EXPECT_EQ(media_->OpenUrl(), window_->PlaylistCell(0, 1));
    // Row 0 is loaded once, not once by the signal and again by the retry.
    int opens = 0;
    for (const std::string& call : media_->Calls()) {
        opens += call.rfind("open ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(opens, 1);
    ExpectTransportEnabled(true);
}

TEST_F(WindowTest, OnlyOneLoadingWorkerRunsAtATime) {
    Restart({QStringLiteral("--latency"), QStringLiteral("300")});
    Start();
    const QThread* first = window_->WorkerThreadHandle();
    ASSERT_TRUE(app::ThreadIsRunning(first));
    window_->OnRetryClicked();
    EXPECT_EQ(window_->WorkerThreadHandle(), first);
    ASSERT_TRUE(WaitUntilLoaded(*window_));
    EXPECT_EQ(media_->OpenUrl(), window_->PlaylistCell(0, 1));
}

TEST_F(WindowTest, PlaylistButtonAndFoldBarSetTheWindowHeight) {
    StartLoaded();
    struct Case {
        const char* clicks;  // l: playlist button, f: fold bar
        int height;
    };
    const Case cases[] = {
        {"", 109}, {"l", 332}, {"ll", 109}, {"lf", 110}, {"lfl", 332}, {"lflf", 110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clicks);
        window_->OnFoldBarClicked();
        window_->OnPlaylistButtonClicked();
        window_->OnPlaylistButtonClicked();  // back to 109 from any start
        ASSERT_EQ(window_->height(), 109);
        for (const char* click = c.clicks; *click != '\0'; ++click) {
            QTest::mouseClick(*click == 'l' ? window_->按钮_列表 : window_->按钮_收缩展开,
                              Qt::LeftButton);
        }
        EXPECT_EQ(window_->height(), c.height);
        EXPECT_EQ(window_->width(), 408);
        if (c.height == 332) {
            EXPECT_EQ(window_->focusWidget(), window_->超级列表框1);
        }
    }
}

TEST_F(WindowTest, TrayEventsShowTheWindowOrOpenTheMenu) {
    StartLoaded();
    struct Case {
        bool shownBefore;
        int type;
        bool shownAfter;
        bool menuOpens;
    };
    const Case cases[] = {
        {false, 1, true, false}, {true, 1, true, false},  {false, 2, false, false},
        {true, 2, true, false},  {false, 3, false, true}, {true, 3, true, true},
    };
    window_->OnPlaylistButtonClicked();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " shown " << c.shownBefore);
        window_->show();
        if (!c.shownBefore) {
            QTest::mouseClick(window_->按钮_最小化, Qt::LeftButton);
        }
        ASSERT_EQ(window_->isVisible(), c.shownBefore);
        window_->OnTrayEvent(c.type);
        EXPECT_EQ(window_->isVisible(), c.shownAfter);
        EXPECT_EQ(window_->托盘菜单->isVisible(), c.menuOpens);
        EXPECT_EQ(window_->height(), 332) << "showing keeps the window as it was";
        EXPECT_TRUE(window_->TrayIcon()->isVisible());
        window_->托盘菜单->hide();
    }
    EXPECT_EQ(media_->State(), platform::MediaPlayer::kStatePlaying) << "hiding goes on playing";
}

// What the desktop's tray reports reaches the handler as the event type it stands
// for: a click shows the window, a double click does nothing, the context request
// opens the menu, and anything else is left alone.
TEST(MainWindowTray, TrayActivationsArriveAsTheirEventTypes) {
    Started started = StartWindow([] { return std::vector<PlaylistRow>{}; });
    MainWindow& window = *started.window;
    ASSERT_TRUE(WaitUntilLoaded(window));
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        bool shownAfter;
        bool menuOpens;
    };
    const Case cases[] = {
        {QSystemTrayIcon::Trigger, true, false},
        {QSystemTrayIcon::DoubleClick, false, false},
        {QSystemTrayIcon::Context, false, true},
        {QSystemTrayIcon::MiddleClick, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reason));
        window.show();
        QTest::mouseClick(window.按钮_最小化, Qt::LeftButton);
        ASSERT_FALSE(window.isVisible());
        emit window.TrayIcon()->activated(c.reason);
        EXPECT_EQ(window.isVisible(), c.shownAfter);
        EXPECT_EQ(window.托盘菜单->isVisible(), c.menuOpens);
        window.托盘菜单->hide();
    }
}

TEST(MainWindowTray, WithoutATrayHidingMinimisesSoTheWindowCanComeBack) {
    Started started = StartWindow([] { return std::vector<PlaylistRow>{}; }, {}, false);
    MainWindow& window = *started.window;
    ASSERT_TRUE(WaitUntilLoaded(window));
    QTest::mouseClick(window.按钮_最小化, Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
}

TEST_F(WindowTest, TrayMenuItemsActOnThePlayer) {
    StartLoaded();
    const QList<QAction*> items = window_->托盘菜单->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), QStringLiteral("播放/暂停"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("上一首"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("下一首"));
    EXPECT_EQ(items[3]->text(), QStringLiteral("退出"));

    items[2]->trigger();
    EXPECT_EQ(window_->Controller().CurrentIndex(), 1);
    EXPECT_EQ(media_->OpenUrl(), window_->PlaylistCell(1, 1));
    items[1]->trigger();
    items[1]->trigger();
    EXPECT_EQ(window_->Controller().CurrentIndex(), LastRowIndex.load()) << "wraps to the end";
    items[0]->trigger();
    EXPECT_EQ(media_->State(), platform::MediaPlayer::kStatePaused);
    items[0]->trigger();
    EXPECT_EQ(media_->State(), platform::MediaPlayer::kStatePlaying);
}

TEST_F(WindowTest, TransportControlsReachThePlayer) {
    StartLoaded();
    PlayerController& player = window_->Controller();

    // Holding next or previous seeks; the release applies it.
    struct Hold {
        QPushButton* button;
        int direction;
    };
    for (const Hold& hold : {Hold{window_->按钮_下一个, 1}, Hold{window_->按钮_上一个, -1}}) {
        QTest::mousePress(hold.button, Qt::LeftButton);
        EXPECT_EQ(player.SeekDirection(), hold.direction);
        EXPECT_EQ(player.SeekTimerPeriod(), 100);
        EXPECT_EQ(player.PlayTimerPeriod(), 0);
        QTest::mouseRelease(hold.button, Qt::LeftButton);
        EXPECT_EQ(player.SeekDirection(), 0);
        EXPECT_EQ(player.SeekTimerPeriod(), 0);
        EXPECT_EQ(player.PlayTimerPeriod(), 1000);
    }

    // A move by the user seeks; a value set by the program does not.
    window_->SetSliderValue(10);
    media_->ClearCalls();
    window_->SetSliderValue(20);
    EXPECT_TRUE(media_->Calls().empty());
    window_->滑块条_播放进度->setFocus();
    QTest::keyClick(window_->滑块条_播放进度, Qt::Key_Right);
    ASSERT_FALSE(media_->Calls().empty());
    EXPECT_EQ(media_->Calls().back(), "play 21000");

    // The play/pause button shows what a click will do.
    QTest::mouseClick(window_->按钮_播放暂停, Qt::LeftButton);
    EXPECT_EQ(media_->State(), platform::MediaPlayer::kStatePaused);
    const QImage paused = window_->按钮_播放暂停->icon().pixmap(16).toImage();
    QTest::mouseClick(window_->按钮_播放暂停, Qt::LeftButton);
    EXPECT_EQ(media_->State(), platform::MediaPlayer::kStatePlaying);
    EXPECT_NE(window_->按钮_播放暂停->icon().pixmap(16).toImage(), paused);
}

// A press of the left button that lasts ms, as a hand makes it: the event loop
// runs meanwhile, so the seek timer ticks, and the release comes ms after the
// press by the window system's clock. Released at releaseAt (the centre if null).
void Press(QWidget* widget, int ms, QPoint releaseAt = {}) {
    QTest::mousePress(widget, Qt::LeftButton);
    QTest::qWait(ms);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, releaseAt, ms);
}

int AdjacentRow(int row, bool next) {
    const int last = LastRowIndex.load();
    if (next) {
        return row < last ? row + 1 : 0;
    }
    return row > 0 ? row - 1 : last;
}

// Shorter than the desktop's press-and-hold interval, a press on previous or next
// is a click, however many seek steps it lasted: it plays the adjacent row from
// its start.
TEST_F(WindowTest, ClicksOfEveryUsualLengthSkip) {
    StartLoaded();
    PlayerController& player = window_->Controller();
    ASSERT_GT(QGuiApplication::styleHints()->mousePressAndHoldInterval(), 300);
    struct Case {
        bool next;
        int ms;
    };
    const Case cases[] = {{true, 50},  {true, 150},  {true, 300},
                          {false, 50}, {false, 150}, {false, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.next ? "next " : "previous ") << c.ms << " ms");
        const int expected = AdjacentRow(player.CurrentIndex(), c.next);
        Press(c.next ? window_->按钮_下一个 : window_->按钮_上一个, c.ms);
        EXPECT_EQ(player.CurrentIndex(), expected);
        EXPECT_EQ(media_->OpenUrl(), window_->PlaylistCell(expected, 1));
        EXPECT_EQ(media_->RawPositionMs(), 0) << "from its start";
        EXPECT_EQ(window_->SliderValue(), 0);
        EXPECT_EQ(player.SeekDirection(), 0);
        EXPECT_EQ(player.SeekTimerPeriod(), 0);
        EXPECT_EQ(player.PlayTimerPeriod(), 1000);
    }

    // Two quick clicks are two skips, though the second press comes as a double click.
    const int from = player.CurrentIndex();
    Press(window_->按钮_下一个, 50);
    QTest::mouseDClick(window_->按钮_下一个, Qt::LeftButton);
    EXPECT_EQ(player.SeekDirection(), 1);
    QTest::mouseRelease(window_->按钮_下一个, Qt::LeftButton);
    EXPECT_EQ(player.CurrentIndex(), AdjacentRow(AdjacentRow(from, true), true));
    EXPECT_EQ(player.SeekDirection(), 0);
}

// A press that lasts the interval is a deliberate hold: it seeks about 100
// seconds a second, the release applies the seek, and nothing is loaded. Released
// off the button it leaves nothing behind, so the keyboard's next click skips.
TEST_F(WindowTest, AHoldSeeksAndLoadsNothing) {
    StartLoaded();
    PlayerController& player = window_->Controller();
    QStyleHints* hints = QGuiApplication::styleHints();
    ASSERT_LT(hints->mousePressAndHoldInterval(), 1000);
    const int row = player.CurrentIndex();
    ASSERT_EQ(window_->SliderValue(), 0);
    media_->ClearCalls();

    Press(window_->按钮_下一个, 1500);
    const int held = window_->SliderValue();
    EXPECT_NEAR(held, 150, 30);
    EXPECT_EQ(player.CurrentIndex(), row);
    EXPECT_EQ(media_->Calls(), std::vector<std::string>{"play " + std::to_string(held * 1000)})
        << "the seek, and no row loaded";
    EXPECT_EQ(player.PlayTimerPeriod(), 1000);

    for (QPushButton* button : {window_->按钮_下一个, window_->按钮_上一个}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const int from = player.CurrentIndex();
        Press(button, 1000, QPoint(button->width() / 2, button->height() + 40));
        EXPECT_EQ(player.CurrentIndex(), from);
        EXPECT_EQ(player.SeekDirection(), 0);
        QTest::keyClick(button, Qt::Key_Space);
        EXPECT_EQ(player.CurrentIndex(), AdjacentRow(from, button == window_->按钮_下一个));
    }

    // The interval is the desktop's, as it stands at the press.
    struct Restore {
        QStyleHints* hints;
        int interval;
        ~Restore() { hints->setMousePressAndHoldInterval(interval); }
    } restore{hints, hints->mousePressAndHoldInterval()};
    hints->setMousePressAndHoldInterval(100);
    const int from = player.CurrentIndex();
    Press(window_->按钮_下一个, 300);
    EXPECT_EQ(player.CurrentIndex(), from) << "300 ms is a hold on this desktop";
}

TEST_F(WindowTest, AHoldThatSlidesOffTheButtonAndBackIsOneHold) {
    StartLoaded();
    PlayerController& player = window_->Controller();
    QPushButton* next = window_->按钮_下一个;
    const int row = player.CurrentIndex();
    const QPoint inside = next->rect().center();
    const QPoint outside(inside.x(), next->height() + 40);
    // Events as the window system stamps them, a deliberate hold apart.
    const quint64 pressedAt = 1'000'000;
    const quint64 releasedAt =
        pressedAt + QGuiApplication::styleHints()->mousePressAndHoldInterval() + 500;
    const auto send = [next](QEvent::Type type, QPoint at, Qt::MouseButtons held, quint64 time) {
        QMouseEvent event(type, at, next->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        event.setTimestamp(time);
        QApplication::sendEvent(next, &event);
    };

    send(QEvent::MouseButtonPress, inside, Qt::LeftButton, pressedAt);
    player.OnSeekTimerTick();
    player.OnSeekTimerTick();
    const int held = window_->SliderValue();
    ASSERT_EQ(held, 2 * PlayerController::kSeekStepSeconds);
    media_->ClearCalls();
    send(QEvent::MouseMove, outside, Qt::LeftButton, pressedAt + 100);
    send(QEvent::MouseMove, inside, Qt::LeftButton, pressedAt + 200);
    EXPECT_EQ(player.SeekDirection(), 1) << "still the same hold";
    EXPECT_TRUE(media_->Calls().empty()) << "nothing applied before the release";

    send(QEvent::MouseButtonRelease, inside, Qt::NoButton, releasedAt);
    EXPECT_EQ(player.SeekDirection(), 0);
    EXPECT_EQ(player.CurrentIndex(), row) << "the click that ends a hold does not skip";
    ASSERT_FALSE(media_->Calls().empty());
    EXPECT_EQ(media_->Calls().back(), "play " + std::to_string(held * 1000));

    // Released away from the button, the hold still ends and applies its seek.
    send(QEvent::MouseButtonPress, inside, Qt::LeftButton, releasedAt + 1000);
    player.OnSeekTimerTick();
    send(QEvent::MouseMove, outside, Qt::LeftButton, releasedAt + 1100);
    send(QEvent::MouseButtonRelease, outside, Qt::NoButton, releasedAt + 1200);
    EXPECT_EQ(player.SeekDirection(), 0);
    EXPECT_EQ(player.CurrentIndex(), row);
    EXPECT_EQ(media_->Calls().back(), "play " + std::to_string(held * 1000 + 10000));
}

TEST_F(WindowTest, LoopModeButtonCyclesThroughTheFourModes) {
    StartLoaded();
    struct Step {
        std::int32_t mode;
        const Bytes& picture;
        const char* toolTip;
    };
    const Step steps[] = {
        {RepeatOne, PictureRepeatOne(), "单曲循环"},
        {RandomLoop, PictureRandomLoop(), "随机循环"},
        {SequentialLoop, PictureSequentialLoop(), "顺序循环"},
        {ExitAfterEpisode, PictureExitAfterEpisode(), "单曲结束"},
    };
    EXPECT_EQ(window_->LoopModePicture(), PictureExitAfterEpisode());
    EXPECT_EQ(window_->按钮_循环方式->toolTip(), QStringLiteral("单曲结束"));
    for (const Step& step : steps) {
        QTest::mouseClick(window_->按钮_循环方式, Qt::LeftButton);
        EXPECT_EQ(LoopMode.load(), step.mode);
        EXPECT_EQ(window_->LoopModePicture(), step.picture);
        EXPECT_EQ(window_->按钮_循环方式->toolTip(), QString::fromUtf8(step.toolTip));
    }
}

TEST(MainWindowPlaylist, DoubleClickPlaysTheSelectedRowOrStops) {
    Started started = StartWindow(
        [] {
            return std::vector<PlaylistRow>{{"a", "http://a/0.mp3", "", "", ""},
                                            {"b", "http://a/1.mp3", "", "", ""},
                                            {"c", "http://a/2.mp3", "", "", ""}};
        },
        [](const Text&) { return Bytes{}; });
    MainWindow& window = *started.window;
    ASSERT_TRUE(WaitUntilLoaded(window));
    ASSERT_EQ(started.media->OpenUrl(), "http://a/0.mp3");
    window.OnPlaylistButtonClicked();
    QTreeWidget& list = *window.超级列表框1;

    const QRect second = list.visualItemRect(list.topLevelItem(1));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(window.Controller().CurrentIndex(), 1);
    EXPECT_EQ(started.media->OpenUrl(), "http://a/1.mp3");

    // Below the rows nothing gets selected; with no selection the player stops.
    list.clearSelection();
    const QPoint belowTheRows(10, list.viewport()->height() - 2);
    ASSERT_EQ(list.itemAt(belowTheRows), nullptr);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, belowTheRows);
    EXPECT_FALSE(started.media->IsOpen());
    EXPECT_EQ(window.Controller().CurrentIndex(), 1) << "stopping changes nothing else";
}

// Every loading run starts the player over with the program ending after an
// episode; the loop-mode button shows the mode the player really has afterwards,
// also when it was changed before a retry, and keeps a choice made while loading.
TEST(MainWindowLoading, TheLoopModeButtonShowsTheModeEachRunLeaves) {
    std::atomic<bool> open{false};
    LoopMode = 0;
    Started started = StartWindow([&open] {
        while (!open) {
            QThread::msleep(5);
        }
        return std::vector<PlaylistRow>{};
    });
    MainWindow& window = *started.window;
    ASSERT_TRUE(QTest::qWaitFor([] { return LoopMode == ExitAfterEpisode; }, 10000));

    struct Step {
        const char* when;
        int clicks;  // on the loop-mode button, before the run ends
        std::int32_t mode;
        const Bytes& picture;
        const char* toolTip;
    };
    const Step steps[] = {
        {"chosen while loading", 1, RepeatOne, PictureRepeatOne(), "单曲循环"},
        {"chosen before a retry", 2, ExitAfterEpisode, PictureExitAfterEpisode(), "单曲结束"},
        {"unchanged before a retry", 0, ExitAfterEpisode, PictureExitAfterEpisode(), "单曲结束"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.when);
        for (int click = 0; click < step.clicks; ++click) {
            QTest::mouseClick(window.按钮_循环方式, Qt::LeftButton);
        }
        if (!open) {
            open = true;
            ASSERT_TRUE(WaitUntilLoaded(window));
        } else {
            ASSERT_TRUE(window.按钮_重试->isVisible());
            QTest::mouseClick(window.按钮_重试, Qt::LeftButton);
        }
        ASSERT_EQ(window.标签1->text(), QStringLiteral("初始化失败，请重试..."));
        EXPECT_EQ(LoopMode.load(), step.mode);
        EXPECT_EQ(window.LoopModePicture(), step.picture);
        EXPECT_EQ(window.按钮_循环方式->toolTip(), QString::fromUtf8(step.toolTip));
    }
}

// A media player that counts, where the test can still see it after the window
// that owns it is gone, how often the play timer has read the position.
class CountingMediaPlayer : public FakeMediaPlayer {
public:
    explicit CountingMediaPlayer(std::atomic<int>* positionReads)
        : FakeMediaPlayer(kEpisodeMs), positionReads_(positionReads) {}
    std::int64_t PositionMs() override {
        ++*positionReads_;
        return FakeMediaPlayer::PositionMs();
    }

private:
    std::atomic<int>* positionReads_;
};

// Taken down while a loading run is under way, the window serves the worker's
// calls until it ends; the player's timers are stopped before that, so no tick
// plays on (here: reopens the row) while the window goes.
TEST(MainWindowLoading, TakenDownWhileLoadingTheWindowStopsThePlayerFirst) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> positionReads{0};
    auto window = std::make_unique<MainWindow>(MainWindow::Options{
        .mediaPlayer = std::make_unique<CountingMediaPlayer>(&positionReads),
        .fetchRows =
            [released] {
                released.wait();
                return std::vector<PlaylistRow>{};
            },
        .fetchCover = [](const Text&) { return Bytes{}; },
        .trayAvailable = true,
    });
    ASSERT_TRUE(QTest::qWaitFor([] { return LoopMode == ExitAfterEpisode; }, 10000));
    LoopMode = RepeatOne;
    window->Controller().PlayRow(0);
    ASSERT_EQ(window->Controller().PlayTimerPeriod(), 1000);

    // The run ends well after the play timer's next tick would have come.
    std::thread releaser([&release] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        release.set_value();
    });
    const int readsBefore = positionReads;
    window.reset();
    releaser.join();
    EXPECT_EQ(positionReads, readsBefore);
    LoopMode = 0;
}

// The window as laid out, while its first loading run is still under way.
TEST(MainWindowLayout, ControlsSitWhereTheyBelongWithTheirFirstState) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    Started started = StartWindow([released] {
        released.wait();
        return std::vector<PlaylistRow>{};
    });
    MainWindow& window = *started.window;

    EXPECT_EQ(window.windowTitle(), QStringLiteral("晨鹊早晚报v1.2"));
    EXPECT_EQ(window.objectName(), QStringLiteral("窗口"));
    EXPECT_EQ(window.size(), QSize(408, 109));
    EXPECT_EQ(window.pos(), QPoint(3, 4));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_TRUE(window.TrayIcon()->isVisible());
    EXPECT_EQ(window.TrayIcon()->toolTip(), window.windowTitle());
    EXPECT_FALSE(window.TrayIcon()->icon().isNull());
    // Of the tray's items only the skips wait for a playlist.
    const QList<QAction*> items = window.托盘菜单->actions();
    ASSERT_EQ(items.size(), 4);
    for (int item = 0; item < 4; ++item) {
        EXPECT_EQ(items[item]->isEnabled(), item == 0 || item == 3)
            << items[item]->text().toStdString();
    }

    struct Control {
        QWidget* widget;
        const char* name;
        QRect geometry;
        const char* text;  // nullptr: no text to check
        bool enabled;
        bool visible;
    };
    const Control controls[] = {
        {window.图片框1, "图片框1", {3, 3, 101, 101}, "", true, true},
        {window.按钮_重试, "按钮_重试", {3, 3, 101, 101}, "", true, false},
        {window.标签1, "标签1", {111, 3, 282, 48}, "正在初始化...", true, true},
        {window.滑块条_播放进度, "滑块条_播放进度", {104, 56, 304, 16}, nullptr, false, true},
        {window.标签_现行时长, "标签_现行时长", {110, 69, 45, 15}, "00分00秒", true, true},
        {window.标签_总时长, "标签_总时长", {356, 69, 45, 15}, "00分00秒", true, true},
        {window.按钮_循环方式, "按钮_循环方式", {108, 82, 24, 24}, "", true, true},
        {window.按钮_上一个, "按钮_上一个", {174, 82, 48, 24}, "", false, true},
        {window.按钮_播放暂停, "按钮_播放暂停", {228, 82, 43, 24}, "", false, true},
        {window.按钮_下一个, "按钮_下一个", {278, 82, 48, 24}, "", false, true},
        {window.按钮_最小化, "按钮_最小化", {357, 82, 24, 24}, "", true, true},
        {window.按钮_列表, "按钮_列表", {382, 82, 24, 24}, "", false, true},
        {window.按钮_关闭, "按钮_关闭", {393, 0, 15, 15}, "", true, true},
        {window.编辑框_初始化完成, "编辑框_初始化完成", {139, 87, 16, 16}, "", true, false},
        {window.超级列表框1, "超级列表框1", {0, 108, 408, 211}, nullptr, true, true},
        {window.按钮_收缩展开, "按钮_收缩展开", {0, 317, 408, 16}, "往期节目", true, true},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.widget, nullptr);
        EXPECT_EQ(c.widget->objectName(), QString::fromUtf8(c.name));
        EXPECT_EQ(window.findChild<QWidget*>(QString::fromUtf8(c.name)), c.widget);
        EXPECT_EQ(c.widget->geometry(), c.geometry);
        EXPECT_EQ(c.widget->isEnabled(), c.enabled);
        EXPECT_EQ(c.widget->isVisibleTo(&window), c.visible);
        if (c.text != nullptr) {
            QString text;
            if (auto* label = qobject_cast<QLabel*>(c.widget)) {
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) {
                text = button->text();
            } else if (auto* edit = qobject_cast<QLineEdit*>(c.widget)) {
                text = edit->text();
            }
            EXPECT_EQ(text, QString::fromUtf8(c.text));
        }
        if (c.widget->focusPolicy() != Qt::NoFocus && c.widget != window.编辑框_初始化完成) {
            EXPECT_FALSE(c.widget->accessibleName().isEmpty()) << "reachable by keyboard";
        }
    }

    EXPECT_EQ(window.按钮_循环方式->toolTip(), QStringLiteral("单曲结束"));
    EXPECT_EQ(window.按钮_列表->toolTip(), QStringLiteral("播放列表"));
    EXPECT_EQ(window.按钮_最小化->toolTip(), QStringLiteral("最小化到托盘"));
    EXPECT_EQ(window.LoopModePicture(), PictureExitAfterEpisode());

    // The two timers, stopped until a row plays.
    const PlayerController& player = window.Controller();
    for (const auto& [timer, name] :
         {std::pair{&player.时钟_播放, "时钟_播放"}, std::pair{&player.时钟_快进, "时钟_快进"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(timer->objectName(), QString::fromUtf8(name));
        EXPECT_FALSE(timer->isActive());
    }

    const QTreeWidget& list = *window.超级列表框1;
    const QStringList headers = {QStringLiteral("标题"), QStringLiteral("链接"),
                                 QStringLiteral("图片"), QStringLiteral("状态"),
                                 QStringLiteral("bak")};
    const int widths[] = {300, 0, 0, 85, 0};
    ASSERT_EQ(list.columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list.headerItem()->text(column), headers[column]);
        if (widths[column] == 0) {
            EXPECT_TRUE(list.isColumnHidden(column)) << column;
        } else {
            EXPECT_EQ(list.columnWidth(column), widths[column]) << column;
            EXPECT_FALSE(list.isColumnHidden(column)) << column;
        }
    }

    release.set_value();
    ASSERT_TRUE(WaitUntilLoaded(window));
}

// The list view is the playlist's only store, so what the player reads back must
// be what was written, byte for byte.
TEST(MainWindowPlaylist, CellsKeepTheirBytesAndRowsOutsideTheListReadEmpty) {
    const Text title = "\xb3\xbf\xc8\xb5";             // a GBK title
    const Text oddLink = "http://a/\x80\xff\x81.mp3";  // bytes that do not decode
    Started started = StartWindow([&] {
        return std::vector<PlaylistRow>{
            {title, oddLink, "http://a/c.png", "01\xb7\xd6", "01\xb7\xd6"},
        };
    });
    MainWindow& window = *started.window;
    ASSERT_TRUE(WaitUntilLoaded(window));
    EXPECT_EQ(window.PlaylistCell(0, 0), title);
    EXPECT_EQ(window.PlaylistCell(0, 1), oddLink);
    EXPECT_EQ(window.超级列表框1->topLevelItem(0)->text(0), QStringLiteral("晨鹊"));

    window.SetPlaylistCell(0, 3, "\xd5\xfd");  // "正"
    EXPECT_EQ(window.超级列表框1->topLevelItem(0)->text(3), QStringLiteral("正"));
    for (auto [row, column] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 5}}) {
        window.SetPlaylistCell(row, column, "x");
        EXPECT_EQ(window.PlaylistCell(row, column), "");
    }
    EXPECT_EQ(window.超级列表框1->topLevelItemCount(), 1);

    window.SetCoverPicture(BytesFromText("not a picture"));
    EXPECT_TRUE(window.图片框1->pixmap().isNull());
    window.SetCoverPicture(PicturePlay());  // an icon file is a picture too
    EXPECT_FALSE(window.图片框1->pixmap().isNull());
    window.SetCoverPicture({});
    EXPECT_TRUE(window.图片框1->pixmap().isNull());
}

// Ways out of the program, each run in a child process so its exit code is seen.
class ExitTest : public ::testing::Test {
protected:
    int RunChild(const char* scenario, const DemoService& service) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        const FmOrigins origins = service.Origins();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--scenario"), QString::fromUtf8(scenario),
                     QString::fromStdString(origins.http), QString::fromStdString(origins.https),
                     QString::fromStdString(service.ClockUrl())});
        EXPECT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        return child.exitCode();
    }
};

TEST_F(ExitTest, EachWayOutEndsTheProgramWithExitCodeZero) {
    DemoService service;
    ASSERT_TRUE(service.Running());
    for (const char* scenario : {"exit-after-episode", "close-button", "tray-exit"}) {
        SCOPED_TRACE(scenario);
        EXPECT_EQ(RunChild(scenario, service), 0);
    }
}

TEST_F(ExitTest, CloseWhileTheWorkerWaitsForTheServiceEndsAtOnce) {
    DemoService service({QStringLiteral("--fault"), QStringLiteral("slow"),
                         QStringLiteral("--slow-seconds"), QStringLiteral("30")});
    ASSERT_TRUE(service.Running());
    EXPECT_EQ(RunChild("close-while-loading", service), 0);
}

}  // namespace

// Exit codes of a scenario that went wrong before the program ended itself.
constexpr int kNotLoaded = 3;
constexpr int kStillRunning = 4;
constexpr int kNotCleanedUp = 5;

int RunScenario(int argc, char** argv) {
    if (argc < 6) {
        return 2;
    }
    const std::string scenario = argv[2];
    const FmOrigins origins{.http = argv[3], .https = argv[4]};
    Started started = StartWindow(RowsFrom(origins, argv[5]));
    MainWindow& window = *started.window;
    // Whatever happens, the child does not outlive the test.
    QTimer::singleShot(20000, [] { std::_Exit(kStillRunning); });

    if (scenario == "close-while-loading") {
        QTimer::singleShot(300, [&] {
            if (!app::ThreadIsRunning(window.WorkerThreadHandle())) {
                std::_Exit(kNotLoaded);  // the service was meant to keep it waiting
            }
            window.按钮_关闭->click();
        });
        return QApplication::exec();
    }
    if (!WaitUntilLoaded(window) || LastRowIndex < 1) {
        return kNotLoaded;
    }
    if (scenario == "exit-after-episode") {
        if (LoopMode != ExitAfterEpisode) {
            return kNotLoaded;
        }
        // The next play-timer tick finds the episode at its end.
        started.media->FinishEpisode();
    } else if (scenario == "close-button") {
        QTimer::singleShot(0, [&] { window.按钮_关闭->click(); });
    } else if (scenario == "tray-exit") {
        QTimer::singleShot(0, [&] { window.托盘菜单->actions().at(3)->trigger(); });
    } else {
        return 2;
    }
    const int exitCode = QApplication::exec();
    // Gone before the program ends: the tray icon, the media, the play timer.
    if (window.TrayIcon()->isVisible() || started.media->IsOpen() ||
        window.Controller().PlayTimerPeriod() != 0) {
        return kNotCleanedUp;
    }
    return exitCode;
}

}  // namespace cq::testing
