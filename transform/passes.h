// Image-level helpers of the transform families: moving image rows and columns of one channel
// into the batch blocks of the Fourier engine (kBatch lanes per block row) and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/fft_kernels.h"
#include "primitives/rearrange_kernels.h"
#include "primitives/unaligned.h"

namespace rux::xform {

inline unsigned char* alignUp(void* p) {
  return reinterpret_cast<unsigned char*>((reinterpret_cast<std::uintptr_t>(p) + 63) & ~std::uintptr_t{63});
}

template <class T>
T* rowAt(T* base, std::ptrdiff_t step, std::ptrdiff_t r) {
  using B = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<T*>(reinterpret_cast<B*>(base) + r * step);
}

constexpr int kLanes = fft::kBatch<float>;

// Rows [0, count) of channel c (of C) into a block whose rows are `stride` floats apart (lane g =
// image row g, block row j = sample j); lanes from count on are zero.
inline void gatherRows(const float* src, std::ptrdiff_t step, int C, int c, int count, int n, float* block,
                       int stride) {
  if (count < kLanes)
    for (int j = 0; j < n; ++j) std::memset(block + static_cast<std::ptrdiff_t>(j) * stride, 0, sizeof(float) * kLanes);
  if (C == 1) {
    rearrangeKernels().transpose[2][kTransposeC1](src, step, block, 4 * stride, n, count);
    return;
  }
  for (int g = 0; g < count; ++g) {
    const float* row = rowAt(src, step, g) + c;
    for (int j = 0; j < n; ++j) block[static_cast<std::ptrdiff_t>(j) * stride + g] = loadAt(row + j * C);
  }
}

// The inverse of gatherRows for lanes [0, count).
inline void scatterRows(const float* block, int stride, int C, int c, int count, int n, float* dst,
                        std::ptrdiff_t step) {
  if (C == 1) {
    rearrangeKernels().transpose[2][kTransposeC1](block, 4 * stride, dst, step, count, n);
    return;
  }
  for (int g = 0; g < count; ++g) {
    float* row = rowAt(dst, step, g) + c;
    for (int j = 0; j < n; ++j) storeAt(row + j * C, block[static_cast<std::ptrdiff_t>(j) * stride + g]);
  }
}

// Columns [0, count) of channel c from `base` (the first column's sample) into a plain block of n
// rows: lane g = column g; lanes from count on are zero.
inline void gatherColumns(const fft::Kernels<float>& k, const float* base, std::ptrdiff_t step, int C, int count,
                          int n, float* block) {
  if (C == 1) return k.gatherPlain(base, step, count, n, block);
  for (int j = 0; j < n; ++j) {
    const float* row = rowAt(base, step, j);
    for (int g = 0; g < kLanes; ++g) block[j * kLanes + g] = g < count ? loadAt(row + g * C) : 0.0f;
  }
}

inline void scatterColumns(const fft::Kernels<float>& k, const float* block, float* base, std::ptrdiff_t step, int C,
                           int count, int n) {
  if (C == 1) return k.scatterPlain(block, base, step, count, n, 1.0f);
  for (int j = 0; j < n; ++j) {
    float* row = rowAt(base, step, j);
    for (int g = 0; g < count; ++g) storeAt(row + g * C, block[j * kLanes + g]);
  }
}

}  // namespace rux::xform
