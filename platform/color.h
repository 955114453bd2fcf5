// Colours as the window stores them: red + 256 × green + 65536 × blue.
#pragma once
#include <cstdint>

namespace zorvane {

using Color = int32_t;

// One colour value from its three components, each 0..255.
constexpr Color RGB(int red, int green, int blue) { return red + 256 * green + 65536 * blue; }
constexpr int redOf(Color c) { return c & 0xff; }
constexpr int greenOf(Color c) { return (c >> 8) & 0xff; }
constexpr int blueOf(Color c) { return (c >> 16) & 0xff; }

}  // namespace zorvane
