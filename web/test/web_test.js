// End-to-end checks of the browser version in headless chromium, against the
// native headless program's frames on the same virtual clock.
// Usage: node web_test.js SITE_DIR INTRO_HEADLESS FRAMEDIFF OUT_DIR
// Serves SITE_DIR on a local port, writes every frame it compares (web and
// native) into OUT_DIR, and ends with "N passed, N failed".
'use strict';
const {chromium} = require('playwright-core');
const {spawnSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');

const [siteDir, introHeadless, framediff, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node web_test.js SITE_DIR INTRO_HEADLESS FRAMEDIFF OUT_DIR');
  process.exit(2);
}

const size = '480x270';
const fps = 1; // a frame a second of music keeps the software renderer's work small
const loaderTicks = [1, 50, 106];
const musBufHash = '22fb288791d6685d';
// One frame per scene kind: music time, and the bounds on mean absolute
// difference (0..255) and PSNR (dB) against the native frame. The glyph
// textures come from another rasteriser (the browser's canvas instead of
// FreeType, other hinting and antialiasing), so text scenes are looser;
// pictures and programs differ only by texture filtering and rounding.
const scenes = [
  {name: 'scroller', at: 4, maxMad: 12, minPsnr: 16},
  {name: 'caption', at: 17, maxMad: 3, minPsnr: 22},
  {name: 'picture', at: 20, maxMad: 6, minPsnr: 20},
  {name: 'can', at: 78, maxMad: 4, minPsnr: 24},
  {name: 'flight', at: 91, maxMad: 4, minPsnr: 24},
  {name: 'waves', at: 98, maxMad: 3, minPsnr: 28},
  {name: 'sphere', at: 110, maxMad: 6, minPsnr: 20},
  {name: 'balls', at: 118, maxMad: 3, minPsnr: 28},
  {name: 'greetings', at: 123, maxMad: 8, minPsnr: 18},
  {name: 'end', at: 130, maxMad: 3, minPsnr: 22},
];
const launchFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync', '--enable-unsafe-swiftshader'];

let passed = 0;
let failed = 0;
function check(name, ok, details) {
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${details ? ': ' + details : ''}`);
  if (ok) ++passed; else ++failed;
}

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.ttf': 'font/ttf'};
function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, path.normalize(name).replace(/^(\.\.[/\\])+/, ''));
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function withPage(extraFlags, url, body, initScript) {
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium',
    args: [...launchFlags, ...extraFlags]});
  try {
    const page = await browser.newPage({viewport: {width: 640, height: 400}});
    if (initScript) await page.addInitScript(initScript);
    page.on('pageerror', (error) => console.log('page error:', error.message));
    await page.goto(url);
    await page.waitForFunction(() => window.introResults.state !== 'loading', null,
      {timeout: 60000});
    return await body(page);
  } finally {
    await browser.close();
  }
}

function nativeFrames(dir) {
  const lastAt = scenes[scenes.length - 1].at;
  const result = spawnSync(introHeadless, ['--size', size, '--fps', String(fps), '--png', dir,
    '--at', scenes.map((s) => s.at).join(','), '--loader-ticks', loaderTicks.join(','),
    '--escape-frame', String(lastAt * fps + 1)], {stdio: 'ignore', timeout: 300000});
  check('native reference frames', result.status === 0, `exit ${result.status}`);
  const frames = fs.readdirSync(dir).filter((f) => f.startsWith('frame-')).sort();
  return frames;
}

function writeDataUrl(file, url) {
  fs.writeFileSync(file, Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'));
}

function compare(name, web, native, maxMad, minPsnr) {
  const result = spawnSync(framediff, [web, native, '--max-mad', String(maxMad),
    '--min-psnr', String(minPsnr)], {encoding: 'utf8'});
  const figures = (result.stdout || result.stderr || '').trim();
  check(`${name} matches the native frame`, result.status === 0,
    `${figures} (bounds: mad <= ${maxMad}, psnr >= ${minPsnr})`);
}

// The loader bar: white frame, black well, red bar whose right edge is at
// 1.6 * ticks / 105 - 0.8 in normalised coordinates.
function checkLoaderBar(file, tick, png) {
  const width = 480;
  const right = 1.6 * tick / 105 - 0.8;
  const expected = Math.round((right + 1) / 2 * width) - Math.round(0.1 * width);
  return {file, tick, expected, png};
}

async function mainRun(baseUrl) {
  const times = scenes.map((s) => s.at).join(',');
  const url = `${baseUrl}/index.html?test-clock=${fps}&size=${size}&at=${times}` +
    `&loader-ticks=${loaderTicks.join(',')}&end-after-last=1`;
  return withPage([], url, async (page) => {
    await page.click('#prompt');
    const started = Date.now();
    let lastClock = null;
    let lastChange = Date.now();
    for (;;) {
      await new Promise((resolve) => setTimeout(resolve, 2000));
      // A renderer blocked on its GPU process answers nothing: bounded waits.
      const state = await Promise.race([
        page.evaluate(() => [window.introResults.exitCode, window.introResults.reports.clock]),
        new Promise((resolve) => setTimeout(() => resolve([null, lastClock]), 10000)),
      ]);
      if (state[0] !== null) break;
      if (state[1] !== lastClock) {
        lastClock = state[1];
        lastChange = Date.now();
      }
      if (Date.now() - lastChange > 120000 || Date.now() - started > 900000) {
        throw new Error(`the page stopped advancing (frame and music time: ${lastClock})`);
      }
    }
    return page.evaluate(() => window.introResults);
  });
}

async function main() {
  fs.rmSync(outDir, {recursive: true, force: true});
  const nativeDir = path.join(outDir, 'native');
  const webDir = path.join(outDir, 'web');
  fs.mkdirSync(webDir, {recursive: true});
  const server = await serve(siteDir);
  const baseUrl = `http://127.0.0.1:${server.address().port}`;
  try {
    await withPage(['--disable-webgl'], `${baseUrl}/index.html`, async (page) => {
      const state = await page.evaluate(() => window.introResults.state);
      const text = await page.textContent('#message');
      const promptHidden = await page.isHidden('#prompt');
      check('without WebGL 2 the page says so', state === 'no-webgl2' &&
        /needs WebGL 2/.test(text) && promptHidden, `${state}: ${text}`);
    });

    // A browser that keeps the audio context suspended (autoplay rules): its
    // resume() never settles. Headless chromium lets every context run, so
    // the page sees such an AudioContext.
    const blockedAudio = () => {
      AudioContext.prototype.resume = () => new Promise(() => {});
      Object.defineProperty(AudioContext.prototype, 'state', {get: () => 'suspended'});
    };
    await withPage([], `${baseUrl}/index.html`, async (page) => {
        await page.click('#prompt');
        await page.waitForFunction(() => window.introResults.state !== 'ready', null,
          {timeout: 20000});
        const state = await page.evaluate(() => window.introResults.state);
        const promptVisible = await page.isVisible('#prompt');
        const canvases = await page.$$eval('#stage canvas', (list) => list.length);
        check('blocked sound keeps the prompt', state === 'blocked' && promptVisible &&
          canvases === 0, `state ${state}, prompt visible ${promptVisible}`);
      }, blockedAudio);

    const native = nativeFrames(nativeDir);
    const results = await mainRun(baseUrl);
    check('the program ends normally', results.exitCode === 0, `exit ${results.exitCode}`);
    check('MusBuf hash computed in the browser', results.reports.musBufHash === musBufHash,
      results.reports.musBufHash);
    const startup = Number(results.reports.firstFrame) - results.startTime;
    console.log(`start-up from the click to the first scene frame: ${(startup / 1000).toFixed(1)} s`);

    for (const tick of loaderTicks) {
      const name = `loader-${String(tick).padStart(3, '0')}`;
      const frame = results.frames.find((f) => f.name === name);
      check(`loader bar at tick ${tick} is shown`, !!frame);
      if (!frame) continue;
      const file = path.join(webDir, name + '.png');
      writeDataUrl(file, frame.png);
      compare(`loader bar at tick ${tick}`, file, path.join(nativeDir, name + '.png'), 0.5, 35);
    }
    const webFrames = results.frames.filter((f) => f.name.startsWith('frame-'));
    scenes.forEach((scene, i) => {
      const frame = webFrames[i];
      const ok = !!frame && frame.name + '.png' === native[i];
      check(`${scene.name} frame at ${scene.at} s is the native one's`, ok,
        frame ? `${frame.name} ${frame.scene} sceneTime ${frame.sceneTime.toFixed(3)}` : 'missing');
      if (!ok) return;
      const file = path.join(webDir, `${scene.name}-${frame.name}.png`);
      writeDataUrl(file, frame.png);
      fs.copyFileSync(path.join(nativeDir, native[i]),
        path.join(nativeDir, `${scene.name}-${native[i]}`));
      compare(scene.name, file, path.join(nativeDir, native[i]), scene.maxMad, scene.minPsnr);
    });
  } catch (error) {
    check('the browser run', false, error.message);
  } finally {
    server.close();
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}

main();
