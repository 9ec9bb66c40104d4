// QualityIndex on 1, 2 and 7 threads against a long-double reference, the undefined-index rule,
// allocation failure; SSIM in both precisions, guard bands and the argument checks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "ref/norms_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
using QualityCall = RuxResult (*)(const T*, int, const T*, int, RuxImageSize, Rux32f*);

#define QUALITY_TABLE(type, T)                                                            \
  std::array<QualityCall<T>, 3> qualityTable(T*) {                                        \
    return {ruxiQualityIndex_##type##_C1R, ruxiQualityIndex_##type##_C3R,                 \
            ruxiQualityIndex_##type##_AC4R};                                              \
  }
QUALITY_TABLE(8u32f, Rux8u)
QUALITY_TABLE(16u32f, Rux16u)
QUALITY_TABLE(32f, Rux32f)

constexpr int kChannels[3] = {1, 3, 4};

std::uint32_t bitsOf(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof(u));
  return u;
}

// b = a / 2 + offset + noise: correlated images with means well away from zero.
template <class T>
void correlate(const GuardedImage<T>& a, GuardedImage<T>& b, std::uint32_t seed) {
  constexpr bool kFloat = std::is_floating_point_v<T>;
  const double top = kFloat ? 1e9 : static_cast<double>(std::numeric_limits<T>::max());
  const double offset = kFloat ? 300 : top / 4, noise = kFloat ? 40 : top / 6;
  std::mt19937 rng(seed);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      for (int c = 0; c < a.channels(); ++c) {
        const double v = a.at(x, y, c) / 2.0 + offset + noise * (rng() % 1000 / 1000.0 - 0.5);
        b.at(x, y, c) = static_cast<T>(std::min(std::max(v, kFloat ? -top : 0.0), top));
      }
  b.snapshot();
}

template <class T>
class QualityTest : public ::testing::Test {};
using QualityTypes = ::testing::Types<Rux8u, Rux16u, Rux32f>;
TYPED_TEST_SUITE(QualityTest, QualityTypes);

TYPED_TEST(QualityTest, MatchesTheReferenceOnEveryThreadCount) {
  using T = TypeParam;
  const auto f = qualityTable(static_cast<T*>(nullptr));
  ruxtest::forThreadCounts([&](int threads) {
    for (int l = 0; l < 3; ++l) {
      for (RuxImageSize s : {RuxImageSize{1, 1}, RuxImageSize{7, 5}, RuxImageSize{33, 16},
                             RuxImageSize{130, 9}, RuxImageSize{3, 40}}) {
        GuardedImage<T> a(s.width, s.height, kChannels[l], 70 + s.width, 2);
        GuardedImage<T> b(s.width, s.height, kChannels[l], 80 + s.width, 1);
        correlate(a, b, 90 + s.height);
        if (l == 2) {  // alpha samples that would change every channel's index if counted
          for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
              a.at(x, y, 3) = std::numeric_limits<T>::max();
              b.at(x, y, 3) = std::numeric_limits<T>::lowest();
            }
          a.snapshot();
          b.snapshot();
        }
        const int reported = l == 0 ? 1 : 3;
        Rux32f q[4] = {-7, -7, -7, -7};
        const RuxResult st = f[l](a.data(), a.step(), b.data(), b.step(), a.size(), q);
        if (s.width * s.height == 1) {  // one pixel: no variation, undefined
          EXPECT_EQ(st, ruxStatusQualityUndefined);
          continue;
        }
        ASSERT_EQ(st, ruxStatusOk) << threads << " threads, layout " << l;
        const auto want = ruxref::qualityIndex(a, b, reported);
        for (int c = 0; c < reported; ++c) {
          EXPECT_NEAR(q[c], static_cast<double>(want[c]), 2e-4)
              << threads << " threads, layout " << l << ", " << s.width << "x" << s.height;
        }
        if (l == 2) {
          EXPECT_EQ(q[3], -7.0f);
        }
        EXPECT_TRUE(a.unchanged());
        EXPECT_TRUE(b.unchanged());
      }
    }
  });
}

TYPED_TEST(QualityTest, IdenticalImagesGiveOneAndConstantOnesAreUndefined) {
  using T = TypeParam;
  const auto f = qualityTable(static_cast<T*>(nullptr));
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<T> a(29, 11, 3, 5, 1), c1(29, 11, 3, 6, 2), c2(29, 11, 3, 7, 3);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 29; ++x) {
        for (int c = 0; c < 3; ++c) {
          c1.at(x, y, c) = static_cast<T>(7);
          c2.at(x, y, c) = static_cast<T>(c == 1 ? 7 : 100 + (x * 7 + y * 3) % 50);
        }
      }
    Rux32f q[3];
    ASSERT_EQ(f[0](a.data(), a.step(), a.data(), a.step(), a.size(), q), ruxStatusOk);
    EXPECT_NEAR(q[0], 1.0f, 1e-5f) << threads;
    // Both constant: NaN 0xFFC00000 and the undefined status.
    ASSERT_EQ(f[1](c1.data(), c1.step(), c1.data(), c1.step(), c1.size(), q),
              ruxStatusQualityUndefined);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(bitsOf(q[c]), 0xFFC00000u) << threads;
    // Only channel 1 is constant in both images: only that channel is undefined.
    ASSERT_EQ(f[1](c2.data(), c2.step(), c2.data(), c2.step(), c2.size(), q),
              ruxStatusQualityUndefined);
    EXPECT_EQ(bitsOf(q[1]), 0xFFC00000u);
    EXPECT_NEAR(q[0], 1.0f, 1e-5f);
    EXPECT_NEAR(q[2], 1.0f, 1e-5f);
  });
}

TEST(QualityIndexFailure, ScratchFailureWritesNothing) {
  GuardedImage<Rux8u> a(40, 9, 1, 1), b(40, 9, 1, 2);
  ruxtest::forThreadCounts([&](int threads) {
    Rux32f q = -3.0f;
    {
      ruxtest::FailAllocationsAfter fail(0);
      EXPECT_EQ(ruxiQualityIndex_8u32f_C1R(a.data(), a.step(), b.data(), b.step(), a.size(), &q),
                ruxStatusNoMemory)
          << threads;
    }
    EXPECT_EQ(q, -3.0f);
  });
}

TEST(QualityIndexValidation, NullSizeThenSteps) {
  GuardedImage<Rux32f> a(8, 2, 3, 1), b(8, 2, 3, 2);
  Rux32f q[3];
  const int s = a.step();
  ruxtest::expectRejections(
      {
          {"null first", [&] { return ruxiQualityIndex_32f_C3R(nullptr, s, b.data(), s, {8, 2}, q); },
           ruxStatusNullPointer},
          {"null result", [&] { return ruxiQualityIndex_32f_C3R(a.data(), s, b.data(), s, {8, 2}, nullptr); },
           ruxStatusNullPointer},
          {"null before size", [&] { return ruxiQualityIndex_32f_C3R(a.data(), s, nullptr, s, {0, 2}, q); },
           ruxStatusNullPointer},
          {"zero height", [&] { return ruxiQualityIndex_32f_C3R(a.data(), s, b.data(), s, {8, 0}, q); },
           ruxStatusBadSize},
          {"size before step", [&] { return ruxiQualityIndex_32f_C3R(a.data(), 0, b.data(), s, {0, 2}, q); },
           ruxStatusBadSize},
          {"zero step", [&] { return ruxiQualityIndex_32f_C3R(a.data(), s, b.data(), 0, {8, 2}, q); },
           ruxStatusBadStep},
          {"negative step", [&] { return ruxiQualityIndex_32f_C3R(a.data(), -s, b.data(), s, {8, 2}, q); },
           ruxStatusBadStep},
      },
      a, b);
}

// Five moment images of a plausible window: means in [0, 1), second moments above the squares.
struct Moments {
  GuardedImage<Rux32f> mx, my, exx, eyy, exy;
  Moments(int w, int h, std::uint32_t seed)
      : mx(w, h, 1, seed, 1), my(w, h, 1, seed + 1, 2), exx(w, h, 1, seed + 2, 3),
        eyy(w, h, 1, seed + 3), exy(w, h, 1, seed + 4, 5) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const float a = u(rng), b = u(rng);
        mx.at(x, y, 0) = a;
        my.at(x, y, 0) = b;
        exx.at(x, y, 0) = a * a + 0.2f * u(rng);
        eyy.at(x, y, 0) = b * b + 0.2f * u(rng);
        exy.at(x, y, 0) = a * b + 0.1f * (u(rng) - 0.5f);
      }
    for (auto* m : {&mx, &my, &exx, &eyy, &exy}) m->snapshot();
  }
  RuxResult run(GuardedImage<Rux32f>& dst, RuxAccuracyHint hint, float c1, float c2) const {
    return ruxiSSIM_32f_C1R(mx.data(), mx.step(), my.data(), my.step(), exx.data(), exx.step(),
                            eyy.data(), eyy.step(), exy.data(), exy.step(), dst.data(), dst.step(),
                            dst.size(), hint, c1, c2);
  }
};

TEST(SsimTest, BothPrecisionsOnEveryThreadCount) {
  const float c1 = 1e-4f, c2 = 9e-4f;
  for (int w : {1, 3, 4, 5, 17, 64, 131}) {
    const int h = 9;
    const Moments m(w, h, 100 + w);
    std::vector<float> first[3];
    ruxtest::forThreadCounts([&](int threads) {
      for (RuxAccuracyHint hint : {ruxHintNone, ruxHintFast, ruxHintAccurate}) {
        GuardedImage<Rux32f> dst(w, h, 1, 7, 3);
        ASSERT_EQ(m.run(dst, hint, c1, c2), ruxStatusOk);
        ASSERT_TRUE(dst.check());
        std::vector<float> got;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const long double want =
                ruxref::ssim(m.mx.at(x, y, 0), m.my.at(x, y, 0), m.exx.at(x, y, 0),
                             m.eyy.at(x, y, 0), m.exy.at(x, y, 0), c1, c2);
            // Single precision: relative error plus the cancellation in the second factors.
            const double tol = hint == ruxHintAccurate ? 2e-7 * std::fabs(static_cast<double>(want)) + 1e-12
                                                       : 1e-5 * std::fabs(static_cast<double>(want)) + 2e-6;
            ASSERT_NEAR(dst.at(x, y, 0), static_cast<double>(want), tol)
                << "hint " << hint << " at " << x << "," << y;
            got.push_back(dst.at(x, y, 0));
          }
        // Pixels are independent: every thread count gives the same bits.
        if (threads == 1) first[hint] = got;
        EXPECT_EQ(got, first[hint]) << threads << " threads, hint " << hint;
      }
    });
  }
}

TEST(SsimTest, IdenticalMomentsGiveOne) {
  Moments m(23, 4, 9);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 23; ++x) {
      m.my.at(x, y, 0) = m.mx.at(x, y, 0);
      m.eyy.at(x, y, 0) = m.exy.at(x, y, 0) = m.exx.at(x, y, 0);
    }
  for (RuxAccuracyHint hint : {ruxHintNone, ruxHintAccurate}) {
    GuardedImage<Rux32f> dst(23, 4, 1, 8);
    ASSERT_EQ(m.run(dst, hint, 1e-4f, 9e-4f), ruxStatusOk);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 23; ++x) EXPECT_EQ(dst.at(x, y, 0), 1.0f) << hint;
  }
}

TEST(SsimTest, ArgumentChecksWriteNothing) {
  const Moments m(8, 2, 1);
  GuardedImage<Rux32f> dst(8, 2, 1, 2);
  const float eps = 1.1920928955078125e-07f;
  const auto call = [&](const Rux32f* mx, int step, RuxImageSize s, int hint, float c1, float c2) {
    return ruxiSSIM_32f_C1R(mx, step, m.my.data(), m.my.step(), m.exx.data(), m.exx.step(),
                            m.eyy.data(), m.eyy.step(), m.exy.data(), m.exy.step(), dst.data(),
                            dst.step(), s, static_cast<RuxAccuracyHint>(hint), c1, c2);
  };
  const Rux32f* x = m.mx.data();
  const int s = m.mx.step();
  ruxtest::expectRejections(
      {
          {"null mean", [&] { return call(nullptr, s, {8, 2}, 0, 1, 1); }, ruxStatusNullPointer},
          {"null destination",
           [&] {
             return ruxiSSIM_32f_C1R(x, s, x, s, x, s, x, s, x, s, nullptr, s, {8, 2}, ruxHintNone, 1, 1);
           },
           ruxStatusNullPointer},
          {"null before size", [&] { return call(nullptr, s, {0, 2}, 0, 1, 1); }, ruxStatusNullPointer},
          {"zero width", [&] { return call(x, s, {0, 2}, 0, 1, 1); }, ruxStatusBadSize},
          {"size before step", [&] { return call(x, 0, {8, 0}, 0, 0, 1); }, ruxStatusBadSize},
          {"zero step", [&] { return call(x, 0, {8, 2}, 0, 1, 1); }, ruxStatusBadStep},
          {"step before constants", [&] { return call(x, -4, {8, 2}, 3, 0, 0); }, ruxStatusBadStep},
          {"C1 zero", [&] { return call(x, s, {8, 2}, 0, 0, 1); }, ruxStatusBadArg},
          {"C2 at the limit", [&] { return call(x, s, {8, 2}, 0, 1, eps); }, ruxStatusBadArg},
          {"C1 NaN", [&] { return call(x, s, {8, 2}, 0, std::nanf(""), 1); }, ruxStatusBadArg},
          {"hint 3", [&] { return call(x, s, {8, 2}, 3, 1, 1); }, ruxStatusBadArg},
      },
      dst, m.mx, m.my, m.exx, m.eyy, m.exy);
}

}  // namespace
