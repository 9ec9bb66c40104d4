// Fork-join frame of the parallel families (OpenMP).
//
//  - requestedThreads(): the library-wide count, 1 inside a caller's parallel region.
//  - forEachRowBlock(): static schedule; each thread gets at most one contiguous block of rows
//    of nearly equal length and processes it in increasing order.
//  - masterRegion(): the master reads the real thread count T, does the set-up (for example
//    allocates per-thread scratch for T threads) and publishes a status; after the barrier every
//    thread works only if that status is 0. The call returns the status.
//  - splitFloor()/splitCeil(): the two master splits of rows among T threads.
// Kernels know nothing of threads: they get row ranges and their own scratch slice.
#pragma once

#include <omp.h>

#include <algorithm>

#include "core/base.h"
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

// Runs body(RowRange) once per thread over the rows [0, rows), static schedule.
template <class Body>
void forEachRowBlock(int rows, int threads, Body&& body) {
  threads = std::max(1, std::min(threads, rows));
  if (threads == 1) {
    body(RowRange{0, rows});
    return;
  }
#pragma omp parallel num_threads(threads)
  {
    const RowRange r = splitStatic(rows, omp_get_num_threads(), omp_get_thread_num());
    if (r.size() > 0) body(r);
  }
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
#pragma omp parallel num_threads(threads) shared(status)
  {
#pragma omp master
    status = setup(omp_get_num_threads());
#pragma omp barrier
    if (status == ruxStatusOk) work(omp_get_thread_num(), omp_get_num_threads());
  }
  return status;
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
