// The fixed-function OpenGL the scenes and the loader bar draw with, over
// WebGL 2: immediate-mode quads, the current colour and texture coordinate,
// texturing from unit 0 modulated by the colour, the model-view matrix stack
// and gluPerspective. The GL 1.1 names are defined by this layer, so the
// scenes' code is the same on every platform; the GL 2.0 entry points come
// from fixedFunctionProc, which rewrites the desktop GLSL for WebGL 2.
#pragma once

// Builds the layer's own program and buffers; needs a current WebGL 2 context.
bool startFixedFunction();

// Whether the draw with which the newest program was first used (right after
// its link) may still be in the works in the driver, which can take seconds
// to compile it; asks without waiting. The loader waits for it handing
// control to the browser.
bool fixedFunctionFirstUsePending();

// An entry point of the program's GL table, or of the diagnostics it asks for
// beside the table, by name; null for any other name.
void* fixedFunctionProc(const char* name);
