// Finished pictures kept as textures: captions by font, size and colour, and whole
// labels and buttons by everything their look depends on.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace zorvane::sdl {

// Everything a cached picture depends on. A caption's text leaves the box fields at 0.
struct Look {
  int kind = 0;                   // the painter's kind of object; 0 for a caption's text
  int width = 0, height = 0;      // pixels
  uint32_t fill = 0, fore = 0;    // 0xRRGGBB
  int outline = 0, alignment = 0;
  bool pressed = false;
  const char* face = "";          // a design face name (compared by its characters)
  float points = 0;
  int weight = 0, charset = 0, pixelSize = 0;
  std::string text;
  bool operator==(const Look& o) const;
};

struct Picture {
  SDL_Texture* texture = nullptr;  // null: it could not be made (asked once only)
  int w = 0, h = 0;
};

// A fixed table of looks, made once: a full table starts afresh. Lookups of captions up
// to 15 bytes allocate nothing.
class LookCache {
 public:
  explicit LookCache(size_t capacity);
  ~LookCache() { clear(); }
  LookCache(const LookCache&) = delete;
  LookCache& operator=(const LookCache&) = delete;

  const Picture* find(const Look& look) const;       // null when never stored
  const Picture& store(const Look& look, Picture p);  // takes the texture over
  void clear();                                       // destroys every texture
  size_t size() const { return used; }

 private:
  struct Slot {
    bool used = false;
    Look look;
    Picture picture;
  };
  size_t home(const Look& look) const;
  std::vector<Slot> slots;
  size_t used = 0;
};

}  // namespace zorvane::sdl
