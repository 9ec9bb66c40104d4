// Wiener and bilateral filters against scalar references on fenced sources: given and estimated
// noise levels, the documented cases, thread counts, the specification block's checks and
// validation order.
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ref/filter_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

template <class T>
using WienerFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, RuxImageSize, RuxImagePoint, Rux32f*, Rux8u*);

template <class T>
constexpr float fullScale2() {
  return std::is_same_v<T, Rux8u> ? 65025.0f : (std::is_same_v<T, Rux16s> ? 4294836224.0f : 1.0f);
}
template <class T>
constexpr float levelFactor() {
  return std::is_same_v<T, Rux8u> ? 1.53787e-05f : (std::is_same_v<T, Rux16s> ? 2.3283775e-10f : 1.0f);
}

// Window statistics in single precision from exact sums: m = S1 / A, V = S2 - S1 S1 / A.
template <class T>
void stats(const ruxref::View<T>& v, RuxImageSize k, RuxImagePoint a, int x, int y, int c, float* m, float* var) {
  long double s1 = 0, s2 = 0;
  for (int j = 0; j < k.height; ++j)
    for (int i = 0; i < k.width; ++i) {
      const long double s = v.at(x + a.x - (k.width - 1) + i, y + a.y - (k.height - 1) + j, c);
      s1 += s, s2 += s * s;
    }
  const float rA = 1.0f / (static_cast<float>(k.width) * static_cast<float>(k.height));
  const float f1 = static_cast<float>(s1), f2 = static_cast<float>(s2);
  *m = f1 * rA;
  *var = f2 - f1 * f1 * rA;
}

template <class T>
::testing::AssertionResult checkWiener(WienerFn<T> fn, const std::string& name, int channels, bool ac4, RuxImageSize roi,
                                       RuxImageSize k, RuxImagePoint a, float level, int seed) {
  const int colours = ac4 ? 3 : channels;
  const Border b{k.width - 1 - a.x, a.x, k.height - 1 - a.y, a.y};
  FencedImage<T> src(roi.width, roi.height, channels, b, std::is_floating_point_v<T> ? Fence::kNanMargin : Fence::kAfter, seed);
  if constexpr (std::is_floating_point_v<T>) {
    std::mt19937 rng(seed);
    for (int y = -b.top; y < roi.height + b.bottom; ++y)
      for (int x = -b.left; x < roi.width + b.right; ++x)
        for (int c = 0; c < channels; ++c) src.at(x, y, c) = static_cast<float>(rng() % 1000) / 1000.0f;
  }
  GuardedImage<T> dst(roi.width, roi.height, channels, seed + 1);
  float noise[4] = {level, level, level, level};
  std::vector<Rux8u> buffer(16);
  const RuxResult st = fn(src.data(), src.step(), dst.data(), dst.step(), roi, k, a, noise, buffer.data());
  const std::string what = name + " mask " + std::to_string(k.width) + "x" + std::to_string(k.height) + " level " + std::to_string(level);
  if (st != ruxStatusOk) return ::testing::AssertionFailure() << what << ": status " << st;
  const auto view = ruxref::viewOf<T>(src.data(), src.step(), channels);
  const float area = static_cast<float>(k.width) * static_cast<float>(k.height);
  float power[4];
  for (int c = 0; c < colours; ++c) {
    if (level != 0.0f) {
      power[c] = area * fullScale2<T>() * level;
      continue;
    }
    double total = 0;
    for (int y = 0; y < roi.height; ++y) {
      double row = 0;
      for (int x = 0; x < roi.width; ++x) {
        float m, v;
        stats(view, k, a, x, y, c, &m, &v);
        row += std::max(v, 0.0f);
      }
      total += row / roi.width;
    }
    power[c] = static_cast<float>(total / roi.height);
    const float written = power[c] * levelFactor<T>() * (1.0f / area);
    if (noise[c] != written) return ::testing::AssertionFailure() << what << ": level written " << noise[c] << ", expected " << written;
  }
  if (auto r = ruxref::regionMatches(dst.data(), dst.step(), roi, channels, colours, [&](int x, int y, int c) {
        float m, v;
        stats(view, k, a, x, y, c, &m, &v);
        const float n = power[c], vp = std::max(v, n), s = static_cast<float>(view.at(x, y, c));
        const float r = vp > 0.0f ? m + (vp - n) / vp * (s - m) : m;
        if constexpr (std::is_floating_point_v<T>) return ruxref::Expect{r, 1e-4L};
        return ruxref::Expect{static_cast<long double>(ruxref::saturate<T>(ruxref::roundBy(r, 1)))};
      });
      !r)
    return r << " (" << what << ")";
  if (auto r = dst.check(ac4 ? 7u : 15u); !r) return r << " (" << what << ")";
  return ::testing::AssertionSuccess();
}

template <class T>
struct Wiener {
  std::string name;
  int channels;
  bool ac4;
  WienerFn<T> fn;
};
#define WI(t, lay, ch, a) Wiener<T>{"ruxiFilterWiener_" #t "_" #lay "R", ch, a, &ruxiFilterWiener_##t##_##lay##R}
#define WI4(t) WI(t, C1, 1, false), WI(t, C3, 3, false), WI(t, C4, 4, false), WI(t, AC4, 4, true)

template <class T>
std::vector<Wiener<T>> wieners() {
  if constexpr (std::is_same_v<T, Rux8u>) {
    return {WI4(8u)};
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    return {WI4(16s)};
  } else {
    return {WI4(32f)};
  }
}

template <class T>
class WienerTest : public ::testing::Test {};
using WienerTypes = ::testing::Types<Rux8u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(WienerTest, WienerTypes);

TYPED_TEST(WienerTest, GivenAndEstimatedNoiseMatchTheReference) {
  using T = TypeParam;
  int seed = 1;
  for (const auto& w : wieners<T>())
    for (const auto& [k, a] : {std::pair{RuxImageSize{2, 2}, RuxImagePoint{0, 1}}, {RuxImageSize{3, 3}, RuxImagePoint{1, 1}},
                               {RuxImageSize{5, 3}, RuxImagePoint{4, 0}}})
      for (float level : {0.0f, 0.01f, 0.5f})
        ASSERT_TRUE(checkWiener<T>(w.fn, w.name, w.channels, w.ac4, {37, 6}, k, a, level, seed++));
}

TEST(Wiener, DocumentedCases) {
  // Noise 0.5 on a gentle ramp (V < N): the local mean, 100 + x + 1 at region pixel x.
  GuardedImage<Rux8u> flat(12, 6, 1, 1), out(10, 4, 1, 2);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) flat.at(x, y, 0) = static_cast<Rux8u>(100 + x);
  float noise = 0.5f;
  Rux8u buffer[16];
  ASSERT_EQ(ruxiFilterWiener_8u_C1R(flat.row(1) + 1, flat.step(), out.data(), out.step(), {10, 4}, {3, 3}, {1, 1}, &noise, buffer), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(out.at(x, y, 0), 101 + x) << x << "," << y;
  // Estimation writes the level back; filtering again with it gives the same image.
  FencedImage<Rux8u> src(40, 9, 1, {2, 0, 2, 0}, Fence::kAfter, 5);
  GuardedImage<Rux8u> a(40, 9, 1, 3), b(40, 9, 1, 4);
  float level = 0.0f;
  ASSERT_EQ(ruxiFilterWiener_8u_C1R(src.data(), src.step(), a.data(), a.step(), {40, 9}, {3, 3}, {0, 0}, &level, buffer), 0);
  EXPECT_GT(level, 0.0f);
  ASSERT_EQ(ruxiFilterWiener_8u_C1R(src.data(), src.step(), b.data(), b.step(), {40, 9}, {3, 3}, {0, 0}, &level, buffer), 0);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(a.at(x, y, 0), b.at(x, y, 0));
  // A constant image with estimation requested: the constant (no 0 / 0).
  GuardedImage<Rux16s> c(6, 6, 1, 6), d(4, 4, 1, 7);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) c.at(x, y, 0) = -32768;
  level = 0.0f;
  ASSERT_EQ(ruxiFilterWiener_16s_C1R(c.row(1) + 1, c.step(), d.data(), d.step(), {4, 4}, {3, 3}, {1, 1}, &level, buffer), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.at(x, y, 0), -32768);
  int size = 0;
  ASSERT_EQ(ruxiFilterWienerGetBufferSize({100, 10}, {3, 3}, 1, &size), 0);
  int threads = 1;
  ruxGetNumThreads(&threads);
  EXPECT_EQ(size, threads * 5 * 108 * 4 + 15);
  ASSERT_EQ(ruxiFilterWienerGetBufferSize({100, 10}, {3, 3}, 3, &size), 0);
  EXPECT_EQ(size, threads * 5 * 304 * 4 + 15);
  EXPECT_EQ(ruxiFilterWienerGetBufferSize({100, 10}, {3, 3}, 2, &size), ruxStatusBadChannelCount);
  EXPECT_EQ(ruxiFilterWienerGetBufferSize({100, 10}, {1, 3}, 1, &size), ruxStatusBadMaskSize);
}

TEST(Wiener, ValidationOrder) {
  GuardedImage<Rux8u> src(12, 6, 4, 1), dst(8, 4, 4, 2);
  const Rux8u* s = src.row(1) + 4;
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  float ok[4] = {0.1f, 0.1f, 0.1f, 0.1f}, bad[4] = {0.1f, 1.0f, 0.1f, 0.1f};
  float nan[4] = {0.1f, 0.1f, std::numeric_limits<float>::quiet_NaN(), 0.1f}, negative[1] = {-0.01f};
  Rux8u buffer[16];
  ruxtest::expectRejections(
      {
          {"null noise", [&] { return ruxiFilterWiener_8u_C1R(s, 0, d, ds, {0, 0}, {1, 3}, {5, 5}, nullptr, buffer); }, ruxStatusNullPointer},
          {"null buffer", [&] { return ruxiFilterWiener_8u_C1R(s, ss, d, ds, {2, 2}, {3, 3}, {1, 1}, ok, nullptr); }, ruxStatusNullPointer},
          {"size", [&] { return ruxiFilterWiener_8u_C1R(s, 0, d, ds, {0, 2}, {1, 3}, {1, 1}, ok, buffer); }, ruxStatusBadSize},
          {"mask 1x3", [&] { return ruxiFilterWiener_8u_C1R(s, 0, d, ds, {2, 2}, {1, 3}, {5, 1}, ok, buffer); }, ruxStatusBadMaskSize},
          {"anchor before step", [&] { return ruxiFilterWiener_8u_C1R(s, 0, d, ds, {2, 2}, {3, 3}, {3, 1}, ok, buffer); }, ruxStatusBadAnchor},
          {"step", [&] { return ruxiFilterWiener_8u_C1R(s, ss, d, 0, {2, 2}, {3, 3}, {1, 1}, bad, buffer); }, ruxStatusBadStep},
          {"level 1", [&] { return ruxiFilterWiener_8u_C3R(s, ss, d, ds, {2, 2}, {3, 3}, {1, 1}, bad, buffer); }, ruxStatusBadNoiseLevel},
          {"NaN level", [&] { return ruxiFilterWiener_8u_AC4R(s, ss, d, ds, {2, 2}, {3, 3}, {1, 1}, nan, buffer); }, ruxStatusBadNoiseLevel},
          {"negative level", [&] { return ruxiFilterWiener_8u_C1R(s, ss, d, ds, {2, 2}, {3, 3}, {1, 1}, negative, buffer); }, ruxStatusBadNoiseLevel},
      },
      src, dst);
}

TEST(Wiener, ResultsDoNotDependOnTheThreadCount) {
  ruxtest::forThreadCounts([](int threads) {
    const auto t = " threads " + std::to_string(threads);
    EXPECT_TRUE(checkWiener<Rux8u>(&ruxiFilterWiener_8u_C3R, "8u C3", 3, false, {300, 200}, {5, 5}, {2, 2}, 0.02f, 1)) << t;
    EXPECT_TRUE(checkWiener<Rux16s>(&ruxiFilterWiener_16s_AC4R, "16s AC4", 4, true, {300, 100}, {3, 3}, {1, 1}, 0.0f, 2)) << t;
  });
}

// ---- bilateral ----------------------------------------------------------------------------------

struct Spec {
  std::vector<Rux8u> block;
  Rux8u* data() { return block.data() + 3; }  // deliberately misaligned
};

Spec makeSpec(int kind, RuxImageSize roi, RuxImageSize kernel, float sv, float ss, int step) {
  int size = 0;
  EXPECT_EQ(ruxiFilterBilateralGetBufSize_8u_C1R(kind, roi, kernel, &size), 0);
  Spec s;
  s.block.assign(static_cast<std::size_t>(size) + 3, 0xcd);
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(kind, kernel, sv, ss, step, s.data()), 0);
  return s;
}

// The weighted mean with 16-bit fixed-point weights, from the tables' formulas.
Rux8u bilateralRef(const ruxref::View<Rux8u>& v, int kind, RuxImageSize kernel, float sv, float ss, int step, int x, int y) {
  const auto half = [&](int n) { const int h = (n - 1) / 2; return h - h % step; };
  const int hw = half(kernel.width), hh = half(kernel.height);
  const double reach = std::sqrt(1.42 * sv * (std::log(static_cast<double>(kernel.width) * kernel.height) + 6.3));
  const int levels = static_cast<int>(std::min(256.0, std::trunc(reach) + 1.0));
  const float one = kind == 100 ? 16384.0f : 16.0f;
  const int centre = v.at(x, y, 0);
  unsigned long long num = 0, den = 0;
  for (int dy = -hh; dy <= hh; dy += step)
    for (int dx = -hw; dx <= hw; dx += step) {
      const int s = v.at(x + dx, y + dy, 0), d = std::abs(s - centre);
      const float wv = d < levels ? std::exp(-static_cast<float>(d * d) * 0.5f / sv) : 0.0f;
      const float ws = std::exp(-static_cast<float>(dx * dx + dy * dy) * 0.5f / ss);
      const auto w = static_cast<unsigned>(std::min(ws * wv * one + 0.5f, 65535.0f));
      num += static_cast<unsigned long long>(w) * s, den += w;
    }
  return static_cast<Rux8u>((num + den / 2) / den);
}

TEST(Bilateral, MatchesTheReference) {
  int seed = 1;
  for (int kind : {100, 101})
    for (const auto& [kernel, step] : {std::pair{RuxImageSize{5, 5}, 1}, {RuxImageSize{7, 3}, 2}, {RuxImageSize{1, 1}, 1}})
      for (float sv : {40.0f, 900.0f, 1e6f}) {
        const RuxImageSize roi{141, 6};  // two vectors of 64 bytes and a tail
        const int hw = (kernel.width - 1) / 2 - (kernel.width - 1) / 2 % step, hh = (kernel.height - 1) / 2 - (kernel.height - 1) / 2 % step;
        FencedImage<Rux8u> src(roi.width, roi.height, 1, {hw, hw, hh, hh}, seed % 2 ? Fence::kBefore : Fence::kAfter, seed);
        GuardedImage<Rux8u> dst(roi.width, roi.height, 1, seed + 1);
        Spec spec = makeSpec(kind, roi, kernel, sv, 4.0f, step);
        ASSERT_EQ(ruxiFilterBilateral_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), roi, kernel, spec.data()), 0);
        const auto view = ruxref::viewOf<Rux8u>(src.data(), src.step(), 1);
        EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), roi, 1, 1, [&](int x, int y, int) {
          return ruxref::Expect{static_cast<long double>(bilateralRef(view, kind, kernel, sv, 4.0f, step, x, y))};
        })) << kind << " " << kernel.width << "x" << kernel.height << " sigma " << sv;
        EXPECT_TRUE(dst.check());
        ++seed;
      }
}

TEST(Bilateral, ResultsDoNotDependOnTheThreadCount) {
  const RuxImageSize roi{300, 120}, kernel{5, 5};
  FencedImage<Rux8u> src(roi.width, roi.height, 1, {2, 2, 2, 2}, Fence::kAfter, 9);
  Spec spec = makeSpec(101, roi, kernel, 300.0f, 3.0f, 1);
  const auto view = ruxref::viewOf<Rux8u>(src.data(), src.step(), 1);
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<Rux8u> dst(roi.width, roi.height, 1, threads);
    ASSERT_EQ(ruxiFilterBilateral_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), roi, kernel, spec.data()), 0);
    EXPECT_TRUE(ruxref::regionMatches(dst.data(), dst.step(), roi, 1, 1, [&](int x, int y, int) {
      return ruxref::Expect{static_cast<long double>(bilateralRef(view, 101, kernel, 300.0f, 3.0f, 1, x, y))};
    })) << threads;
  });
}

TEST(Bilateral, SpecificationChecks) {
  const RuxImageSize roi{20, 4}, kernel{5, 5};
  FencedImage<Rux8u> src(roi.width, roi.height, 1, {2, 2, 2, 2}, Fence::kAfter, 1);
  GuardedImage<Rux8u> dst(roi.width, roi.height, 1, 2);
  Spec spec = makeSpec(100, roi, kernel, 100.0f, 4.0f, 1);
  const auto run = [&](RuxImageSize k, const Rux8u* s) {
    return ruxiFilterBilateral_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), roi, k, s);
  };
  EXPECT_EQ(run({7, 5}, spec.data()), ruxStatusBadMaskSize);  // wider than the specification
  EXPECT_EQ(run({3, 3}, spec.data()), ruxStatusOk);
  Spec broken = spec;
  const int offset = broken.data()[0];
  broken.data()[offset] ^= 1;  // identifier
  EXPECT_EQ(run(kernel, broken.data()), ruxStatusBadContext);
  broken = spec;
  broken.data()[0] = 9;
  EXPECT_EQ(run(kernel, broken.data()), ruxStatusBadContext);
  Rux8u block[4096];
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(100, kernel, nan, 4.0f, 1, block), ruxStatusBadArg);
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(100, kernel, 4.0f, 0.0f, 1, block), ruxStatusBadArg);
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(100, kernel, 4.0f, 4.0f, 0, block), ruxStatusBadArg);
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(102, kernel, 4.0f, 4.0f, 1, block), ruxStatusUnsupportedMode);
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(100, {0, 5}, 4.0f, 4.0f, 1, block), ruxStatusBadMaskSize);
  EXPECT_EQ(ruxiFilterBilateralInit_8u_C1R(100, kernel, 1e30f, 4.0f, 1, block), ruxStatusOk);  // L clamps to 256
  int size = 0;
  EXPECT_EQ(ruxiFilterBilateralGetBufSize_8u_C1R(100, {100, 10}, {5, 4}, &size), 0);
  EXPECT_EQ(size, 104 * 2 + 100 * 12 + 2229 + (5 + 20) * 4);
  EXPECT_EQ(ruxiFilterBilateralGetBufSize_8u_C1R(7, {100, 10}, {5, 4}, &size), ruxStatusUnsupportedMode);
  EXPECT_TRUE(dst.check());
}

}  // namespace
