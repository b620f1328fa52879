#pragma once

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

// Runs work(first, last) over consecutive slices of [0, count) on all cores and returns when
// every slice is done, so the caller stays synchronous: the only threads are the ones living
// inside this call. Small jobs stay on the calling thread, where a thread would cost more than it
// saves. The first exception of any slice is rethrown here.
template <class Work>
void ParallelRows(int count, int minimumPerThread, Work&& work) {
    if (count <= 0) return;
    const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    const int slices = std::clamp(count / std::max(minimumPerThread, 1), 1, cores);
    if (slices == 1) {
        work(0, count);
        return;
    }

    std::vector<std::exception_ptr> failures(static_cast<size_t>(slices));
    auto runSlice = [&](int slice) {
        try {
            work(static_cast<int>(static_cast<long long>(count) * slice / slices),
                 static_cast<int>(static_cast<long long>(count) * (slice + 1) / slices));
        } catch (...) {
            failures[static_cast<size_t>(slice)] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(slices - 1));
    try {
        for (int slice = 1; slice < slices; ++slice) threads.emplace_back(runSlice, slice);
    } catch (...) {
        // No thread to be had: the calling thread does the rest itself.
        for (int slice = static_cast<int>(threads.size()) + 1; slice < slices; ++slice)
            runSlice(slice);
    }
    runSlice(0);
    for (std::thread& thread : threads) thread.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
