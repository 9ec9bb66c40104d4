// References of the norms, dot products and quality measures, written from their formulas:
// integer sums exactly in 128 bits, float sums in long double (or in the stated order where the
// order is the contract), one value per reported channel.
#pragma once

#include <cmath>
#include <type_traits>
#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

enum class Kind { kInf, kL1, kL2 };

// Per channel (the first `channels` of each pixel): Inf max |s|, L1 sum |s|, L2 sum s^2 (not yet
// rooted), s = a or a - b. Integers exactly; 32f differences in double, sums in long double.
template <class T>
std::vector<long double> rawNorm(const ruxtest::GuardedImage<T>& a, const ruxtest::GuardedImage<T>* b,
                                 int channels, Kind kind) {
  std::vector<long double> out(channels, 0.0L);
  for (int c = 0; c < channels; ++c) {
    __int128 isum = 0;
    long double fsum = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        if constexpr (std::is_floating_point_v<T>) {
          double s = a.at(x, y, c);
          if (b != nullptr) s -= static_cast<double>(b->at(x, y, c));
          if (kind == Kind::kInf) {
            if (b != nullptr) s = static_cast<float>(a.at(x, y, c) - b->at(x, y, c));
            fsum = std::max<long double>(fsum, std::fabs(s));
          } else {
            fsum += kind == Kind::kL1 ? std::fabs(static_cast<long double>(s))
                                      : static_cast<long double>(s) * s;
          }
        } else {
          long long s = a.at(x, y, c);
          if (b != nullptr) s -= b->at(x, y, c);
          const long long m = s < 0 ? -s : s;
          if (kind == Kind::kInf) {
            isum = std::max<__int128>(isum, m);
          } else {
            isum += kind == Kind::kL1 ? m : static_cast<__int128>(m) * m;
          }
        }
      }
    }
    out[c] = std::is_floating_point_v<T> ? fsum : static_cast<long double>(isum);
  }
  return out;
}

// The result: the raw value rounded to double, L2 rooted in double.
inline double finishNorm(Kind kind, long double raw) {
  const double r = static_cast<double>(raw);
  return kind == Kind::kL2 ? std::sqrt(r) : r;
}

// Exact dot product per channel (integers), as long double.
template <class T>
std::vector<long double> exactDot(const ruxtest::GuardedImage<T>& a, const ruxtest::GuardedImage<T>& b,
                                  int channels) {
  std::vector<long double> out(channels);
  for (int c = 0; c < channels; ++c) {
    __int128 s = 0;
    long double f = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        if constexpr (std::is_floating_point_v<T>) {
          f += static_cast<long double>(a.at(x, y, c)) * b.at(x, y, c);
        } else {
          s += static_cast<__int128>(a.at(x, y, c)) * b.at(x, y, c);
        }
      }
    }
    out[c] = std::is_floating_point_v<T> ? f : static_cast<long double>(s);
  }
  return out;
}

// The dot product as defined: each product in double, added in raster order into a double.
template <class T>
std::vector<double> rasterDot(const ruxtest::GuardedImage<T>& a, const ruxtest::GuardedImage<T>& b,
                              int channels) {
  std::vector<double> out(channels, 0.0);
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      for (int c = 0; c < channels; ++c) {
        out[c] += static_cast<double>(a.at(x, y, c)) * static_cast<double>(b.at(x, y, c));
      }
    }
  }
  return out;
}

// Universal quality index per channel in long double with exact means.
template <class T>
std::vector<long double> qualityIndex(const ruxtest::GuardedImage<T>& a,
                                      const ruxtest::GuardedImage<T>& b, int channels) {
  std::vector<long double> out(channels);
  const long double n = static_cast<long double>(a.width()) * a.height();
  for (int c = 0; c < channels; ++c) {
    long double mx = 0, my = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        mx += a.at(x, y, c);
        my += b.at(x, y, c);
      }
    }
    mx /= n;
    my /= n;
    long double sxx = 0, syy = 0, sxy = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        const long double dx = a.at(x, y, c) - mx, dy = b.at(x, y, c) - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
      }
    }
    out[c] = 4 * sxy * mx * my / ((sxx + syy) * (mx * mx + my * my));
  }
  return out;
}

inline long double ssim(long double mx, long double my, long double exx, long double eyy,
                        long double exy, long double c1, long double c2) {
  return (c1 + 2 * mx * my) * (c2 + 2 * exy - 2 * mx * my) /
         ((c1 + mx * mx + my * my) * (c2 + exx + eyy - mx * mx - my * my));
}

// Weighted sum of rows in the element type: w0 * row0, then += wj * rowj.
template <class T>
std::vector<T> dotProdCol(const std::vector<std::vector<T>>& rows, const std::vector<T>& w) {
  std::vector<T> out(rows[0].size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    volatile T acc = w[0] * rows[0][i];
    for (std::size_t j = 1; j < rows.size(); ++j) {
      const T p = w[j] * rows[j][i];
      acc = acc + p;
    }
    out[i] = acc;
  }
  return out;
}

}  // namespace ruxref
