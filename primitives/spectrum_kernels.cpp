// Row kernels of the packed-spectrum products and of the complex magnitude, compiled once per
// SIMD target and dispatched at run time; the spectrum walk (HWY_ONCE part) handles the real
// positions and the vertical pairs of the edge columns in plain code and hands each row's
// horizontal pairs to the dispatched kernel.
//
// Products: C1 rows are interleaved (re, im) pairs. With b's real parts duplicated (DupEven),
// its imaginary parts duplicated (DupOdd) and a's halves swapped (Reverse2), t1 = a * br and
// t2 = swap(a) * bi hold ar br, ai br and ai bi, ar bi; the result takes t1 - t2 in the even
// lanes and t1 + t2 in the odd ones (conj: the other way round). Each lane is then exactly the
// scalar expression (one product per factor pair, one rounding per operation), so vector
// bodies, tails and every target give the same bits. C4 blocks (four real parts, then four
// imaginary parts) run as vectors of at most four lanes; C3 blocks run in plain code.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/spectrum_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/spectrum_kernels.h"
#include "primitives/unaligned.h"

#ifndef RUX_SPECTRUM_SCALAR_HELPERS_
#define RUX_SPECTRUM_SCALAR_HELPERS_
#include <cmath>
#include <cstring>

namespace rux::spectrum {
namespace detail {

// One complex product at four possibly misaligned addresses per operand; reads before writes.
template <class T, bool kConj>
inline void pairProduct(const T* aRe, const T* aIm, const T* bRe, const T* bIm, T* dRe, T* dIm) {
  const T ar = loadSample<T>(aRe), ai = loadSample<T>(aIm), br = loadSample<T>(bRe), bi = loadSample<T>(bIm);
  if constexpr (kConj) {
    storeSample<T>(dRe, ar * br + ai * bi);
    storeSample<T>(dIm, ai * br - ar * bi);
  } else {
    storeSample<T>(dRe, ar * br - ai * bi);
    storeSample<T>(dIm, ar * bi + ai * br);
  }
}

// Blocks [first, n) of a row interior in plain code: block i holds C real parts, then C
// imaginary parts (kAlpha: channel 3 is skipped). Never inlined into the per-target kernels:
// GCC contracts plain float code there into fused multiply-adds despite -ffp-contract=off,
// while this definition lies outside every target region.
template <class T, int C, bool kConj, bool kAlpha>
__attribute__((noinline)) void plainBlocks(const T* a, const T* b, T* d, std::size_t first, std::size_t n) {
  constexpr int kColours = kAlpha ? 3 : C;
  for (std::size_t i = first; i < n; ++i) {
    const std::size_t o = i * 2 * C;
    for (int c = 0; c < kColours; ++c)
      pairProduct<T, kConj>(a + o + c, a + o + C + c, b + o + c, b + o + C + c, d + o + c, d + o + C + c);
  }
}

// Magnitudes of the complex samples [first, n) in plain code (see plainBlocks).
__attribute__((noinline)) inline void plainMagnitudes(const float* s, float* dst, std::size_t first, std::size_t n) {
  for (std::size_t i = first; i < n; ++i) {
    const double r = loadSample<float>(s + 2 * i), m = loadSample<float>(s + 2 * i + 1);
    storeSample<float>(dst + i, static_cast<float>(std::sqrt(r * r + m * m)));
  }
}

template <class T>
using BlocksFn = void (*)(const T* a, const T* b, T* d, std::size_t n);

// Kernel table of one target.
struct Kernels {
  BlocksFn<float> blocks32f[4][2];  // [C1, C3, C4, AC4][conj]
  BlocksFn<double> blocks64f[4][2];
  void (*magnitude32fc)(const Rux32fc* src, float* dst, std::size_t n);
};

}  // namespace detail
}  // namespace rux::spectrum
#endif  // RUX_SPECTRUM_SCALAR_HELPERS_

HWY_BEFORE_NAMESPACE();
namespace rux::spectrum {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using detail::BlocksFn;
using detail::Kernels;

// n interleaved complex products (C1 interior).
template <class T, bool kConj>
void PairsC1(const T* a, const T* b, T* d, std::size_t n) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<T> dt;
  const std::size_t N = hn::Lanes(dt);  // N / 2 pairs per vector
  const auto product = [&](std::size_t s) {
    const auto va = hn::LoadU(dt, a + s);
    const auto vb = hn::LoadU(dt, b + s);
    const auto t1 = hn::Mul(va, hn::DupEven(vb));
    const auto t2 = hn::Mul(hn::Reverse2(dt, va), hn::DupOdd(vb));
    return kConj ? hn::OddEven(hn::Sub(t1, t2), hn::Add(t1, t2)) : hn::OddEven(hn::Add(t1, t2), hn::Sub(t1, t2));
  };
  for (; 2 * i + 2 * N <= 2 * n; i += N) {
    const auto r0 = product(2 * i);
    const auto r1 = product(2 * i + N);
    hn::StoreU(r0, dt, d + 2 * i);
    hn::StoreU(r1, dt, d + 2 * i + N);
  }
  for (; 2 * i + N <= 2 * n; i += N / 2) hn::StoreU(product(2 * i), dt, d + 2 * i);
#endif
  detail::plainBlocks<T, 1, kConj, false>(a, b, d, i, n);
}

// n blocks of four real parts and four imaginary parts (C4, AC4 interior), as vectors of at
// most four lanes. AC4: channel 3 of d is read before and stored back after the block.
template <class T, bool kConj, bool kAlpha>
void BlocksC4(const T* a, const T* b, T* d, std::size_t n) {
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::CappedTag<T, 4> dt;
  const std::size_t L = hn::Lanes(dt);
  for (; i < n; ++i) {
    const T* pa = a + 8 * i;
    const T* pb = b + 8 * i;
    T* pd = d + 8 * i;
    T keep[2];
    if constexpr (kAlpha) {
      keep[0] = loadSample<T>(pd + 3);
      keep[1] = loadSample<T>(pd + 7);
    }
    for (std::size_t j = 0; j < 4; j += L) {
      const auto ar = hn::LoadU(dt, pa + j), ai = hn::LoadU(dt, pa + 4 + j);
      const auto br = hn::LoadU(dt, pb + j), bi = hn::LoadU(dt, pb + 4 + j);
      if constexpr (kConj) {
        hn::StoreU(hn::Add(hn::Mul(ar, br), hn::Mul(ai, bi)), dt, pd + j);
        hn::StoreU(hn::Sub(hn::Mul(ai, br), hn::Mul(ar, bi)), dt, pd + 4 + j);
      } else {
        hn::StoreU(hn::Sub(hn::Mul(ar, br), hn::Mul(ai, bi)), dt, pd + j);
        hn::StoreU(hn::Add(hn::Mul(ar, bi), hn::Mul(ai, br)), dt, pd + 4 + j);
      }
    }
    if constexpr (kAlpha) {
      storeSample<T>(pd + 3, keep[0]);
      storeSample<T>(pd + 7, keep[1]);
    }
  }
#endif
  detail::plainBlocks<T, 4, kConj, kAlpha>(a, b, d, i, n);
}

template <class T, bool kConj>
void BlocksC3(const T* a, const T* b, T* d, std::size_t n) {
  detail::plainBlocks<T, 3, kConj, false>(a, b, d, 0, n);
}

void Magnitude32fc(const Rux32fc* src, float* dst, std::size_t n) {
  const float* s = reinterpret_cast<const float*>(src);
  std::size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<double> dd;
  const hn::Rebind<float, decltype(dd)> df;
  const std::size_t N = hn::Lanes(dd);
  for (; i + N <= n; i += N) {
    hn::Vec<decltype(df)> re, im;
    hn::LoadInterleaved2(df, s + 2 * i, re, im);
    const auto r = hn::PromoteTo(dd, re), m = hn::PromoteTo(dd, im);
    hn::StoreU(hn::DemoteTo(df, hn::Sqrt(hn::Add(hn::Mul(r, r), hn::Mul(m, m)))), df, dst + i);
  }
#endif
  detail::plainMagnitudes(s, dst, i, n);
}

template <class T>
void FillBlocks(BlocksFn<T> (&k)[4][2]) {
  k[0][0] = &PairsC1<T, false>;
  k[0][1] = &PairsC1<T, true>;
  k[1][0] = &BlocksC3<T, false>;
  k[1][1] = &BlocksC3<T, true>;
  k[2][0] = &BlocksC4<T, false, false>;
  k[2][1] = &BlocksC4<T, true, false>;
  k[3][0] = &BlocksC4<T, false, true>;
  k[3][1] = &BlocksC4<T, true, true>;
}

const Kernels* GetSpectrumKernels() {
  static const Kernels kernels = [] {
    Kernels k{};
    FillBlocks<float>(k.blocks32f);
    FillBlocks<double>(k.blocks64f);
    k.magnitude32fc = &Magnitude32fc;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux::spectrum
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::spectrum {
HWY_EXPORT(GetSpectrumKernels);

namespace {

using KernelTable = detail::Kernels;

const KernelTable& kernels() { return *HWY_DYNAMIC_DISPATCH(GetSpectrumKernels)(); }

template <class T>
const auto& blocksOf(const KernelTable& k) {
  if constexpr (sizeof(T) == 4) {
    return k.blocks32f;
  } else {
    return k.blocks64f;
  }
}

template <class T, int C, bool kAlpha, bool kConj>
void walk(const Pack2D& g, const T* a, std::ptrdiff_t aStep, const T* b, std::ptrdiff_t bStep, T* d,
          std::ptrdiff_t dStep, int unitBegin, int unitEnd) {
  const int layout = C == 1 ? 0 : (C == 3 ? 1 : (kAlpha ? 3 : 2));
  const auto blocks = blocksOf<T>(kernels())[layout][kConj ? 1 : 0];
  walkPacked<T, C, kAlpha>(
      g, a, aStep, b, bStep, d, dStep, unitBegin, unitEnd,
      [](const T* x, const T* y, T* z) { storeSample<T>(z, loadSample<T>(x) * loadSample<T>(y)); },
      [](const T* ar, const T* ai, const T* br, const T* bi, T* dr, T* di) {
        detail::pairProduct<T, kConj>(ar, ai, br, bi, dr, di);
      },
      [blocks](const T* x, const T* y, T* z, int n) { blocks(x, y, z, static_cast<std::size_t>(n)); });
}

template <class T>
void mulPackAny(const T* a, std::ptrdiff_t aStep, const T* b, std::ptrdiff_t bStep, T* d, std::ptrdiff_t dStep,
                int width, int height, int channels, bool conj, bool keepAlpha, int unitBegin, int unitEnd) {
  const Pack2D g{width, height};
  using Fn = void (*)(const Pack2D&, const T*, std::ptrdiff_t, const T*, std::ptrdiff_t, T*, std::ptrdiff_t, int, int);
  static constexpr Fn kWalks[4][2] = {{&walk<T, 1, false, false>, &walk<T, 1, false, true>},
                                      {&walk<T, 3, false, false>, &walk<T, 3, false, true>},
                                      {&walk<T, 4, false, false>, &walk<T, 4, false, true>},
                                      {&walk<T, 4, true, false>, &walk<T, 4, true, true>}};
  const int layout = channels == 1 ? 0 : (channels == 3 ? 1 : (keepAlpha ? 3 : 2));
  kWalks[layout][conj ? 1 : 0](g, a, aStep, b, bStep, d, dStep, unitBegin, unitEnd);
}

}  // namespace

void mulPackUnits(const float* a, std::ptrdiff_t aStep, const float* b, std::ptrdiff_t bStep, float* d,
                  std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha,
                  int unitBegin, int unitEnd) {
  mulPackAny(a, aStep, b, bStep, d, dStep, width, height, channels, conj, keepAlpha, unitBegin, unitEnd);
}
void mulPackUnits(const double* a, std::ptrdiff_t aStep, const double* b, std::ptrdiff_t bStep, double* d,
                  std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha,
                  int unitBegin, int unitEnd) {
  mulPackAny(a, aStep, b, bStep, d, dStep, width, height, channels, conj, keepAlpha, unitBegin, unitEnd);
}
void mulPack(const float* a, std::ptrdiff_t aStep, const float* b, std::ptrdiff_t bStep, float* d,
             std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha) {
  mulPackAny(a, aStep, b, bStep, d, dStep, width, height, channels, conj, keepAlpha, 0, Pack2D{width, height}.units());
}
void mulPack(const double* a, std::ptrdiff_t aStep, const double* b, std::ptrdiff_t bStep, double* d,
             std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha) {
  mulPackAny(a, aStep, b, bStep, d, dStep, width, height, channels, conj, keepAlpha, 0, Pack2D{width, height}.units());
}

void magnitude32fc(const Rux32fc* src, float* dst, std::size_t n) { kernels().magnitude32fc(src, dst, n); }

}  // namespace rux::spectrum
#endif  // HWY_ONCE
