// The progress line of a recording on stderr or another descriptor: frames done of the total, the
// rate and the time left. On a terminal it is rewritten in place a few times
// a second; elsewhere (a log) a new line comes every few seconds.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

struct ProgressLine {
    int fd = -1; // -1: off
    bool terminal = false;
    int64_t total = 0;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point shown;
};

// "120/300 frames (40%), 24.0 frames/s, 0:07 left"; finished: "... done in 0:12".
std::string progressText(int64_t done, int64_t total, double seconds, bool finished);

void progressStart(ProgressLine& line, int64_t total, int fd);
void progressFrame(ProgressLine& line, int64_t done);
void progressEnd(ProgressLine& line, int64_t done);
