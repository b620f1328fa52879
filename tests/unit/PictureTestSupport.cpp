#include "PictureTestSupport.h"

#include <QBuffer>
#include <QImageWriter>
#include <cmath>
#include <cstdlib>
#include <fstream>

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
