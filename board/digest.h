// What names a game and a board of the board of proven scores: SHA-256 over a game's text
// and over a set of layouts. Built into the page too (which names a board itself), so it
// depends on nothing but the standard library and the layouts.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "levels/layouts.h"

namespace zorvane::board {

using Digest = std::array<uint8_t, 32>;

// SHA-256 of bytes given in any number of pieces.
class Sha256 {
 public:
  Sha256();
  void add(std::string_view bytes);
  Digest finish();  // once; then the object is spent

 private:
  void block(const uint8_t* p);
  std::array<uint32_t, 8> state;
  std::array<uint8_t, 64> pending{};
  size_t held = 0;      // bytes in `pending`
  uint64_t total = 0;   // bytes added
};

std::string hex(const Digest& digest);        // lowercase, 64 digits
std::string sha256Hex(std::string_view bytes);

// The board a game of these layouts is listed on: "builtin" for none, else the SHA-256 of
// their `layout` lines ("layout" and the ten rows, single spaces), joined by '\n' in order.
std::string boardOf(const Layouts& layouts);

// A board's name as a path gives it: "builtin" or 64 lowercase hex digits.
bool isBoardName(std::string_view name);

}  // namespace zorvane::board
