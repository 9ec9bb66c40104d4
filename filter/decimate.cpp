// Decimation of rows or columns by fixed fractions (DecimateFilterRow, DecimateFilterColumn) and
// content-adaptive de-interlacing (DeinterlaceFilterCAVT), 8u single channel.
//
// Decimation by p/q: every block of q source samples along the axis gives p destination
// samples; the destination extent is (n / q) x p, the other axis is kept. Destination sample
// i = p b + f (block b, phase f) is centred at source position x = q b + (f + 1/2) q / p - 1/2
// and formed as dst = clamp((sum_t w_t s[q b + first_f + t] + 128) >> 8, 0, 255) (arithmetic
// shift, so negative sums round down to 0). Every phase's weights are in 1/256 and sum to 256, so
// a constant row stays constant.
//
// All tap tables come from one prototype: the Lanczos kernel L(u) = sinc(u) sinc(u / 2.5) for
// |u| < 2.5 (0 beyond), u being the distance in destination samples, (j - x) p / q. Per phase
// the weights of the source samples j with |u| < 2.5 are 256 L(u_j) / sum L, rounded to nearest
// (half away from zero); the difference between 256 and their sum is spread one unit at a time
// over the taps with the largest rounding remainder in the needed direction (the lower index on
// ties); zero weights at either end are dropped. For 1/2 this gives the 10-tap kernel
// {2, -6, -15, 33, 114, 114, 33, -15, -6, 2}. The tests rebuild every table from the prototype.
//
// Border: per fraction the samples read along the axis are s[-L] .. s[q (n / q) - 1 + R] of the
// region: L = 4, 2, 3, 3, 3 before it and q (n / q) + R - n after it (R = 4, 2, 3, 3, 3, none
// when that is negative) for 1/2, 3/5, 2/3, 7/10, 3/4. Nothing else is read.
//
// Columns: a destination row is the tap sum of whole source rows (the vector tap engine of the
// linear filters, 32-bit sums). Rows: each source row is split into q phase rows
// (s[q k + r] for plane r), so every destination phase is again a tap sum of contiguous rows,
// formed as 2 sum + 1 and rounded by the vector shift kernel (no ties, the same result); the
// phases are then interleaved into the destination row.
//
// De-interlacing: even rows are copied; odd row y becomes
// out = (7 (s(y-1) + s(y+1)) + s(y-3) + s(y+3) + t + 8) >> 4 with t = 8 s(y) - 4 s(y-2) -
// 4 s(y+2), limited to the range of s(y-1) and s(y+1) when |t| < threshold, then clamped to
// 0..255. Rows beyond the frame are its rows mirrored about the first and the last row (row -r is
// row r, row h-1+r is row h-1-r): rows 1, h-3 and h-1 use those, every other row its own
// neighbours. Only the rows of the region are read. Heights are even and at least 8.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/base.h"
#include "core/scratch.h"
#include "primitives/conv_kernels.h"

namespace rux {
namespace {

struct Phase {
  int first;  // offset of the first tap from the block's first sample
  int taps;
  int w[10];
};

struct Fraction {
  int p, q;
  int left, right;  // samples read before the region, and beyond the last whole block (R)
  Phase phase[7];
};

// Built from the Lanczos prototype above (see the file comment for the rounding rule).
const Fraction kFractions[5] = {
    {1, 2, 4, 4, {{-4, 10, {2, -6, -15, 33, 114, 114, 33, -15, -6, 2}}}},
    {3, 5, 2, 2,
     {{-2, 7, {-19, 31, 143, 112, 0, -13, 2}},
      {-2, 9, {1, -6, -16, 71, 155, 71, -16, -5, 1}},
      {0, 7, {2, -13, 0, 112, 143, 31, -19}}}},
    {2, 3, 3, 3, {{-3, 7, {2, -18, 27, 163, 103, -16, -5}}, {-1, 7, {-5, -16, 103, 163, 27, -18, 2}}}},
    {7, 10, 3, 3,
     {{-3, 7, {2, -17, 25, 173, 95, -21, -1}},
      {-1, 7, {-4, -16, 120, 161, 7, -13, 1}},
      {0, 7, {2, -21, 46, 180, 70, -22, 1}},
      {1, 8, {1, -9, -6, 142, 142, -6, -9, 1}},
      {3, 7, {1, -22, 70, 180, 46, -21, 2}},
      {4, 7, {1, -13, 7, 161, 120, -16, -4}},
      {6, 7, {-1, -21, 95, 173, 25, -17, 2}}}},
    {3, 4, 3, 3,
     {{-3, 7, {1, -15, 22, 188, 82, -24, 2}},
      {-1, 6, {-4, -15, 147, 147, -15, -4}},
      {0, 7, {2, -24, 82, 188, 22, -15, 1}}}},
};

constexpr int kChunk = 1024;

// clamp((s + 128) >> 8) of n sums, to out[i * stride].
void finish(const std::int32_t* s, std::uint8_t* out, std::ptrdiff_t stride, int n) {
  for (int i = 0; i < n; ++i) out[i * stride] = static_cast<std::uint8_t>(std::clamp((s[i] + 128) >> 8, 0, 255));
}

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

RuxResult checkDecimation(const Rux8u* src, int srcStep, RuxImageSize roi, const Rux8u* dst, int dstStep,
                          const RuxFraction& fraction, bool rows, const Fraction** out) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  int code;
  std::memcpy(&code, &fraction, sizeof(code));  // any value a C caller passes
  if (code < 0 || code > 4) return ruxStatusBadDecimation;
  const Fraction& f = kFractions[code];
  // A region shorter than one block has no destination sample.
  if ((rows ? roi.width : roi.height) < f.q) return ruxStatusBadSize;
  *out = &f;
  return ruxStatusOk;
}

RuxResult decimateColumns(const Rux8u* src, int srcStep, RuxImageSize roi, Rux8u* dst, int dstStep,
                          const RuxFraction& fraction) {
  const Fraction* f = nullptr;
  if (RuxResult st = checkDecimation(src, srcStep, roi, dst, dstStep, fraction, false, &f)) return st;
  const conv::TapsFn taps = conv::convKernels().taps[conv::k8u][conv::kI32];
  const int blocks = roi.height / f->q;
  alignas(64) std::int32_t sums[kChunk];
  std::ptrdiff_t offsets[10];
  for (int b = 0; b < blocks; ++b) {
    for (int ph = 0; ph < f->p; ++ph) {
      const Phase& P = f->phase[ph];
      for (int t = 0; t < P.taps; ++t) offsets[t] = static_cast<std::ptrdiff_t>(t) * srcStep;
      const Rux8u* first = rowPtr(src, srcStep, f->q * b + P.first);
      Rux8u* out = rowPtr(dst, dstStep, f->p * b + ph);
      for (int x = 0; x < roi.width; x += kChunk) {
        const int n = std::min(kChunk, roi.width - x);
        taps(first + x, offsets, P.w, P.taps, static_cast<std::size_t>(n), sums);
        finish(sums, out + x, 1, n);
      }
    }
  }
  return ruxStatusOk;
}

// Splits samples [lo, hi] of a row into the Q phase planes (plane r, index k - k0 holds
// s[Q k + r]); the whole blocks in the middle run with a constant stride.
template <int Q>
void splitPhases(const Rux8u* s, int lo, int hi, int k0, std::uint8_t* pl, int planeLen) {
  const int kA = floorDiv(lo + Q - 1, Q), kB = floorDiv(hi + 1, Q);  // blocks [kA, kB) lie inside
  for (int k = kA; k < kB; ++k)
    for (int r = 0; r < Q; ++r) pl[static_cast<std::ptrdiff_t>(r) * planeLen + (k - k0)] = s[Q * k + r];
  for (int j = lo; j < Q * kA && j <= hi; ++j) pl[static_cast<std::ptrdiff_t>(j - Q * floorDiv(j, Q)) * planeLen + (floorDiv(j, Q) - k0)] = s[j];
  for (int j = std::max(Q * kB, lo); j <= hi; ++j)
    pl[static_cast<std::ptrdiff_t>(j - Q * floorDiv(j, Q)) * planeLen + (floorDiv(j, Q) - k0)] = s[j];
}

// Rows: per phase, sums of 2 w s + 1 over the phase planes (a plane of ones carries the 1), so
// rounding (2 sum + 1) / 512 to nearest is (sum + 128) >> 8 without ties: the dispatched
// shift-and-saturate kernel gives the result.
RuxResult decimateRows(const Rux8u* src, int srcStep, RuxImageSize roi, Rux8u* dst, int dstStep,
                       const RuxFraction& fraction) {
  const Fraction* f = nullptr;
  if (RuxResult st = checkDecimation(src, srcStep, roi, dst, dstStep, fraction, true, &f)) return st;
  const conv::ConvKernels& ck = conv::convKernels();
  const conv::TapsFn taps = ck.taps[conv::k8u][conv::kI32];
  const conv::ShiftFn shift = ck.shift[1][conv::k8u];
  const int q = f->q, p = f->p;
  const int blocks = roi.width / q;
  // Sample indices run from -left to q blocks - 1 + right; plane r holds s[q k + r] at index
  // k - k0 for k0 = floor(-left / q); plane q is all ones.
  const int lo = -f->left, hi = q * blocks - 1 + f->right;
  const int k0 = floorDiv(lo, q);
  const int planeLen = floorDiv(hi, q) - k0 + 1;
  Scratch<std::uint8_t> planes(static_cast<long long>(planeLen) * (q + 1) + (p > 1 ? blocks : 0));
  Scratch<std::int32_t> sums(blocks);
  if (!planes || !sums) return ruxStatusNoMemory;
  std::uint8_t* pl = planes.get();
  std::uint8_t* phaseOut = pl + static_cast<std::ptrdiff_t>(planeLen) * (q + 1);
  std::memset(pl, 0, static_cast<std::size_t>(planeLen) * q);
  std::memset(pl + static_cast<std::ptrdiff_t>(planeLen) * q, 1, static_cast<std::size_t>(planeLen));
  std::ptrdiff_t offsets[7][11];
  std::int32_t weights[7][11];
  for (int ph = 0; ph < p; ++ph) {
    const Phase& P = f->phase[ph];
    for (int t = 0; t < P.taps; ++t) {
      const int j = P.first + t;
      const int r = j - q * floorDiv(j, q);
      offsets[ph][t] = static_cast<std::ptrdiff_t>(r) * planeLen + (floorDiv(j, q) - k0);
      weights[ph][t] = 2 * P.w[t];
    }
    offsets[ph][P.taps] = static_cast<std::ptrdiff_t>(q) * planeLen;
    weights[ph][P.taps] = 1;
  }
  for (int y = 0; y < roi.height; ++y) {
    const Rux8u* s = rowPtr(src, srcStep, y);
    switch (q) {
      case 2: splitPhases<2>(s, lo, hi, k0, pl, planeLen); break;
      case 3: splitPhases<3>(s, lo, hi, k0, pl, planeLen); break;
      case 4: splitPhases<4>(s, lo, hi, k0, pl, planeLen); break;
      case 5: splitPhases<5>(s, lo, hi, k0, pl, planeLen); break;
      default: splitPhases<10>(s, lo, hi, k0, pl, planeLen); break;
    }
    Rux8u* out = rowPtr(dst, dstStep, y);
    for (int ph = 0; ph < p; ++ph) {
      taps(pl, offsets[ph], weights[ph], f->phase[ph].taps + 1, static_cast<std::size_t>(blocks), sums.get());
      if (p == 1) {
        shift(sums.get(), out, static_cast<std::size_t>(blocks), 9);
        continue;
      }
      shift(sums.get(), phaseOut, static_cast<std::size_t>(blocks), 9);
      for (int b = 0; b < blocks; ++b) out[p * b + ph] = phaseOut[b];
    }
  }
  return ruxStatusOk;
}

// ---- de-interlacing ------------------------------------------------------------------------------

// In 16-bit arithmetic (|t| <= 2040, the sum within -4080 .. 6128), so the loop vectorises on
// every target; thresholds above 2040 limit every sample.
void deinterlaceRow(const Rux8u* const r[7], Rux8u* out, int width, int threshold) {
  using I = std::int16_t;
  const I thr = static_cast<I>(std::min(threshold, 2041));
  const Rux8u *r0 = r[0], *r1 = r[1], *r2 = r[2], *r3 = r[3], *r4 = r[4], *r5 = r[5], *r6 = r[6];
  for (int x = 0; x < width; ++x) {
    const I a = r2[x], b = r4[x];
    const I t = static_cast<I>(8 * r3[x] - 4 * r1[x] - 4 * r5[x]);
    I v = static_cast<I>((7 * (a + b) + r0[x] + r6[x] + t + 8) >> 4);
    const I lo = std::min(a, b), hi = std::max(a, b);
    const I at = static_cast<I>(t < 0 ? -t : t);
    const I limited = std::min(std::max(v, lo), hi);
    v = at < thr ? limited : v;
    out[x] = static_cast<Rux8u>(std::min<I>(std::max<I>(v, 0), 255));
  }
}

RuxResult deinterlace(const Rux8u* src, int srcStep, Rux8u* dst, int dstStep, Rux16u threshold, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (roi.width < 1 || roi.height < 8 || roi.height % 2 != 0) return ruxStatusBadSize;
  const int h = roi.height;
  const auto mirrored = [h](int r) { return r < 0 ? -r : (r > h - 1 ? 2 * (h - 1) - r : r); };
  for (int y = 0; y < h; ++y) {
    Rux8u* out = rowPtr(dst, dstStep, y);
    if (y % 2 == 0) {
      std::memmove(out, rowPtr(src, srcStep, y), static_cast<std::size_t>(roi.width));
      continue;
    }
    const Rux8u* r[7];
    for (int k = 0; k < 7; ++k) r[k] = rowPtr(src, srcStep, mirrored(y - 3 + k));
    deinterlaceRow(r, out, roi.width, threshold);
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiDecimateFilterRow_8u_C1R(const Rux8u* pSrc, int srcStep, RuxImageSize srcRoiSize, Rux8u* pDst,
                                              int dstStep, RuxFraction fraction) {
  return decimateRows(pSrc, srcStep, srcRoiSize, pDst, dstStep, fraction);
}
RUXAPI RuxResult ruxiDecimateFilterColumn_8u_C1R(const Rux8u* pSrc, int srcStep, RuxImageSize srcRoiSize, Rux8u* pDst,
                                                 int dstStep, RuxFraction fraction) {
  return decimateColumns(pSrc, srcStep, srcRoiSize, pDst, dstStep, fraction);
}
RUXAPI RuxResult ruxiDeinterlaceFilterCAVT_8u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                                  Rux16u threshold, RuxImageSize roiSize) {
  return deinterlace(pSrc, srcStep, pDst, dstStep, threshold, roiSize);
}
