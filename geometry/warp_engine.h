// The warp engine: every warp, rotation and shear is a mapper (destination pixel -> source
// point) times a sampler (nearest, linear, the four-point cubic, Catmull-Rom) times a sample
// type, run over the rows of a Region (geometry/warp_span.h).
//
//  - Operands and validation helpers shared by the three warp files (affine, perspective,
//    bilinear), checked in the order each family states.
//  - The source is the clipped source region: samplers address it from its top-left pixel with
//    region coordinates, so no tap ever leaves it. Mappers deliver only points inside
//    [-0.49, W - 0.51] x [-0.49, H - 0.51]: the affine mapper limits each row's span
//    analytically, the perspective and bilinear mappers test each point (a pixel whose point
//    falls outside is not written).
//  - Layouts: C channels per pixel of which K are written (AC4: 4 and 3), planes P (planar:
//    C = K = 1); a sampler computes its weights once per pixel for all channels and planes.
//  - Rows are independent (each row's start is computed directly), so large regions run as row
//    blocks on rux::par with results independent of the thread count.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "geometry/warp_span.h"
#include "primitives/resample_axis.h"
#include "primitives/unaligned.h"
#include "primitives/warp_kernels.h"

namespace rux::warp {

constexpr int kNearest = 1, kLinear = 2, kCubic = 4, kCatmullRom = 6;
constexpr std::uint32_t kSmoothFlag = 0x80000000u;

// Bits 0..30 are the mode, bit 31 the smooth-edge flag.
inline int modeOf(int interpolation) { return static_cast<int>(static_cast<std::uint32_t>(interpolation) & 0x7FFFFFFFu); }
inline bool smoothOf(int interpolation) { return (static_cast<std::uint32_t>(interpolation) & kSmoothFlag) != 0; }

inline bool badRect(RuxImageRect r) { return r.x < 0 || r.y < 0 || r.width < 1 || r.height < 1; }

// Round to nearest with ties to even, independent of the rounding mode.
inline double roundEven(double v) {
  double r = std::floor(v);
  const double f = v - r;
  if (f > 0.5 || (f == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  return r;
}

template <class T>
inline T saturateNearest(double v) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v);
  } else {
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min()),
                     hi = static_cast<double>(std::numeric_limits<T>::max());
    if (!(v > lo)) return static_cast<T>(lo);
    if (v >= hi) return static_cast<T>(hi);
    return static_cast<T>(roundEven(v));
  }
}

// ---- operands and validation ----------------------------------------------------------------

template <class T>
struct Operands {
  const T* const* src;  // plane array (packed: one entry); null when the caller passed null
  T* const* dst;
  int planes;
  bool planar;
  RuxImageSize srcSize;
  int srcStep;
  RuxImageRect srcRoi;
  int dstStep;
  RuxImageRect dstRoi;
};

// Null images, then sizes, then (where the family checks them) steps.
template <class T>
RuxResult checkImages(const Operands<T>& o, bool steps) {
  if (o.src == nullptr || o.dst == nullptr) return ruxStatusNullPointer;
  if (!o.planar && (o.src[0] == nullptr || o.dst[0] == nullptr)) return ruxStatusNullPointer;
  if (o.srcSize.width < 1 || o.srcSize.height < 1 || badRect(o.srcRoi) || badRect(o.dstRoi)) return ruxStatusBadSize;
  if (steps && (o.srcStep < 1 || o.dstStep < 1)) return ruxStatusBadStep;
  return ruxStatusOk;
}

template <class T>
RuxResult checkPlanes(const Operands<T>& o) {
  for (int p = 0; p < o.planes; ++p)
    if (o.src[p] == nullptr || o.dst[p] == nullptr) return ruxStatusNullPointer;
  return ruxStatusOk;
}

inline RuxResult checkMode(int interpolation, bool catmullRom) {
  const int m = modeOf(interpolation);
  return m == kNearest || m == kLinear || m == kCubic || (catmullRom && m == kCatmullRom) ? ruxStatusOk
                                                                                          : ruxStatusBadInterpolation;
}

// The source region clipped to the image (29 when its origin lies outside, -57 when it keeps
// fewer than 2 columns or rows).
template <class T>
RuxResult clipSource(const Operands<T>& o, Rect& rect) {
  if (o.srcRoi.x >= o.srcSize.width || o.srcRoi.y >= o.srcSize.height) return ruxStatusNoIntersection;
  const int w = std::min(o.srcSize.width - o.srcRoi.x, o.srcRoi.width);
  const int h = std::min(o.srcSize.height - o.srcRoi.y, o.srcRoi.height);
  if (w < 2 || h < 2) return ruxStatusBadRect;
  rect = rectOf(o.srcRoi.x, o.srcRoi.y, w, h);
  return ruxStatusOk;
}

// ---- the job ----------------------------------------------------------------------------------

template <class T>
struct Job {
  const unsigned char* src[4];  // top-left pixel of the clipped source region, per plane
  unsigned char* dst[4];        // destination image origin, per plane
  std::ptrdiff_t srcStep, dstStep;
  int W, H, planes;

  const T* srcRow(int p, int y) const { return reinterpret_cast<const T*>(src[p] + srcStep * y); }
  T* dstRow(int p, int y) const { return reinterpret_cast<T*>(dst[p] + dstStep * y); }
};

template <class T, int C>
Job<T> makeJob(const Operands<T>& o, const Rect& srcRect) {
  Job<T> j{};
  const int sx = static_cast<int>(srcRect.x0), sy = static_cast<int>(srcRect.y0);
  for (int p = 0; p < o.planes; ++p) {
    j.src[p] = reinterpret_cast<const unsigned char*>(o.src[p]) + static_cast<std::ptrdiff_t>(o.srcStep) * sy +
               static_cast<std::ptrdiff_t>(sx) * C * static_cast<std::ptrdiff_t>(sizeof(T));
    j.dst[p] = reinterpret_cast<unsigned char*>(o.dst[p]);
  }
  j.srcStep = o.srcStep;
  j.dstStep = o.dstStep;
  j.W = static_cast<int>(srcRect.x1 - srcRect.x0) + 1;
  j.H = static_cast<int>(srcRect.y1 - srcRect.y0) + 1;
  j.planes = o.planes;
  return j;
}

// Planes a sampler visits: packed pixels have one, so at most four samples per pixel.
template <int K, class T>
inline int planesOf(const Job<T>& j) {
  return K == 1 ? std::min(j.planes, 4) : 1;
}

// Safe domain of the points a mapper delivers (region coordinates).
struct Domain {
  double u0, u1, v0, v1;
};
inline Domain domainOf(int W, int H) { return {-0.49, W - 0.51, -0.49, H - 0.51}; }

// ---- samplers ---------------------------------------------------------------------------------

template <class T>
using Work = std::conditional_t<std::is_same_v<T, double>, double, float>;

// Lagrange weights of the nodes 0..3 at position p in [0, 3]. On the centred window (p in
// [1, 2]) they are the mode 4 kernel of the resize; shifted windows at the image edges keep
// interpolating through their own four nodes, so the weights always sum to 1.
inline void lagrange4(double p, double w[4]) {
  if (p >= 1.0 && p <= 2.0) {
    for (int k = 0; k < 4; ++k) w[k] = resample::cubicKernel(resample::kCubic, std::fabs(p - k));
    return;
  }
  w[0] = -(p - 1.0) * (p - 2.0) * (p - 3.0) / 6.0;
  w[1] = p * (p - 2.0) * (p - 3.0) / 2.0;
  w[2] = -p * (p - 1.0) * (p - 3.0) / 2.0;
  w[3] = p * (p - 1.0) * (p - 2.0) / 6.0;
}

// Q14 weight pairs of the 8u cubic at positions q / 512, q = 0..1536: entry q holds the weights
// of nodes 0 and 1; nodes 3 and 2 use entry 1536 - q (mirrored). Each pair of mirrored entries
// is adjusted so that the four weights sum to exactly 16384.
struct CubicQ14 {
  std::int16_t w[1537][2];
};
const CubicQ14& cubicQ14Table();

// Window origin of the cubic: min(trunc(u), size - 3) - 1, raised to 0.
inline int cubicOrigin(double u, int size) { return std::max(0, std::min(static_cast<int>(u), size - 3) - 1); }

// Table entry of the position p = u - origin: round(p * 512) clamped to the table.
inline int cubicEntry(double p) {
  const double e = roundEven(p * 512.0);
  return e <= 0.0 ? 0 : e >= 1536.0 ? 1536 : static_cast<int>(e);
}

template <class T, int C, int K, int Mode>
inline void sampleAt(const Job<T>& j, double u, double v, T* out) {
  using A = Work<T>;
  if constexpr (Mode == kNearest) {
    const int ix = static_cast<int>(u + 0.5), iy = static_cast<int>(v + 0.5);
    for (int p = 0; p < planesOf<K>(j); ++p) {
      const T* s = j.srcRow(p, iy) + static_cast<std::ptrdiff_t>(ix) * C;
      for (int k = 0; k < K; ++k) out[p * K + k] = loadSample<T>(s + k);
    }
  } else if constexpr (Mode == kLinear) {
    int ix = static_cast<int>(u + 1.0000000116860974e-7), iy = static_cast<int>(v + 1.0000000116860974e-7);
    A fx = static_cast<A>(u - ix), fy = static_cast<A>(v - iy);
    if (ix >= j.W - 1) ix = j.W - 2, fx = A(1);
    if (iy >= j.H - 1) iy = j.H - 2, fy = A(1);
    for (int p = 0; p < planesOf<K>(j); ++p) {
      const T* r0 = j.srcRow(p, iy) + static_cast<std::ptrdiff_t>(ix) * C;
      const T* r1 = j.srcRow(p, iy + 1) + static_cast<std::ptrdiff_t>(ix) * C;
      for (int k = 0; k < K; ++k) {
        const A p00 = static_cast<A>(loadSample<T>(r0 + k)), p01 = static_cast<A>(loadSample<T>(r0 + C + k));
        const A p10 = static_cast<A>(loadSample<T>(r1 + k)), p11 = static_cast<A>(loadSample<T>(r1 + C + k));
        const A top = p00 + (p01 - p00) * fx, bottom = p10 + (p11 - p10) * fx;
        if constexpr (std::is_integral_v<T>) {
          const A r = std::trunc(A(0.5) + top + (bottom - top) * fy);
          constexpr A hi = static_cast<A>(std::numeric_limits<T>::max());
          out[p * K + k] = static_cast<T>(r <= A(0) ? A(0) : r >= hi ? hi : r);
        } else {
          out[p * K + k] = static_cast<T>(top + (bottom - top) * fy);
        }
      }
    }
  } else if constexpr (Mode == kCubic) {
    const int x0 = cubicOrigin(u, j.W), y0 = cubicOrigin(v, j.H);
    if constexpr (std::is_same_v<T, Rux8u>) {
      const auto& tab = cubicQ14Table().w;
      const int ex = cubicEntry(u - x0), ey = cubicEntry(v - y0);
      const int wx[4] = {tab[ex][0], tab[ex][1], tab[1536 - ex][1], tab[1536 - ex][0]};
      const int wy[4] = {tab[ey][0], tab[ey][1], tab[1536 - ey][1], tab[1536 - ey][0]};
      for (int p = 0; p < planesOf<K>(j); ++p) {
        for (int k = 0; k < K; ++k) {
          int s = 0;
          for (int r = 0; r < 4; ++r) {
            const Rux8u* row = j.srcRow(p, y0 + r) + static_cast<std::ptrdiff_t>(x0) * C + k;
            const int h = wx[0] * row[0] + wx[1] * row[C] + wx[2] * row[2 * C] + wx[3] * row[3 * C];
            s += wy[r] * (h >> 8);
          }
          const int r = (s + 0x80000) >> 20;
          out[p * K + k] = static_cast<Rux8u>(r < 0 ? 0 : r > 255 ? 255 : r);
        }
      }
    } else {
      double dx[4], dy[4];
      lagrange4(std::clamp(u - x0, 0.0, 3.0), dx);
      lagrange4(std::clamp(v - y0, 0.0, 3.0), dy);
      const A wx[4] = {A(dx[0]), A(dx[1]), A(dx[2]), A(dx[3])}, wy[4] = {A(dy[0]), A(dy[1]), A(dy[2]), A(dy[3])};
      for (int p = 0; p < planesOf<K>(j); ++p) {
        for (int k = 0; k < K; ++k) {
          A s = 0;
          for (int r = 0; r < 4; ++r) {
            const T* row = j.srcRow(p, y0 + r) + static_cast<std::ptrdiff_t>(x0) * C + k;
            A h = 0;
            for (int t = 0; t < 4; ++t) h += wx[t] * static_cast<A>(loadSample<T>(row + t * C));
            s += wy[r] * h;
          }
          out[p * K + k] = saturateNearest<T>(s);
        }
      }
    }
  } else {  // Catmull-Rom, taps clamped into the image near its edges
    const int ix = static_cast<int>(u + 1e-7), iy = static_cast<int>(v + 1e-7);
    const double tx = u - ix, ty = v - iy;
    A wx[4], wy[4];
    int cx[4], cy[4];
    for (int t = 0; t < 4; ++t) {
      wx[t] = static_cast<A>(resample::cubicKernel(resample::kCatmullRom, std::fabs(t - 1 - tx)));
      wy[t] = static_cast<A>(resample::cubicKernel(resample::kCatmullRom, std::fabs(t - 1 - ty)));
      cx[t] = std::clamp(ix - 1 + t, 0, j.W - 1) * C;
      cy[t] = std::clamp(iy - 1 + t, 0, j.H - 1);
    }
    for (int p = 0; p < planesOf<K>(j); ++p) {
      for (int k = 0; k < K; ++k) {
        A s = 0;
        for (int r = 0; r < 4; ++r) {
          const T* row = j.srcRow(p, cy[r]) + k;
          A h = 0;
          for (int t = 0; t < 4; ++t) h += wx[t] * static_cast<A>(loadSample<T>(row + cx[t]));
          s += wy[r] * h;
        }
        out[p * K + k] = saturateNearest<T>(s);
      }
    }
  }
}

// ---- smooth edge ------------------------------------------------------------------------------

// Coverage of a destination pixel (the unit square around its centre) by the region's
// quadrangles: 1 when the square lies inside every edge's half-plane, otherwise the share of
// 4 x 4 sub-samples inside all quadrangles.
struct Coverage {
  struct Edge {
    double a, b, c;  // a x + b y + c >= 0 inside, (a, b) of unit length
  };
  Edge edges[8];
  int count = 0;

  explicit Coverage(const Region& r) {
    for (int k = 0; k < r.count; ++k) {
      const Quad& q = r.quads[k];
      const double area = (q.p[1].x - q.p[0].x) * (q.p[2].y - q.p[1].y) - (q.p[1].y - q.p[0].y) * (q.p[2].x - q.p[1].x);
      const double s = area > 0 ? 1.0 : -1.0;
      for (int i = 0; i < 4; ++i) {
        const Pt p0 = q.p[i], p1 = q.p[(i + 1) % 4];
        double a = -(p1.y - p0.y) * s, b = (p1.x - p0.x) * s;
        const double n = std::sqrt(a * a + b * b);
        a /= n, b /= n;
        edges[count++] = {a, b, -(a * p0.x + b * p0.y)};
      }
    }
  }

  double at(int x, int y) const {
    bool inside = true;
    for (int e = 0; e < count && inside; ++e) {
      const Edge& g = edges[e];
      inside = g.a * x + g.b * y + g.c >= 0.5 * (std::fabs(g.a) + std::fabs(g.b));
    }
    if (inside) return 1.0;
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy) {
      for (int sx = 0; sx < 4; ++sx) {
        const double px = x - 0.375 + 0.25 * sx, py = y - 0.375 + 0.25 * sy;
        bool in = true;
        for (int e = 0; e < count && in; ++e) in = edges[e].a * px + edges[e].b * py + edges[e].c >= 0;
        hits += in ? 1 : 0;
      }
    }
    return hits / 16.0;
  }
};

// ---- the row loop -----------------------------------------------------------------------------

// Linear and cubic 8u and 32f rows through the vector kernels (32f cubic: one channel): the mapper
// delivers each row's points as runs of consecutive pixels, and one kernel call per plane samples
// a run. False when the target has no kernel or the source does not fit the kernels' offsets (the
// plain loop then runs).
template <class T, int C, int K, int Mode, class Mapper>
bool vectorRows(const Job<T>& job, const Region& region, const Mapper& map, int y0, int y1) {
  constexpr int layout = C == 1 ? 0 : C == 3 ? 1 : K == 4 ? 2 : 3;
  const Kernels& kern = kernels();
  LinearFn<T> fn = nullptr;
  if constexpr (Mode == kCubic) {
    if constexpr (std::is_same_v<T, Rux8u>) fn = kern.cubic8u[layout];
    else fn = kern.cubic32f[layout];
  } else if constexpr (std::is_same_v<T, Rux8u>) {
    fn = kern.linear8u[layout];
  } else {
    fn = kern.linear32f[layout];
  }
  const long long reach = (static_cast<long long>(job.H) - 1) * job.srcStep +
                          (static_cast<long long>(job.W) + 1) * C * static_cast<long long>(sizeof(T));
  if (fn == nullptr || job.srcStep <= 0 || job.W < 5 || reach >= (1LL << 31)) return false;
  // Bands of kBand rows: the points of the whole band first, then the band's runs in tiles of
  // kTile pixels, so that the source pixels a tile reads stay in the first-level cache however
  // the map turns the rows.
  constexpr int R = Mapper::kRows, kBand = 8, kTile = 128, kMaxRuns = 64;
  static_assert(kBand % R == 0, "a band holds whole groups of rows");
  const auto stride = static_cast<std::size_t>(region.box.x1 - region.box.x0) + 1 + kPad;
  Scratch<double> points(2 * kBand * static_cast<long long>(stride));
  if (!points) return false;
  double* u = points.get();
  double* v = u + kBand * stride;
  LinearJob lj[4];
  for (int p = 0; p < planesOf<K>(job); ++p)
    lj[p] = {job.src[p], static_cast<int>(job.srcStep), job.W, job.H, &cubicQ14Table().w[0][0]};
  struct RunAt {
    int y, x;
    std::size_t at, n;  // points u[at ..], v[at ..]
  };
  RunAt runs[kMaxRuns];
  int count = 0;
  const auto sample = [&](const RunAt& r, std::size_t from, std::size_t to) {
    for (int p = 0; p < planesOf<K>(job); ++p)
      fn(lj[p], u + r.at + from, v + r.at + from, job.dstRow(p, r.y) + (static_cast<std::ptrdiff_t>(r.x) + from) * C, to - from);
  };
  const auto flush = [&] {
    std::size_t longest = 0;
    for (int i = 0; i < count; ++i) longest = std::max(longest, runs[i].n);
    for (std::size_t t = 0; t < longest; t += kTile)
      for (int i = 0; i < count; ++i)
        if (t < runs[i].n) sample(runs[i], t, std::min(runs[i].n, t + kTile));
    count = 0;
  };
  for (int y = y0; y < y1; y += kBand) {
    for (int g = y; g < std::min(y + kBand, y1); g += R) {
      const int rows = std::min(R, y1 - g);
      int xb[R], xe[R];
      for (int r = 0; r < rows; ++r)
        if (!region.span(g + r, xb[r], xe[r])) xb[r] = xe[r] = 0;
      const std::size_t base = static_cast<std::size_t>(g - y) * stride;
      map.runs(kern, g, rows, xb, xe, u + base, v + base, stride,
               [&](int r, int x, const double* pu, const double*, std::size_t n) {
                 if (count == kMaxRuns) flush();
                 runs[count++] = {g + r, x, static_cast<std::size_t>(pu - u), n};
               });
    }
    flush();
  }
  return true;
}

template <class T, int C, int K, int Mode, bool Smooth, class Mapper>
void warpRows(const Job<T>& job, const Region& region, const Mapper& map, const Coverage& cover, int y0, int y1) {
  if constexpr (!Smooth && ((Mode == kLinear && (std::is_same_v<T, Rux8u> || std::is_same_v<T, float>)) ||
                             (Mode == kCubic && (std::is_same_v<T, Rux8u> || std::is_same_v<T, float>)))) {
    if (vectorRows<T, C, K, Mode>(job, region, map, y0, y1)) return;
  }
  for (int y = y0; y < y1; ++y) {
    int xb, xe;
    if (!region.span(y, xb, xe)) continue;
    T* d[4];
    for (int p = 0; p < planesOf<K>(job); ++p) d[p] = job.dstRow(p, y);
    map.row(y, xb, xe, [&](int x, double u, double v) {
      T vals[4];
      sampleAt<T, C, K, Mode>(job, u, v, vals);
      const double a = Smooth ? cover.at(x, y) : 1.0;
      for (int p = 0; p < planesOf<K>(job); ++p) {
        T* px = d[p] + static_cast<std::ptrdiff_t>(x) * C;
        for (int k = 0; k < K; ++k) {
          if (Smooth && a < 1.0) {
            const double old = static_cast<double>(loadSample<T>(px + k));
            storeSample<T>(px + k, saturateNearest<T>(old + (static_cast<double>(vals[p * K + k]) - old) * a));
          } else {
            storeSample<T>(px + k, vals[p * K + k]);
          }
        }
      }
    });
  }
}

template <class T, int C, int K, int Mode, class Mapper>
void runMode(const Job<T>& job, const Region& region, const Mapper& map, bool smooth) {
  const Coverage cover(region);
  const int rows = region.rowEnd - region.rowBegin;
  // Rows are independent: large regions go to row blocks (the same bits for any thread count).
  const long long area = static_cast<long long>(rows) * std::max(1.0, region.box.x1 - region.box.x0 + 1);
  const int threads = rows >= 64 && area >= 65536 ? par::requestedThreads() : 1;
  par::forEachRowBlock(rows, threads, [&](par::RowRange r) {
    const int a = region.rowBegin + r.begin, b = region.rowBegin + r.end;
    if (smooth) warpRows<T, C, K, Mode, true>(job, region, map, cover, a, b);
    else warpRows<T, C, K, Mode, false>(job, region, map, cover, a, b);
  });
}

// Runs the job with the mode after the small-source fallback (cubic needs 4 x 4 source pixels).
template <class T, int C, int K, class Mapper>
void run(const Job<T>& job, const Region& region, const Mapper& map, int interpolation) {
  int mode = modeOf(interpolation);
  if (mode == kCubic && (job.W < 4 || job.H < 4)) mode = kLinear;
  const bool smooth = smoothOf(interpolation);
  switch (mode) {
    case kNearest: return runMode<T, C, K, kNearest>(job, region, map, smooth);
    case kLinear: return runMode<T, C, K, kLinear>(job, region, map, smooth);
    case kCubic: return runMode<T, C, K, kCubic>(job, region, map, smooth);
    default:
      if constexpr (Mapper::kCatmullRom) return runMode<T, C, K, kCatmullRom>(job, region, map, smooth);
  }
}

// ---- mappers ----------------------------------------------------------------------------------

// Destination to source by an affine map, already in region coordinates. Each row's span is
// limited to the columns whose point lies in the safe domain (u and v are linear in x), its
// start computed directly, then the column coefficients added per pixel.
struct AffineMapper {
  static constexpr bool kCatmullRom = true;
  static constexpr int kRows = 4;  // rows whose points runs() forms together
  Affine inv;
  Domain dom;
  // Limits [xb, xe) of row y to the safe domain; the point of its first pixel.
  bool start(int y, int& xb, int& xe, double& u, double& v) const {
    const double bu = inv.c[0][1] * y + inv.c[0][2], bv = inv.c[1][1] * y + inv.c[1][2];
    limitLinear(inv.c[0][0], bu, dom.u0, dom.u1, xb, xe);
    limitLinear(inv.c[1][0], bv, dom.v0, dom.v1, xb, xe);
    u = inv.c[0][0] * xb + bu, v = inv.c[1][0] * xb + bv;
    return xb < xe;
  }
  template <class F>
  void row(int y, int xb, int xe, F&& f) const {
    double u, v;
    if (!start(y, xb, xe, u, v)) return;
    const double du = inv.c[0][0], dv = inv.c[1][0];
    for (int x = xb; x < xe; ++x, u += du, v += dv) f(x, u, v);
  }
  // The points of rows y .. y + rows - 1 (spans [xb[r], xe[r])), each row one run, row r at
  // u + r * stride: the same sums as row(), with the rows' additions interleaved so that the
  // four dependency chains overlap.
  template <class Run>
  void runs(const Kernels&, int y, int rows, const int* xb, const int* xe, double* u, double* v, std::size_t stride,
            Run&& run) const {
    double cu[kRows], cv[kRows];
    int first[kRows], n[kRows];
    int common = rows == kRows ? std::numeric_limits<int>::max() : 0;
    for (int r = 0; r < rows; ++r) {
      first[r] = xb[r];
      int end = xe[r];
      n[r] = start(y + r, first[r], end, cu[r], cv[r]) ? end - first[r] : 0;
      common = std::min(common, n[r]);
    }
    const double du = inv.c[0][0], dv = inv.c[1][0];
    for (int k = 0; k < common; ++k)
      for (int r = 0; r < kRows; ++r) {
        u[r * stride + k] = cu[r], v[r * stride + k] = cv[r];
        cu[r] += du, cv[r] += dv;
      }
    for (int r = 0; r < rows; ++r) {
      for (int k = common; k < n[r]; ++k) {
        u[r * stride + k] = cu[r], v[r * stride + k] = cv[r];
        cu[r] += du, cv[r] += dv;
      }
      if (n[r] > 0) run(r, first[r], u + r * stride, v + r * stride, static_cast<std::size_t>(n[r]));
    }
  }
};

// The maximal runs of consecutive pixels whose points lie in the domain, from the row's points.
template <class Run>
void domainRuns(const Domain& dom, int xb, int xe, const double* u, const double* v, Run&& run) {
  for (int i = 0, n = xe - xb; i < n;) {
    const auto in = [&](int k) { return u[k] >= dom.u0 && u[k] <= dom.u1 && v[k] >= dom.v0 && v[k] <= dom.v1; };
    if (!in(i)) {
      ++i;
      continue;
    }
    int j = i + 1;
    while (j < n && in(j)) ++j;
    run(xb + i, u + i, v + i, static_cast<std::size_t>(j - i));
    i = j;
  }
}

// Destination to source as the ratio of two linear forms (region coordinates); points outside
// the safe domain are not written.
struct PerspectiveMapper {
  static constexpr bool kCatmullRom = false;
  Perspective m;
  Domain dom;
  template <class F>
  void row(int y, int xb, int xe, F&& f) const {
    const auto& c = m.c;
    for (int x = xb; x < xe; ++x) {
      const double d = c[2][0] * x + c[2][1] * y + c[2][2];
      const double u = (c[0][0] * x + c[0][1] * y + c[0][2]) / d, v = (c[1][0] * x + c[1][1] * y + c[1][2]) / d;
      if (u >= dom.u0 && u <= dom.u1 && v >= dom.v0 && v <= dom.v1) f(x, u, v);
    }
  }
  static constexpr int kRows = 1;
  // The row's points by the vector kernel (the same ratios as row()), in runs inside the domain.
  template <class Run>
  void runs(const Kernels& k, int y, int, const int* xbs, const int* xes, double* u, double* v, std::size_t,
            Run&& run) const {
    const int xb = *xbs, xe = *xes;
    if (k.perspective == nullptr) {
      int n = 0;
      for (int x = xb; x < xe; ++x, ++n) {
        const auto& c = m.c;
        const double d = c[2][0] * x + c[2][1] * y + c[2][2];
        u[n] = (c[0][0] * x + c[0][1] * y + c[0][2]) / d, v[n] = (c[1][0] * x + c[1][1] * y + c[1][2]) / d;
      }
    } else {
      k.perspective(m.c, y, xb, static_cast<std::size_t>(xe - xb), u, v);
    }
    domainRuns(dom, xb, xe, u, v, [&](int x, const double* pu, const double* pv, std::size_t n) { run(0, x, pu, pv, n); });
  }
};

// Destination to source through a bilinear inverse: (s, t) solves inner(s, t) = (x, y) (the root
// in or nearest to the domain rectangle), then outer maps (s, t) to the source (region
// coordinates). An identity inner map is skipped.
struct BilinearMapper {
  static constexpr bool kCatmullRom = false;
  Bilinear inner, outer;
  bool invertInner = true;
  Rect innerDomain;
  Domain dom;
  template <class F>
  void row(int y, int xb, int xe, F&& f) const {
    for (int x = xb; x < xe; ++x) {
      double s = x, t = y;
      if (invertInner && !bilinearSolve(inner, x, y, innerDomain, s, t)) continue;
      const Pt q = outer.map(s, t);
      if (q.x >= dom.u0 && q.x <= dom.u1 && q.y >= dom.v0 && q.y <= dom.v1) f(x, q.x, q.y);
    }
  }
  static constexpr int kRows = 1;
  // The row's points in runs of consecutive pixels.
  template <class Run>
  void runs(const Kernels&, int y, int, const int* xb, const int* xe, double* u, double* v, std::size_t,
            Run&& run) const {
    // Points stay at their column's place in the buffer: every run keeps its own.
    const int x0 = *xb;
    int first = x0, n = 0;
    const auto emit = [&] { run(0, first, u + (first - x0), v + (first - x0), static_cast<std::size_t>(n)); };
    row(y, *xb, *xe, [&](int x, double pu, double pv) {
      if (n > 0 && x != first + n) {
        emit();
        n = 0;
      }
      if (n == 0) first = x;
      u[x - x0] = pu, v[x - x0] = pv, ++n;
    });
    if (n > 0) emit();
  }
};

// Get...Transform of the perspective and bilinear maps: the region and quadrangle checks, then
// fit(rect, quad, map) mapping the region's corners onto the quadrangle (false: -58).
template <class Map, int R, int K, class Fit>
RuxResult fitTransform(RuxImageRect srcRoi, const double quad[4][2], double coeffs[R][K], Fit&& fit) {
  if (quad == nullptr || coeffs == nullptr) return ruxStatusNullPointer;
  if (badRect(srcRoi)) return ruxStatusBadSize;
  const Quad q = quadFrom(quad);
  if (!acceptable(q)) return ruxStatusBadQuad;
  if (srcRoi.width < 2 || srcRoi.height < 2) return ruxStatusBadRect;
  Map m;
  if (!fit(rectOf(srcRoi.x, srcRoi.y, srcRoi.width, srcRoi.height), q, m)) return ruxStatusBadQuad;
  for (int r = 0; r < R; ++r)
    for (int k = 0; k < K; ++k) coeffs[r][k] = m.c[r][k];
  return ruxStatusOk;
}

}  // namespace rux::warp

// Export helpers of the warp families: the source and destination arguments, the operands of
// packed (one pointer) and planar (N plane pointers) layouts, and the six layouts of a type.
#define RUX_WARP_SRC RuxImageSize srcSize, int srcStep, RuxImageRect srcRoi
#define RUX_WARP_DST int dstStep, RuxImageRect dstRoi
#define RUX_WARP_OPS_PACKED(T)                                            \
  const T* sp[1] = {pSrc};                                                \
  T* dp[1] = {pDst};                                                      \
  const ::rux::warp::Operands<T> o{sp, dp, 1, false, srcSize, srcStep, srcRoi, dstStep, dstRoi}
#define RUX_WARP_OPS_PLANAR(T, N) \
  const ::rux::warp::Operands<T> o{pSrc, pDst, N, true, srcSize, srcStep, srcRoi, dstStep, dstRoi}
#define RUX_WARP_LAYOUTS(PACKED, PLANAR, S, T) \
  PACKED(S, T, C1R, 1, 1)                      \
  PACKED(S, T, C3R, 3, 3)                      \
  PACKED(S, T, C4R, 4, 4)                      \
  PACKED(S, T, AC4R, 4, 3)                     \
  PLANAR(S, T, 3)                              \
  PLANAR(S, T, 4)
