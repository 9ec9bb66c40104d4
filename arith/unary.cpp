// Unary mathematics: Abs, Sqr, Sqrt, Ln, Exp, Complement, MulScale, MulCScale, MaxEvery and
// MinEvery.
//
// Shape: one driver per argument shape validates, picks the row kernel once and walks the rows;
// C3 and C4 rows are C1 rows of width x channels samples, AC4 rows keep the destination alpha.
// Abs, Sqr, Sqrt, the normalised products and the extrema are vector kernels
// (primitives/unary_kernels); Ln and Exp compute each sample in double precision with the
// standard library and round explicitly (nearest, ties to even), so no result depends on the
// processor's rounding mode.
// Integer results: the exact value f(x) * 2^-scaleFactor, rounded to nearest even, saturated.
// Warnings: a row reports the warning of its first offending sample (3: negative square-root
// argument; 7: logarithm of zero; 8: logarithm of a negative value); every row is processed and
// the first non-zero row status is returned. Regions of 1 MiB touched and more run in row blocks
// on threads; the status is still that of the first reporting row.
// Validation: null pointers (-8), then size (-6) and steps (-14) for Abs, Sqr, Sqrt, Ln, Exp,
// MaxEvery and MinEvery; MulScale, MulCScale and Complement check steps before the size.
// Rows always advance by the caller's step in bytes, whatever its alignment.
#include <algorithm>
#include <cmath>
#include <limits>

#include "primitives/unaligned.h"
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/unary_kernels.h"

namespace rux {
namespace {

template <class... S>
bool badStep(S... step) {
  return ((step < 1) || ...);
}

template <MoveLayout L>
constexpr int channelsOf() {
  return L == kMoveC1 ? 1 : (L == kMoveC3 ? 3 : 4);
}

// Bytes a row of the region touches in the given number of images.
template <class T, MoveLayout L>
long long rowBytes(RuxImageSize roi, int images) {
  return static_cast<long long>(roi.width) * channelsOf<L>() * static_cast<long long>(sizeof(T)) *
         images;
}

template <class T>
constexpr UnaryType unaryType() {
  if constexpr (std::is_same_v<T, Rux8u>) return kUnary8u;
  if constexpr (std::is_same_v<T, Rux16u>) return kUnary16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kUnary16s;
  return kUnary32f;
}

// ---- Ln and Exp: one sample at a time in double precision ---------------------------------------

// Nearest integer, ties to even, without the processor's rounding mode.
double roundHalfEven(double v) {
  if (!(std::fabs(v) < 4503599627370496.0)) return v;  // 2^52: already an integer (or inf)
  double f = std::floor(v);
  const double frac = v - f;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
  return f;
}

// v = f(x) * 2^-s as a real number: rounded and saturated to T.
template <class T>
T deliver(double v) {
  const double r = roundHalfEven(v);
  if (r <= std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
  if (r >= std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}

// 2^-s stays finite and non-zero enough for any f(x) of a 16-bit x once s is within +-2000.
int clampScale(int s) { return std::clamp(s, -2000, 2000); }

template <class T>
int lnRow(const void* srcv, void* dstv, std::size_t n, int scale) {
  const ConstSamplePtr<T> src(srcv);
  const SamplePtr<T> dst(dstv);
  const int s = clampScale(scale);
  int status = ruxStatusOk;
  for (std::size_t i = 0; i < n; ++i) {
    const T x = src[i];
    if constexpr (std::is_floating_point_v<T>) {
      if (status == ruxStatusOk && x <= 0) status = x == 0 ? ruxStatusLogOfZero : ruxStatusLogOfNegative;
      dst[i] = static_cast<T>(std::log(static_cast<double>(x)));  // -inf for 0, NaN below
    } else if (x <= 0) {
      if (status == ruxStatusOk) status = x == 0 ? ruxStatusLogOfZero : ruxStatusLogOfNegative;
      dst[i] = std::numeric_limits<T>::min();
    } else {
      dst[i] = deliver<T>(std::ldexp(std::log(static_cast<double>(x)), -s));
    }
  }
  return status;
}

template <class T>
int expRow(const void* srcv, void* dstv, std::size_t n, int scale) {
  const ConstSamplePtr<T> src(srcv);
  const SamplePtr<T> dst(dstv);
  const int s = clampScale(scale);
  for (std::size_t i = 0; i < n; ++i) {
    const double e = std::exp(static_cast<double>(src[i]));
    if constexpr (std::is_floating_point_v<T>) {
      dst[i] = static_cast<T>(e);
    } else {
      dst[i] = deliver<T>(std::ldexp(e, -s));  // +inf saturates
    }
  }
  return ruxStatusOk;
}

// ---- drivers ----------------------------------------------------------------------------------------

enum class Fn { Abs, Sqr, Sqrt, Ln, Exp };

template <class T, MoveLayout L>
UnaryRowFn unaryRow(Fn fn) {
  constexpr int kAlpha = L == kMoveAC4 ? 1 : 0;
  const UnaryKernels& k = unaryKernels();
  switch (fn) {
    case Fn::Abs: return k.abs[unaryType<T>()][kAlpha];
    case Fn::Sqr: return k.sqr[unaryType<T>()][kAlpha];
    case Fn::Sqrt: return k.sqrt[unaryType<T>()][kAlpha];
    case Fn::Ln: return &lnRow<T>;
    case Fn::Exp: break;
  }
  return &expRow<T>;
}

template <class T, MoveLayout L>
RuxResult unary(Fn fn, const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                int scale) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badStep(srcStep, dstStep)) return ruxStatusBadStep;
  const UnaryRowFn row = unaryRow<T, L>(fn);
  const std::size_t n = static_cast<std::size_t>(roi.width) * (L == kMoveAC4 ? 1 : channelsOf<L>());
  // The status of the first row that reports one, in row order, whatever the blocks.
  const auto first = [](RuxResult& status, RuxResult r) {
    if (status == ruxStatusOk) status = r;
  };
  return par::reduceRowBlocks(
      roi.height, rowBytes<T, L>(roi, 2), RuxResult(ruxStatusOk),
      [&](par::RowRange r, RuxResult& status) {
        for (int y = r.begin; y < r.end; ++y) {
          first(status, row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), n, scale));
        }
      },
      first);
}

RuxResult complement(Rux32s* srcDst, int step, RuxImageSize roi) {
  if (srcDst == nullptr) return ruxStatusNullPointer;
  if (badStep(step)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  const UnaryRowFn row = unaryKernels().complement32s;
  par::forEachRowBlockBySize(roi.height, 8LL * roi.width, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(srcDst, step, y), rowPtr(srcDst, step, y), static_cast<std::size_t>(roi.width),
          0);
    }
  });
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult mulScale(const T* a, int aStep, const T* b, int bStep, T* dst, int dstStep,
                   RuxImageSize roi) {
  if (anyNull(a, b, dst)) return ruxStatusNullPointer;
  if (badStep(aStep, bStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  constexpr bool kAlpha = L == kMoveAC4;
  const PairRowFn row = unaryKernels().mulScale[sizeof(T) == 1 ? 0 : 1][kAlpha];
  const std::size_t n = static_cast<std::size_t>(roi.width) * (kAlpha ? 1 : channelsOf<L>());
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 3), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(a, aStep, y), rowPtr(b, bStep, y), rowPtr(dst, dstStep, y), n);
    }
  });
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult mulCScale(const T* src, int srcStep, const T* value, T* dst, int dstStep,
                    RuxImageSize roi) {
  if (anyNull(value, src, dst)) return ruxStatusNullPointer;
  if (badStep(srcStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  constexpr int kValues = L == kMoveC1 ? 1 : (L == kMoveC4 ? 4 : 3);
  T pattern[4] = {0, 0, 0, 0};
  for (int c = 0; c < kValues; ++c) pattern[c] = value[c];
  const PairConstRowFn row = unaryKernels().mulCScale[sizeof(T) == 1 ? 0 : 1][L];
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 2), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(src, srcStep, y), pattern, rowPtr(dst, dstStep, y),
          static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult extremum(bool max, const T* src, int srcStep, T* srcDst, int srcDstStep,
                   RuxImageSize roi) {
  if (anyNull(src, srcDst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badStep(srcStep, srcDstStep)) return ruxStatusBadStep;
  constexpr bool kAlpha = L == kMoveAC4;
  const UnaryKernels& k = unaryKernels();
  const PairRowFn row = (max ? k.maxEvery : k.minEvery)[unaryType<T>()][kAlpha];
  const std::size_t n = static_cast<std::size_t>(roi.width) * (kAlpha ? 1 : channelsOf<L>());
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 3), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      T* d = rowPtr(srcDst, srcDstStep, y);
      row(rowPtr(src, srcStep, y), d, d, n);
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

// ---- Abs, Sqr, Sqrt, Ln, Exp ------------------------------------------------------------------------
// Integer members take a scale factor (RSfs, IRSfs); float members do not (R, IR).
#define RUX_UNARY_SFS(name, FN, type, T, L, lay)                                                    \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##RSfs(const T* pSrc, int srcStep, T* pDst,           \
                                                     int dstStep, RuxImageSize roiSize,             \
                                                     int scaleFactor) {                             \
    return unary<T, L>(FN, pSrc, srcStep, pDst, dstStep, roiSize, scaleFactor);                     \
  }                                                                                                 \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##IRSfs(T* pSrcDst, int srcDstStep,                   \
                                                      RuxImageSize roiSize, int scaleFactor) {      \
    return unary<T, L>(FN, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, scaleFactor);         \
  }
#define RUX_UNARY_IR(name, FN, type, T, L, lay)                                                     \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##IR(T* pSrcDst, int srcDstStep,                      \
                                                   RuxImageSize roiSize) {                          \
    return unary<T, L>(FN, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, 0);                   \
  }
#define RUX_UNARY_F(name, FN, type, T, L, lay)                                                      \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,              \
                                                  int dstStep, RuxImageSize roiSize) {              \
    return unary<T, L>(FN, pSrc, srcStep, pDst, dstStep, roiSize, 0);                               \
  }                                                                                                 \
  RUX_UNARY_IR(name, FN, type, T, L, lay)

#define RUX_LAYOUTS_C1_C3(X, name, FN, type, T) \
  X(name, FN, type, T, kMoveC1, C1) X(name, FN, type, T, kMoveC3, C3)
#define RUX_LAYOUTS_C1_C3_AC4(X, name, FN, type, T) \
  RUX_LAYOUTS_C1_C3(X, name, FN, type, T) X(name, FN, type, T, kMoveAC4, AC4)
#define RUX_LAYOUTS_ALL(X, name, FN, type, T) \
  RUX_LAYOUTS_C1_C3_AC4(X, name, FN, type, T) X(name, FN, type, T, kMoveC4, C4)

RUX_LAYOUTS_ALL(RUX_UNARY_F, Abs, Fn::Abs, 16s, Rux16s)
RUX_LAYOUTS_ALL(RUX_UNARY_F, Abs, Fn::Abs, 32f, Rux32f)

RUX_LAYOUTS_ALL(RUX_UNARY_SFS, Sqr, Fn::Sqr, 8u, Rux8u)
RUX_LAYOUTS_ALL(RUX_UNARY_SFS, Sqr, Fn::Sqr, 16u, Rux16u)
RUX_LAYOUTS_ALL(RUX_UNARY_SFS, Sqr, Fn::Sqr, 16s, Rux16s)
RUX_LAYOUTS_ALL(RUX_UNARY_F, Sqr, Fn::Sqr, 32f, Rux32f)

RUX_LAYOUTS_C1_C3_AC4(RUX_UNARY_SFS, Sqrt, Fn::Sqrt, 8u, Rux8u)
RUX_LAYOUTS_C1_C3_AC4(RUX_UNARY_SFS, Sqrt, Fn::Sqrt, 16u, Rux16u)
RUX_LAYOUTS_C1_C3_AC4(RUX_UNARY_SFS, Sqrt, Fn::Sqrt, 16s, Rux16s)
RUX_LAYOUTS_C1_C3_AC4(RUX_UNARY_F, Sqrt, Fn::Sqrt, 32f, Rux32f)
RUX_UNARY_IR(Sqrt, Fn::Sqrt, 32f, Rux32f, kMoveC4, C4)

RUX_LAYOUTS_C1_C3(RUX_UNARY_SFS, Ln, Fn::Ln, 8u, Rux8u)
RUX_LAYOUTS_C1_C3(RUX_UNARY_SFS, Ln, Fn::Ln, 16u, Rux16u)
RUX_LAYOUTS_C1_C3(RUX_UNARY_SFS, Ln, Fn::Ln, 16s, Rux16s)
RUX_LAYOUTS_C1_C3(RUX_UNARY_F, Ln, Fn::Ln, 32f, Rux32f)

RUX_LAYOUTS_C1_C3(RUX_UNARY_SFS, Exp, Fn::Exp, 8u, Rux8u)
RUX_LAYOUTS_C1_C3(RUX_UNARY_SFS, Exp, Fn::Exp, 16u, Rux16u)
RUX_LAYOUTS_C1_C3(RUX_UNARY_SFS, Exp, Fn::Exp, 16s, Rux16s)
RUX_LAYOUTS_C1_C3(RUX_UNARY_F, Exp, Fn::Exp, 32f, Rux32f)

// ---- Complement ---------------------------------------------------------------------------------------
RUXAPI RuxResult ruxiComplement_32s_C1IR(Rux32s* pSrcDst, int srcDstStep, RuxImageSize roiSize) {
  return complement(pSrcDst, srcDstStep, roiSize);
}

// ---- MulScale, MulCScale: 8u, 16u ---------------------------------------------------------------------
#define RUX_VALUE_PTR_C1(v) (&(v))
#define RUX_VALUE_PTR_C3(v) (v)
#define RUX_VALUE_PTR_C4(v) (v)
#define RUX_VALUE_PTR_AC4(v) (v)

#define RUX_MULSCALE(type, T, L, lay, CT)                                                           \
  RUXAPI RuxResult ruxiMulScale_##type##_##lay##R(const T* pSrc1, int src1Step, const T* pSrc2,     \
                                                  int src2Step, T* pDst, int dstStep,               \
                                                  RuxImageSize roiSize) {                           \
    return mulScale<T, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);                \
  }                                                                                                 \
  RUXAPI RuxResult ruxiMulScale_##type##_##lay##IR(const T* pSrc, int srcStep, T* pSrcDst,          \
                                                   int srcDstStep, RuxImageSize roiSize) {          \
    return mulScale<T, L>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);        \
  }                                                                                                 \
  RUXAPI RuxResult ruxiMulCScale_##type##_##lay##R(const T* pSrc, int srcStep, CT value, T* pDst,   \
                                                   int dstStep, RuxImageSize roiSize) {             \
    return mulCScale<T, L>(pSrc, srcStep, RUX_VALUE_PTR_##lay(value), pDst, dstStep, roiSize);      \
  }                                                                                                 \
  RUXAPI RuxResult ruxiMulCScale_##type##_##lay##IR(CT value, T* pSrcDst, int srcDstStep,           \
                                                    RuxImageSize roiSize) {                         \
    return mulCScale<T, L>(pSrcDst, srcDstStep, RUX_VALUE_PTR_##lay(value), pSrcDst, srcDstStep,    \
                           roiSize);                                                                \
  }
#define RUX_MULSCALE_TYPE(type, T)                   \
  RUX_MULSCALE(type, T, kMoveC1, C1, T)              \
  RUX_MULSCALE(type, T, kMoveC3, C3, const T*)       \
  RUX_MULSCALE(type, T, kMoveC4, C4, const T*)       \
  RUX_MULSCALE(type, T, kMoveAC4, AC4, const T*)
RUX_MULSCALE_TYPE(8u, Rux8u)
RUX_MULSCALE_TYPE(16u, Rux16u)

// ---- MaxEvery, MinEvery: in place only ------------------------------------------------------------------
#define RUX_EXTREMA_LAYOUT(type, T, L, lay)                                                         \
  RUXAPI RuxResult ruxiMaxEvery_##type##_##lay##IR(const T* pSrc, int srcStep, T* pSrcDst,          \
                                                   int srcDstStep, RuxImageSize roiSize) {          \
    return extremum<T, L>(true, pSrc, srcStep, pSrcDst, srcDstStep, roiSize);                       \
  }                                                                                                 \
  RUXAPI RuxResult ruxiMinEvery_##type##_##lay##IR(const T* pSrc, int srcStep, T* pSrcDst,          \
                                                   int srcDstStep, RuxImageSize roiSize) {          \
    return extremum<T, L>(false, pSrc, srcStep, pSrcDst, srcDstStep, roiSize);                      \
  }
#define RUX_EXTREMA(type, T)                        \
  RUX_EXTREMA_LAYOUT(type, T, kMoveC1, C1)          \
  RUX_EXTREMA_LAYOUT(type, T, kMoveC3, C3)          \
  RUX_EXTREMA_LAYOUT(type, T, kMoveC4, C4)          \
  RUX_EXTREMA_LAYOUT(type, T, kMoveAC4, AC4)
RUX_EXTREMA(8u, Rux8u)
RUX_EXTREMA(16u, Rux16u)
RUX_EXTREMA(16s, Rux16s)
RUX_EXTREMA(32f, Rux32f)
