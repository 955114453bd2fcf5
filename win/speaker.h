// The game's sound effects through waveOut: the cues of each event start their effects.
// A thread of its own keeps the device fed while something plays, and sleeps otherwise.
#pragma once
#include "win/system.h"
// after windows.h:
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <span>
#include <thread>

#include "game/cues.h"
#include "sound/effects.h"

namespace zorvane::win {

class Speaker {
 public:
  Speaker() : mixer(effects) {}
  ~Speaker() { close(); }
  Speaker(const Speaker&) = delete;
  Speaker& operator=(const Speaker&) = delete;

  bool open();                           // the default output device; false after a warning line
  void play(std::span<const Cue> cues);  // starts each cue's effect
  bool idle();                           // true when nothing plays

 private:
  static constexpr int blocks = 3, samples = 384;  // 8.7 ms each: an effect starts within a few
  void close();
  void feed();                           // the thread: refills each block the device is done with

  sound::Effects effects;
  sound::Mixer mixer;                    // under `lock`
  std::mutex lock;
  HWAVEOUT device = nullptr;
  HANDLE done = nullptr;                 // set by the device when a block has played, and by play()
  WAVEHDR headers[blocks]{};
  int16_t buffers[blocks][samples]{};
  std::atomic<bool> stopping{false};
  std::thread worker;
};

}  // namespace zorvane::win
