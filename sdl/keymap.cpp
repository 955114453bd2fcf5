#include "sdl/keymap.h"

#include "platform/keys.h"

namespace zorvane::sdl {

int16_t virtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return int16_t(keys::A + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return int16_t(keys::Digit0 + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return int16_t(keys::F1 + (key - SDLK_F1));
  switch (key) {
    case SDLK_LEFT: return keys::Left;
    case SDLK_UP: return keys::Up;
    case SDLK_RIGHT: return keys::Right;
    case SDLK_DOWN: return keys::Down;
    case SDLK_SPACE: return keys::Space;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return keys::Enter;
    case SDLK_ESCAPE: return keys::Escape;
    case SDLK_BACKSPACE: return keys::Backspace;
    case SDLK_TAB: return keys::Tab;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return keys::Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return keys::Control;
    case SDLK_LALT:
    case SDLK_RALT: return keys::Alt;
    default: return keys::Unknown;
  }
}

}  // namespace zorvane::sdl
