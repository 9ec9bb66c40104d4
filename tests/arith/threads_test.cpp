// Arithmetic, unary, logic and alpha families give the same bytes at 1, 2 and 7 threads around
// the fork size; 32f arithmetic on threads rounds by the caller's rounding mode.
#include <cfenv>
#include <cmath>
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

template <class T, class Call>
void expectSame(const std::string& what, GuardedImage<T>& dst, const Call& call,
                RuxResult status = ruxStatusOk) {
  ruxtest::expectThreadIndependent(what, [&] {
    dst.restore();
    EXPECT_EQ(call(), status) << what;
    EXPECT_TRUE(dst.check()) << what;
    return dst.regionBytes();
  });
}

constexpr int kW = 1000;

TEST(ArithThreads, PointwiseFamilies) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(3LL * kW)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux8u> a(kW, h, 1, 1), b(kW, h, 1, 2), d(kW, h, 1, 3);
    expectSame("Add 8u C1 Sfs" + at, d, [&] {
      return ruxiAdd_8u_C1RSfs(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), a.size(), 1);
    });
    expectSame("And 8u C1" + at, d, [&] {
      return ruxiAnd_8u_C1R(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), a.size());
    });
    // Division: a zero divisor only in the last row, so the warning comes from the last block.
    GuardedImage<Rux8u> divisor = a;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < kW; ++x) divisor.at(x, y, 0) = static_cast<Rux8u>(divisor.at(x, y, 0) | 1);
    divisor.at(kW - 1, h - 1, 0) = 0;
    expectSame("Div 8u C1 Sfs" + at, d, [&] {
      return ruxiDiv_8u_C1RSfs(divisor.data(), divisor.step(), b.data(), b.step(), d.data(), d.step(), a.size(), -2);
    }, ruxStatusZeroDivisorSeen);
    GuardedImage<Rux8u> a4(kW / 4, h, 4, 4), b4(kW / 4, h, 4, 5), d4(kW / 4, h, 4, 6);
    expectSame("AlphaComp 8u AC4" + at, d4, [&] {
      return ruxiAlphaComp_8u_AC4R(a4.data(), a4.step(), b4.data(), b4.step(), d4.data(), d4.step(),
                                   a4.size(), ruxCompositeOver);
    });
  }
  for (int h : ruxtest::heightsAroundFork(8LL * (kW / 4))) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux32f> s(kW / 4, h, 1, 7), d(kW / 4, h, 1, 8);
    GuardedImage<Rux16u> s16(kW / 2, h, 1, 9), d16(kW / 2, h, 1, 10);
    expectSame("RShiftC 16u C1" + at, d16, [&] {
      return ruxiRShiftC_16u_C1R(s16.data(), s16.step(), 3, d16.data(), d16.step(), s16.size());
    });
    // A zero in the first row and a negative sample in the last: the first row's warning wins.
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < kW / 4; ++x) s.at(x, y, 0) = std::fabs(s.at(x, y, 0)) + 1.0f;
    }
    expectSame("Div 32f C1" + at, d, [&] {
      return ruxiDiv_32f_C1R(s.data(), s.step(), s.data(), s.step(), d.data(), d.step(), s.size());
    });
    s.at(5, h - 1, 0) = -1.0f;
    s.at(7, 0, 0) = 0.0f;
    expectSame("Ln 32f C1" + at, d, [&] {
      return ruxiLn_32f_C1R(s.data(), s.step(), d.data(), d.step(), s.size());
    }, ruxStatusLogOfZero);
    expectSame("DivC 32f C1" + at, d, [&] {
      return ruxiDivC_32f_C1R(s.data(), s.step(), 3.0f, d.data(), d.step(), s.size());
    });
  }
}

// The sum of 1 and 2^-30 is not a float: upward rounding gives the next float above 1, nearest
// gives 1. Every thread of a parallel call must round like the caller.
TEST(ArithThreads, WorkersRoundLikeTheCaller) {
  const int w = 1024, h = 1024;  // 12 MiB touched: every thread count forks
  std::vector<Rux32f> a(static_cast<std::size_t>(w) * h, 1.0f), b(a.size(), 0x1p-30f), d(a.size());
  const int step = w * 4;
  for (int mode : {FE_UPWARD, FE_TONEAREST, FE_DOWNWARD}) {
    const Rux32f want = mode == FE_UPWARD ? std::nextafter(1.0f, 2.0f) : 1.0f;
    ruxtest::forThreadCounts([&](int threads) {
      std::fesetround(mode);
      const RuxResult st = ruxiAdd_32f_C1R(a.data(), step, b.data(), step, d.data(), step, {w, h});
      EXPECT_EQ(std::fegetround(), mode);
      std::fesetround(FE_TONEAREST);
      ASSERT_EQ(st, ruxStatusOk);
      std::size_t wrong = 0;
      for (Rux32f v : d) wrong += v != want ? 1 : 0;
      EXPECT_EQ(wrong, 0u) << threads << " threads, mode " << mode;
    });
  }
}

}  // namespace
