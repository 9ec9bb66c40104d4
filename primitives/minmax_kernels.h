// Row kernels of the rank and morphology filters: the sample-wise minimum or maximum of several
// rows, and one level of running extrema (out[i] = op(in[i], in[i + shift])). Float rows use
// the comparison of the vector instructions, op(a, b) = a > b ? a : b (maximum) and
// a < b ? a : b (minimum), on every target and in the scalar tail alike.
#pragma once

#include <cstddef>

namespace rux::rank {

enum Type { k8u, k16u, k16s, k32f, k64f, kTypes };
enum Op { kMin, kMax };

// out[i] = op over t < count of row_t[i], row_t starting at base + offsets[t] bytes; count >= 1.
using CombineFn = void (*)(const unsigned char* base, const std::ptrdiff_t* offsets, int count, std::size_t n,
                           void* out);
// The same over `taps` consecutive samples of one-channel rows (row_t = row + t samples), reading
// at most `avail` bytes from `row`: each vector from two or three loads shifted in registers, for
// taps whose span fits in 32 bytes. Does the vector part only and returns the samples written
// (a multiple of the vector length, 0 where the span does not fit).
using CombineNearFn = std::size_t (*)(const unsigned char* row, int taps, std::size_t n, std::size_t avail,
                                      void* out);
// out[i] = op(in[i], in[i + shift]) for i < n (in and out distinct).
using LevelFn = void (*)(const void* in, void* out, std::size_t n, std::size_t shift);

// Two rows that share `count` rows: s = op over t < count of row_t, outA[i] = op(s[i], rowA[i]),
// outB[i] = op(s[i], rowB[i]) (rowA, rowB at base + offA, base + offB; count >= 1).
using CombinePairFn = void (*)(const unsigned char* base, const std::ptrdiff_t* offsets, int count,
                               std::ptrdiff_t offA, std::ptrdiff_t offB, std::size_t n, void* outA, void* outB);

struct MinMaxKernels {
  CombineFn combine[kTypes][2];
  CombinePairFn combinePair[kTypes][2];
  CombineNearFn combineNear[kTypes][2];
  LevelFn level[kTypes][2];
};

const MinMaxKernels& minMaxKernels();

}  // namespace rux::rank
