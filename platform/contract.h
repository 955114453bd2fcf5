// The seam between the game and whatever drives it (the driver of drive/, which the session
// and the replay tool go through; tests; benchmarks): what a screen reads, what input
// delivers, how time advances. Nothing drives a game but through the public functions below.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>

#include "platform/clock.h"
#include "platform/color.h"
#include "platform/controls.h"
#include "platform/input.h"
#include "platform/random.h"

namespace zorvane {

// Sees the display objects of a view, for drawing and hit-testing.
struct ControlVisitor {
  virtual ~ControlVisitor() = default;
  virtual void shape(const Shape& s) = 0;
  virtual void label(const Label& l) = 0;
  virtual void button(std::string_view name, const Button& b) = 0;
};

// 1. What a screen reads: the window's look, read-only.
class View {
 public:
  virtual ~View() = default;
  virtual void visitControls(ControlVisitor& v) const = 0;  // every object: Visible ones are drawn, larger z in front, buttons frontmost
  virtual float clientWidth() const = 0;                    // client area, window units
  virtual float clientHeight() const = 0;
  virtual Color backColor() const = 0;                      // the face behind and around every object
  virtual std::string_view title() const = 0;               // the window's caption
};

// The game window a front end drives; a game derives from it.
class Window : public View, public Input {
 public:
  static constexpr int timerCount = 3;

  // Starting: a fresh window's clock is 0.
  void fixSeed(uint64_t seed);           // draws come from this seed until a start-up takes a seed handed in
  void queueDraw(float r);               // a given draw, taken before the generator's
  void queueDraws(const Draws& draws);   // given draws, in order, after those queued (shared, not copied)
  size_t drawsQueued() const;            // given draws not yet taken
  const Draws& drawsGiven() const { return random.given(); }  // every draw given, taken or not
  void queueSeed(uint64_t seed);         // hands in the seed of one start-up's Randomize, in order
  size_t seedsQueued() const;            // seeds handed in and not yet taken
  void dropSeeds();                      // forgets the seeds not yet taken
  void Show();                           // builds every object from its design at now(), raises Form_Load
  void Unload();                         // destroys every object; the game state survives
  bool loaded() const { return isLoaded; }
  uint64_t rebuilds() const { return rebuildCount; }  // Shows and Unloads so far: every object is new

  // 2. What input delivers, at now().
  void keyDown(int16_t keyCode) override;        // Form_KeyDown with shift 0
  void keyUp(int16_t keyCode) override;          // Form_KeyUp with shift 0
  bool click(std::string_view button) override;  // false: no such shown button, nothing happened

  // 3. How time advances; nothing else moves the clock.
  int advanceTo(int64_t until);          // fires the earliest timer due by `until` (ties: lowest number) at its due time and returns 1..3; none due: now() becomes `until` (never back), returns 0
  bool catchup(int64_t until);           // a stall: each running timer more than one Interval late at `until` is made due at `until`; true when one was
  int64_t nextDue() const;               // earliest due time of a running timer, -1 when none runs
  int64_t now() const { return clock.now; }  // ms since the window was first created

 protected:
  Window() = default;
  Window(const Window&) = default;       // the whole game is a value: copies share nothing
  Window& operator=(const Window&) = default;

  // The game's side: its handlers, and the platform services they use.
  virtual void buildControls() = 0;      // the design, as at creation
  virtual void destroyControls() = 0;
  virtual void Form_Load() = 0;
  virtual void Form_KeyDown(int16_t KeyCode, int16_t Shift) = 0;
  virtual void Form_KeyUp(int16_t KeyCode, int16_t Shift) = 0;
  virtual bool clickButton(std::string_view button) = 0;  // false: no such shown button
  virtual void tick(int number) = 0;     // Timer<number>_Timer
  virtual Timer& timer(int number) = 0;  // number 1..3
  const Timer& timer(int number) const { return const_cast<Window*>(this)->timer(number); }
  void ZOrder(Control& c, int position);  // 0: in front of every other shape and label
  template <class T>
  void Load(ControlArray<T>& a, int i) {  // member i: a hidden copy of member 0, in front
    a.Load(i);
    a(i).z = ++stacking.top;
  }

  RandomSource random;
  Stacking stacking;

 private:
  void settleTimers();                   // timers set during the last event fall due from its time

  Clock clock;
  bool isLoaded = false;
  uint64_t rebuildCount = 0;
};

}  // namespace zorvane
