#include "frame/gl.h"
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "scenes/scenes.h"
#include "scenes/text.h"
#include "viewer/screen.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr double cellPixels = 10; // width of a glyph cell on screen

// A dark translucent band behind the text, in normalised coordinates.
void shade(float left, float top, float right, float bottom) {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    glBegin(GL_QUADS);
    glVertex2f(left, top);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glEnd();
}

} // namespace

void drawOverlay(double framesPerSecond) {
    int32_t width = 0, height = 0;
    platformDrawableSize(&width, &height);
    if (width <= 0 || height <= 0) return;
    char text[96];
    std::snprintf(text, sizeof text, "%.2f s  %s  %.0f fps", intro.musicTime,
                  sceneRendererName(intro.sceneRenderer), framesPerSecond);
    beginViewerDrawing(width, height);
    const double halfWidth = cellPixels / width; // a cell is 2 halfWidth wide, 10 high
    const double margin = 2 * halfWidth;
    const double length = double(std::strlen(text));
    const float right = float(-1 + 2 * margin + length * 2 * halfWidth);
    const float bottom = float(1 - 2 * margin - 10 * halfWidth);
    shade(-1.0f, 1.0f, right, bottom);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawTextLine(text, -1 + margin + halfWidth, 1 - margin - 5 * halfWidth, halfWidth);
    endViewerDrawing();
}
