#include "app/hold_button.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStyleHints>

namespace cq::app {

HoldButton::HoldButton(QWidget* parent) : QPushButton(parent) {
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!endingDeliberateHold_ && onClicked) {
            onClicked();
        }
    });
}

// A double click's second press comes here as well.
void HoldButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        holding_ = true;
        pressedAt_ = event->timestamp();
        if (onHoldStarted) {
            onHoldStarted();
        }
    }
    QPushButton::mousePressEvent(event);
}

void HoldButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !holding_) {
        QPushButton::mouseReleaseEvent(event);
        return;
    }
    holding_ = false;
    // The length of the press by the window system's clock, as Qt measures double
    // clicks, not by when the events were served: the window thread may have been
    // busy loading a row meanwhile. That clock counts milliseconds in 32 bits
    // (X11, Wayland) and wraps.
    const quint32 heldMs =
        static_cast<quint32>(event->timestamp()) - static_cast<quint32>(pressedAt_);
    const int holdMs = QGuiApplication::styleHints()->mousePressAndHoldInterval();
    if (onHoldEnded) {
        onHoldEnded();
    }
    // The click, if any, comes from the button's own handling of this release.
    const QScopedValueRollback<bool> ending(endingDeliberateHold_,
                                            holdMs > 0 && heldMs >= static_cast<quint32>(holdMs));
    QPushButton::mouseReleaseEvent(event);
}

}  // namespace cq::app
