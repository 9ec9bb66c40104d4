// DotProd: exact integer sums and the raster-order double sum on every layout, negative steps,
// long rows and large totals; DotProdCol in element precision, also onto one of its rows.
#include <array>
#include <cmath>
#include <functional>

#include "ref/norms_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
using DotCall = RuxResult (*)(const T*, int, const T*, int, RuxImageSize, Rux64f*);

#define DOT_TABLE(type, T)                                                              \
  std::array<DotCall<T>, 4> dotTable(T*) {                                              \
    return {ruxiDotProd_##type##64f_C1R, ruxiDotProd_##type##64f_C3R,                   \
            ruxiDotProd_##type##64f_C4R, ruxiDotProd_##type##64f_AC4R};                 \
  }
DOT_TABLE(8u, Rux8u)
DOT_TABLE(8s, Rux8s)
DOT_TABLE(16u, Rux16u)
DOT_TABLE(16s, Rux16s)
DOT_TABLE(32u, Rux32u)
DOT_TABLE(32s, Rux32s)
DOT_TABLE(32f, Rux32f)

constexpr int kChannels[4] = {1, 3, 4, 4};
constexpr int kReported[4] = {1, 3, 4, 3};

template <class T>
class DotProdTest : public ::testing::Test {};
using DotTypes = ::testing::Types<Rux8u, Rux8s, Rux16u, Rux16s, Rux32u, Rux32s, Rux32f>;
TYPED_TEST_SUITE(DotProdTest, DotTypes);

TYPED_TEST(DotProdTest, EqualsTheRasterOrderSumOnEveryLayout) {
  using T = TypeParam;
  const auto f = dotTable(static_cast<T*>(nullptr));
  for (int l = 0; l < 4; ++l) {
    for (int w : ruxtest::sweepWidths()) {
      for (bool tight : {false, true}) {  // padded rows, and contiguous rows read as one
        GuardedImage<T> a(w, 3, kChannels[l], 50 + w, 1, tight), b(w, 3, kChannels[l], 60 + w, 6, tight);
        if (l == 3) {
          for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) a.at(x, y, 3) = b.at(x, y, 3) = std::numeric_limits<T>::max();
          a.snapshot();
          b.snapshot();
        }
        Rux64f v[4] = {-1, -1, -1, -1};
        ASSERT_EQ(f[l](a.data(), a.step(), b.data(), b.step(), a.size(), v), ruxStatusOk);
        const auto raster = ruxref::rasterDot(a, b, kReported[l]);
        for (int c = 0; c < kReported[l]; ++c) {
          ASSERT_EQ(v[c], raster[c]) << "layout " << l << " width " << w << " channel " << c;
        }
        if (l == 3) {
          EXPECT_EQ(v[3], -1);
        }
        EXPECT_TRUE(a.unchanged());
        EXPECT_TRUE(b.unchanged());
      }
    }
  }
}

TYPED_TEST(DotProdTest, NegativeStepsWalkUpwards) {
  using T = TypeParam;
  const auto f = dotTable(static_cast<T*>(nullptr));
  GuardedImage<T> a(37, 5, 3, 7, 2), b(37, 5, 3, 8, 1);
  // Starting at the last row with negated steps visits the rows bottom-up.
  double want[3] = {0, 0, 0};
  for (int y = 4; y >= 0; --y)
    for (int x = 0; x < 37; ++x)
      for (int c = 0; c < 3; ++c) want[c] += static_cast<double>(a.at(x, y, c)) * b.at(x, y, c);
  Rux64f v[3];
  ASSERT_EQ(f[1](a.row(4), -a.step(), b.row(4), -b.step(), a.size(), v), ruxStatusOk);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(v[c], want[c]) << c;
}

TEST(DotProdExtremes, LongRowsAndLargeTotalsAreExact) {
  const int n = (1 << 21) + 37;
  std::vector<Rux8u> m8(n, 255);
  Rux64f v[4];
  ASSERT_EQ(ruxiDotProd_8u64f_C1R(m8.data(), n, m8.data(), n, {n, 1}, v), ruxStatusOk);
  EXPECT_EQ(v[0], static_cast<double>(n) * 65025.0);
  std::vector<Rux8s> s8(n, -128);
  ASSERT_EQ(ruxiDotProd_8s64f_C4R(s8.data(), n, s8.data(), n, {n / 4, 1}, v), ruxStatusOk);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(v[c], static_cast<double>(n / 4) * 16384.0);
  // Pairs of -32768 * -32768 overflow a 32-bit pairwise sum.
  std::vector<Rux16s> s16(4099, -32768);
  ASSERT_EQ(ruxiDotProd_16s64f_C1R(s16.data(), 8198, s16.data(), 8198, {4099, 1}, v), ruxStatusOk);
  EXPECT_EQ(v[0], 4099.0 * 1073741824.0);
  // 2^22 products near 2^32: the total passes 2^53 and is still the correctly rounded value.
  std::vector<Rux16u> m16(1 << 22, 65535);
  ASSERT_EQ(ruxiDotProd_16u64f_C1R(m16.data(), 4096, m16.data(), 4096, {2048, 2048}, v), ruxStatusOk);
  const __int128 exact = static_cast<__int128>(1 << 22) * (65535LL * 65535LL);
  EXPECT_EQ(v[0], static_cast<double>(exact));
}

TEST(DotProdValidation, NullThenSizeOrZeroStep) {
  GuardedImage<Rux8u> a(8, 2, 1, 1), b(8, 2, 1, 2);
  Rux64f v;
  const int s = a.step();
  ruxtest::expectRejections(
      {
          {"null first", [&] { return ruxiDotProd_8u64f_C1R(nullptr, s, b.data(), s, {8, 2}, &v); },
           ruxStatusNullPointer},
          {"null result", [&] { return ruxiDotProd_8u64f_C1R(a.data(), s, b.data(), s, {8, 2}, nullptr); },
           ruxStatusNullPointer},
          {"null before size", [&] { return ruxiDotProd_32f64f_C1R(nullptr, s, nullptr, 0, {0, 2}, &v); },
           ruxStatusNullPointer},
          {"zero width", [&] { return ruxiDotProd_8u64f_C1R(a.data(), s, b.data(), s, {0, 2}, &v); },
           ruxStatusBadSize},
          {"zero first step", [&] { return ruxiDotProd_8u64f_C1R(a.data(), 0, b.data(), s, {8, 2}, &v); },
           ruxStatusBadSize},
          {"zero second step", [&] { return ruxiDotProd_8u64f_C1R(a.data(), s, b.data(), 0, {8, 2}, &v); },
           ruxStatusBadSize},
      },
      a, b);
}

template <class T>
class DotProdColTest : public ::testing::Test {};
using ColTypes = ::testing::Types<Rux32f, Rux64f>;
TYPED_TEST_SUITE(DotProdColTest, ColTypes);

RuxResult dotProdCol(const Rux32f* const* r, const Rux32f* w, int k, Rux32f* d, int n) {
  return ruxiDotProdCol_32f_L2(r, w, k, d, n);
}
RuxResult dotProdCol(const Rux64f* const* r, const Rux64f* w, int k, Rux64f* d, int n) {
  return ruxiDotProdCol_64f_L2(r, w, k, d, n);
}

TYPED_TEST(DotProdColTest, AccumulatesInElementPrecision) {
  using T = TypeParam;
  std::mt19937 rng(3);
  for (int k : {1, 2, 5}) {
    for (int n : {1, 7, 513, 1100}) {
      std::vector<std::vector<T>> rows(k, std::vector<T>(n));
      std::vector<T> w(k);
      for (auto& r : rows)
        for (auto& x : r) x = ruxtest::randomValue<T>(rng) / T(3);
      for (auto& x : w) x = ruxtest::randomValue<T>(rng) / T(7);
      std::vector<const T*> ptrs;
      for (auto& r : rows) ptrs.push_back(r.data());
      const auto want = ruxref::dotProdCol(rows, w);
      std::vector<T> dst(n + 2, T(-5));
      ASSERT_EQ(dotProdCol(ptrs.data(), w.data(), k, dst.data() + 1, n), ruxStatusOk);
      for (int i = 0; i < n; ++i) ASSERT_EQ(dst[i + 1], want[i]) << k << " " << n << " " << i;
      EXPECT_EQ(dst[0], T(-5));
      EXPECT_EQ(dst[n + 1], T(-5));
      // Writing onto the last row gives the same values.
      ASSERT_EQ(dotProdCol(ptrs.data(), w.data(), k, rows[k - 1].data(), n), ruxStatusOk);
      for (int i = 0; i < n; ++i) ASSERT_EQ(rows[k - 1][i], want[i]) << "in place " << k << " " << n;
    }
  }
}

TEST(DotProdColValidation, PointersThenCountsThenRows) {
  std::vector<Rux32f> r(4, 1.0f), w(2, 1.0f), d(4, 9.0f);
  const Rux32f* rows[2] = {r.data(), r.data()};
  const Rux32f* holed[2] = {r.data(), nullptr};
  struct Case {
    const char* what;
    RuxResult got, want;
  } cases[] = {
      {"null rows", ruxiDotProdCol_32f_L2(nullptr, w.data(), 2, d.data(), 4), ruxStatusNullPointer},
      {"null weights", ruxiDotProdCol_32f_L2(rows, nullptr, 2, d.data(), 4), ruxStatusNullPointer},
      {"null destination", ruxiDotProdCol_32f_L2(rows, w.data(), 2, nullptr, 4), ruxStatusNullPointer},
      {"zero length", ruxiDotProdCol_32f_L2(rows, w.data(), 2, d.data(), 0), ruxStatusBadSize},
      {"zero rows", ruxiDotProdCol_32f_L2(rows, w.data(), 0, d.data(), 4), ruxStatusBadSize},
      {"size before null row", ruxiDotProdCol_32f_L2(holed, w.data(), 2, d.data(), 0), ruxStatusBadSize},
      {"null row", ruxiDotProdCol_32f_L2(holed, w.data(), 2, d.data(), 4), ruxStatusNullPointer},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  for (Rux32f x : d) EXPECT_EQ(x, 9.0f);
}

}  // namespace
