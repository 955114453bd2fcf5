// A game window built as at program start, with given random draws.
#pragma once
#include <initializer_list>

#include "platform/keys.h"
#include "tests/core/test_door.h"

namespace zorvane::testing {

struct Game {
  OpenForm1 form;

  explicit Game(std::initializer_list<float> draws = {}) {
    form.fixSeed(1);
    for (float r : draws) form.queueDraw(r);
    form.Show();
  }
  void draws(std::initializer_list<float> rs) {
    for (float r : rs) form.queueDraw(r);
  }
  // Advances the virtual clock by ms, handling every timer tick on the way.
  void wait(int64_t ms) {
    const int64_t until = form.now() + ms;
    while (form.advanceTo(until) != 0) {
    }
  }
  int shownBricks() const {
    int n = 0;
    form.brick.forEach([&](int i, const Label& b) { n += i > 0 && b.Visible; });
    return n;
  }
  // Empties the field but for one cell, so a single hit is easy to stage.
  void clearFieldExcept(int x, int y, int16_t code) {
    form.brickCode.fill(0);
    form.brickCode[x][y] = code;
  }
};

}  // namespace zorvane::testing
