// Image moments: raw spatial moments up to order 3 per channel in a caller-held state, and the
// spatial (with offset), central, normalised and Hu moments derived from it.
//
// Integer sources (8u, 16u) are summed exactly, with adds in the vector kernels. The image is
// cut into chunks of sample columns (an interleaved row is one long row) and, vertically, into
// stripes made of blocks of rows. Per block, a four-level cascade of column sums runs in 32-bit
// lanes; per stripe, the block results run through a second cascade in 64-bit lanes. At the end
// of a stripe a fixed integer map (modulo 2^64) turns each column's cascade sums into its exact
// sums of y^n I; these are weighted by x^m per channel and moved to image coordinates by
// binomial expansion in 256-bit integers, which hold every moment of any region a 32-bit size
// can describe. Block heights keep the first cascade inside 32 bits and stripe heights keep each
// column's sums of y^n I below 2^63, so the wrapping second level still ends exact.
// The 64f state receives each exact sum rounded once to double; the 64s state receives it as a
// 64-bit integer, saturated at INT64_MAX (sums are never negative). The 64s getters refuse
// (ruxStatusOutOfRange) to derive a value from a saturated moment, since its true value is
// unknown, and saturate their own results.
// 32f sources: column sums of y^k I in double (vector kernel), weighted by x^m in long double.
// Getters evaluate in long double; 64f results are rounded to double, 64s results are scaled by
// 2^-scaleFactor and truncated toward zero.
// Validation: Moments -8, -17, -14, -6, -37, then scratch (-9); getters -8, -17, -6 (orders),
// -47, -20, then -11 for a saturated input.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/base.h"
#include "core/scratch.h"
#include "primitives/moment_kernels.h"

// The caller-held state: identifier, hint, channel count (-1 until a Moments call), then 16
// moment slots per channel, M(m, n) in slot m + 4n, unused slots 0.
struct RuxMomentState_64f {
  std::int32_t id;
  std::int32_t hint;
  std::int32_t channels;
  std::int32_t reserved;
  double m[3][16];
};
struct RuxMomentState_64s {
  std::int32_t id;
  std::int32_t hint;
  std::int32_t channels;
  std::int32_t reserved;
  std::int64_t m[3][16];
};
static_assert(sizeof(RuxMomentState_64f) == 400, "moment state layout");
static_assert(sizeof(RuxMomentState_64s) == 400, "moment state layout");

namespace rux {
namespace {

constexpr std::int32_t kId64f = 33;
constexpr std::int32_t kId64s = 34;
constexpr int kStateBytes = 400;
constexpr long double kZeroMoment = 2.220446049250313e-16L;

using u128 = unsigned __int128;

constexpr int kBinom[4][4] = {{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 2, 1, 0}, {1, 3, 3, 1}};

// Non-negative 256-bit integer: add and multiply by a 64-bit factor (callers stay below 2^256).
struct Wide {
  std::uint64_t w[4] = {0, 0, 0, 0};

  static Wide of(u128 v) {
    Wide r;
    r.w[0] = static_cast<std::uint64_t>(v);
    r.w[1] = static_cast<std::uint64_t>(v >> 64);
    return r;
  }
  void add(const Wide& b) {
    u128 carry = 0;
    for (int i = 0; i < 4; ++i) {
      const u128 s = static_cast<u128>(w[i]) + b.w[i] + carry;
      w[i] = static_cast<std::uint64_t>(s);
      carry = s >> 64;
    }
  }
  void mul(std::uint64_t k) {
    u128 carry = 0;
    for (int i = 0; i < 4; ++i) {
      const u128 p = static_cast<u128>(w[i]) * k + carry;
      w[i] = static_cast<std::uint64_t>(p);
      carry = p >> 64;
    }
  }
  int bitLength() const {
    for (int i = 3; i >= 0; --i) {
      if (w[i] != 0) return 64 * i + 64 - __builtin_clzll(w[i]);
    }
    return 0;
  }
  // 64 bits starting at bit pos (bits beyond the top read as 0).
  std::uint64_t bitsAt(int pos) const {
    const int limb = pos / 64, off = pos % 64;
    if (limb >= 4) return 0;
    std::uint64_t v = w[limb] >> off;
    if (off != 0 && limb + 1 < 4) v |= w[limb + 1] << (64 - off);
    return v;
  }
  bool anyBelow(int pos) const {
    const int limb = pos / 64, off = pos % 64;
    for (int i = 0; i < limb && i < 4; ++i) {
      if (w[i] != 0) return true;
    }
    return limb < 4 && off != 0 && (w[limb] & ((std::uint64_t{1} << off) - 1)) != 0;
  }
  // Rounded to nearest, ties to even, in integers: the result does not depend on the caller's
  // rounding mode.
  double toDouble() const {
    const int bits = bitLength();
    if (bits <= 53) return static_cast<double>(w[0]);
    const int shift = bits - 53;
    std::uint64_t mantissa = bitsAt(shift) & ((std::uint64_t{1} << 53) - 1);
    const bool half = ((bitsAt(shift - 1) & 1) != 0);
    if (half && (anyBelow(shift - 1) || (mantissa & 1) != 0)) ++mantissa;  // 2^53 stays exact
    return std::ldexp(static_cast<double>(mantissa), shift);
  }
  std::int64_t saturatedInt64() const {
    if (w[1] != 0 || w[2] != 0 || w[3] != 0 || w[0] > static_cast<std::uint64_t>(INT64_MAX)) {
      return INT64_MAX;
    }
    return static_cast<std::int64_t>(w[0]);
  }
};

// Raw moments of up to three channels, M(m, n) at [channel][m][n] for m + n <= 3.
using ExactMoments = Wide[3][4][4];
using FloatMoments = long double[3][4][4];

// Sample columns per chunk: a multiple of 3 and 4 (whole pixels) and of every vector group.
constexpr int kChunk = 960;

template <class U>
struct IntegerPlan;
// Rows per block keep the first cascade within 32 bits (max * C(rows + 3, 4) < 2^32); rows per
// stripe keep each column's sum of y^3 * I below 2^63.
template <>
struct IntegerPlan<Rux8u> {
  static constexpr int kBlockRows = 128;
  static constexpr int kStripeRows = 16384;
};
template <>
struct IntegerPlan<Rux16u> {
  static constexpr int kBlockRows = 32;
  static constexpr int kStripeRows = 4096;
};

// Adds the stripe's chunk moments local[i][j] (local pixel column, local row) to `out`, moved to
// pixel column xc and row ys: sum C(m,i) C(n,j) xc^(m-i) ys^(n-j) local[i][j].
void addShifted(const u128 (&local)[4][4], std::uint64_t xc, std::uint64_t ys, Wide (&out)[4][4]) {
  for (int m = 0; m <= 3; ++m) {
    for (int n = 0; m + n <= 3; ++n) {
      for (int i = 0; i <= m; ++i) {
        for (int j = 0; j <= n; ++j) {
          if (local[i][j] == 0) continue;
          Wide term = Wide::of(local[i][j]);
          term.mul(static_cast<std::uint64_t>(kBinom[m][i] * kBinom[n][j]));
          for (int k = i; k < m; ++k) term.mul(xc);
          for (int k = j; k < n; ++k) term.mul(ys);
          out[m][n].add(term);
        }
      }
    }
  }
}

// Second-level sums of a column: q[kFirst[k] + l] = sum B_l(beta) B_k(alpha) I over a stripe,
// with B_k(t) = C(t + k - 1, k), beta = blocks - b for block b, alpha = kBlock - v for row v of a
// block. The pixel's stripe row is y = K - kBlock * beta - alpha, K = (blocks + 1) * kBlock.
constexpr int kFirst[4] = {0, 4, 7, 9};
// t^q = sum_l kMonomial[q][l] B_l(t)
constexpr int kMonomial[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, -1, 2, 0}, {0, 1, -6, 6}};

// Coefficients modulo 2^64 with P_n = sum y^n I = sum_i map[n][i] q[i] for one stripe. P_n is
// below 2^64, so the wrapped linear combination is exact.
void stripeMap(int blocks, int blockRows, std::uint64_t (&map)[4][10]) {
  using i128 = __int128;
  constexpr int kFact[4] = {1, 1, 2, 6};
  const i128 K = static_cast<i128>(blocks + 1) * blockRows, R = blockRows;
  std::memset(map, 0, sizeof(map));
  // y^n = (K - R beta - alpha)^n expanded as a trinomial, then beta^q and alpha^r in B_l, B_k.
  for (int n = 0; n <= 3; ++n) {
    for (int q = 0; q <= n; ++q) {
      for (int r = 0; q + r <= n; ++r) {
        const int p = n - q - r;
        i128 base = kFact[n] / (kFact[p] * kFact[q] * kFact[r]);
        for (int i = 0; i < p; ++i) base *= K;
        for (int i = 0; i < q; ++i) base *= -R;
        if (r % 2 != 0) base = -base;
        for (int l = 0; l <= q; ++l) {
          for (int k = 0; k <= r; ++k) {
            const i128 c = base * kMonomial[q][l] * kMonomial[r][k];
            map[n][kFirst[k] + l] += static_cast<std::uint64_t>(c);
          }
        }
      }
    }
  }
}

template <class U>
RuxResult integerMoments(const U* src, int step, RuxImageSize roi, int cn, int used,
                         ExactMoments& out) {
  constexpr int kBlock = IntegerPlan<U>::kBlockRows;
  constexpr int kStripe = IntegerPlan<U>::kStripeRows;
  static_assert(kStripe % kBlock == 0, "whole blocks per stripe");
  Scratch<std::uint32_t> tBuf(4 * kChunk);
  Scratch<std::uint64_t> qBuf(10 * kChunk);
  if (!tBuf || !qBuf) return ruxStatusNoMemory;
  std::uint32_t* t[4];
  std::uint64_t* q[10];
  for (int k = 0; k < 4; ++k) t[k] = tBuf.get() + k * kChunk;
  for (int k = 0; k < 10; ++k) q[k] = qBuf.get() + k * kChunk;

  const MomentKernels& kernels = momentKernels();
  const CascadeBlockFn cascade = sizeof(U) == 1 ? kernels.cascade8u : kernels.cascade16u;
  const std::size_t samples = static_cast<std::size_t>(roi.width) * cn;
  for (std::size_t s0 = 0; s0 < samples; s0 += kChunk) {
    const std::size_t len = samples - s0 < kChunk ? samples - s0 : kChunk;
    for (int ys = 0; ys < roi.height; ys += kStripe) {
      const int stripeRows = roi.height - ys < kStripe ? roi.height - ys : kStripe;
      for (int k = 0; k < 10; ++k) std::memset(q[k], 0, len * sizeof(std::uint64_t));
      int blocks = 0;
      for (int yb = 0; yb < stripeRows; yb += kBlock, ++blocks) {
        const int rows = stripeRows - yb < kBlock ? stripeRows - yb : kBlock;
        cascade(rowPtr(src, step, ys + yb) + s0, step, rows, kBlock, len, t);
        kernels.fold(t, q, len);
      }
      std::uint64_t map[4][10];
      stripeMap(blocks, kBlock, map);
      // Column sums P_n, weighted by the chunk-local pixel column u^m (u < 320: sums < 2^103).
      const std::size_t pixels = len / cn;
      for (int ch = 0; ch < used; ++ch) {
        u128 local[4][4] = {};
        for (std::size_t u = 0; u < pixels; ++u) {
          const std::size_t i = u * cn + ch;
          const std::uint64_t u2 = u * u;
          const std::uint64_t pw[4] = {1, u, u2, u2 * u};
          for (int n = 0; n <= 3; ++n) {
            std::uint64_t p = 0;
            for (int k = 0; k < 10; ++k) p += map[n][k] * q[k][i];
            for (int m = 0; m + n <= 3; ++m) local[m][n] += static_cast<u128>(p) * pw[m];
          }
        }
        addShifted(local, s0 / cn, static_cast<std::uint64_t>(ys), out[ch]);
      }
    }
  }
  return ruxStatusOk;
}

RuxResult floatMoments(const Rux32f* src, int step, RuxImageSize roi, int cn, int used,
                       FloatMoments& out) {
  Scratch<double> colBuf(4 * kChunk);
  if (!colBuf) return ruxStatusNoMemory;
  double* const col[4] = {colBuf.get(), colBuf.get() + kChunk, colBuf.get() + 2 * kChunk,
                          colBuf.get() + 3 * kChunk};
  const AccumulateRowFn accumulate = momentKernels().accumulate32f;
  const std::size_t samples = static_cast<std::size_t>(roi.width) * cn;
  for (std::size_t s0 = 0; s0 < samples; s0 += kChunk) {
    const std::size_t len = samples - s0 < kChunk ? samples - s0 : kChunk;
    for (int k = 0; k < 4; ++k) std::memset(col[k], 0, len * sizeof(double));
    for (int y = 0; y < roi.height; ++y) {
      const double yd = y;
      const double yPow[4] = {1.0, yd, yd * yd, yd * yd * yd};
      accumulate(rowPtr(src, step, y) + s0, len, yPow, col);
    }
    const std::size_t pixels = len / cn;
    for (int ch = 0; ch < used; ++ch) {
      for (std::size_t u = 0; u < pixels; ++u) {
        const long double x = static_cast<long double>(s0 / cn + u);
        const std::size_t i = u * cn + ch;
        for (int n = 0; n <= 3; ++n) {
          long double xm = 1.0L;
          for (int m = 0; m + n <= 3; ++m, xm *= x) out[ch][m][n] += xm * col[n][i];
        }
      }
    }
  }
  return ruxStatusOk;
}

// Shared checks of the Moments functions, in contract order.
template <class T, class State>
RuxResult checkMoments(const T* src, int step, RuxImageSize roi, const State* st, int cn,
                       std::int32_t id) {
  if (anyNull(src, st)) return ruxStatusNullPointer;
  if (st->id != id) return ruxStatusBadContext;
  if (step < 1) return ruxStatusBadStep;
  if (badSize(roi)) return ruxStatusBadSize;
  if (static_cast<long long>(roi.width) * cn * static_cast<long long>(sizeof(T)) > step) {
    return ruxStatusStepTooSmall;
  }
  return ruxStatusOk;
}

// cn samples per pixel (4 for AC4), of which the first `used` are channels with moments.
template <class T, int CN, int USED>
RuxResult moments64f(const T* src, int step, RuxImageSize roi, RuxMomentState_64f* st) {
  RuxResult status = checkMoments(src, step, roi, st, CN, kId64f);
  if (status != ruxStatusOk) return status;
  double values[3][4][4] = {};
  if constexpr (std::is_same_v<T, Rux32f>) {
    FloatMoments sums = {};
    status = floatMoments(src, step, roi, CN, USED, sums);
    for (int ch = 0; ch < USED; ++ch)
      for (int m = 0; m <= 3; ++m)
        for (int n = 0; m + n <= 3; ++n) values[ch][m][n] = static_cast<double>(sums[ch][m][n]);
  } else {
    ExactMoments sums = {};
    status = integerMoments(src, step, roi, CN, USED, sums);
    for (int ch = 0; ch < USED; ++ch)
      for (int m = 0; m <= 3; ++m)
        for (int n = 0; m + n <= 3; ++n) values[ch][m][n] = sums[ch][m][n].toDouble();
  }
  if (status != ruxStatusOk) return status;
  std::memset(st->m, 0, sizeof(st->m));
  for (int ch = 0; ch < USED; ++ch)
    for (int m = 0; m <= 3; ++m)
      for (int n = 0; m + n <= 3; ++n) st->m[ch][m + 4 * n] = values[ch][m][n];
  st->channels = USED;
  return ruxStatusOk;
}

template <class T, int CN, int USED>
RuxResult moments64s(const T* src, int step, RuxImageSize roi, RuxMomentState_64s* st) {
  RuxResult status = checkMoments(src, step, roi, st, CN, kId64s);
  if (status != ruxStatusOk) return status;
  ExactMoments sums = {};
  status = integerMoments(src, step, roi, CN, USED, sums);
  if (status != ruxStatusOk) return status;
  std::memset(st->m, 0, sizeof(st->m));
  for (int ch = 0; ch < USED; ++ch)
    for (int m = 0; m <= 3; ++m)
      for (int n = 0; m + n <= 3; ++n) st->m[ch][m + 4 * n] = sums[ch][m][n].saturatedInt64();
  st->channels = USED;
  return ruxStatusOk;
}

// ---- getters ------------------------------------------------------------------------------

// One channel's raw moments; `saturated` marks 64s slots that hold INT64_MAX (true value unknown).
struct Raw {
  long double v[4][4];
  bool saturated[4][4];
  long double m00() const { return v[0][0]; }
};

Raw readRaw(const RuxMomentState_64f* st, int ch) {
  Raw r{};
  for (int m = 0; m <= 3; ++m)
    for (int n = 0; m + n <= 3; ++n) r.v[m][n] = st->m[ch][m + 4 * n];
  return r;
}
Raw readRaw(const RuxMomentState_64s* st, int ch) {
  Raw r{};
  for (int m = 0; m <= 3; ++m) {
    for (int n = 0; m + n <= 3; ++n) {
      const std::int64_t s = st->m[ch][m + 4 * n];
      r.v[m][n] = static_cast<long double>(s);
      r.saturated[m][n] = s == INT64_MAX;
    }
  }
  return r;
}

constexpr std::int32_t idOf(const RuxMomentState_64f*) { return kId64f; }
constexpr std::int32_t idOf(const RuxMomentState_64s*) { return kId64s; }

// sum C(m,i) C(n,j) a^(m-i) b^(n-j) M(i,j)
long double expand(const Raw& r, int m, int n, long double a, long double b) {
  const long double pa[4] = {1.0L, a, a * a, a * a * a};
  const long double pb[4] = {1.0L, b, b * b, b * b * b};
  long double sum = 0.0L;
  for (int i = 0; i <= m; ++i) {
    for (int j = 0; j <= n; ++j) {
      sum += static_cast<long double>(kBinom[m][i] * kBinom[n][j]) * pa[m - i] * pb[n - j] *
             r.v[i][j];
    }
  }
  return sum;
}

// Whether the expansion of (m, n) reads a saturated moment: M(i, j) for i <= m, j <= n, where
// i < m only with a column shift and j < n only with a row shift. Kept apart from the value on
// purpose: GCC 12.2 at -O2 (ipa-modref) dropped the caller's stores into Raw when an out-of-line
// reader of Raw also wrote a flag through a pointer.
bool readsSaturated(const Raw& r, int m, int n, bool xShift, bool yShift) {
  for (int i = 0; i <= m; ++i) {
    for (int j = 0; j <= n; ++j) {
      if ((i == m || xShift) && (j == n || yShift) && r.saturated[i][j]) return true;
    }
  }
  return false;
}

bool zeroMoment(const Raw& r) { return std::fabs(r.m00()) <= kZeroMoment; }

long double central(const Raw& r, int m, int n) {
  if (m + n == 0) return r.m00();
  if (m + n == 1) return 0.0L;
  const long double xBar = r.v[1][0] / r.m00(), yBar = r.v[0][1] / r.m00();
  return expand(r, m, n, -xBar, -yBar);
}

// Central moments read M(0,0), the centroid's M(1,0) or M(0,1) and the moments below (m, n).
bool centralReadsSaturated(const Raw& r, int m, int n) {
  if (m + n == 1) return false;
  return readsSaturated(r, m, n, true, true);
}

long double normalise(const Raw& r, long double value, int m, int n) {
  return value * std::pow(r.m00(), -static_cast<long double>(m + n + 2) / 2.0L);
}

// Hu's seven invariants from the normalised central moments of orders 2 and 3.
void hu(const Raw& r, long double* h) {
  long double eta[4][4] = {};
  for (int p = 0; p <= 3; ++p) {
    for (int q = 0; p + q <= 3; ++q) {
      if (p + q >= 2) eta[p][q] = normalise(r, central(r, p, q), p, q);
    }
  }
  const long double n20 = eta[2][0], n02 = eta[0][2], n11 = eta[1][1];
  const long double n30 = eta[3][0], n03 = eta[0][3], n21 = eta[2][1], n12 = eta[1][2];
  const long double a = n30 + n12, b = n21 + n03;
  const long double c = n30 - 3 * n12, e = 3 * n21 - n03;
  h[0] = n20 + n02;
  h[1] = (n20 - n02) * (n20 - n02) + 4 * n11 * n11;
  h[2] = c * c + e * e;
  h[3] = a * a + b * b;
  h[4] = c * a * (a * a - 3 * b * b) + e * b * (3 * a * a - b * b);
  h[5] = (n20 - n02) * (a * a - b * b) + 4 * n11 * a * b;
  h[6] = e * a * (a * a - 3 * b * b) - c * b * (3 * a * a - b * b);
}

void deliver(long double v, int, Rux64f* out) { *out = static_cast<double>(v); }
// v * 2^-s truncated toward zero, saturated to 64 bits.
void deliver(long double v, int scaleFactor, Rux64s* out) {
  const int s = scaleFactor > 20000 ? 20000 : (scaleFactor < -20000 ? -20000 : scaleFactor);
  const long double t = std::trunc(std::ldexp(v, -s));
  if (std::isnan(t)) {
    *out = 0;
  } else if (t >= 0x1p63L) {
    *out = INT64_MAX;
  } else if (t < -0x1p63L) {
    *out = INT64_MIN;
  } else {
    *out = static_cast<std::int64_t>(t);
  }
}

enum class Kind { kSpatial, kCentral, kNormSpatial, kNormCentral };

template <Kind K, class State, class Out>
RuxResult getMoment(const State* st, int m, int n, int ch, RuxImagePoint offset, Out* out,
                    int scaleFactor) {
  if (anyNull(st, out)) return ruxStatusNullPointer;
  if (st->id != idOf(st)) return ruxStatusBadContext;
  if (m < 0 || n < 0 || m > 3 || n > 3 || m + n > 3) return ruxStatusBadSize;
  if (ch < 0 || ch >= st->channels) return ruxStatusBadChannelIndex;
  const Raw r = readRaw(st, ch);
  if (K != Kind::kSpatial && zeroMoment(r)) return ruxStatusZeroMoment;
  bool unknown;
  long double v;
  if constexpr (K == Kind::kSpatial || K == Kind::kNormSpatial) {
    unknown = readsSaturated(r, m, n, offset.x != 0, offset.y != 0);
    v = expand(r, m, n, offset.x, offset.y);
  } else {
    unknown = centralReadsSaturated(r, m, n);
    v = central(r, m, n);
  }
  if constexpr (K == Kind::kNormSpatial || K == Kind::kNormCentral) {
    unknown = unknown || r.saturated[0][0];
    v = normalise(r, v, m, n);
  }
  if (unknown) return ruxStatusOutOfRange;
  deliver(v, scaleFactor, out);
  return ruxStatusOk;
}

template <class State, class Out>
RuxResult getHu(const State* st, int ch, Out* out, int scaleFactor) {
  if (anyNull(st, out)) return ruxStatusNullPointer;
  if (st->id != idOf(st)) return ruxStatusBadContext;
  if (ch < 0 || ch >= st->channels) return ruxStatusBadChannelIndex;
  const Raw r = readRaw(st, ch);
  if (zeroMoment(r)) return ruxStatusZeroMoment;
  if (readsSaturated(r, 3, 0, true, true) || readsSaturated(r, 2, 1, true, true) ||
      readsSaturated(r, 1, 2, true, true) || readsSaturated(r, 0, 3, true, true)) {
    return ruxStatusOutOfRange;
  }
  long double h[7];
  hu(r, h);
  for (int i = 0; i < 7; ++i) deliver(h[i], scaleFactor, out + i);
  return ruxStatusOk;
}

// ---- states -------------------------------------------------------------------------------

template <class State>
void initState(State* st, std::int32_t id, RuxAccuracyHint hint) {
  std::memset(static_cast<void*>(st), 0, sizeof(State));
  st->id = id;
  st->hint = hintValue(hint);
  st->channels = -1;
}

template <class State>
RuxResult initAlloc(State** pState, RuxAccuracyHint hint, std::int32_t id) {
  if (pState == nullptr) return ruxStatusNullPointer;
  auto* st = static_cast<State*>(ruxMalloc(kStateBytes));
  if (st == nullptr) return ruxStatusNoMemory;
  initState(st, id, hint);
  *pState = st;
  return ruxStatusOk;
}

template <class State>
RuxResult freeState(State* st, std::int32_t id) {
  if (st == nullptr) return ruxStatusNullPointer;
  if (st->id != id) return ruxStatusBadContext;
  st->id = 0;  // a stale pointer to the freed block no longer passes the identifier check
  ruxFree(st);
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiMomentInitAlloc_64f(RuxMomentState_64f** pState, RuxAccuracyHint hint) {
  return initAlloc(pState, hint, kId64f);
}
RUXAPI RuxResult ruxiMomentInitAlloc_64s(RuxMomentState_64s** pState, RuxAccuracyHint hint) {
  return initAlloc(pState, hint, kId64s);
}
RUXAPI RuxResult ruxiMomentFree_64f(RuxMomentState_64f* pState) { return freeState(pState, kId64f); }
RUXAPI RuxResult ruxiMomentFree_64s(RuxMomentState_64s* pState) { return freeState(pState, kId64s); }
RUXAPI RuxResult ruxiMomentGetStateSize_64s(RuxAccuracyHint, int* pSize) {
  if (pSize == nullptr) return ruxStatusNullPointer;
  *pSize = kStateBytes;
  return ruxStatusOk;
}
RUXAPI RuxResult ruxiMomentInit_64s(RuxMomentState_64s* pState, RuxAccuracyHint hint) {
  if (pState == nullptr) return ruxStatusNullPointer;
  initState(pState, kId64s, hint);
  return ruxStatusOk;
}

#define RUX_MOMENTS(flavour, type, T, layout, cn, used)                                       \
  RUXAPI RuxResult ruxiMoments##flavour##_##type##_##layout##R(                               \
      const T* pSrc, int srcStep, RuxImageSize roiSize, RuxMomentState_##flavour* pCtx) {     \
    return moments##flavour<T, cn, used>(pSrc, srcStep, roiSize, pCtx);                       \
  }
#define RUX_MOMENTS_LAYOUTS(flavour, type, T) \
  RUX_MOMENTS(flavour, type, T, C1, 1, 1)     \
  RUX_MOMENTS(flavour, type, T, C3, 3, 3)     \
  RUX_MOMENTS(flavour, type, T, AC4, 4, 3)

RUX_MOMENTS_LAYOUTS(64f, 8u, Rux8u)
RUX_MOMENTS_LAYOUTS(64f, 16u, Rux16u)
RUX_MOMENTS_LAYOUTS(64f, 32f, Rux32f)
RUX_MOMENTS_LAYOUTS(64s, 8u, Rux8u)
RUX_MOMENTS_LAYOUTS(64s, 16u, Rux16u)

#define RUX_GETTERS(flavour, Out, SF_PARAM, SF)                                                  \
  RUXAPI RuxResult ruxiGetSpatialMoment_##flavour(const RuxMomentState_##flavour* pState,        \
                                                  int mOrd, int nOrd, int nChannel,              \
                                                  RuxImagePoint roiOffset,                       \
                                                  Out* pValue SF_PARAM) {                        \
    return getMoment<Kind::kSpatial>(pState, mOrd, nOrd, nChannel, roiOffset, pValue, SF);       \
  }                                                                                              \
  RUXAPI RuxResult ruxiGetCentralMoment_##flavour(const RuxMomentState_##flavour* pState,        \
                                                  int mOrd, int nOrd, int nChannel,              \
                                                  Out* pValue SF_PARAM) {                        \
    return getMoment<Kind::kCentral>(pState, mOrd, nOrd, nChannel, {0, 0}, pValue, SF);          \
  }                                                                                              \
  RUXAPI RuxResult ruxiGetNormalizedSpatialMoment_##flavour(                                     \
      const RuxMomentState_##flavour* pState, int mOrd, int nOrd, int nChannel,                  \
      RuxImagePoint roiOffset, Out* pValue SF_PARAM) {                                           \
    return getMoment<Kind::kNormSpatial>(pState, mOrd, nOrd, nChannel, roiOffset, pValue, SF);   \
  }                                                                                              \
  RUXAPI RuxResult ruxiGetNormalizedCentralMoment_##flavour(                                     \
      const RuxMomentState_##flavour* pState, int mOrd, int nOrd, int nChannel,                  \
      Out* pValue SF_PARAM) {                                                                    \
    return getMoment<Kind::kNormCentral>(pState, mOrd, nOrd, nChannel, {0, 0}, pValue, SF);      \
  }                                                                                              \
  RUXAPI RuxResult ruxiGetHuMoments_##flavour(const RuxMomentState_##flavour* pState,            \
                                              int nChannel, Out pHm[7] SF_PARAM) {               \
    return getHu(pState, nChannel, pHm, SF);                                                     \
  }

#define RUX_COMMA ,
RUX_GETTERS(64f, Rux64f, , 0)
RUX_GETTERS(64s, Rux64s, RUX_COMMA int scaleFactor, scaleFactor)
