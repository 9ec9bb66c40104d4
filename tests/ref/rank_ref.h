// Scalar references of the rank and morphology filters: extrema over the included positions of
// a mask whose window of destination pixel (x, y) has its top-left at (x - anchor.x, y - anchor.y).
#pragma once

#include <algorithm>
#include <cfloat>
#include <vector>

#include "ref/filter_ref.h"

namespace ruxref {

// Row-major mask bytes (non-zero: included).
struct Mask {
  int width = 1, height = 1, ax = 0, ay = 0;
  std::vector<Rux8u> bytes{1};
  bool at(int p, int q) const { return bytes[static_cast<std::size_t>(q) * width + p] != 0; }
};

inline Mask fullMask(int w, int h, int ax, int ay) { return {w, h, ax, ay, std::vector<Rux8u>(static_cast<std::size_t>(w) * h, 1)}; }

// The extremum over the mask; `clampFinite` holds float results within +-FLT_MAX.
template <class T>
T extremum(const View<T>& v, const Mask& m, bool max, bool clampFinite, int x, int y, int c) {
  bool first = true;
  T best{};
  for (int q = 0; q < m.height; ++q)
    for (int p = 0; p < m.width; ++p) {
      if (!m.at(p, q)) continue;
      const T s = v.at(x - m.ax + p, y - m.ay + q, c);
      if (first || (max ? s > best : s < best)) best = s;
      first = false;
    }
  if constexpr (std::is_floating_point_v<T>) {
    if (clampFinite) best = std::min<T>(std::max<T>(best, -FLT_MAX), FLT_MAX);
  }
  return best;
}

}  // namespace ruxref
