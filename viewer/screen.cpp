#include "viewer/screen.h"
#include "frame/gl.h"
#include "frame/gl_entries.h"
#include "frame/intro_state.h"
#include "platform/platform.h"
#include "viewer/viewer.h"
#include <algorithm>
#include <cmath>

#ifndef GL_CURRENT_PROGRAM
#define GL_CURRENT_PROGRAM 0x8B8D
#endif

namespace {

int32_t windowWidth;
int32_t windowHeight;
GLuint frameTexture;
int32_t textureWidth;
int32_t textureHeight;
GLint savedProgram;

// A texture of the frame's size that the back buffer's corner is copied into.
void ensureFrameTexture() {
    if (frameTexture == 0) glGenTextures(1, &frameTexture);
    glBindTexture(GL_TEXTURE_2D, frameTexture);
    if (textureWidth == intro.screenWidth && textureHeight == intro.screenHeight) return;
    textureWidth = intro.screenWidth;
    textureHeight = intro.screenHeight;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
}

} // namespace

void scaledSize(int32_t width, int32_t height, double scale, int32_t* scaledWidth,
                int32_t* scaledHeight) {
    *scaledWidth = std::max<int32_t>(1, int32_t(std::lround(width * scale)));
    *scaledHeight = std::max<int32_t>(1, int32_t(std::lround(height * scale)));
}

void fitScreen() {
    platformDrawableSize(&windowWidth, &windowHeight);
    windowWidth = std::max<int32_t>(windowWidth, 1);
    windowHeight = std::max<int32_t>(windowHeight, 1);
    scaledSize(windowWidth, windowHeight, viewer.scale, &intro.screenWidth, &intro.screenHeight);
    glViewport(0, 0, intro.screenWidth, intro.screenHeight);
}

void stretchFrame() {
    if (intro.screenWidth == windowWidth && intro.screenHeight == windowHeight) return;
    beginViewerDrawing(windowWidth, windowHeight);
    ensureFrameTexture();
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, intro.screenWidth, intro.screenHeight);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    endViewerDrawing();
}

void beginViewerDrawing(int32_t width, int32_t height) {
    glGetIntegerv(GL_CURRENT_PROGRAM, &savedProgram);
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT |
                 GL_VIEWPORT_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    callUseProgram(0);
    callActiveTexture(GL_TEXTURE0);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, width, height);
}

void endViewerDrawing() {
    glPopMatrix();
    glPopAttrib();
    callUseProgram(GLuint(savedProgram));
}
