// Times the start-up texture build: all 98 textures in start-up order, with
// the time of every procedural recipe and of all glyphs together.
//   bench_texgen [repetitions]   (best of the repetitions is reported)
#include "texgen/ops.h"
#include "texgen/recipes.h"
#include "texgen/texgen.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char** argv) {
    int reps = argc > 1 ? std::atoi(argv[1]) : 3;
    if (reps < 1 || reps > 100) {
        std::fprintf(stderr, "bench_texgen: repetitions must be 1..100\n");
        return 2;
    }
    double best[RECIPE_COUNT + 2];
    for (double& b : best)
        b = 1e30;
    for (int rep = 0; rep < reps; ++rep) {
        rng = XORSHIFT96_START;
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
        if (glyphs < best[RECIPE_COUNT]) best[RECIPE_COUNT] = glyphs;
        if (total < best[RECIPE_COUNT + 1]) best[RECIPE_COUNT + 1] = total;
    }
    std::printf("81 glyphs    %8.1f ms\n", best[RECIPE_COUNT] * 1e3);
    for (int id = 0; id < RECIPE_COUNT; ++id)
        std::printf("recipe %2d    %8.1f ms\n", id, best[id] * 1e3);
    std::printf("all 98       %8.1f ms (best of %d)\n", best[RECIPE_COUNT + 1] * 1e3, reps);
    return 0;
}
