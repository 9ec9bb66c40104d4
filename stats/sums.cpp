// Sum, Mean and CountInRange: per-channel sums, means and interval counts of a region.
//
// Shape: one reduction kernel per type and layout walks the whole region (primitives/
// reduce_kernels); AC4 runs as four channels and reports the first three. Integer sums are
// exact (64-bit totals, delivered as double). 32f sums: hint ruxHintAccurate adds every sample
// in double; any other hint adds each row in single precision and the row values in double.
// Both keep 16 partial sums per channel in a fixed order, so every SIMD target returns the same
// bits. Mean divides the sum by width x height (C1) or multiplies it by the reciprocal
// (multi-channel). Counts are kept in 64 bits and saturate at INT_MAX.
// Threads: regions of 1 MiB read and more run in row blocks. Integer sums and counts add exact
// block totals; the fast 32f sum computes its row values on threads and adds them here in row
// order, so every thread count gives the same bits; the accurate 32f sum runs on one thread.
// Validation: Sum null (-8), size (-6), steps not checked; Mean checks its result pointer, then
// is Sum; CountInRange null (-8), step < 1 (-14) before the size (-6), lower > upper (-7).
#include <climits>
#include <cstdint>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/reduce_kernels.h"

namespace rux {
namespace {

template <class T, int C, int kOut>
RuxResult sum(const T* src, int srcStep, RuxImageSize roi, Rux64f* result,
              int hint = ruxHintNone) {
  if (anyNull(src, result)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const ReduceKernels& k = reduceKernels();
  const long long rowBytes = static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(T));
  if constexpr (std::is_same_v<T, Rux32f>) {
    double s[4] = {};
    if (hint == ruxHintAccurate) {  // one raster-order sum: one thread
      k.sumFloat[1][reduceLayout(C)](src, srcStep, roi.width, roi.height, s);
    } else {
      // The fast form adds row values in row order: rows may be summed on threads, the values
      // are then added here in the same order.
      const SumFloatImageFn rowSum = k.sumFloat[0][reduceLayout(C)];
      const RuxResult st = par::foldRowValues<double>(
          roi.height, rowBytes, C,
          [&](int y, double* v) { rowSum(rowPtr(src, srcStep, y), srcStep, roi.width, 1, v); },
          [&](const double* v) {
            for (int c = 0; c < C; ++c) s[c] += v[c];
          });
      if (st != ruxStatusOk) return st;
    }
    for (int c = 0; c < kOut; ++c) result[c] = s[c];
  } else {
    struct Part {
      std::int64_t s[4];
    };
    const SumIntImageFn kernel = k.sumInt[reduceType<T>()][reduceLayout(C)];
    const Part all = par::reduceRowBlocks(
        roi.height, rowBytes, Part{},
        [&](par::RowRange r, Part& p) {
          kernel(rowPtr(src, srcStep, r.begin), srcStep, roi.width, r.size(), p.s);
        },
        [](Part& total, const Part& p) {
          for (int c = 0; c < 4; ++c) total.s[c] += p.s[c];
        });
    for (int c = 0; c < kOut; ++c) result[c] = static_cast<double>(all.s[c]);
  }
  return ruxStatusOk;
}

template <class T, int C, int kOut>
RuxResult mean(const T* src, int srcStep, RuxImageSize roi, Rux64f* result,
               int hint = ruxHintNone) {
  if (result == nullptr) return ruxStatusNullPointer;
  double s[4];
  const RuxResult status = sum<T, C, kOut>(src, srcStep, roi, s, hint);
  if (status != ruxStatusOk) return status;
  const double count = static_cast<double>(roi.width) * static_cast<double>(roi.height);
  if constexpr (C == 1) {
    result[0] = s[0] / count;
  } else {
    const double reciprocal = 1.0 / count;
    for (int c = 0; c < kOut; ++c) result[c] = s[c] * reciprocal;
  }
  return ruxStatusOk;
}

template <class T, int C, int kOut>
RuxResult countInRange(const T* src, int srcStep, RuxImageSize roi, int* counts, const T* lower,
                       const T* upper) {
  if (anyNull(src, counts, lower, upper)) return ruxStatusNullPointer;
  if (srcStep < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  T lo[4] = {}, hi[4] = {};  // AC4: the alpha interval [0, 0] is counted and dropped
  for (int c = 0; c < kOut; ++c) {
    if (lower[c] > upper[c]) return ruxStatusBadRange;
    lo[c] = lower[c];
    hi[c] = upper[c];
  }
  struct Part {
    std::int64_t n[4];
  };
  const CountImageFn kernel = reduceKernels().count[std::is_same_v<T, Rux32f> ? 1 : 0][reduceLayout(C)];
  const long long rowBytes = static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(T));
  const Part all = par::reduceRowBlocks(
      roi.height, rowBytes, Part{},
      [&](par::RowRange r, Part& p) {
        kernel(rowPtr(src, srcStep, r.begin), srcStep, roi.width, r.size(), lo, hi, p.n);
      },
      [](Part& total, const Part& p) {
        for (int c = 0; c < 4; ++c) total.n[c] += p.n[c];
      });
  const std::int64_t* n = all.n;
  for (int c = 0; c < kOut; ++c) counts[c] = n[c] > INT_MAX ? INT_MAX : static_cast<int>(n[c]);
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_SUM_INT(type, T)                                                                     \
  RUXAPI RuxResult ruxiSum_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        Rux64f* pSum) {                                          \
    return sum<T, 1, 1>(pSrc, srcStep, roiSize, pSum);                                           \
  }                                                                                              \
  RUXAPI RuxResult ruxiSum_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        Rux64f sum[3]) {                                         \
    return rux::sum<T, 3, 3>(pSrc, srcStep, roiSize, sum);                                       \
  }                                                                                              \
  RUXAPI RuxResult ruxiSum_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        Rux64f sum[4]) {                                         \
    return rux::sum<T, 4, 4>(pSrc, srcStep, roiSize, sum);                                       \
  }                                                                                              \
  RUXAPI RuxResult ruxiSum_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize,       \
                                         Rux64f sum[3]) {                                        \
    return rux::sum<T, 4, 3>(pSrc, srcStep, roiSize, sum);                                       \
  }                                                                                              \
  RUXAPI RuxResult ruxiMean_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,       \
                                         Rux64f* pMean) {                                        \
    return mean<T, 1, 1>(pSrc, srcStep, roiSize, pMean);                                         \
  }                                                                                              \
  RUXAPI RuxResult ruxiMean_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,       \
                                         Rux64f mean[3]) {                                       \
    return rux::mean<T, 3, 3>(pSrc, srcStep, roiSize, mean);                                     \
  }                                                                                              \
  RUXAPI RuxResult ruxiMean_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,       \
                                         Rux64f mean[4]) {                                       \
    return rux::mean<T, 4, 4>(pSrc, srcStep, roiSize, mean);                                     \
  }                                                                                              \
  RUXAPI RuxResult ruxiMean_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize,      \
                                          Rux64f mean[3]) {                                      \
    return rux::mean<T, 4, 3>(pSrc, srcStep, roiSize, mean);                                     \
  }

RUX_SUM_INT(8u, Rux8u)
RUX_SUM_INT(16u, Rux16u)
RUX_SUM_INT(16s, Rux16s)

RUXAPI RuxResult ruxiSum_32f_C1R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                 Rux64f* pSum, RuxAccuracyHint hint) {
  return rux::sum<Rux32f, 1, 1>(pSrc, srcStep, roiSize, pSum, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiSum_32f_C3R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                 Rux64f sum[3], RuxAccuracyHint hint) {
  return rux::sum<Rux32f, 3, 3>(pSrc, srcStep, roiSize, sum, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiSum_32f_C4R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                 Rux64f sum[4], RuxAccuracyHint hint) {
  return rux::sum<Rux32f, 4, 4>(pSrc, srcStep, roiSize, sum, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiSum_32f_AC4R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                  Rux64f sum[3], RuxAccuracyHint hint) {
  return rux::sum<Rux32f, 4, 3>(pSrc, srcStep, roiSize, sum, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiMean_32f_C1R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                  Rux64f* pMean, RuxAccuracyHint hint) {
  return rux::mean<Rux32f, 1, 1>(pSrc, srcStep, roiSize, pMean, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiMean_32f_C3R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                  Rux64f mean[3], RuxAccuracyHint hint) {
  return rux::mean<Rux32f, 3, 3>(pSrc, srcStep, roiSize, mean, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiMean_32f_C4R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                  Rux64f mean[4], RuxAccuracyHint hint) {
  return rux::mean<Rux32f, 4, 4>(pSrc, srcStep, roiSize, mean, rux::hintValue(hint));
}
RUXAPI RuxResult ruxiMean_32f_AC4R(const Rux32f* pSrc, int srcStep, RuxImageSize roiSize,
                                   Rux64f mean[3], RuxAccuracyHint hint) {
  return rux::mean<Rux32f, 4, 3>(pSrc, srcStep, roiSize, mean, rux::hintValue(hint));
}

#define RUX_COUNT_IN_RANGE(type, T)                                                              \
  RUXAPI RuxResult ruxiCountInRange_##type##_C1R(const T* pSrc, int srcStep,                     \
                                                 RuxImageSize roiSize, int* pCounts,             \
                                                 T lowerBound, T upperBound) {                   \
    return countInRange<T, 1, 1>(pSrc, srcStep, roiSize, pCounts, &lowerBound, &upperBound);     \
  }                                                                                              \
  RUXAPI RuxResult ruxiCountInRange_##type##_C3R(const T* pSrc, int srcStep,                     \
                                                 RuxImageSize roiSize, int counts[3],            \
                                                 const T lowerBound[3], const T upperBound[3]) { \
    return countInRange<T, 3, 3>(pSrc, srcStep, roiSize, counts, lowerBound, upperBound);        \
  }                                                                                              \
  RUXAPI RuxResult ruxiCountInRange_##type##_AC4R(const T* pSrc, int srcStep,                    \
                                                  RuxImageSize roiSize, int counts[3],           \
                                                  const T lowerBound[3],                         \
                                                  const T upperBound[3]) {                       \
    return countInRange<T, 4, 3>(pSrc, srcStep, roiSize, counts, lowerBound, upperBound);        \
  }

RUX_COUNT_IN_RANGE(8u, Rux8u)
RUX_COUNT_IN_RANGE(32f, Rux32f)
