// Arithmetic family: every member against the scalar reference (all layouts, R and IR, two
// images and constants, scale factors up to the int extremes), exhaustive 8u operand pairs,
// the documented edge cases, thread counts and validation order.
#include <climits>
#include <cmath>
#include <sstream>

#include "ref/arith_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxref::kAdd;
using ruxref::kDiv;
using ruxref::kMul;
using ruxref::kSub;
using ruxtest::GuardedImage;

enum Layout { kC1 = 0, kC3, kC4, kAC4 };
constexpr int kChannels[4] = {1, 3, 4, 4};
constexpr int kConstants[4] = {1, 3, 4, 3};

// One exported member behind a uniform call: a = first source (right-hand operand), b = second
// source, d = destination (for IR forms it holds the second operand), v = constants.
template <class S>
struct Member {
  std::string name;
  int op;
  int layout;
  bool inPlace;
  bool constant;
  bool divRound;
  RuxResult (*call)(const S* a, int as, const S* b, int bs, S* d, int ds, RuxImageSize r,
                    const S* v, int s, int mode);
};

#define VAL_C1 v[0]
#define VAL_C3 v
#define VAL_C4 v
#define VAL_AC4 v
#define SF_Sfs , s
#define SF_

#define MEMBERS(Op, op, type, lay, L, F)                                                          \
  m.push_back({"ruxi" #Op "_" #type "_" #lay "R" #F, op, L, false, false, false,                  \
               [](const S* a, int as, const S* b, int bs, S* d, int ds, RuxImageSize r, const S*, \
                  int s, int) {                                                                   \
                 (void)s;                                                                         \
                 return ruxi##Op##_##type##_##lay##R##F(a, as, b, bs, d, ds, r SF_##F);           \
               }});                                                                               \
  m.push_back({"ruxi" #Op "_" #type "_" #lay "IR" #F, op, L, true, false, false,                  \
               [](const S* a, int as, const S*, int, S* d, int ds, RuxImageSize r, const S*,      \
                  int s, int) {                                                                   \
                 (void)s;                                                                         \
                 return ruxi##Op##_##type##_##lay##IR##F(a, as, d, ds, r SF_##F);                 \
               }});                                                                               \
  m.push_back({"ruxi" #Op "C_" #type "_" #lay "R" #F, op, L, false, true, false,                  \
               [](const S*, int, const S* b, int bs, S* d, int ds, RuxImageSize r, const S* v,    \
                  int s, int) {                                                                   \
                 (void)s;                                                                         \
                 return ruxi##Op##C_##type##_##lay##R##F(b, bs, VAL_##lay, d, ds, r SF_##F);      \
               }});                                                                               \
  m.push_back({"ruxi" #Op "C_" #type "_" #lay "IR" #F, op, L, true, true, false,                  \
               [](const S*, int, const S*, int, S* d, int ds, RuxImageSize r, const S* v, int s,  \
                  int) {                                                                          \
                 (void)s;                                                                         \
                 return ruxi##Op##C_##type##_##lay##IR##F(VAL_##lay, d, ds, r SF_##F);            \
               }});

#define MEMBERS_ROUND(type, lay, L)                                                               \
  m.push_back({"ruxiDiv_Round_" #type "_" #lay "RSfs", kDiv, L, false, false, true,               \
               [](const S* a, int as, const S* b, int bs, S* d, int ds, RuxImageSize r, const S*, \
                  int s, int mode) {                                                              \
                 return ruxiDiv_Round_##type##_##lay##RSfs(a, as, b, bs, d, ds, r,                \
                                                           static_cast<RuxRounding>(mode), s);    \
               }});                                                                               \
  m.push_back({"ruxiDiv_Round_" #type "_" #lay "IRSfs", kDiv, L, true, false, true,               \
               [](const S* a, int as, const S*, int, S* d, int ds, RuxImageSize r, const S*,      \
                  int s, int mode) {                                                              \
                 return ruxiDiv_Round_##type##_##lay##IRSfs(a, as, d, ds, r,                      \
                                                            static_cast<RuxRounding>(mode), s);   \
               }});

#define MEMBERS_LAYOUT(type, lay, L, F) \
  MEMBERS(Add, kAdd, type, lay, L, F)   \
  MEMBERS(Sub, kSub, type, lay, L, F)   \
  MEMBERS(Mul, kMul, type, lay, L, F)   \
  MEMBERS(Div, kDiv, type, lay, L, F)

#define MEMBERS_REAL(type, T, F)                                     \
  std::vector<Member<T>> members(T*) {                               \
    using S = T;                                                     \
    std::vector<Member<S>> m;                                        \
    MEMBERS_LAYOUT(type, C1, kC1, F) MEMBERS_LAYOUT(type, C3, kC3, F) \
    MEMBERS_LAYOUT(type, C4, kC4, F) MEMBERS_LAYOUT(type, AC4, kAC4, F) \
    return m;                                                        \
  }
#define MEMBERS_INT(type, T)                                                       \
  std::vector<Member<T>> members(T*) {                                             \
    using S = T;                                                                   \
    std::vector<Member<S>> m;                                                      \
    MEMBERS_LAYOUT(type, C1, kC1, Sfs) MEMBERS_LAYOUT(type, C3, kC3, Sfs)           \
    MEMBERS_LAYOUT(type, C4, kC4, Sfs) MEMBERS_LAYOUT(type, AC4, kAC4, Sfs)         \
    MEMBERS_ROUND(type, C1, kC1) MEMBERS_ROUND(type, C3, kC3)                      \
    MEMBERS_ROUND(type, C4, kC4) MEMBERS_ROUND(type, AC4, kAC4)                    \
    return m;                                                                      \
  }
#define MEMBERS_COMPLEX(type, T, F)                                                \
  std::vector<Member<T>> members(T*) {                                             \
    using S = T;                                                                   \
    std::vector<Member<S>> m;                                                      \
    MEMBERS_LAYOUT(type, C1, kC1, F) MEMBERS_LAYOUT(type, C3, kC3, F)               \
    MEMBERS_LAYOUT(type, AC4, kAC4, F)                                             \
    return m;                                                                      \
  }

MEMBERS_INT(8u, Rux8u)
MEMBERS_INT(16u, Rux16u)
MEMBERS_INT(16s, Rux16s)
MEMBERS_REAL(32f, Rux32f, )
MEMBERS_COMPLEX(16sc, Rux16sc, Sfs)
MEMBERS_COMPLEX(32sc, Rux32sc, Sfs)
MEMBERS_COMPLEX(32fc, Rux32fc, )

template <class S>
constexpr bool kComplex = std::is_class_v<S>;

// Random operand with the type's extremes, zero and one mixed in.
template <class T>
T operand(std::mt19937& rng) {
  const unsigned pick = rng() % 16;
  if constexpr (std::is_integral_v<T>) {
    if (pick == 0) return std::numeric_limits<T>::max();
    if (pick == 1) return std::numeric_limits<T>::min();
    if (pick == 2) return T(0);
    if (pick == 3) return T(1);
  } else {
    if (pick == 0) return T(0);
  }
  return ruxtest::randomValue<T>(rng);
}

template <class S>
S sampleOf(std::mt19937& rng) {
  if constexpr (kComplex<S>) {
    using T = decltype(S{}.re);
    return {operand<T>(rng), operand<T>(rng)};
  } else {
    return operand<S>(rng);
  }
}

template <class S>
bool isZero(const S& v) {
  if constexpr (kComplex<S>) {
    return v.re == 0 && v.im == 0;
  } else {
    return v == 0;
  }
}

// Bit-exact, except 32fc products and quotients: the single-precision formula against long
// double, within a few roundings of the terms' magnitude.
template <class S>
bool sameSample(const S& got, const S& want, int op, const S& a, const S& b) {
  if constexpr (std::is_same_v<S, Rux32fc>) {
    if (op == kMul || op == kDiv) {
      const double na = std::hypot(a.re, a.im), nb = std::hypot(b.re, b.im);
      const double tol = 1e-6 * (op == kMul ? na * nb : nb / na) + 1e-30;
      auto close = [tol](float g, float w) {
        if (std::isnan(w) || std::isinf(w)) return std::isnan(g) == std::isnan(w) && std::isinf(g) == std::isinf(w);
        return std::fabs(static_cast<double>(g) - w) <= tol;
      };
      return close(got.re, want.re) && close(got.im, want.im);
    }
  }
  (void)op, (void)a, (void)b;
  return std::memcmp(&got, &want, sizeof(S)) == 0;
}

template <class S>
std::string show(const S& v) {
  if constexpr (kComplex<S>) {
    std::ostringstream o;
    o.precision(9);
    o << "(" << +v.re << ", " << +v.im << ")";
    return o.str();
  } else {
    return std::to_string(+v);
  }
}

// Runs one member on random images and compares every sample with the reference.
template <class S>
::testing::AssertionResult checkMember(const Member<S>& m, int width, int height, int s, int mode,
                                       std::uint32_t seed) {
  const int C = kChannels[m.layout];
  std::mt19937 rng(seed);
  GuardedImage<S> a(width, height, C, seed + 1, 1), b(width, height, C, seed + 2, 3);
  GuardedImage<S> d(width, height, C, seed + 3, 2);
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < width * C; ++i) {
      a.row(y)[i] = sampleOf<S>(rng);
      b.row(y)[i] = sampleOf<S>(rng);
      if (m.inPlace) d.row(y)[i] = b.row(y)[i];
    }
  }
  S v[4];
  for (auto& x : v) {
    do x = sampleOf<S>(rng);
    while (m.op == kDiv && isZero(x));
  }
  a.snapshot(), b.snapshot(), d.snapshot();
  bool zero = false;
  std::vector<S> want(static_cast<std::size_t>(width) * C * height), as(want.size()), bs(want.size());
  std::vector<char> kept(want.size(), 0);  // AC4 alpha: compared bit for bit
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < C; ++c) {
        S& w = want[(static_cast<std::size_t>(y) * width + x) * C + c];
        if (m.layout == kAC4 && c == 3) {
          w = d.at(x, y, 3);
          kept[&w - want.data()] = 1;
          continue;
        }
        const S av = m.constant ? v[m.layout == kC1 ? 0 : c] : a.at(x, y, c);
        const S bv = b.at(x, y, c);
        as[&w - want.data()] = av, bs[&w - want.data()] = bv;
        if constexpr (kComplex<S>) {
          w = ruxref::complexSample(m.op, bv, av, s, zero);
        } else {
          w = ruxref::sample(m.op, bv, av, s, m.divRound ? mode : 1, m.constant, zero);
        }
      }
    }
  }
  const RuxResult st = m.call(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(),
                              d.size(), v, s, mode);
  const RuxResult wantSt = zero && !m.constant ? ruxStatusZeroDivisorSeen : ruxStatusOk;
  if (st != wantSt) {
    return ::testing::AssertionFailure() << m.name << " s=" << s << " width " << width
                                         << ": status " << st << ", expected " << wantSt;
  }
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::size_t row = i / (static_cast<std::size_t>(width) * C);
    const S got = d.row(static_cast<int>(row))[i % (static_cast<std::size_t>(width) * C)];
    if (!sameSample(got, want[i], kept[i] ? -1 : m.op, as[i], bs[i])) {
      return ::testing::AssertionFailure()
             << m.name << " s=" << s << " mode " << mode << " width " << width << " sample " << i
             << ": got " << show(got) << ", expected " << show(want[i]);
    }
  }
  if (auto r = d.check(m.layout == kAC4 ? 7u : 15u); !r) return r << " (" << m.name << ")";
  if (!a.unchanged() || !b.unchanged()) return ::testing::AssertionFailure() << m.name << " wrote a source";
  return ::testing::AssertionSuccess();
}

const int kScales[] = {INT_MIN, -40, -17, -16, -15, -9, -8, -7, -1, 0, 1, 2, 7,
                       8,       9,   10,  15,  16,  17, 18, 30, 31, 32, 33, INT_MAX};
const int kWidths[] = {1, 5, 17, 34, 67, 259, 600};

template <class S>
void checkAllMembers() {
  std::uint32_t seed = 1;
  for (const Member<S>& m : members(static_cast<S*>(nullptr))) {
    const bool scaled = std::is_integral_v<S> || std::is_same_v<S, Rux16sc> || std::is_same_v<S, Rux32sc>;
    std::vector<int> scales = scaled ? std::vector<int>(std::begin(kScales), std::end(kScales)) : std::vector<int>{0};
    for (std::size_t k = 0; k < scales.size(); ++k) {
      for (int mode : m.divRound ? std::vector<int>{0, 1, 2} : std::vector<int>{1}) {
        const int width = kWidths[(k + mode) % std::size(kWidths)];
        ASSERT_TRUE(checkMember(m, width, 2, scales[k], mode, seed++));
      }
    }
    if (!scaled) {
      for (int width : kWidths) ASSERT_TRUE(checkMember(m, width, 3, 0, 1, seed++));
    }
  }
}

TEST(Arith, Members8u) { checkAllMembers<Rux8u>(); }
TEST(Arith, Members16u) { checkAllMembers<Rux16u>(); }
TEST(Arith, Members16s) { checkAllMembers<Rux16s>(); }
TEST(Arith, Members32f) { checkAllMembers<Rux32f>(); }
TEST(Arith, Members16sc) { checkAllMembers<Rux16sc>(); }
TEST(Arith, Members32sc) { checkAllMembers<Rux32sc>(); }
TEST(Arith, Members32fc) { checkAllMembers<Rux32fc>(); }

TEST(Arith, CountsMatchTheFamily) {
  const std::size_t n = members(static_cast<Rux8u*>(nullptr)).size() * 3 +
                        members(static_cast<Rux32f*>(nullptr)).size() +
                        members(static_cast<Rux16sc*>(nullptr)).size() * 3;
  EXPECT_EQ(n, 424u);
}

// Every 8u operand pair through the vector bodies and tails (rows of 256 samples).
TEST(Arith, Exhaustive8uPairs) {
  GuardedImage<Rux8u> a(256, 256, 1, 1), b(256, 256, 1, 2), d(256, 256, 1, 3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) a.at(x, y, 0) = static_cast<Rux8u>(x), b.at(x, y, 0) = static_cast<Rux8u>(y);
  using Fn = RuxResult (*)(const Rux8u*, int, const Rux8u*, int, Rux8u*, int, RuxImageSize, int);
  const Fn fns[4] = {ruxiAdd_8u_C1RSfs, ruxiSub_8u_C1RSfs, ruxiMul_8u_C1RSfs, ruxiDiv_8u_C1RSfs};
  for (int s : {-9, -1, 0, 1, 2, 8, 9, 10, 17}) {
    for (int op = 0; op < 4; ++op) {
      const RuxResult st = fns[op](a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), {256, 256}, s);
      ASSERT_EQ(st, op == kDiv ? ruxStatusZeroDivisorSeen : ruxStatusOk);
      for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
          bool zero = false;
          const Rux8u want = ruxref::sample<Rux8u>(op, Rux8u(y), Rux8u(x), s, 1, false, zero);
          ASSERT_EQ(d.at(x, y, 0), want) << "op " << op << " s=" << s << ": " << y << " op " << x;
        }
      }
    }
    for (int mode : {0, 2}) {
      ASSERT_EQ(ruxiDiv_Round_8u_C1RSfs(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(),
                                        {256, 256}, static_cast<RuxRounding>(mode), s),
                ruxStatusZeroDivisorSeen);
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
          bool zero = false;
          ASSERT_EQ(d.at(x, y, 0), ruxref::divide<Rux8u>(Rux8u(y), Rux8u(x), s, mode, zero)) << mode;
        }
    }
    // DivC: every constant, every source value.
    for (int c = 1; c < 256; ++c) {
      ASSERT_EQ(ruxiDivC_8u_C1RSfs(a.data(), a.step(), Rux8u(c), d.data(), d.step(), {256, 1}, s), ruxStatusOk);
      for (int x = 0; x < 256; ++x) ASSERT_EQ(d.at(x, 0, 0), ruxref::scaledQuotient<Rux8u>(x, c, s)) << x << "/" << c;
    }
    ASSERT_TRUE(d.check());
  }
}

// The documented cases, one row each.
TEST(Arith, DocumentedCases) {
  struct Case {
    const char* what;
    std::function<RuxResult(Rux8u*)> call;  // writes into a 4-sample destination
    std::vector<int> want;
    RuxResult status;
  };
  auto add = [](std::vector<Rux8u> a, std::vector<Rux8u> b, int s) {
    return [=](Rux8u* d) { return ruxiAdd_8u_C1RSfs(a.data(), 4, b.data(), 4, d, 4, {int(a.size()), 1}, s); };
  };
  auto div = [](std::vector<Rux8u> a, std::vector<Rux8u> b, int s) {
    return [=](Rux8u* d) { return ruxiDiv_8u_C1RSfs(a.data(), 4, b.data(), 4, d, 4, {int(a.size()), 1}, s); };
  };
  const Case cases[] = {
      {"Add s=1 ties to even", add({1, 2, 3, 255}, {2, 3, 4, 255}, 1), {2, 2, 4, 255}, ruxStatusOk},
      {"Add s=9", add({255, 0, 1, 128}, {255, 0, 1, 128}, 9), {1, 0, 0, 0}, ruxStatusOk},
      {"Add s=10", add({255, 255, 1, 128}, {255, 0, 1, 128}, 10), {0, 0, 0, 0}, ruxStatusOk},
      {"Add s=-8", add({0, 0, 1, 3}, {0, 1, 0, 4}, -8), {0, 255, 255, 255}, ruxStatusOk},
      {"Add s=-1 saturates", add({200, 1, 0, 2}, {100, 1, 0, 3}, -1), {255, 4, 0, 10}, ruxStatusOk},
      {"Sub second minus first", [](Rux8u* d) {
         const Rux8u a[4] = {20, 10, 0, 255}, b[4] = {10, 20, 0, 255};
         return ruxiSub_8u_C1RSfs(a, 4, b, 4, d, 4, {4, 1}, 0);
       }, {0, 10, 0, 0}, ruxStatusOk},
      {"Div rounds to even, zero divisors", div({2, 2, 0, 0}, {7, 5, 0, 5}, 0), {4, 2, 0, 255}, ruxStatusZeroDivisorSeen},
      {"MulC zero constant, negative scale", [](Rux8u* d) {
         const Rux8u b[4] = {1, 2, 3, 4};
         return ruxiMulC_8u_C1RSfs(b, 4, 0, d, 4, {4, 1}, -5);
       }, {0, 0, 0, 0}, ruxStatusOk},
      {"MulC one at s=0 copies", [](Rux8u* d) {
         const Rux8u b[4] = {1, 2, 3, 255};
         return ruxiMulC_8u_C1RSfs(b, 4, 1, d, 4, {4, 1}, 0);
       }, {1, 2, 3, 255}, ruxStatusOk},
      {"AddC s=-8 non-zero constant", [](Rux8u* d) {
         const Rux8u b[4] = {0, 2, 3, 255};
         return ruxiAddC_8u_C1RSfs(b, 4, 1, d, 4, {4, 1}, -8);
       }, {255, 255, 255, 255}, ruxStatusOk},
  };
  for (const Case& c : cases) {
    Rux8u d[4] = {9, 9, 9, 9};
    EXPECT_EQ(c.call(d), c.status) << c.what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(d[i], c.want[i]) << c.what << " sample " << i;
  }

  const Rux16s a16[3] = {0, 0, 0}, b16[3] = {-5, 5, 0};
  Rux16s d16[3];
  EXPECT_EQ(ruxiDiv_16s_C1RSfs(a16, 6, b16, 6, d16, 6, {3, 1}, 0), ruxStatusZeroDivisorSeen);
  EXPECT_EQ(d16[0], -32768);
  EXPECT_EQ(d16[1], 32767);
  EXPECT_EQ(d16[2], 0);

  const Rux32f af[4] = {0.0f, 0.0f, -0.0f, 0.0f}, bf[4] = {1.0f, -1.0f, 1.0f, 0.0f};
  Rux32f df[4];
  EXPECT_EQ(ruxiDiv_32f_C1R(af, 16, bf, 16, df, 16, {4, 1}), ruxStatusZeroDivisorSeen);
  EXPECT_EQ(df[0], INFINITY);
  EXPECT_EQ(df[1], -INFINITY);
  EXPECT_EQ(df[2], INFINITY);
  std::uint32_t bits;
  std::memcpy(&bits, &df[3], 4);
  EXPECT_EQ(bits, 0x7FC00000u);
}

// Fast paths of AC4 forms keep alpha (fill with 0 or 255, copy).
TEST(Arith, FastPathsKeepAlpha) {
  GuardedImage<Rux8u> src(37, 3, 4, 1, 2), dst(37, 3, 4, 2, 1);
  const Rux8u zero[3] = {0, 0, 0}, one[3] = {1, 1, 1};
  const struct {
    const char* what;
    std::function<RuxResult()> call;
    int want;  // -1: the source
  } cases[] = {
      {"Add s=10", [&] { return ruxiAdd_8u_AC4RSfs(src.data(), src.step(), src.data(), src.step(), dst.data(), dst.step(), dst.size(), 10); }, 0},
      {"AddC s=-8", [&] { return ruxiAddC_8u_AC4RSfs(src.data(), src.step(), one, dst.data(), dst.step(), dst.size(), -8); }, 255},
      {"MulC zero", [&] { return ruxiMulC_8u_AC4RSfs(src.data(), src.step(), zero, dst.data(), dst.step(), dst.size(), -3); }, 0},
      {"MulC one", [&] { return ruxiMulC_8u_AC4RSfs(src.data(), src.step(), one, dst.data(), dst.step(), dst.size(), 0); }, -1},
      {"AddC zero", [&] { return ruxiAddC_8u_AC4RSfs(src.data(), src.step(), zero, dst.data(), dst.step(), dst.size(), 0); }, -1},
  };
  for (const auto& c : cases) {
    dst.fillRegion(7);
    ASSERT_EQ(c.call(), ruxStatusOk) << c.what;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 37; ++x)
        for (int k = 0; k < 3; ++k)
          ASSERT_EQ(dst.at(x, y, k), c.want < 0 ? src.at(x, y, k) : c.want) << c.what;
    EXPECT_TRUE(dst.check(7u)) << c.what;
  }
}

// The parallel members give the same bits for 1, 2 and 7 threads.
TEST(Arith, ThreadCountsAgree) {
  GuardedImage<Rux8u> a8(301, 97, 3, 1), b8(301, 97, 3, 2);
  GuardedImage<Rux16s> a16(301, 97, 1, 3), b16(301, 97, 1, 4);
  GuardedImage<Rux32f> af(301, 97, 1, 5), bf(301, 97, 1, 6);
  std::vector<std::vector<Rux8u>> r8;
  std::vector<std::vector<Rux16s>> r16;
  std::vector<std::vector<Rux32f>> rf;
  ruxtest::forThreadCounts([&](int) {
    GuardedImage<Rux8u> d8(301, 97, 3, 7), e8(301, 97, 3, 8);
    GuardedImage<Rux16s> d16(301, 97, 1, 9);
    GuardedImage<Rux32f> df(301, 97, 1, 10);
    const Rux8u c3[3] = {3, 100, 255};
    ASSERT_EQ(ruxiAdd_8u_C3RSfs(a8.data(), a8.step(), b8.data(), b8.step(), d8.data(), d8.step(), d8.size(), 1), 0);
    ASSERT_EQ(ruxiMulC_8u_C3RSfs(a8.data(), a8.step(), c3, e8.data(), e8.step(), e8.size(), 8), 0);
    ASSERT_EQ(ruxiSub_16s_C1RSfs(a16.data(), a16.step(), b16.data(), b16.step(), d16.data(), d16.step(), d16.size(), -2), 0);
    ASSERT_EQ(ruxiMul_32f_C1R(af.data(), af.step(), bf.data(), bf.step(), df.data(), df.step(), df.size()), 0);
    EXPECT_TRUE(d8.check() && e8.check() && d16.check() && df.check());
    std::vector<Rux8u> v8;
    std::vector<Rux16s> v16;
    std::vector<Rux32f> vf;
    for (int y = 0; y < 97; ++y) {
      v8.insert(v8.end(), d8.row(y), d8.row(y) + 903);
      v8.insert(v8.end(), e8.row(y), e8.row(y) + 903);
      v16.insert(v16.end(), d16.row(y), d16.row(y) + 301);
      vf.insert(vf.end(), df.row(y), df.row(y) + 301);
    }
    r8.push_back(v8), r16.push_back(v16), rf.push_back(vf);
  });
  ASSERT_EQ(r8.size(), 3u);
  for (int i = 1; i < 3; ++i) {
    EXPECT_TRUE(r8[i] == r8[0]) << i;
    EXPECT_TRUE(r16[i] == r16[0]) << i;
    EXPECT_TRUE(std::memcmp(rf[i].data(), rf[0].data(), rf[0].size() * 4) == 0) << i;
  }
  bool zero = false;
  EXPECT_EQ(r16[0][5], ruxref::sample<Rux16s>(kSub, b16.at(5, 0, 0), a16.at(5, 0, 0), -2, 1, false, zero));
}

TEST(Arith, Validation) {
  GuardedImage<Rux8u> a(8, 2, 4, 1), b(8, 2, 4, 2), d(8, 2, 4, 3);
  GuardedImage<Rux16u> a16(8, 1, 1, 4), d16(8, 1, 1, 5);
  GuardedImage<Rux32fc> c(8, 2, 1, 6), e(8, 2, 1, 7);
  const int s = a.step();
  const Rux8u v3[3] = {1, 0, 2};
  const Rux32fc tiny = {1e-30f, 0.0f};
  ruxtest::expectRejections(
      {
          {"null destination", [&] { return ruxiAdd_8u_C1RSfs(a.data(), s, b.data(), s, nullptr, s, {8, 2}, 0); }, ruxStatusNullPointer},
          {"null before size", [&] { return ruxiMul_8u_C4IRSfs(nullptr, s, d.data(), s, {0, 2}, 0); }, ruxStatusNullPointer},
          {"null constant array", [&] { return ruxiSubC_8u_C3RSfs(a.data(), s, nullptr, d.data(), s, {8, 2}, 0); }, ruxStatusNullPointer},
          {"zero width before step", [&] { return ruxiDiv_8u_C1RSfs(a.data(), -1, b.data(), s, d.data(), s, {0, 2}, 0); }, ruxStatusBadSize},
          {"null images before size", [&] { return ruxiAdd_32f_C3R(nullptr, 0, nullptr, 0, nullptr, 0, {8, -1}); }, ruxStatusNullPointer},
          {"Div step", [&] { return ruxiDiv_8u_C1RSfs(a.data(), s, b.data(), 0, d.data(), s, {8, 2}, 0); }, ruxStatusBadStep},
          {"DivC step before zero", [&] { return ruxiDivC_8u_C3IRSfs(v3, d.data(), -s, {8, 2}, 0); }, ruxStatusBadStep},
          {"DivC zero channel", [&] { return ruxiDivC_8u_C3RSfs(a.data(), s, v3, d.data(), s, {8, 2}, 0); }, ruxStatusConstDivisorZero},
          {"DivC 32f zero", [&] { return ruxiDivC_32f_C1IR(0.0f, reinterpret_cast<Rux32f*>(d.data()), s, {8, 2}); }, ruxStatusConstDivisorZero},
          {"DivC 32fc underflowing constant", [&] { return ruxiDivC_32fc_C1IR(tiny, e.data(), e.step(), {8, 2}); }, ruxStatusConstDivisorZero},
          {"DivC 16sc zero", [&] { return ruxiDivC_16sc_C1RSfs(reinterpret_cast<Rux16sc*>(a.data()), s, {0, 0}, reinterpret_cast<Rux16sc*>(d.data()), s, {8, 2}, 0); }, ruxStatusConstDivisorZero},
          {"Div_Round mode 3", [&] { return ruxiDiv_Round_8u_C1RSfs(a.data(), s, b.data(), s, d.data(), s, {8, 2}, static_cast<RuxRounding>(3), 0); }, ruxStatusBadRoundMode},
          {"Div_Round step before mode", [&] { return ruxiDiv_Round_8u_C1IRSfs(a.data(), 0, d.data(), s, {8, 2}, static_cast<RuxRounding>(-1), 0); }, ruxStatusBadStep},
          {"complex two-image step", [&] { return ruxiAdd_32fc_C1R(c.data(), c.step(), c.data(), -8, e.data(), e.step(), {8, 2}); }, ruxStatusBadStep},
          {"16u fill path: null source", [&] { return ruxiAdd_16u_C1RSfs(nullptr, 16, a16.data(), 16, d16.data(), 16, {8, 1}, 18); }, ruxStatusNullPointer},
          {"16u fill path: Set reports the destination", [&] { return ruxiMulC_16u_C1RSfs(a16.data(), 16, 0, nullptr, 16, {8, 1}, 0); }, ruxStatusNullPointer},
          {"16u fill path: Set reports the size", [&] { return ruxiSubC_16u_C1IRSfs(1, d16.data(), 16, {8, 0}, 17); }, ruxStatusBadSize},
      },
      a, b, d, a16, d16, c, e);

  // Add, Sub, Mul do not check steps: a one-row region with a negative step is processed.
  GuardedImage<Rux8u> one(8, 1, 1, 9);
  EXPECT_EQ(ruxiAdd_8u_C1RSfs(one.data(), -5, one.data(), 0, one.data(), -1, {8, 1}, 0), ruxStatusOk);
  EXPECT_EQ(ruxiMulC_8u_C1IRSfs(2, one.data(), -3, {8, 1}, 0), ruxStatusOk);
  EXPECT_EQ(ruxiAddC_16sc_C1IRSfs({1, 1}, reinterpret_cast<Rux16sc*>(one.data()), -3, {2, 1}, 0), ruxStatusOk);
}

}  // namespace
