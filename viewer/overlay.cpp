#include "frame/gl.h"
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "scenes/scenes.h"
#include "scenes/text.h"
#include "viewer/screen.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int jitterSteps = 4; // per axis: 16 draws of the text, averaged

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
    const double cellPixels = std::max(8.0, width / 96.0);
    const double halfWidth = cellPixels / width; // a cell is 2 halfWidth wide, 10 high
    const double margin = 2 * halfWidth;
    const double length = double(std::strlen(text));
    const float right = float(-1 + 2 * margin + length * 2 * halfWidth);
    const float bottom = float(1 - 2 * margin - 10 * halfWidth);
    shade(-1.0f, 1.0f, right, bottom);
    // The glyph textures are far larger than the cells and have no mipmaps:
    // the text is drawn at sixteen sub-pixel offsets and summed at a
    // sixteenth each, which averages each pixel's footprint.
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f / (jitterSteps * jitterSteps));
    for (int j = 0; j < jitterSteps; ++j) {
        for (int i = 0; i < jitterSteps; ++i) {
            const double dx = ((i + 0.5) / jitterSteps - 0.5) * 2 / width;
            const double dy = ((j + 0.5) / jitterSteps - 0.5) * 2 / height;
            drawTextLine(text, -1 + margin + halfWidth + dx, 1 - margin - 5 * halfWidth + dy,
                         halfWidth);
        }
    }
    endViewerDrawing();
}
