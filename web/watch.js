// Super Zorvane! in a browser: watching a recording at any speed and from any moment, and
// the game recorded as it is played, saved as a file or shared as a link. A link carries
// the recording itself in its fragment (#r=, deflate-raw, base64url), which no server sees.
'use strict';

(() => {
  const state = window.zorvane;
  const maxLinkBytes = 1 << 20;       // the longest fragment a link may have
  const maxScriptBytes = 64 << 20;    // the longest recording the game plays
  const speeds = [0.25, 0.5, 1, 2, 4, 8];
  const $ = (id) => document.getElementById(id);
  const controls = $('watch'), share = $('share'), position = $('watch-position');

  // The recording's clock: game time runs at `speed` times the wall clock from `base`, set
  // at `wallBase`, or stands still while paused. A new recording starts a new clock.
  const watch = { origin: null, base: 0, wallBase: 0, speed: 1, paused: false, playing: false };
  const playing = () => state.game._zvPlaying() === 1;
  function watchTime(now) {
    return watch.paused ? watch.base : watch.base + Math.max(0, Math.floor((now - watch.wallBase) * watch.speed));
  }
  function rebase() {
    watch.base = state.game._zvNow();
    watch.wallBase = performance.now();
  }
  state.gameTime = () => {
    const now = performance.now();
    if (state.origin !== watch.origin) {  // a recording (or the page) has just started
      Object.assign(watch, { origin: state.origin, base: 0, wallBase: state.origin, speed: 1, paused: false, playing: playing() });
      if (watch.playing) started();
    }
    if (watch.playing && !playing()) ended(now);
    return watch.playing ? watchTime(now) : Math.max(0, Math.floor(now - state.origin));
  };
  // When game time `t` comes on the wall clock: never while paused, unless the game has yet
  // to reach it (a jump on its way), which is at once.
  state.wallAt = (t) => {
    if (!watch.playing) return state.origin + t;
    if (t < watch.base) return performance.now();
    return watch.paused ? -1 : watch.wallBase + (t - watch.base) / watch.speed;
  };
  // Back from a hidden page: the recording goes on from where it stood, as the game did.
  state.resumeWatch = (away) => {
    if (watch.origin !== null) watch.origin += away;
    watch.wallBase += away;
  };
  // How fast the game goes: a recording's speed while one plays, else 1.
  state.speed = () => (watch.playing ? watch.speed : 1);
  // After each wake: the slider follows the recording, a jump on its way shows how far it
  // has got, and the recording's end is told.
  state.afterWake = () => {
    if (state.hold) return;  // the tests' held clock: no recording's clock either
    state.gameTime();
    if (watch.playing && document.activeElement !== position) position.value = String(state.game._zvNow());
    const progress = watch.playing ? state.game._zvJumpProgress() : -1;
    state.jumpNote = progress < 0 ? '' : ` \u2014 jumping: ${Math.floor(progress * 100)}% (Esc stops)`;
  };

  // The recording has ended: the player's wall clock goes on from the game's time, and the
  // page says what the recording proved.
  function ended(now) {
    watch.playing = false;
    state.origin = watch.origin = now - state.game._zvNow();
    controls.hidden = true;
    share.hidden = false;
    const verdict = state.game.UTF8ToString(state.game._zvVerdict());
    if (verdict) state.showMessage(verdict);
  }
  function started() {
    controls.hidden = false;
    share.hidden = true;
    position.max = String(state.game._zvPlayLength());
    showSpeed();
  }
  function showSpeed() {
    $('watch-speed').textContent = `${watch.speed}\u00d7`;
    $('watch-pause').textContent = watch.paused ? 'Play' : 'Pause';
  }

  // What the buttons and the slider do, also for the tests. (Each first reads the clock, so
  // that a recording that has just started has its own clock.)
  const control = {
    pause() {
      state.gameTime();
      if (!playing()) return;
      rebase();
      watch.paused = !watch.paused;
      showSpeed();
      state.wake();
    },
    faster(up) {
      state.gameTime();
      rebase();
      watch.speed = speeds[Math.min(Math.max(speeds.indexOf(watch.speed) + (up ? 1 : -1), 0), speeds.length - 1)];
      showSpeed();
      state.wake();
    },
    jumpTo(ms) {
      state.gameTime();
      if (!playing()) return false;
      const still = state.game._zvJumpTo(Math.max(0, ms)) === 1;  // (a jump on its way goes)
      rebase();
      state.wake();
      return still;
    },
    // A jump on its way stops where it has got to; false when none was.
    stopJump() {
      state.gameTime();
      if (!playing() || !state.game._zvStopJump()) return false;
      rebase();
      state.wake();
      return true;
    },
  };
  state.watch = control;
  $('watch-pause').addEventListener('click', () => control.pause());
  $('watch-back').addEventListener('click', () => control.jumpTo(state.game._zvNow() - 10000));
  $('watch-on').addEventListener('click', () => control.jumpTo(state.game._zvNow() + 10000));
  $('watch-slower').addEventListener('click', () => control.faster(false));
  $('watch-faster').addEventListener('click', () => control.faster(true));
  position.addEventListener('input', () => control.jumpTo(Number(position.value)));
  window.addEventListener('keydown', (e) => { if (e.code === 'Escape') control.stopJump(); });

  // The game so far as a replay script (bytes), ending with an expect line about it now.
  function recording() {
    const g = state.game, lengthAt = g._malloc(4);
    try {
      const at = g._zvRecording(lengthAt), length = g.HEAP32[lengthAt >> 2];
      return g.HEAPU8.slice(at, at + length);
    } finally {
      g._free(lengthAt);
    }
  }
  const scoreOf = (bytes) => {
    const m = /currentScore=(-?\d+)[^\n]*\n?$/.exec(new TextDecoder().decode(bytes.subarray(Math.max(0, bytes.length - 400))));
    return m ? m[1] : '0';
  };

  // Save this game: a download named with the date and the score.
  function save() {
    const bytes = recording();
    const date = new Date().toISOString().slice(0, 16).replace(/[T:]/g, '-');
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
    a.download = `zorvane-${date}-score-${scoreOf(bytes).padStart(6, '0')}.zrec`;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  function base64url(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  // The link to this game, or null with the reason when it would be too long.
  async function shareLink() {
    const packed = new Uint8Array(await new Response(
      new Blob([recording()]).stream().pipeThrough(new CompressionStream('deflate-raw'))).arrayBuffer());
    const fragment = 'r=' + base64url(packed);
    if (fragment.length > maxLinkBytes) {
      return { why: `This game is too long for a link (${Math.ceil(fragment.length / 1024)} KiB packed, ` +
                    `${maxLinkBytes / 1024} KiB at most): use Save this game instead.` };
    }
    return { link: location.origin + location.pathname + '#' + fragment };
  }
  state.shareLink = shareLink;
  state.recordingText = () => new TextDecoder().decode(recording());
  async function copyLink() {
    const { link, why } = await shareLink();
    if (!link) return state.showMessage(why);
    try {
      await navigator.clipboard.writeText(link);
      state.showMessage('A link to this game is copied: whoever opens it watches the game, checked move by move.');
    } catch {
      history.replaceState(null, '', link);
      state.showMessage('The browser did not let the page copy the link: it is in the address bar now.');
    }
  }

  // A link's recording, unpacked as it is read: its text is decoded and handed to the
  // inflater about 1 KiB at a time, as fast as the game reads what comes out, so that a link
  // that unpacks to far more than 64 MiB is stopped at the bound and never held whole
  // (RangeError), and no step takes long.
  async function* unpacked(data) {
    const inflater = new DecompressionStream('deflate-raw'), writer = inflater.writable.getWriter();
    const reader = inflater.readable.getReader();
    (async () => {
      for (let at = 0; at < data.length; at += 1368) {  // 1368 characters: 1026 bytes
        const text = atob(data.slice(at, at + 1368).replace(/-/g, '+').replace(/_/g, '/'));
        const piece = new Uint8Array(text.length);
        for (let i = 0; i < text.length; i++) piece[i] = text.charCodeAt(i);
        await writer.write(piece);
      }
      await writer.close();
    })().catch(() => {});  // a fault comes out of the reader as well
    try {
      for (let length = 0; ;) {
        const { done, value } = await reader.read();
        if (done) return;
        if ((length += value.length) > maxScriptBytes) throw new RangeError('longer than the bound');
        yield value;
      }
    } finally {
      reader.cancel().catch(() => {});
    }
  }

  // Opens a link's recording: bounded, unpacked, and played; a plain message for a bad one.
  async function openLink() {
    if (!location.hash.startsWith('#r=')) return;
    const data = location.hash.slice(3);
    const broken = 'This link to a Super Zorvane! game is broken: ';
    if (data.length + 2 > maxLinkBytes) return state.showMessage(`${broken}it is longer than the 1 MiB a link may hold.`);
    if (!/^[A-Za-z0-9_-]*$/.test(data) || data.length % 4 === 1) return state.showMessage(`${broken}it is not base64url.`);
    try {
      await state.playPieces('link', unpacked(data));
    } catch (e) {
      state.showMessage(`${broken}its recording ${e instanceof RangeError ? 'is longer than 64 MiB' : 'cannot be unpacked'}.`);
    }
  }

  window.addEventListener('zorvane-ready', () => {
    $('save').addEventListener('click', save);
    $('link').addEventListener('click', copyLink);
    share.hidden = false;
    window.addEventListener('hashchange', openLink);
    openLink();
  });
})();
