// Scalar reference of the warps, written from the formulas: a destination pixel inside the
// destination rectangle and every quadrangle (point-in-convex-polygon by cross products) takes
// the sample of the source region at the point its destination-to-source map gives, computed
// directly per pixel. Pixels within 1e-7 of a quadrangle edge are reported as ambiguous (either
// written or untouched is correct there).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <type_traits>
#include <vector>

namespace ruxref {

struct WarpQuad {
  double x[4], y[4];
};

// +1 inside (by more than 1e-7 from every edge), -1 outside, 0 on an edge.
inline int insideQuad(const WarpQuad& q, double px, double py) {
  double area = 0;
  for (int i = 0; i < 4; ++i) area += q.x[i] * q.y[(i + 1) % 4] - q.x[(i + 1) % 4] * q.y[i];
  double least = std::numeric_limits<double>::infinity();
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const double ex = q.x[j] - q.x[i], ey = q.y[j] - q.y[i];
    const double d = (ex * (py - q.y[i]) - ey * (px - q.x[i])) / std::sqrt(ex * ex + ey * ey);
    least = std::min(least, area > 0 ? d : -d);
  }
  return least > 1e-7 ? 1 : least < -1e-7 ? -1 : 0;
}

// A source region as its own image: W x H pixels of C channels, row-major.
template <class T>
struct WarpSource {
  std::vector<T> v;
  int W, H, C;
  double at(int x, int y, int k) const { return static_cast<double>(v[(static_cast<std::size_t>(y) * W + x) * C + k]); }
};

inline double refRoundEven(double v) {
  double r = std::floor(v);
  const double f = v - r;
  if (f > 0.5 || (f == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  return r;
}

template <class T>
T refSaturate(double v) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v);
  } else {
    const double lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
    return static_cast<T>(v <= lo ? lo : v >= hi ? hi : refRoundEven(v));
  }
}

// Lagrange weights of nodes 0..3 at position p.
inline void refLagrange(double p, double w[4]) {
  for (int k = 0; k < 4; ++k) {
    double num = 1, den = 1;
    for (int j = 0; j < 4; ++j)
      if (j != k) num *= p - j, den *= k - j;
    w[k] = num / den;
  }
}

inline double refCatmullRom(double x) {
  x = std::fabs(x);
  return x < 1 ? 1.5 * x * x * x - 2.5 * x * x + 1 : x < 2 ? -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2 : 0;
}

// Sample of channel k at region point (u, v) by mode (1, 2, 4, 6); modes as the warps run them.
template <class T>
T refWarpSample(const WarpSource<T>& s, double u, double v, int k, int mode) {
  using A = std::conditional_t<std::is_same_v<T, double>, double, float>;
  const int W = s.W, H = s.H;
  if (mode == 4 && (W < 4 || H < 4)) mode = 2;
  if (mode == 1) return static_cast<T>(s.at(static_cast<int>(u + 0.5), static_cast<int>(v + 0.5), k));
  if (mode == 2) {
    int i = static_cast<int>(u + 1.0000000116860974e-7), j = static_cast<int>(v + 1.0000000116860974e-7);
    A fx = static_cast<A>(u - i), fy = static_cast<A>(v - j);
    if (i >= W - 1) i = W - 2, fx = 1;
    if (j >= H - 1) j = H - 2, fy = 1;
    const A p00 = A(s.at(i, j, k)), p01 = A(s.at(i + 1, j, k)), p10 = A(s.at(i, j + 1, k)), p11 = A(s.at(i + 1, j + 1, k));
    const A top = p00 + (p01 - p00) * fx, bottom = p10 + (p11 - p10) * fx;
    if constexpr (std::is_integral_v<T>) {
      const double r = std::trunc(static_cast<double>(A(0.5) + top + (bottom - top) * fy));
      return static_cast<T>(std::clamp(r, 0.0, static_cast<double>(std::numeric_limits<T>::max())));
    } else {
      return static_cast<T>(top + (bottom - top) * fy);
    }
  }
  if (mode == 4) {
    const int i0 = std::max(0, std::min(static_cast<int>(u), W - 3) - 1), j0 = std::max(0, std::min(static_cast<int>(v), H - 3) - 1);
    if constexpr (std::is_same_v<T, std::uint8_t>) {
      // Q14 pairs at steps of 1/512, mirrored for nodes 3 and 2, each window summing to 16384.
      static const std::vector<int> table = [] {
        std::vector<int> t(1537 * 2);
        for (int q = 0; q <= 1536; ++q) {
          double w[4];
          refLagrange(q / 512.0, w);
          t[2 * q] = static_cast<int>(refRoundEven(w[0] * 16384)), t[2 * q + 1] = static_cast<int>(refRoundEven(w[1] * 16384));
        }
        for (int q = 0; q < 768; ++q) t[2 * q + 1] += 16384 - (t[2 * q] + t[2 * q + 1] + t[2 * (1536 - q) + 1] + t[2 * (1536 - q)]);
        return t;
      }();
      const auto weights = [&](double p, int w[4]) {
        const int e = static_cast<int>(std::clamp(refRoundEven(p * 512), 0.0, 1536.0));
        w[0] = table[2 * e], w[1] = table[2 * e + 1], w[2] = table[2 * (1536 - e) + 1], w[3] = table[2 * (1536 - e)];
      };
      int wx[4], wy[4];
      weights(u - i0, wx);
      weights(v - j0, wy);
      int sum = 0;
      for (int r = 0; r < 4; ++r) {
        int h = 0;
        for (int t = 0; t < 4; ++t) h += wx[t] * static_cast<int>(s.at(i0 + t, j0 + r, k));
        sum += wy[r] * (h >> 8);
      }
      return static_cast<T>(std::clamp((sum + 0x80000) >> 20, 0, 255));
    } else {
      double dx[4], dy[4];
      refLagrange(std::clamp(u - i0, 0.0, 3.0), dx);
      refLagrange(std::clamp(v - j0, 0.0, 3.0), dy);
      A sum = 0;
      for (int r = 0; r < 4; ++r) {
        A h = 0;
        for (int t = 0; t < 4; ++t) h += A(dx[t]) * A(s.at(i0 + t, j0 + r, k));
        sum += A(dy[r]) * h;
      }
      return refSaturate<T>(sum);
    }
  }
  // Catmull-Rom, taps clamped into the region.
  const int i = static_cast<int>(u + 1e-7), j = static_cast<int>(v + 1e-7);
  A sum = 0;
  for (int r = 0; r < 4; ++r) {
    A h = 0;
    for (int t = 0; t < 4; ++t)
      h += A(refCatmullRom(t - 1 - (u - i))) * A(s.at(std::clamp(i - 1 + t, 0, W - 1), std::clamp(j - 1 + r, 0, H - 1), k));
    sum += A(refCatmullRom(r - 1 - (v - j))) * h;
  }
  return refSaturate<T>(sum);
}

// Destination to source point in region coordinates; false when the pixel has no source point.
using WarpMap = std::function<bool(double x, double y, double& u, double& v)>;

}  // namespace ruxref
