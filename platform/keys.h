// Virtual key codes as the window delivers them to Form_KeyDown and Form_KeyUp.
#pragma once
#include <cstdint>

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
constexpr int16_t Left = 37;
constexpr int16_t Up = 38;
constexpr int16_t Right = 39;
constexpr int16_t Down = 40;
constexpr int16_t Digit0 = 48;  // '0'..'9' are 48..57
constexpr int16_t A = 65;       // 'A'..'Z' are 65..90
constexpr int16_t P = 80;
constexpr int16_t F1 = 112;     // F1..F12 are 112..123
constexpr int16_t F2 = 113;

}  // namespace zorvane::keys
