// The scale the window opens at.
#pragma once
#include <cstdint>

#include "platform/contract.h"

namespace zorvane::sdl {

// The whole-number scale for a new window: the display's DPI over 96, as large as fits the
// usable area (at least 1).
int openingScale(const View& w, int usableWidth, int usableHeight, float dpi);

}  // namespace zorvane::sdl
