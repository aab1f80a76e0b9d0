// Straightforward CPU versions of the fragment programs, written from the
// description of what each computes, to cross-check the GLSL.
#pragma once

struct Rgb {
    double r, g, b;
};

// Grey level of the waves program at window position (x, y) (pixel centre,
// origin bottom-left) on a screen of width x height.
double wavesReference(double x, double y, double width, double height, double time);

// Flight and can programs at texture coordinate (s, t). The can's floor
// texture is given as a function of the texture coordinate.
Rgb flightReference(double s, double t, double width, double height, double time);
using FloorTexture = Rgb (*)(double s, double t);
Rgb canReference(double s, double t, double width, double height, double time, FloorTexture floor);
