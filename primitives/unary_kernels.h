// Row kernels of the unary mathematics: absolute value, square and square root (with scale
// factor for integers), the two's-complement to sign-and-magnitude conversion, the normalised
// products a*b/255 and a*b/65535, and the per-sample maximum and minimum of two rows.
// Every kernel handles one row; the AC4 forms run over n four-channel pixels and keep the
// destination's channel 3, the others over n samples (C3 and C4 rows are n = width x channels).
// src == dst (in place) is allowed. Integer results are exact, identical on every target.
#pragma once

#include <cstddef>

#include "primitives/move_kernels.h"  // MoveLayout

namespace rux {

enum UnaryType { kUnary8u = 0, kUnary16u = 1, kUnary16s = 2, kUnary32f = 3, kUnaryTypes };

// dst = f(src) scaled by 2^-scale (integers: rounded to nearest even, saturated). Returns 0, or
// ruxStatusRootOfNegative (3) when a square-root argument of the row was negative (that result
// is 0 for 16s, NaN for 32f).
using UnaryRowFn = int (*)(const void* src, void* dst, std::size_t n, int scale);
// dst = a op b (for MaxEvery/MinEvery b is the destination itself).
using PairRowFn = void (*)(const void* a, const void* b, void* dst, std::size_t n);
// dst = src op value[c] for channel c, over n pixels of the layout.
using PairConstRowFn = void (*)(const void* src, const void* value, void* dst, std::size_t n);

struct UnaryKernels {
  UnaryRowFn abs[kUnaryTypes][2];        // [type][AC4], 16s and 32f only
  UnaryRowFn sqr[kUnaryTypes][2];        // [type][AC4]
  UnaryRowFn sqrt[kUnaryTypes][2];       // [type][AC4]
  UnaryRowFn complement32s;              // scale ignored
  PairRowFn mulScale[2][2];              // [8u, 16u][AC4]: floor(a * b / max)
  PairConstRowFn mulCScale[2][4];        // [8u, 16u][MoveLayout]
  PairRowFn maxEvery[kUnaryTypes][2];    // [type][AC4]
  PairRowFn minEvery[kUnaryTypes][2];    // [type][AC4]
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const UnaryKernels& unaryKernels();

}  // namespace rux
