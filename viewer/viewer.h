// The viewer: the presentation with controls for the people who watch, show,
// study or record it. Started with no options, the programs play the
// presentation exactly as it is; the viewer runs only when asked for.
#pragma once
#include "frame/frame_rate.h"
#include <cstdint>

struct ViewerSettings {
    bool windowed = false;
    int32_t windowWidth = 0; // 0: a default size
    int32_t windowHeight = 0;
    double start = 0;          // music time to begin at, seconds
    double scale = 1;          // frames drawn at this fraction of the window's size
    bool loop = false;         // play again from 0 after the end
    bool suggestScale = false; // say so when the GL renderer is a software one
    FrameRate seekRate{60, 1}; // the frames of the continuous run a seek reproduces
};

extern ViewerSettings viewer;

// The last byte a seek may reach: the end of the show (muslen ticks).
constexpr uint32_t showEndByte = 1344u * 17640u;

// The byte of a music time, on whole audio frames.
uint32_t musicByte(double seconds);

// Start-up, the start position, playback and the player's loop; ends the
// process like the presentation does.
[[noreturn]] void viewerMain();

// Puts the presentation where a continuous run at viewer.seekRate stands when
// the music reaches `byte`: the timeline's steps up to there fired in order
// with their effects (each scene drawn once, into a single pixel, for the
// state it leaves), the clocks as the loop left them, the music moved there.
void seekTo(uint32_t byte);
