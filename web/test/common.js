// What the browser tests share: the tally of checks, a local server for the
// site, the test mode's address, the native headless program's reference
// frames and the frame comparison.
'use strict';
const {spawnSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');

// The soundtrack's hash, as the native synthesiser tests know it.
const musBufHash = '22fb288791d6685d';

const tally = {passed: 0, failed: 0, skipped: 0};

function check(name, ok, details) {
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${details ? ': ' + details : ''}`);
  if (ok) ++tally.passed; else ++tally.failed;
}

// A part this machine cannot run: one line, counted as neither passed nor failed.
function skip(name, reason) {
  console.log(`SKIP ${name}: ${reason}`);
  ++tally.skipped;
}

// The closing line; returns the exit status.
function summary() {
  console.log(`${tally.passed} passed, ${tally.failed} failed`);
  return tally.failed ? 1 : 0;
}

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.ttf': 'font/ttf', '.woff2': 'font/woff2', '.json': 'application/json',
  '.svg': 'image/svg+xml'};

// Serves root on a free local port; resolves to the listening server.
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

// The page in test mode: the headless program's virtual clock at `fps`
// frames a second, a fixed size, the frames at music times `at` and the
// loader bar at `loaderTicks`, ending after the last frame.
function testUrl(baseUrl, {fps, size, at, loaderTicks}) {
  return `${baseUrl}/index.html?test-clock=${fps}&size=${size}&at=${at.join(',')}` +
    `&loader-ticks=${loaderTicks.join(',')}&end-after-last=1`;
}

// The native headless program's frames for the same test mode, as PNGs in
// dir: loader-NNN.png and frame-NNNNNN.png; returns the frame files, sorted.
function nativeFrames(introHeadless, dir, {fps, size, at, loaderTicks}) {
  const lastAt = Math.max(...at);
  const result = spawnSync(introHeadless, ['--size', size, '--fps', String(fps), '--png', dir,
    '--at', at.join(','), '--loader-ticks', loaderTicks.join(','),
    '--escape-frame', String(lastAt * fps + 1)], {stdio: 'ignore', timeout: 300000});
  check('native reference frames', result.status === 0, `exit ${result.status}`);
  return fs.readdirSync(dir).filter((f) => f.startsWith('frame-')).sort();
}

function writeDataUrl(file, url) {
  fs.writeFileSync(file, Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'));
}

function compare(framediff, name, web, native, maxMad, minPsnr) {
  const result = spawnSync(framediff, [web, native, '--max-mad', String(maxMad),
    '--min-psnr', String(minPsnr)], {encoding: 'utf8'});
  const figures = (result.stdout || result.stderr || '').trim();
  check(`${name} matches the native frame`, result.status === 0,
    `${figures} (bounds: mad <= ${maxMad}, psnr >= ${minPsnr})`);
}

module.exports = {musBufHash, tally, check, skip, summary, serve, testUrl, nativeFrames, writeDataUrl,
  compare};
