// Image moments: exact raw moments of every type and layout, derived moments and Hu invariants
// against the definitions, 64s scaling and saturation, state life cycle and validation order.
#include <cfenv>
#include <climits>
#include <cstring>
#include <vector>

#include "ref/moments_ref.h"

namespace {

using ruxref::u128;
using ruxtest::GuardedImage;

template <class T, class S>
using MomentsFn = RuxResult (*)(const T*, int, RuxImageSize, S*);

template <class T>
struct Api {
  MomentsFn<T, RuxMomentState_64f> f[3];
  MomentsFn<T, RuxMomentState_64s> s[3];
};
const Api<Rux8u> k8u = {{ruxiMoments64f_8u_C1R, ruxiMoments64f_8u_C3R, ruxiMoments64f_8u_AC4R},
                        {ruxiMoments64s_8u_C1R, ruxiMoments64s_8u_C3R, ruxiMoments64s_8u_AC4R}};
const Api<Rux16u> k16u = {{ruxiMoments64f_16u_C1R, ruxiMoments64f_16u_C3R, ruxiMoments64f_16u_AC4R},
                          {ruxiMoments64s_16u_C1R, ruxiMoments64s_16u_C3R, ruxiMoments64s_16u_AC4R}};
const Api<Rux32f> k32f = {{ruxiMoments64f_32f_C1R, ruxiMoments64f_32f_C3R, ruxiMoments64f_32f_AC4R}, {}};
const int kSamples[3] = {1, 3, 4};  // samples per pixel of C1, C3, AC4
const int kChannels[3] = {1, 3, 3};

// A 64f state from InitAlloc and a 64s state in caller memory (GetStateSize + Init).
struct States {
  RuxMomentState_64f* f = nullptr;
  std::vector<std::uint64_t> memory;
  RuxMomentState_64s* s = nullptr;
  States() {
    EXPECT_EQ(ruxiMomentInitAlloc_64f(&f, ruxHintAccurate), ruxStatusOk);
    int bytes = 0;
    EXPECT_EQ(ruxiMomentGetStateSize_64s(ruxHintNone, &bytes), ruxStatusOk);
    EXPECT_EQ(bytes, 400);
    memory.assign(bytes / 8, ~0ull);
    s = reinterpret_cast<RuxMomentState_64s*>(memory.data());
    EXPECT_EQ(ruxiMomentInit_64s(s, ruxHintNone), ruxStatusOk);
  }
  ~States() { EXPECT_EQ(ruxiMomentFree_64f(f), ruxStatusOk); }
};

// Every raw moment of every channel equals the exact sum: rounded once to double (64f), or
// exactly (64s; above INT64_MAX the slot saturates and the getter refuses it).
template <class T>
void expectExactRaw(const GuardedImage<T>& img, int used, States& st, bool with64s) {
  for (int ch = 0; ch < used; ++ch) {
    for (int m = 0; m <= 3; ++m) {
      for (int n = 0; m + n <= 3; ++n) {
        const u128 exact = ruxref::exactRaw(img, ch, m, n);
        double f = -1;
        ASSERT_EQ(ruxiGetSpatialMoment_64f(st.f, m, n, ch, {0, 0}, &f), ruxStatusOk);
        ASSERT_EQ(f, static_cast<double>(exact)) << "64f M(" << m << "," << n << ") channel " << ch;
        if (!with64s) continue;
        Rux64s s = -1;
        const RuxResult r = ruxiGetSpatialMoment_64s(st.s, m, n, ch, {0, 0}, &s, 0);
        if (exact > static_cast<u128>(INT64_MAX)) {
          ASSERT_EQ(r, ruxStatusOutOfRange) << "saturated M(" << m << "," << n << ")";
        } else {
          ASSERT_EQ(r, ruxStatusOk);
          ASSERT_EQ(static_cast<u128>(s), exact) << "64s M(" << m << "," << n << ") channel " << ch;
        }
      }
    }
  }
  double f;
  EXPECT_EQ(ruxiGetSpatialMoment_64f(st.f, 0, 0, used, {0, 0}, &f), ruxStatusBadChannelIndex);
}

template <class T>
void checkIntegerType(const Api<T>& api) {
  std::vector<RuxImageSize> sizes;
  for (int w : ruxtest::sweepWidths()) sizes.push_back({w, 3});
  // Chunks of columns, several blocks of rows, and stripes of 4096 (16u) / 16384 (8u) rows.
  sizes.insert(sizes.end(), {{1000, 40}, {400, 300}, {97, 131}, {3, 4100}, {2, 16500}});
  States st;
  for (const RuxImageSize sz : sizes) {
    for (int l = 0; l < 3; ++l) {
      GuardedImage<T> img(sz.width, sz.height, kSamples[l], sz.width * 7 + l, sz.width % 5);
      if (l == 2) {  // alpha at its largest: must not reach any moment
        for (int y = 0; y < sz.height; ++y)
          for (int x = 0; x < sz.width; ++x) img.at(x, y, 3) = std::numeric_limits<T>::max();
        img.snapshot();
      }
      ASSERT_EQ(api.f[l](img.data(), img.step(), sz, st.f), ruxStatusOk);
      ASSERT_EQ(api.s[l](img.data(), img.step(), sz, st.s), ruxStatusOk);
      ASSERT_TRUE(img.unchanged());
      SCOPED_TRACE(testing::Message() << sz.width << "x" << sz.height << " layout " << l);
      expectExactRaw(img, kChannels[l], st, true);
    }
  }
}

TEST(MomentsTest, RawMomentsOf8uAreExact) { checkIntegerType(k8u); }
TEST(MomentsTest, RawMomentsOf16uAreExact) { checkIntegerType(k16u); }

TEST(MomentsTest, RawMomentsOf32fMatchLongDouble) {
  States st;
  for (const RuxImageSize sz : std::vector<RuxImageSize>{{1, 1}, {7, 5}, {33, 17}, {259, 3}, {1000, 41}}) {
    for (int l = 0; l < 3; ++l) {
      GuardedImage<Rux32f> img(sz.width, sz.height, kSamples[l], sz.height + l, 3);
      ASSERT_EQ(k32f.f[l](img.data(), img.step(), sz, st.f), ruxStatusOk);
      for (int ch = 0; ch < kChannels[l]; ++ch) {
        for (int m = 0; m <= 3; ++m) {
          for (int n = 0; m + n <= 3; ++n) {
            long double scale;
            const long double ref = ruxref::spatial(img, ch, m, n, 0, 0, &scale);
            double f;
            ASSERT_EQ(ruxiGetSpatialMoment_64f(st.f, m, n, ch, {0, 0}, &f), ruxStatusOk);
            EXPECT_LE(std::fabs(f - ref), 1e-13L * scale) << m << "," << n << " " << sz.width;
          }
        }
      }
    }
  }
}

// An asymmetric shape (a wedge with a ramp) keeps every derived moment well conditioned.
GuardedImage<Rux8u> wedge(int w, int h, int cn) {
  GuardedImage<Rux8u> img(w, h, cn, 5);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < cn; ++c) img.at(x, y, c) = (x * 3 < y * (c + 2)) ? static_cast<Rux8u>(40 + x + c) : 0;
  img.snapshot();
  return img;
}

TEST(MomentsTest, DerivedMomentsMatchTheDefinitions) {
  const GuardedImage<Rux8u> img = wedge(61, 47, 3);
  States st;
  ASSERT_EQ(ruxiMoments64f_8u_C3R(img.data(), img.step(), img.size(), st.f), ruxStatusOk);
  ASSERT_EQ(ruxiMoments64s_8u_C3R(img.data(), img.step(), img.size(), st.s), ruxStatusOk);
  const RuxImagePoint offsets[] = {{0, 0}, {5, -3}, {-100, 250}};
  for (int ch = 0; ch < 3; ++ch) {
    const long double m00 = ruxref::spatial(img, ch, 0, 0, 0, 0);
    for (int m = 0; m <= 3; ++m) {
      for (int n = 0; m + n <= 3; ++n) {
        SCOPED_TRACE(testing::Message() << "channel " << ch << " (" << m << "," << n << ")");
        const long double norm = std::pow(m00, (m + n + 2) / 2.0L);
        double f;
        Rux64s s;
        long double scale;
        for (const RuxImagePoint o : offsets) {
          const long double ref = ruxref::spatial(img, ch, m, n, o.x, o.y, &scale);
          ASSERT_EQ(ruxiGetSpatialMoment_64f(st.f, m, n, ch, o, &f), ruxStatusOk);
          EXPECT_LE(std::fabs(f - ref), 1e-15L * scale);
          ASSERT_EQ(ruxiGetSpatialMoment_64s(st.s, m, n, ch, o, &s, 0), ruxStatusOk);
          EXPECT_EQ(s, static_cast<Rux64s>(ref));  // integers below 2^63: exact
          ASSERT_EQ(ruxiGetNormalizedSpatialMoment_64f(st.f, m, n, ch, o, &f), ruxStatusOk);
          EXPECT_LE(std::fabs(f - ruxref::normalised(ref, m00, m, n)), 1e-15L * scale / norm);
        }
        const long double mu = ruxref::central(img, ch, m, n, &scale);
        ASSERT_EQ(ruxiGetCentralMoment_64f(st.f, m, n, ch, &f), ruxStatusOk);
        EXPECT_LE(std::fabs(f - mu), 1e-14L * scale);
        ASSERT_EQ(ruxiGetCentralMoment_64s(st.s, m, n, ch, &s, 0), ruxStatusOk);
        EXPECT_LE(std::fabs(s - std::trunc(mu)), 1.0L);
        ASSERT_EQ(ruxiGetNormalizedCentralMoment_64f(st.f, m, n, ch, &f), ruxStatusOk);
        EXPECT_LE(std::fabs(f - ruxref::normalised(mu, m00, m, n)), 1e-14L * scale / norm);
        ASSERT_EQ(ruxiGetNormalizedCentralMoment_64s(st.s, m, n, ch, &s, -30), ruxStatusOk);
        EXPECT_LE(std::fabs(s - std::trunc(std::ldexp(ruxref::normalised(mu, m00, m, n), 30))), 1.0L);
      }
    }
    long double phi[7];
    ruxref::hu(img, ch, phi);
    double hf[7];
    Rux64s hs[7];
    ASSERT_EQ(ruxiGetHuMoments_64f(st.f, ch, hf), ruxStatusOk);
    ASSERT_EQ(ruxiGetHuMoments_64s(st.s, ch, hs, -40), ruxStatusOk);
    for (int i = 0; i < 7; ++i) {
      EXPECT_LE(std::fabs(hf[i] - phi[i]), 1e-9L * std::fabs(phi[i]) + 1e-18L) << "phi" << i + 1;
      EXPECT_LE(std::fabs(hs[i] - std::trunc(std::ldexp(phi[i], 40))), 1.0L) << "phi" << i + 1;
    }
  }
}

TEST(MomentsTest, SinglePixelAndScaleFactors) {
  GuardedImage<Rux8u> img(1, 1, 1, 1);
  img.at(0, 0, 0) = 10;
  States st;
  ASSERT_EQ(ruxiMoments64f_8u_C1R(img.data(), img.step(), {1, 1}, st.f), ruxStatusOk);
  double f;
  for (int m = 0; m <= 3; ++m) {
    for (int n = 0; m + n <= 3; ++n) {
      ASSERT_EQ(ruxiGetSpatialMoment_64f(st.f, m, n, 0, {0, 0}, &f), ruxStatusOk);
      EXPECT_EQ(f, m + n == 0 ? 10.0 : 0.0);
    }
  }
  ASSERT_EQ(ruxiGetSpatialMoment_64f(st.f, 1, 0, 0, {5, 0}, &f), ruxStatusOk);
  EXPECT_EQ(f, 50.0);

  // 64s: v * 2^-s truncated toward zero, also for negative values.
  img.at(0, 0, 0) = 5;
  ASSERT_EQ(ruxiMoments64s_8u_C1R(img.data(), img.step(), {1, 1}, st.s), ruxStatusOk);
  Rux64s s;
  const struct { int sf; Rux64s want; } five[] = {{0, 5}, {1, 2}, {2, 1}, {3, 0}, {-2, 20}};
  for (const auto& c : five) {
    ASSERT_EQ(ruxiGetSpatialMoment_64s(st.s, 0, 0, 0, {0, 0}, &s, c.sf), ruxStatusOk);
    EXPECT_EQ(s, c.want) << "scale factor " << c.sf;
  }
  GuardedImage<Rux8u> diag(2, 2, 1, 2);  // mu11 = -1.5 for 3 at (1, 0) and (0, 1)
  diag.at(0, 0, 0) = 0, diag.at(1, 0, 0) = 3, diag.at(0, 1, 0) = 3, diag.at(1, 1, 0) = 0;
  ASSERT_EQ(ruxiMoments64s_8u_C1R(diag.data(), diag.step(), {2, 2}, st.s), ruxStatusOk);
  const struct { int sf; Rux64s want; } mu11[] = {{0, -1}, {-1, -3}, {1, 0}};
  for (const auto& c : mu11) {
    ASSERT_EQ(ruxiGetCentralMoment_64s(st.s, 1, 1, 0, &s, c.sf), ruxStatusOk);
    EXPECT_EQ(s, c.want) << "scale factor " << c.sf;
  }
}

// A bright 16u image: the third-order sums pass 2^63. 64f holds them rounded once; 64s
// saturates them, and only the getters that need them refuse.
TEST(MomentsTest, LargeSumsSaturateIn64sAndStayExactIn64f) {
  const int w = 1920, h = 1080;
  GuardedImage<Rux16u> img(w, h, 1, 3, 0, true);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.at(x, y, 0) = 65535;
  States st;
  // The sums are rounded to nearest whatever the caller's rounding mode is.
  std::fesetround(FE_UPWARD);
  const RuxResult r = ruxiMoments64f_16u_C1R(img.data(), img.step(), img.size(), st.f);
  std::fesetround(FE_TONEAREST);
  ASSERT_EQ(r, ruxStatusOk);
  ASSERT_EQ(ruxiMoments64s_16u_C1R(img.data(), img.step(), img.size(), st.s), ruxStatusOk);
  auto powerSum = [](u128 n, int k) {  // sum of i^k for i < n
    if (k == 0) return n;
    if (k == 1) return n * (n - 1) / 2;
    if (k == 2) return (n - 1) * n * (2 * n - 1) / 6;
    return (n * (n - 1) / 2) * (n * (n - 1) / 2);
  };
  for (int m = 0; m <= 3; ++m) {
    for (int n = 0; m + n <= 3; ++n) {
      const u128 exact = 65535 * powerSum(w, m) * powerSum(h, n);
      double f;
      ASSERT_EQ(ruxiGetSpatialMoment_64f(st.f, m, n, 0, {0, 0}, &f), ruxStatusOk);
      EXPECT_EQ(f, static_cast<double>(exact)) << m << "," << n;
    }
  }
  expectExactRaw(img, 1, st, true);
  Rux64s s, hu[7];
  EXPECT_EQ(ruxiGetCentralMoment_64s(st.s, 2, 0, 0, &s, 0), ruxStatusOk);
  EXPECT_EQ(ruxiGetCentralMoment_64s(st.s, 3, 0, 0, &s, 0), ruxStatusOutOfRange);
  EXPECT_EQ(ruxiGetNormalizedSpatialMoment_64s(st.s, 1, 2, 0, {0, 0}, &s, 0), ruxStatusOutOfRange);
  EXPECT_EQ(ruxiGetHuMoments_64s(st.s, 0, hu, 0), ruxStatusOutOfRange);
  // Results beyond 64 bits saturate.
  ASSERT_EQ(ruxiGetSpatialMoment_64s(st.s, 1, 0, 0, {INT_MAX, 0}, &s, 0), ruxStatusOk);
  EXPECT_EQ(s, INT64_MAX);
  ASSERT_EQ(ruxiGetSpatialMoment_64s(st.s, 1, 0, 0, {INT_MIN, 0}, &s, 0), ruxStatusOk);
  EXPECT_EQ(s, INT64_MIN);
}

TEST(MomentsTest, ValidationOrderAndStateLifeCycle) {
  GuardedImage<Rux8u> img(8, 4, 3, 9);
  GuardedImage<Rux8u> zero(4, 4, 1, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) zero.at(x, y, 0) = 0;
  zero.snapshot();
  States st;
  RuxMomentState_64f* f = st.f;
  RuxMomentState_64s* s = st.s;
  auto* sAsF = reinterpret_cast<RuxMomentState_64f*>(s);
  auto* fAsS = reinterpret_cast<RuxMomentState_64s*>(f);
  const Rux8u* p = img.data();
  const int step = img.step();
  double v;
  Rux64s sv, hs[7];
  double hf[7];

  // Getters before any Moments call: the channel count is -1.
  EXPECT_EQ(ruxiGetSpatialMoment_64f(f, 0, 0, 0, {0, 0}, &v), ruxStatusBadChannelIndex);
  EXPECT_EQ(ruxiGetHuMoments_64s(s, 0, hs, 0), ruxStatusBadChannelIndex);

  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiMoments64f_8u_C3R(nullptr, -1, {0, 0}, f); }, ruxStatusNullPointer},
          {"null state", [&] { return ruxiMoments64s_8u_C3R(p, step, {8, 4}, nullptr); }, ruxStatusNullPointer},
          {"64s state", [&] { return ruxiMoments64f_8u_C3R(p, -1, {0, 4}, sAsF); }, ruxStatusBadContext},
          {"64f state", [&] { return ruxiMoments64s_8u_C1R(p, step, {8, 4}, fAsS); }, ruxStatusBadContext},
          {"step 0 before size", [&] { return ruxiMoments64f_8u_C3R(p, 0, {0, 4}, f); }, ruxStatusBadStep},
          {"negative step", [&] { return ruxiMoments64s_8u_C3R(p, -step, {8, 4}, s); }, ruxStatusBadStep},
          {"width 0", [&] { return ruxiMoments64f_8u_C3R(p, step, {0, 4}, f); }, ruxStatusBadSize},
          {"height 0", [&] { return ruxiMoments64s_8u_C3R(p, step, {8, 0}, s); }, ruxStatusBadSize},
          {"C3 step < 3 width", [&] { return ruxiMoments64f_8u_C3R(p, 23, {8, 4}, f); }, ruxStatusStepTooSmall},
          {"AC4 counts alpha", [&] { return ruxiMoments64f_8u_AC4R(p, 20, {6, 4}, f); }, ruxStatusStepTooSmall},
          {"16u sample size", [&] { return ruxiMoments64s_16u_C1R(reinterpret_cast<const Rux16u*>(p), 15, {8, 4}, s); }, ruxStatusStepTooSmall},
      },
      img);
  // A rejected call leaves the state as it was.
  ASSERT_EQ(ruxiMoments64f_8u_C1R(zero.data(), zero.step(), zero.size(), f), ruxStatusOk);
  ASSERT_EQ(ruxiMoments64s_8u_C1R(zero.data(), zero.step(), zero.size(), s), ruxStatusOk);
  std::vector<unsigned char> before(400);
  std::memcpy(before.data(), f, 400);
  EXPECT_EQ(ruxiMoments64f_8u_C3R(p, 23, {8, 4}, f), ruxStatusStepTooSmall);
  EXPECT_EQ(std::memcmp(before.data(), f, 400), 0);
  // Scratch failure: -9 with the state untouched (integer sources allocate twice, 32f once).
  std::vector<unsigned char> beforeS(400);
  std::memcpy(beforeS.data(), s, 400);
  for (int n = 0; n < 2; ++n) {
    ruxtest::FailAllocationsAfter fail(n);
    EXPECT_EQ(ruxiMoments64f_8u_C3R(p, step, {8, 4}, f), ruxStatusNoMemory) << n;
    EXPECT_EQ(ruxiMoments64s_8u_C1R(p, step, {8, 4}, s), ruxStatusNoMemory) << n;
    if (n == 0) {
      EXPECT_EQ(ruxiMoments64f_32f_C1R(reinterpret_cast<const Rux32f*>(p), step, {4, 4}, f),
                ruxStatusNoMemory);
    }
  }
  EXPECT_EQ(std::memcmp(before.data(), f, 400), 0);
  EXPECT_EQ(std::memcmp(beforeS.data(), s, 400), 0);

  const RuxResult kZero = ruxStatusZeroMoment;
  const struct { const char* what; RuxResult got, want; } getters[] = {
      {"null result", ruxiGetSpatialMoment_64f(sAsF, 9, 0, 5, {0, 0}, nullptr), ruxStatusNullPointer},
      {"null Hu array", ruxiGetHuMoments_64s(s, 0, nullptr, 0), ruxStatusNullPointer},
      {"null state", ruxiGetCentralMoment_64s(nullptr, 0, 0, 0, &sv, 0), ruxStatusNullPointer},
      {"wrong state", ruxiGetCentralMoment_64f(sAsF, 9, 0, 5, &v), ruxStatusBadContext},
      {"wrong state Hu", ruxiGetHuMoments_64s(fAsS, 0, hs, 0), ruxStatusBadContext},
      {"m + n = 4", ruxiGetSpatialMoment_64f(f, 2, 2, 5, {0, 0}, &v), ruxStatusBadSize},
      {"m = 4", ruxiGetNormalizedSpatialMoment_64s(s, 4, 0, 0, {0, 0}, &sv, 0), ruxStatusBadSize},
      {"m < 0", ruxiGetSpatialMoment_64f(f, -1, 2, 0, {0, 0}, &v), ruxStatusBadSize},
      {"n < 0", ruxiGetCentralMoment_64s(s, 2, -1, 0, &sv, 0), ruxStatusBadSize},
      {"channel 1 after C1", ruxiGetSpatialMoment_64f(f, 0, 0, 1, {0, 0}, &v), ruxStatusBadChannelIndex},
      {"channel -1", ruxiGetCentralMoment_64f(f, 0, 0, -1, &v), ruxStatusBadChannelIndex},
      {"all zero: spatial is fine", ruxiGetSpatialMoment_64f(f, 1, 1, 0, {3, 3}, &v), ruxStatusOk},
      {"all zero: central", ruxiGetCentralMoment_64f(f, 2, 0, 0, &v), kZero},
      {"all zero: central 0,0", ruxiGetCentralMoment_64s(s, 0, 0, 0, &sv, 0), kZero},
      {"all zero: normalised spatial", ruxiGetNormalizedSpatialMoment_64f(f, 0, 0, 0, {0, 0}, &v), kZero},
      {"all zero: normalised central", ruxiGetNormalizedCentralMoment_64s(s, 1, 1, 0, &sv, 0), kZero},
      {"all zero: Hu 64f", ruxiGetHuMoments_64f(f, 0, hf), kZero},
      {"all zero: Hu 64s", ruxiGetHuMoments_64s(s, 0, hs, 0), kZero},
  };
  for (const auto& g : getters) EXPECT_EQ(g.got, g.want) << g.what;

  RuxMomentState_64f* none = nullptr;
  int* noSize = nullptr;
  EXPECT_EQ(ruxiMomentInitAlloc_64f(nullptr, ruxHintNone), ruxStatusNullPointer);
  EXPECT_EQ(ruxiMomentInitAlloc_64s(nullptr, ruxHintNone), ruxStatusNullPointer);
  EXPECT_EQ(ruxiMomentGetStateSize_64s(ruxHintNone, noSize), ruxStatusNullPointer);
  EXPECT_EQ(ruxiMomentInit_64s(nullptr, ruxHintNone), ruxStatusNullPointer);
  EXPECT_EQ(ruxiMomentFree_64f(none), ruxStatusNullPointer);
  EXPECT_EQ(ruxiMomentFree_64f(sAsF), ruxStatusBadContext);
  EXPECT_EQ(ruxiMomentFree_64s(fAsS), ruxStatusBadContext);
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(ruxiMomentInitAlloc_64f(&none, ruxHintNone), ruxStatusNoMemory);
    RuxMomentState_64s* none64s = nullptr;
    EXPECT_EQ(ruxiMomentInitAlloc_64s(&none64s, ruxHintNone), ruxStatusNoMemory);
    EXPECT_EQ(none64s, nullptr);
  }
  EXPECT_EQ(none, nullptr);
  RuxMomentState_64s* allocated = nullptr;
  ASSERT_EQ(ruxiMomentInitAlloc_64s(&allocated, ruxHintFast), ruxStatusOk);
  EXPECT_EQ(ruxiGetSpatialMoment_64s(allocated, 0, 0, 0, {0, 0}, &sv, 0), ruxStatusBadChannelIndex);
  EXPECT_EQ(ruxiMomentFree_64s(allocated), ruxStatusOk);
}

}  // namespace
