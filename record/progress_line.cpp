#include "record/progress_line.h"
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string minutes(double seconds) {
    const long long whole = (long long)(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void show(const ProgressLine& line, int64_t done, bool finished) {
    const std::string text = progressText(done, line.total, secondsSince(line.start), finished);
    if (line.terminal) {
        dprintf(line.fd, "\r%s\033[K%s", text.c_str(), finished ? "\n" : "");
    } else {
        dprintf(line.fd, "%s\n", text.c_str());
    }
}

} // namespace

std::string progressText(int64_t done, int64_t total, double seconds, bool finished) {
    const double rate = seconds > 0 ? double(done) / seconds : 0.0;
    const int percent = total > 0 ? int(std::min<int64_t>(done * 100 / total, 100)) : 0;
    char text[160];
    if (finished) {
        std::snprintf(text, sizeof text, "%lld/%lld frames (%d%%), %.1f frames/s, done in %s",
                      (long long)done, (long long)total, percent, rate, minutes(seconds).c_str());
    } else {
        const std::string left =
            rate > 0 ? minutes(double(std::max<int64_t>(total - done, 0)) / rate) : "?";
        std::snprintf(text, sizeof text, "%lld/%lld frames (%d%%), %.1f frames/s, %s left",
                      (long long)done, (long long)total, percent, rate, left.c_str());
    }
    return text;
}

void progressStart(ProgressLine& line, int64_t total, int fd) {
    line.fd = fd;
    line.terminal = fd >= 0 && isatty(fd);
    line.total = total;
    line.start = line.shown = Clock::now();
}

void progressFrame(ProgressLine& line, int64_t done) {
    if (line.fd < 0) return;
    const double every = line.terminal ? 0.25 : 5.0;
    if (secondsSince(line.shown) < every) return;
    line.shown = Clock::now();
    show(line, done, false);
}

void progressEnd(ProgressLine& line, int64_t done) {
    if (line.fd < 0) return;
    show(line, done, true);
    line.fd = -1;
}
