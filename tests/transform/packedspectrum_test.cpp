// Packed spectra against a reference that rebuilds the full complex spectrum from the layout
// rules (odd and even sizes): products of every type and layout, magnitude and phase, polar form,
// the layout conversions, the windows, validation order and allocation failure.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ref/arith_ref.h"
#include "ref/convert_ref.h"
#include "primitives/spectrum_kernels.h"
#include "ref/packed_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

const std::vector<RuxImageSize> kSizes = {{1, 1}, {1, 6}, {7, 1}, {2, 2}, {3, 3}, {5, 4}, {8, 7}, {4, 5}, {6, 6}, {2, 3}};

// Channel c of an image as a row-major plane of V.
template <class V, class T>
std::vector<V> plane(const GuardedImage<T>& img, int c) {
  std::vector<V> p;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) p.push_back(static_cast<V>(img.at(x, y, c)));
  return p;
}

template <class T>
::testing::AssertionResult planeEquals(const GuardedImage<T>& img, int c, const std::vector<T>& want, const std::string& what) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (const T got = img.at(x, y, c), exp = want[static_cast<std::size_t>(y) * img.width() + x]; std::memcmp(&got, &exp, sizeof(T)) != 0)
        return ::testing::AssertionFailure() << what << " " << img.width() << "x" << img.height() << " (" << x << "," << y
                                             << ") channel " << c << ": " << +got << " vs " << +exp;
  return ::testing::AssertionSuccess();
}

// ---- Layout --------------------------------------------------------------------------------

TEST(PackedLayout, ExtendRebuildsTheFullSpectrumAndPackSelectsTheStoredPositions) {
  for (const RuxImageSize s : kSizes) {
    GuardedImage<Rux32f> P(s.width, s.height, 1, 1), Z(s.width, s.height, 2, 2), back(s.width, s.height, 1, 3);
    ASSERT_EQ(ruxiPackToCplxExtend_32f32fc_C1R(P.data(), P.step(), s, reinterpret_cast<Rux32fc*>(Z.data()), Z.step()), 0);
    const auto f = ruxref::fullSpectrum(plane<float>(P, 0), s.width, s.height);
    ASSERT_TRUE(planeEquals(Z, 0, f.re, "re") && planeEquals(Z, 1, f.im, "im"));
    ASSERT_EQ(ruxiCplxExtendToPack_32fc32f_C1R(reinterpret_cast<Rux32fc*>(Z.data()), Z.step(), s, back.data(), back.step()), 0);
    EXPECT_TRUE(planeEquals(back, 0, plane<float>(P, 0), "round trip"));
    EXPECT_TRUE(Z.check() && back.check());
  }
  // A random complex image: only the stored positions reach the packed image.
  const auto pack = [](auto fn, auto sample, int C) {
    using T = decltype(sample);
    for (const RuxImageSize s : kSizes) {
      GuardedImage<T> src(s.width, s.height, 2 * C, 4), dst(s.width, s.height, C, 5);
      ASSERT_EQ(fn(reinterpret_cast<const void*>(src.data()), src.step(), s, dst.data(), dst.step()), 0);
      for (int c = 0; c < C; ++c) {
        ruxref::Full<T> f(s.width, s.height);
        f.re = plane<T>(src, 2 * c), f.im = plane<T>(src, 2 * c + 1);
        ASSERT_TRUE(planeEquals(dst, c, ruxref::packOf(f), "CplxExtendToPack"));
      }
      ASSERT_TRUE(dst.check());
    }
  };
#define TO_PACK(zt, Z, T, lay, C)                                                                                     \
  pack([](const void* p, int st, RuxImageSize s, T* d, int ds) { return ruxiCplxExtendToPack_##zt##_##lay##R(static_cast<const Z*>(p), st, s, d, ds); }, T{}, C)
  TO_PACK(32fc32f, Rux32fc, Rux32f, C1, 1), TO_PACK(32fc32f, Rux32fc, Rux32f, C3, 3);
  TO_PACK(32sc32s, Rux32sc, Rux32s, C1, 1), TO_PACK(32sc32s, Rux32sc, Rux32s, C3, 3);
  TO_PACK(16sc16s, Rux16sc, Rux16s, C1, 1), TO_PACK(16sc16s, Rux16sc, Rux16s, C3, 3);
#undef TO_PACK
  // 32s: the conjugate of the most negative imaginary part saturates.
  const Rux32s lo = std::numeric_limits<Rux32s>::min(), hi = std::numeric_limits<Rux32s>::max();
  const Rux32s P[3] = {5, -9, lo};
  Rux32sc Z[3];
  ASSERT_EQ(ruxiPackToCplxExtend_32s32sc_C1R(P, 12, {3, 1}, Z, 24), 0);
  EXPECT_TRUE(Z[0].re == 5 && Z[0].im == 0 && Z[1].re == -9 && Z[1].im == lo && Z[2].re == -9 && Z[2].im == hi);
}

// ---- MulPack, MulPackConj --------------------------------------------------------------------

struct Mul32f {
  const char* name;
  RuxResult (*fn)(const Rux32f*, int, const Rux32f*, int, Rux32f*, int, RuxImageSize);
  RuxResult (*inPlace)(const Rux32f*, int, Rux32f*, int, RuxImageSize);
  int channels;
  bool alpha, conj;
};
#define MP(op, lay, C, A, conj) Mul32f{#op "_32f_" #lay, &ruxi##op##_32f_##lay##R, &ruxi##op##_32f_##lay##IR, C, A, conj}
const Mul32f kMul32f[] = {MP(MulPack, C1, 1, false, false), MP(MulPack, C3, 3, false, false), MP(MulPack, C4, 4, false, false),
                          MP(MulPack, AC4, 4, true, false), MP(MulPackConj, C1, 1, false, true), MP(MulPackConj, C3, 3, false, true),
                          MP(MulPackConj, C4, 4, false, true), MP(MulPackConj, AC4, 4, true, true)};

// Full spectra of channel c multiplied position by position (V: float in the plain order, or
// exact 128-bit integers), packed again.
template <class V, class T>
std::vector<V> productRef(const GuardedImage<T>& a, const GuardedImage<T>& b, int c, bool conj) {
  const auto A = ruxref::fullSpectrum(plane<V>(a, c), a.width(), a.height());
  const auto B = ruxref::fullSpectrum(plane<V>(b, c), a.width(), a.height());
  ruxref::Full<V> D(a.width(), a.height());
  for (std::size_t i = 0; i < D.re.size(); ++i) {
    const V ar = A.re[i], ai = A.im[i], br = B.re[i], bi = conj ? -B.im[i] : B.im[i];
    D.re[i] = ar * br - ai * bi;
    D.im[i] = ar * bi + ai * br;
  }
  return ruxref::packOf(D);
}

::testing::AssertionResult matches(const GuardedImage<Rux32f>& d, const GuardedImage<Rux32f>& a, const GuardedImage<Rux32f>& b,
                                   const Mul32f& m) {
  for (int c = 0; c < (m.alpha ? 3 : m.channels); ++c)
    if (auto r = planeEquals(d, c, productRef<float>(a, b, c, m.conj), m.name); !r) return r;
  return d.check(m.alpha ? 7u : 0xffffffffu);
}

TEST(PackedMul, FloatProductsMatchTheFullSpectrumInAndOutOfPlace) {
  std::vector<RuxImageSize> sizes = kSizes;
  for (int w : ruxtest::sweepWidths()) sizes.push_back({w, 3});
  for (const auto& m : kMul32f)
    for (const RuxImageSize s : sizes) {
      GuardedImage<Rux32f> a(s.width, s.height, m.channels, 11, 1), b(s.width, s.height, m.channels, 12, 3), d(s.width, s.height, m.channels, 13);
      ASSERT_EQ(m.fn(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), s), 0);
      ASSERT_TRUE(matches(d, a, b, m));
      GuardedImage<Rux32f> second = b, first = a;  // the second operand is the source-destination
      ASSERT_EQ(m.inPlace(a.data(), a.step(), second.data(), second.step(), s), 0);
      ASSERT_TRUE(matches(second, a, b, m));
      ASSERT_EQ(m.fn(first.data(), first.step(), b.data(), b.step(), first.data(), first.step(), s), 0);
      ASSERT_TRUE(matches(first, a, b, m));
    }
}

TEST(PackedMul, ImpulseIdentityConjugateSquareAndThreads) {
  for (const RuxImageSize s : kSizes) {
    GuardedImage<Rux32f> x(s.width, s.height, 1, 21), one(s.width, s.height, 1, 22), d(s.width, s.height, 1, 23);
    ruxref::Full<float> ones(s.width, s.height), sq(s.width, s.height);
    std::fill(ones.re.begin(), ones.re.end(), 1.0f);
    const auto impulse = ruxref::packOf(ones);
    for (int i = 0; i < s.width * s.height; ++i) one.at(i % s.width, i / s.width, 0) = impulse[static_cast<std::size_t>(i)];
    ASSERT_EQ(ruxiMulPack_32f_C1R(x.data(), x.step(), one.data(), one.step(), d.data(), d.step(), s), 0);
    EXPECT_TRUE(planeEquals(d, 0, plane<float>(x, 0), "impulse"));
    ASSERT_EQ(ruxiMulPackConj_32f_C1R(x.data(), x.step(), x.data(), x.step(), d.data(), d.step(), s), 0);
    const auto X = ruxref::fullSpectrum(plane<float>(x, 0), s.width, s.height);
    for (std::size_t i = 0; i < sq.re.size(); ++i) sq.re[i] = X.re[i] * X.re[i] + X.im[i] * X.im[i];
    EXPECT_TRUE(planeEquals(d, 0, ruxref::packOf(sq), "|x|^2"));  // imaginary parts exactly +0
  }
  // Large spectra share their rows out among threads: the same bits on every count.
  const RuxImageSize s{512, 513};
  GuardedImage<Rux32f> a(s.width, s.height, 1, 31), b(s.width, s.height, 1, 32);
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<Rux32f> d(s.width, s.height, 1, 34);
    ASSERT_EQ(ruxiMulPackConj_32f_C1R(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), s), 0);
    EXPECT_TRUE(matches(d, a, b, kMul32f[4])) << threads << " threads";
  });
}

// The double-precision entry point that the 64f families call, every layout.
TEST(PackedMul, DoubleEntryPointMatchesTheFullSpectrum) {
  std::vector<RuxImageSize> sizes = kSizes;
  for (int w : ruxtest::sweepWidths()) sizes.push_back({w, 3});
  for (const auto& m : kMul32f)
    for (const RuxImageSize s : sizes) {
      GuardedImage<double> a(s.width, s.height, m.channels, 14), b(s.width, s.height, m.channels, 15), d(s.width, s.height, m.channels, 16);
      rux::spectrum::mulPack(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), s.width, s.height, m.channels, m.conj, m.alpha);
      for (int c = 0; c < (m.alpha ? 3 : m.channels); ++c) ASSERT_TRUE(planeEquals(d, c, productRef<double>(a, b, c, m.conj), m.name));
      ASSERT_TRUE(d.check(m.alpha ? 7u : 0xffffffffu));
    }
}

// Sources against an inaccessible page on either side: no read leaves the region.
TEST(PackedMul, ReadsStayInsideTheSources) {
  for (const auto& m : kMul32f)
    for (const ruxtest::Fence fence : {ruxtest::Fence::kBefore, ruxtest::Fence::kAfter})
      for (const RuxImageSize s : {RuxImageSize{1, 1}, {2, 3}, {9, 4}, {33, 3}, {70, 2}}) {
        ruxtest::FencedImage<Rux32f> fa(s.width, s.height, m.channels, {}, fence, 61), fb(s.width, s.height, m.channels, {}, fence, 62);
        GuardedImage<Rux32f> a(s.width, s.height, m.channels, 63), b(s.width, s.height, m.channels, 64), d(s.width, s.height, m.channels, 65);
        for (int i = 0; i < s.width * s.height * m.channels; ++i) {
          const int x = i / m.channels % s.width, y = i / m.channels / s.width, c = i % m.channels;
          a.at(x, y, c) = fa.at(x, y, c), b.at(x, y, c) = fb.at(x, y, c);
        }
        ASSERT_EQ(m.fn(fa.data(), fa.step(), fb.data(), fb.step(), d.data(), d.step(), s), 0);
        ASSERT_TRUE(matches(d, a, b, m));
        if (m.channels == 1 && !m.conj) {
          ruxtest::FencedImage<Rux32f> z(2 * s.width, s.height, 1, {}, fence, 66);
          GuardedImage<Rux32f> mag(s.width, s.height, 1, 67);
          ASSERT_EQ(ruxiMagnitude_32fc32f_C1R(reinterpret_cast<Rux32fc*>(z.data()), z.step(), mag.data(), mag.step(), s), 0);
          ASSERT_EQ(ruxiMagnitudePack_32f_C1R(fa.data(), fa.step(), mag.data(), mag.step(), s), 0);
        }
      }
}

template <class T>
void checkMulInt(RuxResult (*fn)(const T*, int, const T*, int, T*, int, RuxImageSize, int),
                 RuxResult (*inPlace)(const T*, int, T*, int, RuxImageSize, int), int C, bool alpha, const char* name) {
  for (const RuxImageSize s : {RuxImageSize{5, 4}, {8, 7}, {2, 3}, {1, 1}})
    for (int sf : {-40, -3, 0, 1, 5, 17, 31, 33, 62, 70}) {
      GuardedImage<T> a(s.width, s.height, C, 41), b(s.width, s.height, C, 42), d(s.width, s.height, C, 43);
      std::mt19937 rng(7 + sf);  // extremes and small values, so every scale factor matters
      for (auto* img : {&a, &b}) {
        for (int i = 0; i < s.width * s.height * C; ++i) {
          const unsigned pick = rng() % 4;
          img->row(i / (s.width * C))[i % (s.width * C)] =
              pick == 0 ? std::numeric_limits<T>::min() : (pick == 1 ? std::numeric_limits<T>::max() : static_cast<T>(int(rng() % 201) - 100));
        }
        img->snapshot();
      }
      GuardedImage<T> sd = b;
      ASSERT_EQ(fn(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), s, sf), 0);
      ASSERT_EQ(inPlace(a.data(), a.step(), sd.data(), sd.step(), s, sf), 0);
      for (int c = 0; c < (alpha ? 3 : C); ++c) {
        std::vector<T> want;
        for (ruxref::I128 v : productRef<ruxref::I128>(a, b, c, false)) want.push_back(ruxref::scaled<T>(v, sf));
        const std::string what = std::string(name) + " sf " + std::to_string(sf);
        ASSERT_TRUE(planeEquals(d, c, want, what) && planeEquals(sd, c, want, what + " in place"));
      }
      ASSERT_TRUE(d.check(alpha ? 7u : 0xffffffffu) && sd.check(alpha ? 7u : 0xffffffffu)) << name;
    }
}

TEST(PackedMul, IntegerProductsRoundOnceAndSaturate) {
#define MI(t, T, lay, C, A) checkMulInt<T>(&ruxiMulPack_##t##_##lay##RSfs, &ruxiMulPack_##t##_##lay##IRSfs, C, A, #t " " #lay)
  MI(16s, Rux16s, C1, 1, false), MI(16s, Rux16s, C3, 3, false), MI(16s, Rux16s, C4, 4, false), MI(16s, Rux16s, AC4, 4, true);
  MI(32s, Rux32s, C1, 1, false), MI(32s, Rux32s, C3, 3, false), MI(32s, Rux32s, C4, 4, false), MI(32s, Rux32s, AC4, 4, true);
#undef MI
  // Ties to even at the two real positions of a 2 x 1 spectrum: 1.5 -> 2, 2.5 -> 2.
  Rux16s a[2] = {3, 5}, b[2] = {1, 1}, d[2];
  ASSERT_EQ(ruxiMulPack_16s_C1RSfs(a, 4, b, 4, d, 4, {2, 1}, 1), 0);
  EXPECT_TRUE(d[0] == 2 && d[1] == 2);
}

// ---- Magnitude, Phase, PolarToCart -------------------------------------------------------------

// Phase in (-pi, pi]: zero parts count as +0.
long double refMeasure(bool magnitude, long double re, long double im) {
  return magnitude ? std::sqrt(re * re + im * im) : std::atan2(im == 0 ? 0.0L : im, re == 0 ? 0.0L : re);
}

// Floats within one rounding of the exact value; integers scaled, rounded to even, saturated.
template <class T>
bool near(T got, long double want, int sf) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::fabs(want) > std::numeric_limits<T>::max()) return std::isinf(got);
    return std::fabs(got - want) <= std::fabs(want) * 0x1p-24L * 1.01L;
  }
  return got == ruxref::saturate<T>(ruxref::roundBy(std::ldexp(want, -sf), 1));
}

template <class T, class Fn>
void checkMeasure(Fn fn, bool magnitude, int C, const std::string& name, bool packed) {
  const std::vector<int> sfs = std::is_floating_point_v<T> ? std::vector<int>{0} : std::vector<int>{-12, -1, 0, 1, 3, 40};
  std::vector<RuxImageSize> sizes = packed ? kSizes : std::vector<RuxImageSize>{};
  sizes.push_back({300, 3});  // several chunks per row
  for (int sf : sfs)
    for (const RuxImageSize s : sizes) {
      GuardedImage<T> src(s.width, s.height, packed ? C : 2 * C, 51), dst(s.width, s.height, C, 52);
      if (!packed) {  // extremes, zeros and a negative real number with a negative-zero imaginary part
        const T lo = std::numeric_limits<T>::lowest(), hi = std::numeric_limits<T>::max();
        const T v[] = {lo, lo, hi, T(0), T(-3), T(0), T(0), T(0), T(-5), T(-0.0)};
        std::memcpy(src.row(0), v, sizeof(v));
        src.snapshot();
      }
      ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), s, sf), 0);
      for (int c = 0; c < C; ++c) {
        const auto f = packed ? ruxref::fullSpectrum(plane<long double>(src, c), s.width, s.height) : ruxref::Full<long double>(0, 0);
        for (int y = 0; y < s.height; ++y)
          for (int x = 0; x < s.width; ++x) {
            const long double re = packed ? f.re[f.at(y, x)] : src.at(x, y, 2 * c), im = packed ? f.im[f.at(y, x)] : src.at(x, y, 2 * c + 1);
            ASSERT_TRUE(near<T>(dst.at(x, y, c), refMeasure(magnitude, re, im), sf))
                << name << " sf " << sf << " " << s.width << "x" << s.height << " (" << x << "," << y << ") got " << +dst.at(x, y, c);
          }
      }
      ASSERT_TRUE(dst.check());
    }
}

// Adapters: complex sources are passed as their parts, float forms take no scale factor.
#define ADAPT(fn, Z) [=](const auto* s, int ss, auto* d, int ds, RuxImageSize r, int) { return (fn)(reinterpret_cast<const Z*>(s), ss, d, ds, r); }
#define ADAPTS(fn, Z) [=](const auto* s, int ss, auto* d, int ds, RuxImageSize r, int sf) { return (fn)(reinterpret_cast<const Z*>(s), ss, d, ds, r, sf); }
#define MEASURE(op, zt, Z, T, mag)                                                                  \
  checkMeasure<T>(ADAPTS(ruxi##op##_##zt##_C1RSfs, Z), mag, 1, #op " " #zt " C1", false);         \
  checkMeasure<T>(ADAPTS(ruxi##op##_##zt##_C3RSfs, Z), mag, 3, #op " " #zt " C3", false)

TEST(PackedMeasure, MagnitudePhaseAndTheirPackedForms) {
  checkMeasure<Rux32f>(ADAPT(ruxiMagnitude_32fc32f_C1R, Rux32fc), true, 1, "Magnitude 32fc C1", false);
  checkMeasure<Rux32f>(ADAPT(ruxiMagnitude_32fc32f_C3R, Rux32fc), true, 3, "Magnitude 32fc C3", false);
  checkMeasure<Rux32f>(ADAPT(ruxiPhase_32fc32f_C1R, Rux32fc), false, 1, "Phase 32fc C1", false);
  checkMeasure<Rux32f>(ADAPT(ruxiPhase_32fc32f_C3R, Rux32fc), false, 3, "Phase 32fc C3", false);
  MEASURE(Magnitude, 16sc16s, Rux16sc, Rux16s, true), MEASURE(Magnitude, 16uc16u, Rux16uc, Rux16u, true);
  MEASURE(Magnitude, 32sc32s, Rux32sc, Rux32s, true), MEASURE(Phase, 16sc16s, Rux16sc, Rux16s, false);
  MEASURE(Phase, 16uc16u, Rux16uc, Rux16u, false), MEASURE(Phase, 32sc32s, Rux32sc, Rux32s, false);
  for (int C : {1, 3}) {
    const std::string lay = C == 1 ? " C1" : " C3";
    checkMeasure<Rux32f>(ADAPT(C == 1 ? ruxiMagnitudePack_32f_C1R : ruxiMagnitudePack_32f_C3R, Rux32f), true, C, "MagnitudePack 32f" + lay, true);
    checkMeasure<Rux32f>(ADAPT(C == 1 ? ruxiPhasePack_32f_C1R : ruxiPhasePack_32f_C3R, Rux32f), false, C, "PhasePack 32f" + lay, true);
    checkMeasure<Rux16s>(ADAPTS(C == 1 ? ruxiMagnitudePack_16s_C1RSfs : ruxiMagnitudePack_16s_C3RSfs, Rux16s), true, C, "MagnitudePack 16s" + lay, true);
    checkMeasure<Rux16s>(ADAPTS(C == 1 ? ruxiPhasePack_16s_C1RSfs : ruxiPhasePack_16s_C3RSfs, Rux16s), false, C, "PhasePack 16s" + lay, true);
    checkMeasure<Rux32s>(ADAPTS(C == 1 ? ruxiMagnitudePack_32s_C1RSfs : ruxiMagnitudePack_32s_C3RSfs, Rux32s), true, C, "MagnitudePack 32s" + lay, true);
    checkMeasure<Rux32s>(ADAPTS(C == 1 ? ruxiPhasePack_32s_C1RSfs : ruxiPhasePack_32s_C3RSfs, Rux32s), false, C, "PhasePack 32s" + lay, true);
  }
}

template <class T, class Z>
void checkPolar(RuxResult (*fn)(const T*, const T*, int, RuxImageSize, Z*, int), int C, const char* name) {
  const RuxImageSize s{19, 3};
  GuardedImage<T> both(s.width, 2 * s.height, C, 74), d(s.width, s.height, 2 * C, 73);  // phases in the lower rows
  if constexpr (!std::is_floating_point_v<T>)
    for (int i = 0; i < s.width * s.height * C; ++i) both.at(i / C % s.width, s.height + i / C / s.width, i % C) %= 7;
  ASSERT_EQ(fn(both.data(), both.row(s.height), both.step(), s, reinterpret_cast<Z*>(d.data()), d.step()), 0);
  for (int y = 0; y < s.height; ++y)
    for (int i = 0; i < s.width * C; ++i) {
      const long double r = both.row(y)[i], a = both.row(s.height + y)[i];
      for (int k = 0; k < 2; ++k) {
        const long double want = r * (k == 0 ? std::cos(a) : std::sin(a));
        if constexpr (std::is_floating_point_v<T>) ASSERT_NEAR(d.row(y)[2 * i + k], want, std::fabs(r) * 1e-6) << name;
        else ASSERT_EQ(d.row(y)[2 * i + k], ruxref::saturate<T>(ruxref::roundBy(want, 1))) << name << " sample " << i;
      }
    }
  ASSERT_TRUE(d.check());
  if constexpr (std::is_same_v<Z, Rux32fc>) {  // the planar form gives the same bits
    if (C != 1) return;
    GuardedImage<T> p(s.width, s.height, 2, 75);
    const Rux32f* planes[2] = {both.data(), both.row(s.height)};
    ASSERT_EQ(ruxiPolarToCart_32f32fc_P2C1R(planes, both.step(), s, reinterpret_cast<Rux32fc*>(p.data()), p.step()), 0);
    for (int y = 0; y < s.height; ++y) EXPECT_EQ(std::memcmp(p.row(y), d.row(y), s.width * sizeof(Z)), 0);
  }
}

TEST(PackedPolar, PolarToCartEveryType) {
  checkPolar(&ruxiPolarToCart_32fc_C1R, 1, "32fc C1"), checkPolar(&ruxiPolarToCart_32fc_C3R, 3, "32fc C3");
  checkPolar(&ruxiPolarToCart_32sc_C1R, 1, "32sc C1"), checkPolar(&ruxiPolarToCart_32sc_C3R, 3, "32sc C3");
  checkPolar(&ruxiPolarToCart_16sc_C1R, 1, "16sc C1"), checkPolar(&ruxiPolarToCart_16sc_C3R, 3, "16sc C3");
}

// ---- Windows -----------------------------------------------------------------------------------

template <class T>
class PackedWindow : public ::testing::Test {};
using WindowTypes = ::testing::Types<Rux8u, Rux16u, Rux32f>;
TYPED_TEST_SUITE(PackedWindow, WindowTypes);

template <class T>
struct Win {
  RuxResult (*fn)(const T*, int, T*, int, RuxImageSize);
  RuxResult (*inPlace)(T*, int, RuxImageSize);
};
#define WN(t) {{&ruxiWinBartlett_##t##_C1R, &ruxiWinBartlett_##t##_C1IR}, {&ruxiWinHamming_##t##_C1R, &ruxiWinHamming_##t##_C1IR}, \
               {&ruxiWinBartlettSep_##t##_C1R, &ruxiWinBartlettSep_##t##_C1IR}, {&ruxiWinHammingSep_##t##_C1R, &ruxiWinHammingSep_##t##_C1IR}}
template <class T>
std::vector<Win<T>> windows() {  // Bartlett, Hamming, BartlettSep, HammingSep
  if constexpr (std::is_same_v<T, Rux8u>) return WN(8u);
  else if constexpr (std::is_same_v<T, Rux16u>) return WN(16u);
  else return WN(32f);
}

// Separable forms from float window vectors; radial ones from the formulas in double.
template <class T>
T windowRef(int kind, T s, int w, int h, int x, int y) {
  long double v;
  if (kind >= 2) {
    const auto one = [&](int n, int i) { return static_cast<float>(kind == 2 ? ruxref::bartlett1d(n, i) : ruxref::hamming1d(n, i)); };
    if constexpr (std::is_floating_point_v<T>) return s * one(w, x) * one(h, y);
    v = static_cast<long double>(s) * one(w, x) * one(h, y);
  } else {
    const double a = w / 2, b = h / 2, dx = a - std::min(x, w - 1 - x), dy = b - std::min(y, h - 1 - y);
    const double rho = std::min(1.0, std::sqrt(dx * dx / (a * a) + dy * dy / (b * b)));
    const double bartlett = rho < 1.0 ? 1.0 - 2.0 / w * std::hypot(dx, dy * a / b) : 0.0;
    v = static_cast<long double>(s) * (kind == 0 ? bartlett : 0.54 + 0.46 * std::cos(std::numbers::pi * rho));
  }
  if constexpr (std::is_floating_point_v<T>) return static_cast<T>(v);
  return ruxref::saturate<T>(ruxref::roundBy(v, 1));
}

TYPED_TEST(PackedWindow, FormulasInPlaceDocumentedCasesAndFailures) {
  using T = TypeParam;
  for (int k = 0; k < 4; ++k) {
    const Win<T> win = windows<T>()[static_cast<std::size_t>(k)];
    for (const RuxImageSize s : {RuxImageSize{3, 3}, {4, 3}, {7, 5}, {8, 8}, {37, 6}}) {
      GuardedImage<T> src(s.width, s.height, 1, 81), dst(s.width, s.height, 1, 82);
      if (s.width == 3) std::fill_n(src.row(1), 3, T(100)), src.snapshot();
      ASSERT_EQ(win.fn(src.data(), src.step(), dst.data(), dst.step(), s), 0);
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
          const T want = windowRef<T>(k, src.at(x, y, 0), s.width, s.height, x, y);
          if constexpr (std::is_floating_point_v<T>) ASSERT_NEAR(dst.at(x, y, 0), want, 1e-4) << k << " " << x << "," << y;
          else ASSERT_EQ(dst.at(x, y, 0), want) << k << " " << s.width << "x" << s.height << " (" << x << "," << y << ")";
          // 3 x 3 Bartlett windows keep only the centre, and the Hamming centre of an odd size is 1.
          if (s.width == 3 && k != 3) {
            const bool centre = x == 1 && y == 1;
            if (centre || k % 2 == 0) {
              EXPECT_EQ(dst.at(x, y, 0), T(centre ? 100 : 0)) << k;
            }
          }
        }
      ASSERT_TRUE(dst.check());
      GuardedImage<T> io = src;
      ASSERT_EQ(win.inPlace(io.data(), io.step(), s), 0);
      ASSERT_TRUE(planeEquals(io, 0, plane<T>(dst, 0), "in place"));
    }
    GuardedImage<T> src(5, 5, 1, 94), dst(5, 5, 1, 95);
    ruxtest::expectRejections({{"2x5", [&] { return win.fn(src.data(), src.step(), dst.data(), dst.step(), {2, 5}); }, ruxStatusBadSize},
                               {"5x2 in place", [&] { return win.inPlace(dst.data(), dst.step(), {5, 2}); }, ruxStatusBadSize},
                               {"null and 2x5", [&] { return win.fn(nullptr, src.step(), dst.data(), dst.step(), {2, 5}); }, ruxStatusNullPointer},
                               {"2x5 and step 0", [&] { return win.fn(src.data(), 0, dst.data(), dst.step(), {2, 5}); }, ruxStatusBadSize},
                               {"step 0", [&] { return win.fn(src.data(), src.step(), dst.data(), 0, {5, 5}); }, ruxStatusBadStep}},
                              src, dst);
    for (int after = 0; k >= 2 && after < 2; ++after) {  // the two window vectors
      ruxtest::FailAllocationsAfter fail(after);
      EXPECT_EQ(win.fn(src.data(), src.step(), dst.data(), dst.step(), {5, 5}), ruxStatusNoMemory);
      EXPECT_EQ(win.inPlace(dst.data(), dst.step(), {5, 5}), ruxStatusNoMemory);
      EXPECT_TRUE(dst.unchanged());
    }
  }
  // Along the middle row of an odd width the radial Hamming window is the one-dimensional one.
  GuardedImage<T> flat(9, 5, 1, 92);
  std::fill_n(flat.row(2), 9, T(200));
  ASSERT_EQ(windows<T>()[1].inPlace(flat.row(0), flat.step(), {9, 5}), 0);
  for (int x = 0; x < 9; ++x) EXPECT_NEAR(flat.at(x, 2, 0), 200.0 * ruxref::hamming1d(9, x), std::is_floating_point_v<T> ? 1e-4 : 0.5);
}

// ---- Validation order ----------------------------------------------------------------------------

// Products check pointers, steps, then the size; the others pointers, the size, then steps.
TEST(PackedValidation, OrderOfChecks) {
  GuardedImage<Rux32f> a(4, 4, 1, 101), b(4, 4, 1, 102), d(4, 4, 2, 103);
  const RuxImageSize s{4, 4}, zero{0, 4};
  auto* z = reinterpret_cast<Rux32fc*>(d.data());
  const Rux32f* planes[2] = {a.data(), nullptr};
  ruxtest::expectRejections(
      {{"MulPack null before step", [&] { return ruxiMulPack_32f_C1R(nullptr, 0, a.data(), a.step(), b.data(), b.step(), zero); }, ruxStatusNullPointer},
       {"MulPack step before size", [&] { return ruxiMulPack_32f_C1R(a.data(), a.step(), a.data(), 0, b.data(), b.step(), zero); }, ruxStatusBadStep},
       {"MulPack size", [&] { return ruxiMulPack_32f_C1R(a.data(), a.step(), a.data(), a.step(), b.data(), b.step(), zero); }, ruxStatusBadSize},
       {"MulPackConj IR step", [&] { return ruxiMulPackConj_32f_AC4IR(a.data(), -1, b.data(), b.step(), {0, 0}); }, ruxStatusBadStep},
       {"Magnitude size before step", [&] { return ruxiMagnitude_32fc32f_C1R(z, 0, b.data(), b.step(), zero); }, ruxStatusBadSize},
       {"PhasePack step", [&] { return ruxiPhasePack_32f_C1R(a.data(), -4096, b.data(), b.step(), s); }, ruxStatusBadStep},
       {"PolarToCart null plane", [&] { return ruxiPolarToCart_32f32fc_P2C1R(planes, a.step(), zero, z, d.step()); }, ruxStatusNullPointer},
       {"PackToCplxExtend step", [&] { return ruxiPackToCplxExtend_32f32fc_C1R(a.data(), a.step(), s, z, 0); }, ruxStatusBadStep},
       {"CplxExtendToPack size", [&] { return ruxiCplxExtendToPack_32fc32f_C1R(z, d.step(), zero, b.data(), b.step()); }, ruxStatusBadSize}},
      a, b, d);
}

}  // namespace

// Magnitude and phase of regions around the fork size: the same bytes at 1, 2 and 7 threads.
TEST(MagnitudePhase, ResultsDoNotDependOnTheThreadCount) {
  if (!ruxtest::onFirstTargetPass()) return;
  const int w = 300;
  for (int h : ruxtest::heightsAroundFork(static_cast<long long>(w) * 12)) {
    GuardedImage<Rux32f> z(2 * w, h, 1, 71);
    for (int kind = 0; kind < 2; ++kind)
      ruxtest::expectThreadIndependent(kind == 0 ? "Magnitude" : "Phase", [&] {
        GuardedImage<Rux32f> d(w, h, 1, 72);
        const auto* src = reinterpret_cast<const Rux32fc*>(z.data());
        const RuxResult st = kind == 0 ? ruxiMagnitude_32fc32f_C1R(src, z.step(), d.data(), d.step(), {w, h})
                                       : ruxiPhase_32fc32f_C1R(src, z.step(), d.data(), d.step(), {w, h});
        EXPECT_EQ(st, 0);
        return ruxtest::bytesOf(d.data(), static_cast<std::size_t>(d.step() / 4) * h);
      });
  }
}
