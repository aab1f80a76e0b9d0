// End-to-end checks of the browser version in headless chromium, against the
// native headless program's frames on the same virtual clock.
// Usage: node web_test.js SITE_DIR INTRO_HEADLESS FRAMEDIFF OUT_DIR
// Serves SITE_DIR on a local port, writes every frame it compares (web and
// native) into OUT_DIR, and ends with "N passed, N failed".
'use strict';
const {chromium} = require('playwright-core');
const fs = require('fs');
const path = require('path');
const {check, summary, serve, testUrl, nativeFrames, writeDataUrl, compare,
  musBufHash} = require('./common');
const {visitorRuns} = require('./visitor_test');
const {textureUploadHashes, checkTextureHashes} = require('./texture_hashes');

const [siteDir, introHeadless, framediff, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node web_test.js SITE_DIR INTRO_HEADLESS FRAMEDIFF OUT_DIR');
  process.exit(2);
}

const size = '960x540';
const fps = 2; // two frames a second of music: every scene, little work
const loaderTicks = [1, 50, 106];
// Bounds on the mean absolute difference (0..255) and the PSNR (dB) of a web
// frame against the native frame of the same music time. Both are drawn by
// Mesa's llvmpipe, so what may differ is measured, not guessed (figures at
// this size and clock):
// - Drawn by the GL layer and the programs alone (the loader bar, the four
//   programs, the ball, a picture without text) the frames are equal: MAD 0,
//   PSNR inf, or 58.9 and 89.4 dB on a frame of the ball and of the balls.
//   Quads split into the other pair of triangles, which only shows on the
//   skewed window of the can and flight scenes, already give MAD 0.08 to 0.65
//   and PSNR 35 to 44.5 dB.
// - Frames with text differ where the glyphs' edges do (the browser's canvas
//   draws them instead of FreeType): MAD 0.008 to 0.16, PSNR 37.2 to 50.8 dB.
//   Another face in place of Tahoma gives MAD 0.98 to 6.1, PSNR 16.7 to 25 dB.
const exact = {maxMad: 0.05, minPsnr: 50};
const text = {maxMad: 0.4, minPsnr: 32};
// Two or three frames of every scene kind, at music times (s) inside it, with
// the scene renderer they show.
const scenes = [
  {name: 'scroller', renderer: 'ScrollerScene', at: [3, 10], ...text},
  {name: 'caption', renderer: 'CaptionScene', at: [17, 39], ...text},
  {name: 'picture', renderer: 'PictureScene', at: [20, 46, 104], ...text},
  {name: 'can', renderer: 'FramedShaderScene', at: [78, 86], ...exact},
  {name: 'flight', renderer: 'FramedShaderScene', at: [91, 94.5], ...exact},
  {name: 'waves', renderer: 'ShaderScene', at: [97, 101], ...exact},
  {name: 'sphere', renderer: 'SphereScene', at: [110, 113], ...exact},
  {name: 'balls', renderer: 'BallsScene', at: [117.5, 121], ...exact},
  {name: 'greetings', renderer: 'GreetingsScene', at: [123, 126], ...text},
  {name: 'end', renderer: 'EndScene', at: [129, 133], ...text},
];
// Every frame compared, in music time order.
const shots = scenes.flatMap((scene) => scene.at.map((at) => ({scene, at})))
  .sort((a, b) => a.at - b.at);
const testMode = {fps, size, at: shots.map((shot) => shot.at), loaderTicks};
// WebGL runs on Mesa's llvmpipe through ANGLE's GL backend (EGL, no display
// needed): the native frames come from the same rasteriser. Chromium's own
// software renderer, which --disable-gpu selects (SwiftShader), rounds
// otherwise; software_test.js runs the show there.
const launchFlags = ['--headless', '--no-sandbox', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-gl=angle', '--use-angle=gl-egl', '--ignore-gpu-blocklist'];

async function withPage(extraFlags, url, body, initScript, watch) {
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium',
    args: [...launchFlags, ...extraFlags]});
  try {
    const page = await browser.newPage({viewport: {width: 640, height: 400}});
    if (initScript) await page.addInitScript(initScript);
    page.on('pageerror', (error) => console.log('page error:', error.message));
    if (watch) watch(page);
    await page.goto(url);
    await page.waitForFunction(() => window.introResults.state !== 'loading', null,
      {timeout: 60000});
    return await body(page);
  } finally {
    await browser.close();
  }
}

// What a visitor downloads until the prompt shows (the page, the program, the
// fonts cut down at build time, the icon), and a load without console errors
// or failed requests.
const maxDownload = 400 * 1024;
async function downloadRun(baseUrl) {
  const bodies = [];
  const problems = [];
  const watch = (page) => {
    page.on('response', (response) => {
      if (response.status() >= 400) problems.push(`${response.status()} ${response.url()}`);
      bodies.push(response.body().then((body) => ({url: response.url(), bytes: body.length}),
        () => ({url: response.url(), bytes: 0})));
    });
    page.on('requestfailed', (request) => problems.push(`failed ${request.url()}`));
    page.on('console', (message) => {
      if (message.type() === 'error') problems.push(`console: ${message.text()}`);
    });
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  };
  await withPage([], `${baseUrl}/index.html`, async (page) => {
    await page.waitForSelector('#prompt', {state: 'visible', timeout: 60000});
    await page.waitForLoadState('networkidle');
  }, null, watch);
  const loaded = await Promise.all(bodies);
  const total = loaded.reduce((sum, file) => sum + file.bytes, 0);
  const files = loaded.map((file) => `${new URL(file.url).pathname} ${file.bytes}`).join(', ');
  check('the page downloads at most 400 KB until the prompt shows', total <= maxDownload,
    `${total} bytes: ${files}`);
  const icon = loaded.some((file) => /\/favicon\.\w+$/.test(file.url));
  check('the page loads with its icon, no console errors and no failed requests',
    icon && problems.length === 0, problems.join('; ') || (icon ? '' : 'no icon loaded'));
}

async function mainRun(baseUrl) {
  return withPage([], testUrl(baseUrl, testMode), async (page) => {
    const renderer = await page.evaluate(() => {
      const gl = document.createElement('canvas').getContext('webgl2');
      const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
      return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : String(gl && gl.getParameter(gl.RENDERER));
    });
    console.log(`WebGL 2 renderer: ${renderer}`);
    if (!/llvmpipe/.test(renderer)) throw new Error('WebGL 2 does not run on llvmpipe');
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
    return page.evaluate(() => Object.assign({textureHashes: window.introTextureHashes},
      window.introResults));
  }, textureUploadHashes);
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

    await downloadRun(baseUrl);
    await visitorRuns(withPage, baseUrl, {introHeadless, framediff, outDir});

    const native = nativeFrames(introHeadless, nativeDir, testMode);
    const results = await mainRun(baseUrl);
    check('the program ends normally', results.exitCode === 0, `exit ${results.exitCode}`);
    check('MusBuf hash computed in the browser, one channel by the page\'s worker',
      results.reports.musBufHash === musBufHash && results.reports.synthWorker === 'used',
      `${results.reports.musBufHash}, worker ${results.reports.synthWorker}`);
    checkTextureHashes(check, results.textureHashes,
      path.join(path.dirname(introHeadless), '..', 'tools', 'texgen', 'texdump'),
      path.join(outDir, 'textures'));
    const startup = Number(results.reports.firstFrame) - results.startTime;
    console.log(`start-up from the click to the first scene frame: ${(startup / 1000).toFixed(1)} s`);

    for (const tick of loaderTicks) {
      const name = `loader-${String(tick).padStart(3, '0')}`;
      const frame = results.frames.find((f) => f.name === name);
      check(`loader bar at tick ${tick} is shown`, !!frame);
      if (!frame) continue;
      const file = path.join(webDir, name + '.png');
      writeDataUrl(file, frame.png);
      compare(framediff, `loader bar at tick ${tick}`, file, path.join(nativeDir, name + '.png'),
        exact.maxMad, exact.minPsnr);
    }
    const webFrames = results.frames.filter((f) => f.name.startsWith('frame-'));
    shots.forEach(({scene, at}, i) => {
      const frame = webFrames[i];
      const ok = !!frame && frame.name + '.png' === native[i] && frame.scene === scene.renderer;
      const label = `${scene.name} at ${at} s`;
      check(`${label}: the native frame's number and scene`, ok,
        frame ? `${frame.name} ${frame.scene} sceneTime ${frame.sceneTime.toFixed(3)}` : 'missing');
      if (!ok) return;
      const file = path.join(webDir, `${scene.name}-${frame.name}.png`);
      writeDataUrl(file, frame.png);
      const nativeFile = path.join(nativeDir, `${scene.name}-${native[i]}`);
      fs.renameSync(path.join(nativeDir, native[i]), nativeFile);
      compare(framediff, label, file, nativeFile, scene.maxMad, scene.minPsnr);
    });
  } catch (error) {
    check('the browser run', false, error.message);
  } finally {
    server.close();
  }
  process.exit(summary());
}

main();
