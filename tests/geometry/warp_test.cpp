// Warps, rotation and shear against the per-pixel reference: exactly the pixels inside the mapped
// quadrangle and the destination region are written (guard-filled destinations, everything else
// unchanged), sources against faulting pages or NaN margins, dyadic transforms bit for bit,
// others within a stated tolerance; companions, fitted transforms and validation order.
#include <cmath>
#include <cstring>
#include <memory>

#include "hwy/targets.h"
#include "ref/warp_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::WarpQuad;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

enum class Op { kAffine, kAffineBack, kAffineQuad, kPersp, kPerspBack, kPerspQuad, kBil, kBilBack, kBilQuad, kRotate, kShear };
enum class Lay { kC1, kC3, kC4, kAC4, kP3 };

struct Params {
  double c[3][4];  // affine [2][3], perspective [3][3], bilinear [2][4] in row-major order
  double sq[4][2], dq[4][2];
  double a, b, e, f;  // rotate: angle, shifts; shear: factors, shifts
};

template <class A>
const A& as(const Params& p) {
  return *reinterpret_cast<const A*>(p.c);
}

template <class T>
RuxResult callWarp(Op op, Lay l, const T* const* s, RuxImageSize z, int ss, RuxImageRect sr, T* const* d, int ds,
                   RuxImageRect dr, const Params& p, int m);

#define RUX_LAYOUTS(NAME, S, ...)                                                          \
  switch (l) {                                                                             \
    case Lay::kC1: return ruxi##NAME##_##S##_C1R(s[0], z, ss, sr, d[0], ds, dr, __VA_ARGS__);   \
    case Lay::kC3: return ruxi##NAME##_##S##_C3R(s[0], z, ss, sr, d[0], ds, dr, __VA_ARGS__);   \
    case Lay::kC4: return ruxi##NAME##_##S##_C4R(s[0], z, ss, sr, d[0], ds, dr, __VA_ARGS__);   \
    case Lay::kAC4: return ruxi##NAME##_##S##_AC4R(s[0], z, ss, sr, d[0], ds, dr, __VA_ARGS__); \
    default: return ruxi##NAME##_##S##_P3R(s, z, ss, sr, d, ds, dr, __VA_ARGS__);               \
  }
#define RUX_QUAD_LAYOUTS(NAME, S)                                                                   \
  switch (l) {                                                                                      \
    case Lay::kC1: return ruxi##NAME##_##S##_C1R(s[0], z, ss, sr, p.sq, d[0], ds, dr, p.dq, m);     \
    case Lay::kC3: return ruxi##NAME##_##S##_C3R(s[0], z, ss, sr, p.sq, d[0], ds, dr, p.dq, m);     \
    case Lay::kC4: return ruxi##NAME##_##S##_C4R(s[0], z, ss, sr, p.sq, d[0], ds, dr, p.dq, m);     \
    case Lay::kAC4: return ruxi##NAME##_##S##_AC4R(s[0], z, ss, sr, p.sq, d[0], ds, dr, p.dq, m);   \
    default: return ruxi##NAME##_##S##_P3R(s, z, ss, sr, p.sq, d, ds, dr, p.dq, m);                 \
  }
using A23 = double[2][3];
using A33 = double[3][3];
using A24 = double[2][4];
#define RUX_AFFINE_OPS(S)                                                              \
  case Op::kAffine: RUX_LAYOUTS(WarpAffine, S, as<A23>(p), m)                          \
  case Op::kRotate: RUX_LAYOUTS(Rotate, S, p.a, p.b, p.e, m)                           \
  case Op::kShear: RUX_LAYOUTS(Shear, S, p.a, p.b, p.e, p.f, m)
#define RUX_CALL_WARP(S, T)                                                                                   \
  template <>                                                                                                 \
  RuxResult callWarp<T>(Op op, Lay l, const T* const* s, RuxImageSize z, int ss, RuxImageRect sr, T* const* d, \
                        int ds, RuxImageRect dr, const Params& p, int m) {                                    \
    switch (op) {                                                                                             \
      RUX_AFFINE_OPS(S)                                                                                       \
      case Op::kAffineBack: RUX_LAYOUTS(WarpAffineBack, S, as<A23>(p), m)                                     \
      case Op::kAffineQuad: RUX_QUAD_LAYOUTS(WarpAffineQuad, S)                                               \
      case Op::kPersp: RUX_LAYOUTS(WarpPerspective, S, as<A33>(p), m)                                         \
      case Op::kPerspBack: RUX_LAYOUTS(WarpPerspectiveBack, S, as<A33>(p), m)                                 \
      case Op::kPerspQuad: RUX_QUAD_LAYOUTS(WarpPerspectiveQuad, S)                                           \
      case Op::kBil: RUX_LAYOUTS(WarpBilinear, S, as<A24>(p), m)                                              \
      case Op::kBilBack: RUX_LAYOUTS(WarpBilinearBack, S, as<A24>(p), m)                                      \
      default: RUX_QUAD_LAYOUTS(WarpBilinearQuad, S)                                                          \
    }                                                                                                         \
  }
RUX_CALL_WARP(8u, Rux8u)
RUX_CALL_WARP(16u, Rux16u)
RUX_CALL_WARP(32f, Rux32f)
template <>
RuxResult callWarp<Rux64f>(Op op, Lay l, const Rux64f* const* s, RuxImageSize z, int ss, RuxImageRect sr,
                           Rux64f* const* d, int ds, RuxImageRect dr, const Params& p, int m) {
  switch (op) {
    RUX_AFFINE_OPS(64f)
    default: return -1000;
  }
}

int channelsOf(Lay l) { return l == Lay::kC1 || l == Lay::kP3 ? 1 : l == Lay::kC3 ? 3 : 4; }

// ---- transforms of the reference (independent of the library's) ------------------------------

struct Pt2 {
  double x, y;
};
Pt2 affineAt(const double c[2][3], double x, double y) { return {c[0][0] * x + c[0][1] * y + c[0][2], c[1][0] * x + c[1][1] * y + c[1][2]}; }
Pt2 perspAt(const double c[3][3], double x, double y) {
  const double d = c[2][0] * x + c[2][1] * y + c[2][2];
  return {(c[0][0] * x + c[0][1] * y + c[0][2]) / d, (c[1][0] * x + c[1][1] * y + c[1][2]) / d};
}
Pt2 bilAt(const double c[2][4], double x, double y) {
  return {c[0][0] * x * y + c[0][1] * x + c[0][2] * y + c[0][3], c[1][0] * x * y + c[1][1] * x + c[1][2] * y + c[1][3]};
}
// Point on the quadrangle q at unit-square position (s, t).
Pt2 quadAt(const double q[4][2], double s, double t) {
  Pt2 r;
  for (int k = 0; k < 2; ++k)
    r.*(k == 0 ? &Pt2::x : &Pt2::y) =
        q[0][k] + (q[1][k] - q[0][k]) * s + (q[3][k] - q[0][k]) * t + (q[0][k] - q[1][k] + q[2][k] - q[3][k]) * s * t;
  return r;
}
// Newton's method on f(x, y) = target from a start point, numeric Jacobian.
template <class F>
Pt2 solve(F f, Pt2 target, Pt2 start) {
  Pt2 p = start;
  for (int it = 0; it < 60; ++it) {
    const Pt2 v = f(p.x, p.y), fx = f(p.x + 1e-6, p.y), fy = f(p.x, p.y + 1e-6);
    const double a = (fx.x - v.x) / 1e-6, b = (fy.x - v.x) / 1e-6, c = (fx.y - v.y) / 1e-6, d = (fy.y - v.y) / 1e-6;
    const double rx = target.x - v.x, ry = target.y - v.y, det = a * d - b * c;
    p.x += (d * rx - b * ry) / det, p.y += (a * ry - c * rx) / det;
  }
  return p;
}
// The homography taking four points onto four points (8 x 8 elimination, h22 = 1).
void homography(const double s[4][2], const double d[4][2], double h[3][3]) {
  double m[8][9] = {};
  for (int i = 0; i < 4; ++i) {
    const double x = s[i][0], y = s[i][1], u = d[i][0], v = d[i][1];
    const double r0[9] = {x, y, 1, 0, 0, 0, -u * x, -u * y, u}, r1[9] = {0, 0, 0, x, y, 1, -v * x, -v * y, v};
    std::memcpy(m[2 * i], r0, sizeof r0), std::memcpy(m[2 * i + 1], r1, sizeof r1);
  }
  for (int c = 0; c < 8; ++c) {
    int piv = c;
    for (int r = c + 1; r < 8; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[piv][c])) piv = r;
    for (int k = 0; k < 9; ++k) std::swap(m[c][k], m[piv][k]);
    for (int r = 0; r < 8; ++r) {
      if (r == c) continue;
      const double f = m[r][c] / m[c][c];
      for (int k = 0; k < 9; ++k) m[r][k] -= f * m[c][k];
    }
  }
  for (int i = 0; i < 8; ++i) h[i / 3][i % 3] = m[i][8] / m[i][i];
  h[2][2] = 1;
}

// ---- one case against the reference -----------------------------------------------------------

struct Geom {
  int srcW = 23, srcH = 17;
  RuxImageRect srcRoi{2, 1, 19, 40};  // clipped to 19 x 16
  int dstW = 40, dstH = 36;
  RuxImageRect dstRoi{1, 2, 37, 32};
};

template <class T>
struct Images {
  std::vector<std::unique_ptr<FencedImage<T>>> src;
  std::vector<std::unique_ptr<GuardedImage<T>>> dst;
  std::vector<const T*> sp;
  std::vector<T*> dp;
  Images(const Geom& g, Lay l, Fence fence, bool constant = false) {
    const int C = channelsOf(l), P = l == Lay::kP3 ? 3 : 1;
    std::mt19937 rng(7);
    for (int p = 0; p < P; ++p) {
      src.push_back(std::make_unique<FencedImage<T>>(g.srcW, g.srcH, C, ruxtest::Border{}, fence, 11 + p));
      dst.push_back(std::make_unique<GuardedImage<T>>(g.dstW, g.dstH, C, 23 + p));
      for (int y = 0; y < g.srcH; ++y)
        for (int x = 0; x < g.srcW; ++x)
          for (int k = 0; k < C; ++k) {
            if (constant) src.back()->at(x, y, k) = static_cast<T>(200);
            else if constexpr (std::is_floating_point_v<T>)
              src.back()->at(x, y, k) = static_cast<T>(std::uniform_real_distribution<double>(-100, 100)(rng));
          }
      sp.push_back(src.back()->data());
      dp.push_back(dst.back()->data());
    }
  }
  ruxref::WarpSource<T> region(const Geom& g, int p, int C) {
    ruxref::WarpSource<T> s{{}, std::min(g.srcW - g.srcRoi.x, g.srcRoi.width), std::min(g.srcH - g.srcRoi.y, g.srcRoi.height), C};
    for (int y = 0; y < s.H; ++y)
      for (int x = 0; x < s.W; ++x)
        for (int k = 0; k < C; ++k) s.v.push_back(src[p]->at(g.srcRoi.x + x, g.srcRoi.y + y, k));
    return s;
  }
};

// map: destination pixel -> source point in image coordinates; quads: the written region.
template <class T>
int checkCase(const char* what, Op op, Lay l, const Params& prm, int mode, const ruxref::WarpMap& map,
              const std::vector<WarpQuad>& quads, double tol, const Geom& g = {}) {
  const Fence fence = std::is_floating_point_v<T> ? Fence::kNanMargin : (mode == 4 ? Fence::kBefore : Fence::kAfter);
  Images<T> im(g, l, fence);
  const int C = channelsOf(l), K = l == Lay::kAC4 ? 3 : C;
  const RuxResult st = callWarp<T>(op, l, im.sp.data(), {g.srcW, g.srcH}, im.src[0]->step(), g.srcRoi, im.dp.data(),
                                   im.dst[0]->step(), g.dstRoi, prm, mode);
  EXPECT_EQ(st, 0) << what << " mode " << mode;
  int written = 0;
  for (std::size_t p = 0; p < im.dst.size(); ++p) {
    const auto& d = *im.dst[p];
    EXPECT_TRUE(d.check(l == Lay::kAC4 ? 7u : 0xffffffffu)) << what;
    const ruxref::WarpSource<T> s = im.region(g, static_cast<int>(p), C);
    for (int y = 0; y < g.dstH; ++y) {
      for (int x = 0; x < g.dstW; ++x) {
        int in = x >= g.dstRoi.x && y >= g.dstRoi.y && x < g.dstRoi.x + g.dstRoi.width && y < g.dstRoi.y + g.dstRoi.height ? 1 : -1;
        for (const WarpQuad& q : quads) in = std::min(in, ruxref::insideQuad(q, x, y));
        double u = 0, v = 0;
        if (in >= 0 && map(x, y, u, v)) u -= g.srcRoi.x, v -= g.srcRoi.y;
        else in = -1;
        for (int k = 0; k < C; ++k) {
          const double got = d.at(x, y, k), old = d.savedAt(x, y, k);
          if (in < 0 || k >= K) {
            if (!(got == old || (std::isnan(got) && std::isnan(old))))
              return ADD_FAILURE() << what << " mode " << mode << ": pixel (" << x << ", " << y << ") outside the quadrangle written", -1;
            continue;
          }
          const double want = ruxref::refWarpSample<T>(s, u, v, k, mode);
          const bool match = std::fabs(got - want) <= tol * (std::is_floating_point_v<T> ? 1 + std::fabs(want) : 1);
          if (in == 0 && !match && (got == old || (std::isnan(got) && std::isnan(old)))) continue;
          if (!match)
            return ADD_FAILURE() << what << " mode " << mode << " pixel (" << x << ", " << y << ") channel " << k << ": got "
                             << got << ", expected " << want << " at (" << u << ", " << v << ")", -1;
          written += k == 0 && in == 1;
        }
      }
    }
  }
  EXPECT_GT(written, 20) << what;
  return written;
}

template <class T>
class WarpTyped : public ::testing::Test {};
using Types = ::testing::Types<Rux8u, Rux16u, Rux32f, Rux64f>;
TYPED_TEST_SUITE(WarpTyped, Types);

const Lay kLays[] = {Lay::kC1, Lay::kC3, Lay::kAC4, Lay::kP3};

// Dyadic affine maps (rotations by 90 degrees, power-of-two scalings and shears): the reference
// and any evaluation order agree bit for bit. Rotate and Shear build the same maps.
TYPED_TEST(WarpTyped, AffineDyadicExact) {
  using T = TypeParam;
  struct Case {
    const char* name;
    double fwd[2][3], inv[2][3];
  };
  const Case cases[] = {
      {"rotate 90 scale 2", {{0, 2, 3}, {-2, 0, 40}}, {{0, -0.5, 20}, {0.5, 0, -1.5}}},
      {"scale and shear", {{1, 0.5, 4}, {0, 2, 3}}, {{1, -0.25, -3.25}, {0, 0.5, -1.5}}},
      {"reduce", {{0.5, 0, 9.25}, {0, 0.25, 12}}, {{2, 0, -18.5}, {0, 4, -48}}},
  };
  for (const Case& c : cases) {
    const auto map = [&](double x, double y, double& u, double& v) {
      const Pt2 p = affineAt(c.inv, x, y);
      u = p.x, v = p.y;
      return true;
    };
    WarpQuad q;
    const double cx[4] = {2, 20, 20, 2}, cy[4] = {1, 1, 16, 16};
    for (int i = 0; i < 4; ++i) {
      const Pt2 p = affineAt(c.fwd, cx[i], cy[i]);
      q.x[i] = p.x, q.y[i] = p.y;
    }
    Params prm{};
    std::memcpy(prm.c, c.fwd, sizeof c.fwd);
    // 16u and float cubics sum in single precision: a dyadic point can land on a tie whose
    // rounding depends on the last bit of a weight, so they get one unit (1e-6) of slack.
    const auto tolOf = [](int mode) {
      return mode < 4 || std::is_same_v<T, Rux8u> ? 0.0 : std::is_integral_v<T> ? 1.0 : 1e-6;
    };
    for (Lay l : kLays)
      for (int mode : {1, 2, 4, 6}) checkCase<T>(c.name, Op::kAffine, l, prm, mode, map, {q}, tolOf(mode));
    checkCase<T>(c.name, Op::kAffine, Lay::kC4, prm, 2, map, {q}, 0);
    if constexpr (!std::is_same_v<T, double>) {
      std::memcpy(prm.c, c.inv, sizeof c.inv);
      for (int mode : {1, 2, 4}) checkCase<T>(c.name, Op::kAffineBack, Lay::kC3, prm, mode, map, {q}, tolOf(mode));
      // Quad form: a source quadrangle inside the region onto its image; only its image is written.
      const double sq[4][2] = {{4, 2}, {18, 3}, {17, 14}, {3, 12}};
      WarpQuad dq;
      for (int i = 0; i < 4; ++i) {
        const Pt2 p = affineAt(c.fwd, sq[i][0], sq[i][1]);
        prm.sq[i][0] = sq[i][0], prm.sq[i][1] = sq[i][1], prm.dq[i][0] = dq.x[i] = p.x, prm.dq[i][1] = dq.y[i] = p.y;
      }
      for (int mode : {1, 2, 4}) checkCase<T>(c.name, Op::kAffineQuad, Lay::kC1, prm, mode, map, {dq}, tolOf(mode));
    }
  }
  // Rotate by 90/180/270 (and 450 = 90) and a shear by 0.5 against their affine maps.
  for (double angle : {90.0, 180.0, 270.0, 450.0, -90.0}) {
    Params prm{};
    prm.a = angle, prm.b = 30, prm.e = 25;
    const double r = std::fmod(std::fmod(angle, 360) + 360, 360);
    const double cs = r == 0 ? 1 : r == 180 ? -1 : 0, sn = r == 90 ? 1 : r == 270 ? -1 : 0;
    const double fwd[2][3] = {{cs, sn, 30}, {-sn, cs, 25}};
    const auto map = [&](double x, double y, double& u, double& v) {  // transpose of the rotation
      u = cs * (x - 30) - sn * (y - 25), v = sn * (x - 30) + cs * (y - 25);
      return true;
    };
    WarpQuad q;
    const double cx[4] = {2, 20, 20, 2}, cy[4] = {1, 1, 16, 16};
    for (int i = 0; i < 4; ++i) q.x[i] = affineAt(fwd, cx[i], cy[i]).x, q.y[i] = affineAt(fwd, cx[i], cy[i]).y;
    checkCase<T>("rotate", Op::kRotate, Lay::kC1, prm, 2, map, {q}, 0);
  }
  Params sh{};
  sh.a = 0.5, sh.b = 0, sh.e = 3, sh.f = 4;
  WarpQuad q{{2 + 0.5 * 1 + 3, 20 + 0.5 + 3, 20 + 8 + 3, 2 + 8 + 3}, {5, 5, 20, 20}};
  checkCase<T>("shear", Op::kShear, Lay::kC3, sh, 2,
               [](double x, double y, double& u, double& v) { return v = y - 4, u = x - 3 - 0.5 * v, true; }, {q}, 0);
}

// Perspective and bilinear maps are not exact in any order: within 1 unit (integers) or 1e-3
// (floats) of the reference, same written set up to pixels within 1e-7 of an edge.
TYPED_TEST(WarpTyped, PerspectiveAndBilinear) {
  using T = TypeParam;
  if constexpr (!std::is_same_v<T, double>) {
    const double tol = std::is_floating_point_v<T> ? 1e-3 : 1;
    const double cx[4] = {2, 20, 20, 2}, cy[4] = {1, 1, 16, 16};
    // Perspective, forward and back: P sends source to destination, M = P^-1 back.
    const double P[3][3] = {{1.3, 0.2, 4}, {-0.1, 1.2, 3}, {0.004, 0.006, 0.9}};
    double M[3][3];
    {
      const double sq[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      double img[4][2];
      for (int i = 0; i < 4; ++i) img[i][0] = perspAt(P, sq[i][0], sq[i][1]).x, img[i][1] = perspAt(P, sq[i][0], sq[i][1]).y;
      homography(img, sq, M);
    }
    WarpQuad q;
    for (int i = 0; i < 4; ++i) q.x[i] = perspAt(P, cx[i], cy[i]).x, q.y[i] = perspAt(P, cx[i], cy[i]).y;
    const auto pmap = [&](double x, double y, double& u, double& v) {
      const Pt2 p = perspAt(M, x, y);
      return u = p.x, v = p.y, true;
    };
    Params prm{};
    std::memcpy(prm.c, P, sizeof P);
    for (Lay l : kLays)
      for (int mode : {2, 4}) checkCase<T>("perspective", Op::kPersp, l, prm, mode, pmap, {q}, tol);
    std::memcpy(prm.c, M, sizeof M);
    checkCase<T>("perspective back", Op::kPerspBack, Lay::kC3, prm, 2, pmap, {q}, tol);
    // Quad forms: a source quadrangle inside the region onto a destination quadrangle.
    const double sq[4][2] = {{4, 2}, {19, 3}, {17, 15}, {3, 12}}, dq[4][2] = {{3, 5}, {33, 4}, {30, 30}, {6, 26}};
    std::memcpy(prm.sq, sq, sizeof sq), std::memcpy(prm.dq, dq, sizeof dq);
    const WarpQuad dquad{{3, 33, 30, 6}, {5, 4, 30, 26}};
    double H[3][3];
    homography(dq, sq, H);
    checkCase<T>("perspective quad", Op::kPerspQuad, Lay::kP3, prm, 2,
                 [&](double x, double y, double& u, double& v) {
                   const Pt2 p = perspAt(H, x, y);
                   return u = p.x, v = p.y, true;
                 }, {dquad}, tol);
    checkCase<T>("bilinear quad", Op::kBilQuad, Lay::kC1, prm, 4,
                 [&](double x, double y, double& u, double& v) {
                   const Pt2 st = solve([&](double s, double t) { return quadAt(dq, s, t); }, {x, y}, {0.5, 0.5});
                   const Pt2 p = quadAt(sq, st.x, st.y);
                   return u = p.x, v = p.y, true;
                 }, {dquad}, tol);
    // Bilinear forward (inverse solved per pixel) and back (the map itself).
    const double B[2][4] = {{0.01, 1.2, 0.3, 2}, {-0.008, 0.1, 1.4, 3}};
    std::memcpy(prm.c, B, sizeof B);
    WarpQuad bq;
    for (int i = 0; i < 4; ++i) bq.x[i] = bilAt(B, cx[i], cy[i]).x, bq.y[i] = bilAt(B, cx[i], cy[i]).y;
    for (Lay l : {Lay::kC1, Lay::kAC4})
      checkCase<T>("bilinear", Op::kBil, l, prm, 2,
                   [&](double x, double y, double& u, double& v) {
                     const Pt2 p = solve([&](double s, double t) { return bilAt(B, s, t); }, {x, y}, {11, 8});
                     return u = p.x, v = p.y, true;
                   }, {bq}, tol);
    const double Bb[2][4] = {{0.004, 0.7, -0.2, 3}, {0.003, 0.1, 0.6, -1}};
    std::memcpy(prm.c, Bb, sizeof Bb);
    WarpQuad pre;
    for (int i = 0; i < 4; ++i) {
      const Pt2 p = solve([&](double s, double t) { return bilAt(Bb, s, t); }, {cx[i], cy[i]}, {20, 18});
      pre.x[i] = p.x, pre.y[i] = p.y;
    }
    checkCase<T>("bilinear back", Op::kBilBack, Lay::kC3, prm, 1,
                 [&](double x, double y, double& u, double& v) {
                   const Pt2 p = bilAt(Bb, x, y);
                   return u = p.x, v = p.y, p.x >= 1.51 && p.x <= 20.49 && p.y >= 0.51 && p.y <= 16.49;
                 }, {pre}, std::is_floating_point_v<T> ? 1e-6 : 0);
  }
}

// Identity with mode 2 reproduces the region; a constant image stays constant up to every edge
// with the cubic (shifted windows) and Catmull-Rom under an arbitrary rotation.
TYPED_TEST(WarpTyped, IdentityAndConstant) {
  using T = TypeParam;
  const Geom g;
  Params id{};
  const double one[2][3] = {{1, 0, 0}, {0, 1, 0}};
  std::memcpy(id.c, one, sizeof one);
  const WarpQuad q{{2, 20, 20, 2}, {2, 2, 16, 16}};
  checkCase<T>("identity", Op::kAffine, Lay::kC3, id, 2, [](double x, double y, double& u, double& v) { return u = x, v = y, true; },
               {q}, 0);
  for (int mode : {4, 6}) {
    Images<T> im(g, Lay::kC1, Fence::kBefore, true);
    Params r{};
    r.a = 17.3, r.b = 4, r.e = -2;
    ASSERT_EQ(callWarp<T>(Op::kRotate, Lay::kC1, im.sp.data(), {g.srcW, g.srcH}, im.src[0]->step(), g.srcRoi, im.dp.data(),
                          im.dst[0]->step(), g.dstRoi, r, mode), 0);
    ASSERT_TRUE(im.dst[0]->check());
    int changed = 0;
    for (int y = 0; y < g.dstH; ++y)
      for (int x = 0; x < g.dstW; ++x) {
        const double got = im.dst[0]->at(x, y, 0), old = im.dst[0]->savedAt(x, y, 0);
        if (got == old) continue;
        ++changed;
        ASSERT_NEAR(got, 200.0, std::is_floating_point_v<T> ? 1e-3 : 0) << mode << " at " << x << ", " << y;
      }
    EXPECT_GT(changed, 150);
  }
}

// Results do not depend on the thread count (large regions run as row blocks).
TEST(Warp, ThreadCountsAgree) {
  std::vector<Rux8u> src(300 * 200);
  std::vector<Rux8u> first[4];
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<Rux8u>(i * 2654435761u >> 24);
  ruxtest::forThreadCounts([&](int threads) {
    const int modes[4] = {1, 2, 4, 6 | static_cast<int>(0x80000000u)};
    for (int m = 0; m < 4; ++m) {
      std::vector<Rux8u> dst(320 * 240, 7);
      ASSERT_EQ(ruxiRotate_8u_C1R(src.data(), {300, 200}, 300, {0, 0, 300, 200}, dst.data(), 320, {0, 0, 320, 240}, 21.5, 60,
                                  -20, modes[m]), 0);
      if (threads == 1) first[m] = dst;
      ASSERT_EQ(dst, first[m]) << threads << " threads, mode " << modes[m];
    }
  });
}

// Linear and cubic rows of the vector kernels give the plain loop's bits (the
// scalar target runs the plain loop) for transforms whose points are not dyadic: every layout,
// runs that end inside a vector, kept AC4 alpha.
template <class T>
std::vector<T> warpOnTargets(Op op, Lay l, const Params& p, std::int64_t target, int mode) {
  const int C = channelsOf(l), planes = l == Lay::kP3 ? 3 : 1;
  const RuxImageSize z{61, 47};
  const int ss = 64 * C * static_cast<int>(sizeof(T)), ds = 71 * C * static_cast<int>(sizeof(T));
  std::vector<T> src(static_cast<std::size_t>(64 * C * 47 * planes)), dst(static_cast<std::size_t>(71 * C * 53 * planes), T(3));
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<T>((i * 2654435761u >> 20) % 251);
  const T* s[3];
  T* d[3];
  for (int k = 0; k < planes; ++k) s[k] = src.data() + k * 64 * C * 47, d[k] = dst.data() + k * 71 * C * 53;
  const std::int64_t before = hwy::SupportedTargets();
  hwy::SetSupportedTargetsForTest(target);
  const RuxResult st = callWarp<T>(op, l, s, z, ss, {2, 1, 58, 45}, d, ds, {1, 2, 69, 50}, p, mode);
  hwy::SetSupportedTargetsForTest(before);
  EXPECT_EQ(st, 0);
  return dst;
}

TEST(Warp, VectorRowsMatchPlainLoop) {
  Params rot{}, persp{};
  rot.a = 17.3, rot.b = 9.25, rot.e = -8.5;
  const double pc[3][3] = {{0.93, 0.21, -3.1}, {-0.17, 1.04, 2.6}, {0.0011, -0.0007, 1.0}};
  std::memcpy(persp.c, pc, sizeof(pc));
  for (Lay l : {Lay::kC1, Lay::kC3, Lay::kC4, Lay::kAC4, Lay::kP3})
    for (Op op : {Op::kRotate, Op::kPersp}) {
      const Params& p = op == Op::kRotate ? rot : persp;
      const auto all = hwy::SupportedTargets();
      for (int mode : {2, 4})
        EXPECT_EQ(warpOnTargets<Rux8u>(op, l, p, all, mode), warpOnTargets<Rux8u>(op, l, p, HWY_SCALAR, mode))
            << static_cast<int>(op) << " layout " << static_cast<int>(l) << " mode " << mode;
      for (int mode : {2, 4})
        EXPECT_EQ(warpOnTargets<Rux32f>(op, l, p, all, mode), warpOnTargets<Rux32f>(op, l, p, HWY_SCALAR, mode))
            << static_cast<int>(op) << " layout " << static_cast<int>(l) << " mode " << mode;
    }
}

// Smooth edge: interior pixels as without the flag; boundary pixels between the old value and
// the sample; nothing outside the spans touched.
TEST(Warp, SmoothEdgeBlendsBoundary) {
  const Geom g;
  Images<Rux32f> plain(g, Lay::kC1, Fence::kNanMargin), smooth(g, Lay::kC1, Fence::kNanMargin);
  Params r{};
  r.a = 30, r.b = 12, r.e = 0;
  for (auto* im : {&plain, &smooth})
    ASSERT_EQ(callWarp<Rux32f>(Op::kRotate, Lay::kC1, im->sp.data(), {g.srcW, g.srcH}, im->src[0]->step(), g.srcRoi,
                               im->dp.data(), im->dst[0]->step(), g.dstRoi, r, im == &plain ? 2 : 2 | static_cast<int>(0x80000000u)), 0);
  int blended = 0, same = 0;
  for (int y = 0; y < g.dstH; ++y)
    for (int x = 0; x < g.dstW; ++x) {
      const double a = plain.dst[0]->at(x, y, 0), b = smooth.dst[0]->at(x, y, 0), old = smooth.dst[0]->savedAt(x, y, 0);
      if (a == plain.dst[0]->savedAt(x, y, 0)) {
        ASSERT_EQ(b, old) << x << ", " << y;
      } else if (a == b) {
        ++same;
      } else {
        ++blended;
        ASSERT_TRUE((b - old) * (a - b) >= -1e-3) << "blend not between old and new at " << x << ", " << y;
      }
    }
  EXPECT_GT(blended, 10);
  EXPECT_GT(same, 100);
}

// Companions: rotation shifts, quadrangles and bounds, fitted transforms mapping the corners.
TEST(Warp, Companions) {
  double sx = 0, sy = 0;
  ASSERT_EQ(ruxiGetRotateShift(10, 20, 90, &sx, &sy), 0);
  EXPECT_EQ(sx, -10);
  EXPECT_EQ(sy, 30);
  ASSERT_EQ(ruxiAddRotateShift(10, 20, 450, &sx, &sy), 0);
  EXPECT_EQ(sx, -20);
  EXPECT_EQ(sy, 60);
  EXPECT_EQ(ruxiGetRotateShift(10, 20, NAN, &sx, &sy), ruxStatusBadCoeffs);
  // Rotate by 360 equals rotate by 0 (the identity).
  double q0[4][2], q1[4][2];
  ASSERT_EQ(ruxiGetRotateQuad({1, 2, 5, 4}, q0, 0, 0, 0), 0);
  ASSERT_EQ(ruxiGetRotateQuad({1, 2, 5, 4}, q1, 360, 0, 0), 0);
  EXPECT_EQ(std::memcmp(q0, q1, sizeof q0), 0);
  EXPECT_EQ(q0[2][0], 5);
  EXPECT_EQ(q0[2][1], 5);
  double box[2][2];
  ASSERT_EQ(ruxiGetShearBound({0, 0, 11, 5}, box, 0.5, 0, 1, 2), 0);
  EXPECT_EQ(box[0][0], 1);
  EXPECT_EQ(box[1][0], 13);
  EXPECT_EQ(box[1][1], 6);
  const double singular[2][3] = {{1, 2, 0}, {0.5, 1, 0}};
  EXPECT_EQ(ruxiGetAffineQuad({0, 0, 4, 4}, q0, singular), ruxStatusBadCoeffs);
  // A trapezoid: 28, and the first three vertices are mapped exactly.
  const RuxImageRect roi{3, 2, 9, 7};
  const double trap[4][2] = {{1, 1}, {21, 3}, {17, 14}, {4, 13}};
  double a[2][3];
  ASSERT_EQ(ruxiGetAffineTransform(roi, trap, a), ruxStatusNotParallelogram);
  const double cx[4] = {3, 11, 11, 3}, cy[4] = {2, 2, 8, 8};
  for (int i = 0; i < 3; ++i) {
    const Pt2 p = affineAt(a, cx[i], cy[i]);
    EXPECT_NEAR(p.x, trap[i][0], 1e-12);
    EXPECT_NEAR(p.y, trap[i][1], 1e-12);
  }
  const double par[4][2] = {{1, 1}, {21, 3}, {25, 14}, {5, 12}};
  EXPECT_EQ(ruxiGetAffineTransform(roi, par, a), 0);
  // Perspective and bilinear fits map all four corners within 1e-9; their quadrangles agree.
  double p[3][3], b[2][4], back[4][2];
  ASSERT_EQ(ruxiGetPerspectiveTransform(roi, trap, p), 0);
  ASSERT_EQ(ruxiGetBilinearTransform(roi, trap, b), 0);
  ASSERT_EQ(ruxiGetPerspectiveQuad(roi, back, p), 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(perspAt(p, cx[i], cy[i]).x, trap[i][0], 1e-9);
    EXPECT_NEAR(perspAt(p, cx[i], cy[i]).y, trap[i][1], 1e-9);
    EXPECT_NEAR(bilAt(b, cx[i], cy[i]).x, trap[i][0], 1e-9);
    EXPECT_NEAR(bilAt(b, cx[i], cy[i]).y, trap[i][1], 1e-9);
    EXPECT_NEAR(back[i][0], trap[i][0], 1e-9);
    EXPECT_NEAR(back[i][1], trap[i][1], 1e-9);
  }
  ASSERT_EQ(ruxiGetBilinearBound(roi, box, b), 0);
  EXPECT_NEAR(box[0][0], 1, 1e-12);
  EXPECT_NEAR(box[1][0], 21, 1e-12);
  EXPECT_NEAR(box[1][1], 14, 1e-12);
  // Bad quadrangles (not convex, degenerate, non-finite) and too small regions.
  const double bow[4][2] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}}, flat[4][2] = {{0, 0}, {5, 0}, {10, 0}, {0, 10}},
               inf[4][2] = {{0, 0}, {INFINITY, 0}, {10, 10}, {0, 10}};
  for (const auto* q : {bow, flat, inf}) {
    EXPECT_EQ(ruxiGetAffineTransform(roi, q, a), ruxStatusBadQuad);
    EXPECT_EQ(ruxiGetPerspectiveTransform(roi, q, p), ruxStatusBadQuad);
    EXPECT_EQ(ruxiGetBilinearTransform(roi, q, b), ruxStatusBadQuad);
  }
  EXPECT_EQ(ruxiGetPerspectiveTransform({0, 0, 1, 5}, trap, p), ruxStatusBadRect);
  EXPECT_EQ(ruxiGetBilinearTransform({0, 0, 5, 0}, trap, b), ruxStatusBadSize);
  // A perspective map whose line at infinity crosses the region: degenerate (-56), still written.
  const double cross[3][3] = {{1, 0, 0}, {0, 1, 0}, {1, 0, -2}};
  EXPECT_EQ(ruxiGetPerspectiveBound({0, 0, 5, 5}, box, cross), ruxStatusBadCoeffs);
}

// Validation order of the image functions; nothing is written on any rejection.
TEST(Warp, RejectsInOrder) {
  GuardedImage<Rux8u> src(8, 8, 1, 1), dst(8, 8, 1, 2);
  const Rux8u* s = src.data();
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  const RuxImageRect r{0, 0, 8, 8};
  const double ok[2][3] = {{1, 0, 0}, {0, 1, 0}}, sing[2][3] = {{1, 2, 0}, {0.5, 1, 0}},
               nan[2][3] = {{1, 0, NAN}, {0, 1, 0}}, far[2][3] = {{1, 0, 1e12}, {0, 1, 0}},
               huge[2][3] = {{1, 0, 1e300}, {0, 1, 0}};
  const double pok[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, pinf[3][3] = {{1, 0, 0}, {0, 1, 0}, {0.25, 0, -1}};
  const double bok[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}}, bfold[2][4] = {{0, 1, 0, 0}, {0, 1, 0, 0}};
  const double qok[4][2] = {{0, 0}, {7, 0}, {7, 7}, {0, 7}}, qbad[4][2] = {{0, 0}, {7, 7}, {7, 0}, {0, 7}};
  const Rux8u* const sp3[3] = {s, s, nullptr};
  Rux8u* const dp3[3] = {d, d, d};
  const auto A = [&](const Rux8u* a, RuxImageSize z, RuxImageRect sr, Rux8u* b, RuxImageRect dr, const double (*c)[3], int m) {
    return [=] { return ruxiWarpAffine_8u_C1R(a, z, ss, sr, b, ds, dr, c, m); };
  };
  ruxtest::expectRejections(
      {{"null source", A(nullptr, {8, 8}, r, d, r, ok, 2), ruxStatusNullPointer},
       {"null before size", A(s, {0, 8}, r, nullptr, r, ok, 2), ruxStatusNullPointer},
       {"null coefficients", A(s, {8, 8}, r, d, r, nullptr, 2), ruxStatusNullPointer},
       {"source size", A(s, {8, 0}, r, d, r, ok, 2), ruxStatusBadSize},
       {"source region x", A(s, {8, 8}, {-1, 0, 8, 8}, d, r, ok, 2), ruxStatusBadSize},
       {"destination width", A(s, {8, 8}, r, d, {0, 0, 0, 8}, ok, 2), ruxStatusBadSize},
       {"size before mode", A(s, {8, 8}, r, d, {0, -1, 8, 8}, ok, 3), ruxStatusBadSize},
       {"mode 3", A(s, {8, 8}, r, d, r, ok, 3), ruxStatusBadInterpolation},
       {"mode with bit 30", A(s, {8, 8}, r, d, r, ok, 2 | 0x40000000), ruxStatusBadInterpolation},
       {"mode before coefficients", A(s, {8, 8}, r, d, r, sing, 5), ruxStatusBadInterpolation},
       {"planar null plane", [&] { return ruxiWarpAffine_8u_P3R(sp3, {8, 8}, ss, r, dp3, ds, r, ok, 2); }, ruxStatusNullPointer},
       {"singular", A(s, {8, 8}, r, d, r, sing, 2), ruxStatusBadCoeffs},
       {"non-finite", A(s, {8, 8}, r, d, r, nan, 2), ruxStatusBadCoeffs},
       {"singular before origin", A(s, {8, 8}, {8, 0, 2, 2}, d, r, sing, 2), ruxStatusBadCoeffs},
       {"origin outside", A(s, {8, 8}, {8, 0, 2, 2}, d, r, ok, 2), ruxStatusNoIntersection},
       {"clipped to one column", A(s, {8, 8}, {7, 0, 5, 5}, d, r, ok, 2), ruxStatusBadRect},
       {"far away", A(s, {8, 8}, r, d, r, far, 2), ruxStatusNoQuadIntersection},
       {"huge region far away", A(s, {8, 8}, {0, 0, 0x7fffffff, 0x7fffffff}, d, {0x7ffffff0, 0x7ffffff0, 0x7fffffff, 0x7fffffff}, ok, 2),
        ruxStatusNoQuadIntersection},
       {"back mode 6", [&] { return ruxiWarpAffineBack_8u_C1R(s, {8, 8}, ss, r, d, ds, r, ok, 6); }, ruxStatusBadInterpolation},
       {"rotate non-finite", [&] { return ruxiRotate_8u_C1R(s, {8, 8}, ss, r, d, ds, r, INFINITY, 0, 0, 2); }, ruxStatusBadCoeffs},
       {"rotate center NaN", [&] { return ruxiRotateCenter_8u_C1R(s, {8, 8}, ss, r, d, ds, r, 0, NAN, 0, 2); }, ruxStatusBadCoeffs},
       {"shear null first", [&] { return ruxiShear_8u_C1R(nullptr, {8, 8}, 0, r, d, ds, r, 0, 0, 0, 0, 2); }, ruxStatusNullPointer},
       {"shear step before size", [&] { return ruxiShear_8u_C1R(s, {0, 8}, 0, r, d, ds, r, 0, 0, 0, 0, 2); }, ruxStatusBadStep},
       {"degenerate in double", A(s, {8, 8}, r, d, r, huge, 2), ruxStatusBadCoeffs},
       {"shear singular", [&] { return ruxiShear_8u_C1R(s, {8, 8}, ss, r, d, ds, r, 2, 0.5, 0, 0, 2); }, ruxStatusBadCoeffs},
       {"quad bad", [&] { return ruxiWarpAffineQuad_8u_C1R(s, {8, 8}, ss, r, qbad, d, ds, r, qok, 2); }, ruxStatusBadQuad},
       {"quad before origin", [&] { return ruxiWarpAffineQuad_8u_C1R(s, {8, 8}, ss, {9, 0, 2, 2}, qok, d, ds, r, qbad, 2); }, ruxStatusBadQuad},
       {"quad small region", [&] { return ruxiWarpAffineQuad_8u_C1R(s, {8, 8}, ss, {0, 7, 8, 8}, qok, d, ds, r, qok, 2); }, ruxStatusBadRect},
       {"perspective step after size", [&] { return ruxiWarpPerspective_8u_C1R(s, {8, 8}, 0, {0, 0, 0, 8}, d, ds, r, pok, 2); }, ruxStatusBadSize},
       {"perspective step", [&] { return ruxiWarpPerspective_8u_C1R(s, {8, 8}, ss, r, d, -4, r, pok, 7); }, ruxStatusBadStep},
       {"perspective mode 6", [&] { return ruxiWarpPerspective_8u_C1R(s, {8, 8}, ss, r, d, ds, r, pok, 6); }, ruxStatusBadInterpolation},
       {"perspective infinity crossing", [&] { return ruxiWarpPerspective_8u_C1R(s, {8, 8}, ss, r, d, ds, r, pinf, 2); }, ruxStatusBadCoeffs},
       {"perspective quad bad", [&] { return ruxiWarpPerspectiveQuad_8u_C1R(s, {8, 8}, ss, r, qok, d, ds, r, qbad, 2); }, ruxStatusBadQuad},
       {"bilinear folded", [&] { return ruxiWarpBilinear_8u_C1R(s, {8, 8}, ss, r, d, ds, r, bfold, 2); }, ruxStatusBadCoeffs},
       {"bilinear back folded", [&] { return ruxiWarpBilinearBack_8u_C1R(s, {8, 8}, ss, r, d, ds, r, bfold, 2); }, ruxStatusBadCoeffs},
       {"bilinear step", [&] { return ruxiWarpBilinear_8u_C1R(s, {8, 8}, ss, r, d, 0, r, bok, 2); }, ruxStatusBadStep}},
      src, dst);
}

}  // namespace
