#pragma once

// What the player logic needs of the main window. The window implements it over
// its controls; texts are GBK (the window converts them at its edge), pictures are
// the bytes of image files. Row and column numbers are 0-based. Nothing here may
// call back into the PlayerController.

#include <cstdint>

#include "text/types.h"

namespace cq {

class PlayerView {
public:
    virtual ~PlayerView() = default;

    // The playlist (list view). A row that does not exist reads as empty text and
    // ignores writes; the player may address such rows while loading is under way.
    virtual Text PlaylistCell(int row, int column) const = 0;
    virtual void SetPlaylistCell(int row, int column, const Text& text) = 0;
    // -1 when no row is selected.
    virtual int PlaylistSelection() const = 0;
    virtual void SetPlaylistSelection(int row) = 0;
    virtual void FocusPlaylist() = 0;

    virtual void SetTitleText(const Text& text) = 0;    // the title label
    virtual void SetElapsedText(const Text& text) = 0;  // the elapsed-time label
    virtual void SetTotalText(const Text& text) = 0;    // the total-time label
    // Empty or undecodable bytes leave the cover empty.
    virtual void SetCoverPicture(const Bytes& picture) = 0;

    // The progress slider, in whole seconds. The player keeps the maximum within
    // 0..32767 and the value within 0..maximum before it sets them. Setting the
    // value from here must not count as a move by the user.
    virtual int SliderMaximum() const = 0;
    virtual void SetSliderMaximum(int maximum) = 0;
    virtual int SliderValue() const = 0;
    virtual void SetSliderValue(int value) = 0;

    virtual void SetPlayPausePicture(const Bytes& picture) = 0;
    // The loop-mode button: its picture is read back as the same bytes it was given.
    virtual Bytes LoopModePicture() const = 0;
    virtual void SetLoopModePicture(const Bytes& picture) = 0;
    virtual void SetLoopModeToolTip(const Text& text) = 0;

    // Ends the program with this exit code, as the close button does: the window
    // shuts the player down (PlayerController::Shutdown), removes the tray icon
    // and leaves the event loop. Called from inside a timer tick.
    virtual void ExitProgram(int exitCode) = 0;
};

}  // namespace cq
