// The tests' one door into the game: its procedures, to stage and step a scene by hand, and a
// driver's game, to set it up (a life short, a field nearly cleared, a planted fault). Nothing
// outside tests/ and bench/ uses it: the window, the page and the replay tool change the game
// only through input and time.
#pragma once
#include "drive/driver.h"
#include "game/form1.h"

namespace zorvane {

// A game window whose procedures may be called directly.
struct OpenForm1 : Form1 {
  using Form1::Form_Load;
  using Form1::setvariables;
  using Form1::start;
  using Form1::sizeobjects;
  using Form1::updatescore;
  using Form1::lostlife;
  using Form1::over;
  using Form1::nextlvl;
  using Form1::pause_Click;
  using Form1::gameover_Click;
  using Form1::nextlevel_Click;
  using Form1::fillLevelRows;
  using Form1::loadbricks;
  using Form1::grid;
  using Form1::colorbricks;
  using Form1::Timer2_Timer;
  using Form1::whereball;
  using Form1::hitpaddle;
  using Form1::score;
  using Form1::Form_KeyDown;
  using Form1::Form_KeyUp;
  using Form1::Timer1_Timer;
  using Form1::initlogo;
  using Form1::Timer3_Timer;
};

struct DriverTestDoor {
  static Form1& form(Driver& driver) { return *driver.game; }
  static void lostlife(Form1& form) { form.lostlife(); }
  static void over(Form1& form) { form.over(); }
};

}  // namespace zorvane
