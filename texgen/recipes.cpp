// The texture recipes: fixed sequences of generator operations.
#include "texgen/recipes.h"
#include "texgen/artwork.h"
#include "texgen/ops.h"
#include "texgen/texgen.h"
#include <initializer_list>

int artworkCursor;

namespace {

const double (*takePoints(int count))[2] {
    const double(*points)[2] = ArtworkPoints + artworkCursor;
    artworkCursor += count;
    return points;
}

void lines(std::initializer_list<int> counts) {
    for (int n : counts)
        drawPolyline(takePoints(n), n);
}

void stroke(uint32_t colour, double r, std::initializer_list<int> counts) {
    for (int n : counts)
        strokePolyline(takePoints(n), n, colour, r);
}

void glow(uint32_t colour, double r, std::initializer_list<int> counts) {
    for (int n : counts)
        glowPolyline(takePoints(n), n, colour, r);
}

struct Seed {
    double x, y;
};

void flood(uint32_t colour, std::initializer_list<Seed> seeds) {
    for (Seed s : seeds)
        floodFill(s.x, s.y, colour);
}

// One character in pale yellow with its coverage as alpha.
void glyphRecipe(uint8_t code) {
    selectLayer(0, 1);
    fillLayer(0);
    char text[2] = {char(code), 0};
    renderText(text, 1024, "Tahoma");
    invertChannel(CH_A, CH_R);
    setChannel(CH_R, 255);
    setChannel(CH_G, 255);
    setChannel(CH_B, 128);
}

// Two symbol characters side by side.
void recipe0() {
    selectLayer(0, 1);
    renderSymbol(74);
    setChannel(CH_A, 255);
    scaleLayer(-1);

    selectLayer(1, 1);
    renderSymbol(84);
    setChannel(CH_A, 255);
    scaleLayer(-1);
    shiftLayer(0.501221, 0.000488);
}

// Random-walk trails on olive ground.
void recipe1() {
    selectLayer(0, 1);
    fillLayer(0xFF17777D);

    selectLayer(1, 1);
    fillLayer(0x00000000);
    randomWalk(256, 4);
    copyChannel(CH_A, CH_R);

    selectLayer(2, 1);
    fillLayer(0x00000000);
    randomWalk(256, 4);
    copyChannel(CH_A, CH_G);
}

// Coloured line portrait of a tiger-headed figure.
void recipe2() {
    selectLayer(0, 0);
    fillLayer(0x00000000);
    lines({11, 5, 18, 7,  21, 3, 5,  16, 50, 18, 60, 10, 3, 6,
           12, 9, 10, 10, 23, 7, 15, 14, 2,  9,  9,  3,  3, 2});

    selectLayer(1, 0);
    fillLayer(0x00000000);
    lines({17, 17, 17, 12, 9, 1});
    blendLayer(0);
    lines({9, 15, 9, 4, 4, 63, 19, 14, 22});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    blendLayer(0);
    setChannel(CH_R, 0);
    setChannel(CH_G, 0);
    setChannel(CH_B, 0);
    flood(0xFF3BA2E9, {{0.496094, 0.135742}});
    flood(0xFF3035C9, {{0.480469, 0.371094}});
    flood(0xFFFFFFFF, {{0.545898, 0.338867}, {0.429688, 0.34375}});
    flood(0xFF22245A, {{0.484375, 0.257813}});
    stroke(0x00000000, 0.004097, {1});
    flood(0xFF86D7E9, {{0.438477, 0.279297}});
    flood(0xFF68ADE8, {{0.458008, 0.806641}});

    selectLayer(3, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    setChannel(CH_A, 0);
    setChannel(CH_G, 0);
    setChannel(CH_B, 0);
    flood(0xFF0B1E24, {{0.304688, 0.337891},
                       {0.327148, 0.275391},
                       {0.365234, 0.208008},
                       {0.498047, 0.119141},
                       {0.323242, 0.163574},
                       {0.375488, 0.143066},
                       {0.591797, 0.216309},
                       {0.640137, 0.285645},
                       {0.642578, 0.350586}});
    flood(0xFFB0E3E8, {{0.388672, 0.350586}});
    flood(0xFF467AB6, {{0.291992, 0.522461}});

    selectLayer(4, 0);
    fillLayer(0x00000000);
    blendLayer(1);
    setChannel(CH_R, 0);
    flood(0xFFFFFFFF,
          {{0.428711, 0.18457}, {0.544922, 0.189453}, {0.638672, 0.116211}, {0.339844, 0.105469}});
    copyChannel(CH_A, CH_R);

    selectLayer(5, 0);
    fillLayer(0xFF000000);
    stroke(0xFF23B2DE, 0.038167, {1});
    stroke(0xFF3FB2DE, 0.052879, {1});
    glow(0xFF000000, 0.02, {4, 2});
    stroke(0xFFFFFFFF, 0.018809, {1, 1});
    stroke(0xFF414333, 0.012615, {1, 1});
    glow(0xFFF0F0F0, 0.0033, {1, 1});

    selectLayer(6, 1);
    fillLayer(0x00000000);
    maskedBlend(5, 4, CH_A);

    selectLayer(7, 1);
    fillLayer(0x00000000);
    glow(0x00101010, 0.005, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});

    selectLayer(8, 1);
    fillLayer(0x00000000);
    lines({16, 2, 17, 3, 7, 5, 6, 4, 5, 4, 4});
    blendLayer(0);
    setChannel(CH_R, 0);
    setChannel(CH_G, 0);
    setChannel(CH_B, 0);
    spreadAlpha(0.003891);
}

// Coloured drawing of a reclining figure with noise shading.
void recipe3() {
    selectLayer(0, 0);
    fillLayer(0x00000000);
    gradientNoise(8);
    gradientMap(0x00000000, 0x54000000);

    selectLayer(1, 0);
    fillLayer(0x00000000);
    valueNoise(24.0, 5);
    gradientMap(0x00000000, 0x32000000);

    selectLayer(2, 0);
    fillLayer(0x00000000);
    lines({17, 4,  6, 6, 10, 3, 2, 5, 6,  4,  42, 27, 17, 21, 10, 9,   2, 36,
           9,  12, 5, 8, 50, 9, 3, 5, 10, 13, 5,  2,  3,  9,  74, 134, 2, 2});
    setChannel(CH_R, 0);
    setChannel(CH_G, 0);

    selectLayer(3, 0);
    fillLayer(0x00000000);
    lines({17, 8, 14, 13, 21, 22, 8, 20});
    setChannel(CH_R, 0);
    setChannel(CH_G, 0);

    selectLayer(4, 0);
    fillLayer(0xFF092E0C);

    selectLayer(5, 0);
    fillLayer(0x00000000);
    lines({23, 12, 6, 19, 17, 9, 15, 8, 5});
    setChannel(CH_R, 0);
    blendLayer(2);
    blendLayer(3);
    flood(0xFFFFFFFF, {{0.007813, 0.519531},
                       {0.09375, 0.726563},
                       {0.018555, 0.683594},
                       {0.072754, 0.953613},
                       {0.693359, 0.664063},
                       {0.321289, 0.677734},
                       {0.574707, 0.76123},
                       {0.867188, 0.588867},
                       {0.806152, 0.708496}});
    copyChannel(CH_A, CH_R);
    stroke(0xFFFFFFFF, 0.007969, {1});
    stroke(0xFFFFFFFF, 0.007195, {1});

    selectLayer(6, 0);
    fillLayer(0x00000000);
    blendLayer(2);
    flood(0xFFFFFFFF, {{0.444336, 0.183594},
                       {0.788086, 0.227539},
                       {0.860352, 0.34082},
                       {0.90332, 0.365234},
                       {0.951172, 0.314453},
                       {0.540039, 0.417969},
                       {0.844727, 0.290039}});
    copyChannel(CH_A, CH_R);

    selectLayer(7, 0);
    fillLayer(0x00000000);
    blendLayer(2);
    flood(0xFFFFFFFF, {{0.670898, 0.194336}});
    blendLayer(3);
    flood(0xFFFFFFFF, {{0.155273, 0.848633},
                       {0.104492, 0.560547},
                       {0.307617, 0.691406},
                       {0.908203, 0.49707},
                       {0.853516, 0.736328}});
    copyChannel(CH_A, CH_R);

    selectLayer(8, 0);
    fillLayer(0xFF302967);
    blendLayer(0);

    selectLayer(9, 0);
    fillLayer(0xFF25A11D);

    selectLayer(10, 0);
    fillLayer(0xFFA3CBDA);
    maskedBlend(9, 7, CH_A);
    maskedBlend(4, 5, CH_A);
    blendLayer(1);

    selectLayer(11, 0);
    fillLayer(0x00000000);
    blendLayer(2);
    flood(0xFFFFFFFF, {{0.194336, 0.837891},
                       {0.516602, 0.641602},
                       {0.672363, 0.118652},
                       {0.685303, 0.092529},
                       {0.871094, 0.682617},
                       {0.012207, 0.390381},
                       {0.002441, 0.373047},
                       {0.620117, 0.166992}});
    copyChannel(CH_A, CH_R);
    flood(0xFFFFFFFF, {{0.682617, 0.1875}, {0.591797, 0.476563}});

    selectLayer(12, 0);
    fillLayer(0x00000000);
    blendLayer(2);
    stroke(0xFFF0F0F0, 0.00642, {2});
    flood(0xFFFFFFFF, {{0.209961, 0.308594},
                       {0.198242, 0.871094},
                       {0.606445, 0.178711},
                       {0.669922, 0.118164},
                       {0.684814, 0.092285},
                       {0.709961, 0.183594}});

    selectLayer(13, 0);
    fillLayer(0x00000000);
    blendLayer(2);
    stroke(0xFFF0F0F0, 0.002549, {2});
    flood(0xFFFFFFFF, {{0.476563, 0.604492}, {0.015625, 0.394531}, {0.00415, 0.368164}});
    copyChannel(CH_A, CH_G);

    selectLayer(14, 0);
    fillLayer(0x00000000);
    blendLayer(2);
    stroke(0xFFF0F0F0, 0.004097, {2});
    flood(0xFFFFFFFF, {{0.272461, 0.71582}, {0.863281, 0.686523}, {0.591797, 0.477539}});
    copyChannel(CH_A, CH_G);

    selectLayer(15, 0);
    fillLayer(0x00000000);
    glow(0xFF000000, 0.139603, {2});
    stroke(0xFF000000, 0.055202, {2});
    stroke(0x00000000, 0.032747, {2});
    glow(0x00000000, 0.045136, {3});
    glow(0x00000000, 0.045911, {2});
    glow(0x00000000, 0.023455, {2});
    glow(0x00000000, 0.088498, {2});
    glow(0x00000000, 0.061397, {2, 6});
    glow(0x0000002D, 0.089272, {3});

    selectLayer(16, 0);
    fillLayer(0x00000000);
    glow(0x00000000, 0.071463, {11});
    glow(0x00000000, 0.018035, {5});
    glow(0x0000006B, 0.138054, {1});
    glow(0x00000000, 0.022681, {3});
    glow(0x00000000, 0.135732, {2});

    selectLayer(17, 0);
    fillLayer(0x00000000);
    glow(0x00000000, 0.2, {1});
    glow(0x00000000, 0.028101, {2});
    glow(0x00000000, 0.117922, {4});
    glow(0x00000000, 0.120245, {2});
    glow(0x00000080, 0.091595, {1});

    selectLayer(18, 1);
    fillLayer(0x00000000);
    maskedBlend(8, 6, CH_A);
    maskedBlend(10, 11, CH_A);
    maskedBlend(15, 12, CH_A);
    maskedBlend(16, 13, CH_A);
    maskedBlend(17, 14, CH_A);

    selectLayer(19, 1);
    fillLayer(0x00000000);
    blendLayer(2);
    setChannel(CH_R, 0);
    setChannel(CH_G, 0);
    setChannel(CH_B, 0);
    spreadAlpha(0.002918);
}

// Line drawing of a dragon inside a ring.
void recipe4() {
    selectLayer(0, 0);
    fillLayer(0x00000000);
    lines({209, 247, 50, 538, 47, 25, 22, 64, 1});
    stroke(0xFFF0F0F0, 0.002549, {2});

    selectLayer(1, 0);
    fillLayer(0x00000000);
    stroke(0xFFFFFFFF, 0.5, {1});
    stroke(0x00000000, 0.49, {1});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    blendLayer(0);
    blendLayer(1);
    stroke(0xFFF0F0F0, 0.001774, {1});
    flood(0xFFFFFFFF, {{0.277344, 0.510742}, {0.331055, 0.092773}, {0.446289, 0.06543}});
    stroke(0xFFF0F0F0, 0.025, {1});
    stroke(0xFFFFFFFF, 0.004872, {1});
}

// Stick figures with a thought bubble holding "2+2=4".
void recipe5() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFFFFFFF, 0.02, {12});
    stroke(0xFFF0F0F0, 0.02, {6, 5});
    stroke(0xFFFFFFFF, 0.057525, {3});
    stroke(0xFFFFFFFF, 0.02, {9, 5, 4, 5});
    stroke(0xFFFFFFFF, 0.038167, {2});
    stroke(0xFFF0F0F0, 0.02, {13, 13, 7});
    stroke(0xFFF0F0F0, 0.053654, {1});
    stroke(0xFFF0F0F0, 0.03507, {3});
    stroke(0xFFF0F0F0, 0.035844, {6});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    lines({4, 398});
    stroke(0xFFF0F0F0, 0.007969, {4});
    flood(0xFFFFFFFF, {{0.554688, 0.085938}});

    selectLayer(2, 0);
    renderText("2+2=4", 64, "Tahoma");
    setChannel(CH_A, 255);
    shiftLayer(0.050781, 0.054688);

    selectLayer(3, 1);
    fillLayer(0x00000000);
    maskedBlend(2, 1, CH_A);
}

// Stick figure with a blue-tinted second drawing.
void recipe6() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.02, {6, 4, 5, 3});
    stroke(0xFFF0F0F0, 0.042813, {5});
    stroke(0xFFF0F0F0, 0.081529, {4});
    stroke(0xFFF0F0F0, 0.02, {7});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.010292, {15, 10});
    stroke(0xFFF0F0F0, 0.02965, {3});
    setChannel(CH_R, 0);
    setChannel(CH_G, 0);
    setChannel(CH_B, 116);
    shiftLayer(0.033203, -0.023438);
}

// Two stick figures, three caption lines.
void recipe7() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.02, {9, 11, 7});
    stroke(0xFFF0F0F0, 0.045136, {3});
    scaleLayer(-1);
    shiftLayer(0.074219, 0.216797);

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.02, {12, 12, 7});
    stroke(0xFFFFFFFF, 0.04049, {2});
    stroke(0xFFFFABB0, 0.031973, {6});
    stroke(0xFFFFABB0, 0.02, {7});
    scaleLayer(-1);
    shiftLayer(0.46875, 0.226563);

    selectLayer(2, 0);
    fillLayer(0x00000000);
    lines({7});

    selectLayer(3, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    shiftLayer(-0.230469, -0.076172);

    selectLayer(4, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    shiftLayer(-0.390625, 0.009766);

    selectLayer(5, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    shiftLayer(-0.115234, -0.179688);

    selectLayer(6, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.086175, {5});
    stroke(0xFFF0F0F0, 0.015712, {4});

    selectLayer(7, 1);
    renderText("Do you know that", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.1875, 0.039063);

    selectLayer(8, 1);
    renderText("x^2 + y^2 = 1", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.197266, 0.089844);

    selectLayer(9, 1);
    renderText("is a circle ?", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.191406, 0.142578);
}

// Two stick figures, one caption.
void recipe8() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.02, {9, 11, 7});
    stroke(0xFFF0F0F0, 0.045136, {3});
    scaleLayer(-1);
    shiftLayer(0.074219, 0.216797);

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.02, {12, 12, 7});
    stroke(0xFFFFFFFF, 0.04049, {2});
    stroke(0xFFFFABB0, 0.031973, {6});
    stroke(0xFFFFABB0, 0.02, {7});
    scaleLayer(-1);
    shiftLayer(0.46875, 0.226563);

    selectLayer(2, 0);
    fillLayer(0x00000000);
    lines({7});

    selectLayer(3, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    shiftLayer(-0.230469, -0.076172);

    selectLayer(4, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    shiftLayer(-0.390625, 0.009766);

    selectLayer(5, 1);
    fillLayer(0x00000000);
    blendLayer(1);
    shiftLayer(-0.115234, -0.179688);

    selectLayer(6, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.086175, {5});
    stroke(0xFFF0F0F0, 0.013389, {9});

    selectLayer(7, 1);
    renderText("Co k**** ?", 64, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.193359, 0.082031);
}

// Two stick figures with a red-drawn part, equation caption.
void recipe9() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.053654, {4});
    stroke(0xFFF0F0F0, 0.02, {10, 6, 13});
    scaleLayer(-1);
    shiftLayer(0.076172, 0.203125);

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFFFFFFF, 0.02, {6});
    stroke(0xFFFFFFFF, 0.014938, {18});
    stroke(0xFFFFFFFF, 0.02, {6, 3, 9});
    flood(0xFFFFFFFF, {{0.779297, 0.335938}});
    stroke(0xFF0000FF, 0.02, {7, 4, 3});
    stroke(0xFFFFFFFF, 0.042813, {3});
    stroke(0xFF0000FF, 0.02, {5, 4, 6});
    scaleLayer(-1);
    shiftLayer(0.419922, 0.201172);
    stroke(0xFFF0F0F0, 0.02, {3, 3});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.087724, {7});
    stroke(0xFFF0F0F0, 0.02, {8});

    selectLayer(3, 1);
    renderText("(y+(|x|-1)^2)^2=2-x^2", 57, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.029297, 0.083984);

    selectLayer(4, 1);
    renderText("I", 57, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.020508, 0.027344);

    selectLayer(5, 1);
    renderText("U", 57, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.021484, 0.148438);
}

// Two stick figures, one caption.
void recipe10() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.053654, {4});
    stroke(0xFFF0F0F0, 0.02, {10, 6, 13});
    scaleLayer(-1);
    shiftLayer(0.076172, 0.203125);

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFFFFFFF, 0.02, {6});
    stroke(0xFFFFFFFF, 0.014938, {18});
    stroke(0xFFFFFFFF, 0.02, {6, 3, 9});
    flood(0xFFFFFFFF, {{0.779297, 0.335938}});
    stroke(0xFF0000FF, 0.02, {7, 4, 3});
    stroke(0xFFFFFFFF, 0.042813, {3});
    stroke(0xFF0000FF, 0.02, {5, 4, 6});
    scaleLayer(-1);
    shiftLayer(0.419922, 0.201172);
    stroke(0xFFF0F0F0, 0.02, {3, 3});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.067591, {9});
    stroke(0xFFF0F0F0, 0.02, {7});

    selectLayer(3, 1);
    renderText("Co k**** ?", 64, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(0.046875, 0.105469);
}

// Handwritten formulas on a board.
void recipe11() {
    selectLayer(0, 0);
    fillLayer(0x00000000);
    lines({7});
    stroke(0xFFF0F0F0, 0.005, {1});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.003323, {16});
    flood(0xFF005800, {{0.37207, 0.119141}});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {13, 9, 14, 10, 9,  16, 14, 25, 16, 10, 10, 16, 8,  8,  41, 13, 5, 15,
                               8,  9, 9,  12, 15, 20, 9,  15, 7,  6,  8,  12, 37, 12, 11, 11, 10});
    scaleLayer(-2);
    shiftLayer(0.264648, 0.083984);

    selectLayer(3, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {2, 6, 6, 5, 7});
    stroke(0xFFF0F0F0, 0.018809, {4});

    selectLayer(4, 1);
    fillLayer(0x00000000);
    blendLayer(3);
    shiftLayer(0.183594, -0.001953);
    blendLayer(3);
    shiftLayer(0.142578, 0.101563);

    selectLayer(5, 1);
    fillLayer(0x00000000);
    blendLayer(4);
    shiftLayer(0.359375, -0.041016);
}

// Two stick figures, two caption lines.
void recipe12() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {9, 8, 5});
    stroke(0xFFF0F0F0, 0.033521, {1});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFFFFFFF, 0.015712, {11});
    stroke(0xFFFFFFFF, 0.021907, {10});
    stroke(0xFFFFFFFF, 0.021132, {8});
    stroke(0xFFFFFFFF, 0.042813, {3});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.066043, {7});
    stroke(0xFFF0F0F0, 0.012615, {10});

    selectLayer(3, 1);
    renderText("There is that group of people", 33, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.027344, 0.089844);

    selectLayer(4, 1);
    renderText("that make best possible graphics in 64KB files", 33, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.011719, 0.138672);
}

// Stick figures and a table, two captions.
void recipe13() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFF8E8B8D, 0.005, {7});
    stroke(0xFF8E8F8B, 0.005, {6});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFF3F3F3C, 0.005, {15});
    flood(0xFFFFFFFF, {{0.425781, 0.439453}});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {14, 8, 10});
    stroke(0xFFF0F0F0, 0.016486, {3});

    selectLayer(3, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {8, 9, 6});
    stroke(0xFFF0F0F0, 0.023455, {3});
    stroke(0xFF000000, 0.001, {4, 4, 5, 4});
    stroke(0xFF000016, 0.001, {5});

    selectLayer(4, 1);
    fillLayer(0x00000000);
    blendLayer(2);
    shiftLayer(-0.147461, -0.196289);

    selectLayer(5, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {6, 4, 7});
    stroke(0xFFF0F0F0, 0.021907, {3});

    selectLayer(6, 1);
    fillLayer(0x00000000);
    stroke(0xFF00FFFF, 0.009518, {3, 3, 4});

    selectLayer(7, 1);
    renderText("Warsaw", 64, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.058594, 0.423828);

    selectLayer(8, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.062946, {4});
    stroke(0xFFF0F0F0, 0.012615, {8});

    selectLayer(9, 1);
    renderText("Is this Demoscene ?", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.097656, 0.058594);
}

// Stick figures and a table, three captions.
void recipe14() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFF8E8B8D, 0.005, {7});
    stroke(0xFF8E8F8B, 0.005, {6});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFF60615F, 0.005, {15});
    flood(0xFFFFFFFF, {{0.425781, 0.439453}});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {14, 8, 10});
    stroke(0xFFF0F0F0, 0.016486, {3});

    selectLayer(3, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {8, 9, 6});
    stroke(0xFFF0F0F0, 0.023455, {3});
    stroke(0xFF000000, 0.001, {4, 4, 5, 4});
    stroke(0xFF000016, 0.001, {5});

    selectLayer(4, 1);
    fillLayer(0x00000000);
    blendLayer(2);
    shiftLayer(-0.147461, -0.196289);

    selectLayer(5, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {6, 4, 7});
    stroke(0xFFF0F0F0, 0.021907, {3});

    selectLayer(6, 1);
    fillLayer(0x00000000);
    stroke(0xFF00FFFF, 0.009518, {3, 3, 4});

    selectLayer(7, 1);
    renderText("Warsaw", 64, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.058594, 0.423828);

    selectLayer(8, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.052105, {4});
    stroke(0xFFF0F0F0, 0.009518, {7});

    selectLayer(9, 1);
    renderText("Yes. Come. Join us.", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.097656, 0.150391);

    selectLayer(10, 1);
    renderText("Grab a beer.", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(-0.115234, 0.191406);
}

// Stick figures and a yellow drawing, two caption lines.
void recipe15() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {14, 8, 10});
    stroke(0xFFF0F0F0, 0.016486, {3});

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {8, 9, 6});
    stroke(0xFFF0F0F0, 0.023455, {3});
    stroke(0xFF000000, 0.001, {4, 4, 5, 4});
    stroke(0xFF000016, 0.001, {5});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    blendLayer(0);
    shiftLayer(-0.147461, -0.196289);

    selectLayer(3, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {6, 4, 7});
    stroke(0xFFF0F0F0, 0.021907, {3});

    selectLayer(4, 1);
    fillLayer(0x00000000);
    stroke(0xFF00FFFF, 0.009518, {3, 3, 4, 5});

    selectLayer(5, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.0583, {5});
    stroke(0xFFF0F0F0, 0.011066, {7});

    selectLayer(6, 1);
    renderText("Last week I made new loader", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(0.082031, 0.417969);

    selectLayer(7, 1);
    renderText("for my intro.", 45, "Tahoma");
    invertChannel(CH_A, CH_R);
    shiftLayer(0.074219, 0.466797);
}

// Stick figure beside an empty yellow frame.
void recipe16() {
    selectLayer(0, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {12, 9, 9});
    stroke(0xFFF0F0F0, 0.021132, {1});
    stroke(0xFF00FFFF, 0.009518, {5});
    shiftLayer(0, -0.117188);

    selectLayer(1, 1);
    fillLayer(0x00000000);
    stroke(0xFFF0F0F0, 0.005, {18});

    selectLayer(2, 1);
    fillLayer(0x00000000);
    blendLayer(0);
    shiftLayer(0.150391, -0.003906);
    blendLayer(0);
    shiftLayer(0.164063, -0.007813);
    blendLayer(0);
    shiftLayer(0.158203, -0.013672);
    blendLayer(0);
    shiftLayer(0.154297, 0.128906);

    selectLayer(3, 1);
    fillLayer(0x00000000);
    blendLayer(2);
    shiftLayer(0.601563, 0.003906);
    blendLayer(2);
    shiftLayer(-0.384766, 0.123047);

    selectLayer(4, 1);
    fillLayer(0x00000000);
    blendLayer(0);
    shiftLayer(0.787109, -0.001953);
}

using Recipe = void (*)();
constexpr Recipe recipes[RECIPE_COUNT] = {
    recipe0, recipe1,  recipe2,  recipe3,  recipe4,  recipe5,  recipe6,  recipe7,  recipe8,
    recipe9, recipe10, recipe11, recipe12, recipe13, recipe14, recipe15, recipe16,
};

} // namespace

const uint32_t* buildTexture(int32_t id) {
    static const bool largePages = (useLargePages(), true);
    (void)largePages;
    if (id < 0) {
        glyphRecipe(uint8_t(0u - uint32_t(id))); // code -id, taken as one byte
    } else {
        resetStack();
        if (id >= RECIPE_COUNT) return nullptr;
        artworkCursor = artworkRecipeStart(id);
        recipes[id]();
    }
    composeVisible();
    return outputImage.pixels;
}
