#include "frame/intro.h"
#include "platform/platform.h"
#include "synth/synth.h"

void runMainLoop() {
    for (;;) {
        if (platformPumpMessage()) continue;
        drawFrame();
        platformPresent();
        if (!advanceClocks()) return;
        if (platformEscapePressed()) return;
    }
}

void introMain() {
    startUp();
    startmus();
    runMainLoop();
    platformShowCursor(true);
    platformExit(0);
}
