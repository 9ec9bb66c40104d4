// Reduction kernels of the statistics families: sums, minimum/maximum, per-row extremes with
// the search for their first position, and counts of samples inside a closed interval.
//
// Samples are interleaved over C = 1, 3 or 4 channels (AC4 runs as C4; the caller drops
// channel 3). The image kernels walk `height` rows `step` bytes apart and read exactly
// width x C samples per row. Vector accumulators keep one lane per sample position of a group
// of whole pixels, so lane i of a group belongs to channel i mod C; tails run one sample at a
// time in plain C++. Integer results are exact and identical on every target.
//
// Floats: sums keep 16 partial sums per channel, slot s receiving the samples whose index in
// the row is congruent to s modulo 16 x C, in row order; the slots are folded in a fixed tree.
// The sequence of additions is therefore the same for every vector width, and so is the
// result. Minimum and maximum skip NaN samples; a channel without any number keeps the start
// value (+inf for a minimum, -inf for a maximum), which the caller turns into NaN.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ruxtypes.h"

namespace rux {

// Sample type and layout indices of the kernel table.
enum ReduceType { kRed8u = 0, kRed16u = 1, kRed16s = 2, kRed32f = 3 };
enum ReduceLayout { kRedC1 = 0, kRedC3 = 1, kRedC4 = 2 };
// Which extremes an extrema kernel computes.
enum ExtremaKind { kExtMin = 0, kExtMax = 1, kExtMinMax = 2 };

// sums[c] = exact sum of channel c (8u, 16u, 16s).
using SumIntImageFn = void (*)(const void* base, int step, int width, int height,
                               std::int64_t* sums);
// sums[c] = sum of channel c of 32f samples: the fast form adds each row in single precision and
// the row values in double; the accurate form adds every sample in double.
using SumFloatImageFn = void (*)(const float* base, int step, int width, int height,
                                 double* sums);
// mn[c] / mx[c] (samples of the image's type) = minimum / maximum of channel c; the pointer of
// an extreme that the kind does not compute is not used.
using ExtremaImageFn = void (*)(const void* base, int step, int width, int height, void* mn,
                                void* mx);
// ext[c] = minimum or maximum of channel c over the n pixels of one row.
using RowExtremeFn = void (*)(const void* row, std::size_t n, void* ext);
// Index of the first of n pixels whose channel c equals *value; n when there is none.
using FindFirstFn = std::size_t (*)(const void* row, std::size_t n, int c, const void* value);
// counts[c] += number of samples of channel c with lo[c] <= x <= hi[c] (ordered comparison:
// NaN never counts). lo and hi hold C values of the image's type.
using CountImageFn = void (*)(const void* base, int step, int width, int height, const void* lo,
                              const void* hi, std::int64_t* counts);

struct ReduceKernels {
  SumIntImageFn sumInt[3][3];        // [8u, 16u, 16s][layout]
  SumFloatImageFn sumFloat[2][3];    // [fast, accurate][layout]
  ExtremaImageFn extrema[4][3][3];   // [type][layout][ExtremaKind]
  RowExtremeFn rowExtreme[4][3][2];  // [type][layout][0 min, 1 max]
  FindFirstFn findFirst[4][3];       // [type][layout]
  CountImageFn count[2][3];          // [8u, 32f][layout]
};

template <class T>
constexpr ReduceType reduceType();
template <> constexpr ReduceType reduceType<Rux8u>() { return kRed8u; }
template <> constexpr ReduceType reduceType<Rux16u>() { return kRed16u; }
template <> constexpr ReduceType reduceType<Rux16s>() { return kRed16s; }
template <> constexpr ReduceType reduceType<Rux32f>() { return kRed32f; }

// Layout index of a pixel of C channels (AC4 passes 4).
constexpr ReduceLayout reduceLayout(int channels) {
  return channels == 1 ? kRedC1 : (channels == 3 ? kRedC3 : kRedC4);
}

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const ReduceKernels& reduceKernels();

}  // namespace rux
