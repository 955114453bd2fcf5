// The game's sound effects, made at start-up from a small table of parameters (a waveform,
// an envelope, a pitch and a slide), and a mixer that plays them. Integers only, so that
// every build makes the very same samples. No audio device here: a front end feeds the
// mixer's samples to one.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "game/cues.h"

namespace zorvane::sound {

constexpr int sampleRate = 44100;  // mono, signed 16 bits

enum class Wave : uint8_t { Square, Triangle, Noise };

struct EffectShape {
  Wave wave = Wave::Square;
  int startHz = 440, endHz = 440;  // the pitch slides linearly from start to end
  int attackMs = 2, holdMs = 20, releaseMs = 40;
  int peak = 4000;                 // the loudest sample, of 32767
};

// The shape of each cue's effect.
const EffectShape& shapeOf(CueKind kind);

// An effect's samples, made from its shape.
std::vector<int16_t> synthesize(const EffectShape& shape);

// Every cue's effect, made once.
class Effects {
 public:
  Effects();
  std::span<const int16_t> of(CueKind kind) const { return samples[static_cast<size_t>(kind)]; }  // the cue's samples

 private:
  std::array<std::vector<int16_t>, cueKinds> samples;
};

// A few voices at once. A cue already sounding starts again rather than doubling up, so
// that a quick run of hits stays a run of clicks and not a buzz.
class Mixer {
 public:
  explicit Mixer(const Effects& effects) : effects(effects) {}
  void play(CueKind kind);  // starts the cue's effect, taking the voice nearest its end when all are busy
  void mix(std::span<int16_t> out);  // adds nothing past each effect's end; silence when idle
  bool playing() const;     // some voice still sounds

 private:
  struct Voice {
    std::span<const int16_t> samples;
    size_t at = 0;
    CueKind kind = CueKind::Wall;
  };
  const Effects& effects;
  std::array<Voice, 4> voices{};
};

}  // namespace zorvane::sound
