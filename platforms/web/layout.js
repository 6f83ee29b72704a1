// platforms/web/layout.js — where the picture, the page's bar and the touch controls go, so that the picture is
// never cut off and nothing of the page lies over it.
//
// At 640x480 CSS pixels or more the picture takes the largest whole number of device pixels per pixel of its own,
// so it stays crisp at 125% and 150% display scaling; on smaller screens it takes the largest size that fits.
// With the touch controls shown (body.touch), an upright screen has the picture at the top and the controls below
// it, a screen on its side the controls in columns beside it. The layout is redone on every resize, turn and
// change of controls (roofrunnerLayout()).
'use strict';
(function () {
  var W = 640, H = 480;
  // Room the controls need at the least: two thumb-sized buttons a column beside the picture, three rows below it.
  var SIDE = 140, BELOW = 230;

  function px(v) { return v + 'px'; }

  function place(el, left, top, width, height) {
    el.style.left = px(left);
    el.style.top = px(top);
    el.style.width = width === null ? '' : px(width);
    el.style.height = height === null ? '' : px(height);
  }

  // The picture's size in CSS pixels for an area, and that size centred in it on whole device pixels.
  function fit(left, top, aw, ah, dpr) {
    var w;
    if (aw >= W && ah >= H) {
      w = W * Math.max(1, Math.floor(Math.min(aw * dpr / W, ah * dpr / H) + 1e-9)) / dpr;
    } else {
      w = Math.floor(W * Math.min(aw / W, ah / H) * dpr) / dpr;
    }
    var h = w * H / W;
    return {
      left: left + Math.floor((aw - w) / 2 * dpr) / dpr,
      top: top + Math.floor((ah - h) / 2 * dpr) / dpr,
      w: w,
      h: h
    };
  }

  function layout() {
    var canvas = document.getElementById('canvas');
    var bar = document.getElementById('bar');
    var pads = [document.getElementById('pad-move'), document.getElementById('pad-act')];
    var vw = document.documentElement.clientWidth || window.innerWidth;
    var vh = document.documentElement.clientHeight || window.innerHeight;
    var dpr = window.devicePixelRatio || 1;
    var touch = document.body.classList.contains('touch');
    var pic, barBox;
    bar.style.right = '';
    if (!touch) {
      // The bar in a corner; the picture in the middle, moved below the bar only when it would reach under it.
      bar.className = 'corner';
      place(bar, 0, 0, null, null);
      bar.style.left = '';
      bar.style.right = '0px';
      barBox = bar.getBoundingClientRect();
      pic = fit(0, 0, vw, vh, dpr);
      if (pic.top < barBox.height && vw - (pic.left + pic.w) < barBox.width) {
        pic = fit(0, barBox.height, vw, vh - barBox.height, dpr);
      }
    } else if (vh > vw) {
      // Upright: the picture at the top, the bar under it, the controls below.
      pic = fit(0, 0, vw, Math.max(vh - BELOW, 0), dpr);
      pic.top = 0;
      bar.className = 'row';
      place(bar, 0, pic.h, vw, null);
      barBox = bar.getBoundingClientRect();
      var top = barBox.bottom;
      var height = Math.min(vh - top, 360);
      place(pads[0], 0, vh - height, vw / 2, height);
      place(pads[1], vw / 2, vh - height, vw / 2, height);
    } else {
      // On its side: the picture in the middle, the controls in columns beside it, the bar over the right one.
      pic = fit(SIDE, 0, Math.max(vw - 2 * SIDE, 0), vh, dpr);
      var side = Math.floor(pic.left);
      var right = Math.ceil(pic.left + pic.w);
      bar.className = 'column';
      place(bar, right, 0, vw - right, null);
      barBox = bar.getBoundingClientRect();
      place(pads[0], 0, 0, side, vh);
      place(pads[1], right, barBox.bottom, vw - right, vh - barBox.bottom);
    }
    canvas.style.position = 'fixed';
    place(canvas, pic.left, pic.top, pic.w, pic.h);
  }

  window.roofrunnerLayout = layout;
  // The bar grows and shrinks with what it says (the music's note, a notice): the layout follows, a frame later,
  // so that the change it makes is not seen by the observer that asked for it.
  if (window.ResizeObserver) {
    var seen = '';
    var pending = false;
    new ResizeObserver(function (entries) {
      var r = entries[entries.length - 1].contentRect;
      var size = r.width + 'x' + r.height;
      if (size === seen || pending) return;
      seen = size;
      pending = true;
      requestAnimationFrame(function () {
        pending = false;
        layout();
      });
    }).observe(document.getElementById('bar'));
  }
  window.addEventListener('resize', layout);
  window.addEventListener('orientationchange', layout);
  document.addEventListener('fullscreenchange', layout);
  if (window.matchMedia) {
    // A page dragged to a screen of another scale changes devicePixelRatio without a resize.
    var watchScale = function () {
      var q = window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
      var again = function () {
        if (q.removeEventListener) q.removeEventListener('change', again);
        layout();
        watchScale();
      };
      if (q.addEventListener) q.addEventListener('change', again);
    };
    watchScale();
  }
})();
