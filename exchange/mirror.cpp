// Mirror family: flip about the horizontal axis (0: row order), the vertical axis (1: pixel
// order in each row) or both (2), R and in place; AC4 keeps the destination alpha.
//
// Shape: axis 0 moves whole rows (a byte copy, or the alpha-keeping shuffle kernel for AC4);
// axes 1 and 2 go through the row-reversal kernels of primitives/rearrange_kernels. In place,
// rows y and H-1-y are exchanged (reversed on the way for axis 2) and the middle row of an odd
// height is reversed onto itself. A not-in-place call whose source and destination pointer and
// step are equal is done in place. Regions of 1 MiB touched and more run in row blocks on
// threads (in place: blocks of row pairs).
// Validation: null pointers (-8), size (-6), axis not 0..2 (-21), then a region too thin to
// flip on the chosen axis (-6). Steps are not checked.
#include <algorithm>
#include <cstring>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/rearrange_kernels.h"

namespace rux {
namespace {

RuxResult checkMirror(RuxImageSize roi, int axis) {
  if (badSize(roi)) return ruxStatusBadSize;
  if (axis < 0 || axis > 2) return ruxStatusBadAxis;
  if (axis != 1 && roi.height < 2) return ruxStatusBadSize;
  if (axis != 0 && roi.width < 2) return ruxStatusBadSize;
  return ruxStatusOk;
}

constexpr int kSelKeepAlpha[4] = {0, 1, 2, kSelKeep};

// Exchanges two whole rows of n pixels through a stack block; AC4 exchanges channels 0..2.
template <class T, int C, bool kAc4>
void swapRows(T* a, T* b, std::size_t n, ShuffleRowFn shuffle) {
  constexpr std::size_t kPixel = C * sizeof(T);
  constexpr std::size_t kChunk = 4096 / kPixel;
  alignas(64) unsigned char tmp[kChunk * kPixel];
  auto* pa = reinterpret_cast<unsigned char*>(a);
  auto* pb = reinterpret_cast<unsigned char*>(b);
  for (std::size_t x = 0; x < n; x += kChunk) {
    const std::size_t m = std::min(kChunk, n - x);
    unsigned char* ra = pa + x * kPixel;
    unsigned char* rb = pb + x * kPixel;
    std::memcpy(tmp, ra, m * kPixel);
    if constexpr (kAc4) {
      shuffle(rb, ra, m, kSelKeepAlpha, nullptr);
      shuffle(tmp, rb, m, kSelKeepAlpha, nullptr);
    } else {
      std::memcpy(ra, rb, m * kPixel);
      std::memcpy(rb, tmp, m * kPixel);
    }
  }
}

template <class T, int C, MoveLayout L>
RuxResult mirrorInPlace(T* p, int step, RuxImageSize roi, int axis) {
  if (p == nullptr) return ruxStatusNullPointer;
  if (const RuxResult r = checkMirror(roi, axis); r != ruxStatusOk) return r;
  const std::size_t n = static_cast<std::size_t>(roi.width);
  const int h = roi.height;
  const long long rowBytes = static_cast<long long>(n) * C * static_cast<long long>(sizeof(T));
  if (axis == 0) {
    const ShuffleRowFn shuffle = moveKernels().shuffle[sizeClass<T>()][4][4];
    par::forEachRowBlockBySize(h / 2, 4 * rowBytes, [&](par::RowRange r) {
      for (int y = r.begin; y < r.end; ++y) {
        swapRows<T, C, L == kMoveAC4>(rowPtr(p, step, y), rowPtr(p, step, h - 1 - y), n, shuffle);
      }
    });
    return ruxStatusOk;
  }
  const SwapReverseRowFn swapReverse = rearrangeKernels().swapReverse[sizeClass<T>()][L];
  if (axis == 1) {
    par::forEachRowBlockBySize(h, 2 * rowBytes, [&](par::RowRange r) {
      for (int y = r.begin; y < r.end; ++y) swapReverse(rowPtr(p, step, y), rowPtr(p, step, y), n);
    });
    return ruxStatusOk;
  }
  // Pair y works on rows y and h - 1 - y; pairs are disjoint, the middle row pairs with itself.
  par::forEachRowBlockBySize((h + 1) / 2, 4 * rowBytes, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      swapReverse(rowPtr(p, step, y), rowPtr(p, step, h - 1 - y), n);
    }
  });
  return ruxStatusOk;
}

template <class T, int C, MoveLayout L>
RuxResult mirror(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, int axis) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (const RuxResult r = checkMirror(roi, axis); r != ruxStatusOk) return r;
  if (src == dst && srcStep == dstStep) return mirrorInPlace<T, C, L>(dst, dstStep, roi, axis);
  const std::size_t n = static_cast<std::size_t>(roi.width);
  const int h = roi.height;
  const long long touched =
      static_cast<long long>(n) * C * static_cast<long long>(sizeof(T)) * (L == kMoveAC4 ? 3 : 2);
  if (axis == 0) {
    const ShuffleRowFn shuffle = moveKernels().shuffle[sizeClass<T>()][4][4];
    par::forEachRowBlockBySize(h, touched, [&](par::RowRange r) {
      for (int y = r.begin; y < r.end; ++y) {
        if constexpr (L == kMoveAC4) {
          shuffle(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, h - 1 - y), n, kSelKeepAlpha,
                  nullptr);
        } else {
          std::memcpy(rowPtr(dst, dstStep, h - 1 - y), rowPtr(src, srcStep, y),
                      n * C * sizeof(T));
        }
      }
    });
    return ruxStatusOk;
  }
  const ReverseRowFn reverse = rearrangeKernels().reverse[sizeClass<T>()][L];
  par::forEachRowBlockBySize(h, touched, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      reverse(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, axis == 1 ? y : h - 1 - y), n);
    }
  });
  return ruxStatusOk;
}

// Samples travel as bits, so types of one size share their instantiations.
template <class T>
Bits<T>* asBits(T* p) {
  return reinterpret_cast<Bits<T>*>(p);
}
template <class T>
const Bits<T>* asBits(const T* p) {
  return reinterpret_cast<const Bits<T>*>(p);
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_MIRROR_LAYOUT(type, T, N, C, L)                                                      \
  RUXAPI RuxResult ruxiMirror_##type##_##N##R(const T* pSrc, int srcStep, T* pDst, int dstStep,  \
                                              RuxImageSize roiSize, int axis) {                  \
    return mirror<Bits<T>, C, L>(asBits(pSrc), srcStep, asBits(pDst), dstStep, roiSize, axis);   \
  }                                                                                              \
  RUXAPI RuxResult ruxiMirror_##type##_##N##IR(T* pSrcDst, int srcDstStep, RuxImageSize roiSize, \
                                               int axis) {                                       \
    return mirrorInPlace<Bits<T>, C, L>(asBits(pSrcDst), srcDstStep, roiSize, axis);             \
  }
#define RUX_MIRROR(type, T)                  \
  RUX_MIRROR_LAYOUT(type, T, C1, 1, kMoveC1) \
  RUX_MIRROR_LAYOUT(type, T, C3, 3, kMoveC3) \
  RUX_MIRROR_LAYOUT(type, T, C4, 4, kMoveC4) \
  RUX_MIRROR_LAYOUT(type, T, AC4, 4, kMoveAC4)

RUX_FOR_TYPES_5(RUX_MIRROR)
