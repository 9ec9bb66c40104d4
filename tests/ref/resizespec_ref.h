// Scalar reference of the tiled resize, per destination pixel from the formulas: the coordinate
// map u = (x + 0.5) src / dst - 0.5, the weights of each mode (single precision, double for
// 64f), horizontal sums then the vertical step (linear: r0 + (r1 - r0) fy), area weights of
// super-sampling from exact covered lengths, nearest even rounding with saturation. Taps beyond
// a replicated side read the edge sample; beyond a side read from memory, the border sample.
#pragma once

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "ref/resize_ref.h"

namespace ruxref {

struct SpecArgs {
  int mode;  // 1, 2, 6, 8, 16
  int srcW, srcH, dstW, dstH;
  float b = 0, c = 0.5f;  // cubic
  int lobes = 3;          // Lanczos
};

inline double refMitchell(double b, double c, double x) {
  if (x < 1) return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6;
  if (x < 2) return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x + (8 * b + 24 * c)) / 6;
  return 0;
}

inline double refCubicBC(float b, float c, double x) {
  if (b == 0.0f && c == 0.5f) return refCubic(6, x);
  if (b == 1.0f && c == 0.0f) return refCubic(5, x);
  if (b == 0.5f && c == 0.3f) return refCubic(7, x);
  return refMitchell(b, c, x);
}

inline double refLanczosA(int a, double x) {
  if (x == 0) return 1;
  if (x >= a || x == std::floor(x)) return 0;
  const double px = M_PI * x;
  return a * std::sin(px) * std::sin(px / a) / (px * px);
}

// Taps of destination index d on an axis of src -> dst samples.
template <class A>
Taps<A> refSpecTaps(const SpecArgs& a, int d, int src, int dst) {
  Taps<A> t;
  const double inv = static_cast<double>(src) / dst;
  if (a.mode == 8) {
    // Window [d src, (d + 1) src) in units of 1 / dst; weight = covered length / src.
    const long long lo = static_cast<long long>(d) * src, hi = lo + src;
    t.first = static_cast<int>(lo / dst);
    for (long long j = t.first; j * dst < hi; ++j) {
      const long long covered = std::min(hi, (j + 1) * dst) - std::max(lo, j * dst);
      t.w.push_back(static_cast<A>(static_cast<double>(covered) / src));
    }
    return t;
  }
  if (a.mode == 1) {
    t.first = std::clamp(static_cast<int>((d + 0.5) * inv - 1e-10), 0, src - 1);
    t.w = {A(1)};
    return t;
  }
  const double u = (d + 0.5) * inv - 0.5;
  const int i = static_cast<int>(std::floor(u));
  const double f = u - i;
  if (a.mode == 2) {
    t.first = i;
    t.w = {static_cast<A>(f)};  // the fraction
  } else if (a.mode == 6) {
    t.first = i - 1;
    for (int k = 0; k < 4; ++k) t.w.push_back(static_cast<A>(refCubicBC(a.b, a.c, std::fabs(k - 1 - f))));
  } else {
    t.first = i - (a.lobes - 1);
    std::vector<double> v;
    double sum = 0;
    for (int k = 0; k < 2 * a.lobes; ++k) v.push_back(refLanczosA(a.lobes, std::fabs(k - (a.lobes - 1) - f))), sum += v.back();
    for (double x : v) t.w.push_back(static_cast<A>(x / sum));
  }
  return t;
}

// Resizes the image held in ext (the source with bw border pixels on every side) into dst
// (dstW x dstH, C channels). mem: sides read from memory (left, top, right, bottom).
template <class T>
void refResizeSpec(const Plane<T>& ext, int bw, const bool mem[4], const SpecArgs& a, Plane<T>& dst) {
  using A = std::conditional_t<std::is_same_v<T, double>, double, float>;
  const int C = ext.c;
  const auto col = [&](int p) { return std::clamp(p, mem[0] ? -bw : 0, mem[2] ? a.srcW - 1 + bw : a.srcW - 1); };
  const auto row = [&](int p) { return std::clamp(p, mem[1] ? -bw : 0, mem[3] ? a.srcH - 1 + bw : a.srcH - 1); };
  const auto sample = [&](int x, int y, int k) { return static_cast<A>(ext.at(col(x) + bw, row(y) + bw, k)); };
  for (int y = 0; y < a.dstH; ++y) {
    const Taps<A> ty = refSpecTaps<A>(a, y, a.srcH, a.dstH);
    for (int x = 0; x < a.dstW; ++x) {
      const Taps<A> tx = refSpecTaps<A>(a, x, a.srcW, a.dstW);
      for (int k = 0; k < C; ++k) {
        const auto h = [&](int r) {
          if (a.mode == 2) {
            const A t = tx.w[0];
            return (A(1) - t) * sample(tx.first, r, k) + t * sample(tx.first + 1, r, k);
          }
          A s = tx.w[0] * sample(tx.first, r, k);
          for (std::size_t j = 1; j < tx.w.size(); ++j) s = s + tx.w[j] * sample(tx.first + static_cast<int>(j), r, k);
          return s;
        };
        A v;
        if (a.mode == 2) {
          const A r0 = h(ty.first), r1 = h(ty.first + 1);
          v = r0 + (r1 - r0) * ty.w[0];
        } else {
          v = ty.w[0] * h(ty.first);
          for (std::size_t j = 1; j < ty.w.size(); ++j) v = v + ty.w[j] * h(ty.first + static_cast<int>(j));
        }
        dst.at(x, y, k) = refNearestEven<T>(v);
      }
    }
  }
}

}  // namespace ruxref
