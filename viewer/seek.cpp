#include "frame/gl.h"
#include "frame/intro.h"
#include "frame/intro_state.h"
#include "frame/timeline.h"
#include "synth/synth.h"
#include "viewer/viewer.h"
#include <algorithm>
#include <cmath>

namespace {

// One pass's scene, for what it leaves: the fields it sets and its GL state.
// The pixel it draws is cleared by the next frame.
void replayScene() {
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    resetFrameState();
    intro.sceneRenderer();
    glDisable(GL_SCISSOR_TEST);
}

} // namespace

uint32_t musicByte(double seconds) {
    const double frames = std::nearbyint(std::clamp(seconds, 0.0, 135.0) * audioRate);
    return std::min(uint32_t(frames) * audioFrameBytes, musBytes);
}

// The passes of the main loop before `byte`, without their pictures: the
// clock reads the grid's positions, then `byte` itself.
void seekTo(uint32_t byte) {
    rewindTimeline();
    if (byte > 0) {
        replayScene();
        for (int64_t n = 1;; ++n) {
            if (advanceTimeline()) replayScene();
            const int64_t grid = gridSamples(n, viewer.seekRate) * audioFrameBytes;
            const uint32_t position = uint32_t(std::min<int64_t>(grid, byte));
            updateClocks(static_cast<double>(position) / static_cast<double>(tempo));
            if (position == byte) break;
        }
    }
    seekmus(byte);
}
