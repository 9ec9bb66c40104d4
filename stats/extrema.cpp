// Min, Max, MinMax, MinIndx and MaxIndx: per-channel extremes of a region and the position of
// their first occurrence.
//
// Shape: Min/Max/MinMax run one extrema kernel over the whole region and write the results only
// at the end. The Indx forms find each row's extreme with a vector pass, keep a row only when it
// is strictly better than the candidate (so the topmost row wins ties), stop early for 8u/16u
// once every reported channel holds the type's limit, and then search the winning row for the
// first column holding the value: the first occurrence in raster order. Each channel has its own
// value and position; the value reported is the sample found there. AC4 runs as four channels
// and reports the first three.
//
// 32f and NaN: NaN samples are ignored; a channel whose samples are all NaN reports NaN (and
// position (0, 0) for the Indx forms). This holds on every SIMD target. +0 and -0 compare
// equal: Min/Max/MinMax may report either sign of a zero extreme, the Indx forms report the
// sample at the first position.
// Regions of 1 MiB read and more run in row blocks on threads; the results (also the positions)
// are those of one pass.
// Validation: null (-8), size (-6); steps are not checked.
#include <cmath>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/reduce_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

template <class T>
constexpr bool kIsFloat = std::is_floating_point_v<T>;

// Whether channel c of the region holds any sample other than NaN.
template <class T, int C>
bool hasNumber(const T* src, int srcStep, RuxImageSize roi, int c) {
  for (int y = 0; y < roi.height; ++y) {
    const T* row = rowPtr(src, srcStep, y);
    for (int x = 0; x < roi.width; ++x) {
      if (!std::isnan(row[x * C + c])) return true;
    }
  }
  return false;
}

template <class T, int C, int kOut, ExtremaKind kKind>
RuxResult extrema(const T* src, int srcStep, RuxImageSize roi, T* mn, T* mx) {
  if (src == nullptr || (kKind != kExtMax && mn == nullptr) || (kKind != kExtMin && mx == nullptr)) {
    return ruxStatusNullPointer;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  const ExtremaImageFn kernel = reduceKernels().extrema[reduceType<T>()][reduceLayout(C)][kKind];
  // Blocks combine exactly: the extreme of extremes. NaN never reaches a partial (the kernels
  // skip it), and a block's start values lose to any number.
  struct Part {
    T lo[4], hi[4];
  };
  Part init{};
  for (int c = 0; c < 4; ++c) {
    init.lo[c] = kIsFloat<T> ? std::numeric_limits<T>::infinity() : std::numeric_limits<T>::max();
    init.hi[c] = kIsFloat<T> ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::lowest();
  }
  const long long rowBytes = static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(T));
  const auto serial = [&](Part& p) {
    kernel(src, srcStep, roi.width, roi.height, p.lo, p.hi);
  };
  Part all = par::reduceRowBlocks(
      roi.height, rowBytes, init,
      [&](par::RowRange r, Part& p) {
        kernel(rowPtr(src, srcStep, r.begin), srcStep, roi.width, r.size(), p.lo, p.hi);
      },
      [](Part& total, const Part& p) {
        for (int c = 0; c < 4; ++c) {
          if (kKind != kExtMax && p.lo[c] < total.lo[c]) total.lo[c] = p.lo[c];
          if (kKind != kExtMin && p.hi[c] > total.hi[c]) total.hi[c] = p.hi[c];
        }
      });
  if constexpr (kIsFloat<T>) {
    // Which zero (+0 or -0) a kernel reports depends on where its lanes met them: a zero extreme
    // is taken from one pass over the whole region, so it never depends on the blocks.
    bool zero = false;
    for (int c = 0; c < kOut; ++c) {
      zero = zero || (kKind != kExtMax && all.lo[c] == 0) || (kKind != kExtMin && all.hi[c] == 0);
    }
    if (zero && par::threadsForBytes(rowBytes * roi.height) > 1) serial(all);
  }
  T* lo = all.lo;
  T* hi = all.hi;
  if constexpr (kIsFloat<T>) {
    // The kernels skip NaN; a channel left at its start value may hold no number at all.
    constexpr T kNaN = std::numeric_limits<T>::quiet_NaN();
    constexpr T kInf = std::numeric_limits<T>::infinity();
    for (int c = 0; c < kOut; ++c) {
      if (kKind == kExtMinMax) {
        if (lo[c] > hi[c]) lo[c] = hi[c] = kNaN;  // only when no sample is a number
      } else if (kKind == kExtMin) {
        if (lo[c] == kInf && !hasNumber<T, C>(src, srcStep, roi, c)) lo[c] = kNaN;
      } else {
        if (hi[c] == -kInf && !hasNumber<T, C>(src, srcStep, roi, c)) hi[c] = kNaN;
      }
    }
  }
  for (int c = 0; c < kOut; ++c) {
    if (kKind != kExtMax) mn[c] = lo[c];
    if (kKind != kExtMin) mx[c] = hi[c];
  }
  return ruxStatusOk;
}

template <class T, int C, int kOut, bool kMax>
RuxResult extremeIndex(const T* src, int srcStep, RuxImageSize roi, T* value, int* indexX,
                       int* indexY) {
  if (anyNull(src, value, indexX, indexY)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const ReduceKernels& k = reduceKernels();
  const RowExtremeFn rowExtreme = k.rowExtreme[reduceType<T>()][reduceLayout(C)][kMax ? 1 : 0];
  const FindFirstFn findFirst = k.findFirst[reduceType<T>()][reduceLayout(C)];
  const std::size_t n = static_cast<std::size_t>(roi.width);

  // Per block of rows: the first row holding the block's extreme. Blocks combine in row order and
  // a later block wins only when strictly better, so the topmost row wins ties, as in one pass.
  struct Part {
    T best[4];
    int row[4];
    bool any;
  };
  // Unsigned types cannot beat their limit: stop once every reported channel holds it.
  constexpr bool kStops = std::is_unsigned_v<T>;
  constexpr T kLimit = kMax ? std::numeric_limits<T>::max() : T(0);
  const auto better = [](T a, T b) { return kMax ? a > b : a < b; };
  const long long rowBytes = static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(T));
  const Part found = par::reduceRowBlocks(
      roi.height, rowBytes, Part{{}, {0, 0, 0, 0}, false},
      [&](par::RowRange r, Part& p) {
        T rowBest[4];
        rowExtreme(rowPtr(src, srcStep, r.begin), n, p.best);
        for (int c = 0; c < 4; ++c) p.row[c] = r.begin;
        p.any = true;
        for (int y = r.begin + 1; y < r.end; ++y) {
          if (kStops) {
            bool atLimit = true;
            for (int c = 0; c < kOut; ++c) atLimit = atLimit && p.best[c] == kLimit;
            if (atLimit) break;
          }
          rowExtreme(rowPtr(src, srcStep, y), n, rowBest);
          for (int c = 0; c < kOut; ++c) {
            if (better(rowBest[c], p.best[c])) {
              p.best[c] = rowBest[c];
              p.row[c] = y;
            }
          }
        }
      },
      [&](Part& total, const Part& p) {
        if (!p.any) return;
        for (int c = 0; c < kOut; ++c) {
          if (!total.any || better(p.best[c], total.best[c])) {
            total.best[c] = p.best[c];
            total.row[c] = p.row[c];
          }
        }
        total.any = true;
      });
  T best[4];
  int bestRow[4];
  for (int c = 0; c < 4; ++c) {
    best[c] = found.best[c];
    bestRow[c] = found.row[c];
  }

  T v[4];
  int px[4], py[4];
  for (int c = 0; c < kOut; ++c) {
    int y = bestRow[c];
    std::size_t x = findFirst(rowPtr(src, srcStep, y), n, c, &best[c]);
    if (kIsFloat<T> && x == n) {
      // Only when the candidate is the start value (+inf or -inf) and the winning row holds no
      // such sample: look for it in raster order; without one the channel is all NaN.
      for (y = 0; y < roi.height; ++y) {
        x = findFirst(rowPtr(src, srcStep, y), n, c, &best[c]);
        if (x != n) break;
      }
      if (x == n) {
        v[c] = std::numeric_limits<T>::quiet_NaN();
        px[c] = py[c] = 0;
        continue;
      }
    }
    v[c] = loadAt(rowPtr(src, srcStep, y) + x * C + static_cast<std::size_t>(c));
    px[c] = static_cast<int>(x);
    py[c] = y;
  }
  for (int c = 0; c < kOut; ++c) {
    value[c] = v[c];
    indexX[c] = px[c];
    indexY[c] = py[c];
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

// Min, Max and MinMax of one type in the four layouts.
#define RUX_EXTREMA(type, T)                                                                     \
  RUXAPI RuxResult ruxiMin_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        T* pMin) {                                               \
    return extrema<T, 1, 1, kExtMin>(pSrc, srcStep, roiSize, pMin, nullptr);                     \
  }                                                                                              \
  RUXAPI RuxResult ruxiMin_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        T min[3]) {                                              \
    return extrema<T, 3, 3, kExtMin>(pSrc, srcStep, roiSize, min, nullptr);                      \
  }                                                                                              \
  RUXAPI RuxResult ruxiMin_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        T min[4]) {                                              \
    return extrema<T, 4, 4, kExtMin>(pSrc, srcStep, roiSize, min, nullptr);                      \
  }                                                                                              \
  RUXAPI RuxResult ruxiMin_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize,       \
                                         T min[3]) {                                             \
    return extrema<T, 4, 3, kExtMin>(pSrc, srcStep, roiSize, min, nullptr);                      \
  }                                                                                              \
  RUXAPI RuxResult ruxiMax_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        T* pMax) {                                               \
    return extrema<T, 1, 1, kExtMax>(pSrc, srcStep, roiSize, nullptr, pMax);                     \
  }                                                                                              \
  RUXAPI RuxResult ruxiMax_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        T max[3]) {                                              \
    return extrema<T, 3, 3, kExtMax>(pSrc, srcStep, roiSize, nullptr, max);                      \
  }                                                                                              \
  RUXAPI RuxResult ruxiMax_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,        \
                                        T max[4]) {                                              \
    return extrema<T, 4, 4, kExtMax>(pSrc, srcStep, roiSize, nullptr, max);                      \
  }                                                                                              \
  RUXAPI RuxResult ruxiMax_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize,       \
                                         T max[3]) {                                             \
    return extrema<T, 4, 3, kExtMax>(pSrc, srcStep, roiSize, nullptr, max);                      \
  }                                                                                              \
  RUXAPI RuxResult ruxiMinMax_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,     \
                                           T* pMin, T* pMax) {                                   \
    return extrema<T, 1, 1, kExtMinMax>(pSrc, srcStep, roiSize, pMin, pMax);                     \
  }                                                                                              \
  RUXAPI RuxResult ruxiMinMax_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,     \
                                           T min[3], T max[3]) {                                 \
    return extrema<T, 3, 3, kExtMinMax>(pSrc, srcStep, roiSize, min, max);                       \
  }                                                                                              \
  RUXAPI RuxResult ruxiMinMax_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,     \
                                           T min[4], T max[4]) {                                 \
    return extrema<T, 4, 4, kExtMinMax>(pSrc, srcStep, roiSize, min, max);                       \
  }                                                                                              \
  RUXAPI RuxResult ruxiMinMax_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize,    \
                                            T min[3], T max[3]) {                                \
    return extrema<T, 4, 3, kExtMinMax>(pSrc, srcStep, roiSize, min, max);                       \
  }

// MinIndx and MaxIndx of one type in the four layouts.
#define RUX_INDX_FORMS(name, kMax, v, pv, type, T)                                               \
  RUXAPI RuxResult ruxi##name##_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,   \
                                             T* pv, int* pIndexX, int* pIndexY) {                \
    return extremeIndex<T, 1, 1, kMax>(pSrc, srcStep, roiSize, pv, pIndexX, pIndexY);            \
  }                                                                                              \
  RUXAPI RuxResult ruxi##name##_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,   \
                                             T v[3], int indexX[3], int indexY[3]) {             \
    return extremeIndex<T, 3, 3, kMax>(pSrc, srcStep, roiSize, v, indexX, indexY);               \
  }                                                                                              \
  RUXAPI RuxResult ruxi##name##_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,   \
                                             T v[4], int indexX[4], int indexY[4]) {             \
    return extremeIndex<T, 4, 4, kMax>(pSrc, srcStep, roiSize, v, indexX, indexY);               \
  }                                                                                              \
  RUXAPI RuxResult ruxi##name##_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize,  \
                                              T v[3], int indexX[3], int indexY[3]) {            \
    return extremeIndex<T, 4, 3, kMax>(pSrc, srcStep, roiSize, v, indexX, indexY);               \
  }
#define RUX_INDX(type, T)                                 \
  RUX_INDX_FORMS(MinIndx, false, min, pMin, type, T)      \
  RUX_INDX_FORMS(MaxIndx, true, max, pMax, type, T)

#define RUX_STATS_TYPES(X) X(8u, Rux8u) X(16u, Rux16u) X(16s, Rux16s) X(32f, Rux32f)
RUX_STATS_TYPES(RUX_EXTREMA)
RUX_STATS_TYPES(RUX_INDX)
