// Histogram family: HistogramRange counts samples per caller-given bin [levels[k], levels[k+1]),
// HistogramEven first writes evenly spaced integer levels and then counts the same way.
//
// Every bin is evaluated on its own: a bin whose upper level is not above its lower level
// counts nothing, overlapping bins may count a sample twice, NaN is never counted.
// Shape: 8u builds the full 256-entry histogram in one pass (four interleaved sub-histograms
// for C1, so that runs of equal samples do not serialise on one counter) and answers each bin
// from its prefix sums. 16u/16s choose per channel among a linear or binary search per sample,
// a test of every bin per sample, and a full 65,536-entry histogram in scratch, by pixel count
// and level count; all give the same counts, only the full histogram can fail (-9), and its
// scratch is taken before any counter is written. 32f searches (linear, binary or every bin).
// 8u regions of 1 MiB and more count in row blocks on threads, one partial histogram each.
// Validation: C1 null (-8), size (-6), step (-14), nLevels (-107); multi-channel members check
// each channel's pointers (-8) and nLevels (-107) first, then size and step.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

using Counter = std::uint32_t;  // counts wrap like the caller's 32-bit counters, never overflow UB

template <class T>
using LevelOf = std::conditional_t<std::is_floating_point_v<T>, Rux32f, Rux32s>;

// Number of channels that carry histograms: AC4 counts three of its four.
constexpr int countedChannels(int C, bool alpha) { return alpha ? 3 : C; }

template <class L>
bool strictlyIncreasing(const L* l, int n) {
  for (int k = 0; k + 1 < n; ++k) {
    if (!(l[k] < l[k + 1])) return false;  // also false for NaN levels
  }
  return true;
}

// Calls f(sample) for channel c of every pixel of the region.
template <class T, int C, class F>
void forChannel(const T* src, int step, RuxImageSize roi, int c, F&& f) {
  for (int y = 0; y < roi.height; ++y) {
    const T* row = rowPtr(src, step, y) + c;
    for (int x = 0; x < roi.width; ++x) f(loadAt(row + x * C));
  }
}

// Bins from the prefix sums of a full histogram: prefix[i] = samples below index i, where index
// i stands for the value base + i; levels are clamped to [base, base + size].
void binsFromPrefix(const Counter* prefix, long long base, long long size, const Rux32s* l, int n,
                    Rux32s* hist) {
  for (int k = 0; k + 1 < n; ++k) {
    const long long lo = std::clamp<long long>(l[k] - base, 0, size);
    const long long hi = std::clamp<long long>(l[k + 1] - base, 0, size);
    hist[k] = hi > lo ? static_cast<Rux32s>(prefix[hi] - prefix[lo]) : 0;
  }
}

// Turns counts[0..size) into exclusive prefix sums counts[0..size].
void toPrefix(Counter* counts, long long size) {
  Counter run = 0;
  for (long long i = 0; i < size; ++i) {
    const Counter c = counts[i];
    counts[i] = run;
    run += c;
  }
  counts[size] = run;
}

// ---- 8u: one pass into full histograms --------------------------------------------------------

void fullHistogram8uC1(const Rux8u* src, int step, RuxImageSize roi, Counter* out) {
  Counter h[4][256] = {};
  std::size_t width = static_cast<std::size_t>(roi.width);
  int rows = roi.height;
  if (static_cast<long long>(step) == roi.width) {  // contiguous rows: one long run
    width *= static_cast<std::size_t>(rows);
    rows = 1;
  }
  for (int y = 0; y < rows; ++y) {
    const Rux8u* p = rowPtr(src, step, y);
    std::size_t x = 0;
    for (; x + 8 <= width; x += 8) {
      std::uint64_t w;
      std::memcpy(&w, p + x, 8);
      ++h[0][w & 0xff];
      ++h[1][(w >> 8) & 0xff];
      ++h[2][(w >> 16) & 0xff];
      ++h[3][(w >> 24) & 0xff];
      ++h[0][(w >> 32) & 0xff];
      ++h[1][(w >> 40) & 0xff];
      ++h[2][(w >> 48) & 0xff];
      ++h[3][w >> 56];
    }
    for (; x < width; ++x) ++h[0][p[x]];
  }
  for (int i = 0; i < 256; ++i) out[i] = h[0][i] + h[1][i] + h[2][i] + h[3][i];
}

template <int C, int NCH>
void fullHistogram8u(const Rux8u* src, int step, RuxImageSize roi, Counter (*out)[257]) {
  if constexpr (C == 1) {
    fullHistogram8uC1(src, step, roi, out[0]);
  } else {
    for (int c = 0; c < NCH; ++c) std::fill(out[c], out[c] + 257, Counter{0});
    for (int y = 0; y < roi.height; ++y) {
      const Rux8u* p = rowPtr(src, step, y);
      for (int x = 0; x < roi.width; ++x, p += C) {
        for (int c = 0; c < NCH; ++c) ++out[c][p[c]];
      }
    }
  }
}

template <int C, int NCH>
RuxResult count8u(const Rux8u* src, int step, RuxImageSize roi, Rux32s* const* hist,
                  const Rux32s* const* levels, const int* nLevels) {
  // Per block of rows a full histogram; the blocks' counts add exactly. At most 8 blocks keep
  // the partial histograms on the stack small.
  struct Part {
    Counter h[NCH][257];
  };
  const long long rowBytes = static_cast<long long>(roi.width) * C;
  Part all = par::reduceRowBlocks<8>(
      roi.height, rowBytes, Part{},
      [&](par::RowRange r, Part& p) {
        fullHistogram8u<C, NCH>(rowPtr(src, step, r.begin), step, {roi.width, r.size()}, p.h);
      },
      [](Part& total, const Part& p) {
        for (int c = 0; c < NCH; ++c) {
          for (int i = 0; i < 256; ++i) total.h[c][i] += p.h[c][i];
        }
      });
  Counter (*full)[257] = all.h;
  for (int c = 0; c < NCH; ++c) {
    toPrefix(full[c], 256);
    binsFromPrefix(full[c], 0, 256, levels[c], nLevels[c], hist[c]);
  }
  return ruxStatusOk;
}

// ---- 16u / 16s: four strategies ---------------------------------------------------------------

enum class Strategy { kLinear, kBinary, kFullTable, kEveryBin };

// Pixel-count breakpoints and level-count limits above which the full histogram pays.
Strategy chooseStrategy(long long pixels, const Rux32s* l, int n) {
  constexpr long long kNoLimit = 1LL << 40;
  if (strictlyIncreasing(l, n)) {
    static constexpr long long kBreak[] = {6400, 9216, 12544, 16384, 20736, 25600, 36864};
    static constexpr long long kLimit[] = {kNoLimit, 134, 78, 50, 34, 22, 6, 2};
    int i = 0;
    for (long long b : kBreak) i += b <= pixels ? 1 : 0;
    if (n > kLimit[i]) return Strategy::kFullTable;
    return n < 171 ? Strategy::kLinear : Strategy::kBinary;
  }
  static constexpr long long kBreak[] = {1024, 2304, 4096, 6400, 9216, 12544,
                                         16384, 20736, 25600, 30976, 43264};
  static constexpr long long kLimit[] = {kNoLimit, 434, 222, 126, 78, 50, 34, 22, 14, 10, 6, 2};
  int i = 0;
  for (long long b : kBreak) i += b <= pixels ? 1 : 0;
  return n > kLimit[i] ? Strategy::kFullTable : Strategy::kEveryBin;
}

// Every bin tested per sample; only bins with upper > lower can count anything.
template <class T, int C, class L>
void countEveryBin(const T* src, int step, RuxImageSize roi, int c, const L* l, int n,
                   Counter* cnt) {
  int live[64];
  for (int k0 = 0; k0 + 1 < n; k0 += 64) {  // bins in groups, so the index list stays small
    int m = 0;
    for (int k = k0; k < std::min(n - 1, k0 + 64); ++k) {
      if (l[k] < l[k + 1]) live[m++] = k;
    }
    if (m == 0) continue;
    forChannel<T, C>(src, step, roi, c, [&](T x) {
      for (int j = 0; j < m; ++j) {
        const int k = live[j];
        if (l[k] <= x && x < l[k + 1]) ++cnt[k];
      }
    });
  }
}

// Strictly increasing levels: the first bin whose upper level exceeds the sample.
template <class T, int C, class L>
void countLinear(const T* src, int step, RuxImageSize roi, int c, const L* l, int n, Counter* cnt) {
  const L first = l[0], last = l[n - 1];
  forChannel<T, C>(src, step, roi, c, [&](T x) {
    if (!(x >= first && x < last)) return;  // also passes NaN over
    int k = 0;
    while (!(x < l[k + 1])) ++k;
    ++cnt[k];
  });
}

template <class T, int C, class L>
void countBinary(const T* src, int step, RuxImageSize roi, int c, const L* l, int n, Counter* cnt) {
  const L first = l[0], last = l[n - 1];
  forChannel<T, C>(src, step, roi, c, [&](T x) {
    if (!(x >= first && x < last)) return;
    const auto k = std::upper_bound(l, l + n, static_cast<L>(x)) - l - 1;
    ++cnt[k];
  });
}

template <class T, int C, int NCH>
RuxResult count16(const T* src, int step, RuxImageSize roi, Rux32s* const* hist,
                  const Rux32s* const* levels, const int* nLevels) {
  constexpr long long kValues = 65536;
  constexpr long long kBase = std::is_signed_v<T> ? -32768 : 0;
  const long long pixels = static_cast<long long>(roi.width) * roi.height;
  Strategy how[NCH];
  int tables = 0;
  for (int c = 0; c < NCH; ++c) {
    how[c] = chooseStrategy(pixels, levels[c], nLevels[c]);
    tables += how[c] == Strategy::kFullTable ? 1 : 0;
  }
  // Scratch first: a failure leaves every counter untouched.
  Scratch<Counter> table(tables * (kValues + 1));
  if (tables > 0 && !table) return ruxStatusNoMemory;

  for (int c = 0, t = 0; c < NCH; ++c) {
    const Rux32s* l = levels[c];
    const int n = nLevels[c];
    Counter* cnt = reinterpret_cast<Counter*>(hist[c]);
    if (how[c] == Strategy::kFullTable) {
      Counter* full = table.get() + t++ * (kValues + 1);
      std::fill(full, full + kValues, Counter{0});
      forChannel<T, C>(src, step, roi, c, [&](T x) { ++full[x - kBase]; });
      toPrefix(full, kValues);
      binsFromPrefix(full, kBase, kValues, l, n, hist[c]);
      continue;
    }
    std::fill(cnt, cnt + (n - 1), Counter{0});
    switch (how[c]) {
      case Strategy::kLinear: countLinear<T, C>(src, step, roi, c, l, n, cnt); break;
      case Strategy::kBinary: countBinary<T, C>(src, step, roi, c, l, n, cnt); break;
      default: countEveryBin<T, C>(src, step, roi, c, l, n, cnt); break;
    }
  }
  return ruxStatusOk;
}

// ---- 32f -------------------------------------------------------------------------------------

template <int C, int NCH>
RuxResult count32f(const Rux32f* src, int step, RuxImageSize roi, Rux32s* const* hist,
                   const Rux32f* const* levels, const int* nLevels) {
  for (int c = 0; c < NCH; ++c) {
    const Rux32f* l = levels[c];
    const int n = nLevels[c];
    Counter* cnt = reinterpret_cast<Counter*>(hist[c]);
    std::fill(cnt, cnt + (n - 1), Counter{0});
    if (!strictlyIncreasing(l, n)) {
      countEveryBin<Rux32f, C>(src, step, roi, c, l, n, cnt);
    } else if (n > 102) {
      countBinary<Rux32f, C>(src, step, roi, c, l, n, cnt);
    } else {
      countLinear<Rux32f, C>(src, step, roi, c, l, n, cnt);
    }
  }
  return ruxStatusOk;
}

template <class T, int C, int NCH>
RuxResult countAll(const T* src, int step, RuxImageSize roi, Rux32s* const* hist,
                   const LevelOf<T>* const* levels, const int* nLevels) {
  if constexpr (std::is_same_v<T, Rux8u>) {
    return count8u<C, NCH>(src, step, roi, hist, levels, nLevels);
  } else if constexpr (std::is_same_v<T, Rux32f>) {
    return count32f<C, NCH>(src, step, roi, hist, levels, nLevels);
  } else {
    return count16<T, C, NCH>(src, step, roi, hist, levels, nLevels);
  }
}

// ---- validation and entry drivers ---------------------------------------------------------------

template <class T, int C, int NCH>
RuxResult rangeC1(const T* src, int step, RuxImageSize roi, Rux32s* hist, const LevelOf<T>* levels,
                  int nLevels) {
  if (anyNull(src, hist, levels)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (step < 1) return ruxStatusBadStep;
  if (nLevels < 2) return ruxStatusBadHistLevels;
  return countAll<T, C, NCH>(src, step, roi, &hist, &levels, &nLevels);
}

// Multi-channel checks: channel by channel its pointers and level count, then size and step.
template <class L, class H>
RuxResult checkChannels(int nch, H* const* hist, L* const* levels, const int* nLevels,
                        const Rux32s* lower = nullptr, const Rux32s* upper = nullptr,
                        bool even = false) {
  if (anyNull(hist, levels, nLevels)) return ruxStatusNullPointer;
  if (even && anyNull(lower, upper)) return ruxStatusNullPointer;
  for (int c = 0; c < nch; ++c) {
    if (anyNull(hist[c], levels[c])) return ruxStatusNullPointer;
    if (nLevels[c] < 2) return ruxStatusBadHistLevels;
  }
  return ruxStatusOk;
}

template <class T, int C, int NCH>
RuxResult rangeMulti(const T* src, int step, RuxImageSize roi, Rux32s* const* hist,
                     const LevelOf<T>* const* levels, const int* nLevels) {
  if (src == nullptr) return ruxStatusNullPointer;
  if (const RuxResult st = checkChannels(NCH, hist, levels, nLevels); st != ruxStatusOk) return st;
  if (badSize(roi)) return ruxStatusBadSize;
  if (step < 1) return ruxStatusBadStep;
  return countAll<T, C, NCH>(src, step, roi, hist, levels, nLevels);
}

// nLevels integer levels from lower to upper: n = nLevels - 1 steps of D / n (truncated), the
// first |r| of them one unit longer in the direction of D, so the last level is upper.
// Computed in 64 bits: upper - lower may not fit 32.
void evenLevels(Rux32s* levels, int nLevels, Rux32s lower, Rux32s upper) {
  const long long n = nLevels - 1;
  const long long span = static_cast<long long>(upper) - lower;
  const long long d = span / n;
  const long long r = span - n * d;
  const long long unit = r > 0 ? 1 : (r < 0 ? -1 : 0);
  const long long extra = r < 0 ? -r : r;
  long long level = lower;
  levels[0] = lower;
  for (long long i = 1; i <= n; ++i) {
    level += d + (i <= extra ? unit : 0);
    levels[i] = static_cast<Rux32s>(level);
  }
}

template <class T, int C, int NCH>
RuxResult evenC1(const T* src, int step, RuxImageSize roi, Rux32s* hist, Rux32s* levels,
                 int nLevels, Rux32s lower, Rux32s upper) {
  if (anyNull(src, hist, levels)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (step < 1) return ruxStatusBadStep;
  if (nLevels < 2) return ruxStatusBadHistLevels;
  evenLevels(levels, nLevels, lower, upper);
  const Rux32s* constLevels = levels;
  return countAll<T, C, NCH>(src, step, roi, &hist, &constLevels, &nLevels);
}

template <class T, int C, int NCH>
RuxResult evenMulti(const T* src, int step, RuxImageSize roi, Rux32s* const* hist,
                    Rux32s* const* levels, const int* nLevels, const Rux32s* lower,
                    const Rux32s* upper) {
  if (src == nullptr) return ruxStatusNullPointer;
  if (const RuxResult st = checkChannels(NCH, hist, levels, nLevels, lower, upper, true);
      st != ruxStatusOk) {
    return st;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  if (step < 1) return ruxStatusBadStep;
  const Rux32s* constLevels[NCH];
  for (int c = 0; c < NCH; ++c) {
    evenLevels(levels[c], nLevels[c], lower[c], upper[c]);
    constLevels[c] = levels[c];
  }
  return countAll<T, C, NCH>(src, step, roi, hist, constLevels, nLevels);
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_HIST_RANGE(type, T, L)                                                                 \
  RUXAPI RuxResult ruxiHistogramRange_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,  \
                                                   Rux32s* pHist, const L* pLevels, int nLevels) {    \
    return rangeC1<T, 1, 1>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels);                      \
  }                                                                                                \
  RUXAPI RuxResult ruxiHistogramRange_##type##_C3R(const T* pSrc, int srcStep, RuxImageSize roiSize,  \
                                                   Rux32s* const pHist[3], const L* const pLevels[3], \
                                                   const int nLevels[3]) {                          \
    return rangeMulti<T, 3, 3>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels);                   \
  }                                                                                                \
  RUXAPI RuxResult ruxiHistogramRange_##type##_C4R(const T* pSrc, int srcStep, RuxImageSize roiSize,  \
                                                   Rux32s* const pHist[4], const L* const pLevels[4], \
                                                   const int nLevels[4]) {                          \
    return rangeMulti<T, 4, 4>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels);                   \
  }                                                                                                \
  RUXAPI RuxResult ruxiHistogramRange_##type##_AC4R(const T* pSrc, int srcStep, RuxImageSize roiSize, \
                                                    Rux32s* const pHist[3], const L* const pLevels[3], \
                                                    const int nLevels[3]) {                         \
    return rangeMulti<T, 4, 3>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels);                   \
  }

RUX_HIST_RANGE(8u, Rux8u, Rux32s)
RUX_HIST_RANGE(16u, Rux16u, Rux32s)
RUX_HIST_RANGE(16s, Rux16s, Rux32s)
RUX_HIST_RANGE(32f, Rux32f, Rux32f)

#define RUX_HIST_EVEN(type, T)                                                                     \
  RUXAPI RuxResult ruxiHistogramEven_##type##_C1R(const T* pSrc, int srcStep, RuxImageSize roiSize,   \
                                                  Rux32s* pHist, Rux32s* pLevels, int nLevels,       \
                                                  Rux32s lowerLevel, Rux32s upperLevel) {            \
    return evenC1<T, 1, 1>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels, lowerLevel, upperLevel); \
  }                                                                                                \
  RUXAPI RuxResult ruxiHistogramEven_##type##_C3R(                                                 \
      const T* pSrc, int srcStep, RuxImageSize roiSize, Rux32s* const pHist[3],                    \
      Rux32s* const pLevels[3], const int nLevels[3], const Rux32s lowerLevel[3],                  \
      const Rux32s upperLevel[3]) {                                                                \
    return evenMulti<T, 3, 3>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels, lowerLevel,         \
                              upperLevel);                                                         \
  }                                                                                                \
  RUXAPI RuxResult ruxiHistogramEven_##type##_C4R(                                                 \
      const T* pSrc, int srcStep, RuxImageSize roiSize, Rux32s* const pHist[4],                    \
      Rux32s* const pLevels[4], const int nLevels[4], const Rux32s lowerLevel[4],                  \
      const Rux32s upperLevel[4]) {                                                                \
    return evenMulti<T, 4, 4>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels, lowerLevel,         \
                              upperLevel);                                                         \
  }                                                                                                \
  RUXAPI RuxResult ruxiHistogramEven_##type##_AC4R(                                                \
      const T* pSrc, int srcStep, RuxImageSize roiSize, Rux32s* const pHist[3],                    \
      Rux32s* const pLevels[3], const int nLevels[3], const Rux32s lowerLevel[3],                  \
      const Rux32s upperLevel[3]) {                                                                \
    return evenMulti<T, 4, 3>(pSrc, srcStep, roiSize, pHist, pLevels, nLevels, lowerLevel,         \
                              upperLevel);                                                         \
  }

RUX_HIST_EVEN(8u, Rux8u)
RUX_HIST_EVEN(16u, Rux16u)
RUX_HIST_EVEN(16s, Rux16s)
