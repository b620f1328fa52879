#include "PictureTestSupport.h"

#include <png.h>
#include <QBuffer>
#include <QImageWriter>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <fstream>
#include <vector>

bool SameColour(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

double Psnr(const QImage& a, const QImage& b) {
    double squares = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                squares += d * d;
        }
    }
    const double mean = squares / (3.0 * a.width() * a.height());
    return mean == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mean);
}

QImage SmoothPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) / width;
            const double fy = static_cast<double>(y) / height;
            const double wave =
                50.0 * std::sin(fx * 9.0 + fy * 4.0) * std::cos(fy * 7.0 - fx * 3.0);
            image.setPixel(
                x, y,
                qRgb(static_cast<int>(40 + 150 * fx + wave), static_cast<int>(60 + 130 * fy - wave),
                     static_cast<int>(200 - 100 * fx * fy + wave / 2)));
        }
    }
    return image;
}

QByteArray WithOrientation(const QByteArray& jpeg, int orientation) {
    // "Exif\0\0", an Intel TIFF header, one directory with one entry (0x0112, SHORT, 1 value).
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif.append(static_cast<char>(orientation))
        .append(QByteArray(3, '\0'))
        .append(QByteArray(4, '\0'));
    const int length = static_cast<int>(exif.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(static_cast<char>(length >> 8))
        .append(static_cast<char>(length & 0xFF))
        .append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray EncodePicture(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

void WriteBytes(const std::string& path, const QByteArray& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.constData(), bytes.size());
}

namespace {

uint32_t Noise(uint32_t x, uint32_t y, uint32_t channel) {
    uint32_t h = x * 73856093u ^ y * 19349663u ^ channel * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ h >> 15;
}

void IgnoreWarning(png_structp, png_const_charp) {}

void AppendToArray(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

}  // namespace

QByteArray NoisePng(const TPngLayout& layout, int width, int height) {
    const bool palette = layout.ColourType == PNG_COLOR_TYPE_PALETTE;
    const int channels = palette ? 1
                                 : ((layout.ColourType & PNG_COLOR_MASK_COLOR) ? 3 : 1) +
                                       ((layout.ColourType & PNG_COLOR_MASK_ALPHA) ? 1 : 0);
    const uint32_t levels = 1u << layout.BitDepth;
    const int bytes = layout.BitDepth == 16 ? 2 : 1;  // below 8 bits packed by libpng
    // Not black: Qt shows a transparent grey level as transparent black.
    const uint32_t transparent = levels / 3;
    std::vector<std::vector<png_byte>> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::vector<png_byte>& row = rows[static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const bool hidden = layout.TransparentColour && !palette && (x + y) % 3 == 0;
            for (int c = 0; c < channels; ++c) {
                const uint32_t value = hidden ? transparent : Noise(x, y, c) % levels;
                if (bytes == 2) row.push_back(static_cast<png_byte>(value >> 8));
                row.push_back(static_cast<png_byte>(value));
            }
        }
    }
    std::vector<png_color> colours(levels == 256 ? 250 : levels);
    std::vector<png_byte> alphas(colours.size() / 2);
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = {static_cast<png_byte>(Noise(i, 0, 7)), static_cast<png_byte>(Noise(i, 1, 7)),
                      static_cast<png_byte>(Noise(i, 2, 7))};
    for (size_t i = 0; i < alphas.size(); ++i)
        alphas[i] = i == 0 ? 0 : static_cast<png_byte>(Noise(i, 3, 7));
    std::vector<png_bytep> pointers;
    for (std::vector<png_byte>& row : rows) pointers.push_back(row.data());

    QByteArray file;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &file, AppendToArray, nullptr);
    // Indices past the palette's end are what is being written on purpose.
    png_set_benign_errors(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 layout.BitDepth, layout.ColourType,
                 layout.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    if (layout.TransparentColour) {
        png_color_16 colour{
            0, static_cast<png_uint_16>(transparent), static_cast<png_uint_16>(transparent),
            static_cast<png_uint_16>(transparent), static_cast<png_uint_16>(transparent)};
        png_set_tRNS(png, info, palette ? alphas.data() : nullptr,
                     palette ? static_cast<int>(alphas.size()) : 0, palette ? nullptr : &colour);
    }
    png_write_info(png, info);
    if (layout.BitDepth < 8) png_set_packing(png);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}
