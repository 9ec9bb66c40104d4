// References of the pixel-rearranging families, written from their definitions, one pixel at a
// time. A destination pixel keeps its previous samples where the definition leaves them
// (AC4 alpha): those come from the destination's snapshot.
#pragma once

#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

// The region's samples, row-major (width x channels per row), as they are now.
template <class T>
std::vector<T> samples(const ruxtest::GuardedImage<T>& img) {
  std::vector<T> out;
  for (int y = 0; y < img.height(); ++y)
    for (int i = 0; i < img.width() * img.channels(); ++i) out.push_back(img.row(y)[i]);
  return out;
}

enum class BorderKind { kConst, kReplicate, kWrap };

inline int clampTo(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline int modulo(int v, int n) { return ((v % n) + n) % n; }

// Destination (x, y) with u = x - left, v = y - top: the source pixel (u, v) inside the
// source, else the constant, the clamped source pixel, or the source pixel (u mod W, v mod H).
// src holds W x H pixels of C channels; channels >= written keep the destination's value.
template <class T>
std::vector<T> border(BorderKind kind, const std::vector<T>& src, int w, int h,
                      const ruxtest::GuardedImage<T>& dst, int top, int left,
                      const std::vector<T>& value, int written) {
  const int c = dst.channels();
  std::vector<T> out;
  for (int y = 0; y < dst.height(); ++y) {
    for (int x = 0; x < dst.width(); ++x) {
      int u = x - left, v = y - top;
      const bool inside = u >= 0 && u < w && v >= 0 && v < h;
      if (kind == BorderKind::kReplicate) {
        u = clampTo(u, 0, w - 1);
        v = clampTo(v, 0, h - 1);
      } else if (kind == BorderKind::kWrap) {
        u = modulo(u, w);
        v = modulo(v, h);
      }
      for (int k = 0; k < c; ++k) {
        T s = dst.savedAt(x, y, k);
        if (k < written) {
          s = (kind == BorderKind::kConst && !inside)
                  ? value[k]
                  : src[(static_cast<std::size_t>(v) * w + u) * c + k];
        }
        out.push_back(s);
      }
    }
  }
  return out;
}

// Destination (y, x) = source (x, y); the destination is h wide and w high.
template <class T>
std::vector<T> transpose(const std::vector<T>& src, int w, int h, int c) {
  std::vector<T> out;
  for (int y = 0; y < w; ++y)
    for (int x = 0; x < h; ++x)
      for (int k = 0; k < c; ++k) out.push_back(src[(static_cast<std::size_t>(x) * w + y) * c + k]);
  return out;
}

// Axis 0: row H-1-y <- row y; axis 1: column W-1-x <- column x; axis 2: both.
template <class T>
std::vector<T> mirror(const std::vector<T>& src, const ruxtest::GuardedImage<T>& dst, int axis,
                      int written) {
  const int w = dst.width(), h = dst.height(), c = dst.channels();
  std::vector<T> out;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int sx = axis == 0 ? x : w - 1 - x;
      const int sy = axis == 1 ? y : h - 1 - y;
      for (int k = 0; k < c; ++k) {
        out.push_back(k < written ? src[(static_cast<std::size_t>(sy) * w + sx) * c + k]
                                  : dst.savedAt(x, y, k));
      }
    }
  }
  return out;
}

}  // namespace ruxref
