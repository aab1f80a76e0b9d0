#include "synth/decoder.h"
#include "synth/fpmath.h"
#include "synth/song.h"
#include <bit>

namespace {

struct ByteReader {
    const uint8_t* data;
    size_t length;
    size_t at;
};

bool readByte(ByteReader& r, uint8_t& out) {
    if (r.at >= r.length) return false;
    out = r.data[r.at++];
    return true;
}

struct DecodeContext {
    SongLayout& layout;
    ByteReader inst, pos, samp;
};

bool fail(DecodeContext& c, SynthError error, const char* stream, size_t offset) {
    c.layout.error = error;
    c.layout.errorStream = stream;
    c.layout.errorOffset = offset;
    return false;
}

bool instByte(DecodeContext& c, uint8_t& out) {
    return readByte(c.inst, out) || fail(c, SynthError::instdataEnds, "instdata", c.inst.at);
}

// Integer parameters: the factor's bit pattern is the multiplier, the sign
// of the byte becomes the top bit (as a float's sign would).
uint32_t integerParam(int8_t n, int j) {
    uint32_t scale = std::bit_cast<uint32_t>(paramw[18 - j]);
    uint32_t magnitude = uint32_t(n < 0 ? -n : n) * scale;
    return n < 0 ? magnitude | 0x80000000u : magnitude;
}

float floatParam(int8_t n, int j) {
    return float(n) * paramw[18 - j];
}

float cubedParam(int8_t n, int j) {
    float v = floatParam(n, j);
    return v * v * v;
}

bool checkParams(DecodeContext& c, const InstrumentParams& p, size_t at) {
    auto badTable = [](int32_t t) { return t < 0 || t > 5; };
    if (badTable(p.carrierWave)) return fail(c, SynthError::badTable, "instdata", at);
    if (badTable(p.modulatorWave)) return fail(c, SynthError::badTable, "instdata", at + 1);
    if (p.layerCount < 1) return fail(c, SynthError::badLayerCount, "instdata", at + 6);
    return true;
}

bool addNoteSample(DecodeContext& c, InstrumentInfo& inst, int8_t velocity, uint8_t length) {
    SongLayout& l = c.layout;
    if (l.sampleCount >= maxNoteSamples || inst.sampleCount >= maxSamplesPerInstrument)
        return fail(c, SynthError::tooMany, "instdata", c.inst.at);
    const InstrumentParams& p = inst.params;
    NoteSampleInfo& s = l.samples[l.sampleCount++];
    s.velocity = velocity;
    s.length = length;
    s.attack = segmentLength(exp2Portable(p.attackTime));
    s.decay = segmentLength(exp2Portable(p.decayTime));
    s.release = segmentLength(exp2Portable(p.releaseTime));
    uint64_t held = uint64_t(length) * tickSamples;
    uint64_t attackDecay = uint64_t(s.attack) + s.decay;
    s.sustain = held > attackDecay ? uint32_t(held - attackDecay) : 0;
    uint64_t total = attackDecay + s.sustain + s.release + uint32_t(finalamp);
    if (total > envelopeBufferSize)
        return fail(c, SynthError::envelopeOverflow, "instdata", c.inst.at - 1);
    s.envLength = uint32_t(total);
    s.frames = (s.envLength + 3) / 4;
    s.storeOffset = inst.storeUsed;
    if (uint64_t(inst.storeUsed) + s.frames > sampleStoreSize)
        return fail(c, SynthError::storeOverflow, "instdata", c.inst.at - 1);
    inst.storeUsed += s.frames;
    inst.sampleCount++;
    return true;
}

// Pairs of one pitch group, up to and including the 0 that ends them.
bool decodePairs(DecodeContext& c, InstrumentInfo& inst, PitchGroupInfo& g) {
    uint8_t velocity = 0, length = 0;
    if (!instByte(c, velocity)) return false;
    for (bool first = true; first || velocity != 0; first = false) {
        if (!instByte(c, length)) return false;
        if (first) {
            uint64_t samples = uint64_t(length) * tickSamples + layerTailSamples;
            if (samples > layerClearSize)
                return fail(c, SynthError::layerOverflow, "instdata", c.inst.at - 1);
            g.layerSamples = uint32_t(samples);
        }
        if (!addNoteSample(c, inst, int8_t(velocity), length)) return false;
        g.sampleCount++;
        if (!instByte(c, velocity)) return false;
    }
    return true;
}

bool decodeGroups(DecodeContext& c, InstrumentInfo& inst) {
    SongLayout& l = c.layout;
    double step = basefreq;
    uint32_t note = 0;
    uint8_t byte = 0;
    if (!instByte(c, byte)) return false;
    for (bool first = true;; first = false) {
        if (l.groupCount >= maxPitchGroups)
            return fail(c, SynthError::tooMany, "instdata", c.inst.at - 1);
        PitchGroupInfo& g = l.groups[l.groupCount++];
        for (uint32_t k = 0; k <= byte; ++k)
            step *= double(halfnote);
        note = first ? byte : note + byte + 1;
        g = PitchGroupInfo{note, step, 0, l.sampleCount, 0};
        if (!decodePairs(c, inst, g)) return false;
        inst.groupCount++;
        l.layerSamples += uint64_t(inst.params.layerCount) * g.layerSamples;
        if (!instByte(c, byte)) return false;
        if (byte & 0x80) return true;
    }
}

bool decodeEvents(DecodeContext& c, InstrumentInfo& inst) {
    SongLayout& l = c.layout;
    uint64_t tick = 0;
    uint8_t number = 0;
    if (!readByte(c.samp, number)) return fail(c, SynthError::notesampEnds, "notesamp", c.samp.at);
    for (;;) {
        uint8_t b = 0, b2 = 0;
        if (!readByte(c.pos, b)) return fail(c, SynthError::noteposEnds, "notepos", c.pos.at);
        uint32_t delta = b;
        if (b & 0x80) {
            if (!readByte(c.pos, b2)) return fail(c, SynthError::noteposEnds, "notepos", c.pos.at);
            delta = (255u - b) * 256u + b2;
        }
        tick += delta;
        if (number >= inst.sampleCount)
            return fail(c, SynthError::badNoteSample, "notesamp", c.samp.at - 1);
        const NoteSampleInfo& s = l.samples[inst.firstSample + number];
        uint64_t frame = tick * tickFrames;
        if (frame + s.frames > mixBusSize)
            return fail(c, SynthError::mixOverflow, "notepos", c.pos.at - 1);
        if (l.eventCount >= maxEvents) return fail(c, SynthError::tooMany, "notesamp", c.samp.at);
        l.events[l.eventCount++] = EventInfo{uint32_t(tick), uint32_t(frame), number};
        inst.eventCount++;
        uint32_t end = uint32_t(frame + s.frames);
        if (end > inst.endFrame) inst.endFrame = end;
        if (!readByte(c.samp, number))
            return fail(c, SynthError::notesampEnds, "notesamp", c.samp.at);
        if (number & 0x80) return true;
    }
}

bool decodeInstrument(DecodeContext& c) {
    SongLayout& l = c.layout;
    if (l.instrumentCount >= maxInstruments)
        return fail(c, SynthError::tooMany, "instdata", c.inst.at);
    InstrumentInfo& inst = l.instruments[l.instrumentCount++];
    inst = InstrumentInfo{};
    size_t start = c.inst.at;
    if (c.inst.length - start < size_t(paramCount))
        return fail(c, SynthError::instdataEnds, "instdata", c.inst.length);
    inst.params = decodeParams(reinterpret_cast<const int8_t*>(c.inst.data + start));
    c.inst.at += paramCount;
    if (!checkParams(c, inst.params, start)) return false;
    inst.firstGroup = l.groupCount;
    inst.firstSample = l.sampleCount;
    inst.firstEvent = l.eventCount;
    if (!decodeGroups(c, inst) || !decodeEvents(c, inst)) return false;
    if (inst.endFrame > l.endFrame) l.endFrame = inst.endFrame;
    return true;
}

bool decodeAll(DecodeContext& c) {
    for (;;) {
        if (!decodeInstrument(c)) return false;
        if (c.inst.at >= c.inst.length)
            return fail(c, SynthError::instdataEnds, "instdata", c.inst.at);
        if (c.inst.data[c.inst.at] & 0x80) break; // end of the instruments
    }
    c.inst.at++;
    if (c.inst.at != c.inst.length)
        return fail(c, SynthError::trailingBytes, "instdata", c.inst.at);
    if (c.pos.at != c.pos.length) return fail(c, SynthError::trailingBytes, "notepos", c.pos.at);
    if (c.samp.at != c.samp.length)
        return fail(c, SynthError::trailingBytes, "notesamp", c.samp.at);
    return true;
}

} // namespace

const char* synthErrorName(SynthError error) {
    switch (error) {
    case SynthError::none:
        return "none";
    case SynthError::instdataEnds:
        return "instdata ends inside an instrument";
    case SynthError::noteposEnds:
        return "notepos ends inside an event list";
    case SynthError::notesampEnds:
        return "notesamp ends inside an event list";
    case SynthError::trailingBytes:
        return "bytes after the end of a stream";
    case SynthError::badTable:
        return "waveform table number outside 0...5";
    case SynthError::badLayerCount:
        return "layer count below 1";
    case SynthError::badNoteSample:
        return "event names a missing note sample";
    case SynthError::layerOverflow:
        return "note too long for the layer buffer";
    case SynthError::envelopeOverflow:
        return "note too long for the envelope buffer";
    case SynthError::storeOverflow:
        return "note samples exceed the sample store";
    case SynthError::mixOverflow:
        return "note sample ends beyond the mix bus";
    case SynthError::tooMany:
        return "more song items than the decoder holds";
    }
    return "unknown";
}

InstrumentParams decodeParams(const int8_t b[19]) {
    InstrumentParams p;
    p.carrierWave = int32_t(b[0]);
    p.modulatorWave = int32_t(b[1]);
    p.carrierDetune = floatParam(b[2], 2);
    p.modulatorDetune = floatParam(b[3], 3);
    p.depthSpread = floatParam(b[4], 4);
    p.depth = floatParam(b[5], 5);
    p.layerCount = int32_t(b[6]);
    p.seed = integerParam(b[7], 7);
    p.sustainLevel = floatParam(b[8], 8);
    p.gain = floatParam(b[9], 9);
    p.carrierSweep = floatParam(b[10], 10);
    p.modulatorSweep = floatParam(b[11], 11);
    p.carrierSweepRate = cubedParam(b[12], 12);
    p.modulatorSweepRate = cubedParam(b[13], 13);
    p.depthDecay = cubedParam(b[14], 14);
    p.drive = floatParam(b[15], 15);
    p.attackTime = floatParam(b[16], 16);
    p.decayTime = floatParam(b[17], 17);
    p.releaseTime = floatParam(b[18], 18);
    return p;
}

uint32_t segmentLength(double factor) {
    double n = roundEven(factor * double(finalamp));
    if (!(n < 2147483648.0)) return 0x80000000u; // beyond every buffer
    return n < 1 ? 1 : uint32_t(n);              // a zero-length segment renders one sample
}

SongStreams songStreams() {
    return SongStreams{instdata, instdataSize, notepos, noteposSize, notesamp, notesampSize};
}

void decodeSong(const SongStreams& s, SongLayout& layout) {
    layout.error = SynthError::none;
    layout.errorStream = nullptr;
    layout.errorOffset = 0;
    layout.instrumentCount = layout.groupCount = layout.sampleCount = layout.eventCount = 0;
    layout.endFrame = 0;
    layout.layerSamples = 0;
    DecodeContext c{layout,
                    {reinterpret_cast<const uint8_t*>(s.instdata), s.instdataLength, 0},
                    {s.notepos, s.noteposLength, 0},
                    {s.notesamp, s.notesampLength, 0}};
    decodeAll(c);
}
