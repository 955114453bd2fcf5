// The replay trace: one JSON line of game state per handled event, bricks as a diff.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "levels/grid.h"
#include "trace/json.h"

namespace zorvane {

class Form1;
struct Control;
struct GameFields;

// Writes trace lines into a reusable buffer; remembers the bricks of the previous line so
// that a line lists only the cells that changed. It compares only the cells the game has
// marked (a write to a cell's code or to its brick object) since the previous line.
class TraceWriter {
 public:
  static constexpr int cellCount = gridCells;

  void line(const Form1& form, std::string_view ev);  // appends one line, ending in '\n'
  void forgetBricks() { haveCells = false; }           // the next line lists every cell

  std::string_view text() const { return out.view(); }  // lines written since clear()
  size_t size() const { return out.size(); }          // bytes of text()
  void clear() { out.clear(); }                        // after the lines were handed on

  // What the trace shows of one brick cell.
  struct Cell {
    int32_t color = 0;
    int16_t code = 0;
    bool visible = false;
    std::string caption;
  };
  // What the writer remembers of earlier lines: taken with a snapshot of the game, and given
  // back with it, the lines after a jump in time read as they did the first time.
  struct Memory {
    std::array<Cell, cellCount + 1> cells{};
    bool haveCells = false;
    uint64_t rebuildsSeen = 0, codeEditsSeen = 0, brickEditsSeen = 0;
  };
  Memory memory() const { return {cells, haveCells, rebuildsSeen, codeEditsSeen, brickEditsSeen}; }
  void recall(const Memory& m) {
    cells = m.cells;
    haveCells = m.haveCells;
    rebuildsSeen = m.rebuildsSeen;
    codeEditsSeen = m.codeEditsSeen;
    brickEditsSeen = m.brickEditsSeen;
  }

 private:

  void number(float v);      // a single-precision field, shortest text
  void number(double v);     // a double-precision field, shortest text
  void box(const Control& c);
  void reals(const GameFields& s);   // the fields of one line, in order: the real numbers,
  void shapes(const GameFields& s);  // the shapes shown,
  void words(const GameFields& s);   // the captions, buttons and timers
  void bricks(const Form1& form);

  JsonBuffer out;
  std::array<Cell, cellCount + 1> cells{};    // as of the last scan; 0 unused
  std::array<uint16_t, cellCount> changed{};  // cells differing on this line
  bool haveCells = false;
  uint64_t rebuildsSeen = 0, codeEditsSeen = 0, brickEditsSeen = 0;  // the marks at the last scan
};

}  // namespace zorvane
