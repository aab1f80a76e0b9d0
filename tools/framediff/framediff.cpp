// Compares two PNG pictures of the same size: prints "mad M psnr P" (PSNR
// "inf" for equal pictures). With --max-mad and --min-psnr it also judges
// them and exits 1 when either bound is broken; 2 when a file cannot be read.
#include "tools/framediff/frame_difference.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <png.h>
#include <vector>

namespace {

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

bool readPng(const char* path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return false;
    image.format = PNG_FORMAT_RGBA;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) != 0;
}

const char usage[] = "usage: framediff A.png B.png [--max-mad M] [--min-psnr P]\n"
                     "Prints the mean absolute difference of the channel values (0..255) and the\n"
                     "PSNR in dB of two PNG pictures of one size; exit 1 when a bound is broken.\n";

[[noreturn]] void badUsage() {
    std::fputs(usage, stderr);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc < 3 || argc % 2 == 0) badUsage(); // options come in pairs
    double maxMad = INFINITY, minPsnr = -INFINITY;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--max-mad") == 0)
            maxMad = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--min-psnr") == 0)
            minPsnr = std::atof(argv[i + 1]);
        else
            badUsage();
    }
    Picture a, b;
    for (auto [path, picture] : {std::pair{argv[1], &a}, std::pair{argv[2], &b}}) {
        if (!readPng(path, *picture)) {
            std::fprintf(stderr, "framediff: cannot read %s\n", path);
            return 2;
        }
    }
    if (a.width != b.width || a.height != b.height) {
        std::fprintf(stderr, "framediff: sizes differ (%ux%u, %ux%u)\n", a.width, a.height, b.width,
                     b.height);
        return 2;
    }
    const FrameDifference d =
        frameDifference(a.rgba.data(), b.rgba.data(), size_t(a.width) * a.height);
    std::printf("mad %.3f psnr %.2f\n", d.meanAbsolute, d.psnr);
    return d.meanAbsolute <= maxMad && d.psnr >= minPsnr ? 0 : 1;
}
