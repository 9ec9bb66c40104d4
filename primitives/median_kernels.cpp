// Median selection networks and their vector kernels, compiled once per target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/median_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/median_kernels.h"

#include <cstring>
#include <memory>
#include <mutex>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace median {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

constexpr int kMaxVectorInputs = 64;

template <class T>
HWY_INLINE T LoadOne(const unsigned char* p) {
  T t;
  std::memcpy(&t, p, sizeof(T));
  return t;
}

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
    for (int t = 0; t < k; ++t) w[t] = LoadOne<T>(base + off[t] + i * sizeof(T));
    for (const Step& s : net.steps) {
      const T a = w[s.lo], b = w[s.hi];
      if (s.keep & 1) w[s.lo] = a < b ? a : b;
      if (s.keep & 2) w[s.hi] = a > b ? a : b;
    }
    out[i] = w[net.out];
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
