// Two-dimensional FFT and DFT against double-precision references from the defining sums: every
// length 1..1100 and large and prime sizes (rows, columns, complex), Pack2D element by element
// for odd and even sizes, round trips per flag, channels, threads, buffers and validation.
#include <complex>
#include <map>
#include <cstdio>
#include <vector>

#include "ruxi.h"
#include "ref/fft_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::cd;
using ruxtest::GuardedImage;

std::vector<float> randomFloats(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> v(n);
  for (auto& x : v) x = u(rng);
  return v;
}

// A DFT of a W x H real image (row-major, tight rows) to Pack2D, or its inverse.
std::vector<float> dftReal(const std::vector<float>& in, int W, int H, int flag, bool inverse,
                           RuxResult* status = nullptr) {
  RuxDftSpec_R_32f* spec = nullptr;
  EXPECT_EQ(ruxiDFTInitAlloc_R_32f(&spec, {W, H}, flag, ruxHintNone), ruxStatusOk) << W << "x" << H;
  std::vector<float> out(in.size());
  const RuxResult st = inverse ? ruxiDFTInv_PackToR_32f_C1R(in.data(), 4 * W, out.data(), 4 * W, spec, nullptr)
                               : ruxiDFTFwd_RToPack_32f_C1R(in.data(), 4 * W, out.data(), 4 * W, spec, nullptr);
  if (status) *status = st;
  EXPECT_EQ(st, ruxStatusOk);
  ruxiDFTFree_R_32f(spec);
  return out;
}

std::vector<cd> dftComplex(const std::vector<cd>& in, int W, int H, bool inverse) {
  RuxDftSpec_C_32fc* spec = nullptr;
  EXPECT_EQ(ruxiDFTInitAlloc_C_32fc(&spec, {W, H}, ruxFftNoDiv, ruxHintNone), ruxStatusOk);
  std::vector<Rux32fc> a(in.size()), b(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) a[i] = {static_cast<float>(in[i].real()), static_cast<float>(in[i].imag())};
  EXPECT_EQ((inverse ? ruxiDFTInv_CToC_32fc_C1R : ruxiDFTFwd_CToC_32fc_C1R)(a.data(), 8 * W, b.data(), 8 * W, spec,
                                                                             nullptr),
            ruxStatusOk);
  ruxiDFTFree_C_32fc(spec);
  std::vector<cd> out(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) out[i] = cd(b[i].re, b[i].im);
  return out;
}

std::vector<cd> toComplex(const std::vector<float>& v) { return std::vector<cd>(v.begin(), v.end()); }

// Reference spectra per length, computed once for all SIMD targets: the forward DFT of
// z = x + i y with y a permutation of x. X = DFT(x) and the inverse DFT of z follow from it.
struct LengthCase {
  std::vector<float> x;
  std::vector<cd> z;
  std::vector<double> packedX;  // pack1(DFT(x))
  std::vector<cd> inverseZ;     // inverse DFT of z
};

const LengthCase& lengthCase(int n) {
  static std::map<int, LengthCase> cache;
  auto it = cache.find(n);
  if (it != cache.end()) return it->second;
  LengthCase c;
  c.x = randomFloats(n, 100 + n);
  c.z.resize(n);
  for (int i = 0; i < n; ++i) c.z[i] = cd(c.x[i], c.x[(i * 7 + 3) % n]);
  const std::vector<cd> Z = ruxref::dft(c.z);
  std::vector<cd> X(n);
  c.inverseZ.resize(n);
  for (int k = 0; k < n; ++k) {
    const cd zc = std::conj(Z[(n - k) % n]);
    X[k] = (Z[k] + zc) / 2.0;
    c.inverseZ[k] = Z[(n - k) % n];
  }
  c.packedX = ruxref::pack1(X);
  return cache.emplace(n, std::move(c)).first->second;
}

// Every length 1..1100 and the large and prime sizes users try, as rows (real plan), as columns
// (complex plan through the real-column pair) and as complex rows, forward and inverse. The
// sanitizer builds check every seventh length (the memory checks do not depend on the length).
TEST(Fft, EveryLengthMatchesTheDefiningSum) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr int kEvery = 7;
#else
  constexpr int kEvery = 1;
#endif
  std::vector<int> lengths;
  for (int n = 1; n <= 1100; n += (n < 64 ? 1 : kEvery)) lengths.push_back(n);
  for (int n : {4096, 4097, 1000, 997, 2310, 4099, 6561, 8191}) lengths.push_back(n);
  double worst = 0;
  int worstN = 0;
  for (int n : lengths) {
    const LengthCase& c = lengthCase(n);
    const double eRow = ruxref::relError(dftReal(c.x, n, 1, ruxFftNoDiv, false), c.packedX);
    const double eCol = ruxref::relError(dftReal(c.x, 1, n, ruxFftNoDiv, false), c.packedX);
    // Inverse of the exact packed spectrum with 1/N gives x back.
    const std::vector<float> packed(c.packedX.begin(), c.packedX.end());
    const double eInv = ruxref::relError(dftReal(packed, n, 1, ruxFftDivInvByN, true), c.x);
    const double eCx = ruxref::relError(dftComplex(c.z, n, 1, true), c.inverseZ);
    for (double e : {eRow, eCol, eInv, eCx})
      if (e > worst) worst = e, worstN = n;
    ASSERT_LE(std::max({eRow, eCol, eInv, eCx}), 2e-6) << "length " << n << ": row " << eRow << " column " << eCol
                                                       << " inverse " << eInv << " complex " << eCx;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.3g at %d", worst, worstN);
  RecordProperty("worst_error", text);
}

// Pack2D element by element against the layout built from the full 2-D spectrum.
TEST(Fft, Pack2DLayoutForOddAndEvenSizes) {
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {3, 3}, {3, 5}, {5, 4}, {4, 6}, {7, 8}, {8, 7},
                          {16, 9}, {33, 17}, {34, 18}, {64, 64}, {45, 30}};
  for (const auto& s : sizes) {
    const int W = s[0], H = s[1];
    const std::vector<float> x = randomFloats(static_cast<std::size_t>(W) * H, W * 131 + H);
    const std::vector<double> want = ruxref::pack2(ruxref::dft2(toComplex(x), W, H), W, H);
    const std::vector<float> got = dftReal(x, W, H, ruxFftNoDiv, false);
    double scale = 0;
    for (double v : want) scale = std::max(scale, std::abs(v));
    for (std::size_t i = 0; i < want.size(); ++i)
      ASSERT_NEAR(got[i], want[i], 1e-5 * scale) << W << "x" << H << " at row " << i / W << " column " << i % W;
    // The complex transform of the same image agrees with the full spectrum too.
    EXPECT_LE(ruxref::relError(dftComplex(toComplex(x), W, H, false), ruxref::dft2(toComplex(x), W, H)), 2e-6);
  }
}

TEST(Fft, RoundTripPerFlagAndConstantImage) {
  const int W = 12, H = 10;
  const std::vector<float> x = randomFloats(W * H, 7);
  for (int flag : {ruxFftDivFwdByN, ruxFftDivInvByN, ruxFftDivBySqrtN, ruxFftNoDiv}) {
    const std::vector<float> back = dftReal(dftReal(x, W, H, flag, false), W, H, flag, true);
    const float k = flag == ruxFftNoDiv ? W * H : 1.0f;
    for (int i = 0; i < W * H; ++i) ASSERT_NEAR(back[i], k * x[i], 1e-5f * k) << "flag " << flag;
  }
  // A constant c: P[0][0] = c W H, every other value 0.
  const std::vector<float> p = dftReal(std::vector<float>(W * H, 3.0f), W, H, ruxFftNoDiv, false);
  EXPECT_FLOAT_EQ(p[0], 3.0f * W * H);
  for (int i = 1; i < W * H; ++i) ASSERT_NEAR(p[i], 0.0f, 1e-4f) << i;
}

// The FFT family equals the DFT of the same size; multi-channel layouts transform each channel,
// AC4 keeps alpha, in place equals out of place, nothing is written outside the region.
TEST(Fft, FftChannelsInPlaceAndGuards) {
  const int W = 16, H = 8;
  RuxFftSpec_R_32f* spec = nullptr;
  ASSERT_EQ(ruxiFFTInitAlloc_R_32f(&spec, 4, 3, ruxFftDivFwdByN, ruxHintNone), ruxStatusOk);
  for (int C : {1, 3, 4}) {
    for (bool alpha : {false, true}) {
      if (alpha && C != 4) continue;
      GuardedImage<float> src(W, H, C, 11 + C), dst(W, H, C, 12 + C), inplace(W, H, C, 13);
      for (int y = 0; y < H; ++y) std::memcpy(inplace.row(y), src.row(y), sizeof(float) * W * C);
      inplace.snapshot();
      using Fn = RuxResult (*)(const Rux32f*, int, Rux32f*, int, const RuxFftSpec_R_32f*, Rux8u*);
      using FnI = RuxResult (*)(Rux32f*, int, const RuxFftSpec_R_32f*, Rux8u*);
      Fn fn = C == 1 ? ruxiFFTFwd_RToPack_32f_C1R : C == 3 ? ruxiFFTFwd_RToPack_32f_C3R
                     : alpha ? ruxiFFTFwd_RToPack_32f_AC4R : ruxiFFTFwd_RToPack_32f_C4R;
      FnI fni = C == 1 ? ruxiFFTFwd_RToPack_32f_C1IR : C == 3 ? ruxiFFTFwd_RToPack_32f_C3IR
                       : alpha ? ruxiFFTFwd_RToPack_32f_AC4IR : ruxiFFTFwd_RToPack_32f_C4IR;
      ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), spec, nullptr), ruxStatusOk);
      ASSERT_EQ(fni(inplace.data(), inplace.step(), spec, nullptr), ruxStatusOk);
      const std::uint32_t writable = alpha ? 7u : 0xffffffffu;
      EXPECT_TRUE(dst.check(writable));
      EXPECT_TRUE(inplace.check(writable));
      for (int c = 0; c < (alpha ? 3 : C); ++c) {
        std::vector<float> plane(W * H);
        for (int y = 0; y < H; ++y)
          for (int xx = 0; xx < W; ++xx) plane[y * W + xx] = src.at(xx, y, c);
        const std::vector<float> want = dftReal(plane, W, H, ruxFftDivFwdByN, false);
        for (int y = 0; y < H; ++y)
          for (int xx = 0; xx < W; ++xx) {
            ASSERT_FLOAT_EQ(dst.at(xx, y, c), want[y * W + xx]) << "C" << C << " channel " << c;
            ASSERT_FLOAT_EQ(inplace.at(xx, y, c), want[y * W + xx]);
          }
      }
    }
  }
  ruxiFFTFree_R_32f(spec);
}

// Sources right against an inaccessible page on either side: nothing beyond the region is read
// (rows, columns and the complex pairs of odd and even widths, one and three channels).
TEST(Fft, ReadsNothingBeyondTheSource) {
  for (ruxtest::Fence fence : {ruxtest::Fence::kBefore, ruxtest::Fence::kAfter})
    for (int W : {37, 40})
      for (int C : {1, 3}) {
        const int H = 19;
        ruxtest::FencedImage<float> src(W, H, C, {}, fence, 5);
        RuxDftSpec_R_32f* spec = nullptr;
        ASSERT_EQ(ruxiDFTInitAlloc_R_32f(&spec, {W, H}, ruxFftNoDiv, ruxHintNone), ruxStatusOk);
        std::vector<float> dst(static_cast<std::size_t>(W) * H * C);
        const int ds = 4 * W * C;
        EXPECT_EQ((C == 1 ? ruxiDFTFwd_RToPack_32f_C1R : ruxiDFTFwd_RToPack_32f_C3R)(src.data(), src.step(), dst.data(),
                                                                                   ds, spec, nullptr),
                  ruxStatusOk);
        EXPECT_EQ((C == 1 ? ruxiDFTInv_PackToR_32f_C1R : ruxiDFTInv_PackToR_32f_C3R)(src.data(), src.step(), dst.data(),
                                                                                   ds, spec, nullptr),
                  ruxStatusOk);
        ruxiDFTFree_R_32f(spec);
        RuxDftSpec_C_32fc* cspec = nullptr;
        ASSERT_EQ(ruxiDFTInitAlloc_C_32fc(&cspec, {W / 2, H}, ruxFftNoDiv, ruxHintNone), ruxStatusOk);
        if (C == 1 && W % 2 == 0) {
          EXPECT_EQ(ruxiDFTFwd_CToC_32fc_C1R(reinterpret_cast<const Rux32fc*>(src.data()), src.step(),
                                             reinterpret_cast<Rux32fc*>(dst.data()), ds, cspec, nullptr),
                    ruxStatusOk);
        }
        ruxiDFTFree_C_32fc(cspec);
      }
}

// 1, 2 and 7 threads, a caller buffer and an own buffer: the same bits, for real and complex.
TEST(Fft, ThreadsAndBuffersGiveTheSameBits) {
  const int W = 300, H = 292;
  const std::vector<float> x = randomFloats(W * H, 5);
  RuxDftSpec_R_32f* spec = nullptr;
  RuxDftSpec_C_32fc* cspec = nullptr;
  std::vector<float> first, out(W * H);
  std::vector<Rux32fc> cx(W * H), cfirst, cout(W * H);
  for (int i = 0; i < W * H; ++i) cx[i] = {x[i], x[(i * 13) % (W * H)]};
  ruxtest::forThreadCounts([&](int) {
    ASSERT_EQ(ruxiDFTInitAlloc_R_32f(&spec, {W, H}, ruxFftDivBySqrtN, ruxHintNone), ruxStatusOk);
    ASSERT_EQ(ruxiDFTInitAlloc_C_32fc(&cspec, {W, H}, ruxFftNoDiv, ruxHintNone), ruxStatusOk);
    int bytes = 0;
    ASSERT_EQ(ruxiDFTGetBufSize_R_32f(spec, &bytes), ruxStatusOk);
    std::vector<Rux8u> buffer(bytes + 1);
    for (Rux8u* b : {static_cast<Rux8u*>(nullptr), buffer.data() + 1}) {
      ASSERT_EQ(ruxiDFTFwd_RToPack_32f_C1R(x.data(), 4 * W, out.data(), 4 * W, spec, b), ruxStatusOk);
      if (first.empty()) first = out;
      ASSERT_EQ(std::memcmp(out.data(), first.data(), 4 * out.size()), 0);
    }
    ASSERT_EQ(ruxiDFTFwd_CToC_32fc_C1R(cx.data(), 8 * W, cout.data(), 8 * W, cspec, nullptr), ruxStatusOk);
    if (cfirst.empty()) cfirst = cout;
    ASSERT_EQ(std::memcmp(cout.data(), cfirst.data(), 8 * cout.size()), 0);
    ruxiDFTFree_R_32f(spec);
    ruxiDFTFree_C_32fc(cspec);
  });
}

// The integer forms: the float result scaled by 2^-s, rounded and saturated; the inverse rounds
// back to the 8u source.
TEST(Fft, IntegerFormsScaleRoundAndSaturate) {
  const int W = 8, H = 4;
  std::vector<Rux8u> src(W * H);
  std::mt19937 rng(3);
  for (auto& v : src) v = static_cast<Rux8u>(rng());
  RuxFftSpec_R_32s* spec = nullptr;
  ASSERT_EQ(ruxiFFTInitAlloc_R_32s(&spec, 3, 2, ruxFftDivInvByN, ruxHintNone), ruxStatusOk);
  std::vector<float> fsrc(src.begin(), src.end());
  const std::vector<float> want = dftReal(fsrc, W, H, ruxFftDivInvByN, false);
  std::vector<Rux32s> packed(W * H);
  for (int s : {0, 3, -2}) {
    ASSERT_EQ(ruxiFFTFwd_RToPack_8u32s_C1RSfs(src.data(), W, packed.data(), 4 * W, spec, s, nullptr), ruxStatusOk);
    for (int i = 0; i < W * H; ++i) ASSERT_NEAR(packed[i], std::nearbyint(std::ldexp(want[i], -s)), 1) << s;
  }
  ASSERT_EQ(ruxiFFTFwd_RToPack_8u32s_C1RSfs(src.data(), W, packed.data(), 4 * W, spec, 0, nullptr), ruxStatusOk);
  std::vector<Rux8u> back(W * H);
  ASSERT_EQ(ruxiFFTInv_PackToR_32s8u_C1RSfs(packed.data(), 4 * W, back.data(), W, spec, 0, nullptr), ruxStatusOk);
  for (int i = 0; i < W * H; ++i) EXPECT_NEAR(back[i], src[i], 1);
  // A DC term beyond 2^31 saturates instead of wrapping.
  ASSERT_EQ(ruxiFFTFwd_RToPack_8u32s_C1RSfs(src.data(), W, packed.data(), 4 * W, spec, -30, nullptr), ruxStatusOk);
  EXPECT_EQ(packed[0], 2147483647);
  // Scale factors at the ends of the int range saturate or vanish instead of overflowing.
  ASSERT_EQ(ruxiFFTFwd_RToPack_8u32s_C1RSfs(src.data(), W, packed.data(), 4 * W, spec, -2147483647 - 1, nullptr), ruxStatusOk);
  EXPECT_EQ(packed[0], 2147483647);
  ASSERT_EQ(ruxiFFTInv_PackToR_32s8u_C1RSfs(packed.data(), 4 * W, back.data(), W, spec, 2147483647, nullptr), ruxStatusOk);
  EXPECT_EQ(back[0], 0);
  ruxiFFTFree_R_32s(spec);
}

TEST(Fft, ValidationOrderAndStates) {
  RuxFftSpec_R_32f* r = nullptr;
  RuxFftSpec_C_32fc* c = nullptr;
  EXPECT_EQ(ruxiFFTInitAlloc_R_32f(nullptr, 3, 3, 1, ruxHintNone), ruxStatusNullPointer);
  for (int order : {-1, -15, 30, 31})
    EXPECT_EQ(ruxiFFTInitAlloc_R_32f(&r, order, 2, 1, ruxHintNone), ruxStatusBadFftOrder) << order;
  EXPECT_EQ(ruxiFFTInitAlloc_R_32f(&r, 2, 2, 3, ruxHintNone), ruxStatusBadFftFlag);
  EXPECT_EQ(ruxiDFTInitAlloc_R_32f(nullptr, {3, 3}, 1, ruxHintNone), ruxStatusNullPointer);
  RuxDftSpec_R_32f* d = nullptr;
  EXPECT_EQ(ruxiDFTInitAlloc_R_32f(&d, {0, 3}, 1, ruxHintNone), ruxStatusBadSize);
  EXPECT_EQ(ruxiDFTInitAlloc_R_32f(&d, {3, 3}, 0, ruxHintNone), ruxStatusBadFftFlag);
  EXPECT_EQ(ruxiDFTInitAlloc_R_32f(&d, {0x7FFFFFF + 2, 1}, 1, ruxHintNone), ruxStatusBadSize);
  EXPECT_EQ(ruxiDFTInit_R_32f({4, 4}, 1, ruxHintNone, nullptr, nullptr), ruxStatusNullPointer);
  // An odd convolution length of 2^26 or more is a bad size; sizes beyond 2^31 bytes are -9.
  RuxDftSpec_C_32fc* dc = nullptr;
  EXPECT_EQ(ruxiDFTInitAlloc_C_32fc(&dc, {1, 0x4000001}, 1, ruxHintNone), ruxStatusBadSize);
  EXPECT_EQ(ruxiDFTInitAlloc_R_32f(&d, {2 * 0x2000001, 1}, 1, ruxHintNone), ruxStatusNoMemory);
  EXPECT_EQ(ruxiFFTInitAlloc_R_32f(&r, 29, 29, 1, ruxHintNone), ruxStatusNoMemory);
  ASSERT_EQ(ruxiFFTInitAlloc_R_32f(&r, 2, 2, ruxFftNoDiv, ruxHintNone), ruxStatusOk);
  ASSERT_EQ(ruxiFFTInitAlloc_C_32fc(&c, 2, 2, ruxFftNoDiv, ruxHintNone), ruxStatusOk);
  GuardedImage<float> img(4, 4, 1, 1), out(4, 4, 1, 2);
  Rux32fc cimg[16] = {};
  int size = 0;
  ruxtest::expectRejections(
      {
          {"null spec", [&] { return ruxiFFTFwd_RToPack_32f_C1R(img.data(), img.step(), out.data(), out.step(), nullptr, nullptr); }, ruxStatusNullPointer},
          {"complex spec for a real transform", [&] { return ruxiFFTFwd_RToPack_32f_C1R(img.data(), img.step(), out.data(), out.step(), reinterpret_cast<RuxFftSpec_R_32f*>(c), nullptr); }, ruxStatusBadContext},
          {"real spec for a complex transform", [&] { return ruxiFFTFwd_CToC_32fc_C1R(cimg, 32, cimg, 32, reinterpret_cast<RuxFftSpec_C_32fc*>(r), nullptr); }, ruxStatusBadContext},
          {"FFT spec for a DFT", [&] { return ruxiDFTInv_PackToR_32f_C1R(img.data(), img.step(), out.data(), out.step(), reinterpret_cast<RuxDftSpec_R_32f*>(r), nullptr); }, ruxStatusBadContext},
          {"null source", [&] { return ruxiFFTFwd_RToPack_32f_C1R(nullptr, img.step(), out.data(), out.step(), r, nullptr); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiFFTInv_PackToR_32f_C1R(img.data(), img.step(), nullptr, out.step(), r, nullptr); }, ruxStatusNullPointer},
          {"zero step", [&] { return ruxiFFTFwd_RToPack_32f_C1R(img.data(), 0, out.data(), out.step(), r, nullptr); }, ruxStatusBadStep},
          {"buffer size of a foreign spec", [&] { return ruxiFFTGetBufSize_R_32f(reinterpret_cast<RuxFftSpec_R_32f*>(c), &size); }, ruxStatusBadContext},
          {"free of a foreign spec", [&] { return ruxiFFTFree_C_32fc(reinterpret_cast<RuxFftSpec_C_32fc*>(r)); }, ruxStatusBadContext},
      },
      img, out);
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(ruxiFFTFwd_RToPack_32f_C1R(img.data(), img.step(), out.data(), out.step(), r, nullptr), ruxStatusNoMemory);
    EXPECT_TRUE(out.unchanged());
    RuxDftSpec_R_32f* big = nullptr;
    EXPECT_EQ(ruxiDFTInitAlloc_R_32f(&big, {1009, 3}, 1, ruxHintNone), ruxStatusNoMemory);
  }
  ruxiFFTFree_R_32f(r);
  ruxiFFTFree_C_32fc(c);
  // DFT specifications in caller memory, with the sizes GetSize reports.
  int specBytes = 0, initBytes = 0, bufBytes = 0;
  ASSERT_EQ(ruxiDFTGetSize_R_32f({1009, 6}, ruxFftNoDiv, ruxHintNone, &specBytes, &initBytes, &bufBytes), ruxStatusOk);
  std::vector<Rux8u> mem(specBytes), init(initBytes + 1), buf(bufBytes);
  auto* spec = reinterpret_cast<RuxDftSpec_R_32f*>(mem.data());
  ASSERT_EQ(ruxiDFTInit_R_32f({1009, 6}, ruxFftNoDiv, ruxHintNone, spec, init.data() + 1), ruxStatusOk);
  const std::vector<float> x = randomFloats(1009 * 6, 9);
  std::vector<float> y(x.size());
  ASSERT_EQ(ruxiDFTFwd_RToPack_32f_C1R(x.data(), 4 * 1009, y.data(), 4 * 1009, spec, buf.data()), ruxStatusOk);
  EXPECT_EQ(y, dftReal(x, 1009, 6, ruxFftNoDiv, false));
}

}  // namespace
