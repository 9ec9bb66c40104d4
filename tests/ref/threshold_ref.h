// Reference of the threshold and compare families, written from their definitions.
// Threshold: clamps (max(x, t), min(x, t)) where a NaN sample yields the threshold and a sample
// equal to the threshold yields the threshold; strict replacements that keep NaN.
// Compare: ordered relations (false with NaN), |a - b| <= eps for the tolerance forms.
// Otsu: the between-class variance of every level evaluated from scratch.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace ruxref {

template <class T>
bool isNan(T x) {
  if constexpr (std::is_floating_point_v<T>) {
    return std::isnan(x);
  } else {
    return false;
  }
}

// max(x, t): the larger value; NaN or a tie gives t.
template <class T>
T clampBelow(T x, T t) {
  if (isNan(x)) return t;
  return t < x ? x : t;
}

// min(x, t): the smaller value; NaN or a tie gives t.
template <class T>
T clampAbove(T x, T t) {
  if (isNan(x)) return t;
  return x < t ? x : t;
}

template <class T>
T replaceBelow(T x, T t, T v) {
  return x < t ? v : x;
}

template <class T>
T replaceAbove(T x, T t, T v) {
  return x > t ? v : x;
}

template <class T>
T replaceOutside(T x, T tLT, T vLT, T tGT, T vGT) {
  if (x < tLT) return vLT;
  if (x > tGT) return vGT;
  return x;
}

// Relation op (0 <, 1 <=, 2 ==, 3 >=, 4 >) of a to b.
template <class T>
bool relation(int op, T a, T b) {
  switch (op) {
    case 0: return a < b;
    case 1: return a <= b;
    case 2: return a == b;
    case 3: return a >= b;
    default: return a > b;
  }
}

inline bool withinEps(float a, float b, float eps) {
  const float d = a - b;
  if (std::isnan(d)) return false;
  return (d < 0 ? -d : d) <= eps;
}

// Otsu level of a histogram: every level k evaluated with sums over bins 0..k.
inline int otsu(const double (&h)[256]) {
  double n = 0;
  for (int k = 0; k < 256; ++k) n += h[k];
  const double invN = std::fabs(n) > 1.1920928955078125e-7 ? 1.0 / n : 0.0;
  double total = 0;
  for (int k = 0; k < 256; ++k) total += (k + 0.5) * h[k];
  const double muT = invN * total;
  int best = 0;
  double bestVar = 0;
  for (int k = 0; k < 256; ++k) {
    double w0 = 0, m0 = 0;
    for (int j = 0; j <= k; ++j) {
      w0 += h[j] * invN;
      m0 += h[j] * invN * (j + 0.5);
    }
    const double w1 = 1.0 - w0;
    if (std::fmin(w0, w1) < 1.1920928955078125e-7 || std::fmax(w0, w1) > 0.9999998807907104) continue;
    const double mu0 = m0 / w0;
    const double mu1 = (muT - w0 * mu0) / w1;
    const double var = w0 * w1 * ((mu0 - mu1) * (mu0 - mu1));
    if (var > bestVar) {
      bestVar = var;
      best = k;
    }
  }
  return best;
}

}  // namespace ruxref
