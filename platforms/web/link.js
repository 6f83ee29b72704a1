// platforms/web/link.js — a level pack carried whole in a link, after the '#': read by the game's page (index.html
// plays it) and by the level studio (studio.html opens it, makes it, and plays its pack through the game's page).
//
// The link is "rr1." and then, in base64url, the length of the packed bytes (4 bytes), their CRC-32 (4 bytes) and
// the packed bytes: the pack deflated. The pack is text and bytes: the level to start at, the number of levels, and
// for each level its name, the number of its files and each file as its name, its length in bytes and its bytes.
// Everything read from a link is untrusted: its size is capped while it unpacks, and every name must stay in its
// folder before anything is written.
'use strict';
(function () {
  var MARK = 'rr';
  var VERSION = 1;
  // Far beyond any level (the largest shipped level is under 80 KB): a link holding more is refused, not unpacked.
  var MAX_UNPACKED = 8 * 1024 * 1024;
  var MAX_FILE = 1024 * 1024;
  var MAX_LEVELS = 1000;
  var MAX_FILES = 100;
  var WORD_MAX = 255;

  function LinkError(message) {
    this.name = 'LinkError';
    this.message = message;
  }
  LinkError.prototype = Object.create(Error.prototype);

  var table = null;
  function crc32(bytes) {
    if (!table) {
      table = new Uint32Array(256);
      for (var n = 0; n < 256; n++) {
        var c = n;
        for (var k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
        table[n] = c >>> 0;
      }
    }
    var crc = 0xffffffff;
    for (var i = 0; i < bytes.length; i++) crc = table[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
    return (crc ^ 0xffffffff) >>> 0;
  }

  // A name as the game's lists read it: one word of at most 255 characters, in its own folder. Null, or why not.
  function nameRefusal(name) {
    if (typeof name !== 'string' || name.length === 0) return 'it is empty';
    if (name.length > WORD_MAX) return 'it is longer than ' + WORD_MAX + ' characters';
    if (name === '.' || name === '..') return '"." and ".." are the folder itself and the one above';
    for (var i = 0; i < name.length; i++) {
      var c = name.charCodeAt(i);
      if (c === 47 || c === 92) return 'it holds a path separator (/ or \\)';
      if (c < 32 || c === 127) return 'it holds a control character';
      if (c === 32) return 'it holds a space: the lists read a name as one word';
      if (c > 126) return 'it holds a character outside ASCII, which systems spell differently';
    }
    return null;
  }

  // Bytes and text a byte a character, so that every file comes back as it went.
  function textOf(bytes) {
    var s = '';
    for (var i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return s;
  }
  // A character beyond a byte (typed, not read from a file) is written as UTF-8, as a text editor would.
  function bytesOf(text) {
    var out = [];
    for (var i = 0; i < text.length; i++) {
      var c = text.charCodeAt(i);
      if (c < 256) {
        out.push(c);
      } else {
        var u = unescape(encodeURIComponent(text.charAt(i)));
        for (var k = 0; k < u.length; k++) out.push(u.charCodeAt(k));
      }
    }
    return new Uint8Array(out);
  }

  function base64url(bytes) {
    return btoa(textOf(bytes)).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  function unbase64url(text) {
    if (!/^[A-Za-z0-9_-]*$/.test(text)) return null;
    if (text.length % 4 === 1) text = text.slice(0, -1);  // a cut that leaves a lone character: a partial byte
    var b64 = text.replace(/-/g, '+').replace(/_/g, '/');
    while (b64.length % 4) b64 += '=';
    var s = atob(b64);
    var out = new Uint8Array(s.length);
    for (var i = 0; i < s.length; i++) out[i] = s.charCodeAt(i);
    return out;
  }

  function collect(stream) {
    return new Response(stream).arrayBuffer().then(function (b) { return new Uint8Array(b); });
  }

  function deflate(bytes) {
    return collect(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw')));
  }

  // Inflates at most max bytes; beyond that it stops reading and rejects, so a bomb never fills memory.
  function inflate(bytes, max, tooLarge) {
    var reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
    var parts = [], total = 0;
    function next() {
      return reader.read().then(function (r) {
        if (r.done) {
          var out = new Uint8Array(total), at = 0;
          parts.forEach(function (p) { out.set(p, at); at += p.length; });
          return out;
        }
        total += r.value.length;
        if (total > max) {
          reader.cancel();
          throw new LinkError(tooLarge);
        }
        parts.push(r.value);
        return next();
      });
    }
    return next();
  }

  function pack(p) {
    var head = [String(p.start || 0), String(p.levels.length)];
    var chunks = [];
    function text(s) { chunks.push(bytesOf(s)); }
    text(head.join('\n') + '\n');
    p.levels.forEach(function (level) {
      text(level.name + '\n' + level.files.length + '\n');
      level.files.forEach(function (f) {
        text(f.name + '\n' + f.bytes.length + '\n');
        chunks.push(f.bytes);
      });
    });
    var n = 0;
    chunks.forEach(function (c) { n += c.length; });
    var out = new Uint8Array(n), at = 0;
    chunks.forEach(function (c) { out.set(c, at); at += c.length; });
    return out;
  }

  function unpack(bytes) {
    var at = 0;
    function bad(why) { throw new LinkError('This level link does not hold levels Roofrunner can read: ' + why + '.'); }
    function line() {
      var end = bytes.indexOf(10, at);
      if (end < 0) bad('it ends too early');
      var s = textOf(bytes.subarray(at, end));
      at = end + 1;
      return s;
    }
    function count(what, max) {
      var s = line();
      if (!/^\d{1,9}$/.test(s)) bad(what + ' is not a number');
      var n = parseInt(s, 10);
      if (n > max) bad(what + ' ' + n + ' is more than ' + max);
      return n;
    }
    function name(what) {
      var s = line(), why = nameRefusal(s);
      if (why) bad('the ' + what + ' "' + s.slice(0, 40) + '" cannot be used: ' + why);
      return s;
    }
    var start = count('the first level', MAX_LEVELS);
    var n = count('the number of levels', MAX_LEVELS);
    if (n < 1) bad('it names no level');
    if (start >= n) bad('it starts at a level it does not hold');
    var levels = [], seen = {};
    for (var i = 0; i < n; i++) {
      var level = {name: name('level name'), files: []};
      if (seen['L' + level.name]) bad('it holds the level "' + level.name + '" twice');
      seen['L' + level.name] = true;
      var files = count('the number of files', MAX_FILES), names = {};
      for (var k = 0; k < files; k++) {
        var file = name('file name');
        if (names['F' + file]) bad('the level "' + level.name + '" holds the file "' + file + '" twice');
        names['F' + file] = true;
        var size = count('the size of a file', MAX_FILE);
        if (at + size > bytes.length) bad('it ends inside a file');
        level.files.push({name: file, bytes: bytes.slice(at, at + size)});
        at += size;
      }
      levels.push(level);
    }
    if (at !== bytes.length) bad('there is more after its last file');
    return {start: start, levels: levels};
  }

  // The text after the '#' for a pack {start, levels: [{name, files: [{name, bytes}]}]}.
  function encode(p) {
    return deflate(pack(p)).then(function (packed) {
      var head = new Uint8Array(8);
      var view = new DataView(head.buffer);
      view.setUint32(0, packed.length);
      view.setUint32(4, crc32(packed));
      var all = new Uint8Array(8 + packed.length);
      all.set(head);
      all.set(packed, 8);
      return MARK + VERSION + '.' + base64url(all);
    });
  }

  // The pack a link carries; rejects with a LinkError whose message says in plain words what is wrong with it.
  function decode(text) {
    return Promise.resolve().then(function () {
      text = String(text || '').replace(/^#/, '');
      try { text = decodeURIComponent(text); } catch (e) { }
      text = text.trim();
      var m = /^rr(\d+)\.(.*)$/.exec(text);
      if (!m) {
        if (/^rr\d*$/.test(text)) throw new LinkError('This level link is cut short: it ends before its level begins. Nothing was played.');
        throw new LinkError('This address does not hold a Roofrunner level link.');
      }
      var version = parseInt(m[1], 10);
      if (version > VERSION) {
        throw new LinkError('This level link was made by a newer version of Roofrunner (link version ' + version +
          '; this one reads version ' + VERSION + '). Update the game to play it. Nothing was played.');
      }
      if (version !== VERSION) throw new LinkError('This level link has a version mark Roofrunner never made. Nothing was played.');
      var all = unbase64url(m[2]);
      if (all === null) {
        throw new LinkError('This level link has been altered: it holds characters a level link never has. Nothing was played.');
      }
      if (all.length < 8) throw new LinkError('This level link is cut short: it ends before its level begins. Nothing was played.');
      var view = new DataView(all.buffer, all.byteOffset, all.byteLength);
      var length = view.getUint32(0), crc = view.getUint32(4);
      var packed = all.subarray(8);
      if (packed.length < length) {
        throw new LinkError('This level link is cut short: ' + Math.round(100 * packed.length / length) +
          '% of it arrived (it may have been cut when it was copied). Nothing was played.');
      }
      if (packed.length > length || crc32(packed) !== crc) {
        throw new LinkError('This level link has been altered: its checksum does not match what it holds (a ' +
          'character may have changed when it was copied). Nothing was played.');
      }
      return inflate(packed, MAX_UNPACKED, 'This level link unpacks to more than ' + MAX_UNPACKED / 1048576 +
        ' MB, far more than any level: it was refused. Nothing was played.').catch(function (e) {
        if (e instanceof LinkError) throw e;
        throw new LinkError('This level link has been altered: what it holds does not unpack. Nothing was played.');
      }).then(unpack);
    });
  }

  // Lays a pack out for the game in the module's file system: a working folder /play whose Data holds the pack's
  // levels and a levels.txt naming them, beside the shipped pictures and tune, the patches, the library's
  // configuration and the log of /game. The game then runs there.
  function install(FS, p) {
    FS.mkdirTree('/play/Data/Levels');
    ['Data/Sprites', 'Data/Music', 'patches', 'allegro.cfg', 'gamelog.txt'].forEach(function (name) {
      FS.symlink('/game/' + name, '/play/' + name);
    });
    var list = p.levels.length + '\n';
    p.levels.forEach(function (level) {
      var folder = '/play/Data/Levels/' + level.name;
      FS.mkdir(folder);
      level.files.forEach(function (f) { FS.writeFile(folder + '/' + f.name, f.bytes); });
      list += level.name + '\n';
    });
    FS.writeFile('/play/Data/levels.txt', list);
    FS.chdir('/play');
  }

  window.RoofrunnerLink = {
    encode: encode,
    decode: decode,
    install: install,
    LinkError: LinkError,
    crc32: crc32,
    nameRefusal: nameRefusal,
    textOf: textOf,
    bytesOf: bytesOf,
    MAX_FILE: MAX_FILE
  };
})();
