// The page around the program. It shows one "click to start" prompt; the click
// enters full screen and switches the sound on (both need a user gesture),
// then a fresh instance of the program runs on a fresh canvas filling the
// screen. Escape or leaving full screen ends the show and the prompt comes
// back. Without WebGL 2 the page says so instead of showing the prompt.
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

  const results = {state: 'loading', frames: [], reports: {}, stderr: [], exitCode: null};
  window.introResults = results;

  let compiledProgram = null;
  let fontMetrics = null;
  let running = null;

  function showPrompt(note) {
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

  function programArguments() {
    if (testClock <= 0) return [];
    const args = ['--test-clock', String(testClock)];
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
    if (show.audio) show.audio.close();
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
      audioContext: show.audio,
      introHooks: {
        capture: keepFrame,
        report: (key, value) => { results.reports[key] = value; },
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
    createIntro(show.module);
  }

  // Everything that needs the click's user gesture happens before the first await.
  async function start() {
    if (running || !compiledProgram) return;
    const show = {clickTime: performance.now(), audio: null, fullscreen: false, module: null};
    running = show;
    let audio = null;
    try {
      audio = new AudioContext();
    } catch (error) {
      audio = null;
    }
    const resumed = audio ? audio.resume() : Promise.reject(new Error('no Web Audio'));
    const fullscreen = testClock > 0 || !document.documentElement.requestFullscreen
      ? Promise.resolve()
      : document.documentElement.requestFullscreen();
    const soundOn = await Promise.race([
      resumed.then(() => audio.state === 'running', () => false),
      delay(2000).then(() => false),
    ]);
    if (testClock > 0) {
      if (audio) audio.close();
    } else if (!soundOn) {
      running = null;
      if (audio) audio.close();
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      results.state = 'blocked';
      showPrompt('The browser kept the sound off, so the show did not start. Click to try again.');
      return;
    } else {
      show.audio = audio;
    }
    await fullscreen.catch(() => {});
    show.fullscreen = !!document.fullscreenElement;
    await nextFrame();
    launch(show);
  }

  document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape' && running && running.module) running.module.introQuit = true;
  });
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement && running && running.fullscreen && running.module) {
      running.module.introQuit = true;
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
  }, (error) => {
    results.state = 'failed';
    showMessage('The presentation could not be loaded.', String(error));
  });
})();
