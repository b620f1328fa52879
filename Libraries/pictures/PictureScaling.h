#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// How a picture is stored against how it is seen, as the orientation of a photograph says:
// mirrored left to right and/or flipped top to bottom first, then turned a quarter clockwise.
struct TOrientation {
    bool Mirror = false;
    bool Flip = false;
    bool Rotate90 = false;
};

// 32-bit pixels (blue, green, red, alpha in memory) seen upright: pixel (x, y) starts
// Origin + x * StepX + y * StepY bytes, so that a picture stored sideways or mirrored is drawn
// without turning it first.
struct TPixelView {
    const uchar* Origin = nullptr;
    qsizetype StepX = 4;
    qsizetype StepY = 0;
    int Width = 0;
    int Height = 0;
    bool HasAlpha = false;
};

// image must hold 32-bit pixels in Format_ARGB32 or Format_RGB32, and outlive the view.
TPixelView UprightView(const QImage& image, TOrientation orientation = {});

// Every channel value through the gamma curve; see GammaTable in MyGDIPlus.h.
using TGammaTable = std::array<uint8_t, 256>;

// Draws the part source of picture (in view pixels; fractions allowed) into the rectangle
// destination of bitmap (Format_ARGB32 or Format_RGB32, clipped to it), resampling with the
// bicubic Catmull-Rom filter in both directions, widened when reducing so that every picture
// pixel counts. Transparent parts of the picture show what bitmap held there; gamma, when given,
// is applied to the picture's colours. The work is spread over all cores; the call returns when
// it is done, or false, the drawing unfinished, when keepGoing (asked between bands of rows)
// says to give up.
bool DrawPictureRect(QImage& bitmap, const QRect& destination, const TPixelView& picture,
                     const QRectF& source, const TGammaTable* gamma = nullptr,
                     const std::function<bool()>& keepGoing = {});

// The same drawing for a picture that arrives a band of rows at a time, top to bottom, so that
// the whole picture never needs to be in memory: each destination row is written as soon as
// the picture rows it needs have come.
class TPictureResampler {
public:
    // picture is the size of the whole upright picture (in view pixels), source a part of it.
    TPictureResampler(QImage& bitmap, const QRect& destination, const QSize& picture,
                      bool pictureHasAlpha, const QRectF& source,
                      const TGammaTable* gamma = nullptr);
    ~TPictureResampler();
    TPictureResampler(const TPictureResampler&) = delete;
    TPictureResampler& operator=(const TPictureResampler&) = delete;

    // Picture rows firstRow to firstRow + band.Height - 1, continuing where the last band ended;
    // band.Width is the picture's width.
    void AddRows(const TPixelView& band, int firstRow);
    // As AddRows, but returns once the rows are copied: they are drawn on another thread while
    // the caller decodes the next band. Finish waits for that drawing, and rethrows what went
    // wrong in it; so does the next AddRowsAsync, and the destructor waits too. measure, when
    // given, sees the same rows on that thread first.
    void AddRowsAsync(const TPixelView& band, int firstRow,
                      std::function<void(const TPixelView&)> measure = {});
    void Finish();

    struct TState;

private:
    std::unique_ptr<TState> m_state;
};
