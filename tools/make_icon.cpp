// Writes the game's icon in DIR: zorvane-SIZE.png for the usual desktop sizes, and
// zorvane.ico for the Windows programs (every size Windows asks for, each a PNG picture):
//   zorvane-make-icon DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// An icon file: its directory, one 16-byte entry per picture, then the pictures in order.
std::vector<uint8_t> iconFile(const std::vector<int>& sizes) {
  std::vector<std::vector<uint8_t>> pngs;
  for (int size : sizes) pngs.push_back(zorvane::image::encodePng(zorvane::image::iconPicture(size)));
  std::vector<uint8_t> out;
  putLittle(out, 0, 2);
  putLittle(out, 1, 2);  // an icon
  putLittle(out, uint32_t(sizes.size()), 2);
  uint32_t offset = uint32_t(6 + 16 * sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    putLittle(out, sizes[i] == 256 ? 0 : sizes[i], 1);  // width and height, 0 for 256
    putLittle(out, sizes[i] == 256 ? 0 : sizes[i], 1);
    putLittle(out, 0, 2);   // no palette
    putLittle(out, 1, 2);   // planes
    putLittle(out, 24, 2);  // bits per pixel: the pictures are RGB
    putLittle(out, uint32_t(pngs[i].size()), 4);
    putLittle(out, offset, 4);
    offset += uint32_t(pngs[i].size());
  }
  for (const auto& png : pngs) out.insert(out.end(), png.begin(), png.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvane-make-icon DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (int size : {48, 128, 256}) {
    std::string error;
    const std::string path = dir + "/zorvane" + "-" + std::to_string(size) + ".png";
    if (!zorvane::image::savePng(zorvane::image::iconPicture(size), path, error)) {
      std::fprintf(stderr, "zorvane-make-icon: %s\n", error.c_str());
      return 1;
    }
  }
  const std::vector<uint8_t> ico = iconFile({16, 24, 32, 48, 64, 256});
  const std::string path = dir + "/zorvane.ico";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  const bool ok = out && std::fwrite(ico.data(), 1, ico.size(), out) == ico.size();
  if (!out || std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "zorvane-make-icon: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
