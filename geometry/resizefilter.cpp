// Resize of 8u single-channel images with a precomputed integer filter.
//
// The state (caller memory, first 64-byte boundary) holds per axis and destination index the
// first source tap and the Q14 weights of a windowed-sinc kernel: a Hann window over two lobes
// or a three-lobe Lanczos window, widened by the ratio when reducing so it also low-passes. Each
// index's weights are rounded to integers summing to exactly 16384 (the rounding residue goes to
// the largest weight), and taps beyond the image are folded onto the edge pixel with the window
// moved inside, so the run loops read only image pixels and carry no bounds tests.
// A call: rows in bands over the thread count, each band with its own ring of horizontally
// filtered rows: h = (sum w p + 128) >> 8 (16 bits, 6 fraction bits), then per destination row
// out = (sum w h + 2^19) >> 20 saturated to 0..255. Integer arithmetic throughout, so every
// thread count and processor gives the same bits.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "ruxi.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

constexpr std::uint32_t kFilterId = 0x52464C54u;
constexpr long long kLimit = 1LL << 31;

struct FilterAxis {
  std::int32_t src, dst, taps;
  std::int64_t firstAt, weightAt;  // byte offsets from the state
};

struct FilterState {
  std::uint32_t id;
  std::int32_t filter;
  FilterAxis cols, rows;
};

long long up64(long long v) { return (v + 63) & ~63LL; }

double radiusOf(int filter) { return filter == ruxResizeFilterLanczos ? 3.0 : 2.0; }

// Taps of an axis: the kernel's support widened by the reduction ratio, at most the source.
int axisTaps(int filter, int src, int dst) {
  const double scale = std::max(1.0, static_cast<double>(src) / dst);
  const long long taps = static_cast<long long>(std::floor(2.0 * radiusOf(filter) * scale)) + 1;
  return static_cast<int>(std::min<long long>(taps, src));
}

long long axisBytes(int filter, int src, int dst) {
  return up64(4LL * dst) + up64(2LL * dst * axisTaps(filter, src, dst));
}

long long stateBytes(int filter, RuxImageSize src, RuxImageSize dst) {
  return 64 + up64(sizeof(FilterState)) + axisBytes(filter, src.width, dst.width) + axisBytes(filter, src.height, dst.height);
}

double kernel(int filter, double x) {
  const double r = radiusOf(filter), a = std::fabs(x);
  if (a >= r) return 0.0;
  if (a < 1e-12) return 1.0;
  const double pi = 3.14159265358979323846, px = pi * a;
  const double sinc = std::sin(px) / px;
  const double window = filter == ruxResizeFilterLanczos ? std::sin(px / r) / (px / r) : 0.5 + 0.5 * std::cos(px / r);
  return sinc * window;
}

template <class X>
X* at(const FilterState* s, std::int64_t off) {
  return reinterpret_cast<X*>(reinterpret_cast<std::uintptr_t>(s) + static_cast<std::uintptr_t>(off));
}

// w: scratch of taps doubles.
FilterAxis buildAxis(FilterState* s, int filter, int src, int dst, std::int64_t off, double* w) {
  FilterAxis a{src, dst, axisTaps(filter, src, dst), off, off + up64(4LL * dst)};
  int* first = at<int>(s, a.firstAt);
  std::int16_t* weight = at<std::int16_t>(s, a.weightAt);
  const double inv = static_cast<double>(src) / dst, scale = std::max(1.0, inv);
  for (int d = 0; d < dst; ++d) {
    const double u = (d + 0.5) * inv - 0.5;
    const int j0 = static_cast<int>(std::floor(u - (a.taps - 1) / 2.0 + 0.5));
    const int start = std::clamp(j0, 0, src - a.taps);
    std::fill(w, w + a.taps, 0.0);
    double sum = 0.0;
    for (int k = 0; k < a.taps; ++k) {
      const int j = j0 + k;
      const double v = kernel(filter, (j - u) / scale);
      w[std::clamp(j, 0, src - 1) - start] += v;
      sum += v;
    }
    std::int16_t* q = weight + static_cast<std::ptrdiff_t>(d) * a.taps;
    int total = 0, big = 0;
    for (int k = 0; k < a.taps; ++k) {
      q[k] = static_cast<std::int16_t>(std::lrint(w[k] / sum * 16384.0));
      total += q[k];
      if (q[k] > q[big]) big = k;
    }
    q[big] = static_cast<std::int16_t>(q[big] + 16384 - total);
    first[d] = start;
  }
  return a;
}

const FilterState* stateAt(const void* p) {
  return reinterpret_cast<const FilterState*>((reinterpret_cast<std::uintptr_t>(p) + 63) & ~std::uintptr_t{63});
}

bool tooSmall(RuxImageSize s) { return s.width < 1 || s.height < 1; }
bool badFilter(int f) { return f != ruxResizeFilterHann && f != ruxResizeFilterLanczos; }

template <int kTaps>
void horizontalFixed(const Rux8u* row, int dst, const int* first, const std::int16_t* weight, std::int16_t* out) {
  for (int d = 0; d < dst; ++d) {
    const Rux8u* p = row + first[d];
    const std::int16_t* w = weight + static_cast<std::ptrdiff_t>(d) * kTaps;
    int s = 0;
    for (int k = 0; k < kTaps; ++k) s += w[k] * p[k];
    out[d] = static_cast<std::int16_t>((s + 128) >> 8);
  }
}

void horizontal(const Rux8u* row, const FilterAxis& ax, const int* first, const std::int16_t* weight, std::int16_t* out) {
  switch (ax.taps) {
    case 4: return horizontalFixed<4>(row, ax.dst, first, weight, out);
    case 5: return horizontalFixed<5>(row, ax.dst, first, weight, out);
    case 6: return horizontalFixed<6>(row, ax.dst, first, weight, out);
    case 7: return horizontalFixed<7>(row, ax.dst, first, weight, out);
    case 8: return horizontalFixed<8>(row, ax.dst, first, weight, out);
    case 9: return horizontalFixed<9>(row, ax.dst, first, weight, out);
    case 10: return horizontalFixed<10>(row, ax.dst, first, weight, out);
    case 13: return horizontalFixed<13>(row, ax.dst, first, weight, out);
    default: break;
  }
  const int taps = ax.taps;
  for (int d = 0; d < ax.dst; ++d) {
    const Rux8u* p = row + first[d];
    const std::int16_t* w = weight + static_cast<std::ptrdiff_t>(d) * taps;
    int s = 0;
    for (int k = 0; k < taps; ++k) s += w[k] * p[k];
    out[d] = static_cast<std::int16_t>((s + 128) >> 8);
  }
}

// Tap by tap over the whole row into 32-bit sums (loops the compiler vectorises), then rounded.
void vertical(const std::int16_t* const* rows, const std::int16_t* w, int taps, std::int32_t* acc, Rux8u* out, int n) {
  const std::int16_t* r0 = rows[0];
  const int w0 = w[0];
  for (int x = 0; x < n; ++x) acc[x] = w0 * r0[x];
  for (int k = 1; k < taps; ++k) {
    const std::int16_t* r = rows[k];
    const int wk = w[k];
    for (int x = 0; x < n; ++x) acc[x] += wk * r[x];
  }
  for (int x = 0; x < n; ++x) out[x] = static_cast<Rux8u>(std::clamp((acc[x] + (1 << 19)) >> 20, 0, 255));
}

// Destination rows [y0, y1) with a ring of taps rows in ring (taps x dst width values).
void band(const FilterState* s, const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, int y0, int y1,
          std::int16_t* ring, std::int32_t* acc, const std::int16_t** rows) {
  const FilterAxis& cx = s->cols;
  const FilterAxis& cy = s->rows;
  const int* fx = at<const int>(s, cx.firstAt);
  const std::int16_t* wx = at<const std::int16_t>(s, cx.weightAt);
  const int* fy = at<const int>(s, cy.firstAt);
  const std::int16_t* wy = at<const std::int16_t>(s, cy.weightAt);
  const int taps = cy.taps;
  int have = -1;  // rows [have - taps + 1, have] are in the ring, slot r mod taps
  for (int y = y0; y < y1; ++y) {
    const int f = fy[y];
    for (int r = std::max(f, have + 1); r < f + taps; ++r)
      horizontal(rowPtr(pSrc, srcStep, r), cx, fx, wx, ring + static_cast<std::ptrdiff_t>(r % taps) * cx.dst);
    have = std::max(have, f + taps - 1);
    for (int k = 0; k < taps; ++k) rows[k] = ring + static_cast<std::ptrdiff_t>((f + k) % taps) * cx.dst;
    vertical(rows, wy + static_cast<std::ptrdiff_t>(y) * taps, taps, acc, rowPtr(pDst, dstStep, y), cx.dst);
  }
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiResizeFilterGetSize_8u_C1R(RuxImageSize srcSize, RuxImageSize dstSize, RuxResizeFilterType filter,
                                                int* pSize) {
  if (pSize == nullptr) return ruxStatusNullPointer;
  if (tooSmall(srcSize) || tooSmall(dstSize)) return ruxStatusBadSize;
  if (badFilter(filter)) return ruxStatusBadArg;
  const long long bytes = stateBytes(filter, srcSize, dstSize);
  if (bytes >= kLimit) return ruxStatusBadSize;
  *pSize = static_cast<int>(bytes);
  return ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeFilterInit_8u_C1R(RuxResizeFilterState* pState, RuxResizeFilterType filter,
                                             RuxImageSize srcSize, RuxImageSize dstSize) {
  if (pState == nullptr) return ruxStatusNullPointer;
  if (tooSmall(srcSize) || tooSmall(dstSize)) return ruxStatusBadSize;
  if (badFilter(filter)) return ruxStatusBadArg;
  if (stateBytes(filter, srcSize, dstSize) >= kLimit) return ruxStatusBadSize;
  Scratch<double> w(std::max(axisTaps(filter, srcSize.width, dstSize.width), axisTaps(filter, srcSize.height, dstSize.height)));
  if (!w) return ruxStatusNoMemory;
  auto* s = const_cast<FilterState*>(stateAt(pState));
  s->id = 0;
  s->filter = filter;
  const std::int64_t colsAt = up64(sizeof(FilterState));
  s->cols = buildAxis(s, filter, srcSize.width, dstSize.width, colsAt, w.get());
  s->rows = buildAxis(s, filter, srcSize.height, dstSize.height, colsAt + axisBytes(filter, srcSize.width, dstSize.width),
                      w.get());
  s->id = kFilterId;
  return ruxStatusOk;
}

RUXAPI RuxResult ruxiResizeFilter_8u_C1R(const Rux8u* pSrc, int srcStep, RuxImageSize srcSize, Rux8u* pDst, int dstStep,
                                         RuxImageSize dstSize, const RuxResizeFilterState* pState) {
  if (pSrc == nullptr || pDst == nullptr || pState == nullptr) return ruxStatusNullPointer;
  if (tooSmall(srcSize) || tooSmall(dstSize)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const FilterState* s = stateAt(pState);
  if (s->id != kFilterId) return ruxStatusBadContext;
  if (srcSize.width != s->cols.src || srcSize.height != s->rows.src || dstSize.width != s->cols.dst ||
      dstSize.height != s->rows.dst)
    return ruxStatusBadSize;
  // Bands of at least 16 rows; each thread's ring in its own slice of one scratch block.
  const int threads = std::max(1, std::min(par::requestedThreads(), dstSize.height / 16));
  const long long slice = static_cast<long long>(s->rows.taps) * dstSize.width + 32;
  const long long accSlice = dstSize.width + 16LL;
  Scratch<std::int16_t> ring(slice * threads);
  Scratch<std::int32_t> acc(accSlice * threads);
  Scratch<const std::int16_t*> rows(static_cast<long long>(s->rows.taps) * threads);
  if (!ring || !acc || !rows) return ruxStatusNoMemory;
  par::forEachRowBlock(dstSize.height, threads, [&](par::RowRange r) {
    const int t = threads == 1 ? 0 : omp_get_thread_num();
    band(s, pSrc, srcStep, pDst, dstStep, r.begin, r.end, ring.get() + slice * t, acc.get() + accSlice * t,
         rows.get() + s->rows.taps * t);
  });
  return ruxStatusOk;
}
