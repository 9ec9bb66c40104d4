// Median selection networks and their vector kernels, compiled once per target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/median_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/unaligned.h"
#include "primitives/median_kernels.h"

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#ifndef RUX_MEDIAN_NETWORK_BUILDER_
#define RUX_MEDIAN_NETWORK_BUILDER_
namespace rux::median {

// The median steps of the merge-exchange sorting network of k inputs (which sorts any k):
// backwards from the middle slot, a step is kept when a later kept step (or the result) reads
// one of its outputs, and computes only the outputs that are read. Usable at compile time.
template <int K>
struct FixedNetwork {
  std::array<Step, K * K + 64> steps{};
  int count = 0;
};

template <int K>
constexpr FixedNetwork<K> buildFixed() {
  std::array<Step, K * K + 64> sort{};
  int n = 0, t = 0;
  while ((1 << t) < K) ++t;
  for (int p = t > 0 ? 1 << (t - 1) : 0; p > 0; p >>= 1) {
    int q = 1 << (t - 1), r = 0, d = p;
    for (;;) {
      for (int i = 0; i + d < K; ++i)
        if ((i & p) == r) sort[n++] = Step{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + d), 3};
      if (q == p) break;
      d = q - p;
      q >>= 1;
      r = p;
    }
  }
  std::array<bool, K> needed{};
  needed[K / 2] = true;
  std::array<Step, K * K + 64> kept{};
  int m = 0;
  for (int i = n - 1; i >= 0; --i) {
    const Step s = sort[i];
    const bool lo = needed[s.lo], hi = needed[s.hi];
    if (!lo && !hi) continue;
    kept[m++] = Step{s.lo, s.hi, static_cast<std::uint8_t>((lo ? 1 : 0) | (hi ? 2 : 0))};
    needed[s.lo] = needed[s.hi] = true;
  }
  FixedNetwork<K> net;
  for (int i = 0; i < m; ++i) net.steps[i] = kept[m - 1 - i];
  net.count = m;
  return net;
}

}  // namespace rux::median
#endif  // RUX_MEDIAN_NETWORK_BUILDER_

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace median {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

constexpr int kMaxVectorInputs = 64;

template <class T>
void Median(const unsigned char* base, const std::ptrdiff_t* off, const Network& net, std::size_t n, void* outv) {
  T* HWY_RESTRICT out = static_cast<T*>(outv);
  const int k = net.inputs;
  std::size_t i = 0;
  if (k <= kMaxVectorInputs) {
    const hn::ScalableTag<T> d;
    const std::size_t N = hn::Lanes(d);
    using V = hn::Vec<decltype(d)>;
    V v[kMaxVectorInputs];
    for (; i + N <= n; i += N) {
      for (int t = 0; t < k; ++t) v[t] = hn::LoadU(d, reinterpret_cast<const T*>(base + off[t]) + i);
      for (const Step& s : net.steps) {
        const V a = v[s.lo], b = v[s.hi];
        if (s.keep & 1) v[s.lo] = hn::Min(a, b);
        if (s.keep & 2) v[s.hi] = hn::Max(a, b);
      }
      hn::StoreU(v[net.out], d, out + i);
    }
  }
  T w[256];
  for (; i < n; ++i) {
    for (int t = 0; t < k; ++t) w[t] = loadSample<T>(base + off[t] + i * sizeof(T));
    for (const Step& s : net.steps) {
      const T a = w[s.lo], b = w[s.hi];
      if (s.keep & 1) w[s.lo] = a < b ? a : b;
      if (s.keep & 2) w[s.hi] = a > b ? a : b;
    }
    out[i] = w[net.out];
  }
}

// The network of K inputs unrolled at compile time, so the slots stay in registers.
template <int K>
struct Fixed {
  static constexpr FixedNetwork<K> kNet = buildFixed<K>();
  template <class V, std::size_t I>
  static HWY_INLINE void Apply(V* v) {
    constexpr Step s = kNet.steps[I];
    const V a = v[s.lo], b = v[s.hi];
    if constexpr ((s.keep & 1) != 0) v[s.lo] = hn::Min(a, b);
    if constexpr ((s.keep & 2) != 0) v[s.hi] = hn::Max(a, b);
  }
  template <class V, std::size_t... I>
  static HWY_INLINE void Run(V* v, std::index_sequence<I...>) {
    (Apply<V, I>(v), ...);
  }
};

template <class T, int K>
void MedianFixed(const unsigned char* base, const std::ptrdiff_t* off, const Network& net, std::size_t n, void* outv) {
  T* HWY_RESTRICT out = static_cast<T*>(outv);
  const hn::ScalableTag<T> d;
  const std::size_t N = hn::Lanes(d);
  using V = hn::Vec<decltype(d)>;
  std::size_t i = 0;
  for (; i + N <= n; i += N) {
    V v[K];
    for (int t = 0; t < K; ++t) v[t] = hn::LoadU(d, reinterpret_cast<const T*>(base + off[t]) + i);
    Fixed<K>::Run(v, std::make_index_sequence<Fixed<K>::kNet.count>());
    hn::StoreU(v[K / 2], d, out + i);
  }
  if (i < n) {
    // The rest through the generic kernel, which runs the same steps one sample at a time.
    Median<T>(base + i * sizeof(T), off, net, n - i, out + i);
  }
}

// Column histograms: plain counts, one increment per sample and bin level.
void HistRow(ColumnHistograms& h, const std::uint8_t* row, int stride, int sign) {
  const auto d = static_cast<std::int16_t>(sign);
  for (int c = 0; c < h.cols; ++c) {
    const unsigned v = row[static_cast<std::ptrdiff_t>(c) * stride];
    std::int16_t& f = h.fine[static_cast<std::size_t>(c) * 256 + v];
    std::int16_t& g = h.coarse[static_cast<std::size_t>(c) * 16 + (v >> 4)];
    f = static_cast<std::int16_t>(f + d);
    g = static_cast<std::int16_t>(g + d);
  }
}

// Inclusive prefix sums of 16 counts (into prefix) and how many of them stay below `need`.
#if HWY_TARGET != HWY_SCALAR
template <class D>
HWY_INLINE hn::Vec<D> PrefixInBlocks(hn::Vec<D> v) {
  v = hn::Add(v, hn::ShiftLeftLanes<1>(v));
  v = hn::Add(v, hn::ShiftLeftLanes<2>(v));
  return hn::Add(v, hn::ShiftLeftLanes<4>(v));
}
#endif

HWY_INLINE int CountBelow(const std::int16_t* counts, int need, std::int16_t* prefix) {
#if HWY_TARGET != HWY_SCALAR
  const hn::CappedTag<std::int16_t, 16> d;
  const auto limit = hn::Set(d, static_cast<std::int16_t>(need));
  if constexpr (hn::MaxLanes(d) == 16) {
    auto v = PrefixInBlocks<decltype(d)>(hn::LoadU(d, counts));
    v = hn::Add(v, hn::ConcatLowerLower(d, hn::Broadcast<7>(v), hn::Zero(d)));
    hn::StoreU(v, d, prefix);
    return static_cast<int>(hn::CountTrue(d, hn::Lt(v, limit)));
  } else if constexpr (hn::MaxLanes(d) == 8) {
    const auto lo = PrefixInBlocks<decltype(d)>(hn::LoadU(d, counts));
    const auto hi = hn::Add(PrefixInBlocks<decltype(d)>(hn::LoadU(d, counts + 8)), hn::Broadcast<7>(lo));
    hn::StoreU(lo, d, prefix);
    hn::StoreU(hi, d, prefix + 8);
    return static_cast<int>(hn::CountTrue(d, hn::Lt(lo, limit)) + hn::CountTrue(d, hn::Lt(hi, limit)));
  }
#endif
  int run = 0, below = 0;
  for (int i = 0; i < 16; ++i) run += counts[i], prefix[i] = static_cast<std::int16_t>(run), below += run < need;
  return below;
}

// The window's coarse counts follow every step; the fine counts of one coarse bin are brought
// up to date only when the median falls into it: by the columns that entered and left since
// their last use, or from the whole window when that is shorter. So a step reads the coarse
// bins of two columns and usually 16 fine bins of two, not all 256; both searches are prefix
// sums and a count of the sums below the rank.
// bin[0..16) += sum over c in [c0, c1) of (add[c * 256] - sub[c * 256]) (sub null: no
// subtraction), 16 counts at a time in vectors; the counts stay in registers over the columns.
HWY_INLINE void AddColumns(std::int16_t* HWY_RESTRICT bin, const std::int16_t* add, const std::int16_t* sub, int c0,
                           int c1, std::size_t colStride) {
  const hn::CappedTag<std::int16_t, 16> d;
  constexpr std::size_t kMax = hn::MaxLanes(d);
  const std::size_t N = hn::Lanes(d);
  if constexpr (kMax >= 16) {
    (void)N;
    auto v = hn::Load(d, bin);
    for (int c = c0; c < c1; ++c) {
      const std::size_t o = static_cast<std::size_t>(c) * colStride;
      v = sub ? hn::Add(v, hn::Sub(hn::LoadU(d, add + o), hn::LoadU(d, sub + o))) : hn::Add(v, hn::LoadU(d, add + o));
    }
    hn::Store(v, d, bin);
  } else {
    for (std::size_t j = 0; j < 16; j += N) {
      auto v = hn::Load(d, bin + j);
      for (int c = c0; c < c1; ++c) {
        const std::size_t o = static_cast<std::size_t>(c) * colStride + j;
        v = sub ? hn::Add(v, hn::Sub(hn::LoadU(d, add + o), hn::LoadU(d, sub + o))) : hn::Add(v, hn::LoadU(d, add + o));
      }
      hn::Store(v, d, bin + j);
    }
  }
}

void HistMedian(const ColumnHistograms& h, int w, int need, int width, std::uint8_t* out, int stride) {
  alignas(64) std::int16_t fine[256] = {};
  alignas(64) std::int16_t coarse[16] = {};
  alignas(64) std::int16_t prefix[16];
  int stamp[16];  // window start the bin's fine counts were last brought to
  for (int& s : stamp) s = -2 * w - 1;
  for (int c = 0; c < w; ++c) {
    const std::int16_t* g = h.coarse + static_cast<std::size_t>(c) * 16;
    for (int i = 0; i < 16; ++i) coarse[i] = static_cast<std::int16_t>(coarse[i] + g[i]);
  }
  for (int x = 0;; ++x) {
    const int b = CountBelow(coarse, need, prefix);
    const int below = b > 0 ? prefix[b - 1] : 0;
    std::int16_t* bin = fine + (b << 4);
    const std::int16_t* fb = h.fine + (b << 4);
    if (x - stamp[b] >= w) {
      for (int i = 0; i < 16; ++i) bin[i] = 0;
      AddColumns(bin, fb, nullptr, x, x + w, 256);
    } else {
      AddColumns(bin, fb + static_cast<std::size_t>(w) * 256, fb, stamp[b], x, 256);
    }
    stamp[b] = x;
    const int f = CountBelow(bin, need - below, prefix);
    out[static_cast<std::ptrdiff_t>(x) * stride] = static_cast<std::uint8_t>((b << 4) + f);
    if (x + 1 == width) break;
    AddColumns(coarse, h.coarse + static_cast<std::size_t>(w) * 16, h.coarse, x, x + 1, 16);
  }
}

const MedianKernels* GetMedianKernels() {
  static const MedianKernels kernels = [] {
    MedianKernels k{};
    k.median[k8u] = &Median<uint8_t>;
    k.median[k16u] = &Median<uint16_t>;
    k.median[k16s] = &Median<int16_t>;
    k.median[k32f] = &Median<float>;
    k.median[k64f] = &Median<double>;
    k.fixed9[k8u] = &MedianFixed<uint8_t, 9>;
    k.fixed9[k16u] = &MedianFixed<uint16_t, 9>;
    k.fixed9[k16s] = &MedianFixed<int16_t, 9>;
    k.fixed9[k32f] = &MedianFixed<float, 9>;
    k.fixed9[k64f] = &MedianFixed<double, 9>;
    k.fixed25[k8u] = &MedianFixed<uint8_t, 25>;
    k.fixed25[k16u] = &MedianFixed<uint16_t, 25>;
    k.fixed25[k16s] = &MedianFixed<int16_t, 25>;
    k.fixed25[k32f] = &MedianFixed<float, 25>;
    k.fixed25[k64f] = &MedianFixed<double, 25>;
    k.fixed49u8 = &MedianFixed<uint8_t, 49>;
    k.histRow = &HistRow;
    k.histMedian = &HistMedian;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace median
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::median {
HWY_EXPORT(GetMedianKernels);
const MedianKernels& medianKernels() { return *HWY_DYNAMIC_DISPATCH(GetMedianKernels)(); }

namespace {

// The median steps of the merge-exchange sorting network of k inputs (which sorts any k).
Network build(int k) {
  std::vector<Step> sort;
  int t = 0;
  while ((1 << t) < k) ++t;
  for (int p = t > 0 ? 1 << (t - 1) : 0; p > 0; p >>= 1) {
    int q = 1 << (t - 1), r = 0, d = p;
    for (;;) {
      for (int i = 0; i + d < k; ++i)
        if ((i & p) == r) sort.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + d), 3});
      if (q == p) break;
      d = q - p;
      q >>= 1;
      r = p;
    }
  }
  // Backwards from the middle slot: keep a step when a later kept step (or the result) reads
  // one of its outputs, and compute only the outputs that are read.
  Network net;
  net.inputs = k;
  net.out = k / 2;
  std::vector<bool> needed(static_cast<std::size_t>(k), false);
  needed[net.out] = true;
  std::vector<Step> kept;
  for (auto s = sort.rbegin(); s != sort.rend(); ++s) {
    const bool lo = needed[s->lo], hi = needed[s->hi];
    if (!lo && !hi) continue;
    kept.push_back({s->lo, s->hi, static_cast<std::uint8_t>((lo ? 1 : 0) | (hi ? 2 : 0))});
    needed[s->lo] = needed[s->hi] = true;
  }
  net.steps.assign(kept.rbegin(), kept.rend());
  return net;
}

}  // namespace

const Network& networkOf(int k) {
  static std::mutex lock;
  static std::unique_ptr<Network> cache[256];
  const std::lock_guard<std::mutex> hold(lock);
  if (!cache[k]) cache[k] = std::make_unique<Network>(build(k));
  return *cache[k];
}

}  // namespace rux::median
#endif
