// musgen: synthesises the soundtrack, writes it as a WAV file (and optionally
// raw PCM) and prints its figures as "name: value" lines.
#include "synth/genmus.h"
#include "synth/song.h"
#include "synth/synth.h"
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

struct Options {
    const char* wavPath = "music.wav";
    const char* rawPath = nullptr;
    LayerPath path = bestLayerPath();
    bool quiet = false;
};

const char usage[] =
    "usage: musgen [--raw FILE.pcm] [--scalar|--batched] [--quiet] [OUTPUT.wav]\n"
    "Synthesises the soundtrack into OUTPUT.wav (music.wav), and with --raw also as\n"
    "raw 16-bit PCM; prints its figures unless --quiet. Each file appears only when\n"
    "complete. Exit codes: 0 done; 1 the song could not be rendered or a file could\n"
    "not be written (no space left, ...; the line says why); 2 a bad option, or an\n"
    "output that cannot be made or written, before anything is rendered.";

const char seeHelp[] = "--help lists the options";

bool parseArgs(int argc, char** argv, Options& o) {
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--raw")) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "musgen: --raw needs a value (%s)\n", seeHelp);
                return false;
            }
            o.rawPath = argv[++i];
        } else if (!std::strcmp(a, "--scalar")) {
            o.path = LayerPath::scalar;
        } else if (!std::strcmp(a, "--batched")) {
            o.path = LayerPath::batched;
        } else if (!std::strcmp(a, "--quiet")) {
            o.quiet = true;
        } else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::puts(usage);
            std::exit(0);
        } else if (a[0] == '-' && a[1] != 0) {
            std::fprintf(stderr, "musgen: unknown option %s (%s)\n", a, seeHelp);
            return false;
        } else if (!havePath) {
            o.wavPath = a;
            havePath = true;
        } else {
            std::fprintf(stderr, "musgen: more than one output file given (%s)\n", seeHelp);
            return false;
        }
    }
    return true;
}

void putLe(unsigned char* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = (unsigned char)(v >> (8 * i));
}

void wavHeader(unsigned char h[44]) {
    std::memcpy(h, "RIFF", 4);
    putLe(h + 4, 36 + musBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe(h + 16, 16, 4);
    putLe(h + 20, 1, 2);      // PCM
    putLe(h + 22, 2, 2);      // channels
    putLe(h + 24, 44100, 4);  // frames per second
    putLe(h + 28, 176400, 4); // bytes per second
    putLe(h + 32, 4, 2);      // bytes per frame
    putLe(h + 34, 16, 2);     // bits per sample
    std::memcpy(h + 36, "data", 4);
    putLe(h + 40, musBytes, 4);
}

// Little-endian samples regardless of the host.
bool writeSamples(FILE* f) {
    static unsigned char chunk[65536];
    const uint32_t perChunk = sizeof chunk / 2;
    for (uint32_t at = 0; at < musFrames * 2; at += perChunk) {
        uint32_t n = musFrames * 2 - at < perChunk ? musFrames * 2 - at : perChunk;
        for (uint32_t i = 0; i < n; ++i)
            putLe(chunk + 2 * i, uint16_t(MusBuf[at + i]), 2);
        if (std::fwrite(chunk, 2, n, f) != n) return false;
    }
    return true;
}

// Writes PATH.part beside the target and renames it over the target; a
// failure removes it and says why.
bool writeFile(const char* path, bool withHeader) {
    const std::string part = std::string(path) + ".part";
    FILE* f = std::fopen(part.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok) {
        unsigned char header[44];
        wavHeader(header);
        ok = (!withHeader || std::fwrite(header, 1, 44, f) == 44) && writeSamples(f);
        ok = std::fflush(f) == 0 && ok;
    }
    int error = errno;
    if (f && std::fclose(f) != 0 && ok) ok = false, error = errno;
    if (ok && std::rename(part.c_str(), path) != 0) ok = false, error = errno;
    if (!ok) {
        if (f) std::remove(part.c_str());
        std::fprintf(stderr, "musgen: cannot write %s: %s\n", path,
                     std::strerror(error ? error : EIO));
    }
    return ok;
}

// The file's folder is made if missing and takes the file: checked before
// the song is rendered.
bool canWrite(const char* path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "musgen: cannot make the folder %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return false;
    }
    const std::string part = std::string(path) + ".part";
    FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "musgen: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::fclose(f);
    std::remove(part.c_str());
    return true;
}

void printInstruments() {
    for (uint32_t i = 0; i < songLayout.instrumentCount; ++i) {
        const InstrumentInfo& inst = songLayout.instruments[i];
        const EventInfo& first = songLayout.events[inst.firstEvent];
        const EventInfo& last = songLayout.events[inst.firstEvent + inst.eventCount - 1];
        std::printf("instrument %u pitch groups: %u\n", i, inst.groupCount);
        std::printf("instrument %u note samples: %u\n", i, inst.sampleCount);
        std::printf("instrument %u sample store used: %u\n", i, inst.storeUsed);
        std::printf("instrument %u events: %u\n", i, inst.eventCount);
        std::printf("instrument %u first event tick: %u\n", i, first.tick);
        std::printf("instrument %u last event tick: %u\n", i, last.tick);
    }
}

void printChannel(const char* name, int channel) {
    int peak = 0;
    uint32_t clipped = 0;
    const float* bus = vars[channel].mixBus;
    for (uint32_t f = 0; f < musFrames; ++f) {
        int v = std::abs(int(MusBuf[2 * f + channel]));
        if (v > peak) peak = v;
        if (bus[f] > 1.0f || bus[f] < -1.0f) ++clipped;
    }
    std::printf("%s peak: %d\n", name, peak);
    std::printf("%s clipped samples: %u\n", name, clipped);
    std::printf("%s layer samples: %llu\n", name, (unsigned long long)vars[channel].layerSamples);
}

bool silentAfter(uint32_t frame) {
    for (uint32_t i = 2 * frame; i < musFrames * 2; ++i)
        if (MusBuf[i] != 0) return false;
    return true;
}

void printFigures(double seconds) {
    std::printf("instdata bytes: %zu\nnotepos bytes: %zu\nnotesamp bytes: %zu\n", instdataSize,
                noteposSize, notesampSize);
    printInstruments();
    std::printf("last note end frame: %u\n", songLayout.endFrame);
    printChannel("left", 0);
    printChannel("right", 1);
    std::printf("silent after last note: %s\n", silentAfter(songLayout.endFrame) ? "yes" : "no");
    std::printf("genMus seconds: %.3f\n", seconds);
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) return 2;
    if (!canWrite(o.wavPath) || (o.rawPath && !canWrite(o.rawPath))) return 2;
    auto start = std::chrono::steady_clock::now();
    genMusUsing(o.path);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (musError() != SynthError::none) {
        std::fprintf(stderr, "musgen: song not rendered: %s\n", synthErrorName(musError()));
        return 1;
    }
    if (!writeFile(o.wavPath, true)) return 1;
    if (o.rawPath && !writeFile(o.rawPath, false)) return 1;
    if (!o.quiet) printFigures(seconds);
    return 0;
}
