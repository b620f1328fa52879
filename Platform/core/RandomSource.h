#pragma once

#include "Service.h"

#include <cstddef>
#include <cstdint>

// The system's cryptographic random bytes.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // false when the system cannot give them now; the bytes are then unchanged.
    virtual bool Fill(void* bytes, size_t size) = 0;

    static ServiceSlot<RandomSource>& Slot();
    static RandomSource& Instance() { return Slot().Get(); }
};

// Milliseconds since the system started, suspended time included; wraps after 49.7 days.
uint32_t MillisecondsSinceStart();
