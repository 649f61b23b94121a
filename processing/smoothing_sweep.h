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
#include <memory>

namespace ostrel {

struct SweepOptions {
    bool twoThreads = true;  // split the passes between two threads (long lists only)
    bool vector = true;      // the vector kernel, where the processor has it
    bool wide = true;        // and its eight-lane form, where the processor has that
};

// The processor runs the eight-lane form of the vector kernel (tests say whether they covered it).
bool HaveWideVectorKernel();

// What the smoothing of inner point j takes from x alone, as the rule forms it in extended
// precision: the distance between the two midpoints around x[j] and the distances of x[j] from
// the left midpoint and to the right one. Kept as doubles when each of them is one exactly
// (neighbouring x within a factor of two of each other make sure of it) and lies far from the
// ends of the double range; otherwise `usable` is false and the passes run as the rule writes
// them. The same for every list over the same x, so it is formed once for all of them.
struct SmoothingGeometry {
    std::unique_ptr<double[]> span, left, right;
    std::unique_ptr<double[]> inverse;  // 1 / span, rounded; the vector kernel's estimate
    int32_t count = 0;                  // the points it was formed for (0: not formed)
    bool usable = true;
};

SmoothingGeometry FormSmoothingGeometry(const double* x, int32_t n);

// Smooths y (n >= 2 points over x) the given number of times in place. No three neighbouring x
// may be equal (SmoothPass refuses such a list).
void SmoothManyPasses(const double* x, double* y, int32_t n, int64_t passes,
                      SweepOptions options = {});
// The same with the x parts formed before for these x (std::invalid_argument when they were
// formed for a list of another length).
void SmoothManyPasses(const SmoothingGeometry& geometry, const double* x, double* y, int32_t n,
                      int64_t passes, SweepOptions options = {});

}  // namespace ostrel
