// The page's service worker: every file of the site in one cache named after the build, so
// that after one visit the game loads and plays with no network, and a new build (a new
// name) replaces the old cache.
'use strict';
const site = { version: 'unbuilt', files: [], sums: {} };  // this build's, written in by web/site.mjs
const prefix = `zorvane ${self.registration.scope} `, cacheName = prefix + site.version;

// The start of a body's SHA-256, in hex, as web/site.mjs writes the sums.
async function sum(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return [...digest.subarray(0, 8)].map((b) => b.toString(16).padStart(2, '0')).join('');
}
// A file as this load fetched it (the browser's HTTP cache keeps it, stale or not), when it is
// this build's; else, and only then, fetched again from the network, and kept as it comes (a
// server may add to a page it serves, such as the tests' error hook).
async function checked(file) {
  const kept = await fetch(new Request(file, { cache: 'force-cache' }));
  if (kept.ok && await sum(await kept.clone().arrayBuffer()) === site.sums[file]) return kept;
  const fresh = await fetch(new Request(file, { cache: 'reload' }));
  if (!fresh.ok) throw new Error(`${file}: ${fresh.status}`);
  return fresh;
}
// Installed once every file is kept: the first visit downloads none of them twice.
self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(cacheName)
    .then((cache) => Promise.all(site.files.map((f) => checked(f).then((r) => cache.put(f, r)))))
    .then(() => self.skipWaiting()));
});
self.addEventListener('activate', (e) => {
  e.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith(prefix) && n !== cacheName).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});
// The site's files come from the cache (a page's query, such as ?seed=1, aside); anything
// else, or a file the cache lacks, from the network.
self.addEventListener('fetch', (e) => {
  if (e.request.method !== 'GET' || new URL(e.request.url).origin !== self.location.origin) return;
  e.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(e.request, { ignoreSearch: true }))
    .then((hit) => hit || fetch(e.request)));
});
