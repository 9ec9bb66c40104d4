// Fixed-kernel filters against the reference: every member, layout and mask size on sources whose
// border ends at an inaccessible page (or, for floats, is surrounded by NaN), with full-range and
// small samples, every 8u low-pass window sum, the documented responses, thread counts,
// validation order and scratch failure.
#include <random>
#include <string>
#include <vector>

#include "ref/filter_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::Expect;
using ruxref::Fixed;
using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

template <class S, class D>
using FixedFn = RuxResult (*)(const S*, int, D*, int, RuxImageSize, RuxMaskSize);

template <class S, class D>
struct FixedMember {
  std::string name;
  Fixed kind;
  int channels;
  bool ac4;
  bool masked;  // takes a mask code (3x3 or 5x5); the others are 3x3
  FixedFn<S, D> fn;
};

#define FX(K, F, t, lay, ch, ac4)                                                                \
  FixedMember<S, D> {                                                                            \
    "ruxi" #F "_" #t "_" #lay "R", Fixed::K, ch, ac4, false,                                     \
        [](const S* s, int ss, D* d, int ds, RuxImageSize r, RuxMaskSize) { return ruxi##F##_##t##_##lay##R(s, ss, d, ds, r); } \
  }
#define FXM(K, F, t, lay, ch, ac4)                                                               \
  FixedMember<S, D> {                                                                            \
    "ruxi" #F "_" #t "_" #lay "R", Fixed::K, ch, ac4, true,                                      \
        [](const S* s, int ss, D* d, int ds, RuxImageSize r, RuxMaskSize m) { return ruxi##F##_##t##_##lay##R(s, ss, d, ds, r, m); } \
  }
#define L4(M, K, F, t) M(K, F, t, C1, 1, false), M(K, F, t, C3, 3, false), M(K, F, t, C4, 4, false), M(K, F, t, AC4, 4, true)
#define L3(M, K, F, t) M(K, F, t, C1, 1, false), M(K, F, t, C3, 3, false), M(K, F, t, AC4, 4, true)
#define COMMON(t)                                                                                \
  L4(FX, kPrewittH, FilterPrewittHoriz, t), L4(FX, kPrewittV, FilterPrewittVert, t),             \
      L4(FX, kSobelH, FilterSobelHoriz, t), L4(FX, kSobelV, FilterSobelVert, t),                 \
      L3(FX, kRobertsDown, FilterRobertsDown, t), L3(FX, kRobertsUp, FilterRobertsUp, t),        \
      L4(FXM, kLaplace, FilterLaplace, t), L4(FXM, kGauss, FilterGauss, t),                      \
      L4(FXM, kHipass, FilterHipass, t), L3(FXM, kLowpass, FilterLowpass, t),                    \
      L4(FX, kSharpen, FilterSharpen, t)
#define TO16S(t)                                                                                 \
  FXM(kSobelH, FilterSobelHoriz, t, C1, 1, false), FXM(kSobelV, FilterSobelVert, t, C1, 1, false), \
      FXM(kSobelH2, FilterSobelHorizSecond, t, C1, 1, false),                                    \
      FXM(kSobelV2, FilterSobelVertSecond, t, C1, 1, false),                                     \
      FXM(kSobelCross, FilterSobelCross, t, C1, 1, false), FX(kScharrH, FilterScharrHoriz, t, C1, 1, false), \
      FX(kScharrV, FilterScharrVert, t, C1, 1, false), FXM(kLaplace, FilterLaplace, t, C1, 1, false)

template <class S, class D>
std::vector<FixedMember<S, D>> members();
template <>
std::vector<FixedMember<Rux8u, Rux8u>> members() {
  using S = Rux8u;
  using D = Rux8u;
  return {COMMON(8u)};
}
template <>
std::vector<FixedMember<Rux16s, Rux16s>> members() {
  using S = Rux16s;
  using D = Rux16s;
  return {COMMON(16s)};
}
template <>
std::vector<FixedMember<Rux32f, Rux32f>> members() {
  using S = Rux32f;
  using D = Rux32f;
  return {COMMON(32f),
          FXM(kSobelH2, FilterSobelHorizSecond, 32f, C1, 1, false),
          FXM(kSobelV2, FilterSobelVertSecond, 32f, C1, 1, false),
          FXM(kSobelCross, FilterSobelCross, 32f, C1, 1, false),
          FXM(kSobelH, FilterSobelHorizMask, 32f, C1, 1, false),
          FXM(kSobelV, FilterSobelVertMask, 32f, C1, 1, false),
          FX(kScharrH, FilterScharrHoriz, 32f, C1, 1, false),
          FX(kScharrV, FilterScharrVert, 32f, C1, 1, false)};
}
template <>
std::vector<FixedMember<Rux16u, Rux16u>> members() {
  using S = Rux16u;
  using D = Rux16u;
  return {L4(FXM, kGauss, FilterGauss, 16u), L3(FXM, kLowpass, FilterLowpass, 16u)};
}
template <>
std::vector<FixedMember<Rux8u, Rux16s>> members() {
  using S = Rux8u;
  using D = Rux16s;
  return {TO16S(8u16s)};
}
template <>
std::vector<FixedMember<Rux8s, Rux16s>> members() {
  using S = Rux8s;
  using D = Rux16s;
  return {TO16S(8s16s)};
}

template <class S, class D>
FixedMember<S, D> member(const std::string& name) {
  for (const auto& m : members<S, D>())
    if (m.name == name) return m;
  ADD_FAILURE() << "no member " << name;
  return members<S, D>()[0];
}

template <class S, class D>
Expect fixedExpect(const ruxref::View<S>& v, int x, int y, int c, const ruxref::Weights& k, Fixed f) {
  const int r = k.n / 2;
  long long exact = 0;
  long double real = 0, mag = 0;
  for (int j = 0; j < k.n; ++j)
    for (int i = 0; i < k.n; ++i) {
      const int w = k.w[j][i];
      if (w == 0) continue;
      const S s = v.at(x + i - r, y + j - r, c);
      if constexpr (std::is_floating_point_v<S>) {
        real += w * static_cast<long double>(s), mag += std::abs(w) * std::fabs(static_cast<long double>(s));
      } else {
        exact += static_cast<long long>(w) * s;
      }
    }
  if constexpr (std::is_floating_point_v<D>) {
    return {real / k.divisor, 1e-5L * mag / k.divisor + 1e-6L};
  } else {
    return {static_cast<long double>(ruxref::fixedOutput<D>(f, k.n, exact))};
  }
}

Border reachOf(const ruxref::Weights& k) {
  Border b;
  ruxref::fixedReach(k, &b.left, &b.right, &b.top, &b.bottom);
  return b;
}

// One call on a fenced source (alternating sides, NaN margins for floats); smallRange keeps
// the samples within +-range so that responses do not saturate.
template <class S, class D>
::testing::AssertionResult checkFixed(const FixedMember<S, D>& m, int code, RuxImageSize roi, int seed,
                                      int range, Fence fence) {
  const ruxref::Weights k = ruxref::fixedWeights(m.kind, code == 55 ? 5 : 3);
  const Border b = reachOf(k);
  if (std::is_floating_point_v<S>) fence = Fence::kNanMargin;
  FencedImage<S> src(roi.width, roi.height, m.channels, b, fence, seed);
  if (range > 0) {
    std::mt19937 rng(seed);
    for (int y = -b.top; y < roi.height + b.bottom; ++y)
      for (int x = -b.left; x < roi.width + b.right; ++x)
        for (int c = 0; c < m.channels; ++c) {
          const int lo = std::is_signed_v<S> ? -range : 0;
          src.at(x, y, c) = static_cast<S>(lo + static_cast<int>(rng() % (range - lo + 1)));
        }
  }
  GuardedImage<D> dst(roi.width, roi.height, m.channels, seed + 1, seed % 3);
  const RuxResult st = m.fn(src.data(), src.step(), dst.data(), dst.step(), roi, static_cast<RuxMaskSize>(code));
  const std::string what = m.name + " mask " + std::to_string(code) + " roi " + std::to_string(roi.width) + "x" +
                           std::to_string(roi.height) + " range " + std::to_string(range);
  if (st != ruxStatusOk) return ::testing::AssertionFailure() << what << ": status " << st;
  const auto view = ruxref::viewOf<S>(src.data(), src.step(), m.channels);
  if (auto r = ruxref::regionMatches(dst.data(), dst.step(), roi, m.channels, m.ac4 ? 3 : m.channels,
                                     [&](int x, int y, int c) { return fixedExpect<S, D>(view, x, y, c, k, m.kind); });
      !r) {
    return r << " (" << what << ")";
  }
  if (auto r = dst.check(m.ac4 ? 7u : 15u); !r) return r << " (" << what << ")";
  return ::testing::AssertionSuccess();
}

template <class S_, class D_>
struct Pair {
  using S = S_;
  using D = D_;
};
template <class P>
class FixedTest : public ::testing::Test {};
using FixedPairs = ::testing::Types<Pair<Rux8u, Rux8u>, Pair<Rux16s, Rux16s>, Pair<Rux32f, Rux32f>,
                                    Pair<Rux16u, Rux16u>, Pair<Rux8u, Rux16s>, Pair<Rux8s, Rux16s>>;
TYPED_TEST_SUITE(FixedTest, FixedPairs);

TYPED_TEST(FixedTest, EveryMemberMatchesTheReference) {
  using S = typename TypeParam::S;
  using D = typename TypeParam::D;
  const RuxImageSize sizes[] = {{1, 1}, {2, 3}, {17, 5}, {66, 4}, {131, 2}};
  int seed = 1;
  for (const auto& m : members<S, D>()) {
    for (int code : m.masked ? std::vector<int>{33, 55} : std::vector<int>{33}) {
      for (int i = 0; i < 5; ++i) {
        const int range = i % 2 == 1 ? (std::is_same_v<S, Rux8u> || std::is_same_v<S, Rux8s> ? 40 : 300) : 0;
        ASSERT_TRUE(checkFixed(m, code, sizes[i], seed++, range, i % 2 ? Fence::kBefore : Fence::kAfter));
      }
    }
  }
}

TEST(FixedFilters, MemberCount) {
  const std::size_t n = members<Rux8u, Rux8u>().size() + members<Rux16s, Rux16s>().size() +
                        members<Rux32f, Rux32f>().size() + members<Rux16u, Rux16u>().size() +
                        members<Rux8u, Rux16s>().size() + members<Rux8s, Rux16s>().size();
  EXPECT_EQ(n, 153u);
}

// Every window sum of the 8u low-pass rules: rows of min(255, (i + o_j) / n), o_j = 0 for the
// first n rows and 1 below, give the window sums n x + y.
TEST(FixedFilters, LowpassOverEveryWindowSum) {
  for (int n : {3, 5}) {
    const int w = 255 * n + 1, r = n / 2;
    FencedImage<Rux8u> src(w, n + 1, 1, {r, r, r, r}, Fence::kAfter, 1);
    for (int y = -r; y < n + 1 + r; ++y)
      for (int x = -r; x < w + r; ++x) src.at(x, y, 0) = static_cast<Rux8u>(std::min(255, (x + r + (y + r >= n)) / n));
    GuardedImage<Rux8u> dst(w, n + 1, 1, 2);
    ASSERT_EQ(ruxiFilterLowpass_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {w, n + 1},
                                       n == 3 ? ruxMaskSize3x3 : ruxMaskSize5x5), 0);
    const auto k = ruxref::fixedWeights(Fixed::kLowpass, n);
    const auto view = ruxref::viewOf<Rux8u>(src.data(), src.step(), 1);
    EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), {w, n + 1}, 1, 1, [&](int x, int y, int c) {
      return fixedExpect<Rux8u, Rux8u>(view, x, y, c, k, Fixed::kLowpass);
    })) << n;
  }
}

TEST(FixedFilters, DocumentedResponses) {
  // Increasing to the right: Sobel vertical (left minus right) saturates to 0, Scharr vertical
  // (right minus left) gives 32 per unit of slope.
  GuardedImage<Rux8u> ramp(12, 5, 1, 1), rows(14, 9, 1, 2), flat(12, 5, 1, 3);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 14; ++x) {
      if (x < 12 && y < 5) ramp.at(x, y, 0) = static_cast<Rux8u>(10 + x), flat.at(x, y, 0) = 77;
      rows.at(x, y, 0) = static_cast<Rux8u>(y);
    }
  GuardedImage<Rux8u> d8(10, 3, 1, 4);
  GuardedImage<Rux16s> d16(10, 3, 1, 5);
  const auto all = [](const auto& img, int v) {
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.at(x, y, 0) != v) return false;
    return true;
  };
  ASSERT_EQ(ruxiFilterSobelVert_8u_C1R(ramp.row(1) + 1, ramp.step(), d8.data(), d8.step(), {10, 3}), 0);
  EXPECT_TRUE(all(d8, 0));
  ASSERT_EQ(ruxiFilterScharrVert_8u16s_C1R(ramp.row(1) + 1, ramp.step(), d16.data(), d16.step(), {10, 3}), 0);
  EXPECT_TRUE(all(d16, 32));
  ASSERT_EQ(ruxiFilterSobelHoriz_8u16s_C1R(flat.row(1) + 1, flat.step(), d16.data(), d16.step(), {10, 3}, ruxMaskSize3x3), 0);
  EXPECT_TRUE(all(d16, 0));
  ASSERT_EQ(ruxiFilterSobelHoriz_8u16s_C1R(rows.row(2) + 2, rows.step(), d16.data(), d16.step(), {10, 3}, ruxMaskSize3x3), 0);
  EXPECT_TRUE(all(d16, 8));
  ASSERT_EQ(ruxiFilterSobelHoriz_8u16s_C1R(rows.row(2) + 2, rows.step(), d16.data(), d16.step(), {10, 3}, ruxMaskSize5x5), 0);
  EXPECT_TRUE(all(d16, 128));
  ASSERT_EQ(ruxiFilterSharpen_8u_C1R(flat.row(1) + 1, flat.step(), d8.data(), d8.step(), {10, 3}), 0);
  EXPECT_TRUE(all(d8, 77));
  // Gauss 3x3: a lone centre sample c gives S = 4c; S = 8, 24 and 40 round to 0, 2 and 2.
  for (const auto& [centre, want] : {std::pair{2, 0}, {6, 2}, {10, 2}}) {
    Rux8u win[9] = {0, 0, 0, 0, static_cast<Rux8u>(centre), 0, 0, 0, 0}, out = 99;
    ASSERT_EQ(ruxiFilterGauss_8u_C1R(win + 4, 3, &out, 1, {1, 1}, ruxMaskSize3x3), 0);
    EXPECT_EQ(out, want) << "S = " << 4 * centre;
  }
  // Roberts down: a larger upper-left neighbour gives 0.
  Rux8u win[4] = {200, 0, 0, 100}, out = 99;
  ASSERT_EQ(ruxiFilterRobertsDown_8u_C1R(win + 3, 2, &out, 1, {1, 1}), 0);
  EXPECT_EQ(out, 0);
}

TEST(FixedFilters, IntegerResultsDoNotDependOnTheThreadCount) {
  ruxtest::forThreadCounts([](int threads) {
    const RuxImageSize big{300, 200};
    const auto t = " threads " + std::to_string(threads);
    EXPECT_TRUE(checkFixed(member<Rux8u, Rux8u>("ruxiFilterSobelHoriz_8u_C1R"), 33, big, 1, 0, Fence::kAfter)) << t;
    EXPECT_TRUE(checkFixed(member<Rux8u, Rux8u>("ruxiFilterLowpass_8u_AC4R"), 55, big, 2, 0, Fence::kBefore)) << t;
    EXPECT_TRUE(checkFixed(member<Rux8u, Rux8u>("ruxiFilterSharpen_8u_C4R"), 33, big, 3, 40, Fence::kAfter)) << t;
    EXPECT_TRUE(checkFixed(member<Rux16s, Rux16s>("ruxiFilterGauss_16s_C3R"), 55, big, 4, 0, Fence::kAfter)) << t;
    EXPECT_TRUE(checkFixed(member<Rux16s, Rux16s>("ruxiFilterRobertsUp_16s_C1R"), 33, big, 5, 0, Fence::kBefore)) << t;
    EXPECT_TRUE(checkFixed(member<Rux8u, Rux16s>("ruxiFilterLaplace_8u16s_C1R"), 55, big, 6, 0, Fence::kAfter)) << t;
    EXPECT_TRUE(checkFixed(member<Rux16u, Rux16u>("ruxiFilterGauss_16u_C4R"), 55, big, 7, 0, Fence::kAfter)) << t;
  });
}

TEST(FixedFilters, ValidationOrder) {
  GuardedImage<Rux8u> src(12, 6, 4, 1);
  GuardedImage<Rux16s> dst(8, 4, 4, 2);
  const Rux8u* s = src.row(1) + 4;
  const auto* f = reinterpret_cast<const Rux32f*>(src.row(1) + 4);
  Rux16s* d = dst.data();
  auto* d8 = reinterpret_cast<Rux8u*>(d);
  auto* df = reinterpret_cast<Rux32f*>(d);
  const int ss = src.step(), ds = dst.step();
  const RuxImageSize ok{2, 2};
  const auto code = [](int v) { return static_cast<RuxMaskSize>(v); };
  ruxtest::expectRejections(
      {
          {"null source first", [&] { return ruxiFilterSobelHoriz_8u_C1R(nullptr, 0, d8, ds, {0, 0}); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiFilterGauss_8u_C1R(s, ss, nullptr, ds, ok, code(13)); }, ruxStatusNullPointer},
          {"size before step", [&] { return ruxiFilterLaplace_8u16s_C1R(s, 0, d, ds, {0, 2}, code(33)); }, ruxStatusBadSize},
          {"negative height", [&] { return ruxiFilterSharpen_8u_C4R(s, ss, d8, ds, {2, -1}); }, ruxStatusBadSize},
          {"step before mask", [&] { return ruxiFilterLowpass_8u_C3R(s, 0, d8, ds, ok, code(34)); }, ruxStatusBadStep},
          {"destination step", [&] { return ruxiFilterRobertsUp_32f_C1R(f, ss, df, -4, ok); }, ruxStatusBadStep},
          {"mask 13", [&] { return ruxiFilterLowpass_8u_C1R(s, ss, d8, ds, ok, code(13)); }, ruxStatusBadMaskSize},
          {"mask 0", [&] { return ruxiFilterHipass_32f_C4R(f, ss, df, ds, ok, code(0)); }, ruxStatusBadMaskSize},
          {"cross 13", [&] { return ruxiFilterSobelCross_32f_C1R(f, ss, df, ds, ok, code(13)); }, ruxStatusBadMaskSize},
          {"cross 13, 8u16s", [&] { return ruxiFilterSobelCross_8u16s_C1R(s, ss, d, ds, ok, code(13)); }, ruxStatusBadMaskSize},
          {"second 31", [&] { return ruxiFilterSobelVertSecond_32f_C1R(f, ss, df, ds, ok, code(31)); }, ruxStatusBadMaskSize},
          {"mask 56", [&] { return ruxiFilterSobelHorizMask_32f_C1R(f, ss, df, ds, ok, code(56)); }, ruxStatusBadMaskSize},
          {"mask 51", [&] { return ruxiFilterGauss_16u_C1R(reinterpret_cast<const Rux16u*>(s), ss,
                                                            reinterpret_cast<Rux16u*>(d), ds, ok, code(51)); }, ruxStatusBadMaskSize},
      },
      src, dst);
}

// -9 leaves the destination as it was; a later success gives the filtered result.
template <class S, class D>
void scratchFailure(const FixedMember<S, D>& m, int code, RuxImageSize roi) {
  const ruxref::Weights k = ruxref::fixedWeights(m.kind, code == 55 ? 5 : 3);
  FencedImage<S> src(roi.width, roi.height, m.channels, reachOf(k), Fence::kAfter, 3);
  GuardedImage<D> dst(roi.width, roi.height, m.channels, 4);
  for (int n = 0; n < 32; ++n) {
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(n);
      st = m.fn(src.data(), src.step(), dst.data(), dst.step(), roi, static_cast<RuxMaskSize>(code));
    }
    if (st == ruxStatusNoMemory) {
      ASSERT_TRUE(dst.unchanged()) << m.name << " after " << n;
      continue;
    }
    ASSERT_EQ(st, ruxStatusOk) << m.name;
    const auto view = ruxref::viewOf<S>(src.data(), src.step(), m.channels);
    EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), roi, m.channels, m.ac4 ? 3 : m.channels,
                                      [&](int x, int y, int c) { return fixedExpect<S, D>(view, x, y, c, k, m.kind); }))
        << m.name;
    return;
  }
  ADD_FAILURE() << m.name << " never succeeded";
}

TEST(FixedFilters, ScratchFailureWritesNothing) {
  for (RuxImageSize roi : {RuxImageSize{40, 6}, RuxImageSize{300, 200}}) {
    scratchFailure(member<Rux8u, Rux8u>("ruxiFilterGauss_8u_C1R"), 55, roi);
    scratchFailure(member<Rux32f, Rux32f>("ruxiFilterSobelHoriz_32f_C3R"), 33, roi);
    scratchFailure(member<Rux16s, Rux16s>("ruxiFilterLaplace_16s_C4R"), 33, roi);
    scratchFailure(member<Rux8u, Rux16s>("ruxiFilterSobelCross_8u16s_C1R"), 55, roi);
    scratchFailure(member<Rux8s, Rux16s>("ruxiFilterSobelVert_8s16s_C1R"), 55, roi);
  }
}

}  // namespace
