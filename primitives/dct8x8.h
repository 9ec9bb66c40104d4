// 8x8 block DCT kernels: the orthonormal DCT-II of 8x8 blocks and its inverse in single
// precision, and the fixed-point 16-bit forms (primitives/dct8x8_kernels.cpp).
//
// 32f: the separable tangent-form fast transform (constants tan(pi/16), tan(pi/8), tan(3pi/16),
// cos(pi/4)) on unnormalised rows, and one 8x8 table of the output factors f(v) f(u); rows are
// vectors of 8 lanes (two halves of 4 on SSE4), the second pass runs after a transpose.
//
// 16s forward: column pass on samples scaled by 8 with the Q16 tangents 13036, 27146, -21746
// (tan(3pi/16) - 1) and the Q15 23170 (cos(pi/4)), the cos(pi/4) products forced odd; row pass
// with the coefficient sets T04, T17, T26, T35 (round(2^14 s_r w_k)); each output is
// (acc + 2^19) >> 20, saturated. 16s inverse: row pass with the same sets, per-row rounders,
// >> 11 (A10: doubled rounders of rows 1-7, >> 12), then the transposed butterfly with the same
// tangents and cos(pi/4) - 1 = -19195, >> 6 (A10: >> 5), saturated.
// Every step is exact integer arithmetic in 32-bit lanes (no 16-bit saturation or wrap inside),
// so all targets give the same bits. The 14-bit coefficient sets keep the result within 1 of
// the rounded orthonormal transform only while the block's largest magnitude is at most 2048
// (forward) or 4096 (inverse); blocks beyond are computed by the single-precision transform and
// rounded to nearest even, which is well inside that bound for every 16-bit input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ruxtypes.h"

namespace rux::dct8x8 {

// Orthonormal 8x8 DCT-II and its inverse (the transpose), rows at byte steps; dst may equal src.
void forward32f(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep);
void inverse32f(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep);

// Rounder sets of the 16-bit inverse.
enum InvVariant { kInvFull = 0, kInvA10 = 1 };

struct Kernels {
  void (*fwd32f)(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep);
  void (*inv32f)(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep);
  // 16-bit forward of a block of 16s rows; dst is 64 contiguous coefficients.
  void (*fwd16s)(const Rux16s* src, std::ptrdiff_t srcStep, Rux16s* dst);
  // The same from 8u rows, each sample plus addVal wrapped to 16 bits first.
  void (*fwd8u)(const Rux8u* src, std::ptrdiff_t srcStep, int addVal, Rux16s* dst);
  // 16-bit inverse of 64 contiguous coefficients into 16s rows (saturated).
  void (*inv16s)(const Rux16s* src, int variant, Rux16s* dst, std::ptrdiff_t dstStep);
  // The same into 8u rows: min(max(result + addVal, lo), hi) with 0 <= lo, hi <= 255.
  void (*inv8u)(const Rux16s* src, Rux8u* dst, std::ptrdiff_t dstStep, int addVal, int lo, int hi);
};

// Kernels of the best target this processor runs. Call once per API call.
const Kernels& kernels();

}  // namespace rux::dct8x8
