// Logical and shift operations: And, Or, Xor of two images or with a constant, Not, LShiftC and
// RShiftC on 8u, 8s, 16u, 16s and 32s samples.
//
// Shape: the result is an exact bit operation, so the drivers only pick a row kernel
// (primitives/logic_kernels) and walk the rows. C3 and C4 two-image forms are C1 over
// width x channels; constant forms run a repeating pattern of the per-channel constants; AC4
// keeps the destination alpha. Not is Xor with all ones. Regions of 1 MiB touched and more run
// in row blocks on threads (a shift by 0 that copies overlapping images stays on one thread).
// Shift counts: a count of 0 copies the source; a count at or beyond the sample width gives 0
// (left shifts and unsigned right shifts) or the sign fill, 0 or -1 (signed right shifts), so no
// shift is ever undefined. Equal counts on C3/C4 run the single-count kernel over the whole row;
// otherwise channel c is shifted by its own count.
// Validation: null pointers (images and constant or count arrays, -8), steps < 1 (-14), then the
// region size (-6): steps are checked before the size.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/logic_kernels.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

template <MoveLayout L>
constexpr int channelsOf() {
  return L == kMoveC1 ? 1 : (L == kMoveC3 ? 3 : 4);
}

// Bytes a row of the region touches in the given number of images.
template <class T, MoveLayout L>
long long rowBytes(RuxImageSize roi, int images) {
  return static_cast<long long>(roi.width) * channelsOf<L>() * static_cast<long long>(sizeof(T)) *
         images;
}

template <class... S>
bool badStep(S... step) {
  return ((step < 1) || ...);
}

template <class T, MoveLayout L>
RuxResult bitBinary(BitOp op, const T* a, int aStep, const T* b, int bStep, T* dst, int dstStep,
                    RuxImageSize roi) {
  if (anyNull(a, b, dst)) return ruxStatusNullPointer;
  if (badStep(aStep, bStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  constexpr bool kAlpha = L == kMoveAC4;
  const BitRowFn row = logicKernels().binary[sizeClass<T>()][op][kAlpha];
  const std::size_t n = static_cast<std::size_t>(roi.width) * (kAlpha ? 1 : channelsOf<L>());
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 3), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(a, aStep, y), rowPtr(b, bStep, y), rowPtr(dst, dstStep, y), n);
    }
  });
  return ruxStatusOk;
}

template <class T, MoveLayout L>
RuxResult bitConst(BitOp op, const T* src, int srcStep, const T* value, T* dst, int dstStep,
                   RuxImageSize roi) {
  if (anyNull(value, src, dst)) return ruxStatusNullPointer;
  if (badStep(srcStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  const BitConstRowFn row = logicKernels().constant[sizeClass<T>()][op][L];
  constexpr int kValues = L == kMoveC1 ? 1 : (L == kMoveC4 ? 4 : 3);
  T pattern[4] = {0, 0, 0, 0};
  for (int c = 0; c < kValues; ++c) pattern[c] = value[c];
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 2), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(src, srcStep, y), pattern, rowPtr(dst, dstStep, y),
          static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

template <MoveLayout L>
RuxResult notBits(const Rux8u* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi) {
  static constexpr Rux8u kOnes[4] = {0xff, 0xff, 0xff, 0xff};
  return bitConst<Rux8u, L>(kBitXor, src, srcStep, kOnes, dst, dstStep, roi);
}

template <class T>
constexpr ShiftType shiftType() {
  if constexpr (std::is_same_v<T, Rux8u>) return kShift8u;
  if constexpr (std::is_same_v<T, Rux8s>) return kShift8s;
  if constexpr (std::is_same_v<T, Rux16u>) return kShift16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kShift16s;
  return kShift32s;
}

template <class T, MoveLayout L>
RuxResult shiftConst(ShiftDir dir, const T* src, int srcStep, const Rux32u* count, T* dst,
                     int dstStep, RuxImageSize roi) {
  if (anyNull(count, src, dst)) return ruxStatusNullPointer;
  if (badStep(srcStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  constexpr int C = channelsOf<L>();
  constexpr int kCounts = L == kMoveC1 ? 1 : (L == kMoveC4 ? 4 : 3);
  constexpr Rux32u kBits = 8 * sizeof(T);
  // Counts past the width behave as the width itself (all bits out) or, for signed right
  // shifts, as width - 1 (sign fill): the same results without undefined shifts.
  const Rux32u limit = (dir == kShiftRight && std::is_signed_v<T>) ? kBits - 1 : kBits;
  int k[4] = {0, 0, 0, 0};
  bool equal = true;
  for (int c = 0; c < kCounts; ++c) {
    k[c] = static_cast<int>(std::min(count[c], limit));
    equal = equal && k[c] == k[0];
  }
  const std::size_t width = static_cast<std::size_t>(roi.width);
  const std::size_t rowBytes = width * C * sizeof(T);
  const MoveKernels& move = moveKernels();
  if (equal && k[0] == 0) {  // plain copy
    if (src == dst && srcStep == dstStep) return ruxStatusOk;
    for (int y = 0; y < roi.height; ++y) {
      if (L == kMoveAC4) {
        move.copyKeepAlpha[sizeClass<T>()](rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), width);
      } else {
        std::memmove(rowPtr(dst, dstStep, y), rowPtr(src, srcStep, y), rowBytes);
      }
    }
    return ruxStatusOk;
  }
  if (equal && static_cast<Rux32u>(k[0]) == kBits) {  // every bit shifted out
    static constexpr T kZero[4] = {0, 0, 0, 0};
    par::forEachRowBlockBySize(roi.height, rowBytes, [&](par::RowRange r) {
      for (int y = r.begin; y < r.end; ++y) {
        if (L == kMoveAC4) {
          move.fill[sizeClass<T>()][kMoveAC4](kZero, rowPtr(dst, dstStep, y), width);
        } else {
          std::memset(rowPtr(dst, dstStep, y), 0, rowBytes);
        }
      }
    });
    return ruxStatusOk;
  }
  const auto& table = logicKernels().shift[shiftType<T>()][dir];
  const bool flat = equal && L != kMoveAC4;
  const ShiftRowFn row = table[flat ? kMoveC1 : L];
  const std::size_t n = flat ? width * C : width;
  par::forEachRowBlockBySize(roi.height, 2 * static_cast<long long>(rowBytes), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), n, k);
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

// ---- And, Or, Xor and their constant forms: 8u, 16u, 32s -------------------------------------
#define RUX_BIT_LAYOUT(name, OP, type, T, L, lay, CT)                                              \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##R(const T* pSrc1, int src1Step, const T* pSrc2,  \
                                                    int src2Step, T* pDst, int dstStep,            \
                                                    RuxImageSize roiSize) {                        \
    return bitBinary<T, L>(OP, pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);          \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##IR(const T* pSrc, int srcStep, T* pSrcDst,       \
                                                     int srcDstStep, RuxImageSize roiSize) {       \
    return bitBinary<T, L>(OP, pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);  \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##C_##type##_##lay##R(const T* pSrc, int srcStep, CT value,         \
                                                     T* pDst, int dstStep, RuxImageSize roiSize) { \
    return bitConst<T, L>(OP, pSrc, srcStep, RUX_VALUE_PTR_##lay(value), pDst, dstStep, roiSize);  \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##C_##type##_##lay##IR(CT value, T* pSrcDst, int srcDstStep,        \
                                                      RuxImageSize roiSize) {                      \
    return bitConst<T, L>(OP, pSrcDst, srcDstStep, RUX_VALUE_PTR_##lay(value), pSrcDst,            \
                          srcDstStep, roiSize);                                                    \
  }

// A C1 constant is passed by value; the others are arrays.
#define RUX_VALUE_PTR_C1(v) (&(v))
#define RUX_VALUE_PTR_C3(v) (v)
#define RUX_VALUE_PTR_C4(v) (v)
#define RUX_VALUE_PTR_AC4(v) (v)

#define RUX_BIT(name, OP, type, T)                                           \
  RUX_BIT_LAYOUT(name, OP, type, T, kMoveC1, C1, T)                          \
  RUX_BIT_LAYOUT(name, OP, type, T, kMoveC3, C3, const T*)                   \
  RUX_BIT_LAYOUT(name, OP, type, T, kMoveC4, C4, const T*)                   \
  RUX_BIT_LAYOUT(name, OP, type, T, kMoveAC4, AC4, const T*)

#define RUX_BIT_TYPES(name, OP)        \
  RUX_BIT(name, OP, 8u, Rux8u)         \
  RUX_BIT(name, OP, 16u, Rux16u)       \
  RUX_BIT(name, OP, 32s, Rux32s)

RUX_BIT_TYPES(And, kBitAnd)
RUX_BIT_TYPES(Or, kBitOr)
RUX_BIT_TYPES(Xor, kBitXor)

// ---- Not: 8u ----------------------------------------------------------------------------------
#define RUX_NOT(L, lay)                                                                            \
  RUXAPI RuxResult ruxiNot_8u_##lay##R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,   \
                                       RuxImageSize roiSize) {                                     \
    return notBits<L>(pSrc, srcStep, pDst, dstStep, roiSize);                                      \
  }                                                                                                \
  RUXAPI RuxResult ruxiNot_8u_##lay##IR(Rux8u* pSrcDst, int srcDstStep, RuxImageSize roiSize) {    \
    return notBits<L>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);                          \
  }
RUX_NOT(kMoveC1, C1)
RUX_NOT(kMoveC3, C3)
RUX_NOT(kMoveC4, C4)
RUX_NOT(kMoveAC4, AC4)

// ---- LShiftC and RShiftC ------------------------------------------------------------------------
#define RUX_SHIFT_LAYOUT(name, DIR, type, T, L, lay, CT)                                           \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##R(const T* pSrc, int srcStep, CT value, T* pDst,   \
                                                  int dstStep, RuxImageSize roiSize) {             \
    return shiftConst<T, L>(DIR, pSrc, srcStep, RUX_VALUE_PTR_##lay(value), pDst, dstStep,         \
                            roiSize);                                                              \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##IR(CT value, T* pSrcDst, int srcDstStep,           \
                                                   RuxImageSize roiSize) {                         \
    return shiftConst<T, L>(DIR, pSrcDst, srcDstStep, RUX_VALUE_PTR_##lay(value), pSrcDst,         \
                            srcDstStep, roiSize);                                                  \
  }

#define RUX_SHIFT(name, DIR, type, T)                                       \
  RUX_SHIFT_LAYOUT(name, DIR, type, T, kMoveC1, C1, Rux32u)                 \
  RUX_SHIFT_LAYOUT(name, DIR, type, T, kMoveC3, C3, const Rux32u*)          \
  RUX_SHIFT_LAYOUT(name, DIR, type, T, kMoveC4, C4, const Rux32u*)          \
  RUX_SHIFT_LAYOUT(name, DIR, type, T, kMoveAC4, AC4, const Rux32u*)

RUX_SHIFT(LShiftC, kShiftLeft, 8u, Rux8u)
RUX_SHIFT(LShiftC, kShiftLeft, 16u, Rux16u)
RUX_SHIFT(LShiftC, kShiftLeft, 32s, Rux32s)
RUX_SHIFT(RShiftC, kShiftRight, 8u, Rux8u)
RUX_SHIFT(RShiftC, kShiftRight, 8s, Rux8s)
RUX_SHIFT(RShiftC, kShiftRight, 16u, Rux16u)
RUX_SHIFT(RShiftC, kShiftRight, 16s, Rux16s)
RUX_SHIFT(RShiftC, kShiftRight, 32s, Rux32s)
