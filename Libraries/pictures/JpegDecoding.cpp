#include "JpegDecoding.h"

#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

// jpeglib.h needs the standard C declarations before it, and jerror.h needs jpeglib.h.
#include <jpeglib.h>

#include <jerror.h>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixels are decoded as blue, green, red, alpha");

struct TJpegDecoder::TState {
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Errors{};
    jpeg_source_mgr Source{};
    jpeg_progress_mgr Progress{};
    std::jmp_buf Jump{};
    std::function<bool()> KeepGoing;
    int FailureError = 0;
    std::string FailureReason;
    int Fd = -1;
    bool AtEnd = false;
    bool Created = false;
    std::array<JOCTET, 65536> Buffer{};
};

namespace {

using TState = TJpegDecoder::TState;

TState& StateOf(j_common_ptr info) {
    return *static_cast<TState*>(info->client_data);
}

TState& StateOf(j_decompress_ptr info) {
    return *static_cast<TState*>(info->client_data);
}

// libjpeg's errors do not return: back to the setjmp of the call that started the work, with
// the reason told beforehand (nothing with a destructor may live in a frame that is jumped over).
void ErrorExit(j_common_ptr info) {
    TState& state = StateOf(info);
    char message[JMSG_LENGTH_MAX] = {};
    info->err->format_message(info, message);
    state.FailureError = 0;
    state.FailureReason = message;
    std::longjmp(state.Jump, 1);
}

// Called at each scan and every few rows, so that a hostile file is refused as soon as it shows
// itself and a long decode can be given up.
void MonitorProgress(j_common_ptr info) {
    TState& state = StateOf(info);
    if (state.Info.input_scan_number > TJpegDecoder::kMaxScans) {
        state.FailureError = 0;
        state.FailureReason = TooManyScansReason();
        std::longjmp(state.Jump, 1);
    }
    if (state.KeepGoing && !state.KeepGoing()) {
        state.FailureError = ECANCELED;
        state.FailureReason.clear();
        std::longjmp(state.Jump, 1);
    }
}

// Warnings (a truncated file, for one) are not worth a word on stderr: a damaged photograph
// still shows what could be decoded, as in every viewer.
void OutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
    TState& state = StateOf(info);
    ssize_t count;
    do {
        count = read(state.Fd, state.Buffer.data(), state.Buffer.size());
    } while (count < 0 && errno == EINTR);
    if (count <= 0) {
        // The end of the file where data should be: a fake end of image, as libjpeg asks.
        WARNMS(info, JWRN_JPEG_EOF);
        state.AtEnd = true;
        state.Buffer[0] = 0xFF;
        state.Buffer[1] = JPEG_EOI;
        count = 2;
    }
    state.Source.next_input_byte = state.Buffer.data();
    state.Source.bytes_in_buffer = static_cast<size_t>(count);
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    TState& state = StateOf(info);
    if (count <= 0) return;
    while (static_cast<size_t>(count) > state.Source.bytes_in_buffer) {
        count -= static_cast<long>(state.Source.bytes_in_buffer);
        FillInputBuffer(info);
        // Skipping past the end: what is left is the fake end of image.
        if (state.AtEnd) return;
    }
    state.Source.next_input_byte += count;
    state.Source.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

JDIMENSION RoundUp(JDIMENSION value, int multiple) {
    const auto step = static_cast<JDIMENSION>(multiple);
    return (value + step - 1) / step * step;
}

// The calls into libjpeg that may end in ErrorExit. Each function holding a setjmp does nothing
// else, so no local of its own can be left half-changed by the jump.
void Create(TState& state) {
    jpeg_create_decompress(&state.Info);
    state.Created = true;
}

bool CreateGuarded(TState& state) {
    if (setjmp(state.Jump)) return false;
    Create(state);
    return true;
}

void ReadMarkers(TState& state) {
    jpeg_save_markers(&state.Info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&state.Info, TRUE);
}

bool ReadHeaderGuarded(TState& state) {
    if (setjmp(state.Jump)) return false;
    ReadMarkers(state);
    return true;
}

void Start(TState& state, int reduction, JDIMENSION* left, JDIMENSION* width, JDIMENSION top) {
    state.Info.scale_num = 1;
    state.Info.scale_denom = static_cast<unsigned>(reduction);
    state.Info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&state.Info);
    if (*left > 0 || *width < state.Info.output_width) jpeg_crop_scanline(&state.Info, left, width);
    if (top > 0) jpeg_skip_scanlines(&state.Info, top);
}

bool StartGuarded(TState& state, int reduction, JDIMENSION* left, JDIMENSION* width,
                  JDIMENSION top) {
    if (setjmp(state.Jump)) return false;
    Start(state, reduction, left, width, top);
    return true;
}

int ReadRows(TState& state, uchar* pixels, qsizetype stride, int rows) {
    std::array<JSAMPROW, 16> pointers;
    int done = 0;
    while (done < rows) {
        const int batch = std::min(rows - done, static_cast<int>(pointers.size()));
        for (int i = 0; i < batch; ++i)
            pointers[static_cast<size_t>(i)] = pixels + (done + i) * stride;
        const auto read =
            jpeg_read_scanlines(&state.Info, pointers.data(), static_cast<JDIMENSION>(batch));
        if (read == 0) break;
        done += static_cast<int>(read);
    }
    return done;
}

bool ReadRowsGuarded(TState& state, uchar* pixels, qsizetype stride, int rows) {
    if (setjmp(state.Jump)) return false;
    return ReadRows(state, pixels, stride, rows) == rows;
}

}  // namespace

TJpegDecoder::TJpegDecoder(int fd, std::function<bool()> progress, uint64_t memoryLimit)
    : m_state(std::make_unique<TState>()) {
    TState& state = *m_state;
    state.Fd = fd;
    state.KeepGoing = std::move(progress);
    state.Info.err = jpeg_std_error(&state.Errors);
    state.Errors.error_exit = ErrorExit;
    state.Errors.output_message = OutputMessage;
    state.Info.client_data = &state;
    if (!CreateGuarded(state)) return;
    state.Info.mem->max_memory_to_use =
        static_cast<long>(std::min<uint64_t>(memoryLimit, std::numeric_limits<long>::max()));
    state.Progress.progress_monitor = MonitorProgress;
    state.Info.progress = &state.Progress;
    state.Source.init_source = InitSource;
    state.Source.fill_input_buffer = FillInputBuffer;
    state.Source.skip_input_data = SkipInputData;
    state.Source.resync_to_restart = jpeg_resync_to_restart;
    state.Source.term_source = TermSource;
    state.Info.src = &state.Source;
}

TJpegDecoder::~TJpegDecoder() {
    if (m_state->Created) jpeg_destroy_decompress(&m_state->Info);
}

TJpegDecoder::THeader TJpegDecoder::ReadHeader() {
    TState& state = *m_state;
    if (!state.Created || !ReadHeaderGuarded(state)) return THeader::Damaged;
    if (state.Info.image_width < 1 || state.Info.image_height < 1) return THeader::Damaged;
    switch (state.Info.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            break;
        default:
            return THeader::LeftToQt;
    }
    // APP1 also carries XMP; the first EXIF block tells.
    for (jpeg_saved_marker_ptr marker = state.Info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0", 6) == 0) {
            m_orientation = ExifOrientation(marker->data, marker->data_length);
            break;
        }
    }
    return THeader::Readable;
}

uint64_t TJpegDecoder::WorkingMemory() const {
    const jpeg_decompress_struct& info = m_state->Info;
    if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&info))) return 0;
    uint64_t coefficients = 0;
    for (int i = 0; i < info.num_components; ++i) {
        const jpeg_component_info& component = info.comp_info[i];
        const auto across = RoundUp(component.width_in_blocks, component.h_samp_factor);
        const auto down = RoundUp(component.height_in_blocks, component.v_samp_factor);
        coefficients += static_cast<uint64_t>(across) * down * DCTSIZE2;
    }
    return coefficients * sizeof(JCOEF);
}

QSize TJpegDecoder::StoredSize() const {
    return QSize(static_cast<int>(m_state->Info.image_width),
                 static_cast<int>(m_state->Info.image_height));
}

bool TJpegDecoder::Start(int reduction, QRect& region) {
    TState& state = *m_state;
    // The reduced size, as libjpeg will compute it: rounded up.
    const QRect whole(0, 0, static_cast<int>((state.Info.image_width + reduction - 1) / reduction),
                      static_cast<int>((state.Info.image_height + reduction - 1) / reduction));
    region = region.intersected(whole);
    if (region.isEmpty()) return false;

    auto left = static_cast<JDIMENSION>(region.left());
    auto width = static_cast<JDIMENSION>(region.width());
    if (!StartGuarded(state, reduction, &left, &width, static_cast<JDIMENSION>(region.top())))
        return false;
    region.setLeft(static_cast<int>(left));
    region.setWidth(static_cast<int>(width));
    return true;
}

bool TJpegDecoder::Read(uchar* pixels, qsizetype stride, int rows) {
    return ReadRowsGuarded(*m_state, pixels, stride, rows);
}

int TJpegDecoder::FailureError() const {
    return m_state->FailureError;
}

const std::string& TJpegDecoder::FailureReason() const {
    return m_state->FailureReason;
}

bool HasTooManyScans(int fd) {
    // Entropy-coded data stuffs every 0xFF with a zero, so 0xFF 0xDA is always a marker.
    std::array<unsigned char, 65536> buffer;
    int scans = 0;
    bool afterFF = false;
    for (off_t offset = 0;;) {
        const ssize_t count = pread(fd, buffer.data(), buffer.size(), offset);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        for (ssize_t i = 0; i < count; ++i) {
            if (afterFF && buffer[static_cast<size_t>(i)] == 0xDA &&
                ++scans > TJpegDecoder::kMaxScans)
                return true;
            afterFF = buffer[static_cast<size_t>(i)] == 0xFF;
        }
        offset += count;
    }
}

std::string TooManyScansReason() {
    return "The file has more than " + std::to_string(TJpegDecoder::kMaxScans) + " scans.";
}

TOrientation ExifOrientation(const uint8_t* data, size_t size) {
    static const char kExif[] = "Exif\0";  // with the string's own terminator, "Exif\0\0"
    if (!data || size < 14 || std::memcmp(data, kExif, 6) != 0) return {};
    const uint8_t* tiff = data + 6;
    const size_t length = size - 6;
    const bool intel = tiff[0] == 'I' && tiff[1] == 'I';
    if (!intel && !(tiff[0] == 'M' && tiff[1] == 'M')) return {};
    auto read16 = [&](size_t at) -> unsigned {
        return intel ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    auto read32 = [&](size_t at) -> size_t {
        return intel ? read16(at) | static_cast<size_t>(read16(at + 2)) << 16
                     : static_cast<size_t>(read16(at)) << 16 | read16(at + 2);
    };
    if (read16(2) != 42) return {};
    const size_t directory = read32(4);
    if (directory > length - 2) return {};
    const unsigned entries = read16(directory);
    for (unsigned i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + 12 * static_cast<size_t>(i);
        if (entry > length - 12) break;
        if (read16(entry) != 0x0112) continue;
        // A SHORT whose value sits in the first half of the value field.
        if (read16(entry + 2) != 3) break;
        switch (read16(entry + 8)) {
            case 2:
                return {true, false, false};
            case 3:
                return {true, true, false};
            case 4:
                return {false, true, false};
            case 5:
                return {false, true, true};
            case 6:
                return {false, false, true};
            case 7:
                return {true, false, true};
            case 8:
                return {true, true, true};
            default:
                return {};
        }
    }
    return {};
}
