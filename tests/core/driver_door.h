// The tests' one way into a driver's game, to stage a scene (a life short, a field nearly
// cleared, a planted fault). Nothing outside tests/ uses it: the window, the page and the
// replay tool change the game only through input and time.
#pragma once
#include "drive/driver.h"
#include "game/form1.h"

namespace zorvane {

struct DriverTestDoor {
  static Form1& form(Driver& driver) { return *driver.game; }
};

}  // namespace zorvane
