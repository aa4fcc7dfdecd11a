#pragma once
// The keyboard's lock keys as the window system holds them, for the status bar's indicators.

#include <optional>

namespace kivo::app {

struct LockKeys {
    bool caps = false, num = false, scroll = false;
};

// Caps, Num and Scroll Lock as the X server shows them on its keyboard indicators. Nothing where
// the platform cannot tell: another platform plugin (offscreen, Wayland) or a build without Xlib.
std::optional<LockKeys> ReadLockKeys();

} // namespace kivo::app
