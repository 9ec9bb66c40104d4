// Parallel frame: split arithmetic, row coverage, the master's failure rule, nesting.
#include <omp.h>

#include <cfenv>

#include <algorithm>
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

TEST(ParallelFrame, ThreadsBySize) {
  using rux::par::threadsForBytes;
  EXPECT_EQ(rux::par::kForkMinBytes, ruxtest::kForkBytes);
  ruxtest::forThreadCounts([](int threads) {
    EXPECT_EQ(threadsForBytes(0), 1);
    EXPECT_EQ(threadsForBytes(rux::par::kForkMinBytes - 1), 1) << threads;
    EXPECT_EQ(threadsForBytes(rux::par::kForkMinBytes), std::min(threads, 2));
    EXPECT_EQ(threadsForBytes(1LL << 40), threads);
    int inside = 0;
#pragma omp parallel num_threads(2)
    {
#pragma omp single
      inside = threadsForBytes(1LL << 40);
    }
    EXPECT_EQ(inside, 1);
  });
}

// Blocks reach combine in row order: a combine that only accepts the next contiguous block
// fails for any other order.
TEST(ParallelFrame, ReductionsCombineInRowOrder) {
  struct Span {
    int begin = -1, end = -1;
    bool ordered = true;
  };
  const long long bytesPerRow = rux::par::kForkMinBytes;  // every row forks at any count
  ruxtest::forThreadCounts([&](int threads) {
    for (int rows : {1, 2, 7, 50}) {
      const Span all = rux::par::reduceRowBlocks(
          rows, bytesPerRow, Span{},
          [](RowRange r, Span& s) {
            s.begin = r.begin;
            s.end = r.end;
          },
          [](Span& total, const Span& s) {
            if (s.begin < 0) return;  // a slot no thread filled
            if (total.begin < 0) {
              total = s;
              return;
            }
            total.ordered = total.ordered && s.begin == total.end;
            total.end = s.end;
          });
      EXPECT_TRUE(all.ordered) << threads << " threads, " << rows << " rows";
      EXPECT_EQ(all.begin, 0);
      EXPECT_EQ(all.end, rows);
    }
    // Row values fold in row order whatever the blocks.
    std::vector<int> order;
    ASSERT_EQ(rux::par::foldRowValues<double>(
                  9, bytesPerRow, 2,
                  [](int y, double* v) {
                    v[0] = y;
                    v[1] = -y;
                  },
                  [&](const double* v) {
                    EXPECT_EQ(v[1], -v[0]);
                    order.push_back(static_cast<int>(v[0]));
                  }),
              ruxStatusOk);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8})) << threads;
  });
}

// Workers run under the caller's rounding mode, whatever mode they had before.
TEST(ParallelFrame, WorkersUseTheCallersRounding) {
  ruxtest::forThreadCounts([](int threads) {
    std::vector<int> seen(8, -1);
    std::fesetround(FE_UPWARD);
    rux::par::forEachRowBlock(8, threads, [&](RowRange r) {
      for (int y = r.begin; y < r.end; ++y) seen[y] = std::fegetround();
    });
    int inMaster = -1;
    rux::par::masterRegion(
        threads, [](int) { return RuxResult(ruxStatusOk); },
        [&](int t, int count) {
          if (t == count - 1) inMaster = std::fegetround();
        });
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(seen, std::vector<int>(8, FE_UPWARD)) << threads;
    EXPECT_EQ(inMaster, FE_UPWARD) << threads;
    // And in the caller's mode again when it changes between calls.
    rux::par::forEachRowBlock(8, threads, [&](RowRange r) {
      for (int y = r.begin; y < r.end; ++y) seen[y] = std::fegetround();
    });
    EXPECT_EQ(seen, std::vector<int>(8, FE_TONEAREST)) << threads;
  });
}

}  // namespace
