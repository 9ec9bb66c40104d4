// Row kernels of the data movers (copy, set, channel moves), shared by every family that
// delivers pixels. They move bits, so they are instantiated per sample size (1, 2, 4 bytes),
// not per sample type. Each kernel handles one row of n pixels; vector bodies run over whole
// vectors and the tail pixel by pixel, never touching memory outside the n pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux {

// Channel selector of the shuffle kernel: 0..cin-1 picks a source channel.
constexpr int kSelFill = -1;  // write the fill value
constexpr int kSelKeep = -2;  // leave the destination channel as it is

enum MoveLayout { kMoveC1 = 0, kMoveC3 = 1, kMoveC4 = 2, kMoveAC4 = 3 };

// dst channel k of each pixel = sel[k] (see above); cin/cout channels per pixel. src == dst
// is allowed when cin == cout: each block is read completely before it is written.
using ShuffleRowFn = void (*)(const void* src, void* dst, std::size_t n, const int* sel,
                              const void* fill);
// Copies bytes with cache-bypassing stores (a store fence at the end); for large copies whose
// destination does not stay in cache.
using StreamCopyFn = void (*)(const void* src, void* dst, std::size_t bytes);
// The shuffle over width x height pixels (rows step bytes apart); with stream set and no kept
// channel, rows are written with cache-bypassing stores (followed by a store fence).
using ShuffleImageFn = void (*)(const void* src, int srcStep, void* dst, int dstStep, int width, int height,
                                const int* sel, const void* fill, bool stream);
// Interleaved pixels to planes and back over a whole image; with stream set, the destination
// rows are written with cache-bypassing stores (followed by a store fence), which pays for large
// destinations.
using SplitImageFn = void (*)(const void* src, int srcStep, void* const* planes, int dstStep, int width, int height,
                              bool stream);
using MergeImageFn = void (*)(const void* const* planes, int srcStep, void* dst, int dstStep,
                              int width, int height, bool stream);
// Fill n pixels with the channel values value[0..C-1] (AC4: alpha kept).
using FillRowFn = void (*)(const void* value, void* dst, std::size_t n);
// The same over width x height pixels (rows step bytes apart): the pattern is built once.
using FillImageFn = void (*)(const void* value, void* dst, int step, int width, int height);
// Copy n four-channel pixels keeping the destination's channel 3 (a blend, no de-interleave).
using CopyKeepAlphaRowFn = void (*)(const void* src, void* dst, std::size_t n);
// Masked forms: pixel x is written when mask[x] != 0.
using MaskedCopyRowFn = void (*)(const void* src, void* dst, const std::uint8_t* mask,
                                 std::size_t n);
using MaskedFillRowFn = void (*)(const void* value, void* dst, const std::uint8_t* mask,
                                 std::size_t n);

struct MoveKernels {
  // First index: sample size class (0: 1 byte, 1: 2 bytes, 2: 4 bytes).
  ShuffleRowFn shuffle[3][5][5];  // [size][cin][cout] for (1,3) (1,4) (3,3) (3,4) (4,3) (4,4)
  ShuffleImageFn shuffleImage[3][5][5];  // the same pairs as shuffle
  SplitImageFn split[3][5];       // [size][3 or 4]
  MergeImageFn merge[3][5];       // [size][3 or 4]
  FillRowFn fill[3][4];           // [size][MoveLayout]
  FillImageFn fillImage[3][4];    // [size][MoveLayout]
  CopyKeepAlphaRowFn copyKeepAlpha[3];
  MaskedCopyRowFn maskedCopy[3][4];
  MaskedFillRowFn maskedFill[3][4];
  StreamCopyFn streamCopy;
};

template <class T>
constexpr int sizeClass() {
  static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4, "1, 2 or 4 bytes");
  return sizeof(T) == 1 ? 0 : (sizeof(T) == 2 ? 1 : 2);
}

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const MoveKernels& moveKernels();

}  // namespace rux
