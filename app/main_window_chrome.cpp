// The window's chrome and the tray: the tray icon and its menu, hiding to the
// tray and coming back, folding the playlist, dragging by the background, and
// the ways out of the program.

#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include "app/window_pictures.h"

namespace cq::app {

void MainWindow::BuildTray() {
    超级菜单1.images = {PicturePrevious(), PictureNext(), PictureMenuExit(),
                        PictureMenuPlayPause()};

    托盘菜单 = new QMenu(QStringLiteral("托盘菜单"), this);
    托盘菜单->setObjectName(QStringLiteral("托盘菜单"));
    trayActions_ = {托盘菜单->addAction(QStringLiteral("播放/暂停")),
                    托盘菜单->addAction(QStringLiteral("上一首")),
                    托盘菜单->addAction(QStringLiteral("下一首")),
                    托盘菜单->addAction(QStringLiteral("退出"))};
    // Like the transport buttons, the skips wait for a playlist: a skip with no row
    // to play would count as an ended episode and could end the program. Play/pause
    // with nothing open plays nothing, so it is always there.
    trayActions_[1]->setEnabled(false);
    trayActions_[2]->setEnabled(false);
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

}  // namespace cq::app
