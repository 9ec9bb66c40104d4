// The state of the resize by state and the tile machinery shared by its families (the
// planar and packed YUV resizes run one state per plane grid): the header and tables of a state,
// the per-tile axes over its tables, and the tile loops over the separable and area engines.
#pragma once

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

namespace rux::resizestate {

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

inline long long up32(long long v) { return (v + 31) & ~31LL; }

inline State* stateAt(void* p) {
  return reinterpret_cast<State*>((reinterpret_cast<std::uintptr_t>(p) + 63) & ~std::uintptr_t{63});
}
inline const State* stateAt(const void* p) { return stateAt(const_cast<void*>(p)); }

template <class X>
X* tableAt(const State* s, std::int64_t at) {
  return reinterpret_cast<X*>(reinterpret_cast<std::uintptr_t>(s) + static_cast<std::uintptr_t>(at));
}

// Super-sampling taps per phase of one axis: d * slots entries.
inline long long superSlots(int s, int d) {
  const int r = s % d;
  return s / d + (r == 0 ? 0 : r == 1 ? 1 : 2);
}

struct Reduced {
  int s, d;
};
inline Reduced reduce(int src, int dst) {
  const int g = std::gcd(src, dst);
  return {src / g, dst / g};
}

// Bytes of the state for a mode; lobes 3 is the larger Lanczos layout. e: bytes of a weight.
inline long long stateBytes(int mode, RuxImageSize src, RuxImageSize dst, bool wide) {
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

inline int minSource(int mode, int lobes) {
  if (mode == kLinear) return 2;
  if (mode == kCatmullRom) return 4;
  if (mode == kLanczos) return lobes == 3 ? 6 : 4;
  return 1;
}

inline bool anyZero(RuxImageSize a, RuxImageSize b) { return a.width == 0 || a.height == 0 || b.width == 0 || b.height == 0; }
inline bool anyNegative(RuxImageSize a, RuxImageSize b) { return a.width < 0 || a.height < 0 || b.width < 0 || b.height < 0; }

// Weight generators of the cubic state: the three named (B, C) pairs have their own forms.
inline double cubicWeight(float b, float c, double x) {
  if (b == 0.0f && c == 0.5f) return cubicKernel(kCatmullRom, x);
  if (b == 1.0f && c == 0.0f) return cubicKernel(kBSpline, x);
  if (b == 0.5f && c == 0.3f) return cubicKernel(kB05C03, x);
  return mitchellKernel(b, c, x);
}

// Lanczos kernel with a lobes: a sin(pi x) sin(pi x / a) / (pi x)^2, exactly 0 at the nonzero
// integers and beyond a.
inline double lanczosWeight(int a, double x) {
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

// The state of a use: identifier, precision and (for the resize calls) the mode must match.
inline const State* checked(const void* p, bool wide, int mode) {
  const State* s = stateAt(p);
  if (s->id != kStateId || s->wide != (wide ? 1 : 0)) return nullptr;
  if (mode != 0 && s->mode != mode) return nullptr;
  return s;
}

// Per-call work: index tables of the tile's columns and rows, then the mode's rows.
inline long long workBytes(const State* s, long long nW, long long nH, long long C) {
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

// Source position of a destination index's first tap row or column: floor(d s / d') exactly.
inline int sourceOffset(const AxisRecord& r, int d) {
  return static_cast<int>(static_cast<long long>(d) * r.srcReduced / r.dstReduced);
}

inline bool outside(const State* s, RuxImagePoint p) {
  return p.x < 0 || p.y < 0 || p.x >= s->cols.dst || p.y >= s->rows.dst;
}

// Source positions [lo, hi] that destination indices [d0, d1) of one axis read, clipped.
inline void readSpan(const State* s, const AxisRecord& r, int d0, int d1, int* lo, int* hi) {
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

// The clamp box in tile coordinates: the source image, opened by the border size on each side
// read from memory.
inline Box clampBox(const Tile& t, int border) {
  const bool all = (border & 7) == ruxBorderInMemory || (border & 0xF0) == 0xF0;
  Box b{-t.sx, t.s->cols.src - t.sx, -t.sy, t.s->rows.src - t.sy};
  if (all || (border & ruxBorderInMemoryLeft)) b.x0 -= t.s->border[0];
  if (all || (border & ruxBorderInMemoryTop)) b.y0 -= t.s->border[1];
  if (all || (border & ruxBorderInMemoryRight)) b.x1 += t.s->border[2];
  if (all || (border & ruxBorderInMemoryBottom)) b.y1 += t.s->border[3];
  return b;
}

inline unsigned char* alignedWork(Rux8u* p) {
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

// The tiles below: the source pointer addresses position (t.sx, t.sy) of the source image and
// channel k of position p in a row is row[p * PS + k * CS]; out(y) gives the t.W * C samples of
// destination row y and done(y) runs once they are written (packed formats scatter them there).
// Work memory comes from mem.

template <int NT, class T, int C, int PS = C, int CS = 1, class Out, class Done>
void separableTile(const Tile& t, const T* pSrc, int srcStep, int border, Carve& mem, Out&& out, Done&& done) {
  using A = Work<T>;
  const State* s = t.s;
  const Box box = clampBox(t, border);
  int* fx = mem.take<int>(static_cast<std::size_t>(up32(t.W)));
  int* fy = mem.take<int>(static_cast<std::size_t>(up32(t.H)));
  const Axis<A> ax = tileAxis<A>(s, s->cols, t.ox, t.W, t.sx, fx, box.x0, box.x1);
  const Axis<A> ay = tileAxis<A>(s, s->rows, t.oy, t.H, t.sy, fy, box.y0, box.y1);
  const std::size_t len = static_cast<std::size_t>(t.W) * C;
  const int slots = RowRing<A>::slotsFor(ay.taps, box);
  A* ringMem = mem.take<A>(static_cast<std::size_t>(slots) * len);
  const A* ptrs[6];
  RowRing<A> ring(ringMem, slots, len, ptrs, box.y0, box.y1);
  const RowKernels& k = rowKernels();
  // Row kernels over inner columns [innerBegin, rowEnd): linear rows of interleaved 8u pixels and
  // one-channel 16u and 32f rows over the columns whose last word (four bytes from a tap sample)
  // ends by the row's last tap; four- and six-tap rows of 8u pixels over every inner column (they
  // read exactly the taps). Linear tables hold one fraction per column, the others NT weights.
  void (*rowKernel)(const T*, const std::int32_t*, const float*, float*, std::size_t) = nullptr;
  int rowEnd = ax.innerEnd;
  if constexpr (PS == C && CS == 1) {
    if constexpr (NT == 2 && std::is_same_v<T, Rux8u> && C != 2) rowKernel = k.linear8u.row[C == 1 ? 0 : C == 3 ? 1 : 2];
    if constexpr (NT == 2 && std::is_same_v<T, Rux16u> && C == 1) rowKernel = k.linear16u.row[0];
    if constexpr (NT == 2 && std::is_same_v<T, Rux32f> && C == 1) rowKernel = k.linear32f.row[0];
    if constexpr ((NT == 4 || NT == 6) && std::is_same_v<T, Rux8u>) rowKernel = k.taps8u.row[NT == 4 ? 0 : 1][C - 1];
  }
  if (NT == 2 && rowKernel != nullptr) {
    // The caller's memory may end at the row's last tap, short of the box (a clipped tile).
    const int lastTap = std::min(ax.first[ax.count - 1] + 1, box.x1 - 1);
    const long long boxEnd = (lastTap + 1LL) * C * static_cast<long long>(sizeof(T));
    const auto wordEnd = [&](int d) { return ((ax.first[d] + 1LL) * C + C - 1) * static_cast<long long>(sizeof(T)) + 4; };
    while (rowEnd > ax.innerBegin && wordEnd(rowEnd - 1) > boxEnd) --rowEnd;
  }
  constexpr int kWeightsPerColumn = NT == 2 ? 1 : NT;
  const auto makeRow = [&](int r, A* row) {
    const T* in = rowPtr(pSrc, srcStep, r);
    if constexpr (std::is_same_v<A, float>) {
      if (rowKernel != nullptr && rowEnd > ax.innerBegin) {
        horizontalRange<NT, T, A, C, PS, CS>(in, ax, box, row, 0, ax.innerBegin, true);
        rowKernel(in, ax.first + ax.innerBegin, ax.weight + static_cast<std::ptrdiff_t>(ax.innerBegin) * kWeightsPerColumn,
                  row + static_cast<std::ptrdiff_t>(ax.innerBegin) * C, static_cast<std::size_t>(rowEnd - ax.innerBegin));
        horizontalRange<NT, T, A, C, PS, CS>(in, ax, box, row, rowEnd, ax.count, true);
        return;
      }
    }
    horizontalRow<NT, T, A, C, PS, CS>(in, ax, box, row);
  };
  const auto store = storeKernel<T>(k);
  const auto lerp = lerpKernel<T>(k);
  for (int y = 0; y < t.H; ++y) {
    ring.advance(ay.first[y], ay.taps, makeRow);
    T* d = out(y);
    if constexpr (NT == 2) lerp(ring.rows()[0], ring.rows()[1], ay.weight[y], d, len);
    else store(ring.rows(), ay.weight + static_cast<std::ptrdiff_t>(y) * NT, NT, d, len);
    done(y);
  }
}

// The separable tile with the tap count of the state's columns fixed at compile time.
template <class T, int C, int PS = C, int CS = 1, class Out, class Done>
void separableTaps(const Tile& t, const T* pSrc, int srcStep, int border, Carve& mem, Out&& out, Done&& done) {
  switch (t.s->cols.taps) {
    case 2: return separableTile<2, T, C, PS, CS>(t, pSrc, srcStep, border, mem, out, done);
    case 4: return separableTile<4, T, C, PS, CS>(t, pSrc, srcStep, border, mem, out, done);
    default: return separableTile<6, T, C, PS, CS>(t, pSrc, srcStep, border, mem, out, done);
  }
}

// Nearest neighbour: pixel copies through the state's index tables.
template <class T, int C, int PS = C, int CS = 1, class Out, class Done>
void nearestTile(const Tile& t, const T* pSrc, int srcStep, Carve& mem, Out&& out, Done&& done) {
  const State* s = t.s;
  int* cols = mem.take<int>(static_cast<std::size_t>(up32(t.W)));
  const int* cx = tableAt<const int>(s, s->cols.firstAt) + t.ox;
  const int* cy = tableAt<const int>(s, s->rows.firstAt) + t.oy;
  for (int x = 0; x < t.W; ++x) cols[x] = (cx[x] - t.sx) * PS;
  for (int y = 0; y < t.H; ++y) {
    const T* srow = rowPtr(pSrc, srcStep, cy[y] - t.sy);
    T* d = out(y);
    for (int x = 0; x < t.W; ++x)
      for (int k = 0; k < C; ++k) storeSample<T>(d + x * C + k, loadSample<T>(srow + cols[x] + k * CS));
    done(y);
  }
}

// The area axis of a tile: per index the first source position (relative to the source offset)
// and the phase of the reduced ratio.
inline AreaAxis<float> areaAxis(const State* s, const AxisRecord& r, int d0, int count, int shift, int* first, int* phase) {
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

// Area means through the area engine; out(y) gives destination row y.
template <class T, int C, class Out>
void superTile(const Tile& t, const T* pSrc, int srcStep, Carve& mem, Out&& out) {
  const State* s = t.s;
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
      ax, ay, [&](int r) { return rowPtr(pSrc, srcStep, r); }, out, acc, h, k.to32f[0], storeKernel<T>(k));
}

}  // namespace rux::resizestate
