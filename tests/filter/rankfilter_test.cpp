// Rank filters against the reference: minimum and maximum over random masks and anchors on
// sources whose border ends at an inaccessible page (NaN margins for floats), thread counts,
// validation order and scratch failure.
#include <random>
#include <string>
#include <vector>

#include "ref/rank_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::Mask;
using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

template <class T>
using ExtremumFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, RuxImageSize, RuxImagePoint);

template <class T>
struct Extremum {
  std::string name;
  bool max;
  int channels;
  bool ac4;
  ExtremumFn<T> fn;
};

#define EX(op, isMax, t, lay, ch, a) Extremum<T>{"ruxiFilter" #op "_" #t "_" #lay "R", isMax, ch, a, &ruxiFilter##op##_##t##_##lay##R}
#define EX_ALL(t)                                                                                           \
  EX(Min, false, t, C1, 1, false), EX(Min, false, t, C3, 3, false), EX(Min, false, t, C4, 4, false),        \
      EX(Min, false, t, AC4, 4, true), EX(Max, true, t, C1, 1, false), EX(Max, true, t, C3, 3, false),      \
      EX(Max, true, t, C4, 4, false), EX(Max, true, t, AC4, 4, true)

template <class T>
std::vector<Extremum<T>> extrema() {
  if constexpr (std::is_same_v<T, Rux8u>) {
    return {EX_ALL(8u)};
  } else if constexpr (std::is_same_v<T, Rux16u>) {
    return {EX_ALL(16u)};
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    return {EX_ALL(16s)};
  } else {
    return {EX_ALL(32f)};
  }
}

Border borderOf(const Mask& m) { return {m.ax, m.width - 1 - m.ax, m.ay, m.height - 1 - m.ay}; }

template <class T>
::testing::AssertionResult checkExtremum(const Extremum<T>& m, const Mask& mask, RuxImageSize roi, int seed) {
  const Fence fence = std::is_floating_point_v<T> ? Fence::kNanMargin : (seed % 2 ? Fence::kBefore : Fence::kAfter);
  FencedImage<T> src(roi.width, roi.height, m.channels, borderOf(mask), fence, seed);
  GuardedImage<T> dst(roi.width, roi.height, m.channels, seed + 1, seed % 3);
  const std::string what = m.name + " roi " + std::to_string(roi.width) + "x" + std::to_string(roi.height) + " mask " +
                           std::to_string(mask.width) + "x" + std::to_string(mask.height) + " anchor " +
                           std::to_string(mask.ax) + "," + std::to_string(mask.ay);
  const RuxResult st = m.fn(src.data(), src.step(), dst.data(), dst.step(), roi, {mask.width, mask.height}, {mask.ax, mask.ay});
  if (st != ruxStatusOk) return ::testing::AssertionFailure() << what << ": status " << st;
  const auto view = ruxref::viewOf<T>(src.data(), src.step(), m.channels);
  if (auto r = ruxref::regionMatches(dst.data(), dst.step(), roi, m.channels, m.ac4 ? 3 : m.channels,
                                     [&](int x, int y, int c) {
                                       return ruxref::Expect{static_cast<long double>(ruxref::extremum(view, mask, m.max, false, x, y, c))};
                                     });
      !r)
    return r << " (" << what << ")";
  if (auto r = dst.check(m.ac4 ? 7u : 15u); !r) return r << " (" << what << ")";
  return ::testing::AssertionSuccess();
}

template <class T>
class ExtremumTest : public ::testing::Test {};
using ExtremumTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(ExtremumTest, ExtremumTypes);

// Widths around the powers of two exercise every combination of run levels.
TYPED_TEST(ExtremumTest, EveryMemberMatchesTheReference) {
  using T = TypeParam;
  const RuxImageSize sizes[] = {{1, 1}, {2, 3}, {17, 5}, {66, 4}, {131, 2}};
  const int widths[] = {1, 2, 3, 5, 8, 9, 17};
  std::mt19937 rng(11);
  int seed = 1;
  for (const auto& m : extrema<T>())
    for (const RuxImageSize roi : sizes)
      for (int w : widths) {
        const int h = 1 + static_cast<int>(rng() % 5);
        const Mask mask = ruxref::fullMask(w, h, static_cast<int>(rng() % w), static_cast<int>(rng() % h));
        ASSERT_TRUE(checkExtremum(m, mask, roi, seed++));
      }
}

TEST(Extrema, IntegerResultsDoNotDependOnTheThreadCount) {
  ruxtest::forThreadCounts([](int threads) {
    const auto t = " threads " + std::to_string(threads);
    EXPECT_TRUE(checkExtremum(extrema<Rux8u>()[5], ruxref::fullMask(31, 31, 15, 15), {300, 200}, 1)) << t;
    EXPECT_TRUE(checkExtremum(extrema<Rux16s>()[3], ruxref::fullMask(7, 3, 0, 2), {300, 200}, 2)) << t;
  });
}

TEST(Extrema, ValidationOrder) {
  GuardedImage<Rux8u> src(12, 6, 4, 1);
  GuardedImage<Rux8u> dst(8, 4, 4, 2);
  const Rux8u* s = src.row(1) + 4;
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiFilterMin_8u_C1R(nullptr, 0, d, ds, {0, 0}, {0, 0}, {9, 9}); }, ruxStatusNullPointer},
          {"size before step", [&] { return ruxiFilterMax_8u_C3R(s, 0, d, ds, {0, 1}, {3, 3}, {1, 1}); }, ruxStatusBadSize},
          {"step before mask", [&] { return ruxiFilterMax_8u_C4R(s, ss, d, 0, {1, 1}, {0, 3}, {1, 1}); }, ruxStatusBadStep},
          {"mask before anchor", [&] { return ruxiFilterMin_8u_AC4R(s, ss, d, ds, {1, 1}, {3, -1}, {5, 1}); }, ruxStatusBadMaskSize},
          {"anchor", [&] { return ruxiFilterMin_8u_C1R(s, ss, d, ds, {1, 1}, {3, 3}, {3, 0}); }, ruxStatusBadAnchor},
      },
      src, dst);
}

TEST(Extrema, ScratchFailureWritesNothing) {
  const Mask mask = ruxref::fullMask(5, 3, 2, 1);
  for (RuxImageSize roi : {RuxImageSize{40, 6}, RuxImageSize{300, 200}}) {
    FencedImage<Rux16u> src(roi.width, roi.height, 4, borderOf(mask), Fence::kAfter, 3);
    GuardedImage<Rux16u> dst(roi.width, roi.height, 4, 4);
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(0);
      st = ruxiFilterMax_16u_AC4R(src.data(), src.step(), dst.data(), dst.step(), roi, {5, 3}, {2, 1});
    }
    EXPECT_EQ(st, ruxStatusNoMemory);
    EXPECT_TRUE(dst.unchanged());
  }
}

}  // namespace
