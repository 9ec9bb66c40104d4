// Pixel-rearranging kernels (row reversal, transpose), compiled once per target and dispatched
// at run time.
//
// Reversal: whole vectors of pixels are loaded (deinterleaved for three and four channels),
// each channel vector is lane-reversed and stored at the mirrored position; the remaining
// pixels are moved one by one. Four-channel pixels of 8- and 16-bit samples are reversed as
// single 32- and 64-bit lanes.
// Transpose: the region is cut into square tiles that fit the first-level cache. Inside a tile,
// pixels of 1, 2, 4 or 8 bytes are transposed in registers by an interleave network that works
// on each 16-byte block (16x16 bytes, 8x8 16-bit, 4x4 32-bit, 2x2 64-bit pixels); the blocks
// of a wider vector hold squares stacked down the source, so every destination row is stored
// as one whole vector. The edges of a tile and pixels of 3, 6, 12 or 16 bytes are copied pixel
// by pixel.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/rearrange_kernels.cpp"
#include "primitives/rearrange_kernels.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/pixels-inl.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// ---- reversal -------------------------------------------------------------------------------

// Lane order reversed. Bytes have no Reverse op: reverse inside each 16-byte block, then the
// block order.
template <class D>
HWY_INLINE hn::Vec<D> ReverseLanes(D d, hn::Vec<D> v) {
  if constexpr (sizeof(hn::TFromD<D>) == 1) {
#if HWY_TARGET == HWY_SCALAR
    (void)d;
    return v;
#else
    alignas(16) static constexpr uint8_t kReverse16[16] = {15, 14, 13, 12, 11, 10, 9, 8,
                                                           7,  6,  5,  4,  3,  2,  1, 0};
    return hn::ReverseBlocks(d, hn::TableLookupBytes(v, hn::LoadDup128(d, kReverse16)));
#endif
  } else {
    return hn::Reverse(d, v);
  }
}

// Reversed channel vectors of `in`; with kKeep, channel 3 comes from `keep` instead.
template <size_t C, bool kKeep, class D>
HWY_INLINE void ReversePixels(D d, const hn::Vec<D>* in, const hn::Vec<D>* keep, hn::Vec<D>* out) {
  for (size_t k = 0; k < C; ++k) out[k] = ReverseLanes(d, in[k]);
  if constexpr (kKeep) out[3] = keep[3];
}

template <class U, size_t C, bool kKeep>
HWY_INLINE void SwapPixel(U* p, U* q) {
  constexpr size_t kBytes = (kKeep ? 3 : C) * sizeof(U);
  unsigned char t[kBytes];
  std::memcpy(t, p, kBytes);
  std::memcpy(p, q, kBytes);
  std::memcpy(q, t, kBytes);
}

template <class U, size_t C, bool kKeep>
void ReverseRow(const void* srcv, void* dstv, size_t n) {
  const U* src = static_cast<const U*>(srcv);
  U* dst = static_cast<U*>(dstv);
  const hn::ScalableTag<U> d;
  const size_t N = hn::Lanes(d);
  size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) {
      U* out = dst + (n - x - N) * C;
      hn::Vec<decltype(d)> in[C], cur[C], rev[C];
      LoadPixels<C>(d, src + x * C, in);
      if constexpr (kKeep) LoadPixels<C>(d, out, cur);
      ReversePixels<C, kKeep>(d, in, cur, rev);
      StorePixels<C>(d, rev, out);
    }
  }
  // Bytes, not lanes: a four-channel 8-bit pixel read as one 32-bit lane need not be aligned.
  for (; x < n; ++x) std::memcpy(dst + (n - 1 - x) * C, src + x * C, (kKeep ? 3 : C) * sizeof(U));
}

template <class U, size_t C, bool kKeep>
void SwapReverseRow(void* av, void* bv, size_t n) {
  U* a = static_cast<U*>(av);
  U* b = static_cast<U*>(bv);
  const hn::ScalableTag<U> d;
  const size_t N = hn::Lanes(d);
  // One row: vectors from both ends while they do not meet. Two rows: the whole length.
  const bool same = a == b;
  const size_t pairs = same ? n / 2 : n;
  size_t i = 0;
  for (; i + N <= pairs; i += N) {
    U* l = a + i * C;
    U* r = b + (n - i - N) * C;
    hn::Vec<decltype(d)> vl[C], vr[C], ol[C], orr[C];
    LoadPixels<C>(d, l, vl);
    LoadPixels<C>(d, r, vr);
    ReversePixels<C, kKeep>(d, vr, vl, ol);
    ReversePixels<C, kKeep>(d, vl, vr, orr);
    StorePixels<C>(d, ol, l);
    StorePixels<C>(d, orr, r);
  }
  for (; i < pairs; ++i) SwapPixel<U, C, kKeep>(a + i * C, b + (n - 1 - i) * C);
}

template <class U>
void FillReverse(RearrangeKernels& k, int s) {
  k.reverse[s][kMoveC1] = &ReverseRow<U, 1, false>;
  k.reverse[s][kMoveC3] = &ReverseRow<U, 3, false>;
  k.reverse[s][kMoveAC4] = &ReverseRow<U, 4, true>;
  k.swapReverse[s][kMoveC1] = &SwapReverseRow<U, 1, false>;
  k.swapReverse[s][kMoveC3] = &SwapReverseRow<U, 3, false>;
  k.swapReverse[s][kMoveAC4] = &SwapReverseRow<U, 4, true>;
  // A whole four-channel pixel of 8- or 16-bit samples is one 32- or 64-bit lane.
  if constexpr (sizeof(U) == 1) {
    k.reverse[s][kMoveC4] = &ReverseRow<uint32_t, 1, false>;
    k.swapReverse[s][kMoveC4] = &SwapReverseRow<uint32_t, 1, false>;
  } else if constexpr (sizeof(U) == 2) {
    k.reverse[s][kMoveC4] = &ReverseRow<uint64_t, 1, false>;
    k.swapReverse[s][kMoveC4] = &SwapReverseRow<uint64_t, 1, false>;
  } else {
    k.reverse[s][kMoveC4] = &ReverseRow<U, 4, false>;
    k.swapReverse[s][kMoveC4] = &SwapReverseRow<U, 4, false>;
  }
}

// ---- transpose ------------------------------------------------------------------------------

// Side of the register blocks for pixels of P bytes (0: pixel by pixel).
template <size_t P>
constexpr size_t BlockSide() {
#if HWY_TARGET == HWY_SCALAR
  return 0;
#else
  return (P == 1 || P == 2 || P == 4 || P == 8) ? 16 / P : 0;
#endif
}

// Side of the cache tiles, in pixels: a source and a destination tile stay in L1.
template <size_t P>
constexpr size_t TileSide() {
  return P <= 4 ? 64 : 32;
}

template <size_t P>
HWY_INLINE void CopyPixel(const uint8_t* s, uint8_t* d) {
  std::memcpy(d, s, P);
}

template <size_t P>
HWY_INLINE void SwapPixelBytes(uint8_t* p, uint8_t* q) {
  uint8_t t[P];
  std::memcpy(t, p, P);
  std::memcpy(p, q, P);
  std::memcpy(q, t, P);
}

#if HWY_TARGET != HWY_SCALAR
using D8 = hn::Full128<uint8_t>;
using V8 = hn::Vec<D8>;
using DFull8 = hn::ScalableTag<uint8_t>;

template <size_t R>
constexpr size_t BitReverse(size_t i) {
  size_t r = 0;
  for (size_t bit = 1; bit < R; bit <<= 1) r = (r << 1) | ((i & bit) != 0 ? 1 : 0);
  return r;
}

// Block b of the vector comes from p + b * stride (b = 0 in the lowest block).
template <class D>
HWY_INLINE hn::Vec<D> LoadStacked(D d, const uint8_t* p, ptrdiff_t stride) {
  if constexpr (std::is_same_v<D, D8>) {
    (void)stride;
    return hn::LoadU(d, p);
  } else {
    const hn::Half<D> dh;
    const ptrdiff_t halfBlocks = static_cast<ptrdiff_t>(hn::Lanes(dh) / 16);
    return hn::Combine(d, LoadStacked(dh, p + stride * halfBlocks, stride),
                       LoadStacked(dh, p, stride));
  }
}

// One round of the network: v[j] and v[j + R/2] interleave, in lanes of W, into v[2j], v[2j+1].
// Rows entering in bit-reversed order leave as columns after log2(R) rounds of widening lanes.
// Every 16-byte block runs its own network.
template <class W, size_t R, class D>
HWY_INLINE void InterleaveRounds(D d8, hn::Vec<D>* v) {
  const hn::Repartition<W, D> dw;
  hn::Vec<D> t[R];
  for (size_t j = 0; j < R / 2; ++j) {
    const auto lo = hn::BitCast(dw, v[j]);
    const auto hi = hn::BitCast(dw, v[j + R / 2]);
    t[2 * j] = hn::BitCast(d8, hn::InterleaveLower(dw, lo, hi));
    t[2 * j + 1] = hn::BitCast(d8, hn::InterleaveUpper(dw, lo, hi));
  }
  for (size_t j = 0; j < R; ++j) v[j] = t[j];
  if constexpr (sizeof(W) < 8) InterleaveRounds<hwy::MakeWide<W>, R>(d8, v);
}

template <size_t P>
using LaneOf = hwy::UnsignedFromSize<P>;

// Source rows of R pixels (R = 16 / P): block b of v[i] holds row b * R + i. After the network,
// v[j] holds source column j of all those rows, i.e. one destination row of Lanes(d8) / P pixels.
template <size_t P, class D>
HWY_INLINE void LoadTransposed(D d8, const uint8_t* src, ptrdiff_t srcStep, hn::Vec<D>* v) {
  constexpr size_t R = 16 / P;
  for (size_t i = 0; i < R; ++i) {
    v[BitReverse<R>(i)] = LoadStacked(d8, src + srcStep * static_cast<ptrdiff_t>(i),
                                      srcStep * static_cast<ptrdiff_t>(R));
  }
  InterleaveRounds<LaneOf<P>, R>(d8, v);
}

template <size_t P, class D>
HWY_INLINE void StoreRows(D d8, const hn::Vec<D>* v, uint8_t* dst, ptrdiff_t dstStep) {
  constexpr size_t R = 16 / P;
  for (size_t i = 0; i < R; ++i) hn::StoreU(v[i], d8, dst + dstStep * static_cast<ptrdiff_t>(i));
}

// Rows y.. of the tile in bands of Lanes(d8) / P rows, R columns at a time; returns the first
// row not done.
template <size_t P, class D>
HWY_INLINE size_t TransposeBands(D d8, const uint8_t* src, ptrdiff_t ss, uint8_t* dst, ptrdiff_t ds,
                                 size_t w, size_t h, size_t y) {
  constexpr size_t R = 16 / P;
  const size_t band = hn::Lanes(d8) / P;
  const auto at = [](auto* base, ptrdiff_t step, size_t row, size_t col) {
    return base + step * static_cast<ptrdiff_t>(row) + static_cast<ptrdiff_t>(col * P);
  };
  for (; y + band <= h; y += band) {
    size_t x = 0;
    for (; x + R <= w; x += R) {
      hn::Vec<D> v[R];
      LoadTransposed<P>(d8, at(src, ss, y, x), ss, v);
      StoreRows<P>(d8, v, at(dst, ds, x, y), ds);
    }
    for (; x < w; ++x) {
      for (size_t k = 0; k < band; ++k) CopyPixel<P>(at(src, ss, y + k, x), at(dst, ds, x, y + k));
    }
  }
  return y;
}
#endif

// One tile of w x h source pixels: full-width register blocks, then 16-byte blocks, then
// pixel by pixel.
template <size_t P>
HWY_INLINE void TransposeTile(const uint8_t* src, ptrdiff_t ss, uint8_t* dst, ptrdiff_t ds,
                              size_t w, size_t h) {
  size_t y = 0;
#if HWY_TARGET != HWY_SCALAR
  if constexpr (BlockSide<P>() > 0) {
    y = TransposeBands<P>(DFull8(), src, ss, dst, ds, w, h, y);
    y = TransposeBands<P>(D8(), src, ss, dst, ds, w, h, y);
  }
#endif
  for (size_t x = 0; x < w; ++x) {
    for (size_t yy = y; yy < h; ++yy) {
      CopyPixel<P>(src + ss * static_cast<ptrdiff_t>(yy) + static_cast<ptrdiff_t>(x * P),
                   dst + ds * static_cast<ptrdiff_t>(x) + static_cast<ptrdiff_t>(yy * P));
    }
  }
}

template <size_t P>
void TransposeRect(const void* srcv, ptrdiff_t ss, void* dstv, ptrdiff_t ds, size_t w, size_t h) {
  const uint8_t* src = static_cast<const uint8_t*>(srcv);
  uint8_t* dst = static_cast<uint8_t*>(dstv);
  constexpr size_t kTile = TileSide<P>();
  for (size_t ty = 0; ty < h; ty += kTile) {
    for (size_t tx = 0; tx < w; tx += kTile) {
      TransposeTile<P>(src + ss * static_cast<ptrdiff_t>(ty) + static_cast<ptrdiff_t>(tx * P), ss,
                       dst + ds * static_cast<ptrdiff_t>(tx) + static_cast<ptrdiff_t>(ty * P), ds,
                       std::min(kTile, w - tx), std::min(kTile, h - ty));
    }
  }
}

// Square in place: every block above the diagonal exchanges with its mirror block, both
// transposed in registers; diagonal blocks transpose onto themselves. Rows and columns past
// the last whole block are exchanged pixel by pixel.
template <size_t P>
void TransposeSquare(void* pv, ptrdiff_t step, size_t n) {
  uint8_t* p = static_cast<uint8_t*>(pv);
  const auto at = [p, step](size_t row, size_t col) {
    return p + step * static_cast<ptrdiff_t>(row) + static_cast<ptrdiff_t>(col * P);
  };
  constexpr size_t R = BlockSide<P>() > 0 ? BlockSide<P>() : 1;
  constexpr size_t kTileBlocks = TileSide<P>() / R;
  const size_t blocks = n / R;
  for (size_t ti = 0; ti < blocks; ti += kTileBlocks) {
    for (size_t tj = ti; tj < blocks; tj += kTileBlocks) {
      const size_t iEnd = std::min(ti + kTileBlocks, blocks);
      const size_t jEnd = std::min(tj + kTileBlocks, blocks);
      for (size_t bi = ti; bi < iEnd; ++bi) {
        for (size_t bj = std::max(tj, bi); bj < jEnd; ++bj) {
          uint8_t* a = at(bi * R, bj * R);
          uint8_t* b = at(bj * R, bi * R);
#if HWY_TARGET != HWY_SCALAR
          if constexpr (BlockSide<P>() > 0) {
            const D8 d8;
            V8 va[R], vb[R];
            LoadTransposed<P>(d8, a, step, va);
            if (a == b) {
              StoreRows<P>(d8, va, a, step);
            } else {
              LoadTransposed<P>(d8, b, step, vb);
              StoreRows<P>(d8, va, b, step);
              StoreRows<P>(d8, vb, a, step);
            }
            continue;
          }
#endif
          if (a != b) SwapPixelBytes<P>(a, b);
        }
      }
    }
  }
  for (size_t i = blocks * R; i < n; ++i) {
    for (size_t j = 0; j < i; ++j) SwapPixelBytes<P>(at(i, j), at(j, i));
  }
}

template <class U>
void FillTranspose(RearrangeKernels& k, int s) {
  constexpr size_t S = sizeof(U);
  k.transpose[s][kTransposeC1] = &TransposeRect<S>;
  k.transpose[s][kTransposeC3] = &TransposeRect<3 * S>;
  k.transpose[s][kTransposeC4] = &TransposeRect<4 * S>;
  k.transposeInPlace[s][kTransposeC1] = &TransposeSquare<S>;
  k.transposeInPlace[s][kTransposeC3] = &TransposeSquare<3 * S>;
  k.transposeInPlace[s][kTransposeC4] = &TransposeSquare<4 * S>;
}

const RearrangeKernels* GetRearrangeKernels() {
  static const RearrangeKernels kernels = [] {
    RearrangeKernels k{};
    FillReverse<uint8_t>(k, 0);
    FillReverse<uint16_t>(k, 1);
    FillReverse<uint32_t>(k, 2);
    FillTranspose<uint8_t>(k, 0);
    FillTranspose<uint16_t>(k, 1);
    FillTranspose<uint32_t>(k, 2);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetRearrangeKernels);
const RearrangeKernels& rearrangeKernels() { return *HWY_DYNAMIC_DISPATCH(GetRearrangeKernels)(); }
}  // namespace rux
#endif
