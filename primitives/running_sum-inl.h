// Running window sums over caller rows: the engine of the box filter and the window sums,
// included once per SIMD target by the files that use it (its loops vectorise for each target).
//
// A window of maskW x maskH pixels whose top-left pixel is (x - anchorX, y - anchorY) feeds the
// destination pixel (x, y); the caller provides the border that this reads. Per block of rows
// the engine primes one column sum per source column of the extended row (width + maskW - 1
// pixels, each channel on its own), forms the row of window sums S, hands it to an output rule
// and moves the column sums down one row (add the entering row, subtract the leaving one).
// Sums are exact for integers: unsigned 32-bit, or 64-bit when a window could exceed 32 bits;
// 16s samples are summed biased by 32768. Float samples are summed in double, and each column
// keeps a count of its non-finite samples: a window that holds one is summed directly, so a NaN
// or an infinity reaches exactly the outputs whose windows contain it.
// Window sums along the row come straight from the column sums for windows up to 8 wide, and
// from sums of power-of-two runs of columns for wider ones (log2 passes over the row, each a
// vector loop).
// An output rule is a callable rule(const Acc* sums, D* out, n) that writes n samples into an
// aligned scratch row; the engine copies finished rows to the destination (AC4: channels 0-2).
#if defined(RUX_RUNNING_SUM_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef RUX_RUNNING_SUM_INL_H_
#undef RUX_RUNNING_SUM_INL_H_
#else
#define RUX_RUNNING_SUM_INL_H_
#endif

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/unaligned.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace box {
namespace hn = hwy::HWY_NAMESPACE;

struct Geometry {
  int width, height;  // destination region
  int maskW, maskH, anchorX, anchorY;
};

template <class T>
constexpr bool kFloatSamples = std::is_floating_point_v<T>;

// Per-thread state of one block of rows: column sums, non-finite counts, the sums of one row.
template <class T, class Acc, int C>
class Window {
 public:
  Window(const Geometry& g, unsigned char* scratch) : g_(g) {
    cols_ = static_cast<std::size_t>(g.width + g.maskW - 1) * C;
    outs_ = static_cast<std::size_t>(g.width) * C;
    col_ = reinterpret_cast<Acc*>(scratch);
    sums_ = col_ + cols_;
    const std::size_t work = g.maskW > 8 ? cols_ : 0;
    work_[0] = sums_ + outs_;
    work_[1] = work_[0] + work;
    bad_ = work_[1] + work;
  }

  // Bytes of scratch one window needs (64-byte aligned slices).
  static long long scratchBytes(const Geometry& g) {
    const long long cols = (static_cast<long long>(g.width) + g.maskW - 1) * C;
    const long long outs = static_cast<long long>(g.width) * C;
    const long long work = g.maskW > 8 ? 2 * cols : 0;
    long long bytes = (cols + outs + work) * static_cast<long long>(sizeof(Acc));
    if constexpr (kFloatSamples<T>) bytes += cols * static_cast<long long>(sizeof(Acc));
    return (bytes + 63) / 64 * 64;
  }

  // Column sums of the window rows of destination row y (src addresses region pixel (0, 0)).
  void prime(const T* src, int step, int y) {
    std::fill(col_, col_ + cols_, Acc(0));
    if constexpr (kFloatSamples<T>) std::fill(bad_, bad_ + cols_, Acc(0));
    for (int j = 0; j < g_.maskH; ++j) addRow(windowRow(src, step, y - g_.anchorY + j));
  }

  // Moves the column sums from the window of row y to that of row y + 1.
  void advance(const T* src, int step, int y) {
    const unsigned char* in = windowRow(src, step, y - g_.anchorY + g_.maskH);
    const unsigned char* out = windowRow(src, step, y - g_.anchorY);
    if constexpr (kFloatSamples<T>) {
      // Sums and non-finite counts (held as doubles) move in vectors of doubles; the tail
      // computes the same bits one sample at a time.
      std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
      const hn::ScalableTag<double> dd;
      const std::size_t N = hn::Lanes(dd);
      const auto one = hn::Set(dd, 1.0);
      const auto wide = [&](const unsigned char* p) {
        if constexpr (std::is_same_v<T, float>) {
          return hn::PromoteTo(dd, hn::LoadU(hn::Rebind<float, decltype(dd)>(), reinterpret_cast<const float*>(p)));
        } else {
          return hn::LoadU(dd, reinterpret_cast<const double*>(p));
        }
      };
      for (; i + N <= cols_; i += N) {
        const auto a = wide(in + i * sizeof(T)), b = wide(out + i * sizeof(T));
        const auto fa = hn::IsFinite(a), fb = hn::IsFinite(b);
        hn::StoreU(hn::Add(hn::LoadU(dd, col_ + i), hn::Sub(hn::IfThenElseZero(fa, a), hn::IfThenElseZero(fb, b))), dd, col_ + i);
        hn::StoreU(hn::Add(hn::LoadU(dd, bad_ + i), hn::Sub(hn::IfThenZeroElse(fa, one), hn::IfThenZeroElse(fb, one))), dd,
                   bad_ + i);
      }
#endif
      for (; i < cols_; ++i) {
        const T a = loadSample<T>(in + i * sizeof(T));
        const T b = loadSample<T>(out + i * sizeof(T));
        const bool fa = std::isfinite(a), fb = std::isfinite(b);
        col_[i] += (fa ? static_cast<double>(a) : 0.0) - (fb ? static_cast<double>(b) : 0.0);
        bad_[i] += (fa ? 0.0 : 1.0) - (fb ? 0.0 : 1.0);
      }
    } else {
      for (std::size_t i = 0; i < cols_; ++i)
        col_[i] += static_cast<Acc>(value(in, i)) - static_cast<Acc>(value(out, i));
    }
  }

  // Window sums of row y (whose column sums are current).
  const Acc* sums(const T* src, int step, int y) {
    const std::size_t n = outs_;
    if (g_.maskW <= 8) {
      switch (g_.maskW) {
        case 1: direct<1>(n); break;
        case 2: direct<2>(n); break;
        case 3: direct<3>(n); break;
        case 4: direct<4>(n); break;
        case 5: direct<5>(n); break;
        case 6: direct<6>(n); break;
        case 7: direct<7>(n); break;
        default: direct<8>(n); break;
      }
    } else {
      doubling(n);
    }
    if constexpr (kFloatSamples<T>) fixNonFinite(src, step, y);
    return sums_;
  }

 private:
  const unsigned char* windowRow(const T* src, int step, int y) const {
    return reinterpret_cast<const unsigned char*>(rowPtr(src, step, y)) -
           static_cast<std::ptrdiff_t>(g_.anchorX) * C * static_cast<std::ptrdiff_t>(sizeof(T));
  }

  // The summed value of sample i of a window row: 16s biased to unsigned.
  static auto value(const unsigned char* row, std::size_t i) {
    if constexpr (std::is_same_v<T, Rux16s>) {
      return static_cast<std::uint16_t>(loadSample<std::uint16_t>(row + 2 * i) ^ 0x8000u);
    } else {
      return loadSample<T>(row + i * sizeof(T));
    }
  }

  // Wide windows: level j holds L_j(x) = sum of the 2^j column sums from x on, built from level
  // j - 1 as L(x) + L(x + 2^(j-1)); every set bit j of maskW adds L_j(x + off) to the window
  // sums and moves off by 2^j, so S(x) covers columns x ... x + maskW - 1.
  // The window-sum update and the next level share one loop over the row.
  void doubling(std::size_t n) { doublingRun(col_, sums_, n); }

  void doublingRun(const Acc* col, Acc* __restrict s, std::size_t n) {
    const std::size_t mw = static_cast<std::size_t>(g_.maskW);
    const Acc* level = col;
    std::size_t len = n + (mw - 1) * C, off = 0;
    bool first = true;
    for (std::size_t run = 1, j = 0; run <= mw; run <<= 1, ++j) {
      const bool add = (mw & run) != 0, more = (run << 1) <= mw;
      const Acc* __restrict from = level + off * C;
      const Acc* __restrict cur = level;
      Acc* __restrict next = work_[j & 1];
      const std::size_t shift = run * C, nlen = more ? len - shift : 0;
      const std::size_t both = add ? std::min(n, nlen) : 0;
      if (first) {
        for (std::size_t i = 0; i < both; ++i) s[i] = from[i], next[i] = cur[i] + cur[i + shift];
        if (add)
          for (std::size_t i = both; i < n; ++i) s[i] = from[i];
      } else {
        for (std::size_t i = 0; i < both; ++i) s[i] += from[i], next[i] = cur[i] + cur[i + shift];
        if (add)
          for (std::size_t i = both; i < n; ++i) s[i] += from[i];
      }
      for (std::size_t i = both; i < nlen; ++i) next[i] = cur[i] + cur[i + shift];
      if (add) first = false, off += run;
      if (!more) break;
      level = next;
      len = nlen;
    }
  }

  // Narrow windows: each sum straight from its K column sums, one pass.
  template <int K>
  void direct(std::size_t n) {
    const Acc* __restrict c = col_;
    Acc* __restrict out = sums_;
    for (std::size_t i = 0; i < n; ++i) {
      Acc s = c[i];
      for (int k = 1; k < K; ++k) s += c[i + static_cast<std::size_t>(k) * C];
      out[i] = s;
    }
  }

  void addRow(const unsigned char* row) {
    if constexpr (kFloatSamples<T>) {
      for (std::size_t i = 0; i < cols_; ++i) {
        const T a = loadSample<T>(row + i * sizeof(T));
        const bool fa = std::isfinite(a);
        col_[i] += fa ? static_cast<double>(a) : 0.0;
        bad_[i] += fa ? 0.0 : 1.0;
      }
    } else {
      for (std::size_t i = 0; i < cols_; ++i) col_[i] += static_cast<Acc>(value(row, i));
    }
  }

  // Windows holding a non-finite sample are summed directly from the source.
  void fixNonFinite(const T* src, int step, int y) {
    bool any = false;
    for (std::size_t i = 0; i < cols_ && !any; ++i) any = bad_[i] != 0;
    if (!any) return;
    for (int ch = 0; ch < C; ++ch) {
      for (int x = 0; x < g_.width; ++x) {
        Acc count = 0;
        for (int k = 0; k < g_.maskW; ++k) count += bad_[static_cast<std::size_t>(x + k) * C + ch];
        if (count == 0) continue;
        double s = 0;
        for (int j = 0; j < g_.maskH; ++j) {
          const unsigned char* row = windowRow(src, step, y - g_.anchorY + j);
          for (int k = 0; k < g_.maskW; ++k)
            s += static_cast<double>(loadSample<T>(row + (static_cast<std::size_t>(x + k) * C + ch) * sizeof(T)));
        }
        sums_[static_cast<std::size_t>(x) * C + ch] = s;
      }
    }
  }

  Geometry g_;
  std::size_t cols_ = 0, outs_ = 0;
  Acc* col_ = nullptr;
  Acc* sums_ = nullptr;
  Acc* work_[2] = {nullptr, nullptr};
  Acc* bad_ = nullptr;  // non-finite samples per column (float samples, held as doubles)
};


// Bytes of the exact unsigned sums of a window: 2 while every window stays below 2^16 (8u
// samples, masks up to 257 pixels: twice the lanes per vector), 8 when one may reach 2^32.
template <class T>
inline int sumBytes(const Geometry& g) {
  const double top = static_cast<double>(std::numeric_limits<std::make_unsigned_t<T>>::max());
  const double most = static_cast<double>(g.maskW) * g.maskH * top;
  return most < 65536.0 ? 2 : (most < 4294967296.0 ? 4 : 8);
}

// Calls run.template operator()<Acc>() with the narrowest exact sum type for T.
template <class T, class Run>
inline RuxResult withSums(const Geometry& g, Run&& run) {
  if constexpr (kFloatSamples<T>) {
    return run.template operator()<double>();
  } else {
    const int bytes = sumBytes<T>(g);
    if (bytes == 2) return run.template operator()<std::uint16_t>();
    if (bytes == 4) return run.template operator()<std::uint32_t>();
    return run.template operator()<std::uint64_t>();
  }
}

// Rows [begin, end) of the destination from their own priming.
template <class T, class Acc, class D, int C, bool kAlpha, class Rule>
void block(const T* src, int srcStep, D* dst, int dstStep, const Geometry& g, int begin, int end,
           unsigned char* scratch, D* outRow, const Rule& rule) {
  Window<T, Acc, C> w(g, scratch);
  w.prime(src, srcStep, begin);
  const std::size_t n = static_cast<std::size_t>(g.width) * C;
  for (int y = begin; y < end; ++y) {
    rule(w.sums(src, srcStep, y), outRow, n);
    storeRowOf<D, C, kAlpha>(outRow, rowPtr(dst, dstStep, y), g.width);
    if (y + 1 < end) w.advance(src, srcStep, y);
  }
}

template <class T, class Acc, class D, int C, bool kAlpha, class Rule>
RuxResult outOfPlaceWith(const T* src, int srcStep, D* dst, int dstStep, const Geometry& g,
                         bool parallel, const Rule& rule) {
  const long long rowBytes = (static_cast<long long>(g.width) * C * sizeof(D) + 63) / 64 * 64;
  const long long slice = Window<T, Acc, C>::scratchBytes(g) + rowBytes;
  const int threads = parallel ? std::min(par::requestedThreads(), g.height) : 1;
  par::PerThreadScratch<unsigned char> scratch;
  return par::masterRegion(
      threads, [&](int t) { return scratch.allocate(t, slice); },
      [&](int t, int total) {
        const par::RowRange r = par::splitStatic(g.height, total, t);
        if (r.size() < 1) return;
        unsigned char* mine = scratch.slice(t);
        D* outRow = reinterpret_cast<D*>(mine + Window<T, Acc, C>::scratchBytes(g));
        block<T, Acc, D, C, kAlpha>(src, srcStep, dst, dstStep, g, r.begin, r.end, mine, outRow, rule);
      });
}

// Out of place: src and dst address pixel (0, 0) of their regions.
template <class T, int C, bool kAlpha, class Rule>
RuxResult filterOutOfPlace(const T* src, int srcStep, T* dst, int dstStep, const Geometry& g,
                           bool parallel, const Rule& rule) {
  return withSums<T>(g, [&]<class Acc>() {
    return outOfPlaceWith<T, Acc, T, C, kAlpha>(src, srcStep, dst, dstStep, g, parallel, rule);
  });
}

// Window sums into float rows, on the calling thread.
template <class T, int C, class Rule>
RuxResult sumOutOfPlace(const T* src, int srcStep, Rux32f* dst, int dstStep, const Geometry& g,
                        const Rule& rule) {
  return withSums<T>(g, [&]<class Acc>() {
    return outOfPlaceWith<T, Acc, Rux32f, C, false>(src, srcStep, dst, dstStep, g, false, rule);
  });
}

// In place: the finished rows wait in a ring of anchorY + 1 rows until no later window reads
// the unfiltered source row they replace.
template <class T, class Acc, int C, bool kAlpha, class Rule>
RuxResult inPlaceWith(T* img, int step, const Geometry& g, const Rule& rule) {
  const std::size_t n = static_cast<std::size_t>(g.width) * C;
  const long long rowBytes = (static_cast<long long>(n) * sizeof(T) + 63) / 64 * 64;
  const int ringRows = g.anchorY + 1;
  Scratch<unsigned char> scratch(Window<T, Acc, C>::scratchBytes(g) + rowBytes * ringRows);
  if (!scratch) return ruxStatusNoMemory;
  auto ring = [&](int y) {
    return reinterpret_cast<T*>(scratch.get() + Window<T, Acc, C>::scratchBytes(g) +
                                rowBytes * (y % ringRows));
  };
  Window<T, Acc, C> w(g, scratch.get());
  w.prime(img, step, 0);
  for (int y = 0; y < g.height; ++y) {
    rule(w.sums(img, step, y), ring(y), n);
    if (y + 1 < g.height) w.advance(img, step, y);
    const int done = y - g.anchorY;  // no window after row y reads source row `done`
    if (done >= 0) storeRowOf<T, C, kAlpha>(ring(done), rowPtr(img, step, done), g.width);
  }
  for (int r = std::max(0, g.height - g.anchorY); r < g.height; ++r)
    storeRowOf<T, C, kAlpha>(ring(r), rowPtr(img, step, r), g.width);
  return ruxStatusOk;
}

template <class T, int C, bool kAlpha, class Rule>
RuxResult filterInPlace(T* img, int step, const Geometry& g, const Rule& rule) {
  return withSums<T>(g, [&]<class Acc>() { return inPlaceWith<T, Acc, C, kAlpha>(img, step, g, rule); });
}

}  // namespace box
}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#endif  // RUX_RUNNING_SUM_INL_H_
