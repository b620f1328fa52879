#include "PictureBuffer.h"

#include <sys/mman.h>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// Below this, memory comes without huge pages, and pictures from the ordinary heap.
constexpr size_t kHugeFrom = size_t{1} << 20;

// An image gives its memory back through a plain function and one pointer: the mapping's
// address and length, kept right behind the pixels.
void ReleaseMapping(void* info) {
    TUnmap unmap;
    std::memcpy(&unmap, info, sizeof unmap);
    unmap(nullptr);
}

}  // namespace

void TUnmap::operator()(unsigned char*) const {
    if (Address) munmap(Address, Length);
}

TPictureMemory AllocatePictureMemory(size_t bytes) {
    if (bytes == 0 || bytes > std::numeric_limits<size_t>::max() - 2 * kHugePage) return {};
    // Mapped one huge page larger, so that the memory can start on a huge page boundary; mmap's
    // own page alignment leaves at least a page free behind it.
    const size_t length = bytes + kHugePage;
    void* address =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) return {};
    const auto start = (reinterpret_cast<uintptr_t>(address) + kHugePage - 1) & ~(kHugePage - 1);
    auto* memory = reinterpret_cast<unsigned char*>(start);
    // Only a hint: without transparent huge pages the memory is still good.
    madvise(memory, bytes, MADV_HUGEPAGE);
    return TPictureMemory(memory, TUnmap{address, length});
}

QImage AllocatePicture(int width, int height, QImage::Format format) {
    if (width < 1 || height < 1) return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const size_t bytesPerLine = ((static_cast<size_t>(width) * depth + 31) / 32) * 4;
    if (bytesPerLine > static_cast<size_t>(std::numeric_limits<qsizetype>::max()) / height)
        return {};
    const size_t size = bytesPerLine * static_cast<size_t>(height);
    if (size < kHugeFrom) return QImage(width, height, format);

    const size_t tail = (size + alignof(TUnmap) - 1) & ~(alignof(TUnmap) - 1);
    TPictureMemory memory = AllocatePictureMemory(tail + sizeof(TUnmap));
    if (!memory) return {};
    unsigned char* pixels = memory.get();
    const TUnmap unmap = memory.get_deleter();
    std::memcpy(pixels + tail, &unmap, sizeof unmap);
    QImage image(pixels, width, height, static_cast<qsizetype>(bytesPerLine), format,
                 ReleaseMapping, pixels + tail);
    if (!image.isNull()) memory.release();
    return image;
}
