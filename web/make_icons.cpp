// The page's icons, drawn at build time by the game's icon code, as raw pixels that
// web/site.mjs writes as PNG files: node zorvane-web-icon.js SIZE FILE [maskable] (bytes R, G,
// B, A); maskable: within the safe zone that any mask leaves whole.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "paint/icon.h"

int main(int argc, char** argv) {
  const bool maskable = argc == 4 && std::string_view(argv[3]) == "maskable";
  const int size = argc == 3 || maskable ? std::atoi(argv[1]) : 0;
  if (size < 16 || size > 1024) {
    std::fprintf(stderr, "usage: zorvane-web-icon SIZE FILE [maskable] (SIZE 16 to 1024)\n");
    return 2;
  }
  std::vector<uint32_t> pixels(size_t(size) * size);
  zorvane::paint::drawIcon(zorvane::paint::Target{pixels.data(), size, size, size, zorvane::paint::rgbaBytes}, maskable);
  std::FILE* out = std::fopen(argv[2], "wb");
  const bool ok = out && std::fwrite(pixels.data(), 4, pixels.size(), out) == pixels.size();
  if (!out || std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "zorvane-web-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
