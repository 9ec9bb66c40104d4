// Area (super-sampling) engine: each destination sample is a weighted sum over the contiguous run
// of source samples its area covers, horizontally then vertically, in the work type A.
//
//  - An AreaAxis describes one axis per destination index: the position of its first source
//    sample (relative to the row pointer, or the row index) and its phase; a phase holds the tap
//    count and the weights (slots per phase, weights already divided by the area). Periodic maps
//    (rational ratios) keep one phase per residue; any other map can give every index its own.
//  - areaRow() forms one horizontal row; areaResize() walks the destination rows, forming each
//    source row once (a row on the boundary of two areas is reused by the next destination
//    row), accumulating acc = w0 h0, acc = acc + wj hj in tap order with the vertical kernels of
//    primitives/resample_kernels, and storing the last sum with the destination's rounding.
// Every sum therefore has the bits of the plain ordered loop on every SIMD target.
#pragma once

#include <cstddef>

#include "primitives/resample_kernels.h"
#include "primitives/unaligned.h"

namespace rux::resample {

template <class A>
struct AreaAxis {
  int count = 0;              // destination indices
  const int* first = nullptr; // per index: first source position
  const int* phase = nullptr; // per index: its phase
  int slots = 0;              // weights per phase
  const int* taps = nullptr;  // per phase: source samples covered (1 .. slots)
  const A* weight = nullptr;  // phases x slots
};

// One source row (the pointer addresses position 0) into out[d * C + k].
template <class T, class A, int C>
void areaRow(const T* row, const AreaAxis<A>& ax, A* out) {
  for (int d = 0; d < ax.count; ++d) {
    const int p = ax.phase[d], n = ax.taps[p];
    const A* w = ax.weight + static_cast<std::ptrdiff_t>(p) * ax.slots;
    const T* s = row + static_cast<std::ptrdiff_t>(ax.first[d]) * C;
    A* o = out + static_cast<std::ptrdiff_t>(d) * C;
    for (int k = 0; k < C; ++k) {
      A v = w[0] * static_cast<A>(loadSample<T>(s + k));
      for (int j = 1; j < n; ++j) v = v + w[j] * static_cast<A>(loadSample<T>(s + j * C + k));
      o[k] = v;
    }
  }
}

// srcRow(r) addresses source row r, dstRow(y) destination row y; acc and h hold ax.count * C
// values each. accumulate is the A-to-A vertical kernel, store the one of the destination.
template <class T, class A, int C, class SrcRow, class DstRow>
void areaResize(const AreaAxis<A>& ax, const AreaAxis<A>& ay, SrcRow&& srcRow, DstRow&& dstRow, A* acc, A* h,
                VerticalFn<A, A> accumulate, VerticalFn<T, A> store) {
  const std::size_t n = static_cast<std::size_t>(ax.count) * C;
  bool have = false;
  int last = 0;
  for (int y = 0; y < ay.count; ++y) {
    const int p = ay.phase[y], taps = ay.taps[p], r0 = ay.first[y];
    const A* w = ay.weight + static_cast<std::ptrdiff_t>(p) * ay.slots;
    T* out = dstRow(y);
    for (int j = 0; j < taps; ++j) {
      const int r = r0 + j;
      if (!have || r != last) areaRow<T, A, C>(srcRow(r), ax, h);
      have = true;
      last = r;
      if (j == 0) {
        const A* one[1] = {h};
        if (taps == 1) store(one, w, 1, out, n);
        else accumulate(one, w, 1, acc, n);
        continue;
      }
      const A* two[2] = {acc, h};
      const A pair[2] = {A(1), w[j]};
      if (j + 1 < taps) accumulate(two, pair, 2, acc, n);
      else store(two, pair, 2, out, n);
    }
  }
}

}  // namespace rux::resample
