// The browser version in a second engine: Firefox ESR on a virtual X server
// (its headless mode has no WebGL), driven over WebDriver BiDi. The opening,
// a picture and a shader scene against the native headless program's frames,
// and the show's music clock on the audio context.
// Usage: node firefox_test.js SITE_DIR INTRO_HEADLESS FRAMEDIFF OUT_DIR
// Ends with "N passed, N failed"; a machine without Firefox, Xvfb or WebGL 2
// in Firefox says so in one line and the part counts as skipped.
'use strict';
const puppeteer = require('puppeteer-core');
const {spawn, spawnSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const {check, skip, summary, serve, testUrl, nativeFrames, writeDataUrl, compare} =
  require('./common');

const [siteDir, introHeadless, framediff, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node firefox_test.js SITE_DIR INTRO_HEADLESS FRAMEDIFF OUT_DIR');
  process.exit(2);
}

const part = 'Firefox';
const testMode = {fps: 2, size: '960x540', at: [3, 20, 97], loaderTicks: [1, 106]};
// Scene frames in music time order, with the renderer each shows and its
// bounds (see below).
const shots = [
  {name: 'scroller', renderer: 'ScrollerScene', at: 3, text: true},
  {name: 'picture', renderer: 'PictureScene', at: 20, text: true},
  {name: 'waves', renderer: 'ShaderScene', at: 97, text: false},
];
// Bounds on the mean absolute difference (0..255) and the PSNR (dB) against
// the native frames, as in web_test.js. Firefox's WebGL runs on Mesa's
// llvmpipe like the native program: the loader bar and the waves frame are
// equal (MAD 0, PSNR inf). Its canvas draws the glyphs' edges its own way:
// MAD 0.138 and 0.065, PSNR 40.9 and 41.9 dB on the scroller and the picture.
const exact = {maxMad: 0.05, minPsnr: 50};
const text = {maxMad: 0.4, minPsnr: 32};

function which(program) {
  const found = spawnSync('sh', ['-c', `command -v ${program}`], {encoding: 'utf8'});
  return found.status === 0 ? found.stdout.trim() : null;
}

// A virtual X server on a display it chooses itself (-displayfd): no race
// with other tests starting one.
function startXvfb() {
  return new Promise((resolve, reject) => {
    const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x800x24', '-nolisten',
      'tcp'], {stdio: ['ignore', 'ignore', 'ignore', 'pipe']});
    let written = '';
    server.stdio[3].on('data', (data) => {
      written += data;
      if (written.includes('\n')) resolve({server, display: ':' + written.trim()});
    });
    server.on('exit', (code) => reject(new Error(`Xvfb ended (exit ${code})`)));
  });
}

function launchOptions(executable, display) {
  return {browser: 'firefox', executablePath: executable, headless: false,
    defaultViewport: null, args: ['--width=1280', '--height=800'], protocolTimeout: 120000,
    env: {...process.env, DISPLAY: display},
    // The click through the protocol is the user gesture; no autoplay prompt.
    extraPrefsFirefox: {'media.autoplay.default': 0, 'media.autoplay.blocking_policy': 0}};
}

// A start that ends before the protocol session opens is tried once more.
async function launchFirefox(executable, display) {
  try {
    return await puppeteer.launch(launchOptions(executable, display));
  } catch (error) {
    console.log(`${part} did not start (${error.message}); once more`);
    return puppeteer.launch(launchOptions(executable, display));
  }
}

async function openPage(browser, url) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => console.log('page error:', error.message));
  await page.goto(url);
  await page.waitForFunction(() => window.introResults.state !== 'loading', {timeout: 60000});
  return page;
}

function delay(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// The test mode to the last frame: the frame and music time it reports move
// forward, and it ends normally.
async function testModeRun(browser, baseUrl) {
  const page = await openPage(browser, testUrl(baseUrl, testMode));
  await page.click('#prompt');
  const started = Date.now();
  const clocks = [];
  for (;;) {
    await delay(2000);
    const [exitCode, clock] = await page.evaluate(() =>
      [window.introResults.exitCode, window.introResults.reports.clock]);
    if (clock && clock !== clocks[clocks.length - 1]) clocks.push(clock);
    if (exitCode !== null) break;
    if (Date.now() - started > 240000) throw new Error(`the test run took too long (${clock})`);
  }
  const results = await page.evaluate(() => window.introResults);
  await page.close();
  const frames = clocks.map((clock) => clock.split(' ').map(Number));
  const forward = frames.every((f, i) => i === 0 || (f[0] > frames[i - 1][0] && f[1] > frames[i - 1][1]));
  check(`${part}: the test clock moves forward to the last frame and the program ends normally`,
    results.exitCode === 0 && frames.length > 1 && forward,
    `exit ${results.exitCode}, frame and music time ${clocks.join(', ')}`);
  return results;
}

// The show as a viewer starts it: sound on, the music time follows the
// audio context's clock, moving with the wall clock and never back.
async function realClockRun(browser, baseUrl) {
  const page = await openPage(browser, `${baseUrl}/index.html`);
  await page.click('#prompt');
  await page.waitForFunction(() => window.introResults.reports.clock ||
    !['ready', 'running'].includes(window.introResults.state), {timeout: 120000, polling: 500});
  const state = await page.evaluate(() => window.introResults.state);
  if (state !== 'running') {
    check(`${part}: the show starts with sound`, false, `state ${state}`);
    await page.close();
    return;
  }
  const samples = [];
  for (let i = 0; i < 6; ++i) {
    const [wall, clock] = await page.evaluate(() =>
      [performance.now() / 1000, window.introResults.reports.clock]);
    samples.push({wall, music: Number(clock.split(' ')[1])});
    await delay(500);
  }
  await page.close();
  const first = samples[0];
  const last = samples[samples.length - 1];
  const forward = samples.every((s, i) => i === 0 || s.music >= samples[i - 1].music);
  const drift = (last.music - first.music) - (last.wall - first.wall);
  check(`${part}: the music clock follows the audio context`, forward && Math.abs(drift) < 0.5,
    `music ${first.music.toFixed(3)} to ${last.music.toFixed(3)} s in ` +
    `${(last.wall - first.wall).toFixed(3)} s of wall time, never back: ${forward}`);
}

function compareFrames(results, nativeDir, webDir) {
  const native = nativeFrames(introHeadless, nativeDir, testMode);
  for (const tick of testMode.loaderTicks) {
    const name = `loader-${String(tick).padStart(3, '0')}`;
    const frame = results.frames.find((f) => f.name === name);
    if (!frame) {
      check(`${part}: loader bar at tick ${tick} is shown`, false);
      continue;
    }
    const file = path.join(webDir, name + '.png');
    writeDataUrl(file, frame.png);
    compare(framediff, `${part}: loader bar at tick ${tick}`, file,
      path.join(nativeDir, name + '.png'), exact.maxMad, exact.minPsnr);
  }
  const webFrames = results.frames.filter((f) => f.name.startsWith('frame-'));
  shots.forEach((shot, i) => {
    const frame = webFrames[i];
    const label = `${part}: ${shot.name} at ${shot.at} s`;
    if (!frame || frame.name + '.png' !== native[i] || frame.scene !== shot.renderer) {
      check(`${label}: the native frame's number and scene`, false,
        frame ? `${frame.name} ${frame.scene}, native ${native[i]}` : 'missing');
      return;
    }
    const file = path.join(webDir, `${shot.name}-${frame.name}.png`);
    writeDataUrl(file, frame.png);
    const bounds = shot.text ? text : exact;
    compare(framediff, label, file, path.join(nativeDir, native[i]), bounds.maxMad,
      bounds.minPsnr);
  });
}

async function main() {
  const firefox = which('firefox-esr') || which('firefox');
  if (!firefox || !which('Xvfb')) {
    skip(part, `no ${firefox ? 'Xvfb' : 'Firefox'} on this machine`);
    process.exit(summary());
  }
  fs.rmSync(outDir, {recursive: true, force: true});
  const nativeDir = path.join(outDir, 'native');
  const webDir = path.join(outDir, 'web');
  fs.mkdirSync(webDir, {recursive: true});
  const server = await serve(siteDir);
  const baseUrl = `http://127.0.0.1:${server.address().port}`;
  let xvfb = null;
  let browser = null;
  try {
    xvfb = await startXvfb();
    browser = await launchFirefox(firefox, xvfb.display);
    console.log(`${part}: ${await browser.version()} on display ${xvfb.display}`);
    const probe = await openPage(browser, `${baseUrl}/index.html`);
    const state = await probe.evaluate(() => window.introResults.state);
    await probe.close();
    if (state === 'no-webgl2') {
      skip(part, 'Firefox offers no WebGL 2 here');
    } else {
      await realClockRun(browser, baseUrl);
      compareFrames(await testModeRun(browser, baseUrl), nativeDir, webDir);
    }
  } catch (error) {
    check(`${part}: the browser run`, false, error.message);
  } finally {
    if (browser) await browser.close().catch(() => {});
    if (xvfb) xvfb.server.kill();
    server.close();
  }
  process.exit(summary());
}

main();
