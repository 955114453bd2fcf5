// A front end's view of the game, compiled by the seam tests alone (never linked): reading the
// game through the driver compiles; with WRITE_LIVES, giving the player more lives does not,
// and with CALL_PROCEDURE, neither does running one of the game's own procedures.
#include <cstdint>

#include "drive/driver.h"
#include "game/form1.h"

int16_t livesShown(const zorvane::Driver& driver) { return driver.form().fields().livesLeft; }

#ifdef WRITE_LIVES
void moreLives(zorvane::Driver& driver) { driver.form().fields().livesLeft = 9; }
#endif

#ifdef CALL_PROCEDURE
void loseLife(zorvane::Form1& game) { game.lostlife(); }
#endif
