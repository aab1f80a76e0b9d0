// Process entry of the player (the sdl program). Without options it is the
// presentation itself; any option starts the viewer.
#include "frame/intro.h"
#include "platform/platform.h"
#include "viewer/options.h"
#include "viewer/viewer.h"
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int32_t defaultWidth = 1280;
constexpr int32_t defaultHeight = 720;

const char usage[] =
    "usage: intro [options]\n"
    "Without options: the presentation, full screen, played once; Escape ends it.\n"
    "  --window [WxH]       a window you may resize (1280x720) instead of full screen\n"
    "  --fullscreen         full screen (the default)\n"
    "%s"
    "  --help               this text\n"
    "Keys: Space pause and resume, Left and Right back and forward 3.2 s, F full\n"
    "screen on and off, I information (music time, scene, frames per second),\n"
    "Escape quit.\n";

void parseOptions(int argc, char** argv) {
    CommandLine line{"intro", argc, argv, 1};
    for (; line.at < argc; ++line.at) {
        const std::string option = argv[line.at];
        if (viewerOption(line)) continue;
        if (option == "--window") {
            viewer.windowed = true;
            viewer.windowWidth = defaultWidth;
            viewer.windowHeight = defaultHeight;
            const bool sized = line.at + 1 < argc && argv[line.at + 1][0] != '-';
            if (sized && !parseSize(optionValue(line), &viewer.windowWidth, &viewer.windowHeight))
                commandLineError(line, "--window wants WxH, 1 to 16384 each");
        } else if (option == "--fullscreen") {
            viewer.windowed = false;
        } else if (option == "--help") {
            std::printf(usage, viewerOptionsHelp);
            std::exit(0);
        } else {
            commandLineError(line, "unknown option " + option);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    platformCommandLine(argc, argv);
    if (argc < 2) introMain();
    parseOptions(argc, argv);
    platformRequestWindow(!viewer.windowed, viewer.windowWidth, viewer.windowHeight);
    viewer.suggestScale = true;
    viewerMain();
}
