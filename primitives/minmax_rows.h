// The extremum engine of the minimum/maximum filters and of dilation and erosion: the minimum
// or maximum over a structuring element whose included positions form runs along its rows.
//
// Every source row that a window reads is turned, once, into levels of running extrema:
// L_0 is the row, L_j(x) = op(L_(j-1)(x), L_(j-1)(x + 2^(j-1))) covers 2^j pixels. A run of
// length n starting at column d is op(L_k(x + d), L_k(x + d + n - 2^k)) with k = floor(log2 n)
// (the two halves overlap, which the extremum does not mind), so the cost per pixel grows with
// log2 of the widest run plus two reads per run. Only the levels some run reads are kept, in a
// ring of one slot per mask row; a destination row is the extremum of its runs' entries. When
// every mask row holds the same runs (rectangles), each source row's extremum over its runs is
// formed once when it is read, and a destination row takes one entry per mask row.
// Each source row is read (into its levels) before any destination row at or below it is
// written, so the same pass works in place. Blocks of rows out of place may run on threads,
// each priming its own ring; the results do not depend on the thread count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/minmax_kernels.h"
#include "primitives/unaligned.h"

namespace rux::rank {

template <class T>
constexpr Type typeOf() {
  if constexpr (std::is_same_v<T, Rux8u>) return k8u;
  else if constexpr (std::is_same_v<T, Rux16u>) return k16u;
  else if constexpr (std::is_same_v<T, Rux16s>) return k16s;
  else if constexpr (std::is_same_v<T, Rux32f>) return k32f;
  else return k64f;
}

struct Run {
  int row, col, len;  // mask row, first mask column, length
};

// The runs of a byte mask (non-zero bytes included).
inline std::vector<Run> runsOf(const Rux8u* mask, RuxImageSize size) {
  std::vector<Run> runs;
  for (int q = 0; q < size.height; ++q)
    for (int p = 0; p < size.width;) {
      if (mask[static_cast<std::size_t>(q) * size.width + p] == 0) {
        ++p;
        continue;
      }
      int e = p;
      while (e < size.width && mask[static_cast<std::size_t>(q) * size.width + e] != 0) ++e;
      runs.push_back({q, p, e - p});
      p = e;
    }
  return runs;
}

inline int floorLog2(int n) {
  int k = 0;
  while ((2 << k) <= n) ++k;
  return k;
}

// The element of a window: maskW x maskH, anchor (anchorX, anchorY) as in the box filter.
struct Element {
  int width, height;  // destination region
  int maskW, maskH, anchorX, anchorY;
  std::vector<Run> runs;
};

template <class T, int C>
class Engine {
 public:
  Engine(const Element& e, Op op) : e_(e), op_(op) {
    rowLen_ = (static_cast<std::size_t>(e.width) + e.maskW - 1) * C;
    outLen_ = static_cast<std::size_t>(e.width) * C;
    int top = 0;
    for (const Run& r : e.runs) top = std::max(top, floorLog2(r.len));
    levels_ = top + 1;
    slotOf_.assign(static_cast<std::size_t>(levels_), -1);
    for (const Run& r : e.runs) slotOf_[floorLog2(r.len)] = 0;
    kept_ = 0;
    for (int& s : slotOf_)
      if (s == 0) s = kept_++;
    for (const Run& r : e.runs) entries_ += floorLog2(r.len) == 0 || (1 << floorLog2(r.len)) == r.len ? 1 : 2;
    // Uniform rows: the same runs in every mask row.
    uniform_ = !e.runs.empty();
    for (const Run& r : e.runs) {
      if (r.row != e.runs[0].row) break;
      rowRuns_.push_back(r);
    }
    uniform_ = static_cast<int>(e.runs.size()) == static_cast<int>(rowRuns_.size()) * e.maskH;
    for (std::size_t i = 0; uniform_ && i < e.runs.size(); ++i) {
      const Run& a = e.runs[i];
      const Run& b = rowRuns_[i % rowRuns_.size()];
      uniform_ = a.row == static_cast<int>(i / rowRuns_.size()) && a.col == b.col && a.len == b.len;
    }
    if (uniform_) rowSlot_ = kept_++;
    // Short uniform rows: a source row's extremum straight from its samples, one pass, no levels.
    int rowSpan = 0;
    for (const Run& r : rowRuns_) rowSpan += r.len;
    direct_ = uniform_ && rowSpan <= kDirectSpan;
    if (direct_) entries_ = std::max(entries_, rowSpan);
    // Uniform rows form destination rows in pairs that share mask.height - 1 source rows, so
    // the ring holds one row more.
    pairs_ = uniform_ && e.maskH > 1;
    slots_ = e.maskH + (pairs_ ? 1 : 0);
  }

  // Scratch of one block: the ring, two build rows, the finished row and the entry offsets.
  long long scratchBytes() const {
    const long long arrays = static_cast<long long>(slots_) * kept_ + 4;
    const long long bytes = arrays * padded(rowLen_) * static_cast<long long>(sizeof(T)) +
                            static_cast<long long>(entries_) * static_cast<long long>(sizeof(std::ptrdiff_t));
    return (bytes + 63) / 64 * 64;
  }

  // Destination rows [y0, y1); each is formed in place(y) when that gives a row, else in
  // scratch, then store(row of outLen samples, y) finishes it.
  template <class Place, class Store>
  void rows(const T* src, int srcStep, int y0, int y1, unsigned char* scratch, Place&& place, Store&& store) const {
    const MinMaxKernels& k = minMaxKernels();
    const std::size_t stride = padded(rowLen_) * sizeof(T);
    const std::size_t ring = static_cast<std::size_t>(slots_) * kept_;
    T* build[2] = {reinterpret_cast<T*>(scratch + stride * ring), reinterpret_cast<T*>(scratch + stride * (ring + 1))};
    T* out = reinterpret_cast<T*>(scratch + stride * (ring + 2));
    const auto shared = static_cast<std::ptrdiff_t>(stride * (ring + 3));  // a pair's second row
    auto* offsets = reinterpret_cast<std::ptrdiff_t*>(scratch + stride * (ring + 4));
    const auto slot = [&](int srcRow) { return ((srcRow % slots_) + slots_) % slots_; };
    const auto rowEntry = [&](int srcRow) {
      return static_cast<std::ptrdiff_t>(stride) * (static_cast<std::ptrdiff_t>(slot(srcRow)) * kept_ + rowSlot_);
    };
    const CombineFn combine = k.combine[typeOf<T>()][op_];
    const CombinePairFn combinePair = k.combinePair[typeOf<T>()][op_];
    // Levels of source row r (mask row q reads row y - anchorY + q) into its ring slot.
    const auto load = [&](int r) {
      const T* row = rowPtr(src, srcStep, r) - static_cast<std::ptrdiff_t>(e_.anchorX) * C;
      unsigned char* base = scratch + stride * static_cast<std::size_t>(slot(r)) * kept_;
      if (direct_) {
        int n = 0;
        for (const Run& run : rowRuns_)
          for (int t = 0; t < run.len; ++t)
            offsets[n++] = static_cast<std::ptrdiff_t>((run.col + t) * C * static_cast<int>(sizeof(T)));
        const auto* bytes = reinterpret_cast<const unsigned char*>(row);
        T* target = reinterpret_cast<T*>(base + stride * rowSlot_);
        // One run of one-channel samples: vectors shifted in registers, the rest from the offset rows.
        std::size_t done = 0;
        if (C == 1 && rowRuns_.size() == 1) {
          const std::size_t skip = static_cast<std::size_t>(rowRuns_[0].col) * sizeof(T);
          done = k.combineNear[typeOf<T>()][op_](bytes + skip, rowRuns_[0].len, outLen_, rowLen_ * sizeof(T) - skip,
                                                 target);
        }
        if (done < outLen_) combine(bytes + done * sizeof(T), offsets, n, outLen_ - done, target + done);
        return;
      }
      const T* cur = row;
      std::size_t len = rowLen_;
      for (int j = 0; j < levels_; ++j) {
        if (j > 0) {
          const std::size_t shift = (std::size_t{1} << (j - 1)) * C;
          len -= shift;
          T* next = slotOf_[j] >= 0 ? reinterpret_cast<T*>(base + stride * slotOf_[j]) : build[j & 1];
          k.level[typeOf<T>()][op_](cur, next, len, shift);
          cur = next;
        } else if (slotOf_[0] >= 0) {
          std::memcpy(base + stride * slotOf_[0], row, rowLen_ * sizeof(T));
        }
      }
      if (uniform_) {
        int n = 0;
        for (const Run& run : rowRuns_) entry(run, stride * static_cast<std::size_t>(slot(r)) * kept_, stride, offsets, &n);
        k.combine[typeOf<T>()][op_](scratch, offsets, n, outLen_, base + stride * rowSlot_);
      }
    };
    // Every row of the window range is loaded: as rows move up through the mask, each meets
    // the mask rows that include positions.
    for (int q = 0; q + 1 < e_.maskH; ++q) load(y0 - e_.anchorY + q);
    for (int y = y0; y < y1; ++y) {
      if (pairs_ && y + 1 < y1) {
        // Rows y and y + 1: the extremum of the shared rows, then one more row for each.
        const int top = y - e_.anchorY;
        load(top + e_.maskH - 1);
        load(top + e_.maskH);
        int n = 0;
        for (int q = 1; q < e_.maskH; ++q) offsets[n++] = rowEntry(top + q);
        T* rowA = place(y);
        T* rowB = place(y + 1);
        if (rowA == nullptr) rowA = out;
        if (rowB == nullptr) rowB = reinterpret_cast<T*>(scratch + shared);
        combinePair(scratch, offsets, n, rowEntry(top), rowEntry(top + e_.maskH), outLen_, rowA, rowB);
        store(rowA, y);
        store(rowB, y + 1);
        ++y;
        continue;
      }
      load(y - e_.anchorY + e_.maskH - 1);
      int n = 0;
      if (uniform_) {
        for (int q = 0; q < e_.maskH; ++q)
          offsets[n++] = static_cast<std::ptrdiff_t>(stride) *
                         (static_cast<std::ptrdiff_t>(slot(y - e_.anchorY + q)) * kept_ + rowSlot_);
      } else {
        for (const Run& r : e_.runs) entry(r, stride * static_cast<std::size_t>(slot(y - e_.anchorY + r.row)) * kept_, stride, offsets, &n);
      }
      T* row = place(y);
      if (row == nullptr) row = out;
      k.combine[typeOf<T>()][op_](scratch, offsets, n, outLen_, row);
      store(row, y);
    }
  }

 private:
  static std::size_t padded(std::size_t n) { return (n + 15) / 16 * 16; }

  // The one or two level entries of a run, as byte offsets from the scratch base of its slot.
  void entry(const Run& r, std::size_t slotBase, std::size_t stride, std::ptrdiff_t* offsets, int* n) const {
    const int j = floorLog2(r.len);
    const auto at = static_cast<std::ptrdiff_t>(slotBase + stride * static_cast<std::size_t>(slotOf_[j]));
    const auto px = static_cast<std::ptrdiff_t>(C * sizeof(T));
    offsets[(*n)++] = at + r.col * px;
    if ((1 << j) != r.len) offsets[(*n)++] = at + (r.col + r.len - (1 << j)) * px;
  }

  Element e_;
  Op op_;
  std::size_t rowLen_ = 0, outLen_ = 0;
  int levels_ = 1, kept_ = 0, entries_ = 0;
  std::vector<int> slotOf_;  // level -> index of its array in a slot, -1 when not kept
  bool uniform_ = false;     // every mask row holds rowRuns_
  bool pairs_ = false;       // destination rows formed two at a time
  bool direct_ = false;      // uniform rows of at most kDirectSpan samples: no levels
  static constexpr int kDirectSpan = 7;
  int slots_ = 1;            // ring slots
  std::vector<Run> rowRuns_;
  int rowSlot_ = -1;         // array of a slot holding the row's extremum over rowRuns_
};


// Filters the region with the element; `finish(row, n)` may adjust a finished row before it
// is stored. In place (src == dst with the same step) runs on the calling thread.
template <class T, int C, bool kAlpha, class Finish>
RuxResult filterRuns(const T* src, int srcStep, T* dst, int dstStep, const Element& e, Op op, bool inPlace,
                     bool parallel, Finish&& finish) {
  const Engine<T, C> engine(e, op);
  const long long slice = engine.scratchBytes();
  const int threads = inPlace || !parallel ? 1 : std::min(par::requestedThreads(), e.height);
  par::PerThreadScratch<unsigned char> scratch;
  return par::masterRegion(
      threads, [&](int t) { return scratch.allocate(t, slice); },
      [&](int t, int total) {
        const par::RowRange r = par::splitFloor(e.height, total, t);
        if (r.size() < 1) return;
        // Rows of whole, aligned samples are formed straight in the destination (not AC4).
        const auto place = [&](int y) -> T* {
          T* row = rowPtr(dst, dstStep, y);
          return !kAlpha && reinterpret_cast<std::uintptr_t>(row) % sizeof(T) == 0 ? row : nullptr;
        };
        engine.rows(src, srcStep, r.begin, r.end, scratch.slice(t), place, [&](T* row, int y) {
          finish(row, static_cast<std::size_t>(e.width) * C);
          T* target = rowPtr(dst, dstStep, y);
          if (row != target) storeRowOf<T, C, kAlpha>(row, target, e.width);
        });
      });
}

}  // namespace rux::rank
