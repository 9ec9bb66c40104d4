// Per-target vertical kernels of the separable resampling engine (see resample_kernels.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resample_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "hwy/highway.h"
#include "primitives/pointwise-inl.h"
#include "primitives/resample_kernels.h"
#include "primitives/unaligned.h"

#ifndef RUX_RESAMPLE_SCALAR_HELPERS_
#define RUX_RESAMPLE_SCALAR_HELPERS_
namespace rux::resample::detail {
// Tail of the single-precision linear rows, outside the target regions so that the compiler
// cannot fuse the products and the sum (the engine's plain code is not fused either).
template <class T, int C>
__attribute__((noinline)) void linearTail(const T* row, const std::int32_t* first, const float* frac, float* out,
                                          std::size_t from, std::size_t n) {
  for (std::size_t x = from; x < n; ++x) {
    const float t = frac[x], w0 = 1.0f - t;
    const T* s = row + static_cast<std::ptrdiff_t>(first[x]) * C;
    for (int k = 0; k < C; ++k)
      out[x * C + k] = w0 * static_cast<float>(loadSample<T>(s + k)) + t * static_cast<float>(loadSample<T>(s + C + k));
  }
}

// Tail of the four- and six-tap rows, likewise outside the target regions.
template <int C, int NT>
__attribute__((noinline)) void tapsTail(const std::uint8_t* row, const std::int32_t* first, const float* w, float* out,
                                        std::size_t from, std::size_t n) {
  for (std::size_t x = from; x < n; ++x) {
    const std::uint8_t* s = row + static_cast<std::ptrdiff_t>(first[x]) * C;
    const float* wx = w + x * NT;
    for (int k = 0; k < C; ++k) {
      float a = wx[0] * static_cast<float>(s[k]);
      for (int j = 1; j < NT; ++j) a = a + wx[j] * static_cast<float>(s[j * C + k]);
      out[x * C + k] = a;
    }
  }
}
}  // namespace rux::resample::detail
#endif

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

// ---- horizontal passes of the linear tables, over columns whose gathers stay inside the row ----

// Byte lanes of 32-bit words.
template <int kShift, class D>
HWY_INLINE hn::Vec<D> ByteAt(D d, hn::Vec<D> g) {
  return hn::And(hn::ShiftRight<kShift>(g), hn::Set(d, 0xFF));
}

// Bytes 0-3 (lo) and, with kTwo, 4-7 (hi) at byte kStride * first[i] of the row for the N
// columns from first, read in plain code: gathers are slow on some processors.
template <int kStride, bool kTwo, class D>
HWY_INLINE void TapWords(D d, const void* rowv, const std::int32_t* first, hn::Vec<D>* lo, hn::Vec<D>* hi) {
  const hn::RebindToUnsigned<D> du;
  const auto* row = static_cast<const std::uint8_t*>(rowv);
  HWY_ALIGN std::uint32_t a[HWY_MAX_BYTES / 4], b[HWY_MAX_BYTES / 4];
  for (std::size_t i = 0; i < hn::Lanes(d); ++i) {
    const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(first[i]) * kStride;
    if constexpr (kTwo) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      a[i] = static_cast<std::uint32_t>(w);
      b[i] = static_cast<std::uint32_t>(w >> 32);
    } else {
      std::memcpy(&a[i], p, 4);
    }
  }
  *lo = hn::BitCast(d, hn::Load(du, a));
  if constexpr (kTwo) *hi = hn::BitCast(d, hn::Load(du, b));
}

// One channel: when the taps of the N columns from x all lie in the N samples that end at the
// last column's second tap, their base (both taps are then picked out of one load of those
// samples, which stay inside the row); -1 otherwise (the caller gathers).
template <class D>
HWY_INLINE std::int32_t WindowBase(D d, const std::int32_t* first, std::size_t x, hn::Vec<D>* rel) {
  const auto N = static_cast<std::int32_t>(hn::Lanes(d));
  const std::int32_t base = first[x + static_cast<std::size_t>(N) - 1] + 2 - N;
  *rel = hn::Sub(hn::LoadU(d, first + x), hn::Set(d, base));
  const bool inside = base >= 0 && hn::AllTrue(d, *rel > hn::Set(d, -1)) && hn::AllTrue(d, *rel < hn::Set(d, N - 1));
  return inside ? base : -1;
}

// 8u linear in Q14: out[i * C + k] = ((16384 - w) * s[f * C + k] + w * s[f * C + C + k] + 128) >> 8 with
// f = first[i], w = frac[i]. Gathers read 4 bytes at each tap's first sample (C1, C3) or each
// tap's pixel (C4), which the caller keeps inside the row.
template <int C>
void HorizontalQ14(const std::uint8_t* row, const std::int32_t* first, const std::int16_t* frac, std::int16_t* out,
                   std::size_t n) {
  const hn::ScalableTag<std::int32_t> d;
  const hn::Rebind<std::int16_t, decltype(d)> d16;
  const std::size_t N = hn::Lanes(d);
  std::size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) {
      const auto w1 = hn::PromoteTo(d, hn::LoadU(d16, frac + x));
      const auto w0 = hn::Sub(hn::Set(d, 16384), w1);
      const auto lerp = [&](hn::Vec<decltype(d)> p0, hn::Vec<decltype(d)> p1) {
        return hn::DemoteTo(d16, hn::ShiftRight<8>(hn::Add(hn::Add(hn::Mul(w0, p0), hn::Mul(w1, p1)), hn::Set(d, 128))));
      };
      if constexpr (C == 1) {
        hn::Vec<decltype(d)> rel;
        const std::int32_t at = HWY_TARGET == HWY_SCALAR ? -1 : WindowBase(d, first, x, &rel);
        if (at >= 0) {
          const auto win = hn::PromoteTo(d, hn::LoadU(hn::Rebind<std::uint8_t, decltype(d)>(), row + at));
          const auto p0 = hn::TableLookupLanes(win, hn::IndicesFromVec(d, rel));
          const auto p1 = hn::TableLookupLanes(win, hn::IndicesFromVec(d, hn::Add(rel, hn::Set(d, 1))));
          hn::StoreU(lerp(p0, p1), d16, out + x);
          continue;
        }
        hn::Vec<decltype(d)> g;
        TapWords<1, false>(d, row, first + x, &g, &g);
        hn::StoreU(lerp(ByteAt<0>(d, g), ByteAt<8>(d, g)), d16, out + x);
      } else if constexpr (C == 3) {
        // Both tap pixels of a column in one 64-bit word (two bytes past the second pixel).
        hn::Vec<decltype(d)> a, b;
        TapWords<3, true>(d, row, first + x, &a, &b);
        hn::StoreInterleaved3(lerp(ByteAt<0>(d, a), ByteAt<24>(d, a)), lerp(ByteAt<8>(d, a), ByteAt<0>(d, b)),
                              lerp(ByteAt<16>(d, a), ByteAt<8>(d, b)), d16, out + 3 * x);
      } else {
        hn::Vec<decltype(d)> a, b;
        TapWords<4, true>(d, row, first + x, &a, &b);
        hn::StoreInterleaved4(lerp(ByteAt<0>(d, a), ByteAt<0>(d, b)), lerp(ByteAt<8>(d, a), ByteAt<8>(d, b)),
                              lerp(ByteAt<16>(d, a), ByteAt<16>(d, b)), lerp(ByteAt<24>(d, a), ByteAt<24>(d, b)), d16,
                              out + 4 * x);
      }
    }
  }
  for (; x < n; ++x) {
    const int w1 = frac[x], w0 = 16384 - w1;
    const std::uint8_t* s = row + static_cast<std::ptrdiff_t>(first[x]) * C;
    for (int k = 0; k < C; ++k) out[x * C + k] = static_cast<std::int16_t>((w0 * s[k] + w1 * s[C + k] + 128) >> 8);
  }
}

// Linear rows in single precision: out[i * C + k] = (1 - t) * s[f * C + k] + t * s[f * C + C + k] with
// f = first[i], t = frac[i] (the plain expression of the engine). 8u columns read both tap
// pixels as one word (one channel) or one 64-bit word in plain code, one-channel 16-bit and float
// columns both taps as one word or 64-bit word; other 16-bit samples are gathered as 32-bit
// words, floats one by one (the word at each tap must lie inside the row).
template <class T, int C>
void HorizontalLinear(const T* row, const std::int32_t* first, const float* frac, float* out, std::size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const std::size_t N = hn::Lanes(df);
  // 32-bit words at byte offsets (rows may sit at any byte address).
  const auto sample = [&](hn::Vec<decltype(di)> index) {
    const auto* base = reinterpret_cast<const std::int32_t*>(row);
    if constexpr (std::is_same_v<T, float>) {
      return hn::BitCast(df, hn::GatherOffset(di, base, hn::ShiftLeft<2>(index)));
    } else {
      const auto g = hn::GatherOffset(di, base, hn::ShiftLeft<1>(index));
      if constexpr (std::is_signed_v<T>) return hn::ConvertTo(df, hn::ShiftRight<16>(hn::ShiftLeft<16>(g)));
      else return hn::ConvertTo(df, hn::And(g, hn::Set(di, 0xFFFF)));
    }
  };
  std::size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) {
      const auto t = hn::LoadU(df, frac + x), w0 = hn::Sub(hn::Set(df, 1.0f), t);
      if constexpr (C == 1) {
        hn::Vec<decltype(di)> rel;
        const std::int32_t at = HWY_TARGET == HWY_SCALAR ? -1 : WindowBase(di, first, x, &rel);
        if (at >= 0) {
          hn::Vec<decltype(df)> win;
          if constexpr (std::is_same_v<T, float>) win = LoadAt(df, row + at);
          else win = hn::ConvertTo(df, hn::PromoteTo(di, LoadAt(hn::Rebind<T, decltype(di)>(), row + at)));
          const auto p0 = hn::TableLookupLanes(win, hn::IndicesFromVec(df, rel));
          const auto p1 = hn::TableLookupLanes(win, hn::IndicesFromVec(df, hn::Add(rel, hn::Set(di, 1))));
          hn::StoreU(hn::Add(hn::Mul(w0, p0), hn::Mul(t, p1)), df, out + x);
          continue;
        }
      }
      hn::Vec<decltype(df)> r[C];
      if constexpr (std::is_same_v<T, std::uint8_t>) {
        // Both tap pixels of a column in one word (one channel) or one 64-bit word.
        hn::Vec<decltype(di)> a, b;
        TapWords<C, C != 1>(di, row, first + x, &a, &b);
        const auto lerp = [&](hn::Vec<decltype(di)> p0, hn::Vec<decltype(di)> p1) {
          return hn::Add(hn::Mul(w0, hn::ConvertTo(df, p0)), hn::Mul(t, hn::ConvertTo(df, p1)));
        };
        if constexpr (C == 1) {
          r[0] = lerp(ByteAt<0>(di, a), ByteAt<8>(di, a));
        } else if constexpr (C == 3) {
          r[0] = lerp(ByteAt<0>(di, a), ByteAt<24>(di, a));
          r[1] = lerp(ByteAt<8>(di, a), ByteAt<0>(di, b));
          r[2] = lerp(ByteAt<16>(di, a), ByteAt<8>(di, b));
        } else {
          r[0] = lerp(ByteAt<0>(di, a), ByteAt<0>(di, b));
          r[1] = lerp(ByteAt<8>(di, a), ByteAt<8>(di, b));
          r[2] = lerp(ByteAt<16>(di, a), ByteAt<16>(di, b));
          r[3] = lerp(ByteAt<24>(di, a), ByteAt<24>(di, b));
        }
      } else if constexpr (C == 1 && std::is_same_v<T, float>) {
        // Both taps as one 64-bit word.
        hn::Vec<decltype(di)> a, b;
        TapWords<4, true>(di, row, first + x, &a, &b);
        r[0] = hn::Add(hn::Mul(w0, hn::BitCast(df, a)), hn::Mul(t, hn::BitCast(df, b)));
      } else if constexpr (C == 1) {
        // Both 16-bit taps as one word.
        hn::Vec<decltype(di)> g;
        TapWords<2, false>(di, row, first + x, &g, &g);
        const auto p0 = std::is_signed_v<T> ? hn::ShiftRight<16>(hn::ShiftLeft<16>(g)) : hn::And(g, hn::Set(di, 0xFFFF));
        const auto p1 = std::is_signed_v<T> ? hn::ShiftRight<16>(g) : hn::BitCast(di, hn::ShiftRight<16>(hn::BitCast(hn::RebindToUnsigned<decltype(di)>(), g)));
        r[0] = hn::Add(hn::Mul(w0, hn::ConvertTo(df, p0)), hn::Mul(t, hn::ConvertTo(df, p1)));
      } else {
        const auto f = hn::Mul(hn::LoadU(di, first + x), hn::Set(di, C));
        for (int k = 0; k < C; ++k) {
          const auto i0 = hn::Add(f, hn::Set(di, k));
          r[k] = hn::Add(hn::Mul(w0, sample(i0)), hn::Mul(t, sample(hn::Add(i0, hn::Set(di, C)))));
        }
      }
      if constexpr (C == 1) hn::StoreU(r[0], df, out + x);
      else if constexpr (C == 3) hn::StoreInterleaved3(r[0], r[1], r[2], df, out + 3 * x);
      else hn::StoreInterleaved4(r[0], r[1], r[2], r[3], df, out + 4 * x);
    }
  }
  detail::linearTail<T, C>(row, first, frac, out, x, n);
}

// Four- and six-tap rows of bytes in blocks: per column the taps' T C bytes read in plain code as
// 32-bit words into small arrays (the last word ends at the last byte, so no read passes it) and
// the weights transposed beside them; the sums formed in vectors, one product and one addition
// per tap in the plain order.
template <int C, int NT>
void HorizontalTaps(const std::uint8_t* row, const std::int32_t* first, const float* w, float* out, std::size_t n) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const std::size_t N = hn::Lanes(df);
  constexpr int kBytes = NT * C, kWords = (kBytes + 3) / 4;
  // Byte offset of word v in the window, and word and shift of byte b.
  constexpr auto start = [](int v) { return v == kWords - 1 ? kBytes - 4 : 4 * v; };
  constexpr std::size_t kBlock = 64;
  HWY_ALIGN std::int32_t win[kWords][kBlock];
  HWY_ALIGN float wt[NT][kBlock];
  std::size_t x = 0;
  while (n - x >= N) {
    const std::size_t m = std::min(kBlock, (n - x) / N * N);
    for (std::size_t i = 0; i < m; ++i) {
      const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(first[x + i]) * C;
      for (int v = 0; v < kWords; ++v) std::memcpy(&win[v][i], p + start(v), 4);
      float taps[NT];
      std::memcpy(taps, w + (x + i) * NT, sizeof(taps));
      for (int j = 0; j < NT; ++j) wt[j][i] = taps[j];
    }
    for (std::size_t j = 0; j < m; j += N) {
      // Byte b of a column's window (tap b / C, channel b % C).
      const auto sample = [&](int b) {
        const int v = b / 4;
        const auto g = hn::Load(di, win[v] + j);
        return hn::ConvertTo(df, hn::And(hn::ShiftRightSame(g, 8 * (b - start(v))), hn::Set(di, 0xFF)));
      };
      hn::Vec<decltype(df)> r[C];
      for (int k = 0; k < C; ++k) {
        auto a = hn::Mul(hn::Load(df, wt[0] + j), sample(k));
        for (int t = 1; t < NT; ++t) a = hn::Add(a, hn::Mul(hn::Load(df, wt[t] + j), sample(t * C + k)));
        r[k] = a;
      }
      float* o = out + (x + j) * C;
      if constexpr (C == 1) hn::StoreU(r[0], df, o);
      else if constexpr (C == 2) hn::StoreInterleaved2(r[0], r[1], df, o);
      else if constexpr (C == 3) hn::StoreInterleaved3(r[0], r[1], r[2], df, o);
      else hn::StoreInterleaved4(r[0], r[1], r[2], r[3], df, o);
    }
    x += m;
  }
  detail::tapsTail<C, NT>(row, first, w, out, x, n);
}

constexpr TapsSet MakeTaps() {
  return {{{&HorizontalTaps<1, 4>, &HorizontalTaps<2, 4>, &HorizontalTaps<3, 4>, &HorizontalTaps<4, 4>},
           {&HorizontalTaps<1, 6>, &HorizontalTaps<2, 6>, &HorizontalTaps<3, 6>, &HorizontalTaps<4, 6>}}};
}

template <class T>
constexpr LinearSet<T> MakeLinear() {
  return {{&HorizontalLinear<T, 1>, &HorizontalLinear<T, 3>, &HorizontalLinear<T, 4>}};
}

template <class Out>
constexpr VerticalSet<Out> MakeSet() {
  return {{{&Vertical<Out, float, kNearestEven, false>, &Vertical<Out, float, kNearestEven, true>},
           {&Vertical<Out, float, kHalfUp, false>, &Vertical<Out, float, kHalfUp, true>}}};
}

// out[i] = (a[2i] + a[2i + 1] + b[2i] + b[2i + 1] + 2) >> 2 for i < n: each pixel pair read as
// one 16-bit lane.
void Halve8u(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::uint16_t> d16;
  const hn::Repartition<std::uint8_t, decltype(d16)> d8;
  const hn::RebindToSigned<decltype(d16)> di16;
  const hn::Rebind<std::uint8_t, decltype(d16)> d8h;
  const std::size_t N = hn::Lanes(d16);
  const auto low = hn::Set(d16, 0xFF), two = hn::Set(d16, 2);
  for (; i + N <= n; i += N) {
    const auto va = hn::BitCast(d16, hn::LoadU(d8, a + 2 * i));
    const auto vb = hn::BitCast(d16, hn::LoadU(d8, b + 2 * i));
    auto sum = hn::Add(hn::And(va, low), hn::ShiftRight<8>(va));
    sum = hn::Add(sum, hn::Add(hn::And(vb, low), hn::ShiftRight<8>(vb)));
    // At most 255 per lane: the signed demotion is exact.
    hn::StoreU(hn::DemoteTo(d8h, hn::BitCast(di16, hn::ShiftRight<2>(hn::Add(sum, two)))), d8h, out + i);
  }
#endif
  for (; i < n; ++i) out[i] = static_cast<std::uint8_t>((a[2 * i] + a[2 * i + 1] + b[2 * i] + b[2 * i + 1] + 2) >> 2);
}

#if HWY_TARGET != HWY_SCALAR
// Sums of adjacent byte pairs of a and b (2 x 2 blocks of one channel plane), rounded and halved
// twice: (sum + 2) >> 2 in the half-width byte vector.
template <class D8>
HWY_INLINE hn::Vec<hn::Half<D8>> QuarterOfPairs(D8 d8, hn::Vec<D8> a, hn::Vec<D8> b) {
  const hn::Repartition<std::uint16_t, D8> d16;
  const hn::RebindToSigned<decltype(d16)> di16;
  const hn::Half<D8> d8h;
  const auto low = hn::Set(d16, 0xFF);
  const auto va = hn::BitCast(d16, a), vb = hn::BitCast(d16, b);
  auto sum = hn::Add(hn::And(va, low), hn::ShiftRight<8>(va));
  sum = hn::Add(sum, hn::Add(hn::And(vb, low), hn::ShiftRight<8>(vb)));
  return hn::DemoteTo(d8h, hn::BitCast(di16, hn::ShiftRight<2>(hn::Add(sum, hn::Set(d16, 2)))));
}
#endif

// Three or four channels: the pixels split into channel planes, each plane halved as one
// channel, and the halves interleaved again.
template <int C>
void HalvePixels8u(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::uint8_t> d8;
  const hn::Half<decltype(d8)> d8h;
  const std::size_t H = hn::Lanes(d8) / 2;  // destination pixels per step
  for (; i + H <= n; i += H) {
    hn::Vec<decltype(d8)> pa[4], pb[4];
    if constexpr (C == 3) {
      hn::LoadInterleaved3(d8, a + 2 * i * C, pa[0], pa[1], pa[2]);
      hn::LoadInterleaved3(d8, b + 2 * i * C, pb[0], pb[1], pb[2]);
      hn::StoreInterleaved3(QuarterOfPairs(d8, pa[0], pb[0]), QuarterOfPairs(d8, pa[1], pb[1]),
                            QuarterOfPairs(d8, pa[2], pb[2]), d8h, out + i * C);
    } else {
      hn::LoadInterleaved4(d8, a + 2 * i * C, pa[0], pa[1], pa[2], pa[3]);
      hn::LoadInterleaved4(d8, b + 2 * i * C, pb[0], pb[1], pb[2], pb[3]);
      hn::StoreInterleaved4(QuarterOfPairs(d8, pa[0], pb[0]), QuarterOfPairs(d8, pa[1], pb[1]),
                            QuarterOfPairs(d8, pa[2], pb[2]), QuarterOfPairs(d8, pa[3], pb[3]), d8h, out + i * C);
    }
  }
#endif
  for (; i < n; ++i)
    for (int k = 0; k < C; ++k) {
      const std::size_t p = 2 * i * C + k;
      out[i * C + k] = static_cast<std::uint8_t>((a[p] + a[p + C] + b[p] + b[p + C] + 2) >> 2);
    }
}

#if HWY_TARGET != HWY_SCALAR
// Samples s[2i] and s[2i + 1] of N columns as two float vectors.
template <class T, class DF>
HWY_INLINE void EvenOdd(DF df, const T* s, hn::Vec<DF>* even, hn::Vec<DF>* odd) {
  if constexpr (std::is_same_v<T, float>) {
    hn::LoadInterleaved2(df, s, *even, *odd);
  } else {
    const hn::Rebind<T, DF> dt;
    const hn::RebindToSigned<DF> di;
    hn::Vec<decltype(dt)> e, o;
    hn::LoadInterleaved2(dt, s, e, o);
    *even = hn::ConvertTo(df, hn::PromoteTo(di, e));
    *odd = hn::ConvertTo(df, hn::PromoteTo(di, o));
  }
}

template <class T>
void Stride2(const T* row, const float* w, int taps, float* out, std::size_t n) {
  const hn::ScalableTag<float> df;
  const std::size_t N = hn::Lanes(df);
  std::size_t x = 0;
  for (; x + N <= n; x += N) {
    const T* s = row + 2 * x;
    hn::Vec<decltype(df)> acc = hn::Zero(df);
    for (int j = 0; j < taps; j += 2) {
      hn::Vec<decltype(df)> even, odd;
      EvenOdd(df, s + j, &even, &odd);
      const auto t0 = hn::Mul(hn::Set(df, w[j]), even);
      acc = j == 0 ? t0 : hn::Add(acc, t0);
      if (j + 1 < taps) acc = hn::Add(acc, hn::Mul(hn::Set(df, w[j + 1]), odd));
    }
    hn::StoreU(acc, df, out + x);
  }
  for (; x < n; ++x) {
    const T* s = row + 2 * x;
    float a = w[0] * static_cast<float>(loadSample<T>(s));
    for (int j = 1; j < taps; ++j) a = a + w[j] * static_cast<float>(loadSample<T>(s + j));
    out[x] = a;
  }
}

void GatherBytes(const std::uint8_t* src, const ByteBlock* blocks, std::size_t count, std::uint8_t* dst) {
  const hn::Full128<std::uint8_t> d;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* s = src + blocks[i].base;
    const auto lo = hn::TableLookupBytesOr0(hn::LoadU(d, s), hn::LoadU(d, blocks[i].lo));
    const auto hi = hn::TableLookupBytesOr0(hn::LoadU(d, s + 16), hn::LoadU(d, blocks[i].hi));
    hn::StoreU(hn::Or(lo, hi), d, dst + 16 * i);
  }
}
#endif

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
      {&HorizontalQ14<1>, &HorizontalQ14<3>, &HorizontalQ14<4>},
      MakeLinear<std::uint8_t>(),
      MakeLinear<std::uint16_t>(),
      MakeLinear<std::int16_t>(),
      MakeLinear<float>(),
#if HWY_TARGET == HWY_SCALAR
      {},
#else
      MakeTaps(),
#endif
      {&Halve8u, &HalvePixels8u<3>, &HalvePixels8u<4>},
#if HWY_TARGET == HWY_SCALAR
      {nullptr, nullptr, nullptr, nullptr},
      nullptr,
#else
      {&Stride2<std::uint8_t>, &Stride2<std::uint16_t>, &Stride2<std::int16_t>, &Stride2<float>},
      &GatherBytes,
#endif
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
