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

void runMainLoop() {
    for (;;) {
        if (platformPumpMessage()) continue;
        resetFrameState();
        updateTimeline();
        intro.sceneRenderer();
        platformPresent();
        const double previous = intro.musicTime;
        const float position = static_cast<float>(getpos());
        if (position > static_cast<float>(static_cast<uint32_t>(muslen))) return;
        intro.musicTime = static_cast<double>(static_cast<float>(getpos()) / tps);
        intro.sceneTime += intro.musicTime - previous;
        if (platformEscapePressed()) return;
    }
}

void introMain() {
    createWindowAndContext();
    loadGlEntryPoints();
    platformShowCursor(false);
    progressTick();
    genMus();
    progressTick();
    uploadTextures();
    buildPrograms();
    progressTick();
    progressTick();
    intro.sceneRenderer = ScrollerScene;
    startmus();
    runMainLoop();
    platformShowCursor(true);
    platformExit(0);
}
