// Parallel frame: split arithmetic, row coverage, the master's failure rule, nesting.
#include <omp.h>

#include <vector>

#include "core/parallel.h"
#include "toolkit/toolkit.h"

namespace {

using rux::par::RowRange;

std::vector<int> sizes(RowRange (*split)(int, int, int), int rows, int threads) {
  std::vector<int> out;
  int next = 0;
  for (int t = 0; t < threads; ++t) {
    const RowRange r = split(rows, threads, t);
    if (r.size() > 0) {
      EXPECT_EQ(r.begin, next) << "blocks must be contiguous and in order";
      next = r.end;
    }
    out.push_back(r.size());
  }
  EXPECT_EQ(next, rows) << "every row exactly once";
  return out;
}

TEST(ParallelFrame, MasterSplits) {
  EXPECT_EQ(sizes(rux::par::splitFloor, 10, 4), (std::vector<int>{2, 2, 2, 4}));
  EXPECT_EQ(sizes(rux::par::splitCeil, 10, 4), (std::vector<int>{3, 3, 3, 1}));
  EXPECT_EQ(sizes(rux::par::splitCeil, 2, 4), (std::vector<int>{1, 1, 0, 0}));
  EXPECT_EQ(sizes(rux::par::splitFloor, 3, 4), (std::vector<int>{0, 0, 0, 3}));
  EXPECT_EQ(sizes(rux::par::splitStatic, 10, 4), (std::vector<int>{3, 3, 2, 2}));
  for (int rows = 1; rows <= 40; ++rows) {
    for (int threads = 1; threads <= 9; ++threads) {
      sizes(rux::par::splitFloor, rows, threads);
      sizes(rux::par::splitCeil, rows, threads);
      sizes(rux::par::splitStatic, rows, threads);
    }
  }
}

TEST(ParallelFrame, RowBlocksCoverEveryRowOnce) {
  for (int threads : {1, 2, 7}) {
    for (int rows : {1, 2, 7, 50}) {
      std::vector<int> hits(rows, 0);
      rux::par::forEachRowBlock(rows, threads, [&](RowRange r) {
        for (int y = r.begin; y < r.end; ++y) ++hits[y];
      });
      EXPECT_EQ(hits, std::vector<int>(rows, 1)) << threads << " threads, " << rows << " rows";
    }
  }
}

TEST(ParallelFrame, MasterFailureStopsEveryThread) {
  int worked = 0;
  const RuxResult failed = rux::par::masterRegion(
      4, [](int) { return RuxResult(ruxStatusNoMemory); },
      [&](int, int) {
#pragma omp atomic
        ++worked;
      });
  EXPECT_EQ(failed, ruxStatusNoMemory);
  EXPECT_EQ(worked, 0);

  int seenThreads = 0;
  std::vector<int> ran(8, 0);
  const RuxResult ok = rux::par::masterRegion(
      4,
      [&](int t) {
        seenThreads = t;
        return RuxResult(ruxStatusOk);
      },
      [&](int t, int count) {
        EXPECT_EQ(count, seenThreads);  // the set-up is visible to every thread
        ran[t] = 1;
      });
  EXPECT_EQ(ok, ruxStatusOk);
  ASSERT_GE(seenThreads, 1);
  for (int t = 0; t < seenThreads; ++t) EXPECT_EQ(ran[t], 1) << t;
}

// The shape of every parallel reduction: the master allocates one slot per thread, threads fill
// their own slots, the caller combines. A failed allocation returns -9 before any work.
RuxResult sumRows(int rows, int threads, long long* total) {
  rux::par::PerThreadScratch<long long> slots;
  int used = 0;
  const RuxResult st = rux::par::masterRegion(
      threads,
      [&](int t) {
        used = t;
        return slots.allocate(t, 1);
      },
      [&](int t, int count) {
        const RowRange r = rux::par::splitFloor(rows, count, t);
        long long* mine = slots.slice(t);
        *mine = 0;
        for (int y = r.begin; y < r.end; ++y) *mine += y;
      });
  if (st == ruxStatusOk) {
    *total = 0;
    for (int t = 0; t < used; ++t) *total += *slots.slice(t);
  }
  return st;
}

TEST(ParallelFrame, PerThreadSlotsAndAllocationFailure) {
  ruxtest::forThreadCounts([](int threads) {
    long long total = -1;
    ASSERT_EQ(sumRows(1000, threads, &total), ruxStatusOk);
    EXPECT_EQ(total, 999LL * 1000 / 2) << threads;
    ruxtest::FailAllocationsAfter fail(0);
    total = -1;
    EXPECT_EQ(sumRows(1000, threads, &total), ruxStatusNoMemory);
    EXPECT_EQ(total, -1);
  });
}

TEST(ParallelFrame, InsideCallersRegionRunsOnOneThread) {
  int inside = 0;
#pragma omp parallel num_threads(2)
  {
#pragma omp single
    inside = rux::par::requestedThreads();
  }
  EXPECT_EQ(inside, 1);
  ruxtest::forThreadCounts([](int threads) { EXPECT_EQ(rux::par::requestedThreads(), threads); });
}

}  // namespace
