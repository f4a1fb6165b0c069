#pragma once

// One reverse-DNS id names the desktop file, the themed icon, the AppStream
// metainfo and the MPRIS desktop entry, so the desktop can tie them together and a
// Wayland compositor can match the window to its entry. The build passes the same
// id to the install rules.

namespace cq::app {

inline constexpr char kApplicationId[] = CHENQUE_APPLICATION_ID;

}  // namespace cq::app
