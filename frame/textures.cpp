#include "frame/intro.h"
#include "frame/intro_state.h"
#include "frame/progress.h"
#include "texgen/texgen.h"

namespace {

constexpr GLsizei textureSize = 1024;

} // namespace

// Glyph ids are the negated character codes of the glyph set: 48..122 and
// space ! ' , - . ; procedural pictures are 0..16.
bool isTextureId(int32_t id) {
    if (id < firstTextureId || id > lastTextureId) return false;
    if (id >= -47 && id <= -1) {
        return id == -32 || id == -33 || id == -39 || id == -44 || id == -45 || id == -46;
    }
    return true;
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

void uploadTextures() {
    for (int32_t id = firstTextureId; id <= lastTextureId; ++id) {
        if (!isTextureId(id)) continue;
        createTextureSlot(id);
        uploadTexturePixels(buildTexture(id));
        progressTick();
    }
}
