// IntroState: the one global record through which all subsystems share state.
#pragma once
#include "frame/gl_entries.h"
#include <cstdint>

using SceneRenderer = void (*)();

struct TextureTable {
    uint32_t numbered[17]; // procedural textures 0..16
    uint32_t glyphs[256];  // by character code; 81 filled
};

struct IntroState {
    void* window;
    int32_t screenWidth;
    int32_t screenHeight;
    const char* captionLine1;
    const char* captionLine2; // null: one line
    int32_t pictureTexture;
    int32_t pictureFit;
    uint32_t currentProgram;
    uint32_t wavesProgram;
    uint32_t canProgram;
    uint32_t ballsProgram;
    uint32_t flightProgram;
    void* dc;
    SceneRenderer sceneRenderer;
    TextureTable textures;
    double sceneTime;
    double musicTime;
    uint32_t progressTicks;
    int32_t timelineStep;
    GlEntryTable glEntries;
};

extern IntroState intro;

// Clock constants of the song.
constexpr float tps = 10.0f;
constexpr int32_t muslen = 1344;
