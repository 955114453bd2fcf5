#include "platform/random.h"

#include <array>
#include <cstring>
#include <cmath>

namespace zorvane {
namespace {

// Bytes below `hundredths` stand for the draw k / 100 they index; `whole` is followed by
// the draw's four bytes.
constexpr uint8_t hundredths = 100, whole = 0xff;

const std::array<float, hundredths>& twoDecimals() {
  static const std::array<float, hundredths> table = [] {
    std::array<float, hundredths> t{};
    for (size_t k = 0; k < t.size(); ++k) t[k] = static_cast<float>(double(k) / 100);
    return t;
  }();
  return table;
}

uint32_t bitsOf(float r) {
  uint32_t bits = 0;
  std::memcpy(&bits, &r, sizeof bits);
  return bits;
}

float floatOf(uint32_t bits) {
  float r = 0;
  std::memcpy(&r, &bits, sizeof r);
  return r;
}

}  // namespace

Draws::Draws(std::initializer_list<float> values) {
  for (const float r : values) push_back(r);
}

void Draws::push_back(float r) {
  if (!packed)
    packed = std::make_shared<std::deque<uint8_t>>();
  else if (packed.use_count() > 1)
    packed = std::make_shared<std::deque<uint8_t>>(*packed);
  const long k = std::lround(double(r) * 100);
  if (k >= 0 && k < hundredths && bitsOf(twoDecimals()[size_t(k)]) == bitsOf(r)) {
    packed->push_back(uint8_t(k));
  } else {
    const uint32_t bits = bitsOf(r);
    packed->insert(packed->end(), {whole, uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)});
  }
  ++count;
}

Draws::Reader Draws::begin() const { return {packed.get(), 0}; }
Draws::Reader Draws::end() const { return {packed.get(), bytes()}; }

bool Draws::operator==(const Draws& other) const {
  return count == other.count && (shares(other) || (bytes() == other.bytes() && std::equal(begin(), end(), other.begin())));
}

float Draws::Reader::operator*() const {
  const uint8_t b = (*bytes)[at];
  if (b != whole) return twoDecimals()[b];
  uint32_t bits = 0;
  for (size_t i = 4; i > 0; --i) bits = bits << 8 | (*bytes)[at + i];
  return floatOf(bits);
}

Draws::Reader& Draws::Reader::operator++() {
  at += (*bytes)[at] == whole ? 5 : 1;
  return *this;
}

Draws::Reader Draws::at(size_t byte) const { return {packed.get(), byte}; }

float RandomSource::draw() {
  if (taken < queue.size()) {
    Draws::Reader r = queue.at(next);
    const float value = *r;
    next = (++r).place();
    ++taken;
    return value;
  }
  // 24 random bits scaled by 2^-24: exact in single precision and never 1.
  return static_cast<float>(engine() >> 40) * 0x1p-24f;
}

void RandomSource::Randomize() {
  // The seed is an input like time and keys: the live window hands in one it read from the
  // clock, a replay the script's. With none handed in, the generator runs on as it stands.
  if (seeds.empty()) return;
  seed(seeds.front());
  seeds.pop_front();
}

void RandomSource::enqueue(float r) { queue.push_back(r); }

void RandomSource::enqueue(const Draws& draws) {
  if (queued() == 0) {
    queue = draws;
    taken = next = 0;
  } else {
    for (const float r : draws) queue.push_back(r);
  }
}

void RandomSource::seed(uint64_t value) { engine.seed(value); }

}  // namespace zorvane
