#include "drive/driver.h"

#include <charconv>
#include <cstring>
#include <string>

#include "game/form1.h"
#include "script/expect.h"

namespace zorvane {
namespace {

constexpr size_t flushSize = 64 * 1024;
constexpr std::string_view timerEvents[] = {"", "Timer1", "Timer2", "Timer3"};

}  // namespace

Driver::Driver(DriverOptions opts)
    : options(std::move(opts)), game(std::make_unique<Form1>()), tracing(static_cast<bool>(options.traceSink)) {}

Driver::~Driver() = default;

void Driver::start() {
  handing = static_cast<bool>(options.seeds);
  handSeed();
  begin();
}

void Driver::load(uint64_t seed, const Draws& draws, std::span<const uint64_t> randomizeSeeds) {
  if (options.recorder) options.recorder->seed(seed);
  game->fixSeed(seed);
  game->queueDraws(draws);
  for (const uint64_t s : randomizeSeeds) game->queueSeed(s);
  begin();
}

void Driver::useLayouts(SharedLayouts layouts) {
  if (options.recorder && layouts) options.recorder->layouts(*layouts);
  game->useLayouts(std::move(layouts));
}

void Driver::begin() {
  game->Show();
  trace.forgetBricks();
  handled("load");
}

void Driver::goLive() {
  game->dropSeeds();
  handing = static_cast<bool>(options.seeds);
  handSeed();
}

void Driver::keyDown(int16_t keyCode) {
  game->keyDown(keyCode);
  handled(keyEvent("down ", keyCode));
  if (options.recorder) options.recorder->down(keyCode);
}

void Driver::keyUp(int16_t keyCode) {
  game->keyUp(keyCode);
  handled(keyEvent("up ", keyCode));
  if (options.recorder) options.recorder->up(keyCode);
}

bool Driver::click(std::string_view button) {
  const std::string name(button);  // the click may destroy the button that named it
  if (!game->click(name)) return false;
  handled("click " + name);
  if (options.recorder) options.recorder->click(name);
  return true;
}

void Driver::step(int64_t now) {
  const bool caughtUp = game->catchup(now);
  const int64_t from = game->now();
  advance(now);
  if (options.recorder) {
    options.recorder->step(now - from, caughtUp);
    if (options.recorder->expectDue()) options.recorder->expect(expectLine(*game));
  }
  if (now - lastFlush >= 1000) flush();
}

void Driver::catchup(int64_t until) { game->catchup(until); }

void Driver::advance(int64_t until) {
  while (const int n = game->advanceTo(until)) handled(timerEvents[n]);
}

bool Driver::advance(int64_t until, uint64_t& budget) {
  for (; budget > 0; --budget) {
    const int n = game->advanceTo(until);
    if (n == 0) return true;
    handled(timerEvents[n]);
  }
  return false;
}

void Driver::run(const Command& c) {
  switch (c.op) {
    case Op::Wait: wait(c.value); break;
    case Op::Catchup:
      catchup(now() + c.value);
      wait(c.value);
      break;
    case Op::Down: keyDown(static_cast<int16_t>(c.value)); break;
    case Op::Up: keyUp(static_cast<int16_t>(c.value)); break;
    case Op::Click: click(c.button()); break;
    case Op::Expect: break;  // checked by the script player, which holds the script's checks
  }
}

void Driver::flush() {
  lastFlush = game->now();
  if (!tracing || trace.size() == 0) return;
  options.traceSink(trace.text());
  trace.clear();
}

void Driver::close() {
  flush();
  if (!options.recorder) return;
  options.recorder->expect(expectLine(*game));  // the proof: what the game ends with
  options.recorder->close();
}

Driver::Memory Driver::remember() {
  flush();
  return {trace.memory(), eventCount};
}

void Driver::recall(const Memory& m) {
  trace.recall(m.trace);
  eventCount = m.events;
}

int64_t Driver::now() const { return game->now(); }

const View& Driver::view() const { return *game; }

PointerSteering::Paddle Driver::paddle() const {
  const GameFields& s = game->fields();
  return {s.paddle.Left + s.paddle.Width / 2, 2 * s.baseSpeed, s.paddleDirection != 0, s.Timer1.Interval() != 0};
}

int64_t Driver::nextDue() const { return game->nextDue(); }

void Driver::handled(std::string_view ev) {
  ++eventCount;
  reportSeeds();
  if (tracing) {
    trace.line(*game, ev);
    if (trace.size() >= flushSize) flush();
  }
  if (cueSink && !game->cues.empty()) cueSink(game->cues.list());
  if (options.afterEvent) options.afterEvent(*game, ev);
  game->cues.clear();
}

std::string_view Driver::keyEvent(std::string_view verb, int16_t keyCode) {
  std::memcpy(evText, verb.data(), verb.size());
  char* end = std::to_chars(evText + verb.size(), evText + sizeof evText, keyCode).ptr;
  return {evText, static_cast<size_t>(end - evText)};
}

void Driver::handSeed() {
  if (!handing) return;
  handed = options.seeds();
  game->queueSeed(handed);
}

void Driver::reportSeeds() {
  // Each start-up runs one Randomize, inside the event being handled: its seed is written
  // before that event's line.
  if (!handing || game->seedsQueued() > 0) return;
  if (options.recorder) options.recorder->randomize(handed);
  handSeed();
}

}  // namespace zorvane
