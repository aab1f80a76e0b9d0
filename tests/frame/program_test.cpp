// The whole headless program: start-up results, the loop's clocks and end,
// Escape, missing GL entry points and a failing context. Whole runs are
// costly (synthesis and every texture), so each test runs it once and checks
// everything that run shows.
#include "tests/frame/program_run.h"
#include "texgen/texgen.h"
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// Runs the headless program in a fresh folder of its own with its log in
// log.txt; @DIR@ in the arguments names the folder.
ProgramRun runIntro(const std::string& name, const std::string& arguments) {
    return runProgram(FRAME_TEST_WORK_DIR, name, INTRO_HEADLESS, arguments, true);
}

std::vector<int> tickLines(const std::string& log) {
    std::vector<int> ticks;
    for (const std::string& line : lines(log)) {
        int tick = 0;
        if (std::sscanf(line.c_str(), "tick %d", &tick) == 1) ticks.push_back(tick);
    }
    return ticks;
}

std::vector<int> oneToN(int n) {
    std::vector<int> values;
    for (int i = 1; i <= n; ++i)
        values.push_back(i);
    return values;
}

uint64_t fnv1a(const uint8_t* data, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 1099511628211ull;
    return hash;
}

std::string hex(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", (unsigned long long)value);
    return text;
}

int redPixelsInRow(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t row) {
    int count = 0;
    for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = &rgba[(size_t(row) * width + x) * 4];
        count += p[0] == 255 && p[1] == 0 && p[2] == 0;
    }
    return count;
}

// The capture outputs of the full run: loader-bar and chosen frames as PNG,
// every frame as raw video, the soundtrack as WAV.
void checkFrameOutputs(const fs::path& dir, size_t frameCount) {
    const size_t frameBytes = 64 * 36 * 4;
    EXPECT_EQ(fs::file_size(dir / "raw.bin"), frameCount * frameBytes);
    EXPECT_EQ(fs::file_size(dir / "music.wav"), 44u + 23855104u);

    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir / "png"))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"loader-001.png", "loader-106.png",
                                              "frame-000161.png", "frame-001000.png"}))
        << "first frames at or after 16.05 s and 100 s";

    uint32_t width = 0, height = 0;
    const auto first = readPng(dir / "png" / "loader-001.png", &width, &height);
    ASSERT_EQ(width, 64u);
    ASSERT_EQ(height, 36u);
    const auto last = readPng(dir / "png" / "loader-106.png", &width, &height);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(redPixelsInRow(first, 64, 18), 1) << "bar of tick 1: x -0.8 to -0.785";
    EXPECT_EQ(redPixelsInRow(last, 64, 18), 52) << "bar of tick 106: x -0.8 to 0.815";

    // The PNG of frame 1000 is the raw video's frame 1000, rows top-down, opaque.
    const auto picture = readPng(dir / "png" / "frame-001000.png", &width, &height);
    std::ifstream raw(dir / "raw.bin", std::ios::binary);
    std::vector<uint8_t> rawFrame(frameBytes);
    raw.seekg(std::streamoff(1000 * frameBytes));
    raw.read(reinterpret_cast<char*>(rawFrame.data()), std::streamsize(frameBytes));
    EXPECT_EQ(picture, rawFrame);
    for (size_t i = 3; i < rawFrame.size(); i += 4)
        ASSERT_EQ(rawFrame[i], 255) << i;
}

// At 10 frames per second every frame moves the clock by exactly one tick:
// the frame after the one read at 1344 ticks is the last.
TEST(IntroProgram, PlaysToTheEndOnTheVirtualClock) {
    const ProgramRun run =
        runIntro("full", "--size 64x36 --fps 10 --report @DIR@/report.txt --png @DIR@/png "
                         "--at 16.05,100 --loader-ticks 1,106 --raw @DIR@/raw.bin "
                         "--wav @DIR@/music.wav");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "") << "shaders compile, nothing to warn about";

    EXPECT_EQ(tickLines(run.log), oneToN(106)) << "106 loader presents, one per tick";
    const auto frames = frameLines(run.log);
    ASSERT_EQ(frames.size(), 1345u) << "frames 0..1344";
    EXPECT_EQ(run.log.find("frame 0 "), run.log.find("tick 106\n") + 9) << "ticks come first";
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].number, (long long)i);
        ASSERT_NEAR(frames[i].musicTime, double(float(i) / 10.0f), 1e-6) << "frame " << i;
    }
    EXPECT_EQ(frames[0].scene, "ScrollerScene");
    EXPECT_EQ(frames[0].sceneTime, 0.0);
    EXPECT_NEAR(frames.back().musicTime, 134.4, 1e-4) << "read at exactly 1344 ticks, went on";
    EXPECT_EQ(frames.back().scene, "EndScene");
    checkFrameOutputs(run.dir, frames.size());

    // The scene clock restarts at every timeline step and follows the music otherwise.
    // A step presents one blank frame before its scene, except into SphereScene.
    int restarts = 0;
    EXPECT_EQ(frames[0].presents, 1);
    for (size_t i = 1; i < frames.size(); ++i) {
        if (frames[i].sceneTime == 0.0) {
            ++restarts;
            EXPECT_EQ(frames[i].presents, frames[i].scene == "SphereScene" ? 1 : 2) << i;
            continue;
        }
        ASSERT_EQ(frames[i].presents, 1) << "frame " << i;
        ASSERT_NEAR(frames[i].sceneTime - frames[i - 1].sceneTime, 0.1, 2e-5) << "frame " << i;
    }
    EXPECT_EQ(restarts, 27);
    EXPECT_EQ(frames[160].scene, "ScrollerScene") << "musicTime 16.0 is not past 16.0";
    EXPECT_EQ(frames[161].scene, "CaptionScene");
    EXPECT_EQ(frames[161].sceneTime, 0.0);

    std::map<std::string, std::string> report;
    std::set<int> glyphCodes;
    std::map<int, std::string> glyphHashes;
    for (const std::string& line : lines(readFile(run.dir / "report.txt"))) {
        std::istringstream in(line);
        std::string key, rest;
        in >> key;
        std::getline(in, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        if (key == "glyph") {
            int code = 0;
            char hash[17] = {};
            ASSERT_EQ(std::sscanf(rest.c_str(), "%d %16s", &code, hash), 2);
            glyphCodes.insert(code);
            glyphHashes[code] = hash;
        } else {
            report[key] = rest;
        }
    }
    EXPECT_EQ(report["ticks"], "106");
    EXPECT_EQ(report["glyphs"], "81");
    EXPECT_EQ(report["numbered"], "17");
    std::set<int> expectedCodes = {32, 33, 39, 44, 45, 46};
    for (int code = 48; code <= 122; ++code)
        expectedCodes.insert(code);
    EXPECT_EQ(glyphCodes, expectedCodes);

    unsigned waves = 0, balls = 0, flight = 0, can = 0, current = 0;
    ASSERT_EQ(std::sscanf(report["programs"].c_str(), "%u %u %u %u", &waves, &balls, &flight, &can),
              4);
    ASSERT_EQ(std::sscanf(report["current"].c_str(), "%u", &current), 1);
    EXPECT_EQ((std::set<unsigned>{waves, balls, flight, can}).size(), 4u);
    EXPECT_NE(waves, 0u);
    EXPECT_EQ(current, waves);

    // glyphs['A'] holds what the glyph recipe makes for id -65 (it reads no
    // random numbers and no earlier layer, so a fresh build gives the same).
    const uint8_t* glyphA = reinterpret_cast<const uint8_t*>(buildTexture(-65));
    const std::string hashA = hex(fnv1a(glyphA, 1024 * 1024 * 4));
    EXPECT_EQ(glyphHashes[65], hashA);
    EXPECT_NE(glyphHashes[66], hashA);
    EXPECT_NE(glyphHashes[97], hashA) << "lower case has a texture of its own";
}

// Escape held from the start ends the program at the loader's first tick,
// normally, before anything is drawn or the soundtrack is made.
TEST(IntroProgram, EscapeDuringLoadingEndsAtTheNextTick) {
    const ProgramRun run = runIntro("escape", "--size 32x18 --escape-loading --no-audio");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(tickLines(run.log).empty()) << run.log;
    EXPECT_TRUE(frameLines(run.log).empty()) << run.log;
    EXPECT_EQ(run.errors, "");
}

// Any of the 13 names missing ends the process with -1 before the loader bar.
TEST(IntroProgram, MissingEntryPointExitsWithMinusOne) {
    const char* const names[] = {
        "glCreateProgram", "glCreateShader", "glShaderSource", "glCompileShader",
        "glAttachShader",  "glLinkProgram",  "glUseProgram",   "glGetUniformLocationARB",
        "glUniform4fv",    "glUniform1iv",   "glUniform2f",    "glUniform1f",
        "glActiveTexture"};
    for (const char* name : names) {
        const ProgramRun run =
            runIntro("missing", std::string("--size 16x16 --hide-entry ") + name);
        EXPECT_EQ(run.exitCode, 255) << name;
        EXPECT_EQ(run.log, "") << name << ": nothing presented";
        EXPECT_EQ(run.errors, "") << name << ": no message";
    }
}

TEST(IntroProgram, FailingContextExitsWithMinusOneAndOneLine) {
    const ProgramRun run = runIntro("nocontext", "--size 16x16 --fail-context");
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(run.log, "");
    EXPECT_EQ(lines(run.errors).size(), 1u) << run.errors;
}

TEST(IntroProgram, PixelFormatThatCannotBeSetExitsWithMinusOneAndOneLine) {
    const ProgramRun run = runIntro("nopixelformat", "--size 16x16 --fail-pixel-format");
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(run.log, "") << "nothing presented";
    EXPECT_EQ(run.errors, "intro: could not set the pixel format\n");
}

// An output that cannot be written is refused before anything is rendered;
// one that fails later ends the run with a failure, and no unfinished file
// is left under an output's name.
TEST(IntroProgram, OutputsThatCannotBeWrittenFail) {
    const ProgramRun early =
        runIntro("unwritable", "--size 16x16 --png @DIR@/stdout.txt/png --raw @DIR@/raw.bin");
    EXPECT_EQ(early.exitCode, 2);
    EXPECT_EQ(early.log, "") << "nothing rendered";
    EXPECT_EQ(lines(early.errors).size(), 1u) << early.errors;
    EXPECT_NE(early.errors.find("cannot write into"), std::string::npos) << early.errors;
    EXPECT_FALSE(fs::exists(early.dir / "raw.bin.part"));

    const fs::path full = fs::path(FRAME_TEST_WORK_DIR) / "devfull";
    fs::create_directories(full);
    const std::string late =
        std::string(INTRO_HEADLESS) + " --size 16x16 --fps 10 --stop 2 --log " +
        (full / "log.txt").string() + " --raw - >/dev/full 2>" + (full / "stderr.txt").string();
    const int status = std::system(late.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(readFile(full / "stderr.txt").find("cannot write -: No space left on device"),
              std::string::npos)
        << readFile(full / "stderr.txt");
    EXPECT_FALSE(fs::exists(full / "log.txt")) << "a failed run leaves no log";
    EXPECT_FALSE(fs::exists(full / "log.txt.part"));

    const ProgramRun missing = runIntro("newfolder", "--size 16x16 --fps 10 --stop 0.3 "
                                                     "--png @DIR@/new/folder --raw @DIR@/raw.bin");
    EXPECT_EQ(missing.exitCode, 0) << missing.errors;
    EXPECT_TRUE(fs::exists(missing.dir / "new/folder/frame-000002.png")) << "folder made";
    EXPECT_EQ(fs::file_size(missing.dir / "raw.bin"), 3u * 16 * 16 * 4);
    EXPECT_FALSE(fs::exists(missing.dir / "raw.bin.part"));
}

TEST(IntroProgram, RejectsUnknownOptions) {
    const ProgramRun run = runIntro("usage", "--frobnicate");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errors.find("unknown option --frobnicate"), std::string::npos);
}

} // namespace
