#include "script/recorder.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "script/script.h"

namespace zorvane {

Recorder::Recorder(Sink s, RecordingHeading h) : sink(std::move(s)), heading(std::move(h)) {}

void Recorder::step(int64_t ms, bool caughtUp) {
  if (ms < 0) ms = 0;
  clock += ms;
  if (!caughtUp) {
    waiting += ms;
    if (clock - lastWrite >= 1000) emit();  // at least once a second, so a killed game loses little
    return;
  }
  // A catch-up is judged at the end of its own step: it must not take in earlier time.
  pending += commandLine(Op::Catchup, ms);
  emit();
}

void Recorder::seed(uint64_t seed) {
  if (begun)
    pending += seedLine(seed);
  else
    head.insert(0, seedLine(seed));  // right after the first line
}

void Recorder::randomize(uint64_t seed) { pending += randomizeLine(seed); }

void Recorder::layouts(const Layouts& set) {
  for (const LayoutRows& layout : set) (begun ? pending : head) += layoutLine(layout);
}

void Recorder::down(int16_t keyCode) { event(commandLine(Op::Down, keyCode)); }
void Recorder::up(int16_t keyCode) { event(commandLine(Op::Up, keyCode)); }

void Recorder::click(std::string_view button) {
  const auto* b = std::find(std::begin(buttonNames), std::end(buttonNames), button);
  if (b != std::end(buttonNames)) event(commandLine(Op::Click, b - std::begin(buttonNames)));
}

void Recorder::event(const std::string& line) {
  pending += line;
  emit();
}

void Recorder::expect(std::string_view text) {
  lastExpect = clock;
  if (text == lastExpectLine && waiting == 0 && pending.empty()) return;
  lastExpectLine = text;
  pending += text;
  emit();
}

void Recorder::close() {
  if (waiting > 0 || !pending.empty()) emit();
}

void Recorder::emit() {
  // The wait comes first: it is the time that passed before these lines. The randomize
  // lines among `pending` belong to the event after them, so they keep their place.
  std::string out;
  if (!begun) {
    out = "# Super Zorvane!";
    if (!heading.version.empty()) out += " " + printable(heading.version, 40);
    out += " recording";
    if (!heading.recordedAt.empty()) out += ", " + printable(heading.recordedAt, 40);
    out += ": replay it with zorvane-replay, watch it with zorvane --watch\n";
    out += std::exchange(head, {});
  }
  begun = true;
  if (waiting > 0) out += commandLine(Op::Wait, waiting);
  out += pending;
  pending.clear();
  waiting = 0;
  lastWrite = clock;
  if (!out.empty() && !broken && !sink(out)) broken = true;
}

}  // namespace zorvane
