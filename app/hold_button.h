#pragma once

// Previous and next: a click skips, holding the mouse button seeks.

#include <QPushButton>

#include <functional>

namespace cq::app {

// A press of the left mouse button starts a hold and its release ends it, whatever
// the pointer does in between: the button's pressed and released signals would
// also come each time the pointer slides off the held button and back. The click
// that comes with the release (the pointer still over the button) is a click like
// one by the keyboard, unless the press lasted the desktop's press-and-hold
// interval: that was a seek, and its click is left out.
class HoldButton : public QPushButton {
public:
    explicit HoldButton(QWidget* parent);

    std::function<void()> onHoldStarted;
    std::function<void()> onHoldEnded;
    std::function<void()> onClicked;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool holding_ = false;
    quint64 pressedAt_ = 0;
    // Set only while the release of a deliberate hold is being handled, so that
    // nothing is left to swallow a later click.
    bool endingDeliberateHold_ = false;
};

}  // namespace cq::app
