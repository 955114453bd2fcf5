#include "sdl/painter.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sdl/raster.h"

namespace zorvane::sdl {
namespace {

enum Kind { RectangleShape = 1, RoundedShape, CircleShape, LabelItem, ButtonItem };

SDL_Color colorOf(uint32_t rgb, Uint8 alpha = 255) {
  return SDL_Color{Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), alpha};
}
uint32_t rgbOf(Color c) { return uint32_t(redOf(c)) << 16 | uint32_t(greenOf(c)) << 8 | uint32_t(blueOf(c)); }
uint32_t rgbOf(SDL_Color c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

SDL_Rect boxRect(const Painter::Item& it) {
  const double box[4] = {it.x0, it.y0, it.x1, it.y1};
  return wholePixels(box);
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

Painter::Painter(SDL_Renderer* renderer, FontBook& fonts) : renderer(renderer), fonts(fonts) {
  dirty.reserve(64);
  covers.reserve(64);
}

void Painter::collect(const View& w, const Placement& p, std::string_view pressed, Scene& scene) const {
  struct Collector : ControlVisitor {
    const Placement& p;
    SDL_Rect picture;
    std::string_view pressed;
    std::vector<Item>& out;
    Collector(const Placement& p, SDL_Rect picture, std::string_view pressed, std::vector<Item>& out)
        : p(p), picture(picture), pressed(pressed), out(out) {}

    size_t count = 0;
    Item* add(const Control& c, int layer, int kind, bool clamp) {
      double box[4];
      if (!c.Visible || !pixelBox(c, p, picture, clamp, box)) return nullptr;
      if (count == out.size()) out.emplace_back();
      Item& it = out[count++];
      std::string keep = std::move(it.text);  // its buffer, reused below
      it = Item{};
      it.text = std::move(keep);
      it.text.clear();
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
      it->text.assign(l.Caption);
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
      it->text.assign(b.Caption);
    }
  };
  Collector c(p, picture, pressed, scene.items);
  w.visitControls(c);
  scene.count = c.count;
  const std::vector<Item>& items = scene.items;
  scene.order.resize(scene.count);
  for (uint32_t i = 0; i < scene.order.size(); ++i) scene.order[i] = i;
  // Equal keys keep the visiting order (a stable sort would allocate a buffer).
  std::sort(scene.order.begin(), scene.order.end(), [&](uint32_t a, uint32_t b) {
    const Item &x = items[a], &y = items[b];
    return x.layer != y.layer ? x.layer < y.layer : x.z != y.z ? x.z < y.z : a < b;
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

const std::vector<SDL_Rect>& Painter::draw(const View& w, const Placement& p, std::string_view pressed) {
  if (!(p == placed)) {
    if (p.scale != placed.scale) {
      texts.clear();
      sprites.clear();
    }
    placed = p;
    full = true;
  }
  const SDL_Rect target{0, 0, p.targetWidth, p.targetHeight};
  picture = intersect(target, pictureRect(w, p));
  collect(w, p, pressed, next);
  dirty.clear();
  if (full)
    dirty.push_back(target);
  else
    findChanges(shown, next);
  full = false;
  std::swap(shown, next);
  // Both pictures keep room for the most objects seen, so later frames allocate nothing.
  if (next.items.size() < shown.items.size()) next.items.resize(shown.items.size());
  next.order.reserve(shown.items.size());
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
  if (const Picture* s = sprite(item, box)) {
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
const Picture* Painter::sprite(const Item& it, const SDL_Rect& box) {
  if (it.text.empty() || (it.kind == LabelItem && it.transparent)) return nullptr;
  if (box.w > picture.w || box.h > picture.h) return nullptr;
  spriteKey.kind = it.kind;
  spriteKey.width = box.w, spriteKey.height = box.h;
  spriteKey.fill = it.fill, spriteKey.fore = it.fore;
  spriteKey.outline = it.outline, spriteKey.alignment = it.alignment, spriteKey.pressed = it.pressed;
  spriteKey.face = it.font.face, spriteKey.points = it.font.points, spriteKey.weight = it.font.weight, spriteKey.charset = it.font.charset;
  spriteKey.pixelSize = 0;
  spriteKey.text.assign(it.text);
  if (const Picture* found = sprites.find(spriteKey)) return found->texture ? found : nullptr;

  Picture t;
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
  const Picture& stored = sprites.store(spriteKey, t);
  return stored.texture ? &stored : nullptr;
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
  const Picture* t = text(it);
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

const Picture* Painter::text(const Item& it) {
  Look& key = textKey;  // a caption's look: no box
  key.kind = key.width = key.height = key.outline = key.alignment = 0;
  key.fill = 0, key.pressed = false, key.points = 0;
  key.fore = it.fore;
  key.face = it.font.face, key.weight = it.font.weight, key.charset = it.font.charset;
  key.pixelSize = pixelSize(it.font.points, placed.scale);
  key.text.assign(it.text);
  if (const Picture* found = texts.find(key)) return found->texture ? found : nullptr;

  Picture t;
  if (TTF_Font* font = fonts.open(it.font, key.pixelSize)) {
    if (SDL_Surface* s = TTF_RenderUTF8_Blended(font, it.text.c_str(), colorOf(it.fore))) {
      t.texture = SDL_CreateTextureFromSurface(renderer, s);
      t.w = s->w;
      t.h = s->h;
      SDL_FreeSurface(s);
      if (t.texture) SDL_SetTextureBlendMode(t.texture, SDL_BLENDMODE_BLEND);
    }
  }
  const Picture& stored = texts.store(key, t);
  return stored.texture ? &stored : nullptr;
}

}  // namespace zorvane::sdl
