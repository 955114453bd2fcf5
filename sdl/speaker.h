// The game's sound effects on SDL's audio device: the cues of each event start their
// effects; the device is paused while nothing plays.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <memory>
#include <span>

#include "game/cues.h"
#include "sound/effects.h"

namespace zorvane::sdl {

class Speaker {
 public:
  // The default output device, or null after one warning line on standard error.
  static std::unique_ptr<Speaker> open();
  ~Speaker();
  Speaker(const Speaker&) = delete;
  Speaker& operator=(const Speaker&) = delete;

  void play(std::span<const Cue> cues);  // starts each cue's effect
  bool idle();                           // true when nothing plays; the device is then paused
  // For the latency figure: the effects started, and the longest from a cue to its first
  // sample leaving the callback, plus the buffer it sits in, in ms.
  uint64_t started() const { return effectsStarted; }
  double worstLatency() const { return worstMs; }  // ms

 private:
  Speaker() : mixer(effects) {}
  static void fill(void* self, Uint8* stream, int bytes);

  sound::Effects effects;
  sound::Mixer mixer;
  SDL_AudioDeviceID device = 0;
  bool paused = true;
  double bufferMs = 0;
  // Set by play, read by the callback, both under the device's lock.
  uint64_t cuedAt = 0;  // performance counter at the oldest cue not yet mixed; 0: none
  uint64_t effectsStarted = 0;
  double worstMs = 0;
};

}  // namespace zorvane::sdl
