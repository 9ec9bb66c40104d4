// Scalar references of decimation, de-interlacing and the two deconvolutions, written from their
// formulas: the decimation tap tables rebuilt from the Lanczos prototype, a naive DFT in double for
// the inverse filter, plain loops for the Lucy-Richardson iteration.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <vector>

namespace ruxref {

// ---- decimation -------------------------------------------------------------------------------------

struct DecimPhase {
  int first;
  std::vector<int> w;
};
struct DecimTable {
  int p, q;
  std::vector<DecimPhase> phases;
};

inline const int kFractionP[5] = {1, 3, 2, 7, 3};
inline const int kFractionQ[5] = {2, 5, 3, 10, 4};

// Per phase: weights 256 L(u) / sum L for the source samples with |u| < 2.5, u = (j - x) p / q,
// x = (f + 1/2) q / p - 1/2, L(u) = sinc(u) sinc(u / 2.5); rounded half away from zero, the
// remaining difference to 256 spread over the largest remainders (lower index first), zero
// weights at both ends dropped.
inline DecimTable decimTable(int code) {
  const int p = kFractionP[code], q = kFractionQ[code];
  const double pi = 3.14159265358979323846;
  auto sinc = [&](double v) { return v == 0 ? 1.0 : std::sin(pi * v) / (pi * v); };
  DecimTable t{p, q, {}};
  for (int f = 0; f < p; ++f) {
    const double x = (f + 0.5) * q / p - 0.5, r = 2.5 * q / p;
    const int j0 = static_cast<int>(std::floor(x - r)) + 1, j1 = static_cast<int>(std::ceil(x + r)) - 1;
    std::vector<double> v;
    for (int j = j0; j <= j1; ++j) {
      const double u = (j - x) * p / q;
      v.push_back(std::fabs(u) < 2.5 ? sinc(u) * sinc(u / 2.5) : 0.0);
    }
    double sum = 0;
    for (double e : v) sum += e;
    std::vector<double> exact;
    std::vector<int> w;
    int total = 0;
    for (double e : v) {
      exact.push_back(256 * e / sum);
      w.push_back(static_cast<int>(std::lround(exact.back())));
      total += w.back();
    }
    while (total != 256) {
      const int dir = total < 256 ? 1 : -1;
      int best = -1;
      for (std::size_t i = 0; i < w.size(); ++i) {
        const double rem = (exact[i] - w[i]) * dir;
        if (best < 0 || rem > (exact[best] - w[best]) * dir) best = static_cast<int>(i);
      }
      w[best] += dir;
      total += dir;
    }
    int first = j0;
    while (!w.empty() && w.front() == 0) w.erase(w.begin()), ++first;
    while (!w.empty() && w.back() == 0) w.pop_back();
    t.phases.push_back({first, w});
  }
  return t;
}

// Samples read before the region and after it for a region of n samples along the axis.
inline void decimBorder(const DecimTable& t, int n, int* before, int* after) {
  int lo = 0, hi = 0;
  for (const auto& ph : t.phases) {
    lo = std::min(lo, ph.first);
    hi = std::max(hi, ph.first + static_cast<int>(ph.w.size()) - 1);
  }
  *before = -lo;
  *after = std::max(0, t.q * (n / t.q - 1) + hi - (n - 1));
}

// Destination sample i from a source line accessor s(j).
inline std::uint8_t decimSample(const DecimTable& t, const std::function<int(int)>& s, int i) {
  const int b = i / t.p, f = i % t.p;
  const DecimPhase& ph = t.phases[f];
  int acc = 0;
  for (std::size_t k = 0; k < ph.w.size(); ++k) acc += ph.w[k] * s(t.q * b + ph.first + static_cast<int>(k));
  return static_cast<std::uint8_t>(std::clamp((acc + 128) >> 8, 0, 255));
}

// ---- de-interlacing ---------------------------------------------------------------------------------

// s(x, r) for region rows r in [0, h); rows outside are mirrored about the first and last row.
inline std::uint8_t deinterlaceSample(const std::function<int(int, int)>& s, int h, int x, int y, int threshold) {
  if (y % 2 == 0) return static_cast<std::uint8_t>(s(x, y));
  auto row = [&](int r) { return s(x, r < 0 ? -r : (r >= h ? 2 * (h - 1) - r : r)); };
  const int a = row(y - 1), b = row(y + 1);
  const int t = 8 * row(y) - 4 * row(y - 2) - 4 * row(y + 2);
  int v = static_cast<int>(std::floor((7.0 * (a + b) + row(y - 3) + row(y + 3) + t + 8) / 16.0));
  if (std::abs(t) < threshold) v = std::clamp(v, std::min(a, b), std::max(a, b));
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// ---- FFT deconvolution ------------------------------------------------------------------------------

using Cd = std::complex<double>;

// Naive 2-D DFT of an N x N array (sign -1 forward, +1 inverse without scaling).
inline std::vector<Cd> dft2(const std::vector<Cd>& a, int N, int sign) {
  const double pi = 3.14159265358979323846;
  std::vector<Cd> tw(N), rows(a.size()), out(a.size());
  for (int k = 0; k < N; ++k) tw[k] = std::polar(1.0, sign * 2 * pi * k / N);
  for (int y = 0; y < N; ++y)
    for (int u = 0; u < N; ++u) {
      Cd s = 0;
      for (int x = 0; x < N; ++x) s += a[y * N + x] * tw[(u * x) % N];
      rows[y * N + u] = s;
    }
  for (int v = 0; v < N; ++v)
    for (int u = 0; u < N; ++u) {
      Cd s = 0;
      for (int y = 0; y < N; ++y) s += rows[y * N + u] * tw[(v * y) % N];
      out[v * N + u] = s;
    }
  return out;
}

// One channel deconvolved: g(x, y) the region (w x h), kernel K x K, N the transform side.
inline std::vector<double> deconvFftRef(const std::function<double(int, int)>& g, int w, int h, const std::vector<float>& k,
                                        int K, int N, double threshold) {
  const int c = (K - 1) / 2;
  std::vector<Cd> kern(static_cast<std::size_t>(N) * N);
  for (int i = 0; i < K; ++i)
    for (int j = 0; j < K; ++j) kern[((i - c + N) % N) * N + (j - c + N) % N] = k[i * K + j];
  const std::vector<Cd> H = dft2(kern, N, -1);
  // Shares of the absolute weight per axis.
  std::vector<double> col(K), row(K);
  double total = 0;
  for (int i = 0; i < K; ++i)
    for (int j = 0; j < K; ++j) col[j] += std::fabs(k[i * K + j]), row[i] += std::fabs(k[i * K + j]), total += std::fabs(k[i * K + j]);
  auto share = [&](const std::vector<double>& a, int d, bool before) {
    double s = 0;
    for (int j = 0; j < K; ++j)
      if (before ? j <= c - d : j >= c + d) s += a[j];
    return total > 0 ? s / total : 0.0;
  };
  auto weight = [&](const std::vector<double>& a, int v, int n) {
    return v < 0 ? share(a, -v, true) : (v >= n ? share(a, v - n + 1, false) : 1.0);
  };
  std::vector<Cd> G(static_cast<std::size_t>(N) * N);
  for (int y = -c; y < h + K - 1 - c; ++y)
    for (int x = -c; x < w + K - 1 - c; ++x)
      G[(y + c) * N + x + c] = g(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1)) * weight(col, x, w) * weight(row, y, h);
  std::vector<Cd> F = dft2(G, N, -1);
  for (std::size_t i = 0; i < F.size(); ++i) {
    double a = H[i].real(), b = H[i].imag();
    if (std::fabs(a) < threshold) a = 0;
    if (std::fabs(b) < threshold) b = 0;
    const Cd f = (std::fabs(a) <= threshold && std::fabs(b) <= threshold) ? Cd(1, 0) : Cd(a, -b) / (a * a + b * b);
    F[i] *= f;
  }
  const std::vector<Cd> r = dft2(F, N, +1);
  std::vector<double> out(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[y * w + x] = r[(y + c) * N + x + c].real() / (static_cast<double>(N) * N);
  return out;
}

// ---- Lucy-Richardson ---------------------------------------------------------------------------------

inline std::vector<double> deconvLrRef(const std::function<double(int, int)>& g, int w, int h, const std::vector<float>& k,
                                       int K, int iterations, double threshold) {
  const int c = (K - 1) / 2;
  std::vector<double> e(static_cast<std::size_t>(w) * h), r(e.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) e[y * w + x] = g(x, y);
  auto at = [&](const std::vector<double>& a, int x, int y) {
    return a[std::clamp(y, 0, h - 1) * w + std::clamp(x, 0, w - 1)];
  };
  for (int it = 0; it < iterations; ++it) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double b = 0;
        for (int i = 0; i < K; ++i)
          for (int j = 0; j < K; ++j) b += k[i * K + j] * at(e, x + c - j, y + c - i);
        r[y * w + x] = b > threshold ? g(x, y) / b : 1.0;
      }
    std::vector<double> next(e.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double s = 0;
        for (int i = 0; i < K; ++i)
          for (int j = 0; j < K; ++j) s += k[i * K + j] * at(r, x + j - c, y + i - c);
        next[y * w + x] = e[y * w + x] * s;
      }
    e = next;
  }
  return e;
}

}  // namespace ruxref
