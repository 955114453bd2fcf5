// The replay tool's throughput on a generated game: handled events per second, with the
// trace formatted and without.
#include <benchmark/benchmark.h>

#include "drive/player.h"
#include "game/form1.h"
#include "script/script.h"
#include "tools/generator.h"

namespace zorvane {
namespace {

// About 100 minutes of generated play: serves, steering, pauses, layout jumps, restarts.
const Script& benchGame() {
  static const Script script = generatedGame(2024, 300000);
  return script;
}

void ReplayThroughput(benchmark::State& state, bool traced) {
  const Script& script = benchGame();
  uint64_t events = 0, bytes = 0;
  for (auto _ : state) {
    DriverOptions options;
    if (traced) options.traceSink = [&](std::string_view chunk) { bytes += chunk.size(); };
    Driver replay(options);
    playWhole(replay, script);
    events += replay.events();
  }
  state.SetItemsProcessed(static_cast<int64_t>(events));
  if (traced) state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["events/run"] = benchmark::Counter(static_cast<double>(events) / static_cast<double>(state.iterations()));
}
BENCHMARK_CAPTURE(ReplayThroughput, NoTrace, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReplayThroughput, Trace, true)->Unit(benchmark::kMillisecond);

// Opening a layout file of 100 layouts: reading it, checking every row, and the game's
// start-up on them (the window's first frame waits for this).
void OpenLayoutFile(benchmark::State& state) {
  ScriptGenerator generator(7, 100);
  std::string text = "# 100 layouts of my own\n";
  for (const LayoutRows& layout : *generator.layouts()) text += layoutLine(layout);
  for (auto _ : state) {
    Script script;
    ScriptError error;
    if (!parseScript(text, script, error)) state.SkipWithError(error.message.c_str());
    Driver game;
    game.useLayouts(std::make_shared<const Layouts>(std::move(script.layouts)));
    game.start();
    benchmark::DoNotOptimize(game.form().fields().layoutCount);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(OpenLayoutFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvane
