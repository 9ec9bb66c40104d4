// Generators and noise: ramp and ring patterns, uniform and normal noise with the seed kept
// by the caller, against the one-sample-at-a-time references.
#include <algorithm>
#include <cmath>

#include "ref/generators_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
struct PatternApi {
  RuxResult (*ramp[4])(T*, int, RuxImageSize, Rux32f, Rux32f, int);  // C1, C3, C4, AC4
  RuxResult (*jaehne[4])(T*, int, RuxImageSize);
};

#define RUX_PATTERN_API(type, T)                                                             \
  PatternApi<T> patternApi(T*) {                                                             \
    return {{ruxiImageRamp_##type##_C1R, ruxiImageRamp_##type##_C3R, ruxiImageRamp_##type##_C4R, \
             ruxiImageRamp_##type##_AC4R},                                                   \
            {ruxiImageJaehne_##type##_C1R, ruxiImageJaehne_##type##_C3R,                     \
             ruxiImageJaehne_##type##_C4R, ruxiImageJaehne_##type##_AC4R}};                  \
  }
RUX_PATTERN_API(8u, Rux8u)
RUX_PATTERN_API(8s, Rux8s)
RUX_PATTERN_API(16u, Rux16u)
RUX_PATTERN_API(16s, Rux16s)
RUX_PATTERN_API(32s, Rux32s)
RUX_PATTERN_API(32f, Rux32f)

template <class T>
struct NoiseApi {
  RuxResult (*uniform[4])(T*, int, RuxImageSize, T, T, unsigned int*);
  RuxResult (*gauss[4])(T*, int, RuxImageSize, T, T, unsigned int*);
};

#define RUX_NOISE_API(type, T)                                                              \
  NoiseApi<T> noiseApi(T*) {                                                                \
    return {{ruxiAddRandUniform_Direct_##type##_C1IR, ruxiAddRandUniform_Direct_##type##_C3IR, \
             ruxiAddRandUniform_Direct_##type##_C4IR, ruxiAddRandUniform_Direct_##type##_AC4IR}, \
            {ruxiAddRandGauss_Direct_##type##_C1IR, ruxiAddRandGauss_Direct_##type##_C3IR,   \
             ruxiAddRandGauss_Direct_##type##_C4IR, ruxiAddRandGauss_Direct_##type##_AC4IR}}; \
  }
RUX_NOISE_API(8u, Rux8u)
RUX_NOISE_API(16u, Rux16u)
RUX_NOISE_API(16s, Rux16s)
RUX_NOISE_API(32f, Rux32f)

constexpr int kChannels[4] = {1, 3, 4, 4};
constexpr std::uint32_t kWritable[4] = {1u, 7u, 15u, 7u};

template <class T>
class PatternTest : public ::testing::Test {};
using PatternTypes = ::testing::Types<Rux8u, Rux8s, Rux16u, Rux16s, Rux32s, Rux32f>;
TYPED_TEST_SUITE(PatternTest, PatternTypes);

template <class T>
class NoiseTest : public ::testing::Test {};
using NoiseTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(NoiseTest, NoiseTypes);

TYPED_TEST(PatternTest, RampMatchesTheReference) {
  using T = TypeParam;
  const PatternApi<T> a = patternApi(static_cast<T*>(nullptr));
  // Fractions, negative slopes, saturation at both ends, and NaN (0 for integers).
  const float params[][2] = {{0.f, 1.5f}, {-3.25f, 0.75f}, {100.f, -2.5f}, {-1e9f, 3e7f}, {7.f, NAN}};
  for (int l = 0; l < 4; ++l) {
    for (int axis = 0; axis < 3; ++axis) {
      for (const auto& p : params) {
        for (int w : {1, 2, 7, 33, 70}) {
          GuardedImage<T> img(w, 5, kChannels[l], 11 + w, 2);
          ASSERT_EQ(a.ramp[l](img.data(), img.step(), img.size(), p[0], p[1], axis), ruxStatusOk);
          ASSERT_TRUE(regionEquals(img, ruxref::ramp(img, l == 3, p[0], p[1], axis)))
              << "layout " << l << " axis " << axis << " offset " << p[0] << " width " << w;
          ASSERT_TRUE(img.check(kWritable[l]));
        }
      }
    }
  }
}

TEST(RampTest, KnownRows) {
  GuardedImage<Rux8u> img(5, 3, 1, 1);
  ASSERT_EQ(ruxiImageRamp_8u_C1R(img.data(), img.step(), img.size(), 0.f, 1.5f, 0), ruxStatusOk);
  EXPECT_TRUE(regionEquals(img, {0, 1, 3, 4, 6, 0, 1, 3, 4, 6, 0, 1, 3, 4, 6}));
  ASSERT_EQ(ruxiImageRamp_8u_C1R(img.data(), img.step(), img.size(), 0.f, 100.f, 0), ruxStatusOk);
  EXPECT_TRUE(regionEquals(img, {0, 100, 200, 255, 255, 0, 100, 200, 255, 255, 0, 100, 200, 255, 255}));
  ASSERT_EQ(ruxiImageRamp_8u_C1R(img.data(), img.step(), img.size(), 9.f, 2.f, 2), ruxStatusOk);
  EXPECT_TRUE(regionEquals(img, {9, 9, 9, 9, 9, 9, 11, 13, 15, 17, 9, 13, 17, 21, 25}));
}

TYPED_TEST(PatternTest, JaehneMatchesTheReference) {
  using T = TypeParam;
  const PatternApi<T> a = patternApi(static_cast<T*>(nullptr));
  const RuxImageSize sizes[] = {{1, 1}, {2, 1}, {1, 6}, {7, 7}, {8, 9}, {35, 4}, {64, 33}};
  for (int l = 0; l < 4; ++l) {
    for (const RuxImageSize s : sizes) {
      GuardedImage<T> img(s.width, s.height, kChannels[l], 3 + s.width, 1);
      ASSERT_EQ(a.jaehne[l](img.data(), img.step(), s), ruxStatusOk);
      ASSERT_TRUE(regionEquals(img, ruxref::jaehne(img, l == 3)))
          << "layout " << l << " size " << s.width << "x" << s.height;
      ASSERT_TRUE(img.check(kWritable[l]));
    }
  }
}

TEST(JaehneTest, CentreOfAnOddRegionIsMidScale) {
  GuardedImage<Rux8u> img(9, 5, 1, 4);
  ASSERT_EQ(ruxiImageJaehne_8u_C1R(img.data(), img.step(), img.size()), ruxStatusOk);
  EXPECT_EQ(img.at(4, 2, 0), 127);
}

TYPED_TEST(PatternTest, BadArgumentsWriteNothing) {
  using T = TypeParam;
  const PatternApi<T> a = patternApi(static_cast<T*>(nullptr));
  GuardedImage<T> img(8, 3, 4, 1);
  const int st = img.step();
  ruxtest::expectRejections(
      {
          {"null before step and size", [&] { return a.ramp[0](nullptr, 0, {0, 0}, 0, 1, 9); },
           ruxStatusNullPointer},
          {"step before size", [&] { return a.ramp[1](img.data(), 0, {0, 3}, 0, 1, 0); }, ruxStatusBadStep},
          {"negative step", [&] { return a.jaehne[2](img.data(), -st, {8, 3}); }, ruxStatusBadStep},
          {"zero height", [&] { return a.ramp[3](img.data(), st, {8, 0}, 0, 1, 9); }, ruxStatusBadSize},
          {"axis after size", [&] { return a.ramp[2](img.data(), st, {8, 3}, 0, 1, 3); }, ruxStatusBadArg},
          {"negative axis", [&] { return a.ramp[0](img.data(), st, {8, 3}, 0, 1, -1); }, ruxStatusBadArg},
          {"jaehne null", [&] { return a.jaehne[3](nullptr, st, {8, 3}); }, ruxStatusNullPointer},
          {"jaehne zero width", [&] { return a.jaehne[0](img.data(), st, {0, 3}); }, ruxStatusBadSize},
      },
      img);
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(a.ramp[3](img.data(), st, {8, 3}, 0, 1, 0), ruxStatusNoMemory);
  }
  EXPECT_TRUE(img.unchanged());
}

// Parameters per type: (low, high) and (mean, sd) with results that saturate at both ends.
template <class T>
std::vector<std::pair<T, T>> noiseParams() {
  if constexpr (std::is_same_v<T, Rux8u>) return {{0, 255}, {3, 3}, {200, 10}, {128, 90}};
  if constexpr (std::is_same_v<T, Rux16u>) return {{0, 65535}, {1000, 1000}, {65000, 7}, {30000, 25000}};
  if constexpr (std::is_same_v<T, Rux16s>) return {{-32768, 32767}, {-7, -7}, {50, -300}, {-200, 20000}};
  if constexpr (std::is_same_v<T, Rux32f>) return {{-1.5f, 2.25f}, {0.5f, 0.5f}, {3.f, -1.f}, {-10.f, 400.f}};
}

TYPED_TEST(NoiseTest, MatchesTheReferenceAndWritesBackTheSeed) {
  using T = TypeParam;
  const NoiseApi<T> a = noiseApi(static_cast<T*>(nullptr));
  const std::uint32_t seeds[] = {0u, 1u, 0x80000000u, 0xdeadbeefu};
  for (int l = 0; l < 4; ++l) {
    for (int w : {1, 2, 3, 17, 64, 259, 700}) {
      for (const auto& p : noiseParams<T>()) {
        for (int gauss = 0; gauss < 2; ++gauss) {
          const std::uint32_t seed = seeds[(w + l + gauss) % 4];
          GuardedImage<T> img(w, 3, kChannels[l], 50 + w);
          std::uint32_t want = seed;
          const auto expected = gauss ? ruxref::gaussNoise(img, l == 3, p.first, p.second, &want)
                                      : ruxref::uniformNoise(img, l == 3, p.first, p.second, &want);
          unsigned int got = seed;
          const auto f = gauss ? a.gauss[l] : a.uniform[l];
          ASSERT_EQ(f(img.data(), img.step(), img.size(), p.first, p.second, &got), ruxStatusOk);
          ASSERT_TRUE(regionEquals(img, expected))
              << (gauss ? "gauss" : "uniform") << " layout " << l << " width " << w << " params "
              << +p.first << " " << +p.second;
          ASSERT_TRUE(img.check(kWritable[l]));
          ASSERT_EQ(got, want) << (gauss ? "gauss" : "uniform") << " layout " << l << " width " << w;
        }
      }
    }
  }
}

TYPED_TEST(NoiseTest, SameSeedSameImageAndSplitCallsAdvanceTheSeedAlike) {
  using T = TypeParam;
  const NoiseApi<T> a = noiseApi(static_cast<T*>(nullptr));
  const auto p = noiseParams<T>()[3];
  for (int gauss = 0; gauss < 2; ++gauss) {
    const auto f = gauss ? a.gauss[0] : a.uniform[0];
    GuardedImage<T> one(40, 6, 1, 9), two(40, 6, 1, 9);
    unsigned int s1 = 77, s2 = 77;
    ASSERT_EQ(f(one.data(), one.step(), one.size(), p.first, p.second, &s1), ruxStatusOk);
    ASSERT_EQ(f(two.data(), two.step(), two.size(), p.first, p.second, &s2), ruxStatusOk);
    EXPECT_EQ(s1, s2);
    EXPECT_NE(s1, 77u);
    for (int y = 0; y < 6; ++y)
      EXPECT_EQ(std::memcmp(one.row(y), two.row(y), 40 * sizeof(T)), 0) << "row " << y;
  }
  // Uniform noise draws once per sample: the seed is the generator's register after exactly
  // width x channels x height draws (AC4: three per pixel).
  for (int l = 0; l < 4; ++l) {
    GuardedImage<T> img(23, 4, kChannels[l], 10);
    unsigned int s = 12345;
    ASSERT_EQ(a.uniform[l](img.data(), img.step(), img.size(), p.first, p.second, &s), ruxStatusOk);
    ruxref::NoiseGen gen(12345);
    for (int i = 0; i < 23 * 4 * (l == 3 ? 3 : kChannels[l]); ++i) gen.next();
    EXPECT_EQ(s, gen.a) << "layout " << l;
  }
  // Normal noise: the seed depends on the draws made, rejected pairs included.
  std::uint32_t refSeed = 555;
  long long draws = 0;
  GuardedImage<T> g(31, 5, 1, 11);
  ruxref::gaussNoise(g, false, p.first, p.second, &refSeed, &draws);
  ruxref::NoiseGen gen(555);
  for (long long i = 0; i < draws; ++i) gen.next();
  unsigned int s = 555;
  ASSERT_EQ(a.gauss[0](g.data(), g.step(), g.size(), p.first, p.second, &s), ruxStatusOk);
  EXPECT_EQ(s, gen.a);
  EXPECT_GT(draws, 31 * 5);  // some pairs were rejected
}

TYPED_TEST(NoiseTest, BadArgumentsWriteNothing) {
  using T = TypeParam;
  const NoiseApi<T> a = noiseApi(static_cast<T*>(nullptr));
  GuardedImage<T> img(8, 3, 4, 1);
  const int st = img.step();
  unsigned int seed = 42;
  ruxtest::expectRejections(
      {
          {"null image", [&] { return a.uniform[0](nullptr, st, {8, 3}, T(0), T(1), &seed); },
           ruxStatusNullPointer},
          {"null seed before size", [&] { return a.gauss[3](img.data(), st, {0, 3}, T(0), T(1), nullptr); },
           ruxStatusNullPointer},
          {"size before step", [&] { return a.gauss[1](img.data(), 0, {8, 0}, T(0), T(1), &seed); },
           ruxStatusBadSize},
          {"zero step", [&] { return a.uniform[2](img.data(), 0, {8, 3}, T(0), T(1), &seed); },
           ruxStatusBadStep},
          {"negative step", [&] { return a.gauss[0](img.data(), -st, {8, 3}, T(0), T(1), &seed); },
           ruxStatusBadStep},
      },
      img);
  EXPECT_EQ(seed, 42u);
}

TEST(NoiseStatistics, MomentsOfLargeSamples) {
  // 32f on a zero image: the added values are the noise itself.
  const int w = 1000, h = 1000;
  std::vector<float> img(static_cast<std::size_t>(w) * h);
  auto moments = [&](double* mean, double* var) {
    double s = 0, s2 = 0;
    for (float v : img) s += v, s2 += double(v) * v;
    *mean = s / img.size();
    *var = s2 / img.size() - *mean * *mean;
  };
  double mean, var;
  unsigned int seed = 2024;
  std::fill(img.begin(), img.end(), 0.f);
  ASSERT_EQ(ruxiAddRandGauss_Direct_32f_C1IR(img.data(), w * 4, {w, h}, 5.f, 2.f, &seed), ruxStatusOk);
  moments(&mean, &var);
  EXPECT_NEAR(mean, 5.0, 0.01);
  EXPECT_NEAR(var, 4.0, 0.04);
  std::fill(img.begin(), img.end(), 0.f);
  ASSERT_EQ(ruxiAddRandUniform_Direct_32f_C1IR(img.data(), w * 4, {w, h}, -1.f, 3.f, &seed), ruxStatusOk);
  moments(&mean, &var);
  EXPECT_NEAR(mean, 1.0, 0.01);
  EXPECT_NEAR(var, 16.0 / 12.0, 0.015);
  EXPECT_GE(*std::min_element(img.begin(), img.end()), -1.f);
  EXPECT_LT(*std::max_element(img.begin(), img.end()), 3.f);
}

}  // namespace
