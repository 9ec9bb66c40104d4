// Double-precision references of the 8x8 block transforms: the orthonormal DCT-II
// F(v, u) = c(u) c(v) sum f(y, x) cos((2x+1)u pi/16) cos((2y+1)v pi/16), c(0) = sqrt(1/8),
// c(k) = 1/2, its inverse, and the decimating inverses of the low-frequency corners on the
// pixel scale of the 8x8 inverse.
#pragma once

#include <cmath>

namespace ruxref {

// c(k) cos((2n + 1) k pi / 2N) of the orthonormal N-point DCT-II.
inline double dctBasis(int N, int k, int n) {
  const double c = k == 0 ? std::sqrt(1.0 / N) : std::sqrt(2.0 / N);
  return c * std::cos(M_PI * (2 * n + 1) * k / (2.0 * N));
}

// out(i, j) = sum in(k, l) b(i, k) b(j, l), b(f, n) = basis of frequency f at sample n
// (forward), or b(n, f) (inverse).
inline void dct8x8(const double* in, double* out, bool inverse) {
  const auto b = [inverse](int r, int c) { return inverse ? dctBasis(8, c, r) : dctBasis(8, r, c); };
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      double s = 0;
      for (int k = 0; k < 8; ++k)
        for (int l = 0; l < 8; ++l) s += b(i, k) * b(j, l) * in[8 * k + l];
      out[8 * i + j] = s;
    }
}
inline void dct8x8Forward(const double* f, double* F) { dct8x8(f, F, false); }
inline void dct8x8Inverse(const double* F, double* f) { dct8x8(F, f, true); }

// n x n outputs (n = 4 or 2) from the n x n corner of an 8x8 coefficient block: the orthonormal
// n-point 2-D inverse scaled by n / 8, so a flat 8x8 block of value p gives p.
inline void cornerInverse(const double* F, int n, double* out) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double s = 0;
      for (int v = 0; v < n; ++v)
        for (int u = 0; u < n; ++u) s += dctBasis(n, u, j) * dctBasis(n, v, i) * F[8 * v + u];
      out[n * i + j] = s * n / 8.0;
    }
}

}  // namespace ruxref
