#include "sdl/looks.h"

#include <bit>
#include <cstring>
#include <functional>
#include <string_view>

namespace zorvane::sdl {

bool Look::operator==(const Look& o) const {
  return kind == o.kind && width == o.width && height == o.height && fill == o.fill && fore == o.fore &&
         outline == o.outline && alignment == o.alignment && pressed == o.pressed &&
         std::bit_cast<uint32_t>(points) == std::bit_cast<uint32_t>(o.points) &&
         weight == o.weight && charset == o.charset && pixelSize == o.pixelSize && text == o.text &&
         std::strcmp(face ? face : "", o.face ? o.face : "") == 0;
}

LookCache::LookCache(size_t capacity) : slots(capacity * 2) {}

size_t LookCache::home(const Look& k) const {
  size_t h = std::hash<std::string_view>()(k.text);
  auto mix = [&h](uint64_t v) { h = (h ^ v) * 0x100000001b3ull; };
  mix(uint64_t(k.kind) << 32 | uint32_t(k.pixelSize));
  mix(uint64_t(uint32_t(k.width)) << 32 | uint32_t(k.height));
  mix(uint64_t(k.fill) << 32 | k.fore);
  mix(uint64_t(uint32_t(k.outline)) << 32 | uint32_t(k.alignment) << 1 | k.pressed);
  mix(uint64_t(uint32_t(k.weight)) << 32 | uint32_t(k.charset));
  mix(std::bit_cast<uint32_t>(k.points));
  mix(std::hash<std::string_view>()(k.face ? k.face : ""));
  return h % slots.size();
}

const Picture* LookCache::find(const Look& look) const {
  for (size_t i = home(look);; i = (i + 1) % slots.size()) {
    const Slot& s = slots[i];
    if (!s.used) return nullptr;
    if (s.look == look) return &s.picture;
  }
}

const Picture& LookCache::store(const Look& look, Picture p) {
  if (2 * (used + 1) > slots.size()) clear();  // new looks keep coming: start afresh
  size_t i = home(look);
  while (slots[i].used) i = (i + 1) % slots.size();
  Slot& s = slots[i];
  s.used = true;
  s.look = look;
  s.picture = p;
  ++used;
  return s.picture;
}

void LookCache::clear() {
  for (Slot& s : slots) {
    if (s.used && s.picture.texture) SDL_DestroyTexture(s.picture.texture);
    s.used = false;
    s.picture = Picture{};
  }
  used = 0;
}

}  // namespace zorvane::sdl
