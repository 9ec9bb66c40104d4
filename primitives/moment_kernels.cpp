// Vector row kernels of the image moments, compiled once per target and dispatched at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/moment_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"
#include "primitives/moment_kernels.h"

#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Two vectors of columns at a time keep the eight running sums in registers while the block's
// rows stream past; the remaining columns run one at a time on the same 32-bit arithmetic.
template <class U>
void CascadeBlock(const void* src, std::ptrdiff_t step, int rows, int steps, std::size_t n,
                  std::uint32_t* const* t) {
  const hn::ScalableTag<std::uint32_t> d;
  const hn::Rebind<U, decltype(d)> ds;
  const std::size_t N = hn::Lanes(d);
  const auto* base = static_cast<const std::uint8_t*>(src);
  std::size_t x = 0;
  for (; x + 2 * N <= n; x += 2 * N) {
    auto a1 = hn::Zero(d), a2 = a1, a3 = a1, a4 = a1;
    auto b1 = a1, b2 = a1, b3 = a1, b4 = a1;
    const std::uint8_t* p = base + x * sizeof(U);
    for (int r = 0; r < rows; ++r, p += step) {
      const U* q = reinterpret_cast<const U*>(p);
      const auto va = hn::PromoteTo(d, hn::LoadU(ds, q));
      const auto vb = hn::PromoteTo(d, hn::LoadU(ds, q + N));
      a1 = hn::Add(a1, va);
      b1 = hn::Add(b1, vb);
      a2 = hn::Add(a2, a1);
      b2 = hn::Add(b2, b1);
      a3 = hn::Add(a3, a2);
      b3 = hn::Add(b3, b2);
      a4 = hn::Add(a4, a3);
      b4 = hn::Add(b4, b3);
    }
    for (int r = rows; r < steps; ++r) {
      a2 = hn::Add(a2, a1);
      b2 = hn::Add(b2, b1);
      a3 = hn::Add(a3, a2);
      b3 = hn::Add(b3, b2);
      a4 = hn::Add(a4, a3);
      b4 = hn::Add(b4, b3);
    }
    hn::StoreU(a1, d, t[0] + x);
    hn::StoreU(b1, d, t[0] + x + N);
    hn::StoreU(a2, d, t[1] + x);
    hn::StoreU(b2, d, t[1] + x + N);
    hn::StoreU(a3, d, t[2] + x);
    hn::StoreU(b3, d, t[2] + x + N);
    hn::StoreU(a4, d, t[3] + x);
    hn::StoreU(b4, d, t[3] + x + N);
  }
  for (; x < n; ++x) {
    std::uint32_t s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    const std::uint8_t* p = base + x * sizeof(U);
    for (int r = 0; r < rows; ++r, p += step) {
      U v;
      std::memcpy(&v, p, sizeof(U));
      s1 += v;
      s2 += s1;
      s3 += s2;
      s4 += s3;
    }
    for (int r = rows; r < steps; ++r) {
      s2 += s1;
      s3 += s2;
      s4 += s3;
    }
    t[0][x] = s1;
    t[1][x] = s2;
    t[2][x] = s3;
    t[3][x] = s4;
  }
}

template <class D>
HWY_INLINE hn::Vec<D> AddTo(D d, std::uint64_t* p, hn::Vec<D> v) {
  const auto sum = hn::Add(hn::LoadU(d, p), v);
  hn::StoreU(sum, d, p);
  return sum;
}

void FoldBlock(const std::uint32_t* const* t, std::uint64_t* const* q, std::size_t n) {
  const hn::ScalableTag<std::uint64_t> d;
  const hn::Rebind<std::uint32_t, decltype(d)> d32;
  const std::size_t N = hn::Lanes(d);
  std::size_t i = 0;
  for (; i + N <= n; i += N) {
    const auto t1 = hn::PromoteTo(d, hn::LoadU(d32, t[0] + i));
    const auto t2 = hn::PromoteTo(d, hn::LoadU(d32, t[1] + i));
    const auto t3 = hn::PromoteTo(d, hn::LoadU(d32, t[2] + i));
    const auto t4 = hn::PromoteTo(d, hn::LoadU(d32, t[3] + i));
    AddTo(d, q[3] + i, AddTo(d, q[2] + i, AddTo(d, q[1] + i, AddTo(d, q[0] + i, t1))));
    AddTo(d, q[6] + i, AddTo(d, q[5] + i, AddTo(d, q[4] + i, t2)));
    AddTo(d, q[8] + i, AddTo(d, q[7] + i, t3));
    AddTo(d, q[9] + i, t4);
  }
  for (; i < n; ++i) {
    q[0][i] += t[0][i];
    q[1][i] += q[0][i];
    q[2][i] += q[1][i];
    q[3][i] += q[2][i];
    q[4][i] += t[1][i];
    q[5][i] += q[4][i];
    q[6][i] += q[5][i];
    q[7][i] += t[2][i];
    q[8][i] += q[7][i];
    q[9][i] += t[3][i];
  }
}

// Multiply then add (never fused), in the same order as the scalar tail, so every target rounds
// each sample's contribution the same way.
void AccumulateRow32f(const float* row, std::size_t n, const double* yPow, double* const* c) {
  const hn::ScalableTag<double> d;
  const hn::Rebind<float, decltype(d)> df;
  const std::size_t N = hn::Lanes(d);
  const auto y1 = hn::Set(d, yPow[1]), y2 = hn::Set(d, yPow[2]), y3 = hn::Set(d, yPow[3]);
  std::size_t i = 0;
  for (; i + N <= n; i += N) {
    const auto v = hn::PromoteTo(d, hn::LoadU(df, row + i));
    hn::StoreU(hn::Add(hn::LoadU(d, c[0] + i), v), d, c[0] + i);
    hn::StoreU(hn::Add(hn::LoadU(d, c[1] + i), hn::Mul(v, y1)), d, c[1] + i);
    hn::StoreU(hn::Add(hn::LoadU(d, c[2] + i), hn::Mul(v, y2)), d, c[2] + i);
    hn::StoreU(hn::Add(hn::LoadU(d, c[3] + i), hn::Mul(v, y3)), d, c[3] + i);
  }
  for (; i < n; ++i) {
    float f;
    std::memcpy(&f, row + i, sizeof(f));
    const double v = f;
    c[0][i] += v;
    c[1][i] += v * yPow[1];
    c[2][i] += v * yPow[2];
    c[3][i] += v * yPow[3];
  }
}

const MomentKernels* GetMomentKernels() {
  static const MomentKernels kernels = {&CascadeBlock<std::uint8_t>,
                                        &CascadeBlock<std::uint16_t>, &FoldBlock,
                                        &AccumulateRow32f};
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
HWY_EXPORT(GetMomentKernels);
const MomentKernels& momentKernels() { return *HWY_DYNAMIC_DISPATCH(GetMomentKernels)(); }
}  // namespace rux
#endif
