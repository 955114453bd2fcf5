// Super Zorvane! in a browser: the board of proven scores, only on a page that a board
// serves (its index.html then carries <meta name="zorvane-board">; without it nothing here
// shows or sends anything). Post to the board sends the game so far, after asking a name,
// and says where the board listed it or why it did not; The board lists the best 100 games
// of the layouts being played, each with a link that watches it (#g=ID).
'use strict';

(() => {
  if (!document.querySelector('meta[name="zorvane-board"]')) return;
  const state = window.zorvane;
  const $ = (id) => document.getElementById(id);
  const api = (path) => new URL(`api/v1/${path}`, location.href);
  let name = '';

  $('post').hidden = false;
  $('board').hidden = false;

  // What a post's answer means, in plain words.
  function told(status, answer) {
    if (status === 201) return `Verified and listed: #${answer.rank} of ${answer.of}`;
    if (status === 200) return `Already listed (this game was posted before): #${answer.rank} of ${answer.of}`;
    const why = answer && typeof answer.error === 'string' ? answer.error : `the board answered ${status}`;
    if (status === 429 || status === 503) return `Not posted: ${why}`;
    return `Not listed: ${why}`;
  }

  async function post() {
    if (state.game._zvEditorMode() === 1) return state.showMessage('Try your layouts first: the board lists games, not layouts.');
    const asked = window.prompt('Your name on the board (1 to 24 characters):', name);
    if (asked === null) return;
    name = asked;
    const body = new TextEncoder().encode(state.recordingText());
    state.showMessage('Posting to the board: it replays the game…');
    try {
      const reply = await fetch(api(`games?name=${encodeURIComponent(name)}`),
        { method: 'POST', headers: { 'Content-Type': 'text/plain' }, body });
      const answer = await reply.json().catch(() => null);
      state.showMessage(told(reply.status, answer));
    } catch (e) {
      state.showMessage(`Not posted: the board cannot be reached (${e.message || e.name}).`);
    }
  }

  // The board's list, in a panel over the picture: made once, filled at each opening.
  const panel = document.createElement('div');
  panel.id = 'board-view';
  panel.hidden = true;
  panel.setAttribute('role', 'dialog');
  panel.setAttribute('aria-label', 'The board');
  panel.style.cssText = 'position:fixed;left:1em;right:1em;top:1em;bottom:4em;overflow:auto;padding:0.6em 0.8em;' +
    'font:14px/1.4 sans-serif;color:#000;background:#eef;border:1px solid #446;';
  document.body.appendChild(panel);
  const close = () => { panel.hidden = true; };
  window.addEventListener('keydown', (e) => { if (e.code === 'Escape' && !panel.hidden) close(); });

  const minutes = (ms) => `${Math.floor(ms / 60000)}:${String(Math.floor(ms / 1000) % 60).padStart(2, '0')}`;
  function cell(row, text) {
    const td = document.createElement('td');
    td.textContent = text;  // names are the posters' words: text only
    row.appendChild(td);
    return td;
  }

  async function showBoard() {
    const board = state.game.UTF8ToString(state.game._zvBoard());
    panel.textContent = '';
    const head = document.createElement('p');
    const closer = document.createElement('button');
    closer.type = 'button';
    closer.textContent = 'Close';
    closer.addEventListener('click', close);
    head.append(board === 'builtin' ? 'The best games of the built-in layouts ' : 'The best games of these layouts ', closer);
    panel.appendChild(head);
    panel.hidden = false;
    let list;
    try {
      const reply = await fetch(api(`boards/${board}?limit=100`));
      list = await reply.json();
      if (!reply.ok) throw new Error(list.error);
    } catch (e) {
      panel.append(`The board cannot be read (${e.message || e.name}).`);
      return;
    }
    if (list.games.length === 0) {
      panel.append('No game is listed yet: be the first to post one.');
      return;
    }
    const table = document.createElement('table');
    const titles = table.insertRow();
    for (const t of ['#', 'Name', 'Score', 'Length', 'Posted', '']) cell(titles, t).style.fontWeight = 'bold';
    for (const g of list.games) {
      const row = table.insertRow();
      for (const text of [g.rank, g.name, g.score, minutes(g.length), g.posted.slice(0, 10)]) cell(row, String(text));
      const link = document.createElement('a');
      link.href = `#g=${encodeURIComponent(g.id)}`;
      link.textContent = 'Watch';
      cell(row, '').appendChild(link);
    }
    table.style.borderSpacing = '1em 0.2em';
    panel.append(table, list.total === 1 ? 'One game in all.' : `${list.total} games in all.`);
  }

  // A link to a listed game (#g=ID): the board's copy of it, played as a recording.
  async function openGame() {
    if (!location.hash.startsWith('#g=')) return;
    const id = decodeURIComponent(location.hash.slice(3));
    if (!/^[A-Za-z0-9_-]{1,32}$/.test(id)) return state.showMessage('This link to a listed game is broken.');
    close();
    try {
      const reply = await fetch(api(`games/${id}`));
      if (!reply.ok) return state.showMessage('The board has no such game (it may have been taken off).');
      await state.playRecording(`game ${id}`, await reply.text());
    } catch (e) {
      state.showMessage(`The game cannot be fetched from the board (${e.message || e.name}).`);
    }
  }

  state.whenReady(() => {
    $('post').addEventListener('click', post);
    $('board').addEventListener('click', showBoard);
    window.addEventListener('hashchange', openGame);
    openGame();
  });
  state.board = { told, showBoard };  // for the tests
})();
