// The window as the player sees it: the playlist cells, labels, cover, slider
// and button pictures, with texts converted from GBK at this edge.

#include "app/main_window.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

#include "app/window_shared.h"

namespace cq::app {

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
