#include "MyGDIPlus.h"

#include "ParallelRows.h"
#include "PictureBuffer.h"
#include "PictureDecoding.h"
#include "StatusScope.h"
#include "Text.h"

#include <QImageReader>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixels are read as blue, green, red, alpha");

namespace {

// Rows enough to be worth a thread of their own, for passes over every pixel of a picture.
int RowsPerThread(int width) {
    return std::max(16, (1 << 18) / std::max(width, 1));
}

// One "*.EXT" mask per decoder; Qt names its decoders by the file extensions they read.
std::vector<std::string> DecoderMasks() {
    std::vector<std::string> masks;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        masks.push_back("*." + format.toUpper().toStdString());
    return masks;
}

// For each brightness v = max(R, G, B) and channel value c, what c becomes: one lookup per
// channel instead of floating-point work per pixel, with the same arithmetic done once per
// (v, c) pair.
using TChannelTable = std::vector<uint8_t>;

template <class Factor>
TChannelTable TableByBrightness(Factor factorOf) {
    TChannelTable table(256 * 256);
    for (int v = 0; v < 256; ++v) {
        const double factor = factorOf(v / 255.0);
        for (int c = 0; c < 256; ++c)
            table[static_cast<size_t>(v * 256 + c)] = static_cast<uint8_t>(ScaleChannel(c, factor));
    }
    return table;
}

TChannelTable MirroredTable(double factor, bool mirrored) {
    TChannelTable table(256 * 256);
    for (int c = 0; c < 256; ++c) {
        const auto value = static_cast<uint8_t>(MirrorScaleChannel(c, factor, mirrored));
        for (int v = 0; v < 256; ++v) table[static_cast<size_t>(v * 256 + c)] = value;
    }
    return table;
}

// The table of method, or none when the method is unknown.
TChannelTable NormalizationTable(std::string_view method, double level, double mean,
                                 double deviation) {
    if (SameText(method, kAnisotropicDampening)) {
        const double k = (std::fabs(level - mean) * 0.5 + 1.0) * (deviation * 0.5 + 1.0);
        return TableByBrightness([&](double v) {
            return (0.5 + level) / (1.0 + v * k * std::sqrt(1.0 - std::fabs(1.0 - level - v)));
        });
    }
    if (SameText(method, kBalancedScaling)) {
        const double factor = level / mean;
        if (mean < level)
            return TableByBrightness([&](double v) { return (factor - 1.0) * (1.0 - v) + 1.0; });
        return TableByBrightness([&](double) { return factor; });
    }
    if (SameText(method, kMirroredScaling)) {
        if (mean < level) return MirroredTable((1.0 - level) / (1.0 - mean), true);
        return MirroredTable(level / mean, false);
    }
    return {};
}

double MillisecondsSince(std::chrono::steady_clock::time_point& start) {
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double, std::milli>(now - start).count();
    start = now;
    return elapsed;
}

// The part of the picture the resampler reads to draw source into a destination this large:
// source and the reach of the filter around it, which a reduced picture needs fewer of.
QRect RegionToDecode(const QRect& source, const QSize& destination, int reduction) {
    auto reach = [&](int from, int to) {
        const double spread =
            to > 0 ? std::max(1.0, from / (static_cast<double>(reduction) * to)) : 1.0;
        return static_cast<int>(std::ceil((2.0 * spread + 2.0) * reduction));
    };
    const int x = reach(source.width(), destination.width());
    const int y = reach(source.height(), destination.height());
    return source.adjusted(-x, -y, x, y);
}

using TBrightnessHistogram = std::array<int64_t, 256>;

// Counts max(R, G, B) of every pixel of the rows.
void CountBrightness(const uchar* bits, qsizetype stride, qsizetype step, int width, int rows,
                     TBrightnessHistogram& counts) {
    for (int y = 0; y < rows; ++y) {
        const uchar* p = bits + y * stride;
        for (int x = 0; x < width; ++x, p += step) ++counts[std::max({p[0], p[1], p[2]})];
    }
}

// The histogram gives both the sum and the sum of squares exactly, in one pass over the pixels
// instead of two.
PictureBrightness BrightnessOf(const TBrightnessHistogram& histogram, int64_t count) {
    PictureBrightness brightness;
    if (count < 1) return brightness;
    int64_t sum = 0;
    for (int v = 0; v < 256; ++v) sum += histogram[static_cast<size_t>(v)] * v;
    const int64_t mean = sum / count;
    int64_t squares = 0;
    for (int v = 0; v < 256; ++v)
        squares += histogram[static_cast<size_t>(v)] * (v - mean) * (v - mean);
    brightness.MeanBrightness = static_cast<double>(mean) / 255.0;
    brightness.BrightnessDeviation = std::sqrt(static_cast<double>(squares / count)) / 255.0;
    return brightness;
}

void ApplyGamma(QImage& image, const TGammaTable& table) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4)
            for (int c = 0; c < 3; ++c) p[c] = table[p[c]];
    }
}

}  // namespace

void GetPictureExtensions(TExtensionList& extensions) {
    extensions.clear();
    TStatusScope scope("GetPictureExtensions");
    scope.Run([&] {
        for (const std::string& masks : DecoderMasks()) {
            size_t start = 0;
            while (start <= masks.size()) {
                size_t end = masks.find(';', start);
                if (end == std::string::npos) end = masks.size();
                std::string extension = masks.substr(start, end - start);
                if (extension.starts_with('*')) extension.erase(0, 1);
                if (!extension.empty()) extensions.insert(extension);
                start = end + 1;
            }
        }
    });
}

std::string GetPictureExtensionsAsFilter() {
    std::string filter;
    TStatusScope scope("GetPictureExtensionsAsFilter");
    scope.Run([&] {
        for (const std::string& masks : DecoderMasks()) {
            if (!filter.empty()) filter += ';';
            filter += masks;
        }
        std::transform(filter.begin(), filter.end(), filter.begin(), AsciiLower);
    });
    return filter;
}

PictureBrightness GetPictureBright(const QImage& picture) {
    PictureBrightness brightness;
    TStatusScope scope("GetPictureBright");
    scope.Run([&] {
        QImage pixels = picture;
        if (pixels.isNull() || !ConvertToArgb32(pixels)) scope.Raise("Failed to lock bitmap bits");

        TBrightnessHistogram histogram{};
        std::mutex merging;
        const uchar* const bits = pixels.constBits();
        const qsizetype stride = pixels.bytesPerLine();
        ParallelRows(pixels.height(), RowsPerThread(pixels.width()), [&](int first, int last) {
            TBrightnessHistogram counts{};
            CountBrightness(bits + first * stride, stride, 4, pixels.width(), last - first, counts);
            const std::lock_guard lock(merging);
            for (size_t v = 0; v < counts.size(); ++v) histogram[v] += counts[v];
        });
        brightness =
            BrightnessOf(histogram, static_cast<int64_t>(pixels.width()) * pixels.height());
    });
    return brightness;
}

double NormalizationFactor(double level, double mean) {
    return std::clamp(level, 0.01, 1.0) / std::clamp(mean, 0.01, 1.0);
}

double NormalizePictureBrightness(QImage& picture, std::string_view method, double level,
                                  double mean, double deviation) {
    mean = std::clamp(mean, 0.01, 1.0);
    level = std::clamp(level, 0.01, 1.0);
    const double factor = NormalizationFactor(level, mean);
    TStatusScope scope("NormalizePictureBrightness");
    scope.Run([&] {
        if (picture.isNull() || !ConvertToArgb32(picture))
            scope.Raise("Failed to lock bitmap bits");
        const TChannelTable table = NormalizationTable(method, level, mean, deviation);
        if (table.empty()) return;

        // The picture is made its own (detached) here, once, not by the threads.
        uchar* const bits = picture.bits();
        const qsizetype stride = picture.bytesPerLine();
        ParallelRows(picture.height(), RowsPerThread(picture.width()), [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                uchar* p = bits + y * stride;
                for (int x = 0; x < picture.width(); ++x, p += 4) {
                    const uint8_t* to =
                        &table[static_cast<size_t>(std::max({p[0], p[1], p[2]})) * 256];
                    p[0] = to[p[0]];
                    p[1] = to[p[1]];
                    p[2] = to[p[2]];
                }
            }
        });
    });
    return factor;
}

int ScaleChannel(int channel, double factor) {
    return static_cast<int>(std::clamp(std::trunc(channel * factor), 0.0, 255.0));
}

int MirrorScaleChannel(int channel, double factor, bool mirrored) {
    if (!mirrored) return ScaleChannel(channel, factor);
    return static_cast<int>(std::clamp(std::trunc(255.0 - (255 - channel) * factor), 0.0, 255.0));
}

bool GammaApplies(int gamma) {
    return gamma >= 1 && gamma <= 1000 && gamma != 100;
}

TGammaTable GammaTable(int gamma) {
    TGammaTable table;
    const double exponent = gamma / 100.0;
    for (int v = 0; v < 256; ++v) {
        table[static_cast<size_t>(v)] =
            static_cast<uint8_t>(std::lround(255.0 * std::pow(v / 255.0, exponent)));
    }
    return table;
}

void TileBitmap(QImage& bitmap, int tileWidth, int tileHeight) {
    tileWidth = std::min(tileWidth, bitmap.width());
    tileHeight = std::min(tileHeight, bitmap.height());
    if (tileWidth < 1 || tileHeight < 1) return;
    const size_t pixel = static_cast<size_t>(bitmap.depth() / 8);
    // Across the first row of tiles, then whole rows down from the rows above.
    for (int y = 0; y < tileHeight; ++y) {
        uchar* row = bitmap.scanLine(y);
        for (int x = tileWidth; x < bitmap.width(); x += tileWidth) {
            const int width = std::min(tileWidth, bitmap.width() - x);
            std::memcpy(row + static_cast<size_t>(x) * pixel, row,
                        static_cast<size_t>(width) * pixel);
        }
    }
    const size_t rowBytes = static_cast<size_t>(bitmap.width()) * pixel;
    for (int y = tileHeight; y < bitmap.height(); ++y)
        std::memcpy(bitmap.scanLine(y), bitmap.constScanLine(y % tileHeight), rowBytes);
}

QRgb FillingRgb(uint32_t color) {
    return qRgb(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

void LoadTilePictureToBitmap(const std::string& fileName, QImage& bitmap, uint32_t fillColor,
                             double* skew, double* factor, const TPictureEffects& effects,
                             const TResizeRules& rules, const TDecodeLimits& limits,
                             TPictureStageTimes* times) {
    if (skew) *skew = 1.0;
    if (factor) *factor = 0.0;
    TPictureStageTimes spent;
    TStatusScope scope("LoadTilePictureToBitmap");
    scope.Run([&] {
        if (fileName.empty()) return;
        auto clock = std::chrono::steady_clock::now();

        TPictureFile file(limits);
        auto fail = [&] {
            scope.Raise("Failed to load picture.", fileName, file.Failure().Reason,
                        file.Failure().Error);
        };
        auto giveUp = [&] {
            scope.Raise("Failed to load picture.", fileName, {}, ECANCELED);
        };
        // The work between the long steps can be given up too.
        auto keepGoing = [&] {
            if (limits.Progress && !limits.Progress()) giveUp();
        };
        if (!file.Open(fileName)) fail();
        const TPicturePlacement place =
            PlacePicture(file.Size().width(), file.Size().height(), rules);
        // Every decision above used the picture's true size; the pixels may come reduced, and
        // only the part that is drawn. Normalization measures the whole picture at its full
        // resolution: a reduced one would give a factor that depends on the desktop's size.
        // A JPEG comes band by band as it is decoded, so that it is never held whole: its
        // brightness is counted as the rows pass, and the normalization is then applied to
        // what was drawn of them.
        const bool normalize = effects.NormalizeBrightness;
        const int reduction =
            normalize ? 1 : ChooseReduction(place.Source.size(), place.Destination.size());
        // The normalization of what was drawn would take in the filling seen through a
        // transparent picture: such a picture is normalized before it is drawn.
        const bool inBands = file.CanDecodeInBands() && !(normalize && file.HasAlpha());
        const QRect region =
            normalize ? QRect(QPoint(0, 0), file.Size())
                      : RegionToDecode(place.Source, place.Destination.size(), reduction);
        TDecodedPicture picture;
        if (!(inBands ? file.StartBands(region, reduction, picture)
                      : file.Decode(region, reduction, picture)))
            fail();
        spent.Decode = MillisecondsSince(clock);
        keepGoing();

        // Pixels without area only take the factor.
        auto normalizeDrawn = [&](QImage& pixels, const PictureBrightness& brightness) {
            if (factor)
                *factor = NormalizationFactor(effects.NormalizeLevel, brightness.MeanBrightness);
            if (pixels.isNull()) return;
            NormalizePictureBrightness(pixels, effects.NormalizeMethod, effects.NormalizeLevel,
                                       brightness.MeanBrightness, brightness.BrightnessDeviation);
            scope.AdoptCalleeFailure();
        };
        if (normalize && !inBands) {
            const PictureBrightness brightness = GetPictureBright(picture.Pixels);
            scope.AdoptCalleeFailure();
            normalizeDrawn(picture.Pixels, brightness);
            spent.Normalize = MillisecondsSince(clock);
            keepGoing();
        }

        // The bands, each counted when normalizing and drawn when there is a resampler.
        TBrightnessHistogram histogram{};
        auto readBands = [&](TPictureResampler* resampler) {
            TPixelView band;
            int firstRow = 0;
            while (file.NextBand(band, firstRow)) {
                spent.Decode += MillisecondsSince(clock);
                auto count = [&histogram](const TPixelView& rows) {
                    CountBrightness(rows.Origin, rows.StepY, rows.StepX, rows.Width, rows.Height,
                                    histogram);
                };
                // Counted beside the decoding too, when there is a drawing thread to do it.
                if (resampler)
                    resampler->AddRowsAsync(
                        band, firstRow,
                        normalize ? count : std::function<void(const TPixelView&)>());
                else if (normalize)
                    count(band);
                spent.Draw += MillisecondsSince(clock);
            }
            if (resampler) resampler->Finish();
            if (!file.BandsComplete()) fail();
            const QSize size = picture.ViewSize();
            return BrightnessOf(histogram, static_cast<int64_t>(size.width()) * size.height());
        };

        bitmap = QImage();
        const int width = rules.DesktopWidth;
        const int height = rules.DesktopHeight;
        if (width < 1 || height < 1) {
            // Nothing to draw on; the picture was still read.
            if (normalize && inBands) {
                QImage none;
                normalizeDrawn(none, readBands(nullptr));
            }
            if (skew) *skew = place.Skew;
            return;
        }
        QImage desktop = AllocatePicture(width, height, QImage::Format_ARGB32);
        if (desktop.isNull())
            scope.Raise("Failed to create bitmap.",
                        std::to_string(width) + "x" + std::to_string(height));
        const bool hasAlpha = picture.HasAlpha;
        const QRectF source = picture.ToView(place.Source);
        // An opaque picture drawn over the whole desktop leaves nothing of the filling to see.
        if (hasAlpha || place.Destination != desktop.rect() || source.isEmpty()) {
            desktop.fill(FillingRgb(fillColor));
        }
        const bool gamma = GammaApplies(effects.Gamma);
        const TGammaTable table = gamma ? GammaTable(effects.Gamma) : TGammaTable{};
        if (inBands) {
            // Gamma comes after the normalization, which needs every band first.
            TPictureResampler resampler(desktop, place.Destination, picture.ViewSize(), hasAlpha,
                                        source, gamma && !normalize ? &table : nullptr);
            const PictureBrightness brightness = readBands(&resampler);
            if (normalize) {
                const QRect drawn = place.Destination & desktop.rect();
                QImage part;
                if (!drawn.isEmpty())
                    part = QImage(
                        desktop.bits() + drawn.y() * desktop.bytesPerLine() + drawn.x() * 4,
                        drawn.width(), drawn.height(), desktop.bytesPerLine(), desktop.format());
                normalizeDrawn(part, brightness);
                if (gamma && !part.isNull()) ApplyGamma(part, table);
                spent.Normalize = MillisecondsSince(clock);
            }
        } else {
            const bool drawn = DrawPictureRect(desktop, place.Destination, picture.View(), source,
                                               gamma ? &table : nullptr, limits.Progress);
            picture = {};
            if (!drawn) giveUp();
        }
        spent.Draw += MillisecondsSince(clock);

        if (place.Tiled) TileBitmap(desktop, place.Destination.width(), place.Destination.height());
        spent.Tile = MillisecondsSince(clock);
        if (skew) *skew = place.Skew;
        bitmap = std::move(desktop);
    });
    scope.OnFailure([&] { bitmap = QImage(); });
    if (times) *times = spent;
}
