// Music synthesiser: the public entry points used by the program frame.
#pragma once
#include <cstdint>

constexpr uint32_t musFrames = 5963776;      // stereo frames in MusBuf
constexpr uint32_t musBytes = musFrames * 4; // 23,855,104
constexpr int32_t tempo = 17640;             // output bytes per tick

extern int16_t MusBuf[musFrames * 2]; // interleaved, left first

void genMus(); // synthesises the whole soundtrack into MusBuf
// genMus in two halves, with other start-up work between them: where the
// system renders the soundtrack outside the program (the browser), Begin
// starts it there and End waits for it; elsewhere Begin is genMus.
void genMusBegin();
void genMusEnd();
void startmus(); // starts playback of MusBuf from position 0
double getpos(); // playback position in ticks (bytes / tempo)

// The viewer's controls (not part of the presentation itself): playback moves
// to a byte of MusBuf, or holds its position until resumed.
void seekmus(uint32_t byte);
void pausemus(bool paused);
