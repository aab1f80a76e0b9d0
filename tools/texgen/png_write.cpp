#include "tools/texgen/png_write.h"
#include <cerrno>
#include <cstdio>
#include <png.h>
#include <string>
#include <vector>

namespace {

// The failure is reported by the caller, with its cause: libpng says nothing.
[[noreturn]] void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

bool writeRows(FILE* file, const uint32_t* pixels, int width, int height) {
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[size_t(y)] = (png_bytep)(pixels + size_t(y) * size_t(width));
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, file);
        png_set_compression_level(png, 3);
        png_set_IHDR(png, info, uint32_t(width), uint32_t(height), 8, PNG_COLOR_TYPE_RGBA,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return ok;
}

} // namespace

bool writeFileAtomically(const char* path, const std::function<bool(FILE*)>& write) {
    const std::string part = std::string(path) + ".part";
    FILE* file = std::fopen(part.c_str(), "wb");
    if (!file) return false;
    errno = 0;
    bool ok = write(file) && std::fflush(file) == 0 && !std::ferror(file);
    int error = errno;
    if (std::fclose(file) != 0 && ok) ok = false, error = errno;
    if (ok && std::rename(part.c_str(), path) == 0) return true;
    if (ok) error = errno;
    std::remove(part.c_str());
    errno = error ? error : EIO;
    return false;
}

bool writePng(const char* path, const uint32_t* pixels, int width, int height) {
    return writeFileAtomically(path,
                               [&](FILE* file) { return writeRows(file, pixels, width, height); });
}
