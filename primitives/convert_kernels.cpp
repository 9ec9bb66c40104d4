// Vector row kernels of type conversion, compiled once per target and dispatched at run time.
//
// Each kernel is one per-vector step run over whole vectors, then over the tail one lane at a
// time with the same step (CappedTag<T, 1>), so the tail gives the same bits as the body.
// Rounding is always explicit (Round/Trunc, or exact integer shifts); float results that need
// rounding to nearest (32-bit integers to float) are rounded in integer arithmetic on the bits
// of an exact double, so the processor's rounding mode never changes a result.
#include <cmath>
#include <cstring>
#include <limits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/convert_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/convert_kernels.h"
#include "primitives/pointwise-inl.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Runs step(d, x) over [0, n): whole vectors of the tag of T, then single lanes.
template <class T, class Step>
HWY_INLINE void ForRow(std::size_t n, const Step& step) {
  const hn::ScalableTag<T> d;
  const std::size_t N = hn::Lanes(d);
  std::size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) step(d, x);
  }
  const hn::CappedTag<T, 1> d1;
  for (; x < n; ++x) step(d1, x);
}

// ---- rounding -------------------------------------------------------------------------------

// Round to nearest, ties to even, without relying on the rounding mode: truncation and the
// difference to it are exact. (The one-lane target's Round adds 0.5, which is wrong for the
// float just below 0.5.)
template <class F>
HWY_INLINE F RoundEvenScalar(F v) {
  using I = std::conditional_t<sizeof(F) == 4, std::int32_t, std::int64_t>;
  constexpr F kIntegral = sizeof(F) == 4 ? F(8388608.0) : F(4503599627370496.0);
  if (!(std::fabs(v) < kIntegral)) return v;  // already integral, infinite or NaN
  const I t = static_cast<I>(v);
  const F frac = std::fabs(v - static_cast<F>(t));
  I r = t;
  if (frac > F(0.5) || (frac == F(0.5) && (t & 1) != 0)) r += v < 0 ? -1 : 1;
  return static_cast<F>(r);
}

template <class D, class V>
HWY_INLINE V RoundEven(D d, V v) {
#if HWY_TARGET == HWY_SCALAR
  return hn::Set(d, RoundEvenScalar(hn::GetLane(v)));
#else
  (void)d;
  return hn::Round(v);
#endif
}

// Ties away from zero: |v - trunc(v)| >= 0.5 steps one away from zero (all exact).
template <class D, class V>
HWY_INLINE V RoundHalfAway(D d, V v) {
  const V t = hn::Trunc(v);
  const V frac = hn::Abs(hn::Sub(v, t));
  const V step = hn::CopySign(hn::Set(d, 1), v);
  return hn::Add(t, hn::IfThenElseZero(hn::Ge(frac, hn::Set(d, 0.5)), step));
}

template <int M, class D, class V>
HWY_INLINE V RoundBy(D d, V v) {
  if constexpr (M == 0) {
    return hn::Trunc(v);
  } else if constexpr (M == 1) {
    return RoundEven(d, v);
  } else {
    return RoundHalfAway(d, v);
  }
}

// ---- integer widening and saturating narrowing ----------------------------------------------

// Loads lanes of S and widens them exactly to the (signed, wider or equal) lane type of dw.
template <class S, class DW>
HWY_INLINE hn::Vec<DW> LoadWide(DW dw, const S* p) {
  using W = hn::TFromD<DW>;
  const hn::Rebind<S, DW> ds;
  const auto v = LoadAt(ds, p);
  if constexpr (std::is_same_v<S, W>) {
    return v;
  } else if constexpr (sizeof(W) == 8 && sizeof(S) == 4) {
    if constexpr (std::is_signed_v<S>) {
      return hn::PromoteTo(dw, v);
    } else {
      return hn::BitCast(dw, hn::PromoteTo(hn::Rebind<std::uint64_t, DW>(), v));
    }
  } else if constexpr (sizeof(W) == 8) {
    return hn::PromoteTo(dw, hn::PromoteTo(hn::Rebind<std::int32_t, DW>(), v));
  } else {
    return hn::PromoteTo(dw, v);
  }
}

template <class T>
constexpr long long minOf() {
  return static_cast<long long>(std::numeric_limits<T>::min());
}
template <class T>
constexpr long long maxOf() {
  return static_cast<long long>(std::numeric_limits<T>::max());
}

// Saturates signed lanes of dw (i32 or i64) to D and stores them.
template <class D, class DW>
HWY_INLINE void StoreSaturated(DW dw, hn::Vec<DW> v, D* p) {
  using W = hn::TFromD<DW>;
  const hn::Rebind<D, DW> dd;
  if constexpr (sizeof(W) == 4 && sizeof(D) < 4) {
    StoreAt(hn::DemoteTo(dd, v), dd, p);
  } else {
    v = hn::Min(hn::Max(v, hn::Set(dw, static_cast<W>(minOf<D>()))),
                hn::Set(dw, static_cast<W>(maxOf<D>())));
    if constexpr (sizeof(W) == sizeof(D)) {
      StoreAt(hn::BitCast(dd, v), dd, p);
    } else {
      using U = std::make_unsigned_t<D>;
      const hn::Rebind<U, DW> du;
      const auto u = hn::TruncateTo(du, hn::BitCast(hn::RebindToUnsigned<DW>(), v));
      StoreAt(hn::BitCast(dd, u), dd, p);
    }
  }
}

// Unscaled integer conversion: widening exact, narrowing with saturation.
template <class S, class D>
void IntPlainRow(const S* src, D* dst, std::size_t n) {
  if constexpr (sizeof(D) > sizeof(S)) {
    using WS = std::conditional_t<std::is_signed_v<S>, std::make_signed_t<D>, D>;
    ForRow<WS>(n, [&](auto dw, std::size_t x) {
      const hn::Rebind<S, decltype(dw)> ds;
      const hn::Rebind<D, decltype(dw)> dd;
      auto v = hn::PromoteTo(dw, LoadAt(ds, src + x));
      if constexpr (std::is_signed_v<S> && !std::is_signed_v<D>) v = hn::Max(v, hn::Zero(dw));
      StoreAt(hn::BitCast(dd, v), dd, dst + x);
    });
  } else if constexpr (sizeof(D) == sizeof(S)) {
    ForRow<S>(n, [&](auto ds, std::size_t x) {
      const hn::Rebind<D, decltype(ds)> dd;
      auto v = LoadAt(ds, src + x);
      if constexpr (std::is_signed_v<S>) {
        if constexpr (!std::is_signed_v<D>) v = hn::Max(v, hn::Zero(ds));
      } else if constexpr (std::is_signed_v<D>) {
        v = hn::Min(v, hn::Set(ds, static_cast<S>(maxOf<D>())));
      }
      StoreAt(hn::BitCast(dd, v), dd, dst + x);
    });
  } else {
    ForRow<S>(n, [&](auto ds, std::size_t x) {
      const hn::Rebind<D, decltype(ds)> dd;
      auto v = LoadAt(ds, src + x);
      if constexpr (std::is_signed_v<S>) {
        StoreAt(hn::DemoteTo(dd, v), dd, dst + x);
      } else {
        // Unsigned: cap at the destination maximum, then the signed demotion is exact.
        v = hn::Min(v, hn::Set(ds, static_cast<S>(maxOf<D>())));
        const hn::RebindToSigned<decltype(ds)> di;
        StoreAt(hn::DemoteTo(dd, hn::BitCast(di, v)), dd, dst + x);
      }
    });
  }
}

// Scaled integer conversion: saturate(round_M(v * 2^-scale)). Signed values round by their
// magnitude (mode 0 toward zero, 1 ties to even, 2 ties away from zero) and keep their sign.
template <class S, class D, int M>
void IntScaledRow(const S* src, D* dst, std::size_t n, int scale) {
  using W = std::conditional_t<sizeof(S) <= 2 && sizeof(D) <= 2, std::int32_t, std::int64_t>;
  // Beyond these shifts every result is 0 (right) or saturated (left) already.
  constexpr int kMaxShift = sizeof(W) == 4 ? 24 : 40;
  if (scale > 0) {
    const int s = scale < kMaxShift ? scale : kMaxShift;
    const W half = static_cast<W>(W(1) << (s - 1));
    ForRow<W>(n, [&](auto dw, std::size_t x) {
      const auto v = LoadWide(dw, src + x);
      const auto zero = hn::Zero(dw);
      const auto m = std::is_signed_v<S> ? hn::IfThenElse(hn::Lt(v, zero), hn::Sub(zero, v), v) : v;
      auto r = hn::ShiftRightSame(m, s);
      if constexpr (M == 1) {
        const auto odd = hn::And(r, hn::Set(dw, W(1)));
        r = hn::ShiftRightSame(hn::Add(hn::Add(m, hn::Set(dw, half - 1)), odd), s);
      } else if constexpr (M == 2) {
        r = hn::ShiftRightSame(hn::Add(m, hn::Set(dw, half)), s);
      }
      if constexpr (std::is_signed_v<S>) r = hn::IfThenElse(hn::Lt(v, zero), hn::Sub(zero, r), r);
      StoreSaturated(dw, r, dst + x);
    });
  } else {
    // Left shift with saturation decided before shifting: v > max >> k overflows the range.
    const int k = -scale < kMaxShift ? -scale : kMaxShift;
    const W hiLimit = static_cast<W>(maxOf<D>() >> k);
    const W loLimit = static_cast<W>(-((-minOf<D>()) >> k));
    ForRow<W>(n, [&](auto dw, std::size_t x) {
      const auto v = LoadWide(dw, src + x);
      auto r = hn::ShiftLeftSame(v, k);
      r = hn::IfThenElse(hn::Gt(v, hn::Set(dw, hiLimit)), hn::Set(dw, static_cast<W>(maxOf<D>())), r);
      r = hn::IfThenElse(hn::Lt(v, hn::Set(dw, loLimit)), hn::Set(dw, static_cast<W>(minOf<D>())), r);
      StoreSaturated(dw, r, dst + x);
    });
  }
}

// ---- integer to float -----------------------------------------------------------------------

template <class S>
void IntToFloatRow(const S* src, float* dst, std::size_t n) {
  if constexpr (sizeof(S) <= 2) {
    ForRow<float>(n, [&](auto df, std::size_t x) {
      const hn::Rebind<std::int32_t, decltype(df)> di;
      StoreAt(hn::ConvertTo(df, LoadWide(di, src + x)), df, dst + x);
    });
  } else {
    // Exact in double, then rounded to 24 significant bits on the bit pattern (ties to even);
    // the narrowing to float is then exact.
    ForRow<double>(n, [&](auto dd, std::size_t x) {
      const hn::RebindToUnsigned<decltype(dd)> du;
      const hn::Rebind<float, decltype(dd)> df;
      hn::Vec<decltype(dd)> v;
      if constexpr (std::is_signed_v<S>) {
        v = hn::PromoteTo(dd, LoadAt(hn::Rebind<S, decltype(dd)>(), src + x));
      } else {
        // Two exact 16-bit halves: hi * 65536 + lo is exact in double, so no step rounds.
        const hn::Rebind<std::int32_t, decltype(dd)> di;
        const auto u = hn::BitCast(di, LoadAt(hn::Rebind<S, decltype(dd)>(), src + x));
        const auto hi = hn::PromoteTo(dd, hn::BitCast(di, hn::ShiftRight<16>(hn::BitCast(hn::RebindToUnsigned<decltype(di)>(), u))));
        const auto lo = hn::PromoteTo(dd, hn::And(u, hn::Set(di, 0xFFFF)));
        v = hn::Add(hn::Mul(hi, hn::Set(dd, 65536.0)), lo);
      }
      auto bits = hn::BitCast(du, v);
      const auto odd = hn::And(hn::ShiftRight<29>(bits), hn::Set(du, 1));
      bits = hn::Add(bits, hn::Add(hn::Set(du, 0x0FFFFFFFull), odd));
      bits = hn::And(bits, hn::Set(du, ~0x1FFFFFFFull));
      StoreAt(hn::DemoteTo(df, hn::BitCast(dd, bits)), df, dst + x);
    });
  }
}

// ---- float to integer -----------------------------------------------------------------------

// Unscaled 32f to an 8- or 16-bit type in single precision: NaN -> 0, clamp, round, convert.
template <class D, int M>
void FloatToSmallRow(const float* src, D* dst, std::size_t n) {
  ForRow<float>(n, [&](auto df, std::size_t x) {
    const hn::RebindToUnsigned<decltype(df)> du;
    const hn::Rebind<std::make_unsigned_t<D>, decltype(df)> dn;
    auto v = LoadAt(df, src + x);
    // Max(NaN, lo) gives lo on every target (x86 max returns its second operand for NaN, the
    // one-lane target likewise), which is the required 0 for unsigned types.
    if constexpr (std::is_signed_v<D>) v = hn::IfThenZeroElse(hn::IsNaN(v), v);
    v = hn::Min(hn::Max(v, hn::Set(df, static_cast<float>(minOf<D>()))),
                hn::Set(df, static_cast<float>(maxOf<D>())));
    // The rounded value is an integer in [-32768, 65535]; adding 1.5 * 2^23 is exact and puts
    // it, in two's complement, in the low mantissa bits, which the truncation keeps.
    const auto biased = hn::BitCast(du, hn::Add(RoundBy<M>(df, v), hn::Set(df, 12582912.0f)));
    StoreAt(hn::TruncateTo(dn, biased), dn, reinterpret_cast<std::make_unsigned_t<D>*>(dst + x));
  });
}

// 32f to any integer type with a scale factor, in double: v * 2^-scale is exact there.
template <class D, int M>
void FloatScaledRow(const float* src, D* dst, std::size_t n, int scale) {
  // Beyond +-300 every finite non-zero float gives 0 or saturates either way.
  const int s = scale > 300 ? 300 : (scale < -300 ? -300 : scale);
  const double factor = std::ldexp(1.0, -s);
  ForRow<double>(n, [&](auto dd, std::size_t x) {
    const hn::Rebind<float, decltype(dd)> df;
    auto v = hn::PromoteTo(dd, LoadAt(df, src + x));
    v = hn::IfThenZeroElse(hn::IsNaN(v), v);
    v = hn::Mul(v, hn::Set(dd, factor));
    v = hn::Min(hn::Max(v, hn::Set(dd, static_cast<double>(minOf<D>()))),
                hn::Set(dd, static_cast<double>(maxOf<D>())));
    v = RoundBy<M>(dd, v);
    const hn::Rebind<D, decltype(dd)> dD;
    if constexpr (std::is_same_v<D, std::uint32_t>) {
      const hn::RebindToSigned<decltype(dd)> di64;
      const auto u = hn::BitCast(hn::RebindToUnsigned<decltype(dd)>(), hn::ConvertTo(di64, v));
      StoreAt(hn::TruncateTo(dD, u), dD, dst + x);
    } else {
      const hn::Rebind<std::int32_t, decltype(dd)> di;
      const auto i = hn::DemoteTo(di, v);
      if constexpr (std::is_same_v<D, std::int32_t>) {
        StoreAt(i, di, dst + x);
      } else {
        StoreAt(hn::DemoteTo(dD, i), dD, dst + x);
      }
    }
  });
}

// ---- table entry ----------------------------------------------------------------------------

template <class S, class D, int M>
void ConvertRow(const void* srcv, void* dstv, std::size_t n, int scale) {
  const S* src = static_cast<const S*>(srcv);
  D* dst = static_cast<D*>(dstv);
  if constexpr (std::is_floating_point_v<D>) {
    (void)scale;
    IntToFloatRow<S>(src, dst, n);
  } else if constexpr (std::is_floating_point_v<S>) {
    if (scale == 0 && sizeof(D) <= 2) {
      if constexpr (sizeof(D) <= 2) FloatToSmallRow<D, M>(src, dst, n);
    } else {
      FloatScaledRow<D, M>(src, dst, n, scale);
    }
  } else if (scale == 0) {
    IntPlainRow<S, D>(src, dst, n);
  } else {
    IntScaledRow<S, D, M>(src, dst, n, scale);
  }
}

template <class S, class D>
void SetConvert(ConvertKernels& k) {
  auto& slot = k.convert[sampleType<S>()][sampleType<D>()];
  if constexpr (std::is_floating_point_v<D>) {
    slot[0] = slot[1] = slot[2] = &ConvertRow<S, D, 1>;
  } else {
    slot[0] = &ConvertRow<S, D, 0>;
    slot[1] = &ConvertRow<S, D, 1>;
    slot[2] = &ConvertRow<S, D, 2>;
  }
}

template <class S, class... Ds>
void SetConvertFrom(ConvertKernels& k) {
  (SetConvert<S, Ds>(k), ...);
}

// ---- Scale: whole-range mappings ------------------------------------------------------------

// 8u to 16u and 16s: the byte repeated (s * 257), the signed form with the top bit flipped.
template <bool kSigned>
void Scale8uTo16Row(const void* srcv, void* dstv, std::size_t n) {
  const std::uint8_t* src = static_cast<const std::uint8_t*>(srcv);
  std::uint16_t* dst = static_cast<std::uint16_t*>(dstv);
  ForRow<std::uint16_t>(n, [&](auto dw, std::size_t x) {
    auto v = hn::PromoteTo(dw, LoadAt(hn::Rebind<std::uint8_t, decltype(dw)>(), src + x));
    v = hn::Or(hn::ShiftLeft<8>(v), v);
    if constexpr (kSigned) v = hn::Xor(v, hn::Set(dw, 0x8000));
    StoreAt(v, dw, dst + x);
  });
}

// 8u to 32s: the byte repeated four times with the top bit flipped (s * 16843009 - 2^31).
void Scale8uTo32sRow(const void* srcv, void* dstv, std::size_t n) {
  const std::uint8_t* src = static_cast<const std::uint8_t*>(srcv);
  std::uint32_t* dst = static_cast<std::uint32_t*>(dstv);
  ForRow<std::uint32_t>(n, [&](auto dw, std::size_t x) {
    auto v = hn::PromoteTo(dw, LoadAt(hn::Rebind<std::uint8_t, decltype(dw)>(), src + x));
    v = hn::Or(hn::ShiftLeft<8>(v), v);
    v = hn::Or(hn::ShiftLeft<16>(v), v);
    StoreAt(hn::Xor(v, hn::Set(dw, 0x80000000u)), dw, dst + x);
  });
}

// 16-bit to 8u, accurate: round((v - min) * (255 / 65535)) in single precision. The product
// is never within 2^-9 of a tie, so the rounding of the product cannot change the result.
template <class S>
void Scale16To8uAccurateRow(const void* srcv, void* dstv, std::size_t n) {
  const S* src = static_cast<const S*>(srcv);
  std::uint8_t* dst = static_cast<std::uint8_t*>(dstv);
  ForRow<float>(n, [&](auto df, std::size_t x) {
    const hn::Rebind<std::int32_t, decltype(df)> di;
    const hn::Rebind<std::uint8_t, decltype(df)> d8;
    auto i = LoadWide(di, src + x);
    if constexpr (std::is_signed_v<S>) i = hn::Add(i, hn::Set(di, 32768));
    auto f = hn::Mul(hn::ConvertTo(df, i), hn::Set(df, 255.0f / 65535.0f));
    StoreAt(hn::DemoteTo(d8, hn::ConvertTo(di, RoundEven(df, f))), d8, dst + x);
  });
}

// 16-bit to 8u, fast: ((v - (v >> 8)) >> 8) + 128 on the signed value (16u: v - 32768).
template <class S>
void Scale16To8uFastRow(const void* srcv, void* dstv, std::size_t n) {
  const S* src = static_cast<const S*>(srcv);
  std::uint8_t* dst = static_cast<std::uint8_t*>(dstv);
  ForRow<std::int16_t>(n, [&](auto di, std::size_t x) {
    const hn::Rebind<S, decltype(di)> ds;
    const hn::Rebind<std::uint8_t, decltype(di)> d8;
    auto u = LoadAt(ds, src + x);
    if constexpr (!std::is_signed_v<S>) u = hn::Xor(u, hn::Set(ds, 0x8000));
    const auto v = hn::BitCast(di, u);
    const auto r = hn::ShiftRight<8>(hn::Sub(v, hn::ShiftRight<8>(v)));
    StoreAt(hn::DemoteTo(d8, hn::Add(r, hn::Set(di, 128))), d8, dst + x);
  });
}

// 32s to 8u, accurate: v * c + 2^31 * c with c = 255 / (2^32 - 1), in double, rounded to
// nearest even. Results stay at least 2^-33 away from ties while the error is below 2^-43.
void Scale32sTo8uAccurateRow(const void* srcv, void* dstv, std::size_t n) {
  const std::int32_t* src = static_cast<const std::int32_t*>(srcv);
  std::uint8_t* dst = static_cast<std::uint8_t*>(dstv);
  const double c = 255.0 / 4294967295.0;
  const double b = 2147483648.0 * c;
  ForRow<double>(n, [&](auto dd, std::size_t x) {
    const hn::Rebind<std::int32_t, decltype(dd)> di;
    const hn::Rebind<std::uint8_t, decltype(dd)> d8;
    auto v = hn::PromoteTo(dd, LoadAt(di, src + x));
    v = hn::Add(hn::Mul(v, hn::Set(dd, c)), hn::Set(dd, b));
    StoreAt(hn::DemoteTo(d8, hn::DemoteTo(di, RoundEven(dd, v))), d8, dst + x);
  });
}

// 32s to 8u, fast: ((v - (v >> 8)) >> 24) + 128 with wrapping subtraction.
void Scale32sTo8uFastRow(const void* srcv, void* dstv, std::size_t n) {
  const std::int32_t* src = static_cast<const std::int32_t*>(srcv);
  std::uint8_t* dst = static_cast<std::uint8_t*>(dstv);
  ForRow<std::int32_t>(n, [&](auto di, std::size_t x) {
    const hn::Rebind<std::uint8_t, decltype(di)> d8;
    const auto v = LoadAt(di, src + x);
    const auto r = hn::ShiftRight<24>(hn::Sub(v, hn::ShiftRight<8>(v)));
    StoreAt(hn::DemoteTo(d8, hn::Add(r, hn::Set(di, 128))), d8, dst + x);
  });
}

void Scale8uTo32fRow(const Rux8u* src, Rux32f* dst, std::size_t n, float k, float lo) {
  ForRow<float>(n, [&](auto df, std::size_t x) {
    const hn::Rebind<std::int32_t, decltype(df)> di;
    const auto v = hn::ConvertTo(df, LoadWide(di, src + x));
    StoreAt(hn::Add(hn::Mul(v, hn::Set(df, k)), hn::Set(df, lo)), df, dst + x);
  });
}

void Scale32fTo8uRow(const Rux32f* src, Rux8u* dst, std::size_t n, float lo, float hi, float k,
                     float b) {
  ForRow<float>(n, [&](auto df, std::size_t x) {
    const hn::Rebind<std::int32_t, decltype(df)> di;
    const hn::Rebind<std::uint8_t, decltype(df)> d8;
    const auto v = LoadAt(df, src + x);
    const auto c = hn::Min(hn::Max(v, hn::Set(df, lo)), hn::Set(df, hi));
    auto r = RoundEven(df, hn::Add(hn::Mul(c, hn::Set(df, k)), hn::Set(df, b)));
    r = hn::IfThenZeroElse(hn::IsNaN(v), r);
    StoreAt(hn::DemoteTo(d8, hn::ConvertTo(di, r)), d8, dst + x);
  });
}

const ConvertKernels* GetConvertKernels() {
  static const ConvertKernels kernels = [] {
    ConvertKernels k{};
    SetConvertFrom<Rux8u, Rux8s, Rux16u, Rux16s, Rux32u, Rux32s, Rux32f>(k);
    SetConvertFrom<Rux8s, Rux8u, Rux16u, Rux16s, Rux32u, Rux32s, Rux32f>(k);
    SetConvertFrom<Rux16u, Rux8u, Rux8s, Rux16s, Rux32u, Rux32s, Rux32f>(k);
    SetConvertFrom<Rux16s, Rux8u, Rux8s, Rux16u, Rux32u, Rux32s, Rux32f>(k);
    SetConvertFrom<Rux32u, Rux8u, Rux8s, Rux16u, Rux16s, Rux32s, Rux32f>(k);
    SetConvertFrom<Rux32s, Rux8u, Rux8s, Rux16u, Rux16s, Rux32u, Rux32f>(k);
    SetConvertFrom<Rux32f, Rux8u, Rux8s, Rux16u, Rux16s, Rux32u, Rux32s>(k);
    k.scale8u16u = &Scale8uTo16Row<false>;
    k.scale8u16s = &Scale8uTo16Row<true>;
    k.scale8u32s = &Scale8uTo32sRow;
    k.scaleTo8u[kScaleFrom16u][1] = &Scale16To8uAccurateRow<std::uint16_t>;
    k.scaleTo8u[kScaleFrom16s][1] = &Scale16To8uAccurateRow<std::int16_t>;
    k.scaleTo8u[kScaleFrom32s][1] = &Scale32sTo8uAccurateRow;
    k.scaleTo8u[kScaleFrom16u][0] = &Scale16To8uFastRow<std::uint16_t>;
    k.scaleTo8u[kScaleFrom16s][0] = &Scale16To8uFastRow<std::int16_t>;
    k.scaleTo8u[kScaleFrom32s][0] = &Scale32sTo8uFastRow;
    k.scale8u32f = &Scale8uTo32fRow;
    k.scale32f8u = &Scale32fTo8uRow;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetConvertKernels);
const ConvertKernels& convertKernels() { return *HWY_DYNAMIC_DISPATCH(GetConvertKernels)(); }

namespace {
// Byte b spread over 8 bytes, most significant bit first: bit set -> 0xFF.
struct BitSpread {
  std::uint64_t bytes[256];
  constexpr BitSpread() : bytes() {
    for (int b = 0; b < 256; ++b) {
      std::uint64_t v = 0;
      for (int i = 0; i < 8; ++i) {
        if ((b >> (7 - i)) & 1) v |= std::uint64_t{0xFF} << (8 * i);  // little-endian order
      }
      bytes[b] = v;
    }
  }
};
constexpr BitSpread kBitSpread;
}  // namespace

void unpackBitsRow(const std::uint8_t* src, int bitOffset, std::uint8_t* dst, std::size_t n) {
  src += bitOffset >> 3;
  const int shift = bitOffset & 7;
  std::size_t x = 0;
  // A group of 8 pixels needs the next byte only when shifted, and then that byte holds bits
  // of the group, so nothing beyond the row's bits is read.
  for (; x + 8 <= n; x += 8) {
    unsigned b = static_cast<unsigned>(src[x >> 3]) << shift;
    if (shift != 0) b |= src[(x >> 3) + 1] >> (8 - shift);
    std::memcpy(dst + x, &kBitSpread.bytes[b & 0xFF], 8);
  }
  for (; x < n; ++x) {
    const std::size_t bit = static_cast<std::size_t>(shift) + x;
    dst[x] = ((src[bit >> 3] >> (7 - (bit & 7))) & 1) ? 0xFF : 0;
  }
}

}  // namespace rux
#endif
