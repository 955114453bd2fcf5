// The game's icon: a few bricks, the ball and the paddle on the playfield's green.
#pragma once
#include "paint/painter.h"

namespace zorvane::paint {

// A square target, any number of pixels wide. Maskable: the same icon within the middle 80 %
// circle that any mask leaves whole, the playfield's green out to every edge.
void drawIcon(const Target& target, bool maskable = false);

}  // namespace zorvane::paint
