// Per-target vertical kernels of the separable resampling engine (see resample_kernels.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resample_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "hwy/highway.h"
#include "primitives/pointwise-inl.h"
#include "primitives/resample_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace rux::resample {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using ::rux::HWY_NAMESPACE::LoadAt;
using ::rux::HWY_NAMESPACE::StoreAt;

// Round to nearest even without the rounding mode (the one-lane target's Round adds 0.5).
HWY_INLINE float RoundEvenScalar(float v) {
  if (!(std::fabs(v) < 8388608.0f)) return v;
  const std::int32_t t = static_cast<std::int32_t>(v);
  const float frac = std::fabs(v - static_cast<float>(t));
  std::int32_t r = t;
  if (frac > 0.5f || (frac == 0.5f && (t & 1) != 0)) r += v < 0 ? -1 : 1;
  return static_cast<float>(r);
}

template <int kRound, class D, class V>
HWY_INLINE V RoundFor(D d, V v) {
  if constexpr (kRound == kHalfUp) {
    return hn::Trunc(hn::Add(v, hn::Set(d, 0.5000001f)));
  } else {
#if HWY_TARGET == HWY_SCALAR
    return hn::Set(d, RoundEvenScalar(hn::GetLane(v)));
#else
    return hn::Round(v);
#endif
  }
}

// Sum of the taps at samples [x, x + Lanes(d)).
template <class D, class A = hn::TFromD<D>>
HWY_INLINE hn::Vec<D> TapSum(D d, const A* const* rows, const A* w, int taps, std::size_t x) {
  auto acc = hn::Mul(hn::Set(d, w[0]), LoadAt(d, rows[0] + x));
  for (int j = 1; j < taps; ++j) acc = hn::Add(acc, hn::Mul(hn::Set(d, w[j]), LoadAt(d, rows[j] + x)));
  return acc;
}

// Converts a float vector to Out with rounding and saturation (float and double pass through).
template <class Out, int kRound, class D>
HWY_INLINE auto ToOut(D d, hn::Vec<D> v) {
  using A = hn::TFromD<D>;
  if constexpr (std::is_same_v<Out, A>) {
    return v;
  } else {
    const hn::Rebind<std::int32_t, D> di;
    const hn::Rebind<Out, D> dout;
    const float lo = static_cast<float>(hwy::LowestValue<Out>()), hi = static_cast<float>(hwy::HighestValue<Out>());
    const auto r = hn::Min(hn::Max(RoundFor<kRound>(d, v), hn::Set(d, lo)), hn::Set(d, hi));
    return hn::DemoteTo(dout, hn::ConvertTo(di, r));
  }
}

// Runs span(d, x) over [0, n): whole vectors, then single lanes. With kAlpha, n counts samples of
// four-channel pixels and every fourth one keeps the destination's value.
template <bool kAlpha, class Out, class D, class Span>
HWY_INLINE void RowLoop(D d, Out* out, std::size_t n, const Span& span) {
  const hn::Rebind<Out, D> dout;
  const std::size_t N = hn::Lanes(d);
  std::size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) {
      auto v = span(d, x);
      if constexpr (kAlpha) {
        // Lanes of channel 3: sample index x + lane with (x + lane) mod 4 == 3.
        const hn::RebindToSigned<decltype(dout)> dsi;
        using SI = hn::TFromD<decltype(dsi)>;
        const auto lane = hn::Add(hn::Iota(dsi, 0), hn::Set(dsi, static_cast<SI>(x & 3)));
        const auto alpha = hn::RebindMask(dout, hn::And(lane, hn::Set(dsi, SI(3))) == hn::Set(dsi, SI(3)));
        v = hn::IfThenElse(alpha, LoadAt(dout, out + x), v);
      }
      StoreAt(v, dout, out + x);
    }
  }
  const hn::CappedTag<hn::TFromD<D>, 1> d1;
  const hn::Rebind<Out, decltype(d1)> dout1;
  for (; x < n; ++x) {
    if (kAlpha && (x & 3) == 3) continue;
    StoreAt(span(d1, x), dout1, out + x);
  }
}

template <class Out, class A, int kRound, bool kAlpha>
void Vertical(const A* const* rows, const A* w, int taps, Out* out, std::size_t n) {
  // One vector of A per vector of Out; Out vectors are narrower for the integer types.
  const hn::ScalableTag<A> d;
  RowLoop<kAlpha>(d, out, n, [&](auto dd, std::size_t x) {
    return ToOut<Out, kRound>(dd, TapSum(dd, rows, w, taps, x));
  });
}

template <bool kAlpha>
void VerticalQ14(const std::int16_t* r0, const std::int16_t* r1, int wy, std::uint8_t* out, std::size_t n) {
  const hn::ScalableTag<std::int32_t> d;
  RowLoop<kAlpha>(d, out, n, [&](auto dd, std::size_t x) {
    const hn::Rebind<std::int16_t, decltype(dd)> d16;
    const hn::Rebind<std::uint8_t, decltype(dd)> d8;
    const auto a = hn::PromoteTo(dd, LoadAt(d16, r0 + x));
    const auto b = hn::PromoteTo(dd, LoadAt(d16, r1 + x));
    auto s = hn::Add(hn::Mul(a, hn::Set(dd, 16384 - wy)), hn::Mul(b, hn::Set(dd, wy)));
    s = hn::ShiftRight<20>(hn::Add(s, hn::Set(dd, 0x80000)));
    return hn::DemoteTo(d8, s);
  });
}

template <class Out, class A>
void Lerp(const A* r0, const A* r1, A fy, Out* out, std::size_t n) {
  const hn::ScalableTag<A> d;
  RowLoop<false>(d, out, n, [&](auto dd, std::size_t x) {
    const auto a = LoadAt(dd, r0 + x);
    return ToOut<Out, kNearestEven>(dd, hn::Add(a, hn::Mul(hn::Sub(LoadAt(dd, r1 + x), a), hn::Set(dd, fy))));
  });
}

template <class Out>
constexpr VerticalSet<Out> MakeSet() {
  return {{{&Vertical<Out, float, kNearestEven, false>, &Vertical<Out, float, kNearestEven, true>},
           {&Vertical<Out, float, kHalfUp, false>, &Vertical<Out, float, kHalfUp, true>}}};
}

const RowKernels* GetRowKernels() {
  static const RowKernels table = {
      MakeSet<std::uint8_t>(),
      MakeSet<std::uint16_t>(),
      MakeSet<std::int16_t>(),
      {&Vertical<float, float, kNearestEven, false>, &Vertical<float, float, kNearestEven, true>},
      {&Vertical<double, double, kNearestEven, false>, &Vertical<double, double, kNearestEven, true>},
      {&VerticalQ14<false>, &VerticalQ14<true>},
      {&Lerp<std::uint8_t, float>, &Lerp<std::uint16_t, float>, &Lerp<std::int16_t, float>, &Lerp<float, float>,
       &Lerp<double, double>},
  };
  return &table;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux::resample
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <cmath>

#include "primitives/resample_axis.h"

namespace rux::resample {
HWY_EXPORT(GetRowKernels);

const float* lanczos3Table() {
  static const struct Table {
    float v[304];
    Table() {
      const double pi = 3.14159265358979323846;
      v[0] = 1.0f;
      // L is zero at the integers 1 and 2; sin(pi) in double is not, so those entries are set.
      for (int i = 1; i < 300; ++i) {
        const double x = i / 100.0, px = pi * x;
        v[i] = i % 100 == 0 ? 0.0f : static_cast<float>(3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px));
      }
      for (int i = 300; i < 304; ++i) v[i] = 0.0f;
    }
  } table;
  return table.v;
}

const RowKernels& rowKernels() { return *HWY_DYNAMIC_DISPATCH(GetRowKernels)(); }
}  // namespace rux::resample
#endif  // HWY_ONCE
