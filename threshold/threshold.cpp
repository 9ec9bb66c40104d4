// Threshold: clamp samples at a threshold (Threshold, _LT, _GT) or replace the samples beyond it by
// a value (_Val, _LTVal, _GTVal, _LTValGTVal), per channel, for 8u, 16u, 16s and 32f images in
// C1, C3, C4 (single-sided replacements only) and AC4 layouts; IR forms are the R forms with the
// source as destination.
//
// Shape: every form is one of five kernel operations (primitives/threshold_kernels): max, min,
// replace below, replace above, replace both. The driver fills per-channel parameters and picks a
// kernel; C3 and C4 images whose channels share their parameters run as C1 rows of width x
// channels. AC4 keeps the destination alpha. Regions of 1 MiB touched and more run in row blocks
// on threads.
// Comparisons are strict: a sample equal to the threshold is never replaced. For 32f the clamps
// turn NaN into the threshold, the replacements keep NaN.
// Validation: Threshold_Val (and so the single-sided replacements of C1, C3, AC4) checks the
// operation first; every other form checks image pointers (-8), size (-6), steps (-14), the
// threshold and value arrays (-8), then the operation (-9999 unless 0 or 4) or the order of the
// two thresholds of _LTValGTVal (-18 when thresholdGT < thresholdLT in a channel).
#include <cstring>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/threshold_kernels.h"

namespace rux {
namespace {

template <class T>
constexpr ThresholdType thresholdType() {
  if constexpr (std::is_same_v<T, Rux8u>) return kThr8u;
  if constexpr (std::is_same_v<T, Rux16u>) return kThr16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kThr16s;
  return kThr32f;
}

template <ThresholdLayout L>
constexpr int channelsOf() {
  return L == kThrC1 ? 1 : (L == kThrC3 ? 3 : 4);
}

// Colour channels that carry parameters: AC4 has three.
template <ThresholdLayout L>
constexpr int paramChannelsOf() {
  return L == kThrC1 ? 1 : (L == kThrC4 ? 4 : 3);
}

template <class T>
RuxResult checkImages(const T* src, int srcStep, const T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  return ruxStatusOk;
}

// Runs one kernel operation. Arrays not used by op may be null; their entries stay zero.
template <class T, ThresholdLayout L>
RuxResult run(ThresholdOp op, const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
              const T* tLT, const T* vLT, const T* tGT, const T* vGT) {
  constexpr int K = paramChannelsOf<L>();
  ThresholdParams<T> p{};
  for (int c = 0; c < K; ++c) {
    if (tLT) p.tLT[c] = tLT[c];
    if (vLT) p.vLT[c] = vLT[c];
    if (tGT) p.tGT[c] = tGT[c];
    if (vGT) p.vGT[c] = vGT[c];
  }
  // Channels sharing every parameter (bit for bit) make C3 and C4 one longer C1 row.
  bool shared = L == kThrC3 || L == kThrC4;
  for (int c = 1; shared && c < K; ++c) {
    shared = std::memcmp(&p.tLT[c], &p.tLT[0], sizeof(T)) == 0 &&
             std::memcmp(&p.vLT[c], &p.vLT[0], sizeof(T)) == 0 &&
             std::memcmp(&p.tGT[c], &p.tGT[0], sizeof(T)) == 0 &&
             std::memcmp(&p.vGT[c], &p.vGT[0], sizeof(T)) == 0;
  }
  // Shared-parameter rows of a destination that does not stay in cache bypass it; in place the
  // rows were just read, so they stay.
  p.stream = (shared || L == kThrC1) && static_cast<const void*>(src) != static_cast<const void*>(dst) &&
             streamWrites(static_cast<long long>(roi.width) * channelsOf<L>() * static_cast<long long>(sizeof(T)) * roi.height);
  const auto& table = thresholdKernels().threshold[thresholdType<T>()][op];
  const std::size_t width = static_cast<std::size_t>(roi.width);
  const long long rowBytes = 2LL * roi.width * channelsOf<L>() * static_cast<long long>(sizeof(T));
  par::forEachRowBlockBySize(roi.height, rowBytes, [&](par::RowRange r) {
    const T* s = rowPtr(src, srcStep, r.begin);
    T* d = rowPtr(dst, dstStep, r.begin);
    if (shared) {
      table[kThrC1](s, srcStep, d, dstStep, width * channelsOf<L>(), r.size(), &p);
    } else {
      table[L](s, srcStep, d, dstStep, width, r.size(), &p);
    }
  });
  return ruxStatusOk;
}

// Threshold, _LT, _GT: max(x, t) for less, min(x, t) for greater.
template <class T, ThresholdLayout L>
RuxResult clampAt(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, const T* t,
                  int cmpOp) {
  if (const RuxResult rc = checkImages(src, srcStep, dst, dstStep, roi)) return rc;
  if (t == nullptr) return ruxStatusNullPointer;
  if (cmpOp == ruxCompareLess) {
    return run<T, L>(kThrMax, src, srcStep, dst, dstStep, roi, t, nullptr, nullptr, nullptr);
  }
  if (cmpOp == ruxCompareGreater) {
    return run<T, L>(kThrMin, src, srcStep, dst, dstStep, roi, nullptr, nullptr, t, nullptr);
  }
  return ruxStatusUnsupportedMode;
}

// _Val, _LTVal, _GTVal: samples strictly beyond t become v.
template <class T, ThresholdLayout L>
RuxResult replaceBeyond(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                        const T* t, const T* v, int cmpOp) {
  if (cmpOp != ruxCompareLess && cmpOp != ruxCompareGreater) return ruxStatusUnsupportedMode;
  if (const RuxResult rc = checkImages(src, srcStep, dst, dstStep, roi)) return rc;
  if (anyNull(t, v)) return ruxStatusNullPointer;
  if (cmpOp == ruxCompareLess) {
    return run<T, L>(kThrLess, src, srcStep, dst, dstStep, roi, t, v, nullptr, nullptr);
  }
  return run<T, L>(kThrGreater, src, srcStep, dst, dstStep, roi, nullptr, nullptr, t, v);
}

template <class T, ThresholdLayout L>
RuxResult replaceOutside(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                         const T* tLT, const T* vLT, const T* tGT, const T* vGT) {
  if (const RuxResult rc = checkImages(src, srcStep, dst, dstStep, roi)) return rc;
  if (anyNull(tLT, vLT, tGT, vGT)) return ruxStatusNullPointer;
  for (int c = 0; c < paramChannelsOf<L>(); ++c) {
    if (tGT[c] < tLT[c]) return ruxStatusBadThresholds;
  }
  return run<T, L>(kThrBoth, src, srcStep, dst, dstStep, roi, tLT, vLT, tGT, vGT);
}

}  // namespace
}  // namespace rux

using namespace rux;

// A C1 threshold or value is passed by value; the others are arrays.
#define RUX_THR_PTR_C1(v) (&(v))
#define RUX_THR_PTR_C3(v) (v)
#define RUX_THR_PTR_C4(v) (v)
#define RUX_THR_PTR_AC4(v) (v)

// R and IR forms of one name: ARGS are the listed parameters, CALL the driver call with SRC, SS,
// DST, DS standing for the image operands.
#define RUX_THR_FORMS(name, type, T, lay, ARGS, CALL)                                              \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst,             \
                                                  int dstStep, RuxImageSize roiSize, ARGS) {       \
    return CALL(pSrc, srcStep, pDst, dstStep);                                                     \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##IR(T* pSrcDst, int srcDstStep,                     \
                                                   RuxImageSize roiSize, ARGS) {                   \
    return CALL(pSrcDst, srcDstStep, pSrcDst, srcDstStep);                                         \
  }

#define RUX_COMMA ,

#define RUX_THR_SINGLE(type, T, L, lay, CT)                                                        \
  RUX_THR_FORMS(Threshold, type, T, lay, CT threshold RUX_COMMA RuxCompareOp ruxCmpOp,             \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return clampAt<T, L>(s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(threshold),        \
                                       static_cast<int>(ruxCmpOp));                                \
                }))                                                                                \
  RUX_THR_FORMS(Threshold_LT, type, T, lay, CT threshold,                                          \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return clampAt<T, L>(s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(threshold),        \
                                       ruxCompareLess);                                            \
                }))                                                                                \
  RUX_THR_FORMS(Threshold_GT, type, T, lay, CT threshold,                                          \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return clampAt<T, L>(s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(threshold),        \
                                       ruxCompareGreater);                                         \
                }))                                                                                \
  RUX_THR_FORMS(Threshold_Val, type, T, lay,                                                       \
                CT threshold RUX_COMMA CT value RUX_COMMA RuxCompareOp ruxCmpOp,                   \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return replaceBeyond<T, L>(s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(threshold),  \
                                             RUX_THR_PTR_##lay(value),                             \
                                             static_cast<int>(ruxCmpOp));                          \
                }))                                                                                \
  RUX_THR_FORMS(Threshold_LTValGTVal, type, T, lay,                                                \
                CT thresholdLT RUX_COMMA CT valueLT RUX_COMMA CT thresholdGT RUX_COMMA CT valueGT, \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return replaceOutside<T, L>(                                                     \
                      s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(thresholdLT),                       \
                      RUX_THR_PTR_##lay(valueLT), RUX_THR_PTR_##lay(thresholdGT),                  \
                      RUX_THR_PTR_##lay(valueGT));                                                 \
                }))

// _LTVal and _GTVal, which also exist for C4.
#define RUX_THR_SIDED(type, T, L, lay, CT)                                                         \
  RUX_THR_FORMS(Threshold_LTVal, type, T, lay, CT threshold RUX_COMMA CT value,                    \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return replaceBeyond<T, L>(s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(threshold),  \
                                             RUX_THR_PTR_##lay(value), ruxCompareLess);            \
                }))                                                                                \
  RUX_THR_FORMS(Threshold_GTVal, type, T, lay, CT threshold RUX_COMMA CT value,                    \
                ([&](const T* s, int ss, T* d, int ds) {                                           \
                  return replaceBeyond<T, L>(s, ss, d, ds, roiSize, RUX_THR_PTR_##lay(threshold),  \
                                             RUX_THR_PTR_##lay(value), ruxCompareGreater);         \
                }))

#define RUX_THR_TYPE(type, T)                                  \
  RUX_THR_SINGLE(type, T, kThrC1, C1, T)                       \
  RUX_THR_SINGLE(type, T, kThrC3, C3, const T*)                \
  RUX_THR_SINGLE(type, T, kThrAC4, AC4, const T*)              \
  RUX_THR_SIDED(type, T, kThrC1, C1, T)                        \
  RUX_THR_SIDED(type, T, kThrC3, C3, const T*)                 \
  RUX_THR_SIDED(type, T, kThrC4, C4, const T*)                 \
  RUX_THR_SIDED(type, T, kThrAC4, AC4, const T*)

RUX_THR_TYPE(8u, Rux8u)
RUX_THR_TYPE(16u, Rux16u)
RUX_THR_TYPE(16s, Rux16s)
RUX_THR_TYPE(32f, Rux32f)
