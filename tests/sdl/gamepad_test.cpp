// A game controller plugged in through SDL: an SDL virtual controller under the dummy video
// driver drives the window the way a real one would.
#include <gtest/gtest.h>

#include <SDL.h>

#include "game/form1.h"
#include "sdl/gamepads.h"
#include "tests/core/recording_window.h"

namespace zorvane {
namespace {

using testing::Log;
using testing::Recorder;

class VirtualPad : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
  }
  void TearDown() override {
    if (device >= 0) SDL_JoystickDetachVirtual(device);
    pads.reset();
    SDL_Quit();
  }

  // Plugs in a controller with every standard button and axis, and lets the window see it.
  void plugIn(GamepadSlots& w) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.name = "test pad";
    device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    deliver(w);
    ASSERT_EQ(pads->count(), 1);
    joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
    ASSERT_NE(joystick, nullptr);
  }
  // SDL recentres a vanishing controller with events of its own, but drops them while the
  // window lacks the focus; only the removal is sure to arrive, so only it is delivered.
  void unplug(GamepadSlots& w) {
    SDL_JoystickDetachVirtual(device);
    device = -1;
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (e.type == SDL_CONTROLLERDEVICEREMOVED) pads->handle(e, w);
  }
  void press(SDL_GameControllerButton b, bool down, GamepadSlots& w) {
    SDL_JoystickSetVirtualButton(joystick, b, down ? 1 : 0);
    deliver(w);
  }
  void stick(Sint16 x, GamepadSlots& w) {
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, x);
    deliver(w);
  }
  // Hands every pending event to the controllers, as the window's loop does.
  void deliver(GamepadSlots& w) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) pads->handle(e, w);
  }

  std::unique_ptr<sdl::Gamepads> pads = std::make_unique<sdl::Gamepads>();
  int device = -1;
  SDL_Joystick* joystick = nullptr;
};

// The D-pad's and the left stick's events reach the pad's slot (their rules: tests/core).
TEST_F(VirtualPad, DpadAndStickSteer) {
  Recorder log;
  GamepadSlots w{log};
  plugIn(w);
  log.take();
  press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true, w);
  stick(32767, w);  // D-pad left and stick right: neutral
  press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false, w);
  EXPECT_EQ(log.take(), (Log{"down 37", "up 37", "down 39"}));
}

TEST_F(VirtualPad, StartPausesAndSouthClicksTheShownButton) {
  Form1 form;
  form.Show();
  GamepadSlots pad{form};
  plugIn(pad);
  ASSERT_FALSE(form.fields().pause.Visible);
  press(SDL_CONTROLLER_BUTTON_START, true, pad);
  press(SDL_CONTROLLER_BUTTON_START, false, pad);
  EXPECT_TRUE(form.fields().pause.Visible) << "Start is P";
  press(SDL_CONTROLLER_BUTTON_B, true, pad);  // not the south button
  EXPECT_TRUE(form.fields().pause.Visible);
  press(SDL_CONTROLLER_BUTTON_A, true, pad);
  press(SDL_CONTROLLER_BUTTON_A, false, pad);
  EXPECT_FALSE(form.fields().pause.Visible) << "A clicks Pause";

  const int layout = form.fields().layoutIndex;
  press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true, pad);
  press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false, pad);
  EXPECT_NE(form.fields().layoutIndex, layout) << "the right shoulder is F1";
}

TEST_F(VirtualPad, UnpluggingWhileHeldReleasesTheKeys) {
  Recorder log;
  GamepadSlots w{log};
  plugIn(w);
  stick(32767, w);
  press(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true, w);
  EXPECT_EQ(log.take(), (Log{"down 39", "down 113"}));
  unplug(w);
  EXPECT_EQ(log.take(), (Log{"up 39", "up 113"}));
  EXPECT_EQ(pads->count(), 0);
  plugIn(w);  // plugged in again: a fresh controller
  press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true, w);
  EXPECT_EQ(log.take(), (Log{"down 37"}));
}

}  // namespace
}  // namespace zorvane
