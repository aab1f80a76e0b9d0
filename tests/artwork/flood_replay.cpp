#include "tests/artwork/flood_replay.h"
#include "texgen/artwork.h"
#include "texgen/ops.h"
#include <initializer_list>

namespace {

struct Seed {
    double x, y;
};

// Walks the drawing steps of one recipe in stream order.
struct StepCursor {
    int recipe;
    int step;  // index into ArtworkSteps
    int point; // index into ArtworkPoints
};

StepCursor cursorFor(int recipe) {
    StepCursor c{recipe, 0, 0};
    while (ArtworkSteps[c.step].recipe != recipe)
        c.point += ArtworkSteps[c.step++].count;
    return c;
}

// Runs the next n steps (lines draw white; strokes and glows in colour).
void draw(StepCursor& c, int n, uint32_t colour = 0xFFF0F0F0u) {
    for (int k = 0; k < n; ++k) {
        const ArtworkStep& s = ArtworkSteps[c.step++];
        const double(*p)[2] = ArtworkPoints + c.point;
        c.point += s.count;
        if (s.kind == ArtworkLines)
            drawPolyline(p, s.count);
        else if (s.kind == ArtworkStroke)
            strokePolyline(p, s.count, colour, s.radius);
        else
            glowPolyline(p, s.count, colour, s.radius);
    }
}

void skip(StepCursor& c, int n) {
    for (int k = 0; k < n; ++k)
        c.point += ArtworkSteps[c.step++].count;
}

void begin(int layer) {
    selectLayer(layer, 0);
    fillLayer(0);
}

struct Recorder {
    std::vector<FloodReport>& out;
    int recipe;

    void operator()(uint32_t colour, std::initializer_list<Seed> seeds) {
        static uint32_t before[1024 * 1024];
        for (Seed s : seeds) {
            const uint32_t* px = currentLayer();
            for (int i = 0; i < 1024 * 1024; ++i)
                before[i] = px[i];
            int sx = int(__builtin_nearbyint(1023 * s.x)),
                sy = int(__builtin_nearbyint(1023 * s.y));
            bool joined = before[sy * 1024 + sx] == colour;
            floodFill(s.x, s.y, colour);
            int changed = 0;
            for (int i = 0; i < 1024 * 1024; ++i)
                changed += px[i] != before[i];
            out.push_back({recipe, layerStack.currentIndex, s.x, s.y, colour, changed, joined});
        }
    }
};

void tiger(std::vector<FloodReport>& out) {
    Recorder flood{out, 2};
    StepCursor c = cursorFor(2);
    resetStack();
    begin(0);
    draw(c, 28);
    begin(1);
    draw(c, 6);
    blendLayer(0);
    draw(c, 9);
    begin(2);
    blendLayer(0);
    for (int ch : {0, 1, 2})
        setChannel(ch, 0);
    flood(0xFF3BA2E9, {{0.496094, 0.135742}});
    flood(0xFF3035C9, {{0.480469, 0.371094}});
    flood(0xFFFFFFFF, {{0.545898, 0.338867}, {0.429688, 0.34375}});
    flood(0xFF22245A, {{0.484375, 0.257813}});
    draw(c, 1, 0x00000000);
    flood(0xFF86D7E9, {{0.438477, 0.279297}});
    flood(0xFF68ADE8, {{0.458008, 0.806641}});
    begin(3);
    blendLayer(1);
    for (int ch : {3, 1, 2})
        setChannel(ch, 0);
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
    begin(4);
    blendLayer(1);
    setChannel(0, 0);
    flood(0xFFFFFFFF,
          {{0.428711, 0.18457}, {0.544922, 0.189453}, {0.638672, 0.116211}, {0.339844, 0.105469}});
}

void reclining(std::vector<FloodReport>& out) {
    Recorder flood{out, 3};
    StepCursor c = cursorFor(3);
    resetStack();
    begin(2);
    draw(c, 36);
    setChannel(0, 0), setChannel(1, 0);
    begin(3);
    draw(c, 8);
    setChannel(0, 0), setChannel(1, 0);
    begin(5);
    draw(c, 9);
    setChannel(0, 0);
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
    skip(c, 2);
    begin(6);
    blendLayer(2);
    flood(0xFFFFFFFF, {{0.444336, 0.183594},
                       {0.788086, 0.227539},
                       {0.860352, 0.34082},
                       {0.90332, 0.365234},
                       {0.951172, 0.314453},
                       {0.540039, 0.417969},
                       {0.844727, 0.290039}});
    begin(7);
    blendLayer(2);
    flood(0xFFFFFFFF, {{0.670898, 0.194336}});
    blendLayer(3);
    flood(0xFFFFFFFF, {{0.155273, 0.848633},
                       {0.104492, 0.560547},
                       {0.307617, 0.691406},
                       {0.908203, 0.49707},
                       {0.853516, 0.736328}});
    begin(11);
    blendLayer(2);
    flood(0xFFFFFFFF, {{0.194336, 0.837891},
                       {0.516602, 0.641602},
                       {0.672363, 0.118652},
                       {0.685303, 0.092529},
                       {0.871094, 0.682617},
                       {0.012207, 0.390381},
                       {0.002441, 0.373047},
                       {0.620117, 0.166992}});
    copyChannel(3, 0);
    flood(0xFFFFFFFF, {{0.682617, 0.1875}, {0.591797, 0.476563}});
    begin(12);
    blendLayer(2);
    draw(c, 1);
    flood(0xFFFFFFFF, {{0.209961, 0.308594},
                       {0.198242, 0.871094},
                       {0.606445, 0.178711},
                       {0.669922, 0.118164},
                       {0.684814, 0.092285},
                       {0.709961, 0.183594}});
    begin(13);
    blendLayer(2);
    draw(c, 1);
    flood(0xFFFFFFFF, {{0.476563, 0.604492}, {0.015625, 0.394531}, {0.00415, 0.368164}});
    begin(14);
    blendLayer(2);
    draw(c, 1);
    flood(0xFFFFFFFF, {{0.272461, 0.71582}, {0.863281, 0.686523}, {0.591797, 0.477539}});
}

void dragon(std::vector<FloodReport>& out) {
    Recorder flood{out, 4};
    StepCursor c = cursorFor(4);
    resetStack();
    begin(0);
    draw(c, 10);
    begin(1);
    draw(c, 1, 0xFFFFFFFF);
    draw(c, 1, 0x00000000);
    begin(2);
    blendLayer(0);
    blendLayer(1);
    draw(c, 1);
    flood(0xFFFFFFFF, {{0.277344, 0.510742}, {0.331055, 0.092773}, {0.446289, 0.06543}});
}

// Pictures with one fill on their own layer after the first `before` steps
// and `drawn` further steps in `colour`.
void single(std::vector<FloodReport>& out, int recipe, int before, int drawn, uint32_t colour,
            Seed seed, uint32_t fill) {
    Recorder flood{out, recipe};
    StepCursor c = cursorFor(recipe);
    resetStack();
    skip(c, before);
    begin(1);
    draw(c, drawn, colour);
    flood(fill, {seed});
}

} // namespace

std::vector<FloodReport> replayFloods() {
    std::vector<FloodReport> out;
    tiger(out);
    reclining(out);
    dragon(out);
    // Picture 5: two line lists and a thin stroke close the thought bubble.
    single(out, 5, 15, 3, 0xFFF0F0F0, {0.554688, 0.085938}, 0xFFFFFFFF);
    for (int recipe : {9, 10})
        single(out, recipe, 4, 5, 0xFFFFFFFF, {0.779297, 0.335938}, 0xFFFFFFFF);
    single(out, 11, 2, 1, 0xFFF0F0F0, {0.37207, 0.119141}, 0xFF005800);
    single(out, 13, 2, 1, 0xFF3F3F3C, {0.425781, 0.439453}, 0xFFFFFFFF);
    single(out, 14, 2, 1, 0xFF60615F, {0.425781, 0.439453}, 0xFFFFFFFF);
    return out;
}
