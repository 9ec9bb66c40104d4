// Test-image generators: a linear ramp and the concentric-ring (Jaehne) pattern.
//
// Shape: ImageRamp computes each value in single precision as float(i) * slope + offset with
// i = x, y or x*y, then truncates and saturates it to the sample type (NaN gives 0). Axis 0
// computes one row of values in scratch and spreads it to every row through the channel
// shuffle kernel; axis 1 fills each row with its value through the pattern-fill kernel;
// axis 2 computes every pixel (the product x*y is exact, in 64 bits).
// ImageJaehne computes in double precision, theta = 2pi((x-cx)^2 + (y-cy)^2) / (4H) and a
// per-type scaling of sin(theta). The pattern is symmetric about the region centre, exactly
// so in double arithmetic, so only the top-left quarter calls sin(); the rest is mirrored.
// Every channel of a pixel gets the same value; AC4 keeps alpha.
// Validation: null (-8), step (-14), size (-6), then the ramp axis (-5), then scratch (-9).
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/scratch.h"
#include "primitives/move_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

// Truncation toward zero with saturation; NaN maps to 0.
template <class T>
T truncSaturate(float v) {
  if constexpr (std::is_same_v<T, Rux32f>) {
    return v;
  } else {
    if (v != v) return T(0);
    constexpr T lo = std::numeric_limits<T>::min();
    constexpr T hi = std::numeric_limits<T>::max();
    if (v >= static_cast<float>(hi)) return hi;
    if (v <= static_cast<float>(lo)) return lo;
    return static_cast<T>(static_cast<long long>(v));
  }
}

template <class T>
T rampValue(long long i, float offset, float slope) {
  return truncSaturate<T>(static_cast<float>(i) * slope + offset);
}

template <int C, bool kAC4>
constexpr MoveLayout layoutOf() {
  return C == 1 ? kMoveC1 : (C == 3 ? kMoveC3 : (kAC4 ? kMoveAC4 : kMoveC4));
}

template <class T, int C, bool kAC4>
void putPixel(T* row, int x, T v) {
  for (int k = 0; k < (kAC4 ? 3 : C); ++k) storeAt(row + x * C + k, v);
}

template <class T, int C, bool kAC4>
RuxResult imageRamp(T* dst, int step, RuxImageSize roi, float offset, float slope, int axis) {
  if (dst == nullptr) return ruxStatusNullPointer;
  if (step < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (axis < 0 || axis > 2) return ruxStatusBadArg;
  const MoveKernels& mk = moveKernels();
  const std::size_t width = static_cast<std::size_t>(roi.width);
  if (axis == 0) {
    Scratch<T> values(roi.width);
    if (!values) return ruxStatusNoMemory;
    for (int x = 0; x < roi.width; ++x) values.get()[x] = rampValue<T>(x, offset, slope);
    static constexpr int kSel[4] = {0, 0, 0, kAC4 ? kSelKeep : 0};
    for (int y = 0; y < roi.height; ++y) {
      T* row = rowPtr(dst, step, y);
      if constexpr (C == 1) {
        std::memcpy(row, values.get(), width * sizeof(T));
      } else {
        mk.shuffle[sizeClass<T>()][1][C](values.get(), row, width, kSel, nullptr);
      }
    }
  } else if (axis == 1) {
    const FillRowFn fill = mk.fill[sizeClass<T>()][layoutOf<C, kAC4>()];
    for (int y = 0; y < roi.height; ++y) {
      const T v = rampValue<T>(y, offset, slope);
      const T value[4] = {v, v, v, v};
      fill(value, rowPtr(dst, step, y), width);
    }
  } else {
    for (int y = 0; y < roi.height; ++y) {
      T* row = rowPtr(dst, step, y);
      for (int x = 0; x < roi.width; ++x) {
        putPixel<T, C, kAC4>(row, x, rampValue<T>(static_cast<long long>(x) * y, offset, slope));
      }
    }
  }
  return ruxStatusOk;
}

// sin(theta) scaled and truncated to the type (every value is inside the type's range).
template <class T>
T jaehneValue(double s) {
  if constexpr (std::is_same_v<T, Rux32f>) return static_cast<float>(0.49999 * (s + 1.0));
  if constexpr (std::is_same_v<T, Rux8u>) return static_cast<T>(127.99999 * (s + 1.0));
  if constexpr (std::is_same_v<T, Rux16u>) return static_cast<T>(32767.99999 * (s + 1.0));
  if constexpr (std::is_same_v<T, Rux8s>) return static_cast<T>(127.99999 * s);
  if constexpr (std::is_same_v<T, Rux16s>) return static_cast<T>(32767.99999 * s);
  if constexpr (std::is_same_v<T, Rux32s>) return static_cast<T>(2147483647.99999 * s);
}

template <class T, int C, bool kAC4>
RuxResult imageJaehne(T* dst, int step, RuxImageSize roi) {
  if (dst == nullptr) return ruxStatusNullPointer;
  if (step < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  const int w = roi.width, h = roi.height;
  const double cx = (w - 1) * 0.5, cy = (h - 1) * 0.5;
  const double denom = 4.0 * h;
  const std::size_t rowBytes = static_cast<std::size_t>(w) * C * sizeof(T);
  const ShuffleRowFn copyColour = moveKernels().shuffle[sizeClass<T>()][4][4];
  static constexpr int kKeepAlpha[4] = {0, 1, 2, kSelKeep};
  for (int y = 0; y < h; ++y) {
    T* row = rowPtr(dst, step, y);
    if (y >= (h + 1) / 2) {  // row h-1-y has the same values
      const T* mirror = rowPtr(dst, step, h - 1 - y);
      if constexpr (kAC4) {
        copyColour(mirror, row, static_cast<std::size_t>(w), kKeepAlpha, nullptr);
      } else {
        std::memcpy(row, mirror, rowBytes);
      }
      continue;
    }
    const double dy = y - cy;
    for (int x = 0; x < (w + 1) / 2; ++x) {
      const double dx = x - cx;
      const double theta = 6.283185307179586 * (dx * dx + dy * dy) / denom;
      const T v = jaehneValue<T>(std::sin(theta));
      putPixel<T, C, kAC4>(row, x, v);
      putPixel<T, C, kAC4>(row, w - 1 - x, v);
    }
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_GENERATOR_FORMS(type, T, layout, C, kAC4)                                            \
  RUXAPI RuxResult ruxiImageRamp_##type##_##layout##R(T* pDst, int dstStep, RuxImageSize roiSize, \
                                                      float offset, float slope, int axis) {      \
    return imageRamp<T, C, kAC4>(pDst, dstStep, roiSize, offset, slope, axis);                    \
  }                                                                                               \
  RUXAPI RuxResult ruxiImageJaehne_##type##_##layout##R(T* pDst, int dstStep,                    \
                                                        RuxImageSize roiSize) {                   \
    return imageJaehne<T, C, kAC4>(pDst, dstStep, roiSize);                                       \
  }

#define RUX_GENERATORS(type, T)                  \
  RUX_GENERATOR_FORMS(type, T, C1, 1, false)     \
  RUX_GENERATOR_FORMS(type, T, C3, 3, false)     \
  RUX_GENERATOR_FORMS(type, T, C4, 4, false)     \
  RUX_GENERATOR_FORMS(type, T, AC4, 4, true)

RUX_GENERATORS(8u, Rux8u)
RUX_GENERATORS(8s, Rux8s)
RUX_GENERATORS(16u, Rux16u)
RUX_GENERATORS(16s, Rux16s)
RUX_GENERATORS(32s, Rux32s)
RUX_GENERATORS(32f, Rux32f)
