// Set family: fill a region with one value per channel, plain, masked or one channel of interest.
//
// Shape: a value whose bytes are all equal (any 8u value, zero of every type) is a byte fill
// (memset), with rows merged when the step equals the row length; other values go through the
// pattern-filling vector kernel (AC4 keeps alpha). Masked forms use the masked fill kernel;
// channel-of-interest forms are strided scalar loops. Regions of 1 MiB touched and more run in
// row blocks on threads. Validation: null (-8), size (-6); no step
// check: any step is walked as given.
#include <cstring>

#include "primitives/unaligned.h"
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

template <class T>
bool allBytesEqual(const T* value, int channels) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(value);
  for (std::size_t i = 1; i < channels * sizeof(T); ++i) {
    if (b[i] != b[0]) return false;
  }
  return true;
}

template <class T, MoveLayout L, int C>
RuxResult setValues(const T* value, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(value, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const std::size_t rowBytes = static_cast<std::size_t>(roi.width) * C * sizeof(T);
  // AC4 reads and writes back every pixel: its rows touch twice their length.
  const long long touched = static_cast<long long>(rowBytes) * (L == kMoveAC4 ? 2 : 1);
  if (L != kMoveAC4 && allBytesEqual(value, C)) {
    const int byte = *reinterpret_cast<const std::uint8_t*>(value);
    const bool merged = static_cast<long long>(dstStep) == static_cast<long long>(rowBytes);
    par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
      if (merged) {
        std::memset(rowPtr(dst, dstStep, r.begin), byte,
                    rowBytes * static_cast<std::size_t>(r.size()));
        return;
      }
      for (int y = r.begin; y < r.end; ++y) std::memset(rowPtr(dst, dstStep, y), byte, rowBytes);
    });
    return ruxStatusOk;
  }
  const FillImageFn fill = moveKernels().fillImage[sizeClass<T>()][L];
  par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
    fill(value, rowPtr(dst, dstStep, r.begin), dstStep, roi.width, r.size());
  });
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult setMasked(const T* value, T* dst, int dstStep, RuxImageSize roi, const Rux8u* mask,
                    int maskStep) {
  if (anyNull(value, dst, mask)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const MaskedFillRowFn row = moveKernels().maskedFill[sizeClass<T>()][L];
  constexpr int C = L == kMoveC1 ? 1 : (L == kMoveC3 ? 3 : 4);
  const long long touched = static_cast<long long>(roi.width) * (2 * C * sizeof(T) + 1);
  par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(value, rowPtr(dst, dstStep, y), rowPtr(mask, maskStep, y),
          static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

template <class T, int C>
RuxResult setChannel(T value, T* dst, int dstStep, RuxImageSize roi) {
  if (dst == nullptr) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const long long touched = 2LL * roi.width * C * static_cast<long long>(sizeof(T));
  par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      const SamplePtr<T> d(rowPtr(dst, dstStep, y));
      for (int x = 0; x < roi.width; ++x) d[x * C] = value;
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_SET(type, T)                                                                           \
  RUXAPI RuxResult ruxiSet_##type##_C1R(T value, T* pDst, int dstStep, RuxImageSize roiSize) {     \
    return setValues<T, kMoveC1, 1>(&value, pDst, dstStep, roiSize);                               \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C3R(const T value[3], T* pDst, int dstStep,                    \
                                        RuxImageSize roiSize) {                                    \
    return setValues<T, kMoveC3, 3>(value, pDst, dstStep, roiSize);                                \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C4R(const T value[4], T* pDst, int dstStep,                    \
                                        RuxImageSize roiSize) {                                    \
    return setValues<T, kMoveC4, 4>(value, pDst, dstStep, roiSize);                                \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_AC4R(const T value[3], T* pDst, int dstStep,                   \
                                         RuxImageSize roiSize) {                                   \
    return setValues<T, kMoveAC4, 4>(value, pDst, dstStep, roiSize);                               \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C1MR(T value, T* pDst, int dstStep, RuxImageSize roiSize,      \
                                         const Rux8u* pMask, int maskStep) {                       \
    return setMasked<T, kMoveC1>(&value, pDst, dstStep, roiSize, pMask, maskStep);                 \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C3MR(const T value[3], T* pDst, int dstStep,                   \
                                         RuxImageSize roiSize, const Rux8u* pMask, int maskStep) { \
    return setMasked<T, kMoveC3>(value, pDst, dstStep, roiSize, pMask, maskStep);                  \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C4MR(const T value[4], T* pDst, int dstStep,                   \
                                         RuxImageSize roiSize, const Rux8u* pMask, int maskStep) { \
    return setMasked<T, kMoveC4>(value, pDst, dstStep, roiSize, pMask, maskStep);                  \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_AC4MR(const T value[3], T* pDst, int dstStep,                  \
                                          RuxImageSize roiSize, const Rux8u* pMask,                \
                                          int maskStep) {                                          \
    return setMasked<T, kMoveAC4>(value, pDst, dstStep, roiSize, pMask, maskStep);                 \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C3CR(T value, T* pDst, int dstStep, RuxImageSize roiSize) {    \
    return setChannel<T, 3>(value, pDst, dstStep, roiSize);                                        \
  }                                                                                                \
  RUXAPI RuxResult ruxiSet_##type##_C4CR(T value, T* pDst, int dstStep, RuxImageSize roiSize) {    \
    return setChannel<T, 4>(value, pDst, dstStep, roiSize);                                        \
  }

RUX_FOR_TYPES_5(RUX_SET)
