// The GL pieces the program shares with the offscreen scene harness: the
// vertex stage of every program, the reset before each frame, texture slots.
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "texgen/recipes.h"

// Vertices arrive in clip coordinates; texture coordinate 1 carries the
// vertex position in pixels, origin at the lower-left corner of the screen.
const char sharedVertexSource[] = "uniform vec2 iResolution;\n"
                                  "void main()\n"
                                  "{\n"
                                  "    gl_Position = gl_Vertex;\n"
                                  "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
                                  "    gl_TexCoord[1].xy = (vec2(0.5, 0.5) + 0.5 * gl_Vertex.xy) * "
                                  "iResolution.xy;\n"
                                  "}\n";

void resetFrameState() {
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    glLoadIdentity();
    callUseProgram(0);
}

namespace {

constexpr GLsizei textureSize = 1024;

} // namespace

// Glyph ids are the negated character codes of the glyph set; procedural
// pictures are 0..16.
bool isTextureId(int32_t id) {
    return id >= firstTextureId && id <= lastTextureId && isStartupTexture(id);
}

GLuint createTextureSlot(int32_t id) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    if (id >= 0) {
        intro.textures.numbered[id] = name;
    } else {
        intro.textures.glyphs[-id] = name;
    }
    callActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    return name;
}

void uploadTexturePixels(const uint32_t* pixels) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, textureSize, textureSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
}
