#include "PngDecoding.h"

#include <png.h>
#include <unistd.h>
#include <QRgb>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixels are decoded as blue, green, red, alpha");

struct TPngDecoder::TState {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::jmp_buf Jump{};
    std::function<bool()> KeepGoing;
    int FailureError = 0;
    std::string FailureReason;
    int Fd = -1;
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    int BitDepth = 0;
    int ColourType = 0;
    int Interlace = 0;
    bool HasAlpha = false;
    // Palettes and grey levels of up to 8 bits come as indices into Colours, as Qt reads them:
    // its table is where its results differ from libpng's own expansion.
    bool Indexed = false;
    std::array<QRgb, 256> Colours{};
    std::vector<uchar> Indices;
    size_t BufferStart = 0;
    size_t BufferEnd = 0;
    std::array<uchar, 65536> Buffer{};
};

namespace {

using TState = TPngDecoder::TState;

// Rows decoded between two looks at whether to go on: a few milliseconds of work even for the
// widest pictures, as libjpeg's progress monitor asks.
constexpr int kRowsBetweenLooks = 16;

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// libpng's errors do not return: back to the setjmp of the call that started the work, with the
// reason told beforehand (nothing with a destructor may live in a frame that is jumped over).
[[noreturn]] void ErrorExit(png_structp png, png_const_charp message) {
    TState& state = *static_cast<TState*>(png_get_error_ptr(png));
    state.FailureError = 0;
    state.FailureReason = message;
    std::longjmp(state.Jump, 1);
}

// Warnings (an unknown profile, a bad checksum in an ancillary chunk) are not worth a word on
// stderr; Qt keeps them to its debug log.
void Warning(png_structp, png_const_charp) {}

// Reads as much as the file gives at a time: libpng asks for a few bytes per chunk header.
void ReadData(png_structp png, png_bytep data, size_t length) {
    TState& state = *static_cast<TState*>(png_get_io_ptr(png));
    while (length > 0) {
        if (state.BufferStart == state.BufferEnd) {
            ssize_t count;
            do {
                count = read(state.Fd, state.Buffer.data(), state.Buffer.size());
            } while (count < 0 && errno == EINTR);
            if (count < 0) png_error(png, std::strerror(errno));
            if (count == 0) png_error(png, "The file ends before the picture does.");
            state.BufferStart = 0;
            state.BufferEnd = static_cast<size_t>(count);
        }
        const size_t part = std::min(length, state.BufferEnd - state.BufferStart);
        std::memcpy(data, state.Buffer.data() + state.BufferStart, part);
        state.BufferStart += part;
        data += part;
        length -= part;
    }
}

// The calls into libpng that may end in ErrorExit. Each function holding a setjmp does nothing
// else, so no local of its own can be left half-changed by the jump.
void Create(TState& state) {
    state.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ErrorExit, Warning);
    if (!state.Png) return;
    state.Info = png_create_info_struct(state.Png);
    if (!state.Info) png_error(state.Png, "Out of memory.");
    png_set_read_fn(state.Png, &state, ReadData);
    // As Qt: a little more memory for files whose encoders misstated the window.
    png_set_option(state.Png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
}

bool CreateGuarded(TState& state) {
    if (setjmp(state.Jump)) return false;
    Create(state);
    return state.Png != nullptr;
}

// The table Qt's reader makes for a picture of one channel of up to 8 bits.
void FillColours(TState& state) {
    png_bytep alphas = nullptr;
    int transparent = 0;
    png_color_16p transparentGrey = nullptr;
    const bool hasTransparency =
        png_get_tRNS(state.Png, state.Info, &alphas, &transparent, &transparentGrey) != 0;
    int entries = 0;
    if (state.ColourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        png_get_PLTE(state.Png, state.Info, &palette, &entries);
        for (int i = 0; i < entries; ++i) {
            const int alpha = hasTransparency && alphas && i < transparent ? alphas[i] : 255;
            state.Colours[static_cast<size_t>(i)] =
                qRgba(palette[i].red, palette[i].green, palette[i].blue, alpha);
        }
        std::fill(state.Colours.begin() + entries, state.Colours.end(), state.Colours[0]);
    } else {
        entries = 1 << state.BitDepth;
        for (int i = 0; i < entries; ++i) {
            const int grey = i * 255 / (entries - 1);
            state.Colours[static_cast<size_t>(i)] = qRgb(grey, grey, grey);
        }
        if (hasTransparency && transparentGrey && transparentGrey->gray < entries)
            state.Colours[transparentGrey->gray] = qRgba(0, 0, 0, 0);
    }
    state.HasAlpha = std::any_of(state.Colours.begin(), state.Colours.begin() + entries,
                                 [](QRgb colour) { return qAlpha(colour) != 255; });
}

void ReadInfo(TState& state) {
    png_read_info(state.Png, state.Info);
    png_get_IHDR(state.Png, state.Info, &state.Width, &state.Height, &state.BitDepth,
                 &state.ColourType, &state.Interlace, nullptr, nullptr);
    state.Indexed = state.ColourType == PNG_COLOR_TYPE_PALETTE ||
                    (state.ColourType == PNG_COLOR_TYPE_GRAY && state.BitDepth <= 8);
    if (state.Indexed) {
        FillColours(state);
    } else {
        state.HasAlpha = (state.ColourType & PNG_COLOR_MASK_ALPHA) != 0 ||
                         png_get_valid(state.Png, state.Info, PNG_INFO_tRNS) != 0;
    }
}

bool ReadInfoGuarded(TState& state) {
    if (setjmp(state.Jump)) return false;
    ReadInfo(state);
    return true;
}

void SetUpTransformations(TState& state) {
    if (state.Indexed) {
        if (state.BitDepth < 8) png_set_packing(state.Png);
    } else {
        // A transparent colour becomes an alpha channel; grey levels become colours.
        png_set_expand(state.Png);
        if (state.BitDepth == 16) png_set_scale_16(state.Png);
        if ((state.ColourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(state.Png);
        png_set_bgr(state.Png);
        if (!state.HasAlpha) png_set_filler(state.Png, 0xFF, PNG_FILLER_AFTER);
    }
    png_read_update_info(state.Png, state.Info);
    const size_t pixel = state.Indexed ? 1 : 4;
    if (png_get_rowbytes(state.Png, state.Info) != state.Width * pixel)
        png_error(state.Png, "Unexpected pixel layout.");
}

bool SetUpGuarded(TState& state) {
    if (setjmp(state.Jump)) return false;
    SetUpTransformations(state);
    return true;
}

bool ReadRows(TState& state, uchar* pixels, qsizetype stride, int rows) {
    for (int row = 0; row < rows; ++row) {
        if (row % kRowsBetweenLooks == 0 && state.KeepGoing && !state.KeepGoing()) {
            state.FailureError = ECANCELED;
            state.FailureReason.clear();
            return false;
        }
        uchar* out = pixels + row * stride;
        if (!state.Indexed) {
            png_read_row(state.Png, out, nullptr);
            continue;
        }
        png_read_row(state.Png, state.Indices.data(), nullptr);
        for (png_uint_32 x = 0; x < state.Width; ++x, out += 4)
            std::memcpy(out, &state.Colours[state.Indices[x]], 4);
    }
    return true;
}

bool ReadRowsGuarded(TState& state, uchar* pixels, qsizetype stride, int rows) {
    if (setjmp(state.Jump)) return false;
    return ReadRows(state, pixels, stride, rows);
}

}  // namespace

TPngDecoder::TPngDecoder(int fd, std::function<bool()> progress)
    : m_state(std::make_unique<TState>()) {
    m_state->Fd = fd;
    m_state->KeepGoing = std::move(progress);
}

TPngDecoder::~TPngDecoder() {
    if (m_state->Png) png_destroy_read_struct(&m_state->Png, &m_state->Info, nullptr);
}

TPngDecoder::THeader TPngDecoder::ReadHeader() {
    TState& state = *m_state;
    if (!CreateGuarded(state) || !ReadInfoGuarded(state)) {
        if (state.FailureReason.empty()) state.FailureReason = "Out of memory.";
        return THeader::Damaged;
    }
    return state.Interlace == PNG_INTERLACE_NONE ? THeader::Readable : THeader::LeftToQt;
}

QSize TPngDecoder::StoredSize() const {
    return QSize(static_cast<int>(m_state->Width), static_cast<int>(m_state->Height));
}

bool TPngDecoder::HasAlpha() const {
    return m_state->HasAlpha;
}

uint64_t TPngDecoder::WorkingMemory() const {
    // libpng's current and previous rows at up to 8 bytes a pixel before its transformations,
    // our row of indices, the read buffer, and zlib's state and window.
    return static_cast<uint64_t>(m_state->Width) * 17 + sizeof m_state->Buffer + (64 << 10);
}

bool TPngDecoder::Start() {
    TState& state = *m_state;
    if (!SetUpGuarded(state)) return false;
    if (state.Indexed) state.Indices.resize(state.Width);
    return true;
}

bool TPngDecoder::Read(uchar* pixels, qsizetype stride, int rows) {
    return ReadRowsGuarded(*m_state, pixels, stride, rows);
}

int TPngDecoder::FailureError() const {
    return m_state->FailureError;
}

const std::string& TPngDecoder::FailureReason() const {
    return m_state->FailureReason;
}

bool IsPng(int fd) {
    unsigned char signature[sizeof kSignature];
    ssize_t count;
    do {
        count = pread(fd, signature, sizeof signature, 0);
    } while (count < 0 && errno == EINTR);
    return count == sizeof signature && std::memcmp(signature, kSignature, sizeof signature) == 0;
}
