// Form1: the game window. It owns the game state and the display objects; its procedures
// are defined by subsystem in game/, levels/, play/ and logo/.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "game/cues.h"
#include "game/state.h"
#include "levels/layouts.h"
#include "platform/controls.h"
#include "platform/window.h"

namespace zorvane {

// Every display object of the window, as the design creates it.
struct Controls {
  Button pause, gameover, nextlevel;
  Timer Timer1, Timer2, Timer3;      // paddle, ball, logo
  Shape ball, paddle;
  ControlArray<Shape> life;          // life markers 1..6
  Label showscore, highscore, logo;
  ControlArray<Shape> logoball;      // 0 at design, 1 and 2 loaded by initlogo
  Label numbricks, Label2, Label3;
  Shape logobox;
  Label Label7, Label4;
  ControlArray<Label> brick;         // 0 at design (hidden), 1..500 loaded by loadbricks
  Shape board;
  Label Label5;
};

// The game's state and its display objects together: what the trace, the expect checks and
// the tests read, through Form1::fields().
struct GameFields : GameState, Controls {};

class Form1 : public Window, private GameFields {
 public:
  static constexpr const char* Caption = "Super Zorvane!";
  static constexpr float designWidth = 8520;   // client area, window units
  static constexpr float designHeight = 7335;

  Form1() = default;
  Form1(const Form1&) = default;             // the whole game, as a value
  Form1& operator=(const Form1&) = default;

  Form1 snapshot() const { return *this; }   // the whole game: state, objects, timers, clock, draws
  void restore(const Form1& s) { *this = s; }
  // The game, read only: its state and its display objects.
  const GameFields& fields() const { return *this; }
  const Controls& controls() const { return *this; }

  Cues cues;                                 // raised by the event being handled, for its sounds

  // Layouts of the player's own for every start-up from now on, instead of the built-in
  // ones; null or none: the built-in rotation.
  void useLayouts(SharedLayouts layouts) { ownLayouts = std::move(layouts); }
  const SharedLayouts& layouts() const { return ownLayouts; }
  // The layout editor's field: layout 1 of these laid out afresh on the bricks, as a start-up
  // lays it, with its count; nothing else of the game changes.
  void layOut(SharedLayouts layouts);

  // What a screen reads.
  void visitControls(ControlVisitor& v) const override;
  std::string_view title() const override { return Caption; }
  float clientWidth() const override { return designWidth; }
  float clientHeight() const override { return designHeight; }
  Color backColor() const override;

 private:
  // The game's own procedures: the window runs them through its hooks below, as events come in.
  friend struct OpenForm1;       // tests only (tests/core/test_door.h)
  friend struct DriverTestDoor;  // tests only (tests/core/test_door.h)

  // Start-up and sizing (game/).
  void Form_Load() override;
  void setvariables();
  void start();
  void sizeobjects();

  // Game flow (game/).
  void updatescore();
  void lostlife();
  void over();
  void nextlvl();
  void pause_Click();
  void gameover_Click();
  void nextlevel_Click();

  // Levels and bricks (levels/).
  void fillLevelRows();
  void loadbricks();
  void grid();
  void colorbricks(int i, int x, int y);

  // Play (play/).
  void Timer2_Timer();
  void whereball();
  void hitpaddle();
  void score(int i, int x, int y, int decx, int decy);
  void Form_KeyDown(int16_t KeyCode, int16_t Shift) override;
  void Form_KeyUp(int16_t KeyCode, int16_t Shift) override;
  void Timer1_Timer();

  // Title logo (logo/).
  void initlogo();
  void Timer3_Timer();

  // The window's hooks.
  void buildControls() override;
  void destroyControls() override;
  bool clickButton(std::string_view button) override;
  void tick(int number) override;
  Timer& timer(int number) override;

  void layoutJump();                 // F1/F2: keep the high score, lay out layoutIndex afresh

  SharedLayouts ownLayouts;          // the player's layouts, when they play their own
};

// Counter texts: last six digits of v + 100000000, last three of v + 10000.
std::string sixDigits(int64_t v);
std::string threeDigits(int64_t v);

}  // namespace zorvane
