// The page around the program. It shows one prompt; a click, Enter or Space
// enters full screen and switches the sound on (both need a user gesture),
// then a fresh instance of the program runs on a fresh canvas filling the
// window. While it plays: Space pauses, Left and Right go back and forward
// 3.2 s, I shows the music time, scene and frame rate, F switches full
// screen; Escape or leaving full screen (other than by F) ends the show and
// the prompt comes back, also while loading. #t=SECONDS in the address starts
// the show at that music time. Without sound the show plays silently on the
// wall clock, and one line says so. Without WebGL 2 the page says so instead
// of showing the prompt.
//
// Test mode (?test-clock=FPS&size=WxH&at=T1,T2&loader-ticks=N,M&end-after-last=1)
// runs on the headless program's virtual clock at a fixed size, without full
// screen or sound, and collects the chosen frames in window.introResults.
'use strict';
(function () {
  const params = new URLSearchParams(location.search);
  const testClock = parseInt(params.get('test-clock') || '0', 10);
  const fontFiles = {Tahoma: 'fonts/tahoma.woff2', Symbola: 'fonts/symbola.woff2'};
  const fontMetricsFile = 'fonts/metrics.json';
  const stage = document.getElementById('stage');
  const prompt = document.getElementById('prompt');
  const promptNote = document.getElementById('prompt-note');
  const message = document.getElementById('message');
  const status = document.createElement('div');
  status.id = 'status';
  status.hidden = true;
  status.style.cssText = 'position: fixed; left: 0.6em; bottom: 0.4em; font-size: 14px; ' +
    'color: #aaa; text-shadow: 0 0 3px #000; pointer-events: none;';
  document.body.appendChild(status);
  const statusLines = {
    silent: 'No sound in this browser: the show plays silently.',
    scaled: 'This browser draws slowly: the show is drawn at {percent} % of the window\'s size.',
  };
  // Keys the program reads between frames (web/library_web.js's webNextKey).
  const viewerKeys = {' ': 1, 'ArrowLeft': 2, 'ArrowRight': 3, 'i': 4, 'I': 4};
  const showEnd = 134.4;

  const results = {state: 'loading', frames: [], reports: {}, stderr: [], exitCode: null};
  window.introResults = results;

  let compiledProgram = null;
  let fontMetrics = null;
  let running = null;

  function showStatus(kind, detail) {
    const text = statusLines[kind];
    if (!text) return;
    const percent = Math.round(Number(detail) * 100);
    status.textContent = text.replace('{percent}', String(percent));
    status.hidden = false;
    results.status = {kind: kind, detail: detail, text: status.textContent};
    clearTimeout(showStatus.timer);
    showStatus.timer = setTimeout(() => { status.hidden = true; }, 10000);
  }

  function showPrompt(note) {
    status.hidden = true;
    message.hidden = true;
    promptNote.textContent = note;
    prompt.hidden = false;
  }

  function showMessage(text, detail) {
    prompt.hidden = true;
    message.replaceChildren(document.createTextNode(text));
    if (detail) {
      const small = document.createElement('small');
      small.textContent = detail;
      message.appendChild(small);
    }
    message.hidden = false;
  }

  function webGL2Available() {
    try {
      return !!document.createElement('canvas').getContext('webgl2');
    } catch (error) {
      return false;
    }
  }

  // The web fonts, cut down to the characters the show draws, and the Windows
  // metrics the text service sizes lines by (units per em from 'head',
  // usWinAscent and usWinDescent from 'OS/2'), read from the full fonts at
  // build time: {family: {unitsPerEm, winAscent, winDescent}}.
  async function fetchFontMetrics() {
    const response = await fetch(fontMetricsFile);
    if (!response.ok) throw new Error('cannot load ' + fontMetricsFile);
    return response.json();
  }

  async function loadFont(family, url) {
    const response = await fetch(url);
    if (!response.ok) throw new Error('cannot load ' + url);
    const face = new FontFace(family, await response.arrayBuffer());
    await face.load();
    document.fonts.add(face);
  }

  async function compileProgram() {
    try {
      return await WebAssembly.compileStreaming(fetch('intro.wasm'));
    } catch (error) { // a server without the wasm media type
      const response = await fetch('intro.wasm');
      return WebAssembly.compile(await response.arrayBuffer());
    }
  }

  async function prepare() {
    const program = compileProgram();
    const [metrics] = await Promise.all([fetchFontMetrics(),
      ...Object.entries(fontFiles).map(([family, url]) => loadFont(family, url))]);
    fontMetrics = metrics;
    compiledProgram = await program;
  }

  function delay(ms) {
    return new Promise((resolve) => setTimeout(resolve, ms));
  }

  function nextFrame() {
    return new Promise((resolve) => requestAnimationFrame(() => resolve()));
  }

  function screenSize() {
    const fixed = /^(\d+)x(\d+)$/.exec(params.get('size') || '480x270');
    if (testClock > 0) return {width: +fixed[1], height: +fixed[2]};
    const ratio = window.devicePixelRatio || 1;
    return {width: Math.round(stage.clientWidth * ratio),
            height: Math.round(stage.clientHeight * ratio)};
  }

  // #t=SECONDS: the music time the show starts at, as the native --start.
  function startTime() {
    const match = /(?:^#|&)t=([0-9]+(?:\.[0-9]*)?)/.exec(location.hash);
    const seconds = match ? Number(match[1]) : 0;
    return seconds > 0 && seconds < showEnd ? seconds : 0;
  }

  function programArguments() {
    const args = [];
    const start = startTime();
    if (start > 0) args.push('--start', String(start));
    if (testClock <= 0) return args;
    args.push('--test-clock', String(testClock));
    for (const name of ['at', 'loader-ticks', 'end-after-last']) {
      if (params.has(name)) args.push('--' + name, params.get(name));
    }
    return args;
  }

  // A test frame as a PNG: rows top-down, opaque as a screen shows it.
  function keepFrame(name, info, captured) {
    const {width, height, pixels} = captured;
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext('2d');
    const image = context.createImageData(width, height);
    const row = width * 4;
    for (let y = 0; y < height; ++y) {
      const from = (height - 1 - y) * row;
      image.data.set(pixels.subarray(from, from + row), y * row);
    }
    for (let i = 3; i < image.data.length; i += 4) image.data[i] = 255;
    context.putImageData(image, 0, 0);
    results.frames.push(Object.assign({name: name, png: canvas.toDataURL('image/png')}, info));
  }

  function dropCanvas() {
    const canvas = stage.querySelector('canvas');
    const gl = canvas && canvas.getContext('webgl2');
    const lose = gl && gl.getExtension('WEBGL_lose_context');
    if (lose) lose.loseContext();
    stage.replaceChildren();
  }

  function finish(show, code) {
    if (running !== show) return;
    running = null;
    results.exitCode = code;
    results.state = code === 0 ? 'ended' : 'failed';
    if (show.audio) show.audio.close().catch(() => {});
    setTimeout(prepareAudio, 0);
    setTimeout(prepareSynthWorker, 0);
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    setTimeout(dropCanvas, 0);
    if (code === 0) {
      showPrompt('');
    } else {
      showMessage('The presentation could not start.', results.stderr.join('\n'));
    }
  }

  function launch(show) {
    prompt.hidden = true;
    message.hidden = true;
    const canvas = document.createElement('canvas');
    canvas.id = 'canvas';
    stage.replaceChildren(canvas);
    const size = screenSize();
    if (testClock > 0) {
      canvas.style.width = size.width + 'px';
      canvas.style.height = size.height + 'px';
    }
    show.module = {
      canvas: canvas,
      arguments: programArguments(),
      introScreen: size,
      introFonts: fontMetrics,
      introTestClock: testClock,
      introScale: Number(params.get('scale')) > 0 ? Math.min(1, Number(params.get('scale'))) : 1,
      introKeys: [],
      audioContext: show.audio,
      introSynthWorker: takeSynthWorker(),
      introHooks: {
        capture: keepFrame,
        report: (key, value) => { results.reports[key] = value; },
        status: showStatus,
        exit: (code) => finish(show, code),
      },
      print: (text) => console.log(text),
      printErr: (text) => {
        results.stderr.push(text);
        console.warn(text);
      },
      instantiateWasm: (imports, receive) => {
        WebAssembly.instantiate(compiledProgram, imports)
          .then((instance) => receive(instance, compiledProgram));
        return {};
      },
    };
    results.state = 'running';
    results.startTime = show.clickTime;
    if (show.quitEarly) show.module.introQuit = true;
    if (results.audio === 'silent') showStatus('silent', 'blocked');
    createIntro(show.module);
  }

  // Settles either way: outside a user gesture, or where the browser refuses
  // full screen, the show plays in the window.
  function requestFullscreen(wanted) {
    const root = document.documentElement;
    if (!wanted || !root.requestFullscreen || document.fullscreenElement) {
      return Promise.resolve();
    }
    try {
      return root.requestFullscreen().catch(() => {});
    } catch (error) {
      return Promise.resolve();
    }
  }

  function toggleFullscreen(show) {
    if (document.fullscreenElement) {
      show.leavingByKey = true;
      document.exitFullscreen().catch(() => {});
    } else {
      requestFullscreen(true).then(() => { show.fullscreen = !!document.fullscreenElement; });
    }
  }

  function quit(show) {
    if (show.module) {
      show.module.introQuit = true;
    } else {
      show.quitEarly = true;
    }
  }

  function newAudioContext() {
    try {
      return new AudioContext();
    } catch (error) {
      return null;
    }
  }

  // The first audio context of a page takes the browser most of a second to
  // make (its audio service starts): one is made while the prompt shows, and
  // the click only resumes it.
  let spareAudio = null;
  function prepareAudio() {
    if (testClock <= 0 && !spareAudio) spareAudio = newAudioContext();
  }

  // The synthesiser's worker renders the soundtrack while the program builds
  // its textures; one is made and loaded while the prompt shows, for one
  // show. Without it (?worker=0, or no workers) the program renders it itself.
  let spareSynthWorker = null;
  function prepareSynthWorker() {
    if (spareSynthWorker || params.get('worker') === '0' || typeof Worker === 'undefined') return;
    try {
      const worker = new Worker('synth_worker.js');
      // A script that does not load fails before the program asks for it.
      worker.addEventListener('error', () => { worker.introFailed = true; });
      spareSynthWorker = worker;
    } catch (error) {
      spareSynthWorker = null;
    }
  }

  function takeSynthWorker() {
    const worker = spareSynthWorker;
    spareSynthWorker = null;
    return worker;
  }

  // Everything that needs the click's user gesture happens before the first await.
  async function start() {
    if (running || !compiledProgram) return;
    const show = {clickTime: performance.now(), audio: null, fullscreen: false, module: null};
    running = show;
    let audio = spareAudio;
    spareAudio = null;
    // The test clock plays no sound: no context to make.
    if (testClock <= 0 && (!audio || audio.state === 'closed')) audio = newAudioContext();
    const resumed = audio ? audio.resume() : Promise.reject(new Error('no Web Audio'));
    const fullscreen = requestFullscreen(testClock <= 0);
    const soundOn = await Promise.race([
      resumed.then(() => audio.state === 'running', () => false),
      delay(2000).then(() => false),
    ]);
    // Without sound the program plays on the wall clock and says so.
    if (testClock <= 0 && soundOn) {
      show.audio = audio;
    } else if (audio) {
      audio.close().catch(() => {});
    }
    if (testClock <= 0 && !soundOn) results.audio = 'silent';
    await fullscreen;
    show.fullscreen = !!document.fullscreenElement;
    await nextFrame();
    launch(show);
  }

  function onKey(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return;
    if (!running) {
      if (!prompt.hidden && (event.key === 'Enter' || event.key === ' ')) {
        event.preventDefault();
        start();
      }
      return;
    }
    if (event.key === 'Escape') {
      quit(running);
    } else if (event.key === 'f' || event.key === 'F') {
      if (!event.repeat && testClock <= 0) toggleFullscreen(running);
    } else if (event.key in viewerKeys && running.module) {
      // Held Left and Right repeat; the others act once per press.
      if (event.repeat && event.key !== 'ArrowLeft' && event.key !== 'ArrowRight') return;
      running.module.introKeys.push(viewerKeys[event.key]);
    } else {
      return;
    }
    event.preventDefault();
  }

  document.addEventListener('keydown', onKey);
  document.addEventListener('fullscreenchange', () => {
    const show = running;
    if (!show) return;
    if (document.fullscreenElement) return;
    if (show.leavingByKey) {
      show.leavingByKey = false;
      show.fullscreen = false;
    } else if (show.fullscreen) {
      quit(show);
    }
  });
  prompt.addEventListener('click', start);

  if (!webGL2Available()) {
    results.state = 'no-webgl2';
    showMessage('This presentation needs WebGL 2, which this browser does not offer.',
                'Try another browser, or switch on its hardware acceleration.');
    return;
  }
  prepare().then(() => {
    results.state = 'ready';
    showPrompt('');
    setTimeout(prepareAudio, 0);
    prepareSynthWorker();
  }, (error) => {
    results.state = 'failed';
    showMessage('The presentation could not be loaded.', String(error));
  });
})();
