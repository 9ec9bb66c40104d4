// Row kernels of the separable resampling engine: the vertical combination of a ring of
// horizontally resampled rows into a destination row, with the destination's rounding, compiled
// once per SIMD target. Every lane computes the scalar expression in tap order (one product per
// tap, one rounding per operation, no contraction), so vector bodies, tails and targets give the
// same bits as the plain code of the engine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux::resample {

// How a float sum becomes an integer sample: to nearest with ties to even, or by adding
// 0.5000001 and truncating (the half-up rule of some paths); both saturate to the type's range.
enum Rounding { kNearestEven = 0, kHalfUp = 1 };

// sum = w[0] * rows[0][i] + w[1] * rows[1][i] + ... (taps terms, left to right), stored to out[i]
// for i < n (n samples). kAlpha variants leave every fourth sample (channel 3 of four-channel
// pixels, out[4m + 3]) as it is.
template <class Out, class Acc>
using VerticalFn = void (*)(const Acc* const* rows, const Acc* w, int taps, Out* out, std::size_t n);

template <class Out, class Acc>
using LerpFn = void (*)(const Acc* r0, const Acc* r1, Acc fy, Out* out, std::size_t n);

template <class Out>
struct VerticalSet {
  VerticalFn<Out, float> round[2][2];  // [rounding][alpha]
};

// Horizontal linear pass of one row into float work rows, for 1, 3 and 4 channels (index 0, 1, 2).
template <class T>
struct LinearSet {
  void (*row[3])(const T* row, const std::int32_t* first, const float* frac, float* out, std::size_t n);
};

// Horizontal pass of 8u rows over a four- or six-tap table (index 0, 1) for 1 to 4 channels
// (index C - 1): out[i C + k] = w[i T] s[f C + k] + w[i T + 1] s[(f + 1) C + k] + ... (T = taps,
// f = first[i], terms left to right, the engine's plain order) over n columns whose taps lie
// inside the row; reads exactly the taps. Null on the one-lane target. (Float rows gain nothing
// over the plain loop.)
struct TapsSet {
  void (*row[2][4])(const std::uint8_t* row, const std::int32_t* first, const float* w, float* out, std::size_t n);
};

// A block of 16 destination bytes of a nearest-neighbour row: byte j is source byte base + lo[j]
// when lo[j] < 16, else base + 16 + hi[j] (the other index of each pair has its top bit set).
struct ByteBlock {
  std::int32_t base;
  std::uint8_t lo[16], hi[16];
};

struct RowKernels {
  VerticalSet<std::uint8_t> to8u;
  VerticalSet<std::uint16_t> to16u;
  VerticalSet<std::int16_t> to16s;
  VerticalFn<float, float> to32f[2];     // [alpha]
  VerticalFn<double, double> to64f[2];   // [alpha]
  // 8u linear in Q14: out[i] = (r0[i] * (16384 - wy) + r1[i] * wy + 0x80000) >> 20, the rows
  // holding horizontally resampled samples with 6 fraction bits (0 .. 16320).
  void (*q14[2])(const std::int16_t* r0, const std::int16_t* r1, int wy, std::uint8_t* out, std::size_t n);
  // Linear blend of two rows: out[i] = r0[i] + (r1[i] - r0[i]) * fy in the row type, stored to
  // nearest with ties to even and saturated (floats pass through). No alpha variants.
  struct {
    LerpFn<std::uint8_t, float> to8u;
    LerpFn<std::uint16_t, float> to16u;
    LerpFn<std::int16_t, float> to16s;
    LerpFn<float, float> to32f;
    LerpFn<double, double> to64f;
  } lerp;
  // Horizontal linear passes over n destination columns whose gathered words stay inside the
  // row: 8u in Q14 (out = ((16384 - w) p0 + w p1 + 128) >> 8), and in single precision
  // (out = (1 - t) p0 + t p1) for 8u, 16u, 16s and 32f; [0] one channel, [1] three, [2] four.
  void (*q14Row[3])(const std::uint8_t* row, const std::int32_t* first, const std::int16_t* frac, std::int16_t* out,
                    std::size_t n);
  LinearSet<std::uint8_t> linear8u;
  LinearSet<std::uint16_t> linear16u;
  LinearSet<std::int16_t> linear16s;
  LinearSet<float> linear32f;
  TapsSet taps8u;
  // 8u halving of n pixels of C channels: out[iC + k] = (a[2iC + k] + a[(2i + 1)C + k] + b[2iC + k]
  // + b[(2i + 1)C + k] + 2) >> 2; [0] one channel, [1] three, [2] four.
  void (*halve8u[3])(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n);
  // Horizontal pass of a one-channel axis that steps two samples per column with the same
  // weights: out[i] = w[0] * row[2i] + w[1] * row[2i + 1] + ... (taps terms, left to right) for
  // i < n; reads row[0 .. 2n + taps - 1] (one sample past the last tap). [0] 8u, [1] 16u, [2] 16s,
  // [3] 32f; null on targets without interleaved loads.
  struct {
    void (*to8u)(const std::uint8_t* row, const float* w, int taps, float* out, std::size_t n);
    void (*to16u)(const std::uint16_t* row, const float* w, int taps, float* out, std::size_t n);
    void (*to16s)(const std::int16_t* row, const float* w, int taps, float* out, std::size_t n);
    void (*to32f)(const float* row, const float* w, int taps, float* out, std::size_t n);
  } stride2;
  // Nearest-neighbour bytes: 16 destination bytes per block from two 16-byte loads at its base.
  // Null on targets without byte shuffles.
  void (*gatherBytes)(const std::uint8_t* src, const ByteBlock* blocks, std::size_t count, std::uint8_t* dst);
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const RowKernels& rowKernels();

}  // namespace rux::resample
