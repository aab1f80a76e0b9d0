// The steps introMain is made of, shared with the viewer's loop: start-up up
// to the first scene, the drawing of one frame and the clock update after it.
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "frame/progress.h"
#include "frame/timeline.h"
#include "platform/platform.h"
#include "scenes/scenes.h"
#include "synth/synth.h"
#include <cstdio>

namespace {

void createWindowAndContext() {
    platformScreenSize(&intro.screenWidth, &intro.screenHeight);
    if (!platformCreateWindow(intro.screenWidth, intro.screenHeight)) platformExit(-1);
    if (!platformSetPixelFormat()) {
        std::fputs("intro: could not set the pixel format\n", stderr);
        platformExit(-1);
    }
    if (!platformCreateContext()) {
        std::fputs("intro: could not create an OpenGL context\n", stderr);
        platformExit(-1);
    }
}

} // namespace

void startUp() {
    createWindowAndContext();
    loadGlEntryPoints();
    platformShowCursor(false);
    progressTick();
    genMusBegin();
    progressTick();
    uploadTextures();
    buildPrograms();
    genMusEnd();
    progressTick();
    progressTick();
    intro.sceneRenderer = ScrollerScene;
}

void drawFrame() {
    resetFrameState();
    updateTimeline();
    intro.sceneRenderer();
}

void updateClocks(double positionTicks) {
    const double previous = intro.musicTime;
    intro.musicTime = static_cast<double>(static_cast<float>(positionTicks) / tps);
    intro.sceneTime += intro.musicTime - previous;
}

bool advanceClocks() {
    const float position = static_cast<float>(getpos());
    if (position > static_cast<float>(static_cast<uint32_t>(muslen))) return false;
    updateClocks(getpos()); // read a second time, as the loop always has
    return true;
}
