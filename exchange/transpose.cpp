// Transpose family: destination pixel (y, x) receives source pixel (x, y), R and in place.
//
// Shape: the work is the tiled kernel of primitives/rearrange_kernels, chosen per sample size
// and channel count (pixels of 1, 2, 4 and 8 bytes move in register-transposed blocks). In place
// needs a square region; a not-in-place call whose source and destination pointer and step are
// equal is done in place (and so needs a square region too). Regions of 1 MiB touched and more
// run in blocks of destination rows on threads; in place stays on the calling thread.
// Validation: null pointers (-8), size (-6), non-square in place (-6). Steps are not checked.
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/rearrange_kernels.h"

namespace rux {
namespace {

template <class T, TransposeLayout L>
RuxResult transposeInPlace(T* p, int step, RuxImageSize roi) {
  if (p == nullptr) return ruxStatusNullPointer;
  if (badSize(roi) || roi.width != roi.height) return ruxStatusBadSize;
  rearrangeKernels().transposeInPlace[sizeClass<T>()][L](p, step,
                                                         static_cast<std::size_t>(roi.width));
  return ruxStatusOk;
}

template <class T, TransposeLayout L>
RuxResult transpose(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (src == dst && srcStep == dstStep) return transposeInPlace<T, L>(dst, dstStep, roi);
  // Destination rows are source columns: each thread writes its own block of destination rows.
  const auto kernel = rearrangeKernels().transpose[sizeClass<T>()][L];
  constexpr long long kPixel = (L == kTransposeC1 ? 1 : (L == kTransposeC3 ? 3 : 4)) * sizeof(T);
  par::forEachRowBlockBySize(roi.width, 2 * kPixel * roi.height, [&](par::RowRange r) {
    kernel(reinterpret_cast<const unsigned char*>(src) + kPixel * r.begin, srcStep,
           rowPtr(dst, dstStep, r.begin), dstStep, static_cast<std::size_t>(r.size()),
           static_cast<std::size_t>(roi.height));
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_TRANSPOSE_LAYOUT(type, T, C)                                                           \
  RUXAPI RuxResult ruxiTranspose_##type##_##C##R(const T* pSrc, int srcStep, T* pDst, int dstStep, \
                                                 RuxImageSize roiSize) {                           \
    return transpose<T, kTranspose##C>(pSrc, srcStep, pDst, dstStep, roiSize);                     \
  }                                                                                                \
  RUXAPI RuxResult ruxiTranspose_##type##_##C##IR(T* pSrcDst, int srcDstStep,                      \
                                                  RuxImageSize roiSize) {                          \
    return transposeInPlace<T, kTranspose##C>(pSrcDst, srcDstStep, roiSize);                       \
  }
#define RUX_TRANSPOSE(type, T)      \
  RUX_TRANSPOSE_LAYOUT(type, T, C1) \
  RUX_TRANSPOSE_LAYOUT(type, T, C3) \
  RUX_TRANSPOSE_LAYOUT(type, T, C4)

RUX_FOR_TYPES_5(RUX_TRANSPOSE)
