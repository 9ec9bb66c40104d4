// LUT, LUT_Linear and LUT_Cubic: every type and layout against the definitions, in place against
// out of place, the 16-bit table and per-sample paths, scratch failures and validation.
#include <cmath>

#include "ref/histlut_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
using Value = std::conditional_t<std::is_same_v<T, Rux32f>, Rux32f, Rux32s>;

enum Kind { kConst = 0, kLinear = 1, kCubic = 2 };

template <class T>
struct LutApi {
  using V = Value<T>;
  using C1R = RuxResult (*)(const T*, int, T*, int, RuxImageSize, const V*, const V*, int);
  using C1IR = RuxResult (*)(T*, int, RuxImageSize, const V*, const V*, int);
  using MR = RuxResult (*)(const T*, int, T*, int, RuxImageSize, const V* const*, const V* const*, const int*);
  using MIR = RuxResult (*)(T*, int, RuxImageSize, const V* const*, const V* const*, const int*);
  C1R c1r[3];
  C1IR c1ir[3];
  MR mr[3][3];  // [kind][C3, C4, AC4]
  MIR mir[3][3];
};

#define RUX_LUT_KIND(name, type) ruxi##name##_##type##_C1R
#define RUX_LUT_API(type, T)                                                                       \
  LutApi<T> lutApi(T*) {                                                                           \
    return {{ruxiLUT_##type##_C1R, ruxiLUT_Linear_##type##_C1R, ruxiLUT_Cubic_##type##_C1R},       \
            {ruxiLUT_##type##_C1IR, ruxiLUT_Linear_##type##_C1IR, ruxiLUT_Cubic_##type##_C1IR},    \
            {{ruxiLUT_##type##_C3R, ruxiLUT_##type##_C4R, ruxiLUT_##type##_AC4R},                  \
             {ruxiLUT_Linear_##type##_C3R, ruxiLUT_Linear_##type##_C4R, ruxiLUT_Linear_##type##_AC4R}, \
             {ruxiLUT_Cubic_##type##_C3R, ruxiLUT_Cubic_##type##_C4R, ruxiLUT_Cubic_##type##_AC4R}}, \
            {{ruxiLUT_##type##_C3IR, ruxiLUT_##type##_C4IR, ruxiLUT_##type##_AC4IR},               \
             {ruxiLUT_Linear_##type##_C3IR, ruxiLUT_Linear_##type##_C4IR,                          \
              ruxiLUT_Linear_##type##_AC4IR},                                                      \
             {ruxiLUT_Cubic_##type##_C3IR, ruxiLUT_Cubic_##type##_C4IR,                            \
              ruxiLUT_Cubic_##type##_AC4IR}}};                                                     \
  }
RUX_LUT_API(8u, Rux8u)
RUX_LUT_API(16u, Rux16u)
RUX_LUT_API(16s, Rux16s)
RUX_LUT_API(32f, Rux32f)

struct Layout {
  int channels, mapped, api;  // api -1: C1
};
constexpr Layout kLayouts[] = {{1, 1, -1}, {3, 3, 0}, {4, 4, 1}, {4, 3, 2}};

template <class T>
struct Table {
  std::vector<Value<T>> values, levels;
};

// Calls the R (or IR) form of one kind and layout.
template <class T>
RuxResult runLut(int kind, const Layout& lay, bool inPlace, const GuardedImage<T>& src,
                 GuardedImage<T>& dst, const std::vector<Table<T>>& tables) {
  const LutApi<T> a = lutApi(static_cast<T*>(nullptr));
  const Value<T>* v[4];
  const Value<T>* l[4];
  int n[4];
  for (int c = 0; c < lay.mapped; ++c) {
    v[c] = tables[c].values.data();
    l[c] = tables[c].levels.data();
    n[c] = static_cast<int>(tables[c].levels.size());
  }
  if (lay.api < 0) {
    return inPlace ? a.c1ir[kind](dst.data(), dst.step(), dst.size(), v[0], l[0], n[0])
                   : a.c1r[kind](src.data(), src.step(), dst.data(), dst.step(), dst.size(), v[0], l[0], n[0]);
  }
  return inPlace ? a.mir[kind][lay.api](dst.data(), dst.step(), dst.size(), v, l, n)
                 : a.mr[kind][lay.api](src.data(), src.step(), dst.data(), dst.step(), dst.size(), v, l, n);
}

// Expected sample; cubic results are exact up to the rounding of ties, so `slack` reports
// whether a neighbour of the expected value is acceptable too.
template <class T>
T expected(int kind, T x, const Table<T>& t, bool& slack) {
  slack = false;
  const int n = static_cast<int>(t.levels.size());
  if (kind == kConst) return ruxref::lutConst(x, t.values, t.levels);
  if (kind == kLinear || n < 4) {
    if constexpr (std::is_same_v<T, Rux32f>) {
      return ruxref::lutLinear32f(x, t.values, t.levels);
    } else {
      return ruxref::lutLinear(x, t.values, t.levels);
    }
  }
  const int k = ruxref::deciding(t.levels, static_cast<double>(x), std::is_integral_v<T>);
  if (k < 0) return x;
  const long double y = ruxref::cubicAt(static_cast<double>(x), t.values, t.levels, k);
  if constexpr (std::is_same_v<T, Rux32f>) {
    slack = true;
    return static_cast<Rux32f>(y);
  } else {
    const long double z = y + 0.5L;
    slack = std::fabs(z - std::nearbyint(z)) < 1e-6L * (1 + std::fabs(z));
    return ruxref::saturateTo<T>(z);
  }
}

template <class T>
::testing::AssertionResult matches(int kind, const GuardedImage<T>& src, const GuardedImage<T>& dst,
                                   const Layout& lay, const std::vector<Table<T>>& tables) {
  for (int y = 0; y < dst.height(); ++y) {
    for (int x = 0; x < dst.width(); ++x) {
      for (int c = 0; c < lay.mapped; ++c) {
        bool slack;
        const T want = expected(kind, src.at(x, y, c), tables[c], slack);
        const T got = dst.at(x, y, c);
        bool ok = std::memcmp(&got, &want, sizeof(T)) == 0;
        if (!ok && slack) {
          const double g = got, w = want;
          ok = std::is_integral_v<T> ? std::fabs(g - w) <= 1 : std::fabs(g - w) <= 1e-5 * (1 + std::fabs(w));
        }
        if (!ok) {
          return ::testing::AssertionFailure() << "kind " << kind << " pixel " << x << " row " << y
                                               << " channel " << c << ": sample " << +src.at(x, y, c)
                                               << " gave " << +got << ", expected " << +want;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Level and value sets: increasing, increasing past the type's range with saturating values,
// one-level-wide intervals, unordered with overlaps (distinct levels so every cubic exists).
template <class T>
std::vector<Table<T>> tableSets(std::mt19937& rng) {
  using V = Value<T>;
  double lo, hi;
  if constexpr (std::is_same_v<T, Rux32f>) {
    lo = -1100, hi = 1100;
  } else {
    lo = static_cast<double>(std::numeric_limits<T>::min()) - 40;
    hi = static_cast<double>(std::numeric_limits<T>::max()) + 40;
  }
  const auto draw = [&](double a, double b) { return static_cast<V>(std::uniform_real_distribution<double>(a, b)(rng)); };
  std::vector<Table<T>> sets;
  for (int n : {2, 3, 4, 7, 30}) {
    for (int shape = 0; shape < 3; ++shape) {
      Table<T> t;
      while (static_cast<int>(t.levels.size()) < n) {
        const V l = draw(lo, hi);
        if (std::find(t.levels.begin(), t.levels.end(), l) == t.levels.end()) t.levels.push_back(l);
      }
      if (shape < 2) std::sort(t.levels.begin(), t.levels.end());
      for (int k = 0; k < n; ++k) t.values.push_back(draw(shape == 1 ? 2 * lo : lo, shape == 1 ? 2 * hi : hi));
      sets.push_back(t);
    }
  }
  if constexpr (!std::is_same_v<T, Rux32f>) {
    // Unit-wide intervals next to wide ones.
    sets.push_back({{5, 300, -7, 90, 0}, {10, 11, 12, 200, 201}});
  }
  return sets;
}

template <class T>
class LutTest : public ::testing::Test {};
using LutTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(LutTest, LutTypes);

TYPED_TEST(LutTest, EveryKindAndLayoutMatchesTheDefinition) {
  using T = TypeParam;
  std::mt19937 rng(21);
  const auto sets = tableSets<T>(rng);
  // 16-bit: 37 x 5 pixels evaluate per sample, 70 x 60 go through the full table.
  for (RuxImageSize roi : {RuxImageSize{37, 5}, RuxImageSize{70, 60}}) {
    for (const Layout& lay : kLayouts) {
      GuardedImage<T> src(roi.width, roi.height, lay.channels, 500 + roi.width, 3);
      if constexpr (sizeof(T) == 1) {  // every sample value in every channel
        for (int y = 0; y < roi.height; ++y)
          for (int i = 0; i < roi.width * lay.channels; ++i) src.row(y)[i] = static_cast<T>(i * 5 + y * 37);
        src.snapshot();
      }
      for (int kind : {kConst, kLinear, kCubic}) {
        for (std::size_t s = 0; s < sets.size(); ++s) {
          std::vector<Table<T>> tables;
          for (int c = 0; c < lay.mapped; ++c) tables.push_back(sets[(s + 3 * c) % sets.size()]);
          GuardedImage<T> dst(roi.width, roi.height, lay.channels, 900 + static_cast<int>(s), 1);
          ASSERT_EQ(runLut(kind, lay, false, src, dst, tables), ruxStatusOk);
          ASSERT_TRUE(matches(kind, src, dst, lay, tables)) << "layout " << lay.channels << "/" << lay.mapped << " set " << s;
          ASSERT_TRUE(dst.check(lay.mapped == 3 && lay.channels == 4 ? 7u : 15u));
          ASSERT_TRUE(src.unchanged());
          // In place gives the same samples (and keeps alpha).
          GuardedImage<T> inPlace = src;
          ASSERT_EQ(runLut(kind, lay, true, src, inPlace, tables), ruxStatusOk);
          for (int y = 0; y < roi.height; ++y) {
            for (int i = 0; i < roi.width * lay.channels; ++i) {
              if (i % lay.channels >= lay.mapped) continue;  // AC4 alpha: each keeps its own
              ASSERT_EQ(+inPlace.row(y)[i], +dst.row(y)[i]) << "in place, row " << y << " sample " << i << " set " << s << " layout " << lay.channels << "/" << lay.mapped << " kind " << kind << " w " << roi.width;
            }
          }
          ASSERT_TRUE(inPlace.check(lay.mapped == 3 && lay.channels == 4 ? 7u : 15u));
        }
      }
    }
  }
}

TEST(Lut8u, ExamplesOfTheDefinition) {
  Rux8u src[256], dst[256];
  for (int i = 0; i < 256; ++i) src[i] = static_cast<Rux8u>(i);
  const Rux32s l1[2] = {10, 20}, v1[2] = {100, 200};
  ASSERT_EQ(ruxiLUT_8u_C1R(src, 256, dst, 256, {256, 1}, v1, l1, 2), ruxStatusOk);
  EXPECT_EQ(dst[9], 9);
  EXPECT_EQ(dst[10], 100);
  EXPECT_EQ(dst[19], 100);
  EXPECT_EQ(dst[20], 20);
  const Rux32s l2[2] = {0, 255}, v2[2] = {0, 100};
  ASSERT_EQ(ruxiLUT_Linear_8u_C1R(src, 256, dst, 256, {256, 1}, v2, l2, 2), ruxStatusOk);
  EXPECT_EQ(dst[128], 50);
  EXPECT_EQ(dst[255], 255);  // the last level is outside every interval
  // Overlapping intervals: the later one wins for integers.
  const Rux32s l3[3] = {0, 100, 50}, v3[3] = {7, 9, 0};
  ASSERT_EQ(ruxiLUT_8u_C1R(src, 256, dst, 256, {256, 1}, v3, l3, 3), ruxStatusOk);
  EXPECT_EQ(dst[70], 7);
  EXPECT_EQ(dst[100], 100);
  // A cubic through four points on a cubic reproduces it; three levels is LUT_Linear.
  const Rux32s l4[4] = {0, 4, 8, 12}, v4[4] = {0, 64, 512, 1728};  // x^3
  ASSERT_EQ(ruxiLUT_Cubic_8u_C1R(src, 256, dst, 256, {256, 1}, v4, l4, 4), ruxStatusOk);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(dst[x], std::min(255, x * x * x)) << x;
  Rux8u linear[256];
  const Rux32s l5[3] = {3, 90, 240}, v5[3] = {250, 0, 128};
  ASSERT_EQ(ruxiLUT_Cubic_8u_C1R(src, 256, dst, 256, {256, 1}, v5, l5, 3), ruxStatusOk);
  ASSERT_EQ(ruxiLUT_Linear_8u_C1R(src, 256, linear, 256, {256, 1}, v5, l5, 3), ruxStatusOk);
  EXPECT_EQ(std::memcmp(dst, linear, 256), 0);
}

// Repeated levels leave no unique cubic for their neighbours: those intervals are linear.
TEST(LutCubic, RepeatedLevelsFallBackToTheLine) {
  const Rux32s l[5] = {0, 100, 100, 200, 255}, v[5] = {0, 100, 50, 250, 0};
  Rux16u src[256], dst[256], linear[256];
  for (int i = 0; i < 256; ++i) src[i] = static_cast<Rux16u>(i);
  ASSERT_EQ(ruxiLUT_Cubic_16u_C1R(src, 512, dst, 512, {256, 1}, v, l, 5), ruxStatusOk);
  ASSERT_EQ(ruxiLUT_Linear_16u_C1R(src, 512, linear, 512, {256, 1}, v, l, 5), ruxStatusOk);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(dst[i], linear[i]) << i;
  const Rux32f lf[5] = {0, 100, 100, 200, 255}, vf[5] = {0, 100, 50, 250, 0};
  Rux32f fs[3] = {50.0f, 150.0f, 250.0f}, fd[3];
  ASSERT_EQ(ruxiLUT_Cubic_32f_C1R(fs, 12, fd, 12, {3, 1}, vf, lf, 5), ruxStatusOk);
  EXPECT_FLOAT_EQ(fd[0], 50.0f);
  EXPECT_FLOAT_EQ(fd[1], 150.0f);
  EXPECT_TRUE(std::isfinite(fd[2]));
}

TEST(Lut8u, VectorLookUpAtEveryWidth) {
  std::mt19937 rng(4);
  std::vector<Rux32s> levels(257), values(257);
  for (int i = 0; i < 257; ++i) {
    levels[i] = i;
    values[i] = static_cast<Rux32s>(rng() & 255);
  }
  for (int w : ruxtest::sweepWidths()) {
    for (bool tight : {false, true}) {
      GuardedImage<Rux8u> src(w, 3, 1, 10 + w, 2, tight), dst(w, 3, 1, 20 + w, 2, tight);
      ASSERT_EQ(ruxiLUT_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {w, 3}, values.data(),
                               levels.data(), 257),
                ruxStatusOk);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(dst.at(x, y, 0), values[src.at(x, y, 0)]) << w;
      ASSERT_TRUE(dst.check());
    }
  }
}

TEST(LutScratch, FailuresReturnNoMemoryAndWriteNothing) {
  const Rux32s l[3] = {-5, 100, 4000}, v[3] = {1, 2, 3};
  const Rux32f lf[4] = {-5, 100, 400, 800}, vf[4] = {1, 2, 3, 4};
  struct Case {
    std::string what;
    int width;
    bool fails;
  };
  for (const Case& c : {Case{"16-bit table", 65, true}, Case{"16-bit per sample", 64, false}}) {
    GuardedImage<Rux16s> img(c.width, 64, 1, 5);
    ruxtest::FailAllocationsAfter fail(0);
    const RuxResult want = c.fails ? ruxStatusNoMemory : ruxStatusOk;
    EXPECT_EQ(ruxiLUT_16s_C1IR(img.data(), img.step(), img.size(), v, l, 3), want) << c.what;
    EXPECT_EQ(ruxiLUT_Linear_16s_C1IR(img.data(), img.step(), img.size(), v, l, 3), want) << c.what;
    EXPECT_EQ(ruxiLUT_Cubic_16s_C1IR(img.data(), img.step(), img.size(), v, l, 3), want) << c.what;
    if (c.fails) {
      EXPECT_TRUE(img.unchanged()) << c.what;
    }
  }
  GuardedImage<Rux32f> f(9, 2, 1, 6);
  GuardedImage<Rux8u> b(900, 9, 1, 7);
  ruxtest::FailAllocationsAfter fail(0);
  EXPECT_EQ(ruxiLUT_Linear_32f_C1IR(f.data(), f.step(), f.size(), vf, lf, 4), ruxStatusNoMemory);
  EXPECT_EQ(ruxiLUT_Cubic_32f_C1IR(f.data(), f.step(), f.size(), vf, lf, 4), ruxStatusNoMemory);
  EXPECT_EQ(ruxiLUT_Cubic_32f_C1IR(f.data(), f.step(), f.size(), vf, lf, 3), ruxStatusNoMemory);
  EXPECT_TRUE(f.unchanged());
  EXPECT_EQ(ruxiLUT_32f_C1IR(f.data(), f.step(), f.size(), vf, lf, 4), ruxStatusOk);
  EXPECT_EQ(ruxiLUT_Cubic_8u_C1IR(b.data(), b.step(), b.size(), v, l, 3), ruxStatusOk);
}

TEST(LutValidation, ContractOrder) {
  GuardedImage<Rux16u> src(8, 2, 4, 1), dst(8, 2, 4, 2);
  const Rux32s l[3] = {0, 10, 20}, v[3] = {1, 2, 3};
  const Rux32s* ls[3] = {l, l, l};
  const Rux32s* vs[3] = {v, v, v};
  const Rux32s* vn[3] = {v, nullptr, v};
  const int n[3] = {3, 3, 3}, n1[3] = {3, 1, 3}, n0[3] = {1, 3, 3};
  const Rux16u* s = src.data();
  Rux16u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  const RuxImageSize ok{8, 2}, bad{8, 0};
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiLUT_16u_C1R(nullptr, ss, d, ds, ok, v, l, 3); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiLUT_Linear_16u_C1R(s, ss, nullptr, ds, ok, v, l, 3); }, ruxStatusNullPointer},
          {"null values before size", [&] { return ruxiLUT_Cubic_16u_C1R(s, ss, d, ds, bad, nullptr, l, 3); }, ruxStatusNullPointer},
          {"null levels in place", [&] { return ruxiLUT_16u_C1IR(d, ds, ok, v, nullptr, 3); }, ruxStatusNullPointer},
          {"size before step", [&] { return ruxiLUT_16u_C1R(s, 0, d, ds, bad, v, l, 3); }, ruxStatusBadSize},
          {"source step", [&] { return ruxiLUT_16u_C1R(s, 0, d, ds, ok, v, l, 3); }, ruxStatusBadStep},
          {"destination step before levels", [&] { return ruxiLUT_16u_C1R(s, ss, d, -2, ok, v, l, 1); }, ruxStatusBadStep},
          {"in-place step", [&] { return ruxiLUT_Linear_16u_C1IR(d, 0, ok, v, l, 3); }, ruxStatusBadStep},
          {"one level", [&] { return ruxiLUT_Cubic_16u_C1R(s, ss, d, ds, ok, v, l, 1); }, ruxStatusBadLutLevels},
          {"multi null channel", [&] { return ruxiLUT_16u_C3R(s, ss, d, ds, ok, vn, ls, n); }, ruxStatusNullPointer},
          {"multi null arrays", [&] { return ruxiLUT_16u_C4R(s, ss, d, ds, ok, vs, nullptr, n); }, ruxStatusNullPointer},
          {"multi levels before size", [&] { return ruxiLUT_Linear_16u_AC4R(s, ss, d, ds, bad, vs, ls, n1); }, ruxStatusBadLutLevels},
          {"channel 0 levels before channel 1 pointer", [&] { return ruxiLUT_16u_C3R(s, ss, d, ds, ok, vn, ls, n0); }, ruxStatusBadLutLevels},
          {"multi size before step", [&] { return ruxiLUT_Cubic_16u_C3IR(d, 0, bad, vs, ls, n); }, ruxStatusBadSize},
          {"multi step", [&] { return ruxiLUT_Cubic_16u_AC4IR(d, 0, ok, vs, ls, n); }, ruxStatusBadStep},
      },
      src, dst);
}

}  // namespace
