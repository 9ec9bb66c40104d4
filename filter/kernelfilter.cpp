// Linear filters with a caller kernel: Filter (integer kernel and divisor, or 32f/64f kernel),
// Filter32f (32f kernel on integer images), FilterRow/FilterColumn and their 32f forms, the
// Round forms with a rounding mode and a caller work buffer, and the buffer-size queries.
//
// Shape: the kernel is applied as a true convolution, dst(x, y) = sum over q, p of
// K[q][p] src(x + anchor.x - p, y + anchor.y - q). Per call the mirrored kernel becomes a table
// of taps (byte offset of the sample from the one under the output, weight), in the order
// q = 0, 1, ... and p = 0, 1, ... within a row, zero weights left out; the row engine
// (primitives/conv_rows.h) forms every output row from it in chunks. Row and column filters are
// the same with a 1-row or 1-column kernel.
// Paths, chosen by member:
// - exact integer sums (8u members, 16s C1R and the Round16s/Round32s members): int16, int32 or
//   int64 accumulators, whichever the bound sum|K| x the sample range fits; then the divisor:
//   1 as is, 2^k by an exact rounding shift, any other d by S x (1/d) in single precision
//   (8u data) or double (16-bit data); rounded by the mode (nearest even outside the Round
//   members) and saturated;
// - float kernels on integer images (and the 16u and multi-channel 16s integer-kernel members,
//   whose kernel becomes K x (1.0/d) rounded to float): single-precision sums in tap order,
//   rounded by the mode and saturated; 32s images sum in double;
// - 32f and 64f images: the sum in the image's type.
// The tap table lives in allocated scratch, or in the caller's buffer for the Round members.
// Regions of at least 64 x 64 pixels run on the library's threads, blocks of rows each.
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/scratch.h"
#include "primitives/conv_rows.h"
#include "primitives/int_scale.h"

namespace rux {
namespace {

using conv::Plan;

enum class Shape { k2D, kRow, kColumn };

// How a member forms its output.
enum class Path {
  kExact,   // exact integer sum, divisor
  kScaled,  // integer kernel as K x (1.0/d) in float, then as kFloat
  kFloat,   // float kernel, single-precision sum (double for 32s)
  kSame,    // 32f / 64f images: the sum as is
};

struct Args {
  Shape shape = Shape::k2D;
  Path path = Path::kFloat;
  int divisor = 1;
  bool hasDivisor = false;
  bool round = false;  // Round members: rounding mode and caller buffer
  int mode = 1;
  Rux8u* buffer = nullptr;
};

// ---- output rules -------------------------------------------------------------------------------

// Exact sums divided by d: 1 as is, 2^k by a rounding shift, otherwise S x (1/d) in float (8u
// data, through the vector rounding kernel) or double.
template <class D>
struct Divide {
  int d, k;  // k > 0 for powers of two
  int mode;
  bool single;
  conv::RoundFn round;
  template <class A>
  void operator()(const A* s, D* out, std::size_t n) const {
    if constexpr (std::is_same_v<A, std::int16_t> || std::is_same_v<A, std::int32_t>) {
      constexpr bool wide = std::is_same_v<A, std::int32_t>;
      if (mode == 1 && (d == 1 || (k > 0 && k <= (wide ? 30 : 14)))) {
        conv::convKernels().shift[wide][conv::sampleOf<D>()](s, out, n, d == 1 ? 0 : k);
        return;
      }
    }
    if (d == 1) {
      for (std::size_t i = 0; i < n; ++i) out[i] = saturate<D>(static_cast<std::int64_t>(s[i]));
    } else if (k > 0) {
      for (std::size_t i = 0; i < n; ++i) out[i] = saturate<D>(conv::shiftRound(s[i], k, mode));
    } else if (single) {
      alignas(64) float f[conv::kChunk];
      for (std::size_t i = 0; i < n; ++i) f[i] = static_cast<float>(s[i]);
      round(f, 1.0f / static_cast<float>(d), out, n, mode);
    } else {
      const double r = 1.0 / d;
      for (std::size_t i = 0; i < n; ++i) out[i] = saturate<D>(conv::roundBy(static_cast<double>(s[i]) * r, mode));
    }
  }
};

template <class D>
struct RoundFloat {
  int mode;
  conv::RoundFn round;
  void operator()(const float* s, D* out, std::size_t n) const { round(s, 1.0f, out, n, mode); }
};

struct Round32s {
  void operator()(const double* s, Rux32s* out, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) out[i] = saturate<Rux32s>(conv::roundBy(s[i], 1));
  }
};

struct Same {
  template <class A>
  void operator()(const A* s, A* out, std::size_t n) const {
    std::memcpy(out, s, n * sizeof(A));
  }
};

// ---- tap tables ---------------------------------------------------------------------------------

// Offsets and weights of the non-zero coefficients, in a block of 16 bytes per coefficient.
template <class A>
struct Taps {
  std::ptrdiff_t* offsets;
  A* weights;
  int count = 0;
};

template <class T, class A, int C, class K, class ToWeight>
Taps<A> buildTaps(unsigned char* block, const K* kernel, RuxImageSize ks, RuxImagePoint anchor, int srcStep,
                  ToWeight&& toWeight) {
  const long long a = static_cast<long long>(ks.width) * ks.height;
  Taps<A> t{reinterpret_cast<std::ptrdiff_t*>(block), reinterpret_cast<A*>(block + 8 * a)};
  for (int q = 0; q < ks.height; ++q)
    for (int p = 0; p < ks.width; ++p) {
      const A w = toWeight(kernel[static_cast<std::size_t>(q) * ks.width + p]);
      if (w == A(0)) continue;
      t.offsets[t.count] = static_cast<std::ptrdiff_t>(anchor.y - q) * srcStep +
                           static_cast<std::ptrdiff_t>(anchor.x - p) * C * static_cast<std::ptrdiff_t>(sizeof(T));
      t.weights[t.count++] = w;
    }
  return t;
}

// The bound of |sum| for integer kernels: sum |K| times the largest sample magnitude.
template <class T, class K>
long double sumBound(const K* kernel, long long a) {
  long double s = 0;
  for (long long i = 0; i < a; ++i) s += kernel[i] < 0 ? -static_cast<long double>(kernel[i]) : kernel[i];
  const long double top = std::is_signed_v<T> ? -static_cast<long double>(std::numeric_limits<T>::min())
                                              : static_cast<long double>(std::numeric_limits<T>::max());
  return s * top;
}

// Builds the taps of accumulator A in `block`, then filters every row with `rule`.
template <class T, class A, class D, int C, bool kAlpha, class K, class ToWeight, class Rule>
RuxResult runTaps(const T* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, const K* kernel,
                  RuxImageSize ks, RuxImagePoint anchor, unsigned char* block, ToWeight&& toWeight, const Rule& rule) {
  const Taps<A> t = buildTaps<T, A, C>(block, kernel, ks, anchor, srcStep, toWeight);
  Plan plan;
  plan.first = {conv::tapsFor<T, A>(), t.offsets, t.weights, t.count};
  conv::runPlan<T, A, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, plan, conv::worthThreads(roi), rule);
  return ruxStatusOk;
}

template <class T, class D, int C, bool kAlpha, class K>
RuxResult filterWith(const T* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, const K* kernel,
                     RuxImageSize ks, RuxImagePoint anchor, const Args& o, unsigned char* block) {
  const long long a = static_cast<long long>(ks.width) * ks.height;
  if constexpr (std::is_integral_v<K>) {
    if (o.path == Path::kExact) {
      int k = 0;
      if (o.divisor > 1 && (o.divisor & (o.divisor - 1)) == 0)
        while ((1 << k) < o.divisor) ++k;
      const Divide<D> rule{o.divisor, k, o.mode, std::is_same_v<T, Rux8u>, conv::convKernels().round[conv::sampleOf<D>()]};
      const long double bound = sumBound<T>(kernel, a);
      if (sizeof(T) == 1 && bound <= 32767)
        return runTaps<T, std::int16_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                                      [](K v) { return static_cast<std::int16_t>(v); }, rule);
      if (bound <= 2147483647.0L)
        return runTaps<T, std::int32_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                                      [](K v) { return static_cast<std::int32_t>(v); }, rule);
      return runTaps<T, std::int64_t, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                                    [](K v) { return static_cast<std::int64_t>(v); }, rule);
    } else {
      const double r = 1.0 / o.divisor;
      return runTaps<T, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                             [r](K v) { return static_cast<float>(static_cast<double>(v) * r); },
                                             RoundFloat<D>{1, conv::convKernels().round[conv::sampleOf<D>()]});
    }
  } else if constexpr (std::is_same_v<T, Rux32f> || std::is_same_v<T, Rux64f>) {
    return runTaps<T, T, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                       [](K v) { return static_cast<T>(v); }, Same{});
  } else if constexpr (std::is_same_v<T, Rux32s>) {
    return runTaps<T, double, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                            [](K v) { return static_cast<double>(v); }, Round32s{});
  } else {
    return runTaps<T, float, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, block,
                                           [](K v) { return static_cast<float>(v); },
                                           RoundFloat<D>{o.mode, conv::convKernels().round[conv::sampleOf<D>()]});
  }
}

template <class T, class D, int C, bool kAlpha, class K>
RuxResult kernelFilter(const T* src, int srcStep, D* dst, int dstStep, RuxImageSize roi, const K* kernel,
                       RuxImageSize ks, RuxImagePoint anchor, const Args& o) {
  if (anyNull(src, dst, kernel)) return ruxStatusNullPointer;
  if (badSize(roi) || ks.width < 1 || ks.height < 1) return ruxStatusBadSize;
  if (o.hasDivisor && o.divisor == 0) return ruxStatusZeroDivisor;
  const long long pixel = static_cast<long long>(C) * sizeof(T);
  const long long need = (static_cast<long long>(roi.width) + ks.width - 1) * pixel;
  if (srcStep < need || dstStep < static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(D)))
    return ruxStatusBadStep;
  if (o.round) {
    if (static_cast<unsigned>(o.mode) > 2u) return ruxStatusBadRoundMode;
    if (o.buffer == nullptr) return ruxStatusNullPointer;
  }
  if (anchor.x < 0 || anchor.y < 0 || anchor.x >= ks.width || anchor.y >= ks.height) return ruxStatusBadAnchor;
  const long long bytes = 16 * static_cast<long long>(ks.width) * ks.height;
  if (o.round) {
    // The caller's buffer holds the tap table (every query reports at least 16 bytes per
    // coefficient plus 15 for alignment).
    auto at = reinterpret_cast<std::uintptr_t>(o.buffer);
    at = (at + 7) & ~static_cast<std::uintptr_t>(7);
    return filterWith<T, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, o,
                                       reinterpret_cast<unsigned char*>(at));
  }
  Scratch<unsigned char> block(bytes);
  if (!block) return ruxStatusNoMemory;
  return filterWith<T, D, C, kAlpha>(src, srcStep, dst, dstStep, roi, kernel, ks, anchor, o, block.get());
}

// Work-buffer bytes of the Round members: ((a A + b W) x c + e) x T.
RuxResult roundBufSize(RuxImageSize ks, int width, int* size, long long a, long long b, long long c, long long e) {
  if (size == nullptr) return ruxStatusNullPointer;
  if (ks.width < 1 || ks.height < 1 || width < 1) return ruxStatusBadSize;
  const long long area = static_cast<long long>(ks.width) * ks.height;
  const long long threads = std::max(1, ownGetNumThreads());
  const long double v = (static_cast<long double>(a) * area + static_cast<long double>(b) * width) * c + e;
  if (v * threads > static_cast<long double>(std::numeric_limits<int>::max())) return ruxStatusBadSize;
  *size = static_cast<int>(((a * area + b * width) * c + e) * threads);
  return ruxStatusOk;
}

Args exact(int divisor) { return {Shape::k2D, Path::kExact, divisor, true}; }
Args scaled(int divisor) { return {Shape::k2D, Path::kScaled, divisor, true}; }
Args floats() { return {Shape::k2D, Path::kFloat}; }
Args same() { return {Shape::k2D, Path::kSame}; }
Args rounded(Args a, int mode, Rux8u* buffer) {
  a.round = true, a.mode = mode, a.buffer = buffer;
  return a;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_2D(name, type, T_, D_, K_, lay, C, A, how)                                                    \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##R(const T_* pSrc, int srcStep, D_* pDst, int dstStep,     \
                                                  RuxImageSize roiSize, const K_* pKernel,                \
                                                  RuxImageSize kernelSize, RuxImagePoint anchor) {        \
    return kernelFilter<T_, D_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, kernelSize, anchor, \
                                      how());                                                             \
  }
#define RUX_2D_DIV(name, type, T_, K_, lay, C, A, how)                                                    \
  RUXAPI RuxResult ruxi##name##_##type##_##lay##R(const T_* pSrc, int srcStep, T_* pDst, int dstStep,     \
                                                  RuxImageSize roiSize, const K_* pKernel,                \
                                                  RuxImageSize kernelSize, RuxImagePoint anchor,          \
                                                  int divisor) {                                          \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, kernelSize, anchor, \
                                      how(divisor));                                                      \
  }
// Row filters: kernel length x 1, anchor (xAnchor, 0); column filters: 1 x length, (0, yAnchor).
#define RUX_1D(row, column, type, T_, K_, lay, C, A, how)                                                  \
  RUXAPI RuxResult ruxi##row##_##type##_##lay##R(const T_* pSrc, int srcStep, T_* pDst, int dstStep,       \
                                                 RuxImageSize roiSize, const K_* pKernel, int kernelSize,  \
                                                 int xAnchor) {                                            \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, {kernelSize, 1},     \
                                      {xAnchor, 0}, how());                                                \
  }                                                                                                        \
  RUXAPI RuxResult ruxi##column##_##type##_##lay##R(const T_* pSrc, int srcStep, T_* pDst, int dstStep,    \
                                                    RuxImageSize roiSize, const K_* pKernel,               \
                                                    int kernelSize, int yAnchor) {                         \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, {1, kernelSize},     \
                                      {0, yAnchor}, how());                                                \
  }
#define RUX_1D_DIV(type, T_, lay, C, A, how)                                                                   \
  RUXAPI RuxResult ruxiFilterRow_##type##_##lay##R(const T_* pSrc, int srcStep, T_* pDst, int dstStep,         \
                                                   RuxImageSize roiSize, const Rux32s* pKernel, int kernelSize, \
                                                   int xAnchor, int divisor) {                                 \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, {kernelSize, 1},         \
                                      {xAnchor, 0}, how(divisor));                                             \
  }                                                                                                            \
  RUXAPI RuxResult ruxiFilterColumn_##type##_##lay##R(const T_* pSrc, int srcStep, T_* pDst, int dstStep,      \
                                                      RuxImageSize roiSize, const Rux32s* pKernel,             \
                                                      int kernelSize, int yAnchor, int divisor) {              \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, {1, kernelSize},         \
                                      {0, yAnchor}, how(divisor));                                             \
  }
#define RUX_ROUND_DIV(name, type, T_, K_, lay, C, A)                                                      \
  RUXAPI RuxResult ruxiFilter_##name##_##type##_##lay##R(                                                 \
      const T_* pSrc, int srcStep, T_* pDst, int dstStep, RuxImageSize roiSize, const K_* pKernel,        \
      RuxImageSize kernelSize, RuxImagePoint anchor, int divisor, RuxRounding roundMode, Rux8u* pBuffer) { \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, kernelSize, anchor, \
                                      rounded(exact(divisor), static_cast<int>(roundMode), pBuffer));     \
  }
#define RUX_ROUND_32F(type, T_, lay, C, A)                                                                \
  RUXAPI RuxResult ruxiFilter_Round32f_##type##_##lay##R(                                                 \
      const T_* pSrc, int srcStep, T_* pDst, int dstStep, RuxImageSize roiSize, const Rux32f* pKernel,    \
      RuxImageSize kernelSize, RuxImagePoint anchor, RuxRounding roundMode, Rux8u* pBuffer) {             \
    return kernelFilter<T_, T_, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, pKernel, kernelSize, anchor, \
                                      rounded(floats(), static_cast<int>(roundMode), pBuffer));           \
  }
#define RUX_QUERY(kind, type, lay, a, b, c, e)                                                   \
  RUXAPI RuxResult ruxiFilterRoundGetBufSize##kind##_##type##_##lay##R(RuxImageSize kernelSize, \
                                                                      int roiWidth, int* pBufferSize) { \
    return roundBufSize(kernelSize, roiWidth, pBufferSize, a, b, c, e);                          \
  }

#define RUX_LAYOUTS4(M, ...) M(__VA_ARGS__, C1, 1, false) M(__VA_ARGS__, C3, 3, false) M(__VA_ARGS__, C4, 4, false) M(__VA_ARGS__, AC4, 4, true)
#define RUX_LAYOUTS3(M, ...) M(__VA_ARGS__, C1, 1, false) M(__VA_ARGS__, C3, 3, false) M(__VA_ARGS__, C4, 4, false)

// Layout-last adapters.
#define RUX_2D_DIV_(name, type, T_, how, lay, C, A) RUX_2D_DIV(name, type, T_, Rux32s, lay, C, A, how)
#define RUX_2D_(name, type, T_, D_, K_, how, lay, C, A) RUX_2D(name, type, T_, D_, K_, lay, C, A, how)
#define RUX_1D_DIV_(type, T_, how, lay, C, A) RUX_1D_DIV(type, T_, lay, C, A, how)
#define RUX_1D_(row, column, type, T_, K_, how, lay, C, A) RUX_1D(row, column, type, T_, K_, lay, C, A, how)
#define RUX_ROUND_DIV_(name, type, T_, K_, lay, C, A) RUX_ROUND_DIV(name, type, T_, K_, lay, C, A)

// Filter: 8u exact, 16u scaled, 16s C1 exact and the other 16s layouts scaled; 32f, 64f as is.
RUX_LAYOUTS4(RUX_2D_DIV_, Filter, 8u, Rux8u, exact)
RUX_LAYOUTS4(RUX_2D_DIV_, Filter, 16u, Rux16u, scaled)
RUX_2D_DIV(Filter, 16s, Rux16s, Rux32s, C1, 1, false, exact)
RUX_2D_DIV(Filter, 16s, Rux16s, Rux32s, C3, 3, false, scaled)
RUX_2D_DIV(Filter, 16s, Rux16s, Rux32s, C4, 4, false, scaled)
RUX_2D_DIV(Filter, 16s, Rux16s, Rux32s, AC4, 4, true, scaled)
RUX_LAYOUTS4(RUX_2D_, Filter, 32f, Rux32f, Rux32f, Rux32f, same)
RUX_2D(Filter, 64f, Rux64f, Rux64f, Rux64f, C1, 1, false, same)

// Filter32f: float kernels on integer images.
RUX_LAYOUTS4(RUX_2D_, Filter32f, 8u, Rux8u, Rux8u, Rux32f, floats)
RUX_LAYOUTS4(RUX_2D_, Filter32f, 16u, Rux16u, Rux16u, Rux32f, floats)
RUX_LAYOUTS4(RUX_2D_, Filter32f, 16s, Rux16s, Rux16s, Rux32f, floats)
RUX_LAYOUTS3(RUX_2D_, Filter32f, 8u16s, Rux8u, Rux16s, Rux32f, floats)
RUX_LAYOUTS3(RUX_2D_, Filter32f, 8s16s, Rux8s, Rux16s, Rux32f, floats)
RUX_LAYOUTS3(RUX_2D_, Filter32f, 8s, Rux8s, Rux8s, Rux32f, floats)
RUX_LAYOUTS3(RUX_2D_, Filter32f, 32s, Rux32s, Rux32s, Rux32f, floats)

// FilterRow / FilterColumn: 8u exact, 16u and 16s scaled, 32f and 64f as is; the 32f forms.
RUX_LAYOUTS4(RUX_1D_DIV_, 8u, Rux8u, exact)
RUX_LAYOUTS4(RUX_1D_DIV_, 16u, Rux16u, scaled)
RUX_LAYOUTS4(RUX_1D_DIV_, 16s, Rux16s, scaled)
RUX_LAYOUTS4(RUX_1D_, FilterRow, FilterColumn, 32f, Rux32f, Rux32f, same)
RUX_1D(FilterRow, FilterColumn, 64f, Rux64f, Rux64f, C1, 1, false, same)
RUX_LAYOUTS4(RUX_1D_, FilterRow32f, FilterColumn32f, 8u, Rux8u, Rux32f, floats)
RUX_LAYOUTS4(RUX_1D_, FilterRow32f, FilterColumn32f, 16u, Rux16u, Rux32f, floats)
RUX_LAYOUTS4(RUX_1D_, FilterRow32f, FilterColumn32f, 16s, Rux16s, Rux32f, floats)

// Round forms and their buffer sizes.
RUX_LAYOUTS4(RUX_ROUND_DIV_, Round16s, 8u, Rux8u, Rux16s)
RUX_LAYOUTS4(RUX_ROUND_DIV_, Round32s, 16u, Rux16u, Rux32s)
RUX_LAYOUTS4(RUX_ROUND_DIV_, Round32s, 16s, Rux16s, Rux32s)
RUX_LAYOUTS4(RUX_ROUND_32F, 8u, Rux8u)
RUX_LAYOUTS4(RUX_ROUND_32F, 16u, Rux16u)
RUX_LAYOUTS4(RUX_ROUND_32F, 16s, Rux16s)

RUX_QUERY(16s, 8u, C1, 4, 1, 4, 15)
RUX_QUERY(16s, 8u, C3, 4, 3, 4, 15)
RUX_QUERY(16s, 8u, C4, 1, 1, 16, 15)
RUX_QUERY(16s, 8u, AC4, 1, 1, 16, 15)
RUX_QUERY(32s, 16s, C1, 4, 1, 4, 31)
RUX_QUERY(32s, 16s, C3, 4, 3, 4, 31)
RUX_QUERY(32s, 16s, C4, 1, 1, 16, 31)
RUX_QUERY(32s, 16s, AC4, 1, 1, 16, 31)
RUX_QUERY(32s, 16u, C1, 4, 2, 4, 43)
RUX_QUERY(32s, 16u, C3, 4, 6, 4, 43)
RUX_QUERY(32s, 16u, C4, 4, 8, 4, 43)
RUX_QUERY(32s, 16u, AC4, 4, 8, 4, 43)
#define RUX_QUERY_32F(type)                 \
  RUX_QUERY(32f, type, C1, 4, 2, 4, 43)     \
  RUX_QUERY(32f, type, C3, 4, 6, 4, 43)     \
  RUX_QUERY(32f, type, C4, 4, 8, 4, 15)     \
  RUX_QUERY(32f, type, AC4, 4, 8, 4, 15)
RUX_QUERY_32F(8u)
RUX_QUERY_32F(16u)
RUX_QUERY_32F(16s)

// Filter_64f needs no work buffer.
RUXAPI RuxResult ruxiFilterGetBufSize_64f_C1R(RuxImageSize kernelSize, int roiWidth, int* pBufferSize) {
  if (pBufferSize == nullptr) return ruxStatusNullPointer;
  if (kernelSize.width < 1 || kernelSize.height < 1 || roiWidth < 1) return ruxStatusBadSize;
  *pBufferSize = 0;
  return ruxStatusOk;
}
