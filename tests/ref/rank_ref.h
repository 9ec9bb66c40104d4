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

// The border a window reads around the region.
inline ruxtest::Border borderOf(const Mask& m) { return {m.ax, m.width - 1 - m.ax, m.ay, m.height - 1 - m.ay}; }

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

// The median of the samples at the given pixel offsets (window sorted, middle taken).
template <class T>
T medianOf(const View<T>& v, const std::vector<std::pair<int, int>>& offsets, int x, int y, int c) {
  std::vector<T> w;
  for (auto [dx, dy] : offsets) w.push_back(v.at(x + dx, y + dy, c));
  std::sort(w.begin(), w.end());
  return w[w.size() / 2];
}

inline std::vector<std::pair<int, int>> rectangle(int w, int h, int ax, int ay) {
  std::vector<std::pair<int, int>> o;
  for (int q = 0; q < h; ++q)
    for (int p = 0; p < w; ++p) o.push_back({p - ax, q - ay});
  return o;
}

// Index (row-major) of the window pixel with the smallest sum of L1 colour distances; the first
// wins on ties.
template <class T>
int colorMedianIndex(const View<T>& v, int r, int x, int y) {
  const int side = 2 * r + 1;
  int best = 0;
  long double bestSum = 0;
  for (int a = 0; a < side * side; ++a) {
    long double s = 0;
    for (int b = 0; b < side * side; ++b)
      for (int c = 0; c < 3; ++c)
        s += std::fabs(static_cast<long double>(v.at(x - r + a % side, y - r + a / side, c)) -
                       static_cast<long double>(v.at(x - r + b % side, y - r + b / side, c)));
    if (a == 0 || s < bestSum) best = a, bestSum = s;
  }
  return best;
}

}  // namespace ruxref
