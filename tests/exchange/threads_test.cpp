// Copy, Set, channel moves, Convert, Transpose, Mirror and normal noise give the same bytes at 1,
// 2 and 7 threads, for regions just below and above the fork size and well above it, in plain and
// contiguous (merged-row) layouts, with nothing written outside the region.
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

// Runs call on a fresh copy of dst and returns the region's bytes.
template <class T, class Call>
std::vector<std::uint8_t> produce(GuardedImage<T>& dst, const Call& call) {
  dst.restore();
  EXPECT_EQ(call(), ruxStatusOk);
  EXPECT_TRUE(dst.check());
  return dst.regionBytes();
}

template <class T, class Call>
void expectSame(const std::string& what, GuardedImage<T>& dst, const Call& call) {
  ruxtest::expectThreadIndependent(what, [&] { return produce(dst, call); });
}

constexpr int kW = 1000;

TEST(ExchangeThreads, CopyAndSet) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(2LL * kW)) {
    const std::string at = " height " + std::to_string(h);
    for (bool tight : {false, true}) {
      GuardedImage<Rux8u> src(kW, h, 1, 1, 0, tight), dst(kW, h, 1, 2, 0, tight);
      expectSame("Copy 8u C1" + at + (tight ? " tight" : ""), dst, [&] {
        return ruxiCopy_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), src.size());
      });
      expectSame("Set 8u C1" + at, dst, [&] { return ruxiSet_8u_C1R(7, dst.data(), dst.step(), dst.size()); });
    }
    GuardedImage<Rux8u> src4(kW / 4, h, 4, 3), dst4(kW / 4, h, 4, 4), mask(kW / 4, h, 1, 5);
    expectSame("Copy 8u AC4" + at, dst4, [&] {
      return ruxiCopy_8u_AC4R(src4.data(), src4.step(), dst4.data(), dst4.step(), src4.size());
    });
    expectSame("Copy 8u C4MR" + at, dst4, [&] {
      return ruxiCopy_8u_C4MR(src4.data(), src4.step(), dst4.data(), dst4.step(), src4.size(),
                              mask.data(), mask.step());
    });
    GuardedImage<Rux16u> dst3(kW / 6, h, 3, 6);
    const Rux16u v3[3] = {1, 2, 3};
    expectSame("Set 16u C3" + at, dst3, [&] { return ruxiSet_16u_C3R(v3, dst3.data(), dst3.step(), dst3.size()); });
    GuardedImage<Rux8u> p0(kW / 6, h, 1, 7), p1(kW / 6, h, 1, 8), p2(kW / 6, h, 1, 9);
    GuardedImage<Rux8u> packed(kW / 6, h, 3, 10);
    const Rux8u* planes[3] = {p0.data(), p1.data(), p2.data()};
    expectSame("Copy 8u P3C3" + at, packed, [&] {
      return ruxiCopy_8u_P3C3R(planes, p0.step(), packed.data(), packed.step(), packed.size());
    });
  }
}

TEST(ExchangeThreads, ChannelsAndConvert) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(6LL * (kW / 3))) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux8u> src(kW / 3, h, 3, 11), dst(kW / 3, h, 3, 12);
    const int order[3] = {2, 0, 1};
    expectSame("SwapChannels 8u C3" + at, dst, [&] {
      return ruxiSwapChannels_8u_C3R(src.data(), src.step(), dst.data(), dst.step(), src.size(), order);
    });
  }
  for (int h : ruxtest::heightsAroundFork(5LL * kW / 2)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux32f> src(kW / 2, h, 1, 13);
    GuardedImage<Rux8u> dst(kW / 2, h, 1, 14);
    expectSame("Convert 32f8u C1" + at, dst, [&] {
      return ruxiConvert_32f8u_C1R(src.data(), src.step(), dst.data(), dst.step(), src.size(), ruxRoundHalfAway);
    });
  }
}

TEST(ExchangeThreads, TransposeAndMirror) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(12LL * (kW / 6))) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux16u> src(kW / 6, h, 3, 15), dst(h, kW / 6, 3, 16);
    expectSame("Transpose 16u C3" + at, dst, [&] {
      return ruxiTranspose_16u_C3R(src.data(), src.step(), dst.data(), dst.step(), src.size());
    });
  }
  for (int h : ruxtest::heightsAroundFork(2LL * kW)) {
    for (int axis : {0, 1, 2}) {
      const std::string at = " axis " + std::to_string(axis) + " height " + std::to_string(h);
      GuardedImage<Rux8u> img(kW, h | 1, 1, 17);  // odd height: a middle row
      expectSame("Mirror 8u C1IR" + at, img,
                 [&] { return ruxiMirror_8u_C1IR(img.data(), img.step(), img.size(), axis); });
      GuardedImage<Rux8u> src(kW / 4, h, 4, 18), dst(kW / 4, h, 4, 19);
      expectSame("Mirror 8u AC4IR" + at, src,
                 [&] { return ruxiMirror_8u_AC4IR(src.data(), src.step(), src.size(), axis); });
      expectSame("Mirror 8u C4R" + at, dst, [&] {
        return ruxiMirror_8u_C4R(src.data(), src.step(), dst.data(), dst.step(), src.size(), axis);
      });
    }
  }
}

// Threaded normal noise draws serially and forms values in row blocks: the image and the seed
// written back equal the one-thread results. Odd row lengths put pair boundaries inside rows.
TEST(ExchangeThreads, GaussNoise) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweeps run on the best target";
  for (int h : ruxtest::heightsAroundFork(2LL * 333)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux8u> img(333, h, 1, 20);
    unsigned int seed = 0;
    ruxtest::expectThreadIndependent("AddRandGauss 8u C1" + at, [&] {
      seed = 12345;
      auto bytes = produce(img, [&] { return ruxiAddRandGauss_Direct_8u_C1IR(img.data(), img.step(), img.size(), 100, 30, &seed); });
      bytes.push_back(static_cast<std::uint8_t>(seed));
      bytes.push_back(static_cast<std::uint8_t>(seed >> 24));
      return bytes;
    });
  }
  for (int h : ruxtest::heightsAroundFork(8LL * 3 * 111)) {
    const std::string at = " height " + std::to_string(h);
    GuardedImage<Rux32f> img(111, h, 3, 21);
    GuardedImage<Rux16s> alpha(111, h, 4, 22);
    unsigned int seed = 0;
    ruxtest::expectThreadIndependent("AddRandGauss 32f C3" + at, [&] {
      seed = 7;
      return produce(img, [&] { return ruxiAddRandGauss_Direct_32f_C3IR(img.data(), img.step(), img.size(), 0.5f, 2.0f, &seed); });
    });
    ruxtest::expectThreadIndependent("AddRandGauss 16s AC4" + at, [&] {
      seed = 99;
      auto bytes = produce(alpha, [&] { return ruxiAddRandGauss_Direct_16s_AC4IR(alpha.data(), alpha.step(), alpha.size(), -5, 900, &seed); });
      bytes.push_back(static_cast<std::uint8_t>(seed >> 8));
      return bytes;
    });
  }
}

}  // namespace
