// Checks in a script: `expect KEY=VALUE ...` names integer values of the trace that the game
// must have at that point. A recording writes them, so that replaying it proves its score.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane {

class Form1;
struct Script;
struct Command;

// The integer keys of the trace an expect line may name, in the trace's order.
enum class ExpectKey : uint8_t {
  t, currentScore, extraLifePoints, bestScore, levelNumber, layoutIndex, layoutCount, livesLeft,
  bricksAtStart, bricksLeft, paddleDirection, ballVelocityY, boardRight, lastCell, diceRoll
};

struct Expected {
  ExpectKey key = ExpectKey::t;
  int64_t value = 0;
};

// One expect line: its checks in the order written.
struct Expectation {
  std::vector<Expected> checks;
};

// The first check of an expect line the game did not meet.
struct ExpectMiss {
  int64_t line = 0;        // the script line
  ExpectKey key = ExpectKey::t;
  int64_t expected = 0;
  int64_t actual = 0;
};

// Reads the words after `expect` (`rest` of the line); on a bad word returns false with
// `error` set to one line of printable text.
bool parseExpectation(std::string_view rest, Expectation& expectation, std::string& error);

std::string_view keyName(ExpectKey key);
int64_t gameValue(const Form1& form, ExpectKey key);

// The hook every driver calls on an expect command: true when the game meets each check of
// `command` (an Op::Expect of `script`); otherwise false with `miss` filled.
bool meets(const Script& script, const Command& command, const Form1& form, ExpectMiss& miss);

// "line N: expect KEY=V, but the game has KEY=W"
std::string describe(const ExpectMiss& miss);

// The line a recording writes about the game as it stands, ending in '\n': t, the scores,
// the level, the lives, the bricks left, the last cell and the last dice roll.
std::string expectLine(const Form1& form);

}  // namespace zorvane
