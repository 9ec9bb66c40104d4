// YUV resizes against per-plane references: each grid (luma, chroma) is an ordinary resize of
// its own samples, so the tiled forms follow the tiled-resize reference per plane and the
// factor forms the square-pixel reference per plane; tiles stitched equal one whole call;
// sources against faulting pages, destinations in guard bands. The integer-filter resize by
// its invariants (identity, constants, a float reference within one level, thread counts).
#include <cmath>
#include <cstring>
#include <memory>

#include "ruxi.h"
#include "ref/resizespec_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::Plane;
using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

// Channels k of C-channel pixels of an image, as a plane of K channels: sample (x, y, j) is
// channel first + j * every of pixel x.
template <class Img>
Plane<Rux8u> pick(const Img& img, int w, int h, int C, int first, int K, int every, int stride = 1) {
  Plane<Rux8u> p{{}, w, h, K};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int j = 0; j < K; ++j) {
        const int i = (x * stride) * C + first + j * every;
        p.v.push_back(const_cast<Img&>(img).at(i / C, y, i % C));
      }
  return p;
}

Plane<Rux8u> refPlane(const Plane<Rux8u>& src, int mode, int lobes, int dw, int dh) {
  const bool none[4] = {false, false, false, false};
  Plane<Rux8u> out{{}, dw, dh, src.c};
  out.v.assign(static_cast<std::size_t>(dw) * dh * src.c, 0);
  ruxref::refResizeSpec(src, 0, none, {mode, src.w, src.h, dw, dh, 0.0f, 0.5f, lobes}, out);
  return out;
}

struct Mem {
  std::vector<Rux8u> bytes;
  explicit Mem(int n) : bytes(static_cast<std::size_t>(n) + 3, 0) {}
  template <class S>
  S* as() { return reinterpret_cast<S*>(bytes.data() + 3); }  // the states align themselves
};

struct Kind420 {
  int mode, lobes;
};
const Kind420 k420[] = {{16, 2}, {16, 3}, {8, 0}};

std::unique_ptr<Mem> make420(Kind420 k, RuxImageSize s, RuxImageSize d, RuxResult expect = 0) {
  int bytes = 0, init = 0;
  EXPECT_EQ(ruxiResizeYUV420GetSize(s, d, k.mode, 0, &bytes, &init), 0);
  auto m = std::make_unique<Mem>(bytes);
  std::vector<Rux8u> initBuf(static_cast<std::size_t>(init));
  const RuxResult st = k.mode == 8 ? ruxiResizeYUV420SuperInit(s, d, m->as<RuxResizeYUV420Spec>())
                                   : ruxiResizeYUV420LanczosInit(s, d, k.lobes, m->as<RuxResizeYUV420Spec>(), initBuf.data());
  EXPECT_EQ(st, expect);
  return m;
}

RuxResult tile420(Kind420 k, const Rux8u* y, int ys, const Rux8u* uv, int uvs, Rux8u* dy, int dys, Rux8u* duv, int duvs,
                  RuxImagePoint off, RuxImageSize size, int border, const RuxResizeYUV420Spec* spec, Rux8u* buf) {
  if (k.mode == 8) return ruxiResizeYUV420Super_8u_P2R(y, ys, uv, uvs, dy, dys, duv, duvs, off, size, spec, buf);
  return ruxiResizeYUV420Lanczos_8u_P2R(y, ys, uv, uvs, dy, dys, duv, duvs, off, size, border, nullptr, spec, buf);
}

template <class Img>
::testing::AssertionResult equalsPlane(const Img& got, const Plane<Rux8u>& want, int x0 = 0, int y0 = 0) {
  for (int y = 0; y < got.height(); ++y)
    for (int i = 0; i < got.width() * got.channels(); ++i)
      if (got.row(y)[i] != want.at(x0 + i / want.c, y0 + y, i % want.c))
        return ::testing::AssertionFailure() << "sample " << i << " row " << y << ": got " << +got.row(y)[i]
                                             << ", expected " << +want.at(x0 + i / want.c, y0 + y, i % want.c);
  return ::testing::AssertionSuccess();
}

// 4:2:0 by state: both planes follow the per-plane reference (chroma on its half grid, two
// channels); tiles at even offsets stitched together equal the whole call.
TEST(ResizeYUV420, PlanesFollowTheReferenceAndTilesStitch) {
  struct G {
    RuxImageSize s, d;
  };
  int run = 0;
  for (const Kind420 k : k420) {
    for (const G g : {G{{20, 14}, {34, 22}}, G{{38, 26}, {14, 10}}, G{{24, 16}, {24, 16}}}) {
      if (k.mode == 8 && g.s.width < g.d.width) continue;
      auto m = make420(k, g.s, g.d);
      const auto* spec = m->as<RuxResizeYUV420Spec>();
      const RuxImageSize cs{g.s.width / 2, g.s.height / 2}, cd{g.d.width / 2, g.d.height / 2};
      const Fence fence = run++ % 2 ? Fence::kAfter : Fence::kBefore;
      FencedImage<Rux8u> y(g.s.width, g.s.height, 1, Border{}, fence, 3), uv(cs.width, cs.height, 2, Border{}, fence, 4);
      GuardedImage<Rux8u> dy(g.d.width, g.d.height, 1, 5), duv(cd.width, cd.height, 2, 6);
      int bytes = 0;
      ASSERT_EQ(ruxiResizeYUV420GetBufferSize(spec, g.d, &bytes), 0);
      std::vector<Rux8u> buf(static_cast<std::size_t>(bytes));
      ASSERT_EQ(tile420(k, y.data(), y.step(), uv.data(), uv.step(), dy.data(), dy.step(), duv.data(), duv.step(),
                        {0, 0}, g.d, 1, spec, buf.data()), 0);
      ASSERT_TRUE(dy.check() && duv.check());
      ASSERT_TRUE(equalsPlane(dy, refPlane(pick(y, g.s.width, g.s.height, 1, 0, 1, 1), k.mode, k.lobes, g.d.width, g.d.height)));
      ASSERT_TRUE(equalsPlane(duv, refPlane(pick(uv, cs.width, cs.height, 2, 0, 2, 1), k.mode, k.lobes, cd.width, cd.height)))
          << k.mode << " " << k.lobes;
      // Tiles: pointers at the even source offset of both grids.
      const int xs[] = {0, 4, 10, g.d.width}, ys[] = {0, 2, 6, g.d.height};
      for (int ty = 0; ty < 3; ++ty)
        for (int tx = 0; tx < 3; ++tx) {
          const RuxImagePoint off{xs[tx], ys[ty]};
          const RuxImageSize ts{xs[tx + 1] - xs[tx], ys[ty + 1] - ys[ty]};
          RuxImagePoint so{};
          ASSERT_EQ(ruxiResizeYUV420GetSrcOffset(spec, off, &so), 0);
          ASSERT_EQ((so.x | so.y) & 1, 0);
          GuardedImage<Rux8u> ty1(ts.width, ts.height, 1, 7), tuv((ts.width + 1) / 2, (ts.height + 1) / 2, 2, 8);
          ASSERT_GE(ruxiResizeYUV420GetBufferSize(spec, ts, &bytes), 0);
          std::vector<Rux8u> tb(static_cast<std::size_t>(bytes));
          ASSERT_EQ(tile420(k, &y.at(so.x, so.y, 0), y.step(), &uv.at(so.x / 2, so.y / 2, 0), uv.step(), ty1.data(),
                            ty1.step(), tuv.data(), tuv.step(), off, ts, 1, spec, tb.data()), 0);
          ASSERT_TRUE(ty1.check() && tuv.check());
          for (int r = 0; r < ts.height; ++r)
            ASSERT_EQ(std::memcmp(ty1.row(r), dy.row(off.y + r) + off.x, static_cast<std::size_t>(ts.width)), 0);
          for (int r = 0; r < tuv.height(); ++r)
            ASSERT_EQ(std::memcmp(tuv.row(r), duv.row(off.y / 2 + r) + off.x, static_cast<std::size_t>(2 * tuv.width())), 0);
        }
    }
  }
}

// The single call: the same as one tile of a state for those sizes, any engine mode, with the
// odd-size warning; small sources fall back to a mode they can carry.
TEST(ResizeYUV420, SingleCallEqualsTheTiledPlanes) {
  const RuxImageSize s{22, 18}, d{15, 11};
  const RuxImageSize cs{11, 9}, cd{7, 5};
  FencedImage<Rux8u> y(s.width, s.height, 1, Border{}, Fence::kAfter, 9), uv(cs.width, cs.height, 2, Border{}, Fence::kBefore, 10);
  for (int mode : {1, 2, 6, 8, 16}) {
    GuardedImage<Rux8u> dy(d.width, d.height, 1, 5), duv(cd.width, cd.height, 2, 6);
    int bytes = 0;
    ASSERT_EQ(ruxiResizeYUV420GetBufSize(s, d, mode, &bytes), 0);
    std::vector<Rux8u> buf(static_cast<std::size_t>(bytes) + 1);
    ASSERT_EQ(ruxiResizeYUV420_8u_P2R(y.data(), y.step(), uv.data(), uv.step(), s, dy.data(), dy.step(), duv.data(),
                                      duv.step(), d, mode, buf.data() + 1), ruxStatusOddSize);
    ASSERT_TRUE(dy.check() && duv.check());
    const int lobes = 3;
    ASSERT_TRUE(equalsPlane(dy, refPlane(pick(y, s.width, s.height, 1, 0, 1, 1), mode, lobes, d.width, d.height))) << mode;
    ASSERT_TRUE(equalsPlane(duv, refPlane(pick(uv, cs.width, cs.height, 2, 0, 2, 1), mode, lobes, cd.width, cd.height)))
        << mode;
  }
  // A 5 x 5 source cannot carry three lobes: the call resizes with the cubic kernel.
  FencedImage<Rux8u> y5(5, 5, 1, Border{}, Fence::kAfter, 1), uv5(2, 2, 2, Border{}, Fence::kAfter, 2);
  GuardedImage<Rux8u> dy(8, 8, 1, 5), duv(4, 4, 2, 6);
  int bytes = 0;
  ASSERT_EQ(ruxiResizeYUV420GetBufSize({5, 5}, {8, 8}, 16, &bytes), 0);
  std::vector<Rux8u> buf(static_cast<std::size_t>(bytes));
  ASSERT_EQ(ruxiResizeYUV420_8u_P2R(y5.data(), y5.step(), uv5.data(), uv5.step(), {5, 5}, dy.data(), dy.step(), duv.data(),
                                    duv.step(), {8, 8}, 16, buf.data()), ruxStatusOddSize);
  ASSERT_TRUE(equalsPlane(dy, refPlane(pick(y5, 5, 5, 1, 0, 1, 1), 6, 0, 8, 8)));
}

// The single call on a frame large enough to run in bands on several threads: the bytes do not
// depend on the thread count (odd destination height: the last band ends on a lone luma row).
TEST(ResizeYUV420, SingleCallIsThreadIndependent) {
  if (!ruxtest::onFirstTargetPass()) GTEST_SKIP() << "thread sweep runs on the first target pass";
  const RuxImageSize s{1100, 700}, d{734, 467}, cs{550, 350}, cd{367, 233};
  FencedImage<Rux8u> y(s.width, s.height, 1, Border{}, Fence::kAfter, 11), uv(cs.width, cs.height, 2, Border{}, Fence::kAfter, 12);
  for (int mode : {6, 8, 16}) {
    ruxtest::expectThreadIndependent("mode " + std::to_string(mode), [&] {
      GuardedImage<Rux8u> dy(d.width, d.height, 1, 5), duv(cd.width, cd.height, 2, 6);
      int bytes = 0;
      EXPECT_EQ(ruxiResizeYUV420GetBufSize(s, d, mode, &bytes), 0);
      std::vector<Rux8u> buf(static_cast<std::size_t>(bytes));
      EXPECT_EQ(ruxiResizeYUV420_8u_P2R(y.data(), y.step(), uv.data(), uv.step(), s, dy.data(), dy.step(), duv.data(),
                                        duv.step(), d, mode, buf.data()), ruxStatusOddSize);
      EXPECT_TRUE(dy.check() && duv.check());
      std::vector<std::uint8_t> out;
      for (int r = 0; r < d.height; ++r) out.insert(out.end(), dy.row(r), dy.row(r) + d.width);
      for (int r = 0; r < cd.height; ++r) out.insert(out.end(), duv.row(r), duv.row(r) + 2 * cd.width);
      return out;
    });
  }
}

// 4:2:2 by state: luma from every second byte, chroma pairs from bytes 1 and 3 of each pixel
// pair, each following the per-plane reference; tiles (also of odd width) stitch together.
TEST(ResizeYUV422, PackedPlanesFollowTheReferenceAndTilesStitch) {
  struct G {
    RuxImageSize s, d;
  };
  int run = 0;
  for (int mode : {1, 2}) {
    for (const G g : {G{{20, 9}, {34, 13}}, G{{38, 12}, {14, 7}}}) {
      int bytes = 0, work = 0;
      ASSERT_EQ(ruxiResizeYUV422GetSize(g.s, g.d, mode, 0, &bytes, &work), 0);
      Mem m(bytes);
      auto* spec = m.as<RuxResizeYUV422Spec>();
      ASSERT_EQ(mode == 1 ? ruxiResizeYUV422NearestInit(g.s, g.d, spec) : ruxiResizeYUV422LinearInit(g.s, g.d, spec), 0);
      FencedImage<Rux8u> src(g.s.width, g.s.height, 2, Border{}, run++ % 2 ? Fence::kAfter : Fence::kBefore, 11);
      GuardedImage<Rux8u> dst(g.d.width, g.d.height, 2, 12);
      std::vector<Rux8u> buf(static_cast<std::size_t>(work));
      const auto call = [&](const Rux8u* s, Rux8u* d, int ds, RuxImagePoint off, RuxImageSize ts) {
        return mode == 1 ? ruxiResizeYUV422Nearest_8u_C2R(s, src.step(), d, ds, off, ts, spec, buf.data())
                         : ruxiResizeYUV422Linear_8u_C2R(s, src.step(), d, ds, off, ts, 1, nullptr, spec, buf.data());
      };
      ASSERT_EQ(call(src.data(), dst.data(), dst.step(), {0, 0}, g.d), 0);
      ASSERT_TRUE(dst.check());
      const auto wantY = refPlane(pick(src, g.s.width, g.s.height, 2, 0, 1, 1), mode, 0, g.d.width, g.d.height);
      const auto wantC = refPlane(pick(src, g.s.width / 2, g.s.height, 2, 1, 2, 2, 2), mode, 0, g.d.width / 2, g.d.height);
      for (int y = 0; y < g.d.height; ++y)
        for (int x = 0; x < g.d.width; ++x) {
          ASSERT_EQ(dst.row(y)[2 * x], wantY.at(x, y, 0)) << mode << " luma " << x << "," << y;
          ASSERT_EQ(dst.row(y)[2 * x + 1], wantC.at(x / 2, y, x % 2)) << mode << " chroma " << x << "," << y;
        }
      const int xs[] = {0, 6, 11, g.d.width}, ys[] = {0, 3, 4, g.d.height};
      for (int ty = 0; ty < 3; ++ty)
        for (int tx = 0; tx < 3; ++tx) {
          if (xs[tx] % 2) continue;
          const RuxImagePoint off{xs[tx], ys[ty]};
          const RuxImageSize ts{xs[tx + 1] - xs[tx], ys[ty + 1] - ys[ty]};
          RuxImagePoint so{};
          ASSERT_EQ(ruxiResizeYUV422GetSrcOffset(spec, off, &so), 0);
          GuardedImage<Rux8u> t(ts.width, ts.height, 2, 13);
          ASSERT_EQ(call(&src.at(so.x, so.y, 0), t.data(), t.step(), off, ts), 0);
          ASSERT_TRUE(t.check());
          for (int r = 0; r < ts.height; ++r)
            ASSERT_EQ(std::memcmp(t.row(r), dst.row(off.y + r) + 2 * off.x, static_cast<std::size_t>(2 * ts.width)), 0)
                << mode << " tile " << tx << "," << ty;
        }
    }
  }
}

// The factor forms: each plane of the region resized by the square-pixel rules (chroma on the
// pair grid with the same factors), pixels outside the written rectangle left as they were.
TEST(ResizeYUV422, FactorFormsFollowTheSquarePixelReference) {
  const RuxImageSize size{26, 12};
  const RuxImageRect roi{4, 2, 16, 9}, dstRoi{3, 1, 21, 14};
  FencedImage<Rux8u> src(size.width, size.height, 2, Border{}, Fence::kAfter, 21);
  for (int mode : {1, 2, 6, 16}) {
    GuardedImage<Rux8u> dst(30, 18, 2, 22);
    const GuardedImage<Rux8u> before = dst;
    int bytes = 0;
    ASSERT_EQ(ruxiResizeYUV422GetBufSize(roi, dstRoi, mode, &bytes), 0);
    std::vector<Rux8u> buf(static_cast<std::size_t>(bytes));
    const double fx = 1.3, fy = 1.45;
    ASSERT_EQ(ruxiResizeYUV422_8u_C2R(src.data(), size, src.step(), roi, dst.data(), dst.step(), dstRoi, fx, fy, mode,
                                      buf.data()), 0);
    ASSERT_TRUE(dst.check());
    // Planes of the region and of the destination region (prefilled with its values).
    Plane<Rux8u> y{{}, roi.width, roi.height, 1}, u{{}, roi.width / 2, roi.height, 1}, v = u;
    for (int r = 0; r < roi.height; ++r)
      for (int x = 0; x < roi.width; ++x) {
        y.v.push_back(src.at(roi.x + x, roi.y + r, 0));
        if (x % 2 == 0) u.v.push_back(src.at(roi.x + x, roi.y + r, 1)), v.v.push_back(src.at(roi.x + x + 1, roi.y + r, 1));
      }
    const int p0 = dstRoi.x / 2, pairs = (dstRoi.x + dstRoi.width - 1) / 2 - p0 + 1;
    Plane<Rux8u> dy{{}, dstRoi.width, dstRoi.height, 1}, du{{}, pairs, dstRoi.height, 1}, dv = du;
    dy.v.assign(static_cast<std::size_t>(dstRoi.width) * dstRoi.height, 0);
    du.v.assign(static_cast<std::size_t>(pairs) * dstRoi.height, 0);
    dv.v = du.v;
    for (int r = 0; r < dstRoi.height; ++r)
      for (int x = 0; x < dstRoi.width; ++x) {
        const int a = dstRoi.x + x;
        dy.at(x, r, 0) = before.row(dstRoi.y + r)[2 * a];
        ((a & 1) ? dv : du).at(a / 2 - p0, r, 0) = before.row(dstRoi.y + r)[2 * a + 1];
      }
    ruxref::refResize(y, dy, {0, 0, y.w, y.h, 0, 0, dy.w, dy.h, fx, fy, roi.x * fx - dstRoi.x, roi.y * fy - dstRoi.y, mode}, 1);
    const ruxref::ResizeArgs ca{0, 0, u.w, u.h, 0, 0, pairs, dy.h, fx, fy, (roi.x / 2) * fx - p0, roi.y * fy - dstRoi.y, mode};
    ruxref::refResize(u, du, ca, 1);
    ruxref::refResize(v, dv, ca, 1);
    for (int r = 0; r < 18; ++r)
      for (int x = 0; x < 30; ++x) {
        const bool in = x >= dstRoi.x && x < dstRoi.x + dstRoi.width && r >= dstRoi.y && r < dstRoi.y + dstRoi.height;
        const int a = x;
        const Rux8u wy = in ? dy.at(x - dstRoi.x, r - dstRoi.y, 0) : before.row(r)[2 * x];
        const Rux8u wc = in ? ((a & 1) ? dv : du).at(a / 2 - p0, r - dstRoi.y, 0) : before.row(r)[2 * x + 1];
        ASSERT_EQ(dst.row(r)[2 * x], wy) << mode << " luma " << x << "," << r;
        ASSERT_EQ(dst.row(r)[2 * x + 1], wc) << mode << " chroma " << x << "," << r;
      }
  }
  // YCbCr 4:2:2: the region fills the whole destination; a constant stays constant everywhere.
  GuardedImage<Rux8u> flat(20, 10, 2, 1), out(33, 7, 2, 2);
  for (int r = 0; r < 10; ++r)
    for (int x = 0; x < 20; ++x) flat.row(r)[2 * x] = 90, flat.row(r)[2 * x + 1] = x % 2 ? 200 : 40;
  for (int mode : {1, 2, 4, 6, 16}) {
    int bytes = 0;
    ASSERT_EQ(ruxiResizeYCbCr422GetBufSize({2, 1, 16, 8}, {33, 7}, mode, &bytes), 0);
    std::vector<Rux8u> buf(static_cast<std::size_t>(bytes));
    ASSERT_EQ(ruxiResizeYCbCr422_8u_C2R(flat.data(), {20, 10}, flat.step(), {2, 1, 16, 8}, out.data(), out.step(), {33, 7},
                                        mode, buf.data()), 0);
    ASSERT_TRUE(out.check());
    for (int r = 0; r < 7; ++r)
      for (int x = 0; x < 33; ++x) {
        ASSERT_EQ(out.row(r)[2 * x], 90) << mode;
        ASSERT_EQ(out.row(r)[2 * x + 1], x % 2 ? 200 : 40) << mode << " at " << x;
      }
  }
}

// The integer filter: identity at equal sizes, constants kept exactly, within one level of a
// double-precision evaluation of the same kernel, the same bits on every thread count.
double refKernel(int filter, double x) {
  const double r = filter == 1 ? 3.0 : 2.0, a = std::fabs(x), pi = 3.14159265358979323846;
  if (a >= r) return 0.0;
  if (a < 1e-12) return 1.0;
  const double w = filter == 1 ? std::sin(pi * a / r) / (pi * a / r) : 0.5 + 0.5 * std::cos(pi * a / r);
  return std::sin(pi * a) / (pi * a) * w;
}

std::vector<double> refFilterAxis(int filter, const std::vector<double>& in, int n) {
  const int m = static_cast<int>(in.size());
  const double inv = static_cast<double>(m) / n, scale = std::max(1.0, inv), r = (filter == 1 ? 3.0 : 2.0) * scale;
  std::vector<double> out(static_cast<std::size_t>(n));
  for (int d = 0; d < n; ++d) {
    const double u = (d + 0.5) * inv - 0.5;
    double s = 0, ws = 0;
    for (int j = static_cast<int>(std::floor(u - r)); j <= static_cast<int>(std::ceil(u + r)); ++j) {
      const double w = refKernel(filter, (j - u) / scale);
      s += w * in[static_cast<std::size_t>(std::clamp(j, 0, m - 1))];
      ws += w;
    }
    out[static_cast<std::size_t>(d)] = s / ws;
  }
  return out;
}

TEST(ResizeFilter, IdentityConstantsAndTheKernel) {
  struct G {
    RuxImageSize s, d;
  };
  for (int filter : {0, 1}) {
    for (const G g : {G{{40, 30}, {40, 30}}, G{{64, 48}, {23, 17}}, G{{21, 14}, {50, 37}}}) {
      int bytes = 0;
      ASSERT_EQ(ruxiResizeFilterGetSize_8u_C1R(g.s, g.d, static_cast<RuxResizeFilterType>(filter), &bytes), 0);
      Mem m(bytes);
      auto* st = m.as<RuxResizeFilterState>();
      ASSERT_EQ(ruxiResizeFilterInit_8u_C1R(st, static_cast<RuxResizeFilterType>(filter), g.s, g.d), 0);
      // A smooth image (two cosines) so the kernel's low-pass leaves it nearly unchanged.
      FencedImage<Rux8u> src(g.s.width, g.s.height, 1, Border{}, Fence::kAfter, 1);
      for (int y = 0; y < g.s.height; ++y)
        for (int x = 0; x < g.s.width; ++x)
          src.at(x, y, 0) = static_cast<Rux8u>(128 + 60 * std::cos(x * 0.21) + 50 * std::cos(y * 0.17 + 1));
      GuardedImage<Rux8u> first(g.d.width, g.d.height, 1, 2);
      ruxtest::forThreadCounts([&](int threads) {
        GuardedImage<Rux8u> dst(g.d.width, g.d.height, 1, 2);
        ASSERT_EQ(ruxiResizeFilter_8u_C1R(src.data(), src.step(), g.s, dst.data(), dst.step(), g.d, st), 0);
        ASSERT_TRUE(dst.check());
        if (threads == 1) first = dst;
        for (int y = 0; y < g.d.height; ++y)
          ASSERT_EQ(std::memcmp(dst.row(y), first.row(y), static_cast<std::size_t>(g.d.width)), 0) << threads;
      });
      // Rows then columns in double precision.
      std::vector<std::vector<double>> rows;
      for (int y = 0; y < g.s.height; ++y) {
        std::vector<double> r;
        for (int x = 0; x < g.s.width; ++x) r.push_back(src.at(x, y, 0));
        rows.push_back(refFilterAxis(filter, r, g.d.width));
      }
      for (int x = 0; x < g.d.width; ++x) {
        std::vector<double> c;
        for (int y = 0; y < g.s.height; ++y) c.push_back(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
        const auto col = refFilterAxis(filter, c, g.d.height);
        for (int y = 0; y < g.d.height; ++y) {
          const double want = std::clamp(col[static_cast<std::size_t>(y)], 0.0, 255.0);
          ASSERT_NEAR(first.row(y)[x], want, 1.0) << filter << " at " << x << "," << y;
          if (g.s.width == g.d.width && g.s.height == g.d.height) {
            ASSERT_EQ(first.row(y)[x], src.at(x, y, 0));
          }
        }
      }
      // A constant image stays exactly constant, edges included.
      for (int y = 0; y < g.s.height; ++y)
        for (int x = 0; x < g.s.width; ++x) src.at(x, y, 0) = 201;
      ASSERT_EQ(ruxiResizeFilter_8u_C1R(src.data(), src.step(), g.s, first.data(), first.step(), g.d, st), 0);
      for (int y = 0; y < g.d.height; ++y)
        for (int x = 0; x < g.d.width; ++x) ASSERT_EQ(first.row(y)[x], 201);
    }
  }
}

TEST(ResizeYUV, Validation) {
  int a = 0, b = 0;
  const RuxImageSize s{16, 12}, d{10, 8};
  auto m = make420({16, 3}, s, d);
  auto* spec = m->as<RuxResizeYUV420Spec>();
  std::vector<Rux8u> initBuf(4096), buf(1 << 16), damaged(4096, 0x3C);
  auto* bad420 = reinterpret_cast<RuxResizeYUV420Spec*>(damaged.data());
  GuardedImage<Rux8u> y(16, 12, 1, 1), uv(8, 6, 2, 2), dy(10, 8, 1, 3), duv(5, 4, 2, 4);
  const auto lanczos = [&](RuxImagePoint o, RuxImageSize z, int border, const RuxResizeYUV420Spec* p) {
    return ruxiResizeYUV420Lanczos_8u_P2R(y.data(), y.step(), uv.data(), uv.step(), dy.data(), dy.step(), duv.data(),
                                          duv.step(), o, z, border, nullptr, p, buf.data());
  };
  ruxtest::expectRejections(
      {
          {"420 size null", [&] { return ruxiResizeYUV420GetSize(s, d, 16, 0, nullptr, &b); }, -8},
          {"420 size zero", [&] { return ruxiResizeYUV420GetSize({0, 4}, d, 3, 0, &a, &b); }, 1},
          {"420 mode", [&] { return ruxiResizeYUV420GetSize(s, d, 3, 0, &a, &b); }, -22},
          {"420 linear", [&] { return ruxiResizeYUV420GetSize(s, d, 2, 0, &a, &b); }, -9999},
          {"420 lobes", [&] { return ruxiResizeYUV420LanczosInit(s, d, 4, spec, initBuf.data()); }, -9999},
          {"420 lanczos 3 on 5x5", [&] { return ruxiResizeYUV420LanczosInit({5, 5}, d, 3, spec, initBuf.data()); }, -6},
          {"420 super enlarging", [&] { return ruxiResizeYUV420SuperInit(d, s, spec); }, -6},
          {"tile null", [&] { return lanczos({0, 0}, d, 1, nullptr); }, -8},
          {"tile zero", [&] { return lanczos({0, 0}, {0, 2}, 1, bad420); }, 1},
          {"tile damaged", [&] { return lanczos({0, 0}, d, 1, bad420); }, -17},
          {"tile odd offset", [&] { return lanczos({1, 0}, d, 1, spec); }, -227},
          {"tile border bits", [&] { return lanczos({0, 0}, d, 1 | 8, spec); }, -225},
          {"tile border type", [&] { return lanczos({0, 0}, d, 0, spec); }, -9999},
          {"tile offset at width", [&] { return lanczos({10, 0}, d, 1, spec); }, -11},
          {"super on a Lanczos state", [&] {
             return ruxiResizeYUV420Super_8u_P2R(y.data(), y.step(), uv.data(), uv.step(), dy.data(), dy.step(),
                                                 duv.data(), duv.step(), {0, 0}, d, spec, buf.data());
           }, -17},
          {"420 call mode", [&] {
             return ruxiResizeYUV420_8u_P2R(y.data(), y.step(), uv.data(), uv.step(), s, dy.data(), dy.step(), duv.data(),
                                            duv.step(), d, 4, buf.data());
           }, -22},
          {"422 size odd width", [&] { return ruxiResizeYUV422GetSize({15, 4}, d, 2, 0, &a, &b); }, -6},
          {"422 lanczos", [&] { return ruxiResizeYUV422GetSize(s, d, 16, 0, &a, &b); }, -9999},
          {"422 call odd origin", [&] {
             return ruxiResizeYUV422_8u_C2R(y.data(), {8, 12}, y.step(), {1, 0, 4, 4}, dy.data(), dy.step(), {0, 0, 4, 4},
                                            1.0, 1.0, 1, buf.data());
           }, -227},
          {"422 call factor NaN", [&] {
             return ruxiResizeYUV422_8u_C2R(y.data(), {8, 12}, y.step(), {0, 0, 4, 4}, dy.data(), dy.step(), {0, 0, 4, 4},
                                            std::nan(""), 1.0, 1, buf.data());
           }, -23},
          {"ycbcr small", [&] {
             return ruxiResizeYCbCr422_8u_C2R(y.data(), {8, 12}, y.step(), {0, 0, 1, 4}, dy.data(), dy.step(), {4, 4}, 1,
                                              buf.data());
           }, -6},
          {"ycbcr mode", [&] {
             return ruxiResizeYCbCr422_8u_C2R(y.data(), {8, 12}, y.step(), {0, 0, 4, 4}, dy.data(), dy.step(), {4, 4}, 8,
                                              buf.data());
           }, -22},
          {"ycbcr outside", [&] {
             return ruxiResizeYCbCr422_8u_C2R(y.data(), {8, 12}, y.step(), {8, 0, 4, 4}, dy.data(), dy.step(), {4, 4}, 1,
                                              buf.data());
           }, 29},
          {"filter type", [&] { return ruxiResizeFilterGetSize_8u_C1R(s, d, static_cast<RuxResizeFilterType>(2), &a); }, -5},
          {"filter damaged", [&] {
             return ruxiResizeFilter_8u_C1R(y.data(), y.step(), s, dy.data(), dy.step(), d,
                                            reinterpret_cast<RuxResizeFilterState*>(damaged.data()));
           }, -17},
      },
      dy, duv);
  // Lanczos states with an odd size initialise and warn.
  make420({16, 2}, {15, 12}, d, ruxStatusSizeExceedsSpec);
}

}  // namespace
