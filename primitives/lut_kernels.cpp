// Vector byte look-up, compiled once per target and dispatched at run time.
//
// A 256-entry table is sixteen 16-entry sub-tables. Every sub-table is looked up with the low
// nibble of each byte (an in-block byte shuffle, the table broadcast to every 128-bit block),
// then a binary tree of fifteen blends keyed on bits 4..7 picks the right one of the sixteen
// results. Sixteen shuffles plus fifteen blends per vector beat a scalar load per byte on every
// x86 target; the one-lane fallback is the plain indexed loop.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/lut_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/lut_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void ByteLutRow(const uint8_t* table, const uint8_t* src, uint8_t* dst, size_t n) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d;
  using V = hn::Vec<decltype(d)>;
  const size_t N = hn::Lanes(d);
  if (n >= N) {
    V sub[16];
    for (size_t k = 0; k < 16; ++k) sub[k] = hn::LoadDup128(d, table + 16 * k);
    const V nibble = hn::Set(d, uint8_t{0x0F});
    const V bit4 = hn::Set(d, uint8_t{0x10});
    const V bit5 = hn::Set(d, uint8_t{0x20});
    const V bit6 = hn::Set(d, uint8_t{0x40});
    const V bit7 = hn::Set(d, uint8_t{0x80});
    for (; x <= n - N; x += N) {
      const V v = hn::LoadU(d, src + x);
      const V lo = hn::And(v, nibble);
      const auto m4 = hn::TestBit(v, bit4);
      V r[8];
      for (size_t k = 0; k < 8; ++k) {
        r[k] = hn::IfThenElse(m4, hn::TableLookupBytes(sub[2 * k + 1], lo),
                              hn::TableLookupBytes(sub[2 * k], lo));
      }
      const auto m5 = hn::TestBit(v, bit5);
      for (size_t k = 0; k < 4; ++k) r[k] = hn::IfThenElse(m5, r[2 * k + 1], r[2 * k]);
      const auto m6 = hn::TestBit(v, bit6);
      for (size_t k = 0; k < 2; ++k) r[k] = hn::IfThenElse(m6, r[2 * k + 1], r[2 * k]);
      hn::StoreU(hn::IfThenElse(hn::TestBit(v, bit7), r[1], r[0]), d, dst + x);
    }
  }
#endif
  for (; x < n; ++x) dst[x] = table[src[x]];
}

const LutKernels* GetLutKernels() {
  static const LutKernels kernels = [] {
    LutKernels k{};
    k.byteLut = &ByteLutRow;
    return k;
  }();
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetLutKernels);
const LutKernels& lutKernels() { return *HWY_DYNAMIC_DISPATCH(GetLutKernels)(); }
}  // namespace rux
#endif
