// Resizes of chroma-subsampled formats: 4:2:0 (a luma plane and a plane of interleaved chroma
// pairs) and 4:2:2 (packed Y0 U Y1 V pixel pairs).
//
// By state (tiles): a YUV state holds one resize state per grid, luma on the full grid and
// chroma on its own subsampled grid (half width; half height for 4:2:0), both built and run by
// the machinery of the resize by state (geometry/resize_state.h) with the same mode:
//  - 4:2:0: each plane is an ordinary image (one channel, two interleaved channels);
//  - 4:2:2: the horizontal pass reads luma at a stride of two bytes and the chroma pair (U, V)
//    at a stride of four, the vertical pass writes a row that is then scattered into the pixels.
// Source offsets are even in both directions, so one offset addresses both grids: the luma
// pointers address pixel (sx, sy), the chroma pointers chroma sample (sx / 2, sy / 2) (4:2:2:
// the same pixel pair). Borders read from memory open each grid by its own support, which
// GetBorderSize reports in luma pixels.
//
// Single calls: 4:2:0 runs both states over the whole frame in the caller's buffer; the 4:2:2
// forms with factors split the source region into three planes, resize each with the
// square-pixel resize (chroma with the same factors on the half-width grid) and interleave the
// result into the destination region; taps beyond the source region repeat its edge.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/parallel.h"
#include "core/scratch.h"
#include "geometry/resize_state.h"
#include "ruxi.h"

namespace rux {
namespace {

using namespace resample;
using namespace resizestate;

constexpr std::uint32_t kId420 = 0x59553230u, kId422 = 0x59553232u;
constexpr long long kYuvHeader = 64;

struct YuvState {
  std::uint32_t id;
  std::int32_t mode, lobes;
  std::int32_t border[4];         // left, top, right, bottom, in luma pixels
  RuxImageSize srcChroma, dstChroma;  // the chroma planes (empty when the luma side is 1)
  std::int64_t lumaAt, chromaAt;  // byte offsets of the two states from this header
};
static_assert(sizeof(YuvState) <= kYuvHeader, "YUV state header");

long long up64(long long v) { return (v + 63) & ~63LL; }
bool is420(std::uint32_t id) { return id == kId420; }

// The chroma plane of a luma size; the chroma state is built for at least one sample per axis.
RuxImageSize chromaPlane(RuxImageSize s, bool subsampledRows) {
  return {s.width / 2, subsampledRows ? s.height / 2 : s.height};
}
RuxImageSize chromaSize(RuxImageSize s, bool subsampledRows) {
  const RuxImageSize c = chromaPlane(s, subsampledRows);
  return {std::max(1, c.width), std::max(1, c.height)};
}

YuvState* yuvAt(const void* p) {
  return reinterpret_cast<YuvState*>((reinterpret_cast<std::uintptr_t>(p) + 63) & ~std::uintptr_t{63});
}
const State* plane(const YuvState* y, std::int64_t at) {
  return reinterpret_cast<const State*>(reinterpret_cast<const unsigned char*>(y) + at);
}

// Bytes of a state for both grids; every part starts on a 64-byte boundary.
long long yuvBytes(int mode, RuxImageSize src, RuxImageSize dst, bool rows420) {
  const long long luma = stateBytes(mode, src, dst, false) - 64;
  const long long chroma = stateBytes(mode, chromaSize(src, rows420), chromaSize(dst, rows420), false) - 64;
  return 64 + kYuvHeader + up64(luma) + chroma;
}

void fillYuv(void* mem, std::uint32_t id, int mode, int lobes, RuxImageSize src, RuxImageSize dst) {
  YuvState* y = yuvAt(mem);
  const bool rows420 = is420(id);
  y->id = 0;
  y->mode = mode;
  y->lobes = lobes;
  y->srcChroma = chromaPlane(src, rows420);
  y->dstChroma = chromaPlane(dst, rows420);
  y->lumaAt = kYuvHeader;
  y->chromaAt = kYuvHeader + up64(stateBytes(mode, src, dst, false) - 64);
  const InitArgs in{mode, lobes, 0.0f, 0.5f};
  auto* base = reinterpret_cast<unsigned char*>(y);
  fillState<float>(reinterpret_cast<State*>(base + y->lumaAt), in, src, dst);
  fillState<float>(reinterpret_cast<State*>(base + y->chromaAt), in, chromaSize(src, rows420), chromaSize(dst, rows420));
  // Luma pixels a grid reads beyond a side: its support, chroma twice over horizontally.
  const int support = plane(y, y->lumaAt)->support;
  y->border[0] = y->border[2] = 2 * support;
  y->border[1] = y->border[3] = rows420 ? 2 * support : support;
  y->id = id;
}

const YuvState* checkedYuv(const void* p, std::uint32_t id) {
  const YuvState* y = yuvAt(p);
  return y->id == id ? y : nullptr;
}

// Tiles of both grids for a destination tile at an even offset, and their work memory.
struct YuvTile {
  Tile luma, chroma;
  bool exceeds;
};

YuvTile yuvTile(const YuvState* y, RuxImagePoint off, RuxImageSize size) {
  const State* l = plane(y, y->lumaAt);
  const State* c = plane(y, y->chromaAt);
  const bool rows420 = is420(y->id);
  YuvTile t;
  t.luma.s = l;
  t.luma.W = std::min(size.width, l->cols.dst - off.x);
  t.luma.H = std::min(size.height, l->rows.dst - off.y);
  t.exceeds = t.luma.W < size.width || t.luma.H < size.height;
  t.luma.ox = off.x;
  t.luma.oy = off.y;
  t.luma.sx = sourceOffset(l->cols, off.x) & ~1;
  t.luma.sy = rows420 ? sourceOffset(l->rows, off.y) & ~1 : sourceOffset(l->rows, off.y);
  t.luma.exceeds = t.exceeds;
  t.chroma.s = c;
  t.chroma.ox = off.x / 2;
  t.chroma.oy = rows420 ? off.y / 2 : off.y;
  // Chroma of the tile inside the chroma plane; none when the source has no chroma samples.
  const bool empty = y->srcChroma.width < 1 || y->srcChroma.height < 1;
  t.chroma.W = empty ? 0 : std::max(0, std::min((t.luma.W + 1) / 2, y->dstChroma.width - t.chroma.ox));
  t.chroma.H = empty ? 0
               : rows420 ? std::max(0, std::min((t.luma.H + 1) / 2, y->dstChroma.height - t.chroma.oy))
                         : t.luma.H;
  t.chroma.sx = t.luma.sx / 2;
  t.chroma.sy = rows420 ? t.luma.sy / 2 : t.luma.sy;
  t.chroma.exceeds = t.exceeds;
  return t;
}

// Work bytes of a tile of at most nW x nH luma pixels: both grids, plus (4:2:2) the rows that are
// scattered into the pixels.
long long yuvWork(const YuvState* y, long long nW, long long nH) {
  const State* l = plane(y, y->lumaAt);
  const State* c = plane(y, y->chromaAt);
  const long long cW = std::min<long long>((nW + 1) / 2, c->cols.dst);
  const long long cH = is420(y->id) ? std::min<long long>((nH + 1) / 2, c->rows.dst) : nH;
  const long long scatter = is420(y->id) ? 0 : up32(nW) + 2 * up32(cW) + 32;
  return workBytes(l, nW, nH, 1) + workBytes(c, cW, cH, 2) + scatter + 64;
}

bool borderBitsBad(int border) { return (static_cast<std::uint32_t>(border) & 0xFFFFFF08u) != 0; }
bool borderTypeBad(int border) { return (border & 7) != ruxBorderReplicate && (border & 7) != ruxBorderInMemory; }

// ---- 4:2:0 -------------------------------------------------------------------------------

RuxResult yuv420GetSize(RuxImageSize src, RuxImageSize dst, int interpolation, int antialiasing, int* pSpecSize,
                        int* pInitSize) {
  if (pSpecSize == nullptr || pInitSize == nullptr) return ruxStatusNullPointer;
  if (anyZero(src, dst)) return ruxStatusNoWork;
  if (anyNegative(src, dst)) return ruxStatusBadSize;
  const int m = interpolation;
  if (m != 0 && m != kNearest && m != kLinear && m != kCatmullRom && m != kSuper && m != kLanczos)
    return ruxStatusBadInterpolation;
  if ((m != kSuper && m != kLanczos) || antialiasing != 0) return ruxStatusUnsupportedMode;
  if (src.width < minSource(m, 2) || src.height < minSource(m, 2)) return ruxStatusBadSize;
  if (m == kSuper && (src.width < dst.width || src.height < dst.height)) return ruxStatusBadSize;
  const long long bytes = yuvBytes(m, src, dst, true);
  if (bytes >= kLimit) return ruxStatusBadSize;
  *pSpecSize = static_cast<int>(bytes);
  *pInitSize = m == kLanczos ? static_cast<int>(4 * (up32(dst.width) + up32(dst.height)) + 64) : 64;
  return ruxStatusOk;
}

RuxResult yuv420Init(int mode, int lobes, RuxImageSize src, RuxImageSize dst, RuxResizeYUV420Spec* pSpec,
                     const Rux8u* pInitBuf) {
  if (pSpec == nullptr || (mode == kLanczos && pInitBuf == nullptr)) return ruxStatusNullPointer;
  if (anyZero(src, dst)) return ruxStatusNoWork;
  if (anyNegative(src, dst)) return ruxStatusBadSize;
  if (mode == kLanczos && lobes != 2 && lobes != 3) return ruxStatusUnsupportedMode;
  const int minimum = minSource(mode, lobes);
  if (src.width < minimum || src.height < minimum) return ruxStatusBadSize;
  if (mode == kSuper && (src.width < dst.width || src.height < dst.height)) return ruxStatusBadSize;
  if (yuvBytes(mode, src, dst, true) >= kLimit) return ruxStatusBadSize;
  fillYuv(pSpec, kId420, mode, lobes, src, dst);
  const bool odd = ((src.width | src.height | dst.width | dst.height) & 1) != 0;
  return mode == kLanczos && odd ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

// The planes of one 4:2:0 tile, validated by the caller.
void run420(const YuvTile& t, int mode, int border, const Rux8u* pSrcY, int srcYStep, const Rux8u* pSrcUV,
            int srcUVStep, Rux8u* pDstY, int dstYStep, Rux8u* pDstUV, int dstUVStep, Rux8u* pBuffer) {
  Carve mem{alignedWork(pBuffer)};
  const auto lumaRow = [&](int y) { return rowPtr(pDstY, dstYStep, y); };
  const auto chromaRow = [&](int y) { return rowPtr(pDstUV, dstUVStep, y); };
  const auto none = [](int) {};
  if (mode == kSuper) {
    superTile<Rux8u, 1>(t.luma, pSrcY, srcYStep, mem, lumaRow);
    if (t.chroma.W > 0 && t.chroma.H > 0) superTile<Rux8u, 2>(t.chroma, pSrcUV, srcUVStep, mem, chromaRow);
  } else if (mode == kNearest) {
    nearestTile<Rux8u, 1>(t.luma, pSrcY, srcYStep, mem, lumaRow, none);
    if (t.chroma.W > 0 && t.chroma.H > 0) nearestTile<Rux8u, 2>(t.chroma, pSrcUV, srcUVStep, mem, chromaRow, none);
  } else {
    separableTaps<Rux8u, 1>(t.luma, pSrcY, srcYStep, border, mem, lumaRow, none);
    if (t.chroma.W > 0 && t.chroma.H > 0)
      separableTaps<Rux8u, 2>(t.chroma, pSrcUV, srcUVStep, border, mem, chromaRow, none);
  }
}

RuxResult yuv420Tile(const Rux8u* pSrcY, int srcYStep, const Rux8u* pSrcUV, int srcUVStep, Rux8u* pDstY, int dstYStep,
                     Rux8u* pDstUV, int dstUVStep, RuxImagePoint off, RuxImageSize size, int border, bool hasBorder,
                     int mode, const RuxResizeYUV420Spec* pSpec, Rux8u* pBuffer) {
  if (pSrcY == nullptr || pSrcUV == nullptr || pDstY == nullptr || pDstUV == nullptr || pSpec == nullptr ||
      pBuffer == nullptr)
    return ruxStatusNullPointer;
  if (size.width == 0 || size.height == 0) return ruxStatusNoWork;
  const YuvState* y = checkedYuv(pSpec, kId420);
  if (y == nullptr || y->mode != mode) return ruxStatusBadContext;
  if (size.width < 0 || size.height < 0) return ruxStatusBadSize;
  if (((off.x | off.y) & 1) != 0) return ruxStatusOddOffset;
  if (hasBorder && borderBitsBad(border)) return ruxStatusBadBorderType;
  if (hasBorder && borderTypeBad(border)) return ruxStatusUnsupportedMode;
  if (outside(plane(y, y->lumaAt), off)) return ruxStatusOutOfRange;
  const YuvTile t = yuvTile(y, off, size);
  run420(t, mode, hasBorder ? border : ruxBorderReplicate, pSrcY, srcYStep, pSrcUV, srcUVStep, pDstY, dstYStep, pDstUV,
         dstUVStep, pBuffer);
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

// The single call: a state for the frame's sizes in the caller's buffer, then one tile.
// Sources too small for a mode fall back as the square-pixel resize does.
int frameMode(int mode, RuxImageSize src) {
  const int m = std::min(src.width, src.height);
  if (mode == kLanczos && m < 6) mode = kCatmullRom;
  if (mode == kCatmullRom && m < 4) mode = kLinear;
  if (mode == kLinear && m < 2) mode = kNearest;
  return mode;
}

RuxResult yuv420Frame(RuxImageSize src, RuxImageSize dst, int interpolation, int* mode, long long* stateBytesOut,
                      long long* total) {
  if (src.width < 1 || src.height < 1 || dst.width < 1 || dst.height < 1) return ruxStatusBadSize;
  const int m = interpolation;
  if (m != kNearest && m != kLinear && m != kCatmullRom && m != kSuper && m != kLanczos) return ruxStatusBadInterpolation;
  if (m == kSuper && (src.width < dst.width || src.height < dst.height)) return ruxStatusBadSize;
  *mode = frameMode(m, src);
  *stateBytesOut = up64(yuvBytes(*mode, src, dst, true));
  // The work size depends only on the sizes and the mode: measure it on the table geometry.
  const long long cW = std::max(1, dst.width / 2), cH = std::max(1, dst.height / 2);
  State l{}, c{};
  l.mode = c.mode = *mode;
  l.support = c.support = *mode == kLanczos ? 3 : *mode == kCatmullRom ? 2 : 1;
  l.cols.dst = dst.width;
  l.rows.dst = dst.height;
  c.cols.dst = static_cast<int>(cW);
  c.rows.dst = static_cast<int>(cH);
  const long long work = workBytes(&l, dst.width, dst.height, 1) + workBytes(&c, cW, cH, 2) + 64;
  *total = *stateBytesOut + work;
  return *total >= kLimit ? ruxStatusBadSize : ruxStatusOk;
}

// ---- 4:2:2 by state -----------------------------------------------------------------------

RuxResult yuv422GetSize(RuxImageSize src, RuxImageSize dst, int interpolation, int antialiasing, int* pSpecSize,
                        int* pBufSize) {
  if (pSpecSize == nullptr || pBufSize == nullptr) return ruxStatusNullPointer;
  if (anyZero(src, dst)) return ruxStatusNoWork;
  if (anyNegative(src, dst)) return ruxStatusBadSize;
  const int m = interpolation;
  if (m != 0 && m != kNearest && m != kLinear && m != kCatmullRom && m != kSuper && m != kLanczos)
    return ruxStatusBadInterpolation;
  if ((m != kNearest && m != kLinear) || antialiasing != 0) return ruxStatusUnsupportedMode;
  if (src.width < 2 * minSource(m, 2) || src.height < minSource(m, 2) || ((src.width | dst.width) & 1) != 0)
    return ruxStatusBadSize;
  const long long bytes = yuvBytes(m, src, dst, false);
  if (bytes >= kLimit) return ruxStatusBadSize;
  // The work of the largest tile, measured on a state of these sizes' geometry.
  State l{}, c{};
  l.mode = c.mode = m;
  l.cols.dst = dst.width;
  l.rows.dst = c.rows.dst = dst.height;
  c.cols.dst = dst.width / 2;
  const long long work = workBytes(&l, dst.width, dst.height, 1) + workBytes(&c, dst.width / 2, dst.height, 2) +
                         up32(dst.width) + 2 * up32(dst.width / 2) + 32 + 64;
  if (work >= kLimit) return ruxStatusBadSize;
  *pSpecSize = static_cast<int>(bytes);
  *pBufSize = static_cast<int>(work);
  return ruxStatusOk;
}

RuxResult yuv422Init(int mode, RuxImageSize src, RuxImageSize dst, RuxResizeYUV422Spec* pSpec) {
  if (pSpec == nullptr) return ruxStatusNullPointer;
  if (anyZero(src, dst)) return ruxStatusNoWork;
  if (anyNegative(src, dst) || src.width < 2 * minSource(mode, 2) || src.height < minSource(mode, 2) ||
      ((src.width | dst.width) & 1) != 0)
    return ruxStatusBadSize;
  if (yuvBytes(mode, src, dst, false) >= kLimit) return ruxStatusBadSize;
  fillYuv(pSpec, kId422, mode, 0, src, dst);
  return ruxStatusOk;
}

// One 4:2:2 tile: luma samples at a stride of two bytes, chroma pairs at four (U at byte 1, V at
// byte 3 of each pixel pair); the vertical pass writes a row that is scattered into the pixels.
// Pixel x of the tile takes luma x and chroma sample x of the (U, V) row, as pixel pairs do.
void run422(const YuvTile& t, int mode, int border, const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
            Rux8u* pBuffer) {
  Carve mem{alignedWork(pBuffer)};
  Rux8u* ytmp = mem.take<Rux8u>(static_cast<std::size_t>(up32(t.luma.W)));
  Rux8u* ctmp = mem.take<Rux8u>(static_cast<std::size_t>(2 * up32(t.chroma.W) + 32));
  const int W = t.luma.W;
  const auto lumaOut = [&](int) { return ytmp; };
  const auto lumaDone = [&](int y) {
    Rux8u* d = rowPtr(pDst, dstStep, y);
    for (int x = 0; x < W; ++x) d[2 * x] = ytmp[x];
  };
  const auto chromaOut = [&](int) { return ctmp; };
  const auto chromaDone = [&](int y) {
    Rux8u* d = rowPtr(pDst, dstStep, y);
    for (int x = 0; x < W; ++x) d[2 * x + 1] = ctmp[x];
  };
  const Rux8u* chroma = pSrc + 1;
  const bool hasChroma = t.chroma.W > 0 && t.chroma.H > 0;
  if (mode == kNearest) {
    nearestTile<Rux8u, 1, 2, 1>(t.luma, pSrc, srcStep, mem, lumaOut, lumaDone);
    if (hasChroma) nearestTile<Rux8u, 2, 4, 2>(t.chroma, chroma, srcStep, mem, chromaOut, chromaDone);
  } else {
    separableTile<2, Rux8u, 1, 2, 1>(t.luma, pSrc, srcStep, border, mem, lumaOut, lumaDone);
    if (hasChroma) separableTile<2, Rux8u, 2, 4, 2>(t.chroma, chroma, srcStep, border, mem, chromaOut, chromaDone);
  }
}

RuxResult yuv422Tile(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImagePoint off, RuxImageSize size,
                     int border, bool hasBorder, int mode, const RuxResizeYUV422Spec* pSpec, Rux8u* pBuffer) {
  if (pSrc == nullptr || pDst == nullptr || pSpec == nullptr || pBuffer == nullptr) return ruxStatusNullPointer;
  if (size.width == 0 || size.height == 0) return ruxStatusNoWork;
  const YuvState* y = checkedYuv(pSpec, kId422);
  if (y == nullptr || y->mode != mode) return ruxStatusBadContext;
  if (size.width < 0 || size.height < 0) return ruxStatusBadSize;
  if ((off.x & 1) != 0) return ruxStatusOddOffset;
  if (hasBorder && borderBitsBad(border)) return ruxStatusBadBorderType;
  if (hasBorder && borderTypeBad(border)) return ruxStatusUnsupportedMode;
  if (outside(plane(y, y->lumaAt), off)) return ruxStatusOutOfRange;
  const YuvTile t = yuvTile(y, off, size);
  run422(t, mode, hasBorder ? border : ruxBorderReplicate, pSrc, srcStep, pDst, dstStep, pBuffer);
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

RuxResult yuvBorderSize(const void* pSpec, std::uint32_t id, int* pBorder) {
  if (pSpec == nullptr || pBorder == nullptr) return ruxStatusNullPointer;
  const YuvState* y = checkedYuv(pSpec, id);
  if (y == nullptr) return ruxStatusBadContext;
  for (int k = 0; k < 4; ++k) pBorder[k] = y->border[k];
  return ruxStatusOk;
}

RuxResult yuvSrcOffset(const void* pSpec, std::uint32_t id, RuxImagePoint off, RuxImagePoint* pSrcOffset) {
  if (pSpec == nullptr || pSrcOffset == nullptr) return ruxStatusNullPointer;
  const YuvState* y = checkedYuv(pSpec, id);
  if (y == nullptr) return ruxStatusBadContext;
  const State* l = plane(y, y->lumaAt);
  if (outside(l, off)) return ruxStatusOutOfRange;
  const int sy = sourceOffset(l->rows, off.y);
  *pSrcOffset = {sourceOffset(l->cols, off.x) & ~1, is420(id) ? sy & ~1 : sy};
  return ruxStatusOk;
}

// ---- 4:2:2 through the square-pixel resize ------------------------------------------------

// Planes of one 4:2:2 call: the source region as Y, U, V planes and the destination region
// likewise, prefilled with the destination's values so pixels the resize does not write come
// back unchanged.
struct Planes422 {
  int srcW, srcH, srcPairs;      // source region (even width)
  int dstW, dstH, dstPair0, dstPairs;
  long long bytes;              // the planes
};

Planes422 planes422(int srcW, int srcH, RuxImageRect dstRoi) {
  Planes422 p;
  p.srcW = srcW;
  p.srcH = srcH;
  p.srcPairs = srcW / 2;
  p.dstW = dstRoi.width;
  p.dstH = dstRoi.height;
  p.dstPair0 = dstRoi.x / 2;
  p.dstPairs = (dstRoi.x + dstRoi.width - 1) / 2 - p.dstPair0 + 1;
  p.bytes = up64(static_cast<long long>(srcW) * srcH) + 2 * up64(static_cast<long long>(p.srcPairs) * srcH) +
            up64(static_cast<long long>(p.dstW) * p.dstH) + 2 * up64(static_cast<long long>(p.dstPairs) * p.dstH) + 64;
  return p;
}

long long resizeWork(int srcW, int srcH, int dstW, int dstH, int interpolation) {
  int n = 0;
  if (ruxiResizeGetBufSize({0, 0, srcW, srcH}, {0, 0, dstW, dstH}, 1, interpolation, &n) != ruxStatusOk) return -1;
  return n;
}

long long bytes422(const Planes422& p, int interpolation) {
  const long long a = resizeWork(p.srcW, p.srcH, p.dstW, p.dstH, interpolation);
  const long long b = resizeWork(p.srcPairs, p.srcH, p.dstPairs, p.dstH, interpolation);
  if (a < 0 || b < 0) return -1;
  return p.bytes + std::max(a, b) + 64;
}

// pDst addresses the destination region, whose first column is dstX; factors and shifts map
// source-plane positions to destination-plane positions: luma x' = x sx + shx, chroma
// x' = x scx + shcx, rows y' = y sy + shy.
RuxResult resize422(const Rux8u* pSrc, int srcStep, const Planes422& p, Rux8u* pDst, int dstStep, int dstX,
                    double sx, double scx, double sy, double shx, double shcx, double shy, int interpolation,
                    Rux8u* pBuffer) {
  // The interpolation is checked before anything is written.
  int probe = 0;
  if (RuxResult st = ruxiResizeGetBufSize({0, 0, p.srcW, p.srcH}, {0, 0, p.dstW, p.dstH}, 1, interpolation, &probe); st < 0)
    return st;
  auto* base = reinterpret_cast<Rux8u*>((reinterpret_cast<std::uintptr_t>(pBuffer) + 63) & ~std::uintptr_t{63});
  const std::size_t sy0 = static_cast<std::size_t>(up64(static_cast<long long>(p.srcW) * p.srcH));
  const std::size_t sc = static_cast<std::size_t>(up64(static_cast<long long>(p.srcPairs) * p.srcH));
  const std::size_t dy0 = static_cast<std::size_t>(up64(static_cast<long long>(p.dstW) * p.dstH));
  const std::size_t dc = static_cast<std::size_t>(up64(static_cast<long long>(p.dstPairs) * p.dstH));
  Rux8u *sY = base, *sU = sY + sy0, *sV = sU + sc, *dY = sV + sc, *dU = dY + dy0, *dV = dU + dc, *work = dV + dc;
  for (int y = 0; y < p.srcH; ++y) {
    const Rux8u* s = rowPtr(pSrc, srcStep, y);
    for (int x = 0; x < p.srcW; ++x) sY[static_cast<std::size_t>(y) * p.srcW + x] = s[2 * x];
    for (int q = 0; q < p.srcPairs; ++q) {
      sU[static_cast<std::size_t>(y) * p.srcPairs + q] = s[4 * q + 1];
      sV[static_cast<std::size_t>(y) * p.srcPairs + q] = s[4 * q + 3];
    }
  }
  // Destination pixel x (region-relative) belongs to pair (dstX + x) / 2 - dstPair0 and holds U
  // when dstX + x is even, V otherwise.
  const auto chromaAt = [&](int y, int x) -> Rux8u& {
    const int a = dstX + x, q = a / 2 - p.dstPair0;
    return ((a & 1) ? dV : dU)[static_cast<std::size_t>(y) * p.dstPairs + q];
  };
  for (int y = 0; y < p.dstH; ++y) {
    const Rux8u* d = rowPtr(static_cast<const Rux8u*>(pDst), dstStep, y);
    for (int x = 0; x < p.dstW; ++x) {
      dY[static_cast<std::size_t>(y) * p.dstW + x] = d[2 * x];
      chromaAt(y, x) = d[2 * x + 1];
    }
  }
  const RuxImageSize sSize{p.srcW, p.srcH}, cSize{p.srcPairs, p.srcH};
  const RuxImageRect sRoi{0, 0, p.srcW, p.srcH}, cRoi{0, 0, p.srcPairs, p.srcH};
  const RuxImageRect dRoi{0, 0, p.dstW, p.dstH}, dcRoi{0, 0, p.dstPairs, p.dstH};
  RuxResult st = ruxiResizeSqrPixel_8u_C1R(sY, sSize, p.srcW, sRoi, dY, p.dstW, dRoi, sx, sy, shx, shy, interpolation, work);
  if (st < 0) return st;
  RuxResult c = ruxiResizeSqrPixel_8u_C1R(sU, cSize, p.srcPairs, cRoi, dU, p.dstPairs, dcRoi, scx, sy, shcx, shy,
                                          interpolation, work);
  if (c >= 0) c = ruxiResizeSqrPixel_8u_C1R(sV, cSize, p.srcPairs, cRoi, dV, p.dstPairs, dcRoi, scx, sy, shcx, shy,
                                            interpolation, work);
  if (c < 0) return c;
  for (int y = 0; y < p.dstH; ++y) {
    Rux8u* d = rowPtr(pDst, dstStep, y);
    for (int x = 0; x < p.dstW; ++x) {
      d[2 * x] = dY[static_cast<std::size_t>(y) * p.dstW + x];
      d[2 * x + 1] = chromaAt(y, x);
    }
  }
  return st != ruxStatusOk ? st : c;
}

bool badRect(RuxImageRect r) { return r.x < 0 || r.y < 0 || r.width < 1 || r.height < 1; }

int interpMode(int interpolation) { return interpolation & 0x7FFFFFFF; }

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiResizeYUV420GetSize(RuxImageSize srcSize, RuxImageSize dstSize, int interpolation, int antialiasing,
                                         int* pSpecSize, int* pInitBufSize) {
  return yuv420GetSize(srcSize, dstSize, interpolation, antialiasing, pSpecSize, pInitBufSize);
}

RUXAPI RuxResult ruxiResizeYUV420GetBufferSize(const RuxResizeYUV420Spec* pSpec, RuxImageSize dstSize, int* pBufSize) {
  if (pSpec == nullptr || pBufSize == nullptr) return ruxStatusNullPointer;
  if (dstSize.width == 0 || dstSize.height == 0) return ruxStatusNoWork;
  const YuvState* y = checkedYuv(pSpec, kId420);
  if (y == nullptr) return ruxStatusBadContext;
  if (dstSize.width < 0 || dstSize.height < 0) return ruxStatusBadSize;
  const State* l = plane(y, y->lumaAt);
  const long long bytes = yuvWork(y, std::min(dstSize.width, l->cols.dst), std::min(dstSize.height, l->rows.dst));
  if (bytes >= kLimit) return ruxStatusBadSize;
  *pBufSize = static_cast<int>(bytes);
  return dstSize.width > l->cols.dst || dstSize.height > l->rows.dst ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeYUV420GetBorderSize(const RuxResizeYUV420Spec* pSpec, int pBorderSize[4]) {
  return yuvBorderSize(pSpec, kId420, pBorderSize);
}

RUXAPI RuxResult ruxiResizeYUV420GetSrcOffset(const RuxResizeYUV420Spec* pSpec, RuxImagePoint dstOffset,
                                              RuxImagePoint* pSrcOffset) {
  return yuvSrcOffset(pSpec, kId420, dstOffset, pSrcOffset);
}

RUXAPI RuxResult ruxiResizeYUV420LanczosInit(RuxImageSize srcSize, RuxImageSize dstSize, int numLobes,
                                             RuxResizeYUV420Spec* pSpec, Rux8u* pInitBuf) {
  return yuv420Init(kLanczos, numLobes, srcSize, dstSize, pSpec, pInitBuf);
}

RUXAPI RuxResult ruxiResizeYUV420SuperInit(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeYUV420Spec* pSpec) {
  return yuv420Init(kSuper, 0, srcSize, dstSize, pSpec, nullptr);
}

RUXAPI RuxResult ruxiResizeYUV420Lanczos_8u_P2R(const Rux8u* pSrcY, int srcYStep, const Rux8u* pSrcUV, int srcUVStep,
                                                Rux8u* pDstY, int dstYStep, Rux8u* pDstUV, int dstUVStep,
                                                RuxImagePoint dstOffset, RuxImageSize dstSize, int border,
                                                const Rux8u* pBorderValue, const RuxResizeYUV420Spec* pSpec,
                                                Rux8u* pBuffer) {
  (void)pBorderValue;
  return yuv420Tile(pSrcY, srcYStep, pSrcUV, srcUVStep, pDstY, dstYStep, pDstUV, dstUVStep, dstOffset, dstSize, border,
                    true, kLanczos, pSpec, pBuffer);
}

RUXAPI RuxResult ruxiResizeYUV420Super_8u_P2R(const Rux8u* pSrcY, int srcYStep, const Rux8u* pSrcUV, int srcUVStep,
                                              Rux8u* pDstY, int dstYStep, Rux8u* pDstUV, int dstUVStep,
                                              RuxImagePoint dstOffset, RuxImageSize dstSize,
                                              const RuxResizeYUV420Spec* pSpec, Rux8u* pBuffer) {
  return yuv420Tile(pSrcY, srcYStep, pSrcUV, srcUVStep, pDstY, dstYStep, pDstUV, dstUVStep, dstOffset, dstSize, 0,
                    false, kSuper, pSpec, pBuffer);
}

RUXAPI RuxResult ruxiResizeYUV420GetBufSize(RuxImageSize srcSize, RuxImageSize dstSize, int interpolation, int* pBufSize) {
  if (pBufSize == nullptr) return ruxStatusNullPointer;
  int mode;
  long long state, total;
  const RuxResult st = yuv420Frame(srcSize, dstSize, interpolation, &mode, &state, &total);
  if (st != ruxStatusOk) return st;
  *pBufSize = static_cast<int>(total);
  return ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeYUV420_8u_P2R(const Rux8u* pSrcY, int srcYStep, const Rux8u* pSrcUV, int srcUVStep,
                                         RuxImageSize srcSize, Rux8u* pDstY, int dstYStep, Rux8u* pDstUV, int dstUVStep,
                                         RuxImageSize dstSize, int interpolation, Rux8u* pBuffer) {
  if (pSrcY == nullptr || pSrcUV == nullptr || pDstY == nullptr || pDstUV == nullptr || pBuffer == nullptr)
    return ruxStatusNullPointer;
  int mode;
  long long state, total;
  const RuxResult st = yuv420Frame(srcSize, dstSize, interpolation, &mode, &state, &total);
  if (st != ruxStatusOk) return st;
  const int lobes = mode == kLanczos ? 3 : 0;
  fillYuv(pBuffer, kId420, mode, lobes, srcSize, dstSize);
  const YuvState* y = yuvAt(pBuffer);
  Rux8u* work = reinterpret_cast<Rux8u*>(const_cast<YuvState*>(y)) + (state - 64);
  // Bands of chroma rows (two luma rows each) run as tiles of the frame on the library's threads:
  // a tile gives the bits of the whole call. The first band works in the caller's buffer, the
  // others in scratch of a whole frame's work each (any band fits); without it one thread runs.
  const long long touched = 3LL * (static_cast<long long>(srcSize.width) * srcSize.height +
                                   static_cast<long long>(dstSize.width) * dstSize.height) / 2;
  const int chromaRows = (dstSize.height + 1) / 2;
  int threads = std::min(par::threadsForBytes(touched), chromaRows);
  const long long frameWork = yuvWork(y, dstSize.width, dstSize.height);
  Scratch<Rux8u> more(threads > 1 ? (threads - 1) * frameWork : 0);
  if (!more) threads = 1;
  par::forEachRowBlock(chromaRows, threads, [&](par::RowRange r) {
    const int y0 = 2 * r.begin, y1 = std::min(dstSize.height, 2 * r.end);
    const YuvTile t = yuvTile(y, {0, y0}, {dstSize.width, y1 - y0});
    Rux8u* w = r.begin == 0 ? work : more.get() + (omp_get_thread_num() - 1) * frameWork;
    run420(t, mode, ruxBorderReplicate, rowPtr(pSrcY, srcYStep, t.luma.sy) + t.luma.sx, srcYStep,
           rowPtr(pSrcUV, srcUVStep, t.chroma.sy) + 2 * t.chroma.sx, srcUVStep, rowPtr(pDstY, dstYStep, y0), dstYStep,
           rowPtr(pDstUV, dstUVStep, y0 / 2), dstUVStep, w);
  });
  const bool odd = ((srcSize.width | srcSize.height | dstSize.width | dstSize.height) & 1) != 0;
  return odd ? ruxStatusOddSize : ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeYUV422GetSize(RuxImageSize srcSize, RuxImageSize dstSize, int interpolation, int antialiasing,
                                         int* pSpecSize, int* pBufSize) {
  return yuv422GetSize(srcSize, dstSize, interpolation, antialiasing, pSpecSize, pBufSize);
}

RUXAPI RuxResult ruxiResizeYUV422GetBorderSize(const RuxResizeYUV422Spec* pSpec, int pBorderSize[4]) {
  return yuvBorderSize(pSpec, kId422, pBorderSize);
}

RUXAPI RuxResult ruxiResizeYUV422GetSrcOffset(const RuxResizeYUV422Spec* pSpec, RuxImagePoint dstOffset,
                                              RuxImagePoint* pSrcOffset) {
  return yuvSrcOffset(pSpec, kId422, dstOffset, pSrcOffset);
}

RUXAPI RuxResult ruxiResizeYUV422NearestInit(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeYUV422Spec* pSpec) {
  return yuv422Init(kNearest, srcSize, dstSize, pSpec);
}

RUXAPI RuxResult ruxiResizeYUV422LinearInit(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeYUV422Spec* pSpec) {
  return yuv422Init(kLinear, srcSize, dstSize, pSpec);
}

RUXAPI RuxResult ruxiResizeYUV422Nearest_8u_C2R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                                RuxImagePoint dstOffset, RuxImageSize dstSize,
                                                const RuxResizeYUV422Spec* pSpec, Rux8u* pBuffer) {
  return yuv422Tile(pSrc, srcStep, pDst, dstStep, dstOffset, dstSize, 0, false, kNearest, pSpec, pBuffer);
}

RUXAPI RuxResult ruxiResizeYUV422Linear_8u_C2R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                               RuxImagePoint dstOffset, RuxImageSize dstSize, int border,
                                               const Rux8u* pBorderValue, const RuxResizeYUV422Spec* pSpec,
                                               Rux8u* pBuffer) {
  (void)pBorderValue;
  return yuv422Tile(pSrc, srcStep, pDst, dstStep, dstOffset, dstSize, border, true, kLinear, pSpec, pBuffer);
}

RUXAPI RuxResult ruxiResizeYUV422GetBufSize(RuxImageRect srcRoi, RuxImageRect dstRoi, int interpolation, int* pBufSize) {
  if (pBufSize == nullptr) return ruxStatusNullPointer;
  if (badRect(srcRoi) || badRect(dstRoi) || (srcRoi.width & 1) != 0) return ruxStatusBadSize;
  const long long bytes = bytes422(planes422(srcRoi.width, srcRoi.height, dstRoi), interpolation);
  if (bytes < 0) return ruxStatusBadInterpolation;
  if (bytes >= kLimit) return ruxStatusBadSize;
  *pBufSize = static_cast<int>(bytes);
  return ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeYUV422_8u_C2R(const Rux8u* pSrc, RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi,
                                         Rux8u* pDst, int dstStep, RuxImageRect dstRoi, double xFactor, double yFactor,
                                         int interpolation, Rux8u* pBuffer) {
  if (pSrc == nullptr || pDst == nullptr || pBuffer == nullptr) return ruxStatusNullPointer;
  if (srcSize.width < 2 || srcSize.height < 1 || badRect(srcRoi) || badRect(dstRoi) || (srcRoi.width & 1) != 0)
    return ruxStatusBadSize;
  if ((srcRoi.x & 1) != 0) return ruxStatusOddOffset;
  if (!(xFactor > 0 && yFactor > 0 && std::isfinite(xFactor) && std::isfinite(yFactor)))
    return ruxStatusBadResizeFactor;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ruxStatusNoIntersection;
  // The clipped region keeps whole pixel pairs.
  const int w = std::min(srcSize.width - srcRoi.x, srcRoi.width) & ~1, h = std::min(srcSize.height - srcRoi.y, srcRoi.height);
  if (w < 2) return ruxStatusNoIntersection;
  const Planes422 p = planes422(w, h, dstRoi);
  const Rux8u* src = rowPtr(pSrc, srcStep, srcRoi.y) + 2 * srcRoi.x;
  Rux8u* dst = rowPtr(pDst, dstStep, dstRoi.y) + 2 * dstRoi.x;
  // Absolute mapping x' = x * factor: planes start at the regions' origins (chroma at pairs).
  const double shx = srcRoi.x * xFactor - dstRoi.x, shcx = (srcRoi.x / 2) * xFactor - p.dstPair0;
  const double shy = srcRoi.y * yFactor - dstRoi.y;
  return resize422(src, srcStep, p, dst, dstStep, dstRoi.x, xFactor, xFactor, yFactor, shx, shcx, shy, interpolation,
                   pBuffer);
}

RUXAPI RuxResult ruxiResizeYCbCr422GetBufSize(RuxImageRect srcRoi, RuxImageSize dstSize, int interpolation, int* pBufSize) {
  if (pBufSize == nullptr) return ruxStatusNullPointer;
  if (badRect(srcRoi) || srcRoi.width < 2 || srcRoi.height < 2 || dstSize.width < 2 || dstSize.height < 2)
    return ruxStatusBadSize;
  const int m = interpMode(interpolation);
  if (m != kNearest && m != kLinear && m != kCubic && m != kCatmullRom && m != kLanczos) return ruxStatusBadInterpolation;
  const long long bytes = bytes422(planes422(srcRoi.width & ~1, srcRoi.height, {0, 0, dstSize.width, dstSize.height}), m);
  if (bytes < 0 || bytes >= kLimit) return ruxStatusBadSize;
  *pBufSize = static_cast<int>(bytes);
  return ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeYCbCr422_8u_C2R(const Rux8u* pSrc, RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi,
                                           Rux8u* pDst, int dstStep, RuxImageSize dstSize, int interpolation,
                                           Rux8u* pBuffer) {
  if (pSrc == nullptr || pDst == nullptr || pBuffer == nullptr) return ruxStatusNullPointer;
  if (srcSize.width < 2 || srcSize.height < 2 || badRect(srcRoi) || srcRoi.width < 2 || srcRoi.height < 2 ||
      dstSize.width < 2 || dstSize.height < 2)
    return ruxStatusBadSize;
  const int m = interpMode(interpolation);
  if (m != kNearest && m != kLinear && m != kCubic && m != kCatmullRom && m != kLanczos) return ruxStatusBadInterpolation;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ruxStatusNoIntersection;
  if ((srcRoi.x & 1) != 0) return ruxStatusOddOffset;
  const int w = std::min(srcSize.width - srcRoi.x, srcRoi.width) & ~1, h = std::min(srcSize.height - srcRoi.y, srcRoi.height);
  if (w < 2) return ruxStatusNoIntersection;
  // The region fills the whole destination; chroma pairs fill every pair of it (an odd width
  // ends with a pixel whose pair has no second pixel).
  const Planes422 p = planes422(w, h, {0, 0, dstSize.width, dstSize.height});
  const double sx = static_cast<double>(dstSize.width) / w, sy = static_cast<double>(dstSize.height) / h;
  const double scx = static_cast<double>(p.dstPairs) / p.srcPairs;
  const Rux8u* src = rowPtr(pSrc, srcStep, srcRoi.y) + 2 * srcRoi.x;
  return resize422(src, srcStep, p, pDst, dstStep, 0, sx, scx, sy, 0.0, 0.0, 0.0, m, pBuffer);
}
