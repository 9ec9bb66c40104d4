// Row kernels of Remap: one destination row of packed pixels from its two map rows, compiled once
// per SIMD target. A kernel works through whole vectors of pixels and returns the number of pixels
// it wrote before the first vector it leaves to the caller's plain code (a vector whose taps would
// leave the words a gather may read, or, with the smooth edge, one that holds a point within one
// pixel outside the box). Every lane computes the plain expression of the scalar samplers, so
// results do not depend on the target or on which code wrote a pixel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux::remap {

// The source as the kernels see it: image origin, step, size and the clip box (inclusive, exact
// in single precision). Byte offsets y * step + x * pixel bytes of the image must fit 31 bits and
// the sizes must be below 2^23 (the caller checks both).
struct RowJob {
  const std::uint8_t* src;
  int step;
  int W, H;
  float x0, y0, x1, y1;
  bool smooth;
  bool catmullRom;  // the wide kernels: Catmull-Rom, otherwise the four-point cubic
};

template <class T>
using RowFn = std::size_t (*)(const RowJob& job, const float* mx, const float* my, T* dst, std::size_t n);

// [0] C1, [1] C3, [2] C4, [3] AC4 (channel 3 kept). Null where a target has no vector kernel.
struct Kernels {
  RowFn<std::uint8_t> nearest8u[4];
  RowFn<std::uint8_t> linear8u[4];
  RowFn<float> nearest32f[4];
  RowFn<float> linear32f[4];
  RowFn<std::uint8_t> cubic8u[4];  // C3 null: its words would reach past the image
  RowFn<float> cubic32f[4];
};

// Kernels of the best target this processor runs. Call once per API call.
const Kernels& kernels();

}  // namespace rux::remap
