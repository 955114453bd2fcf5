// The desktop's keys as the game's virtual key codes.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace zorvane::sdl {

int16_t virtualKey(SDL_Keycode key);  // 0 for every key without a code of its own

}  // namespace zorvane::sdl
