// Reference of the image moments, written from the definitions: every value is a direct sum over
// the pixels of one channel, with x, y counted from the region's top-left pixel. Integer sources
// are summed exactly in 128 bits; everything else in long double.
#pragma once

#include <cmath>
#include <type_traits>

#include "toolkit/toolkit.h"

namespace ruxref {

using u128 = unsigned __int128;

inline long double ipow(long double a, int k) {
  long double r = 1.0L;
  for (int i = 0; i < k; ++i) r *= a;
  return r;
}

// M(m, n) = sum x^m y^n I, exact (integer samples; the test images keep it below 2^128).
template <class T>
u128 exactRaw(const ruxtest::GuardedImage<T>& img, int ch, int m, int n) {
  u128 sum = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      u128 t = img.at(x, y, ch);
      for (int k = 0; k < m; ++k) t *= static_cast<unsigned>(x);
      for (int k = 0; k < n; ++k) t *= static_cast<unsigned>(y);
      sum += t;
    }
  }
  return sum;
}

// sum f(x, y) * I over the region in long double, and the same sum of |f * I| (error scale).
template <class T, class F>
long double pixelSum(const ruxtest::GuardedImage<T>& img, int ch, F f, long double* absSum = nullptr) {
  long double sum = 0.0L, abs = 0.0L;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const long double t = f(static_cast<long double>(x), static_cast<long double>(y)) *
                            static_cast<long double>(img.at(x, y, ch));
      sum += t;
      abs += std::fabs(t);
    }
  }
  if (absSum != nullptr) *absSum = abs;
  return sum;
}

// sum (x + x0)^m (y + y0)^n I
template <class T>
long double spatial(const ruxtest::GuardedImage<T>& img, int ch, int m, int n, long double x0,
                    long double y0, long double* scale = nullptr) {
  return pixelSum(img, ch, [&](long double x, long double y) { return ipow(x + x0, m) * ipow(y + y0, n); }, scale);
}

// sum (x - xbar)^m (y - ybar)^n I with the centroid xbar = M10 / M00, ybar = M01 / M00.
template <class T>
long double central(const ruxtest::GuardedImage<T>& img, int ch, int m, int n, long double* scale = nullptr) {
  const long double m00 = spatial(img, ch, 0, 0, 0, 0);
  const long double xbar = spatial(img, ch, 1, 0, 0, 0) / m00;
  const long double ybar = spatial(img, ch, 0, 1, 0, 0) / m00;
  return pixelSum(img, ch, [&](long double x, long double y) { return ipow(x - xbar, m) * ipow(y - ybar, n); }, scale);
}

// value / M00^((m + n + 2) / 2)
inline long double normalised(long double value, long double m00, int m, int n) {
  return value / std::pow(m00, (m + n + 2) / 2.0L);
}

// Hu's invariants phi1..phi7 as printed in the textbooks, from eta(p, q).
template <class T>
void hu(const ruxtest::GuardedImage<T>& img, int ch, long double* phi) {
  const long double m00 = spatial(img, ch, 0, 0, 0, 0);
  auto eta = [&](int p, int q) { return normalised(central(img, ch, p, q), m00, p, q); };
  const long double e20 = eta(2, 0), e02 = eta(0, 2), e11 = eta(1, 1);
  const long double e30 = eta(3, 0), e03 = eta(0, 3), e21 = eta(2, 1), e12 = eta(1, 2);
  phi[0] = e20 + e02;
  phi[1] = (e20 - e02) * (e20 - e02) + 4 * e11 * e11;
  phi[2] = (e30 - 3 * e12) * (e30 - 3 * e12) + (3 * e21 - e03) * (3 * e21 - e03);
  phi[3] = (e30 + e12) * (e30 + e12) + (e21 + e03) * (e21 + e03);
  phi[4] = (e30 - 3 * e12) * (e30 + e12) * ((e30 + e12) * (e30 + e12) - 3 * (e21 + e03) * (e21 + e03)) +
           (3 * e21 - e03) * (e21 + e03) * (3 * (e30 + e12) * (e30 + e12) - (e21 + e03) * (e21 + e03));
  phi[5] = (e20 - e02) * ((e30 + e12) * (e30 + e12) - (e21 + e03) * (e21 + e03)) +
           4 * e11 * (e30 + e12) * (e21 + e03);
  phi[6] = (3 * e21 - e03) * (e30 + e12) * ((e30 + e12) * (e30 + e12) - 3 * (e21 + e03) * (e21 + e03)) -
           (e30 - 3 * e12) * (e21 + e03) * (3 * (e30 + e12) * (e30 + e12) - (e21 + e03) * (e21 + e03));
}

}  // namespace ruxref
