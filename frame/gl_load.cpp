#include "frame/intro.h"
#include "frame/intro_state.h"
#include "platform/platform.h"

void loadGlEntryPoints() {
    for (int i = 0; i < GlEntryCount; ++i) {
        void* proc = platformGetGlProc(glEntryNames[i]);
        if (!proc) platformExit(-1);
        intro.glEntries.entries[i] = reinterpret_cast<GlProc>(proc);
    }
}
