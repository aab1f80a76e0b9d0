// Prints a program's stage as the browser version compiles it (GLSL ES 3.00):
// es_source vertex | waves | balls | flight | can. Exit 1 when the rewrite fails.
#include "frame/intro.h"
#include "scenes/shaders.h"
#include "web/glsl_es.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* name = argc > 1 ? argv[1] : "";
    const char* source = nullptr;
    ShaderStage stage = ShaderStage::fragment;
    if (std::strcmp(name, "vertex") == 0) {
        source = sharedVertexSource;
        stage = ShaderStage::vertex;
    } else if (std::strcmp(name, "waves") == 0) {
        source = wavesFragmentSource;
    } else if (std::strcmp(name, "balls") == 0) {
        source = ballsFragmentSource;
    } else if (std::strcmp(name, "flight") == 0) {
        source = flightFragmentSource;
    } else if (std::strcmp(name, "can") == 0) {
        source = canFragmentSource;
    }
    if (!source) {
        std::fputs("usage: web_es_source vertex|waves|balls|flight|can\n", stderr);
        return 2;
    }
    const EsShader es = translateToEs300(source, stage);
    if (!es.error.empty()) {
        std::fprintf(stderr, "%s\n", es.error.c_str());
        return 1;
    }
    std::fputs(es.source.c_str(), stdout);
    return 0;
}
