// Game controllers through XInput, plugged in and out at any time, each in the slot of its
// XInput number. XInput has no events: the pads are read.
#pragma once
#include <cstdint>

#include "platform/gamepad.h"

namespace zorvane::win {

class Pads {
 public:
  void poll(GamepadSlots& slots);     // reads every pad, giving the game what changed
  double pollEvery() const;           // ms until the next read is worth doing

 private:
  struct Pad {
    bool connected = false;
    uint16_t buttons = 0;
    int16_t stick = 0;
  };
  Pad pads[GamepadSlots::most];  // XInput's four
  uint64_t lastLook = 0;  // GetTickCount64 of the last look for pads not connected
  bool anyConnected = false;
};

}  // namespace zorvane::win
