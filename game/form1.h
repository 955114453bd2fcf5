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
#include "platform/contract.h"

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
  void restore(const Form1& s) { *this = s; }  // back to a snapshot
  // The game, read only: its state and its display objects.
  const GameFields& fields() const { return *this; }

  Cues cues;                                 // raised by the event being handled, for its sounds

  // Layouts of the player's own for every start-up from now on, instead of the built-in
  // ones; null or none: the built-in rotation.
  void useLayouts(SharedLayouts layouts) { ownLayouts = std::move(layouts); }
  const SharedLayouts& layouts() const { return ownLayouts; }  // null: the built-in ones
  // The layout editor's field: layout 1 of these laid out afresh on the bricks, as a start-up
  // lays it, with its count; nothing else of the game changes.
  void layOut(SharedLayouts layouts);

  // What a screen reads.
  void visitControls(ControlVisitor& v) const override;  // every display object, bricks and buttons included
  std::string_view title() const override { return Caption; }
  float clientWidth() const override { return designWidth; }
  float clientHeight() const override { return designHeight; }
  Color backColor() const override;          // the window's face

 private:
  // The game's own procedures: the window runs them through its hooks below, as events come in.
  friend struct OpenForm1;       // tests only (tests/core/test_door.h)
  friend struct DriverTestDoor;  // tests only (tests/core/test_door.h)

  // Start-up and sizing (game/).
  void Form_Load() override;         // a new game: draws reseeded, counters, bricks, layout 1, serve, logo
  void setvariables();               // level 1, layout 1, the rotation's length, 3 lives if none, scores 0
  void start();                      // the serve: paddle centred, ball resting on it, speed and its factors anew
  void sizeobjects();                // playfield edges, paddle and ball sizes from the brick cell, the high score shown

  // Game flow (game/).
  void updatescore();                // 10 points for a hit; every 5000 a life, up to 6; the high score follows
  void lostlife();                   // the ball is lost: a life and its marker go, the paddle's width is reset, serve or over
  void over();                       // game over: its button shown, paddle and ball stopped
  void nextlvl();                    // the field is cleared: next layout of the rotation, its Level button shown, play stopped
  void pause_Click();                // play resumes
  void gameover_Click();             // a new game in a rebuilt window; the high score stays
  void nextlevel_Click();            // a life more (up to 6), the next layout laid out, served, play resumes

  // Levels and bricks (levels/).
  void fillLevelRows();              // the layout table: the built-in layouts, or the player's own
  void loadbricks();                 // the cell size, and a brick object for every cell of the grid
  void grid();                       // lays out layout layoutIndex afresh, counting the bricks to clear
  void colorbricks(int i, int x, int y);  // brick i shows the code of cell (x, y): colour and caption; at 0 hidden, a brick less to clear

  // Play (play/).
  void Timer2_Timer();               // one ball step: served if resting and steered, off the walls, then whereball
  void whereball();                  // what the ball meets: the first brick under four probes, the paddle, the floor
  void hitpaddle();                  // a ball wholly over the paddle turns back up, towards the side of the centre it met
  void score(int i, int x, int y, int decx, int decy);  // brick i of cell (x, y) hit, from the side (decx, decy): points, its effect, the ball sent away
  void Form_KeyDown(int16_t KeyCode, int16_t Shift) override;  // arrows steer, P pauses, F1/F2 jump to the next/previous layout
  void Form_KeyUp(int16_t KeyCode, int16_t Shift) override;    // any key released stops the paddle
  void Timer1_Timer();               // one paddle step while steered, stopped at the playfield's edges

  // Title logo (logo/).
  void initlogo();                   // the three logo balls, in the middle of the logo box, and their steps
  void Timer3_Timer();               // each logo ball steps on, turned back at the box's edges

  // The window's hooks.
  void buildControls() override;     // every object as the design creates it
  void destroyControls() override;   // every object gone; the game state stays
  bool clickButton(std::string_view button) override;  // pause, gameover or nextlevel, when shown
  void tick(int number) override;    // Timer1_Timer, Timer2_Timer or Timer3_Timer
  Timer& timer(int number) override;  // Timer1, Timer2 or Timer3

  void layoutJump();                 // F1/F2: keep the high score, lay out layoutIndex afresh

  SharedLayouts ownLayouts;          // the player's layouts, when they play their own
};

// Counter texts: last six digits of v + 100000000, last three of v + 10000.
std::string sixDigits(int64_t v);    // the score and the high score
std::string threeDigits(int64_t v);  // the bricks left

}  // namespace zorvane
