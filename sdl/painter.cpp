#include "sdl/painter.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zorvane::sdl {
namespace {

enum Kind { RectangleShape = 1, RoundedShape, CircleShape, LabelItem, ButtonItem };

constexpr int margin = 64;  // pixels a clamped box may reach beyond the picture

struct Pt {
  double x, y;
};

SDL_Color colorOf(uint32_t rgb, Uint8 alpha = 255) {
  return SDL_Color{Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), alpha};
}
uint32_t rgbOf(Color c) { return uint32_t(redOf(c)) << 16 | uint32_t(greenOf(c)) << 8 | uint32_t(blueOf(c)); }
uint32_t rgbOf(SDL_Color c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

SDL_Rect intersect(const SDL_Rect& a, const SDL_Rect& b) {
  SDL_Rect r{};
  if (!SDL_IntersectRect(&a, &b, &r)) return SDL_Rect{0, 0, 0, 0};
  return r;
}
bool empty(const SDL_Rect& r) { return r.w <= 0 || r.h <= 0; }

int toPixel(double v) { return int(std::nearbyint(v)); }  // v is already clamped

SDL_Rect boxRect(const Painter::Item& it) {
  const int x0 = toPixel(it.x0), y0 = toPixel(it.y0);
  const int x1 = std::max(toPixel(it.x1), x0 + 1), y1 = std::max(toPixel(it.y1), y0 + 1);
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

SDL_Rect inset(const SDL_Rect& r, int t) { return SDL_Rect{r.x + t, r.y + t, r.w - 2 * t, r.h - 2 * t}; }

// The pixel box of a control, or false when it cannot be drawn (empty, negative, NaN or
// infinite). With `clamp`, the box is cut to a margin around the picture, so that any
// size converts to whole pixels safely.
bool pixelBox(const Control& c, const Placement& p, const SDL_Rect& picture, bool clamp, double box[4]) {
  const double l = c.Left, t = c.Top, w = c.Width, h = c.Height;
  if (!std::isfinite(l) || !std::isfinite(t) || !std::isfinite(w) || !std::isfinite(h)) return false;
  if (!(w > 0 && h > 0)) return false;
  const double k = p.scale / 15.0;
  box[0] = p.x + l * k;
  box[1] = p.y + t * k;
  box[2] = p.x + (l + w) * k;
  box[3] = p.y + (t + h) * k;
  if (clamp) {
    const double lo[2] = {double(picture.x - margin), double(picture.y - margin)};
    const double hi[2] = {double(picture.x + picture.w + margin), double(picture.y + picture.h + margin)};
    for (int i = 0; i < 4; ++i) box[i] = std::clamp(box[i], lo[i % 2], hi[i % 2]);
  }
  return true;
}

// Outline of a convex shape, clockwise on screen.
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

// Cuts a convex polygon to a rectangle, so that huge shapes become small safe numbers.
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

// Fills a convex polygon with a soft edge: an opaque fan inside and a one-pixel ring
// fading to nothing outside.
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

// A frame of thickness t: top and left edges in one colour, bottom and right in another.
void frame(SDL_Renderer* r, const SDL_Rect& b, int t, SDL_Color topLeft, SDL_Color bottomRight) {
  t = std::min({t, b.w / 2, b.h / 2});
  if (t <= 0) return;
  fillRect(r, SDL_Rect{b.x, b.y + b.h - t, b.w, t}, bottomRight);
  fillRect(r, SDL_Rect{b.x + b.w - t, b.y, t, b.h}, bottomRight);
  fillRect(r, SDL_Rect{b.x, b.y, b.w - t, t}, topLeft);
  fillRect(r, SDL_Rect{b.x, b.y, t, b.h - t}, topLeft);
}

int thickness(double pixels) { return std::max(1, int(std::nearbyint(std::min(pixels, 64.0)))); }

}  // namespace

bool Painter::Item::operator==(const Item& o) const {
  return layer == o.layer && z == o.z && kind == o.kind && x0 == o.x0 && y0 == o.y0 && x1 == o.x1 &&
         y1 == o.y1 && fill == o.fill && fore == o.fore && outline == o.outline && alignment == o.alignment &&
         transparent == o.transparent && pressed == o.pressed && text == o.text &&
         font.points == o.font.points && font.weight == o.font.weight && font.charset == o.font.charset &&
         (font.face == o.font.face || (font.face && o.font.face && std::strcmp(font.face, o.font.face) == 0));
}

Placement placeAtScale(const Window& w, double scale) {
  Placement p;
  p.scale = scale;
  p.targetWidth = int(std::nearbyint(w.clientWidth() * scale / 15));
  p.targetHeight = int(std::nearbyint(w.clientHeight() * scale / 15));
  return p;
}

Placement fitToTarget(const Window& w, int targetWidth, int targetHeight) {
  Placement p;
  p.targetWidth = targetWidth;
  p.targetHeight = targetHeight;
  const double sx = targetWidth * 15.0 / w.clientWidth(), sy = targetHeight * 15.0 / w.clientHeight();
  p.scale = std::max(std::min(sx, sy), 0.01);
  p.x = int(std::floor((targetWidth - w.clientWidth() * p.scale / 15) / 2));
  p.y = int(std::floor((targetHeight - w.clientHeight() * p.scale / 15) / 2));
  return p;
}

Painter::Painter(SDL_Renderer* renderer, FontBook& fonts) : renderer(renderer), fonts(fonts) {}

Painter::~Painter() {
  dropText();
  dropSprites();
}

void Painter::dropText() {
  for (auto& [key, t] : texts)
    if (t.texture) SDL_DestroyTexture(t.texture);
  texts.clear();
}

void Painter::collect(const Window& w, const Placement& p, std::string_view pressed, Scene& scene) const {
  struct Collector : ControlVisitor {
    const Placement& p;
    SDL_Rect picture;
    std::string_view pressed;
    std::vector<Item>& out;
    Collector(const Placement& p, SDL_Rect picture, std::string_view pressed, std::vector<Item>& out)
        : p(p), picture(picture), pressed(pressed), out(out) {}

    Item* add(const Control& c, int layer, int kind, bool clamp) {
      double box[4];
      if (!c.Visible || !pixelBox(c, p, picture, clamp, box)) return nullptr;
      Item& it = out.emplace_back();
      it.layer = layer;
      it.z = c.z;
      it.kind = kind;
      it.x0 = box[0], it.y0 = box[1], it.x1 = box[2], it.y1 = box[3];
      if (clamp) {
        it.bounds = boxRect(it);
      } else {
        const double lo[2] = {double(picture.x - margin), double(picture.y - margin)};
        const double hi[2] = {double(picture.x + picture.w + margin), double(picture.y + picture.h + margin)};
        const int x0 = int(std::floor(std::clamp(box[0], lo[0], hi[0]))) - 2;
        const int y0 = int(std::floor(std::clamp(box[1], lo[1], hi[1]))) - 2;
        const int x1 = int(std::ceil(std::clamp(box[2], lo[0], hi[0]))) + 2;
        const int y1 = int(std::ceil(std::clamp(box[3], lo[1], hi[1]))) + 2;
        it.bounds = SDL_Rect{x0, y0, x1 - x0, y1 - y0};
      }
      it.bounds = intersect(it.bounds, picture);
      return &it;
    }
    void shape(const Shape& s) override {
      const int kind = s.kind == ShapeKind::Circle ? CircleShape
                       : s.kind == ShapeKind::RoundedRectangle ? RoundedShape
                                                               : RectangleShape;
      Item* it = add(s, 0, kind, kind == RectangleShape);
      if (!it) return;
      it->fill = rgbOf(s.BackColor);
      it->fore = rgbOf(outlineColor);
      it->outline = s.outlinePixels > 0 ? thickness(s.outlinePixels * p.scale) : 0;
    }
    void label(const Label& l) override {
      Item* it = add(l, 0, LabelItem, true);
      if (!it) return;
      it->fill = l.hasBackColor ? rgbOf(l.BackColor) : rgbOf(faceColor);
      it->fore = l.hasForeColor ? rgbOf(l.ForeColor) : rgbOf(textColor);
      it->transparent = l.transparent;
      it->outline = l.border ? thickness(p.scale) : 0;
      it->alignment = int(l.alignment);
      it->font = l.font;
      it->text = l.Caption;
    }
    void button(std::string_view name, const Button& b) override {
      Item* it = add(b, 1, ButtonItem, true);
      if (!it) return;
      it->fill = rgbOf(b.BackColor);
      it->fore = rgbOf(textColor);
      it->outline = thickness(p.scale);
      it->alignment = int(Alignment::Center);
      it->pressed = !pressed.empty() && name == pressed;
      it->font = b.font;
      it->text = b.Caption;
    }
  };
  scene.items.clear();
  Collector c(p, picture, pressed, scene.items);
  w.visitControls(c);
  const std::vector<Item>& items = scene.items;
  scene.order.resize(items.size());
  for (uint32_t i = 0; i < scene.order.size(); ++i) scene.order[i] = i;
  std::stable_sort(scene.order.begin(), scene.order.end(), [&](uint32_t a, uint32_t b) {
    return items[a].layer != items[b].layer ? items[a].layer < items[b].layer : items[a].z < items[b].z;
  });
}

void Painter::findChanges(const Scene& before, const Scene& now) {
  auto key = [](const Scene& s, size_t i) {
    const Item& it = s.items[s.order[i]];
    return std::pair(it.layer, it.z);
  };
  for (size_t i = 1; i < now.order.size(); ++i)
    if (key(now, i - 1) == key(now, i)) {
      // Two objects at one stacking place: no way to pair them up, so repaint all.
      dirty.assign(1, SDL_Rect{0, 0, placed.targetWidth, placed.targetHeight});
      return;
    }
  size_t a = 0, b = 0;
  const size_t na = before.order.size(), nb = now.order.size();
  while (a < na || b < nb) {
    if (b == nb || (a < na && key(before, a) < key(now, b))) {
      dirty.push_back(before.items[before.order[a++]].bounds);
    } else if (a == na || key(now, b) < key(before, a)) {
      dirty.push_back(now.items[now.order[b++]].bounds);
    } else {
      const Item& was = before.items[before.order[a++]];
      const Item& is = now.items[now.order[b++]];
      if (!(was == is)) {
        dirty.push_back(was.bounds);
        dirty.push_back(is.bounds);
      }
    }
  }
  // Merge overlapping patches; many small patches become one.
  std::erase_if(dirty, empty);
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < dirty.size() && !merged; ++i)
      for (size_t j = i + 1; j < dirty.size() && !merged; ++j) {
        SDL_Rect grown{dirty[i].x - 1, dirty[i].y - 1, dirty[i].w + 2, dirty[i].h + 2};
        if (SDL_HasIntersection(&grown, &dirty[j])) {
          SDL_UnionRect(&dirty[i], &dirty[j], &dirty[i]);
          dirty.erase(dirty.begin() + j);
          merged = true;
        }
      }
  }
  long area = 0;
  for (const SDL_Rect& r : dirty) area += long(r.w) * r.h;
  if (dirty.size() > 16 || area * 2 > long(picture.w) * picture.h) {
    SDL_Rect all = dirty.front();
    for (const SDL_Rect& r : dirty) SDL_UnionRect(&all, &r, &all);
    dirty.assign(1, all);
  }
}

const std::vector<SDL_Rect>& Painter::draw(const Window& w, const Placement& p, std::string_view pressed) {
  if (!(p == placed)) {
    if (p.scale != placed.scale) {
      dropText();
      dropSprites();
    }
    placed = p;
    full = true;
  }
  const SDL_Rect target{0, 0, p.targetWidth, p.targetHeight};
  picture = intersect(target, SDL_Rect{p.x, p.y, int(std::nearbyint(w.clientWidth() * p.scale / 15)),
                                       int(std::nearbyint(w.clientHeight() * p.scale / 15))});
  collect(w, p, pressed, next);
  dirty.clear();
  if (full)
    dirty.push_back(target);
  else
    findChanges(shown, next);
  full = false;
  std::swap(shown, next);
  if (dirty.empty()) return dirty;

  findCovers();
  const Color back = w.backColor();
  for (const SDL_Rect& patch : dirty) {
    SDL_RenderSetClipRect(renderer, &patch);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    fillUncovered(patch, colorOf(rgbOf(back)), 0);
    const SDL_Rect clip = intersect(patch, picture);
    if (empty(clip)) continue;
    SDL_RenderSetClipRect(renderer, &clip);
    for (size_t k = 0; k < shown.order.size(); ++k) {
      const Item& it = shown.items[shown.order[k]];
      if (SDL_HasIntersection(&it.bounds, &clip)) paint(it, k + 1, clip);
    }
  }
  SDL_RenderSetClipRect(renderer, nullptr);
  return dirty;
}

// The large opaque boxes of the picture (the frame label, the board) lie on each other
// and on the window's face; filling each of them whole wrote most pixels three times.
void Painter::findCovers() {
  covers.clear();
  const long large = long(picture.w) * picture.h / 8;
  for (size_t k = 0; k < shown.order.size(); ++k) {
    const Item& it = shown.items[shown.order[k]];
    const bool opaque = it.kind == RectangleShape || it.kind == ButtonItem || (it.kind == LabelItem && !it.transparent);
    if (!opaque) continue;  // (the boxes of soft shapes are not clamped to whole pixels)
    const SDL_Rect box = intersect(boxRect(it), picture);
    if (long(box.w) * box.h >= large) covers.push_back(Cover{k + 1, box});
  }
}

// Fills a rectangle, leaving out the largest part that an opaque box further in front
// (at a later place) paints over anyway.
void Painter::fillUncovered(const SDL_Rect& r, SDL_Color c, size_t place) {
  SDL_Rect hidden{};
  for (const Cover& cover : covers) {
    const SDL_Rect common = intersect(r, cover.box);
    if (cover.place > place && long(common.w) * common.h > long(hidden.w) * hidden.h) hidden = common;
  }
  if (empty(hidden)) return fillRect(renderer, r, c);
  const SDL_Rect parts[4] = {
      {r.x, r.y, r.w, hidden.y - r.y},                                          // above
      {r.x, hidden.y + hidden.h, r.w, r.y + r.h - hidden.y - hidden.h},         // below
      {r.x, hidden.y, hidden.x - r.x, hidden.h},                                // left
      {hidden.x + hidden.w, hidden.y, r.x + r.w - hidden.x - hidden.w, hidden.h}};  // right
  for (const SDL_Rect& part : parts) fillRect(renderer, part, c);
}

void Painter::paint(const Item& item, size_t place, const SDL_Rect& clip) {
  if (item.kind != LabelItem && item.kind != ButtonItem) return paintShape(item, place);
  const SDL_Rect box = boxRect(item);
  if (const Text* s = sprite(item, box)) {
    SDL_RenderCopy(renderer, s->texture, nullptr, &box);
  } else if (item.kind == LabelItem) {
    paintLabel(item, box, place, clip);
  } else {
    paintButton(item, box, clip);
  }
}

// A captioned label with a face, or a button, looks the same wherever it stands: drawn
// once onto a texture of its size, it costs one copy after that instead of a fill, a
// frame and blended text (the bricks are most of a frame). Null when it is not worth it.
const Painter::Text* Painter::sprite(const Item& it, const SDL_Rect& box) {
  if (it.text.empty() || (it.kind == LabelItem && it.transparent)) return nullptr;
  if (box.w > picture.w || box.h > picture.h) return nullptr;
  std::string key = it.text;  // the caption, then the look in raw bytes
  const int look[10] = {it.kind, box.w, box.h, int(it.fill), int(it.fore), it.outline, it.alignment,
                        it.pressed, it.font.weight, it.font.charset};
  key.push_back('\0');
  key += it.font.face ? it.font.face : "";
  key.append(reinterpret_cast<const char*>(look), sizeof look);
  key.append(reinterpret_cast<const char*>(&it.font.points), sizeof it.font.points);
  auto found = sprites.find(key);
  if (found != sprites.end()) return found->second.texture ? &found->second : nullptr;
  if (sprites.size() > 256) dropSprites();  // new looks keep coming: start afresh

  Text t;
  t.texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET, box.w, box.h);
  if (t.texture && SDL_SetRenderTarget(renderer, t.texture) == 0) {
    const SDL_Rect at{0, 0, box.w, box.h};
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    if (it.kind == LabelItem)
      paintLabel(it, at, SIZE_MAX, at);
    else
      paintButton(it, at, at);
    SDL_SetRenderTarget(renderer, nullptr);  // back to the picture, its viewport and clip
    SDL_SetTextureBlendMode(t.texture, SDL_BLENDMODE_NONE);
    t.w = box.w;
    t.h = box.h;
  } else if (t.texture) {
    SDL_DestroyTexture(t.texture);
    t.texture = nullptr;
  }
  Text& stored = sprites[key] = t;
  return stored.texture ? &stored : nullptr;
}

void Painter::dropSprites() {
  for (auto& [key, t] : sprites)
    if (t.texture) SDL_DestroyTexture(t.texture);
  sprites.clear();
}

void Painter::paintShape(const Item& it, size_t place) {
  const SDL_Color fill = colorOf(it.fill), line = colorOf(it.fore);
  if (it.kind == RectangleShape) {
    const SDL_Rect box = boxRect(it), inside = inset(box, it.outline);
    if (!it.outline) return fillUncovered(box, fill, place);
    if (empty(inside)) return fillRect(renderer, box, line);
    frame(renderer, box, it.outline, line, line);
    fillUncovered(inside, fill, place);
    return;
  }
  const double w = it.x1 - it.x0, h = it.y1 - it.y0;
  if (w < 1.5 || h < 1.5) {  // too small to have a shape: a dot in the outline colour
    fillRect(renderer, SDL_Rect{int(std::floor(std::clamp(it.x0, -1e6, 1e6))),
                                int(std::floor(std::clamp(it.y0, -1e6, 1e6))), 1, 1},
             it.outline ? line : fill);
    return;
  }
  const double cx0 = picture.x - 3, cy0 = picture.y - 3, cx1 = picture.x + picture.w + 3,
               cy1 = picture.y + picture.h + 3;
  static thread_local std::vector<Pt> poly;
  auto outlineOf = [&](double d) {
    poly.clear();
    if (it.kind == CircleShape) {
      const double r = std::min(w, h) / 2 - d;
      if (r > 0) ellipsePoints(it.x0 + w / 2, it.y0 + h / 2, r, r, poly);
    } else if (w > 2 * d && h > 2 * d) {
      roundedPoints(it.x0 + d, it.y0 + d, it.x1 - d, it.y1 - d, std::min(w, h) / 4 - d, poly);
    }
    clipPolygon(poly, cx0, cy0, cx1, cy1);
  };
  const double t = it.outline;
  outlineOf(0);
  fillSmooth(renderer, poly, t > 0 ? line : fill);
  if (t > 0) {
    outlineOf(t);
    fillSmooth(renderer, poly, fill);
  }
}

void Painter::paintLabel(const Item& it, const SDL_Rect& box, size_t place, const SDL_Rect& clip) {
  if (!it.transparent) fillUncovered(box, colorOf(it.fill), place);
  if (it.outline) frame(renderer, box, it.outline, outlineColor, outlineColor);
  paintText(it, inset(box, it.outline), 0, 0, false, clip);
}

void Painter::paintButton(const Item& it, const SDL_Rect& box, const SDL_Rect& clip) {
  const int t = it.outline;
  const SDL_Color white{255, 255, 255, 255}, dark{64, 64, 64, 255}, shade{160, 160, 160, 255};
  SDL_Color face = colorOf(it.fill);
  if (it.pressed)  // pushed in: a sunken frame, a shaded face, the caption a step down
    face = SDL_Color{Uint8(face.r * 7 / 8), Uint8(face.g * 7 / 8), Uint8(face.b * 7 / 8), 255};
  fillRect(renderer, box, face);
  if (it.pressed) {
    frame(renderer, box, t, dark, dark);
    frame(renderer, inset(box, t), t, shade, face);
  } else {
    frame(renderer, box, t, white, dark);
    frame(renderer, inset(box, t), t, face, shade);
  }
  const int shift = it.pressed ? t : 0;
  paintText(it, inset(box, 2 * t), shift, shift, true, clip);
}

void Painter::paintText(const Item& it, const SDL_Rect& box, int dx, int dy, bool centreY, const SDL_Rect& clip) {
  if (it.text.empty() || empty(box)) return;
  const Text* t = text(it);
  if (!t) return;
  int x = box.x;
  if (it.alignment == int(Alignment::Right)) x = box.x + box.w - t->w;
  if (it.alignment == int(Alignment::Center)) x = box.x + (box.w - t->w) / 2;
  const int y = centreY ? box.y + (box.h - t->h) / 2 : box.y;
  const SDL_Rect inside = intersect(box, clip);
  if (empty(inside)) return;
  SDL_RenderSetClipRect(renderer, &inside);
  const SDL_Rect dst{x + dx, y + dy, t->w, t->h};
  SDL_RenderCopy(renderer, t->texture, nullptr, &dst);
  SDL_RenderSetClipRect(renderer, &clip);
}

const Painter::Text* Painter::text(const Item& it) {
  const int size = pixelSize(it.font.points, placed.scale);
  std::string key = it.text;  // the caption, then the look in raw bytes
  const int look[5] = {it.font.weight, it.font.charset, size, int(it.fore), 0};
  key.push_back('\0');
  key += it.font.face ? it.font.face : "";
  key.append(reinterpret_cast<const char*>(look), sizeof look);
  auto found = texts.find(key);
  if (found != texts.end()) return found->second.texture ? &found->second : nullptr;
  if (texts.size() > 2048) dropText();  // the score texts pile up over a long game

  Text t;
  if (TTF_Font* font = fonts.open(it.font, size)) {
    if (SDL_Surface* s = TTF_RenderUTF8_Blended(font, it.text.c_str(), colorOf(it.fore))) {
      t.texture = SDL_CreateTextureFromSurface(renderer, s);
      t.w = s->w;
      t.h = s->h;
      SDL_FreeSurface(s);
      if (t.texture) SDL_SetTextureBlendMode(t.texture, SDL_BLENDMODE_BLEND);
    }
  }
  Text& stored = texts[key] = t;
  return stored.texture ? &stored : nullptr;
}

std::string Painter::buttonAt(const Window& w, const Placement& p, int x, int y) {
  struct Finder : ControlVisitor {
    const Placement& p;
    int x, y;
    std::string found;
    int64_t z = 0;
    Finder(const Placement& p, int x, int y) : p(p), x(x), y(y) {}
    void shape(const Shape&) override {}
    void label(const Label&) override {}
    void button(std::string_view name, const Button& b) override {
      const SDL_Rect picture{p.x - 1000000, p.y - 1000000, 2000000, 2000000};
      double box[4];
      if (!b.Visible || !pixelBox(b, p, picture, true, box)) return;
      Item it;
      it.x0 = box[0], it.y0 = box[1], it.x1 = box[2], it.y1 = box[3];
      const SDL_Rect r = boxRect(it);
      const SDL_Point pt{x, y};
      if (SDL_PointInRect(&pt, &r) && (found.empty() || b.z > z)) {
        found = std::string(name);
        z = b.z;
      }
    }
  };
  Finder f(p, x, y);
  w.visitControls(f);
  return f.found;
}

}  // namespace zorvane::sdl
