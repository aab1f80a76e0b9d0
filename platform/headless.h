// Settings of the headless backend, set by its program before start-up: the
// offscreen surface, the virtual audio device's frame grid and the scripted
// keyboard of test runs.
#pragma once
#include "frame/frame_rate.h"
#include "platform/platform.h"
#include <cstdint>
#include <string>
#include <vector>

struct ScriptedKey {
    int64_t frame; // pressed once this many main-loop frames are presented
    PlatformKey key;
};

struct HeadlessSettings {
    int32_t width = 1280;
    int32_t height = 720;
    FrameRate rate;                // the audio clock moves one frame of it per presented frame
    int64_t stopByte = -1;         // quit once the audio position reaches it
    int64_t escapeFrame = -1;      // quit after this main-loop frame
    bool escapeLoading = false;    // Escape held from the start
    bool noAudio = false;          // no audio device
    std::string hiddenEntry;       // a GL entry point to answer with null
    bool failPixelFormat = false;  // a pixel format that cannot be set
    bool failContext = false;      // a GL context that cannot be created
    std::vector<ScriptedKey> keys; // ascending frames
};

extern HeadlessSettings headless;

// True once SIGINT or SIGTERM has arrived; 0 or the signal's number.
int headlessSignal();
