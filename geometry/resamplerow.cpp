// ResampleRow: one-dimensional resampling of image rows by a rational factor with a polyphase
// Catmull-Rom filter, and the edge replication that provides the border it reads.
//
// The factor dst/src is reduced to L/M (greatest common divisor). On the grid up-sampled by L,
// source sample j sits at j L and destination sample n at n M (sample 0 of both at 0). The
// prototype is the Catmull-Rom kernel stretched to S = max(L, M) up-grid units, so a reduction
// filters below the destination's Nyquist rate: destination n takes the source samples j with
// |n M - j L| < 2 S, each weighted by K((n M - j L) / S), the weights of each phase p = n M mod L
// divided by their sum (a constant row stays constant). The state holds, per phase, the first
// tap relative to floor(n M / L) and the weights (single precision; sums in tap order).
// The border is the largest reach of any phase before the first and after the last source
// sample; the caller provides that many samples on both sides of each row (ReplicateBorder).
// The work buffer holds each destination sample's first tap and phase for one call.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>

#include "core/base.h"
#include "primitives/resample_axis.h"
#include "primitives/unaligned.h"

struct RuxResampleRowSpec_32f {
  std::int32_t id;
  std::int32_t filterType;
  std::int32_t srcWidth, dstWidth;
  std::int32_t L, M, taps, border;
  // Then L first-tap offsets (int32) and L x taps weights (float).
};

namespace rux {
namespace {

constexpr std::int32_t kId = 0x434D4169;

struct Shape {
  long long L, M, taps, border, bytes;
};

// Taps of phase p: the o with |p - o L| < 2 S, o in [first, last].
void tapRange(long long p, long long L, long long S, long long* first, long long* last) {
  long long o = static_cast<long long>(std::floor(static_cast<double>(p - 2 * S) / L));
  while (std::llabs(p - o * L) >= 2 * S && o * L < p) ++o;
  *first = o;
  while (std::llabs(p - (o + 1) * L) < 2 * S) ++o;
  *last = o;
}

// Phases, taps, border and the state's byte count of a src -> dst resampling.
Shape shapeOf(int src, int dst) {
  const long long g = std::gcd(static_cast<long long>(src), static_cast<long long>(dst));
  Shape s{dst / g, src / g, 0, 0, 0};
  const long long S = std::max(s.L, s.M);
  long long lo = 0, hi = 0;
  for (long long p = 0; p < s.L; ++p) {
    long long first, last;
    tapRange(p, s.L, S, &first, &last);
    s.taps = std::max(s.taps, last - first + 1);
    lo = std::min(lo, first);
    hi = std::max(hi, last);
  }
  s.border = std::max(-lo, hi);
  s.bytes = static_cast<long long>(sizeof(RuxResampleRowSpec_32f)) + 4 * s.L + 4 * s.L * s.taps + 16;
  return s;
}

// A state of L phases holds at least 8 L bytes: beyond an int's range it cannot be made.
bool tooLarge(int src, int dst) { return 8LL * (dst / std::gcd(src, dst)) > INT_MAX; }

// The state at the first 16-byte boundary of the caller's memory.
template <class P>
P* aligned(P* p) {
  return reinterpret_cast<P*>((reinterpret_cast<std::uintptr_t>(p) + 15) & ~std::uintptr_t{15});
}

std::int32_t* offsetsOf(RuxResampleRowSpec_32f* s) { return reinterpret_cast<std::int32_t*>(s + 1); }
const std::int32_t* offsetsOf(const RuxResampleRowSpec_32f* s) { return reinterpret_cast<const std::int32_t*>(s + 1); }
const float* weightsOf(const RuxResampleRowSpec_32f* s) {
  return reinterpret_cast<const float*>(offsetsOf(s) + s->L);
}

RuxResult getSize(int src, int dst, int* pSpecSize, int* pBufSize) {
  if (pSpecSize == nullptr || pBufSize == nullptr) return ruxStatusNullPointer;
  if (src < 1 || dst < 1) return ruxStatusBadSize;
  if (tooLarge(src, dst)) return ruxStatusBadSize;
  const Shape s = shapeOf(src, dst);
  const long long buf = 8LL * dst + 16;
  if (s.bytes > INT_MAX || buf > INT_MAX) return ruxStatusBadSize;
  *pSpecSize = static_cast<int>(s.bytes);
  *pBufSize = static_cast<int>(buf);
  return ruxStatusOk;
}

RuxResult init(RuxResampleRowSpec_32f* mem, int filterType, int src, int dst) {
  if (mem == nullptr) return ruxStatusNullPointer;
  if (src < 1 || dst < 1) return ruxStatusBadSize;
  if (filterType != 0) return ruxStatusBadArg;
  if (tooLarge(src, dst)) return ruxStatusBadSize;
  const Shape sh = shapeOf(src, dst);
  if (sh.bytes > INT_MAX) return ruxStatusBadSize;
  RuxResampleRowSpec_32f* s = aligned(mem);
  *s = {kId, filterType, src, dst, static_cast<std::int32_t>(sh.L), static_cast<std::int32_t>(sh.M),
        static_cast<std::int32_t>(sh.taps), static_cast<std::int32_t>(sh.border)};
  std::int32_t* off = offsetsOf(s);
  float* w = reinterpret_cast<float*>(off + sh.L);
  const long long S = std::max(sh.L, sh.M);
  const auto weight = [&](long long p, long long o) {
    const double x = static_cast<double>(std::llabs(p - o * sh.L)) / static_cast<double>(S);
    return x < 2.0 ? resample::cubicKernel(resample::kCatmullRom, x) : 0.0;
  };
  for (long long p = 0; p < sh.L; ++p) {
    long long first, last;
    tapRange(p, sh.L, S, &first, &last);
    off[p] = static_cast<std::int32_t>(first);
    double sum = 0.0;
    for (long long o = first; o <= last; ++o) sum += weight(p, o);
    for (long long k = 0; k < sh.taps; ++k)
      w[p * sh.taps + k] = first + k <= last ? static_cast<float>(weight(p, first + k) / sum) : 0.0f;
  }
  return ruxStatusOk;
}

const RuxResampleRowSpec_32f* checked(const RuxResampleRowSpec_32f* mem) {
  const RuxResampleRowSpec_32f* s = aligned(mem);
  return s->id == kId ? s : nullptr;
}

RuxResult borderWidth(const RuxResampleRowSpec_32f* mem, int* left, int* right) {
  if (mem == nullptr || left == nullptr || right == nullptr) return ruxStatusNullPointer;
  const RuxResampleRowSpec_32f* s = checked(mem);
  if (s == nullptr) return ruxStatusBadContext;
  *left = *right = s->border;
  return ruxStatusOk;
}

RuxResult replicateBorder(Rux32f* p, int step, RuxImageSize roi, int left, int right) {
  if (p == nullptr) return ruxStatusNullPointer;
  if (badSize(roi) || left < 0 || right < 0) return ruxStatusBadSize;
  for (int y = 0; y < roi.height; ++y) {
    Rux32f* row = rowPtr(p, step, y);
    const Rux32f a = loadSample<Rux32f>(row), b = loadSample<Rux32f>(row + roi.width - 1);
    for (int x = 1; x <= left; ++x) storeSample<Rux32f>(row - x, a);
    for (int x = 0; x < right; ++x) storeSample<Rux32f>(row + roi.width + x, b);
  }
  return ruxStatusOk;
}

RuxResult resampleRow(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, int xOrigin, RuxImageSize roi,
                      const RuxResampleRowSpec_32f* mem, Rux8u* pBuffer) {
  if (pSrc == nullptr || pDst == nullptr || mem == nullptr || pBuffer == nullptr) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (xOrigin < 0) return ruxStatusOutOfRange;
  const RuxResampleRowSpec_32f* s = checked(mem);
  if (s == nullptr) return ruxStatusBadContext;
  if (static_cast<long long>(xOrigin) + roi.width > s->dstWidth) return ruxStatusBadSize;
  std::int32_t* first = aligned(reinterpret_cast<std::int32_t*>(pBuffer));
  std::int32_t* phase = first + roi.width;
  const std::int32_t* off = offsetsOf(s);
  const float* w = weightsOf(s);
  for (int n = 0; n < roi.width; ++n) {
    const long long q = (static_cast<long long>(xOrigin) + n) * s->M;
    phase[n] = static_cast<std::int32_t>(q % s->L);
    first[n] = static_cast<std::int32_t>(q / s->L) + off[phase[n]];
  }
  const int taps = s->taps;
  for (int y = 0; y < roi.height; ++y) {
    const Rux32f* src = rowPtr(pSrc, srcStep, y);
    Rux32f* dst = rowPtr(pDst, dstStep, y);
    for (int n = 0; n < roi.width; ++n) {
      const float* wp = w + static_cast<std::ptrdiff_t>(phase[n]) * taps;
      const Rux32f* sp = src + first[n];
      float acc = wp[0] * loadSample<Rux32f>(sp);
      for (int k = 1; k < taps; ++k) acc = acc + wp[k] * loadSample<Rux32f>(sp + k);
      storeSample<Rux32f>(dst + n, acc);
    }
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiResampleRowGetSize_32f(int srcSampleWidth, int dstSampleWidth, int* pSpecSize, int* pBufSize) {
  return getSize(srcSampleWidth, dstSampleWidth, pSpecSize, pBufSize);
}
RUXAPI RuxResult ruxiResampleRowInit_32f(RuxResampleRowSpec_32f* pSpec, int filterType, int srcSampleWidth,
                                         int dstSampleWidth) {
  return init(pSpec, filterType, srcSampleWidth, dstSampleWidth);
}
RUXAPI RuxResult ruxiResampleRowGetBorderWidth_32f(const RuxResampleRowSpec_32f* pSpec, int* pLeftWidth,
                                                   int* pRightWidth) {
  return borderWidth(pSpec, pLeftWidth, pRightWidth);
}
RUXAPI RuxResult ruxiResampleRowReplicateBorder_32f_C1R(Rux32f* pSrcDst, int srcDstStep, RuxImageSize srcRoiSize,
                                                        int leftBorderWidth, int rightBorderWidth) {
  return replicateBorder(pSrcDst, srcDstStep, srcRoiSize, leftBorderWidth, rightBorderWidth);
}
RUXAPI RuxResult ruxiResampleRow_32f_C1(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, int xOriginRefGrid,
                                        RuxImageSize dstRoiSize, const RuxResampleRowSpec_32f* pSpec, Rux8u* pBuffer) {
  return resampleRow(pSrc, srcStep, pDst, dstStep, xOriginRefGrid, dstRoiSize, pSpec, pBuffer);
}
