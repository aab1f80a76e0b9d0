// The fixed schedule of scenes: 27 steps on multiples of 3.2 s of music.
#include "frame/timeline.h"

#include "frame/intro_state.h"
#include "frame/progress.h"
#include "scenes/scenes.h"

namespace {

enum class Caption { Keep, Line1, BothLines };

struct TimelineStep {
    int k; // fires once musicTime > k * 3.2
    SceneRenderer renderer;
    Caption caption;
    const char* line1;
    const char* line2;
    int32_t picture;               // -1: keep
    int32_t fit;                   // -1: keep
    uint32_t IntroState::*program; // null: keep
};

constexpr int32_t keep = -1;

constexpr TimelineStep caption2(int k, const char* line1, const char* line2) {
    return {k, CaptionScene, Caption::BothLines, line1, line2, keep, keep, nullptr};
}
constexpr TimelineStep caption1(int k, const char* line1) {
    return {k, CaptionScene, Caption::Line1, line1, nullptr, keep, keep, nullptr};
}
constexpr TimelineStep picture(int k, int32_t number, int32_t fit = keep) {
    return {k, PictureScene, Caption::Keep, nullptr, nullptr, number, fit, nullptr};
}
constexpr TimelineStep shader(int k, SceneRenderer renderer, uint32_t IntroState::*program) {
    return {k, renderer, Caption::Keep, nullptr, nullptr, keep, keep, program};
}
constexpr TimelineStep scene(int k, SceneRenderer renderer) {
    return {k, renderer, Caption::Keep, nullptr, nullptr, keep, keep, nullptr};
}

constexpr TimelineStep timeline[] = {
    caption2(5, "wheny I was litle boy", "my parents taught me math."),
    picture(6, 5, 1),
    caption2(7, "So I started thinking about equations", "that will generate nice shapes."),
    picture(8, 6),
    caption2(9, "It was fun. But I felt alone.", nullptr),
    picture(10, 7),
    picture(11, 8),
    caption1(12, "Nobody understood me."),
    picture(13, 9),
    picture(14, 10),
    caption2(15, "When I joined a group of mathmaticans", "it was better."),
    picture(16, 11),
    caption2(17, "But still I was alone.", nullptr),
    caption1(18, "And then somebody told me that..."),
    picture(19, 12),
    caption1(20, "Thats how I found Stonefair."),
    picture(21, 13),
    picture(22, 14),
    picture(23, 15),
    shader(24, FramedShaderScene, &IntroState::canProgram),
    shader(28, FramedShaderScene, &IntroState::flightProgram),
    shader(30, ShaderScene, &IntroState::wavesProgram),
    picture(32, 2, 1),
    scene(34, SphereScene),
    scene(36, BallsScene),
    scene(38, GreetingsScene),
    scene(40, EndScene),
};
constexpr int timelineLength = sizeof(timeline) / sizeof(timeline[0]);
static_assert(timelineLength == 27);

void applyStep(const TimelineStep& step) {
    if (step.caption != Caption::Keep) intro.captionLine1 = step.line1;
    if (step.caption == Caption::BothLines) intro.captionLine2 = step.line2;
    if (step.fit != keep) intro.pictureFit = step.fit;
    if (step.picture != keep) intro.pictureTexture = step.picture;
    if (step.program != nullptr) intro.currentProgram = intro.*step.program;
    intro.sceneRenderer = step.renderer;
}

} // namespace

bool advanceTimeline() {
    const int32_t s = intro.timelineStep;
    if (s < 0 || s >= timelineLength) return false;
    const TimelineStep& step = timeline[s];
    if (intro.musicTime <= step.k * 3.2) return false;
    applyStep(step);
    intro.sceneTime = 0;
    intro.timelineStep = s + 1;
    return true;
}

void updateTimeline() {
    if (advanceTimeline() && intro.sceneRenderer != SphereScene) blankFrame();
}

void rewindTimeline() {
    intro.timelineStep = 0;
    intro.sceneRenderer = ScrollerScene;
    intro.captionLine1 = nullptr;
    intro.captionLine2 = nullptr;
    intro.pictureTexture = 0;
    intro.pictureFit = 0;
    intro.currentProgram = intro.wavesProgram;
    intro.musicTime = 0;
    intro.sceneTime = 0;
}
