// GLSL fragment sources of the four programs (constant text).
#pragma once

extern const char wavesFragmentSource[];
extern const char ballsFragmentSource[];
extern const char flightFragmentSource[];
extern const char canFragmentSource[];
