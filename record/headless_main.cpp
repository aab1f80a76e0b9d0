// Process entry of the headless program: the presentation rendered offscreen
// on a virtual clock, recorded as the options say. With viewer options
// (--start, --scale, --loop, --keys) it runs the viewer's loop.
#include "frame/intro.h"
#include "platform/headless.h"
#include "record/record.h"
#include "viewer/options.h"
#include "viewer/viewer.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

const char usage[] =
    "usage: intro_headless [options]\n"
    "Renders the presentation offscreen; the music clock moves one frame period per frame.\n"
    "  --size WxH           screen size (1280x720)\n"
    "  --fps N|N/D          frame rate of the music clock (30; 30000/1001 and the like)\n"
    "  --stop SECONDS       end before the first frame at or after this music time\n"
    "%s"
    "  --png DIR            write frames as PNG files into DIR (created if missing)\n"
    "  --every N            write every Nth main-loop frame (with --png)\n"
    "  --at T1,T2,...       write the first frames at these music times (s; with --png)\n"
    "  --loader-ticks N,... write the loader bar after these ticks (1 to 999; with --png)\n"
    "  --raw FILE|-         write every main-loop frame as raw RGBA, rows top-down\n"
    "  --wav FILE           write the soundtrack from --start to --stop as a WAV file\n"
    "  --log FILE|-         a line per frame: number, clocks, scene, presents, timeline fields\n"
    "  --stamp              add milliseconds since start to every log line (with --log)\n"
    "  --progress           a progress line on stderr: frames, frames per second, time left\n"
    "  --progress-fd N      the progress line on file descriptor N instead\n"
    "  --report FILE        state after start-up, written at the first frame\n"
    "  --keys F:KEY,...     press a viewer key once F frames are shown (space, left,\n"
    "                       right, f, i); a pause left on needs --escape-frame\n"
    "  --escape-frame N     press Escape once frame N is presented\n"
    "  --escape-loading     hold Escape from the start\n"
    "  --no-audio           behave as if no audio device could be opened\n"
    "  --hide-entry NAME    answer this GL entry-point name with null\n"
    "  --fail-pixel-format  fail the setting of the pixel format\n"
    "  --fail-context       fail the GL context creation\n"
    "  --help               this text\n"
    "--loop needs --stop or --escape-frame.\n"
    "Files appear under their names only when complete, and a failed or interrupted run\n"
    "leaves none of them. Exit codes: 0 done; 1 a write failed (the line names the file\n"
    "and the cause); 2 a bad option or an output that cannot be written, before anything\n"
    "is rendered; 255 start-up failed (no GL); 128+N stopped by signal N.\n";

constexpr uint32_t showEndSamples = showEndByte / audioFrameBytes;

// A comma-separated ascending list, each item read by `parse`.
template <typename T, typename Parse>
std::vector<T> parseList(CommandLine& line, const char* problem, Parse parse) {
    std::vector<T> values;
    const std::string text = optionValue(line);
    size_t at = 0;
    do {
        const size_t comma = std::min(text.find(',', at), text.size());
        T value{};
        if (!parse(text.substr(at, comma - at).c_str(), &value)) commandLineError(line, problem);
        if (!values.empty() && value < values.back()) commandLineError(line, problem);
        values.push_back(value);
        at = comma + 1;
    } while (at <= text.size());
    return values;
}

bool parseTime(const char* text, double* time) {
    return parseNumber(text, 0, 134.4, time) && *time < 134.4;
}

bool parseTick(const char* text, uint32_t* tick) {
    int64_t count = 0;
    if (!parseCount(text, 1, 999, &count)) return false;
    *tick = uint32_t(count);
    return true;
}

PlatformKey keyNamed(const std::string& name) {
    if (name == "space") return PlatformKey::pause;
    if (name == "left") return PlatformKey::back;
    if (name == "right") return PlatformKey::forward;
    if (name == "f") return PlatformKey::fullscreen;
    if (name == "i") return PlatformKey::overlay;
    return PlatformKey::none;
}

void parseKeys(CommandLine& line) {
    const std::string text = optionValue(line);
    const char* problem = "--keys wants FRAME:KEY,... in frame order";
    size_t at = 0;
    while (at < text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        const size_t colon = item.find(':');
        int64_t frame = 0;
        if (colon == std::string::npos ||
            !parseCount(item.substr(0, colon).c_str(), 0, INT64_MAX, &frame))
            commandLineError(line, problem);
        const PlatformKey key = keyNamed(item.substr(colon + 1));
        if (key == PlatformKey::none) commandLineError(line, problem);
        if (!headless.keys.empty() && frame < headless.keys.back().frame)
            commandLineError(line, problem);
        headless.keys.push_back({frame, key});
        at = comma + 1;
    }
}

// Options of the offscreen surface, its clock and its scripted input.
bool headlessOption(CommandLine& line, double* stop) {
    const std::string option = line.argv[line.at];
    int64_t number = 0;
    if (option == "--size") {
        if (!parseSize(optionValue(line), &headless.width, &headless.height))
            commandLineError(line, "--size wants WxH, 1 to 16384 each");
    } else if (option == "--fps") {
        if (!parseFrameRate(optionValue(line), &headless.rate))
            commandLineError(line, "--fps wants N or N/D, 1 to 1000 frames a second");
    } else if (option == "--stop") {
        if (!parseNumber(optionValue(line), 0, 134.4, stop) || *stop <= 0)
            commandLineError(line, "--stop wants seconds above 0, at most 134.4");
    } else if (option == "--keys") {
        parseKeys(line);
    } else if (option == "--escape-frame") {
        if (!parseCount(optionValue(line), 0, INT64_MAX, &number))
            commandLineError(line, "--escape-frame wants a frame");
        headless.escapeFrame = number;
    } else if (option == "--escape-loading") {
        headless.escapeLoading = true;
    } else if (option == "--no-audio") {
        headless.noAudio = true;
    } else if (option == "--hide-entry") {
        headless.hiddenEntry = optionValue(line);
    } else if (option == "--fail-pixel-format") {
        headless.failPixelFormat = true;
    } else if (option == "--fail-context") {
        headless.failContext = true;
    } else {
        return false;
    }
    return true;
}

bool recordOption(CommandLine& line) {
    const std::string option = line.argv[line.at];
    int64_t number = 0;
    if (option == "--png") {
        recording.pngDir = optionValue(line);
    } else if (option == "--every") {
        if (!parseCount(optionValue(line), 1, 1 << 30, &number))
            commandLineError(line, "--every wants a positive count");
        recording.pngEvery = int32_t(number);
    } else if (option == "--at") {
        recording.pngAt =
            parseList<double>(line, "--at wants ascending times from 0 to before 134.4", parseTime);
    } else if (option == "--loader-ticks") {
        recording.loaderTicks =
            parseList<uint32_t>(line, "--loader-ticks wants ascending ticks, 1 to 999", parseTick);
    } else if (option == "--raw") {
        recording.rawPath = optionValue(line);
    } else if (option == "--wav") {
        recording.wavPath = optionValue(line);
    } else if (option == "--log") {
        recording.logPath = optionValue(line);
    } else if (option == "--stamp") {
        recording.stamp = true;
    } else if (option == "--progress") {
        recording.progressFd = STDERR_FILENO;
    } else if (option == "--progress-fd") {
        if (!parseCount(optionValue(line), 0, 1 << 20, &number) || fcntl(int(number), F_GETFD) < 0)
            commandLineError(line, "--progress-fd wants an open file descriptor");
        recording.progressFd = int(number);
    } else if (option == "--report") {
        recording.reportPath = optionValue(line);
    } else {
        return false;
    }
    return true;
}

// The sound range and the frame count follow from --start, --stop and --fps.
void settleRange(CommandLine& line, double stop) {
    const uint32_t from = musicByte(viewer.start);
    recording.soundFrom = from;
    const uint32_t fromSample = from / audioFrameBytes;
    if (stop > 0) {
        headless.stopByte = musicByte(stop);
        recording.soundTo = uint32_t(headless.stopByte);
        recording.totalFrames =
            gridFramesBefore(headless.stopByte / audioFrameBytes - fromSample, headless.rate);
        // Times that round to one audio frame make a range without a frame.
        if (recording.totalFrames < 1) commandLineError(line, "--stop must lie after --start");
    } else {
        recording.totalFrames = gridFramesBefore(showEndSamples + 1 - fromSample, headless.rate);
    }
    if (headless.escapeFrame >= 0 && headless.escapeFrame + 1 < recording.totalFrames)
        recording.totalFrames = headless.escapeFrame + 1;
}

// Options that would do nothing, or a run that would never end.
void checkCombinations(CommandLine& line, double stop) {
    const bool pngChoice =
        recording.pngEvery || !recording.pngAt.empty() || !recording.loaderTicks.empty();
    if (pngChoice && recording.pngDir.empty())
        commandLineError(line, "--every, --at and --loader-ticks want --png DIR");
    if (recording.stamp && recording.logPath.empty()) commandLineError(line, "--stamp wants --log");
    if (headless.escapeFrame >= 0) return;
    const auto pauses = std::count_if(headless.keys.begin(), headless.keys.end(),
                                      [](auto key) { return key.key == PlatformKey::pause; });
    if (pauses % 2)
        commandLineError(line, "--keys leaves the show paused for good: resume it, or end the "
                               "run with --escape-frame");
    if (viewer.loop && stop <= 0)
        commandLineError(line, "--loop never ends without --stop or --escape-frame");
}

} // namespace

int main(int argc, char** argv) {
    CommandLine line{"intro_headless", argc, argv, 1};
    bool viewerWanted = false;
    double stop = 0;
    for (; line.at < argc; ++line.at) {
        const std::string option = argv[line.at];
        if (option == "--help") {
            std::printf(usage, viewerOptionsHelp);
            return 0;
        }
        if (viewerOption(line)) {
            viewerWanted = true;
            continue;
        }
        if (option == "--keys") viewerWanted = true;
        if (headlessOption(line, &stop) || recordOption(line)) continue;
        commandLineError(line, "unknown option " + option);
    }
    if (!recording.pngDir.empty() && recording.pngEvery == 0 && recording.pngAt.empty() &&
        recording.loaderTicks.empty()) {
        recording.pngEvery = 1;
    }
    checkCombinations(line, stop);
    settleRange(line, stop);
    viewer.seekRate = headless.rate;
    platformCommandLine(argc, argv);
    if (!recordOpen()) return 2;
    if (viewerWanted) viewerMain();
    introMain();
}
