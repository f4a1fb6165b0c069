#pragma once

// The player logic of the main window: loading a playlist row into the media
// player, the play timer and what happens when an episode ends, the loop-mode
// button, and the transport controls with hold-to-seek. It runs on the window
// thread and reaches the window only through PlayerView.

#include <QTimer>

#include <cstdint>
#include <functional>
#include <random>

#include "platform/media_player.h"
#include "player/player_view.h"
#include "text/types.h"

namespace cq {

// Fetches a cover picture; empty bytes when it cannot be had. The program passes
// FetchCover (player/cover_fetch.h); tests pass their own.
using CoverFetcher = std::function<Bytes(const Text& url)>;

class PlayerController {
public:
    // Periods of the two timers.
    static constexpr int kPlayTimerMs = 1000;
    static constexpr int kSeekTimerMs = 100;
    // Slider seconds per fast-seek tick.
    static constexpr int kSeekStepSeconds = 10;
    static constexpr int kSliderLimit = 32767;

    // The view and the media player must outlive the controller.
    PlayerController(PlayerView& view, platform::MediaPlayer& media, CoverFetcher fetchCover);
    PlayerController(const PlayerController&) = delete;
    PlayerController& operator=(const PlayerController&) = delete;

    // Loads and plays a row (0..LastRowIndex); -1 (or any negative row, such as an
    // empty selection) stops and closes the media and leaves the display alone.
    void PlayRow(int row);

    // Window events.
    void OnPlayPauseClicked();
    // A hold on next or previous seeks while it lasts; which press was a hold and
    // which a click is the window's to tell.
    void OnNextPressed();      // starts seeking forward
    void OnPreviousPressed();  // starts seeking backward
    void OnSeekReleased();     // either button released: applies the slider position
    // Only for moves made by the user; position is the slider's new value.
    void OnSliderMovedByUser(int position);
    void OnLoopModeClicked();
    void OnPlaylistDoubleClicked();

    // One row on or back, with wrap-around: a click on next or previous, the tray
    // menu's items.
    void NextRow();
    void PreviousRow();

    // Timer ticks; the controller's own timers call these.
    void OnPlayTimerTick();
    void OnSeekTimerTick();

    // Stops both timers and releases the media, before the program ends.
    void Shutdown();

    int CurrentIndex() const { return currentIndex_; }
    int SeekDirection() const { return seekDirection_; }
    // Period of a running timer, 0 when it is stopped.
    int PlayTimerPeriod() const { return 时钟_播放.isActive() ? 时钟_播放.interval() : 0; }
    int SeekTimerPeriod() const { return 时钟_快进.isActive() ? 时钟_快进.interval() : 0; }

    // The play timer and the fast-seek timer, named (also as objectName) as the
    // window's designers named them. The controller alone starts and stops them.
    QTimer 时钟_播放;
    QTimer 时钟_快进;

private:
    void SetSlider(std::int64_t value);
    void StartSeeking(int direction);
    void EndOfEpisode();
    void ShowPlayingPicture();

    PlayerView& view_;
    platform::MediaPlayer& media_;
    CoverFetcher fetchCover_;
    int currentIndex_ = 0;
    int seekDirection_ = 0;
    std::mt19937 random_;
};

}  // namespace cq
