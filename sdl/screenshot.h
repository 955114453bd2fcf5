// Pictures of a window drawn without a display: for the replay tool, the tests and the icon.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "paint/geometry.h"
#include "paint/text.h"
#include "platform/window.h"

namespace zorvane::sdl {

// An RGB picture, one 0xRRGGBB value per pixel, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// The picture of a view as the painter draws it onto a target of the placement's size.
Image renderPicture(const View& w, const paint::Placement& p, const paint::Fonts& fonts);
bool savePng(const Image& image, const std::string& path, std::string& error);
bool loadPng(const std::string& path, Image& image, std::string& error);

// Draws the window onto a target of the placement's size and writes it as a PNG file.
bool saveScreenshot(const View& w, const paint::Placement& p, const paint::Fonts& fonts, const std::string& pngPath,
                    std::string& error);

}  // namespace zorvane::sdl
