// General-size DCT against the orthonormal DCT-II from its defining sum: axis lengths across
// every algorithm (cosine matrix, powers of two, mixed radix, convolution), 2-D images, the 8x8
// specification, channels, threads and validation.
#include <cmath>
#include <map>
#include <vector>

#include "ruxi.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

// Orthonormal DCT-II of a W x H image (rows then columns), or its inverse, in double precision.
std::vector<double> dctRef(const std::vector<double>& x, int W, int H, bool inverse) {
  const double pi = 3.14159265358979323846;
  auto axis = [&](std::vector<double>& v, int n, int stride, int count, int lineStride) {
    std::vector<double> in(n), out(n);
    for (int l = 0; l < count; ++l) {
      for (int i = 0; i < n; ++i) in[i] = v[l * lineStride + i * stride];
      for (int k = 0; k < n; ++k) {
        double s = 0;
        for (int j = 0; j < n; ++j) {
          const int u = inverse ? j : k, t = inverse ? k : j;  // inverse: out[k] = sum_u c(u) X(u) cos(..t=k..)
          const double c = u == 0 ? std::sqrt(1.0 / n) : std::sqrt(2.0 / n);
          s += in[j] * c * std::cos(pi * (2 * t + 1) * u / (2.0 * n));
        }
        out[k] = s;
      }
      for (int i = 0; i < n; ++i) v[l * lineStride + i * stride] = out[i];
    }
  };
  std::vector<double> v = x;
  axis(v, W, 1, H, W);
  axis(v, H, W, W, 1);
  return v;
}

std::vector<float> dct(const std::vector<float>& x, int W, int H, bool inverse) {
  std::vector<float> out(x.size());
  if (inverse) {
    RuxDctInvSpec_32f* s = nullptr;
    EXPECT_EQ(ruxiDCTInvInitAlloc_32f(&s, {W, H}, ruxHintNone), ruxStatusOk);
    EXPECT_EQ(ruxiDCTInv_32f_C1R(x.data(), 4 * W, out.data(), 4 * W, s, nullptr), ruxStatusOk);
    ruxiDCTInvFree_32f(s);
  } else {
    RuxDctFwdSpec_32f* s = nullptr;
    EXPECT_EQ(ruxiDCTFwdInitAlloc_32f(&s, {W, H}, ruxHintNone), ruxStatusOk);
    EXPECT_EQ(ruxiDCTFwd_32f_C1R(x.data(), 4 * W, out.data(), 4 * W, s, nullptr), ruxStatusOk);
    ruxiDCTFwdFree_32f(s);
  }
  return out;
}

std::vector<float> randomFloats(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> v(n);
  for (auto& x : v) x = u(rng);
  return v;
}

double relError(const std::vector<float>& got, const std::vector<double>& want) {
  double num = 0, den = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    num += (got[i] - want[i]) * (got[i] - want[i]);
    den += want[i] * want[i];
  }
  return std::sqrt(num / den);
}

TEST(Dct, AxisLengthsOfEveryAlgorithm) {
  std::vector<int> lengths;
  for (int n = 1; n <= 140; ++n) lengths.push_back(n);
  for (int n : {256, 500, 512, 997, 1000, 1009, 2048}) lengths.push_back(n);
  // References once for all SIMD targets.
  static std::map<std::pair<int, bool>, std::vector<double>> refs;
  for (int n : lengths) {
    const std::vector<float> x = randomFloats(n, n);
    const std::vector<double> xd(x.begin(), x.end());
    for (bool inverse : {false, true}) {
      auto& want = refs[{n, inverse}];
      if (want.empty()) want = dctRef(xd, n, 1, inverse);
      ASSERT_LE(relError(dct(x, n, 1, inverse), want), 2e-6) << "row of " << n << (inverse ? " inverse" : "");
      ASSERT_LE(relError(dct(x, 1, n, inverse), want), 2e-6) << "column of " << n << (inverse ? " inverse" : "");
    }
  }
}

TEST(Dct, ImagesBlocksAndRoundTrip) {
  const int sizes[][2] = {{8, 8}, {5, 7}, {33, 17}, {64, 48}, {16, 8}};
  for (const auto& s : sizes) {
    const int W = s[0], H = s[1];
    const std::vector<float> x = randomFloats(W * H, W + 100 * H);
    const std::vector<double> xd(x.begin(), x.end());
    const std::vector<float> X = dct(x, W, H, false);
    EXPECT_LE(relError(X, dctRef(xd, W, H, false)), 2e-6) << W << "x" << H;
    const std::vector<float> back = dct(X, W, H, true);
    for (int i = 0; i < W * H; ++i) ASSERT_NEAR(back[i], x[i], 1e-5) << W << "x" << H;
  }
  // A constant 8 x 8 block of 16: DC 128, no AC.
  const std::vector<float> X = dct(std::vector<float>(64, 16.0f), 8, 8, false);
  EXPECT_NEAR(X[0], 128.0f, 1e-4);
  for (int i = 1; i < 64; ++i) EXPECT_NEAR(X[i], 0.0f, 1e-4);
}

TEST(Dct, ChannelsAlphaAndGuards) {
  const int W = 20, H = 9;
  RuxDctFwdSpec_32f* spec = nullptr;
  ASSERT_EQ(ruxiDCTFwdInitAlloc_32f(&spec, {W, H}, ruxHintNone), ruxStatusOk);
  for (int layout = 0; layout < 3; ++layout) {
    const int C = layout == 0 ? 3 : 4;
    const bool alpha = layout == 2;
    GuardedImage<float> src(W, H, C, 3 + layout), dst(W, H, C, 4 + layout);
    auto fn = layout == 0 ? ruxiDCTFwd_32f_C3R : layout == 1 ? ruxiDCTFwd_32f_C4R : ruxiDCTFwd_32f_AC4R;
    ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), spec, nullptr), ruxStatusOk);
    EXPECT_TRUE(dst.check(alpha ? 7u : 0xffffffffu));
    for (int c = 0; c < (alpha ? 3 : C); ++c) {
      std::vector<double> plane(W * H);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) plane[y * W + x] = src.at(x, y, c);
      const std::vector<double> want = dctRef(plane, W, H, false);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) ASSERT_NEAR(dst.at(x, y, c), want[y * W + x], 1e-3) << "channel " << c;
    }
  }
  ruxiDCTFwdFree_32f(spec);
}

TEST(Dct, ThreadsAndBuffersGiveTheSameBits) {
  const int W = 300, H = 260;
  const std::vector<float> x = randomFloats(W * H, 77);
  std::vector<float> first, out(W * H);
  ruxtest::forThreadCounts([&](int) {
    RuxDctInvSpec_32f* spec = nullptr;
    ASSERT_EQ(ruxiDCTInvInitAlloc_32f(&spec, {W, H}, ruxHintNone), ruxStatusOk);
    int bytes = 0;
    ASSERT_EQ(ruxiDCTInvGetBufSize_32f(spec, &bytes), ruxStatusOk);
    std::vector<Rux8u> buffer(bytes + 3);
    for (Rux8u* b : {static_cast<Rux8u*>(nullptr), buffer.data() + 3}) {
      ASSERT_EQ(ruxiDCTInv_32f_C1R(x.data(), 4 * W, out.data(), 4 * W, spec, b), ruxStatusOk);
      if (first.empty()) first = out;
      ASSERT_EQ(std::memcmp(out.data(), first.data(), 4 * out.size()), 0);
    }
    ruxiDCTInvFree_32f(spec);
  });
}

TEST(Dct, Validation) {
  RuxDctFwdSpec_32f* f = nullptr;
  RuxDctInvSpec_32f* inv = nullptr;
  EXPECT_EQ(ruxiDCTFwdInitAlloc_32f(nullptr, {4, 4}, ruxHintNone), ruxStatusNullPointer);
  EXPECT_EQ(ruxiDCTFwdInitAlloc_32f(&f, {0, 4}, ruxHintNone), ruxStatusBadSize);
  EXPECT_EQ(ruxiDCTInvInitAlloc_32f(&inv, {4, 0x2000001}, ruxHintNone), ruxStatusBadSize);
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(ruxiDCTFwdInitAlloc_32f(&f, {4, 4}, ruxHintNone), ruxStatusNoMemory);
  }
  ASSERT_EQ(ruxiDCTFwdInitAlloc_32f(&f, {6, 5}, ruxHintNone), ruxStatusOk);
  ASSERT_EQ(ruxiDCTInvInitAlloc_32f(&inv, {6, 5}, ruxHintNone), ruxStatusOk);
  GuardedImage<float> src(6, 5, 1, 1), dst(6, 5, 1, 2);
  int size = 0;
  ruxtest::expectRejections(
      {
          {"null spec", [&] { return ruxiDCTFwd_32f_C1R(src.data(), src.step(), dst.data(), dst.step(), nullptr, nullptr); }, ruxStatusNullPointer},
          {"inverse spec", [&] { return ruxiDCTFwd_32f_C1R(src.data(), src.step(), dst.data(), dst.step(), reinterpret_cast<RuxDctFwdSpec_32f*>(inv), nullptr); }, ruxStatusBadContext},
          {"null source", [&] { return ruxiDCTInv_32f_C1R(nullptr, src.step(), dst.data(), dst.step(), inv, nullptr); }, ruxStatusNullPointer},
          {"zero step", [&] { return ruxiDCTInv_32f_C1R(src.data(), src.step(), dst.data(), 0, inv, nullptr); }, ruxStatusBadStep},
          {"buffer size of the other kind", [&] { return ruxiDCTInvGetBufSize_32f(reinterpret_cast<RuxDctInvSpec_32f*>(f), &size); }, ruxStatusBadContext},
      },
      src, dst);
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(ruxiDCTFwd_32f_C1R(src.data(), src.step(), dst.data(), dst.step(), f, nullptr), ruxStatusNoMemory);
    EXPECT_TRUE(dst.unchanged());
  }
  ruxiDCTFwdFree_32f(f);
  ruxiDCTInvFree_32f(inv);
}

}  // namespace
