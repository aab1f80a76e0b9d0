#include "frame/progress.h"
#include "frame/intro_state.h"
#include "platform/platform.h"

namespace {

constexpr float barScale = 105.0f;

// Corners top-left, bottom-left, bottom-right, top-right.
void rectangle(float left, float top, float right, float bottom) {
    glVertex2f(left, top);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
}

} // namespace

void progressTick() {
    intro.progressTicks += 1;
    const float fraction = static_cast<float>(intro.progressTicks) / barScale;
    while (platformPumpMessage()) {
    }
    // Escape (or another request to quit) while loading ends the program here.
    if (platformEscapePressed()) {
        platformShowCursor(true);
        platformExit(0);
    }
    callUseProgram(0);
    glClear(GL_COLOR_BUFFER_BIT);
    const float barRight = 1.6f * fraction - 0.8f;
    glBegin(GL_QUADS);
    glColor3f(1.0f, 1.0f, 1.0f);
    rectangle(-0.9f, 0.3f, 0.9f, -0.3f);
    glColor3f(0.0f, 0.0f, 0.0f);
    rectangle(-0.8f, 0.2f, 0.8f, -0.2f);
    glColor3f(1.0f, 0.0f, 0.0f);
    rectangle(-0.8f, 0.2f, barRight, -0.2f);
    glEnd();
    platformPresent();
}

void blankFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    platformPresent();
}
