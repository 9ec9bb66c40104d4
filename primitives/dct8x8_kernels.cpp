// 8x8 block DCT kernels, compiled once per target (see dct8x8.h for the arithmetic).
//
// A block is 8 rows of 8 lanes held as K = 8 / L vectors of L lanes (L = 8 on AVX2 and AVX-512,
// 4 on SSE4, 1 on the scalar target). A butterfly combines the 8 row vectors, so it transforms
// every column at once; the other direction runs after an 8x8 transpose. The forward and
// inverse butterflies are written once over an operation set: plain float products for 32f,
// fixed-point products for the 16-bit forms.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/dct8x8_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/dct8x8.h"

#ifndef RUX_DCT8X8_TABLES_
#define RUX_DCT8X8_TABLES_
#include <cstddef>
#include <cstdint>

namespace rux::dct8x8::detail {

// The coefficient sets T04, T17, T26, T35: round(2^14 s_r w_k) for k = 0..7, w_0 = 1 and
// w_k = sqrt2 cos(k pi / 16) (so w_4 = w_0).
constexpr std::int32_t kSets[4][8] = {{16384, 22725, 21407, 19266, 16384, 12873, 8867, 4520},
                                      {22725, 31521, 29692, 26722, 22725, 17855, 12299, 6270},
                                      {21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906},
                                      {19266, 26722, 25172, 22654, 19266, 15137, 10426, 5315}};
constexpr int kSetOfRow[8] = {0, 1, 2, 3, 0, 3, 2, 1};

// Row r's weight of sample n in frequency u: sqrt2 C(u) cos((2n + 1) u pi / 16) in the row's
// set, i.e. +-w_k with k the angle folded into 0..7.
constexpr std::int32_t coefficient(int r, int u, int n) {
  const std::int32_t* w = kSets[kSetOfRow[r]];
  if (u == 0) return w[0];
  int m = ((2 * n + 1) * u) % 32;
  if (m > 16) m = 32 - m;
  return m < 8 ? w[m] : -w[16 - m];
}

// [u][n][r] for n < 4 (samples 7 - n have the same weight times (-1)^u), lanes over rows r.
struct RowTable {
  std::int32_t c[8][4][8];
};
constexpr RowTable makeRowTable() {
  RowTable t{};
  for (int u = 0; u < 8; ++u)
    for (int n = 0; n < 4; ++n)
      for (int r = 0; r < 8; ++r) t.c[u][n][r] = coefficient(r, u, n);
  return t;
}
alignas(64) inline constexpr RowTable kRow = makeRowTable();

// Per-row rounders of the inverse row pass (added before the shift by 11, or 12 for A10; row
// 0's value is the rounding of the final shift).
alignas(32) inline constexpr std::int32_t kRounders[2][8] = {{65536, 2901, 2260, 1704, 1024, 455, 512, 373},
                                                             {65536, 5802, 4520, 3408, 2048, 910, 1024, 746}};

// Output factors of the unnormalised butterfly: X_k = f_k out_k.
constexpr double kF[8] = {0.35355339059327376, 0.49039264020161522, 0.46193976625564337, 0.41573480615127262,
                          0.35355339059327376, 0.41573480615127262, 0.46193976625564337, 0.49039264020161522};
struct ScaleTable {
  float s[8][8];
};
constexpr ScaleTable makeScaleTable() {
  ScaleTable t{};
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) t.s[v][u] = static_cast<float>(kF[v] * kF[u]);
  return t;
}
alignas(64) inline constexpr ScaleTable kScale = makeScaleTable();

constexpr float kTan1 = 0.19891236737965800691f;  // tan(pi/16)
constexpr float kTan2 = 0.41421356237309504880f;  // tan(pi/8)
constexpr float kTan3 = 0.66817863791929891999f;  // tan(3pi/16)
constexpr float kCos4 = 0.70710678118654752440f;  // cos(pi/4)

// Largest block magnitudes the 14-bit sets keep within 1 of the rounded result.
constexpr int kFwdExactMax = 2048;
constexpr int kInvExactMax = 4096;

}  // namespace rux::dct8x8::detail
#endif  // RUX_DCT8X8_TABLES_

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace dct8x8 {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace rux::dct8x8::detail;

using DF = hn::CappedTag<float, 8>;
using DI = hn::CappedTag<std::int32_t, 8>;
constexpr std::size_t L = hn::MaxLanes(DI());
constexpr std::size_t K = 8 / L;
static_assert(hn::MaxLanes(DF()) == L, "float and int32 rows share the lane count");

// Rows i = 0..7 of a block, part k holding lanes k L .. k L + L - 1.
template <class D>
struct Block {
  hn::Vec<D> v[8][K];
};

// ---- transposes ----------------------------------------------------------------------------

#if HWY_TARGET != HWY_SCALAR
template <class D, class V>
HWY_INLINE void Transpose4(D d, V& r0, V& r1, V& r2, V& r3) {
  const hn::Repartition<std::uint64_t, D> d64;
  const V t0 = hn::InterleaveLower(d, r0, r1), t1 = hn::InterleaveUpper(d, r0, r1);
  const V t2 = hn::InterleaveLower(d, r2, r3), t3 = hn::InterleaveUpper(d, r2, r3);
  r0 = hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, t0), hn::BitCast(d64, t2)));
  r1 = hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, t0), hn::BitCast(d64, t2)));
  r2 = hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, t1), hn::BitCast(d64, t3)));
  r3 = hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, t1), hn::BitCast(d64, t3)));
}

template <class D, class V>
HWY_INLINE void Transpose8(D d, V* r) {
  const hn::Repartition<std::uint64_t, D> d64;
  const auto lo64 = [&](V a, V b) { return hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, a), hn::BitCast(d64, b))); };
  const auto hi64 = [&](V a, V b) { return hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, a), hn::BitCast(d64, b))); };
  V t[8];
  for (int i = 0; i < 8; i += 2) {
    t[i] = hn::InterleaveLower(d, r[i], r[i + 1]);
    t[i + 1] = hn::InterleaveUpper(d, r[i], r[i + 1]);
  }
  // u[j]: columns j and j + 4 of rows 0-3 (j < 4) or rows 4-7 (j >= 4).
  const V u0 = lo64(t[0], t[2]), u1 = hi64(t[0], t[2]), u2 = lo64(t[1], t[3]), u3 = hi64(t[1], t[3]);
  const V u4 = lo64(t[4], t[6]), u5 = hi64(t[4], t[6]), u6 = lo64(t[5], t[7]), u7 = hi64(t[5], t[7]);
  r[0] = hn::ConcatLowerLower(d, u4, u0);
  r[4] = hn::ConcatUpperUpper(d, u4, u0);
  r[1] = hn::ConcatLowerLower(d, u5, u1);
  r[5] = hn::ConcatUpperUpper(d, u5, u1);
  r[2] = hn::ConcatLowerLower(d, u6, u2);
  r[6] = hn::ConcatUpperUpper(d, u6, u2);
  r[3] = hn::ConcatLowerLower(d, u7, u3);
  r[7] = hn::ConcatUpperUpper(d, u7, u3);
}
#endif

template <class D>
HWY_INLINE void Transpose(D d, Block<D>& b) {
  (void)d;
  if constexpr (L == 1) {
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < i; ++j) {
        const auto t = b.v[i][j];
        b.v[i][j] = b.v[j][i];
        b.v[j][i] = t;
      }
  } else {
#if HWY_TARGET != HWY_SCALAR
    if constexpr (L == 8) {
      hn::Vec<D> r[8];
      for (int i = 0; i < 8; ++i) r[i] = b.v[i][0];
      Transpose8(d, r);
      for (int i = 0; i < 8; ++i) b.v[i][0] = r[i];
    } else {
      // Quadrants: (rows 4a.., part c) becomes (rows 4c.., part a), each transposed.
      hn::Vec<D> q[2][2][4];
      for (int a = 0; a < 2; ++a)
        for (int c = 0; c < 2; ++c) {
          for (int i = 0; i < 4; ++i) q[a][c][i] = b.v[4 * a + i][c];
          Transpose4(d, q[a][c][0], q[a][c][1], q[a][c][2], q[a][c][3]);
        }
      for (int a = 0; a < 2; ++a)
        for (int c = 0; c < 2; ++c)
          for (int i = 0; i < 4; ++i) b.v[4 * c + i][a] = q[a][c][i];
    }
#endif
  }
}

// ---- butterflies ---------------------------------------------------------------------------

// out_k = X_k / f_k of the 8-point DCT-II of x0..x7 (in place, natural order).
template <class V, class Ops>
HWY_INLINE void Forward8(V& x0, V& x1, V& x2, V& x3, V& x4, V& x5, V& x6, V& x7, const Ops& op) {
  const V tp07 = hn::Add(x0, x7), tp16 = hn::Add(x1, x6), tp25 = hn::Add(x2, x5), tp34 = hn::Add(x3, x4);
  const V tm07 = hn::Sub(x0, x7), tm16 = hn::Sub(x1, x6), tm25 = hn::Sub(x2, x5), tm34 = hn::Sub(x3, x4);
  const V a0 = hn::Add(tp07, tp34), a1 = hn::Add(tp16, tp25);
  const V a3 = hn::Sub(tp07, tp34), a2 = hn::Sub(tp16, tp25);
  x0 = hn::Add(a0, a1);
  x4 = hn::Sub(a0, a1);
  x2 = hn::Add(a3, op.t2(a2));
  x6 = hn::Sub(op.t2(a3), a2);
  const V tp65 = op.odd(op.c4(hn::Add(tm16, tm25)));
  const V tm65 = op.odd(op.c4(hn::Sub(tm16, tm25)));
  const V tp765 = hn::Add(tm07, tp65), tm765 = hn::Sub(tm07, tp65);
  const V tp465 = hn::Add(tm34, tm65), tm465 = hn::Sub(tm34, tm65);
  x1 = hn::Add(tp765, op.t1(tp465));
  x7 = hn::Sub(op.t1(tp765), tp465);
  x3 = hn::Sub(tm765, op.t3(tm465));
  x5 = hn::Add(op.t3(tm765), tm465);
}

// The transpose of Forward8: x = B^T q for q_k = f_k X_k.
template <class V, class Ops>
HWY_INLINE void Inverse8(V& q0, V& q1, V& q2, V& q3, V& q4, V& q5, V& q6, V& q7, const Ops& op) {
  const V a0 = hn::Add(q0, q4), a1 = hn::Sub(q0, q4);
  const V a3 = hn::Add(q2, op.t2(q6)), a2 = hn::Sub(op.t2(q2), q6);
  const V s0 = hn::Add(a0, a3), s3 = hn::Sub(a0, a3), s1 = hn::Add(a1, a2), s2 = hn::Sub(a1, a2);
  const V tp765 = hn::Add(q1, op.t1(q7)), tp465 = hn::Sub(op.t1(q1), q7);
  const V tm765 = hn::Add(q3, op.t3(q5)), tm465 = hn::Sub(q5, op.t3(q3));
  const V d0 = hn::Add(tp765, tm765), tp65 = hn::Sub(tp765, tm765);
  const V d3 = hn::Add(tp465, tm465), tm65 = hn::Sub(tp465, tm465);
  const V d1 = op.c4(hn::Add(tp65, tm65)), d2 = op.c4(hn::Sub(tp65, tm65));
  q0 = hn::Add(s0, d0);
  q7 = hn::Sub(s0, d0);
  q1 = hn::Add(s1, d1);
  q6 = hn::Sub(s1, d1);
  q2 = hn::Add(s2, d2);
  q5 = hn::Sub(s2, d2);
  q3 = hn::Add(s3, d3);
  q4 = hn::Sub(s3, d3);
}

template <class D, class Ops>
HWY_INLINE void ForwardColumns(Block<D>& b, const Ops& op) {
  for (std::size_t k = 0; k < K; ++k)
    Forward8(b.v[0][k], b.v[1][k], b.v[2][k], b.v[3][k], b.v[4][k], b.v[5][k], b.v[6][k], b.v[7][k], op);
}

template <class D, class Ops>
HWY_INLINE void InverseColumns(Block<D>& b, const Ops& op) {
  for (std::size_t k = 0; k < K; ++k)
    Inverse8(b.v[0][k], b.v[1][k], b.v[2][k], b.v[3][k], b.v[4][k], b.v[5][k], b.v[6][k], b.v[7][k], op);
}

struct FloatOps {
  using V = hn::Vec<DF>;
  V c4(V v) const { return hn::Mul(v, hn::Set(DF(), kCos4)); }
  V t1(V v) const { return hn::Mul(v, hn::Set(DF(), kTan1)); }
  V t2(V v) const { return hn::Mul(v, hn::Set(DF(), kTan2)); }
  V t3(V v) const { return hn::Mul(v, hn::Set(DF(), kTan3)); }
  V odd(V v) const { return v; }
};

// Forward column pass on samples scaled by 8 with |sample| <= 2048: every product fits 32 bits.
struct FwdFixedOps {
  using V = hn::Vec<DI>;
  static V hi16(V v, std::int32_t c) { return hn::ShiftRight<16>(hn::Mul(v, hn::Set(DI(), c))); }
  V c4(V v) const { return hn::ShiftRight<15>(hn::Mul(v, hn::Set(DI(), 23170))); }
  V t1(V v) const { return hi16(v, 13036); }
  V t2(V v) const { return hi16(v, 27146); }
  V t3(V v) const { return hn::Add(v, hi16(v, -21746)); }
  V odd(V v) const { return hn::Or(v, hn::Set(DI(), 1)); }  // the one-bit rounding correction
};

// floor(v c / 2^16) for any 32-bit v: the high and low 16 bits of v are multiplied separately.
HWY_INLINE hn::Vec<DI> MulHigh16(hn::Vec<DI> v, std::int32_t c) {
  const DI d;
  const auto k = hn::Set(d, c);
  return hn::Add(hn::Mul(hn::ShiftRight<16>(v), k), hn::ShiftRight<16>(hn::Mul(hn::And(v, hn::Set(d, 0xFFFF)), k)));
}

struct InvFixedOps {
  using V = hn::Vec<DI>;
  V c4(V v) const { return hn::Add(v, MulHigh16(v, -19195)); }
  V t1(V v) const { return MulHigh16(v, 13036); }
  V t2(V v) const { return MulHigh16(v, 27146); }
  V t3(V v) const { return hn::Add(v, MulHigh16(v, -21746)); }
};

// ---- single precision ----------------------------------------------------------------------

HWY_INLINE void Scale(Block<DF>& b) {
  const DF d;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::Mul(b.v[i][k], hn::LoadU(d, &kScale.s[i][k * L]));
}

HWY_INLINE void ForwardCore(Block<DF>& b) {
  ForwardColumns(b, FloatOps());
  Transpose(DF(), b);
  ForwardColumns(b, FloatOps());
  Transpose(DF(), b);
  Scale(b);
}

HWY_INLINE void InverseCore(Block<DF>& b) {
  Scale(b);
  InverseColumns(b, FloatOps());
  Transpose(DF(), b);
  InverseColumns(b, FloatOps());
  Transpose(DF(), b);
}

template <class T>
HWY_INLINE const T* RowAt(const T* base, std::ptrdiff_t step, int y) {
  return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(base) + step * y);
}
template <class T>
HWY_INLINE T* RowAt(T* base, std::ptrdiff_t step, int y) {
  return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(base) + step * y);
}

void Fwd32f(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep) {
  const DF d;
  Block<DF> b;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::LoadU(d, RowAt(src, srcStep, i) + k * L);
  ForwardCore(b);
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) hn::StoreU(b.v[i][k], d, RowAt(dst, dstStep, i) + k * L);
}

void Inv32f(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep) {
  const DF d;
  Block<DF> b;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::LoadU(d, RowAt(src, srcStep, i) + k * L);
  InverseCore(b);
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) hn::StoreU(b.v[i][k], d, RowAt(dst, dstStep, i) + k * L);
}

// ---- 16-bit --------------------------------------------------------------------------------

HWY_INLINE bool Exceeds(const Block<DI>& b, int limit) {
  const DI d;
  auto m = hn::Zero(d);
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) m = hn::Max(m, hn::Abs(b.v[i][k]));
  return !hn::AllFalse(d, hn::Gt(m, hn::Set(d, limit)));
}

// Nearest integer, ties to even, through an exact truncation (the caller's rounding mode and
// the scalar target's Round play no part). |v| < 2^30.
HWY_INLINE hn::Vec<DI> NearestEven(hn::Vec<DF> v) {
  const DF df;
  const DI di;
  const auto one = hn::Set(di, 1);
  auto t = hn::ConvertTo(di, v);
  const auto r = hn::Sub(v, hn::ConvertTo(df, t));
  const auto half = hn::Set(df, 0.5f);
  const auto odd = hn::RebindMask(df, hn::Eq(hn::And(t, one), one));
  const auto up = hn::Or(hn::Gt(r, half), hn::And(hn::Eq(r, half), odd));
  const auto down = hn::Or(hn::Lt(r, hn::Neg(half)), hn::And(hn::Eq(r, hn::Neg(half)), odd));
  t = hn::IfThenElse(hn::RebindMask(di, up), hn::Add(t, one), t);
  return hn::IfThenElse(hn::RebindMask(di, down), hn::Sub(t, one), t);
}

// Integer block through the single-precision transform, rounded.
template <bool kForward>
HWY_INLINE void ThroughFloat(Block<DI>& b) {
  const DF df;
  Block<DF> f;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) f.v[i][k] = hn::ConvertTo(df, b.v[i][k]);
  if constexpr (kForward) {
    ForwardCore(f);
  } else {
    InverseCore(f);
  }
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = NearestEven(f.v[i][k]);
}

// Forward transform of integer samples; b holds the result rows on return.
HWY_INLINE void Forward16(Block<DI>& b) {
  const DI d;
  if (Exceeds(b, kFwdExactMax)) return ThroughFloat<true>(b);
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::ShiftLeft<3>(b.v[i][k]);
  ForwardColumns(b, FwdFixedOps());
  Transpose(d, b);  // b.v[n]: column n of the column pass, lanes over rows
  // Row pass: acc = sum of coefficient x column, formed exactly as 2^8 A + B from the high and
  // low 8 bits of the (up to 19-bit) sums; result (acc + 2^19) >> 20.
  Block<DI> out;
  const auto low8 = hn::Set(d, 255);
  const auto round = hn::Set(d, 1 << 19);
  for (std::size_t k = 0; k < K; ++k) {
    hn::Vec<DI> hi[2][4], lo[2][4];  // [even, odd u][n]: sums and differences of n and 7 - n
    for (int n = 0; n < 4; ++n) {
      const auto e = hn::Add(b.v[n][k], b.v[7 - n][k]);
      const auto o = hn::Sub(b.v[n][k], b.v[7 - n][k]);
      hi[0][n] = hn::ShiftRight<8>(e);
      lo[0][n] = hn::And(e, low8);
      hi[1][n] = hn::ShiftRight<8>(o);
      lo[1][n] = hn::And(o, low8);
    }
    for (int u = 0; u < 8; ++u) {
      const int p = u & 1;
      auto a = hn::Zero(d), c = hn::Zero(d);
      for (int n = 0; n < 4; ++n) {
        const auto w = hn::LoadU(d, &kRow.c[u][n][k * L]);
        a = hn::Add(a, hn::Mul(hi[p][n], w));
        c = hn::Add(c, hn::Mul(lo[p][n], w));
      }
      out.v[u][k] = hn::ShiftRight<12>(hn::Add(a, hn::ShiftRight<8>(hn::Add(c, round))));
    }
  }
  Transpose(d, out);
  b = out;
}

// Inverse transform of integer coefficients; b holds the result rows (before saturation).
template <int kRowShift, int kFinalShift, int kVariant>
HWY_INLINE void Inverse16(Block<DI>& b) {
  const DI d;
  if (Exceeds(b, kInvExactMax)) return ThroughFloat<false>(b);
  Transpose(d, b);  // b.v[u]: coefficient column u, lanes over rows
  Block<DI> q;
  for (std::size_t k = 0; k < K; ++k) {
    const auto rnd = hn::LoadU(d, &kRounders[kVariant][k * L]);
    for (int n = 0; n < 4; ++n) {
      auto e = hn::Mul(b.v[0][k], hn::LoadU(d, &kRow.c[0][n][k * L]));
      auto o = hn::Mul(b.v[1][k], hn::LoadU(d, &kRow.c[1][n][k * L]));
      for (int u = 2; u < 8; u += 2) {
        e = hn::Add(e, hn::Mul(b.v[u][k], hn::LoadU(d, &kRow.c[u][n][k * L])));
        o = hn::Add(o, hn::Mul(b.v[u + 1][k], hn::LoadU(d, &kRow.c[u + 1][n][k * L])));
      }
      q.v[n][k] = hn::ShiftRight<kRowShift>(hn::Add(hn::Add(e, o), rnd));
      q.v[7 - n][k] = hn::ShiftRight<kRowShift>(hn::Add(hn::Sub(e, o), rnd));
    }
  }
  Transpose(d, q);  // rows again
  InverseColumns(q, InvFixedOps());
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::ShiftRight<kFinalShift>(q.v[i][k]);
}

HWY_INLINE void Store16(const Block<DI>& b, Rux16s* dst, std::ptrdiff_t step) {
  const hn::Rebind<std::int16_t, DI> d16;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) hn::StoreU(hn::DemoteTo(d16, b.v[i][k]), d16, RowAt(dst, step, i) + k * L);
}

void Fwd16s(const Rux16s* src, std::ptrdiff_t srcStep, Rux16s* dst) {
  const DI d;
  const hn::Rebind<std::int16_t, DI> d16;
  Block<DI> b;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::PromoteTo(d, hn::LoadU(d16, RowAt(src, srcStep, i) + k * L));
  Forward16(b);
  Store16(b, dst, 16);
}

void Fwd8u(const Rux8u* src, std::ptrdiff_t srcStep, int addVal, Rux16s* dst) {
  const DI d;
  const hn::Rebind<std::uint8_t, DI> d8;
  Block<DI> b;
  const auto add = hn::Set(d, addVal + 32768);
  const auto low16 = hn::Set(d, 0xFFFF);
  const auto bias = hn::Set(d, 32768);
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) {
      const auto v = hn::PromoteTo(d, hn::LoadU(d8, RowAt(src, srcStep, i) + k * L));
      // sample + addVal wrapped to 16 bits: ((v + addVal + 2^15) mod 2^16) - 2^15
      b.v[i][k] = hn::Sub(hn::And(hn::Add(v, add), low16), bias);
    }
  Forward16(b);
  Store16(b, dst, 16);
}

HWY_INLINE void LoadCoefficients(const Rux16s* src, Block<DI>& b) {
  const DI d;
  const hn::Rebind<std::int16_t, DI> d16;
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) b.v[i][k] = hn::PromoteTo(d, hn::LoadU(d16, src + 8 * i + k * L));
}

HWY_INLINE void InverseBy(int variant, Block<DI>& b) {
  if (variant == kInvA10) {
    Inverse16<12, 5, kInvA10>(b);
  } else {
    Inverse16<11, 6, kInvFull>(b);
  }
}

void Inv16s(const Rux16s* src, int variant, Rux16s* dst, std::ptrdiff_t dstStep) {
  Block<DI> b;
  LoadCoefficients(src, b);
  InverseBy(variant, b);
  Store16(b, dst, dstStep);
}

void Inv8u(const Rux16s* src, Rux8u* dst, std::ptrdiff_t dstStep, int addVal, int lo, int hi) {
  const DI d;
  const hn::Rebind<std::uint8_t, DI> d8;
  Block<DI> b;
  LoadCoefficients(src, b);
  InverseBy(kInvFull, b);
  const auto add = hn::Set(d, addVal), vlo = hn::Set(d, lo), vhi = hn::Set(d, hi);
  for (int i = 0; i < 8; ++i)
    for (std::size_t k = 0; k < K; ++k) {
      const auto v = hn::Min(hn::Max(hn::Add(b.v[i][k], add), vlo), vhi);
      hn::StoreU(hn::DemoteTo(d8, v), d8, RowAt(dst, dstStep, i) + k * L);
    }
}

const Kernels* GetDct8x8Kernels() {
  static const Kernels kernels = {&Fwd32f, &Inv32f, &Fwd16s, &Fwd8u, &Inv16s, &Inv8u};
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace dct8x8
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::dct8x8 {
HWY_EXPORT(GetDct8x8Kernels);
const Kernels& kernels() { return *HWY_DYNAMIC_DISPATCH(GetDct8x8Kernels)(); }
void forward32f(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep) {
  kernels().fwd32f(src, srcStep, dst, dstStep);
}
void inverse32f(const float* src, std::ptrdiff_t srcStep, float* dst, std::ptrdiff_t dstStep) {
  kernels().inv32f(src, srcStep, dst, dstStep);
}
}  // namespace rux::dct8x8
#endif
