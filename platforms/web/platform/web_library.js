// platforms/web/platform/web_library.js — the page's side of the browser drivers (web.h): the canvas, the keys
// (from the keyboard, the page's touch buttons and gamepads), the focus and the audio worklet. The page
// (platforms/web/index.html) sets Module.canvas and Module.rrAudio up.
mergeInto(LibraryManager.library, {
  $RR: {
    codes: {},
    keys: [],
    listening: false,
    // Who holds each key (by KeyboardEvent.code): 'key', a finger ('touch' and its pointer id) or a gamepad
    // ('pad' and its index). The game sees a press when the first holder comes and a release when the last goes.
    holders: {},
    // Each gamepad's keys as the last poll found them.
    pads: {},
    // The standard mapping's buttons: A, B, Y, the bumpers, Back, Start and the d-pad.
    padButtons: {
      0: 'Space', 1: 'KeyC', 3: 'F1', 4: 'PageUp', 5: 'PageDown', 8: 'Escape', 9: 'Enter',
      12: 'ArrowUp', 13: 'ArrowDown', 14: 'ArrowLeft', 15: 'ArrowRight'
    },
    image: null,
    imagePtr: 0,
    ctx: null,
    watching: false,
    focused: true,
    audio: null,
    written: 0,
    consumed: 0,
    lead: 0,
    // By scancode, the keys the game reads (src/app/keys.h, from web_keyboard.c at start-up): they must not scroll
    // the page or open the browser's help. Every other key stays the browser's.
    kept: {},
    press: function (source, code, down) {
      var scancode = RR.codes[code];
      if (scancode === undefined || !RR.listening) return;
      var by = RR.holders[code] || (RR.holders[code] = {});
      var was = Object.keys(by).length > 0;
      if (down) by[source] = 1;
      else delete by[source];
      var now = Object.keys(by).length > 0;
      if (now && !was) RR.keys.push(scancode | 0x80);
      else if (was && !now) RR.keys.push(scancode);
    },
    onKey: function (e) {
      var scancode = RR.codes[e.code];
      if (scancode === undefined) return;
      if (RR.kept[scancode]) e.preventDefault();
      // The browser's repeat of a held key is not a new press: the key has its holder already.
      RR.press('key', e.code, e.type === 'keydown');
    },
    // A standard gamepad's held keys: its buttons, and the d-pad's arrows from the left stick as well.
    padKeys: function (p) {
      var want = {};
      for (var b in RR.padButtons) {
        if (p.buttons[b] && p.buttons[b].pressed) want[RR.padButtons[b]] = 1;
      }
      var x = p.axes[0] || 0, y = p.axes[1] || 0;
      if (x < -0.5) want.ArrowLeft = 1;
      if (x > 0.5) want.ArrowRight = 1;
      if (y < -0.5) want.ArrowUp = 1;
      if (y > 0.5) want.ArrowDown = 1;
      return want;
    },
    onFocus: function (e) {
      RR.focused = e.type === 'focus';
    }
  },

  web_js_title__deps: ['$RR'],
  web_js_title: function (title) {
    document.title = UTF8ToString(title);
  },

  web_js_active__deps: ['$RR'],
  web_js_active: function () {
    if (!RR.watching) {
      RR.watching = true;
      window.addEventListener('focus', RR.onFocus);
      window.addEventListener('blur', RR.onFocus);
    }
    return document.visibilityState === 'hidden' || !RR.focused ? 0 : 1;
  },

  web_js_present__deps: ['$RR'],
  web_js_present: function (rgba, w, h) {
    if (!RR.ctx) RR.ctx = Module.canvas.getContext('2d', {alpha: false});
    // The memory never grows (INITIAL_MEMORY), so a view made once stays valid.
    if (!RR.image || RR.image.width !== w || RR.image.height !== h || RR.imagePtr !== rgba) {
      RR.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h);
      RR.imagePtr = rgba;
    }
    RR.ctx.putImageData(RR.image, 0, 0);
    if (Module.onFrame) Module.onFrame();
  },

  web_js_key_map__deps: ['$RR'],
  web_js_key_map: function (code, scancode) {
    RR.codes[UTF8ToString(code)] = scancode;
  },

  web_js_key_keep__deps: ['$RR'],
  web_js_key_keep: function (scancode) {
    RR.kept[scancode] = 1;
  },

  web_js_key_listen__deps: ['$RR'],
  web_js_key_listen: function (on) {
    if (on && !RR.listening) {
      window.addEventListener('keydown', RR.onKey);
      window.addEventListener('keyup', RR.onKey);
    } else if (!on && RR.listening) {
      window.removeEventListener('keydown', RR.onKey);
      window.removeEventListener('keyup', RR.onKey);
    }
    RR.listening = !!on;
    RR.keys = [];
    RR.holders = {};
    RR.pads = {};
    // The page's touch buttons press keys here.
    Module.rrPress = RR.press;
  },

  // Every key let go at once (the page hidden or unfocused): no holder is left, so the next press is a press.
  web_js_key_forget__deps: ['$RR'],
  web_js_key_forget: function () {
    RR.keys = [];
    RR.holders = {};
    RR.pads = {};
  },

  // Once a frame: each connected gamepad of the standard mapping presses and lets go of its keys; one that is
  // gone lets go of all of its own.
  web_js_pad_poll__deps: ['$RR'],
  web_js_pad_poll: function () {
    if (!RR.listening || !navigator.getGamepads) return;
    var list = navigator.getGamepads() || [];
    var seen = {};
    var pressed = false;
    for (var i = 0; i < list.length; i++) {
      var p = list[i];
      if (!p || !p.connected || p.mapping !== 'standard') continue;
      var source = 'pad' + p.index;
      seen[source] = 1;
      var had = RR.pads[source] || {};
      var want = RR.padKeys(p);
      for (var code in want) {
        if (!had[code]) {
          RR.press(source, code, true);
          pressed = true;
        }
      }
      for (code in had) if (!want[code]) RR.press(source, code, false);
      RR.pads[source] = want;
    }
    for (source in RR.pads) {
      if (seen[source]) continue;
      for (code in RR.pads[source]) RR.press(source, code, false);
      delete RR.pads[source];
    }
    // The page hides its touch buttons while a gamepad plays.
    if (pressed) window.dispatchEvent(new Event('roofrunner-pad'));
  },

  web_js_key_next__deps: ['$RR'],
  web_js_key_next: function () {
    return RR.keys.length ? RR.keys.shift() : -1;
  },

  // The rate the page's audio runs at, which the mixer takes as its own; 0 when the page has no audio to open.
  web_js_audio_rate__deps: ['$RR'],
  web_js_audio_rate: function () {
    var a = Module.rrAudio;
    return a && a.node ? a.ctx.sampleRate : 0;
  },

  web_js_audio_open__deps: ['$RR'],
  web_js_audio_open: function (rate, frames) {
    var a = Module.rrAudio;
    if (!a || !a.node || a.ctx.sampleRate !== rate) return -1;
    RR.audio = a;
    RR.written = 0;
    RR.consumed = 0;
    // About 190 ms ahead of the speakers: a busy phone or desktop may keep the page from its thread for more than a
    // tenth of a second now and then, and the game plays only music, for which this is no delay anyone hears.
    RR.lead = frames * 8;
    a.node.port.onmessage = function (e) {
      RR.consumed = e.data.consumed;
      a.underruns = e.data.underruns;
    };
    a.node.port.postMessage({reset: true});
    // The page asks for a key to start the music only while there is music to start.
    a.opened = true;
    if (Module.rrAudioChanged) Module.rrAudioChanged();
    return 0;
  },

  web_js_audio_wanted__deps: ['$RR'],
  web_js_audio_wanted: function () {
    if (!RR.audio) return 0;
    return Math.max(0, RR.lead - (RR.written - RR.consumed));
  },

  web_js_audio_write__deps: ['$RR'],
  web_js_audio_write: function (samples, frames) {
    if (!RR.audio) return;
    var left = new Float32Array(frames), right = new Float32Array(frames);
    var s = samples >> 1, sounding = false;
    for (var i = 0; i < frames; i++) {
      left[i] = HEAP16[s + 2 * i] / 32768;
      right[i] = HEAP16[s + 2 * i + 1] / 32768;
      if (left[i] || right[i]) sounding = true;
    }
    RR.audio.node.port.postMessage({left: left, right: right, sounding: sounding}, [left.buffer, right.buffer]);
    RR.written += frames;
  },

  web_js_audio_close__deps: ['$RR'],
  web_js_audio_close: function () {
    if (!RR.audio) return;
    RR.audio.node.port.postMessage({reset: true});
    RR.audio.node.port.onmessage = null;
    RR.audio.opened = false;
    RR.audio = null;
    if (Module.rrAudioChanged) Module.rrAudioChanged();
  }
});
