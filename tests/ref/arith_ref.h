// Scalar references of the arithmetic family, written from the formulas: the exact result in a
// 128-bit integer (or a rational number), rounded once, saturated. Operand order: b op a.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "ruxtypes.h"

namespace ruxref {

using I128 = __int128;
enum { kAdd = 0, kSub = 1, kMul = 2, kDiv = 3 };

template <class T>
T clampTo(I128 v) {
  const I128 lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  return static_cast<T>(v < lo ? lo : (v > hi ? hi : v));
}

// Nearest integer to num / den (den > 0), ties to even, by floor division.
inline I128 roundEvenRational(I128 num, I128 den) {
  I128 q = num / den, r = num % den;
  if (r < 0) q -= 1, r += den;  // floor
  if (2 * r > den || (2 * r == den && (q % 2 != 0))) q += 1;
  return q;
}

// saturate(round_even(v / 2^s)) for any s and |v| <= 2^64: beyond |s| = 62 nothing changes
// (every result is 0, or every non-zero result saturates).
template <class T>
T scaled(I128 v, int s) {
  if (s >= 0) {
    if (s > 70) return T(0);
    return clampTo<T>(roundEvenRational(v, I128{1} << s));
  }
  const int n = s < -62 ? 62 : -s;
  return clampTo<T>(v * (I128{1} << n));
}

// saturate(round_even(num / (den * 2^s))), den != 0, |num|, |den| < 2^64.
template <class T>
T scaledQuotient(I128 num, I128 den, int s) {
  if (den < 0) num = -num, den = -den;
  if (s > 40) s = 40;  // |num / den| < 2^33: the quotient is already 0
  if (s >= 0) return clampTo<T>(roundEvenRational(num, den << s));
  if (num == 0) return T(0);
  const int n = s < -200 ? 200 : -s;
  // Where num * 2^n would not fit 128 bits, |num / den| * 2^n is far beyond 2^33: saturated.
  const long double q = static_cast<long double>(num) / static_cast<long double>(den);
  if (std::fabs(static_cast<double>(q)) * std::ldexp(1.0, n) > 8.0e9) return num > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  return clampTo<T>(roundEvenRational(num * (I128{1} << n), den));
}

template <class T>
I128 exact(int op, T b, T a) {
  const I128 x = b, y = a;
  return op == kAdd ? x + y : (op == kSub ? x - y : x * y);
}

// Integer division through a single-precision quotient, as the family defines it.
template <class T>
T divide(T b, T a, int s, int mode, bool& zero) {
  if (a == 0) {
    zero = true;
    if (b == 0) return T(0);
    return b > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  }
  const int e = std::abs(std::max(-40, std::min(40, s)));
  const float k = std::ldexp(1.0f, e);
  const float q = s >= 0 ? static_cast<float>(b) / (static_cast<float>(a) * k)
                         : (static_cast<float>(b) * k) / static_cast<float>(a);
  const double x = q;  // exact
  double r;
  if (mode == 0) {
    r = std::trunc(x);
  } else if (mode == 2) {
    r = std::floor(std::fabs(x) + 0.5);
    r = x < 0 ? -r : r;
  } else {
    const double f = std::floor(x), diff = x - f;
    r = diff > 0.5 ? f + 1 : (diff < 0.5 ? f : (std::fmod(f, 2.0) == 0 ? f : f + 1));
  }
  r = std::max(-1.0e6, std::min(1.0e6, r));
  return clampTo<T>(static_cast<I128>(r));
}

inline float floatDivide(float b, float a, bool& zero) {
  if (a == 0.0f) {
    zero = true;
    if (b > 0) return std::numeric_limits<float>::infinity();
    if (b < 0) return -std::numeric_limits<float>::infinity();
    const std::uint32_t bits = 0x7FC00000u;
    float nan;
    std::memcpy(&nan, &bits, 4);
    return nan;
  }
  return b / a;
}

// One sample of any real member: op with scale s (integers), or plain float arithmetic.
template <class T>
T sample(int op, T b, T a, int s, int mode, bool constant, bool& zero) {
  if constexpr (std::is_same_v<T, Rux32f>) {
    (void)s, (void)mode, (void)constant;
    return op == kAdd ? b + a : (op == kSub ? b - a : (op == kMul ? b * a : floatDivide(b, a, zero)));
  } else {
    if (op != kDiv) return scaled<T>(exact(op, b, a), s);
    if (constant) return scaledQuotient<T>(b, a, s);  // DivC rounds the exact quotient
    return divide(b, a, s, mode, zero);
  }
}

// Complex samples: integer forms exact (one rounding), 32fc evaluated in long double.
template <class C>
C complexSample(int op, C b, C a, int s, bool& zero) {
  using T = decltype(b.re);
  if constexpr (std::is_same_v<C, Rux32fc>) {
    (void)s;
    const long double x = b.re, y = b.im, c = a.re, d = a.im;
    long double re, im;
    if (op == kAdd) re = x + c, im = y + d;
    else if (op == kSub) re = x - c, im = y - d;
    else if (op == kMul) re = x * c - y * d, im = x * d + y * c;
    else {
      const long double den = c * c + d * d;
      if (den == 0) zero = true;
      re = (c * x + d * y) / den, im = (c * y - d * x) / den;
    }
    return {static_cast<float>(re), static_cast<float>(im)};
  } else {
    const I128 x = b.re, y = b.im, c = a.re, d = a.im;
    if (op == kAdd) return {scaled<T>(x + c, s), scaled<T>(y + d, s)};
    if (op == kSub) return {scaled<T>(x - c, s), scaled<T>(y - d, s)};
    if (op == kMul) return {scaled<T>(x * c - y * d, s), scaled<T>(x * d + y * c, s)};
    const I128 den = c * c + d * d;
    if (den == 0) {
      zero = true;
      return {T(0), T(0)};
    }
    return {scaledQuotient<T>(c * x + d * y, den, s), scaledQuotient<T>(c * y - d * x, den, s)};
  }
}

}  // namespace ruxref
