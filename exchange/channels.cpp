// Channel moves: Dup (one channel into every channel) and SwapChannels (any channel order).
//
// Shape: both are the shared shuffle row kernel, cin -> cout channels with one selector per
// destination channel (a source channel, the fill value, or "keep the destination"). In-place
// forms pass the same row as source and destination; the kernel reads each block whole before
// writing it, so any order (also with repeated entries) works in place. Regions of 1 MiB touched
// and more run in row blocks on threads; destinations that do not stay in cache are written
// with cache-bypassing stores.
// Validation: null (-8), size (-6), then the step rule of each form (-14), then the order (-60).
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

enum class StepCheck { kNone, kAfterSize, kBeforeSize };

template <class T, int CIN, int COUT>
void shuffleRows(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                 const int* sel, const T* fill) {
  const ShuffleImageFn shuffle = moveKernels().shuffleImage[sizeClass<T>()][CIN][COUT];
  const long long touched = static_cast<long long>(roi.width) * (CIN + COUT) * sizeof(T);
  // Destinations that do not stay in cache bypass it; in place the rows were just read.
  const bool stream = static_cast<const void*>(src) != static_cast<const void*>(dst) &&
                      streamWrites(static_cast<long long>(roi.width) * COUT * sizeof(T) * roi.height);
  par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
    shuffle(rowPtr(src, srcStep, r.begin), srcStep, rowPtr(dst, dstStep, r.begin), dstStep, roi.width, r.size(), sel,
            fill, stream);
  });
}

template <class T, int CIN, int COUT>
RuxResult dup(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const int sel[4] = {0, 0, 0, 0};
  shuffleRows<T, CIN, COUT>(src, srcStep, dst, dstStep, roi, sel, nullptr);
  return ruxStatusOk;
}

// Shared checks of the swaps; maxEntry bounds each order entry, kAlphaKept adds "keep" for
// destination channel 3 (AC4R).
template <class T, int CIN, int COUT, int kEntries, StepCheck kStep, bool kAlphaKept>
RuxResult swapChannels(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                       const int* order, int maxEntry) {
  if (anyNull(src, dst, order)) return ruxStatusNullPointer;
  if (kStep == StepCheck::kBeforeSize && srcStep < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (kStep == StepCheck::kAfterSize && (srcStep < 1 || dstStep < 1)) return ruxStatusBadStep;
  int sel[4] = {kSelKeep, kSelKeep, kSelKeep, kSelKeep};
  for (int k = 0; k < kEntries; ++k) {
    if (order[k] < 0 || order[k] > maxEntry) return ruxStatusBadChannelOrder;
    sel[k] = order[k];
  }
  if (kAlphaKept) sel[3] = kSelKeep;
  shuffleRows<T, CIN, COUT>(src, srcStep, dst, dstStep, roi, sel, nullptr);
  return ruxStatusOk;
}

// C3C4R: entries 0..2 copy a source channel, 3 writes the fill value, above 3 keeps the
// destination channel; a negative entry is an error.
template <class T>
RuxResult swapC3C4(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                   const int* order, T fill) {
  if (anyNull(src, dst, order)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  int sel[4];
  for (int k = 0; k < 4; ++k) {
    if (order[k] < 0) return ruxStatusBadChannelOrder;
    sel[k] = order[k] < 3 ? order[k] : (order[k] == 3 ? kSelFill : kSelKeep);
  }
  shuffleRows<T, 3, 4>(src, srcStep, dst, dstStep, roi, sel, &fill);
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiDup_8u_C1C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                  RuxImageSize roiSize) {
  return dup<Rux8u, 1, 3>(pSrc, srcStep, pDst, dstStep, roiSize);
}
RUXAPI RuxResult ruxiDup_8u_C1C4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                  RuxImageSize roiSize) {
  return dup<Rux8u, 1, 4>(pSrc, srcStep, pDst, dstStep, roiSize);
}

#define RUX_SWAP(type, T)                                                                       \
  RUXAPI RuxResult ruxiSwapChannels_##type##_C3R(const T* pSrc, int srcStep, T* pDst,           \
                                                 int dstStep, RuxImageSize roiSize,             \
                                                 const int dstOrder[3]) {                       \
    return swapChannels<T, 3, 3, 3, StepCheck::kAfterSize, false>(pSrc, srcStep, pDst, dstStep, \
                                                                  roiSize, dstOrder, 2);        \
  }                                                                                             \
  RUXAPI RuxResult ruxiSwapChannels_##type##_AC4R(const T* pSrc, int srcStep, T* pDst,          \
                                                  int dstStep, RuxImageSize roiSize,            \
                                                  const int dstOrder[3]) {                      \
    return swapChannels<T, 4, 4, 3, StepCheck::kAfterSize, true>(pSrc, srcStep, pDst, dstStep,  \
                                                                 roiSize, dstOrder, 2);         \
  }                                                                                             \
  RUXAPI RuxResult ruxiSwapChannels_##type##_C4C3R(const T* pSrc, int srcStep, T* pDst,         \
                                                   int dstStep, RuxImageSize roiSize,           \
                                                   const int dstOrder[3]) {                     \
    return swapChannels<T, 4, 3, 3, StepCheck::kNone, false>(pSrc, srcStep, pDst, dstStep,      \
                                                             roiSize, dstOrder, 3);             \
  }                                                                                             \
  RUXAPI RuxResult ruxiSwapChannels_##type##_C3C4R(const T* pSrc, int srcStep, T* pDst,         \
                                                   int dstStep, RuxImageSize roiSize,           \
                                                   const int dstOrder[4], T val) {              \
    return swapC3C4<T>(pSrc, srcStep, pDst, dstStep, roiSize, dstOrder, val);                   \
  }

RUX_FOR_TYPES_5(RUX_SWAP)

RUXAPI RuxResult ruxiSwapChannels_8u_C3IR(Rux8u* pSrcDst, int srcDstStep, RuxImageSize roiSize,
                                          const int dstOrder[3]) {
  return swapChannels<Rux8u, 3, 3, 3, StepCheck::kAfterSize, false>(
      pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, dstOrder, 2);
}
RUXAPI RuxResult ruxiSwapChannels_8u_C4IR(Rux8u* pSrcDst, int srcDstStep, RuxImageSize roiSize,
                                          const int dstOrder[4]) {
  return swapChannels<Rux8u, 4, 4, 4, StepCheck::kBeforeSize, false>(
      pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, dstOrder, 3);
}
