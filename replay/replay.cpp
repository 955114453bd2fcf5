#include "replay/replay.h"

#include <charconv>
#include <cstring>
#include <string>

#include "game/form1.h"

namespace zorvane {
namespace {

constexpr size_t flushSize = 64 * 1024;
constexpr std::string_view timerEvents[] = {"", "Timer1", "Timer2", "Timer3"};

}  // namespace

Replay::Replay(ReplayOptions opts)
    : options(std::move(opts)), game(std::make_unique<Form1>()), tracing(static_cast<bool>(options.traceSink)) {}

Replay::~Replay() = default;

std::optional<ExpectMiss> Replay::run(const Script& script) {
  load(script.seed, script.draws, script.randomizeSeeds);
  ExpectMiss miss;
  for (const Command& c : script.commands) {
    if (c.op == Op::Expect && !meets(script, c, *game, miss)) {
      flush();
      return miss;
    }
    run(c);
  }
  flush();
  return std::nullopt;
}

void Replay::load(uint64_t seed, std::span<const float> draws, std::span<const uint64_t> randomizeSeeds) {
  Form1& f = *game;
  f.fixSeed(seed);
  for (const float r : draws) f.queueDraw(r);
  for (const uint64_t s : randomizeSeeds) f.queueSeed(s);
  f.Show();
  trace.forgetBricks();
  handled("load");
}

void Replay::run(const Command& c) {
  switch (c.op) {
    case Op::Wait: wait(c.value); break;
    case Op::Catchup: catchup(c.value); break;
    case Op::Down: down(static_cast<int16_t>(c.value)); break;
    case Op::Up: up(static_cast<int16_t>(c.value)); break;
    case Op::Click: click(c.button); break;
    case Op::Expect: break;
  }
}

void Replay::wait(int64_t ms) {
  const int64_t until = game->now() + ms;
  while (const int n = game->advanceTo(until)) handled(timerEvents[n]);
}

void Replay::catchup(int64_t ms) {
  catchupTimers(ms);
  wait(ms);
}

void Replay::catchupTimers(int64_t ms) { game->catchup(game->now() + ms); }

void Replay::down(int16_t keyCode) {
  game->keyDown(keyCode);
  handled(keyEvent("down ", keyCode));
}

void Replay::up(int16_t keyCode) {
  game->keyUp(keyCode);
  handled(keyEvent("up ", keyCode));
}

bool Replay::click(std::string_view button) {
  if (!game->click(button)) return false;
  const std::string ev = "click " + std::string(button);
  handled(ev);
  return true;
}

void Replay::flush() {
  if (!tracing || trace.size() == 0) return;
  options.traceSink(trace.text());
  trace.clear();
}

void Replay::handled(std::string_view ev) {
  ++eventCount;
  if (tracing) {
    trace.line(*game, ev);
    if (trace.size() >= flushSize) flush();
  }
  if (options.afterEvent) options.afterEvent(*game, ev);
}

std::string_view Replay::keyEvent(std::string_view verb, int16_t keyCode) {
  std::memcpy(evText, verb.data(), verb.size());
  char* end = std::to_chars(evText + verb.size(), evText + sizeof evText, keyCode).ptr;
  return {evText, static_cast<size_t>(end - evText)};
}

}  // namespace zorvane
