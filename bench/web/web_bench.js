// Frame time of every scene and the start-up split of the browser version in
// headless chromium (WebGL 2 through ANGLE on llvmpipe, as the browser test
// runs it), beside the native bench_scenes figures on the same renderer.
// Usage: node web_bench.js SITE_DIR [--native BENCH_SCENES] [--size WxH] [--fps N]
//                          [--paced] [--runs N] [--until SECONDS] [--query K=V]
// The page runs in its test mode (a virtual clock of FPS frames a second of
// music). Unless --paced, animation frames are replaced by immediate wake-ups
// and every frame ends with a one-pixel readPixels (WebGL's finish() only
// flushes), so a frame's time is its drawing time as bench_scenes takes it
// (draw, then glFinish), not the display's refresh period. The first two
// frames of a scene (first use of its program and textures) are left out; the
// figure is the median of the rest. Beside the wall time, the processor time
// per frame of all browser processes (sampled from /proc), which the other
// work on a shared machine disturbs less, as bench_scenes' "processor".
// --until ends the show at that music time (--until 0.5: the start-up alone).
// --query adds a page parameter (worker=0: no synthesiser worker).
'use strict';
const {chromium} = require('playwright-core');
const {spawnSync} = require('child_process');
const fs = require('fs');
// The site's server of the browser tests (it knows the fonts' and icon's types).
const {serve} = require('../../web/test/common');

const launchFlags = ['--headless', '--no-sandbox', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-gl=angle', '--use-angle=gl-egl', '--ignore-gpu-blocklist'];

// The scene shown from each music time on (frame/timeline.cpp: steps at
// multiples of 3.2 s), under bench_scenes' names.
const sceneStarts = [
  [0, 'ScrollerScene'], [16, 'CaptionScene'], [19.2, 'PictureScene'], [22.4, 'CaptionScene'],
  [25.6, 'PictureScene'], [28.8, 'CaptionScene'], [32, 'PictureScene'], [38.4, 'CaptionScene'],
  [41.6, 'PictureScene'], [48, 'CaptionScene'], [51.2, 'PictureScene'], [54.4, 'CaptionScene'],
  [60.8, 'PictureScene'], [64, 'CaptionScene'], [67.2, 'PictureScene'],
  [76.8, 'FramedShaderScene (can)'], [89.6, 'FramedShaderScene (flight)'],
  [96, 'ShaderScene (waves)'], [102.4, 'PictureScene'], [108.8, 'SphereScene'],
  [115.2, 'BallsScene'], [121.6, 'GreetingsScene'], [128, 'EndScene'],
];
// Loader ticks: 1 context, 1 -> 2 synthesis, 2 -> 100 textures, 100 -> 104 programs.
const ticks = [1, 2, 100, 104];

function parseArgs(argv) {
  const options = {site: null, native: null, size: '640x360', fps: 5, paced: false, runs: 1,
    until: null, query: ''};
  for (let i = 0; i < argv.length; ++i) {
    const arg = argv[i];
    if (arg === '--native') options.native = argv[++i];
    else if (arg === '--size') options.size = argv[++i];
    else if (arg === '--fps') options.fps = Number(argv[++i]);
    else if (arg === '--runs') options.runs = Number(argv[++i]);
    else if (arg === '--paced') options.paced = true;
    else if (arg === '--until') options.until = Number(argv[++i]);
    else if (arg === '--query') options.query += '&' + argv[++i];
    else if (!options.site) options.site = arg;
    else return null;
  }
  return options.site && /^\d+x\d+$/.test(options.size) && options.fps > 0 ? options : null;
}

function sceneAt(musicTime) {
  let name = sceneStarts[0][1];
  for (const [start, scene] of sceneStarts) if (musicTime > start) name = scene;
  return name;
}

// Runs in the page before page.js: stamps every clock report, the kept loader
// frames and, unpaced, finishes each frame and wakes the program at once.
function instrument(paced) {
  const bench = {clocks: [], ticks: {}};
  const pixel = new Uint8Array(4);
  window.introBench = bench;
  if (!paced) {
    const channel = new MessageChannel();
    const waiting = [];
    channel.port1.onmessage = () => waiting.shift()(performance.now());
    window.requestAnimationFrame = (callback) => {
      waiting.push(callback);
      channel.port2.postMessage(0);
      return waiting.length;
    };
  }
  let stored = null;
  Object.defineProperty(window, 'introResults', {
    get: () => stored,
    set: (results) => {
      stored = results;
      results.reports = new Proxy({}, {set: (reports, key, value) => {
        if (key === 'clock') {
          const canvas = document.getElementById('canvas');
          if (!paced && canvas) {
            const gl = canvas.getContext('webgl2');
            gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
          }
          bench.clocks.push([performance.timeOrigin + performance.now(),
            Number(value.split(' ')[1])]);
        }
        reports[key] = value;
        return true;
      }});
      results.frames.push = function (frame) {
        bench.ticks[frame.name] = performance.now();
        return Array.prototype.push.call(this, frame);
      };
    },
  });
}

// Processor time (ms) of every process below this one: the browser's.
function browserCpu() {
  const processes = [];
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      processes.push({pid: Number(pid), parent: Number(fields[1]),
        ticks: Number(fields[11]) + Number(fields[12])});
    } catch (error) { // ended meanwhile
    }
  }
  const tree = new Set([process.pid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const p of processes) {
      if (!tree.has(p.pid) && tree.has(p.parent)) {
        tree.add(p.pid);
        grown = true;
      }
    }
  }
  const ticks = processes.filter((p) => tree.has(p.pid) && p.pid !== process.pid)
    .reduce((sum, p) => sum + p.ticks, 0);
  return ticks * 1000 / ticksPerSecond;
}
const ticksPerSecond = Number(spawnSync('getconf', ['CLK_TCK'], {encoding: 'utf8'}).stdout) || 100;

async function browserRun(baseUrl, options) {
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium', args: launchFlags});
  const cpu = [];
  const sampler = setInterval(() => cpu.push([performance.timeOrigin + performance.now(),
    browserCpu()]), 100);
  try {
    const page = await browser.newPage({viewport: {width: 640, height: 400}});
    await page.addInitScript(instrument, options.paced);
    page.on('pageerror', (error) => console.log('page error:', error.message));
    await page.goto(`${baseUrl}/index.html?test-clock=${options.fps}&size=${options.size}` +
      `&loader-ticks=${ticks.join(',')}` +
      (options.until !== null ? `&at=${options.until}&end-after-last=1` : '') + options.query);
    await page.waitForFunction(() => window.introResults.state === 'ready', null,
      {timeout: 60000});
    await page.click('#prompt');
    await page.waitForFunction(() => window.introResults.exitCode !== null, null,
      {timeout: 1800000, polling: 1000});
    clearInterval(sampler);
    const run = await page.evaluate(() => ({bench: window.introBench,
      timeOrigin: performance.timeOrigin,
      startTime: window.introResults.startTime, exitCode: window.introResults.exitCode,
      firstFrame: Number(window.introResults.reports.firstFrame),
      musBufHash: window.introResults.reports.musBufHash,
      synthWorker: window.introResults.reports.synthWorker}));
    run.cpu = cpu;
    return run;
  } finally {
    clearInterval(sampler);
    await browser.close();
  }
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted.length ? sorted[Math.floor(sorted.length / 2)] : NaN;
}

// Cumulative processor time at a wall time, between the samples around it.
function cpuAt(cpu, time) {
  let i = 1;
  while (i < cpu.length - 1 && cpu[i][0] < time) ++i;
  const [t0, c0] = cpu[i - 1];
  const [t1, c1] = cpu[i];
  return t1 > t0 ? c0 + (c1 - c0) * (time - t0) / (t1 - t0) : c0;
}

// Frame times (ms) by scene: each interval between two clock reports belongs
// to the frame the later one reports; also the processor time of each frame.
function sceneTimes(clocks, cpu) {
  const byScene = new Map();
  let previousScene = null;
  let sceneFrames = 0;
  for (let i = 1; i < clocks.length; ++i) {
    const scene = sceneAt(clocks[i][1]);
    sceneFrames = scene === previousScene ? sceneFrames + 1 : 1;
    previousScene = scene;
    if (sceneFrames <= 2) continue;
    if (!byScene.has(scene)) byScene.set(scene, {wall: [], processor: []});
    byScene.get(scene).wall.push(clocks[i][0] - clocks[i - 1][0]);
    byScene.get(scene).processor.push(cpuAt(cpu, clocks[i][0]) - cpuAt(cpu, clocks[i - 1][0]));
  }
  return byScene;
}

function nativeTimes(benchScenes, size) {
  const result = spawnSync(benchScenes, ['--size', size, '--frames', '10', '--across'],
    {encoding: 'utf8'});
  const times = new Map();
  if (result.status !== 0) {
    console.log(`bench_scenes failed: ${result.stderr}`);
    return times;
  }
  for (const line of result.stdout.split('\n')) {
    const match = /^(.*?)\s+median\s+([\d.]+) ms.*processor\s+([\d.]+) ms/.exec(line);
    if (match) times.set(match[1].trim(), {wall: Number(match[2]), processor: Number(match[3])});
  }
  return times;
}

async function main() {
  const options = parseArgs(process.argv.slice(2));
  if (!options) {
    console.error('usage: node web_bench.js SITE_DIR [--native BENCH_SCENES] [--size WxH] ' +
      '[--fps N] [--paced] [--runs N] [--until SECONDS]');
    process.exit(2);
  }
  const native = options.native && options.until === null
    ? nativeTimes(options.native, options.size) : new Map();
  const server = await serve(options.site);
  const baseUrl = `http://127.0.0.1:${server.address().port}`;
  const runs = [];
  try {
    for (let run = 0; run < options.runs; ++run) runs.push(await browserRun(baseUrl, options));
  } finally {
    server.close();
  }
  console.log(`${options.size}, test clock ${options.fps} fps, ` +
    `${options.paced ? 'paced by animation frames' : 'unpaced, a one-pixel readPixels ends each frame'}, ` +
    `${runs.length} browser run(s)`);
  runs.forEach((r, i) => {
    const t = r.bench.ticks;
    const at = (name) => t[name] - r.startTime;
    const cpu = (from, to) => cpuAt(r.cpu, r.timeOrigin + to) - cpuAt(r.cpu, r.timeOrigin + from);
    console.log(`run ${i + 1}: exit ${r.exitCode}, MusBuf ${r.musBufHash} (synthesiser worker: ${r.synthWorker || "-"}), start-up ` +
      `${((r.firstFrame - r.startTime) / 1000).toFixed(2)} s: context ` +
      `${(at('loader-001') / 1000).toFixed(2)}, synthesis ` +
      `${((t['loader-002'] - t['loader-001']) / 1000).toFixed(2)}, textures ` +
      `${((t['loader-100'] - t['loader-002']) / 1000).toFixed(2)}, programs ` +
      `${((t['loader-104'] - t['loader-100']) / 1000).toFixed(2)}, rest ` +
      `${((r.firstFrame - t['loader-104']) / 1000).toFixed(2)} s; processor ` +
      `${(cpu(r.startTime, r.firstFrame) / 1000).toFixed(2)} s: synthesis ` +
      `${(cpu(t['loader-001'], t['loader-002']) / 1000).toFixed(2)}, textures ` +
      `${(cpu(t['loader-002'], t['loader-100']) / 1000).toFixed(2)} s`);
  });
  if (options.until !== null) return;
  const perRun = runs.map((r) => sceneTimes(r.bench.clocks, r.cpu));
  const scenes = [...new Set(sceneStarts.map(([, name]) => name))];
  console.log('ms per frame (median; browser: best run)   wall: native  browser  ratio' +
    '   processor: native  browser  ratio');
  const figure = (value) => (Number.isFinite(value) ? value.toFixed(1) : '-').padStart(8);
  for (const scene of scenes) {
    const wall = Math.min(...perRun.map((m) => median(m.has(scene) ? m.get(scene).wall : [])));
    const processor = Math.min(...perRun.map((m) =>
      median(m.has(scene) ? m.get(scene).processor : [])));
    const nat = native.get(scene) || {wall: NaN, processor: NaN};
    console.log(`${scene.padEnd(36)} ${figure(nat.wall)} ${figure(wall)} ` +
      `${figure(wall / nat.wall)}          ${figure(nat.processor)} ${figure(processor)} ` +
      `${figure(processor / nat.processor)}`);
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
