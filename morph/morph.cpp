// Grey-scale dilation and erosion: the maximum or minimum over the 3x3 square (Dilate3x3,
// Erode3x3) or over the non-zero positions of a caller byte mask (Dilate, Erode), out of place
// and in place.
//
// Shape: the extremum engine (primitives/minmax_rows.h). The mask becomes runs of included
// positions along its rows (3x3: three runs of 3); every source row a window reads is turned
// once into running extrema over the power-of-two lengths the runs need, and each destination
// pixel is the extremum of two entries per run. Only included positions are read. The engine
// reads every source row into its ring before any destination row at or below it is written,
// so the in-place forms (and out-of-place calls with the same image and step) run the same pass
// on the calling thread; out of place, regions of at least 64 x 64 pixels split into row blocks
// over the library's threads. Masked 32f results are held within +-3.4028235e38 (an included
// infinity dilates to the largest finite value), the 3x3 forms are the plain extremum.
#include <cfloat>
#include <cstdint>
#include <vector>

#include "core/base.h"
#include "primitives/minmax_rows.h"

namespace rux {
namespace {

template <class T, int C, bool kAlpha>
RuxResult morphology(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, const Rux8u* mask,
                     RuxImageSize maskSize, RuxImagePoint anchor, rank::Op op, bool inPlaceForm, bool square) {
  if (anyNull(src, dst) || (!square && mask == nullptr)) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (!square) {
    if (maskSize.width < 1 || maskSize.height < 1) return ruxStatusBadMaskSize;
    Rux8u top = 0;
    for (long long i = 0; i < static_cast<long long>(maskSize.width) * maskSize.height; ++i)
      top = std::max(top, mask[i]);
    if (top == 0) return ruxStatusZeroMask;
    if (anchor.x < 0 || anchor.y < 0 || anchor.x >= maskSize.width || anchor.y >= maskSize.height)
      return ruxStatusBadAnchor;
  }
  const long long pixel = static_cast<long long>(C) * sizeof(T);
  long long srcNeed = (static_cast<long long>(roi.width) + maskSize.width - 1) * pixel;
  const long long dstNeed = static_cast<long long>(roi.width) * pixel;
  if (square && std::is_same_v<T, Rux64f>) srcNeed = static_cast<long long>(roi.width) * 8 + 16;
  if (srcStep < srcNeed || (!inPlaceForm && dstStep < dstNeed)) return ruxStatusStepTooSmall;
  rank::Element e{roi.width, roi.height, maskSize.width, maskSize.height, anchor.x, anchor.y, {}};
  if (square) {
    for (int q = 0; q < 3; ++q) e.runs.push_back({q, 0, 3});
  } else {
    e.runs = rank::runsOf(mask, maskSize);
  }
  const bool inPlace = inPlaceForm || (static_cast<const void*>(src) == static_cast<const void*>(dst) && srcStep == dstStep);
  const bool parallel = roi.width >= 64 && roi.height >= 64;
  if constexpr (std::is_same_v<T, Rux32f>) {
    if (!square)
      return rank::filterRuns<T, C, kAlpha>(src, srcStep, dst, dstStep, e, op, inPlace, parallel, [](T* row, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) row[i] = row[i] > FLT_MAX ? FLT_MAX : (row[i] < -FLT_MAX ? -FLT_MAX : row[i]);
      });
  }
  return rank::filterRuns<T, C, kAlpha>(src, srcStep, dst, dstStep, e, op, inPlace, parallel, [](T*, std::size_t) {});
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_MORPH3(name, op, type, T, lay, C, A)                                                           \
  RUXAPI RuxResult rux##name##3x3_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,       \
                                                    RuxImageSize roiSize) {                                 \
    return morphology<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, nullptr, {3, 3}, {1, 1}, rank::op,    \
                               false, true);                                                                      \
  }
#define RUX_MORPH3_IP(name, op, type, T, lay, C, A)                                                        \
  RUXAPI RuxResult rux##name##3x3_##type##_##lay##IR(T* pSrcDst, int srcDstStep, RuxImageSize roiSize) {    \
    return morphology<T, C, A>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, nullptr, {3, 3}, {1, 1},  \
                               rank::op, true, true);                                                             \
  }
#define RUX_MORPH(name, op, type, T, lay, C, A)                                                            \
  RUXAPI RuxResult rux##name##_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,          \
                                                 RuxImageSize roiSize, const Rux8u* pMask,                  \
                                                 RuxImageSize maskSize, RuxImagePoint anchor) {             \
    return morphology<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pMask, maskSize, anchor, rank::op,    \
                               false, false);                                                                      \
  }
#define RUX_MORPH_IP(name, op, type, T, lay, C, A)                                                         \
  RUXAPI RuxResult rux##name##_##type##_##lay##IR(T* pSrcDst, int srcDstStep, RuxImageSize roiSize,         \
                                                  const Rux8u* pMask, RuxImageSize maskSize,                \
                                                  RuxImagePoint anchor) {                                   \
    return morphology<T, C, A>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, pMask, maskSize, anchor,  \
                               rank::op, true, false);                                                             \
  }

#define RUX_MORPH_BOTH(M, type, T, lay, C, A) \
  M(iDilate, kMax, type, T, lay, C, A)        \
  M(iErode, kMin, type, T, lay, C, A)

#define RUX_MORPH_TYPE(type, T)                           \
  RUX_MORPH_BOTH(RUX_MORPH3, type, T, C1, 1, false)       \
  RUX_MORPH_BOTH(RUX_MORPH3, type, T, C3, 3, false)       \
  RUX_MORPH_BOTH(RUX_MORPH3, type, T, C4, 4, false)       \
  RUX_MORPH_BOTH(RUX_MORPH3, type, T, AC4, 4, true)       \
  RUX_MORPH_BOTH(RUX_MORPH3_IP, type, T, C1, 1, false)    \
  RUX_MORPH_BOTH(RUX_MORPH3_IP, type, T, C3, 3, false)    \
  RUX_MORPH_BOTH(RUX_MORPH3_IP, type, T, C4, 4, false)    \
  RUX_MORPH_BOTH(RUX_MORPH3_IP, type, T, AC4, 4, true)    \
  RUX_MORPH_BOTH(RUX_MORPH, type, T, C1, 1, false)        \
  RUX_MORPH_BOTH(RUX_MORPH, type, T, C3, 3, false)        \
  RUX_MORPH_BOTH(RUX_MORPH, type, T, C4, 4, false)        \
  RUX_MORPH_BOTH(RUX_MORPH, type, T, AC4, 4, true)        \
  RUX_MORPH_BOTH(RUX_MORPH_IP, type, T, C1, 1, false)     \
  RUX_MORPH_BOTH(RUX_MORPH_IP, type, T, C3, 3, false)     \
  RUX_MORPH_BOTH(RUX_MORPH_IP, type, T, AC4, 4, true)

RUX_MORPH_TYPE(8u, Rux8u)
RUX_MORPH_TYPE(16u, Rux16u)
RUX_MORPH_TYPE(32f, Rux32f)
RUX_MORPH_BOTH(RUX_MORPH3, 64f, Rux64f, C1, 1, false)
