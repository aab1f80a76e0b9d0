// The page side of the web backend (platform/web.cpp) and of the canvas text
// service (platform/text_canvas.cpp). The page (web/page/page.js) passes in:
//   Module.canvas        the canvas to draw on (id "canvas")
//   Module.introScreen   {width, height}: the screen size in device pixels
//   Module.introFonts    {face: {unitsPerEm, winAscent, winDescent}} of the served fonts
//   Module.audioContext  a running AudioContext, or null
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

  webShowCursor: function (visible) {
    if (Module.canvas) Module.canvas.style.cursor = visible ? '' : 'none';
  },

  webQuitRequested: function () {
    return Module.introQuit ? 1 : 0;
  },

  // Hands control to the browser: until the next animation frame, or only
  // until the browser has run its pending work (a message to ourselves is not
  // throttled the way nested timeouts are).
  webYield: function (toAnimationFrame) {
    const hooks = Module.introHooks || {};
    if (toAnimationFrame && !Module.introFirstFrameSeen) {
      Module.introFirstFrameSeen = true;
      if (hooks.report) hooks.report('firstFrame', String(performance.now()));
    }
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

  // The 16-bit stereo buffer into an AudioBuffer, played once from now.
  webStartAudio: function (pcm, bytes) {
    const context = Module.audioContext;
    if (!context || context.state === 'closed') return 0;
    const frames = bytes >>> 2;
    const buffer = context.createBuffer(2, frames, 44100);
    const left = buffer.getChannelData(0);
    const right = buffer.getChannelData(1);
    const samples = HEAP16.subarray(pcm >> 1, (pcm >> 1) + 2 * frames);
    for (let i = 0, j = 0; i < frames; ++i, j += 2) {
      left[i] = samples[j] / 32768;
      right[i] = samples[j + 1] / 32768;
    }
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(context.destination);
    const start = context.currentTime;
    source.start(start);
    Module.introAudio = {context: context, source: source, start: start, bytes: bytes, last: 0};
    return 1;
  },

  // Bytes heard so far: the context time of the frame the output device is
  // playing (latency included), carried on by the time since the browser
  // took that stamp; never past what was rendered, never backwards.
  webAudioPosition: function () {
    const audio = Module.introAudio;
    if (!audio) return -1;
    const context = audio.context;
    let time = context.currentTime - (context.outputLatency || context.baseLatency || 0);
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0) {
      time = stamp.contextTime + Math.max(0, performance.now() - stamp.performanceTime) / 1000;
    }
    time = Math.min(time, context.currentTime);
    const frames = Math.floor(Math.max(0, time - audio.start) * 44100);
    const bytes = Math.max(audio.last, Math.min(frames * 4, audio.bytes));
    audio.last = bytes;
    return bytes;
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
    context.fillStyle = '#ffffff';
    context.fillRect(0, 0, size, size);
    if (height > 0 && line.length > 0) {
      const em = height * metrics.unitsPerEm / cell;
      context.font = '300 ' + em + 'px "' + family + '"';
      context.textAlign = 'left';
      context.textBaseline = 'alphabetic';
      context.fillStyle = '#000000';
      const width = Math.floor(context.measureText(line).width);
      const baseline = Math.floor((height * metrics.winAscent + Math.floor(cell / 2)) / cell);
      context.fillText(line, Math.trunc((size - width) / 2), baseline);
    }
    const image = context.getImageData(0, 0, size, size).data;
    const out = HEAPU8;
    for (let i = 0; i < size * size * 4; i += 4) {
      out[canvas + i] = image[i + 2];
      out[canvas + i + 1] = image[i + 1];
      out[canvas + i + 2] = image[i];
      out[canvas + i + 3] = 0;
    }
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
    if (hooks.exit) hooks.exit(code);
    return Asyncify.handleSleep(function () {});
  },
});
