// What the headless program records of each presented frame.
#include "frame/gl.h"
#include "frame/intro_state.h"
#include "record/outputs.h"
#include "record/progress_line.h"
#include "record/record.h"
#include "scenes/scenes.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

RecordSettings recording;

namespace {

// The state a main-loop frame was drawn with, kept from its present until
// the pass reads the clock.
struct PendingFrame {
    bool present;
    int presents; // 2 when a blank frame came first
    double musicTime;
    double sceneTime;
};

const auto processStart = std::chrono::steady_clock::now();

PendingFrame pending;
int64_t frameIndex; // main-loop frames written so far
size_t nextPngAt;
std::vector<uint8_t> pixels;
std::FILE* logFile;
PartFile logOut;
PartFile rawOut;
std::vector<std::string> writtenFiles; // frames written, removed again when the run fails
std::vector<std::string> waitingParts; // complete under NAME.part, named when the run ends
bool pngDirMade;
ProgressLine progress;

double elapsedMs() {
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - processStart;
    return elapsed.count();
}

void reportWrite(const std::string& path, int error) {
    std::fprintf(stderr, "intro_headless: cannot write %s: %s\n", path.c_str(),
                 std::strerror(error ? error : EIO));
}

[[noreturn]] void failWrite(const std::string& path) {
    reportWrite(path, errno);
    recordFinish(false);
    std::exit(1);
}

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char* format, ...) {
    if (!logFile) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(logFile, format, args);
    va_end(args);
    if (recording.stamp) std::fprintf(logFile, " ms %.1f", elapsedMs());
    std::fputc('\n', logFile);
    if (std::ferror(logFile)) failWrite(logOut.path);
}

void readScreen() {
    pixels.resize(size_t(recording.width) * size_t(recording.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, recording.width, recording.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // A screen shows no transparency: the written frames are opaque (alpha is
    // the high byte of each little-endian pixel word; a word at a time).
    uint8_t* bytes = pixels.data();
    const size_t count = pixels.size() / 4;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p;
        std::memcpy(&p, bytes + 4 * i, 4);
        p |= 0xFF000000u;
        std::memcpy(bytes + 4 * i, &p, 4);
    }
}

// The unfinished files by name, for a signal handler to remove.
char rawPart[4096];
char pngPart[4096];
char logPart[4096];
char loaderName[4096]; // DIR/loader-000.png

void keepName(char (&name)[4096], const std::string& path) {
    const std::string part = path.empty() ? "" : partName(path);
    name[0] = 0;
    if (part.size() < sizeof name) std::memcpy(name, part.c_str(), part.size() + 1);
}

void writeFramePng(const char* format, long long number) {
    char name[40];
    std::snprintf(name, sizeof name, format, number);
    const std::string path = recording.pngDir + name;
    keepName(pngPart, path);
    if (!writePng(path, pixels.data(), recording.width, recording.height)) failWrite(path);
    pngPart[0] = 0;
    writtenFiles.push_back(path);
}

uint64_t hashBytes(const uint8_t* data, size_t size) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 1099511628211ull;
    return hash;
}

uint64_t textureHash(GLuint name) {
    constexpr int textureSize = 1024;
    static std::vector<uint8_t> image(size_t(textureSize) * textureSize * 4);
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    return hashBytes(image.data(), image.size());
}

// Closes a file that is complete; it takes its name when the run ends well.
bool closeComplete(PartFile& out, bool written) {
    std::FILE* file = out.file;
    out.file = nullptr;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) {
        waitingParts.push_back(out.path);
        return true;
    }
    const int error = errno;
    std::remove(partName(out.path).c_str());
    errno = error;
    return false;
}

// Start-up results, including a hash of every uploaded texture's content.
void writeReport() {
    PartFile report;
    if (!openPart(report, recording.reportPath)) failWrite(recording.reportPath);
    std::FILE* file = report.file;
    int glyphCount = 0, numberedCount = 0;
    for (uint32_t name : intro.textures.glyphs)
        glyphCount += name != 0;
    for (uint32_t name : intro.textures.numbered)
        numberedCount += name != 0;
    std::fprintf(file, "ticks %u\nglyphs %d\nnumbered %d\n", intro.progressTicks, glyphCount,
                 numberedCount);
    std::fprintf(file, "programs %u %u %u %u\ncurrent %u\n", intro.wavesProgram, intro.ballsProgram,
                 intro.flightProgram, intro.canProgram, intro.currentProgram);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    for (int code = 0; code < 256; ++code) {
        if (intro.textures.glyphs[code] == 0) continue;
        std::fprintf(file, "glyph %d %016llx\n", code,
                     (unsigned long long)textureHash(intro.textures.glyphs[code]));
    }
    for (int n = 0; n < 17; ++n) {
        if (intro.textures.numbered[n] == 0) continue;
        std::fprintf(file, "picture %d %016llx\n", n,
                     (unsigned long long)textureHash(intro.textures.numbered[n]));
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    const bool written = !std::ferror(file);
    if (!closeComplete(report, written)) failWrite(recording.reportPath);
}

const char* programName(uint32_t program) {
    if (program == intro.wavesProgram) return "waves";
    if (program == intro.canProgram) return "can";
    if (program == intro.ballsProgram) return "balls";
    if (program == intro.flightProgram) return "flight";
    return "other";
}

// The frame's clocks and scene, then the timeline's fields as the scene left them.
void logFrame() {
    const char* line2 = intro.captionLine2;
    logLine("frame %lld musicTime %.6f sceneTime %.6f scene %s presents %d step %d picture %d "
            "fit %d program %s caption1 \"%s\" caption2 %s%s%s",
            (long long)frameIndex, pending.musicTime, pending.sceneTime,
            sceneRendererName(intro.sceneRenderer), pending.presents, intro.timelineStep,
            intro.pictureTexture, intro.pictureFit, programName(intro.currentProgram),
            intro.captionLine1 ? intro.captionLine1 : "", line2 ? "\"" : "", line2 ? line2 : "null",
            line2 ? "\"" : "");
}

bool wantsPng(double musicTime) {
    if (recording.pngDir.empty()) return false;
    if (recording.pngEvery > 0 && frameIndex % recording.pngEvery == 0) return true;
    return nextPngAt < recording.pngAt.size() && musicTime >= recording.pngAt[nextPngAt];
}

} // namespace

bool recordOpen() {
    const std::string& dir = recording.pngDir;
    if (!dir.empty()) {
        std::error_code error;
        pngDirMade = !std::filesystem::exists(dir, error);
        const std::string loader = dir + "/loader-000.png";
        if (loader.size() < sizeof loaderName)
            std::memcpy(loaderName, loader.c_str(), loader.size() + 1);
        if (!makeWritableFolder(dir)) {
            std::fprintf(stderr, "intro_headless: cannot write into %s: %s\n", dir.c_str(),
                         std::strerror(errno ? errno : EACCES));
            return false;
        }
    }
    auto fail = [](const std::string& path) {
        reportWrite(path, errno);
        recordFinish(false);
        return false;
    };
    if (!recording.logPath.empty() && !openPart(logOut, recording.logPath))
        return fail(recording.logPath);
    logFile = logOut.file;
    if (logOut.file != stdout) keepName(logPart, recording.logPath);
    if (!recording.rawPath.empty() && !openPart(rawOut, recording.rawPath))
        return fail(recording.rawPath);
    if (rawOut.file != stdout) keepName(rawPart, recording.rawPath);
    for (const std::string& path : {recording.wavPath, recording.reportPath}) {
        if (path.empty()) continue;
        std::FILE* probe = std::fopen(partName(path).c_str(), "wb");
        if (!probe) return fail(path);
        std::fclose(probe);
        std::remove(partName(path).c_str());
    }
    return true;
}

void recordLoaderFrame() {
    logLine("tick %u", intro.progressTicks);
    if (recording.pngDir.empty()) return;
    if (std::find(recording.loaderTicks.begin(), recording.loaderTicks.end(),
                  intro.progressTicks) == recording.loaderTicks.end())
        return;
    readScreen();
    writeFramePng("/loader-%03lld.png", intro.progressTicks);
}

void recordPresent() {
    pending.presents = pending.present ? pending.presents + 1 : 1;
    pending.present = true;
    pending.musicTime = intro.musicTime;
    pending.sceneTime = intro.sceneTime;
}

bool recordCommit() {
    if (!pending.present) return false;
    pending.present = false;
    if (frameIndex == 0) {
        progressStart(progress, recording.totalFrames, recording.progressFd);
        if (!recording.reportPath.empty()) writeReport();
    }
    logFrame();
    const bool png = wantsPng(pending.musicTime);
    if (png || rawOut.file) readScreen();
    if (png) {
        writeFramePng("/frame-%06lld.png", frameIndex);
        while (nextPngAt < recording.pngAt.size() &&
               pending.musicTime >= recording.pngAt[nextPngAt])
            ++nextPngAt;
    }
    if (rawOut.file &&
        !writeRawFrame(rawOut.file, pixels.data(), recording.width, recording.height))
        failWrite(recording.rawPath);
    ++frameIndex;
    progressFrame(progress, frameIndex);
    return true;
}

void recordSound(const void* pcm, uint32_t bytes) {
    if (recording.wavPath.empty()) return;
    const uint32_t from = std::min(recording.soundFrom, bytes);
    const uint32_t to = std::clamp(recording.soundTo, from, bytes);
    PartFile wav;
    if (!openPart(wav, recording.wavPath)) failWrite(recording.wavPath);
    const bool written = writeWav(wav.file, static_cast<const uint8_t*>(pcm) + from, to - from);
    if (!closeComplete(wav, written)) failWrite(recording.wavPath);
}

// The loader frames written so far, by name from their ticks, without
// allocating: this runs in a signal handler.
void removeLoaderFrames() {
    char name[sizeof loaderName];
    std::memcpy(name, loaderName, sizeof name);
    const size_t digits = std::strlen(name) - std::strlen("000.png");
    for (const uint32_t tick : recording.loaderTicks) {
        if (tick > intro.progressTicks) break;
        name[digits] = char('0' + tick / 100 % 10);
        name[digits + 1] = char('0' + tick / 10 % 10);
        name[digits + 2] = char('0' + tick % 10);
        unlink(name);
    }
}

void recordAbandon() {
    if (rawPart[0]) unlink(rawPart);
    if (pngPart[0]) unlink(pngPart);
    if (logPart[0]) unlink(logPart);
    if (loaderName[0]) removeLoaderFrames();
    if (pngDirMade) rmdir(recording.pngDir.c_str());
}

// Closes a file; one that failed is reported (once: at the end of a run that
// went well so far).
bool finishFile(PartFile& out, bool keep) {
    if (!out.file) return true;
    const std::string path = out.path;
    if (out.file == stdout) {
        out.file = nullptr;
        if (std::fflush(stdout) == 0) return true;
    } else if (closeComplete(out, !std::ferror(out.file))) {
        return true;
    }
    if (keep) reportWrite(path, errno);
    return false;
}

bool recordFinish(bool keep) {
    logFile = nullptr;
    bool ok = finishFile(logOut, keep);
    ok = finishFile(rawOut, keep && ok) && ok;
    // Every file complete: they take their names together.
    for (const std::string& path : waitingParts) {
        const std::string part = partName(path);
        if (keep && ok && std::rename(part.c_str(), path.c_str()) != 0) {
            reportWrite(path, errno);
            ok = false;
        }
        if (!(keep && ok)) std::remove(part.c_str());
    }
    waitingParts.clear();
    if (!keep || !ok) {
        for (const std::string& path : writtenFiles)
            std::remove(path.c_str());
        writtenFiles.clear();
        if (pngDirMade) rmdir(recording.pngDir.c_str());
    }
    if (keep && ok) progressEnd(progress, frameIndex);
    return ok;
}
