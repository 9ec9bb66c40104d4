// Arithmetic family: Add, Sub, Mul, Div, Div_Round between two images, and AddC, SubC, MulC,
// DivC with a constant, on 8u/16u/16s (scale factor), 32f, and complex 16sc/32sc (scale factor)
// and 32fc.
//
// Shape:
//  - The right-hand operand comes first: Sub is src2 - src1, Div is src2 / src1, and a constant
//    is always the right-hand operand. Row kernels (primitives/arith_kernels) compute b op a.
//  - C3/C4 rows are C1 rows of width x channels samples. A constant becomes a pattern row of
//    repeated channel values (a multiple of 3 and 4 samples long) read like a second image.
//    AC4 rows are processed in chunks: channels 0..2 are gathered into stack blocks, computed
//    as a C1 row, and scattered back with the destination's alpha kept.
//  - Results known in advance (every result 0, 255 or 65535, or a plain copy) are delivered by
//    Set and Copy; the AC4 forms use their AC4 versions, so alpha stays untouched.
//  - Add, Sub, Mul and AddC, SubC, MulC on 8u, 16s and 32f (C1, C3, and C4 for two images) run
//    their rows in parallel once the region touches 1 MiB (par::threadsForBytes); 16u, AC4
//    integer, complex and division members run on the calling thread. Results never depend on
//    the thread count.
// Validation: a constant array (-8), the image pointers (-8), size (-6); steps (-14) only for
// Div, DivC, Div_Round and the complex two-image members; then a zero constant divisor (-10)
// and the rounding mode (-213). 16u fast paths that fill or copy test only the source pointers
// and let Set or Copy check the rest.
#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "primitives/unaligned.h"
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/arith_kernels.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

constexpr int kArithDiv = 3;    // operation index next to ArithOp for complex rows
constexpr int kChunk = 1536;    // samples per kernel call: a multiple of 3 and 4

constexpr int channelsOf(MoveLayout L) { return L == kMoveC1 ? 1 : (L == kMoveC3 ? 3 : 4); }
constexpr int constantsOf(MoveLayout L) { return L == kMoveC1 ? 1 : (L == kMoveC4 ? 4 : 3); }

template <class S>
void dropAlpha(const MoveKernels& mk, const S* src, S* dst, std::size_t pixels) {
  if constexpr (sizeof(S) <= 4) {
    static const int kSel[3] = {0, 1, 2};
    mk.shuffle[sizeClass<S>()][4][3](src, dst, pixels, kSel, nullptr);
  } else {
    const ConstSamplePtr<S> s(src);
    const SamplePtr<S> d(dst);
    for (std::size_t i = 0; i < pixels; ++i) {
      d[3 * i] = s[4 * i];
      d[3 * i + 1] = s[4 * i + 1];
      d[3 * i + 2] = s[4 * i + 2];
    }
  }
}

template <class S>
void putColour(const MoveKernels& mk, const S* src, S* dst, std::size_t pixels) {
  if constexpr (sizeof(S) <= 4) {
    static const int kSel[4] = {0, 1, 2, kSelKeep};
    mk.shuffle[sizeClass<S>()][3][4](src, dst, pixels, kSel, nullptr);
  } else {
    const ConstSamplePtr<S> s(src);
    const SamplePtr<S> d(dst);
    for (std::size_t i = 0; i < pixels; ++i) {
      d[4 * i] = s[3 * i];
      d[4 * i + 1] = s[3 * i + 1];
      d[4 * i + 2] = s[3 * i + 2];
    }
  }
}

// Right-hand operand of a row: an image (step) or a pattern row of constants (step ignored).
template <class S>
struct RightOperand {
  const S* p;
  int step;
  bool pattern;
};

// Runs op(a, b, dst, n) -> warning flag over every row; returns the OR of the flags.
template <class S, MoveLayout L, class Op>
int forRows(RightOperand<S> a, const S* b, int bStep, S* d, int dStep, RuxImageSize roi,
            bool parallel, const Op& op) {
  const MoveKernels* mk = L == kMoveAC4 ? &moveKernels() : nullptr;
  // Operands by value: the row kernels are opaque calls, after which captured references would be
  // read again.
  auto rows = [a, b, bStep, d, dStep, roi, mk, &op](int y0, int y1) {
    int warn = 0;
    for (int y = y0; y < y1; ++y) {
      const S* ar = a.pattern ? a.p : rowPtr(a.p, a.step, y);
      const S* br = rowPtr(b, bStep, y);
      S* dr = rowPtr(d, dStep, y);
      if constexpr (L != kMoveAC4) {
        const std::size_t n = static_cast<std::size_t>(roi.width) * channelsOf(L);
        if (n <= static_cast<std::size_t>(kChunk)) {
          warn |= op(a.pattern ? a.p : ar, br, dr, n);
          continue;
        }
        for (std::size_t off = 0; off < n; off += kChunk) {
          const std::size_t len = std::min<std::size_t>(kChunk, n - off);
          warn |= op(a.pattern ? a.p : ar + off, br + off, dr + off, len);
        }
      } else {
        alignas(64) S ca[kChunk], cb[kChunk], cd[kChunk];
        for (int x = 0; x < roi.width; x += kChunk / 3) {
          const std::size_t px = static_cast<std::size_t>(std::min(kChunk / 3, roi.width - x));
          const std::size_t at = 4 * static_cast<std::size_t>(x);
          if (!a.pattern) dropAlpha(*mk, ar + at, ca, px);
          dropAlpha(*mk, br + at, cb, px);
          warn |= op(a.pattern ? a.p : ca, cb, cd, 3 * px);
          putColour(*mk, cd, dr + at, px);
        }
      }
    }
    return warn;
  };
  if (!parallel) return rows(0, roi.height);
  const long long rowBytes =
      static_cast<long long>(roi.width) * channelsOf(L) * static_cast<long long>(sizeof(S));
  return par::reduceRowBlocks(
      roi.height, rowBytes * (a.pattern ? 2 : 3), 0,
      [&](par::RowRange r, int& warn) { warn |= rows(r.begin, r.end); },
      [](int& all, int warn) { all |= warn; });
}

template <class S, MoveLayout L>
void buildPattern(const S* values, S* pattern) {
  constexpr int k = constantsOf(L);
  for (int i = 0; i < kChunk; ++i) pattern[i] = values[i % k];
}

// ---- Set and Copy of the fast paths ------------------------------------------------------

template <class T> struct Movers;
#define RUX_ARITH_MOVERS(type, T)                                                               \
  template <> struct Movers<T> {                                                                \
    static RuxResult set(MoveLayout L, T v, T* d, int step, RuxImageSize roi) {                 \
      const T vals[4] = {v, v, v, v};                                                           \
      switch (L) {                                                                              \
        case kMoveC1: return ruxiSet_##type##_C1R(v, d, step, roi);                             \
        case kMoveC3: return ruxiSet_##type##_C3R(vals, d, step, roi);                          \
        case kMoveC4: return ruxiSet_##type##_C4R(vals, d, step, roi);                          \
        default: return ruxiSet_##type##_AC4R(vals, d, step, roi);                             \
      }                                                                                         \
    }                                                                                           \
    static RuxResult copy(MoveLayout L, const T* s, int ss, T* d, int ds, RuxImageSize roi) {   \
      switch (L) {                                                                              \
        case kMoveC1: return ruxiCopy_##type##_C1R(s, ss, d, ds, roi);                          \
        case kMoveC3: return ruxiCopy_##type##_C3R(s, ss, d, ds, roi);                          \
        case kMoveC4: return ruxiCopy_##type##_C4R(s, ss, d, ds, roi);                          \
        default: return ruxiCopy_##type##_AC4R(s, ss, d, ds, roi);                              \
      }                                                                                         \
    }                                                                                           \
  };
RUX_ARITH_MOVERS(8u, Rux8u)
RUX_ARITH_MOVERS(16u, Rux16u)
RUX_ARITH_MOVERS(16s, Rux16s)
#undef RUX_ARITH_MOVERS

// Scale factors above which every Add/Sub/Mul result of T is 0.
template <class T>
constexpr bool allZero(int op, int s) {
  if constexpr (std::is_same_v<T, Rux8u>) {
    return s > (op == kArithAdd ? 9 : (op == kArithSub ? 8 : 16));
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    return s > (op == kArithMul ? 30 : 16);
  } else {
    return s > (op == kArithAdd ? 17 : (op == kArithSub ? 16 : 32));
  }
}

template <class T>
constexpr bool parallelType() {
  return std::is_same_v<T, Rux8u> || std::is_same_v<T, Rux16s> || std::is_same_v<T, Rux32f>;
}

bool badSteps(int s1, int s2, int s3 = 1) { return s1 < 1 || s2 < 1 || s3 < 1; }

// ---- Add, Sub, Mul: integer ----------------------------------------------------------------

template <class T, int kOp, MoveLayout L>
RuxResult scaledImages(const T* s1, int s1Step, const T* s2, int s2Step, T* d, int dStep,
                       RuxImageSize roi, int sf) {
  const bool zero = allZero<T>(kOp, sf);
  if constexpr (std::is_same_v<T, Rux16u>) {
    if (zero) return anyNull(s1, s2) ? ruxStatusNullPointer : Movers<T>::set(L, 0, d, dStep, roi);
  }
  if (anyNull(s1, s2, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (zero) return Movers<T>::set(L, 0, d, dStep, roi);
  const ScaledRowFn fn = arithKernels().scaled[arithType<T>()][kOp][arithScaleMode(sf)];
  forRows<T, L>({s1, s1Step, false}, s2, s2Step, d, dStep, roi, parallelType<T>() && L != kMoveAC4,
                [fn, sf](const T* a, const T* b, T* o, std::size_t n) {
                  fn(a, b, o, n, sf);
                  return 0;
                });
  return ruxStatusOk;
}

template <class T, int kOp, MoveLayout L>
RuxResult scaledConst(const T* values, const T* src, int srcStep, T* d, int dStep,
                      RuxImageSize roi, int sf) {
  if (values == nullptr) return ruxStatusNullPointer;
  constexpr int k = constantsOf(L);
  bool allZeroC = true, allOneC = true, noZeroC = true;
  for (int c = 0; c < k; ++c) {
    allZeroC &= values[c] == 0;
    allOneC &= values[c] == 1;
    noZeroC &= values[c] != 0;
  }
  constexpr bool k8u = std::is_same_v<T, Rux8u>, k16u = std::is_same_v<T, Rux16u>;
  // Results known in advance: fill with `fill`, or copy the source.
  enum { kCompute, kFill, kCopy } path = kCompute;
  T fill = 0;
  if (kOp == kArithMul && allZeroC) {
    path = kFill;
  } else if (allZero<T>(kOp, sf)) {
    path = kFill;
  } else if (kOp == kArithAdd && k8u && sf <= -8 && noZeroC) {
    path = kFill, fill = std::numeric_limits<T>::max();
  } else if (kOp == kArithAdd && k16u && sf < -15 && noZeroC) {
    path = kFill, fill = std::numeric_limits<T>::max();
  } else if (kOp == kArithAdd && k8u && sf == 0 && allZeroC) {
    path = kCopy;
  } else if (kOp == kArithMul && (k8u || k16u) && sf == 0 && allOneC) {
    path = kCopy;
  }
  auto known = [&] {
    return path == kFill ? Movers<T>::set(L, fill, d, dStep, roi)
                         : Movers<T>::copy(L, src, srcStep, d, dStep, roi);
  };
  if (k16u && path != kCompute) return src == nullptr ? ruxStatusNullPointer : known();
  if (anyNull(src, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (path != kCompute) return known();
  alignas(64) T pattern[kChunk];
  buildPattern<T, L>(values, pattern);
  const ScaledRowFn fn = arithKernels().scaled[arithType<T>()][kOp][arithScaleMode(sf)];
  forRows<T, L>({pattern, 0, true}, src, srcStep, d, dStep, roi,
                parallelType<T>() && L != kMoveAC4 && L != kMoveC4,
                [fn, sf](const T* a, const T* b, T* o, std::size_t n) {
                  fn(a, b, o, n, sf);
                  return 0;
                });
  return ruxStatusOk;
}

// ---- Division: integer -------------------------------------------------------------------

template <class T, MoveLayout L>
RuxResult divImages(const T* s1, int s1Step, const T* s2, int s2Step, T* d, int dStep,
                    RuxImageSize roi, int mode, bool checkMode, int sf) {
  if (anyNull(s1, s2, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badSteps(s1Step, s2Step, dStep)) return ruxStatusBadStep;
  if (checkMode && (mode < 0 || mode > 2)) return ruxStatusBadRoundMode;
  const DivRowFn fn = arithKernels().div[arithType<T>()][mode];
  const int warn = forRows<T, L>({s1, s1Step, false}, s2, s2Step, d, dStep, roi, true,
                                 [fn, sf](const T* a, const T* b, T* o, std::size_t n) {
                                   return fn(a, b, o, n, sf);
                                 });
  return warn ? ruxStatusZeroDivisorSeen : ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult divConst(const T* values, const T* src, int srcStep, T* d, int dStep, RuxImageSize roi,
                   int sf) {
  if (values == nullptr || anyNull(src, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badSteps(srcStep, dStep)) return ruxStatusBadStep;
  for (int c = 0; c < constantsOf(L); ++c) {
    if (values[c] == 0) return ruxStatusConstDivisorZero;
  }
  alignas(64) T pattern[kChunk];
  buildPattern<T, L>(values, pattern);
  const ExactDivRowFn fn = exactDivRow(arithType<T>());
  forRows<T, L>({pattern, 0, true}, src, srcStep, d, dStep, roi, true,
                [fn, sf](const T* a, const T* b, T* o, std::size_t n) {
                  fn(a, b, o, n, sf);
                  return 0;
                });
  return ruxStatusOk;
}

// ---- 32f -----------------------------------------------------------------------------------

template <int kOp, MoveLayout L>
RuxResult floatImages(const Rux32f* s1, int s1Step, const Rux32f* s2, int s2Step, Rux32f* d,
                      int dStep, RuxImageSize roi) {
  if (anyNull(s1, s2, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const ArithKernels& k = arithKernels();
  if (kOp == kArithDiv) {
    if (badSteps(s1Step, s2Step, dStep)) return ruxStatusBadStep;
    const int warn = forRows<Rux32f, L>({s1, s1Step, false}, s2, s2Step, d, dStep, roi, true,
                                        [&k](const Rux32f* a, const Rux32f* b, Rux32f* o,
                                             std::size_t n) { return k.f32Div(a, b, o, n); });
    return warn ? ruxStatusZeroDivisorSeen : ruxStatusOk;
  }
  const FloatRowFn fn = k.f32[kOp % 3];
  forRows<Rux32f, L>({s1, s1Step, false}, s2, s2Step, d, dStep, roi, L != kMoveAC4,
                     [fn](const Rux32f* a, const Rux32f* b, Rux32f* o, std::size_t n) {
                       fn(a, b, o, n);
                       return 0;
                     });
  return ruxStatusOk;
}

template <int kOp, MoveLayout L>
RuxResult floatConst(const Rux32f* values, const Rux32f* src, int srcStep, Rux32f* d, int dStep,
                     RuxImageSize roi, bool inPlace) {
  if (values == nullptr || anyNull(src, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const ArithKernels& k = arithKernels();
  alignas(64) Rux32f pattern[kChunk];
  if (kOp == kArithDiv) {
    if (badSteps(srcStep, dStep)) return ruxStatusBadStep;
    for (int c = 0; c < constantsOf(L); ++c) {
      if (values[c] == 0.0f) return ruxStatusConstDivisorZero;
    }
    buildPattern<Rux32f, L>(values, pattern);
    forRows<Rux32f, L>({pattern, 0, true}, src, srcStep, d, dStep, roi, true,
                       [&k](const Rux32f* a, const Rux32f* b, Rux32f* o, std::size_t n) {
                         return k.f32Div(a, b, o, n);
                       });
    return ruxStatusOk;
  }
  buildPattern<Rux32f, L>(values, pattern);
  const FloatRowFn fn = k.f32[kOp % 3];
  const bool parallel = L == kMoveC1 || L == kMoveC3 || (L == kMoveAC4 && inPlace);
  forRows<Rux32f, L>({pattern, 0, true}, src, srcStep, d, dStep, roi, parallel,
                     [fn](const Rux32f* a, const Rux32f* b, Rux32f* o, std::size_t n) {
                       fn(a, b, o, n);
                       return 0;
                     });
  return ruxStatusOk;
}

// ---- Complex -------------------------------------------------------------------------------
//
// Add and Sub act per component. Products are exact: (x + y i)(c + d i) = (xc - yd) +
// (xd + yc) i in 64-bit (16sc) or 128-bit (32sc) integers, then scaled, rounded to even and
// saturated per component; 32fc computes the same formula in single precision, each product
// rounded, no fused multiply-add. Quotients of x + y i by c + d i are ((cx + dy) + (cy - dx) i)
// / (c^2 + d^2): for 16sc and 32sc numerators and denominator are exact integers and the
// scaled quotient is rounded once to nearest even and saturated (a zero divisor gives 0); 32fc
// evaluates the formula in single precision (a zero divisor gives what IEEE division gives).

template <class S>
struct ComplexRow {
  int op;
  int s;
  const ArithKernels* k;

  int operator()(const S* a, const S* b, S* d, std::size_t n) const {
    if constexpr (std::is_same_v<S, Rux16sc>) {
      if (op == kArithDiv) return div16scRow(a, b, d, n, s);
      if (op == kArithMul) {
        mul16scRow(a, b, d, n, s);
      } else {
        k->scaled[kArith16s][op][arithScaleMode(s)](a, b, d, 2 * n, s);
      }
    } else if constexpr (std::is_same_v<S, Rux32sc>) {
      if (op == kArithDiv) return div32scRow(a, b, d, n, s);
      scaled32scRow(static_cast<ArithOp>(op), a, b, d, n, s);
    } else {
      if (op == kArithDiv) return div32fcRow(a, b, d, n);
      if (op == kArithMul) {
        mul32fcRow(a, b, d, n);
      } else {
        k->f32[op](reinterpret_cast<const Rux32f*>(a), reinterpret_cast<const Rux32f*>(b),
                   reinterpret_cast<Rux32f*>(d), 2 * n);
      }
    }
    return 0;
  }
};

template <class S, int kOp, MoveLayout L>
RuxResult complexImages(const S* s1, int s1Step, const S* s2, int s2Step, S* d, int dStep,
                        RuxImageSize roi, int sf) {
  if (anyNull(s1, s2, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badSteps(s1Step, s2Step, dStep)) return ruxStatusBadStep;
  const int warn = forRows<S, L>({s1, s1Step, false}, s2, s2Step, d, dStep, roi, true,
                                 ComplexRow<S>{kOp, sf, &arithKernels()});
  return warn ? ruxStatusZeroDivisorSeen : ruxStatusOk;
}

template <class S>
bool complexZero(const S& v) {
  if constexpr (std::is_same_v<S, Rux32fc>) {
    return v.re * v.re + v.im * v.im == 0.0f;  // squares that underflow count as zero
  } else {
    return v.re == 0 && v.im == 0;
  }
}

template <class S, int kOp, MoveLayout L>
RuxResult complexConst(const S* values, const S* src, int srcStep, S* d, int dStep,
                       RuxImageSize roi, int sf) {
  if (values == nullptr || anyNull(src, d)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (kOp == kArithDiv) {
    if (badSteps(srcStep, dStep)) return ruxStatusBadStep;
    for (int c = 0; c < constantsOf(L); ++c) {
      if (complexZero(values[c])) return ruxStatusConstDivisorZero;
    }
  }
  alignas(64) S pattern[kChunk];
  buildPattern<S, L>(values, pattern);
  forRows<S, L>({pattern, 0, true}, src, srcStep, d, dStep, roi, true,
                ComplexRow<S>{kOp, sf, &arithKernels()});
  return ruxStatusOk;
}

int roundModeValue(RuxRounding mode) {
  int v;  // read as an integer: callers may pass values outside the enumeration
  std::memcpy(&v, &mode, sizeof(v));
  return v;
}

}  // namespace
}  // namespace rux

using namespace rux;

// ---- exported forwarders --------------------------------------------------------------------
// L: layout name and MoveLayout; V: the constant parameter of the layout.

#define RUX_C1_V(T) T value
#define RUX_C3_V(T) const T value[3]
#define RUX_C4_V(T) const T value[4]
#define RUX_AC4_V(T) const T value[3]
#define RUX_C1_P &value
#define RUX_C3_P value
#define RUX_C4_P value
#define RUX_AC4_P value

// Integer Add, Sub, Mul and their constant forms.
#define RUX_SCALED(Op, kOp, type, T, lay, L)                                                      \
  RUXAPI RuxResult ruxi##Op##_##type##_##lay##RSfs(const T* pSrc1, int src1Step, const T* pSrc2,  \
                                                   int src2Step, T* pDst, int dstStep,            \
                                                   RuxImageSize roiSize, int scaleFactor) {       \
    return scaledImages<T, kOp, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize,      \
                                   scaleFactor);                                                  \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##_##type##_##lay##IRSfs(const T* pSrc, int srcStep, T* pSrcDst,       \
                                                    int srcDstStep, RuxImageSize roiSize,         \
                                                    int scaleFactor) {                            \
    return scaledImages<T, kOp, L>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep,       \
                                   roiSize, scaleFactor);                                         \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##C_##type##_##lay##RSfs(const T* pSrc, int srcStep, RUX_##lay##_V(T), \
                                                    T* pDst, int dstStep, RuxImageSize roiSize,   \
                                                    int scaleFactor) {                            \
    return scaledConst<T, kOp, L>(RUX_##lay##_P, pSrc, srcStep, pDst, dstStep, roiSize,           \
                                  scaleFactor);                                                   \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##C_##type##_##lay##IRSfs(RUX_##lay##_V(T), T* pSrcDst, int srcDstStep, \
                                                     RuxImageSize roiSize, int scaleFactor) {     \
    return scaledConst<T, kOp, L>(RUX_##lay##_P, pSrcDst, srcDstStep, pSrcDst, srcDstStep,        \
                                  roiSize, scaleFactor);                                          \
  }

// Integer Div, Div_Round and DivC.
#define RUX_DIV(type, T, lay, L)                                                                  \
  RUXAPI RuxResult ruxiDiv_##type##_##lay##RSfs(const T* pSrc1, int src1Step, const T* pSrc2,     \
                                                int src2Step, T* pDst, int dstStep,               \
                                                RuxImageSize roiSize, int scaleFactor) {          \
    return divImages<T, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, 1, false,    \
                           scaleFactor);                                                          \
  }                                                                                               \
  RUXAPI RuxResult ruxiDiv_##type##_##lay##IRSfs(const T* pSrc, int srcStep, T* pSrcDst,          \
                                                 int srcDstStep, RuxImageSize roiSize,            \
                                                 int scaleFactor) {                               \
    return divImages<T, L>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, 1,   \
                           false, scaleFactor);                                                   \
  }                                                                                               \
  RUXAPI RuxResult ruxiDiv_Round_##type##_##lay##RSfs(                                            \
      const T* pSrc1, int src1Step, const T* pSrc2, int src2Step, T* pDst, int dstStep,           \
      RuxImageSize roiSize, RuxRounding roundMode, int scaleFactor) {                             \
    return divImages<T, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize,              \
                           roundModeValue(roundMode), true, scaleFactor);                         \
  }                                                                                               \
  RUXAPI RuxResult ruxiDiv_Round_##type##_##lay##IRSfs(const T* pSrc, int srcStep, T* pSrcDst,    \
                                                       int srcDstStep, RuxImageSize roiSize,      \
                                                       RuxRounding roundMode, int scaleFactor) {  \
    return divImages<T, L>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize,      \
                           roundModeValue(roundMode), true, scaleFactor);                         \
  }                                                                                               \
  RUXAPI RuxResult ruxiDivC_##type##_##lay##RSfs(const T* pSrc, int srcStep, RUX_##lay##_V(T),    \
                                                 T* pDst, int dstStep, RuxImageSize roiSize,      \
                                                 int scaleFactor) {                               \
    return divConst<T, L>(RUX_##lay##_P, pSrc, srcStep, pDst, dstStep, roiSize, scaleFactor);     \
  }                                                                                               \
  RUXAPI RuxResult ruxiDivC_##type##_##lay##IRSfs(RUX_##lay##_V(T), T* pSrcDst, int srcDstStep,   \
                                                  RuxImageSize roiSize, int scaleFactor) {        \
    return divConst<T, L>(RUX_##lay##_P, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize,       \
                          scaleFactor);                                                           \
  }

#define RUX_INT_LAYOUT(type, T, lay, L)             \
  RUX_SCALED(Add, kArithAdd, type, T, lay, L)       \
  RUX_SCALED(Sub, kArithSub, type, T, lay, L)       \
  RUX_SCALED(Mul, kArithMul, type, T, lay, L)       \
  RUX_DIV(type, T, lay, L)

#define RUX_INT_TYPE(type, T)                  \
  RUX_INT_LAYOUT(type, T, C1, kMoveC1)         \
  RUX_INT_LAYOUT(type, T, C3, kMoveC3)         \
  RUX_INT_LAYOUT(type, T, C4, kMoveC4)         \
  RUX_INT_LAYOUT(type, T, AC4, kMoveAC4)

RUX_INT_TYPE(8u, Rux8u)
RUX_INT_TYPE(16u, Rux16u)
RUX_INT_TYPE(16s, Rux16s)

// 32f: Add, Sub, Mul, Div and the constant forms.
#define RUX_FLOAT(Op, kOp, lay, L)                                                                \
  RUXAPI RuxResult ruxi##Op##_32f_##lay##R(const Rux32f* pSrc1, int src1Step,                     \
                                           const Rux32f* pSrc2, int src2Step, Rux32f* pDst,       \
                                           int dstStep, RuxImageSize roiSize) {                   \
    return floatImages<kOp, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);         \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##_32f_##lay##IR(const Rux32f* pSrc, int srcStep, Rux32f* pSrcDst,     \
                                            int srcDstStep, RuxImageSize roiSize) {               \
    return floatImages<kOp, L>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize); \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##C_32f_##lay##R(const Rux32f* pSrc, int srcStep,                      \
                                            RUX_##lay##_V(Rux32f), Rux32f* pDst, int dstStep,     \
                                            RuxImageSize roiSize) {                               \
    return floatConst<kOp, L>(RUX_##lay##_P, pSrc, srcStep, pDst, dstStep, roiSize, false);       \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##C_32f_##lay##IR(RUX_##lay##_V(Rux32f), Rux32f* pSrcDst,              \
                                             int srcDstStep, RuxImageSize roiSize) {              \
    return floatConst<kOp, L>(RUX_##lay##_P, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize,   \
                              true);                                                              \
  }

#define RUX_FLOAT_LAYOUT(lay, L)          \
  RUX_FLOAT(Add, kArithAdd, lay, L)       \
  RUX_FLOAT(Sub, kArithSub, lay, L)       \
  RUX_FLOAT(Mul, kArithMul, lay, L)       \
  RUX_FLOAT(Div, kArithDiv, lay, L)

RUX_FLOAT_LAYOUT(C1, kMoveC1)
RUX_FLOAT_LAYOUT(C3, kMoveC3)
RUX_FLOAT_LAYOUT(C4, kMoveC4)
RUX_FLOAT_LAYOUT(AC4, kMoveAC4)

// Complex: integer forms take a scale factor (SFS_P/SFS_A), 32fc does not.
#define RUX_SFS_P , int scaleFactor
#define RUX_SFS_A scaleFactor
#define RUX_NOSFS_P
#define RUX_NOSFS_A 0

#define RUX_COMPLEX(Op, kOp, type, T, lay, L, flag, SFS)                                          \
  RUXAPI RuxResult ruxi##Op##_##type##_##lay##R##flag(                                            \
      const T* pSrc1, int src1Step, const T* pSrc2, int src2Step, T* pDst, int dstStep,           \
      RuxImageSize roiSize RUX_##SFS##_P) {                                                       \
    return complexImages<T, kOp, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize,     \
                                    RUX_##SFS##_A);                                               \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##_##type##_##lay##IR##flag(                                           \
      const T* pSrc, int srcStep, T* pSrcDst, int srcDstStep, RuxImageSize roiSize RUX_##SFS##_P) { \
    return complexImages<T, kOp, L>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep,      \
                                    roiSize, RUX_##SFS##_A);                                      \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##C_##type##_##lay##R##flag(const T* pSrc, int srcStep,                \
                                                       RUX_##lay##_V(T), T* pDst, int dstStep,    \
                                                       RuxImageSize roiSize RUX_##SFS##_P) {      \
    return complexConst<T, kOp, L>(RUX_##lay##_P, pSrc, srcStep, pDst, dstStep, roiSize,          \
                                   RUX_##SFS##_A);                                                \
  }                                                                                               \
  RUXAPI RuxResult ruxi##Op##C_##type##_##lay##IR##flag(                                          \
      RUX_##lay##_V(T), T* pSrcDst, int srcDstStep, RuxImageSize roiSize RUX_##SFS##_P) {         \
    return complexConst<T, kOp, L>(RUX_##lay##_P, pSrcDst, srcDstStep, pSrcDst, srcDstStep,       \
                                   roiSize, RUX_##SFS##_A);                                       \
  }

#define RUX_COMPLEX_LAYOUT(type, T, lay, L, flag, SFS)         \
  RUX_COMPLEX(Add, kArithAdd, type, T, lay, L, flag, SFS)      \
  RUX_COMPLEX(Sub, kArithSub, type, T, lay, L, flag, SFS)      \
  RUX_COMPLEX(Mul, kArithMul, type, T, lay, L, flag, SFS)      \
  RUX_COMPLEX(Div, kArithDiv, type, T, lay, L, flag, SFS)

#define RUX_COMPLEX_TYPE(type, T, flag, SFS)                   \
  RUX_COMPLEX_LAYOUT(type, T, C1, kMoveC1, flag, SFS)          \
  RUX_COMPLEX_LAYOUT(type, T, C3, kMoveC3, flag, SFS)          \
  RUX_COMPLEX_LAYOUT(type, T, AC4, kMoveAC4, flag, SFS)

RUX_COMPLEX_TYPE(16sc, Rux16sc, Sfs, SFS)
RUX_COMPLEX_TYPE(32sc, Rux32sc, Sfs, SFS)
RUX_COMPLEX_TYPE(32fc, Rux32fc, , NOSFS)
