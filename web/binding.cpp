// The page's seam to the game, through the platform contract: one game window fed keys,
// clicks and time from JavaScript, its view handed over as one JSON text whenever it
// changed, the live game recorded in memory, and recordings played as the window plays
// them. The only file of the page that knows the core.
#include <emscripten/emscripten.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "drive/driver.h"
#include "drive/player.h"
#include "drive/seek.h"
#include "platform/contract.h"
#include "platform/keys.h"
#include "script/expect.h"
#include "script/recorder.h"
#include "script/script.h"
#include "trace/json.h"

using namespace zorvane;

namespace {

// Writes what the page draws of each shown object, in the window's visiting order:
// [kind, layer, z, Left, Top, Width, Height, fill, fore, outline, alignment, transparent,
//  caption, face, points, weight, name]; kind 1 rectangle, 2 rounded, 3 circle, 4 label,
// 5 button. Colours are red + 256 × green + 65536 × blue; -1 for the platform's standard.
struct SceneWriter : ControlVisitor {
  JsonBuffer& out;
  bool first = true;
  explicit SceneWriter(JsonBuffer& out) : out(out) {}

  void start(int kind, int layer, const Control& c) {
    if (!first) out.put(',');
    first = false;
    out.put('[');
    for (const int64_t v : {int64_t(kind), int64_t(layer), c.z}) out.integer(v), out.put(',');
    for (const float v : {c.Left, c.Top, c.Width, c.Height}) out.single(v), out.put(',');
  }
  void finish(int32_t fill, int32_t fore, int outline, int alignment, bool transparent, std::string_view caption,
              const Font& font, std::string_view name) {
    for (const int64_t v : {int64_t(fill), int64_t(fore), int64_t(outline), int64_t(alignment)}) out.integer(v), out.put(',');
    out.boolean(transparent), out.put(',');
    out.string(caption), out.put(',');
    out.string(font.face ? font.face : ""), out.put(',');
    out.single(font.points), out.put(',');
    out.integer(font.weight), out.put(',');
    out.string(name);
    out.put(']');
  }
  void shape(const Shape& s) override {
    if (!s.Visible) return;
    const int kind = s.kind == ShapeKind::Circle ? 3 : s.kind == ShapeKind::RoundedRectangle ? 2 : 1;
    start(kind, 0, s);
    finish(s.BackColor, -1, s.outlinePixels, 0, false, "", Font{}, "");
  }
  void label(const Label& l) override {
    if (!l.Visible) return;
    start(4, 0, l);
    finish(l.hasBackColor ? l.BackColor : -1, l.hasForeColor ? l.ForeColor : -1, l.border ? 1 : 0,
           int(l.alignment), l.transparent, l.Caption, l.font, "");
  }
  void button(std::string_view name, const Button& b) override {
    if (!b.Visible) return;
    start(5, 1, b);
    finish(b.BackColor, -1, 1, int(Alignment::Center), false, b.Caption, b.font, name);
  }
};

// The browser's keys (KeyboardEvent.code) as the game's virtual key codes: the desktop's
// table (sdl/keymap.cpp), from the same constants. 0 for every key without a code of its own.
int16_t virtualKey(std::string_view code) {
  if (code.size() == 4 && code.starts_with("Key") && code[3] >= 'A' && code[3] <= 'Z')
    return int16_t(keys::A + (code[3] - 'A'));
  if (code.size() == 6 && code.starts_with("Digit") && code[5] >= '0' && code[5] <= '9')
    return int16_t(keys::Digit0 + (code[5] - '0'));
  for (int n = 1; n <= 12; ++n)
    if (code == "F" + std::to_string(n)) return int16_t(keys::F1 + n - 1);
  constexpr struct {
    std::string_view code;
    int16_t key;
  } named[] = {
      {"ArrowLeft", keys::Left},     {"ArrowUp", keys::Up},         {"ArrowRight", keys::Right},
      {"ArrowDown", keys::Down},     {"Space", keys::Space},        {"Enter", keys::Enter},
      {"NumpadEnter", keys::Enter},  {"Escape", keys::Escape},      {"Backspace", keys::Backspace},
      {"Tab", keys::Tab},            {"ShiftLeft", keys::Shift},    {"ShiftRight", keys::Shift},
      {"ControlLeft", keys::Control}, {"ControlRight", keys::Control}, {"AltLeft", keys::Alt},
      {"AltRight", keys::Alt},
  };
  for (const auto& k : named)
    if (code == k.code) return k.key;
  return keys::Unknown;
}

// The keys the game answers (the arrows, Space, P, F1, F2), whose browser action it takes over.
bool gameKey(int16_t key) {
  return (key >= keys::Left && key <= keys::Down) || key == keys::Space || key == keys::P || key == keys::F1 ||
         key == keys::F2;
}

// The most commands and timer ticks of a recording played in one animation frame: a few
// milliseconds' work, so that the tab stays responsive.
constexpr uint64_t frameSlice = 1000;

// Every start-up's seed, read from the clock as it is handed in.
uint64_t clockSeed() { return uint64_t(std::chrono::system_clock::now().time_since_epoch().count()); }

// The page's one game: live, recorded in memory as the window's recorder writes a file, or
// playing a recording on a watch clock of its own (with snapshots for jumps), after which
// the player takes over and what follows is recorded after the recording's own lines.
struct Page {
  std::unique_ptr<Driver> game;           // the game, driven as every front end drives it
  std::unique_ptr<ScriptPlayer> player;   // a recording being played; null: none
  std::unique_ptr<Seeker> seeker;         // its snapshots for jumps
  std::unique_ptr<Recorder> recorder;     // while live
  std::unique_ptr<Script> reading;        // a recording being read
  std::unique_ptr<ScriptReader> reader;   // its parser
  std::string readText;                   // its text, recorded before what follows it
  bool checked = false;                   // the recording played has expect lines
  std::string recorded;                   // the game as a replay script
  std::string handed;                     // what zvRecording last handed out
  std::string heading;                    // the first line's UTC time, from the page
  int64_t fixedSeed = -1;                 // the tests' seed, written as a seed line
  JsonBuffer scene;
  std::string shown;               // the scene text last handed to the page
  std::string message;             // the last recording's complaint, or its verdict
};
Page page;

bool playing() { return page.player && page.player->playing(); }

// From now on the live game is recorded, after `before` (a recording already played).
void record(std::string before) {
  page.recorded = std::move(before);
  if (!page.recorded.empty() && page.recorded.back() != '\n') page.recorded += '\n';
  page.recorder = std::make_unique<Recorder>(
      [](std::string_view lines) {
        if (page.recorded.size() + lines.size() > maxScriptBytes) return false;  // no longer than a script may be
        page.recorded += lines;
        return true;
      },
      RecordingHeading{ZORVANE_VERSION, page.heading});
  page.game->setRecorder(page.recorder.get());
}

// The recording has ended: what it proved, and the player has the game.
void handOver() {
  const std::optional<ExpectMiss>& miss = page.player->miss();
  char score[24];
  std::snprintf(score, sizeof score, "%06lld", static_cast<long long>(gameValue(page.game->form(), ExpectKey::currentScore)));
  page.message = miss ? "Not verified: " + describe(*miss) : page.checked ? std::string("Verified: score ") + score : "";
  page.seeker.reset();
  record(std::move(page.recorded));
}

}  // namespace

extern "C" {

// Creates the window at time 0 and runs Form_Load, recorded from here. Every start-up takes a
// seed read from the clock, or, with a seed ≥ 0 (for the tests' pictures), the generator keeps
// that one seed. `recordedAt` is the UTC time for the recording's first line.
EMSCRIPTEN_KEEPALIVE void zvStart(double seed, const char* recordedAt) {
  page.seeker.reset();
  page.player.reset();
  page.heading = recordedAt;
  page.fixedSeed = seed >= 0 ? int64_t(seed) : -1;
  page.game = std::make_unique<Driver>(seed >= 0 ? DriverOptions{} : DriverOptions{.seeds = clockSeed});
  record("");
  if (seed >= 0)
    page.game->load(uint64_t(seed), {});
  else
    page.game->start();
  page.shown.clear();
}

// Moves the game clock on to `ms` (milliseconds since the window was created).
// A recording plays at its own pace, a slice at a time; then every timer due by `ms` fires,
// one tick for a timer that fell behind by more than its interval (a stall, such as a
// background tab).
EMSCRIPTEN_KEEPALIVE void zvAdvanceTo(double ms) {
  if (playing()) {
    if (page.seeker->playTo(int64_t(ms))) return;
    handOver();
  }
  page.game->step(int64_t(ms));
}
EMSCRIPTEN_KEEPALIVE int zvPlaying() { return playing() ? 1 : 0; }
// The game's time; while a recording plays, where it stands once a jump is done.
EMSCRIPTEN_KEEPALIVE double zvNow() { return double(playing() ? page.seeker->time() : page.game->now()); }
// A browser key as a virtual key code; a negative code -k for a game key k, whose default
// action the page prevents.
EMSCRIPTEN_KEEPALIVE int zvKeyCode(const char* domCode) {
  const int16_t key = virtualKey(domCode);
  return gameKey(key) ? -key : key;
}

// The player's input; ignored while a recording plays.
EMSCRIPTEN_KEEPALIVE void zvKeyDown(int code) {
  if (!playing()) page.game->keyDown(int16_t(code));
}
EMSCRIPTEN_KEEPALIVE void zvKeyUp(int code) {
  if (!playing()) page.game->keyUp(int16_t(code));
}
EMSCRIPTEN_KEEPALIVE int zvClick(const char* name) { return !playing() && page.game->click(name) ? 1 : 0; }

// The scene as JSON text, or null when nothing drawn has changed since the last call.
EMSCRIPTEN_KEEPALIVE const char* zvScene() {
  const View& f = page.game->view();
  JsonBuffer& out = page.scene;
  out.clear();
  out.raw("{\"title\":");
  out.string(f.title());
  out.raw(",\"width\":");
  out.single(f.clientWidth());
  out.raw(",\"height\":");
  out.single(f.clientHeight());
  out.raw(",\"back\":");
  out.integer(f.backColor());
  out.raw(",\"items\":[");
  SceneWriter w(out);
  f.visitControls(w);
  out.raw("]}");
  out.put('\0');
  if (out.view() == page.shown) return nullptr;
  page.shown.assign(out.view());
  return page.shown.c_str();
}

// A recording is read in pieces, each parsed as it comes, so that its text is never held
// whole: zvReadRecording, then zvFeedRecording for each piece (0 once a line is bad: the
// rest need not come), then zvPlayRecording.
// Its text is kept too, for the recording of the game played on after it.
EMSCRIPTEN_KEEPALIVE void zvReadRecording() {
  page.reading = std::make_unique<Script>();
  page.reader = std::make_unique<ScriptReader>(*page.reading);
  page.readText.clear();
}
EMSCRIPTEN_KEEPALIVE int zvFeedRecording(const char* piece, int length) {
  if (!page.reader || !page.reader->feed(std::string_view(piece, size_t(length)))) return 0;
  page.readText.append(piece, size_t(length));
  return 1;
}

// Starts the recording read from the window's creation at time 0; it then plays through
// zvAdvanceTo on the page's watch clock, a slice at a time, and the player takes over where it
// ends. On a bad script the game is left as it was and the replay tool's message is returned;
// null on success.
EMSCRIPTEN_KEEPALIVE const char* zvPlayRecording(const char* name) {
  if (!page.reader) zvReadRecording();
  const bool good = page.reader->good() && page.reader->finish();
  const ScriptError bad = page.reader->error();
  page.reader.reset();
  std::unique_ptr<Script> script = std::move(page.reading);
  std::string text = std::move(page.readText);
  page.readText = std::string();
  if (!good) {
    page.message = "zorvane-replay: " + std::string(name) + ", line " + std::to_string(bad.line) + ": " + bad.message;
    return page.message.c_str();
  }
  page.seeker.reset();
  page.recorder.reset();
  page.checked = !script->expectations.empty();
  page.recorded = std::move(text);  // what follows it is recorded after it
  page.fixedSeed = -1;              // the recording has its own
  page.message.clear();
  page.game = std::make_unique<Driver>(DriverOptions{.seeds = clockSeed});
  page.player = std::make_unique<ScriptPlayer>(std::move(*script));
  page.player->limit(frameSlice);
  page.player->start(*page.game);
  page.seeker = std::make_unique<Seeker>(*page.game, *page.player);
  page.shown.clear();
  if (!playing()) handOver();
  return nullptr;
}

// While a recording plays: its length and a jump to any moment of it (the game as it stood
// then). Returns whether it still plays; a jump to its end ends it.
EMSCRIPTEN_KEEPALIVE double zvPlayLength() { return playing() ? double(page.player->length()) : 0; }
EMSCRIPTEN_KEEPALIVE int zvJumpTo(double ms) {
  if (playing() && !page.seeker->jumpTo(int64_t(ms))) handOver();
  return playing() ? 1 : 0;
}

// What the last recording played proved when it ended ("Verified: score 001230", or the
// expect line it did not meet), or its complaint; "" for none.
EMSCRIPTEN_KEEPALIVE const char* zvVerdict() { return page.message.c_str(); }

// The game so far as a replay script, ending with an expect line about the game now; its
// length in bytes through `length` (the script may hold any byte).
EMSCRIPTEN_KEEPALIVE const char* zvRecording(int* length) {
  if (!playing()) page.game->close();
  page.handed = page.recorded;
  if (page.fixedSeed >= 0) {  // the tests' seed, after the first line
    const size_t first = page.handed.find('\n');
    page.handed.insert(first == std::string::npos ? 0 : first + 1, "seed " + std::to_string(page.fixedSeed) + "\n");
  }
  *length = int(page.handed.size());
  return page.handed.data();
}

}  // extern "C"
