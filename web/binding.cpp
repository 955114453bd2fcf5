// The page's seam to the game, through the platform contract: one game window fed keys,
// clicks and time from JavaScript, painted by the game's own painter into a buffer of
// canvas pixels whose changed patches the page copies out, the live game recorded in
// memory, and recordings played as the window plays them. The only file of the page that
// knows the core.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drive/driver.h"
#include "drive/player.h"
#include "drive/seek.h"
#include "drive/spoken.h"
#include "paint/painter.h"
#include "platform/contract.h"
#include "platform/gamepad.h"
#include "platform/keys.h"
#include "platform/pointer.h"
#include "script/expect.h"
#include "script/recorder.h"
#include "script/script.h"
#include "sound/effects.h"
#include "trace/trace.h"

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

// The most commands and timer ticks of a recording played at one wake of the page: a few
// milliseconds' work, so that the tab stays responsive.
constexpr uint64_t wakeSlice = 1000;

// Room kept at the end of the page's recording for the lines of one more event and its
// closing lines: a recording is ended before it could run out of room.
constexpr size_t closingRoom = 4096;

// The most pixels one call paints: a whole picture at a phone's three device pixels to the
// CSS pixel is painted in about twenty calls (the page makes each a task of its own), each
// under 12 ms of work on this machine even before the browser has optimised the module, so
// under 50 ms on a phone four times slower.
constexpr int64_t paintBudget = int64_t(1) << 16;

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
  // Of it, the lines that make its game, recorded before what follows it: not its comments,
  // nor its expect lines (one it did not meet would make that recording fail).
  std::string readText;
  bool checked = false;                   // the recording played has expect lines
  std::string recorded;                   // the game as a replay script
  std::string handed;                     // what zvRecording last handed out
  std::string heading;                    // the first line's UTC time, from the page
  int64_t fixedSeed = -1;                 // the tests' seed, written as a seed line
  paint::Fonts fonts;
  paint::Painter painter{fonts};
  paint::Placement placement;      // of the last picture
  std::vector<uint32_t> pixels;    // the canvas's pixels, bytes R, G, B, A
  int width = 0, height = 0;
  std::vector<int32_t> patches;    // x, y, width, height of each patch of the last picture
  std::string title;               // the title last handed to the page
  std::string state;               // for the tests: the game's state as a trace line
  std::string message;             // the last recording's complaint, or its verdict
  std::string notice;              // a word for the player, handed over once
  int64_t jumpFrom = 0;            // where the last jump started playing from
  std::string layoutsFrom;         // the file the player's own layouts came from; "": the built-in ones
  int cues = 0;                    // the kinds of cue raised since the page last took them, one bit each
  double cuedAt = -1;              // the game time of the first of them
  PointerSteering pointer;         // a finger or the mouse held on the playfield
  Spoken spoken;                   // the game in words, for the live region
  std::string said;                // what zvNews, zvSummary or zvScoreSaid last handed out
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

// A new game on the canvas: every pixel and the title painted again; the pointer holds
// nothing yet, and nothing has been told of it.
void repaintAll() {
  page.painter.invalidate();
  page.title.clear();
  page.pointer = {};
  page.spoken = {};
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
  page.game->setRecorder(page.recorder.get());
}

// Before the game takes input or time: a recording with no room left for more ends here
// with its closing lines (so it verifies), the game plays on unrecorded, and the player is
// told once.
void keepRoom() {
  if (!page.recorder || page.recorded.size() + closingRoom <= maxScriptBytes) return;
  page.game->close();
  page.game->setRecorder(nullptr);
  page.recorder.reset();
  page.notice = "This game has filled the 64 MiB a recording may hold: Save this game and Copy a link keep it up to "
                "here, and what you play from now on is not recorded.";
}

// The recording has ended: what it proved, and the player has the game.
void handOver() {
  const std::optional<ExpectMiss>& miss = page.player->miss();
  char score[24];
  std::snprintf(score, sizeof score, "%06lld", static_cast<long long>(gameValue(page.game->form(), ExpectKey::currentScore)));
  page.message = miss ? "Not verified: " + describe(*miss) : page.checked ? std::string("Verified: score ") + score : "";
  page.seeker.reset();
  record(std::move(page.recorded));
  keepRoom();
}

}  // namespace

extern "C" {

// Creates the window at time 0 and runs Form_Load, recorded from here. Every start-up takes a
// seed read from the clock, or, with a whole number from 0 to 2^53 - 1 (for the tests'
// pictures; any other is none), the generator keeps that one seed, which the recording
// states. `recordedAt` is the UTC time for the recording's first line.
EMSCRIPTEN_KEEPALIVE void zvStart(double seed, const char* recordedAt) {
  if (!(seed >= 0 && seed <= 9007199254740991.0 && seed == std::floor(seed))) seed = -1;
  page.seeker.reset();
  page.player.reset();
  page.heading = recordedAt;
  page.layoutsFrom.clear();
  page.fixedSeed = seed >= 0 ? int64_t(seed) : -1;
  page.game = std::make_unique<Driver>(seed >= 0 ? DriverOptions{} : DriverOptions{.seeds = clockSeed});
  record("");
  if (seed >= 0)
    page.game->load(uint64_t(seed), {});
  else
    page.game->start();
  hearCues(*page.game);
  repaintAll();
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
  keepRoom();
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
  if (playing()) return;
  keepRoom();
  page.game->keyDown(int16_t(code));
}
EMSCRIPTEN_KEEPALIVE void zvKeyUp(int code) {
  if (playing()) return;
  keepRoom();
  page.game->keyUp(int16_t(code));
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
  const View& f = page.game->view();
  page.placement = paint::fitToTarget(f, width, height);
  const paint::Target target{page.pixels.data(), width, height, width, paint::rgbaBytes};
  page.painter.limit(paintBudget);
  const std::vector<paint::Rect>& changed = page.painter.draw(f, page.placement, target);
  page.patches.clear();
  for (const paint::Rect& r : changed) page.patches.insert(page.patches.end(), {r.x, r.y, r.w, r.h});
  return int(changed.size());
}
EMSCRIPTEN_KEEPALIVE const int32_t* zvPatches() { return page.patches.data(); }
// The window's face colour around the picture, as CSS ("#rrggbb").
EMSCRIPTEN_KEEPALIVE const char* zvFaceColour() {
  static char css[8];
  const Color c = page.game->view().backColor();
  std::snprintf(css, sizeof css, "#%02x%02x%02x", unsigned(redOf(c)), unsigned(greenOf(c)), unsigned(blueOf(c)));
  return css;
}
// Whether the last picture left patches for the next call to paint.
EMSCRIPTEN_KEEPALIVE int zvPaintBehind() { return page.painter.behind() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE const uint32_t* zvPixels() { return page.pixels.data(); }
// A click at a canvas pixel of the last picture: the frontmost shown button there, if any.
EMSCRIPTEN_KEEPALIVE int zvClickAt(int x, int y) {
  if (playing()) return 0;
  const std::string name = paint::buttonAt(page.game->view(), page.placement, x, y);
  keepRoom();
  return !name.empty() && page.game->click(name) ? 1 : 0;
}
// The name of the frontmost shown button at a canvas pixel, or null: a press and a release on
// the same button click it.
EMSCRIPTEN_KEEPALIVE const char* zvButtonAt(int x, int y) {
  static std::string name;
  name = paint::buttonAt(page.game->view(), page.placement, x, y);
  return name.empty() ? nullptr : name.c_str();
}
// Gamepads of the browser's standard layout, read by the page at each wake, through the
// desktop's mapping of a gamepad to keys and clicks.
constexpr int maxPads = 4;
struct Pad {
  Gamepad mapping;
  uint32_t buttons = 0;  // bit i: standard button i held
};
static Pad pads[maxPads];
// What a gamepad gives the game: ignored while a recording plays.
struct PlayerInput : Input {
  void keyDown(int16_t code) override { zvKeyDown(code); }
  void keyUp(int16_t code) override { zvKeyUp(code); }
  bool click(std::string_view button) override {
    if (playing()) return false;
    keepRoom();
    return page.game->click(button);
  }
};
static PlayerInput playerInput;

// Steering by a finger or the mouse held on the playfield (`pointing`) at canvas column x, by
// the window's rule for its mouse (platform/pointer.h), at each wake and as the pointer moves.
// Returns the arrow held: Left, Right or 0.
EMSCRIPTEN_KEEPALIVE int zvSteer(int pointing, double x) {
  const double units = (x - page.placement.x) / page.placement.scale * paint::unitsPerPixel;
  const Driver::Paddle p = page.game->paddle();
  const bool steers = pointing && !playing() && page.placement.scale > 0 && std::isfinite(units);
  page.pointer.steer(steers, steers ? static_cast<float>(units) : 0, {p.centre, p.step, p.moving, p.inPlay}, playerInput);
  return page.pointer.steering();
}
// The page's Pause control: offered while the player's game runs, it gives what the P key
// gives; the game's own Pause button resumes.
EMSCRIPTEN_KEEPALIVE int zvCanPause() { return !playing() && page.game->paddle().inPlay ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE void zvPause() {
  playerInput.keyDown(keys::P);
  playerInput.keyUp(keys::P);
}

// The game in words (drive/spoken.h), for the page's live region: what happened since the
// last call, or null. A recording watched faster than 1x (`speed`) says nothing.
EMSCRIPTEN_KEEPALIVE const char* zvNews(double speed) {
  page.said = page.spoken.news(page.game->form());
  return page.said.empty() || (playing() && speed > 1) ? nullptr : page.said.c_str();
}
// The picture's text alternative: the score, the high score, the lives and the bricks left.
EMSCRIPTEN_KEEPALIVE const char* zvSummary() {
  page.said = Spoken::summary(page.game->form());
  return page.said.c_str();
}
// The score, said on request.
EMSCRIPTEN_KEEPALIVE const char* zvScoreSaid() {
  page.said = Spoken::score(page.game->form());
  return page.said.c_str();
}
// One pad's state: the standard buttons held (bit i for buttons[i]) and its left stick's
// x axis, -1 (left) to 1.
EMSCRIPTEN_KEEPALIVE void zvPad(int index, int buttons, double stickX) {
  if (index < 0 || index >= maxPads) return;
  constexpr struct {
    int bit;
    PadButton button;
  } standard[] = {{0, PadButton::South},         {4, PadButton::LeftShoulder}, {5, PadButton::RightShoulder},
                  {9, PadButton::Start},         {14, PadButton::DpadLeft},    {15, PadButton::DpadRight}};
  Pad& pad = pads[index];
  for (const auto& s : standard) {
    const bool down = (uint32_t(buttons) >> s.bit) & 1;
    if (down != bool((pad.buttons >> s.bit) & 1)) pad.mapping.button(s.button, down, playerInput);
  }
  pad.buttons = uint32_t(buttons);
  pad.mapping.stickX(std::isfinite(stickX) ? int(std::clamp(stickX, -1.0, 1.0) * 32767) : 0, playerInput);
}
// A pad unplugged, or the page out of sight: every key it holds is released.
EMSCRIPTEN_KEEPALIVE void zvPadGone(int index) {
  if (index < 0 || index >= maxPads) return;
  pads[index].mapping.unplugged(playerInput);
  pads[index].buttons = 0;
}
// The window's caption, or null when it is the one handed over last.
// While a recording plays, the caption says so, as the window's does.
EMSCRIPTEN_KEEPALIVE const char* zvTitle() {
  std::string t = std::string(page.game->view().title()) + (playing() ? " \u2014 playing a recording" : "");
  if (!page.layoutsFrom.empty() && !playing()) t += " \u2014 your own layouts from " + page.layoutsFrom;
  if (t == page.title) return nullptr;
  page.title.assign(t);
  return page.title.c_str();
}
// When the game next needs time to move on, in ms of game time: the next timer, or the
// recording's next command (the game's own time while a jump is still on its way, which is
// at once); -1 when nothing is timed.
EMSCRIPTEN_KEEPALIVE double zvNextDue() {
  if (!playing()) return double(page.game->nextDue());
  return double(page.seeker->jumping() ? page.game->now() : page.player->nextTime(*page.game));
}
// For the tests: the game's state, as the replay tool's trace line shows it.
EMSCRIPTEN_KEEPALIVE const char* zvState() {
  TraceWriter w;
  w.line(page.game->form(), "state");
  page.state.assign(w.text());
  return page.state.c_str();
}
// For the tests, with the clock held: the recording being played, played to its end at once.
EMSCRIPTEN_KEEPALIVE void zvPlayToEnd() {
  if (!playing()) return;
  while (page.seeker->playTo(ScriptPlayer::end)) {
  }
  handOver();
}

// A recording is read in pieces, each parsed as it comes, so that its text is never held
// whole: zvReadRecording, then zvFeedRecording for each piece (0 once a line is bad: the
// rest need not come), then zvPlayRecording. The page feeds a long one a slice per task, so
// that it stays responsive meanwhile. The lines of it that make its game are kept, for the
// recording of the game played on after it.
EMSCRIPTEN_KEEPALIVE void zvReadRecording() {
  page.reading = std::make_unique<Script>();
  page.readText = std::string();
  page.reader = std::make_unique<ScriptReader>(*page.reading, &page.readText);
}
EMSCRIPTEN_KEEPALIVE int zvFeedRecording(const char* piece, int length) {
  return page.reader && page.reader->feed(std::string_view(piece, size_t(length))) ? 1 : 0;
}

// Starts the recording read from the window's creation at time 0 (a layout file, which holds
// only layouts, starts a new game on them at once); it then plays through
// zvAdvanceTo on the page's watch clock, a slice at a time, and the player takes over where it
// ends. On a bad script the game is left as it was and the replay tool's message is returned;
// null on success.
EMSCRIPTEN_KEEPALIVE const char* zvPlayRecording(const char* name) {
  if (!page.reader) zvReadRecording();
  const bool good = page.reader->good() && page.reader->finish();
  const ScriptError bad = page.reader->error();
  page.reader.reset();
  std::unique_ptr<Script> script = std::move(page.reading);
  std::string text = std::exchange(page.readText, std::string());
  if (!good) {
    page.message = "zorvane-replay: " + std::string(name) + ", line " + std::to_string(bad.line) + ": " + bad.message;
    return page.message.c_str();
  }
  page.seeker.reset();
  page.recorder.reset();
  page.layoutsFrom = script->layouts.empty() ? "" : shownName(name);
  if (!script->layouts.empty() && script->commands.empty() && script->draws.empty() && script->randomizeSeeds.empty()) {
    // A layout file: a new game on the player's own layouts, recorded with them at its head.
    page.player.reset();
    page.fixedSeed = -1;
    page.message.clear();
    page.game = std::make_unique<Driver>(DriverOptions{.seeds = clockSeed});
    record("");
    page.game->useLayouts(std::make_shared<const Layouts>(std::move(script->layouts)));
    page.game->start();
    hearCues(*page.game);
    repaintAll();
    return nullptr;
  }
  page.checked = !script->expectations.empty();
  page.recorded = std::move(text);  // what follows it is recorded after it
  page.fixedSeed = -1;              // the recording has its own
  page.message.clear();
  page.game = std::make_unique<Driver>(DriverOptions{.seeds = clockSeed});
  hearCues(*page.game);
  page.player = std::make_unique<ScriptPlayer>(std::move(*script));
  page.player->limit(wakeSlice);
  page.player->start(*page.game);
  page.seeker = std::make_unique<Seeker>(*page.game, *page.player);
  repaintAll();
  if (!playing()) handOver();
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

// The longest script a recording may be, in bytes: a longer file is refused unread.
EMSCRIPTEN_KEEPALIVE double zvMaxScriptBytes() { return double(maxScriptBytes); }

// While a recording plays: its length and a jump to any moment of it (the game as it stood
// then). Returns whether it still plays; a jump to its end ends it.
EMSCRIPTEN_KEEPALIVE double zvPlayLength() { return playing() ? double(page.player->length()) : 0; }
EMSCRIPTEN_KEEPALIVE int zvJumpTo(double ms) {
  if (playing() && !page.seeker->jumpTo(int64_t(ms))) handOver();
  if (playing()) page.jumpFrom = page.game->now();
  return playing() ? 1 : 0;
}
// A jump on its way (to a moment never played to: it plays there, a slice per wake): how far
// it has got, from 0 to 1; -1 when none is.
EMSCRIPTEN_KEEPALIVE double zvJumpProgress() {
  if (!playing() || !page.seeker->jumping()) return -1;
  const double from = double(page.jumpFrom), to = double(page.seeker->time()), at = double(page.game->now());
  return to > from ? std::clamp((at - from) / (to - from), 0.0, 1.0) : 0.0;
}
// Stops a jump on its way: the recording plays on from where it got to. Returns 1 when one was.
EMSCRIPTEN_KEEPALIVE int zvStopJump() {
  if (!playing() || !page.seeker->jumping()) return 0;
  if (!page.seeker->jumpTo(page.game->now())) handOver();
  return 1;
}

// A word for the player (the recording has filled its room), handed over once; null: none.
EMSCRIPTEN_KEEPALIVE const char* zvNotice() {
  static std::string handed;
  if (page.notice.empty()) return nullptr;
  handed = std::exchange(page.notice, std::string());
  return handed.c_str();
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
