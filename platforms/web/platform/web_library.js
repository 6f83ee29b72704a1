// platforms/web/platform/web_library.js — the page's side of the browser drivers (web.h): the canvas, the keys, the
// focus and the audio worklet. The page (platforms/web/index.html) sets Module.canvas and Module.rrAudio up.
mergeInto(LibraryManager.library, {
  $RR: {
    codes: {},
    keys: [],
    listening: false,
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
    onKey: function (e) {
      var scancode = RR.codes[e.code];
      if (scancode === undefined) return;
      if (RR.kept[scancode]) e.preventDefault();
      if (e.type === 'keydown') {
        // The browser's repeat of a held key is not a new press.
        if (!e.repeat) RR.keys.push(scancode | 0x80);
      } else {
        RR.keys.push(scancode);
      }
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
