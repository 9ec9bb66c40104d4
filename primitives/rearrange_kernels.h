// Kernels that rearrange whole pixels: reversing the pixel order of rows and transposing
// rectangles. They move bits, so they are instantiated per sample size and channel layout,
// never per sample type. No kernel touches memory outside the pixels it is given.
#pragma once

#include <cstddef>

#include "primitives/move_kernels.h"

namespace rux {

// dst pixel n-1-x receives src pixel x; src and dst must not overlap. AC4 keeps dst alpha.
using ReverseRowFn = void (*)(const void* src, void* dst, std::size_t n);
// Exchanges a[x] with b[n-1-x] for every x; a == b reverses one row in place. AC4 exchanges
// channels 0..2 only, so every pixel position keeps its alpha.
using SwapReverseRowFn = void (*)(void* a, void* b, std::size_t n);
// dst pixel (y, x) receives src pixel (x, y) for a w x h source; dst is h wide and w high.
using TransposeFn = void (*)(const void* src, std::ptrdiff_t srcStep, void* dst,
                             std::ptrdiff_t dstStep, std::size_t w, std::size_t h);
// Transposes an n x n region in place.
using TransposeSquareFn = void (*)(void* p, std::ptrdiff_t step, std::size_t n);

enum TransposeLayout { kTransposeC1 = 0, kTransposeC3 = 1, kTransposeC4 = 2 };

struct RearrangeKernels {
  ReverseRowFn reverse[3][4];                // [size class][MoveLayout]
  SwapReverseRowFn swapReverse[3][4];        // [size class][MoveLayout]
  TransposeFn transpose[3][3];               // [size class][TransposeLayout]
  TransposeSquareFn transposeInPlace[3][3];  // [size class][TransposeLayout]
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const RearrangeKernels& rearrangeKernels();

}  // namespace rux
