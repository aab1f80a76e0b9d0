// The viewer's loop: the main loop's frame and clock steps, with the keys
// (pause, seek by a timeline unit, full screen, overlay) handled between
// frames, the surface kept in step with the window, and play from the start
// again after the end with --loop.
#include "frame/gl.h"
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "synth/synth.h"
#include "viewer/screen.h"
#include "viewer/viewer.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double timelineUnit = 3.2;
constexpr double showEnd = 134.4;

struct PlayerState {
    bool paused;
    bool overlay;
    bool fullscreen;
    int framesCounted;
    Clock::time_point countedSince;
    double framesPerSecond;
};

PlayerState player;

void seekBy(double seconds) {
    seekTo(musicByte(std::clamp(intro.musicTime + seconds, 0.0, showEnd)));
}

void handleKeys() {
    for (PlatformKey key; (key = platformNextKey()) != PlatformKey::none;) {
        switch (key) {
        case PlatformKey::pause:
            player.paused = !player.paused;
            pausemus(player.paused);
            break;
        case PlatformKey::back:
            seekBy(-timelineUnit);
            break;
        case PlatformKey::forward:
            seekBy(timelineUnit);
            break;
        case PlatformKey::fullscreen:
            player.fullscreen = !player.fullscreen;
            platformSetFullscreen(player.fullscreen);
            break;
        case PlatformKey::overlay:
            player.overlay = !player.overlay;
            break;
        case PlatformKey::none:
            break;
        }
    }
}

// Frames shown per second of wall time, over the last half second or more.
void countFrame() {
    ++player.framesCounted;
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - player.countedSince).count();
    if (seconds < 0.5) return;
    player.framesPerSecond = player.framesCounted / seconds;
    player.framesCounted = 0;
    player.countedSince = now;
}

void runPlayer() {
    player.countedSince = Clock::now();
    for (;;) {
        if (platformPumpMessage()) continue;
        handleKeys();
        fitScreen();
        drawFrame();
        stretchFrame();
        if (player.overlay) drawOverlay(player.framesPerSecond);
        platformPresent();
        countFrame();
        if (!advanceClocks()) {
            if (!viewer.loop) return;
            seekTo(0);
        }
        if (platformEscapePressed()) return;
    }
}

// Software rasterisers draw the heavy scenes slowly at full size.
void suggestScale() {
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer || viewer.scale < 1) return;
    for (const char* name : {"llvmpipe", "softpipe", "swrast"}) {
        if (std::strstr(renderer, name)) {
            std::fprintf(stderr,
                         "intro: the OpenGL renderer is %s, a software rasteriser; "
                         "--scale 0.5 draws a quarter of the pixels\n",
                         renderer);
            return;
        }
    }
}

} // namespace

void viewerMain() {
    player.fullscreen = !viewer.windowed;
    startUp();
    if (viewer.windowed) platformShowCursor(true);
    if (viewer.suggestScale) suggestScale();
    fitScreen();
    seekTo(musicByte(viewer.start));
    startmus();
    runPlayer();
    platformShowCursor(true);
    platformExit(0);
}
