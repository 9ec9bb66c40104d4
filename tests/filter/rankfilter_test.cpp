// Rank filters against the reference: minimum, maximum and medians over random masks and
// anchors (up to 15 x 15) on sources whose border ends at an inaccessible page (NaN margins for
// floats), the fixed shapes, weighted-centre, colour and three-plane medians, thread counts,
// the documented cases, validation order and scratch failure.
#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ref/rank_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::borderOf;
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
  const int widths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 17};
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

// ---- medians ------------------------------------------------------------------------------------

template <class T>
using MedianFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, RuxImageSize, RuxImagePoint, Rux8u*);
template <class T>
using ShapeFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, RuxMaskSize);

template <class T>
struct MedianMember {
  std::string name;
  int channels;
  bool ac4;
  MedianFn<T> fn;
};

#define MD(t, lay, ch, a) \
  MedianMember<T>{"ruxiFilterMedian_" #t "_" #lay "R", ch, a, [](const T* s, int ss, T* d, int ds, RuxImageSize r, RuxImageSize m, RuxImagePoint p, Rux8u*) { return ruxiFilterMedian_##t##_##lay##R(s, ss, d, ds, r, m, p); }}
#define MDB(t, lay, ch) \
  MedianMember<T>{"ruxiFilterMedian_" #t "_" #lay "R", ch, false, [](const T* s, int ss, T* d, int ds, RuxImageSize r, RuxImageSize m, RuxImagePoint p, Rux8u* b) { return ruxiFilterMedian_##t##_##lay##R(s, ss, d, ds, r, m, p, b); }}
#define MD4(t) MD(t, C1, 1, false), MD(t, C3, 3, false), MD(t, C4, 4, false), MD(t, AC4, 4, true)

template <class T>
std::vector<MedianMember<T>> medians() {
  if constexpr (std::is_same_v<T, Rux8u>) {
    return {MD4(8u)};
  } else if constexpr (std::is_same_v<T, Rux16u>) {
    return {MD4(16u)};
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    return {MD4(16s)};
  } else if constexpr (std::is_same_v<T, Rux32f>) {
    return {MD(32f, C1, 1, false), MDB(32f, C3, 3), MDB(32f, C4, 4)};
  } else {
    return {MDB(64f, C1, 1)};
  }
}

// Compares dst with the median of the offsets around every pixel of a fenced source.
template <class T>
::testing::AssertionResult checkMedian(const std::string& what, int channels, bool ac4, Border border,
                                       const std::vector<std::pair<int, int>>& offsets, RuxImageSize roi, int seed,
                                       const std::function<RuxResult(const T*, int, T*, int)>& call, int range = 0) {
  const Fence fence = std::is_floating_point_v<T> ? Fence::kNanMargin : (seed % 2 ? Fence::kBefore : Fence::kAfter);
  FencedImage<T> src(roi.width, roi.height, channels, border, fence, seed);
  if (range > 0) {
    std::mt19937 rng(seed);
    for (int y = -border.top; y < roi.height + border.bottom; ++y)
      for (int x = -border.left; x < roi.width + border.right; ++x)
        for (int c = 0; c < channels; ++c) src.at(x, y, c) = static_cast<T>(rng() % range);
  }
  GuardedImage<T> dst(roi.width, roi.height, channels, seed + 1, seed % 3);
  const std::string full = what + " roi " + std::to_string(roi.width) + "x" + std::to_string(roi.height);
  const RuxResult st = call(src.data(), src.step(), dst.data(), dst.step());
  if (st != ruxStatusOk) return ::testing::AssertionFailure() << full << ": status " << st;
  const auto view = ruxref::viewOf<T>(src.data(), src.step(), channels);
  if (auto r = ruxref::regionMatches(dst.data(), dst.step(), roi, channels, ac4 ? 3 : channels, [&](int x, int y, int c) {
        return ruxref::Expect{static_cast<long double>(ruxref::medianOf(view, offsets, x, y, c))};
      });
      !r)
    return r << " (" << full << ")";
  if (auto r = dst.check(ac4 ? 7u : 15u); !r) return r << " (" << full << ")";
  return ::testing::AssertionSuccess();
}

template <class T>
::testing::AssertionResult checkRectangle(const MedianMember<T>& m, const Mask& k, RuxImageSize roi, int seed, int range = 0) {
  std::vector<Rux8u> buffer(static_cast<std::size_t>(k.width) * k.height * 17 * 8 + 256);
  return checkMedian<T>(m.name + " mask " + std::to_string(k.width) + "x" + std::to_string(k.height), m.channels, m.ac4,
                        borderOf(k), ruxref::rectangle(k.width, k.height, k.ax, k.ay), roi, seed,
                        [&](const T* s, int ss, T* d, int ds) {
                          return m.fn(s, ss, d, ds, roi, {k.width, k.height}, {k.ax, k.ay}, buffer.data());
                        }, range);
}

template <class T>
class MedianTest : public ::testing::Test {};
using MedianTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f, Rux64f>;
TYPED_TEST_SUITE(MedianTest, MedianTypes);

// Networks (up to 25 samples), histograms and sorting (larger windows); small sample ranges
// make ties and repeated values common.
TYPED_TEST(MedianTest, EveryMemberMatchesTheReference) {
  using T = TypeParam;
  const RuxImageSize sizes[] = {{1, 1}, {17, 5}, {66, 3}, {131, 2}};
  const std::pair<int, int> masks[] = {{1, 1}, {3, 1}, {1, 5}, {3, 3}, {5, 5}, {3, 5}, {7, 7}, {1, 9}, {9, 3}, {15, 15}};
  std::mt19937 rng(13);
  int seed = 1;
  for (const auto& m : medians<T>())
    for (const RuxImageSize roi : sizes)
      for (auto [w, h] : masks) {
        const Mask k = ruxref::fullMask(w, h, static_cast<int>(rng() % w), static_cast<int>(rng() % h));
        ASSERT_TRUE(checkRectangle(m, k, roi, seed, seed % 3 == 0 ? 4 : 0));
        ++seed;
      }
}

template <class T>
void everyShape() {
  struct Shape {
    const char* name;
    int code;
    std::vector<std::pair<int, int>> offsets;
    Border border;
  };
  const Shape shapes[] = {
      {"Horiz", 31, {{-1, 0}, {0, 0}, {1, 0}}, {1, 1, 0, 0}},
      {"Horiz", 51, {{-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}}, {2, 2, 0, 0}},
      {"Vert", 13, {{0, -1}, {0, 0}, {0, 1}}, {0, 0, 1, 1}},
      {"Vert", 15, {{0, -2}, {0, -1}, {0, 0}, {0, 1}, {0, 2}}, {0, 0, 2, 2}},
      {"Cross", 33, {{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}}, {1, 1, 1, 1}},
      {"Cross", 55, {{-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}, {0, -2}, {0, -1}, {0, 1}, {0, 2}}, {2, 2, 2, 2}},
  };
  struct Fn {
    const char* shape;
    const char* lay;
    int channels;
    bool ac4;
    ShapeFn<T> fn;
  };
  std::vector<Fn> fns;
#define SH(t, shape, lay, ch, a) fns.push_back({#shape, #lay, ch, a, &ruxiFilterMedian##shape##_##t##_##lay##R})
#define SH_TYPE(t)                                                                                  \
  SH(t, Horiz, C1, 1, false), SH(t, Horiz, C3, 3, false), SH(t, Horiz, C4, 4, false), SH(t, Horiz, AC4, 4, true); \
  SH(t, Vert, C1, 1, false), SH(t, Vert, C3, 3, false), SH(t, Vert, C4, 4, false), SH(t, Vert, AC4, 4, true);     \
  SH(t, Cross, C1, 1, false), SH(t, Cross, C3, 3, false), SH(t, Cross, AC4, 4, true)
  if constexpr (std::is_same_v<T, Rux8u>) {
    SH_TYPE(8u);
  } else if constexpr (std::is_same_v<T, Rux16u>) {
    SH_TYPE(16u);
  } else {
    SH_TYPE(16s);
  }
  int seed = 100;
  for (const Fn& f : fns)
    for (const Shape& s : shapes) {
      if (std::string(f.shape) != s.name) continue;
      const RuxImageSize roi{37, 4};
      ASSERT_TRUE(checkMedian<T>(std::string(f.shape) + " " + f.lay + " " + std::to_string(s.code), f.channels, f.ac4, s.border,
                                 s.offsets, roi, seed++, [&](const T* a, int as, T* d, int ds) {
                                   return f.fn(a, as, d, ds, roi, static_cast<RuxMaskSize>(s.code));
                                 }));
      GuardedImage<T> src(40, 8, f.channels, 1), dst(37, 4, f.channels, 2);
      EXPECT_EQ(f.fn(src.row(2) + 2 * f.channels, src.step(), dst.data(), dst.step(), roi,
                     static_cast<RuxMaskSize>(s.code == 31 || s.code == 51 ? 13 : 31)), ruxStatusBadMaskSize);
      EXPECT_TRUE(dst.check());
    }
}

TEST(Medians, FixedShapes) {
  everyShape<Rux8u>();
  everyShape<Rux16u>();
  everyShape<Rux16s>();
}

TEST(Medians, WeightedCentre) {
  const RuxImageSize roi{29, 5};
  for (int w = 1; w <= 12; ++w) {
    std::vector<std::pair<int, int>> offsets;
    const int odd = w % 2 == 0 ? w - 1 : w;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx != 0 || dy != 0) offsets.push_back({dx, dy});
    for (int k = 0; k < odd; ++k) offsets.push_back({0, 0});
    if (odd >= 9) offsets = {{0, 0}};
    RuxResult status = -1;
    ASSERT_TRUE(checkMedian<Rux8u>("weight " + std::to_string(w), 1, false, {1, 1, 1, 1}, offsets, roi, w,
                                   [&](const Rux8u* s, int ss, Rux8u* d, int ds) {
                                     status = ruxiFilterMedianWeightedCenter3x3_8u_C1R(s, ss, d, ds, roi, w);
                                     return status == ruxStatusEvenWeight ? ruxStatusOk : status;
                                   }, w % 3 == 0 ? 5 : 0));
    EXPECT_EQ(status, w % 2 == 0 ? ruxStatusEvenWeight : ruxStatusOk) << w;
  }
  GuardedImage<Rux8u> src(5, 5, 1, 1), dst(3, 3, 1, 2);
  EXPECT_EQ(ruxiFilterMedianWeightedCenter3x3_8u_C1R(src.row(1) + 1, src.step(), dst.data(), dst.step(), {3, 3}, 0), ruxStatusBadWeight);
  EXPECT_TRUE(dst.check());
}

template <class T, bool kAlpha>
void colorCase(RuxResult (*fn)(const T*, int, T*, int, RuxImageSize, RuxMaskSize), int code, int seed) {
  constexpr int C = kAlpha ? 4 : 3;
  const int r = code == 33 ? 1 : 2;
  const RuxImageSize roi{23, 4};
  FencedImage<T> src(roi.width, roi.height, C, {r, r, r, r}, std::is_floating_point_v<T> ? Fence::kNanMargin : Fence::kAfter, seed);
  std::mt19937 rng(seed);
  for (int y = -r; y < roi.height + r; ++y)
    for (int x = -r; x < roi.width + r; ++x)
      for (int c = 0; c < C; ++c) src.at(x, y, c) = static_cast<T>(static_cast<int>(rng() % 5) - (std::is_signed_v<T> ? 2 : 0));
  GuardedImage<T> dst(roi.width, roi.height, C, seed + 1);
  ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), roi, static_cast<RuxMaskSize>(code)), ruxStatusOk);
  const auto view = ruxref::viewOf<T>(src.data(), src.step(), C);
  EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), roi, C, 3, [&](int x, int y, int c) {
    const int i = ruxref::colorMedianIndex(view, r, x, y);
    const int side = 2 * r + 1;
    return ruxref::Expect{static_cast<long double>(view.at(x - r + i % side, y - r + i / side, c))};
  })) << code;
  EXPECT_TRUE(dst.check(7u));
}

TEST(Medians, ColourMedianTakesTheFirstSmallestSum) {
  for (int code : {33, 55}) {
    colorCase<Rux8u, false>(&ruxiFilterMedianColor_8u_C3R, code, 1);
    colorCase<Rux8u, true>(&ruxiFilterMedianColor_8u_AC4R, code, 2);
    colorCase<Rux16s, false>(&ruxiFilterMedianColor_16s_C3R, code, 3);
    colorCase<Rux16s, true>(&ruxiFilterMedianColor_16s_AC4R, code, 4);
    colorCase<Rux32f, false>(&ruxiFilterMedianColor_32f_C3R, code, 5);
    colorCase<Rux32f, true>(&ruxiFilterMedianColor_32f_AC4R, code, 6);
  }
  // All nine equal except two tied candidates: the nearer the top-left wins.
  Rux8u img[3 * 3 * 3] = {};
  img[0] = 9, img[4 * 3] = 9;  // (0,0) and (1,1) red 9: their sums tie
  Rux8u out[3] = {1, 1, 1};
  ASSERT_EQ(ruxiFilterMedianColor_8u_C3R(img + 4 * 3, 9, out, 3, {1, 1}, ruxMaskSize3x3), 0);
  EXPECT_EQ(out[0], 0);
}

TEST(Medians, ThreePlanes) {
  GuardedImage<Rux8u> a(33, 3, 1, 1), b(33, 3, 1, 2), c(33, 3, 1, 3), d(33, 3, 1, 4);
  const Rux8u* planes[3] = {a.data(), b.data(), c.data()};
  ASSERT_EQ(a.step(), b.step());
  ASSERT_EQ(ruxiMedian_8u_P3C1R(planes, a.step(), d.data(), d.step(), {33, 3}), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 33; ++x) {
      Rux8u v[3] = {a.at(x, y, 0), b.at(x, y, 0), c.at(x, y, 0)};
      std::sort(v, v + 3);
      ASSERT_EQ(d.at(x, y, 0), v[1]);
    }
  const Rux8u* broken[3] = {a.data(), nullptr, c.data()};
  EXPECT_EQ(ruxiMedian_8u_P3C1R(broken, a.step(), d.data(), d.step(), {33, 3}), ruxStatusNullPointer);
}

TEST(Medians, DocumentedCases) {
  // 7x7: 24 zeros and 25 values 255 give 255; 25 zeros and 24 values 255 give 0.
  for (int zeros : {24, 25}) {
    GuardedImage<Rux8u> src(7, 7, 1, 1), dst(1, 1, 1, 2);
    for (int i = 0; i < 49; ++i) src.at(i % 7, i / 7, 0) = i < zeros ? 0 : 255;
    ASSERT_EQ(ruxiFilterMedian_8u_C1R(src.row(3) + 3, src.step(), dst.data(), dst.step(), {1, 1}, {7, 7}, {3, 3}), 0);
    EXPECT_EQ(dst.at(0, 0, 0), zeros == 24 ? 255 : 0);
  }
  int size = -1;
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_32f({10, 10}, {5, 3}, 3, &size), 0);
  EXPECT_EQ(size, 60);
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_64f({10, 10}, {5, 3}, 1, &size), 0);
  EXPECT_EQ(size, (15 * 17 * 8 + 208) / 16 * 16);
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_64f({10, 10}, {4, 3}, 1, &size), ruxStatusBadMaskSize);
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_32f({10, 10}, {5, 3}, 2, &size), ruxStatusBadChannelCount);
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_32f({10, 10}, {5, 3}, 0, &size), ruxStatusBadChannelCount);
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_32f({0, 10}, {5, 3}, 1, &size), ruxStatusBadSize);
  EXPECT_EQ(ruxiFilterMedianGetBufferSize_32f({10, 10}, {5, 3}, 1, nullptr), ruxStatusNullPointer);
}

TEST(Medians, ValidationOrder) {
  GuardedImage<Rux8u> src(12, 6, 4, 1);
  GuardedImage<Rux8u> dst(8, 4, 4, 2);
  const Rux8u* s = src.row(1) + 4;
  Rux8u* d = dst.data();
  const auto* f = reinterpret_cast<const Rux32f*>(s);
  auto* df = reinterpret_cast<Rux32f*>(d);
  Rux8u buffer[64];
  const int ss = src.step(), ds = dst.step();
  ruxtest::expectRejections(
      {
          {"null", [&] { return ruxiFilterMedian_8u_C1R(nullptr, 0, d, ds, {0, 0}, {4, 4}, {9, 9}); }, ruxStatusNullPointer},
          {"size before step", [&] { return ruxiFilterMedian_16u_C3R(reinterpret_cast<const Rux16u*>(s), 0, reinterpret_cast<Rux16u*>(d), ds, {0, 1}, {3, 3}, {1, 1}); }, ruxStatusBadSize},
          {"step before mask", [&] { return ruxiFilterMedian_8u_C1R(s, ss, d, 0, {1, 1}, {4, 3}, {1, 1}); }, ruxStatusBadStep},
          {"even mask", [&] { return ruxiFilterMedian_8u_C1R(s, ss, d, ds, {1, 1}, {4, 3}, {1, 1}); }, ruxStatusBadMaskSize},
          {"anchor", [&] { return ruxiFilterMedian_8u_C1R(s, ss, d, ds, {1, 1}, {3, 3}, {3, 0}); }, ruxStatusBadAnchor},
          {"anchor before buffer", [&] { return ruxiFilterMedian_32f_C3R(f, ss, df, ds, {1, 1}, {3, 3}, {0, 3}, nullptr); }, ruxStatusBadAnchor},
          {"32f C3 buffer", [&] { return ruxiFilterMedian_32f_C3R(f, ss, df, ds, {1, 1}, {3, 3}, {1, 1}, nullptr); }, ruxStatusNullPointer},
          {"64f buffer", [&] { return ruxiFilterMedian_64f_C1R(reinterpret_cast<const Rux64f*>(s), ss, reinterpret_cast<Rux64f*>(d), ds, {1, 1}, {3, 3}, {1, 1}, nullptr); }, ruxStatusNullPointer},
          {"colour code", [&] { return ruxiFilterMedianColor_8u_C3R(s, ss, d, ds, {1, 1}, static_cast<RuxMaskSize>(13)); }, ruxStatusBadMaskSize},
      },
      src, dst);
  (void)buffer;
}

TEST(Medians, ResultsDoNotDependOnTheThreadCount) {
  ruxtest::forThreadCounts([](int threads) {
    const auto t = " threads " + std::to_string(threads);
    EXPECT_TRUE(checkRectangle(medians<Rux8u>()[2], ruxref::fullMask(3, 3, 1, 1), {300, 200}, 1)) << t;
    EXPECT_TRUE(checkRectangle(medians<Rux8u>()[3], ruxref::fullMask(5, 5, 2, 2), {300, 200}, 2)) << t;
    EXPECT_TRUE(checkRectangle(medians<Rux8u>()[0], ruxref::fullMask(7, 7, 3, 3), {300, 200}, 3)) << t;
    EXPECT_TRUE(checkRectangle(medians<Rux16s>()[0], ruxref::fullMask(9, 9, 4, 4), {300, 100}, 4)) << t;
    colorCase<Rux8u, true>(&ruxiFilterMedianColor_8u_AC4R, 33, 7);
  });
}

}  // namespace
