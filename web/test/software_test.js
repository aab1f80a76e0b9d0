// The show on Chromium's own software WebGL (ANGLE on SwiftShader), what a
// visitor without GPU acceleration gets: in test mode at 480x270 a frame of
// every scene arrives, no frame after the first of a timeline step takes
// more than 2 s, and the GPU process stays under 1.5 GB. (Its shader
// compiler once took minutes and gigabytes on the can and flight programs,
// at the can's first frame; web/glsl_es.cpp gives their calls loops of their
// own and web/fixed_function.cpp draws with each program in the loader.)
// Usage: node software_test.js SITE_DIR
// Ends with "N passed, N failed".
'use strict';
const {chromium} = require('playwright-core');
const {check, summary, serve, testUrl} = require('./common');
const {gpuProcess} = require('./gpu_process');

const [siteDir] = process.argv.slice(2);
if (!siteDir) {
  console.error('usage: node software_test.js SITE_DIR');
  process.exit(2);
}

const size = '480x270';
const fps = 1; // a frame a second of music: 135 frames, every step several times
const maxGap = 2; // s from one frame to the next within a step
const maxStepGap = 10; // s to a step's first frame, which may upload or set up what it shows
const maxGpuBytes = 1.5 * 2 ** 30;
// A frame inside every scene kind, at music times (s), with its renderer.
const scenes = [
  {name: 'scroller', renderer: 'ScrollerScene', at: 3},
  {name: 'caption', renderer: 'CaptionScene', at: 17},
  {name: 'picture', renderer: 'PictureScene', at: 20},
  {name: 'can', renderer: 'FramedShaderScene', at: 78},
  {name: 'flight', renderer: 'FramedShaderScene', at: 91},
  {name: 'waves', renderer: 'ShaderScene', at: 97},
  {name: 'sphere', renderer: 'SphereScene', at: 110},
  {name: 'balls', renderer: 'BallsScene', at: 117.5},
  {name: 'greetings', renderer: 'GreetingsScene', at: 123},
  {name: 'end', renderer: 'EndScene', at: 129},
];
// The timeline's steps fire once the music time passes k * 3.2 s
// (frame/timeline.cpp); the show starts with the first.
const stepStarts = [0, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
  28, 30, 32, 34, 36, 38, 40].map((k) => k * 3.2);
const flags = ['--headless', '--no-sandbox', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader'];

// Every change of the reported clock ("frame musicTime") with its time.
function logClock() {
  window.introClockLog = [];
  let results;
  Object.defineProperty(window, 'introResults', {configurable: true, get: () => results,
    set: (value) => {
      results = value;
      let clock;
      Object.defineProperty(value.reports, 'clock', {configurable: true, enumerable: true,
        get: () => clock,
        set: (text) => {
          clock = text;
          window.introClockLog.push([performance.now() / 1000, text]);
        }});
    }});
}

async function run(baseUrl) {
  const server = await chromium.launchServer({executablePath: '/usr/bin/chromium', args: flags});
  const browserPid = server.process().pid;
  let peak = 0;
  const watch = setInterval(() => { peak = Math.max(peak, gpuProcess(browserPid).bytes); }, 500);
  try {
    const browser = await chromium.connect(server.wsEndpoint());
    const page = await browser.newPage({viewport: {width: 640, height: 400}});
    await page.addInitScript(logClock);
    page.on('pageerror', (error) => console.log('page error:', error.message));
    await page.goto(testUrl(baseUrl, {fps, size, at: scenes.map((s) => s.at), loaderTicks: []}));
    await page.waitForFunction(() => window.introResults.state !== 'loading', null,
      {timeout: 60000});
    const renderer = await page.evaluate(() => {
      const gl = document.createElement('canvas').getContext('webgl2');
      const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
      return gl ? gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER) : 'none';
    });
    console.log(`WebGL 2 renderer: ${renderer}`);
    if (!/SwiftShader/.test(renderer)) throw new Error('WebGL 2 does not run on SwiftShader');
    await page.click('#prompt');
    const started = Date.now();
    let lastClock = null;
    let lastChange = Date.now();
    for (;;) {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      // A renderer blocked on its GPU process answers nothing: bounded waits.
      const state = await Promise.race([
        page.evaluate(() => [window.introResults.exitCode, window.introResults.reports.clock]),
        new Promise((resolve) => setTimeout(() => resolve([null, lastClock]), 5000)),
      ]);
      if (state[0] !== null) break;
      if (state[1] !== lastClock) {
        lastClock = state[1];
        lastChange = Date.now();
      }
      if (peak > maxGpuBytes) {
        throw new Error(`the GPU process grew to ${(peak / 2 ** 30).toFixed(2)} GB ` +
          `(frame and music time: ${lastClock})`);
      }
      if (Date.now() - lastChange > 60000 || Date.now() - started > 600000) {
        throw new Error(`the page stopped advancing (frame and music time: ${lastClock})`);
      }
    }
    return await page.evaluate(() => ({results: window.introResults, log: window.introClockLog,
      startTime: window.introResults.startTime}));
  } finally {
    clearInterval(watch);
    peak = Math.max(peak, gpuProcess(browserPid).bytes);
    console.log(`GPU process peak: ${(peak / 2 ** 30).toFixed(2)} GB`);
    check('the GPU process stays under 1.5 GB', peak < maxGpuBytes,
      `${(peak / 2 ** 30).toFixed(2)} GB`);
    await server.close();
  }
}

function checkRun({results, log}) {
  check('the program ends normally', results.exitCode === 0, `exit ${results.exitCode}`);
  const frames = results.frames.filter((f) => f.name.startsWith('frame-'));
  scenes.forEach((scene, i) => {
    const frame = frames[i];
    check(`a frame of the ${scene.name} scene at ${scene.at} s`,
      !!frame && frame.scene === scene.renderer,
      frame ? `${frame.name} ${frame.scene} at ${frame.musicTime.toFixed(3)} s` : 'missing');
  });
  // Gaps from one reported frame to the next: within a step, and to a step's
  // first frame.
  const stepOf = (music) => stepStarts.filter((start) => music > start).length;
  let worst = {gap: 0};
  let worstStep = {gap: 0};
  for (let i = 1; i < log.length; ++i) {
    const music = Number(log[i][1].split(' ')[1]);
    const previous = Number(log[i - 1][1].split(' ')[1]);
    const gap = {gap: log[i][0] - log[i - 1][0], clock: log[i][1]};
    if (stepOf(music) === stepOf(previous)) {
      if (gap.gap > worst.gap) worst = gap;
    } else if (gap.gap > worstStep.gap) {
      worstStep = gap;
    }
  }
  const describe = (gap) => gap.clock ? `${gap.gap.toFixed(2)} s before frame ${gap.clock}` : 'none';
  check(`${log.length} frames, none after a step's first takes over ${maxGap} s`,
    log.length > 100 && worst.gap <= maxGap, `the longest: ${describe(worst)}`);
  check(`a step's first frame within ${maxStepGap} s`, worstStep.gap <= maxStepGap,
    `the longest: ${describe(worstStep)}`);
  const startup = log.length ? log[0][0] - results.startTime / 1000 : NaN;
  console.log(`start-up from the click to the first frame: ${startup.toFixed(1)} s`);
}

async function main() {
  const server = await serve(siteDir);
  const baseUrl = `http://127.0.0.1:${server.address().port}`;
  try {
    checkRun(await run(baseUrl));
  } catch (error) {
    check('the show on the software renderer', false, error.message);
  } finally {
    server.close();
  }
  process.exit(summary());
}

main();
