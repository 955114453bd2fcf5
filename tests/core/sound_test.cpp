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

// Five effects at once on four voices: the fifth takes the voice of the one nearest its end
// (the largest share played), and the others play on untouched.
TEST(SoundMixer, AFifthEffectTakesTheVoiceNearestItsEnd) {
  const Effects effects;
  Mixer mixer(effects);
  const CueKind kinds[] = {CueKind::Wall, CueKind::Paddle, CueKind::BrickCleared, CueKind::BrickWeakened};
  const size_t played[] = {300, 200, 100, 40};  // samples of each before the fifth starts
  std::vector<int16_t> scratch(300);
  for (size_t i = 0; i < 4; ++i) {
    mixer.play(kinds[i]);
    mixer.mix(std::span(scratch).first(i + 1 < 4 ? played[i] - played[i + 1] : played[i]));
  }
  size_t gone = 0;  // the one nearest its end
  for (size_t i = 1; i < 4; ++i)
    if (double(played[i]) / double(effects.of(kinds[i]).size()) > double(played[gone]) / double(effects.of(kinds[gone]).size()))
      gone = i;
  mixer.play(CueKind::BrickUnbreakable);
  std::vector<int16_t> out(2000), want(2000);
  mixer.mix(out);
  for (size_t t = 0; t < want.size(); ++t) {
    int32_t sum = 0;
    for (size_t i = 0; i < 4; ++i) {
      const std::span<const int16_t> s = effects.of(kinds[i]);
      if (i != gone && played[i] + t < s.size()) sum += s[played[i] + t];
    }
    const std::span<const int16_t> fifth = effects.of(CueKind::BrickUnbreakable);
    if (t < fifth.size()) sum += fifth[t];
    want[t] = static_cast<int16_t>(std::clamp(sum, -32767, 32767));
  }
  EXPECT_TRUE(out == want);
}

}  // namespace
}  // namespace zorvane::sound
