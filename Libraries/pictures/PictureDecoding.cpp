#include "PictureDecoding.h"

#include "File.h"
#include "PictureBuffer.h"
#include "SystemMemory.h"

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

// JPEG and PNG rows decoded at a time when they are drawn as they come.
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

// libpng takes each chunk but the image data whole into memory of its own, asked for and cleared
// at the size the chunk's header claims: a file of a few hundred bytes claiming a text chunk of
// 2 GB would cost that much memory and seconds. A chunk that claims more than the file holds
// cannot be read anyway; the image data, which libpng reads as it goes, may still show a part of
// a cut-off picture.
bool HasPngChunkPastEnd(int fd) {
    constexpr uint64_t kSignatureBytes = 8;
    struct stat status {};
    unsigned char header[8];
    if (!IsPng(fd) || fstat(fd, &status) != 0) return false;
    const auto size = static_cast<uint64_t>(status.st_size);
    // Each chunk: its length (big-endian), its type, its data and a checksum.
    for (uint64_t offset = kSignatureBytes; offset + 8 <= size;) {
        if (pread(fd, header, sizeof header, static_cast<off_t>(offset)) != sizeof header)
            return false;
        const uint64_t length =
            static_cast<uint64_t>(header[0]) << 24 | header[1] << 16 | header[2] << 8 | header[3];
        if (offset + 12 + length > size) return std::memcmp(header + 4, "IDAT", 4) != 0;
        if (std::memcmp(header + 4, "IEND", 4) == 0) return false;
        offset += 12 + length;
    }
    return false;
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

std::string TooLargeReason(const QSize& size) {
    return "The picture has " + std::to_string(size.width()) + " x " +
           std::to_string(size.height()) + " pixels, more than " +
           std::to_string(kMaxPicturePixels / 1'000'000) + " megapixels.";
}

uint64_t PixelBytes(const QSize& size, int bitsPerPixel) {
    return static_cast<uint64_t>(size.width()) * static_cast<uint64_t>(size.height()) *
           static_cast<uint64_t>(bitsPerPixel) / 8;
}

std::string Megabytes(uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

// The picture file as Qt's readers see it, which also lets a long decode be given up: a reader
// whose next read fails stops decoding at once.
class TWatchedFile : public QFile {
public:
    explicit TWatchedFile(const std::function<bool()>& keepGoing) : m_keepGoing(keepGoing) {}

    bool GaveUp() const { return m_gaveUp; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_gaveUp || (m_keepGoing && !m_keepGoing())) {
            m_gaveUp = true;
            return -1;
        }
        return QFile::readData(data, maxSize);
    }

private:
    const std::function<bool()>& m_keepGoing;
    bool m_gaveUp = false;
};

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

uint64_t TDecodeLimits::DefaultMemoryBudget() {
    return AvailableMemory() / 2;
}

TPictureFile::TPictureFile(TDecodeLimits limits) : m_limits(std::move(limits)) {}

TPictureFile::~TPictureFile() {
    m_jpeg.reset();
    m_png.reset();
    if (m_fd >= 0) close(m_fd);
}

bool TPictureFile::Fail(int error, std::string reason) {
    m_failure = {error, std::move(reason)};
    return false;
}

bool TPictureFile::FailWithJpeg() {
    return Fail(m_jpeg->FailureError(), m_jpeg->FailureReason());
}

bool TPictureFile::FailWithPng() {
    return Fail(m_png->FailureError(), m_png->FailureReason());
}

bool TPictureFile::Affordable(uint64_t bytes) {
    const uint64_t needed =
        bytes + (m_jpeg ? m_jpeg->WorkingMemory() : 0) + (m_png ? m_png->WorkingMemory() : 0);
    if (needed <= m_limits.MemoryBudget) return true;
    return Fail(0, "Decoding the picture needs " + Megabytes(needed) + " of memory; " +
                       Megabytes(m_limits.MemoryBudget) + " can be spared now.");
}

bool TPictureFile::KeepGoing() {
    return !m_limits.Progress || m_limits.Progress() || Fail(ECANCELED);
}

bool TPictureFile::Open(const std::string& fileName) {
    int error = 0;
    m_fd = OpenRegularFile(fileName, error);
    if (m_fd < 0) return Fail(error, error == 0 ? kNotRegularFile : "");

    if (IsJpeg(m_fd)) {
        m_jpeg = std::make_unique<TJpegDecoder>(m_fd, m_limits.Progress, m_limits.MemoryBudget);
        const TJpegDecoder::THeader header = m_jpeg->ReadHeader();
        if (header == TJpegDecoder::THeader::Readable) {
            m_orientation = m_jpeg->Orientation();
            m_size = Upright(m_jpeg->StoredSize(), m_orientation);
            if (TooLarge(m_size)) return Fail(0, TooLargeReason(m_size));
            // The coefficients of a progressive photograph come first, before any choice of part.
            return Affordable(0);
        }
        if (header == TJpegDecoder::THeader::Damaged) return FailWithJpeg();
        m_jpeg.reset();
        if (HasTooManyScans(m_fd)) return Fail(0, TooManyScansReason());
        if (lseek(m_fd, 0, SEEK_SET) != 0) return Fail(errno);
    }
    if (HasPngChunkPastEnd(m_fd))
        return Fail(0, "The file is damaged: a part claims more bytes than the file has.");
    if (IsPng(m_fd)) {
        m_png = std::make_unique<TPngDecoder>(m_fd, m_limits.Progress);
        const TPngDecoder::THeader header = m_png->ReadHeader();
        if (header == TPngDecoder::THeader::Readable) {
            m_size = m_png->StoredSize();
            if (TooLarge(m_size)) return Fail(0, TooLargeReason(m_size));
            return Affordable(0);
        }
        if (header == TPngDecoder::THeader::Damaged) return FailWithPng();
        m_png.reset();
        if (lseek(m_fd, 0, SEEK_SET) != 0) return Fail(errno);
    }
    return OpenWithQt();
}

bool TPictureFile::OpenWithQt() {
    TWatchedFile file(m_limits.Progress);
    if (!file.open(m_fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return Fail(0, file.errorString().toStdString());
    // The budget also holds for readers that cannot tell the size before decoding.
    QImageReader::setAllocationLimit(static_cast<int>(std::clamp<uint64_t>(
        m_limits.MemoryBudget >> 20, 1, static_cast<uint64_t>(kReaderAllocationLimit))));
    // The content decides the format: the name of the file may say otherwise.
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return file.GaveUp() ? Fail(ECANCELED)
                             : Fail(0, "Not a picture in any format the program reads.");

    const QSize stored = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (stored.isValid()) {
        if (TooLarge(stored)) return Fail(0, TooLargeReason(stored));
        // The decoded pixels, and their 32-bit copy when they come in another format.
        const int bits =
            format != QImage::Format_Invalid ? QImage::toPixelFormat(format).bitsPerPixel() : 64;
        const bool converted = bits != 32 || format == QImage::Format_ARGB32_Premultiplied;
        if (!Affordable(PixelBytes(stored, bits) + (converted ? PixelBytes(stored, 32) : 0)))
            return false;
    }
    m_orientation = FromQt(reader.transformation());

    // Decoded straight into memory of our own when the reader tells what it will make.
    QImage image;
    if (stored.isValid() && format != QImage::Format_Invalid)
        image = AllocatePicture(stored.width(), stored.height(), format);
    const bool read = reader.read(&image) && !image.isNull();
    if (file.GaveUp()) return Fail(ECANCELED);
    if (!read) return Fail(0, reader.errorString().toStdString());
    if (TooLarge(image.size())) return Fail(0, TooLargeReason(image.size()));
    if (!ConvertToArgb32(image, m_limits.Progress)) return KeepGoing() ? Fail(ENOMEM) : false;

    m_size = Upright(image.size(), m_orientation);
    m_decoded.Stored = image.size();
    m_decoded.Orientation = m_orientation;
    m_decoded.HasAlpha = image.hasAlphaChannel();
    m_decoded.Pixels = std::move(image);
    return true;
}

bool TPictureFile::Decode(const QRect& region, int reduction, TDecodedPicture& picture) {
    if (!m_jpeg && !m_png) {
        // Handed over rather than shared: whoever changes the pixels need not copy them first.
        picture = std::move(m_decoded);
        m_decoded = {};
        return !picture.Pixels.isNull() || Fail(ENOMEM);
    }
    if (!(m_jpeg ? StartJpeg(region, reduction, false, picture) : StartPng(region, false, picture)))
        return false;
    picture.Pixels =
        AllocatePicture(picture.Stored.width(), picture.Stored.height(),
                        picture.HasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.Pixels.isNull()) return Fail(ENOMEM);
    return ReadRows(picture.Pixels.bits(), picture.Pixels.bytesPerLine(), picture.Stored.height());
}

bool TPictureFile::ReadRows(uchar* pixels, qsizetype stride, int rows) {
    if (m_jpeg) return m_jpeg->Read(pixels, stride, rows) || FailWithJpeg();
    return m_png->Read(pixels, stride, rows) || FailWithPng();
}

bool TPictureFile::CanDecodeInBands() const {
    return (m_jpeg || m_png) && !m_orientation.Flip && !m_orientation.Rotate90;
}

bool TPictureFile::StartBands(const QRect& region, int reduction, TDecodedPicture& picture) {
    if (!CanDecodeInBands() ||
        !(m_jpeg ? StartJpeg(region, reduction, true, picture) : StartPng(region, true, picture)))
        return false;
    m_band = AllocatePicture(picture.Stored.width(), std::min(kBandRows, picture.Stored.height()),
                             picture.HasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    m_bandNext = 0;
    m_bandRows = picture.Stored.height();
    m_bandFailed = m_band.isNull();
    return !m_bandFailed || Fail(ENOMEM);
}

bool TPictureFile::NextBand(TPixelView& band, int& firstRow) {
    if (m_bandFailed || m_bandNext >= m_bandRows) return false;
    const int rows = std::min(m_band.height(), m_bandRows - m_bandNext);
    if (!ReadRows(m_band.bits(), m_band.bytesPerLine(), rows)) {
        m_bandFailed = true;
        return false;
    }
    band = UprightView(m_band, m_orientation);
    band.Height = rows;
    firstRow = m_bandNext;
    m_bandNext += rows;
    return true;
}

bool TPictureFile::StartJpeg(const QRect& region, int reduction, bool inBands,
                             TDecodedPicture& picture) {
    const QSize stored = m_jpeg->StoredSize();
    const QRect part = region.intersected(QRect(QPoint(0, 0), m_size));
    if (part.isEmpty()) return Fail(0, "Nothing of the picture is to be shown.");
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
    // Decoding may widen the part to whole blocks, by less than two of them.
    const QSize output(reduced.width() + 16, inBands ? kBandRows : reduced.height());
    if (!Affordable(PixelBytes(output, 32))) return false;
    if (!m_jpeg->Start(reduction, reduced)) return FailWithJpeg();

    picture.Pixels = QImage();
    picture.HasAlpha = false;
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

bool TPictureFile::StartPng(const QRect& region, bool inBands, TDecodedPicture& picture) {
    const QRect part = region.intersected(QRect(QPoint(0, 0), m_size));
    if (part.isEmpty()) return Fail(0, "Nothing of the picture is to be shown.");
    // The rows above the part must be decoded to reach it; those below it need not be.
    const QSize stored(m_size.width(), part.bottom() + 1);
    const QSize output(stored.width(),
                       inBands ? std::min(kBandRows, stored.height()) : stored.height());
    if (!Affordable(PixelBytes(output, 32))) return false;
    if (!m_png->Start()) return FailWithPng();
    picture = {};
    picture.Stored = stored;
    picture.HasAlpha = m_png->HasAlpha();
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

bool ConvertToArgb32(QImage& image, const std::function<bool()>& progress) {
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
        if (progress && !progress()) return false;
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
