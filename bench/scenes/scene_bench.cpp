// Frame time of each scene at a chosen size (1280 x 720 by default), with the
// real textures and programs, drawn offscreen and waited for with glFinish.
// Processor time counts every thread of the process, the rasteriser's too.
//   --across  spread the frames over the scene's time in the show instead of
//             drawing one moment (the cost of the programs changes with time)
//   --plain   draw the programs without their shortcuts (tests/scenes/plain_shaders)
// Usage: bench_scenes [--size WxH] [--frames N] [--png DIR] [--across] [--plain]
#include "frame/gl_entries.h"
#include "frame/intro_state.h"
#include "scenes/scenes.h"
#include "scenes/shaders.h"
#include "tests/scenes/gl_harness.h"
#include "tests/scenes/plain_shaders.h"
#include "tests/scenes/scene_textures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <time.h>
#include <vector>

namespace {

struct BenchScene {
    const char* name;
    SceneRenderer renderer;
    double sceneTime;
    double duration; // seconds the timeline shows it (shader scenes)
    int picture;
    uint32_t IntroState::*program;
};

const BenchScene benchScenes[] = {
    {"ScrollerScene", ScrollerScene, 3.0, 0.0, 0, nullptr},
    {"CaptionScene", CaptionScene, 1.0, 0.0, 0, nullptr},
    {"PictureScene", PictureScene, 1.0, 0.0, 5, nullptr},
    {"FramedShaderScene (can)", FramedShaderScene, 1.0, 12.8, 0, &IntroState::canProgram},
    {"FramedShaderScene (flight)", FramedShaderScene, 1.0, 6.4, 0, &IntroState::flightProgram},
    {"ShaderScene (waves)", ShaderScene, 1.0, 6.4, 0, &IntroState::wavesProgram},
    {"SphereScene", SphereScene, 1.0, 0.0, 2, nullptr},
    {"BallsScene", BallsScene, 3.0, 6.4, 0, nullptr},
    {"GreetingsScene", GreetingsScene, 3.0, 0.0, 0, nullptr},
    {"EndScene", EndScene, 1.0, 0.0, 0, nullptr},
};

struct Options {
    int width = 1280;
    int height = 720;
    int frames = 10;
    std::string pngDir;
    bool across = false;
    bool plain = false;
};

bool parse(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--size") == 0 && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &options->width, &options->height) != 2)
                return false;
        } else if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
            options->frames = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--png") == 0 && hasValue) {
            options->pngDir = argv[++i];
        } else if (std::strcmp(argv[i], "--across") == 0) {
            options->across = true;
        } else if (std::strcmp(argv[i], "--plain") == 0) {
            options->plain = true;
        } else {
            return false;
        }
    }
    return options->width > 0 && options->height > 0 && options->frames > 0;
}

bool buildPrograms(bool plain) {
    std::string log;
    intro.wavesProgram = buildCheckedProgram(plain ? plainWavesSource : wavesFragmentSource, &log);
    intro.ballsProgram = buildCheckedProgram(plain ? plainBallsSource : ballsFragmentSource, &log);
    intro.flightProgram = buildCheckedProgram(flightFragmentSource, &log); // no shortcuts
    intro.canProgram = buildCheckedProgram(plain ? plainCanSource : canFragmentSource, &log);
    if (!intro.wavesProgram || !intro.ballsProgram || !intro.flightProgram || !intro.canProgram) {
        std::fprintf(stderr, "bench_scenes: a program failed to build:\n%s\n", log.c_str());
        return false;
    }
    return true;
}

// Frame i of n: the scene's usual moment, or spread evenly over its time in the show.
void prepare(const BenchScene& scene, const Options& options, int i) {
    intro.captionLine1 = "So I started thinking about equations";
    intro.captionLine2 = "that will generate nice shapes.";
    intro.pictureTexture = scene.picture;
    intro.pictureFit = 1;
    intro.sceneTime = scene.sceneTime;
    if (options.across && scene.duration > 0)
        intro.sceneTime = (i + 0.5) * scene.duration / options.frames;
    if (scene.program != nullptr) intro.currentProgram = intro.*scene.program;
}

double processMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Cost {
    double wall, processor; // ms
};

Cost drawOnce(const BenchScene& scene) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processMs();
    resetFrame();
    scene.renderer();
    glFinish();
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return {elapsed.count(), processMs() - cpuStart};
}

void measure(const BenchScene& scene, const Options& options) {
    prepare(scene, options, 0);
    drawOnce(scene); // compiles the program's code on first use
    std::vector<double> times;
    double sum = 0, processor = 0;
    for (int i = 0; i < options.frames; ++i) {
        prepare(scene, options, i);
        const Cost cost = drawOnce(scene);
        times.push_back(cost.wall);
        sum += cost.wall;
        processor += cost.processor;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-28s median %8.2f ms  mean %8.2f ms  min %8.2f ms  processor %8.2f ms\n",
                scene.name, times[times.size() / 2], sum / times.size(), times.front(),
                processor / times.size());
    if (!options.pngDir.empty()) {
        std::string path = options.pngDir + "/" + scene.name + ".png";
        std::replace(path.begin(), path.end(), ' ', '_');
        if (!writePng(readFrame(), path.c_str()))
            std::fprintf(stderr, "bench_scenes: cannot write %s\n", path.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    const char usage[] =
        "usage: bench_scenes [--size WxH] [--frames N] [--png DIR] [--across] [--plain]\n";
    if (argc == 2 && !std::strcmp(argv[1], "--help")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!parse(argc, argv, &options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::error_code missing;
    if (!options.pngDir.empty()) std::filesystem::create_directories(options.pngDir, missing);
    if (!startGl(options.width, options.height)) {
        std::fprintf(stderr, "bench_scenes: no offscreen GL context\n");
        return 1;
    }
    std::printf("renderer: %s, %dx%d, %d frames per scene%s%s\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), options.width,
                options.height, options.frames, options.across ? ", across each scene" : "",
                options.plain ? ", plain programs" : "");
    uploadIntroTextures();
    if (!buildPrograms(options.plain)) return 1;
    for (const BenchScene& scene : benchScenes)
        measure(scene, options);
    return 0;
}
