// Row kernels of the image moments. They work on columns of samples (an interleaved row is just
// a longer row), so one kernel serves every channel layout; the moment family turns the column
// sums into per-channel moments.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux {

// Cascaded column sums over a block of rows, exact in 32-bit lanes. For each of the n sample
// columns and rows r = 0 .. rows-1 the kernel runs s1 += I(r); s2 += s1; s3 += s2; s4 += s3,
// then `steps - rows` more steps without input (rows >= steps: no padding), and stores
// s1..s4 into t[0..3][column]. With a = steps - r this gives sum C(a + k - 2, k - 1) * I(r) in
// t[k-1]. The caller picks `steps` so that no sum can exceed 32 bits.
using CascadeBlockFn = void (*)(const void* src, std::ptrdiff_t step, int rows, int steps,
                                std::size_t n, std::uint32_t* const* t);

// Second level over blocks: the four block sums t[k] (from CascadeBlockFn) run through cascades
// of depth 4 - k in 64-bit columns: q[0..3] over t[0], q[4..6] over t[1], q[7..8] over t[2],
// q[9] over t[3] (each level adds the one before it). Sums wrap modulo 2^64.
using FoldBlockFn = void (*)(const std::uint32_t* const* t, std::uint64_t* const* q,
                             std::size_t n);

// c[k][i] += y^k * I(i) for k = 0..3 over the n samples of one float row, in double precision;
// yPow holds 1, y, y^2, y^3.
using AccumulateRowFn = void (*)(const float* row, std::size_t n, const double* yPow,
                                 double* const* c);

struct MomentKernels {
  CascadeBlockFn cascade8u;
  CascadeBlockFn cascade16u;
  FoldBlockFn fold;
  AccumulateRowFn accumulate32f;
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const MomentKernels& momentKernels();

}  // namespace rux
