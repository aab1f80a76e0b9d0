// Recording of what the headless program presents: frames as PNG files or raw
// video, the soundtrack of the recorded range as WAV, a log line per frame,
// the start-up report and a progress line. Files appear under their names
// only when complete: each is written to NAME.part and renamed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RecordSettings {
    std::string pngDir;
    int32_t pngEvery = 0;              // 0: only the pngAt times
    std::vector<double> pngAt;         // music times, ascending
    std::vector<uint32_t> loaderTicks; // loader-bar frames to write
    std::string rawPath;               // "-": standard output
    std::string wavPath;
    std::string logPath; // "-": standard output
    std::string reportPath;
    bool stamp = false;      // milliseconds since start on every log line
    int progressFd = -1;     // where the progress line goes; -1: nowhere
    int64_t totalFrames = 0; // main-loop frames expected, for the progress line
    uint32_t soundFrom = 0;  // byte range of the soundtrack in the WAV
    uint32_t soundTo = UINT32_MAX;
    int32_t width = 0; // size of the frames read back
    int32_t height = 0;
};

extern RecordSettings recording;

// Creates the PNG folder and opens every output; on failure prints one line
// and returns false, before anything is rendered.
bool recordOpen();

void recordLoaderFrame(); // a loader-bar frame is on the screen
void recordPresent();     // a main-loop frame was presented (a blank frame may precede it)
// The pass that presented is over and its frame is still on the screen:
// writes it. False when nothing was presented since the last commit.
bool recordCommit();

// The soundtrack as it starts playing: writes the chosen range of it.
void recordSound(const void* pcm, uint32_t bytes);

// Removes the unfinished files at once; safe in a signal handler.
void recordAbandon();

// Closes the outputs and gives them their names; false when one failed. With
// `keep` false (an interrupted run) the unfinished files are removed instead.
bool recordFinish(bool keep);
