// bench_synth: times genMus per layer path and the layer rendering alone.
// usage: bench_synth [--runs N] [--path scalar|batched|avx2|avx2-gather|avx512|avx512-gather|all]
#include "synth/genmus.h"
#include "synth/synth.h"
#include "synth/wforms.h"
#include "tests/synth/synth_test_util.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <time.h>

namespace {

const char* pathName(LayerPath p) {
    switch (p) {
    case LayerPath::scalar:
        return "scalar";
    case LayerPath::batched:
        return "batched";
    case LayerPath::avx2:
        return "avx2";
    case LayerPath::avx2Gather:
        return "avx2-gather";
    case LayerPath::avx512:
        return "avx512";
    case LayerPath::avx512Gather:
        return "avx512-gather";
    }
    return "?";
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuNow() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Processor time of the calling thread: less disturbed by other load.
double threadCpuNow() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Seconds {
    double wall, processor;
};

// Every pitch group's layers once, one channel, on this thread.
Seconds timeLayersOnly(LayerPath path) {
    WorkerState& ws = vars[1];
    ws.worker = 2;
    double start = now(), cpuStart = threadCpuNow();
    for (uint32_t i = 0; i < songLayout.instrumentCount; ++i) {
        const InstrumentInfo& inst = songLayout.instruments[i];
        ws.params = inst.params;
        for (uint32_t g = 0; g < inst.groupCount; ++g)
            renderLayers(ws, songLayout.groups[inst.firstGroup + g], path);
    }
    return {now() - start, threadCpuNow() - cpuStart};
}

void benchPath(LayerPath path, int runs) {
    double best = 1e9, bestCpu = 1e9, bestLayers = 1e9, bestLayersCpu = 1e9;
    uint64_t hash = 0;
    for (int r = 0; r < runs; ++r) {
        double t0 = now(), c0 = cpuNow();
        genMusUsing(path);
        double wall = now() - t0, cpu = cpuNow() - c0;
        best = std::min(best, wall);
        bestCpu = std::min(bestCpu, cpu);
        hash = musBufHash();
        Seconds layers = timeLayersOnly(path);
        bestLayers = std::min(bestLayers, layers.wall);
        bestLayersCpu = std::min(bestLayersCpu, layers.processor);
    }
    double layerSamples = double(songLayout.layerSamples);
    if (path == LayerPath::scalar || runs == 0)
        std::printf("layer samples per channel: %.0f\n", layerSamples);
    std::printf("path: %s\n", pathName(path));
    std::printf("  genMus wall seconds (best of %d): %.3f\n", runs, best);
    std::printf("  genMus cpu seconds, both threads (best of %d): %.3f\n", runs, bestCpu);
    std::printf("  genMus wall ns per layer sample: %.3f\n", best * 1e9 / layerSamples);
    std::printf("  layers only, one channel, seconds: %.3f\n", bestLayers);
    std::printf("  layers only ns per layer sample: %.3f\n", bestLayers * 1e9 / layerSamples);
    std::printf("  layers only, processor seconds: %.3f (%.3f ns per layer sample)\n",
                bestLayersCpu, bestLayersCpu * 1e9 / layerSamples);
    std::printf("  MusBuf hash: %016llx (%s the recorded one)\n", (unsigned long long)hash,
                hash == musBufExpectedHash ? "equals" : "DIFFERS FROM");
}

} // namespace

int main(int argc, char** argv) {
    int runs = 3;
    const char* which = "all";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--path") && i + 1 < argc) {
            which = argv[++i];
        } else {
            const bool help = !std::strcmp(argv[i], "--help");
            std::fprintf(help ? stdout : stderr,
                         "usage: bench_synth [--runs N] "
                         "[--path scalar|batched|avx2|avx2-gather|avx512|avx512-gather|all]\n");
            return help ? 0 : 2;
        }
    }
    std::printf("fastest path here: %s\n", pathName(bestLayerPath()));
    for (LayerPath p : {LayerPath::scalar, LayerPath::batched, LayerPath::avx2,
                        LayerPath::avx2Gather, LayerPath::avx512, LayerPath::avx512Gather}) {
        if (std::strcmp(which, "all") && std::strcmp(which, pathName(p))) continue;
        if (!layerPathAvailable(p)) {
            std::printf("path: %s (not available on this CPU)\n", pathName(p));
            continue;
        }
        benchPath(p, runs);
    }
    return 0;
}
