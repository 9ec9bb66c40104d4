// Row kernels of pointwise arithmetic between two operands, shared by every family that adds,
// subtracts, multiplies or divides samples. A kernel handles n contiguous samples; channels do
// not matter (C3/C4 rows are longer rows, constants are passed as a row of repeated values).
//
// Operand order: dst[i] = b[i] op a[i], i.e. b is the left-hand operand (minuend, dividend)
// and a the right-hand one. dst may equal a or b (each sample is read before it is written).
//
// Integer results are exact up to one final rounding: r = b op a is computed in a wide enough
// integer, delivered as saturate(round(r * 2^-s)) with ties to even for s > 0 and a saturating
// left shift for s < 0. Every kernel gives the same bits on every SIMD target and in its scalar
// tail. Float kernels compute plainly in single precision (no fused multiply-add).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ruxtypes.h"

namespace rux {

enum ArithOp { kArithAdd = 0, kArithSub = 1, kArithMul = 2 };
// Integer sample types of the scaled kernels.
enum ArithType { kArith8u = 0, kArith16u = 1, kArith16s = 2 };

template <class T> constexpr ArithType arithType();
template <> constexpr ArithType arithType<Rux8u>() { return kArith8u; }
template <> constexpr ArithType arithType<Rux16u>() { return kArith16u; }
template <> constexpr ArithType arithType<Rux16s>() { return kArith16s; }

// dst = saturate(round((b op a) * 2^-s)); any s is accepted (see arithScaleMode).
using ScaledRowFn = void (*)(const void* a, const void* b, void* dst, std::size_t n, int s);
// Division with a single-precision quotient q = b / (a * 2^s) (s >= 0) or (b * 2^-s) / a
// (s < 0), rounded by mode (0 toward zero, 1 nearest even, 2 nearest away from zero) and
// saturated. A zero divisor gives 0 for a zero dividend, else the type's maximum (16s: the
// saturated sign of the dividend). Returns 1 when some a[i] was zero, else 0.
using DivRowFn = int (*)(const void* a, const void* b, void* dst, std::size_t n, int s);
// Exact division by non-zero divisors: dst = saturate(round_even(b / (a * 2^s))).
using ExactDivRowFn = void (*)(const void* a, const void* b, void* dst, std::size_t n, int s);
using FloatRowFn = void (*)(const Rux32f* a, const Rux32f* b, Rux32f* dst, std::size_t n);
// 32f division b / a; a zero divisor (of either sign) gives +inf for b > 0, -inf for b < 0
// and the quiet NaN 0x7FC00000 for b = 0 or NaN. Returns 1 when some a[i] was zero.
using FloatDivRowFn = int (*)(const Rux32f* a, const Rux32f* b, Rux32f* dst, std::size_t n);

// Scale-factor modes of the scaled kernels, picked once per call by arithScaleMode.
enum ArithScaleMode { kScaleRound = 0, kScalePlain = 1, kScaleShift = 2 };
constexpr int arithScaleMode(int s) { return s > 0 ? kScaleRound : (s == 0 ? kScalePlain : kScaleShift); }

struct ArithKernels {
  ScaledRowFn saturating[3][2];  // [type][Add, Sub] at s = 0 on native saturating lanes
  ScaledRowFn scaled[3][3][3];   // [type][op][ArithScaleMode]
  DivRowFn div[3][3];            // [type][rounding mode]
  FloatRowFn f32[3];             // [op]
  FloatDivRowFn f32Div;
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const ArithKernels& arithKernels();

// Scalar kernels (no vector form: the complex products and the exact divisions).
ExactDivRowFn exactDivRow(ArithType type);
void scaled32scRow(ArithOp op, const Rux32sc* a, const Rux32sc* b, Rux32sc* dst, std::size_t n,
                   int s);
void mul16scRow(const Rux16sc* a, const Rux16sc* b, Rux16sc* dst, std::size_t n, int s);
void mul32fcRow(const Rux32fc* a, const Rux32fc* b, Rux32fc* dst, std::size_t n);
// Complex quotient b / a = ((c*x + d*y) + (c*y - d*x) i) / (c^2 + d^2) for a = c + d i,
// b = x + y i. Integer forms round the exact quotient once (a zero divisor gives 0); return 1
// when some divisor was zero.
int div16scRow(const Rux16sc* a, const Rux16sc* b, Rux16sc* dst, std::size_t n, int s);
int div32scRow(const Rux32sc* a, const Rux32sc* b, Rux32sc* dst, std::size_t n, int s);
int div32fcRow(const Rux32fc* a, const Rux32fc* b, Rux32fc* dst, std::size_t n);

}  // namespace rux
