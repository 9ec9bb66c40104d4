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
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <type_traits>

#include "core/base.h"
#include "primitives/resample_area.h"
#include "primitives/resample_engine.h"
#include "primitives/resample_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

using namespace resample;

constexpr std::uint32_t kStateId = 0x4B617389u;
constexpr long long kHeaderBytes = 176;
constexpr long long kLimit = 1LL << 31;

struct AxisRecord {
  std::int32_t src, dst;                // sizes
  std::int32_t srcReduced, dstReduced;  // both divided by their gcd
  std::int64_t firstAt, weightAt;       // byte offsets of the tables from the object
  std::int32_t edgeLead, edgeTrail;     // destination indices whose taps leave the source before / after it
  std::int32_t taps;                    // taps per index (per phase for super-sampling)
};

struct State {
  std::uint32_t id;
  std::int32_t mode;     // 1, 2, 6, 8, 16
  std::int32_t support;  // taps on each side
  std::int32_t reserved;
  std::int32_t border[4];  // left, top, right, bottom
  AxisRecord rows, cols;
  std::int32_t wide;  // tables in double (64f)
  float b, c;         // cubic parameters
};
static_assert(sizeof(State) <= kHeaderBytes, "state header");

long long up32(long long v) { return (v + 31) & ~31LL; }

State* stateAt(void* p) {
  return reinterpret_cast<State*>((reinterpret_cast<std::uintptr_t>(p) + 63) & ~std::uintptr_t{63});
}
const State* stateAt(const void* p) { return stateAt(const_cast<void*>(p)); }

template <class X>
X* tableAt(const State* s, std::int64_t at) {
  return reinterpret_cast<X*>(reinterpret_cast<std::uintptr_t>(s) + static_cast<std::uintptr_t>(at));
}

// Super-sampling taps per phase of one axis: d * slots entries.
long long superSlots(int s, int d) {
  const int r = s % d;
  return s / d + (r == 0 ? 0 : r == 1 ? 1 : 2);
}

struct Reduced {
  int s, d;
};
Reduced reduce(int src, int dst) {
  const int g = std::gcd(src, dst);
  return {src / g, dst / g};
}

// Bytes of the state for a mode; lobes 3 is the larger Lanczos layout. e: bytes of a weight.
long long stateBytes(int mode, RuxImageSize src, RuxImageSize dst, bool wide) {
  const long long W = dst.width, H = dst.height, D = up32(H) + up32(W), e = wide ? 8 : 4;
  switch (mode) {
    case kNearest: return 4 * D + kHeaderBytes + 64;
    case kLinear: return (4 + e) * D + kHeaderBytes + 64;
    case kCatmullRom: return 4 * D + kHeaderBytes + e * 32 * (((4 * W + 127) >> 5) + ((4 * H + 127) >> 5)) + 64;
    case kLanczos: return 4 * D + kHeaderBytes + e * 32 * (((6 * W + 193) >> 5) + ((6 * H + 193) >> 5)) + 64;
    default: {  // super-sampling
      const Reduced x = reduce(src.width, dst.width), y = reduce(src.height, dst.height);
      const long long a = x.d * superSlots(x.s, x.d), b = y.d * superSlots(y.s, y.d);
      return 4 * (up32(a) + up32(b)) + e * (a + b) + kHeaderBytes + 64;
    }
  }
}

int minSource(int mode, int lobes) {
  if (mode == kLinear) return 2;
  if (mode == kCatmullRom) return 4;
  if (mode == kLanczos) return lobes == 3 ? 6 : 4;
  return 1;
}

bool anyZero(RuxImageSize a, RuxImageSize b) { return a.width == 0 || a.height == 0 || b.width == 0 || b.height == 0; }
bool anyNegative(RuxImageSize a, RuxImageSize b) { return a.width < 0 || a.height < 0 || b.width < 0 || b.height < 0; }

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

// Weight generators of the cubic state: the three named (B, C) pairs have their own forms.
double cubicWeight(float b, float c, double x) {
  if (b == 0.0f && c == 0.5f) return cubicKernel(kCatmullRom, x);
  if (b == 1.0f && c == 0.0f) return cubicKernel(kBSpline, x);
  if (b == 0.5f && c == 0.3f) return cubicKernel(kB05C03, x);
  return mitchellKernel(b, c, x);
}

// Lanczos kernel with a lobes: a sin(pi x) sin(pi x / a) / (pi x)^2, exactly 0 at the nonzero
// integers and beyond a.
double lanczosWeight(int a, double x) {
  if (x == 0.0) return 1.0;
  if (x >= a || x == std::floor(x)) return 0.0;
  const double pi = 3.14159265358979323846, px = pi * x;
  return a * std::sin(px) * std::sin(px / a) / (px * px);
}

struct InitArgs {
  int mode;
  int lobes;
  float b, c;
};

// Tables of one axis at the given byte offsets; returns the record.
template <class Wt>
AxisRecord buildAxisTables(State* st, const InitArgs& in, int src, int dst, std::int64_t firstAt, std::int64_t weightAt) {
  AxisRecord r{};
  r.src = src;
  r.dst = dst;
  const Reduced red = reduce(src, dst);
  r.srcReduced = red.s;
  r.dstReduced = red.d;
  r.firstAt = firstAt;
  r.weightAt = weightAt;
  int* first = tableAt<int>(st, firstAt);
  Wt* weight = tableAt<Wt>(st, weightAt);
  const double inv = static_cast<double>(red.s) / red.d;
  if (in.mode == kSuper) {
    // Phase p covers [p s / d, (p + 1) s / d) of its period, in units of 1 / d.
    const long long slots = superSlots(red.s, red.d);
    r.taps = static_cast<int>(slots);
    int* taps = first + red.d;
    for (int p = 0; p < red.d; ++p) {
      const long long a = static_cast<long long>(p) * red.s, b = a + red.s;
      const long long j0 = a / red.d, j1 = (b + red.d - 1) / red.d;
      first[p] = static_cast<int>(j0);
      taps[p] = static_cast<int>(j1 - j0);
      for (long long j = j0; j < j1; ++j) {
        const long long covered = std::min(b, (j + 1) * red.d) - std::max(a, j * red.d);
        weight[p * slots + (j - j0)] = static_cast<Wt>(static_cast<double>(covered) / red.s);
      }
      for (long long j = j1 - j0; j < slots; ++j) weight[p * slots + j] = Wt(0);
    }
    return r;
  }
  if (in.mode == kNearest) {
    r.taps = 1;
    for (int d = 0; d < dst; ++d)
      first[d] = std::clamp(static_cast<int>((d + 0.5) * inv - 1e-10), 0, src - 1);
    return r;
  }
  const int lead = in.mode == kLinear ? 0 : in.mode == kCatmullRom ? 1 : in.lobes - 1;
  const int taps = in.mode == kLinear ? 2 : in.mode == kCatmullRom ? 4 : 2 * in.lobes;
  r.taps = taps;
  for (int d = 0; d < dst; ++d) {
    const double u = (d + 0.5) * inv - 0.5;
    const int i = floorIndex(u);
    const double t = u - i;
    first[d] = i - lead;
    if (first[d] < 0) ++r.edgeLead;
    if (first[d] + taps > src) ++r.edgeTrail;
    if (in.mode == kLinear) {
      weight[d] = static_cast<Wt>(t);
      continue;
    }
    Wt* w = weight + static_cast<std::ptrdiff_t>(d) * taps;
    if (in.mode == kCatmullRom) {
      for (int k = 0; k < 4; ++k) w[k] = static_cast<Wt>(cubicWeight(in.b, in.c, std::fabs(k - 1 - t)));
    } else {
      double v[6], sum = 0.0;
      for (int k = 0; k < taps; ++k) sum += v[k] = lanczosWeight(in.lobes, std::fabs(k - lead - t));
      for (int k = 0; k < taps; ++k) w[k] = static_cast<Wt>(v[k] / sum);
    }
  }
  return r;
}

template <class Wt>
void fillState(State* st, const InitArgs& in, RuxImageSize src, RuxImageSize dst) {
  const long long W = dst.width, H = dst.height, D = up32(W) + up32(H);
  const long long e = sizeof(Wt);
  std::int64_t colsFirst = kHeaderBytes, rowsFirst = kHeaderBytes + 4 * up32(W), colsW = 0, rowsW = 0;
  switch (in.mode) {
    case kLinear:
      colsW = kHeaderBytes + 4 * D;
      rowsW = colsW + e * up32(W);
      break;
    case kCatmullRom:
      colsW = kHeaderBytes + 4 * D;
      rowsW = colsW + e * 32 * ((4 * W + 127) >> 5);
      break;
    case kLanczos:
      colsW = kHeaderBytes + 4 * D;
      rowsW = colsW + e * 32 * ((6 * W + 193) >> 5);
      break;
    case kSuper: {
      const Reduced x = reduce(src.width, dst.width), y = reduce(src.height, dst.height);
      const long long a = x.d * superSlots(x.s, x.d), b = y.d * superSlots(y.s, y.d);
      colsFirst = kHeaderBytes;
      rowsFirst = colsFirst + 4 * up32(a);
      colsW = rowsFirst + 4 * up32(b);
      rowsW = colsW + e * a;
      break;
    }
    default:
      break;
  }
  State s{};
  s.id = kStateId;
  s.mode = in.mode;
  s.support = in.mode == kLinear ? 1 : in.mode == kCatmullRom ? 2 : in.mode == kLanczos ? in.lobes : 0;
  for (int k = 0; k < 4; ++k) s.border[k] = s.support;
  s.wide = e == 8;
  s.b = in.b;
  s.c = in.c;
  // The tables go first (the header of a reused state may still carry a valid identifier).
  st->id = 0;
  s.cols = buildAxisTables<Wt>(st, in, src.width, dst.width, colsFirst, colsW);
  s.rows = buildAxisTables<Wt>(st, in, src.height, dst.height, rowsFirst, rowsW);
  *st = s;
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

// The state of a use: identifier, precision and (for the resize calls) the mode must match.
const State* checked(const RuxResizeSpec* p, bool wide, int mode) {
  const State* s = stateAt(p);
  if (s->id != kStateId || s->wide != (wide ? 1 : 0)) return nullptr;
  if (mode != 0 && s->mode != mode) return nullptr;
  return s;
}

// Per-call work: index tables of the tile's columns and rows, then the mode's rows.
long long workBytes(const State* s, long long nW, long long nH, long long C) {
  const long long base = 4 * (up32(nH) + up32(nW)), e = s->wide ? 8 : 4;
  long long rows = 0;
  switch (s->mode) {
    case kNearest: break;
    case kLinear: rows = C * e * ((2 * nW + 63) & ~31LL); break;
    case kCatmullRom: rows = C * e * ((4 * nW + 127) & ~31LL); break;
    case kLanczos:
      rows = s->support == 3 ? C * e * ((6 * nW + 191) & ~31LL) : C * e * ((4 * nW + 127) & ~31LL);
      break;
    default:  // super-sampling: phases per index and two rows (sum and horizontal row)
      rows = base + 2 * C * e * up32(nW);
      break;
  }
  return base + rows + 64;
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

// Source position of a destination index's first tap row or column: floor(d s / d') exactly.
int sourceOffset(const AxisRecord& r, int d) {
  return static_cast<int>(static_cast<long long>(d) * r.srcReduced / r.dstReduced);
}

bool outside(const State* s, RuxImagePoint p) {
  return p.x < 0 || p.y < 0 || p.x >= s->cols.dst || p.y >= s->rows.dst;
}

RuxResult getSrcOffset(const RuxResizeSpec* pSpec, RuxImagePoint dstOffset, RuxImagePoint* pSrcOffset, bool wide) {
  if (pSpec == nullptr || pSrcOffset == nullptr) return ruxStatusNullPointer;
  const State* s = checked(pSpec, wide, 0);
  if (s == nullptr) return ruxStatusBadContext;
  if (outside(s, dstOffset)) return ruxStatusOutOfRange;
  *pSrcOffset = {sourceOffset(s->cols, dstOffset.x), sourceOffset(s->rows, dstOffset.y)};
  return ruxStatusOk;
}

// Source positions [lo, hi] that destination indices [d0, d1) of one axis read, clipped.
void readSpan(const State* s, const AxisRecord& r, int d0, int d1, int* lo, int* hi) {
  const int* first = tableAt<const int>(s, r.firstAt);
  int a, b;
  if (s->mode == kNearest) {
    a = first[d0], b = first[d1 - 1];
  } else if (s->mode == kSuper) {
    const int* taps = first + r.dstReduced;
    const auto at = [&](int d) { return (d / r.dstReduced) * r.srcReduced + first[d % r.dstReduced]; };
    a = at(d0);
    b = at(d1 - 1) + taps[(d1 - 1) % r.dstReduced] - 1;
  } else {
    a = first[d0], b = first[d1 - 1] + r.taps - 1;
  }
  *lo = std::clamp(a, 0, r.src - 1);
  *hi = std::clamp(b, 0, r.src - 1);
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

// ---------------------------------------------------------------------------------------------
// Tile calls

template <class T>
using Work = std::conditional_t<std::is_same_v<T, double>, double, float>;

struct Tile {
  const State* s;
  int W, H;          // clipped tile
  int ox, oy;        // destination offset
  int sx, sy;        // source offset the pointer addresses
  bool exceeds;
};

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

// The clamp box in tile coordinates: the source image, opened by the border size on each side
// read from memory.
Box clampBox(const Tile& t, int border) {
  const bool all = (border & 7) == ruxBorderInMemory || (border & 0xF0) == 0xF0;
  Box b{-t.sx, t.s->cols.src - t.sx, -t.sy, t.s->rows.src - t.sy};
  if (all || (border & ruxBorderInMemoryLeft)) b.x0 -= t.s->border[0];
  if (all || (border & ruxBorderInMemoryTop)) b.y0 -= t.s->border[1];
  if (all || (border & ruxBorderInMemoryRight)) b.x1 += t.s->border[2];
  if (all || (border & ruxBorderInMemoryBottom)) b.y1 += t.s->border[3];
  return b;
}

unsigned char* alignedWork(Rux8u* p) {
  return reinterpret_cast<unsigned char*>((reinterpret_cast<std::uintptr_t>(p) + 63) & ~std::uintptr_t{63});
}

// The tile's axis over the state's table: first taps shifted by the source offset, weights of
// the state; inner indices are those whose taps all lie in [lo, hi).
template <class A>
Axis<A> tileAxis(const State* s, const AxisRecord& r, int d0, int count, int shift, int* first, int lo, int hi) {
  Axis<A> ax;
  ax.count = count;
  ax.taps = r.taps;
  ax.fractionOnly = s->mode == kLinear;
  ax.first = first;
  const int* table = tableAt<const int>(s, r.firstAt);
  for (int d = 0; d < count; ++d) first[d] = table[d0 + d] - shift;
  ax.weight = tableAt<A>(s, r.weightAt) + static_cast<std::ptrdiff_t>(d0) * (ax.fractionOnly ? 1 : r.taps);
  int b = 0;
  while (b < count && first[b] < lo) ++b;
  int e = b;
  while (e < count && first[e] + r.taps <= hi) ++e;
  ax.innerBegin = b;
  ax.innerEnd = e;
  return ax;
}

template <class T>
VerticalFn<T, Work<T>> storeKernel(const RowKernels& k) {
  if constexpr (std::is_same_v<T, Rux8u>) return k.to8u.round[kNearestEven][0];
  else if constexpr (std::is_same_v<T, Rux16u>) return k.to16u.round[kNearestEven][0];
  else if constexpr (std::is_same_v<T, Rux32f>) return k.to32f[0];
  else return k.to64f[0];
}

template <class T>
LerpFn<T, Work<T>> lerpKernel(const RowKernels& k) {
  if constexpr (std::is_same_v<T, Rux8u>) return k.lerp.to8u;
  else if constexpr (std::is_same_v<T, Rux16u>) return k.lerp.to16u;
  else if constexpr (std::is_same_v<T, Rux32f>) return k.lerp.to32f;
  else return k.lerp.to64f;
}

template <int NT, class T, int C>
void separableTile(const Tile& t, const T* pSrc, int srcStep, T* pDst, int dstStep, int border, Rux8u* pBuffer) {
  using A = Work<T>;
  const State* s = t.s;
  const Box box = clampBox(t, border);
  Carve mem;
  mem.base = alignedWork(pBuffer);
  int* fx = mem.take<int>(static_cast<std::size_t>(up32(t.W)));
  int* fy = mem.take<int>(static_cast<std::size_t>(up32(t.H)));
  const Axis<A> ax = tileAxis<A>(s, s->cols, t.ox, t.W, t.sx, fx, box.x0, box.x1);
  const Axis<A> ay = tileAxis<A>(s, s->rows, t.oy, t.H, t.sy, fy, box.y0, box.y1);
  const std::size_t len = static_cast<std::size_t>(t.W) * C;
  const int slots = RowRing<A>::slotsFor(ay.taps, box);
  A* ringMem = mem.take<A>(static_cast<std::size_t>(slots) * len);
  const A* ptrs[6];
  RowRing<A> ring(ringMem, slots, len, ptrs, box.y0, box.y1);
  const auto makeRow = [&](int r, A* out) { horizontalRow<NT, T, A, C>(rowPtr(pSrc, srcStep, r), ax, box, out); };
  const RowKernels& k = rowKernels();
  const auto store = storeKernel<T>(k);
  const auto lerp = lerpKernel<T>(k);
  for (int y = 0; y < t.H; ++y) {
    ring.advance(ay.first[y], ay.taps, makeRow);
    T* d = rowPtr(pDst, dstStep, y);
    if constexpr (NT == 2) lerp(ring.rows()[0], ring.rows()[1], ay.weight[y], d, len);
    else store(ring.rows(), ay.weight + static_cast<std::ptrdiff_t>(y) * NT, NT, d, len);
  }
}

template <class T, int C>
RuxResult separable(const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImagePoint off, RuxImageSize size, int border,
                    const RuxResizeSpec* pSpec, Rux8u* pBuffer, int mode) {
  Tile t;
  const RuxResult st =
      checkTile(pSrc, pDst, pSpec, pBuffer, off, size, border, true, mode, std::is_same_v<T, double>, &t);
  if (st != ruxStatusOk) return st;
  switch (t.s->cols.taps) {
    case 2: separableTile<2, T, C>(t, pSrc, srcStep, pDst, dstStep, border, pBuffer); break;
    case 4: separableTile<4, T, C>(t, pSrc, srcStep, pDst, dstStep, border, pBuffer); break;
    default: separableTile<6, T, C>(t, pSrc, srcStep, pDst, dstStep, border, pBuffer); break;
  }
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

template <class T, int C>
RuxResult nearest(const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImagePoint off, RuxImageSize size,
                  const RuxResizeSpec* pSpec, Rux8u* pBuffer) {
  Tile t;
  const RuxResult st = checkTile(pSrc, pDst, pSpec, pBuffer, off, size, 0, false, kNearest, false, &t);
  if (st != ruxStatusOk) return st;
  const State* s = t.s;
  Carve mem;
  mem.base = alignedWork(pBuffer);
  int* cols = mem.take<int>(static_cast<std::size_t>(up32(t.W)));
  const int* cx = tableAt<const int>(s, s->cols.firstAt) + t.ox;
  const int* cy = tableAt<const int>(s, s->rows.firstAt) + t.oy;
  for (int x = 0; x < t.W; ++x) cols[x] = (cx[x] - t.sx) * C;
  for (int y = 0; y < t.H; ++y) {
    const T* srow = rowPtr(pSrc, srcStep, cy[y] - t.sy);
    T* d = rowPtr(pDst, dstStep, y);
    for (int x = 0; x < t.W; ++x)
      for (int k = 0; k < C; ++k) storeSample<T>(d + x * C + k, loadSample<T>(srow + cols[x] + k));
  }
  return t.exceeds ? ruxStatusSizeExceedsSpec : ruxStatusOk;
}

// The area axis of a tile: per index the first source position (relative to the source offset)
// and the phase of the reduced ratio.
AreaAxis<float> areaAxis(const State* s, const AxisRecord& r, int d0, int count, int shift, int* first, int* phase) {
  const int* start = tableAt<const int>(s, r.firstAt);
  int q = d0 / r.dstReduced, p = d0 % r.dstReduced;
  for (int d = 0; d < count; ++d) {
    first[d] = q * r.srcReduced + start[p] - shift;
    phase[d] = p;
    if (++p == r.dstReduced) p = 0, ++q;
  }
  AreaAxis<float> ax;
  ax.count = count;
  ax.first = first;
  ax.phase = phase;
  ax.slots = r.taps;
  ax.taps = start + r.dstReduced;
  ax.weight = tableAt<const float>(s, r.weightAt);
  return ax;
}

template <class T, int C>
RuxResult super(const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImagePoint off, RuxImageSize size,
                const RuxResizeSpec* pSpec, Rux8u* pBuffer) {
  Tile t;
  const RuxResult st = checkTile(pSrc, pDst, pSpec, pBuffer, off, size, 0, false, kSuper, false, &t);
  if (st != ruxStatusOk) return st;
  const State* s = t.s;
  Carve mem;
  mem.base = alignedWork(pBuffer);
  const std::size_t w32 = static_cast<std::size_t>(up32(t.W)), h32 = static_cast<std::size_t>(up32(t.H));
  int* fx = mem.take<int>(w32);
  int* fy = mem.take<int>(h32);
  int* px = mem.take<int>(w32);
  int* py = mem.take<int>(h32);
  float* acc = mem.take<float>(w32 * C);
  float* h = mem.take<float>(w32 * C);
  const AreaAxis<float> ax = areaAxis(s, s->cols, t.ox, t.W, t.sx, fx, px);
  const AreaAxis<float> ay = areaAxis(s, s->rows, t.oy, t.H, t.sy, fy, py);
  const RowKernels& k = rowKernels();
  areaResize<T, float, C>(
      ax, ay, [&](int r) { return rowPtr(pSrc, srcStep, r); }, [&](int y) { return rowPtr(pDst, dstStep, y); }, acc, h,
      k.to32f[0], storeKernel<T>(k));
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
