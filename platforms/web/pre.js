// platforms/web/pre.js — runs inside the game's module before main: the folders, the kept log and the audio.
// The game runs in /game, which holds Data/ and the music's patch set (preloaded, read only) and gamelog.txt.
// gamelog.txt there is a device: each whole line goes to the console as it is written, and what is written is kept
// in the browser's storage for this site (IndexedDB, the database "roofrunner").
//
// The kept log is a list of records, one for each write to storage, keyed by the run (its start time and a random
// number) and a count within the run: two tabs add their own records side by side and lose nothing, and reading
// the records in key order gives each run whole, in the order the runs started. Nothing else in the site's storage
// is touched, whatever other games on the same site keep there.
//
// The game waits for the storage and the audio before it starts, each for a few seconds at most: a step that fails
// or does not answer in time is left out with a note on the page, and the game starts without it.
Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  // Long enough for a slow phone, short enough that nobody thinks the page has hung.
  var STEP_LIMIT_MS = 6000;
  var LOG_DATABASE = 'roofrunner';
  var LOG_STORE = 'log';

  var note = Module.rrNote || function (text) { console.warn('roofrunner: ' + text); };
  if (Module.rrStepDone) Module.rrStepDone('module');

  FS.mkdirTree('/game');
  FS.chdir('/game');

  // Runs one start-up step: start(finish) calls finish() when it is ready or finish(why) when it cannot be had.
  // finish answers false when the step came too late (the game has started without it): drop what it made then.
  // lost begins each note the step leaves, saying what the game goes without; what names the step in it.
  function step(id, lost, start, what) {
    var settled = false;
    addRunDependency(id);
    function finish(why) {
      if (settled) return false;
      settled = true;
      clearTimeout(timer);
      if (why) note(lost + why);
      removeRunDependency(id);
      return !why;
    }
    var timer = setTimeout(function () {
      finish(what + ' did not answer within ' + STEP_LIMIT_MS / 1000 + ' seconds.');
    }, STEP_LIMIT_MS);
    try {
      start(finish);
    } catch (err) {
      finish(what + ' failed (' + (err && err.message || err) + ').');
    }
  }

  var log = {
    db: null,
    run: [Date.now(), Math.random()],
    seq: 0,
    text: '', // this run's whole log, for the page's link when the browser keeps nothing
    pending: '', // written, not yet kept
    busy: false,
    waiting: [],
    failing: false,
    timer: null
  };

  function refused(err) {
    console.warn('roofrunner: the browser refused its storage: ' + (err && (err.name || err.message) || err));
    return 'this browser does not let this page store data (private windows and games in frames often do not). ' +
      'Its lines go to the browser\'s console.';
  }

  // A write the browser refused (its storage for the site is full, or the database went away) loses nothing yet:
  // the lines wait for the next write. Said once until a write succeeds again.
  function report(err) {
    if (log.failing) return;
    log.failing = true;
    var name = err && err.name || String(err);
    console.error('roofrunner: the browser did not keep the latest lines of the log (' + name +
      (name === 'QuotaExceededError' ? ': the storage for this site is full' : '') + '); they are on the console.');
    note('The log is no longer kept: the browser refused to store it (' + name + ').');
  }

  // Writes what is pending to storage; done (if given) runs once it is kept or refused. Asked for while a write is
  // under way, it writes again when that one ends.
  function flush(done) {
    if (done) log.waiting.push(done);
    if (log.busy) return;
    var calls = log.waiting;
    log.waiting = [];
    if (!log.db || !log.pending) {
      calls.forEach(function (f) { f(); });
      return;
    }
    var text = log.pending;
    log.pending = '';
    log.busy = true;
    function ended(err) {
      log.busy = false;
      if (err) {
        log.pending = text + log.pending;
        report(err);
      } else {
        log.seq++;
        log.failing = false;
      }
      calls.forEach(function (f) { f(); });
      if (log.waiting.length || (log.pending && !err)) flush();
    }
    var tx;
    try {
      tx = log.db.transaction(LOG_STORE, 'readwrite');
      tx.objectStore(LOG_STORE).add(text, log.run.concat(log.seq));
    } catch (err) {
      ended(err);
      return;
    }
    tx.oncomplete = function () { ended(null); };
    tx.onabort = function () { ended(tx.error || new Error('the write was aborted')); };
  }
  Module.rrSyncLog = flush;

  // The whole kept log, every run in the order they started; this run's lines alone when nothing is kept.
  Module.rrReadLog = function (done) {
    flush(function () {
      if (!log.db) {
        done(log.text);
        return;
      }
      try {
        var r = log.db.transaction(LOG_STORE, 'readonly').objectStore(LOG_STORE).getAll();
        r.onsuccess = function () { done(r.result.join('') + log.pending); };
        r.onerror = function () { done(log.text); };
      } catch (err) {
        done(log.text);
      }
    });
  };

  step('roofrunner-log', 'The log is not kept: ', function (finish) {
    var req;
    try {
      req = indexedDB.open(LOG_DATABASE, 1);
    } catch (err) {
      finish(refused(err));
      return;
    }
    req.onupgradeneeded = function () { req.result.createObjectStore(LOG_STORE); };
    req.onsuccess = function () {
      var db = req.result;
      if (!finish()) {
        db.close();
        return;
      }
      // A newer version of the game open in another tab may need the database: let it go.
      db.onversionchange = function () {
        db.close();
        log.db = null;
      };
      log.db = db;
      flush();
    };
    req.onerror = function (e) {
      if (e.preventDefault) e.preventDefault();
      finish(refused(req.error));
    };
  }, 'the browser\'s storage');

  var pendingLine = '';
  var decoder = new TextDecoder();
  var device = FS.makedev(64, 0);
  FS.registerDevice(device, {
    open: function () { },
    close: function () { },
    read: function () { return 0; },
    // Opened for appending, every write first seeks to the end: a log has no places to seek to.
    llseek: function () { return 0; },
    write: function (stream, buffer, offset, length) {
      var text = decoder.decode(buffer.subarray(offset, offset + length), { stream: true });
      log.text += text;
      log.pending += text;
      pendingLine += text;
      var lines = pendingLine.split('\n');
      pendingLine = lines.pop();
      lines.forEach(function (line) { if (line.length) console.log(line); });
      // Kept a moment after the first unkept write, however steadily the game goes on writing.
      if (!log.timer) {
        log.timer = setTimeout(function () {
          log.timer = null;
          flush();
        }, 250);
      }
      return length;
    }
  });
  FS.mkdev('/game/gamelog.txt', device);
  window.addEventListener('pagehide', function () { flush(); });

  // The music: a worklet plays what the game mixes (web_sound.c), at the rate the browser's audio runs at.
  step('roofrunner-audio', 'No sound: ', function (finish) {
    var Ctx = window.AudioContext || window.webkitAudioContext;
    if (!Ctx || !window.AudioWorkletNode) {
      finish('this browser cannot play the music here (it has no audio worklets on this page).');
      return;
    }
    var ctx = new Ctx();
    ctx.audioWorklet.addModule('audio-worklet.js').then(function () {
      var audio;
      try {
        var node = new AudioWorkletNode(ctx, 'roofrunner-player', { outputChannelCount: [2] });
        // Where the sound reaches the speakers, for anyone who wants to know whether it plays.
        var analyser = ctx.createAnalyser();
        analyser.fftSize = 2048;
        node.connect(analyser);
        analyser.connect(ctx.destination);
        audio = { ctx: ctx, node: node, analyser: analyser, underruns: 0, opened: false };
      } catch (err) {
        ctx.close();
        finish('the browser would not start the music player (' + (err && err.message || err) + ').');
        return;
      }
      if (!finish()) {
        ctx.close();
        return;
      }
      Module.rrAudio = audio;
      if (Module.rrAudioChanged) ctx.onstatechange = Module.rrAudioChanged;
    }, function (err) {
      ctx.close();
      finish('the music player did not load (' + (err && err.message || err) + ').');
    });
  }, 'the browser\'s audio');
});
