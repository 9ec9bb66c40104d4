// Reference of the unary mathematics, written from the definitions in long double: the exact
// value f(x) * 2^-s rounded to nearest (ties to even, the default rounding mode of the tests) and
// saturated; a*b/255 and a*b/65535 as plain integer divisions.
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ref/logic_ref.h"

namespace ruxref {

template <class T>
T roundSaturate(long double v) {
  const long double r = std::nearbyintl(v);
  if (r <= std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
  if (r >= std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}

inline Rux16s abs16s(Rux16s x) { return x == -32768 ? Rux16s(32767) : Rux16s(x < 0 ? -x : x); }

template <class T>
T sqr(T x, int s) {
  return roundSaturate<T>(std::ldexp(static_cast<long double>(x) * x, -s));
}

template <class T>
T sqrtInt(T x, int s) {
  if (x < 0) return 0;
  return roundSaturate<T>(std::ldexp(std::sqrt(static_cast<long double>(x)), -s));
}

template <class T>
T lnInt(T x, int s) {
  if (x <= 0) return std::numeric_limits<T>::min();
  return roundSaturate<T>(std::ldexp(std::log(static_cast<long double>(x)), -s));
}

template <class T>
T expInt(T x, int s) {
  return roundSaturate<T>(std::ldexp(std::exp(static_cast<long double>(x)), -s));
}

inline Rux32s complement(Rux32s x) {
  if (x >= 0) return x;
  const std::uint32_t magnitude = static_cast<std::uint32_t>(-static_cast<std::int64_t>(x));
  return static_cast<Rux32s>(magnitude | 0x80000000u);
}

template <class T>
T mulScale(T a, T b) {
  const std::uint64_t m = std::numeric_limits<T>::max();
  return static_cast<T>(static_cast<std::uint64_t>(a) * b / m);
}

// The destination keeps its sample unless the source is strictly greater (smaller).
template <class T>
T maxEvery(T src, T dst) { return src > dst ? src : dst; }
template <class T>
T minEvery(T src, T dst) { return src < dst ? src : dst; }

// Distance in units in the last place between two finite floats of the same sign.
inline std::int64_t ulpDistance(float a, float b) {
  std::int32_t ia, ib;
  std::memcpy(&ia, &a, 4);
  std::memcpy(&ib, &b, 4);
  if (ia < 0) ia = std::numeric_limits<std::int32_t>::min() - ia;
  if (ib < 0) ib = std::numeric_limits<std::int32_t>::min() - ib;
  return ia > ib ? std::int64_t{ia} - ib : std::int64_t{ib} - ia;
}

}  // namespace ruxref
