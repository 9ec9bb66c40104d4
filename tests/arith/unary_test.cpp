// Unary mathematics against the long-double reference: every member over widths that cross every
// vector length (guard bands, AC4 alpha, in place), every 8- and 16-bit argument for a range of
// scale factors, every 8-bit operand pair of MulScale, float accuracy, warnings and validation.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ref/unary_ref.h"

namespace {

using ruxtest::GuardedImage;

constexpr int kChannels[4] = {1, 3, 4, 4};  // C1, C3, C4, AC4
const char* const kLayoutNames[4] = {"C1", "C3", "C4", "AC4"};

template <class T>
using UnFn = std::function<RuxResult(const T*, int, T*, int, RuxImageSize, int)>;
template <class T>
using UnIFn = std::function<RuxResult(T*, int, RuxImageSize, int)>;

template <class T>
struct Member {
  std::string name;
  int layout;
  UnFn<T> r;     // may be empty (Sqrt_32f_C4IR has no R form)
  UnIFn<T> ir;
  std::function<T(T, int)> ref;
  std::function<int(T)> warn;  // warning of one argument, 0 if none
  int ulps = 0;                // float tolerance against the reference
};

#define RUX_SFS(name, type, lay, T) \
  UnFn<T>(ruxi##name##_##type##_##lay##RSfs), UnIFn<T>(ruxi##name##_##type##_##lay##IRSfs)
#define RUX_NOS(name, type, lay, T)                                                              \
  UnFn<T>([](const T* s, int ss, T* d, int ds, RuxImageSize z, int) {                            \
    return ruxi##name##_##type##_##lay##R(s, ss, d, ds, z);                                      \
  }),                                                                                            \
      UnIFn<T>([](T* d, int ds, RuxImageSize z, int) { return ruxi##name##_##type##_##lay##IR(d, ds, z); })

int noWarning(double) { return 0; }
int rootWarning(double x) { return x < 0 ? ruxStatusRootOfNegative : 0; }
int logWarning(double x) { return x == 0 ? ruxStatusLogOfZero : (x < 0 ? ruxStatusLogOfNegative : 0); }

template <class T>
std::vector<Member<T>> members();

#define RUX_INT_MEMBERS(type, T)                                                                   \
  template <>                                                                                      \
  std::vector<Member<T>> members<T>() {                                                            \
    const auto sq = [](T x, int s) { return ruxref::sqr<T>(x, s); };                               \
    const auto rt = [](T x, int s) { return ruxref::sqrtInt<T>(x, s); };                           \
    const auto ln = [](T x, int s) { return ruxref::lnInt<T>(x, s); };                             \
    const auto ex = [](T x, int s) { return ruxref::expInt<T>(x, s); };                            \
    return {                                                                                       \
        {"Sqr C1", 0, RUX_SFS(Sqr, type, C1, T), sq, noWarning},                                   \
        {"Sqr C3", 1, RUX_SFS(Sqr, type, C3, T), sq, noWarning},                                   \
        {"Sqr C4", 2, RUX_SFS(Sqr, type, C4, T), sq, noWarning},                                   \
        {"Sqr AC4", 3, RUX_SFS(Sqr, type, AC4, T), sq, noWarning},                                 \
        {"Sqrt C1", 0, RUX_SFS(Sqrt, type, C1, T), rt, rootWarning},                               \
        {"Sqrt C3", 1, RUX_SFS(Sqrt, type, C3, T), rt, rootWarning},                               \
        {"Sqrt AC4", 3, RUX_SFS(Sqrt, type, AC4, T), rt, rootWarning},                             \
        {"Ln C1", 0, RUX_SFS(Ln, type, C1, T), ln, logWarning},                                    \
        {"Ln C3", 1, RUX_SFS(Ln, type, C3, T), ln, logWarning},                                    \
        {"Exp C1", 0, RUX_SFS(Exp, type, C1, T), ex, noWarning},                                   \
        {"Exp C3", 1, RUX_SFS(Exp, type, C3, T), ex, noWarning},                                   \
    };                                                                                             \
  }
RUX_INT_MEMBERS(8u, Rux8u)
RUX_INT_MEMBERS(16u, Rux16u)

template <>
std::vector<Member<Rux16s>> members<Rux16s>() {
  using T = Rux16s;
  std::vector<Member<T>> m = {
      {"Abs C1", 0, RUX_NOS(Abs, 16s, C1, T), [](T x, int) { return ruxref::abs16s(x); }, noWarning},
      {"Abs C3", 1, RUX_NOS(Abs, 16s, C3, T), [](T x, int) { return ruxref::abs16s(x); }, noWarning},
      {"Abs C4", 2, RUX_NOS(Abs, 16s, C4, T), [](T x, int) { return ruxref::abs16s(x); }, noWarning},
      {"Abs AC4", 3, RUX_NOS(Abs, 16s, AC4, T), [](T x, int) { return ruxref::abs16s(x); }, noWarning},
  };
  const auto sq = [](T x, int s) { return ruxref::sqr<T>(x, s); };
  const auto rt = [](T x, int s) { return ruxref::sqrtInt<T>(x, s); };
  const auto ln = [](T x, int s) { return ruxref::lnInt<T>(x, s); };
  const auto ex = [](T x, int s) { return ruxref::expInt<T>(x, s); };
  const std::vector<Member<T>> more = {
      {"Sqr C1", 0, RUX_SFS(Sqr, 16s, C1, T), sq, noWarning},
      {"Sqr C3", 1, RUX_SFS(Sqr, 16s, C3, T), sq, noWarning},
      {"Sqr C4", 2, RUX_SFS(Sqr, 16s, C4, T), sq, noWarning},
      {"Sqr AC4", 3, RUX_SFS(Sqr, 16s, AC4, T), sq, noWarning},
      {"Sqrt C1", 0, RUX_SFS(Sqrt, 16s, C1, T), rt, rootWarning},
      {"Sqrt C3", 1, RUX_SFS(Sqrt, 16s, C3, T), rt, rootWarning},
      {"Sqrt AC4", 3, RUX_SFS(Sqrt, 16s, AC4, T), rt, rootWarning},
      {"Ln C1", 0, RUX_SFS(Ln, 16s, C1, T), ln, logWarning},
      {"Ln C3", 1, RUX_SFS(Ln, 16s, C3, T), ln, logWarning},
      {"Exp C1", 0, RUX_SFS(Exp, 16s, C1, T), ex, noWarning},
      {"Exp C3", 1, RUX_SFS(Exp, 16s, C3, T), ex, noWarning},
  };
  m.insert(m.end(), more.begin(), more.end());
  return m;
}

template <>
std::vector<Member<Rux32f>> members<Rux32f>() {
  using T = Rux32f;
  const auto ab = [](T x, int) { return std::fabs(x); };
  const auto sq = [](T x, int) { return x * x; };
  const auto rt = [](T x, int) { return static_cast<T>(std::sqrt(static_cast<long double>(x))); };
  const auto ln = [](T x, int) { return static_cast<T>(std::log(static_cast<long double>(x))); };
  const auto ex = [](T x, int) { return static_cast<T>(std::exp(static_cast<long double>(x))); };
  return {
      {"Abs C1", 0, RUX_NOS(Abs, 32f, C1, T), ab, noWarning},
      {"Abs C3", 1, RUX_NOS(Abs, 32f, C3, T), ab, noWarning},
      {"Abs C4", 2, RUX_NOS(Abs, 32f, C4, T), ab, noWarning},
      {"Abs AC4", 3, RUX_NOS(Abs, 32f, AC4, T), ab, noWarning},
      {"Sqr C1", 0, RUX_NOS(Sqr, 32f, C1, T), sq, noWarning},
      {"Sqr C3", 1, RUX_NOS(Sqr, 32f, C3, T), sq, noWarning},
      {"Sqr C4", 2, RUX_NOS(Sqr, 32f, C4, T), sq, noWarning},
      {"Sqr AC4", 3, RUX_NOS(Sqr, 32f, AC4, T), sq, noWarning},
      {"Sqrt C1", 0, RUX_NOS(Sqrt, 32f, C1, T), rt, rootWarning},
      {"Sqrt C3", 1, RUX_NOS(Sqrt, 32f, C3, T), rt, rootWarning},
      {"Sqrt AC4", 3, RUX_NOS(Sqrt, 32f, AC4, T), rt, rootWarning},
      {"Sqrt C4", 2, UnFn<T>(), UnIFn<T>([](T* d, int ds, RuxImageSize z, int) { return ruxiSqrt_32f_C4IR(d, ds, z); }), rt, rootWarning},
      {"Ln C1", 0, RUX_NOS(Ln, 32f, C1, T), ln, logWarning, 1},
      {"Ln C3", 1, RUX_NOS(Ln, 32f, C3, T), ln, logWarning, 1},
      {"Exp C1", 0, RUX_NOS(Exp, 32f, C1, T), ex, noWarning, 1},
      {"Exp C3", 1, RUX_NOS(Exp, 32f, C3, T), ex, noWarning, 1},
  };
}

template <class T>
bool same(T got, T want, int ulps) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(got) || std::isnan(want)) return std::isnan(got) && std::isnan(want);
    if (got == want) return true;
    return ulps > 0 && std::isfinite(got) && std::isfinite(want) && ruxref::ulpDistance(got, want) <= ulps;
  } else {
    return got == want;
  }
}

// Runs the member on img (in place, or from src) and checks samples, guard bands and status.
template <class T>
::testing::AssertionResult runAndCheck(const Member<T>& m, int s, const GuardedImage<T>& src,
                                       GuardedImage<T>& dst, bool inPlace) {
  const bool ac4 = m.layout == 3;
  int wantStatus = 0;
  for (int y = 0; y < src.height() && wantStatus == 0; ++y)
    for (int x = 0; x < src.width() && wantStatus == 0; ++x)
      for (int c = 0; c < (ac4 ? 3 : src.channels()) && wantStatus == 0; ++c) wantStatus = m.warn(src.at(x, y, c));
  const auto want = ruxref::pointwise(dst, ac4, [&](int x, int y, int c) { return m.ref(src.at(x, y, c), s); });
  const RuxResult status = inPlace ? m.ir(dst.data(), dst.step(), dst.size(), s)
                                   : m.r(src.data(), src.step(), dst.data(), dst.step(), dst.size(), s);
  if (status != wantStatus) return ::testing::AssertionFailure() << "status " << status << ", expected " << wantStatus;
  const int n = dst.width() * dst.channels();
  for (int y = 0; y < dst.height(); ++y)
    for (int i = 0; i < n; ++i)
      if (!same(dst.row(y)[i], want[static_cast<std::size_t>(y) * n + i], m.ulps))
        return ::testing::AssertionFailure() << "sample " << i << " of row " << y << ": got " << +dst.row(y)[i]
                                             << ", expected " << +want[static_cast<std::size_t>(y) * n + i]
                                             << " (argument " << +src.row(y)[i] << ", scale " << s << ")";
  return dst.check(ac4 ? 0x7 : 0xf);
}

template <class T>
class UnaryTest : public ::testing::Test {};
using UnaryTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(UnaryTest, UnaryTypes);

TYPED_TEST(UnaryTest, EveryMemberEveryWidthInAndOutOfPlace) {
  using T = TypeParam;
  for (const Member<T>& m : members<T>()) {
    const int ch = kChannels[m.layout];
    for (int w : ruxtest::sweepWidths()) {
      for (int s : {0, 3}) {
        const std::string what = m.name + " width " + std::to_string(w) + " scale " + std::to_string(s);
        GuardedImage<T> src(w, 2, ch, 100 + w, 1);
        if (m.r) {
          GuardedImage<T> dst(w, 2, ch, 200 + w, 3);
          ASSERT_TRUE(runAndCheck(m, s, src, dst, false)) << what;
          ASSERT_TRUE(src.unchanged()) << what;
        }
        GuardedImage<T> io(w, 2, ch, 100 + w, 1);  // same contents as src
        ASSERT_TRUE(runAndCheck(m, s, src, io, true)) << what << " in place";
      }
    }
  }
}

// Every 8- or 16-bit argument, C1, for scale factors around every saturation and rounding edge.
TYPED_TEST(UnaryTest, EveryArgumentEveryScale) {
  using T = TypeParam;
  if constexpr (sizeof(T) <= 2) {
    const int count = 1 << (8 * sizeof(T));
    const int w = std::min(count, 256);
    GuardedImage<T> src(w, count / w, 1, 7);
    for (int i = 0; i < count; ++i) src.row(i / w)[i % w] = static_cast<T>(i);
    src.snapshot();
    for (const Member<T>& m : members<T>()) {
      if (m.layout != 0) continue;
      for (int s : {-100, -33, -32, -31, -16, -8, -5, -1, 0, 1, 2, 7, 8, 9, 16, 17, 30, 31, 32, 33, 100}) {
        GuardedImage<T> dst(w, count / w, 1, 8);
        ASSERT_TRUE(runAndCheck(m, s, src, dst, false)) << m.name << " scale " << s;
      }
    }
  }
}

TEST(Unary32f, AccuracyAgainstLongDouble) {
  // Sqrt is correctly rounded; Ln and Exp are within one unit in the last place.
  std::mt19937 rng(5);
  std::vector<float> x;
  for (int i = 0; i < 20000; ++i) {
    std::uint32_t bits = static_cast<std::uint32_t>(rng()) & 0x7fffffffu;  // positive, any exponent
    float f;
    std::memcpy(&f, &bits, 4);
    if (std::isfinite(f)) x.push_back(f);
  }
  for (float f : {1e-45f, 1.17549435e-38f, 1.0f, 2.0f, 0.5f, 3.4028235e38f}) x.push_back(f);
  const RuxImageSize size{static_cast<int>(x.size()), 1};
  const int step = size.width * 4;
  std::vector<float> out(std::max<std::size_t>(x.size(), 20000));
  ASSERT_EQ(ruxiSqrt_32f_C1R(x.data(), step, out.data(), step, size), 0);
  for (std::size_t i = 0; i < x.size(); ++i)
    ASSERT_EQ(out[i], static_cast<float>(std::sqrt(static_cast<long double>(x[i])))) << x[i];
  ASSERT_EQ(ruxiLn_32f_C1R(x.data(), step, out.data(), step, size), 0);
  for (std::size_t i = 0; i < x.size(); ++i)
    ASSERT_LE(ruxref::ulpDistance(out[i], static_cast<float>(std::log(static_cast<long double>(x[i])))), 1) << x[i];
  std::vector<float> e;  // arguments of finite, non-denormal results
  for (int i = 0; i < 20000; ++i) e.push_back(std::uniform_real_distribution<float>(-87.0f, 88.7f)(rng));
  ASSERT_EQ(ruxiExp_32f_C1R(e.data(), step, out.data(), step, {static_cast<int>(e.size()), 1}), 0);
  for (std::size_t i = 0; i < e.size(); ++i)
    ASSERT_LE(ruxref::ulpDistance(out[i], static_cast<float>(std::exp(static_cast<long double>(e[i])))), 1) << e[i];
}

TEST(Unary, DocumentedValues) {
  // Ln 16s at scale 0 is ln x rounded to nearest: the boundaries of each result.
  const Rux16s ln[] = {1, 2, 4, 5, 12, 13, 33, 34, 90, 91, 244, 245, 665, 666, 1808, 1809, 4914, 4915, 13359, 13360, 32767};
  const Rux16s lnWant[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10};
  Rux16s out[21];
  ASSERT_EQ(ruxiLn_16s_C1RSfs(ln, 42, out, 42, {21, 1}, 0), 0);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(out[i], lnWant[i]) << ln[i];
  // Warnings: a row reports its first offending sample; the first such row decides; all rows done.
  Rux16s bad[3][3] = {{1, 2, 3}, {7, -5, 0}, {0, 3, 1}};
  ASSERT_EQ(ruxiLn_16s_C1IRSfs(&bad[0][0], 6, {3, 3}, 0), ruxStatusLogOfNegative);
  EXPECT_EQ(bad[1][1], -32768);
  EXPECT_EQ(bad[1][2], -32768);
  EXPECT_EQ(bad[2][0], -32768);
  EXPECT_EQ(bad[2][1], 1);
  Rux16s zero[2] = {0, 10};
  ASSERT_EQ(ruxiLn_16s_C1RSfs(zero, 4, out, 4, {2, 1}, 0), ruxStatusLogOfZero);
  EXPECT_EQ(out[0], -32768);
  const float lnf[3] = {1.0f, -0.0f, -2.0f};
  float outf[3];
  ASSERT_EQ(ruxiLn_32f_C1R(lnf, 12, outf, 12, {3, 1}), ruxStatusLogOfZero);
  EXPECT_TRUE(std::isinf(outf[1]) && outf[1] < 0);
  EXPECT_TRUE(std::isnan(outf[2]));
  const float rootf[2] = {-4.0f, 9.0f};
  ASSERT_EQ(ruxiSqrt_32f_C1R(rootf, 8, outf, 8, {2, 1}), ruxStatusRootOfNegative);
  EXPECT_TRUE(std::isnan(outf[0]));
  EXPECT_EQ(outf[1], 3.0f);
  const float expf[2] = {-1000.0f, 1000.0f};
  ASSERT_EQ(ruxiExp_32f_C1R(expf, 8, outf, 8, {2, 1}), ruxStatusOk);
  EXPECT_EQ(outf[0], 0.0f);
  EXPECT_TRUE(std::isinf(outf[1]));
  // Sign and magnitude.
  Rux32s c[4] = {-1, 5, -2147483647 - 1, 0};
  ASSERT_EQ(ruxiComplement_32s_C1IR(c, 16, {4, 1}), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(c[0]), 0x80000001u);
  EXPECT_EQ(c[1], 5);
  EXPECT_EQ(static_cast<std::uint32_t>(c[2]), 0x80000000u);
  EXPECT_EQ(c[3], 0);
  const Rux16s m = -32768;
  ASSERT_EQ(ruxiAbs_16s_C1R(&m, 2, out, 2, {1, 1}), 0);
  EXPECT_EQ(out[0], 32767);
  const Rux8u a[3] = {255, 128, 1}, b[3] = {255, 128, 254};
  Rux8u p[3];
  ASSERT_EQ(ruxiMulScale_8u_C1R(a, 3, b, 3, p, 3, {3, 1}), 0);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 64);
  EXPECT_EQ(p[2], 0);
}

TEST(Complement, RandomRowsAndWidths) {
  for (int w : ruxtest::sweepWidths()) {
    GuardedImage<Rux32s> img(w, 2, 1, 40 + w, 3);
    const auto want = ruxref::pointwise(img, false, [&](int x, int y, int) { return ruxref::complement(img.at(x, y, 0)); });
    ASSERT_EQ(ruxiComplement_32s_C1IR(img.data(), img.step(), img.size()), 0);
    ASSERT_TRUE(regionEquals(img, want)) << w;
    ASSERT_TRUE(img.check());
  }
}

// ---- normalised products and extrema ------------------------------------------------------------

template <class T>
using PairFn = std::function<RuxResult(const T*, int, const T*, int, T*, int, RuxImageSize)>;
template <class T>
using PairIFn = std::function<RuxResult(const T*, int, T*, int, RuxImageSize)>;
template <class T>
using CFn = std::function<RuxResult(const T*, int, const T*, T*, int, RuxImageSize)>;
template <class T>
using CIFn = std::function<RuxResult(const T*, T*, int, RuxImageSize)>;

template <class T>
struct MulApi {
  PairFn<T> r[4];
  PairIFn<T> ir[4];
  CFn<T> cr[4];
  CIFn<T> cir[4];
};

#define RUX_MUL_API(type, T)                                                                         \
  MulApi<T> mulApi(T*) {                                                                             \
    MulApi<T> a;                                                                                     \
    a.r[0] = ruxiMulScale_##type##_C1R, a.r[1] = ruxiMulScale_##type##_C3R;                          \
    a.r[2] = ruxiMulScale_##type##_C4R, a.r[3] = ruxiMulScale_##type##_AC4R;                         \
    a.ir[0] = ruxiMulScale_##type##_C1IR, a.ir[1] = ruxiMulScale_##type##_C3IR;                      \
    a.ir[2] = ruxiMulScale_##type##_C4IR, a.ir[3] = ruxiMulScale_##type##_AC4IR;                     \
    a.cr[0] = [](const T* s, int ss, const T* v, T* d, int ds, RuxImageSize z) {                     \
      return ruxiMulCScale_##type##_C1R(s, ss, v[0], d, ds, z);                                      \
    };                                                                                               \
    a.cr[1] = ruxiMulCScale_##type##_C3R, a.cr[2] = ruxiMulCScale_##type##_C4R;                      \
    a.cr[3] = ruxiMulCScale_##type##_AC4R;                                                           \
    a.cir[0] = [](const T* v, T* d, int ds, RuxImageSize z) { return ruxiMulCScale_##type##_C1IR(v[0], d, ds, z); }; \
    a.cir[1] = ruxiMulCScale_##type##_C3IR, a.cir[2] = ruxiMulCScale_##type##_C4IR;                  \
    a.cir[3] = ruxiMulCScale_##type##_AC4IR;                                                         \
    return a;                                                                                        \
  }
RUX_MUL_API(8u, Rux8u)
RUX_MUL_API(16u, Rux16u)

template <class T>
class MulScaleTest : public ::testing::Test {};
using MulScaleTypes = ::testing::Types<Rux8u, Rux16u>;
TYPED_TEST_SUITE(MulScaleTest, MulScaleTypes);

TYPED_TEST(MulScaleTest, EveryLayoutAndForm) {
  using T = TypeParam;
  const MulApi<T> api = mulApi(static_cast<T*>(nullptr));
  for (int l = 0; l < 4; ++l) {
    const int ch = kChannels[l];
    const bool ac4 = l == 3;
    for (int w : ruxtest::sweepWidths()) {
      const std::string what = std::string(kLayoutNames[l]) + " width " + std::to_string(w);
      GuardedImage<T> a(w, 2, ch, 1 + w, 1), b(w, 2, ch, 2 + w, 2), dst(w, 2, ch, 3 + w, 3);
      auto want = ruxref::pointwise(dst, ac4, [&](int x, int y, int c) { return ruxref::mulScale(a.at(x, y, c), b.at(x, y, c)); });
      ASSERT_EQ(api.r[l](a.data(), a.step(), b.data(), b.step(), dst.data(), dst.step(), {w, 2}), 0);
      ASSERT_TRUE(regionEquals(dst, want)) << what;
      ASSERT_TRUE(dst.check(ac4 ? 0x7 : 0xf)) << what;
      want = ruxref::pointwise(b, ac4, [&](int x, int y, int c) { return ruxref::mulScale(a.at(x, y, c), b.at(x, y, c)); });
      ASSERT_EQ(api.ir[l](a.data(), a.step(), b.data(), b.step(), {w, 2}), 0);
      ASSERT_TRUE(regionEquals(b, want)) << what << " in place";
      ASSERT_TRUE(b.check(ac4 ? 0x7 : 0xf)) << what;
      std::mt19937 rng(w);
      const T v[4] = {ruxtest::randomValue<T>(rng), ruxtest::randomValue<T>(rng), ruxtest::randomValue<T>(rng),
                      ruxtest::randomValue<T>(rng)};
      GuardedImage<T> cd(w, 2, ch, 4 + w, 4);
      want = ruxref::pointwise(cd, ac4, [&](int x, int y, int c) { return ruxref::mulScale(a.at(x, y, c), v[l == 0 ? 0 : c]); });
      ASSERT_EQ(api.cr[l](a.data(), a.step(), v, cd.data(), cd.step(), {w, 2}), 0);
      ASSERT_TRUE(regionEquals(cd, want)) << what << " constant";
      ASSERT_TRUE(cd.check(ac4 ? 0x7 : 0xf)) << what;
      want = ruxref::pointwise(a, ac4, [&](int x, int y, int c) { return ruxref::mulScale(a.at(x, y, c), v[l == 0 ? 0 : c]); });
      ASSERT_EQ(api.cir[l](v, a.data(), a.step(), {w, 2}), 0);
      ASSERT_TRUE(regionEquals(a, want)) << what << " constant in place";
      ASSERT_TRUE(a.check(ac4 ? 0x7 : 0xf)) << what;
    }
  }
}

// 8u: every operand pair. 16u: every first operand against the products' edge cases.
TYPED_TEST(MulScaleTest, ExhaustiveOperands) {
  using T = TypeParam;
  const std::vector<int> seconds = sizeof(T) == 1
      ? [] { std::vector<int> v; for (int i = 0; i < 256; ++i) v.push_back(i); return v; }()
      : std::vector<int>{0, 1, 2, 255, 256, 257, 32767, 32768, 32769, 65279, 65280, 65281, 65533, 65534, 65535};
  const int count = 1 << (8 * sizeof(T));
  const int w = 256, h = count / w;
  GuardedImage<T> a(w, h, 1, 1), b(w, h, 1, 2), dst(w, h, 1, 3);
  for (int i = 0; i < count; ++i) a.row(i / w)[i % w] = static_cast<T>(i);
  for (int second : seconds) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.at(x, y, 0) = static_cast<T>(second);
    const MulApi<T> api = mulApi(static_cast<T*>(nullptr));
    ASSERT_EQ(api.r[0](a.data(), a.step(), b.data(), b.step(), dst.data(), dst.step(), {w, h}), 0);
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(dst.row(i / w)[i % w], ruxref::mulScale(static_cast<T>(i), static_cast<T>(second))) << i << " x " << second;
  }
}

template <class T>
using ExtFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize);
#define RUX_EXT_API(type)                                                                        \
  {ruxiMaxEvery_##type##_C1IR, ruxiMaxEvery_##type##_C3IR, ruxiMaxEvery_##type##_C4IR,           \
   ruxiMaxEvery_##type##_AC4IR},                                                                 \
  {                                                                                              \
    ruxiMinEvery_##type##_C1IR, ruxiMinEvery_##type##_C3IR, ruxiMinEvery_##type##_C4IR,          \
        ruxiMinEvery_##type##_AC4IR                                                              \
  }
template <class T>
struct ExtApi {
  ExtFn<T> max[4], min[4];
};
ExtApi<Rux8u> extApi(Rux8u*) { return {RUX_EXT_API(8u)}; }
ExtApi<Rux16u> extApi(Rux16u*) { return {RUX_EXT_API(16u)}; }
ExtApi<Rux16s> extApi(Rux16s*) { return {RUX_EXT_API(16s)}; }
ExtApi<Rux32f> extApi(Rux32f*) { return {RUX_EXT_API(32f)}; }

TYPED_TEST(UnaryTest, MaxEveryMinEvery) {
  using T = TypeParam;
  const ExtApi<T> api = extApi(static_cast<T*>(nullptr));
  for (int l = 0; l < 4; ++l) {
    for (int w : ruxtest::sweepWidths()) {
      for (int isMax = 0; isMax < 2; ++isMax) {
        GuardedImage<T> src(w, 2, kChannels[l], 60 + w, 2), io(w, 2, kChannels[l], 70 + w, 3);
        if constexpr (std::is_floating_point_v<T>) {  // some NaN and equal samples
          io.at(0, 0, 0) = std::numeric_limits<T>::quiet_NaN();
          src.at(w - 1, 1, 0) = std::numeric_limits<T>::quiet_NaN();
          src.at(w / 2, 0, 0) = io.at(w / 2, 0, 0);
          io.snapshot();
          src.snapshot();
        }
        const auto want = ruxref::pointwise(io, l == 3, [&](int x, int y, int c) {
          return isMax ? ruxref::maxEvery(src.at(x, y, c), io.at(x, y, c)) : ruxref::minEvery(src.at(x, y, c), io.at(x, y, c));
        });
        ASSERT_EQ((isMax ? api.max : api.min)[l](src.data(), src.step(), io.data(), io.step(), {w, 2}), 0);
        const int n = w * kChannels[l];
        for (int y = 0; y < 2; ++y)
          for (int i = 0; i < n; ++i) ASSERT_TRUE(same(io.row(y)[i], want[y * n + i], 0)) << kLayoutNames[l] << " " << w;
        ASSERT_TRUE(io.check(l == 3 ? 0x7 : 0xf));
      }
    }
  }
}

// Rows advance by the caller's step even when it is not a multiple of the sample size.
TEST(Unary, OddStepsWalkRowsAsGiven) {
  const int w = 37, h = 4;
  for (int sample : {2, 4}) {
    const int step = w * sample + 3;
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(step) * h + 16), out(buf.size());
    std::mt19937 rng(3);
    for (auto& b : buf) b = static_cast<std::uint8_t>(rng() % 100);  // positive floats, no NaN
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    const std::vector<std::uint8_t> before = out;
    RuxResult st;
    if (sample == 2) {
      st = ruxiAbs_16s_C1R(reinterpret_cast<const Rux16s*>(buf.data()), step,
                           reinterpret_cast<Rux16s*>(out.data()), step, {w, h});
    } else {
      st = ruxiSqrt_32f_C1R(reinterpret_cast<const Rux32f*>(buf.data()), step,
                            reinterpret_cast<Rux32f*>(out.data()), step, {w, h});
    }
    ASSERT_EQ(st, 0);
    for (std::size_t i = 0; i < out.size(); ++i) {
      const std::size_t y = i / step, inRow = i % step;
      if (y >= static_cast<std::size_t>(h) || inRow >= static_cast<std::size_t>(w * sample)) {
        ASSERT_EQ(out[i], before[i]) << "byte " << i << " outside the region changed";
        continue;
      }
      if (inRow % sample != 0) continue;
      if (sample == 2) {
        Rux16s v, r;
        std::memcpy(&v, &buf[i], 2);
        std::memcpy(&r, &out[i], 2);
        ASSERT_EQ(r, ruxref::abs16s(v));
      } else {
        float v, r;
        std::memcpy(&v, &buf[i], 4);
        std::memcpy(&r, &out[i], 4);
        ASSERT_EQ(r, static_cast<float>(std::sqrt(static_cast<long double>(v))));
      }
    }
  }
}

TEST(Unary, ValidationOrder) {
  GuardedImage<Rux8u> a(8, 2, 1, 1), b(8, 2, 1, 2);
  GuardedImage<Rux16u> c3(8, 2, 3, 3);
  GuardedImage<Rux32s> s32(8, 2, 1, 4);
  const Rux16u v3[3] = {1, 2, 3};
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiSqr_8u_C1RSfs(nullptr, 8, b.data(), b.step(), {8, 2}, 0); }, ruxStatusNullPointer},
          {"null before size", [&] { return ruxiSqrt_8u_C1IRSfs(nullptr, 8, {0, 2}, 0); }, ruxStatusNullPointer},
          {"null constant array", [&] { return ruxiMulCScale_16u_C3IR(nullptr, c3.data(), c3.step(), {8, 2}); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiMaxEvery_8u_C1IR(a.data(), a.step(), nullptr, 8, {8, 2}); }, ruxStatusNullPointer},
          {"Sqr: size before step", [&] { return ruxiSqr_8u_C1RSfs(a.data(), 0, b.data(), b.step(), {0, 2}, 0); }, ruxStatusBadSize},
          {"Ln: step", [&] { return ruxiLn_8u_C1RSfs(a.data(), a.step(), b.data(), 0, {8, 2}, 0); }, ruxStatusBadStep},
          {"MinEvery: negative step", [&] { return ruxiMinEvery_8u_C1IR(a.data(), -8, b.data(), b.step(), {8, 2}); }, ruxStatusBadStep},
          {"MulCScale: step before size", [&] { return ruxiMulCScale_8u_C1R(a.data(), 0, 3, b.data(), b.step(), {0, 2}); }, ruxStatusBadStep},
          {"MulScale: step before size", [&] { return ruxiMulScale_8u_C1IR(a.data(), a.step(), b.data(), 0, {8, 0}); }, ruxStatusBadStep},
          {"MulScale: height 0", [&] { return ruxiMulScale_8u_C1R(a.data(), a.step(), a.data(), a.step(), b.data(), b.step(), {8, 0}); }, ruxStatusBadSize},
          {"Complement: step before size", [&] { return ruxiComplement_32s_C1IR(s32.data(), 0, {0, 2}); }, ruxStatusBadStep},
          {"Complement: null", [&] { return ruxiComplement_32s_C1IR(nullptr, 0, {0, 2}); }, ruxStatusNullPointer},
          {"Exp: width 0", [&] { return ruxiExp_16u_C3RSfs(c3.data(), c3.step(), c3.data(), c3.step(), {0, 2}, 1); }, ruxStatusBadSize},
          {"MulCScale: width 0", [&] { return ruxiMulCScale_16u_C3IR(v3, c3.data(), c3.step(), {0, 2}); }, ruxStatusBadSize},
      },
      a, b, c3, s32);
}

}  // namespace
