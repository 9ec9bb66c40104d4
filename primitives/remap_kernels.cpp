// Per-target row kernels of Remap (see remap_kernels.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/remap_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "hwy/highway.h"
#include "primitives/pointwise-inl.h"
#include "primitives/remap_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace rux::remap {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using ::rux::HWY_NAMESPACE::LoadAt;
using ::rux::HWY_NAMESPACE::StoreAt;

#if HWY_TARGET != HWY_SCALAR
using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using D8 = hn::Rebind<std::uint8_t, DI>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;

// Runs body(x, u, v, inside, all) over whole vectors of pixels. Points outside the box (NaN and
// infinities included: they compare outside) are replaced by (0, 0) so that every lane's taps
// are valid; inside says which lanes are written. Vectors without an inside lane are skipped.
// Returns the first pixel left to the caller (body returned false, or a smooth-edge point).
template <class Body>
HWY_INLINE std::size_t ForChunks(const RowJob& job, const float* mx, const float* my, std::size_t n,
                                 const Body& body) {
  const DF df;
  const std::size_t N = hn::Lanes(df);
  const VF x0 = hn::Set(df, job.x0), x1 = hn::Set(df, job.x1), y0 = hn::Set(df, job.y0), y1 = hn::Set(df, job.y1);
  const VF one = hn::Set(df, 1.0f);
  std::size_t x = 0;
  for (; x + N <= n; x += N) {
    VF u = LoadAt(df, mx + x), v = LoadAt(df, my + x);
    const MF inside = hn::And(hn::And(u >= x0, u <= x1), hn::And(v >= y0, v <= y1));
    if (job.smooth) {
      const MF near = hn::And(hn::And(u > hn::Sub(x0, one), u < hn::Add(x1, one)),
                              hn::And(v > hn::Sub(y0, one), v < hn::Add(y1, one)));
      if (!hn::AllFalse(df, hn::And(near, hn::Not(inside)))) return x;
    }
    if (hn::AllFalse(df, inside)) continue;
    u = hn::IfThenElseZero(inside, u);
    v = hn::IfThenElseZero(inside, v);
    if (!body(x, u, v, hn::RebindMask(DI(), inside), hn::AllTrue(df, inside))) return x;
  }
  return x;
}

template <class D>
HWY_INLINE hn::Vec<D> ByteOf(D d, hn::Vec<D> g, int k) {
  switch (k) {
    case 0: return hn::And(g, hn::Set(d, 0xFF));
    case 1: return hn::And(hn::ShiftRight<8>(g), hn::Set(d, 0xFF));
    case 2: return hn::And(hn::ShiftRight<16>(g), hn::Set(d, 0xFF));
    default: return hn::And(hn::ShiftRight<24>(g), hn::Set(d, 0xFF));
  }
}

// Nearest source index of a point inside the box: trunc(u + 0.5), formed without rounding the sum.
HWY_INLINE VI NearestIndex(VF u) {
  const DF df;
  const DI di;
  const VI i = hn::ConvertTo(di, u);
  const MF up = hn::Sub(u, hn::ConvertTo(df, i)) >= hn::Set(df, 0.5f);
  return hn::Add(i, hn::IfThenElseZero(hn::RebindMask(di, up), hn::Set(di, 1)));
}

// Stores C channels (K computed, 8-bit values in 32-bit lanes) of the inside lanes; the other
// lanes, and channel 3 of AC4, are stored back as they were.
template <int C, bool kAlpha>
HWY_INLINE void Store8u(const hn::Mask<DI> inside, bool all, const VI* c, std::uint8_t* dst) {
  const DI di;
  const D8 d8;
  if constexpr (C == 1) {
    const VI r = all ? c[0] : hn::IfThenElse(inside, c[0], hn::PromoteTo(di, hn::LoadU(d8, dst)));
    hn::StoreU(hn::DemoteTo(d8, r), d8, dst);
  } else if constexpr (C == 3) {
    hn::Vec<D8> o0, o1, o2;
    hn::LoadInterleaved3(d8, dst, o0, o1, o2);
    const auto pick = [&](VI v, hn::Vec<D8> o) { return hn::DemoteTo(d8, hn::IfThenElse(inside, v, hn::PromoteTo(di, o))); };
    hn::StoreInterleaved3(pick(c[0], o0), pick(c[1], o1), pick(c[2], o2), d8, dst);
  } else {
    auto* words = reinterpret_cast<std::int32_t*>(dst);
    VI w = hn::Or(hn::Or(c[0], hn::ShiftLeft<8>(c[1])), hn::ShiftLeft<16>(c[2]));
    if (kAlpha || !all) {
      const VI old = hn::LoadU(di, words);
      if constexpr (kAlpha) w = hn::Or(w, hn::And(old, hn::Set(di, static_cast<std::int32_t>(0xFF000000u))));
      else w = hn::Or(w, hn::ShiftLeft<24>(c[3]));
      if (!all) w = hn::IfThenElse(inside, w, old);
    } else {
      w = hn::Or(w, hn::ShiftLeft<24>(c[3]));
    }
    hn::StoreU(w, di, words);
  }
}

template <int C, bool kAlpha>
HWY_INLINE void Store32f(const hn::Mask<DI> inside, bool all, const VF* c, float* dst) {
  const DF df;
  const MF m = hn::RebindMask(df, inside);
  if constexpr (C == 1) {
    hn::StoreU(all ? c[0] : hn::IfThenElse(m, c[0], hn::LoadU(df, dst)), df, dst);
  } else if constexpr (C == 3) {
    VF o0, o1, o2;
    hn::LoadInterleaved3(df, dst, o0, o1, o2);
    hn::StoreInterleaved3(hn::IfThenElse(m, c[0], o0), hn::IfThenElse(m, c[1], o1), hn::IfThenElse(m, c[2], o2), df, dst);
  } else {
    VF o0, o1, o2, o3;
    hn::LoadInterleaved4(df, dst, o0, o1, o2, o3);
    hn::StoreInterleaved4(hn::IfThenElse(m, c[0], o0), hn::IfThenElse(m, c[1], o1), hn::IfThenElse(m, c[2], o2),
                          kAlpha ? o3 : hn::IfThenElse(m, c[3], o3), df, dst);
  }
}

// Nearest, 8u: a 32-bit word at each pixel. C1 words reach three bytes past the pixel and C3
// words one byte, so vectors with such pixels at the end of a row go to the caller.
template <int C, bool kAlpha>
std::size_t Nearest8u(const RowJob& job, const float* mx, const float* my, std::uint8_t* dst, std::size_t n) {
  const DI di;
  const auto* base = reinterpret_cast<const std::int32_t*>(job.src);
  const VI step = hn::Set(di, job.step);
  const int lastWord = C == 1 ? job.W - 4 : C == 3 ? job.W - 2 : job.W - 1;
  return ForChunks(job, mx, my, n, [&](std::size_t x, VF u, VF v, hn::Mask<DI> inside, bool all) {
    const VI ix = NearestIndex(u), iy = NearestIndex(v);
    if (!hn::AllFalse(di, ix > hn::Set(di, lastWord))) return false;
    const VI g = hn::GatherOffset(di, base, hn::Add(hn::Mul(iy, step), hn::Mul(ix, hn::Set(di, C))));
    VI c[4];
    for (int k = 0; k < C; ++k) c[k] = ByteOf(DI(), g, k);
    Store8u<C, kAlpha>(inside, all, c, dst + x * C);
    return true;
  });
}

template <int C, bool kAlpha>
std::size_t Nearest32f(const RowJob& job, const float* mx, const float* my, float* dst, std::size_t n) {
  const DF df;
  const DI di;
  const float* base = reinterpret_cast<const float*>(job.src);
  const VI step = hn::Set(di, job.step);
  constexpr int K = kAlpha ? 3 : C;
  return ForChunks(job, mx, my, n, [&](std::size_t x, VF u, VF v, hn::Mask<DI> inside, bool all) {
    const VI off = hn::Add(hn::Mul(NearestIndex(v), step), hn::Mul(NearestIndex(u), hn::Set(di, 4 * C)));
    VF c[4];
    for (int k = 0; k < K; ++k) c[k] = hn::GatherOffset(df, base, hn::Add(off, hn::Set(di, 4 * k)));
    Store32f<C, kAlpha>(inside, all, c, dst + x * C);
    return true;
  });
}

// Tap origin and Q14 fraction of an 8u linear axis: i = trunc(u), f = round-to-even((u - i) 16384);
// an origin on the last sample becomes the one before with f = 16384 (the same sum, and the
// second tap stays inside the image).
HWY_INLINE void AxisQ14(VF u, int size, VI* i, VI* f) {
  const DF df;
  const DI di;
  *i = hn::ConvertTo(di, u);
  *f = hn::ConvertTo(di, hn::Round(hn::Mul(hn::Sub(u, hn::ConvertTo(df, *i)), hn::Set(df, 16384.0f))));
  const auto last = *i > hn::Set(di, size - 2);
  *i = hn::IfThenElse(last, hn::Set(di, size - 2), *i);
  *f = hn::IfThenElse(last, hn::Set(di, 16384), *f);
}

// 8u linear: rows (w0 p0 + w1 p1) >> 8, then (r0 (16384 - fy) + r1 fy + 33) >> 20. Gathers per row:
// C1 one word at the first tap (both taps in its low bytes; the word must end inside the row),
// C3 words at the first tap and two bytes on (the six bytes of both pixels), C4 one per pixel.
template <int C, bool kAlpha>
std::size_t Linear8u(const RowJob& job, const float* mx, const float* my, std::uint8_t* dst, std::size_t n) {
  const DI di;
  const auto* base = reinterpret_cast<const std::int32_t*>(job.src);
  const VI step = hn::Set(di, job.step), full = hn::Set(di, 16384), addend = hn::Set(di, 33);
  constexpr int K = kAlpha ? 3 : C;
  return ForChunks(job, mx, my, n, [&](std::size_t x, VF u, VF v, hn::Mask<DI> inside, bool all) {
    VI ix, fx, iy, fy;
    AxisQ14(u, job.W, &ix, &fx);
    AxisQ14(v, job.H, &iy, &fy);
    if (C == 1 && !hn::AllFalse(di, ix > hn::Set(di, job.W - 4))) return false;
    const VI wx = hn::Sub(full, fx), wy = hn::Sub(full, fy);
    const VI off = hn::Add(hn::Mul(iy, step), hn::Mul(ix, hn::Set(di, C)));
    const auto h = [&](VI p0, VI p1) { return hn::ShiftRight<8>(hn::Add(hn::Mul(wx, p0), hn::Mul(fx, p1))); };
    VI r[2][4];
    for (int j = 0; j < 2; ++j) {
      const VI o = j == 0 ? off : hn::Add(off, step);
      if constexpr (C == 1) {
        const VI g = hn::GatherOffset(di, base, o);
        r[j][0] = h(ByteOf(DI(), g, 0), ByteOf(DI(), g, 1));
      } else if constexpr (C == 3) {
        const VI a = hn::GatherOffset(di, base, o);
        const VI b = hn::GatherOffset(di, base, hn::Add(o, hn::Set(di, 2)));
        r[j][0] = h(ByteOf(DI(), a, 0), ByteOf(DI(), a, 3));
        r[j][1] = h(ByteOf(DI(), a, 1), ByteOf(DI(), b, 2));
        r[j][2] = h(ByteOf(DI(), a, 2), ByteOf(DI(), b, 3));
      } else {
        const VI a = hn::GatherOffset(di, base, o);
        const VI b = hn::GatherOffset(di, base, hn::Add(o, hn::Set(di, 4)));
        for (int k = 0; k < K; ++k) r[j][k] = h(ByteOf(DI(), a, k), ByteOf(DI(), b, k));
      }
    }
    VI c[4];
    for (int k = 0; k < K; ++k)
      c[k] = hn::ShiftRight<20>(hn::Add(hn::Add(hn::Mul(r[0][k], wy), hn::Mul(r[1][k], fy)), addend));
    Store8u<C, kAlpha>(inside, all, c, dst + x * C);
    return true;
  });
}

// Tap origin and fraction of a float linear axis: i = trunc(u + 1e-7), t = u - i; from the last
// sample on, i = size - 2 and t = 1.
HWY_INLINE void AxisLinear(VF u, int size, VI* i, VF* t) {
  const DF df;
  const DI di;
  *i = hn::ConvertTo(di, hn::Add(u, hn::Set(df, 1e-7f)));
  *t = hn::Sub(u, hn::ConvertTo(df, *i));
  const auto last = *i > hn::Set(di, size - 2);
  *i = hn::IfThenElse(last, hn::Set(di, size - 2), *i);
  *t = hn::IfThenElse(hn::RebindMask(df, last), hn::Set(df, 1.0f), *t);
}

// 32f linear: top = p00 + (p01 - p00) tx, bottom likewise, top + (bottom - top) ty.
template <int C, bool kAlpha>
std::size_t Linear32f(const RowJob& job, const float* mx, const float* my, float* dst, std::size_t n) {
  const DF df;
  const DI di;
  const float* base = reinterpret_cast<const float*>(job.src);
  const VI step = hn::Set(di, job.step);
  constexpr int K = kAlpha ? 3 : C;
  return ForChunks(job, mx, my, n, [&](std::size_t x, VF u, VF v, hn::Mask<DI> inside, bool all) {
    VI ix, iy;
    VF tx, ty;
    AxisLinear(u, job.W, &ix, &tx);
    AxisLinear(v, job.H, &iy, &ty);
    const VI off = hn::Add(hn::Mul(iy, step), hn::Mul(ix, hn::Set(di, 4 * C)));
    VF c[4];
    for (int k = 0; k < K; ++k) {
      const VI o = hn::Add(off, hn::Set(di, 4 * k));
      const VF p00 = hn::GatherOffset(df, base, o), p01 = hn::GatherOffset(df, base, hn::Add(o, hn::Set(di, 4 * C)));
      const VI o1 = hn::Add(o, step);
      const VF p10 = hn::GatherOffset(df, base, o1), p11 = hn::GatherOffset(df, base, hn::Add(o1, hn::Set(di, 4 * C)));
      const VF top = hn::Add(p00, hn::Mul(hn::Sub(p01, p00), tx));
      const VF bottom = hn::Add(p10, hn::Mul(hn::Sub(p11, p10), tx));
      c[k] = hn::Add(top, hn::Mul(hn::Sub(bottom, top), ty));
    }
    Store32f<C, kAlpha>(inside, all, c, dst + x * C);
    return true;
  });
}

// The four-point cubic or Catmull-Rom weight of a tap at distance x, by the plain kernel's
// expressions in the same order (0 from x = 2 on).
template <class D>
HWY_INLINE hn::Vec<D> CubicWeight(D dd, hn::Vec<D> x, bool catmullRom) {
  const auto one = hn::Set(dd, 1.0), two = hn::Set(dd, 2.0);
  hn::Vec<D> inner, outer;
  if (catmullRom) {
    const auto x2 = hn::Mul(x, x), x3 = hn::Mul(x2, x);
    inner = hn::Add(hn::Sub(hn::Mul(hn::Set(dd, 1.5), x3), hn::Mul(hn::Set(dd, 2.5), x2)), one);
    outer = hn::Add(hn::Sub(hn::Add(hn::Mul(hn::Set(dd, -0.5), x3), hn::Mul(hn::Set(dd, 2.5), x2)), hn::Mul(hn::Set(dd, 4.0), x)),
                    two);
  } else {
    inner = hn::Mul(hn::Mul(hn::Set(dd, 0.5), hn::Sub(hn::Mul(x, x), one)), hn::Sub(x, two));
    outer = hn::Div(hn::Mul(hn::Mul(hn::Neg(hn::Sub(x, one)), hn::Sub(x, two)), hn::Sub(x, hn::Set(dd, 3.0))),
                    hn::Set(dd, 6.0));
  }
  return hn::IfThenElseZero(x < two, hn::IfThenElse(x < one, inner, outer));
}

// Cubic and Catmull-Rom, 4 x 4 taps from floor(u) - 1 on, clamped to the image, in double
// precision as the plain sampler forms them: with a the sample at the tap origin, each row
// h_r = sum_c wx_c (p_rc - a) in column order, then a + sum_r wy_r h_r in row order. Each half of
// a float vector of points runs as one double vector. 8u one-channel rows read each tap row as
// one word at its first tap, so points within a pixel of the left or two of the right image edge
// go to the caller; four channels read one word per tap pixel, 32f one sample per tap (one
// channel: two 64-bit words per tap row where no column clamps).
template <class T, int C, bool kAlpha>
std::size_t Cubic(const RowJob& job, const float* mx, const float* my, T* dst, std::size_t n) {
  const DF df;
  const hn::Half<DF> dfh;
  const hn::Repartition<double, DF> dd;
  const hn::Rebind<std::int32_t, decltype(dd)> dih;
  using VD = hn::Vec<decltype(dd)>;
  using VH = hn::Vec<decltype(dih)>;
  constexpr int K = kAlpha ? 3 : C;
  constexpr bool k8u = std::is_same_v<T, std::uint8_t>;
  constexpr bool kRowWords = k8u && C == 1;
  const auto* words = reinterpret_cast<const std::int32_t*>(job.src);
  const auto* samples = reinterpret_cast<const float*>(job.src);
  const VH step = hn::Set(dih, job.step), zero = hn::Zero(dih), lastX = hn::Set(dih, job.W - 1),
           lastY = hn::Set(dih, job.H - 1), pixelBytes = hn::Set(dih, static_cast<int>(C * sizeof(T)));
  const VF nearLeft = hn::Set(df, 1.0f), nearRight = hn::Set(df, static_cast<float>(job.W - 2));
  const bool cr = job.catmullRom;
  return ForChunks(job, mx, my, n, [&](std::size_t x, VF u, VF v, hn::Mask<DI> inside, bool all) {
    // Points whose four columns need no clamping: every tap row is one contiguous run.
    const bool runs = hn::AllFalse(df, hn::And(hn::RebindMask(df, inside), hn::Or(u < nearLeft, u >= nearRight)));
    if (kRowWords && !runs) return false;
    VH out8[2][4];
    hn::Vec<decltype(dfh)> out32[2][4];
    for (int half = 0; half < 2; ++half) {
      const VD ud = hn::PromoteTo(dd, half == 0 ? hn::LowerHalf(dfh, u) : hn::UpperHalf(dfh, u));
      const VD vd = hn::PromoteTo(dd, half == 0 ? hn::LowerHalf(dfh, v) : hn::UpperHalf(dfh, v));
      const VD fu = hn::Floor(ud), fv = hn::Floor(vd);
      const VD tx = hn::Sub(ud, fu), ty = hn::Sub(vd, fv);
      const VH ix = hn::DemoteTo(dih, fu), iy = hn::DemoteTo(dih, fv);
      VD wx[4], wy[4];
      VH col[4], row[4];
      for (int k = 0; k < 4; ++k) {
        wx[k] = CubicWeight(dd, hn::Abs(hn::Sub(hn::Set(dd, k - 1.0), tx)), cr);
        wy[k] = CubicWeight(dd, hn::Abs(hn::Sub(hn::Set(dd, k - 1.0), ty)), cr);
        col[k] = hn::Mul(hn::Min(hn::Max(hn::Add(ix, hn::Set(dih, k - 1)), zero), lastX), pixelBytes);
        row[k] = hn::Mul(hn::Min(hn::Max(hn::Add(iy, hn::Set(dih, k - 1)), zero), lastY), step);
      }
      VH g[4][4];  // 8u: the word of each tap row (one channel) or of each tap pixel
      if constexpr (kRowWords) {
        for (int r = 0; r < 4; ++r) g[r][0] = hn::GatherOffset(dih, words, hn::Add(row[r], col[0]));
      } else if constexpr (k8u) {
        for (int r = 0; r < 4; ++r)
          for (int c = 0; c < 4; ++c) g[r][c] = hn::GatherOffset(dih, words, hn::Add(row[r], col[c]));
      }
      for (int k = 0; k < K; ++k) {
        VD p[4][4];
        for (int r = 0; r < 4; ++r) {
          if constexpr (kRowWords) {
            for (int c = 0; c < 4; ++c) p[r][c] = hn::PromoteTo(dd, ByteOf(dih, g[r][0], c));
          } else if constexpr (k8u) {
            for (int c = 0; c < 4; ++c) p[r][c] = hn::PromoteTo(dd, ByteOf(dih, g[r][c], k));
          } else if (C == 1 && runs) {
            // One-channel 32f runs: the four samples as two 64-bit words, split into even and odd.
            const hn::Repartition<std::uint64_t, decltype(dd)> d64;
            const hn::RebindToSigned<decltype(d64)> di64;
            const auto* pairs = reinterpret_cast<const std::uint64_t*>(job.src);
            const auto o = hn::PromoteTo(di64, hn::Add(row[r], col[0]));
            const VF lo = hn::BitCast(df, hn::GatherOffset(d64, pairs, o));
            const VF hi = hn::BitCast(df, hn::GatherOffset(d64, pairs, hn::Add(o, hn::Set(di64, 8))));
            const VF even = hn::ConcatEven(df, hi, lo), odd = hn::ConcatOdd(df, hi, lo);
            p[r][0] = hn::PromoteTo(dd, hn::LowerHalf(dfh, even));
            p[r][1] = hn::PromoteTo(dd, hn::LowerHalf(dfh, odd));
            p[r][2] = hn::PromoteTo(dd, hn::UpperHalf(dfh, even));
            p[r][3] = hn::PromoteTo(dd, hn::UpperHalf(dfh, odd));
          } else {
            for (int c = 0; c < 4; ++c)
              p[r][c] = hn::PromoteTo(dd, hn::GatherOffset(dfh, samples, hn::Add(hn::Add(row[r], col[c]), hn::Set(dih, 4 * k))));
          }
        }
        const VD a = p[1][1];
        VD acc = hn::Zero(dd);
        for (int r = 0; r < 4; ++r) {
          VD h = hn::Zero(dd);
          for (int c = 0; c < 4; ++c) h = hn::Add(h, hn::Mul(wx[c], hn::Sub(p[r][c], a)));
          acc = hn::Add(acc, hn::Mul(wy[r], h));
        }
        const VD value = hn::Add(a, acc);
        if constexpr (k8u)
          out8[half][k] = hn::DemoteTo(dih, hn::Min(hn::Max(hn::Round(value), hn::Zero(dd)), hn::Set(dd, 255.0)));
        else
          out32[half][k] = hn::DemoteTo(dfh, value);
      }
    }
    if constexpr (k8u) {
      VI c[4];
      for (int k = 0; k < K; ++k) c[k] = hn::Combine(DI(), out8[1][k], out8[0][k]);
      Store8u<C, kAlpha>(inside, all, c, reinterpret_cast<std::uint8_t*>(dst) + x * C);
    } else {
      VF c[4];
      for (int k = 0; k < K; ++k) c[k] = hn::Combine(df, out32[1][k], out32[0][k]);
      Store32f<C, kAlpha>(inside, all, c, reinterpret_cast<float*>(dst) + x * C);
    }
    return true;
  });
}

const Kernels* GetKernels() {
  static const Kernels table = {
      {&Nearest8u<1, false>, &Nearest8u<3, false>, &Nearest8u<4, false>, &Nearest8u<4, true>},
      {&Linear8u<1, false>, &Linear8u<3, false>, &Linear8u<4, false>, &Linear8u<4, true>},
      {&Nearest32f<1, false>, &Nearest32f<3, false>, &Nearest32f<4, false>, &Nearest32f<4, true>},
      {&Linear32f<1, false>, &Linear32f<3, false>, &Linear32f<4, false>, &Linear32f<4, true>},
      {&Cubic<std::uint8_t, 1, false>, nullptr, &Cubic<std::uint8_t, 4, false>, &Cubic<std::uint8_t, 4, true>},
      {&Cubic<float, 1, false>, &Cubic<float, 3, false>, &Cubic<float, 4, false>, &Cubic<float, 4, true>},
  };
  return &table;
}
#else
// One lane gains nothing over the plain code: the driver runs it.
const Kernels* GetKernels() {
  static const Kernels table = {};
  return &table;
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace rux::remap
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::remap {
HWY_EXPORT(GetKernels);
const Kernels& kernels() { return *HWY_DYNAMIC_DISPATCH(GetKernels)(); }
}  // namespace rux::remap
#endif  // HWY_ONCE
