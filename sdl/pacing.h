// Wall-clock time for the window's timers, and the scale the window opens at.
#pragma once
#include <cstdint>

#include "platform/window.h"

namespace zorvane::sdl {

// Fires every timer due by `now` (ms) in order, one tick for a timer that fell behind by
// more than its interval, then sets the window's clock to `now`.
void runTimers(Window& w, int64_t now);
int64_t nextDue(Window& w);  // earliest due time of a running timer, or -1 when none runs

// The whole-number scale for a new window: the display's DPI over 96, as large as fits the
// usable area (at least 1).
int openingScale(const Window& w, int usableWidth, int usableHeight, float dpi);

}  // namespace zorvane::sdl
