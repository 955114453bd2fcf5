// The game's icon: a few bricks, the ball and the paddle on the playfield's green.
#pragma once
#include "sdl/screenshot.h"

namespace zorvane::sdl {

Image iconPicture(int size);  // a square picture, size pixels wide

}  // namespace zorvane::sdl
