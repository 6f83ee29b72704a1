// platforms/web/offline.js — the page's half of the offline copy (sw.js): registers the service worker and, on a
// visit that finds a new upload on the server, lets the new copy be kept whole and starts the page again on it
// before any of the game's files load, so that the game never runs on a mix of two uploads.
'use strict';
function roofrunnerOffline(start) {
  var started = false;
  function go() {
    if (started) return;
    started = true;
    start();
  }
  if (!('serviceWorker' in navigator) || location.protocol === 'file:') {
    go();
    return;
  }
  var sw = navigator.serviceWorker;
  var kept = !!sw.controller;
  // The first visit plays from the network at once, while the worker keeps its copy.
  if (!kept) go();
  // A server that does not answer must not keep a kept game from starting.
  var timer = setTimeout(go, 5000);
  function now() {
    clearTimeout(timer);
    go();
  }
  sw.register('sw.js').then(function (reg) {
    if (!kept) return now();
    return reg.update().then(function () {
      var next = reg.installing || reg.waiting;
      if (!next || started) return now();
      clearTimeout(timer);
      var status = document.getElementById('status');
      if (status) status.textContent = 'Loading the new version of Roofrunner…';
      sw.addEventListener('controllerchange', function () { location.reload(); });
      var watch = function () {
        if (next.state === 'installed') next.postMessage('take-over');
        else if (next.state === 'redundant') now();
      };
      next.addEventListener('statechange', watch);
      watch();
    });
  }).catch(function (err) {
    // Offline, or no worker allowed here (a private window, a frame): the game plays as it is.
    console.warn('roofrunner: offline copy: ' + err);
    now();
  });
}
