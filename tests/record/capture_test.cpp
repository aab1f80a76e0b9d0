// The capture tool (scripts/capture.sh) end to end, read back with ffprobe
// and ffmpeg: frame counts and durations of a range at whole and fractional
// rates, a lossless capture against the frames and sound the headless program
// writes, the frame log of a range, a one-frame range, early failures, and
// --help of every tool and script. Faults while writing: tests/faults.
#include "tests/frame/program_run.h"
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A sanitizer build takes about a minute a run to start: there the captures
// that need whole runs of their own are left to the normal build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool runsTooSlow = true;
#else
constexpr bool runsTooSlow = false;
#endif

const fs::path workDir = CAPTURE_TEST_WORK_DIR;
const std::string capture = std::string(SOURCE_DIR) + "/scripts/capture.sh --build " + BUILD_DIR;

ProgramRun runCapture(const std::string& name, const std::string& arguments) {
    return runProgram(workDir, name, capture, arguments, false);
}

// One value of ffprobe for a stream ("v:0", "a:0") of a file.
std::string probe(const fs::path& file, const std::string& stream, const std::string& entry) {
    const fs::path out = file.parent_path() / "probe.txt";
    const std::string command = "ffprobe -v error -count_frames -select_streams " + stream +
                                " -show_entries stream=" + entry + " -of csv=p=0 " + file.string() +
                                " >" + out.string();
    if (std::system(command.c_str()) != 0) return "";
    std::string value = readFile(out);
    while (!value.empty() && (value.back() == '\n' || value.back() == ','))
        value.pop_back();
    return value;
}

// What ffmpeg decodes of a stream of a file, as raw bytes in `format`.
std::string decode(const fs::path& file, const std::string& stream, const std::string& format) {
    const fs::path out = file.parent_path() / ("decoded-" + stream.substr(0, 1));
    const std::string command = "ffmpeg -v error -y -i " + file.string() + " -map 0:" + stream +
                                " " + format + " " + out.string();
    if (std::system(command.c_str()) != 0) return "";
    return readFile(out);
}

TEST(Capture, FramesAndDurationOfARangeAtWholeAndFractionalRates) {
    if (runsTooSlow) GTEST_SKIP() << "two captures: the normal build checks them";
    const struct {
        const char* fps;
        const char* rate;
        double duration;
    } cases[] = {{"30", "30/1", 1.0}, {"30000/1001", "30000/1001", 1.001}};
    for (const auto& want : cases) {
        const ProgramRun run = runCapture("rate", std::string("--size 64x36 --fps ") + want.fps +
                                                      " --from 16 --to 17 @DIR@/out.mp4");
        ASSERT_EQ(run.exitCode, 0) << want.fps << ": " << run.errors;
        const fs::path video = run.dir / "out.mp4";
        EXPECT_EQ(probe(video, "v:0", "nb_read_frames"), "30") << want.fps;
        EXPECT_EQ(probe(video, "v:0", "r_frame_rate"), want.rate);
        EXPECT_NEAR(std::stod(probe(video, "v:0", "duration")), want.duration, 1e-3) << want.fps;
        EXPECT_NEAR(std::stod(probe(video, "a:0", "duration")), 1.0, 0.05) << "AAC frames";
        EXPECT_NE(run.errors.find("30/30 frames (100%)"), std::string::npos) << run.errors;
        EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(run.dir), {}).size(), 4u)
            << "out.mp4 and the run's own files (probe, stdout, stderr), no leftovers";
    }
}

// Frame n of the range shows music time 96 + n * 1001 / 60000, to the audio frame.
double frameTime(int n) {
    const long long samples = 96LL * 44100 + (long long)n * 44100 * 1001 / 60000;
    return double(samples) / 44100;
}

TEST(Capture, LosslessRangeIsTheHeadlessFramesWithTheSoundtracksSamples) {
    if (runsTooSlow) GTEST_SKIP() << "two captures: the normal build checks them";
    const std::string range = "--size 48x28 --fps 60000/1001 --from 96 --to 96.5 ";
    const ProgramRun lossless =
        runCapture("lossless", range + "--format lossless --log @DIR@/log.txt @DIR@/out.mkv");
    ASSERT_EQ(lossless.exitCode, 0) << lossless.errors;
    const ProgramRun pngs = runCapture("pngs", range + "--format png @DIR@/frames/new");
    ASSERT_EQ(pngs.exitCode, 0) << pngs.errors;

    // 0.5 s at 59.94 frames a second: 29.97, so 30 frames.
    const fs::path video = lossless.dir / "out.mkv";
    ASSERT_EQ(probe(video, "v:0", "codec_name"), "ffv1");
    const std::string frames = decode(video, "v:0", "-pix_fmt rgba -f rawvideo");
    const size_t frameBytes = 48 * 28 * 4;
    ASSERT_EQ(frames.size(), 30 * frameBytes);
    for (int n = 0; n < 30; ++n) {
        uint32_t width = 0, height = 0;
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", n);
        const auto png = readPng(pngs.dir / "frames/new" / name, &width, &height);
        ASSERT_EQ(png.size(), frameBytes) << name;
        EXPECT_EQ(0, frames.compare(size_t(n) * frameBytes, frameBytes,
                                    reinterpret_cast<const char*>(png.data()), frameBytes))
            << "frame " << n;
    }
    EXPECT_FALSE(fs::exists(pngs.dir / "frames/new/frame-000030.png"));

    // The sound is the soundtrack's samples from 96 s to 96.5 s, in both formats.
    ASSERT_EQ(
        std::system(
            (std::string(MUSGEN) + " --quiet " + (lossless.dir / "song.wav").string()).c_str()),
        0);
    const std::string song = readFile(lossless.dir / "song.wav").substr(44);
    const std::string expected = song.substr(96 * 44100 * 4, 22050 * 4);
    EXPECT_TRUE(decode(video, "a:0", "-c:a pcm_s16le -f s16le") == expected) << "lossless";
    const std::string wav = readFile(pngs.dir / "frames/new/audio.wav");
    ASSERT_EQ(wav.size(), 44 + expected.size());
    EXPECT_TRUE(wav.substr(44) == expected) << "audio.wav";

    // The frame log: the flight scene at 96.0, the waves from the next frame on.
    const auto logged = frameLines(lossless.log);
    ASSERT_EQ(logged.size(), 30u);
    EXPECT_EQ(logged[0].scene, "FramedShaderScene") << "96.0 is not past 96.0";
    for (int n = 0; n < 30; ++n) {
        EXPECT_NEAR(logged[size_t(n)].musicTime, frameTime(n), 2e-5) << n;
        if (n == 0) continue;
        EXPECT_EQ(logged[size_t(n)].scene, "ShaderScene") << n;
        EXPECT_NEAR(logged[size_t(n)].sceneTime, frameTime(n) - frameTime(1), 2e-5) << n;
    }
}

// One frame's range into Matroska (by its extension) with the log on
// standard output: a frame, the sound of the range, no file named "-".
TEST(Capture, AOneFrameRangeByTheExtensionsContainerWithTheLogOnStandardOutput) {
    if (runsTooSlow) GTEST_SKIP() << "a capture: the normal build checks it";
    const ProgramRun run =
        runCapture("one", "--size 32x18 --fps 10 --from 16.6 --to 16.7 --log - @DIR@/one.mkv");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const fs::path video = run.dir / "one.mkv";
    EXPECT_EQ(probe(video, "v:0", "nb_read_frames"), "1");
    EXPECT_EQ(probe(video, "v:0", "codec_name"), "h264");
    EXPECT_NE(probe(video, "a:0", "codec_name"), "") << "a sound stream";
    const std::string format = "ffprobe -v error -show_entries format=format_name -of csv=p=0 ";
    EXPECT_EQ(std::system((format + video.string() + " | grep -q matroska").c_str()), 0);
    EXPECT_EQ(frameLines(run.output).size(), 1u) << run.output;
    EXPECT_FALSE(fs::exists(run.dir / "-"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "-"));
}

TEST(Capture, BadOptionsAndUnwritableOutputsFailBeforeRendering) {
    const char* const bad[] = {"--fps 0 @DIR@/a.mp4",
                               "--fps 30/ @DIR@/a.mp4",
                               "--size 65x36 @DIR@/a.mp4",
                               "--from 20 --to 10 @DIR@/a.mp4",
                               "--to 135 @DIR@/a.mp4",
                               "--format webm @DIR@/a.mp4",
                               "--frobnicate @DIR@/a.mp4",
                               "",
                               "@DIR@/stdout.txt/a.mp4",
                               "--format png @DIR@/stdout.txt",
                               "--from 134.39999 --to 134.4 @DIR@/a.mp4",
                               "--fps 10 --from 0.6 --to 0.69 @DIR@/a.mp4",
                               "@DIR@/a.webm",
                               "--format lossless @DIR@/a.mp4",
                               "--format png @DIR@",
                               "--size 16386x2 @DIR@/a.mp4"};
    for (const char* arguments : bad) {
        const ProgramRun run = runCapture("bad", arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_EQ(lines(run.errors).size(), 1u) << arguments << ": " << run.errors;
        EXPECT_EQ(run.errors.rfind("capture.sh: ", 0), 0u) << run.errors;
        EXPECT_EQ(run.output, "") << arguments << ": nothing started";
    }
}

TEST(Tools, EveryToolAndScriptAnswersHelp) {
    const std::string source = SOURCE_DIR, build = BUILD_DIR;
    std::vector<std::string> commands = {
        source + "/scripts/capture.sh",       source + "/scripts/run.sh",
        source + "/scripts/test.sh",          source + "/scripts/setup-deps.sh",
        source + "/scripts/build-windows.sh", source + "/scripts/test-windows.sh",
        source + "/scripts/can-run-32bit.sh", source + "/tools/storyboard/storyboard.sh",
        source + "/tools/artwork/sheet.sh",   source + "/bench/startup/run.sh",
        source + "/scripts/web.sh",           source + "/scripts/build-web.sh",
        source + "/scripts/test-web.sh",      build + "/frame/intro_headless",
        build + "/tools/musgen/musgen",       build + "/tools/texgen/texdump",
        build + "/tools/framediff/framediff"};
    for (const char* program : {"/frame/intro", "/tools/clockprobe/clockprobe",
                                "/bench/synth/bench_synth", "/bench/texgen/bench_texgen",
                                "/bench/scenes/bench_scenes", "/bench/startup/startup_split"}) {
        if (fs::exists(build + program)) commands.push_back(build + program);
    }
    for (const std::string& command : commands) {
        const ProgramRun run = runProgram(workDir, "help", command, "--help", false);
        EXPECT_EQ(run.exitCode, 0) << command << ": " << run.errors;
        EXPECT_NE(run.output.find("usage: "), std::string::npos) << command << ": " << run.output;
        EXPECT_EQ(run.errors, "") << command;
    }
    // An output folder that does not exist yet is made.
    const ProgramRun texdump = runProgram(workDir, "texdump", build + "/tools/texgen/texdump",
                                          "--only 0 @DIR@/a/b", false);
    EXPECT_EQ(texdump.exitCode, 0) << texdump.errors;
    EXPECT_TRUE(fs::exists(texdump.dir / "a/b/texture_00.png"));
}

} // namespace
