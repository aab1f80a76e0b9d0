// The page side of the web backend (platform/web.cpp) and of the canvas text
// service (platform/text_canvas.cpp). The page (web/page/page.js) passes in:
//   Module.canvas        the canvas to draw on (id "canvas")
//   Module.introScreen   {width, height}: the screen size in device pixels
//   Module.introFonts    {face: {unitsPerEm, winAscent, winDescent}} of the served fonts
//   Module.audioContext  a running AudioContext, or null
//   Module.introSynthWorker  a worker of web/page/synth_worker.js, or null
//   Module.introHooks    {capture(name, info, pixels), report(key, value), exit(code)}
// and sets Module.introQuit when the viewer ends the show.

mergeInto(LibraryManager.library, {
  webScreenSize: function (width, height) {
    const screen = Module.introScreen || {width: 0, height: 0};
    HEAP32[width >> 2] = screen.width;
    HEAP32[height >> 2] = screen.height;
  },

  webPrepareCanvas: function (width, height) {
    const canvas = Module.canvas;
    if (!canvas) return 0;
    canvas.width = width;
    canvas.height = height;
    return 1;
  },

  // The drawing buffer follows the canvas's size on the page in device
  // pixels, at most maxPixels, times the page's scale (below 1 where the
  // browser draws slowly; the page stretches the canvas). Test mode keeps
  // the size it asked for.
  webDrawableSize: function (width, height) {
    const canvas = Module.canvas;
    let w = canvas ? canvas.width : 0;
    let h = canvas ? canvas.height : 0;
    if (canvas && !Module.introTestClock) {
      const maxPixels = 2560 * 1440;
      const ratio = window.devicePixelRatio || 1;
      let cssW = canvas.clientWidth * ratio;
      let cssH = canvas.clientHeight * ratio;
      const over = Math.sqrt(Math.max(1, cssW * cssH / maxPixels));
      const scale = (Module.introScale || 1) / over;
      w = Math.max(1, Math.round(cssW * scale));
      h = Math.max(1, Math.round(cssH * scale));
      if (canvas.width !== w) canvas.width = w;
      if (canvas.height !== h) canvas.height = h;
    }
    HEAP32[width >> 2] = w;
    HEAP32[height >> 2] = h;
  },

  // The next viewer key the page queued: 1 pause, 2 back, 3 forward,
  // 4 overlay; 0 when none is left.
  webNextKey: function () {
    const keys = Module.introKeys;
    return keys && keys.length ? keys.shift() : 0;
  },

  webShowCursor: function (visible) {
    if (Module.canvas) Module.canvas.style.cursor = visible ? '' : 'none';
  },

  webQuitRequested: function () {
    return Module.introQuit ? 1 : 0;
  },

  // Hands control to the browser: until the next animation frame, or only
  // until the browser has run its pending work (a message to ourselves is not
  // throttled the way nested timeouts are).
  webYield__deps: ['$introPace'],
  webYield: function (toAnimationFrame) {
    const hooks = Module.introHooks || {};
    if (toAnimationFrame && !Module.introFirstFrameSeen) {
      Module.introFirstFrameSeen = true;
      if (hooks.report) hooks.report('firstFrame', String(performance.now()));
    }
    if (toAnimationFrame && !Module.introTestClock) introPace.frame();
    return Asyncify.handleSleep(function (wakeUp) {
      if (toAnimationFrame) {
        requestAnimationFrame(function () { wakeUp(); });
        return;
      }
      if (!Module.introChannel) {
        Module.introChannel = new MessageChannel();
        Module.introChannel.port1.onmessage = function () {
          const next = Module.introWake;
          Module.introWake = null;
          if (next) next();
        };
      }
      Module.introWake = wakeUp;
      Module.introChannel.port2.postMessage(0);
    });
  },

  $introReport: function (key, value) {
    const hooks = Module.introHooks || {};
    if (hooks.report) hooks.report(key, value);
  },

  // The synthesiser's worker (Module.introSynthWorker, made by the page)
  // renders the soundtrack; it serves one show and is ended after its answer.
  webStartSoundtrack__deps: ['$introReport'],
  webStartSoundtrack: function (frames) {
    const worker = Module.introSynthWorker;
    Module.introSynthWorker = null;
    if (!worker || worker.introFailed) {
      introReport('synthWorker', worker ? 'failed' : 'none');
      if (worker) worker.terminate();
      return 0;
    }
    introReport('synthWorker', 'started');
    const job = {pending: true, pcm: null, worker: worker};
    Module.introSynthJob = job;
    const done = (pcm) => {
      job.pcm = pcm;
      job.pending = false;
      worker.terminate();
    };
    worker.onmessage = (event) => done(event.data.pcm || null);
    worker.onerror = (event) => {
      event.preventDefault();
      done(null);
    };
    worker.postMessage({frames: frames});
    return 1;
  },

  webSoundtrackPending: function () {
    const job = Module.introSynthJob;
    return job && job.pending ? 1 : 0;
  },

  // Copies the interleaved samples into pcm; 0 when the worker gave none (by
  // now: one still busy is ended).
  webTakeSoundtrack__deps: ['$introReport'],
  webTakeSoundtrack: function (pcm, frames) {
    const job = Module.introSynthJob;
    Module.introSynthJob = null;
    if (job && job.pending) job.worker.terminate();
    const data = job && !job.pending && job.pcm;
    const ok = !!data && data.length === frames * 2;
    introReport('synthWorker', ok ? 'used' : 'failed');
    if (ok) HEAP16.set(data, pcm >> 1);
    return ok ? 1 : 0;
  },

  // The soundtrack: an AudioBuffer played from a byte on, or, where the
  // browser gives no sound (no Web Audio, a context that does not run, an
  // output that never moves), the wall clock from that byte on. The page is
  // told once when the show is silent.
  $introAudio__deps: ['$introPage'],
  $introAudio: {
    playFrom: function (audio, byte) {
      audio.base = byte;
      audio.last = byte;
      audio.startWall = performance.now();
      audio.lastMove = audio.startWall;
      if (audio.source) {
        try { audio.source.stop(); } catch (e) {}
        audio.source = null;
      }
      if (audio.silent || audio.paused) return;
      const source = audio.context.createBufferSource();
      source.buffer = audio.buffer;
      source.connect(audio.context.destination);
      audio.startContext = audio.context.currentTime;
      audio.lastContext = audio.startContext;
      source.start(audio.startContext, byte / 4 / 44100);
      audio.source = source;
    },
    goSilent: function (audio, why) {
      const byte = introAudio.heard(audio);
      audio.silent = true;
      introAudio.playFrom(audio, byte);
      introPage.status('silent', why);
    },
    // The context time of the frame the output device plays (latency
    // included), carried on by the time since the browser took that stamp.
    contextTime: function (context) {
      let time = context.currentTime - (context.outputLatency || context.baseLatency || 0);
      const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
      if (stamp && stamp.performanceTime > 0) {
        time = stamp.contextTime + Math.max(0, performance.now() - stamp.performanceTime) / 1000;
      }
      return Math.min(time, context.currentTime);
    },
    // Bytes heard so far: never past the buffer, never backwards.
    heard: function (audio) {
      let seconds = 0;
      if (audio.paused) {
        seconds = 0;
      } else if (audio.silent) {
        seconds = (performance.now() - audio.startWall) / 1000;
      } else {
        seconds = Math.max(0, introAudio.contextTime(audio.context) - audio.startContext);
      }
      const bytes = Math.min(audio.base + Math.floor(seconds * 44100) * 4, audio.bytes);
      audio.last = Math.max(audio.last, bytes);
      return audio.last;
    },
    // An output that has not moved for a second and a half plays nothing.
    watch: function (audio) {
      if (audio.silent || audio.paused) return;
      const now = performance.now();
      if (audio.context.currentTime !== audio.lastContext) {
        audio.lastContext = audio.context.currentTime;
        audio.lastMove = now;
      } else if (now - audio.lastMove > 1500) {
        introAudio.goSilent(audio, 'no-output');
      }
    },
  },

  // Where the frames shown over two seconds come at fewer than minRate a
  // second, the drawing buffer is halved in each direction (down to a
  // quarter) and the page says so. (A frame's drawing shows in the interval
  // after the next one: single intervals alternate long and short.)
  $introPace__deps: ['$introPage'],
  $introPace: {
    minRate: 10,
    spanMs: 2000,
    since: 0,
    frames: 0,
    frame: function () {
      const now = performance.now();
      if (!introPace.since) introPace.since = now;
      introPace.frames += 1;
      const span = now - introPace.since;
      if (span < introPace.spanMs) return;
      const rate = introPace.frames * 1000 / span;
      introPace.since = now;
      introPace.frames = 0;
      const scale = Module.introScale || 1;
      if (rate >= introPace.minRate || scale <= 0.25) return;
      Module.introScale = scale / 2;
      introPage.status('scaled', String(Module.introScale));
    },
  },

  // Messages for the page's one status line.
  $introPage: {
    status: function (kind, detail) {
      const hooks = Module.introHooks || {};
      if (hooks.status) hooks.status(kind, detail);
    },
  },

  webStartAudio__deps: ['$introAudio', '$introPage'],
  webStartAudio: function (pcm, bytes) {
    const context = Module.audioContext;
    const audio = {context: context, buffer: null, source: null, bytes: bytes, base: 0, last: 0,
                   silent: true, paused: false, startWall: 0, startContext: 0,
                   lastContext: 0, lastMove: 0};
    Module.introAudio = audio;
    if (context && context.state === 'running') {
      const frames = bytes >>> 2;
      const buffer = context.createBuffer(2, frames, 44100);
      const left = buffer.getChannelData(0);
      const right = buffer.getChannelData(1);
      const samples = HEAP16.subarray(pcm >> 1, (pcm >> 1) + 2 * frames);
      for (let i = 0, j = 0; i < frames; ++i, j += 2) {
        left[i] = samples[j] / 32768;
        right[i] = samples[j + 1] / 32768;
      }
      audio.buffer = buffer;
      audio.silent = false;
    } else {
      introPage.status('silent', context ? 'blocked' : 'no-web-audio');
    }
    introAudio.playFrom(audio, Module.introStartByte || 0);
  },

  webAudioPosition__deps: ['$introAudio'],
  webAudioPosition: function () {
    const audio = Module.introAudio;
    if (!audio) return 0;
    introAudio.watch(audio);
    return introAudio.heard(audio);
  },

  // Before the sound starts the byte is kept for its start.
  webSeekAudio__deps: ['$introAudio'],
  webSeekAudio: function (byte) {
    const audio = Module.introAudio;
    if (!audio) {
      Module.introStartByte = byte;
      return;
    }
    introAudio.playFrom(audio, byte);
  },

  webPauseAudio__deps: ['$introAudio'],
  webPauseAudio: function (paused) {
    const audio = Module.introAudio;
    if (!audio || audio.paused === !!paused) return;
    const byte = introAudio.heard(audio);
    audio.paused = !!paused;
    introAudio.playFrom(audio, byte);
  },

  // One line, black on white, into a 1024 x 1024 canvas of 32-bit pixels
  // (bytes blue, green, red, 0): the cell height (ascent + descent of the
  // face's Windows metrics) is `height` pixels, the line is centred, its top
  // at row 0 — the same rules as the FreeType service.
  webRenderText: function (text, height, face, canvas) {
    const size = 1024;
    if (!Module.introTextContext) {
      const surface = document.createElement('canvas');
      surface.width = size;
      surface.height = size;
      Module.introTextContext = surface.getContext('2d', {willReadFrequently: true});
    }
    const context = Module.introTextContext;
    const line = UTF8ToString(text);
    const family = UTF8ToString(face);
    const fonts = Module.introFonts || {};
    const metrics = fonts[family] || {unitsPerEm: 1000, winAscent: 800, winDescent: 200};
    const cell = metrics.winAscent + metrics.winDescent;
    // White (blue, green, red, 0) everywhere; the canvas is drawn and read
    // back only around the ink, which reading back all of it costs 20 to 30
    // ms a line. The margin takes the edge pixels that smoothing adds.
    const out = HEAPU32.subarray(canvas >> 2, (canvas >> 2) + size * size);
    out.fill(0x00ffffff);
    if (height <= 0 || line.length === 0) return;
    const em = height * metrics.unitsPerEm / cell;
    context.font = '300 ' + em + 'px "' + family + '"';
    context.textAlign = 'left';
    context.textBaseline = 'alphabetic';
    const ink = context.measureText(line);
    const width = Math.floor(ink.width);
    const x = Math.trunc((size - width) / 2);
    const baseline = Math.floor((height * metrics.winAscent + Math.floor(cell / 2)) / cell);
    const margin = 4;
    const left = Math.max(0, Math.floor(x - ink.actualBoundingBoxLeft) - margin);
    const right = Math.min(size, Math.ceil(x + ink.actualBoundingBoxRight) + margin);
    const top = Math.max(0, Math.floor(baseline - ink.actualBoundingBoxAscent) - margin);
    const bottom = Math.min(size, Math.ceil(baseline + ink.actualBoundingBoxDescent) + margin);
    if (right <= left || bottom <= top) return;
    context.fillStyle = '#ffffff';
    context.fillRect(left, top, right - left, bottom - top);
    context.fillStyle = '#000000';
    context.fillText(line, x, baseline);
    // A pixel at a time: red, green, blue, alpha in; blue, green, red, 0 out.
    const boxWidth = right - left;
    const image = new Uint32Array(
      context.getImageData(left, top, boxWidth, bottom - top).data.buffer);
    for (let y = top; y < bottom; ++y) {
      const row = out.subarray(y * size + left, y * size + right);
      const from = (y - top) * boxWidth;
      for (let i = 0; i < boxWidth; ++i) {
        const p = image[from + i];
        row[i] = (p & 0xff) << 16 | p & 0xff00 | p >>> 16 & 0xff;
      }
    }
  },

  // Chromium's software WebGL (SwiftShader) compiles the programs in seconds
  // only with the calls of their branching functions in loops of their own,
  // which slow other renderers down; a renderer that cannot be told gets them.
  webCompilerNeedsOnceLoops: function () {
    const gl = GLctx;
    const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
    const renderer = info ? String(gl.getParameter(info.UNMASKED_RENDERER_WEBGL) || '') : '';
    return !renderer || /SwiftShader/i.test(renderer) ? 1 : 0;
  },

  // Test mode: the drawing buffer as it is now (before the browser shows it).
  webCapture: function (name) {
    const gl = GLctx;
    const width = gl.drawingBufferWidth;
    const height = gl.drawingBufferHeight;
    const pixels = new Uint8Array(width * height * 4);
    gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    Module.introCaptured = {width: width, height: height, pixels: pixels};
  },

  webKeepCapture: function (name, musicTime, sceneTime, scene) {
    const hooks = Module.introHooks || {};
    const captured = Module.introCaptured;
    if (!captured || !hooks.capture) return;
    hooks.capture(UTF8ToString(name), {
      musicTime: musicTime,
      sceneTime: sceneTime,
      scene: UTF8ToString(scene),
    }, captured);
  },

  webReport: function (key, value) {
    const hooks = Module.introHooks || {};
    if (hooks.report) hooks.report(UTF8ToString(key), UTF8ToString(value));
  },

  // Tells the page, then leaves the program's stack suspended for good: the
  // page drops the whole instance.
  webExit: function (code) {
    const hooks = Module.introHooks || {};
    if (Module.introAudio) {
      try { Module.introAudio.source.stop(); } catch (e) {}
    }
    // Ended while loading: the soundtrack is no longer wanted.
    if (Module.introSynthJob) Module.introSynthJob.worker.terminate();
    if (hooks.exit) hooks.exit(code);
    return Asyncify.handleSleep(function () {});
  },
});
