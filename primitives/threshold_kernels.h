// Image kernels of the threshold and compare families. Each kernel walks a whole region (row
// pointers from signed byte steps), so per-channel constants are expanded into vector patterns
// once per call rather than once per row.
//
// Threshold kernels work in place (src == dst with equal steps) and run per sample type, per
// operation and per layout: C1 (also C3/C4 whose channels share their parameters, as one longer
// row), C3, C4 and AC4 (channel 3 of the destination keeps its value). Compare kernels write
// one 8u mask sample per pixel: 255 where the relation holds in every compared channel.
#pragma once

#include <cstddef>

namespace rux {

enum ThresholdType { kThr8u = 0, kThr16u, kThr16s, kThr32f, kThrTypes };
enum ThresholdLayout { kThrC1 = 0, kThrC3, kThrC4, kThrAC4, kThrLayouts };

// Per-sample operations. Clamps: kThrMax gives max(x, tLT), kThrMin min(x, tGT); for floats a
// NaN sample gives the threshold. Replacements are strict and keep NaN: kThrLess x < tLT -> vLT,
// kThrGreater x > tGT -> vGT, kThrBoth applies both.
enum ThresholdOp { kThrMax = 0, kThrMin, kThrLess, kThrGreater, kThrBoth, kThrOps };

// Per-channel parameters of one call, in the sample type of the image; channels beyond the
// layout's colour channels are ignored.
template <class T>
struct ThresholdParams {
  T tLT[4], vLT[4], tGT[4], vGT[4];
  bool stream = false;  // one-channel rows written with cache-bypassing stores
};

// src and dst of `width` pixels per row and `height` rows; params points to ThresholdParams<T>.
using ThresholdFn = void (*)(const void* src, int srcStep, void* dst, int dstStep,
                             std::size_t width, int height, const void* params);

// Relations of the compare kernels; greater relations are less relations with swapped operands.
enum CompareRel { kRelLess = 0, kRelLessEqual, kRelEqual, kRelGreaterEqual, kRelGreater, kRelEps,
                  kRelCount };

// Two-image form: relation of a to b (kRelLess, kRelLessEqual, kRelEqual; kRelEps for 32f).
using CompareFn = void (*)(const void* a, int aStep, const void* b, int bStep, unsigned char* dst,
                           int dstStep, std::size_t width, int height, float eps);
// Constant form: relation of the image a to value[c] for channel c (every relation; kRelEps 32f).
using CompareConstFn = void (*)(const void* a, int aStep, const void* value, unsigned char* dst,
                                int dstStep, std::size_t width, int height, float eps);

struct ThresholdKernels {
  ThresholdFn threshold[kThrTypes][kThrOps][kThrLayouts];  // null where no form needs it
  CompareFn compare[kThrTypes][kThrLayouts][kRelCount];    // null for unused relations
  CompareConstFn compareConst[kThrTypes][kThrLayouts][kRelCount];
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const ThresholdKernels& thresholdKernels();

}  // namespace rux
