#include "tests/scenes/scene_textures.h"

#include "frame/intro.h"
#include "texgen/texgen.h"

// The program's upload loop without the loader ticks.
void uploadIntroTextures() {
    for (int32_t id = firstTextureId; id <= lastTextureId; ++id) {
        if (!isTextureId(id)) continue;
        createTextureSlot(id);
        uploadTexturePixels(buildTexture(id));
    }
}
