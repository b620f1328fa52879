#pragma once

#include <QImage>
#include <string>
#include <vector>

// Writes bitmap as an uncompressed 24-bit BMP file at fileName (the bytes of the path). The file
// is written beside its final name and renamed over it, so that a reader (the desktop) never
// sees half a picture, and a name linked to the previous file keeps the previous picture.
// "Failed to write file." with the file name and errno on a failure. Outcome through
// FunStatContext.
void WriteBitmapFile(const QImage& bitmap, const std::string& fileName);

struct TBitmapFileJob {
    const QImage* Bitmap;
    std::string FileName;
};

// Writes the bitmaps as WriteBitmapFile does, side by side: the first on the calling thread, every
// other on a thread of its own. The first failure, in the jobs' order, is the outcome.
void WriteBitmapFiles(const std::vector<TBitmapFileJob>& jobs);
