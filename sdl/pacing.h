// Wall-clock time for the window's timers, and the scale the window opens at.
#pragma once
#include <cstdint>

#include "platform/contract.h"

namespace zorvane::sdl {

// Fires every timer due by `now` (ms) in order, one tick for a timer that fell behind by
// more than its interval, then the window's clock is `now`: the contract's catch-up step.
void runTimers(Window& w, int64_t now);

// The whole-number scale for a new window: the display's DPI over 96, as large as fits the
// usable area (at least 1).
int openingScale(const View& w, int usableWidth, int usableHeight, float dpi);

}  // namespace zorvane::sdl
