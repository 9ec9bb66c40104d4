// Bartlett and Hamming windows applied to an image before a transform (WinBartlett,
// WinHamming, WinBartlettSep, WinHammingSep), 8u, 16u and 32f, out of place and in place.
//
//  - Separable: one-dimensional windows of length W and H, computed in double and kept as
//    floats in two scratch vectors (core services; a failure is -9 before anything is written):
//      Bartlett w(n) = 2n / (N - 1) for n <= (N - 1) / 2, else 2 - 2n / (N - 1);
//      Hamming  w(n) = 0.54 - 0.46 cos(2 pi n / (N - 1)).
//    dst = src * wx(x) * wy(y): 32f as (src * wx) * wy in single precision; 8u and 16u as the
//    double product, rounded to nearest (ties to even) and saturated.
//  - Radial: with a = W div 2, b = H div 2 and, per pixel, dx = a - min(x, W - 1 - x),
//    dy = b - min(y, H - 1 - y) (so columns x and W - 1 - x, rows y and H - 1 - y get the same
//    weight, and the middle column or row of an odd size has dx or dy = 0):
//      Bartlett: w = 1 - (2 / W) sqrt(dx^2 + (dy a / b)^2) inside the ellipse
//                dx^2 / a^2 + dy^2 / b^2 < 1, else 0;
//      Hamming:  w = 0.54 + 0.46 cos(pi min(rho, 1)), rho = sqrt(dx^2 / a^2 + dy^2 / b^2), which
//                is 1 at the centre and the Hamming end value 0.08 on and outside the ellipse;
//                along the middle row of an odd width it is the one-dimensional Hamming window
//                of length W.
//    The weight is computed in double per pixel; 32f results are the double product rounded to
//    float, integer results the double product rounded to nearest (ties to even) and saturated.
//  Sizes below 3 x 3 are rejected (-6) after the null check and before the steps.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <type_traits>

#include "core/base.h"
#include "core/scratch.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

// Nearest integer, ties to even, saturated to T (independent of the processor's rounding mode).
template <class T>
T roundSaturate(double v) {
  constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (!(v > 0.0)) return T(0);
  if (v >= hi) return std::numeric_limits<T>::max();
  double f = std::floor(v);
  const double r = v - f;
  if (r > 0.5 || (r == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
  return static_cast<T>(f);
}

template <class T>
T weighted(T s, double w) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(static_cast<double>(s) * w);
  } else {
    return roundSaturate<T>(static_cast<double>(s) * w);
  }
}

enum class Window { kBartlett, kHamming };

template <class T>
RuxResult checkWindow(const T* src, int srcStep, const T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (roi.width < 3 || roi.height < 3) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  return ruxStatusOk;
}

// The one-dimensional window of length n >= 3.
void window1d(Window kind, int n, float* w) {
  const double last = n - 1;
  for (int i = 0; i < n; ++i) {
    double v;
    if (kind == Window::kBartlett) {
      v = 2.0 * i <= last ? 2.0 * i / last : 2.0 - 2.0 * i / last;
    } else {
      v = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * i / last);
    }
    w[i] = static_cast<float>(v);
  }
}

template <Window K, class T>
RuxResult separable(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (const RuxResult st = checkWindow(src, srcStep, dst, dstStep, roi); st != ruxStatusOk) return st;
  Scratch<float> wx(roi.width);
  if (!wx) return ruxStatusNoMemory;
  Scratch<float> wy(roi.height);
  if (!wy) return ruxStatusNoMemory;
  window1d(K, roi.width, wx.get());
  window1d(K, roi.height, wy.get());
  for (int y = 0; y < roi.height; ++y) {
    const T* in = rowPtr(src, srcStep, y);
    T* out = rowPtr(dst, dstStep, y);
    const float ry = wy.get()[y];
    for (int x = 0; x < roi.width; ++x) {
      const T s = loadSample<T>(in + x);
      if constexpr (std::is_floating_point_v<T>) {
        storeSample<T>(out + x, s * wx.get()[x] * ry);
      } else {
        storeSample<T>(out + x, roundSaturate<T>(static_cast<double>(s) * wx.get()[x] * ry));
      }
    }
  }
  return ruxStatusOk;
}

template <Window K, class T>
RuxResult radial(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (const RuxResult st = checkWindow(src, srcStep, dst, dstStep, roi); st != ruxStatusOk) return st;
  const int a = roi.width / 2, b = roi.height / 2;
  const double ratio = static_cast<double>(a) / b, slope = 2.0 / roi.width;
  for (int y = 0; y < roi.height; ++y) {
    const T* in = rowPtr(src, srcStep, y);
    T* out = rowPtr(dst, dstStep, y);
    const double dy = b - std::min(y, roi.height - 1 - y);
    const double ey = dy * dy / (static_cast<double>(b) * b);
    for (int x = 0; x < roi.width; ++x) {
      const double dx = a - std::min(x, roi.width - 1 - x);
      const double e = dx * dx / (static_cast<double>(a) * a) + ey;
      double w;
      if constexpr (K == Window::kBartlett) {
        w = e < 1.0 ? 1.0 - slope * std::sqrt(dx * dx + (dy * ratio) * (dy * ratio)) : 0.0;
      } else {
        w = 0.54 + 0.46 * std::cos(std::numbers::pi * std::min(std::sqrt(e), 1.0));
      }
      storeSample<T>(out + x, weighted(loadSample<T>(in + x), w));
    }
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_WINDOW(name, fn, K, t, T)                                                                     \
  RUXAPI RuxResult ruxi##name##_##t##_C1R(const T* pSrc, int srcStep, T* pDst, int dstStep,              \
                                          RuxImageSize roiSize) {                                         \
    return fn<K, T>(pSrc, srcStep, pDst, dstStep, roiSize);                                               \
  }                                                                                                       \
  RUXAPI RuxResult ruxi##name##_##t##_C1IR(T* pSrcDst, int srcDstStep, RuxImageSize roiSize) {           \
    return fn<K, T>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);                                   \
  }
#define RUX_WINDOW_TYPES(name, fn, K)        \
  RUX_WINDOW(name, fn, K, 8u, Rux8u)         \
  RUX_WINDOW(name, fn, K, 16u, Rux16u)       \
  RUX_WINDOW(name, fn, K, 32f, Rux32f)

RUX_WINDOW_TYPES(WinBartlett, radial, Window::kBartlett)
RUX_WINDOW_TYPES(WinHamming, radial, Window::kHamming)
RUX_WINDOW_TYPES(WinBartlettSep, separable, Window::kBartlett)
RUX_WINDOW_TYPES(WinHammingSep, separable, Window::kHamming)
