// platforms/web/bench.js — the browser build's costs, measured (not tested): the CPU of all the browser's processes
// while the game plays (RIGHT held through the levels) against a bare page that puts a 640x480 image to a canvas
// 64 times a second, one after the other in the same browser; the time from navigation to the first menu frame;
// the breaks in the sound that the audio worklet counts. Each on a desktop-sized page (keys) and on a phone-sized
// one (a phone on its side, device scale 3, touch: the touch buttons shown, Run held by a finger). Run by
// platforms/web/bench.sh, which serves the build.
//   node bench.js URL_OF_GAME URL_OF_BARE_PAGE SECONDS
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const [gameUrl, bareUrl, secondsArg] = process.argv.slice(2);
const seconds = Number(secondsArg || 30);
const ticks = 100; // clock ticks a second (USER_HZ) in /proc's figures
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

function tree(root) {
  const all = [root];
  for (let i = 0; i < all.length; i++) {
    try {
      const kids = fs.readFileSync(`/proc/${all[i]}/task/${all[i]}/children`, 'utf8').trim();
      if (kids) all.push(...kids.split(/\s+/).map(Number));
    } catch (e) { /* ended meanwhile */ }
  }
  return all;
}

function cpuSeconds(root) {
  let sum = 0;
  for (const pid of tree(root)) {
    try {
      const f = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      sum += (Number(f[11]) + Number(f[12])) / ticks;
    } catch (e) { /* ended meanwhile */ }
  }
  return sum;
}

async function measure(browser, seconds) {
  const pid = browser.process().pid;
  const c0 = cpuSeconds(pid);
  const t0 = Date.now();
  await sleep(seconds * 1000);
  return (cpuSeconds(pid) - c0) / ((Date.now() - t0) / 1000);
}

const DEVICES = [
  {name: 'desktop', viewport: {width: 1280, height: 1000}},
  {name: 'phone', viewport: {width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true,
    isLandscape: true}},
];

async function firstFrames(page) {
  const starts = [];
  for (let i = 0; i < 5; i++) {
    await page.goto(gameUrl, {waitUntil: 'load'});
    await page.waitForFunction(() => performance.getEntriesByName('roofrunner-first-frame').length > 0,
      {timeout: 30000});
    starts.push(await page.evaluate(() => performance.getEntriesByName('roofrunner-first-frame')[0].startTime));
  }
  return starts.sort((a, b) => a - b);
}

async function finger(page, name) {
  const at = await page.evaluate((name) => {
    const b = [...document.querySelectorAll('#touch button')].find((e) => e.textContent === name);
    const r = b.getBoundingClientRect();
    return {x: r.left + r.width / 2, y: r.top + r.height / 2};
  }, name);
  const cdp = await page.createCDPSession();
  await cdp.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: [{x: at.x, y: at.y, id: 1}]});
  return () => cdp.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: [{x: at.x, y: at.y, id: 1}]});
}

// Holds a key: on the desktop the key, on the phone a finger on its touch button.
async function hold(page, phone, key, button) {
  if (phone) return finger(page, button);
  await page.keyboard.down(key);
  return () => page.keyboard.up(key);
}

async function run(browser, device) {
  const page = await browser.newPage();
  await page.setViewport(device.viewport);
  const phone = !!device.viewport.isMobile;
  const starts = await firstFrames(page);

  await page.goto(bareUrl, {waitUntil: 'load'});
  await sleep(2000);
  const bare = await measure(browser, seconds);

  await page.goto(gameUrl, {waitUntil: 'load'});
  await page.waitForFunction(() => performance.getEntriesByName('roofrunner-first-frame').length > 0);
  const ok = await hold(page, phone, 'Enter', 'OK');
  await sleep(150);
  await ok();
  await sleep(1000);
  const shown = await page.evaluate(() => [...document.querySelectorAll('#touch button')]
    .filter((b) => b.getBoundingClientRect().width > 0).length);
  const letGo = await hold(page, phone, 'ArrowRight', 'Run');
  await sleep(1000);
  const game = await measure(browser, seconds);
  await letGo();
  const underruns = await page.evaluate(() => Module.rrAudio ? Module.rrAudio.underruns : null);
  const log = await page.evaluate(() => new Promise((done) => Module.rrReadLog(done)));
  await page.close();

  // The kept log holds every run of this site; the levels of the last one.
  const levels = (log.split('Log Initialized').pop().match(/Next Level/g) || []).length;
  const size = `${device.viewport.width}x${device.viewport.height}` +
    (phone ? ` at device scale ${device.viewport.deviceScaleFactor}, ${shown} touch buttons shown` : '');
  console.log(`${device.name} (${size}):`);
  console.log(`  first menu frame after navigation: median ${starts[2].toFixed(0)} ms ` +
    `(of 5: ${starts.map((s) => s.toFixed(0)).join(', ')})`);
  console.log(`  browser CPU, bare canvas page: ${(bare * 100).toFixed(1)}% of a core`);
  console.log(`  browser CPU, playing:          ${(game * 100).toFixed(1)}% of a core ` +
    `(${seconds} s holding RIGHT, ${levels} levels passed, ${underruns} breaks in the sound)`);
  console.log(`  ratio: ${(game / bare).toFixed(2)}`);
}

(async () => {
  const browser = await puppeteer.launch({executablePath: process.env.RR_CHROMIUM || '/usr/bin/chromium',
    headless: true, args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required']});
  for (const device of DEVICES) await run(browser, device);
  await browser.close();
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
