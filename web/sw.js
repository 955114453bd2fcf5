// The page's service worker: every file of the site in one cache named after the build, so
// that after one visit the game loads and plays with no network, and a new build (a new
// name) replaces the old cache.
'use strict';
const site = { version: 'unbuilt', files: [] };  // this build's, written in by web/site.mjs
const prefix = `zorvane ${self.registration.scope} `, cacheName = prefix + site.version;

self.addEventListener('install', (e) => {
  e.waitUntil(caches.open(cacheName)
    .then((cache) => cache.addAll(site.files.map((f) => new Request(f, { cache: 'reload' }))))
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
