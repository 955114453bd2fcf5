// The brick field's grid, and the codes its cells hold.
#pragma once

namespace zorvane {

// Cells (x, y): columns 1..20 from the left, rows 1..25 from the top. The brick of cell
// (x, y) is number x + 20 (y - 1), 1..500.
constexpr int gridColumns = 20;
constexpr int gridRows = 25;
constexpr int gridCells = gridColumns * gridRows;
constexpr int layoutRowCount = 10;  // rows of one layout
constexpr int layoutTopRow = 3;     // the grid row of a layout's first row: layouts fill rows 3..12

// The code of a cell says which brick stands there; 0: none.
namespace brickCodes {
constexpr int oneHitFirst = 1, oneHitLast = 27;       // gone at the first hit, each its own colour
constexpr int multiHitFirst = 28, multiHitLast = 76;  // 2 to 8 hits, its caption; a hit leaves a lower code
constexpr int specialFirst = 77, specialLast = 98;    // "?": does its trick when hit (see Form1::score)
constexpr int unbreakable = 99;                       // "!": stays, and a hit costs points
}  // namespace brickCodes

}  // namespace zorvane
