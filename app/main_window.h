#pragma once

// The program's one window: the player strip, the playlist that unfolds below it,
// its own chrome (close and hide buttons, dragging by the background), the tray
// icon with its menu, and the loading worker that fills the playlist.

#include <QByteArray>
#include <QIcon>
#include <QList>
#include <QPoint>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/hold_button.h"
#include "catalogue/playlist_row.h"
#include "platform/media_player.h"
#include "player/player_controller.h"
#include "player/player_view.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QSystemTrayIcon;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

namespace cq::app {

// What a loading run fetches: the rows to append, in order.
using RowSource = std::function<std::vector<PlaylistRow>()>;

// True while the thread runs; a finished thread and no thread give false.
bool ThreadIsRunning(const QThread* thread);

// Waits the given time while the window thread goes on serving events (a nested
// event loop). Returns false at once when the application is leaving its event
// loop, since no events would be served any more.
bool PauseWithEvents(int milliseconds);

// The tray menu's icons come from an image list; the loading worker assigns each
// item an image index from its own thread, so the table is plain atomic data and
// the icons are put on the menu items on the window thread.
struct ExtendedMenu {
    std::array<QIcon, 4> images;  // 0 previous, 1 next, 2 exit, 3 play/pause
    std::array<std::atomic<int>, 4> itemImage{-1, -1, -1, -1};  // per menu item
};

class MainWindow : public QWidget, public PlayerView {
public:
    static constexpr int kWidth = 408;
    static constexpr int kFoldedHeight = 109;
    static constexpr int kFoldBarHeight = 110;
    static constexpr int kUnfoldedHeight = 332;

    struct Options {
        // The player the window drives; required.
        std::unique_ptr<platform::MediaPlayer> mediaPlayer = {};
        // Empty: the program's own (the catalogue's FetchPlaylistRows, FetchCover).
        RowSource fetchRows = {};
        CoverFetcher fetchCover = {};
        // Whether the desktop has a tray to hide into; unset: ask the desktop.
        std::optional<bool> trayAvailable = {};
    };

    explicit MainWindow(Options options);
    ~MainWindow() override;

    // Start-up and loading.
    void OnWindowCreated();
    void OnInitCompleteChanged();
    void OnRetryClicked();

    // Tray and chrome. Tray event types: 1 left click, 2 double click, 3 context.
    void OnTrayEvent(int type);
    void OnHideClicked();
    void OnCloseClicked();
    void OnPlaylistButtonClicked();
    void OnFoldBarClicked();

    PlayerController& Controller() { return *controller_; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
    const QThread* WorkerThreadHandle() const { return WorkerThread.get(); }
    bool Exiting() const { return exiting_; }

    // PlayerView.
    Text PlaylistCell(int row, int column) const override;
    void SetPlaylistCell(int row, int column, const Text& text) override;
    int PlaylistSelection() const override;
    void SetPlaylistSelection(int row) override;
    void FocusPlaylist() override;
    void SetTitleText(const Text& text) override;
    void SetElapsedText(const Text& text) override;
    void SetTotalText(const Text& text) override;
    void SetCoverPicture(const Bytes& picture) override;
    int SliderMaximum() const override;
    void SetSliderMaximum(int maximum) override;
    int SliderValue() const override;
    void SetSliderValue(int value) override;
    void SetPlayPausePicture(const Bytes& picture) override;
    Bytes LoopModePicture() const override;
    void SetLoopModePicture(const Bytes& picture) override;
    void SetLoopModeToolTip(const Text& text) override;
    void ExitProgram(int exitCode) override;

    // The controls, named as the window's designers named them.
    QLabel* 图片框1 = nullptr;
    QPushButton* 按钮_重试 = nullptr;
    QLabel* 标签1 = nullptr;
    QSlider* 滑块条_播放进度 = nullptr;
    QLabel* 标签_现行时长 = nullptr;
    QLabel* 标签_总时长 = nullptr;
    QPushButton* 按钮_循环方式 = nullptr;
    HoldButton* 按钮_上一个 = nullptr;
    QPushButton* 按钮_播放暂停 = nullptr;
    HoldButton* 按钮_下一个 = nullptr;
    QPushButton* 按钮_最小化 = nullptr;
    QPushButton* 按钮_列表 = nullptr;
    QPushButton* 按钮_关闭 = nullptr;
    QLineEdit* 编辑框_初始化完成 = nullptr;
    QTreeWidget* 超级列表框1 = nullptr;
    QPushButton* 按钮_收缩展开 = nullptr;
    QMenu* 托盘菜单 = nullptr;
    ExtendedMenu 超级菜单1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildTray();
    void ConnectEvents();
    void StartLoadingWorker();
    void LoadingWorker();  // runs on the worker thread
    void BuildPlaylist();  // runs on the worker thread
    void RunOnWindowThread(const std::function<void()>& call);
    void AppendPlaylistRow(const PlaylistRow& row);
    void ShowPendingRows();
    void RaiseInitComplete();
    void ApplyMenuIcons();
    void ShowLoopMode();
    void ShowLoadingOutcome();  // play row 0, or the failure text with fewer than two rows
    void ShowLoadingFailed();
    void EnableTransport();
    void SetWindowHeight(int height);

    std::unique_ptr<platform::MediaPlayer> 媒体播放1;
    std::unique_ptr<PlayerController> controller_;
    RowSource fetchRows_;
    std::unique_ptr<QThread> WorkerThread;
    QSystemTrayIcon* trayIcon_ = nullptr;
    std::array<QAction*, 4> trayActions_{};
    QByteArray loopModePicture_;
    bool trayAvailable_ = true;
    bool completionHandled_ = false;
    std::atomic<bool> windowBuilt_{false};  // construction has ended
    QList<QTreeWidgetItem*> pendingRows_;   // appended, not yet in the list view
    bool rowsShowScheduled_ = false;
    bool exiting_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace cq::app
