// Text for the painter: each design face drawn from one font file, read by stb_truetype in
// every build, and captions laid out and drawn once into coverage masks that are reused.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"

struct stbtt_fontinfo;

namespace zorvane::paint {

// The file each design face is drawn from: a close face that Debian ships, and the next
// choice when that file is missing.
struct FaceFile {
  const char* face;      // design face name, as the controls name it ("Arial")
  int weight;            // of the face in the file: 400 normal, 700 bold
  const char* name;      // the file's short name on the page ("arial-400")
  const char* path;      // the Debian file
  const char* fallback;  // the alias's next choice
};
extern const std::span<const FaceFile> faceFiles;  // every face the game draws with (paint/faces.cmake)

// The faces a painter can draw with.
class Fonts {
 public:
  Fonts();
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // Takes one face's file; false when stb_truetype cannot read it.
  bool add(std::string_view face, int weight, std::vector<unsigned char> file);
  // Maps one face's file of the machine; false when it cannot be read.
  bool addFile(std::string_view face, int weight, const char* path);
  // Every face of faceFiles from the machine's files (the fallback when one is missing);
  // `warnings` gets one line for each face that could not be read.
  static void addInstalled(Fonts& fonts, std::string& warnings);
  // The machine's faces, read once for the whole program; the first call's `warnings` gets
  // one line for each face that could not be read.
  static const Fonts& installed(std::string* warnings = nullptr);
  size_t size() const { return faces.size(); }  // faces read

  // The face a design font is drawn with (same name, nearest weight; else the first face),
  // or -1 when there is none; `bold` is set when the face must be made bold.
  int pick(const Font& font, bool& bold) const;
  const stbtt_fontinfo* info(int face) const;  // face number `face` (0..size() - 1), as stb_truetype reads it

 private:
  struct Face;
  bool take(Face* f);  // keeps a face whose file stb_truetype reads; false (and gone) otherwise
  std::vector<Face*> faces;
};

// The characters of `text` that the face `font` is drawn with lacks (each drawn as "?").
std::u32string lacking(const Fonts& fonts, const Font& font, std::string_view text);

// A caption drawn at a pixel size: a box as tall as the face's line and as wide as the
// text's advance, and where the ink's coverage mask lies in it.
struct TextRun {
  int width = 0, height = 0;              // the box
  int maskX = 0, maskY = 0, maskW = 0, maskH = 0;  // the mask's place in the box
  const uint8_t* mask = nullptr;          // maskW × maskH coverages, 0..255, row by row
};

// Glyphs and captions, each drawn once and kept in fixed stores: a full store starts afresh.
// Asking again for what was drawn before allocates nothing.
class TextCache {
 public:
  explicit TextCache(const Fonts& fonts) : fonts(fonts) {}
  // The run of `text` in a design font at a pixel size; false when no face can draw it.
  bool run(const Font& font, int pixelSize, std::string_view text, TextRun& out);
  void clear();  // forgets every glyph and run drawn

 private:
  struct Glyph {
    int face = -1, size = 0;
    uint32_t codepoint = 0;
    int index = 0, x0 = 0, y0 = 0, w = 0, h = 0;
    size_t at = 0;  // its coverages in the glyph store
  };
  struct Run {
    int face = -1, size = 0;
    bool bold = false;
    std::string text;
    TextRun run;
  };
  const Glyph* glyph(int face, int size, uint32_t codepoint);
  bool make(int face, int size, bool bold, std::string_view text, TextRun& out);
  uint8_t* room(size_t bytes);  // zeroed store for a new run's mask
  void keep(int face, int size, bool bold, std::string_view text, const TextRun& r);  // a run made, into the table

  const Fonts& fonts;
  std::vector<Glyph> glyphs;   // open addressing, fixed size
  std::vector<Run> runs;
  std::vector<uint8_t> glyphStore, runStore;  // fixed capacity
  size_t glyphsUsed = 0, runsUsed = 0, glyphBytes = 0, runBytes = 0;
};

}  // namespace zorvane::paint
