// platforms/web/studio/pack.js — the level studio's levels and the game's file formats, as the forms speak them.
// A level is its name and its files as text, a byte a character ({name, files: {NAME: text}}), so that a file
// nobody edited goes out exactly as it came in. The forms read the layer list, the attribute file and each picture
// from that text the way the game's loaders read them (whitespace-separated words, the art on the lines after a
// picture's colour), and an edit writes the file anew in the shipped files' layout.
'use strict';
(function () {
  var L = window.RoofrunnerLink;
  var CAR_NAMES = ['coach', 'low-deck coach', 'third coach', 'engine'];

  // The words of a text with the line each starts on and where it lies.
  function words(text) {
    var out = [], re = /[^ \t\r\n\v\f]+/g, m, line = 1, last = 0;
    while ((m = re.exec(text)) !== null) {
      for (var i = last; i < m.index; i++) if (text.charCodeAt(i) === 10) line++;
      last = m.index;
      out.push({text: m[0], line: line, at: m.index, end: m.index + m[0].length});
    }
    return out;
  }

  // The layer list: [{kind, file, line}] in order, as the game reads it (a kind other than attr and ascii is
  // followed by no file name).
  function parseList(text) {
    var w = words(text), list = {count: w.length ? w[0].text : '', layers: []};
    for (var i = 1; i < w.length && list.layers.length < 10000; i++) {
      var kind = w[i].text.toLowerCase();
      var layer = {kind: kind, file: '', line: w[i].line};
      if ((kind === 'attr' || kind === 'ascii') && i + 1 < w.length) layer.file = w[++i].text;
      list.layers.push(layer);
    }
    return list;
  }

  function formatList(layers) {
    return layers.length + '\n' + layers.map(function (l) { return l.kind + ' ' + l.file + '\n'; }).join('');
  }

  // The attribute file's words by their meaning, as the game reads them: each {text, line}, the text '' where the
  // file ends early. The car count is the number of cars; a count that is no number reads no cars.
  function parseAttr(text) {
    var w = words(text), at = 0, last = w.length ? w[w.length - 1].line : 1;
    function next() { return at < w.length ? w[at++] : {text: '', line: last}; }
    var a = {width: next(), height: next(), unitW: next(), unitH: next(), count: next(), cars: []};
    var n = /^[+-]?\d+$/.test(a.count.text) ? parseInt(a.count.text, 10) : 0;
    for (var i = 0; i < n && i < 100000 && at < w.length; i++) a.cars.push(next());
    a.bg = [next(), next(), next()];
    a.reserved = next();
    a.limit = next();
    a.extra = w.slice(at).map(function (t) { return t.text; });
    return a;
  }

  // From words as strings: {width, height, unitW, unitH, cars: [...], bg: [r, g, b], reserved, limit, extra}.
  function formatAttr(a) {
    var text = [a.width, a.height, a.unitW, a.unitH, String(a.cars.length)].join(' ') + '\n' +
      a.cars.join(' ') + '\n' + a.bg.concat([a.reserved]).join(' ') + '\n' + a.limit + '\n';
    if (a.extra && a.extra.length) text += a.extra.join(' ') + '\n';
    return text;
  }

  // A picture: its five header words, the rows of art as lines, and the line the first row is on.
  function parseSprite(text) {
    var w = words(text).slice(0, 5);
    var head = {w: '', h: '', r: '', g: '', b: ''};
    ['w', 'h', 'r', 'g', 'b'].forEach(function (k, i) { head[k] = w[i] ? w[i].text : ''; });
    var start = text.length, firstLine = w.length ? w[w.length - 1].line + 1 : 2;
    if (w.length === 5) {
      var eol = text.indexOf('\n', w[4].end);
      start = eol < 0 ? text.length : eol + 1;
    }
    var body = text.slice(start);
    var crlf = body.indexOf('\r\n') >= 0 || text.slice(0, start).indexOf('\r\n') >= 0;
    var rows = body.length ? body.replace(/\n$/, '').split('\n') : [];
    rows = rows.map(function (r) { return r.replace(/\r$/, ''); });
    return {head: head, rows: rows, firstLine: firstLine, crlf: crlf, complete: w.length === 5};
  }

  function formatSprite(s) {
    var eol = s.crlf ? '\r\n' : '\n';
    var h = s.head;
    var text = h.w + ' ' + h.h + eol + h.r + ' ' + h.g + ' ' + h.b + eol;
    if (s.rows.length) text += s.rows.join(eol) + eol;
    return text;
  }

  // #rrggbb for the colour picker, from three words (a word that is no number counts as 0).
  function hexColour(r, g, b) {
    return '#' + [r, g, b].map(function (v) {
      var n = Math.max(0, Math.min(255, parseInt(v, 10) || 0));
      return (n < 16 ? '0' : '') + n.toString(16);
    }).join('');
  }
  function rgbOf(hex) {
    return [1, 3, 5].map(function (i) { return String(parseInt(hex.substr(i, 2), 16)); });
  }

  // A small level that the checker passes and RIGHT wins: a night sky and hills behind a train of all four cars.
  function template(name) {
    var seed = 7;
    function random(n) {
      seed = (seed * 1103515245 + 12345) & 0x7fffffff;
      return seed % n;
    }
    function blank(w) { return new Array(w + 1).join(' '); }
    var sky = [], hills = [];
    for (var r = 0; r < 24; r++) {
      var row = blank(100).split('');
      for (var k = 0; k < 6; k++) row[random(100)] = random(3) ? '.' : '*';
      sky.push(row.join('').replace(/ +$/, ''));
    }
    for (var y = 0; y < 50; y++) {
      var line = '';
      for (var x = 0; x < 180; x++) {
        var top = 38 + Math.round(5 * Math.sin(x / 9) + 3 * Math.sin(x / 4));
        line += y < top ? ' ' : y === top ? '^' : '#';
      }
      hills.push(line.replace(/ +$/, ''));
    }
    var files = {};
    files['level.txt'] = formatList([{kind: 'attr', file: 'level.dat'}, {kind: 'ascii', file: 'sky.txt'},
      {kind: 'ascii', file: 'hills.txt'}]);
    files['level.dat'] = formatAttr({width: '40', height: '2', unitW: '64', unitH: '256', cars: ['0', '1', '0', '2', '3'],
      bg: ['20', '24', '48'], reserved: '0', limit: '7'});
    files['sky.txt'] = formatSprite({head: {w: '100', h: '24', r: '200', g: '200', b: '150'}, rows: sky});
    files['hills.txt'] = formatSprite({head: {w: '180', h: '50', r: '90', g: '130', b: '100'}, rows: hills});
    return {name: name, files: files};
  }

  // The folder a pack's files sit in, as the desktop game reads it: the folder holding levels.txt ("" for the top).
  function dataRoot(paths) {
    var best = null;
    paths.forEach(function (p) {
      var m = /^(.*\/)?levels\.txt$/i.exec(p);
      if (m && (best === null || (m[1] || '').length < best.length)) best = m[1] || '';
    });
    return best;
  }

  // The levels of a Data folder given as {path: bytes-reader}: levels.txt's names in order, each with every file of
  // its folder. Rejects with a plain message when levels.txt is missing or names nothing usable.
  function fromData(entries) {
    var paths = Object.keys(entries);
    var root = dataRoot(paths);
    if (root === null) return Promise.reject(new Error('There is no levels.txt in it: a level pack is a Data folder with levels.txt and Levels/.'));
    var listPath = paths.filter(function (p) { return p.toLowerCase() === (root + 'levels.txt').toLowerCase(); })[0];
    return entries[listPath]().then(function (bytes) {
      var names = words(L.textOf(bytes)).slice(1).map(function (t) { return t.text; });
      var count = parseInt((words(L.textOf(bytes))[0] || {text: ''}).text, 10);
      if (count >= 0) names = names.slice(0, count);
      if (!names.length) throw new Error('Its levels.txt names no level.');
      var levels = [], problems = [];
      return names.reduce(function (chain, name) {
        return chain.then(function () {
          var why = L.nameRefusal(name);
          if (why) {
            problems.push('the level name "' + name.slice(0, 40) + '" was left out: ' + why);
            return;
          }
          var folder = root + 'Levels/' + name + '/';
          var inside = paths.filter(function (p) { return p.indexOf(folder) === 0 && p.slice(folder.length).indexOf('/') < 0; });
          if (!inside.length) {
            problems.push('the level "' + name + '" has no folder Levels/' + name);
            return;
          }
          var level = {name: name, files: {}};
          return inside.reduce(function (c, p) {
            return c.then(function () {
              var file = p.slice(folder.length), why2 = L.nameRefusal(file);
              if (why2) {
                problems.push('the file "' + file.slice(0, 40) + '" of "' + name + '" was left out: ' + why2);
                return;
              }
              return entries[p]().then(function (b) { level.files[file] = L.textOf(b); });
            });
          }, Promise.resolve()).then(function () { levels.push(level); });
        });
      }, Promise.resolve()).then(function () {
        if (!levels.length) throw new Error('None of its levels could be read: ' + problems.join('; ') + '.');
        return {levels: levels, problems: problems};
      });
    });
  }

  // The files of a level for a link or a folder: level.txt first, then the rest by name.
  function fileList(level) {
    return Object.keys(level.files).sort(function (a, b) {
      return a === 'level.txt' ? -1 : b === 'level.txt' ? 1 : a < b ? -1 : a > b ? 1 : 0;
    }).map(function (name) { return {name: name, bytes: L.bytesOf(level.files[name])}; });
  }

  window.RoofrunnerPack = {
    CAR_NAMES: CAR_NAMES,
    words: words,
    parseList: parseList,
    formatList: formatList,
    parseAttr: parseAttr,
    formatAttr: formatAttr,
    parseSprite: parseSprite,
    formatSprite: formatSprite,
    hexColour: hexColour,
    rgbOf: rgbOf,
    template: template,
    fromData: fromData,
    fileList: fileList
  };
})();
