#include "sdl/gamepads.h"

#include <algorithm>

namespace zorvane::sdl {
namespace {

PadButton padButton(Uint8 button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return PadButton::South;
    case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::RightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::DpadRight;
    default: return PadButton::Other;
  }
}

}  // namespace

Gamepads::~Gamepads() {
  for (auto& [id, pad] : pads) SDL_GameControllerClose(pad.controller);
}

bool Gamepads::handle(const SDL_Event& e, GamepadSlots& slots) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      // `which` is a device index here; SDL also announces controllers present at start.
      SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
      if (!c) return true;
      const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
      int slot = 0;
      while (std::any_of(pads.begin(), pads.end(), [&](const auto& p) { return p.second.slot == slot; })) ++slot;
      if (!pads.emplace(id, Pad{c, slot}).second) SDL_GameControllerClose(c);  // already open
      return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      auto it = pads.find(e.cdevice.which);
      if (it == pads.end()) return true;
      slots.unplugged(it->second.slot);
      SDL_GameControllerClose(it->second.controller);
      pads.erase(it);
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      auto it = pads.find(e.cbutton.which);
      if (it != pads.end())
        slots.button(it->second.slot, padButton(e.cbutton.button), e.type == SDL_CONTROLLERBUTTONDOWN);
      return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
      auto it = pads.find(e.caxis.which);
      if (it != pads.end() && e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) slots.stickX(it->second.slot, e.caxis.value);
      return true;
    }
    default: return false;
  }
}

}  // namespace zorvane::sdl
