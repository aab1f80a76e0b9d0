// clockprobe: plays a silent buffer through the SDL backend's audio path and
// reads the position at steady frame rates, as the main loop does. For each
// rate it prints the reads that saw no advance, the largest difference between
// an advance and the wall time between its two reads, and how often the
// position went backwards or past the bytes handed to the device so far, and
// the largest time between two device callbacks (a late callback holds the
// position back: it never passes what the device was given).
// SDL_AUDIODRIVER defaults to dummy (no sound card needed). Exit code 1 when
// the position ever went backwards or past the bytes handed over.
#include "platform/platform.h"
#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// The bytes the backend's callback has handed to the device, counted by a
// callback wrapped around the backend's own (both run under the device lock).
extern "C" SDL_AudioDeviceID __real_SDL_OpenAudioDevice(const char*, int, const SDL_AudioSpec*,
                                                        SDL_AudioSpec*, int);

namespace {

using Clock = std::chrono::steady_clock;
constexpr double bytesPerSecond = 176400.0;

SDL_AudioCallback backendCallback;
void* backendUserdata;
SDL_AudioDeviceID device;
int64_t handedBytes;
Clock::time_point lastCallback;
Clock::duration largestCallbackGap; // since the last reset

void countingCallback(void*, Uint8* stream, int length) {
    const Clock::time_point now = Clock::now();
    backendCallback(backendUserdata, stream, length);
    handedBytes += length;
    if (lastCallback != Clock::time_point{})
        largestCallbackGap = std::max(largestCallbackGap, now - lastCallback);
    lastCallback = now;
}

// The largest time between two callbacks since the last call.
double takeLargestCallbackGapMs() {
    SDL_LockAudioDevice(device);
    const std::chrono::duration<double, std::milli> gap = largestCallbackGap;
    largestCallbackGap = {};
    SDL_UnlockAudioDevice(device);
    return gap.count();
}

struct Options {
    double seconds = 5.0;
    std::vector<int> rates = {60, 144};
};

struct Figures {
    int reads = 0;
    int withoutAdvance = 0;
    double largestGapMs = 0.0; // |advance - wall time| between two reads
    double largestCallbackGapMs = 0.0;
    int backwards = 0;
    int pastHanded = 0;
};

struct Reading {
    int32_t position;
    int64_t handed;
    Clock::time_point time;
};

Reading readClock() {
    SDL_LockAudioDevice(device);
    const Clock::time_point time = Clock::now();
    const int32_t position = platformAudioPosition();
    const int64_t handed = handedBytes;
    SDL_UnlockAudioDevice(device);
    return {position, handed, time};
}

Figures probe(int rate, double seconds) {
    Figures figures;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
    const int count = int(std::lround(seconds * rate));
    takeLargestCallbackGapMs();
    Reading previous = readClock();
    Clock::time_point next = previous.time + period;
    for (int i = 0; i < count; ++i, next += period) {
        std::this_thread::sleep_until(next);
        const Reading now = readClock();
        const double advance = (now.position - previous.position) / bytesPerSecond;
        const double wall = std::chrono::duration<double>(now.time - previous.time).count();
        ++figures.reads;
        if (now.position == previous.position) ++figures.withoutAdvance;
        if (now.position < previous.position) ++figures.backwards;
        if (now.position > now.handed) ++figures.pastHanded;
        figures.largestGapMs = std::max(figures.largestGapMs, std::fabs(advance - wall) * 1000.0);
        previous = now;
    }
    figures.largestCallbackGapMs = takeLargestCallbackGapMs();
    return figures;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--seconds" && i + 1 < argc) {
            options.seconds = std::atof(argv[++i]);
            if (!(options.seconds > 0.0 && options.seconds <= 60.0)) return false;
        } else if (option == "--fps" && i + 1 < argc) {
            options.rates.clear();
            for (const char* at = argv[++i]; *at;) {
                char* end = nullptr;
                const long rate = std::strtol(at, &end, 10);
                if (end == at || rate < 1 || rate > 1000 || (*end && *end != ',')) return false;
                options.rates.push_back(int(rate));
                at = *end ? end + 1 : end;
            }
        } else {
            return false;
        }
    }
    return !options.rates.empty();
}

// Waits until the device has started to play (the position left 0).
bool waitForPlayback() {
    const Clock::time_point limit = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < limit) {
        if (readClock().position > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

} // namespace

extern "C" SDL_AudioDeviceID __wrap_SDL_OpenAudioDevice(const char* name, int capture,
                                                        const SDL_AudioSpec* desired,
                                                        SDL_AudioSpec* obtained, int changes) {
    SDL_AudioSpec counted = *desired;
    backendCallback = desired->callback;
    backendUserdata = desired->userdata;
    counted.callback = countingCallback;
    counted.userdata = nullptr;
    device = __real_SDL_OpenAudioDevice(name, capture, &counted, obtained, changes);
    return device;
}

int main(int argc, char** argv) {
    Options options;
    const char usage[] = "usage: clockprobe [--seconds S (5)] [--fps N,N,... (60,144)]\n";
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!parseOptions(argc, argv, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    double total = options.seconds * double(options.rates.size()) + 10.0;
    static std::vector<uint8_t> silence(size_t(total * bytesPerSecond) & ~size_t(3));
    platformStartAudio(silence.data(), uint32_t(silence.size()));
    if (platformAudioPosition() < 0 || device == 0) {
        std::fputs("clockprobe: no audio device could be opened\n", stderr);
        return 2;
    }
    std::printf("audio driver: %s\n", SDL_GetCurrentAudioDriver());
    if (!waitForPlayback()) {
        std::fputs("clockprobe: the device never started to play\n", stderr);
        return 2;
    }
    bool sound = true;
    for (int rate : options.rates) {
        const Figures f = probe(rate, options.seconds);
        std::printf("%d fps, %d reads: %d without advance, largest |advance - wall time| %.2f ms, "
                    "backwards %d, past the bytes handed over %d (largest time between two "
                    "callbacks %.1f ms)\n",
                    rate, f.reads, f.withoutAdvance, f.largestGapMs, f.backwards, f.pastHanded,
                    f.largestCallbackGapMs);
        sound = sound && f.backwards == 0 && f.pastHanded == 0;
    }
    // The device thread reads the buffer until the device is closed.
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return sound ? 0 : 1;
}
