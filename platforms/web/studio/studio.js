// platforms/web/studio/studio.js — the level studio: the maker's levels in forms, drawn by the game's renderers and
// checked by the checker's rules (the engine, roofrunner_studio.js, built from the game's and the checker's own
// code), played in the game's page, kept in the browser, shared by a link and downloaded as a Data folder.
// Everything that comes from a level, a link or a zip reaches the page as text (textContent, value), never as HTML.
'use strict';
(function () {
  var L = window.RoofrunnerLink, P = window.RoofrunnerPack, Z = window.RoofrunnerZip;
  var $ = function (id) { return document.getElementById(id); };
  var CHECK_AFTER = 250;  // ms of quiet after an edit before the check runs by itself

  var engine = null;
  var pack = {levels: [], current: 0};  // levels: [{id, name, files: {NAME: text}}]
  var results = null;                    // the last check: {problems, lines, plays}
  var playable = [];                     // per level: the game can load it (its camera's reach, or -1)
  var checkTimer = null;
  var nextId = 1;

  function say(text, good) {
    var s = $('status');
    s.textContent = text;
    s.className = good ? 'good' : '';
    s.hidden = !text;
  }

  function current() { return pack.levels[pack.current]; }

  function el(tag, attrs, children) {
    var e = document.createElement(tag);
    Object.keys(attrs || {}).forEach(function (k) {
      if (k === 'text') e.textContent = attrs[k];
      else if (k === 'on') Object.keys(attrs.on).forEach(function (ev) { e.addEventListener(ev, attrs.on[ev]); });
      else if (k in e && k !== 'list') e[k] = attrs[k];
      else e.setAttribute(k, attrs[k]);
    });
    (children || []).forEach(function (c) { if (c) e.appendChild(typeof c === 'string' ? document.createTextNode(c) : c); });
    return e;
  }

  // ---- Keeping: an IndexedDB store of the studio's own (the game keeps its log elsewhere). Each level is a record,
  // written as it is typed; the pack record holds their order and the one being edited.

  var db = null;

  function openStore() {
    return new Promise(function (resolve) {
      if (!window.indexedDB) return resolve(null);
      var req = indexedDB.open('roofrunner-studio', 1);
      req.onupgradeneeded = function () {
        req.result.createObjectStore('levels', {keyPath: 'id'});
        req.result.createObjectStore('pack');
      };
      req.onsuccess = function () { resolve(req.result); };
      req.onerror = function () { resolve(null); };
    });
  }

  function keep(level) {
    if (!db) return;
    db.transaction('levels', 'readwrite').objectStore('levels').put({id: level.id, name: level.name, files: level.files});
  }

  function keepPack() {
    if (!db) return;
    var t = db.transaction(['levels', 'pack'], 'readwrite');
    var ids = pack.levels.map(function (l) { return l.id; });
    t.objectStore('pack').put({order: ids, current: pack.current}, 'pack');
    var store = t.objectStore('levels');
    store.getAllKeys().onsuccess = function (e) {
      e.target.result.forEach(function (id) { if (ids.indexOf(id) < 0) store.delete(id); });
    };
    pack.levels.forEach(function (l) { store.put({id: l.id, name: l.name, files: l.files}); });
  }

  function restore() {
    return new Promise(function (resolve) {
      if (!db) return resolve(false);
      var t = db.transaction(['levels', 'pack'], 'readonly');
      var levels = {}, order = null;
      t.objectStore('levels').getAll().onsuccess = function (e) {
        e.target.result.forEach(function (l) { levels[l.id] = l; });
      };
      t.objectStore('pack').get('pack').onsuccess = function (e) { order = e.target.result; };
      t.oncomplete = function () {
        if (!order || !order.order.length) return resolve(false);
        pack.levels = order.order.filter(function (id) { return levels[id]; }).map(function (id) { return levels[id]; });
        pack.current = Math.min(order.current || 0, pack.levels.length - 1);
        pack.levels.forEach(function (l) { nextId = Math.max(nextId, l.id + 1); });
        resolve(pack.levels.length > 0);
      };
      t.onerror = function () { resolve(false); };
    });
  }

  // ---- The engine's files: the pack as a Data folder in /work, beside the shipped pictures and tune.

  function rmTree(FS, path) {
    FS.readdir(path).forEach(function (n) {
      if (n === '.' || n === '..') return;
      var p = path + '/' + n;
      if (FS.isDir(FS.lstat(p).mode)) rmTree(FS, p);
      else FS.unlink(p);
    });
    FS.rmdir(path);
  }

  function writeLevel(level) {
    var FS = engine.FS, folder = '/work/Data/Levels/' + level.name;
    try { rmTree(FS, folder); } catch (e) { }
    FS.mkdir(folder);
    Object.keys(level.files).forEach(function (f) { FS.writeFile(folder + '/' + f, L.bytesOf(level.files[f])); });
  }

  // Everything anew: after a level is added, removed, renamed or moved.
  function writeAll() {
    var FS = engine.FS;
    try { rmTree(FS, '/work/Data/Levels'); } catch (e) { }
    FS.mkdir('/work/Data/Levels');
    pack.levels.forEach(writeLevel);
    FS.writeFile('/work/Data/levels.txt', pack.levels.length + '\n' + pack.levels.map(function (l) { return l.name + '\n'; }).join(''));
    engine.ccall('studio_forget', null, [], []);
    measure();
  }

  // After an edit inside one level: its folder anew, and the engine reloads it alone.
  function writeCurrent() {
    writeLevel(current());
    engine.ccall('studio_reload', 'number', ['number', 'string'], [pack.current, current().name]);
    playable[pack.current] = engine.ccall('studio_camera_max', 'number', ['number'], [pack.current]);
  }

  function measure() {
    playable = pack.levels.map(function (l, i) { return engine.ccall('studio_camera_max', 'number', ['number'], [i]); });
  }

  // ---- The picture: the game's own drawing of the level at its start, the camera where the slider puts it.

  function drawPreview() {
    var max = playable[pack.current];
    var camera = $('camera');
    $('cannot').hidden = max >= 0;
    var ctx = $('preview').getContext('2d');
    if (max < 0) {
      ctx.fillStyle = '#333';
      ctx.fillRect(0, 0, 640, 480);
      camera.max = 0;
      return;
    }
    camera.max = String(max);
    var x = Math.min(+camera.value, max);
    $('camera-at').textContent = x + ' / ' + max;
    var ptr = engine.ccall('studio_preview', 'number', ['number', 'number'], [pack.current, x]);
    if (!ptr) return;
    var image = new ImageData(new Uint8ClampedArray(engine.HEAPU8.buffer, ptr, 640 * 480 * 4).slice(), 640, 480);
    ctx.putImageData(image, 0, 0);
    document.body.dataset.previews = String((+document.body.dataset.previews || 0) + 1);
    if (!window.studioFirstPreview && window.performance && performance.mark) {
      window.studioFirstPreview = true;
      performance.mark('studio-first-preview');
    }
  }

  // ---- Checking: the checker's own rules over the whole pack (a level's clock is held to the one before it).

  function scheduleCheck() {
    clearTimeout(checkTimer);
    checkTimer = setTimeout(runCheck, CHECK_AFTER);
  }

  function runCheck() {
    clearTimeout(checkTimer);
    checkTimer = null;
    var t0 = performance.now();
    results = JSON.parse(engine.ccall('studio_check', 'string', [], []));
    results.ms = performance.now() - t0;
    document.body.dataset.checks = String((+document.body.dataset.checks || 0) + 1);
    showResults();
  }

  function levelOfFile(file) {
    var m = /^Levels\/([^/]+)\/(.+)$/.exec(file);
    if (!m) return {level: -1, file: file};
    for (var i = 0; i < pack.levels.length; i++) if (pack.levels[i].name === m[1]) return {level: i, file: m[2]};
    return {level: -1, file: m[2]};
  }

  function showResults() {
    var list = $('problems');
    list.textContent = '';
    if (!results) return;
    var play = results.plays.filter(function (p) { return p.level === pack.current; })[0];
    var clock = $('clock');
    if (!play) {
      clock.textContent = 'The check could not play this level.';
    } else if (!play.won) {
      clock.textContent = 'Holding RIGHT does not win this level. ' + (play.idleLoses ? 'Standing still loses.' : 'Standing still does not lose.');
    } else {
      var share = 100 * play.ticksLeft / play.totalTicks;
      clock.textContent = 'Holding RIGHT wins with ' + share.toFixed(1) + '% of the clock left (' +
        Math.floor(play.ticksLeft / 64) + ' of ' + play.totalTicks / 64 + ' seconds). ' +
        (play.idleLoses ? 'Standing still loses.' : 'Standing still does not lose.');
    }
    clock.dataset.share = play && play.won ? (100 * play.ticksLeft / play.totalTicks).toFixed(1) : '';
    clock.dataset.idleLoses = play ? String(play.idleLoses) : '';
    $('summary').textContent = results.problems ? results.problems + (results.problems === 1 ? ' problem' : ' problems') +
      ' in the pack (checked in ' + Math.round(results.ms) + ' ms):' : 'No problems: the game\'s checker passes every level (' + Math.round(results.ms) + ' ms).';
    $('summary').dataset.problems = String(results.problems);
    results.lines.forEach(function (p) {
      if (!p.problem) return;
      var where = 'Data/' + p.file + (p.line ? ':' + p.line : '');
      var a = el('a', {href: '#', text: where});
      a.addEventListener('click', function (e) {
        e.preventDefault();
        goTo(p);
      });
      var li = el('li', {}, [a, ': ' + p.text]);
      li.dataset.file = p.file;
      li.dataset.line = String(p.line);
      list.appendChild(li);
    });
  }

  // ---- Going to what a problem names: the field, or the row of a picture's grid.

  function goTo(p) {
    var where = levelOfFile(p.file);
    if (p.file === 'levels.txt' && p.line > 1) where = {level: p.line - 2, file: null};
    if (where.level < 0) return;
    if (where.level !== pack.current) select(where.level);
    var target = null;
    if (where.file === 'level.txt') {
      target = document.querySelector('[data-list-line="' + p.line + '"]') || document.querySelector('#layers');
    } else if (where.file) {
      var box = document.querySelector('[data-file="' + CSS.escape(where.file) + '"]');
      if (box) {
        target = box.querySelector('[data-line="' + p.line + '"]');
        var grid = box.querySelector('textarea.grid');
        if (!target && grid && p.line >= +grid.dataset.firstLine) {
          selectRow(grid, p.line - +grid.dataset.firstLine);
          target = grid;
        }
        target = target || box;
      }
    } else {
      target = $('level-name');
    }
    if (!target) return;
    target.scrollIntoView({block: 'center'});
    if (target.focus) target.focus();
    target.classList.add('focus');
    setTimeout(function () { target.classList.remove('focus'); }, 1500);
  }

  function selectRow(grid, row) {
    var lines = grid.value.split('\n'), at = 0;
    for (var i = 0; i < row && i < lines.length; i++) at += lines[i].length + 1;
    var end = at + (lines[row] || '').length;
    grid.focus();
    grid.setSelectionRange(at, end);
    grid.scrollTop = Math.max(0, row * 16 - grid.clientHeight / 2);
  }

  // ---- Edits: each writes the files, redraws at once, keeps the level and checks a moment later.

  function edited() {
    keep(current());
    writeCurrent();
    drawPreview();
    scheduleCheck();
  }

  function reshaped() {
    keepPack();
    writeAll();
    renderLevels();
    renderForm();
    drawPreview();
    scheduleCheck();
  }

  // Why a name for a level or a file cannot be used, or null: one word that loads on every system (the game's own
  // rules, Windows' included), and not taken.
  function nameRefusal(name, taken) {
    var why = L.nameRefusal(name) || engine.ccall('studio_name_refusal', 'string', ['string'], [name]);
    if (why) return why;
    if (taken.indexOf(name) >= 0) return 'another one is named so';
    return null;
  }

  function freeName(base, taken) {
    if (taken.indexOf(base) < 0) return base;
    for (var n = 2; ; n++) if (taken.indexOf(base + '-' + n) < 0) return base + '-' + n;
  }

  // A text field for a name: a refused name stays in the field with its reason beside it; the level keeps its
  // last good name until the field holds one that will load.
  function nameField(id, value, taken, apply) {
    var input = el('input', {type: 'text', className: 'name', value: value, spellcheck: false});
    if (id) input.id = id;
    var why = el('span', {className: 'why'});
    input.addEventListener('input', function () {
      var refusal = input.value === value ? null : nameRefusal(input.value, taken());
      why.textContent = refusal ? 'Not used: ' + refusal + '.' : '';
      input.dataset.refused = refusal ? 'true' : '';
      if (!refusal && input.value !== value) {
        value = input.value;
        apply(value);
      }
    });
    return [input, why];
  }

  // ---- The list of levels.

  function renderLevels() {
    var ol = $('levels');
    ol.textContent = '';
    pack.levels.forEach(function (level, i) {
      var li = el('li', {className: i === pack.current ? 'current' : ''}, [
        el('button', {type: 'button', className: 'name', text: level.name, on: {click: function () { select(i); }}}),
        el('button', {type: 'button', text: '↑', title: 'Earlier in the pack', disabled: i === 0,
          on: {click: function () { move(i, -1); }}}),
        el('button', {type: 'button', text: '↓', title: 'Later in the pack', disabled: i === pack.levels.length - 1,
          on: {click: function () { move(i, 1); }}}),
        el('button', {type: 'button', text: '✕', title: 'Remove from my levels', on: {click: function () { remove(i); }}})
      ]);
      ol.appendChild(li);
    });
  }

  function select(i) {
    pack.current = i;
    keepPack();
    renderLevels();
    renderForm();
    $('camera').value = '0';
    drawPreview();
    showResults();
  }

  function move(i, by) {
    var j = i + by, l = pack.levels[i];
    pack.levels[i] = pack.levels[j];
    pack.levels[j] = l;
    if (pack.current === i) pack.current = j;
    else if (pack.current === j) pack.current = i;
    reshaped();
  }

  function remove(i) {
    if (!window.confirm('Remove "' + pack.levels[i].name + '" from your levels?')) return;
    pack.levels.splice(i, 1);
    if (!pack.levels.length) pack.levels.push(newLevel(P.template('my-level')));
    pack.current = Math.min(pack.current, pack.levels.length - 1);
    reshaped();
  }

  function newLevel(l) {
    var taken = pack.levels.map(function (x) { return x.name; });
    return {id: nextId++, name: freeName(l.name, taken), files: l.files};
  }

  function add(levels) {
    levels.forEach(function (l) { pack.levels.push(newLevel(l)); });
    pack.current = pack.levels.length - levels.length;
    reshaped();
  }

  // ---- The level's form: its name, its attribute file, its picture layers, in the order of its layer list.

  function renderForm() {
    var form = $('form'), level = current();
    form.textContent = '';
    var taken = function () { return pack.levels.filter(function (l) { return l !== level; }).map(function (l) { return l.name; }); };
    form.appendChild(el('h2', {text: 'Level'}));
    form.appendChild(el('div', {className: 'row'}, [el('label', {htmlFor: 'level-name', text: 'Name'})].concat(
      nameField('level-name', level.name, taken, function (name) {
        level.name = name;
        reshaped();
        $('level-name').focus();
      }))));
    var list = P.parseList(level.files['level.txt'] || '');
    var box = el('div', {id: 'layers', 'data-file': 'level.txt'});
    form.appendChild(box);
    var pictures = 0;
    list.layers.forEach(function (layer, i) {
      var section;
      if (layer.kind === 'attr') section = attrForm(level, list, i);
      else if (layer.kind === 'ascii') section = pictureForm(level, list, i, ++pictures);
      else section = el('fieldset', {}, [el('legend', {text: 'Unknown layer kind "' + layer.kind + '"'}), layerTools(level, list, i)]);
      section.dataset.listLine = String(i + 2);
      box.appendChild(section);
    });
    if (level.files['level.txt'] === undefined) box.appendChild(el('p', {className: 'why', text: 'This level has no level.txt.'}));
    form.appendChild(el('button', {type: 'button', text: 'Add picture layer', on: {click: function () { addPicture(level, list); }}}));
  }

  function setList(level, list) {
    level.files['level.txt'] = P.formatList(list.layers);
  }

  function layerTools(level, list, i) {
    function swap(j) {
      var t = list.layers[i];
      list.layers[i] = list.layers[j];
      list.layers[j] = t;
      setList(level, list);
      reshaped();
    }
    return el('span', {className: 'tools'}, [
      el('button', {type: 'button', text: '↑', title: 'Farther back (drawn earlier)', disabled: i === 0, on: {click: function () { swap(i - 1); }}}),
      el('button', {type: 'button', text: '↓', title: 'Nearer (drawn later)', disabled: i === list.layers.length - 1,
        on: {click: function () { swap(i + 1); }}}),
      el('button', {type: 'button', text: '✕', title: 'Remove this layer', on: {click: function () {
        var file = list.layers[i].file;
        list.layers.splice(i, 1);
        setList(level, list);
        var still = list.layers.some(function (l) { return l.file === file; });
        if (file && !still) delete level.files[file];
        reshaped();
      }}})
    ]);
  }

  function fileNameRow(level, list, i, label) {
    var layer = list.layers[i];
    var taken = function () { return Object.keys(level.files).filter(function (f) { return f !== layer.file; }).concat(['level.txt']); };
    return el('div', {className: 'row'}, [el('label', {text: label})].concat(nameField(null, layer.file, taken, function (name) {
      var text = level.files[layer.file];
      if (text !== undefined) {
        delete level.files[layer.file];
        level.files[name] = text;
      }
      list.layers.forEach(function (l) { if (l.file === layer.file) l.file = name; });
      setList(level, list);
      keepPack();
      writeAll();
      var box = document.querySelector('[data-list-line="' + (i + 2) + '"]');
      if (box) box.dataset.file = name;
      drawPreview();
      scheduleCheck();
    }), [layerTools(level, list, i)]));
  }

  function numberField(key, value, line, title, onInput) {
    var input = el('input', {type: 'text', inputMode: 'numeric', value: value, title: title, spellcheck: false});
    input.dataset.field = key;
    input.dataset.line = String(line);
    input.addEventListener('input', function () { onInput(input.value.trim()); });
    return input;
  }

  function attrForm(level, list, i) {
    var file = list.layers[i].file;
    var section = el('fieldset', {'data-file': file}, [el('legend', {text: 'Attribute file: the level\'s numbers'})]);
    section.appendChild(fileNameRow(level, list, i, 'File'));
    if (level.files[file] === undefined) {
      section.appendChild(el('p', {className: 'why', text: 'There is no file of this name in the level.'}));
      return section;
    }
    var t = P.parseAttr(level.files[file]);
    var a = {width: t.width.text, height: t.height.text, unitW: t.unitW.text, unitH: t.unitH.text,
      cars: t.cars.map(function (c) { return c.text; }), bg: t.bg.map(function (c) { return c.text; }),
      reserved: t.reserved.text || '0', limit: t.limit.text, extra: t.extra};
    function save() {
      level.files[file] = P.formatAttr(a);
      edited();
    }
    function field(key, token, title) {
      return numberField(key, a[key], token.line, title, function (v) {
        a[key] = v;
        save();
      });
    }
    section.appendChild(el('div', {className: 'row'}, [
      el('label', {}, ['World width', field('width', t.width, 'width: the world is width × unit_w pixels wide'), 'units of']),
      el('label', {}, [field('unitW', t.unitW, 'unit_w: pixels per unit across'), 'pixels']),
      el('label', {}, ['height', field('height', t.height, 'height: the world is height × unit_h pixels high'), 'units of']),
      el('label', {}, [field('unitH', t.unitH, 'unit_h: pixels per unit down'), 'pixels'])]));
    section.appendChild(el('div', {className: 'row'}, [
      el('label', {}, ['Time limit', field('limit', t.limit, 'time_limit: seconds on the clock'), 'seconds'])]));
    var colour = el('input', {type: 'color', value: P.hexColour(a.bg[0], a.bg[1], a.bg[2]), title: 'bg_r bg_g bg_b'});
    colour.dataset.line = String(t.bg[0].line);
    colour.id = 'background';
    var rgb = el('span', {text: a.bg.join(' ')});
    colour.addEventListener('input', function () {
      a.bg = P.rgbOf(colour.value);
      rgb.textContent = a.bg.join(' ');
      save();
    });
    section.appendChild(el('div', {className: 'row'}, [el('label', {}, ['Background colour', colour]), rgb]));
    var cars = el('div', {className: 'cars'});
    cars.dataset.line = String(t.cars.length ? t.cars[0].line : t.count.line);
    cars.tabIndex = -1;
    function renderCars() {
      cars.textContent = '';
      a.cars.forEach(function (code, k) {
        var select = el('select', {title: 'car ' + (k + 1) + ', from the rear'});
        P.CAR_NAMES.forEach(function (n, c) { select.appendChild(el('option', {value: String(c), text: n})); });
        if (!/^[0-3]$/.test(code)) select.appendChild(el('option', {value: code, text: 'code ' + code}));
        select.value = code;
        select.addEventListener('change', function () {
          a.cars[k] = select.value;
          save();
        });
        function swapCar(j) {
          var c = a.cars[k];
          a.cars[k] = a.cars[j];
          a.cars[j] = c;
          renderCars();
          save();
        }
        cars.appendChild(el('span', {className: 'car'}, [select,
          el('button', {type: 'button', text: '◀', title: 'Nearer the rear', disabled: k === 0, on: {click: function () { swapCar(k - 1); }}}),
          el('button', {type: 'button', text: '▶', title: 'Nearer the front', disabled: k === a.cars.length - 1,
            on: {click: function () { swapCar(k + 1); }}}),
          el('button', {type: 'button', text: '✕', title: 'Remove this car', disabled: a.cars.length === 1, on: {click: function () {
            a.cars.splice(k, 1);
            renderCars();
            save();
          }}})]));
      });
      cars.appendChild(el('button', {type: 'button', text: 'Add car', on: {click: function () {
        a.cars.splice(Math.max(0, a.cars.length - 1), 0, '0');
        renderCars();
        save();
      }}}));
    }
    renderCars();
    section.appendChild(el('div', {}, [el('div', {text: 'Train, from the rear (left) to the engine:'}), cars]));
    return section;
  }

  function pictureForm(level, list, i, ordinal) {
    var file = list.layers[i].file;
    var section = el('fieldset', {'data-file': file}, [el('legend', {text: 'Picture layer ' + ordinal +
      (ordinal === 1 ? ' (farthest back)' : '')})]);
    section.appendChild(fileNameRow(level, list, i, 'File'));
    if (level.files[file] === undefined) {
      section.appendChild(el('p', {className: 'why', text: 'There is no file of this name in the level.'}));
      return section;
    }
    var s = P.parseSprite(level.files[file]);
    var grid = el('textarea', {className: 'grid', spellcheck: false, wrap: 'off', value: s.rows.join('\n')});
    grid.dataset.firstLine = String(s.firstLine);
    var caret = el('span', {className: 'caret'});
    function bounds() {
      var w = Math.max(0, parseInt(s.head.w, 10) || 0), h = Math.max(0, parseInt(s.head.h, 10) || 0);
      var lines = 'linear-gradient(to right, rgba(255, 255, 255, 0.07) 1px, transparent 1px), ' +
        'linear-gradient(to bottom, rgba(255, 255, 255, 0.07) 1px, transparent 1px)';
      grid.style.backgroundImage = lines + ', linear-gradient(rgba(61, 90, 128, 0.35), rgba(61, 90, 128, 0.35))';
      grid.style.backgroundSize = '1ch 16px, 1ch 16px, ' + w + 'ch ' + h * 16 + 'px';
      grid.style.backgroundRepeat = 'repeat, repeat, no-repeat';
      grid.style.color = P.hexColour(s.head.r, s.head.g, s.head.b);
    }
    function save() {
      level.files[file] = P.formatSprite(s);
      bounds();
      edited();
    }
    function head(key, title, line) {
      return numberField(key, s.head[key], line, title, function (v) {
        s.head[key] = v;
        save();
      });
    }
    var colour = el('input', {type: 'color', value: P.hexColour(s.head.r, s.head.g, s.head.b), title: 'red green blue'});
    colour.dataset.line = '2';
    colour.addEventListener('input', function () {
      var rgb = P.rgbOf(colour.value);
      s.head.r = rgb[0];
      s.head.g = rgb[1];
      s.head.b = rgb[2];
      save();
    });
    section.appendChild(el('div', {className: 'row'}, [
      el('label', {}, ['Size', head('w', 'width in cells (8 pixels each)', 1), '×', head('h', 'height in cells', 1), 'cells']),
      el('label', {}, ['Colour', colour]), caret]));
    grid.addEventListener('input', function () {
      s.rows = grid.value.split('\n');
      save();
    });
    function where() {
      var before = grid.value.slice(0, grid.selectionStart).split('\n');
      caret.textContent = 'row ' + before.length + ', column ' + (before[before.length - 1].length + 1);
    }
    grid.addEventListener('keyup', where);
    grid.addEventListener('click', where);
    section.appendChild(grid);
    bounds();
    return section;
  }

  function addPicture(level, list) {
    var name = freeName('layer.txt', Object.keys(level.files));
    var rows = [];
    for (var r = 0; r < 30; r++) rows.push('');
    level.files[name] = P.formatSprite({head: {w: '100', h: '30', r: '200', g: '200', b: '200'}, rows: rows});
    list.layers.push({kind: 'ascii', file: name});
    setList(level, list);
    reshaped();
  }

  // ---- Open: a zip, or the files of a Data folder; a shared link. Each adds its levels to the maker's.

  function opened(result, from) {
    add(result.levels);
    var names = result.levels.map(function (l) { return l.name; }).join(', ');
    say('Opened ' + result.levels.length + (result.levels.length === 1 ? ' level' : ' levels') + ' from ' + from +
      ': ' + names + '.' + (result.problems.length ? ' Left out: ' + result.problems.join('; ') + '.' : ''), true);
  }

  function openZip(file) {
    say('Opening ' + file.name + '…', true);
    return file.arrayBuffer().then(function (buffer) {
      return Z.read(new Uint8Array(buffer));
    }).then(function (entries) {
      var readers = {};
      entries.forEach(function (e) { readers[e.path] = e.read; });
      return P.fromData(readers);
    }).then(function (result) { opened(result, file.name); }, function (e) {
      document.body.dataset.refused = 'true';
      say('Not opened: ' + e.message);
    });
  }

  function openFolder(files) {
    var readers = {};
    Array.prototype.forEach.call(files, function (f) {
      var path = f.webkitRelativePath || f.name;
      readers[path] = function () {
        if (f.size > L.MAX_FILE) return Promise.reject(new Error('the file "' + path + '" is far larger than any level file'));
        return f.arrayBuffer().then(function (b) { return new Uint8Array(b); });
      };
    });
    return P.fromData(readers).then(function (result) { opened(result, 'the folder'); }, function (e) { say('Not opened: ' + e.message); });
  }

  function openLink(hash) {
    return L.decode(hash).then(function (p) {
      add(p.levels.map(function (l) {
        var files = {};
        l.files.forEach(function (f) { files[f.name] = L.textOf(f.bytes); });
        return {name: l.name, files: files};
      }));
      say('Opened from the link: ' + p.levels.map(function (l) { return l.name; }).join(', ') + '.', true);
    }, function (e) {
      document.body.dataset.refused = 'true';
      say(e.message);
    });
  }

  // ---- Share, Play, Download.

  function linkOf(levels, start) {
    return L.encode({start: start, levels: levels.map(function (l) { return {name: l.name, files: P.fileList(l)}; })});
  }

  function share() {
    return linkOf([current()], 0).then(function (link) {
      var url = new URL('index.html', location.href).href + '#' + link;
      $('share-box').hidden = false;
      $('share-link').value = url;
      $('share-open').href = url;
      $('share-note').textContent = url.length + ' characters';
      $('share-link').select();
      copy();
    });
  }

  function copy() {
    var text = $('share-link').value;
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(text).then(function () {
        $('share-note').textContent = 'Copied (' + text.length + ' characters).';
      }, function () { });
    }
  }

  var watching = null;

  function play() {
    if (playable.some(function (m) { return m < 0; })) {
      var bad = pack.levels.filter(function (l, i) { return playable[i] < 0; }).map(function (l) { return l.name; });
      say('Not played: the game cannot load ' + bad.join(', ') + '. Its problems are listed beside the picture.');
      return Promise.resolve();
    }
    return linkOf(pack.levels, pack.current).then(function (link) {
      var frame = $('game');
      frame.src = 'index.html#' + link;
      $('play-box').hidden = false;
      frame.onload = function () { frame.contentWindow.focus(); };
      clearInterval(watching);
      // Exit on the game's menu ends the game: then the studio comes back as it was.
      watching = setInterval(function () {
        var d = frame.contentDocument;
        if (d && d.body && d.body.dataset.exit !== undefined) back();
      }, 250);
    });
  }

  function back() {
    clearInterval(watching);
    $('play-box').hidden = true;
    $('game').src = 'about:blank';
  }

  function shippedFiles(FS, dir, prefix, out) {
    FS.readdir(dir).forEach(function (n) {
      if (n === '.' || n === '..') return;
      var p = dir + '/' + n;
      if (FS.isDir(FS.stat(p).mode)) shippedFiles(FS, p, prefix + n + '/', out);
      else out.push({path: prefix + n, bytes: FS.readFile(p)});
    });
    return out;
  }

  function download() {
    var files = [{path: 'Data/levels.txt', bytes: L.bytesOf(pack.levels.length + '\n' +
      pack.levels.map(function (l) { return l.name + '\n'; }).join(''))}];
    pack.levels.forEach(function (l) {
      P.fileList(l).forEach(function (f) { files.push({path: 'Data/Levels/' + l.name + '/' + f.name, bytes: f.bytes}); });
    });
    shippedFiles(engine.FS, '/shipped/Data/Sprites', 'Data/Sprites/', files);
    shippedFiles(engine.FS, '/shipped/Data/Music', 'Data/Music/', files);
    var a = document.createElement('a');
    a.href = URL.createObjectURL(Z.write(files));
    a.download = 'roofrunner-levels.zip';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(a.href); }, 10000);
    say('Downloaded roofrunner-levels.zip: unzip it beside the game and play, or check it with roofrunner-check Data.', true);
  }

  function shippedLevel(name) {
    var FS = engine.FS, folder = '/shipped/Data/Levels/' + name, files = {};
    FS.readdir(folder).forEach(function (f) {
      if (f !== '.' && f !== '..') files[f] = L.textOf(FS.readFile(folder + '/' + f));
    });
    return {name: name, files: files};
  }

  // ---- Start.

  function wire() {
    $('new').onclick = function () { add([P.template('my-level')]); };
    $('open').onclick = function () { $('open-file').click(); };
    $('open-folder').onclick = function () { $('open-dir').click(); };
    $('open-file').onchange = function () {
      if (this.files[0]) openZip(this.files[0]);
      this.value = '';
    };
    $('open-dir').onchange = function () {
      openFolder(this.files);
      this.value = '';
    };
    $('check').onclick = function () {
      runCheck();
      $('results').scrollIntoView({block: 'nearest'});
    };
    $('play').onclick = play;
    $('share').onclick = share;
    $('copy').onclick = copy;
    $('download').onclick = download;
    $('back').onclick = back;
    $('from-shipped').onclick = function () { add([shippedLevel($('shipped').value)]); };
    $('camera').addEventListener('input', drawPreview);
    document.addEventListener('dragover', function (e) { e.preventDefault(); });
    document.addEventListener('drop', function (e) {
      e.preventDefault();
      var f = e.dataTransfer.files[0];
      if (f) openZip(f);
    });
    window.addEventListener('hashchange', function () {
      if (location.hash.length > 1) openLink(location.hash).then(clearHash);
    });
  }

  function clearHash() {
    history.replaceState(null, '', location.pathname + location.search);
  }

  function start(mod) {
    engine = mod;
    if (engine.ccall('studio_start', 'number', [], []) !== 0) throw new Error('the engine did not start');
    var FS = engine.FS;
    FS.mkdirTree('/work/Data/Levels');
    FS.symlink('/shipped/Data/Sprites', '/work/Data/Sprites');
    FS.symlink('/shipped/Data/Music', '/work/Data/Music');
    FS.chdir('/work');
    var shipped = P.words(L.textOf(FS.readFile('/shipped/Data/levels.txt'))).slice(1);
    shipped.forEach(function (w) { $('shipped').appendChild(el('option', {value: w.text, text: w.text})); });
    return openStore().then(function (store) {
      db = store;
      return restore();
    }).then(function (had) {
      if (!had) pack.levels = [newLevel(P.template('my-level'))];
      wire();
      keepPack();
      writeAll();
      renderLevels();
      renderForm();
      drawPreview();
      runCheck();
      if (location.hash.length > 1) return openLink(location.hash).then(clearHash);
    }).then(function () { document.body.dataset.ready = 'true'; });
  }

  window.RoofrunnerStudio({
    print: function (t) { console.log(t); },
    printErr: function (t) { console.warn(t); }
  }).then(start).catch(function (e) {
    say('The studio could not start: ' + (e && e.message || e) + '.');
    document.body.dataset.failed = 'true';
  });
  // For the browser tests and the benchmarks: the pack, and whether a check is still to come.
  window.studio = {
    pack: pack,
    results: function () { return results; },
    pending: function () { return checkTimer !== null; }
  };
})();
