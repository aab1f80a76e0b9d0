// A small offscreen GL context for rendering scenes in tests and tools:
// EGL without a display, a framebuffer object standing in for the screen.
#pragma once
#include "frame/gl.h"

#include <cstdint>
#include <string>
#include <vector>

// Creates the context and a width x height RGBA8 + depth framebuffer, fills
// intro.glEntries and intro.screenWidth/Height. False if no context.
bool startGl(int width, int height);

// The main loop's per-frame reset: clear, white, no blending, identity, no program.
void resetFrame();

// Pixels as 0xAABBGGRR, row 0 at the top of the screen.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Frame readFrame();

inline int red(uint32_t p) {
    return static_cast<int>(p & 0xff);
}
inline int green(uint32_t p) {
    return static_cast<int>((p >> 8) & 0xff);
}
inline int blue(uint32_t p) {
    return static_cast<int>((p >> 16) & 0xff);
}

// Texture from RGBA pixels (row 0 first); nearest filtering keeps edges crisp.
GLuint makeTexture(const uint32_t* pixels, int width, int height, bool nearest = true);
GLuint solidTexture(uint32_t colour);

// Shared vertex shader + fragment source; 0 and the info log on failure.
GLuint buildCheckedProgram(const char* fragmentSource, std::string* log);

// Screen pixel of a point in normalised device coordinates.
int pixelX(double x);
int pixelY(double y); // row from the top

// Writes the frame as an 8-bit RGBA PNG; false on failure.
bool writePng(const Frame& frame, const char* path);
