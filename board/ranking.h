// The order of one board's games kept in memory: by score (highest first), then by the order
// the store assigned (earliest first). A rank, a game at a rank, and the count, each without
// reading the games above it: a store whose database would count rows for them keeps one.
#pragma once
#include <cstdint>
#include <vector>

namespace zorvane::board {

class Ranking {
 public:
  struct Entry {
    int64_t score = 0;  // the proven score
    int64_t seq = 0;    // the order the store assigned, unique
  };
  void add(Entry e);                          // one game more (an entry already here: nothing)
  void add(std::vector<Entry> many);          // many at once, as a board reads them at its start
  bool remove(Entry e);                       // false: not here
  int64_t size() const { return count; }      // the games on the board
  int64_t rankOf(Entry e) const;              // from 1; 0 when not here
  std::vector<Entry> page(int64_t offset, int64_t limit) const;  // ranks offset+1 .. offset+limit

 private:
  std::vector<std::vector<Entry>> blocks;  // each sorted, each before the next, none empty
  int64_t count = 0;
};

}  // namespace zorvane::board
