// Fonts for the window's text: each design face matched, with its weight, to an installed
// face through fontconfig, or taken from fixed files so that pictures never depend on what
// else is installed.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/controls.h"

typedef struct _TTF_Font TTF_Font;
typedef struct _FcConfig FcConfig;

namespace zorvane::sdl {

// A design face and the file that draws it.
struct FontFile {
  std::string face;   // design face name, as the controls name it ("Arial")
  int weight = 400;   // weight of the face in the file: 400 normal, 700 bold
  std::string path;
  long index = 0;     // face inside a collection file
};

// Opens fonts by design face, weight and character set at a pixel size, and keeps them open.
class FontBook {
 public:
  static std::unique_ptr<FontBook> system();                       // fontconfig + the game's alias file
  static std::unique_ptr<FontBook> files(std::vector<FontFile> files);  // fixed files; unknown faces use the first
  ~FontBook();
  FontBook(const FontBook&) = delete;
  FontBook& operator=(const FontBook&) = delete;

  TTF_Font* open(const Font& font, int pixelSize);  // nullptr when no face at all can be opened
  FontFile resolve(const Font& font);               // the file a design face is drawn from
  size_t fontsAsked() const { return asked.size(); }  // design fonts and sizes asked for so far

 private:
  FontBook() = default;
  FontFile match(const Font& font);                 // fontconfig's nearest face
  TTF_Font* openFile(const Font& font, int pixelSize);  // open, by the file the face resolves to
  FontFile pick(const Font& font) const;            // nearest of the fixed files
  void warnOnce(const std::string& message);

  using FaceKey = std::tuple<std::string, int, int>;  // face, weight, charset
  FcConfig* config = nullptr;                       // null: fixed files
  std::vector<FontFile> fixed;
  std::map<FaceKey, FontFile> resolved;
  std::map<std::tuple<std::string, long, int, bool>, TTF_Font*> opened;  // path, index, size, bold
  struct Asked {                                    // a design font asked for before, at a size
    std::string face;
    int weight, charset, size;
    TTF_Font* font;
  };
  std::vector<Asked> asked;                         // found again without building keys (no allocation)
  std::set<std::string> warned;
};

std::vector<FontFile> standardFontFiles();     // the Debian files the reference pictures use
std::string dataFile(const std::string& name); // a file of the game's data folder (installed or source)
int pixelSize(float points, double scale);     // 20 window units per point, 15 per pixel at scale 1

}  // namespace zorvane::sdl
