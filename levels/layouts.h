// Layouts of the player's own: each ten rows of twenty two-digit cell codes, written as the
// built-in layouts are. When a game has any, every start-up lays them out instead of the
// built-in ones, in their order, and the rotation is as long as their number.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "levels/grid.h"
#include "platform/color.h"

namespace zorvane {

constexpr size_t layoutRowDigits = 2 * gridColumns;  // two digits for each cell of a row
constexpr size_t mostLayouts = 100;  // the layout table's room

using LayoutRows = std::array<std::string, layoutRowCount>;  // one layout, top row first
using Layouts = std::vector<LayoutRows>;                     // in rotation order
using SharedLayouts = std::shared_ptr<const Layouts>;       // one set, shared by every copy of a game

// A row a layout may hold: exactly 40 decimal digits.
bool isLayoutRow(std::string_view row);

// How a brick of code c looks: its colour (false for code 0 and codes outside the tables) and
// its caption, the hits still needed, "?" for a special brick, "!" for one that stays.
bool brickColor(int c, Color& color);
const char* brickCaption(int c);
// What a hit on a brick of code c does, in a few plain words (the editor's palette says it).
const char* hitMeaning(int c);

}  // namespace zorvane
