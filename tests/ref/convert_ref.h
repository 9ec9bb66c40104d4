// Reference of Convert and Scale, written from their formulas in wide types: long double holds
// every 32-bit integer and every float times any power of two exactly, so a value is rounded
// and saturated once, here, by the textbook rule.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "ruxi.h"

namespace ruxref {

// Rounds x to an integer: mode 0 toward zero, 1 nearest with ties to even, any other value
// nearest with ties away from zero.
inline long double roundBy(long double x, int mode) {
  long double t = std::trunc(x);
  const long double f = std::fabs(x - t);
  const long double away = x < 0 ? -1.0L : 1.0L;
  if (mode == 0) return t;
  if (f > 0.5L) return t + away;
  if (f == 0.5L && (mode != 1 || std::fmod(t, 2.0L) != 0)) return t + away;
  return t;
}

template <class D>
D saturate(long double x) {
  if (x <= static_cast<long double>(std::numeric_limits<D>::min())) return std::numeric_limits<D>::min();
  if (x >= static_cast<long double>(std::numeric_limits<D>::max())) return std::numeric_limits<D>::max();
  return static_cast<D>(x);
}

// Convert: integers and floats to an integer type as saturate(round(v * 2^-scale)), NaN -> 0;
// integers to float rounded to the nearest float (under the default rounding mode).
template <class S, class D>
D convert(S v, int mode, int scale) {
  if constexpr (std::is_floating_point_v<D>) {
    return static_cast<D>(static_cast<long double>(v));
  } else {
    if constexpr (std::is_floating_point_v<S>) {
      if (std::isnan(v)) return 0;
    }
    return saturate<D>(roundBy(std::ldexp(static_cast<long double>(v), -scale), mode));
  }
}

// ---- Scale ----
inline Rux16u scale8u16u(Rux8u v) { return static_cast<Rux16u>(v * 257); }
inline Rux16s scale8u16s(Rux8u v) { return static_cast<Rux16s>(v * 257 - 32768); }
inline Rux32s scale8u32s(Rux8u v) {
  return static_cast<Rux32s>(static_cast<long long>(v) * 16843009 - 2147483648LL);
}
inline Rux32f scale8u32f(Rux8u v, Rux32f lo, Rux32f hi) {
  const float k = (hi - lo) / 255.0f;
  return static_cast<float>(v) * k + lo;
}
// Accurate 16-bit: (v - min) * (255 / 65535) in single precision, rounded to nearest even.
template <class S>
Rux8u scale16To8uAccurate(S v) {
  const float u = static_cast<float>(static_cast<long long>(v) - std::numeric_limits<S>::min());
  return saturate<Rux8u>(roundBy(u * (255.0f / 65535.0f), 1));
}
// Fast 16-bit: ((v - (v >> 8)) >> 8) + 128 on the signed value (16u: v - 32768).
template <class S>
Rux8u scale16To8uFast(S v) {
  const long long s = static_cast<long long>(v) - (std::is_signed_v<S> ? 0 : 32768);
  return static_cast<Rux8u>(((s - (s >> 8)) >> 8) + 128);
}
inline Rux8u scale32sTo8uAccurate(Rux32s v) {
  const double c = 255.0 / 4294967295.0;
  return saturate<Rux8u>(roundBy(static_cast<double>(v) * c + 2147483648.0 * c, 1));
}
inline Rux8u scale32sTo8uFast(Rux32s v) {
  const std::int32_t w = static_cast<std::int32_t>(static_cast<std::uint32_t>(v) -
                                                   static_cast<std::uint32_t>(v >> 8));
  return static_cast<Rux8u>((w >> 24) + 128);
}
inline Rux8u scale32f8u(Rux32f v, Rux32f lo, Rux32f hi) {
  if (std::isnan(v)) return 0;
  const float k = 255.0f / (hi - lo);
  const float b = 0.0f - k * lo;
  const float c = std::fmin(std::fmax(v, lo), hi);
  return saturate<Rux8u>(roundBy(c * k + b, 1));
}

}  // namespace ruxref
