// Box filter and window sums against the reference: every member out of place and in place (IR,
// and R with the source as destination) on both sides of mask.height = roi.height, every 8u
// division rule over every window sum, reads against inaccessible pages and NaN margins, thread
// counts, validation order and scratch failure.
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "ref/filter_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::BorderedImage;
using ruxref::Expect;
using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

template <class T>
using BoxR = RuxResult (*)(const T*, int, T*, int, RuxImageSize, RuxImageSize, RuxImagePoint);
template <class T>
using BoxIR = RuxResult (*)(T*, int, RuxImageSize, RuxImageSize, RuxImagePoint);

template <class T>
struct Box {
  std::string name;
  int channels;
  bool ac4;
  BoxR<T> r;
  BoxIR<T> ir;  // null where the member has no in-place form
  int compared() const { return ac4 ? 3 : channels; }
};

#define BOX(t, lay, ch, ac4) \
  Box<T> { "ruxiFilterBox_" #t "_" #lay, ch, ac4, ruxiFilterBox_##t##_##lay##R, ruxiFilterBox_##t##_##lay##IR }
#define BOX_TYPE(t, TT)                                                                           \
  std::vector<Box<TT>> boxes(TT*) {                                                               \
    using T = TT;                                                                                 \
    return {BOX(t, C1, 1, false), BOX(t, C3, 3, false), BOX(t, C4, 4, false), BOX(t, AC4, 4, true)}; \
  }
BOX_TYPE(8u, Rux8u)
BOX_TYPE(16u, Rux16u)
BOX_TYPE(16s, Rux16s)
BOX_TYPE(32f, Rux32f)
std::vector<Box<Rux64f>> boxes(Rux64f*) { return {{"ruxiFilterBox_64f_C1", 1, false, ruxiFilterBox_64f_C1R, nullptr}}; }

template <class T>
Box<T> box(int layout) {
  return boxes(static_cast<T*>(nullptr))[layout];
}

Border boxBorder(RuxImageSize m, RuxImagePoint a) { return {a.x, m.width - a.x - 1, a.y, m.height - a.y - 1}; }

// ring: in place with mask.height < roi.height (the only case that changes the 8u and 16s rules).
template <class T>
Expect boxExpect(const ruxref::View<T>& v, int x, int y, int c, RuxImageSize m, RuxImagePoint a,
                 const Box<T>& b, bool ring) {
  const auto s = ruxref::windowSum(v, x - a.x, y - a.y, m.width, m.height, c);
  const int area = m.width * m.height;
  if constexpr (std::is_same_v<T, Rux8u>) {
    return {static_cast<long double>(
        ruxref::box8u(s.exact, area, ruxref::box8uRule(m.width, m.height, b.channels, b.ac4, ring)))};
  } else if constexpr (std::is_same_v<T, Rux16u>) {
    return {static_cast<long double>(ruxref::box16u(s.exact, area))};
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    const bool trunc49 = m.width == 7 && m.height == 7 && b.channels == 1 && !ring;
    return {static_cast<long double>(ruxref::box16s(s.exact, area, trunc49))};
  } else if constexpr (std::is_same_v<T, Rux32f>) {
    return {s.real / area, 1e-5L * s.abs / area + 1e-6L};
  } else {
    return {s.real / area, 1e-12L * s.abs / area + 1e-300L};
  }
}

template <class T>
::testing::AssertionResult boxMatches(const T* out, int step, RuxImageSize roi, const ruxref::View<T>& src,
                                      RuxImageSize m, RuxImagePoint a, const Box<T>& b, bool ring) {
  return ruxref::regionMatches(out, step, roi, b.channels, b.compared(),
                               [&](int x, int y, int c) { return boxExpect(src, x, y, c, m, a, b, ring); });
}

// In place: the image equals the original except the filtered channels of the region.
template <class T>
::testing::AssertionResult onlyRegionChanged(const BorderedImage<T>& now, const BorderedImage<T>& before,
                                             RuxImageSize roi, int compared) {
  const auto& a = now.img;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      for (int c = 0; c < a.channels(); ++c) {
        const int rx = x - now.b.left, ry = y - now.b.top;
        if (rx >= 0 && rx < roi.width && ry >= 0 && ry < roi.height && c < compared) continue;
        const T p = a.at(x, y, c), q = before.img.at(x, y, c);
        if (std::memcmp(&p, &q, sizeof(T)) != 0)
          return ::testing::AssertionFailure() << "border or alpha changed at (" << rx << ", " << ry << ") channel " << c;
      }
  return a.check();
}

// Out of place, IR, and R with the source as destination, all from the same source.
template <class T>
void runBox(const Box<T>& b, const BorderedImage<T>& src, RuxImageSize roi, RuxImageSize m,
            RuxImagePoint a, const std::string& what, std::uint32_t seed) {
  GuardedImage<T> dst(roi.width, roi.height, b.channels, seed, seed % 3);
  ASSERT_EQ(b.r(src.data(), src.step(), dst.data(), dst.step(), roi, m, a), ruxStatusOk) << what;
  EXPECT_TRUE(boxMatches(dst.data(), dst.step(), roi, src.view(), m, a, b, false)) << what;
  EXPECT_TRUE(dst.check(b.ac4 ? 7u : 15u)) << what;
  EXPECT_TRUE(src.img.unchanged()) << what;
  if (!b.ir) return;
  for (int form = 0; form < 2; ++form) {
    BorderedImage<T> io = src;
    const RuxResult st = form == 0 ? b.ir(io.data(), io.step(), roi, m, a)
                                   : b.r(io.data(), io.step(), io.data(), io.step(), roi, m, a);
    const std::string how = what + (form == 0 ? " IR" : " R in place");
    ASSERT_EQ(st, ruxStatusOk) << how;
    EXPECT_TRUE(boxMatches(io.data(), io.step(), roi, src.view(), m, a, b, m.height < roi.height)) << how;
    EXPECT_TRUE(onlyRegionChanged(io, src, roi, b.compared())) << how;
  }
}

std::string describe(const std::string& name, RuxImageSize roi, RuxImageSize m, RuxImagePoint a) {
  return name + " roi " + std::to_string(roi.width) + "x" + std::to_string(roi.height) + " mask " +
         std::to_string(m.width) + "x" + std::to_string(m.height) + " anchor (" + std::to_string(a.x) +
         ", " + std::to_string(a.y) + ")";
}

struct BoxCase {
  int w, h, mw, mh;
  int fill;  // 0 random, 1 the type's maximum, 2 its minimum (integer types)
};
const BoxCase kBoxCases[] = {
    {1, 1, 1, 1, 0},  {35, 3, 1, 1, 0},  {37, 5, 3, 3, 0},  {67, 4, 5, 5, 0},  {16, 9, 7, 7, 0},
    {130, 3, 3, 5, 0}, {9, 2, 1, 2, 0},  {5, 6, 2, 1, 0},   {33, 2, 4, 9, 0},  {70, 3, 3, 3, 0},
    {21, 5, 5, 5, 0},  {19, 7, 7, 7, 0}, {40, 8, 11, 6, 0}, {66, 1, 9, 1, 0},  {64, 4, 3, 3, 1},
    {29, 9, 7, 7, 1},  {18, 6, 5, 5, 2}, {23, 8, 7, 7, 2},  {8, 3, 17, 13, 1},
};

template <class T>
class BoxTest : public ::testing::Test {};
using BoxTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f, Rux64f>;
TYPED_TEST_SUITE(BoxTest, BoxTypes);

TYPED_TEST(BoxTest, EveryMemberMatchesTheReference) {
  using T = TypeParam;
  std::mt19937 rng(11);
  for (const Box<T>& b : boxes(static_cast<T*>(nullptr))) {
    for (const BoxCase& k : kBoxCases) {
      if (k.fill != 0 && std::is_floating_point_v<T>) continue;
      const RuxImageSize roi{k.w, k.h}, m{k.mw, k.mh};
      const RuxImagePoint a{static_cast<int>(rng() % k.mw), static_cast<int>(rng() % k.mh)};
      BorderedImage<T> src(k.w, k.h, b.channels, boxBorder(m, a), rng(), rng() % 3);
      if (k.fill != 0) {
        const T v = k.fill == 1 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::lowest();
        for (int y = 0; y < src.img.height(); ++y)
          for (int i = 0; i < src.img.width() * b.channels; ++i) src.img.row(y)[i] = v;
        src.img.snapshot();
      }
      runBox(b, src, roi, m, a, describe(b.name, roi, m, a), rng());
    }
  }
}

// Every window sum S of every mask area up to 70 and around the 8100 limit, through 1 x A masks
// on a ramp whose window sums are 0, 1, 2, ... 255 A.
TEST(Box8u, GeneralAndFloatRulesOverEveryWindowSum) {
  std::vector<int> areas;
  for (int a = 1; a <= 70; ++a) areas.push_back(a);
  for (int a : {81, 128, 255, 256, 257, 1000, 2025, 4096, 8099, 8100, 8101, 8281}) areas.push_back(a);
  for (int area : areas) {
    const int w = 255 * area + 1, ax = area / 2;
    GuardedImage<Rux8u> img(w + area - 1, 2, 1, area);
    for (int y = 0; y < 2; ++y)
      for (int i = 0; i < img.width(); ++i) img.at(i, y, 0) = static_cast<Rux8u>(std::min(255, i / area));
    img.snapshot();
    GuardedImage<Rux8u> dst(w, 1, 1, area + 1);
    Rux8u* origin = img.row(0) + ax;
    ASSERT_EQ(ruxiFilterBox_8u_C1R(origin, img.step(), dst.data(), dst.step(), {w, 1}, {area, 1}, {ax, 0}), 0);
    const auto rule = ruxref::box8uRule(area, 1, 1, false, false);
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(dst.at(x, 0, 0), ruxref::box8u(x, area, rule)) << "area " << area << " S " << x;
    ASSERT_EQ(ruxiFilterBox_8u_C1IR(origin, img.step(), {w, 2}, {area, 1}, {ax, 0}), 0);
    const auto ring = ruxref::box8uRule(area, 1, 1, false, true);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(img.at(x + ax, y, 0), ruxref::box8u(x, area, ring)) << "area " << area << " S " << x << " IR";
  }
}

// The 3x3, 5x5 and 7x7 rules of every layout, out of place and in place on both sides of
// mask.height = roi.height, over every window sum: row j of 2n rows holds min(255, (i + o_j + c) / n)
// with o_j = 0 for the first n rows and 1 below, so the window sums are n (x + c) + y.
TEST(Box8u, SizeSpecialisedRulesOverEveryWindowSum) {
  for (int n : {3, 5, 7}) {
    for (const Box<Rux8u>& b : boxes(static_cast<Rux8u*>(nullptr))) {
      for (int h : {n + 1, n}) {
        const RuxImageSize roi{255 * n + 1, h}, m{n, n};
        const RuxImagePoint a{n / 2, n - 1};
        BorderedImage<Rux8u> src(roi.width, h, b.channels, boxBorder(m, a), 1);
        for (int j = 0; j < src.img.height(); ++j)
          for (int i = 0; i < src.img.width(); ++i)
            for (int c = 0; c < b.channels; ++c)
              src.img.at(i, j, c) = static_cast<Rux8u>(std::min(255, (i + (j >= n) + c) / n));
        src.img.snapshot();
        runBox(b, src, roi, m, a, describe(b.name, roi, m, a), 5);
      }
    }
  }
}

TEST(Box8u, DocumentedExamples) {
  int s = 0;
  for (const auto& [area, mult, shift] : {std::tuple{9, 3641u, 15}, {15, 2185u, 15}, {2, 4096u, 13}, {1, 4096u, 12}}) {
    EXPECT_EQ(ruxref::boxMultiplier(area, &s), mult) << area;
    EXPECT_EQ(s, shift) << area;
  }
  struct Example {
    RuxImageSize mask;
    int ones;  // samples of 1 (the rest 0), or the exact sample list
    std::vector<int> samples;
    int want;
  };
  const Example examples[] = {
      {{3, 3}, 0, {1, 2, 3, 0, 0, 4, 1, 1, 1}, 1},  // 13 / 9 truncated
      {{3, 5}, 8, {}, 1}, {{3, 5}, 7, {}, 0},       // 8 / 15 and 7 / 15 rounded
      {{2, 1}, 0, {0, 1}, 1}, {{1, 2}, 0, {0, 1}, 1},
  };
  for (const Example& e : examples) {
    GuardedImage<Rux8u> src(e.mask.width, e.mask.height, 1, 3), dst(1, 1, 1, 4);
    for (int i = 0; i < e.mask.width * e.mask.height; ++i)
      src.at(i % e.mask.width, i / e.mask.width, 0) =
          static_cast<Rux8u>(e.samples.empty() ? (i < e.ones) : e.samples[i]);
    ASSERT_EQ(ruxiFilterBox_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {1, 1}, e.mask, {0, 0}), 0);
    EXPECT_EQ(dst.at(0, 0, 0), e.want) << e.mask.width << "x" << e.mask.height;
  }
  // 91x91 (area 8281): mean 254.9 truncates to 254.
  GuardedImage<Rux8u> big(91, 91, 1, 5), one(1, 1, 1, 6);
  for (int i = 0; i < 91 * 91; ++i) big.at(i % 91, i / 91, 0) = i < 828 ? 254 : 255;
  ASSERT_EQ(ruxiFilterBox_8u_C1R(big.data(), big.step(), one.data(), one.step(), {1, 1}, {91, 91}, {0, 0}), 0);
  EXPECT_EQ(one.at(0, 0, 0), 254);
}

// Integer results are the same for 1, 2 and 7 threads at sizes that go parallel.
template <class T>
void threadCase(const Box<T>& b, RuxImageSize m, RuxImagePoint a) {
  const RuxImageSize roi{300, 200};
  BorderedImage<T> src(roi.width, roi.height, b.channels, boxBorder(m, a), 21);
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<T> dst(roi.width, roi.height, b.channels, 22);
    ASSERT_EQ(b.r(src.data(), src.step(), dst.data(), dst.step(), roi, m, a), 0);
    EXPECT_TRUE(boxMatches(dst.data(), dst.step(), roi, src.view(), m, a, b, false)) << b.name << " threads " << threads;
    EXPECT_TRUE(dst.check(b.ac4 ? 7u : 15u));
  });
}

TEST(BoxThreads, IntegerResultsDoNotDependOnTheThreadCount) {
  threadCase(box<Rux8u>(0), {3, 3}, {1, 1});
  threadCase(box<Rux8u>(1), {5, 4}, {0, 3});
  threadCase(box<Rux8u>(3), {6, 2}, {5, 1});
  threadCase(box<Rux16s>(0), {7, 7}, {3, 3});
  threadCase(box<Rux16s>(2), {4, 3}, {1, 2});
  threadCase(box<Rux16u>(1), {3, 5}, {2, 0});
}

// Sources whose border ends at an inaccessible page (or is surrounded by NaN).
template <class T>
void fencedBox(const Box<T>& b, RuxImageSize roi, RuxImageSize m, RuxImagePoint a, Fence f, bool inPlace) {
  FencedImage<T> src(roi.width, roi.height, b.channels, boxBorder(m, a), f, 31);
  const std::string what = describe(b.name, roi, m, a) + (inPlace ? " IR" : " R") + " fence " +
                           std::to_string(static_cast<int>(f));
  const auto view = ruxref::viewOf(src.data(), src.step(), b.channels);
  std::vector<Expect> want;
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < b.channels; ++c) want.push_back(boxExpect(view, x, y, c, m, a, b, inPlace && m.height < roi.height));
  const auto expected = [&](int x, int y, int c) { return want[(static_cast<std::size_t>(y) * roi.width + x) * b.channels + c]; };
  if (inPlace) {
    ASSERT_EQ(b.ir(src.data(), src.step(), roi, m, a), 0) << what;
    EXPECT_TRUE(ruxref::regionMatches(src.data(), src.step(), roi, b.channels, b.compared(), expected)) << what;
  } else {
    GuardedImage<T> dst(roi.width, roi.height, b.channels, 32);
    ASSERT_EQ(b.r(src.data(), src.step(), dst.data(), dst.step(), roi, m, a), 0) << what;
    EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), roi, b.channels, b.compared(), expected)) << what;
  }
}

TEST(BoxBorders, ReadsStayInsideTheBorder) {
  for (Fence f : {Fence::kBefore, Fence::kAfter}) {
    fencedBox(box<Rux8u>(0), {67, 9}, {5, 4}, {1, 2}, f, false);
    fencedBox(box<Rux8u>(0), {35, 6}, {3, 3}, {2, 0}, f, false);
    fencedBox(box<Rux8u>(0), {67, 9}, {5, 4}, {4, 0}, f, true);  // in one pass
    fencedBox(box<Rux8u>(1), {33, 3}, {3, 3}, {2, 2}, f, true);  // through a copy
    fencedBox(box<Rux8u>(3), {130, 4}, {3, 3}, {0, 1}, f, false);
    fencedBox(box<Rux16s>(2), {19, 5}, {7, 7}, {0, 6}, f, false);
    fencedBox(box<Rux16u>(0), {70, 3}, {2, 2}, {1, 1}, f, true);
    fencedBox(box<Rux64f>(0), {9, 3}, {4, 2}, {3, 0}, f, false);
  }
  const Fence nan = Fence::kNanMargin;
  fencedBox(box<Rux32f>(0), {67, 5}, {5, 5}, {2, 2}, nan, false);
  fencedBox(box<Rux32f>(0), {30, 8}, {7, 7}, {6, 0}, nan, false);
  fencedBox(box<Rux32f>(3), {33, 4}, {3, 2}, {0, 1}, nan, false);
  fencedBox(box<Rux32f>(2), {17, 9}, {4, 3}, {3, 2}, nan, true);
  fencedBox(box<Rux32f>(0), {40, 2}, {3, 5}, {1, 4}, nan, true);
  fencedBox(box<Rux64f>(0), {35, 4}, {6, 3}, {0, 2}, nan, false);
}

TEST(BoxValidation, OrderAndStatuses) {
  BorderedImage<Rux8u> src(8, 4, 3, {1, 1, 1, 1}, 1);
  GuardedImage<Rux8u> dst(8, 4, 3, 2);
  Rux8u* s = src.data();
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  const RuxImageSize ok{8, 4}, m3{3, 3};
  const RuxImagePoint a1{1, 1};
  ruxtest::expectRejections(
      {
          {"null source first", [&] { return ruxiFilterBox_8u_C3R(nullptr, 0, d, ds, {0, 0}, {0, 0}, {-1, -1}); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiFilterBox_8u_C3R(s, ss, nullptr, ds, ok, m3, a1); }, ruxStatusNullPointer},
          {"null image", [&] { return ruxiFilterBox_8u_C3IR(nullptr, ss, ok, m3, a1); }, ruxStatusNullPointer},
          {"step before size", [&] { return ruxiFilterBox_8u_C3R(s, 0, d, ds, {0, 4}, m3, a1); }, ruxStatusBadStep},
          {"destination step", [&] { return ruxiFilterBox_8u_C3R(s, ss, d, -1, ok, m3, a1); }, ruxStatusBadStep},
          {"in-place step", [&] { return ruxiFilterBox_8u_C3IR(s, 0, ok, m3, a1); }, ruxStatusBadStep},
          {"size before mask", [&] { return ruxiFilterBox_8u_C3R(s, ss, d, ds, {8, 0}, {0, 3}, a1); }, ruxStatusBadSize},
          {"negative width", [&] { return ruxiFilterBox_8u_C3IR(s, ss, {-1, 4}, m3, a1); }, ruxStatusBadSize},
          {"mask before anchor", [&] { return ruxiFilterBox_8u_C3R(s, ss, d, ds, ok, {3, 0}, {5, 5}); }, ruxStatusBadMaskSize},
          {"mask width 0", [&] { return ruxiFilterBox_8u_C3IR(s, ss, ok, {0, 3}, {0, 0}); }, ruxStatusBadMaskSize},
          {"anchor.x = mask.width", [&] { return ruxiFilterBox_8u_C3R(s, ss, d, ds, ok, m3, {3, 0}); }, ruxStatusBadAnchor},
          {"anchor.y < 0", [&] { return ruxiFilterBox_8u_C3R(s, ss, d, ds, ok, m3, {0, -1}); }, ruxStatusBadAnchor},
          {"anchor.y = mask.height", [&] { return ruxiFilterBox_8u_C3IR(s, ss, ok, m3, {1, 3}); }, ruxStatusBadAnchor},
      },
      src.img, dst);

  BorderedImage<Rux64f> s64(8, 4, 1, {1, 1, 1, 1}, 3);
  GuardedImage<Rux64f> d64(8, 4, 1, 4);
  const Rux64f* p = s64.data();
  Rux64f* q = d64.data();
  const int need = (8 + 3 - 1) * 8, qs = d64.step();
  ruxtest::expectRejections(
      {
          {"64f null", [&] { return ruxiFilterBox_64f_C1R(p, need, nullptr, qs, ok, m3, a1); }, ruxStatusNullPointer},
          {"64f mask 0 is a size error", [&] { return ruxiFilterBox_64f_C1R(p, need, q, qs, ok, {3, 0}, a1); }, ruxStatusBadSize},
          {"64f size before step", [&] { return ruxiFilterBox_64f_C1R(p, 0, q, qs, {0, 4}, m3, a1); }, ruxStatusBadSize},
          {"64f short source step", [&] { return ruxiFilterBox_64f_C1R(p, need - 1, q, qs, ok, m3, a1); }, ruxStatusBadStep},
          {"64f short destination step", [&] { return ruxiFilterBox_64f_C1R(p, need, q, 63, ok, m3, a1); }, ruxStatusBadStep},
          {"64f step before anchor", [&] { return ruxiFilterBox_64f_C1R(p, need - 8, q, qs, ok, m3, {3, 0}); }, ruxStatusBadStep},
          {"64f anchor", [&] { return ruxiFilterBox_64f_C1R(p, need, q, qs, ok, m3, {3, 0}); }, ruxStatusBadAnchor},
      },
      s64.img, d64);
  // Steps that exactly cover the rows are accepted.
  GuardedImage<Rux64f> tight(10, 6, 1, 5, 0, true), out(8, 4, 1, 6, 0, true);
  ASSERT_EQ(ruxiFilterBox_64f_C1R(tight.row(1) + 1, need, out.data(), 64, ok, m3, a1), ruxStatusOk);
  EXPECT_TRUE(boxMatches(out.data(), 64, ok, ruxref::viewOf(tight.row(1) + 1, need, 1), m3, a1, box<Rux64f>(0), false));
}

// -9 leaves everything as it was; a later success gives the filtered result.
template <class T>
void scratchFailure(const Box<T>& b, RuxImageSize roi, RuxImageSize m, bool inPlace, bool mustFail) {
  const RuxImagePoint a{m.width / 2, m.height / 2};
  const BorderedImage<T> original(roi.width, roi.height, b.channels, boxBorder(m, a), 41);
  BorderedImage<T> src = original;
  GuardedImage<T> dst(roi.width, roi.height, b.channels, 42);
  const std::string what = describe(b.name, roi, m, a) + (inPlace ? " IR" : " R");
  bool failed = false;
  for (int n = 0; n < 32; ++n) {
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(n);
      st = inPlace ? b.ir(src.data(), src.step(), roi, m, a) : b.r(src.data(), src.step(), dst.data(), dst.step(), roi, m, a);
    }
    if (st == ruxStatusNoMemory) {
      failed = true;
      ASSERT_TRUE(src.img.unchanged()) << what << " after " << n;
      ASSERT_TRUE(dst.unchanged()) << what << " after " << n;
      continue;
    }
    ASSERT_EQ(st, ruxStatusOk) << what;
    const T* out = inPlace ? src.data() : dst.data();
    EXPECT_TRUE(boxMatches(out, inPlace ? src.step() : dst.step(), roi, original.view(), m, a, b,
                           inPlace && m.height < roi.height)) << what;
    break;
  }
  if (mustFail) {
    EXPECT_TRUE(failed) << what << " never allocated";
  }
}

TEST(BoxScratch, FailureReturnsNoMemoryAndWritesNothing) {
  scratchFailure(box<Rux8u>(0), {300, 200}, {5, 3}, false, false);
  scratchFailure(box<Rux32f>(1), {300, 200}, {3, 3}, false, false);
  scratchFailure(box<Rux8u>(0), {70, 9}, {3, 3}, true, true);
  scratchFailure(box<Rux8u>(1), {70, 9}, {5, 5}, true, true);
  scratchFailure(box<Rux16s>(3), {33, 4}, {3, 7}, true, true);  // through a copy
  scratchFailure(box<Rux16u>(2), {20, 3}, {2, 3}, true, true);
  scratchFailure(box<Rux32f>(0), {64, 12}, {4, 4}, true, true);
}

// ---- Window sums -----------------------------------------------------------------------------

template <class S>
using WinFn = RuxResult (*)(const S*, int, Rux32f*, int, RuxImageSize, int, int);
template <class S>
struct Win {
  std::string name;
  int channels;
  bool column;
  WinFn<S> fn;
};
#define WIN(t, lay, ch)                                                                           \
  Win<T>{"ruxiSumWindowRow_" #t "32f_" #lay "R", ch, false, ruxiSumWindowRow_##t##32f_##lay##R},  \
      Win<T> { "ruxiSumWindowColumn_" #t "32f_" #lay "R", ch, true, ruxiSumWindowColumn_##t##32f_##lay##R }
#define WIN_TYPE(t, TT)                                                 \
  std::vector<Win<TT>> windows(TT*) {                                   \
    using T = TT;                                                       \
    return {WIN(t, C1, 1), WIN(t, C3, 3), WIN(t, C4, 4)};               \
  }
WIN_TYPE(8u, Rux8u)
WIN_TYPE(16u, Rux16u)
WIN_TYPE(16s, Rux16s)

template <class S>
Border winBorder(const Win<S>& m, int len, int a) {
  return m.column ? Border{0, 0, a, len - a - 1} : Border{a, len - a - 1, 0, 0};
}

template <class S>
::testing::AssertionResult winMatches(const Win<S>& m, const Rux32f* out, int step, RuxImageSize roi,
                                      const ruxref::View<S>& v, int len, int a) {
  return ruxref::regionMatches(out, step, roi, m.channels, m.channels, [&](int x, int y, int c) {
    const auto s = m.column ? ruxref::windowSum(v, x, y - a, 1, len, c) : ruxref::windowSum(v, x - a, y, len, 1, c);
    return Expect{static_cast<float>(s.exact)};
  });
}

template <class S>
class WindowSumTest : public ::testing::Test {};
using WindowTypes = ::testing::Types<Rux8u, Rux16u, Rux16s>;
TYPED_TEST_SUITE(WindowSumTest, WindowTypes);

TYPED_TEST(WindowSumTest, EveryMemberMatchesTheReference) {
  using S = TypeParam;
  struct Case {
    int w, h, len;
  };
  // The long 16u windows of values near 65535 exceed 2^24: the sum must be exact before rounding.
  const Case cases[] = {{1, 1, 1}, {9, 3, 2}, {35, 4, 5}, {66, 3, 9}, {131, 2, 17}, {7, 4, 300}};
  std::mt19937 rng(13);
  for (const Win<S>& m : windows(static_cast<S*>(nullptr))) {
    for (const Case& k : cases) {
      const int a = static_cast<int>(rng() % k.len);
      const RuxImageSize roi{k.w, k.h};
      const Border b = winBorder(m, k.len, a);
      FencedImage<S> src(k.w, k.h, m.channels, b, rng() % 2 ? Fence::kBefore : Fence::kAfter, rng());
      if (k.len == 300) {
        for (int y = -b.top; y < k.h + b.bottom; ++y)
          for (int x = -b.left; x < k.w + b.right; ++x)
            for (int c = 0; c < m.channels; ++c) src.at(x, y, c) = static_cast<S>(std::numeric_limits<S>::max() - rng() % 4096);
      }
      GuardedImage<Rux32f> dst(k.w, k.h, m.channels, rng(), rng() % 3);
      const std::string what = m.name + " " + std::to_string(k.w) + "x" + std::to_string(k.h) +
                               " length " + std::to_string(k.len) + " anchor " + std::to_string(a);
      ASSERT_EQ(m.fn(src.data(), src.step(), dst.data(), dst.step(), roi, k.len, a), ruxStatusOk) << what;
      EXPECT_TRUE(winMatches(m, dst.data(), dst.step(), roi, ruxref::viewOf<S>(src.data(), src.step(), m.channels), k.len, a)) << what;
      EXPECT_TRUE(dst.check()) << what;
    }
  }
}

// Bottom-up source and destination: steps are used as given.
TEST(WindowSums, NegativeSteps) {
  GuardedImage<Rux16u> src(20, 9, 1, 5);
  GuardedImage<Rux32f> dst(20, 6, 1, 6);
  const Rux16u* last = src.row(7);
  ASSERT_EQ(ruxiSumWindowColumn_16u32f_C1R(last, -src.step(), dst.row(5), -dst.step(), {20, 6}, 3, 1), 0);
  const Win<Rux16u> col = windows(static_cast<Rux16u*>(nullptr))[1];
  EXPECT_TRUE(winMatches(col, dst.row(5), -dst.step(), {20, 6}, ruxref::viewOf(last, -src.step(), 1), 3, 1));
  EXPECT_TRUE(dst.check());
}

TEST(WindowSums, ValidationAndEmptyRegions) {
  GuardedImage<Rux8u> src(16, 4, 3, 1);
  GuardedImage<Rux32f> dst(8, 4, 3, 2);
  const Rux8u* s = src.data();
  Rux32f* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  const auto* s16 = reinterpret_cast<const Rux16s*>(s);
  const auto* u16 = reinterpret_cast<const Rux16u*>(s);
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiSumWindowRow_8u32f_C1R(nullptr, ss, d, ds, {0, 0}, 0, 5); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiSumWindowColumn_16u32f_C3R(u16, ss, nullptr, ds, {4, 4}, 3, 1); }, ruxStatusNullPointer},
          {"empty column region", [&] { return ruxiSumWindowColumn_8u32f_C1R(s, ss, d, ds, {0, 4}, 0, 0); }, ruxStatusBadSize},
          {"empty 16u row region", [&] { return ruxiSumWindowRow_16u32f_C1R(u16, ss, d, ds, {4, 0}, 0, 0); }, ruxStatusBadSize},
          {"empty 8u row region", [&] { return ruxiSumWindowRow_8u32f_C3R(s, ss, d, ds, {0, 4}, 3, 1); }, ruxStatusOk},
          {"empty 16s row region", [&] { return ruxiSumWindowRow_16s32f_C4R(s16, ss, d, ds, {2, -1}, 3, 1); }, ruxStatusOk},
          {"mask before anchor", [&] { return ruxiSumWindowRow_8u32f_C1R(s, ss, d, ds, {4, 4}, 0, 5); }, ruxStatusBadMaskSize},
          {"negative mask", [&] { return ruxiSumWindowColumn_16s32f_C1R(s16, ss, d, ds, {4, 4}, -3, 0); }, ruxStatusBadMaskSize},
          {"anchor = length", [&] { return ruxiSumWindowColumn_8u32f_C4R(s, ss, d, ds, {2, 2}, 3, 3); }, ruxStatusBadAnchor},
          {"negative anchor", [&] { return ruxiSumWindowRow_16u32f_C3R(u16, ss, d, ds, {2, 2}, 3, -1); }, ruxStatusBadAnchor},
      },
      src, dst);
}

TEST(WindowSums, ScratchFailureWritesNothing) {
  const Win<Rux16u> m = windows(static_cast<Rux16u*>(nullptr))[3];  // column C3
  BorderedImage<Rux16u> src(50, 6, 3, winBorder(m, 5, 2), 7);
  GuardedImage<Rux32f> dst(50, 6, 3, 8);
  bool failed = false;
  for (int n = 0; n < 8; ++n) {
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(n);
      st = m.fn(src.data(), src.step(), dst.data(), dst.step(), {50, 6}, 5, 2);
    }
    if (st == ruxStatusNoMemory) {
      failed = true;
      ASSERT_TRUE(dst.unchanged());
      continue;
    }
    ASSERT_EQ(st, ruxStatusOk);
    EXPECT_TRUE(winMatches(m, dst.data(), dst.step(), {50, 6}, src.view(), 5, 2));
    break;
  }
  EXPECT_TRUE(failed);
}

}  // namespace
