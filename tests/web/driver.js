// tests/web/driver.js — one headless Chromium (Debian's), driven through puppeteer-core for the Python tests
// (rrweb.py). Reads one JSON request a line on stdin, {"id", "op", ...}, and answers each with one JSON line,
// {"id", "ok", "value"} or {"id", "ok": false, "error"}. What the page prints to its console and every page
// error are kept, each with the time it came, for "events".
'use strict';
const puppeteer = require('puppeteer-core');
const readline = require('readline');

let browser = null;
let page = null;
let other = null;
let before = [];
let chromium = false;
const tabs = [];
const events = [];

function watch(p) {
  p.on('console', (m) => events.push({t: Date.now(), kind: 'console', type: m.type(), text: m.text()}));
  p.on('pageerror', (e) => events.push({t: Date.now(), kind: 'pageerror', text: String(e && e.message || e)}));
  p.on('requestfailed', (r) => events.push({t: Date.now(), kind: 'requestfailed', text: r.url()}));
}

// A page of the session: the launch's scripts run in it before any of its own, and its events are kept.
async function open(p) {
  for (const script of before) await p.evaluateOnNewDocument(script);
  // Each tab's own session for eval (below).
  if (chromium) p.rrCdp = await p.createCDPSession();
  watch(p);
  tabs.push(p);
  return p;
}

const ops = {
  async launch(r) {
    if (r.browser === 'firefox') {
      // Firefox through WebDriver BiDi; the music may start without a key, as chromium's flag below allows.
      browser = await puppeteer.launch({browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
        extraPrefsFirefox: {'media.autoplay.default': 0, 'media.autoplay.blocking_policy': 0}});
    } else {
      const args = ['--no-sandbox', `--window-size=${r.width || 1280},${r.height || 1000}`];
      if (r.autoplay !== false) args.push('--autoplay-policy=no-user-gesture-required');
      browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true, args});
    }
    before = r.before || [];
    chromium = r.browser !== 'firefox';
    page = await open((await browser.pages())[0] || await browser.newPage());
    await page.setViewport({width: r.width || 1280, height: r.height || 1000});
    return true;
  },
  async gotoFile(r) {
    await page.goto('file://' + r.path, {waitUntil: 'load'});
    return true;
  },
  async goto(r) {
    await page.goto(r.url, {waitUntil: 'load', timeout: (r.timeout || 30) * 1000});
    return true;
  },
  // A second tab of the same browser, in front, and the one the next requests go to; tab switches between them.
  async newTab(r) {
    page = await open(await browser.newPage());
    await page.setViewport({width: r.width || 1280, height: r.height || 1000});
    await page.goto(r.url, {waitUntil: 'load', timeout: (r.timeout || 30) * 1000});
    return tabs.length - 1;
  },
  async tab(r) {
    page = tabs[r.index];
    await page.bringToFront();
    return page.evaluate(() => document.visibilityState);
  },
  async reload() {
    await page.reload({waitUntil: 'load'});
    return true;
  },
  async key(r) {
    if (r.down) await page.keyboard.down(r.key);
    else await page.keyboard.up(r.key);
    return true;
  },
  // In chromium the expression runs as the page's own script would, without the user activation that puppeteer's
  // evaluate grants (a page that has had one may start its sound): only the key and click events count as the
  // player's. Firefox's WebDriver has no such session. With a frame's name, it runs in that frame of the page (the
  // studio plays the game in a frame named "game").
  async eval(r) {
    if (r.frame) {
      const frame = page.frames().find((f) => f.name() === r.frame);
      if (!frame) throw new Error('no frame named ' + r.frame);
      return frame.evaluate(r.expr);
    }
    if (!page.rrCdp) return page.evaluate(r.expr);
    const out = await page.rrCdp.send('Runtime.evaluate', {expression: r.expr, returnByValue: true, awaitPromise: true,
      userGesture: false});
    if (out.exceptionDetails) {
      const e = out.exceptionDetails;
      throw new Error((e.exception && e.exception.description) || e.text);
    }
    return out.result.value;
  },
  async events(r) {
    return events.slice(r.from || 0);
  },
  // Another tab in front hides the game's tab; closing it shows the game again.
  async hide() {
    other = await browser.newPage();
    await other.bringToFront();
    return page.evaluate(() => document.visibilityState);
  },
  async show() {
    if (other) await other.close();
    other = null;
    await page.bringToFront();
    return page.evaluate(() => document.visibilityState);
  },
  async metrics() {
    return page.metrics();
  },
  async close() {
    if (browser) await browser.close();
    browser = null;
    return true;
  },
};

const rl = readline.createInterface({input: process.stdin});
rl.on('line', async (line) => {
  let r;
  try {
    r = JSON.parse(line);
    const value = await ops[r.op](r);
    process.stdout.write(JSON.stringify({id: r.id, ok: true, value: value === undefined ? null : value}) + '\n');
  } catch (e) {
    process.stdout.write(JSON.stringify({id: r && r.id, ok: false, error: String(e && e.stack || e)}) + '\n');
  }
});
rl.on('close', async () => {
  if (browser) await browser.close();
  process.exit(0);
});
