// Interpolation kernels and axis tables of the resampling families (resize, resize by state,
// warps and remap share the kernels; the separable families share the tables).
//
// An axis table holds, per destination index, the first source tap and the tap weights, computed
// once per call in double precision and stored in the work type (float, or double for 64f).
// Tap k of index d reads source position first[d] + k; positions outside [0, size) are clamped
// to the nearest edge sample by whoever reads them. inner() is the range of indices whose taps
// all lie inside the source, so the fast paths never test bounds.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace rux::resample {

// Interpolation argument: the mode in the low 29 bits, at most one of three flags above them.
constexpr int kModeMask = 0x1FFFFFFF;
enum Mode : int {
  kNearest = 1,
  kLinear = 2,
  kCubic = 4,        // four-point Lagrange
  kBSpline = 5,      // B = 1, C = 0
  kCatmullRom = 6,   // B = 0, C = 0.5
  kB05C03 = 7,       // B = 0.5, C = 0.3
  kSuper = 8,
  kLanczos = 16,     // three lobes, from the 304-entry table
};
constexpr std::uint32_t kAntialiasing = 0x20000000u;
constexpr std::uint32_t kSubpixelEdge = 0x40000000u;
constexpr std::uint32_t kSmoothEdge = 0x80000000u;

inline bool isCubic(int mode) { return mode >= kCubic && mode <= kB05C03; }

// Taps per axis and how many of them lie before the tap origin floor(u).
inline int tapsOf(int mode) { return mode == kLinear ? 2 : isCubic(mode) ? 4 : mode == kLanczos ? 6 : 1; }
inline int leadOf(int mode) { return mode == kLinear ? 0 : isCubic(mode) ? 1 : mode == kLanczos ? 2 : 0; }
// Kernel radius of the widened (antialiasing) kernels.
inline int radiusOf(int mode) { return mode == kLinear ? 1 : isCubic(mode) ? 2 : 3; }

// Cubic kernels of distance x >= 0 (zero from 2 on). Mode 4 is the Lagrange polynomial through
// four neighbours; 5, 6 and 7 are (B, C) members of the Mitchell-Netravali family.
inline double cubicKernel(int mode, double x) {
  const double x2 = x * x, x3 = x2 * x;
  if (x >= 2.0) return 0.0;
  switch (mode) {
    case kCubic:  // 0.5x^3 - x^2 - 0.5x + 1 and -x^3/6 + x^2 - 11x/6 + 1 in product form, exact at 0, 1, 2
      return x < 1.0 ? 0.5 * (x * x - 1.0) * (x - 2.0) : -(x - 1.0) * (x - 2.0) * (x - 3.0) / 6.0;
    case kBSpline:
      return x < 1.0 ? 0.5 * x3 - x2 + 2.0 / 3.0 : -x3 / 6.0 + x2 - 2.0 * x + 4.0 / 3.0;
    case kCatmullRom:
      return x < 1.0 ? 1.5 * x3 - 2.5 * x2 + 1.0 : -0.5 * x3 + 2.5 * x2 - 4.0 * x + 2.0;
    default:  // kB05C03
      return x < 1.0 ? 0.95 * x3 - 1.7 * x2 + 5.0 / 6.0 : -(2.3 / 6.0) * x3 + 2.0 * x2 - 3.4 * x + 11.2 / 6.0;
  }
}

// General Mitchell-Netravali kernel for any (B, C).
inline double mitchellKernel(double b, double c, double x) {
  const double x2 = x * x, x3 = x2 * x;
  if (x < 1.0) return ((12 - 9 * b - 6 * c) * x3 + (-18 + 12 * b + 6 * c) * x2 + (6 - 2 * b)) / 6.0;
  if (x < 2.0) return ((-b - 6 * c) * x3 + (6 * b + 30 * c) * x2 + (-12 * b - 48 * c) * x + (8 * b + 24 * c)) / 6.0;
  return 0.0;
}

// The three-lobe Lanczos table: entry i = L(i / 100) for i = 0..300, L(x) = 3 sin(pi x)
// sin(pi x / 3) / (pi x)^2, L(0) = 1, entries 300..303 zero. Single precision, built once.
const float* lanczos3Table();

// Lanczos weight at distance x from the table: linear interpolation between entries.
inline double lanczosTableKernel(const float* table, double x) {
  const double s = std::min(x, 3.0) * 100.0;
  const int j = static_cast<int>(s);
  return table[j] + (s - j) * (static_cast<double>(table[j + 1]) - table[j]);
}

// Integer floor that stays defined for any finite coordinate the tables meet.
inline int floorIndex(double u) { return static_cast<int>(std::floor(u)); }

template <class W>
struct Axis {
  int count = 0;  // destination indices
  int taps = 0;   // taps per index
  // Linear tables keep only the fraction t per index (tap weights 1 - t and t, formed in W).
  bool fractionOnly = false;
  int* first = nullptr;
  W* weight = nullptr;  // count x taps weights, or count fractions
  int innerBegin = 0, innerEnd = 0;  // indices whose taps lie inside [0, size)
  std::size_t weightCount() const { return static_cast<std::size_t>(count) * (fractionOnly ? 1 : taps); }
};

// Source coordinate of destination index d: u = (d + 0.5) * inv + off.
struct AxisMap {
  double inv, off;
  double at(int d) const { return (d + 0.5) * inv + off; }
};

// Widening of the antialiasing kernel: max(1, inv), limited to twice the source extent (beyond
// that the kernel is flat over the whole source anyway).
inline double antialiasScale(double inv, int size) { return std::min(std::max(1.0, inv), std::max(1.0, 2.0 * size)); }

// Taps of the widened kernel: the integers in [u - R s, u + R s], or the whole source when that
// is shorter (taps beyond an edge then add their weight to the edge sample).
inline int antialiasTaps(int mode, double inv, int size) {
  const double support = radiusOf(mode) * antialiasScale(inv, size);
  const int taps = static_cast<int>(std::floor(2.0 * support)) + 1;
  return std::min(taps, size);
}

// first[] grows with the index, so the indices whose taps lie inside [0, size) form one range.
template <class W>
void setInner(Axis<W>& axis, int size) {
  const int n = axis.count;
  int b = 0;
  while (b < n && axis.first[b] < 0) ++b;
  int e = b;
  while (e < n && axis.first[e] + axis.taps <= size) ++e;
  axis.innerBegin = b;
  axis.innerEnd = e;
}

// The tap table of one axis for destination indices d0 .. d0 + count - 1: linear, cubic and
// Lanczos tables, or with antialias the widened kernels (taps from antialiasTaps). The caller
// provides first (count ints) and weight (weightCount() values); count and taps are set.
template <class W>
void buildAxis(Axis<W>& axis, int mode, bool antialias, AxisMap map, int d0, int size) {
  const int n = axis.count;
  const float* table = mode == kLanczos ? lanczos3Table() : nullptr;
  if (!antialias) {
    const int taps = tapsOf(mode), lead = leadOf(mode);
    axis.taps = taps;
    axis.fractionOnly = mode == kLinear;
    for (int d = 0; d < n; ++d) {
      // Far outside the source every tap reads the edge sample; the clamp keeps indices in range.
      const double u = std::clamp(map.at(d0 + d), -8.0, size + 8.0);
      const int i = floorIndex(u);
      const double t = u - i;
      axis.first[d] = i - lead;
      if (mode == kLinear) {
        axis.weight[d] = static_cast<W>(t);
        continue;
      }
      W* w = axis.weight + static_cast<std::ptrdiff_t>(d) * taps;
      if (table == nullptr) {
        for (int k = 0; k < 4; ++k) w[k] = static_cast<W>(cubicKernel(mode, std::fabs(k - 1 - t)));
      } else {
        double v[6], sum = 0.0;
        for (int k = 0; k < 6; ++k) sum += v[k] = lanczosTableKernel(table, std::fabs(k - 2 - t));
        for (int k = 0; k < 6; ++k) w[k] = static_cast<W>(v[k] / sum);
      }
    }
  } else {
    // Every source index j in [ceil(u - R s), floor(u + R s)] weighs K(|u - j| / s); the weights
    // of an index are divided by their sum. When the support is longer than the source (taps ==
    // size), each tap's weight goes to its clamped position, so the table covers [0, size).
    const double s = antialiasScale(map.inv, size);
    const double support = radiusOf(mode) * s;
    const int full = static_cast<int>(std::floor(2.0 * support)) + 1;
    const int taps = std::min(full, size);
    const bool folded = full > size;
    axis.taps = taps;
    axis.fractionOnly = false;
    const auto kernelAt = [&](double x) {
      if (mode == kLinear) return x < 1.0 ? 1.0 - x : 0.0;
      return table != nullptr ? lanczosTableKernel(table, x) : cubicKernel(mode, x);
    };
    for (int d = 0; d < n; ++d) {
      const double u = std::clamp(map.at(d0 + d), -(support + 2.0), size + support + 2.0);
      const int lo = static_cast<int>(std::ceil(u - support));
      const int used = std::min(static_cast<int>(std::floor(u + support)) - lo + 1, full);
      double sum = 0.0;
      for (int k = 0; k < used; ++k) sum += kernelAt(std::fabs(u - (lo + k)) / s);
      W* w = axis.weight + static_cast<std::ptrdiff_t>(d) * taps;
      for (int k = 0; k < taps; ++k) w[k] = W(0);
      axis.first[d] = folded ? 0 : lo;
      for (int k = 0; k < used; ++k) {
        const W v = sum != 0.0 ? static_cast<W>(kernelAt(std::fabs(u - (lo + k)) / s) / sum) : W(0);
        if (folded) w[std::clamp(lo + k, 0, size - 1)] += v;
        else w[k] = v;
      }
    }
  }
  setInner(axis, size);
}

inline int clampIndex(int i, int size) { return i < 0 ? 0 : (i >= size ? size - 1 : i); }

}  // namespace rux::resample
