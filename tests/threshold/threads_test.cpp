// Threshold and Compare give the same bytes at 1, 2 and 7 threads around the fork size.
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

template <class T, class Call>
void expectSame(const std::string& what, GuardedImage<T>& dst, const Call& call) {
  ruxtest::expectThreadIndependent(what, [&] {
    dst.restore();
    EXPECT_EQ(call(), ruxStatusOk) << what;
    EXPECT_TRUE(dst.check()) << what;
    return dst.regionBytes();
  });
}

constexpr int kW = 1000;

TEST(ThresholdThreads, ThresholdAndCompare) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(2LL * kW)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux8u> src(kW, h, 1, 1), dst(kW, h, 1, 2);
    expectSame("Threshold_GT 8u C1" + at, dst, [&] {
      return ruxiThreshold_GT_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), src.size(), 100);
    });
  }
  for (int h : ruxtest::heightsAroundFork(24LL * (kW / 6))) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux32f> src(kW / 6, h, 3, 3), dst(kW / 6, h, 3, 4);
    const Rux32f t[3] = {-10.0f, 0.0f, 10.0f}, v[3] = {1.0f, 2.0f, 3.0f};
    expectSame("Threshold_LTVal 32f C3" + at, dst, [&] {
      return ruxiThreshold_LTVal_32f_C3R(src.data(), src.step(), dst.data(), dst.step(), src.size(), t, v);
    });
    GuardedImage<Rux32f> in(kW / 6, h, 3, 5);
    expectSame("Threshold_LTVal 32f C3IR" + at, in, [&] {
      return ruxiThreshold_LTVal_32f_C3IR(in.data(), in.step(), in.size(), t, v);
    });
  }
  for (int h : ruxtest::heightsAroundFork(3LL * kW)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux8u> a(kW, h, 1, 6), b(kW, h, 1, 7), mask(kW, h, 1, 8);
    expectSame("Compare 8u C1" + at, mask, [&] {
      return ruxiCompare_8u_C1R(a.data(), a.step(), b.data(), b.step(), mask.data(), mask.step(),
                                a.size(), ruxCompareGreaterEqual);
    });
  }
}

}  // namespace
