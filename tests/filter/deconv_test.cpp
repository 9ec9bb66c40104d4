// Decimation, de-interlacing and the two deconvolutions against scalar references: decimation
// tables rebuilt from their prototype on sources against faulting pages, de-interlacing on fenced
// frames, the FFT and Lucy-Richardson deconvolutions on sources inside NaN margins; the state
// life cycle, states of another kind, validation order and allocation failure.
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ruxi.h"
#include "ref/deconv_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// ---- decimation -------------------------------------------------------------------------------------

TEST(Decimate, PrototypeGivesTheHalfKernelAndUnitGain) {
  const std::vector<int> half = {2, -6, -15, 33, 114, 114, 33, -15, -6, 2};
  EXPECT_EQ(ruxref::decimTable(0).phases[0].w, half);
  EXPECT_EQ(ruxref::decimTable(0).phases[0].first, -4);
  for (int code = 0; code < 5; ++code)
    for (const auto& ph : ruxref::decimTable(code).phases) {
      int sum = 0;
      for (int w : ph.w) sum += w;
      EXPECT_EQ(sum, 256) << code;
    }
}

// Rows and columns, every fraction, against the rebuilt tables; the source sits against a
// faulting page on either side with exactly the documented border.
TEST(Decimate, MatchesReferenceOnFencedSources) {
  for (int code = 0; code < 5; ++code) {
    const ruxref::DecimTable t = ruxref::decimTable(code);
    for (bool rows : {true, false})
      for (int n : {t.q, t.q + 1, 2 * t.q - 1, 3 * t.q, 7 * t.q + 3, 259})
        for (Fence fence : {Fence::kBefore, Fence::kAfter}) {
          const int other = 3;
          int before, after;
          ruxref::decimBorder(t, n, &before, &after);
          const Border b = rows ? Border{before, after, 0, 0} : Border{0, 0, before, after};
          const RuxImageSize roi = rows ? RuxImageSize{n, other} : RuxImageSize{other, n};
          FencedImage<Rux8u> src(roi.width, roi.height, 1, b, fence, 17 + n);
          const int m = n / t.q * t.p;
          const RuxImageSize out = rows ? RuxImageSize{m, other} : RuxImageSize{other, m};
          GuardedImage<Rux8u> dst(out.width, out.height, 1, 5);
          const auto fn = rows ? ruxiDecimateFilterRow_8u_C1R : ruxiDecimateFilterColumn_8u_C1R;
          ASSERT_EQ(fn(src.data(), src.step(), roi, dst.data(), dst.step(), static_cast<RuxFraction>(code)), 0);
          ASSERT_TRUE(dst.check());
          std::vector<Rux8u> want;
          for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
              want.push_back(rows ? ruxref::decimSample(t, [&](int j) { return src.at(j, y, 0); }, x)
                                  : ruxref::decimSample(t, [&](int j) { return src.at(x, j, 0); }, y));
          ASSERT_TRUE(ruxtest::regionEquals(dst, want)) << "code " << code << " rows " << rows << " n " << n;
        }
  }
}

TEST(Decimate, Rejections) {
  GuardedImage<Rux8u> src(20, 20, 1, 1), dst(20, 20, 1, 2);
  for (auto fn : {ruxiDecimateFilterRow_8u_C1R, ruxiDecimateFilterColumn_8u_C1R}) {
    const bool rows = fn == ruxiDecimateFilterRow_8u_C1R;
    const auto call = [&](const Rux8u* s, int ss, RuxImageSize r, Rux8u* d, int ds, int code) {
      return [=] { return fn(s, ss, r, d, ds, static_cast<RuxFraction>(code)); };
    };
    const Rux8u* s = src.row(6);
    const RuxImageSize roi{10, 10}, shortRoi = rows ? RuxImageSize{9, 10} : RuxImageSize{10, 9};
    ruxtest::expectRejections({{"null src", call(nullptr, 20, roi, dst.data(), 20, 0), ruxStatusNullPointer},
                               {"null dst", call(s, src.step(), roi, nullptr, 20, 0), ruxStatusNullPointer},
                               {"step before size", call(s, 0, {0, 10}, dst.data(), dst.step(), 0), ruxStatusBadStep},
                               {"dst step", call(s, src.step(), roi, dst.data(), -1, 0), ruxStatusBadStep},
                               {"size", call(s, src.step(), {10, 0}, dst.data(), dst.step(), 0), ruxStatusBadSize},
                               {"size before fraction", call(s, src.step(), {0, 1}, dst.data(), dst.step(), 5), ruxStatusBadSize},
                               {"fraction 5", call(s, src.step(), roi, dst.data(), dst.step(), 5), ruxStatusBadDecimation},
                               {"fraction -1", call(s, src.step(), roi, dst.data(), dst.step(), -1), ruxStatusBadDecimation},
                               {"shorter than a 7/10 block", call(s, src.step(), shortRoi, dst.data(), dst.step(), 3),
                                ruxStatusBadSize}},
                              dst);
  }
}

// ---- de-interlacing ---------------------------------------------------------------------------------

TEST(Deinterlace, MatchesReferenceOnFencedFrames) {
  for (int h : {8, 10, 16})
    for (int w : {1, 7, 33, 130})
      for (Fence fence : {Fence::kBefore, Fence::kAfter})
        for (int threshold : {0, 40, 65535}) {
          FencedImage<Rux8u> src(w, h, 1, Border{}, fence, w * 31 + h);
          GuardedImage<Rux8u> dst(w, h, 1, 4);
          ASSERT_EQ(ruxiDeinterlaceFilterCAVT_8u_C1R(src.data(), src.step(), dst.data(), dst.step(),
                                                     static_cast<Rux16u>(threshold), {w, h}), 0);
          ASSERT_TRUE(dst.check());
          std::vector<Rux8u> want;
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
              want.push_back(ruxref::deinterlaceSample([&](int px, int r) { return src.at(px, r, 0); }, h, x, y, threshold));
          ASSERT_TRUE(ruxtest::regionEquals(dst, want)) << w << "x" << h << " threshold " << threshold;
        }
}

TEST(Deinterlace, ConstantFrameUnchangedAndRejections) {
  GuardedImage<Rux8u> src(9, 12, 1, 1), dst(9, 12, 1, 2);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 9; ++x) src.at(x, y, 0) = 77;
  ASSERT_EQ(ruxiDeinterlaceFilterCAVT_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), 10, {9, 12}), 0);
  ASSERT_TRUE(ruxtest::regionEquals(dst, std::vector<Rux8u>(9 * 12, 77)));
  dst.snapshot();
  const auto call = [&](const Rux8u* s, Rux8u* d, RuxImageSize r) {
    return [=] { return ruxiDeinterlaceFilterCAVT_8u_C1R(s, src.step(), d, dst.step(), 10, r); };
  };
  ruxtest::expectRejections({{"null src", call(nullptr, dst.data(), {9, 12}), ruxStatusNullPointer},
                             {"null dst", call(src.data(), nullptr, {9, 12}), ruxStatusNullPointer},
                             {"height 7", call(src.data(), dst.data(), {9, 7}), ruxStatusBadSize},
                             {"odd height", call(src.data(), dst.data(), {9, 9}), ruxStatusBadSize},
                             {"height 6", call(src.data(), dst.data(), {9, 6}), ruxStatusBadSize},
                             {"width 0", call(src.data(), dst.data(), {0, 12}), ruxStatusBadSize}},
                            dst);
}

// ---- deconvolution ------------------------------------------------------------------------------------

std::vector<float> blurKernel(int K, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<float> k(static_cast<std::size_t>(K) * K);
  float sum = 0;
  for (auto& v : k) sum += (v = 0.2f + static_cast<float>(rng() % 1000) / 1000.0f);
  for (auto& v : k) v /= sum;
  return k;
}

// A source region of positive samples inside a NaN margin (only the region may be read).
struct NanSource {
  FencedImage<float> img;
  NanSource(int w, int h, int C, std::uint32_t seed, float lo = 1.0f, float hi = 1000.0f)
      : img(w, h, C, Border{}, Fence::kNanMargin, seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < C; ++c) img.at(x, y, c) = lo + (hi - lo) * static_cast<float>(rng() % 10000) / 10000.0f;
  }
};

template <class State>
struct FftApi {
  RuxResult (*init)(State**, const Rux32f*, int, int, Rux32f);
  RuxResult (*run)(const Rux32f*, int, Rux32f*, int, RuxImageSize, State*);
  RuxResult (*free)(State*);
  int C;
};
const FftApi<RuxDeconvFFTState_32f_C1R> kFftC1{ruxiDeconvFFTInitAlloc_32f_C1R, ruxiDeconvFFT_32f_C1R,
                                               ruxiDeconvFFTFree_32f_C1R, 1};
const FftApi<RuxDeconvFFTState_32f_C3R> kFftC3{ruxiDeconvFFTInitAlloc_32f_C3R, ruxiDeconvFFT_32f_C3R,
                                               ruxiDeconvFFTFree_32f_C3R, 3};

template <class State>
void checkFft(const FftApi<State>& api, RuxImageSize roi, int K, int order, float threshold, std::uint32_t seed) {
  const std::vector<float> k = blurKernel(K, seed);
  State* s = nullptr;
  ASSERT_EQ(api.init(&s, k.data(), K, order, threshold), 0);
  NanSource src(roi.width, roi.height, api.C, seed);
  GuardedImage<float> dst(roi.width, roi.height, api.C, seed + 1);
  ASSERT_EQ(api.run(src.img.data(), src.img.step(), dst.data(), dst.step(), roi, s), 0);
  EXPECT_TRUE(dst.check());
  for (int c = 0; c < api.C; ++c) {
    const std::vector<double> want = ruxref::deconvFftRef([&](int x, int y) { return src.img.at(x, y, c); }, roi.width,
                                                          roi.height, k, K, 1 << order, threshold);
    double err = 0, scale = 0;
    for (int y = 0; y < roi.height; ++y)
      for (int x = 0; x < roi.width; ++x) {
        const double v = want[y * roi.width + x];
        err = std::max(err, std::fabs(dst.at(x, y, c) - v));
        scale = std::max(scale, std::fabs(v));
      }
    EXPECT_LT(err, 2e-4 * scale) << "channel " << c << " K " << K << " threshold " << threshold;
  }
  EXPECT_EQ(api.free(s), 0);
}

TEST(DeconvFFT, MatchesDftReference) {
  checkFft(kFftC1, {11, 9}, 3, 4, 0.0f, 1);
  checkFft(kFftC1, {13, 12}, 4, 4, 0.05f, 2);  // even kernel, thresholded components
  checkFft(kFftC1, {16, 16}, 1, 4, 0.0f, 3);
  checkFft(kFftC3, {10, 7}, 5, 4, 0.02f, 4);
  checkFft(kFftC3, {1, 1}, 2, 1, 0.0f, 5);
}

// Kernel {1} gives H = 1; a zero kernel gives H = 0, whose filter is 1 with threshold 0 (no
// division by zero): both reproduce the source.
TEST(DeconvFFT, IdentityCases) {
  const std::vector<float> one(1, 1.0f), zero(9, 0.0f);
  for (const auto& [kernel, K] : {std::pair{one, 1}, {zero, 3}}) {
    RuxDeconvFFTState_32f_C1R* s = nullptr;
    ASSERT_EQ(ruxiDeconvFFTInitAlloc_32f_C1R(&s, kernel.data(), K, 5, 0.0f), 0);
    NanSource src(30, 20, 1, 8);
    GuardedImage<float> dst(30, 20, 1, 9);
    ASSERT_EQ(ruxiDeconvFFT_32f_C1R(src.img.data(), src.img.step(), dst.data(), dst.step(), {30, 20}, s), 0);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) ASSERT_NEAR(dst.at(x, y, 0), src.img.at(x, y, 0), 1e-3f) << K;
    EXPECT_EQ(ruxiDeconvFFTFree_32f_C1R(s), 0);
  }
}

// ---- Lucy-Richardson -----------------------------------------------------------------------------------

template <class State>
struct LrApi {
  RuxResult (*init)(State**, const Rux32f*, int, RuxImageSize, Rux32f);
  RuxResult (*run)(const Rux32f*, int, Rux32f*, int, RuxImageSize, int, State*);
  RuxResult (*free)(State*);
  int C;
};
const LrApi<RuxDeconvLRState_32f_C1R> kLrC1{ruxiDeconvLRInitAlloc_32f_C1R, ruxiDeconvLR_32f_C1R,
                                            ruxiDeconvLRFree_32f_C1R, 1};
const LrApi<RuxDeconvLRState_32f_C3R> kLrC3{ruxiDeconvLRInitAlloc_32f_C3R, ruxiDeconvLR_32f_C3R,
                                            ruxiDeconvLRFree_32f_C3R, 3};

// zeroBlock: a block of zero samples, where the blurred estimate is 0 and the guard keeps R = 1.
template <class State>
void checkLr(const LrApi<State>& api, RuxImageSize roi, RuxImageSize maxRoi, int K, int iterations, float threshold,
             bool zeroBlock, std::uint32_t seed) {
  const std::vector<float> k = blurKernel(K, seed);
  State* s = nullptr;
  ASSERT_EQ(api.init(&s, k.data(), K, maxRoi, threshold), 0);
  NanSource src(roi.width, roi.height, api.C, seed);
  if (zeroBlock)
    for (int y = 0; y < roi.height / 2; ++y)
      for (int x = 0; x < roi.width / 2; ++x)
        for (int c = 0; c < api.C; ++c) src.img.at(x, y, c) = 0.0f;
  std::vector<std::vector<double>> want;
  for (int c = 0; c < api.C; ++c)
    want.push_back(ruxref::deconvLrRef([&](int x, int y) { return src.img.at(x, y, c); }, roi.width, roi.height, k, K,
                                       iterations, threshold));
  std::vector<float> first;
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<float> dst(roi.width, roi.height, api.C, seed + 1);
    ASSERT_EQ(api.run(src.img.data(), src.img.step(), dst.data(), dst.step(), roi, iterations, s), 0);
    EXPECT_TRUE(dst.check());
    std::vector<float> got;
    for (int y = 0; y < roi.height; ++y)
      for (int x = 0; x < roi.width; ++x)
        for (int c = 0; c < api.C; ++c) {
          const double v = want[c][y * roi.width + x];
          ASSERT_NEAR(dst.at(x, y, c), v, 1e-4 * (1 + std::fabs(v))) << x << "," << y << " c" << c;
          got.push_back(dst.at(x, y, c));
        }
    if (first.empty()) first = got;
    EXPECT_EQ(got, first) << threads << " threads";
  });
  EXPECT_EQ(api.free(s), 0);
}

TEST(DeconvLR, MatchesReference) {
  checkLr(kLrC1, {13, 9}, {20, 20}, 3, 3, 1e-3f, false, 1);
  checkLr(kLrC1, {12, 12}, {12, 12}, 4, 2, 0.0f, true, 2);  // even kernel, zero block
  checkLr(kLrC3, {9, 11}, {9, 11}, 5, 2, 0.0f, true, 3);
  checkLr(kLrC1, {70, 66}, {80, 70}, 3, 2, 1e-3f, false, 4);  // split among threads
  checkLr(kLrC3, {66, 64}, {66, 64}, 2, 1, 1e-3f, false, 5);
}

// A threshold above every blurred value: R = 1, so each iteration multiplies by the kernel sum.
TEST(DeconvLR, ThresholdAboveEveryValueScalesByKernelSum) {
  const float k[4] = {0.5f, 0.25f, 0.25f, 0.5f};  // sum 1.5
  RuxDeconvLRState_32f_C1R* s = nullptr;
  ASSERT_EQ(ruxiDeconvLRInitAlloc_32f_C1R(&s, k, 2, {8, 8}, 100.0f), 0);
  NanSource src(8, 8, 1, 6, 1.0f, 2.0f);
  GuardedImage<float> dst(8, 8, 1, 9);
  ASSERT_EQ(ruxiDeconvLR_32f_C1R(src.img.data(), src.img.step(), dst.data(), dst.step(), {8, 8}, 2, s), 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_FLOAT_EQ(dst.at(x, y, 0), src.img.at(x, y, 0) * 2.25f);
  EXPECT_EQ(ruxiDeconvLRFree_32f_C1R(s), 0);
}

// ---- states and validation ----------------------------------------------------------------------------

TEST(DeconvStates, InitRejections) {
  const std::vector<float> k(9, 0.1f);
  RuxDeconvFFTState_32f_C1R* f = nullptr;
  RuxDeconvLRState_32f_C3R* l = nullptr;
  const auto fft = [&](bool out, const float* kern, int K, int order, float thr) {
    return [=, &f] { return ruxiDeconvFFTInitAlloc_32f_C1R(out ? &f : nullptr, kern, K, order, thr); };
  };
  const auto lr = [&](bool out, const float* kern, int K, RuxImageSize m, float thr) {
    return [=, &l] { return ruxiDeconvLRInitAlloc_32f_C3R(out ? &l : nullptr, kern, K, m, thr); };
  };
  ruxtest::expectRejections({
      {"fft null out", fft(false, k.data(), 3, 4, 0), ruxStatusNullPointer},
      {"fft null kernel", fft(true, nullptr, 3, 4, 0), ruxStatusNullPointer},
      {"fft kernel 0", fft(true, k.data(), 0, 4, 0), ruxStatusBadSize},
      {"fft kernel 2^order + 1", fft(true, k.data(), 3, 1, 0), ruxStatusBadSize},
      {"fft negative order", fft(true, k.data(), 1, -1, 0), ruxStatusBadSize},
      {"fft threshold -0.1", fft(true, k.data(), 3, 4, -0.1f), ruxStatusBadArg},
      {"fft threshold NaN", fft(true, k.data(), 3, 4, kNaN), ruxStatusBadArg},
      {"fft order 30", fft(true, k.data(), 3, 30, 0), ruxStatusBadFftOrder},
      {"fft order 40 (N saturated)", fft(true, k.data(), 3, 40, 0), ruxStatusBadFftOrder},
      {"fft spectrum beyond 2^31 bytes", fft(true, k.data(), 3, 14, 0), ruxStatusNoMemory},
      {"lr null out", lr(false, k.data(), 3, {8, 8}, 0), ruxStatusNullPointer},
      {"lr null kernel", lr(true, nullptr, 3, {8, 8}, 0), ruxStatusNullPointer},
      {"lr kernel 0", lr(true, k.data(), 0, {8, 8}, 0), ruxStatusBadSize},
      {"lr max size 0", lr(true, k.data(), 3, {0, 8}, 0), ruxStatusBadSize},
      {"lr kernel above max size", lr(true, k.data(), 3, {8, 2}, 0), ruxStatusBadSize},
      {"lr threshold NaN", lr(true, k.data(), 3, {8, 8}, kNaN), ruxStatusBadArg},
      {"lr threshold -1", lr(true, k.data(), 3, {8, 8}, -1), ruxStatusBadArg},
      {"lr work images beyond 2^31 bytes", lr(true, k.data(), 3, {30000, 30000}, 0), ruxStatusNoMemory},
  });
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(l, nullptr);
}

TEST(DeconvStates, UseRejectionsAndForeignStates) {
  const std::vector<float> k(9, 0.1f);
  RuxDeconvFFTState_32f_C1R* f1 = nullptr;
  RuxDeconvFFTState_32f_C3R* f3 = nullptr;
  RuxDeconvLRState_32f_C1R* l1 = nullptr;
  RuxDeconvLRState_32f_C3R* l3 = nullptr;
  ASSERT_EQ(ruxiDeconvFFTInitAlloc_32f_C1R(&f1, k.data(), 3, 4, 0), 0);
  ASSERT_EQ(ruxiDeconvFFTInitAlloc_32f_C3R(&f3, k.data(), 3, 4, 0), 0);
  ASSERT_EQ(ruxiDeconvLRInitAlloc_32f_C1R(&l1, k.data(), 3, {10, 10}, 0), 0);
  ASSERT_EQ(ruxiDeconvLRInitAlloc_32f_C3R(&l3, k.data(), 3, {10, 10}, 0), 0);
  GuardedImage<float> src(14, 14, 1, 1), dst(14, 14, 1, 2);
  const int ss = src.step(), ds = dst.step();
  const float* s = src.data();
  float* d = dst.data();
  auto F = [&](const float* a, int as, float* b, int bs, RuxImageSize r, void* st) {
    return [=] { return ruxiDeconvFFT_32f_C1R(a, as, b, bs, r, static_cast<RuxDeconvFFTState_32f_C1R*>(st)); };
  };
  auto L = [&](const float* a, int as, float* b, int bs, RuxImageSize r, int it, void* st) {
    return [=] { return ruxiDeconvLR_32f_C1R(a, as, b, bs, r, it, static_cast<RuxDeconvLRState_32f_C1R*>(st)); };
  };
  ruxtest::expectRejections(
      {{"fft null src", F(nullptr, ss, d, ds, {8, 8}, f1), ruxStatusNullPointer},
       {"fft null state", F(s, ss, d, ds, {8, 8}, nullptr), ruxStatusNullPointer},
       {"fft C3 state", F(s, ss, d, ds, {8, 8}, f3), ruxStatusBadContext},
       {"fft LR state", F(s, ss, d, ds, {8, 8}, l1), ruxStatusBadContext},
       {"fft size 0", F(s, ss, d, ds, {0, 8}, f1), ruxStatusBadSize},
       {"fft roi + K - 1 beyond N", F(s, ss, d, ds, {15, 8}, f1), ruxStatusBadSize},
       {"fft short step", F(s, 4 * 8 - 1, d, ds, {8, 8}, f1), ruxStatusBadStep},
       {"fft step not a multiple of 4", F(s, ss, d, 4 * 8 + 2, {8, 8}, f1), ruxStatusMisalignedStep},
       {"lr null dst", L(s, ss, nullptr, ds, {8, 8}, 1, l1), ruxStatusNullPointer},
       {"lr C3 state", L(s, ss, d, ds, {8, 8}, 1, l3), ruxStatusBadContext},
       {"lr FFT state", L(s, ss, d, ds, {8, 8}, 1, f1), ruxStatusBadContext},
       {"lr size 0", L(s, ss, d, ds, {8, 0}, 1, l1), ruxStatusBadSize},
       {"lr beyond the maximal size", L(s, ss, d, ds, {11, 8}, 1, l1), ruxStatusBadSize},
       {"lr step", L(s, -ss, d, ds, {8, 8}, 1, l1), ruxStatusBadStep},
       {"lr step not a multiple of 4", L(s, ss + 1, d, ds, {8, 8}, 1, l1), ruxStatusMisalignedStep},
       {"lr iterations 0", L(s, ss, d, ds, {8, 8}, 0, l1), ruxStatusBadArg},
       {"lr size before iterations", L(s, ss, d, ds, {0, 8}, 0, l1), ruxStatusBadSize}},
      dst);
  EXPECT_EQ(ruxiDeconvFFTFree_32f_C1R(nullptr), ruxStatusNullPointer);
  EXPECT_EQ(ruxiDeconvFFTFree_32f_C1R(reinterpret_cast<RuxDeconvFFTState_32f_C1R*>(f3)), ruxStatusBadContext);
  EXPECT_EQ(ruxiDeconvLRFree_32f_C3R(reinterpret_cast<RuxDeconvLRState_32f_C3R*>(l1)), ruxStatusBadContext);
  EXPECT_EQ(ruxiDeconvLRFree_32f_C1R(reinterpret_cast<RuxDeconvLRState_32f_C1R*>(f1)), ruxStatusBadContext);
  EXPECT_EQ(ruxiDeconvFFTFree_32f_C1R(f1), 0);
  EXPECT_EQ(ruxiDeconvFFTFree_32f_C3R(f3), 0);
  EXPECT_EQ(ruxiDeconvLRFree_32f_C1R(l1), 0);
  EXPECT_EQ(ruxiDeconvLRFree_32f_C3R(l3), 0);
}

// Every allocation of InitAlloc failing in turn gives -9 and leaks nothing (ASan).
TEST(DeconvStates, AllocationFailure) {
  const std::vector<float> k(9, 0.1f);
  for (int n = 0; n < 4; ++n) {
    RuxDeconvFFTState_32f_C1R* f = nullptr;
    RuxResult st;
    {
      ruxtest::FailAllocationsAfter fail(n);
      st = ruxiDeconvFFTInitAlloc_32f_C1R(&f, k.data(), 3, 4, 0);
    }
    if (st == 0) {
      EXPECT_EQ(ruxiDeconvFFTFree_32f_C1R(f), 0);
      EXPECT_GT(n, 0);
    } else {
      EXPECT_EQ(st, ruxStatusNoMemory) << n;
      EXPECT_EQ(f, nullptr);
    }
  }
  RuxDeconvLRState_32f_C1R* l = nullptr;
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(ruxiDeconvLRInitAlloc_32f_C1R(&l, k.data(), 3, {10, 10}, 0), ruxStatusNoMemory);
  }
  EXPECT_EQ(l, nullptr);
}

}  // namespace
