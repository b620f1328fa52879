#pragma once

#include "PictureScaling.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <memory>

// JPEG photographs decoded with libjpeg-turbo itself rather than through QImageReader, for what
// only the library offers: decoding straight into the picture's final pixel layout, reducing to
// 1/2, 1/4 or 1/8 while decoding, and decoding only the rows and columns that will be shown.
class TJpegDecoder {
public:
    // fd is read from its current position; the caller keeps it open and closes it.
    explicit TJpegDecoder(int fd);
    ~TJpegDecoder();
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    enum class THeader { Readable, Damaged, LeftToQt };

    // Reads the markers up to the image data. The colour spaces of print (CMYK and YCCK) are
    // left to Qt, which knows how Adobe stores them.
    THeader ReadHeader();

    QSize StoredSize() const;
    TOrientation Orientation() const { return m_orientation; }

    // Starts decoding region (stored orientation, in pixels of the picture reduced to
    // 1/reduction, where reduction is 1, 2, 4 or 8). The decoder may widen the region to its
    // block boundaries; region says on return what will be decoded. Only once per decoder.
    bool Start(int reduction, QRect& region);
    // The next rows of the region, as 32-bit pixels (Format_RGB32).
    bool Read(uchar* pixels, qsizetype stride, int rows);

    struct TState;

private:
    std::unique_ptr<TState> m_state;
    TOrientation m_orientation;
};

// The orientation recorded in an EXIF block (an APP1 segment's data, "Exif\0\0" and the TIFF
// structure after it); upright when there is none or it cannot be read.
TOrientation ExifOrientation(const uint8_t* data, size_t size);
