// Rank filters: minimum and maximum (FilterMin, FilterMax), medians over rectangles, rows,
// columns and crosses, the weighted-centre and colour medians and the three-plane median.
//
// Shape:
// - Minimum and maximum: the extremum engine (primitives/minmax_rows.h) with one run of
//   mask.width pixels per mask row; cost per pixel log2(mask.width) + mask.height.
// - Medians of up to 25 samples (every rectangle of at most 25 pixels, the row, column and
//   cross shapes, the weighted centre) and 8u windows of 49: a selection network
//   (primitives/median_kernels.h) over the samples at fixed offsets, run by the row engine of
//   the linear filters, vectors of outputs at a time (9, 25 and 49 inputs unrolled).
// - Larger 8u windows: column histograms (256 fine and 16 coarse bins per column, moved down
//   a row at a time) and a window histogram slid along the row from them (fine bins brought up
//   to date only where the median falls), the median found through the coarse bins: the cost
//   per pixel does not grow with the window. 16-bit samples
//   use a sliding window histogram per row with 256 coarse bins (value >> 8) over 65536 fine
//   ones (16s biased by 32768): the coarse bin is tracked as the window moves and the median
//   found inside it. Float windows
//   are gathered and partially sorted (NaN ordered above every number).
// - Colour median: per pixel the window pixel with the smallest sum of L1 colour distances to
//   the others, the first in row-major order on ties (3x3 and 5x5 alike).
// Rows are independent: regions of at least 64 x 64 pixels run on the library's threads in
// blocks of rows, with results independent of the thread count.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/conv_rows.h"
#include "primitives/median_kernels.h"
#include "primitives/minmax_rows.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

template <class T, int C, bool kAlpha>
RuxResult filterExtremum(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                         RuxImagePoint anchor, rank::Op op) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (mask.width < 1 || mask.height < 1) return ruxStatusBadMaskSize;
  if (anchor.x < 0 || anchor.y < 0 || anchor.x >= mask.width || anchor.y >= mask.height) return ruxStatusBadAnchor;
  rank::Element e{roi.width, roi.height, mask.width, mask.height, anchor.x, anchor.y, {}};
  for (int q = 0; q < mask.height; ++q) e.runs.push_back({q, 0, mask.width});
  const bool inPlace = static_cast<const void*>(src) == static_cast<const void*>(dst);
  const bool parallel = roi.width >= 64 && roi.height >= 64;
  return rank::filterRuns<T, C, kAlpha>(src, srcStep, dst, dstStep, e, op, inPlace, parallel, [](T*, std::size_t) {});
}

// ---- medians ------------------------------------------------------------------------------------

template <class T>
constexpr median::Type medianType() {
  if constexpr (std::is_same_v<T, Rux8u>) return median::k8u;
  else if constexpr (std::is_same_v<T, Rux16u>) return median::k16u;
  else if constexpr (std::is_same_v<T, Rux16s>) return median::k16s;
  else if constexpr (std::is_same_v<T, Rux32f>) return median::k32f;
  else return median::k64f;
}

// The network kernel in the shape of a tap kernel: the weights carry the network.
template <class T>
void networkTaps(const unsigned char* base, const std::ptrdiff_t* offsets, const void* net, int k, std::size_t n,
                 void* out) {
  const median::MedianKernels& m = median::medianKernels();
  median::MedianFn fn = m.median[medianType<T>()];
  if (k == 9) fn = m.fixed9[medianType<T>()];
  if (k == 25) fn = m.fixed25[medianType<T>()];
  if (k == 49 && std::is_same_v<T, Rux8u>) fn = m.fixed49u8;
  fn(base, offsets, *static_cast<const median::Network*>(net), n, out);
}

struct Copy {
  template <class T>
  void operator()(const T* s, T* out, std::size_t n) const {
    std::memcpy(out, s, n * sizeof(T));
  }
};

// A pixel offset of a window sample relative to the output pixel.
struct Offset {
  int dx, dy;
};

template <class T, int C, bool kAlpha>
RuxResult networkMedian(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                        const std::vector<Offset>& at) {
  std::vector<std::ptrdiff_t> offsets;
  for (const Offset& o : at)
    offsets.push_back(static_cast<std::ptrdiff_t>(o.dy) * srcStep +
                      static_cast<std::ptrdiff_t>(o.dx) * C * static_cast<std::ptrdiff_t>(sizeof(T)));
  const median::Network& net = median::networkOf(static_cast<int>(at.size()));
  conv::Plan plan;
  plan.first = {&networkTaps<T>, offsets.data(), &net, static_cast<int>(at.size())};
  conv::runPlan<T, T, T, C, kAlpha>(src, srcStep, dst, dstStep, roi, plan, conv::worthThreads(roi), Copy{});
  return ruxStatusOk;
}

// Rows [y0, y1) through body(y, outRow) with a per-thread scratch of `bytes` plus one row.
template <class T, int C, bool kAlpha, class Body>
RuxResult perRow(T* dst, int dstStep, RuxImageSize roi, long long bytes, bool parallel, Body&& body) {
  const long long rowBytes = (static_cast<long long>(roi.width) * C * sizeof(T) + 63) / 64 * 64;
  const long long slice = (bytes + 63) / 64 * 64 + rowBytes;
  const int threads = parallel ? std::min(par::requestedThreads(), roi.height) : 1;
  par::PerThreadScratch<unsigned char> scratch;
  return par::masterRegion(
      threads, [&](int t) { return scratch.allocate(t, slice); },
      [&](int t, int total) {
        const par::RowRange r = par::splitFloor(roi.height, total, t);
        unsigned char* mine = scratch.slice(t);
        T* out = reinterpret_cast<T*>(mine + (bytes + 63) / 64 * 64);
        for (int y = r.begin; y < r.end; ++y) {
          body(y, out, mine);
          storeRowOf<T, C, kAlpha>(out, rowPtr(dst, dstStep, y), roi.width);
        }
      });
}

// 8u: per channel, histograms of every column of the window rows (256 fine and 16 coarse
// bins), moved down a row by removing the leaving row and adding the entering one; along a
// row the window histogram takes the entering column's and drops the leaving one's, and the
// median is found through the coarse bins. The cost per pixel does not grow with the window.
template <int C, bool kAlpha>
RuxResult histogramMedian8u(const Rux8u* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi,
                            RuxImageSize mask, RuxImagePoint anchor) {
  const int need = mask.width * mask.height / 2 + 1;
  const int cols = roi.width + mask.width - 1;
  const long long hist = static_cast<long long>(cols) * (256 + 16) * 2 * C;
  const long long rowBytes = (static_cast<long long>(roi.width) * C + 63) / 64 * 64;
  const int threads = conv::worthThreads(roi) ? std::min(par::requestedThreads(), roi.height) : 1;
  const median::MedianKernels& k = median::medianKernels();
  par::PerThreadScratch<unsigned char> scratch;
  return par::masterRegion(
      threads, [&](int t) { return scratch.allocate(t, hist + rowBytes); },
      [&](int t, int total) {
        const par::RowRange r = par::splitFloor(roi.height, total, t);
        if (r.size() < 1) return;
        auto* base = reinterpret_cast<std::int16_t*>(scratch.slice(t));
        Rux8u* out = reinterpret_cast<Rux8u*>(scratch.slice(t) + hist);
        median::ColumnHistograms h[C];
        for (int c = 0; c < C; ++c) {
          h[c] = {base + static_cast<std::size_t>(c) * cols * 272, base + static_cast<std::size_t>(c) * cols * 272 + static_cast<std::size_t>(cols) * 256, cols};
          std::fill(h[c].fine, h[c].fine + static_cast<std::size_t>(cols) * 272, std::int16_t{0});
        }
        const auto row = [&](int y) { return rowPtr(src, srcStep, y) - static_cast<std::ptrdiff_t>(anchor.x) * C; };
        for (int j = 0; j < mask.height; ++j)
          for (int c = 0; c < C; ++c) k.histRow(h[c], row(r.begin - anchor.y + j) + c, C, 1);
        for (int y = r.begin; y < r.end; ++y) {
          if (y > r.begin)
            for (int c = 0; c < C; ++c) {
              k.histRow(h[c], row(y - 1 - anchor.y) + c, C, -1);
              k.histRow(h[c], row(y - anchor.y + mask.height - 1) + c, C, 1);
            }
          for (int c = 0; c < C; ++c) k.histMedian(h[c], mask.width, need, roi.width, out + c, C);
          storeRowOf<Rux8u, C, kAlpha>(out, rowPtr(dst, dstStep, y), roi.width);
        }
      });
}

// 16-bit: 256 coarse bins over 65536 fine ones; 16s biased by 32768.
template <class T, int C, bool kAlpha>
RuxResult histogramMedian16(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                            RuxImagePoint anchor) {
  const int need = mask.width * mask.height / 2 + 1;
  constexpr unsigned kBias = std::is_signed_v<T> ? 32768u : 0u;
  return perRow<T, C, kAlpha>(dst, dstStep, roi, (65536 + 256) * 4, conv::worthThreads(roi),
                              [&](int y, T* out, unsigned char* mem) {
    auto* fine = reinterpret_cast<std::uint32_t*>(mem);
    std::uint32_t* coarse = fine + 65536;
    const T* top = rowPtr(src, srcStep, y - anchor.y);
    const auto sample = [&](int x, int j, int c) {
      return static_cast<unsigned>(loadSample<T>(rowPtr(top, srcStep, j) + static_cast<std::ptrdiff_t>(x - anchor.x) * C + c) + kBias) & 0xffffu;
    };
    for (int c = 0; c < C; ++c) {
      std::fill(fine, fine + 65536, 0u);
      std::fill(coarse, coarse + 256, 0u);
      for (int j = 0; j < mask.height; ++j)
        for (int i = 0; i < mask.width; ++i) {
          const unsigned v = sample(i, j, c);
          ++fine[v], ++coarse[v >> 8];
        }
      int b = 0, below = 0;  // coarse bin of the median, samples in lower bins
      for (int x = 0;; ++x) {
        while (below >= need) below -= static_cast<int>(coarse[--b]);
        while (below + static_cast<int>(coarse[b]) < need) below += static_cast<int>(coarse[b++]);
        int v = b << 8, cum = below;
        while (cum + static_cast<int>(fine[v]) < need) cum += static_cast<int>(fine[v++]);
        storeSample<T>(out + static_cast<std::size_t>(x) * C + c, static_cast<T>(static_cast<int>(v) - static_cast<int>(kBias)));
        if (x + 1 == roi.width) break;
        for (int j = 0; j < mask.height; ++j) {
          const unsigned gone = sample(x, j, c), come = sample(x + mask.width, j, c);
          --fine[gone], --coarse[gone >> 8], ++fine[come], ++coarse[come >> 8];
          below += (static_cast<int>(come >> 8) < b) - (static_cast<int>(gone >> 8) < b);
        }
      }
    }
  });
}

// Floats: the window gathered and partially sorted; NaN above every number.
template <class T, int C, bool kAlpha>
RuxResult sortMedian(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                     RuxImagePoint anchor) {
  const long long area = static_cast<long long>(mask.width) * mask.height;
  return perRow<T, C, kAlpha>(dst, dstStep, roi, area * static_cast<long long>(sizeof(T)), conv::worthThreads(roi),
                              [&](int y, T* out, unsigned char* mem) {
    T* w = reinterpret_cast<T*>(mem);
    const T* top = rowPtr(src, srcStep, y - anchor.y);
    const auto less = [](T a, T b) { return a < b || (std::isnan(b) && !std::isnan(a)); };
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < C; ++c) {
        long long n = 0;
        for (int j = 0; j < mask.height; ++j) {
          const T* row = rowPtr(top, srcStep, j) + static_cast<std::ptrdiff_t>(x - anchor.x) * C + c;
          for (int i = 0; i < mask.width; ++i) w[n++] = loadSample<T>(row + static_cast<std::ptrdiff_t>(i) * C);
        }
        std::nth_element(w, w + area / 2, w + area, less);
        out[static_cast<std::size_t>(x) * C + c] = w[area / 2];
      }
  });
}

RuxResult medianChecks(const void* src, int srcStep, const void* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                       RuxImagePoint anchor) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (mask.width < 1 || mask.height < 1 || mask.width % 2 == 0 || mask.height % 2 == 0) return ruxStatusBadMaskSize;
  if (anchor.x < 0 || anchor.y < 0 || anchor.x >= mask.width || anchor.y >= mask.height) return ruxStatusBadAnchor;
  return ruxStatusOk;
}

template <class T, int C, bool kAlpha>
RuxResult filterMedian(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                       RuxImagePoint anchor, bool takesBuffer, const Rux8u* buffer) {
  if (const RuxResult rc = medianChecks(src, srcStep, dst, dstStep, roi, mask, anchor)) return rc;
  if (takesBuffer && buffer == nullptr) return ruxStatusNullPointer;
  const long long area = static_cast<long long>(mask.width) * mask.height;
  if (area <= 25 || (std::is_same_v<T, Rux8u> && area == 49)) {
    std::vector<Offset> at;
    for (int q = 0; q < mask.height; ++q)
      for (int p = 0; p < mask.width; ++p) at.push_back({p - anchor.x, q - anchor.y});
    return networkMedian<T, C, kAlpha>(src, srcStep, dst, dstStep, roi, at);
  }
  if constexpr (std::is_same_v<T, Rux8u>) {
    if (area <= 32767) return histogramMedian8u<C, kAlpha>(src, srcStep, dst, dstStep, roi, mask, anchor);
    return histogramMedian16<T, C, kAlpha>(src, srcStep, dst, dstStep, roi, mask, anchor);
  } else if constexpr (std::is_integral_v<T>) {
    return histogramMedian16<T, C, kAlpha>(src, srcStep, dst, dstStep, roi, mask, anchor);
  } else {
    return sortMedian<T, C, kAlpha>(src, srcStep, dst, dstStep, roi, mask, anchor);
  }
}

// Buffer sizes of the 32f and 64f members: one window of samples, and (w x 17 x h x 8 + 208)
// rounded down to a multiple of 16.
RuxResult medianBufferSize(RuxImageSize roi, RuxImageSize mask, int channels, int* size, bool doubles) {
  if (size == nullptr) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (mask.width < 1 || mask.height < 1 || mask.width % 2 == 0 || mask.height % 2 == 0) return ruxStatusBadMaskSize;
  if (channels != 1 && channels != 3 && channels != 4) return ruxStatusBadChannelCount;
  const long long area = static_cast<long long>(mask.width) * mask.height;
  const long long bytes = doubles ? (area * 17 * 8 + 208) / 16 * 16 : area * 4;
  if (bytes > std::numeric_limits<int>::max()) return ruxStatusBadSize;
  *size = static_cast<int>(bytes);
  return ruxStatusOk;
}

// Row (31, 51), column (13, 15) and cross (33, 55) medians.
enum class Shape { kRow, kColumn, kCross };

template <class T, int C, bool kAlpha>
RuxResult shapeMedian(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, int code, Shape shape) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const int first = shape == Shape::kRow ? 31 : (shape == Shape::kColumn ? 13 : 33);
  const int second = shape == Shape::kRow ? 51 : (shape == Shape::kColumn ? 15 : 55);
  if (code != first && code != second) return ruxStatusBadMaskSize;
  const int r = code == first ? 1 : 2;
  std::vector<Offset> at;
  for (int k = -r; k <= r; ++k) {
    if (shape != Shape::kColumn) at.push_back({k, 0});
    if (shape != Shape::kRow && (shape == Shape::kColumn || k != 0)) at.push_back({0, k});
  }
  return networkMedian<T, C, kAlpha>(src, srcStep, dst, dstStep, roi, at);
}

RuxResult weightedCenter(const Rux8u* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi, int weight) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (weight <= 0) return ruxStatusBadWeight;
  const RuxResult done = weight % 2 == 0 ? ruxStatusEvenWeight : ruxStatusOk;
  if (weight % 2 == 0) --weight;
  std::vector<Offset> at;
  if (weight >= 9) {
    at.push_back({0, 0});  // the centre always holds the median
  } else {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx != 0 || dy != 0) at.push_back({dx, dy});
    for (int k = 0; k < weight; ++k) at.push_back({0, 0});
  }
  if (const RuxResult rc = networkMedian<Rux8u, 1, false>(src, srcStep, dst, dstStep, roi, at)) return rc;
  return done;
}

// Colour median: the window pixel with the smallest sum of L1 colour distances.
template <class T, bool kAlpha>
RuxResult colorMedian(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, int code) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (code != ruxMaskSize3x3 && code != ruxMaskSize5x5) return ruxStatusBadMaskSize;
  constexpr int C = kAlpha ? 4 : 3;
  const int r = code == ruxMaskSize3x3 ? 1 : 2, side = 2 * r + 1, k = side * side;
  using Sum = std::conditional_t<std::is_floating_point_v<T>, float, std::int32_t>;
  return perRow<T, C, kAlpha>(dst, dstStep, roi, 0, conv::worthThreads(roi), [&](int y, T* out, unsigned char*) {
    for (int x = 0; x < roi.width; ++x) {
      T px[25][3];
      for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
          for (int c = 0; c < 3; ++c)
            px[j * side + i][c] = loadSample<T>(rowPtr(src, srcStep, y - r + j) + static_cast<std::ptrdiff_t>(x - r + i) * C + c);
      int best = 0;
      Sum bestSum{};
      for (int a = 0; a < k; ++a) {
        Sum s = 0;
        for (int b = 0; b < k; ++b)
          for (int c = 0; c < 3; ++c) {
            const Sum d = static_cast<Sum>(px[a][c]) - static_cast<Sum>(px[b][c]);
            s += d < 0 ? -d : d;
          }
        if (a == 0 || s < bestSum) best = a, bestSum = s;
      }
      for (int c = 0; c < 3; ++c) out[static_cast<std::size_t>(x) * C + c] = px[best][c];
    }
  });
}

RuxResult planeMedian(const Rux8u* const planes[3], int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi) {
  if (planes == nullptr || anyNull(planes[0], planes[1], planes[2], dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  for (int y = 0; y < roi.height; ++y) {
    const Rux8u* a = rowPtr(planes[0], srcStep, y);
    const Rux8u* b = rowPtr(planes[1], srcStep, y);
    const Rux8u* c = rowPtr(planes[2], srcStep, y);
    Rux8u* d = rowPtr(dst, dstStep, y);
    for (int x = 0; x < roi.width; ++x) {
      const Rux8u lo = std::min(a[x], b[x]), hi = std::max(a[x], b[x]);
      d[x] = std::max(lo, std::min(hi, c[x]));
    }
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_EXTREMUM(name, op, type, T, lay, C, A)                                                          \
  RUXAPI RuxResult ruxiFilter##name##_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,   \
                                                        RuxImageSize roiSize, RuxImageSize maskSize,        \
                                                        RuxImagePoint anchor) {                             \
    return filterExtremum<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, rank::op);      \
  }
#define RUX_EXTREMUM_TYPE(type, T)                \
  RUX_EXTREMUM(Min, kMin, type, T, C1, 1, false)  \
  RUX_EXTREMUM(Min, kMin, type, T, C3, 3, false)  \
  RUX_EXTREMUM(Min, kMin, type, T, C4, 4, false)  \
  RUX_EXTREMUM(Min, kMin, type, T, AC4, 4, true)  \
  RUX_EXTREMUM(Max, kMax, type, T, C1, 1, false)  \
  RUX_EXTREMUM(Max, kMax, type, T, C3, 3, false)  \
  RUX_EXTREMUM(Max, kMax, type, T, C4, 4, false)  \
  RUX_EXTREMUM(Max, kMax, type, T, AC4, 4, true)

RUX_EXTREMUM_TYPE(8u, Rux8u)
RUX_EXTREMUM_TYPE(16u, Rux16u)
RUX_EXTREMUM_TYPE(16s, Rux16s)
RUX_EXTREMUM_TYPE(32f, Rux32f)

#define RUX_MEDIAN(type, T, lay, C, A)                                                                     \
  RUXAPI RuxResult ruxiFilterMedian_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,    \
                                                      RuxImageSize roiSize, RuxImageSize maskSize,         \
                                                      RuxImagePoint anchor) {                              \
    return filterMedian<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, false, nullptr); \
  }
#define RUX_MEDIAN_BUF(type, T, lay, C)                                                                   \
  RUXAPI RuxResult ruxiFilterMedian_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,   \
                                                      RuxImageSize roiSize, RuxImageSize maskSize,        \
                                                      RuxImagePoint anchor, Rux8u* pBuffer) {             \
    return filterMedian<T, C, false>(pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, true,       \
                                     pBuffer);                                                            \
  }
#define RUX_SHAPES(type, T, lay, C, A, cross)                                                              \
  RUXAPI RuxResult ruxiFilterMedianHoriz_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,            \
                                                           int dstStep, RuxImageSize roiSize,              \
                                                           RuxMaskSize mask) {                             \
    return shapeMedian<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, mask, Shape::kRow);                 \
  }                                                                                                        \
  RUXAPI RuxResult ruxiFilterMedianVert_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,             \
                                                          int dstStep, RuxImageSize roiSize,               \
                                                          RuxMaskSize mask) {                              \
    return shapeMedian<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, mask, Shape::kColumn);              \
  }                                                                                                        \
  cross(type, T, lay, C, A)
#define RUX_CROSS(type, T, lay, C, A)                                                                      \
  RUXAPI RuxResult ruxiFilterMedianCross_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,            \
                                                           int dstStep, RuxImageSize roiSize,              \
                                                           RuxMaskSize mask) {                             \
    return shapeMedian<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, mask, Shape::kCross);               \
  }
#define RUX_NO_CROSS(type, T, lay, C, A)
#define RUX_COLOR(type, T, lay, A)                                                                         \
  RUXAPI RuxResult ruxiFilterMedianColor_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,            \
                                                           int dstStep, RuxImageSize roiSize,              \
                                                           RuxMaskSize mask) {                             \
    return colorMedian<T, A>(pSrc, srcStep, pDst, dstStep, roiSize, mask);                                 \
  }

#define RUX_MEDIAN_INT(type, T)                     \
  RUX_MEDIAN(type, T, C1, 1, false)                 \
  RUX_MEDIAN(type, T, C3, 3, false)                 \
  RUX_MEDIAN(type, T, C4, 4, false)                 \
  RUX_MEDIAN(type, T, AC4, 4, true)                 \
  RUX_SHAPES(type, T, C1, 1, false, RUX_CROSS)      \
  RUX_SHAPES(type, T, C3, 3, false, RUX_CROSS)      \
  RUX_SHAPES(type, T, C4, 4, false, RUX_NO_CROSS)   \
  RUX_SHAPES(type, T, AC4, 4, true, RUX_CROSS)

RUX_MEDIAN_INT(8u, Rux8u)
RUX_MEDIAN_INT(16u, Rux16u)
RUX_MEDIAN_INT(16s, Rux16s)
RUX_MEDIAN(32f, Rux32f, C1, 1, false)
RUX_MEDIAN_BUF(32f, Rux32f, C3, 3)
RUX_MEDIAN_BUF(32f, Rux32f, C4, 4)
RUX_MEDIAN_BUF(64f, Rux64f, C1, 1)
RUX_COLOR(8u, Rux8u, C3, false)
RUX_COLOR(8u, Rux8u, AC4, true)
RUX_COLOR(16s, Rux16s, C3, false)
RUX_COLOR(16s, Rux16s, AC4, true)
RUX_COLOR(32f, Rux32f, C3, false)
RUX_COLOR(32f, Rux32f, AC4, true)

RUXAPI RuxResult ruxiFilterMedianGetBufferSize_32f(RuxImageSize roiSize, RuxImageSize maskSize, int nChannels,
                                                   int* pBufferSize) {
  return medianBufferSize(roiSize, maskSize, nChannels, pBufferSize, false);
}
RUXAPI RuxResult ruxiFilterMedianGetBufferSize_64f(RuxImageSize roiSize, RuxImageSize maskSize, int nChannels,
                                                   int* pBufferSize) {
  return medianBufferSize(roiSize, maskSize, nChannels, pBufferSize, true);
}
RUXAPI RuxResult ruxiFilterMedianWeightedCenter3x3_8u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                                          RuxImageSize roiSize, int weight) {
  return weightedCenter(pSrc, srcStep, pDst, dstStep, roiSize, weight);
}
RUXAPI RuxResult ruxiMedian_8u_P3C1R(const Rux8u* const pSrc[3], int srcStep, Rux8u* pDst, int dstStep,
                                     RuxImageSize roiSize) {
  return planeMedian(pSrc, srcStep, pDst, dstStep, roiSize);
}
