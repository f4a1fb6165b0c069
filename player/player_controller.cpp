#include "player/player_controller.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "catalogue/duration_format.h"
#include "player/pictures.h"
#include "player/player_state.h"
#include "text/encoding.h"

namespace cq {
namespace {

// Status text of the row loaded in the player.
constexpr char kPlayingStatus[] = "正在播放...";

struct LoopModeStep {
    const Bytes& (*shows)();
    std::int32_t nextMode;
    const Bytes& (*nextPicture)();
    const char* nextToolTip;
};

// The loop-mode button continues its cycle from the picture it shows.
const LoopModeStep kLoopModeCycle[] = {
    {&PictureExitAfterEpisode, RepeatOne, &PictureRepeatOne, "单曲循环"},
    {&PictureRepeatOne, RandomLoop, &PictureRandomLoop, "随机循环"},
    {&PictureRandomLoop, SequentialLoop, &PictureSequentialLoop, "顺序循环"},
    {&PictureSequentialLoop, ExitAfterEpisode, &PictureExitAfterEpisode, "单曲结束"},
};

}  // namespace

PlayerController::PlayerController(PlayerView& view, platform::MediaPlayer& media,
                                   CoverFetcher fetchCover)
    : view_(view),
      media_(media),
      fetchCover_(std::move(fetchCover)),
      random_(static_cast<std::mt19937::result_type>(
          std::chrono::steady_clock::now().time_since_epoch().count())) {
    时钟_播放.setObjectName(QStringLiteral("时钟_播放"));
    时钟_快进.setObjectName(QStringLiteral("时钟_快进"));
    QObject::connect(&时钟_播放, &QTimer::timeout, &时钟_播放, [this] { OnPlayTimerTick(); });
    QObject::connect(&时钟_快进, &QTimer::timeout, &时钟_快进, [this] { OnSeekTimerTick(); });
}

void PlayerController::PlayRow(int row) {
    if (row < 0) {
        // Stopping leaves the display as it is; the play timer goes on ticking.
        media_.Stop();
        media_.Close();
        return;
    }
    const Text title = view_.PlaylistCell(row, 0);
    const Text audioUrl = view_.PlaylistCell(row, 1);
    const Text coverUrl = view_.PlaylistCell(row, 2);

    // Restoring before marking keeps a reloaded row marked as playing.
    view_.SetPlaylistCell(currentIndex_, 3, view_.PlaylistCell(currentIndex_, 4));
    view_.SetPlaylistCell(row, 3, kPlayingStatus);
    view_.SetPlaylistSelection(row);
    view_.FocusPlaylist();
    view_.SetPlayPausePicture(PicturePause());
    currentIndex_ = row;
    view_.SetElapsedText(FormatPlayTime(0));

    view_.SetCoverPicture(coverUrl.empty() ? Bytes{} : fetchCover_(coverUrl));
    view_.SetTitleText(title);
    SetSlider(0);

    media_.Stop();
    media_.Close();
    media_.Open(Utf8FromGbk(audioUrl));
    media_.Play(-1);

    // An audio that could not be opened has length 0 and so ends at the first tick.
    const std::int64_t length = media_.LengthSeconds();
    view_.SetSliderMaximum(static_cast<int>(std::clamp<std::int64_t>(length, 0, kSliderLimit)));
    if (view_.SliderValue() > view_.SliderMaximum()) {
        view_.SetSliderValue(view_.SliderMaximum());
    }
    view_.SetTotalText(FormatPlayTime(length));
    时钟_播放.start(kPlayTimerMs);
}

void PlayerController::OnPlayTimerTick() {
    // -1 (nothing open) truncates to 0 like any other fraction of a second.
    SetSlider(
        static_cast<std::int64_t>(std::trunc(static_cast<double>(media_.PositionMs()) / 1000.0)));
    const int position = view_.SliderValue();
    view_.SetElapsedText(FormatPlayTime(position));
    if (view_.SliderMaximum() > position) {
        return;
    }
    EndOfEpisode();
}

void PlayerController::EndOfEpisode() {
    const std::int32_t lastRow = LastRowIndex.load();
    int next = 0;
    switch (LoopMode.load()) {
        case SequentialLoop:
            next = currentIndex_ < lastRow ? currentIndex_ + 1 : -1;
            break;
        case RepeatOne:
            next = currentIndex_;
            break;
        case RandomLoop:
            // Row 0 is today's newest episode, already heard; the draw leaves it out.
            // With no other row there is nothing else to draw.
            next = lastRow >= 1 ? std::uniform_int_distribution<int>(1, lastRow)(random_) : 0;
            break;
        case ExitAfterEpisode:
            时钟_播放.stop();
            时钟_快进.stop();
            view_.ExitProgram(0);
            return;
        default:
            next = 0;
            break;
    }
    PlayRow(next);
}

void PlayerController::SetSlider(std::int64_t value) {
    const int maximum = std::clamp(view_.SliderMaximum(), 0, kSliderLimit);
    view_.SetSliderValue(static_cast<int>(std::clamp<std::int64_t>(value, 0, maximum)));
}

void PlayerController::OnPlayPauseClicked() {
    view_.FocusPlaylist();
    if (media_.State() == platform::MediaPlayer::kStatePlaying) {
        media_.PauseResume();
        view_.SetPlayPausePicture(PicturePlay());
    } else {
        media_.Play(-1);
        view_.SetPlayPausePicture(PicturePause());
    }
}

void PlayerController::NextRow() {
    view_.FocusPlaylist();
    PlayRow(currentIndex_ < LastRowIndex.load() ? currentIndex_ + 1 : 0);
}

void PlayerController::PreviousRow() {
    view_.FocusPlaylist();
    PlayRow(currentIndex_ > 0 ? currentIndex_ - 1 : LastRowIndex.load());
}

void PlayerController::OnNextPressed() {
    StartSeeking(1);
}

void PlayerController::OnPreviousPressed() {
    StartSeeking(-1);
}

void PlayerController::StartSeeking(int direction) {
    seekDirection_ = direction;
    时钟_快进.start(kSeekTimerMs);
    // The play timer would pull the slider back to the media position.
    时钟_播放.stop();
}

void PlayerController::OnSeekTimerTick() {
    // The label shows where the slider was before this step.
    view_.SetElapsedText(FormatPlayTime(view_.SliderValue()));
    if (seekDirection_ != 0) {
        SetSlider(static_cast<std::int64_t>(view_.SliderValue()) +
                  seekDirection_ * kSeekStepSeconds);
    }
}

void PlayerController::OnSeekReleased() {
    seekDirection_ = 0;
    时钟_快进.stop();
    const int position = view_.SliderValue();
    media_.Play(static_cast<std::int64_t>(position) * 1000);
    ShowPlayingPicture();
    时钟_播放.start(kPlayTimerMs);
}

void PlayerController::OnSliderMovedByUser(int position) {
    const int maximum = std::clamp(view_.SliderMaximum(), 0, kSliderLimit);
    media_.Play(static_cast<std::int64_t>(std::clamp(position, 0, maximum)) * 1000);
    ShowPlayingPicture();
}

void PlayerController::ShowPlayingPicture() {
    // Playing from a position also resumes a paused episode; the button must then
    // offer to pause, not to play.
    if (media_.State() == platform::MediaPlayer::kStatePlaying) {
        view_.SetPlayPausePicture(PicturePause());
    }
}

void PlayerController::OnLoopModeClicked() {
    const Bytes shown = view_.LoopModePicture();
    for (const LoopModeStep& step : kLoopModeCycle) {
        if (shown == step.shows()) {
            LoopMode.store(step.nextMode);
            view_.SetLoopModePicture(step.nextPicture());
            view_.SetLoopModeToolTip(step.nextToolTip);
            return;
        }
    }
}

void PlayerController::OnPlaylistDoubleClicked() {
    PlayRow(view_.PlaylistSelection());
}

void PlayerController::Shutdown() {
    时钟_播放.stop();
    时钟_快进.stop();
    media_.Stop();
    media_.Close();
}

}  // namespace cq
