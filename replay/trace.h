// The replay trace: one JSON line of game state per handled event, bricks as a diff.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "replay/json.h"

namespace zorvane {

class Form1;
struct Control;

// Writes trace lines into a reusable buffer; remembers the bricks of the previous line so
// that a line lists only the cells that changed.
class TraceWriter {
 public:
  static constexpr int cellCount = 500;

  void line(const Form1& form, std::string_view ev);  // appends one line, ending in '\n'
  void forgetBricks() { haveCells = false; }           // the next line lists all 500 cells
  void rescanBricks() { rescan = true; }               // bricks were changed behind the game's back

  std::string_view text() const { return out.view(); }  // lines written since clear()
  size_t size() const { return out.size(); }
  void clear() { out.clear(); }

 private:
  // What the trace shows of one brick cell, packed small so that a line's scan of all 500
  // stays in cache. Captions longer than `shortText` live in `longCaptions`.
  static constexpr size_t shortText = 9;
  static constexpr uint8_t longText = 0xff;
  struct Cell {
    int32_t color = 0;
    int16_t code = 0;
    bool visible = false;
    uint8_t length = 0;        // caption length, or longText
    char text[shortText] = {};
  };

  // The text of each number written on the previous line, by its place in the line: most
  // fields keep their value from line to line, and copying beats formatting.
  struct Memo {
    uint64_t bits = 0;       // the value's bits
    uint8_t size = 0;        // sizeof the value: 4 single, 8 double, 0 nothing yet
    uint8_t length = 0;
    char text[maxNumberText];
  };
  template <class F>
  void number(F v);          // a float or double field, through the memo
  void box(const Control& c);

  void bricks(const Form1& form);
  bool sameCaption(int i, const std::string& caption) const {
    const Cell& c = cells[i];
    if (c.length == longText) return caption == longCaptions[i];
    if (caption.size() != c.length) return false;
    for (size_t k = 0; k < c.length; ++k)  // a character or two: cheaper than calling memcmp
      if (caption[k] != c.text[k]) return false;
    return true;
  }
  void keepCaption(int i, const std::string& caption);
  std::string_view caption(int i) const;

  JsonBuffer out;
  std::array<Cell, cellCount + 1> cells{};   // as of the previous line; 0 unused
  std::array<std::string, cellCount + 1> longCaptions;
  std::array<uint16_t, cellCount> changed{};  // cells differing on this line
  std::array<Memo, 48> memo{};
  size_t nextMemo = 0;
  bool haveCells = false;
  bool rescan = false;
  uint64_t editsSeen = 0;    // the form's brick edit count at the last scan
};

}  // namespace zorvane
