#include "host/program.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace zorvane {

namespace {

// The wall-clock time now in UTC, for the first line of a recording: "2026-12-09 02:30:33 UTC".
std::string utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  char text[40] = "";
#ifdef _WIN32
  const bool known = gmtime_s(&utc, &now) == 0;
#else
  const bool known = gmtime_r(&now, &utc) != nullptr;
#endif
  if (known) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

// A file that stops taking lines (a full disk) is reported once; the game plays on.
bool writeTo(OutputFile& file, std::string_view lines) {
  if (file.write(lines)) return true;
  if (file.isOpen() && !file.reported()) say("cannot write " + printable(file.name(), 200) + ": " + file.failure());
  return false;
}

}  // namespace

void say(std::string_view line) { std::fprintf(stderr, "zorvane: %.*s\n", int(line.size()), line.data()); }

int readCommandLine(int argc, char** argv, Options& options) {
  std::string error;
  if (!parseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "zorvane: %s (%s)\n", error.c_str(), usageLine);
    return 2;
  }
  if (options.help || options.version) {
    options.help ? printHelp() : printVersion();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    say(std::string("cannot write to standard output: ") + std::strerror(errno));
    return 1;
  }
  if (!distinctFiles(options, error)) return say(error), 2;
  return -1;
}

int prepare(const Options& options, Files& files) {
  std::string error;
  int status = 0;
  if (!options.watch.empty())
    status = loadScript(options.watch, files.script, error);
  if (Layouts own; status == 0 && !options.layouts.empty() && (status = loadLayouts(options.layouts, own, error)) == 0)
    files.layouts = std::make_shared<const Layouts>(std::move(own));
  // The file to edit need not exist yet; one that does is read as --layouts reads it, and only
  // a regular file, which a save can replace.
  if (const FileKind kind = options.edit.empty() ? FileKind::None : fileKind(options.edit); status == 0 && kind != FileKind::None) {
    if (kind == FileKind::Regular) {
      files.editStamp = image::stampOf(options.edit);
      if ((status = loadLayouts(options.edit, files.editing, error)) == 0) {
        std::vector<uint8_t> bytes;
        if (image::readFile(options.edit, bytes, maxScriptBytes, error)) files.editingText.assign(bytes.begin(), bytes.end());
      }
    } else
      status = 1, error = "cannot edit " + printable(options.edit, 200) + ": not a regular file";
  }
  files.editPath = options.edit;
  if (status == 0 && !options.record.empty() && !files.recording.open(options.record, error)) status = 1;
  if (status == 0 && !options.trace.empty() && !files.trace.open(options.trace, error)) status = 1;
  if (status != 0) say(error);
  return status;
}

bool emptyOutputs(Files& files) {
  std::string error;
  if (files.recording.empty(error) && files.trace.empty(error)) return true;
  say(error);
  return false;
}

const paint::Fonts& installedFonts() {
  std::string warnings;
  const paint::Fonts& fonts = paint::Fonts::installed(&warnings);
  for (size_t at = 0, end; (end = warnings.find('\n', at)) != std::string::npos; at = end + 1)
    say(std::string_view(warnings).substr(at, end - at));
  return fonts;
}

SessionOptions sessionOptions(const Options& options, Files& files, std::function<void(std::span<const Cue>)> cues) {
  SessionOptions s;
  // Every start-up's seed, read from the clock as it is handed in.
  s.seeds = [] { return uint64_t(std::chrono::system_clock::now().time_since_epoch().count()); };
  if (files.recording.isOpen()) s.record = [&files](std::string_view lines) { return writeTo(files.recording, lines); };
  if (files.trace.isOpen()) s.trace = [&files](std::string_view lines) { writeTo(files.trace, lines); };
  s.heading = {.version = ZORVANE_VERSION, .recordedAt = utcNow()};
  s.cues = std::move(cues);
  s.steering = options.mouse ? Steering::Hover : Steering::None;
  if (!options.edit.empty()) {
    s.save = [&files](std::string_view text, SaveHow how) { return saveEdited(files, text, how); };
    s.leave = [&files] { files.left = true; };
  }
  return s;
}

void begin(Session& session, const Options& options, Files& files, double wall) {
  if (!options.edit.empty())
    session.advance(wall);  // the editor shows already (session.edit())
  else if (options.watch.empty())
    session.start(wall, -1, files.layouts, shownName(options.layouts));
  else
    session.watch(std::move(files.script), options.watch, wall, options.speed);
}

void tellEnding(Session& session, const Options& options) {
  if (session.handedOver() && session.miss()) say(printable(options.watch) + ", " + describe(*session.miss()));
}

double sleepFor(const Session& session, double wall, bool sounding) {
  const double due = session.nextWake(wall);
  const double wait = due < 0 ? 1000.0 : std::ceil(due - wall);
  return std::clamp(wait, 0.0, sounding ? 50.0 : 1000.0);
}

namespace {

// NAME-n.EXT beside the file NAME.EXT (NAME-n for a name without one).
std::string besideName(const std::string& path, int n) {
#ifdef _WIN32
  const size_t slash = path.find_last_of("/\\:");
#else
  const size_t slash = path.find_last_of('/');
#endif
  const size_t leaf = slash == std::string::npos ? 0 : slash + 1, dot = path.rfind('.');
  const size_t cut = dot == std::string::npos || dot <= leaf ? path.size() : dot;
  return path.substr(0, cut) + "-" + std::to_string(n) + path.substr(cut);
}

}  // namespace

SaveOutcome saveEdited(Files& files, std::string_view text, SaveHow how) {
  if (how == SaveHow::Checked && image::stampOf(files.editPath) != files.editStamp) return {.changed = true};
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  std::string path = files.editPath, error;
  bool saved = false;
  if (how != SaveHow::Beside) {
    saved = image::writeFile(bytes, path, error, image::Target::Replace);
  } else {
    for (int n = 2; n < 100 && !saved; ++n) {
      path = besideName(files.editPath, n);
      if (fileKind(path) == FileKind::None) saved = image::writeFile(bytes, path, error, image::Target::New);
      if (!saved && error.empty() && n == 99) error = "cannot write " + path + ": every name up to it is taken";
      if (!error.empty()) break;
    }
  }
  if (!saved) {
    // The reason alone: the title names the file already.
    const std::string prefix = "cannot write " + path + ": ";
    return {.why = error.starts_with(prefix) ? error.substr(prefix.size()) : error};
  }
  files.editPath = path;
  files.editStamp = image::stampOf(path);
  return {.saved = true, .to = shownName(path)};
}

int finalStatus(const Files& files, int status) {
  return files.recording.failed() || files.trace.failed() ? 1 : status;
}

}  // namespace zorvane
