// Reference of alpha composition, written from the formulas: products x * a / M as exact floor
// divisions in 128-bit integers (long double for 32f, M = 1), sums clamped to the type's range,
// alphas below 0 taken as 0.
#pragma once

#include <algorithm>
#include <limits>
#include <type_traits>

#include "ruxi.h"

namespace ruxref {

template <class T>
struct AlphaNum {
  static constexpr bool kFloat = std::is_floating_point_v<T>;
  using V = std::conditional_t<kFloat, long double, __int128>;
  static V max() { return kFloat ? V(1) : V(std::numeric_limits<T>::max()); }
  static V alpha(T a) { return (!kFloat && a < 0) ? V(0) : V(a); }
  static V mul(V x, V a) {
    if constexpr (kFloat) {
      return x * a;
    } else {
      const V p = x * a, m = max();
      V q = p / m;
      if (q * m > p) --q;  // division truncates toward zero; step down to the floor
      return q;
    }
  }
  static V add(V x, V y) {
    if constexpr (kFloat) {
      return x + y;
    } else {
      return std::clamp<V>(x + y, V(std::numeric_limits<T>::min()), max());
    }
  }
};

// Operation k (0 over, 1 in, 2 out, 3 atop, 4 xor, 5 plus) on premultiplied ap, bp.
template <class T>
typename AlphaNum<T>::V composeRef(int k, typename AlphaNum<T>::V ap, typename AlphaNum<T>::V bp,
                                   typename AlphaNum<T>::V aa, typename AlphaNum<T>::V ba) {
  using N = AlphaNum<T>;
  const auto M = N::max();
  switch (k) {
    case 0: return N::add(ap, N::mul(bp, M - aa));
    case 1: return N::mul(ap, ba);
    case 2: return N::mul(ap, M - ba);
    case 3: return N::add(N::mul(ap, ba), N::mul(bp, M - aa));
    case 4: return N::add(N::mul(ap, M - ba), N::mul(bp, M - aa));
    default: return N::add(ap, bp);
  }
}

// One AC4 pixel with the pixels' own alphas, code 0..11.
template <class T>
void alphaCompPixel(int code, const T* a, const T* b, T* r) {
  using N = AlphaNum<T>;
  const bool pre = code >= 6;
  const auto aa = N::alpha(a[3]), ba = N::alpha(b[3]);
  for (int c = 0; c < 3; ++c) {
    const auto ap = pre ? typename N::V(a[c]) : N::mul(a[c], aa);
    const auto bp = pre ? typename N::V(b[c]) : N::mul(b[c], ba);
    r[c] = static_cast<T>(composeRef<T>(code % 6, ap, bp, aa, ba));
  }
  r[3] = static_cast<T>(composeRef<T>(code % 6, aa, ba, aa, ba));
}

// One alpha value composed with another (AC1).
template <class T>
T alphaCompAlpha(int code, T a, T b) {
  using N = AlphaNum<T>;
  return static_cast<T>(composeRef<T>(code % 6, N::alpha(a), N::alpha(b), N::alpha(a), N::alpha(b)));
}

// One colour sample with constant alphas.
template <class T>
T alphaCompConst(int code, T a, T alphaA, T b, T alphaB) {
  using N = AlphaNum<T>;
  const auto aa = N::alpha(alphaA), ba = N::alpha(alphaB);
  const bool pre = code >= 6;
  const auto ap = pre ? typename N::V(a) : N::mul(a, aa);
  const auto bp = pre ? typename N::V(b) : N::mul(b, ba);
  return static_cast<T>(composeRef<T>(code % 6, ap, bp, aa, ba));
}

template <class T>
T premulRef(T x, T alpha) {
  return static_cast<T>(AlphaNum<T>::mul(x, alpha));
}

}  // namespace ruxref
