// Reference of the sum, extreme and count statistics, written from their definitions: per
// channel over the first `channels` channels of every pixel (AC4: three of four), in raster
// order. Integer sums are exact; float sums use long double. Extremes skip NaN and are NaN
// when a channel holds no number; positions are the first occurrence in raster order.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

template <class T>
std::vector<long double> sums(const ruxtest::GuardedImage<T>& img, int channels) {
  std::vector<long double> s(channels, 0.0L);
  for (int c = 0; c < channels; ++c) {
    if constexpr (std::is_floating_point_v<T>) {
      long double acc = 0;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) acc += img.at(x, y, c);
      s[c] = acc;
    } else {
      long long acc = 0;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) acc += img.at(x, y, c);
      s[c] = static_cast<long double>(acc);
    }
  }
  return s;
}

// Sum of |x| per channel: the scale of the rounding error of a float sum.
template <class T>
std::vector<long double> absSums(const ruxtest::GuardedImage<T>& img, int channels) {
  std::vector<long double> s(channels, 0.0L);
  for (int c = 0; c < channels; ++c)
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) s[c] += std::fabs(static_cast<long double>(img.at(x, y, c)));
  return s;
}

template <class T>
struct Extreme {
  T value;
  int x;
  int y;
};

// First occurrence in raster order of the minimum (kMax false) or maximum of channel c.
template <class T>
Extreme<T> extreme(const ruxtest::GuardedImage<T>& img, int c, bool kMax) {
  Extreme<T> e{std::numeric_limits<T>::quiet_NaN(), 0, 0};
  bool found = false;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const T v = img.at(x, y, c);
      if constexpr (std::is_floating_point_v<T>) {
        if (std::isnan(v)) continue;
      }
      if (!found || (kMax ? v > e.value : v < e.value)) {
        e = {v, x, y};
        found = true;
      }
    }
  }
  return e;
}

template <class T>
std::vector<int> countInRange(const ruxtest::GuardedImage<T>& img, int channels, const T* lo,
                              const T* hi) {
  std::vector<int> n(channels, 0);
  for (int c = 0; c < channels; ++c)
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const T v = img.at(x, y, c);
        if (lo[c] <= v && v <= hi[c]) ++n[c];
      }
  return n;
}

}  // namespace ruxref
