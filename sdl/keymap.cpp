#include "sdl/keymap.h"

#include "platform/keys.h"

namespace zorvane::sdl {

int16_t virtualKey(SDL_Keycode key) { return keys::byName(SDL_GetKeyName(key), keys::Naming::Desktop); }

}  // namespace zorvane::sdl
