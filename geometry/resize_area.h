// The resize job (a written rectangle of a destination, its source image and coordinate map)
// and the area engine of super-sampling, shared by the square-pixel resize and SuperSampling.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "primitives/resample_engine.h"
#include "primitives/resample_kernels.h"
#include "primitives/unaligned.h"

namespace rux::resize {

using namespace resample;

template <class T>
using Work = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <class T>
struct Job {
  const T* src[4];
  T* dst[4];
  int planes;
  std::ptrdiff_t srcStep, dstStep;
  int srcW, srcH;         // the whole source image
  int x0, y0, W, H;       // the written rectangle
  double invX, invY;      // 1 / scale
  double offX, offY;      // -shift / scale
  double sx, sy;
  int mode;
  bool antialias;

  const T* srcRow(int p, int y) const {
    return reinterpret_cast<const T*>(reinterpret_cast<const std::uint8_t*>(src[p]) + srcStep * y);
  }
  T* dstRow(int p, int y) const { return reinterpret_cast<T*>(reinterpret_cast<std::uint8_t*>(dst[p]) + dstStep * y); }
  Box box() const { return {0, srcW, 0, srcH}; }
  AxisMap mapX() const { return {invX, offX - 0.5}; }
  AxisMap mapY() const { return {invY, offY - 0.5}; }
};


// Round to nearest even and saturate a double into T (no rounding-mode dependence).
template <class T>
T saturateNearest(double v) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v);
  } else {
    const double lo = static_cast<double>(std::numeric_limits<T>::min()),
                 hi = static_cast<double>(std::numeric_limits<T>::max());
    if (!(v > lo)) return static_cast<T>(lo);
    if (v >= hi) return static_cast<T>(hi);
    double r = std::floor(v);
    const double f = v - r;
    if (f > 0.5 || (f == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    return static_cast<T>(r);
  }
}

// Coverage interval of destination index d on one axis: [d * inv + off, (d + 1) * inv + off),
// clipped to [0, size).
struct Span {
  double a, b;
  bool whole;
};
inline Span coverage(int d, double inv, double off, int size) {
  const double a = d * inv + off, b = (d + 1.0) * inv + off;
  const double ca = std::clamp(a, 0.0, static_cast<double>(size)), cb = std::clamp(b, 0.0, static_cast<double>(size));
  return {ca, cb, ca == a && cb == b};
}

// sum[i] (+)= s[i] for i < n, integer samples of a row that may sit at any byte address.
template <class T, bool kAdd>
void sumRow(const T* s, std::int32_t* __restrict sum, std::size_t n) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(s);
  for (std::size_t i = 0; i < n; ++i) {
    T v;
    std::memcpy(&v, b + i * sizeof(T), sizeof(T));
    sum[i] = kAdd ? sum[i] + v : v;
  }
}

// Super-sampling: per destination row the covered source rows are summed, each weighted by its
// covered fraction, into one row of the covered source columns; then each destination pixel sums
// its columns (weights: covered fractions) and scales by scaleX * scaleY, or by the inverse of
// the covered area where the image edge cuts it. With integer ratios on pixel boundaries every
// weight is 1: integer types then sum exactly in integers, which gives the same bits.
template <class T, int C, int K>
void superBand(const Job<T>& job, int r0, int r1, Carve& mem, bool run) {
  const Span left = coverage(job.x0, job.invX, job.offX, job.srcW);
  const Span right = coverage(job.x0 + job.W - 1, job.invX, job.offX, job.srcW);
  const int c0 = static_cast<int>(std::floor(left.a)), c1 = std::max(c0, static_cast<int>(std::ceil(right.b)));
  const std::size_t span = static_cast<std::size_t>(c1 - c0) * C;
  double* acc = mem.take<double>(span);
  const double sxy = job.sx * job.sy;
  const auto isInteger = [](double v) { return std::fabs(v - std::nearbyint(v)) < 1e-7; };
  const Span top = coverage(job.y0 + r0, job.invY, job.offY, job.srcH);
  const Span bottom = coverage(job.y0 + r1 - 1, job.invY, job.offY, job.srcH);
  const int rx = static_cast<int>(std::nearbyint(job.invX)), ry = static_cast<int>(std::nearbyint(job.invY));
  const bool integerPath = std::is_integral_v<T> && isInteger(job.invX) && isInteger(job.invY) &&
                           isInteger(job.x0 * job.invX + job.offX) && isInteger(job.y0 * job.invY + job.offY) &&
                           left.whole && right.whole && top.whole && bottom.whole && ry <= 32768;
  // 8u blocks of at most 64 pixels: every possible block sum's result from a table.
  const bool tabled = std::is_same_v<T, Rux8u> && integerPath && static_cast<long long>(rx) * ry <= 64;
  const int tableLen = tabled ? rx * ry * 255 + 1 : 0;
  Rux8u* table = mem.take<Rux8u>(static_cast<std::size_t>(tableLen));
  if (!run) return;
  const auto put = [&](T* d, double v) {
    T out;
    if constexpr (std::is_same_v<T, Rux8u>) out = static_cast<Rux8u>(std::min(255.0, std::trunc(v + 0.5)));
    else out = saturateNearest<T>(v);
    storeSample<T>(d, out);
  };
  const auto halve = rowKernels().halve8u[C == 1 ? 0 : C == 3 ? 1 : 2];
  for (int v = 0; v < tableLen; ++v) table[v] = static_cast<Rux8u>(std::min(255.0, std::trunc(v * sxy + 0.5)));
  for (int p = 0; p < job.planes; ++p) {
    for (int y = r0; y < r1; ++y) {
      T* d = job.dstRow(p, job.y0 + y) + static_cast<std::ptrdiff_t>(job.x0) * C;
      const Span sy = coverage(job.y0 + y, job.invY, job.offY, job.srcH);
      if (tabled) {
        // Column sums of the block rows, then each pixel's block sum looked up (the table holds
        // trunc(sum * scaleX * scaleY + 0.5), the rounding below).
        std::int32_t* __restrict sum = reinterpret_cast<std::int32_t*>(acc);
        const int ra = static_cast<int>(std::nearbyint(sy.a));
        Rux8u* out = reinterpret_cast<Rux8u*>(d);
        if (K == C && rx == 2 && ry == 2 && sxy == 0.25) {  // the table is (sum + 2) >> 2
          halve(reinterpret_cast<const Rux8u*>(job.srcRow(p, ra)) + static_cast<std::ptrdiff_t>(c0) * C,
                reinterpret_cast<const Rux8u*>(job.srcRow(p, ra + 1)) + static_cast<std::ptrdiff_t>(c0) * C, out,
                static_cast<std::size_t>(job.W));
          continue;
        }
        for (int r = ra; r < ra + ry; ++r) {
          const T* s = job.srcRow(p, r) + static_cast<std::ptrdiff_t>(c0) * C;
          if (r == ra) sumRow<T, false>(s, sum, span);
          else sumRow<T, true>(s, sum, span);
        }
        for (int x = 0; x < job.W; ++x) {
          const std::int32_t* cell = sum + static_cast<std::size_t>(x) * rx * C;
          for (int k = 0; k < K; ++k) {
            std::int32_t total = cell[k];
            for (int c = 1; c < rx; ++c) total += cell[c * C + k];
            out[x * C + k] = table[total];
          }
        }
        continue;
      }
      if (integerPath) {
        std::int32_t* __restrict sum = reinterpret_cast<std::int32_t*>(acc);
        const int ra = static_cast<int>(std::nearbyint(sy.a));
        for (int r = ra; r < ra + ry; ++r) {
          const T* s = job.srcRow(p, r) + static_cast<std::ptrdiff_t>(c0) * C;
          if (r == ra) sumRow<T, false>(s, sum, span);
          else sumRow<T, true>(s, sum, span);
        }
        // Horizontal sums in place (sample i of the result reads samples >= i), then one scaling
        // loop. 32-bit sums hold rx * ry samples of 16 bits for rx * ry < 2^15.
        const std::size_t n = static_cast<std::size_t>(job.W) * C;
        if (static_cast<long long>(rx) * ry < 32768) {
          for (std::size_t i = 0; i < n; ++i) {
            const std::size_t x = i / C, k = i - x * C;
            const std::int32_t* cell = sum + x * rx * C + k;
            std::int32_t total = cell[0];
            for (int c = 1; c < rx; ++c) total += cell[c * C];
            sum[i] = total;
          }
          for (std::size_t i = 0; i < n; ++i)
            if (K == C || i % C != 3) put(d + i, static_cast<double>(sum[i]) * sxy);
          continue;
        }
        for (int x = 0; x < job.W; ++x) {
          const std::int32_t* cell = sum + static_cast<std::size_t>(x) * rx * C;
          for (int k = 0; k < K; ++k) {
            long long total = 0;
            for (int c = 0; c < rx; ++c) total += cell[c * C + k];
            put(d + x * C + k, static_cast<double>(total) * sxy);
          }
        }
        continue;
      }
      std::fill(acc, acc + span, 0.0);
      const int ra = static_cast<int>(std::floor(sy.a)), rb = static_cast<int>(std::ceil(sy.b));
      for (int r = ra; r < rb; ++r) {
        const double wr = std::min(sy.b, r + 1.0) - std::max(sy.a, static_cast<double>(r));
        if (!(wr > 0)) continue;
        const T* s = job.srcRow(p, r) + static_cast<std::ptrdiff_t>(c0) * C;
        for (std::size_t i = 0; i < span; ++i) acc[i] += wr * static_cast<double>(loadSample<T>(s + i));
      }
      const double fy = sy.whole ? job.sy : (sy.b > sy.a ? 1.0 / (sy.b - sy.a) : 0.0);
      for (int x = 0; x < job.W; ++x) {
        const Span sx = coverage(job.x0 + x, job.invX, job.offX, job.srcW);
        const int ca = static_cast<int>(std::floor(sx.a)), cb = static_cast<int>(std::ceil(sx.b));
        double sum[K] = {};
        for (int c = ca; c < cb; ++c) {
          const double wc = std::min(sx.b, c + 1.0) - std::max(sx.a, static_cast<double>(c));
          for (int k = 0; k < K; ++k) sum[k] += wc * acc[static_cast<std::size_t>(c - c0) * C + k];
        }
        const double fx = sx.whole ? job.sx : (sx.b > sx.a ? 1.0 / (sx.b - sx.a) : 0.0);
        const double f = sx.whole && sy.whole ? sxy : fx * fy;
        for (int k = 0; k < K; ++k) put(d + x * C + k, sum[k] * f);
      }
    }
  }
}


}  // namespace rux::resize
