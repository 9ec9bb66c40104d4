// Scalar reference of Remap, per destination pixel from the formulas: clip box, small-source
// fallback, nearest trunc(u + 0.5), 8u linear in Q14, linear and the wide kernels (edge-clamped
// taps) in long double, and the smooth edge (points less than one pixel outside the box sampled
// at the nearest box point, blended by (1 - dx)(1 - dy)).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include "ref/resize_ref.h"

namespace ruxref {

struct RemapBox {
  int x0, y0, x1, y1;  // inclusive
};

// A value as the type stores it: floats as they are, integers to nearest (ties to even) and
// saturated.
template <class T>
long double refStoreAs(long double r) {
  if constexpr (std::is_floating_point_v<T>) return static_cast<T>(r);
  else return std::clamp<long double>(std::nearbyintl(r), std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
}

// Effective mode of a W x H source.
inline int remapMode(int mode, int W, int H) {
  const int s = std::min(W, H);
  if (s < 6 && mode == 16) mode = 4;
  if (s < 4 && (mode == 4 || mode == 6)) mode = 2;
  return s == 1 ? 1 : mode;
}

// The exact value the sample of channel k should take at (u, v) (before rounding to T), or none
// when the pixel stays as it is. src.at(x, y, k) reads the source image.
template <class T, class M>
std::optional<long double> refRemap(const Plane<T>& src, RemapBox b, int mode, bool smooth, M mu, M mv, int k,
                                    long double old) {
  const long double u = mu, v = mv;
  const int W = src.w, H = src.h;
  long double cover = 1;
  long double cu = u, cv = v;
  if (!(u >= b.x0 && u <= b.x1 && v >= b.y0 && v <= b.y1)) {
    if (!smooth || !(u > b.x0 - 1 && u < b.x1 + 1 && v > b.y0 - 1 && v < b.y1 + 1)) return std::nullopt;
    cu = std::clamp<long double>(u, b.x0, b.x1), cv = std::clamp<long double>(v, b.y0, b.y1);
    cover = (1 - std::fabs(u - cu)) * (1 - std::fabs(v - cv));
  }
  mode = remapMode(mode, W, H);
  const auto px = [&](long long x, long long y) {
    return static_cast<long double>(src.at(static_cast<int>(std::clamp<long long>(x, 0, W - 1)),
                                           static_cast<int>(std::clamp<long long>(y, 0, H - 1)), k));
  };
  long double r;
  if (mode == 1) {
    r = px(static_cast<long long>(cu + 0.5L), static_cast<long long>(cv + 0.5L));
  } else if (mode == 2 && std::is_same_v<T, std::uint8_t>) {
    const long long i = static_cast<long long>(cu), j = static_cast<long long>(cv);
    const long long fx = std::llrint(std::nearbyintl((cu - i) * 16384)), fy = std::llrint(std::nearbyintl((cv - j) * 16384));
    const auto row = [&](long long y) {
      return (static_cast<long long>(px(i, y)) * (16384 - fx) + static_cast<long long>(px(i + 1, y)) * fx) >> 8;
    };
    r = static_cast<long double>((row(j) * (16384 - fy) + row(j + 1) * fy + 33) >> 20);
  } else if (mode == 2) {
    long long i = static_cast<long long>(cu + 1e-7L), j = static_cast<long long>(cv + 1e-7L);
    long double tx = cu - i, ty = cv - j;
    if (i >= W - 1) i = W - 2, tx = 1;
    if (j >= H - 1) j = H - 2, ty = 1;
    r = (px(i, j) * (1 - tx) + px(i + 1, j) * tx) * (1 - ty) + (px(i, j + 1) * (1 - tx) + px(i + 1, j + 1) * tx) * ty;
  } else {
    const int taps = mode == 16 ? 6 : 4, lead = mode == 16 ? 2 : 1;
    const long long i = static_cast<long long>(std::floor(cu)), j = static_cast<long long>(std::floor(cv));
    const auto weights = [&](long double t, long double* w) {
      long double sum = 0;
      for (int n = 0; n < taps; ++n) {
        const double d = static_cast<double>(std::fabs(n - lead - t));
        sum += w[n] = mode == 16 ? refLanczos(d) : refCubic(mode, d);
      }
      if (mode == 16)
        for (int n = 0; n < taps; ++n) w[n] /= sum;
    };
    long double wx[6], wy[6];
    weights(cu - i, wx);
    weights(cv - j, wy);
    r = 0;
    for (int m = 0; m < taps; ++m)
      for (int n = 0; n < taps; ++n) r += wx[n] * wy[m] * px(i - lead + n, j - lead + m);
  }
  return cover == 1 ? r : old + (refStoreAs<T>(r) - old) * cover;
}

}  // namespace ruxref
