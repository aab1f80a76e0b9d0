// Times the texture upload loop's two halves separately on the headless
// backend: building each image (buildTexture) and uploading it to GL.
// usage: startup_split [--size WxH]
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "texgen/texgen.h"
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const char usage[] = "usage: startup_split [--size WxH (1280x720)]\n";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--size") || i + 1 == argc ||
            std::sscanf(argv[++i], "%dx%d", &headless.width, &headless.height) != 2) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    platformCommandLine(argc, argv);
    platformScreenSize(&intro.screenWidth, &intro.screenHeight);
    if (!platformCreateContext()) return 1;
    loadGlEntryPoints();
    double building = 0, uploading = 0;
    int count = 0;
    for (int32_t id = firstTextureId; id <= lastTextureId; ++id) {
        if (!isTextureId(id)) continue;
        Clock::time_point start = Clock::now();
        const uint32_t* pixels = buildTexture(id);
        building += msSince(start);
        start = Clock::now();
        createTextureSlot(id);
        uploadTexturePixels(pixels);
        glFinish();
        uploading += msSince(start);
        ++count;
    }
    std::printf("textures %d build %.0f ms upload %.0f ms\n", count, building, uploading);
    return 0;
}
