#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/media_player.h"

namespace cq::platform {

struct MpvMediaPlayerOptions {
    // Audio outputs tried in order; the null output keeps playback (and the clock)
    // going on a machine without a sound device.
    std::string audioOutputs = "pipewire,pulse,alsa,null";
    // How long Open waits for the media to load before it counts as failed.
    std::chrono::milliseconds openTimeout = std::chrono::seconds(15);
    // A stalled network read ends the episode after this long.
    std::chrono::seconds networkTimeout = std::chrono::seconds(15);
};

// The media player over libmpv; never null. When libmpv cannot be started it is a
// player that opens nothing. libmpv refuses to start unless LC_NUMERIC is "C", so
// a Qt program must call std::setlocale(LC_NUMERIC, "C") after creating its
// QApplication. Use it from one thread (the window thread); it needs no event loop.
std::unique_ptr<MediaPlayer> CreateMpvMediaPlayer(const MpvMediaPlayerOptions& options = {});

}  // namespace cq::platform
