// Helpers shared by the correlation and convolution families: output geometries, row access,
// sample conversion into transform planes and the 8u result rule.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/base.h"
#include "primitives/unaligned.h"

namespace rux::prox {

enum class Geometry { kFull, kSame, kValid };
enum class Score { kPlain, kNorm, kNormLevel, kSqrDistance };

template <class T>
T* rowAt(T* base, std::ptrdiff_t step, std::ptrdiff_t r) {
  using B = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<T*>(reinterpret_cast<B*>(base) + r * step);
}

// Destination size and the offset of the first template sample: destination (x, y) places the
// template's top-left sample over source (x - ox, y - oy).
struct Placement {
  int outW, outH, ox, oy;
};
inline Placement placement(Geometry g, RuxImageSize s, RuxImageSize t) {
  switch (g) {
    case Geometry::kFull: return {s.width + t.width - 1, s.height + t.height - 1, t.width - 1, t.height - 1};
    case Geometry::kSame: return {s.width, s.height, t.width >> 1, t.height >> 1};
    default: return {s.width - t.width + 1, s.height - t.height + 1, 0, 0};
  }
}

// n samples of one channel (stride C) into a plane row.
template <class S, class T>
inline void convertRow(const S* s, int C, T* d, int n) {
  if (C == 1)
    for (int i = 0; i < n; ++i) d[i] = static_cast<T>(loadAt(s + i));
  else
    for (int i = 0; i < n; ++i) d[i] = static_cast<T>(loadAt(s + static_cast<std::ptrdiff_t>(i) * C));
}

// The input block of a tile into a transform plane: plane row r, column i holds source sample
// (u0 + i, v0 + r) of channel c for i < inW, r < inH (0 outside the W x H source); columns from
// inW to the row's end (length n) are 0.
template <class S, class T>
void fillBlock(const S* src, int step, int W, int H, int C, int c, int u0, int v0, int inW, int inH, T* plane,
               std::ptrdiff_t stride, int n) {
  const int a = u0 < 0 ? (-u0 < inW ? -u0 : inW) : 0;
  int b = W - u0 < inW ? W - u0 : inW;
  if (b < a) b = a;
  for (int r = 0; r < inH; ++r) {
    T* d = plane + r * stride;
    const int v = v0 + r;
    if (v < 0 || v >= H || a == b) {
      for (int i = 0; i < n; ++i) d[i] = T(0);
      continue;
    }
    const S* s = rowAt(src, step, v) + static_cast<std::ptrdiff_t>(u0 + a) * C + c;
    for (int i = 0; i < a; ++i) d[i] = T(0);
    convertRow(s, C, d + a, b - a);
    for (int i = b; i < n; ++i) d[i] = T(0);
  }
}

// v rounded to nearest (ties to even) and saturated to 0..255; NaN gives 0.
inline Rux8u roundNearSat8u(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  double r = std::floor(v + 0.5);
  if (r - v == 0.5 && std::fmod(r, 2.0) != 0.0) r -= 1.0;
  return static_cast<Rux8u>(r);
}

}  // namespace rux::prox
