// Vector row kernels of the rank and morphology filters, compiled once per target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/minmax_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/unaligned.h"
#include "primitives/minmax_kernels.h"

#include <cstring>
#include <utility>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace rank {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <Op kOp, class V>
HWY_INLINE V Pick(V a, V b) {
  if constexpr (kOp == kMax) {
    return hn::Max(a, b);
  } else {
    return hn::Min(a, b);
  }
}

template <Op kOp, class T>
HWY_INLINE T PickOne(T a, T b) {
  if constexpr (kOp == kMax) {
    return a > b ? a : b;
  } else {
    return a < b ? a : b;
  }
}

template <class T, Op kOp>
void Combine(const unsigned char* base, const std::ptrdiff_t* off, int count, std::size_t n, void* outv) {
  T* HWY_RESTRICT out = static_cast<T*>(outv);
  const hn::ScalableTag<T> d;
  const std::size_t N = hn::Lanes(d);
  std::size_t i = 0;
  for (; i + 4 * N <= n; i += 4 * N) {
    const T* p = reinterpret_cast<const T*>(base + off[0]) + i;
    auto a0 = hn::LoadU(d, p), a1 = hn::LoadU(d, p + N), a2 = hn::LoadU(d, p + 2 * N), a3 = hn::LoadU(d, p + 3 * N);
    for (int t = 1; t < count; ++t) {
      const T* q = reinterpret_cast<const T*>(base + off[t]) + i;
      a0 = Pick<kOp>(a0, hn::LoadU(d, q));
      a1 = Pick<kOp>(a1, hn::LoadU(d, q + N));
      a2 = Pick<kOp>(a2, hn::LoadU(d, q + 2 * N));
      a3 = Pick<kOp>(a3, hn::LoadU(d, q + 3 * N));
    }
    hn::StoreU(a0, d, out + i);
    hn::StoreU(a1, d, out + i + N);
    hn::StoreU(a2, d, out + i + 2 * N);
    hn::StoreU(a3, d, out + i + 3 * N);
  }
  for (; i + N <= n; i += N) {
    auto a = hn::LoadU(d, reinterpret_cast<const T*>(base + off[0]) + i);
    for (int t = 1; t < count; ++t) a = Pick<kOp>(a, hn::LoadU(d, reinterpret_cast<const T*>(base + off[t]) + i));
    hn::StoreU(a, d, out + i);
  }
  for (; i < n; ++i) {
    T a = loadSample<T>(base + off[0] + i * sizeof(T));
    for (int t = 1; t < count; ++t) a = PickOne<kOp>(a, loadSample<T>(base + off[t] + i * sizeof(T)));
    out[i] = a;
  }
}

#if HWY_TARGET != HWY_SCALAR
// The row at byte offset t < 32 of the vector l0, from the vectors loaded at l0, l0 + 16 bytes
// and l0 + 32 bytes: blockwise byte shifts put each block's next bytes in place.
template <int t, class D, class V>
HWY_INLINE V ShiftedRow(D d, V l0, V l16, V l32) {
  const hn::Repartition<uint8_t, D> d8;
  if constexpr (t == 0) {
    return l0;
  } else if constexpr (t < 16) {
    return hn::BitCast(d, hn::CombineShiftRightBytes<t>(d8, hn::BitCast(d8, l16), hn::BitCast(d8, l0)));
  } else if constexpr (t == 16) {
    return l16;
  } else {
    return hn::BitCast(d, hn::CombineShiftRightBytes<t - 16>(d8, hn::BitCast(d8, l32), hn::BitCast(d8, l16)));
  }
}

template <class T, Op kOp, int kTaps, int... ts>
HWY_INLINE auto CombineTaps(hn::ScalableTag<T> d, const unsigned char* p, std::integer_sequence<int, ts...>) {
  constexpr bool kFar = (kTaps - 1) * sizeof(T) > 16;
  const auto l0 = hn::LoadU(d, reinterpret_cast<const T*>(p));
  const auto l16 = hn::LoadU(d, reinterpret_cast<const T*>(p + 16));
  const auto l32 = kFar ? hn::LoadU(d, reinterpret_cast<const T*>(p + 32)) : l16;
  auto acc = l0;
  ((acc = Pick<kOp>(acc, ShiftedRow<(ts + 1) * static_cast<int>(sizeof(T))>(d, l0, l16, l32))), ...);
  return acc;
}

template <class T, Op kOp, int kTaps>
std::size_t CombineRun(const unsigned char* row, std::size_t n, std::size_t avail, T* HWY_RESTRICT out) {
  const hn::ScalableTag<T> d;
  const std::size_t N = hn::Lanes(d);
  const std::size_t reach = ((kTaps - 1) * sizeof(T) > 16 ? 32 : 16) + N * sizeof(T);
  std::size_t i = 0;
  for (; i + N <= n && i * sizeof(T) + reach <= avail; i += N) {
    hn::StoreU(CombineTaps<T, kOp, kTaps>(d, row + i * sizeof(T), std::make_integer_sequence<int, kTaps - 1>()), d,
               out + i);
  }
  return i;
}

template <class T, Op kOp>
std::size_t CombineNear(const unsigned char* row, int taps, std::size_t n, std::size_t avail, void* outv) {
  T* out = static_cast<T*>(outv);
  if (hn::Lanes(hn::ScalableTag<T>()) * sizeof(T) < 16) return 0;
  switch (taps) {
    case 2: return CombineRun<T, kOp, 2>(row, n, avail, out);
    case 3: return CombineRun<T, kOp, 3>(row, n, avail, out);
    case 4: return CombineRun<T, kOp, 4>(row, n, avail, out);
    case 5: if constexpr (sizeof(T) <= 4) return CombineRun<T, kOp, 5>(row, n, avail, out); break;
    case 6: if constexpr (sizeof(T) <= 4) return CombineRun<T, kOp, 6>(row, n, avail, out); break;
    case 7: if constexpr (sizeof(T) <= 4) return CombineRun<T, kOp, 7>(row, n, avail, out); break;
    default: break;
  }
  return 0;
}
#else
template <class T, Op kOp>
std::size_t CombineNear(const unsigned char*, int, std::size_t, std::size_t, void*) {
  return 0;
}
#endif

template <class T, Op kOp>
void CombinePair(const unsigned char* base, const std::ptrdiff_t* off, int count, std::ptrdiff_t offA,
                 std::ptrdiff_t offB, std::size_t n, void* outAv, void* outBv) {
  T* HWY_RESTRICT outA = static_cast<T*>(outAv);
  T* HWY_RESTRICT outB = static_cast<T*>(outBv);
  const hn::ScalableTag<T> d;
  const std::size_t N = hn::Lanes(d);
  const auto rowAt = [&](std::ptrdiff_t o, std::size_t i) { return reinterpret_cast<const T*>(base + o) + i; };
  std::size_t i = 0;
  for (; i + 2 * N <= n; i += 2 * N) {
    auto a0 = hn::LoadU(d, rowAt(off[0], i)), a1 = hn::LoadU(d, rowAt(off[0], i + N));
    for (int t = 1; t < count; ++t) {
      a0 = Pick<kOp>(a0, hn::LoadU(d, rowAt(off[t], i)));
      a1 = Pick<kOp>(a1, hn::LoadU(d, rowAt(off[t], i + N)));
    }
    hn::StoreU(Pick<kOp>(a0, hn::LoadU(d, rowAt(offA, i))), d, outA + i);
    hn::StoreU(Pick<kOp>(a1, hn::LoadU(d, rowAt(offA, i + N))), d, outA + i + N);
    hn::StoreU(Pick<kOp>(a0, hn::LoadU(d, rowAt(offB, i))), d, outB + i);
    hn::StoreU(Pick<kOp>(a1, hn::LoadU(d, rowAt(offB, i + N))), d, outB + i + N);
  }
  for (; i + N <= n; i += N) {
    auto a = hn::LoadU(d, rowAt(off[0], i));
    for (int t = 1; t < count; ++t) a = Pick<kOp>(a, hn::LoadU(d, rowAt(off[t], i)));
    hn::StoreU(Pick<kOp>(a, hn::LoadU(d, rowAt(offA, i))), d, outA + i);
    hn::StoreU(Pick<kOp>(a, hn::LoadU(d, rowAt(offB, i))), d, outB + i);
  }
  for (; i < n; ++i) {
    T a = loadSample<T>(base + off[0] + i * sizeof(T));
    for (int t = 1; t < count; ++t) a = PickOne<kOp>(a, loadSample<T>(base + off[t] + i * sizeof(T)));
    outA[i] = PickOne<kOp>(a, loadSample<T>(base + offA + i * sizeof(T)));
    outB[i] = PickOne<kOp>(a, loadSample<T>(base + offB + i * sizeof(T)));
  }
}

template <class T, Op kOp>
void Level(const void* inv, void* outv, std::size_t n, std::size_t shift) {
  const T* in = static_cast<const T*>(inv);
  T* HWY_RESTRICT out = static_cast<T*>(outv);
  const hn::ScalableTag<T> d;
  const std::size_t N = hn::Lanes(d);
  std::size_t i = 0;
  for (; i + 2 * N <= n; i += 2 * N) {
    hn::StoreU(Pick<kOp>(hn::LoadU(d, in + i), hn::LoadU(d, in + i + shift)), d, out + i);
    hn::StoreU(Pick<kOp>(hn::LoadU(d, in + i + N), hn::LoadU(d, in + i + N + shift)), d, out + i + N);
  }
  for (; i + N <= n; i += N) hn::StoreU(Pick<kOp>(hn::LoadU(d, in + i), hn::LoadU(d, in + i + shift)), d, out + i);
  // The first level reads the caller's row, which may sit at any byte address.
  const auto* bytes = reinterpret_cast<const unsigned char*>(in);
  for (; i < n; ++i) out[i] = PickOne<kOp>(loadSample<T>(bytes + i * sizeof(T)), loadSample<T>(bytes + (i + shift) * sizeof(T)));
}

template <class T>
void Fill(MinMaxKernels& k, Type t) {
  k.combine[t][kMin] = &Combine<T, kMin>;
  k.combine[t][kMax] = &Combine<T, kMax>;
  k.combinePair[t][kMin] = &CombinePair<T, kMin>;
  k.combinePair[t][kMax] = &CombinePair<T, kMax>;
  k.combineNear[t][kMin] = &CombineNear<T, kMin>;
  k.combineNear[t][kMax] = &CombineNear<T, kMax>;
  k.level[t][kMin] = &Level<T, kMin>;
  k.level[t][kMax] = &Level<T, kMax>;
}

const MinMaxKernels* GetMinMaxKernels() {
  static const MinMaxKernels kernels = [] {
    MinMaxKernels k{};
    Fill<uint8_t>(k, k8u);
    Fill<uint16_t>(k, k16u);
    Fill<int16_t>(k, k16s);
    Fill<float>(k, k32f);
    Fill<double>(k, k64f);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rank
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux::rank {
HWY_EXPORT(GetMinMaxKernels);
const MinMaxKernels& minMaxKernels() { return *HWY_DYNAMIC_DISPATCH(GetMinMaxKernels)(); }
}  // namespace rux::rank
#endif
