#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "player/pictures.h"
#include "player/player_view.h"

namespace cq::testing {

// The window as the player sees it, kept in plain members. The slider clamps
// like the real control does.
class FakePlayerView : public PlayerView {
public:
    using Row = std::array<Text, 5>;

    std::vector<Row> rows;
    int selection = -1;
    int focusCount = 0;
    Text title;
    Text elapsed;
    Text total;
    Bytes cover;
    int sliderMaximum = 0;
    int sliderValue = 0;
    Bytes playPausePicture = PicturePause();
    Bytes loopModePicture = PictureExitAfterEpisode();
    Text loopModeToolTip;
    std::optional<int> exitCode;

    Text PlaylistCell(int row, int column) const override {
        if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 || column >= 5) {
            return {};
        }
        return rows[row][column];
    }
    void SetPlaylistCell(int row, int column, const Text& text) override {
        if (row >= 0 && row < static_cast<int>(rows.size()) && column >= 0 && column < 5) {
            rows[row][column] = text;
        }
    }
    int PlaylistSelection() const override { return selection; }
    void SetPlaylistSelection(int row) override { selection = row; }
    void FocusPlaylist() override { ++focusCount; }
    void SetTitleText(const Text& text) override { title = text; }
    void SetElapsedText(const Text& text) override { elapsed = text; }
    void SetTotalText(const Text& text) override { total = text; }
    void SetCoverPicture(const Bytes& picture) override { cover = picture; }
    int SliderMaximum() const override { return sliderMaximum; }
    void SetSliderMaximum(int maximum) override {
        sliderMaximum = std::clamp(maximum, 0, 32767);
        sliderValue = std::min(sliderValue, sliderMaximum);
    }
    int SliderValue() const override { return sliderValue; }
    void SetSliderValue(int value) override { sliderValue = std::clamp(value, 0, sliderMaximum); }
    void SetPlayPausePicture(const Bytes& picture) override { playPausePicture = picture; }
    Bytes LoopModePicture() const override { return loopModePicture; }
    void SetLoopModePicture(const Bytes& picture) override { loopModePicture = picture; }
    void SetLoopModeToolTip(const Text& text) override { loopModeToolTip = text; }
    void ExitProgram(int code) override { exitCode = code; }
};

}  // namespace cq::testing
