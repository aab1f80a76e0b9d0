#include "tests/frame/program_run.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <png.h>
#include <sstream>
#include <sys/wait.h>

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

namespace {

// What a GL driver may add on stderr differs between machines.
std::string ownLines(const std::string& text) {
    std::string own;
    for (const std::string& line : lines(text)) {
        const bool driver = line.rfind("libEGL", 0) == 0 || line.rfind("MESA", 0) == 0 ||
                            line.rfind("ATTENTION", 0) == 0 || line.rfind("pci id", 0) == 0;
        if (!driver) own += line + "\n";
    }
    return own;
}

} // namespace

ProgramRun runProgram(const fs::path& workDir, const std::string& name, const std::string& command,
                      std::string arguments, bool logged) {
    const fs::path dir = workDir / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (size_t at; (at = arguments.find("@DIR@")) != std::string::npos;)
        arguments.replace(at, 5, dir.string());
    const std::string log = logged ? " --log " + (dir / "log.txt").string() : "";
    const std::string line = command + log + " " + arguments + " >" +
                             (dir / "stdout.txt").string() + " 2>" + (dir / "stderr.txt").string();
    const int status = std::system(line.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    run.log = readFile(dir / "log.txt");
    run.output = readFile(dir / "stdout.txt");
    run.errors = ownLines(readFile(dir / "stderr.txt"));
    run.dir = dir;
    return run;
}

std::vector<FrameLine> frameLines(const std::string& log) {
    std::vector<FrameLine> frames;
    for (const std::string& line : lines(log)) {
        FrameLine f;
        char scene[64] = {};
        int stateAt = 0;
        if (std::sscanf(line.c_str(),
                        "frame %lld %nmusicTime %lf sceneTime %lf scene %63s presents %d",
                        &f.number, &stateAt, &f.musicTime, &f.sceneTime, scene, &f.presents) == 5) {
            f.scene = scene;
            f.state = line.substr(size_t(stateAt));
            frames.push_back(f);
        }
    }
    return frames;
}

std::vector<uint8_t> readPng(const fs::path& path, uint32_t* width, uint32_t* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    *width = image.width;
    *height = image.height;
    return pixels;
}
