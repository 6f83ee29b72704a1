// platforms/web/sw.js — the service worker that keeps the game's files, so that it plays offline after the first
// visit. The line below is written at build time (stamp_sw.py): the version and every kept file's SHA-256.
var KEPT = {"version": "", "key": "", "files": {}};

// One cache per upload and per folder (two games on one site keep their own), named by the version and the
// files' hashes: a new upload is a new cache, filled whole before it is used, so a page never mixes two uploads.
var PREFIX = 'roofrunner ' + self.registration.scope + ' ';
var CACHE = PREFIX + KEPT.version + ' ' + KEPT.key;

function hex(buffer) {
  return Array.prototype.map.call(new Uint8Array(buffer), function (b) {
    return (b < 16 ? '0' : '') + b.toString(16);
  }).join('');
}

// Each file as the server has it now, refused unless it is the one this upload names: a file uploaded after this
// worker was written belongs to the next one. The browser's own cache is asked first (a file it has is not
// downloaded twice), then, when its copy is not this upload's, the server itself: a server that tells changes by
// the second may call a file changed within the second unchanged.
function fetchChecked(name, mode) {
  return fetch(new Request(name, { cache: mode })).then(function (r) {
    if (!r.ok) throw new Error(name + ': ' + r.status);
    return r.clone().arrayBuffer().then(function (body) {
      return crypto.subtle.digest('SHA-256', body);
    }).then(function (digest) {
      if (hex(digest) !== KEPT.files[name]) throw new Error(name + ' is not the file of this upload');
      return r;
    });
  });
}

function keep(cache, name) {
  return fetchChecked(name, 'no-cache').catch(function () {
    return fetchChecked(name, 'reload');
  }).then(function (r) {
    return cache.put(name, r);
  });
}

self.addEventListener('install', function (e) {
  e.waitUntil(caches.open(CACHE).then(function (cache) {
    return Promise.all(Object.keys(KEPT.files).map(function (name) { return keep(cache, name); }));
  }).catch(function (err) {
    return caches.delete(CACHE).then(function () { throw err; });
  }));
});

// The first worker takes the page that installed it; a later one waits for the page to ask (offline.js), so that
// no page is switched to new files while it loads.
self.addEventListener('message', function (e) {
  if (e.data === 'take-over') self.skipWaiting();
});

self.addEventListener('activate', function (e) {
  e.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (n) {
      return n.indexOf(PREFIX) === 0 && n !== CACHE;
    }).map(function (n) { return caches.delete(n); }));
  }).then(function () { return self.clients.claim(); }));
});

// The kept files from the cache, the rest (a level passed to the page, another page beside it) from the network.
self.addEventListener('fetch', function (e) {
  if (e.request.method !== 'GET') return;
  var url = new URL(e.request.url);
  url.hash = '';
  url.search = '';
  var scope = self.registration.scope;
  if (url.href.indexOf(scope) !== 0) return;
  var name = url.href.slice(scope.length) || 'index.html';
  if (!(name in KEPT.files)) return;
  e.respondWith(caches.open(CACHE).then(function (cache) {
    return cache.match(name);
  }).then(function (r) {
    return r || fetch(e.request);
  }));
});
