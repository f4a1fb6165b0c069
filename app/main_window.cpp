#include "app/main_window.h"

#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include "app/window_pictures.h"
#include "catalogue/build_playlist.h"
#include "player/cover_fetch.h"
#include "player/pictures.h"
#include "player/player_state.h"
#include "text/encoding.h"

namespace cq::app {
namespace {

const QString kCaption = QStringLiteral("晨鹊早晚报v1.2");
const QString kLoadingText = QStringLiteral("正在初始化...");
const QString kFailedText = QStringLiteral("初始化失败，请重试...");
const QString kZeroTime = QStringLiteral("00分00秒");

constexpr int kColumnCount = 5;
// The raw GBK bytes of a cell, kept beside the text shown, so that what the player
// reads back (an audio URL, say) is exactly what was stored, even where the bytes
// do not decode.
constexpr int kRawTextRole = Qt::UserRole + 1;

QString ToQString(const Text& gbk) {
    return QString::fromStdString(Utf8FromGbk(gbk));
}

QByteArray ToByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QIcon IconFromBytes(const Bytes& bytes) {
    QPixmap pixmap;
    if (bytes.empty() || !pixmap.loadFromData(ToByteArray(bytes))) {
        return {};
    }
    return QIcon(pixmap);
}

// A report-style list that tells about every double click, also one on the empty
// area below the rows, where the selection stays as it was.
class PlaylistView : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<void()> onDoubleClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton && onDoubleClick) {
            onDoubleClick();
        }
    }
};

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& accessibleName,
                        QRect geometry, const QIcon& icon, int iconSize = 16) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAccessibleName(accessibleName);
    button->setGeometry(geometry);
    button->setIcon(icon);
    button->setIconSize(QSize(iconSize, iconSize));
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& accessibleName, QRect geometry,
                  const QString& text, int pixelSize) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setAccessibleName(accessibleName);
    label->setGeometry(geometry);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    return label;
}

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

MainWindow::MainWindow(Options options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      媒体播放1(std::move(options.mediaPlayer)),
      fetchRows_(options.fetchRows ? std::move(options.fetchRows)
                                   : RowSource([] { return FetchPlaylistRows(); })) {
    setObjectName(QStringLiteral("窗口"));
    setWindowTitle(kCaption);
    setWindowIcon(PictureProgram());
    setAccessibleName(kCaption);
    setFixedSize(kWidth, kFoldedHeight);
    QFont font = this->font();
    font.setPixelSize(12);
    setFont(font);

    trayAvailable_ = options.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
    BuildControls();
    controller_ = std::make_unique<PlayerController>(
        *this, *媒体播放1,
        options.fetchCover ? std::move(options.fetchCover) : CoverFetcher(FetchCover));
    BuildTray();
    ConnectEvents();
    OnWindowCreated();
}

MainWindow::~MainWindow() {
    // The worker calls onto this window and waits for each call to be served, so
    // it has to be served until it ends before the controls go away; its signal
    // must not start playback any more.
    exiting_ = true;
    while (ThreadIsRunning(WorkerThread.get())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        WorkerThread->wait(10);
    }
    if (trayIcon_ != nullptr) {
        trayIcon_->hide();
    }
    controller_.reset();
}

void MainWindow::BuildControls() {
    图片框1 = MakeLabel(this, "图片框1", QStringLiteral("节目封面"), QRect(3, 3, 101, 101), {}, 12);
    图片框1->setAlignment(Qt::AlignCenter);

    按钮_重试 = MakeButton(this, "按钮_重试", QStringLiteral("重试"), QRect(3, 3, 101, 101),
                           PictureRetry(), 32);
    按钮_重试->setToolTip(QStringLiteral("重试"));
    按钮_重试->hide();

    标签1 = MakeLabel(this, "标签1", QStringLiteral("节目标题"), QRect(111, 3, 282, 48),
                      kLoadingText, 13);
    标签1->setWordWrap(true);
    标签1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    滑块条_播放进度 = new QSlider(Qt::Horizontal, this);
    滑块条_播放进度->setObjectName(QStringLiteral("滑块条_播放进度"));
    滑块条_播放进度->setAccessibleName(QStringLiteral("播放进度"));
    滑块条_播放进度->setGeometry(104, 56, 304, 16);
    滑块条_播放进度->setRange(0, 0);
    滑块条_播放进度->setEnabled(false);

    标签_现行时长 = MakeLabel(this, "标签_现行时长", QStringLiteral("已播放时长"),
                              QRect(110, 69, 45, 15), kZeroTime, 10);
    标签_总时长 = MakeLabel(this, "标签_总时长", QStringLiteral("总时长"), QRect(356, 69, 45, 15),
                            kZeroTime, 10);
    标签_总时长->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    按钮_循环方式 =
        MakeButton(this, "按钮_循环方式", QStringLiteral("循环方式"), QRect(108, 82, 24, 24), {});
    SetLoopModePicture(PictureExitAfterEpisode());
    按钮_上一个 = MakeButton(this, "按钮_上一个", QStringLiteral("上一首"), QRect(174, 82, 48, 24),
                             PicturePrevious());
    按钮_上一个->setEnabled(false);
    按钮_播放暂停 =
        MakeButton(this, "按钮_播放暂停", QStringLiteral("播放/暂停"), QRect(228, 82, 43, 24), {});
    SetPlayPausePicture(PicturePause());
    按钮_播放暂停->setEnabled(false);
    按钮_下一个 = MakeButton(this, "按钮_下一个", QStringLiteral("下一首"), QRect(278, 82, 48, 24),
                             PictureNext());
    按钮_下一个->setEnabled(false);
    按钮_最小化 = MakeButton(this, "按钮_最小化", QStringLiteral("最小化到托盘"),
                             QRect(357, 82, 24, 24), PictureHideToTray());
    按钮_列表 = MakeButton(this, "按钮_列表", QStringLiteral("播放列表"), QRect(382, 82, 24, 24),
                           PicturePlaylist());
    按钮_列表->setEnabled(false);
    按钮_关闭 = MakeButton(this, "按钮_关闭", QStringLiteral("关闭"), QRect(393, 0, 15, 15),
                           PictureClose(), 11);
    按钮_关闭->setFlat(true);
    按钮_关闭->setToolTip(QStringLiteral("关闭"));
    按钮_关闭->setFocusPolicy(Qt::NoFocus);

    编辑框_初始化完成 = new QLineEdit(this);
    编辑框_初始化完成->setObjectName(QStringLiteral("编辑框_初始化完成"));
    编辑框_初始化完成->setGeometry(139, 87, 16, 16);
    编辑框_初始化完成->hide();

    auto* list = new PlaylistView(this);
    list->onDoubleClick = [this] { controller_->OnPlaylistDoubleClicked(); };
    超级列表框1 = list;
    超级列表框1->setObjectName(QStringLiteral("超级列表框1"));
    超级列表框1->setAccessibleName(QStringLiteral("往期节目"));
    超级列表框1->setGeometry(0, 108, 408, 211);
    超级列表框1->setColumnCount(kColumnCount);
    超级列表框1->setHeaderLabels({QStringLiteral("标题"), QStringLiteral("链接"),
                                  QStringLiteral("图片"), QStringLiteral("状态"),
                                  QStringLiteral("bak")});
    const std::array<int, kColumnCount> widths{300, 0, 0, 85, 0};
    for (int column = 0; column < kColumnCount; ++column) {
        超级列表框1->setColumnWidth(column, widths[column]);
        超级列表框1->setColumnHidden(column, widths[column] == 0);
    }
    超级列表框1->header()->setStretchLastSection(false);
    超级列表框1->setRootIsDecorated(false);
    超级列表框1->setUniformRowHeights(true);
    超级列表框1->setItemsExpandable(false);
    超级列表框1->setSelectionMode(QAbstractItemView::SingleSelection);
    超级列表框1->setSelectionBehavior(QAbstractItemView::SelectRows);
    超级列表框1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    超级列表框1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    按钮_收缩展开 = MakeButton(this, "按钮_收缩展开", QStringLiteral("收起往期节目"),
                               QRect(0, 317, 408, 16), PictureFoldUp(), 12);
    按钮_收缩展开->setText(QStringLiteral("往期节目"));
    按钮_收缩展开->setFlat(true);

    // Keyboard order follows the strip from left to right, then the playlist.
    setTabOrder(按钮_循环方式, 按钮_上一个);
    setTabOrder(按钮_上一个, 按钮_播放暂停);
    setTabOrder(按钮_播放暂停, 按钮_下一个);
    setTabOrder(按钮_下一个, 按钮_最小化);
    setTabOrder(按钮_最小化, 按钮_列表);
    setTabOrder(按钮_列表, 滑块条_播放进度);
    setTabOrder(滑块条_播放进度, 超级列表框1);
    setTabOrder(超级列表框1, 按钮_收缩展开);
}

void MainWindow::BuildTray() {
    超级菜单1.images = {PicturePrevious(), PictureNext(), PictureMenuExit(),
                        PictureMenuPlayPause()};

    托盘菜单 = new QMenu(QStringLiteral("托盘菜单"), this);
    托盘菜单->setObjectName(QStringLiteral("托盘菜单"));
    trayActions_ = {托盘菜单->addAction(QStringLiteral("播放/暂停")),
                    托盘菜单->addAction(QStringLiteral("上一首")),
                    托盘菜单->addAction(QStringLiteral("下一首")),
                    托盘菜单->addAction(QStringLiteral("退出"))};
    connect(托盘菜单, &QMenu::aboutToShow, this, [this] { ApplyMenuIcons(); });
    connect(trayActions_[0], &QAction::triggered, this,
            [this] { controller_->OnPlayPauseClicked(); });
    connect(trayActions_[1], &QAction::triggered, this, [this] { controller_->PreviousRow(); });
    connect(trayActions_[2], &QAction::triggered, this, [this] { controller_->NextRow(); });
    connect(trayActions_[3], &QAction::triggered, this, [this] { ExitProgram(0); });

    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setContextMenu(托盘菜单);
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                    case QSystemTrayIcon::Trigger:
                        OnTrayEvent(1);
                        break;
                    case QSystemTrayIcon::DoubleClick:
                        OnTrayEvent(2);
                        break;
                    case QSystemTrayIcon::Context:
                        OnTrayEvent(3);
                        break;
                    default:
                        break;
                }
            });
}

void MainWindow::ConnectEvents() {
    connect(编辑框_初始化完成, &QLineEdit::textChanged, this, [this] { OnInitCompleteChanged(); });
    connect(按钮_重试, &QPushButton::clicked, this, [this] { OnRetryClicked(); });
    connect(按钮_最小化, &QPushButton::clicked, this, [this] { OnHideClicked(); });
    connect(按钮_关闭, &QPushButton::clicked, this, [this] { OnCloseClicked(); });
    connect(按钮_列表, &QPushButton::clicked, this, [this] { OnPlaylistButtonClicked(); });
    connect(按钮_收缩展开, &QPushButton::clicked, this, [this] { OnFoldBarClicked(); });

    PlayerController& player = *controller_;
    connect(按钮_播放暂停, &QPushButton::clicked, this, [&player] { player.OnPlayPauseClicked(); });
    connect(按钮_循环方式, &QPushButton::clicked, this, [&player] { player.OnLoopModeClicked(); });
    // A press starts seeking, the release applies it, and the click that follows a
    // release over the button skips.
    connect(按钮_下一个, &QPushButton::pressed, this, [&player] { player.OnNextPressed(); });
    connect(按钮_上一个, &QPushButton::pressed, this, [&player] { player.OnPreviousPressed(); });
    connect(按钮_下一个, &QPushButton::released, this, [&player] { player.OnSeekReleased(); });
    connect(按钮_上一个, &QPushButton::released, this, [&player] { player.OnSeekReleased(); });
    connect(按钮_下一个, &QPushButton::clicked, this, [&player] { player.OnNextClicked(); });
    connect(按钮_上一个, &QPushButton::clicked, this, [&player] { player.OnPreviousClicked(); });
    // actionTriggered comes from the user only (keys, clicks, each step of a drag),
    // never from setValue; the slider position already holds the new value then.
    connect(滑块条_播放进度, &QAbstractSlider::actionTriggered, this, [this, &player](int action) {
        if (action != QAbstractSlider::SliderNoAction) {
            player.OnSliderMovedByUser(滑块条_播放进度->sliderPosition());
        }
    });
}

void MainWindow::OnWindowCreated() {
    move(3, 4);
    trayIcon_->setIcon(windowIcon());
    trayIcon_->setToolTip(windowTitle());
    trayIcon_->show();
    按钮_循环方式->setToolTip(QStringLiteral("单曲结束"));
    按钮_列表->setToolTip(QStringLiteral("播放列表"));
    按钮_最小化->setToolTip(QStringLiteral("最小化到托盘"));
    StartLoadingWorker();
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
    for (const PlaylistRow& row : rows) {
        RunOnWindowThread([&] { AppendPlaylistRow(row); });
    }
    // Rows left by an earlier, failed run count too: they stay at the top.
    int rowCount = 0;
    RunOnWindowThread([&] { rowCount = 超级列表框1->topLevelItemCount(); });
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
    auto* item = new QTreeWidgetItem(超级列表框1);
    const std::array<const Text*, kColumnCount> cells{&row.title, &row.link, &row.picture,
                                                      &row.status, &row.savedStatus};
    for (int column = 0; column < kColumnCount; ++column) {
        item->setText(column, ToQString(*cells[column]));
        item->setData(column, kRawTextRole, QByteArray::fromStdString(*cells[column]));
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
    if (LastRowIndex < 1) {
        ShowLoadingFailed();
        return;
    }
    按钮_重试->hide();
    EnableTransport();
    controller_->PlayRow(0);
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
    if (completionHandled_) {
        return;
    }
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
}

void MainWindow::OnTrayEvent(int type) {
    switch (type) {
        case 1:
            setVisible(true);
            break;
        case 3:
            if (isVisible()) {
                raise();
                activateWindow();
            }
            // The tray may already have opened the menu itself on the right click.
            if (!托盘菜单->isVisible()) {
                托盘菜单->popup(QCursor::pos());
            }
            break;
        default:
            break;
    }
}

void MainWindow::OnHideClicked() {
    // Without a tray nothing could bring a hidden window back; the taskbar can.
    if (!trayAvailable_) {
        showMinimized();
        return;
    }
    setVisible(false);
}

void MainWindow::OnCloseClicked() {
    ExitProgram(0);
}

void MainWindow::OnPlaylistButtonClicked() {
    if (height() == kUnfoldedHeight) {
        SetWindowHeight(kFoldedHeight);
        return;
    }
    SetWindowHeight(kUnfoldedHeight);
    FocusPlaylist();
}

void MainWindow::OnFoldBarClicked() {
    SetWindowHeight(kFoldBarHeight);
}

void MainWindow::SetWindowHeight(int height) {
    setFixedSize(kWidth, height);
}

void MainWindow::ExitProgram(int exitCode) {
    if (exiting_) {
        return;
    }
    exiting_ = true;
    trayIcon_->hide();
    controller_->Shutdown();
    if (ThreadIsRunning(WorkerThread.get())) {
        // The worker may sit in a network request that nothing can cut short, or
        // wait for this thread to serve its next call. Waiting for it would hang
        // and tearing the window down under it would crash, so the process ends
        // here, once the player and the tray are gone.
        媒体播放1.reset();
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    QCoreApplication::exit(exitCode);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A close request from the desktop (Alt+F4, the taskbar) ends the program like
    // the window's own close button.
    event->ignore();
    ExitProgram(0);
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // Without a system frame a hairline keeps the window apart from what lies behind.
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Let the window manager move the window where it can (Wayland needs it);
    // otherwise follow the pointer ourselves.
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

// PlayerView ----------------------------------------------------------------------

Text MainWindow::PlaylistCell(int row, int column) const {
    const QTreeWidgetItem* item = 超级列表框1->topLevelItem(row);
    if (item == nullptr || column < 0 || column >= kColumnCount) {
        return {};
    }
    return item->data(column, kRawTextRole).toByteArray().toStdString();
}

void MainWindow::SetPlaylistCell(int row, int column, const Text& text) {
    QTreeWidgetItem* item = 超级列表框1->topLevelItem(row);
    if (item == nullptr || column < 0 || column >= kColumnCount) {
        return;
    }
    item->setText(column, ToQString(text));
    item->setData(column, kRawTextRole, QByteArray::fromStdString(text));
}

int MainWindow::PlaylistSelection() const {
    const QList<QTreeWidgetItem*> selected = 超级列表框1->selectedItems();
    if (selected.isEmpty()) {
        return -1;
    }
    return 超级列表框1->indexOfTopLevelItem(selected.first());
}

void MainWindow::SetPlaylistSelection(int row) {
    QTreeWidgetItem* item = 超级列表框1->topLevelItem(row);
    if (item == nullptr) {
        return;
    }
    超级列表框1->setCurrentItem(item);
    超级列表框1->scrollToItem(item);
}

void MainWindow::FocusPlaylist() {
    超级列表框1->setFocus();
}

void MainWindow::SetTitleText(const Text& text) {
    标签1->setText(ToQString(text));
}

void MainWindow::SetElapsedText(const Text& text) {
    标签_现行时长->setText(ToQString(text));
}

void MainWindow::SetTotalText(const Text& text) {
    标签_总时长->setText(ToQString(text));
}

void MainWindow::SetCoverPicture(const Bytes& picture) {
    QPixmap pixmap;
    if (picture.empty() || !pixmap.loadFromData(ToByteArray(picture))) {
        图片框1->clear();
        return;
    }
    // Scaled once to the box's real pixels, so the cover is sharp on HiDPI screens.
    const qreal ratio = devicePixelRatioF();
    QPixmap scaled =
        pixmap.scaled(图片框1->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    图片框1->setPixmap(scaled);
}

int MainWindow::SliderMaximum() const {
    return 滑块条_播放进度->maximum();
}

void MainWindow::SetSliderMaximum(int maximum) {
    滑块条_播放进度->setMaximum(maximum);
}

int MainWindow::SliderValue() const {
    return 滑块条_播放进度->value();
}

void MainWindow::SetSliderValue(int value) {
    滑块条_播放进度->setValue(value);
}

void MainWindow::SetPlayPausePicture(const Bytes& picture) {
    按钮_播放暂停->setIcon(IconFromBytes(picture));
}

Bytes MainWindow::LoopModePicture() const {
    return Bytes(loopModePicture_.begin(), loopModePicture_.end());
}

void MainWindow::SetLoopModePicture(const Bytes& picture) {
    loopModePicture_ = ToByteArray(picture);
    按钮_循环方式->setIcon(IconFromBytes(picture));
}

void MainWindow::SetLoopModeToolTip(const Text& text) {
    按钮_循环方式->setToolTip(ToQString(text));
}

}  // namespace cq::app
