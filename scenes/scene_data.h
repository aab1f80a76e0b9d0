// Constant texts and geometry of the scenes, shared with their tests.
#pragma once

extern const char scrollerText[];
constexpr int greetingsLineCount = 36;
const char* greetingsLine(int i); // i in [0, greetingsLineCount)
extern const char endText[];

struct SpherePoint {
    double x, y, z;
};
constexpr int sphereSegments = 20; // around the axis
constexpr int sphereRings = 10;    // pole to pole
SpherePoint spherePoint(int i, int j);
bool spherePatchIsRed(int i, int j);

// Geometry of PictureScene's quad for a fit on a screen of the given size.
struct PictureQuad {
    double right;   // x of the right edge (the left edge is -1)
    double bottomT; // texture t at the bottom edge (the top edge is t = 0)
};
PictureQuad pictureQuad(int fit, int screenWidth, int screenHeight);

// Binds texture unit 0's 2D texture to picture n and enables texturing.
void bindPicture(int n);
