// The loading worker and the hand-over to the window thread: the worker's run,
// the completion signal, and the retry that waits for a new run while the window
// stays responsive.

#include "app/main_window.h"

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include "app/window_shared.h"
#include "player/pictures.h"
#include "player/player_state.h"

namespace cq::app {

namespace {

// Rows appended by the worker become visible within this time.
constexpr int kRowBatchMs = 50;

}  // namespace

bool ThreadIsRunning(const QThread* thread) {
    return thread != nullptr && thread->isRunning();
}

bool PauseWithEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    // exec() refuses to run (and returns -1 at once) once the application has been
    // asked to leave its event loop.
    return loop.exec() == 0;
}

void MainWindow::StartLoadingWorker() {
    completionHandled_ = false;
    if (WorkerThread) {
        WorkerThread->wait();  // it has finished; this only joins it
    }
    WorkerThread.reset(QThread::create([this] { LoadingWorker(); }));
    WorkerThread->start();
}

void MainWindow::LoadingWorker() {
    LoopMode = ExitAfterEpisode;
    超级菜单1.itemImage[0] = 3;  // 播放/暂停
    超级菜单1.itemImage[1] = 0;  // 上一首
    超级菜单1.itemImage[2] = 1;  // 下一首
    超级菜单1.itemImage[3] = 2;  // 退出
    BuildPlaylist();
}

void MainWindow::BuildPlaylist() {
    const std::vector<PlaylistRow> rows = fetchRows_();
    // The first run starts while the window is still being built; a nested event
    // loop there must not serve a row into controls that do not exist yet.
    windowBuilt_.wait(false);
    for (const PlaylistRow& row : rows) {
        RunOnWindowThread([&] { AppendPlaylistRow(row); });
    }
    // Rows left by an earlier, failed run count too: they stay at the top.
    int rowCount = 0;
    RunOnWindowThread([&] {
        ShowPendingRows();
        rowCount = 超级列表框1->topLevelItemCount();
    });
    LastRowIndex = rowCount - 1;
    RunOnWindowThread([&] { RaiseInitComplete(); });
}

void MainWindow::RunOnWindowThread(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void MainWindow::AppendPlaylistRow(const PlaylistRow& row) {
    auto* item = new QTreeWidgetItem();
    const std::array<const Text*, kColumnCount> cells{&row.title, &row.link, &row.picture,
                                                      &row.status, &row.savedStatus};
    for (int column = 0; column < kColumnCount; ++column) {
        item->setText(column, ToQString(*cells[column]));
        item->setData(column, kRawTextRole, QByteArray::fromStdString(*cells[column]));
    }
    // Each row inserted on its own makes the list view lay out all its rows again
    // before the worker's next call is served, so a long list would load in
    // quadratic time. Rows are shown in batches instead, a moment later, and all
    // of them before the row count is read at the end of a run.
    pendingRows_.append(item);
    if (!rowsShowScheduled_) {
        rowsShowScheduled_ = true;
        QTimer::singleShot(kRowBatchMs, this, [this] { ShowPendingRows(); });
    }
}

void MainWindow::ShowPendingRows() {
    rowsShowScheduled_ = false;
    if (!pendingRows_.isEmpty()) {
        超级列表框1->addTopLevelItems(pendingRows_);
        pendingRows_.clear();
    }
}

void MainWindow::RaiseInitComplete() {
    ApplyMenuIcons();
    ShowLoopMode();
    // The signal is the text becoming "1"; a second run after a retry writes the
    // same text, so the old one is cleared quietly first.
    {
        QSignalBlocker quiet(编辑框_初始化完成);
        编辑框_初始化完成->clear();
    }
    编辑框_初始化完成->setText(QStringLiteral("1"));
}

void MainWindow::ApplyMenuIcons() {
    for (std::size_t item = 0; item < trayActions_.size(); ++item) {
        const int image = 超级菜单1.itemImage[item];
        if (image >= 0 && image < static_cast<int>(超级菜单1.images.size())) {
            trayActions_[item]->setIcon(超级菜单1.images[image]);
        }
    }
}

void MainWindow::ShowLoopMode() {
    // The worker puts the player back to ending after an episode when it starts;
    // a mode picked on the button before a retry would otherwise go on showing
    // while the program ends after the episode. A mode picked while the run was
    // under way is the one the player has, and stays.
    struct Shown {
        std::int32_t mode;
        const Bytes& (*picture)();
        const char* toolTip;
    };
    static constexpr Shown kShown[] = {
        {SequentialLoop, &PictureSequentialLoop, "顺序循环"},
        {RepeatOne, &PictureRepeatOne, "单曲循环"},
        {RandomLoop, &PictureRandomLoop, "随机循环"},
        {ExitAfterEpisode, &PictureExitAfterEpisode, "单曲结束"},
    };
    const std::int32_t mode = LoopMode;
    for (const Shown& shown : kShown) {
        if (shown.mode == mode && LoopModePicture() != shown.picture()) {
            SetLoopModePicture(shown.picture());
            按钮_循环方式->setToolTip(QString::fromUtf8(shown.toolTip));
        }
    }
}

void MainWindow::OnInitCompleteChanged() {
    if (编辑框_初始化完成->text() != QStringLiteral("1") || exiting_) {
        return;
    }
    completionHandled_ = true;
    ShowLoadingOutcome();
}

void MainWindow::OnRetryClicked() {
    // One loading worker at a time.
    if (ThreadIsRunning(WorkerThread.get()) || exiting_) {
        return;
    }
    按钮_重试->hide();
    标签1->setText(kLoadingText);
    StartLoadingWorker();
    while (ThreadIsRunning(WorkerThread.get())) {
        if (!PauseWithEvents(100) || exiting_) {
            return;
        }
    }
    // The completion signal is normally served inside the pauses above, and its
    // handler has already shown the outcome; starting row 0 a second time would
    // fetch the cover and reopen the audio for nothing.
    if (!completionHandled_) {
        ShowLoadingOutcome();
    }
}

void MainWindow::ShowLoadingOutcome() {
    if (LastRowIndex < 1) {
        ShowLoadingFailed();
        return;
    }
    按钮_重试->hide();
    EnableTransport();
    controller_->PlayRow(0);
}

void MainWindow::ShowLoadingFailed() {
    按钮_重试->show();
    按钮_重试->raise();
    标签1->setText(kFailedText);
}

void MainWindow::EnableTransport() {
    for (QWidget* control : std::initializer_list<QWidget*>{按钮_列表, 按钮_播放暂停, 按钮_上一个,
                                                            按钮_下一个, 滑块条_播放进度}) {
        control->setEnabled(true);
    }
    trayActions_[1]->setEnabled(true);
    trayActions_[2]->setEnabled(true);
}

}  // namespace cq::app
