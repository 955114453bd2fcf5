// Writes the game's icon as PNG files, zorvane-SIZE.png in DIR for the usual desktop sizes:
//   zorvane-make-icon DIR
#include <cstdio>
#include <string>

#include "image/image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zorvane-make-icon DIR\n");
    return 2;
  }
  for (int size : {48, 128, 256}) {
    std::string error;
    const std::string path = std::string(argv[1]) + "/zorvane" + "-" + std::to_string(size) + ".png";
    if (!zorvane::image::savePng(zorvane::image::iconPicture(size), path, error)) {
      std::fprintf(stderr, "zorvane-make-icon: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}
