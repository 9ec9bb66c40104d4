// Scalar integer result rules shared by every family with a scale factor: the exact result v
// (computed in 64 bits) is delivered as saturate(round(v * 2^-s)), rounding to nearest with ties
// to even for s > 0 and shifting left for s < 0. Vector kernels implement the same rules and use
// these for their scalar tails, so both paths give the same bits.
#pragma once

#include <cstdint>
#include <limits>

namespace rux {

// Clamps v to the range of T.
template <class T>
constexpr T saturate(std::int64_t v) {
  constexpr std::int64_t lo = std::numeric_limits<T>::min();
  constexpr std::int64_t hi = std::numeric_limits<T>::max();
  return static_cast<T>(v < lo ? lo : (v > hi ? hi : v));
}

// round(v / 2^s) with ties to even, s >= 1, arithmetic shift: (v + 2^(s-1) - 1 + ((v >> s) & 1)) >> s.
// Valid for |v| < 2^62 and 1 <= s <= 62.
constexpr std::int64_t roundShiftEven(std::int64_t v, int s) {
  return (v + (std::int64_t{1} << (s - 1)) - 1 + ((v >> s) & 1)) >> s;
}

// v * 2^-s rounded to nearest even (s > 0), unchanged (s = 0), or shifted left (s < 0), then
// saturated to T. Out-of-range scale factors never shift by 64 or more: a large s gives 0 (or -0
// rounded), a large negative s gives the saturated sign of v.
template <class T>
constexpr T scaleSaturate(std::int64_t v, int s) {
  if (s > 0) {
    if (s > 62) return T(0);
    return saturate<T>(roundShiftEven(v, s));
  }
  if (s == 0 || v == 0) return saturate<T>(v);
  if (s < -62) return v > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  const int n = -s;
  // v << n saturates as soon as |v| >= 2^(63 - n); compare before shifting.
  const std::int64_t limit = std::int64_t{1} << (62 - n);
  if (v >= limit) return std::numeric_limits<T>::max();
  if (v <= -limit) return std::numeric_limits<T>::min();
  return saturate<T>(v * (std::int64_t{1} << n));
}

}  // namespace rux
