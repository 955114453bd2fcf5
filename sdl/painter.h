// Draws a window's display objects onto an SDL renderer: the real window's surface or an
// offscreen picture. Only what changed since the last picture is repainted.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"
#include "sdl/fonts.h"
#include "sdl/looks.h"
#include "sdl/placement.h"

namespace zorvane::sdl {

// The standard colours of labels, shapes and buttons the design leaves to the platform.
constexpr SDL_Color faceColor{240, 240, 240, 255};    // label face
constexpr SDL_Color textColor{0, 0, 0, 255};          // label text
constexpr SDL_Color outlineColor{0, 0, 0, 255};       // shape outline and label border

class Painter {
 public:
  Painter(SDL_Renderer* renderer, FontBook& fonts);
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;
  // (destroy before the renderer: the cached pictures belong to it)

  // Repaints what changed since the last call (everything the first time) and returns the
  // pixel rectangles it painted; empty when the picture is unchanged. `pressed` names a
  // button drawn pushed in.
  const std::vector<SDL_Rect>& draw(const View& w, const Placement& p, std::string_view pressed = {});
  void invalidate() { full = true; }  // the next draw repaints everything

  // The frontmost shown button under a pixel, or "" when there is none.
  static std::string buttonAt(const View& w, const Placement& p, int x, int y) { return sdl::buttonAt(w, p, x, y); }

  // What one display object looks like, in pixels: compared between pictures.
  struct Item {
    int layer = 0;                 // 0 shapes and labels, 1 buttons
    int64_t z = 0;                 // stacking key within the layer
    int kind = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // box, clamped to near the target
    SDL_Rect bounds{};             // every pixel it can touch, within the picture
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
  void collect(const View& w, const Placement& p, std::string_view pressed, Scene& out) const;
  void findChanges(const Scene& before, const Scene& now);
  // A large opaque box and its place in the stacking order (the window's face is place 0).
  struct Cover {
    size_t place;
    SDL_Rect box;
  };
  void findCovers();
  void fillUncovered(const SDL_Rect& r, SDL_Color c, size_t place);  // all of r not hidden in front
  void paint(const Item& item, size_t place, const SDL_Rect& clip);
  void paintShape(const Item& item, size_t place);
  void paintLabel(const Item& item, const SDL_Rect& box, size_t place, const SDL_Rect& clip);
  void paintButton(const Item& item, const SDL_Rect& box, const SDL_Rect& clip);
  const Picture* sprite(const Item& item, const SDL_Rect& box);  // the finished look, or null
  void paintText(const Item& item, const SDL_Rect& box, int dx, int dy, bool centreY, const SDL_Rect& clip);
  const Picture* text(const Item& item);

  SDL_Renderer* renderer;
  FontBook& fonts;
  Scene shown, next;                    // the last picture and the one being made
  std::vector<SDL_Rect> dirty;
  std::vector<Cover> covers;            // of the picture being painted
  Placement placed;
  SDL_Rect picture{};                   // the client area on the target
  bool full = true;
  Look spriteKey, textKey;              // reused for lookups
  LookCache texts{2048};                // captions
  LookCache sprites{256};               // whole labels and buttons
};

}  // namespace zorvane::sdl
