#include "editor/editor.h"

#include <utility>

#include "game/form1.h"
#include "script/script.h"

namespace zorvane {

LayoutRows emptyLayout() {
  LayoutRows rows;
  rows.fill(std::string(layoutRowDigits, '0'));
  return rows;
}

Editor::Editor(Layouts layouts) : set(std::move(layouts)) {
  if (set.empty()) set.push_back(emptyLayout());
  if (set.size() > mostLayouts) set.resize(mostLayouts);
}

int Editor::code(int x, int y) const {
  if (x < 0 || x >= columns || y < 0 || y >= layoutRowCount) return 0;
  const std::string& row = set[at][y];
  return (row[2 * x] - '0') * 10 + (row[2 * x + 1] - '0');
}

const Form1& Editor::field() const {
  if (!laidOut || laidFor != version || laidAt != at) {
    auto form = std::make_shared<Form1>();
    form->useLayouts(std::make_shared<const Layouts>(Layouts{set[at]}));
    form->fixSeed(0);
    form->Show();
    laidOut = std::move(form);
    laidFor = version;
    laidAt = at;
  }
  return *laidOut;
}

LayoutCounts Editor::counts() const {
  const GameFields& game = field().fields();
  LayoutCounts c;
  game.brick.forEach([&](int i, const Label& b) { c.laid += i > 0 && b.Visible; });
  c.toClear = game.bricksLeft;
  return c;
}

std::string Editor::text() const {
  std::string out = "# Super Zorvane! layouts: " + std::to_string(set.size()) + ", each ten rows of twenty two-digit codes\n";
  for (const LayoutRows& layout : set) out += layoutLine(layout);
  return out;
}

void Editor::step() {
  redone.clear();
  undone.push_back({set, at, version});
  if (undone.size() > mostSteps) undone.pop_front();
  version = ++lastVersion;
}

void Editor::put(int x, int y, int c) {
  if (x < 0 || x >= columns || y < 0 || y >= layoutRowCount || c < 0 || c > 99 || code(x, y) == c) return;
  if (!stroke) step(), stroke = true;
  else version = ++lastVersion;  // the same undo step, another state
  std::string& row = set[at][y];
  row[2 * x] = char('0' + c / 10);
  row[2 * x + 1] = char('0' + c % 10);
}

bool Editor::add() {
  if (set.size() >= mostLayouts) return false;
  step();
  set.insert(set.begin() + at + 1, emptyLayout());
  ++at;
  return true;
}

bool Editor::duplicate() {
  if (set.size() >= mostLayouts) return false;
  step();
  set.insert(set.begin() + at + 1, set[at]);
  ++at;
  return true;
}

void Editor::remove() {
  step();
  if (set.size() == 1) {
    set[0] = emptyLayout();
    return;
  }
  set.erase(set.begin() + at);
  if (at >= count()) at = count() - 1;
}

bool Editor::move(int by) {
  const int to = at + by;
  if (to < 0 || to >= count() || by == 0) return false;
  step();
  std::swap(set[at], set[to]);
  at = to;
  return true;
}

void Editor::go(int to) {
  if (to >= 0 && to < count()) at = to;
}

bool Editor::undo() {
  if (undone.empty()) return false;
  redone.push_back({std::move(set), at, version});
  Step& s = undone.back();
  set = std::move(s.set), at = s.at, version = s.version;
  undone.pop_back();
  stroke = false;
  return true;
}

bool Editor::redo() {
  if (redone.empty()) return false;
  undone.push_back({std::move(set), at, version});
  Step& s = redone.back();
  set = std::move(s.set), at = s.at, version = s.version;
  redone.pop_back();
  stroke = false;
  return true;
}

}  // namespace zorvane
