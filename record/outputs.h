// The files the recording writes: each under NAME.part until the run ends
// well, then renamed; PNG frames, raw video rows, WAV sound.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct PartFile {
    std::string path; // final name; "-" is standard output
    std::FILE* file = nullptr;
};

std::string partName(const std::string& path);

// Opens path.part for writing (or takes standard output for "-").
bool openPart(PartFile& out, const std::string& path);

// The folder exists (created if missing) and a file can be made in it.
bool makeWritableFolder(const std::string& dir);

// RGBA pixels as GL reads them, rows bottom-up, written top-down.
bool writePng(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height);
bool writeRawFrame(std::FILE* file, const uint8_t* pixels, int32_t width, int32_t height);

// A 16-bit stereo 44100 Hz WAV file of `bytes` bytes of PCM.
bool writeWav(std::FILE* file, const void* pcm, uint32_t bytes);
