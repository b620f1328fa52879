#pragma once

#include "PictureScaling.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// JPEG photographs decoded with libjpeg-turbo itself rather than through QImageReader, for what
// only the library offers: decoding straight into the picture's final pixel layout, reducing to
// 1/2, 1/4 or 1/8 while decoding, and decoding only the rows and columns that will be shown.
class TJpegDecoder {
public:
    // More scans than any encoder writes: a file with more is built to keep decoders busy, since
    // every scan is a pass over the whole picture however few bytes it takes (djpeg -maxscans).
    static constexpr int kMaxScans = 256;

    // fd is read from its current position; the caller keeps it open and closes it. progress,
    // when given, is asked often while decoding, which gives up when it answers false. libjpeg
    // takes at most memoryLimit bytes for its own work.
    TJpegDecoder(int fd, std::function<bool()> progress, uint64_t memoryLimit);
    ~TJpegDecoder();
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    enum class THeader { Readable, Damaged, LeftToQt };

    // Reads the markers up to the image data. The colour spaces of print (CMYK and YCCK) are
    // left to Qt, which knows how Adobe stores them.
    THeader ReadHeader();

    QSize StoredSize() const;
    TOrientation Orientation() const { return m_orientation; }
    // The memory libjpeg needs beyond a few rows: the coefficients of the whole picture when it
    // comes in several scans (progressive photographs), which are all read before the first row.
    uint64_t WorkingMemory() const;

    // Starts decoding region (stored orientation, in pixels of the picture reduced to
    // 1/reduction, where reduction is 1, 2, 4 or 8). The decoder may widen the region to its
    // block boundaries; region says on return what will be decoded. Only once per decoder.
    bool Start(int reduction, QRect& region);
    // The next rows of the region, as 32-bit pixels (Format_RGB32).
    bool Read(uchar* pixels, qsizetype stride, int rows);

    // Why the last call failed: ECANCELED when progress said so, otherwise 0 and libjpeg's words.
    int FailureError() const;
    const std::string& FailureReason() const;

    struct TState;

private:
    std::unique_ptr<TState> m_state;
    TOrientation m_orientation;
};

// Whether a JPEG file has more than TJpegDecoder::kMaxScans scans, told by its start-of-scan
// markers alone (an embedded thumbnail may add one): for files whose decoding is left to Qt, which
// sets no limit. Reads the file through fd from its start, without moving its offset.
bool HasTooManyScans(int fd);
// The reason given for such a file.
std::string TooManyScansReason();

// The orientation recorded in an EXIF block (an APP1 segment's data, "Exif\0\0" and the TIFF
// structure after it); upright when there is none or it cannot be read.
TOrientation ExifOrientation(const uint8_t* data, size_t size);
