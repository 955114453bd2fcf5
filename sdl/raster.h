// Pixel geometry for the painter: rectangles, outlines of round shapes, cutting a polygon
// to a box, and filling it with a soft edge.
#pragma once
#include <SDL.h>

#include <vector>

namespace zorvane::sdl {

struct Pt {
  double x, y;
};

SDL_Rect intersect(const SDL_Rect& a, const SDL_Rect& b);  // empty (all 0) when they do not meet
inline bool empty(const SDL_Rect& r) { return r.w <= 0 || r.h <= 0; }
inline SDL_Rect inset(const SDL_Rect& r, int t) { return SDL_Rect{r.x + t, r.y + t, r.w - 2 * t, r.h - 2 * t}; }

// Outlines of convex shapes, clockwise on screen, appended to `out`; the step keeps each
// chord within a fifth of a pixel of the curve.
void ellipsePoints(double cx, double cy, double rx, double ry, std::vector<Pt>& out);
void roundedPoints(double x0, double y0, double x1, double y1, double r, std::vector<Pt>& out);
void clipPolygon(std::vector<Pt>& poly, double x0, double y0, double x1, double y1);  // convex poly to a box

// Fills a convex polygon: opaque inside, fading to nothing over one pixel outside.
void fillSmooth(SDL_Renderer* r, const std::vector<Pt>& poly, SDL_Color c);
void fillRect(SDL_Renderer* r, const SDL_Rect& rect, SDL_Color c);  // opaque; nothing when empty
// A frame of thickness t: top and left edges in one colour, bottom and right in another.
void frame(SDL_Renderer* r, const SDL_Rect& b, int t, SDL_Color topLeft, SDL_Color bottomRight);

}  // namespace zorvane::sdl
