// Reference of the data movers, written from their definition: destination channel k of pixel
// (x, y) receives source channel sel[k] of the same pixel, the fill value (kFill) or keeps its
// value (kKeep); fill holds one value, or one per channel; with a mask, only pixels whose mask byte is non-zero are written.
#pragma once

#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

constexpr int kFill = -1;
constexpr int kKeep = -2;

template <class T>
std::vector<T> move(const ruxtest::GuardedImage<T>& src, const ruxtest::GuardedImage<T>& dst,
                    const std::vector<int>& sel, const std::vector<T>& fill = {},
                    const ruxtest::GuardedImage<Rux8u>* mask = nullptr) {
  const int cout = dst.channels();
  std::vector<T> out;
  for (int y = 0; y < dst.height(); ++y) {
    for (int x = 0; x < dst.width(); ++x) {
      const bool write = mask == nullptr || mask->at(x, y, 0) != 0;
      for (int k = 0; k < cout; ++k) {
        T v = dst.savedAt(x, y, k);
        if (write && sel[k] >= 0) v = src.at(x, y, sel[k]);
        if (write && sel[k] == kFill) v = fill[fill.size() == 1 ? 0 : k];
        out.push_back(v);
      }
    }
  }
  return out;
}

}  // namespace ruxref
