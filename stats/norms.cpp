// Norms of an image, of the difference of two images, and of that difference relative to the
// second image: Norm, NormDiff, NormRel with the Inf, L1 and L2 kinds.
//
// Shape: one driver computes the raw per-channel value of a region (Inf: max |s|, L1: sum |s|,
// L2: sum s^2) from the shared row kernels; the three families finish it (L2: square root;
// NormRel: numerator over denominator). Integer raw values are exact: row values are exact
// 64-bit integers and the rows are added in 128 bits, then rounded to double once. The 8u L2
// sum of squares is therefore exact at any width, so no column strips are needed.
// 32f L1/L2 sum each row in single precision and the rows in double, or (hint 2) every term
// in double; the infinity norm takes no hint. AC4 members run as four channels and report three.
// Threads: regions of 1 MiB read and more run in row blocks; integer block totals combine
// exactly, 32f row values are computed on threads and added in row order (the same bits). The
// row-value vector of a parallel 32f call is scratch: without it the call returns -9.
// Validation: null (-8), size (-6), any step < 1 (-14); nothing is read before.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/norm_kernels.h"

namespace rux {
namespace {

template <class T>
constexpr int intTypeOf() {
  if constexpr (std::is_same_v<T, Rux8u>) return kNorm8u;
  if constexpr (std::is_same_v<T, Rux16u>) return kNorm16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kNorm16s;
  return kNorm32s;
}

// Raw value per channel of C interleaved channels; b null for the norm of a alone.
template <class T, int C>
RuxResult rawNorms(const T* a, int aStep, const T* b, int bStep, RuxImageSize roi, NormKind kind,
              bool accurate, double* raw) {
  const NormKernels& k = normKernels();
  const int layout = layoutIndex(C);
  const bool diff = b != nullptr;
  const auto n = static_cast<std::size_t>(roi.width);
  const long long rowBytes =
      static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(T)) * (diff ? 2 : 1);
  if constexpr (std::is_same_v<T, Rux32f>) {
    // Row values are computed on threads and folded here in row order: the serial bits.
    const FloatNormRowFn fn = k.floatNorm[kind][kind != kNormInf && accurate][layout][diff];
    double total[4] = {0, 0, 0, 0};
    const RuxResult st = par::foldRowValues<double>(
        roi.height, rowBytes, C,
        [&](int y, double* row) {
          fn(rowPtr(a, aStep, y), diff ? rowPtr(b, bStep, y) : nullptr, n, row);
        },
        [&](const double* row) {
          for (int c = 0; c < C; ++c) {
            if (kind == kNormInf) {
              total[c] = row[c] > total[c] ? row[c] : total[c];
            } else {
              total[c] += row[c];
            }
          }
        });
    if (st != ruxStatusOk) return st;
    for (int c = 0; c < C; ++c) raw[c] = total[c];
  } else {
    // Exact block totals (128-bit sums, or maxima) combine exactly.
    const IntNormRowFn fn = k.intNorm[intTypeOf<T>()][kind][layout][diff];
    struct Part {
      unsigned __int128 total[4];
    };
    const auto add = [kind](Part& p, const std::uint64_t* row) {
      for (int c = 0; c < C; ++c) {
        if (kind == kNormInf) {
          p.total[c] = row[c] > p.total[c] ? row[c] : p.total[c];
        } else {
          p.total[c] += row[c];
        }
      }
    };
    const Part all = par::reduceRowBlocks(
        roi.height, rowBytes, Part{},
        [&](par::RowRange r, Part& p) {
          const T* ab = rowPtr(a, aStep, r.begin);
          const T* bb = diff ? rowPtr(b, bStep, r.begin) : nullptr;
          const RowRun run = rowRun(aStep, diff ? bStep : aStep, roi.width, r.size(), C * sizeof(T));
          std::uint64_t row[4];
          for (int y = 0; y < run.rows; ++y) {
            fn(rowPtr(ab, aStep, y), diff ? rowPtr(bb, bStep, y) : nullptr, run.pixels, row);
            add(p, row);
          }
        },
        [&](Part& total, const Part& p) {
          for (int c = 0; c < C; ++c) {
            if (kind == kNormInf) {
              total.total[c] = p.total[c] > total.total[c] ? p.total[c] : total.total[c];
            } else {
              total.total[c] += p.total[c];
            }
          }
        });
    for (int c = 0; c < C; ++c) raw[c] = static_cast<double>(all.total[c]);
  }
  return ruxStatusOk;
}

inline double finish(NormKind kind, double raw) { return kind == kNormL2 ? std::sqrt(raw) : raw; }

template <class T, int C, int kOut>
RuxResult norm(const T* src, int srcStep, RuxImageSize roi, Rux64f* value, NormKind kind,
               int hint) {
  if (anyNull(src, value)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1) return ruxStatusBadStep;
  double raw[4];
  const RuxResult st = rawNorms<T, C>(src, srcStep, nullptr, 0, roi, kind, hint == ruxHintAccurate, raw);
  if (st != ruxStatusOk) return st;
  for (int c = 0; c < kOut; ++c) value[c] = finish(kind, raw[c]);
  return ruxStatusOk;
}

template <class T, int C, int kOut>
RuxResult normDiff(const T* src1, int src1Step, const T* src2, int src2Step, RuxImageSize roi,
                   Rux64f* value, NormKind kind, int hint) {
  if (anyNull(src1, src2, value)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (src1Step < 1 || src2Step < 1) return ruxStatusBadStep;
  double raw[4];
  const RuxResult st =
      rawNorms<T, C>(src1, src1Step, src2, src2Step, roi, kind, hint == ruxHintAccurate, raw);
  if (st != ruxStatusOk) return st;
  for (int c = 0; c < kOut; ++c) value[c] = finish(kind, raw[c]);
  return ruxStatusOk;
}

// Numerator NormDiff(src1, src2) over denominator Norm(src2), L2 as sums of squares. A
// denominator below the smallest normal double in any channel leaves every channel undivided
// and returns the warning.
template <class T, int C, int kOut>
RuxResult normRel(const T* src1, int src1Step, const T* src2, int src2Step, RuxImageSize roi,
                  Rux64f* value, NormKind kind, int hint) {
  if (anyNull(src1, src2, value)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (src1Step < 1 || src2Step < 1) return ruxStatusBadStep;
  const bool accurate = hint == ruxHintAccurate;
  double num[4], den[4];
  if (const RuxResult st = rawNorms<T, C>(src1, src1Step, src2, src2Step, roi, kind, accurate, num)) {
    return st;
  }
  if (const RuxResult st = rawNorms<T, C>(src2, src2Step, nullptr, 0, roi, kind, accurate, den)) {
    return st;
  }
  bool zero = false;
  for (int c = 0; c < kOut; ++c) zero |= den[c] < DBL_MIN;
  for (int c = 0; c < kOut; ++c) value[c] = finish(kind, zero ? num[c] : num[c] / den[c]);
  return zero ? ruxStatusZeroDivisorSeen : ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

// One exported name per layout L: C memory channels, K reported, result parameter Res named V.
// One source: Norm; two sources: NormDiff and NormRel (F names the driver); H: 32f L1/L2 hint.
#define RUX_NORM1_L(Kind, type, T, L, C, K, Res, V)                                          \
  RUXAPI RuxResult ruxiNorm_##Kind##_##type##_##L##R(const T* pSrc, int srcStep,           \
                                                     RuxImageSize roiSize, Res) {            \
    return norm<T, C, K>(pSrc, srcStep, roiSize, V, kNorm##Kind, 0);                       \
  }
#define RUX_NORM1_LH(Kind, type, T, L, C, K, Res, V)                                         \
  RUXAPI RuxResult ruxiNorm_##Kind##_##type##_##L##R(const T* pSrc, int srcStep,           \
                                                     RuxImageSize roiSize, Res,              \
                                                     RuxAccuracyHint hint) {               \
    return norm<T, C, K>(pSrc, srcStep, roiSize, V, kNorm##Kind, hintValue(hint));                    \
  }
#define RUX_NORM2_L(Fam, F, Kind, type, T, L, C, K, Res, V)                                  \
  RUXAPI RuxResult ruxi##Fam##_##Kind##_##type##_##L##R(                                   \
      const T* pSrc1, int src1Step, const T* pSrc2, int src2Step, RuxImageSize roiSize, Res) { \
    return F<T, C, K>(pSrc1, src1Step, pSrc2, src2Step, roiSize, V, kNorm##Kind, 0);       \
  }
#define RUX_NORM2_LH(Fam, F, Kind, type, T, L, C, K, Res, V)                                 \
  RUXAPI RuxResult ruxi##Fam##_##Kind##_##type##_##L##R(const T* pSrc1, int src1Step,      \
                                                        const T* pSrc2, int src2Step,      \
                                                        RuxImageSize roiSize, Res,           \
                                                        RuxAccuracyHint hint) {            \
    return F<T, C, K>(pSrc1, src1Step, pSrc2, src2Step, roiSize, V, kNorm##Kind, hintValue(hint));    \
  }
#define RUX_LAYOUTS(X, ...)                                  \
  X(__VA_ARGS__, C1, 1, 1, Rux64f* pValue, pValue)          \
  X(__VA_ARGS__, C3, 3, 3, Rux64f value[3], value)          \
  X(__VA_ARGS__, C4, 4, 4, Rux64f value[4], value)          \
  X(__VA_ARGS__, AC4, 4, 3, Rux64f value[3], value)

#define RUX_NORM1(Kind, type, T) RUX_LAYOUTS(RUX_NORM1_L, Kind, type, T)
#define RUX_NORM1_HINT(Kind) RUX_LAYOUTS(RUX_NORM1_LH, Kind, 32f, Rux32f)
#define RUX_NORM2(Fam, F, Kind, type, T) RUX_LAYOUTS(RUX_NORM2_L, Fam, F, Kind, type, T)
#define RUX_NORM2_HINT(Fam, F, Kind) RUX_LAYOUTS(RUX_NORM2_LH, Fam, F, Kind, 32f, Rux32f)

#define RUX_NORM_INT_TYPES(X, ...) \
  X(__VA_ARGS__, 8u, Rux8u) X(__VA_ARGS__, 16u, Rux16u) X(__VA_ARGS__, 16s, Rux16s)

RUX_NORM_INT_TYPES(RUX_NORM1, Inf)
RUX_NORM_INT_TYPES(RUX_NORM1, L1)
RUX_NORM_INT_TYPES(RUX_NORM1, L2)
RUX_NORM1(Inf, 32f, Rux32f)
RUX_NORM1_HINT(L1)
RUX_NORM1_HINT(L2)

RUXAPI RuxResult ruxiNorm_Inf_32s_C1R(const Rux32s* pSrc, int srcStep, RuxImageSize roiSize,
                                      Rux64f* pValue) {
  return norm<Rux32s, 1, 1>(pSrc, srcStep, roiSize, pValue, kNormInf, 0);
}

RUX_NORM_INT_TYPES(RUX_NORM2, NormDiff, normDiff, Inf)
RUX_NORM_INT_TYPES(RUX_NORM2, NormDiff, normDiff, L1)
RUX_NORM_INT_TYPES(RUX_NORM2, NormDiff, normDiff, L2)
RUX_NORM2(NormDiff, normDiff, Inf, 32f, Rux32f)
RUX_NORM2_HINT(NormDiff, normDiff, L1)
RUX_NORM2_HINT(NormDiff, normDiff, L2)

RUX_NORM_INT_TYPES(RUX_NORM2, NormRel, normRel, Inf)
RUX_NORM_INT_TYPES(RUX_NORM2, NormRel, normRel, L1)
RUX_NORM_INT_TYPES(RUX_NORM2, NormRel, normRel, L2)
RUX_NORM2(NormRel, normRel, Inf, 32f, Rux32f)
RUX_NORM2_HINT(NormRel, normRel, L1)
RUX_NORM2_HINT(NormRel, normRel, L2)
