// The page's icons, drawn at build time by the game's icon code and written as PNG files by
// the programs' own encoder: node zorvane-web-icon.js SIZE FILE [maskable] (maskable: within
// the safe zone that any mask leaves whole).
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "image/image.h"

int main(int argc, char** argv) {
  const bool maskable = argc == 4 && std::string_view(argv[3]) == "maskable";
  const int size = argc == 3 || maskable ? std::atoi(argv[1]) : 0;
  if (size < 16 || size > 1024) {
    std::fprintf(stderr, "usage: zorvane-web-icon SIZE FILE [maskable] (SIZE 16 to 1024)\n");
    return 2;
  }
  const std::vector<uint8_t> png = zorvane::image::encodePng(zorvane::image::iconPicture(size, maskable));
  std::FILE* out = std::fopen(argv[2], "wb");
  const bool ok = out && !png.empty() && std::fwrite(png.data(), 1, png.size(), out) == png.size();
  if (!out || std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "zorvane-web-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
