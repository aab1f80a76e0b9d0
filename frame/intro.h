// The program frame: start-up, texture upload, shader programs and main loop.
#pragma once
#include "frame/gl.h"
#include <cstdint>

[[noreturn]] void introMain(); // process entry after the backend is set up

// GL entry points (ends the process with -1 when one is missing).
void loadGlEntryPoints();

// Shader programs over the shared vertex shader.
extern const char sharedVertexSource[];
GLuint buildProgram(const char* vertexSource, const char* fragmentSource);
void buildPrograms(); // four programs, one loader tick each

// Texture upload loop: ids -122..16 without the unused punctuation ids.
constexpr int32_t firstTextureId = -122;
constexpr int32_t lastTextureId = 16;
bool isTextureId(int32_t id);
GLuint createTextureSlot(int32_t id);             // new bound texture recorded in intro.textures
void uploadTexturePixels(const uint32_t* pixels); // 1024 x 1024 RGBA into the bound texture
void uploadTextures();                            // build + upload every texture, one tick each

void resetFrameState(); // clear, white, no blending, identity, fixed function
void runMainLoop();     // returns when the music is over or Escape is pressed

// The pieces of introMain, shared with the viewer's loop.
void startUp();   // window, context, loader bar, music, textures, programs, first scene
void drawFrame(); // reset, timeline, scene: one frame into the back buffer
// The clock update after a presented frame: false when the music is over
// (the position read is past muslen), else musicTime and sceneTime move on.
bool advanceClocks();
// musicTime := the position in seconds (single precision), sceneTime advances
// by its change.
void updateClocks(double positionTicks);
