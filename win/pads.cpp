#include "win/pads.h"

#include "win/system.h"
// after windows.h:
#include <xinput.h>

namespace zorvane::win {

namespace {

// XInput's buttons in the order of the mapping's buttons.
constexpr struct {
  WORD mask;
  PadButton button;
} buttonMap[] = {
    {XINPUT_GAMEPAD_A, PadButton::South},
    {XINPUT_GAMEPAD_START, PadButton::Start},
    {XINPUT_GAMEPAD_LEFT_SHOULDER, PadButton::LeftShoulder},
    {XINPUT_GAMEPAD_RIGHT_SHOULDER, PadButton::RightShoulder},
    {XINPUT_GAMEPAD_DPAD_LEFT, PadButton::DpadLeft},
    {XINPUT_GAMEPAD_DPAD_RIGHT, PadButton::DpadRight},
    {XINPUT_GAMEPAD_B | XINPUT_GAMEPAD_X | XINPUT_GAMEPAD_Y | XINPUT_GAMEPAD_BACK, PadButton::Other},
};
constexpr uint64_t lookEvery = 1000;  // ms: asking for a pad that is not there is slow

}  // namespace

void Pads::poll(GamepadSlots& slots) {
  const uint64_t now = GetTickCount64();
  const bool look = now - lastLook >= lookEvery;
  if (look) lastLook = now;
  anyConnected = false;
  for (DWORD i = 0; i < XUSER_MAX_COUNT && i < GamepadSlots::most; ++i) {
    Pad& pad = pads[i];
    if (!pad.connected && !look) continue;
    XINPUT_STATE state{};
    if (XInputGetState(i, &state) != ERROR_SUCCESS) {
      if (pad.connected) slots.unplugged(int(i));
      pad = Pad{};
      continue;
    }
    pad.connected = anyConnected = true;
    const WORD now = state.Gamepad.wButtons;
    for (const auto& b : buttonMap)
      if ((now & b.mask) != (pad.buttons & b.mask)) slots.button(int(i), b.button, (now & b.mask) != 0);
    pad.buttons = now;
    if (state.Gamepad.sThumbLX != pad.stick) slots.stickX(int(i), pad.stick = state.Gamepad.sThumbLX);
  }
}

double Pads::pollEvery() const { return anyConnected ? 8.0 : double(lookEvery); }

}  // namespace zorvane::win
