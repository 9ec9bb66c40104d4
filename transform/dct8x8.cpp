// Fixed 8x8 block DCTs (DCT8x8*) and the 8x8 zig-zag scans.
//
// Blocks are 64 contiguous samples in row order at any byte address; the R forms read or write
// one side through a step (>= 1). Only null pointers (-8) and steps (-14) are checked.
// The transforms are the kernels of primitives/dct8x8.h. Derived forms:
// - 8u sources are widened (FwdLS: plus the level shift, wrapped to 16 bits); 8u destinations
//   take min(max(x + level shift, clip low), clip high) of the exact inverse x, the clip bounds
//   clamped into 0..255 (InvLSClip), or 0..255 (Inv_16s8u);
// - Inv_4x4 / Inv_2x2: the full inverse of the block with every coefficient outside the 4x4
//   (2x2) corner taken as 0; Inv_A10: the inverse with the A10 rounders and shifts;
// - To4x4Inv: the 4-point inverse DCT of the 4x4 corner, halved, so the 16 outputs are on the
//   pixel scale of the 8x8 inverse (a flat block of value p gives p): out(i, j) =
//   1/2 sum c(u) c(v) cos((2j+1)u pi/8) cos((2i+1)v pi/8) F(v, u), c(0) = 1/2, c(k) = 1/sqrt2.
//   Fixed point: row pass with 2^16 s_r-scaled 4-point weights (s_r = 1 for rows 0, 2 and
//   sqrt2 cos(pi/8) for rows 1, 3), rounders 131072, 2472, 0, -1024, >> 12; the 4-point
//   transposed butterfly with tan(pi/8) = 27146 (Q16); >> 6. The 16 outputs are written to
//   the first 16 values of the destination (row order, 4 per row);
// - To2x2Inv: out(i, j) = (F00 + (-1)^j F01 + (-1)^i F10 + (-1)^(i+j) F11) / 8, the 2-point
//   inverse on the same scale, computed exactly as (16 S + 2^6) >> 7 (row shift 12 of
//   2^16-weighted sums, then >> 7), rounded half up; 4 outputs.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/base.h"
#include "primitives/dct8x8.h"
#include "primitives/int_scale.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

using dct8x8::kernels;

constexpr int kBlockBytes16 = 16;  // step of a contiguous block of 16s rows
constexpr int kBlockBytes32 = 32;  // of 32f rows

// The natural-order index held by position k of the zig-zag scan.
constexpr std::uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                      12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                      35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                      58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The full inverse of the block with only its n x n top-left corner kept.
RuxResult cornerInverse(const Rux16s* src, Rux16s* dst, int n) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  alignas(16) Rux16s block[64] = {};
  for (int v = 0; v < n; ++v)
    for (int u = 0; u < n; ++u) block[8 * v + u] = loadAt(src + 8 * v + u);
  kernels().inv16s(block, dct8x8::kInvFull, dst, kBlockBytes16);
  return ruxStatusOk;
}

// ---- decimating inverses -------------------------------------------------------------------

// 4-point weights 2^16 s c(u) cos(m pi / 8) by folded angle m (m = 0 stands for u = 0), for
// s = 1 and s = sqrt2 cos(pi/8).
constexpr std::int64_t kSet4[2][4] = {{32768, 42813, 32768, 17734}, {42813, 55938, 42813, 23170}};
constexpr std::int64_t kRounders4[4] = {131072, 2472, 0, -1024};

constexpr std::int64_t weight4(int r, int u, int j) {
  const std::int64_t* w = kSet4[r & 1];
  if (u == 0) return w[0];
  int m = ((2 * j + 1) * u) % 16;
  if (m > 8) m = 16 - m;
  return m < 4 ? w[m] : -w[8 - m];
}

constexpr std::int64_t mulHigh16(std::int64_t v, std::int64_t c) { return (v * c) >> 16; }

RuxResult to4x4(const Rux16s* src, Rux16s* dst) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  std::int64_t q[4][4];  // [row r][column j]
  for (int r = 0; r < 4; ++r)
    for (int j = 0; j < 4; ++j) {
      std::int64_t acc = kRounders4[r];
      for (int u = 0; u < 4; ++u) acc += weight4(r, u, j) * loadAt(src + 8 * r + u);
      q[r][j] = acc >> 12;
    }
  Rux16s out[16];
  for (int j = 0; j < 4; ++j) {
    const std::int64_t a = q[0][j] + q[2][j], b = q[0][j] - q[2][j];
    const std::int64_t c = q[1][j] + mulHigh16(q[3][j], 27146), d = mulHigh16(q[1][j], 27146) - q[3][j];
    out[0 * 4 + j] = saturate<Rux16s>((a + c) >> 6);
    out[1 * 4 + j] = saturate<Rux16s>((b + d) >> 6);
    out[2 * 4 + j] = saturate<Rux16s>((b - d) >> 6);
    out[3 * 4 + j] = saturate<Rux16s>((a - c) >> 6);
  }
  std::memcpy(dst, out, sizeof(out));
  return ruxStatusOk;
}

RuxResult to2x2(const Rux16s* src, Rux16s* dst) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  const std::int64_t f00 = loadAt(src), f01 = loadAt(src + 1), f10 = loadAt(src + 8), f11 = loadAt(src + 9);
  // Row pass: 2^16 (F(r,0) +- F(r,1)) >> 12, row 0 carrying the rounder of the final shift.
  const std::int64_t q0[2] = {(65536 * (f00 + f01) + 262144) >> 12, (65536 * (f00 - f01) + 262144) >> 12};
  const std::int64_t q1[2] = {(65536 * (f10 + f11)) >> 12, (65536 * (f10 - f11)) >> 12};
  Rux16s out[4];
  for (int j = 0; j < 2; ++j) {
    out[j] = saturate<Rux16s>((q0[j] + q1[j]) >> 7);
    out[2 + j] = saturate<Rux16s>((q0[j] - q1[j]) >> 7);
  }
  std::memcpy(dst, out, sizeof(out));
  return ruxStatusOk;
}

RuxResult zigzag(const Rux16s* src, Rux16s* dst, bool forward) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  Rux16s out[64];
  for (int k = 0; k < 64; ++k) {
    if (forward) {
      out[k] = loadAt(src + kZigzag[k]);
    } else {
      out[kZigzag[k]] = loadAt(src + k);
    }
  }
  std::memcpy(dst, out, sizeof(out));
  return ruxStatusOk;
}

int clip8(int v) { return std::clamp(v, 0, 255); }

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiDCT8x8Fwd_32f_C1(const Rux32f* pSrc, Rux32f* pDst) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  kernels().fwd32f(pSrc, kBlockBytes32, pDst, kBlockBytes32);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Fwd_32f_C1I(Rux32f* pSrcDst) { return ruxiDCT8x8Fwd_32f_C1(pSrcDst, pSrcDst); }
RUXAPI RuxResult ruxiDCT8x8Inv_32f_C1(const Rux32f* pSrc, Rux32f* pDst) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  kernels().inv32f(pSrc, kBlockBytes32, pDst, kBlockBytes32);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Inv_32f_C1I(Rux32f* pSrcDst) { return ruxiDCT8x8Inv_32f_C1(pSrcDst, pSrcDst); }

RUXAPI RuxResult ruxiDCT8x8Fwd_16s_C1(const Rux16s* pSrc, Rux16s* pDst) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  kernels().fwd16s(pSrc, kBlockBytes16, pDst);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Fwd_16s_C1I(Rux16s* pSrcDst) { return ruxiDCT8x8Fwd_16s_C1(pSrcDst, pSrcDst); }
RUXAPI RuxResult ruxiDCT8x8Inv_16s_C1(const Rux16s* pSrc, Rux16s* pDst) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  kernels().inv16s(pSrc, dct8x8::kInvFull, pDst, kBlockBytes16);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Inv_16s_C1I(Rux16s* pSrcDst) { return ruxiDCT8x8Inv_16s_C1(pSrcDst, pSrcDst); }

RUXAPI RuxResult ruxiDCT8x8Fwd_16s_C1R(const Rux16s* pSrc, int srcStep, Rux16s* pDst) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  if (srcStep < 1) return ruxStatusBadStep;
  kernels().fwd16s(pSrc, srcStep, pDst);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Inv_16s_C1R(const Rux16s* pSrc, Rux16s* pDst, int dstStep) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  if (dstStep < 1) return ruxStatusBadStep;
  kernels().inv16s(pSrc, dct8x8::kInvFull, pDst, dstStep);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Fwd_8u16s_C1R(const Rux8u* pSrc, int srcStep, Rux16s* pDst) {
  return ruxiDCT8x8FwdLS_8u16s_C1R(pSrc, srcStep, pDst, 0);
}
RUXAPI RuxResult ruxiDCT8x8FwdLS_8u16s_C1R(const Rux8u* pSrc, int srcStep, Rux16s* pDst, Rux16s addVal) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  if (srcStep < 1) return ruxStatusBadStep;
  kernels().fwd8u(pSrc, srcStep, addVal, pDst);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Inv_16s8u_C1R(const Rux16s* pSrc, Rux8u* pDst, int dstStep) {
  return ruxiDCT8x8InvLSClip_16s8u_C1R(pSrc, pDst, dstStep, 0, 0, 255);
}
RUXAPI RuxResult ruxiDCT8x8InvLSClip_16s8u_C1R(const Rux16s* pSrc, Rux8u* pDst, int dstStep, Rux16s addVal,
                                               int clipDown, int clipUp) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  if (dstStep < 1) return ruxStatusBadStep;
  kernels().inv8u(pSrc, pDst, dstStep, addVal, clip8(clipDown), clip8(clipUp));
  return ruxStatusOk;
}

RUXAPI RuxResult ruxiDCT8x8Inv_4x4_16s_C1(const Rux16s* pSrc, Rux16s* pDst) { return cornerInverse(pSrc, pDst, 4); }
RUXAPI RuxResult ruxiDCT8x8Inv_4x4_16s_C1I(Rux16s* pSrcDst) { return cornerInverse(pSrcDst, pSrcDst, 4); }
RUXAPI RuxResult ruxiDCT8x8Inv_2x2_16s_C1(const Rux16s* pSrc, Rux16s* pDst) { return cornerInverse(pSrc, pDst, 2); }
RUXAPI RuxResult ruxiDCT8x8Inv_2x2_16s_C1I(Rux16s* pSrcDst) { return cornerInverse(pSrcDst, pSrcDst, 2); }
RUXAPI RuxResult ruxiDCT8x8Inv_A10_16s_C1(const Rux16s* pSrc, Rux16s* pDst) {
  if (anyNull(pSrc, pDst)) return ruxStatusNullPointer;
  kernels().inv16s(pSrc, dct8x8::kInvA10, pDst, kBlockBytes16);
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiDCT8x8Inv_A10_16s_C1I(Rux16s* pSrcDst) { return ruxiDCT8x8Inv_A10_16s_C1(pSrcDst, pSrcDst); }
RUXAPI RuxResult ruxiDCT8x8To4x4Inv_16s_C1(const Rux16s* pSrc, Rux16s* pDst) { return to4x4(pSrc, pDst); }
RUXAPI RuxResult ruxiDCT8x8To4x4Inv_16s_C1I(Rux16s* pSrcDst) { return to4x4(pSrcDst, pSrcDst); }
RUXAPI RuxResult ruxiDCT8x8To2x2Inv_16s_C1(const Rux16s* pSrc, Rux16s* pDst) { return to2x2(pSrc, pDst); }
RUXAPI RuxResult ruxiDCT8x8To2x2Inv_16s_C1I(Rux16s* pSrcDst) { return to2x2(pSrcDst, pSrcDst); }

RUXAPI RuxResult ruxiZigzagFwd8x8_16s_C1(const Rux16s* pSrc, Rux16s* pDst) { return zigzag(pSrc, pDst, true); }
RUXAPI RuxResult ruxiZigzagInv8x8_16s_C1(const Rux16s* pSrc, Rux16s* pDst) { return zigzag(pSrc, pDst, false); }
