#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <filesystem>
#include <string>

// The trap files of tests/data.
inline std::string TestData(const std::string& name) {
    return (std::filesystem::path(TAPESTREL_TEST_DATA) / name).string();
}

// Whether two colours differ by at most tolerance in every channel.
bool SameColour(QRgb a, QRgb b, int tolerance = 0);

// Peak signal-to-noise ratio of the colour channels of two pictures of one size, in dB.
double Psnr(const QImage& a, const QImage& b);

// A smooth picture (gradients and broad waves) with some detail: resampled by any good filter
// it changes little, so differences between filters show as faults, not as taste.
QImage SmoothPicture(int width, int height);

// A JPEG file's bytes with an EXIF orientation (1 to 8) put in after its start marker, in
// little-endian TIFF order.
QByteArray WithOrientation(const QByteArray& jpeg, int orientation);

QByteArray EncodePicture(const QImage& image, const char* format, int quality = 95);

// How a PNG stores its pixels: PNG_COLOR_TYPE_*, the bits of a sample, a tRNS chunk (alphas for
// part of a palette, or one transparent grey level or colour) and Adam7 interlacing.
struct TPngLayout {
    int ColourType = 0;
    int BitDepth = 8;
    bool TransparentColour = false;
    bool Interlaced = false;
};

// A PNG of noise in any layout, Qt's writer makes only some, written by libpng. A palette of 8
// bits has fewer entries than its indices reach; a transparent colour covers a third of the
// pixels.
QByteArray NoisePng(const TPngLayout& layout, int width, int height);
void WriteBytes(const std::string& path, const QByteArray& bytes);
