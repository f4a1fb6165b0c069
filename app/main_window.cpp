// The main window's construction: its controls as laid out, and the events that
// bind them to the handlers in the other parts of the window.

#include "app/main_window.h"

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTreeWidget>

#include "app/window_pictures.h"
#include "app/window_shared.h"
#include "catalogue/build_playlist.h"
#include "player/cover_fetch.h"
#include "player/pictures.h"

namespace cq::app {

namespace {

const QString kCaption = QStringLiteral("晨鹊早晚报v1.2");
const QString kZeroTime = QStringLiteral("00分00秒");

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

template <typename Button = QPushButton>
Button* MakeButton(QWidget* parent, const char* name, const QString& accessibleName, QRect geometry,
                   const QIcon& icon, int iconSize = 16) {
    auto* button = new Button(parent);
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

MainWindow::MainWindow(Options options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      媒体播放1(std::move(options.mediaPlayer)),
      fetchRows_(options.fetchRows ? std::move(options.fetchRows)
                                   : RowSource([] { return FetchPlaylistRows(); })) {
    // The window exists: loading starts now, while its controls and tray are still
    // being made. The worker's first call onto the window waits for the end of
    // construction (see BuildPlaylist).
    StartLoadingWorker();
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
    windowBuilt_ = true;
    windowBuilt_.notify_all();
}

MainWindow::~MainWindow() {
    // The worker calls onto this window and waits for each call to be served, so
    // it has to be served until it ends before the controls go away. Nothing may
    // play on meanwhile: the player stops before any event is served, the worker's
    // signal starts nothing, and with the window and the tray icon gone no click
    // reaches the player.
    exiting_ = true;
    controller_->Shutdown();
    if (trayIcon_ != nullptr) {
        trayIcon_->hide();
    }
    hide();
    while (ThreadIsRunning(WorkerThread.get())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        WorkerThread->wait(10);
    }
    qDeleteAll(pendingRows_);  // rows the list view never took
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
    按钮_上一个 = MakeButton<HoldButton>(this, "按钮_上一个", QStringLiteral("上一首"),
                                         QRect(174, 82, 48, 24), PicturePrevious());
    按钮_上一个->setEnabled(false);
    按钮_播放暂停 =
        MakeButton(this, "按钮_播放暂停", QStringLiteral("播放/暂停"), QRect(228, 82, 43, 24), {});
    SetPlayPausePicture(PicturePause());
    按钮_播放暂停->setEnabled(false);
    按钮_下一个 = MakeButton<HoldButton>(this, "按钮_下一个", QStringLiteral("下一首"),
                                         QRect(278, 82, 48, 24), PictureNext());
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
    // A hold seeks while it lasts and the release applies it; a click skips.
    按钮_下一个->onHoldStarted = [&player] { player.OnNextPressed(); };
    按钮_上一个->onHoldStarted = [&player] { player.OnPreviousPressed(); };
    for (HoldButton* button : {按钮_下一个, 按钮_上一个}) {
        button->onHoldEnded = [&player] { player.OnSeekReleased(); };
    }
    按钮_下一个->onClicked = [&player] { player.NextRow(); };
    按钮_上一个->onClicked = [&player] { player.PreviousRow(); };
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
}

}  // namespace cq::app
