#include "scenes/scenes.h"

namespace {
struct NamedRenderer {
    void (*renderer)();
    const char* name;
};
constexpr NamedRenderer namedRenderers[] = {
    {PictureScene, "PictureScene"}, {ScrollerScene, "ScrollerScene"},
    {CaptionScene, "CaptionScene"}, {GreetingsScene, "GreetingsScene"},
    {EndScene, "EndScene"},         {SphereScene, "SphereScene"},
    {ShaderScene, "ShaderScene"},   {FramedShaderScene, "FramedShaderScene"},
    {BallsScene, "BallsScene"},
};
} // namespace

const char* sceneRendererName(void (*renderer)()) {
    for (const NamedRenderer& entry : namedRenderers)
        if (entry.renderer == renderer) return entry.name;
    return "?";
}
