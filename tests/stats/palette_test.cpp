// LUTPalette: every member against table[src & mask], the four-channel forms with their alpha
// rule, 24-bit entries, and validation (no step checks).
#include "ref/histlut_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class D>
std::vector<D> randomTable(int bits, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<D> t(std::size_t{1} << bits);
  for (auto& v : t) v = static_cast<D>(rng());
  return t;
}

template <class T>
struct PaletteApi {
  RuxResult (*c1)(const T*, int, T*, int, RuxImageSize, const T*, int);
  RuxResult (*multi[3])(const T*, int, T*, int, RuxImageSize, const T* const*, int);  // C3, C4, AC4
  RuxResult (*four[2])(const T*, int, int, T*, int, RuxImageSize, const T* const*, int);  // plain, Swap
};
PaletteApi<Rux8u> paletteApi(Rux8u*) {
  return {ruxiLUTPalette_8u_C1R,
          {ruxiLUTPalette_8u_C3R, ruxiLUTPalette_8u_C4R, ruxiLUTPalette_8u_AC4R},
          {ruxiLUTPalette_8u_C3A0C4R, ruxiLUTPaletteSwap_8u_C3A0C4R}};
}
PaletteApi<Rux16u> paletteApi(Rux16u*) {
  return {ruxiLUTPalette_16u_C1R,
          {ruxiLUTPalette_16u_C3R, ruxiLUTPalette_16u_C4R, ruxiLUTPalette_16u_AC4R},
          {ruxiLUTPalette_16u_C3A0C4R, ruxiLUTPaletteSwap_16u_C3A0C4R}};
}

template <class T>
class PaletteTest : public ::testing::Test {};
using PaletteTypes = ::testing::Types<Rux8u, Rux16u>;
TYPED_TEST_SUITE(PaletteTest, PaletteTypes);

TYPED_TEST(PaletteTest, SameTypeLayoutsIndexByTheLowBits) {
  using T = TypeParam;
  const PaletteApi<T> a = paletteApi(static_cast<T*>(nullptr));
  constexpr int kMaxBits = 8 * sizeof(T);
  struct Layout {
    int channels, mapped, api;
  };
  for (const Layout& lay : {Layout{1, 1, -1}, Layout{3, 3, 0}, Layout{4, 4, 1}, Layout{4, 3, 2}}) {
    for (int bits : {1, 4, kMaxBits - 1, kMaxBits}) {
      std::vector<std::vector<T>> tables;
      const T* t[4];
      for (int c = 0; c < 4; ++c) {
        tables.push_back(randomTable<T>(bits, 40 + c + bits));
        t[c] = tables[c].data();
      }
      for (int w : {1, 7, 33, 65, 259}) {
        GuardedImage<T> src(w, 3, lay.channels, w + bits, 2), dst(w, 3, lay.channels, 2 * w + bits, 5);
        const RuxResult st = lay.api < 0
            ? a.c1(src.data(), src.step(), dst.data(), dst.step(), dst.size(), t[0], bits)
            : a.multi[lay.api](src.data(), src.step(), dst.data(), dst.step(), dst.size(), t, bits);
        ASSERT_EQ(st, ruxStatusOk);
        std::vector<T> want;
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < w; ++x)
            for (int c = 0; c < lay.channels; ++c)
              want.push_back(c < lay.mapped ? ruxref::palette(src.at(x, y, c), t[c], bits) : dst.savedAt(x, y, c));
        ASSERT_TRUE(regionEquals(dst, want)) << "channels " << lay.channels << " bits " << bits << " width " << w;
        ASSERT_TRUE(dst.check(lay.mapped == 3 && lay.channels == 4 ? 7u : 15u));
      }
    }
  }
}

TYPED_TEST(PaletteTest, ThreeIntoFourChannelsWithTheAlphaRule) {
  using T = TypeParam;
  const PaletteApi<T> a = paletteApi(static_cast<T*>(nullptr));
  const int maxAlpha = std::numeric_limits<T>::max();
  std::vector<std::vector<T>> tables;
  const T* t[3];
  for (int c = 0; c < 3; ++c) {
    tables.push_back(randomTable<T>(6, 70 + c));
    t[c] = tables[c].data();
  }
  for (int swap : {0, 1}) {
    for (int alpha : {0, 77, maxAlpha, maxAlpha + 1, 300, -1}) {
      const bool written = alpha >= 0 && alpha <= maxAlpha;
      GuardedImage<T> src(29, 4, 3, 5), dst(29, 4, 4, 6, 3);
      ASSERT_EQ(a.four[swap](src.data(), src.step(), alpha, dst.data(), dst.step(), dst.size(), t, 6), ruxStatusOk);
      std::vector<T> want;
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 29; ++x) {
          T px[4];
          const int alphaAt = swap ? 3 : 0;
          for (int k = 0; k < 3; ++k) px[swap ? 2 - k : 1 + k] = ruxref::palette(src.at(x, y, k), t[k], 6);
          px[alphaAt] = written ? static_cast<T>(alpha) : dst.savedAt(x, y, alphaAt);
          want.insert(want.end(), px, px + 4);
        }
      }
      ASSERT_TRUE(regionEquals(dst, want)) << "swap " << swap << " alpha " << alpha;
      ASSERT_TRUE(dst.check(written ? 15u : (swap ? 7u : 14u)));
    }
  }
}

TEST(PaletteTypeChange, EntriesOfTheDestinationType) {
  GuardedImage<Rux8u> s8(41, 3, 1, 1);
  GuardedImage<Rux16u> s16(41, 3, 1, 2);
  const auto t24a = randomTable<Rux8u>(5, 3), t24b = randomTable<Rux8u>(13, 4);  // 3 bytes per entry
  std::vector<Rux8u> t24s(3 * 32), t24l(3 * 8192);
  std::copy(t24a.begin(), t24a.end(), t24s.begin());
  for (std::size_t i = 0; i < t24l.size(); ++i) t24l[i] = static_cast<Rux8u>(i * 13 + 5);
  const auto t32 = randomTable<Rux32u>(8, 5), t32l = randomTable<Rux32u>(16, 6);
  const auto t8 = randomTable<Rux8u>(11, 7);
  GuardedImage<Rux8u> d24(41, 3, 3, 8), d24b(41, 3, 3, 9), d8(41, 3, 1, 10);
  GuardedImage<Rux32u> d32(41, 3, 1, 11), d32b(41, 3, 1, 12);
  ASSERT_EQ(ruxiLUTPalette_8u24u_C1R(s8.data(), s8.step(), d24.data(), d24.step(), s8.size(), t24s.data(), 5), ruxStatusOk);
  ASSERT_EQ(ruxiLUTPalette_16u24u_C1R(s16.data(), s16.step(), d24b.data(), d24b.step(), s16.size(), t24l.data(), 13), ruxStatusOk);
  ASSERT_EQ(ruxiLUTPalette_8u32u_C1R(s8.data(), s8.step(), d32.data(), d32.step(), s8.size(), t32.data(), 8), ruxStatusOk);
  ASSERT_EQ(ruxiLUTPalette_16u32u_C1R(s16.data(), s16.step(), d32b.data(), d32b.step(), s16.size(), t32l.data(), 16), ruxStatusOk);
  ASSERT_EQ(ruxiLUTPalette_16u8u_C1R(s16.data(), s16.step(), d8.data(), d8.step(), s16.size(), t8.data(), 11), ruxStatusOk);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 41; ++x) {
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(d24.at(x, y, k), t24s[3 * (s8.at(x, y, 0) & 31) + k]);
        ASSERT_EQ(d24b.at(x, y, k), t24l[3 * (s16.at(x, y, 0) & 8191) + k]);
      }
      ASSERT_EQ(d32.at(x, y, 0), t32[s8.at(x, y, 0)]);
      ASSERT_EQ(d32b.at(x, y, 0), t32l[s16.at(x, y, 0)]);
      ASSERT_EQ(d8.at(x, y, 0), t8[s16.at(x, y, 0) & 2047]);
    }
  }
  for (const auto* img : {&d24, &d24b, &d8}) EXPECT_TRUE(img->check());
  EXPECT_TRUE(d32.check());
  EXPECT_TRUE(d32b.check());
}

TEST(PaletteValidation, ContractOrderWithoutStepChecks) {
  GuardedImage<Rux8u> src(8, 2, 3, 1), dst(8, 2, 4, 2);
  GuardedImage<Rux16u> s16(8, 2, 1, 3), d16(8, 2, 1, 4);
  const auto table = randomTable<Rux8u>(8, 1);
  const auto t16 = randomTable<Rux16u>(16, 2);
  const Rux8u* t3[3] = {table.data(), table.data(), table.data()};
  const Rux8u* tn[3] = {table.data(), nullptr, table.data()};
  const Rux8u* s = src.data();
  Rux8u* d = dst.data();
  const int ss = src.step(), ds = dst.step();
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiLUTPalette_8u_C1R(nullptr, ss, d, ds, {8, 2}, table.data(), 8); }, ruxStatusNullPointer},
          {"null table before size", [&] { return ruxiLUTPalette_8u_C1R(s, ss, d, ds, {0, 2}, nullptr, 8); }, ruxStatusNullPointer},
          {"null channel table", [&] { return ruxiLUTPalette_8u_C3R(s, ss, d, ds, {8, 2}, tn, 8); }, ruxStatusNullPointer},
          {"null channel table of four", [&] { return ruxiLUTPaletteSwap_8u_C3A0C4R(s, ss, 0, d, ds, {8, 2}, tn, 0); }, ruxStatusNullPointer},
          {"size before bits", [&] { return ruxiLUTPalette_8u_C3A0C4R(s, ss, 0, d, ds, {8, -1}, t3, 9); }, ruxStatusBadSize},
          {"8u nine bits", [&] { return ruxiLUTPalette_8u_C1R(s, ss, d, ds, {8, 2}, table.data(), 9); }, ruxStatusOutOfRange},
          {"zero bits", [&] { return ruxiLUTPalette_8u_AC4R(s, ss, d, ds, {2, 2}, t3, 0); }, ruxStatusOutOfRange},
          {"8u24u nine bits", [&] { return ruxiLUTPalette_8u24u_C1R(s, ss, d, ds, {2, 2}, table.data(), 9); }, ruxStatusOutOfRange},
          {"16u seventeen bits", [&] { return ruxiLUTPalette_16u_C1R(s16.data(), s16.step(), d16.data(), d16.step(), {8, 2}, t16.data(), 17); }, ruxStatusOutOfRange},
          {"16u8u seventeen bits", [&] { return ruxiLUTPalette_16u8u_C1R(s16.data(), s16.step(), d, ds, {8, 2}, table.data(), 17); }, ruxStatusOutOfRange},
      },
      dst, d16);
  // Steps are walked as given: a zero step maps the same row every time.
  EXPECT_EQ(ruxiLUTPalette_8u_C1R(s, 0, d, 0, {8, 2}, table.data(), 8), ruxStatusOk);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(d[x], table[s[x]]);
}

}  // namespace
