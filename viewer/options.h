// Command-line reading shared by the programs' option parsers: values, and
// the one-line error that ends with exit code 2.
#pragma once
#include "frame/frame_rate.h"
#include <cstdint>
#include <string>

struct CommandLine {
    const char* program;
    int argc;
    char** argv;
    int at; // the option being read
};

[[noreturn]] void commandLineError(const CommandLine& line, const std::string& problem);
// The value after the option at line.at (moves past it); an error when missing.
const char* optionValue(CommandLine& line);

bool parseNumber(const char* text, double low, double high, double* value);
bool parseCount(const char* text, int64_t low, int64_t high, int64_t* value);
bool parseSize(const char* text, int32_t* width, int32_t* height); // WxH, 1 to 16384 each
bool parseFrameRate(const char* text, FrameRate* rate);            // N or N/D, 1 to 1000 a second

// The options the player and the headless program share: --start, --scale,
// --loop. False when the option at line.at is none of them.
bool viewerOption(CommandLine& line);
// Their lines of --help.
extern const char viewerOptionsHelp[];
