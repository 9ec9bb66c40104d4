// Square-pixel resize against the per-pixel reference: every mode, type and layout over several
// geometries, with sources against a faulting page (NaN margins for floats) so that any read
// outside the source image shows, destinations in guard bands with every pixel outside the
// written rectangle left as it was.
#include <cmath>
#include <cstring>
#include <tuple>

#include "ref/resize_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

struct Geometry {
  const char* name;
  int srcW, srcH;
  RuxImageRect srcRoi, dstRoi;
  int dstW, dstH;  // destination image
  double sx, sy, shx, shy;
};

const Geometry kGeometries[] = {
    {"identity", 19, 13, {0, 0, 19, 13}, {0, 0, 19, 13}, 19, 13, 1, 1, 0, 0},
    {"up", 11, 9, {1, 2, 9, 6}, {2, 1, 24, 17}, 27, 19, 1.7, 1.35, 0.25, -0.5},
    {"down", 29, 23, {0, 0, 29, 23}, {0, 0, 16, 13}, 16, 14, 0.45, 0.55, 0, 0},
    {"mixed", 23, 17, {3, 1, 30, 30}, {1, 0, 40, 11}, 41, 12, 2.5, 0.4, -3.25, 0.75},
    {"near one", 17, 15, {0, 0, 17, 15}, {0, 0, 18, 15}, 18, 16, 1.01, 0.99, 0.1, 0.3},
    // Exact halving on pixel pairs (the 2 x 2 block paths of linear and super-sampling 8u).
    {"half", 140, 26, {0, 0, 140, 26}, {0, 0, 70, 13}, 72, 14, 0.5, 0.5, 0, 0},  // rows of two full vectors
    {"half shifted", 40, 30, {2, 4, 36, 26}, {0, 0, 18, 13}, 19, 14, 0.5, 0.5, -1, -2},
};

enum class Layout { kC1, kC3, kC4, kAC4, kP3 };

template <class T>
RuxResult callResize(Layout layout, const T* const* src, RuxImageSize size, int srcStep, RuxImageRect srcRoi,
                     T* const* dst, int dstStep, RuxImageRect dstRoi, double sx, double sy, double shx, double shy,
                     int interp, Rux8u* buffer);

#define RUX_CALL_RESIZE(S, T)                                                                                   \
  template <>                                                                                                   \
  RuxResult callResize<T>(Layout l, const T* const* s, RuxImageSize z, int ss, RuxImageRect sr, T* const* d, \
                          int ds, RuxImageRect dr, double a, double b, double c, double e, int i, Rux8u* buf) { \
    switch (l) {                                                                                                \
      case Layout::kC1: return ruxiResizeSqrPixel_##S##_C1R(s[0], z, ss, sr, d[0], ds, dr, a, b, c, e, i, buf); \
      case Layout::kC3: return ruxiResizeSqrPixel_##S##_C3R(s[0], z, ss, sr, d[0], ds, dr, a, b, c, e, i, buf); \
      case Layout::kC4: return ruxiResizeSqrPixel_##S##_C4R(s[0], z, ss, sr, d[0], ds, dr, a, b, c, e, i, buf); \
      case Layout::kAC4: return ruxiResizeSqrPixel_##S##_AC4R(s[0], z, ss, sr, d[0], ds, dr, a, b, c, e, i, buf); \
      default: return ruxiResizeSqrPixel_##S##_P3R(s, z, ss, sr, d, ds, dr, a, b, c, e, i, buf);              \
    }                                                                                                           \
  }
RUX_CALL_RESIZE(8u, Rux8u)
RUX_CALL_RESIZE(16u, Rux16u)
RUX_CALL_RESIZE(16s, Rux16s)
RUX_CALL_RESIZE(32f, Rux32f)
RUX_CALL_RESIZE(64f, Rux64f)

int channelsOf(Layout l) { return l == Layout::kC1 || l == Layout::kP3 ? 1 : l == Layout::kC3 ? 3 : 4; }
int planesOf(Layout l) { return l == Layout::kP3 ? 3 : 1; }

std::vector<Rux8u> bufferFor(RuxImageRect srcRoi, RuxImageRect dstRoi, int channels, int interp, bool wide) {
  int size = 0;
  const RuxResult st = wide ? ruxiResizeGetBufSize_64f(srcRoi, dstRoi, channels, interp, &size)
                            : ruxiResizeGetBufSize(srcRoi, dstRoi, channels, interp, &size);
  EXPECT_TRUE(st == 0 || st == ruxStatusNoAntialiasing) << st;
  return std::vector<Rux8u>(static_cast<std::size_t>(size) + 1);
}

// Runs one case against the reference; sources receives the source planes for further checks.
template <class T>
void checkCase(const Geometry& g, Layout layout, int interp, Fence fence, double tolerance,
               std::vector<ruxref::Plane<T>>* sources = nullptr, RuxResult expected = ruxStatusOk) {
  const int C = channelsOf(layout), P = planesOf(layout), K = layout == Layout::kAC4 ? 3 : C;
  std::vector<std::unique_ptr<FencedImage<T>>> srcs;
  std::vector<std::unique_ptr<GuardedImage<T>>> dsts;
  std::vector<const T*> sp;
  std::vector<T*> dp;
  for (int p = 0; p < P; ++p) {
    srcs.push_back(std::make_unique<FencedImage<T>>(g.srcW, g.srcH, C, ruxtest::Border{}, fence, 11 + p));
    dsts.push_back(std::make_unique<GuardedImage<T>>(g.dstW, g.dstH, C, 23 + p));
    sp.push_back(srcs.back()->data());
    dp.push_back(dsts.back()->data());
  }
  // Moderate float values keep the comparison meaningful; integers use the full range.
  if constexpr (std::is_floating_point_v<T>) {
    std::mt19937 rng(5);
    for (auto& s : srcs)
      for (int y = 0; y < g.srcH; ++y)
        for (int x = 0; x < g.srcW; ++x)
          for (int k = 0; k < C; ++k) s->at(x, y, k) = static_cast<T>(std::uniform_real_distribution<double>(-100, 100)(rng));
  }
  std::vector<ruxref::Plane<T>> want(P), source(P);
  for (int p = 0; p < P; ++p) {
    ruxref::Plane<T>& s = source[p];
    s = {{}, g.srcW, g.srcH, C};
    want[p] = {{}, g.dstW, g.dstH, C};
    for (int y = 0; y < g.srcH; ++y)
      for (int x = 0; x < g.srcW; ++x)
        for (int k = 0; k < C; ++k) s.v.push_back(srcs[p]->at(x, y, k));
    for (int y = 0; y < g.dstH; ++y)
      for (int x = 0; x < g.dstW * C; ++x) want[p].v.push_back(dsts[p]->row(y)[x]);
    ruxref::refResize(s, want[p], {g.srcRoi.x, g.srcRoi.y, g.srcRoi.width, g.srcRoi.height, g.dstRoi.x, g.dstRoi.y,
                                   g.dstRoi.width, g.dstRoi.height, g.sx, g.sy, g.shx, g.shy, interp},
                      K);
  }
  auto buffer = bufferFor(g.srcRoi, g.dstRoi, P == 1 ? C : 1, interp, std::is_same_v<T, double>);
  const RuxResult st = callResize<T>(layout, sp.data(), {g.srcW, g.srcH}, srcs[0]->step(), g.srcRoi, dp.data(),
                                     dsts[0]->step(), g.dstRoi, g.sx, g.sy, g.shx, g.shy, interp, buffer.data());
  ASSERT_EQ(st, expected) << g.name << " interpolation " << interp;
  for (int p = 0; p < P; ++p) {
    ASSERT_TRUE(dsts[p]->check(layout == Layout::kAC4 ? 7u : 0xffffffffu)) << g.name;
    for (int y = 0; y < g.dstH; ++y) {
      for (int i = 0; i < g.dstW * C; ++i) {
        const double got = dsts[p]->row(y)[i], exp = want[p].v[static_cast<std::size_t>(y) * g.dstW * C + i];
        const double tol = std::is_floating_point_v<T> ? tolerance * (1 + std::fabs(exp)) : tolerance;
        ASSERT_LE(std::fabs(got - exp), tol) << g.name << " interpolation " << interp << " plane " << p << " pixel "
                                             << i / C << " channel " << i % C << " row " << y;
      }
    }
  }
  if (sources) *sources = source;
}

constexpr int kAntialias = 0x20000000, kSubpixel = 0x40000000, kSmooth = static_cast<int>(0x80000000u);
const int kSeparable[] = {2, 4, 5, 6, 7, 16, 2 | kAntialias, 6 | kAntialias, 16 | kAntialias, 4 | kSmooth, 2 | kSubpixel};

template <class T>
class ResizeTyped : public ::testing::Test {};
using Types = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f, Rux64f>;
TYPED_TEST_SUITE(ResizeTyped, Types);

// Every separable mode and flag, nearest and super-sampling, every layout: the same bits as the
// reference (super-sampling: within one unit; its summation order is free).
TYPED_TEST(ResizeTyped, MatchesReference) {
  using T = TypeParam;
  const Fence fence = std::is_floating_point_v<T> ? Fence::kNanMargin : Fence::kAfter;
  for (const Geometry& g : kGeometries) {
    for (Layout l : {Layout::kC1, Layout::kC3, Layout::kAC4, Layout::kP3}) {
      for (int interp : kSeparable) checkCase<T>(g, l, interp, fence, 0);
      checkCase<T>(g, l, 1, Fence::kBefore, 0);
      if (g.sx <= 1 && g.sy <= 1) checkCase<T>(g, l, 8, fence, std::is_floating_point_v<T> ? 1e-6 : 1);
    }
    checkCase<T>(g, Layout::kC4, 6, Fence::kBefore, 0);
    if (g.sx == 0.5 && g.sy == 0.5) checkCase<T>(g, Layout::kC4, 8, fence, std::is_floating_point_v<T> ? 1e-6 : 1);
  }
}

// Factor 1 without shift reproduces the source in every mode but the smoothing cubics.
TYPED_TEST(ResizeTyped, IdentityAndConstant) {
  using T = TypeParam;
  const Geometry& g = kGeometries[0];
  for (int interp : {1, 2, 4, 6, 8, 16}) {
    std::vector<ruxref::Plane<T>> src;
    checkCase<T>(g, Layout::kC3, interp, Fence::kAfter, std::is_floating_point_v<T> ? 1e-6 : 0, &src);
    // The reference agrees with the call; the identity holds for the reference alone.
    ruxref::Plane<T> out = src[0];
    std::fill(out.v.begin(), out.v.end(), T(0));
    ruxref::refResize(src[0], out, {0, 0, g.srcW, g.srcH, 0, 0, g.srcW, g.srcH, 1, 1, 0, 0, interp}, 3);
    ASSERT_EQ(out.v, src[0].v) << interp;
  }
  // A constant image stays constant up to every edge, for every mode and a reduction.
  const T value = static_cast<T>(std::is_signed_v<T> ? -1234 : 200);
  for (int interp : {1, 2, 4, 5, 6, 7, 8, 16, 16 | kAntialias}) {
    std::vector<T> src(37 * 29, value), dst(23 * 17, T(0));
    auto buffer = bufferFor({0, 0, 37, 29}, {0, 0, 23, 17}, 1, interp, std::is_same_v<T, double>);
    const int step = 37 * sizeof(T), dstStep = 23 * sizeof(T);
    const T* s[1] = {src.data()};
    T* d[1] = {dst.data()};
    const RuxResult st = callResize<T>(Layout::kC1, s, {37, 29}, step, {0, 0, 37, 29}, d, dstStep, {0, 0, 23, 17}, 23.0 / 37,
                       17.0 / 29, 0, 0, interp, buffer.data());
    ASSERT_EQ(st, 0);
    for (T v : dst) ASSERT_NEAR(static_cast<double>(v), static_cast<double>(value), std::is_floating_point_v<T> ? 1e-3 : 0) << interp;
  }
}

// Sources narrower than 4 take linear for cubic and Lanczos; narrower than 6, Lanczos takes the cubic.
TEST(Resize, SmallSourceFallback) {
  for (const auto& [side, mode, as] : {std::tuple{3, 16, 2}, std::tuple{5, 16, 4}, std::tuple{3, 6, 2}}) {
    std::vector<Rux32f> src(side * side);
    for (int i = 0; i < side * side; ++i) src[i] = static_cast<float>((i * 37) % 11);
    std::vector<Rux32f> a(64), b(64);
    auto buffer = bufferFor({0, 0, side, side}, {0, 0, 8, 8}, 1, 16, false);
    const double f = 8.0 / side;
    ASSERT_EQ(ruxiResizeSqrPixel_32f_C1R(src.data(), {side, side}, side * 4, {0, 0, side, side}, a.data(), 32,
                                         {0, 0, 8, 8}, f, f, 0, 0, mode, buffer.data()), 0);
    ASSERT_EQ(ruxiResizeSqrPixel_32f_C1R(src.data(), {side, side}, side * 4, {0, 0, side, side}, b.data(), 32,
                                         {0, 0, 8, 8}, f, f, 0, 0, as, buffer.data()), 0);
    EXPECT_EQ(a, b) << side << " " << mode;
  }
}

// The smooth edge with a quarter-pixel shift: the written area starts at column 1 and column 0
// becomes d + (e - d) * 0.75.
TEST(Resize, SmoothEdgeExample) {
  std::vector<Rux32f> src(8 * 4), dst(8 * 4, 10.0f);
  for (int i = 0; i < 32; ++i) src[i] = static_cast<float>(i % 8 * 4);
  auto buffer = bufferFor({0, 0, 8, 4}, {0, 0, 8, 4}, 1, 2 | kSmooth, false);
  ASSERT_EQ(ruxiResizeSqrPixel_32f_C1R(src.data(), {8, 4}, 32, {0, 0, 8, 4}, dst.data(), 32, {0, 0, 8, 4}, 1, 1, 0.25,
                                       0, 2 | kSmooth, buffer.data()), 0);
  // Column 1 samples u = 0.75: 0.25 * 0 + 0.75 * 4 = 3.
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(dst[y * 8 + 1], 3.0f);
    EXPECT_EQ(dst[y * 8 + 0], 10.0f + (3.0f - 10.0f) * 0.75f);
  }
}

// Rows and columns split over 1, 2 and 7 threads give the same bits; the buffer of each thread
// count is the one the size query reports.
TEST(Resize, SameResultOnEveryThreadCount) {
  const Geometry g{"large", 151, 131, {0, 0, 151, 131}, {0, 0, 190, 97}, 190, 97, 1.26, 0.74, 0.1, 0.2};
  for (int interp : {1, 2, 6, 16 | kAntialias})
    ruxtest::forThreadCounts([&](int) { checkCase<Rux8u>(g, Layout::kC3, interp, Fence::kAfter, 0); });
  ruxtest::forThreadCounts([&](int) { checkCase<Rux32f>(g, Layout::kAC4, 4, Fence::kNanMargin, 0); });
}

// 16s linear rounds to nearest for negative values too.
TEST(Resize, Linear16sRoundsNegativeValuesToNearest) {
  const Rux16s src[4] = {-10, -1, -10, -1};  // 2 x 2
  Rux16s dst[8] = {};
  auto buffer = bufferFor({0, 0, 2, 2}, {0, 0, 4, 2}, 1, 2, false);
  ASSERT_EQ(ruxiResizeSqrPixel_16s_C1R(src, {2, 2}, 4, {0, 0, 2, 2}, dst, 8, {0, 0, 4, 2}, 2, 1, 0, 0, 2, buffer.data()), 0);
  // Columns sample u = -0.25, 0.25, 0.75, 1.25: -10, -7.75, -3.25, -1.
  const Rux16s want[4] = {-10, -8, -3, -1};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst[x], want[x]) << x;
}

TEST(Resize, SuperSamplingAveragesBlocks) {
  Rux8u src[64], dst[16];
  for (int i = 0; i < 64; ++i) src[i] = static_cast<Rux8u>(i * 3 + (i % 5));
  auto buffer = bufferFor({0, 0, 8, 8}, {0, 0, 4, 4}, 1, 8, false);
  ASSERT_EQ(ruxiResizeSqrPixel_8u_C1R(src, {8, 8}, 8, {0, 0, 8, 8}, dst, 4, {0, 0, 4, 4}, 0.5, 0.5, 0, 0, 8, buffer.data()), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const int s = src[16 * y + 2 * x] + src[16 * y + 2 * x + 1] + src[16 * y + 8 + 2 * x] + src[16 * y + 9 + 2 * x];
      EXPECT_EQ(dst[4 * y + x], (s + 2) / 4) << x << "," << y;
    }
}

TEST(Resize, RectAndBufferQueries) {
  RuxImageRect r{7, 7, 7, 7};
  EXPECT_EQ(ruxiGetResizeRect({0, 0, 10, 10}, &r, 0.04, 0.04, 0, 0, 2), ruxStatusNoWork);
  EXPECT_EQ(r.x, 7);
  EXPECT_EQ(ruxiGetResizeRect({0, 0, 10, 10}, &r, 1, 1, std::nan(""), 0, 2), ruxStatusBadResizeFactor);
  EXPECT_EQ(ruxiGetResizeRect({0, 0, 10, 10}, &r, 1, 1, 0, -HUGE_VAL, 2), ruxStatusBadResizeFactor);
  EXPECT_EQ(r.x, 7);
  EXPECT_EQ(ruxiGetResizeRect({2, 3, 10, 10}, &r, 1.5, 0.5, 0.25, -0.25, 2), 0);
  EXPECT_EQ(r.x, 3);
  EXPECT_EQ(r.width, 15);
  EXPECT_EQ(r.y, 1);
  EXPECT_EQ(r.height, 5);
  EXPECT_EQ(ruxiGetResizeRect({2, 3, 10, 10}, &r, 1.5, 0.5, 0.25, -0.25, 2 | kSmooth), 0);
  EXPECT_EQ(r.x, 3);
  EXPECT_EQ(r.width, 16);
  EXPECT_EQ(r.y, 1);
  EXPECT_EQ(r.height, 6);
  // Serial sizes from the formulas (one thread).
  int saved = 0;
  ruxGetNumThreads(&saved);
  ruxSetNumThreads(1);
  int size = 0;
  EXPECT_EQ(ruxiResizeGetBufSize({0, 0, 100, 80}, {0, 0, 50, 40}, 3, 2, &size), 0);
  EXPECT_EQ(size, 4 * (64 + 64 + ((100 + 127) & ~63) * 3 + 16 * (4 + 3)) + 16);
  EXPECT_EQ(ruxiResizeGetBufSize_64f({0, 0, 100, 80}, {0, 0, 50, 40}, 1, 6, &size), 0);
  EXPECT_EQ(size, 8 * (((200 + 127) & ~31) + 64 + 64 + ((160 + 127) & ~31) + ((200 + 255) & ~63)) + 4 * 16 * 7 + 16);
  EXPECT_EQ(ruxiResizeGetBufSize({0, 0, 100, 80}, {0, 0, 50, 40}, 1, 1 | kAntialias, &size), ruxStatusNoAntialiasing);
  EXPECT_EQ(size, (64 + 48) * 4);
  EXPECT_EQ(ruxiResizeGetBufSize({0, 0, 100, 80}, {0, 0, 50, 40}, 2, 1, &size), ruxStatusBadChannelCount);
  EXPECT_EQ(ruxiResizeGetBufSize({0, 0, 100, 80}, {0, 0, 50, 40}, 1, (int)0xC0000002, &size), ruxStatusBadInterpolation);
  EXPECT_EQ(ruxiResizeGetBufSize({0, 0, 1 << 20, 1 << 20}, {0, 0, 1 << 20, 1 << 14}, 4, 16 | kAntialias, &size),
            ruxStatusBadSize);
  EXPECT_EQ(size, 0);
  ruxSetNumThreads(saved);
}

// Validation order: null, sizes, factor, interpolation, super-sampling factor, origin outside
// the image (29), nothing to write (1); nothing is written on any of them.
TEST(Resize, Validation) {
  GuardedImage<Rux8u> src(8, 8, 1, 1), dst(8, 8, 1, 2);
  std::vector<Rux8u> buffer(1 << 16);
  const auto call = [&](const Rux8u* s, RuxImageSize size, RuxImageRect sr, Rux8u* d, RuxImageRect dr, double f,
                        double shift, int interp, Rux8u* b) {
    return ruxiResizeSqrPixel_8u_C1R(s, size, src.step(), sr, d, dst.step(), dr, f, f, shift, 0, interp, b);
  };
  const RuxImageRect all{0, 0, 8, 8};
  const double nan = std::nan("");
  ruxtest::expectRejections(
      {
          {"null source", [&] { return call(nullptr, {8, 8}, all, dst.data(), all, 1, 0, 2, buffer.data()); }, -8},
          {"null buffer", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1, 0, 2, nullptr); }, -8},
          {"source size", [&] { return call(src.data(), {0, 8}, all, dst.data(), all, 1, 0, 2, buffer.data()); }, -6},
          {"region origin", [&] { return call(src.data(), {8, 8}, {-1, 0, 8, 8}, dst.data(), all, 1, 0, 2, buffer.data()); }, -6},
          {"dst region", [&] { return call(src.data(), {8, 8}, all, dst.data(), {0, 0, 8, 0}, 0, 0, 99, buffer.data()); }, -6},
          {"factor", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 0, 0, 99, buffer.data()); }, -23},
          {"factor NaN", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, nan, 0, 2, buffer.data()); }, -23},
          {"mode", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1.5, 0, 3, buffer.data()); }, -22},
          {"two flags", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1, 0, (int)0x60000002, buffer.data()); }, -22},
          {"super enlarging", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1.5, 0, 8, buffer.data()); }, -23},
          {"shift NaN", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1, nan, 2, buffer.data()); }, -23},
          {"shift infinite", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1, HUGE_VAL, 2, buffer.data()); }, -23},
          {"origin outside", [&] { return call(src.data(), {8, 8}, {8, 0, 8, 8}, dst.data(), all, 1, 0, 2, buffer.data()); }, 29},
          {"nothing to write", [&] { return call(src.data(), {8, 8}, all, dst.data(), all, 1, 100, 2, buffer.data()); }, 1},
      },
      dst);
  // Nearest with antialiasing: warning 46, the nearest result written.
  EXPECT_EQ(call(src.data(), {8, 8}, all, dst.data(), all, 1, 0, 1 | kAntialias, buffer.data()), ruxStatusNoAntialiasing);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(dst.at(x, y, 0), src.at(x, y, 0));
}

}  // namespace

namespace {

// SuperSampling of whole regions: the area mean of the reference (within one unit; 32f within
// 1e-5), every layout and type on ratios that are and are not integers, against a faulting page.
template <class T>
RuxResult superSampling(Layout l, const T* const* s, int ss, RuxImageSize sz, T* const* d, int ds, RuxImageSize dz,
                        Rux8u* b);
#define RUX_CALL_SUPER(S, T)                                                                                      \
  template <>                                                                                                     \
  RuxResult superSampling<T>(Layout l, const T* const* s, int ss, RuxImageSize sz, T* const* d, int ds,          \
                             RuxImageSize dz, Rux8u* b) {                                                         \
    switch (l) {                                                                                                  \
      case Layout::kC1: return ruxiSuperSampling_##S##_C1R(s[0], ss, sz, d[0], ds, dz, b);                       \
      case Layout::kC3: return ruxiSuperSampling_##S##_C3R(s[0], ss, sz, d[0], ds, dz, b);                       \
      case Layout::kC4: return ruxiSuperSampling_##S##_C4R(s[0], ss, sz, d[0], ds, dz, b);                       \
      case Layout::kAC4: return ruxiSuperSampling_##S##_AC4R(s[0], ss, sz, d[0], ds, dz, b);                     \
      default: return ruxiSuperSampling_##S##_P3R(s, ss, sz, d, ds, dz, b);                                      \
    }                                                                                                             \
  }
RUX_CALL_SUPER(8u, Rux8u)
RUX_CALL_SUPER(16u, Rux16u)
RUX_CALL_SUPER(16s, Rux16s)
RUX_CALL_SUPER(32f, Rux32f)

template <class T>
class SuperSamplingTyped : public ::testing::Test {};
using SuperTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(SuperSamplingTyped, SuperTypes);

TYPED_TEST(SuperSamplingTyped, AreaMean) {
  using T = TypeParam;
  const struct { int sw, sh, dw, dh; } cases[] = {{8, 8, 4, 4}, {30, 21, 10, 7}, {29, 23, 11, 9}, {17, 5, 17, 2}};
  for (const auto& c : cases) {
    for (Layout l : {Layout::kC1, Layout::kC3, Layout::kAC4, Layout::kP3}) {
      const int C = channelsOf(l), P = planesOf(l), K = l == Layout::kAC4 ? 3 : C;
      std::vector<std::unique_ptr<FencedImage<T>>> srcs;
      std::vector<std::unique_ptr<GuardedImage<T>>> dsts;
      std::vector<const T*> sp;
      std::vector<T*> dp;
      for (int p = 0; p < P; ++p) {
        srcs.push_back(std::make_unique<FencedImage<T>>(c.sw, c.sh, C, ruxtest::Border{}, Fence::kAfter, 3 + p));
        dsts.push_back(std::make_unique<GuardedImage<T>>(c.dw, c.dh, C, 9 + p));
        sp.push_back(srcs.back()->data());
        dp.push_back(dsts.back()->data());
      }
      int size = 0;
      ASSERT_EQ(ruxiSuperSamplingGetBufSize({c.sw, c.sh}, {c.dw, c.dh}, P == 1 ? C : 1, &size), 0);
      std::vector<Rux8u> buffer(static_cast<std::size_t>(size));
      ASSERT_EQ(superSampling<T>(l, sp.data(), srcs[0]->step(), {c.sw, c.sh}, dp.data(), dsts[0]->step(), {c.dw, c.dh},
                                 buffer.data()), 0);
      for (int p = 0; p < P; ++p) {
        ruxref::Plane<T> s{{}, c.sw, c.sh, C}, want{{}, c.dw, c.dh, C};
        for (int y = 0; y < c.sh; ++y)
          for (int x = 0; x < c.sw; ++x)
            for (int k = 0; k < C; ++k) s.v.push_back(srcs[p]->at(x, y, k));
        for (int y = 0; y < c.dh; ++y)
          for (int i = 0; i < c.dw * C; ++i) want.v.push_back(dsts[p]->savedAt(i / C, y, i % C));
        ruxref::refResize(s, want, {0, 0, c.sw, c.sh, 0, 0, c.dw, c.dh, double(c.dw) / c.sw, double(c.dh) / c.sh, 0, 0, 8}, K);
        ASSERT_TRUE(dsts[p]->check(l == Layout::kAC4 ? 7u : 0xffffffffu));
        for (int y = 0; y < c.dh; ++y)
          for (int i = 0; i < c.dw * C; ++i) {
            const double got = dsts[p]->row(y)[i], exp = want.at(i / C, y, i % C);
            ASSERT_LE(std::fabs(got - exp), std::is_floating_point_v<T> ? 1e-5 * (1 + std::fabs(exp)) : 1)
                << c.sw << "x" << c.sh << " pixel " << i / C << " row " << y;
          }
      }
    }
  }
}

TEST(SuperSampling, Validation) {
  GuardedImage<Rux8u> src(8, 8, 1, 1), dst(8, 8, 1, 2);
  std::vector<Rux8u> buffer(4096);
  const auto call = [&](const Rux8u* s, int ss, RuxImageSize sz, Rux8u* d, RuxImageSize dz, Rux8u* b) {
    return ruxiSuperSampling_8u_C1R(s, ss, sz, d, dst.step(), dz, b);
  };
  int size = 0;
  ruxtest::expectRejections(
      {
          {"null buffer", [&] { return call(src.data(), src.step(), {8, 8}, dst.data(), {4, 4}, nullptr); }, -8},
          {"step", [&] { return call(src.data(), 0, {0, 8}, dst.data(), {4, 4}, buffer.data()); }, -14},
          {"size", [&] { return call(src.data(), src.step(), {0, 8}, dst.data(), {4, 4}, buffer.data()); }, -6},
          {"enlarging", [&] { return call(src.data(), src.step(), {8, 4}, dst.data(), {4, 5}, buffer.data()); }, -6},
          {"buffer size channels", [&] { return ruxiSuperSamplingGetBufSize({8, 8}, {4, 4}, 2, &size); }, -53},
          {"buffer size enlarging", [&] { return ruxiSuperSamplingGetBufSize({8, 8}, {9, 4}, 1, &size); }, -6},
      },
      dst);
}

}  // namespace
