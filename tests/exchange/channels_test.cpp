// Dup and SwapChannels: orders, fill and keep entries, in-place forms, step and order checks.
#include "ref/move_ref.h"

namespace {

using ruxref::kFill;
using ruxref::kKeep;
using ruxtest::GuardedImage;

template <class T>
struct SwapApi {
  RuxResult (*c3)(const T*, int, T*, int, RuxImageSize, const int*);
  RuxResult (*ac4)(const T*, int, T*, int, RuxImageSize, const int*);
  RuxResult (*c4c3)(const T*, int, T*, int, RuxImageSize, const int*);
  RuxResult (*c3c4)(const T*, int, T*, int, RuxImageSize, const int*, T);
};
#define RUX_SWAP_API(type, T)                                                       \
  SwapApi<T> swapApi(T*) {                                                          \
    return {ruxiSwapChannels_##type##_C3R, ruxiSwapChannels_##type##_AC4R,          \
            ruxiSwapChannels_##type##_C4C3R, ruxiSwapChannels_##type##_C3C4R};      \
  }
RUX_SWAP_API(8u, Rux8u)
RUX_SWAP_API(16s, Rux16s)
RUX_SWAP_API(16u, Rux16u)
RUX_SWAP_API(32s, Rux32s)
RUX_SWAP_API(32f, Rux32f)

template <class T>
class SwapTest : public ::testing::Test {};
using MoveTypes = ::testing::Types<Rux8u, Rux16s, Rux16u, Rux32s, Rux32f>;
TYPED_TEST_SUITE(SwapTest, MoveTypes);

TYPED_TEST(SwapTest, OrdersMatchTheReference) {
  using T = TypeParam;
  const SwapApi<T> a = swapApi(static_cast<T*>(nullptr));
  const T fill = T(77);
  const std::vector<std::vector<int>> orders3 = {{2, 1, 0}, {0, 0, 0}, {1, 2, 0}, {0, 1, 2}};
  for (int w : ruxtest::sweepWidths()) {
    for (const auto& o : orders3) {
      GuardedImage<T> src3(w, 2, 3, w, 1), src4(w, 2, 4, w + 1, 2);
      GuardedImage<T> dst3(w, 2, 3, w + 2, 3), dst4(w, 2, 4, w + 3, 5);
      ASSERT_EQ(a.c3(src3.data(), src3.step(), dst3.data(), dst3.step(), {w, 2}, o.data()), ruxStatusOk);
      ASSERT_TRUE(regionEquals(dst3, ruxref::move(src3, dst3, o))) << "C3R " << w;
      ASSERT_TRUE(dst3.check());
      ASSERT_EQ(a.ac4(src4.data(), src4.step(), dst4.data(), dst4.step(), {w, 2}, o.data()), ruxStatusOk);
      ASSERT_TRUE(regionEquals(dst4, ruxref::move(src4, dst4, {o[0], o[1], o[2], kKeep}))) << "AC4R " << w;
      ASSERT_TRUE(dst4.check(7u));
      const std::vector<int> o43 = {3, o[1], o[0]};  // C4C3R may take the fourth channel
      dst3.snapshot();
      ASSERT_EQ(a.c4c3(src4.data(), src4.step(), dst3.data(), dst3.step(), {w, 2}, o43.data()), ruxStatusOk);
      ASSERT_TRUE(regionEquals(dst3, ruxref::move(src4, dst3, o43))) << "C4C3R " << w;
    }
    // C3C4R: 3 writes the fill value, above 3 keeps the destination channel.
    const std::vector<std::vector<int>> orders34 = {{3, 0, 1, 2}, {4, 0, 1, 2}, {2, 1, 0, 3}, {0, 9, 3, 1}};
    for (const auto& o : orders34) {
      GuardedImage<T> src(w, 2, 3, w, 1), dst(w, 2, 4, w + 5, 2);
      std::vector<int> sel(4);
      std::uint32_t writable = 0;
      for (int k = 0; k < 4; ++k) {
        sel[k] = o[k] < 3 ? o[k] : (o[k] == 3 ? kFill : kKeep);
        writable |= (sel[k] != kKeep ? 1u : 0u) << k;
      }
      ASSERT_EQ(a.c3c4(src.data(), src.step(), dst.data(), dst.step(), {w, 2}, o.data(), fill), ruxStatusOk);
      ASSERT_TRUE(regionEquals(dst, ruxref::move(src, dst, sel, {fill}))) << "C3C4R " << w;
      ASSERT_TRUE(dst.check(writable));
    }
  }
}

TYPED_TEST(SwapTest, StepAndOrderChecksWriteNothing) {
  using T = TypeParam;
  const SwapApi<T> a = swapApi(static_cast<T*>(nullptr));
  GuardedImage<T> src(8, 2, 4, 1), dst(8, 2, 4, 2);
  const int s = src.step(), d = dst.step();
  const int ok[4] = {0, 1, 2, 3}, three[3] = {0, 3, 1}, negative[4] = {0, -1, 1, 2};
  T* sp = src.data();
  T* dp = dst.data();
  ruxtest::expectRejections(
      {
          {"null order", [&] { return a.c3(sp, s, dp, d, {8, 2}, nullptr); }, ruxStatusNullPointer},
          {"C3R size before step", [&] { return a.c3(sp, 0, dp, d, {0, 2}, ok); }, ruxStatusBadSize},
          {"C3R source step", [&] { return a.c3(sp, 0, dp, d, {8, 2}, ok); }, ruxStatusBadStep},
          {"AC4R destination step", [&] { return a.ac4(sp, s, dp, -d, {8, 2}, ok); }, ruxStatusBadStep},
          {"C3R step before order", [&] { return a.c3(sp, s, dp, 0, {8, 2}, three); }, ruxStatusBadStep},
          {"C3R entry 3", [&] { return a.c3(sp, s, dp, d, {8, 2}, three); }, ruxStatusBadChannelOrder},
          {"AC4R entry 3", [&] { return a.ac4(sp, s, dp, d, {8, 2}, three); }, ruxStatusBadChannelOrder},
          {"C4C3R entry 4", [&] { const int o[3] = {4, 0, 1}; return a.c4c3(sp, s, dp, d, {8, 2}, o); },
           ruxStatusBadChannelOrder},
          {"C3C4R negative entry", [&] { return a.c3c4(sp, s, dp, d, {8, 2}, negative, T(0)); },
           ruxStatusBadChannelOrder},
          {"C3C4R null destination", [&] { return a.c3c4(sp, s, nullptr, d, {8, 2}, ok, T(0)); },
           ruxStatusNullPointer},
      },
      src, dst);
  // C4C3R and C3C4R check no step: a zero step repeats the first row.
  GuardedImage<T> one(5, 3, 4, 9);
  GuardedImage<T> out(5, 3, 3, 10);
  ASSERT_EQ(a.c4c3(one.data(), 0, out.data(), out.step(), {5, 3}, ok), ruxStatusOk);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(out.at(x, y, 2), one.at(x, 0, 2));
}

TEST(SwapInPlace, EqualsOutOfPlace) {
  const std::vector<std::vector<int>> orders = {{2, 1, 0, 3}, {0, 0, 0, 0}, {3, 2, 1, 0}, {1, 3, 3, 2}};
  for (int w : ruxtest::sweepWidths()) {
    for (const auto& o : orders) {
      GuardedImage<Rux8u> img3(w, 3, 3, w, 4), img4(w, 3, 4, w, 4);
      GuardedImage<Rux8u> before3 = img3, before4 = img4;
      if (o[0] < 3 && o[1] < 3 && o[2] < 3) {
        ASSERT_EQ(ruxiSwapChannels_8u_C3IR(img3.data(), img3.step(), {w, 3}, o.data()), ruxStatusOk);
        ASSERT_TRUE(regionEquals(img3, ruxref::move(before3, img3, {o[0], o[1], o[2]}))) << w;
        ASSERT_TRUE(img3.check());
      }
      ASSERT_EQ(ruxiSwapChannels_8u_C4IR(img4.data(), img4.step(), {w, 3}, o.data()), ruxStatusOk);
      ASSERT_TRUE(regionEquals(img4, ruxref::move(before4, img4, o))) << w;
      ASSERT_TRUE(img4.check());
    }
  }
  GuardedImage<Rux8u> img(4, 2, 4, 1);
  const int ok[4] = {0, 1, 2, 3}, bad[4] = {0, 1, 4, 3};
  ruxtest::expectRejections(
      {
          {"C4IR step before size", [&] { return ruxiSwapChannels_8u_C4IR(img.data(), 0, {0, 2}, ok); },
           ruxStatusBadStep},
          {"C3IR size before step", [&] { return ruxiSwapChannels_8u_C3IR(img.data(), 0, {0, 2}, ok); },
           ruxStatusBadSize},
          {"C4IR entry 4", [&] { return ruxiSwapChannels_8u_C4IR(img.data(), img.step(), {4, 2}, bad); },
           ruxStatusBadChannelOrder},
      },
      img);
}

TEST(Dup, CopiesTheChannelIntoEveryChannel) {
  for (int w : ruxtest::sweepWidths()) {
    GuardedImage<Rux8u> src(w, 2, 1, w, 1), dst3(w, 2, 3, w, 2), dst4(w, 2, 4, w, 3);
    ASSERT_EQ(ruxiDup_8u_C1C3R(src.data(), src.step(), dst3.data(), dst3.step(), {w, 2}), ruxStatusOk);
    ASSERT_EQ(ruxiDup_8u_C1C4R(src.data(), src.step(), dst4.data(), dst4.step(), {w, 2}), ruxStatusOk);
    ASSERT_TRUE(regionEquals(dst3, ruxref::move(src, dst3, {0, 0, 0}))) << w;
    ASSERT_TRUE(regionEquals(dst4, ruxref::move(src, dst4, {0, 0, 0, 0}))) << w;
    ASSERT_TRUE(dst3.check());
    ASSERT_TRUE(dst4.check());
  }
  EXPECT_EQ(ruxiDup_8u_C1C3R(nullptr, 1, nullptr, 1, {0, 0}), ruxStatusNullPointer);
}

// Destinations too large to stay in cache (more than 32 MiB read and written) are written with
// cache-bypassing stores after pixels one by one up to the alignment; odd paddings put the rows
// off it.
TEST(Dup, LargeDestinationsMatchTheReference) {
  const int w = 2001, h = 2800;
  GuardedImage<Rux8u> src(w, h, 1, 51, 1), dst3(w, h, 3, 52, 5);
  ASSERT_EQ(ruxiDup_8u_C1C3R(src.data(), src.step(), dst3.data(), dst3.step(), {w, h}), ruxStatusOk);
  ASSERT_TRUE(regionEquals(dst3, ruxref::move(src, dst3, {0, 0, 0})));
  ASSERT_TRUE(dst3.check());
  GuardedImage<Rux16u> src16(w, h / 2, 3, 53, 1), dst16(w, h / 2, 3, 54, 3);
  const int order[3] = {2, 0, 1};
  ASSERT_EQ(ruxiSwapChannels_16u_C3R(src16.data(), src16.step(), dst16.data(), dst16.step(), src16.size(), order),
            ruxStatusOk);
  ASSERT_TRUE(regionEquals(dst16, ruxref::move(src16, dst16, {2, 0, 1})));
  ASSERT_TRUE(dst16.check());
}

}  // namespace
