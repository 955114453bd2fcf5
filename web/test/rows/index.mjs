// Every row of the browser tests, in the order they run: a module per subject, each a list of
// rows { name, run(t), cannot?: { ENGINE: why }, once?: true, errorsExpected?: true }. `run` returns [ok, detail] (or
// reports through t.check); `once` rows need no browser and run a single time.
import server from './server.mjs';
import start from './start.mjs';
import pictures from './pictures.mjs';
import recordings from './recordings.mjs';
import links from './links.mjs';
import editor from './editor.mjs';
import phone from './phone.mjs';
import offline from './offline.mjs';
import kept from './kept.mjs';

export default [...server, ...start, ...pictures, ...recordings, ...links, ...editor, ...phone, ...kept, ...offline];
