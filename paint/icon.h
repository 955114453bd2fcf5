// The game's icon: a few bricks, the ball and the paddle on the playfield's green.
#pragma once
#include "paint/painter.h"

namespace zorvane::paint {

void drawIcon(const Target& target);  // a square target, any number of pixels wide

}  // namespace zorvane::paint
