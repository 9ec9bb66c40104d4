// Box filter (FilterBox: the mean over a mask.width x mask.height window) and the one-dimensional
// window sums (SumWindowRow, SumWindowColumn), for every type and layout.
//
// Shape: one running-sum engine (primitives/running_sum-inl.h, compiled here once per SIMD target). Per block of destination rows it primes
// one column sum per source column of the extended row, then per row forms every window sum S
// exactly and hands the row of sums to an output rule; after each row the column sums take the
// entering row and drop the leaving one. Integer sums are exact (32-bit, 64-bit when the
// window could exceed 32 bits); float data is summed in double with a count of non-finite
// samples per column, so a NaN or infinity affects only the windows that contain it.
// Only the output rules differ per type: the 8u multiplier/shift rule (with its size-specialised
// multipliers for 3x3, 5x5 and 7x7 windows), the truncating float rule for areas above 8100,
// nearest-even for 16u and 16s (biased by 32768), S * (1/A) for 32f and 64f, float(S) for the
// window sums.
// In place (IR, or R with the source as destination): the same engine with a ring of anchor.y + 1
// finished rows, each written back once no later window reads its unfiltered source row; with
// mask.height >= roi.height the out-of-place rules apply (the result is that of filtering a copy).
// Out-of-place 8u, 16s and 32f members split rows into blocks over the library's threads when the
// region has more than 4096 pixels; each block primes its own sums, so integer results do not
// depend on the thread count.
#ifndef RUX_BOXFILTER_TABLE_
#define RUX_BOXFILTER_TABLE_
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/base.h"

namespace rux {
// The members of one target, by type and layout (C1, C3, C4, AC4; window sums C1, C3, C4).
template <class T>
using BoxFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, RuxImageSize, RuxImagePoint, bool);
template <class T>
using SumFn = RuxResult (*)(const T*, int, Rux32f*, int, RuxImageSize, int, int, bool, bool);
struct BoxTable {
  BoxFn<Rux8u> box8u[4];
  BoxFn<Rux16u> box16u[4];
  BoxFn<Rux16s> box16s[4];
  BoxFn<Rux32f> box32f[4];
  RuxResult (*box64f)(const Rux64f*, int, Rux64f*, int, RuxImageSize, RuxImageSize, RuxImagePoint);
  SumFn<Rux8u> sum8u[3];
  SumFn<Rux16u> sum16u[3];
  SumFn<Rux16s> sum16s[3];
};
}  // namespace rux
#endif  // RUX_BOXFILTER_TABLE_

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filter/boxfilter.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/int_scale.h"
#include "primitives/running_sum-inl.h"
#include "primitives/unaligned.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace {


using box::Geometry;

// ---- output rules -------------------------------------------------------------------------------

// Round to nearest, ties to even, independent of the rounding mode (|v| below 2^31).
inline std::int64_t roundEvenF(float v) {
  if (!(std::fabs(v) < 2147483648.0f)) return v > 0 ? INT64_C(2147483647) : (v < 0 ? -INT64_C(2147483648) : 0);
  const std::int64_t t = static_cast<std::int64_t>(v);
  const float frac = std::fabs(v - static_cast<float>(t));
  if (frac > 0.5f || (frac == 0.5f && (t & 1) != 0)) return t + (v < 0 ? -1 : 1);
  return t;
}

// 8u: (S * M + add) >> s in 32-bit unsigned arithmetic (the multipliers keep it below 2^32).
struct Fixed8u {
  std::uint32_t mul, add;
  int shift;
  template <class S>
  void operator()(const S* s, Rux8u* out, std::size_t n) const {
    if constexpr (std::is_same_v<S, std::uint16_t>) {
      // 16-bit sums with a shift of at least 16 and an addend that is a multiple of 2^16: the
      // high half of the 16 x 16-bit product gives the same bits in 16-bit lanes.
      if (mul < 65536u && shift >= 16 && (add & 0xffffu) == 0) {
        const std::uint16_t m = static_cast<std::uint16_t>(mul);
        const std::uint16_t a = static_cast<std::uint16_t>(add >> 16);
        const int sh = shift - 16;
        for (std::size_t i = 0; i < n; ++i) {
          const auto hi = static_cast<std::uint16_t>((static_cast<std::uint32_t>(s[i]) * m) >> 16);
          const auto v = static_cast<std::uint16_t>(static_cast<std::uint16_t>(hi + a) >> sh);
          out[i] = static_cast<Rux8u>(v > 255 ? 255 : v);
        }
        return;
      }
    }
    // Locals and a restricted output let the loop vectorise.
    const std::uint32_t m = mul, a = add;
    const int sh = shift;
    Rux8u* __restrict o = out;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t v = (static_cast<std::uint32_t>(s[i]) * m + a) >> sh;
      o[i] = static_cast<Rux8u>(v > 255u ? 255u : v);
    }
  }
};

// 8u with areas above 8100: truncate(S * r + 9e-6) in single precision.
struct Trunc8u {
  float r;
  template <class S>
  void operator()(const S* s, Rux8u* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
      const float v = static_cast<float>(s[i]) * r + 9.0e-6f;
      out[i] = static_cast<Rux8u>(v >= 255.0f ? 255 : static_cast<int>(v));
    }
  }
};

// 16u, 16s: nearest-even of float(S) * r, minus the bias, saturated.
template <class T>
struct Nearest16 {
  float r;
  std::int64_t bias;
  template <class S>
  void operator()(const S* s, T* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i)
      out[i] = saturate<T>(roundEvenF(static_cast<float>(s[i]) * r) - bias);
  }
};

// 16s 7x7 C1: truncate(float(S) * (1/49)) of the signed sum (the biased sum minus 49 * 32768).
struct Trunc16s49 {
  template <class S>
  void operator()(const S* s, Rux16s* out, std::size_t n) const {
    const float r = 1.0f / 49.0f;
    for (std::size_t i = 0; i < n; ++i) {
      const float v = static_cast<float>(static_cast<std::int64_t>(s[i]) - 49 * 32768) * r;
      out[i] = saturate<Rux16s>(static_cast<std::int64_t>(v));
    }
  }
};

// 32f: S * r in single precision; 64f: S * (1 / A) in double.
struct Mean32f {
  float r;
  void operator()(const double* s, Rux32f* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<float>(s[i]) * r;
  }
};
struct Mean64f {
  double r;
  void operator()(const double* s, Rux64f* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) out[i] = s[i] * r;
  }
};

// Window sums: the exact sum (less the 16s bias) rounded once to float.
struct SumToFloat {
  std::int64_t bias;
  template <class S>
  void operator()(const S* s, Rux32f* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i)
      out[i] = static_cast<float>(static_cast<std::int64_t>(s[i]) - bias);
  }
};

// The 8u multiplier and shift of the general rule, from r = 1/A in single precision.
Fixed8u generalRule8u(long long area) {
  const float r = 1.0f / static_cast<float>(area);
  if (r == 1.0f) return {4096u, 2048u, 12};
  std::uint32_t v = static_cast<std::uint32_t>(static_cast<double>(r) * 4294967295.0);
  int k = 0;
  while ((v & 0x80000000u) == 0 && k < 24) {
    v <<= 1;
    ++k;
  }
  const int s = k + 12;
  return {(v >> 20) + 1u, 1u << (s - 1), s};
}

// ---- drivers ------------------------------------------------------------------------------------

// -34 for an anchor outside the mask: it would read beyond the border the caller provides.
RuxResult anchorStatus(RuxImageSize mask, RuxImagePoint anchor) {
  const bool inside = anchor.x >= 0 && anchor.y >= 0 && anchor.x < mask.width && anchor.y < mask.height;
  return inside ? ruxStatusOk : ruxStatusBadAnchor;
}

// Runs the engine for T with the rule, out of place (possibly in parallel) or in place.
template <class T, int C, bool kAlpha, class Rule>
RuxResult runBox(const T* src, int srcStep, T* dst, int dstStep, const Geometry& g, bool inPlace,
                 bool parallel, const Rule& rule) {
  if (inPlace) return box::filterInPlace<T, C, kAlpha>(dst, dstStep, g, rule);
  return box::filterOutOfPlace<T, C, kAlpha>(src, srcStep, dst, dstStep, g, parallel, rule);
}

template <class T, int C, bool kAlpha>
RuxResult filterBox(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                    RuxImageSize mask, RuxImagePoint anchor, bool inPlaceForm) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (mask.width < 1 || mask.height < 1) return ruxStatusBadMaskSize;
  if (const RuxResult rc = anchorStatus(mask, anchor)) return rc;
  const bool inPlace = inPlaceForm || static_cast<const void*>(src) == static_cast<const void*>(dst);
  if (inPlace) srcStep = dstStep;
  const Geometry g{roi.width, roi.height, mask.width, mask.height, anchor.x, anchor.y};
  // The ring form keeps its own rules only while some rows are written back in the pass.
  const bool ring = inPlace && mask.height < roi.height;
  const long long area = static_cast<long long>(mask.width) * mask.height;
  const bool large = static_cast<long long>(roi.width) * roi.height > 4096;
  if constexpr (std::is_same_v<T, Rux8u>) {
    const bool par = large && !inPlace;
    if (area > 8100) return runBox<T, C, kAlpha>(src, srcStep, dst, dstStep, g, inPlace, par,
                                                 Trunc8u{1.0f / static_cast<float>(area)});
    Fixed8u rule = generalRule8u(area);
    const bool sq3 = mask.width == 3 && mask.height == 3, sq5 = mask.width == 5 && mask.height == 5;
    const bool sq7 = mask.width == 7 && mask.height == 7;
    if (ring) {
      if (sq3 && C == 1) rule = {29128u, 0u, 18};
      if (sq5 && C == 1) rule = {2622u, 0u, 16};
    } else {
      if (sq3 && (C == 1 || C == 3 || kAlpha)) rule = {29128u, 0u, 18};  // C1, C3, AC4
      if (sq5 && C == 1 && !kAlpha) rule = {20971u, 1u << 18, 19};
      if (sq5 && C == 3) rule = {20971u, 1u << 18, 19};
      if (sq7 && C == 1) rule = {5350u, 1u << 17, 18};
    }
    return runBox<T, C, kAlpha>(src, srcStep, dst, dstStep, g, inPlace, par, rule);
  } else if constexpr (std::is_same_v<T, Rux16u>) {
    return runBox<T, C, kAlpha>(src, srcStep, dst, dstStep, g, inPlace, false,
                                Nearest16<Rux16u>{1.0f / static_cast<float>(area), 0});
  } else if constexpr (std::is_same_v<T, Rux16s>) {
    const bool par = large && !inPlace;
    if (!ring && C == 1 && mask.width == 7 && mask.height == 7)
      return runBox<T, C, kAlpha>(src, srcStep, dst, dstStep, g, inPlace, par, Trunc16s49{});
    return runBox<T, C, kAlpha>(src, srcStep, dst, dstStep, g, inPlace, par,
                                Nearest16<Rux16s>{1.0f / static_cast<float>(area), 32768});
  } else {
    return runBox<T, C, kAlpha>(src, srcStep, dst, dstStep, g, inPlace, large && !inPlace,
                                Mean32f{1.0f / static_cast<float>(area)});
  }
}

RuxResult filterBox64f(const Rux64f* src, int srcStep, Rux64f* dst, int dstStep, RuxImageSize roi,
                       RuxImageSize mask, RuxImagePoint anchor) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi) || mask.width < 1 || mask.height < 1) return ruxStatusBadSize;
  if (static_cast<long long>(srcStep) < (static_cast<long long>(roi.width) + mask.width - 1) * 8 ||
      static_cast<long long>(dstStep) < static_cast<long long>(roi.width) * 8)
    return ruxStatusBadStep;
  if (const RuxResult rc = anchorStatus(mask, anchor)) return rc;
  const Geometry g{roi.width, roi.height, mask.width, mask.height, anchor.x, anchor.y};
  const double r = 1.0 / (static_cast<double>(mask.width) * mask.height);
  if (static_cast<const void*>(src) == static_cast<const void*>(dst))
    return box::filterInPlace<Rux64f, 1, false>(dst, dstStep, g, Mean64f{r});
  return box::filterOutOfPlace<Rux64f, 1, false>(src, srcStep, dst, dstStep, g, false, Mean64f{r});
}

// Window sums along a row (mask L x 1, anchor (a, 0)) or a column (mask 1 x L, anchor (0, a)).
template <class T, int C>
RuxResult sumWindow(const T* src, int srcStep, Rux32f* dst, int dstStep, RuxImageSize roi,
                    int length, int anchor, bool row, bool emptyIsOk) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return emptyIsOk ? ruxStatusOk : ruxStatusBadSize;
  if (length < 1) return ruxStatusBadMaskSize;
  if (anchor < 0 || anchor >= length) return ruxStatusBadAnchor;
  const Geometry g = row ? Geometry{roi.width, roi.height, length, 1, anchor, 0}
                         : Geometry{roi.width, roi.height, 1, length, 0, anchor};
  const std::int64_t bias = std::is_same_v<T, Rux16s> ? INT64_C(32768) * length : 0;
  return box::sumOutOfPlace<T, C>(src, srcStep, dst, dstStep, g, SumToFloat{bias});
}

}  // namespace

template <class T>
void fillBox(BoxFn<T>* f) {
  f[0] = &filterBox<T, 1, false>;
  f[1] = &filterBox<T, 3, false>;
  f[2] = &filterBox<T, 4, false>;
  f[3] = &filterBox<T, 4, true>;
}
template <class T>
void fillSum(SumFn<T>* f) {
  f[0] = &sumWindow<T, 1>;
  f[1] = &sumWindow<T, 3>;
  f[2] = &sumWindow<T, 4>;
}

const BoxTable* GetBoxTable() {
  static const BoxTable table = [] {
    BoxTable t{};
    fillBox<Rux8u>(t.box8u);
    fillBox<Rux16u>(t.box16u);
    fillBox<Rux16s>(t.box16s);
    fillBox<Rux32f>(t.box32f);
    t.box64f = &filterBox64f;
    fillSum<Rux8u>(t.sum8u);
    fillSum<Rux16u>(t.sum16u);
    fillSum<Rux16s>(t.sum16s);
    return t;
  }();
  return &table;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetBoxTable);
namespace {
const BoxTable& boxTable() { return *HWY_DYNAMIC_DISPATCH(GetBoxTable)(); }
}  // namespace
}  // namespace rux

using namespace rux;


#define RUX_BOX_LAYOUT(type, T, lay, L)                                                        \
  RUXAPI RuxResult ruxiFilterBox_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,           \
                                                   int dstStep, RuxImageSize roiSize,             \
                                                   RuxImageSize maskSize, RuxImagePoint anchor) { \
    return boxTable().box##type[L](pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, false);    \
  }                                                                                               \
  RUXAPI RuxResult ruxiFilterBox_##type##_##lay##IR(T* pSrcDst, int srcDstStep,                   \
                                                    RuxImageSize roiSize, RuxImageSize maskSize,  \
                                                    RuxImagePoint anchor) {                       \
    return boxTable().box##type[L](pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, maskSize,   \
                                   anchor, true);                                                 \
  }

#define RUX_BOX_TYPE(type, T)              \
  RUX_BOX_LAYOUT(type, T, C1, 0)    \
  RUX_BOX_LAYOUT(type, T, C3, 1)    \
  RUX_BOX_LAYOUT(type, T, C4, 2)    \
  RUX_BOX_LAYOUT(type, T, AC4, 3)

RUX_BOX_TYPE(8u, Rux8u)
RUX_BOX_TYPE(16u, Rux16u)
RUX_BOX_TYPE(16s, Rux16s)
RUX_BOX_TYPE(32f, Rux32f)

RUXAPI RuxResult ruxiFilterBox_64f_C1R(const Rux64f* pSrc, int srcStep, Rux64f* pDst, int dstStep,
                                       RuxImageSize roiSize, RuxImageSize maskSize,
                                       RuxImagePoint anchor) {
  return boxTable().box64f(pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor);
}

// The 8u and 16s row sums treat an empty region as nothing to do.
#define RUX_SUMWIN(type, T, lay, L, rowEmptyOk)                                                    \
  RUXAPI RuxResult ruxiSumWindowRow_##type##32f_##lay##R(const T* pSrc, int srcStep, Rux32f* pDst, \
                                                         int dstStep, RuxImageSize roiSize,        \
                                                         int maskSize, int anchor) {               \
    return boxTable().sum##type[L](pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, true,  \
                           rowEmptyOk);                                                            \
  }                                                                                                \
  RUXAPI RuxResult ruxiSumWindowColumn_##type##32f_##lay##R(                                       \
      const T* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, int maskSize,   \
      int anchor) {                                                                                \
    return boxTable().sum##type[L](pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, false, false); \
  }

#define RUX_SUMWIN_TYPE(type, T, rowEmptyOk) \
  RUX_SUMWIN(type, T, C1, 0, rowEmptyOk)     \
  RUX_SUMWIN(type, T, C3, 1, rowEmptyOk)     \
  RUX_SUMWIN(type, T, C4, 2, rowEmptyOk)

RUX_SUMWIN_TYPE(8u, Rux8u, true)
RUX_SUMWIN_TYPE(16u, Rux16u, false)
RUX_SUMWIN_TYPE(16s, Rux16s, true)

#endif  // HWY_ONCE
