// platforms/web/pre.js — runs inside the game's module before main: the folders, the kept log, the audio.
// The game runs in /game, which holds Data/ and the music's patch set (preloaded, read only) and gamelog.txt.
// gamelog.txt there is a device: each write is appended to /save/gamelog.txt, a folder the browser keeps across
// visits (IndexedDB), and each whole line goes to the console as it is written.
Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  FS.mkdirTree('/game');
  FS.chdir('/game');

  FS.mkdir('/save');
  FS.mount(IDBFS, {}, '/save');
  addRunDependency('roofrunner-save');
  FS.syncfs(true, function (err) {
    if (err) {
      Module.rrFail('Roofrunner could not open the browser\'s storage, where it keeps its log (' + err + '). ' +
        'Allow this site to store data (some private windows do not) and reload the page.');
      return;
    }
    var syncing = false, waiting = [];
    // Writes the kept folder back to the browser's storage; done (if any) runs once what was written is kept.
    function sync(done) {
      if (done) waiting.push(done);
      if (syncing) return;
      syncing = true;
      var now = waiting;
      waiting = [];
      FS.syncfs(false, function () {
        syncing = false;
        now.forEach(function (f) { f(); });
        if (waiting.length) sync();
      });
    }
    Module.rrSyncLog = sync;
    var timer = null;
    var pending = '';
    var decoder = new TextDecoder();
    var device = FS.makedev(64, 0);
    FS.registerDevice(device, {
      open: function () { },
      close: function () { },
      read: function () { return 0; },
      // Opened for appending, every write first seeks to the end: a log has no places to seek to.
      llseek: function () { return 0; },
      write: function (stream, buffer, offset, length) {
        var bytes = buffer.subarray(offset, offset + length);
        var f = FS.open('/save/gamelog.txt', 'a');
        FS.write(f, bytes, 0, bytes.length);
        FS.close(f);
        pending += decoder.decode(bytes, { stream: true });
        var lines = pending.split('\n');
        pending = lines.pop();
        lines.forEach(function (line) { if (line.length) console.log(line); });
        clearTimeout(timer);
        timer = setTimeout(sync, 250);
        return length;
      }
    });
    FS.mkdev('/game/gamelog.txt', device);
    window.addEventListener('pagehide', function () { sync(); });
    removeRunDependency('roofrunner-save');
  });

  addRunDependency('roofrunner-audio');
  Module.rrSetUpAudio().then(function (audio) {
    Module.rrAudio = audio;
    removeRunDependency('roofrunner-audio');
  });
});
