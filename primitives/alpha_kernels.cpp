// Vector row kernels of alpha composition, compiled once per target.
//
// Samples widen to twice their size (8u in 16-bit lanes, 16u in 32-bit lanes), where a product
// x * a <= M * M and a sum of two terms <= 2M both fit. floor(p / M) is (p + (p >> k) + 1) >> k
// with k = 8 or 16, exact for every p <= M * M. Interleaved pixels are split into channel vectors
// with LoadInterleaved4 and joined with StoreInterleaved4; the remaining pixels of a row run one
// at a time on one-lane tags through the same arithmetic, with byte-aligned loads and stores.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/alpha_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/alpha_kernels.h"
#include "primitives/pointwise-inl.h"

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class T>
using Wide = hwy::MakeWide<T>;

// Narrow tag whose promotion fills a whole vector of wide lanes.
template <class T>
using NarrowTag = hn::Rebind<T, hn::ScalableTag<Wide<T>>>;

// floor(x * y / M) of wide lanes holding samples of T.
template <class T, class V>
HWY_INLINE V MulDiv(V x, V y) {
  constexpr int kShift = 8 * sizeof(T);
  const auto p = hn::Mul(x, y);
  return hn::ShiftRight<kShift>(
      hn::Add(hn::Add(p, hn::ShiftRight<kShift>(p)), hn::Set(hn::DFromV<V>(), 1)));
}

// One operation on premultiplied operands ap, bp with alphas aa, ba (na = M - aa, nb = M - ba).
template <class T, int kOp, class V>
HWY_INLINE V Compose(V ap, V bp, V aa, V ba, V na, V nb, V m) {
  if constexpr (kOp == kAlphaOver) {
    return hn::Min(hn::Add(ap, MulDiv<T>(bp, na)), m);
  } else if constexpr (kOp == kAlphaIn) {
    (void)na, (void)nb, (void)m, (void)bp, (void)aa;
    return MulDiv<T>(ap, ba);
  } else if constexpr (kOp == kAlphaOut) {
    (void)na, (void)ba, (void)m, (void)bp, (void)aa;
    return MulDiv<T>(ap, nb);
  } else if constexpr (kOp == kAlphaAtop) {
    (void)nb, (void)aa;
    return hn::Min(hn::Add(MulDiv<T>(ap, ba), MulDiv<T>(bp, na)), m);
  } else if constexpr (kOp == kAlphaXor) {
    (void)aa, (void)ba;
    return hn::Min(hn::Add(MulDiv<T>(ap, nb), MulDiv<T>(bp, na)), m);
  } else {
    (void)aa, (void)ba, (void)na, (void)nb;
    return hn::Min(hn::Add(ap, bp), m);
  }
}

template <class DN, class DW>
HWY_INLINE hn::Vec<DN> Narrow(DN dn, DW dw, hn::Vec<DW> v) {
  const hn::RebindToSigned<DW> di;
  (void)dw;
  return hn::DemoteTo(dn, hn::BitCast(di, v));  // v <= M: the signed demotion keeps it
}

// The four channels of Lanes(dn) interleaved pixels, widened; one-lane tags read bytes.
template <class DN, class DW>
HWY_INLINE void Load4(DN dn, DW dw, const hn::TFromD<DN>* p, hn::Vec<DW>* v) {
  if constexpr (hn::MaxLanes(DN()) == 1) {
    for (int c = 0; c < 4; ++c) v[c] = hn::PromoteTo(dw, LoadAt(dn, p + c));
  } else {
    hn::Vec<DN> n0, n1, n2, n3;
    hn::LoadInterleaved4(dn, p, n0, n1, n2, n3);
    v[0] = hn::PromoteTo(dw, n0);
    v[1] = hn::PromoteTo(dw, n1);
    v[2] = hn::PromoteTo(dw, n2);
    v[3] = hn::PromoteTo(dw, n3);
  }
}

template <class DN, class DW>
HWY_INLINE void Store4(DN dn, DW dw, const hn::Vec<DW>* v, hn::TFromD<DN>* p) {
  if constexpr (hn::MaxLanes(DN()) == 1) {
    for (int c = 0; c < 4; ++c) StoreAt(Narrow(dn, dw, v[c]), dn, p + c);
  } else {
    hn::StoreInterleaved4(Narrow(dn, dw, v[0]), Narrow(dn, dw, v[1]), Narrow(dn, dw, v[2]),
                          Narrow(dn, dw, v[3]), dn, p);
  }
}

// Runs body(dn, dw, x) over groups of Lanes(dn) items starting at x, then one item at a time.
template <class T, class Body>
HWY_INLINE void ForGroups(std::size_t n, const Body& body) {
  const NarrowTag<T> dn;
  const hn::ScalableTag<Wide<T>> dw;
  const std::size_t N = hn::Lanes(dn);
  std::size_t x = 0;
  if constexpr (hn::MaxLanes(NarrowTag<T>()) > 1) {
    for (; n >= N && x <= n - N; x += N) body(dn, dw, x);
  }
  const hn::CappedTag<T, 1> dn1;
  const hn::CappedTag<Wide<T>, 1> dw1;
  for (; x < n; ++x) body(dn1, dw1, x);
}

template <class T, class DW>
HWY_INLINE hn::Vec<DW> MaxOf(DW dw) {
  return hn::Set(dw, static_cast<Wide<T>>(hwy::LimitsMax<T>()));
}

// A' and B' of one channel: colours are premultiplied by their own alpha unless kPre.
template <class T, int kOp, bool kPre, class DW>
HWY_INLINE void ComposePixels(DW dw, const hn::Vec<DW>* a, const hn::Vec<DW>* b,
                              hn::Vec<DW>* r) {
  const auto m = MaxOf<T>(dw);
  const auto aa = a[3], ba = b[3];
  const auto na = hn::Sub(m, aa), nb = hn::Sub(m, ba);
  for (int c = 0; c < 3; ++c) {
    const auto ap = kPre ? a[c] : MulDiv<T>(a[c], aa);
    const auto bp = kPre ? b[c] : MulDiv<T>(b[c], ba);
    r[c] = Compose<T, kOp>(ap, bp, aa, ba, na, nb, m);
  }
  r[3] = Compose<T, kOp>(aa, ba, aa, ba, na, nb, m);
}

template <class T, int kOp, bool kPre>
void CompAC4Row(const void* av, const void* bv, void* dstv, std::size_t n) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  T* dst = static_cast<T*>(dstv);
  ForGroups<T>(n, [&](auto dn, auto dw, std::size_t x) {
    using VW = hn::Vec<decltype(dw)>;
    VW va[4], vb[4], r[4];
    Load4(dn, dw, a + 4 * x, va);
    Load4(dn, dw, b + 4 * x, vb);
    ComposePixels<T, kOp, kPre>(dw, va, vb, r);
    Store4(dn, dw, r, dst + 4 * x);
  });
}

template <class T, int kOp, bool kPre>
void CompAP4Row(const void* const* av, const void* const* bv, void* const* dstv, std::size_t n) {
  ForGroups<T>(n, [&](auto dn, auto dw, std::size_t x) {
    using VW = hn::Vec<decltype(dw)>;
    VW va[4], vb[4], r[4];
    for (int c = 0; c < 4; ++c) {
      va[c] = hn::PromoteTo(dw, LoadAt(dn, static_cast<const T*>(av[c]) + x));
      vb[c] = hn::PromoteTo(dw, LoadAt(dn, static_cast<const T*>(bv[c]) + x));
    }
    ComposePixels<T, kOp, kPre>(dw, va, vb, r);
    for (int c = 0; c < 4; ++c) StoreAt(Narrow(dn, dw, r[c]), dn, static_cast<T*>(dstv[c]) + x);
  });
}

template <class T, int kOp>
void CompAC1Row(const void* av, const void* bv, void* dstv, std::size_t n) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  T* dst = static_cast<T*>(dstv);
  ForGroups<T>(n, [&](auto dn, auto dw, std::size_t x) {
    const auto m = MaxOf<T>(dw);
    const auto aa = hn::PromoteTo(dw, LoadAt(dn, a + x));
    const auto ba = hn::PromoteTo(dw, LoadAt(dn, b + x));
    const auto r = Compose<T, kOp>(aa, ba, aa, ba, hn::Sub(m, aa), hn::Sub(m, ba), m);
    StoreAt(Narrow(dn, dw, r), dn, dst + x);
  });
}

template <class T, int kOp, bool kPre, bool kAlpha>
void CompConstRow(const void* av, const void* bv, void* dstv, std::size_t n, unsigned alphaA,
                  unsigned alphaB) {
  const T* a = static_cast<const T*>(av);
  const T* b = static_cast<const T*>(bv);
  const auto op = [=](auto dn, std::size_t i, std::size_t) {
    const hn::Rebind<Wide<T>, decltype(dn)> dw;
    const auto m = MaxOf<T>(dw);
    const auto aa = hn::Set(dw, static_cast<Wide<T>>(alphaA));
    const auto ba = hn::Set(dw, static_cast<Wide<T>>(alphaB));
    auto ap = hn::PromoteTo(dw, LoadAt(dn, a + i));
    auto bp = hn::PromoteTo(dw, LoadAt(dn, b + i));
    if constexpr (!kPre) {
      ap = MulDiv<T>(ap, aa);
      bp = MulDiv<T>(bp, ba);
    }
    return Narrow(dn, dw, Compose<T, kOp>(ap, bp, aa, ba, hn::Sub(m, aa), hn::Sub(m, ba), m));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(NarrowTag<T>(), static_cast<T*>(dstv), n, op);
}

template <class T>
void PremulAC4Row(const void* srcv, void* dstv, std::size_t n) {
  const T* src = static_cast<const T*>(srcv);
  T* dst = static_cast<T*>(dstv);
  ForGroups<T>(n, [&](auto dn, auto dw, std::size_t x) {
    using VW = hn::Vec<decltype(dw)>;
    VW v[4];
    Load4(dn, dw, src + 4 * x, v);
    for (int c = 0; c < 3; ++c) v[c] = MulDiv<T>(v[c], v[3]);
    Store4(dn, dw, v, dst + 4 * x);
  });
}

template <class T>
void PremulAP4Row(const void* const* srcv, void* const* dstv, std::size_t n) {
  ForGroups<T>(n, [&](auto dn, auto dw, std::size_t x) {
    const auto alpha = LoadAt(dn, static_cast<const T*>(srcv[3]) + x);
    const auto wa = hn::PromoteTo(dw, alpha);
    for (int c = 0; c < 3; ++c) {
      const auto v = hn::PromoteTo(dw, LoadAt(dn, static_cast<const T*>(srcv[c]) + x));
      StoreAt(Narrow(dn, dw, MulDiv<T>(v, wa)), dn, static_cast<T*>(dstv[c]) + x);
    }
    StoreAt(alpha, dn, static_cast<T*>(dstv[3]) + x);
  });
}

template <class T>
void PremulConstRow(const void* srcv, void* dstv, std::size_t n, unsigned alpha) {
  const T* src = static_cast<const T*>(srcv);
  const auto op = [=](auto dn, std::size_t i, std::size_t) {
    const hn::Rebind<Wide<T>, decltype(dn)> dw;
    const auto v = hn::PromoteTo(dw, LoadAt(dn, src + i));
    return Narrow(dn, dw, MulDiv<T>(v, hn::Set(dw, static_cast<Wide<T>>(alpha))));
  };
  ForPixels<1, false>(NarrowTag<T>(), static_cast<T*>(dstv), n, op);
}

template <class T>
void PremulConstAC4Row(const void* srcv, void* dstv, std::size_t n, unsigned alpha) {
  const T* src = static_cast<const T*>(srcv);
  T* dst = static_cast<T*>(dstv);
  ForGroups<T>(n, [&](auto dn, auto dw, std::size_t x) {
    using VW = hn::Vec<decltype(dw)>;
    VW v[4];
    Load4(dn, dw, src + 4 * x, v);
    const auto wa = hn::Set(dw, static_cast<Wide<T>>(alpha));
    for (int c = 0; c < 3; ++c) v[c] = MulDiv<T>(v[c], wa);
    v[3] = wa;
    Store4(dn, dw, v, dst + 4 * x);
  });
}

// ---- table ----------------------------------------------------------------------------------------

template <class T, int kOp>
void FillOp(AlphaKernels& k, int s) {
  k.compAC4[s][kOp][0] = &CompAC4Row<T, kOp, false>;
  k.compAC4[s][kOp][1] = &CompAC4Row<T, kOp, true>;
  k.compAP4[s][kOp][0] = &CompAP4Row<T, kOp, false>;
  k.compAP4[s][kOp][1] = &CompAP4Row<T, kOp, true>;
  k.compAC1[s][kOp] = &CompAC1Row<T, kOp>;
  k.compC[s][kOp][0][0] = &CompConstRow<T, kOp, false, false>;
  k.compC[s][kOp][0][1] = &CompConstRow<T, kOp, false, true>;
  k.compC[s][kOp][1][0] = &CompConstRow<T, kOp, true, false>;
  k.compC[s][kOp][1][1] = &CompConstRow<T, kOp, true, true>;
}

template <class T>
void FillSize(AlphaKernels& k, int s) {
  FillOp<T, kAlphaOver>(k, s);
  FillOp<T, kAlphaIn>(k, s);
  FillOp<T, kAlphaOut>(k, s);
  FillOp<T, kAlphaAtop>(k, s);
  FillOp<T, kAlphaXor>(k, s);
  FillOp<T, kAlphaPlus>(k, s);
  k.premulAC4[s] = &PremulAC4Row<T>;
  k.premulAP4[s] = &PremulAP4Row<T>;
  k.premulC[s][0] = &PremulConstRow<T>;
  k.premulC[s][1] = &PremulConstAC4Row<T>;
}

const AlphaKernels* GetAlphaKernels() {
  static const AlphaKernels kernels = [] {
    AlphaKernels k{};
    FillSize<uint8_t>(k, 0);
    FillSize<uint16_t>(k, 1);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetAlphaKernels);
const AlphaKernels& alphaKernels() { return *HWY_DYNAMIC_DISPATCH(GetAlphaKernels)(); }
}  // namespace rux
#endif
