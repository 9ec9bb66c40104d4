// Threshold forms against the reference: every type, layout and form over widths that cross every
// vector length, with thresholds planted in the data (ties), float NaN, infinities and signed
// zeros, all 8-bit samples against several thresholds, AC4 alpha, in place, the validation order,
// and the Otsu level against a brute-force evaluation.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ref/logic_ref.h"  // pointwise expectation with AC4 alpha kept
#include "ref/threshold_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

enum Layout { kC1, kC3, kC4, kAC4 };
constexpr int kChannels[4] = {1, 3, 4, 4};
const char* const kLayoutNames[4] = {"C1", "C3", "C4", "AC4"};

// Arguments of every form: t/v (the one-sided forms and the LT side), t2/v2 (the GT side).
template <class T>
struct Args {
  T t[4], v[4], t2[4], v2[4];
  int op;
};

template <class T>
using RFn = std::function<RuxResult(const T*, int, T*, int, RuxImageSize, const Args<T>&)>;
template <class T>
using IFn = std::function<RuxResult(T*, int, RuxImageSize, const Args<T>&)>;

enum Form { kThreshold, kLT, kGT, kVal, kLTVal, kGTVal, kLTValGTVal, kForms };
const char* const kFormNames[kForms] = {"Threshold", "LT", "GT", "Val", "LTVal", "GTVal", "LTValGTVal"};

template <class T>
struct Api {
  RFn<T> r[kForms][4];  // empty where the layout does not exist
  IFn<T> ir[kForms][4];
};

#define RUX_A_C1(a) (a)[0]
#define RUX_A_C3(a) (a)
#define RUX_A_C4(a) (a)
#define RUX_A_AC4(a) (a)
#define RUX_OP static_cast<RuxCompareOp>(p.op)

#define RUX_FORM(F, L, fn, lay, ...)                                                             \
  api.r[F][L] = [](const T* s, int ss, T* d, int ds, RuxImageSize z, const Args<T>& p) {         \
    return fn##_##lay##R(s, ss, d, ds, z, __VA_ARGS__);                                          \
  };                                                                                             \
  api.ir[F][L] = [](T* d, int ds, RuxImageSize z, const Args<T>& p) {                            \
    return fn##_##lay##IR(d, ds, z, __VA_ARGS__);                                                \
  };

#define RUX_SINGLE(type, L, lay)                                                                 \
  RUX_FORM(kThreshold, L, ruxiThreshold_##type, lay, RUX_A_##lay(p.t), RUX_OP)                   \
  RUX_FORM(kLT, L, ruxiThreshold_LT_##type, lay, RUX_A_##lay(p.t))                               \
  RUX_FORM(kGT, L, ruxiThreshold_GT_##type, lay, RUX_A_##lay(p.t))                               \
  RUX_FORM(kVal, L, ruxiThreshold_Val_##type, lay, RUX_A_##lay(p.t), RUX_A_##lay(p.v), RUX_OP)   \
  RUX_FORM(kLTValGTVal, L, ruxiThreshold_LTValGTVal_##type, lay, RUX_A_##lay(p.t),               \
           RUX_A_##lay(p.v), RUX_A_##lay(p.t2), RUX_A_##lay(p.v2))
#define RUX_SIDED(type, L, lay)                                                                  \
  RUX_FORM(kLTVal, L, ruxiThreshold_LTVal_##type, lay, RUX_A_##lay(p.t), RUX_A_##lay(p.v))       \
  RUX_FORM(kGTVal, L, ruxiThreshold_GTVal_##type, lay, RUX_A_##lay(p.t), RUX_A_##lay(p.v))

#define RUX_API(type, TT)                                                                        \
  Api<TT> makeApi(TT*) {                                                                         \
    using T = TT;                                                                                \
    Api<T> api;                                                                                  \
    RUX_SINGLE(type, kC1, C1) RUX_SINGLE(type, kC3, C3) RUX_SINGLE(type, kAC4, AC4)              \
    RUX_SIDED(type, kC1, C1) RUX_SIDED(type, kC3, C3) RUX_SIDED(type, kC4, C4)                   \
    RUX_SIDED(type, kAC4, AC4)                                                                   \
    return api;                                                                                  \
  }
RUX_API(8u, Rux8u)
RUX_API(16u, Rux16u)
RUX_API(16s, Rux16s)
RUX_API(32f, Rux32f)

template <class T>
T expected(Form f, const Args<T>& p, T x, int c) {
  switch (f) {
    case kThreshold:
      return p.op == 0 ? ruxref::clampBelow(x, p.t[c]) : ruxref::clampAbove(x, p.t[c]);
    case kLT: return ruxref::clampBelow(x, p.t[c]);
    case kGT: return ruxref::clampAbove(x, p.t[c]);
    case kVal:
      return p.op == 0 ? ruxref::replaceBelow(x, p.t[c], p.v[c]) : ruxref::replaceAbove(x, p.t[c], p.v[c]);
    case kLTVal: return ruxref::replaceBelow(x, p.t[c], p.v[c]);
    case kGTVal: return ruxref::replaceAbove(x, p.t[c], p.v[c]);
    default: return ruxref::replaceOutside(x, p.t[c], p.v[c], p.t2[c], p.v2[c]);
  }
}

// Samples that sit on or around the thresholds, the ends of the range and, for floats, NaN,
// infinities and signed zeros.
template <class T>
std::vector<T> specials(const Args<T>& p) {
  std::vector<T> s = {std::numeric_limits<T>::lowest(), std::numeric_limits<T>::max(), T(0)};
  for (int c = 0; c < 4; ++c) {
    s.push_back(p.t[c]);
    s.push_back(p.t2[c]);
    if (p.t[c] > std::numeric_limits<T>::lowest()) s.push_back(static_cast<T>(p.t[c] - 1));
    if (p.t2[c] < std::numeric_limits<T>::max()) s.push_back(static_cast<T>(p.t2[c] + 1));
  }
  if constexpr (std::is_floating_point_v<T>) {
    for (T f : {std::numeric_limits<T>::quiet_NaN(), std::numeric_limits<T>::infinity(),
                -std::numeric_limits<T>::infinity(), T(-0.0), std::nextafter(p.t[0], T(1e9))}) {
      s.push_back(f);
    }
  }
  return s;
}

template <class T>
void plant(GuardedImage<T>& img, const std::vector<T>& values, std::mt19937& rng) {
  for (int y = 0; y < img.height(); ++y) {
    for (int i = 0; i < img.width() * img.channels(); ++i) {
      if (rng() % 3 == 0) img.row(y)[i] = values[rng() % values.size()];
    }
  }
  img.snapshot();
}

// Threshold arguments: per-channel (or shared) thresholds with t <= t2.
template <class T>
Args<T> randomArgs(std::mt19937& rng, bool shared, int op) {
  Args<T> p{};
  for (int c = 0; c < 4; ++c) {
    const int k = shared ? 0 : c;
    if (k < c) {
      p.t[c] = p.t[0], p.v[c] = p.v[0], p.t2[c] = p.t2[0], p.v2[c] = p.v2[0];
      continue;
    }
    T a = ruxtest::randomValue<T>(rng), b = ruxtest::randomValue<T>(rng);
    if (b < a) std::swap(a, b);
    p.t[c] = a, p.t2[c] = b;
    p.v[c] = ruxtest::randomValue<T>(rng), p.v2[c] = ruxtest::randomValue<T>(rng);
  }
  p.op = op;
  return p;
}

template <class T>
class ThresholdTest : public ::testing::Test {};
using SampleTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(ThresholdTest, SampleTypes);

TYPED_TEST(ThresholdTest, EveryFormAndLayoutMatchesTheReference) {
  using T = TypeParam;
  const Api<T> api = makeApi(static_cast<T*>(nullptr));
  std::mt19937 rng(7);
  for (int f = 0; f < kForms; ++f) {
    for (int op : {0, 4}) {
      if (op == 4 && f != kThreshold && f != kVal) continue;
      for (int l = 0; l < 4; ++l) {
        if (!api.r[f][l]) continue;
        const bool ac4 = l == kAC4;
        const std::uint32_t writable = ac4 ? 0x7 : 0xf;
        for (int w : ruxtest::sweepWidths()) {
          const Args<T> p = randomArgs<T>(rng, w % 4 == 0, op);  // shared channels now and then
          const std::string what = std::string(kFormNames[f]) + " op " + std::to_string(op) + " " +
                                   kLayoutNames[l] + " width " + std::to_string(w);
          const int ch = kChannels[l];
          GuardedImage<T> src(w, 3, ch, 100 + w, 1), dst(w, 3, ch, 200 + w, 2);
          plant(src, specials(p), rng);
          const auto want = ruxref::pointwise(dst, ac4, [&](int x, int y, int c) {
            return expected<T>(static_cast<Form>(f), p, src.at(x, y, c), c);
          });
          ASSERT_EQ(api.r[f][l](src.data(), src.step(), dst.data(), dst.step(), src.size(), p), 0) << what;
          ASSERT_TRUE(regionEquals(dst, want)) << what;
          ASSERT_TRUE(dst.check(writable)) << what;
          ASSERT_TRUE(src.unchanged()) << what;
          // In place: the source receives the same samples; its own alpha stays.
          const auto wantI = ruxref::pointwise(src, ac4, [&](int x, int y, int c) {
            return expected<T>(static_cast<Form>(f), p, src.at(x, y, c), c);
          });
          ASSERT_EQ(api.ir[f][l](src.data(), src.step(), src.size(), p), 0) << what;
          ASSERT_TRUE(regionEquals(src, wantI)) << what << " in place";
          ASSERT_TRUE(src.check(writable)) << what << " in place";
        }
      }
    }
  }
}

// Every 8-bit sample against thresholds at and next to the ends of the range.
TEST(ThresholdExhaustive, AllSamplesAgainstSeveralThresholds) {
  GuardedImage<Rux8u> src(256, 1, 1, 1), dst(256, 1, 1, 2);
  for (int x = 0; x < 256; ++x) src.at(x, 0, 0) = static_cast<Rux8u>(x);
  src.snapshot();
  const Api<Rux8u> api = makeApi(static_cast<Rux8u*>(nullptr));
  for (int t : {0, 1, 99, 100, 127, 128, 254, 255}) {
    for (int t2 : {t, 200, 255}) {
      if (t2 < t) continue;
      Args<Rux8u> p{};
      p.t[0] = Rux8u(t), p.v[0] = 7, p.t2[0] = Rux8u(t2), p.v2[0] = 250;
      for (int f = 0; f < kForms; ++f) {
        for (int op : {0, 4}) {
          p.op = op;
          ASSERT_EQ(api.r[f][kC1](src.data(), src.step(), dst.data(), dst.step(), {256, 1}, p), 0);
          for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(dst.at(x, 0, 0), expected<Rux8u>(static_cast<Form>(f), p, Rux8u(x), 0))
                << kFormNames[f] << " op " << op << " t " << t << " t2 " << t2 << " x " << x;
          }
        }
      }
    }
  }
  EXPECT_TRUE(dst.check(1));
}

TEST(ThresholdExamples, StrictComparisonsAndFloatNaN) {
  Rux8u in[3] = {99, 100, 101}, out[3];
  ASSERT_EQ(ruxiThreshold_8u_C1R(in, 3, out, 3, {3, 1}, 100, ruxCompareGreater), 0);
  EXPECT_EQ(out[0], 99); EXPECT_EQ(out[1], 100); EXPECT_EQ(out[2], 100);
  ASSERT_EQ(ruxiThreshold_8u_C1R(in, 3, out, 3, {3, 1}, 100, ruxCompareLess), 0);
  EXPECT_EQ(out[0], 100); EXPECT_EQ(out[1], 100); EXPECT_EQ(out[2], 101);
  ASSERT_EQ(ruxiThreshold_LTVal_8u_C1R(in, 3, out, 3, {3, 1}, 100, 0), 0);
  EXPECT_EQ(out[0], 0); EXPECT_EQ(out[1], 100); EXPECT_EQ(out[2], 101);

  const float nan = std::numeric_limits<float>::quiet_NaN();
  alignas(16) float f[4] = {nan, nan, nan, nan};
  alignas(16) float g[4];
  ASSERT_EQ(ruxiThreshold_GT_32f_C1R(f, 16, g, 16, {4, 1}, 5.0f), 0);
  for (float x : g) EXPECT_EQ(x, 5.0f);
  ASSERT_EQ(ruxiThreshold_LT_32f_C1R(f, 16, g, 16, {4, 1}, -5.0f), 0);
  for (float x : g) EXPECT_EQ(x, -5.0f);
  ASSERT_EQ(ruxiThreshold_GTVal_32f_C1R(f, 16, g, 16, {4, 1}, 5.0f, 1.0f), 0);
  for (float x : g) EXPECT_TRUE(std::isnan(x));
  ASSERT_EQ(ruxiThreshold_LTValGTVal_32f_C1R(f, 16, g, 16, {4, 1}, -1.0f, 0.0f, 1.0f, 0.0f), 0);
  for (float x : g) EXPECT_TRUE(std::isnan(x));
}

constexpr float kMinusOne = -1.0f;

// Destinations too large to stay in cache are written with cache-bypassing stores after a plain
// head up to the vector alignment; the samples are the plain ones (rows start off the alignment,
// and a C3 image with shared thresholds runs as one-channel rows).
TEST(ThresholdExamples, LargeDestinationsMatchTheReference) {
  const int w = 1999, h = 2 * 1100 + 1;  // more than 32 MiB read and written
  GuardedImage<Rux32f> src(w, h, 1, 41), dst(w, h, 1, 42, 3);
  float* out = dst.data() + 1;
  ASSERT_EQ(ruxiThreshold_LTVal_32f_C1R(src.data(), src.step(), out, dst.step(), {w - 1, h}, 0.25f, -1.0f), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w - 1; ++x) {
      const float a = src.at(x, y, 0), b = out[static_cast<std::ptrdiff_t>(y) * (dst.step() / 4) + x];
      if (std::memcmp(&b, a < 0.25f ? &kMinusOne : &a, 4) != 0) FAIL() << x << "," << y;
    }
  }
  EXPECT_TRUE(dst.check());
  const int w3 = 1500;
  GuardedImage<Rux16u> src3(w3, h, 3, 43), dst3(w3, h, 3, 44, 1);
  const Rux16u t[3] = {30000, 30000, 30000};
  ASSERT_EQ(ruxiThreshold_GT_16u_C3R(src3.data(), src3.step(), dst3.data(), dst3.step(), dst3.size(), t), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w3; ++x)
      for (int c = 0; c < 3; ++c)
        if (dst3.at(x, y, c) != std::min<Rux16u>(src3.at(x, y, c), 30000)) FAIL() << x << "," << y << "," << c;
  EXPECT_TRUE(dst3.check());
}

TEST(ThresholdValidation, OrderAndStatuses) {
  GuardedImage<Rux8u> src(8, 2, 3, 1), dst(8, 2, 3, 2);
  const Rux8u* s = src.data();
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  const Rux8u t3[3] = {10, 10, 10}, v3[3] = {1, 2, 3}, bad[3] = {20, 9, 20}, eq[3] = {10, 10, 10};
  const auto op = [](int v) { return static_cast<RuxCompareOp>(v); };
  ruxtest::expectRejections(
      {
          {"C1 null source", [&] { return ruxiThreshold_8u_C1R(nullptr, ss, d, ds, {8, 2}, 1, op(0)); }, ruxStatusNullPointer},
          {"null before op", [&] { return ruxiThreshold_8u_C1R(s, ss, nullptr, ds, {8, 2}, 1, op(2)); }, ruxStatusNullPointer},
          {"op equal", [&] { return ruxiThreshold_8u_C1R(s, ss, d, ds, {8, 2}, 1, op(2)); }, ruxStatusUnsupportedMode},
          {"op 1", [&] { return ruxiThreshold_8u_C3R(s, ss, d, ds, {8, 2}, t3, op(1)); }, ruxStatusUnsupportedMode},
          {"width 0", [&] { return ruxiThreshold_GT_8u_C1R(s, ss, d, ds, {0, 2}, 1); }, ruxStatusBadSize},
          {"height 0 before step", [&] { return ruxiThreshold_GT_8u_C1R(s, 0, d, ds, {8, 0}, 1); }, ruxStatusBadSize},
          {"source step", [&] { return ruxiThreshold_LT_8u_C1R(s, 0, d, ds, {8, 2}, 1); }, ruxStatusBadStep},
          {"destination step", [&] { return ruxiThreshold_LT_8u_C1R(s, ss, d, -ds, {8, 2}, 1); }, ruxStatusBadStep},
          {"in-place step", [&] { return ruxiThreshold_LT_8u_C3IR(d, 0, {8, 2}, t3); }, ruxStatusBadStep},
          {"step before array", [&] { return ruxiThreshold_8u_C3R(s, 0, d, ds, {8, 2}, nullptr, op(0)); }, ruxStatusBadStep},
          {"null array", [&] { return ruxiThreshold_8u_C3R(s, ss, d, ds, {8, 2}, nullptr, op(0)); }, ruxStatusNullPointer},
          {"null array before op", [&] { return ruxiThreshold_8u_C3R(s, ss, d, ds, {8, 2}, nullptr, op(3)); }, ruxStatusNullPointer},
          {"Val op first", [&] { return ruxiThreshold_Val_8u_C1R(nullptr, ss, nullptr, ds, {0, 0}, 1, 1, op(1)); }, ruxStatusUnsupportedMode},
          {"Val null", [&] { return ruxiThreshold_Val_8u_C1R(nullptr, ss, d, ds, {8, 2}, 1, 1, op(4)); }, ruxStatusNullPointer},
          {"Val null value", [&] { return ruxiThreshold_Val_8u_C3R(s, ss, d, ds, {8, 2}, t3, nullptr, op(0)); }, ruxStatusNullPointer},
          {"Val step", [&] { return ruxiThreshold_Val_8u_C3IR(d, 0, {8, 2}, t3, v3, op(0)); }, ruxStatusBadStep},
          {"LTVal C4 null value", [&] { return ruxiThreshold_LTVal_8u_C4R(s, ss, d, ds, {6, 2}, t3, nullptr); }, ruxStatusNullPointer},
          {"thresholds crossed", [&] { return ruxiThreshold_LTValGTVal_8u_C3R(s, ss, d, ds, {8, 2}, t3, v3, bad, v3); }, ruxStatusBadThresholds},
          {"crossed, size first", [&] { return ruxiThreshold_LTValGTVal_8u_C3R(s, ss, d, ds, {8, -1}, t3, v3, bad, v3); }, ruxStatusBadSize},
          {"crossed, null first", [&] { return ruxiThreshold_LTValGTVal_8u_C3R(s, ss, d, ds, {8, 2}, t3, nullptr, bad, v3); }, ruxStatusNullPointer},
          {"crossed C1", [&] { return ruxiThreshold_LTValGTVal_32f_C1IR(reinterpret_cast<Rux32f*>(d), ds, {2, 2}, 2.f, 0.f, 1.f, 0.f); }, ruxStatusBadThresholds},
      },
      src, dst);
  EXPECT_EQ(ruxiThreshold_LTValGTVal_8u_C3R(s, ss, d, ds, {8, 2}, t3, v3, eq, v3), 0);  // tLT = tGT
  EXPECT_TRUE(dst.check());
}

// ---- Otsu -----------------------------------------------------------------------------------------

void histogramOf(const GuardedImage<Rux8u>& img, double (&h)[256]) {
  for (double& c : h) c = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) h[img.at(x, y, 0)] += 1;
}

int otsuOf(const GuardedImage<Rux8u>& img) {
  Rux8u level = 77;
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(img.data(), img.step(), img.size(), &level), 0);
  EXPECT_TRUE(img.unchanged());
  return level;
}

TEST(Otsu, RandomImagesMatchBruteForce) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 60; ++trial) {
    const int w = 1 + static_cast<int>(rng() % 97), h = 1 + static_cast<int>(rng() % 9);
    GuardedImage<Rux8u> img(w, h, 1, 50 + trial, trial % 5);
    // Mixtures of two or three clusters, or uniform noise.
    const int centres[3] = {static_cast<int>(rng() % 256), static_cast<int>(rng() % 256), static_cast<int>(rng() % 256)};
    const int spread = 1 + static_cast<int>(rng() % 40);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int v = trial % 4 == 0 ? static_cast<int>(rng() % 256)
                                     : centres[rng() % 3] + static_cast<int>(rng() % spread) - spread / 2;
        img.at(x, y, 0) = static_cast<Rux8u>(std::clamp(v, 0, 255));
      }
    img.snapshot();
    double hist[256];
    histogramOf(img, hist);
    EXPECT_EQ(otsuOf(img), ruxref::otsu(hist)) << "trial " << trial;
  }
}

TEST(Otsu, ConstructedHistograms) {
  const auto image = [](std::vector<int> samples) {
    GuardedImage<Rux8u> img(static_cast<int>(samples.size()), 1, 1, 9, 3);
    for (std::size_t i = 0; i < samples.size(); ++i) img.at(static_cast<int>(i), 0, 0) = Rux8u(samples[i]);
    img.snapshot();
    return img;
  };
  EXPECT_EQ(otsuOf(image(std::vector<int>(37, 143))), 0);        // one level: no split
  EXPECT_EQ(otsuOf(image({0, 255, 0, 255, 255, 0})), 0);         // equal maxima: the first wins
  EXPECT_EQ(otsuOf(image({10, 10, 10, 200})), 10);               // empty bins between classes
  EXPECT_EQ(otsuOf(image({0, 255})), 0);
  EXPECT_EQ(otsuOf(image({40, 41})), 40);
  EXPECT_EQ(otsuOf(image({255, 255, 255, 254})), 254);           // class 1 at the top bin
  // Three equal clusters: both splits give the same variance; the lower one wins.
  EXPECT_EQ(otsuOf(image({20, 20, 120, 120, 220, 220})), 20);
}

TEST(Otsu, LargeImageMatchesBruteForce) {
  GuardedImage<Rux8u> img(1031, 257, 1, 5);
  double hist[256];
  histogramOf(img, hist);
  EXPECT_EQ(otsuOf(img), ruxref::otsu(hist));
}

TEST(Otsu, Validation) {
  GuardedImage<Rux8u> img(16, 2, 1, 4);
  Rux8u level = 99;
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(nullptr, img.step(), img.size(), &level), ruxStatusNullPointer);
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(img.data(), img.step(), img.size(), nullptr), ruxStatusNullPointer);
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(img.data(), img.step(), {0, 2}, &level), ruxStatusBadSize);
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(img.data(), 15, {16, 2}, &level), ruxStatusBadStep);
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(img.data(), -64, {16, 2}, &level), ruxStatusBadStep);
  EXPECT_EQ(level, 99);
  EXPECT_EQ(ruxiComputeThreshold_Otsu_8u_C1R(img.data(), 16, {16, 2}, &level), ruxStatusOk);  // step = width
}

}  // namespace
