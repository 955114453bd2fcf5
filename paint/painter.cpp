#include "paint/painter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zorvane::paint {
namespace {

enum Kind { RectangleShape = 1, RoundedShape, CircleShape, LabelItem, ButtonItem };

uint32_t rgbOf(Color c) { return uint32_t(redOf(c)) << 16 | uint32_t(greenOf(c)) << 8 | uint32_t(blueOf(c)); }

Rect boxRect(const Painter::Item& it) {
  const double box[4] = {it.x0, it.y0, it.x1, it.y1};
  return wholePixels(box);
}

int thickness(double pixels) { return std::max(1, int(std::nearbyint(std::min(pixels, 64.0)))); }

uint32_t pack(uint32_t rgb, const PixelFormat& f) {
  return (rgb >> 16 & 0xff) << f.redShift | (rgb >> 8 & 0xff) << f.greenShift | (rgb & 0xff) << f.blueShift | f.always;
}

// `rgb` over a pixel with coverage a (0..255), each channel rounded to the nearest.
uint32_t blend(uint32_t pixel, uint32_t rgb, int a, const PixelFormat& f) {
  const int b = 255 - a;
  auto mixed = [&](int to, int shift) {
    const int from = int(pixel >> shift & 0xff);
    return uint32_t((to * a + from * b + 127) / 255) << shift;
  };
  return mixed(int(rgb >> 16 & 0xff), f.redShift) | mixed(int(rgb >> 8 & 0xff), f.greenShift) |
         mixed(int(rgb & 0xff), f.blueShift) | f.always;
}

// Coverage 0..255 of a pixel whose centre lies at signed distance d from an edge (negative inside).
int coverage(double d) {
  const double c = 0.5 - d;
  if (c <= 0) return 0;
  if (c >= 1) return 255;
  return int(c * 255 + 0.5);
}

}  // namespace

bool Painter::Item::operator==(const Item& o) const {
  return layer == o.layer && z == o.z && kind == o.kind && x0 == o.x0 && y0 == o.y0 && x1 == o.x1 &&
         y1 == o.y1 && fill == o.fill && fore == o.fore && outline == o.outline && alignment == o.alignment &&
         transparent == o.transparent && pressed == o.pressed && text == o.text &&
         font.points == o.font.points && font.weight == o.font.weight && font.charset == o.font.charset &&
         (font.face == o.font.face || (font.face && o.font.face && std::strcmp(font.face, o.font.face) == 0));
}

namespace {

// Gathers a view's shown controls as the painter's items, reusing the items (and their text
// buffers) of an earlier picture.
struct Collector : ControlVisitor {
  const Placement& p;
  Rect picture;
  std::string_view pressed;
  std::vector<Painter::Item>& out;
  Collector(const Placement& p, Rect picture, std::string_view pressed, std::vector<Painter::Item>& out)
      : p(p), picture(picture), pressed(pressed), out(out) {}

  size_t count = 0;
  Painter::Item* add(const Control& c, int layer, int kind, bool clamp) {
    double box[4];
    if (!c.Visible || !pixelBox(c, p, picture, clamp, box)) return nullptr;
    if (count == out.size()) out.emplace_back();
    Painter::Item& it = out[count++];
    std::string keep = std::move(it.text);  // its buffer, reused below
    it = Painter::Item{};
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
      it.bounds = Rect{x0, y0, x1 - x0, y1 - y0};
    }
    it.bounds = intersect(it.bounds, picture);
    return &it;
  }
  void shape(const Shape& s) override {
    const int kind = s.kind == ShapeKind::Circle ? CircleShape
                     : s.kind == ShapeKind::RoundedRectangle ? RoundedShape
                                                             : RectangleShape;
    Painter::Item* it = add(s, 0, kind, kind == RectangleShape);
    if (!it) return;
    it->fill = rgbOf(s.BackColor);
    it->fore = outlineColor;
    it->outline = s.outlinePixels > 0 ? thickness(s.outlinePixels * p.scale) : 0;
  }
  void label(const Label& l) override {
    Painter::Item* it = add(l, 0, LabelItem, true);
    if (!it) return;
    it->fill = l.hasBackColor ? rgbOf(l.BackColor) : faceColor;
    it->fore = l.hasForeColor ? rgbOf(l.ForeColor) : textColor;
    it->transparent = l.transparent;
    it->outline = l.border ? thickness(p.scale) : 0;
    it->alignment = int(l.alignment);
    it->font = l.font;
    it->text.assign(l.Caption);
  }
  void button(std::string_view name, const Button& b) override {
    Painter::Item* it = add(b, 1, ButtonItem, true);
    if (!it) return;
    it->fill = rgbOf(b.BackColor);
    it->fore = textColor;
    it->outline = thickness(p.scale);
    it->alignment = int(Alignment::Center);
    it->pressed = !pressed.empty() && name == pressed;
    it->font = b.font;
    it->text.assign(b.Caption);
  }
};

}  // namespace

Painter::Painter(const Fonts& fonts) : texts(fonts) {
  dirty.reserve(64);
  covers.reserve(64);
}

void Painter::collect(const View& w, std::string_view pressed, Scene& scene) const {
  Collector c(placed, picture, pressed, scene.items);
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
      dirty.assign(1, Rect{0, 0, placed.targetWidth, placed.targetHeight});
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
  // Merge patches that overlap or touch; many small patches become one.
  std::erase_if(dirty, [](const Rect& r) { return empty(r); });
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < dirty.size() && !merged; ++i)
      for (size_t j = i + 1; j < dirty.size() && !merged; ++j)
        if (touches(dirty[i], dirty[j])) {
          dirty[i] = unite(dirty[i], dirty[j]);
          dirty.erase(dirty.begin() + long(j));
          merged = true;
        }
  }
  long area = 0;
  for (const Rect& r : dirty) area += long(r.w) * r.h;
  if (dirty.size() > 16 || area * 2 > long(picture.w) * picture.h) {
    Rect all = dirty.front();
    for (const Rect& r : dirty) all = unite(all, r);
    dirty.assign(1, all);
  }
}

const std::vector<Rect>& Painter::draw(const View& w, const Placement& p, const Target& target, std::string_view pressed) {
  if (!(p == placed)) {
    if (p.scale != placed.scale) texts.clear();
    placed = p;
    full = true;
  }
  if (target.pixels != out.pixels || target.width != out.width || target.height != out.height ||
      target.stride != out.stride || !(target.format == out.format))
    full = true;
  out = target;
  const Rect whole{0, 0, std::min(p.targetWidth, target.width), std::min(p.targetHeight, target.height)};
  picture = intersect(whole, pictureRect(w, p));
  collect(w, pressed, next);
  dirty.clear();
  if (full)
    dirty.push_back(whole);
  else
    findChanges(shown, next);
  full = false;
  std::swap(shown, next);
  // Both pictures keep room for the most objects seen, so later frames allocate nothing.
  if (next.items.size() < shown.items.size()) next.items.resize(shown.items.size());
  next.order.reserve(shown.items.size());
  if (dirty.size() == 1 && dirty[0] == whole) later.clear();
  dirty.insert(dirty.end(), later.begin(), later.end());
  later.clear();
  for (Rect& patch : dirty) patch = intersect(patch, whole);
  std::erase_if(dirty, [](const Rect& r) { return empty(r); });
  if (budget > 0) bound();
  if (dirty.empty() || !target.pixels) return dirty;

  findCovers();
  const uint32_t back = rgbOf(w.backColor());
  for (const Rect& patch : dirty) {
    clip = patch;
    fillUncovered(patch, back, 0);
    clip = intersect(patch, picture);
    if (empty(clip)) continue;
    for (size_t k = 0; k < shown.order.size(); ++k) {
      const Item& it = shown.items[shown.order[k]];
      if (!empty(intersect(it.bounds, clip))) paint(it, k + 1);
    }
  }
  return dirty;
}

// Keeps the patches of this draw within the budget: the first rows that fit, the rest later.
void Painter::bound() {
  int64_t left = budget;
  size_t k = 0;
  for (; k < dirty.size() && left > 0; ++k) {
    Rect& r = dirty[k];
    const int64_t area = int64_t(r.w) * r.h;
    if (area <= left) {
      left -= area;
      continue;
    }
    const int rows = int(std::max<int64_t>(1, left / std::max(1, r.w)));
    if (rows < r.h) later.push_back(Rect{r.x, r.y + rows, r.w, r.h - rows});
    r.h = std::min(r.h, rows);
    left = 0;
  }
  later.insert(later.end(), dirty.begin() + long(k), dirty.end());
  dirty.resize(k);
}

// The large opaque boxes of the picture (the frame label, the board) lie on each other
// and on the window's face; filling each of them whole wrote most pixels three times.
void Painter::findCovers() {
  covers.clear();
  const long large = long(picture.w) * picture.h / 8;
  for (size_t k = 0; k < shown.order.size(); ++k) {
    const Item& it = shown.items[shown.order[k]];
    const bool opaque = it.kind == RectangleShape || it.kind == ButtonItem || (it.kind == LabelItem && !it.transparent);
    if (!opaque) continue;  // (the boxes of soft shapes are not whole pixels)
    const Rect box = intersect(boxRect(it), picture);
    if (long(box.w) * box.h >= large) covers.push_back(Cover{k + 1, box});
  }
}

// Fills a rectangle, leaving out the largest part that an opaque box further in front
// (at a later place) paints over anyway.
void Painter::fillUncovered(const Rect& r, uint32_t rgb, size_t place) {
  Rect hidden;
  for (const Cover& cover : covers) {
    const Rect common = intersect(r, cover.box);
    if (cover.place > place && long(common.w) * common.h > long(hidden.w) * hidden.h) hidden = common;
  }
  if (empty(hidden)) return fill(r, rgb);
  const Rect parts[4] = {
      {r.x, r.y, r.w, hidden.y - r.y},                                          // above
      {r.x, hidden.y + hidden.h, r.w, r.y + r.h - hidden.y - hidden.h},         // below
      {r.x, hidden.y, hidden.x - r.x, hidden.h},                                // left
      {hidden.x + hidden.w, hidden.y, r.x + r.w - hidden.x - hidden.w, hidden.h}};  // right
  for (const Rect& part : parts) fill(part, rgb);
}

void Painter::fill(const Rect& r, uint32_t rgb) {
  const Rect a = intersect(r, clip);
  if (empty(a)) return;
  const uint32_t v = pack(rgb, out.format);
  for (int y = a.y; y < a.y + a.h; ++y) std::fill_n(out.pixels + size_t(y) * out.stride + a.x, a.w, v);
}

// A frame of thickness t: top and left edges in one colour, bottom and right in another.
void Painter::frame(const Rect& b, int t, uint32_t topLeft, uint32_t bottomRight) {
  t = std::min({t, b.w / 2, b.h / 2});
  if (t <= 0) return;
  fill(Rect{b.x, b.y + b.h - t, b.w, t}, bottomRight);
  fill(Rect{b.x + b.w - t, b.y, t, b.h}, bottomRight);
  fill(Rect{b.x, b.y, b.w - t, t}, topLeft);
  fill(Rect{b.x, b.y, t, b.h - t}, topLeft);
}

void Painter::paint(const Item& it, size_t place) {
  if (it.kind == RoundedShape || it.kind == CircleShape) return paintRound(it);
  const Rect box = boxRect(it);
  if (it.kind == RectangleShape) {
    const Rect inside = inset(box, it.outline);
    if (!it.outline) return fillUncovered(box, it.fill, place);
    if (empty(inside)) return fill(box, it.fore);
    frame(box, it.outline, it.fore, it.fore);
    return fillUncovered(inside, it.fill, place);
  }
  if (it.kind == LabelItem) return paintLabel(it, box, place);
  paintButton(it, box);
}

// Ellipses and rounded rectangles with the exact distance of each pixel's centre from
// the edge: opaque a half pixel inside it, clear a half pixel outside. An outline is the
// shape in the outline colour with the shape moved in by its thickness over it.
void Painter::paintRound(const Item& it) {
  const double w = it.x1 - it.x0, h = it.y1 - it.y0;
  if (w < 1.5 || h < 1.5) {  // too small to have a shape: a dot in the outline colour
    const int x = int(std::floor(std::clamp(it.x0, -1e6, 1e6))), y = int(std::floor(std::clamp(it.y0, -1e6, 1e6)));
    return fill(Rect{x, y, 1, 1}, it.outline ? it.fore : it.fill);
  }
  const Rect area = intersect(it.bounds, clip);
  const double cx = it.x0 + w / 2, cy = it.y0 + h / 2;
  const bool circle = it.kind == CircleShape;
  const double r = circle ? std::min(w, h) / 2 : std::min(w, h) / 4;
  // The straight parts of a rounded rectangle's sides, measured from its edges so that a
  // side far off the picture does not cost the near side its precision.
  const double left = it.x0 + r, right = it.x1 - r, top = it.y0 + r, bottom = it.y1 - r;
  const double t = it.outline;
  const PixelFormat& f = out.format;
  for (int y = area.y; y < area.y + area.h; ++y) {
    uint32_t* row = out.pixels + size_t(y) * out.stride;
    const double py = y + 0.5, dy = std::abs(py - cy), qy = std::max(top - py, py - bottom);
    for (int x = area.x; x < area.x + area.w; ++x) {
      const double px = x + 0.5;
      double d;
      if (circle) {
        const double dx = px - cx;
        d = std::sqrt(dx * dx + dy * dy) - r;
      } else {
        const double qx = std::max(left - px, px - right);
        const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
        d = std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
      }
      const int outer = coverage(d);
      if (outer == 0) continue;
      if (t <= 0) {
        row[x] = outer == 255 ? pack(it.fill, f) : blend(row[x], it.fill, outer, f);
        continue;
      }
      const int inner = coverage(d + t);
      if (inner == 255) {
        row[x] = pack(it.fill, f);
        continue;
      }
      uint32_t v = outer == 255 ? pack(it.fore, f) : blend(row[x], it.fore, outer, f);
      if (inner > 0) v = blend(v, it.fill, inner, f);
      row[x] = v;
    }
  }
}

void Painter::paintLabel(const Item& it, const Rect& box, size_t place) {
  if (!it.transparent) fillUncovered(box, it.fill, place);
  if (it.outline) frame(box, it.outline, outlineColor, outlineColor);
  paintText(it, inset(box, it.outline), 0, 0, false);
}

void Painter::paintButton(const Item& it, const Rect& box) {
  const int t = it.outline;
  constexpr uint32_t white = 0xffffff, dark = 0x404040, shade = 0xa0a0a0;
  uint32_t face = it.fill;
  if (it.pressed)  // pushed in: a sunken frame, a shaded face, the caption a step down
    face = ((face >> 16 & 0xff) * 7 / 8) << 16 | ((face >> 8 & 0xff) * 7 / 8) << 8 | (face & 0xff) * 7 / 8;
  fill(box, face);
  if (it.pressed) {
    frame(box, t, dark, dark);
    frame(inset(box, t), t, shade, face);
  } else {
    frame(box, t, white, dark);
    frame(inset(box, t), t, face, shade);
  }
  const int shift = it.pressed ? t : 0;
  paintText(it, inset(box, 2 * t), shift, shift, true);
}

void Painter::paintText(const Item& it, const Rect& box, int dx, int dy, bool centreY) {
  if (it.text.empty() || empty(box)) return;
  TextRun run;
  if (!texts.run(it.font, pixelSize(it.font.points, placed.scale), it.text, run) || !run.mask) return;
  int x = box.x;
  if (it.alignment == int(Alignment::Right)) x = box.x + box.w - run.width;
  if (it.alignment == int(Alignment::Center)) x = box.x + (box.w - run.width) / 2;
  const int y = centreY ? box.y + (box.h - run.height) / 2 : box.y;
  const Rect ink{x + dx + run.maskX, y + dy + run.maskY, run.maskW, run.maskH};
  const Rect area = intersect(intersect(ink, box), clip);
  const PixelFormat& f = out.format;
  for (int py = area.y; py < area.y + area.h; ++py) {
    uint32_t* row = out.pixels + size_t(py) * out.stride;
    const uint8_t* m = run.mask + size_t(py - ink.y) * run.maskW - ink.x;
    for (int px = area.x; px < area.x + area.w; ++px)
      if (const int a = m[px]) row[px] = a == 255 ? pack(it.fore, f) : blend(row[px], it.fore, a, f);
  }
}

}  // namespace zorvane::paint
