#pragma once

#include "JpegDecoding.h"
#include "PictureScaling.h"
#include "PngDecoding.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The most pixels a picture may have: 300-megapixel photographs load, a header claiming more
// than this is refused before any memory is taken for it.
inline constexpr qint64 kMaxPicturePixels = 400'000'000;

// What a decode may take. A decode that needs more memory than the budget is refused before it
// starts; long work asks Progress (when given) often and gives up when it answers false.
struct TDecodeLimits {
    uint64_t MemoryBudget = DefaultMemoryBudget();
    std::function<bool()> Progress;

    // Half of what the machine can give now: a picture that needs more would push the whole
    // desktop into swap.
    static uint64_t DefaultMemoryBudget();
};

// Why a picture could not be had: the system's error code where the system said why (ECANCELED
// when the work was given up), and the decoder's or our own words otherwise.
struct TPictureFailure {
    int Error = 0;
    std::string Reason;
};

// Decoded pixels, in the picture's stored orientation and possibly only a part of it at a
// reduction, with the way from picture coordinates (upright, at the picture's true size) to
// coordinates in the upright view of these pixels, per axis: view = picture * Scale + Offset.
struct TDecodedPicture {
    QImage Pixels;  // Format_ARGB32 or Format_RGB32; null while they come in bands
    QSize Stored;   // the size of the decoded part, stored orientation
    TOrientation Orientation;
    double ScaleX = 1.0;
    double OffsetX = 0.0;
    double ScaleY = 1.0;
    double OffsetY = 0.0;
    // Known before the pixels when they come in bands: whether they are drawn over what is there.
    bool HasAlpha = false;

    TPixelView View() const { return UprightView(Pixels, Orientation); }
    QSize ViewSize() const { return Orientation.Rotate90 ? Stored.transposed() : Stored; }
    QRectF ToView(const QRect& pictureRect) const;
};

// A picture file opened by the bytes of its path, its format told by its content (not its
// name). Its upright size is known once it is open; JPEG and PNG pixels are decoded only when
// asked for, JPEG ones only in the part and at the reduction needed, PNG ones only down to the
// last row of the part.
class TPictureFile {
public:
    explicit TPictureFile(TDecodeLimits limits = {});
    ~TPictureFile();
    TPictureFile(const TPictureFile&) = delete;
    TPictureFile& operator=(const TPictureFile&) = delete;

    // False when the file is missing, unreadable, not a regular file, not a picture that can be
    // decoded, or too large to decode. Nothing here ever waits for a writer (a named pipe).
    bool Open(const std::string& fileName);

    // Upright, in the picture's own pixels.
    QSize Size() const { return m_size; }

    // Decodes the part region (picture coordinates) at 1/reduction (1, 2, 4 or 8). Formats other
    // than JPEG come unreduced, and whole but for PNG. False when the pixels cannot be decoded.
    bool Decode(const QRect& region, int reduction, TDecodedPicture& picture);

    // Whether the pixels can also come a band of rows at a time, top to bottom, so that they can
    // be drawn as they come and the whole part is never in memory: JPEG photographs that are not
    // stored upside down or sideways, and PNG pictures that are not interlaced.
    bool CanDecodeInBands() const;
    // Whether the pixels carry transparency, known once the file is open for the formats that can
    // come in bands.
    bool HasAlpha() const { return m_png && m_png->HasAlpha(); }
    // As Decode, but picture receives only the geometry; the pixels follow band by band from
    // NextBand, which is false after the last band or on a failure, and BandsComplete tells
    // which.
    bool StartBands(const QRect& region, int reduction, TDecodedPicture& picture);
    bool NextBand(TPixelView& band, int& firstRow);
    bool BandsComplete() const { return !m_bandFailed && m_bandNext == m_bandRows; }

    // Why the last call answered false.
    const TPictureFailure& Failure() const { return m_failure; }

private:
    bool OpenWithQt();
    // inBands: the pixels will come a band at a time rather than all at once.
    bool StartJpeg(const QRect& region, int reduction, bool inBands, TDecodedPicture& picture);
    bool StartPng(const QRect& region, bool inBands, TDecodedPicture& picture);
    // The next rows from whichever decoder started.
    bool ReadRows(uchar* pixels, qsizetype stride, int rows);
    bool Fail(int error, std::string reason = {});
    bool FailWithJpeg();
    bool FailWithPng();
    // Fails unless bytes more, besides what the decoder itself takes, fit in the budget.
    bool Affordable(uint64_t bytes);
    // False and the failure when the work is to be given up.
    bool KeepGoing();

    TDecodeLimits m_limits;
    TPictureFailure m_failure;
    int m_fd = -1;
    std::unique_ptr<TJpegDecoder> m_jpeg;
    std::unique_ptr<TPngDecoder> m_png;
    TDecodedPicture m_decoded;
    TOrientation m_orientation;
    QSize m_size;
    QImage m_band;
    int m_bandNext = 0;
    int m_bandRows = 0;
    bool m_bandFailed = false;
};

// The largest of 1, 2, 4 and 8 that the part source of a picture can be divided by while still
// having at least target's pixels on both axes (8 when nothing is to be drawn).
int ChooseReduction(const QSize& source, const QSize& target);

// Any image as 32-bit pixels (Format_ARGB32, or Format_RGB32 when it has no alpha channel).
// False when the memory for the conversion cannot be had, or when progress (asked between parts
// of a large conversion) says to give up.
bool ConvertToArgb32(QImage& image, const std::function<bool()>& progress = {});
