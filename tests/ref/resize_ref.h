// Scalar reference of the square-pixel resize, written per destination pixel from the formulas:
// coordinate map, written rectangle, small-source fallback, tap weights, the arithmetic of each
// type and path, super-sampling by area and the edge ring. Images are plain sample arrays.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

namespace ruxref {

template <class T>
struct Plane {
  std::vector<T> v;
  int w = 0, h = 0, c = 1;
  T& at(int x, int y, int k) { return v[(static_cast<std::size_t>(y) * w + x) * c + k]; }
  T at(int x, int y, int k) const { return v[(static_cast<std::size_t>(y) * w + x) * c + k]; }
};

struct ResizeArgs {
  int srcX, srcY, srcW, srcH;   // source region
  int dstX, dstY, dstW, dstH;   // destination region
  double sx, sy, shx, shy;
  int interpolation;
};

// The four cubic kernels as tabulated per mode (Lagrange, then B-spline, Catmull-Rom and B = 0.5,
// C = 0.3 of the Mitchell-Netravali family).
inline double refCubic(int mode, double x) {
  const double x2 = x * x, x3 = x2 * x;
  if (x >= 2) return 0;
  const bool near = x < 1;
  switch (mode) {
    case 4: return near ? 0.5 * (x2 - 1) * (x - 2) : -(x - 1) * (x - 2) * (x - 3) / 6;  // Lagrange, product form
    case 5: return near ? 0.5 * x3 - x2 + 2.0 / 3 : -x3 / 6 + x2 - 2 * x + 4.0 / 3;
    case 6: return near ? 1.5 * x3 - 2.5 * x2 + 1 : -0.5 * x3 + 2.5 * x2 - 4 * x + 2;
    default: return near ? 0.95 * x3 - 1.7 * x2 + 5.0 / 6 : -(2.3 / 6) * x3 + 2 * x2 - 3.4 * x + 11.2 / 6;
  }
}

inline double refLanczos(double x) {
  static const std::vector<float> table = [] {
    std::vector<float> t(304, 0.0f);
    t[0] = 1.0f;
    for (int i = 1; i < 300; ++i) {
      const double px = M_PI * i / 100.0;
      t[i] = i % 100 == 0 ? 0.0f : static_cast<float>(3 * std::sin(px) * std::sin(px / 3) / (px * px));
    }
    return t;
  }();
  const double s = std::min(x, 3.0) * 100;
  const int j = static_cast<int>(s);
  return table[j] + (s - j) * (static_cast<double>(table[j + 1]) - table[j]);
}

// Taps of one destination index: first position and weights in the work type.
template <class A>
struct Taps {
  int first = 0;
  std::vector<A> w;
  bool border = false;  // a tap leaves [0, size)
};

template <class A>
Taps<A> refTaps(int mode, bool aa, double u, double inv, int size) {
  Taps<A> t;
  const int R = mode == 2 ? 1 : mode == 16 ? 3 : 2;
  const auto kernel = [&](double x) {
    if (mode == 2) return x < 1 ? 1 - x : 0.0;
    return mode == 16 ? refLanczos(x) : refCubic(mode, x);
  };
  if (!aa) {
    const int i = static_cast<int>(std::floor(u)), lead = mode == 2 ? 0 : mode == 16 ? 2 : 1;
    const double f = u - i;
    t.first = i - lead;
    if (mode == 2) {
      const A w1 = static_cast<A>(f);
      t.w = {A(1) - w1, w1};
    } else if (mode == 16) {
      double v[6], sum = 0;
      for (int k = 0; k < 6; ++k) sum += v[k] = kernel(std::fabs(k - 2 - f));
      for (int k = 0; k < 6; ++k) t.w.push_back(static_cast<A>(v[k] / sum));
    } else {
      for (int k = 0; k < 4; ++k) t.w.push_back(static_cast<A>(kernel(std::fabs(k - 1 - f))));
    }
  } else {
    const double s = std::max(1.0, inv), support = R * s;
    const int lo = static_cast<int>(std::ceil(u - support)), hi = static_cast<int>(std::floor(u + support));
    const int taps = static_cast<int>(std::floor(2 * support)) + 1;
    double sum = 0;
    for (int j = lo; j <= hi; ++j) sum += kernel(std::fabs(u - j) / s);
    t.first = lo;
    for (int k = 0; k < taps; ++k)
      t.w.push_back(lo + k <= hi ? static_cast<A>(kernel(std::fabs(u - (lo + k)) / s) / sum) : A(0));
  }
  t.border = t.first < 0 || t.first + static_cast<int>(t.w.size()) > size;
  return t;
}

template <class T>
T refSaturate(double r) {
  const double lo = static_cast<double>(std::numeric_limits<T>::lowest()), hi = static_cast<double>(std::numeric_limits<T>::max());
  return static_cast<T>(std::min(std::max(r, lo), hi));
}

template <class T>
T refNearestEven(double v) {
  if constexpr (std::is_floating_point_v<T>) return static_cast<T>(v);
  else return refSaturate<T>(std::nearbyint(v));  // the test runs in the default rounding mode
}

// 8u linear in Q14: two passes inside the image, one pass with 14 fraction bits in rows whose
// vertical taps leave it.
template <class T>
int refLinearQ14(const Plane<T>& src, double u, double v, int k) {
  const auto q = [](double w) {
    const int i = static_cast<int>(std::floor(w));
    return std::pair<int, int>(i, static_cast<int>(std::trunc((w - i) * 16384 + 1e-7)));
  };
  const auto [fx, wx] = q(u);
  const auto [fy, wy] = q(v);
  const auto cx = [&](int p) { return std::clamp(p, 0, src.w - 1); };
  const auto h = [&](int r, int add, int shift) {
    return ((16384 - wx) * static_cast<int>(src.at(cx(fx), r, k)) + wx * static_cast<int>(src.at(cx(fx + 1), r, k)) + add) >> shift;
  };
  if (fy < 0 || fy + 1 > src.h - 1) return h(std::clamp(fy, 0, src.h - 1), 8192, 14);
  return (h(fy, 128, 8) * (16384 - wy) + h(fy + 1, 128, 8) * wy + 0x80000) >> 20;
}

// Resizes src (the whole image) into dst (the whole destination image, prefilled); K channels of
// each C-channel pixel are written. Returns the written rectangle {x0, y0, x1, y1}, empty if none.
template <class T>
std::vector<int> refResize(const Plane<T>& src, Plane<T>& dst, const ResizeArgs& a, int K) {
  using A = std::conditional_t<std::is_same_v<T, double>, double, float>;
  const int mode = a.interpolation & 0x1FFFFFFF;
  const std::uint32_t flag = static_cast<std::uint32_t>(a.interpolation) & 0xE0000000u;
  const bool edge = flag == 0x40000000u || flag == 0x80000000u;
  const bool aa = flag == 0x20000000u && mode != 1 && mode != 8;
  const int effW = std::min(src.w - a.srcX, a.srcW), effH = std::min(src.h - a.srcY, a.srcH);
  const double X0 = std::max(a.srcX * a.sx + a.shx, 1.0 * a.dstX), X1 = std::min((a.srcX + effW) * a.sx + a.shx, 1.0 * a.dstX + a.dstW);
  const double Y0 = std::max(a.srcY * a.sy + a.shy, 1.0 * a.dstY), Y1 = std::min((a.srcY + effH) * a.sy + a.shy, 1.0 * a.dstY + a.dstH);
  int x0, x1, y0, y1;
  if (edge) {
    x0 = static_cast<int>(std::ceil(X0 - 1e-10)), x1 = static_cast<int>(std::floor(X1 + 1e-10));
    y0 = static_cast<int>(std::ceil(Y0 - 1e-10)), y1 = static_cast<int>(std::floor(Y1 + 1e-10));
  } else {
    x0 = static_cast<int>(std::trunc(X0 + 0.4999999999)), x1 = static_cast<int>(std::trunc(X1 + 0.5000000001));
    y0 = static_cast<int>(std::trunc(Y0 + 0.4999999999)), y1 = static_cast<int>(std::trunc(Y1 + 0.5000000001));
  }
  if (x0 >= x1 || y0 >= y1) return {};
  int m = mode;
  if (std::min(src.w, src.h) < 4 && (m == 16 || (m >= 4 && m <= 7))) m = 2;
  else if (std::min(src.w, src.h) < 6 && m == 16) m = 4;
  const double ix = 1 / a.sx, iy = 1 / a.sy, ox = -a.shx / a.sx, oy = -a.shy / a.sy;
  const auto cx = [&](int p) { return std::clamp(p, 0, src.w - 1); };
  const auto cy = [&](int p) { return std::clamp(p, 0, src.h - 1); };
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const double u = (x + 0.5) * ix + (ox - 0.5), v = (y + 0.5) * iy + (oy - 0.5);
      for (int k = 0; k < K; ++k) {
        T out;
        if (m == 1) {
          const int c = cx(static_cast<int>(std::max(-0.5, (x + 0.5) * ix + ox - 1e-10)));
          const int r = cy(static_cast<int>(std::max(-0.5, (y + 0.5) * iy + oy - 1e-10)));
          out = src.at(c, r, k);
        } else if (m == 8) {
          // Area of the destination pixel's interval inside the image.
          const double ax = std::clamp(x * ix + ox, 0.0, 1.0 * src.w), bx = std::clamp((x + 1) * ix + ox, 0.0, 1.0 * src.w);
          const double ay = std::clamp(y * iy + oy, 0.0, 1.0 * src.h), by = std::clamp((y + 1) * iy + oy, 0.0, 1.0 * src.h);
          double sum = 0;
          for (int r = static_cast<int>(std::floor(ay)); r < std::ceil(by); ++r)
            for (int c = static_cast<int>(std::floor(ax)); c < std::ceil(bx); ++c)
              sum += (std::min(bx, c + 1.0) - std::max(ax, 1.0 * c)) * (std::min(by, r + 1.0) - std::max(ay, 1.0 * r)) *
                     static_cast<double>(src.at(c, r, k));
          const double val = sum / ((bx - ax) * (by - ay));
          if constexpr (std::is_same_v<T, std::uint8_t>) out = static_cast<T>(std::min(255.0, std::trunc(val + 0.5)));
          else out = refNearestEven<T>(val);
        } else if (m == 2 && !aa && std::is_same_v<T, std::uint8_t>) {
          out = static_cast<T>(refLinearQ14(src, u, v, k));
        } else {
          const Taps<A> tx = refTaps<A>(m, aa, u, ix, src.w), ty = refTaps<A>(m, aa, v, iy, src.h);
          A acc = 0;
          for (std::size_t j = 0; j < ty.w.size(); ++j) {
            const int r = cy(ty.first + static_cast<int>(j));
            A hsum = tx.w[0] * static_cast<A>(src.at(cx(tx.first), r, k));
            for (std::size_t i = 1; i < tx.w.size(); ++i)
              hsum = hsum + tx.w[i] * static_cast<A>(src.at(cx(tx.first + static_cast<int>(i)), r, k));
            acc = j == 0 ? ty.w[0] * hsum : acc + ty.w[j] * hsum;
          }
          const bool halfUp = (std::is_same_v<T, std::uint8_t> && (tx.border || ty.border)) ||
                              (std::is_same_v<T, std::uint16_t> && m == 2);
          if constexpr (std::is_floating_point_v<T>) out = static_cast<T>(acc);
          else out = halfUp ? refSaturate<T>(std::trunc(acc + 0.5000001f)) : refNearestEven<T>(acc);
        }
        dst.at(x, y, k) = out;
      }
    }
  }
  if (edge) {
    const auto cov = [](double c) { return c < 1e-10 || c > 1 - 1e-10 ? 0.0 : c; };
    const double top = cov(1 - (Y0 - std::floor(Y0))), bottom = cov(Y1 - std::floor(Y1));
    const double left = cov(1 - (X0 - std::floor(X0))), right = cov(X1 - std::floor(X1));
    const auto put = [&](int x, int y, int ex, int ey, double c) {
      if (c == 0) return;
      for (int k = 0; k < K; ++k) {
        const double d = dst.at(x, y, k), e = dst.at(ex, ey, k);
        dst.at(x, y, k) = refNearestEven<T>(flag == 0x80000000u ? d + (e - d) * c : e * c);
      }
    };
    for (int x = x0; x < x1; ++x) put(x, y0 - 1, x, y0, top), put(x, y1, x, y1 - 1, bottom);
    for (int y = y0; y < y1; ++y) put(x0 - 1, y, x0, y, left), put(x1, y, x1 - 1, y, right);
    put(x0 - 1, y0 - 1, x0, y0, left * top), put(x1, y0 - 1, x1 - 1, y0, right * top);
    put(x0 - 1, y1, x0, y1 - 1, left * bottom), put(x1, y1, x1 - 1, y1 - 1, right * bottom);
  }
  return {x0, y0, x1, y1};
}

}  // namespace ruxref
