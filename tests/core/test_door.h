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
  // and its state and display objects, to be set
  using Form1::levelRows;
  using Form1::currentScore;
  using Form1::extraLifePoints;
  using Form1::bestScore;
  using Form1::levelNumber;
  using Form1::layoutIndex;
  using Form1::layoutCount;
  using Form1::livesLeft;
  using Form1::bricksAtStart;
  using Form1::brickWidth;
  using Form1::brickHeight;
  using Form1::brickCode;
  using Form1::bricksLeft;
  using Form1::boardLeft;
  using Form1::boardTop;
  using Form1::boardRight;
  using Form1::boardBottom;
  using Form1::paddleDirection;
  using Form1::ballVelocityX;
  using Form1::ballVelocityY;
  using Form1::baseSpeed;
  using Form1::speedFactorX;
  using Form1::speedFactorY;
  using Form1::lastCell;
  using Form1::diceRoll;
  using Form1::logoBallStepX;
  using Form1::logoBallStepY;
  using Form1::pause;
  using Form1::gameover;
  using Form1::nextlevel;
  using Form1::Timer1;
  using Form1::Timer2;
  using Form1::Timer3;
  using Form1::ball;
  using Form1::paddle;
  using Form1::life;
  using Form1::showscore;
  using Form1::highscore;
  using Form1::logo;
  using Form1::logoball;
  using Form1::numbricks;
  using Form1::Label2;
  using Form1::Label3;
  using Form1::logobox;
  using Form1::Label7;
  using Form1::Label4;
  using Form1::brick;
  using Form1::board;
  using Form1::Label5;
  GameFields& fields() { return *this; }
  const GameFields& fields() const { return *this; }
  GameState& state() { return *this; }
  const GameState& state() const { return *this; }
};

struct DriverTestDoor {
  static Form1& form(Driver& driver) { return *driver.game; }
  static GameFields& fields(Form1& form) { return form; }  // the game's state and objects, to be set
  static const GameFields& fields(const Form1& form) { return form.fields(); }
  static void lostlife(Form1& form) { form.lostlife(); }
  static void over(Form1& form) { form.over(); }
};

}  // namespace zorvane
