// The surface the scenes draw on, kept in step with the window: its size in
// screenWidth / screenHeight (and so iResolution) and the viewport, and with
// --scale a smaller frame in the corner of the back buffer, stretched over
// the whole window before it is shown.
#pragma once
#include <cstdint>

// The drawn frame's size for a drawable size and a scale: at least 1 x 1.
void scaledSize(int32_t width, int32_t height, double scale, int32_t* scaledWidth,
                int32_t* scaledHeight);

void fitScreen();    // before a frame is drawn
void stretchFrame(); // after it is drawn (nothing to do at scale 1)

// A small panel at the top left in the glyphs of the presentation: music
// time, scene and frames per second. Drawn over the finished frame.
void drawOverlay(double framesPerSecond);

// Saves and restores the GL state the viewer's own drawing touches, so that
// the scenes find what they left.
void beginViewerDrawing(int32_t width, int32_t height);
void endViewerDrawing();
