// Row kernels of the linear neighbourhood filters: weighted sums of shifted rows ("taps") and
// the rounding conversion of float sums to integer samples.
//
// A tap t reads the row that starts at base + offset[t] bytes; the kernel forms
// out[i] = sum over t of w[t] * row_t[i] for i < n, the samples converted to the accumulator
// type, and adds the products in tap order (each product and sum rounded for float
// accumulators, so every target gives the bits of the plain loop). Integer accumulators wrap in
// their width: the caller picks one in which the exact sum cannot overflow.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux::conv {

enum Sample { k8u, k8s, k16u, k16s, k32s, k32f, k64f, kSamples };
// Accumulators: int16, int32, float, double, int64 (the last as plain loops).
enum Acc { kI16, kI32, kF32, kF64, kI64, kAccs };

using TapsFn = void (*)(const unsigned char* base, const std::ptrdiff_t* offsets, const void* weights,
                        int taps, std::size_t n, void* out);
// out[i] = saturate(round(s[i] * scale)) by mode (0 toward zero, 1 nearest even, 2 half away).
using RoundFn = void (*)(const float* s, float scale, void* out, std::size_t n, int mode);

// out[i] = saturate(s[i] / 2^k rounded to nearest, ties to even); k = 0 only saturates.
// int16 sums take k <= 14, int32 sums k <= 30.
using ShiftFn = void (*)(const void* s, void* out, std::size_t n, int k);

// Bilateral row: out[i] = (sum W_t(|s_t - c|) s_t + sum W / 2) / sum W over the taps, with
// c = centre[i], s_t the sample at centre + offsets[t] + i and W_t the tap's table of 256
// integer weights (sum of W x 255 below 2^31).
using BilateralFn = void (*)(const std::uint8_t* centre, const std::ptrdiff_t* offsets, const std::int32_t* tables,
                             int taps, std::size_t n, std::uint8_t* out);

// Bilateral pair weights: out[i] = table[|row[i + off] - row[i]|] for i < n (weights below 2^16).
// A weight of the pixel pair (p, p + o) serves both p (tap o) and p + o (tap -o) when the two
// taps share their table.
using BilateralWeightsFn = void (*)(const std::uint8_t* row, std::ptrdiff_t off, const std::int32_t* table,
                                    std::size_t n, std::uint16_t* out);
// Two pair weights per look-up: with a = min(|row[i + offA] - row[i]|, zA) and b likewise,
// t = table[a (zB + 1) + b] holds outA[i] in its low and outB[i] in its high 16 bits.
using BilateralWeights2Fn = void (*)(const std::uint8_t* row, std::ptrdiff_t offA, std::ptrdiff_t offB,
                                     const std::int32_t* table, int zA, int zB, std::size_t n, std::uint16_t* outA,
                                     std::uint16_t* outB);
// Pair weights from byte planes: out[i] = lo[a] | hi[a] << 8 with a = min(|row[i + off] - row[i]|, z)
// for z < 128; lo and hi hold z / 16 + 1 blocks of 16 entries, 16-byte aligned.
using BilateralWeightsBytesFn = void (*)(const std::uint8_t* row, std::ptrdiff_t off, const std::uint8_t* lo,
                                         const std::uint8_t* hi, int z, std::size_t n, std::uint16_t* out);
// Bilateral row from pair weights: out[i] = (num + den / 2) / den with num = wc c + sum over
// k < 2 pairs of w[k][i] s_k, den = wc + sum of w[k][i], c = centre[i], s_k = centre[off[k] + i]
// (sum of weights x 255 below 2^31).
using BilateralPairsFn = void (*)(const std::uint8_t* centre, const std::ptrdiff_t* off, const std::uint16_t* const* w,
                                  int pairs, std::int32_t wc, std::size_t n, std::uint8_t* out);

struct ConvKernels {
  TapsFn taps[kSamples][kAccs];  // null for pairs no filter uses
  RoundFn round[kSamples];       // 8u, 8s, 16u, 16s destinations
  ShiftFn shift[2][kSamples];    // [int16, int32 sums][8u, 16u, 16s destination]
  BilateralFn bilateral;
  BilateralWeightsFn bilateralWeights;
  BilateralWeights2Fn bilateralWeights2;
  BilateralWeightsBytesFn bilateralWeightsBytes;
  BilateralPairsFn bilateralPairs;
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const ConvKernels& convKernels();

}  // namespace rux::conv
