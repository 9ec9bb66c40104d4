// Reference Fourier transforms from the defining sums, in double precision with roots taken from
// exactly reduced indices, and the packed layouts of real spectra written from their definition.
#pragma once

#include <cmath>
#include <complex>
#include <vector>

namespace ruxref {

using cd = std::complex<double>;

// X(k) = sum_j x(j) e^(-+2 pi i jk/n) (sign + for the inverse), unscaled.
inline std::vector<cd> dft(const std::vector<cd>& x, bool inverse = false) {
  const std::size_t n = x.size();
  std::vector<cd> roots(n), out(n);
  const long double pi = 3.141592653589793238462643383279502884L;
  for (std::size_t t = 0; t < n; ++t) {
    const long double a = 2 * pi * static_cast<long double>(t) / static_cast<long double>(n);
    roots[t] = cd(static_cast<double>(std::cos(a)), static_cast<double>((inverse ? 1 : -1) * std::sin(a)));
  }
  for (std::size_t k = 0; k < n; ++k) {
    cd s = 0;
    std::size_t t = 0;
    for (std::size_t j = 0; j < n; ++j) {
      s += x[j] * roots[t];
      t += k;
      if (t >= n) t -= n;
    }
    out[k] = s;
  }
  return out;
}

// Full 2-D spectrum C[v][u] of a W x H complex image (row-major), rows then columns.
inline std::vector<cd> dft2(const std::vector<cd>& img, int W, int H, bool inverse = false) {
  std::vector<cd> out(img.size()), line;
  for (int y = 0; y < H; ++y) {
    line.assign(img.begin() + y * W, img.begin() + (y + 1) * W);
    line = dft(line, inverse);
    for (int x = 0; x < W; ++x) out[y * W + x] = line[x];
  }
  for (int x = 0; x < W; ++x) {
    line.resize(H);
    for (int y = 0; y < H; ++y) line[y] = out[y * W + x];
    line = dft(line, inverse);
    for (int y = 0; y < H; ++y) out[y * W + x] = line[y];
  }
  return out;
}

// The packed form of one real spectrum: Re X0, Re X1, Im X1, ..., (Re X(n/2) for even n).
inline std::vector<double> pack1(const std::vector<cd>& X) {
  const int n = static_cast<int>(X.size());
  std::vector<double> p(n);
  p[0] = X[0].real();
  for (int k = 1; 2 * k < n; ++k) {
    p[2 * k - 1] = X[k].real();
    p[2 * k] = X[k].imag();
  }
  if (n % 2 == 0 && n > 1) p[n - 1] = X[n / 2].real();
  return p;
}

// The Pack2D image of a W x H spectrum C (row-major C[v][u]).
inline std::vector<double> pack2(const std::vector<cd>& C, int W, int H) {
  std::vector<double> P(static_cast<std::size_t>(W) * H, 0.0);
  auto at = [&](int r, int c) -> double& { return P[static_cast<std::size_t>(r) * W + c]; };
  auto spec = [&](int v, int u) { return C[static_cast<std::size_t>(v) * W + u]; };
  for (int r = 0; r < H; ++r)
    for (int k = 1; k <= (W - 1) / 2; ++k) {
      at(r, 2 * k - 1) = spec(r, k).real();
      at(r, 2 * k) = spec(r, k).imag();
    }
  const int cols[2] = {0, W / 2};
  for (int which = 0; which < (W % 2 == 0 && W > 1 ? 2 : 1); ++which) {
    const int u = cols[which], c = which == 0 ? 0 : W - 1;
    at(0, c) = spec(0, u).real();
    for (int j = 1; j <= (H - 1) / 2; ++j) {
      at(2 * j - 1, c) = spec(j, u).real();
      at(2 * j, c) = spec(j, u).imag();
    }
    if (H % 2 == 0 && H > 1) at(H - 1, c) = spec(H / 2, u).real();
  }
  return P;
}

// Relative L2 distance of got from want.
template <class A, class B>
double relError(const A& got, const B& want) {
  double num = 0, den = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    num += std::norm(std::complex<double>(got[i]) - std::complex<double>(want[i]));
    den += std::norm(std::complex<double>(want[i]));
  }
  return den == 0 ? std::sqrt(num) : std::sqrt(num / den);
}

}  // namespace ruxref
