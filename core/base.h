// Internal base of libruxi: export attribute, image-operand helpers and common checks.
#pragma once

#include <cstddef>
#include <cstring>
#include <cstdint>
#include <type_traits>

#include "ruxcore.h"
#include "ruxi.h"

// Marks a definition as one of the library's exported C entry points.
#define RUXAPI extern "C" __attribute__((visibility("default")))

namespace rux {

// Row address of row y of an image operand; steps are bytes and may be negative.
template <class T>
inline T* rowPtr(T* base, int step, int y) {
  using Byte = std::conditional_t<std::is_const_v<T>, const std::uint8_t, std::uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) +
                              static_cast<std::ptrdiff_t>(step) * y);
}

inline bool badSize(RuxImageSize roi) { return roi.width < 1 || roi.height < 1; }

// An accuracy hint as the caller passed it. The bits are copied rather than read as the
// enumeration, whose C++ range ends at 3, so any value a C caller passes is well defined here
// (every value but ruxHintAccurate selects the fast path).
inline int hintValue(const RuxAccuracyHint& hint) {
  int value;
  std::memcpy(&value, &hint, sizeof(value));
  return value;
}

// Whether a call that writes dstBytes should write with cache-bypassing stores: when the bytes
// read and written (counted as twice the destination) reach the largest cache, counted as at
// most 32 MiB (the probe can report a whole host's cache). Measured on a 32 MiB cache: streaming
// made 4096 x 4096 copies and thresholds 1.5 to 2 times and splits and merges nearly 2 times as
// fast on one thread, but a 1920 x 1080 8u three-channel split or merge (which stays in cache)
// up to 3 times slower.
inline bool streamWrites(long long dstBytes) {
  constexpr long long kCacheCap = 32LL << 20;
  int cache = 0;
  long long limit = ruxGetMaxCacheSizeB(&cache) == ruxStatusOk && cache < kCacheCap ? cache : kCacheCap;
  if (limit < 524288) limit = 524288;
  return 2 * dstBytes >= limit;
}

template <class... P>
inline bool anyNull(const P*... p) {
  return ((p == nullptr) || ...);
}

// Unsigned storage type of the same size: data movers work on bits, not values.
template <std::size_t kBytes> struct BitsOf;
template <> struct BitsOf<1> { using type = std::uint8_t; };
template <> struct BitsOf<2> { using type = std::uint16_t; };
template <> struct BitsOf<4> { using type = std::uint32_t; };
template <> struct BitsOf<8> { using type = std::uint64_t; };
template <class T> using Bits = typename BitsOf<sizeof(T)>::type;

}  // namespace rux

// The five sample types of the data movers and of many pointwise families.
#define RUX_FOR_TYPES_5(X) X(8u, Rux8u) X(16s, Rux16s) X(16u, Rux16u) X(32s, Rux32s) X(32f, Rux32f)
