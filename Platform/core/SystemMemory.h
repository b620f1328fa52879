#pragma once

#include <cstdint>

// The memory the system can give the program now without swapping, in bytes: the kernel's own
// estimate (MemAvailable), which counts the page cache it would drop, or the free pages where the
// kernel is too old to tell.
uint64_t AvailableMemory();
