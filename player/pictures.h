#pragma once

// The six button pictures of the player, each a complete icon file (one 16x16
// image, 32 bits per pixel with alpha, 1150 bytes). The loop-mode button's state
// is the picture it shows, so the four loop-mode pictures differ from each other.

#include "text/types.h"

namespace cq {

const Bytes& PicturePlay();   // a right-pointing triangle
const Bytes& PicturePause();  // two vertical bars
const Bytes& PictureSequentialLoop();
const Bytes& PictureRepeatOne();
const Bytes& PictureRandomLoop();
const Bytes& PictureExitAfterEpisode();

}  // namespace cq
