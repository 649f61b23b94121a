#include "processing/smoothing_sweep.h"

// GCC 12 takes the undefined first operand of the AVX-512 headers' unmasked forms for an
// uninitialised value; the warning belongs to the header's lines, so it is silenced for them only
// (clang, which builds the fuzz targets, neither warns nor knows the second group).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "processing/processing_routines.h"

namespace ostrel {

namespace {

using L = long double;

constexpr int32_t kBlock = 16;            // inner points per block
constexpr int64_t kPassesPerSweep = 256;  // keeps the blocks of one sweep in the cache
constexpr int32_t kTwoThreadPoints = 100000;
constexpr int kSpinsBeforeSleep = 16384;  // a few hundred microseconds

// What the smoothing of inner point j takes from x alone, as SmoothRange forms it in extended
// precision: the distance between the two midpoints around x[j] and the distances of x[j] from
// the left midpoint and to the right one. Kept as doubles when each of them is one exactly
// (neighbouring x within a factor of two of each other make sure of it) and lies far from the
// ends of the double range.
struct XParts {
    std::unique_ptr<double[]> span, left, right;
    std::unique_ptr<double[]> inverse;  // 1 / span, rounded; the vector kernel's estimate
    bool usable = true;
};

bool SafeExactDouble(L value, double& stored) {
    stored = static_cast<double>(value);
    const double magnitude = std::fabs(stored);
    return L(stored) == value && magnitude > 0x1p-400 && magnitude < 0x1p400;
}

// The parts of inner points first..last-1; false when one of them cannot be kept as a double.
bool FormXPartsOf(const double* x, int32_t first, int32_t last, XParts& parts) {
    double mx0 = static_cast<double>((L(x[first - 1]) + x[first]) / 2);
    for (int32_t j = first; j < last; ++j) {
        const double mx1 = static_cast<double>((L(x[j]) + x[j + 1]) / 2);
        if (!SafeExactDouble(L(mx1) - mx0, parts.span[j]) ||
            !SafeExactDouble(L(x[j]) - mx0, parts.left[j]) ||
            !SafeExactDouble(L(mx1) - x[j], parts.right[j]))
            return false;
        parts.inverse[j] = 1 / parts.span[j];
        mx0 = mx1;
    }
    return true;
}

// Each element depends on x alone, so a long list is formed in two halves at once.
XParts FormXParts(const double* x, int32_t n) {
    XParts parts;
    // Left unfilled: every element the sweep reads is written below before it.
    parts.span.reset(new double[n]);
    parts.left.reset(new double[n]);
    parts.right.reset(new double[n]);
    parts.inverse.reset(new double[n]);
    const int32_t middle = n >= kTwoThreadPoints ? n / 2 : n - 1;
    bool secondUsable = true;
    std::thread helper;
    if (middle < n - 1) {
        try {
            helper = std::thread([&] { secondUsable = FormXPartsOf(x, middle, n - 1, parts); });
        } catch (const std::system_error&) {
            secondUsable = FormXPartsOf(x, middle, n - 1, parts);
        }
    }
    parts.usable = FormXPartsOf(x, 1, middle, parts);
    if (helper.joinable()) helper.join();
    parts.usable = parts.usable && secondUsable;
    return parts;
}

// The new value of inner point j from the midpoints m0 (left) and m1 (right) of the previous
// pass's values, in extended precision exactly as SmoothRange computes it.
double SmoothedPoint(const XParts& xp, int32_t j, double m0, double m1) {
    if (m1 > m0) {
        const double product = static_cast<double>(L(xp.left[j]) * (L(m1) - m0));
        const double quotient = static_cast<double>(product / L(xp.span[j]));
        return static_cast<double>(L(m0) + quotient);
    }
    const double product = static_cast<double>(L(xp.right[j]) * (L(m0) - m1));
    const double quotient = static_cast<double>(product / L(xp.span[j]));
    return static_cast<double>(L(m1) + quotient);
}

double Midpoint(const double* y, int32_t j) {
    return static_cast<double>((L(y[j]) + y[j + 1]) / 2);
}

// One pass over the inner points first..last-1 in place; m0 is the left midpoint of the previous
// pass's values at `first`, carried from the block before.
void PlainBlock(const XParts& xp, double* y, int32_t first, int32_t last, double& m0) {
    for (int32_t j = first; j < last; ++j) {
        const double m1 = Midpoint(y, j);
        y[j] = SmoothedPoint(xp, j, m0, m1);
        m0 = m1;
    }
}

// The vector kernel computes each operation in double precision, where the rule computes it in
// extended precision and then rounds to double. The two agree unless the extended result lands
// exactly on the midpoint between two doubles while the exact result does not, which needs the
// exact result within 2^-12 of the spacing of doubles from that midpoint. The kernel knows how far
// each exact result lies from its double (the error of a sum, a product or a quotient is itself a
// double, formed exactly while the values stay well inside the range) and keeps a lane when that
// distance stays below half the spacing on its side divided by 1.001 (adding 1.001 times the error
// to the double does not move it), or when the exact result lies right on the midpoint (extended
// precision holds it exactly, and both round it alike). A midpoint sum is kept when the two
// values lie within a factor of 512 of each other, for extended precision holds their sum exactly.
// Every other lane (a few in a thousand) is computed again as the rule writes it.
#define OSTREL_VECTOR __attribute__((target("avx2,fma")))

OSTREL_VECTOR inline __m256d Abs(__m256d v) {
    return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
}

OSTREL_VECTOR inline __m256d Equal(__m256d a, __m256d b) {
    return _mm256_cmp_pd(a, b, _CMP_EQ_OQ);
}

OSTREL_VECTOR inline __m256d Above(__m256d a, double bound) {
    return _mm256_cmp_pd(a, _mm256_set1_pd(bound), _CMP_GT_OQ);
}

// The rounded v with the exact result v + error lies far from a midpoint between doubles.
OSTREL_VECTOR inline __m256d FarFromMidpoint(__m256d v, __m256d error) {
    return Equal(_mm256_fmadd_pd(_mm256_set1_pd(1.001), error, v), v);
}

// ... or right on one (v + 2·error is then the neighbouring double): extended precision holds
// such a result exactly, and both round it alike. error must be exact.
OSTREL_VECTOR inline __m256d Kept(__m256d v, __m256d error) {
    const __m256d twice = _mm256_add_pd(error, error);
    const __m256d onMidpoint = Equal(_mm256_sub_pd(_mm256_add_pd(v, twice), v), twice);
    return _mm256_or_pd(FarFromMidpoint(v, error), onMidpoint);
}

OSTREL_VECTOR void VectorBlock(const XParts& xp, double* y, int32_t first, double& m0) {
    const __m256d zero = _mm256_setzero_pd();
    for (int32_t j = first; j < first + kBlock; j += 4) {
        const __m256d y0 = _mm256_loadu_pd(y + j);
        const __m256d y1 = _mm256_loadu_pd(y + j + 1);
        // The right midpoints; the left ones are those of the lane before. Neighbours within a
        // factor of 512 of each other have a sum that extended precision holds exactly; a zero
        // neighbour makes any sum exact.
        const __m256d sum = _mm256_add_pd(y0, y1);
        __m256d m1 = _mm256_mul_pd(sum, _mm256_set1_pd(0.5));
        const __m256d smaller = _mm256_min_pd(Abs(y0), Abs(y1));
        const __m256d larger = _mm256_max_pd(Abs(y0), Abs(y1));
        const __m256d close =
            _mm256_cmp_pd(_mm256_mul_pd(smaller, _mm256_set1_pd(512)), larger, _CMP_GE_OQ);
        const int sumsKept = _mm256_movemask_pd(
            _mm256_or_pd(Equal(smaller, zero), _mm256_and_pd(close, Above(Abs(sum), 0x1p-1000))));
        if (sumsKept != 0xf) {
            alignas(32) double lanes[4];
            _mm256_store_pd(lanes, m1);
            for (int k = 0; k < 4; ++k)
                if (!(sumsKept >> k & 1)) lanes[k] = Midpoint(y, j + k);
            m1 = _mm256_load_pd(lanes);
        }
        const __m256d m0v = _mm256_blend_pd(_mm256_permute4x64_pd(m1, _MM_SHUFFLE(2, 1, 0, 0)),
                                            _mm256_set1_pd(m0), 1);
        // Rising (m1 > m0): from m0 with the left distance; otherwise from m1 with the right one.
        // min and max answer their first operand exactly when the comparison holds.
        const __m256d rising = _mm256_cmp_pd(m1, m0v, _CMP_GT_OQ);
        const __m256d low = _mm256_min_pd(m0v, m1);
        const __m256d high = _mm256_max_pd(m1, m0v);
        const __m256d distance =
            _mm256_blendv_pd(_mm256_loadu_pd(&xp.right[j]), _mm256_loadu_pd(&xp.left[j]), rising);
        const __m256d span = _mm256_loadu_pd(&xp.span[j]);
        // The rule keeps high − low in extended precision; the lane needs it exact in double,
        // which it is when low is 0 or at least half of high.
        const __m256d rise = _mm256_sub_pd(high, low);
        const __m256d riseExact = _mm256_or_pd(
            _mm256_or_pd(Equal(low, zero), Equal(rise, zero)),
            _mm256_and_pd(Above(low, 0), _mm256_cmp_pd(_mm256_add_pd(low, low), high, _CMP_GE_OQ)));
        const __m256d product = _mm256_mul_pd(distance, rise);
        const __m256d productKept =
            _mm256_or_pd(Equal(rise, zero),
                         _mm256_and_pd(Above(Abs(product), 0x1p-900),
                                       Kept(product, _mm256_fmsub_pd(distance, rise, product))));
        const __m256d quotient = _mm256_div_pd(product, span);
        const __m256d quotientError = _mm256_mul_pd(_mm256_fnmadd_pd(quotient, span, product),
                                                    _mm256_loadu_pd(&xp.inverse[j]));
        const __m256d quotientKept = _mm256_or_pd(
            Equal(product, zero), _mm256_and_pd(Above(Abs(quotient), 0x1p-500),
                                                FarFromMidpoint(quotient, quotientError)));
        const __m256d v = _mm256_add_pd(low, quotient);
        const __m256d back = _mm256_sub_pd(v, low);
        const __m256d sumError = _mm256_add_pd(_mm256_sub_pd(low, _mm256_sub_pd(v, back)),
                                               _mm256_sub_pd(quotient, back));
        const __m256d kept = _mm256_and_pd(_mm256_and_pd(riseExact, productKept),
                                           _mm256_and_pd(quotientKept, Kept(v, sumError)));
        const int keptMask = _mm256_movemask_pd(kept);
        _mm256_storeu_pd(y + j, v);
        if (keptMask != 0xf) {
            alignas(32) double left[4], right[4];
            _mm256_store_pd(left, m0v);
            _mm256_store_pd(right, m1);
            for (int k = 0; k < 4; ++k)
                if (!(keptMask >> k & 1)) y[j + k] = SmoothedPoint(xp, j + k, left[k], right[k]);
        }
        m0 = _mm256_cvtsd_f64(_mm256_permute4x64_pd(m1, _MM_SHUFFLE(3, 3, 3, 3)));
    }
}

// The same kernel eight lanes wide (AVX-512), each step of it the step of the four-lane kernel
// above with its comparisons answered as masks: the same operations in the same order, so each
// lane's value, and each lane handed back to the rule, is the four-lane kernel's.
#define OSTREL_WIDE __attribute__((target("avx512f")))

using Lanes8 = __mmask8;

OSTREL_WIDE inline Lanes8 Equal8(__m512d a, __m512d b) {
    return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ);
}

OSTREL_WIDE inline Lanes8 Above8(__m512d a, double bound) {
    return _mm512_cmp_pd_mask(a, _mm512_set1_pd(bound), _CMP_GT_OQ);
}

OSTREL_WIDE inline Lanes8 FarFromMidpoint8(__m512d v, __m512d error) {
    return Equal8(_mm512_fmadd_pd(_mm512_set1_pd(1.001), error, v), v);
}

OSTREL_WIDE inline Lanes8 Kept8(__m512d v, __m512d error) {
    const __m512d twice = _mm512_add_pd(error, error);
    const Lanes8 onMidpoint = Equal8(_mm512_sub_pd(_mm512_add_pd(v, twice), v), twice);
    return FarFromMidpoint8(v, error) | onMidpoint;
}

OSTREL_WIDE void WideVectorBlock(const XParts& xp, double* y, int32_t first, double& m0) {
    const __m512d zero = _mm512_setzero_pd();
    // Lane k takes lane k − 1 of the right midpoints as its left one.
    const __m512i previous = _mm512_set_epi64(6, 5, 4, 3, 2, 1, 0, 0);
    for (int32_t j = first; j < first + kBlock; j += 8) {
        const __m512d y0 = _mm512_loadu_pd(y + j);
        const __m512d y1 = _mm512_loadu_pd(y + j + 1);
        const __m512d sum = _mm512_add_pd(y0, y1);
        __m512d m1 = _mm512_mul_pd(sum, _mm512_set1_pd(0.5));
        const __m512d smaller = _mm512_min_pd(_mm512_abs_pd(y0), _mm512_abs_pd(y1));
        const __m512d larger = _mm512_max_pd(_mm512_abs_pd(y0), _mm512_abs_pd(y1));
        const Lanes8 close =
            _mm512_cmp_pd_mask(_mm512_mul_pd(smaller, _mm512_set1_pd(512)), larger, _CMP_GE_OQ);
        const Lanes8 sumsKept =
            Equal8(smaller, zero) | (close & Above8(_mm512_abs_pd(sum), 0x1p-1000));
        if (sumsKept != 0xff) {
            alignas(64) double lanes[8];
            _mm512_store_pd(lanes, m1);
            for (int k = 0; k < 8; ++k)
                if (!(sumsKept >> k & 1)) lanes[k] = Midpoint(y, j + k);
            m1 = _mm512_load_pd(lanes);
        }
        const __m512d m0v =
            _mm512_mask_blend_pd(1, _mm512_permutexvar_pd(previous, m1), _mm512_set1_pd(m0));
        const Lanes8 rising = _mm512_cmp_pd_mask(m1, m0v, _CMP_GT_OQ);
        const __m512d low = _mm512_min_pd(m0v, m1);
        const __m512d high = _mm512_max_pd(m1, m0v);
        const __m512d distance = _mm512_mask_blend_pd(rising, _mm512_loadu_pd(&xp.right[j]),
                                                      _mm512_loadu_pd(&xp.left[j]));
        const __m512d span = _mm512_loadu_pd(&xp.span[j]);
        const __m512d rise = _mm512_sub_pd(high, low);
        const Lanes8 riseExact =
            Equal8(low, zero) | Equal8(rise, zero) |
            (Above8(low, 0) & _mm512_cmp_pd_mask(_mm512_add_pd(low, low), high, _CMP_GE_OQ));
        const __m512d product = _mm512_mul_pd(distance, rise);
        const Lanes8 productKept =
            Equal8(rise, zero) | (Above8(_mm512_abs_pd(product), 0x1p-900) &
                                  Kept8(product, _mm512_fmsub_pd(distance, rise, product)));
        const __m512d quotient = _mm512_div_pd(product, span);
        const __m512d quotientError = _mm512_mul_pd(_mm512_fnmadd_pd(quotient, span, product),
                                                    _mm512_loadu_pd(&xp.inverse[j]));
        const Lanes8 quotientKept =
            Equal8(product, zero) |
            (Above8(_mm512_abs_pd(quotient), 0x1p-500) & FarFromMidpoint8(quotient, quotientError));
        const __m512d v = _mm512_add_pd(low, quotient);
        const __m512d back = _mm512_sub_pd(v, low);
        const __m512d sumError = _mm512_add_pd(_mm512_sub_pd(low, _mm512_sub_pd(v, back)),
                                               _mm512_sub_pd(quotient, back));
        const Lanes8 kept = riseExact & productKept & quotientKept & Kept8(v, sumError);
        _mm512_storeu_pd(y + j, v);
        alignas(64) double right[8];
        _mm512_store_pd(right, m1);
        if (kept != 0xff) {
            alignas(64) double left[8];
            _mm512_store_pd(left, m0v);
            for (int k = 0; k < 8; ++k)
                if (!(kept >> k & 1)) y[j + k] = SmoothedPoint(xp, j + k, left[k], right[k]);
        }
        m0 = right[7];
    }
}

bool HaveVectorKernel() {
    static const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return have;
}

// The passes of one sweep over the blocks of the inner points: pass p smooths block b at step
// b + 2p, so at every step the block it reads next (b + 1) was finished by pass p − 1 one step
// before, and the blocks a step touches lie apart.
class Sweep {
  public:
    Sweep(const XParts& xp, double* y, int32_t n, bool vector, bool wide)
        : xp_(xp),
          y_(y),
          n_(n),
          blocks_((n - 2 + kBlock - 1) / kBlock),
          vector_(vector),
          wide_(vector && wide) {}

    int64_t LastStep(int64_t passes) const { return blocks_ - 1 + 2 * (passes - 1); }

    // Each block, as the given pass of the sweep leaves it, copied to `copy`; pass p + 1 smooths
    // the block only two steps later, so the copy follows pass p alone.
    void CopyAfter(int64_t pass, double* copy) {
        copyPass_ = pass;
        copy_ = copy;
    }

    // The blocks of passes p0..p1-1 (numbered within the sweep) due at the given step.
    void Step(int64_t step, int64_t p0, int64_t p1, std::vector<double>& m0) {
        for (int64_t p = p0; p < p1; ++p) {
            const int64_t b = step - 2 * p;
            if (b < 0) break;
            if (b >= blocks_) continue;
            const auto first = static_cast<int32_t>(1 + b * kBlock);
            const int32_t last = std::min(first + kBlock, n_ - 1);
            if (b == 0) m0[p] = Midpoint(y_, 0);
            if (wide_ && last - first == kBlock)
                WideVectorBlock(xp_, y_, first, m0[p]);
            else if (vector_ && last - first == kBlock)
                VectorBlock(xp_, y_, first, m0[p]);
            else
                PlainBlock(xp_, y_, first, last, m0[p]);
            if (p == copyPass_) std::copy(y_ + first, y_ + last, copy_ + first);
        }
    }

  private:
    const XParts& xp_;
    double* y_;
    int32_t n_;
    int64_t blocks_;
    bool vector_;
    bool wide_;
    int64_t copyPass_ = -1;
    double* copy_ = nullptr;
};

void RunSweep(Sweep& sweep, int64_t passes, bool twoThreads) {
    std::vector<double> m0(passes);
    if (!twoThreads) {
        for (int64_t t = 0; t <= sweep.LastStep(passes); ++t) sweep.Step(t, 0, passes, m0);
        return;
    }
    // The helper takes the later half of the passes. At its step t the first of them reads the
    // blocks that the main thread's last pass finishes at step t − 1; the main thread never
    // waits, for the helper touches only blocks the main thread is done with.
    //
    // A step takes microseconds, so the helper, which keeps pace with the main thread, waits for
    // it at nearly every step: it spins a little before it sleeps, and reads the main thread's
    // count only when the count it saw last does not let it go on. Each thread carries its
    // passes' midpoints in a list of its own, for the cache line that two such lists would share
    // went back and forth between the cores at every step (a fifth of the sweep's time).
    const int64_t split = passes / 2;
    std::atomic<int64_t> done{-1};
    std::vector<double> helperM0(passes);
    auto helping = [&] {
        int64_t seen = -1;
        for (int64_t t = 2 * split; t <= sweep.LastStep(passes); ++t) {
            for (int spins = 0; seen < t - 1 && seen < sweep.LastStep(split); ++spins) {
                if (spins >= kSpinsBeforeSleep) done.wait(seen, std::memory_order_acquire);
                _mm_pause();
                seen = done.load(std::memory_order_acquire);
            }
            sweep.Step(t, split, passes, helperM0);
        }
    };
    std::thread helper;
    try {
        helper = std::thread(helping);
    } catch (const std::system_error&) {
        // No second thread to be had: this one runs every pass.
        for (int64_t t = 0; t <= sweep.LastStep(passes); ++t) sweep.Step(t, 0, passes, m0);
        return;
    }
    for (int64_t t = 0; t <= sweep.LastStep(split); ++t) {
        sweep.Step(t, 0, split, m0);
        done.store(t, std::memory_order_release);
        done.notify_one();
    }
    helper.join();
}

}  // namespace

bool HaveWideVectorKernel() {
    static const bool have = __builtin_cpu_supports("avx512f");
    return have;
}

void SmoothManyPasses(const double* x, double* y, int32_t n, int64_t passes, SweepOptions options,
                      EarlyCopy early) {
    const bool copying = early.y != nullptr && early.passes >= 1 && early.passes <= passes;
    if (passes <= 0 || n < 3) {
        if (copying) std::copy(y, y + n, early.y);
        return;
    }
    // The ends are not smoothed.
    if (copying) {
        early.y[0] = y[0];
        early.y[n - 1] = y[n - 1];
    }
    const XParts xp = FormXParts(x, n);
    if (!xp.usable) {
        for (int64_t p = 0; p < passes; ++p) {
            SmoothY(x, y, n, y);
            if (copying && p + 1 == early.passes) std::copy(y, y + n, early.y);
        }
        return;
    }
    Sweep sweep(xp, y, n, options.vector && HaveVectorKernel(),
                options.wide && HaveWideVectorKernel());
    for (int64_t done = 0; done < passes; done += kPassesPerSweep) {
        const int64_t now = std::min(kPassesPerSweep, passes - done);
        const int64_t copyPass = early.passes - 1 - done;
        sweep.CopyAfter(copying && copyPass >= 0 && copyPass < now ? copyPass : -1, early.y);
        RunSweep(sweep, now, options.twoThreads && n >= kTwoThreadPoints && now >= 4);
    }
}

}  // namespace ostrel
