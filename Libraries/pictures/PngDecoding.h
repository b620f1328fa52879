#pragma once

#include <QSize>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// PNG pictures decoded with libpng itself rather than through QImageReader, for what Qt's reader
// cannot do: hand the rows over as they are decoded, so that a large picture is never in memory
// whole. The pixels come out as Qt's reader gives them: no gamma or colour profile applied,
// 16-bit samples rounded to 8 bits, palette indices beyond the palette shown as its first
// colour, and a transparent grey level black and transparent.
class TPngDecoder {
public:
    // fd is read from its current position; the caller keeps it open and closes it. progress,
    // when given, is asked every few rows, and decoding gives up when it answers false.
    TPngDecoder(int fd, std::function<bool()> progress);
    ~TPngDecoder();
    TPngDecoder(const TPngDecoder&) = delete;
    TPngDecoder& operator=(const TPngDecoder&) = delete;

    enum class THeader { Readable, Damaged, LeftToQt };

    // Reads the chunks up to the image data. Interlaced pictures are left to Qt: none of their
    // rows is complete before the last pass over the whole picture.
    THeader ReadHeader();

    QSize StoredSize() const;
    // Whether the pixels carry transparency: an alpha channel, a transparent colour or a palette
    // with transparent entries.
    bool HasAlpha() const;
    // The most memory the decoder takes for its own work: a few rows and zlib's window.
    uint64_t WorkingMemory() const;

    // Only once per decoder, after ReadHeader answered Readable.
    bool Start();
    // The next rows, top to bottom, as 32-bit pixels (Format_ARGB32 when HasAlpha, else
    // Format_RGB32).
    bool Read(uchar* pixels, qsizetype stride, int rows);

    // Why the last call failed: ECANCELED when progress said so, otherwise 0 and libpng's or our
    // own words.
    int FailureError() const;
    const std::string& FailureReason() const;

    struct TState;

private:
    std::unique_ptr<TState> m_state;
};

// Whether the file starts with the PNG signature. Reads through fd without moving its offset.
bool IsPng(int fd);
