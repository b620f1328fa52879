#pragma once

#include <QImage>
#include <cstddef>
#include <memory>

// Pictures and the large buffers of their processing take memory mapped for them alone, asked
// for in huge pages. A decoded photograph fills hundreds of megabytes; faulting that in 4 KiB
// pages costs more than decoding it on some machines (virtual machines above all), and the
// memory goes back to the system as soon as it is released. The memory is not cleared.

struct TUnmap {
    void* Address = nullptr;
    size_t Length = 0;
    void operator()(unsigned char*) const;
};

using TPictureMemory = std::unique_ptr<unsigned char[], TUnmap>;

// Null when the memory cannot be had.
TPictureMemory AllocatePictureMemory(size_t bytes);

// A QImage over such memory (small ones come from the ordinary heap); a null image when the
// memory cannot be had.
QImage AllocatePicture(int width, int height, QImage::Format format);
