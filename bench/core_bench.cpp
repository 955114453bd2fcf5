// The game's hot paths, one handler at a time, on a game built as at start-up.
#include <benchmark/benchmark.h>

#include "platform/keys.h"
#include "tests/core/test_door.h"
#include "trace/trace.h"

namespace zorvane {
namespace {

// A window as at program start, with the generator seeded so every run is the same.
struct Game {
  OpenForm1 form;
  Game() {
    form.fixSeed(1);
    form.Show();
  }
};

// A ball in flight among the bricks of layout 1. The paddle spans the playfield so the ball
// always comes back, which keeps it flying without a player; when the field runs low it is
// laid out again, outside the timing.
void BallTick(benchmark::State& state) {
  Game g;
  OpenForm1& f = g.form;
  f.paddle.Left = f.boardLeft - 1;
  f.paddle.Width = f.boardRight - f.boardLeft + 2;
  f.keyDown(keys::Left);
  int64_t hits = 0;
  for (auto _ : state) {
    const int32_t points = f.extraLifePoints;
    f.Timer2_Timer();
    hits += f.extraLifePoints != points;
    if (f.bricksLeft < 60) [[unlikely]] {
      state.PauseTiming();
      f.grid();
      f.livesLeft = 3;
      state.ResumeTiming();
    }
  }
  state.counters["hits/tick"] = benchmark::Counter(static_cast<double>(hits) / static_cast<double>(state.iterations()));
}
BENCHMARK(BallTick);

// The paddle running from wall to wall.
void PaddleTick(benchmark::State& state) {
  Game g;
  OpenForm1& f = g.form;
  int64_t n = 0;
  for (auto _ : state) {
    f.paddleDirection = (++n & 32) ? 1 : 2;
    f.Timer1_Timer();
    benchmark::DoNotOptimize(f.paddle.Left);
  }
}
BENCHMARK(PaddleTick);

void LogoTick(benchmark::State& state) {
  Game g;
  for (auto _ : state) {
    g.form.Timer3_Timer();
    benchmark::DoNotOptimize(g.form.logoball(0).Left);
  }
}
BENCHMARK(LogoTick);

// Laying out a layout on the 500 bricks, cycling through the seven of the rotation.
void Grid(benchmark::State& state) {
  Game g;
  OpenForm1& f = g.form;
  for (auto _ : state) {
    f.layoutIndex = f.layoutIndex % 7 + 1;
    f.grid();
    benchmark::DoNotOptimize(f.bricksLeft);
  }
}
BENCHMARK(Grid);

// A restart: every display object destroyed, built again from the design, Form_Load run.
void FormLoad(benchmark::State& state) {
  Game g;
  for (auto _ : state) {
    g.form.Unload();
    g.form.Show();
    benchmark::DoNotOptimize(g.form.bricksLeft);
  }
}
BENCHMARK(FormLoad);

// One trace line as most are: no brick changed since the line before.
void TraceLine(benchmark::State& state) {
  Game g;
  TraceWriter trace;
  trace.line(g.form, "load");
  int64_t bytes = 0;
  for (auto _ : state) {
    trace.line(g.form, "Timer2");
    if (trace.size() > (1 << 16)) [[unlikely]] {
      bytes += static_cast<int64_t>(trace.size());
      trace.clear();
    }
  }
  state.SetBytesProcessed(bytes + static_cast<int64_t>(trace.size()));
}
BENCHMARK(TraceLine);

// A trace line listing all 500 bricks, as after a field is laid out.
void TraceLineWithEveryBrick(benchmark::State& state) {
  Game g;
  TraceWriter trace;
  for (auto _ : state) {
    trace.forgetBricks();
    trace.line(g.form, "click nextlevel");
    trace.clear();
  }
}
BENCHMARK(TraceLineWithEveryBrick);

}  // namespace
}  // namespace zorvane
