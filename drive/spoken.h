// The game in words, for a player who cannot see it: what the page's live region says as
// the game goes (a lost ball, a cleared field, Pause, Game Over), the score on request, and
// the picture's text alternative.
#pragma once
#include <cstdint>
#include <string>

namespace zorvane {

class Form1;

class Spoken {
 public:
  // What happened since the last look, in one sentence, or "" for nothing to tell.
  std::string news(const Form1& form);
  // "Score 1230, high score 2000, 3 lives, 87 bricks left."
  static std::string summary(const Form1& form);
  // "Score 1230." (the score on request)
  static std::string score(const Form1& form);

 private:
  struct Seen {
    bool known = false;            // looked at once: the first look tells nothing
    int32_t lives = 0;
    bool pause = false, over = false, cleared = false;
  };
  Seen seen;
};

}  // namespace zorvane
