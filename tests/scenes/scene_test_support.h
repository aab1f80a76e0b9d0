// Shared set-up of the scene rendering tests: a 320 x 180 offscreen screen,
// simple known textures, and pixel queries.
#pragma once
#include "frame/intro_state.h"
#include "tests/scenes/gl_harness.h"

#include <gtest/gtest.h>

#include <functional>

constexpr int testWidth = 320;
constexpr int testHeight = 180;

constexpr uint32_t opaqueRed = 0xff0000ff;
constexpr uint32_t opaqueGreen = 0xff00ff00;
constexpr uint32_t opaqueBlue = 0xffff0000;
constexpr uint32_t opaqueWhite = 0xffffffff;
constexpr uint32_t transparent = 0x00000000;

// Every glyph of the set opaque in `colour` (space transparent), all pictures
// opaque blue, state as start-up leaves it.
void setUpScenes(uint32_t glyphColour = opaqueRed);

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive pixels
    int count = 0;
    bool empty() const { return count == 0; }
};
using PixelTest = std::function<bool(uint32_t)>;
Box findPixels(const Frame& frame, const PixelTest& test, int fromRow = 0, int toRow = -1);

bool isRed(uint32_t p);   // mostly red
bool isBlue(uint32_t p);  // mostly blue
bool isBlack(uint32_t p); // exactly black

// Shared vertex shader + fragment source; a failure to build is a test failure.
GLuint checkedProgram(const char* fragmentSource);

// Draws one frame of a renderer after the main loop's reset and reads it back.
Frame renderScene(void (*renderer)());

// Distance from a screen position (normalised coordinates) to pixel units.
double columnOf(double x); // column whose left edge is at x
double rowOf(double y);    // row (from the top) whose top edge is at y
