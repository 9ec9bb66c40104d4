// Remap against the per-pixel reference: every mode, type and layout over several clip boxes and
// source sizes, maps with NaN, infinite, edge and ring points, sources against faulting pages
// (NaN margins for floats) so that any read outside the image shows, destinations and maps in
// guard bands with their own steps.
#include <climits>
#include <cmath>
#include <limits>

#include "ref/remap_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

enum class Layout { kC1, kC3, kC4, kAC4, kP3, kP4 };
int channelsOf(Layout l) { return l == Layout::kC3 ? 3 : l == Layout::kC4 || l == Layout::kAC4 ? 4 : 1; }
int planesOf(Layout l) { return l == Layout::kP3 ? 3 : l == Layout::kP4 ? 4 : 1; }
constexpr int kSmooth = static_cast<int>(0x80000000u);

template <class T>
using MapT = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <class T>
RuxResult callRemap(Layout l, const T* const* s, RuxImageSize z, int ss, RuxImageRect r, const MapT<T>* mx, int xs,
                    const MapT<T>* my, int ys, T* const* d, int ds, RuxImageSize dz, int i);
#define RUX_CALL_REMAP(S, T)                                                                                       \
  template <>                                                                                                      \
  RuxResult callRemap<T>(Layout l, const T* const* s, RuxImageSize z, int ss, RuxImageRect r, const MapT<T>* mx, \
                         int xs, const MapT<T>* my, int ys, T* const* d, int ds, RuxImageSize dz, int i) {         \
    switch (l) {                                                                                                   \
      case Layout::kC1: return ruxiRemap_##S##_C1R(s[0], z, ss, r, mx, xs, my, ys, d[0], ds, dz, i);              \
      case Layout::kC3: return ruxiRemap_##S##_C3R(s[0], z, ss, r, mx, xs, my, ys, d[0], ds, dz, i);              \
      case Layout::kC4: return ruxiRemap_##S##_C4R(s[0], z, ss, r, mx, xs, my, ys, d[0], ds, dz, i);              \
      case Layout::kAC4: return ruxiRemap_##S##_AC4R(s[0], z, ss, r, mx, xs, my, ys, d[0], ds, dz, i);            \
      case Layout::kP3: return ruxiRemap_##S##_P3R(s, z, ss, r, mx, xs, my, ys, d, ds, dz, i);                    \
      default: return ruxiRemap_##S##_P4R(s, z, ss, r, mx, xs, my, ys, d, ds, dz, i);                             \
    }                                                                                                              \
  }
RUX_CALL_REMAP(8u, Rux8u)
RUX_CALL_REMAP(16u, Rux16u)
RUX_CALL_REMAP(16s, Rux16s)
RUX_CALL_REMAP(32f, Rux32f)
RUX_CALL_REMAP(64f, Rux64f)

struct Geometry {
  int W, H;
  RuxImageRect roi;
  int dw, dh;
};
const Geometry kGeometries[] = {
    {23, 17, {2, 1, 18, 30}, 37, 9},  // box inside the image on the left, top and right
    {23, 17, {0, 0, 23, 17}, 41, 7},  // box = image: taps clamp at every edge
    {70, 6, {3, 0, 60, 6}, 67, 5},    // Lanczos takes the cubic
    {5, 3, {0, 0, 5, 3}, 9, 4},       // the wide kernels take linear
    {1, 6, {0, 0, 1, 6}, 5, 3},       // nearest
};

// A smooth map over the box and two pixels around it, with integer and half-integer points,
// and special points in the first row: non-finite, just outside, on the box edges, in the ring.
template <class M>
void fillMaps(GuardedImage<M>& mx, GuardedImage<M>& my, ruxref::RemapBox b) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  const double specials[][2] = {{nan, 1},       {b.x0, nan},           {inf, b.y0},           {-inf, b.y0},
                                {b.x0, inf},    {b.x0 - 0.5, b.y0},    {b.x1, b.y1},          {b.x0, b.y0},
                                {b.x1 + 0.25, b.y0 - 0.25}, {b.x1 + 1, b.y0}, {b.x0 + 0.5, b.y1 - 0.5},
                                {1e30, b.y0},   {2147483648.0, b.y0},  {b.x1 - 1e-3, b.y1 - 1e-3}};
  const int w = mx.width(), h = mx.height();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double s = w > 1 ? x / (w - 1.0) : 0, t = h > 1 ? y / (h - 1.0) : 0;
      double u = b.x0 - 2 + s * (b.x1 - b.x0 + 4) + 0.8 * (t - 0.5) + 0.3 * std::sin(0.7 * x + 0.3 * y);
      double v = b.y0 - 2 + t * (b.y1 - b.y0 + 4) + 0.8 * (s - 0.5) + 0.3 * std::cos(0.5 * x - 0.2 * y);
      if ((x + y) % 5 == 0) u = std::round(u), v = std::round(v);
      if ((x + y) % 5 == 1) u = std::floor(u) + 0.5, v = std::floor(v) + 0.5;
      if (y == 0 && x < static_cast<int>(std::size(specials))) u = specials[x][0], v = specials[x][1];
      mx.at(x, y, 0) = static_cast<M>(u), my.at(x, y, 0) = static_cast<M>(v);
    }
  }
  mx.snapshot(), my.snapshot();
}

template <class T>
void checkCase(const Geometry& g, Layout layout, int interp) {
  using M = MapT<T>;
  const int C = channelsOf(layout), P = planesOf(layout), K = layout == Layout::kAC4 ? 3 : C;
  const Fence fence = std::is_floating_point_v<T> ? Fence::kNanMargin : P == 3 ? Fence::kBefore : Fence::kAfter;
  const ruxref::RemapBox box{g.roi.x, g.roi.y, g.roi.x + std::min(g.W - g.roi.x, g.roi.width) - 1,
                             g.roi.y + std::min(g.H - g.roi.y, g.roi.height) - 1};
  std::vector<std::unique_ptr<FencedImage<T>>> srcs;
  std::vector<std::unique_ptr<GuardedImage<T>>> dsts;
  std::vector<const T*> sp;
  std::vector<T*> dp;
  std::vector<ruxref::Plane<T>> ref(P);
  std::mt19937 rng(7);
  for (int p = 0; p < P; ++p) {
    srcs.push_back(std::make_unique<FencedImage<T>>(g.W, g.H, C, ruxtest::Border{}, fence, 11 + p));
    dsts.push_back(std::make_unique<GuardedImage<T>>(g.dw, g.dh, C, 23 + p, 3));
    sp.push_back(srcs.back()->data());
    dp.push_back(dsts.back()->data());
    ref[p] = {{}, g.W, g.H, C};
    for (int y = 0; y < g.H; ++y)
      for (int x = 0; x < g.W; ++x)
        for (int k = 0; k < C; ++k) {
          T& s = srcs[p]->at(x, y, k);
          if constexpr (std::is_floating_point_v<T>) s = static_cast<T>(std::uniform_real_distribution<double>(-100, 100)(rng));
          ref[p].v.push_back(s);
        }
  }
  GuardedImage<M> mx(g.dw, g.dh, 1, 1, 1), my(g.dw, g.dh, 1, 2, 5);
  fillMaps(mx, my, box);
  const RuxResult st = callRemap<T>(layout, sp.data(), {g.W, g.H}, srcs[0]->step(), g.roi, mx.data(), mx.step(), my.data(),
                                    my.step(), dp.data(), dsts[0]->step(), {g.dw, g.dh}, interp);
  ASSERT_EQ(st, 0);
  ASSERT_TRUE(mx.unchanged() && my.unchanged());
  const int mode = interp & 0x7fffffff;
  const bool exactInt = ruxref::remapMode(mode, g.W, g.H) == 1 || (ruxref::remapMode(mode, g.W, g.H) == 2 && sizeof(T) == 1);
  for (int p = 0; p < P; ++p) {
    ASSERT_TRUE(dsts[p]->check(layout == Layout::kAC4 ? 7u : 0xffffffffu));
    for (int y = 0; y < g.dh; ++y)
      for (int x = 0; x < g.dw; ++x)
        for (int k = 0; k < K; ++k) {
          const double old = dsts[p]->savedAt(x, y, k), got = dsts[p]->at(x, y, k);
          const auto want = ruxref::refRemap<T, M>(ref[p], box, mode, interp < 0, mx.at(x, y, 0), my.at(x, y, 0), k, old);
          const auto where = ::testing::Message() << "mode " << interp << " W " << g.W << " layout " << int(layout) << " at "
                                                  << x << "," << y << "," << k << " u " << mx.at(x, y, 0) << " v " << my.at(x, y, 0);
          if (!want) {
            const T gotT = dsts[p]->at(x, y, k), oldT = dsts[p]->savedAt(x, y, k);
            ASSERT_EQ(std::memcmp(&gotT, &oldT, sizeof(T)), 0) << where;
            continue;
          }
          if constexpr (std::is_floating_point_v<T>) {
            const double tol = std::is_same_v<T, float> ? 2e-4 : 1e-10;
            ASSERT_NEAR(got, static_cast<double>(*want), tol) << where;
          } else {
            const double exact = static_cast<double>(ruxref::refStoreAs<T>(*want));
            // Float sums may fall on the other side of a tie: of the value, or in the smooth ring
            // of the sample blended in.
            const double u = mx.at(x, y, 0), v = my.at(x, y, 0);
            const bool ring = !(u >= box.x0 && u <= box.x1 && v >= box.y0 && v <= box.y1);
            const bool nearTie = ring || std::fabs(std::fabs(static_cast<double>(*want - std::floor(*want))) - 0.5) < 0.02;
            ASSERT_LE(std::fabs(got - exact), exactInt || !nearTie ? 0 : 1) << where << " want " << static_cast<double>(*want);
          }
        }
  }
}

// C3 call on guarded images.
template <class T, class M>
RuxResult ruxtest_remapC3(const GuardedImage<T>& src, RuxImageRect roi, const GuardedImage<M>& mx, const GuardedImage<M>& my,
                          GuardedImage<T>& dst, int interp) {
  const T* s[1] = {src.data()};
  T* d[1] = {dst.data()};
  return callRemap<T>(Layout::kC3, s, src.size(), src.step(), roi, mx.data(), mx.step(), my.data(), my.step(), d, dst.step(),
                      dst.size(), interp);
}

template <class T>
class RemapTyped : public ::testing::Test {};
using Types = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f, Rux64f>;
TYPED_TEST_SUITE(RemapTyped, Types);

TYPED_TEST(RemapTyped, MatchesReference) {
  for (const Geometry& g : kGeometries)
    for (Layout l : {Layout::kC1, Layout::kC3, Layout::kC4, Layout::kAC4, Layout::kP3, Layout::kP4})
      for (int interp : {1, 2, 4, 6, 16, 1 | kSmooth, 2 | kSmooth, 6 | kSmooth, 16 | kSmooth})
        checkCase<TypeParam>(g, l, interp);
}

// Maps holding each pixel's own position copy the region exactly in every mode (all weights but
// one vanish at integer points); a constant image stays constant inside the box in every mode.
TYPED_TEST(RemapTyped, IdentityAndConstant) {
  using T = TypeParam;
  using M = MapT<T>;
  const RuxImageRect roi{3, 2, 29, 11};
  GuardedImage<T> src(35, 16, 3, 5);
  GuardedImage<M> mx(29, 11, 1, 1), my(29, 11, 1, 2);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 29; ++x) mx.at(x, y, 0) = static_cast<M>(x + 3), my.at(x, y, 0) = static_cast<M>(y + 2);
  std::vector<T> want;
  for (int y = 0; y < 11; ++y)
    for (int i = 0; i < 29 * 3; ++i) want.push_back(src.row(y + 2)[i + 9]);
  for (int interp : {1, 2, 4, 6, 16}) {
    GuardedImage<T> dst(29, 11, 3, 9);
    ASSERT_EQ(ruxtest_remapC3(src, roi, mx, my, dst, interp), 0);
    ASSERT_TRUE(ruxtest::regionEquals(dst, want)) << interp;
  }
  // Constant source, a map running over the box and beyond: inside exactly the constant.
  const T c = static_cast<T>(std::is_signed_v<T> ? -1234.5 : 200.25);
  for (int y = 0; y < 16; ++y)
    for (int i = 0; i < 35 * 3; ++i) src.row(y)[i] = c;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 29; ++x) mx.at(x, y, 0) = static_cast<M>(x * 1.37 - 1.1), my.at(x, y, 0) = static_cast<M>(y * 1.71 - 0.6);
  for (int interp : {1, 2, 4, 6, 16}) {
    GuardedImage<T> dst(29, 11, 3, 9);
    // A region reaching past the image (x + width beyond any int) is clipped to it.
    ASSERT_EQ(ruxtest_remapC3(src, {0, 0, INT_MAX, INT_MAX}, mx, my, dst, interp), 0);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 29; ++x) {
        const bool inside = mx.at(x, y, 0) >= 0 && mx.at(x, y, 0) <= 34 && my.at(x, y, 0) >= 0 && my.at(x, y, 0) <= 15;
        for (int k = 0; k < 3; ++k) ASSERT_EQ(dst.at(x, y, k), inside ? c : dst.savedAt(x, y, k)) << interp << " " << x << "," << y;
      }
  }
}

// 8u linear: a point on a pixel returns it, halfway between 0 and 255 gives 127 (the addend 33
// truncates), a quarter of the way (255 / 4 = 63.75) gives 63; a 3 x 3 source with Lanczos is linear.
TEST(Remap, LinearValuesAndSmallSource) {
  const Rux8u src[9] = {0, 255, 0, 0, 255, 0, 90, 30, 60};
  const struct {
    float u, v;
    int want;
  } cases[] = {{1, 0, 255}, {0, 1, 0}, {0.5f, 0, 127}, {0.5f, 1, 127}, {0.25f, 0.5f, 63}, {2, 2, 60}, {0.5f, 2, 60}};
  for (const auto& c : cases) {
    Rux8u out = 7;
    ASSERT_EQ(ruxiRemap_8u_C1R(src, {3, 3}, 3, {0, 0, 3, 3}, &c.u, 4, &c.v, 4, &out, 1, {1, 1}, 2), 0);
    EXPECT_EQ(out, c.want) << c.u << "," << c.v;
  }
  std::vector<float> mx(64), my(64), s32(9);
  for (int i = 0; i < 64; ++i) mx[i] = (i % 8) * 0.29f, my[i] = (i / 8) * 0.31f;
  for (int i = 0; i < 9; ++i) s32[i] = src[i] * 1.5f;
  std::vector<Rux8u> a(64), b(64);
  std::vector<Rux32f> fa(64), fb(64);
  for (int flag : {0, kSmooth}) {
    for (int mode : {2, 16}) {
      auto& out = mode == 2 ? a : b;
      auto& fout = mode == 2 ? fa : fb;
      ASSERT_EQ(ruxiRemap_8u_C1R(src, {3, 3}, 3, {0, 0, 3, 3}, mx.data(), 32, my.data(), 32, out.data(), 8, {8, 8}, mode | flag), 0);
      ASSERT_EQ(ruxiRemap_32f_C1R(s32.data(), {3, 3}, 12, {0, 0, 3, 3}, mx.data(), 32, my.data(), 32, fout.data(), 32, {8, 8},
                                  mode | flag), 0);
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(fa, fb);
  }
}

// Whole rows (vector kernels where a target has them) and one-pixel-wide columns (plain code)
// give the same bits, with points over the whole image so that taps clamp at every edge.
template <class T>
void expectRowsMatchColumns(Layout layout, int interp) {
  const int W = 90, H = 40, dw = 100, dh = 30, C = channelsOf(layout);
  GuardedImage<T> src(W, H, C, 1);
  GuardedImage<Rux32f> mx(dw, dh, 1, 3), my(dw, dh, 1, 4);
  std::mt19937 rng(5);
  if constexpr (std::is_floating_point_v<T>)
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W * C; ++x) src.at(x / C, y, x % C) = static_cast<T>(std::uniform_real_distribution<double>(-100, 100)(rng));
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      const double a = 0.3, cx = x - dw / 2.0, cy = y - dh / 2.0;
      mx.at(x, y, 0) = static_cast<float>(W / 2.0 + (cx * std::cos(a) - cy * std::sin(a)) * 1.1);
      my.at(x, y, 0) = static_cast<float>(H / 2.0 + (cx * std::sin(a) + cy * std::cos(a)) * 1.6);
      if (rng() % 7 == 0) mx.at(x, y, 0) = static_cast<float>(std::uniform_real_distribution<double>(-0.5, W)(rng));
    }
  GuardedImage<T> rows(dw, dh, C, 5), columns(dw, dh, C, 5);
  const T* s[1] = {src.data()};
  T* d[1] = {rows.data()};
  ASSERT_EQ(callRemap<T>(layout, s, {W, H}, src.step(), {0, 0, W, H}, mx.data(), mx.step(), my.data(), my.step(), d,
                         rows.step(), {dw, dh}, interp), 0);
  for (int x = 0; x < dw; ++x) {
    T* c[1] = {&columns.at(x, 0, 0)};
    ASSERT_EQ(callRemap<T>(layout, s, {W, H}, src.step(), {0, 0, W, H}, &mx.at(x, 0, 0), mx.step(), &my.at(x, 0, 0),
                           my.step(), c, columns.step(), {1, dh}, interp), 0);
  }
  for (int y = 0; y < dh; ++y)
    ASSERT_EQ(std::memcmp(&rows.at(0, y, 0), &columns.at(0, y, 0), sizeof(T) * C * dw), 0)
        << "layout " << int(layout) << " mode " << interp << " row " << y;
  const std::uint32_t writable = layout == Layout::kAC4 ? 7u : 0xffffffffu;
  EXPECT_TRUE(rows.check(writable) && columns.check(writable));
}

TEST(Remap, RowsMatchColumnsBitForBit) {
  for (int interp : {4, 6, 2}) {
    for (Layout l : {Layout::kC1, Layout::kC4, Layout::kAC4}) expectRowsMatchColumns<Rux8u>(l, interp);
    for (Layout l : {Layout::kC1, Layout::kC3, Layout::kC4, Layout::kAC4}) expectRowsMatchColumns<Rux32f>(l, interp);
  }
}

// Row blocks on 1, 2 and 7 threads give the same bits.
TEST(Remap, ThreadCountsAgree) {
  const int W = 300, H = 160;
  GuardedImage<Rux8u> src8(W, H, 3, 1);
  GuardedImage<Rux32f> src32(W, H, 1, 2);
  GuardedImage<Rux32f> mx(W, H, 1, 3), my(W, H, 1, 4);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const double a = 0.2, cx = x - W / 2.0, cy = y - H / 2.0;
      mx.at(x, y, 0) = static_cast<float>(W / 2.0 + cx * std::cos(a) - cy * std::sin(a));
      my.at(x, y, 0) = static_cast<float>(H / 2.0 + cx * std::sin(a) + cy * std::cos(a));
    }
  for (int interp : {1, 2, 6, 2 | kSmooth}) {
    std::vector<std::vector<Rux8u>> r8;
    std::vector<std::vector<Rux8u>> r32;  // bytes: guard columns may hold NaN
    ruxtest::forThreadCounts([&](int) {
      GuardedImage<Rux8u> d8(W, H, 3, 5);
      GuardedImage<Rux32f> d32(W, H, 1, 6);
      ASSERT_EQ(ruxiRemap_8u_C3R(src8.data(), {W, H}, src8.step(), {0, 0, W, H}, mx.data(), mx.step(), my.data(), my.step(),
                                 d8.data(), d8.step(), {W, H}, interp), 0);
      ASSERT_EQ(ruxiRemap_32f_C1R(src32.data(), {W, H}, src32.step(), {0, 0, W, H}, mx.data(), mx.step(), my.data(),
                                  my.step(), d32.data(), d32.step(), {W, H}, interp), 0);
      r8.emplace_back(d8.data(), d8.data() + static_cast<std::size_t>(H - 1) * d8.step() + W * 3);
      const auto* b = reinterpret_cast<const Rux8u*>(d32.data());
      r32.emplace_back(b, b + static_cast<std::size_t>(H - 1) * d32.step() + W * 4);
    });
    for (std::size_t i = 1; i < r8.size(); ++i) EXPECT_TRUE(r8[i] == r8[0] && r32[i] == r32[0]) << interp;
  }
}

// Statuses in order: null pointers (planes too), sizes, interpolation, steps, region origin
// outside the image; nothing is written.
TEST(Remap, Rejections) {
  GuardedImage<Rux8u> src(8, 6, 1, 1), dst(5, 4, 1, 2), plane(8, 6, 1, 3);
  GuardedImage<Rux32f> mx(5, 4, 1, 4), my(5, 4, 1, 5);
  const Rux8u* s = src.data();
  Rux8u* d = dst.data();
  const float *x = mx.data(), *y = my.data();
  const int ss = src.step(), ds = dst.step(), xs = mx.step(), ys = my.step();
  const RuxImageRect roi{0, 0, 8, 6};
  const RuxImageSize z{8, 6}, dz{5, 4};
  const auto c1 = [&](const Rux8u* s1, RuxImageSize z1, int ss1, RuxImageRect r1, const float* x1, int xs1, const float* y1,
                      int ys1, Rux8u* d1, int ds1, RuxImageSize dz1, int i1) {
    return [=] { return ruxiRemap_8u_C1R(s1, z1, ss1, r1, x1, xs1, y1, ys1, d1, ds1, dz1, i1); };
  };
  const Rux8u* sp3[3] = {s, nullptr, s};
  Rux8u* dp3[3] = {d, d, d};
  ruxtest::expectRejections(
      {{"null source", c1(nullptr, {0, 0}, 0, roi, x, xs, y, ys, d, ds, dz, 99), -8},
       {"null x map", c1(s, z, ss, roi, nullptr, 0, y, ys, d, ds, dz, 2), -8},
       {"null y map", c1(s, z, ss, roi, x, xs, nullptr, ys, d, ds, dz, 2), -8},
       {"null destination", c1(s, z, ss, roi, x, xs, y, ys, nullptr, ds, {0, 0}, 2), -8},
       {"null plane", [&] { return ruxiRemap_8u_P3R(sp3, z, ss, roi, x, xs, y, ys, dp3, ds, dz, 2); }, -8},
       {"source width", c1(s, {0, 6}, 0, roi, x, xs, y, ys, d, ds, dz, 3), -6},
       {"region x", c1(s, z, ss, {-1, 0, 8, 6}, x, xs, y, ys, d, ds, dz, 2), -6},
       {"region height", c1(s, z, ss, {0, 0, 8, 0}, x, xs, y, ys, d, ds, dz, 2), -6},
       {"destination height", c1(s, z, 0, roi, x, xs, y, ys, d, ds, {5, 0}, 3), -6},
       {"mode 3", c1(s, z, 0, roi, x, xs, y, ys, d, ds, dz, 3), -22},
       {"mode 5", c1(s, z, ss, roi, x, xs, y, ys, d, ds, dz, 5), -22},
       {"two flags", c1(s, z, ss, roi, x, xs, y, ys, d, ds, dz, 2 | 0x40000000), -22},
       {"source step", c1(s, z, 0, {9, 0, 1, 1}, x, xs, y, ys, d, ds, dz, 2), -14},
       {"x map step", c1(s, z, ss, roi, x, 0, y, ys, d, ds, dz, 2), -14},
       {"y map step", c1(s, z, ss, roi, x, xs, y, -4, d, ds, dz, 2), -14},
       {"destination step", c1(s, z, ss, {9, 0, 1, 1}, x, xs, y, ys, d, 0, dz, 2), -14},
       {"origin outside", c1(s, z, ss, {8, 0, 1, 1}, x, xs, y, ys, d, ds, dz, 2 | kSmooth), 29},
       {"origin below", c1(s, z, ss, {0, 6, 1, 1}, x, xs, y, ys, d, ds, dz, 1), 29}},
      dst, plane);
}

}  // namespace
