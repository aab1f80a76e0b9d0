#include "frame/intro.h"
#include "frame/progress.h"
#include "texgen/texgen.h"

void uploadTextures() {
    for (int32_t id = firstTextureId; id <= lastTextureId; ++id) {
        if (!isTextureId(id)) continue;
        createTextureSlot(id);
        uploadTexturePixels(buildTexture(id));
        progressTick();
    }
}
