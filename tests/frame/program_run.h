// Runs of the programs (intro_headless, intro, the scripts) from tests: each
// in a fresh folder of its own, its output, errors and frame log read back.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct ProgramRun {
    int exitCode;
    std::string log; // the frame log (log.txt of the folder), when asked for
    std::string output;
    std::string errors; // the program's own lines, without GL driver chatter
    fs::path dir;
};

// Runs `command arguments` in a new folder `workDir/name`; @DIR@ in the
// arguments names that folder. With `logged`, --log DIR/log.txt goes first.
ProgramRun runProgram(const fs::path& workDir, const std::string& name, const std::string& command,
                      std::string arguments, bool logged);

std::string readFile(const fs::path& path);
std::vector<std::string> lines(const std::string& text);

// One main-loop frame of the log: its number, clocks, scene, presents, and
// `state`: everything after the number (clocks, scene, timeline fields).
struct FrameLine {
    long long number;
    double musicTime;
    double sceneTime;
    std::string scene;
    int presents;
    std::string state;
};
std::vector<FrameLine> frameLines(const std::string& log);

// RGBA pixels of a PNG file, rows top-down; empty if it cannot be read.
std::vector<uint8_t> readPng(const fs::path& path, uint32_t* width, uint32_t* height);
