// Template matching: cross-correlation (plain, normalised, mean-removed) and normalised squared
// distance of an image and a template, in the Full, Same and Valid output geometries.
//
// Shape:
//  - One driver, correlate<S, D, T>(…, channels, alpha, geometry, score): S the sample type,
//    D the destination type (32f, 64f, or 8u with a scale factor), T the transform type (float;
//    double for the 64f members). Geometry and score are run-time values: they only change the
//    placement offset, the destination size and the epilogue.
//  - Validation: a null pointer -8; a size < 1 or a template larger than the source -6; a step
//    < 1 -14.
//  - Correlation term: the overlap-save engine of primitives/corr_engine.h. The problem is
//    transformed whole when W·H <= k·w·h (k = 8 Valid, 12 Full, 1 Same, 4 plain), in tiles
//    otherwise; tiles are spread over the threads, each with its own plane. The kernel is the
//    template (mean-removed for _NormLevel, so the correlation is the numerator directly and
//    the window mean never cancels against a large sum).
//  - Window sums, per tile and channel, from running column sums over the tile's input block:
//    exact 64-bit integers for integer samples (the mean-removed energy A·Σf² − (Σf)² in 128
//    bits), double for float samples; zero outside the source.
//  - One epilogue: the window energy in single precision is taken as 0 below 1.19e-7 times the
//    template term (the template energy, its norm clamped to 1.19e-7); a zero denominator gives
//    0 (correlation) or the numerator · 2^23 (squared distance). Correlation scores are kept in
//    [-1, 1] and squared distances at or above 0. A constant template has no mean-removed
//    energy: _NormLevel gives 0 at every position. 8u results: the single-precision score times
//    2^-scaleFactor, rounded to nearest even and saturated.
//  - Multi-channel members run every channel through the same tile (one kernel spectrum per
//    channel); AC4 leaves destination alpha as it is.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/corr_engine.h"
#include "primitives/unaligned.h"
#include "ruxi.h"
#include "proximity/proximity_common.h"

namespace rux {
namespace {

using prox::Geometry;
using prox::Score;

template <class S>
using AccOf = std::conditional_t<std::is_floating_point_v<S>, double, long long>;
// A sample and its square: 32-bit for integers (16u squares need the unsigned range), so the
// column updates stay narrow vectors; double for floats.
template <class S>
using SqOf = std::conditional_t<std::is_floating_point_v<S>, double,
                                std::conditional_t<sizeof(S) == 2, std::uint32_t, std::int32_t>>;

constexpr double kEps = 1.1920928955078125e-07;

// The template's statistics of one channel.
struct TplStats {
  double energy;  // sum t^2
  double mean;    // t mean
  double level;   // sum (t - mean)^2, exactly 0 for a constant template
};

template <class S>
TplStats tplStats(const S* p, int step, RuxImageSize s, int C, int c) {
  const double A = static_cast<double>(s.width) * s.height;
  if constexpr (std::is_floating_point_v<S>) {
    double sum = 0, sq = 0;
    S lo = loadAt(p + c), hi = lo;
    for (int y = 0; y < s.height; ++y) {
      const S* r = prox::rowAt(p, step, y) + c;
      for (int x = 0; x < s.width; ++x) {
        const S v = loadAt(r + x * C);
        sum += v;
        sq += static_cast<double>(v) * v;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    }
    const double mean = sum / A;
    double level = 0;
    if (lo != hi)
      for (int y = 0; y < s.height; ++y) {
        const S* r = prox::rowAt(p, step, y) + c;
        for (int x = 0; x < s.width; ++x) {
          const double d = static_cast<double>(loadAt(r + x * C)) - mean;
          level += d * d;
        }
      }
    return {sq, mean, level};
  } else {
    long long sum = 0, sq = 0;
    for (int y = 0; y < s.height; ++y) {
      const S* r = prox::rowAt(p, step, y) + c;
      for (int x = 0; x < s.width; ++x) {
        const long long v = loadAt(r + x * C);
        sum += v;
        sq += v * v;
      }
    }
    const __int128 a = static_cast<__int128>(s.width) * s.height;
    const __int128 lv = a * sq - static_cast<__int128>(sum) * sum;
    return {static_cast<double>(sq), static_cast<double>(sum) / A, static_cast<double>(lv) / A};
  }
}

// The shared epilogue: one score from the correlation term c and the window sums.
struct Epilogue {
  Score score;
  double area;
  double tplEnergy;  // sum t^2
  double term;       // template term of the denominator (energy, or mean-removed energy)
  bool zero;         // _NormLevel with a constant template

  static Epilogue make(Score score, double area, const TplStats& t) {
    const double norm = std::max(std::sqrt(score == Score::kNormLevel ? t.level : t.energy), kEps);
    return {score, area, t.energy, norm * norm, score == Score::kNormLevel && t.level == 0};
  }

  // s1, s2: the window's sum and sum of squares (s1 only for _NormLevel); for integer samples
  // `lev` is the exact mean-removed energy.
  double operator()(double c, double s2, double lev) const {
    switch (score) {
      case Score::kPlain: return c;
      case Score::kNorm:
      case Score::kNormLevel: {
        if (zero) return 0.0;
        const double e = energy(score == Score::kNorm ? s2 : lev);
        if (e == 0.0) return 0.0;
        const double r = c / std::sqrt(e * term);
        return r > 1.0 ? 1.0 : (r < -1.0 ? -1.0 : r);  // NaN stays NaN (non-finite samples)
      }
      case Score::kSqrDistance: {
        double num = s2 - 2.0 * c + tplEnergy;
        if (num < 0.0) num = 0.0;
        const double e = energy(s2);
        return e == 0.0 ? num * 8388608.0 : num / std::sqrt(e * term);
      }
    }
    return 0.0;
  }
  // The window energy in single precision, 0 below the threshold.
  double energy(double e) const {
    const float f = static_cast<float>(std::max(e, 0.0));
    return static_cast<double>(f) < kEps * term ? 0.0 : static_cast<double>(f);
  }
};

// Stores a score into D: floats as they are, 8u scaled, rounded to nearest even, saturated.
template <class D>
struct Store {
  double scale;
  void operator()(D* p, double v) const {
    if constexpr (std::is_floating_point_v<D>) {
      storeAt(p, static_cast<D>(v));
    } else {
      const double x = static_cast<double>(static_cast<float>(v)) * scale;
      storeAt(p, prox::roundNearSat8u(x));
    }
  }
};

template <class S, class D, class T>
RuxResult correlate(const S* pSrc, int srcStep, RuxImageSize src, const S* pTpl, int tplStep, RuxImageSize tpl,
                    D* pDst, int dstStep, int C, bool alpha, Geometry geo, Score score, int scaleFactor) {
  if (!pSrc || !pTpl || !pDst) return ruxStatusNullPointer;
  if (src.width < 1 || src.height < 1 || tpl.width < 1 || tpl.height < 1 || tpl.width > src.width ||
      tpl.height > src.height)
    return ruxStatusBadSize;
  if (srcStep < 1 || tplStep < 1 || dstStep < 1) return ruxStatusBadStep;
  using Acc = AccOf<S>;
  using Sq = SqOf<S>;
  const int W = src.width, H = src.height, w = tpl.width, h = tpl.height;
  const prox::Placement pl = prox::placement(geo, src, tpl);
  const int nc = alpha ? 3 : C;
  const double area = static_cast<double>(w) * h;
  const int k = score == Score::kPlain ? 4 : (geo == Geometry::kFull ? 12 : (geo == Geometry::kSame ? 1 : 8));
  const bool tiled = static_cast<double>(W) * H > static_cast<double>(k) * w * h;
  corr::Layout lay;
  if (!corr::chooseLayout(pl.outW, pl.outH, w, h, tiled, &lay)) return ruxStatusNoMemory;
  const int threads = corr::tileThreads(lay);

  TplStats stats[4];
  Epilogue epi[4];
  for (int c = 0; c < nc; ++c) {
    stats[c] = tplStats(pTpl, tplStep, tpl, C, c);
    epi[c] = Epilogue::make(score, area, stats[c]);
  }
  const bool level = score == Score::kNormLevel;
  // A·Σf² and (Σf)² stay below 2^62 for integer samples when (max |f| · A)² does.
  const double maxSample = std::is_floating_point_v<S> ? 0.0 : static_cast<double>(std::numeric_limits<S>::max()) + 1.0;
  const bool narrow = maxSample * area < 2147483648.0;
  const Store<D> store{std::ldexp(1.0, -std::clamp(scaleFactor, -64, 64))};

  corr::Engine<T> eng;
  // Per thread: the running column sums of the window statistics.
  if (RuxResult st = eng.init(lay, nc, threads, 2LL * lay.fftW * static_cast<long long>(sizeof(Acc)))) return st;

  const auto kernel = [&](int c, T* kp, std::ptrdiff_t stride) {
    for (int y = 0; y < h; ++y) {
      const S* r = prox::rowAt(pTpl, tplStep, y) + c;
      T* d = kp + y * stride;
      if (level)
        for (int x = 0; x < w; ++x) d[x] = static_cast<T>(static_cast<double>(loadAt(r + x * C)) - stats[c].mean);
      else
        for (int x = 0; x < w; ++x) d[x] = static_cast<T>(loadAt(r + x * C));
    }
  };
  const auto fill = [&](int c, const corr::Tile& tile, T* plane, std::ptrdiff_t stride) {
    prox::fillBlock(pSrc, srcStep, W, H, C, c, tile.x0 - pl.ox, tile.y0 - pl.oy, tile.inW, tile.inH, plane, stride,
                    lay.fftW);
  };
  const auto emit = [&](int t, int c, const corr::Tile& tile, const T* plane, std::ptrdiff_t stride) {
    const int x0 = tile.x0, y0 = tile.y0, cw = tile.cw, ch = tile.ch, inW = tile.inW;
    if (score == Score::kPlain) {
      for (int j = 0; j < ch; ++j) {
        D* out = prox::rowAt(pDst, dstStep, y0 + j) + static_cast<std::ptrdiff_t>(x0) * C + c;
        const T* cr = plane + j * stride;
        for (int x = 0; x < cw; ++x) store(out + static_cast<std::ptrdiff_t>(x) * C, static_cast<double>(cr[x]));
      }
      return;
    }
    // Window sums from column sums over the input block (source columns [a, b) exist).
    Acc* col1 = reinterpret_cast<Acc*>(eng.extra(t));
    Acc* col2 = col1 + lay.fftW;
    const int u0 = x0 - pl.ox, v0 = y0 - pl.oy;
    const int a = std::clamp(-u0, 0, inW), b = std::clamp(W - u0, a, inW);
    std::fill(col1, col1 + inW, Acc(0));
    std::fill(col2, col2 + inW, Acc(0));
    const auto addRow = [&](int v, bool add) {
      if (v < 0 || v >= H) return;
      const S* s = prox::rowAt(pSrc, srcStep, v) + static_cast<std::ptrdiff_t>(u0) * C + c;
      if (add) {
        for (int i = a; i < b; ++i) {
          const Sq f = static_cast<Sq>(loadAt(s + static_cast<std::ptrdiff_t>(i) * C));
          col1[i] += static_cast<Acc>(f);
          col2[i] += static_cast<Acc>(f * f);
        }
      } else {
        for (int i = a; i < b; ++i) {
          const Sq f = static_cast<Sq>(loadAt(s + static_cast<std::ptrdiff_t>(i) * C));
          col1[i] -= static_cast<Acc>(f);
          col2[i] -= static_cast<Acc>(f * f);
        }
      }
    };
    for (int r = 0; r < h; ++r) addRow(v0 + r, true);
    for (int j = 0; j < ch; ++j) {
      D* out = prox::rowAt(pDst, dstStep, y0 + j) + static_cast<std::ptrdiff_t>(x0) * C + c;
      const T* cr = plane + j * stride;
      Acc s1 = 0, s2 = 0;
      for (int i = 0; i < w; ++i) s1 += col1[i], s2 += col2[i];
      for (int x = 0; x < cw; ++x) {
        double lev = 0;
        if (level) {
          if constexpr (std::is_floating_point_v<S>) {
            lev = s2 - s1 * s1 / area;
          } else if (narrow) {
            lev = static_cast<double>(static_cast<long long>(w) * h * s2 - s1 * s1) / area;
          } else {
            const __int128 l = static_cast<__int128>(w) * h * s2 - static_cast<__int128>(s1) * s1;
            lev = static_cast<double>(l) / area;
          }
        }
        store(out + static_cast<std::ptrdiff_t>(x) * C,
              epi[c](static_cast<double>(cr[x]), static_cast<double>(s2), lev));
        if (x + 1 < cw) {
          s1 += col1[x + w] - col1[x];
          s2 += col2[x + w] - col2[x];
        }
      }
      if (j + 1 < ch) {
        addRow(v0 + j + h, true);
        addRow(v0 + j, false);
      }
    }
  };
  corr::runTiles(eng, nc, threads, kernel, fill, emit);
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using rux::correlate;
using rux::prox::Geometry;
using rux::prox::Score;

#define RUX_CC(NAME, S, D, T, C, A, GEO, SCORE)                                                                     \
  RUXAPI RuxResult NAME(const S* pSrc, int srcStep, RuxImageSize srcRoiSize, const S* pTpl, int tplStep,           \
                        RuxImageSize tplRoiSize, D* pDst, int dstStep) {                                           \
    return correlate<S, D, T>(pSrc, srcStep, srcRoiSize, pTpl, tplStep, tplRoiSize, pDst, dstStep, C, A, GEO,       \
                              SCORE, 0);                                                                           \
  }
#define RUX_CC_SFS(NAME, C, A, GEO, SCORE)                                                                          \
  RUXAPI RuxResult NAME(const Rux8u* pSrc, int srcStep, RuxImageSize srcRoiSize, const Rux8u* pTpl, int tplStep,   \
                        RuxImageSize tplRoiSize, Rux8u* pDst, int dstStep, int scaleFactor) {                      \
    return correlate<Rux8u, Rux8u, float>(pSrc, srcStep, srcRoiSize, pTpl, tplStep, tplRoiSize, pDst, dstStep, C,  \
                                          A, GEO, SCORE, scaleFactor);                                             \
  }
#define RUX_CC_LAYOUTS(P, ty, S, GEO, SCORE)                           \
  RUX_CC(ruxi##P##_##ty##_C1R, S, Rux32f, float, 1, false, GEO, SCORE)  \
  RUX_CC(ruxi##P##_##ty##_C3R, S, Rux32f, float, 3, false, GEO, SCORE)  \
  RUX_CC(ruxi##P##_##ty##_C4R, S, Rux32f, float, 4, false, GEO, SCORE)  \
  RUX_CC(ruxi##P##_##ty##_AC4R, S, Rux32f, float, 4, true, GEO, SCORE)
#define RUX_CC_MEMBERS(P, GEO, SCORE)                        \
  RUX_CC_LAYOUTS(P, 8u32f, Rux8u, GEO, SCORE)                \
  RUX_CC_LAYOUTS(P, 8s32f, Rux8s, GEO, SCORE)                \
  RUX_CC_LAYOUTS(P, 16u32f, Rux16u, GEO, SCORE)              \
  RUX_CC_LAYOUTS(P, 32f, Rux32f, GEO, SCORE)                 \
  RUX_CC_SFS(ruxi##P##_8u_C1RSfs, 1, false, GEO, SCORE)      \
  RUX_CC_SFS(ruxi##P##_8u_C3RSfs, 3, false, GEO, SCORE)      \
  RUX_CC_SFS(ruxi##P##_8u_C4RSfs, 4, false, GEO, SCORE)      \
  RUX_CC_SFS(ruxi##P##_8u_AC4RSfs, 4, true, GEO, SCORE)

RUX_CC_MEMBERS(CrossCorrFull_Norm, Geometry::kFull, Score::kNorm)
RUX_CC_MEMBERS(CrossCorrSame_Norm, Geometry::kSame, Score::kNorm)
RUX_CC_MEMBERS(CrossCorrValid_Norm, Geometry::kValid, Score::kNorm)
RUX_CC_MEMBERS(CrossCorrFull_NormLevel, Geometry::kFull, Score::kNormLevel)
RUX_CC_MEMBERS(CrossCorrSame_NormLevel, Geometry::kSame, Score::kNormLevel)
RUX_CC_MEMBERS(CrossCorrValid_NormLevel, Geometry::kValid, Score::kNormLevel)
RUX_CC_MEMBERS(SqrDistanceFull_Norm, Geometry::kFull, Score::kSqrDistance)
RUX_CC_MEMBERS(SqrDistanceSame_Norm, Geometry::kSame, Score::kSqrDistance)
RUX_CC_MEMBERS(SqrDistanceValid_Norm, Geometry::kValid, Score::kSqrDistance)
RUX_CC(ruxiCrossCorrFull_NormLevel_64f_C1R, Rux64f, Rux64f, double, 1, false, Geometry::kFull, Score::kNormLevel)
RUX_CC(ruxiCrossCorrValid_NormLevel_64f_C1R, Rux64f, Rux64f, double, 1, false, Geometry::kValid, Score::kNormLevel)
RUX_CC(ruxiCrossCorrValid_8u32f_C1R, Rux8u, Rux32f, float, 1, false, Geometry::kValid, Score::kPlain)
RUX_CC(ruxiCrossCorrValid_8s32f_C1R, Rux8s, Rux32f, float, 1, false, Geometry::kValid, Score::kPlain)
RUX_CC(ruxiCrossCorrValid_16u32f_C1R, Rux16u, Rux32f, float, 1, false, Geometry::kValid, Score::kPlain)
RUX_CC(ruxiCrossCorrValid_32f_C1R, Rux32f, Rux32f, float, 1, false, Geometry::kValid, Score::kPlain)
