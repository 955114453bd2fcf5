// The page's seam to the game, through the platform contract: one game window fed keys,
// clicks and time from JavaScript, painted by the game's own painter into a buffer of
// canvas pixels whose changed patches the page copies out, and recordings played as the
// replay tool plays them. The only file of the page that knows the core.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "game/form1.h"
#include "paint/painter.h"
#include "platform/contract.h"
#include "platform/keys.h"
#include "replay/replay.h"
#include "replay/script.h"
#include "replay/trace.h"

using namespace zorvane;

namespace {

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

struct Page {
  std::unique_ptr<Replay> replay;  // the game, driven like the replay tool drives it
  paint::Fonts fonts;
  paint::Painter painter{fonts};
  paint::Placement placement;      // of the last picture
  std::vector<uint32_t> pixels;    // the canvas's pixels, bytes R, G, B, A
  int width = 0, height = 0;
  std::vector<int32_t> patches;    // x, y, width, height of each patch of the last picture
  std::string title;               // the title last handed to the page
  std::string state;               // for the tests: the game's state as a trace line
  std::string message;             // the last recording's complaint
  Script recording;                // a recording being played, command by command
  size_t next = 0;                 // its next command
  int64_t stepStart = 0;           // game time at which the next command began
  bool playing = false;
};
Page page;

Window& form() { return page.replay->form(); }  // the game, seen through the contract

// Every timer due by `now`, one tick for a timer that fell behind by more than its
// interval (a stall, such as a background tab), then the clock stands at `now`.
void advanceTo(int64_t now) {
  Window& f = form();
  f.catchup(now);
  while (f.advanceTo(now)) {
  }
}

// Plays the recording's commands that fall due by `now`, at the pace they were recorded;
// a wait is split at `now` (the same timers fire, in the same order), a catchup runs whole
// once it has passed. When the last command has run the player takes over.
void playTo(int64_t now) {
  Replay& r = *page.replay;
  const std::vector<Command>& commands = page.recording.commands;
  while (page.next < commands.size()) {
    const Command& c = commands[page.next];
    if (c.op == Op::Wait || c.op == Op::Catchup) {
      const int64_t end = page.stepStart + c.value;
      if (now < end) {
        if (c.op == Op::Wait) r.wait(now - form().now());
        return;
      }
      if (c.op == Op::Wait) r.wait(end - form().now());
      else r.catchup(c.value);
      page.stepStart = end;
    } else {
      r.run(c);
    }
    ++page.next;
  }
  page.playing = false;
}

}  // namespace

extern "C" {

// Creates the window at time 0 and runs Form_Load. The generator is seeded from the clock
// at every start-up, or, with a seed ≥ 0 (for the tests' pictures), once with that seed.
EMSCRIPTEN_KEEPALIVE void zvStart(double seed) {
  page.replay = std::make_unique<Replay>();
  Window& f = form();
  if (seed >= 0) f.fixSeed(uint64_t(seed));
  f.Show();
  page.painter.invalidate();
  page.title.clear();
}

// Moves the game clock on to `ms` (milliseconds since the window was created).
EMSCRIPTEN_KEEPALIVE void zvAdvanceTo(double ms) {
  if (page.playing) playTo(int64_t(ms));
  if (!page.playing) advanceTo(int64_t(ms));
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
  if (!page.playing) form().keyDown(int16_t(code));
}
EMSCRIPTEN_KEEPALIVE void zvKeyUp(int code) {
  if (!page.playing) form().keyUp(int16_t(code));
}

// The faces' files: the page fetches fonts/NAME.ttf for each name, until null.
EMSCRIPTEN_KEEPALIVE const char* zvFontName(int i) {
  return i >= 0 && i < int(std::size(paint::faceFiles)) ? paint::faceFiles[i].name : nullptr;
}
// Takes one face's file (copied); 0 when it cannot be read.
EMSCRIPTEN_KEEPALIVE int zvFont(int i, const unsigned char* bytes, int length) {
  if (!zvFontName(i) || length <= 0) return 0;
  const paint::FaceFile& f = paint::faceFiles[i];
  return page.fonts.add(f.face, f.weight, std::vector<unsigned char>(bytes, bytes + length)) ? 1 : 0;
}

// Paints the picture on a canvas of width × height pixels: the game scaled uniformly and
// centred. Returns how many patches changed (0: none); zvPatches() and zvPixels() tell
// which and where the pixels are, until the next call.
EMSCRIPTEN_KEEPALIVE int zvPaint(int width, int height) {
  if (width < 1 || height < 1 || width > 8192 || height > 8192) return 0;  // (the replay tool's --size limit)
  if (width != page.width || height != page.height) {
    try {
      page.pixels.assign(size_t(width) * height, 0);
    } catch (const std::bad_alloc&) {  // the browser gives no more memory: nothing drawn
      page.pixels.clear();
      page.width = page.height = 0;
      return 0;
    }
    page.width = width, page.height = height;
  }
  const View& f = form();
  page.placement = paint::fitToTarget(f, width, height);
  const paint::Target target{page.pixels.data(), width, height, width, paint::rgbaBytes};
  const std::vector<paint::Rect>& changed = page.painter.draw(f, page.placement, target);
  page.patches.clear();
  for (const paint::Rect& r : changed) page.patches.insert(page.patches.end(), {r.x, r.y, r.w, r.h});
  return int(changed.size());
}
EMSCRIPTEN_KEEPALIVE const int32_t* zvPatches() { return page.patches.data(); }
EMSCRIPTEN_KEEPALIVE const uint32_t* zvPixels() { return page.pixels.data(); }
// The canvas pixel column in the middle of the picture: touches steer left or right of it.
EMSCRIPTEN_KEEPALIVE double zvMiddle() {
  const paint::Rect r = paint::pictureRect(form(), page.placement);
  return r.x + r.w / 2.0;
}
// A click at a canvas pixel of the last picture: the frontmost shown button there, if any.
EMSCRIPTEN_KEEPALIVE int zvClickAt(int x, int y) {
  if (page.playing) return 0;
  const std::string name = paint::buttonAt(form(), page.placement, x, y);
  return !name.empty() && form().click(name) ? 1 : 0;
}
// The window's caption, or null when it is the one handed over last.
EMSCRIPTEN_KEEPALIVE const char* zvTitle() {
  const std::string_view t = form().title();
  if (t == page.title) return nullptr;
  page.title.assign(t);
  return page.title.c_str();
}
// When the game next needs time to move on, in ms of game time: the next timer, or the
// recording's next command; -1 when nothing is timed.
EMSCRIPTEN_KEEPALIVE double zvNextDue() {
  int64_t due = form().nextDue();
  if (page.playing && page.next < page.recording.commands.size()) {
    const Command& c = page.recording.commands[page.next];
    const int64_t at = c.op == Op::Wait || c.op == Op::Catchup ? page.stepStart + c.value : form().now();
    due = due < 0 ? at : std::min(due, at);
  }
  return double(due);
}
// For the tests: the game's state, as the replay tool's trace line shows it.
EMSCRIPTEN_KEEPALIVE const char* zvState() {
  TraceWriter w;
  w.line(page.replay->form(), "state");
  page.state.assign(w.text());
  return page.state.c_str();
}
// For the tests: how long the recording being played lasts, in ms.
EMSCRIPTEN_KEEPALIVE double zvRecordingLength() {
  int64_t total = 0;
  for (const Command& c : page.recording.commands)
    if (c.op == Op::Wait || c.op == Op::Catchup) total += c.value;
  return double(total);
}

// Starts a recording from the window's creation at time 0; it then plays at its own pace
// through zvAdvanceTo, and the player takes over where it ends. On a bad script the game is
// left as it was and the replay tool's message is returned; null on success.
EMSCRIPTEN_KEEPALIVE const char* zvPlayRecording(const char* name, const char* text, int length) {
  Script script;
  ScriptError bad;
  if (!parseScript(std::string_view(text, size_t(length)), script, bad)) {
    page.message = "zorvane-replay: " + std::string(name) + ", line " + std::to_string(bad.line) + ": " + bad.message;
    return page.message.c_str();
  }
  page.recording = std::move(script);
  page.replay = std::make_unique<Replay>();
  const Script& r = page.recording;
  page.replay->load(r.seed, r.draws, r.randomizeSeeds);
  page.next = 0;
  page.stepStart = 0;
  page.playing = true;
  page.painter.invalidate();
  page.title.clear();
  return nullptr;
}

}  // extern "C"
