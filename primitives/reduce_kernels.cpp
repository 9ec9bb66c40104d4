// Vector reduction kernels of the statistics families, compiled once per target and dispatched
// at run time (see reduce_kernels.h for the accumulation rules).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/reduce_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/reduce_kernels.h"
#include "primitives/unaligned.h"

#include <cstring>
#include <limits>
#include <type_traits>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class T>
HWY_INLINE const T* RowAt(const void* base, int step, int y) {
  return reinterpret_cast<const T*>(static_cast<const uint8_t*>(base) +
                                    static_cast<ptrdiff_t>(step) * y);
}

// Accumulator vectors per group of whole pixels: one per vector of the group, and four
// independent chains for one channel.
template <size_t C>
constexpr size_t kGroupVecs = C == 1 ? 4 : C;

// Groups counted in 32-bit lanes before the lanes move to 64-bit totals.
constexpr size_t kFlushGroups = 8192;

// Partial sums per channel of the float sums.
constexpr size_t kFloatSlots = 16;

// Start values of the extremes: every sample (other than NaN) replaces them.
template <class T>
constexpr T Highest() {
  if constexpr (std::is_floating_point_v<T>) return std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::max();
}
template <class T>
constexpr T Lowest() {
  if constexpr (std::is_floating_point_v<T>) return -std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::lowest();
}

// ---------------------------------------------------------------------------------------------
// Integer sums

#if HWY_TARGET == HWY_SCALAR
template <class T, size_t C>
void SumIntImage(const void* base, int step, int width, int height, int64_t* sums) {
  const size_t n = static_cast<size_t>(width) * C;
  int64_t total[C] = {};
  for (int y = 0; y < height; ++y) {
    const T* row = RowAt<T>(base, step, y);
    for (size_t x = 0; x < n; ++x) total[x % C] += loadAt(row + x);
  }
  for (size_t c = 0; c < C; ++c) sums[c] = total[c];
}
#else
// Adds the even and odd narrow lanes of v, widened in place (lane j of the wide vectors holds
// narrow lane 2j or 2j + 1), to even and odd; signed lanes keep their sign.
template <class DW, class V>
HWY_INLINE void AddSplit(DW dw, V v, hn::Vec<DW>& even, hn::Vec<DW>& odd) {
  using W = hn::TFromD<DW>;
  constexpr int kBits = 4 * sizeof(W);
  const auto w = hn::BitCast(dw, v);
  if constexpr (std::is_signed_v<W>) {
    even = hn::Add(even, hn::ShiftRight<kBits>(hn::ShiftLeft<kBits>(w)));
  } else {
    even = hn::Add(even, hn::And(w, hn::Set(dw, static_cast<W>((W{1} << kBits) - 1))));
  }
  odd = hn::Add(odd, hn::ShiftRight<kBits>(w));
}

// A group of kU vectors starts at a multiple of C samples, so sample k * N + i of a group
// belongs to channel (k * N + i) mod C: no de-interleaving. Each vector splits into its even and
// odd samples in double-width lanes, which take one sample per group (256 x 255, 65536 x 65535
// and 65536 x -32768 fit); every kFlush groups these split again into quadruple-width lanes,
// which keep the sample positions (lane i of part r holds sample 4i + r) and take 2^16 flushes
// before they move to the 64-bit channel totals.
template <class T, size_t C>
void SumIntImage(const void* base, int step, int width, int height, int64_t* sums) {
  using D = hn::ScalableTag<T>;
  const D d;
  const hn::RepartitionToWide<D> d2;
  const hn::RepartitionToWide<decltype(d2)> d4;
  using Q = hn::TFromD<decltype(d4)>;
  constexpr size_t kFlush = sizeof(T) == 1 ? 256 : 65536;
  constexpr size_t kFold = 65536;
  constexpr size_t kU = kGroupVecs<C>;
  const size_t N = hn::Lanes(d);
  const size_t group = kU * N;
  const size_t n = static_cast<size_t>(width) * C;
  int64_t total[C] = {};
  hn::Vec<decltype(d2)> half[kU][2];
  hn::Vec<decltype(d4)> quarter[kU][4];
  for (size_t k = 0; k < kU; ++k) {
    half[k][0] = half[k][1] = hn::Zero(d2);
    for (auto& q : quarter[k]) q = hn::Zero(d4);
  }
  HWY_ALIGN Q lanes[hn::MaxLanes(decltype(d4)())];
  const auto fold = [&] {
    for (size_t k = 0; k < kU; ++k) {
      for (size_t r = 0; r < 4; ++r) {
        hn::Store(quarter[k][r], d4, lanes);
        for (size_t i = 0; i < N / 4; ++i) total[(k * N + 4 * i + r) % C] += lanes[i];
        quarter[k][r] = hn::Zero(d4);
      }
    }
  };
  // Half lane j holds sample 2j + e; quarter lane i of part 2f + e holds half lane 2i + f. The
  // half accumulators are plain locals of the loop (kept in registers).
  size_t pending = 0, flushes = 0;
  for (int y = 0; y < height; ++y) {
    const T* row = RowAt<T>(base, step, y);
    size_t x = 0;
    while (n - x >= group) {
      const size_t groups = HWY_MIN((n - x) / group, kFlush - pending);
      for (const size_t end = x + groups * group; x < end; x += group) {
        for (size_t k = 0; k < kU; ++k) AddSplit(d2, hn::LoadU(d, row + x + k * N), half[k][0], half[k][1]);
      }
      pending += groups;
      if (pending == kFlush) {
        for (size_t k = 0; k < kU; ++k) {
          AddSplit(d4, half[k][0], quarter[k][0], quarter[k][2]);
          AddSplit(d4, half[k][1], quarter[k][1], quarter[k][3]);
          half[k][0] = half[k][1] = hn::Zero(d2);
        }
        pending = 0;
        if (++flushes == kFold) {
          fold();
          flushes = 0;
        }
      }
    }
    for (; x < n; ++x) total[x % C] += loadAt(row + x);
  }
  for (size_t k = 0; k < kU; ++k) {
    AddSplit(d4, half[k][0], quarter[k][0], quarter[k][2]);
    AddSplit(d4, half[k][1], quarter[k][1], quarter[k][3]);
  }
  fold();
  for (size_t c = 0; c < C; ++c) sums[c] = total[c];
}
#endif

// One channel of bytes: sums of eight bytes into 64-bit lanes, aligned loads after a short head.
void Sum8uC1(const void* base, int step, int width, int height, int64_t* sums) {
#if HWY_TARGET == HWY_SCALAR
  SumIntImage<uint8_t, 1>(base, step, width, height, sums);
#else
  using D = hn::ScalableTag<uint8_t>;
  const D d8;
  const hn::Repartition<uint64_t, D> d64;
  const size_t N = hn::Lanes(d8);
  const size_t n = static_cast<size_t>(width);
  auto a0 = hn::Zero(d64), a1 = a0, a2 = a0, a3 = a0;
  uint64_t total = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = RowAt<uint8_t>(base, step, y);
    const size_t head = (N - reinterpret_cast<uintptr_t>(row) % N) % N;
    size_t x = 0;
    for (; x < head && x < n; ++x) total += row[x];
    for (; x + 4 * N <= n; x += 4 * N) {
      a0 = hn::Add(a0, hn::SumsOf8(hn::Load(d8, row + x)));
      a1 = hn::Add(a1, hn::SumsOf8(hn::Load(d8, row + x + N)));
      a2 = hn::Add(a2, hn::SumsOf8(hn::Load(d8, row + x + 2 * N)));
      a3 = hn::Add(a3, hn::SumsOf8(hn::Load(d8, row + x + 3 * N)));
    }
    for (; x + N <= n; x += N) a0 = hn::Add(a0, hn::SumsOf8(hn::Load(d8, row + x)));
    for (; x < n; ++x) total += row[x];
  }
  const auto all = hn::Add(hn::Add(a0, a1), hn::Add(a2, a3));
  total += hn::GetLane(hn::SumOfLanes(d64, all));
  sums[0] = static_cast<int64_t>(total);
#endif
}

// ---------------------------------------------------------------------------------------------
// Float sums

// Pairwise fold of the 16 slots of channel c (slot s holds channel s mod C).
template <class F, size_t C>
HWY_INLINE F FoldSlots(const F* slots, size_t c) {
  F v[kFloatSlots];
  for (size_t i = 0; i < kFloatSlots; ++i) v[i] = slots[c + C * i];
  for (size_t w = kFloatSlots / 2; w >= 1; w /= 2) {
    for (size_t i = 0; i < w; ++i) v[i] += v[i + w];
  }
  return v[0];
}

// Each row in single precision over 16 x C slots, folded to one float per channel and added to a
// double total.
template <size_t C>
void SumFloatFast(const float* base, int step, int width, int height, double* sums) {
  using D = hn::ScalableTag<float>;
  const D df;
  constexpr size_t N = hn::MaxLanes(D());
  constexpr size_t S = kFloatSlots * C;
  static_assert(S % N == 0, "slots fill whole vectors");
  constexpr size_t V = S / N;
  const size_t n = static_cast<size_t>(width) * C;
  double total[C] = {};
  HWY_ALIGN float slots[S];
  for (int y = 0; y < height; ++y) {
    const float* row = RowAt<float>(base, step, y);
    hn::Vec<D> acc[V];
    for (auto& a : acc) a = hn::Zero(df);
    size_t x = 0;
    if (n >= S) {
      for (; x <= n - S; x += S) {
        for (size_t k = 0; k < V; ++k) acc[k] = hn::Add(acc[k], hn::LoadU(df, row + x + k * N));
      }
    }
    for (size_t k = 0; k < V; ++k) hn::Store(acc[k], df, slots + k * N);
    for (; x < n; ++x) slots[x % S] += loadAt(row + x);
    for (size_t c = 0; c < C; ++c) total[c] += static_cast<double>(FoldSlots<float, C>(slots, c));
  }
  for (size_t c = 0; c < C; ++c) sums[c] = total[c];
}

// Every sample converted to double; the 16 x C slots run on across rows and fold at the end.
template <size_t C>
void SumFloatAccurate(const float* base, int step, int width, int height, double* sums) {
  using D = hn::ScalableTag<double>;
  const D dd;
  const hn::Rebind<float, D> dh;
  constexpr size_t N = hn::MaxLanes(D());
  constexpr size_t S = kFloatSlots * C;
  static_assert(S % N == 0, "slots fill whole vectors");
  constexpr size_t V = S / N;
  const size_t n = static_cast<size_t>(width) * C;
  HWY_ALIGN double slots[S] = {};
  for (int y = 0; y < height; ++y) {
    const float* row = RowAt<float>(base, step, y);
    hn::Vec<D> acc[V];
    for (size_t k = 0; k < V; ++k) acc[k] = hn::Load(dd, slots + k * N);
    size_t x = 0;
    if (n >= S) {
      for (; x <= n - S; x += S) {
        for (size_t k = 0; k < V; ++k) {
          acc[k] = hn::Add(acc[k], hn::PromoteTo(dd, hn::LoadU(dh, row + x + k * N)));
        }
      }
    }
    for (size_t k = 0; k < V; ++k) hn::Store(acc[k], dd, slots + k * N);
    for (; x < n; ++x) slots[x % S] += static_cast<double>(row[x]);
  }
  for (size_t c = 0; c < C; ++c) sums[c] = FoldSlots<double, C>(slots, c);
}

// ---------------------------------------------------------------------------------------------
// Minimum and maximum

// Min(v, acc) / Max(v, acc) return acc when v is NaN on every target (x86 returns the second
// operand, the scalar target the number), and acc never becomes NaN.
template <bool kIsMax, class V>
HWY_INLINE V Better(V v, V acc) {
  if constexpr (kIsMax) {
    return hn::Max(v, acc);
  } else {
    return hn::Min(v, acc);
  }
}

// Folds the group accumulators into ext[0..C-1].
template <bool kIsMax, size_t C, size_t kU, class D>
HWY_INLINE void FoldInto(D d, hn::Vec<D>* acc, hn::TFromD<D>* ext) {
  using T = hn::TFromD<D>;
  const size_t N = hn::Lanes(d);
  size_t vecs = kU;
  // With one channel, or four channels and whole pixels per vector, every accumulator has the
  // same channel pattern and they combine lane by lane first.
  if (C == 1 || (C == 4 && N % 4 == 0)) {
    for (size_t k = 1; k < kU; ++k) acc[0] = Better<kIsMax>(acc[k], acc[0]);
    vecs = 1;
    if constexpr (C == 1 && sizeof(T) >= 2) {
      const T v = hn::GetLane(kIsMax ? hn::MaxOfLanes(d, acc[0]) : hn::MinOfLanes(d, acc[0]));
      if (kIsMax ? v > ext[0] : v < ext[0]) ext[0] = v;
      return;
    }
  }
  HWY_ALIGN T lanes[kU * hn::MaxLanes(D())];
  for (size_t k = 0; k < vecs; ++k) hn::Store(acc[k], d, lanes + k * N);
  for (size_t i = 0; i < vecs * N; ++i) {
    const T v = lanes[i];
    T& e = ext[i % C];
    if (kIsMax ? v > e : v < e) e = v;
  }
}

template <class T, size_t C, int kKind>
void ExtremaImage(const void* base, int step, int width, int height, void* mnv, void* mxv) {
  constexpr bool kMin = kKind != kExtMax;
  constexpr bool kMax = kKind != kExtMin;
  using D = hn::ScalableTag<T>;
  const D d;
  constexpr size_t kU = kGroupVecs<C>;
  const size_t N = hn::Lanes(d);
  const size_t group = kU * N;
  const size_t n = static_cast<size_t>(width) * C;
  hn::Vec<D> vmin[kU], vmax[kU];
  for (size_t k = 0; k < kU; ++k) {
    vmin[k] = hn::Set(d, Highest<T>());
    vmax[k] = hn::Set(d, Lowest<T>());
  }
  T smin[C], smax[C];
  for (size_t c = 0; c < C; ++c) {
    smin[c] = Highest<T>();
    smax[c] = Lowest<T>();
  }
  for (int y = 0; y < height; ++y) {
    const T* row = RowAt<T>(base, step, y);
    size_t x = 0;
    if (n >= group) {
      for (; x <= n - group; x += group) {
        for (size_t k = 0; k < kU; ++k) {
          const auto v = hn::LoadU(d, row + x + k * N);
          if constexpr (kMin) vmin[k] = Better<false>(v, vmin[k]);
          if constexpr (kMax) vmax[k] = Better<true>(v, vmax[k]);
        }
      }
    }
    for (; x < n; ++x) {
      const T v = loadAt(row + x);
      const size_t c = x % C;
      if (kMin && v < smin[c]) smin[c] = v;
      if (kMax && v > smax[c]) smax[c] = v;
    }
  }
  if constexpr (kMin) {
    FoldInto<false, C, kU>(d, vmin, smin);
    std::memcpy(mnv, smin, sizeof(smin));
  }
  if constexpr (kMax) {
    FoldInto<true, C, kU>(d, vmax, smax);
    std::memcpy(mxv, smax, sizeof(smax));
  }
}

template <class T, size_t C, bool kIsMax>
void RowExtreme(const void* row, size_t n, void* ext) {
  ExtremaImage<T, C, kIsMax ? kExtMax : kExtMin>(row, 0, static_cast<int>(n), 1, ext, ext);
}

// ---------------------------------------------------------------------------------------------
// Index search

template <class T, size_t C>
size_t FindFirst(const void* rowv, size_t n, int c, const void* valuev) {
  const T* row = static_cast<const T*>(rowv);
  T value;
  std::memcpy(&value, valuev, sizeof(T));
  size_t x = 0;
  if constexpr (C == 1) {
    const hn::ScalableTag<T> d;
    const size_t N = hn::Lanes(d);
    const auto v = hn::Set(d, value);
    if (n >= N) {
      for (; x <= n - N; x += N) {
        const auto m = hn::Eq(hn::LoadU(d, row + x), v);
        if (!hn::AllFalse(d, m)) return x + static_cast<size_t>(hn::FindFirstTrue(d, m));
      }
    }
  }
  for (; x < n; ++x) {
    if (loadAt(row + (x * C + static_cast<size_t>(c))) == value) return x;
  }
  return n;
}

// ---------------------------------------------------------------------------------------------
// Counts inside [lo, hi]

// Per-lane counters of the sample's size (8u: bytes, at most 255 groups before they move to the
// totals; 32f: 32-bit lanes). Bytes test lo <= v <= hi as "clamping v leaves it unchanged";
// floats use ordered comparisons, so NaN is never inside.
template <class T, size_t C>
void CountImage(const void* base, int step, int width, int height, const void* lov,
                const void* hiv, int64_t* counts) {
  using D = hn::ScalableTag<T>;
  const D d;
  const hn::RebindToUnsigned<D> du;
  using U = hn::TFromD<decltype(du)>;
  constexpr size_t kFlush = sizeof(T) == 1 ? 255 : kFlushGroups;
  const T* lo = static_cast<const T*>(lov);
  const T* hi = static_cast<const T*>(hiv);
  constexpr size_t kU = kGroupVecs<C>;
  const size_t N = hn::Lanes(d);
  const size_t group = kU * N;
  const size_t n = static_cast<size_t>(width) * C;
  HWY_ALIGN T pattern[kU * hn::MaxLanes(D())];
  HWY_ALIGN U lanes[kU * hn::MaxLanes(D())];
  hn::Vec<D> vlo[kU], vhi[kU];
  hn::Vec<decltype(du)> cnt[kU];
  for (size_t i = 0; i < group; ++i) pattern[i] = lo[i % C];
  for (size_t k = 0; k < kU; ++k) vlo[k] = hn::Load(d, pattern + k * N);
  for (size_t i = 0; i < group; ++i) pattern[i] = hi[i % C];
  for (size_t k = 0; k < kU; ++k) {
    vhi[k] = hn::Load(d, pattern + k * N);
    cnt[k] = hn::Zero(du);
  }
  int64_t total[C] = {};
  size_t pending = 0;
  const auto flush = [&] {
    for (size_t k = 0; k < kU; ++k) {
      hn::Store(cnt[k], du, lanes + k * N);
      cnt[k] = hn::Zero(du);
    }
    for (size_t i = 0; i < group; ++i) total[i % C] += lanes[i];
    pending = 0;
  };
  for (int y = 0; y < height; ++y) {
    const T* row = RowAt<T>(base, step, y);
    size_t x = 0;
    if (n >= group) {
      for (; x <= n - group; x += group) {
        for (size_t k = 0; k < kU; ++k) {
          const auto v = hn::LoadU(d, row + x + k * N);
          hn::Mask<D> in;
          if constexpr (sizeof(T) == 1) {
            in = hn::Eq(hn::Min(hn::Max(v, vlo[k]), vhi[k]), v);
          } else {
            in = hn::And(hn::Ge(v, vlo[k]), hn::Le(v, vhi[k]));
          }
          cnt[k] = hn::Sub(cnt[k], hn::BitCast(du, hn::VecFromMask(d, in)));
        }
        if (++pending == kFlush) flush();
      }
    }
    for (; x < n; ++x) {
      const size_t c = x % C;
      total[c] += (loadAt(row + x) >= lo[c] && loadAt(row + x) <= hi[c]) ? 1 : 0;
    }
  }
  flush();
  for (size_t c = 0; c < C; ++c) counts[c] += total[c];
}

// ---------------------------------------------------------------------------------------------

template <class T, size_t C>
void FillExtrema(ReduceKernels& k, ReduceLayout l) {
  constexpr ReduceType t = reduceType<T>();
  k.extrema[t][l][kExtMin] = &ExtremaImage<T, C, kExtMin>;
  k.extrema[t][l][kExtMax] = &ExtremaImage<T, C, kExtMax>;
  k.extrema[t][l][kExtMinMax] = &ExtremaImage<T, C, kExtMinMax>;
  k.rowExtreme[t][l][0] = &RowExtreme<T, C, false>;
  k.rowExtreme[t][l][1] = &RowExtreme<T, C, true>;
  k.findFirst[t][l] = &FindFirst<T, C>;
}

template <class T>
void FillType(ReduceKernels& k) {
  FillExtrema<T, 1>(k, kRedC1);
  FillExtrema<T, 3>(k, kRedC3);
  FillExtrema<T, 4>(k, kRedC4);
}

const ReduceKernels* GetReduceKernels() {
  static const ReduceKernels kernels = [] {
    ReduceKernels k{};
    k.sumInt[kRed8u][kRedC1] = &Sum8uC1;
    k.sumInt[kRed8u][kRedC3] = &SumIntImage<uint8_t, 3>;
    k.sumInt[kRed8u][kRedC4] = &SumIntImage<uint8_t, 4>;
    k.sumInt[kRed16u][kRedC1] = &SumIntImage<uint16_t, 1>;
    k.sumInt[kRed16u][kRedC3] = &SumIntImage<uint16_t, 3>;
    k.sumInt[kRed16u][kRedC4] = &SumIntImage<uint16_t, 4>;
    k.sumInt[kRed16s][kRedC1] = &SumIntImage<int16_t, 1>;
    k.sumInt[kRed16s][kRedC3] = &SumIntImage<int16_t, 3>;
    k.sumInt[kRed16s][kRedC4] = &SumIntImage<int16_t, 4>;
    k.sumFloat[0][kRedC1] = &SumFloatFast<1>;
    k.sumFloat[0][kRedC3] = &SumFloatFast<3>;
    k.sumFloat[0][kRedC4] = &SumFloatFast<4>;
    k.sumFloat[1][kRedC1] = &SumFloatAccurate<1>;
    k.sumFloat[1][kRedC3] = &SumFloatAccurate<3>;
    k.sumFloat[1][kRedC4] = &SumFloatAccurate<4>;
    FillType<uint8_t>(k);
    FillType<uint16_t>(k);
    FillType<int16_t>(k);
    FillType<float>(k);
    k.count[0][kRedC1] = &CountImage<uint8_t, 1>;
    k.count[0][kRedC3] = &CountImage<uint8_t, 3>;
    k.count[0][kRedC4] = &CountImage<uint8_t, 4>;
    k.count[1][kRedC1] = &CountImage<float, 1>;
    k.count[1][kRedC3] = &CountImage<float, 3>;
    k.count[1][kRedC4] = &CountImage<float, 4>;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetReduceKernels);
const ReduceKernels& reduceKernels() { return *HWY_DYNAMIC_DISPATCH(GetReduceKernels)(); }
}  // namespace rux
#endif
