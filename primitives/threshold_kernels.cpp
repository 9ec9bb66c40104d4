// Vector kernels of the threshold and compare families, compiled once per target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/threshold_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "primitives/pointwise-inl.h"
#include "primitives/threshold_kernels.h"
#include "primitives/unaligned.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class T>
HWY_INLINE T* RowOf(T* base, int step, int y) {
  using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<std::ptrdiff_t>(step) * y);
}

// ---- Threshold ----------------------------------------------------------------------------------

// One threshold operation on the samples x; t/v are the threshold and value vectors of the same
// lanes. Floats clamp through comparisons so that a NaN sample yields the threshold on every
// target; integers use min/max.
template <int kOp, class D, class V>
HWY_INLINE V ThresholdApply(D, V x, V tl, V vl, V tg, V vg) {
  using T = hn::TFromD<D>;
  if constexpr (kOp == kThrMax) {
    if constexpr (hwy::IsFloat<T>()) {
      return hn::IfThenElse(hn::Gt(x, tl), x, tl);
    } else {
      return hn::Max(x, tl);
    }
  } else if constexpr (kOp == kThrMin) {
    if constexpr (hwy::IsFloat<T>()) {
      return hn::IfThenElse(hn::Lt(x, tg), x, tg);
    } else {
      return hn::Min(x, tg);
    }
  } else if constexpr (kOp == kThrLess) {
    return hn::IfThenElse(hn::Lt(x, tl), vl, x);
  } else if constexpr (kOp == kThrGreater) {
    return hn::IfThenElse(hn::Gt(x, tg), vg, x);
  } else {
    return hn::IfThenElse(hn::Lt(x, tl), vl, hn::IfThenElse(hn::Gt(x, tg), vg, x));
  }
}

template <class T, int kOp, size_t C, bool kAlpha>
void ThresholdImage(const void* srcv, int srcStep, void* dstv, int dstStep, size_t width,
                    int height, const void* paramsv) {
  const auto& prm = *static_cast<const ThresholdParams<T>*>(paramsv);
  const hn::ScalableTag<T> d;
  constexpr size_t kPat = C == 1 ? 1 : kMaxPatternBytes / sizeof(T);
  HWY_ALIGN T tl[kPat], vl[kPat], tg[kPat], vg[kPat];
  if constexpr (C > 1) {
    BuildPattern<C>(d, prm.tLT, tl);
    BuildPattern<C>(d, prm.vLT, vl);
    BuildPattern<C>(d, prm.tGT, tg);
    BuildPattern<C>(d, prm.vGT, vg);
  }
  const T* TL = tl;
  const T* VL = vl;
  const T* TG = tg;
  const T* VG = vg;
  for (int y = 0; y < height; ++y) {
    const T* src = RowOf(static_cast<const T*>(srcv), srcStep, y);
    T* dst = RowOf(static_cast<T*>(dstv), dstStep, y);
    const auto op = [&](auto dd, size_t i, size_t p) {
      const auto x = LoadAt(dd, src + i);
      if constexpr (C == 1) {
        return ThresholdApply<kOp>(dd, x, hn::Set(dd, prm.tLT[0]), hn::Set(dd, prm.vLT[0]),
                                   hn::Set(dd, prm.tGT[0]), hn::Set(dd, prm.vGT[0]));
      } else {
        return ThresholdApply<kOp>(dd, x, LoadAt(dd, TL + p), LoadAt(dd, VL + p),
                                   LoadAt(dd, TG + p), LoadAt(dd, VG + p));
      }
    };
    if (C == 1 && prm.stream) {
      ForPixelsStreamed(d, dst, width, op);
    } else {
      ForPixels<C, kAlpha>(d, dst, width, op);
    }
  }
  if (C == 1 && prm.stream) hwy::FlushStream();
}

// ---- Compare ------------------------------------------------------------------------------------

template <size_t C, class D, class V>
HWY_INLINE void LoadChannels(D d, const hn::TFromD<D>* p, V (&v)[4]) {
  if constexpr (C == 1) {
    v[0] = hn::LoadU(d, p);
  } else if constexpr (C == 3) {
    hn::LoadInterleaved3(d, p, v[0], v[1], v[2]);
  } else {
    hn::LoadInterleaved4(d, p, v[0], v[1], v[2], v[3]);
  }
}

template <int kRel, class D, class V>
HWY_INLINE hn::Mask<D> RelationOf(D d, V a, V b, float eps) {
  using T = hn::TFromD<D>;
  if constexpr (kRel == kRelLess) {
    return hn::Lt(a, b);
  } else if constexpr (kRel == kRelGreater) {
    return hn::Lt(b, a);
  } else if constexpr (kRel == kRelEqual) {
    return hn::Eq(a, b);
  } else if constexpr (kRel == kRelLessEqual || kRel == kRelGreaterEqual) {
    const V lo = kRel == kRelLessEqual ? a : b;
    const V hi = kRel == kRelLessEqual ? b : a;
    if constexpr (hwy::IsFloat<T>()) {
      return hn::Le(lo, hi);  // ordered: false with NaN
    } else {
      return hn::Not(hn::Lt(hi, lo));
    }
  } else {
    static_assert(hwy::IsFloat<T>(), "tolerance relation is for floats");
    // The magnitude clears the sign bit: a NaN difference stays NaN and fails the test.
    return hn::Le(hn::Abs(hn::Sub(a, b)), hn::Set(d, static_cast<T>(eps)));
  }
}

template <int kRel, class T>
HWY_INLINE bool RelationOf(T a, T b, float eps) {
  if constexpr (kRel == kRelLess) return a < b;
  if constexpr (kRel == kRelLessEqual) return a <= b;
  if constexpr (kRel == kRelEqual) return a == b;
  if constexpr (kRel == kRelGreaterEqual) return b <= a;
  if constexpr (kRel == kRelGreater) return b < a;
  if constexpr (kRel == kRelEps) return std::fabs(static_cast<float>(a - b)) <= eps;
  return false;
}

// Stores the mask of Lanes(d) pixels as 255/0 bytes.
template <class D>
HWY_INLINE void StoreMask(D /*d*/, hn::Mask<D> m, uint8_t* out) {
  using T = hn::TFromD<D>;
  if constexpr (sizeof(T) == 1) {
    const hn::RebindToUnsigned<D> du;
    hn::StoreU(hn::VecFromMask(du, hn::RebindMask(du, m)), du, out);
  } else {
    const hn::RebindToSigned<D> di;
    using TI = hn::TFromD<decltype(di)>;
    const auto v = hn::IfThenElseZero(hn::RebindMask(di, m), hn::Set(di, TI(255)));
    const hn::Rebind<uint8_t, decltype(di)> d8;
    hn::StoreU(hn::DemoteTo(d8, v), d8, out);
  }
}

// One row: `out[x]` = 255 if the relation holds in the first K channels of pixel x. With kConst
// the second operand is value[c] for channel c.
template <class T, size_t C, size_t K, int kRel, bool kConst>
HWY_INLINE void CompareRow(const T* a, const T* b, uint8_t* out, size_t width, float eps) {
  const hn::ScalableTag<T> d;
  const size_t N = hn::Lanes(d);
  size_t x = 0;
  if (width >= N) {
    using V = hn::Vec<decltype(d)>;
    V bc[4] = {hn::Zero(d), hn::Zero(d), hn::Zero(d), hn::Zero(d)};
    if constexpr (kConst) {
      for (size_t c = 0; c < K; ++c) bc[c] = hn::Set(d, b[c]);
    }
    for (; x <= width - N; x += N) {
      V va[4], vb[4];
      LoadChannels<C>(d, a + x * C, va);
      if constexpr (kConst) {
        for (size_t c = 0; c < K; ++c) vb[c] = bc[c];
      } else {
        LoadChannels<C>(d, b + x * C, vb);
      }
      auto m = RelationOf<kRel>(d, va[0], vb[0], eps);
      for (size_t c = 1; c < K; ++c) m = hn::And(m, RelationOf<kRel>(d, va[c], vb[c], eps));
      StoreMask(d, m, out + x);
    }
  }
  for (; x < width; ++x) {
    bool all = true;
    for (size_t c = 0; c < K; ++c) {
      all = all && RelationOf<kRel>(loadAt(a + x * C + c), kConst ? loadAt(b + c) : loadAt(b + x * C + c), eps);
    }
    out[x] = all ? 255 : 0;
  }
}

template <class T, size_t C, size_t K, int kRel>
void CompareImage(const void* av, int aStep, const void* bv, int bStep, unsigned char* dst,
                  int dstStep, size_t width, int height, float eps) {
  for (int y = 0; y < height; ++y) {
    CompareRow<T, C, K, kRel, false>(RowOf(static_cast<const T*>(av), aStep, y),
                                     RowOf(static_cast<const T*>(bv), bStep, y),
                                     RowOf(dst, dstStep, y), width, eps);
  }
}

template <class T, size_t C, size_t K, int kRel>
void CompareConstImage(const void* av, int aStep, const void* value, unsigned char* dst,
                       int dstStep, size_t width, int height, float eps) {
  for (int y = 0; y < height; ++y) {
    CompareRow<T, C, K, kRel, true>(RowOf(static_cast<const T*>(av), aStep, y),
                                    static_cast<const T*>(value), RowOf(dst, dstStep, y), width,
                                    eps);
  }
}

// ---- Tables -------------------------------------------------------------------------------------

// C4 exists only for the single-sided replacements.
template <class T, int kOp>
void FillThresholdOp(ThresholdKernels& k, int t) {
  k.threshold[t][kOp][kThrC1] = &ThresholdImage<T, kOp, 1, false>;
  k.threshold[t][kOp][kThrC3] = &ThresholdImage<T, kOp, 3, false>;
  if constexpr (kOp == kThrLess || kOp == kThrGreater) {
    k.threshold[t][kOp][kThrC4] = &ThresholdImage<T, kOp, 4, false>;
  }
  k.threshold[t][kOp][kThrAC4] = &ThresholdImage<T, kOp, 4, true>;
}

template <class T, size_t C, size_t K, int kRel>
void FillCompareRel(ThresholdKernels& k, int t, int l) {
  if constexpr (kRel <= kRelEqual || kRel == kRelEps) {
    k.compare[t][l][kRel] = &CompareImage<T, C, K, kRel>;
  }
  k.compareConst[t][l][kRel] = &CompareConstImage<T, C, K, kRel>;
}

template <class T, size_t C, size_t K>
void FillCompareLayout(ThresholdKernels& k, int t, int l) {
  FillCompareRel<T, C, K, kRelLess>(k, t, l);
  FillCompareRel<T, C, K, kRelLessEqual>(k, t, l);
  FillCompareRel<T, C, K, kRelEqual>(k, t, l);
  FillCompareRel<T, C, K, kRelGreaterEqual>(k, t, l);
  FillCompareRel<T, C, K, kRelGreater>(k, t, l);
  if constexpr (hwy::IsFloat<T>()) FillCompareRel<T, C, K, kRelEps>(k, t, l);
}

template <class T>
void FillType(ThresholdKernels& k, int t) {
  FillThresholdOp<T, kThrMax>(k, t);
  FillThresholdOp<T, kThrMin>(k, t);
  FillThresholdOp<T, kThrLess>(k, t);
  FillThresholdOp<T, kThrGreater>(k, t);
  FillThresholdOp<T, kThrBoth>(k, t);
  FillCompareLayout<T, 1, 1>(k, t, kThrC1);
  FillCompareLayout<T, 3, 3>(k, t, kThrC3);
  FillCompareLayout<T, 4, 4>(k, t, kThrC4);
  FillCompareLayout<T, 4, 3>(k, t, kThrAC4);
}

const ThresholdKernels* GetThresholdKernels() {
  static const ThresholdKernels kernels = [] {
    ThresholdKernels k{};
    FillType<uint8_t>(k, kThr8u);
    FillType<uint16_t>(k, kThr16u);
    FillType<int16_t>(k, kThr16s);
    FillType<float>(k, kThr32f);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetThresholdKernels);
const ThresholdKernels& thresholdKernels() { return *HWY_DYNAMIC_DISPATCH(GetThresholdKernels)(); }
}  // namespace rux
#endif
