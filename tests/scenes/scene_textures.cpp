#include "tests/scenes/scene_textures.h"

#include "frame/gl_entries.h"
#include "frame/intro_state.h"
#include "texgen/texgen.h"

namespace {

bool isGlyphPunctuation(int id) {
    return id == -32 || id == -33 || id == -39 || id == -44 || id == -45 || id == -46;
}

bool isTextureId(int id) {
    return !(id >= -47 && id <= -1) || isGlyphPunctuation(id);
}

} // namespace

void uploadIntroTextures() {
    for (int id = -122; id <= 16; ++id) {
        if (!isTextureId(id)) continue;
        GLuint name = 0;
        glGenTextures(1, &name);
        if (id >= 0)
            intro.textures.numbered[id] = name;
        else
            intro.textures.glyphs[-id] = name;
        callActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, name);
        const uint32_t* pixels = buildTexture(id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, 1024, 1024, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    }
}
