#pragma once

#include "Error.h"
#include "MyGDIPlus.h"

#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TFramePicture;

// A bitmap to fill with a picture: the first of Candidates that loads, fitted by Rules.
struct TFramePictureJob {
    std::vector<std::string> Candidates;
    TResizeRules Rules;
    // Runs on the job's own thread as soon as its picture is loaded, to write it while the others
    // still load; its outcome is the thread's FunStatContext, which becomes the picture's.
    std::function<void(TFramePicture&)> Loaded;
};

struct TFramePicture {
    QImage Bitmap;      // as LoadTilePictureToBitmap makes it; empty when no candidate loaded
    std::string Title;  // the candidate that loaded
    double Skew = 0.0;
    double Factor = 0.0;
    TFunStatContext Outcome;  // the last candidate's outcome, or Loaded's failure
};

// Loads the jobs' pictures side by side, so that the monitors wait for the slowest decode rather
// than for all of them: the first job on the calling thread with limits (whose Progress may touch
// the user interface), every other on a thread of its own, asking keepGoing (which must be safe
// on any thread) whether to go on. The memory budget is shared among the jobs. Jobs for the same
// candidates and size are loaded once, and run Loaded on the calling thread once all are loaded.
std::vector<TFramePicture> LoadFramePictures(const std::vector<TFramePictureJob>& jobs,
                                             uint32_t fillColor, const TPictureEffects& effects,
                                             const TDecodeLimits& limits,
                                             const std::function<bool()>& keepGoing);
