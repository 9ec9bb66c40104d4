// Scalar references of the packed-spectrum family, written from the layout rules: the full
// complex spectrum of a packed real W x H spectrum (stored values placed first, the rest filled
// by conjugate symmetry), the packed image of a full spectrum, and the window formulas.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

namespace ruxref {

// A full W x H complex spectrum, row-major, values as V.
template <class V>
struct Full {
  int w = 0, h = 0;
  std::vector<V> re, im;
  Full(int width, int height) : w(width), h(height), re(static_cast<std::size_t>(width) * height), im(re.size()) {}
  std::size_t at(int v, int u) const { return static_cast<std::size_t>(v) * w + u; }
};

// Stored positions of the packed layout: for each packed cell (row, col), the spectrum value
// (v, u) and part (0 re, 1 im) it holds.
struct PackedCell {
  int v, u, part;
};
inline PackedCell packedCell(int w, int h, int row, int col) {
  const bool edgeColumn = col == 0 || (w % 2 == 0 && col == w - 1);
  if (!edgeColumn) return {row, (col + 1) / 2, (col % 2 == 1) ? 0 : 1};
  const int u = col == 0 ? 0 : w / 2;
  if (row == 0) return {0, u, 0};
  if (h % 2 == 0 && row == h - 1) return {h / 2, u, 0};
  return {(row + 1) / 2, u, row % 2 == 1 ? 0 : 1};
}

// P (row-major W x H, one channel, as V) to the full spectrum.
template <class V>
Full<V> fullSpectrum(const std::vector<V>& P, int w, int h) {
  Full<V> f(w, h);
  std::vector<char> known(f.re.size(), 0);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const PackedCell k = packedCell(w, h, r, c);
      (k.part == 0 ? f.re : f.im)[f.at(k.v, k.u)] = P[static_cast<std::size_t>(r) * w + c];
      known[f.at(k.v, k.u)] = 1;  // a value with only its real part stored is self-conjugate
    }
  for (int v = 0; v < h; ++v)
    for (int u = 0; u < w; ++u) {
      if (known[f.at(v, u)]) continue;
      const std::size_t m = f.at((h - v) % h, (w - u) % w);
      f.re[f.at(v, u)] = f.re[m];
      f.im[f.at(v, u)] = -f.im[m];
    }
  return f;
}

template <class V>
std::vector<V> packOf(const Full<V>& f) {
  std::vector<V> P(f.re.size());
  for (int r = 0; r < f.h; ++r)
    for (int c = 0; c < f.w; ++c) {
      const PackedCell k = packedCell(f.w, f.h, r, c);
      P[static_cast<std::size_t>(r) * f.w + c] = (k.part == 0 ? f.re : f.im)[f.at(k.v, k.u)];
    }
  return P;
}

// One-dimensional windows of length n, in double.
inline double bartlett1d(int n, int i) {
  const double m = n - 1;
  return i <= (n - 1) / 2.0 ? 2.0 * i / m : 2.0 - 2.0 * i / m;
}
inline double hamming1d(int n, int i) { return 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * i / (n - 1)); }

}  // namespace ruxref
