// Prints one fragment program's source, for checking it with other compilers.
// Usage: scene_shader_source waves|balls|flight|can
#include "scenes/shaders.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const struct {
        const char* name;
        const char* source;
    } programs[] = {{"waves", wavesFragmentSource},
                    {"balls", ballsFragmentSource},
                    {"flight", flightFragmentSource},
                    {"can", canFragmentSource}};
    for (const auto& program : programs)
        if (argc == 2 && std::strcmp(argv[1], program.name) == 0) {
            std::fputs(program.source, stdout);
            return 0;
        }
    std::fprintf(stderr, "usage: scene_shader_source waves|balls|flight|can\n");
    return 2;
}
