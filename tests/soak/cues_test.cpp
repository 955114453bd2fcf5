// The game's cues: generated games, played through the driver, where every cue comes with
// the change it names and every such change brings its cue.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "drive/driver.h"
#include "game/form1.h"
#include "tools/generator.h"

namespace zorvane {
namespace {

// What a tick may change, from before it.
struct Before {
  MarkedGrid<int16_t, 31, 36> codes;
  int32_t points = 0;
  int16_t lives = 0, velocityY = 0;
  float ballWidth = 0;  // a brick may grow the ball after its move
  bool over = false, cleared = false;
  explicit Before(const Form1& f)
      : codes(f.brickCode), points(f.extraLifePoints), lives(f.livesLeft), velocityY(f.ballVelocityY),
        ballWidth(f.ball.Width), over(f.gameover.Visible), cleared(f.nextlevel.Visible) {}
};

bool brickCue(CueKind k) { return k >= CueKind::BrickCleared && k <= CueKind::BrickSpecial; }

// Checks one handled event's cues against what it changed.
void check(const Form1& f, std::string_view ev, const Before& b, const std::vector<Cue>& cues) {
  std::array<int, cueKinds> n{};
  for (const Cue& c : cues) ++n[static_cast<int>(c.kind)];
  auto has = [&](CueKind k) { return n[static_cast<int>(k)] > 0; };
  if (ev != "Timer2") {
    EXPECT_TRUE(cues.empty()) << "cues from " << ev;
    return;
  }
  int bricks = 0;
  for (const Cue& c : cues) {
    if (!brickCue(c.kind)) continue;
    ++bricks;
    const int was = b.codes[c.column][c.row], is = f.brickCode[c.column][c.row];
    switch (c.kind) {
      case CueKind::BrickCleared: EXPECT_TRUE(was >= 1 && was <= 27 && is == 0) << was << " to " << is; break;
      case CueKind::BrickWeakened:
        EXPECT_TRUE(was >= 28 && was <= 76 && is > 0 && is < was) << was << " to " << is;
        break;
      case CueKind::BrickUnbreakable: EXPECT_TRUE(was == 99 && is == 99) << was << " to " << is; break;
      default: EXPECT_TRUE(was >= 77 && was <= 98) << was; break;
    }
  }
  // Every hit books ten points towards a life, one hit a tick at most.
  EXPECT_EQ(bricks, f.extraLifePoints != b.points ? 1 : 0);
  EXPECT_EQ(has(CueKind::ExtraLife), f.extraLifePoints < b.points);
  EXPECT_EQ(has(CueKind::BallLost), f.livesLeft < b.lives || (b.lives == 0 && has(CueKind::GameOver)));
  if (f.gameover.Visible && !b.over) {
    EXPECT_TRUE(has(CueKind::GameOver));
  }
  if (has(CueKind::GameOver)) {
    EXPECT_TRUE(f.gameover.Visible);
  }
  EXPECT_EQ(has(CueKind::FieldCleared), f.nextlevel.Visible && !b.cleared);
  if (has(CueKind::BallLost)) return;  // the ball is back on the paddle: where it was is gone
  // The ball turned up with no brick and no floor to turn it: the paddle did.
  const bool turnedUp = b.velocityY < 0 && f.ballVelocityY > 0 && bricks == 0;
  EXPECT_EQ(has(CueKind::Paddle), turnedUp);
  if (has(CueKind::Paddle)) {
    EXPECT_GT(f.ball.Top + f.ball.Height, f.paddle.Top);
    EXPECT_TRUE(f.ball.Left > f.paddle.Left && f.paddle.Left + f.paddle.Width > f.ball.Left + f.ball.Width);
  }
  if (has(CueKind::Wall)) {
    const bool atWall = f.ball.Left == f.boardLeft || f.ball.Left == static_cast<float>(f.boardRight) - b.ballWidth ||
                        f.ball.Top == f.boardTop;
    EXPECT_TRUE(atWall) << f.ball.Left << "," << f.ball.Top;
  }
}

TEST(Cues, EachComesWithTheChangeItNames) {
  std::array<int, cueKinds> seen{};
  for (const uint64_t seed : {1u, 2u}) {
    SCOPED_TRACE("generated game " + std::to_string(seed));
    ScriptGenerator generator(seed);
    std::vector<Cue> heard;
    std::unique_ptr<Before> before;
    uint64_t ticks = 0;
    DriverOptions options;
    options.afterEvent = [&](const Form1& f, std::string_view ev) {
      if (before) check(f, ev, *before, heard);
      for (const Cue& c : heard) ++seen[static_cast<int>(c.kind)];
      heard.clear();
      before = std::make_unique<Before>(f);
      ticks += ev == "Timer2";
    };
    Driver game(options);
    game.cuesTo([&](std::span<const Cue> cues) { heard.assign(cues.begin(), cues.end()); });
    game.load(generator.gameSeed(), {generator.draws().begin(), generator.draws().end()});
    game.form().extraLifePoints = 4990;  // one hit short of a life
    while (ticks < 300000 && !HasFailure()) game.run(generator.next(game.form()));
  }
  for (int k = 0; k < cueKinds; ++k) EXPECT_GT(seen[k], 0) << "no cue of kind " << k;
}

}  // namespace
}  // namespace zorvane
