// Bilinear warps (WarpBilinear, WarpBilinearBack, WarpBilinearQuad) and their companions.
// A bilinear map sends the edges of a rectangle to straight lines, so the image of the clipped
// source region is the quadrangle of its corners. Destination to source, per pixel:
//  - forward: the inverse of the given map (a quadratic, refined by Newton steps on the map);
//  - Back: the given map itself (the written quadrangle has the preimages of the corners);
//  - Quad: the inverse of the unit-square map onto the destination quadrangle, then the
//    unit-square map onto the source quadrangle (vertex i onto vertex i, edges onto edges).
// A pixel whose source point falls outside the clipped region is not written.
#include <cmath>

#include "core/base.h"
#include "geometry/warp_engine.h"
#include "geometry/warp_span.h"

namespace rux::warp {
namespace {

Bilinear bilinearFrom(const double c[2][4]) {
  Bilinear m;
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < 4; ++k) m.c[r][k] = c[r][k];
  return m;
}

constexpr Bilinear kIdentity{{{0, 1, 0, 0}, {0, 0, 1, 0}}};

template <class T, int C, int K>
RuxResult bilinearRun(const Operands<T>& o, const Rect& sr, Region& region, BilinearMapper map, int interpolation) {
  region.box = rectOf(o.dstRoi.x, o.dstRoi.y, o.dstRoi.width, o.dstRoi.height);
  region.setRows();
  if (!region.any()) return ruxStatusNoQuadIntersection;
  const Job<T> job = makeJob<T, C>(o, sr);
  map.outer.c[0][3] -= sr.x0;
  map.outer.c[1][3] -= sr.y0;
  map.dom = domainOf(job.W, job.H);
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
RuxResult warpBilinear(const Operands<T>& o, const double (*coeffs)[4], bool back, int interpolation) {
  if (coeffs == nullptr) return ruxStatusNullPointer;
  RuxResult st = front(o, interpolation);
  if (st != ruxStatusOk) return st;
  const Bilinear given = bilinearFrom(coeffs);
  if (!given.isFinite()) return ruxStatusBadCoeffs;
  Rect sr;
  if ((st = clipSource(o, sr)) != ruxStatusOk) return st;
  const Quad corners = cornersOf(sr);
  Region region;
  BilinearMapper map{};
  if (!back) {
    if (!injective(given, sr)) return ruxStatusBadCoeffs;
    region.quads[0] = given.mapQuad(corners);
    map.inner = given, map.outer = kIdentity, map.invertInner = true, map.innerDomain = sr;
  } else {
    // The written quadrangle: the preimages of the region's corners (roots nearest the
    // destination region), on which the map must keep the sign of its Jacobian.
    const Rect box = rectOf(o.dstRoi.x, o.dstRoi.y, o.dstRoi.width, o.dstRoi.height);
    for (int i = 0; i < 4; ++i)
      if (!bilinearSolve(given, corners.p[i].x, corners.p[i].y, box, region.quads[0].p[i].x, region.quads[0].p[i].y))
        return ruxStatusBadCoeffs;
    int pos = 0, neg = 0;
    for (const Pt& p : region.quads[0].p) {
      const double j = given.jacobian(p.x, p.y);
      if (!isFin(j) || j == 0.0) return ruxStatusBadCoeffs;
      (j > 0 ? pos : neg) += 1;
    }
    if (pos != 4 && neg != 4) return ruxStatusBadCoeffs;
    map.inner = kIdentity, map.outer = given, map.invertInner = false;
  }
  if (!acceptable(region.quads[0])) return ruxStatusBadCoeffs;
  return bilinearRun<T, C, K>(o, sr, region, map, interpolation);
}

template <class T, int C, int K>
RuxResult warpBilinearQuad(const Operands<T>& o, const double (*srcQuad)[2], const double (*dstQuad)[2],
                           int interpolation) {
  if (srcQuad == nullptr || dstQuad == nullptr) return ruxStatusNullPointer;
  RuxResult st = front(o, interpolation);
  if (st != ruxStatusOk) return st;
  const Quad sq = quadFrom(srcQuad), dq = quadFrom(dstQuad);
  if (!acceptable(sq) || !acceptable(dq)) return ruxStatusBadQuad;
  Rect sr;
  if ((st = clipSource(o, sr)) != ruxStatusOk) return st;
  const Rect unit{0, 0, 1, 1};
  BilinearMapper map{};
  if (!bilinearFit(unit, sq, map.outer) || !bilinearFit(unit, dq, map.inner)) return ruxStatusBadQuad;
  map.invertInner = true;
  map.innerDomain = unit;
  Region region;
  region.quads[0] = dq;
  return bilinearRun<T, C, K>(o, sr, region, map, interpolation);
}

RuxResult bilinearQuad(RuxImageRect roi, double quad[4][2], const double coeffs[2][4]) {
  if (quad == nullptr || coeffs == nullptr) return ruxStatusNullPointer;
  if (badRect(roi)) return ruxStatusBadSize;
  const Bilinear m = bilinearFrom(coeffs);
  const Rect r = rectOf(roi.x, roi.y, roi.width, roi.height);
  const Quad q = m.mapQuad(cornersOf(r));
  storeQuad(q, quad);
  return acceptable(q) ? ruxStatusOk : ruxStatusBadCoeffs;
}

}  // namespace
}  // namespace rux::warp

using namespace rux::warp;

RUXAPI RuxResult ruxiGetBilinearQuad(RuxImageRect srcRoi, double quad[4][2], const double coeffs[2][4]) {
  return bilinearQuad(srcRoi, quad, coeffs);
}
RUXAPI RuxResult ruxiGetBilinearBound(RuxImageRect srcRoi, double bound[2][2], const double coeffs[2][4]) {
  if (bound == nullptr) return ruxStatusNullPointer;
  double q[4][2];
  return boundOfQuad(bilinearQuad(srcRoi, q, coeffs), q, bound);
}
RUXAPI RuxResult ruxiGetBilinearTransform(RuxImageRect srcRoi, const double quad[4][2], double coeffs[2][4]) {
  return fitTransform<Bilinear, 2, 4>(srcRoi, quad, coeffs, bilinearFit);
}


#define RUX_BILINEAR_PACKED(S, T, L, C, K)                                                                            \
  RUXAPI RuxResult ruxiWarpBilinear_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST,                    \
                                              const double coeffs[2][4], int interpolation) {                        \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpBilinear<T, C, K>(o, coeffs, false, interpolation);                                                    \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpBilinearBack_##S##_##L(const T* pSrc, RUX_WARP_SRC, T* pDst, RUX_WARP_DST,                \
                                                  const double coeffs[2][4], int interpolation) {                    \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpBilinear<T, C, K>(o, coeffs, true, interpolation);                                                     \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpBilinearQuad_##S##_##L(const T* pSrc, RUX_WARP_SRC, const double srcQuad[4][2], T* pDst,  \
                                                  RUX_WARP_DST, const double dstQuad[4][2], int interpolation) {     \
    RUX_WARP_OPS_PACKED(T);                                                                                           \
    return warpBilinearQuad<T, C, K>(o, srcQuad, dstQuad, interpolation);                                             \
  }
#define RUX_BILINEAR_PLANAR(S, T, N)                                                                                  \
  RUXAPI RuxResult ruxiWarpBilinear_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N],            \
                                                  RUX_WARP_DST, const double coeffs[2][4], int interpolation) {      \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpBilinear<T, 1, 1>(o, coeffs, false, interpolation);                                                    \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpBilinearBack_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC, T* const pDst[N],        \
                                                      RUX_WARP_DST, const double coeffs[2][4], int interpolation) {  \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpBilinear<T, 1, 1>(o, coeffs, true, interpolation);                                                     \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiWarpBilinearQuad_##S##_P##N##R(const T* const pSrc[N], RUX_WARP_SRC,                          \
                                                      const double srcQuad[4][2], T* const pDst[N], RUX_WARP_DST,    \
                                                      const double dstQuad[4][2], int interpolation) {               \
    RUX_WARP_OPS_PLANAR(T, N);                                                                                        \
    return warpBilinearQuad<T, 1, 1>(o, srcQuad, dstQuad, interpolation);                                             \
  }

RUX_WARP_LAYOUTS(RUX_BILINEAR_PACKED, RUX_BILINEAR_PLANAR, 8u, Rux8u)
RUX_WARP_LAYOUTS(RUX_BILINEAR_PACKED, RUX_BILINEAR_PLANAR, 16u, Rux16u)
RUX_WARP_LAYOUTS(RUX_BILINEAR_PACKED, RUX_BILINEAR_PLANAR, 32f, Rux32f)
