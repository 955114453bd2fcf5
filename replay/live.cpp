#include "replay/live.h"

#include <charconv>
#include <cstring>
#include <string>

#include "game/form1.h"
#include "replay/expect.h"

namespace zorvane {
namespace {

constexpr size_t flushSize = 64 * 1024;
constexpr std::string_view timerEvents[] = {"", "Timer1", "Timer2", "Timer3"};

}  // namespace

LiveGame::LiveGame(Form1& form, LiveOptions opts) : game(form), options(std::move(opts)) {}

void LiveGame::start() {
  seedsSeen = game.clockSeeds();
  game.Show();
  trace.forgetBricks();
  handled("load");
}

void LiveGame::step(int64_t now) {
  const bool caughtUp = game.catchup(now);
  const int64_t from = game.now();
  advance(now);
  if (options.recorder) {
    options.recorder->step(now - from, caughtUp);
    if (options.recorder->expectDue()) options.recorder->expect(expectLine(game));
  }
  if (now - lastFlush >= 1000) flushTrace();
}

void LiveGame::advance(int64_t until) {
  while (const int n = game.advanceTo(until)) handled(timerEvents[n]);
}

void LiveGame::overdue(int64_t until) { game.catchup(until); }

void LiveGame::keyDown(int16_t keyCode) {
  game.keyDown(keyCode);
  char* end = std::to_chars(evText + 5, evText + sizeof evText, keyCode).ptr;
  std::memcpy(evText, "down ", 5);
  handled({evText, static_cast<size_t>(end - evText)});
  if (options.recorder) options.recorder->down(keyCode);
}

void LiveGame::keyUp(int16_t keyCode) {
  game.keyUp(keyCode);
  char* end = std::to_chars(evText + 3, evText + sizeof evText, keyCode).ptr;
  std::memcpy(evText, "up ", 3);
  handled({evText, static_cast<size_t>(end - evText)});
  if (options.recorder) options.recorder->up(keyCode);
}

bool LiveGame::click(std::string_view button) {
  const std::string name(button);  // the click may destroy the button that named it
  if (!game.click(name)) return false;
  handled("click " + name);
  if (options.recorder) options.recorder->click(name);
  return true;
}

void LiveGame::close() {
  flushTrace();
  if (!options.recorder) return;
  options.recorder->expect(expectLine(game));  // the proof: what the game ends with
  options.recorder->close();
}

int64_t LiveGame::now() const { return game.now(); }

LiveGame::Memory LiveGame::remember() {
  flushTrace();
  return {trace.memory(), seedsSeen};
}

void LiveGame::recall(const Memory& m) {
  trace.recall(m.trace);
  seedsSeen = m.seedsSeen;
}

void LiveGame::handled(std::string_view ev) {
  reportSeeds();
  if (!options.traceSink) return;
  trace.line(game, ev);
  if (trace.size() >= flushSize) flushTrace();
}

void LiveGame::reportSeeds() {
  // Each start-up runs one Randomize, inside the event being handled: its seed is written
  // before that event's line.
  const uint64_t seeds = game.clockSeeds();
  if (seeds == seedsSeen) return;
  seedsSeen = seeds;
  if (options.recorder) options.recorder->randomize(game.lastClockSeed());
}

void LiveGame::flushTrace() {
  lastFlush = game.now();
  if (!options.traceSink || trace.size() == 0) return;
  options.traceSink(trace.text());
  trace.clear();
}

void WatchPlayer::start(LiveGame& game) {
  Form1& f = game.form();
  f.fixSeed(script->seed);
  for (const float r : script->draws) f.queueDraw(r);
  for (const uint64_t s : script->randomizeSeeds) f.queueSeed(s);
  game.start();
  if (script->commands.empty()) playTo(game, 0);
}

bool WatchPlayer::playTo(LiveGame& game, int64_t until) {
  while (!ended && next < script->commands.size()) {
    const Command& c = script->commands[next];
    switch (c.op) {
      case Op::Wait:
      case Op::Catchup:
        if (!begun) {
          begun = true;
          end = game.now() + c.value;
          if (c.op == Op::Catchup) game.overdue(end);
        }
        game.advance(std::min(until, end));
        if (until < end) return true;
        begun = false;
        break;
      case Op::Down: game.keyDown(static_cast<int16_t>(c.value)); break;
      case Op::Up: game.keyUp(static_cast<int16_t>(c.value)); break;
      case Op::Click: game.click(c.button); break;
      case Op::Expect:
        if (ExpectMiss m; !firstMiss && !meets(*script, c, game.form(), m)) firstMiss = m;
        break;
    }
    ++next;
  }
  if (!ended) {
    ended = true;
    game.form().goLive();
  }
  return false;
}

int64_t WatchPlayer::nextTime(const Form1& form) const {
  if (ended || next >= script->commands.size()) return form.now();
  const Command& c = script->commands[next];
  if (c.op != Op::Wait && c.op != Op::Catchup) return form.now();
  const int64_t stop = begun ? end : form.now() + c.value;
  const int64_t due = form.nextDue();
  return due >= 0 && due < stop ? due : stop;
}

}  // namespace zorvane
