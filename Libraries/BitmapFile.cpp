#include "BitmapFile.h"

#include "StatusScope.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Rows are converted and written in chunks of about this size: small enough to stay in the
// cache, and to cost few fresh pages of memory.
constexpr size_t kChunk = size_t{256} << 10;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// The file header and BITMAPINFOHEADER of a bottom-up 24-bit picture.
std::vector<uint8_t> Header(int width, int height, uint32_t imageSize) {
    std::vector<uint8_t> header;
    header.reserve(54);
    header.push_back('B');
    header.push_back('M');
    Put32(header, 54 + imageSize);
    Put32(header, 0);
    Put32(header, 54);
    Put32(header, 40);
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    Put16(header, 1);
    Put16(header, 24);
    Put32(header, 0);  // no compression
    Put32(header, imageSize);
    Put32(header, 2835);  // 72 dots per inch
    Put32(header, 2835);
    Put32(header, 0);
    Put32(header, 0);
    return header;
}

// One row of 32-bit pixels as 24-bit ones, four pixels (three words) at a time.
void ToBgr(const uchar* in, int width, uint8_t* out) {
    int x = 0;
    for (; x + 4 <= width; x += 4, in += 16, out += 12) {
        uint32_t p[4];
        std::memcpy(p, in, sizeof p);
        const uint32_t words[3] = {(p[0] & 0xFFFFFF) | p[1] << 24,
                                   (p[1] >> 8 & 0xFFFF) | p[2] << 16,
                                   (p[2] >> 16 & 0xFF) | p[3] << 8};
        std::memcpy(out, words, sizeof words);
    }
    for (; x < width; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
}

}  // namespace

void WriteBitmapFile(const QImage& bitmap, const std::string& fileName) {
    TStatusScope scope("WriteBitmapFile");
    std::string temporary;
    int fd = -1;
    scope.Run([&] {
        QImage pixels = bitmap;
        if (pixels.format() != QImage::Format_RGB32 && pixels.format() != QImage::Format_ARGB32)
            pixels = pixels.convertToFormat(QImage::Format_RGB32);
        if (pixels.isNull()) scope.Raise("Failed to write file.", fileName);
        const int width = pixels.width();
        const int height = pixels.height();
        const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
        const uint64_t imageSize = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
        if (imageSize > UINT32_MAX - 54)
            scope.Raise("Failed to write file.", fileName, "too large");

        temporary = fileName + ".XXXXXX";
        errno = 0;
        fd = mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0) {
            temporary.clear();
            scope.Raise("Failed to write file.", fileName, {}, errno);
        }

        const std::vector<uint8_t> header = Header(width, height, static_cast<uint32_t>(imageSize));
        if (!WriteAll(fd, header.data(), header.size()))
            scope.Raise("Failed to write file.", fileName, {}, errno);
        // Bottom row first.
        const int chunkRows = std::clamp(static_cast<int>(kChunk / rowBytes), 1, height);
        std::vector<uint8_t> chunk(static_cast<size_t>(chunkRows) * rowBytes, 0);
        for (int done = 0; done < height; done += chunkRows) {
            const int rows = std::min(chunkRows, height - done);
            for (int row = 0; row < rows; ++row) {
                ToBgr(pixels.constScanLine(height - 1 - done - row), width,
                      chunk.data() + static_cast<size_t>(row) * rowBytes);
            }
            if (!WriteAll(fd, chunk.data(), static_cast<size_t>(rows) * rowBytes))
                scope.Raise("Failed to write file.", fileName, {}, errno);
        }
        const int closed = close(fd);
        fd = -1;
        if (closed != 0) scope.Raise("Failed to write file.", fileName, {}, errno);
        if (rename(temporary.c_str(), fileName.c_str()) != 0)
            scope.Raise("Failed to write file.", fileName, {}, errno);
        temporary.clear();
    });
    if (fd >= 0) close(fd);
    if (!temporary.empty()) unlink(temporary.c_str());
}
