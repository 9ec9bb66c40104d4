// Copy family: plain, masked, channel-of-interest, C3<->AC4, interleaved<->planar; CopyManaged.
//
// Shape: copying moves bits, so every driver works on the sample size only.
//  - Plain layouts are a byte copy of width x channels x size per row; rows merge into one when
//    both steps equal the row length.
//  - AC4, C3AC4, AC4C3 and the planar forms go through the shared vector row kernels
//    (primitives/move_kernels), which keep the destination alpha where it is not an operand.
//  - Channel-of-interest forms are strided scalar loops: they touch only the chosen channel.
// Regions of 1 MiB touched and more run in row blocks on threads (plain copies only when the two
// images do not overlap).
// Validation: null pointers (-8), then size (-6). Copy checks no step: any step is walked as given.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "primitives/unaligned.h"
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

// First and one-past-last byte that rows [0, rows) of rowBytes each, step bytes apart, cover.
std::pair<std::uintptr_t, std::uintptr_t> span(const void* base, int step, int rows,
                                               std::size_t rowBytes) {
  const auto first = reinterpret_cast<std::uintptr_t>(base);
  const auto last = reinterpret_cast<std::uintptr_t>(rowPtr(base, step, rows - 1));
  return {std::min(first, last), std::max(first, last) + rowBytes};
}

// Row blocks may run on threads only when no thread can overwrite what another still reads.
bool disjoint(const void* src, int srcStep, const void* dst, int dstStep, int rows,
              std::size_t rowBytes) {
  const auto s = span(src, srcStep, rows, rowBytes);
  const auto d = span(dst, dstStep, rows, rowBytes);
  return s.second <= d.first || d.second <= s.first;
}

RuxResult copyBytes(const void* src, int srcStep, void* dst, int dstStep, RuxImageSize roi,
                    std::size_t rowBytes) {
  if (src == dst && srcStep == dstStep) return ruxStatusOk;
  const bool merged =
      static_cast<long long>(srcStep) == static_cast<long long>(rowBytes) && srcStep == dstStep;
  const auto rows = [&](par::RowRange r, auto&& copy) {
    if (merged) {
      copy(rowPtr(dst, dstStep, r.begin), rowPtr(src, srcStep, r.begin), rowBytes * static_cast<std::size_t>(r.size()));
      return;
    }
    for (int y = r.begin; y < r.end; ++y) copy(rowPtr(dst, dstStep, y), rowPtr(src, srcStep, y), rowBytes);
  };
  const auto move = [](void* to, const void* from, std::size_t n) { std::memmove(to, from, n); };
  if (!disjoint(src, srcStep, dst, dstStep, roi.height, rowBytes)) {
    rows({0, roi.height}, move);  // overlapping images: one memmove order
    return ruxStatusOk;
  }
  const bool stream = streamWrites(static_cast<long long>(rowBytes) * roi.height);
  const StreamCopyFn streamCopy = moveKernels().streamCopy;
  par::forEachRowBlockBySize(roi.height, 2 * static_cast<long long>(rowBytes), [&](par::RowRange r) {
    if (stream) {
      rows(r, [streamCopy](void* to, const void* from, std::size_t n) { streamCopy(from, to, n); });
    } else {
      rows(r, move);
    }
  });
  return ruxStatusOk;
}

// Bytes a row of W pixels of C samples touches in nImages images.
template <class T>
long long rowBytesOf(int width, int channels, int images) {
  return static_cast<long long>(width) * channels * static_cast<long long>(sizeof(T)) * images;
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
  const long long bytes = rowBytesOf<T>(roi.width, CIN + COUT, 1);
  par::forEachRowBlockBySize(roi.height, bytes, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), static_cast<std::size_t>(roi.width),
          sel, nullptr);
    }
  });
  return ruxStatusOk;
}

// AC4R: channels 0..2 copied, the destination's alpha kept.
template <class T>
RuxResult copyKeepAlpha(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const CopyKeepAlphaRowFn row = moveKernels().copyKeepAlpha[sizeClass<T>()];
  par::forEachRowBlockBySize(roi.height, rowBytesOf<T>(roi.width, 4, 2), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult copyMasked(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                     const Rux8u* mask, int maskStep) {
  if (anyNull(src, dst, mask)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const MaskedCopyRowFn row = moveKernels().maskedCopy[sizeClass<T>()][L];
  constexpr int C = L == kMoveC1 ? 1 : (L == kMoveC3 ? 3 : 4);
  const long long bytes = rowBytesOf<T>(roi.width, C, 2) + roi.width;
  par::forEachRowBlockBySize(roi.height, bytes, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), rowPtr(mask, maskStep, y),
          static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

// One channel of interest: source sample x * SIN goes to destination sample x * DOUT.
template <class T, int SIN, int DOUT>
RuxResult copyStrided(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  par::forEachRowBlockBySize(roi.height, rowBytesOf<T>(roi.width, SIN + DOUT, 1),
                             [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      const ConstSamplePtr<Bits<T>> s(rowPtr(src, srcStep, y));
      const SamplePtr<Bits<T>> d(rowPtr(dst, dstStep, y));
      for (int x = 0; x < roi.width; ++x) d[x * DOUT] = s[x * SIN];
    }
  });
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
  const long long dstBytes = static_cast<long long>(roi.width) * C * sizeof(T) * roi.height;
  const bool stream = streamWrites(dstBytes);
  const auto split = moveKernels().split[sizeClass<T>()][C];
  par::forEachRowBlockBySize(roi.height, rowBytesOf<T>(roi.width, C, 2), [&](par::RowRange r) {
    void* rows[C];
    for (int k = 0; k < C; ++k) rows[k] = rowPtr(planes[k], dstStep, r.begin);
    split(rowPtr(src, srcStep, r.begin), srcStep, rows, dstStep, roi.width, r.size(), stream);
  });
  return ruxStatusOk;
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
  const bool stream = streamWrites(dstBytes);
  const auto merge = moveKernels().merge[sizeClass<T>()][C];
  par::forEachRowBlockBySize(roi.height, rowBytesOf<T>(roi.width, C, 2), [&](par::RowRange r) {
    const void* rows[C];
    for (int k = 0; k < C; ++k) rows[k] = rowPtr(planes[k], srcStep, r.begin);
    merge(rows, srcStep, rowPtr(dst, dstStep, r.begin), dstStep, roi.width, r.size(), stream);
  });
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
