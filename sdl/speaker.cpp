#include "sdl/speaker.h"

#include <cstdio>

namespace zorvane::sdl {

std::unique_ptr<Speaker> Speaker::open() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "zorvane: no sound: %s\n", SDL_GetError());
    return nullptr;
  }
  std::unique_ptr<Speaker> s(new Speaker());
  SDL_AudioSpec want{}, have{};
  want.freq = sound::sampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 384;  // 8.7 ms: an effect starts within a buffer or two of its event
  want.callback = fill;
  want.userdata = s.get();
  s->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (s->device == 0) {
    std::fprintf(stderr, "zorvane: no sound: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  s->bufferMs = 1000.0 * have.samples / have.freq;
  return s;
}

Speaker::~Speaker() {
  SDL_CloseAudioDevice(device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void Speaker::play(std::span<const Cue> cues) {
  SDL_LockAudioDevice(device);
  for (const Cue& c : cues) mixer.play(c.kind);
  if (cuedAt == 0) cuedAt = SDL_GetPerformanceCounter();
  effectsStarted += cues.size();
  SDL_UnlockAudioDevice(device);
  if (paused) SDL_PauseAudioDevice(device, 0);
  paused = false;
}

bool Speaker::idle() {
  if (paused) return true;
  SDL_LockAudioDevice(device);
  const bool quiet = !mixer.playing();
  SDL_UnlockAudioDevice(device);
  if (quiet) SDL_PauseAudioDevice(device, 1);
  paused = quiet;
  return quiet;
}

void Speaker::fill(void* self, Uint8* stream, int bytes) {
  Speaker& s = *static_cast<Speaker*>(self);
  s.mixer.mix({reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / 2});
  if (s.cuedAt == 0) return;
  const double ms = 1000.0 * double(SDL_GetPerformanceCounter() - s.cuedAt) / double(SDL_GetPerformanceFrequency());
  if (ms + s.bufferMs > s.worstMs) s.worstMs = ms + s.bufferMs;
  s.cuedAt = 0;
}

}  // namespace zorvane::sdl
