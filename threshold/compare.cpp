// Compare, CompareC, CompareEqualEps, CompareEqualEpsC: a one-channel 8u mask, 255 where the
// relation of the first operand (image) to the second (image or per-channel constant) holds in
// every compared channel (three for C3 and AC4, four for C4), else 0. Sources 8u, 16u, 16s, 32f;
// the tolerance forms 32f only (|a - b| <= eps).
//
// Shape: the kernels (primitives/threshold_kernels) load whole pixels, compare per channel, and
// combine the channel masks. Two-image greater relations swap the operands of the less
// relations. Float relations are ordered, so a NaN operand gives 0. Regions of 1 MiB touched
// and more run in row blocks on threads.
// Validation: null pointers (-8), any step < 1 (-14), then the size (-6): steps come before the
// size here; then a negative tolerance (-36). An operation above 4 (as unsigned, so negative
// values too) returns success and writes nothing.
#include <cstring>
#include <type_traits>
#include <utility>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/threshold_kernels.h"

namespace rux {
namespace {

template <class T>
constexpr ThresholdType sampleType() {
  if constexpr (std::is_same_v<T, Rux8u>) return kThr8u;
  if constexpr (std::is_same_v<T, Rux16u>) return kThr16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kThr16s;
  return kThr32f;
}

template <ThresholdLayout L>
constexpr int comparedChannels() {
  return L == kThrC1 ? 1 : (L == kThrC4 ? 4 : 3);
}

// Bytes a row of the region touches: the source images and the one-channel mask.
template <class T, ThresholdLayout L>
long long rowBytes(RuxImageSize roi, int sources) {
  constexpr int C = L == kThrC1 ? 1 : (L == kThrC3 ? 3 : 4);
  return static_cast<long long>(roi.width) * (sources * C * static_cast<long long>(sizeof(T)) + 1);
}

template <class... S>
bool badStep(S... step) {
  return ((step < 1) || ...);
}

template <class T, ThresholdLayout L>
RuxResult compareImages(const T* a, int aStep, const T* b, int bStep, Rux8u* dst, int dstStep,
                        RuxImageSize roi, int cmpOp) {
  if (anyNull(a, b, dst)) return ruxStatusNullPointer;
  if (badStep(aStep, bStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  unsigned rel = static_cast<unsigned>(cmpOp);
  if (rel > ruxCompareGreater) return ruxStatusOk;
  if (rel == ruxCompareGreaterEqual || rel == ruxCompareGreater) {  // b <= a, b < a
    std::swap(a, b);
    std::swap(aStep, bStep);
    rel = rel == ruxCompareGreater ? kRelLess : kRelLessEqual;
  }
  const auto kernel = thresholdKernels().compare[sampleType<T>()][L][rel];
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 2), [&](par::RowRange r) {
    kernel(rowPtr(a, aStep, r.begin), aStep, rowPtr(b, bStep, r.begin), bStep,
           rowPtr(dst, dstStep, r.begin), dstStep, static_cast<std::size_t>(roi.width), r.size(),
           0.0f);
  });
  return ruxStatusOk;
}

template <class T, ThresholdLayout L>
RuxResult compareConst(const T* src, int srcStep, const T* value, Rux8u* dst, int dstStep,
                       RuxImageSize roi, int cmpOp) {
  if (anyNull(src, value, dst)) return ruxStatusNullPointer;
  if (badStep(srcStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  const unsigned rel = static_cast<unsigned>(cmpOp);
  if (rel > ruxCompareGreater) return ruxStatusOk;
  T v[4] = {};
  for (int c = 0; c < comparedChannels<L>(); ++c) v[c] = value[c];
  if constexpr (std::is_same_v<T, Rux8u>) {
    // Less than 0 or greater than 255 never holds: the mask is all 0.
    bool never = false;
    for (int c = 0; c < comparedChannels<L>(); ++c) {
      never = never || (rel == ruxCompareLess && v[c] == 0) ||
              (rel == ruxCompareGreater && v[c] == 255);
    }
    if (never) {
      for (int y = 0; y < roi.height; ++y) {
        std::memset(rowPtr(dst, dstStep, y), 0, static_cast<std::size_t>(roi.width));
      }
      return ruxStatusOk;
    }
  }
  const auto kernel = thresholdKernels().compareConst[sampleType<T>()][L][rel];
  par::forEachRowBlockBySize(roi.height, rowBytes<T, L>(roi, 1), [&](par::RowRange r) {
    kernel(rowPtr(src, srcStep, r.begin), srcStep, v, rowPtr(dst, dstStep, r.begin), dstStep,
           static_cast<std::size_t>(roi.width), r.size(), 0.0f);
  });
  return ruxStatusOk;
}

template <ThresholdLayout L>
RuxResult equalEps(const Rux32f* a, int aStep, const Rux32f* b, int bStep, Rux8u* dst,
                   int dstStep, RuxImageSize roi, Rux32f eps) {
  if (anyNull(a, b, dst)) return ruxStatusNullPointer;
  if (badStep(aStep, bStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (eps < 0) return ruxStatusBadEps;
  const auto kernel = thresholdKernels().compare[kThr32f][L][kRelEps];
  par::forEachRowBlockBySize(roi.height, rowBytes<Rux32f, L>(roi, 2), [&](par::RowRange r) {
    kernel(rowPtr(a, aStep, r.begin), aStep, rowPtr(b, bStep, r.begin), bStep,
           rowPtr(dst, dstStep, r.begin), dstStep, static_cast<std::size_t>(roi.width), r.size(),
           eps);
  });
  return ruxStatusOk;
}

template <ThresholdLayout L>
RuxResult equalEpsConst(const Rux32f* src, int srcStep, const Rux32f* value, Rux8u* dst,
                        int dstStep, RuxImageSize roi, Rux32f eps) {
  if (anyNull(src, value, dst)) return ruxStatusNullPointer;
  if (badStep(srcStep, dstStep)) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (eps < 0) return ruxStatusBadEps;
  Rux32f v[4] = {};
  for (int c = 0; c < comparedChannels<L>(); ++c) v[c] = value[c];
  const auto kernel = thresholdKernels().compareConst[kThr32f][L][kRelEps];
  par::forEachRowBlockBySize(roi.height, rowBytes<Rux32f, L>(roi, 1), [&](par::RowRange r) {
    kernel(rowPtr(src, srcStep, r.begin), srcStep, v, rowPtr(dst, dstStep, r.begin), dstStep,
           static_cast<std::size_t>(roi.width), r.size(), eps);
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_CMP_PTR_C1(v) (&(v))
#define RUX_CMP_PTR_C3(v) (v)
#define RUX_CMP_PTR_C4(v) (v)
#define RUX_CMP_PTR_AC4(v) (v)

#define RUX_CMP(type, T, L, lay, CT)                                                               \
  RUXAPI RuxResult ruxiCompare_##type##_##lay##R(const T* pSrc1, int src1Step, const T* pSrc2,     \
                                                 int src2Step, Rux8u* pDst, int dstStep,           \
                                                 RuxImageSize roiSize, RuxCompareOp ruxCmpOp) {    \
    return compareImages<T, L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize,           \
                               static_cast<int>(ruxCmpOp));                                        \
  }                                                                                                \
  RUXAPI RuxResult ruxiCompareC_##type##_##lay##R(const T* pSrc, int srcStep, CT value,            \
                                                  Rux8u* pDst, int dstStep, RuxImageSize roiSize,  \
                                                  RuxCompareOp ruxCmpOp) {                         \
    return compareConst<T, L>(pSrc, srcStep, RUX_CMP_PTR_##lay(value), pDst, dstStep, roiSize,     \
                              static_cast<int>(ruxCmpOp));                                         \
  }

#define RUX_CMP_TYPE(type, T)                    \
  RUX_CMP(type, T, kThrC1, C1, T)                \
  RUX_CMP(type, T, kThrC3, C3, const T*)         \
  RUX_CMP(type, T, kThrC4, C4, const T*)         \
  RUX_CMP(type, T, kThrAC4, AC4, const T*)

RUX_CMP_TYPE(8u, Rux8u)
RUX_CMP_TYPE(16u, Rux16u)
RUX_CMP_TYPE(16s, Rux16s)
RUX_CMP_TYPE(32f, Rux32f)

#define RUX_CMP_EPS(L, lay, CT)                                                                    \
  RUXAPI RuxResult ruxiCompareEqualEps_32f_##lay##R(const Rux32f* pSrc1, int src1Step,             \
                                                    const Rux32f* pSrc2, int src2Step,             \
                                                    Rux8u* pDst, int dstStep,                      \
                                                    RuxImageSize roiSize, Rux32f eps) {            \
    return equalEps<L>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, eps);             \
  }                                                                                                \
  RUXAPI RuxResult ruxiCompareEqualEpsC_32f_##lay##R(const Rux32f* pSrc, int srcStep, CT value,    \
                                                     Rux8u* pDst, int dstStep,                     \
                                                     RuxImageSize roiSize, Rux32f eps) {           \
    return equalEpsConst<L>(pSrc, srcStep, RUX_CMP_PTR_##lay(value), pDst, dstStep, roiSize,       \
                            eps);                                                                  \
  }

RUX_CMP_EPS(kThrC1, C1, Rux32f)
RUX_CMP_EPS(kThrC3, C3, const Rux32f*)
RUX_CMP_EPS(kThrC4, C4, const Rux32f*)
RUX_CMP_EPS(kThrAC4, AC4, const Rux32f*)
