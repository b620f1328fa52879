#include "PictureScaling.h"

#include "ParallelRows.h"
#include "PictureBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <new>
#include <numeric>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixels are read as blue, green, red, alpha");

namespace {

// Fixed point: weights are fractions of 1 << 14, and between the two passes the channels keep 6
// bits below the integer, which stays within 16 bits even where the filter overshoots. Both
// passes then multiply 16-bit pairs into 32-bit sums, two taps of four channels per instruction.
constexpr int kWeightBits = 14;
constexpr int kBetweenBits = 6;
constexpr int kAcrossShift = kWeightBits - kBetweenBits;
constexpr int kDownShift = kWeightBits + kBetweenBits;

// Keys's cubic with a = -0.5 (Catmull-Rom): sharp, no ringing to speak of, and what the usual
// tools mean by bicubic.
constexpr double kSupport = 2.0;

double CatmullRom(double x) {
    x = std::fabs(x);
    if (x < 1.0) return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0) return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

// Two 16-bit weights in one 32-bit word, the first in the low half.
int32_t PackPair(int first, int second) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(first)) |
                                static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16);
}

// Along one axis: for every output pixel, the first input pixel it takes from and the weights of
// the input pixels from there on, in pairs (the last pair padded with a zero weight).
struct TContributions {
    std::vector<int> First;
    std::vector<int> Pairs;
    std::vector<int32_t> Weights;  // MaxPairs packed pairs for each output
    int MaxPairs = 0;
    int Lowest = 0;   // the first input pixel any output reads
    int Highest = 0;  // one past the last, padding included
};

// Output pixel i samples the source at start + (i + 0.5) / scale; when reducing, the filter is
// widened by 1 / scale. Pixels beyond the input's edges are left out and the rest reweighted.
// keepInside moves a padded window back from the input's end where it would reach past it.
TContributions Contributions(double start, double length, int outputs, int inputs,
                             bool keepInside) {
    TContributions result;
    const double scale = outputs / length;
    const double widen = std::max(1.0 / scale, 1.0);
    const double support = kSupport * widen;
    const int taps = static_cast<int>(2.0 * support) + 3;
    result.MaxPairs = (taps + 1) / 2;
    result.First.resize(static_cast<size_t>(outputs));
    result.Pairs.resize(static_cast<size_t>(outputs));
    result.Weights.assign(static_cast<size_t>(outputs) * static_cast<size_t>(result.MaxPairs), 0);
    result.Lowest = inputs;

    std::vector<double> weights(static_cast<size_t>(taps + 1));
    std::vector<int> fixed(static_cast<size_t>(taps + 1));
    for (int i = 0; i < outputs; ++i) {
        const double centre = start + (i + 0.5) / scale;
        int first = static_cast<int>(std::max(centre - support + 0.5, 0.0));
        int last = static_cast<int>(std::min(centre + support + 0.5, static_cast<double>(inputs)));
        last = std::min(last, first + taps - 1);
        std::fill(weights.begin(), weights.end(), 0.0);
        double total = 0.0;
        for (int n = first; n < last; ++n) {
            weights[static_cast<size_t>(n - first)] = CatmullRom((n + 0.5 - centre) / widen);
            total += weights[static_cast<size_t>(n - first)];
        }
        if (last <= first || total == 0.0) {
            // Sampling at the very edge: the nearest pixel.
            first = std::clamp(static_cast<int>(centre), 0, inputs - 1);
            last = first + 1;
            weights[0] = total = 1.0;
        }
        // The filter is zero at its ends: no need to read pixels only to weigh them by nothing.
        while (last - first > 1 && weights[static_cast<size_t>(last - first - 1)] == 0.0) --last;
        while (last - first > 1 && weights[0] == 0.0) {
            std::rotate(weights.begin(), weights.begin() + 1, weights.end());
            ++first;
        }
        int count = last - first;
        const int pairs = (count + 1) / 2;
        if (keepInside && first + 2 * pairs > inputs && first > 0) {
            std::rotate(weights.rbegin(), weights.rbegin() + 1, weights.rend());
            --first;
            ++count;
        }

        // Rounded so that the weights add up to exactly one: flat areas stay exactly flat.
        for (int k = 0; k < count; ++k) {
            fixed[static_cast<size_t>(k)] = static_cast<int>(
                std::lround(weights[static_cast<size_t>(k)] / total * (1 << kWeightBits)));
        }
        const int sum = std::accumulate(fixed.begin(), fixed.begin() + count, 0);
        *std::max_element(fixed.begin(), fixed.begin() + count) += (1 << kWeightBits) - sum;
        fixed[static_cast<size_t>(count)] = 0;

        int32_t* out =
            &result.Weights[static_cast<size_t>(i) * static_cast<size_t>(result.MaxPairs)];
        for (int j = 0; j < pairs; ++j)
            out[j] =
                PackPair(fixed[static_cast<size_t>(2 * j)], fixed[static_cast<size_t>(2 * j + 1)]);
        result.First[static_cast<size_t>(i)] = first;
        result.Pairs[static_cast<size_t>(i)] = pairs;
        result.Lowest = std::min(result.Lowest, first);
        result.Highest = std::max(result.Highest, first + 2 * pairs);
    }
    return result;
}

// One picture row across: in holds 32-bit pixels, input pixel n at in + (n - base) * 4; out gets
// four 16-bit channels per output pixel.
void FilterAcross(const uchar* in, int base, const TContributions& across, int16_t* out) {
    const int outputs = static_cast<int>(across.First.size());
    const int32_t* weights = across.Weights.data();
    for (int x = 0; x < outputs; ++x, weights += across.MaxPairs, out += 4) {
        const uchar* pixels =
            in + static_cast<ptrdiff_t>(across.First[static_cast<size_t>(x)] - base) * 4;
        const int pairs = across.Pairs[static_cast<size_t>(x)];
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        __m128i sum = _mm_set1_epi32(1 << (kAcrossShift - 1));
        int j = 0;
        for (; j + 2 <= pairs; j += 2, pixels += 16) {
            // Four pixels, the channels of each two interleaved: b0 b1 g0 g1 r0 r1 a0 a1.
            const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
            const __m128i low = _mm_unpacklo_epi8(four, zero);
            const __m128i high = _mm_unpackhi_epi8(four, zero);
            const __m128i first = _mm_unpacklo_epi16(low, _mm_srli_si128(low, 8));
            const __m128i second = _mm_unpacklo_epi16(high, _mm_srli_si128(high, 8));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(first, _mm_set1_epi32(weights[j])));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(second, _mm_set1_epi32(weights[j + 1])));
        }
        if (j < pairs) {
            __m128i two =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels)), zero);
            two = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(two, _mm_set1_epi32(weights[j])));
        }
        sum = _mm_srai_epi32(sum, kAcrossShift);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(sum, sum));
#else
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 1 << (kAcrossShift - 1);
            for (int j = 0; j < pairs; ++j) {
                sum += static_cast<int16_t>(weights[j]) * pixels[8 * j + c] +
                       static_cast<int16_t>(weights[j] >> 16) * pixels[8 * j + 4 + c];
            }
            out[c] = static_cast<int16_t>(std::clamp(sum >> kAcrossShift, -32768, 32767));
        }
#endif
    }
}

// count output pixels down from rows (two per weight pair), as 32-bit pixels into out; with
// alpha 255 when opaque, where the filter's alpha is 255 but for rounding.
void FilterDown(const int16_t* const* rows, const int32_t* weights, int pairs, int count,
                bool opaque, uchar* out) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i round = _mm_set1_epi32(1 << (kDownShift - 1));
    const __m128i alpha = _mm_set1_epi32(opaque ? static_cast<int>(0xFF000000u) : 0);
    auto finish = [&](__m128i first, __m128i second) {
        first = _mm_srai_epi32(first, kDownShift);
        second = _mm_srai_epi32(second, kDownShift);
        const __m128i words = _mm_packs_epi32(first, second);
        return _mm_or_si128(_mm_packus_epi16(words, words), alpha);
    };
    for (; x + 2 <= count; x += 2) {
        __m128i first = round;
        __m128i second = round;
        for (int j = 0; j < pairs; ++j) {
            const __m128i a =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * j] + 4 * x));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * j + 1] + 4 * x));
            const __m128i weight = _mm_set1_epi32(weights[j]);
            first = _mm_add_epi32(first, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weight));
            second = _mm_add_epi32(second, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), weight));
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * x), finish(first, second));
    }
    for (; x < count; ++x) {
        __m128i sum = round;
        for (int j = 0; j < pairs; ++j) {
            const __m128i a =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[2 * j] + 4 * x));
            const __m128i b =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[2 * j + 1] + 4 * x));
            sum = _mm_add_epi32(
                sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_set1_epi32(weights[j])));
        }
        const int pixel = _mm_cvtsi128_si32(finish(sum, sum));
        std::memcpy(out + 4 * x, &pixel, 4);
    }
#else
    for (; x < count; ++x) {
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 1 << (kDownShift - 1);
            for (int j = 0; j < pairs; ++j) {
                sum += static_cast<int16_t>(weights[j]) * rows[2 * j][4 * x + c] +
                       static_cast<int16_t>(weights[j] >> 16) * rows[2 * j + 1][4 * x + c];
            }
            out[4 * x + c] = static_cast<uchar>(std::clamp(sum >> kDownShift, 0, 255));
        }
        if (opaque) out[4 * x + 3] = 255;
    }
#endif
}

// Finished output pixels into the bitmap: opaque, with gamma when there is a table, and over
// what the bitmap held when the picture has alpha (its pixels come premultiplied).
template <bool kAlpha, bool kGamma>
void WritePixels(const uchar* pixels, uchar* out, int count, const TGammaTable* gamma) {
    for (int x = 0; x < count; ++x, pixels += 4, out += 4) {
        if constexpr (!kAlpha) {
            for (int c = 0; c < 3; ++c) out[c] = kGamma ? (*gamma)[pixels[c]] : pixels[c];
        } else {
            const int alpha = pixels[3];
            for (int c = 0; alpha > 0 && c < 3; ++c) {
                int colour = std::min(255, (pixels[c] * 255 + alpha / 2) / alpha);
                if constexpr (kGamma) colour = (*gamma)[static_cast<size_t>(colour)];
                out[c] = static_cast<uchar>((colour * alpha + out[c] * (255 - alpha) + 127) / 255);
            }
        }
        out[3] = 255;
    }
}

// Rows of 32-bit pixels gathered into one buffer for FilterAcross: from a picture seen sideways
// or mirrored, premultiplied when the picture has alpha, padded with nothing where the filter's
// windows reach past the picture's edge.
void Gather(const uchar* stored, qsizetype step, int count, bool premultiply, uint32_t* line) {
    for (int x = 0; x < count; ++x, stored += step) {
        uchar pixel[4];
        std::memcpy(pixel, stored, 4);
        if (premultiply) {
            for (int c = 0; c < 3; ++c)
                pixel[c] = static_cast<uchar>((pixel[c] * pixel[3] + 127) / 255);
        }
        std::memcpy(&line[x], pixel, 4);
    }
}

template <bool kAlpha, bool kGamma>
void WriteRow(const int16_t* const* rows, const int32_t* weights, int pairs, int width,
              const TGammaTable* gamma, uchar* finished, uchar* out) {
    if constexpr (kAlpha || kGamma) {
        FilterDown(rows, weights, pairs, width, !kAlpha, finished);
        WritePixels<kAlpha, kGamma>(finished, out, width, gamma);
    } else {
        FilterDown(rows, weights, pairs, width, true, out);
    }
}

// Bands are taken this many rows at a time: enough to share the work between cores.
constexpr int kBandRows = 128;

}  // namespace

struct TPictureResampler::TState {
    TContributions Across;
    TContributions Down;
    QSize Picture;
    bool HasAlpha = false;
    const TGammaTable* Gamma = nullptr;
    uchar* Out = nullptr;  // the first pixel of the clipped destination
    qsizetype Stride = 0;
    int Width = 0;  // of the clipped destination
    int Height = 0;
    // Rows filtered across, four 16-bit channels a pixel: picture row r in slot r % RingRows.
    int RingRows = 0;
    size_t RowLength = 0;
    TPictureMemory Ring;
    std::vector<int16_t> ZeroRow;
    int NextOutput = 0;  // the next destination row to write

    const int16_t* RingRow(int row) const {
        return reinterpret_cast<const int16_t*>(Ring.get()) +
               static_cast<size_t>(row % RingRows) * RowLength;
    }
    int16_t* RingRow(int row) {
        return reinterpret_cast<int16_t*>(Ring.get()) +
               static_cast<size_t>(row % RingRows) * RowLength;
    }
    // One past the last picture row output row y reads.
    int WindowEnd(int y) const {
        return std::min(Down.First[static_cast<size_t>(y)] + 2 * Down.Pairs[static_cast<size_t>(y)],
                        Picture.height());
    }
    // Enough rows for a thread to be worth starting, few enough that a band of a 4K screen is
    // shared between cores.
    int MinimumRows() const { return std::max(4, (1 << 16) / Width); }

    void FilterBand(const TPixelView& band, int firstRow, int from, int to);
    void WriteRows(int from, int to);

    // The band being drawn apart from the caller, and that drawing; last, so that it ends before
    // anything it uses goes.
    std::vector<uchar> Copy;
    std::future<void> Drawing;
};

void TPictureResampler::TState::FilterBand(const TPixelView& band, int firstRow, int from, int to) {
    // Read in place unless the rows must be gathered: seen sideways or mirrored, with alpha to
    // premultiply, or too narrow for the padded windows.
    const bool inPlace = band.StepX == 4 && !HasAlpha && Across.Highest <= Picture.width();
    const int gathered = std::min(Across.Highest, Picture.width()) - Across.Lowest;
    ParallelRows(to - from, MinimumRows(), [&](int first, int last) {
        std::vector<uint32_t> line(
            inPlace ? 0 : static_cast<size_t>(Across.Highest - Across.Lowest), 0);
        for (int row = from + first; row < from + last; ++row) {
            const uchar* stored = band.Origin + (row - firstRow) * band.StepY;
            if (inPlace) {
                FilterAcross(stored, 0, Across, RingRow(row));
            } else {
                Gather(stored + Across.Lowest * band.StepX, band.StepX, gathered, HasAlpha,
                       line.data());
                FilterAcross(reinterpret_cast<const uchar*>(line.data()), Across.Lowest, Across,
                             RingRow(row));
            }
        }
    });
}

void TPictureResampler::TState::WriteRows(int from, int to) {
    auto write = HasAlpha ? (Gamma ? WriteRow<true, true> : WriteRow<true, false>)
                          : (Gamma ? WriteRow<false, true> : WriteRow<false, false>);
    ParallelRows(to - from, MinimumRows(), [&](int first, int last) {
        std::vector<const int16_t*> rows(static_cast<size_t>(2 * Down.MaxPairs));
        std::vector<uchar> finished(HasAlpha || Gamma ? RowLength : 0);
        for (int y = from + first; y < from + last; ++y) {
            const int top = Down.First[static_cast<size_t>(y)];
            const int pairs = Down.Pairs[static_cast<size_t>(y)];
            const int end = WindowEnd(y);
            for (int k = 0; k < 2 * pairs; ++k)
                rows[static_cast<size_t>(k)] = top + k < end ? RingRow(top + k) : ZeroRow.data();
            write(rows.data(),
                  &Down.Weights[static_cast<size_t>(y) * static_cast<size_t>(Down.MaxPairs)], pairs,
                  Width, Gamma, finished.data(), Out + y * Stride);
        }
    });
}

TPictureResampler::TPictureResampler(QImage& bitmap, const QRect& destination, const QSize& picture,
                                     bool pictureHasAlpha, const QRectF& source,
                                     const TGammaTable* gamma)
    : m_state(std::make_unique<TState>()) {
    TState& state = *m_state;
    const QRect target = destination.intersected(bitmap.rect());
    if (target.isEmpty() || picture.isEmpty() || !(source.width() > 0) || !(source.height() > 0))
        return;

    // The clipped part of the destination samples the matching part of the source.
    const double scaleX = destination.width() / source.width();
    const double scaleY = destination.height() / source.height();
    const double sourceLeft = source.left() + (target.left() - destination.left()) / scaleX;
    const double sourceTop = source.top() + (target.top() - destination.top()) / scaleY;
    state.Across =
        Contributions(sourceLeft, target.width() / scaleX, target.width(), picture.width(), true);
    state.Down = Contributions(sourceTop, target.height() / scaleY, target.height(),
                               picture.height(), false);
    state.Picture = picture;
    state.HasAlpha = pictureHasAlpha;
    state.Gamma = gamma;
    state.Stride = bitmap.bytesPerLine();
    state.Out = bitmap.bits() + target.top() * state.Stride + target.left() * 4;
    state.Width = target.width();
    state.RowLength = static_cast<size_t>(target.width()) * 4;
    state.RingRows = kBandRows + 2 * state.Down.MaxPairs;
    state.Ring = AllocatePictureMemory(static_cast<size_t>(state.RingRows) * state.RowLength *
                                       sizeof(int16_t));
    if (!state.Ring) throw std::bad_alloc();
    state.ZeroRow.assign(state.RowLength, 0);
    state.Height = target.height();
}

TPictureResampler::~TPictureResampler() = default;

void TPictureResampler::AddRows(const TPixelView& band, int firstRow) {
    TState& state = *m_state;
    for (int start = 0; start < band.Height && state.NextOutput < state.Height;
         start += kBandRows) {
        const int from = firstRow + start;
        const int to = firstRow + std::min(band.Height, start + kBandRows);
        // Rows above the first window still to come, or below the last, are not needed.
        const int needed = state.Down.First[static_cast<size_t>(state.NextOutput)];
        const int lowest = std::max(from, needed);
        const int highest = std::min(to, state.WindowEnd(state.Height - 1));
        if (lowest < highest) state.FilterBand(band, firstRow, lowest, highest);

        int ready = state.NextOutput;
        while (ready < state.Height && state.WindowEnd(ready) <= to) ++ready;
        state.WriteRows(state.NextOutput, ready);
        state.NextOutput = ready;
    }
}

void TPictureResampler::AddRowsAsync(const TPixelView& band, int firstRow,
                                     std::function<void(const TPixelView&)> measure) {
    TState& state = *m_state;
    Finish();
    const size_t rowBytes = static_cast<size_t>(band.Width) * 4;
    state.Copy.resize(rowBytes * static_cast<size_t>(band.Height));
    for (int y = 0; y < band.Height; ++y) {
        const uchar* from = band.Origin + y * band.StepY;
        uchar* to = state.Copy.data() + rowBytes * static_cast<size_t>(y);
        if (band.StepX == 4) {
            std::memcpy(to, from, rowBytes);
        } else {
            for (int x = 0; x < band.Width; ++x) std::memcpy(to + x * 4, from + x * band.StepX, 4);
        }
    }
    TPixelView copy = band;
    copy.Origin = state.Copy.data();
    copy.StepX = 4;
    copy.StepY = static_cast<qsizetype>(rowBytes);
    state.Drawing = std::async(std::launch::async, [this, copy, firstRow, measure] {
        if (measure) measure(copy);
        AddRows(copy, firstRow);
    });
}

void TPictureResampler::Finish() {
    if (m_state->Drawing.valid()) m_state->Drawing.get();
}

TPixelView UprightView(const QImage& image, TOrientation orientation) {
    TPixelView view;
    if (image.isNull()) return view;
    const qsizetype pixel = 4;
    const qsizetype line = image.bytesPerLine();
    // Along which stored axis each upright axis runs, and whether backwards.
    const bool acrossIsStoredY = orientation.Rotate90;
    const bool acrossBackwards = orientation.Rotate90 ? !orientation.Flip : orientation.Mirror;
    const bool downBackwards = orientation.Rotate90 ? orientation.Mirror : orientation.Flip;
    const bool storedXBackwards = acrossIsStoredY ? downBackwards : acrossBackwards;
    const bool storedYBackwards = acrossIsStoredY ? acrossBackwards : downBackwards;

    view.Origin = image.constBits() + (storedXBackwards ? (image.width() - 1) * pixel : 0) +
                  (storedYBackwards ? (image.height() - 1) * line : 0);
    const qsizetype stepX = storedXBackwards ? -pixel : pixel;
    const qsizetype stepY = storedYBackwards ? -line : line;
    view.StepX = acrossIsStoredY ? stepY : stepX;
    view.StepY = acrossIsStoredY ? stepX : stepY;
    view.Width = acrossIsStoredY ? image.height() : image.width();
    view.Height = acrossIsStoredY ? image.width() : image.height();
    view.HasAlpha = image.hasAlphaChannel();
    return view;
}

bool DrawPictureRect(QImage& bitmap, const QRect& destination, const TPixelView& picture,
                     const QRectF& source, const TGammaTable* gamma,
                     const std::function<bool()>& keepGoing) {
    if (!picture.Origin || picture.Width < 1 || picture.Height < 1) return true;
    TPictureResampler resampler(bitmap, destination, QSize(picture.Width, picture.Height),
                                picture.HasAlpha, source, gamma);
    // A few milliseconds of work between two looks at whether to go on.
    constexpr int kRowsBetweenLooks = 4 * kBandRows;
    for (int firstRow = 0; firstRow < picture.Height; firstRow += kRowsBetweenLooks) {
        if (keepGoing && !keepGoing()) return false;
        TPixelView band = picture;
        band.Origin += firstRow * picture.StepY;
        band.Height = std::min(kRowsBetweenLooks, picture.Height - firstRow);
        resampler.AddRows(band, firstRow);
    }
    return true;
}
