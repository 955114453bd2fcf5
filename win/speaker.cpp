#include "win/speaker.h"

#include <cstdio>

namespace zorvane::win {

bool Speaker::open() {
  done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = sound::sampleRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = sound::sampleRate * 2;
  const MMRESULT r = done ? waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(done), 0, CALLBACK_EVENT)
                    : MMRESULT(MMSYSERR_NOMEM);
  if (r != MMSYSERR_NOERROR) {
    wchar_t text[MAXERRORLENGTH] = L"";
    waveOutGetErrorTextW(r, text, MAXERRORLENGTH);
    std::fprintf(stderr, "zorvane: no sound: %ls\n", text);
    if (done) CloseHandle(done);
    device = nullptr, done = nullptr;
    return false;
  }
  for (int i = 0; i < blocks; ++i) {
    headers[i].lpData = reinterpret_cast<LPSTR>(buffers[i]);
    headers[i].dwBufferLength = sizeof buffers[i];
    waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
    headers[i].dwFlags |= WHDR_DONE;  // free to fill
  }
  worker = std::thread([this] { feed(); });
  return true;
}

void Speaker::close() {
  if (!device) return;
  stopping = true;
  SetEvent(done);
  if (worker.joinable()) worker.join();
  waveOutReset(device);
  for (WAVEHDR& h : headers) waveOutUnprepareHeader(device, &h, sizeof h);
  waveOutClose(device);
  CloseHandle(done);
  device = nullptr;
}

void Speaker::play(std::span<const Cue> cues) {
  {
    std::lock_guard<std::mutex> held(lock);
    for (const Cue& c : cues) mixer.play(c.kind);
  }
  SetEvent(done);
}

bool Speaker::idle() {
  std::lock_guard<std::mutex> held(lock);
  return !mixer.playing();
}

void Speaker::feed() {
  while (WaitForSingleObject(done, INFINITE) == WAIT_OBJECT_0 && !stopping) {
    for (WAVEHDR& h : headers) {
      if (!(h.dwFlags & WHDR_DONE)) continue;  // still queued
      std::lock_guard<std::mutex> held(lock);
      if (!mixer.playing()) break;             // nothing to play: the device drains and rests
      int16_t* block = reinterpret_cast<int16_t*>(h.lpData);
      std::fill(block, block + samples, int16_t(0));
      mixer.mix({block, size_t(samples)});
      h.dwFlags &= ~DWORD(WHDR_DONE);
      waveOutWrite(device, &h, sizeof h);
    }
  }
}

}  // namespace zorvane::win
