// Change marks kept by the object model itself: every write through a grid cell or a
// control array member stamps it with the owner's running edit count, so an observer (the
// trace writer) need only look at what was stamped since it last looked. Marks narrow what
// is looked at; observers still compare values. Plain values: copies share nothing.
#pragma once
#include <array>
#include <cstdint>

namespace zorvane {

// A grid of whole numbers, column by row, whose writes mark their cell.
template <class T, int Columns, int Rows>
class MarkedGrid {
 public:
  using Column = std::array<T, Rows>;

  // One cell: reads as its value, and a write marks it.
  class Cell {
   public:
    Cell(MarkedGrid& g, int x, int y) : grid(g), x(x), y(y) {}
    operator T() const { return grid.values[x][y]; }
    Cell& operator=(T v) { return grid.set(x, y, v), *this; }
    Cell& operator=(const Cell& c) { return *this = T(c); }

   private:
    MarkedGrid& grid;
    int x, y;
  };
  // One column, for brickCode[x][y].
  class ColumnRef {
   public:
    ColumnRef(MarkedGrid& g, int x) : grid(g), x(x) {}
    Cell operator[](int y) { return Cell(grid, x, y); }

   private:
    MarkedGrid& grid;
    int x;
  };

  ColumnRef operator[](int x) { return ColumnRef(*this, x); }
  const Column& operator[](int x) const { return values[x]; }
  void set(int x, int y, T v) { values[x][y] = v, stamps[x][y] = ++editCount; }
  void fill(T v) {
    for (int x = 0; x < Columns; ++x)
      for (int y = 0; y < Rows; ++y) set(x, y, v);
  }
  uint64_t edits() const { return editCount; }  // writes so far
  bool editedSince(int x, int y, uint64_t seen) const { return stamps[x][y] > seen; }
  bool operator==(const MarkedGrid& o) const { return values == o.values; }  // values only

 private:
  std::array<Column, Columns> values{};
  std::array<std::array<uint64_t, Rows>, Columns> stamps{};
  uint64_t editCount = 0;
};

}  // namespace zorvane
