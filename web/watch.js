// Super Zorvane! in a browser: watching a recording at any speed and from any moment, and
// the game recorded as it is played, saved as a file or shared as a link. A link carries
// the recording itself in its fragment (#r=, deflate-raw, base64url), which no server sees.
'use strict';

(() => {
  const state = window.zorvane;
  const maxLinkBytes = 1 << 20;       // the longest fragment a link may have
  const $ = (id) => document.getElementById(id);
  const controls = $('watch'), share = $('share'), position = $('watch-position');
  const game = () => state.game;

  // After each wake: the controls show while a recording plays, the slider follows it, and
  // its end is told with what it proved.
  state.afterWake = () => {
    const g = game();
    if (g._zvHandedOver()) {
      controls.hidden = true;
      share.hidden = false;
      const verdict = g.UTF8ToString(g._zvVerdict());
      if (verdict) state.showMessage(verdict);
    }
    const playing = g._zvPlaying() === 1;
    if (playing && controls.hidden) {
      controls.hidden = false;
      share.hidden = true;
      position.max = String(g._zvPlayLength());
    }
    if (!playing) return;
    if (document.activeElement !== position) position.value = String(g._zvNow());
    $('watch-speed').textContent = `${g._zvSpeed()}\u00d7`;
    $('watch-pause').textContent = g._zvPaused() ? 'Play' : 'Pause';
  };

  // What the buttons and the slider do, also for the tests: the game's own watch controls,
  // each at the time it happens.
  const act = (f) => {
    state.catchUp();
    const r = f(game());
    state.wake();
    return r;
  };
  const control = {
    pause: () => act((g) => g._zvPause()),
    faster: (up) => act((g) => g._zvFaster(up ? 1 : 0)),
    jumpBy: (on) => act((g) => g._zvJumpBy(on ? 1 : 0) === 1),
    jumpTo: (ms) => act((g) => g._zvJumpTo(ms) === 1),
    stopJump: () => act((g) => g._zvStopJump() === 1),  // a jump on its way stops where it got to
  };
  state.watch = control;
  $('watch-pause').addEventListener('click', () => control.pause());
  $('watch-back').addEventListener('click', () => control.jumpBy(false));
  $('watch-on').addEventListener('click', () => control.jumpBy(true));
  $('watch-slower').addEventListener('click', () => control.faster(false));
  $('watch-faster').addEventListener('click', () => control.faster(true));
  position.addEventListener('input', () => control.jumpTo(Number(position.value)));
  // Esc stops a jump on its way also while the slider, whose keys the page leaves it, has the focus.
  position.addEventListener('keydown', (e) => { if (e.code === 'Escape') control.stopJump(); });

  // The game so far as a replay script, in pieces of bytes, ending with the proof of the
  // game now; in the layout editor its layout file, which a link carries the same way.
  const editing = () => game()._zvEditorMode() === 1;
  function recording() {
    const g = state.game;
    if (!editing()) return state.recordingPieces();
    const lengthAt = g._malloc(4);
    try {
      const at = g._zvLayoutFile(lengthAt), length = g.HEAP32[lengthAt >> 2];
      return [g.HEAPU8.slice(at, at + length)];
    } finally {
      g._free(lengthAt);
    }
  }

  // Save this game: a download named with the date and the score (layouts: with the date).
  function save() {
    const pieces = recording();
    const date = new Date().toISOString().slice(0, 16).replace(/[T:]/g, '-');
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob(pieces, { type: 'text/plain' }));
    a.download = state.withText(date, (ptr) => game().UTF8ToString(game()._zvFileName(ptr)));
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 60000);
  }

  function base64url(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  // The link to this game, or null with the reason when it would be too long.
  async function shareLink() {
    const packed = new Uint8Array(await new Response(
      new Blob(recording()).stream().pipeThrough(new CompressionStream('deflate-raw'))).arrayBuffer());
    const fragment = 'r=' + base64url(packed);
    if (fragment.length > maxLinkBytes) {
      return { why: `This game is too long for a link (${Math.ceil(fragment.length / 1024)} KiB packed, ` +
                    `${maxLinkBytes / 1024} KiB at most): use Save this game instead.` };
    }
    return { link: location.origin + location.pathname + '#' + fragment };
  }
  state.shareLink = shareLink;
  state.save = save;
  state.recordingText = () => state.textOf(recording());
  async function copyLink() {
    const { link, why } = await shareLink();
    if (!link) return state.showMessage(why);
    try {
      await navigator.clipboard.writeText(link);
      state.showMessage(editing() ? 'A link to these layouts is copied: whoever opens it plays them.'
        : 'A link to this game is copied: whoever opens it watches the game, checked move by move.');
    } catch {
      history.replaceState(null, '', link);
      state.showMessage('The browser did not let the page copy the link: it is in the address bar now.');
    }
  }

  // A link's recording, unpacked as it is read: its text is decoded and handed to the
  // inflater about 1 KiB at a time, as fast as the game reads what comes out, so that a link
  // that unpacks to far more than a script may hold is stopped at the bound and never held whole
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
        if ((length += value.length) > game()._zvMaxScriptBytes()) throw new RangeError('longer than the bound');
        yield value;
      }
    } finally {
      reader.cancel().catch(() => {});
    }
  }

  // Opens a link's recording: bounded, unpacked, and played; a plain message for a bad one.
  async function openLink() {
    const hash = window.zorvaneLinks.next();
    if (!hash || !hash.startsWith('#r=')) return;
    try {
      await readLink(hash.slice(3));
    } finally {
      state.opened++;
    }
  }
  async function readLink(data) {
    const broken = 'This link to a Super Zorvane! game is broken: ';
    if (data.length + 2 > maxLinkBytes) return state.showMessage(`${broken}it is longer than the 1 MiB a link may hold.`);
    if (!/^[A-Za-z0-9_-]*$/.test(data) || data.length % 4 === 1) return state.showMessage(`${broken}it is not base64url.`);
    try {
      await state.playPieces('link', unpacked(data), true);
    } catch (e) {
      const bound = `is longer than ${game()._zvMaxScriptBytes() / (1 << 20)} MiB`;
      state.showMessage(`${broken}its recording ${e instanceof RangeError ? bound : 'cannot be unpacked'}.`);
    }
  }

  state.whenReady(() => {
    $('save').addEventListener('click', () => (editing() ? act((g) => g._zvEditorSave()) : save()));
    $('link').addEventListener('click', copyLink);
    share.hidden = false;
    window.zorvaneLinks.arrived = openLink;
    openLink();
  });
})();
