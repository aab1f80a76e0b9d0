#include "viewer/options.h"
#include "viewer/viewer.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ViewerSettings viewer;

const char viewerOptionsHelp[] =
    "  --start SECONDS      begin at this music time (0 to before 134.4)\n"
    "  --scale F            draw frames at F (0 < F <= 1) of the size and stretch them\n"
    "  --loop               play again from the start after the end\n";

void commandLineError(const CommandLine& line, const std::string& problem) {
    std::fprintf(stderr, "%s: %s (--help lists the options)\n", line.program, problem.c_str());
    std::exit(2);
}

const char* optionValue(CommandLine& line) {
    if (line.at + 1 >= line.argc)
        commandLineError(line, std::string(line.argv[line.at]) + " needs a value");
    return line.argv[++line.at];
}

bool parseNumber(const char* text, double low, double high, double* value) {
    char* end = nullptr;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end || !std::isfinite(parsed) || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

bool parseCount(const char* text, int64_t low, int64_t high, int64_t* value) {
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (end == text || *end || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

bool parseSize(const char* text, int32_t* width, int32_t* height) {
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    int64_t wide = 0, high = 0;
    if (!parseCount(w.c_str(), 1, 16384, &wide) || !parseCount(x + 1, 1, 16384, &high))
        return false;
    *width = int32_t(wide);
    *height = int32_t(high);
    return true;
}

bool parseFrameRate(const char* text, FrameRate* rate) {
    const char* slash = std::strchr(text, '/');
    const std::string num = slash ? std::string(text, slash) : std::string(text);
    int64_t n = 0, d = 1;
    if (!parseCount(num.c_str(), 1, 1000000, &n)) return false;
    if (slash && !parseCount(slash + 1, 1, 1000000, &d)) return false;
    if (n > 1000 * d || n < d) return false; // 1 to 1000 frames a second
    *rate = FrameRate{uint32_t(n), uint32_t(d)};
    return true;
}

bool viewerOption(CommandLine& line) {
    const std::string option = line.argv[line.at];
    if (option == "--start") {
        if (!parseNumber(optionValue(line), 0, 134.4, &viewer.start) || viewer.start >= 134.4)
            commandLineError(line, "--start wants seconds from 0 to before the end at 134.4");
    } else if (option == "--scale") {
        if (!parseNumber(optionValue(line), 0, 1, &viewer.scale) || viewer.scale <= 0)
            commandLineError(line, "--scale wants a fraction above 0, at most 1");
    } else if (option == "--loop") {
        viewer.loop = true;
    } else {
        return false;
    }
    return true;
}
