#include "tools/generator.h"

#include <algorithm>
#include <cmath>

#include "drive/player.h"
#include "game/form1.h"
#include "platform/keys.h"

namespace zorvane {
namespace {

// Draws that sit on the edges of the game's formulas: 0 gives every roll its 0 (a brick
// off the count at the top edge, code 98's rare "1"), the largest float below 1 the top roll.
constexpr float edgeDraws[] = {0.0f, 0x1p-24f, 0.2f, 0.25f, 0.5f, 0.75f, 0.8f, 0.99999994f};

// Keys the game gives no meaning to, with a few that only look meaningful.
constexpr int16_t strayKeys[] = {keys::Unknown, keys::Backspace, keys::Tab,   keys::Enter, keys::Shift,
                                 keys::Control, keys::Alt,       keys::Escape, keys::Space, keys::Up,
                                 keys::Down,    keys::Digit0,    keys::A,     114,         123,
                                 -1,            -32768,          32767,       255};

// Seeds of neighbouring runs should not give neighbouring games.
uint64_t mix(uint64_t x) {
  x += 0x9e3779b97f4a7c15u;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
  return x ^ (x >> 31);
}

int16_t arrowOf(const Form1& form) {
  const int16_t direction = form.fields().paddleDirection;
  return direction == 1 ? keys::Right : direction == 2 ? keys::Left : 0;
}

}  // namespace

ScriptGenerator::ScriptGenerator(uint64_t seed, int ownLayouts) : rng(mix(seed)) {
  seedLine = between(0, 999999999);
  // Rand lines now and then: they all feed the queue before start-up, wherever they stand.
  const int64_t count = between(0, 6);
  for (int64_t k = 0; k < count; ++k) {
    RandLine line;
    line.before = static_cast<size_t>(between(0, 20000));
    const int64_t values = between(1, 5);
    for (int64_t v = 0; v < values; ++v) {
      const float r = chance(0.4) ? edgeDraws[between(0, std::size(edgeDraws) - 1)]
                                  : static_cast<float>(between(0, (1 << 24) - 1)) * 0x1p-24f;
      line.values.push_back(r);
    }
    lines.push_back(std::move(line));
  }
  std::stable_sort(lines.begin(), lines.end(), [](const RandLine& a, const RandLine& b) { return a.before < b.before; });
  for (const RandLine& line : lines) queued.insert(queued.end(), line.values.begin(), line.values.end());
  if (ownLayouts > 0) makeLayouts(std::min(ownLayouts, static_cast<int>(mostLayouts)));
}

// Layouts as players might make them: the first holds every code twice, one in ten has
// nothing to clear (empty, or unbreakable bricks only), the rest are random fields, some
// sparse and some full.
void ScriptGenerator::makeLayouts(int count) {
  auto set = std::make_shared<Layouts>(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    std::vector<int> codes(layoutRowCount * gridColumns);
    const double full = std::uniform_real_distribution<double>(0.05, 1)(rng);
    for (size_t cell = 0; cell < codes.size(); ++cell) {
      if (k == 0) codes[cell] = static_cast<int>(cell % 100);
      else if (k % 10 == 9) codes[cell] = chance(0.3) ? brickCodes::unbreakable : 0;
      else codes[cell] = chance(full) ? static_cast<int>(between(1, 99)) : 0;
    }
    if (k == 0) std::shuffle(codes.begin(), codes.end(), rng);
    for (size_t cell = 0; cell < codes.size(); ++cell) {
      std::string& row = (*set)[static_cast<size_t>(k)][cell / gridColumns];
      row += static_cast<char>('0' + codes[cell] / 10);
      row += static_cast<char>('0' + codes[cell] % 10);
    }
  }
  own = std::move(set);
}

Command ScriptGenerator::next(const Form1& form) {
  while (pending.empty()) decide(form);
  Command c = pending.front();
  pending.pop_front();
  return c;
}

void ScriptGenerator::push(Op op, int64_t value) { pending.push_back({op, static_cast<int32_t>(value)}); }

void ScriptGenerator::click(std::string_view button) {
  const auto* b = std::find(std::begin(buttonNames), std::end(buttonNames), button);
  push(Op::Click, b - std::begin(buttonNames));
}

void ScriptGenerator::press(int16_t code) {
  push(Op::Down, code);
  if (chance(0.9)) {
    wait(0, 80);
    push(Op::Up, code);
  }
}

void ScriptGenerator::decide(const Form1& form) {
  const GameFields& s = form.fields();
  if (s.Timer2.Interval() == 0) {
    // Stopped: answer the button that stopped the game, or do something unusual instead.
    if (s.gameover.Visible) {
      if (chance(0.75)) {
        wait(25, 3000);
        click("gameover");
      } else if (chance(0.5)) {
        jump(form);  // play on with no life left
      } else {
        press(keys::P);
      }
    } else if (s.nextlevel.Visible) {
      if (chance(0.85)) {
        wait(25, 2000);
        click("nextlevel");
      } else if (chance(0.5)) {
        press(keys::P);  // the pause button then resumes over the cleared field
      } else {
        jump(form);
      }
    } else if (s.pause.Visible) {
      if (chance(0.8)) {
        wait(25, 4000);
        click("pause");
      } else if (chance(0.5)) {
        press(keys::P);
      } else {
        jump(form);
      }
    } else {
      wait(25, 1000);
    }
    return;
  }

  const double r = std::uniform_real_distribution<double>(0, 1)(rng);
  // About 30 decisions a second: most keep the ball in play, a few a minute do something else.
  const bool newGame = s.layoutIndex == 1 && s.currentScore == 0 && s.ballVelocityY == 0;
  if (newGame && r < 0.25) {
    jump(form);  // a new game often skips to the layouts with special bricks
  } else if (r < 0.0004) {
    press(keys::P);
  } else if (r < 0.0006) {
    jump(form);
  } else if (r < 0.0016) {
    press(strayKeys[between(0, std::size(strayKeys) - 1)]);
  } else if (r < 0.0017) {
    if (const int16_t a = arrowOf(form)) push(Op::Up, a);
    wait(1000, 10000);  // nobody at the keys: the ball is lost, maybe the game
  } else if (r < 0.0019) {
    hold();
  } else if (r < 0.0021) {
    push(Op::Click, between(0, 2));  // often a hidden button: nothing happens
  } else if (r < 0.0031 && (s.gameover.Visible || s.nextlevel.Visible)) {
    click(s.gameover.Visible ? "gameover" : "nextlevel");  // a button left over while playing on
  } else {
    steer(form);
  }
}

// Keeps the paddle under the ball. While the ball falls, the player picks a brick to go
// for and meets the ball with one half of the paddle, which decides the side the ball
// leaves to: a ball wholly left of the paddle's centre leaves to the left, and so on.
void ScriptGenerator::steer(const Form1& form) {
  const GameFields& s = form.fields();
  const int16_t current = arrowOf(form);
  if (s.ballVelocityX == 0 && s.ballVelocityY == 0) {
    if (current == 0) push(Op::Down, chance(0.5) ? keys::Left : keys::Right);  // serve
    wait(25, 150);
    return;
  }
  const double ball = s.ball.Left + s.ball.Width / 2.0;
  if (s.ballVelocityY < 0 && !aimed) {
    aimed = true;
    aim = 0;
    // Room for the steering's lag and its dead band, and the ball still wholly over.
    const double reach = (s.paddle.Width - s.ball.Width) / 2.0 - 3 * s.baseSpeed;
    const double least = s.ball.Width / 2.0 + 1;
    double target = 0;
    if (reach > least && pickBrick(form, target)) {
      const double offset = std::uniform_real_distribution<double>(least, reach)(rng);
      aim = target < ball ? offset : -offset;
    }
  } else if (s.ballVelocityY > 0) {
    aimed = false;
  }
  const double paddle = s.paddle.Left + s.paddle.Width / 2.0;
  const double ahead = ball + s.speedFactorX * s.ballVelocityX;  // where it is after the next tick
  const double gap = ahead + aim - paddle;
  const double slack = s.baseSpeed;  // half a paddle step: no dithering about the mark
  const int16_t want = gap > slack ? keys::Right : gap < -slack ? keys::Left : 0;
  if (want != current) {
    if (current != 0 && (want == 0 || chance(0.5))) push(Op::Up, current);
    if (want != 0) push(Op::Down, want);  // without a release first, the last press wins
  } else if (want != 0 && chance(0.05)) {
    push(Op::Down, want);  // the desktop's key repetition
  }
  wait(25, 50);
}

// The centre of a brick that a hit can remove, chosen at random; false when none stands.
bool ScriptGenerator::pickBrick(const Form1& form, double& x) {
  const GameFields& s = form.fields();
  int candidates[layoutRowCount * gridColumns];
  int count = 0;
  for (int column = 1; column <= gridColumns; ++column)
    for (int row = layoutTopRow; row < layoutTopRow + layoutRowCount; ++row)
      if (const int c = s.brickCode[column][row]; c > 0 && c != brickCodes::unbreakable) candidates[count++] = column;
  if (count == 0) return false;
  const int column = candidates[between(0, count - 1)];
  x = s.boardLeft + (column - 0.5) * s.brickWidth;
  return true;
}

// An arrow held for a while regardless of the ball, with repetitions, then some key released.
void ScriptGenerator::hold() {
  const int16_t arrow = chance(0.5) ? keys::Left : keys::Right;
  push(Op::Down, arrow);
  for (int64_t k = between(0, 4); k > 0; --k) {
    wait(25, 400);
    if (chance(0.5)) push(Op::Down, arrow);
  }
  wait(25, 1500);
  const int16_t released = chance(0.8) ? arrow : strayKeys[between(0, std::size(strayKeys) - 1)];
  push(Op::Up, released);
}

// F1 or F2 until a chosen layout is laid out; mostly one of the layouts 5 to 7, whose
// special bricks are the point, and most often 7, whose layout-changing bricks lie deep.
void ScriptGenerator::jump(const Form1& form) {
  const GameFields& s = form.fields();
  const int count = std::max<int>(s.layoutCount, 1);
  const double r = std::uniform_real_distribution<double>(0, 1)(rng);
  // The player's own layouts are all alike to the generator: any of them.
  const int target = own                 ? static_cast<int>(between(1, count))
                     : r < 0.45          ? 7
                     : r < 0.75          ? static_cast<int>(between(5, 6))
                                         : static_cast<int>(between(1, count));
  const int from = std::clamp(s.layoutIndex, 1, count);
  int forward = (target - from + count) % count;
  if (forward == 0) forward = count;  // a full round: every layout passes by once
  const bool useF1 = forward <= count - forward ? !chance(0.1) : chance(0.1);
  const int presses = useF1 ? forward : count - forward;
  for (int k = 0; k < std::max(presses, 1); ++k) press(useF1 ? keys::F1 : keys::F2);
}

ScriptWriter::ScriptWriter(const ScriptGenerator& g, std::string* text, std::FILE* file)
    : generator(g), text(text), file(file) {
  put("# zorvane-soak: a generated game\n");
  put(seedLine(g.gameSeed()));
  if (g.layouts())
    for (const LayoutRows& layout : *g.layouts()) put(layoutLine(layout));
}

void ScriptWriter::put(const std::string& line) {
  if (text) text->append(line);
  if (file) {
    std::fputs(line.c_str(), file);
    std::fflush(file);
  }
}

void ScriptWriter::command(const Command& c) {
  const auto& lines = generator.randLines();
  while (nextRand < lines.size() && lines[nextRand].before <= written) put(randLine(lines[nextRand++].values));
  put(commandLine(c.op, c.value));
  ++written;
}

void ScriptWriter::finish() {
  const auto& lines = generator.randLines();
  while (nextRand < lines.size()) put(randLine(lines[nextRand++].values));
}

Script generatedGame(uint64_t seed, uint64_t timerTicks, int ownLayouts) {
  ScriptGenerator generator(seed, ownLayouts);
  Script s;
  if (generator.layouts()) s.layouts = *generator.layouts();
  s.seed = generator.gameSeed();
  for (const float r : generator.draws()) s.draws.push_back(r);
  uint64_t ticks = 0;
  DriverOptions options;
  options.afterEvent = [&](const Form1&, std::string_view ev) { ticks += ev.starts_with("Timer"); };
  Driver replay(options);
  if (generator.layouts()) replay.useLayouts(generator.layouts());
  replay.load(s.seed, s.draws);
  while (ticks < timerTicks) {
    s.commands.push_back(generator.next(replay.form()));
    replay.run(s.commands.back());
  }
  return s;
}

}  // namespace zorvane
