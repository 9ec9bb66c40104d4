// Remap: every destination pixel samples the source at the point its two map entries hold.
//
// Shape of a call:
//  - validate in the contract order; the clip box is the source region clipped to the image
//    (inclusive bounds, computed without forming x + width); a point is inside only when it
//    compares inside the box, so NaN and infinite map entries leave their pixel unchanged;
//  - effective mode: sources narrower or lower than 6 fall back from Lanczos to cubic, below 4
//    from the cubics to linear, and a source one pixel wide or high is sampled nearest;
//  - one driver per (sample type, layout adapter, sampler). The adapter (channels in memory,
//    channels written, planes) reads each point once and applies the sampler's taps to every
//    channel and plane. Samplers: nearest (trunc(u + 0.5)); 8u linear in Q14 (fractions rounded
//    to nearest even, rows >> 8, columns (r0 (16384 - fy) + r1 fy + 33) >> 20); linear in single
//    precision (double for 64f) with the 1e-7 bias, the last sample taken as the second tap of
//    the window before it, 16-bit results rounded to nearest even and saturated; cubic and
//    Catmull-Rom 4 x 4 and Lanczos 6 x 6 from the shared kernels, in double precision;
//  - taps of the wide kernels that fall outside the image read the nearest edge sample (edge
//    clamping), and the sum is formed as a + sum w (p - a) around the tap origin's sample a, so a
//    constant image stays constant whatever the rounding of the weights;
//  - with ruxSmoothEdge, a point less than one pixel outside the box is sampled at the nearest
//    box point and blended into the destination by its coverage (1 - dx)(1 - dy);
//  - packed 8u and 32f rows of nearest, linear and the cubics (8u C3 aside) run through the
//    vector kernels of primitives/remap_kernels (the clip box as a lane mask, the old
//    destination blended back);
//    what a kernel leaves (row tails, pixels whose gathers would leave the image, smooth-edge
//    points) runs through the same arithmetic in plain code here;
//  - rows are independent: large destinations are split into row blocks among threads; every
//    pixel gets the same bits on any thread count.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/remap_kernels.h"
#include "primitives/resample_axis.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

using resample::kCatmullRom;
using resample::kCubic;
using resample::kLanczos;
using resample::kLinear;
using resample::kNearest;

// Map entries are float, double for the 64f members.
template <class T>
using MapOf = std::conditional_t<std::is_same_v<T, double>, double, float>;
// Work type of the linear sampler of the non-8u types.
template <class T>
using LinearWork = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <class T>
struct Job {
  const std::uint8_t* src[4];
  std::uint8_t* dst[4];
  int srcStep, dstStep;
  int W, H;                // source image
  int x0, y0, x1, y1;      // clip box, inclusive
  const std::uint8_t *mx, *my;
  int mxStep, myStep;
  int width, height;       // destination region
  int mode;
  bool smooth;
};

// Round to nearest even without the rounding mode (v >= 0 or any sign), for float or double.
template <class F>
F roundEven(F v) {
  F r = std::floor(v);
  const F f = v - r;
  if (f > F(0.5) || (f == F(0.5) && std::fmod(r, F(2)) != 0)) r += F(1);
  return r;
}

template <class T, class F>
T toSample(F v) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v);
  } else {
    const F lo = static_cast<F>(std::numeric_limits<T>::min()), hi = static_cast<F>(std::numeric_limits<T>::max());
    if (!(v > lo)) return std::numeric_limits<T>::min();
    if (v >= hi) return std::numeric_limits<T>::max();
    return static_cast<T>(roundEven(v));
  }
}

// ---- samplers: prepare() once per point, value() per channel and plane ----------------------------

// trunc(u + 0.5) for u >= 0 without rounding the sum; kept inside the image.
template <class M>
int nearestIndex(M u, int size) {
  const long long i = static_cast<long long>(u);
  const int r = static_cast<int>(i + (u - static_cast<M>(i) >= M(0.5) ? 1 : 0));
  return std::min(r, size - 1);
}

template <class T, int C>
struct NearestSampler {
  std::ptrdiff_t off = 0;
  template <class M>
  void prepare(const Job<T>& j, M u, M v) {
    off = static_cast<std::ptrdiff_t>(nearestIndex(v, j.H)) * j.srcStep +
          static_cast<std::ptrdiff_t>(nearestIndex(u, j.W)) * C * sizeof(T);
  }
  T value(const Job<T>& j, int p, int k) const { return loadSample<T>(j.src[p] + off + k * sizeof(T)); }
};

// 8u linear in Q14. An origin on the last sample moves one back with the full weight on the
// second tap: the same sum, and both taps stay in the image.
struct Q14Axis {
  int i, f;
  Q14Axis(float u, int size) {
    i = static_cast<int>(u);
    f = static_cast<int>(roundEven((u - static_cast<float>(i)) * 16384.0f));
    if (i > size - 2) i = size - 2, f = 16384;
  }
};

template <int C>
struct LinearQ14Sampler {
  std::ptrdiff_t off = 0;
  int fx = 0, fy = 0;
  template <class M>
  void prepare(const Job<Rux8u>& j, M u, M v) {
    const Q14Axis ax(u, j.W), ay(v, j.H);
    fx = ax.f, fy = ay.f;
    off = static_cast<std::ptrdiff_t>(ay.i) * j.srcStep + static_cast<std::ptrdiff_t>(ax.i) * C;
  }
  Rux8u value(const Job<Rux8u>& j, int p, int k) const {
    const std::uint8_t* a = j.src[p] + off + k;
    const std::uint8_t* b = a + j.srcStep;
    const int h0 = ((16384 - fx) * a[0] + fx * a[C]) >> 8, h1 = ((16384 - fx) * b[0] + fx * b[C]) >> 8;
    return static_cast<Rux8u>((h0 * (16384 - fy) + h1 * fy + 33) >> 20);
  }
};

// Linear in the work type: i = trunc(u + 1e-7), t = u - i; from the last sample on, i = size - 2
// and t = 1. top + (bottom - top) ty with top = p00 + (p01 - p00) tx.
template <class A>
struct LinearAxis {
  int i;
  A t;
  LinearAxis(A u, int size) {
    i = static_cast<int>(u + static_cast<A>(1e-7));
    t = u - static_cast<A>(i);
    if (i > size - 2) i = size - 2, t = A(1);
  }
};

template <class T, int C>
struct LinearSampler {
  using A = LinearWork<T>;
  std::ptrdiff_t off = 0;
  A tx = 0, ty = 0;
  template <class M>
  void prepare(const Job<T>& j, M u, M v) {
    const LinearAxis<A> ax(static_cast<A>(u), j.W), ay(static_cast<A>(v), j.H);
    tx = ax.t, ty = ay.t;
    off = static_cast<std::ptrdiff_t>(ay.i) * j.srcStep + static_cast<std::ptrdiff_t>(ax.i) * C * sizeof(T);
  }
  T value(const Job<T>& j, int p, int k) const {
    const std::uint8_t* a = j.src[p] + off + k * sizeof(T);
    const std::uint8_t* b = a + j.srcStep;
    const auto at = [](const std::uint8_t* q) { return static_cast<A>(loadSample<T>(q)); };
    const A p00 = at(a), p01 = at(a + C * sizeof(T)), p10 = at(b), p11 = at(b + C * sizeof(T));
    const A top = p00 + (p01 - p00) * tx, bottom = p10 + (p11 - p10) * tx;
    return toSample<T>(top + (bottom - top) * ty);
  }
};

// Cubic, Catmull-Rom (NT = 4, taps floor(u) - 1 .. + 2) and Lanczos (NT = 6, - 2 .. + 3) in
// double precision; taps outside the image read the edge sample.
template <class T, int C, int NT>
struct WideSampler {
  static constexpr int kLead = NT == 4 ? 1 : 2;
  int mode = kCubic;
  const float* table = nullptr;
  std::ptrdiff_t col[NT], row[NT];
  double wx[NT], wy[NT];

  void axis(double u, int size, std::ptrdiff_t scale, std::ptrdiff_t* at, double* w) const {
    const int i = resample::floorIndex(u);
    const double t = u - i;
    double sum = 0.0;
    for (int k = 0; k < NT; ++k) {
      const double d = std::fabs(k - kLead - t);
      w[k] = NT == 4 ? resample::cubicKernel(mode, d) : resample::lanczosTableKernel(table, d);
      sum += w[k];
      at[k] = resample::clampIndex(i - kLead + k, size) * scale;
    }
    if (NT == 6)
      for (int k = 0; k < NT; ++k) w[k] /= sum;
  }
  template <class M>
  void prepare(const Job<T>& j, M u, M v) {
    axis(static_cast<double>(u), j.W, static_cast<std::ptrdiff_t>(C) * sizeof(T), col, wx);
    axis(static_cast<double>(v), j.H, j.srcStep, row, wy);
  }
  T value(const Job<T>& j, int p, int k) const {
    const std::uint8_t* base = j.src[p] + k * sizeof(T);
    const double a = static_cast<double>(loadSample<T>(base + row[kLead] + col[kLead]));
    double acc = 0.0;
    for (int r = 0; r < NT; ++r) {
      const std::uint8_t* line = base + row[r];
      double h = 0.0;
      for (int c = 0; c < NT; ++c) h += wx[c] * (static_cast<double>(loadSample<T>(line + col[c])) - a);
      acc += wy[r] * h;
    }
    return toSample<T>(a + acc);
  }
};

// ---- the driver ---------------------------------------------------------------------------------

// One point of the plain path: inside the box it is sampled; with the smooth edge, a point less
// than a pixel outside is sampled at the nearest box point and blended by its coverage.
template <class T, int C, int K, int P, class S>
inline void pixel(const Job<T>& j, S& s, MapOf<T> u, MapOf<T> v, std::uint8_t* const* drow, int x) {
  using M = MapOf<T>;
  const double du = u, dv = v;
  if (du >= j.x0 && du <= j.x1 && dv >= j.y0 && dv <= j.y1) {
    s.prepare(j, u, v);
    for (int p = 0; p < P; ++p) {
      std::uint8_t* d = drow[p] + static_cast<std::ptrdiff_t>(x) * C * sizeof(T);
      for (int k = 0; k < K; ++k) storeSample<T>(d + k * sizeof(T), s.value(j, p, k));
    }
    return;
  }
  if (!j.smooth || !(du > j.x0 - 1.0 && du < j.x1 + 1.0 && dv > j.y0 - 1.0 && dv < j.y1 + 1.0)) return;
  const double cu = std::clamp<double>(du, j.x0, j.x1), cv = std::clamp<double>(dv, j.y0, j.y1);
  const double a = (1.0 - std::fabs(du - cu)) * (1.0 - std::fabs(dv - cv));
  s.prepare(j, static_cast<M>(cu), static_cast<M>(cv));
  for (int p = 0; p < P; ++p) {
    std::uint8_t* d = drow[p] + static_cast<std::ptrdiff_t>(x) * C * sizeof(T);
    for (int k = 0; k < K; ++k) {
      const double old = static_cast<double>(loadSample<T>(d + k * sizeof(T)));
      const double e = static_cast<double>(s.value(j, p, k));
      storeSample<T>(d + k * sizeof(T), toSample<T>(old + (e - old) * a));
    }
  }
}

template <class T, int C, int K, int P, class S>
void runRows(const Job<T>& j, S s, remap::RowFn<T> kernel, const remap::RowJob& rj, int y0, int y1) {
  using M = MapOf<T>;
  constexpr std::size_t kChunk = 64;  // at least one vector of every target
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* mx = j.mx + static_cast<std::ptrdiff_t>(y) * j.mxStep;
    const std::uint8_t* my = j.my + static_cast<std::ptrdiff_t>(y) * j.myStep;
    std::uint8_t* drow[P];
    for (int p = 0; p < P; ++p) drow[p] = j.dst[p] + static_cast<std::ptrdiff_t>(y) * j.dstStep;
    const auto plain = [&](int from, int to) {
      for (int x = from; x < to; ++x)
        pixel<T, C, K, P>(j, s, loadSample<M>(mx + x * sizeof(M)), loadSample<M>(my + x * sizeof(M)), drow, x);
    };
    int x = 0;
    if constexpr (std::is_same_v<M, float> && P == 1) {
      while (kernel != nullptr && x < j.width) {
        const std::size_t done = kernel(rj, reinterpret_cast<const float*>(mx) + x, reinterpret_cast<const float*>(my) + x,
                                        reinterpret_cast<T*>(drow[0]) + static_cast<std::ptrdiff_t>(x) * C,
                                        static_cast<std::size_t>(j.width - x));
        x += static_cast<int>(done);
        // The kernel stopped at a vector it leaves to plain code (or at the row's tail).
        const int to = std::min<long long>(j.width, x + static_cast<long long>(kChunk));
        if (j.width - x < static_cast<int>(kChunk)) break;
        plain(x, to);
        x = to;
      }
    }
    plain(x, j.width);
  }
}

// Vector kernel of a packed 8u or 32f row, when the image's offsets fit the gathers.
template <class T, int C, bool kAlpha>
remap::RowFn<T> kernelFor(const Job<T>& j, int mode) {
  if constexpr (std::is_same_v<T, Rux8u> || std::is_same_v<T, Rux32f>) {
    const long long lastByte = static_cast<long long>(j.H - 1) * j.srcStep + static_cast<long long>(j.W) * C * sizeof(T);
    if (j.W >= (1 << 23) || j.H >= (1 << 23) || lastByte + 8 > INT_MAX || j.W < 4) return nullptr;
    const int ci = C == 1 ? 0 : C == 3 ? 1 : kAlpha ? 3 : 2;
    const remap::Kernels& k = remap::kernels();
    if constexpr (std::is_same_v<T, Rux8u>) {
      if (mode == kNearest) return k.nearest8u[ci];
      if (mode == kLinear) return k.linear8u[ci];
      if (mode == kCubic || mode == kCatmullRom) return k.cubic8u[ci];
    } else {
      if (mode == kNearest) return k.nearest32f[ci];
      if (mode == kLinear) return k.linear32f[ci];
      if (mode == kCubic || mode == kCatmullRom) return k.cubic32f[ci];
    }
  }
  (void)j;
  (void)mode;
  return nullptr;
}

template <class T, int C, int K, int P, class S>
void run(const Job<T>& j, S s, remap::RowFn<T> kernel) {
  const remap::RowJob rj{j.src[0], j.srcStep, j.W, j.H, static_cast<float>(j.x0), static_cast<float>(j.y0),
                         static_cast<float>(j.x1), static_cast<float>(j.y1), j.smooth, j.mode == kCatmullRom};
  const long long pixels = static_cast<long long>(j.width) * j.height;
  const int threads = pixels >= (1 << 15) ? par::requestedThreads() : 1;
  par::forEachRowBlock(j.height, threads, [&](par::RowRange r) { runRows<T, C, K, P>(j, s, kernel, rj, r.begin, r.end); });
}

template <class T, int C, bool kAlpha, int P>
RuxResult remapImage(const T* const* src, RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi, const MapOf<T>* xMap,
                     int xMapStep, const MapOf<T>* yMap, int yMapStep, T* const* dst, int dstStep, RuxImageSize dstSize,
                     int interpolation) {
  if (src == nullptr || dst == nullptr || xMap == nullptr || yMap == nullptr) return ruxStatusNullPointer;
  for (int p = 0; p < P; ++p)
    if (src[p] == nullptr || dst[p] == nullptr) return ruxStatusNullPointer;
  if (srcSize.width < 1 || srcSize.height < 1 || srcRoi.x < 0 || srcRoi.y < 0 || srcRoi.width < 1 || srcRoi.height < 1 ||
      dstSize.width < 1 || dstSize.height < 1)
    return ruxStatusBadSize;
  const int mode = static_cast<int>(static_cast<std::uint32_t>(interpolation) & 0x7FFFFFFFu);
  if (mode != kNearest && mode != kLinear && mode != kCubic && mode != kCatmullRom && mode != kLanczos)
    return ruxStatusBadInterpolation;
  if (srcStep < 1 || dstStep < 1 || xMapStep < 1 || yMapStep < 1) return ruxStatusBadStep;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ruxStatusNoIntersection;

  Job<T> j{};
  for (int p = 0; p < P; ++p) {
    j.src[p] = reinterpret_cast<const std::uint8_t*>(src[p]);
    j.dst[p] = reinterpret_cast<std::uint8_t*>(dst[p]);
  }
  j.srcStep = srcStep, j.dstStep = dstStep;
  j.W = srcSize.width, j.H = srcSize.height;
  // Clip box without forming x + width (which may overflow).
  j.x0 = srcRoi.x, j.y0 = srcRoi.y;
  j.x1 = srcRoi.x + std::min(srcSize.width - srcRoi.x, srcRoi.width) - 1;
  j.y1 = srcRoi.y + std::min(srcSize.height - srcRoi.y, srcRoi.height) - 1;
  j.mx = reinterpret_cast<const std::uint8_t*>(xMap), j.my = reinterpret_cast<const std::uint8_t*>(yMap);
  j.mxStep = xMapStep, j.myStep = yMapStep;
  j.width = dstSize.width, j.height = dstSize.height;
  j.smooth = (static_cast<std::uint32_t>(interpolation) & resample::kSmoothEdge) != 0;
  const int small = std::min(j.W, j.H);
  int m = mode;
  if (small < 6 && m == kLanczos) m = kCubic;
  if (small < 4 && (m == kCubic || m == kCatmullRom)) m = kLinear;
  if (small == 1) m = kNearest;
  j.mode = m;

  constexpr int K = kAlpha ? 3 : C;
  switch (m) {
    case kNearest:
      run<T, C, K, P>(j, NearestSampler<T, C>{}, kernelFor<T, C, kAlpha>(j, m));
      break;
    case kLinear:
      if constexpr (std::is_same_v<T, Rux8u>) run<T, C, K, P>(j, LinearQ14Sampler<C>{}, kernelFor<T, C, kAlpha>(j, m));
      else run<T, C, K, P>(j, LinearSampler<T, C>{}, kernelFor<T, C, kAlpha>(j, m));
      break;
    case kLanczos: {
      WideSampler<T, C, 6> s;
      s.mode = m;
      s.table = resample::lanczos3Table();
      run<T, C, K, P>(j, s, nullptr);
      break;
    }
    default: {
      WideSampler<T, C, 4> s;
      s.mode = m;
      run<T, C, K, P>(j, s, kernelFor<T, C, kAlpha>(j, m));
      break;
    }
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_REMAP_ARGS(M) \
  RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi, const M *pxMap, int xMapStep, const M *pyMap, int yMapStep
#define RUX_REMAP_PASS srcSize, srcStep, srcRoi, pxMap, xMapStep, pyMap, yMapStep
#define RUX_REMAP_PACKED(S, T, M, L, C, ALPHA)                                                                        \
  RUXAPI RuxResult ruxiRemap_##S##_##L(const T* pSrc, RUX_REMAP_ARGS(M), T* pDst, int dstStep, RuxImageSize dstRoiSize, \
                                       int interpolation) {                                                           \
    const T* s[1] = {pSrc};                                                                                           \
    T* d[1] = {pDst};                                                                                                 \
    return remapImage<T, C, ALPHA, 1>(pSrc ? s : nullptr, RUX_REMAP_PASS, pDst ? d : nullptr, dstStep, dstRoiSize,    \
                                      interpolation);                                                                 \
  }
#define RUX_REMAP_PLANAR(S, T, M, N)                                                                                   \
  RUXAPI RuxResult ruxiRemap_##S##_P##N##R(const T* const pSrc[N], RUX_REMAP_ARGS(M), T* const pDst[N], int dstStep,   \
                                           RuxImageSize dstRoiSize, int interpolation) {                               \
    return remapImage<T, 1, false, N>(pSrc, RUX_REMAP_PASS, pDst, dstStep, dstRoiSize, interpolation);                \
  }
#define RUX_REMAP_TYPE(S, T, M)                 \
  RUX_REMAP_PACKED(S, T, M, C1R, 1, false)      \
  RUX_REMAP_PACKED(S, T, M, C3R, 3, false)      \
  RUX_REMAP_PACKED(S, T, M, C4R, 4, false)      \
  RUX_REMAP_PACKED(S, T, M, AC4R, 4, true)      \
  RUX_REMAP_PLANAR(S, T, M, 3)                  \
  RUX_REMAP_PLANAR(S, T, M, 4)

RUX_REMAP_TYPE(8u, Rux8u, Rux32f)
RUX_REMAP_TYPE(16u, Rux16u, Rux32f)
RUX_REMAP_TYPE(16s, Rux16s, Rux32f)
RUX_REMAP_TYPE(32f, Rux32f, Rux32f)
RUX_REMAP_TYPE(64f, Rux64f, Rux64f)
