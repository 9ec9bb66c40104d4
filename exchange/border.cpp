// Border extension: CopyConstBorder, CopyReplicateBorder, CopyWrapBorder (R and in place).
//
// Shape: the source region sits at (L, T) inside the destination region. Each of the H source
// rows is laid into its destination row (copied, or already there in place) and extended to
// the left and right; the T rows above and the rows below are then whole copies of extended
// rows (Replicate: the first or last, Wrap: the periodic one) or constant fills. Everything
// works on bits per sample size; AC4 moves go through the shared shuffle and fill kernels,
// which keep the destination alpha. Short fills run as plain loops: a border of a few pixels
// costs less than a kernel call.
// Validation: null pointers (-8), steps < 1 (-14), sizes (-6), then the value array of the
// multi-channel constant forms (-8). ReplicateBorder R with the source pointer equal to the
// destination pointer is the in-place form on the destination step.
#include <algorithm>
#include <cstring>

#include "core/base.h"
#include "primitives/move_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

struct Geometry {
  int w, h;    // source region
  int dw, dh;  // destination region
  int top, left;
};

RuxResult checkGeometry(RuxImageSize src, RuxImageSize dst, int top, int left) {
  if (badSize(src) || badSize(dst) || top < 0 || left < 0) return ruxStatusBadSize;
  // In 64 bits: a border near INT_MAX must not wrap around and pass.
  if (static_cast<long long>(dst.width) < static_cast<long long>(src.width) + left ||
      static_cast<long long>(dst.height) < static_cast<long long>(src.height) + top) {
    return ruxStatusBadSize;
  }
  return ruxStatusOk;
}

// Row mover of one pixel layout: C channels of T, alpha kept for AC4.
template <class T, int C, bool kAc4>
class Rows {
 public:
  using U = Bits<T>;
  static constexpr std::size_t kPixel = C * sizeof(T);
  static constexpr int kWritten = kAc4 ? 3 : C;

  Rows() {
    const MoveKernels& k = moveKernels();
    shuffle_ = k.shuffle[sizeClass<T>()][4][4];
    fill_ =
        k.fill[sizeClass<T>()][kAc4 ? kMoveAC4 : (C == 1 ? kMoveC1 : (C == 3 ? kMoveC3 : kMoveC4))];
  }

  static U* at(void* row, int x) {
    return static_cast<U*>(row) + static_cast<std::ptrdiff_t>(x) * C;
  }
  static const U* at(const void* row, int x) {
    return static_cast<const U*>(row) + static_cast<std::ptrdiff_t>(x) * C;
  }

  // n whole pixels from s to d (rows do not overlap).
  void copy(const void* s, void* d, int n) const {
    if (n <= 0) return;
    if constexpr (kAc4) {
      static constexpr int kSel[4] = {0, 1, 2, kSelKeep};
      shuffle_(s, d, static_cast<std::size_t>(n), kSel, nullptr);
    } else {
      std::memcpy(d, s, static_cast<std::size_t>(n) * kPixel);
    }
  }

  // n pixels of d set to the pixel value v (v may lie in the same row, outside the n pixels).
  void fill(const U* v, void* d, int n) const {
    if (n <= 0) return;
    if constexpr (C == 1 && sizeof(T) == 1) {
      std::memset(d, v[0], static_cast<std::size_t>(n));
    } else if (n <= kShortRun) {
      U value[C] = {};
      for (int k = 0; k < kWritten; ++k) value[k] = loadAt(v + k);
      U* p = static_cast<U*>(d);
      for (int x = 0; x < n; ++x, p += C) {
        for (int k = 0; k < kWritten; ++k) storeAt(p + k, value[k]);
      }
    } else {
      U value[C] = {};
      for (int k = 0; k < kWritten; ++k) value[k] = loadAt(v + k);
      fill_(value, d, static_cast<std::size_t>(n));
    }
  }

 private:
  static constexpr int kShortRun = 32;
  ShuffleRowFn shuffle_;
  FillRowFn fill_;
};

template <class T, int C, bool kAc4>
void constBorder(const T* src, int srcStep, T* dst, int dstStep, const Geometry& g,
                 const T* value) {
  using R = Rows<T, C, kAc4>;
  const R rows;
  const auto* v = reinterpret_cast<const typename R::U*>(value);
  const int right = g.dw - g.w - g.left;
  for (int y = 0; y < g.dh; ++y) {
    T* d = rowPtr(dst, dstStep, y);
    const int sy = y - g.top;
    if (sy < 0 || sy >= g.h) {
      rows.fill(v, d, g.dw);
      continue;
    }
    rows.fill(v, d, g.left);
    rows.copy(rowPtr(src, srcStep, sy), R::at(d, g.left), g.w);
    rows.fill(v, R::at(d, g.left + g.w), right);
  }
}

// Rows above and below the extended source rows: copies of the extended row that source
// row rowOf(v) landed in, v being the source row index (negative above).
template <class T, int C, bool kAc4, class RowOf>
void fillOuterRows(T* img, int step, const Geometry& g, RowOf rowOf) {
  const Rows<T, C, kAc4> rows;
  for (int y = 0; y < g.dh; ++y) {
    if (y == g.top) y = g.top + g.h;
    if (y >= g.dh) break;
    rows.copy(rowPtr(img, step, g.top + rowOf(y - g.top)), rowPtr(img, step, y), g.dw);
  }
}

// img addresses the whole destination region; src is the caller's source, or null when the
// source already sits in img at (left, top).
template <class T, int C, bool kAc4>
void replicateBorder(const T* src, int srcStep, T* img, int step, const Geometry& g) {
  using R = Rows<T, C, kAc4>;
  const R rows;
  const int right = g.dw - g.w - g.left;
  for (int v = 0; v < g.h; ++v) {
    T* d = rowPtr(img, step, g.top + v);
    auto* mid = R::at(d, g.left);
    if (src != nullptr) rows.copy(rowPtr(src, srcStep, v), mid, g.w);
    rows.fill(mid, d, g.left);
    rows.fill(R::at(d, g.left + g.w - 1), R::at(d, g.left + g.w), right);
  }
  fillOuterRows<T, C, kAc4>(img, step, g, [&g](int v) { return v < 0 ? 0 : g.h - 1; });
}

int wrapIndex(int u, int n) {
  const int r = u % n;
  return r < 0 ? r + n : r;
}

// Single-channel only: every border run is a copy of a stretch of the source row.
template <class T>
void wrapBorder(const T* src, int srcStep, T* img, int step, const Geometry& g) {
  const Rows<T, 1, false> rows;
  for (int v = 0; v < g.h; ++v) {
    T* d = rowPtr(img, step, g.top + v);
    const T* s = src != nullptr ? rowPtr(src, srcStep, v) : d + g.left;
    if (src != nullptr) rows.copy(s, d + g.left, g.w);
    for (int x = 0, u = wrapIndex(-g.left, g.w); x < g.left; u = 0) {
      const int run = std::min(g.w - u, g.left - x);
      rows.copy(s + u, d + x, run);
      x += run;
    }
    for (int x = g.left + g.w; x < g.dw;) {
      const int run = std::min(g.w, g.dw - x);
      rows.copy(s, d + x, run);
      x += run;
    }
  }
  fillOuterRows<T, 1, false>(img, step, g, [&g](int v) { return wrapIndex(v, g.h); });
}

enum class Border { kReplicate, kWrap };

template <class T, int C, bool kAc4, Border B>
RuxResult borderInPlace(T* p, int step, RuxImageSize srcSize, RuxImageSize dstSize, int top,
                        int left) {
  if (p == nullptr) return ruxStatusNullPointer;
  if (step < 1) return ruxStatusBadStep;
  if (const RuxResult r = checkGeometry(srcSize, dstSize, top, left); r != ruxStatusOk) return r;
  const Geometry g{srcSize.width, srcSize.height, dstSize.width, dstSize.height, top, left};
  T* img = rowPtr(p, step, -top) - static_cast<std::ptrdiff_t>(left) * C;
  if constexpr (B == Border::kReplicate) {
    replicateBorder<T, C, kAc4>(nullptr, 0, img, step, g);
  } else {
    wrapBorder<T>(nullptr, 0, img, step, g);
  }
  return ruxStatusOk;
}

template <class T, int C, bool kAc4, Border B>
RuxResult borderCopy(const T* src, int srcStep, RuxImageSize srcSize, T* dst, int dstStep,
                     RuxImageSize dstSize, int top, int left) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  // The same pointer names a source region already inside the destination image.
  if (B == Border::kReplicate && src == dst) {
    return borderInPlace<T, C, kAc4, B>(dst, dstStep, srcSize, dstSize, top, left);
  }
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (const RuxResult r = checkGeometry(srcSize, dstSize, top, left); r != ruxStatusOk) return r;
  const Geometry g{srcSize.width, srcSize.height, dstSize.width, dstSize.height, top, left};
  if constexpr (B == Border::kReplicate) {
    replicateBorder<T, C, kAc4>(src, srcStep, dst, dstStep, g);
  } else {
    wrapBorder<T>(src, srcStep, dst, dstStep, g);
  }
  return ruxStatusOk;
}

template <class T, int C, bool kAc4>
RuxResult constBorderCopy(const T* src, int srcStep, RuxImageSize srcSize, T* dst, int dstStep,
                          RuxImageSize dstSize, int top, int left, const T* value) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (const RuxResult r = checkGeometry(srcSize, dstSize, top, left); r != ruxStatusOk) return r;
  if (value == nullptr) return ruxStatusNullPointer;
  const Geometry g{srcSize.width, srcSize.height, dstSize.width, dstSize.height, top, left};
  constBorder<T, C, kAc4>(src, srcStep, dst, dstStep, g, value);
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

#define RUX_BORDER_ARGS(T)                                                   \
  const T *pSrc, int srcStep, RuxImageSize srcRoiSize, T *pDst, int dstStep, \
      RuxImageSize dstRoiSize, int topBorderHeight, int leftBorderWidth
#define RUX_BORDER_PASS                                                                  \
  asBits(pSrc), srcStep, srcRoiSize, asBits(pDst), dstStep, dstRoiSize, topBorderHeight, \
      leftBorderWidth
#define RUX_BORDER_IR_ARGS(T)                                                   \
  T *pSrcDst, int srcDstStep, RuxImageSize srcRoiSize, RuxImageSize dstRoiSize, \
      int topBorderHeight, int leftBorderWidth
#define RUX_BORDER_IR_PASS \
  asBits(pSrcDst), srcDstStep, srcRoiSize, dstRoiSize, topBorderHeight, leftBorderWidth

#define RUX_CONST_BORDER(type, T)                                                            \
  RUXAPI RuxResult ruxiCopyConstBorder_##type##_C1R(RUX_BORDER_ARGS(T), T value) {           \
    return constBorderCopy<Bits<T>, 1, false>(RUX_BORDER_PASS, asBits(&value));              \
  }                                                                                          \
  RUXAPI RuxResult ruxiCopyConstBorder_##type##_C3R(RUX_BORDER_ARGS(T), const T value[3]) {  \
    return constBorderCopy<Bits<T>, 3, false>(RUX_BORDER_PASS, asBits(value));               \
  }                                                                                          \
  RUXAPI RuxResult ruxiCopyConstBorder_##type##_C4R(RUX_BORDER_ARGS(T), const T value[4]) {  \
    return constBorderCopy<Bits<T>, 4, false>(RUX_BORDER_PASS, asBits(value));               \
  }                                                                                          \
  RUXAPI RuxResult ruxiCopyConstBorder_##type##_AC4R(RUX_BORDER_ARGS(T), const T value[3]) { \
    return constBorderCopy<Bits<T>, 4, true>(RUX_BORDER_PASS, asBits(value));                \
  }

#define RUX_REPLICATE_LAYOUT(type, T, L, C, A)                                       \
  RUXAPI RuxResult ruxiCopyReplicateBorder_##type##_##L##R(RUX_BORDER_ARGS(T)) {     \
    return borderCopy<Bits<T>, C, A, Border::kReplicate>(RUX_BORDER_PASS);           \
  }                                                                                  \
  RUXAPI RuxResult ruxiCopyReplicateBorder_##type##_##L##IR(RUX_BORDER_IR_ARGS(T)) { \
    return borderInPlace<Bits<T>, C, A, Border::kReplicate>(RUX_BORDER_IR_PASS);     \
  }
#define RUX_REPLICATE_BORDER(type, T)         \
  RUX_REPLICATE_LAYOUT(type, T, C1, 1, false) \
  RUX_REPLICATE_LAYOUT(type, T, C3, 3, false) \
  RUX_REPLICATE_LAYOUT(type, T, C4, 4, false) \
  RUX_REPLICATE_LAYOUT(type, T, AC4, 4, true)

#define RUX_WRAP_BORDER(type, T)                                                \
  RUXAPI RuxResult ruxiCopyWrapBorder_##type##_C1R(RUX_BORDER_ARGS(T)) {        \
    return borderCopy<Bits<T>, 1, false, Border::kWrap>(RUX_BORDER_PASS);       \
  }                                                                             \
  RUXAPI RuxResult ruxiCopyWrapBorder_##type##_C1IR(RUX_BORDER_IR_ARGS(T)) {    \
    return borderInPlace<Bits<T>, 1, false, Border::kWrap>(RUX_BORDER_IR_PASS); \
  }

RUX_FOR_TYPES_5(RUX_CONST_BORDER)
RUX_FOR_TYPES_5(RUX_REPLICATE_BORDER)
RUX_WRAP_BORDER(32s, Rux32s)
RUX_WRAP_BORDER(32f, Rux32f)
