// Desktop GLSL as the program writes it (no version line, fixed-function
// built-ins) rewritten mechanically as GLSL ES 3.00 for WebGL 2: the same
// statements with the built-ins replaced by declared inputs and outputs, and,
// if asked, in a fragment stage the calls of functions that loop or call a
// function that branches each in a loop of its own, run once (see
// glsl_es.cpp: what Chromium's software WebGL compiles in seconds instead of
// minutes; other compilers run the plain form faster).
#pragma once
#include <string>

enum class ShaderStage { vertex, fragment };

// Attribute locations the rewritten vertex stage and the fixed-function
// layer share.
constexpr unsigned attributeVertex = 0;   // ffVertex, for gl_Vertex
constexpr unsigned attributeTexCoord = 1; // ffMultiTexCoord0, for gl_MultiTexCoord0
constexpr unsigned attributeColour = 2;   // ffColor, for gl_Color

struct EsShader {
    std::string source; // empty when the rewrite failed
    std::string error;  // why it failed: a built-in it does not know
};

enum class EsCalls { inPlace, inOnceLoops };

EsShader translateToEs300(const char* desktopSource, ShaderStage stage,
                          EsCalls calls = EsCalls::inOnceLoops);
