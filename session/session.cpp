#include "session/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "drive/player.h"
#include "drive/seek.h"
#include "game/form1.h"
#include "platform/keys.h"

namespace zorvane {

namespace {
constexpr const char* fullNotice =
    "This game has filled the 64 MiB a recording may hold: the recording ends here, and what you play from now on is not recorded.";

// A score as a verdict and a file's name show it: six digits at least.
std::string padded(int64_t score) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%06lld", static_cast<long long>(score));
  return digits;
}
}  // namespace

int64_t Session::WatchClock::target(double wall) const {
  return paused ? base : base + std::max<int64_t>(0, int64_t(std::floor((wall - wallBase) * speed)));
}

double Session::WatchClock::wallAt(int64_t t) const { return paused ? -1.0 : wallBase + double(t - base) / speed; }

void Session::PlayerInput::keyDown(int16_t key) {
  if (!s->watching() && !s->editing()) s->game->keyDown(keys::forGame(key));
}
void Session::PlayerInput::keyUp(int16_t key) {
  if (!s->watching() && !s->editing()) s->game->keyUp(keys::forGame(key));
}
bool Session::PlayerInput::click(std::string_view button) {
  // A layout tried ends with its game: Game Over comes back to the editor.
  if (s->trial() && button == buttons::gameover && s->game->form().fields().gameover.Visible)
    return s->backToEditor(), true;
  return !s->watching() && !s->editing() && s->game->click(button);
}

Session::Session(const paint::Fonts& f, SessionOptions o) : fonts(f), options(std::move(o)), painter(fonts) {
  playerInput.s = this;
  // Never more than a script may hold, and nothing after the closing lines once it is full.
  if (options.record)
    options.record = [this, sink = std::move(options.record)](std::string_view lines) {
      if (full || recorded + lines.size() > options.recordingRoom || !sink(lines)) return false;
      recorded += lines.size();
      return true;
    };
  newGame(false);
}

Session::~Session() = default;

void Session::newGame(bool seeded) {
  seeker.reset();  // it holds the player and the game
  playback.reset();
  DriverOptions driverOptions;
  driverOptions.traceSink = options.trace;
  if (seeded) driverOptions.seeds = options.seeds;
  game = std::make_unique<Driver>(std::move(driverOptions));
  if (options.cues) game->cuesTo(options.cues);
  recorder.reset();
  watched.reset();
  recorded = 0;
  full = false;
  mouse = PointerSteering{};
  spoken = {};
  painter.invalidate();
}

void Session::record() {
  if (!options.record || full) return;
  if (recorded + closingRoom > options.recordingRoom) {  // a recording watched filled it already
    full = true;
    told = fullNotice;
    return;
  }
  recorder = std::make_unique<Recorder>(options.record, options.heading);
  game->setRecorder(recorder.get());
}

void Session::start(double wall, int64_t seed, SharedLayouts layouts, std::string from) {
  if (!trying) editorShown.reset();
  newGame(seed < 0);
  record();
  layoutsFrom = layouts ? std::move(from) : std::string();
  if (layouts) game->useLayouts(std::move(layouts));
  if (seed >= 0)
    game->load(uint64_t(seed), {});
  else
    game->start();
  origin = wallNow = wall;
  verdictText.clear();
}

void Session::watch(Script script, std::string recordingName, double wall, double speed) {
  editorShown.reset();
  trying = false;
  newGame(true);
  auto shared = std::make_shared<const Script>(std::move(script));
  if (options.record && options.startLater)
    watched = shared;
  else if (options.record)
    writeGameLines(*shared, options.record);
  recorded = std::max(recorded, shared->gameBytes);  // the start counts as the lines it was read from
  layoutsFrom = shared->layouts.empty() ? std::string() : shownName(recordingName);
  name = std::move(recordingName);
  checked = !shared->expectations.empty();
  firstMiss.reset();
  verdictText.clear();
  playback = std::make_unique<ScriptPlayer>(std::move(shared));
  playback->limit(options.slice);
  playback->start(*game);
  seeker = std::make_unique<Seeker>(*game, *playback);
  clock = WatchClock{0, wall, std::clamp(speed, slowest, fastest), false};
  wallNow = wall;
  if (!playback->playing()) handOver();
}

void Session::resume(Script script, double wall) {
  watch(std::move(script), "", wall);
  if (!watching()) return;
  seeker = std::make_unique<Seeker>(*game, *playback, 2);  // two: kept ever further apart, about log2(length / 10 s) in all
  jumpTo(length());
}

void Session::edit(Layouts layouts, std::string fileName, std::string_view fileText, bool inFile) {
  newGame(false);
  trying = false;
  layoutsFrom.clear();
  editorShown = std::make_unique<EditorScreen>(layouts, shownName(fileName), fileText);
  if (!inFile) editorShown->editor.unsaved();
}

const View& Session::view() const { return editing() ? static_cast<const View&>(*editorShown) : game->view(); }

// "Try it": the layout edited, alone, in a fresh game at once.
void Session::ask(EditorAsks what) {
  EditorScreen& e = *editorShown;
  switch (what) {
    case EditorAsks::Nothing: break;
    case EditorAsks::Try: {
      const Editor& m = e.editor;
      trying = true;
      auto one = std::make_shared<Layouts>();
      one->push_back(m.layout(m.current()));
      start(wallNow, -1, std::move(one), e.name() + ", layout " + std::to_string(m.current() + 1));
      break;
    }
    case EditorAsks::Save:
    case EditorAsks::SaveOver:
    case EditorAsks::SaveBeside: {
      const SaveHow how = what == EditorAsks::Save ? SaveHow::Checked : what == EditorAsks::SaveOver ? SaveHow::Over : SaveHow::Beside;
      const SaveOutcome done = options.save ? options.save(e.editor.text(), how) : SaveOutcome{.why = "nowhere to save to"};
      if (done.changed) {
        e.changedOnDisk();
      } else if (done.saved) {
        e.editor.saved();
        if (!done.to.empty()) e.savedAs(done.to);
        e.message = "Saved to " + e.name();
      } else {
        e.message = "Not saved: " + done.why;
      }
      break;
    }
    case EditorAsks::Leave:
      editorShown.reset();
      if (options.leave) options.leave();
      break;
  }
}

void Session::backToEditor() {
  if (!trial()) return;
  newGame(false);
  trying = false;
  layoutsFrom.clear();
  pressed.clear();
  pressedInside = pointerHeld = pointerLive = false;
}

void Session::editorClick(std::string_view button) {
  if (editing()) ask(editorShown->click(button));
}

bool Session::mayLeave() {
  if (!editorShown) return true;
  if (trying) backToEditor();
  return editorShown->leave() == EditorAsks::Leave;
}

void Session::handOver() {
  firstMiss = playback->miss();
  verdictText = firstMiss ? "Not verified: " + describe(*firstMiss) : checked ? "Verified: score " + padded(score()) : "";
  seeker.reset();
  playback.reset();
  origin = wallNow - double(game->now());
  ended = true;
  record();
}

bool Session::watching() const { return playback && playback->playing(); }

void Session::advance(double wall) {
  keepRoom();
  wallNow = wall;
  if (editing()) return;
  if (watching() && !seeker->playTo(clock.target(wall))) handOver();
  if (!watching()) game->step(std::max<int64_t>(0, int64_t(std::floor(wall - origin))));
  steer();
}

void Session::keyDown(int16_t key, bool repeat) {
  keepRoom();
  if (editing()) return ask(editorShown->keyDown(key));
  if (key == keys::S && !repeat) asked = Spoken::score(game->form());
  if (trial() && key == keys::Escape) return backToEditor();
  if (!watching()) {
    if (std::find(held.begin(), held.end(), key) == held.end()) held.push_back(key);
    game->keyDown(keys::forGame(key));
  } else if (key == keys::Space) {
    if (!repeat) pause();
  } else if (key == keys::Up || key == keys::Down) {
    faster(key == keys::Up);
  } else if (key == keys::Left || key == keys::Right) {
    jumpBy(key == keys::Left ? -jumpLength : jumpLength);
  } else if (key == keys::Escape) {
    stopJump();
  }
  steer();
}

void Session::keyUp(int16_t key) {
  keepRoom();
  if (editing()) return editorShown->keyUp(key);
  held.erase(std::remove(held.begin(), held.end(), key), held.end());
  if (!watching()) game->keyUp(keys::forGame(key));
  steer();
}

// Keys let go while the window had not the focus never reach it: each held key is let go
// here instead (the game's own keys, as a key-up each), and so are the gamepads' (a pad's
// next change counts afresh); the pointer steers no more.
void Session::letGo() {
  for (const int16_t key : std::exchange(held, {})) keyUp(key);
  gamepads.letGo();
  pointerCancelled();
}

std::string Session::buttonAt(double x, double y) const {
  if (placement.scale <= 0) return {};
  return paint::buttonAt(view(), placement, int(std::floor(x)), int(std::floor(y)));
}

float Session::units(double x) const {
  return placement.scale > 0 ? static_cast<float>((x - placement.x) / placement.scale * paint::unitsPerPixel) : 0.0f;
}

float Session::unitsDown(double y) const {
  return placement.scale > 0 ? static_cast<float>((y - placement.y) / placement.scale * paint::unitsPerPixel) : 0.0f;
}

void Session::pointerDown(double x, double y, bool other) {
  keepRoom();
  if (watching()) return;
  pressed = other ? std::string() : buttonAt(x, y);
  pressedInside = !pressed.empty();
  if (editing() && pressed.empty()) return editorShown->pointerDown(units(x), unitsDown(y), other);
  if (options.steering == Steering::Held && pressed.empty()) pointerHeld = pointerLive = true, pointerX = units(x);
  steer();
}

void Session::pointerMoved(double x, double y) {
  keepRoom();
  if (!pressed.empty()) pressedInside = buttonAt(x, y) == pressed;
  if (editing()) return editorShown->pointerMoved(units(x), unitsDown(y));
  pointerLive = options.steering == Steering::Hover || pointerHeld;
  pointerX = units(x);
  steer();
}

void Session::pointerUp(double x, double y) {
  keepRoom();
  if (editing()) editorShown->pointerUp();
  pointerHeld = pointerLive = false;
  steer();
  if (pressed.empty()) return;
  // The click may unload and show the window again: keep no control across it.
  const std::string button = std::exchange(pressed, std::string());
  pressedInside = false;
  if (buttonAt(x, y) != button) return steer();
  if (editing()) return ask(editorShown->click(button));
  playerInput.click(button);
  steer();
}

void Session::pointerLeft() {
  pointerLive = false;
  steer();
}

void Session::pointerCancelled() {
  if (editing()) editorShown->pointerUp();
  pointerHeld = false;
  pressed.clear();
  pressedInside = false;
  pointerLeft();
}

// The pointer is read afresh each time, so a paused game resumes from where it is now, the
// paddle moving there at its own speed, and a new ball on the paddle is steered (and served)
// at once by a pointer held down or hovering.
void Session::steer() {
  if (options.steering == Steering::None || editing()) return;
  mouse.steer(!watching() && pointerLive, pointerX, game->paddle(), *game);
}

void Session::stoodStill(double ms) {
  if (watching()) clock.wallBase += ms;
}

void Session::rebase() {
  clock.base = seeker->time();
  clock.wallBase = wallNow;
}

void Session::pause() {
  if (!watching()) return;
  rebase();
  clock.paused = !clock.paused;
}

void Session::faster(bool up) {
  if (!watching()) return;
  rebase();
  clock.speed = std::clamp(clock.speed * (up ? 2 : 0.5), slowest, fastest);
}

bool Session::jumpTo(int64_t t) {
  if (!watching()) return false;
  if (!seeker->jumpTo(std::max<int64_t>(0, t))) {
    handOver();
    return false;
  }
  jumpFrom = game->now();
  rebase();
  return true;
}

double Session::jumpProgress() const {
  if (!watching() || !seeker->jumping()) return -1;
  const double from = double(jumpFrom), to = double(seeker->time()), at = double(game->now());
  return to > from ? std::clamp((at - from) / (to - from), 0.0, 1.0) : 0.0;
}

bool Session::stopJump() {
  if (!watching() || !seeker->jumping()) return false;
  jumpTo(game->now());
  return true;
}

const std::vector<paint::Rect>& Session::paint(const paint::Target& target, int64_t budget) {
  if (editing()) editorShown->fit(target.width, target.height, cssScale, fingers);
  const View& shown = view();
  painter.limit(budget);
  placement = paint::fitToTarget(shown, target.width, target.height);
  return painter.draw(shown, placement, target, pressedInside ? std::string_view(pressed) : std::string_view());
}

std::string Session::title() const {
  if (editing())
    return std::string(editorShown->title()) + ": " + editorShown->name() + " \u2014 " + editorShown->summary() +
           (editorShown->editor.changed() ? " (unsaved)" : "") +
           (editorShown->message.empty() ? "" : " \u2014 " + editorShown->message);
  if (trial()) return std::string(game->view().title()) + " \u2014 trying " + layoutsFrom + " (Esc: back to the editor)";
  std::string t(game->view().title());
  if (!watching()) return layoutsFrom.empty() ? t : t + " \u2014 your own layouts from " + layoutsFrom;
  char speed[16], jump[16];
  std::snprintf(speed, sizeof speed, "%g", clock.speed);
  std::snprintf(jump, sizeof jump, "%g s", double(jumpLength) / 1000);
  return t + (clock.paused ? " \u2014 recording paused" : " \u2014 playing a recording at " + std::string(speed) + "\u00d7") +
         " (Space: " + (clock.paused ? "play on" : "pause") + ", Left/Right: " + jump + " back/on, Up/Down: faster/slower)";
}

// A far jump plays its way there over many calls: how far it has got, and that Esc stops it.
std::string Session::status() const {
  if (editing()) return editorShown->message;
  if (!watching()) return {};
  const double progress = jumpProgress();
  if (progress < 0) return "Playing the recording " + name;
  return "Playing the recording " + name + " \u2014 jumping: " + std::to_string(int(std::floor(progress * 100))) +
         "% (Esc stops)";
}

double Session::nextWake(double wall) const {
  if (editing()) return -1;
  if (watching()) return seeker->jumping() ? wall : clock.wallAt(playback->nextTime(*game));
  const int64_t due = game->nextDue();
  return due < 0 ? -1.0 : origin + double(due);
}

int64_t Session::position() const { return watching() ? seeker->time() : game->now(); }
int64_t Session::length() const { return watching() ? playback->length() : 0; }
int64_t Session::now() const { return game->now(); }
int64_t Session::score() const { return gameValue(game->form(), ExpectKey::currentScore); }
bool Session::handedOver() { return std::exchange(ended, false); }

void Session::close() { game->close(); }

bool Session::writeStart(const std::function<bool(std::string_view)>& out) const {
  return !watched || writeGameLines(*watched, out);
}

void Session::keepRoom() {
  if (full || !recorder || watching() || recorded + closingRoom <= options.recordingRoom) return;
  close();
  full = true;
  told = fullNotice;
}

std::string Session::notice() { return std::exchange(told, std::string()); }

std::string Session::said() { return std::exchange(asked, std::string()); }

std::string Session::news() {
  const int mode = editing() ? 1 : trial() ? 2 : 0;
  if (mode != toldMode) {
    const int was = std::exchange(toldMode, mode);
    spoken = {};  // the game's news starts afresh
    toldEditor = mode == 1 ? editorShown->spoken() : "";
    if (mode == 1) return (was == 2 ? "Back in the editor. " : "Layout editor. ") + toldEditor;
    if (mode == 2) return "Trying the layout: Esc, or Back to the editor, comes back.";
  }
  if (mode == 1) {
    std::string now = editorShown->spoken();
    return now == toldEditor ? std::string() : toldEditor = std::move(now);
  }
  std::string news = spoken.news(game->form());
  return watching() && clock.speed > 1 ? std::string() : news;
}

std::string Session::summary() const { return editing() ? editorShown->spoken() : Spoken::summary(game->form()); }

std::string Session::fileName(std::string_view date) const {
  if (editing()) return "zorvane-layouts-" + std::string(date) + ".layouts";
  return "zorvane-" + std::string(date) + "-score-" + padded(score()) + ".zrec";
}

}  // namespace zorvane
