#include "paint/text.h"

#include <stb/stb_truetype.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zorvane::paint {

namespace {

constexpr FaceFile faceTable[] = {
#include "paint/faces.inc"  // made from paint/faces.cmake
};

}  // namespace

const std::span<const FaceFile> faceFiles(faceTable);

namespace {

constexpr size_t glyphSlots = 4096, runSlots = 2048;   // each table is used to half its slots
constexpr size_t storeBytes = size_t(8) << 20;         // coverages kept, for glyphs and for runs
constexpr long maxFontFile = 64L << 20;

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

// The next character of UTF-8 text; a byte that does not start a whole character stands for U+FFFD.
uint32_t nextCharacter(std::string_view text, size_t& i) {
  const auto b = [&](size_t k) { return uint8_t(text[k]); };
  const uint8_t c = b(i);
  const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return ++i, 0xFFFD;
  uint32_t cp = length == 1 ? c : c & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return ++i, 0xFFFD;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  i += length;
  return cp;
}

size_t mix(uint64_t h, uint64_t v) { return size_t((h ^ v) * 0x100000001b3ull); }

}  // namespace

// A face's file: bytes of its own (handed in), or a file of the machine mapped into memory,
// whose pages are read only when a glyph needs them (start-up reads almost nothing).
struct Fonts::Face {
  std::string name;
  int weight = 400;
  std::vector<unsigned char> file;
  const unsigned char* bytes = nullptr;
  size_t size = 0;
  bool mapped = false;
  stbtt_fontinfo info{};
  ~Face() {
#ifndef _WIN32
    if (mapped) munmap(const_cast<unsigned char*>(bytes), size);
#endif
  }
};

Fonts::Fonts() = default;
Fonts::~Fonts() {
  for (Face* f : faces) delete f;
}

bool Fonts::take(Face* f) {
  const int offset = f->size >= 12 ? stbtt_GetFontOffsetForIndex(f->bytes, 0) : -1;
  if (offset < 0 || !stbtt_InitFont(&f->info, f->bytes, offset)) {
    delete f;
    return false;
  }
  faces.push_back(f);
  return true;
}

bool Fonts::add(std::string_view face, int weight, std::vector<unsigned char> file) {
  auto* f = new Face{std::string(face), weight, std::move(file)};
  f->bytes = f->file.data(), f->size = f->file.size();
  return take(f);
}

#ifdef _WIN32
namespace {

bool readFontFile(FILE* f, std::vector<unsigned char>& bytes) {
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = size > 0 && size <= maxFontFile && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(size_t(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  std::fclose(f);
  return ok;
}

}  // namespace

bool Fonts::addFile(std::string_view face, int weight, const char* path) {
  std::vector<unsigned char> bytes;
  return readFontFile(std::fopen(path, "rb"), bytes) && add(face, weight, std::move(bytes));
}

// On Windows the faces travel with the program, in the folder fonts beside it, each cut to
// the characters the game draws with it: NAME.ttf for each face file.
void Fonts::addInstalled(Fonts& fonts, std::string& warnings) {
  std::wstring folder(32768, L'\0');
  folder.resize(GetModuleFileNameW(nullptr, folder.data(), DWORD(folder.size())));
  folder.resize(folder.find_last_of(L"\\/") + 1);
  for (const FaceFile& file : faceFiles) {
    std::vector<unsigned char> bytes;
    const std::string name = std::string("fonts\\") + file.name + ".ttf";
    if (readFontFile(_wfopen((folder + std::wstring(name.begin(), name.end())).c_str(), L"rb"), bytes) &&
        fonts.add(file.face, file.weight, std::move(bytes)))
      continue;
    warnings += "font " + name + " beside the program cannot be read; '" + file.face + "' is drawn with another face\n";
  }
}
#else
bool Fonts::addFile(std::string_view face, int weight, const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  void* at = MAP_FAILED;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= maxFontFile)
    at = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (at == MAP_FAILED) return false;
  auto* f = new Face{std::string(face), weight, {}};
  f->bytes = static_cast<const unsigned char*>(at), f->size = size_t(st.st_size), f->mapped = true;
  return take(f);
}

void Fonts::addInstalled(Fonts& fonts, std::string& warnings) {
  for (const FaceFile& file : faceFiles) {
    if (fonts.addFile(file.face, file.weight, file.path)) continue;
    if (fonts.addFile(file.face, file.weight, file.fallback)) {
      warnings += std::string("font ") + file.path + " cannot be read; drawing '" + file.face + "' with " + file.fallback + "\n";
      continue;
    }
    warnings += std::string("font ") + file.path + " cannot be read; '" + file.face + "' is drawn with another face\n";
  }
}
#endif

const Fonts& Fonts::installed(std::string* warnings) {
  static const Fonts* fonts = [&] {
    auto* f = new Fonts;  // kept to the end of the program
    std::string said;
    addInstalled(*f, said);
    if (warnings) *warnings = said;
    return f;
  }();
  return *fonts;
}

int Fonts::pick(const Font& font, bool& bold) const {
  int best = -1;
  const std::string_view asked = font.face ? font.face : "";
  for (size_t i = 0; i < faces.size(); ++i)
    if (sameName(faces[i]->name, asked) &&
        (best < 0 || std::abs(faces[i]->weight - font.weight) < std::abs(faces[best]->weight - font.weight)))
      best = int(i);
  if (best < 0 && !faces.empty()) best = 0;
  bold = best >= 0 && font.weight >= 600 && faces[best]->weight < 600;
  return best;
}

const stbtt_fontinfo* Fonts::info(int face) const { return &faces[size_t(face)]->info; }

void TextCache::clear() {
  for (Glyph& g : glyphs) g.face = -1;
  for (Run& r : runs) r.face = -1;
  glyphsUsed = runsUsed = glyphBytes = runBytes = 0;
}

const TextCache::Glyph* TextCache::glyph(int face, int size, uint32_t codepoint) {
  size_t at = mix(mix(mix(0xcbf29ce484222325ull, uint64_t(face)), uint64_t(size)), codepoint) % glyphSlots;
  for (;; at = (at + 1) % glyphSlots) {
    const Glyph& g = glyphs[at];
    if (g.face < 0) break;
    if (g.face == face && g.size == size && g.codepoint == codepoint) return &g;
  }
  const stbtt_fontinfo* info = fonts.info(face);
  const float scale = stbtt_ScaleForMappingEmToPixels(info, float(size));
  Glyph g;
  g.face = face, g.size = size, g.codepoint = codepoint;
  g.index = stbtt_FindGlyphIndex(info, int(codepoint));
  if (g.index == 0 && codepoint != ' ') g.index = stbtt_FindGlyphIndex(info, '?');  // a character the face lacks
  int x1 = 0, y1 = 0;
  stbtt_GetGlyphBitmapBox(info, g.index, scale, scale, &g.x0, &g.y0, &x1, &y1);
  g.w = std::max(0, x1 - g.x0), g.h = std::max(0, y1 - g.y0);
  const size_t bytes = size_t(g.w) * size_t(g.h);
  if (bytes > storeBytes) g.w = g.h = 0;
  if (2 * (glyphsUsed + 1) > glyphSlots || glyphBytes + size_t(g.w) * g.h > storeBytes) {
    for (Glyph& old : glyphs) old.face = -1;  // full: start afresh
    glyphsUsed = glyphBytes = 0;
    at = mix(mix(mix(0xcbf29ce484222325ull, uint64_t(face)), uint64_t(size)), codepoint) % glyphSlots;
  }
  while (glyphs[at].face >= 0) at = (at + 1) % glyphSlots;
  g.at = glyphBytes;
  glyphBytes += size_t(g.w) * g.h;
  glyphStore.resize(std::max(glyphStore.size(), glyphBytes));
  if (g.w > 0) stbtt_MakeGlyphBitmap(info, glyphStore.data() + g.at, g.w, g.h, g.w, scale, scale, g.index);
  ++glyphsUsed;
  glyphs[at] = g;
  return &glyphs[at];
}

bool TextCache::run(const Font& font, int pixelSize, std::string_view text, TextRun& out) {
  bool bold = false;
  const int face = fonts.pick(font, bold);
  if (face < 0) return false;
  if (glyphs.empty()) {  // made once, at the first caption: later frames allocate nothing
    glyphs.resize(glyphSlots);
    runs.resize(runSlots);
    glyphStore.reserve(storeBytes);
    runStore.reserve(storeBytes);
  }
  const size_t home = mix(mix(std::hash<std::string_view>()(text), uint64_t(face) << 1 | bold), uint64_t(pixelSize)) % runSlots;
  for (size_t at = home;; at = (at + 1) % runSlots) {
    const Run& r = runs[at];
    if (r.face < 0) break;
    if (r.face == face && r.size == pixelSize && r.bold == bold && r.text == text) return out = r.run, true;
  }
  return make(face, pixelSize, bold, text, out);
}

namespace {

// A bold face drawn from a normal file: each pixel of a mask takes the most ink of the
// `thicken` pixels to its left.
void thickenRows(uint8_t* mask, int width, int height, int thicken) {
  for (int y = 0; thicken && y < height; ++y) {
    uint8_t* row = mask + size_t(y) * size_t(width);
    for (int x = width - 1; x > 0; --x)
      for (int k = 1; k <= thicken && k <= x; ++k) row[x] = std::max(row[x], row[x - k]);
  }
}

}  // namespace

// Lays the caption out on whole pixels (each advance and kerning rounded, as hinted text
// is), then adds each glyph's coverage into the run's mask. A bold design face drawn from
// a normal file is thickened: each pixel takes the most ink of the pixels to its left.
bool TextCache::make(int face, int size, bool bold, std::string_view text, TextRun& out) {
  const stbtt_fontinfo* info = fonts.info(face);
  const float scale = stbtt_ScaleForMappingEmToPixels(info, float(size));
  int ascender = 0, descender = 0, gap = 0;
  stbtt_GetFontVMetrics(info, &ascender, &descender, &gap);
  const int ascent = int(std::ceil(float(ascender) * scale));
  TextRun r;
  r.height = int(std::ceil(float(ascender - descender) * scale));
  const int thicken = bold ? std::max(1, size / 10) : 0, wider = bold ? std::max(1, size / 16) : 0;

  // Every character's glyph at its pen position, for both passes below alike.
  auto walk = [&](auto&& at) {
    int pen = 0, previous = -1;
    for (size_t i = 0; i < text.size() && pen <= 1000000;) {  // (far wider than any screen: the rest is cut)
      const uint32_t cp = nextCharacter(text, i);
      int index = stbtt_FindGlyphIndex(info, int(cp));
      if (index == 0 && cp != ' ') index = stbtt_FindGlyphIndex(info, '?');  // a character the face lacks
      if (previous >= 0) pen += int(std::nearbyint(float(stbtt_GetGlyphKernAdvance(info, previous, index)) * scale));
      at(cp, index, pen);
      int advance = 0, bearing = 0;
      stbtt_GetGlyphHMetrics(info, index, &advance, &bearing);
      const float step = float(advance) * scale;
      pen += int(bold ? std::ceil(step) : std::nearbyint(step));
      previous = index;
    }
    return pen;
  };
  int left = 0, top = 0, right = 0, bottom = 0;
  bool ink = false;
  const int pen = walk([&](uint32_t, int index, int x) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBox(info, index, scale, scale, &x0, &y0, &x1, &y1);
    if (x1 <= x0 || y1 <= y0) return;
    const int l = x + x0, t = ascent + y0, rr = x + x1 + thicken, b = ascent + y1;
    left = ink ? std::min(left, l) : l, top = ink ? std::min(top, t) : t;
    right = ink ? std::max(right, rr) : rr, bottom = ink ? std::max(bottom, b) : b;
    ink = true;
  });
  r.width = std::max(pen + wider, 0);
  if (ink) r.maskX = left, r.maskY = top, r.maskW = right - left, r.maskH = bottom - top;
  const size_t bytes = size_t(r.maskW) * size_t(r.maskH);
  if (bytes > storeBytes) return false;
  uint8_t* mask = room(bytes);
  if (ink)
    walk([&](uint32_t cp, int, int x) {
      const Glyph* g = glyph(face, size, cp);
      const uint8_t* from = glyphStore.data() + g->at;
      const int gx = x + g->x0 - r.maskX, gy = ascent + g->y0 - r.maskY;
      for (int y = 0; y < g->h; ++y) {
        uint8_t* row = mask + size_t(gy + y) * r.maskW + gx;
        for (int k = 0; k < g->w; ++k) row[k] = uint8_t(std::min(255, row[k] + from[size_t(y) * g->w + k]));
      }
    });
  thickenRows(mask, r.maskW, r.maskH, thicken);
  r.mask = mask;
  keep(face, size, bold, text, r);
  out = r;
  return true;
}

// Zeroed bytes of the run store for a new mask; a full store (or table) starts afresh.
uint8_t* TextCache::room(size_t bytes) {
  if (2 * (runsUsed + 1) > runSlots || runBytes + bytes > storeBytes) {
    for (Run& old : runs) old.face = -1;
    runsUsed = runBytes = 0;
  }
  const size_t at = runBytes;
  runBytes += bytes;
  runStore.resize(std::max(runStore.size(), runBytes));
  uint8_t* mask = runStore.data() + at;
  std::memset(mask, 0, bytes);
  return mask;
}

// A run made, kept in the table for the next look-up of the same caption.
void TextCache::keep(int face, int size, bool bold, std::string_view text, const TextRun& r) {
  size_t slot = mix(mix(std::hash<std::string_view>()(text), uint64_t(face) << 1 | bold), uint64_t(size)) % runSlots;
  while (runs[slot].face >= 0) slot = (slot + 1) % runSlots;
  Run& kept = runs[slot];
  kept.face = face, kept.size = size, kept.bold = bold;
  kept.text.assign(text);
  kept.run = r;
  ++runsUsed;
}

std::u32string lacking(const Fonts& fonts, const Font& font, std::string_view text) {
  bool bold = false;
  const int face = fonts.pick(font, bold);
  std::u32string lacked;
  for (size_t i = 0; i < text.size();) {
    const uint32_t cp = nextCharacter(text, i);
    if (face < 0 || (cp != ' ' && stbtt_FindGlyphIndex(fonts.info(face), int(cp)) == 0)) lacked += char32_t(cp);
  }
  return lacked;
}

}  // namespace zorvane::paint
