// Times the start-up texture build: all 98 textures in start-up order, with
// the time of every procedural recipe and of all glyphs together. The
// processor time beside the total is less disturbed by other load.
//   bench_texgen [repetitions]   (best of the repetitions is reported)
#include "texgen/ops.h"
#include "texgen/recipes.h"
#include "texgen/texgen.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--help") {
        std::puts("usage: bench_texgen [repetitions (3)]");
        return 0;
    }
    int reps = argc > 1 ? std::atoi(argv[1]) : 3;
    if (reps < 1 || reps > 100) {
        std::fprintf(stderr, "bench_texgen: repetitions must be 1..100\n");
        return 2;
    }
    double best[RECIPE_COUNT + 2];
    double bestCpu = 1e30;
    for (double& b : best)
        b = 1e30;
    for (int rep = 0; rep < reps; ++rep) {
        // Every repetition starts as the program does: glyphs on a fresh stack.
        resetStack();
        rng = XORSHIFT96_START;
        std::clock_t cpu = std::clock();
        double glyphs = 0, total = seconds();
        for (int id = FIRST_STARTUP_ID; id < RECIPE_COUNT; ++id) {
            if (!isStartupTexture(id)) continue;
            double t = seconds();
            buildTexture(id);
            t = seconds() - t;
            if (id < 0)
                glyphs += t;
            else if (t < best[id])
                best[id] = t;
        }
        total = seconds() - total;
        double cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        if (cpuSeconds < bestCpu) bestCpu = cpuSeconds;
        if (glyphs < best[RECIPE_COUNT]) best[RECIPE_COUNT] = glyphs;
        if (total < best[RECIPE_COUNT + 1]) best[RECIPE_COUNT + 1] = total;
    }
    std::printf("81 glyphs    %8.1f ms\n", best[RECIPE_COUNT] * 1e3);
    for (int id = 0; id < RECIPE_COUNT; ++id)
        std::printf("recipe %2d    %8.1f ms\n", id, best[id] * 1e3);
    std::printf("all 98       %8.1f ms wall, %.1f ms processor time (best of %d)\n",
                best[RECIPE_COUNT + 1] * 1e3, bestCpu * 1e3, reps);
    return 0;
}
