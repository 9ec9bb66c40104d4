// Dilation and erosion against the reference: every member with the 3x3 square and with random
// masks and anchors on sources whose border ends at an inaccessible page (NaN margins for
// floats), in place against out of place, thread counts, the documented cases, validation
// order and scratch failure.
#include <cfloat>
#include <limits>
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
using OutFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, const Mask&);
template <class T>
using InFn = RuxResult (*)(T*, int, RuxImageSize, const Mask&);

template <class T>
struct Member {
  std::string name;
  bool max, square;
  int channels;
  bool ac4;
  OutFn<T> out;
  InFn<T> in;  // null where the layout has no in-place form
};

#define M3(op, isMax, t, lay, ch, a)                                                                          \
  Member<T> {                                                                                                 \
    "rux" #op "3x3_" #t "_" #lay, isMax, true, ch, a,                                                        \
        [](const T* s, int ss, T* d, int ds, RuxImageSize r, const Mask&) { return rux##op##3x3_##t##_##lay##R(s, ss, d, ds, r); }, \
        [](T* p, int st, RuxImageSize r, const Mask&) { return rux##op##3x3_##t##_##lay##IR(p, st, r); }     \
  }
#define MM(op, isMax, t, lay, ch, a, IN)                                                                      \
  Member<T> {                                                                                                 \
    "rux" #op "_" #t "_" #lay, isMax, false, ch, a,                                                          \
        [](const T* s, int ss, T* d, int ds, RuxImageSize r, const Mask& m) {                                 \
          return rux##op##_##t##_##lay##R(s, ss, d, ds, r, m.bytes.data(), {m.width, m.height}, {m.ax, m.ay}); \
        },                                                                                                    \
        IN                                                                                                    \
  }
#define IPM(op, t, lay) \
  [](T* p, int st, RuxImageSize r, const Mask& m) { return rux##op##_##t##_##lay##IR(p, st, r, m.bytes.data(), {m.width, m.height}, {m.ax, m.ay}); }
#define BOTH(t)                                                                                               \
  M3(iDilate, true, t, C1, 1, false), M3(iDilate, true, t, C3, 3, false), M3(iDilate, true, t, C4, 4, false), \
      M3(iDilate, true, t, AC4, 4, true), M3(iErode, false, t, C1, 1, false), M3(iErode, false, t, C3, 3, false), \
      M3(iErode, false, t, C4, 4, false), M3(iErode, false, t, AC4, 4, true),                                 \
      MM(iDilate, true, t, C1, 1, false, IPM(iDilate, t, C1)), MM(iDilate, true, t, C3, 3, false, IPM(iDilate, t, C3)), \
      MM(iDilate, true, t, C4, 4, false, nullptr), MM(iDilate, true, t, AC4, 4, true, IPM(iDilate, t, AC4)),  \
      MM(iErode, false, t, C1, 1, false, IPM(iErode, t, C1)), MM(iErode, false, t, C3, 3, false, IPM(iErode, t, C3)), \
      MM(iErode, false, t, C4, 4, false, nullptr), MM(iErode, false, t, AC4, 4, true, IPM(iErode, t, AC4))

template <class T>
std::vector<Member<T>> members();
template <>
std::vector<Member<Rux8u>> members() {
  using T = Rux8u;
  return {BOTH(8u)};
}
template <>
std::vector<Member<Rux16u>> members() {
  using T = Rux16u;
  return {BOTH(16u)};
}
template <>
std::vector<Member<Rux32f>> members() {
  using T = Rux32f;
  return {BOTH(32f)};
}
template <>
std::vector<Member<Rux64f>> members() {
  using T = Rux64f;
  return {Member<T>{"ruxDilate3x3_64f_C1", true, true, 1, false,
                    [](const T* s, int ss, T* d, int ds, RuxImageSize r, const Mask&) { return ruxiDilate3x3_64f_C1R(s, ss, d, ds, r); },
                    nullptr},
          Member<T>{"ruxErode3x3_64f_C1", false, true, 1, false,
                    [](const T* s, int ss, T* d, int ds, RuxImageSize r, const Mask&) { return ruxiErode3x3_64f_C1R(s, ss, d, ds, r); },
                    nullptr}};
}

// A random mask of up to 7 x 5 with at least one included position.
Mask randomMask(std::mt19937& rng) {
  Mask m;
  m.width = 1 + static_cast<int>(rng() % 7), m.height = 1 + static_cast<int>(rng() % 5);
  m.ax = static_cast<int>(rng() % m.width), m.ay = static_cast<int>(rng() % m.height);
  m.bytes.assign(static_cast<std::size_t>(m.width) * m.height, 0);
  for (auto& b : m.bytes) b = rng() % 5 < 3 ? static_cast<Rux8u>(1 + rng() % 255) : 0;
  m.bytes[rng() % m.bytes.size()] = 1;
  return m;
}

// Out of place on a fenced source, or in place on a copy of it when inPlace is set.
template <class T>
::testing::AssertionResult check(const Member<T>& m, const Mask& mask, RuxImageSize roi, int seed, bool inPlace) {
  const Fence fence = std::is_floating_point_v<T> ? Fence::kNanMargin : (seed % 2 ? Fence::kBefore : Fence::kAfter);
  FencedImage<T> src(roi.width, roi.height, m.channels, borderOf(mask), fence, seed);
  const std::string what = m.name + (inPlace ? "IR" : "R") + " roi " + std::to_string(roi.width) + "x" +
                           std::to_string(roi.height) + " mask " + std::to_string(mask.width) + "x" +
                           std::to_string(mask.height) + " anchor " + std::to_string(mask.ax) + "," + std::to_string(mask.ay);
  // The expected image comes from the untouched source.
  std::vector<T> want(static_cast<std::size_t>(roi.width) * roi.height * m.channels);
  const auto view = ruxref::viewOf<T>(src.data(), src.step(), m.channels);
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < m.channels; ++c)
        want[(static_cast<std::size_t>(y) * roi.width + x) * m.channels + c] =
            ruxref::extremum(view, mask, m.max, !m.square && std::is_same_v<T, Rux32f>, x, y, c);
  const auto expect = [&](int x, int y, int c) {
    return ruxref::Expect{static_cast<long double>(want[(static_cast<std::size_t>(y) * roi.width + x) * m.channels + c])};
  };
  if (inPlace) {
    std::vector<T> alpha;
    for (int y = 0; y < roi.height; ++y)
      for (int x = 0; x < roi.width; ++x) alpha.push_back(src.at(x, y, m.channels - 1));
    const RuxResult st = m.in(src.data(), src.step(), roi, mask);
    if (st != ruxStatusOk) return ::testing::AssertionFailure() << what << ": status " << st;
    if (auto r = ruxref::regionMatches(src.data(), src.step(), roi, m.channels, m.ac4 ? 3 : m.channels, expect); !r)
      return r << " (" << what << ")";
    if (m.ac4)
      for (int y = 0; y < roi.height; ++y)
        for (int x = 0; x < roi.width; ++x)
          if (!(src.at(x, y, 3) == alpha[static_cast<std::size_t>(y) * roi.width + x]))
            return ::testing::AssertionFailure() << what << ": alpha written at " << x << "," << y;
    return ::testing::AssertionSuccess();
  }
  GuardedImage<T> dst(roi.width, roi.height, m.channels, seed + 1, seed % 3);
  const RuxResult st = m.out(src.data(), src.step(), dst.data(), dst.step(), roi, mask);
  if (st != ruxStatusOk) return ::testing::AssertionFailure() << what << ": status " << st;
  if (auto r = ruxref::regionMatches(dst.data(), dst.step(), roi, m.channels, m.ac4 ? 3 : m.channels, expect); !r)
    return r << " (" << what << ")";
  if (auto r = dst.check(m.ac4 ? 7u : 15u); !r) return r << " (" << what << ")";
  return ::testing::AssertionSuccess();
}

template <class T>
class MorphTest : public ::testing::Test {};
using MorphTypes = ::testing::Types<Rux8u, Rux16u, Rux32f, Rux64f>;
TYPED_TEST_SUITE(MorphTest, MorphTypes);

TYPED_TEST(MorphTest, EveryMemberMatchesTheReference) {
  using T = TypeParam;
  const RuxImageSize sizes[] = {{1, 1}, {2, 3}, {17, 5}, {66, 4}, {131, 2}, {9, 9}};
  std::mt19937 rng(5);
  int seed = 1;
  for (const auto& m : members<T>()) {
    for (const RuxImageSize roi : sizes) {
      const Mask mask = m.square ? ruxref::fullMask(3, 3, 1, 1) : randomMask(rng);
      ASSERT_TRUE(check(m, mask, roi, seed++, false));
      if (m.in) {
        ASSERT_TRUE(check(m, mask, roi, seed++, true));
      }
    }
  }
}

TEST(Morphology, MemberCount) {
  std::size_t n = 0;
  const auto count = [&](const auto& list) {
    for (const auto& m : list) n += 1 + (m.in != nullptr);
  };
  count(members<Rux8u>()), count(members<Rux16u>()), count(members<Rux32f>()), count(members<Rux64f>());
  EXPECT_EQ(n, 92u);
}

TEST(Morphology, IntegerResultsDoNotDependOnTheThreadCount) {
  ruxtest::forThreadCounts([](int threads) {
    std::mt19937 rng(7);
    const auto t = " threads " + std::to_string(threads);
    for (const auto& m : members<Rux8u>()) {
      const Mask mask = m.square ? ruxref::fullMask(3, 3, 1, 1) : randomMask(rng);
      EXPECT_TRUE(check(m, mask, {300, 200}, 3, false)) << t;
    }
    const auto m = members<Rux16u>()[9];
    EXPECT_TRUE(check(m, ruxref::fullMask(15, 9, 7, 2), {300, 200}, 4, false)) << t;
    EXPECT_TRUE(check(m, ruxref::fullMask(15, 9, 14, 8), {300, 200}, 5, true)) << t;
  });
}

TEST(Morphology, DocumentedCases) {
  // A 2x1 mask {1, 0} with anchor (1, 0) dilates to the left neighbour.
  FencedImage<Rux8u> src(10, 1, 1, {1, 0, 0, 0}, Fence::kAfter, 3);
  GuardedImage<Rux8u> dst(10, 1, 1, 4);
  const Rux8u m[2] = {1, 0};
  ASSERT_EQ(ruxiDilate_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {10, 1}, m, {2, 1}, {1, 0}), 0);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(dst.at(x, 0, 0), src.at(x - 1, 0, 0)) << x;
  // +infinity: masked dilation holds the largest finite value, the 3x3 square keeps it.
  GuardedImage<Rux32f> in(5, 5, 1, 5), out(3, 3, 1, 6);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) in.at(x, y, 0) = 1.0f;
  in.at(2, 2, 0) = std::numeric_limits<float>::infinity();
  const Rux8u ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  ASSERT_EQ(ruxiDilate_32f_C1R(in.row(1) + 1, in.step(), out.data(), out.step(), {3, 3}, ones, {3, 3}, {1, 1}), 0);
  EXPECT_EQ(out.at(1, 1, 0), FLT_MAX);
  ASSERT_EQ(ruxiDilate3x3_32f_C1R(in.row(1) + 1, in.step(), out.data(), out.step(), {3, 3}), 0);
  EXPECT_EQ(out.at(1, 1, 0), std::numeric_limits<float>::infinity());
}

TEST(Morphology, ValidationOrder) {
  GuardedImage<Rux8u> src(12, 6, 4, 1);
  GuardedImage<Rux8u> dst(8, 4, 4, 2);
  const Rux8u* s = src.row(1) + 4;
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  const Rux8u mask[4] = {0, 1, 1, 0}, zeros[4] = {};
  const auto* f = reinterpret_cast<const Rux32f*>(s);
  auto* df = reinterpret_cast<Rux32f*>(d);
  ruxtest::expectRejections(
      {
          {"null mask", [&] { return ruxiDilate_8u_C1R(s, 0, d, ds, {0, 0}, nullptr, {0, 0}, {5, 5}); }, ruxStatusNullPointer},
          {"step before size", [&] { return ruxiErode3x3_8u_C1R(s, 0, d, ds, {0, 2}); }, ruxStatusBadStep},
          {"size before mask", [&] { return ruxiDilate_16u_C3R(reinterpret_cast<const Rux16u*>(s), ss, reinterpret_cast<Rux16u*>(d), ds, {2, 0}, mask, {0, 2}, {0, 0}); }, ruxStatusBadSize},
          {"mask width 0 before zero mask", [&] { return ruxiErode_8u_C1R(s, ss, d, ds, {2, 2}, zeros, {0, 2}, {0, 0}); }, ruxStatusBadMaskSize},
          {"zero mask with a valid anchor", [&] { return ruxiErode_8u_C1R(s, ss, d, ds, {2, 2}, zeros, {2, 2}, {0, 0}); }, ruxStatusZeroMask},
          {"anchor", [&] { return ruxiDilate_32f_C4R(f, ss, df, ds, {1, 1}, mask, {2, 2}, {2, 0}); }, ruxStatusBadAnchor},
          {"anchor before step", [&] { return ruxiDilate_8u_C1IR(d, 1, {2, 2}, mask, {2, 2}, {-1, 0}); }, ruxStatusBadAnchor},
          {"source step roi + 1", [&] { return ruxiDilate3x3_8u_C1R(s, 3, d, ds, {2, 2}); }, ruxStatusStepTooSmall},
          {"destination step", [&] { return ruxiDilate_8u_C3R(s, ss, d, 5, {2, 2}, mask, {2, 2}, {0, 0}); }, ruxStatusStepTooSmall},
          {"in-place step", [&] { return ruxiErode3x3_32f_C1IR(df, 15, {2, 2}); }, ruxStatusStepTooSmall},
          {"64f step", [&] { return ruxiErode3x3_64f_C1R(reinterpret_cast<const Rux64f*>(s), 31, reinterpret_cast<Rux64f*>(d), ds, {2, 2}); }, ruxStatusStepTooSmall},
      },
      src, dst);
}

TEST(Morphology, ScratchFailureLeavesTheImage) {
  for (bool inPlace : {false, true}) {
    const Mask mask = ruxref::fullMask(5, 3, 2, 1);
    FencedImage<Rux8u> src(40, 6, 3, borderOf(mask), Fence::kAfter, 3);
    GuardedImage<Rux8u> dst(40, 6, 3, 4);
    std::vector<Rux8u> before;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 40 * 3; ++x) before.push_back(src.at(x / 3, y, x % 3));
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(0);
      st = inPlace ? ruxiErode_8u_C3IR(src.data(), src.step(), {40, 6}, mask.bytes.data(), {5, 3}, {2, 1})
                   : ruxiErode_8u_C3R(src.data(), src.step(), dst.data(), dst.step(), {40, 6}, mask.bytes.data(), {5, 3}, {2, 1});
    }
    EXPECT_EQ(st, ruxStatusNoMemory);
    EXPECT_TRUE(dst.unchanged());
    std::size_t i = 0;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 40 * 3; ++x) ASSERT_EQ(src.at(x / 3, y, x % 3), before[i++]);
  }
}

}  // namespace
