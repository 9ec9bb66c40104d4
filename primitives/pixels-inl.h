// Per-target loads and stores of interleaved pixels: C = 1 is a plain vector, C = 3 and 4 are
// de-interleaved into one vector per channel (and interleaved back on store). Included by the
// kernel files once per SIMD target.
#if defined(RUX_PRIMITIVES_PIXELS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef RUX_PRIMITIVES_PIXELS_INL_H_
#undef RUX_PRIMITIVES_PIXELS_INL_H_
#else
#define RUX_PRIMITIVES_PIXELS_INL_H_
#endif

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {

template <size_t C, class D, class U>
HWY_INLINE void LoadPixels(D d, const U* p, hwy::HWY_NAMESPACE::Vec<D>* v) {
  namespace hn = hwy::HWY_NAMESPACE;
  if constexpr (C == 1) {
    v[0] = hn::LoadU(d, p);
  } else if constexpr (C == 3) {
    hn::LoadInterleaved3(d, p, v[0], v[1], v[2]);
  } else {
    hn::LoadInterleaved4(d, p, v[0], v[1], v[2], v[3]);
  }
}

template <size_t C, class D, class U>
HWY_INLINE void StorePixels(D d, const hwy::HWY_NAMESPACE::Vec<D>* v, U* p) {
  namespace hn = hwy::HWY_NAMESPACE;
  if constexpr (C == 1) {
    hn::StoreU(v[0], d, p);
  } else if constexpr (C == 3) {
    hn::StoreInterleaved3(v[0], v[1], v[2], d, p);
  } else {
    hn::StoreInterleaved4(v[0], v[1], v[2], v[3], d, p);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#endif  // RUX_PRIMITIVES_PIXELS_INL_H_
