// platforms/web/bench.js — the browser build's costs, measured (not tested): the CPU of all the browser's processes
// while the game plays (RIGHT held through the levels) against a bare page that puts a 640x480 image to a canvas
// 64 times a second, one after the other in the same browser; the time from navigation to the first menu frame;
// the breaks in the sound that the audio worklet counts. Run by platforms/web/bench.sh, which serves the build.
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

(async () => {
  const browser = await puppeteer.launch({executablePath: process.env.RR_CHROMIUM || '/usr/bin/chromium',
    headless: true, args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required']});
  const page = (await browser.pages())[0];
  await page.setViewport({width: 1280, height: 1000});

  const starts = [];
  for (let i = 0; i < 5; i++) {
    await page.goto(gameUrl, {waitUntil: 'load'});
    await page.waitForFunction(() => performance.getEntriesByName('roofrunner-first-frame').length > 0,
      {timeout: 30000});
    starts.push(await page.evaluate(() => performance.getEntriesByName('roofrunner-first-frame')[0].startTime));
  }
  starts.sort((a, b) => a - b);

  await page.goto(bareUrl, {waitUntil: 'load'});
  await sleep(2000);
  const bare = await measure(browser, seconds);

  await page.goto(gameUrl, {waitUntil: 'load'});
  await page.waitForFunction(() => performance.getEntriesByName('roofrunner-first-frame').length > 0);
  await page.keyboard.down('Enter');
  await sleep(150);
  await page.keyboard.up('Enter');
  await sleep(1000);
  await page.keyboard.down('ArrowRight');
  await sleep(1000);
  const game = await measure(browser, seconds);
  await page.keyboard.up('ArrowRight');
  const underruns = await page.evaluate(() => Module.rrAudio ? Module.rrAudio.underruns : null);
  const log = await page.evaluate(() => new Promise((done) => Module.rrReadLog(done)));
  await browser.close();

  const levels = (log.match(/Next Level/g) || []).length;
  console.log(`first menu frame after navigation: median ${starts[2].toFixed(0)} ms ` +
    `(of 5: ${starts.map((s) => s.toFixed(0)).join(', ')})`);
  console.log(`browser CPU, bare canvas page: ${(bare * 100).toFixed(1)}% of a core`);
  console.log(`browser CPU, playing:          ${(game * 100).toFixed(1)}% of a core ` +
    `(${seconds} s holding RIGHT, ${levels} levels passed, ${underruns} breaks in the sound)`);
  console.log(`ratio: ${(game / bare).toFixed(2)}`);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
