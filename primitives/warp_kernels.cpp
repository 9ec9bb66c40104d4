// Per-target row kernels of the warps (see warp_kernels.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/warp_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "hwy/highway.h"
#include "primitives/warp_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace rux::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// One lane per pixel: coordinates in double, indices in int32, weights and sums in float.
using DD = hn::ScalableTag<double>;
using DI = hn::Rebind<std::int32_t, DD>;
using DF = hn::Rebind<float, DD>;
using D8 = hn::Rebind<std::uint8_t, DD>;
using VD = hn::Vec<DD>;
using VI = hn::Vec<DI>;
using VF = hn::Vec<DF>;

// Tap origin and fraction of one axis: i = trunc(c + 1.0000000116860974e-7), t = (float)(c - i);
// from the last sample on, i = size - 2 and t = 1.
HWY_INLINE void Axis(VD c, int size, VI* i, VF* t) {
  const DD dd;
  const DI di;
  const DF df;
  *i = hn::DemoteTo(di, hn::Add(c, hn::Set(dd, 1.0000000116860974e-7)));
  *t = hn::DemoteTo(df, hn::Sub(c, hn::PromoteTo(dd, *i)));
  const auto last = *i > hn::Set(di, size - 2);
  *i = hn::IfThenElse(last, hn::Set(di, size - 2), *i);
  *t = hn::IfThenElse(hn::RebindMask(df, last), hn::Set(df, 1.0f), *t);
}

HWY_INLINE VF Lerp(VF a, VF b, VF t) { return hn::Add(a, hn::Mul(hn::Sub(b, a), t)); }

HWY_INLINE VF ByteF(VI g, int k) {
  const DI di;
  return hn::ConvertTo(DF(), hn::And(hn::ShiftRightSame(g, 8 * k), hn::Set(di, 0xFF)));
}

// Runs block(u, v, out, m) over blocks of up to kBlock points (whole vectors), then the last,
// partial vector as one block that repeats the last point and starts from the destination's
// pixels, of which it keeps the first.
template <class T, int C, std::size_t kBlock, class Block>
HWY_INLINE void ForBlocks(const double* u, const double* v, T* dst, std::size_t n, const Block& block) {
  const std::size_t N = hn::Lanes(DD());
  std::size_t x = 0;
  while (n - x >= N) {
    const std::size_t m = std::min(kBlock, (n - x) / N * N);
    block(u + x, v + x, dst + x * C, m);
    x += m;
  }
  if (x == n) return;
  double tu[16], tv[16];
  T tmp[16 * C];
  for (std::size_t i = 0; i < N; ++i) tu[i] = u[x + i < n ? x + i : n - 1], tv[i] = v[x + i < n ? x + i : n - 1];
  std::memcpy(tmp, dst + x * C, (n - x) * C * sizeof(T));
  block(tu, tv, tmp, N);
  std::memcpy(dst + x * C, tmp, (n - x) * C * sizeof(T));
}

// Stores K channels of N pixels (C per pixel) from channel vectors; channel 3 of AC4 is read and
// stored back unchanged.
template <class T, int C, int K, class V, class D>
HWY_INLINE void StorePixels(D d, V* c, T* out) {
  if constexpr (C == 1) {
    hn::StoreU(c[0], d, out);
  } else if constexpr (C == 3) {
    hn::StoreInterleaved3(c[0], c[1], c[2], d, out);
  } else {
    if constexpr (K == 3) {
      V keep[3];
      hn::LoadInterleaved4(d, out, keep[0], keep[1], keep[2], c[3]);
    }
    hn::StoreInterleaved4(c[0], c[1], c[2], c[3], d, out);
  }
}

// 8u: top = p00 + (p01 - p00) fx, bottom likewise, trunc(0.5 + top + (bottom - top) fy) clamped.
HWY_INLINE hn::Vec<D8> Sample8u(VF p00, VF p01, VF p10, VF p11, VF fx, VF fy) {
  const DF df;
  const VF top = Lerp(p00, p01, fx), bottom = Lerp(p10, p11, fx);
  VF r = hn::Trunc(hn::Add(hn::Add(hn::Set(df, 0.5f), top), hn::Mul(hn::Sub(bottom, top), fy)));
  r = hn::Min(hn::Max(r, hn::Zero(df)), hn::Set(df, 255.0f));
  return hn::DemoteTo(D8(), hn::ConvertTo(DI(), r));
}

// First pass of the linear blocks: per point the byte offset of its top-left tap pixel (pixels
// of pixelBytes bytes) and both fractions.
HWY_INLINE void LinearOrigins(const LinearJob& job, const double* pu, const double* pv, std::size_t m, int pixelBytes,
                              std::int32_t* off, float* fxs, float* fys) {
  const DI di;
  const DF df;
  const VI step = hn::Set(di, job.step), pixel = hn::Set(di, pixelBytes);
  for (std::size_t j = 0; j < m; j += hn::Lanes(di)) {
    VI ix, iy;
    VF fx, fy;
    Axis(hn::LoadU(DD(), pu + j), job.W, &ix, &fx);
    Axis(hn::LoadU(DD(), pv + j), job.H, &iy, &fy);
    hn::Store(hn::Add(hn::Mul(iy, step), hn::Mul(ix, pixel)), di, off + j);
    hn::Store(fx, df, fxs + j);
    hn::Store(fy, df, fys + j);
  }
}

// One channel without gathers (slow on some processors): a block's tap offsets and fractions
// are formed in vectors, the two tap pairs of each pixel are read as two 16-bit words into a
// small array, and the samples are formed in vectors again.
void Linear8uC1(const LinearJob& job, const double* u, const double* v, std::uint8_t* dst, std::size_t n) {
  const DI di;
  const DF df;
  const std::size_t N = hn::Lanes(DD());
  constexpr std::size_t kBlock = 64;
  alignas(64) std::int32_t off[kBlock];
  alignas(64) float fxs[kBlock], fys[kBlock];
  alignas(64) std::uint32_t taps[kBlock];
  const auto block = [&](const double* pu, const double* pv, std::uint8_t* out, std::size_t m) {
    LinearOrigins(job, pu, pv, m, 1, off, fxs, fys);
    for (std::size_t i = 0; i < m; ++i) {
      const std::uint8_t* p = job.src + off[i];
      std::uint16_t a, b;
      std::memcpy(&a, p, 2);
      std::memcpy(&b, p + job.step, 2);
      taps[i] = static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 16;
    }
    for (std::size_t j = 0; j < m; j += N) {
      const VI g = hn::Load(di, reinterpret_cast<const std::int32_t*>(taps) + j);
      hn::StoreU(Sample8u(ByteF(g, 0), ByteF(g, 1), ByteF(g, 2), ByteF(g, 3), hn::Load(df, fxs + j), hn::Load(df, fys + j)),
                 D8(), out + j);
    }
  };
  ForBlocks<std::uint8_t, 1, kBlock>(u, v, dst, n, block);
}

// Three and four channels in blocks like one channel: each tap row of a pixel (two pixels, 2 C
// bytes) read as two 32-bit words, the first at the row's first byte and the second ending at
// its last (they overlap for three channels), the samples formed in vectors from their bytes.
template <int C, int K>
void Linear8u(const LinearJob& job, const double* u, const double* v, std::uint8_t* dst, std::size_t n) {
  const DI di;
  const DF df;
  const D8 d8;
  const std::size_t N = hn::Lanes(DD());
  constexpr std::size_t kBlock = 64;
  constexpr int kHigh = 2 * C - 4;  // first byte of the second word
  alignas(64) std::int32_t off[kBlock], words[2][2][kBlock];
  alignas(64) float fxs[kBlock], fys[kBlock];
  const auto block = [&](const double* pu, const double* pv, std::uint8_t* out, std::size_t m) {
    LinearOrigins(job, pu, pv, m, C, off, fxs, fys);
    for (std::size_t i = 0; i < m; ++i) {
      const std::uint8_t* p = job.src + off[i];
      for (int r = 0; r < 2; ++r) {
        const std::uint8_t* q = p + static_cast<std::ptrdiff_t>(r) * job.step;
        std::memcpy(&words[r][0][i], q, 4);
        std::memcpy(&words[r][1][i], q + kHigh, 4);
      }
    }
    for (std::size_t j = 0; j < m; j += N) {
      // Channel k of the first pixel is byte k, of the second byte C + k.
      const auto byte = [&](int r, int b) {
        return b < 4 ? ByteF(hn::Load(di, words[r][0] + j), b) : ByteF(hn::Load(di, words[r][1] + j), b - kHigh);
      };
      const VF fx = hn::Load(df, fxs + j), fy = hn::Load(df, fys + j);
      hn::Vec<D8> c[4];
      for (int k = 0; k < K; ++k) c[k] = Sample8u(byte(0, k), byte(0, C + k), byte(1, k), byte(1, C + k), fx, fy);
      StorePixels<std::uint8_t, C, K>(d8, c, out + j * C);
    }
  };
  ForBlocks<std::uint8_t, C, kBlock>(u, v, dst, n, block);
}

// 32f: top = p00 + (p01 - p00) fx, bottom likewise, top + (bottom - top) fy; in blocks like 8u:
// both tap pixels of each tap row (2 C samples) read in plain code into small arrays.
template <int C, int K>
void Linear32f(const LinearJob& job, const double* u, const double* v, float* dst, std::size_t n) {
  const DI di;
  const DF df;
  const std::size_t N = hn::Lanes(DD());
  constexpr std::size_t kBlock = 64;
  alignas(64) std::int32_t off[kBlock];
  alignas(64) float fxs[kBlock], fys[kBlock], taps[2][2 * C][kBlock];
  const auto block = [&](const double* pu, const double* pv, float* out, std::size_t m) {
    LinearOrigins(job, pu, pv, m, 4 * C, off, fxs, fys);
    for (std::size_t i = 0; i < m; ++i) {
      const std::uint8_t* p = job.src + off[i];
      for (int r = 0; r < 2; ++r) {
        float row[2 * C];
        std::memcpy(row, p + static_cast<std::ptrdiff_t>(r) * job.step, sizeof(row));
        for (int t = 0; t < 2 * C; ++t) taps[r][t][i] = row[t];
      }
    }
    for (std::size_t j = 0; j < m; j += N) {
      const VF fx = hn::Load(df, fxs + j), fy = hn::Load(df, fys + j);
      const auto at = [&](int r, int t) { return hn::Load(df, taps[r][t] + j); };
      VF c[4];
      for (int k = 0; k < K; ++k) {
        const VF top = Lerp(at(0, k), at(0, C + k), fx), bottom = Lerp(at(1, k), at(1, C + k), fx);
        c[k] = hn::Add(top, hn::Mul(hn::Sub(bottom, top), fy));
      }
      StorePixels<float, C, K>(df, c, out + j * C);
    }
  };
  ForBlocks<float, C, kBlock>(u, v, dst, n, block);
}

// u = (c00 x + c01 y + c02) / d, v = (c10 x + c11 y + c12) / d, d = c20 x + c21 y + c22.
void Perspective(const double c[3][3], int y, int x0, std::size_t n, double* u, double* v) {
  const DD dd;
  const std::size_t N = hn::Lanes(dd);
  const VD yd = hn::Set(dd, static_cast<double>(y));
  const auto form = [&](const double* r, VD x) {
    return hn::Add(hn::Add(hn::Mul(hn::Set(dd, r[0]), x), hn::Mul(hn::Set(dd, r[1]), yd)), hn::Set(dd, r[2]));
  };
  for (std::size_t i = 0; i < n; i += N) {
    const VD x = hn::Add(hn::Iota(dd, 0.0), hn::Set(dd, static_cast<double>(x0) + static_cast<double>(i)));
    const VD d = form(c[2], x);
    hn::StoreU(hn::Div(form(c[0], x), d), dd, u + i);
    hn::StoreU(hn::Div(form(c[1], x), d), dd, v + i);
  }
}

// Window origin and table entry of one cubic axis (see cubic8u).
HWY_INLINE void CubicAxis(VD c, int size, VI* origin, VI* entry) {
  const DD dd;
  const DI di;
  *origin = hn::Max(hn::Sub(hn::Min(hn::DemoteTo(di, c), hn::Set(di, size - 3)), hn::Set(di, 1)), hn::Zero(di));
  const VD e = hn::Round(hn::Mul(hn::Sub(c, hn::PromoteTo(dd, *origin)), hn::Set(dd, 512.0)));
  *entry = hn::DemoteTo(di, hn::Min(hn::Max(e, hn::Zero(dd)), hn::Set(dd, 1536.0)));
}

// 8u cubic without gathers, in blocks like the one-channel linear kernel: origins and table
// entries in vectors; per pixel the four tap rows (C 32-bit words each: four pixels) and the
// weight pairs of both axes read into small arrays; the sums in vectors again.
template <int C, int K>
void Cubic8u(const LinearJob& job, const double* u, const double* v, std::uint8_t* dst, std::size_t n) {
  const DI di;
  const D8 d8;
  const std::size_t N = hn::Lanes(DD());
  constexpr std::size_t kBlock = 64;
  alignas(64) std::int32_t off[kBlock], ex[kBlock], ey[kBlock];
  alignas(64) std::int32_t rows[4][C][kBlock], wx[2][kBlock], wy[2][kBlock];
  const auto* pairs = reinterpret_cast<const std::uint8_t*>(job.cubicQ14);
  const VI step = hn::Set(di, job.step);
  const auto block = [&](const double* pu, const double* pv, std::uint8_t* out, std::size_t m) {
    for (std::size_t j = 0; j < m; j += N) {
      VI ox, oy, qx, qy;
      CubicAxis(hn::LoadU(DD(), pu + j), job.W, &ox, &qx);
      CubicAxis(hn::LoadU(DD(), pv + j), job.H, &oy, &qy);
      hn::Store(hn::Add(hn::Mul(oy, step), hn::Mul(ox, hn::Set(di, C))), di, off + j);
      hn::Store(qx, di, ex + j);
      hn::Store(qy, di, ey + j);
    }
    for (std::size_t i = 0; i < m; ++i) {
      const std::uint8_t* p = job.src + off[i];
      for (int r = 0; r < 4; ++r) {
        std::int32_t words[C];
        std::memcpy(words, p + static_cast<std::ptrdiff_t>(r) * job.step, 4 * C);
        for (int w = 0; w < C; ++w) rows[r][w][i] = words[w];
      }
      std::memcpy(&wx[0][i], pairs + 4 * ex[i], 4);
      std::memcpy(&wx[1][i], pairs + 4 * (1536 - ex[i]), 4);
      std::memcpy(&wy[0][i], pairs + 4 * ey[i], 4);
      std::memcpy(&wy[1][i], pairs + 4 * (1536 - ey[i]), 4);
    }
    const auto low = [](VI w) { return hn::ShiftRight<16>(hn::ShiftLeft<16>(w)); };
    const auto high = [](VI w) { return hn::ShiftRight<16>(w); };
    for (std::size_t j = 0; j < m; j += N) {
      // Nodes 0 and 1 from the entry's pair, nodes 3 and 2 from the mirrored entry's.
      const VI ax = hn::Load(di, wx[0] + j), bx = hn::Load(di, wx[1] + j);
      const VI ay = hn::Load(di, wy[0] + j), by = hn::Load(di, wy[1] + j);
      const VI w[4] = {low(ax), high(ax), high(bx), low(bx)}, h[4] = {low(ay), high(ay), high(by), low(by)};
      hn::Vec<D8> c[4];
      for (int k = 0; k < K; ++k) {
        // Tap t of channel k: byte t C + k of the row's words.
        const auto tap = [&](int r, int t) {
          const int b = t * C + k;
          const VI g = hn::Load(di, rows[r][b / 4] + j);
          return hn::And(hn::ShiftRightSame(g, 8 * (b % 4)), hn::Set(di, 0xFF));
        };
        VI s = hn::Zero(di);
        for (int r = 0; r < 4; ++r) {
          VI row = hn::Mul(w[0], tap(r, 0));
          for (int t = 1; t < 4; ++t) row = hn::Add(row, hn::Mul(w[t], tap(r, t)));
          s = hn::Add(s, hn::Mul(h[r], hn::ShiftRight<8>(row)));
        }
        const VI q = hn::ShiftRight<20>(hn::Add(s, hn::Set(di, 0x80000)));
        c[k] = hn::DemoteTo(d8, hn::Min(hn::Max(q, hn::Zero(di)), hn::Set(di, 255)));
      }
      StorePixels<std::uint8_t, C, K>(d8, c, out + j * C);
    }
  };
  ForBlocks<std::uint8_t, C, kBlock>(u, v, dst, n, block);
}

// x / 6 rounded to nearest. With fused products there is no division: q = x (1/6) is within two
// ulps, the residual x - 6 q is exact, and x / 6 lies at least a sixth of an ulp from every
// rounding boundary (six times a midpoint is never a double), so the corrected q + r (1/6),
// whose error is far below that, rounds like the quotient. The sign keeps -0 / 6 = -0.
HWY_INLINE VD DivideBy6(VD x) {
  const DD dd;
#if HWY_NATIVE_FMA
  const VD six = hn::Set(dd, 6.0), inverse = hn::Set(dd, 1.0 / 6.0);
  const VD q = hn::Mul(x, inverse);
  return hn::CopySign(hn::MulAdd(hn::NegMulAdd(q, six, x), inverse, q), x);
#else
  return hn::Div(x, hn::Set(dd, 6.0));
#endif
}

// Lagrange weights of the 32f cubic (the plain lagrange4) at positions p in [0, 3], lane by
// lane: on the centred window p in [1, 2] the resize's cubic kernel at |p - k| (node 0 and its
// Lagrange form are the same expression; nodes 1 and 2 take the inner piece, node 3 the outer),
// elsewhere the Lagrange polynomials; the same operations in the same order, so the same bits.
HWY_INLINE void Lagrange4(VD p, VD w[4]) {
  const DD dd;
  const VD one = hn::Set(dd, 1.0), two = hn::Set(dd, 2.0), three = hn::Set(dd, 3.0);
  const VD half = hn::Set(dd, 0.5);
  const auto centred = hn::And(p >= one, p <= two);
  const auto inner = [&](VD x) { return hn::Mul(hn::Mul(half, hn::Sub(hn::Mul(x, x), one)), hn::Sub(x, two)); };
  const auto outerNumerator = [&](VD x) { return hn::Mul(hn::Mul(hn::Neg(hn::Sub(x, one)), hn::Sub(x, two)), hn::Sub(x, three)); };
  const VD pm1 = hn::Sub(p, one), pm2 = hn::Sub(p, two), pm3 = hn::Sub(p, three);
  w[0] = DivideBy6(outerNumerator(p));
  // Division by 2 is the exact product with 1/2.
  w[1] = hn::IfThenElse(centred, inner(hn::Abs(pm1)), hn::Mul(hn::Mul(hn::Mul(p, pm2), pm3), half));
  w[2] = hn::IfThenElse(centred, inner(hn::Abs(pm2)), hn::Mul(hn::Mul(hn::Mul(hn::Neg(p), pm1), pm3), half));
  w[3] = DivideBy6(hn::IfThenElse(centred, outerNumerator(hn::Abs(pm3)), hn::Mul(hn::Mul(p, pm1), pm2)));
}

// The tap rows of Lanes(df) pixels (four floats each, at src + off[i]) as four vectors of one tap
// each. With four or eight lanes each row is one 128-bit load (pixels i and i + 4 share a 256-bit
// vector) followed by a 4 x 4 transpose within the 128-bit blocks; otherwise plain reads.
template <class D>
HWY_INLINE void TapRows(D df, const std::uint8_t* src, const std::int32_t* off, hn::Vec<D> t[4]) {
  constexpr std::size_t L = hn::MaxLanes(D());
  if constexpr (L == 4 || L == 8) {
    const hn::Full128<float> d4;
    const hn::Repartition<double, D> dw;
    const auto row = [&](int i) { return hn::LoadU(d4, reinterpret_cast<const float*>(src + off[i])); };
    hn::Vec<D> a[4];
    for (int k = 0; k < 4; ++k) {
      if constexpr (L == 8) {
        a[k] = hn::Combine(df, row(k + 4), row(k));
      } else {
        a[k] = row(k);
      }
    }
    const auto lo01 = hn::BitCast(dw, hn::InterleaveLower(df, a[0], a[1]));
    const auto hi01 = hn::BitCast(dw, hn::InterleaveUpper(df, a[0], a[1]));
    const auto lo23 = hn::BitCast(dw, hn::InterleaveLower(df, a[2], a[3]));
    const auto hi23 = hn::BitCast(dw, hn::InterleaveUpper(df, a[2], a[3]));
    t[0] = hn::BitCast(df, hn::InterleaveLower(dw, lo01, lo23));
    t[1] = hn::BitCast(df, hn::InterleaveUpper(dw, lo01, lo23));
    t[2] = hn::BitCast(df, hn::InterleaveLower(dw, hi01, hi23));
    t[3] = hn::BitCast(df, hn::InterleaveUpper(dw, hi01, hi23));
  } else {
    alignas(16) float lanes[4][L];
    for (std::size_t i = 0; i < L; ++i) {
      float row[4];
      std::memcpy(row, src + off[i], sizeof(row));
      for (int k = 0; k < 4; ++k) lanes[k][i] = row[k];
    }
    for (int k = 0; k < 4; ++k) t[k] = hn::Load(df, lanes[k]);
  }
}

// 32f cubic of one channel in blocks: origins and weights in vectors, then per vector of pixels
// their four tap rows as tap vectors (TapRows) and the sums in single precision.
void Cubic32fC1(const LinearJob& job, const double* u, const double* v, float* dst, std::size_t n) {
  const DD dd;
  const DI di;
  const DF df;
  const std::size_t N = hn::Lanes(dd);
  constexpr std::size_t kBlock = 64;
  alignas(64) std::int32_t off[kBlock];
  alignas(64) float wx[4][kBlock], wy[4][kBlock];
  const VI step = hn::Set(di, job.step);
  const VD zero = hn::Zero(dd), three = hn::Set(dd, 3.0);
  const auto block = [&](const double* pu, const double* pv, float* out, std::size_t m) {
    for (std::size_t j = 0; j < m; j += N) {
      const VD cu = hn::LoadU(dd, pu + j), cv = hn::LoadU(dd, pv + j);
      VI ox, oy, unused;
      CubicAxis(cu, job.W, &ox, &unused);
      CubicAxis(cv, job.H, &oy, &unused);
      hn::Store(hn::Add(hn::Mul(oy, step), hn::Mul(ox, hn::Set(di, 4))), di, off + j);
      VD w[4], h[4];
      Lagrange4(hn::Min(hn::Max(hn::Sub(cu, hn::PromoteTo(dd, ox)), zero), three), w);
      Lagrange4(hn::Min(hn::Max(hn::Sub(cv, hn::PromoteTo(dd, oy)), zero), three), h);
      for (int k = 0; k < 4; ++k) {
        hn::Store(hn::DemoteTo(df, w[k]), df, wx[k] + j);
        hn::Store(hn::DemoteTo(df, h[k]), df, wy[k] + j);
      }
    }
    for (std::size_t j = 0; j < m; j += N) {
      VF s = hn::Zero(df);
      for (int r = 0; r < 4; ++r) {
        VF t[4];
        TapRows(df, job.src + static_cast<std::ptrdiff_t>(r) * job.step, off + j, t);
        VF h = hn::Zero(df);
        for (int k = 0; k < 4; ++k) h = hn::Add(h, hn::Mul(hn::Load(df, wx[k] + j), t[k]));
        s = hn::Add(s, hn::Mul(hn::Load(df, wy[r] + j), h));
      }
      hn::StoreU(s, df, out + j);
    }
  };
  ForBlocks<float, 1, kBlock>(u, v, dst, n, block);
}

const Kernels* GetKernels() {
  static const Kernels table = {
      {&Linear8uC1, &Linear8u<3, 3>, &Linear8u<4, 4>, &Linear8u<4, 3>},
      {&Linear32f<1, 1>, &Linear32f<3, 3>, &Linear32f<4, 4>, &Linear32f<4, 3>},
      &Perspective,
      {&Cubic8u<1, 1>, &Cubic8u<3, 3>, &Cubic8u<4, 4>, &Cubic8u<4, 3>},
      {&Cubic32fC1, nullptr, nullptr, nullptr},
  };
  return &table;
}
#else
// One lane gains nothing over the plain code: the warp runs it.
const Kernels* GetKernels() {
  static const Kernels table = {};
  return &table;
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace rux::warp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::warp {
HWY_EXPORT(GetKernels);
const Kernels& kernels() { return *HWY_DYNAMIC_DISPATCH(GetKernels)(); }
}  // namespace rux::warp
#endif  // HWY_ONCE
