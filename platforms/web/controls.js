// platforms/web/controls.js — the page's touch controls, the list of keys, buttons and gamepad buttons, and which
// of them the page shows.
//
// Each touch button stands for one of the game's keys and feeds the same road as the keyboard (Module.rrPress, the
// held keys and the key buffer of the platform layer, web_library.js), so the game itself knows only keys. Each
// finger is a holder of its own: Run stays held while another finger taps Jump. The controls show when the page is
// touched (and from the start on a screen whose main pointer is a finger) and hide when a key or a gamepad is used.
'use strict';
(function () {
  // [label, the key's KeyboardEvent.code, the group the button sits in, its place in the group's grid]
  var BUTTONS = [
    ['Up', 'ArrowUp', 'move', 'up'],
    ['Down', 'ArrowDown', 'move', 'down'],
    ['Run', 'ArrowRight', 'move', 'run'],
    ['Pause', 'F1', 'act', 'pause'],
    ['Back', 'Escape', 'act', 'back'],
    ['OK', 'Enter', 'act', 'ok'],
    ['Crouch', 'KeyC', 'act', 'crouch'],
    ['Jump', 'Space', 'act', 'jump']
  ];
  // What the page's list of controls says: [the key, the touch button, the gamepad's button, what it does].
  var LIST = [
    ['RIGHT', 'Run', 'D-pad or left stick right', 'runs'],
    ['SPACE', 'Jump', 'A', 'jumps'],
    ['C', 'Crouch', 'B', 'crouches'],
    ['F1', 'Pause', 'Y', 'pauses under the help page'],
    ['ENTER', 'OK', 'Start', 'resumes; chooses on the menu'],
    ['ESC', 'Back', 'Back (Select)', 'leaves for the menu'],
    ['UP, DOWN', 'Up, Down', 'D-pad or left stick up, down', 'move on the menu'],
    ['PGUP, PGDN', '', 'Bumpers (LB, RB)', 'look up and down']
  ];

  var groups = {};
  var holding = {};  // pointerId: the button that finger holds

  function press(source, code, down) {
    if (window.Module && Module.rrPress) Module.rrPress(source, code, down);
  }

  function lift(id) {
    var b = holding[id];
    if (!b) return;
    delete holding[id];
    press('touch' + id, b.dataset.code, false);
    for (var other in holding) if (holding[other] === b) return;
    b.classList.remove('held');
  }

  function liftAll() {
    for (var id in holding) lift(id);
  }

  function onDown(e) {
    e.preventDefault();
    var b = e.currentTarget;
    if (holding[e.pointerId]) lift(e.pointerId);
    holding[e.pointerId] = b;
    b.classList.add('held');
    press('touch' + e.pointerId, b.dataset.code, true);
  }

  function onUp(e) {
    lift(e.pointerId);
  }

  var touchBox = document.createElement('div');
  touchBox.id = 'touch';
  ['move', 'act'].forEach(function (name) {
    var g = document.createElement('div');
    g.id = 'pad-' + name;
    g.className = 'pad';
    touchBox.appendChild(g);
    groups[name] = g;
  });
  BUTTONS.forEach(function (button) {
    var b = document.createElement('button');
    b.type = 'button';
    b.textContent = button[0];
    b.dataset.code = button[1];
    b.style.gridArea = button[3];
    b.tabIndex = -1;
    b.addEventListener('pointerdown', onDown);
    b.addEventListener('pointerup', onUp);
    b.addEventListener('pointercancel', onUp);
    b.addEventListener('lostpointercapture', onUp);
    b.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    groups[button[2]].appendChild(b);
  });
  document.body.appendChild(touchBox);
  // A finger that can no longer lift where the page sees it lets go now.
  window.addEventListener('blur', liftAll);
  window.addEventListener('pagehide', liftAll);
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') liftAll();
  });

  function showTouch(on) {
    if (document.body.classList.contains('touch') === on) return;
    if (!on) liftAll();
    document.body.classList.toggle('touch', on);
    if (window.roofrunnerLayout) window.roofrunnerLayout();
  }
  window.addEventListener('pointerdown', function (e) {
    if (e.pointerType === 'touch' || e.pointerType === 'pen') showTouch(true);
  }, true);
  window.addEventListener('keydown', function () { showTouch(false); }, true);
  window.addEventListener('roofrunner-pad', function () { showTouch(false); });
  showTouch(!!(window.matchMedia && window.matchMedia('(pointer: coarse)').matches));

  // The list of controls, opened from the bar.
  var panel = document.getElementById('controls-list');
  var table = document.createElement('table');
  var head = table.insertRow();
  ['Key', 'Touch', 'Gamepad', ''].forEach(function (t) {
    var th = document.createElement('th');
    th.textContent = t;
    head.appendChild(th);
  });
  LIST.forEach(function (row) {
    var tr = table.insertRow();
    row.forEach(function (t) { tr.insertCell().textContent = t; });
  });
  panel.insertBefore(table, panel.firstChild);
  document.getElementById('controls').onclick = function () { panel.hidden = !panel.hidden; };
  document.getElementById('controls-close').onclick = function () {
    panel.hidden = true;
    document.getElementById('canvas').focus();
  };

  // Gamepads: the browser shows one to the page only after a button is pressed on it.
  var padNote = document.getElementById('pad');
  function pads() {
    var list = navigator.getGamepads ? navigator.getGamepads() : [];
    var seen = [];
    for (var i = 0; i < (list ? list.length : 0); i++) if (list[i] && list[i].connected) seen.push(list[i]);
    return seen;
  }
  function watchPads() {
    var seen = pads();
    var usable = seen.filter(function (p) { return p.mapping === 'standard'; });
    padNote.hidden = seen.length === 0;
    padNote.textContent = usable.length ? 'Gamepad connected' :
      seen.length ? 'This gamepad has no standard button layout' : '';
    if (usable.length) showTouch(false);
  }
  window.addEventListener('gamepadconnected', watchPads);
  window.addEventListener('gamepaddisconnected', function () { setTimeout(watchPads, 0); });
  if (!navigator.getGamepads) document.getElementById('pad-hint').hidden = true;
})();
