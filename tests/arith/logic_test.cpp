// Logical and shift operations against the reference: every layout, type and form over widths
// that cross every vector length, exhaustive 8-bit operand pairs and 8/16-bit shifts by every
// count 0..40, per-channel counts, AC4 alpha, in place, and the validation order.
#include <algorithm>
#include <functional>
#include <string>

#include "ref/logic_ref.h"

namespace {

using ruxref::Bit;
using ruxtest::GuardedImage;

constexpr int kChannels[4] = {1, 3, 4, 4};  // C1, C3, C4, AC4
const char* const kLayoutNames[4] = {"C1", "C3", "C4", "AC4"};
constexpr std::uint32_t kColour = 0x7;      // writable channels of AC4

// Uniform signatures: a C1 constant or count is passed through value[0].
template <class T>
using BinFn = std::function<RuxResult(const T*, int, const T*, int, T*, int, RuxImageSize)>;
template <class T>
using BinIFn = std::function<RuxResult(const T*, int, T*, int, RuxImageSize)>;
template <class T, class V>
using ConstFn = std::function<RuxResult(const T*, int, const V*, T*, int, RuxImageSize)>;
template <class T, class V>
using ConstIFn = std::function<RuxResult(const V*, T*, int, RuxImageSize)>;

template <class T, class V>
struct ConstForms {
  ConstFn<T, V> r[4];
  ConstIFn<T, V> ir[4];
};

template <class T, class V, class R1, class I1, class RM, class IM>
ConstForms<T, V> constForms(R1 r1, I1 i1, RM r3, IM i3, RM r4, IM i4, RM ra, IM ia) {
  ConstForms<T, V> f;
  f.r[0] = [r1](const T* s, int ss, const V* v, T* d, int ds, RuxImageSize z) { return r1(s, ss, v[0], d, ds, z); };
  f.ir[0] = [i1](const V* v, T* d, int ds, RuxImageSize z) { return i1(v[0], d, ds, z); };
  f.r[1] = r3, f.ir[1] = i3, f.r[2] = r4, f.ir[2] = i4, f.r[3] = ra, f.ir[3] = ia;
  return f;
}

template <class T>
struct BitApi {
  BinFn<T> bin[3][4];
  BinIFn<T> binI[3][4];
  ConstForms<T, T> cst[3];
};

#define RUX_BIN_FORMS(op, type) \
  {ruxi##op##_##type##_C1R, ruxi##op##_##type##_C3R, ruxi##op##_##type##_C4R, ruxi##op##_##type##_AC4R}
#define RUX_BINI_FORMS(op, type) \
  {ruxi##op##_##type##_C1IR, ruxi##op##_##type##_C3IR, ruxi##op##_##type##_C4IR, ruxi##op##_##type##_AC4IR}
#define RUX_CONST_FORMS(T, V, op, type)                                                          \
  constForms<T, V>(ruxi##op##_##type##_C1R, ruxi##op##_##type##_C1IR, ruxi##op##_##type##_C3R,   \
                   ruxi##op##_##type##_C3IR, ruxi##op##_##type##_C4R, ruxi##op##_##type##_C4IR,  \
                   ruxi##op##_##type##_AC4R, ruxi##op##_##type##_AC4IR)
#define RUX_BIT_API(type, T)                                                                     \
  BitApi<T> bitApi(T*) {                                                                         \
    return {{RUX_BIN_FORMS(And, type), RUX_BIN_FORMS(Or, type), RUX_BIN_FORMS(Xor, type)},       \
            {RUX_BINI_FORMS(And, type), RUX_BINI_FORMS(Or, type), RUX_BINI_FORMS(Xor, type)},    \
            {RUX_CONST_FORMS(T, T, AndC, type), RUX_CONST_FORMS(T, T, OrC, type),                \
             RUX_CONST_FORMS(T, T, XorC, type)}};                                                \
  }
RUX_BIT_API(8u, Rux8u)
RUX_BIT_API(16u, Rux16u)
RUX_BIT_API(32s, Rux32s)

template <class T>
ConstForms<T, Rux32u> lshift(T*);
template <class T>
ConstForms<T, Rux32u> rshift(T*);
#define RUX_SHIFT_API(dir, name, type, T) \
  template <>                             \
  ConstForms<T, Rux32u> dir(T*) {         \
    return RUX_CONST_FORMS(T, Rux32u, name, type); \
  }
RUX_SHIFT_API(lshift, LShiftC, 8u, Rux8u)
RUX_SHIFT_API(lshift, LShiftC, 16u, Rux16u)
RUX_SHIFT_API(lshift, LShiftC, 32s, Rux32s)
RUX_SHIFT_API(rshift, RShiftC, 8u, Rux8u)
RUX_SHIFT_API(rshift, RShiftC, 8s, Rux8s)
RUX_SHIFT_API(rshift, RShiftC, 16u, Rux16u)
RUX_SHIFT_API(rshift, RShiftC, 16s, Rux16s)
RUX_SHIFT_API(rshift, RShiftC, 32s, Rux32s)

constexpr Bit kBits[3] = {Bit::And, Bit::Or, Bit::Xor};

template <class T>
class LogicTest : public ::testing::Test {};
using BitTypes = ::testing::Types<Rux8u, Rux16u, Rux32s>;
TYPED_TEST_SUITE(LogicTest, BitTypes);

TYPED_TEST(LogicTest, EveryLayoutAndFormMatchesTheReference) {
  using T = TypeParam;
  const BitApi<T> api = bitApi(static_cast<T*>(nullptr));
  for (int op = 0; op < 3; ++op) {
    for (int l = 0; l < 4; ++l) {
      const int ch = kChannels[l];
      const bool ac4 = l == 3;
      const std::uint32_t writable = ac4 ? kColour : 0xf;
      for (int w : ruxtest::sweepWidths()) {
        const std::string what = std::to_string(op) + " " + kLayoutNames[l] + " width " + std::to_string(w);
        GuardedImage<T> a(w, 3, ch, 11 + w, 1), b(w, 3, ch, 12 + w, 2), dst(w, 3, ch, 13 + w, 3);
        const auto want = ruxref::pointwise(dst, ac4, [&](int x, int y, int c) {
          return ruxref::bitOp(kBits[op], a.at(x, y, c), b.at(x, y, c));
        });
        ASSERT_EQ(api.bin[op][l](a.data(), a.step(), b.data(), b.step(), dst.data(), dst.step(), {w, 3}), 0);
        ASSERT_TRUE(regionEquals(dst, want)) << what;
        ASSERT_TRUE(dst.check(writable)) << what;
        // In place: b receives the result; its own alpha stays.
        const auto wantI = ruxref::pointwise(b, ac4, [&](int x, int y, int c) {
          return ruxref::bitOp(kBits[op], a.at(x, y, c), b.at(x, y, c));
        });
        ASSERT_EQ(api.binI[op][l](a.data(), a.step(), b.data(), b.step(), {w, 3}), 0);
        ASSERT_TRUE(regionEquals(b, wantI)) << what << " in place";
        ASSERT_TRUE(b.check(writable)) << what;
        ASSERT_TRUE(a.unchanged());

        // Constant forms: one value per channel.
        std::mt19937 rng(w);
        const T value[4] = {ruxtest::randomValue<T>(rng), ruxtest::randomValue<T>(rng),
                            ruxtest::randomValue<T>(rng), ruxtest::randomValue<T>(rng)};
        GuardedImage<T> cdst(w, 3, ch, 14 + w, 4);
        const auto wantC = ruxref::pointwise(cdst, ac4, [&](int x, int y, int c) {
          return ruxref::bitOp(kBits[op], a.at(x, y, c), value[l == 0 ? 0 : c]);
        });
        ASSERT_EQ(api.cst[op].r[l](a.data(), a.step(), value, cdst.data(), cdst.step(), {w, 3}), 0);
        ASSERT_TRUE(regionEquals(cdst, wantC)) << what << " constant";
        ASSERT_TRUE(cdst.check(writable)) << what;
        const auto wantCI = ruxref::pointwise(a, ac4, [&](int x, int y, int c) {
          return ruxref::bitOp(kBits[op], a.at(x, y, c), value[l == 0 ? 0 : c]);
        });
        ASSERT_EQ(api.cst[op].ir[l](value, a.data(), a.step(), {w, 3}), 0);
        ASSERT_TRUE(regionEquals(a, wantCI)) << what << " constant in place";
        ASSERT_TRUE(a.check(writable)) << what;
      }
    }
  }
}

// Every pair of 8-bit operands, for the two-image and the constant forms.
TEST(Logic8u, EveryOperandPair) {
  GuardedImage<Rux8u> a(256, 256, 1, 1), b(256, 256, 1, 2), dst(256, 256, 1, 3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) a.at(x, y, 0) = Rux8u(x), b.at(x, y, 0) = Rux8u(y);
  const BitApi<Rux8u> api = bitApi(static_cast<Rux8u*>(nullptr));
  for (int op = 0; op < 3; ++op) {
    ASSERT_EQ(api.bin[op][0](a.data(), a.step(), b.data(), b.step(), dst.data(), dst.step(), {256, 256}), 0);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        ASSERT_EQ(dst.at(x, y, 0), ruxref::bitOp(kBits[op], Rux8u(x), Rux8u(y))) << op;
    for (int v = 0; v < 256; ++v) {
      const Rux8u value = Rux8u(v);
      ASSERT_EQ(api.cst[op].r[0](a.data(), a.step(), &value, dst.row(v), dst.step(), {256, 1}), 0);
      for (int x = 0; x < 256; ++x)
        ASSERT_EQ(dst.at(x, v, 0), ruxref::bitOp(kBits[op], Rux8u(x), value)) << op;
    }
  }
  // Not is Xor with all ones.
  ASSERT_EQ(ruxiNot_8u_C1R(a.data(), a.step(), dst.data(), dst.step(), {256, 1}), 0);
  for (int x = 0; x < 256; ++x) ASSERT_EQ(dst.at(x, 0, 0), Rux8u(~x));
  EXPECT_TRUE(dst.check());
}

TEST(Logic8u, NotEveryLayout) {
  using NotR = RuxResult (*)(const Rux8u*, int, Rux8u*, int, RuxImageSize);
  using NotI = RuxResult (*)(Rux8u*, int, RuxImageSize);
  const NotR r[4] = {ruxiNot_8u_C1R, ruxiNot_8u_C3R, ruxiNot_8u_C4R, ruxiNot_8u_AC4R};
  const NotI ir[4] = {ruxiNot_8u_C1IR, ruxiNot_8u_C3IR, ruxiNot_8u_C4IR, ruxiNot_8u_AC4IR};
  for (int l = 0; l < 4; ++l) {
    for (int w : {1, 7, 33, 130}) {
      GuardedImage<Rux8u> src(w, 2, kChannels[l], 1, 2), dst(w, 2, kChannels[l], 2, 1);
      const auto want = ruxref::pointwise(dst, l == 3, [&](int x, int y, int c) { return Rux8u(~src.at(x, y, c)); });
      ASSERT_EQ(r[l](src.data(), src.step(), dst.data(), dst.step(), {w, 2}), 0);
      ASSERT_TRUE(regionEquals(dst, want));
      ASSERT_TRUE(dst.check(l == 3 ? kColour : 0xf));
      const auto wantI = ruxref::pointwise(src, l == 3, [&](int x, int y, int c) { return Rux8u(~src.at(x, y, c)); });
      ASSERT_EQ(ir[l](src.data(), src.step(), {w, 2}), 0);
      ASSERT_TRUE(regionEquals(src, wantI));
      ASSERT_TRUE(src.check(l == 3 ? kColour : 0xf));
    }
  }
  const Rux8u in = 0x0F;
  Rux8u out = 0;
  ASSERT_EQ(ruxiNot_8u_C1R(&in, 1, &out, 1, {1, 1}), 0);
  EXPECT_EQ(out, 0xF0);
}

// Shifts of every 8- or 16-bit value by every count 0..40; 32s on random and edge values.
template <class T>
class ShiftTest : public ::testing::Test {};
using ShiftTypes = ::testing::Types<Rux8u, Rux8s, Rux16u, Rux16s, Rux32s>;
TYPED_TEST_SUITE(ShiftTest, ShiftTypes);

template <class T>
constexpr bool kHasLeft = !std::is_signed_v<T> || sizeof(T) == 4;

template <class T>
ConstForms<T, Rux32u> shiftForms(int dir) {
  if constexpr (kHasLeft<T>) {
    if (dir == 0) return lshift(static_cast<T*>(nullptr));
  }
  return rshift(static_cast<T*>(nullptr));
}

TYPED_TEST(ShiftTest, EveryValueByEveryCount) {
  using T = TypeParam;
  const int w = sizeof(T) == 4 ? 4099 : 1 << (8 * sizeof(T));
  GuardedImage<T> src(w, 1, 1, 5), dst(w, 1, 1, 6);
  if constexpr (sizeof(T) < 4) {
    for (int x = 0; x < w; ++x) src.at(x, 0, 0) = static_cast<T>(x);
  } else {
    const T edges[] = {0, 1, -1, 2147483647, -2147483647 - 1, 0x55555555, -0x55555556};
    for (int x = 0; x < 7; ++x) src.at(x, 0, 0) = edges[x];
  }
  src.snapshot();
  for (std::uint32_t k : {0u, 1u, 2u, 3u, 5u, 7u, 8u, 9u, 13u, 15u, 16u, 17u, 23u, 30u, 31u, 32u,
                          33u, 40u, 255u, 0xffffffffu}) {
    if (kHasLeft<T>) {
      ASSERT_EQ(shiftForms<T>(0).r[0](src.data(), src.step(), &k, dst.data(), dst.step(), {w, 1}), 0);
      for (int x = 0; x < w; ++x) ASSERT_EQ(dst.at(x, 0, 0), ruxref::shiftLeft(src.at(x, 0, 0), k)) << k;
    }
    ASSERT_EQ(shiftForms<T>(1).r[0](src.data(), src.step(), &k, dst.data(), dst.step(), {w, 1}), 0);
    for (int x = 0; x < w; ++x) ASSERT_EQ(dst.at(x, 0, 0), ruxref::shiftRight(src.at(x, 0, 0), k)) << k;
    ASSERT_TRUE(dst.check());
  }
  for (std::uint32_t k = 0; k <= 40; ++k) {  // every count, in place
    GuardedImage<T> io(w, 1, 1, 7);
    for (int x = 0; x < w; ++x) io.at(x, 0, 0) = src.at(x, 0, 0);
    io.snapshot();
    ASSERT_EQ(shiftForms<T>(1).ir[0](&k, io.data(), io.step(), {w, 1}), 0);
    for (int x = 0; x < w; ++x) ASSERT_EQ(io.at(x, 0, 0), ruxref::shiftRight(src.at(x, 0, 0), k)) << k;
    ASSERT_TRUE(io.check());
  }
}

// Per-channel counts on C3, C4 and AC4, including counts beyond the width and equal counts.
TYPED_TEST(ShiftTest, PerChannelCounts) {
  using T = TypeParam;
  const std::uint32_t countSets[][4] = {{1, 1, 1, 1}, {0, 3, 7, 2}, {0, 0, 0, 0}, {40, 40, 40, 40},
                                        {1, 99, 0, 5}, {8, 16, 32, 4}, {2, 2, 2, 9}};
  for (int dir = 0; dir < 2; ++dir) {
    if (dir == 0 && !kHasLeft<T>) continue;
    const ConstForms<T, Rux32u> f = shiftForms<T>(dir);
    for (int l = 1; l < 4; ++l) {
      for (const auto& k : countSets) {
        for (int w : {1, 5, 16, 31, 67, 130}) {
          GuardedImage<T> src(w, 2, kChannels[l], 30 + w, 1), dst(w, 2, kChannels[l], 40 + w, 2);
          const auto f1 = [&](T v, int c) { return dir == 0 ? ruxref::shiftLeft(v, k[c]) : ruxref::shiftRight(v, k[c]); };
          const auto want = ruxref::pointwise(dst, l == 3, [&](int x, int y, int c) { return f1(src.at(x, y, c), c); });
          ASSERT_EQ(f.r[l](src.data(), src.step(), k, dst.data(), dst.step(), {w, 2}), 0);
          ASSERT_TRUE(regionEquals(dst, want)) << kLayoutNames[l] << " dir " << dir << " counts " << k[0] << "," << k[1];
          ASSERT_TRUE(dst.check(l == 3 ? kColour : 0xf));
          const auto wantI = ruxref::pointwise(src, l == 3, [&](int x, int y, int c) { return f1(src.at(x, y, c), c); });
          ASSERT_EQ(f.ir[l](k, src.data(), src.step(), {w, 2}), 0);
          ASSERT_TRUE(regionEquals(src, wantI)) << kLayoutNames[l] << " in place";
          ASSERT_TRUE(src.check(l == 3 ? kColour : 0xf));
        }
      }
    }
  }
}

TEST(Shift, DocumentedCases) {
  const Rux8u x81 = 0x81;
  Rux8u out8 = 0xAA;
  ASSERT_EQ(ruxiLShiftC_8u_C1R(&x81, 1, 1, &out8, 1, {1, 1}), 0);
  EXPECT_EQ(out8, 0x02);
  ASSERT_EQ(ruxiLShiftC_8u_C1R(&x81, 1, 8, &out8, 1, {1, 1}), 0);
  EXPECT_EQ(out8, 0);
  const Rux16s v[2] = {-5, 5};
  Rux16s out[2];
  ASSERT_EQ(ruxiRShiftC_16s_C1R(v, 4, 40, out, 4, {2, 1}), 0);
  EXPECT_EQ(out[0], -1);
  EXPECT_EQ(out[1], 0);
  ASSERT_EQ(ruxiRShiftC_16s_C1R(v, 4, 1, out, 4, {2, 1}), 0);
  EXPECT_EQ(out[0], -3);
  EXPECT_EQ(out[1], 2);
  // Equal counts on C3 behave as C1 over three times the width.
  GuardedImage<Rux8u> src(21, 2, 3, 1), c3(21, 2, 3, 2), c1(63, 2, 1, 3);
  const Rux32u ones[3] = {1, 1, 1};
  ASSERT_EQ(ruxiRShiftC_8u_C3R(src.data(), src.step(), ones, c3.data(), c3.step(), {21, 2}), 0);
  ASSERT_EQ(ruxiRShiftC_8u_C1R(src.data(), src.step(), 1, c1.data(), c1.step(), {63, 2}), 0);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 63; ++i) ASSERT_EQ(c3.row(y)[i], c1.row(y)[i]);
}

TEST(Logic, ValidationOrder) {
  GuardedImage<Rux8u> a(8, 2, 1, 1), b(8, 2, 1, 2), d(8, 2, 1, 3);
  GuardedImage<Rux16u> d3(8, 2, 3, 4);
  const Rux16u v3[3] = {1, 2, 3};
  const Rux32u k3[3] = {1, 2, 3};
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiAnd_8u_C1R(nullptr, 8, b.data(), b.step(), d.data(), d.step(), {8, 2}); }, ruxStatusNullPointer},
          {"null destination", [&] { return ruxiXor_8u_C1IR(a.data(), a.step(), nullptr, 8, {8, 2}); }, ruxStatusNullPointer},
          {"null constant array", [&] { return ruxiOrC_16u_C3IR(nullptr, d3.data(), d3.step(), {8, 2}); }, ruxStatusNullPointer},
          {"null count array", [&] { return ruxiRShiftC_16u_AC4IR(nullptr, d3.data(), d3.step(), {2, 2}); }, ruxStatusNullPointer},
          {"null before size", [&] { return ruxiNot_8u_C1R(nullptr, 8, d.data(), d.step(), {0, 2}); }, ruxStatusNullPointer},
          {"step 0 and width 0: step first", [&] { return ruxiAnd_8u_C1R(a.data(), 0, b.data(), b.step(), d.data(), d.step(), {0, 2}); }, ruxStatusBadStep},
          {"negative step", [&] { return ruxiAndC_8u_C1R(a.data(), a.step(), 3, d.data(), -8, {8, 2}); }, ruxStatusBadStep},
          {"step of the second source", [&] { return ruxiOr_8u_C1R(a.data(), a.step(), b.data(), 0, d.data(), d.step(), {8, 2}); }, ruxStatusBadStep},
          {"shift step", [&] { return ruxiLShiftC_16u_C3IR(k3, d3.data(), 0, {0, 0}); }, ruxStatusBadStep},
          {"width 0", [&] { return ruxiXorC_16u_C3IR(v3, d3.data(), d3.step(), {0, 2}); }, ruxStatusBadSize},
          {"height 0", [&] { return ruxiNot_8u_C1IR(d.data(), d.step(), {8, 0}); }, ruxStatusBadSize},
          {"shift width 0", [&] { return ruxiLShiftC_8u_C1R(a.data(), a.step(), 1, d.data(), d.step(), {-1, 2}); }, ruxStatusBadSize},
      },
      a, b, d, d3);
}

}  // namespace
