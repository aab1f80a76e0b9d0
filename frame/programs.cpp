#include "frame/intro.h"
#include "frame/intro_state.h"
#include "frame/progress.h"
#include "platform/platform.h"
#include "scenes/shaders.h"
#include <cstdio>

namespace {

// Diagnostics only: these are looked up beside the entry table and may be
// missing, in which case nothing is reported.
using GetObjectIv = void(APIENTRY*)(GLuint, GLenum, GLint*);
using GetInfoLog = void(APIENTRY*)(GLuint, GLsizei, GLsizei*, char*);

void reportFailure(GLuint object, GLenum statusName, const char* getIv, const char* getLog,
                   const char* what) {
    auto queryIv = reinterpret_cast<GetObjectIv>(platformGetGlProc(getIv));
    auto queryLog = reinterpret_cast<GetInfoLog>(platformGetGlProc(getLog));
    if (!queryIv || !queryLog) return;
    GLint status = 1;
    queryIv(object, statusName, &status);
    if (status) return;
    static char log[4096];
    log[0] = 0;
    queryLog(object, sizeof log, nullptr, log);
    std::fprintf(stderr, "%s failed:\n%s\n", what, log);
}

void reportShader(GLuint shader, const char* kind) {
    reportFailure(shader, GL_COMPILE_STATUS, "glGetShaderiv", "glGetShaderInfoLog", kind);
}

} // namespace

GLuint buildProgram(const char* vertexSource, const char* fragmentSource) {
    const GLuint program = callCreateProgram();
    const GLuint vertex = callCreateShader(GL_VERTEX_SHADER);
    const GLuint fragment = callCreateShader(GL_FRAGMENT_SHADER);
    callShaderSource(vertex, vertexSource);
    callShaderSource(fragment, fragmentSource);
    callCompileShader(vertex);
    callCompileShader(fragment);
    reportShader(vertex, "vertex shader compilation");
    reportShader(fragment, "fragment shader compilation");
    callAttachShader(program, fragment);
    callAttachShader(program, vertex);
    callLinkProgram(program);
    reportFailure(program, GL_LINK_STATUS, "glGetProgramiv", "glGetProgramInfoLog",
                  "program linking");
    return program;
}

void buildPrograms() {
    intro.wavesProgram = buildProgram(sharedVertexSource, wavesFragmentSource);
    progressTick();
    intro.ballsProgram = buildProgram(sharedVertexSource, ballsFragmentSource);
    progressTick();
    intro.flightProgram = buildProgram(sharedVertexSource, flightFragmentSource);
    progressTick();
    intro.canProgram = buildProgram(sharedVertexSource, canFragmentSource);
    progressTick();
    intro.currentProgram = intro.wavesProgram;
}
