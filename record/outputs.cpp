#include "record/outputs.h"
#include "frame/frame_rate.h"
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <png.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

std::string partName(const std::string& path) {
    return path + ".part";
}

bool openPart(PartFile& out, const std::string& path) {
    out.path = path;
    if (path == "-") {
        out.file = stdout;
        return true;
    }
    out.file = std::fopen(partName(path).c_str(), "wb");
    return out.file != nullptr;
}

bool makeWritableFolder(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!error && !std::filesystem::is_directory(dir, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) {
        errno = error.value();
        return false;
    }
    return access(dir.c_str(), W_OK | X_OK) == 0;
}

bool writePng(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(width);
    image.height = uint32_t(height);
    image.format = PNG_FORMAT_RGBA;
    const png_int_32 stride = -png_int_32(width * 4); // bottom-up rows, written top-down
    const std::string part = partName(path);
    errno = 0;
    if (!png_image_write_to_file(&image, part.c_str(), 0, pixels, stride, nullptr)) {
        const int error = errno ? errno : EIO; // the cause, not the removal's
        std::remove(part.c_str());
        errno = error;
        return false;
    }
    return std::rename(part.c_str(), path.c_str()) == 0;
}

// The rows go out top-down straight from the read-back buffer, several per
// system call, without a copy through the stdio buffer.
bool writeRawFrame(std::FILE* file, const uint8_t* pixels, int32_t width, int32_t height) {
    if (std::fflush(file) != 0) return false;
    const size_t row = size_t(width) * 4;
    constexpr int batch = 64;
    iovec rows[batch];
    for (int32_t top = height - 1; top >= 0;) {
        int count = 0;
        size_t total = 0;
        for (; count < batch && top >= 0; ++count, --top) {
            rows[count].iov_base = const_cast<uint8_t*>(pixels + size_t(top) * row);
            rows[count].iov_len = row;
            total += row;
        }
        int first = 0;
        while (total > 0) {
            const ssize_t written = writev(fileno(file), rows + first, count - first);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            total -= size_t(written);
            for (size_t left = size_t(written); left > 0;) {
                const size_t step = std::min(left, rows[first].iov_len);
                rows[first].iov_base = static_cast<uint8_t*>(rows[first].iov_base) + step;
                rows[first].iov_len -= step;
                left -= step;
                if (rows[first].iov_len == 0) ++first;
            }
        }
    }
    return true;
}

bool writeWav(std::FILE* file, const void* pcm, uint32_t bytes) {
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    auto put = [&header](int at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            header[at + i] = uint8_t(value >> (8 * i));
    };
    put(4, 36 + bytes, 4);
    put(16, 16, 4);
    put(20, 1, 2); // PCM
    put(22, 2, 2); // stereo
    put(24, audioRate, 4);
    put(28, audioRate * audioFrameBytes, 4);
    put(32, audioFrameBytes, 2);
    put(34, 16, 2);
    std::copy_n("data", 4, header + 36);
    put(40, bytes, 4);
    return std::fwrite(header, 1, sizeof header, file) == sizeof header &&
           std::fwrite(pcm, 1, bytes, file) == bytes;
}
