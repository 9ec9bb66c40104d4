// Reference of the logical and shift operations, written from their definitions: bitwise
// operations on the raw bits; x << k keeping the low bits of the type (0 once k reaches the
// width); x >> k logical for unsigned types (0 once k reaches the width) and floor(x / 2^k) for
// signed types. Also the generic per-sample expectation used by the pointwise families.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "toolkit/toolkit.h"

namespace ruxref {

enum class Bit { And, Or, Xor };

template <class T>
T bitOp(Bit op, T a, T b) {
  using U = std::make_unsigned_t<T>;
  const U x = static_cast<U>(a), y = static_cast<U>(b);
  const U r = op == Bit::And ? U(x & y) : (op == Bit::Or ? U(x | y) : U(x ^ y));
  return static_cast<T>(r);
}

template <class T>
T shiftLeft(T x, std::uint32_t k) {
  if (k >= 8 * sizeof(T)) return 0;
  const std::uint64_t bits = static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(x));
  return static_cast<T>(static_cast<std::make_unsigned_t<T>>(bits << k));
}

template <class T>
T shiftRight(T x, std::uint32_t k) {
  if constexpr (std::is_signed_v<T>) {
    const std::int64_t v = x;
    if (k >= 62) return v < 0 ? T(-1) : T(0);
    const std::int64_t p = std::int64_t{1} << k;
    std::int64_t q = v / p;  // toward zero, then down for negative remainders
    if (v % p != 0 && v < 0) --q;
    return static_cast<T>(q);
  } else {
    if (k >= 8 * sizeof(T)) return 0;
    return static_cast<T>(x >> k);
  }
}

// Expected region: f(x, y, c) for every sample, except channel 3 of AC4 images, which keeps the
// destination's previous value.
template <class T, class F>
std::vector<T> pointwise(const ruxtest::GuardedImage<T>& dst, bool keepAlpha, F f) {
  std::vector<T> out;
  for (int y = 0; y < dst.height(); ++y) {
    for (int x = 0; x < dst.width(); ++x) {
      for (int c = 0; c < dst.channels(); ++c) {
        out.push_back(keepAlpha && c == 3 ? dst.savedAt(x, y, c) : f(x, y, c));
      }
    }
  }
  return out;
}

}  // namespace ruxref
