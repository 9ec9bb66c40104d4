// Convert and Scale: every exported form against the wide-type reference on random rows of
// every width class (guard bands, own step per operand, AC4 alpha kept), every 8- and 16-bit
// source value, float special values (ties, huge, inf, NaN) under every processor rounding
// mode, and the validation order.
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "ref/convert_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

template <class S, class D>
using Fn = std::function<RuxResult(const S*, int, D*, int, RuxImageSize)>;
template <class S, class D>
using Ref = std::function<D(S)>;

constexpr int kFpModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};

template <class S, class D>
std::vector<D> expected(const GuardedImage<S>& src, const GuardedImage<D>& dst, bool alpha,
                        const Ref<S, D>& ref) {
  std::vector<D> out;
  for (int y = 0; y < dst.height(); ++y)
    for (int x = 0; x < dst.width(); ++x)
      for (int c = 0; c < dst.channels(); ++c)
        out.push_back(alpha && c == 3 ? dst.savedAt(x, y, c) : ref(src.at(x, y, c)));
  return out;
}

// Random rows over every width class; the destination has its own padding.
template <class S, class D>
void checkLayout(const std::string& name, const Fn<S, D>& fn, int channels, bool alpha,
                 const Ref<S, D>& ref) {
  for (int w : ruxtest::sweepWidths()) {
    for (int h : {1, 3}) {
      GuardedImage<S> src(w, h, channels, 100 + w, 1);
      GuardedImage<D> dst(w, h, channels, 200 + w, 3);
      ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), {w, h}), ruxStatusOk) << name;
      ASSERT_TRUE(regionEquals(dst, expected(src, dst, alpha, ref))) << name << " width " << w;
      ASSERT_TRUE(dst.check(alpha ? 7u : 0xffffffffu)) << name << " width " << w;
      ASSERT_TRUE(src.unchanged()) << name;
    }
  }
  // Contiguous rows are converted as one row.
  GuardedImage<S> src(33, 4, channels, 7, 0, true);
  GuardedImage<D> dst(33, 4, channels, 8, 0, true);
  ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), {33, 4}), ruxStatusOk) << name;
  ASSERT_TRUE(regionEquals(dst, expected(src, dst, alpha, ref))) << name << " contiguous";
}

// Given values, one row, C1; the call runs under the processor rounding mode fpMode, which it
// must leave as it found it. The expectation is computed beforehand under round-to-nearest.
template <class S, class D>
void checkValues(const std::string& name, const Fn<S, D>& fn, const std::vector<S>& values,
                 const Ref<S, D>& ref) {
  const int w = static_cast<int>(values.size());
  GuardedImage<S> src(w, 1, 1, 5);
  for (int x = 0; x < w; ++x) src.at(x, 0, 0) = values[x];
  src.snapshot();
  for (int mode : kFpModes) {
    GuardedImage<D> dst(w, 1, 1, 6);
    const std::vector<D> want = expected(src, dst, false, ref);
    std::fesetround(mode);
    const RuxResult status = fn(src.data(), src.step(), dst.data(), dst.step(), {w, 1});
    const int after = std::fegetround();
    std::fesetround(FE_TONEAREST);
    ASSERT_EQ(status, ruxStatusOk) << name;
    ASSERT_EQ(after, mode) << name << ": rounding mode not restored";
    ASSERT_TRUE(regionEquals(dst, want)) << name << " under rounding mode " << mode;
    ASSERT_TRUE(dst.check()) << name;
  }
}

template <class S>
std::vector<S> allValues() {
  std::vector<S> v;
  for (long long x = std::numeric_limits<S>::min(); x <= std::numeric_limits<S>::max(); ++x)
    v.push_back(static_cast<S>(x));
  return v;
}

template <class S>
std::vector<S> edgeValues32() {
  std::vector<S> v = {0, 1, 2, 3, 127, 128, 255, 256, 32767, 32768, 65535, 65536, 16777216,
                      16777217, 16777218, 16777219, 33554431, 33554435, 2147483520, 2147483583,
                      2147483584, 2147483647};
  if constexpr (std::is_signed_v<S>) {
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i) v.push_back(static_cast<S>(-v[i]));
    v.push_back(std::numeric_limits<S>::min());
  } else {
    for (unsigned x : {2147483648u, 4294967040u, 4294967167u, 4294967168u, 4294967295u}) v.push_back(x);
  }
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) v.push_back(ruxtest::randomValue<S>(rng));
  return v;
}

std::vector<float> specialFloats() {
  std::vector<float> v = {0.0f, 0.5f, 1.5f, 2.5f, 3.5f, 2.9f, 0.7f, 0.49999997f, 0.50000006f,
                          2.5000002f, 2.4999998f, 126.5f, 127.5f, 128.5f, 254.5f, 255.5f, 256.5f,
                          300.0f, 32766.5f, 32767.5f, 32768.5f, 65534.5f, 65535.5f, 65536.0f,
                          8388607.5f, 8388609.0f, 16777215.0f, 2147483520.0f, 2147483648.0f,
                          4294967040.0f, 4294967296.0f, 1e10f, 1e30f, FLT_MAX, FLT_MIN, 1e-40f,
                          INFINITY};
  const std::size_t n = v.size();
  for (std::size_t i = 0; i < n; ++i) v.push_back(-v[i]);
  v.push_back(NAN);
  v.push_back(-NAN);
  for (int i = -300; i <= 300; ++i) v.push_back(static_cast<float>(i) + 0.5f);
  return v;
}

template <class S, class D>
Ref<S, D> ref(int mode = 1, int scale = 0) {
  return [=](S v) { return ruxref::convert<S, D>(v, mode, scale); };
}

// ---- value-keeping forms in every layout ----

#define LAYOUTS(st, dt, S, D)                                                                    \
  checkLayout<S, D>("Convert_" #st #dt "_C1R", ruxiConvert_##st##dt##_C1R, 1, false, ref<S, D>()); \
  checkLayout<S, D>("Convert_" #st #dt "_C3R", ruxiConvert_##st##dt##_C3R, 3, false, ref<S, D>()); \
  checkLayout<S, D>("Convert_" #st #dt "_C4R", ruxiConvert_##st##dt##_C4R, 4, false, ref<S, D>()); \
  checkLayout<S, D>("Convert_" #st #dt "_AC4R", ruxiConvert_##st##dt##_AC4R, 4, true, ref<S, D>())

TEST(ConvertTest, ValueKeepingFormsInEveryLayout) {
  LAYOUTS(8u, 16u, Rux8u, Rux16u);
  LAYOUTS(8u, 16s, Rux8u, Rux16s);
  LAYOUTS(8u, 32s, Rux8u, Rux32s);
  LAYOUTS(8u, 32f, Rux8u, Rux32f);
  LAYOUTS(8s, 32s, Rux8s, Rux32s);
  LAYOUTS(8s, 32f, Rux8s, Rux32f);
  LAYOUTS(16u, 32s, Rux16u, Rux32s);
  LAYOUTS(16u, 32f, Rux16u, Rux32f);
  LAYOUTS(16s, 32s, Rux16s, Rux32s);
  LAYOUTS(16s, 32f, Rux16s, Rux32f);
  LAYOUTS(16u, 8u, Rux16u, Rux8u);
  LAYOUTS(16s, 8u, Rux16s, Rux8u);
  LAYOUTS(32s, 8u, Rux32s, Rux8u);
  LAYOUTS(32s, 8s, Rux32s, Rux8s);
  checkLayout<Rux8s, Rux16s>("8s16s", ruxiConvert_8s16s_C1R, 1, false, ref<Rux8s, Rux16s>());
  checkLayout<Rux16u, Rux32u>("16u32u", ruxiConvert_16u32u_C1R, 1, false, ref<Rux16u, Rux32u>());
  checkLayout<Rux32s, Rux32f>("32s32f", ruxiConvert_32s32f_C1R, 1, false, ref<Rux32s, Rux32f>());
  checkLayout<Rux32u, Rux32f>("32u32f", ruxiConvert_32u32f_C1R, 1, false, ref<Rux32u, Rux32f>());
  checkLayout<Rux8s, Rux8u>("8s8u", ruxiConvert_8s8u_C1Rs, 1, false, ref<Rux8s, Rux8u>());
  checkLayout<Rux8s, Rux16u>("8s16u", ruxiConvert_8s16u_C1Rs, 1, false, ref<Rux8s, Rux16u>());
  checkLayout<Rux8s, Rux32u>("8s32u", ruxiConvert_8s32u_C1Rs, 1, false, ref<Rux8s, Rux32u>());
  checkLayout<Rux16s, Rux16u>("16s16u", ruxiConvert_16s16u_C1Rs, 1, false, ref<Rux16s, Rux16u>());
  checkLayout<Rux16s, Rux32u>("16s32u", ruxiConvert_16s32u_C1Rs, 1, false, ref<Rux16s, Rux32u>());
  checkLayout<Rux32s, Rux32u>("32s32u", ruxiConvert_32s32u_C1Rs, 1, false, ref<Rux32s, Rux32u>());
}

TEST(ConvertTest, EverySmallSourceValueAndThirtyTwoBitEdges) {
  checkValues<Rux8u, Rux32f>("8u32f", ruxiConvert_8u32f_C1R, allValues<Rux8u>(), ref<Rux8u, Rux32f>());
  checkValues<Rux8s, Rux32f>("8s32f", ruxiConvert_8s32f_C1R, allValues<Rux8s>(), ref<Rux8s, Rux32f>());
  checkValues<Rux8s, Rux8u>("8s8u", ruxiConvert_8s8u_C1Rs, allValues<Rux8s>(), ref<Rux8s, Rux8u>());
  checkValues<Rux16u, Rux8u>("16u8u", ruxiConvert_16u8u_C1R, allValues<Rux16u>(), ref<Rux16u, Rux8u>());
  checkValues<Rux16s, Rux8u>("16s8u", ruxiConvert_16s8u_C1R, allValues<Rux16s>(), ref<Rux16s, Rux8u>());
  checkValues<Rux16s, Rux32f>("16s32f", ruxiConvert_16s32f_C1R, allValues<Rux16s>(), ref<Rux16s, Rux32f>());
  checkValues<Rux16s, Rux16u>("16s16u", ruxiConvert_16s16u_C1Rs, allValues<Rux16s>(), ref<Rux16s, Rux16u>());
  // 32-bit sources round to the nearest float, ties to even, whatever the caller's mode.
  checkValues<Rux32s, Rux32f>("32s32f", ruxiConvert_32s32f_C1R, edgeValues32<Rux32s>(), ref<Rux32s, Rux32f>());
  checkValues<Rux32u, Rux32f>("32u32f", ruxiConvert_32u32f_C1R, edgeValues32<Rux32u>(), ref<Rux32u, Rux32f>());
  checkValues<Rux32s, Rux8s>("32s8s", ruxiConvert_32s8s_C1R, edgeValues32<Rux32s>(), ref<Rux32s, Rux8s>());
  checkValues<Rux32s, Rux32u>("32s32u", ruxiConvert_32s32u_C1Rs, edgeValues32<Rux32s>(), ref<Rux32s, Rux32u>());
}

// ---- rounding-mode and scale-factor forms ----

template <class S, class D>
using SfsFn = RuxResult (*)(const S*, int, D*, int, RuxImageSize, RuxRounding, int);

template <class S, class D>
Fn<S, D> bind(SfsFn<S, D> fn, int mode, int scale) {
  return [=](const S* s, int ss, D* d, int ds, RuxImageSize r) {
    return fn(s, ss, d, ds, r, static_cast<RuxRounding>(mode), scale);
  };
}

template <class S, class D>
void checkScaled(const char* name, SfsFn<S, D> fn, const std::vector<S>& values,
                 std::initializer_list<int> scales) {
  for (int mode : {0, 1, 2, 7}) {
    for (int scale : scales) {
      const std::string what = std::string(name) + " mode " + std::to_string(mode) + " scale " +
                               std::to_string(scale);
      checkValues<S, D>(what, bind(fn, mode, scale), values, ref<S, D>(mode, scale));
    }
  }
  checkLayout<S, D>(name, bind(fn, 1, 3), 1, false, ref<S, D>(1, 3));
}

TEST(ConvertTest, IntegerScaleFactorsEveryModeAndSource) {
  const std::initializer_list<int> scales = {-40, -15, -14, -3, -1, 0, 1, 2, 5, 15, 16, 17, 33, 100};
  checkScaled<Rux8u, Rux8s>("8u8s", ruxiConvert_8u8s_C1RSfs, allValues<Rux8u>(), scales);
  checkScaled<Rux16u, Rux8s>("16u8s", ruxiConvert_16u8s_C1RSfs, allValues<Rux16u>(), scales);
  checkScaled<Rux16s, Rux8s>("16s8s", ruxiConvert_16s8s_C1RSfs, allValues<Rux16s>(), scales);
  checkScaled<Rux16u, Rux16s>("16u16s", ruxiConvert_16u16s_C1RSfs, allValues<Rux16u>(), scales);
  checkScaled<Rux32s, Rux16s>("32s16s", ruxiConvert_32s16s_C1RSfs, edgeValues32<Rux32s>(), scales);
  checkScaled<Rux32s, Rux16u>("32s16u", ruxiConvert_32s16u_C1RSfs, edgeValues32<Rux32s>(), scales);
  checkScaled<Rux32u, Rux8u>("32u8u", ruxiConvert_32u8u_C1RSfs, edgeValues32<Rux32u>(), scales);
  checkScaled<Rux32u, Rux8s>("32u8s", ruxiConvert_32u8s_C1RSfs, edgeValues32<Rux32u>(), scales);
  checkScaled<Rux32u, Rux16u>("32u16u", ruxiConvert_32u16u_C1RSfs, edgeValues32<Rux32u>(), scales);
  checkScaled<Rux32u, Rux16s>("32u16s", ruxiConvert_32u16s_C1RSfs, edgeValues32<Rux32u>(), scales);
  checkScaled<Rux32u, Rux32s>("32u32s", ruxiConvert_32u32s_C1RSfs, edgeValues32<Rux32u>(), scales);
}

TEST(ConvertTest, FloatToIntegerSpecialValuesEveryModeAndScale) {
  const std::vector<float> v = specialFloats();
  const std::initializer_list<int> scales = {-300, -140, -20, -1, 0, 1, 4, 31, 130, 1000};
  checkScaled<Rux32f, Rux8u>("32f8u", ruxiConvert_32f8u_C1RSfs, v, scales);
  checkScaled<Rux32f, Rux8s>("32f8s", ruxiConvert_32f8s_C1RSfs, v, scales);
  checkScaled<Rux32f, Rux16u>("32f16u", ruxiConvert_32f16u_C1RSfs, v, scales);
  checkScaled<Rux32f, Rux16s>("32f16s", ruxiConvert_32f16s_C1RSfs, v, scales);
  checkScaled<Rux32f, Rux32s>("32f32s", ruxiConvert_32f32s_C1RSfs, v, scales);
  checkScaled<Rux32f, Rux32u>("32f32u", ruxiConvert_32f32u_C1RSfs, v, scales);
}

template <class D>
using RoundFn = RuxResult (*)(const Rux32f*, int, D*, int, RuxImageSize, RuxRounding);

template <class D>
void checkFloatLayouts(const char* name, RoundFn<D> c1, RoundFn<D> c3, RoundFn<D> c4, RoundFn<D> ac4) {
  for (int mode : {0, 1, 2, -1}) {
    const auto bound = [mode](RoundFn<D> fn) -> Fn<Rux32f, D> {
      return [=](const Rux32f* s, int ss, D* d, int ds, RuxImageSize r) {
        return fn(s, ss, d, ds, r, static_cast<RuxRounding>(mode));
      };
    };
    const std::string m = std::string(name) + " mode " + std::to_string(mode);
    checkValues<Rux32f, D>(m, bound(c1), specialFloats(), ref<Rux32f, D>(mode));
    checkLayout<Rux32f, D>(m + " C1R", bound(c1), 1, false, ref<Rux32f, D>(mode));
    checkLayout<Rux32f, D>(m + " C3R", bound(c3), 3, false, ref<Rux32f, D>(mode));
    checkLayout<Rux32f, D>(m + " C4R", bound(c4), 4, false, ref<Rux32f, D>(mode));
    checkLayout<Rux32f, D>(m + " AC4R", bound(ac4), 4, true, ref<Rux32f, D>(mode));
  }
}

TEST(ConvertTest, FloatToIntegerWithRoundingModeInEveryLayout) {
  checkFloatLayouts<Rux8u>("32f8u", ruxiConvert_32f8u_C1R, ruxiConvert_32f8u_C3R, ruxiConvert_32f8u_C4R, ruxiConvert_32f8u_AC4R);
  checkFloatLayouts<Rux8s>("32f8s", ruxiConvert_32f8s_C1R, ruxiConvert_32f8s_C3R, ruxiConvert_32f8s_C4R, ruxiConvert_32f8s_AC4R);
  checkFloatLayouts<Rux16u>("32f16u", ruxiConvert_32f16u_C1R, ruxiConvert_32f16u_C3R, ruxiConvert_32f16u_C4R, ruxiConvert_32f16u_AC4R);
  checkFloatLayouts<Rux16s>("32f16s", ruxiConvert_32f16s_C1R, ruxiConvert_32f16s_C3R, ruxiConvert_32f16s_C4R, ruxiConvert_32f16s_AC4R);
}

// Worked examples with the numbers written out, independent of the reference.
TEST(ConvertTest, WorkedExamples) {
  struct F8 { float in; int mode; int out; };
  for (const F8& c : {F8{2.5f, 1, 2}, F8{3.5f, 1, 4}, F8{2.9f, 0, 2}, F8{2.5f, 2, 3}, F8{-0.7f, 2, 0},
                      F8{300.0f, 2, 255}, F8{NAN, 1, 0}, F8{-INFINITY, 1, 0}, F8{INFINITY, 0, 255}}) {
    Rux8u d = 7;
    ASSERT_EQ(ruxiConvert_32f8u_C1R(&c.in, 4, &d, 1, {1, 1}, static_cast<RuxRounding>(c.mode)), ruxStatusOk);
    EXPECT_EQ(d, c.out) << c.in << " mode " << c.mode;
  }
  const float m25 = -2.5f;
  Rux16s s16 = 0;
  ASSERT_EQ(ruxiConvert_32f16s_C1R(&m25, 4, &s16, 2, {1, 1}, ruxRoundHalfAway), ruxStatusOk);
  EXPECT_EQ(s16, -3);
  const Rux8s s8[2] = {-5, 100};
  Rux8u u8[2];
  ASSERT_EQ(ruxiConvert_8s8u_C1Rs(s8, 2, u8, 2, {2, 1}), ruxStatusOk);
  EXPECT_EQ(u8[0], 0);
  EXPECT_EQ(u8[1], 100);
  struct I16 { Rux16u in; int mode, scale, out; };
  for (const I16& c : {I16{3, 1, 1, 2}, I16{5, 1, 1, 2}, I16{7, 1, 1, 4}, I16{3, 2, 1, 2}, I16{5, 2, 1, 3},
                       I16{65535, 1, 17, 0}, I16{1, 1, -15, 32767}, I16{0, 1, -15, 0}, I16{1, 1, -14, 16384}}) {
    Rux16s d = 9;
    ASSERT_EQ(ruxiConvert_16u16s_C1RSfs(&c.in, 2, &d, 2, {1, 1}, static_cast<RuxRounding>(c.mode), c.scale), ruxStatusOk);
    EXPECT_EQ(d, c.out) << c.in << " mode " << c.mode << " scale " << c.scale;
  }
  // 2^24 + 1 has no float: the tie goes to the even neighbour 2^24 in every processor mode.
  const Rux32s big[2] = {16777217, 16777219};
  Rux32f f[2];
  std::fesetround(FE_UPWARD);
  ASSERT_EQ(ruxiConvert_32s32f_C1R(big, 8, f, 8, {2, 1}), ruxStatusOk);
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(f[0], 16777216.0f);
  EXPECT_EQ(f[1], 16777220.0f);
}

TEST(ConvertTest, InPlaceFloatToUnsignedEqualsOutOfPlace) {
  for (int w : ruxtest::sweepWidths()) {
    GuardedImage<Rux32f> img(w, 3, 1, 40 + w, 2);
    for (int x = 0; x < w; ++x) img.at(x, 1, 0) = static_cast<float>(x) * 1e8f;  // saturating row
    img.snapshot();
    GuardedImage<Rux32u> out(w, 3, 1, 50 + w);
    ASSERT_EQ(ruxiConvert_32f32u_C1RSfs(img.data(), img.step(), out.data(), out.step(), {w, 3}, ruxRoundNearestEven, -2), ruxStatusOk);
    ASSERT_EQ(ruxiConvert_32f32u_C1IRSfs(img.data(), img.step(), {w, 3}, ruxRoundNearestEven, -2), ruxStatusOk);
    ASSERT_TRUE(img.check());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) {
        Rux32u got;
        std::memcpy(&got, &img.at(x, y, 0), 4);
        ASSERT_EQ(got, out.at(x, y, 0)) << w;
      }
  }
}

TEST(ConvertTest, OneBitPixelsAtEveryOffset) {
  for (int offset : {0, 1, 3, 7, 8, 13}) {
    for (int w : ruxtest::sweepWidths()) {
      const int bytes = (offset + w + 7) / 8;
      std::mt19937 rng(offset * 1000 + w);
      // Two rows in a buffer of exactly the bytes they need, so a read past them is caught.
      std::vector<Rux8u> src(static_cast<std::size_t>(2 * bytes));
      for (auto& b : src) b = static_cast<Rux8u>(rng());
      GuardedImage<Rux8u> dst(w, 2, 1, 60 + w, 1);
      ASSERT_EQ(ruxiConvert_1u8u_C1R(src.data(), bytes, offset, dst.data(), dst.step(), {w, 2}), ruxStatusOk);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < w; ++x) {
          const int bit = offset + x;
          const int set = (src[y * bytes + bit / 8] >> (7 - bit % 8)) & 1;
          ASSERT_EQ(dst.at(x, y, 0), set ? 255 : 0) << "offset " << offset << " width " << w;
        }
      ASSERT_TRUE(dst.check());
    }
  }
}

// ---- Scale ----

template <class S, class D>
void checkScaleLayouts(const char* name, Fn<S, D> c1, Fn<S, D> c3, Fn<S, D> c4, Fn<S, D> ac4,
                       const Ref<S, D>& ref, const std::vector<S>& values) {
  checkValues<S, D>(name, c1, values, ref);
  checkLayout<S, D>(std::string(name) + " C1R", c1, 1, false, ref);
  checkLayout<S, D>(std::string(name) + " C3R", c3, 3, false, ref);
  checkLayout<S, D>(std::string(name) + " C4R", c4, 4, false, ref);
  checkLayout<S, D>(std::string(name) + " AC4R", ac4, 4, true, ref);
}

#define SCALE_FORMS(st, dt, bind) \
  bind(ruxiScale_##st##dt##_C1R), bind(ruxiScale_##st##dt##_C3R), bind(ruxiScale_##st##dt##_C4R), bind(ruxiScale_##st##dt##_AC4R)
#define SAME(fn) fn

TEST(ScaleTest, WideningFormsMapWholeRanges) {
  checkScaleLayouts<Rux8u, Rux16u>("8u16u", SCALE_FORMS(8u, 16u, SAME), ruxref::scale8u16u, allValues<Rux8u>());
  checkScaleLayouts<Rux8u, Rux16s>("8u16s", SCALE_FORMS(8u, 16s, SAME), ruxref::scale8u16s, allValues<Rux8u>());
  checkScaleLayouts<Rux8u, Rux32s>("8u32s", SCALE_FORMS(8u, 32s, SAME), ruxref::scale8u32s, allValues<Rux8u>());
  Rux16u u[2];
  Rux16s s[2];
  const Rux8u ends[2] = {0, 255};
  ASSERT_EQ(ruxiScale_8u16u_C1R(ends, 2, u, 4, {2, 1}), ruxStatusOk);
  ASSERT_EQ(ruxiScale_8u16s_C1R(ends, 2, s, 4, {2, 1}), ruxStatusOk);
  EXPECT_EQ(u[0], 0);
  EXPECT_EQ(u[1], 65535);
  EXPECT_EQ(s[0], -32768);
  EXPECT_EQ(s[1], 32767);
}

TEST(ScaleTest, NarrowingFormsAccurateAndFast) {
  for (int hint : {static_cast<int>(ruxHintAccurate), static_cast<int>(ruxHintFast), static_cast<int>(ruxHintNone), 9}) {
    const bool accurate = hint == ruxHintAccurate;
#define HINTED(fn) [hint](auto... a) { return fn(a..., static_cast<RuxAccuracyHint>(hint)); }
    checkScaleLayouts<Rux16u, Rux8u>("16u8u", SCALE_FORMS(16u, 8u, HINTED),
                                     accurate ? ruxref::scale16To8uAccurate<Rux16u> : ruxref::scale16To8uFast<Rux16u>,
                                     allValues<Rux16u>());
    checkScaleLayouts<Rux16s, Rux8u>("16s8u", SCALE_FORMS(16s, 8u, HINTED),
                                     accurate ? ruxref::scale16To8uAccurate<Rux16s> : ruxref::scale16To8uFast<Rux16s>,
                                     allValues<Rux16s>());
    checkScaleLayouts<Rux32s, Rux8u>("32s8u", SCALE_FORMS(32s, 8u, HINTED),
                                     accurate ? ruxref::scale32sTo8uAccurate : ruxref::scale32sTo8uFast,
                                     edgeValues32<Rux32s>());
#undef HINTED
  }
  const Rux16s ends[2] = {-32768, 32767};
  for (RuxAccuracyHint hint : {ruxHintAccurate, ruxHintFast}) {
    Rux8u d[2];
    ASSERT_EQ(ruxiScale_16s8u_C1R(ends, 4, d, 2, {2, 1}, hint), ruxStatusOk);
    EXPECT_EQ(d[0], 0);
    EXPECT_EQ(d[1], 255);
  }
}

TEST(ScaleTest, FloatRangesUnderEveryRoundingMode) {
  std::vector<float> floats = specialFloats();
  for (float x = -1.0f; x <= 2.0f; x += 1.0f / 1024) floats.push_back(x);
  struct Range { float lo, hi; };
  for (const Range r : {Range{0.0f, 1.0f}, Range{-1.0f, 1.0f}, Range{-1000.0f, 1000.0f}, Range{3.0f, 3.0000002f}}) {
#define RANGED(fn) [r](auto... a) { return fn(a..., r.lo, r.hi); }
    const std::string name = "range " + std::to_string(r.lo) + " " + std::to_string(r.hi);
    checkScaleLayouts<Rux8u, Rux32f>(("8u32f " + name).c_str(), SCALE_FORMS(8u, 32f, RANGED),
                                     [r](Rux8u v) { return ruxref::scale8u32f(v, r.lo, r.hi); }, allValues<Rux8u>());
    checkScaleLayouts<Rux32f, Rux8u>(("32f8u " + name).c_str(), SCALE_FORMS(32f, 8u, RANGED),
                                     [r](Rux32f v) { return ruxref::scale32f8u(v, r.lo, r.hi); }, floats);
#undef RANGED
  }
}

// ---- validation ----

TEST(ConvertTest, ValidationOrderAndRoundingModeKeptOnErrors) {
  GuardedImage<Rux32f> f(8, 2, 1, 1);
  GuardedImage<Rux8u> b(8, 2, 1, 2);
  GuardedImage<Rux16s> s(8, 2, 1, 3);
  GuardedImage<Rux32s> i(8, 2, 1, 4);
  const RuxRounding ne = ruxRoundNearestEven;
  std::fesetround(FE_DOWNWARD);
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiConvert_32f8u_C1R(nullptr, 32, b.data(), b.step(), {8, 2}, ne); }, ruxStatusNullPointer},
          {"null before size", [&] { return ruxiConvert_8u32f_AC4R(b.data(), b.step(), nullptr, 0, {0, 0}); }, ruxStatusNullPointer},
          {"zero width", [&] { return ruxiConvert_16s8u_C3R(s.data(), s.step(), b.data(), b.step(), {0, 2}); }, ruxStatusBadSize},
          {"size before step", [&] { return ruxiConvert_32f8u_C1RSfs(f.data(), -1, b.data(), b.step(), {8, 0}, ne, 0); }, ruxStatusBadSize},
          {"negative step", [&] { return ruxiConvert_32f16s_AC4R(f.data(), f.step(), s.data(), -4, {2, 2}, ne); }, ruxStatusBadStep},
          {"zero step", [&] { return ruxiConvert_8u16s_C1R(b.data(), 0, s.data(), s.step(), {8, 2}); }, ruxStatusBadStep},
          {"scaled integer: null", [&] { return ruxiConvert_32s16s_C1RSfs(i.data(), i.step(), nullptr, 4, {8, 2}, ne, 1); }, ruxStatusNullPointer},
          {"scaled integer: size", [&] { return ruxiConvert_16s8s_C1RSfs(s.data(), -1, reinterpret_cast<Rux8s*>(b.data()), -1, {8, 0}, ne, 1); }, ruxStatusBadSize},
          {"in place: step", [&] { return ruxiConvert_32f32u_C1IRSfs(f.data(), 0, {8, 2}, ne, 0); }, ruxStatusBadStep},
          {"1u8u: step", [&] { return ruxiConvert_1u8u_C1R(b.data(), 0, 0, b.data(), 8, {8, 2}); }, ruxStatusBadStep},
          {"1u8u: negative offset", [&] { return ruxiConvert_1u8u_C1R(b.data(), b.step(), -1, b.data(), b.step(), {8, 2}); }, ruxStatusBadSize},
          {"1u8u: size before offset", [&] { return ruxiConvert_1u8u_C1R(b.data(), b.step(), -1, b.data(), b.step(), {8, -2}); }, ruxStatusBadSize},
          {"scale: range before null", [&] { return ruxiScale_32f8u_C1R(nullptr, 0, nullptr, 0, {0, 0}, 1.0f, 1.0f); }, ruxStatusBadScaleRange},
          {"scale: reversed range", [&] { return ruxiScale_8u32f_C3R(b.data(), b.step(), f.data(), f.step(), {2, 2}, 2.0f, 1.0f); }, ruxStatusBadScaleRange},
          {"scale: NaN range", [&] { return ruxiScale_32f8u_AC4R(f.data(), f.step(), b.data(), b.step(), {2, 2}, NAN, 1.0f); }, ruxStatusBadScaleRange},
          {"scale: null after range", [&] { return ruxiScale_32f8u_C1R(nullptr, 32, b.data(), 8, {8, 2}, 0.0f, 1.0f); }, ruxStatusNullPointer},
          {"scale: step", [&] { return ruxiScale_8u32f_C1R(b.data(), -8, f.data(), f.step(), {8, 2}, 0.0f, 1.0f); }, ruxStatusBadStep},
          {"scale: narrowing size", [&] { return ruxiScale_16s8u_C4R(s.data(), s.step(), b.data(), b.step(), {1, 0}, ruxHintFast); }, ruxStatusBadSize},
          {"scale: widening step", [&] { return ruxiScale_8u16u_C1R(b.data(), b.step(), reinterpret_cast<Rux16u*>(s.data()), 0, {8, 2}); }, ruxStatusBadStep},
      },
      f, b, s, i);
  EXPECT_EQ(std::fegetround(), FE_DOWNWARD);
  std::fesetround(FE_TONEAREST);
}

TEST(ConvertTest, FormsWithoutStepChecksWalkNegativeSteps) {
  GuardedImage<Rux16s> src(19, 4, 1, 1);
  GuardedImage<Rux32s> dst(19, 4, 1, 2);
  ASSERT_EQ(ruxiConvert_16s32s_C1R(src.row(3), -src.step(), dst.data(), dst.step(), {19, 4}), ruxStatusOk);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 19; ++x) ASSERT_EQ(dst.at(x, y, 0), src.at(x, 3 - y, 0));
  EXPECT_TRUE(dst.check());
}

}  // namespace
