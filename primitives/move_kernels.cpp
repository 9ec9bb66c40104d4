// Vector row kernels of the data movers, compiled once per target and dispatched at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/move_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include <cstring>

#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "primitives/pixels-inl.h"
#include "primitives/unaligned.h"
#include "primitives/move_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Interleaving kernels use at most 256-bit vectors: with 512-bit vectors the three- and
// four-way interleaves need cross-lane permutes that cost more than the wider loads save.
template <class U>
using InterleaveTag = hn::CappedTag<U, 32 / sizeof(U)>;

// Mask of the lanes whose mask byte is non-zero (one byte per lane).
template <class D>
HWY_INLINE hn::Mask<D> MaskFromBytes(D d, const uint8_t* m) {
  using U = hn::TFromD<D>;
  if constexpr (sizeof(U) == 1) {
    return hn::LoadU(d, m) != hn::Zero(d);
  } else {
    const hn::Rebind<uint8_t, D> d8;
    return hn::PromoteTo(d, hn::LoadU(d8, m)) != hn::Zero(d);
  }
}

// Shuffles pixels [x0, x1) one by one.
template <class U, size_t CIN, size_t COUT>
void ShufflePixels(const U* src, U* dst, size_t x0, size_t x1, const int* sel, U fill) {
  for (size_t x = x0; x < x1; ++x) {
    U in[CIN];
    for (size_t k = 0; k < CIN; ++k) in[k] = loadSample<U>(src + x * CIN + k);
    for (size_t k = 0; k < COUT; ++k) {
      if (sel[k] >= 0) {
        storeSample(dst + x * COUT + k, in[sel[k]]);
      } else if (sel[k] == kSelFill) {
        storeSample(dst + x * COUT + k, fill);
      }
    }
  }
}

// Whether the byte-tripling path applies: one byte into three copies of it.
template <class U, size_t CIN, size_t COUT>
bool TriplesBytes(const int* sel) {
  return sizeof(U) == 1 && CIN == 1 && COUT == 3 && sel[0] == 0 && sel[1] == 0 && sel[2] == 0;
}

// Whole vectors from pixel x on; returns where they end. kStream: the destination at pixel x is
// aligned to StreamAlignment() and is written with cache-bypassing stores (no kSelKeep entry).
template <class U, size_t CIN, size_t COUT, bool kStream>
size_t ShuffleVectors(const U* src, U* dst, size_t x, size_t n, const int* sel, U fill) {
  bool keep = false;
  for (size_t k = 0; k < COUT; ++k) keep |= sel[k] == kSelKeep;
  const InterleaveTag<U> d;
  const size_t N = hn::Lanes(d);
  const auto vfill = hn::Set(d, fill);
#if HWY_TARGET != HWY_SCALAR
  if constexpr (sizeof(U) == 1 && CIN == 1 && COUT == 3) {
    // One byte into three: each 16-byte block of the output repeats bytes of one 16-byte block
    // of input (blocks 0, 1, 2 of every 48 output bytes take input bytes 0-5, 5-10, 10-15).
    if (TriplesBytes<U, CIN, COUT>(sel)) {
      const hn::Full128<uint8_t> d16;
      alignas(16) static constexpr uint8_t kPattern[3][16] = {{0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5},
                                                              {5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10},
                                                              {10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15}};
      const uint8_t* s8 = reinterpret_cast<const uint8_t*>(src);
      uint8_t* d8 = reinterpret_cast<uint8_t*>(dst);
      for (; x + 16 <= n; x += 16) {
        const auto v = hn::LoadU(d16, s8 + x);
        for (size_t b = 0; b < 3; ++b) {
          const auto out = hn::TableLookupBytes(v, hn::Load(d16, kPattern[b]));
          if constexpr (kStream) {
            hn::Stream(out, d16, d8 + 3 * x + 16 * b);
          } else {
            hn::StoreU(out, d16, d8 + 3 * x + 16 * b);
          }
        }
      }
    }
  }
#endif
  if (n < N) return x;
  HWY_ALIGN U block[COUT * (HWY_MAX_BYTES / sizeof(U))];
  for (; x <= n - N; x += N) {
    hn::Vec<decltype(d)> in[CIN], cur[COUT], out[COUT];
    LoadPixels<CIN>(d, src + x * CIN, in);
    if (keep) {
      LoadPixels<COUT>(d, dst + x * COUT, cur);
    } else {
      for (size_t k = 0; k < COUT; ++k) cur[k] = vfill;
    }
    for (size_t k = 0; k < COUT; ++k) {
      out[k] = sel[k] >= 0 ? in[sel[k]] : (sel[k] == kSelFill ? vfill : cur[k]);
    }
    if constexpr (kStream) {
      StorePixels<COUT>(d, out, block);
      for (size_t k = 0; k < COUT; ++k) hn::Stream(hn::Load(d, block + k * N), d, dst + x * COUT + k * N);
    } else {
      StorePixels<COUT>(d, out, dst + x * COUT);
    }
  }
  return x;
}

template <class U, size_t CIN, size_t COUT>
void ShuffleRow(const void* srcv, void* dstv, size_t n, const int* sel, const void* fillv) {
  const U* src = static_cast<const U*>(srcv);
  U* dst = static_cast<U*>(dstv);
  const U fill = fillv != nullptr ? loadSample<U>(fillv) : U(0);
  const size_t x = ShuffleVectors<U, CIN, COUT, false>(src, dst, 0, n, sel, fill);
  ShufflePixels<U, CIN, COUT>(src, dst, x, n, sel, fill);
}

// Rows of the shuffle; with stream set (and no kept channel) each row writes its vectors with
// cache-bypassing stores after the few pixels one by one that align the destination (16 bytes
// for the byte-tripling path, else a vector), then a store fence.
template <class U, size_t CIN, size_t COUT>
void ShuffleImage(const void* srcv, int srcStep, void* dstv, int dstStep, int width, int height, const int* sel,
                  const void* fillv, bool stream) {
  const U fill = fillv != nullptr ? loadSample<U>(fillv) : U(0);
  for (size_t k = 0; k < COUT; ++k) stream = stream && sel[k] != kSelKeep;
  stream = stream && HWY_TARGET != HWY_SCALAR;
  const size_t align = TriplesBytes<U, CIN, COUT>(sel) ? 16 : hn::Lanes(InterleaveTag<U>()) * sizeof(U);
  const size_t n = static_cast<size_t>(width);
  for (int y = 0; y < height; ++y) {
    const U* src = reinterpret_cast<const U*>(static_cast<const uint8_t*>(srcv) + static_cast<ptrdiff_t>(srcStep) * y);
    U* dst = reinterpret_cast<U*>(static_cast<uint8_t*>(dstv) + static_cast<ptrdiff_t>(dstStep) * y);
    size_t head = 0;
    while (head < align && reinterpret_cast<uintptr_t>(dst + head * COUT) % align != 0) ++head;
    size_t x;
    if (stream && head < align && head <= n) {
      ShufflePixels<U, CIN, COUT>(src, dst, 0, head, sel, fill);
      x = ShuffleVectors<U, CIN, COUT, true>(src, dst, head, n, sel, fill);
    } else {
      x = ShuffleVectors<U, CIN, COUT, false>(src, dst, 0, n, sel, fill);
    }
    ShufflePixels<U, CIN, COUT>(src, dst, x, n, sel, fill);
  }
  if (stream) hwy::FlushStream();
}

// Copies bytes with cache-bypassing stores: plain copies up to the first vector-aligned
// destination byte and after the last whole vector, then a store fence.
void StreamCopy(const void* srcv, void* dstv, size_t bytes) {
  const uint8_t* src = static_cast<const uint8_t*>(srcv);
  uint8_t* dst = static_cast<uint8_t*>(dstv);
  const hn::ScalableTag<uint8_t> d;
  const size_t N = hn::Lanes(d);
  size_t head = (N - reinterpret_cast<uintptr_t>(dst) % N) % N;
  if (head >= bytes || N == 1) {
    std::memcpy(dst, src, bytes);
    return;
  }
  std::memcpy(dst, src, head);
  size_t x = head;
  for (; x + N <= bytes; x += N) hn::Stream(hn::LoadU(d, src + x), d, dst + x);
  std::memcpy(dst + x, src + x, bytes - x);
  hwy::FlushStream();
}

template <class U, size_t C>
void SplitImage(const void* srcv, int srcStep, void* const* planesv, int dstStep, int width, int height, bool stream) {
  const InterleaveTag<U> d;
  const size_t N = hn::Lanes(d);
  const size_t n = static_cast<size_t>(width);
  for (int y = 0; y < height; ++y) {
    const U* src = reinterpret_cast<const U*>(static_cast<const uint8_t*>(srcv) + static_cast<ptrdiff_t>(srcStep) * y);
    U* planes[C];
    for (size_t k = 0; k < C; ++k)
      planes[k] = reinterpret_cast<U*>(static_cast<uint8_t*>(planesv[k]) + static_cast<ptrdiff_t>(dstStep) * y);
    size_t x = 0;
    // Streaming needs vector-aligned stores in every plane: the first few pixels go one by one
    // until the first plane is aligned; planes aligned differently keep plain stores.
    bool streamRow = stream && N > 1;
    if (streamRow) {
      const size_t vecBytes = N * sizeof(U);
      const auto misaligned = [&](size_t k, size_t at) { return reinterpret_cast<uintptr_t>(planes[k] + at) % vecBytes != 0; };
      size_t head = 0;
      while (head < N && misaligned(0, head)) ++head;
      for (size_t k = 0; k < C && streamRow; ++k) streamRow = head < N && !misaligned(k, head);
      if (streamRow) {
        for (; x < head && x < n; ++x)
          for (size_t k = 0; k < C; ++k) storeSample(planes[k] + x, loadSample<U>(src + x * C + k));
        for (; x + N <= n; x += N) {
          hn::Vec<decltype(d)> v[C];
          LoadPixels<C>(d, src + x * C, v);
          for (size_t k = 0; k < C; ++k) hn::Stream(v[k], d, planes[k] + x);
        }
      }
    }
    for (; x + N <= n; x += N) {
      hn::Vec<decltype(d)> v[C];
      LoadPixels<C>(d, src + x * C, v);
      for (size_t k = 0; k < C; ++k) hn::StoreU(v[k], d, planes[k] + x);
    }
    for (; x < n; ++x) {
      for (size_t k = 0; k < C; ++k) storeSample(planes[k] + x, loadSample<U>(src + x * C + k));
    }
  }
  if (stream) hwy::FlushStream();
}

template <class U, size_t C>
void MergeImage(const void* const* planesv, int srcStep, void* dstv, int dstStep, int width,
                int height, bool stream) {
  const InterleaveTag<U> d;
  const size_t N = hn::Lanes(d);
  const size_t n = static_cast<size_t>(width);
  constexpr size_t kMax = HWY_MAX_BYTES / sizeof(U);
  HWY_ALIGN U block[C * kMax];
  for (int y = 0; y < height; ++y) {
    const U* planes[C];
    for (size_t k = 0; k < C; ++k) {
      planes[k] = reinterpret_cast<const U*>(static_cast<const uint8_t*>(planesv[k]) +
                                             static_cast<ptrdiff_t>(srcStep) * y);
    }
    U* dst = reinterpret_cast<U*>(static_cast<uint8_t*>(dstv) + static_cast<ptrdiff_t>(dstStep) * y);
    size_t x = 0;
    // Streaming needs vector-aligned stores: merge the first few pixels one by one until the
    // destination is aligned (always possible for 3 channels, rarely needed for 4).
    size_t head = 0;
    bool streamRow = stream && N > 1;
    if (streamRow) {
      const size_t vecBytes = N * sizeof(U);
      while (head < N && (reinterpret_cast<uintptr_t>(dst + head * C) % vecBytes) != 0) ++head;
      streamRow = head < N;
    }
    if (streamRow) {
      for (; x < head && x < n; ++x) {
        for (size_t k = 0; k < C; ++k) storeSample(dst + x * C + k, loadSample<U>(planes[k] + x));
      }
      if (n >= N) {
        for (; x <= n - N; x += N) {
          hn::Vec<decltype(d)> v[C];
          for (size_t k = 0; k < C; ++k) v[k] = hn::LoadU(d, planes[k] + x);
          StorePixels<C>(d, v, block);
          for (size_t k = 0; k < C; ++k) hn::Stream(hn::Load(d, block + k * N), d, dst + x * C + k * N);
        }
      }
    } else if (n >= N) {
      for (; x <= n - N; x += N) {
        hn::Vec<decltype(d)> v[C];
        for (size_t k = 0; k < C; ++k) v[k] = hn::LoadU(d, planes[k] + x);
        StorePixels<C>(d, v, dst + x * C);
      }
    }
    for (; x < n; ++x) {
      for (size_t k = 0; k < C; ++k) storeSample(dst + x * C + k, loadSample<U>(planes[k] + x));
    }
  }
  if (stream) hwy::FlushStream();
}

// Mask of the alpha lanes (channel 3 of four-channel pixels) in vector k of a run of pixels.
template <class D>
HWY_INLINE hn::Mask<D> AlphaLanes(D d, size_t k) {
  using U = hn::TFromD<D>;
  const auto lane = hn::Iota(d, static_cast<U>(k * hn::Lanes(d) % 4));
  return hn::And(lane, hn::Set(d, U(3))) == hn::Set(d, U(3));
}

// C vectors hold the repeating pattern of N pixels; AC4 blends the destination's alpha back.
template <class U, size_t C, bool kKeepAlpha>
void FillImage(const void* valuev, void* dstv, int step, int width, int height) {
  const U* value = static_cast<const U*>(valuev);
  const hn::ScalableTag<U> d;
  const size_t N = hn::Lanes(d);
  const size_t n = static_cast<size_t>(width);
  constexpr size_t kMax = HWY_MAX_BYTES / sizeof(U);
  HWY_ALIGN U pattern[C * kMax];
  for (size_t i = 0, c = 0; i < C * N; ++i, c = (c + 1 == C ? 0 : c + 1)) pattern[i] = value[c];
  hn::Vec<decltype(d)> p[C];
  hn::Mask<decltype(d)> a[C];
  for (size_t k = 0; k < C; ++k) {
    p[k] = hn::Load(d, pattern + k * N);
    a[k] = AlphaLanes(d, k);
  }
  for (int y = 0; y < height; ++y) {
    U* dst = reinterpret_cast<U*>(static_cast<uint8_t*>(dstv) + static_cast<ptrdiff_t>(step) * y);
    size_t x = 0;
    if (n >= N) {
      for (; x <= n - N; x += N) {
        U* row = dst + x * C;
        for (size_t k = 0; k < C; ++k) {
          if constexpr (kKeepAlpha) {
            hn::StoreU(hn::IfThenElse(a[k], hn::LoadU(d, row + k * N), p[k]), d, row + k * N);
          } else {
            hn::StoreU(p[k], d, row + k * N);
          }
        }
      }
    }
    for (; x < n; ++x) {
      for (size_t k = 0; k < (kKeepAlpha ? 3 : C); ++k) storeSample(dst + x * C + k, value[k]);
    }
  }
}

template <class U, size_t C, bool kKeepAlpha>
void FillRow(const void* value, void* dst, size_t n) {
  FillImage<U, C, kKeepAlpha>(value, dst, 0, static_cast<int>(n), 1);
}

template <class U>
void CopyKeepAlphaRow(const void* srcv, void* dstv, size_t n) {
  const U* src = static_cast<const U*>(srcv);
  U* dst = static_cast<U*>(dstv);
  const hn::ScalableTag<U> d;
  const size_t N = hn::Lanes(d);
  hn::Mask<decltype(d)> a[4];
  for (size_t k = 0; k < 4; ++k) a[k] = AlphaLanes(d, k);
  size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) {  // N pixels are 4 vectors
      for (size_t k = 0; k < 4; ++k) {
        const size_t o = x * 4 + k * N;
        hn::StoreU(hn::IfThenElse(a[k], hn::LoadU(d, dst + o), hn::LoadU(d, src + o)), d, dst + o);
      }
    }
  }
  for (; x < n; ++x) {
    for (size_t k = 0; k < 3; ++k) storeSample(dst + x * 4 + k, loadSample<U>(src + x * 4 + k));
  }
}

template <class U, size_t C, bool kKeepAlpha, bool kFromValue>
void MaskedRow(const void* srcv, void* dstv, const uint8_t* mask, size_t n) {
  const U* src = static_cast<const U*>(srcv);
  U* dst = static_cast<U*>(dstv);
  constexpr size_t kWritten = kKeepAlpha ? 3 : C;
  const InterleaveTag<U> d;
  const size_t N = hn::Lanes(d);
  hn::Vec<decltype(d)> value[C];
  if constexpr (kFromValue) {
    for (size_t k = 0; k < kWritten; ++k) value[k] = hn::Set(d, src[k]);
  }
  size_t x = 0;
  if (n >= N) {
    for (; x <= n - N; x += N) {
      const auto m = MaskFromBytes(d, mask + x);
      hn::Vec<decltype(d)> s[C], t[C];
      if constexpr (!kFromValue) LoadPixels<C>(d, src + x * C, s);
      LoadPixels<C>(d, dst + x * C, t);
      for (size_t k = 0; k < kWritten; ++k) {
        t[k] = hn::IfThenElse(m, kFromValue ? value[k] : s[k], t[k]);
      }
      StorePixels<C>(d, t, dst + x * C);
    }
  }
  for (; x < n; ++x) {
    if (mask[x] == 0) continue;
    for (size_t k = 0; k < kWritten; ++k) {
      storeSample(dst + x * C + k, loadSample<U>(kFromValue ? src + k : src + x * C + k));
    }
  }
}

// The row and image forms of one channel pairing.
template <class U, size_t CIN, size_t COUT>
void FillShuffle(MoveKernels& k, int s) {
  k.shuffle[s][CIN][COUT] = &ShuffleRow<U, CIN, COUT>;
  k.shuffleImage[s][CIN][COUT] = &ShuffleImage<U, CIN, COUT>;
}

template <class U>
void FillSizeClass(MoveKernels& k, int s) {
  FillShuffle<U, 1, 3>(k, s);
  FillShuffle<U, 1, 4>(k, s);
  FillShuffle<U, 3, 3>(k, s);
  FillShuffle<U, 3, 4>(k, s);
  FillShuffle<U, 4, 3>(k, s);
  FillShuffle<U, 4, 4>(k, s);
  k.split[s][3] = &SplitImage<U, 3>;
  k.split[s][4] = &SplitImage<U, 4>;
  k.merge[s][3] = &MergeImage<U, 3>;
  k.merge[s][4] = &MergeImage<U, 4>;
  k.fill[s][kMoveC1] = &FillRow<U, 1, false>;
  k.fill[s][kMoveC3] = &FillRow<U, 3, false>;
  k.fill[s][kMoveC4] = &FillRow<U, 4, false>;
  k.fill[s][kMoveAC4] = &FillRow<U, 4, true>;
  k.fillImage[s][kMoveC1] = &FillImage<U, 1, false>;
  k.fillImage[s][kMoveC3] = &FillImage<U, 3, false>;
  k.fillImage[s][kMoveC4] = &FillImage<U, 4, false>;
  k.fillImage[s][kMoveAC4] = &FillImage<U, 4, true>;
  k.copyKeepAlpha[s] = &CopyKeepAlphaRow<U>;
  k.maskedCopy[s][kMoveC1] = &MaskedRow<U, 1, false, false>;
  k.maskedCopy[s][kMoveC3] = &MaskedRow<U, 3, false, false>;
  k.maskedCopy[s][kMoveC4] = &MaskedRow<U, 4, false, false>;
  k.maskedCopy[s][kMoveAC4] = &MaskedRow<U, 4, true, false>;
  k.maskedFill[s][kMoveC1] = &MaskedRow<U, 1, false, true>;
  k.maskedFill[s][kMoveC3] = &MaskedRow<U, 3, false, true>;
  k.maskedFill[s][kMoveC4] = &MaskedRow<U, 4, false, true>;
  k.maskedFill[s][kMoveAC4] = &MaskedRow<U, 4, true, true>;
}

const MoveKernels* GetMoveKernels() {
  static const MoveKernels kernels = [] {
    MoveKernels k{};
    k.streamCopy = &StreamCopy;
    FillSizeClass<uint8_t>(k, 0);
    FillSizeClass<uint16_t>(k, 1);
    FillSizeClass<uint32_t>(k, 2);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetMoveKernels);
const MoveKernels& moveKernels() { return *HWY_DYNAMIC_DISPATCH(GetMoveKernels)(); }
}  // namespace rux
#endif
