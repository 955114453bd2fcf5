#include "replay/recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "replay/script.h"

namespace zorvane {

bool OutputFile::open(const std::string& name, std::string& error) {
  close();
  // No O_TRUNC: a device or a pipe must never be truncated, only a regular file is emptied.
  // O_NONBLOCK refuses a pipe with no reader instead of waiting for one.
  const int f = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  if (f < 0) {
    error = "cannot write " + printable(name) + ": " + std::strerror(errno);
    return false;
  }
  struct stat st{};
  if (fstat(f, &st) != 0) {
    error = "cannot write " + printable(name) + ": " + std::strerror(errno);
    ::close(f);
    return false;
  }
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) {
    error = "cannot write " + printable(name) + ": not a regular file, a pipe or a terminal";
    ::close(f);
    return false;
  }
  if (S_ISREG(st.st_mode) && ftruncate(f, 0) != 0) {
    error = "cannot write " + printable(name) + ": " + std::strerror(errno);
    ::close(f);
    return false;
  }
  fcntl(f, F_SETFL, fcntl(f, F_GETFL) & ~O_NONBLOCK);
  fd = f;
  broken = false;
  path = name;
  return true;
}

bool OutputFile::write(std::string_view lines) {
  if (fd < 0 || broken) return false;
  while (!lines.empty()) {
    const ssize_t n = ::write(fd, lines.data(), lines.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken = true;
      cause = n < 0 ? std::strerror(errno) : "nothing was written";
      return false;
    }
    lines.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void OutputFile::close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

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
  line = "catchup " + std::to_string(ms) + "\n";
  pending += line;
  emit();
}

void Recorder::randomize(uint64_t seed) { pending += "randomize " + std::to_string(seed) + "\n"; }

void Recorder::down(int16_t keyCode) { event("down ", std::to_string(keyCode)); }
void Recorder::up(int16_t keyCode) { event("up ", std::to_string(keyCode)); }
void Recorder::click(std::string_view button) { event("click ", button); }

void Recorder::event(std::string_view verb, std::string_view what) {
  pending.append(verb).append(what).append("\n");
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
  }
  begun = true;
  if (waiting > 0) out += "wait " + std::to_string(waiting) + "\n";
  out += pending;
  pending.clear();
  waiting = 0;
  lastWrite = clock;
  if (!out.empty() && !broken && !sink(out)) broken = true;
}

}  // namespace zorvane
