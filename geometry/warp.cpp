// Affine warps (WarpAffine, WarpAffineBack, WarpAffineQuad), rotation, shear and their
// companions (mapped quadrangle, bounding box, fitted transform, rotation shifts).
//
// Shape of a call (the engine is geometry/warp_engine.h, the geometry geometry/warp_span.h):
//  - validate in the family's order; clip the source region to the image;
//  - the forward map sends the clipped region's corner pixels to the destination quadrangle;
//    the region written is that quadrangle (and, for the Quad form, the destination quadrangle)
//    inside the destination rectangle, per row ceil(left) .. floor(right);
//  - the inverse map (destination to source) runs row by row: the start of a row computed
//    directly, then the column coefficients added; each row's span limited analytically so the
//    samplers' taps stay inside the clipped source region;
//  - sampler by mode (nearest, linear, four-point cubic with the Q14 table for 8u, Catmull-Rom),
//    optionally blending the quadrangle's boundary pixels by coverage (bit 31).
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/base.h"
#include "geometry/warp_engine.h"
#include "geometry/warp_span.h"

namespace rux::warp {

const CubicQ14& cubicQ14Table() {
  static const CubicQ14 table = [] {
    CubicQ14 t{};
    for (int q = 0; q <= 1536; ++q) {
      double w[4];
      lagrange4(q / 512.0, w);
      t.w[q][0] = static_cast<std::int16_t>(roundEven(w[0] * 16384.0));
      t.w[q][1] = static_cast<std::int16_t>(roundEven(w[1] * 16384.0));
    }
    // Entry q and its mirror 1536 - q form one window: make its four weights sum to 16384.
    for (int q = 0; q < 768; ++q) {
      const int sum = t.w[q][0] + t.w[q][1] + t.w[1536 - q][1] + t.w[1536 - q][0];
      t.w[q][1] = static_cast<std::int16_t>(t.w[q][1] + 16384 - sum);
    }
    return t;
  }();
  return table;
}

namespace {

Affine affineFrom(const double c[2][3]) {
  Affine a;
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < 3; ++k) a.c[r][k] = c[r][k];
  return a;
}

// Rotation by an angle in degrees reduced into [0, 360): exact at 0, 90, 180 and 270.
void cosSin(double angle, double& c, double& s) {
  double a = std::fmod(angle, 360.0);
  if (a < 0) a += 360.0;
  if (a >= 360.0) a = 0.0;
  if (a == 0.0) c = 1, s = 0;
  else if (a == 90.0) c = 0, s = 1;
  else if (a == 180.0) c = -1, s = 0;
  else if (a == 270.0) c = 0, s = -1;
  else c = std::cos(a * M_PI / 180.0), s = std::sin(a * M_PI / 180.0);
}

Affine rotation(double angle, double shx, double shy) {
  double c, s;
  cosSin(angle, c, s);
  return {{{c, s, shx}, {-s, c, shy}}};
}

Affine shear(double xs, double ys, double shx, double shy) { return {{{1, xs, shx}, {ys, 1, shy}}}; }

// Shifts that keep (xc, yc) fixed under the rotation.
void rotateShift(double xc, double yc, double angle, double& sx, double& sy) {
  if (!isFin(xc) || !isFin(yc) || !isFin(angle)) {  // the exact angles would hide a bad centre
    sx = sy = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  double a = std::fmod(angle, 360.0);
  if (a < 0) a += 360.0;
  if (a >= 360.0) a = 0.0;
  if (a == 0.0) sx = 0, sy = 0;
  else if (a == 90.0) sx = xc - yc, sy = xc + yc;
  else if (a == 180.0) sx = 2 * xc, sy = 2 * yc;
  else if (a == 270.0) sx = xc + yc, sy = yc - xc;
  else {
    const double s = std::sin(a * M_PI / 180.0), c = std::cos(a * M_PI / 180.0);
    sx = xc - xc * c - yc * s;
    sy = yc - yc * c + xc * s;
  }
}

// The affine map sending s0, s1, s2 onto d0, d1, d2, from the edge vectors s1 - s0, s2 - s1
// and d1 - d0, d2 - d1.
bool fitThree(const Quad& s, const Quad& d, Affine& a) {
  const double s1x = s.p[1].x - s.p[0].x, s1y = s.p[1].y - s.p[0].y, s2x = s.p[2].x - s.p[1].x, s2y = s.p[2].y - s.p[1].y;
  const double d1x = d.p[1].x - d.p[0].x, d1y = d.p[1].y - d.p[0].y, d2x = d.p[2].x - d.p[1].x, d2y = d.p[2].y - d.p[1].y;
  const double det = s1x * s2y - s2x * s1y;
  if (det == 0.0 || !isFin(det)) return false;
  a.c[0][0] = (d1x * s2y - d2x * s1y) / det, a.c[0][1] = (d2x * s1x - d1x * s2x) / det;
  a.c[1][0] = (d1y * s2y - d2y * s1y) / det, a.c[1][1] = (d2y * s1x - d1y * s2x) / det;
  a.c[0][2] = d.p[0].x - a.c[0][0] * s.p[0].x - a.c[0][1] * s.p[0].y;
  a.c[1][2] = d.p[0].y - a.c[1][0] * s.p[0].x - a.c[1][1] * s.p[0].y;
  return a.isFinite();
}

// Writes the region through the inverse map inv (destination to source image coordinates).
template <class T, int C, int K>
RuxResult affineRun(const Operands<T>& o, const Rect& sr, Region& region, Affine inv, int interpolation) {
  region.box = rectOf(o.dstRoi.x, o.dstRoi.y, o.dstRoi.width, o.dstRoi.height);
  region.setRows();
  if (!region.any()) return ruxStatusNoQuadIntersection;
  const Job<T> job = makeJob<T, C>(o, sr);
  inv.c[0][2] -= sr.x0;
  inv.c[1][2] -= sr.y0;
  const AffineMapper map{inv, domainOf(job.W, job.H)};
  run<T, C, K>(job, region, map, interpolation);
  return ruxStatusOk;
}

// WarpAffine (back = false: the coefficients map source to destination) and WarpAffineBack.
template <class T, int C, int K>
RuxResult warpAffine(const Operands<T>& o, const double (*coeffs)[3], bool back, int interpolation) {
  if (coeffs == nullptr) return ruxStatusNullPointer;
  RuxResult st = checkImages(o, false);
  if (st != ruxStatusOk) return st;
  if ((st = checkMode(interpolation, !back)) != ruxStatusOk) return st;
  if ((st = checkPlanes(o)) != ruxStatusOk) return st;
  const Affine given = affineFrom(coeffs);
  if (singular(given)) return ruxStatusBadCoeffs;
  Rect sr;
  if ((st = clipSource(o, sr)) != ruxStatusOk) return st;
  Affine fwd = given, inv = given;
  if (!invert(given, back ? fwd : inv)) return ruxStatusBadCoeffs;
  Region region;
  region.quads[0] = mapQuad(fwd, cornersOf(sr));
  if (!acceptable(region.quads[0])) return ruxStatusBadCoeffs;
  return affineRun<T, C, K>(o, sr, region, inv, interpolation);
}

template <class T, int C, int K>
RuxResult warpAffineQuad(const Operands<T>& o, const double (*srcQuad)[2], const double (*dstQuad)[2],
                         int interpolation) {
  if (srcQuad == nullptr || dstQuad == nullptr) return ruxStatusNullPointer;
  RuxResult st = checkImages(o, false);
  if (st != ruxStatusOk) return st;
  if ((st = checkMode(interpolation, false)) != ruxStatusOk) return st;
  if ((st = checkPlanes(o)) != ruxStatusOk) return st;
  const Quad sq = quadFrom(srcQuad), dq = quadFrom(dstQuad);
  if (!acceptable(sq) || !acceptable(dq)) return ruxStatusBadQuad;
  Rect sr;
  if ((st = clipSource(o, sr)) != ruxStatusOk) return st;
  Affine fwd, inv;
  if (!fitThree(sq, dq, fwd) || singular(fwd) || !invert(fwd, inv)) return ruxStatusBadQuad;
  Region region;
  region.count = 2;
  region.quads[0] = dq;
  region.quads[1] = mapQuad(fwd, cornersOf(sr));
  if (!acceptable(region.quads[1])) return ruxStatusBadCoeffs;
  return affineRun<T, C, K>(o, sr, region, inv, interpolation);
}

template <class T, int C, int K>
RuxResult warpAffineWith(const Operands<T>& o, const Affine& a, int interpolation) {
  return warpAffine<T, C, K>(o, a.c, false, interpolation);
}

// ---- companions -----------------------------------------------------------------------------

RuxResult affineQuad(RuxImageRect roi, double quad[4][2], const Affine& a) {
  const Quad q = mapQuad(a, cornersOf(rectOf(roi.x, roi.y, roi.width, roi.height)));
  storeQuad(q, quad);
  return acceptable(q) ? ruxStatusOk : ruxStatusBadCoeffs;
}

RuxResult affineBound(RuxImageRect roi, double bound[2][2], const Affine& a) {
  double q[4][2];
  return boundOfQuad(affineQuad(roi, q, a), q, bound);
}

// Products within a relative difference of 1e-10 (absolute when the first is at most 1e-200).
bool nearlyEqual(double a, double b) {
  if (std::fabs(a) <= 1e-200) return std::fabs(a - b) <= 1e-10;
  return std::fabs((a - b) / a) <= 1e-10;
}

RuxResult affineTransform(RuxImageRect roi, const double quad[4][2], double coeffs[2][3]) {
  if (quad == nullptr || coeffs == nullptr) return ruxStatusNullPointer;
  if (badRect(roi)) return ruxStatusBadSize;
  const Quad q = quadFrom(quad);
  if (!acceptable(q)) return ruxStatusBadQuad;
  if (roi.width < 2 || roi.height < 2) return ruxStatusBadRect;
  const Rect r = rectOf(roi.x, roi.y, roi.width, roi.height);
  const Pt q0 = q.p[0], q1 = q.p[1], q2 = q.p[2], q3 = q.p[3];
  const double w = r.x1 - r.x0, h = r.y1 - r.y0;
  double c[2][3];
  c[0][0] = (q1.x - q0.x) / w, c[0][1] = (q2.x - q1.x) / h, c[0][2] = q0.x - c[0][0] * r.x0 - c[0][1] * r.y0;
  c[1][0] = (q1.y - q0.y) / w, c[1][1] = (q2.y - q1.y) / h, c[1][2] = q0.y - c[1][0] * r.x0 - c[1][1] * r.y0;
  for (int i = 0; i < 2; ++i)
    for (int k = 0; k < 3; ++k) coeffs[i][k] = c[i][k];
  const bool parallel = nearlyEqual((q3.x - q2.x) * (q1.y - q0.y), (q1.x - q0.x) * (q3.y - q2.y)) &&
                        nearlyEqual((q0.y - q3.y) * (q2.x - q1.x), (q0.x - q3.x) * (q2.y - q1.y));
  return parallel ? ruxStatusOk : ruxStatusNotParallelogram;
}

RuxResult checkCompanion(const void* out, RuxImageRect roi) {
  if (out == nullptr) return ruxStatusNullPointer;
  return badRect(roi) ? ruxStatusBadSize : ruxStatusOk;
}

}  // namespace
}  // namespace rux::warp

using namespace rux::warp;

RUXAPI RuxResult ruxiGetAffineQuad(RuxImageRect srcRoi, double quad[4][2], const double coeffs[2][3]) {
  if (coeffs == nullptr) return ruxStatusNullPointer;
  const RuxResult st = checkCompanion(quad, srcRoi);
  return st != ruxStatusOk ? st : affineQuad(srcRoi, quad, affineFrom(coeffs));
}
RUXAPI RuxResult ruxiGetAffineBound(RuxImageRect srcRoi, double bound[2][2], const double coeffs[2][3]) {
  if (coeffs == nullptr) return ruxStatusNullPointer;
  const RuxResult st = checkCompanion(bound, srcRoi);
  return st != ruxStatusOk ? st : affineBound(srcRoi, bound, affineFrom(coeffs));
}
RUXAPI RuxResult ruxiGetAffineTransform(RuxImageRect srcRoi, const double quad[4][2], double coeffs[2][3]) {
  return affineTransform(srcRoi, quad, coeffs);
}
RUXAPI RuxResult ruxiGetRotateShift(double xCenter, double yCenter, double angle, double* xShift, double* yShift) {
  if (xShift == nullptr || yShift == nullptr) return ruxStatusNullPointer;
  double sx, sy;
  rotateShift(xCenter, yCenter, angle, sx, sy);
  if (!isFin(sx) || !isFin(sy)) return ruxStatusBadCoeffs;
  *xShift = sx, *yShift = sy;
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiAddRotateShift(double xCenter, double yCenter, double angle, double* xShift, double* yShift) {
  if (xShift == nullptr || yShift == nullptr) return ruxStatusNullPointer;
  double sx, sy;
  rotateShift(xCenter, yCenter, angle, sx, sy);
  sx += *xShift, sy += *yShift;
  if (!isFin(sx) || !isFin(sy)) return ruxStatusBadCoeffs;
  *xShift = sx, *yShift = sy;
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiGetRotateQuad(RuxImageRect srcRoi, double quad[4][2], double angle, double xShift, double yShift) {
  const RuxResult st = checkCompanion(quad, srcRoi);
  return st != ruxStatusOk ? st : affineQuad(srcRoi, quad, rotation(angle, xShift, yShift));
}
RUXAPI RuxResult ruxiGetRotateBound(RuxImageRect srcRoi, double bound[2][2], double angle, double xShift, double yShift) {
  const RuxResult st = checkCompanion(bound, srcRoi);
  return st != ruxStatusOk ? st : affineBound(srcRoi, bound, rotation(angle, xShift, yShift));
}
RUXAPI RuxResult ruxiGetShearQuad(RuxImageRect srcRoi, double quad[4][2], double xShear, double yShear, double xShift,
                                  double yShift) {
  const RuxResult st = checkCompanion(quad, srcRoi);
  return st != ruxStatusOk ? st : affineQuad(srcRoi, quad, shear(xShear, yShear, xShift, yShift));
}
RUXAPI RuxResult ruxiGetShearBound(RuxImageRect srcRoi, double bound[2][2], double xShear, double yShear, double xShift,
                                   double yShift) {
  const RuxResult st = checkCompanion(bound, srcRoi);
  return st != ruxStatusOk ? st : affineBound(srcRoi, bound, shear(xShear, yShear, xShift, yShift));
}

// ---- image exports --------------------------------------------------------------------------


#define RUX_AFFINE_PACKED(S, T, L, C, K)                                                                              \
  RUXAPI RuxResult ruxiWarpAffine_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST,                      \
                                            const double coeffs[2][3], int interpolation) {                          \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpAffine<T, C, K>(o, coeffs, false, interpolation);                                                      \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiRotate_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST, double angle,            \
                                        double xShift, double yShift, int interpolation) {                           \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpAffineWith<T, C, K>(o, rotation(angle, xShift, yShift), interpolation);                                \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiRotateCenter_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST, double angle,      \
                                              double xCenter, double yCenter, int interpolation) {                   \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    double sx, sy;                                                                                                    \
    rotateShift(xCenter, yCenter, angle, sx, sy);                                                                     \
    return warpAffineWith<T, C, K>(o, rotation(angle, sx, sy), interpolation);                                        \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiShear_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST, double xShear,            \
                                       double yShear, double xShift, double yShift, int interpolation) {             \
    if (pSrc == nullptr || pDst == nullptr) return ruxStatusNullPointer;                                              \
    if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;                                                          \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpAffineWith<T, C, K>(o, shear(xShear, yShear, xShift, yShift), interpolation);                          \
  }
#define RUX_AFFINE_PLANAR(S, T, N)                                                                                    \
  RUXAPI RuxResult ruxiWarpAffine_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N], RUX_WARP_DST, \
                                                const double coeffs[2][3], int interpolation) {                      \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpAffine<T, 1, 1>(o, coeffs, false, interpolation);                                                      \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiRotate_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N], RUX_WARP_DST,     \
                                            double angle, double xShift, double yShift, int interpolation) {         \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpAffineWith<T, 1, 1>(o, rotation(angle, xShift, yShift), interpolation);                                \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiRotateCenter_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N],            \
                                                  RUX_WARP_DST, double angle, double xCenter, double yCenter,        \
                                                  int interpolation) {                                               \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    double sx, sy;                                                                                                    \
    rotateShift(xCenter, yCenter, angle, sx, sy);                                                                     \
    return warpAffineWith<T, 1, 1>(o, rotation(angle, sx, sy), interpolation);                                        \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiShear_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N], RUX_WARP_DST,      \
                                           double xShear, double yShear, double xShift, double yShift,               \
                                           int interpolation) {                                                      \
    if (pSrc == nullptr || pDst == nullptr) return ruxStatusNullPointer;                                              \
    if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;                                                          \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpAffineWith<T, 1, 1>(o, shear(xShear, yShear, xShift, yShift), interpolation);                          \
  }
#define RUX_AFFINE_BACKQUAD_PACKED(S, T, L, C, K)                                                                     \
  RUXAPI RuxResult ruxiWarpAffineBack_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST,                  \
                                                const double coeffs[2][3], int interpolation) {                      \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpAffine<T, C, K>(o, coeffs, true, interpolation);                                                       \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpAffineQuad_##S##_##L(const T* pSrc, RUX_WARP_SRC, const double srcQuad[4][2], T* pDst,    \
                                                RUX_WARP_DST, const double dstQuad[4][2], int interpolation) {       \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpAffineQuad<T, C, K>(o, srcQuad, dstQuad, interpolation);                                               \
  }
#define RUX_AFFINE_BACKQUAD_PLANAR(S, T, N)                                                                           \
  RUXAPI RuxResult ruxiWarpAffineBack_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N],          \
                                                    RUX_WARP_DST, const double coeffs[2][3], int interpolation) {    \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpAffine<T, 1, 1>(o, coeffs, true, interpolation);                                                       \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpAffineQuad_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, const double srcQuad[4][2], \
                                                    T* const pDst[N], RUX_WARP_DST, const double dstQuad[4][2],      \
                                                    int interpolation) {                                             \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpAffineQuad<T, 1, 1>(o, srcQuad, dstQuad, interpolation);                                               \
  }


RUX_WARP_LAYOUTS(RUX_AFFINE_PACKED, RUX_AFFINE_PLANAR, 8u, Rux8u)
RUX_WARP_LAYOUTS(RUX_AFFINE_PACKED, RUX_AFFINE_PLANAR, 16u, Rux16u)
RUX_WARP_LAYOUTS(RUX_AFFINE_PACKED, RUX_AFFINE_PLANAR, 32f, Rux32f)
RUX_WARP_LAYOUTS(RUX_AFFINE_PACKED, RUX_AFFINE_PLANAR, 64f, Rux64f)
RUX_WARP_LAYOUTS(RUX_AFFINE_BACKQUAD_PACKED, RUX_AFFINE_BACKQUAD_PLANAR, 8u, Rux8u)
RUX_WARP_LAYOUTS(RUX_AFFINE_BACKQUAD_PACKED, RUX_AFFINE_BACKQUAD_PLANAR, 16u, Rux16u)
RUX_WARP_LAYOUTS(RUX_AFFINE_BACKQUAD_PACKED, RUX_AFFINE_BACKQUAD_PLANAR, 32f, Rux32f)
