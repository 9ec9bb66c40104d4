// Look-up families: LUT (piecewise constant), LUT_Linear and LUT_Cubic over (level, value) pairs.
//
// Interval k is [levels[k], levels[k+1]); samples in no interval are copied. Integer types
// evaluate every interval through one segment (a constant, a line rounded half up, or a cubic
// through four neighbouring points, all in double, truncated and saturated) and let the last
// interval that contains a sample decide; 32f lets the first decide and evaluates in double.
// Shape: 8u builds a 256-entry map per channel and maps the image through it (C1 and channels
// sharing one map use the vector byte look-up). 16u/16s build 65,536-entry maps in scratch when
// the region has more than 4,096 pixels and evaluate per sample otherwise; both give the same
// result. Maps of strictly increasing levels fill each interval once; other levels are filled
// from the last interval down, skipping entries already set, so overlaps cost nothing extra.
// Validation: null (-8), size (-6), steps (-14), nLevels (-106); multi-channel members check each
// channel's pointers and nLevels before size and steps. Scratch failures return -9 before any
// write. Regions of 1 MiB touched and more run in row blocks on threads.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/lut_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

enum class Kind { kConst, kLinear, kCubic };

template <class T>
using LevelOf = std::conditional_t<std::is_floating_point_v<T>, Rux32f, Rux32s>;

template <class L>
bool strictlyIncreasing(const L* l, int n) {
  for (int k = 0; k + 1 < n; ++k) {
    if (!(l[k] < l[k + 1])) return false;
  }
  return true;
}

// z truncated toward zero and saturated to T (NaN cannot arise; it would give the minimum).
template <class T>
T truncSaturate(double z) {
  constexpr double lo = std::numeric_limits<T>::min();
  constexpr double hi = std::numeric_limits<T>::max();
  if (!(z > lo)) return std::numeric_limits<T>::min();
  if (z >= hi) return std::numeric_limits<T>::max();
  return static_cast<T>(static_cast<long long>(z));
}

template <class T>
T saturate(long long v) {
  return static_cast<T>(std::clamp<long long>(v, std::numeric_limits<T>::min(),
                                              std::numeric_limits<T>::max()));
}

// Cubic v + c1 t + c2 t^2 + c3 t^3, t = x - a, through the four points j..j+3, anchored at j+1.
struct Cubic {
  double a, v, c1, c2, c3;
};

// Solves the cubic in double; false when two of the four levels coincide (no unique cubic).
template <class L>
bool solveCubic(const L* l, const L* v, int j, Cubic& out) {
  const double a = static_cast<double>(l[j + 1]);
  const double v1 = static_cast<double>(v[j + 1]);
  const double t0 = static_cast<double>(l[j]) - a;
  const double t2 = static_cast<double>(l[j + 2]) - a;
  const double t3 = static_cast<double>(l[j + 3]) - a;
  // c1 + c2 t + c3 t^2 passes through (t_m, (v_m - v1) / t_m): Newton's divided differences.
  const double q0 = (static_cast<double>(v[j]) - v1) / t0;
  const double q2 = (static_cast<double>(v[j + 2]) - v1) / t2;
  const double q3 = (static_cast<double>(v[j + 3]) - v1) / t3;
  const double d02 = (q2 - q0) / (t2 - t0);
  const double d23 = (q3 - q2) / (t3 - t2);
  const double c3 = (d23 - d02) / (t3 - t0);
  const double c2 = d02 - c3 * (t0 + t2);
  const double c1 = q0 - c2 * t0 - c3 * t0 * t0;
  out = {a, v1, c1, c2, c3};
  return std::isfinite(c1) && std::isfinite(c2) && std::isfinite(c3);
}

// ---- integer types -------------------------------------------------------------------------

// How interval k maps an integer sample.
template <class T>
struct Segment {
  enum Form { kValue, kLine, kPoly } form;
  T value;     // kValue
  double s, b; // kLine: trunc(i s + b)
  Cubic p;     // kPoly: trunc(p(i) + 0.5)

  T at(long long i) const {
    if (form == kValue) return value;
    if (form == kLine) return truncSaturate<T>(static_cast<double>(i) * s + b);
    const double t = static_cast<double>(i) - p.a;
    return truncSaturate<T>(p.v + t * (p.c1 + t * (p.c2 + t * p.c3)) + 0.5);
  }
};

template <class T>
Segment<T> lineSegment(const Rux32s* v, const Rux32s* l, int k) {
  Segment<T> seg{};
  if (static_cast<long long>(l[k + 1]) - l[k] == 1) {  // one level wide: the value itself
    seg.form = Segment<T>::kValue;
    seg.value = saturate<T>(v[k]);
    return seg;
  }
  seg.form = Segment<T>::kLine;
  seg.s = (static_cast<double>(v[k + 1]) - v[k]) / (static_cast<double>(l[k + 1]) - l[k]);
  seg.b = static_cast<double>(v[k]) + 0.5 - static_cast<double>(l[k]) * seg.s;
  return seg;
}

template <class T>
Segment<T> segmentOf(Kind kind, const Rux32s* v, const Rux32s* l, int n, int k) {
  if (kind == Kind::kConst) {
    Segment<T> seg{};
    seg.form = Segment<T>::kValue;
    seg.value = saturate<T>(v[k]);
    return seg;
  }
  if (kind == Kind::kCubic && n >= 4) {
    Segment<T> seg{};
    seg.form = Segment<T>::kPoly;
    if (solveCubic(l, v, std::clamp(k - 1, 0, n - 4), seg.p)) return seg;
  }
  return lineSegment<T>(v, l, k);  // LUT_Linear, short cubic tables and degenerate point sets
}

template <class T>
struct SampleSpace {
  static constexpr long long kMin = std::numeric_limits<T>::min();
  static constexpr long long kCount = 1LL << (8 * sizeof(T));
};

// map[i] is the result for the sample kMin + i. next (kCount + 1 entries) is needed only for
// levels that are not strictly increasing.
template <class T>
void buildMap(Kind kind, const Rux32s* v, const Rux32s* l, int n, bool increasing, T* map,
              std::int32_t* next) {
  using S = SampleSpace<T>;
  for (long long i = 0; i < S::kCount; ++i) map[i] = static_cast<T>(S::kMin + i);
  const auto range = [&](int k, long long& lo, long long& hi) {
    lo = std::clamp<long long>(l[k] - S::kMin, 0, S::kCount);
    hi = std::clamp<long long>(l[k + 1] - S::kMin, 0, S::kCount);
    return hi > lo;
  };
  if (increasing) {  // disjoint intervals
    for (int k = 0; k + 1 < n; ++k) {
      long long lo, hi;
      if (!range(k, lo, hi)) continue;
      const Segment<T> seg = segmentOf<T>(kind, v, l, n, k);
      for (long long i = lo; i < hi; ++i) map[i] = seg.at(S::kMin + i);
    }
    return;
  }
  // The last interval containing an entry decides: fill from the top down, each entry once;
  // next[i] leads to the first entry >= i not yet filled.
  for (long long i = 0; i <= S::kCount; ++i) next[i] = static_cast<std::int32_t>(i);
  const auto find = [&](long long i) {
    long long root = i;
    while (next[root] != root) root = next[root];
    while (next[i] != root) {
      const long long up = next[i];
      next[i] = static_cast<std::int32_t>(root);
      i = up;
    }
    return root;
  };
  for (int k = n - 2; k >= 0; --k) {
    long long lo, hi;
    if (!range(k, lo, hi)) continue;
    long long i = find(lo);
    if (i >= hi) continue;
    const Segment<T> seg = segmentOf<T>(kind, v, l, n, k);
    for (; i < hi; i = find(i + 1)) {
      map[i] = seg.at(S::kMin + i);
      next[i] = static_cast<std::int32_t>(i + 1);
    }
  }
}

// Interval of x under the integer rule (the last k with l[k] <= x < l[k+1]), or -1.
int lastInterval(const Rux32s* l, int n, bool increasing, long long x) {
  if (increasing) {
    if (x < l[0] || x >= l[n - 1]) return -1;
    return static_cast<int>(std::upper_bound(l, l + n, x) - l) - 1;
  }
  for (int k = n - 2; k >= 0; --k) {
    if (l[k] <= x && x < l[k + 1]) return k;
  }
  return -1;
}

template <int C, int NCH>
void applyByteMaps(const Rux8u* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi,
                   const Rux8u (*map)[256]) {
  bool shared = C != 4 || NCH == 4;  // AC4 must keep alpha: never one map over whole pixels
  for (int c = 1; c < NCH && shared; ++c) shared = std::memcmp(map[0], map[c], 256) == 0;
  if (shared) {
    const ByteLutRowFn row = lutKernels().byteLut;
    const std::size_t n = static_cast<std::size_t>(roi.width) * C;
    const bool merged =
        static_cast<long long>(srcStep) == static_cast<long long>(n) && srcStep == dstStep;
    par::forEachRowBlockBySize(roi.height, 2LL * roi.width * C, [&](par::RowRange r) {
      if (merged) {  // contiguous rows: one run per block
        row(map[0], rowPtr(src, srcStep, r.begin), rowPtr(dst, dstStep, r.begin),
            n * static_cast<std::size_t>(r.size()));
        return;
      }
      for (int y = r.begin; y < r.end; ++y) {
        row(map[0], rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), n);
      }
    });
    return;
  }
  par::forEachRowBlockBySize(roi.height, 2LL * roi.width * C, [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const Rux8u* s = rowPtr(src, srcStep, y);
      Rux8u* d = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; ++x, s += C, d += C) {
        for (int c = 0; c < NCH; ++c) d[c] = map[c][s[c]];
      }
    }
  });
}

template <class T, int C, int NCH>
RuxResult lutInteger(Kind kind, const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                     const Rux32s* const* values, const Rux32s* const* levels, const int* nLevels) {
  using S = SampleSpace<T>;
  bool increasing[NCH];
  bool anyIrregular = false;
  for (int c = 0; c < NCH; ++c) {
    increasing[c] = strictlyIncreasing(levels[c], nLevels[c]);
    anyIrregular |= !increasing[c];
  }
  if constexpr (sizeof(T) == 1) {
    Rux8u map[NCH][256];
    std::int32_t next[257];
    for (int c = 0; c < NCH; ++c) {
      buildMap<Rux8u>(kind, values[c], levels[c], nLevels[c], increasing[c], map[c], next);
    }
    applyByteMaps<C, NCH>(src, srcStep, dst, dstStep, roi, map);
    return ruxStatusOk;
  } else {
    const long long pixels = static_cast<long long>(roi.width) * roi.height;
    if (pixels <= 4096) {  // small regions: evaluate per sample, no table
      for (int y = 0; y < roi.height; ++y) {
        const T* s = rowPtr(src, srcStep, y);
        T* d = rowPtr(dst, dstStep, y);
        for (int x = 0; x < roi.width; ++x, s += C, d += C) {
          for (int c = 0; c < NCH; ++c) {
            const T sample = loadAt(s + c);
            const int k = lastInterval(levels[c], nLevels[c], increasing[c], sample);
            storeAt(d + c, k < 0 ? sample : segmentOf<T>(kind, values[c], levels[c], nLevels[c], k).at(sample));
          }
        }
      }
      return ruxStatusOk;
    }
    const long long mapBytes = NCH * S::kCount * static_cast<long long>(sizeof(T));
    const long long nextBytes = anyIrregular ? (S::kCount + 1) * 4 : 0;
    Scratch<std::uint8_t> scratch(mapBytes + nextBytes);
    if (!scratch) return ruxStatusNoMemory;
    T* maps = reinterpret_cast<T*>(scratch.get());
    auto* next = reinterpret_cast<std::int32_t*>(scratch.get() + mapBytes);
    for (int c = 0; c < NCH; ++c) {
      buildMap<T>(kind, values[c], levels[c], nLevels[c], increasing[c], maps + c * S::kCount, next);
    }
    par::forEachRowBlockBySize(roi.height, 2LL * roi.width * C * static_cast<long long>(sizeof(T)), [&](par::RowRange rr) {
      for (int y = rr.begin; y < rr.end; ++y) {
        const T* s = rowPtr(src, srcStep, y);
        T* d = rowPtr(dst, dstStep, y);
        for (int x = 0; x < roi.width; ++x, s += C, d += C) {
          for (int c = 0; c < NCH; ++c) storeAt(d + c, maps[c * S::kCount + (loadAt(s + c) - S::kMin)]);
        }
      }
    });
    return ruxStatusOk;
  }
}

// ---- 32f ---------------------------------------------------------------------------------

// Interval of x under the 32f rule (the first k with l[k] <= x < l[k+1]), or -1; NaN has none.
int firstInterval(const Rux32f* l, int n, bool increasing, Rux32f x) {
  if (increasing) {
    if (!(x >= l[0] && x < l[n - 1])) return -1;
    return static_cast<int>(std::upper_bound(l, l + n, x) - l) - 1;
  }
  for (int k = 0; k + 1 < n; ++k) {
    if (l[k] <= x && x < l[k + 1]) return k;
  }
  return -1;
}

template <int C, int NCH>
RuxResult lut32f(Kind kind, const Rux32f* src, int srcStep, Rux32f* dst, int dstStep,
                 RuxImageSize roi, const Rux32f* const* values, const Rux32f* const* levels,
                 const int* nLevels) {
  // Per interval: the slope (LUT_Linear) or the cubic (LUT_Cubic with at least 4 levels).
  long long intervals = 0;
  for (int c = 0; c < NCH; ++c) intervals += nLevels[c] - 1;
  const long long perInterval = kind == Kind::kConst ? 0 : (kind == Kind::kLinear ? 1 : 5);
  Scratch<double> scratch(intervals * perInterval);
  if (perInterval > 0 && !scratch) return ruxStatusNoMemory;

  bool increasing[NCH];
  const double* coeff[NCH];
  bool cubic[NCH];
  double* p = scratch.get();
  for (int c = 0; c < NCH; ++c) {
    const Rux32f* l = levels[c];
    const Rux32f* v = values[c];
    const int n = nLevels[c];
    increasing[c] = strictlyIncreasing(l, n);
    cubic[c] = kind == Kind::kCubic && n >= 4;
    coeff[c] = p;
    if (kind == Kind::kConst) continue;
    for (int k = 0; k + 1 < n; ++k) {
      // The line's slope is formed in single precision, then kept as double.
      const Rux32f slope = (v[k + 1] - v[k]) / (l[k + 1] - l[k]);
      if (!cubic[c]) {
        p[k] = slope;
        continue;
      }
      Cubic q;
      if (!solveCubic(l, v, std::clamp(k - 1, 0, n - 4), q)) q = {l[k], v[k], slope, 0.0, 0.0};
      std::memcpy(p + 5 * k, &q, sizeof(q));
    }
    p += (n - 1) * (cubic[c] ? 5 : 1);
  }

  par::forEachRowBlockBySize(roi.height, 8LL * roi.width * C, [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const Rux32f* s = rowPtr(src, srcStep, y);
      Rux32f* d = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; ++x, s += C, d += C) {
        for (int c = 0; c < NCH; ++c) {
          const Rux32f sample = loadAt(s + c);
          const int k = firstInterval(levels[c], nLevels[c], increasing[c], sample);
          if (k < 0) {
            storeAt(d + c, sample);
          } else if (kind == Kind::kConst) {
            storeAt(d + c, values[c][k]);
          } else if (!cubic[c]) {
            storeAt(d + c, static_cast<Rux32f>((static_cast<double>(sample) - levels[c][k]) * coeff[c][k] +
                                               values[c][k]));
          } else {
            const double* q = coeff[c] + 5 * k;
            const double t = static_cast<double>(sample) - q[0];
            storeAt(d + c, static_cast<Rux32f>(q[1] + t * (q[2] + t * (q[3] + t * q[4]))));
          }
        }
      }
    }
  });
  return ruxStatusOk;
}

// ---- validation and drivers -------------------------------------------------------------------

template <class T, int C, int NCH>
RuxResult run(Kind kind, const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
              const LevelOf<T>* const* values, const LevelOf<T>* const* levels, const int* n) {
  if constexpr (std::is_same_v<T, Rux32f>) {
    return lut32f<C, NCH>(kind, src, srcStep, dst, dstStep, roi, values, levels, n);
  } else {
    return lutInteger<T, C, NCH>(kind, src, srcStep, dst, dstStep, roi, values, levels, n);
  }
}

template <class T>
RuxResult lutC1(Kind kind, const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                const LevelOf<T>* values, const LevelOf<T>* levels, int nLevels) {
  if (anyNull(src, dst, values, levels)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (nLevels < 2) return ruxStatusBadLutLevels;
  return run<T, 1, 1>(kind, src, srcStep, dst, dstStep, roi, &values, &levels, &nLevels);
}

template <class T, int C, int NCH>
RuxResult lutMulti(Kind kind, const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi,
                   const LevelOf<T>* const* values, const LevelOf<T>* const* levels,
                   const int* nLevels) {
  if (anyNull(src, dst, values, levels, nLevels)) return ruxStatusNullPointer;
  for (int c = 0; c < NCH; ++c) {
    if (anyNull(values[c], levels[c])) return ruxStatusNullPointer;
    if (nLevels[c] < 2) return ruxStatusBadLutLevels;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  return run<T, C, NCH>(kind, src, srcStep, dst, dstStep, roi, values, levels, nLevels);
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_LUT_LAYOUTS(name, kind, type, T, V)                                                    \
  RUXAPI RuxResult ruxi##name##_##type##_C1R(const T* pSrc, int srcStep, T* pDst, int dstStep,     \
                                             RuxImageSize roiSize, const V* pValues,               \
                                             const V* pLevels, int nLevels) {                      \
    return lutC1<T>(kind, pSrc, srcStep, pDst, dstStep, roiSize, pValues, pLevels, nLevels);       \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##_##type##_C1IR(T* pSrcDst, int srcDstStep, RuxImageSize roiSize,    \
                                              const V* pValues, const V* pLevels, int nLevels) {   \
    return lutC1<T>(kind, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, pValues, pLevels,     \
                    nLevels);                                                                      \
  }                                                                                                \
  RUX_LUT_MULTI(name, kind, type, T, V, C3, 3, 3)                                                  \
  RUX_LUT_MULTI(name, kind, type, T, V, C4, 4, 4)                                                  \
  RUX_LUT_MULTI(name, kind, type, T, V, AC4, 4, 3)

#define RUX_LUT_MULTI(name, kind, type, T, V, layout, C, NCH)                                      \
  RUXAPI RuxResult ruxi##name##_##type##_##layout##R(                                              \
      const T* pSrc, int srcStep, T* pDst, int dstStep, RuxImageSize roiSize,                      \
      const V* const pValues[NCH], const V* const pLevels[NCH], const int nLevels[NCH]) {          \
    return lutMulti<T, C, NCH>(kind, pSrc, srcStep, pDst, dstStep, roiSize, pValues, pLevels,      \
                               nLevels);                                                           \
  }                                                                                                \
  RUXAPI RuxResult ruxi##name##_##type##_##layout##IR(                                             \
      T* pSrcDst, int srcDstStep, RuxImageSize roiSize, const V* const pValues[NCH],               \
      const V* const pLevels[NCH], const int nLevels[NCH]) {                                       \
    return lutMulti<T, C, NCH>(kind, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, pValues,   \
                               pLevels, nLevels);                                                  \
  }

#define RUX_LUT_TYPES(name, kind)                                                                  \
  RUX_LUT_LAYOUTS(name, kind, 8u, Rux8u, Rux32s)                                                   \
  RUX_LUT_LAYOUTS(name, kind, 16u, Rux16u, Rux32s)                                                 \
  RUX_LUT_LAYOUTS(name, kind, 16s, Rux16s, Rux32s)                                                 \
  RUX_LUT_LAYOUTS(name, kind, 32f, Rux32f, Rux32f)

RUX_LUT_TYPES(LUT, Kind::kConst)
RUX_LUT_TYPES(LUT_Linear, Kind::kLinear)
RUX_LUT_TYPES(LUT_Cubic, Kind::kCubic)
