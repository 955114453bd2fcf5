// Pictures of a window drawn without a display, and PNG files of them: for the replay tool,
// the icon, the tests and every front end. The same picture gives the same PNG bytes in
// every build.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/files.h"
#include "paint/geometry.h"
#include "paint/text.h"
#include "platform/contract.h"

namespace zorvane::image {

// An RGB picture, one 0xRRGGBB value per pixel, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// The picture of a view as the painter draws it onto a target of the placement's size.
Image renderPicture(const View& w, const paint::Placement& p, const paint::Fonts& fonts);
Image iconPicture(int size, bool maskable = false);  // the game's icon, a square picture size pixels wide (see paint/icon.h)

std::vector<uint8_t> encodePng(const Image& image);  // 8-bit RGB; empty for an empty picture
bool decodePng(const std::vector<uint8_t>& bytes, Image& image);  // false for anything but a PNG picture of sane size

bool savePng(const Image& image, const std::string& path, std::string& error, Target target = Target::Replace);  // false: `error` says why

// Draws the window onto a target of the placement's size and writes it as a PNG file.
bool saveScreenshot(const View& w, const paint::Placement& p, const paint::Fonts& fonts, const std::string& pngPath,
                    std::string& error, Target target = Target::Replace);

}  // namespace zorvane::image
