// The page's seam to the game, through the platform contract: one game window fed keys,
// clicks and time from JavaScript, its view handed over as one JSON text whenever it
// changed, and recordings played as the replay tool plays them. The only file of the page
// that knows the core.
#include <emscripten/emscripten.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "drive/driver.h"
#include "drive/player.h"
#include "platform/contract.h"
#include "platform/keys.h"
#include "script/script.h"
#include "sound/effects.h"
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

struct Page {
  std::unique_ptr<Driver> game;           // the game, driven as every front end drives it
  std::unique_ptr<ScriptPlayer> player;   // a recording being played; null: none
  std::unique_ptr<Script> reading;        // a recording being read
  std::unique_ptr<ScriptReader> reader;   // its parser
  JsonBuffer scene;
  std::string shown;               // the scene text last handed to the page
  std::string message;             // the last recording's complaint
  int cues = 0;                    // the kinds of cue raised since the page last took them, one bit each
  double cuedAt = -1;              // the game time of the first of them
};
Page page;

// The sound effects, made when the page first asks for them.
const sound::Effects& effects() {
  static const sound::Effects made;
  return made;
}

// The game's cues, gathered for the page's sound.
void hearCues(Driver& game) {
  game.cuesTo([&game](std::span<const Cue> cues) {
    if (page.cues == 0) page.cuedAt = double(game.now());
    for (const Cue& c : cues) page.cues |= 1 << int(c.kind);
  });
}

bool playing() { return page.player && page.player->playing(); }

}  // namespace

extern "C" {

// Creates the window at time 0 and runs Form_Load. Every start-up takes a seed read from the
// clock, or, with a seed ≥ 0 (for the tests' pictures), the generator keeps that one seed.
EMSCRIPTEN_KEEPALIVE void zvStart(double seed) {
  page.player.reset();
  if (seed >= 0) {
    page.game = std::make_unique<Driver>();
    page.game->load(uint64_t(seed), {});
  } else {
    page.game = std::make_unique<Driver>(DriverOptions{.seeds = clockSeed});
    page.game->start();
  }
  hearCues(*page.game);
  page.shown.clear();
}

// Moves the game clock on to `ms` (milliseconds since the window was created).
// A recording plays at its own pace, a slice at a time; then every timer due by `ms` fires,
// one tick for a timer that fell behind by more than its interval (a stall, such as a
// background tab).
EMSCRIPTEN_KEEPALIVE void zvAdvanceTo(double ms) {
  if (playing() && page.player->playTo(*page.game, int64_t(ms))) return;
  page.game->step(int64_t(ms));
}
EMSCRIPTEN_KEEPALIVE int zvPlaying() { return playing() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE double zvNow() { return double(page.game->now()); }
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
EMSCRIPTEN_KEEPALIVE void zvReadRecording() {
  page.reading = std::make_unique<Script>();
  page.reader = std::make_unique<ScriptReader>(*page.reading);
}
EMSCRIPTEN_KEEPALIVE int zvFeedRecording(const char* piece, int length) {
  return page.reader && page.reader->feed(std::string_view(piece, size_t(length))) ? 1 : 0;
}

// Starts the recording read from the window's creation at time 0; it then plays at its own
// pace through zvAdvanceTo, and the player takes over where it ends. On a bad script the game
// is left as it was and the replay tool's message is returned; null on success.
EMSCRIPTEN_KEEPALIVE const char* zvPlayRecording(const char* name) {
  if (!page.reader) zvReadRecording();
  const bool good = page.reader->good() && page.reader->finish();
  const ScriptError bad = page.reader->error();
  page.reader.reset();
  std::unique_ptr<Script> script = std::move(page.reading);
  if (!good) {
    page.message = "zorvane-replay: " + std::string(name) + ", line " + std::to_string(bad.line) + ": " + bad.message;
    return page.message.c_str();
  }
  page.game = std::make_unique<Driver>(DriverOptions{.seeds = clockSeed});
  hearCues(*page.game);
  page.player = std::make_unique<ScriptPlayer>(std::move(*script));
  page.player->limit(frameSlice);
  page.player->start(*page.game);
  page.shown.clear();
  return nullptr;
}

// Sound (web/sound.js): the cue kinds raised since the last call, one bit each (bit k for
// kind k), and the game time of the first of them; the effects' samples, made once.
EMSCRIPTEN_KEEPALIVE int zvCues() { return std::exchange(page.cues, 0); }
EMSCRIPTEN_KEEPALIVE double zvCuedAt() { return page.cuedAt; }
EMSCRIPTEN_KEEPALIVE int zvCueKinds() { return cueKinds; }
EMSCRIPTEN_KEEPALIVE int zvSampleRate() { return sound::sampleRate; }
EMSCRIPTEN_KEEPALIVE int zvEffectLength(int kind) {
  return kind >= 0 && kind < cueKinds ? int(effects().of(CueKind(kind)).size()) : 0;
}
EMSCRIPTEN_KEEPALIVE int zvEffectSample(int kind, int i) {
  return i >= 0 && i < zvEffectLength(kind) ? effects().of(CueKind(kind))[size_t(i)] : 0;
}

}  // extern "C"
