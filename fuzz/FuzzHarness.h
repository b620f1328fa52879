#pragma once

#include <cstddef>
#include <cstdint>

// What each fuzz target does with one input, shared with the test that replays the inputs the
// targets once found faults with. A broken rule aborts the process, so that libFuzzer keeps the
// input. Both need a QApplication (the options' readers fill widgets), on the offscreen platform.

// The first three bytes choose the resize rules, the brightness normalization, gamma and the size
// of the desktop; the rest is a picture file, loaded as the program loads one.
void FuzzPictureLoading(const uint8_t* data, size_t size);

// The bytes are an options or skin file: loaded with every value read through every typed reader
// (the load may fail only for a NUL byte or a value a reader could not take), written back, saved
// (over a file the load did not take whole, only after keeping it as ".bak") and loaded again,
// which must give the same content and the same values.
void FuzzStoredTextList(const uint8_t* data, size_t size);
