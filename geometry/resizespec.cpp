// Resize by state: the source and destination sizes and the interpolation are fixed once in a
// state object in caller memory, then the destination is produced tile by tile.
//
// The state (at the first 64-byte boundary of the caller's memory) is a 176-byte header and the
// tables of both axes: per destination index the first source tap and its weights (linear: the
// fraction), computed once in double precision and stored in float (double for the 64f state);
// nearest keeps source indices; super-sampling keeps one phase per residue of the gcd-reduced
// ratio (first tap within the period, tap count, area weights). Table positions are byte offsets
// from the object, so the header holds no pointers.
//
// A tile call:
//  - validates in the contract order, clips the tile to the destination and warns (48) when it
//    reached beyond it;
//  - places the source: the pointer addresses the tile's source offset (GetSrcOffset), so tap
//    positions are image positions minus that offset;
//  - forms the clamp box of the separable engine from the border argument: replication clamps
//    taps into the source image, a side read from memory opens the box on that side by the
//    border size the state reports (and no further), so no call reads beyond what its border
//    argument allows;
//  - runs the engine of primitives/resample_engine.h over per-call first-tap tables (the state's
//    tables shifted to the tile) and the state's weights: horizontal rows into a ring, then the
//    vertical kernel (linear: r0 + (r1 - r0) * fy; cubic and Lanczos: the tap sum), integers
//    rounded to nearest even and saturated; super-sampling runs the area engine of
//    primitives/resample_area.h; nearest copies pixels through index tables.
// The calls are single-threaded and never write the state: tiles may run on several threads.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "geometry/resize_state.h"

namespace rux {
namespace {

using namespace resample;
using namespace resizestate;

RuxResult getSize(RuxImageSize src, RuxImageSize dst, int interpolation, int antialiasing, int* pSpecSize, int* pInitSize,
                  bool wide) {
  if (pSpecSize == nullptr || pInitSize == nullptr) return ruxStatusNullPointer;
  if (anyZero(src, dst)) return ruxStatusNoWork;
  const int minimum = minSource(interpolation, 2);
  if (anyNegative(src, dst) || src.width < minimum || src.height < minimum) return ruxStatusBadSize;
  if (interpolation == kSuper && (src.width < dst.width || src.height < dst.height)) return ruxStatusBadSize;
  const int m = interpolation;
  if (m != 0 && m != kNearest && m != kLinear && m != kCatmullRom && m != kSuper && m != kLanczos)
    return ruxStatusBadInterpolation;
  if (m == 0 || antialiasing != 0) return ruxStatusUnsupportedMode;
  const long long bytes = stateBytes(m, src, dst, wide);
  const long long init = (m == kCatmullRom || m == kLanczos) ? 4 * (up32(dst.width) + up32(dst.height)) + 64 : 64;
  if (bytes >= kLimit) return ruxStatusBadSize;
  *pSpecSize = static_cast<int>(bytes);
  *pInitSize = static_cast<int>(init);
  return ruxStatusOk;
}

RuxResult init(const InitArgs& in, RuxImageSize src, RuxImageSize dst, RuxResizeSpec* pSpec, const void* initBuf,
               bool needInitBuf, bool wide) {
  if (pSpec == nullptr || (needInitBuf && initBuf == nullptr)) return ruxStatusNullPointer;
  if (anyZero(src, dst)) return ruxStatusNoWork;
  const int minimum = minSource(in.mode, in.lobes == 3 ? 3 : 2);
  if (anyNegative(src, dst) || src.width < minimum || src.height < minimum) return ruxStatusBadSize;
  if (in.mode == kSuper && (src.width < dst.width || src.height < dst.height)) return ruxStatusBadSize;
  if (stateBytes(in.mode, src, dst, wide) >= kLimit) return ruxStatusBadSize;
  if (in.mode == kLanczos && in.lobes != 2 && in.lobes != 3) return ruxStatusUnsupportedMode;
  if (in.mode == kCatmullRom && !(std::isfinite(in.b) && std::isfinite(in.c))) return ruxStatusBadArg;
  State* st = stateAt(pSpec);
  if (wide) fillState<double>(st, in, src, dst);
  else fillState<float>(st, in, src, dst);
  return ruxStatusOk;
}

RuxResult getBufferSize(const RuxResizeSpec* pSpec, RuxImageSize tile, int channels, int* pSize, bool wide) {
  if (pSpec == nullptr || pSize == nullptr) return ruxStatusNullPointer;
  if (tile.width == 0 || tile.height == 0) return ruxStatusNoWork;
  const State* s = checked(pSpec, wide, 0);
  if (s == nullptr) return ruxStatusBadContext;
  if (channels != 1 && channels != 3 && channels != 4) return ruxStatusBadChannelCount;
  if (tile.width < 0 || tile.height < 0) return ruxStatusBadSize;
  const long long nW = std::min(tile.width, s->cols.dst), nH = std::min(tile.height, s->rows.dst);
  const long long bytes = workBytes(s, nW, nH, channels);
  if (bytes >= kLimit) return ruxStatusBadSize;
  *pSize = static_cast<int>(bytes);
  return tile.width > s->cols.dst || tile.height > s->rows.dst ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

RuxResult getBorderSize(const RuxResizeSpec* pSpec, int* pBorder, bool wide) {
  if (pSpec == nullptr || pBorder == nullptr) return ruxStatusNullPointer;
  const State* s = checked(pSpec, wide, 0);
  if (s == nullptr) return ruxStatusBadContext;
  for (int k = 0; k < 4; ++k) pBorder[k] = s->border[k];
  return ruxStatusOk;
}

RuxResult getSrcOffset(const RuxResizeSpec* pSpec, RuxImagePoint dstOffset, RuxImagePoint* pSrcOffset, bool wide) {
  if (pSpec == nullptr || pSrcOffset == nullptr) return ruxStatusNullPointer;
  const State* s = checked(pSpec, wide, 0);
  if (s == nullptr) return ruxStatusBadContext;
  if (outside(s, dstOffset)) return ruxStatusOutOfRange;
  *pSrcOffset = {sourceOffset(s->cols, dstOffset.x), sourceOffset(s->rows, dstOffset.y)};
  return ruxStatusOk;
}

RuxResult getSrcRoi(const RuxResizeSpec* pSpec, RuxImageRect tile, RuxImageRect* pSrcRoi, bool wide) {
  if (pSpec == nullptr || pSrcRoi == nullptr) return ruxStatusNullPointer;
  const State* s = checked(pSpec, wide, 0);
  if (s == nullptr) return ruxStatusBadContext;
  if (tile.width < 1 || tile.height < 1) return ruxStatusBadSize;
  if (outside(s, {tile.x, tile.y})) return ruxStatusOutOfRange;
  const int W = std::min(tile.width, s->cols.dst - tile.x), H = std::min(tile.height, s->rows.dst - tile.y);
  int x0, x1, y0, y1;
  readSpan(s, s->cols, tile.x, tile.x + W, &x0, &x1);
  readSpan(s, s->rows, tile.y, tile.y + H, &y0, &y1);
  *pSrcRoi = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
  return W < tile.width || H < tile.height ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

// Common validation of the tile calls; border < 0 for the calls without a border argument.
RuxResult checkTile(const void* src, const void* dst, const RuxResizeSpec* pSpec, const void* buf, RuxImagePoint off,
                    RuxImageSize size, int border, bool hasBorder, int mode, bool wide, Tile* t) {
  if (src == nullptr || dst == nullptr || pSpec == nullptr || buf == nullptr) return ruxStatusNullPointer;
  if (size.width == 0 || size.height == 0) return ruxStatusNoWork;
  const State* s = checked(pSpec, wide, mode);
  if (s == nullptr) return ruxStatusBadContext;
  if (size.width < 0 || size.height < 0) return ruxStatusBadSize;
  if (outside(s, off)) return ruxStatusOutOfRange;
  if (hasBorder) {
    if ((static_cast<std::uint32_t>(border) & 0xFFFFFF08u) != 0) return ruxStatusBadBorderType;
    const int type = border & 7;
    if (type != ruxBorderReplicate && type != ruxBorderInMemory) return ruxStatusUnsupportedMode;
  }
  t->s = s;
  t->W = std::min(size.width, s->cols.dst - off.x);
  t->H = std::min(size.height, s->rows.dst - off.y);
  t->exceeds = t->W < size.width || t->H < size.height;
  t->ox = off.x;
  t->oy = off.y;
  t->sx = sourceOffset(s->cols, off.x);
  t->sy = sourceOffset(s->rows, off.y);
  return ruxStatusOk;
}

template <class T, int C>
RuxResult separable(const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImagePoint off, RuxImageSize size, int border,
                    const RuxResizeSpec* pSpec, Rux8u* pBuffer, int mode) {
  Tile t;
  const RuxResult st =
      checkTile(pSrc, pDst, pSpec, pBuffer, off, size, border, true, mode, std::is_same_v<T, double>, &t);
  if (st != ruxStatusOk) return st;
  Carve mem{alignedWork(pBuffer)};
  separableTaps<T, C>(t, pSrc, srcStep, border, mem, [&](int y) { return rowPtr(pDst, dstStep, y); }, [](int) {});
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

template <class T, int C>
RuxResult nearest(const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImagePoint off, RuxImageSize size,
                  const RuxResizeSpec* pSpec, Rux8u* pBuffer) {
  Tile t;
  const RuxResult st = checkTile(pSrc, pDst, pSpec, pBuffer, off, size, 0, false, kNearest, false, &t);
  if (st != ruxStatusOk) return st;
  Carve mem{alignedWork(pBuffer)};
  nearestTile<T, C>(t, pSrc, srcStep, mem, [&](int y) { return rowPtr(pDst, dstStep, y); }, [](int) {});
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

template <class T, int C>
RuxResult super(const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImagePoint off, RuxImageSize size,
                const RuxResizeSpec* pSpec, Rux8u* pBuffer) {
  Tile t;
  const RuxResult st = checkTile(pSrc, pDst, pSpec, pBuffer, off, size, 0, false, kSuper, false, &t);
  if (st != ruxStatusOk) return st;
  Carve mem{alignedWork(pBuffer)};
  superTile<T, C>(t, pSrc, srcStep, mem, [&](int y) { return rowPtr(pDst, dstStep, y); });
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_SPEC_QUERIES(S, WIDE)                                                                                     \
  RUXAPI RuxResult ruxiResizeGetSize_##S(RuxImageSize srcSize, RuxImageSize dstSize, int interpolation,              \
                                         int antialiasing, int* pSpecSize, int* pInitBufSize) {                      \
    return getSize(srcSize, dstSize, interpolation, antialiasing, pSpecSize, pInitBufSize, WIDE);                    \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiResizeGetBufferSize_##S(const RuxResizeSpec* pSpec, RuxImageSize dstSize, int numChannels,    \
                                               int* pBufSize) {                                                      \
    return getBufferSize(pSpec, dstSize, numChannels, pBufSize, WIDE);                                               \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiResizeGetBorderSize_##S(const RuxResizeSpec* pSpec, int pBorderSize[4]) {                     \
    return getBorderSize(pSpec, pBorderSize, WIDE);                                                                  \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiResizeGetSrcOffset_##S(const RuxResizeSpec* pSpec, RuxImagePoint dstOffset,                   \
                                              RuxImagePoint* pSrcOffset) {                                           \
    return getSrcOffset(pSpec, dstOffset, pSrcOffset, WIDE);                                                         \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiResizeGetSrcRoi_##S(const RuxResizeSpec* pSpec, RuxImageRect dstRoi, RuxImageRect* pSrcRoi) { \
    return getSrcRoi(pSpec, dstRoi, pSrcRoi, WIDE);                                                                  \
  }                                                                                                                   \
  RUXAPI RuxResult ruxiResizeLinearInit_##S(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeSpec* pSpec) {      \
    return init({kLinear, 0, 0, 0}, srcSize, dstSize, pSpec, nullptr, false, WIDE);                                  \
  }

#define RUX_SPEC_INITS(S)                                                                                              \
  RUXAPI RuxResult ruxiResizeNearestInit_##S(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeSpec* pSpec) {      \
    return init({kNearest, 0, 0, 0}, srcSize, dstSize, pSpec, nullptr, false, false);                                 \
  }                                                                                                                    \
  RUXAPI RuxResult ruxiResizeSuperInit_##S(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeSpec* pSpec) {        \
    return init({kSuper, 0, 0, 0}, srcSize, dstSize, pSpec, nullptr, false, false);                                   \
  }                                                                                                                    \
  RUXAPI RuxResult ruxiResizeCubicInit_##S(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeSpec* pSpec,          \
                                           Rux8u* pInitBuf, float valueB, float valueC) {                             \
    return init({kCatmullRom, 0, valueB, valueC}, srcSize, dstSize, pSpec, pInitBuf, true, false);                    \
  }                                                                                                                    \
  RUXAPI RuxResult ruxiResizeLanczosInit_##S(RuxImageSize srcSize, RuxImageSize dstSize, int numLobes,                \
                                             RuxResizeSpec* pSpec, Rux8u* pInitBuf) {                                 \
    return init({kLanczos, numLobes, 0, 0}, srcSize, dstSize, pSpec, pInitBuf, true, false);                          \
  }

RUX_SPEC_QUERIES(8u, false)
RUX_SPEC_QUERIES(16u, false)
RUX_SPEC_QUERIES(32f, false)
RUX_SPEC_QUERIES(64f, true)
RUX_SPEC_INITS(8u)
RUX_SPEC_INITS(16u)
RUX_SPEC_INITS(32f)

#define RUX_SPEC_BORDERED(NAME, MODE, S, T, L, C)                                                                    \
  RUXAPI RuxResult ruxiResize##NAME##_##S##_##L(const T* pSrc, int srcStep, T* pDst, int dstStep,                    \
                                                RuxImagePoint dstOffset, RuxImageSize dstSize, int border,           \
                                                const T* pBorderValue, const RuxResizeSpec* pSpec, Rux8u* pBuffer) { \
    (void)pBorderValue;                                                                                              \
    return separable<T, C>(pSrc, srcStep, pDst, dstStep, dstOffset, dstSize, border, pSpec, pBuffer, MODE);          \
  }
#define RUX_SPEC_PLAIN(NAME, FN, S, T, L, C)                                                                         \
  RUXAPI RuxResult ruxiResize##NAME##_##S##_##L(const T* pSrc, int srcStep, T* pDst, int dstStep,                    \
                                                RuxImagePoint dstOffset, RuxImageSize dstSize,                       \
                                                const RuxResizeSpec* pSpec, Rux8u* pBuffer) {                        \
    return FN<T, C>(pSrc, srcStep, pDst, dstStep, dstOffset, dstSize, pSpec, pBuffer);                               \
  }
#define RUX_SPEC_LAYOUTS(X, NAME, M, S, T) X(NAME, M, S, T, C1R, 1) X(NAME, M, S, T, C3R, 3) X(NAME, M, S, T, C4R, 4)
#define RUX_SPEC_TYPE(S, T)                                     \
  RUX_SPEC_LAYOUTS(RUX_SPEC_BORDERED, Linear, kLinear, S, T)    \
  RUX_SPEC_LAYOUTS(RUX_SPEC_BORDERED, Cubic, kCatmullRom, S, T) \
  RUX_SPEC_LAYOUTS(RUX_SPEC_BORDERED, Lanczos, kLanczos, S, T)  \
  RUX_SPEC_LAYOUTS(RUX_SPEC_PLAIN, Nearest, nearest, S, T)      \
  RUX_SPEC_LAYOUTS(RUX_SPEC_PLAIN, Super, super, S, T)

RUX_SPEC_TYPE(8u, Rux8u)
RUX_SPEC_TYPE(16u, Rux16u)
RUX_SPEC_TYPE(32f, Rux32f)
RUX_SPEC_LAYOUTS(RUX_SPEC_BORDERED, Linear, kLinear, 64f, Rux64f)
