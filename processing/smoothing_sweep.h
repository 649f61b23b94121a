// Many smoothing passes over one list in one sweep through memory, with the bits of as many
// SmoothY passes.
//
// The inner points are cut into blocks of 16; pass p smooths a block two blocks behind pass
// p − 1, so each block it reads was just finished by the pass before and is still in the cache,
// and the list is read from memory once per sweep instead of once per pass. The parts of the
// smoothing that depend on x alone are formed once for all passes. Long lists split the passes of
// a sweep between two threads, the second following the first.
#pragma once

#include <cstdint>

namespace ostrel {

struct SweepOptions {
    bool twoThreads = true;  // split the passes between two threads (long lists only)
    bool vector = true;      // the vector kernel, where the processor has it
    bool wide = true;        // and its eight-lane form, where the processor has that
};

// The processor runs the eight-lane form of the vector kernel (tests say whether they covered it).
bool HaveWideVectorKernel();

// Where the list as it stood after the first `passes` passes (1 <= passes <= all of them) is
// copied: n values. A list smoothed further is often wanted at an earlier stage as well; the
// copy costs less than smoothing that stage apart.
struct EarlyCopy {
    double* y = nullptr;
    int64_t passes = 0;
};

// Smooths y (n >= 2 points over x) the given number of times in place, and copies it on the way
// when `early` asks for it. No three neighbouring x may be equal (SmoothPass refuses such a list).
void SmoothManyPasses(const double* x, double* y, int32_t n, int64_t passes,
                      SweepOptions options = {}, EarlyCopy early = {});

}  // namespace ostrel
