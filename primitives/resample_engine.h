// The separable resampling engine: a horizontal pass of source rows into a ring of work rows,
// then a vertical combination of the ring into each destination row.
//
//  - A source is a base pointer, a step and a clamp box [x0, x1) x [y0, y1): taps outside the box
//    read its nearest edge sample (edge replication), so nothing outside the box is ever read.
//  - horizontalRow() resamples one source row into C channels per destination index: the inner
//    indices of the column table (all taps inside the box) run without bounds tests, the others
//    clamp each tap. A sum runs over the taps in order, one product and one addition per tap.
//  - RowRing keeps min(taps, box rows) resampled rows keyed by their clamped source row r, in slot
//    r mod slots. Tap origins grow with the destination row, so each source row is resampled at
//    most once per call however many destination rows use it, and a reduction resamples only the
//    rows its taps reach.
//  - Carve lays out the work memory: the same code measures (null base) and carves, so a size
//    query reports exactly the bytes a call uses.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "primitives/resample_axis.h"
#include "primitives/unaligned.h"

namespace rux::resample {

struct Box {
  int x0, x1, y0, y1;
};

// Bump allocator over one block with 16-byte alignment; a null base only measures.
struct Carve {
  unsigned char* base = nullptr;
  std::size_t used = 0;
  template <class X>
  X* take(std::size_t count) {
    used = (used + 15) & ~std::size_t{15};
    X* p = base ? reinterpret_cast<X*>(base + used) : nullptr;
    used += count * sizeof(X);
    return p;
  }
};

// Destination indices [d0, d1) of one source row (the pointer addresses its column 0) into
// out[d * C + k]; clampTaps clamps every tap into the box. NT > 0 fixes the tap count at compile
// time (NT == 2: a linear table holding fractions); 0 reads it from the table. Channel k of
// position p is row[p * PS + k * CS]: interleaved pixels by default, PS and CS pick channels out
// of packed formats (the luma or chroma samples of 4:2:2 pixels).
template <int NT, class T, class A, int C, int PS = C, int CS = 1>
void horizontalRange(const T* row, const Axis<A>& ax, Box box, A* out, int d0, int d1, bool clampTaps) {
  const auto at = [&](int p) { return clampTaps ? std::clamp(p, box.x0, box.x1 - 1) : p; };
  const auto sample = [&](int p, int k) {
    return static_cast<A>(loadSample<T>(row + static_cast<std::ptrdiff_t>(p) * PS + k * CS));
  };
  for (int d = d0; d < d1; ++d) {
    const int f = ax.first[d];
    A* o = out + static_cast<std::ptrdiff_t>(d) * C;
    if constexpr (NT == 2) {
      const A t = ax.weight[d], w0 = A(1) - t;
      const int p0 = at(f), p1 = at(f + 1);
      for (int k = 0; k < C; ++k) o[k] = w0 * sample(p0, k) + t * sample(p1, k);
    } else {
      const int taps = NT > 0 ? NT : ax.taps;
      const A* w = ax.weight + static_cast<std::ptrdiff_t>(d) * taps;
      for (int k = 0; k < C; ++k) {
        A s = w[0] * sample(at(f), k);
        for (int j = 1; j < taps; ++j) s = s + w[j] * sample(at(f + j), k);
        o[k] = s;
      }
    }
  }
}

// A whole row: the inner indices of the column table (all taps inside the box) without bounds
// tests, the others clamping each tap.
template <int NT, class T, class A, int C, int PS = C, int CS = 1>
void horizontalRow(const T* row, const Axis<A>& ax, Box box, A* out) {
  horizontalRange<NT, T, A, C, PS, CS>(row, ax, box, out, 0, ax.innerBegin, true);
  horizontalRange<NT, T, A, C, PS, CS>(row, ax, box, out, ax.innerBegin, ax.innerEnd, false);
  horizontalRange<NT, T, A, C, PS, CS>(row, ax, box, out, ax.innerEnd, ax.count, true);
}

template <class R>
class RowRing {
 public:
  // slots rows of rowLen values in mem; rowPtrs holds taps pointers.
  RowRing(R* mem, int slots, std::size_t rowLen, const R** rowPtrs, int lo, int hi)
      : mem_(mem), slots_(slots), len_(rowLen), rows_(rowPtrs), lo_(lo), hi_(hi) {}

  static int slotsFor(int taps, const Box& box) { return std::min(taps, box.y1 - box.y0); }

  // Makes the rows of positions f .. f + taps - 1 (clamped into [lo, hi)) available, computing
  // the missing ones with make(r, dst); rows()[j] is the row of position f + j.
  template <class Make>
  void advance(int f, int taps, Make&& make) {
    const int first = clampRow(f), last = clampRow(static_cast<int>(std::min<long long>(static_cast<long long>(f) + taps - 1, hi_)));
    for (int r = std::max(first, have_ + 1); r <= last; ++r) make(r, slot(r));
    have_ = std::max(have_, last);
    for (int j = 0; j < taps; ++j) rows_[j] = slot(clampRow(f + j));
  }
  const R* const* rows() const { return rows_; }

 private:
  int clampRow(int p) const { return std::clamp(p, lo_, hi_ - 1); }
  R* slot(int r) const { return mem_ + static_cast<std::size_t>((r - lo_) % slots_) * len_; }
  R* mem_;
  int slots_;
  std::size_t len_;
  const R** rows_;
  int lo_, hi_;
  int have_ = -2147483647 - 1;
};

}  // namespace rux::resample
