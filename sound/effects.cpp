#include "sound/effects.h"

#include <algorithm>

namespace zorvane::sound {
namespace {

// Short and quiet, pitched apart: bounces low and soft, bricks brighter, the game's turns
// longer and sliding.
constexpr std::array<EffectShape, cueKinds> shapes = {{
    {Wave::Triangle, 392, 370, 2, 10, 35, 5000},   // Wall
    {Wave::Square, 262, 330, 2, 15, 40, 2500},     // Paddle
    {Wave::Square, 880, 1175, 2, 20, 45, 2200},    // BrickCleared
    {Wave::Square, 587, 523, 2, 20, 40, 2200},     // BrickWeakened
    {Wave::Triangle, 1568, 1480, 1, 15, 90, 4500},  // BrickUnbreakable
    {Wave::Triangle, 523, 1047, 3, 60, 80, 5000},  // BrickSpecial
    {Wave::Noise, 1800, 200, 3, 60, 200, 3000},    // BallLost
    {Wave::Triangle, 659, 1319, 3, 150, 90, 5000},  // ExtraLife
    {Wave::Square, 523, 1568, 3, 180, 110, 2200},  // FieldCleared
    {Wave::Square, 330, 82, 3, 150, 140, 2500},    // GameOver
}};

}  // namespace

const EffectShape& shapeOf(CueKind kind) { return shapes[static_cast<size_t>(kind)]; }

std::vector<int16_t> synthesize(const EffectShape& s) {
  const int64_t attack = int64_t(s.attackMs) * sampleRate / 1000;
  const int64_t hold = int64_t(s.holdMs) * sampleRate / 1000;
  const int64_t release = int64_t(s.releaseMs) * sampleRate / 1000;
  const int64_t n = attack + hold + release;
  std::vector<int16_t> out(static_cast<size_t>(n));
  uint32_t phase = 0;
  uint32_t noise = 0xACE1u;  // a 16-bit LFSR, stepped once a period
  int64_t level = 32767;    // the noise's present level
  for (int64_t i = 0; i < n; ++i) {
    // The pitch slides linearly; a phase of 2^32 is one period.
    const int64_t hz = s.startHz + (int64_t(s.endHz) - s.startHz) * i / n;
    const uint32_t before = phase;
    phase += static_cast<uint32_t>((hz << 32) / sampleRate);
    int64_t wave = 0;  // -32767..32767
    switch (s.wave) {
      case Wave::Square: wave = phase < 0x80000000u ? 32767 : -32767; break;
      case Wave::Triangle: {
        const int64_t p = phase >> 16;  // 0..65535
        wave = (p < 32768 ? 2 * p : 2 * (65535 - p)) - 32767;
        break;
      }
      case Wave::Noise:
        if (phase < before) {
          noise = (noise >> 1) ^ (-(noise & 1u) & 0xB400u);
          level = (noise & 1u) ? 32767 : -32767;
        }
        wave = level;
        break;
    }
    // A linear rise, a hold and a linear fall: no click at either end.
    int64_t envelope = 65536;
    if (i < attack) envelope = 65536 * (i + 1) / (attack + 1);
    if (i >= attack + hold) envelope = 65536 * (n - i) / (release + 1);
    out[static_cast<size_t>(i)] = static_cast<int16_t>(wave * envelope / 65536 * s.peak / 32767);
  }
  return out;
}

Effects::Effects() {
  for (int k = 0; k < cueKinds; ++k) samples[static_cast<size_t>(k)] = synthesize(shapes[static_cast<size_t>(k)]);
}

void Mixer::play(CueKind kind) {
  // The same effect again, or else a free voice, or else the one nearest its end.
  Voice* v = nullptr;
  for (Voice& x : voices)
    if (x.at < x.samples.size() && x.kind == kind) v = &x;
  for (Voice& x : voices)
    if (!v && x.at >= x.samples.size()) v = &x;
  if (!v)
    v = &*std::max_element(voices.begin(), voices.end(), [](const Voice& a, const Voice& b) {
      return a.at * b.samples.size() < b.at * a.samples.size();
    });
  *v = {effects.of(kind), 0, kind};
}

void Mixer::mix(std::span<int16_t> out) {
  for (int16_t& sample : out) {
    int32_t sum = 0;
    for (Voice& v : voices)
      if (v.at < v.samples.size()) sum += v.samples[v.at++];
    sample = static_cast<int16_t>(std::clamp(sum, -32767, 32767));
  }
}

bool Mixer::playing() const {
  return std::any_of(voices.begin(), voices.end(), [](const Voice& v) { return v.at < v.samples.size(); });
}

}  // namespace zorvane::sound
