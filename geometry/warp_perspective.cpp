// Perspective warps (WarpPerspective, WarpPerspectiveBack, WarpPerspectiveQuad) and their
// companions. The destination-to-source map is a 3 x 3 matrix M, evaluated per pixel as the
// ratio of two linear forms (the adjugate of the forward matrix, not normalised; the given
// matrix for Back; the unit-square fits of the two quadrangles composed for Quad). The forward
// map must send the clipped source region's corners to finite points with denominators of one
// sign (the region does not cross the line sent to infinity).
#include <cmath>

#include "core/base.h"
#include "geometry/warp_engine.h"
#include "geometry/warp_span.h"

namespace rux::warp {
namespace {

Perspective perspectiveFrom(const double c[3][3]) {
  Perspective m;
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) m.c[r][k] = c[r][k];
  return m;
}

template <class T, int C, int K>
RuxResult perspectiveRun(const Operands<T>& o, const Rect& sr, Region& region, Perspective m, int interpolation) {
  region.box = rectOf(o.dstRoi.x, o.dstRoi.y, o.dstRoi.width, o.dstRoi.height);
  region.setRows();
  if (!region.any()) return ruxStatusNoQuadIntersection;
  const Job<T> job = makeJob<T, C>(o, sr);
  // Region coordinates: u - x0 = (n_u - x0 d) / d.
  for (int k = 0; k < 3; ++k) m.c[0][k] -= sr.x0 * m.c[2][k], m.c[1][k] -= sr.y0 * m.c[2][k];
  const PerspectiveMapper map{m, domainOf(job.W, job.H)};
  run<T, C, K>(job, region, map, interpolation);
  return ruxStatusOk;
}

template <class T>
RuxResult front(const Operands<T>& o, int interpolation) {
  RuxResult st = checkImages(o, true);
  if (st != ruxStatusOk) return st;
  if ((st = checkMode(interpolation, false)) != ruxStatusOk) return st;
  return checkPlanes(o);
}

template <class T, int C, int K>
RuxResult warpPerspective(const Operands<T>& o, const double (*coeffs)[3], bool back, int interpolation) {
  if (coeffs == nullptr) return ruxStatusNullPointer;
  RuxResult st = front(o, interpolation);
  if (st != ruxStatusOk) return st;
  const Perspective given = perspectiveFrom(coeffs);
  if (singular(given)) return ruxStatusBadCoeffs;
  Rect sr;
  if ((st = clipSource(o, sr)) != ruxStatusOk) return st;
  const Perspective fwd = back ? adjugate(given) : given, inv = back ? given : adjugate(given);
  Region region;
  if (!mapsCorners(fwd, cornersOf(sr), region.quads[0]) || !acceptable(region.quads[0])) return ruxStatusBadCoeffs;
  return perspectiveRun<T, C, K>(o, sr, region, inv, interpolation);
}

template <class T, int C, int K>
RuxResult warpPerspectiveQuad(const Operands<T>& o, const double (*srcQuad)[2], const double (*dstQuad)[2],
                              int interpolation) {
  if (srcQuad == nullptr || dstQuad == nullptr) return ruxStatusNullPointer;
  RuxResult st = front(o, interpolation);
  if (st != ruxStatusOk) return st;
  const Quad sq = quadFrom(srcQuad), dq = quadFrom(dstQuad);
  if (!acceptable(sq) || !acceptable(dq)) return ruxStatusBadQuad;
  Rect sr;
  if ((st = clipSource(o, sr)) != ruxStatusOk) return st;
  const Rect unit{0, 0, 1, 1};
  Perspective hs, hd;
  if (!perspectiveFit(unit, sq, hs) || !perspectiveFit(unit, dq, hd)) return ruxStatusBadQuad;
  // Destination -> unit square -> source; points outside the source region are not written.
  Region region;
  region.quads[0] = dq;
  return perspectiveRun<T, C, K>(o, sr, region, multiply(hs, adjugate(hd)), interpolation);
}

RuxResult perspectiveQuad(RuxImageRect roi, double quad[4][2], const double coeffs[3][3]) {
  if (quad == nullptr || coeffs == nullptr) return ruxStatusNullPointer;
  if (badRect(roi)) return ruxStatusBadSize;
  const Perspective m = perspectiveFrom(coeffs);
  const Quad corners = cornersOf(rectOf(roi.x, roi.y, roi.width, roi.height));
  Quad q;
  const bool ok = mapsCorners(m, corners, q);
  if (!ok)
    for (int i = 0; i < 4; ++i) q.p[i] = m.map(corners.p[i].x, corners.p[i].y);
  storeQuad(q, quad);
  return ok && acceptable(q) ? ruxStatusOk : ruxStatusBadCoeffs;
}

}  // namespace
}  // namespace rux::warp

using namespace rux::warp;

RUXAPI RuxResult ruxiGetPerspectiveQuad(RuxImageRect srcRoi, double quad[4][2], const double coeffs[3][3]) {
  return perspectiveQuad(srcRoi, quad, coeffs);
}
RUXAPI RuxResult ruxiGetPerspectiveBound(RuxImageRect srcRoi, double bound[2][2], const double coeffs[3][3]) {
  if (bound == nullptr) return ruxStatusNullPointer;
  double q[4][2];
  return boundOfQuad(perspectiveQuad(srcRoi, q, coeffs), q, bound);
}
RUXAPI RuxResult ruxiGetPerspectiveTransform(RuxImageRect srcRoi, const double quad[4][2], double coeffs[3][3]) {
  return fitTransform<Perspective, 3, 3>(srcRoi, quad, coeffs, perspectiveFit);
}


#define RUX_PERSPECTIVE_PACKED(S, T, L, C, K)                                                                         \
  RUXAPI RuxResult ruxiWarpPerspective_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST,                 \
                                                 const double coeffs[3][3], int interpolation) {                     \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpPerspective<T, C, K>(o, coeffs, false, interpolation);                                                 \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpPerspectiveBack_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST,             \
                                                     const double coeffs[3][3], int interpolation) {                 \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpPerspective<T, C, K>(o, coeffs, true, interpolation);                                                  \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpPerspectiveQuad_##S##_##L(const T* pSrc, RUX_WARP_SRC, const double srcQuad[4][2],        \
                                                     T* pDst, RUX_WARP_DST, const double dstQuad[4][2],              \
                                                     int interpolation) {                                            \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpPerspectiveQuad<T, C, K>(o, srcQuad, dstQuad, interpolation);                                          \
  }
#define RUX_PERSPECTIVE_PLANAR(S, T, N)                                                                               \
  RUXAPI RuxResult ruxiWarpPerspective_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N],         \
                                                     RUX_WARP_DST, const double coeffs[3][3], int interpolation) {   \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpPerspective<T, 1, 1>(o, coeffs, false, interpolation);                                                 \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpPerspectiveBack_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N],     \
                                                         RUX_WARP_DST, const double coeffs[3][3],                    \
                                                         int interpolation) {                                        \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpPerspective<T, 1, 1>(o, coeffs, true, interpolation);                                                  \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpPerspectiveQuad_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC,                       \
                                                         const double srcQuad[4][2], T* const pDst[N], RUX_WARP_DST, \
                                                         const double dstQuad[4][2], int interpolation) {            \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpPerspectiveQuad<T, 1, 1>(o, srcQuad, dstQuad, interpolation);                                          \
  }

RUX_WARP_LAYOUTS(RUX_PERSPECTIVE_PACKED, RUX_PERSPECTIVE_PLANAR, 8u, Rux8u)
RUX_WARP_LAYOUTS(RUX_PERSPECTIVE_PACKED, RUX_PERSPECTIVE_PLANAR, 16u, Rux16u)
RUX_WARP_LAYOUTS(RUX_PERSPECTIVE_PACKED, RUX_PERSPECTIVE_PLANAR, 32f, Rux32f)
