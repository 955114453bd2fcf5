// Sound on the page: the Sound button beside the picture turns the game's effects on and
// off, off at first. The effects are the game's own samples, made in the WebAssembly
// module from the same table as the desktop's; the page (page.js) hands over the game's
// cues each time it moves the game's clock on.
'use strict';

(() => {
  const button = document.getElementById('sound');
  let audio = null;        // the AudioContext, created in the first click
  let buffers = null;      // one AudioBuffer per cue kind
  let on = false;
  const sounding = [];     // the source playing each kind: a repeat starts it again
  // For the tests and the figures: effects started, and the longest from the tick that
  // raised a cue to its effect leaving the speaker, in ms: the page's lateness in handling
  // the tick, then the audio output's own latency.
  const figures = { started: 0, worstMs: 0, worstWaitMs: 0, outputMs: 0 };

  function makeBuffers(game) {
    const rate = game._zvSampleRate(), list = [];
    for (let k = 0; k < game._zvCueKinds(); ++k) {
      const n = game._zvEffectLength(k), b = audio.createBuffer(1, n, rate), data = b.getChannelData(0);
      for (let i = 0; i < n; ++i) data[i] = game._zvEffectSample(k, i) / 32768;
      list.push(b);
    }
    return list;
  }

  button.addEventListener('click', () => {
    on = !on;
    if (on) {
      // Browsers let a page start sound only inside a click: create or resume it here, with
      // the shortest output buffer the browser allows.
      if (!audio) audio = new AudioContext({ latencyHint: 0 });
      audio.resume();
    } else if (audio) {
      audio.suspend();
    }
    button.setAttribute('aria-pressed', String(on));
    button.textContent = on ? 'Sound: on' : 'Sound: off';
  });

  // Called each time the game's clock has moved on, to `now`.
  function hear(game, now) {
    const cues = game._zvCues();  // taken even while off, so that none wait for later
    if (!on || !cues || !window.zorvane || !audio) return;
    if (!buffers) buffers = makeBuffers(window.zorvane.game);
    for (let k = 0; k < buffers.length; ++k) {
      if (!(cues & (1 << k))) continue;
      if (sounding[k]) sounding[k].stop();
      const source = audio.createBufferSource();
      source.buffer = buffers[k];
      source.connect(audio.destination);
      source.start();
      sounding[k] = source;
      figures.started += 1;
    }
    const waitMs = now - game._zvCuedAt();
    figures.outputMs = 1000 * (audio.baseLatency + (audio.outputLatency || 0));
    figures.worstWaitMs = Math.max(figures.worstWaitMs, waitMs);
    figures.worstMs = Math.max(figures.worstMs, waitMs + figures.outputMs);
  }

  window.zorvaneSound = { hear, figures, context: () => audio };
})();
