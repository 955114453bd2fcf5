// Virtual key codes as the window delivers them to Form_KeyDown and Form_KeyUp, and the
// names each front end knows the keys by.
#pragma once
#include <cstdint>
#include <string_view>

namespace zorvane::keys {

constexpr int16_t Unknown = 0;  // any key without a code of its own
constexpr int16_t Backspace = 8;
constexpr int16_t Tab = 9;
constexpr int16_t Enter = 13;
constexpr int16_t Shift = 16;
constexpr int16_t Control = 17;
constexpr int16_t Alt = 18;
constexpr int16_t Escape = 27;
constexpr int16_t Space = 32;
constexpr int16_t Delete = 46;  // the layout editor's alone: the game gets Unknown for it
constexpr int16_t Left = 37;
constexpr int16_t Up = 38;
constexpr int16_t Right = 39;
constexpr int16_t Down = 40;
constexpr int16_t Digit0 = 48;  // '0'..'9' are 48..57
constexpr int16_t A = 65;       // 'A'..'Z' are 65..90
constexpr int16_t D = 68, N = 78, P = 80, S = 83, T = 84, Y = 89, Z = 90;  // the letters the game and the editor take
constexpr int16_t F1 = 112;     // F1..F12 are 112..123
constexpr int16_t F2 = 113;

// The keys with a code of their own besides A..Z, 0..9 and F1..F12, by their names on the
// page (the browser's KeyboardEvent.code) and on the desktop (SDL's key names).
struct NamedKey {
  int16_t code;
  std::string_view page, desktop;
};
inline constexpr NamedKey named[] = {
    {Left, "ArrowLeft", "Left"},       {Up, "ArrowUp", "Up"},
    {Right, "ArrowRight", "Right"},    {Down, "ArrowDown", "Down"},
    {Space, "Space", "Space"},         {Enter, "Enter", "Return"},
    {Enter, "NumpadEnter", "Keypad Enter"}, {Escape, "Escape", "Escape"},
    {Backspace, "Backspace", "Backspace"},  {Tab, "Tab", "Tab"},
    {Shift, "ShiftLeft", "Left Shift"},     {Shift, "ShiftRight", "Right Shift"},
    {Control, "ControlLeft", "Left Ctrl"},  {Control, "ControlRight", "Right Ctrl"},
    {Alt, "AltLeft", "Left Alt"},           {Alt, "AltRight", "Right Alt"},
    {Delete, "Delete", "Delete"},
};

enum class Naming : uint8_t { Page, Desktop };

// The code of the key a front end names: "KeyA", "Digit0", "F1" or one of `named` on the
// page, "A", "0", "F1" or one of `named` on the desktop; Unknown for every other key.
int16_t byName(std::string_view name, Naming naming);

// The code the game gets for a key: its own for the keys above but Delete, Unknown for every
// other (whatever code a front end had for it), so that every front end gives the same.
int16_t forGame(int16_t code);

}  // namespace zorvane::keys
