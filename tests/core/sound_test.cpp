// The sound effects: each one heard, short, never clipped, and the very same samples on
// every run and in every build; the mixer restarting a repeated cue instead of piling it up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "sound/effects.h"

namespace zorvane::sound {
namespace {

TEST(SoundEffects, EachIsHeardShortUnclippedAndTheSameSamplesEveryRun) {
  const Effects effects;
  uint64_t hash = 1469598103934665603u;  // FNV-1a over every effect's samples
  for (int k = 0; k < cueKinds; ++k) {
    SCOPED_TRACE("cue kind " + std::to_string(k));
    const std::span<const int16_t> s = effects.of(static_cast<CueKind>(k));
    int peak = 0;
    for (const int16_t x : s) {
      peak = std::max(peak, std::abs(int(x)));
      hash = (hash ^ uint16_t(x)) * 1099511628211u;
    }
    EXPECT_LE(s.size(), size_t(sampleRate) * 300 / 1000);
    EXPECT_GE(peak, shapeOf(static_cast<CueKind>(k)).peak / 2);  // heard
    EXPECT_LE(peak, 8000);                                       // quiet, and four at once never clip
    EXPECT_LE(std::abs(int(s.front())) + std::abs(int(s.back())), 400);  // no click at either end
  }
  EXPECT_EQ(hash, 2517258727873958151u);  // a change of the table or of the synthesis moves it
}

TEST(SoundMixer, ARepeatedCueStartsAgainAndTheMixStopsWhenItEnds) {
  const Effects effects;
  Mixer mixer(effects);
  const std::span<const int16_t> wall = effects.of(CueKind::Wall);
  std::vector<int16_t> out(wall.size());
  mixer.play(CueKind::Wall);
  mixer.mix(std::span(out).first(100));
  mixer.play(CueKind::Wall);  // again: from the start, not twice as loud
  mixer.mix(out);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), wall.begin()));
  EXPECT_FALSE(mixer.playing());
  mixer.mix(out);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t x) { return x == 0; }));
}

}  // namespace
}  // namespace zorvane::sound
