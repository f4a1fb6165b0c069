#pragma once

// Player state shared between the window thread and the loading worker.

#include <atomic>
#include <cstdint>

namespace cq {

// Values of LoopMode: what happens when an episode ends.
inline constexpr std::int32_t SequentialLoop = 1;    // the next row; stop after the last
inline constexpr std::int32_t RepeatOne = 2;         // the same row again
inline constexpr std::int32_t RandomLoop = 3;        // a random row other than row 0
inline constexpr std::int32_t ExitAfterEpisode = 4;  // the program ends

// 0 until the loading worker sets ExitAfterEpisode; the loop-mode button changes it.
inline std::atomic<std::int32_t> LoopMode{0};

// Row count of the playlist minus 1; the loading worker writes it before it
// signals completion.
inline std::atomic<std::int32_t> LastRowIndex{0};

}  // namespace cq
