#include "BitmapFile.h"

#include "File.h"
#include "StatusScope.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

// Rows are converted and written in chunks of about this size: small enough to stay in the
// cache, and to cost few fresh pages of memory.
constexpr size_t kChunk = size_t{256} << 10;

void Put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// The file header and BITMAPINFOHEADER of a bottom-up 24-bit picture.
std::string Header(int width, int height, uint32_t imageSize) {
    std::string header = "BM";
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

        int error = 0;
        const bool written = ReplaceFile(
            fileName, 0600,
            [&](int fd) {
                if (!WriteAll(fd, Header(width, height, static_cast<uint32_t>(imageSize))))
                    return false;
                // Bottom row first.
                const int chunkRows = std::clamp(static_cast<int>(kChunk / rowBytes), 1, height);
                std::string chunk(static_cast<size_t>(chunkRows) * rowBytes, '\0');
                auto* out = reinterpret_cast<uint8_t*>(chunk.data());
                for (int done = 0; done < height; done += chunkRows) {
                    const int rows = std::min(chunkRows, height - done);
                    for (int row = 0; row < rows; ++row) {
                        ToBgr(pixels.constScanLine(height - 1 - done - row), width,
                              out + static_cast<size_t>(row) * rowBytes);
                    }
                    if (!WriteAll(fd, std::string_view(chunk).substr(
                                          0, static_cast<size_t>(rows) * rowBytes)))
                        return false;
                }
                return true;
            },
            error);
        if (!written) scope.Raise("Failed to write file.", fileName, {}, error);
    });
}

void WriteBitmapFiles(const std::vector<TBitmapFileJob>& jobs) {
    std::vector<TFunStatContext> outcomes(jobs.size());
    const auto write = [&](size_t index) {
        WriteBitmapFile(*jobs[index].Bitmap, jobs[index].FileName);
        outcomes[index] = FunStatContext;
    };
    std::vector<std::thread> threads;
    for (size_t index = 1; index < jobs.size(); ++index) {
        try {
            threads.emplace_back(write, index);
        } catch (const std::system_error&) {
            // No thread to be had: the calling thread writes this one itself.
            write(index);
        }
    }
    if (!jobs.empty()) write(0);
    for (std::thread& thread : threads) thread.join();
    FunStatContext.Reset(fsPerfect);
    for (const TFunStatContext& outcome : outcomes)
        if (outcome.Failed()) {
            FunStatContext = outcome;
            break;
        }
}
