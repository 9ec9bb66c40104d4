// Per-target row loop of the pointwise kernels (unary mathematics, logic and shifts), included by
// their kernel files once per SIMD target.
//
// ForPixels runs an operation over the samples of n pixels of C interleaved channels. Whole groups
// of Lanes(d) pixels run as C vectors; the remaining samples run one at a time through the same
// operation on a one-lane tag, so body and tail compute the same bits and never touch memory
// outside the row. An operation is a generic callable op(d, i, p) returning the result vector for
// the samples [i, i + Lanes(d)); p = i mod (C x Lanes(d)) indexes a channel pattern built by
// BuildPattern for Lanes(d) pixels (sample p of the pattern belongs to channel p mod C). With
// kAlpha (C = 4) channel 3 keeps the destination's value: the vector body stores it back
// unchanged, the tail skips it. Operations read through LoadAt, which needs only byte alignment,
// so rows may start anywhere.

#if defined(RUX_POINTWISE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef RUX_POINTWISE_INL_H_
#undef RUX_POINTWISE_INL_H_
#else
#define RUX_POINTWISE_INL_H_
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Largest pattern any target needs: four channels of a full vector of one-byte samples.
constexpr std::size_t kMaxPatternBytes = 4 * HWY_MAX_BYTES;

// Loads and stores of the operations: one-lane tags (the tail, and the scalar target) copy bytes,
// so rows need only byte alignment; wider tags use unaligned vector accesses.
template <class D>
HWY_INLINE hn::Vec<D> LoadAt(D d, const hn::TFromD<D>* p) {
  if constexpr (hn::MaxLanes(D()) == 1) {
    hn::TFromD<D> t;
    std::memcpy(&t, p, sizeof(t));
    return hn::Set(d, t);
  } else {
    return hn::LoadU(d, p);
  }
}

template <class D>
HWY_INLINE void StoreAt(hn::Vec<D> v, D d, hn::TFromD<D>* p) {
  if constexpr (hn::MaxLanes(D()) == 1) {
    const hn::TFromD<D> t = hn::GetLane(v);
    std::memcpy(p, &t, sizeof(t));
  } else {
    hn::StoreU(v, d, p);
  }
}

// Lanes holding channel 3 in vector j of a group of four-channel pixels.
template <class D>
HWY_INLINE hn::Mask<D> AlphaLanesOf(D d, std::size_t j) {
  using T = hn::TFromD<D>;
  using U = hwy::MakeUnsigned<T>;
  const hn::RebindToUnsigned<D> du;
  const auto lane = hn::Iota(du, static_cast<U>(j * hn::Lanes(d) % 4));
  return hn::RebindMask(d, hn::And(lane, hn::Set(du, U(3))) == hn::Set(du, U(3)));
}

// pattern[p] = value[p mod C] for the C x Lanes(d) samples of one group of pixels.
template <std::size_t C, class D, class T>
HWY_INLINE void BuildPattern(D d, const T* value, T* pattern) {
  const std::size_t n = C * hn::Lanes(d);
  for (std::size_t p = 0, c = 0; p < n; ++p, c = (c + 1 == C ? 0 : c + 1)) pattern[p] = value[c];
}

template <std::size_t C, bool kAlpha, class D, class Op>
HWY_INLINE void ForPixels(D d, hn::TFromD<D>* dst, std::size_t n, const Op& op) {
  static_assert(!kAlpha || C == 4, "alpha is channel 3 of four");
  using T = hn::TFromD<D>;
  const std::size_t N = hn::Lanes(d);
  std::size_t x = 0;
  if (n >= N) {
    hn::Mask<D> alpha[C];
    if constexpr (kAlpha) {
      for (std::size_t j = 0; j < C; ++j) alpha[j] = AlphaLanesOf(d, j);
    }
    for (; x <= n - N; x += N) {
      for (std::size_t j = 0; j < C; ++j) {
        const std::size_t i = x * C + j * N;
        auto v = op(d, i, j * N);
        if constexpr (kAlpha) v = hn::IfThenElse(alpha[j], LoadAt(d, dst + i), v);
        StoreAt(v, d, dst + i);
      }
    }
  }
  const hn::CappedTag<T, 1> d1;
  const std::size_t begin = x * C;
  for (std::size_t i = begin; i < n * C; ++i) {
    if (kAlpha && i % 4 == 3) continue;
    StoreAt(op(d1, i, i - begin), d1, dst + i);
  }
}

// ForPixels of one channel whose vectors are written with cache-bypassing stores: samples one by
// one up to the first vector-aligned destination sample, whole vectors streamed, the rest one by
// one. The caller ends the image with hwy::FlushStream(). Same bits as ForPixels.
template <class D, class Op>
HWY_INLINE void ForPixelsStreamed(D d, hn::TFromD<D>* dst, std::size_t n, const Op& op) {
  using T = hn::TFromD<D>;
  const std::size_t N = hn::Lanes(d);
  const hn::CappedTag<T, 1> d1;
  std::size_t x = 0;
  const std::size_t vectorBytes = N * sizeof(T);
  if (N > 1 && reinterpret_cast<std::uintptr_t>(dst) % sizeof(T) == 0) {
    for (; x < n && reinterpret_cast<std::uintptr_t>(dst + x) % vectorBytes != 0; ++x) StoreAt(op(d1, x, 0), d1, dst + x);
    for (; x + N <= n; x += N) hn::Stream(op(d, x, 0), d, dst + x);
  }
  for (; x < n; ++x) StoreAt(op(d1, x, 0), d1, dst + x);
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#endif  // RUX_POINTWISE_INL_H_
