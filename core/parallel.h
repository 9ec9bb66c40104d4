// Fork-join frame of the parallel families (OpenMP).
//
//  - requestedThreads(): the library-wide count, 1 inside a caller's parallel region.
//  - forEachRowBlock(): static schedule; each thread gets at most one contiguous block of rows
//    of nearly equal length and processes it in increasing order.
//  - masterRegion(): the master reads the real thread count T, does the set-up (for example
//    allocates per-thread scratch for T threads) and publishes a status; after the barrier every
//    thread works only if that status is 0. The call returns the status.
//  - splitFloor()/splitCeil(): the two master splits of rows among T threads.
//  - threadsForBytes(): how many threads a region of that many bytes touched is worth; the
//    size-gated helpers forEachRowBlockBySize(), reduceRowBlocks() and foldRowValues() use it,
//    so a small call never forks.
// Every region runs its workers under the caller's rounding mode.
// Kernels know nothing of threads: they get row ranges and their own scratch slice.
#pragma once

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <thread>

#include "core/base.h"
#include "core/fp_guard.h"
#include "core/scratch.h"

namespace rux::par {

struct RowRange {
  int begin;
  int end;  // exclusive
  int size() const { return end - begin; }
};

// k = H div T rows per thread; the last thread also takes the H mod T remaining rows.
inline RowRange splitFloor(int rows, int threads, int t) {
  const int k = rows / threads;
  const int begin = t * k;
  return {begin, t == threads - 1 ? rows : begin + k};
}

// k = ceil(H / T); thread t takes [t*k, min(t*k + k, H)); an empty range when t*k >= H.
inline RowRange splitCeil(int rows, int threads, int t) {
  const long long k = (static_cast<long long>(rows) + threads - 1) / threads;
  const long long begin = std::min<long long>(k * t, rows);
  return {static_cast<int>(begin), static_cast<int>(std::min<long long>(begin + k, rows))};
}

// Static schedule without chunk size: the first (H mod T) threads get one extra row.
inline RowRange splitStatic(int rows, int threads, int t) {
  const int q = rows / threads;
  const int r = rows % threads;
  const int begin = t * q + std::min(t, r);
  return {begin, begin + q + (t < r ? 1 : 0)};
}

// Threads to ask for: the library-wide count, or 1 when called from inside a parallel region.
inline int requestedThreads() {
  if (omp_in_parallel()) return 1;
  const int n = ownGetNumThreads();
  return n < 1 ? 1 : n;
}

// An empty two-thread region costs about 2.7 us on this kind of machine, and a copy that touches
// 1 MiB takes about as long on two threads as on one: a region below kForkMinBytes touched stays
// on the calling thread, and each further thread needs kBytesPerThread of work.
constexpr long long kForkMinBytes = 1 << 20;
constexpr long long kBytesPerThread = 512 << 10;

// Threads for a region that reads and writes bytesTouched bytes in all.
inline int threadsForBytes(long long bytesTouched) {
  if (bytesTouched < kForkMinBytes) return 1;
  return static_cast<int>(
      std::min<long long>(requestedThreads(), std::max(1LL, bytesTouched / kBytesPerThread)));
}

// Runs body(RowRange) once per thread over the rows [0, rows), static schedule.
template <class Body>
void forEachRowBlock(int rows, int threads, Body&& body) {
  threads = std::max(1, std::min(threads, rows));
  if (threads == 1) {
    body(RowRange{0, rows});
    return;
  }
  const int rounding = std::fegetround();
#pragma omp parallel num_threads(threads)
  {
    const FpRoundingGuard guard(rounding);
    const RowRange r = splitStatic(rows, omp_get_num_threads(), omp_get_thread_num());
    if (r.size() > 0) body(r);
  }
}

// forEachRowBlock with the thread count of rows x bytesPerRow bytes touched.
template <class Body>
void forEachRowBlockBySize(int rows, long long bytesPerRow, Body&& body) {
  forEachRowBlock(rows, threadsForBytes(bytesPerRow * rows), body);
}

// Most partial results a reduction keeps: more threads than this share the work of this many.
constexpr int kMaxPartials = 64;

// Exact reductions: body(RowRange, P& partial) accumulates a block of rows into a partial that
// starts as init; combine(P& total, const P& partial) then runs on the calling thread in block
// order. Exact combinations (integer sums, minima, maxima, the first hit in row order) make the
// result independent of the thread count.
// kParts bounds the threads (and the partials kept on the stack) for large partials.
template <int kParts = kMaxPartials, class P, class Body, class Combine>
P reduceRowBlocks(int rows, long long bytesPerRow, const P& init, Body&& body,
                  Combine&& combine) {
  const int threads = std::min(kParts, threadsForBytes(bytesPerRow * rows));
  P total = init;
  if (threads <= 1 || rows < 2) {
    body(RowRange{0, rows}, total);
    return total;
  }
  // Every slot starts as init, so slots of threads the runtime did not grant combine as nothing.
  P parts[kParts];
  for (int t = 0; t < threads; ++t) parts[t] = init;
  forEachRowBlock(rows, threads, [&](RowRange r) { body(r, parts[omp_get_thread_num()]); });
  for (int t = 0; t < threads; ++t) combine(total, parts[t]);
  return total;
}

// Float reductions whose serial form folds one value per row in row order: rowValue(y, V*)
// computes the row's values (count <= 4 of them) in parallel into a scratch vector, then fold(V*)
// runs on the calling thread for every row in order, so the bits equal the serial fold's at any
// thread count. Without memory for the vector the rows are folded on the calling thread.
template <class V, class RowValue, class Fold>
RuxResult foldRowValues(int rows, long long bytesPerRow, int count, RowValue&& rowValue,
                        Fold&& fold) {
  const int threads = threadsForBytes(bytesPerRow * rows);
  Scratch<V> values(threads > 1 ? static_cast<long long>(rows) * count : 0);
  if (threads <= 1 || !values) {
    V v[4];
    for (int y = 0; y < rows; ++y) {
      rowValue(y, v);
      fold(static_cast<const V*>(v));
    }
    return ruxStatusOk;
  }
  V* all = values.get();
  forEachRowBlock(rows, threads, [&](RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      rowValue(y, all + static_cast<std::ptrdiff_t>(y) * count);
    }
  });
  for (int y = 0; y < rows; ++y) {
    fold(static_cast<const V*>(all + static_cast<std::ptrdiff_t>(y) * count));
  }
  return ruxStatusOk;
}

// setup(T) runs on the master before the barrier and returns a status; work(t, T) runs on every
// thread afterwards unless that status is non-zero. Returns the shared status.
template <class Setup, class Work>
RuxResult masterRegion(int threads, Setup&& setup, Work&& work) {
  RuxResult status = ruxStatusOk;
  if (threads <= 1) {
    status = setup(1);
    if (status == ruxStatusOk) work(0, 1);
    return status;
  }
  const int rounding = std::fegetround();
#pragma omp parallel num_threads(threads) shared(status)
  {
    const FpRoundingGuard guard(rounding);
#pragma omp master
    status = setup(omp_get_num_threads());
#pragma omp barrier
    if (status == ruxStatusOk) work(omp_get_thread_num(), omp_get_num_threads());
  }
  return status;
}

// Rows that one serial producer makes ready in order: produce(publish) runs on the calling
// thread and calls publish(r) whenever rows [0, r) are ready (r never decreases; the last call
// passes all rows). Meanwhile every other thread, and the calling thread once produce returns,
// takes the next row in order and runs body(y) as soon as row y is ready, so the rows' work
// overlaps the production. Which thread runs a row varies: body(y) must give the same result
// on any thread. Waiting threads yield, so more threads than cores still let the producer run.
template <class Produce, class Body>
void forRowsAsProduced(int rows, int threads, Produce&& produce, Body&& body) {
  if (threads <= 1 || rows < 2) {
    produce([](int) {});
    for (int y = 0; y < rows; ++y) body(y);
    return;
  }
  std::atomic<int> ready{0}, next{0};
  const int rounding = std::fegetround();
#pragma omp parallel num_threads(threads)
  {
    const FpRoundingGuard guard(rounding);
    if (omp_get_thread_num() == 0) produce([&](int r) { ready.store(r, std::memory_order_release); });
    for (int y = next.fetch_add(1, std::memory_order_relaxed); y < rows;
         y = next.fetch_add(1, std::memory_order_relaxed)) {
      while (ready.load(std::memory_order_acquire) <= y) std::this_thread::yield();
      body(y);
    }
  }
}

// Per-thread scratch and partial results: one block of equal slices, thread t uses slice(t)
// only (a thread zeroes and accumulates into its own slots; the calling thread combines them
// after the region, so no lock or atomic is needed). Sized for a thread count
// that is known before the region (N) or inside it by the master (T); allocate() returns -9 when
// the block cannot be had.
template <class T>
class PerThreadScratch {
 public:
  RuxResult allocate(int threads, long long sliceElements) {
    slice_ = sliceElements;
    block_.reset(static_cast<long long>(threads) * sliceElements);
    return block_ ? ruxStatusOk : ruxStatusNoMemory;
  }
  T* slice(int t) const { return block_.get() + static_cast<std::ptrdiff_t>(t) * slice_; }

 private:
  Scratch<T> block_{0};
  long long slice_ = 0;
};

}  // namespace rux::par
