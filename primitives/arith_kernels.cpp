// Vector row kernels of pointwise arithmetic, compiled once per target and dispatched at run
// time; the scalar complex and exact-division kernels follow in the HWY_ONCE part.
//
// Integer lanes: the samples are widened to W (i16 for 8u add/sub, u16 for 8u products, i32 for
// 16-bit add/sub and 16s products, u32 for 16u products), so r = b op a is exact. Rounding of
// r * 2^-s for 1 <= s <= bits(W) uses a form that cannot overflow:
//   h = r >> (s-1), q = h >> 1, result = q + (h & 1 & (q | sticky)), sticky = low s-1 bits != 0,
// which is round to nearest with ties to even. A left shift by n first clamps r to
// [(lo >> n) - 1, (hi >> n) + 1], which keeps the saturation outcome and fits W. Vector bodies
// run over whole vectors; tails compute the same rules in scalar code (int_scale.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/arith_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/arith_kernels.h"
#include "primitives/int_scale.h"
#include "primitives/unaligned.h"

#ifndef RUX_ARITH_SCALAR_HELPERS_
#define RUX_ARITH_SCALAR_HELPERS_
#include <cstring>
#include <limits>

namespace rux {
namespace arith_detail {

template <class T>
inline std::int64_t applyOp(int op, T b, T a) {
  const std::int64_t x = b, y = a;
  return op == kArithAdd ? x + y : (op == kArithSub ? x - y : x * y);
}

// Single-precision quotient of the integer division kernels (see DivRowFn), s clamped to
// [-40, 40]: beyond that every result is already 0 or saturated, and 2^40 * 65535 fits a float.
inline float divScaleFactor(int s) {
  const int e = s > 40 ? 40 : (s < -40 ? 40 : (s < 0 ? -s : s));
  return static_cast<float>(std::int64_t{1} << e);
}

inline float divQuotient(float b, float a, int s, float k) {
  return s >= 0 ? b / (a * k) : (b * k) / a;
}

// Rounds a float quotient (clamped to +-65537, so the conversion is exact) by mode.
inline std::int32_t roundQuotient(float q, int mode) {
  q = q > 65537.0f ? 65537.0f : (q < -65537.0f ? -65537.0f : q);
  const std::int32_t t = static_cast<std::int32_t>(q);
  const float frac = q - static_cast<float>(t);
  const float af = frac < 0 ? -frac : frac;
  bool away;
  if (mode == 0) {
    away = false;
  } else if (mode == 1) {
    away = af > 0.5f || (af == 0.5f && (t & 1) != 0);
  } else {
    away = af >= 0.5f;
  }
  return away ? t + (frac < 0 ? -1 : 1) : t;
}

template <class T>
inline T zeroDivisorResult(T b) {
  if (b == 0) return T(0);
  if (std::numeric_limits<T>::is_signed && b < 0) return std::numeric_limits<T>::min();
  return std::numeric_limits<T>::max();
}

inline float floatZeroDivisor(float b) {
  if (b > 0) return std::numeric_limits<float>::infinity();
  if (b < 0) return -std::numeric_limits<float>::infinity();
  const std::uint32_t bits = 0x7FC00000u;
  float nan;
  std::memcpy(&nan, &bits, sizeof(nan));
  return nan;
}

}  // namespace arith_detail
}  // namespace rux
#endif

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <int kOp, class V>
HWY_INLINE V ApplyOp(V b, V a) {
  if constexpr (kOp == kArithAdd) {
    return hn::Add(b, a);
  } else if constexpr (kOp == kArithSub) {
    return hn::Sub(b, a);
  } else {
    return hn::Mul(b, a);
  }
}

// Saturates wide lanes to T and narrows them.
template <class DT, class DW>
HWY_INLINE hn::Vec<DT> Narrow(DT dt, DW dw, hn::Vec<DW> r) {
  using T = hn::TFromD<DT>;
  using W = hn::TFromD<DW>;
  if constexpr (hwy::IsSigned<W>()) {
    return hn::DemoteTo(dt, r);
  } else {
    return hn::TruncateTo(dt, hn::Min(r, hn::Set(dw, static_cast<W>(std::numeric_limits<T>::max()))));
  }
}

// Native saturating add/sub at scale factor 0.
template <class T, int kOp>
void SaturatingRow(const void* av, const void* bv, void* dv, size_t n, int /*s*/) {
  const ConstSamplePtr<T> a(av);
  const ConstSamplePtr<T> b(bv);
  const SamplePtr<T> d(dv);
  const hn::ScalableTag<T> dt;
  const size_t N = hn::Lanes(dt);
  size_t i = 0;
  if (n >= N) {
    for (; i <= n - N; i += N) {
      const auto va = hn::LoadU(dt, a + i);
      const auto vb = hn::LoadU(dt, b + i);
      hn::StoreU(kOp == kArithAdd ? hn::SaturatedAdd(vb, va) : hn::SaturatedSub(vb, va), dt, d + i);
    }
  }
  for (; i < n; ++i) d[i] = saturate<T>(arith_detail::applyOp(kOp, b[i], a[i]));
}

template <class T, class W, int kOp, int kMode>
void ScaledRow(const void* av, const void* bv, void* dv, size_t n, int s) {
  const ConstSamplePtr<T> a(av);
  const ConstSamplePtr<T> b(bv);
  const SamplePtr<T> d(dv);
  constexpr int kBitsW = 8 * sizeof(W);
  constexpr int kBitsT = 8 * sizeof(T);
  if (kMode == kScaleRound && s > kBitsW) {
    // |r| < 2^bits(W): every result rounds to 0.
    std::memset(dv, 0, n * sizeof(T));
    return;
  }
  const hn::ScalableTag<W> dw;
  const hn::Rebind<T, decltype(dw)> dt;
  const size_t N = hn::Lanes(dw);
  // Shift-left count, capped where every non-zero result already saturates.
  const int sh = kMode == kScaleShift ? (s < -kBitsT ? kBitsT : -s) : (kMode == kScaleRound ? s : 0);
  constexpr std::int64_t kHi = std::numeric_limits<T>::max();
  constexpr std::int64_t kLo = std::numeric_limits<T>::min();
  const auto one = hn::Set(dw, W(1));
  const auto low = hn::Set(dw, static_cast<W>(kMode == kScaleRound ? (std::uint64_t{1} << (sh - 1)) - 1 : 0));
  const auto clampHi = hn::Set(dw, static_cast<W>((kHi >> sh) + 1));
  const auto clampLo = hn::Set(dw, static_cast<W>(hwy::IsSigned<W>() ? (kLo >> sh) - 1 : 0));
  size_t i = 0;
  if (n >= N) {
    for (; i <= n - N; i += N) {
      const auto va = hn::PromoteTo(dw, hn::LoadU(dt, a + i));
      const auto vb = hn::PromoteTo(dw, hn::LoadU(dt, b + i));
      auto r = ApplyOp<kOp>(vb, va);
      if constexpr (kMode == kScaleRound) {
        const auto h = hn::ShiftRightSame(r, sh - 1);
        const auto q = hn::ShiftRight<1>(h);
        const auto sticky = hn::VecFromMask(dw, hn::Ne(hn::And(r, low), hn::Zero(dw)));
        r = hn::Add(q, hn::And(hn::And(h, hn::Or(q, sticky)), one));
      } else if constexpr (kMode == kScaleShift) {
        if constexpr (hwy::IsSigned<W>()) r = hn::Max(r, clampLo);
        r = hn::ShiftLeftSame(hn::Min(r, clampHi), sh);
      }
      hn::StoreU(Narrow(dt, dw, r), dt, d + i);
    }
  }
  for (; i < n; ++i) d[i] = scaleSaturate<T>(arith_detail::applyOp(kOp, b[i], a[i]), s);
}

template <class T, int kMode>
int DivRow(const void* av, const void* bv, void* dv, size_t n, int s) {
  const ConstSamplePtr<T> a(av);
  const ConstSamplePtr<T> b(bv);
  const SamplePtr<T> d(dv);
  const hn::ScalableTag<int32_t> di;
  const hn::Rebind<float, decltype(di)> df;
  const hn::Rebind<T, decltype(di)> dt;
  const size_t N = hn::Lanes(di);
  const float kf = arith_detail::divScaleFactor(s);
  const auto k = hn::Set(df, kf);
  const auto oneF = hn::Set(df, 1.0f);
  const auto limit = hn::Set(df, 65537.0f);
  const auto half = hn::Set(df, 0.5f);
  const auto oneI = hn::Set(di, 1);
  const auto minusOneI = hn::Set(di, -1);
  const auto hi = hn::Set(di, static_cast<int32_t>(std::numeric_limits<T>::max()));
  const auto lo = hn::Set(di, static_cast<int32_t>(std::numeric_limits<T>::min()));
  auto zeroSeen = hn::Zero(di);
  size_t i = 0;
  if (n >= N) {
    for (; i <= n - N; i += N) {
      const auto ai = hn::PromoteTo(di, hn::LoadU(dt, a + i));
      const auto bi = hn::PromoteTo(di, hn::LoadU(dt, b + i));
      const auto aZero = hn::Eq(ai, hn::Zero(di));
      zeroSeen = hn::Or(zeroSeen, hn::VecFromMask(di, aZero));
      const auto af = hn::IfThenElse(hn::RebindMask(df, aZero), oneF, hn::ConvertTo(df, ai));
      const auto bf = hn::ConvertTo(df, bi);
      auto q = s >= 0 ? hn::Div(bf, hn::Mul(af, k)) : hn::Div(hn::Mul(bf, k), af);
      q = hn::Min(hn::Max(q, hn::Neg(limit)), limit);
      auto t = hn::ConvertTo(di, q);
      if constexpr (kMode != 0) {
        const auto frac = hn::Sub(q, hn::ConvertTo(df, t));
        const auto absFrac = hn::Abs(frac);
        hn::Mask<decltype(df)> away;
        if constexpr (kMode == 1) {
          const auto odd = hn::RebindMask(df, hn::Ne(hn::And(t, oneI), hn::Zero(di)));
          away = hn::Or(hn::Gt(absFrac, half), hn::And(hn::Eq(absFrac, half), odd));
        } else {
          away = hn::Ge(absFrac, half);
        }
        const auto step = hn::IfThenElse(hn::RebindMask(di, hn::Lt(frac, hn::Zero(df))), minusOneI, oneI);
        t = hn::Add(t, hn::IfThenElseZero(hn::RebindMask(di, away), step));
      }
      // Clamp before narrowing: the i32 -> u8 demotion of some targets is not saturating.
      t = hn::Min(hn::Max(t, lo), hi);
      const auto zr = hn::IfThenElse(hn::Eq(bi, hn::Zero(di)), hn::Zero(di),
                                     hn::IfThenElse(hn::Lt(bi, hn::Zero(di)), lo, hi));
      hn::StoreU(hn::DemoteTo(dt, hn::IfThenElse(aZero, zr, t)), dt, d + i);
    }
  }
  int seen = hn::AllFalse(di, hn::MaskFromVec(zeroSeen)) ? 0 : 1;
  for (; i < n; ++i) {
    if (a[i] == 0) {
      d[i] = arith_detail::zeroDivisorResult(b[i]);
      seen = 1;
      continue;
    }
    const float q = arith_detail::divQuotient(static_cast<float>(b[i]), static_cast<float>(a[i]), s, kf);
    d[i] = saturate<T>(arith_detail::roundQuotient(q, kMode));
  }
  return seen;
}

template <int kOp>
void FloatRow(const Rux32f* ap, const Rux32f* bp, Rux32f* dp, size_t n) {
  const ConstSamplePtr<Rux32f> a(ap), b(bp);
  const SamplePtr<Rux32f> d(dp);
  const hn::ScalableTag<float> df;
  const size_t N = hn::Lanes(df);
  size_t i = 0;
  if (n >= N) {
    for (; i <= n - N; i += N) {
      hn::StoreU(ApplyOp<kOp>(hn::LoadU(df, b + i), hn::LoadU(df, a + i)), df, d + i);
    }
  }
  for (; i < n; ++i) {
    d[i] = kOp == kArithAdd ? b[i] + a[i] : (kOp == kArithSub ? b[i] - a[i] : b[i] * a[i]);
  }
}

int FloatDivRow(const Rux32f* ap, const Rux32f* bp, Rux32f* dp, size_t n) {
  const ConstSamplePtr<Rux32f> a(ap), b(bp);
  const SamplePtr<Rux32f> d(dp);
  const hn::ScalableTag<float> df;
  const hn::RebindToUnsigned<decltype(df)> du;
  const size_t N = hn::Lanes(df);
  const auto inf = hn::Set(df, std::numeric_limits<float>::infinity());
  const auto nan = hn::BitCast(df, hn::Set(du, 0x7FC00000u));
  auto zeroSeen = hn::Zero(du);
  size_t i = 0;
  if (n >= N) {
    for (; i <= n - N; i += N) {
      const auto va = hn::LoadU(df, a + i);
      const auto vb = hn::LoadU(df, b + i);
      const auto aZero = hn::Eq(va, hn::Zero(df));
      zeroSeen = hn::Or(zeroSeen, hn::BitCast(du, hn::VecFromMask(df, aZero)));
      const auto zr = hn::IfThenElse(hn::Gt(vb, hn::Zero(df)), inf,
                                     hn::IfThenElse(hn::Lt(vb, hn::Zero(df)), hn::Neg(inf), nan));
      hn::StoreU(hn::IfThenElse(aZero, zr, hn::Div(vb, va)), df, d + i);
    }
  }
  int seen = hn::AllFalse(du, hn::MaskFromVec(zeroSeen)) ? 0 : 1;
  for (; i < n; ++i) {
    if (a[i] == 0.0f) {
      d[i] = arith_detail::floatZeroDivisor(b[i]);
      seen = 1;
    } else {
      d[i] = b[i] / a[i];
    }
  }
  return seen;
}

template <class T, class WAdd, class WMul>
void FillType(ArithKernels& k, int t) {
  k.saturating[t][kArithAdd] = &SaturatingRow<T, kArithAdd>;
  k.saturating[t][kArithSub] = &SaturatingRow<T, kArithSub>;
  k.scaled[t][kArithAdd][kScaleRound] = &ScaledRow<T, WAdd, kArithAdd, kScaleRound>;
  k.scaled[t][kArithAdd][kScalePlain] = &SaturatingRow<T, kArithAdd>;
  k.scaled[t][kArithAdd][kScaleShift] = &ScaledRow<T, WAdd, kArithAdd, kScaleShift>;
  k.scaled[t][kArithSub][kScaleRound] = &ScaledRow<T, WAdd, kArithSub, kScaleRound>;
  k.scaled[t][kArithSub][kScalePlain] = &SaturatingRow<T, kArithSub>;
  k.scaled[t][kArithSub][kScaleShift] = &ScaledRow<T, WAdd, kArithSub, kScaleShift>;
  k.scaled[t][kArithMul][kScaleRound] = &ScaledRow<T, WMul, kArithMul, kScaleRound>;
  k.scaled[t][kArithMul][kScalePlain] = &ScaledRow<T, WMul, kArithMul, kScalePlain>;
  k.scaled[t][kArithMul][kScaleShift] = &ScaledRow<T, WMul, kArithMul, kScaleShift>;
  k.div[t][0] = &DivRow<T, 0>;
  k.div[t][1] = &DivRow<T, 1>;
  k.div[t][2] = &DivRow<T, 2>;
}

const ArithKernels* GetArithKernels() {
  static const ArithKernels kernels = [] {
    ArithKernels k{};
    FillType<uint8_t, int16_t, uint16_t>(k, kArith8u);
    FillType<uint16_t, int32_t, uint32_t>(k, kArith16u);
    FillType<int16_t, int32_t, int32_t>(k, kArith16s);
    k.f32[kArithAdd] = &FloatRow<kArithAdd>;
    k.f32[kArithSub] = &FloatRow<kArithSub>;
    k.f32[kArithMul] = &FloatRow<kArithMul>;
    k.f32Div = &FloatDivRow;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetArithKernels);
const ArithKernels& arithKernels() { return *HWY_DYNAMIC_DISPATCH(GetArithKernels)(); }

namespace {

using I128 = __int128;

// saturate(round_even(num / den)) for den > 0, exact.
template <class T>
T roundDivSaturate(I128 num, I128 den) {
  I128 q = num / den;
  const I128 r = num % den;
  const I128 twice = (r < 0 ? -r : r) * 2;
  if (twice > den || (twice == den && (q & 1) != 0)) q += r < 0 ? -1 : 1;
  constexpr I128 lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  return static_cast<T>(q < lo ? lo : (q > hi ? hi : q));
}

// saturate(round_even(num / (den * 2^s))) for den != 0, exact for |num|, |den| < 2^64 and any
// s. maxQ bounds |num / den| from above (as a power of two): from it on every s >= maxQ + 2
// gives 0. For s < 0 the quotient is scaled in steps of at most 32 bits, so nothing overflows;
// once the integer part passes 2^33 the result is saturated.
template <class T>
T scaledQuotient(I128 num, I128 den, int s, int maxQ) {
  if (den < 0) num = -num, den = -den;
  if (s >= 0) {
    if (s >= maxQ + 2) return T(0);
    return roundDivSaturate<T>(num, den << s);
  }
  constexpr I128 kSat = I128{1} << 33;
  I128 q = num / den, r = num % den;
  int left = s < -200 ? 200 : -s;
  while (left > 0 && q > -kSat && q < kSat) {
    const int k = left < 32 ? left : 32;
    const I128 rk = r * (I128{1} << k);
    q = q * (I128{1} << k) + rk / den;
    r = rk % den;
    left -= k;
  }
  if (q <= -kSat) return std::numeric_limits<T>::min();
  if (q >= kSat) return std::numeric_limits<T>::max();
  return roundDivSaturate<T>(q * den + r, den);
}

// 128-bit version of scaleSaturate (int_scale.h) for exact 32-bit complex products.
template <class T>
T scaleSaturateWide(I128 v, int s) {
  constexpr I128 lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  if (s > 0) {
    if (s > 100) return T(0);
    const I128 h = v >> (s - 1);
    I128 q = h >> 1;
    const bool sticky = (v & ((I128{1} << (s - 1)) - 1)) != 0;
    if ((h & 1) != 0 && (sticky || (q & 1) != 0)) q += 1;
    return static_cast<T>(q < lo ? lo : (q > hi ? hi : q));
  }
  if (v == 0) return T(0);
  if (s < -40) return v > 0 ? static_cast<T>(hi) : static_cast<T>(lo);
  const I128 limit = I128{1} << (120 + s);
  if (v >= limit) return static_cast<T>(hi);
  if (v <= -limit) return static_cast<T>(lo);
  const I128 w = v * (I128{1} << -s);
  return static_cast<T>(w < lo ? lo : (w > hi ? hi : w));
}

template <class T>
void exactDiv(const void* av, const void* bv, void* dv, std::size_t n, int s) {
  const ConstSamplePtr<T> a(av);
  const ConstSamplePtr<T> b(bv);
  const SamplePtr<T> d(dv);
  for (std::size_t i = 0; i < n; ++i) d[i] = scaledQuotient<T>(b[i], a[i], s, 16);
}

}  // namespace

ExactDivRowFn exactDivRow(ArithType type) {
  return type == kArith8u ? &exactDiv<Rux8u> : (type == kArith16u ? &exactDiv<Rux16u> : &exactDiv<Rux16s>);
}

void scaled32scRow(ArithOp op, const Rux32sc* ap, const Rux32sc* bp, Rux32sc* dp, std::size_t n, int s) {
  const ConstSamplePtr<Rux32sc> a(ap), b(bp);
  const SamplePtr<Rux32sc> d(dp);
  for (std::size_t i = 0; i < n; ++i) {
    if (op == kArithMul) {
      const I128 ar = a[i].re, ai = a[i].im, br = b[i].re, bi = b[i].im;
      const I128 re = br * ar - bi * ai, im = br * ai + bi * ar;
      d[i] = {scaleSaturateWide<Rux32s>(re, s), scaleSaturateWide<Rux32s>(im, s)};
    } else {
      const std::int64_t re = arith_detail::applyOp(op, b[i].re, a[i].re);
      const std::int64_t im = arith_detail::applyOp(op, b[i].im, a[i].im);
      d[i] = {scaleSaturate<Rux32s>(re, s), scaleSaturate<Rux32s>(im, s)};
    }
  }
}

void mul16scRow(const Rux16sc* ap, const Rux16sc* bp, Rux16sc* dp, std::size_t n, int s) {
  const ConstSamplePtr<Rux16sc> a(ap), b(bp);
  const SamplePtr<Rux16sc> d(dp);
  for (std::size_t i = 0; i < n; ++i) {
    const std::int64_t ar = a[i].re, ai = a[i].im, br = b[i].re, bi = b[i].im;
    d[i] = {scaleSaturate<Rux16s>(br * ar - bi * ai, s), scaleSaturate<Rux16s>(br * ai + bi * ar, s)};
  }
}

void mul32fcRow(const Rux32fc* ap, const Rux32fc* bp, Rux32fc* dp, std::size_t n) {
  const ConstSamplePtr<Rux32fc> a(ap), b(bp);
  const SamplePtr<Rux32fc> d(dp);
  for (std::size_t i = 0; i < n; ++i) {
    const float ar = a[i].re, ai = a[i].im, br = b[i].re, bi = b[i].im;
    const float re = br * ar - bi * ai;
    const float im = br * ai + bi * ar;
    d[i] = {re, im};
  }
}

namespace {
template <class C, class T>
int divComplexInt(const C* ap, const C* bp, C* dp, std::size_t n, int s) {
  const ConstSamplePtr<C> a(ap), b(bp);
  const SamplePtr<C> d(dp);
  int seen = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const I128 c = a[i].re, e = a[i].im, x = b[i].re, y = b[i].im;
    const I128 den = c * c + e * e;
    if (den == 0) {
      d[i] = {T(0), T(0)};
      seen = 1;
      continue;
    }
    // |num / den| <= |b| / |a| < 2^(bits(T) + 1).
    constexpr int kMaxQ = 8 * sizeof(T) + 1;
    d[i] = {scaledQuotient<T>(c * x + e * y, den, s, kMaxQ), scaledQuotient<T>(c * y - e * x, den, s, kMaxQ)};
  }
  return seen;
}
}  // namespace

int div16scRow(const Rux16sc* a, const Rux16sc* b, Rux16sc* d, std::size_t n, int s) {
  return divComplexInt<Rux16sc, Rux16s>(a, b, d, n, s);
}

int div32scRow(const Rux32sc* a, const Rux32sc* b, Rux32sc* d, std::size_t n, int s) {
  return divComplexInt<Rux32sc, Rux32s>(a, b, d, n, s);
}

int div32fcRow(const Rux32fc* ap, const Rux32fc* bp, Rux32fc* dp, std::size_t n) {
  const ConstSamplePtr<Rux32fc> a(ap), b(bp);
  const SamplePtr<Rux32fc> d(dp);
  int seen = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const float c = a[i].re, e = a[i].im, x = b[i].re, y = b[i].im;
    const float den = c * c + e * e;
    if (den == 0.0f) seen = 1;
    const float re = (c * x + e * y) / den;
    const float im = (c * y - e * x) / den;
    d[i] = {re, im};
  }
  return seen;
}

}  // namespace rux
#endif
