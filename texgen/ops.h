// The texture generator's toolbox. Every operation works on the current layer
// of layerStack unless it names a layer; positions are unit doubles (x right,
// y down); colours are 0xAABBGGRR.
#pragma once
#include "texgen/pixel.h"
#include "texgen/stack.h"
#include <cstdint>

// --- pixels, layers, random source ---------------------------------------------------------
// overPixel(dst, src), in pixel.h: rgb (d*(255-a) + s*a)/255 truncated, alpha max(da, a)
void overSpan(uint32_t* dst, const uint32_t* src, int n); // dst[i] := over(dst[i], src[i])
// as overSpan with the src alpha lowered to byte ch of mask[i] where that is smaller
void maskedOverSpan(uint32_t* dst, const uint32_t* src, const uint32_t* mask, int ch, int n);
void selectLayer(int index, int visible);       // current := index, its visible flag := visible
void resetStack();                              // every layer hidden and 0, then layer 0 visible
void fillLayer(uint32_t value);                 // every pixel := value
void setChannel(int channel, uint8_t value);    // byte channel := value
void copyChannel(int dst, int src);             // byte dst := byte src
void invertChannel(int dst, int src);           // byte dst := 255 - byte src
void blendLayer(int layer);                     // p := over(p, layer's pixel)
void maskedBlend(int colour, int mask, int ch); // p := over(p, colour px, alpha min(a, mask.ch))
void composeVisible();                          // outputImage := over-fold of visible layers 0..31
void useLargePages();                           // hint: layers and output in large pages
uint32_t nextRandom();                          // xorshift96 step, low 16 bits of z
double randomUnit4096();                        // (nextRandom() mod 4096) / 4096

// --- noise ------------------------------------------------------------------------------
void gradientNoise(int startFrequency);    // 0x800000 + sum trunc(256/2^o * tiling gradient noise)
void valueNoise(double startFreq, int n);  // += round(268435455 * 0.5/2^o * hashed value noise)
void normaliseLayer();                     // (p-lo)*0xFFFFFFFF/(hi-lo) unsigned; constant -> 0
void gradientMap(uint32_t a, uint32_t b);  // normalise, byte k := trunc(a_k*(1-t) + b_k*t)
void randomWalk(int walkers, int stepDiv); // per walker and r,g,b: trail raising bytes below k

// --- drawing and filters -------------------------------------------------------------------
void drawLine(double x0, double y0, double x1, double y1); // 1-px white line, scale 1023
void drawPolyline(const double (*points)[2], int n);       // drawLine between successive points
// hard-edged stroke (n = 1: disc) of radius r, round caps, covered pixels := colour
void strokePolyline(const double (*points)[2], int n, uint32_t colour, double r);
// soft stroke: p := over(p, rgb of colour, alpha trunc((r - d) * 255 / r)) where d < r
void glowPolyline(const double (*points)[2], int n, uint32_t colour, double r);
void floodFill(double x, double y, uint32_t colour); // 4-connected equal-value region := colour
void spreadAlpha(double r);            // alpha := max(alpha, neighbour alpha - chamfer distance)
void shiftLayer(double dx, double dy); // circular shift by trunc(1023*d) pixels, rows then columns
void halveLayer();                     // point-sample into the top-left quarter, rest := 0
void doubleLayer();                    // top-left quarter enlarged by pixel doubling
void scaleLayer(int n);                // n < 0: halve -n times; n > 0: double n times

// --- text ---------------------------------------------------------------------------------
void renderText(const char* text, uint16_t height, const char* face); // black on white, centred
void renderSymbol(uint8_t code); // one "Webdings" character at height 1024
