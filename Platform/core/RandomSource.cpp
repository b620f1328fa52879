#include "RandomSource.h"

#include <sys/random.h>
#include <ctime>
#include <memory>

namespace {

class KernelRandomSource final : public RandomSource {
public:
    bool Fill(void* bytes, size_t size) override {
        // GRND_NONBLOCK: early in boot, before the pool is ready, the mixed value serves instead
        // of a wait.
        return getrandom(bytes, size, GRND_NONBLOCK) == static_cast<ssize_t>(size);
    }
};

}  // namespace

ServiceSlot<RandomSource>& RandomSource::Slot() {
    static ServiceSlot<RandomSource> slot(
        [] { return std::unique_ptr<RandomSource>(std::make_unique<KernelRandomSource>()); });
    return slot;
}

uint32_t MillisecondsSinceStart() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}
