// The page as visitors use it: keys from the prompt on, the sound clock and
// its silent stand-in, the window's shape, loading that keeps answering, and
// an address that starts at a music time.
'use strict';
const {spawnSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const {check, writeDataUrl, compare, musBufHash} = require('./common');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Music time and wall time (s), read together.
async function clockSample(page) {
  const [wall, clock] = await page.evaluate(() =>
    [performance.now() / 1000, window.introResults.reports.clock || '0 0']);
  return {wall, music: Number(clock.split(' ')[1])};
}

async function followsWallClock(page, name, seconds) {
  const first = await clockSample(page);
  await sleep(seconds * 1000);
  const last = await clockSample(page);
  const drift = (last.music - first.music) - (last.wall - first.wall);
  check(name, Math.abs(drift) < 0.5 && last.music > first.music,
    `music ${first.music.toFixed(3)} to ${last.music.toFixed(3)} s in ` +
    `${(last.wall - first.wall).toFixed(3)} s of wall time`);
}

async function startShow(page) {
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.introResults.reports.clock, null, {timeout: 180000});
}

async function escapeEnds(page, name) {
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => window.introResults.state !== 'running', null,
    {timeout: 20000});
  const [state, code] = await page.evaluate(() =>
    [window.introResults.state, window.introResults.exitCode]);
  const promptVisible = await page.isVisible('#prompt');
  check(name, state === 'ended' && code === 0 && promptVisible,
    `state ${state}, exit ${code}, prompt visible ${promptVisible}`);
}

// Sound on, started with Enter: the clock follows the audio context; Space
// holds it, Right moves it on by 3.2 s; the drawing buffer takes the
// window's new shape; Escape brings the prompt back.
async function soundRun(withPage, baseUrl) {
  await withPage([], `${baseUrl}/index.html`, async (page) => {
    await startShow(page);
    await followsWallClock(page, 'the music clock follows the audio context', 3);
    await page.keyboard.press(' ');
    await sleep(300);
    const held = await clockSample(page);
    await sleep(1000);
    const stillHeld = await clockSample(page);
    await page.keyboard.press(' ');
    check('Space holds the music clock', stillHeld.music === held.music,
      `${held.music} then ${stillHeld.music}`);
    const before = await clockSample(page);
    await page.keyboard.press('ArrowRight');
    await sleep(500);
    const after = await clockSample(page);
    const moved = after.music - before.music - (after.wall - before.wall);
    check('Right moves the show on by 3.2 s', Math.abs(moved - 3.2) < 0.3,
      `${before.music} to ${after.music} s`);
    await page.setViewportSize({width: 480, height: 480});
    await sleep(1000);
    const canvas = await page.$eval('#stage canvas', (c) =>
      [c.width, c.height, c.clientWidth, c.clientHeight]);
    check('the drawing buffer takes the window\'s shape', canvas[0] === canvas[2] &&
      canvas[1] === canvas[3] && canvas[0] === 480 && canvas[1] === 480, canvas.join(' '));
    await escapeEnds(page, 'Escape ends the show and the prompt comes back');
  });
}

// Browsers that give no sound: the show plays on the wall clock with one
// line that says it is silent.
const silentCases = [
  {name: 'no Web Audio', init: () => { delete window.AudioContext; }},
  {name: 'sound kept off after the click', init: () => {
    AudioContext.prototype.resume = () => new Promise(() => {});
    Object.defineProperty(AudioContext.prototype, 'state', {get: () => 'suspended'});
  }},
];

async function silentRuns(withPage, baseUrl) {
  for (const {name, init} of silentCases) {
    await withPage([], `${baseUrl}/index.html`, async (page) => {
      await startShow(page);
      const line = await page.isVisible('#status') ? await page.textContent('#status') : '';
      check(`${name}: one line says the show is silent`, /silently/.test(line), line);
      await followsWallClock(page, `${name}: the show runs on the wall clock`, 2);
    }, init);
  }
}

// While the soundtrack and the textures are made the page answers within
// 500 ms, and Escape brings the prompt back.
async function loadingRun(withPage, baseUrl) {
  await withPage([], `${baseUrl}/index.html`, async (page) => {
    await page.keyboard.press('Enter');
    // Two seconds of polls: the soundtrack alone takes longer to make.
    let worst = 0;
    for (let i = 0; i < 8; ++i) {
      const asked = Date.now();
      await page.evaluate(() => 0);
      worst = Math.max(worst, Date.now() - asked);
      await sleep(250);
    }
    const loading = await page.evaluate(() => !window.introResults.reports.clock);
    check('the page answers within 500 ms while loading', worst <= 500 && loading,
      `slowest answer ${worst} ms, still loading ${loading}`);
    await escapeEnds(page, 'Escape while loading brings the prompt back');
  });
}

// #t=76.8 shows what the native program shows with --start 76.8.
async function startAtRun(withPage, baseUrl, {introHeadless, framediff, outDir}) {
  const size = '480x270';
  const at = 76.8;
  const nativeDir = path.join(outDir, 'start-at-native');
  fs.mkdirSync(nativeDir, {recursive: true});
  const run = spawnSync(introHeadless, ['--size', size, '--fps', '2', '--start', '76.8',
    '--png', nativeDir, '--at', String(at), '--escape-frame', '0'], {stdio: 'ignore'});
  const nativeFile = path.join(nativeDir, 'frame-000000.png');
  check('native frame with --start 76.8', run.status === 0 && fs.existsSync(nativeFile),
    `exit ${run.status}`);
  // Also the soundtrack without the page's worker: the program renders both channels.
  const url = `${baseUrl}/index.html?test-clock=2&size=${size}&at=${at}&end-after-last=1` +
    '&worker=0#t=76.8';
  const results = await withPage([], url, async (page) => {
    await page.click('#prompt');
    await page.waitForFunction(() => window.introResults.exitCode !== null, null,
      {timeout: 300000});
    return page.evaluate(() => window.introResults);
  });
  check('without the worker the program renders the same soundtrack',
    results.reports.musBufHash === musBufHash && results.reports.synthWorker === 'none',
    `${results.reports.musBufHash}, worker ${results.reports.synthWorker}`);
  const frame = results.frames.find((f) => f.name.startsWith('frame-'));
  check('#t=76.8 starts at that music time', !!frame && frame.name === 'frame-000000' &&
    frame.scene === 'FramedShaderScene', frame ? `${frame.name} ${frame.scene}` : 'no frame');
  if (!frame) return;
  const webFile = path.join(outDir, 'start-at-web.png');
  writeDataUrl(webFile, frame.png);
  compare(framediff, '#t=76.8', webFile, nativeFile, 0.05, 50);
}

// On Chromium's own software WebGL the waves draw at a few frames a second in
// a full HD window: the page draws at a smaller scale by itself and says so.
const softwareFlags = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader'];
async function slowRendererRun(withPage, baseUrl) {
  await withPage(softwareFlags, `${baseUrl}/index.html#t=96`, async (page) => {
    // Full HD: a few frames a second at most on any processor of today.
    await page.setViewportSize({width: 1920, height: 1080});
    await startShow(page);
    // The line comes with the decision; the buffer shrinks at the next frame.
    await page.waitForFunction(() => {
      const canvas = document.querySelector('#stage canvas');
      return window.introResults.status && canvas && canvas.width < canvas.clientWidth;
    }, null, {timeout: 60000}).catch(() => {});
    const [line, width, cssWidth] = await page.evaluate(() => {
      const canvas = document.querySelector('#stage canvas');
      const status = window.introResults.status;
      return [status ? status.text : '', canvas ? canvas.width : 0, canvas ? canvas.clientWidth : 0];
    });
    check('a slow renderer gets a smaller drawing buffer and one line', /draws slowly/.test(line) &&
      width < cssWidth, `${line}; drawing buffer ${width} wide in ${cssWidth} CSS pixels`);
  });
}

async function visitorRuns(withPage, baseUrl, paths) {
  await soundRun(withPage, baseUrl);
  await slowRendererRun(withPage, baseUrl);
  await silentRuns(withPage, baseUrl);
  await loadingRun(withPage, baseUrl);
  await startAtRun(withPage, baseUrl, paths);
}

module.exports = {visitorRuns};
