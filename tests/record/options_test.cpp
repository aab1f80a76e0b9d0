// Options of the headless program, the tools and run.sh that would do
// nothing, never end or be misread: each refused in one line with exit 2
// before any work; a pause that is resumed ends at the stop time; run.sh
// without a display hands the capture what applies to it.
#include "tests/frame/program_run.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const fs::path workDir = CAPTURE_TEST_WORK_DIR;
const std::string build = BUILD_DIR;

TEST(Options, EveryProgramRefusesWhatWouldDoNothingBeforeAnyWork) {
    const std::string headless = build + "/frame/intro_headless";
    const struct {
        std::string command;
        const char* arguments;
        const char* says;
    } cases[] = {
        {headless, "--at nan --png @DIR@/png", "--at wants"},
        {headless, "--at inf --png @DIR@/png", "--at wants"},
        {headless, "--at 134.4 --png @DIR@/png", "--at wants"},
        {headless, "--loader-ticks 1e20 --png @DIR@/png", "--loader-ticks wants"},
        {headless, "--loader-ticks 0 --png @DIR@/png", "--loader-ticks wants"},
        {headless, "--at 1", "want --png"},
        {headless, "--every 2", "want --png"},
        {headless, "--stamp", "--stamp wants --log"},
        {headless, "--keys 5:space --stop 0.5", "paused for good"},
        {headless, "--keys 5:space,6:space,7:space --png @DIR@/png", "paused for good"},
        {headless, "--loop --png @DIR@/png", "--loop never ends"},
        {headless, "--start 134.39999 --stop 134.4", "--stop must lie after --start"},
        {headless, "--start 20 --stop 10", "--stop must lie after --start"},
        {headless, "--progress-fd 99", "--progress-fd wants"},
        {build + "/tools/musgen/musgen", "--raw", "--raw needs a value"},
        {build + "/tools/texgen/texdump", "--only", "--only needs a value"},
    };
    for (const auto& bad : cases) {
        const ProgramRun run = runProgram(workDir, "options", bad.command, bad.arguments, false);
        EXPECT_EQ(run.exitCode, 2) << bad.arguments;
        EXPECT_EQ(lines(run.errors).size(), 1u) << bad.arguments << ": " << run.errors;
        EXPECT_NE(run.errors.find(bad.says), std::string::npos) << run.errors;
        EXPECT_FALSE(fs::exists(run.dir / "png")) << bad.arguments;
    }
}

TEST(Options, APauseThatIsResumedEndsAtTheStopTime) {
    const ProgramRun run =
        runProgram(workDir, "pause", build + "/frame/intro_headless",
                   "--size 16x16 --fps 10 --start 20 --stop 20.5 --keys 2:space,6:space", true);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto frames = frameLines(run.log);
    ASSERT_EQ(frames.size(), 9u) << "5 frames of music and 4 held";
    EXPECT_NEAR(frames.back().musicTime, 20.4, 1e-3);
}

// run.sh in a copy of the tree whose setup, cmake and capture only say
// they were called, with no display.
ProgramRun runScript(const std::string& name, const std::string& arguments) {
    const fs::path tree = workDir / (name + "-tree");
    fs::remove_all(tree);
    fs::create_directories(tree / "scripts");
    fs::create_directories(tree / "bin");
    fs::copy_file(std::string(SOURCE_DIR) + "/scripts/run.sh", tree / "scripts/run.sh");
    const std::pair<const char*, const char*> stubs[] = {
        {"scripts/setup-deps.sh", "echo setup >>\"$(dirname \"$0\")/../calls\""},
        {"bin/cmake", "echo cmake >>\"$(dirname \"$0\")/../calls\""},
        {"scripts/capture.sh", "echo capture \"$@\" >>\"$(dirname \"$0\")/../calls\""}};
    for (const auto& [path, body] : stubs) {
        const fs::path file = tree / path;
        std::FILE* out = std::fopen(file.c_str(), "w");
        std::fprintf(out, "#!/bin/sh\n%s\n", body);
        std::fclose(out);
        fs::permissions(file, fs::perms::owner_all, fs::perm_options::add);
    }
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY PATH=" + (tree / "bin").string() + ":/usr/bin:/bin " +
        (tree / "scripts/run.sh").string();
    ProgramRun run = runProgram(workDir, name, command, arguments, false);
    run.log = readFile(tree / "calls");
    return run;
}

TEST(Options, RunShChecksItsOptionsFirstAndHandsTheCaptureWhatAppliesToIt) {
    const struct {
        const char* arguments;
        const char* calls; // "" when refused
    } cases[] = {
        {"--start 50 --bogus", ""},
        {"--start x", ""},
        {"--start 134.4", ""},
        {"--scale 0", ""},
        {"--window 1281x720", ""},
        {"--start", ""},
        {"", "setup\ncmake\ncmake\ncapture intro.mp4\n"},
        {"--start 50 --window 960x540 --scale 0.5 --loop",
         "setup\ncmake\ncmake\ncapture --from 50 --size 960x540 intro.mp4\n"},
    };
    for (const auto& want : cases) {
        const ProgramRun run = runScript("run", want.arguments);
        EXPECT_EQ(run.log, want.calls) << want.arguments;
        if (*want.calls) continue;
        EXPECT_EQ(run.exitCode, 2) << want.arguments;
        EXPECT_EQ(lines(run.errors).size(), 1u) << want.arguments << ": " << run.errors;
        EXPECT_EQ(run.errors.rfind("run.sh: ", 0), 0u) << run.errors;
    }
}

} // namespace
