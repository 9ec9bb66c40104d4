// Filters with built-in 3x3 and 5x5 kernels: Sobel, Prewitt, Scharr and Roberts derivatives, the
// second derivatives and cross, Laplace, Gauss, high-pass, low-pass and sharpening.
//
// Shape: every kernel is a plan of the row engine (primitives/conv_rows.h). Outer products
// W = c r (the first derivatives, second derivatives, cross, 3x3 Gauss and the low-pass means)
// run as a column pass with c into a row of sums and a row pass with r; the others (Laplace,
// high-pass, sharpen, 5x5 Gauss, Roberts) run directly over their non-zero weights. Integer sums
// are exact: int16 accumulators for 8-bit samples (every kernel's sum fits), int32 for 16-bit
// samples, and float where every partial sum stays below 2^24 and the output rule starts from
// a single-precision product (the 8u 5x5 Gauss, the 16s low-pass, the 16u 5x5 low-pass). Only
// the output rules differ per kernel and type; 32f data is summed in single precision and
// divided by multiplying with the single-precision reciprocal.
// Rows are independent; regions of at least 64 x 64 pixels run on the library's threads, each
// thread a contiguous block of rows. No scratch memory is needed.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/base.h"
#include "primitives/conv_rows.h"
#include "primitives/int_scale.h"

namespace rux {
namespace {

using conv::Plan;

enum class Kind {
  kPrewittH, kPrewittV, kSobelH, kSobelV, kSobelH2, kSobelV2, kSobelCross, kScharrH, kScharrV,
  kLaplace, kHipass, kSharpen, kGauss, kLowpass, kRobertsDown, kRobertsUp
};

// A kernel as W[dy + r][dx + r] (r = size / 2), or as the outer product of c and r.
struct Kernel {
  int size = 3;
  bool separable = false;
  int c[5] = {}, r[5] = {};
  int w[5][5] = {};
};

Kernel kernelOf(Kind k, int size) {
  Kernel K;
  K.size = size;
  const auto outer = [&](std::initializer_list<int> c, std::initializer_list<int> r) {
    K.separable = true;
    std::copy(c.begin(), c.end(), K.c);
    std::copy(r.begin(), r.end(), K.r);
  };
  const auto rows = [&](std::initializer_list<int> v) {
    int i = 0;
    for (int x : v) K.w[i / size][i % size] = x, ++i;
  };
  const auto symmetric = [&](const int (&r1)[5], const int (&r2)[5], const int (&r3)[5]) {
    for (int i = 0; i < 5; ++i) {
      K.w[0][i] = K.w[4][i] = r1[i];
      K.w[1][i] = K.w[3][i] = r2[i];
      K.w[2][i] = r3[i];
    }
  };
  const auto centred = [&](int all, int centre) {
    for (int j = 0; j < size; ++j)
      for (int i = 0; i < size; ++i) K.w[j][i] = all;
    K.w[size / 2][size / 2] = centre;
  };
  if (size == 5) {
    switch (k) {
      case Kind::kSobelH: outer({-1, -2, 0, 2, 1}, {1, 4, 6, 4, 1}); break;
      case Kind::kSobelV: outer({1, 4, 6, 4, 1}, {1, 2, 0, -2, -1}); break;
      case Kind::kSobelH2: outer({1, 0, -2, 0, 1}, {1, 4, 6, 4, 1}); break;
      case Kind::kSobelV2: outer({1, 4, 6, 4, 1}, {1, 0, -2, 0, 1}); break;
      case Kind::kSobelCross: outer({-1, -2, 0, 2, 1}, {1, 2, 0, -2, -1}); break;
      case Kind::kLaplace: symmetric({-1, -3, -4, -3, -1}, {-3, 0, 6, 0, -3}, {-4, 6, 20, 6, -4}); break;
      case Kind::kGauss: symmetric({2, 7, 12, 7, 2}, {7, 31, 52, 31, 7}, {12, 52, 127, 52, 12}); break;
      case Kind::kLowpass: outer({1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}); break;
      default: centred(-1, 24); break;  // high-pass
    }
    return K;
  }
  switch (k) {
    case Kind::kPrewittH: outer({-1, 0, 1}, {1, 1, 1}); break;
    case Kind::kPrewittV: outer({1, 1, 1}, {1, 0, -1}); break;
    case Kind::kSobelH: outer({-1, 0, 1}, {1, 2, 1}); break;
    case Kind::kSobelV: outer({1, 2, 1}, {1, 0, -1}); break;
    case Kind::kSobelH2: outer({1, -2, 1}, {1, 2, 1}); break;
    case Kind::kSobelV2: outer({1, 2, 1}, {1, -2, 1}); break;
    case Kind::kSobelCross: outer({-1, 0, 1}, {1, 0, -1}); break;
    case Kind::kScharrH: outer({-1, 0, 1}, {3, 10, 3}); break;
    case Kind::kScharrV: outer({3, 10, 3}, {-1, 0, 1}); break;
    case Kind::kLaplace:
    case Kind::kHipass: centred(-1, 8); break;
    case Kind::kSharpen: centred(-1, 16); break;
    case Kind::kGauss: outer({1, 2, 1}, {1, 2, 1}); break;
    case Kind::kLowpass: outer({1, 1, 1}, {1, 1, 1}); break;
    case Kind::kRobertsDown: rows({-1, 0, 0, 0, 1, 0, 0, 0, 0}); break;
    case Kind::kRobertsUp: rows({0, 0, -1, 0, 1, 0, 0, 0, 0}); break;
  }
  return K;
}

// The taps of one kernel for samples T (C channels), summed in A.
template <class T, class A, int C>
struct Built {
  std::ptrdiff_t off1[25], off2[5];
  A w1[25], w2[5];
  Plan plan;

  Built(const Kernel& k, int srcStep) {
    const int R = k.size / 2;
    int n = 0;
    if (k.separable) {
      for (int j = 0; j < k.size; ++j)
        if (k.c[j] != 0) off1[n] = static_cast<std::ptrdiff_t>(j - R) * srcStep, w1[n++] = static_cast<A>(k.c[j]);
      int m = 0;
      for (int i = 0; i < k.size; ++i)
        if (k.r[i] != 0)
          off2[m] = static_cast<std::ptrdiff_t>(i - R) * C * static_cast<std::ptrdiff_t>(sizeof(A)),
          w2[m++] = static_cast<A>(k.r[i]);
      plan.first = {conv::tapsFor<T, A>(), off1, w1, n};
      plan.second = {conv::tapsFor<A, A>(), off2, w2, m};
      plan.reach = R;
    } else {
      for (int j = 0; j < k.size; ++j)
        for (int i = 0; i < k.size; ++i)
          if (k.w[j][i] != 0)
            off1[n] = static_cast<std::ptrdiff_t>(j - R) * srcStep +
                      static_cast<std::ptrdiff_t>(i - R) * C * static_cast<std::ptrdiff_t>(sizeof(T)),
            w1[n++] = static_cast<A>(k.w[j][i]);
      plan.first = {conv::tapsFor<T, A>(), off1, w1, n};
    }
  }
};

// ---- output rules -------------------------------------------------------------------------------

struct Copy32f {
  void operator()(const float* s, Rux32f* out, std::size_t n) const { std::memcpy(out, s, n * sizeof(float)); }
};

// Integer sums: S / 2^k rounded to nearest, ties to even (3x3 Gauss k = 4, sharpen k = 3; k = 0
// for the plain sums), saturated.
template <class A, class D>
struct Shifted {
  int k;
  conv::ShiftFn fn = conv::convKernels().shift[std::is_same_v<A, std::int32_t>][conv::sampleOf<D>()];
  void operator()(const A* s, D* out, std::size_t n) const { fn(s, out, n, k); }
};

// 8u low-pass: ((S + 5) * 7281) >> 16 (3x3) and ((S + 13) * 10485 >> 16) >> 2 (5x5) as the high
// halves of 16-bit products (S + 13 < 2^16).
struct Lowpass8u {
  std::uint16_t add, mul;
  int shift;
  void operator()(const std::int16_t* s, Rux8u* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
      const auto v = static_cast<std::uint16_t>(static_cast<std::uint16_t>(s[i]) + add);
      const auto q = static_cast<std::uint16_t>((static_cast<std::uint32_t>(v) * mul) >> 16) >> shift;
      out[i] = static_cast<Rux8u>(q > 255 ? 255 : q);
    }
  }
};

// 16u: ((S + add) * mul) >> 32 (3x3 low-pass, 5x5 Gauss).
struct MulHigh16u {
  std::uint64_t add, mul;
  void operator()(const std::int32_t* s, Rux16u* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t q = ((static_cast<std::uint64_t>(static_cast<std::uint32_t>(s[i])) + add) * mul) >> 32;
      out[i] = static_cast<Rux16u>(q > 65535 ? 65535 : q);
    }
  }
};

// 16s 5x5 Gauss: S * (1 / 571) in double, rounded to nearest even.
struct Gauss16s {
  void operator()(const std::int32_t* s, Rux16s* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i)
      out[i] = saturate<Rux16s>(conv::roundBy(static_cast<double>(s[i]) * (1.0 / 571.0), 1));
  }
};

// Exact float sums times a single-precision reciprocal, rounded to nearest even, saturated.
template <class D>
struct RoundScaled {
  float scale;
  conv::RoundFn fn;
  void operator()(const float* s, D* out, std::size_t n) const { fn(s, scale, out, n, 1); }
};

struct Scale32f {
  float r;
  void operator()(const float* s, Rux32f* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) out[i] = s[i] * r;
  }
};

// ---- drivers ------------------------------------------------------------------------------------

enum class Masks { kFixed3, kChecked };  // 3x3 without a code; 33 or 55, others -33

template <class T, class A, class D, int C, bool kAlpha, class Rule>
RuxResult run(const T* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, const Kernel& k, const Rule& rule) {
  const Built<T, A, C> b(k, srcStep);
  conv::runPlan<T, A, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, b.plan, conv::worthThreads(roi), rule);
  return ruxStatusOk;
}

template <class S, class D, int C, bool kAlpha>
RuxResult fixedFilter(Kind kind, const S* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, int size) {
  const Kernel k = kernelOf(kind, size);
  const bool five = size == 5;
  if constexpr (std::is_same_v<S, Rux32f>) {
    float r = 1.0f;
    if (kind == Kind::kGauss) r = five ? 1.0f / 571.0f : 0.0625f;
    if (kind == Kind::kSharpen) r = 0.125f;
    if (kind == Kind::kLowpass) r = five ? 0.04f : 1.0f / 9.0f;
    if (r == 1.0f) return run<S, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Copy32f{});
    return run<S, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Scale32f{r});
  } else if constexpr (sizeof(S) == 1) {
    using A = std::int16_t;
    if constexpr (std::is_same_v<D, Rux8u>) {
      if (kind == Kind::kGauss && five)
        return run<S, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k,
                                           RoundScaled<D>{1.0f / 571.0f, conv::convKernels().round[conv::k8u]});
      if (kind == Kind::kGauss) return run<S, std::int16_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{4});
      if (kind == Kind::kSharpen) return run<S, std::int16_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{3});
      if (kind == Kind::kLowpass)
        return run<S, std::int16_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k,
                                                  five ? Lowpass8u{13, 10485, 2} : Lowpass8u{5, 7281, 0});
    }
    return run<S, A, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{0});
  } else if constexpr (std::is_same_v<S, Rux16s>) {
    using A = std::int32_t;
    if (kind == Kind::kLowpass)
      return run<S, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k,
                                         RoundScaled<D>{five ? 0.04f : 1.0f / 9.0f, conv::convKernels().round[conv::k16s]});
    if (kind == Kind::kGauss && five) return run<S, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Gauss16s{});
    if (kind == Kind::kGauss) return run<S, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{4});
    if (kind == Kind::kSharpen) return run<S, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{3});
    return run<S, A, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{0});
  } else {  // 16u: Gauss and low-pass
    using A = std::int32_t;
    if (kind == Kind::kLowpass && five)
      return run<S, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k,
                                         RoundScaled<D>{0.04f, conv::convKernels().round[conv::k16u]});
    if (kind == Kind::kLowpass) return run<S, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, MulHigh16u{5, 477218588});
    if (five) return run<S, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, MulHigh16u{286, 7521834});
    return run<S, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, k, Shifted<A, D>{4});
  }
}

template <class S, class D, int C, bool kAlpha>
RuxResult checked(Kind kind, const S* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, Masks masks, int code) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  int size = 3;
  if (masks != Masks::kFixed3) {
    if (code != ruxMaskSize3x3 && code != ruxMaskSize5x5) return ruxStatusBadMaskSize;
    size = code == ruxMaskSize5x5 ? 5 : 3;
  }
  return fixedFilter<S, D, C, kAlpha>(kind, src, srcStep, dst, dstStep, roi, size);
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_FIXED(name, kind, type, S, D, lay, C, A)                                                        \
  RUXAPI RuxResult ruxiFilter##name##_##type##_##lay##R(const S* pSrc, int srcStep, D* pDst, int dstStep,   \
                                                        RuxImageSize roiSize) {                             \
    return checked<S, D, C, A>(Kind::kind, pSrc, srcStep, pDst, dstStep, roiSize, Masks::kFixed3, 33);      \
  }
#define RUX_FIXED_MASK(name, kind, type, S, D, lay, C, A)                                                   \
  RUXAPI RuxResult ruxiFilter##name##_##type##_##lay##R(const S* pSrc, int srcStep, D* pDst, int dstStep,   \
                                                        RuxImageSize roiSize, RuxMaskSize mask) {           \
    return checked<S, D, C, A>(Kind::kind, pSrc, srcStep, pDst, dstStep, roiSize, Masks::kChecked,          \
                               static_cast<int>(mask));                                                     \
  }

#define RUX_L4(M, name, kind, type, T)        \
  M(name, kind, type, T, T, C1, 1, false)     \
  M(name, kind, type, T, T, C3, 3, false)     \
  M(name, kind, type, T, T, C4, 4, false)     \
  M(name, kind, type, T, T, AC4, 4, true)
#define RUX_L3(M, name, kind, type, T)        \
  M(name, kind, type, T, T, C1, 1, false)     \
  M(name, kind, type, T, T, C3, 3, false)     \
  M(name, kind, type, T, T, AC4, 4, true)

#define RUX_FIXED_COMMON(type, T)                          \
  RUX_L4(RUX_FIXED, PrewittHoriz, kPrewittH, type, T)      \
  RUX_L4(RUX_FIXED, PrewittVert, kPrewittV, type, T)       \
  RUX_L4(RUX_FIXED, SobelHoriz, kSobelH, type, T)          \
  RUX_L4(RUX_FIXED, SobelVert, kSobelV, type, T)           \
  RUX_L3(RUX_FIXED, RobertsDown, kRobertsDown, type, T)    \
  RUX_L3(RUX_FIXED, RobertsUp, kRobertsUp, type, T)        \
  RUX_L4(RUX_FIXED_MASK, Laplace, kLaplace, type, T)       \
  RUX_L4(RUX_FIXED_MASK, Gauss, kGauss, type, T)           \
  RUX_L4(RUX_FIXED_MASK, Hipass, kHipass, type, T)         \
  RUX_L3(RUX_FIXED_MASK, Lowpass, kLowpass, type, T)       \
  RUX_L4(RUX_FIXED, Sharpen, kSharpen, type, T)

RUX_FIXED_COMMON(8u, Rux8u)
RUX_FIXED_COMMON(16s, Rux16s)
RUX_FIXED_COMMON(32f, Rux32f)

RUX_L4(RUX_FIXED_MASK, Gauss, kGauss, 16u, Rux16u)
RUX_L3(RUX_FIXED_MASK, Lowpass, kLowpass, 16u, Rux16u)

#define RUX_FIXED_TO16S(type, S)                                           \
  RUX_FIXED_MASK(SobelHoriz, kSobelH, type, S, Rux16s, C1, 1, false)       \
  RUX_FIXED_MASK(SobelVert, kSobelV, type, S, Rux16s, C1, 1, false)        \
  RUX_FIXED_MASK(SobelHorizSecond, kSobelH2, type, S, Rux16s, C1, 1, false) \
  RUX_FIXED_MASK(SobelVertSecond, kSobelV2, type, S, Rux16s, C1, 1, false) \
  RUX_FIXED_MASK(SobelCross, kSobelCross, type, S, Rux16s, C1, 1, false)   \
  RUX_FIXED(ScharrHoriz, kScharrH, type, S, Rux16s, C1, 1, false)          \
  RUX_FIXED(ScharrVert, kScharrV, type, S, Rux16s, C1, 1, false)           \
  RUX_FIXED_MASK(Laplace, kLaplace, type, S, Rux16s, C1, 1, false)

RUX_FIXED_TO16S(8u16s, Rux8u)
RUX_FIXED_TO16S(8s16s, Rux8s)

// The 32f second derivatives, cross and mask forms take only the 3x3 and 5x5 codes.
RUX_FIXED_MASK(SobelHorizSecond, kSobelH2, 32f, Rux32f, Rux32f, C1, 1, false)
RUX_FIXED_MASK(SobelVertSecond, kSobelV2, 32f, Rux32f, Rux32f, C1, 1, false)
RUX_FIXED_MASK(SobelCross, kSobelCross, 32f, Rux32f, Rux32f, C1, 1, false)
RUX_FIXED_MASK(SobelHorizMask, kSobelH, 32f, Rux32f, Rux32f, C1, 1, false)
RUX_FIXED_MASK(SobelVertMask, kSobelV, 32f, Rux32f, Rux32f, C1, 1, false)
RUX_FIXED(ScharrHoriz, kScharrH, 32f, Rux32f, Rux32f, C1, 1, false)
RUX_FIXED(ScharrVert, kScharrV, 32f, Rux32f, Rux32f, C1, 1, false)
