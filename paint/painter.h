// The one painter of the game's picture, for every front end: it turns the read-only View
// and a target size into pixels in a buffer the caller owns, and tells which patches
// changed since the last picture. No SDL, no browser: integers and exactly rounded
// operations only, so the window, the page and the screenshots get the very same bytes.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "paint/geometry.h"
#include "paint/text.h"
#include "platform/contract.h"

namespace zorvane::paint {

// Where each colour channel lies in a 32-bit pixel, and bits every pixel carries (alpha).
struct PixelFormat {
  int redShift = 16, greenShift = 8, blueShift = 0;
  uint32_t always = 0;
  bool operator==(const PixelFormat&) const = default;
};
constexpr PixelFormat xrgb{16, 8, 0, 0};               // 0x00RRGGBB
constexpr PixelFormat rgbaBytes{0, 8, 16, 0xff000000u};  // bytes R, G, B, 255 in little-endian memory (a canvas)

// The caller's pixels: `stride` pixels from one row to the next.
struct Target {
  uint32_t* pixels = nullptr;
  int width = 0, height = 0, stride = 0;
  PixelFormat format;
};

// The standard colours of labels, shapes and buttons the design leaves to the platform (0xRRGGBB).
constexpr uint32_t faceColor = 0xf0f0f0;     // label face
constexpr uint32_t textColor = 0x000000;     // label text
constexpr uint32_t outlineColor = 0x000000;  // shape outline and label border

class Painter {
 public:
  explicit Painter(const Fonts& fonts);
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // Repaints what changed since the last call (everything the first time, or on another
  // target or placement) and returns the patches it painted; empty when the picture is
  // unchanged. `pressed` names a button drawn pushed in. The placement's target size is
  // the target's.
  const std::vector<Rect>& draw(const View& w, const Placement& p, const Target& target, std::string_view pressed = {});
  void invalidate() { full = true; }  // the next draw repaints everything
  // At most about this many pixels painted by one draw (0: no bound); what is left over is
  // painted by the next draws, top first, so that a large first picture is spread over frames.
  void limit(int64_t pixels) { budget = pixels; }
  bool behind() const { return !later.empty(); }  // patches left over for the next draw
  const TextCache& text() const { return texts; }

  // What one display object looks like, in pixels: compared between pictures.
  struct Item {
    int layer = 0;                 // 0 shapes and labels, 1 buttons
    int64_t z = 0;                 // stacking key within the layer
    int kind = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // box, clamped to near the target
    Rect bounds;                   // every pixel it can touch, within the picture
    uint32_t fill = 0, fore = 0;   // 0xRRGGBB
    int outline = 0;               // outline or border thickness, pixels (0: none)
    int alignment = 0;
    bool transparent = false, pressed = false;
    Font font;
    std::string text;
    bool operator==(const Item& o) const;
  };

 private:
  // A picture's objects in the order the window visits them, and back to front.
  struct Scene {
    std::vector<Item> items;       // the first `count` are this picture's; the rest are kept for reuse
    size_t count = 0;
    std::vector<uint32_t> order;
  };
  void collect(const View& w, std::string_view pressed, Scene& out) const;
  void findChanges(const Scene& before, const Scene& now);
  // A large opaque box and its place in the stacking order (the window's face is place 0).
  struct Cover {
    size_t place;
    Rect box;
  };
  void findCovers();
  void bound();                         // dirty within the budget, the rest in later
  void fillUncovered(const Rect& r, uint32_t rgb, size_t place);  // all of r not hidden in front
  void fill(const Rect& r, uint32_t rgb);                          // within the clip
  void frame(const Rect& b, int t, uint32_t topLeft, uint32_t bottomRight);
  void paint(const Item& item, size_t place);
  void paintRound(const Item& item);
  void paintLabel(const Item& item, const Rect& box, size_t place);
  void paintButton(const Item& item, const Rect& box);
  void paintText(const Item& item, const Rect& box, int dx, int dy, bool centreY);

  TextCache texts;
  Scene shown, next;                    // the last picture and the one being made
  std::vector<Rect> dirty;
  std::vector<Rect> later;              // left over by a bounded draw
  int64_t budget = 0;
  std::vector<Cover> covers;            // of the picture being painted
  Placement placed;
  Target out;
  Rect picture;                         // the client area on the target
  Rect clip;                            // what the current patch may paint
  bool full = true;
};

}  // namespace zorvane::paint
