#include "FramePictures.h"

#include "StatusScope.h"

#include <system_error>
#include <thread>

namespace {

bool SameJob(const TFramePictureJob& a, const TFramePictureJob& b) {
    return a.Candidates == b.Candidates && a.Rules.DesktopWidth == b.Rules.DesktopWidth &&
           a.Rules.DesktopHeight == b.Rules.DesktopHeight;
}

// Runs on any thread: the outcome stays in that thread's FunStatContext until it is copied out.
void Load(const TFramePictureJob& job, uint32_t fillColor, const TPictureEffects& effects,
          const TDecodeLimits& limits, TFramePicture& picture) {
    for (const std::string& candidate : job.Candidates) {
        {
            TStatusScope scope("LoadFramePictures");
            scope.Run([&] {
                LoadTilePictureToBitmap(candidate, picture.Bitmap, fillColor, &picture.Skew,
                                        &picture.Factor, effects, job.Rules, limits);
                scope.AdoptCalleeFailure();
            });
        }
        if (!FunStatContext.Failed()) {
            picture.Title = candidate;
            break;
        }
        if (FunStatContext.GivenUp()) break;
    }
    if (!FunStatContext.Failed() && job.Loaded) job.Loaded(picture);
    picture.Outcome = FunStatContext;
}

}  // namespace

std::vector<TFramePicture> LoadFramePictures(const std::vector<TFramePictureJob>& jobs,
                                             uint32_t fillColor, const TPictureEffects& effects,
                                             const TDecodeLimits& limits,
                                             const std::function<bool()>& keepGoing) {
    std::vector<TFramePicture> pictures(jobs.size());
    if (jobs.empty()) return pictures;
    // Which earlier job each one repeats; its own index when none.
    std::vector<size_t> loadedBy(jobs.size());
    size_t distinct = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        loadedBy[i] = i;
        for (size_t earlier = 0; earlier < i; ++earlier)
            if (loadedBy[earlier] == earlier && SameJob(jobs[earlier], jobs[i])) {
                loadedBy[i] = earlier;
                break;
            }
        if (loadedBy[i] == i) ++distinct;
    }
    TDecodeLimits shared = limits;
    shared.MemoryBudget = limits.MemoryBudget / distinct;
    TDecodeLimits others = shared;
    others.Progress = keepGoing;

    std::vector<std::thread> threads;
    for (size_t i = 1; i < jobs.size(); ++i) {
        if (loadedBy[i] != i) continue;
        try {
            threads.emplace_back(
                [&, i] { Load(jobs[i], fillColor, effects, others, pictures[i]); });
        } catch (const std::system_error&) {
            // No thread to be had: this one waits for the calling thread.
            Load(jobs[i], fillColor, effects, others, pictures[i]);
        }
    }
    const TFunStatContext caller = FunStatContext;
    Load(jobs[0], fillColor, effects, shared, pictures[0]);
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 1; i < jobs.size(); ++i) {
        if (loadedBy[i] == i) continue;
        pictures[i] = pictures[loadedBy[i]];
        if (!pictures[i].Outcome.Failed() && jobs[i].Loaded) {
            FunStatContext.Reset(fsPerfect);
            jobs[i].Loaded(pictures[i]);
            pictures[i].Outcome = FunStatContext;
        }
    }
    FunStatContext = caller;
    return pictures;
}
