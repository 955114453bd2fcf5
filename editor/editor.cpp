#include "editor/editor.h"

#include <algorithm>
#include <utility>

#include "game/form1.h"
#include "script/script.h"

namespace zorvane {

namespace {

// The heading text() writes, replaced at each save rather than kept as the file's own.
constexpr std::string_view ownHeading = "# Super Zorvane! layouts: ";

bool isBlank(std::string_view line) { return line.find_first_not_of(" \t\r\n") == std::string_view::npos; }

bool isLayoutLine(std::string_view line) {
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || line.substr(start, 6) != "layout") return false;
  return start + 6 == line.size() || line[start + 6] == ' ' || line[start + 6] == '\t' || line[start + 6] == '\r' ||
         line[start + 6] == '\n';
}

}  // namespace

Editor::Editor(const Layouts& layouts, std::string_view fileText) {
  for (size_t i = 0; i < layouts.size() && i < mostLayouts; ++i)
    for (const std::string& row : layouts[i]) set += row;
  if (set.empty()) set.assign(cells, '0');
  // The lines between layout lines: each run belongs to the layout below it.
  std::string lines;
  for (size_t at = 0; at < fileText.size();) {
    const size_t end = std::min(fileText.find('\n', at), fileText.size());
    const std::string_view line = fileText.substr(at, end - at);
    at = end + 1;
    if (isLayoutLine(line)) {
      notes.push_back(std::move(lines));
      lines.clear();
    } else {
      lines.append(line).push_back('\n');
    }
  }
  tail = std::move(lines);
  // Before the first layout: the head up to the last blank line, the first layout's after it.
  if (!notes.empty()) {
    std::string& first = notes[0];
    size_t cut = 0;
    for (size_t at = 0, end; (end = first.find('\n', at)) != std::string::npos; at = end + 1)
      if (isBlank(std::string_view(first).substr(at, end - at))) cut = end + 1;
    if (cut == 0) cut = first.size();
    for (size_t at = 0, end; at < cut; at = end + 1) {
      end = first.find('\n', at);
      if (!std::string_view(first).substr(at).starts_with(ownHeading)) head.append(first, at, end + 1 - at);
    }
    first.erase(0, cut);
  }
  notes.resize(size_t(count()));
}

LayoutRows Editor::layout(int i) const {
  LayoutRows rows;
  for (int y = 0; y < layoutRowCount; ++y) rows[size_t(y)] = set.substr(size_t(i) * cells + size_t(y) * layoutRowDigits, layoutRowDigits);
  return rows;
}

Layouts Editor::layouts() const {
  Layouts all;
  for (int i = 0; i < count(); ++i) all.push_back(layout(i));
  return all;
}

int Editor::code(int x, int y) const {
  if (x < 0 || x >= columns || y < 0 || y >= layoutRowCount) return 0;
  const char* cell = &set[size_t(at) * cells + size_t(y) * layoutRowDigits + size_t(2 * x)];
  return (cell[0] - '0') * 10 + (cell[1] - '0');
}

// A game made once, and the layout laid out on it afresh after each change.
const Form1& Editor::field() const {
  if (laidOut && laidFor == version && laidAt == at) return *laidOut;
  auto one = std::make_shared<Layouts>();
  one->push_back(layout(at));
  if (!laidOut) {
    laidOut = std::make_shared<Form1>();
    laidOut->useLayouts(std::move(one));
    laidOut->fixSeed(0);
    laidOut->Show();
  } else {
    laidOut->layOut(std::move(one));
  }
  laidFor = version;
  laidAt = at;
  const GameFields& game = laidOut->fields();
  counted = LayoutCounts{0, game.bricksLeft};
  game.brick.forEach([&](int i, const Label& b) { counted.laid += i > 0 && b.Visible; });
  return *laidOut;
}

LayoutCounts Editor::counts() const {
  field();
  return counted;
}

std::string Editor::text() const {
  std::string out = std::string(ownHeading) + std::to_string(count()) + ", each ten rows of twenty two-digit codes\n" + head;
  // A blank line keeps the first layout's own lines apart from the head when read again.
  if (!notes[0].empty() && (head.empty() || !isBlank(std::string_view(head).substr(head.rfind('\n', head.size() - 2) + 1))))
    out += '\n';
  for (int i = 0; i < count(); ++i) out += notes[size_t(i)] + layoutLine(layout(i));
  return out + tail;
}

void Editor::step() {
  redone.clear();
  if (undone.size() >= mostSteps) undone.erase(undone.begin());
  undone.push_back({set, notes, at, version});
  version = ++lastVersion;
}

void Editor::put(int x, int y, int c) {
  if (x < 0 || x >= columns || y < 0 || y >= layoutRowCount || c < 0 || c > brickCodes::unbreakable || code(x, y) == c) return;
  if (!stroke) step(), stroke = true;
  else version = ++lastVersion;  // the same undo step, another state
  char* cell = &set[size_t(at) * cells + size_t(y) * layoutRowDigits + size_t(2 * x)];
  cell[0] = char('0' + c / 10);
  cell[1] = char('0' + c % 10);
}

bool Editor::add() {
  if (size_t(count()) >= mostLayouts) return false;
  step();
  set.insert(size_t(at + 1) * cells, cells, '0');
  notes.insert(notes.begin() + at + 1, std::string());
  ++at;
  return true;
}

bool Editor::duplicate() {
  if (size_t(count()) >= mostLayouts) return false;
  step();
  set.insert(size_t(at + 1) * cells, set, size_t(at) * cells, cells);
  notes.insert(notes.begin() + at + 1, std::string());  // a copy: the comments stay with the first
  ++at;
  return true;
}

void Editor::remove() {
  step();
  if (count() == 1) {
    set.assign(cells, '0');
    return;
  }
  set.erase(size_t(at) * cells, cells);
  notes.erase(notes.begin() + at);
  if (at >= count()) at = count() - 1;
}

bool Editor::move(int by) {
  const int to = at + by;
  if (to < 0 || to >= count() || by == 0) return false;
  step();
  for (size_t i = 0; i < cells; ++i) std::swap(set[size_t(at) * cells + i], set[size_t(to) * cells + i]);
  std::swap(notes[size_t(at)], notes[size_t(to)]);
  at = to;
  return true;
}

void Editor::go(int to) {
  if (to >= 0 && to < count()) at = to;
}

// The last step of `from` becomes the state, and the state the last step of `to`.
bool Editor::restore(std::vector<Step>& from, std::vector<Step>& to) {
  if (from.empty()) return false;
  to.push_back({std::move(set), std::move(notes), at, version});
  Step& s = from.back();
  set = std::move(s.set), notes = std::move(s.notes), at = s.at, version = s.version;
  from.pop_back();
  stroke = false;
  return true;
}

bool Editor::undo() { return restore(undone, redone); }
bool Editor::redo() { return restore(redone, undone); }

}  // namespace zorvane
