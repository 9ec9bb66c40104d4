// Copy family: plain, masked, channel-of-interest, C3<->AC4, interleaved<->planar; CopyManaged.
//
// Shape: copying moves bits, so every driver works on the sample size only.
//  - Plain layouts are a byte copy of width x channels x size per row; rows merge into one when
//    both steps equal the row length.
//  - AC4, C3AC4, AC4C3 and the planar forms go through the shared vector row kernels
//    (primitives/move_kernels), which keep the destination alpha where it is not an operand.
//  - Channel-of-interest forms are strided scalar loops: they touch only the chosen channel.
// Validation: null pointers (-8), then size (-6). Copy checks no step: any step is walked as given.
#include <cstring>

#include "primitives/unaligned.h"
#include "core/base.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

RuxResult copyBytes(const void* src, int srcStep, void* dst, int dstStep, RuxImageSize roi,
                    std::size_t rowBytes) {
  if (src == dst && srcStep == dstStep) return ruxStatusOk;
  if (static_cast<long long>(srcStep) == static_cast<long long>(rowBytes) && srcStep == dstStep) {
    std::memmove(dst, src, rowBytes * static_cast<std::size_t>(roi.height));
    return ruxStatusOk;
  }
  for (int y = 0; y < roi.height; ++y) {
    std::memmove(rowPtr(dst, dstStep, y), rowPtr(src, srcStep, y), rowBytes);
  }
  return ruxStatusOk;
}

template <class T, int C>
RuxResult copyPlain(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  return copyBytes(src, srcStep, dst, dstStep, roi,
                   static_cast<std::size_t>(roi.width) * C * sizeof(T));
}

// Copies through the shuffle kernel cin -> cout with the given channel selectors.
template <class T, int CIN, int COUT>
RuxResult copyShuffled(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                       const int (&sel)[COUT]) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const ShuffleRowFn row = moveKernels().shuffle[sizeClass<T>()][CIN][COUT];
  for (int y = 0; y < roi.height; ++y) {
    row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), static_cast<std::size_t>(roi.width),
        sel, nullptr);
  }
  return ruxStatusOk;
}

// AC4R: channels 0..2 copied, the destination's alpha kept.
template <class T>
RuxResult copyKeepAlpha(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const CopyKeepAlphaRowFn row = moveKernels().copyKeepAlpha[sizeClass<T>()];
  for (int y = 0; y < roi.height; ++y) {
    row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), static_cast<std::size_t>(roi.width));
  }
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult copyMasked(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                     const Rux8u* mask, int maskStep) {
  if (anyNull(src, dst, mask)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const MaskedCopyRowFn row = moveKernels().maskedCopy[sizeClass<T>()][L];
  for (int y = 0; y < roi.height; ++y) {
    row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), rowPtr(mask, maskStep, y),
        static_cast<std::size_t>(roi.width));
  }
  return ruxStatusOk;
}

// One channel of interest: source sample x * SIN goes to destination sample x * DOUT.
template <class T, int SIN, int DOUT>
RuxResult copyStrided(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  for (int y = 0; y < roi.height; ++y) {
    const ConstSamplePtr<Bits<T>> s(rowPtr(src, srcStep, y));
    const SamplePtr<Bits<T>> d(rowPtr(dst, dstStep, y));
    for (int x = 0; x < roi.width; ++x) d[x * DOUT] = s[x * SIN];
  }
  return ruxStatusOk;
}

template <class T, int C>
RuxResult copyToPlanes(const T* src, int srcStep, T* const* planes, int dstStep,
                       RuxImageSize roi) {
  if (anyNull(src, planes)) return ruxStatusNullPointer;
  for (int k = 0; k < C; ++k) {
    if (planes[k] == nullptr) return ruxStatusNullPointer;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  const SplitRowFn row = moveKernels().split[sizeClass<T>()][C];
  for (int y = 0; y < roi.height; ++y) {
    void* rows[C];
    for (int k = 0; k < C; ++k) rows[k] = rowPtr(planes[k], dstStep, y);
    row(rowPtr(src, srcStep, y), rows, static_cast<std::size_t>(roi.width));
  }
  return ruxStatusOk;
}

// Cache-bypassing stores for merges whose destination does not stay in cache: 8u three-channel
// merges above 1 MiB; the others when the bytes read and written reach the cache size.
bool streamMerge(std::size_t sampleBytes, int channels, long long dstBytes) {
  if (sampleBytes == 1 && channels == 3) return dstBytes > 1048576;
  if (2 * dstBytes <= 524288) return false;
  int cache = 0;
  return ruxGetMaxCacheSizeB(&cache) == ruxStatusOk && 2 * dstBytes >= cache;
}

template <class T, int C>
RuxResult copyFromPlanes(const T* const* planes, int srcStep, T* dst, int dstStep,
                         RuxImageSize roi) {
  if (anyNull(planes, dst)) return ruxStatusNullPointer;
  for (int k = 0; k < C; ++k) {
    if (planes[k] == nullptr) return ruxStatusNullPointer;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  const long long dstBytes = static_cast<long long>(roi.width) * C * sizeof(T) * roi.height;
  moveKernels().merge[sizeClass<T>()][C](reinterpret_cast<const void* const*>(planes), srcStep, dst,
                                         dstStep, roi.width, roi.height,
                                         streamMerge(sizeof(T), C, dstBytes));
  return ruxStatusOk;
}

constexpr int kSelRgbKeepAlpha[4] = {0, 1, 2, kSelKeep};
constexpr int kSelRgb[3] = {0, 1, 2};

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_COPY_ARGS(T) const T *pSrc, int srcStep, T *pDst, int dstStep, RuxImageSize roiSize
#define RUX_COPY(type, T)                                                                        \
  RUXAPI RuxResult ruxiCopy_##type##_C1R(RUX_COPY_ARGS(T)) {                                     \
    return copyPlain<T, 1>(pSrc, srcStep, pDst, dstStep, roiSize);                               \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C3R(RUX_COPY_ARGS(T)) {                                     \
    return copyPlain<T, 3>(pSrc, srcStep, pDst, dstStep, roiSize);                               \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C4R(RUX_COPY_ARGS(T)) {                                     \
    return copyPlain<T, 4>(pSrc, srcStep, pDst, dstStep, roiSize);                               \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_AC4R(RUX_COPY_ARGS(T)) {                                    \
    return copyKeepAlpha<T>(pSrc, srcStep, pDst, dstStep, roiSize);                              \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C3AC4R(RUX_COPY_ARGS(T)) {                                  \
    return copyShuffled<T, 3, 4>(pSrc, srcStep, pDst, dstStep, roiSize, kSelRgbKeepAlpha);       \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_AC4C3R(RUX_COPY_ARGS(T)) {                                  \
    return copyShuffled<T, 4, 3>(pSrc, srcStep, pDst, dstStep, roiSize, kSelRgb);                \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C1MR(RUX_COPY_ARGS(T), const Rux8u* pMask, int maskStep) {  \
    return copyMasked<T, kMoveC1>(pSrc, srcStep, pDst, dstStep, roiSize, pMask, maskStep);       \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C3MR(RUX_COPY_ARGS(T), const Rux8u* pMask, int maskStep) {  \
    return copyMasked<T, kMoveC3>(pSrc, srcStep, pDst, dstStep, roiSize, pMask, maskStep);       \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C4MR(RUX_COPY_ARGS(T), const Rux8u* pMask, int maskStep) {  \
    return copyMasked<T, kMoveC4>(pSrc, srcStep, pDst, dstStep, roiSize, pMask, maskStep);       \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_AC4MR(RUX_COPY_ARGS(T), const Rux8u* pMask, int maskStep) { \
    return copyMasked<T, kMoveAC4>(pSrc, srcStep, pDst, dstStep, roiSize, pMask, maskStep);      \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C3CR(RUX_COPY_ARGS(T)) {                                    \
    return copyStrided<T, 3, 3>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C4CR(RUX_COPY_ARGS(T)) {                                    \
    return copyStrided<T, 4, 4>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C3C1R(RUX_COPY_ARGS(T)) {                                   \
    return copyStrided<T, 3, 1>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C4C1R(RUX_COPY_ARGS(T)) {                                   \
    return copyStrided<T, 4, 1>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C1C3R(RUX_COPY_ARGS(T)) {                                   \
    return copyStrided<T, 1, 3>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C1C4R(RUX_COPY_ARGS(T)) {                                   \
    return copyStrided<T, 1, 4>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C3P3R(const T* pSrc, int srcStep, T* const pDst[3],         \
                                           int dstStep, RuxImageSize roiSize) {                  \
    return copyToPlanes<T, 3>(pSrc, srcStep, pDst, dstStep, roiSize);                            \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_C4P4R(const T* pSrc, int srcStep, T* const pDst[4],         \
                                           int dstStep, RuxImageSize roiSize) {                  \
    return copyToPlanes<T, 4>(pSrc, srcStep, pDst, dstStep, roiSize);                            \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_P3C3R(const T* const pSrc[3], int srcStep, T* pDst,         \
                                           int dstStep, RuxImageSize roiSize) {                  \
    return copyFromPlanes<T, 3>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }                                                                                              \
  RUXAPI RuxResult ruxiCopy_##type##_P4C4R(const T* const pSrc[4], int srcStep, T* pDst,         \
                                           int dstStep, RuxImageSize roiSize) {                  \
    return copyFromPlanes<T, 4>(pSrc, srcStep, pDst, dstStep, roiSize);                          \
  }

RUX_FOR_TYPES_5(RUX_COPY)

// Any flags: bit 0 would ask for cache-bypassing stores, which change only speed; the byte copy
// already streams large blocks.
RUXAPI RuxResult ruxiCopyManaged_8u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                        RuxImageSize roiSize, int flags) {
  (void)flags;
  return copyPlain<Rux8u, 1>(pSrc, srcStep, pDst, dstStep, roiSize);
}
