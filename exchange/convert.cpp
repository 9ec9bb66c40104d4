// Convert and Scale: type changes between images.
//
// Convert keeps values: widening is exact, narrowing saturates, floats round by the caller's
// mode (0 toward zero, 1 nearest even, anything else ties away from zero) and NaN becomes 0,
// integers scale by 2^-scaleFactor with the same rounding. Scale maps the whole range of the
// source type (for 32f, a caller-given range) onto the whole range of the destination type.
//
// Shape: every pointwise layout is one row kernel over width x channels samples
// (primitives/convert_kernels); rows merge into one when both steps equal the row lengths. AC4
// converts blocks of pixels into a stack block and moves channels 0..2 out with the shared
// shuffle kernel, which leaves the destination alpha as it was. Regions of 1 MiB touched and
// more run in row blocks on threads, under the caller's rounding mode.
// Rounding: the kernels round explicitly and never read the processor's rounding mode, except
// Scale 8u32f and 32f8u, whose single-precision formulas are defined under round-to-nearest:
// they set it for the call through FpRoundingGuard, which restores the caller's mode.
// Validation: null (-8), size (-6), then steps < 1 (-14) for the forms that check steps (not the
// Rs, integer RSfs, 16u32s and 16s32s forms); 1u8u then rejects a negative bit offset (-6).
// Scale 8u32f and 32f8u check the range first (-13 unless vMax > vMin, so NaN is rejected too).
#include <cfenv>
#include <climits>

#include "core/base.h"
#include "core/fp_guard.h"
#include "core/parallel.h"
#include "primitives/convert_kernels.h"
#include "primitives/move_kernels.h"

namespace rux {
namespace {

constexpr int kAlphaChunk = 256;  // pixels per stack block of the AC4 path
constexpr int kSelKeepAlpha[4] = {0, 1, 2, kSelKeep};

// Runs row(s, d, n) over the region: n = width x channels samples per row, or the whole
// region as one row when rows are contiguous. keepAlpha converts 4-channel pixels through a
// stack block so that destination channel 3 is never changed.
template <class S, class D, class Row>
void forRows(const S* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, int channels,
             bool keepAlpha, const Row& row) {
  const std::size_t n = static_cast<std::size_t>(roi.width) * channels;
  const long long touched = static_cast<long long>(n) * (sizeof(S) + sizeof(D) * (keepAlpha ? 2 : 1));
  if (!keepAlpha) {
    const long long total = static_cast<long long>(n) * roi.height;
    const bool merged = static_cast<long long>(srcStep) == static_cast<long long>(n * sizeof(S)) &&
                        static_cast<long long>(dstStep) == static_cast<long long>(n * sizeof(D)) &&
                        total < INT_MAX;
    par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
      if (merged) {
        row(rowPtr(src, srcStep, r.begin), rowPtr(dst, dstStep, r.begin),
            n * static_cast<std::size_t>(r.size()));
        return;
      }
      for (int y = r.begin; y < r.end; ++y) {
        row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), n);
      }
    });
    return;
  }
  const ShuffleRowFn move = moveKernels().shuffle[sizeClass<D>()][4][4];
  par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
    alignas(64) D block[kAlphaChunk * 4];
    for (int y = r.begin; y < r.end; ++y) {
      const S* s = rowPtr(src, srcStep, y);
      D* d = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; x += kAlphaChunk) {
        const int count = roi.width - x < kAlphaChunk ? roi.width - x : kAlphaChunk;
        row(s + 4 * static_cast<std::ptrdiff_t>(x), block, static_cast<std::size_t>(count) * 4);
        move(block, d + 4 * static_cast<std::ptrdiff_t>(x), static_cast<std::size_t>(count),
             kSelKeepAlpha, nullptr);
      }
    }
  });
}

RuxResult checkImages(const void* src, int srcStep, const void* dst, int dstStep,
                      RuxImageSize roi, bool steps) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (steps && (srcStep < 1 || dstStep < 1)) return ruxStatusBadStep;
  return ruxStatusOk;
}

// ---- Convert --------------------------------------------------------------------------------

// C channels per pixel (4 with kAlpha: AC4); kSteps: the form validates steps.
template <class S, class D, int C, bool kAlpha, bool kSteps>
RuxResult convert(const S* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, int mode,
                  int scale) {
  const RuxResult status = checkImages(src, srcStep, dst, dstStep, roi, kSteps);
  if (status != ruxStatusOk) return status;
  const ConvertRowFn fn = convertKernels().convert[sampleType<S>()][sampleType<D>()][roundIndex(mode)];
  forRows(src, srcStep, dst, dstStep, roi, C, kAlpha,
          [&](const S* s, D* d, std::size_t n) { fn(s, d, n, scale); });
  return ruxStatusOk;
}

RuxResult convert1u8u(const Rux8u* src, int srcStep, int bitOffset, Rux8u* dst, int dstStep,
                      RuxImageSize roi) {
  const RuxResult status = checkImages(src, srcStep, dst, dstStep, roi, true);
  if (status != ruxStatusOk) return status;
  if (bitOffset < 0) return ruxStatusBadSize;
  const long long touched = roi.width + (static_cast<long long>(roi.width) + bitOffset + 7) / 8;
  par::forEachRowBlockBySize(roi.height, touched, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      unpackBitsRow(rowPtr(src, srcStep, y), bitOffset, rowPtr(dst, dstStep, y),
                    static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

// ---- Scale ----------------------------------------------------------------------------------

template <class S, class D, int C>
RuxResult scaleWhole(const S* src, int srcStep, D* dst, int dstStep, RuxImageSize roi,
                     ScaleRowFn fn) {
  const RuxResult status = checkImages(src, srcStep, dst, dstStep, roi, true);
  if (status != ruxStatusOk) return status;
  forRows(src, srcStep, dst, dstStep, roi, C == 5 ? 4 : C, C == 5,
          [&](const S* s, D* d, std::size_t n) { fn(s, d, n); });
  return ruxStatusOk;
}

// C = 5 stands for AC4 in the Scale templates.
template <int C>
RuxResult scale8u16u(const Rux8u* src, int srcStep, Rux16u* dst, int dstStep, RuxImageSize roi) {
  return scaleWhole<Rux8u, Rux16u, C>(src, srcStep, dst, dstStep, roi, convertKernels().scale8u16u);
}
template <int C>
RuxResult scale8u16s(const Rux8u* src, int srcStep, Rux16s* dst, int dstStep, RuxImageSize roi) {
  return scaleWhole<Rux8u, Rux16s, C>(src, srcStep, dst, dstStep, roi, convertKernels().scale8u16s);
}
template <int C>
RuxResult scale8u32s(const Rux8u* src, int srcStep, Rux32s* dst, int dstStep, RuxImageSize roi) {
  return scaleWhole<Rux8u, Rux32s, C>(src, srcStep, dst, dstStep, roi, convertKernels().scale8u32s);
}

template <class S, int C>
RuxResult scaleTo8u(const S* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi,
                    int hint) {
  constexpr int kSource = std::is_same_v<S, Rux16u> ? kScaleFrom16u
                          : std::is_same_v<S, Rux16s> ? kScaleFrom16s
                                                      : kScaleFrom32s;
  const ScaleRowFn fn = convertKernels().scaleTo8u[kSource][hint == ruxHintAccurate ? 1 : 0];
  return scaleWhole<S, Rux8u, C>(src, srcStep, dst, dstStep, roi, fn);
}

template <int C>
RuxResult scale8u32f(const Rux8u* src, int srcStep, Rux32f* dst, int dstStep, RuxImageSize roi,
                     Rux32f vMin, Rux32f vMax) {
  if (!(vMax > vMin)) return ruxStatusBadScaleRange;
  const RuxResult status = checkImages(src, srcStep, dst, dstStep, roi, true);
  if (status != ruxStatusOk) return status;
  FpRoundingGuard nearest(FE_TONEAREST);
  // Read after the mode is set, so the compiler cannot evaluate k before it.
  const volatile float lo = vMin, hi = vMax;
  const float k = (hi - lo) / 255.0f;
  const float base = lo;
  const ScaleToFloatRowFn fn = convertKernels().scale8u32f;
  forRows(src, srcStep, dst, dstStep, roi, C == 5 ? 4 : C, C == 5,
          [&](const Rux8u* s, Rux32f* d, std::size_t n) { fn(s, d, n, k, base); });
  return ruxStatusOk;
}

template <int C>
RuxResult scale32f8u(const Rux32f* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi,
                     Rux32f vMin, Rux32f vMax) {
  if (!(vMax > vMin)) return ruxStatusBadScaleRange;
  const RuxResult status = checkImages(src, srcStep, dst, dstStep, roi, true);
  if (status != ruxStatusOk) return status;
  FpRoundingGuard nearest(FE_TONEAREST);
  const volatile float lo = vMin, hi = vMax;
  const float k = 255.0f / (hi - lo);
  const float b = 0.0f - k * lo;
  const float l = lo, h = hi;
  const ScaleFromFloatRowFn fn = convertKernels().scale32f8u;
  forRows(src, srcStep, dst, dstStep, roi, C == 5 ? 4 : C, C == 5,
          [&](const Rux32f* s, Rux8u* d, std::size_t n) { fn(s, d, n, l, h, k, b); });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_CV_ARGS(S, D) const S *pSrc, int srcStep, D *pDst, int dstStep, RuxImageSize roiSize
#define RUX_CV_PASS pSrc, srcStep, pDst, dstStep, roiSize

// Value-keeping conversions in every layout; kSteps: the forms validate steps.
#define RUX_CONVERT_LAYOUTS(st, dt, S, D, kSteps)                                                \
  RUXAPI RuxResult ruxiConvert_##st##dt##_C1R(RUX_CV_ARGS(S, D)) {                               \
    return convert<S, D, 1, false, kSteps>(RUX_CV_PASS, 1, 0);                                   \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_##st##dt##_C3R(RUX_CV_ARGS(S, D)) {                               \
    return convert<S, D, 3, false, kSteps>(RUX_CV_PASS, 1, 0);                                   \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_##st##dt##_C4R(RUX_CV_ARGS(S, D)) {                               \
    return convert<S, D, 4, false, kSteps>(RUX_CV_PASS, 1, 0);                                   \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_##st##dt##_AC4R(RUX_CV_ARGS(S, D)) {                              \
    return convert<S, D, 4, true, kSteps>(RUX_CV_PASS, 1, 0);                                    \
  }

RUX_CONVERT_LAYOUTS(8u, 16u, Rux8u, Rux16u, true)
RUX_CONVERT_LAYOUTS(8u, 16s, Rux8u, Rux16s, true)
RUX_CONVERT_LAYOUTS(8u, 32s, Rux8u, Rux32s, true)
RUX_CONVERT_LAYOUTS(8u, 32f, Rux8u, Rux32f, true)
RUX_CONVERT_LAYOUTS(8s, 32s, Rux8s, Rux32s, true)
RUX_CONVERT_LAYOUTS(8s, 32f, Rux8s, Rux32f, true)
RUX_CONVERT_LAYOUTS(16u, 32s, Rux16u, Rux32s, false)
RUX_CONVERT_LAYOUTS(16u, 32f, Rux16u, Rux32f, true)
RUX_CONVERT_LAYOUTS(16s, 32s, Rux16s, Rux32s, false)
RUX_CONVERT_LAYOUTS(16s, 32f, Rux16s, Rux32f, true)
RUX_CONVERT_LAYOUTS(16u, 8u, Rux16u, Rux8u, true)
RUX_CONVERT_LAYOUTS(16s, 8u, Rux16s, Rux8u, true)
RUX_CONVERT_LAYOUTS(32s, 8u, Rux32s, Rux8u, true)
RUX_CONVERT_LAYOUTS(32s, 8s, Rux32s, Rux8s, true)

// 32f to integer: every layout with a rounding mode, and C1 with a scale factor.
#define RUX_CONVERT_FROM_FLOAT(dt, D)                                                            \
  RUXAPI RuxResult ruxiConvert_32f##dt##_C1R(RUX_CV_ARGS(Rux32f, D), RuxRounding roundMode) {    \
    return convert<Rux32f, D, 1, false, true>(RUX_CV_PASS, roundMode, 0);                        \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_32f##dt##_C3R(RUX_CV_ARGS(Rux32f, D), RuxRounding roundMode) {    \
    return convert<Rux32f, D, 3, false, true>(RUX_CV_PASS, roundMode, 0);                        \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_32f##dt##_C4R(RUX_CV_ARGS(Rux32f, D), RuxRounding roundMode) {    \
    return convert<Rux32f, D, 4, false, true>(RUX_CV_PASS, roundMode, 0);                        \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_32f##dt##_AC4R(RUX_CV_ARGS(Rux32f, D), RuxRounding roundMode) {   \
    return convert<Rux32f, D, 4, true, true>(RUX_CV_PASS, roundMode, 0);                         \
  }                                                                                              \
  RUXAPI RuxResult ruxiConvert_32f##dt##_C1RSfs(RUX_CV_ARGS(Rux32f, D), RuxRounding roundMode,   \
                                                int scaleFactor) {                               \
    return convert<Rux32f, D, 1, false, true>(RUX_CV_PASS, roundMode, scaleFactor);              \
  }

RUX_CONVERT_FROM_FLOAT(8u, Rux8u)
RUX_CONVERT_FROM_FLOAT(8s, Rux8s)
RUX_CONVERT_FROM_FLOAT(16u, Rux16u)
RUX_CONVERT_FROM_FLOAT(16s, Rux16s)

// C1 only: exact widening and integer to float.
#define RUX_CONVERT_C1(st, dt, S, D)                                                             \
  RUXAPI RuxResult ruxiConvert_##st##dt##_C1R(RUX_CV_ARGS(S, D)) {                               \
    return convert<S, D, 1, false, true>(RUX_CV_PASS, 1, 0);                                     \
  }
RUX_CONVERT_C1(8s, 16s, Rux8s, Rux16s)
RUX_CONVERT_C1(16u, 32u, Rux16u, Rux32u)
RUX_CONVERT_C1(32s, 32f, Rux32s, Rux32f)
RUX_CONVERT_C1(32u, 32f, Rux32u, Rux32f)

// Signed to unsigned: negative values become 0.
#define RUX_CONVERT_RS(st, dt, S, D)                                                             \
  RUXAPI RuxResult ruxiConvert_##st##dt##_C1Rs(RUX_CV_ARGS(S, D)) {                              \
    return convert<S, D, 1, false, false>(RUX_CV_PASS, 1, 0);                                    \
  }
RUX_CONVERT_RS(8s, 8u, Rux8s, Rux8u)
RUX_CONVERT_RS(8s, 16u, Rux8s, Rux16u)
RUX_CONVERT_RS(8s, 32u, Rux8s, Rux32u)
RUX_CONVERT_RS(16s, 16u, Rux16s, Rux16u)
RUX_CONVERT_RS(16s, 32u, Rux16s, Rux32u)
RUX_CONVERT_RS(32s, 32u, Rux32s, Rux32u)

// Scaled: saturate(round(v * 2^-scaleFactor)); integer sources do not validate steps.
#define RUX_CONVERT_SFS(st, dt, S, D, kSteps)                                                    \
  RUXAPI RuxResult ruxiConvert_##st##dt##_C1RSfs(RUX_CV_ARGS(S, D), RuxRounding roundMode,       \
                                                 int scaleFactor) {                              \
    return convert<S, D, 1, false, kSteps>(RUX_CV_PASS, roundMode, scaleFactor);                 \
  }
RUX_CONVERT_SFS(8u, 8s, Rux8u, Rux8s, false)
RUX_CONVERT_SFS(16u, 8s, Rux16u, Rux8s, false)
RUX_CONVERT_SFS(16s, 8s, Rux16s, Rux8s, false)
RUX_CONVERT_SFS(16u, 16s, Rux16u, Rux16s, false)
RUX_CONVERT_SFS(32s, 16s, Rux32s, Rux16s, false)
RUX_CONVERT_SFS(32s, 16u, Rux32s, Rux16u, false)
RUX_CONVERT_SFS(32u, 8u, Rux32u, Rux8u, false)
RUX_CONVERT_SFS(32u, 8s, Rux32u, Rux8s, false)
RUX_CONVERT_SFS(32u, 16u, Rux32u, Rux16u, false)
RUX_CONVERT_SFS(32u, 16s, Rux32u, Rux16s, false)
RUX_CONVERT_SFS(32u, 32s, Rux32u, Rux32s, false)
RUX_CONVERT_SFS(32f, 32s, Rux32f, Rux32s, true)
RUX_CONVERT_SFS(32f, 32u, Rux32f, Rux32u, true)

// In place: the 32f samples are replaced by their 32u results.
RUXAPI RuxResult ruxiConvert_32f32u_C1IRSfs(Rux32f* pSrcDst, int srcDstStep, RuxImageSize roiSize,
                                            RuxRounding roundMode, int scaleFactor) {
  return convert<Rux32f, Rux32u, 1, false, true>(pSrcDst, srcDstStep,
                                                 reinterpret_cast<Rux32u*>(pSrcDst), srcDstStep,
                                                 roiSize, roundMode, scaleFactor);
}

RUXAPI RuxResult ruxiConvert_1u8u_C1R(const Rux8u* pSrc, int srcStep, int srcBitOffset, Rux8u* pDst,
                                      int dstStep, RuxImageSize roiSize) {
  return convert1u8u(pSrc, srcStep, srcBitOffset, pDst, dstStep, roiSize);
}

// ---- Scale exports (C = 5: AC4) ----
#define RUX_SCALE_LAYOUTS(X)                                                                     \
  X(C1R, 1)                                                                                      \
  X(C3R, 3)                                                                                      \
  X(C4R, 4)                                                                                      \
  X(AC4R, 5)

#define RUX_SCALE_FORMS(layout, C)                                                               \
  RUXAPI RuxResult ruxiScale_8u16u_##layout(RUX_CV_ARGS(Rux8u, Rux16u)) {                        \
    return scale8u16u<C>(RUX_CV_PASS);                                                           \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_8u16s_##layout(RUX_CV_ARGS(Rux8u, Rux16s)) {                        \
    return scale8u16s<C>(RUX_CV_PASS);                                                           \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_8u32s_##layout(RUX_CV_ARGS(Rux8u, Rux32s)) {                        \
    return scale8u32s<C>(RUX_CV_PASS);                                                           \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_16u8u_##layout(RUX_CV_ARGS(Rux16u, Rux8u), RuxAccuracyHint hint) {  \
    return scaleTo8u<Rux16u, C>(RUX_CV_PASS, rux::hintValue(hint));                              \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_16s8u_##layout(RUX_CV_ARGS(Rux16s, Rux8u), RuxAccuracyHint hint) {  \
    return scaleTo8u<Rux16s, C>(RUX_CV_PASS, rux::hintValue(hint));                              \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_32s8u_##layout(RUX_CV_ARGS(Rux32s, Rux8u), RuxAccuracyHint hint) {  \
    return scaleTo8u<Rux32s, C>(RUX_CV_PASS, rux::hintValue(hint));                              \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_8u32f_##layout(RUX_CV_ARGS(Rux8u, Rux32f), Rux32f vMin,             \
                                            Rux32f vMax) {                                       \
    return scale8u32f<C>(RUX_CV_PASS, vMin, vMax);                                               \
  }                                                                                              \
  RUXAPI RuxResult ruxiScale_32f8u_##layout(RUX_CV_ARGS(Rux32f, Rux8u), Rux32f vMin,             \
                                            Rux32f vMax) {                                       \
    return scale32f8u<C>(RUX_CV_PASS, vMin, vMax);                                               \
  }
RUX_SCALE_LAYOUTS(RUX_SCALE_FORMS)
