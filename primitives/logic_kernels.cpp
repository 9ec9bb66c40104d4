// Vector row kernels of the logical and shift operations, compiled once per target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/logic_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/logic_kernels.h"
#include "primitives/pointwise-inl.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <int kOp, class V>
HWY_INLINE V BitApply(V a, V b) {
  if constexpr (kOp == kBitAnd) {
    return hn::And(a, b);
  } else if constexpr (kOp == kBitOr) {
    return hn::Or(a, b);
  } else {
    return hn::Xor(a, b);
  }
}

template <class U, int kOp, bool kAlpha>
void BinaryRow(const void* av, const void* bv, void* dstv, size_t n) {
  const U* a = static_cast<const U*>(av);
  const U* b = static_cast<const U*>(bv);
  U* dst = static_cast<U*>(dstv);
  const auto op = [a, b](auto d, size_t i, size_t) {
    return BitApply<kOp>(LoadAt(d, a + i), LoadAt(d, b + i));
  };
  ForPixels<kAlpha ? 4 : 1, kAlpha>(hn::ScalableTag<U>(), dst, n, op);
}

template <class U, int kOp, size_t C, bool kAlpha>
void ConstRow(const void* srcv, const void* valuev, void* dstv, size_t n) {
  const U* src = static_cast<const U*>(srcv);
  U* dst = static_cast<U*>(dstv);
  const hn::ScalableTag<U> d;
  HWY_ALIGN U pattern[kMaxPatternBytes / sizeof(U)];
  BuildPattern<C>(d, static_cast<const U*>(valuev), pattern);
  const U* pat = pattern;
  const auto op = [src, pat](auto dd, size_t i, size_t p) {
    return BitApply<kOp>(LoadAt(dd, src + i), LoadAt(dd, pat + p));
  };
  ForPixels<C, kAlpha>(d, dst, n, op);
}

// One count for every lane: a count of the full width gives 0 (unsigned and left shifts only).
template <int kDir, class V>
HWY_INLINE V ShiftBy(V v, int count) {
  using T = hn::TFromV<V>;
  constexpr int kBits = static_cast<int>(sizeof(T) * 8);
  if (count >= kBits) return hn::Zero(hn::DFromV<V>());
  if constexpr (kDir == kShiftLeft) {
    return hn::ShiftLeftSame(v, count);
  } else {
    return hn::ShiftRightSame(v, count);
  }
}

// Channel c of every pixel shifted by count[c]. With several channels the lanes of each channel
// are picked from the shift by that channel's count (a pattern of channel numbers tells them).
template <class T, int kDir, size_t C, bool kAlpha>
void ShiftRow(const void* srcv, void* dstv, size_t n, const int* count) {
  const T* src = static_cast<const T*>(srcv);
  T* dst = static_cast<T*>(dstv);
  const hn::ScalableTag<T> d;
  HWY_ALIGN T channel[kMaxPatternBytes / sizeof(T)];
  const T channels[4] = {0, 1, 2, 3};
  BuildPattern<C>(d, channels, channel);
  const T* chan = channel;
  int k[4] = {0, 0, 0, 0};
  for (size_t c = 0; c < C; ++c) k[c] = count[c];
  const auto op = [src, chan, k](auto dd, size_t i, size_t p) {
    const auto v = LoadAt(dd, src + i);
    auto r = ShiftBy<kDir>(v, k[0]);
    if constexpr (C > 1) {
      const auto ch = LoadAt(dd, chan + p);
      for (size_t c = 1; c < (kAlpha ? 3 : C); ++c) {
        r = hn::IfThenElse(hn::Eq(ch, hn::Set(dd, static_cast<T>(c))), ShiftBy<kDir>(v, k[c]), r);
      }
    }
    return r;
  };
  ForPixels<C, kAlpha>(d, dst, n, op);
}

template <class U>
void FillSizeClass(LogicKernels& k, int s) {
  k.binary[s][kBitAnd][0] = &BinaryRow<U, kBitAnd, false>;
  k.binary[s][kBitOr][0] = &BinaryRow<U, kBitOr, false>;
  k.binary[s][kBitXor][0] = &BinaryRow<U, kBitXor, false>;
  k.binary[s][kBitAnd][1] = &BinaryRow<U, kBitAnd, true>;
  k.binary[s][kBitOr][1] = &BinaryRow<U, kBitOr, true>;
  k.binary[s][kBitXor][1] = &BinaryRow<U, kBitXor, true>;
  const auto layouts = [&k, s](auto op) {
    constexpr int kOp = decltype(op)::value;
    k.constant[s][kOp][kMoveC1] = &ConstRow<U, kOp, 1, false>;
    k.constant[s][kOp][kMoveC3] = &ConstRow<U, kOp, 3, false>;
    k.constant[s][kOp][kMoveC4] = &ConstRow<U, kOp, 4, false>;
    k.constant[s][kOp][kMoveAC4] = &ConstRow<U, kOp, 4, true>;
  };
  layouts(std::integral_constant<int, kBitAnd>());
  layouts(std::integral_constant<int, kBitOr>());
  layouts(std::integral_constant<int, kBitXor>());
}

template <class T, int kDir>
void FillShift(LogicKernels& k, ShiftType t) {
  k.shift[t][kDir][kMoveC1] = &ShiftRow<T, kDir, 1, false>;
  k.shift[t][kDir][kMoveC3] = &ShiftRow<T, kDir, 3, false>;
  k.shift[t][kDir][kMoveC4] = &ShiftRow<T, kDir, 4, false>;
  k.shift[t][kDir][kMoveAC4] = &ShiftRow<T, kDir, 4, true>;
}

const LogicKernels* GetLogicKernels() {
  static const LogicKernels kernels = [] {
    LogicKernels k{};
    FillSizeClass<uint8_t>(k, 0);
    FillSizeClass<uint16_t>(k, 1);
    FillSizeClass<uint32_t>(k, 2);
    FillShift<uint8_t, kShiftLeft>(k, kShift8u);
    FillShift<uint16_t, kShiftLeft>(k, kShift16u);
    FillShift<int32_t, kShiftLeft>(k, kShift32s);
    FillShift<uint8_t, kShiftRight>(k, kShift8u);
    FillShift<int8_t, kShiftRight>(k, kShift8s);
    FillShift<uint16_t, kShiftRight>(k, kShift16u);
    FillShift<int16_t, kShiftRight>(k, kShift16s);
    FillShift<int32_t, kShiftRight>(k, kShift32s);
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetLogicKernels);
const LogicKernels& logicKernels() { return *HWY_DYNAMIC_DISPATCH(GetLogicKernels)(); }
}  // namespace rux
#endif
