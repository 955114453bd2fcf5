// Fuzz target: a script from the fuzzer goes through the parser and, when it parses, through
// the replay with the trace written and the game's invariants checked after every event.
// A refused script must give a line number and one printable line of message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "drive/player.h"
#include "game/form1.h"
#include "script/script.h"
#include "tests/soak/invariants.h"

namespace {

// The virtual time one input may run: ten seconds of play, under 1,000 timer events. Commands
// after the one that would pass it are left out, so that no input runs long.
constexpr int64_t virtualTimeCap = 10'000;

[[noreturn]] void fault(const std::string& what) {
  std::fprintf(stderr, "zorvane-fuzz: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zorvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Script script;
  ScriptError error;
  if (!parseScript(text, script, error)) {
    if (error.line < 1 || error.message.empty() || error.message.size() > 400)
      fault("a refused script without a line or a fit message: " + printable(error.message, 400));
    for (const char c : error.message)
      if (c < 0x20 || c > 0x7e) fault("a control byte in the message: " + printable(error.message, 400));
    return 0;
  }

  int64_t total = 0;
  for (size_t i = 0; i < script.commands.size(); ++i) {
    const Command& c = script.commands[i];
    if (c.op != Op::Wait && c.op != Op::Catchup) continue;
    if (c.value > virtualTimeCap - total) {
      script.commands.resize(i);
      break;
    }
    total += c.value;
  }

  soak::InvariantChecker checker;
  std::string broken;
  size_t traced = 0;
  DriverOptions options;
  options.traceSink = [&](std::string_view chunk) { traced += chunk.size(); };
  options.afterEvent = [&](const Form1& f, std::string_view ev) {
    if (!checker.check(f, ev, broken)) fault("invariant broken after \"" + std::string(ev) + "\": " + broken);
  };
  Driver replay(std::move(options));
  playWhole(replay, script);
  if (traced == 0) fault("no trace written");
  return 0;
}
