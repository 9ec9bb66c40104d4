// Norm, dot-product and row-sum kernels, compiled once per target and dispatched at run time.
//
// A row is walked in groups of pixels. Multi-channel rows are de-interleaved into one vector per
// channel, so every accumulator holds one channel; C1 rows load four consecutive vectors into
// four accumulators instead (more independent additions in flight). The pixels after the last
// whole group run through plain scalar code on the same exact arithmetic; on the one-lane
// fallback target that scalar code is the whole kernel.
//
// Integer exactness: magnitudes |a|, |a - b| are formed as unsigned samples of the same width
// (16s: max - min wraps into 0..65535 exactly). Vector accumulators are narrower than the row
// total and are flushed into 64-bit row values before they can overflow (every kBlock groups).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/norm_kernels.cpp"
#include <type_traits>

#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/norm_kernels.h"
#include "primitives/pixels-inl.h"
#include "primitives/unaligned.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// ---- scalar arithmetic shared by the tails and the one-lane target -----------------------------

template <class T, bool kDiff>
HWY_INLINE uint64_t MagAt(const T* a, const T* b, size_t i) {
  int64_t v = static_cast<int64_t>(loadAt(a + i));
  if constexpr (kDiff) v -= static_cast<int64_t>(loadAt(b + i));
  return static_cast<uint64_t>(v < 0 ? -v : v);
}

template <int kKind>
HWY_INLINE void AddMag(uint64_t m, uint64_t& acc) {
  if constexpr (kKind == kNormInf) {
    acc = m > acc ? m : acc;
  } else if constexpr (kKind == kNormL1) {
    acc += m;
  } else {
    acc += m * m;
  }
}

#if HWY_TARGET != HWY_SCALAR

// Pixels per group and vectors per group (C1: four consecutive vectors of one channel).
template <size_t C>
constexpr size_t kGroupVecs = C == 1 ? 4 : C;

template <size_t C, class D, class T>
HWY_INLINE void LoadGroup(D d, const T* p, hn::Vec<D>* v) {
  if constexpr (C == 1) {
    const size_t N = hn::Lanes(d);
    for (size_t k = 0; k < 4; ++k) v[k] = hn::LoadU(d, p + k * N);
  } else {
    LoadPixels<C>(d, p, v);
  }
}

template <size_t C, class D>
HWY_INLINE size_t GroupPixels(D d) {
  return C == 1 ? 4 * hn::Lanes(d) : hn::Lanes(d);
}

// Channel that accumulator k belongs to.
template <size_t C>
constexpr size_t ChannelOf(size_t k) {
  return C == 1 ? 0 : k;
}

template <class D>
HWY_INLINE uint64_t StoreMax(D d, hn::Vec<D> v) {
  HWY_ALIGN hn::TFromD<D> lanes[hn::MaxLanes(D())];
  hn::Store(v, d, lanes);
  uint64_t m = 0;
  for (size_t i = 0; i < hn::Lanes(d); ++i) m = static_cast<uint64_t>(lanes[i]) > m ? lanes[i] : m;
  return m;
}

template <class D>
HWY_INLINE int64_t StoreSum(D d, hn::Vec<D> v) {
  HWY_ALIGN hn::TFromD<D> lanes[hn::MaxLanes(D())];
  hn::Store(v, d, lanes);
  int64_t s = 0;
  for (size_t i = 0; i < hn::Lanes(d); ++i) s += static_cast<int64_t>(lanes[i]);
  return s;
}

// Unsigned magnitude of a vector of samples (or of the difference of two).
template <bool kDiff, class D>
HWY_INLINE hn::Vec<hn::RebindToUnsigned<D>> MagVec(D d, hn::Vec<D> a, hn::Vec<D> b) {
  using T = hn::TFromD<D>;
  const hn::RebindToUnsigned<D> du;
  (void)d;
  if constexpr (hwy::IsSigned<T>()) {
    if constexpr (kDiff) {
      return hn::BitCast(du, hn::Sub(hn::Max(a, b), hn::Min(a, b)));
    } else {
      return hn::BitCast(du, hn::Abs(a));
    }
  } else {
    if constexpr (kDiff) {
      return hn::Or(hn::SaturatedSub(a, b), hn::SaturatedSub(b, a));
    } else {
      return a;
    }
  }
}

// Accumulators of one channel over unsigned magnitudes of tag DU; Flush folds them into the
// 64-bit row value and restarts them. kBlock bounds the groups between flushes.
template <class DU, int kKind>
struct IntReducer;

template <class DU>
struct IntReducer<DU, kNormInf> {
  static constexpr size_t kBlock = ~size_t{0};
  hn::Vec<DU> m;
  void Reset(DU du) { m = hn::Zero(du); }
  void Add(DU, hn::Vec<DU> v) { m = hn::Max(m, v); }
  void Flush(DU du, uint64_t& out) {
    const uint64_t v = StoreMax(du, m);
    out = v > out ? v : out;
    Reset(du);
  }
};

template <class DU>
struct IntReducer<DU, kNormL1> {
  using U = hn::TFromD<DU>;
  // 8u: sums of eight bytes in 64-bit lanes (never overflow). 16u: 32-bit lanes taking two
  // samples per group, flushed every 16384 groups (< 2^32).
  using DA = std::conditional_t<sizeof(U) == 1, hn::Repartition<uint64_t, DU>,
                                hn::RepartitionToWide<DU>>;
  static constexpr size_t kBlock = sizeof(U) == 1 ? ~size_t{0} : 16384;
  hn::Vec<DA> s;
  void Reset(DU) { s = hn::Zero(DA()); }
  void Add(DU du, hn::Vec<DU> v) {
    if constexpr (sizeof(U) == 1) {
      s = hn::Add(s, hn::SumsOf8(v));
    } else {
      const DA da;
      const hn::Half<DU> dh;
      s = hn::Add(s, hn::Add(hn::PromoteTo(da, hn::LowerHalf(dh, v)),
                             hn::PromoteTo(da, hn::UpperHalf(dh, v))));
      (void)du;
    }
  }
  void Flush(DU du, uint64_t& out) {
    out += static_cast<uint64_t>(StoreSum(DA(), s));
    Reset(du);
  }
};

template <class DU>
struct IntReducer<DU, kNormL2> {
  using U = hn::TFromD<DU>;
  // 8u: pairwise products of 16-bit lanes into 32-bit lanes, at most four squares of 255 per
  // lane and group, flushed every 8192 groups (< 2^31). 16u: squares below 2^32 in 32-bit
  // lanes, widened into 64-bit accumulators.
  using D16 = hn::Repartition<int16_t, DU>;
  using DA = std::conditional_t<sizeof(U) == 1, hn::Repartition<int32_t, DU>,
                                hn::Repartition<uint64_t, DU>>;
  static constexpr size_t kBlock = sizeof(U) == 1 ? 8192 : ~size_t{0};
  hn::Vec<DA> s0, s1;
  void Reset(DU) {
    s0 = hn::Zero(DA());
    s1 = hn::Zero(DA());
  }
  void Add(DU, hn::Vec<DU> v) {
    const hn::Half<DU> dh;
    if constexpr (sizeof(U) == 1) {
      const D16 d16;
      const auto lo = hn::PromoteTo(d16, hn::LowerHalf(dh, v));
      const auto hi = hn::PromoteTo(d16, hn::UpperHalf(dh, v));
      s0 = hn::ReorderWidenMulAccumulate(DA(), lo, lo, s0, s1);
      s0 = hn::ReorderWidenMulAccumulate(DA(), hi, hi, s0, s1);
    } else {
      const hn::RepartitionToWide<DU> d32;
      const hn::Half<decltype(d32)> d32h;
      const auto lo = hn::PromoteTo(d32, hn::LowerHalf(dh, v));
      const auto hi = hn::PromoteTo(d32, hn::UpperHalf(dh, v));
      const auto plo = hn::Mul(lo, lo);
      const auto phi = hn::Mul(hi, hi);
      s0 = hn::Add(s0, hn::Add(hn::PromoteTo(DA(), hn::LowerHalf(d32h, plo)),
                               hn::PromoteTo(DA(), hn::UpperHalf(d32h, plo))));
      s1 = hn::Add(s1, hn::Add(hn::PromoteTo(DA(), hn::LowerHalf(d32h, phi)),
                               hn::PromoteTo(DA(), hn::UpperHalf(d32h, phi))));
    }
  }
  void Flush(DU du, uint64_t& out) {
    out += static_cast<uint64_t>(StoreSum(DA(), s0)) + static_cast<uint64_t>(StoreSum(DA(), s1));
    Reset(du);
  }
};

// Tag of the row loops: full vectors for C1; at most 256 bits where channels are
// de-interleaved (wider interleaving shuffles cost more than they save).
template <class T, size_t C>
using RowTag = std::conditional_t<C == 1, hn::ScalableTag<T>, hn::CappedTag<T, 32 / sizeof(T)>>;

// 8-bit C1 rows for products and squares: half-width loads widened straight to 16 bits, and
// pairwise 16-bit products summed into 32-bit lanes (two products of at most 255^2 per lane
// and vector, four vectors per group). kSquare: sum (a - b)^2 or a^2 of unsigned samples;
// otherwise sum a * b.
template <class T, bool kSquare, bool kDiff>
size_t Products8C1(const T* a, const T* b, size_t n, uint64_t* sumOut, int64_t* dotOut) {
  const hn::CappedTag<int16_t, 16> d16;  // 512-bit vectors are no faster on this memory-bound loop
  const hn::Rebind<T, decltype(d16)> d8;
  const hn::Repartition<int32_t, decltype(d16)> d32;
  const size_t N = hn::Lanes(d16);
  const size_t G = 4 * N;
  int64_t total = 0;
  size_t x = 0;
  // Blocks of at most 4096 groups; the accumulators stay in registers within a block.
  while (n - x >= G) {
    const size_t end = x + G * HWY_MIN((n - x) / G, size_t{4096});
    auto s0 = hn::Zero(d32), s1 = s0, s2 = s0, s3 = s0;
    auto t0 = s0, t1 = s0, t2 = s0, t3 = s0;
    for (; x < end; x += G) {
      hn::Vec<decltype(d16)> va[4], vb[4];
      for (size_t k = 0; k < 4; ++k) {
        va[k] = hn::PromoteTo(d16, hn::LoadU(d8, a + x + k * N));
        if constexpr (kSquare && kDiff) {
          va[k] = hn::Abs(hn::Sub(va[k], hn::PromoteTo(d16, hn::LoadU(d8, b + x + k * N))));
          vb[k] = va[k];
        } else if constexpr (kSquare) {
          vb[k] = va[k];
        } else {
          vb[k] = hn::PromoteTo(d16, hn::LoadU(d8, b + x + k * N));
        }
      }
      s0 = hn::ReorderWidenMulAccumulate(d32, va[0], vb[0], s0, t0);
      s1 = hn::ReorderWidenMulAccumulate(d32, va[1], vb[1], s1, t1);
      s2 = hn::ReorderWidenMulAccumulate(d32, va[2], vb[2], s2, t2);
      s3 = hn::ReorderWidenMulAccumulate(d32, va[3], vb[3], s3, t3);
    }
    // At most 4096 x 4 x 2 products of 255^2 per lane: the folded lanes stay below 2^31.
    const auto sum = hn::Add(hn::Add(hn::Add(s0, t0), hn::Add(s1, t1)),
                             hn::Add(hn::Add(s2, t2), hn::Add(s3, t3)));
    total += StoreSum(d32, sum);
  }
  if (sumOut != nullptr) *sumOut += static_cast<uint64_t>(total);
  if (dotOut != nullptr) *dotOut += total;
  return x;
}

// Multi-channel Inf and L1 without de-interleaving: a group of C full vectors holds N whole
// pixels, so sample k * N + i of a group belongs to channel (k * N + i) mod C. Inf keeps lane
// maxima; L1 splits each vector of magnitudes in place into its even and odd samples widened to
// double-width lanes (lane j holds sample 2j or 2j + 1), one sample per lane and group:
// 256 x 255 and 65536 x 65535 fit.
template <class T, int kKind, size_t C, bool kDiff>
size_t PositionalNormVec(const T* a, const T* b, size_t n, uint64_t* acc) {
  const hn::ScalableTag<T> d;
  const hn::RebindToUnsigned<decltype(d)> du;
  const hn::RepartitionToWide<decltype(du)> dw;
  using U = hn::TFromD<decltype(du)>;
  using W = hn::TFromD<decltype(dw)>;
  constexpr int kBits = 8 * sizeof(T);
  constexpr size_t kFlush = kKind == kNormInf ? ~size_t{0} : sizeof(T) == 1 ? 256 : 65536;
  const size_t N = hn::Lanes(d);
  const auto low = hn::Set(dw, static_cast<W>((W{1} << kBits) - 1));
  HWY_ALIGN W lanes[hn::MaxLanes(decltype(dw)())];
  auto* narrow = reinterpret_cast<U*>(lanes);
  hn::Vec<decltype(du)> m[C];
  hn::Vec<decltype(dw)> even[C], odd[C];
  size_t x = 0;
  while (n - x >= N) {
    const size_t groups = (n - x) / N;
    const size_t end = x + N * (groups < kFlush ? groups : kFlush);
    for (size_t k = 0; k < C; ++k) {
      m[k] = hn::Zero(du);
      even[k] = odd[k] = hn::Zero(dw);
    }
    for (; x < end; x += N) {
      for (size_t k = 0; k < C; ++k) {
        const auto va = hn::LoadU(d, a + x * C + k * N);
        const auto mag = MagVec<kDiff>(d, va, kDiff ? hn::LoadU(d, b + x * C + k * N) : va);
        if constexpr (kKind == kNormInf) {
          m[k] = hn::Max(m[k], mag);
        } else {
          const auto w = hn::BitCast(dw, mag);
          even[k] = hn::Add(even[k], hn::And(w, low));
          odd[k] = hn::Add(odd[k], hn::ShiftRight<kBits>(w));
        }
      }
    }
    for (size_t k = 0; k < C; ++k) {
      if constexpr (kKind == kNormInf) {
        hn::Store(m[k], du, narrow);
        for (size_t i = 0; i < N; ++i) AddMag<kKind>(narrow[i], acc[(k * N + i) % C]);
      } else {
        hn::Store(even[k], dw, lanes);
        for (size_t j = 0; j < N / 2; ++j) acc[(k * N + 2 * j) % C] += lanes[j];
        hn::Store(odd[k], dw, lanes);
        for (size_t j = 0; j < N / 2; ++j) acc[(k * N + 2 * j + 1) % C] += lanes[j];
      }
    }
  }
  return x;
}

template <class T, int kKind, size_t C, bool kDiff>
size_t IntNormVec(const T* a, const T* b, size_t n, uint64_t* acc) {
  if constexpr (sizeof(T) == 1 && kKind == kNormL2 && C == 1) {
    return Products8C1<T, true, kDiff>(a, b, n, acc, nullptr);
  }
  if constexpr (C > 1 && kKind != kNormL2 && sizeof(T) <= 2) {
    return PositionalNormVec<T, kKind, C, kDiff>(a, b, n, acc);
  }
  const RowTag<T, C> d;
  using DU = hn::RebindToUnsigned<decltype(d)>;
  const DU du;
  constexpr size_t V = kGroupVecs<C>;
  using Red = IntReducer<DU, kKind>;
  const size_t G = GroupPixels<C>(d);
  if (n < G) return 0;
  Red red[V];
  size_t x = 0;
  while (n - x >= G) {
    const size_t blocks = (n - x) / G;
    const size_t end = x + G * (blocks < Red::kBlock ? blocks : Red::kBlock);
    for (auto& r : red) r.Reset(du);
    for (; x < end; x += G) {
      hn::Vec<decltype(d)> va[V], vb[V];
      LoadGroup<C>(d, a + x * C, va);
      if constexpr (kDiff) {
        LoadGroup<C>(d, b + x * C, vb);
      } else {
        for (auto& v : vb) v = va[0];
      }
      for (size_t k = 0; k < V; ++k) red[k].Add(du, MagVec<kDiff>(d, va[k], vb[k]));
    }
    for (size_t k = 0; k < V; ++k) red[k].Flush(du, acc[ChannelOf<C>(k)]);
  }
  return x;
}

#endif  // HWY_TARGET != HWY_SCALAR

template <class T, int kKind, size_t C, bool kDiff>
void IntNormRow(const void* av, const void* bv, size_t n, uint64_t* out) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  uint64_t acc[4] = {0, 0, 0, 0};
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  x = IntNormVec<T, kKind, C, kDiff>(a, b, n, acc);
#endif
  for (; x < n; ++x) {
    for (size_t c = 0; c < C; ++c) AddMag<kKind>(MagAt<T, kDiff>(a, b, x * C + c), acc[c]);
  }
  for (size_t c = 0; c < C; ++c) out[c] = acc[c];
}

// ---- 32f ---------------------------------------------------------------------------------------

constexpr int kFloatSum = 3;  // plain sum, for the means of the quality index

template <int kKind, class F>
HWY_INLINE F FloatTerm(F s) {
  if constexpr (kKind == kNormL1) {
    return s < 0 ? -s : s;
  } else if constexpr (kKind == kNormL2) {
    return s * s;
  } else {
    return s;
  }
}

#if HWY_TARGET != HWY_SCALAR

template <int kKind, class V>
HWY_INLINE V FloatTermVec(V s) {
  if constexpr (kKind == kNormL1) {
    return hn::Abs(s);
  } else if constexpr (kKind == kNormL2) {
    return hn::Mul(s, s);
  } else {
    return s;
  }
}

// Inf and the single-precision sums: one float accumulator per vector of the group; the row
// value is folded in single precision. acc receives max or sum per channel.
template <int kKind, size_t C, bool kDiff>
size_t FloatFastVec(const float* a, const float* b, size_t n, float* acc) {
  const RowTag<float, C> d;
  constexpr size_t V = kGroupVecs<C>;
  const size_t G = GroupPixels<C>(d);
  if (n < G) return 0;
  hn::Vec<decltype(d)> s[V];
  for (auto& v : s) v = hn::Zero(d);
  size_t x = 0;
  for (; x <= n - G; x += G) {
    hn::Vec<decltype(d)> va[V];
    LoadGroup<C>(d, a + x * C, va);
    if constexpr (kDiff) {
      hn::Vec<decltype(d)> vb[V];
      LoadGroup<C>(d, b + x * C, vb);
      for (size_t k = 0; k < V; ++k) va[k] = hn::Sub(va[k], vb[k]);
    }
    for (size_t k = 0; k < V; ++k) {
      if constexpr (kKind == kNormInf) {
        s[k] = hn::Max(s[k], hn::Abs(va[k]));
      } else {
        s[k] = hn::Add(s[k], FloatTermVec<kKind>(va[k]));
      }
    }
  }
  if constexpr (C == 1) {
    if constexpr (kKind == kNormInf) {
      s[0] = hn::Max(hn::Max(s[0], s[1]), hn::Max(s[2], s[3]));
    } else {
      s[0] = hn::Add(hn::Add(s[0], s[1]), hn::Add(s[2], s[3]));
    }
  }
  constexpr size_t kOut = C == 1 ? 1 : C;
  for (size_t k = 0; k < kOut; ++k) {
    acc[k] = kKind == kNormInf ? hn::GetLane(hn::MaxOfLanes(d, s[k]))
                               : hn::GetLane(hn::SumOfLanes(d, s[k]));
  }
  return x;
}

// Accurate sums: samples (and differences) widened to double, terms accumulated in double.
template <int kKind, size_t C, bool kDiff>
size_t FloatAccurateVec(const float* a, const float* b, size_t n, double* acc) {
  const RowTag<float, C> d;
  const hn::Half<decltype(d)> dh;
  const hn::Repartition<double, decltype(d)> dd;
  constexpr size_t V = kGroupVecs<C>;
  const size_t G = GroupPixels<C>(d);
  if (n < G) return 0;
  hn::Vec<decltype(dd)> s[V];
  for (auto& v : s) v = hn::Zero(dd);
  size_t x = 0;
  for (; x <= n - G; x += G) {
    hn::Vec<decltype(d)> va[V], vb[V];
    LoadGroup<C>(d, a + x * C, va);
    if constexpr (kDiff) LoadGroup<C>(d, b + x * C, vb);
    for (size_t k = 0; k < V; ++k) {
      auto lo = hn::PromoteTo(dd, hn::LowerHalf(dh, va[k]));
      auto hi = hn::PromoteTo(dd, hn::UpperHalf(dh, va[k]));
      if constexpr (kDiff) {
        lo = hn::Sub(lo, hn::PromoteTo(dd, hn::LowerHalf(dh, vb[k])));
        hi = hn::Sub(hi, hn::PromoteTo(dd, hn::UpperHalf(dh, vb[k])));
      }
      s[k] = hn::Add(hn::Add(s[k], FloatTermVec<kKind>(lo)), FloatTermVec<kKind>(hi));
    }
  }
  if constexpr (C == 1) s[0] = hn::Add(hn::Add(s[0], s[1]), hn::Add(s[2], s[3]));
  constexpr size_t kOut = C == 1 ? 1 : C;
  for (size_t k = 0; k < kOut; ++k) acc[k] = hn::GetLane(hn::SumOfLanes(dd, s[k]));
  return x;
}

#endif  // HWY_TARGET != HWY_SCALAR

template <int kKind, bool kAccurate, size_t C, bool kDiff>
void FloatNormRow(const float* a, const float* b, size_t n, double* out) {
  size_t x = 0;
  if constexpr (kAccurate) {
    double acc[4] = {0, 0, 0, 0};
#if HWY_TARGET != HWY_SCALAR
    x = FloatAccurateVec<kKind, C, kDiff>(a, b, n, acc);
#endif
    for (; x < n; ++x) {
      for (size_t c = 0; c < C; ++c) {
        double s = a[x * C + c];
        if constexpr (kDiff) s -= static_cast<double>(b[x * C + c]);
        acc[c] += FloatTerm<kKind>(s);
      }
    }
    for (size_t c = 0; c < C; ++c) out[c] = acc[c];
  } else {
    float acc[4] = {0, 0, 0, 0};
#if HWY_TARGET != HWY_SCALAR
    x = FloatFastVec<kKind, C, kDiff>(a, b, n, acc);
#endif
    for (; x < n; ++x) {
      for (size_t c = 0; c < C; ++c) {
        float s = loadAt(a + x * C + c);
        if constexpr (kDiff) s -= loadAt(b + x * C + c);
        if constexpr (kKind == kNormInf) {
          const float m = s < 0 ? -s : s;
          acc[c] = m > acc[c] ? m : acc[c];
        } else {
          acc[c] += FloatTerm<kKind>(s);
        }
      }
    }
    for (size_t c = 0; c < C; ++c) out[c] = acc[c];
  }
}

// ---- exact integer dot products ----------------------------------------------------------------

#if HWY_TARGET != HWY_SCALAR

template <class T, size_t C>
size_t IntDotVec(const T* a, const T* b, size_t n, int64_t* acc) {
  if constexpr (sizeof(T) == 1 && C == 1) {
    return Products8C1<T, false, false>(a, b, n, nullptr, acc);
  }
  const RowTag<T, C> d;
  const hn::Half<decltype(d)> dh;
  constexpr size_t V = kGroupVecs<C>;
  const size_t G = GroupPixels<C>(d);
  if (n < G) return 0;
  size_t x = 0;
  if constexpr (sizeof(T) == 1) {
    // 16-bit products summed pairwise into 32-bit lanes: at most four products per lane and
    // group (8u: 4 x 65025), flushed every 8192 groups.
    const hn::Repartition<int16_t, decltype(d)> d16;
    const hn::Repartition<int32_t, decltype(d)> d32;
    while (n - x >= G) {
      const size_t blocks = (n - x) / G;
      const size_t end = x + G * (blocks < 8192 ? blocks : 8192);
      hn::Vec<decltype(d32)> s0[V], s1[V];
      for (size_t k = 0; k < V; ++k) s0[k] = s1[k] = hn::Zero(d32);
      for (; x < end; x += G) {
        hn::Vec<decltype(d)> va[V], vb[V];
        LoadGroup<C>(d, a + x * C, va);
        LoadGroup<C>(d, b + x * C, vb);
        for (size_t k = 0; k < V; ++k) {
          const auto alo = hn::PromoteTo(d16, hn::LowerHalf(dh, va[k]));
          const auto ahi = hn::PromoteTo(d16, hn::UpperHalf(dh, va[k]));
          const auto blo = hn::PromoteTo(d16, hn::LowerHalf(dh, vb[k]));
          const auto bhi = hn::PromoteTo(d16, hn::UpperHalf(dh, vb[k]));
          s0[k] = hn::ReorderWidenMulAccumulate(d32, alo, blo, s0[k], s1[k]);
          s0[k] = hn::ReorderWidenMulAccumulate(d32, ahi, bhi, s0[k], s1[k]);
        }
      }
      for (size_t k = 0; k < V; ++k) acc[ChannelOf<C>(k)] += StoreSum(d32, hn::Add(s0[k], s1[k]));
    }
  } else {
    // 16-bit samples widened to 32 bits: the products are exact there (16u below 2^32, 16s
    // within +-2^30) and are widened again into 64-bit accumulators.
    const hn::RepartitionToWide<decltype(d)> d32;
    const hn::Half<decltype(d32)> d32h;
    const hn::RepartitionToWide<decltype(d32)> d64;
    hn::Vec<decltype(d64)> s[V];
    for (auto& v : s) v = hn::Zero(d64);
    const auto widenAdd = [&](hn::Vec<decltype(d64)> sum, hn::Vec<decltype(d32)> p) {
      return hn::Add(sum, hn::Add(hn::PromoteTo(d64, hn::LowerHalf(d32h, p)),
                                  hn::PromoteTo(d64, hn::UpperHalf(d32h, p))));
    };
    for (; x <= n - G; x += G) {
      hn::Vec<decltype(d)> va[V], vb[V];
      LoadGroup<C>(d, a + x * C, va);
      LoadGroup<C>(d, b + x * C, vb);
      for (size_t k = 0; k < V; ++k) {
        const auto plo = hn::Mul(hn::PromoteTo(d32, hn::LowerHalf(dh, va[k])),
                                 hn::PromoteTo(d32, hn::LowerHalf(dh, vb[k])));
        const auto phi = hn::Mul(hn::PromoteTo(d32, hn::UpperHalf(dh, va[k])),
                                 hn::PromoteTo(d32, hn::UpperHalf(dh, vb[k])));
        s[k] = widenAdd(widenAdd(s[k], plo), phi);
      }
    }
    for (size_t k = 0; k < V; ++k) acc[ChannelOf<C>(k)] += StoreSum(d64, s[k]);
  }
  return x;
}

#endif  // HWY_TARGET != HWY_SCALAR

template <class T, size_t C>
void IntDotRow(const void* av, const void* bv, size_t n, int64_t* out) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  int64_t acc[4] = {0, 0, 0, 0};
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  x = IntDotVec<T, C>(a, b, n, acc);
#endif
  for (; x < n; ++x) {
    for (size_t c = 0; c < C; ++c) {
      acc[c] += static_cast<int64_t>(loadAt(a + x * C + c)) * static_cast<int64_t>(loadAt(b + x * C + c));
    }
  }
  for (size_t c = 0; c < C; ++c) out[c] = acc[c];
}

// ---- centred sums of the quality index ---------------------------------------------------------

#if HWY_TARGET != HWY_SCALAR

// Channel c of N pixels as floats (T samples are widened through 32-bit integers).
template <size_t C, class DF, class T>
HWY_INLINE hn::Vec<DF> ChannelAsFloat(DF df, const T* p, int c) {
  const hn::Rebind<T, DF> dt;
  hn::Vec<decltype(dt)> v[C];
  if constexpr (C == 1) {
    v[0] = hn::LoadU(dt, p);
  } else {
    LoadPixels<C>(dt, p, v);
  }
  hn::Vec<decltype(dt)> ch = v[0];
  for (int k = 1; k < static_cast<int>(C); ++k) {
    if (k == c) ch = v[k];
  }
  if constexpr (std::is_same_v<T, float>) {
    return ch;
  } else {
    return hn::ConvertTo(df, hn::PromoteTo(hn::Rebind<int32_t, DF>(), ch));
  }
}

#endif  // HWY_TARGET != HWY_SCALAR

template <class T, size_t C>
void CentredRow(const void* av, const void* bv, size_t n, int c, float mx, float my, float* xs,
                float* sums) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  size_t x = 0;
  float sxx = 0.0f, syy = 0.0f, sxy = 0.0f;
#if HWY_TARGET != HWY_SCALAR
  const hn::CappedTag<float, 8> df;
  const size_t N = hn::Lanes(df);
  if (n >= N) {
    const auto vmx = hn::Set(df, mx), vmy = hn::Set(df, my);
    for (; x <= n - N; x += N) {
      hn::StoreU(hn::Sub(ChannelAsFloat<C>(df, a + x * C, c), vmx), df, xs + x);
    }
    auto vxx = hn::Zero(df), vyy = vxx, vxy = vxx;
    for (size_t i = 0; i < x; i += N) {
      const auto dx = hn::LoadU(df, xs + i);
      const auto dy = hn::Sub(ChannelAsFloat<C>(df, b + i * C, c), vmy);
      vxx = hn::Add(vxx, hn::Mul(dx, dx));
      vyy = hn::Add(vyy, hn::Mul(dy, dy));
      vxy = hn::Add(vxy, hn::Mul(dx, dy));
    }
    sxx = hn::GetLane(hn::SumOfLanes(df, vxx));
    syy = hn::GetLane(hn::SumOfLanes(df, vyy));
    sxy = hn::GetLane(hn::SumOfLanes(df, vxy));
  }
#endif
  for (size_t i = x; i < n; ++i) xs[i] = static_cast<float>(loadAt(a + i * C + c)) - mx;
  for (size_t i = x; i < n; ++i) {
    const float dx = xs[i];
    const float dy = static_cast<float>(loadAt(b + i * C + c)) - my;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  sums[0] += sxx;
  sums[1] += syy;
  sums[2] += sxy;
}

// ---- tables ------------------------------------------------------------------------------------

template <class T, int kKind>
void FillIntKind(NormKernels& k, int type) {
  auto& t = k.intNorm[type][kKind];
  t[0][0] = &IntNormRow<T, kKind, 1, false>;
  t[0][1] = &IntNormRow<T, kKind, 1, true>;
  t[1][0] = &IntNormRow<T, kKind, 3, false>;
  t[1][1] = &IntNormRow<T, kKind, 3, true>;
  t[2][0] = &IntNormRow<T, kKind, 4, false>;
  t[2][1] = &IntNormRow<T, kKind, 4, true>;
}

template <int kKind, bool kAccurate>
void FillFloatKind(NormKernels& k) {
  auto& t = k.floatNorm[kKind][kAccurate ? 1 : 0];
  t[0][0] = &FloatNormRow<kKind, kAccurate, 1, false>;
  t[0][1] = &FloatNormRow<kKind, kAccurate, 1, true>;
  t[1][0] = &FloatNormRow<kKind, kAccurate, 3, false>;
  t[1][1] = &FloatNormRow<kKind, kAccurate, 3, true>;
  t[2][0] = &FloatNormRow<kKind, kAccurate, 4, false>;
  t[2][1] = &FloatNormRow<kKind, kAccurate, 4, true>;
}

template <class T>
void FillDot(NormKernels& k, int type) {
  k.intDot[type][0] = &IntDotRow<T, 1>;
  k.intDot[type][1] = &IntDotRow<T, 3>;
  k.intDot[type][2] = &IntDotRow<T, 4>;
}

template <class T>
void FillCentred(NormKernels& k, int type) {
  k.centred[type][0] = &CentredRow<T, 1>;
  k.centred[type][1] = &CentredRow<T, 3>;
  k.centred[type][2] = &CentredRow<T, 4>;
}

template <class T>
void FillIntType(NormKernels& k, int type) {
  FillIntKind<T, kNormInf>(k, type);
  FillIntKind<T, kNormL1>(k, type);
  FillIntKind<T, kNormL2>(k, type);
}

const NormKernels* GetNormKernels() {
  static const NormKernels kernels = [] {
    NormKernels k{};
    FillIntType<uint8_t>(k, kNorm8u);
    FillIntType<uint16_t>(k, kNorm16u);
    FillIntType<int16_t>(k, kNorm16s);
    k.intNorm[kNorm32s][kNormInf][0][0] = &IntNormRow<int32_t, kNormInf, 1, false>;
    FillFloatKind<kNormInf, false>(k);
    FillFloatKind<kNormL1, false>(k);
    FillFloatKind<kNormL2, false>(k);
    FillFloatKind<kNormL1, true>(k);
    FillFloatKind<kNormL2, true>(k);
    k.floatSum[0] = &FloatNormRow<kFloatSum, false, 1, false>;
    k.floatSum[1] = &FloatNormRow<kFloatSum, false, 3, false>;
    k.floatSum[2] = &FloatNormRow<kFloatSum, false, 4, false>;
    FillDot<uint8_t>(k, kDot8u);
    FillDot<int8_t>(k, kDot8s);
    FillDot<uint16_t>(k, kDot16u);
    FillDot<int16_t>(k, kDot16s);
    FillCentred<uint8_t>(k, kCentred8u);
    FillCentred<uint16_t>(k, kCentred16u);
    FillCentred<float>(k, kCentred32f);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetNormKernels);
const NormKernels& normKernels() { return *HWY_DYNAMIC_DISPATCH(GetNormKernels)(); }
}  // namespace rux
#endif
