// Two-dimensional convolution: every member against the exact reference on the direct and the
// FFT paths (whole and tiled), full-range sums that overflow 32 bits, the output rules,
// symmetry of the full convolution, validation order, allocation failure and thread counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ruxi.h"
#include "ref/proximity_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
using ConvInt = RuxResult (*)(const T*, int, RuxImageSize, const T*, int, RuxImageSize, T*, int, int);
using ConvF = RuxResult (*)(const Rux32f*, int, RuxImageSize, const Rux32f*, int, RuxImageSize, Rux32f*, int);

// The documented results from the exact sum s.
Rux8u rule8u(long double s, int d) {
  const float v = static_cast<float>(static_cast<long long>(s)) * (1.0f / static_cast<float>(d));
  return v > 255.0f ? 255 : (v <= 0.0f ? 0 : static_cast<Rux8u>(static_cast<int>(v + 0.5f)));
}
Rux16s rule16s(long double s, int d) {
  const long double q = s / d, r = std::nearbyint(q);  // ties to even in the default mode
  return static_cast<Rux16s>(std::clamp<long double>(r, -32768, 32767));
}

struct Case {
  int W1, H1, W2, H2;
  bool full;
  bool exact;  // the direct path: integer results bit-exact
};
// Full: direct (small result, small kernel), whole FFT, tiled FFT, and B larger than A; valid:
// direct (small B, small result), FFT tiles, equal sizes.
const Case kCases[] = {
    {9, 7, 4, 3, true, true},     {30, 25, 14, 12, true, true},   {40, 40, 20, 20, true, false},
    {90, 70, 12, 11, true, false}, {12, 11, 60, 45, true, false}, {20, 20, 5, 5, false, true},
    {60, 50, 16, 15, false, false}, {16, 16, 16, 16, false, true}, {200, 30, 190, 20, false, true},
};

// Sample values that keep most 16s results inside the range at the divisor used.
template <class T>
void tame(GuardedImage<T>& img) {
  if constexpr (std::is_same_v<T, Rux16s>)
    for (int y = 0; y < img.height(); ++y)
      for (int i = 0; i < img.width() * img.channels(); ++i) img.row(y)[i] = static_cast<Rux16s>(img.row(y)[i] % 200);
}

template <class T, class Call>
void checkConv(const std::string& name, int C, bool alpha, Call call) {
  std::uint32_t seed = 100;
  for (const Case& k : kCases) {
    GuardedImage<T> a(k.W1, k.H1, C, seed++, 2), b(k.W2, k.H2, C, seed++, 1);
    tame(a);
    tame(b);
    const int ow = k.full ? k.W1 + k.W2 - 1 : k.W1 - k.W2 + 1, oh = k.full ? k.H1 + k.H2 - 1 : k.H1 - k.H2 + 1;
    GuardedImage<T> dst(ow, oh, C, seed++, 3);
    // 8u: about 128 for a full window of random samples.
    const int divisor = std::is_same_v<T, Rux8u> ? 127 * std::min(k.W1 * k.H1, k.W2 * k.H2) : 7;
    ASSERT_EQ(call(a, b, dst, k.full, divisor), ruxStatusOk) << name;
    ASSERT_TRUE(dst.check(alpha ? 0x7u : 0xffffffffu)) << name;
    for (int c = 0; c < (alpha ? 3 : C); ++c) {
      const auto ref = ruxref::convolve(a, b, c, !k.full);
      long double ea = 0, eb = 0;
      for (int y = 0; y < k.H1; ++y)
        for (int x = 0; x < k.W1; ++x) ea += static_cast<long double>(a.at(x, y, c)) * a.at(x, y, c);
      for (int y = 0; y < k.H2; ++y)
        for (int x = 0; x < k.W2; ++x) eb += static_cast<long double>(b.at(x, y, c)) * b.at(x, y, c);
      const double scale = static_cast<double>(std::sqrt(ea * eb));
      for (int y = 0; y < oh; ++y)
        for (int x = 0; x < ow; ++x) {
          const long double s = ref[static_cast<std::size_t>(y) * ow + x];
          const double got = dst.at(x, y, c);
          const std::string where = name + " " + std::to_string(k.W1) + "x" + std::to_string(k.H1) + " * " +
                                    std::to_string(k.W2) + "x" + std::to_string(k.H2) + " at " + std::to_string(x) +
                                    "," + std::to_string(y);
          if constexpr (std::is_floating_point_v<T>) {
            ASSERT_NEAR(got, static_cast<double>(s), 2e-6 * scale + 1e-3) << where;
          } else {
            const double want = std::is_same_v<T, Rux8u> ? rule8u(s, divisor) : rule16s(s, divisor);
            if (k.exact) ASSERT_EQ(got, want) << where;
            else ASSERT_NEAR(got, want, 1.0) << where;
          }
        }
    }
  }
}

template <class T>
std::function<void()> member(const std::string& name, ConvInt<T> fullFn, ConvInt<T> validFn, int C, bool alpha) {
  return [=] {
    checkConv<T>(name, C, alpha, [&](const GuardedImage<T>& a, const GuardedImage<T>& b, GuardedImage<T>& d, bool full, int div) {
      return (full ? fullFn : validFn)(a.data(), a.step(), a.size(), b.data(), b.step(), b.size(), d.data(), d.step(), div);
    });
  };
}
std::function<void()> memberF(const std::string& name, ConvF fullFn, ConvF validFn, int C, bool alpha) {
  return [=] {
    checkConv<Rux32f>(name, C, alpha,
                      [&](const GuardedImage<Rux32f>& a, const GuardedImage<Rux32f>& b, GuardedImage<Rux32f>& d, bool full, int) {
                        return (full ? fullFn : validFn)(a.data(), a.step(), a.size(), b.data(), b.step(), b.size(),
                                                         d.data(), d.step());
                      });
  };
}

TEST(Conv, EveryMemberMatchesTheReference) {
  const std::vector<std::pair<std::string, std::function<void()>>> table = {
      {"8u_C1R", member<Rux8u>("8u_C1R", ruxiConvFull_8u_C1R, ruxiConvValid_8u_C1R, 1, false)},
      {"8u_C3R", member<Rux8u>("8u_C3R", ruxiConvFull_8u_C3R, ruxiConvValid_8u_C3R, 3, false)},
      {"8u_AC4R", member<Rux8u>("8u_AC4R", ruxiConvFull_8u_AC4R, ruxiConvValid_8u_AC4R, 4, true)},
      {"16s_C1R", member<Rux16s>("16s_C1R", ruxiConvFull_16s_C1R, ruxiConvValid_16s_C1R, 1, false)},
      {"16s_C3R", member<Rux16s>("16s_C3R", ruxiConvFull_16s_C3R, ruxiConvValid_16s_C3R, 3, false)},
      {"16s_AC4R", member<Rux16s>("16s_AC4R", ruxiConvFull_16s_AC4R, ruxiConvValid_16s_AC4R, 4, true)},
      {"32f_C1R", memberF("32f_C1R", ruxiConvFull_32f_C1R, ruxiConvValid_32f_C1R, 1, false)},
      {"32f_C3R", memberF("32f_C3R", ruxiConvFull_32f_C3R, ruxiConvValid_32f_C3R, 3, false)},
      {"32f_AC4R", memberF("32f_AC4R", ruxiConvFull_32f_AC4R, ruxiConvValid_32f_AC4R, 4, true)},
  };
  for (const auto& [name, run] : table) {
    SCOPED_TRACE(name);
    run();
    if (HasFatalFailure()) return;
  }
}

template <class T>
void fill(GuardedImage<T>& img, T v) {
  for (int y = 0; y < img.height(); ++y)
    for (int i = 0; i < img.width() * img.channels(); ++i) img.row(y)[i] = v;
}

// Direct sums beyond 32 bits stay exact: full-range 16s (100 taps) and a large 8u valid case
// (190 x 190 taps, 121 outputs), both on the direct path.
TEST(Conv, SumsBeyond32Bits) {
  GuardedImage<Rux16s> a(20, 15, 1, 1), b(10, 10, 1, 2), d(11, 6, 1, 3);
  fill<Rux16s>(a, 32767);
  fill<Rux16s>(b, -32768);
  ASSERT_EQ(ruxiConvValid_16s_C1R(a.data(), a.step(), a.size(), b.data(), b.step(), b.size(), d.data(), d.step(), 1 << 22),
            ruxStatusOk);
  const Rux16s want = rule16s(100.0L * 32767 * -32768, 1 << 22);  // -25599.6 -> -25600
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 11; ++x) ASSERT_EQ(d.at(x, y, 0), want);
  GuardedImage<Rux8u> p(200, 200, 1, 4), q(190, 190, 1, 5), r(11, 11, 1, 6);
  fill<Rux8u>(p, 255);
  fill<Rux8u>(q, 255);
  ASSERT_EQ(ruxiConvValid_8u_C1R(p.data(), p.step(), p.size(), q.data(), q.step(), q.size(), r.data(), r.step(), 1 << 24),
            ruxStatusOk);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) ASSERT_EQ(r.at(x, y, 0), rule8u(190.0L * 190 * 65025, 1 << 24));  // 140
}

TEST(Conv, RulesAndSymmetry) {
  // {1} * B = B; exact 2.5 rounds up to 3 on the direct path.
  GuardedImage<Rux8u> one(1, 1, 1, 1), b(5, 4, 1, 2), d(5, 4, 1, 3);
  one.at(0, 0, 0) = 1;
  ASSERT_EQ(ruxiConvFull_8u_C1R(one.data(), one.step(), one.size(), b.data(), b.step(), b.size(), d.data(), d.step(), 1),
            ruxStatusOk);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(d.at(x, y, 0), b.at(x, y, 0));
  GuardedImage<Rux8u> five(1, 1, 1, 4), h(1, 1, 1, 5);
  five.at(0, 0, 0) = 5;
  ASSERT_EQ(ruxiConvFull_8u_C1R(five.data(), five.step(), five.size(), one.data(), one.step(), one.size(), h.data(),
                                h.step(), 2),
            ruxStatusOk);
  EXPECT_EQ(h.at(0, 0, 0), 3);
  // Swapping the operands of the full convolution changes nothing (direct and FFT sizes).
  for (auto [w1, h1, w2, h2] : {std::array{9, 7, 4, 3}, std::array{70, 60, 13, 12}}) {
    GuardedImage<Rux32f> x(w1, h1, 3, 6), y(w2, h2, 3, 7);
    GuardedImage<Rux32f> xy(w1 + w2 - 1, h1 + h2 - 1, 3, 8), yx(w1 + w2 - 1, h1 + h2 - 1, 3, 8);
    ASSERT_EQ(ruxiConvFull_32f_C3R(x.data(), x.step(), x.size(), y.data(), y.step(), y.size(), xy.data(), xy.step()), 0);
    ASSERT_EQ(ruxiConvFull_32f_C3R(y.data(), y.step(), y.size(), x.data(), x.step(), x.size(), yx.data(), yx.step()), 0);
    for (int r = 0; r < xy.height(); ++r)
      for (int i = 0; i < xy.width() * 3; ++i) ASSERT_EQ(xy.row(r)[i], yx.row(r)[i]);
  }
}

TEST(Conv, ValidationOrderAndScratchFailure) {
  GuardedImage<Rux16s> a(10, 8, 1, 1), b(3, 3, 1, 2), d(12, 10, 1, 3);
  const RuxImageSize A = a.size(), B = b.size();
  const auto full = [&](const Rux16s* p, int ps, RuxImageSize pz, int bs, int ds, int div) {
    return ruxiConvFull_16s_C1R(p, ps, pz, b.data(), bs, B, d.data(), ds, div);
  };
  ruxtest::expectRejections(
      {
          {"null first", [&] { return full(nullptr, a.step(), A, b.step(), d.step(), 1); }, ruxStatusNullPointer},
          {"null second", [&] { return ruxiConvFull_16s_C1R(a.data(), a.step(), A, nullptr, b.step(), B, d.data(), d.step(), 1); }, ruxStatusNullPointer},
          {"null dst", [&] { return ruxiConvValid_16s_C1R(a.data(), a.step(), A, b.data(), b.step(), B, nullptr, d.step(), 0); }, ruxStatusNullPointer},
          {"empty first", [&] { return full(a.data(), a.step(), {0, 8}, b.step(), d.step(), 0); }, ruxStatusBadSize},
          {"size before step", [&] { return full(a.data(), 0, {10, -2}, b.step(), d.step(), 1); }, ruxStatusBadSize},
          {"first step", [&] { return full(a.data(), 0, A, b.step(), d.step(), 0); }, ruxStatusBadStep},
          {"second step", [&] { return full(a.data(), a.step(), A, -1, d.step(), 0); }, ruxStatusBadStep},
          {"dst step", [&] { return full(a.data(), a.step(), A, b.step(), 0, 1); }, ruxStatusBadStep},
          {"zero divisor", [&] { return full(a.data(), a.step(), A, b.step(), d.step(), 0); }, ruxStatusZeroDivisor},
          {"valid: second wider", [&] { return ruxiConvValid_16s_C1R(b.data(), b.step(), B, a.data(), a.step(), A, d.data(), d.step(), 1); }, ruxStatusBadSize},
          {"valid: empty region before steps", [&] { return ruxiConvValid_16s_C1R(b.data(), b.step(), B, a.data(), a.step(), A, d.data(), 0, 0); }, ruxStatusBadSize},
      },
      d);
  GuardedImage<Rux32f> x(90, 70, 1, 4), y(12, 11, 1, 5), z(101, 80, 1, 6);
  for (int n = 0; n < 3; ++n) {
    ruxtest::FailAllocationsAfter fail(n);
    const RuxResult st = ruxiConvFull_32f_C1R(x.data(), x.step(), x.size(), y.data(), y.step(), y.size(), z.data(), z.step());
    if (st == ruxStatusOk) break;
    EXPECT_EQ(st, ruxStatusNoMemory);
    EXPECT_TRUE(z.unchanged());
  }
}

// The tiled FFT path and the row-parallel direct path give the same bits on 1, 2 and 7 threads.
TEST(Conv, ThreadCounts) {
  GuardedImage<Rux8u> a(300, 170, 3, 1), b(13, 12, 3, 2), c(10, 10, 3, 3);
  std::vector<Rux8u> first[2];
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<Rux8u> f(312, 181, 3, 4), v(291, 161, 3, 5);
    ASSERT_EQ(ruxiConvFull_8u_C3R(a.data(), a.step(), a.size(), b.data(), b.step(), b.size(), f.data(), f.step(), 5000), 0);
    ASSERT_EQ(ruxiConvValid_8u_C3R(a.data(), a.step(), a.size(), c.data(), c.step(), c.size(), v.data(), v.step(), 3000), 0);
    std::vector<Rux8u> got[2];
    for (int y = 0; y < f.height(); ++y) got[0].insert(got[0].end(), f.row(y), f.row(y) + f.width() * 3);
    for (int y = 0; y < v.height(); ++y) got[1].insert(got[1].end(), v.row(y), v.row(y) + v.width() * 3);
    for (int i = 0; i < 2; ++i) {
      if (first[i].empty()) first[i] = got[i];
      else EXPECT_EQ(got[i], first[i]) << threads << " threads";
    }
  });
}

}  // namespace
