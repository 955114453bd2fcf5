// The replay tool's throughput on a generated game: handled events per second, with the
// trace formatted and without.
#include <benchmark/benchmark.h>

#include "game/form1.h"
#include "replay/replay.h"
#include "replay/script.h"
#include "tests/soak/generator.h"

namespace zorvane {
namespace {

// About 100 minutes of generated play: serves, steering, pauses, layout jumps, restarts.
const Script& generatedGame() {
  static const Script script = [] {
    constexpr uint64_t timerTicks = 300000;
    soak::ScriptGenerator generator(2024);
    Script s;
    s.seed = generator.gameSeed();
    s.draws = generator.draws();
    uint64_t ticks = 0;
    ReplayOptions options;
    options.afterEvent = [&](const Form1&, std::string_view ev) { ticks += ev.starts_with("Timer"); };
    Replay replay(options);
    replay.load(s.seed, s.draws);
    while (ticks < timerTicks) {
      s.commands.push_back(generator.next(replay.form()));
      replay.run(s.commands.back());
    }
    return s;
  }();
  return script;
}

void ReplayThroughput(benchmark::State& state, bool traced) {
  const Script& script = generatedGame();
  uint64_t events = 0, bytes = 0;
  for (auto _ : state) {
    ReplayOptions options;
    if (traced) options.traceSink = [&](std::string_view chunk) { bytes += chunk.size(); };
    Replay replay(options);
    replay.run(script);
    events += replay.events();
  }
  state.SetItemsProcessed(static_cast<int64_t>(events));
  if (traced) state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["events/run"] = benchmark::Counter(static_cast<double>(events) / static_cast<double>(state.iterations()));
}
BENCHMARK_CAPTURE(ReplayThroughput, NoTrace, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReplayThroughput, Trace, true)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorvane
