// Rank filters: the minimum and maximum over a rectangular window (FilterMin, FilterMax).
//
// Shape: the extremum engine (primitives/minmax_rows.h) with one run of mask.width pixels per
// mask row: each source row becomes running extrema over a power-of-two width once, and every
// destination pixel is the extremum of two entries per mask row, so the cost per pixel grows
// with log2(mask.width) + mask.height. A 1 x 1 mask gives a copy. Regions of at least 64 x 64
// pixels run on the library's threads, one block of rows each.
#include <cstdint>
#include <vector>

#include "core/base.h"
#include "primitives/minmax_rows.h"

namespace rux {
namespace {

template <class T, int C, bool kAlpha>
RuxResult filterExtremum(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                         RuxImagePoint anchor, rank::Op op) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (mask.width < 1 || mask.height < 1) return ruxStatusBadMaskSize;
  if (anchor.x < 0 || anchor.y < 0 || anchor.x >= mask.width || anchor.y >= mask.height) return ruxStatusBadAnchor;
  rank::Element e{roi.width, roi.height, mask.width, mask.height, anchor.x, anchor.y, {}};
  for (int q = 0; q < mask.height; ++q) e.runs.push_back({q, 0, mask.width});
  const bool inPlace = static_cast<const void*>(src) == static_cast<const void*>(dst);
  const bool parallel = roi.width >= 64 && roi.height >= 64;
  return rank::filterRuns<T, C, kAlpha>(src, srcStep, dst, dstStep, e, op, inPlace, parallel, [](T*, std::size_t) {});
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_EXTREMUM(name, op, type, T, lay, C, A)                                                          \
  RUXAPI RuxResult ruxiFilter##name##_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,   \
                                                        RuxImageSize roiSize, RuxImageSize maskSize,        \
                                                        RuxImagePoint anchor) {                             \
    return filterExtremum<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, rank::op);      \
  }
#define RUX_EXTREMUM_TYPE(type, T)                \
  RUX_EXTREMUM(Min, kMin, type, T, C1, 1, false)  \
  RUX_EXTREMUM(Min, kMin, type, T, C3, 3, false)  \
  RUX_EXTREMUM(Min, kMin, type, T, C4, 4, false)  \
  RUX_EXTREMUM(Min, kMin, type, T, AC4, 4, true)  \
  RUX_EXTREMUM(Max, kMax, type, T, C1, 1, false)  \
  RUX_EXTREMUM(Max, kMax, type, T, C3, 3, false)  \
  RUX_EXTREMUM(Max, kMax, type, T, C4, 4, false)  \
  RUX_EXTREMUM(Max, kMax, type, T, AC4, 4, true)

RUX_EXTREMUM_TYPE(8u, Rux8u)
RUX_EXTREMUM_TYPE(16u, Rux16u)
RUX_EXTREMUM_TYPE(16s, Rux16s)
RUX_EXTREMUM_TYPE(32f, Rux32f)
