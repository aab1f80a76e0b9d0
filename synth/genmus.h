// Generator workers and mixdown: internals shared with tests and tools.
#pragma once
#include "synth/decoder.h"
#include "synth/voice.h"

extern SongLayout songLayout; // the decoded built-in song
extern WorkerState vars[2];   // left (worker 0), right (worker 2)

// Renders one channel into MusBuf: w is 0 (left) or 2 (right).
void genWorker(int32_t w);

// genMus with a chosen layer path; genMus uses the fastest one available.
void genMusUsing(LayerPath path);

// Result of the last genMus: none, or why the song was not rendered
// (MusBuf then holds silence).
SynthError musError();

// Note samples of instrument `index` into the worker's SampleStore and SampleTable.
void renderInstrument(WorkerState& ws, const SongLayout& song, uint32_t index, LayerPath path);

// Adds the instrument's events into the worker's MixBus.
void mixInstrument(WorkerState& ws, const SongLayout& song, uint32_t index);

// Clamps, scales and rounds one bus value to a 16-bit sample.
int16_t busToPcm(float value);

// The worker's MixBus through busToPcm into its channel of MusBuf.
void convertChannel(const WorkerState& ws);
