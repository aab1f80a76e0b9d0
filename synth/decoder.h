// Decoding of the three song streams into instruments, note samples and events.
// The decoder checks the whole song, including every buffer it will need,
// before anything is rendered.
#pragma once
#include <cstddef>
#include <cstdint>

// Capacities of one worker's buffers (float samples).
constexpr uint32_t mixBusSize = 8388608;
constexpr uint32_t layerBufferSize = 4194304;
constexpr uint32_t layerClearSize = 851968; // part of LayerBuffer cleared per pitch group
constexpr uint32_t envelopeBufferSize = 4194304;
constexpr uint32_t sampleStoreSize = 917504;
constexpr uint32_t layerTailSamples = 196608; // layer length beyond the first note length

// Capacities of the decoded song.
constexpr uint32_t maxInstruments = 64;
constexpr uint32_t maxPitchGroups = 1024;
constexpr uint32_t maxNoteSamples = 4096;
constexpr uint32_t maxSamplesPerInstrument = 256;
constexpr uint32_t maxEvents = 16384;

enum class SynthError : uint8_t {
    none,
    instdataEnds,     // instdata runs off its end
    noteposEnds,      // notepos runs off its end
    notesampEnds,     // notesamp runs off its end
    trailingBytes,    // a stream continues after its last instrument
    badTable,         // carrier or modulator table number outside 0 ... 5
    badLayerCount,    // layerCount below 1
    badNoteSample,    // an event names a note sample the instrument lacks
    layerOverflow,    // first note length too long for the cleared LayerBuffer
    envelopeOverflow, // a note's envelope exceeds EnvelopeBuffer
    storeOverflow,    // an instrument's note samples exceed SampleStore
    mixOverflow,      // a mixed note sample ends beyond MixBus
    tooMany,          // more instruments, groups, samples or events than the tables hold
};

const char* synthErrorName(SynthError error);

struct InstrumentParams {
    int32_t carrierWave;
    int32_t modulatorWave;
    float carrierDetune;
    float modulatorDetune;
    float depthSpread;
    float depth;
    int32_t layerCount;
    uint32_t seed;
    float sustainLevel;
    float gain;
    float carrierSweep;
    float modulatorSweep;
    float carrierSweepRate;
    float modulatorSweepRate;
    float depthDecay;
    float drive;
    float attackTime;
    float decayTime;
    float releaseTime;
};

struct NoteSampleInfo {
    int8_t velocity;
    uint8_t length;  // ticks
    uint32_t attack; // segment lengths in internal samples
    uint32_t decay;
    uint32_t sustain; // 0: no sustain segment
    uint32_t release;
    uint32_t envLength;   // N, all five segments
    uint32_t frames;      // M = ceil(N / 4) output frames
    uint32_t storeOffset; // start inside SampleStore
};

struct PitchGroupInfo {
    uint32_t note;         // MIDI note number
    double step;           // phase step, table units per internal sample
    uint32_t layerSamples; // C
    uint32_t firstSample;  // index into SongLayout::samples
    uint32_t sampleCount;
};

struct EventInfo {
    uint32_t tick;
    uint32_t frame;
    uint32_t sample; // note-sample number within the instrument
};

struct InstrumentInfo {
    InstrumentParams params;
    uint32_t firstGroup, groupCount;
    uint32_t firstSample, sampleCount;
    uint32_t firstEvent, eventCount;
    uint32_t storeUsed; // SampleStore samples
    uint32_t endFrame;  // one past the last frame any event writes
};

struct SongLayout {
    SynthError error;
    const char* errorStream; // stream in which the error was found
    size_t errorOffset;      // byte offset there
    uint32_t instrumentCount, groupCount, sampleCount, eventCount;
    uint32_t endFrame;     // one past the last frame of the last-ending note sample
    uint64_t layerSamples; // per channel: sum of layerCount * C
    InstrumentInfo instruments[maxInstruments];
    PitchGroupInfo groups[maxPitchGroups];
    NoteSampleInfo samples[maxNoteSamples];
    EventInfo events[maxEvents];
};

struct SongStreams {
    const int8_t* instdata;
    size_t instdataLength;
    const uint8_t* notepos;
    size_t noteposLength;
    const uint8_t* notesamp;
    size_t notesampLength;
};

SongStreams songStreams(); // the built-in song

// Decodes and checks the streams; layout.error tells whether the song is usable.
void decodeSong(const SongStreams& streams, SongLayout& layout);

// Parameter j decoded from its byte; sweep rates already cubed.
InstrumentParams decodeParams(const int8_t bytes[19]);

// Length in internal samples of an envelope segment with time factor f.
uint32_t segmentLength(double factor);
