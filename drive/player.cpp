#include "drive/player.h"

#include <algorithm>

namespace zorvane {
namespace {

bool timed(const Command& c) { return c.op == Op::Wait || c.op == Op::Catchup; }

}  // namespace

ScriptPlayer::ScriptPlayer(Script s) : ScriptPlayer(std::make_shared<const Script>(std::move(s))) {}

ScriptPlayer::ScriptPlayer(std::shared_ptr<const Script> s) : script(std::move(s)) {
  for (const Command c : script->commands)
    if (timed(c)) total += c.value;
}

void ScriptPlayer::start(Driver& d) {
  if (!script->layouts.empty()) d.useLayouts(std::make_shared<const Layouts>(script->layouts));
  d.load(script->seed, script->draws, script->randomizeSeeds);
  if (script->commands.empty()) playTo(d, d.now());
}

bool ScriptPlayer::playTo(Driver& d, int64_t until) {
  uint64_t work = budget();
  return playTo(d, until, work);
}

bool ScriptPlayer::playTo(Driver& d, int64_t until, uint64_t& budget) {
  // The budget bounds the work of one call, so that a paced player never holds the screen;
  // the game's time only moves with the script, so where a call stops changes nothing.
  while (!ended && next < script->commands.size()) {
    const Command c = script->commands[next];
    if (!begun) {
      // An input waits for a later `until`: a frame at `until` shows the game before it.
      if (budget == 0 || (!timed(c) && d.now() >= until)) return true;
      --budget;
    }
    if (timed(c)) {
      if (!begun) {
        begun = true;
        stop = d.now() + c.value;
        if (c.op == Op::Catchup) d.catchup(stop);
      }
      if (!d.advance(std::min(until, stop), budget) || until < stop) return true;
      begun = false;
    } else if (c.op == Op::Expect) {
      if (!check(d, c)) break;
    } else {
      d.run(c);
    }
    ++next;
  }
  finish(d);
  return false;
}

bool ScriptPlayer::check(const Driver& d, const Command& c) {
  if (ExpectMiss m; !firstMiss && !meets(script->expectations, c.value, d.form(), m)) firstMiss = m;
  return !(stopping && firstMiss);
}

void ScriptPlayer::finish(Driver& d) {
  if (ended) return;
  ended = true;
  script.reset();  // the game plays on for long after: its memory goes back
  next = 0;
  d.goLive();
}

void ScriptPlayer::resume(const Position& p) {
  if (ended) return;
  next = p.next;
  begun = p.begun;
  stop = p.stop;
  firstMiss = p.miss;
}

std::optional<ExpectMiss> playWhole(Driver& d, Script script) {
  ScriptPlayer player(std::move(script));
  player.stopAtMiss(true);
  player.start(d);
  player.playTo(d, ScriptPlayer::end);
  d.flush();
  return player.miss();
}

int64_t ScriptPlayer::nextTime(const Driver& d) const {
  const int64_t now = d.now();
  if (ended) return now;
  if (next >= script->commands.size()) return now;
  const Command c = script->commands[next];
  if (!timed(c)) return now + 1;
  const int64_t until = begun ? stop : now + c.value;
  const int64_t due = d.nextDue();
  return due >= 0 && due < until ? due : until;
}

}  // namespace zorvane
