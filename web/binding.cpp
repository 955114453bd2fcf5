// The page's seam to the game, through the platform contract: one game window fed keys,
// clicks and time from JavaScript, its view handed over as one JSON text whenever it
// changed, the live game recorded in memory, and recordings played as the window plays
// them. The only file of the page that knows the core.
#include <emscripten/emscripten.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "game/form1.h"
#include "platform/contract.h"
#include "platform/keys.h"
#include "replay/expect.h"
#include "replay/json.h"
#include "replay/live.h"
#include "replay/recording.h"
#include "replay/script.h"
#include "replay/seek.h"

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

// The page's one game: live, recorded in memory as the window's recorder writes a file, or
// playing a recording on a watch clock of its own (with snapshots for jumps), after which
// the player takes over and what follows is recorded after the recording's own lines.
struct Page {
  std::unique_ptr<Form1> game;
  std::unique_ptr<Recorder> recorder;  // while live
  std::unique_ptr<LiveGame> live;
  Script script;                       // the recording being played
  std::unique_ptr<WatchPlayer> player;
  std::unique_ptr<Seeker> seeker;
  bool playing = false;
  bool checked = false;                // the recording played had expect lines
  std::string recorded;                // the game as a replay script
  std::string handed;                  // what zvRecording last handed out
  std::string heading;                 // the first line's UTC time, from the page
  int64_t fixedSeed = -1;              // the tests' seed, written as a seed line
  JsonBuffer scene;
  std::string shown;                   // the scene text last handed to the page
  std::string message;                 // the last recording's complaint, or its verdict
};
Page page;

Window& form() { return *page.game; }  // the game, seen through the contract

// Drops the game and what drives it, in the order they refer to one another.
void dropGame() {
  page.seeker.reset();
  page.player.reset();
  page.live.reset();
  page.recorder.reset();
  page.game = std::make_unique<Form1>();
  page.playing = false;
  page.shown.clear();
}

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
  page.live->setRecorder(page.recorder.get());
}

// The recording has ended: what it proved, and the player has the game.
void handOver() {
  page.playing = false;
  const std::optional<ExpectMiss>& miss = page.player->miss();
  page.message = miss ? "Not verified: " + describe(*miss)
                 : page.checked ? "Verified: score " + page.game->showscore.Caption
                                : "";
  record(std::move(page.recorded));
}

}  // namespace

extern "C" {

// Creates the window at time 0 and runs Form_Load, recorded from here. The generator is
// seeded from the clock at every start-up, or, with a seed >= 0 (for the tests' pictures),
// once with that seed. `recordedAt` is the UTC time for the recording's first line.
EMSCRIPTEN_KEEPALIVE void zvStart(double seed, const char* recordedAt) {
  dropGame();
  page.heading = recordedAt;
  page.fixedSeed = seed >= 0 ? int64_t(seed) : -1;
  if (seed >= 0) page.game->fixSeed(uint64_t(seed));
  page.live = std::make_unique<LiveGame>(*page.game, LiveOptions{});
  record("");
  page.live->start();
}

// Moves the game clock on to `ms` (milliseconds since the window was created): a live step,
// or the recording played up to that time of its own.
EMSCRIPTEN_KEEPALIVE void zvAdvanceTo(double ms) {
  if (page.playing && !page.seeker->playTo(int64_t(ms))) handOver();
  if (!page.playing) page.live->step(int64_t(ms));
}
EMSCRIPTEN_KEEPALIVE int zvPlaying() { return page.playing ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE double zvNow() { return double(form().now()); }
// A browser key as a virtual key code; a negative code -k for a game key k, whose default
// action the page prevents.
EMSCRIPTEN_KEEPALIVE int zvKeyCode(const char* domCode) {
  const int16_t key = virtualKey(domCode);
  return gameKey(key) ? -key : key;
}

// The player's input; ignored while a recording plays.
EMSCRIPTEN_KEEPALIVE void zvKeyDown(int code) {
  if (!page.playing) page.live->keyDown(int16_t(code));
}
EMSCRIPTEN_KEEPALIVE void zvKeyUp(int code) {
  if (!page.playing) page.live->keyUp(int16_t(code));
}
EMSCRIPTEN_KEEPALIVE int zvClick(const char* name) { return !page.playing && page.live->click(name) ? 1 : 0; }

// The scene as JSON text, or null when nothing drawn has changed since the last call.
EMSCRIPTEN_KEEPALIVE const char* zvScene() {
  const View& f = form();
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

// Starts a recording from the window's creation at time 0; it then plays through
// zvAdvanceTo on the page's watch clock, and the player takes over where it ends. On a bad
// script the game is left as it was and the replay tool's message is returned; null on success.
EMSCRIPTEN_KEEPALIVE const char* zvPlayRecording(const char* name, const char* text, int length) {
  const std::string_view script(text, size_t(length));
  Script parsed;
  ScriptError bad;
  if (!parseScript(script, parsed, bad)) {
    page.message = "zorvane-replay: " + std::string(name) + ", line " + std::to_string(bad.line) + ": " + bad.message;
    return page.message.c_str();
  }
  dropGame();
  page.script = std::move(parsed);
  page.checked = !page.script.expectations.empty();
  page.recorded.assign(script);  // what follows it is recorded after it
  page.fixedSeed = -1;           // the recording has its own
  page.message.clear();
  page.live = std::make_unique<LiveGame>(*page.game, LiveOptions{});
  page.player = std::make_unique<WatchPlayer>(page.script);
  page.player->start(*page.live);
  page.seeker = std::make_unique<Seeker>(page.script, *page.live, *page.player);
  page.playing = true;
  if (!page.player->playing()) handOver();
  return nullptr;
}

// While a recording plays: its length and a jump to any moment of it (the game as it stood
// then). Returns whether it still plays; a jump to its end ends it.
EMSCRIPTEN_KEEPALIVE double zvPlayLength() { return page.seeker ? double(page.seeker->length()) : 0; }
EMSCRIPTEN_KEEPALIVE int zvJumpTo(double ms) {
  if (page.playing && !page.seeker->jumpTo(int64_t(ms))) handOver();
  return page.playing ? 1 : 0;
}

// What the last recording played proved when it ended ("Verified: score 001230", or the
// expect line it did not meet), or its complaint; "" for none.
EMSCRIPTEN_KEEPALIVE const char* zvVerdict() { return page.message.c_str(); }

// The game so far as a replay script, ending with an expect line about the game now; its
// length in bytes through `length` (the script may hold any byte).
EMSCRIPTEN_KEEPALIVE const char* zvRecording(int* length) {
  if (!page.playing) page.live->close();
  page.handed = page.recorded;
  if (page.fixedSeed >= 0) {  // the tests' seed, after the first line
    const size_t first = page.handed.find('\n');
    page.handed.insert(first == std::string::npos ? 0 : first + 1, "seed " + std::to_string(page.fixedSeed) + "\n");
  }
  *length = int(page.handed.size());
  return page.handed.data();
}

}  // extern "C"
