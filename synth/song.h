// Song streams and the synthesiser's constant tables.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t instdataSize = 609;
constexpr size_t noteposSize = 1663;
constexpr size_t notesampSize = 1667;

extern const int8_t instdata[instdataSize];  // instruments: parameters and pitch groups
extern const uint8_t notepos[noteposSize];   // event time deltas in ticks
extern const uint8_t notesamp[notesampSize]; // event note-sample numbers

constexpr int paramCount = 19;
extern const float paramw[paramCount]; // parameter factors, reverse parameter order

constexpr float basefreq = 2.8669869899749756f; // step one semitone below MIDI note 0
constexpr float halfnote = 1.0594631433486938f; // 2^(1/12)
constexpr float velfac = 0.007874015718698502f; // 1/127
constexpr int32_t finalamp = 32767;             // full scale, envelope time unit
constexpr float wavestep = 0.000030517578125f;  // 2^-15
constexpr int resampTaps = 24;
extern const int8_t resamp[resampTaps]; // 4:1 decimation filter taps

constexpr uint32_t tickSamples = 17640; // internal samples (176,400 Hz) per tick
constexpr uint32_t tickFrames = 4410;   // output frames (44,100 Hz) per tick
