// References of the histogram, look-up and palette families, written from their definitions:
// bins [l_k, l_(k+1)) counted independently; evenly spaced integer levels; piecewise constant,
// linear and cubic maps over (level, value) pairs; palettes indexed by the low bits.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

// count[k] = samples x with l[k] <= x < l[k+1].
template <class S, class L>
std::vector<Rux32s> histogram(const std::vector<S>& samples, const std::vector<L>& l) {
  std::vector<Rux32s> count(l.size() - 1, 0);
  for (S x : samples) {
    for (std::size_t k = 0; k + 1 < l.size(); ++k) {
      if (static_cast<double>(l[k]) <= static_cast<double>(x) &&
          static_cast<double>(x) < static_cast<double>(l[k + 1])) {
        ++count[k];
      }
    }
  }
  return count;
}

// Channel c of a guarded image as a list of samples.
template <class T>
std::vector<T> channel(const ruxtest::GuardedImage<T>& img, int c) {
  std::vector<T> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) out.push_back(img.at(x, y, c));
  return out;
}

// nLevels levels from lower to upper: n = nLevels - 1 steps of the truncated quotient D / n,
// the first |D - n (D / n)| steps one further in the direction of D.
inline std::vector<Rux32s> evenLevels(Rux32s lower, Rux32s upper, int nLevels) {
  const long long n = nLevels - 1, span = static_cast<long long>(upper) - lower;
  const long long q = span / n, rem = span % n;  // both truncate toward zero
  std::vector<Rux32s> l;
  for (long long i = 0; i <= n; ++i) {
    const long long extra = std::min<long long>(i, rem < 0 ? -rem : rem) * (rem < 0 ? -1 : 1);
    l.push_back(static_cast<Rux32s>(lower + i * q + extra));
  }
  return l;
}

template <class T>
T saturateTo(long double v) {
  if (v <= static_cast<long double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (v >= static_cast<long double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(static_cast<long long>(v));  // truncation toward zero
}

// The interval that decides: integers take the last one containing x, 32f the first; -1: none.
template <class L>
int deciding(const std::vector<L>& l, double x, bool last) {
  int found = -1;
  for (int k = 0; k + 1 < static_cast<int>(l.size()); ++k) {
    if (static_cast<double>(l[k]) <= x && x < static_cast<double>(l[k + 1])) {
      found = k;
      if (!last) break;
    }
  }
  return found;
}

// Piecewise constant map of one sample.
template <class T, class L>
T lutConst(T x, const std::vector<L>& v, const std::vector<L>& l) {
  const int k = deciding(l, static_cast<double>(x), std::is_integral_v<T>);
  if (k < 0) return x;
  if constexpr (std::is_integral_v<T>) return saturateTo<T>(v[k]);
  return v[k];
}

// Piecewise linear map of one integer sample: trunc(x s + (v_k + 0.5 - l_k s)), saturated; a
// one-level interval gives v_k.
template <class T>
T lutLinear(T x, const std::vector<Rux32s>& v, const std::vector<Rux32s>& l) {
  const int k = deciding(l, x, true);
  if (k < 0) return x;
  if (static_cast<long long>(l[k + 1]) - l[k] == 1) return saturateTo<T>(v[k]);
  const double s = (static_cast<double>(v[k + 1]) - v[k]) / (static_cast<double>(l[k + 1]) - l[k]);
  return saturateTo<T>(static_cast<double>(x) * s + (v[k] + 0.5 - l[k] * s));
}

// 32f: slope formed in single precision, the rest in double.
inline Rux32f lutLinear32f(Rux32f x, const std::vector<Rux32f>& v, const std::vector<Rux32f>& l) {
  const int k = deciding(l, x, false);
  if (k < 0) return x;
  const float slope = (v[k + 1] - v[k]) / (l[k + 1] - l[k]);
  return static_cast<Rux32f>((static_cast<double>(x) - l[k]) * static_cast<double>(slope) + v[k]);
}

// The cubic through the points j..j+3, j = clamp(k - 1, 0, n - 4), at x (Lagrange form, long
// double); fewer than four levels: the line of the interval, exact.
template <class L>
long double cubicAt(double x, const std::vector<L>& v, const std::vector<L>& l, int k) {
  const int n = static_cast<int>(l.size());
  if (n < 4) {
    return v[k] + (static_cast<long double>(x) - l[k]) * ((static_cast<long double>(v[k + 1]) - v[k]) /
                                                          (static_cast<long double>(l[k + 1]) - l[k]));
  }
  const int j = std::clamp(k - 1, 0, n - 4);
  long double sum = 0;
  for (int a = j; a < j + 4; ++a) {
    long double term = v[a];
    for (int b = j; b < j + 4; ++b) {
      if (b != a) term *= (static_cast<long double>(x) - l[b]) / (static_cast<long double>(l[a]) - l[b]);
    }
    sum += term;
  }
  return sum;
}

// Palette: the low nBitSize bits index the table.
template <class S, class D>
D palette(S x, const D* table, int nBitSize) {
  return table[x & ((1u << nBitSize) - 1u)];
}

}  // namespace ruxref
