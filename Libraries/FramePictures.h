#pragma once

#include "Error.h"
#include "MyGDIPlus.h"

#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A bitmap to fill with a picture: the first of Candidates that loads, fitted by Rules.
struct TFramePictureJob {
    std::vector<std::string> Candidates;
    TResizeRules Rules;
};

struct TFramePicture {
    QImage Bitmap;      // as LoadTilePictureToBitmap makes it; empty when no candidate loaded
    std::string Title;  // the candidate that loaded
    double Skew = 0.0;
    double Factor = 0.0;
    TFunStatContext Outcome;  // the last candidate's outcome
};

// Loads the jobs' pictures side by side, so that the monitors wait for the slowest decode rather
// than for all of them: the first job on the calling thread with limits (whose Progress may touch
// the user interface), every other on a thread of its own, asking keepGoing (which must be safe
// on any thread) whether to go on. The memory budget is shared among the jobs. Jobs for the same
// candidates and size are loaded once.
std::vector<TFramePicture> LoadFramePictures(const std::vector<TFramePictureJob>& jobs,
                                             uint32_t fillColor, const TPictureEffects& effects,
                                             const TDecodeLimits& limits,
                                             const std::function<bool()>& keepGoing);
