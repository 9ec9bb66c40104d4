// Sums, extrema, norms, counts, histograms, LUT and palette give the same bits at 1, 2 and 7
// threads around the fork size: integer totals, 32f row-order sums, signed zeros, NaN and the
// first position of ties across row blocks.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;
using ruxtest::bytesOf;

constexpr int kW = 1000;

// Runs a reduction into n values of type V at every thread count.
template <class V, class Call>
void expectSameValues(const std::string& what, int n, const Call& call) {
  ruxtest::expectThreadIndependent(what, [&] {
    std::vector<V> out(static_cast<std::size_t>(n));
    EXPECT_EQ(call(out.data()), ruxStatusOk) << what;
    return bytesOf(out.data(), out.size());
  });
}

TEST(StatsThreads, SumsCountsAndNorms) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(3LL * (kW / 3) * 2)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux16s> s16(kW / 3, h, 3, 1), t16(kW / 3, h, 3, 2);
    expectSameValues<Rux64f>("NormDiff_Inf 16s C3" + at, 3, [&](Rux64f* v) {
      return ruxiNormDiff_Inf_16s_C3R(s16.data(), s16.step(), t16.data(), t16.step(), s16.size(), v);
    });
    expectSameValues<Rux64f>("Sum 16s C3" + at, 3, [&](Rux64f* v) {
      return ruxiSum_16s_C3R(s16.data(), s16.step(), s16.size(), v);
    });
  }
  // Dot products read two images; tight images run as one long row per block.
  for (int h : ruxtest::heightsAroundFork(2LL * kW)) {
    for (bool tight : {false, true}) {
      GuardedImage<Rux8u> a(kW, h, 1, 5, 0, tight), b(kW, h, 1, 6, 0, tight);
      expectSameValues<Rux64f>("DotProd 8u64f C1 height " + std::to_string(h) + (tight ? " tight" : ""), 1, [&](Rux64f* v) {
        return ruxiDotProd_8u64f_C1R(a.data(), a.step(), b.data(), b.step(), a.size(), v);
      });
    }
  }
  for (int h : ruxtest::heightsAroundFork(kW)) {
    const std::string at = " height " + std::to_string(h);
    for (bool tight : {false, true}) {
      GuardedImage<Rux8u> s(kW, h, 1, 3, 0, tight);
      const std::string how = at + (tight ? " tight" : "");
      expectSameValues<Rux64f>("Norm_L1 8u C1" + how, 1, [&](Rux64f* v) {
        return ruxiNorm_L1_8u_C1R(s.data(), s.step(), s.size(), v);
      });
      expectSameValues<int>("CountInRange 8u C1" + how, 1, [&](int* v) {
        return ruxiCountInRange_8u_C1R(s.data(), s.step(), s.size(), v, 20, 200);
      });
      expectSameValues<Rux32s>("HistogramEven 8u C1" + how, 40, [&](Rux32s* v) {
        Rux32s levels[41];
        return ruxiHistogramEven_8u_C1R(s.data(), s.step(), s.size(), v, levels, 41, 3, 250);
      });
    }
    GuardedImage<Rux8u> c3(kW / 3, h, 3, 4);
    expectSameValues<Rux64f>("Sum 8u C3" + at, 3, [&](Rux64f* v) {
      return ruxiSum_8u_C3R(c3.data(), c3.step(), c3.size(), v);
    });
    expectSameValues<Rux32s>("HistogramEven 8u C3" + at, 3 * 16, [&](Rux32s* v) {
      Rux32s levels[3][17];
      Rux32s* hist[3] = {v, v + 16, v + 32};
      Rux32s* lv[3] = {levels[0], levels[1], levels[2]};
      const int n[3] = {17, 17, 17};
      const Rux32s lo[3] = {0, 10, 20}, hi[3] = {256, 200, 120};
      return ruxiHistogramEven_8u_C3R(c3.data(), c3.step(), c3.size(), hist, lv, n, lo, hi);
    });
  }
  // 32f sums: each row in single precision, the rows in double in row order.
  for (int h : ruxtest::heightsAroundFork(4LL * (kW / 4))) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux32f> f(kW / 4, h, 1, 5);
    for (RuxAccuracyHint hint : {ruxHintNone, ruxHintAccurate}) {
      const std::string how = at + (hint == ruxHintAccurate ? " accurate" : " fast");
      expectSameValues<Rux64f>("Sum 32f C1" + how, 1, [&](Rux64f* v) {
        return ruxiSum_32f_C1R(f.data(), f.step(), f.size(), v, hint);
      });
      expectSameValues<Rux64f>("Norm_L2 32f C1" + how, 1, [&](Rux64f* v) {
        return ruxiNorm_L2_32f_C1R(f.data(), f.step(), f.size(), v, hint);
      });
    }
  }
}

TEST(StatsThreads, ExtremaAndPositions) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  constexpr Rux32f kNaN = std::numeric_limits<Rux32f>::quiet_NaN();
  for (int h : ruxtest::heightsAroundFork(12LL * (kW / 3))) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux32f> f(kW / 3, h, 3, 6);
    // A tie for the maximum of channel 1 in the middle and near the bottom, and NaN rows: the
    // middle one (first in raster order) is reported.
    f.at(9, h / 2 + 1, 1) = 5000.0f;
    f.at(3, h - 2, 1) = 5000.0f;
    for (int x = 0; x < kW / 3; ++x) f.at(x, 0, 1) = kNaN;
    expectSameValues<int>("MaxIndx 32f C3" + at, 9, [&](int* v) {
      Rux32f mx[3];
      const RuxResult st = ruxiMaxIndx_32f_C3R(f.data(), f.step(), f.size(), mx, v, v + 3);
      EXPECT_EQ(mx[1], 5000.0f);
      EXPECT_EQ(v[1], 9);
      EXPECT_EQ(v[4], h / 2 + 1);
      std::memcpy(v + 6, mx, sizeof(mx));
      return st;
    });
  }
  for (int h : ruxtest::heightsAroundFork(4LL * (kW / 4))) {
    const std::string at = " height " + std::to_string(h);
    // Non-negative samples with -0 near the top and +0 near the bottom: the sign of the zero
    // minimum must not depend on where the blocks split.
    GuardedImage<Rux32f> f(kW / 4, h, 1, 7);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < kW / 4; ++x) f.at(x, y, 0) = std::fabs(f.at(x, y, 0)) + 1.0f;
    }
    f.at(100, 1, 0) = -0.0f;
    f.at(50, h - 1, 0) = 0.0f;
    f.at(7, h / 2, 0) = kNaN;
    expectSameValues<Rux32f>("MinMax 32f C1 zeros" + at, 2, [&](Rux32f* v) {
      return ruxiMinMax_32f_C1R(f.data(), f.step(), f.size(), v, v + 1);
    });
    expectSameValues<Rux32f>("Min 32f C1 zeros" + at, 1, [&](Rux32f* v) {
      return ruxiMin_32f_C1R(f.data(), f.step(), f.size(), v);
    });
    GuardedImage<Rux8u> s(kW, h, 1, 8);
    expectSameValues<int>("MinIndx 8u C1" + at, 3, [&](int* v) {
      Rux8u mn = 1;
      const RuxResult st = ruxiMinIndx_8u_C1R(s.data(), s.step(), s.size(), &mn, v, v + 1);
      v[2] = mn;
      return st;
    });
    GuardedImage<Rux16s> s4(kW / 8, h, 4, 9);
    expectSameValues<Rux16s>("Max 16s C4" + at, 4, [&](Rux16s* v) {
      return ruxiMax_16s_C4R(s4.data(), s4.step(), s4.size(), v);
    });
  }
}

TEST(StatsThreads, LookUps) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(2LL * kW)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux8u> src(kW, h, 1, 10), dst(kW, h, 1, 11);
    const Rux32s levels[3] = {0, 100, 256}, values[3] = {7, 200, 0};
    ruxtest::expectThreadIndependent("LUT 8u C1" + at, [&] {
      dst.restore();
      EXPECT_EQ(ruxiLUT_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), src.size(), values,
                               levels, 3),
                ruxStatusOk);
      EXPECT_TRUE(dst.check());
      return dst.regionBytes();
    });
    GuardedImage<Rux8u> s3(kW / 3, h, 3, 12), d3(kW / 3, h, 3, 13);
    Rux8u table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<Rux8u>(255 - i);
    const Rux8u* tables[3] = {table, table, table};
    ruxtest::expectThreadIndependent("LUTPalette 8u C3" + at, [&] {
      d3.restore();
      EXPECT_EQ(ruxiLUTPalette_8u_C3R(s3.data(), s3.step(), d3.data(), d3.step(), s3.size(), tables, 6),
                ruxStatusOk);
      EXPECT_TRUE(d3.check());
      return d3.regionBytes();
    });
  }
}

}  // namespace
