// Reference of the generators and noise, written from their definitions one sample at a time:
// the ramp float(i) * slope + offset in single precision, the ring pattern from sin(theta) in
// double precision, and the noise sequence drawn step by step (uniform, and normal noise by
// the polar method pair by pair with the system's log).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

// Truncation toward zero and saturation of a value to an integer type (floats pass through).
template <class T>
T toType(double v) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v);
  } else {
    if (std::isnan(v)) return T(0);
    const double t = std::trunc(v);
    if (t < static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (t > static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(t);
  }
}

// Expected region (row-major, width x channels); alpha of AC4 keeps the saved value.
template <class T, class F>
std::vector<T> perPixel(const ruxtest::GuardedImage<T>& img, bool ac4, F value) {
  std::vector<T> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      for (int k = 0; k < img.channels(); ++k)
        out.push_back(ac4 && k == 3 ? img.savedAt(x, y, k) : value(x, y));
  return out;
}

template <class T>
std::vector<T> ramp(const ruxtest::GuardedImage<T>& img, bool ac4, float offset, float slope,
                    int axis) {
  return perPixel(img, ac4, [&](int x, int y) {
    const long long i = axis == 0 ? x : (axis == 1 ? y : static_cast<long long>(x) * y);
    const float v = static_cast<float>(i) * slope + offset;
    return toType<T>(v);
  });
}

template <class T>
std::vector<T> jaehne(const ruxtest::GuardedImage<T>& img, bool ac4) {
  const double cx = (img.width() - 1) * 0.5, cy = (img.height() - 1) * 0.5;
  return perPixel(img, ac4, [&](int x, int y) {
    const double theta =
        6.283185307179586 * ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (4.0 * img.height());
    const double s = std::sin(theta);
    if constexpr (std::is_same_v<T, float>) return static_cast<float>(0.49999 * (s + 1));
    if constexpr (std::is_same_v<T, std::uint8_t>) return toType<T>(127.99999 * (s + 1));
    if constexpr (std::is_same_v<T, std::uint16_t>) return toType<T>(32767.99999 * (s + 1));
    if constexpr (std::is_same_v<T, std::int8_t>) return toType<T>(127.99999 * s);
    if constexpr (std::is_same_v<T, std::int16_t>) return toType<T>(32767.99999 * s);
    if constexpr (std::is_same_v<T, std::int32_t>) return toType<T>(2147483647.99999 * s);
  });
}

// The noise generator, one step at a time.
struct NoiseGen {
  std::uint32_t a, b, c, d, e;
  long long draws = 0;
  explicit NoiseGen(std::uint32_t seed) {
    a = seed;
    b = a * 69069u + 1013904243u;
    c = b * 69069u + 1013904243u;
    d = 0xffffffffu;
    e = 1131199209u;
  }
  std::int32_t next() {
    const std::uint32_t t = b - c + d;
    std::uint32_t r;
    if (static_cast<std::int32_t>(t) < 0) {
      d = 0xffffffffu;
      r = t - 18u;
    } else {
      d = 0;
      r = t;
    }
    c = b;
    b = a;
    a = r;
    e = e * 69069u + 1013904243u;
    ++draws;
    return static_cast<std::int32_t>(r + e);
  }
};

// Adds noise values in visiting order (alpha skipped for AC4); integer sums saturate.
// rounding: 0 truncates toward zero, 1 rounds to nearest with ties to even.
template <class T, class Next>
std::vector<T> addNoise(const ruxtest::GuardedImage<T>& img, bool ac4, int rounding, Next next) {
  std::vector<T> out;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      for (int k = 0; k < img.channels(); ++k) {
        const T s = img.savedAt(x, y, k);
        if (ac4 && k == 3) {
          out.push_back(s);
          continue;
        }
        const double z = next();
        if constexpr (std::is_floating_point_v<T>) {
          out.push_back(static_cast<T>(s + static_cast<float>(z)));
        } else {
          const double n = rounding == 0 ? std::trunc(z) : std::nearbyint(z);
          out.push_back(toType<T>(static_cast<double>(s) + n));
        }
      }
    }
  }
  return out;
}

template <class T>
std::vector<T> uniformNoise(const ruxtest::GuardedImage<T>& img, bool ac4, T low, T high,
                            std::uint32_t* seed) {
  NoiseGen gen(*seed);
  const bool single = img.channels() == 1 && img.width() == 1;
  auto out = addNoise(img, ac4, single ? 0 : 1, [&] {
    return gen.next() * ((double(high) - double(low)) * std::ldexp(1.0, -32)) +
           (double(low) + double(high)) * 0.5;
  });
  *seed = gen.a;
  return out;
}

template <class T>
std::vector<T> gaussNoise(const ruxtest::GuardedImage<T>& img, bool ac4, T mean, T sd,
                          std::uint32_t* seed, long long* draws = nullptr) {
  NoiseGen gen(*seed);
  bool pending = false;
  double second = 0;
  auto out = addNoise(img, ac4, 0, [&] {
    if (pending) {
      pending = false;
      return second;
    }
    double u1, u2, s;
    do {
      u1 = gen.next() * std::ldexp(1.0, -31);
      u2 = gen.next() * std::ldexp(1.0, -31);
      s = u1 * u1 + u2 * u2;
    } while (s >= 1 || s == 0);
    const double f = std::sqrt(-2 * std::log(s) / s);
    second = u2 * double(sd) * f + double(mean);
    pending = true;
    return u1 * double(sd) * f + double(mean);
  });
  *seed = gen.a;
  if (draws != nullptr) *draws = gen.draws;
  return out;
}

}  // namespace ruxref
