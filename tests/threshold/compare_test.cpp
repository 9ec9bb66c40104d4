// Compare forms against the reference: every type, layout and relation of two images and of an
// image with constants, the tolerance forms, over widths that cross every vector length, with
// operands that tie in some channels only, float NaN and infinities, guard bands around the mask,
// and the validation order (steps before size, operations above 4 writing nothing).
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ref/threshold_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

enum Layout { kC1, kC3, kC4, kAC4 };
constexpr int kChannels[4] = {1, 3, 4, 4};
constexpr int kCompared[4] = {1, 3, 4, 3};
const char* const kLayoutNames[4] = {"C1", "C3", "C4", "AC4"};

template <class T>
using PairFn = std::function<RuxResult(const T*, int, const T*, int, Rux8u*, int, RuxImageSize, int)>;
template <class T>
using ConstFn = std::function<RuxResult(const T*, int, const T*, Rux8u*, int, RuxImageSize, int)>;
using EpsFn = std::function<RuxResult(const Rux32f*, int, const Rux32f*, int, Rux8u*, int, RuxImageSize, float)>;
using EpsConstFn = std::function<RuxResult(const Rux32f*, int, const Rux32f*, Rux8u*, int, RuxImageSize, float)>;

template <class T>
struct Api {
  PairFn<T> pair[4];
  ConstFn<T> constant[4];
};

#define RUX_V_C1(v) (v)[0]
#define RUX_V_C3(v) (v)
#define RUX_V_C4(v) (v)
#define RUX_V_AC4(v) (v)
#define RUX_CMP_FORMS(type, L, lay)                                                               \
  api.pair[L] = [](const T* a, int as, const T* b, int bs, Rux8u* d, int ds, RuxImageSize z,      \
                   int op) {                                                                      \
    return ruxiCompare_##type##_##lay##R(a, as, b, bs, d, ds, z, static_cast<RuxCompareOp>(op));  \
  };                                                                                              \
  api.constant[L] = [](const T* a, int as, const T* v, Rux8u* d, int ds, RuxImageSize z,          \
                       int op) {                                                                  \
    return ruxiCompareC_##type##_##lay##R(a, as, RUX_V_##lay(v), d, ds, z,                        \
                                          static_cast<RuxCompareOp>(op));                         \
  };
#define RUX_CMP_API(type, TT)                                                                     \
  Api<TT> makeApi(TT*) {                                                                          \
    using T = TT;                                                                                 \
    Api<T> api;                                                                                   \
    RUX_CMP_FORMS(type, kC1, C1) RUX_CMP_FORMS(type, kC3, C3) RUX_CMP_FORMS(type, kC4, C4)        \
    RUX_CMP_FORMS(type, kAC4, AC4)                                                                \
    return api;                                                                                   \
  }
RUX_CMP_API(8u, Rux8u)
RUX_CMP_API(16u, Rux16u)
RUX_CMP_API(16s, Rux16s)
RUX_CMP_API(32f, Rux32f)

#define RUX_EPS_FORMS(lay)                                                                        \
  EpsFn([](const Rux32f* a, int as, const Rux32f* b, int bs, Rux8u* d, int ds, RuxImageSize z,    \
           float e) { return ruxiCompareEqualEps_32f_##lay##R(a, as, b, bs, d, ds, z, e); })
#define RUX_EPSC_FORMS(lay)                                                                       \
  EpsConstFn([](const Rux32f* a, int as, const Rux32f* v, Rux8u* d, int ds, RuxImageSize z,       \
                float e) { return ruxiCompareEqualEpsC_32f_##lay##R(a, as, RUX_V_##lay(v), d, ds, z, e); })
const EpsFn kEps[4] = {RUX_EPS_FORMS(C1), RUX_EPS_FORMS(C3), RUX_EPS_FORMS(C4), RUX_EPS_FORMS(AC4)};
const EpsConstFn kEpsC[4] = {RUX_EPSC_FORMS(C1), RUX_EPSC_FORMS(C3), RUX_EPSC_FORMS(C4), RUX_EPSC_FORMS(AC4)};

// b takes a's sample, a neighbour of it, or a random value, channel by channel, so that ties and
// near-ties occur in some channels of a pixel only. Floats also get NaN and infinities.
template <class T>
void makeNeighbours(const GuardedImage<T>& a, GuardedImage<T>& b, std::mt19937& rng) {
  for (int y = 0; y < a.height(); ++y) {
    for (int i = 0; i < a.width() * a.channels(); ++i) {
      const T x = a.row(y)[i];
      const unsigned r = rng() % 8;
      T v = x;
      if (r == 1 && x < std::numeric_limits<T>::max()) v = static_cast<T>(x + 1);
      if (r == 2 && x > std::numeric_limits<T>::lowest()) v = static_cast<T>(x - 1);
      if (r == 3) v = ruxtest::randomValue<T>(rng);
      if constexpr (std::is_floating_point_v<T>) {
        if (r == 4) v = std::numeric_limits<T>::quiet_NaN();
        if (r == 5) v = std::numeric_limits<T>::infinity();
      }
      if (r < 5 || r == 7) b.row(y)[i] = v;
      else b.row(y)[i] = x;
    }
  }
  b.snapshot();
}

template <class T, class Rel>
std::vector<Rux8u> maskOf(const GuardedImage<T>& a, int compared, Rel rel) {
  std::vector<Rux8u> out;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      bool all = true;
      for (int c = 0; c < compared; ++c) all = all && rel(x, y, c);
      out.push_back(all ? 255 : 0);
    }
  return out;
}

template <class T>
class CompareTest : public ::testing::Test {};
using SampleTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(CompareTest, SampleTypes);

TYPED_TEST(CompareTest, EveryRelationAndLayoutMatchesTheReference) {
  using T = TypeParam;
  const Api<T> api = makeApi(static_cast<T*>(nullptr));
  std::mt19937 rng(11);
  for (int l = 0; l < 4; ++l) {
    const int ch = kChannels[l], k = kCompared[l];
    for (int w : ruxtest::sweepWidths()) {
      GuardedImage<T> a(w, 3, ch, 300 + w, 1), b(w, 3, ch, 400 + w, 3);
      makeNeighbours(a, b, rng);
      // Constants: the first pixel's samples, so that ties occur.
      T value[4];
      for (int c = 0; c < 4; ++c) value[c] = a.at(static_cast<int>(rng() % w), 0, c);
      for (int op = 0; op <= 4; ++op) {
        const std::string what = std::string(kLayoutNames[l]) + " op " + std::to_string(op) +
                                 " width " + std::to_string(w);
        GuardedImage<Rux8u> dst(w, 3, 1, 500 + w, 2);
        ASSERT_EQ(api.pair[l](a.data(), a.step(), b.data(), b.step(), dst.data(), dst.step(), a.size(), op), 0);
        ASSERT_TRUE(regionEquals(dst, maskOf(a, k, [&](int x, int y, int c) {
          return ruxref::relation(op, a.at(x, y, c), b.at(x, y, c));
        }))) << what;
        ASSERT_TRUE(dst.check()) << what;
        ASSERT_EQ(api.constant[l](b.data(), b.step(), value, dst.data(), dst.step(), a.size(), op), 0);
        ASSERT_TRUE(regionEquals(dst, maskOf(b, k, [&](int x, int y, int c) {
          return ruxref::relation(op, b.at(x, y, c), value[c]);
        }))) << what << " constant";
        ASSERT_TRUE(dst.check()) << what;
        ASSERT_TRUE(a.unchanged() && b.unchanged()) << what;
      }
    }
  }
}

TEST(CompareEqualEps, EveryLayoutMatchesTheReference) {
  std::mt19937 rng(5);
  const float inf = std::numeric_limits<float>::infinity();
  for (int l = 0; l < 4; ++l) {
    const int ch = kChannels[l], k = kCompared[l];
    for (int w : ruxtest::sweepWidths()) {
      GuardedImage<Rux32f> a(w, 2, ch, 600 + w, 2), b(w, 2, ch, 700 + w, 1);
      makeNeighbours(a, b, rng);
      for (int y = 0; y < 2; ++y)  // differences of exactly eps, and infinities on both sides
        for (int i = 0; i < w * ch; i += 5) {
          a.row(y)[i] = b.row(y)[i] + 0.5f;
          if (i % 3 == 0) a.row(y)[i] = b.row(y)[i] = inf;
        }
      a.snapshot();
      const float value[4] = {a.at(0, 0, 0), a.at(0, 0, 1 % ch), 1.5f, -inf};
      for (float eps : {0.0f, 0.5f, 3.0f, inf}) {
        const std::string what = std::string(kLayoutNames[l]) + " eps " + std::to_string(eps) + " width " + std::to_string(w);
        GuardedImage<Rux8u> dst(w, 2, 1, 800 + w, 3);
        ASSERT_EQ(kEps[l](a.data(), a.step(), b.data(), b.step(), dst.data(), dst.step(), a.size(), eps), 0);
        ASSERT_TRUE(regionEquals(dst, maskOf(a, k, [&](int x, int y, int c) {
          return ruxref::withinEps(a.at(x, y, c), b.at(x, y, c), eps);
        }))) << what;
        ASSERT_TRUE(dst.check()) << what;
        ASSERT_EQ(kEpsC[l](a.data(), a.step(), value, dst.data(), dst.step(), a.size(), eps), 0);
        ASSERT_TRUE(regionEquals(dst, maskOf(a, k, [&](int x, int y, int c) {
          return ruxref::withinEps(a.at(x, y, c), value[c], eps);
        }))) << what << " constant";
        ASSERT_TRUE(dst.check()) << what;
      }
    }
  }
}

TEST(CompareExamples, SmallCases) {
  Rux8u a = 10, b = 10, m = 7;
  ASSERT_EQ(ruxiCompare_8u_C1R(&a, 1, &b, 1, &m, 1, {1, 1}, ruxCompareGreater), 0);
  EXPECT_EQ(m, 0);
  ASSERT_EQ(ruxiCompare_8u_C1R(&a, 1, &b, 1, &m, 1, {1, 1}, ruxCompareGreaterEqual), 0);
  EXPECT_EQ(m, 255);
  const Rux8u p[3] = {1, 2, 3}, q[3] = {2, 3, 4}, r[3] = {2, 3, 3};
  ASSERT_EQ(ruxiCompare_8u_C3R(p, 3, q, 3, &m, 1, {1, 1}, ruxCompareLess), 0);
  EXPECT_EQ(m, 255);
  ASSERT_EQ(ruxiCompare_8u_C3R(p, 3, r, 3, &m, 1, {1, 1}, ruxCompareLess), 0);
  EXPECT_EQ(m, 0);
  // Relations that can never hold on 8u give an all-zero mask.
  GuardedImage<Rux8u> img(70, 2, 3, 1), dst(70, 2, 1, 2);
  const Rux8u zero[3] = {0, 200, 9}, top[3] = {255, 0, 0};
  ASSERT_EQ(ruxiCompareC_8u_C3R(img.data(), img.step(), zero, dst.data(), dst.step(), img.size(), ruxCompareLess), 0);
  EXPECT_TRUE(regionEquals(dst, std::vector<Rux8u>(140, 0)));
  ASSERT_EQ(ruxiCompareC_8u_C3R(img.data(), img.step(), top, dst.data(), dst.step(), img.size(), ruxCompareGreater), 0);
  EXPECT_TRUE(regionEquals(dst, std::vector<Rux8u>(140, 0)));
  EXPECT_TRUE(dst.check());
  Rux8u c1 = 0;
  ASSERT_EQ(ruxiCompareC_8u_C1R(img.data(), img.step(), c1, dst.data(), dst.step(), img.size(), ruxCompareLessEqual), 0);
  EXPECT_TRUE(regionEquals(dst, maskOf(img, 1, [&](int x, int y, int) { return img.at(x, y, 0) == 0; })));

  const float f1 = 1.0f, f2 = 1.5f, nan = std::numeric_limits<float>::quiet_NaN();
  ASSERT_EQ(ruxiCompareEqualEps_32f_C1R(&f1, 4, &f2, 4, &m, 1, {1, 1}, 0.5f), 0);
  EXPECT_EQ(m, 255);
  for (int op = 0; op <= 4; ++op) {
    m = 7;
    ASSERT_EQ(ruxiCompare_32f_C1R(&nan, 4, &nan, 4, &m, 1, {1, 1}, static_cast<RuxCompareOp>(op)), 0);
    EXPECT_EQ(m, 0) << op;
    ASSERT_EQ(ruxiCompareC_32f_C1R(&f1, 4, nan, &m, 1, {1, 1}, static_cast<RuxCompareOp>(op)), 0);
    EXPECT_EQ(m, 0) << op;
  }
}

TEST(CompareValidation, OrderAndStatuses) {
  GuardedImage<Rux16s> a(9, 2, 4, 1), b(9, 2, 4, 2);
  GuardedImage<Rux32f> f(9, 2, 3, 3);
  GuardedImage<Rux8u> dst(9, 2, 1, 4);
  const Rux16s* pa = a.data();
  const Rux16s* pb = b.data();
  Rux8u* d = dst.data();
  const int as = a.step(), bs = b.step(), ds = dst.step(), fs = f.step();
  const Rux16s v4[4] = {1, 2, 3, 4};
  const Rux32f v3[3] = {1, 2, 3};
  const auto op = [](int v) { return static_cast<RuxCompareOp>(v); };
  ruxtest::expectRejections(
      {
          {"null first", [&] { return ruxiCompare_16s_C4R(nullptr, as, pb, bs, d, ds, {9, 2}, op(0)); }, ruxStatusNullPointer},
          {"null mask", [&] { return ruxiCompare_16s_C4R(pa, as, pb, bs, nullptr, ds, {9, 2}, op(0)); }, ruxStatusNullPointer},
          {"null constant", [&] { return ruxiCompareC_16s_C4R(pa, as, nullptr, d, ds, {9, 2}, op(0)); }, ruxStatusNullPointer},
          {"null before op", [&] { return ruxiCompareC_16s_C4R(pa, as, nullptr, d, ds, {9, 2}, op(7)); }, ruxStatusNullPointer},
          {"step before size", [&] { return ruxiCompare_16s_C4R(pa, 0, pb, bs, d, ds, {0, 0}, op(0)); }, ruxStatusBadStep},
          {"second step", [&] { return ruxiCompare_16s_AC4R(pa, as, pb, -bs, d, ds, {9, 2}, op(0)); }, ruxStatusBadStep},
          {"mask step", [&] { return ruxiCompareC_16s_C4R(pa, as, v4, d, 0, {9, 2}, op(0)); }, ruxStatusBadStep},
          {"size", [&] { return ruxiCompareC_16s_C4R(pa, as, v4, d, ds, {9, 0}, op(0)); }, ruxStatusBadSize},
          {"size before op", [&] { return ruxiCompare_16s_C4R(pa, as, pb, bs, d, ds, {-1, 2}, op(5)); }, ruxStatusBadSize},
          {"op 5 writes nothing", [&] { return ruxiCompare_16s_C4R(pa, as, pb, bs, d, ds, {9, 2}, op(5)); }, ruxStatusOk},
          {"op 7 writes nothing", [&] { return ruxiCompareC_16s_C4R(pa, as, v4, d, ds, {9, 2}, op(7)); }, ruxStatusOk},
          {"negative eps", [&] { return ruxiCompareEqualEps_32f_C3R(f.data(), fs, f.data(), fs, d, ds, {9, 2}, -1.0f); }, ruxStatusBadEps},
          {"negative eps C", [&] { return ruxiCompareEqualEpsC_32f_C3R(f.data(), fs, v3, d, ds, {9, 2}, -0.5f); }, ruxStatusBadEps},
          {"size before eps", [&] { return ruxiCompareEqualEpsC_32f_C3R(f.data(), fs, v3, d, ds, {0, 2}, -1.0f); }, ruxStatusBadSize},
          {"eps null", [&] { return ruxiCompareEqualEps_32f_C1R(f.data(), fs, nullptr, fs, d, ds, {9, 2}, 1.0f); }, ruxStatusNullPointer},
          {"eps step", [&] { return ruxiCompareEqualEpsC_32f_C3R(f.data(), 0, v3, d, ds, {9, 2}, 1.0f); }, ruxStatusBadStep},
      },
      a, b, f, dst);
}

}  // namespace
