// platforms/web/studio/zip.js — zip files for the level studio: written with stored entries (the Data folder a
// download holds), read with stored or deflated entries (a level pack opened from the disk). A zip is untrusted: it
// is refused with a reason when it is too large, when a path would leave its folder, or when a file is far larger
// than any level's, and a deflated file is unpacked with a cap that is checked while it unpacks.
'use strict';
(function () {
  var L = window.RoofrunnerLink;
  var MAX_ZIP = 64 * 1024 * 1024;  // the zip itself, read whole into memory
  var MAX_ENTRIES = 5000;
  var MAX_TOTAL = 32 * 1024 * 1024;  // everything read from one zip, unpacked

  function ZipError(message) {
    this.name = 'ZipError';
    this.message = message;
  }
  ZipError.prototype = Object.create(Error.prototype);

  function mb(n) {
    return n >= 1048576 ? (n / 1048576).toFixed(1) + ' MB' : n >= 1024 ? Math.round(n / 1024) + ' KB' : n + ' bytes';
  }

  // Why a path inside a zip would leave the folder it is unpacked into, or null.
  function pathRefusal(path) {
    if (path.indexOf('\\') >= 0) return 'it holds a backslash';
    if (path.charAt(0) === '/') return 'it starts at the disk\'s root';
    if (/^[A-Za-z]:/.test(path)) return 'it names a drive';
    var parts = path.split('/');
    for (var i = 0; i < parts.length; i++) if (parts[i] === '..') return 'it climbs out of the folder with ".."';
    for (var k = 0; k < path.length; k++) if (path.charCodeAt(k) < 32) return 'it holds a control character';
    return null;
  }

  // The zip's files as [{path, size, read()}], read() giving a promise of the bytes. Rejects with a ZipError.
  function read(bytes) {
    return Promise.resolve().then(function () {
      if (bytes.length > MAX_ZIP) throw new ZipError('The zip is ' + mb(bytes.length) + ', far larger than a level pack: refused.');
      var view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
      var end = -1;
      for (var i = bytes.length - 22; i >= 0 && i >= bytes.length - 22 - 65535; i--) {
        if (view.getUint32(i, true) === 0x06054b50) {
          end = i;
          break;
        }
      }
      if (end < 0) throw new ZipError('This is not a zip file (or it is cut short): its table of contents is missing.');
      var count = view.getUint16(end + 10, true);
      var dirSize = view.getUint32(end + 12, true), dirAt = view.getUint32(end + 16, true);
      if (count === 0xffff || dirAt === 0xffffffff) throw new ZipError('The zip is in the large (zip64) form, which no level pack needs: refused.');
      if (count > MAX_ENTRIES) throw new ZipError('The zip holds ' + count + ' files, far more than a level pack: refused.');
      if (dirAt + dirSize > end) throw new ZipError('The zip is damaged: its table of contents lies outside it.');
      var entries = [], at = dirAt, total = 0;
      for (var n = 0; n < count; n++) {
        if (at + 46 > end || view.getUint32(at, true) !== 0x02014b50) throw new ZipError('The zip is damaged: its table of contents is broken.');
        var flags = view.getUint16(at + 8, true), method = view.getUint16(at + 10, true);
        var crc = view.getUint32(at + 16, true), csize = view.getUint32(at + 20, true), size = view.getUint32(at + 24, true);
        var nameLength = view.getUint16(at + 28, true);
        var skip = nameLength + view.getUint16(at + 30, true) + view.getUint16(at + 32, true);
        var local = view.getUint32(at + 42, true);
        var path = L.textOf(bytes.subarray(at + 46, at + 46 + nameLength));
        if (flags & 0x800) {
          try { path = decodeURIComponent(escape(path)); } catch (e) { }
        }
        at += 46 + skip;
        var why = pathRefusal(path);
        if (why) throw new ZipError('The zip holds "' + path.slice(0, 80) + '", a path that would leave its folder (' + why + '): refused.');
        if (path.charAt(path.length - 1) === '/') continue;  // a folder
        if (flags & 1) throw new ZipError('The zip\'s file "' + path + '" is encrypted: refused.');
        if (method !== 0 && method !== 8) throw new ZipError('The zip\'s file "' + path + '" is packed in a way the studio does not read (method ' + method + ').');
        if (size > L.MAX_FILE || csize > MAX_ZIP) {
          throw new ZipError('The zip\'s file "' + path + '" is ' + mb(size) + ', far larger than any level file (' +
            mb(L.MAX_FILE) + ' at most): refused.');
        }
        entries.push({path: path, size: size, method: method, crc: crc, csize: csize, local: local});
      }
      entries.forEach(function (e) {
        e.read = function () {
          return Promise.resolve().then(function () {
            if (e.local + 30 > bytes.length || view.getUint32(e.local, true) !== 0x04034b50) {
              throw new ZipError('The zip is damaged: the file "' + e.path + '" is not where its table says.');
            }
            var start = e.local + 30 + view.getUint16(e.local + 26, true) + view.getUint16(e.local + 28, true);
            if (start + e.csize > bytes.length) throw new ZipError('The zip is cut short: the file "' + e.path + '" is not all there.');
            var data = bytes.subarray(start, start + e.csize);
            var limit = Math.min(e.size, L.MAX_FILE);
            var got = e.method === 0 ? Promise.resolve(data.slice()) : inflate(data, limit, e.path);
            return got.then(function (out) {
              total += out.length;
              if (total > MAX_TOTAL) throw new ZipError('The zip unpacks to more than ' + mb(MAX_TOTAL) + ': refused.');
              if (out.length !== e.size || L.crc32(out) !== e.crc) {
                throw new ZipError('The zip is damaged: the file "' + e.path + '" is not what its table says (its size or checksum differs).');
              }
              return out;
            });
          });
        };
      });
      return entries;
    });
  }

  // Unpacks at most limit bytes (the size the zip declares); one byte more and it stops reading: a zip bomb is
  // refused before it fills memory.
  function inflate(data, limit, path) {
    var reader = new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
    var parts = [], total = 0;
    function next() {
      return reader.read().then(function (r) {
        api.unpacked = total + (r.done ? 0 : r.value.length);
        if (r.done) {
          var out = new Uint8Array(total), at = 0;
          parts.forEach(function (p) { out.set(p, at); at += p.length; });
          return out;
        }
        total += r.value.length;
        if (total > limit) {
          reader.cancel();
          throw new ZipError('The zip\'s file "' + path + '" unpacks to more than the ' + mb(limit) +
            ' its table says' + (limit >= L.MAX_FILE ? ', far larger than any level file' : '') + ': refused.');
        }
        parts.push(r.value);
        return next();
      }, function () {
        throw new ZipError('The zip is damaged: the file "' + path + '" does not unpack.');
      });
    }
    return next();
  }

  // A zip of [{path, bytes}] with every file stored as it is.
  function write(files) {
    var now = new Date();
    var time = (now.getHours() << 11) | (now.getMinutes() << 5) | (now.getSeconds() >> 1);
    var date = ((now.getFullYear() - 1980) << 9) | ((now.getMonth() + 1) << 5) | now.getDate();
    var locals = [], dir = [], offset = 0;
    files.forEach(function (f) {
      var name = L.bytesOf(f.path), crc = L.crc32(f.bytes);
      var head = new Uint8Array(30 + name.length), h = new DataView(head.buffer);
      h.setUint32(0, 0x04034b50, true);
      h.setUint16(4, 20, true);
      h.setUint16(10, time, true);
      h.setUint16(12, date, true);
      h.setUint32(14, crc, true);
      h.setUint32(18, f.bytes.length, true);
      h.setUint32(22, f.bytes.length, true);
      h.setUint16(26, name.length, true);
      head.set(name, 30);
      var entry = new Uint8Array(46 + name.length), d = new DataView(entry.buffer);
      d.setUint32(0, 0x02014b50, true);
      d.setUint16(4, 20, true);
      d.setUint16(6, 20, true);
      d.setUint16(12, time, true);
      d.setUint16(14, date, true);
      d.setUint32(16, crc, true);
      d.setUint32(20, f.bytes.length, true);
      d.setUint32(24, f.bytes.length, true);
      d.setUint16(28, name.length, true);
      d.setUint32(42, offset, true);
      entry.set(name, 46);
      locals.push(head, f.bytes);
      dir.push(entry);
      offset += head.length + f.bytes.length;
    });
    var dirSize = 0;
    dir.forEach(function (e) { dirSize += e.length; });
    var end = new Uint8Array(22), v = new DataView(end.buffer);
    v.setUint32(0, 0x06054b50, true);
    v.setUint16(8, files.length, true);
    v.setUint16(10, files.length, true);
    v.setUint32(12, dirSize, true);
    v.setUint32(16, offset, true);
    return new Blob(locals.concat(dir, [end]), {type: 'application/zip'});
  }

  // unpacked: how many bytes the last deflated file gave before it was taken or refused, for the tests.
  var api = {read: read, write: write, ZipError: ZipError, pathRefusal: pathRefusal, unpacked: 0};
  window.RoofrunnerZip = api;
})();
