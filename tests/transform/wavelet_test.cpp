// Wavelet transforms: the forward against a double reference, and forward then inverse with
// perfect-reconstruction pairs (Haar, LeGall 5/3, Daubechies 4) on periodic images, C1 and C3,
// odd sizes and widths across the 256-column blocks; every operand's border ends at a faulting
// page or NaN margins. Then the Haar constant image, validation order, specifications of
// another kind or channel count, and allocation failure.
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "ref/wavelet_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

struct Filter {
  std::vector<float> taps;
  int anchor;
  int len() const { return static_cast<int>(taps.size()); }
};

// Analysis low/high, synthesis low/high, with anchors that reconstruct exactly.
struct Pair {
  const char* name;
  Filter lo, hi, synLo, synHi;
};
const float kD4[4] = {0.4829629131445341f, 0.83651630373780772f, 0.22414386804201339f, -0.12940952255126034f};
const Pair kPairs[] = {
    {"Haar", {{0.5f, 0.5f}, 1}, {{0.5f, -0.5f}, 1}, {{1, 1}, 0}, {{-1, 1}, 0}},
    {"5/3", {{-0.125f, 0.25f, 0.75f, 0.25f, -0.125f}, 2}, {{-0.5f, 1, -0.5f}, 2}, {{0.5f, 1, 0.5f}, 1},
     {{-0.125f, -0.25f, 0.75f, -0.25f, -0.125f}, 1}},
    {"D4", {{kD4[3], kD4[2], kD4[1], kD4[0]}, 1}, {{-kD4[0], kD4[1], -kD4[2], kD4[3]}, 1},
     {{kD4[0], kD4[1], kD4[2], kD4[3]}, 2}, {{kD4[3], -kD4[2], kD4[1], -kD4[0]}, 2}},
};

// The borders the header documents (maxima over the two filters).
Border borderOf(bool forward, const Filter& a, const Filter& b) {
  const int before = forward ? std::max(a.len() - 1 - a.anchor, b.len() - 1 - b.anchor)
                             : std::max((a.len() - 1 - a.anchor) / 2, (b.len() - 1 - b.anchor) / 2);
  const int after = forward ? std::max({a.anchor - 1, b.anchor - 1, 0}) : std::max((a.anchor + 1) / 2, (b.anchor + 1) / 2);
  return {before, after, before, after};
}

// The C1 or C3 members; specifications with their (misaligned) buffers, freed on scope exit.
#define RUX_WT(C)                                                                                                    \
  template <>                                                                                                        \
  struct Wt<C> {                                                                                                     \
    static constexpr auto fwdInit = &ruxiWTFwdInitAlloc_32f_C##C##R, fwdFree = &ruxiWTFwdFree_32f_C##C##R;           \
    static constexpr auto invInit = &ruxiWTInvInitAlloc_32f_C##C##R, invFree = &ruxiWTInvFree_32f_C##C##R;           \
    static constexpr auto fwdBuf = &ruxiWTFwdGetBufSize_C##C##R, invBuf = &ruxiWTInvGetBufSize_C##C##R;              \
    static constexpr auto fwd = &ruxiWTFwd_32f_C##C##R;                                                              \
    static constexpr auto inv = &ruxiWTInv_32f_C##C##R;                                                              \
  };
template <int C>
struct Wt;
RUX_WT(1)
RUX_WT(3)

template <class S>
struct Spec {
  S* s = nullptr;
  RuxResult (*release)(S*);
  std::vector<Rux8u> buffer;
  template <class Init, class Size>
  Spec(Init init, RuxResult (*free)(S*), Size size, const Filter& lo, const Filter& hi) : release(free) {
    int bytes = 0;
    EXPECT_EQ(init(&s, lo.taps.data(), lo.len(), lo.anchor, hi.taps.data(), hi.len(), hi.anchor), ruxStatusOk);
    EXPECT_EQ(size(s, &bytes), ruxStatusOk);
    buffer.resize(static_cast<std::size_t>(bytes) + 1);
  }
  ~Spec() { EXPECT_EQ(release(s), ruxStatusOk); }
  Rux8u* buf() { return buffer.data() + 1; }
};

using Bands = std::vector<std::unique_ptr<GuardedImage<float>>>;  // approximation, X, Y, XY

template <int C>
Bands forward(const Pair& p, FencedImage<float>& src, RuxImageSize half, int seed) {
  Spec sp(Wt<C>::fwdInit, Wt<C>::fwdFree, Wt<C>::fwdBuf, p.lo, p.hi);
  Bands b;
  for (int i = 0; i < 4; ++i) b.push_back(std::make_unique<GuardedImage<float>>(half.width, half.height, C, seed + i, i));
  EXPECT_EQ(Wt<C>::fwd(src.data(), src.step(), b[0]->data(), b[0]->step(), b[1]->data(), b[1]->step(), b[2]->data(),
                       b[2]->step(), b[3]->data(), b[3]->step(), half, sp.s, sp.buf()),
            ruxStatusOk);
  for (const auto& band : b) EXPECT_TRUE(band->check());
  return b;
}

// Random filters, anchors and sizes against the reference.
template <int C>
void checkForward(int seed) {
  std::mt19937 rng(seed);
  Pair p{"random", {}, {}, {}, {}};
  double sum[2] = {0, 0};
  ruxref::WtFilter ref[2];
  for (int f = 0; f < 2; ++f) {
    Filter& x = f == 0 ? p.lo : p.hi;
    x.taps.resize(2 + rng() % 8);
    for (auto& t : x.taps) t = std::uniform_real_distribution<float>(-1, 1)(rng), sum[f] += std::fabs(t);
    x.anchor = static_cast<int>(rng() % x.taps.size());
    ref[f] = {{x.taps.begin(), x.taps.end()}, x.anchor};
  }
  const RuxImageSize sizes[] = {{1, 1}, {5, 3}, {260, 2}, {3, 7}};
  const RuxImageSize half = sizes[seed % 4];
  FencedImage<float> src(2 * half.width, 2 * half.height, C, borderOf(true, p.lo, p.hi), static_cast<Fence>(seed % 3), seed);
  const Bands out = forward<C>(p, src, half, seed);
  const auto at = [&](int x, int y, int c) { return static_cast<double>(src.at(x, y, c)); };
  for (int band = 0; band < 4; ++band) {
    const int col = band % 2, row = band / 2;  // X: column high, Y: row high
    const double tol = 1e-6 * 1000 * sum[col] * sum[row];
    for (int y = 0; y < half.height; ++y)
      for (int x = 0; x < half.width; ++x)
        for (int c = 0; c < C; ++c)
          ASSERT_NEAR(out[band]->at(x, y, c), ruxref::waveletBand(at, ref[col], ref[row], x, y, c), tol)
              << "band " << band << " at " << x << "," << y;
  }
}

TEST(WaveletForward, MatchesReference) {
  for (int seed = 1; seed <= 24; ++seed) {
    checkForward<1>(seed);
    checkForward<3>(seed + 100);
  }
}

int wrap(int v, int n) { return ((v % n) + n) % n; }

// The forward reads its border from the periodic extension of a random 2W x 2H tile, the
// inverse its inputs' borders from the periodic subbands; the result is the tile.
template <int C>
void checkReconstruction(const Pair& p, RuxImageSize half, int seed) {
  const int w = 2 * half.width, h = 2 * half.height;
  const Fence fence = static_cast<Fence>(seed % 3);
  std::mt19937 rng(seed);
  std::vector<float> tile(static_cast<std::size_t>(w) * h * C);
  for (auto& v : tile) v = ruxtest::randomValue<float>(rng);
  const auto tileAt = [&](int x, int y, int c) { return tile[(static_cast<std::size_t>(wrap(y, h)) * w + wrap(x, w)) * C + c]; };
  const auto fill = [](FencedImage<float>& im, Border b, int width, int height, auto value) {
    for (int y = -b.top; y < height + b.bottom; ++y)
      for (int x = -b.left; x < width + b.right; ++x)
        for (int c = 0; c < C; ++c) im.at(x, y, c) = value(x, y, c);
  };
  const Border fb = borderOf(true, p.lo, p.hi), ib = borderOf(false, p.synLo, p.synHi);
  FencedImage<float> src(w, h, C, fb, fence, seed);
  fill(src, fb, w, h, tileAt);
  const Bands bands = forward<C>(p, src, half, seed);
  std::vector<std::unique_ptr<FencedImage<float>>> in;
  for (const auto& band : bands) {
    in.push_back(std::make_unique<FencedImage<float>>(half.width, half.height, C, ib, fence, seed));
    fill(*in.back(), ib, half.width, half.height,
         [&](int x, int y, int c) { return band->at(wrap(x, half.width), wrap(y, half.height), c); });
  }
  Spec is(Wt<C>::invInit, Wt<C>::invFree, Wt<C>::invBuf, p.synLo, p.synHi);
  GuardedImage<float> dst(w, h, C, seed, 3);
  ASSERT_EQ(Wt<C>::inv(in[0]->data(), in[0]->step(), in[1]->data(), in[1]->step(), in[2]->data(), in[2]->step(),
                       in[3]->data(), in[3]->step(), half, dst.data(), dst.step(), is.s, is.buf()),
            ruxStatusOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < C; ++c)
        ASSERT_NEAR(dst.at(x, y, c), tileAt(x, y, c), 2e-3) << p.name << " C" << C << " " << w << "x" << h << " at " << x << "," << y;
  EXPECT_TRUE(dst.check());
}

TEST(WaveletInverse, PerfectReconstruction) {
  int seed = 1;
  for (const Pair& p : kPairs)
    for (const RuxImageSize s : {RuxImageSize{1, 1}, {7, 5}, {300, 3}, {2, 9}}) {
      checkReconstruction<1>(p, s, seed++);
      checkReconstruction<3>(p, s, seed++);
    }
}

TEST(WaveletForward, HaarOfConstantImage) {
  FencedImage<float> src(18, 6, 1, {}, Fence::kNanMargin, 5);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 18; ++x) src.at(x, y, 0) = 7.25f;
  const Bands out = forward<1>(kPairs[0], src, {9, 3}, 6);
  for (int band = 0; band < 4; ++band)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(out[band]->at(x, y, 0), band == 0 ? 7.25f : 0.0f) << band;
}

TEST(WaveletSpec, ValidationAndForeignSpecifications) {
  const float taps[4] = {0.5f, 0.5f, 0.25f, 0.25f};
  RuxWTFwdSpec_32f_C1R* f = nullptr;
  RuxWTInvSpec_32f_C1R* i = nullptr;
  int bytes = 0;
  EXPECT_EQ(ruxiWTFwdInitAlloc_32f_C1R(&f, taps, 1, 5, taps, 2, 0), ruxStatusBadSize);  // length before anchor
  EXPECT_EQ(ruxiWTInvInitAlloc_32f_C1R(&i, taps, 2, 0, taps, 2, 2), ruxStatusBadAnchor);  // anchor = length
  EXPECT_EQ(ruxiWTFwdInitAlloc_32f_C1R(&f, taps, 2, -1, taps, 2, 0), ruxStatusBadAnchor);
  // A filter whose buffer size an int cannot hold is refused before its taps are read.
  EXPECT_EQ(ruxiWTFwdInitAlloc_32f_C1R(&f, taps, 1 << 28, 0, taps, 2, 0), ruxStatusBadSize);
  {
    ruxtest::FailAllocationsAfter fail(0);
    EXPECT_EQ(ruxiWTInvInitAlloc_32f_C1R(&i, taps, 2, 0, taps, 2, 0), ruxStatusNoMemory);
  }
  EXPECT_TRUE(f == nullptr && i == nullptr);

  // Specifications of another kind, of the other channel count or of another family: -17.
  RuxMomentState_64f* moments = nullptr;
  ASSERT_EQ(ruxiMomentInitAlloc_64f(&moments, ruxHintAccurate), ruxStatusOk);
  ASSERT_EQ(ruxiWTFwdInitAlloc_32f_C1R(&f, taps, 2, 1, taps, 2, 1), ruxStatusOk);
  ASSERT_EQ(ruxiWTInvInitAlloc_32f_C1R(&i, taps, 2, 0, taps + 2, 2, 0), ruxStatusOk);
  auto* f3 = reinterpret_cast<const RuxWTFwdSpec_32f_C3R*>(f);
  auto* fAsInv = reinterpret_cast<RuxWTInvSpec_32f_C1R*>(f);
  auto* iAsFwd = reinterpret_cast<RuxWTFwdSpec_32f_C1R*>(i);
  auto* foreign = reinterpret_cast<RuxWTFwdSpec_32f_C1R*>(moments);
  std::vector<Rux8u> buf(1 << 16);
  GuardedImage<float> src(4, 4, 3, 1), a(2, 2, 3, 2), x(2, 2, 3, 3), y(2, 2, 3, 4), xy(2, 2, 3, 5), d(4, 4, 3, 6);
  const auto fwd = [&](const RuxWTFwdSpec_32f_C1R* s, RuxImageSize sz, int step, Rux8u* b, const float* p) {
    return ruxiWTFwd_32f_C1R(p, step, a.data(), a.step(), x.data(), x.step(), y.data(), y.step(), xy.data(), xy.step(), sz, s, b);
  };
  const auto inv = [&](const RuxWTInvSpec_32f_C1R* s, RuxImageSize sz, int step, Rux8u* b, float* out) {
    return ruxiWTInv_32f_C1R(a.data(), a.step(), x.data(), x.step(), y.data(), step, xy.data(), xy.step(), sz, out, d.step(), s, b);
  };
  const RuxImageSize ok{2, 2};
  ruxtest::expectRejections(
      {{"null spec first", [&] { return fwd(nullptr, {0, 2}, 0, nullptr, nullptr); }, ruxStatusNullPointer},
       {"inverse spec", [&] { return fwd(iAsFwd, ok, src.step(), buf.data(), src.data()); }, ruxStatusBadContext},
       {"C1 spec to C3", [&] { return ruxiWTFwd_32f_C3R(src.data(), src.step(), a.data(), a.step(), x.data(), x.step(), y.data(),
                                                         y.step(), xy.data(), xy.step(), ok, f3, buf.data()); }, ruxStatusBadContext},
       {"spec before images", [&] { return fwd(iAsFwd, ok, src.step(), buf.data(), nullptr); }, ruxStatusBadContext},
       {"null buffer", [&] { return fwd(f, {0, 2}, 0, nullptr, src.data()); }, ruxStatusNullPointer},
       {"size before step", [&] { return fwd(f, {2, 0}, 0, buf.data(), src.data()); }, ruxStatusBadSize},
       {"inverse: null buffer first", [&] { return inv(fAsInv, ok, y.step(), nullptr, d.data()); }, ruxStatusNullPointer},
       {"inverse: forward spec", [&] { return inv(fAsInv, ok, y.step(), buf.data(), nullptr); }, ruxStatusBadContext},
       {"inverse: size before step", [&] { return inv(i, {-1, 2}, 0, buf.data(), d.data()); }, ruxStatusBadSize},
       {"size of another kind", [&] { return ruxiWTInvGetBufSize_C1R(fAsInv, &bytes); }, ruxStatusBadContext},
       {"size of C1 as C3", [&] { return ruxiWTFwdGetBufSize_C3R(f3, &bytes); }, ruxStatusBadContext},
       {"free of another family", [&] { return ruxiWTFwdFree_32f_C1R(foreign); }, ruxStatusBadContext}},
      a, x, y, xy, d);
  EXPECT_EQ(ruxiWTFwdFree_32f_C1R(f), ruxStatusOk);
  EXPECT_EQ(ruxiWTInvFree_32f_C1R(i), ruxStatusOk);
  EXPECT_EQ(ruxiMomentFree_64f(moments), ruxStatusOk);
}

}  // namespace
