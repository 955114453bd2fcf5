// The brick field: a brick label for each cell of the grid tiling the playfield, a layout laid onto them, and
// each brick's colour and caption from its cell code.
#include "game/form1.h"

namespace zorvane {
namespace {

// One-hit codes 1..27; multi-hit codes take the colour of one of them by code mod 7.
constexpr Color oneHitColors[brickCodes::oneHitLast + 1] = {
    0,
    RGB(255, 0, 0),     RGB(255, 127, 0),   RGB(255, 255, 0),   RGB(127, 255, 0),
    RGB(0, 255, 0),     RGB(0, 255, 127),   RGB(0, 255, 255),   RGB(0, 127, 255),
    RGB(0, 0, 255),     RGB(127, 0, 255),   RGB(255, 0, 255),   RGB(255, 0, 127),
    RGB(255, 255, 255), RGB(255, 255, 127), RGB(255, 127, 255), RGB(255, 127, 127),
    RGB(127, 255, 255), RGB(127, 255, 127), RGB(127, 127, 255), RGB(127, 127, 127),
    RGB(0, 0, 0),       RGB(127, 127, 0),   RGB(127, 0, 0),     RGB(127, 0, 127),
    RGB(0, 0, 127),     RGB(0, 127, 127),   RGB(0, 127, 0)};
constexpr int multiHitShade[7] = {1, 3, 5, 7, 9, 11, 20};

// The code held in cell x (1..gridColumns) of a row text: its two digits as a number.
int16_t cellCode(std::string_view row, int x) {
  const size_t at = static_cast<size_t>(2 * x - 2);
  if (row.size() < at + 2) return 0;
  const char hi = row[at], lo = row[at + 1];
  if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return 0;
  return static_cast<int16_t>((hi - '0') * 10 + (lo - '0'));
}

}  // namespace

bool brickColor(int c, Color& color) {
  using namespace brickCodes;
  if (c >= oneHitFirst && c <= oneHitLast) color = oneHitColors[c];
  else if (c >= multiHitFirst && c <= multiHitLast) color = oneHitColors[multiHitShade[c % 7]];
  else if (c >= 77 && c <= 79) color = RGB(0, 0, 255);
  else if (c >= 80 && c <= 82) color = RGB(255, 255, 0);
  else if (c >= 83 && c <= 85) color = RGB(0, 255, 0);
  else if (c >= 86 && c <= 88) color = RGB(255, 0, 255);
  else if (c >= 89 && c <= 90) color = RGB(255, 0, 0);
  else if (c >= 91 && c <= unbreakable) color = RGB(255, 255, 255);
  else return false;
  return true;
}

const char* brickCaption(int c) {
  using namespace brickCodes;
  static constexpr const char* digits[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
  if (c >= multiHitFirst && c <= multiHitLast) return digits[c / 7 - 3];
  if (c >= specialFirst && c <= specialLast) return "?";
  if (c == unbreakable) return "!";
  return "1";
}

// Fixes the cell size and creates the brick objects, one per cell.
void Form1::loadbricks() {
  brickWidth = board.Width / gridColumns;
  brickHeight = board.Height / gridRows;
  int i = 0;
  for (int r = 0; r < gridRows; ++r) {
    for (int c = 0; c < gridColumns; ++c) {
      i = i + 1;
      Load(brick, i);
      Label& b = brick(i);
      b.Width = brickWidth;
      b.Height = brickHeight;
      b.Left = c * brickWidth + board.Left;
      b.Top = r * brickHeight + board.Top;
      ZOrder(b, 0);
      b.Visible = true;
    }
  }
}

void Form1::layOut(SharedLayouts layouts) {
  ownLayouts = std::move(layouts);
  fillLevelRows();
  layoutIndex = 1;
  grid();
}

// Lays out layout layoutIndex afresh and counts the bricks to clear.
void Form1::grid() {
  int i = 0;
  bricksLeft = 0;
  bricksAtStart = 0;
  const bool known = layoutIndex >= 0 && layoutIndex < static_cast<int>(levelRows.size());
  for (int y = 1; y <= gridRows; ++y) {
    for (int x = 1; x <= gridColumns; ++x) {
      i = i + 1;
      if (y >= layoutTopRow && y < layoutTopRow + layoutRowCount)
        brickCode[x][y] = known ? cellCode(levelRows[layoutIndex][y - layoutTopRow + 1], x) : 0;
      brick(i).Visible = false;
      colorbricks(i, x, y);
    }
  }
  bricksAtStart = bricksLeft;
  numbricks.Caption = threeDigits(bricksLeft);
}

// Brings brick i into line with the code of its cell (x, y).
void Form1::colorbricks(int i, int x, int y) {
  Label& b = brick(i);
  const int c = brickCode[x][y];
  if (bricksAtStart > 0 && c == 0) {
    b.Visible = false;
    bricksLeft -= 1;
    if (bricksLeft == 0) nextlvl();
    numbricks.Caption = threeDigits(bricksLeft);
  }
  if (c > 0) {
    b.Visible = true;
    if (c != brickCodes::unbreakable && bricksAtStart == 0) bricksLeft += 1;
  }
  Color color;
  if (brickColor(c, color)) b.BackColor = color;
  b.Caption = brickCaption(c);
}

}  // namespace zorvane
