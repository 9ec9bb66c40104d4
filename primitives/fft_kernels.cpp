// Vector kernels of the Fourier engine, compiled once per target.
//
// All kernels run over the lanes of a batch, kBatch<T> sequences side by side, so a butterfly on
// vectors is the scalar butterfly applied to several transforms at once: no lane shuffles in the
// passes, and every lane gets the same operations (results do not depend on the lane a sequence
// occupies). Products of complex values use explicit multiply-add, the same on every call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/fft_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/fft_kernels.h"
#include "primitives/unaligned.h"

#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace fft {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class T>
struct Cx {
  hn::Vec<hn::ScalableTag<T>> r, i;
};

template <class D>
HWY_INLINE Cx<hn::TFromD<D>> LoadCx(D d, const hn::TFromD<D>* p) {
  constexpr int G = kBatch<hn::TFromD<D>>;
  return {hn::Load(d, p), hn::Load(d, p + G)};
}
template <class D>
HWY_INLINE void StoreCx(D d, const Cx<hn::TFromD<D>>& c, hn::TFromD<D>* p) {
  constexpr int G = kBatch<hn::TFromD<D>>;
  hn::Store(c.r, d, p);
  hn::Store(c.i, d, p + G);
}
template <class T>
HWY_INLINE Cx<T> Add(const Cx<T>& a, const Cx<T>& b) { return {hn::Add(a.r, b.r), hn::Add(a.i, b.i)}; }
template <class T>
HWY_INLINE Cx<T> Sub(const Cx<T>& a, const Cx<T>& b) { return {hn::Sub(a.r, b.r), hn::Sub(a.i, b.i)}; }
// a * i (kInv) or a * -i.
template <bool kNegI, class T>
HWY_INLINE Cx<T> MulI(const Cx<T>& a) {
  if constexpr (kNegI) return {a.i, hn::Neg(a.r)};
  else return {hn::Neg(a.i), a.r};
}
// a * (wr + i wi), or a * conj(w) when kConj.
template <bool kConj, class D>
HWY_INLINE Cx<hn::TFromD<D>> MulW(D, const Cx<hn::TFromD<D>>& a, hn::Vec<D> wr, hn::Vec<D> wi) {
  if constexpr (kConj) {
    return {hn::MulAdd(a.r, wr, hn::Mul(a.i, wi)), hn::NegMulAdd(a.r, wi, hn::Mul(a.i, wr))};
  } else {
    return {hn::NegMulAdd(a.i, wi, hn::Mul(a.r, wr)), hn::MulAdd(a.r, wi, hn::Mul(a.i, wr))};
  }
}

// Runs body(x-element offset, y-element offset, twiddle pointer or null) over every butterfly
// of a stage; offsets are in values (2 * kBatch per element).
template <class T, class Body>
HWY_INLINE void ForButterflies(const Stage<T>& st, Body&& body) {
  constexpr std::ptrdiff_t E = 2 * kBatch<T>;
  const std::ptrdiff_t s = st.s, m = st.m;
  for (std::ptrdiff_t q = 0; q < m; ++q) {
    const T* w = q == 0 ? nullptr : st.tw + 2 * (st.radix - 1) * q;
    for (std::ptrdiff_t b = 0; b < s; ++b) body((b + s * q) * E, (b + s * st.radix * q) * E, w);
  }
}

template <bool kInv, class T>
void Radix2(const Stage<T>& st, const T* x, T* y) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const std::ptrdiff_t E = 2 * G, xs = std::ptrdiff_t{st.m} * st.s * E, ys = std::ptrdiff_t{st.s} * E;
  ForButterflies(st, [&](std::ptrdiff_t xo, std::ptrdiff_t yo, const T* w) {
    for (int v = 0; v < G; v += N) {
      const Cx<T> a0 = LoadCx(d, x + xo + v), a1 = LoadCx(d, x + xo + xs + v);
      StoreCx(d, Add(a0, a1), y + yo + v);
      Cx<T> b = Sub(a0, a1);
      if (w) b = MulW<kInv>(d, b, hn::Set(d, w[0]), hn::Set(d, w[1]));
      StoreCx(d, b, y + yo + ys + v);
    }
  });
}

template <bool kInv, class T>
void Radix3(const Stage<T>& st, const T* x, T* y) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const std::ptrdiff_t E = 2 * G, xs = std::ptrdiff_t{st.m} * st.s * E, ys = std::ptrdiff_t{st.s} * E;
  const auto half = hn::Set(d, T(0.5)), sin3 = hn::Set(d, T(0.86602540378443864676372317075294));
  ForButterflies(st, [&](std::ptrdiff_t xo, std::ptrdiff_t yo, const T* w) {
    for (int v = 0; v < G; v += N) {
      const Cx<T> a0 = LoadCx(d, x + xo + v), a1 = LoadCx(d, x + xo + xs + v), a2 = LoadCx(d, x + xo + 2 * xs + v);
      const Cx<T> t1 = Add(a1, a2);
      const Cx<T> t2 = {hn::NegMulAdd(t1.r, half, a0.r), hn::NegMulAdd(t1.i, half, a0.i)};
      const Cx<T> d12 = Sub(a1, a2);
      const Cx<T> t3 = MulI<!kInv>(Cx<T>{hn::Mul(d12.r, sin3), hn::Mul(d12.i, sin3)});
      Cx<T> A1 = Add(t2, t3), A2 = Sub(t2, t3);
      StoreCx(d, Add(a0, t1), y + yo + v);
      if (w) {
        A1 = MulW<kInv>(d, A1, hn::Set(d, w[0]), hn::Set(d, w[1]));
        A2 = MulW<kInv>(d, A2, hn::Set(d, w[2]), hn::Set(d, w[3]));
      }
      StoreCx(d, A1, y + yo + ys + v);
      StoreCx(d, A2, y + yo + 2 * ys + v);
    }
  });
}

template <bool kInv, class T>
void Radix4(const Stage<T>& st, const T* x, T* y) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const std::ptrdiff_t E = 2 * G, xs = std::ptrdiff_t{st.m} * st.s * E, ys = std::ptrdiff_t{st.s} * E;
  ForButterflies(st, [&](std::ptrdiff_t xo, std::ptrdiff_t yo, const T* w) {
    for (int v = 0; v < G; v += N) {
      const T* px = x + xo + v;
      const Cx<T> a0 = LoadCx(d, px), a1 = LoadCx(d, px + xs), a2 = LoadCx(d, px + 2 * xs),
                  a3 = LoadCx(d, px + 3 * xs);
      const Cx<T> t0 = Add(a0, a2), t1 = Sub(a0, a2), t2 = Add(a1, a3);
      const Cx<T> t3 = MulI<!kInv>(Sub(a1, a3));
      Cx<T> A1 = Add(t1, t3), A2 = Sub(t0, t2), A3 = Sub(t1, t3);
      T* py = y + yo + v;
      StoreCx(d, Add(t0, t2), py);
      if (w) {
        A1 = MulW<kInv>(d, A1, hn::Set(d, w[0]), hn::Set(d, w[1]));
        A2 = MulW<kInv>(d, A2, hn::Set(d, w[2]), hn::Set(d, w[3]));
        A3 = MulW<kInv>(d, A3, hn::Set(d, w[4]), hn::Set(d, w[5]));
      }
      StoreCx(d, A1, py + ys);
      StoreCx(d, A2, py + 2 * ys);
      StoreCx(d, A3, py + 3 * ys);
    }
  });
}

template <bool kInv, class T>
void Radix5(const Stage<T>& st, const T* x, T* y) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const std::ptrdiff_t E = 2 * G, xs = std::ptrdiff_t{st.m} * st.s * E, ys = std::ptrdiff_t{st.s} * E;
  const auto c1 = hn::Set(d, T(0.30901699437494742410229341718282));
  const auto c2 = hn::Set(d, T(-0.80901699437494742410229341718282));
  const auto s1 = hn::Set(d, T(0.95105651629515357211643933337938));
  const auto s2 = hn::Set(d, T(0.58778525229247312916870595463907));
  ForButterflies(st, [&](std::ptrdiff_t xo, std::ptrdiff_t yo, const T* w) {
    for (int v = 0; v < G; v += N) {
      const T* px = x + xo + v;
      const Cx<T> a0 = LoadCx(d, px), a1 = LoadCx(d, px + xs), a2 = LoadCx(d, px + 2 * xs),
                  a3 = LoadCx(d, px + 3 * xs), a4 = LoadCx(d, px + 4 * xs);
      const Cx<T> b1 = Add(a1, a4), b2 = Add(a2, a3), d1 = Sub(a1, a4), d2 = Sub(a2, a3);
      const Cx<T> t1 = {hn::MulAdd(c2, b2.r, hn::MulAdd(c1, b1.r, a0.r)),
                        hn::MulAdd(c2, b2.i, hn::MulAdd(c1, b1.i, a0.i))};
      const Cx<T> t2 = {hn::MulAdd(c1, b2.r, hn::MulAdd(c2, b1.r, a0.r)),
                        hn::MulAdd(c1, b2.i, hn::MulAdd(c2, b1.i, a0.i))};
      const Cx<T> u1 = MulI<!kInv>(Cx<T>{hn::MulAdd(s2, d2.r, hn::Mul(s1, d1.r)),
                                         hn::MulAdd(s2, d2.i, hn::Mul(s1, d1.i))});
      const Cx<T> u2 = MulI<!kInv>(Cx<T>{hn::NegMulAdd(s1, d2.r, hn::Mul(s2, d1.r)),
                                         hn::NegMulAdd(s1, d2.i, hn::Mul(s2, d1.i))});
      Cx<T> A[4] = {Add(t1, u1), Add(t2, u2), Sub(t2, u2), Sub(t1, u1)};
      T* py = y + yo + v;
      StoreCx(d, Add(a0, Add(b1, b2)), py);
      for (int k = 0; k < 4; ++k) {
        if (w) A[k] = MulW<kInv>(d, A[k], hn::Set(d, w[2 * k]), hn::Set(d, w[2 * k + 1]));
        StoreCx(d, A[k], py + (k + 1) * ys);
      }
    }
  });
}

// Any odd radix p: A_k = a_0 + sum over pairs (j, p - j) of (a_j + a_(p-j)) cos(2 pi jk/p)
// -+ i (a_j - a_(p-j)) sin(2 pi jk/p), the outputs k and p - k from the same two sums.
template <bool kInv, class T>
void RadixOdd(const Stage<T>& st, const T* x, T* y) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const int p = st.radix, h = (p - 1) / 2;
  const std::ptrdiff_t E = 2 * G, xs = std::ptrdiff_t{st.m} * st.s * E, ys = std::ptrdiff_t{st.s} * E;
  const T* roots = st.roots;
  ForButterflies(st, [&](std::ptrdiff_t xo, std::ptrdiff_t yo, const T* w) {
    for (int v = 0; v < G; v += N) {
      const T* px = x + xo + v;
      T* py = y + yo + v;
      const Cx<T> a0 = LoadCx(d, px);
      Cx<T> sum = a0;
      for (int j = 1; j < p; ++j) sum = Add(sum, LoadCx(d, px + j * xs));
      StoreCx(d, sum, py);
      for (int k = 1; k <= h; ++k) {
        Cx<T> c = a0, s = {hn::Zero(d), hn::Zero(d)};
        int t = 0;
        for (int j = 1; j <= h; ++j) {
          t += k;
          if (t >= p) t -= p;
          const Cx<T> aj = LoadCx(d, px + j * xs), ak = LoadCx(d, px + (p - j) * xs);
          const auto cr = hn::Set(d, roots[2 * t]), sr = hn::Set(d, roots[2 * t + 1]);
          const Cx<T> sp = Add(aj, ak), dm = Sub(aj, ak);
          c = {hn::MulAdd(sp.r, cr, c.r), hn::MulAdd(sp.i, cr, c.i)};
          s = {hn::MulAdd(dm.r, sr, s.r), hn::MulAdd(dm.i, sr, s.i)};
        }
        const Cx<T> is = MulI<!kInv>(s);
        Cx<T> lo = Add(c, is), hi = Sub(c, is);
        if (w) {
          lo = MulW<kInv>(d, lo, hn::Set(d, w[2 * (k - 1)]), hn::Set(d, w[2 * (k - 1) + 1]));
          hi = MulW<kInv>(d, hi, hn::Set(d, w[2 * (p - k - 1)]), hn::Set(d, w[2 * (p - k - 1) + 1]));
        }
        StoreCx(d, lo, py + k * ys);
        StoreCx(d, hi, py + (p - k) * ys);
      }
    }
  });
}

template <class T>
void RunStage(const Stage<T>& st, const T* x, T* y, bool inverse) {
  switch (st.radix) {
    case 2: return inverse ? Radix2<true>(st, x, y) : Radix2<false>(st, x, y);
    case 3: return inverse ? Radix3<true>(st, x, y) : Radix3<false>(st, x, y);
    case 4: return inverse ? Radix4<true>(st, x, y) : Radix4<false>(st, x, y);
    case 5: return inverse ? Radix5<true>(st, x, y) : Radix5<false>(st, x, y);
    default: return inverse ? RadixOdd<true>(st, x, y) : RadixOdd<false>(st, x, y);
  }
}

template <class T>
void MulTable(const T* x, T* y, const T* c, int n, int len, bool conj) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  for (int j = 0; j < n; ++j) {
    const auto cr = hn::Set(d, c[2 * j]), ci = hn::Set(d, c[2 * j + 1]);
    for (int v = 0; v < G; v += N) {
      const Cx<T> a = LoadCx(d, x + 2 * G * j + v);
      StoreCx(d, conj ? MulW<true>(d, a, cr, ci) : MulW<false>(d, a, cr, ci), y + 2 * G * j + v);
    }
  }
  if (len > n) std::memset(y + 2 * G * n, 0, sizeof(T) * 2 * G * static_cast<std::size_t>(len - n));
}

template <class T>
void ConjScale(const T* x, T* y, int n, T scale) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const auto f = hn::Set(d, scale), nf = hn::Set(d, -scale);
  for (int j = 0; j < n; ++j)
    for (int v = 0; v < G; v += N) {
      const T* p = x + 2 * G * j + v;
      T* q = y + 2 * G * j + v;
      hn::Store(hn::Mul(hn::Load(d, p), f), d, q);
      hn::Store(hn::Mul(hn::Load(d, p + G), nf), d, q + G);
    }
}

template <class T>
void Scale(T* x, int n, T factor) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const auto f = hn::Set(d, factor);
  for (std::ptrdiff_t i = 0; i < std::ptrdiff_t{2} * G * n; i += N) hn::Store(hn::Mul(hn::Load(d, x + i), f), d, x + i);
}

// Plain block rows: row r of a packed block is kBatch lanes at p + r * kBatch.
template <class T>
void RealSplit(const T* z, T* packed, int n, const T* w, T factor, bool perm) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const int m = n / 2;
  const auto f = hn::Set(d, factor), hf = hn::Set(d, factor * T(0.5));
  for (int v = 0; v < G; v += N) {
    const Cx<T> z0 = LoadCx(d, z + v);
    hn::Store(hn::Mul(hn::Add(z0.r, z0.i), f), d, packed + v);
    hn::Store(hn::Mul(hn::Sub(z0.r, z0.i), f), d, packed + (perm ? 1 : n - 1) * G + v);
  }
  for (int k = 1; k < m; ++k) {
    const auto wr = hn::Set(d, w[2 * k]), wi = hn::Set(d, w[2 * k + 1]);
    T* outR = packed + (perm ? 2 * k : 2 * k - 1) * G;
    for (int v = 0; v < G; v += N) {
      const Cx<T> a = LoadCx(d, z + 2 * G * k + v), b = LoadCx(d, z + 2 * G * (m - k) + v);
      // b is conj(Z(m-k)): E2 = a + b, O2 = (a - b) / i.
      const Cx<T> e2 = {hn::Add(a.r, b.r), hn::Sub(a.i, b.i)};
      const Cx<T> o2 = {hn::Add(a.i, b.i), hn::Sub(b.r, a.r)};
      const Cx<T> x = Add(e2, MulW<false>(d, o2, wr, wi));
      hn::Store(hn::Mul(x.r, hf), d, outR + v);
      hn::Store(hn::Mul(x.i, hf), d, outR + G + v);
    }
  }
}

template <class T>
void RealJoin(const T* packed, T* z, int n, const T* w, T factor) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const int m = n / 2;
  const auto f = hn::Set(d, factor);
  const auto zero = hn::Zero(d);
  // X(k) of the packed block, k <= m (X(0), X(m) real).
  auto X = [&](int k, int v) -> Cx<T> {
    if (k == 0) return {hn::Load(d, packed + v), zero};
    if (k == m) return {hn::Load(d, packed + (n - 1) * G + v), zero};
    return {hn::Load(d, packed + (2 * k - 1) * G + v), hn::Load(d, packed + 2 * k * G + v)};
  };
  for (int k = 0; k < m; ++k) {
    const auto wr = hn::Set(d, w[2 * k]), wi = hn::Set(d, w[2 * k + 1]);
    for (int v = 0; v < G; v += N) {
      const Cx<T> a = X(k, v), c = X(m - k, v);
      const Cx<T> s = {hn::Add(a.r, c.r), hn::Sub(a.i, c.i)};   // X(k) + conj X(m-k)
      const Cx<T> df = {hn::Sub(a.r, c.r), hn::Add(a.i, c.i)};  // X(k) - conj X(m-k)
      const Cx<T> o = MulI<false>(MulW<true>(d, df, wr, wi));
      StoreCx(d, Cx<T>{hn::Mul(hn::Add(s.r, o.r), f), hn::Mul(hn::Add(s.i, o.i), f)}, z + 2 * G * k + v);
    }
  }
}

template <class T>
void PairSplit(const T* z, T* pr, T* pi, int n, T factor) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const auto f = hn::Set(d, factor), hf = hn::Set(d, factor * T(0.5));
  for (int v = 0; v < G; v += N) {
    const Cx<T> z0 = LoadCx(d, z + v);
    hn::Store(hn::Mul(z0.r, f), d, pr + v);
    hn::Store(hn::Mul(z0.i, f), d, pi + v);
  }
  for (int k = 1; 2 * k <= n; ++k) {
    const bool last = 2 * k == n;
    for (int v = 0; v < G; v += N) {
      const Cx<T> a = LoadCx(d, z + 2 * G * k + v), b = LoadCx(d, z + 2 * G * (n - k) + v);
      if (last) {
        hn::Store(hn::Mul(a.r, f), d, pr + (n - 1) * G + v);
        hn::Store(hn::Mul(a.i, f), d, pi + (n - 1) * G + v);
        continue;
      }
      hn::Store(hn::Mul(hn::Add(a.r, b.r), hf), d, pr + (2 * k - 1) * G + v);
      hn::Store(hn::Mul(hn::Sub(a.i, b.i), hf), d, pr + 2 * k * G + v);
      hn::Store(hn::Mul(hn::Add(a.i, b.i), hf), d, pi + (2 * k - 1) * G + v);
      hn::Store(hn::Mul(hn::Sub(b.r, a.r), hf), d, pi + 2 * k * G + v);
    }
  }
}

template <class T>
void PairJoin(const T* pr, const T* pi, T* z, int n, T factor) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const auto f = hn::Set(d, factor);
  for (int v = 0; v < G; v += N) {
    StoreCx(d, Cx<T>{hn::Mul(hn::Load(d, pr + v), f), hn::Mul(hn::Load(d, pi + v), f)}, z + v);
  }
  for (int k = 1; 2 * k <= n; ++k) {
    for (int v = 0; v < G; v += N) {
      if (2 * k == n) {
        StoreCx(d, Cx<T>{hn::Mul(hn::Load(d, pr + (n - 1) * G + v), f), hn::Mul(hn::Load(d, pi + (n - 1) * G + v), f)},
                z + 2 * G * k + v);
        continue;
      }
      const auto xr = hn::Load(d, pr + (2 * k - 1) * G + v), xi = hn::Load(d, pr + 2 * k * G + v);
      const auto yr = hn::Load(d, pi + (2 * k - 1) * G + v), yi = hn::Load(d, pi + 2 * k * G + v);
      StoreCx(d, Cx<T>{hn::Mul(hn::Sub(xr, yi), f), hn::Mul(hn::Add(xi, yr), f)}, z + 2 * G * k + v);
      StoreCx(d, Cx<T>{hn::Mul(hn::Add(xr, yi), f), hn::Mul(hn::Sub(yr, xi), f)}, z + 2 * G * (n - k) + v);
    }
  }
}

template <class T>
void GatherPairs(const T* base, std::ptrdiff_t step, int count, int n, T* z) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  for (int j = 0; j < n; ++j) {
    const T* row = reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(base) + j * step);
    T* e = z + 2 * G * j;
    int g = 0;
    for (; g + N <= count; g += N) {
      hn::Vec<decltype(d)> re, im;
      hn::LoadInterleaved2(d, row + 2 * g, re, im);
      hn::Store(re, d, e + g);
      hn::Store(im, d, e + G + g);
    }
    for (; g < count; ++g) {
      e[g] = loadAt(row + 2 * g);
      e[G + g] = loadAt(row + 2 * g + 1);
    }
    for (; g < G; ++g) e[g] = e[G + g] = T(0);
  }
}

template <class T>
void ScatterPairs(const T* z, T* base, std::ptrdiff_t step, int count, int n, T factor) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const auto f = hn::Set(d, factor);
  for (int j = 0; j < n; ++j) {
    T* row = reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(base) + j * step);
    const T* e = z + 2 * G * j;
    int g = 0;
    for (; g + N <= count; g += N)
      hn::StoreInterleaved2(hn::Mul(hn::Load(d, e + g), f), hn::Mul(hn::Load(d, e + G + g), f), d, row + 2 * g);
    for (; g < count; ++g) {
      storeAt(row + 2 * g, e[g] * factor);
      storeAt(row + 2 * g + 1, e[G + g] * factor);
    }
  }
}

template <class T>
void GatherPlain(const T* base, std::ptrdiff_t step, int count, int n, T* p) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  for (int j = 0; j < n; ++j) {
    const T* row = reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(base) + j * step);
    T* e = p + G * j;
    int g = 0;
    for (; g + N <= count; g += N) hn::Store(hn::LoadU(d, row + g), d, e + g);
    for (; g < count; ++g) e[g] = loadAt(row + g);
    for (; g < G; ++g) e[g] = T(0);
  }
}

template <class T>
void ScatterPlain(const T* p, T* base, std::ptrdiff_t step, int count, int n, T factor) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  const auto f = hn::Set(d, factor);
  for (int j = 0; j < n; ++j) {
    T* row = reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(base) + j * step);
    const T* e = p + G * j;
    int g = 0;
    for (; g + N <= count; g += N) hn::StoreU(hn::Mul(hn::Load(d, e + g), f), d, row + g);
    for (; g < count; ++g) storeAt(row + g, e[g] * factor);
  }
}

template <class T>
void Split(T* z, int n) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  alignas(64) T tmp[2 * G];
  for (int j = 0; j < n; ++j) {
    T* e = z + 2 * G * j;
    for (int g = 0; g < G; g += N) {
      hn::Vec<decltype(d)> re, im;
      hn::LoadInterleaved2(d, e + 2 * g, re, im);
      hn::Store(re, d, tmp + g);
      hn::Store(im, d, tmp + G + g);
    }
    std::memcpy(e, tmp, sizeof(tmp));
  }
}

template <class T>
void Interleave(T* z, int n) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  alignas(64) T tmp[2 * G];
  for (int j = 0; j < n; ++j) {
    T* e = z + 2 * G * j;
    for (int g = 0; g < G; g += N) hn::StoreInterleaved2(hn::Load(d, e + g), hn::Load(d, e + G + g), d, tmp + 2 * g);
    std::memcpy(e, tmp, sizeof(tmp));
  }
}

template <class T>
void DctPre(const T* a, const T* b, T* z, int n) {
  constexpr int G = kBatch<T>;
  for (int j = 0; 2 * j < n; ++j) {
    std::memcpy(z + 2 * G * j, a + G * 2 * j, sizeof(T) * G);
    std::memcpy(z + 2 * G * j + G, b + G * 2 * j, sizeof(T) * G);
  }
  for (int j = 0; 2 * j + 1 < n; ++j) {
    std::memcpy(z + 2 * G * (n - 1 - j), a + G * (2 * j + 1), sizeof(T) * G);
    std::memcpy(z + 2 * G * (n - 1 - j) + G, b + G * (2 * j + 1), sizeof(T) * G);
  }
}

template <class T>
void DctPost(const T* z, T* a, T* b, int n, const T* t) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  for (int k = 0; k < n; ++k) {
    const int kk = k == 0 ? 0 : n - k;
    const auto ct = hn::Set(d, t[2 * k]), st = hn::Set(d, t[2 * k + 1]);
    for (int v = 0; v < G; v += N) {
      const Cx<T> p = LoadCx(d, z + 2 * G * k + v), q = LoadCx(d, z + 2 * G * kk + v);
      // 2 V(k) = Z(k) + conj Z(n-k); 2 U(k) = (Z(k) - conj Z(n-k)) / i.
      const auto vr = hn::Add(p.r, q.r), vi = hn::Sub(p.i, q.i);
      const auto ur = hn::Add(p.i, q.i), ui = hn::Sub(q.r, p.r);
      hn::Store(hn::MulAdd(vi, st, hn::Mul(vr, ct)), d, a + G * k + v);
      hn::Store(hn::MulAdd(ui, st, hn::Mul(ur, ct)), d, b + G * k + v);
    }
  }
}

template <class T>
void IdctPre(const T* a, const T* b, T* z, int n, const T* t) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  for (int k = 0; k < n; ++k) {
    const auto pr = hn::Set(d, t[4 * k]), pi = hn::Set(d, t[4 * k + 1]);
    const auto rr = hn::Set(d, t[4 * k + 2]), ri = hn::Set(d, t[4 * k + 3]);
    for (int v = 0; v < G; v += N) {
      const auto xa = hn::Load(d, a + G * k + v), xb = hn::Load(d, b + G * k + v);
      auto var = hn::Mul(xa, pr), vai = hn::Mul(xa, pi), vbr = hn::Mul(xb, pr), vbi = hn::Mul(xb, pi);
      if (k > 0) {
        const auto ya = hn::Load(d, a + G * (n - k) + v), yb = hn::Load(d, b + G * (n - k) + v);
        var = hn::MulAdd(ya, rr, var);
        vai = hn::MulAdd(ya, ri, vai);
        vbr = hn::MulAdd(yb, rr, vbr);
        vbi = hn::MulAdd(yb, ri, vbi);
      }
      // Z = V + i U.
      StoreCx(d, Cx<T>{hn::Sub(var, vbi), hn::Add(vai, vbr)}, z + 2 * G * k + v);
    }
  }
}

template <class T>
void IdctPost(const T* z, T* a, T* b, int n) {
  constexpr int G = kBatch<T>;
  for (int j = 0; 2 * j < n; ++j) {
    std::memcpy(a + G * 2 * j, z + 2 * G * j, sizeof(T) * G);
    std::memcpy(b + G * 2 * j, z + 2 * G * j + G, sizeof(T) * G);
  }
  for (int j = 0; 2 * j + 1 < n; ++j) {
    std::memcpy(a + G * (2 * j + 1), z + 2 * G * (n - 1 - j), sizeof(T) * G);
    std::memcpy(b + G * (2 * j + 1), z + 2 * G * (n - 1 - j) + G, sizeof(T) * G);
  }
}

template <class T>
void MatPlain(const T* mat, const T* in, T* out, int n) {
  const hn::ScalableTag<T> d;
  constexpr int G = kBatch<T>;
  const int N = static_cast<int>(hn::Lanes(d));
  for (int k = 0; k < n; ++k)
    for (int v = 0; v < G; v += N) {
      auto acc = hn::Zero(d);
      for (int j = 0; j < n; ++j) acc = hn::MulAdd(hn::Set(d, mat[k * n + j]), hn::Load(d, in + G * j + v), acc);
      hn::Store(acc, d, out + G * k + v);
    }
}

template <class T>
Kernels<T> MakeKernels() {
  Kernels<T> k{};
  k.stage = &RunStage<T>;
  k.mulTable = &MulTable<T>;
  k.conjScale = &ConjScale<T>;
  k.scale = &Scale<T>;
  k.realSplit = &RealSplit<T>;
  k.realJoin = &RealJoin<T>;
  k.pairSplit = &PairSplit<T>;
  k.pairJoin = &PairJoin<T>;
  k.gatherPairs = &GatherPairs<T>;
  k.scatterPairs = &ScatterPairs<T>;
  k.gatherPlain = &GatherPlain<T>;
  k.scatterPlain = &ScatterPlain<T>;
  k.split = &Split<T>;
  k.interleave = &Interleave<T>;
  k.dctPre = &DctPre<T>;
  k.dctPost = &DctPost<T>;
  k.idctPre = &IdctPre<T>;
  k.idctPost = &IdctPost<T>;
  k.matPlain = &MatPlain<T>;
  return k;
}

const Kernels<float>* GetKernels32f() {
  static const Kernels<float> k = MakeKernels<float>();
  return &k;
}
const Kernels<double>* GetKernels64f() {
  static const Kernels<double> k = MakeKernels<double>();
  return &k;
}

}  // namespace HWY_NAMESPACE
}  // namespace fft
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::fft {
HWY_EXPORT(GetKernels32f);
HWY_EXPORT(GetKernels64f);
const Kernels<float>& kernels32f() { return *HWY_DYNAMIC_DISPATCH(GetKernels32f)(); }
const Kernels<double>& kernels64f() { return *HWY_DYNAMIC_DISPATCH(GetKernels64f)(); }
}  // namespace rux::fft
#endif
