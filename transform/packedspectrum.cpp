// Operations on packed real spectra and on complex images: products of two packed spectra
// (MulPack, MulPackConj), magnitude and phase of complex images and of packed spectra
// (Magnitude, Phase, MagnitudePack, PhasePack), polar to Cartesian form (PolarToCart) and the
// conversions between the packed layout and full complex spectra (PackToCplxExtend,
// CplxExtendToPack). The windows are in packedspectrum_windows.cpp.
//
// Every member reads the packed layout through spectrum::Pack2D (primitives/spectrum_kernels.h),
// the one description of which positions are real and which hold re/im pairs.
//
//  - MulPack: real positions multiply as reals, pairs as complex numbers. 32f runs the vector
//    row kernels of primitives/spectrum_kernels (large spectra share their row units out among
//    the library's threads; every position is computed alone, so the result does not depend on
//    the thread count). 16s and 32s form the exact products in 64 (32s: 128) bits and deliver
//    saturate(round(v * 2^-scaleFactor)) by the library's scale-factor rule (int_scale.h).
//    In-place forms: the second operand is the source-destination, so MulPackConj_IR computes
//    srcDst = src * conj(srcDst).
//  - Magnitude: 32f in double from exact squares, one square root, one rounding to float; the
//    integer forms in double, scaled by 2^-scaleFactor, rounded to nearest (ties to even) and
//    saturated.
//  - Phase: atan2(im, re) in double, in (-pi, pi]: a zero part counts as +0 whatever its sign,
//    so a negative real number has phase pi (never -pi) and zero has phase 0. Integer forms
//    scale, round and saturate like Magnitude.
//  - MagnitudePack, PhasePack, PackToCplxExtend: each row v of the full spectrum is formed from
//    packed row v (u = 1..(W-1)/2), packed row (H - v) mod H conjugated (the upper half of u) and
//    the vertical pairs of the edge columns (u = 0 and u = W/2), then written out.
//    PackToCplxExtend_32s32sc delivers conj(x) with the imaginary part saturated (the negation
//    of -2^31 is 2^31 - 1).
//  - PolarToCart: re = m cos(p), im = m sin(p) in double, rounded once (integers: to nearest,
//    ties to even, saturated).
// Validation: the products check pointers (-8), steps (-14), then the size (-6); the other
// members pointers, the size, then steps.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/int_scale.h"
#include "primitives/spectrum_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

using spectrum::Pack2D;
using I128 = __int128;

// ---- Shared rules ------------------------------------------------------------------------------

// round(v) to nearest, ties to even, saturated to T (NaN gives 0); independent of the
// processor's rounding mode.
template <class T>
T roundSaturate(double v) {
  constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (v != v) return T(0);
  if (v <= lo) return std::numeric_limits<T>::min();
  if (v >= hi) return std::numeric_limits<T>::max();
  double f = std::floor(v);
  const double r = v - f;
  if (r > 0.5 || (r == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
  return static_cast<T>(f);
}

// saturate(round(v * 2^-s)) for an exact product |v| <= 2^63 by the rule of int_scale.h: values
// within 2^62 go there directly; larger ones saturate for s <= 2 (|v| / 4 >= 2^60) and otherwise
// halve first with the lost bit kept as a sticky bit (below the rounding position for s >= 3).
template <class T>
T scaleWide(I128 v, int s) {
  constexpr I128 kLimit = I128{1} << 62;
  if (v > -kLimit && v < kLimit) return scaleSaturate<T>(static_cast<std::int64_t>(v), s);
  if (s <= 2) return v > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
  return scaleSaturate<T>(static_cast<std::int64_t>((v >> 1) | (v & 1)), s - 1);
}

// A zero part counts as +0, so the phase lies in (-pi, pi] and the phase of zero is 0.
inline double phaseOf(double re, double im) {
  if (im == 0.0) im = 0.0;
  if (re == 0.0) re = 0.0;
  return std::atan2(im, re);
}

// ---- MulPack, MulPackConj ------------------------------------------------------------------------

// Null -8, a step < 1 -14, then the size -6.
template <class T>
RuxResult checkMulPack(const T* a, int aStep, const T* b, int bStep, const T* d, int dStep, RuxImageSize roi) {
  if (anyNull(a, b, d)) return ruxStatusNullPointer;
  if (aStep < 1 || bStep < 1 || dStep < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  return ruxStatusOk;
}

// Spectra of at least this many samples share their row units out among threads.
constexpr long long kParallelSamples = 1 << 18;

template <int C, bool kAlpha, bool kConj>
RuxResult mulPack32f(const Rux32f* a, int aStep, const Rux32f* b, int bStep, Rux32f* d, int dStep, RuxImageSize roi) {
  if (const RuxResult st = checkMulPack(a, aStep, b, bStep, d, dStep, roi); st != ruxStatusOk) return st;
  const Pack2D g{roi.width, roi.height};
  const long long samples = static_cast<long long>(roi.width) * roi.height * C;
  const int threads = samples >= kParallelSamples ? par::requestedThreads() : 1;
  par::forEachRowBlock(g.units(), threads, [&](par::RowRange r) {
    spectrum::mulPackUnits(a, aStep, b, bStep, d, dStep, roi.width, roi.height, C, kConj, kAlpha, r.begin, r.end);
  });
  return ruxStatusOk;
}

template <class T, int C, bool kAlpha>
RuxResult mulPackInt(const T* a, int aStep, const T* b, int bStep, T* d, int dStep, RuxImageSize roi, int s) {
  if (const RuxResult st = checkMulPack(a, aStep, b, bStep, d, dStep, roi); st != ruxStatusOk) return st;
  const Pack2D g{roi.width, roi.height};
  const auto deliver = [s](I128 v) {
    if constexpr (sizeof(T) == 2) {
      return scaleSaturate<T>(static_cast<std::int64_t>(v), s);
    } else {
      return scaleWide<T>(v, s);
    }
  };
  const auto pair = [&](const T* ar, const T* ai, const T* br, const T* bi, T* dr, T* di) {
    const I128 xr = loadSample<T>(ar), xi = loadSample<T>(ai), yr = loadSample<T>(br), yi = loadSample<T>(bi);
    const T re = deliver(xr * yr - xi * yi), im = deliver(xr * yi + xi * yr);
    storeSample<T>(dr, re);
    storeSample<T>(di, im);
  };
  spectrum::walkPacked<T, C, kAlpha>(
      g, a, aStep, b, bStep, d, dStep, 0, g.units(),
      [&](const T* x, const T* y, T* z) { storeSample<T>(z, deliver(I128{loadSample<T>(x)} * loadSample<T>(y))); },
      pair,
      [&](const T* x, const T* y, T* z, int n) {
        constexpr int kColours = kAlpha ? 3 : C;
        for (std::ptrdiff_t i = 0; i < n; ++i) {
          const std::ptrdiff_t o = i * 2 * C;
          for (int c = 0; c < kColours; ++c) pair(x + o + c, x + o + C + c, y + o + c, y + o + C + c, z + o + c, z + o + C + c);
        }
      });
  return ruxStatusOk;
}

// ---- Magnitude, Phase of complex images -----------------------------------------------------------

template <class S, class D>
RuxResult checkPointwise(const S* src, int srcStep, const D* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  return ruxStatusOk;
}

// Complex sample types and their real counterparts.
template <class Z> struct Parts;
template <> struct Parts<Rux32fc> { using T = Rux32f; };
template <> struct Parts<Rux16sc> { using T = Rux16s; };
template <> struct Parts<Rux16uc> { using T = Rux16u; };
template <> struct Parts<Rux32sc> { using T = Rux32s; };

enum class Measure { kMagnitude, kPhase };

// The magnitude or phase of one value, delivered as D (integers: scaled by 2^-s, rounded,
// saturated).
template <Measure M, class D>
D measure(double re, double im, int s) {
  const double v = M == Measure::kMagnitude ? std::sqrt(re * re + im * im) : phaseOf(re, im);
  if constexpr (std::is_floating_point_v<D>) {
    return static_cast<D>(v);
  } else {
    return roundSaturate<D>(std::ldexp(v, -std::clamp(s, -4096, 4096)));
  }
}

template <Measure M, class Z, int C>
RuxResult measureImage(const Z* src, int srcStep, typename Parts<Z>::T* dst, int dstStep, RuxImageSize roi, int s) {
  using T = typename Parts<Z>::T;
  if (const RuxResult st = checkPointwise(src, srcStep, dst, dstStep, roi); st != ruxStatusOk) return st;
  const std::size_t n = static_cast<std::size_t>(roi.width) * C;
  // Every value stands alone: row blocks of large regions run on the library's threads.
  par::forEachRowBlockBySize(roi.height, static_cast<long long>(n) * 3 * sizeof(T), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      const T* in = reinterpret_cast<const T*>(rowPtr(src, srcStep, y));
      T* out = rowPtr(dst, dstStep, y);
      if constexpr (M == Measure::kMagnitude && std::is_same_v<T, Rux32f>) {
        spectrum::magnitude32fc(reinterpret_cast<const Rux32fc*>(in), out, n);
      } else {
        for (std::size_t i = 0; i < n; ++i)
          storeSample<T>(out + i, measure<M, T>(loadSample<T>(in + 2 * i), loadSample<T>(in + 2 * i + 1), s));
      }
    }
  });
  return ruxStatusOk;
}

// ---- Rows of the full spectrum from the packed layout ----------------------------------------------

// Complex values of spectrum row v, columns [u0, u1), channel c of a packed spectrum with C
// channels: out(u, re, im) for each, with V the type of the parts (wide enough to negate).
template <class V, class T, class Out>
void expandRow(const Pack2D& g, const T* P, int step, int C, int c, int v, int u0, int u1, const Out& out) {
  const auto at = [&](int r, int x) { return static_cast<V>(loadSample<T>(rowPtr(P, step, r) + static_cast<std::ptrdiff_t>(x) * C + c)); };
  const auto edge = [&](int u, V* re, V* im) {
    const Pack2D::Spot s = g.locate(v, u);
    *re = at(s.reRow, s.reCol);
    *im = s.imRow < 0 ? V(0) : at(s.imRow, s.imCol);
    if (s.conj && s.imRow >= 0) *im = -*im;
  };
  V re0, im0, reN = 0, imN = 0;
  edge(0, &re0, &im0);
  if (g.nyquistColumn()) edge(g.width / 2, &reN, &imN);
  const int mirror = v == 0 ? 0 : g.height - v;
  const int half = g.width / 2;
  for (int u = u0; u < u1; ++u) {
    if (u == 0) {
      out(u, re0, im0);
    } else if (u <= g.pairs()) {
      out(u, at(v, 2 * u - 1), at(v, 2 * u));
    } else if (u == half && g.nyquistColumn()) {
      out(u, reN, imN);
    } else {
      const int k = g.width - u;
      out(u, at(mirror, 2 * k - 1), -at(mirror, 2 * k));
    }
  }
}

template <Measure M, class T, int C>
RuxResult measurePack(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, int s) {
  if (const RuxResult st = checkPointwise(src, srcStep, dst, dstStep, roi); st != ruxStatusOk) return st;
  const Pack2D g{roi.width, roi.height};
  constexpr int kChunk = 256;
  for (int v = 0; v < roi.height; ++v) {
    T* out = rowPtr(dst, dstStep, v);
    for (int c = 0; c < C; ++c) {
      for (int u0 = 0; u0 < roi.width; u0 += kChunk) {
        const int u1 = std::min(roi.width, u0 + kChunk);
        if constexpr (M == Measure::kMagnitude && std::is_same_v<T, Rux32f>) {
          Rux32fc z[kChunk];
          float m[kChunk];
          expandRow<float>(g, src, srcStep, C, c, v, u0, u1, [&](int u, float re, float im) { z[u - u0] = {re, im}; });
          spectrum::magnitude32fc(z, m, static_cast<std::size_t>(u1 - u0));
          for (int u = u0; u < u1; ++u) storeSample<T>(out + static_cast<std::ptrdiff_t>(u) * C + c, m[u - u0]);
        } else {
          using V = std::conditional_t<std::is_floating_point_v<T>, double, std::int64_t>;
          expandRow<V>(g, src, srcStep, C, c, v, u0, u1, [&](int u, V re, V im) {
            storeSample<T>(out + static_cast<std::ptrdiff_t>(u) * C + c,
                           measure<M, T>(static_cast<double>(re), static_cast<double>(im), s));
          });
        }
      }
    }
  }
  return ruxStatusOk;
}

// ---- PackToCplxExtend, CplxExtendToPack ----------------------------------------------------------

template <class T, class Z>
RuxResult packToComplex(const T* src, int srcStep, RuxImageSize roi, Z* dst, int dstStep) {
  if (const RuxResult st = checkPointwise(src, srcStep, dst, dstStep, roi); st != ruxStatusOk) return st;
  const Pack2D g{roi.width, roi.height};
  using V = std::conditional_t<std::is_floating_point_v<T>, T, std::int64_t>;
  for (int v = 0; v < roi.height; ++v) {
    Z* out = rowPtr(dst, dstStep, v);
    expandRow<V>(g, src, srcStep, 1, 0, v, 0, roi.width, [&](int u, V re, V im) {
      if constexpr (std::is_floating_point_v<T>) {
        storeSample<Z>(out + u, Z{re, im});
      } else {
        storeSample<Z>(out + u, Z{static_cast<T>(re), saturate<T>(im)});
      }
    });
  }
  return ruxStatusOk;
}

template <class Z, int C>
RuxResult complexToPack(const Z* src, int srcStep, RuxImageSize roi, typename Parts<Z>::T* dst, int dstStep) {
  using T = typename Parts<Z>::T;
  if (const RuxResult st = checkPointwise(src, srcStep, dst, dstStep, roi); st != ruxStatusOk) return st;
  const Pack2D g{roi.width, roi.height};
  // Part p (0 re, 1 im) of channel c of C[v][u].
  const auto part = [&](int v, int u, int c, int p) {
    return loadSample<T>(reinterpret_cast<const T*>(rowPtr(src, srcStep, v)) + (static_cast<std::ptrdiff_t>(u) * C + c) * 2 + p);
  };
  for (int r = 0; r < roi.height; ++r) {
    T* out = rowPtr(dst, dstStep, r);
    const Pack2D::EdgeCell e = g.edgeCell(r);
    const int ep = e.part == Pack2D::kIm ? 1 : 0;
    for (int c = 0; c < C; ++c) {
      storeSample<T>(out + c, part(e.freq, 0, c, ep));
      if (g.nyquistColumn()) storeSample<T>(out + static_cast<std::ptrdiff_t>(roi.width - 1) * C + c, part(e.freq, roi.width / 2, c, ep));
      for (int x = 1; x <= 2 * g.pairs(); ++x) storeSample<T>(out + static_cast<std::ptrdiff_t>(x) * C + c, part(r, (x + 1) / 2, c, 1 - (x & 1)));
    }
  }
  return ruxStatusOk;
}

// ---- PolarToCart -------------------------------------------------------------------------------

template <class T, class Z>
void polarRow(const T* m, const T* p, Z* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const double r = loadSample<T>(m + i), a = loadSample<T>(p + i);
    const double re = r * std::cos(a), im = r * std::sin(a);
    if constexpr (std::is_floating_point_v<T>) {
      storeSample<Z>(out + i, Z{static_cast<T>(re), static_cast<T>(im)});
    } else {
      storeSample<Z>(out + i, Z{roundSaturate<T>(re), roundSaturate<T>(im)});
    }
  }
}

template <class T, class Z, int C>
RuxResult polarToCart(const T* magn, const T* phase, int srcStep, RuxImageSize roi, Z* dst, int dstStep) {
  if (anyNull(magn, phase, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const std::size_t n = static_cast<std::size_t>(roi.width) * C;
  for (int y = 0; y < roi.height; ++y) polarRow(rowPtr(magn, srcStep, y), rowPtr(phase, srcStep, y), rowPtr(dst, dstStep, y), n);
  return ruxStatusOk;
}

RuxResult polarToCartPlanes(const Rux32f* const planes[2], int srcStep, RuxImageSize roi, Rux32fc* dst, int dstStep) {
  if (planes == nullptr) return ruxStatusNullPointer;
  return polarToCart<Rux32f, Rux32fc, 1>(planes[0], planes[1], srcStep, roi, dst, dstStep);
}

}  // namespace
}  // namespace rux

using namespace rux;

// ---- Exports ----------------------------------------------------------------------------------

#define RUX_MULPACK_32F(op, conj, lay, C, A)                                                                     \
  RUXAPI RuxResult ruxi##op##_32f_##lay##R(const Rux32f* pSrc1, int src1Step, const Rux32f* pSrc2, int src2Step, \
                                           Rux32f* pDst, int dstStep, RuxImageSize roiSize) {                    \
    return mulPack32f<C, A, conj>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);                    \
  }                                                                                                              \
  RUXAPI RuxResult ruxi##op##_32f_##lay##IR(const Rux32f* pSrc, int srcStep, Rux32f* pSrcDst, int srcDstStep,    \
                                            RuxImageSize roiSize) {                                              \
    return mulPack32f<C, A, conj>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);            \
  }
#define RUX_MULPACK_32F_ALL(op, conj)         \
  RUX_MULPACK_32F(op, conj, C1, 1, false)     \
  RUX_MULPACK_32F(op, conj, C3, 3, false)     \
  RUX_MULPACK_32F(op, conj, C4, 4, false)     \
  RUX_MULPACK_32F(op, conj, AC4, 4, true)

RUX_MULPACK_32F_ALL(MulPack, false)
RUX_MULPACK_32F_ALL(MulPackConj, true)

#define RUX_MULPACK_INT(t, T, lay, C, A)                                                                         \
  RUXAPI RuxResult ruxiMulPack_##t##_##lay##RSfs(const T* pSrc1, int src1Step, const T* pSrc2, int src2Step,    \
                                                 T* pDst, int dstStep, RuxImageSize roiSize, int scaleFactor) {  \
    return mulPackInt<T, C, A>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, scaleFactor);          \
  }                                                                                                              \
  RUXAPI RuxResult ruxiMulPack_##t##_##lay##IRSfs(const T* pSrc, int srcStep, T* pSrcDst, int srcDstStep,       \
                                                  RuxImageSize roiSize, int scaleFactor) {                      \
    return mulPackInt<T, C, A>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, scaleFactor);  \
  }
#define RUX_MULPACK_INT_ALL(t, T)        \
  RUX_MULPACK_INT(t, T, C1, 1, false)    \
  RUX_MULPACK_INT(t, T, C3, 3, false)    \
  RUX_MULPACK_INT(t, T, C4, 4, false)    \
  RUX_MULPACK_INT(t, T, AC4, 4, true)

RUX_MULPACK_INT_ALL(16s, Rux16s)
RUX_MULPACK_INT_ALL(32s, Rux32s)

#define RUX_MEASURE_F(op, M, lay, C)                                                                  \
  RUXAPI RuxResult ruxi##op##_32fc32f_##lay##R(const Rux32fc* pSrc, int srcStep, Rux32f* pDst, int dstStep, \
                                               RuxImageSize roiSize) {                                \
    return measureImage<M, Rux32fc, C>(pSrc, srcStep, pDst, dstStep, roiSize, 0);                     \
  }
#define RUX_MEASURE_I(op, M, zt, Z, T, lay, C)                                                           \
  RUXAPI RuxResult ruxi##op##_##zt##_##lay##RSfs(const Z* pSrc, int srcStep, T* pDst, int dstStep,       \
                                                 RuxImageSize roiSize, int scaleFactor) {                 \
    return measureImage<M, Z, C>(pSrc, srcStep, pDst, dstStep, roiSize, scaleFactor);                     \
  }
#define RUX_MEASURE_ALL(op, M)                               \
  RUX_MEASURE_F(op, M, C1, 1)                                \
  RUX_MEASURE_F(op, M, C3, 3)                                \
  RUX_MEASURE_I(op, M, 16sc16s, Rux16sc, Rux16s, C1, 1)      \
  RUX_MEASURE_I(op, M, 16sc16s, Rux16sc, Rux16s, C3, 3)      \
  RUX_MEASURE_I(op, M, 16uc16u, Rux16uc, Rux16u, C1, 1)      \
  RUX_MEASURE_I(op, M, 16uc16u, Rux16uc, Rux16u, C3, 3)      \
  RUX_MEASURE_I(op, M, 32sc32s, Rux32sc, Rux32s, C1, 1)      \
  RUX_MEASURE_I(op, M, 32sc32s, Rux32sc, Rux32s, C3, 3)

RUX_MEASURE_ALL(Magnitude, Measure::kMagnitude)
RUX_MEASURE_ALL(Phase, Measure::kPhase)

#define RUX_MEASURE_PACK(op, M, t, T, lay, C)                                                             \
  RUXAPI RuxResult ruxi##op##_##t##_##lay##RSfs(const T* pSrc, int srcStep, T* pDst, int dstStep,         \
                                                RuxImageSize dstRoiSize, int scaleFactor) {                \
    return measurePack<M, T, C>(pSrc, srcStep, pDst, dstStep, dstRoiSize, scaleFactor);                   \
  }
#define RUX_MEASURE_PACK_ALL(op, M)                                                                        \
  RUXAPI RuxResult ruxi##op##_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,         \
                                      RuxImageSize dstRoiSize) {                                           \
    return measurePack<M, Rux32f, 1>(pSrc, srcStep, pDst, dstStep, dstRoiSize, 0);                        \
  }                                                                                                        \
  RUXAPI RuxResult ruxi##op##_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,         \
                                      RuxImageSize dstRoiSize) {                                           \
    return measurePack<M, Rux32f, 3>(pSrc, srcStep, pDst, dstStep, dstRoiSize, 0);                        \
  }                                                                                                        \
  RUX_MEASURE_PACK(op, M, 16s, Rux16s, C1, 1)                                                              \
  RUX_MEASURE_PACK(op, M, 16s, Rux16s, C3, 3)                                                              \
  RUX_MEASURE_PACK(op, M, 32s, Rux32s, C1, 1)                                                              \
  RUX_MEASURE_PACK(op, M, 32s, Rux32s, C3, 3)

RUX_MEASURE_PACK_ALL(MagnitudePack, Measure::kMagnitude)
RUX_MEASURE_PACK_ALL(PhasePack, Measure::kPhase)

#define RUX_POLAR(zt, T, Z, lay, C)                                                                           \
  RUXAPI RuxResult ruxiPolarToCart_##zt##_##lay##R(const T* pSrcMagn, const T* pSrcPhase, int srcStep,       \
                                                   RuxImageSize roiSize, Z* pDst, int dstStep) {             \
    return polarToCart<T, Z, C>(pSrcMagn, pSrcPhase, srcStep, roiSize, pDst, dstStep);                       \
  }
RUX_POLAR(32fc, Rux32f, Rux32fc, C1, 1)
RUX_POLAR(32fc, Rux32f, Rux32fc, C3, 3)
RUX_POLAR(32sc, Rux32s, Rux32sc, C1, 1)
RUX_POLAR(32sc, Rux32s, Rux32sc, C3, 3)
RUX_POLAR(16sc, Rux16s, Rux16sc, C1, 1)
RUX_POLAR(16sc, Rux16s, Rux16sc, C3, 3)

RUXAPI RuxResult ruxiPolarToCart_32f32fc_P2C1R(const Rux32f* const pSrc[2], int srcStep, RuxImageSize roiSize,
                                               Rux32fc* pDst, int dstStep) {
  return polarToCartPlanes(pSrc, srcStep, roiSize, pDst, dstStep);
}

RUXAPI RuxResult ruxiPackToCplxExtend_32f32fc_C1R(const Rux32f* pSrc, int srcStep, RuxImageSize srcSize,
                                                  Rux32fc* pDst, int dstStep) {
  return packToComplex(pSrc, srcStep, srcSize, pDst, dstStep);
}
RUXAPI RuxResult ruxiPackToCplxExtend_32s32sc_C1R(const Rux32s* pSrc, int srcStep, RuxImageSize srcSize,
                                                  Rux32sc* pDst, int dstStep) {
  return packToComplex(pSrc, srcStep, srcSize, pDst, dstStep);
}

#define RUX_TO_PACK(zt, Z, T, lay, C)                                                                          \
  RUXAPI RuxResult ruxiCplxExtendToPack_##zt##_##lay##R(const Z* pSrc, int srcStep, RuxImageSize srcSize,     \
                                                        T* pDst, int dstStep) {                              \
    return complexToPack<Z, C>(pSrc, srcStep, srcSize, pDst, dstStep);                                       \
  }
RUX_TO_PACK(32fc32f, Rux32fc, Rux32f, C1, 1)
RUX_TO_PACK(32fc32f, Rux32fc, Rux32f, C3, 3)
RUX_TO_PACK(32sc32s, Rux32sc, Rux32s, C1, 1)
RUX_TO_PACK(32sc32s, Rux32sc, Rux32s, C3, 3)
RUX_TO_PACK(16sc16s, Rux16sc, Rux16s, C1, 1)
RUX_TO_PACK(16sc16s, Rux16sc, Rux16s, C3, 3)
