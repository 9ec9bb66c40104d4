// Vector row kernels of the unary mathematics, compiled once per target.
//
// Integer arithmetic is exact: squares are formed in 32-bit lanes and scaled there; square roots
// of integers are taken in double precision, where sqrt(x) * 2^-s of a 16-bit x lies far enough
// from every rounding tie that the explicit nearest-even rounding gives the exact result; the
// normalised products use (p + (p >> 8) + 1) >> 8 in 16-bit lanes (8u) and the same identity
// split into the high and low halves of the 32-bit product (16u).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/unary_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/pointwise-inl.h"
#include "primitives/unary_kernels.h"

#include <algorithm>
#include <cmath>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// ---- absolute value, square, square root of 32f and 16s ----------------------------------------

template <bool kAlpha>
int Abs16sRow(const void* srcv, void* dstv, size_t n, int) {
  const int16_t* src = static_cast<const int16_t*>(srcv);
  // |-32768| saturates to 32767: max(x, 0 -sat x).
  const auto op = [src](auto d, size_t i, size_t) {
    const auto v = LoadAt(d, src + i);
    return hn::Max(v, hn::SaturatedSub(hn::Zero(d), v));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::ScalableTag<int16_t>(), static_cast<int16_t*>(dstv), n, op);
  return 0;
}

template <bool kAlpha>
int Abs32fRow(const void* srcv, void* dstv, size_t n, int) {
  const float* src = static_cast<const float*>(srcv);
  const auto op = [src](auto d, size_t i, size_t) { return hn::Abs(LoadAt(d, src + i)); };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::ScalableTag<float>(), static_cast<float*>(dstv), n, op);
  return 0;
}

template <bool kAlpha>
int Sqr32fRow(const void* srcv, void* dstv, size_t n, int) {
  const float* src = static_cast<const float*>(srcv);
  const auto op = [src](auto d, size_t i, size_t) {
    const auto v = LoadAt(d, src + i);
    return hn::Mul(v, v);
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::ScalableTag<float>(), static_cast<float*>(dstv), n, op);
  return 0;
}

template <bool kAlpha>
int Sqrt32fRow(const void* srcv, void* dstv, size_t n, int) {
  const float* src = static_cast<const float*>(srcv);
  bool negative = false;
  const auto op = [src, &negative](auto d, size_t i, size_t) {
    const auto v = LoadAt(d, src + i);
    negative |= !hn::AllFalse(d, hn::Lt(v, hn::Zero(d)));
    return hn::Sqrt(v);
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::ScalableTag<float>(), static_cast<float*>(dstv), n, op);
  return negative ? 3 : 0;
}

// ---- integer square and square root with scale factor ------------------------------------------

// round(v * 2^-s) to nearest even for an unsigned 32-bit v, saturated to max.
template <class D>
HWY_INLINE hn::Vec<D> ScaleU32(D d, hn::Vec<D> v, int s, uint32_t max) {
  hn::Vec<D> r;
  if (s == 0) {
    r = v;
  } else if (s > 0 && s < 32) {
    // q = v >> s, plus one when the remainder exceeds half, or equals it and q is odd.
    const auto q = hn::ShiftRightSame(v, s);
    const auto rem = hn::And(v, hn::Set(d, (uint32_t{1} << s) - 1));
    const auto odd = hn::And(q, hn::Set(d, 1u));
    r = hn::Add(q, hn::IfThenElseZero(hn::Gt(hn::Add(rem, odd), hn::Set(d, uint32_t{1} << (s - 1))),
                                      hn::Set(d, 1u)));
  } else if (s == 32) {
    r = hn::IfThenElseZero(hn::Gt(v, hn::Set(d, 0x80000000u)), hn::Set(d, 1u));
  } else if (s > 32) {
    r = hn::Zero(d);
  } else if (s <= -32) {
    r = hn::IfThenZeroElse(hn::Eq(v, hn::Zero(d)), hn::Set(d, max));
  } else {
    const int k = -s;
    r = hn::IfThenElse(hn::Gt(v, hn::Set(d, max >> k)), hn::Set(d, max), hn::ShiftLeftSame(v, k));
  }
  return hn::Min(r, hn::Set(d, max));
}

template <class T, bool kAlpha>
int SqrIntRow(const void* srcv, void* dstv, size_t n, int scale) {
  const T* src = static_cast<const T*>(srcv);
  const auto op = [src, scale](auto d, size_t i, size_t) {
    using D = decltype(d);
    const hn::Rebind<uint32_t, D> du;
    const hn::Rebind<int32_t, D> di;
    hn::Vec<decltype(du)> sq;
    if constexpr (std::is_signed_v<T>) {
      const auto v = hn::PromoteTo(di, LoadAt(d, src + i));
      sq = hn::BitCast(du, hn::Mul(v, v));  // at most 2^30
    } else {
      const auto v = hn::PromoteTo(du, LoadAt(d, src + i));
      sq = hn::Mul(v, v);  // at most 65535^2 < 2^32
    }
    constexpr uint32_t kMax = std::numeric_limits<T>::max();
    return hn::DemoteTo(d, hn::BitCast(di, ScaleU32(du, sq, scale, kMax)));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::Rebind<T, hn::ScalableTag<uint32_t>>(),
                                    static_cast<T*>(dstv), n, op);
  return 0;
}

template <class T, bool kAlpha>
int SqrtIntRow(const void* srcv, void* dstv, size_t n, int scale) {
  const T* src = static_cast<const T*>(srcv);
  // sqrt(x) <= 256: beyond |s| = 64 every result is already 0 or saturated.
  const double factor = std::ldexp(1.0, -std::clamp(scale, -64, 64));
  bool negative = false;
  const auto op = [src, factor, &negative](auto d, size_t i, size_t) {
    using D = decltype(d);
    const hn::Rebind<int32_t, D> di;
    const hn::Rebind<double, D> df;
    const auto v = hn::PromoteTo(di, LoadAt(d, src + i));
    if constexpr (std::is_signed_v<T>) negative |= !hn::AllFalse(di, hn::Lt(v, hn::Zero(di)));
    const auto x = hn::Max(hn::PromoteTo(df, v), hn::Zero(df));  // negative arguments give 0
    const auto max = hn::Set(df, static_cast<double>(std::numeric_limits<T>::max()));
    const auto r = hn::Min(hn::Round(hn::Mul(hn::Sqrt(x), hn::Set(df, factor))), max);
    return hn::DemoteTo(d, hn::DemoteTo(di, r));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::Rebind<T, hn::ScalableTag<double>>(),
                                    static_cast<T*>(dstv), n, op);
  return negative ? 3 : 0;
}

// ---- sign and magnitude -------------------------------------------------------------------------

int Complement32sRow(const void* srcv, void* dstv, size_t n, int) {
  const int32_t* src = static_cast<const int32_t*>(srcv);
  const auto op = [src](auto d, size_t i, size_t) {
    const auto v = LoadAt(d, src + i);
    const auto sign = hn::ShiftRight<31>(v);                       // 0 or -1
    const auto magnitude = hn::Sub(hn::Xor(v, sign), sign);        // -2^31 stays 0x80000000
    return hn::Or(magnitude, hn::And(sign, hn::Set(d, std::numeric_limits<int32_t>::min())));
  };
  ForPixels<1, false>(hn::ScalableTag<int32_t>(), static_cast<int32_t*>(dstv), n, op);
  return 0;
}

// ---- normalised products ------------------------------------------------------------------------

// floor(a * b / 255) for 8-bit lanes held in 16-bit lanes.
template <class V>
HWY_INLINE V MulScale8(V a, V b) {
  const auto p = hn::Mul(a, b);
  return hn::ShiftRight<8>(hn::Add(hn::Add(p, hn::ShiftRight<8>(p)), hn::Set(hn::DFromV<V>(), 1)));
}

// floor(a * b / 65535) = hi + carry of (lo + hi + 1), with p = hi * 2^16 + lo: the carry is set
// exactly when hi >= 65535 - lo.
template <class V>
HWY_INLINE V MulScale16(V a, V b) {
  const auto hi = hn::MulHigh(a, b);
  const auto lo = hn::Mul(a, b);
  return hn::Add(hi, hn::IfThenZeroElse(hn::Gt(hn::Not(lo), hi), hn::Set(hn::DFromV<V>(), 1)));
}

template <class T, class D, class V>
HWY_INLINE V MulScaleAny(D d, V a, V b) {
  if constexpr (sizeof(T) == 1) {
    const hn::Rebind<uint16_t, D> d16;
    const hn::Rebind<int16_t, D> di16;
    const auto r = MulScale8(hn::PromoteTo(d16, a), hn::PromoteTo(d16, b));
    return hn::DemoteTo(d, hn::BitCast(di16, r));
  } else {
    (void)d;
    return MulScale16(a, b);
  }
}

// 8u runs half vectors of bytes so that their products fill whole vectors of 16-bit lanes.
template <class T>
using MulScaleTag = hn::Rebind<T, hn::ScalableTag<uint16_t>>;

template <class T, bool kAlpha>
void MulScaleRow(const void* av, const void* bv, void* dstv, size_t n) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  const auto op = [a, b](auto d, size_t i, size_t) {
    return MulScaleAny<T>(d, LoadAt(d, a + i), LoadAt(d, b + i));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(MulScaleTag<T>(), static_cast<T*>(dstv), n, op);
}

template <class T, size_t C, bool kAlpha>
void MulCScaleRow(const void* srcv, const void* valuev, void* dstv, size_t n) {
  const T* src = static_cast<const T*>(srcv);
  const MulScaleTag<T> d;
  HWY_ALIGN T pattern[kMaxPatternBytes / sizeof(T)];
  BuildPattern<C>(d, static_cast<const T*>(valuev), pattern);
  const T* pat = pattern;
  const auto op = [src, pat](auto dd, size_t i, size_t p) {
    return MulScaleAny<T>(dd, LoadAt(dd, src + i), LoadAt(dd, pat + p));
  };
  ForPixels<C, kAlpha>(d, static_cast<T*>(dstv), n, op);
}

// ---- maximum and minimum of two rows ------------------------------------------------------------

// Floats pick a where the comparison holds, else b: NaN and equal operands keep b (the
// destination), the same on every target.
template <bool kMax, class V>
HWY_INLINE V Pick(V a, V b) {
  if constexpr (hwy::IsFloat<hn::TFromV<V>>()) {
    return hn::IfThenElse(kMax ? hn::Gt(a, b) : hn::Lt(a, b), a, b);
  } else {
    return kMax ? hn::Max(a, b) : hn::Min(a, b);
  }
}

template <class T, bool kMax, bool kAlpha>
void ExtremumRow(const void* av, const void* bv, void* dstv, size_t n) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  const auto op = [a, b](auto d, size_t i, size_t) {
    return Pick<kMax>(LoadAt(d, a + i), LoadAt(d, b + i));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::ScalableTag<T>(), static_cast<T*>(dstv), n, op);
}

// ---- table ----------------------------------------------------------------------------------------

template <class T>
void FillType(UnaryKernels& k, UnaryType t) {
  k.maxEvery[t][0] = &ExtremumRow<T, true, false>;
  k.maxEvery[t][1] = &ExtremumRow<T, true, true>;
  k.minEvery[t][0] = &ExtremumRow<T, false, false>;
  k.minEvery[t][1] = &ExtremumRow<T, false, true>;
  if constexpr (hwy::IsFloat<T>()) {
    k.sqr[t][0] = &Sqr32fRow<false>;
    k.sqr[t][1] = &Sqr32fRow<true>;
    k.sqrt[t][0] = &Sqrt32fRow<false>;
    k.sqrt[t][1] = &Sqrt32fRow<true>;
  } else {
    k.sqr[t][0] = &SqrIntRow<T, false>;
    k.sqr[t][1] = &SqrIntRow<T, true>;
    k.sqrt[t][0] = &SqrtIntRow<T, false>;
    k.sqrt[t][1] = &SqrtIntRow<T, true>;
  }
}

template <class T>
void FillMulScale(UnaryKernels& k, int s) {
  k.mulScale[s][0] = &MulScaleRow<T, false>;
  k.mulScale[s][1] = &MulScaleRow<T, true>;
  k.mulCScale[s][kMoveC1] = &MulCScaleRow<T, 1, false>;
  k.mulCScale[s][kMoveC3] = &MulCScaleRow<T, 3, false>;
  k.mulCScale[s][kMoveC4] = &MulCScaleRow<T, 4, false>;
  k.mulCScale[s][kMoveAC4] = &MulCScaleRow<T, 4, true>;
}

const UnaryKernels* GetUnaryKernels() {
  static const UnaryKernels kernels = [] {
    UnaryKernels k{};
    FillType<uint8_t>(k, kUnary8u);
    FillType<uint16_t>(k, kUnary16u);
    FillType<int16_t>(k, kUnary16s);
    FillType<float>(k, kUnary32f);
    k.abs[kUnary16s][0] = &Abs16sRow<false>;
    k.abs[kUnary16s][1] = &Abs16sRow<true>;
    k.abs[kUnary32f][0] = &Abs32fRow<false>;
    k.abs[kUnary32f][1] = &Abs32fRow<true>;
    k.complement32s = &Complement32sRow;
    FillMulScale<uint8_t>(k, 0);
    FillMulScale<uint16_t>(k, 1);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetUnaryKernels);
const UnaryKernels& unaryKernels() { return *HWY_DYNAMIC_DISPATCH(GetUnaryKernels)(); }
}  // namespace rux
#endif
