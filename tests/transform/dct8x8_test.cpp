// 8x8 block DCTs and zig-zag scans against the double references: 32f within a few ulps of the
// block's scale; the 16-bit forms within 1 of the rounded, saturated result over the whole input
// range, mostly equal to it and bit-identical on every SIMD target; the 8u, level-shift and
// clip forms, the reduced and decimating inverses, constant blocks and validation.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "ref/dct8x8_ref.h"
#include "toolkit/toolkit.h"

namespace {

// Values compared and values off the rounded reference (a biased rounding misses half).
long long gMissed = 0, gCompared = 0;
std::uint64_t gDigest[2], gHash;  // results of the first target that ran, and of this one

// Every value within 1 of the reference rounded to nearest and clamped to [lo, hi].
template <class T>
::testing::AssertionResult within1(const T* got, const double* ref, int n, const std::string& what, double lo = -32768,
                                   double hi = 32767) {
  for (int i = 0; i < n; ++i) {
    const double want = std::clamp(std::nearbyint(ref[i]), lo, hi);
    gMissed += got[i] != want;
    ++gCompared;
    gHash = (gHash ^ static_cast<std::uint16_t>(got[i])) * 1099511628211ull;
    if (std::fabs(got[i] - want) > 1)
      return ::testing::AssertionFailure() << what << ": value " << i << " is " << +got[i] << ", reference " << ref[i];
  }
  return ::testing::AssertionSuccess();
}
void startCounting() { gMissed = gCompared = 0, gHash = 1469598103934665603ull; }
void expectMostlyExactAndSameOnEveryTarget(int slot) {
  EXPECT_LT(gMissed, gCompared / 20) << gMissed << " of " << gCompared << " values off by one";
  if (gDigest[slot] == 0) gDigest[slot] = gHash;
  EXPECT_EQ(gDigest[slot], gHash) << "16-bit results differ between SIMD targets";
}

TEST(Dct8x8Float, MatchesOrthonormalTransform) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 300; ++trial) {
    const bool fwd = trial % 2 == 0;
    const double amp = trial % 3 == 0 ? 1e-3 : 1000.0;
    float x[64], got[64], inplace[64];
    double xd[64], ref[64], peak = 0;
    for (int i = 0; i < 64; ++i) {
      inplace[i] = x[i] = static_cast<float>(std::uniform_real_distribution<double>(-amp, amp)(rng));
      peak = std::max(peak, std::fabs(xd[i] = x[i]));
    }
    fwd ? ruxref::dct8x8Forward(xd, ref) : ruxref::dct8x8Inverse(xd, ref);
    ASSERT_EQ(fwd ? ruxiDCT8x8Fwd_32f_C1(x, got) : ruxiDCT8x8Inv_32f_C1(x, got), ruxStatusOk);
    ASSERT_EQ(fwd ? ruxiDCT8x8Fwd_32f_C1I(inplace) : ruxiDCT8x8Inv_32f_C1I(inplace), ruxStatusOk);
    const double tol = 4 * std::ldexp(1.0, std::ilogb(8 * peak) - 23);  // 4 ulps of 8 x the peak
    for (int i = 0; i < 64; ++i) ASSERT_NEAR(got[i], ref[i], tol) << (fwd ? "forward" : "inverse") << " value " << i;
    EXPECT_EQ(std::memcmp(got, inplace, sizeof(got)), 0);
  }
}

// A constant block has only DC; a zero block with level shift 128 is a flat 128, also with clip
// bounds outside 0..255 (clamped into it, 256 is 255).
TEST(Dct8x8Float, ConstantAndZeroBlocks) {
  float x[64], fx[64];
  Rux16s s[64], fs[64];
  const Rux16s zero[64] = {};
  Rux8u flat[64], clipped[64];
  ASSERT_EQ(ruxiDCT8x8InvLSClip_16s8u_C1R(zero, flat, 8, 128, 0, 255), ruxStatusOk);
  ASSERT_EQ(ruxiDCT8x8InvLSClip_16s8u_C1R(zero, clipped, 8, 300, -1, 256), ruxStatusOk);
  std::fill_n(x, 64, 16.0f);
  std::fill_n(s, 64, Rux16s(16));
  ASSERT_EQ(ruxiDCT8x8Fwd_32f_C1(x, fx), ruxStatusOk);
  ASSERT_EQ(ruxiDCT8x8Fwd_16s_C1(s, fs), ruxStatusOk);
  for (int i = 0; i < 64; ++i) {
    EXPECT_NEAR(fx[i], i == 0 ? 128.0f : 0.0f, 1e-4f) << i;
    EXPECT_LE(std::abs(fs[i] - (i == 0 ? 128 : 0)), 1) << i;
    EXPECT_EQ(flat[i], 128);
    EXPECT_EQ(clipped[i], 255);
  }
}

// Random blocks with samples up to amp in magnitude: 16s (and through a step at an odd
// address, in place), and 8u with a level shift that may wrap in 16 bits.
TEST(Dct8x8Fixed, ForwardWithinOneOverTheWholeRange) {
  startCounting();
  for (const int amp : {255, 2048, 2049, 4096, 32767}) {
    std::mt19937 rng(amp);
    std::uniform_int_distribution<int> sample(-amp - 1, amp), shift(-32768, 32767);
    for (int trial = 0; trial < 200; ++trial) {
      unsigned char img[8 * 40 + 1];
      Rux16s block[64], got[64], viaStep[64];
      Rux8u pixels[8 * 11];
      double in[64], ref[64];
      for (int i = 0; i < 64; ++i) {
        in[i] = block[i] = static_cast<Rux16s>(std::clamp(sample(rng), -32768, 32767));
        std::memcpy(img + 1 + 40 * (i / 8) + 2 * (i % 8), &block[i], 2);  // rows of 40 bytes at an odd address
      }
      ruxref::dct8x8Forward(in, ref);
      ASSERT_EQ(ruxiDCT8x8Fwd_16s_C1(block, got), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8Fwd_16s_C1R(reinterpret_cast<Rux16s*>(img + 1), 40, viaStep), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8Fwd_16s_C1I(block), ruxStatusOk);
      ASSERT_TRUE(within1(got, ref, 64, "16s, amplitude " + std::to_string(amp)));
      EXPECT_EQ(std::memcmp(got, viaStep, sizeof(got)), 0);
      EXPECT_EQ(std::memcmp(got, block, sizeof(got)), 0);

      const Rux16s level = static_cast<Rux16s>(trial % 3 == 0 ? 0 : (trial % 3 == 1 ? -128 : shift(rng)));
      for (int i = 0; i < 64; ++i) {
        pixels[11 * (i / 8) + i % 8] = static_cast<Rux8u>(rng());
        in[i] = static_cast<Rux16s>(pixels[11 * (i / 8) + i % 8] + level);  // wrap-around add
      }
      ruxref::dct8x8Forward(in, ref);
      ASSERT_EQ(level == 0 ? ruxiDCT8x8Fwd_8u16s_C1R(pixels, 11, got) : ruxiDCT8x8FwdLS_8u16s_C1R(pixels, 11, got, level),
                ruxStatusOk);
      ASSERT_TRUE(within1(got, ref, 64, "8u, level shift " + std::to_string(level)));
    }
  }
  expectMostlyExactAndSameOnEveryTarget(0);
}

// Random coefficients up to amp (rows decaying in most trials): 16s (through a step, in
// place), A10, 8u saturated, and LSClip with random level shifts and clip bounds.
TEST(Dct8x8Fixed, InverseWithinOneOverTheWholeRange) {
  startCounting();
  for (const int amp : {1024, 4096, 4097, 32767}) {
    std::mt19937 rng(amp);
    std::uniform_int_distribution<int> coef(-amp - 1, amp), any(-40, 300);
    for (int trial = 0; trial < 200; ++trial) {
      Rux16s block[64], got[64], a10[64], viaStep[8 * 13];
      Rux8u pixels[8 * 9], clipped[8 * 9], packed[64];
      double in[64], ref[64], shifted[64];
      for (int i = 0; i < 64; ++i)
        in[i] = block[i] = static_cast<Rux16s>(std::clamp(coef(rng) >> (trial % 3 == 0 ? 0 : i / 8), -32768, 32767));
      ruxref::dct8x8Inverse(in, ref);
      const int level = any(rng) - 128, lo = any(rng), hi = std::max(lo, any(rng));
      const std::string what = "amplitude " + std::to_string(amp);
      ASSERT_EQ(ruxiDCT8x8Inv_16s_C1(block, got), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8Inv_A10_16s_C1(block, a10), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8Inv_16s_C1R(block, viaStep, 26), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8Inv_16s8u_C1R(block, pixels, 9), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8InvLSClip_16s8u_C1R(block, clipped, 9, static_cast<Rux16s>(level), lo, hi), ruxStatusOk);
      ASSERT_TRUE(within1(got, ref, 64, "16s, " + what));
      ASSERT_TRUE(within1(a10, ref, 64, "A10, " + what));
      for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(viaStep[13 * (i / 8) + i % 8], got[i]);
        EXPECT_EQ(pixels[9 * (i / 8) + i % 8], std::clamp<int>(got[i], 0, 255));
        packed[i] = clipped[9 * (i / 8) + i % 8];
        shifted[i] = ref[i] + level;
      }
      ASSERT_TRUE(within1(packed, shifted, 64, "LSClip, " + what, std::clamp(lo, 0, 255), std::clamp(hi, 0, 255)));
      ASSERT_EQ(ruxiDCT8x8Inv_16s_C1I(block), ruxStatusOk);
      EXPECT_EQ(std::memcmp(block, got, sizeof(got)), 0);
    }
  }
  expectMostlyExactAndSameOnEveryTarget(1);
}

// Reduced inverses see only their corner; decimating inverses write only their outputs.
TEST(Dct8x8Fixed, ReducedAndDecimatingInverses) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 200; ++trial) {
    Rux16s block[64], corner[64], got[64], full[64], dst[64];
    double in[64], ref[64], small[16];
    for (int i = 0; i < 64; ++i)  // trial 0: a flat block of 77
      in[i] = block[i] = static_cast<Rux16s>(trial == 0 ? (i == 0 ? 8 * 77 : 0) : static_cast<int>(rng() % 2049) - 1024);
    for (const int n : {4, 2}) {
      double kept[64];
      for (int i = 0; i < 64; ++i) kept[i] = corner[i] = (i / 8 < n && i % 8 < n) ? block[i] : 0;
      ruxref::dct8x8Inverse(kept, ref);
      ASSERT_EQ(n == 4 ? ruxiDCT8x8Inv_4x4_16s_C1(block, got) : ruxiDCT8x8Inv_2x2_16s_C1(block, got), ruxStatusOk);
      ASSERT_EQ(ruxiDCT8x8Inv_16s_C1(corner, full), ruxStatusOk);
      EXPECT_EQ(std::memcmp(got, full, sizeof(got)), 0) << n << "x" << n;
      ASSERT_TRUE(within1(got, ref, 64, std::to_string(n) + "x" + std::to_string(n)));

      std::fill_n(dst, 64, Rux16s(0x5a5a));
      ruxref::cornerInverse(in, n, small);
      ASSERT_EQ(n == 4 ? ruxiDCT8x8To4x4Inv_16s_C1(block, dst) : ruxiDCT8x8To2x2Inv_16s_C1(block, dst), ruxStatusOk);
      for (int i = n * n; i < 64; ++i) ASSERT_EQ(dst[i], 0x5a5a) << "value " << i << " written";
      for (int i = 0; i < n * n; ++i) {
        // 4x4 within 1; 2x2 exactly S / 8 rounded half up (8 x the reference is the integer S).
        const double want = n == 4 ? std::nearbyint(small[i]) : std::floor((std::nearbyint(8 * small[i]) + 4) / 8);
        EXPECT_LE(std::fabs(dst[i] - want), n == 4 ? 1 : 0) << n << "x" << n << " value " << i;
        if (trial == 0) {
          EXPECT_EQ(dst[i], 77) << "a flat block keeps its value";
        }
      }
      std::memcpy(got, block, sizeof(block));
      ASSERT_EQ(n == 4 ? ruxiDCT8x8To4x4Inv_16s_C1I(got) : ruxiDCT8x8To2x2Inv_16s_C1I(got), ruxStatusOk);
      EXPECT_EQ(std::memcmp(got, dst, n * n * sizeof(Rux16s)), 0);
    }
  }
}

TEST(Dct8x8Zigzag, ScanOrderAndRoundTrip) {
  // ITU-T T.81: position k of the scan holds natural-order element kScan[k].
  const int kScan[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                         41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                         30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  Rux16s natural[64], scanned[64], back[64];
  for (int i = 0; i < 64; ++i) natural[i] = static_cast<Rux16s>(1000 + i);
  ASSERT_EQ(ruxiZigzagFwd8x8_16s_C1(natural, scanned), ruxStatusOk);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(scanned[k], 1000 + kScan[k]) << k;
  ASSERT_EQ(ruxiZigzagInv8x8_16s_C1(scanned, back), ruxStatusOk);
  EXPECT_EQ(std::memcmp(natural, back, sizeof(back)), 0);
}

TEST(Dct8x8Validation, NullPointersAndSteps) {
  ruxtest::GuardedImage<Rux16s> d16(8, 8, 1, 1);
  ruxtest::GuardedImage<Rux8u> d8(8, 8, 1, 2);
  const Rux16s s16[64] = {};
  const Rux8u s8[64] = {};
  Rux32f f[64] = {};
  ruxtest::expectRejections(
      {{"Fwd_32f", [&] { return ruxiDCT8x8Fwd_32f_C1(nullptr, f); }, ruxStatusNullPointer},
       {"Inv_16s_C1R null before step", [&] { return ruxiDCT8x8Inv_16s_C1R(nullptr, d16.data(), 0); }, ruxStatusNullPointer},
       {"Inv_16s8u_C1R step", [&] { return ruxiDCT8x8Inv_16s8u_C1R(s16, d8.data(), -1); }, ruxStatusBadStep},
       {"InvLSClip step", [&] { return ruxiDCT8x8InvLSClip_16s8u_C1R(s16, d8.data(), 0, 0, 0, 255); }, ruxStatusBadStep},
       {"FwdLS step", [&] { return ruxiDCT8x8FwdLS_8u16s_C1R(s8, -1, d16.data(), 3); }, ruxStatusBadStep},
       {"Zigzag", [&] { return ruxiZigzagInv8x8_16s_C1(nullptr, d16.data()); }, ruxStatusNullPointer}},
      d16, d8);
}

}  // namespace
