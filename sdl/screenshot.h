// Pictures of a window drawn without a display: for the replay tool, the tests and the icon.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"
#include "sdl/fonts.h"

namespace zorvane::sdl {

// An RGB picture, one 0xRRGGBB value per pixel, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

Image renderPicture(const View& w, double scale, FontBook& fonts);  // the client area at a scale
bool savePng(const Image& image, const std::string& path, std::string& error);
bool loadPng(const std::string& path, Image& image, std::string& error);

// Draws the window at an integer scale (1 to 16; 1 is 568 × 489 pixels for the game) with
// the installed fonts, or with the given fonts, and writes it as a PNG file.
bool saveScreenshot(const View& w, int scale, const std::string& pngPath, std::string& error);
bool saveScreenshot(const View& w, int scale, FontBook& fonts, const std::string& pngPath, std::string& error);

}  // namespace zorvane::sdl
