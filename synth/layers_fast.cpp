#include "synth/voice.h"

bool layerPathAvailable(LayerPath path) {
    return path == LayerPath::scalar;
}
LayerPath bestLayerPath() {
    return LayerPath::scalar;
}
void renderLayersBatched(WorkerState& ws, const PitchGroupInfo& group, LayerPath) {
    for (int32_t l = 0; l < ws.params.layerCount; ++l)
        mklayer(ws, group.step, group.layerSamples);
}
