// Glyph text: every character is one quad textured with its glyph texture.
#pragma once

// Glyph table index of a character: lower case folds onto upper case (codes
// above 96 lose 32); -1 for codes outside the table (negative signed bytes).
int glyphCode(char c);

// One row of glyphs: x is the centre of the first cell, y the row's centre,
// halfWidth half a cell's width; cells are five times as high as wide.
// The caller sets texturing, blending and colour.
void drawTextLine(const char* text, double x, double y, double halfWidth);

// A row of unit cells moved `scroll` cells left and bobbing on a fixed sine
// wave of height `amplitude`; sets its own texturing and blending.
void drawWaveText(const char* text, double scroll, double amplitude);
