#pragma once

#include <functional>
#include <memory>

#include "platform/media_player.h"

namespace cq::platform {

// A media player made on a thread of its own while the caller goes on: starting
// libmpv takes milliseconds that the window and the loading need not wait for.
// The first call on the result waits until the player is made, and every call
// then goes to it. Both the result and the player it holds are used from the
// caller's thread only; `make` runs once, on the other thread, and must not
// return null.
std::unique_ptr<MediaPlayer> MakeMediaPlayerInBackground(
    std::function<std::unique_ptr<MediaPlayer>()> make);

}  // namespace cq::platform
