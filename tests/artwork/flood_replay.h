// Replays the part of each picture's recipe that leads up to its flood fills,
// with the real drawing operations and the artwork table, and measures what
// every fill paints.
#pragma once
#include <cstdint>
#include <vector>

struct FloodReport {
    int recipe;
    int layer;   // layer the fill runs on
    double x, y; // seed
    uint32_t colour;
    int changed; // pixels whose value the fill changed
    bool joined; // the seed already held the fill colour (an earlier fill reached it)
};

// Every flood fill of pictures 2..16 in recipe order.
std::vector<FloodReport> replayFloods();
