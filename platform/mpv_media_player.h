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
    // A connection that brings no data for this long counts as stalled (a dead
    // link, not a slow one): it is dropped and the stream reopened, with a Range
    // request from where its data stopped. A connection that breaks off is
    // reopened at once. A reopen the server refuses is tried again after 1, 3
    // and 7 seconds. A stream that came to its end is never reopened.
    std::chrono::seconds networkTimeout = std::chrono::seconds(4);
    // Playback that has stood waiting for the network this long, however often
    // the stream was reopened meanwhile, gives up: the media then counts as
    // played to its end, like a stream that broke off for good.
    std::chrono::milliseconds stallLimit = std::chrono::seconds(20);
};

// The media player over libmpv; never null. When libmpv cannot be started it is a
// player that opens nothing. libmpv refuses to start unless LC_NUMERIC is "C", so
// a Qt program must call std::setlocale(LC_NUMERIC, "C") after creating its
// QApplication. Use it from one thread (the window thread); it needs no event loop.
std::unique_ptr<MediaPlayer> CreateMpvMediaPlayer(const MpvMediaPlayerOptions& options = {});

}  // namespace cq::platform
