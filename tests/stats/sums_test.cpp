// Sum, Mean and CountInRange: exact integer sums, float sums against a long-double reference and
// identical on every SIMD target, wide rows, steps walked as given, validation order.
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "ref/stats_ref.h"

namespace {

using ruxtest::GuardedImage;

// Layouts: image channels and reported channels (AC4: four stored, three reported).
struct Layout {
  const char* name;
  int channels;
  int reported;
};
constexpr Layout kLayouts[4] = {{"C1", 1, 1}, {"C3", 3, 3}, {"C4", 4, 4}, {"AC4", 4, 3}};

using SumFn = std::function<RuxResult(const void*, int, RuxImageSize, Rux64f*, RuxAccuracyHint)>;

// Sum and Mean of one type, [layout]; integer forms ignore the hint.
template <class T>
struct SumApi {
  SumFn sum[4];
  SumFn mean[4];
};

#define RUX_WRAP_INT(fn, T)                                                                   \
  [](const void* p, int s, RuxImageSize r, Rux64f* out, RuxAccuracyHint) {                    \
    return fn(static_cast<const T*>(p), s, r, out);                                           \
  }
#define RUX_WRAP_32F(fn)                                                                      \
  [](const void* p, int s, RuxImageSize r, Rux64f* out, RuxAccuracyHint h) {                  \
    return fn(static_cast<const Rux32f*>(p), s, r, out, h);                                   \
  }
#define RUX_SUM_API_INT(type, T)                                                              \
  SumApi<T> sumApi(T*) {                                                                      \
    return {{RUX_WRAP_INT(ruxiSum_##type##_C1R, T), RUX_WRAP_INT(ruxiSum_##type##_C3R, T),    \
             RUX_WRAP_INT(ruxiSum_##type##_C4R, T), RUX_WRAP_INT(ruxiSum_##type##_AC4R, T)},  \
            {RUX_WRAP_INT(ruxiMean_##type##_C1R, T), RUX_WRAP_INT(ruxiMean_##type##_C3R, T),  \
             RUX_WRAP_INT(ruxiMean_##type##_C4R, T), RUX_WRAP_INT(ruxiMean_##type##_AC4R, T)}}; \
  }
RUX_SUM_API_INT(8u, Rux8u)
RUX_SUM_API_INT(16u, Rux16u)
RUX_SUM_API_INT(16s, Rux16s)
SumApi<Rux32f> sumApi(Rux32f*) {
  return {{RUX_WRAP_32F(ruxiSum_32f_C1R), RUX_WRAP_32F(ruxiSum_32f_C3R),
           RUX_WRAP_32F(ruxiSum_32f_C4R), RUX_WRAP_32F(ruxiSum_32f_AC4R)},
          {RUX_WRAP_32F(ruxiMean_32f_C1R), RUX_WRAP_32F(ruxiMean_32f_C3R),
           RUX_WRAP_32F(ruxiMean_32f_C4R), RUX_WRAP_32F(ruxiMean_32f_AC4R)}};
}

// The region copied into a buffer of exactly its size, so that a read past the last sample is
// an address-sanitizer error.
template <class T>
std::vector<T> exactCopy(const GuardedImage<T>& img) {
  const int n = img.width() * img.channels();
  std::vector<T> v(static_cast<std::size_t>(n) * img.height());
  for (int y = 0; y < img.height(); ++y) std::memcpy(&v[static_cast<std::size_t>(y) * n], img.row(y), n * sizeof(T));
  return v;
}

// Alpha holds the type's extremes, so a result that includes it is off.
template <class T>
void extremeAlpha(GuardedImage<T>& img) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      img.at(x, y, 3) = (x + y) % 2 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::lowest();
  img.snapshot();
}

// The results of a float computation must be bit-identical on every SIMD target: the first
// target to run records them under the key, the later ones compare.
::testing::AssertionResult sameOnEveryTarget(const std::string& key, const std::vector<double>& v) {
  static std::map<std::string, std::vector<double>> seen;
  const auto [it, inserted] = seen.emplace(key, v);
  if (inserted) return ::testing::AssertionSuccess();
  if (it->second.size() == v.size() && std::memcmp(it->second.data(), v.data(), v.size() * sizeof(double)) == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << key << ": differs from the first target's result";
}

template <class T>
class IntSumTest : public ::testing::Test {};
using IntTypes = ::testing::Types<Rux8u, Rux16u, Rux16s>;
TYPED_TEST_SUITE(IntSumTest, IntTypes);

TYPED_TEST(IntSumTest, SumAndMeanAreExactForEveryLayoutAndWidth) {
  using T = TypeParam;
  const SumApi<T> a = sumApi(static_cast<T*>(nullptr));
  for (int l = 0; l < 4; ++l) {
    const Layout& L = kLayouts[l];
    for (int w : ruxtest::sweepWidths()) {
      for (int h : {1, 3}) {
        GuardedImage<T> img(w, h, L.channels, 17 * w + h, (w % 3) * 5, w % 2 == 0);
        if (L.channels != L.reported) extremeAlpha(img);
        const auto want = ruxref::sums(img, L.reported);
        const std::vector<T> exact = exactCopy(img);
        Rux64f s[4] = {}, m[4] = {}, se[4] = {};
        ASSERT_EQ(a.sum[l](img.data(), img.step(), {w, h}, s, ruxHintNone), ruxStatusOk);
        ASSERT_EQ(a.mean[l](img.data(), img.step(), {w, h}, m, ruxHintNone), ruxStatusOk);
        ASSERT_EQ(a.sum[l](exact.data(), w * L.channels * static_cast<int>(sizeof(T)), {w, h}, se,
                           ruxHintNone),
                  ruxStatusOk);
        const double count = static_cast<double>(w) * h;
        for (int c = 0; c < L.reported; ++c) {
          ASSERT_EQ(s[c], static_cast<double>(want[c])) << L.name << " width " << w << " channel " << c;
          ASSERT_EQ(se[c], s[c]) << L.name << " width " << w;
          const double mean = L.channels == 1 ? s[c] / count : s[c] * (1.0 / count);
          ASSERT_EQ(m[c], mean) << L.name << " width " << w;
        }
        if (L.reported == 3) {
          EXPECT_EQ(s[3], 0.0) << "fourth result written for " << L.name;
        }
        ASSERT_TRUE(img.unchanged());
      }
    }
  }
}

// Uniform images at the type's extremes, wide enough to cross every internal chunk of the
// integer accumulators, sum exactly.
TEST(SumTest, ExtremeValuesOverManySamplesAreExact) {
  {
    GuardedImage<Rux8u> img(4096, 4096, 1, 1, 0, true);
    for (int y = 0; y < 4096; ++y) std::memset(img.row(y), 255, 4096);
    Rux64f s = 0, m = 0;
    ASSERT_EQ(ruxiSum_8u_C1R(img.data(), img.step(), img.size(), &s), ruxStatusOk);
    ASSERT_EQ(ruxiMean_8u_C1R(img.data(), img.step(), img.size(), &m), ruxStatusOk);
    EXPECT_EQ(s, 4278190080.0);
    EXPECT_EQ(m, 255.0);
  }
  const int w = 300001;  // one row of 16u or 16s samples far beyond 32,768 and 2^18 samples
  for (Rux16u v : {Rux16u(65535), Rux16u(1)}) {
    GuardedImage<Rux16u> img(w, 2, 1, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < w; ++x) img.at(x, y, 0) = v;
    Rux64f s = 0;
    ASSERT_EQ(ruxiSum_16u_C1R(img.data(), img.step(), img.size(), &s), ruxStatusOk);
    EXPECT_EQ(s, 2.0 * w * v);
  }
  for (Rux16s v : {Rux16s(-32768), Rux16s(32767)}) {
    for (int l : {0, 1}) {
      const int c = l == 0 ? 1 : 3;
      GuardedImage<Rux16s> img(w / c, 3, c, 3);
      for (int y = 0; y < 3; ++y)
        for (int i = 0; i < img.width() * c; ++i) img.row(y)[i] = v;
      Rux64f s[3] = {};
      const RuxResult st = l == 0 ? ruxiSum_16s_C1R(img.data(), img.step(), img.size(), s)
                                  : ruxiSum_16s_C3R(img.data(), img.step(), img.size(), s);
      ASSERT_EQ(st, ruxStatusOk);
      for (int k = 0; k < c; ++k) EXPECT_EQ(s[k], 3.0 * img.width() * v) << v << " channel " << k;
    }
  }
  // Multi-channel sums keep narrow per-lane totals: enough samples to overflow them unflushed.
  const auto extremeChannels = [](auto v, int c, auto fn) {
    using T = decltype(v);
    GuardedImage<T> img(2900, 1000, c, 4, 0, true);
    for (int y = 0; y < img.height(); ++y)
      for (int i = 0; i < img.width() * c; ++i) img.row(y)[i] = v;
    Rux64f s[4] = {};
    ASSERT_EQ(fn(img.data(), img.step(), img.size(), s), ruxStatusOk);
    for (int k = 0; k < c; ++k) EXPECT_EQ(s[k], 2900.0 * 1000.0 * v) << +v << " channel " << k;
  };
  extremeChannels(Rux8u(255), 3, ruxiSum_8u_C3R);
  extremeChannels(Rux16u(65535), 3, ruxiSum_16u_C3R);
  extremeChannels(Rux16s(-32768), 3, ruxiSum_16s_C3R);
  extremeChannels(Rux16s(32767), 4, ruxiSum_16s_C4R);
}

// Steps are not checked: a negative step walks upwards, a zero step repeats the first row.
TEST(SumTest, StepsAreWalkedAsGiven) {
  GuardedImage<Rux16s> img(37, 4, 3, 9);
  const auto want = ruxref::sums(img, 3);
  Rux64f s[3] = {};
  ASSERT_EQ(ruxiSum_16s_C3R(img.row(3), -img.step(), img.size(), s), ruxStatusOk);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(s[c], static_cast<double>(want[c]));
  Rux64f s0 = 0;
  long long row0 = 0;
  for (int i = 0; i < 37 * 3; ++i) row0 += img.row(0)[i];
  GuardedImage<Rux16s> flat(37 * 3, 1, 1, 9);
  std::memcpy(flat.row(0), img.row(0), 37 * 3 * sizeof(Rux16s));
  ASSERT_EQ(ruxiSum_16s_C1R(flat.data(), 0, {37 * 3, 5}, &s0), ruxStatusOk);
  EXPECT_EQ(s0, 5.0 * row0);
}

TEST(SumTest, FloatSumsMatchTheReferenceAndEveryTarget) {
  const SumApi<Rux32f> a = sumApi(static_cast<Rux32f*>(nullptr));
  for (int l = 0; l < 4; ++l) {
    const Layout& L = kLayouts[l];
    for (int w : ruxtest::sweepWidths()) {
      for (int h : {1, 4}) {
        GuardedImage<Rux32f> img(w, h, L.channels, 31 * w + h, w % 4);
        if (L.channels != L.reported) {
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) img.at(x, y, 3) = std::numeric_limits<float>::quiet_NaN();
          img.snapshot();
        }
        const auto want = ruxref::sums(img, L.reported);
        const auto scale = ruxref::absSums(img, L.reported);
        const std::vector<Rux32f> exact = exactCopy(img);
        const int exactStep = w * L.channels * 4;
        Rux64f fast[4] = {}, other[4] = {}, accurate[4] = {}, mean[4] = {};
        ASSERT_EQ(a.sum[l](img.data(), img.step(), {w, h}, fast, ruxHintNone), ruxStatusOk);
        ASSERT_EQ(a.sum[l](exact.data(), exactStep, {w, h}, other, static_cast<RuxAccuracyHint>(3)), ruxStatusOk);
        ASSERT_EQ(a.sum[l](exact.data(), exactStep, {w, h}, accurate, ruxHintAccurate), ruxStatusOk);
        ASSERT_EQ(a.mean[l](img.data(), img.step(), {w, h}, mean, ruxHintAccurate), ruxStatusOk);
        for (int c = 0; c < L.reported; ++c) {
          const long double fastTol = scale[c] * std::ldexp(1.0L, -24) * (w / 16 + 8);
          const long double accurateTol = scale[c] * std::ldexp(1.0L, -52) * 8;
          ASSERT_LE(std::fabs(fast[c] - want[c]), fastTol) << L.name << " width " << w;
          ASSERT_EQ(std::memcmp(&other[c], &fast[c], sizeof(double)), 0) << "hint 3 is the fast path";
          ASSERT_LE(std::fabs(accurate[c] - want[c]), accurateTol) << L.name << " width " << w;
          const double count = static_cast<double>(w) * h;
          ASSERT_EQ(mean[c], L.channels == 1 ? accurate[c] / count : accurate[c] * (1.0 / count));
        }
        const std::string key = std::string(L.name) + "/" + std::to_string(w) + "x" + std::to_string(h);
        EXPECT_TRUE(sameOnEveryTarget("fast " + key, {fast, fast + L.reported}));
        EXPECT_TRUE(sameOnEveryTarget("accurate " + key, {accurate, accurate + L.reported}));
      }
    }
  }
}

TEST(SumTest, MillionTenthsOnBothPaths) {
  GuardedImage<Rux32f> img(1000, 1000, 1, 4);
  for (int y = 0; y < 1000; ++y)
    for (int x = 0; x < 1000; ++x) img.at(x, y, 0) = 0.1f;
  Rux64f fast = 0, accurate = 0;
  ASSERT_EQ(ruxiSum_32f_C1R(img.data(), img.step(), img.size(), &fast, ruxHintNone), ruxStatusOk);
  ASSERT_EQ(ruxiSum_32f_C1R(img.data(), img.step(), img.size(), &accurate, ruxHintAccurate), ruxStatusOk);
  // Every partial sum of the stored value is a multiple of 2^-27 below 2^26: exact in double.
  EXPECT_EQ(accurate, 1e6 * static_cast<double>(0.1f));
  // Single precision within each row of 1000 samples: a relative error of order 1e-6.
  EXPECT_NEAR(fast, 100000.0, 0.5);
}

TEST(SumTest, BadArgumentsWriteNothing) {
  GuardedImage<Rux8u> img(8, 2, 4, 1);
  GuardedImage<Rux32f> fimg(8, 2, 1, 2);
  Rux64f r[4] = {-1, -1, -1, -1};
  const int s = img.step();
  ruxtest::expectRejections(
      {
          {"sum null image", [&] { return ruxiSum_8u_C1R(nullptr, s, {8, 2}, r); }, ruxStatusNullPointer},
          {"sum null result", [&] { return ruxiSum_16u_C3R(nullptr, s, {8, 2}, nullptr); }, ruxStatusNullPointer},
          {"sum null before size", [&] { return ruxiSum_8u_C4R(img.data(), s, {0, 0}, nullptr); }, ruxStatusNullPointer},
          {"sum zero width", [&] { return ruxiSum_8u_AC4R(img.data(), s, {0, 2}, r); }, ruxStatusBadSize},
          {"sum zero height", [&] { return ruxiSum_32f_C1R(fimg.data(), fimg.step(), {8, 0}, r, ruxHintAccurate); },
           ruxStatusBadSize},
          {"mean null result and image", [&] { return ruxiMean_8u_C1R(nullptr, s, {8, 2}, nullptr); },
           ruxStatusNullPointer},
          {"mean null result", [&] { return ruxiMean_16s_C4R(reinterpret_cast<const Rux16s*>(img.data()), s, {0, 2}, nullptr); },
           ruxStatusNullPointer},
          {"mean null image", [&] { return ruxiMean_32f_C3R(nullptr, s, {8, 2}, r, ruxHintNone); }, ruxStatusNullPointer},
          {"mean negative height", [&] { return ruxiMean_8u_C3R(img.data(), s, {2, -1}, r); }, ruxStatusBadSize},
      },
      img, fimg);
  for (double v : r) EXPECT_EQ(v, -1.0);
}

// ---------------------------------------------------------------------------------------------

TEST(CountInRangeTest, CountsMatchTheReference) {
  std::mt19937 rng(11);
  for (int l : {0, 1, 3}) {
    const Layout& L = kLayouts[l];
    for (int w : ruxtest::sweepWidths()) {
      GuardedImage<Rux8u> img(w, 3, L.channels, 40 + w, w % 5);
      GuardedImage<Rux32f> fimg(w, 3, L.channels, 50 + w, w % 3);
      for (int y = 0; y < 3; ++y)  // NaN samples and values on the bounds
        for (int x = 0; x < w; x += 3) fimg.at(x, y, 0) = x % 2 ? std::numeric_limits<float>::quiet_NaN() : 100.0f;
      fimg.snapshot();
      Rux8u lo[3], hi[3];
      Rux32f flo[3], fhi[3];
      for (int c = 0; c < 3; ++c) {
        lo[c] = static_cast<Rux8u>(rng() % 200);
        hi[c] = static_cast<Rux8u>(lo[c] + rng() % 56);
        flo[c] = c == 0 ? 100.0f : -500.0f + c;
        fhi[c] = c == 0 ? 700.0f : 400.0f;
      }
      const std::vector<Rux8u> exact = exactCopy(img);
      int n[3] = {-1, -1, -1}, ne[3] = {-1, -1, -1}, fn[3] = {-1, -1, -1};
      const int es = w * L.channels;
      if (l == 0) {
        ASSERT_EQ(ruxiCountInRange_8u_C1R(img.data(), img.step(), img.size(), n, lo[0], hi[0]), ruxStatusOk);
        ASSERT_EQ(ruxiCountInRange_8u_C1R(exact.data(), es, img.size(), ne, lo[0], hi[0]), ruxStatusOk);
        ASSERT_EQ(ruxiCountInRange_32f_C1R(fimg.data(), fimg.step(), fimg.size(), fn, flo[0], fhi[0]), ruxStatusOk);
      } else if (l == 1) {
        ASSERT_EQ(ruxiCountInRange_8u_C3R(img.data(), img.step(), img.size(), n, lo, hi), ruxStatusOk);
        ASSERT_EQ(ruxiCountInRange_8u_C3R(exact.data(), es, img.size(), ne, lo, hi), ruxStatusOk);
        ASSERT_EQ(ruxiCountInRange_32f_C3R(fimg.data(), fimg.step(), fimg.size(), fn, flo, fhi), ruxStatusOk);
      } else {
        ASSERT_EQ(ruxiCountInRange_8u_AC4R(img.data(), img.step(), img.size(), n, lo, hi), ruxStatusOk);
        ASSERT_EQ(ruxiCountInRange_8u_AC4R(exact.data(), es, img.size(), ne, lo, hi), ruxStatusOk);
        ASSERT_EQ(ruxiCountInRange_32f_AC4R(fimg.data(), fimg.step(), fimg.size(), fn, flo, fhi), ruxStatusOk);
      }
      const auto want = ruxref::countInRange(img, L.reported, lo, hi);
      const auto fwant = ruxref::countInRange(fimg, L.reported, flo, fhi);
      for (int c = 0; c < L.reported; ++c) {
        ASSERT_EQ(n[c], want[c]) << L.name << " width " << w << " channel " << c;
        ASSERT_EQ(ne[c], want[c]) << L.name << " width " << w;
        ASSERT_EQ(fn[c], fwant[c]) << L.name << " width " << w << " channel " << c;
      }
    }
  }
}

// A long 8u row crosses the 8-bit counters' flush many times; equal bounds count one value.
TEST(CountInRangeTest, EqualBoundsOverLongRows) {
  GuardedImage<Rux8u> img(70001, 2, 1, 5);
  int n = 0;
  ASSERT_EQ(ruxiCountInRange_8u_C1R(img.data(), img.step(), img.size(), &n, 7, 7), ruxStatusOk);
  const Rux8u seven = 7;
  EXPECT_EQ(n, ruxref::countInRange(img, 1, &seven, &seven)[0]);
  for (int y = 0; y < 2; ++y) std::memset(img.row(y), 7, 70001);
  ASSERT_EQ(ruxiCountInRange_8u_C1R(img.data(), img.step(), img.size(), &n, 7, 7), ruxStatusOk);
  EXPECT_EQ(n, 140002);
  ASSERT_EQ(ruxiCountInRange_8u_C1R(img.data(), img.step(), img.size(), &n, 8, 255), ruxStatusOk);
  EXPECT_EQ(n, 0);
}

TEST(CountInRangeTest, BadArgumentsWriteNothing) {
  GuardedImage<Rux8u> img(8, 2, 3, 1);
  GuardedImage<Rux32f> fimg(8, 2, 3, 2);
  int n[3] = {-1, -1, -1};
  const Rux8u lo[3] = {0, 9, 0}, hi[3] = {255, 8, 255};
  const Rux32f flo[3] = {0, 0, 1}, fhi[3] = {1, 1, 0};
  const Rux8u okHi[3] = {255, 255, 255};
  const int s = img.step();
  ruxtest::expectRejections(
      {
          {"null image", [&] { return ruxiCountInRange_8u_C1R(nullptr, s, {8, 2}, n, 0, 1); }, ruxStatusNullPointer},
          {"null counts", [&] { return ruxiCountInRange_8u_C3R(img.data(), s, {8, 2}, nullptr, lo, okHi); },
           ruxStatusNullPointer},
          {"null bounds", [&] { return ruxiCountInRange_8u_AC4R(img.data(), s, {8, 2}, n, lo, nullptr); },
           ruxStatusNullPointer},
          {"step zero before size", [&] { return ruxiCountInRange_8u_C1R(img.data(), 0, {0, 2}, n, 0, 1); },
           ruxStatusBadStep},
          {"negative step", [&] { return ruxiCountInRange_32f_C1R(fimg.data(), -4, {8, 2}, n, 0, 1); },
           ruxStatusBadStep},
          {"zero width", [&] { return ruxiCountInRange_8u_C1R(img.data(), s, {0, 2}, n, 0, 1); }, ruxStatusBadSize},
          {"size before range", [&] { return ruxiCountInRange_8u_C1R(img.data(), s, {8, 0}, n, 8, 7); },
           ruxStatusBadSize},
          {"lower above upper", [&] { return ruxiCountInRange_8u_C1R(img.data(), s, {8, 2}, n, 8, 7); },
           ruxStatusBadRange},
          {"lower above upper in channel 1", [&] { return ruxiCountInRange_8u_C3R(img.data(), s, {8, 2}, n, lo, hi); },
           ruxStatusBadRange},
          {"float lower above upper in channel 2",
           [&] { return ruxiCountInRange_32f_AC4R(fimg.data(), fimg.step(), {2, 2}, n, flo, fhi); }, ruxStatusBadRange},
      },
      img, fimg);
  for (int v : n) EXPECT_EQ(v, -1);
}

}  // namespace
