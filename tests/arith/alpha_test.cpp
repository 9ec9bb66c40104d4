// Alpha composition against the reference: every operation code on every 8u (value, alpha) pair
// of either operand, random 16-bit, signed, 32-bit and float data over widths that cross every
// vector length (guard bands, AC4 alpha rules, AP4 planes), premultiplication, colour keys, the
// hand-computed pixels and the validation order.
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ref/alpha_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
bool same(T got, T want) {
  if constexpr (std::is_floating_point_v<T>) {
    return std::fabs(double(got) - double(want)) <= 1e-6 * std::max(1.0, std::fabs(double(want)));
  } else {
    return got == want;
  }
}

// Operation codes are plain integers in the tables below.
constexpr RuxCompositeOp op(int code) { return static_cast<RuxCompositeOp>(code); }

template <class T>
using CompFn = RuxResult (*)(const T*, int, const T*, int, T*, int, RuxImageSize, RuxCompositeOp);
template <class T>
using CompP4Fn = RuxResult (*)(const T* const[4], int, const T* const[4], int, T* const[4], int,
                               RuxImageSize, RuxCompositeOp);
template <class T>
using CompCFn = RuxResult (*)(const T*, int, T, const T*, int, T, T*, int, RuxImageSize, RuxCompositeOp);
template <class T>
using CompCP4Fn = RuxResult (*)(const T* const[4], int, T, const T* const[4], int, T, T* const[4],
                                int, RuxImageSize, RuxCompositeOp);

// AP4 planes that share one step (the functions take a single step per image).
template <class T>
struct SharedPlanes {
  std::vector<GuardedImage<T>> p;
  T* ptr[4];
  SharedPlanes(int w, int h, std::uint32_t seed) {
    for (int c = 0; c < 4; ++c) p.emplace_back(w, h, 1, seed + 17 * c, 3);
    for (int c = 0; c < 4; ++c) ptr[c] = p[c].data();
  }
  int step() const { return p[0].step(); }
  T at(int x, int y, int c) const { return p[c].at(x, y, 0); }
};

// Reference of an AC4 or AC1 composite of a and b.
template <class T>
::testing::AssertionResult expectComp(int code, int ch, const GuardedImage<T>& a,
                                      const GuardedImage<T>& b, const GuardedImage<T>& d) {
  for (int y = 0; y < d.height(); ++y) {
    for (int x = 0; x < d.width(); ++x) {
      T pa[4], pb[4], want[4];
      for (int c = 0; c < ch; ++c) pa[c] = a.at(x, y, c), pb[c] = b.at(x, y, c);
      if (ch == 4) {
        ruxref::alphaCompPixel<T>(code, pa, pb, want);
      } else {
        want[0] = ruxref::alphaCompAlpha<T>(code, pa[0], pb[0]);
      }
      for (int c = 0; c < ch; ++c) {
        if (!same(d.at(x, y, c), want[c])) {
          return ::testing::AssertionFailure()
                 << "code " << code << " pixel " << x << "," << y << " channel " << c << ": A "
                 << +pa[c] << "/" << +pa[ch - 1] << " B " << +pb[c] << "/" << +pb[ch - 1]
                 << " got " << +d.at(x, y, c) << " want " << +want[c];
        }
      }
    }
  }
  return d.check();
}

// AP4 result against the AC4 reference of the same pixels.
template <class T>
::testing::AssertionResult expectCompP4(int code, const SharedPlanes<T>& a, const SharedPlanes<T>& b,
                                        const SharedPlanes<T>& d) {
  for (int y = 0; y < d.p[0].height(); ++y) {
    for (int x = 0; x < d.p[0].width(); ++x) {
      T pa[4], pb[4], want[4];
      for (int c = 0; c < 4; ++c) pa[c] = a.at(x, y, c), pb[c] = b.at(x, y, c);
      ruxref::alphaCompPixel<T>(code, pa, pb, want);
      for (int c = 0; c < 4; ++c) {
        if (d.at(x, y, c) != want[c]) {
          return ::testing::AssertionFailure() << "code " << code << " pixel " << x << "," << y
                                               << " plane " << c << ": got " << +d.at(x, y, c)
                                               << " want " << +want[c];
        }
      }
    }
  }
  for (const auto& plane : d.p) {
    auto r = plane.check();
    if (!r) return r;
  }
  return ::testing::AssertionSuccess();
}

template <class T>
void runComp(CompFn<T> fn, int ch, int code, GuardedImage<T>& a, GuardedImage<T>& b,
             std::uint32_t seed) {
  GuardedImage<T> d(a.width(), a.height(), ch, seed, 5);
  ASSERT_EQ(fn(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), a.size(), op(code)),
            ruxStatusOk);
  EXPECT_TRUE(expectComp(code, ch, a, b, d)) << "channels " << ch;
}

// Every (value, alpha) pair of A, then of B, the other operand random; all twelve codes.
TEST(AlphaComp, Every8uValueAlphaPair) {
  for (int side = 0; side < 2; ++side) {
    GuardedImage<Rux8u> a(256, 256, 4, 1 + side), b(256, 256, 4, 3 + side, 7);
    GuardedImage<Rux8u>& swept = side == 0 ? a : b;
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        swept.at(x, y, 0) = Rux8u(x);
        swept.at(x, y, 1) = Rux8u(255 - x);
        swept.at(x, y, 2) = Rux8u(x * 37);
        swept.at(x, y, 3) = Rux8u(y);
      }
    }
    swept.snapshot();
    GuardedImage<Rux8u> a1(256, 256, 1, 5), b1(256, 256, 1, 6);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) a1.at(x, y, 0) = Rux8u(x), b1.at(x, y, 0) = Rux8u(y);
    for (int code = 0; code < 12; ++code) {
      runComp<Rux8u>(ruxiAlphaComp_8u_AC4R, 4, code, a, b, 10 + code);
      if (side == 0) runComp<Rux8u>(ruxiAlphaComp_8u_AC1R, 1, code, a1, b1, 30 + code);
    }
  }
}

template <class T>
void sweepComp(CompFn<T> ac4, CompFn<T> ac1, CompP4Fn<T> ap4, const std::vector<int>& widths) {
  for (int w : widths) {
    for (int code = 0; code < 12; ++code) {
      const std::uint32_t seed = static_cast<std::uint32_t>(w * 31 + code);
      GuardedImage<T> a(w, 2, 4, seed), b(w, 2, 4, seed + 1, 3);
      runComp<T>(ac4, 4, code, a, b, seed + 2);
      GuardedImage<T> a1(w, 2, 1, seed + 3, 1), b1(w, 2, 1, seed + 4);
      runComp<T>(ac1, 1, code, a1, b1, seed + 5);
      if (ap4 != nullptr) {
        SharedPlanes<T> pa(w, 2, seed + 6), pb(w, 2, seed + 7), pd(w, 2, seed + 8);
        ASSERT_EQ(ap4(pa.ptr, pa.step(), pb.ptr, pb.step(), pd.ptr, pd.step(), {w, 2}, op(code)),
                  ruxStatusOk);
        EXPECT_TRUE(expectCompP4(code, pa, pb, pd)) << "AP4 width " << w;
      }
      if (::testing::Test::HasFailure()) return;
    }
  }
}

TEST(AlphaComp, EveryWidth8u16u) {
  const auto widths = ruxtest::sweepWidths();
  sweepComp<Rux8u>(ruxiAlphaComp_8u_AC4R, ruxiAlphaComp_8u_AC1R, ruxiAlphaComp_8u_AP4R, widths);
  sweepComp<Rux16u>(ruxiAlphaComp_16u_AC4R, ruxiAlphaComp_16u_AC1R, ruxiAlphaComp_16u_AP4R, widths);
}

TEST(AlphaComp, SignedWideAndFloatTypes) {
  const std::vector<int> widths = {1, 7, 33, 130};
  sweepComp<Rux8s>(ruxiAlphaComp_8s_AC4R, ruxiAlphaComp_8s_AC1R, nullptr, widths);
  sweepComp<Rux16s>(ruxiAlphaComp_16s_AC4R, ruxiAlphaComp_16s_AC1R, nullptr, widths);
  sweepComp<Rux32s>(ruxiAlphaComp_32s_AC4R, ruxiAlphaComp_32s_AC1R, nullptr, widths);
  sweepComp<Rux32u>(ruxiAlphaComp_32u_AC4R, ruxiAlphaComp_32u_AC1R, nullptr, widths);
  sweepComp<Rux32f>(ruxiAlphaComp_32f_AC4R, ruxiAlphaComp_32f_AC1R, nullptr, widths);
}

// Hand-computed pixels: flooring, saturation, alpha composed like a colour.
TEST(AlphaComp, KnownPixels) {
  struct Case {
    int code;
    Rux8u a[4], b[4], want[4];
  } cases[] = {
      {6, {100, 0, 0, 128}, {0, 200, 0, 255}, {100, 99, 0, 255}},     // over, premultiplied
      {11, {200, 0, 255, 255}, {100, 0, 255, 255}, {255, 0, 255, 255}},  // plus saturates
      {7, {254, 255, 0, 255}, {0, 0, 0, 1}, {0, 1, 0, 1}},          // in: 254*1/255 floors to 0
      {0, {255, 255, 255, 255}, {9, 9, 9, 255}, {255, 255, 255, 255}},  // opaque over
      {0, {10, 20, 30, 0}, {255, 128, 0, 255}, {255, 128, 0, 255}},  // transparent A
      {2, {255, 255, 255, 255}, {0, 0, 0, 255}, {0, 0, 0, 0}},       // out of opaque B
  };
  for (const auto& c : cases) {
    Rux8u d[4] = {1, 2, 3, 4};
    ASSERT_EQ(ruxiAlphaComp_8u_AC4R(c.a, 4, c.b, 4, d, 4, {1, 1}, op(c.code)), ruxStatusOk);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(d[k], c.want[k]) << "code " << c.code << " channel " << k;
  }
  // Over on float alphas: a + (1 - a) * b.
  const Rux32f a = 0.25f, b = 0.5f;
  Rux32f d = 0;
  ASSERT_EQ(ruxiAlphaComp_32f_AC1R(&a, 4, &b, 4, &d, 4, {1, 1}, op(0)), ruxStatusOk);
  EXPECT_FLOAT_EQ(d, 0.625f);
  // Signed: negative colours floor, negative alphas count as 0.
  const Rux16s sa[4] = {-3, 5, 100, 16384}, sb[4] = {7, 7, 7, -9};
  Rux16s sd[4];
  ASSERT_EQ(ruxiAlphaComp_16s_AC4R(sa, 8, sb, 8, sd, 8, {1, 1}, op(0)), ruxStatusOk);
  EXPECT_EQ(sd[0], -2);  // floor(-3 * 16384 / 32767) = floor(-1.50004...)
  EXPECT_EQ(sd[3], 16384);
}

// ---- constant alphas ------------------------------------------------------------------------------

template <class T>
void sweepCompC(CompCFn<T> fn, int ch, bool keepAlpha, const std::vector<int>& widths) {
  std::mt19937 rng(7);
  for (int w : widths) {
    for (int code = 0; code < 12; ++code) {
      const std::uint32_t seed = static_cast<std::uint32_t>(w * 13 + code);
      GuardedImage<T> a(w, 2, ch, seed), b(w, 2, ch, seed + 1, 2), d(w, 2, ch, seed + 2, 1);
      T alphaA = ruxtest::randomValue<T>(rng), alphaB = ruxtest::randomValue<T>(rng);
      if constexpr (std::is_floating_point_v<T>) alphaA = T(0.3), alphaB = T(0.8);
      ASSERT_EQ(fn(a.data(), a.step(), alphaA, b.data(), b.step(), alphaB, d.data(), d.step(),
                   {w, 2}, op(code)),
                ruxStatusOk);
      const int colour = keepAlpha ? 3 : ch;
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < colour; ++c) {
            const T want = ruxref::alphaCompConst<T>(code, a.at(x, y, c), alphaA, b.at(x, y, c), alphaB);
            ASSERT_TRUE(same(d.at(x, y, c), want))
                << "code " << code << " width " << w << " x " << x << " c " << c << ": got "
                << +d.at(x, y, c) << " want " << +want;
          }
      ASSERT_TRUE(d.check(keepAlpha ? 0x7u : 0xfu)) << "code " << code << " width " << w;
    }
  }
}

template <class T>
void sweepCompCP4(CompCP4Fn<T> fn, const std::vector<int>& widths) {
  for (int w : widths) {
    for (int code = 0; code < 12; ++code) {
      SharedPlanes<T> a(w, 2, w + code), b(w, 2, w + 40), d(w, 2, w + 80);
      const T alphaA = T(w * 101 + code), alphaB = T(w * 7 + 3);
      ASSERT_EQ(fn(a.ptr, a.step(), alphaA, b.ptr, b.step(), alphaB, d.ptr, d.step(), {w, 2}, op(code)),
                ruxStatusOk);
      for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < 2; ++y)
          for (int x = 0; x < w; ++x)
            ASSERT_EQ(d.at(x, y, c), ruxref::alphaCompConst<T>(code, a.at(x, y, c), alphaA,
                                                                b.at(x, y, c), alphaB));
        ASSERT_TRUE(d.p[c].check());
      }
      ASSERT_TRUE(d.p[3].unchanged());
    }
  }
}

TEST(AlphaCompC, EveryLayoutAndType) {
  const auto widths = ruxtest::sweepWidths();
  sweepCompC<Rux8u>(ruxiAlphaCompC_8u_C1R, 1, false, widths);
  sweepCompC<Rux8u>(ruxiAlphaCompC_8u_C3R, 3, false, widths);
  sweepCompC<Rux8u>(ruxiAlphaCompC_8u_C4R, 4, false, widths);
  sweepCompC<Rux8u>(ruxiAlphaCompC_8u_AC4R, 4, true, widths);
  sweepCompC<Rux16u>(ruxiAlphaCompC_16u_C1R, 1, false, widths);
  sweepCompC<Rux16u>(ruxiAlphaCompC_16u_C3R, 3, false, widths);
  sweepCompC<Rux16u>(ruxiAlphaCompC_16u_C4R, 4, false, widths);
  sweepCompC<Rux16u>(ruxiAlphaCompC_16u_AC4R, 4, true, widths);
  sweepCompCP4<Rux8u>(ruxiAlphaCompC_8u_AP4R, {1, 17, 67});
  sweepCompCP4<Rux16u>(ruxiAlphaCompC_16u_AP4R, {1, 17, 67});
  const std::vector<int> few = {1, 9, 70};
  sweepCompC<Rux8s>(ruxiAlphaCompC_8s_C1R, 1, false, few);
  sweepCompC<Rux16s>(ruxiAlphaCompC_16s_C1R, 1, false, few);
  sweepCompC<Rux32s>(ruxiAlphaCompC_32s_C1R, 1, false, few);
  sweepCompC<Rux32u>(ruxiAlphaCompC_32u_C1R, 1, false, few);
  sweepCompC<Rux32f>(ruxiAlphaCompC_32f_C1R, 1, false, few);
}

// ---- premultiplication ----------------------------------------------------------------------------

template <class T>
void checkPremul(RuxResult (*r)(const T*, int, T*, int, RuxImageSize),
                 RuxResult (*ir)(T*, int, RuxImageSize), GuardedImage<T>& src) {
  const int w = src.width(), h = src.height();
  GuardedImage<T> d(w, h, 4, 99, 3);
  GuardedImage<T> inPlace = src;
  ASSERT_EQ(r(src.data(), src.step(), d.data(), d.step(), src.size()), ruxStatusOk);
  ASSERT_EQ(ir(inPlace.data(), inPlace.step(), src.size()), ruxStatusOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        const T want = c == 3 ? src.at(x, y, 3) : ruxref::premulRef<T>(src.at(x, y, c), src.at(x, y, 3));
        ASSERT_EQ(d.at(x, y, c), want) << x << "," << y << " c " << c;
        ASSERT_EQ(inPlace.at(x, y, c), want) << "in place " << x << "," << y << " c " << c;
      }
  EXPECT_TRUE(d.check());
  EXPECT_TRUE(inPlace.check(0x7u));
}

TEST(AlphaPremul, EveryValueAlphaPairAndWidth) {
  GuardedImage<Rux8u> all(256, 256, 4, 1);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      for (int c = 0; c < 4; ++c) all.at(x, y, c) = Rux8u(c == 3 ? y : x + 85 * c);
  all.snapshot();
  checkPremul<Rux8u>(ruxiAlphaPremul_8u_AC4R, ruxiAlphaPremul_8u_AC4IR, all);
  for (int w : ruxtest::sweepWidths()) {
    GuardedImage<Rux8u> s8(w, 2, 4, w);
    checkPremul<Rux8u>(ruxiAlphaPremul_8u_AC4R, ruxiAlphaPremul_8u_AC4IR, s8);
    GuardedImage<Rux16u> s16(w, 2, 4, w + 1, 1);
    checkPremul<Rux16u>(ruxiAlphaPremul_16u_AC4R, ruxiAlphaPremul_16u_AC4IR, s16);
  }
}

template <class T>
void checkPremulP4(RuxResult (*r)(const T* const[4], int, T* const[4], int, RuxImageSize),
                   RuxResult (*ir)(T* const[4], int, RuxImageSize)) {
  for (int w : {1, 5, 40, 259}) {
    SharedPlanes<T> s(w, 3, w), d(w, 3, w + 9), ip(w, 3, w);
    ASSERT_EQ(r(s.ptr, s.step(), d.ptr, d.step(), {w, 3}), ruxStatusOk);
    ASSERT_EQ(ir(ip.ptr, ip.step(), {w, 3}), ruxStatusOk);
    for (int c = 0; c < 4; ++c)
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < w; ++x) {
          const T want = c == 3 ? s.at(x, y, 3) : ruxref::premulRef<T>(s.at(x, y, c), s.at(x, y, 3));
          ASSERT_EQ(d.at(x, y, c), want);
          ASSERT_EQ(ip.at(x, y, c), want);
        }
    for (int c = 0; c < 4; ++c) ASSERT_TRUE(d.p[c].check());
    ASSERT_TRUE(ip.p[3].unchanged());
  }
}

TEST(AlphaPremul, Planes) {
  checkPremulP4<Rux8u>(ruxiAlphaPremul_8u_AP4R, ruxiAlphaPremul_8u_AP4IR);
  checkPremulP4<Rux16u>(ruxiAlphaPremul_16u_AP4R, ruxiAlphaPremul_16u_AP4IR);
}

template <class T>
void checkPremulC(RuxResult (*r)(const T*, int, T, T*, int, RuxImageSize),
                  RuxResult (*ir)(T, T*, int, RuxImageSize), int ch, bool setAlpha) {
  for (int w : {1, 3, 16, 31, 64, 133}) {
    for (T alpha : {T(0), T(1), T(128), T(std::numeric_limits<T>::max() - 1),
                    std::numeric_limits<T>::max()}) {
      GuardedImage<T> s(w, 2, ch, w), d(w, 2, ch, w + 5, 2);
      GuardedImage<T> ip = s;
      ASSERT_EQ(r(s.data(), s.step(), alpha, d.data(), d.step(), {w, 2}), ruxStatusOk);
      ASSERT_EQ(ir(alpha, ip.data(), ip.step(), {w, 2}), ruxStatusOk);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < ch; ++c) {
            const T want = setAlpha && c == 3 ? alpha : ruxref::premulRef<T>(s.at(x, y, c), alpha);
            ASSERT_EQ(d.at(x, y, c), want) << "alpha " << +alpha << " x " << x << " c " << c;
            ASSERT_EQ(ip.at(x, y, c), want);
          }
      ASSERT_TRUE(d.check());
      ASSERT_TRUE(ip.check());
    }
  }
}

template <class T>
void checkPremulCP4(RuxResult (*r)(const T* const[4], int, T, T* const[4], int, RuxImageSize),
                    RuxResult (*ir)(T, T* const[4], int, RuxImageSize)) {
  const T alpha = T(std::numeric_limits<T>::max() / 3);
  SharedPlanes<T> s(37, 2, 1), d(37, 2, 2), ip(37, 2, 1);
  ASSERT_EQ(r(s.ptr, s.step(), alpha, d.ptr, d.step(), {37, 2}), ruxStatusOk);
  ASSERT_EQ(ir(alpha, ip.ptr, ip.step(), {37, 2}), ruxStatusOk);
  for (int c = 0; c < 4; ++c)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 37; ++x) {
        const T want = c == 3 ? alpha : ruxref::premulRef<T>(s.at(x, y, c), alpha);
        ASSERT_EQ(d.at(x, y, c), want);
        ASSERT_EQ(ip.at(x, y, c), want);
      }
  for (int c = 0; c < 4; ++c) ASSERT_TRUE(d.p[c].check());
}

TEST(AlphaPremulC, EveryLayout) {
  checkPremulC<Rux8u>(ruxiAlphaPremulC_8u_C1R, ruxiAlphaPremulC_8u_C1IR, 1, false);
  checkPremulC<Rux8u>(ruxiAlphaPremulC_8u_C3R, ruxiAlphaPremulC_8u_C3IR, 3, false);
  checkPremulC<Rux8u>(ruxiAlphaPremulC_8u_C4R, ruxiAlphaPremulC_8u_C4IR, 4, false);
  checkPremulC<Rux8u>(ruxiAlphaPremulC_8u_AC4R, ruxiAlphaPremulC_8u_AC4IR, 4, true);
  checkPremulC<Rux16u>(ruxiAlphaPremulC_16u_C1R, ruxiAlphaPremulC_16u_C1IR, 1, false);
  checkPremulC<Rux16u>(ruxiAlphaPremulC_16u_C3R, ruxiAlphaPremulC_16u_C3IR, 3, false);
  checkPremulC<Rux16u>(ruxiAlphaPremulC_16u_C4R, ruxiAlphaPremulC_16u_C4IR, 4, false);
  checkPremulC<Rux16u>(ruxiAlphaPremulC_16u_AC4R, ruxiAlphaPremulC_16u_AC4IR, 4, true);
  checkPremulCP4<Rux8u>(ruxiAlphaPremulC_8u_AP4R, ruxiAlphaPremulC_8u_AP4IR);
  checkPremulCP4<Rux16u>(ruxiAlphaPremulC_16u_AP4R, ruxiAlphaPremulC_16u_AP4IR);
}

// ---- colour keys ----------------------------------------------------------------------------------

template <class T, int C, class Fn>
void checkColorKey(Fn call) {
  const T key[4] = {T(1), T(2), T(3), T(4)};
  for (int w : {1, 8, 45}) {
    GuardedImage<T> a(w, 3, C, w), b(w, 3, C, w + 1), d(w, 3, C, w + 2, 1);
    // Every third pixel is the key, every third differs from it in the last channel only.
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x)
        if ((x + y) % 3 != 2)
          for (int c = 0; c < C; ++c) a.at(x, y, c) = T(key[c] + ((x + y) % 3 == 1 && c == C - 1));
    a.snapshot();
    ASSERT_EQ(call(a, b, d, key), ruxStatusOk);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) {
        bool keyed = true;
        for (int c = 0; c < C; ++c) keyed &= a.at(x, y, c) == key[c];
        for (int c = 0; c < C; ++c)
          ASSERT_EQ(d.at(x, y, c), keyed ? b.at(x, y, c) : a.at(x, y, c)) << x << "," << y;
      }
    ASSERT_TRUE(d.check());
  }
}

#define RUX_KEY_CALL(type, T, lay, keyArg)                                                   \
  [](GuardedImage<T>& a, GuardedImage<T>& b, GuardedImage<T>& d, const T* key) {              \
    return ruxiCompColorKey_##type##_##lay##R(a.data(), a.step(), b.data(), b.step(), d.data(), \
                                              d.step(), a.size(), keyArg);                    \
  }
#define RUX_KEY_TYPE(type, T)                                     \
  checkColorKey<T, 1>(RUX_KEY_CALL(type, T, C1, key[0]));         \
  checkColorKey<T, 3>(RUX_KEY_CALL(type, T, C3, key));            \
  checkColorKey<T, 4>(RUX_KEY_CALL(type, T, C4, key));

TEST(CompColorKey, WholePixelMatch) {
  RUX_KEY_TYPE(8u, Rux8u)
  RUX_KEY_TYPE(16u, Rux16u)
  RUX_KEY_TYPE(16s, Rux16s)
}

TEST(AlphaCompColorKey, KeyedPixelsTakeB) {
  const Rux8u key[4] = {10, 20, 30, 40};
  for (int code = 0; code < 6; ++code) {
    GuardedImage<Rux8u> a(21, 2, 4, code), b(21, 2, 4, code + 1), d(21, 2, 4, code + 2, 1);
    for (int x = 0; x < 21; x += 4)
      for (int c = 0; c < 4; ++c) a.at(x, 1, c) = key[c];
    a.at(2, 0, 0) = 10, a.at(2, 0, 1) = 20, a.at(2, 0, 2) = 30, a.at(2, 0, 3) = 41;  // alpha differs
    a.snapshot();
    const Rux8u alphaA = 200, alphaB = 77;
    ASSERT_EQ(ruxiAlphaCompColorKey_8u_AC4R(a.data(), a.step(), alphaA, b.data(), b.step(), alphaB,
                                            d.data(), d.step(), a.size(), key, op(code)),
              ruxStatusOk);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 21; ++x) {
        const bool keyed = y == 1 && x % 4 == 0;
        for (int c = 0; c < 3; ++c) {
          const Rux8u want = keyed ? b.at(x, y, c)
                                   : ruxref::alphaCompConst<Rux8u>(code, a.at(x, y, c), alphaA,
                                                                   b.at(x, y, c), alphaB);
          ASSERT_EQ(d.at(x, y, c), want) << "code " << code << " pixel " << x << "," << y;
        }
      }
    ASSERT_TRUE(d.check(0x7u));
  }
}

// ---- validation -----------------------------------------------------------------------------------

TEST(AlphaValidation, OrderAndCodes) {
  GuardedImage<Rux8u> a(4, 2, 4, 1), b(4, 2, 4, 2), d(4, 2, 4, 3);
  SharedPlanes<Rux8u> pa(4, 2, 4), pd(4, 2, 5);
  const Rux8u* holed[4] = {pa.ptr[0], pa.ptr[1], nullptr, pa.ptr[3]};
  const Rux8u key[4] = {0, 0, 0, 0};
  const int s = a.step();
  const RuxImageSize ok{4, 2};
  ruxtest::expectRejections(
      {
          {"null A", [&] { return ruxiAlphaComp_8u_AC4R(nullptr, s, b.data(), s, d.data(), s, {0, 2}, op(12)); }, ruxStatusNullPointer},
          {"width 0", [&] { return ruxiAlphaComp_8u_AC4R(a.data(), s, b.data(), s, d.data(), s, {0, 2}, op(12)); }, ruxStatusBadSize},
          {"height -1", [&] { return ruxiAlphaComp_8u_AC1R(a.data(), s, b.data(), s, d.data(), s, {1, -1}, op(99)); }, ruxStatusBadSize},
          {"code 12", [&] { return ruxiAlphaComp_8u_AC4R(a.data(), s, b.data(), s, d.data(), s, ok, op(12)); }, ruxStatusBadCompositeOp},
          {"code -1", [&] { return ruxiAlphaComp_8u_AC1R(a.data(), s, b.data(), s, d.data(), s, ok, op(-1)); }, ruxStatusBadCompositeOp},
          {"code 12 32f", [&] { return ruxiAlphaComp_32f_AC4R(reinterpret_cast<const Rux32f*>(a.data()), s, reinterpret_cast<const Rux32f*>(b.data()), s, reinterpret_cast<Rux32f*>(d.data()), s, {1, 1}, op(12)); }, ruxStatusBadCompositeOp},
          {"AP4 null plane", [&] { return ruxiAlphaComp_8u_AP4R(holed, pa.step(), pa.ptr, pa.step(), pd.ptr, pd.step(), ok, op(0)); }, ruxStatusNullPointer},
          {"AP4 null array", [&] { return ruxiAlphaComp_8u_AP4R(pa.ptr, pa.step(), nullptr, pa.step(), pd.ptr, pd.step(), ok, op(0)); }, ruxStatusNullPointer},
          {"AP4 code 13", [&] { return ruxiAlphaComp_8u_AP4R(pa.ptr, pa.step(), pa.ptr, pa.step(), pd.ptr, pd.step(), ok, op(13)); }, ruxStatusBadCompositeOp},
          {"C null B", [&] { return ruxiAlphaCompC_8u_C3R(a.data(), s, 1, nullptr, s, 2, d.data(), s, ok, op(0)); }, ruxStatusNullPointer},
          {"C code 12", [&] { return ruxiAlphaCompC_8u_AC4R(a.data(), s, 1, b.data(), s, 2, d.data(), s, ok, op(12)); }, ruxStatusBadCompositeOp},
          {"C AP4 null plane 3", [&] { return ruxiAlphaCompC_8u_AP4R(pa.ptr, pa.step(), 1, holed, pa.step(), 2, pd.ptr, pd.step(), {0, 0}, op(99)); }, ruxStatusNullPointer},
          {"C AP4 size", [&] { return ruxiAlphaCompC_8u_AP4R(pa.ptr, pa.step(), 1, pa.ptr, pa.step(), 2, pd.ptr, pd.step(), {4, 0}, op(99)); }, ruxStatusBadSize},
          {"C AP4 code", [&] { return ruxiAlphaCompC_8u_AP4R(pa.ptr, pa.step(), 1, pa.ptr, pa.step(), 2, pd.ptr, pd.step(), ok, op(99)); }, ruxStatusBadCompositeOp},
          {"premul null", [&] { return ruxiAlphaPremul_8u_AC4IR(nullptr, s, {0, 0}); }, ruxStatusNullPointer},
          {"premul size", [&] { return ruxiAlphaPremul_8u_AC4R(a.data(), s, d.data(), s, {4, 0}); }, ruxStatusBadSize},
          {"premul AP4 null plane", [&] { return ruxiAlphaPremul_8u_AP4R(holed, pa.step(), pd.ptr, pd.step(), ok); }, ruxStatusNullPointer},
          {"premulC size", [&] { return ruxiAlphaPremulC_8u_C3IR(5, d.data(), s, {-1, 1}); }, ruxStatusBadSize},
          {"premulC AP4 null", [&] { return ruxiAlphaPremulC_8u_AP4R(holed, pa.step(), 5, pd.ptr, pd.step(), ok); }, ruxStatusNullPointer},
          {"key null key", [&] { return ruxiCompColorKey_8u_C3R(a.data(), s, b.data(), s, d.data(), s, ok, nullptr); }, ruxStatusNullPointer},
          {"key size", [&] { return ruxiCompColorKey_8u_C1R(a.data(), s, b.data(), s, d.data(), s, {0, 1}, 0); }, ruxStatusBadSize},
          {"alpha key code 6", [&] { return ruxiAlphaCompColorKey_8u_AC4R(a.data(), s, 1, b.data(), s, 2, d.data(), s, ok, key, op(6)); }, ruxStatusBadCompositeOp},
          {"alpha key null key", [&] { return ruxiAlphaCompColorKey_8u_AC4R(a.data(), s, 1, b.data(), s, 2, d.data(), s, {0, 0}, nullptr, op(6)); }, ruxStatusNullPointer},
          {"alpha key size", [&] { return ruxiAlphaCompColorKey_8u_AC4R(a.data(), s, 1, b.data(), s, 2, d.data(), s, {2, 0}, key, op(6)); }, ruxStatusBadSize},
      },
      a, b, d, pd.p[0], pd.p[1], pd.p[2], pd.p[3]);
  // Steps are not checked: a negative step walks upwards.
  GuardedImage<Rux8u> up(3, 2, 4, 8);
  EXPECT_EQ(ruxiAlphaPremul_8u_AC4IR(up.row(1), -up.step(), {3, 2}), ruxStatusOk);
  EXPECT_TRUE(up.check());
}

}  // namespace
