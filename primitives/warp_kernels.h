// Row kernels of the warps: linear samples of a run of destination pixels from their source
// points, and the source points of a perspective row, compiled once per SIMD target. Every lane
// computes the plain expression of the warp's scalar sampler (double coordinates, single
// precision weights and sums), so results do not depend on the target or on which code wrote
// a pixel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux::warp {

// Points past n that the perspective kernel may write.
constexpr std::size_t kPad = 16;

// The source as the kernels see it: the top-left pixel of the clipped source region, its step
// and size. Byte offsets (H - 1) * step + (W + 1) * pixel bytes must fit 31 bits, step > 0 and
// W >= 5 (the caller checks all three).
struct LinearJob {
  const std::uint8_t* src;
  int step;
  int W, H;
  const std::int16_t* cubicQ14 = nullptr;  // the 8u cubic weight pairs (1537 x 2), for cubic8u
};

// Writes dst[0 .. n) (packed pixels) from the points (u[i], v[i]), every one inside
// [-0.49, W - 0.51] x [-0.49, H - 0.51].
template <class T>
using LinearFn = void (*)(const LinearJob& job, const double* u, const double* v, T* dst, std::size_t n);

// [0] C1, [1] C3, [2] C4, [3] AC4 (channel 3 kept). Null where a target has no vector kernel.
struct Kernels {
  LinearFn<std::uint8_t> linear8u[4];
  LinearFn<float> linear32f[4];
  // u[i], v[i] of the pixels (x0 + i, y), i < n: the ratios of the linear forms of c; may
  // write up to kPad points past n.
  void (*perspective)(const double c[3][3], int y, int x0, std::size_t n, double* u, double* v);
  // The 8u four-point cubic in Q14 (W, H >= 4; [0] C1, [1] C3, [2] C4, [3] AC4): window origin
  // max(0, min(trunc(c), size - 3) - 1), weights from entry round-even((c - origin) 512) of the
  // pair table, rows (sum w p) >> 8, then (sum w row + 2^19) >> 20 clamped.
  LinearFn<std::uint8_t> cubic8u[4];
  // The 32f cubic of one channel: the same origin, Lagrange weights in double (the cubic kernel
  // on the centred window) rounded to float, single-precision sums row by row.
  LinearFn<float> cubic32f[4];
};

// Kernels of the best target this processor runs. Call once per API call.
const Kernels& kernels();

}  // namespace rux::warp
