// Norm, NormDiff, NormRel: exact integer results on every layout and width, 32f within the
// precision of each hint, kept alpha, long rows, zero denominators and validation order.
#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>

#include "ref/norms_ref.h"

namespace {

using ruxref::Kind;
using ruxtest::GuardedImage;

template <class T>
using NormCall = std::function<RuxResult(const T*, int, const T*, int, RuxImageSize, Rux64f*,
                                         RuxAccuracyHint)>;

// [family: Norm, NormDiff, NormRel][kind: Inf, L1, L2][layout: C1, C3, C4, AC4]
template <class T>
struct NormTable {
  NormCall<T> f[3][3][4];
};

#define W1(fn) [](const T* a, int as, const T*, int, RuxImageSize r, Rux64f* v, RuxAccuracyHint) { return fn(a, as, r, v); }
#define W1H(fn) [](const T* a, int as, const T*, int, RuxImageSize r, Rux64f* v, RuxAccuracyHint h) { return fn(a, as, r, v, h); }
#define W2(fn) [](const T* a, int as, const T* b, int bs, RuxImageSize r, Rux64f* v, RuxAccuracyHint) { return fn(a, as, b, bs, r, v); }
#define W2H(fn) [](const T* a, int as, const T* b, int bs, RuxImageSize r, Rux64f* v, RuxAccuracyHint h) { return fn(a, as, b, bs, r, v, h); }
#define LAYOUTS(W, fam, kind, type) \
  { W(ruxi##fam##_##kind##_##type##_C1R), W(ruxi##fam##_##kind##_##type##_C3R), \
    W(ruxi##fam##_##kind##_##type##_C4R), W(ruxi##fam##_##kind##_##type##_AC4R) }
#define FAMILY(W, WH, fam, type) \
  { LAYOUTS(W, fam, Inf, type), LAYOUTS(WH, fam, L1, type), LAYOUTS(WH, fam, L2, type) }
#define NORM_TABLE(type, Type, WH1, WH2)                                                  \
  NormTable<Type> normTable(Type*) {                                                      \
    using T = Type;                                                                       \
    return {{FAMILY(W1, WH1, Norm, type), FAMILY(W2, WH2, NormDiff, type),                \
             FAMILY(W2, WH2, NormRel, type)}};                                            \
  }
NORM_TABLE(8u, Rux8u, W1, W2)
NORM_TABLE(16u, Rux16u, W1, W2)
NORM_TABLE(16s, Rux16s, W1, W2)
NORM_TABLE(32f, Rux32f, W1H, W2H)

constexpr int kChannels[4] = {1, 3, 4, 4};
constexpr int kReported[4] = {1, 3, 4, 3};
constexpr Kind kKinds[3] = {Kind::kInf, Kind::kL1, Kind::kL2};

// Alpha samples that would dominate every norm if they were counted.
template <class T>
void extremeAlpha(GuardedImage<T>& img, T value) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.at(x, y, 3) = value;
  img.snapshot();
}

// Expected results of the three families from the reference raw values.
template <class T>
std::vector<double> expected(int fam, Kind kind, const GuardedImage<T>& a, const GuardedImage<T>& b,
                             int reported) {
  const auto num = ruxref::rawNorm<T>(a, fam == 0 ? nullptr : &b, reported, kind);
  std::vector<double> out(reported);
  for (int c = 0; c < reported; ++c) out[c] = ruxref::finishNorm(kind, num[c]);
  if (fam == 2) {
    const auto den = ruxref::rawNorm<T>(b, nullptr, reported, kind);
    for (int c = 0; c < reported; ++c) {
      const double q = static_cast<double>(num[c]) / static_cast<double>(den[c]);
      out[c] = kind == Kind::kL2 ? std::sqrt(q) : q;
    }
  }
  return out;
}

template <class T>
class NormTest : public ::testing::Test {};
using NormTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(NormTest, NormTypes);

// Integers exact; 32f Inf exact, accurate sums within double rounding, fast sums within single
// precision over a row of at most 259 samples (any hint other than 2 is fast; 3 stands for
// them, as C++ cannot hold other values in the enumeration).
TYPED_TEST(NormTest, EveryFamilyLayoutAndWidthMatchesTheReference) {
  using T = TypeParam;
  constexpr bool kFloat = std::is_floating_point_v<T>;
  const NormTable<T> t = normTable(static_cast<T*>(nullptr));
  const std::vector<RuxAccuracyHint> hints =
      kFloat ? std::vector<RuxAccuracyHint>{ruxHintNone, ruxHintAccurate, RuxAccuracyHint(3)}
             : std::vector<RuxAccuracyHint>{ruxHintNone};
  for (int l = 0; l < 4; ++l) {
    for (int w : ruxtest::sweepWidths()) {
      for (bool tight : {false, true}) {  // padded rows, and contiguous rows read as one
        GuardedImage<T> a(w, 3, kChannels[l], 10 + w, 1, tight);
        GuardedImage<T> b(w, 3, kChannels[l], 20 + w, 5, tight);
        if (l == 3) {
          extremeAlpha(a, kFloat ? T(3e38) : std::numeric_limits<T>::max());
          extremeAlpha(b, std::numeric_limits<T>::lowest());
        }
        for (int fam = 0; fam < 3; ++fam) {
          for (int k = 0; k < 3; ++k) {
            const auto want = expected<T>(fam, kKinds[k], a, b, kReported[l]);
            for (RuxAccuracyHint hint : hints) {
              Rux64f v[4] = {-1, -1, -1, -1};
              ASSERT_EQ(t.f[fam][k][l](a.data(), a.step(), b.data(), b.step(), a.size(), v, hint),
                        ruxStatusOk);
              const double tol =
                  !kFloat || k == 0 ? 0.0 : (hint == ruxHintAccurate ? 1e-13 : 5e-5);
              for (int c = 0; c < kReported[l]; ++c) {
                ASSERT_NEAR(v[c], want[c], tol * std::fabs(want[c]))
                    << "family " << fam << " kind " << k << " layout " << l << " width " << w
                    << " hint " << hint << " channel " << c;
              }
              for (int c = kReported[l]; c < 4; ++c) ASSERT_EQ(v[c], -1) << "result count";
            }
          }
        }
        EXPECT_TRUE(a.unchanged());
        EXPECT_TRUE(b.unchanged());
      }
    }
  }
}

TEST(NormFloatTest, AccurateHintAddsEveryTermInDouble) {
  // 1e8 + 1 is 1e8 in single precision: only double accumulation keeps the ones.
  GuardedImage<Rux32f> a(64, 2, 1, 1), zero(64, 2, 1, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 64; ++x) {
      a.at(x, y, 0) = x == 0 ? 1e8f : 1.0f;
      zero.at(x, y, 0) = 0.0f;
    }
  Rux64f v = 0;
  ASSERT_EQ(ruxiNorm_L1_32f_C1R(a.data(), a.step(), a.size(), &v, ruxHintAccurate), ruxStatusOk);
  EXPECT_EQ(v, 2 * (1e8 + 63));
  ASSERT_EQ(ruxiNormDiff_L1_32f_C1R(a.data(), a.step(), zero.data(), zero.step(), a.size(), &v,
                                    ruxHintAccurate),
            ruxStatusOk);
  EXPECT_EQ(v, 2 * (1e8 + 63));
  // Squares: 1e8 + 1 again, from a first sample of 1e4.
  for (int y = 0; y < 2; ++y) a.at(0, y, 0) = 1e4f;
  ASSERT_EQ(ruxiNorm_L2_32f_C1R(a.data(), a.step(), a.size(), &v, ruxHintAccurate), ruxStatusOk);
  EXPECT_EQ(v, std::sqrt(2 * (1e8 + 63)));
}

// Extreme samples and rows long enough to cross every flush of the narrow vector accumulators.
TEST(NormIntExtremes, LimitsAndLongRowsAreExact) {
  {
    GuardedImage<Rux16s> a(5, 1, 1, 1), b(5, 1, 1, 2);
    for (int x = 0; x < 5; ++x) {
      a.at(x, 0, 0) = -32768;
      b.at(x, 0, 0) = 32767;
    }
    Rux64f v = 0;
    ASSERT_EQ(ruxiNorm_Inf_16s_C1R(a.data(), a.step(), a.size(), &v), ruxStatusOk);
    EXPECT_EQ(v, 32768.0);
    ASSERT_EQ(ruxiNormDiff_Inf_16s_C1R(a.data(), a.step(), b.data(), b.step(), a.size(), &v),
              ruxStatusOk);
    EXPECT_EQ(v, 65535.0);
    ASSERT_EQ(ruxiNormDiff_L2_16s_C1R(b.data(), b.step(), a.data(), a.step(), a.size(), &v),
              ruxStatusOk);
    EXPECT_EQ(v, std::sqrt(5.0 * 65535.0 * 65535.0));
    ASSERT_EQ(ruxiNormDiff_L1_16s_C1R(b.data(), b.step(), a.data(), a.step(), a.size(), &v),
              ruxStatusOk);
    EXPECT_EQ(v, 5.0 * 65535.0);
  }
  {
    GuardedImage<Rux32s> a(3, 2, 1, 1);
    a.at(1, 1, 0) = INT_MIN;
    Rux64f v = 0;
    ASSERT_EQ(ruxiNorm_Inf_32s_C1R(a.data(), a.step(), a.size(), &v), ruxStatusOk);
    EXPECT_EQ(v, 2147483648.0);
  }
  const int n = (1 << 21) + 37;  // one row, wider than 32768 and than every flush block
  std::vector<Rux8u> m8(static_cast<std::size_t>(n) * 4, 255), z8(m8.size(), 0);
  std::vector<Rux16u> m16(static_cast<std::size_t>(n) * 4, 65535), z16(m16.size(), 0);
  const double dn = n;
  Rux64f v[4] = {};
  ASSERT_EQ(ruxiNorm_L2_8u_C1R(m8.data(), n, {n, 1}, v), ruxStatusOk);
  EXPECT_EQ(v[0], std::sqrt(dn * 65025.0));
  ASSERT_EQ(ruxiNorm_L1_8u_C1R(m8.data(), n, {n, 1}, v), ruxStatusOk);
  EXPECT_EQ(v[0], dn * 255.0);
  ASSERT_EQ(ruxiNormDiff_L2_8u_C4R(m8.data(), 4 * n, z8.data(), 4 * n, {n, 1}, v), ruxStatusOk);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(v[c], std::sqrt(dn * 65025.0));
  ASSERT_EQ(ruxiNorm_L2_8u_C1R(m8.data(), n, {n / 4, 4}, v), ruxStatusOk);
  EXPECT_EQ(v[0], std::sqrt(static_cast<double>(n / 4) * 4 * 65025.0));
  ASSERT_EQ(ruxiNorm_L1_16u_C1R(m16.data(), 2 * n, {n, 1}, v), ruxStatusOk);
  EXPECT_EQ(v[0], dn * 65535.0);
  ASSERT_EQ(ruxiNormDiff_L2_16u_C1R(z16.data(), 2 * n, m16.data(), 2 * n, {n, 1}, v), ruxStatusOk);
  EXPECT_EQ(v[0], std::sqrt(dn * 65535.0 * 65535.0));
  ASSERT_EQ(ruxiNormDiff_L1_8u_C3R(m8.data(), 4 * n, z8.data(), 4 * n, {4 * n / 3, 1}, v), ruxStatusOk);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(v[c], (4 * n / 3) * 255.0);
  ASSERT_EQ(ruxiNorm_L1_16u_C4R(m16.data(), 8 * n, {n, 1}, v), ruxStatusOk);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(v[c], dn * 65535.0);
  ASSERT_EQ(ruxiNormDiff_Inf_16u_C3R(z16.data(), 8 * n, m16.data(), 8 * n, {4 * n / 3, 1}, v), ruxStatusOk);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(v[c], 65535.0);
}

TEST(NormRelTest, ZeroDenominatorLeavesEveryChannelUndivided) {
  GuardedImage<Rux8u> a(13, 3, 1, 1), zero(13, 3, 1, 2);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 13; ++x) zero.at(x, y, 0) = 0;
  Rux64f v = 0, norm = 0;
  ASSERT_EQ(ruxiNorm_L1_8u_C1R(a.data(), a.step(), a.size(), &norm), ruxStatusOk);
  EXPECT_EQ(ruxiNormRel_L1_8u_C1R(a.data(), a.step(), zero.data(), zero.step(), a.size(), &v),
            ruxStatusZeroDivisorSeen);
  EXPECT_EQ(v, norm);
  EXPECT_EQ(ruxiNormRel_Inf_8u_C1R(a.data(), a.step(), zero.data(), zero.step(), a.size(), &v),
            ruxStatusZeroDivisorSeen);

  // Only channel 2 of the second image is zero: all three channels stay undivided.
  GuardedImage<Rux32f> x(9, 4, 3, 3), y(9, 4, 3, 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 9; ++c) y.at(c, r, 2) = 0.0f;
  for (RuxAccuracyHint hint : {ruxHintNone, ruxHintAccurate}) {
    Rux64f rel[3], diff[3];
    ASSERT_EQ(ruxiNormDiff_L2_32f_C3R(x.data(), x.step(), y.data(), y.step(), x.size(), diff, hint),
              ruxStatusOk);
    ASSERT_EQ(ruxiNormRel_L2_32f_C3R(x.data(), x.step(), y.data(), y.step(), x.size(), rel, hint),
              ruxStatusZeroDivisorSeen);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(rel[c], diff[c]) << c;
  }
  // A denominator below the smallest normal float is still a normal double: it divides.
  GuardedImage<Rux32f> tiny(4, 1, 1, 5);
  for (int c = 0; c < 4; ++c) tiny.at(c, 0, 0) = 1e-39f;  // subnormal float, normal double
  ASSERT_EQ(ruxiNormRel_Inf_32f_C1R(tiny.data(), tiny.step(), tiny.data(), tiny.step(),
                                    tiny.size(), &v),
            ruxStatusOk);
  EXPECT_EQ(v, 0.0);
}

TEST(NormValidation, NullSizeThenSteps) {
  GuardedImage<Rux16s> a(8, 2, 3, 1), b(8, 2, 3, 2);
  GuardedImage<Rux32f> f(8, 2, 1, 3);
  Rux64f v[3];
  const int s = a.step();
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiNorm_L1_16s_C3R(nullptr, s, {8, 2}, v); }, ruxStatusNullPointer},
          {"null result", [&] { return ruxiNorm_Inf_16s_C3R(a.data(), s, {8, 2}, nullptr); },
           ruxStatusNullPointer},
          {"null before size", [&] { return ruxiNorm_L2_16s_C3R(nullptr, s, {0, 0}, v); },
           ruxStatusNullPointer},
          {"null second source", [&] { return ruxiNormDiff_L1_16s_C3R(a.data(), s, nullptr, s, {8, 2}, v); },
           ruxStatusNullPointer},
          {"null rel result", [&] { return ruxiNormRel_L2_16s_C3R(a.data(), s, b.data(), s, {8, 2}, nullptr); },
           ruxStatusNullPointer},
          {"zero width", [&] { return ruxiNorm_L1_16s_C3R(a.data(), s, {0, 2}, v); }, ruxStatusBadSize},
          {"zero height", [&] { return ruxiNormDiff_Inf_16s_C3R(a.data(), s, b.data(), s, {8, 0}, v); },
           ruxStatusBadSize},
          {"size before step", [&] { return ruxiNorm_L1_16s_C3R(a.data(), 0, {8, 0}, v); }, ruxStatusBadSize},
          {"zero step", [&] { return ruxiNorm_L1_16s_C3R(a.data(), 0, {8, 2}, v); }, ruxStatusBadStep},
          {"negative first step", [&] { return ruxiNormDiff_L2_16s_C3R(a.data(), -s, b.data(), s, {8, 2}, v); },
           ruxStatusBadStep},
          {"negative second step", [&] { return ruxiNormRel_Inf_16s_C3R(a.data(), s, b.data(), -1, {8, 2}, v); },
           ruxStatusBadStep},
          {"32f zero step", [&] { return ruxiNorm_L2_32f_C1R(f.data(), 0, {8, 2}, v, ruxHintAccurate); },
           ruxStatusBadStep},
      },
      a, b, f);
}

}  // namespace
