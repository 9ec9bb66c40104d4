// Full and valid two-dimensional convolution of two images (8u and 16s with a divisor, 32f).
//
// Shape:
//  - Convolution is correlation with the mirrored kernel: dst(x, y) = sum over (p, q) of
//    src(x - ox + p, y - oy + q) * k(p, q), k(p, q) = B(w - 1 - p, h - 1 - q), sources outside
//    the image taken as 0. Full: src is the larger image (by area; the sum is symmetric), k the
//    other, ox = w - 1; valid: src = A, k from B, ox = 0. One driver, convolve<T>(…, full).
//  - Validation: a null pointer -8; a size < 1, or for valid convolution B wider or taller than
//    A, -6; a step < 1 -14; divisor 0 -51 (8u, 16s).
//  - Method: full convolution directly when the result has fewer than 2961 pixels or the
//    kernel fewer than 121, otherwise through the FFT (whole when the larger image has at most 7
//    times the kernel's pixels, in tiles otherwise); valid convolution directly when B has fewer
//    than 225 pixels or the result fewer than 144, otherwise in FFT tiles. The FFT path is the
//    overlap-save engine of primitives/corr_engine.h that template matching uses.
//  - Direct sums are exact for the integer types: 32-bit accumulators when sum |k| times the
//    largest sample magnitude stays below 2^31, 64-bit otherwise; 32f sums in single precision
//    in tap order. Rows are independent, so large problems split into row blocks per thread.
//  - Results: 8u v = S * (1 / divisor) in single precision, 255 above 255, 0 at or below 0,
//    otherwise trunc(v + 0.5); 16s S / divisor rounded to nearest even (exactly) and saturated.
//    The FFT path rounds its value to the nearest integer sum first and applies the same rule,
//    so both paths agree wherever the transform's error stays below one half.
//  - AC4 leaves destination alpha as it is; C3 and AC4 convolve each colour channel alone.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/corr_engine.h"
#include "primitives/unaligned.h"
#include "ruxi.h"
#include "proximity/proximity_common.h"

namespace rux {
namespace {

// The result rules of one destination type.
template <class T>
struct ConvRule;

template <>
struct ConvRule<Rux8u> {
  float inv;
  explicit ConvRule(int divisor) : inv(1.0f / static_cast<float>(divisor)) {}
  Rux8u operator()(long long s) const {
    const float v = static_cast<float>(s) * inv;
    if (v > 255.0f) return 255;
    if (!(v > 0.0f)) return 0;
    return static_cast<Rux8u>(static_cast<int>(v + 0.5f));
  }
};

template <>
struct ConvRule<Rux16s> {
  long long d;
  explicit ConvRule(int divisor) : d(divisor) {}
  Rux16s operator()(long long s) const {
    long long n = s, dd = d;
    if (dd < 0) n = -n, dd = -dd;
    long long q = n / dd, r = n % dd;
    if (r < 0) q -= 1, r += dd;  // floor division: n = q dd + r, 0 <= r < dd
    if (2 * r > dd || (2 * r == dd && (q & 1) != 0)) q += 1;
    return static_cast<Rux16s>(std::clamp<long long>(q, -32768, 32767));
  }
};

template <>
struct ConvRule<Rux32f> {
  explicit ConvRule(int) {}
  Rux32f operator()(float s) const { return s; }
};

// The integer sum an FFT value stands for (nearest integer; NaN as 0).
inline long long nearestSum(float v) {
  if (!(v == v)) return 0;
  const double r = std::floor(static_cast<double>(v) + 0.5);
  return static_cast<long long>(std::clamp(r, -9.0e18, 9.0e18));
}

struct Problem {
  const void* src;
  int srcStep;
  RuxImageSize srcSize;
  const void* ker;  // the image whose mirror is the kernel
  int kerStep;
  RuxImageSize kerSize;
  prox::Placement pl;
};

// The direct sums of output rows [y0, y1) of channel c into dst.
template <class T, class Acc>
void directRows(const Problem& pb, const Acc* k, int C, int c, Acc* acc, T* pDst, int dstStep, const ConvRule<T>& rule,
                int y0, int y1) {
  const int W = pb.srcSize.width, H = pb.srcSize.height, w = pb.kerSize.width, h = pb.kerSize.height;
  const int outW = pb.pl.outW, ox = pb.pl.ox, oy = pb.pl.oy;
  const T* src = static_cast<const T*>(pb.src);
  for (int y = y0; y < y1; ++y) {
    std::fill(acc, acc + outW, Acc(0));
    for (int q = 0; q < h; ++q) {
      const int v = y - oy + q;
      if (v < 0 || v >= H) continue;
      const T* row = prox::rowAt(src, pb.srcStep, v) + c;
      for (int p = 0; p < w; ++p) {
        const Acc wt = k[q * w + p];
        if constexpr (!std::is_floating_point_v<Acc>) {
          if (wt == 0) continue;
        }
        const int xlo = std::max(0, ox - p), xhi = std::min(outW, W + ox - p);
        if (xlo >= xhi) continue;
        const T* s = row + static_cast<std::ptrdiff_t>(xlo - ox + p) * C;
        Acc* a = acc + xlo;
        const int n = xhi - xlo;
        if (C == 1)
          for (int i = 0; i < n; ++i) a[i] += wt * static_cast<Acc>(loadAt(s + i));
        else
          for (int i = 0; i < n; ++i) a[i] += wt * static_cast<Acc>(loadAt(s + static_cast<std::ptrdiff_t>(i) * C));
      }
    }
    T* d = prox::rowAt(pDst, dstStep, y) + c;
    for (int x = 0; x < outW; ++x) storeAt(d + static_cast<std::ptrdiff_t>(x) * C, rule(acc[x]));
  }
}

template <class T, class Acc>
RuxResult direct(const Problem& pb, int C, int nc, T* pDst, int dstStep, const ConvRule<T>& rule) {
  const int w = pb.kerSize.width, h = pb.kerSize.height, outW = pb.pl.outW, outH = pb.pl.outH;
  const long long taps = static_cast<long long>(w) * h;
  // The mirrored kernel of every channel, then one accumulator row per thread.
  const double work = static_cast<double>(outW) * outH * taps * nc;
  const int threads = work < 65536.0 ? 1 : std::max(1, std::min(par::requestedThreads(), outH));
  Scratch<Acc> k(taps * nc);
  Scratch<Acc> acc(static_cast<long long>(outW) * threads);
  if (!k || !acc) return ruxStatusNoMemory;
  const T* ker = static_cast<const T*>(pb.ker);
  for (int c = 0; c < nc; ++c)
    for (int q = 0; q < h; ++q)
      for (int p = 0; p < w; ++p)
        k.get()[c * taps + q * w + p] =
            static_cast<Acc>(loadAt(prox::rowAt(ker, pb.kerStep, h - 1 - q) + static_cast<std::ptrdiff_t>(w - 1 - p) * C + c));
  return par::masterRegion(
      threads, [](int) { return ruxStatusOk; },
      [&](int t, int team) {
        const par::RowRange r = par::splitFloor(outH, team, t);
        for (int c = 0; c < nc; ++c)
          directRows<T, Acc>(pb, k.get() + c * taps, C, c, acc.get() + static_cast<std::ptrdiff_t>(t) * outW, pDst,
                             dstStep, rule, r.begin, r.end);
      });
}

template <class T>
RuxResult viaFft(const Problem& pb, int C, int nc, T* pDst, int dstStep, const ConvRule<T>& rule, bool tiled) {
  const int w = pb.kerSize.width, h = pb.kerSize.height;
  corr::Layout lay;
  if (!corr::chooseLayout(pb.pl.outW, pb.pl.outH, w, h, tiled, &lay)) return ruxStatusNoMemory;
  const int threads = corr::tileThreads(lay);
  corr::Engine<float> eng;
  if (RuxResult st = eng.init(lay, nc, threads, 0)) return st;
  const T* src = static_cast<const T*>(pb.src);
  const T* ker = static_cast<const T*>(pb.ker);
  const auto kernel = [&](int c, float* kp, std::ptrdiff_t stride) {
    for (int q = 0; q < h; ++q) {
      const T* r = prox::rowAt(ker, pb.kerStep, h - 1 - q) + c;
      for (int p = 0; p < w; ++p) kp[q * stride + p] = static_cast<float>(loadAt(r + static_cast<std::ptrdiff_t>(w - 1 - p) * C));
    }
  };
  const auto fill = [&](int c, const corr::Tile& tile, float* plane, std::ptrdiff_t stride) {
    prox::fillBlock(src, pb.srcStep, pb.srcSize.width, pb.srcSize.height, C, c, tile.x0 - pb.pl.ox,
                    tile.y0 - pb.pl.oy, tile.inW, tile.inH, plane, stride, lay.fftW);
  };
  const auto emit = [&](int, int c, const corr::Tile& tile, const float* plane, std::ptrdiff_t stride) {
    for (int j = 0; j < tile.ch; ++j) {
      T* d = prox::rowAt(pDst, dstStep, tile.y0 + j) + static_cast<std::ptrdiff_t>(tile.x0) * C + c;
      const float* v = plane + j * stride;
      for (int x = 0; x < tile.cw; ++x) {
        if constexpr (std::is_floating_point_v<T>) storeAt(d + static_cast<std::ptrdiff_t>(x) * C, rule(v[x]));
        else storeAt(d + static_cast<std::ptrdiff_t>(x) * C, rule(nearestSum(v[x])));
      }
    }
  };
  corr::runTiles(eng, nc, threads, kernel, fill, emit);
  return ruxStatusOk;
}

template <class T>
RuxResult convolve(const T* pSrc1, int src1Step, RuxImageSize s1, const T* pSrc2, int src2Step, RuxImageSize s2,
                   T* pDst, int dstStep, int divisor, int C, bool alpha, bool full) {
  if (!pSrc1 || !pSrc2 || !pDst) return ruxStatusNullPointer;
  if (s1.width < 1 || s1.height < 1 || s2.width < 1 || s2.height < 1) return ruxStatusBadSize;
  // An empty valid region is a bad size, checked with the sizes (before the steps: the
  // destination of such a call has no rows to step over).
  if (!full && (s2.width > s1.width || s2.height > s1.height)) return ruxStatusBadSize;
  if (src1Step < 1 || src2Step < 1 || dstStep < 1) return ruxStatusBadStep;
  if constexpr (!std::is_floating_point_v<T>) {
    if (divisor == 0) return ruxStatusZeroDivisor;
  }
  const long long a1 = static_cast<long long>(s1.width) * s1.height, a2 = static_cast<long long>(s2.width) * s2.height;
  Problem pb{pSrc1, src1Step, s1, pSrc2, src2Step, s2, {}};
  if (full && a2 > a1) pb = Problem{pSrc2, src2Step, s2, pSrc1, src1Step, s1, {}};
  pb.pl = prox::placement(full ? prox::Geometry::kFull : prox::Geometry::kValid, pb.srcSize, pb.kerSize);
  const long long kerArea = std::min(a1, a2), outArea = static_cast<long long>(pb.pl.outW) * pb.pl.outH;
  const int nc = alpha ? 3 : C;
  const ConvRule<T> rule(divisor);
  const bool isDirect = full ? (outArea < 2961 || kerArea < 121) : (a2 < 225 || outArea < 144);
  if (!isDirect) return viaFft<T>(pb, C, nc, pDst, dstStep, rule, full ? std::max(a1, a2) > 7 * kerArea : true);
  if constexpr (std::is_floating_point_v<T>) {
    return direct<T, float>(pb, C, nc, pDst, dstStep, rule);
  } else {
    // Exact in 32 bits when sum |k| * max |sample| < 2^31.
    const T* ker = static_cast<const T*>(pb.ker);
    long long sumAbs = 0;
    for (int c = 0; c < nc; ++c) {
      long long s = 0;
      for (int q = 0; q < pb.kerSize.height; ++q)
        for (int p = 0; p < pb.kerSize.width; ++p) {
          const long long v = loadAt(prox::rowAt(ker, pb.kerStep, q) + static_cast<std::ptrdiff_t>(p) * C + c);
          s += v < 0 ? -v : v;
        }
      sumAbs = std::max(sumAbs, s);
    }
    const long long maxSample = std::is_signed_v<T> ? 32768 : 255;
    if (sumAbs * maxSample < (1LL << 31)) return direct<T, int>(pb, C, nc, pDst, dstStep, rule);
    return direct<T, long long>(pb, C, nc, pDst, dstStep, rule);
  }
}

}  // namespace
}  // namespace rux

using rux::convolve;

#define RUX_CONV_INT(NAME, T, C, A, FULL)                                                                        \
  RUXAPI RuxResult NAME(const T* pSrc1, int src1Step, RuxImageSize src1Size, const T* pSrc2, int src2Step,      \
                        RuxImageSize src2Size, T* pDst, int dstStep, int divisor) {                             \
    return convolve<T>(pSrc1, src1Step, src1Size, pSrc2, src2Step, src2Size, pDst, dstStep, divisor, C, A, FULL); \
  }
#define RUX_CONV_F(NAME, C, A, FULL)                                                                               \
  RUXAPI RuxResult NAME(const Rux32f* pSrc1, int src1Step, RuxImageSize src1Size, const Rux32f* pSrc2,            \
                        int src2Step, RuxImageSize src2Size, Rux32f* pDst, int dstStep) {                        \
    return convolve<Rux32f>(pSrc1, src1Step, src1Size, pSrc2, src2Step, src2Size, pDst, dstStep, 1, C, A, FULL); \
  }
#define RUX_CONV(P, FULL)                                   \
  RUX_CONV_INT(ruxi##P##_8u_C1R, Rux8u, 1, false, FULL)     \
  RUX_CONV_INT(ruxi##P##_8u_C3R, Rux8u, 3, false, FULL)     \
  RUX_CONV_INT(ruxi##P##_8u_AC4R, Rux8u, 4, true, FULL)     \
  RUX_CONV_INT(ruxi##P##_16s_C1R, Rux16s, 1, false, FULL)   \
  RUX_CONV_INT(ruxi##P##_16s_C3R, Rux16s, 3, false, FULL)   \
  RUX_CONV_INT(ruxi##P##_16s_AC4R, Rux16s, 4, true, FULL)   \
  RUX_CONV_F(ruxi##P##_32f_C1R, 1, false, FULL)             \
  RUX_CONV_F(ruxi##P##_32f_C3R, 3, false, FULL)             \
  RUX_CONV_F(ruxi##P##_32f_AC4R, 4, true, FULL)

RUX_CONV(ConvFull, true)
RUX_CONV(ConvValid, false)
