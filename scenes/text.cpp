#include "scenes/text.h"

#include "frame/gl_entries.h"
#include "frame/intro_state.h"

#include <cmath>

int glyphCode(char c) {
    int code = static_cast<signed char>(c);
    if (code > 96) code -= 32;
    return code;
}

// Binds the glyph of c; false when it has none (the cell stays empty).
static bool bindGlyph(char c) {
    const int code = glyphCode(c);
    if (code < 0 || intro.textures.glyphs[code] == 0) return false;
    glBindTexture(GL_TEXTURE_2D, intro.textures.glyphs[code]);
    return true;
}

// One glyph quad, texture row 0 at the top.
static void glyphQuad(double cx, double cy, double halfWidth, double halfHeight) {
    const auto left = static_cast<float>(cx - halfWidth);
    const auto right = static_cast<float>(cx + halfWidth);
    const auto top = static_cast<float>(cy + halfHeight);
    const auto bottom = static_cast<float>(cy - halfHeight);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, top);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, bottom);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, bottom);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, top);
    glEnd();
}

void drawTextLine(const char* text, double x, double y, double halfWidth) {
    glPushMatrix();
    for (int i = 0; text[i] != 0; ++i) {
        if (!bindGlyph(text[i])) continue;
        glyphQuad(x + i * 2 * halfWidth, y, halfWidth, 5 * halfWidth);
    }
    glPopMatrix();
}

void drawWaveText(const char* text, double scroll, double amplitude) {
    callUseProgram(0);
    callActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int i = 0; text[i] != 0; ++i) {
        const double cx = i - scroll;
        const double cy = amplitude * std::sin(cx / 0.6);
        if (!bindGlyph(text[i])) continue;
        glyphQuad(cx, cy, 0.5, 0.5);
    }
}
