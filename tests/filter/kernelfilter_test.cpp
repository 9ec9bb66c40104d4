// General kernel filters against the reference: every member with random kernels, anchors,
// divisors and rounding modes on sources whose border ends at an inaccessible page (NaN margins
// for floats), every divisor from -5 to 17 over ranges of sums, 64-bit sums, the documented
// examples, the work-buffer queries, thread counts, validation order and scratch failure.
#include <random>
#include <string>
#include <vector>

#include "ref/filter_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::Expect;
using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

// How a member turns its kernel and samples into the output.
enum class Rule {
  kIntDiv,        // exact integer sum divided by the divisor
  kFloatKernel,   // float kernel, single-precision sum (double for 32s), rounded and saturated
  kScaledKernel,  // integer kernel turned into K / d in float, then as kFloatKernel
  kFloat,         // 32f images
  kDouble,        // 64f images
};
enum class Shape { k2D, kRow, kColumn };

// One kernel in every coefficient type a member may take.
struct Kernels {
  std::vector<long long> exact;
  std::vector<Rux32s> i32;
  std::vector<Rux16s> i16;
  std::vector<Rux32f> f32;
  std::vector<Rux64f> f64;
  std::vector<float> scaled;  // K / d rounded to float
};

template <class S, class D>
using KFn = RuxResult (*)(const S*, int, D*, int, RuxImageSize, const Kernels&, RuxImageSize, RuxImagePoint,
                          int divisor, int mode, Rux8u* buffer);
using Query = RuxResult (*)(RuxImageSize, int, int*);

template <class S, class D>
struct KMember {
  std::string name;
  Shape shape;
  int channels;
  bool ac4;
  Rule rule;
  bool int16Kernel;  // coefficients must fit 16 bits
  KFn<S, D> fn;
  Query query;  // Round members only
};

#define KARGS const S *s, int ss, D *d, int ds, RuxImageSize r, const Kernels &k, RuxImageSize ks, RuxImagePoint a, int dv, int mode, Rux8u *buf
#define KUNUSED (void)dv, (void)mode, (void)buf, (void)ks, (void)a
#define KM(name, shape, lay, ch, ac4, rule, i16, call, query) \
  KMember<S, D> { name "_" #lay "R", shape, ch, ac4, rule, i16, [](KARGS) { KUNUSED; return call; }, query }
#define F2I(t, lay, ch, ac4, rule) \
  KM("ruxiFilter_" #t, Shape::k2D, lay, ch, ac4, rule, false, ruxiFilter_##t##_##lay##R(s, ss, d, ds, r, k.i32.data(), ks, a, dv), nullptr)
#define F2F(t, lay, ch, ac4, rule, kv) \
  KM("ruxiFilter_" #t, Shape::k2D, lay, ch, ac4, rule, false, ruxiFilter_##t##_##lay##R(s, ss, d, ds, r, k.kv.data(), ks, a), nullptr)
#define F32(t, lay, ch, ac4) \
  KM("ruxiFilter32f_" #t, Shape::k2D, lay, ch, ac4, Rule::kFloatKernel, false, ruxiFilter32f_##t##_##lay##R(s, ss, d, ds, r, k.f32.data(), ks, a), nullptr)
#define ROWI(t, lay, ch, ac4, rule) \
  KM("ruxiFilterRow_" #t, Shape::kRow, lay, ch, ac4, rule, false, ruxiFilterRow_##t##_##lay##R(s, ss, d, ds, r, k.i32.data(), ks.width, a.x, dv), nullptr)
#define COLI(t, lay, ch, ac4, rule) \
  KM("ruxiFilterColumn_" #t, Shape::kColumn, lay, ch, ac4, rule, false, ruxiFilterColumn_##t##_##lay##R(s, ss, d, ds, r, k.i32.data(), ks.height, a.y, dv), nullptr)
#define ROWF(t, lay, ch, ac4, rule, kv) \
  KM("ruxiFilterRow_" #t, Shape::kRow, lay, ch, ac4, rule, false, ruxiFilterRow_##t##_##lay##R(s, ss, d, ds, r, k.kv.data(), ks.width, a.x), nullptr)
#define COLF(t, lay, ch, ac4, rule, kv) \
  KM("ruxiFilterColumn_" #t, Shape::kColumn, lay, ch, ac4, rule, false, ruxiFilterColumn_##t##_##lay##R(s, ss, d, ds, r, k.kv.data(), ks.height, a.y), nullptr)
#define ROW32(t, lay, ch, ac4) \
  KM("ruxiFilterRow32f_" #t, Shape::kRow, lay, ch, ac4, Rule::kFloatKernel, false, ruxiFilterRow32f_##t##_##lay##R(s, ss, d, ds, r, k.f32.data(), ks.width, a.x), nullptr)
#define COL32(t, lay, ch, ac4) \
  KM("ruxiFilterColumn32f_" #t, Shape::kColumn, lay, ch, ac4, Rule::kFloatKernel, false, ruxiFilterColumn32f_##t##_##lay##R(s, ss, d, ds, r, k.f32.data(), ks.height, a.y), nullptr)
#define R16S(lay, ch, ac4)                                                                        \
  KM("ruxiFilter_Round16s_8u", Shape::k2D, lay, ch, ac4, Rule::kIntDiv, true,                     \
     ruxiFilter_Round16s_8u_##lay##R(s, ss, d, ds, r, k.i16.data(), ks, a, dv, static_cast<RuxRounding>(mode), buf), \
     ruxiFilterRoundGetBufSize16s_8u_##lay##R)
#define R32S(t, lay, ch, ac4)                                                                     \
  KM("ruxiFilter_Round32s_" #t, Shape::k2D, lay, ch, ac4, Rule::kIntDiv, false,                   \
     ruxiFilter_Round32s_##t##_##lay##R(s, ss, d, ds, r, k.i32.data(), ks, a, dv, static_cast<RuxRounding>(mode), buf), \
     ruxiFilterRoundGetBufSize32s_##t##_##lay##R)
#define R32F(t, lay, ch, ac4)                                                                     \
  KM("ruxiFilter_Round32f_" #t, Shape::k2D, lay, ch, ac4, Rule::kFloatKernel, false,              \
     ruxiFilter_Round32f_##t##_##lay##R(s, ss, d, ds, r, k.f32.data(), ks, a, static_cast<RuxRounding>(mode), buf), \
     ruxiFilterRoundGetBufSize32f_##t##_##lay##R)
#define ALL4(M, ...) M(__VA_ARGS__, C1, 1, false), M(__VA_ARGS__, C3, 3, false), M(__VA_ARGS__, C4, 4, false), M(__VA_ARGS__, AC4, 4, true)
#define ALL3(M, ...) M(__VA_ARGS__, C1, 1, false), M(__VA_ARGS__, C3, 3, false), M(__VA_ARGS__, C4, 4, false)
// Layout-last forms of the macros that take a rule or kernel after the layout.
#define F2I_(t, rule, lay, ch, ac4) F2I(t, lay, ch, ac4, rule)
#define ROWI_(t, rule, lay, ch, ac4) ROWI(t, lay, ch, ac4, rule)
#define COLI_(t, rule, lay, ch, ac4) COLI(t, lay, ch, ac4, rule)
#define F2F_(t, rule, kv, lay, ch, ac4) F2F(t, lay, ch, ac4, rule, kv)
#define ROWF_(t, rule, kv, lay, ch, ac4) ROWF(t, lay, ch, ac4, rule, kv)
#define COLF_(t, rule, kv, lay, ch, ac4) COLF(t, lay, ch, ac4, rule, kv)
#define R16S_(x, lay, ch, ac4) R16S(lay, ch, ac4)

template <class S, class D>
std::vector<KMember<S, D>> members();
template <>
std::vector<KMember<Rux8u, Rux8u>> members() {
  using S = Rux8u;
  using D = Rux8u;
  return {ALL4(F2I_, 8u, Rule::kIntDiv), ALL4(F32, 8u), ALL4(ROWI_, 8u, Rule::kIntDiv), ALL4(COLI_, 8u, Rule::kIntDiv),
          ALL4(ROW32, 8u), ALL4(COL32, 8u), ALL4(R16S_, 0), ALL4(R32F, 8u)};
}
template <>
std::vector<KMember<Rux16u, Rux16u>> members() {
  using S = Rux16u;
  using D = Rux16u;
  return {ALL4(F2I_, 16u, Rule::kScaledKernel), ALL4(F32, 16u), ALL4(ROWI_, 16u, Rule::kScaledKernel),
          ALL4(COLI_, 16u, Rule::kScaledKernel), ALL4(ROW32, 16u), ALL4(COL32, 16u), ALL4(R32F, 16u), ALL4(R32S, 16u)};
}
template <>
std::vector<KMember<Rux16s, Rux16s>> members() {
  using S = Rux16s;
  using D = Rux16s;
  return {F2I(16s, C1, 1, false, Rule::kIntDiv), F2I(16s, C3, 3, false, Rule::kScaledKernel),
          F2I(16s, C4, 4, false, Rule::kScaledKernel), F2I(16s, AC4, 4, true, Rule::kScaledKernel),
          ALL4(F32, 16s), ALL4(ROWI_, 16s, Rule::kScaledKernel), ALL4(COLI_, 16s, Rule::kScaledKernel),
          ALL4(ROW32, 16s), ALL4(COL32, 16s), ALL4(R32F, 16s), ALL4(R32S, 16s)};
}
template <>
std::vector<KMember<Rux32f, Rux32f>> members() {
  using S = Rux32f;
  using D = Rux32f;
  return {ALL4(F2F_, 32f, Rule::kFloat, f32), ALL4(ROWF_, 32f, Rule::kFloat, f32), ALL4(COLF_, 32f, Rule::kFloat, f32)};
}
template <>
std::vector<KMember<Rux64f, Rux64f>> members() {
  using S = Rux64f;
  using D = Rux64f;
  return {F2F(64f, C1, 1, false, Rule::kDouble, f64), ROWF(64f, C1, 1, false, Rule::kDouble, f64),
          COLF(64f, C1, 1, false, Rule::kDouble, f64)};
}
#define ONLY32F(t, S_, D_)                      \
  template <>                                   \
  std::vector<KMember<S_, D_>> members() {      \
    using S = S_;                               \
    using D = D_;                               \
    return {ALL3(F32, t)};                      \
  }
ONLY32F(8u16s, Rux8u, Rux16s)
ONLY32F(8s16s, Rux8s, Rux16s)
ONLY32F(8s, Rux8s, Rux8s)
ONLY32F(32s, Rux32s, Rux32s)

template <class S, class D>
KMember<S, D> member(const std::string& name) {
  for (const auto& m : members<S, D>())
    if (m.name == name) return m;
  ADD_FAILURE() << "no member " << name;
  return members<S, D>()[0];
}

// A call: kernel size and anchor (rows: height 1; columns: width 1), divisor and rounding mode.
struct Call {
  RuxImageSize roi, ks;
  RuxImagePoint a;
  int divisor = 1, mode = 1;
};

Border kernelBorder(const Call& c) { return {c.ks.width - 1 - c.a.x, c.a.x, c.ks.height - 1 - c.a.y, c.a.y}; }

template <class S, class D>
Expect kernelExpect(const KMember<S, D>& m, const ruxref::View<S>& v, const Kernels& k, const Call& c, int x, int y, int ch) {
  const int kw = c.ks.width, kh = c.ks.height, ax = c.a.x, ay = c.a.y;
  const int mode = m.query ? c.mode : 1;
  switch (m.rule) {
    case Rule::kIntDiv:
      return {static_cast<long double>(ruxref::divideSum<D>(ruxref::convolveExact(v, k.exact, kw, kh, ax, ay, x, y, ch),
                                                            c.divisor, mode, std::is_same_v<S, Rux8u>))};
    case Rule::kFloatKernel:
      if constexpr (std::is_same_v<S, Rux32s>) {
        return {static_cast<long double>(ruxref::saturate<D>(ruxref::roundBy(ruxref::convolveOrdered<double>(v, k.f32, kw, kh, ax, ay, x, y, ch), 1)))};
      } else {
        return {static_cast<long double>(ruxref::saturate<D>(ruxref::roundBy(ruxref::convolveOrdered<float>(v, k.f32, kw, kh, ax, ay, x, y, ch), mode)))};
      }
    case Rule::kScaledKernel:
      return {static_cast<long double>(ruxref::saturate<D>(ruxref::roundBy(ruxref::convolveOrdered<float>(v, k.scaled, kw, kh, ax, ay, x, y, ch), 1)))};
    case Rule::kFloat: return {ruxref::convolveOrdered<float>(v, k.f32, kw, kh, ax, ay, x, y, ch)};
    default: return {ruxref::convolveOrdered<double>(v, k.f64, kw, kh, ax, ay, x, y, ch)};
  }
}

// Integer coefficients in [-range, range] (halves and quarters for the float kernels when
// exact is set, so rounding meets ties), or uniform reals.
Kernels makeKernel(int n, long long range, bool exactFloats, int divisor, std::mt19937& rng) {
  Kernels k;
  for (int i = 0; i < n; ++i) {
    const long long v = static_cast<long long>(rng() % (2 * range + 1)) - range;
    k.exact.push_back(v);
    k.i32.push_back(static_cast<Rux32s>(v));
    k.i16.push_back(static_cast<Rux16s>(std::clamp<long long>(v, -32768, 32767)));
    const double f = exactFloats ? static_cast<double>(static_cast<int>(rng() % 17) - 8) / 4
                                 : std::uniform_real_distribution<double>(-2.0, 2.0)(rng);
    k.f32.push_back(static_cast<float>(f));
    k.f64.push_back(f);
  }
  k.scaled = ruxref::scaledKernel(k.exact, divisor);
  return k;
}

// Runs one call on a fenced source and compares every sample; Round members get a buffer of
// exactly the queried size against an inaccessible page.
template <class S, class D>
::testing::AssertionResult checkKernel(const KMember<S, D>& m, const Call& c, const Kernels& k, Fence fence, int seed,
                                       Rux8u* givenBuffer = nullptr) {
  if (std::is_floating_point_v<S>) fence = Fence::kNanMargin;
  FencedImage<S> src(c.roi.width, c.roi.height, m.channels, kernelBorder(c), fence, seed);
  GuardedImage<D> dst(c.roi.width, c.roi.height, m.channels, seed + 1, seed % 3);
  const std::string what = m.name + " roi " + std::to_string(c.roi.width) + "x" + std::to_string(c.roi.height) + " kernel " +
                     std::to_string(c.ks.width) + "x" + std::to_string(c.ks.height) + " anchor (" + std::to_string(c.a.x) +
                     ", " + std::to_string(c.a.y) + ") divisor " + std::to_string(c.divisor) + " mode " + std::to_string(c.mode);
  int bytes = 1;
  if (m.query && m.query(c.ks, c.roi.width, &bytes) != ruxStatusOk) return ::testing::AssertionFailure() << what << ": query";
  FencedImage<Rux8u> buffer(std::max(bytes, 1), 1, 1, {}, Fence::kAfter, seed);
  Rux8u* buf = givenBuffer != nullptr ? givenBuffer : buffer.data();
  const RuxResult st = m.fn(src.data(), src.step(), dst.data(), dst.step(), c.roi, k, c.ks, c.a, c.divisor, c.mode, buf);
  if (st != ruxStatusOk) return ::testing::AssertionFailure() << what << ": status " << st;
  const auto view = ruxref::viewOf<S>(src.data(), src.step(), m.channels);
  if (auto r = ruxref::regionMatches(dst.data(), dst.step(), c.roi, m.channels, m.ac4 ? 3 : m.channels,
                                     [&](int x, int y, int ch) { return kernelExpect(m, view, k, c, x, y, ch); });
      !r) {
    return r << " (" << what << ")";
  }
  if (auto r = dst.check(m.ac4 ? 7u : 15u); !r) return r << " (" << what << ")";
  return ::testing::AssertionSuccess();
}

// Kernel shape and anchor for a member: rows and columns use the width or height only.
Call shaped(Shape shape, RuxImageSize roi, int kw, int kh, std::mt19937& rng) {
  if (shape == Shape::kRow) kh = 1;
  if (shape == Shape::kColumn) kw = 1;
  return {roi, {kw, kh}, {static_cast<int>(rng() % kw), static_cast<int>(rng() % kh)}};
}

template <class S_, class D_>
struct Pair {
  using S = S_;
  using D = D_;
};
template <class P>
class KernelTest : public ::testing::Test {};
using KernelPairs = ::testing::Types<Pair<Rux8u, Rux8u>, Pair<Rux16u, Rux16u>, Pair<Rux16s, Rux16s>, Pair<Rux32f, Rux32f>,
                                     Pair<Rux64f, Rux64f>, Pair<Rux8u, Rux16s>, Pair<Rux8s, Rux16s>, Pair<Rux8s, Rux8s>,
                                     Pair<Rux32s, Rux32s>>;
TYPED_TEST_SUITE(KernelTest, KernelPairs);

TYPED_TEST(KernelTest, EveryMemberMatchesTheReference) {
  using S = typename TypeParam::S;
  using D = typename TypeParam::D;
  struct Case {
    RuxImageSize roi;
    int kw, kh;
    long long range;  // integer coefficients
    int divisor;
  };
  // 16-coefficient rows of 17 and more pixels take the paired 16-bit path; 2^30 coefficients
  // need 64-bit sums.
  const Case cases[] = {
      {{1, 1}, 1, 1, 9, 1},     {{5, 3}, 3, 1, 20, 2},      {{17, 2}, 3, 3, 30, 3},         {{66, 3}, 5, 4, 100, -7},
      {{131, 2}, 2, 7, 12, 16}, {{20, 4}, 15, 2, 255, 1000}, {{19, 5}, 4, 3, 1 << 30, 1 << 30}, {{9, 6}, 7, 5, 1 << 29, 3 << 28},
      {{67, 2}, 8, 1, 3, -1},
  };
  std::mt19937 rng(17);
  int seed = 1;
  for (const KMember<S, D>& m : members<S, D>()) {
    for (const Case& k : cases) {
      if (m.int16Kernel && k.range > 32767) continue;
      Call c = shaped(m.shape, k.roi, k.kw, k.kh, rng);
      c.divisor = k.divisor;
      c.mode = seed % 3;
      const Kernels kernel = makeKernel(c.ks.width * c.ks.height, k.range, seed % 2 == 0, c.divisor, rng);
      ASSERT_TRUE(checkKernel(m, c, kernel, seed % 2 ? Fence::kBefore : Fence::kAfter, seed));
      ++seed;
    }
  }
}

TEST(KernelFilters, MemberCount) {
  const std::size_t n = members<Rux8u, Rux8u>().size() + members<Rux16u, Rux16u>().size() +
                        members<Rux16s, Rux16s>().size() + members<Rux32f, Rux32f>().size() +
                        members<Rux64f, Rux64f>().size() + members<Rux8u, Rux16s>().size() +
                        members<Rux8s, Rux16s>().size() + members<Rux8s, Rux8s>().size() +
                        members<Rux32s, Rux32s>().size();
  EXPECT_EQ(n, 123u);
}

// Every divisor from -5 to 17 and every rounding mode against every sum in a range: 1x1 kernels
// k over samples that run through the type (8u: all, 16-bit: -2048..2047 or 0..4095 and the ends).
template <class S, class D>
void divisorSweep(const KMember<S, D>& m, std::initializer_list<int> coefficients) {
  std::vector<long long> samples;
  const long long lo = std::numeric_limits<S>::min(), hi = std::numeric_limits<S>::max();
  if (hi - lo < 4096) {
    for (long long v = lo; v <= hi; ++v) samples.push_back(v);
  } else {
    for (long long v = std::max(lo, -2048LL); v < std::max(lo, -2048LL) + 4096; ++v) samples.push_back(v);
    for (long long v : {lo, lo + 1, hi - 1, hi}) samples.push_back(v);
  }
  const int w = static_cast<int>(samples.size());
  FencedImage<S> src(w, 1, 1, {}, Fence::kAfter, 1);
  for (int x = 0; x < w; ++x) src.at(x, 0, 0) = static_cast<S>(samples[x]);
  GuardedImage<D> dst(w, 1, 1, 2);
  for (int coefficient : coefficients) {
    for (int d = -5; d <= 17; ++d) {
      if (d == 0) continue;
      for (int mode : m.query ? std::vector<int>{0, 1, 2} : std::vector<int>{1}) {
        std::mt19937 rng(3);
        Kernels k = makeKernel(1, 0, false, d, rng);
        k.exact = {coefficient}, k.i32 = {coefficient}, k.i16 = {static_cast<Rux16s>(coefficient)};
        const Call c{{w, 1}, {1, 1}, {0, 0}, d, mode};
        int bytes = 1;
        if (m.query) {
          ASSERT_EQ(m.query(c.ks, w, &bytes), 0);
        }
        std::vector<Rux8u> buffer(bytes);
        ASSERT_EQ(m.fn(src.data(), src.step(), dst.data(), dst.step(), c.roi, k, c.ks, c.a, d, mode, buffer.data()), 0);
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(dst.at(x, 0, 0), ruxref::divideSum<D>(coefficient * samples[x], d, mode, std::is_same_v<S, Rux8u>))
              << m.name << " S " << coefficient * samples[x] << " divisor " << d << " mode " << mode;
      }
    }
  }
}

TEST(KernelFilters, EveryDivisorOverARangeOfSums) {
  divisorSweep(member<Rux8u, Rux8u>("ruxiFilter_8u_C1R"), {1, -1, 3, -7});
  divisorSweep(member<Rux8u, Rux8u>("ruxiFilterRow_8u_C1R"), {1, -3});
  divisorSweep(member<Rux8u, Rux8u>("ruxiFilterColumn_8u_C1R"), {-1, 5});
  divisorSweep(member<Rux8u, Rux8u>("ruxiFilter_Round16s_8u_C1R"), {1, -1, 3});
  divisorSweep(member<Rux16s, Rux16s>("ruxiFilter_16s_C1R"), {1, -3});
  divisorSweep(member<Rux16s, Rux16s>("ruxiFilter_Round32s_16s_C1R"), {1, 3});
  divisorSweep(member<Rux16u, Rux16u>("ruxiFilter_Round32s_16u_C1R"), {1, -1});
}

TEST(KernelFilters, DocumentedExamples) {
  GuardedImage<Rux8u> src(12, 1, 1, 1), dst(10, 1, 1, 2);
  const Rux32s shiftKernel[3] = {1, 0, 0};
  // The kernel is mirrored: {1, 0, 0} with anchor 1 reads the right neighbour.
  ASSERT_EQ(ruxiFilter_8u_C1R(src.row(0) + 1, src.step(), dst.data(), dst.step(), {10, 1}, shiftKernel, {3, 1}, {1, 0}, 1), 0);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(dst.at(x, 0, 0), src.at(x + 2, 0, 0)) << x;
  ASSERT_EQ(ruxiFilter_8u_C1R(src.row(0) + 2, src.step(), dst.data(), dst.step(), {10, 1}, shiftKernel, {3, 1}, {0, 0}, 1), 0);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(dst.at(x, 0, 0), src.at(x + 2, 0, 0)) << x;
  // Divisor 2: 5 -> 2 and 7 -> 4 (ties to even); divisor 3: 4 -> 1; divisor -1: positive sums -> 0.
  const Rux8u in[3] = {5, 7, 4};
  const Rux32s one = 1;
  Rux8u out[3];
  ASSERT_EQ(ruxiFilter_8u_C1R(in, 3, out, 3, {2, 1}, &one, {1, 1}, {0, 0}, 2), 0);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 4);
  ASSERT_EQ(ruxiFilter_8u_C1R(in + 2, 1, out, 1, {1, 1}, &one, {1, 1}, {0, 0}, 3), 0);
  EXPECT_EQ(out[0], 1);
  ASSERT_EQ(ruxiFilter_8u_C1R(in, 3, out, 3, {3, 1}, &one, {1, 1}, {0, 0}, -1), 0);
  for (Rux8u v : out) EXPECT_EQ(v, 0);
  int size = 77;
  ASSERT_EQ(ruxiFilterGetBufSize_64f_C1R({5, 3}, 100, &size), 0);
  EXPECT_EQ(size, 0);
}

// The size queried at one thread suffices after the thread count is raised to seven; the
// buffer lies against an inaccessible page on either side.
template <class S, class D>
void bufferCase(const KMember<S, D>& m) {
  const RuxImageSize k{5, 3};
  int size = -5;
  EXPECT_EQ(m.query(k, 130, nullptr), ruxStatusNullPointer) << m.name;
  EXPECT_EQ(m.query({0, 3}, 130, &size), ruxStatusBadSize) << m.name;
  EXPECT_EQ(m.query({5, -1}, 130, &size), ruxStatusBadSize) << m.name;
  EXPECT_EQ(m.query(k, 0, &size), ruxStatusBadSize) << m.name;
  EXPECT_EQ(size, -5) << m.name;
  int saved = 1;
  ruxGetNumThreads(&saved);
  for (Fence side : {Fence::kBefore, Fence::kAfter}) {
    ruxSetNumThreads(1);
    ASSERT_EQ(m.query(k, 130, &size), ruxStatusOk) << m.name;
    ASSERT_GT(size, 0) << m.name;
    ruxSetNumThreads(7);
    FencedImage<Rux8u> buffer(size, 1, 1, {}, side, 9);
    std::mt19937 rng(size);
    const Call c{{130, 70}, k, {3, 1}, 5, 2};
    EXPECT_TRUE(checkKernel(m, c, makeKernel(15, 40, true, 5, rng), side, 11, buffer.data()));
  }
  ruxSetNumThreads(saved);
}

template <class S, class D>
void everyBuffer() {
  for (const auto& m : members<S, D>())
    if (m.query) bufferCase(m);
}

TEST(KernelFilters, QueriedBufferSuffices) {
  everyBuffer<Rux8u, Rux8u>();
  everyBuffer<Rux16u, Rux16u>();
  everyBuffer<Rux16s, Rux16s>();
}

TEST(KernelFilters, IntegerResultsDoNotDependOnTheThreadCount) {
  ruxtest::forThreadCounts([](int threads) {
    std::mt19937 rng(23);
    const auto t = " threads " + std::to_string(threads);
    const auto big = [&](auto m, int kw, int kh, int divisor) {
      Call c = shaped(m.shape, {300, 200}, kw, kh, rng);
      c.divisor = divisor, c.mode = 2;
      EXPECT_TRUE(checkKernel(m, c, makeKernel(c.ks.width * c.ks.height, 60, false, divisor, rng), Fence::kAfter, 3)) << t;
    };
    big(member<Rux8u, Rux8u>("ruxiFilter_8u_C3R"), 5, 3, 9);
    big(member<Rux8u, Rux8u>("ruxiFilterColumn_8u_AC4R"), 1, 6, 4);
    big(member<Rux8u, Rux8u>("ruxiFilter_Round16s_8u_C1R"), 4, 4, 7);
    big(member<Rux16s, Rux16s>("ruxiFilter32f_16s_C1R"), 3, 5, 1);
    big(member<Rux16s, Rux16s>("ruxiFilter_16s_C1R"), 3, 3, 3);
    big(member<Rux16u, Rux16u>("ruxiFilterRow_16u_C4R"), 7, 1, 5);
    big(member<Rux16u, Rux16u>("ruxiFilter_Round32f_16u_AC4R"), 2, 2, 1);
  });
}

TEST(KernelFilters, ValidationOrder) {
  GuardedImage<Rux8u> src(16, 6, 3, 1);
  GuardedImage<Rux8u> dst(8, 4, 3, 2);
  const Rux8u* s = src.row(1) + 3;
  Rux8u* d = dst.data();
  const auto* s16 = reinterpret_cast<const Rux16s*>(s);
  const auto* u16 = reinterpret_cast<const Rux16u*>(s);
  const auto* f = reinterpret_cast<const Rux32f*>(s);
  const auto* g = reinterpret_cast<const Rux64f*>(s);
  auto* d16 = reinterpret_cast<Rux16s*>(d);
  auto* du = reinterpret_cast<Rux16u*>(d);
  auto* df = reinterpret_cast<Rux32f*>(d);
  auto* dg = reinterpret_cast<Rux64f*>(d);
  const Rux32s ki[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
  const Rux32f kf[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
  const Rux64f kd[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
  Rux8u buffer[64];
  const int ss = src.step(), ds = dst.step();
  const RuxImageSize ok{2, 2}, k3{3, 3};
  const RuxImagePoint a{1, 1};
  const int need3 = (2 + 3 - 1) * 3;  // 8u C3, 2 pixels, kernel width 3
  const auto mode = [](int v) { return static_cast<RuxRounding>(v); };
  ruxtest::expectRejections(
      {
          {"null kernel first", [&] { return ruxiFilter_8u_C3R(s, 0, d, 0, {0, 0}, nullptr, {0, 0}, {9, 9}, 0); }, ruxStatusNullPointer},
          {"null source", [&] { return ruxiFilter32f_8u16s_C1R(nullptr, ss, d16, ds, ok, kf, k3, a); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiFilterRow_16u_C1R(u16, ss, nullptr, ds, ok, ki, 3, 1, 1); }, ruxStatusNullPointer},
          {"kernel size before divisor", [&] { return ruxiFilter_8u_C3R(s, ss, d, ds, ok, ki, {0, 3}, a, 0); }, ruxStatusBadSize},
          {"region height 0", [&] { return ruxiFilterRow_8u_C1R(s, ss, d, ds, {2, 0}, ki, 3, 1, 1); }, ruxStatusBadSize},
          {"row kernel length 0", [&] { return ruxiFilterRow_8u_C1R(s, ss, d, ds, ok, ki, 0, 0, 1); }, ruxStatusBadSize},
          {"column kernel length -1", [&] { return ruxiFilterColumn32f_16s_C1R(s16, ss, d16, ds, ok, kf, -1, 0); }, ruxStatusBadSize},
          {"divisor before step", [&] { return ruxiFilter_8u_C3R(s, 0, d, ds, ok, ki, k3, a, 0); }, ruxStatusZeroDivisor},
          {"scaled-kernel divisor", [&] { return ruxiFilterColumn_16s_C1R(s16, ss, d16, ds, ok, ki, 3, 1, 0); }, ruxStatusZeroDivisor},
          {"source step one byte short", [&] { return ruxiFilter_8u_C3R(s, need3 - 1, d, ds, ok, ki, k3, a, 1); }, ruxStatusBadStep},
          {"destination step one byte short", [&] { return ruxiFilter_8u_C3R(s, need3, d, 5, ok, ki, k3, a, 1); }, ruxStatusBadStep},
          {"row filter source step", [&] { return ruxiFilterRow_32f_C1R(f, 15, df, ds, ok, kf, 3, 1); }, ruxStatusBadStep},
          {"column filter source step", [&] { return ruxiFilterColumn_8u_C1R(s, 1, d, ds, ok, ki, 3, 1, 1); }, ruxStatusBadStep},
          {"64f step", [&] { return ruxiFilter_64f_C1R(g, 31, dg, ds, ok, kd, k3, a); }, ruxStatusBadStep},
          {"step before anchor", [&] { return ruxiFilter32f_16u_C1R(u16, 1, du, ds, ok, kf, k3, {3, 0}); }, ruxStatusBadStep},
          {"step before mode", [&] { return ruxiFilter_Round32f_16u_C1R(u16, 1, du, ds, ok, kf, k3, a, mode(3), buffer); }, ruxStatusBadStep},
          {"mode 3", [&] { return ruxiFilter_Round32f_16u_C1R(u16, ss, du, ds, ok, kf, k3, a, mode(3), buffer); }, ruxStatusBadRoundMode},
          {"mode -1", [&] { return ruxiFilter_Round16s_8u_C1R(s, ss, d, ds, ok, reinterpret_cast<const Rux16s*>(ki), k3, a, 1, mode(-1), buffer); }, ruxStatusBadRoundMode},
          {"mode before buffer", [&] { return ruxiFilter_Round32s_16s_C1R(s16, ss, d16, ds, ok, ki, k3, a, 1, mode(3), nullptr); }, ruxStatusBadRoundMode},
          {"divisor before mode", [&] { return ruxiFilter_Round32s_16u_C1R(u16, ss, du, ds, ok, ki, k3, a, 0, mode(3), buffer); }, ruxStatusZeroDivisor},
          {"null buffer", [&] { return ruxiFilter_Round32s_16s_C1R(s16, ss, d16, ds, ok, ki, k3, a, 1, mode(0), nullptr); }, ruxStatusNullPointer},
          {"buffer before anchor", [&] { return ruxiFilter_Round32f_8u_C3R(s, ss, d, ds, ok, kf, k3, {-1, 0}, mode(0), nullptr); }, ruxStatusNullPointer},
          {"anchor.x = kernel width", [&] { return ruxiFilter_8u_C3R(s, ss, d, ds, ok, ki, k3, {3, 0}, 1); }, ruxStatusBadAnchor},
          {"anchor.y < 0", [&] { return ruxiFilter_32f_C1R(f, ss, df, ds, ok, kf, k3, {0, -1}); }, ruxStatusBadAnchor},
          {"row anchor -1", [&] { return ruxiFilterRow32f_16s_C1R(s16, ss, d16, ds, ok, kf, 3, -1); }, ruxStatusBadAnchor},
          {"column anchor = length", [&] { return ruxiFilterColumn_64f_C1R(g, ss, dg, ds, ok, kd, 3, 3); }, ruxStatusBadAnchor},
          {"round anchor", [&] { return ruxiFilter_Round32f_8u_C3R(s, ss, d, ds, ok, kf, k3, {1, 3}, mode(2), buffer); }, ruxStatusBadAnchor},
      },
      src, dst);
  // Steps that exactly cover the rows are accepted: (roi + kernel - 1) pixels, or roi pixels
  // for column filters.
  FencedImage<Rux8u> tight(2, 2, 3, {1, 1, 1, 1}, Fence::kAfter, 3);
  GuardedImage<Rux8u> out(2, 2, 3, 4, 0, true);
  EXPECT_EQ(ruxiFilter_8u_C3R(tight.data(), need3, out.data(), 6, ok, ki, k3, a, 16), ruxStatusOk);
  FencedImage<Rux16u> column(2, 2, 1, {0, 0, 1, 1}, Fence::kAfter, 5);
  GuardedImage<Rux16u> cout(2, 2, 1, 6, 0, true);
  EXPECT_EQ(ruxiFilterColumn_16u_C1R(column.data(), 4, cout.data(), 4, ok, ki, 3, 1, 4), ruxStatusOk);
}

// -9 leaves the destination as it was; a later success gives the filtered result.
template <class S, class D>
void scratchFailure(const KMember<S, D>& m, RuxImageSize roi, int kw, int kh, bool mustFail) {
  std::mt19937 rng(29);
  Call c = shaped(m.shape, roi, kw, kh, rng);
  c.divisor = 3;
  const Kernels k = makeKernel(c.ks.width * c.ks.height, 50, false, 3, rng);
  FencedImage<S> src(roi.width, roi.height, m.channels, kernelBorder(c), Fence::kAfter, 3);
  GuardedImage<D> dst(roi.width, roi.height, m.channels, 4);
  bool failed = false;
  for (int n = 0; n < 32; ++n) {
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(n);
      st = m.fn(src.data(), src.step(), dst.data(), dst.step(), roi, k, c.ks, c.a, c.divisor, 1, nullptr);
    }
    if (st == ruxStatusNoMemory) {
      failed = true;
      ASSERT_TRUE(dst.unchanged()) << m.name << " after " << n;
      continue;
    }
    ASSERT_EQ(st, ruxStatusOk) << m.name;
    const auto view = ruxref::viewOf<S>(src.data(), src.step(), m.channels);
    EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), roi, m.channels, m.ac4 ? 3 : m.channels,
                                      [&](int x, int y, int ch) { return kernelExpect(m, view, k, c, x, y, ch); }))
        << m.name;
    break;
  }
  if (mustFail) {
    EXPECT_TRUE(failed) << m.name << " never allocated";
  }
}

TEST(KernelFilters, ScratchFailureWritesNothing) {
  for (RuxImageSize roi : {RuxImageSize{40, 6}, RuxImageSize{300, 200}}) {
    scratchFailure(member<Rux8u, Rux8u>("ruxiFilter_8u_C1R"), roi, 5, 3, true);
    scratchFailure(member<Rux8u, Rux8u>("ruxiFilter32f_8u_C3R"), roi, 3, 3, false);
    scratchFailure(member<Rux16s, Rux16s>("ruxiFilterRow_16s_C1R"), roi, 9, 1, false);
    scratchFailure(member<Rux32f, Rux32f>("ruxiFilterColumn_32f_C4R"), roi, 1, 4, false);
    scratchFailure(member<Rux16u, Rux16u>("ruxiFilter_16u_C1R"), roi, 17, 16, true);  // kernel of 272
  }
}

}  // namespace
