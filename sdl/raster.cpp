#include "sdl/raster.h"

#include <algorithm>
#include <cmath>

namespace zorvane::sdl {

SDL_Rect intersect(const SDL_Rect& a, const SDL_Rect& b) {
  SDL_Rect r{};
  if (!SDL_IntersectRect(&a, &b, &r)) return SDL_Rect{0, 0, 0, 0};
  return r;
}

void ellipsePoints(double cx, double cy, double rx, double ry, std::vector<Pt>& out) {
  const double r = std::max(rx, ry);
  int n = 12;
  if (r > 1) n = int(std::ceil(2 * M_PI / std::acos(std::max(-1.0, 1 - 0.2 / r))));
  n = std::clamp(n, 12, 720);
  for (int i = 0; i < n; ++i) {
    const double a = 2 * M_PI * i / n;
    out.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
}

void roundedPoints(double x0, double y0, double x1, double y1, double r, std::vector<Pt>& out) {
  r = std::min({r, (x1 - x0) / 2, (y1 - y0) / 2});
  int n = 2;
  if (r > 1) n = int(std::ceil(M_PI / 2 / std::acos(std::max(-1.0, 1 - 0.2 / r))));
  n = std::clamp(n, 2, 180);
  const Pt centres[4] = {{x1 - r, y1 - r}, {x0 + r, y1 - r}, {x0 + r, y0 + r}, {x1 - r, y0 + r}};
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i <= n; ++i) {
      const double a = M_PI / 2 * (c + double(i) / n);
      out.push_back({centres[c].x + r * std::cos(a), centres[c].y + r * std::sin(a)});
    }
}

// Huge shapes become small safe numbers.
void clipPolygon(std::vector<Pt>& poly, double x0, double y0, double x1, double y1) {
  static thread_local std::vector<Pt> out;
  auto edge = [&](auto inside, auto cross) {
    out.clear();
    for (size_t i = 0; i < poly.size(); ++i) {
      const Pt a = poly[i], b = poly[(i + 1) % poly.size()];
      const bool ia = inside(a), ib = inside(b);
      if (ia) out.push_back(a);
      if (ia != ib) out.push_back(cross(a, b));
    }
    poly.swap(out);
  };
  auto atX = [](double x) {
    return [x](Pt a, Pt b) { return Pt{x, a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x))}; };
  };
  auto atY = [](double y) {
    return [y](Pt a, Pt b) { return Pt{a.x + (b.x - a.x) * ((y - a.y) / (b.y - a.y)), y}; };
  };
  edge([=](Pt p) { return p.x >= x0; }, atX(x0));
  edge([=](Pt p) { return p.x <= x1; }, atX(x1));
  edge([=](Pt p) { return p.y >= y0; }, atY(y0));
  edge([=](Pt p) { return p.y <= y1; }, atY(y1));
}

// An opaque fan inside and a one-pixel ring fading to nothing outside.
void fillSmooth(SDL_Renderer* r, const std::vector<Pt>& poly, SDL_Color c) {
  const size_t n = poly.size();
  if (n < 3) return;
  double area = 0;
  for (size_t i = 0; i < n; ++i) {
    const Pt a = poly[i], b = poly[(i + 1) % n];
    area += a.x * b.y - b.x * a.y;
  }
  if (area == 0) return;
  const double side = area > 0 ? 1 : -1;
  static thread_local std::vector<Pt> normals;  // outward normal of edge i -> i+1
  normals.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const Pt a = poly[i], b = poly[(i + 1) % n];
    double nx = (b.y - a.y) * side, ny = -(b.x - a.x) * side;
    const double len = std::hypot(nx, ny);
    normals[i] = len > 0 ? Pt{nx / len, ny / len} : Pt{0, 0};
  }
  static thread_local std::vector<SDL_Vertex> v;
  static thread_local std::vector<int> idx;
  v.clear();
  idx.clear();
  const SDL_Color clear{c.r, c.g, c.b, 0};
  Pt centre{0, 0};
  for (size_t i = 0; i < n; ++i) {
    const Pt e0 = normals[(i + n - 1) % n], e1 = normals[i];
    Pt m{e0.x + e1.x, e0.y + e1.y};
    const double len = std::hypot(m.x, m.y);
    m = len > 1e-9 ? Pt{m.x / len, m.y / len} : e1;
    const double cosine = std::max(m.x * e1.x + m.y * e1.y, 0.5);
    const double h = 0.5 / cosine;
    const Pt q{poly[i].x - m.x * h, poly[i].y - m.y * h}, o{poly[i].x + m.x * h, poly[i].y + m.y * h};
    v.push_back(SDL_Vertex{SDL_FPoint{float(q.x), float(q.y)}, c, SDL_FPoint{0, 0}});
    v.push_back(SDL_Vertex{SDL_FPoint{float(o.x), float(o.y)}, clear, SDL_FPoint{0, 0}});
    centre.x += q.x / n;
    centre.y += q.y / n;
  }
  const int mid = int(v.size());
  v.push_back(SDL_Vertex{SDL_FPoint{float(centre.x), float(centre.y)}, c, SDL_FPoint{0, 0}});
  for (size_t i = 0; i < n; ++i) {
    const int q0 = int(2 * i), o0 = q0 + 1, q1 = int(2 * ((i + 1) % n)), o1 = q1 + 1;
    idx.insert(idx.end(), {mid, q0, q1, q0, o0, o1, q0, o1, q1});
  }
  // SDL's software renderer draws these triangles one by one, and blends each through a
  // temporary surface of its own; the opaque fan needs no blending, so it is drawn
  // straight, triangle by triangle in the same order, which gives the same pixels.
  for (size_t k = 0; k < idx.size(); k += 3) {
    const bool opaque = v[idx[k]].color.a == 255 && v[idx[k + 1]].color.a == 255 && v[idx[k + 2]].color.a == 255;
    SDL_SetRenderDrawBlendMode(r, opaque ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_RenderGeometry(r, nullptr, v.data(), int(v.size()), &idx[k], 3);
  }
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
}

void fillRect(SDL_Renderer* r, const SDL_Rect& rect, SDL_Color c) {
  if (empty(rect)) return;
  SDL_SetRenderDrawColor(r, c.r, c.g, c.b, 255);
  SDL_RenderFillRect(r, &rect);
}

void frame(SDL_Renderer* r, const SDL_Rect& b, int t, SDL_Color topLeft, SDL_Color bottomRight) {
  t = std::min({t, b.w / 2, b.h / 2});
  if (t <= 0) return;
  fillRect(r, SDL_Rect{b.x, b.y + b.h - t, b.w, t}, bottomRight);
  fillRect(r, SDL_Rect{b.x + b.w - t, b.y, t, b.h}, bottomRight);
  fillRect(r, SDL_Rect{b.x, b.y, b.w - t, t}, topLeft);
  fillRect(r, SDL_Rect{b.x, b.y, t, b.h - t}, topLeft);
}

}  // namespace zorvane::sdl
