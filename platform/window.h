// The top-level window: its design-time look, its events, Unload and Show, and the
// timers' scheduling. A game window derives from it; backends and the replay tool drive
// it only through this interface.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/clock.h"
#include "platform/color.h"
#include "platform/controls.h"
#include "platform/input.h"
#include "platform/random.h"

namespace zorvane {

// Sees every display object of a window, for drawing and hit-testing.
struct ControlVisitor {
  virtual ~ControlVisitor() = default;
  virtual void shape(const Shape& s) = 0;
  virtual void label(const Label& l) = 0;
  virtual void button(std::string_view name, const Button& b) = 0;
};

class Window : public Input {
 public:
  static constexpr int timerCount = 3;

  virtual ~Window() = default;
  Window() = default;
  Window(const Window&) = delete;             // display objects point at the window's stacking
  Window& operator=(const Window&) = delete;

  void Show();                                // builds every object from its design, raises Form_Load
  void Unload();                              // destroys every object; the game state survives
  bool loaded() const { return isLoaded; }

  // Events, as the platform raises them: keyDown, keyUp and click (Input), and these.
  virtual void visitControls(ControlVisitor& v) const = 0;

  // Fires the earliest timer due at or before `until` (ties: lower timer first), with the
  // clock set to its due time. Returns its number 1..3, or 0 when none is due.
  int fireNextTimer(int64_t until);
  virtual Timer& timer(int number) = 0;       // number 1..3

  virtual std::string_view title() const = 0;
  virtual float clientWidth() const = 0;      // window units
  virtual float clientHeight() const = 0;
  virtual Color backColor() const = 0;

  Clock clock;
  RandomSource random;
  Stacking stacking;

 protected:
  virtual void buildControls() = 0;           // the design, as at creation
  virtual void destroyControls() = 0;
  virtual void tick(int number) = 0;          // Timer<number>_Timer
  virtual void Form_Load() = 0;

 private:
  bool isLoaded = false;
};

}  // namespace zorvane
