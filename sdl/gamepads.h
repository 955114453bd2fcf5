// Game controllers through SDL's game-controller interface, plugged in and out at any time,
// each in the lowest slot free when it came.
#pragma once
#include <SDL.h>

#include <map>

#include "platform/gamepad.h"

namespace zorvane::sdl {

class Gamepads {
 public:
  Gamepads() = default;
  ~Gamepads();
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;

  // Handles a controller's event (SDL_INIT_GAMECONTROLLER must be up); false for others.
  bool handle(const SDL_Event& e, GamepadSlots& slots);
  int count() const { return int(pads.size()); }  // controllers open now

 private:
  struct Pad {
    SDL_GameController* controller;
    int slot;
  };
  std::map<SDL_JoystickID, Pad> pads;
};

}  // namespace zorvane::sdl
