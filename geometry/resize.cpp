// Resize with square pixels (ResizeSqrPixel), its buffer size and its written rectangle.
//
// Shape of a call:
//  - validate in the contract order; clip the source region to the image; the written rectangle
//    [x0, x1) x [y0, y1) is the mapped source region inside the destination region; the source
//    region decides only that rectangle, the kernels read any pixel of the image they reach;
//  - effective mode: sources narrower or lower than 4 fall back from cubic and Lanczos to linear,
//    below 6 from Lanczos to the four-point cubic;
//  - the rows of the rectangle go to n bands (n from the thread count and the buffer size); each
//    band lays out its tables and rows in its own slice of the caller's buffer and runs one path:
//      nearest: column and row index tables, pixel copies;
//      8u linear: Q14 weights, a horizontal pass into 16-bit rows with 6 fraction bits and a
//        32-bit vertical pass; rows whose taps leave the image take one pass with 14 fraction bits;
//      separable (every other linear, the cubics, Lanczos, antialiasing; double for 64f): the
//        engine of primitives/resample_engine.h with vertical kernels that store with the type's
//        rounding (8u: nearest even inside, half-up on the rows and columns whose taps leave the
//        image; 16u linear: half-up; otherwise nearest even);
//      super-sampling: area weights in double precision and one accumulator row;
//  - after the bands, the one-pixel edge ring of the smooth and subpixel flags.
// A band whose layout does not fit its slice (a buffer sized for other regions, antialiasing with
// a scale unlike the regions' ratio) works in scratch of its own instead of overrunning the slice.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/resample_engine.h"
#include "primitives/resample_kernels.h"
#include "geometry/resize_area.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

using namespace resample;

struct Interp {
  int mode;
  std::uint32_t flag;
};

Interp splitInterp(int v) {
  const std::uint32_t bits = static_cast<std::uint32_t>(v);
  return {static_cast<int>(bits & kModeMask), bits & ~static_cast<std::uint32_t>(kModeMask)};
}

bool validInterp(Interp in) {
  const bool mode = in.mode == kNearest || in.mode == kLinear || (in.mode >= kCubic && in.mode <= kSuper) ||
                    in.mode == kLanczos;
  const bool flag = in.flag == 0 || in.flag == kAntialiasing || in.flag == kSubpixelEdge || in.flag == kSmoothEdge;
  return mode && flag;
}

bool badRect(RuxImageRect r) { return r.x < 0 || r.y < 0 || r.width < 1 || r.height < 1; }
bool edgeFlag(Interp in) { return in.flag == kSmoothEdge || in.flag == kSubpixelEdge; }
bool antialiased(Interp in) { return in.flag == kAntialiasing && in.mode != kNearest && in.mode != kSuper; }

long long roundUp(long long v, long long n) { return (v + n - 1) / n * n; }

// Serial buffer size in bytes for a W x H destination region and a srcW x srcH source region.
// wide: the 64f members, whose weight and row terms count 8-byte units.
long long serialBytes(long long W, long long H, long long srcW, long long srcH, long long C, Interp in, bool wide) {
  const long long P = 16 * ((W + 15) / 16 + (H + 15) / 16);
  const long long e = wide ? 8 : 4;
  if (in.flag == kAntialiasing) {
    if (in.mode == kNearest) return (roundUp(W, 16) + roundUp(H, 16)) * 4;
    if (in.mode != kSuper) {
      const double R = radiusOf(in.mode);
      const long long rx = static_cast<long long>(std::ceil(R * std::max(1.0, static_cast<double>(srcW) / W)));
      const long long ry = static_cast<long long>(std::ceil(R * std::max(1.0, static_cast<double>(srcH) / H)));
      return 8 * ((W * srcH * C + 15) & ~15LL) + 4 * ((W * C + 15) & ~15LL) + 8 * (((2 * rx + 2) * W + 15) & ~15LL) +
             8 * ((H * (2 * ry + 2) + 15) & ~15LL);
    }
  }
  switch (in.mode) {
    case kNearest:
      return 4 * P + 16;
    case kLinear:
      return e * (roundUp(W, 64) + roundUp(H, 64) + ((2 * W + 127) & ~63LL) * C) + 4 * P + 16;
    case kSuper:  // the row of sums and the table of 8u block results
      return 4 * roundUp(srcW, 16) * 2 * C + 64 * 255 + 48;
    case kLanczos:
      return e * (((6 * W + 191) & ~31LL) + roundUp(W, 32) + roundUp(H, 32) + ((6 * H + 191) & ~31LL) +
                  C * ((6 * W + 191) & ~31LL)) +
             4 * P + 16;
    default:  // the cubics
      return e * (((4 * W + 127) & ~31LL) + roundUp(W, 32) + roundUp(H, 32) + ((4 * H + 127) & ~31LL) +
                  ((4 * W + 255) & ~63LL) * C) +
             4 * P + 16;
  }
}

// Threads a call with this serial size may use: the slices of n threads fit an int.
int threadsFor(long long serial, int threads) {
  return static_cast<int>(std::max<long long>(1, std::min<long long>(INT_MAX / std::max(serial, 1LL), threads)));
}

RuxResult getBufSize(RuxImageRect srcRoi, RuxImageRect dstRoi, int channels, int interpolation, int* pSize, bool wide) {
  if (pSize == nullptr) return ruxStatusNullPointer;
  if (badRect(srcRoi) || badRect(dstRoi)) return ruxStatusBadSize;
  if (channels != 1 && channels != 3 && channels != 4) return ruxStatusBadChannelCount;
  const Interp in = splitInterp(interpolation);
  if (!validInterp(in)) return ruxStatusBadInterpolation;
  const long long serial = serialBytes(dstRoi.width, dstRoi.height, srcRoi.width, srcRoi.height, channels, in, wide);
  if (serial >= (1LL << 31)) {
    *pSize = 0;
    return ruxStatusBadSize;
  }
  *pSize = static_cast<int>(serial * threadsFor(serial, std::max(1, ownGetNumThreads())));
  const bool ignored = in.flag == kAntialiasing && (in.mode == kNearest || in.mode == kSuper);
  return ignored ? ruxStatusNoAntialiasing : ruxStatusOk;
}

// Double to int for bounds that may lie far outside any image.
int boundedInt(double v) { return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(INT_MAX))); }

RuxResult getResizeRect(RuxImageRect srcRoi, RuxImageRect* pDstRect, double sx, double sy, double shx, double shy,
                        int interpolation) {
  if (pDstRect == nullptr) return ruxStatusNullPointer;
  if (badRect(srcRoi)) return ruxStatusBadSize;
  if (!(sx > 0 && sy > 0 && std::isfinite(sx) && std::isfinite(sy))) return ruxStatusBadResizeFactor;
  const Interp in = splitInterp(interpolation);
  if (!validInterp(in)) return ruxStatusBadInterpolation;
  if (!std::isfinite(shx) || !std::isfinite(shy)) return ruxStatusBadResizeFactor;
  const double X0 = srcRoi.x * sx + shx, X1 = (static_cast<double>(srcRoi.x) + srcRoi.width) * sx + shx;
  const double Y0 = srcRoi.y * sy + shy, Y1 = (static_cast<double>(srcRoi.y) + srcRoi.height) * sy + shy;
  int b[4];
  if (edgeFlag(in)) {
    b[0] = boundedInt(std::floor(X0 + 1e-10)), b[1] = boundedInt(std::ceil(X1 - 1e-10));
    b[2] = boundedInt(std::floor(Y0 + 1e-10)), b[3] = boundedInt(std::ceil(Y1 - 1e-10));
  } else {
    b[0] = boundedInt(std::trunc(X0 + 0.4999999999)), b[1] = boundedInt(std::trunc(X1 + 0.5000000001));
    b[2] = boundedInt(std::trunc(Y0 + 0.4999999999)), b[3] = boundedInt(std::trunc(Y1 + 0.5000000001));
  }
  for (int& v : b) v = std::max(v, 0);
  if (!(b[0] < b[1] && b[2] < b[3])) return ruxStatusNoWork;
  *pDstRect = {b[0], b[2], b[1] - b[0], b[3] - b[2]};
  return ruxStatusOk;
}

// ---- the resize -------------------------------------------------------------------------------

using namespace resize;

// Nearest neighbour: source index trunc((d + 0.5) / scale - shift / scale - 1e-10), clamped.
int nearestIndex(int d, double inv, double off, int size) {
  const double v = std::clamp((d + 0.5) * inv + off - 1e-10, -1.0, static_cast<double>(size));
  return std::clamp(static_cast<int>(v), 0, size - 1);
}

// Whole pixels (no kept channel) go through byte blocks when every block of 16 destination bytes
// reads within 32 source bytes (scales from one half up), and a row whose source row is the
// previous row's is a copy of it; otherwise pixel by pixel.
template <class T, int C, int K>
void nearestBand(const Job<T>& job, int r0, int r1, Carve& mem, bool run) {
  int* cols = mem.take<int>(job.W);
  int* rows = mem.take<int>(r1 - r0);
  if (!run) return;
  for (int x = 0; x < job.W; ++x) cols[x] = nearestIndex(job.x0 + x, job.invX, job.offX, job.srcW) * C;
  for (int y = r0; y < r1; ++y) rows[y - r0] = nearestIndex(job.y0 + y, job.invY, job.offY, job.srcH);
  constexpr int P = C * static_cast<int>(sizeof(T));
  const long long rowBytes = static_cast<long long>(job.W) * P, srcBytes = static_cast<long long>(job.srcW) * P;
  const auto srcByte = [&](long long b) { return cols[b / P] * static_cast<long long>(sizeof(T)) + b % P; };
  const auto gather = rowKernels().gatherBytes;
  const std::size_t blocks = K == C && gather != nullptr && srcBytes >= 32 ? static_cast<std::size_t>(rowBytes / 16) : 0;
  Scratch<ByteBlock> table(static_cast<long long>(blocks));
  bool byBlocks = blocks > 0 && table;
  for (std::size_t i = 0; byBlocks && i < blocks; ++i) {
    ByteBlock& b = table.get()[i];
    const long long b0 = static_cast<long long>(i) * 16;
    long long lo = srcByte(b0), hi = lo;
    for (int j = 1; j < 16; ++j) lo = std::min(lo, srcByte(b0 + j)), hi = std::max(hi, srcByte(b0 + j));
    const long long base = std::min(lo, srcBytes - 32);
    byBlocks = hi - base < 32;
    b.base = static_cast<std::int32_t>(base);
    for (int j = 0; j < 16; ++j) {
      const auto at = static_cast<int>(srcByte(b0 + j) - base);
      b.lo[j] = static_cast<std::uint8_t>(at < 16 ? at : 0x80);
      b.hi[j] = static_cast<std::uint8_t>(at >= 16 ? at - 16 : 0x80);
    }
  }
  for (int p = 0; p < job.planes; ++p) {
    for (int y = r0; y < r1; ++y) {
      const T* s = job.srcRow(p, rows[y - r0]);
      T* d = job.dstRow(p, job.y0 + y) + static_cast<std::ptrdiff_t>(job.x0) * C;
      if (K == C && y > r0 && rows[y - r0] == rows[y - r0 - 1]) {
        std::memcpy(d, job.dstRow(p, job.y0 + y - 1) + static_cast<std::ptrdiff_t>(job.x0) * C, static_cast<std::size_t>(rowBytes));
        continue;
      }
      if (byBlocks) {
        const auto* sb = reinterpret_cast<const std::uint8_t*>(s);
        auto* db = reinterpret_cast<std::uint8_t*>(d);
        gather(sb, table.get(), blocks, db);
        for (long long b = static_cast<long long>(blocks) * 16; b < rowBytes; ++b) db[b] = sb[srcByte(b)];
        continue;
      }
      for (int x = 0; x < job.W; ++x)
        for (int k = 0; k < K; ++k) storeSample<T>(d + x * C + k, loadSample<T>(s + cols[x] + k));
    }
  }
}

// Q14 linear table of one axis: first tap and the fraction trunc(t * 16384 + 1e-7).
void buildQ14(AxisMap map, int d0, int count, int size, int* first, std::int16_t* frac, int* innerBegin,
              int* innerEnd) {
  for (int d = 0; d < count; ++d) {
    const double u = std::clamp(map.at(d0 + d), -8.0, size + 8.0);
    const int i = floorIndex(u);
    first[d] = i;
    frac[d] = static_cast<std::int16_t>(std::min(16384.0, std::trunc((u - i) * 16384.0 + 1e-7)));
  }
  Axis<std::int16_t> axis;
  axis.count = count;
  axis.taps = 2;
  axis.first = first;
  setInner(axis, size);
  *innerBegin = axis.innerBegin;
  *innerEnd = axis.innerEnd;
}

template <int C, bool kAlpha>
void linearQ14Band(const Job<Rux8u>& job, int r0, int r1, Carve& mem, bool run) {
  const int W = job.W, rows = r1 - r0;
  int* fx = mem.take<int>(W);
  std::int16_t* wx = mem.take<std::int16_t>(W);
  int* fy = mem.take<int>(rows);
  std::int16_t* wy = mem.take<std::int16_t>(rows);
  const int slots = std::min(2, job.srcH);
  std::int16_t* ringMem = mem.take<std::int16_t>(static_cast<std::size_t>(slots) * W * C);
  const std::int16_t** ptrs = mem.take<const std::int16_t*>(2);
  if (!run) return;
  int xb, xe, yb, ye;
  buildQ14(job.mapX(), job.x0, W, job.srcW, fx, wx, &xb, &xe);
  buildQ14(job.mapY(), job.y0 + r0, rows, job.srcH, fy, wy, &yb, &ye);
  const auto q14 = rowKernels().q14[kAlpha ? 1 : 0];
  const auto q14Row = rowKernels().q14Row[C == 1 ? 0 : C == 3 ? 1 : 2];
  // The vector pass reads 4 bytes from each first tap (one channel), 8 bytes from it (three
  // channels: two bytes past the second pixel) or 4 from each tap pixel (four channels).
  int xv = xe;
  while (C == 1 && xv > xb && fx[xv - 1] + 4 > job.srcW) --xv;
  while (C == 3 && xv > xb && fx[xv - 1] + 3 > job.srcW) --xv;
  constexpr int K = kAlpha ? 3 : C;
  const auto tapX = [&](int d, int j, bool clampTaps) {
    const int p = fx[d] + j;
    return (clampTaps ? std::clamp(p, 0, job.srcW - 1) : p) * C;
  };
  for (int p = 0; p < job.planes; ++p) {
    RowRing<std::int16_t> ring(ringMem, slots, static_cast<std::size_t>(W) * C, ptrs, 0, job.srcH);
    const auto makeRow = [&](int r, std::int16_t* out) {
      const Rux8u* s = job.srcRow(p, r);
      const auto one = [&](int d) {
        const int a = tapX(d, 0, true), b = tapX(d, 1, true), w1 = wx[d], w0 = 16384 - w1;
        for (int k = 0; k < C; ++k)
          out[d * C + k] = static_cast<std::int16_t>((w0 * s[a + k] + w1 * s[b + k] + 128) >> 8);
      };
      for (int d = 0; d < xb; ++d) one(d);
      q14Row(s, fx + xb, wx + xb, out + static_cast<std::ptrdiff_t>(xb) * C, static_cast<std::size_t>(xv - xb));
      for (int d = xv; d < W; ++d) one(d);
    };
    for (int y = 0; y < rows; ++y) {
      Rux8u* d = job.dstRow(p, job.y0 + r0 + y) + static_cast<std::ptrdiff_t>(job.x0) * C;
      if (y >= yb && y < ye) {
        ring.advance(fy[y], 2, makeRow);
        q14(ring.rows()[0], ring.rows()[1], wy[y], d, static_cast<std::size_t>(W) * C);
        continue;
      }
      // Both vertical taps read the same edge row: one horizontal pass with 14 fraction bits.
      const Rux8u* s = job.srcRow(p, std::clamp(fy[y], 0, job.srcH - 1));
      for (int x = 0; x < W; ++x) {
        const int a = tapX(x, 0, true), b = tapX(x, 1, true), w1 = wx[x], w0 = 16384 - w1;
        for (int k = 0; k < K; ++k) d[x * C + k] = static_cast<Rux8u>((w0 * s[a + k] + w1 * s[b + k] + 8192) >> 14);
      }
    }
  }
}

// Vertical kernels of a type: [0] for pixels whose taps stay inside the image, [1] for the others.
template <class T, bool kAlpha>
void storeKernels(int mode, VerticalFn<T, Work<T>> fn[2]) {
  const RowKernels& k = rowKernels();
  const int a = kAlpha ? 1 : 0;
  if constexpr (std::is_same_v<T, Rux8u>) {
    fn[0] = k.to8u.round[kNearestEven][a];
    fn[1] = k.to8u.round[kHalfUp][a];
  } else if constexpr (std::is_same_v<T, Rux16u>) {
    fn[0] = fn[1] = k.to16u.round[mode == kLinear ? kHalfUp : kNearestEven][a];
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    fn[0] = fn[1] = k.to16s.round[kNearestEven][a];
  } else if constexpr (std::is_same_v<T, Rux32f>) {
    fn[0] = fn[1] = k.to32f[a];
  } else {
    fn[0] = fn[1] = k.to64f[a];
  }
}

template <int NT, class T, int C, bool kAlpha>
void separableBand(const Job<T>& job, int r0, int r1, Carve& mem, bool run) {
  using A = Work<T>;
  const int W = job.W, rows = r1 - r0;
  const Box box = job.box();
  Axis<A> ax, ay;
  ax.count = W;
  ay.count = rows;
  ax.taps = job.antialias ? antialiasTaps(job.mode, job.invX, job.srcW) : tapsOf(job.mode);
  ay.taps = job.antialias ? antialiasTaps(job.mode, job.invY, job.srcH) : tapsOf(job.mode);
  ax.fractionOnly = ay.fractionOnly = NT == 2;
  ax.first = mem.take<int>(W);
  ax.weight = mem.take<A>(ax.weightCount());
  ay.first = mem.take<int>(rows);
  ay.weight = mem.take<A>(ay.weightCount());
  const int slots = RowRing<A>::slotsFor(ay.taps, box);
  A* ringMem = mem.take<A>(static_cast<std::size_t>(slots) * W * C);
  const A** ptrs = mem.take<const A*>(ay.taps);
  const A** shifted = mem.take<const A*>(ay.taps);
  if (!run) return;
  buildAxis(ax, job.mode, job.antialias, job.mapX(), job.x0, job.srcW);
  buildAxis(ay, job.mode, job.antialias, job.mapY(), job.y0 + r0, job.srcH);
  VerticalFn<T, A> store[2];
  storeKernels<T, kAlpha>(job.mode, store);
  // Linear rows of 16-bit and float samples through the gathering kernels; 16-bit gathers read
  // a 32-bit word at each tap, so the last such word must end inside the row.
  void (*linear)(const T*, const std::int32_t*, const A*, A*, std::size_t) = nullptr;
  int linearEnd = ax.innerEnd;
  if constexpr (NT == 2 && (std::is_same_v<T, Rux16u> || std::is_same_v<T, Rux16s> || std::is_same_v<T, Rux32f>)) {
    const int ci = C == 1 ? 0 : C == 3 ? 1 : 2;
    if constexpr (std::is_same_v<T, Rux16u>) linear = rowKernels().linear16u.row[ci];
    else if constexpr (std::is_same_v<T, Rux16s>) linear = rowKernels().linear16s.row[ci];
    else linear = rowKernels().linear32f.row[ci];
    const long long rowBytes = static_cast<long long>(job.srcW) * C * sizeof(T);
    const auto lastWordEnd = [&](int d) {
      return ((static_cast<long long>(ax.first[d]) + 1) * C + C - 1) * static_cast<long long>(sizeof(T)) + 4;
    };
    while (linearEnd > ax.innerBegin && lastWordEnd(linearEnd - 1) > rowBytes) --linearEnd;
  }
  // One-channel rows whose inner columns step two samples with one set of weights (halving) go
  // through the interleaved-load kernel, over the run of such columns that keeps its reads
  // inside the box.
  void (*stride2)(const T*, const float*, int, float*, std::size_t) = nullptr;
  const int s2Begin = ax.innerBegin;
  int s2End = s2Begin;
  if constexpr (NT != 2 && C == 1 && !std::is_same_v<T, Rux64f>) {
    const auto& k = rowKernels().stride2;
    if constexpr (std::is_same_v<T, Rux8u>) stride2 = k.to8u;
    else if constexpr (std::is_same_v<T, Rux16u>) stride2 = k.to16u;
    else if constexpr (std::is_same_v<T, Rux16s>) stride2 = k.to16s;
    else stride2 = k.to32f;
    const int taps = ax.taps;
    const std::size_t wb = static_cast<std::size_t>(taps) * sizeof(A);
    int e = s2Begin + 1;
    while (stride2 != nullptr && e < ax.innerEnd && ax.first[e] == ax.first[s2Begin] + 2 * (e - s2Begin) &&
           std::memcmp(ax.weight + static_cast<std::ptrdiff_t>(e) * taps, ax.weight + static_cast<std::ptrdiff_t>(s2Begin) * taps, wb) == 0)
      ++e;
    if (stride2 != nullptr && s2Begin < ax.innerEnd) {
      const long long room = (static_cast<long long>(box.x1) - 1 - taps - ax.first[s2Begin]) / 2 + 1;
      s2End = s2Begin + static_cast<int>(std::clamp<long long>(room, 0, e - s2Begin));
    }
  }
  // Four- and six-tap rows of 8u samples: the row kernels over the inner columns.
  void (*taps)(const T*, const std::int32_t*, const float*, float*, std::size_t) = nullptr;
  if constexpr ((NT == 4 || NT == 6) && std::is_same_v<T, Rux8u>) taps = rowKernels().taps8u.row[NT == 4 ? 0 : 1][C - 1];
  // Inner columns [d0, d1): taps all inside the box.
  const auto innerRange = [&](const T* s, A* out, int d0, int d1) {
    if constexpr (std::is_same_v<A, float>) {
      if (taps != nullptr && d1 > d0) {
        taps(s, ax.first + d0, ax.weight + static_cast<std::ptrdiff_t>(d0) * NT, out + static_cast<std::ptrdiff_t>(d0) * C,
             static_cast<std::size_t>(d1 - d0));
        return;
      }
    }
    horizontalRange<NT, T, A, C>(s, ax, box, out, d0, d1, false);
  };
  const std::size_t inner0 = static_cast<std::size_t>(ax.innerBegin) * C, inner1 = static_cast<std::size_t>(ax.innerEnd) * C,
                    all = static_cast<std::size_t>(W) * C;
  for (int p = 0; p < job.planes; ++p) {
    RowRing<A> ring(ringMem, slots, all, ptrs, box.y0, box.y1);
    const auto makeRow = [&](int r, A* out) {
      const T* s = job.srcRow(p, r);
      if constexpr (std::is_same_v<A, float>) {
        if (s2End > s2Begin) {
          horizontalRange<NT, T, A, C>(s, ax, box, out, 0, s2Begin, true);
          stride2(s + ax.first[s2Begin], ax.weight + static_cast<std::ptrdiff_t>(s2Begin) * ax.taps, ax.taps,
                  out + s2Begin, static_cast<std::size_t>(s2End - s2Begin));
          innerRange(s, out, s2End, ax.innerEnd);
          horizontalRange<NT, T, A, C>(s, ax, box, out, ax.innerEnd, ax.count, true);
          return;
        }
      }
      if (linear == nullptr) {
        horizontalRange<NT, T, A, C>(s, ax, box, out, 0, ax.innerBegin, true);
        innerRange(s, out, ax.innerBegin, ax.innerEnd);
        horizontalRange<NT, T, A, C>(s, ax, box, out, ax.innerEnd, ax.count, true);
        return;
      }
      horizontalRange<NT, T, A, C>(s, ax, box, out, 0, ax.innerBegin, true);
      linear(s, ax.first + ax.innerBegin, ax.weight + ax.innerBegin, out + static_cast<std::ptrdiff_t>(ax.innerBegin) * C,
             static_cast<std::size_t>(linearEnd - ax.innerBegin));
      horizontalRange<NT, T, A, C>(s, ax, box, out, linearEnd, ax.count, true);
    };
    for (int y = 0; y < rows; ++y) {
      ring.advance(ay.first[y], ay.taps, makeRow);
      A pair[2];
      const A* w;
      if constexpr (NT == 2) {
        pair[1] = ay.weight[y];
        pair[0] = A(1) - pair[1];
        w = pair;
      } else {
        w = ay.weight + static_cast<std::ptrdiff_t>(y) * ay.taps;
      }
      T* d = job.dstRow(p, job.y0 + r0 + y) + static_cast<std::ptrdiff_t>(job.x0) * C;
      const A* const* rp = ring.rows();
      if (store[0] == store[1] || y < ay.innerBegin || y >= ay.innerEnd) {
        store[y < ay.innerBegin || y >= ay.innerEnd ? 1 : 0](rp, w, ay.taps, d, all);
        continue;
      }
      // Offsets into the ring rows move with the destination pointer: shift the row pointers.
      const auto part = [&](VerticalFn<T, A> fn, std::size_t from, std::size_t to) {
        if (to <= from) return;
        for (int j = 0; j < ay.taps; ++j) shifted[j] = rp[j] + from;
        fn(shifted, w, ay.taps, d + from, to - from);
      };
      part(store[1], 0, inner0);
      part(store[0], inner0, inner1);
      part(store[1], inner1, all);
    }
  }
}

// 8u linear at exactly half size with every tap pair inside the image: the Q14 weights are
// 8192 and 8192, so each pixel is (sum of its 2 x 2 block + 2) >> 2, the super-sampling of the
// same blocks (rounded half up).
template <class T>
bool halvesOnPixelPairs(const Job<T>& job) {
  if (!std::is_same_v<T, Rux8u> || job.mode != kLinear || job.antialias) return false;
  if (job.invX != 2.0 || job.invY != 2.0 || job.offX != std::floor(job.offX) || job.offY != std::floor(job.offY))
    return false;
  const double x0 = 2.0 * job.x0 + job.offX, x1 = 2.0 * (job.x0 + job.W - 1) + job.offX + 1;
  const double y0 = 2.0 * job.y0 + job.offY, y1 = 2.0 * (job.y0 + job.H - 1) + job.offY + 1;
  return x0 >= 0 && y0 >= 0 && x1 <= job.srcW - 1 && y1 <= job.srcH - 1;
}

template <class T, int C, bool kAlpha>
void band(const Job<T>& job, int r0, int r1, Carve& mem, bool run) {
  constexpr int K = kAlpha ? 3 : C;
  if (job.mode == kNearest) return nearestBand<T, C, K>(job, r0, r1, mem, run);
  if (job.mode == kSuper || halvesOnPixelPairs(job)) return superBand<T, C, K>(job, r0, r1, mem, run);
  if constexpr (std::is_same_v<T, Rux8u>) {
    if (job.mode == kLinear && !job.antialias) return linearQ14Band<C, kAlpha>(job, r0, r1, mem, run);
  }
  if (job.antialias) return separableBand<0, T, C, kAlpha>(job, r0, r1, mem, run);
  switch (tapsOf(job.mode)) {
    case 2:
      return separableBand<2, T, C, kAlpha>(job, r0, r1, mem, run);
    case 4:
      return separableBand<4, T, C, kAlpha>(job, r0, r1, mem, run);
    default:
      return separableBand<6, T, C, kAlpha>(job, r0, r1, mem, run);
  }
}

// Edge ring of the smooth and subpixel flags around the written rectangle.
template <class T, int C, int K>
void edgeRing(const Job<T>& job, double X0, double X1, double Y0, double Y1, bool smooth, RuxImageRect dstRoi) {
  const auto coverageOf = [](double a) { return a < 1e-10 || a > 1.0 - 1e-10 ? 0.0 : a; };
  const double aTop = coverageOf(1.0 - (Y0 - std::floor(Y0))), aBottom = coverageOf(Y1 - std::floor(Y1));
  const double aLeft = coverageOf(1.0 - (X0 - std::floor(X0))), aRight = coverageOf(X1 - std::floor(X1));
  const int x0 = job.x0, x1 = job.x0 + job.W, y0 = job.y0, y1 = job.y0 + job.H;
  const auto inside = [&](int x, int y) {
    return x >= dstRoi.x && y >= dstRoi.y && x < static_cast<long long>(dstRoi.x) + dstRoi.width &&
           y < static_cast<long long>(dstRoi.y) + dstRoi.height;
  };
  const auto blend = [&](int p, int x, int y, int ex, int ey, double a) {
    if (a == 0.0 || !inside(x, y)) return;
    T* d = job.dstRow(p, y) + static_cast<std::ptrdiff_t>(x) * C;
    const T* e = job.dstRow(p, ey) + static_cast<std::ptrdiff_t>(ex) * C;
    for (int k = 0; k < K; ++k) {
      const double dv = static_cast<double>(loadSample<T>(d + k)), ev = static_cast<double>(loadSample<T>(e + k));
      storeSample<T>(d + k, saturateNearest<T>(smooth ? dv + (ev - dv) * a : ev * a));
    }
  };
  for (int p = 0; p < job.planes; ++p) {
    for (int x = x0; x < x1; ++x) {
      blend(p, x, y0 - 1, x, y0, aTop);
      blend(p, x, y1, x, y1 - 1, aBottom);
    }
    for (int y = y0; y < y1; ++y) {
      blend(p, x0 - 1, y, x0, y, aLeft);
      blend(p, x1, y, x1 - 1, y, aRight);
    }
    blend(p, x0 - 1, y0 - 1, x0, y0, aLeft * aTop);
    blend(p, x1, y0 - 1, x1 - 1, y0, aRight * aTop);
    blend(p, x0 - 1, y1, x0, y1 - 1, aLeft * aBottom);
    blend(p, x1, y1, x1 - 1, y1 - 1, aRight * aBottom);
  }
}

template <class T, int C, bool kAlpha>
RuxResult resizeSqrPixel(const T* const* src, int planes, RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi, T* const* dst,
                 int dstStep, RuxImageRect dstRoi, double sx, double sy, double shx, double shy, int interpolation,
                 Rux8u* pBuffer) {
  if (src == nullptr || dst == nullptr || pBuffer == nullptr) return ruxStatusNullPointer;
  for (int p = 0; p < planes; ++p)
    if (src[p] == nullptr || dst[p] == nullptr) return ruxStatusNullPointer;
  if (srcSize.width < 1 || srcSize.height < 1 || badRect(srcRoi) || badRect(dstRoi)) return ruxStatusBadSize;
  if (!(sx > 0 && sy > 0 && std::isfinite(sx) && std::isfinite(sy))) return ruxStatusBadResizeFactor;
  const Interp in = splitInterp(interpolation);
  if (!validInterp(in)) return ruxStatusBadInterpolation;
  if (in.mode == kSuper && (sx > 1 || sy > 1)) return ruxStatusBadResizeFactor;
  if (!std::isfinite(shx) || !std::isfinite(shy)) return ruxStatusBadResizeFactor;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ruxStatusNoIntersection;

  // Written rectangle: the clipped source region mapped into the destination region.
  const int effW = std::min(srcSize.width - srcRoi.x, srcRoi.width), effH = std::min(srcSize.height - srcRoi.y, srcRoi.height);
  const double X0 = std::max(srcRoi.x * sx + shx, static_cast<double>(dstRoi.x));
  const double X1 = std::min((static_cast<double>(srcRoi.x) + effW) * sx + shx, static_cast<double>(dstRoi.x) + dstRoi.width);
  const double Y0 = std::max(srcRoi.y * sy + shy, static_cast<double>(dstRoi.y));
  const double Y1 = std::min((static_cast<double>(srcRoi.y) + effH) * sy + shy, static_cast<double>(dstRoi.y) + dstRoi.height);
  int x0, x1, y0, y1;
  if (edgeFlag(in)) {
    x0 = boundedInt(std::ceil(X0 - 1e-10)), x1 = boundedInt(std::floor(X1 + 1e-10));
    y0 = boundedInt(std::ceil(Y0 - 1e-10)), y1 = boundedInt(std::floor(Y1 + 1e-10));
  } else {
    x0 = boundedInt(std::trunc(X0 + 0.4999999999)), x1 = boundedInt(std::trunc(X1 + 0.5000000001));
    y0 = boundedInt(std::trunc(Y0 + 0.4999999999)), y1 = boundedInt(std::trunc(Y1 + 0.5000000001));
  }
  if (!(x0 < x1 && y0 < y1)) return ruxStatusNoWork;

  Job<T> job{};
  for (int p = 0; p < planes; ++p) job.src[p] = src[p], job.dst[p] = dst[p];
  job.planes = planes;
  job.srcStep = srcStep;
  job.dstStep = dstStep;
  job.srcW = srcSize.width;
  job.srcH = srcSize.height;
  job.x0 = x0, job.y0 = y0, job.W = x1 - x0, job.H = y1 - y0;
  job.invX = 1.0 / sx, job.invY = 1.0 / sy;
  job.offX = -shx / sx, job.offY = -shy / sy;
  job.sx = sx, job.sy = sy;
  job.mode = in.mode;
  const int small = std::min(srcSize.width, srcSize.height);
  if (small < 4 && (isCubic(in.mode) || in.mode == kLanczos)) job.mode = kLinear;
  else if (small < 6 && in.mode == kLanczos) job.mode = kCubic;
  job.antialias = antialiased(in);

  // Bands: slices of the caller's buffer as long as the layouts it needs, or scratch when a
  // layout is longer than the serial size (the buffer was sized for other arguments).
  const int channels = C == 1 ? 1 : (kAlpha ? 4 : C);
  const long long serial =
      serialBytes(dstRoi.width, dstRoi.height, srcRoi.width, srcRoi.height, channels, in, std::is_same_v<T, double>);
  int n = serial < (1LL << 31) ? threadsFor(serial, par::requestedThreads()) : 1;
  if (job.W < 64 || job.H < 64) n = 1;
  n = std::min(n, job.H);
  Carve measure;
  band<T, C, kAlpha>(job, 0, job.H / n + job.H % n, measure, false);
  const std::size_t need = measure.used + 15;
  Scratch<unsigned char> own(need <= static_cast<std::size_t>(serial) ? 0 : static_cast<long long>(need) * n);
  const std::size_t slice = need;  // at most the serial size: n slices fit the buffer of n threads
  unsigned char* base = own ? own.get() : pBuffer;
  if (need > static_cast<std::size_t>(serial) && !own) return ruxStatusNoMemory;
  const auto work = [&](int t) {
    const par::RowRange r = par::splitFloor(job.H, n, t);
    unsigned char* mine = base + slice * t;
    Carve mem;
    mem.base = reinterpret_cast<unsigned char*>((reinterpret_cast<std::uintptr_t>(mine) + 15) & ~std::uintptr_t{15});
    band<T, C, kAlpha>(job, r.begin, r.end, mem, true);
  };
  par::forEachRowBlock(n, n, [&](par::RowRange bands) {
    for (int t = bands.begin; t < bands.end; ++t) work(t);
  });
  if (edgeFlag(in)) edgeRing<T, C, kAlpha ? 3 : C>(job, X0, X1, Y0, Y1, in.flag == kSmoothEdge, dstRoi);
  return in.flag == kAntialiasing && (in.mode == kNearest || in.mode == kSuper) ? ruxStatusNoAntialiasing : ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiResizeGetBufSize(RuxImageRect srcRoi, RuxImageRect dstRoi, int nChannel, int interpolation,
                                      int* pBufSize) {
  return getBufSize(srcRoi, dstRoi, nChannel, interpolation, pBufSize, false);
}
RUXAPI RuxResult ruxiResizeGetBufSize_64f(RuxImageRect srcRoi, RuxImageRect dstRoi, int nChannel, int interpolation,
                                          int* pBufSize) {
  return getBufSize(srcRoi, dstRoi, nChannel, interpolation, pBufSize, true);
}
RUXAPI RuxResult ruxiGetResizeRect(RuxImageRect srcRoi, RuxImageRect* pDstRect, double xFactor, double yFactor,
                                   double xShift, double yShift, int interpolation) {
  return getResizeRect(srcRoi, pDstRect, xFactor, yFactor, xShift, yShift, interpolation);
}

#define RUX_RESIZE_ARGS                                                                                             \
  RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi
#define RUX_RESIZE_TAIL                                                                                             \
  int dstStep, RuxImageRect dstRoi, double xFactor, double yFactor, double xShift, double yShift, int interpolation, \
      Rux8u *pBuffer
#define RUX_RESIZE_PASS srcSize, srcStep, srcRoi
#define RUX_RESIZE_PASS_TAIL dstStep, dstRoi, xFactor, yFactor, xShift, yShift, interpolation, pBuffer

#define RUX_RESIZE_PACKED(S, T, L, C, ALPHA)                                                                        \
  RUXAPI RuxResult ruxiResizeSqrPixel_##S##_##L(const T* pSrc, RUX_RESIZE_ARGS, T* pDst, RUX_RESIZE_TAIL) {          \
    const T* s[1] = {pSrc};                                                                                         \
    T* d[1] = {pDst};                                                                                               \
    return resizeSqrPixel<T, C, ALPHA>(s, 1, RUX_RESIZE_PASS, d, RUX_RESIZE_PASS_TAIL);                                     \
  }
#define RUX_RESIZE_PLANAR(S, T, N)                                                                                  \
  RUXAPI RuxResult ruxiResizeSqrPixel_##S##_P##N##R(const T* const pSrc[N], RUX_RESIZE_ARGS, T* const pDst[N],      \
                                                   RUX_RESIZE_TAIL) {                                               \
    return resizeSqrPixel<T, 1, false>(pSrc, N, RUX_RESIZE_PASS, pDst, RUX_RESIZE_PASS_TAIL);                               \
  }
#define RUX_RESIZE_TYPE(S, T)                                                                                       \
  RUX_RESIZE_PACKED(S, T, C1R, 1, false)                                                                            \
  RUX_RESIZE_PACKED(S, T, C3R, 3, false)                                                                            \
  RUX_RESIZE_PACKED(S, T, C4R, 4, false)                                                                            \
  RUX_RESIZE_PACKED(S, T, AC4R, 4, true)                                                                            \
  RUX_RESIZE_PLANAR(S, T, 3)                                                                                        \
  RUX_RESIZE_PLANAR(S, T, 4)

RUX_RESIZE_TYPE(8u, Rux8u)
RUX_RESIZE_TYPE(16u, Rux16u)
RUX_RESIZE_TYPE(16s, Rux16s)
RUX_RESIZE_TYPE(32f, Rux32f)
RUX_RESIZE_TYPE(64f, Rux64f)
