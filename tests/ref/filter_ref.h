// References of the neighbourhood filters, written from their formulas: window sums exactly in
// 64-bit integers (long double for floats), each division rule of the box filter and of the
// fixed kernels as stated, general convolution with every divisor and rounding rule, and the
// single- and double-precision accumulations in their stated order (kernel row by row).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <type_traits>
#include <vector>

#include "ref/convert_ref.h"  // roundBy, saturate
#include "toolkit/toolkit.h"

namespace ruxref {

// Read-only samples around a region origin; x and y may address the border (negative offsets).
template <class T>
struct View {
  const std::uint8_t* origin;
  std::ptrdiff_t step;
  int channels;
  T at(int x, int y, int c) const {
    T v;
    std::memcpy(&v, origin + y * step + (static_cast<std::ptrdiff_t>(x) * channels + c) * sizeof(T), sizeof(T));
    return v;
  }
};
template <class T>
View<T> viewOf(const T* origin, int step, int channels) {
  return {reinterpret_cast<const std::uint8_t*>(origin), step, channels};
}

// A guarded image holding a region and its border; data() is the first pixel of the region.
template <class T>
struct BorderedImage {
  ruxtest::Border b;
  ruxtest::GuardedImage<T> img;
  BorderedImage(int w, int h, int channels, ruxtest::Border border, std::uint32_t seed, int pad = 0)
      : b(border), img(w + border.left + border.right, h + border.top + border.bottom, channels, seed, pad) {}
  T* data() { return img.row(b.top) + b.left * img.channels(); }
  const T* data() const { return img.row(b.top) + b.left * img.channels(); }
  int step() const { return img.step(); }
  View<T> view() const { return viewOf(img.row(b.top) + b.left * img.channels(), img.step(), img.channels()); }
};

// An expected sample and the difference allowed (0: bit for bit).
struct Expect {
  long double value;
  long double tol = 0;
};

// Compares the first `compared` channels of every pixel of the region with want(x, y, c).
template <class D, class Want>
::testing::AssertionResult regionMatches(const D* origin, int step, RuxImageSize roi, int channels,
                                         int compared, Want want) {
  const View<D> got = viewOf(origin, step, channels);
  for (int y = 0; y < roi.height; ++y)
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < compared; ++c) {
        const Expect e = want(x, y, c);
        const D g = got.at(x, y, c);
        const bool ok = std::is_floating_point_v<D>
                            ? (e.tol == 0 ? g == static_cast<D>(e.value) : std::fabs(g - e.value) <= e.tol)
                            : static_cast<long double>(g) == e.value;
        if (!ok) {
          return ::testing::AssertionFailure() << std::setprecision(10) << "pixel (" << x << ", " << y << ") channel " << c << ": got "
                                               << +g << ", expected " << static_cast<double>(e.value);
        }
      }
  return ::testing::AssertionSuccess();
}

// Sum (and sum of magnitudes) over the w x h window whose top-left is (x0, y0).
template <class T>
struct WindowSum {
  long long exact = 0;           // integer samples
  long double real = 0, abs = 0;  // float samples
};
template <class T>
WindowSum<T> windowSum(const View<T>& v, int x0, int y0, int w, int h, int c) {
  WindowSum<T> s;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const T x = v.at(x0 + i, y0 + j, c);
      if constexpr (std::is_floating_point_v<T>) {
        s.real += x, s.abs += std::fabs(static_cast<long double>(x));
      } else {
        s.exact += x;
      }
    }
  return s;
}

// ---- Box filter ------------------------------------------------------------------------------

// Division rules of the 8u box filter. ring: an in-place call with mask.height < roi.height.
enum class Box8u { kGeneral, kFloat, kFloor9, kRound25, kSat25, kRound49 };

inline Box8u box8uRule(int mw, int mh, int channels, bool ac4, bool ring) {
  if (mw * mh > 8100) return Box8u::kFloat;
  const bool c1 = channels == 1, c3 = channels == 3;
  if (mw == 3 && mh == 3 && (ring ? c1 : (c1 || c3 || ac4))) return Box8u::kFloor9;
  if (mw == 5 && mh == 5 && ring && c1) return Box8u::kSat25;
  if (mw == 5 && mh == 5 && !ring && (c1 || c3)) return Box8u::kRound25;
  if (mw == 7 && mh == 7 && !ring && c1) return Box8u::kRound49;
  return Box8u::kGeneral;
}

// Fixed-point reciprocal of the area: M and s with S * M >> s close to S / A.
inline std::uint32_t boxMultiplier(int area, int* shift) {
  const float r = 1.0f / static_cast<float>(area);
  if (r == 1.0f) return *shift = 12, 4096u;
  std::uint32_t v = static_cast<std::uint32_t>(static_cast<double>(r) * 4294967295.0);
  int k = 0;
  while ((v & 0x80000000u) == 0) v <<= 1, ++k;
  *shift = k + 12;
  return (v >> 20) + 1;
}

inline Rux8u box8u(long long S, int area, Box8u rule) {
  const std::uint64_t s = static_cast<std::uint64_t>(S);
  switch (rule) {
    case Box8u::kFloat: {
      const float r = 1.0f / static_cast<float>(area);
      const float q = static_cast<float>(S) * r;
      return static_cast<Rux8u>(static_cast<int>(q + 9.0e-6f));
    }
    case Box8u::kFloor9: return static_cast<Rux8u>((s * 29128) >> 18);
    case Box8u::kRound25: return static_cast<Rux8u>((s * 20971 + (1u << 18)) >> 19);
    case Box8u::kSat25: return static_cast<Rux8u>(std::min<std::uint64_t>(255, (s * 2622) >> 16));
    case Box8u::kRound49: return static_cast<Rux8u>((s * 5350 + (1u << 17)) >> 18);
    default: {
      int sh = 0;
      const std::uint32_t m = boxMultiplier(area, &sh);
      return static_cast<Rux8u>((static_cast<std::uint32_t>(s) * m + (1u << (sh - 1))) >> sh);
    }
  }
}

inline Rux16u box16u(long long S, int area) {
  const float q = static_cast<float>(static_cast<std::uint32_t>(S)) * (1.0f / static_cast<float>(area));
  return saturate<Rux16u>(roundBy(q, 1));
}

// trunc49: the 7x7 single-channel rule, truncating without the bias.
inline Rux16s box16s(long long S, int area, bool trunc49) {
  if (trunc49) return saturate<Rux16s>(std::trunc(static_cast<float>(S) * (1.0f / 49.0f)));
  const std::uint32_t biased = static_cast<std::uint32_t>(S + 32768LL * area);
  const float q = static_cast<float>(biased) * (1.0f / static_cast<float>(area));
  return saturate<Rux16s>(roundBy(q, 1) - 32768.0L);
}

// ---- Fixed kernels ---------------------------------------------------------------------------

enum class Fixed {
  kPrewittH, kPrewittV, kSobelH, kSobelV, kSobelH2, kSobelV2, kSobelCross, kScharrH, kScharrV,
  kLaplace, kHipass, kSharpen, kGauss, kLowpass, kRobertsDown, kRobertsUp
};

// W[dy + r][dx + r] for dy, dx in -r..r (r = n / 2): dst = sum W src(x + dx, y + dy) / divisor.
struct Weights {
  int n = 3, divisor = 1;
  int w[5][5] = {};
};

inline Weights fixedWeights(Fixed f, int n) {
  Weights k;
  k.n = n;
  const auto fill3 = [&](std::initializer_list<int> v) {
    int i = 0;
    for (int x : v) k.w[i / 3][i % 3] = x, ++i;
  };
  const auto outer = [&](const int (&c)[5], const int (&r)[5]) {
    for (int j = 0; j < 5; ++j)
      for (int i = 0; i < 5; ++i) k.w[j][i] = c[j] * r[i];
  };
  const auto rows = [&](const int (&r1)[5], const int (&r2)[5], const int (&r3)[5]) {
    for (int i = 0; i < 5; ++i) {
      k.w[0][i] = k.w[4][i] = r1[i];
      k.w[1][i] = k.w[3][i] = r2[i];
      k.w[2][i] = r3[i];
    }
  };
  static const int sm[5] = {1, 4, 6, 4, 1}, d1[5] = {-1, -2, 0, 2, 1}, d1r[5] = {1, 2, 0, -2, -1},
                   d2[5] = {1, 0, -2, 0, 1};
  if (n == 5) {
    switch (f) {
      case Fixed::kSobelH: outer(d1, sm); break;
      case Fixed::kSobelV: outer(sm, d1r); break;
      case Fixed::kSobelH2: outer(d2, sm); break;
      case Fixed::kSobelV2: outer(sm, d2); break;
      case Fixed::kSobelCross: outer(d1, d1r); break;
      case Fixed::kLaplace: rows({-1, -3, -4, -3, -1}, {-3, 0, 6, 0, -3}, {-4, 6, 20, 6, -4}); break;
      case Fixed::kGauss:
        rows({2, 7, 12, 7, 2}, {7, 31, 52, 31, 7}, {12, 52, 127, 52, 12});
        k.divisor = 571;
        break;
      case Fixed::kLowpass:
        for (auto& r : k.w)
          for (int& x : r) x = 1;
        k.divisor = 25;
        break;
      default:  // high-pass
        for (auto& r : k.w)
          for (int& x : r) x = -1;
        k.w[2][2] = 24;
    }
    return k;
  }
  switch (f) {
    case Fixed::kPrewittH: fill3({-1, -1, -1, 0, 0, 0, 1, 1, 1}); break;
    case Fixed::kPrewittV: fill3({1, 0, -1, 1, 0, -1, 1, 0, -1}); break;
    case Fixed::kSobelH: fill3({-1, -2, -1, 0, 0, 0, 1, 2, 1}); break;
    case Fixed::kSobelV: fill3({1, 0, -1, 2, 0, -2, 1, 0, -1}); break;
    case Fixed::kSobelH2: fill3({1, 2, 1, -2, -4, -2, 1, 2, 1}); break;
    case Fixed::kSobelV2: fill3({1, -2, 1, 2, -4, 2, 1, -2, 1}); break;
    case Fixed::kSobelCross: fill3({-1, 0, 1, 0, 0, 0, 1, 0, -1}); break;
    case Fixed::kScharrH: fill3({-3, -10, -3, 0, 0, 0, 3, 10, 3}); break;
    case Fixed::kScharrV: fill3({-3, 0, 3, -10, 0, 10, -3, 0, 3}); break;
    case Fixed::kLaplace:
    case Fixed::kHipass: fill3({-1, -1, -1, -1, 8, -1, -1, -1, -1}); break;
    case Fixed::kSharpen: fill3({-1, -1, -1, -1, 16, -1, -1, -1, -1}), k.divisor = 8; break;
    case Fixed::kGauss: fill3({1, 2, 1, 2, 4, 2, 1, 2, 1}), k.divisor = 16; break;
    case Fixed::kLowpass: fill3({1, 1, 1, 1, 1, 1, 1, 1, 1}), k.divisor = 9; break;
    case Fixed::kRobertsDown: fill3({-1, 0, 0, 0, 1, 0, 0, 0, 0}); break;
    case Fixed::kRobertsUp: fill3({0, 0, -1, 0, 1, 0, 0, 0, 0}); break;
  }
  return k;
}

// Pixels read on each side: the extent of the non-zero weights.
inline void fixedReach(const Weights& k, int* left, int* right, int* top, int* bottom) {
  const int r = k.n / 2;
  *left = *right = *top = *bottom = 0;
  for (int j = 0; j < k.n; ++j)
    for (int i = 0; i < k.n; ++i) {
      if (k.w[j][i] == 0) continue;
      *left = std::max(*left, r - i), *right = std::max(*right, i - r);
      *top = std::max(*top, r - j), *bottom = std::max(*bottom, j - r);
    }
}

// Nearest integer to num / den (den > 0) by mode: 0 toward zero, 1 ties to even, 2 ties away.
inline long long roundQuotient(long long num, long long den, int mode) {
  long long q = num / den, r = num % den;  // toward zero
  if (mode == 0 || r == 0) return q;
  const long long twice = 2 * (r < 0 ? -r : r);
  const long long away = num < 0 ? -1 : 1;
  if (twice > den || (twice == den && (mode == 2 || q % 2 != 0))) q += away;
  return q;
}

// Integer sample of a fixed kernel from its exact sum S, by the kernel's output rule.
template <class D>
D fixedOutput(Fixed f, int n, long long S) {
  const bool gauss = f == Fixed::kGauss, low = f == Fixed::kLowpass;
  if (gauss && n == 3) return saturate<D>(roundQuotient(S, 16, 1));
  if (f == Fixed::kSharpen) {
    if (std::is_same_v<D, Rux8u> && S < 0) return 0;
    return saturate<D>(roundQuotient(S, 8, 1));
  }
  if constexpr (std::is_same_v<D, Rux8u>) {
    if (low && n == 3) return saturate<D>(((S + 5) * 7281) >> 16);
    if (low) return saturate<D>((((S + 13) * 10485) >> 16) >> 2);
    if (gauss) return saturate<D>(roundBy(static_cast<float>(S) * (1.0f / 571.0f), 1));
  } else if constexpr (std::is_same_v<D, Rux16u>) {
    const std::uint64_t s = static_cast<std::uint64_t>(S);
    if (low && n == 3) return saturate<D>(static_cast<long long>(((s + 5) * 477218588ull) >> 32));
    if (low) return saturate<D>(roundBy(static_cast<float>(S) * 0.04f, 1));
    if (gauss) return saturate<D>(static_cast<long long>(((s + 286) * 7521834ull) >> 32));
  } else {
    if (low) return saturate<D>(roundBy(static_cast<float>(S) * (n == 3 ? 1.0f / 9.0f : 0.04f), 1));
    if (gauss) return saturate<D>(roundBy(static_cast<double>(S) * (1.0 / 571.0), 1));
  }
  return saturate<D>(S);
}

// ---- General kernels -------------------------------------------------------------------------

// True convolution: sum over q < kh, p < kw of K[q * kw + p] * src(x + ax - p, y + ay - q).
template <class T>
long long convolveExact(const View<T>& v, const std::vector<long long>& K, int kw, int kh, int ax,
                        int ay, int x, int y, int c) {
  long long s = 0;
  for (int q = 0; q < kh; ++q)
    for (int p = 0; p < kw; ++p) s += K[q * kw + p] * static_cast<long long>(v.at(x + ax - p, y + ay - q, c));
  return s;
}

// The same in precision A, each product and sum rounded in this order.
template <class A, class K, class T>
A convolveOrdered(const View<T>& v, const std::vector<K>& k, int kw, int kh, int ax, int ay, int x,
                  int y, int c) {
  A acc = 0;
  for (int q = 0; q < kh; ++q)
    for (int p = 0; p < kw; ++p) {
      const A prod = static_cast<A>(k[q * kw + p]) * static_cast<A>(v.at(x + ax - p, y + ay - q, c));
      acc = acc + prod;
    }
  return acc;
}

// Division of an exact sum: d = 1 as is, d = 2^k exactly, otherwise S * (1 / d) in single or
// double precision; rounded by mode and saturated.
template <class D>
D divideSum(long long S, int d, int mode, bool single) {
  if (d == 1) return saturate<D>(S);
  if (d > 1 && (d & (d - 1)) == 0) return saturate<D>(roundQuotient(S, d, mode));
  if (single) return saturate<D>(roundBy(static_cast<float>(S) * (1.0f / static_cast<float>(d)), mode));
  return saturate<D>(roundBy(static_cast<double>(S) * (1.0 / d), mode));
}

// Integer kernels of the members that work with float kernels: K / d rounded to float once.
inline std::vector<float> scaledKernel(const std::vector<long long>& K, int d) {
  std::vector<float> f;
  for (long long k : K) f.push_back(static_cast<float>(static_cast<double>(k) * (1.0 / d)));
  return f;
}

}  // namespace ruxref
