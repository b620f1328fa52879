#include "PictureDecoding.h"

#include "PictureBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Qt's own check of what a reader may allocate, in MiB, for readers that cannot tell the size
// before decoding: room for the largest picture even at 8 bytes a pixel (16-bit PNG).
constexpr int kReaderAllocationLimit = static_cast<int>(kMaxPicturePixels * 8 / (1 << 20)) + 1;

// A rows-at-a-time conversion keeps the memory of the conversion itself small.
constexpr int kConversionRows = 64;

// JPEG rows decoded at a time when they are drawn as they come.
constexpr int kBandRows = 128;

bool ReadExactly(int fd, void* buffer, size_t size) {
    ssize_t count;
    do {
        count = read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count == static_cast<ssize_t>(size);
}

bool IsJpeg(int fd) {
    unsigned char magic[3] = {};
    const bool jpeg = ReadExactly(fd, magic, sizeof magic) && magic[0] == 0xFF &&
                      magic[1] == 0xD8 && magic[2] == 0xFF;
    return lseek(fd, 0, SEEK_SET) == 0 && jpeg;
}

TOrientation FromQt(QImageIOHandler::Transformations transformation) {
    return {transformation.testFlag(QImageIOHandler::TransformationMirror),
            transformation.testFlag(QImageIOHandler::TransformationFlip),
            transformation.testFlag(QImageIOHandler::TransformationRotate90)};
}

QSize Upright(const QSize& stored, const TOrientation& orientation) {
    return orientation.Rotate90 ? stored.transposed() : stored;
}

bool TooLarge(const QSize& size) {
    return static_cast<qint64>(size.width()) * size.height() > kMaxPicturePixels;
}

// One axis of a part of the upright picture, on the stored axis it runs along.
struct TSpan {
    int First;
    int End;
};

TSpan Stored(TSpan upright, bool backwards, int length) {
    return backwards ? TSpan{length - upright.End, length - upright.First} : upright;
}

int RoundUp(int value, int divisor) {
    return (value + divisor - 1) / divisor;
}

// How a picture coordinate along one upright axis lands in the view of a decoded part that
// covers reduced stored pixels [first, end) of an axis storedLength long.
void MapAxis(bool backwards, int storedLength, int reduction, int first, int end, double& scale,
             double& offset) {
    scale = 1.0 / reduction;
    offset = backwards ? end - static_cast<double>(storedLength) / reduction : -first;
}

}  // namespace

QRectF TDecodedPicture::ToView(const QRect& pictureRect) const {
    return QRectF(pictureRect.x() * ScaleX + OffsetX, pictureRect.y() * ScaleY + OffsetY,
                  pictureRect.width() * ScaleX, pictureRect.height() * ScaleY);
}

TPictureFile::TPictureFile() = default;

TPictureFile::~TPictureFile() {
    m_jpeg.reset();
    if (m_fd >= 0) close(m_fd);
}

bool TPictureFile::Open(const std::string& fileName) {
    m_fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    // Anything but a regular file (a pipe would block the program for good) is no picture.
    if (m_fd < 0 || fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;

    if (IsJpeg(m_fd)) {
        m_jpeg = std::make_unique<TJpegDecoder>(m_fd);
        const TJpegDecoder::THeader header = m_jpeg->ReadHeader();
        if (header == TJpegDecoder::THeader::Readable) {
            m_orientation = m_jpeg->Orientation();
            m_size = Upright(m_jpeg->StoredSize(), m_orientation);
            return !TooLarge(m_size);
        }
        m_jpeg.reset();
        if (header == TJpegDecoder::THeader::Damaged) return false;
        if (lseek(m_fd, 0, SEEK_SET) != 0) return false;
    }
    return OpenWithQt();
}

bool TPictureFile::OpenWithQt() {
    QFile file;
    if (!file.open(m_fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return false;
    QImageReader::setAllocationLimit(kReaderAllocationLimit);
    // The content decides the format: the name of the file may say otherwise.
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    if (!reader.canRead()) return false;

    const QSize stored = reader.size();
    if (stored.isValid() && TooLarge(stored)) return false;
    m_orientation = FromQt(reader.transformation());

    // Decoded straight into memory of our own when the reader tells what it will make.
    QImage image;
    if (stored.isValid() && reader.imageFormat() != QImage::Format_Invalid)
        image = AllocatePicture(stored.width(), stored.height(), reader.imageFormat());
    if (!reader.read(&image) || image.isNull() || TooLarge(image.size()) || !ConvertToArgb32(image))
        return false;

    m_size = Upright(image.size(), m_orientation);
    m_decoded.Stored = image.size();
    m_decoded.Orientation = m_orientation;
    m_decoded.Pixels = std::move(image);
    return true;
}

bool TPictureFile::Decode(const QRect& region, int reduction, TDecodedPicture& picture) {
    if (!m_jpeg) {
        // Handed over rather than shared: whoever changes the pixels need not copy them first.
        picture = std::move(m_decoded);
        m_decoded = {};
        return !picture.Pixels.isNull();
    }
    if (!StartJpeg(region, reduction, picture)) return false;
    picture.Pixels =
        AllocatePicture(picture.Stored.width(), picture.Stored.height(), QImage::Format_RGB32);
    return !picture.Pixels.isNull() &&
           m_jpeg->Read(picture.Pixels.bits(), picture.Pixels.bytesPerLine(),
                        picture.Stored.height());
}

bool TPictureFile::CanDecodeInBands() const {
    return m_jpeg && !m_orientation.Flip && !m_orientation.Rotate90;
}

bool TPictureFile::StartBands(const QRect& region, int reduction, TDecodedPicture& picture) {
    if (!CanDecodeInBands() || !StartJpeg(region, reduction, picture)) return false;
    m_band = AllocatePicture(picture.Stored.width(), std::min(kBandRows, picture.Stored.height()),
                             QImage::Format_RGB32);
    m_bandNext = 0;
    m_bandRows = picture.Stored.height();
    m_bandFailed = m_band.isNull();
    return !m_bandFailed;
}

bool TPictureFile::NextBand(TPixelView& band, int& firstRow) {
    if (m_bandFailed || m_bandNext >= m_bandRows) return false;
    const int rows = std::min(m_band.height(), m_bandRows - m_bandNext);
    if (!m_jpeg->Read(m_band.bits(), m_band.bytesPerLine(), rows)) {
        m_bandFailed = true;
        return false;
    }
    band = UprightView(m_band, m_orientation);
    band.Height = rows;
    firstRow = m_bandNext;
    m_bandNext += rows;
    return true;
}

bool TPictureFile::StartJpeg(const QRect& region, int reduction, TDecodedPicture& picture) {
    const QSize stored = m_jpeg->StoredSize();
    const QRect part = region.intersected(QRect(QPoint(0, 0), m_size));
    if (part.isEmpty()) return false;
    // Along which stored axis each upright axis runs, and whether backwards; as UprightView.
    const bool turned = m_orientation.Rotate90;
    const bool acrossBackwards = turned ? !m_orientation.Flip : m_orientation.Mirror;
    const bool downBackwards = turned ? m_orientation.Mirror : m_orientation.Flip;
    const TSpan across = Stored({part.left(), part.right() + 1}, acrossBackwards,
                                turned ? stored.height() : stored.width());
    const TSpan down = Stored({part.top(), part.bottom() + 1}, downBackwards,
                              turned ? stored.width() : stored.height());
    const TSpan storedX = turned ? down : across;
    const TSpan storedY = turned ? across : down;

    // Rounded outward to whole reduced pixels.
    QRect reduced(QPoint(storedX.First / reduction, storedY.First / reduction),
                  QPoint(RoundUp(storedX.End, reduction) - 1, RoundUp(storedY.End, reduction) - 1));
    if (!m_jpeg->Start(reduction, reduced)) return false;

    picture.Pixels = QImage();
    picture.Stored = reduced.size();
    picture.Orientation = m_orientation;
    const int acrossFirst = turned ? reduced.top() : reduced.left();
    const int acrossEnd = turned ? reduced.bottom() + 1 : reduced.right() + 1;
    const int downFirst = turned ? reduced.left() : reduced.top();
    const int downEnd = turned ? reduced.right() + 1 : reduced.bottom() + 1;
    MapAxis(acrossBackwards, turned ? stored.height() : stored.width(), reduction, acrossFirst,
            acrossEnd, picture.ScaleX, picture.OffsetX);
    MapAxis(downBackwards, turned ? stored.width() : stored.height(), reduction, downFirst, downEnd,
            picture.ScaleY, picture.OffsetY);
    return true;
}

int ChooseReduction(const QSize& source, const QSize& target) {
    if (target.isEmpty()) return 8;
    for (int reduction : {8, 4, 2}) {
        if (source.width() >= static_cast<qint64>(target.width()) * reduction &&
            source.height() >= static_cast<qint64>(target.height()) * reduction)
            return reduction;
    }
    return 1;
}

bool ConvertToArgb32(QImage& image) {
    switch (image.format()) {
        case QImage::Format_ARGB32:
        case QImage::Format_RGB32:
            return true;
        case QImage::Format_ARGB32_Premultiplied:
            image.convertTo(QImage::Format_ARGB32);  // in place: same size of pixel
            return true;
        default:
            break;
    }
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    QImage converted = AllocatePicture(image.width(), image.height(), format);
    if (converted.isNull()) return false;
    const QImage& source = image;
    for (int top = 0; top < image.height(); top += kConversionRows) {
        const int rows = std::min(kConversionRows, image.height() - top);
        QImage strip(source.constScanLine(top), source.width(), rows, source.bytesPerLine(),
                     source.format());
        if (!source.colorTable().isEmpty()) strip.setColorTable(source.colorTable());
        const QImage part = strip.convertToFormat(format);
        if (part.isNull()) return false;
        for (int row = 0; row < rows; ++row) {
            std::memcpy(converted.scanLine(top + row), part.constScanLine(row),
                        static_cast<size_t>(image.width()) * 4);
        }
    }
    image = converted;
    return true;
}
