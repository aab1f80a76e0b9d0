// Times how long a WebGL 2 renderer of headless chromium takes to compile,
// link and first draw each of the programs as the browser version gives them
// (the GLSL ES 3.00 sources the rewrite makes, see tests/web/es_source.cpp),
// each in a fresh browser, with the GPU process's peak resident memory.
// Usage: node compile_time.js swiftshader|llvmpipe ES_DIR [PROGRAM...]
// ES_DIR holds vertex.glsl and PROGRAM.glsl (default: waves balls flight can);
// prints one line per program: link time, first draw time (which compiles),
// second draw time (the drawing alone), the GPU process's peak memory.
// Environment: COMPILE_TIME_SIZE (WxH, 64x64), COMPILE_TIME_MAX_S (300) and
// COMPILE_TIME_MAX_GB (8) give up on a program; Mesa's shader cache is off.
'use strict';
const {chromium} = require('playwright-core');
const fs = require('fs');
const path = require('path');
const {gpuProcess} = require('./gpu_process');

const [renderer, esDir, ...chosen] = process.argv.slice(2);
const flags = {
  // What a visitor without GPU acceleration gets.
  swiftshader: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  // What the browser test uses: Mesa's llvmpipe through ANGLE's GL backend.
  llvmpipe: ['--use-gl=angle', '--use-angle=gl-egl', '--ignore-gpu-blocklist'],
}[renderer];
if (!flags || !esDir) {
  console.error('usage: node compile_time.js swiftshader|llvmpipe ES_DIR [PROGRAM...]');
  process.exit(2);
}
const programs = chosen.length ? chosen : ['waves', 'balls', 'flight', 'can'];
const memoryLimit = Number(process.env.COMPILE_TIME_MAX_GB || 8) * 2 ** 30;
const timeLimit = Number(process.env.COMPILE_TIME_MAX_S || 300) * 1000;
const [width, height] = (process.env.COMPILE_TIME_SIZE || '64x64').split('x').map(Number);

// In the page: compile and link, then draw a quad over the canvas twice,
// reading a pixel after each draw.
function compileAndDraw([vertex, fragment, width, height]) {
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  const gl = canvas.getContext('webgl2');
  const info = gl.getExtension('WEBGL_debug_renderer_info');
  const name = gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER);
  const start = performance.now();
  const program = gl.createProgram();
  for (const [type, source] of [[gl.VERTEX_SHADER, vertex], [gl.FRAGMENT_SHADER, fragment]]) {
    const shader = gl.createShader(type);
    gl.shaderSource(shader, source);
    gl.compileShader(shader);
    gl.attachShader(program, shader);
  }
  gl.bindAttribLocation(program, 0, 'ffVertex');
  gl.bindAttribLocation(program, 1, 'ffMultiTexCoord0');
  gl.linkProgram(program);
  if (!gl.getProgramParameter(program, gl.LINK_STATUS))
    return {name, error: gl.getProgramInfoLog(program)};
  const linked = performance.now();
  gl.useProgram(program);
  gl.uniform1f(gl.getUniformLocation(program, 'iTime'), 76.8);
  gl.uniform2f(gl.getUniformLocation(program, 'iResolution'), width, height);
  const buffer = gl.createBuffer();
  gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
  gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
  for (const location of [0, 1]) {
    gl.enableVertexAttribArray(location);
    gl.vertexAttribPointer(location, 2, gl.FLOAT, false, 0, 0);
  }
  const pixel = new Uint8Array(4);
  gl.viewport(0, 0, width, height);
  gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
  gl.readPixels(width >> 1, height >> 1, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  const drawn = performance.now();
  gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
  gl.readPixels(width >> 1, height >> 1, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  const again = performance.now();
  return {name, link: (linked - start) / 1000, draw: (drawn - linked) / 1000,
    again: (again - drawn) / 1000, pixel: Array.from(pixel).join(',')};
}

async function measure(program) {
  const sources = ['vertex', program].map((name) =>
    fs.readFileSync(path.join(esDir, `${name}.glsl`), 'utf8'));
  const server = await chromium.launchServer({executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu-shader-disk-cache', ...flags],
    env: {...process.env, MESA_SHADER_CACHE_DISABLE: 'true'}});
  const root = server.process().pid;
  const browser = await chromium.connect(server.wsEndpoint());
  let peak = 0;
  let over = null;
  const watch = setInterval(() => {
    peak = Math.max(peak, gpuProcess(root).bytes);
    if (peak > memoryLimit && !over) {
      over = `the GPU process passed ${(memoryLimit / 2 ** 30).toFixed(1)} GB`;
      server.process().kill('SIGKILL');
    }
  }, 250);
  const page = await browser.newPage();
  await page.evaluate(() => document.createElement('canvas').getContext('webgl2'));
  const before = gpuProcess(root).seconds; // the GPU process started, its context made
  const started = Date.now();
  let result;
  try {
    const timer = new Promise((resolve) => setTimeout(() => resolve({timeout: true}), timeLimit));
    result = await Promise.race([page.evaluate(compileAndDraw, [...sources, width, height]),
      timer]);
    if (result.timeout) result = {error: `no answer in ${timeLimit / 1000} s`};
  } catch (error) {
    result = {error: over || error.message.split('\n')[0]};
  } finally {
    clearInterval(watch);
    const after = gpuProcess(root);
    peak = Math.max(peak, after.bytes);
    if (result) result.cpu = after.seconds - before;
    const wall = (Date.now() - started) / 1000;
    await browser.close().catch(() => {});
    await server.close().catch(() => {});
    if (result) result.wall = wall;
  }
  const gb = (peak / 2 ** 30).toFixed(2);
  if (result.error) {
    console.log(`${program}: FAILED after ${result.wall.toFixed(1)} s (${result.error}), ` +
      `GPU process peak ${gb} GB`);
    return false;
  }
  console.log(`${program}: link ${result.link.toFixed(2)} s, first draw ` +
    `${result.draw.toFixed(2)} s, second draw ${result.again.toFixed(2)} s at ${width}x${height}, ` +
    `GPU process ${result.cpu.toFixed(2)} s of processor time, peak ${gb} GB (${result.name}; pixel ${result.pixel})`);
  return true;
}

(async () => {
  let ok = true;
  for (const program of programs) ok = (await measure(program)) && ok;
  process.exit(ok ? 0 : 1);
})();
