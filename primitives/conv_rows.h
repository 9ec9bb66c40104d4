// The row engine of the linear neighbourhood filters (fixed kernels and caller kernels).
//
// A filter is a plan of one or two passes of taps (primitives/conv_kernels.h). Direct plans run
// one pass over the source rows: tap t reads the sample at a fixed byte offset from the sample
// under the output (row step and channel stride folded in). Separable plans run a column pass
// over the source rows into a row V of accumulators that reaches `reach` pixels beyond the chunk
// on both sides, then a row pass over V. Each destination row is cut into chunks of at most
// kChunk samples (whole pixels) whose accumulators stay on the stack and in the first-level
// cache; an output rule turns a chunk of sums into destination samples, which are then copied
// to the row (AC4 keeps the destination alpha). Rows are independent, so blocks of rows run on
// the library's threads with the same results as on one.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/conv_kernels.h"
#include "primitives/int_scale.h"
#include "primitives/unaligned.h"

namespace rux::conv {

template <class T>
constexpr Sample sampleOf() {
  if constexpr (std::is_same_v<T, Rux8u>) return k8u;
  else if constexpr (std::is_same_v<T, Rux8s>) return k8s;
  else if constexpr (std::is_same_v<T, Rux16u>) return k16u;
  else if constexpr (std::is_same_v<T, Rux16s>) return k16s;
  else if constexpr (std::is_same_v<T, Rux32s>) return k32s;
  else if constexpr (std::is_same_v<T, Rux32f>) return k32f;
  else return k64f;
}

template <class A>
constexpr Acc accOf() {
  if constexpr (std::is_same_v<A, std::int16_t>) return kI16;
  else if constexpr (std::is_same_v<A, std::int32_t>) return kI32;
  else if constexpr (std::is_same_v<A, float>) return kF32;
  else if constexpr (std::is_same_v<A, double>) return kF64;
  else return kI64;
}

template <class S, class A>
inline TapsFn tapsFor() {
  return convKernels().taps[sampleOf<S>()][accOf<A>()];
}

// Samples per chunk; a chunk holds whole pixels.
constexpr int kChunk = 512;
constexpr int kMaxReach = 2;  // separable plans reach at most 2 pixels to each side

struct Pass {
  TapsFn fn = nullptr;
  const std::ptrdiff_t* offsets = nullptr;  // bytes
  const void* weights = nullptr;
  int taps = 0;
};

struct Plan {
  Pass first;   // over the source: the whole filter, or the column pass
  Pass second;  // over V (fn null for direct plans)
  int reach = 0;  // pixels V extends beyond the chunk on each side
};

// Rows [y0, y1) of the destination. src and dst address pixel (0, 0) of their regions.
template <class T, class A, class D, int C, bool kAlpha, class Rule>
void planRows(const T* src, int srcStep, D* dst, int dstStep, int width, int y0, int y1, const Plan& plan,
              const Rule& rule) {
  constexpr int kPixels = kChunk / C;
  alignas(64) A v[kChunk + 2 * kMaxReach * 4];
  alignas(64) A acc[kChunk];
  alignas(64) D out[kChunk];
  const std::size_t total = static_cast<std::size_t>(width) * C;
  const std::size_t reach = static_cast<std::size_t>(plan.reach) * C;
  for (int y = y0; y < y1; ++y) {
    const unsigned char* row = reinterpret_cast<const unsigned char*>(rowPtr(src, srcStep, y));
    unsigned char* drow = reinterpret_cast<unsigned char*>(rowPtr(dst, dstStep, y));
    for (std::size_t e = 0; e < total; e += static_cast<std::size_t>(kPixels) * C) {
      const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(kPixels) * C, total - e);
      if (plan.second.fn == nullptr) {
        plan.first.fn(row + e * sizeof(T), plan.first.offsets, plan.first.weights, plan.first.taps, n, acc);
      } else {
        plan.first.fn(row + (static_cast<std::ptrdiff_t>(e) - static_cast<std::ptrdiff_t>(reach)) *
                                static_cast<std::ptrdiff_t>(sizeof(T)), plan.first.offsets, plan.first.weights, plan.first.taps,
                      n + 2 * reach, v);
        plan.second.fn(reinterpret_cast<const unsigned char*>(v + reach), plan.second.offsets,
                       plan.second.weights, plan.second.taps, n, acc);
      }
      rule(static_cast<const A*>(acc), out, n);
      storeRowOf<D, C, kAlpha>(out, reinterpret_cast<D*>(drow + e * sizeof(D)), static_cast<int>(n / C));
    }
  }
}

// Whether a region is worth splitting over threads.
inline bool worthThreads(RuxImageSize roi) {
  return roi.width >= 64 && roi.height >= 64;
}

// All rows, split over the library's threads (roi.height div T rows each, the last thread
// also taking the remainder) when `parallel` is set.
template <class T, class A, class D, int C, bool kAlpha, class Rule>
void runPlan(const T* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, const Plan& plan, bool parallel,
             const Rule& rule) {
  const int threads = parallel ? std::min(par::requestedThreads(), roi.height) : 1;
  par::masterRegion(
      threads, [](int) { return ruxStatusOk; },
      [&](int t, int n) {
        const par::RowRange r = par::splitFloor(roi.height, n, t);
        if (r.size() > 0)
          planRows<T, A, D, C, kAlpha>(src, srcStep, dst, dstStep, roi.width, r.begin, r.end, plan, rule);
      });
}

// ---- scalar rounding of the output rules --------------------------------------------------------

// Rounds to an integer by mode: 0 toward zero, 1 nearest with ties to even, 2 nearest with ties
// away from zero; independent of the floating-point rounding mode. Values beyond the 64-bit
// range (and NaN) are clamped, which every caller saturates further.
template <class F>
inline std::int64_t roundBy(F v, int mode) {
  const F limit = static_cast<F>(9.0e18);
  if (!(v > -limit)) return v != v ? 0 : INT64_MIN;
  if (!(v < limit)) return INT64_MAX;
  const F t = std::trunc(v);
  const F frac = std::fabs(v - t);
  auto i = static_cast<std::int64_t>(t);
  if (mode == 0) return i;
  const std::int64_t away = v < 0 ? -1 : 1;
  if (frac > F(0.5) || (frac == F(0.5) && (mode != 1 || (i & 1) != 0))) i += away;
  return i;
}

// floor(S / 2^k) rounded by mode (0 toward zero, 1 ties to even, 2 ties away), k in 1 ... 62.
inline std::int64_t shiftRound(std::int64_t s, int k, int mode) {
  const std::int64_t d = std::int64_t{1} << k;
  const std::int64_t q = s >> k, r = s & (d - 1), half = d >> 1;
  switch (mode) {
    case 0: return q + (s < 0 && r != 0 ? 1 : 0);
    case 1: return q + ((r + half + (q & 1) - 1) >> k);
    default: return q + (s < 0 ? (r > half) : (r >= half));
  }
}

}  // namespace rux::conv
