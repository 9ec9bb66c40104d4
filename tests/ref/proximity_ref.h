// Brute-force references of template matching and two-dimensional convolution, written from
// the formulas: every sum over the template area in long double (exact for the integer sample
// ranges used here), source samples outside the region taken as 0.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

enum class Geo { kFull, kSame, kValid };
enum class Score { kPlain, kNorm, kNormLevel, kSqrDistance };

struct MatchSize {
  int width, height, ox, oy;
};
inline MatchSize matchSize(Geo g, int W, int H, int w, int h) {
  if (g == Geo::kFull) return {W + w - 1, H + h - 1, w - 1, h - 1};
  if (g == Geo::kSame) return {W, H, w >> 1, h >> 1};
  return {W - w + 1, H - h + 1, 0, 0};
}

// Scores of channel c, row-major over the destination. Denominators: a window energy below
// 1.1920929e-7 times the template energy (mean-removed for kNormLevel) counts as 0; then a
// correlation score is 0 and a squared distance the numerator times 2^23. A constant template
// gives kNormLevel scores of 0. `scale` returns sqrt(sum f^2 * sum t^2) per position (the
// magnitude the float error grows with).
template <class S>
std::vector<long double> match(const ruxtest::GuardedImage<S>& src, const ruxtest::GuardedImage<S>& tpl, int c, Geo g,
                               Score score, std::vector<long double>* scale = nullptr) {
  const int W = src.width(), H = src.height(), w = tpl.width(), h = tpl.height();
  const MatchSize m = matchSize(g, W, H, w, h);
  const long double A = static_cast<long double>(w) * h;
  long double st = 0, st2 = 0;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      st += tpl.at(i, j, c);
      st2 += static_cast<long double>(tpl.at(i, j, c)) * tpl.at(i, j, c);
    }
  long double tlev = 0;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const long double d = tpl.at(i, j, c) - st / A;
      tlev += d * d;
    }
  bool constant = true;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) constant = constant && tpl.at(i, j, c) == tpl.at(0, 0, c);
  const long double eps = 1.1920928955078125e-07L;
  std::vector<long double> out;
  if (scale) scale->clear();
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) {
      long double cc = 0, sf = 0, sf2 = 0;
      for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
          const int u = x - m.ox + i, v = y - m.oy + j;
          if (u < 0 || v < 0 || u >= W || v >= H) continue;
          const long double f = src.at(u, v, c), t = tpl.at(i, j, c);
          cc += f * t;
          sf += f;
          sf2 += f * f;
        }
      if (scale) scale->push_back(std::sqrt(sf2 * st2));
      long double r = cc;
      if (score == Score::kNorm) {
        const long double term = std::max(st2, eps * eps);
        r = sf2 < eps * term ? 0.0L : cc / std::sqrt(sf2 * term);
      } else if (score == Score::kNormLevel) {
        const long double flev = sf2 - sf * sf / A;
        const long double term = std::max(tlev, eps * eps);
        r = (constant || flev < eps * term) ? 0.0L : (cc - sf * st / A) / std::sqrt(flev * term);
      } else if (score == Score::kSqrDistance) {
        const long double term = std::max(st2, eps * eps);
        const long double num = sf2 - 2 * cc + st2;
        r = sf2 < eps * term ? num * 8388608.0L : num / std::sqrt(sf2 * term);
      }
      out.push_back(r);
    }
  return out;
}

// Exact integer (or long double) full convolution A * B of channel c, row-major over
// (W1 + W2 - 1) x (H1 + H2 - 1); valid: the (W1 - W2 + 1) x (H1 - H2 + 1) part where B lies
// inside A.
template <class T>
std::vector<long double> convolve(const ruxtest::GuardedImage<T>& a, const ruxtest::GuardedImage<T>& b, int c,
                                  bool valid) {
  const int W1 = a.width(), H1 = a.height(), W2 = b.width(), H2 = b.height();
  const int ow = valid ? W1 - W2 + 1 : W1 + W2 - 1, oh = valid ? H1 - H2 + 1 : H1 + H2 - 1;
  const int off = valid ? 1 : 0;
  std::vector<long double> out;
  for (int y = 0; y < oh; ++y)
    for (int x = 0; x < ow; ++x) {
      const int X = x + off * (W2 - 1), Y = y + off * (H2 - 1);  // position in the full result
      long double s = 0;
      for (int j = 0; j < H2; ++j)
        for (int i = 0; i < W2; ++i) {
          const int u = X - i, v = Y - j;
          if (u < 0 || v < 0 || u >= W1 || v >= H1) continue;
          s += static_cast<long double>(a.at(u, v, c)) * b.at(i, j, c);
        }
      out.push_back(s);
    }
  return out;
}

}  // namespace ruxref
