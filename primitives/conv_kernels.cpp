// Vector row kernels of the linear filters, compiled once per target.
//
// Taps: blocks of four vectors of outputs keep their sums in registers over all taps; weights 1
// and -1 add or subtract (the same bits as the product for every type). The products of a
// sample are formed after converting it to the accumulator type, so body, one-vector remainder
// and scalar tail give identical results. Rounding uses the explicit rounding instructions, so
// the caller's floating-point rounding mode plays no part.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/conv_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/unaligned.h"
#include "primitives/conv_kernels.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace conv {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Lanes(d) samples of type S at p, converted to the lane type of d.
template <class D, class S>
HWY_INLINE hn::Vec<D> LoadAs(D d, const unsigned char* p) {
  using A = hn::TFromD<D>;
  const S* s = reinterpret_cast<const S*>(p);
  if constexpr (std::is_same_v<S, A>) {
    return hn::LoadU(d, s);
  } else if constexpr (std::is_same_v<A, float>) {
    const hn::RebindToSigned<D> di;
    return hn::ConvertTo(d, LoadAs<decltype(di), S>(di, p));
  } else {
    const hn::Rebind<S, D> ds;
    return hn::PromoteTo(d, hn::LoadU(ds, s));
  }
}

template <class V, class A>
HWY_INLINE V Accumulate(V acc, V v, A w, V wv) {
  if (w == A(1)) return hn::Add(acc, v);
  if (w == A(-1)) return hn::Sub(acc, v);
  return hn::Add(acc, hn::Mul(wv, v));
}

// One output of the plain loop: the reference every vector path reproduces.
template <class S, class A>
HWY_INLINE A TapsOne(const unsigned char* base, const std::ptrdiff_t* off, const A* w, int taps,
                     std::size_t i) {
  if constexpr (std::is_integral_v<A>) {
    using U = std::make_unsigned_t<A>;
    U acc = 0;
    for (int t = 0; t < taps; ++t)
      acc = static_cast<U>(acc + static_cast<U>(w[t]) *
                                     static_cast<U>(static_cast<A>(loadSample<S>(base + off[t] + i * sizeof(S)))));
    return static_cast<A>(acc);
  } else {
    A acc = 0;
    for (int t = 0; t < taps; ++t) {
      const A prod = w[t] * static_cast<A>(loadSample<S>(base + off[t] + i * sizeof(S)));
      acc = acc + prod;
    }
    return acc;
  }
}

template <class S, class A>
void Taps(const unsigned char* base, const std::ptrdiff_t* off, const void* wv, int taps, std::size_t n,
          void* outv) {
  const A* w = static_cast<const A*>(wv);
  A* HWY_RESTRICT out = static_cast<A*>(outv);
  std::size_t i = 0;
  if constexpr (!std::is_same_v<A, std::int64_t>) {
    const hn::ScalableTag<A> d;
    const std::size_t N = hn::Lanes(d);
    constexpr std::size_t kS = sizeof(S);
    for (; i + 4 * N <= n; i += 4 * N) {
      auto a0 = hn::Zero(d), a1 = a0, a2 = a0, a3 = a0;
      for (int t = 0; t < taps; ++t) {
        const unsigned char* p = base + off[t] + i * kS;
        const A k = w[t];
        const auto kv = hn::Set(d, k);
        a0 = Accumulate(a0, LoadAs<decltype(d), S>(d, p), k, kv);
        a1 = Accumulate(a1, LoadAs<decltype(d), S>(d, p + N * kS), k, kv);
        a2 = Accumulate(a2, LoadAs<decltype(d), S>(d, p + 2 * N * kS), k, kv);
        a3 = Accumulate(a3, LoadAs<decltype(d), S>(d, p + 3 * N * kS), k, kv);
      }
      hn::StoreU(a0, d, out + i);
      hn::StoreU(a1, d, out + i + N);
      hn::StoreU(a2, d, out + i + 2 * N);
      hn::StoreU(a3, d, out + i + 3 * N);
    }
    for (; i + N <= n; i += N) {
      auto a = hn::Zero(d);
      for (int t = 0; t < taps; ++t)
        a = Accumulate(a, LoadAs<decltype(d), S>(d, base + off[t] + i * kS), w[t], hn::Set(d, w[t]));
      hn::StoreU(a, d, out + i);
    }
  }
  for (; i < n; ++i) out[i] = TapsOne<S, A>(base, off, w, taps, i);
}

// Float sums to integer samples: scale, round by mode, clamp to the range of D, convert.
template <class D>
void RoundTo(const float* s, float scale, void* outv, std::size_t n, int mode) {
  D* out = static_cast<D*>(outv);
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::Rebind<D, decltype(df)> dd;
  const std::size_t N = hn::Lanes(df);
  const auto lo = hn::Set(df, static_cast<float>(std::numeric_limits<D>::min()));
  const auto hi = hn::Set(df, static_cast<float>(std::numeric_limits<D>::max()));
  const auto k = hn::Set(df, scale);
  const auto rounded = [mode](auto d, auto v) {
    if (mode == 0) return hn::Trunc(v);
    if (mode == 1) return hn::Round(v);
    const auto t = hn::Trunc(v);
    return hn::IfThenElse(hn::Ge(hn::Abs(hn::Sub(v, t)), hn::Set(d, 0.5f)),
                          hn::Add(t, hn::CopySign(hn::Set(d, 1.0f), v)), t);
  };
  std::size_t i = 0;
  for (; i + N <= n; i += N) {
    const auto v = rounded(df, hn::Mul(hn::LoadU(df, s + i), k));
    const auto c = hn::ConvertTo(di, hn::Min(hn::Max(v, lo), hi));
    hn::StoreU(hn::DemoteTo(dd, c), dd, out + i);
  }
  const hn::CappedTag<float, 1> d1;
  constexpr float kLo = static_cast<float>(std::numeric_limits<D>::min());
  constexpr float kHi = static_cast<float>(std::numeric_limits<D>::max());
  for (; i < n; ++i) {
    const float v = hn::GetLane(rounded(d1, hn::Mul(hn::Set(d1, s[i]), hn::Set(d1, scale))));
    out[i] = static_cast<D>(static_cast<int>(v < kLo ? kLo : (v > kHi ? kHi : v)));
  }
}

// Integer sums to integer samples: the nearest-even quotient by 2^k, saturated by the demotion.
template <class A, class D>
void ShiftTo(const void* sv, void* outv, std::size_t n, int k) {
  const A* s = static_cast<const A*>(sv);
  D* out = static_cast<D*>(outv);
  const hn::ScalableTag<A> da;
  const hn::Rebind<D, decltype(da)> dd;
  const std::size_t N = hn::Lanes(da);
  const A mask = static_cast<A>((1 << k) - 1), bias = static_cast<A>(k > 0 ? (1 << (k - 1)) - 1 : 0);
  std::size_t i = 0;
  for (; i + N <= n; i += N) {
    auto v = hn::LoadU(da, s + i);
    if (k > 0) {
      const auto q = hn::ShiftRightSame(v, k);
      const auto r = hn::And(v, hn::Set(da, mask));
      v = hn::Add(q, hn::ShiftRightSame(hn::Add(hn::Add(r, hn::Set(da, bias)), hn::And(q, hn::Set(da, A(1)))), k));
    }
    if constexpr (std::is_same_v<A, D>) {
      hn::StoreU(v, da, out + i);
    } else {
      hn::StoreU(hn::DemoteTo(dd, v), dd, out + i);
    }
  }
  for (; i < n; ++i) {
    std::int32_t v = s[i];
    if (k > 0) {
      const std::int32_t q = v >> k;
      v = q + (((v & mask) + bias + (q & 1)) >> k);
    }
    v = v < std::numeric_limits<D>::min() ? std::numeric_limits<D>::min() : v;
    out[i] = static_cast<D>(v > std::numeric_limits<D>::max() ? std::numeric_limits<D>::max() : v);
  }
}

// The quotient is taken in float and corrected by one step either way, which makes it exact
// (sums stay below 2^31, quotients below 256).
void BilateralRow(const std::uint8_t* centre, const std::ptrdiff_t* off, const std::int32_t* tables, int taps,
                  std::size_t n, std::uint8_t* out) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::int32_t> d;
  const hn::Rebind<std::uint8_t, decltype(d)> d8;
  const hn::Rebind<float, decltype(d)> df;
  const std::size_t N = hn::Lanes(d);
  for (; i + N <= n; i += N) {
    const auto c = hn::PromoteTo(d, hn::LoadU(d8, centre + i));
    auto num = hn::Zero(d), den = hn::Zero(d);
    for (int t = 0; t < taps; ++t) {
      const auto v = hn::PromoteTo(d, hn::LoadU(d8, centre + off[t] + i));
      const auto w = hn::GatherIndex(d, tables + static_cast<std::size_t>(t) * 256, hn::Abs(hn::Sub(v, c)));
      num = hn::Add(num, hn::Mul(w, v));
      den = hn::Add(den, w);
    }
    num = hn::Add(num, hn::ShiftRight<1>(den));
    auto q = hn::ConvertTo(d, hn::Div(hn::ConvertTo(df, num), hn::ConvertTo(df, den)));
    q = hn::IfThenElse(hn::Gt(hn::Mul(q, den), num), hn::Sub(q, hn::Set(d, 1)), q);
    q = hn::IfThenElse(hn::Gt(hn::Mul(hn::Add(q, hn::Set(d, 1)), den), num), q, hn::Add(q, hn::Set(d, 1)));
    hn::StoreU(hn::DemoteTo(d8, q), d8, out + i);
  }
#endif
  for (; i < n; ++i) {
    const int c = centre[i];
    std::int64_t num = 0, den = 0;
    for (int t = 0; t < taps; ++t) {
      const int v = centre[static_cast<std::ptrdiff_t>(i) + off[t]];
      const std::int32_t w = tables[static_cast<std::size_t>(t) * 256 + static_cast<unsigned>(v > c ? v - c : c - v)];
      num += static_cast<std::int64_t>(w) * v;
      den += w;
    }
    out[i] = static_cast<std::uint8_t>((num + den / 2) / den);
  }
}

void BilateralWeights(const std::uint8_t* row, std::ptrdiff_t off, const std::int32_t* table, std::size_t n,
                      std::uint16_t* out) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::int32_t> d;
  const hn::Rebind<std::uint8_t, decltype(d)> d8;
  const hn::Rebind<std::uint16_t, decltype(d)> d16;
  const std::size_t N = hn::Lanes(d);
  for (; i + N <= n; i += N) {
    const auto c = hn::PromoteTo(d, hn::LoadU(d8, row + i));
    const auto v = hn::PromoteTo(d, hn::LoadU(d8, row + off + i));
    hn::StoreU(hn::DemoteTo(d16, hn::GatherIndex(d, table, hn::Abs(hn::Sub(v, c)))), d16, out + i);
  }
#endif
  for (; i < n; ++i) {
    const int c = row[i], v = row[static_cast<std::ptrdiff_t>(i) + off];
    out[i] = static_cast<std::uint16_t>(table[v > c ? v - c : c - v]);
  }
}

void BilateralWeights2(const std::uint8_t* row, std::ptrdiff_t offA, std::ptrdiff_t offB, const std::int32_t* table,
                       int zA, int zB, std::size_t n, std::uint16_t* outA, std::uint16_t* outB) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::int32_t> d;
  const hn::Rebind<std::uint8_t, decltype(d)> d8;
  const hn::Rebind<std::uint16_t, decltype(d)> d16;
  const std::size_t N = hn::Lanes(d);
  const auto za = hn::Set(d, zA), zb = hn::Set(d, zB), rowLen = hn::Set(d, zB + 1), low = hn::Set(d, 0xFFFF);
  for (; i + N <= n; i += N) {
    const auto c = hn::PromoteTo(d, hn::LoadU(d8, row + i));
    const auto a = hn::Min(hn::Abs(hn::Sub(hn::PromoteTo(d, hn::LoadU(d8, row + offA + i)), c)), za);
    const auto b = hn::Min(hn::Abs(hn::Sub(hn::PromoteTo(d, hn::LoadU(d8, row + offB + i)), c)), zb);
    const auto t = hn::GatherIndex(d, table, hn::Add(hn::Mul(a, rowLen), b));
    hn::StoreU(hn::DemoteTo(d16, hn::And(t, low)), d16, outA + i);
    hn::StoreU(hn::DemoteTo(d16, hn::And(hn::ShiftRight<16>(t), low)), d16, outB + i);
  }
#endif
  for (; i < n; ++i) {
    const int c = row[i], va = row[static_cast<std::ptrdiff_t>(i) + offA], vb = row[static_cast<std::ptrdiff_t>(i) + offB];
    const int a = std::min(va > c ? va - c : c - va, zA), b = std::min(vb > c ? vb - c : c - vb, zB);
    const auto t = static_cast<std::uint32_t>(table[a * (zB + 1) + b]);
    outA[i] = static_cast<std::uint16_t>(t & 0xFFFF);
    outB[i] = static_cast<std::uint16_t>(t >> 16);
  }
}

// Weights looked up per 128-bit block in tables of 16 entries: the entry within a block from the
// low four bits of the index, the block of 16 chosen by comparing the index with its bounds.
// One instantiation per block count keeps the tables in registers.
template <int kBlocks>
void WeightsInBlocks(const std::uint8_t* row, std::ptrdiff_t off, const std::uint8_t* lo, const std::uint8_t* hi,
                     int z, std::size_t n, std::uint16_t* out) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::uint8_t> d8;
  const hn::Half<decltype(d8)> d8h;
  const hn::Repartition<std::uint16_t, decltype(d8)> d16;
  const std::size_t N = hn::Lanes(d8), H = N / 2;
  const auto cap = hn::Set(d8, static_cast<std::uint8_t>(z)), nibble = hn::Set(d8, 15);
  hn::Vec<decltype(d8)> tl[kBlocks], th[kBlocks], bound[kBlocks];
  for (int b = 0; b < kBlocks; ++b) {
    tl[b] = hn::LoadDup128(d8, lo + 16 * b);
    th[b] = hn::LoadDup128(d8, hi + 16 * b);
    bound[b] = hn::Set(d8, static_cast<std::uint8_t>(b == 0 ? 0 : 16 * b - 1));
  }
  for (; i + N <= n; i += N) {
    const auto c = hn::LoadU(d8, row + i), v = hn::LoadU(d8, row + off + i);
    const auto a = hn::Min(hn::Or(hn::SaturatedSub(v, c), hn::SaturatedSub(c, v)), cap);
    const auto at = hn::And(a, nibble);
    auto wl = hn::TableLookupBytes(tl[0], at);
    auto wh = hn::TableLookupBytes(th[0], at);
    for (int b = 1; b < kBlocks; ++b) {
      const auto in = hn::Gt(a, bound[b]);
      wl = hn::IfThenElse(in, hn::TableLookupBytes(tl[b], at), wl);
      wh = hn::IfThenElse(in, hn::TableLookupBytes(th[b], at), wh);
    }
    const auto w0 = hn::Or(hn::PromoteTo(d16, hn::LowerHalf(d8h, wl)), hn::ShiftLeft<8>(hn::PromoteTo(d16, hn::LowerHalf(d8h, wh))));
    const auto w1 = hn::Or(hn::PromoteTo(d16, hn::UpperHalf(d8h, wl)), hn::ShiftLeft<8>(hn::PromoteTo(d16, hn::UpperHalf(d8h, wh))));
    hn::StoreU(w0, d16, out + i);
    hn::StoreU(w1, d16, out + i + H);
  }
#endif
  for (; i < n; ++i) {
    const int c = row[i], v = row[static_cast<std::ptrdiff_t>(i) + off];
    const int a = std::min(v > c ? v - c : c - v, z);
    out[i] = static_cast<std::uint16_t>(lo[a] | hi[a] << 8);
  }
}

void BilateralWeightsBytes(const std::uint8_t* row, std::ptrdiff_t off, const std::uint8_t* lo, const std::uint8_t* hi,
                           int z, std::size_t n, std::uint16_t* out) {
  static constexpr decltype(&WeightsInBlocks<1>) kByBlocks[8] = {
      &WeightsInBlocks<1>, &WeightsInBlocks<2>, &WeightsInBlocks<3>, &WeightsInBlocks<4>,
      &WeightsInBlocks<5>, &WeightsInBlocks<6>, &WeightsInBlocks<7>, &WeightsInBlocks<8>};
  kByBlocks[z / 16](row, off, lo, hi, z, n, out);
}

void BilateralPairs(const std::uint8_t* centre, const std::ptrdiff_t* off, const std::uint16_t* const* w, int pairs,
                    std::int32_t wc, std::size_t n, std::uint8_t* out) {
  const int taps = 2 * pairs;
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<std::int32_t> d;
  const hn::Rebind<std::uint8_t, decltype(d)> d8;
  const hn::Rebind<std::uint16_t, decltype(d)> d16;
  const hn::Rebind<float, decltype(d)> df;
  const std::size_t N = hn::Lanes(d);
  const auto wcv = hn::Set(d, wc);
  for (; i + N <= n; i += N) {
    const auto c = hn::PromoteTo(d, hn::LoadU(d8, centre + i));
    auto num = hn::Mul(wcv, c), den = wcv;
    for (int t = 0; t < taps; ++t) {
      const auto v = hn::PromoteTo(d, hn::LoadU(d8, centre + off[t] + i));
      const auto wt = hn::PromoteTo(d, hn::LoadU(d16, w[t] + i));
      num = hn::Add(num, hn::Mul(wt, v));
      den = hn::Add(den, wt);
    }
    num = hn::Add(num, hn::ShiftRight<1>(den));
    auto q = hn::ConvertTo(d, hn::Div(hn::ConvertTo(df, num), hn::ConvertTo(df, den)));
    q = hn::IfThenElse(hn::Gt(hn::Mul(q, den), num), hn::Sub(q, hn::Set(d, 1)), q);
    q = hn::IfThenElse(hn::Gt(hn::Mul(hn::Add(q, hn::Set(d, 1)), den), num), q, hn::Add(q, hn::Set(d, 1)));
    hn::StoreU(hn::DemoteTo(d8, q), d8, out + i);
  }
#endif
  for (; i < n; ++i) {
    std::int64_t num = static_cast<std::int64_t>(wc) * centre[i], den = wc;
    for (int t = 0; t < taps; ++t) {
      const int v = centre[static_cast<std::ptrdiff_t>(i) + off[t]];
      num += static_cast<std::int64_t>(w[t][i]) * v;
      den += w[t][i];
    }
    out[i] = static_cast<std::uint8_t>((num + den / 2) / den);
  }
}

template <class S>
void FillSample(ConvKernels& k, Sample s) {
  if constexpr (sizeof(S) == 1 || std::is_same_v<S, std::int16_t>) k.taps[s][kI16] = &Taps<S, std::int16_t>;
  if constexpr (sizeof(S) <= 4 && !std::is_floating_point_v<S>) {
    k.taps[s][kI32] = &Taps<S, std::int32_t>;
    k.taps[s][kI64] = &Taps<S, std::int64_t>;
  }
  if constexpr (sizeof(S) <= 2 || std::is_same_v<S, float>) k.taps[s][kF32] = &Taps<S, float>;
  if constexpr (std::is_same_v<S, std::int32_t> || std::is_same_v<S, double>) k.taps[s][kF64] = &Taps<S, double>;
}

const ConvKernels* GetConvKernels() {
  static const ConvKernels kernels = [] {
    ConvKernels k{};
    FillSample<std::uint8_t>(k, k8u);
    FillSample<std::int8_t>(k, k8s);
    FillSample<std::uint16_t>(k, k16u);
    FillSample<std::int16_t>(k, k16s);
    FillSample<std::int32_t>(k, k32s);
    FillSample<float>(k, k32f);
    FillSample<double>(k, k64f);
    k.round[k8u] = &RoundTo<std::uint8_t>;
    k.round[k8s] = &RoundTo<std::int8_t>;
    k.round[k16u] = &RoundTo<std::uint16_t>;
    k.round[k16s] = &RoundTo<std::int16_t>;
    k.shift[0][k8u] = &ShiftTo<std::int16_t, std::uint8_t>;
    k.shift[0][k16s] = &ShiftTo<std::int16_t, std::int16_t>;
    k.shift[1][k8u] = &ShiftTo<std::int32_t, std::uint8_t>;
    k.shift[1][k16u] = &ShiftTo<std::int32_t, std::uint16_t>;
    k.shift[1][k16s] = &ShiftTo<std::int32_t, std::int16_t>;
    k.bilateral = &BilateralRow;
    k.bilateralWeights = &BilateralWeights;
    k.bilateralWeights2 = &BilateralWeights2;
    k.bilateralWeightsBytes = &BilateralWeightsBytes;
    k.bilateralPairs = &BilateralPairs;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace conv
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::conv {
HWY_EXPORT(GetConvKernels);
const ConvKernels& convKernels() { return *HWY_DYNAMIC_DISPATCH(GetConvKernels)(); }
}  // namespace rux::conv
#endif
