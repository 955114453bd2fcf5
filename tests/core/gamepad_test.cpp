// A game controller reaches the game only as key codes and button clicks.
#include <gtest/gtest.h>

#include "platform/gamepad.h"
#include "platform/pointer.h"
#include "tests/core/recording_window.h"

namespace zorvane {
namespace {

using testing::Log;
using testing::Recorder;

TEST(Gamepad, DpadAndStickMakeOneDirection) {
  Recorder w;
  Gamepad pad;
  pad.button(PadButton::DpadLeft, true, w);
  EXPECT_EQ(w.take(), (Log{"down 37"}));
  pad.stickX(-32768, w);  // both left: still one left, nothing new
  EXPECT_EQ(w.take(), Log{});
  pad.button(PadButton::DpadLeft, false, w);  // the stick still holds left
  EXPECT_EQ(w.take(), Log{});
  pad.button(PadButton::DpadRight, true, w);  // left and right at once: neutral
  EXPECT_EQ(w.take(), (Log{"up 37"}));
  pad.stickX(0, w);  // only the D-pad's right is left
  EXPECT_EQ(w.take(), (Log{"down 39"}));
  pad.stickX(-20000, w);  // opposed again
  EXPECT_EQ(w.take(), (Log{"up 39"}));
  pad.button(PadButton::DpadRight, false, w);  // straight from neutral to the stick's left
  EXPECT_EQ(w.take(), (Log{"down 37"}));
  pad.stickX(32767, w);  // the stick swings across: left released, right pressed
  EXPECT_EQ(w.take(), (Log{"up 37", "down 39"}));
  EXPECT_EQ(pad.steering(), 39);
  pad.stickX(0, w);
  EXPECT_EQ(w.take(), (Log{"up 39"}));
  EXPECT_EQ(pad.steering(), 0);
}

TEST(Gamepad, StickLeavesNeutralAtHalfAndReturnsBelowAThird) {
  const struct { int x; int16_t steering; } path[] = {
      {16383, 0}, {-16383, 0},      // just under half: still neutral
      {16384, 39},                   // half: right
      {10923, 39}, {12000, 39},      // a third or more: stays right
      {10922, 0},                    // below a third: neutral
      {-16000, 0}, {-16384, 37},     // left at half
      {-10923, 37}, {-10922, 0},     // and back below a third
      {-32768, 37}, {32767, 39},     // full swing
  };
  Recorder w;
  Gamepad pad;
  for (const auto& p : path) {
    pad.stickX(p.x, w);
    EXPECT_EQ(pad.steering(), p.steering) << "stick at " << p.x;
  }
}

TEST(Gamepad, ButtonsGiveTheKeysAndClicksOfKeyboardAndMouse) {
  Recorder w;
  Gamepad pad;
  pad.button(PadButton::Start, true, w);
  pad.button(PadButton::Start, false, w);
  pad.button(PadButton::LeftShoulder, true, w);
  pad.button(PadButton::LeftShoulder, false, w);
  pad.button(PadButton::RightShoulder, true, w);
  pad.button(PadButton::RightShoulder, false, w);
  pad.button(PadButton::Other, true, w);
  EXPECT_EQ(w.take(), (Log{"down 80", "up 80", "down 113", "up 113", "down 112", "up 112"}));

  // South clicks the topmost shown button: Pause, then Game Over, then Level.
  const struct { std::set<std::string> shown; Log clicked; } cases[] = {
      {{"pause", "gameover", "nextlevel"}, {"click pause"}},
      {{"gameover", "nextlevel"}, {"click gameover"}},
      {{"nextlevel"}, {"click nextlevel"}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    w.shown = c.shown;
    pad.button(PadButton::South, true, w);
    pad.button(PadButton::South, false, w);  // a click is on the press; the release adds nothing
    EXPECT_EQ(w.take(), c.clicked) << c.shown.size() << " buttons shown";
  }
}

TEST(Gamepad, UnpluggingReleasesWhatItHeld) {
  Recorder w;
  Gamepad pad;
  pad.stickX(-30000, w);
  pad.button(PadButton::Start, true, w);
  pad.button(PadButton::RightShoulder, true, w);
  w.take();
  pad.unplugged(w);
  EXPECT_EQ(w.take(), (Log{"up 37", "up 80", "up 112"}));
  pad.unplugged(w);  // nothing held any more
  EXPECT_EQ(w.take(), Log{});
  pad.button(PadButton::DpadRight, true, w);  // plugged in again, the pad starts afresh
  EXPECT_EQ(w.take(), (Log{"down 39"}));
}

// The pointer, in the window and on the page: the paddle (step 60) is steered towards a
// pointer more than one step away and rests within it; a swing across swaps the keys,
// leaving releases; a key the game let go itself (a lost ball) is pressed again at once.
TEST(PointerSteering, HoldsTheKeyTowardsAPointerMoreThanAStepAway) {
  const struct {
    float pointer, centre;
    bool stopped;  // the game stopped the paddle itself since the last look
    bool inPlay;
    Log sent;
  } path[] = {
      {1000, 1000, false, true, {}},                  // on the centre: nothing held
      {1060, 1000, false, true, {}},                  // exactly one step: still at rest
      {1061, 1000, false, true, {"down 39"}},         // beyond it: towards the pointer
      {1200, 1060, false, true, {}},                  // the paddle moves; the key stays down
      {1200, 1140, false, true, {"up 39"}},           // within a step: released
      {1141, 1140, false, true, {}},
      {1079, 1140, false, true, {"down 37"}},         // just beyond a step to the left
      {1300, 1080, false, true, {"up 37", "down 39"}},  // a swing across: swapped
      {1300, 1240, false, true, {"up 39"}},           // within a step again
      {2000, 1240, false, true, {"down 39"}},
      {2000, 4260, true, true, {"down 37"}},          // a lost ball recentred the paddle: the new ball is steered at once
      {2000, 3000, true, false, {}},                  // a key's release, then P: nothing to let go
      {2000, 3000, false, true, {"down 37"}},         // play resumed: towards the pointer again
      {2000, 2900, false, false, {"up 37"}},          // paused: let go
  };
  Recorder w;
  PointerSteering mouse;
  for (const auto& p : path) {
    const bool moving = mouse.steering() != 0 && !p.stopped;
    mouse.steer(true, p.pointer, {p.centre, 60, moving, p.inPlay}, w);
    EXPECT_EQ(w.take(), p.sent) << "pointer " << p.pointer << ", paddle " << p.centre;
  }
  mouse.steer(true, 0, {1240, 60, false, true}, w);
  w.take();
  mouse.steer(false, 0, {1240, 60, true, true}, w);  // the pointer left the window, or was lifted
  EXPECT_EQ(w.take(), (Log{"up 37"}));
  EXPECT_EQ(mouse.steering(), 0);
}

}  // namespace
}  // namespace zorvane
