#include "sdl/fonts.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace zorvane::sdl {
namespace {

int systemBooks = 0;  // live fontconfig books; the last one to go calls FcFini

// Characters a face must have for a character set, so that a language alone is not the
// only hint (fontconfig does not pick a CJK face from a language alone).
struct CharsetHint {
  int charset;
  const char* lang;
  FcChar32 sample[2];
};
constexpr CharsetHint charsetHints[] = {
    {128, "ja", {0x3042, 0x65E5}},     // Shift-JIS
    {129, "ko", {0xAC00, 0xD55C}},     // Hangul
    {134, "zh-cn", {0x4E2D, 0x6587}},  // GB2312
    {136, "zh-tw", {0x4E2D, 0x9AD4}},  // Big5
};

bool sameName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// Families the request names itself or through an alias bound as strongly as the name:
// a match outside them means the face is missing and something else stands in.
std::vector<std::string> namedFamilies(FcPattern* pattern) {
  std::vector<std::string> names;
  FcPatternIter it;
  if (!FcPatternFindIter(pattern, &it, FC_FAMILY)) return names;
  const int count = FcPatternIterValueCount(pattern, &it);
  for (int i = 0; i < count; ++i) {
    FcValue v;
    FcValueBinding binding;
    if (FcPatternIterGetValue(pattern, &it, i, &v, &binding) == FcResultMatch && v.type == FcTypeString &&
        binding != FcValueBindingWeak)
      names.emplace_back(reinterpret_cast<const char*>(v.u.s));
  }
  return names;
}

}  // namespace

int pixelSize(float points, double scale) {
  const double px = double(points) * 20.0 / 15.0 * scale;
  if (!(px >= 1)) return 1;
  return px > 2000 ? 2000 : int(std::nearbyint(px));
}

std::string dataFile(const std::string& name) {
  if (char* base = SDL_GetBasePath()) {
    std::filesystem::path installed = std::filesystem::path(base) / ".." / "share" / "zorvane" / name;
    SDL_free(base);
    std::error_code ec;
    if (std::filesystem::exists(installed, ec)) return installed.lexically_normal().string();
  }
  return std::string(ZORVANE_DATA_DIR) + "/" + name;
}

std::vector<FontFile> standardFontFiles() {
  const std::string liberation = "/usr/share/fonts/truetype/liberation2/";
  return {
      {"Arial", 400, liberation + "LiberationSans-Regular.ttf"},
      {"Arial", 700, liberation + "LiberationSans-Bold.ttf"},
      {"Times New Roman", 400, liberation + "LiberationSerif-Regular.ttf"},
      {"Times New Roman", 700, liberation + "LiberationSerif-Bold.ttf"},
      {"Impact", 700, "/usr/share/fonts/opentype/yanone-kaffeesatz/YanoneKaffeesatz-Bold.otf"},
      {"Lucida Handwriting", 700, "/usr/share/fonts/opentype/dancingscript/DancingScript-Bold.otf"},
      {"MS Song", 400, "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf"},
  };
}

std::unique_ptr<FontBook> FontBook::system() {
  std::unique_ptr<FontBook> book(new FontBook);
  TTF_Init();
  book->config = FcInitLoadConfigAndFonts();
  if (!book->config) {
    std::fprintf(stderr, "zorvane: fontconfig could not be set up; text uses a fixed face\n");
    book->fixed = standardFontFiles();
    return book;
  }
  ++systemBooks;
  const std::string aliases = dataFile("fonts.conf");
  std::error_code ec;  // fontconfig does not count a missing file as a failure
  if (!std::filesystem::is_regular_file(aliases, ec) ||
      !FcConfigParseAndLoad(book->config, reinterpret_cast<const FcChar8*>(aliases.c_str()), FcFalse))
    std::fprintf(stderr, "zorvane: font aliases %s not loaded; faces may differ\n", aliases.c_str());
  return book;
}

std::unique_ptr<FontBook> FontBook::files(std::vector<FontFile> files) {
  std::unique_ptr<FontBook> book(new FontBook);
  TTF_Init();
  book->fixed = std::move(files);
  return book;
}

FontBook::~FontBook() {
  for (auto& [key, font] : opened)
    if (font) TTF_CloseFont(font);
  TTF_Quit();
  if (config) {
    FcConfigDestroy(config);
    if (--systemBooks == 0) FcFini();
  }
}

void FontBook::warnOnce(const std::string& message) {
  if (warned.insert(message).second) std::fprintf(stderr, "zorvane: %s\n", message.c_str());
}

FontFile FontBook::pick(const Font& font) const {
  const FontFile* best = nullptr;
  for (const FontFile& f : fixed)
    if (sameName(f.face.c_str(), font.face) &&
        (!best || std::abs(f.weight - font.weight) < std::abs(best->weight - font.weight)))
      best = &f;
  if (best) return *best;
  if (!fixed.empty()) return fixed.front();
  return {};
}

FontFile FontBook::match(const Font& font) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(font.face));
  if (!pattern) return {};
  FcPatternDel(pattern, FC_WEIGHT);
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(font.weight));
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  for (const CharsetHint& hint : charsetHints) {
    if (hint.charset != font.charset) continue;
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>(hint.lang));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
    FcCharSet* chars = FcCharSetCreate();
    for (FcChar32 c : hint.sample) FcCharSetAddChar(chars, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, chars);
    FcCharSetDestroy(chars);
  }
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  const std::vector<std::string> named = namedFamilies(pattern);

  FontFile file;
  file.face = font.face;
  FcResult result;
  FcPattern* found = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!found) return {};
  FcChar8* path = nullptr;
  int index = 0, weight = FC_WEIGHT_REGULAR;
  FcBool embolden = FcFalse;
  if (FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch) file.path = reinterpret_cast<char*>(path);
  if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch) file.index = index;
  FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
  file.weight = weight >= FC_WEIGHT_DEMIBOLD ? 700 : 400;
  if (FcPatternGetBool(found, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden) file.weight = 400;

  bool stands = false;
  std::string family;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (i == 0) family = reinterpret_cast<char*>(name);
    for (const std::string& n : named) stands = stands || sameName(n.c_str(), reinterpret_cast<char*>(name));
  }
  FcPatternDestroy(found);
  if (!stands)
    warnOnce("font '" + std::string(font.face) + "' is not installed; drawing it with '" + family + "'");
  return file;
}

FontFile FontBook::resolve(const Font& font) {
  const FaceKey key{font.face ? font.face : "", font.weight, font.charset};
  auto it = resolved.find(key);
  if (it != resolved.end()) return it->second;
  Font named = font;
  if (!named.face) named.face = "";
  FontFile file = config ? match(named) : pick(named);
  return resolved[key] = file;
}

TTF_Font* FontBook::open(const Font& font, int pixelSize) {
  const FontFile file = resolve(font);
  const bool bold = font.weight >= 600 && file.weight < 600;
  const auto key = std::make_tuple(file.path, file.index, pixelSize, bold);
  auto it = opened.find(key);
  if (it != opened.end()) return it->second;

  SDL_ClearError();  // so that a failure reports its own cause, not an older one
  TTF_Font* ttf = file.path.empty() ? nullptr : TTF_OpenFontIndex(file.path.c_str(), pixelSize, file.index);
  if (!ttf) {
    // The nearest face is unreadable: fall back to a plain face rather than draw nothing.
    if (file.path.empty())
      warnOnce("fontconfig finds no font for '" + std::string(font.face) + "'");
    else
      warnOnce("cannot open font " + file.path + ": " + TTF_GetError());
    const FontFile plain = config ? match(Font{"sans-serif", 8, font.weight, 0}) : FontFile{};
    if (!plain.path.empty()) ttf = TTF_OpenFontIndex(plain.path.c_str(), pixelSize, plain.index);
    if (!ttf) ttf = TTF_OpenFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", pixelSize);
    if (!ttf) warnOnce("no font can be opened; text is not drawn");
  }
  if (ttf && bold) TTF_SetFontStyle(ttf, TTF_STYLE_BOLD);
  return opened[key] = ttf;
}

}  // namespace zorvane::sdl
