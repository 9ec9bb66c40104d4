// Row kernels of the norms, the exact integer dot products, and the single-precision row sums
// and centred sums of the quality index. A kernel reduces one row of n pixels of C
// interleaved channels (C = 1, 3 or 4; four-channel rows with a kept alpha run as C = 4 and the
// caller drops channel 3) and writes one value per channel for that row; the image drivers
// combine the rows. Integer kernels are exact, so every target gives the same bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux {

enum NormKind { kNormInf = 0, kNormL1 = 1, kNormL2 = 2 };
enum NormIntType { kNorm8u = 0, kNorm16u = 1, kNorm16s = 2, kNorm32s = 3 };
enum DotIntType { kDot8u = 0, kDot8s = 1, kDot16u = 2, kDot16s = 3 };

// Layout index of the tables: 0 for C1, 1 for C3, 2 for C4 (and AC4).
constexpr int layoutIndex(int channels) { return channels == 1 ? 0 : (channels == 3 ? 1 : 2); }

// Samples are a (b null) or a - b formed exactly. out[c] for the row: Inf max |s|, L1 sum |s|,
// L2 sum s^2, all exact (a row of a 2^31-pixel channel still fits 64 bits).
using IntNormRowFn = void (*)(const void* a, const void* b, std::size_t n, std::uint64_t* out);
// 32f: Inf max |s|; L1/L2 with the row summed in single precision (fast) or every term in
// double (accurate); Sum is the plain single-precision row sum. The difference a - b is formed
// in the accumulation precision.
using FloatNormRowFn = void (*)(const float* a, const float* b, std::size_t n, double* out);
// out[c] = sum of a * b over the row, exact.
using IntDotRowFn = void (*)(const void* a, const void* b, std::size_t n, std::int64_t* out);
// Centred sums of channel c of a row pair, in single precision: xs[i] = a_i - mx (the row of
// the first image converted to float, mean subtracted), then sums[0..2] += the row's
// sum xs^2, sum (b_i - my)^2, sum xs (b_i - my), each row folded in float before it is added.
using CentredRowFn = void (*)(const void* a, const void* b, std::size_t n, int c, float mx,
                              float my, float* xs, float* sums);
enum CentredType { kCentred8u = 0, kCentred16u = 1, kCentred32f = 2 };

struct NormKernels {
  IntNormRowFn intNorm[4][3][3][2];  // [NormIntType][NormKind][layout][diff]; 32s: Inf, C1 only
  FloatNormRowFn floatNorm[3][2][3][2];  // [NormKind][accurate][layout][diff]; Inf: fast only
  FloatNormRowFn floatSum[3];            // [layout], single precision per row
  IntDotRowFn intDot[4][3];              // [DotIntType][layout]
  CentredRowFn centred[3][3];            // [CentredType][layout]
};

// Integer rows as the kernels see them: the region's rows, or all of them as one row when both
// operands are contiguous and that row stays within the kernels' exact range (2^31 pixels).
struct RowRun {
  int rows;
  std::size_t pixels;
};
inline RowRun rowRun(int aStep, int bStep, int width, int height, std::size_t pixelBytes) {
  const long long rowBytes = static_cast<long long>(width) * static_cast<long long>(pixelBytes);
  const long long pixels = static_cast<long long>(width) * height;
  if (aStep == rowBytes && bStep == rowBytes && pixels <= (1LL << 31)) {
    return {1, static_cast<std::size_t>(pixels)};
  }
  return {height, static_cast<std::size_t>(width)};
}

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const NormKernels& normKernels();

}  // namespace rux
