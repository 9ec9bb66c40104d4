// Set family: byte-fill and pattern paths, masks, channel of interest, AC4 alpha.
#include "ref/move_ref.h"

namespace {

using ruxref::kFill;
using ruxref::kKeep;
using ruxtest::GuardedImage;

template <class T>
struct SetApi {
  RuxResult (*c1)(T, T*, int, RuxImageSize);
  RuxResult (*multi[3])(const T*, T*, int, RuxImageSize);  // C3, C4, AC4
  RuxResult (*c1m)(T, T*, int, RuxImageSize, const Rux8u*, int);
  RuxResult (*multim[3])(const T*, T*, int, RuxImageSize, const Rux8u*, int);
  RuxResult (*cr[2])(T, T*, int, RuxImageSize);  // C3CR, C4CR
};

#define RUX_SET_API(type, T)                                                                    \
  SetApi<T> setApi(T*) {                                                                        \
    return {ruxiSet_##type##_C1R,                                                               \
            {ruxiSet_##type##_C3R, ruxiSet_##type##_C4R, ruxiSet_##type##_AC4R},                \
            ruxiSet_##type##_C1MR,                                                              \
            {ruxiSet_##type##_C3MR, ruxiSet_##type##_C4MR, ruxiSet_##type##_AC4MR},             \
            {ruxiSet_##type##_C3CR, ruxiSet_##type##_C4CR}};                                    \
  }
RUX_SET_API(8u, Rux8u)
RUX_SET_API(16s, Rux16s)
RUX_SET_API(16u, Rux16u)
RUX_SET_API(32s, Rux32s)
RUX_SET_API(32f, Rux32f)

template <class T>
class SetTest : public ::testing::Test {};
using MoveTypes = ::testing::Types<Rux8u, Rux16s, Rux16u, Rux32s, Rux32f>;
TYPED_TEST_SUITE(SetTest, MoveTypes);

// Value sets: all-zero (byte fill), equal bytes, and distinct values per channel (pattern).
template <class T>
std::vector<std::vector<T>> valueSets() {
  std::mt19937 rng(5);
  std::vector<T> distinct(4);
  for (auto& v : distinct) v = ruxtest::randomValue<T>(rng);
  T equalBytes;
  std::memset(&equalBytes, 0x5a, sizeof(T));
  return {{T(0), T(0), T(0), T(0)}, {equalBytes, equalBytes, equalBytes, equalBytes}, distinct};
}

TYPED_TEST(SetTest, PlainAndMaskedFormsMatchTheReference) {
  using T = TypeParam;
  const SetApi<T> a = setApi(static_cast<T*>(nullptr));
  const int channels[4] = {1, 3, 4, 4};
  for (const auto& values : valueSets<T>()) {
    for (int l = 0; l < 4; ++l) {
      std::vector<int> sel(channels[l], kFill);
      if (l == 3) sel[3] = kKeep;
      for (int w : ruxtest::sweepWidths()) {
        for (bool tight : {false, true}) {
          GuardedImage<T> dst(w, 3, channels[l], 100 + w, 3, tight);
          const RuxResult st = l == 0 ? a.c1(values[0], dst.data(), dst.step(), {w, 3})
                                      : a.multi[l - 1](values.data(), dst.data(), dst.step(), {w, 3});
          ASSERT_EQ(st, ruxStatusOk);
          ASSERT_TRUE(regionEquals(dst, ruxref::move(dst, dst, sel, values))) << l << " width " << w;
          ASSERT_TRUE(dst.check(l == 3 ? 7u : 15u)) << l << " width " << w;
        }
        GuardedImage<T> dst(w, 2, channels[l], 200 + w, 1);
        GuardedImage<Rux8u> mask(w, 2, 1, 300 + w, 2);
        for (int y = 0; y < 2; ++y)
          for (int x = 0; x < w; ++x) mask.at(x, y, 0) = mask.at(x, y, 0) < 128 ? 0 : mask.at(x, y, 0);
        mask.snapshot();
        const RuxResult st =
            l == 0 ? a.c1m(values[0], dst.data(), dst.step(), {w, 2}, mask.data(), mask.step())
                   : a.multim[l - 1](values.data(), dst.data(), dst.step(), {w, 2}, mask.data(), mask.step());
        ASSERT_EQ(st, ruxStatusOk);
        ASSERT_TRUE(regionEquals(dst, ruxref::move(dst, dst, sel, values, &mask))) << l << " width " << w;
        ASSERT_TRUE(dst.check(l == 3 ? 7u : 15u));
      }
    }
  }
}

TYPED_TEST(SetTest, ChannelOfInterestTouchesOnlyThatChannel) {
  using T = TypeParam;
  const SetApi<T> a = setApi(static_cast<T*>(nullptr));
  const T value = valueSets<T>()[2][0];
  for (int c : {3, 4}) {
    for (int k = 0; k < c; ++k) {
      GuardedImage<T> dst(29, 3, c, 7 + k, 2);
      ASSERT_EQ(a.cr[c - 3](value, dst.data() + k, dst.step(), dst.size()), ruxStatusOk);
      std::vector<int> sel(c, kKeep);
      sel[k] = kFill;
      EXPECT_TRUE(regionEquals(dst, ruxref::move(dst, dst, sel, {value})));
      EXPECT_TRUE(dst.check(1u << k));
    }
  }
}

TYPED_TEST(SetTest, BadArgumentsWriteNothing) {
  using T = TypeParam;
  const SetApi<T> a = setApi(static_cast<T*>(nullptr));
  GuardedImage<T> dst(8, 2, 4, 1);
  GuardedImage<Rux8u> mask(8, 2, 1, 2);
  const T v[4] = {};
  const int d = dst.step();
  ruxtest::expectRejections(
      {
          {"null destination", [&] { return a.c1(T(1), nullptr, d, {8, 2}); }, ruxStatusNullPointer},
          {"null values", [&] { return a.multi[1](nullptr, dst.data(), d, {8, 2}); }, ruxStatusNullPointer},
          {"null values before size", [&] { return a.multi[2](nullptr, dst.data(), d, {0, 0}); },
           ruxStatusNullPointer},
          {"zero width", [&] { return a.multi[0](v, dst.data(), d, {0, 2}); }, ruxStatusBadSize},
          {"zero height", [&] { return a.cr[1](T(1), dst.data(), d, {8, 0}); }, ruxStatusBadSize},
          {"null mask", [&] { return a.c1m(T(1), dst.data(), d, {8, 2}, nullptr, 8); }, ruxStatusNullPointer},
          {"masked bad size", [&] { return a.multim[2](v, dst.data(), d, {-1, 2}, mask.data(), 8); },
           ruxStatusBadSize},
      },
      dst, mask);
}

}  // namespace
