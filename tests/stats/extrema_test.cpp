// Min, Max, MinMax, MinIndx and MaxIndx: every type and layout against the reference, ties and
// first occurrences, early stops at the type's limit, NaN and infinities, validation order.
#include <cmath>
#include <cstring>
#include <functional>

#include "ref/stats_ref.h"

namespace {

using ruxtest::GuardedImage;

struct Layout {
  const char* name;
  int channels;
  int reported;
};
constexpr Layout kLayouts[4] = {{"C1", 1, 1}, {"C3", 3, 3}, {"C4", 4, 4}, {"AC4", 4, 3}};

// The five functions of one type, [layout]; multi-channel forms take arrays.
template <class T>
struct ExtremaApi {
  RuxResult (*min[4])(const T*, int, RuxImageSize, T*);
  RuxResult (*max[4])(const T*, int, RuxImageSize, T*);
  RuxResult (*minMax[4])(const T*, int, RuxImageSize, T*, T*);
  RuxResult (*minIndx[4])(const T*, int, RuxImageSize, T*, int*, int*);
  RuxResult (*maxIndx[4])(const T*, int, RuxImageSize, T*, int*, int*);
};

#define RUX_FOUR(op, type) {op##_##type##_C1R, op##_##type##_C3R, op##_##type##_C4R, op##_##type##_AC4R}
#define RUX_EXTREMA_API(type, T)                                                                    \
  ExtremaApi<T> extremaApi(T*) {                                                                    \
    return {RUX_FOUR(ruxiMin, type), RUX_FOUR(ruxiMax, type), RUX_FOUR(ruxiMinMax, type),           \
            RUX_FOUR(ruxiMinIndx, type), RUX_FOUR(ruxiMaxIndx, type)};                              \
  }
RUX_EXTREMA_API(8u, Rux8u)
RUX_EXTREMA_API(16u, Rux16u)
RUX_EXTREMA_API(16s, Rux16s)
RUX_EXTREMA_API(32f, Rux32f)

template <class T>
bool same(T a, T b) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  }
  return a == b;
}

// Checks all five functions on one image against the reference, and on an exact-size copy.
template <class T>
void expectAllMatch(const ExtremaApi<T>& a, int l, GuardedImage<T>& img, const std::string& what) {
  const Layout& L = kLayouts[l];
  const int n = img.width() * L.channels;
  std::vector<T> exact(static_cast<std::size_t>(n) * img.height());
  for (int y = 0; y < img.height(); ++y) std::memcpy(&exact[static_cast<std::size_t>(y) * n], img.row(y), n * sizeof(T));
  const int exactStep = n * static_cast<int>(sizeof(T));
  for (int pass = 0; pass < 2; ++pass) {
    const T* src = pass == 0 ? img.data() : exact.data();
    const int step = pass == 0 ? img.step() : exactStep;
    T mn[4], mx[4], mn2[4], mx2[4], vmin[4], vmax[4];
    int xmin[4], ymin[4], xmax[4], ymax[4];
    ASSERT_EQ(a.min[l](src, step, img.size(), mn), ruxStatusOk);
    ASSERT_EQ(a.max[l](src, step, img.size(), mx), ruxStatusOk);
    ASSERT_EQ(a.minMax[l](src, step, img.size(), mn2, mx2), ruxStatusOk);
    ASSERT_EQ(a.minIndx[l](src, step, img.size(), vmin, xmin, ymin), ruxStatusOk);
    ASSERT_EQ(a.maxIndx[l](src, step, img.size(), vmax, xmax, ymax), ruxStatusOk);
    for (int c = 0; c < L.reported; ++c) {
      const auto lo = ruxref::extreme(img, c, false);
      const auto hi = ruxref::extreme(img, c, true);
      const std::string at = what + " " + L.name + " channel " + std::to_string(c);
      ASSERT_TRUE(same(mn[c], lo.value)) << at << ": min " << +mn[c] << " expected " << +lo.value;
      ASSERT_TRUE(same(mx[c], hi.value)) << at << ": max " << +mx[c] << " expected " << +hi.value;
      ASSERT_TRUE(same(mn2[c], lo.value) && same(mx2[c], hi.value)) << at << ": MinMax";
      ASSERT_TRUE(same(vmin[c], lo.value)) << at << ": MinIndx value";
      ASSERT_EQ(xmin[c], lo.x) << at << ": MinIndx x";
      ASSERT_EQ(ymin[c], lo.y) << at << ": MinIndx y";
      ASSERT_TRUE(same(vmax[c], hi.value)) << at << ": MaxIndx value";
      ASSERT_EQ(xmax[c], hi.x) << at << ": MaxIndx x";
      ASSERT_EQ(ymax[c], hi.y) << at << ": MaxIndx y";
      if constexpr (std::is_floating_point_v<T>) {  // the Indx value is the sample found there
        if (!std::isnan(lo.value)) {
          ASSERT_EQ(std::signbit(vmin[c]), std::signbit(lo.value)) << at;
        }
        if (!std::isnan(hi.value)) {
          ASSERT_EQ(std::signbit(vmax[c]), std::signbit(hi.value)) << at;
        }
      }
    }
  }
  ASSERT_TRUE(img.unchanged());
}

template <class T>
class ExtremaTest : public ::testing::Test {};
using Types = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(ExtremaTest, Types);

// Random samples over the full range, and samples from five values (many ties); AC4 alpha holds
// the type's extremes so that a result including it is wrong.
TYPED_TEST(ExtremaTest, EveryLayoutAndWidthMatchesTheReference) {
  using T = TypeParam;
  const ExtremaApi<T> a = extremaApi(static_cast<T*>(nullptr));
  std::mt19937 rng(3);
  for (int l = 0; l < 4; ++l) {
    const Layout& L = kLayouts[l];
    for (int w : ruxtest::sweepWidths()) {
      for (int h : {1, 2, 5}) {
        for (bool ties : {false, true}) {
          GuardedImage<T> img(w, h, L.channels, 7 * w + h, (w % 3) * 3, w % 4 == 1);
          if (ties) {
            for (int y = 0; y < h; ++y)
              for (int i = 0; i < w * L.channels; ++i) img.row(y)[i] = static_cast<T>(rng() % 5 + 1);
          }
          if (L.channels != L.reported) {
            for (int y = 0; y < h; ++y)
              for (int x = 0; x < w; ++x) {
                const bool odd = (x + y) % 2 != 0;
                if constexpr (std::is_floating_point_v<T>) {
                  img.at(x, y, 3) = odd ? std::numeric_limits<T>::infinity() : -std::numeric_limits<T>::infinity();
                } else {
                  img.at(x, y, 3) = odd ? std::numeric_limits<T>::max() : std::numeric_limits<T>::lowest();
                }
              }
          }
          img.snapshot();
          expectAllMatch(a, l, img, "width " + std::to_string(w) + " height " + std::to_string(h) +
                                        (ties ? " ties" : ""));
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

// The positions of the examples: first occurrence in raster order, per channel.
TEST(ExtremaIndexTest, FirstOccurrenceInRasterOrder) {
  struct Case {
    int x1, y1, x2, y2, wantX, wantY;
  };
  for (const Case& k : {Case{5, 3, 2, 7, 5, 3}, Case{5, 3, 2, 3, 2, 3}, Case{0, 9, 63, 0, 63, 0}}) {
    GuardedImage<Rux8u> img(64, 10, 1, 1);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 64; ++x) img.at(x, y, 0) = img.at(x, y, 0) % 200;
    img.at(k.x1, k.y1, 0) = 200;
    img.at(k.x2, k.y2, 0) = 200;
    Rux8u v = 0;
    int x = -1, y = -1;
    ASSERT_EQ(ruxiMaxIndx_8u_C1R(img.data(), img.step(), img.size(), &v, &x, &y), ruxStatusOk);
    EXPECT_EQ(v, 200);
    EXPECT_EQ(x, k.wantX);
    EXPECT_EQ(y, k.wantY);
  }
  GuardedImage<Rux16u> zero(40, 3, 1, 2);
  for (int y = 0; y < 3; ++y) std::memset(zero.row(y), 0, 80);
  Rux16u v16 = 9;
  int x = -1, y = -1;
  ASSERT_EQ(ruxiMinIndx_16u_C1R(zero.data(), zero.step(), zero.size(), &v16, &x, &y), ruxStatusOk);
  EXPECT_EQ(v16, 0);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);

  GuardedImage<Rux8u> c3(4, 3, 3, 3);
  for (int y2 = 0; y2 < 3; ++y2) std::memset(c3.row(y2), 10, 12);
  c3.at(1, 0, 0) = 90;
  c3.at(0, 2, 1) = 80;
  Rux8u mx[3];
  int xs[3], ys[3];
  ASSERT_EQ(ruxiMaxIndx_8u_C3R(c3.data(), c3.step(), c3.size(), mx, xs, ys), ruxStatusOk);
  EXPECT_EQ(mx[0], 90);
  EXPECT_EQ(xs[0], 1);
  EXPECT_EQ(ys[0], 0);
  EXPECT_EQ(mx[1], 80);
  EXPECT_EQ(xs[1], 0);
  EXPECT_EQ(ys[1], 2);
  EXPECT_EQ(mx[2], 10);
  EXPECT_EQ(xs[2], 0);
  EXPECT_EQ(ys[2], 0);
}

// The early stop at the type's limit waits for every reported channel, never for alpha.
TEST(ExtremaIndexTest, EarlyStopWaitsForEveryChannel) {
  GuardedImage<Rux8u> img(50, 6, 4, 4);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 50; ++x) {
      for (int c = 0; c < 3; ++c) img.at(x, y, c) = 100;
      img.at(x, y, 3) = 255;  // alpha at the limit from the first row on
    }
  img.at(7, 0, 0) = 255;  // channel 0 reaches the limit in row 0
  img.at(9, 2, 1) = 255;
  img.at(9, 2, 2) = 254;
  img.at(3, 5, 2) = 255;
  img.at(20, 5, 0) = 255;  // a later equal value never replaces the first
  Rux8u v[3];
  int xs[3], ys[3];
  ASSERT_EQ(ruxiMaxIndx_8u_AC4R(img.data(), img.step(), img.size(), v, xs, ys), ruxStatusOk);
  const int want[3][3] = {{255, 7, 0}, {255, 9, 2}, {255, 3, 5}};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(v[c], want[c][0]) << c;
    EXPECT_EQ(xs[c], want[c][1]) << c;
    EXPECT_EQ(ys[c], want[c][2]) << c;
  }
  GuardedImage<Rux16u> u(33, 4, 1, 5);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 33; ++x) u.at(x, y, 0) = 1000;
  u.at(31, 1, 0) = 0;
  u.at(2, 3, 0) = 0;
  Rux16u m = 7;
  int x = -1, y = -1;
  ASSERT_EQ(ruxiMinIndx_16u_C1R(u.data(), u.step(), u.size(), &m, &x, &y), ruxStatusOk);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(x, 31);
  EXPECT_EQ(y, 1);
}

// NaN samples are skipped; a channel of NaN only reports NaN (at (0, 0)); infinities are
// ordinary extremes; zeros of either sign are equal and the Indx value is the first one.
TEST(ExtremaFloatTest, NaNAndInfinities) {
  const ExtremaApi<Rux32f> a = extremaApi(static_cast<Rux32f*>(nullptr));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (int l = 0; l < 4; ++l) {
    const int ch = kLayouts[l].channels;
    for (int w : {1, 7, 16, 33, 70}) {
      GuardedImage<Rux32f> img(w, 4, ch, 60 + w, 2);
      std::mt19937 rng(w);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < w; ++x) {
          img.at(x, y, 0) = nan;                                // all NaN
          if (ch > 1) img.at(x, y, 1) = rng() % 3 ? nan : inf;  // infinity among NaN
          if (ch > 2) img.at(x, y, 2) = rng() % 2 ? nan : (rng() % 2 ? 0.0f : -0.0f);
        }
      if (ch > 1) img.at(w - 1, 3, 1) = inf;
      if (ch > 2) img.at(0, 0, 2) = -0.0f;
      img.snapshot();
      expectAllMatch(a, l, img, "specials width " + std::to_string(w));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  // NaN anywhere in a row of numbers never wins.
  GuardedImage<Rux32f> img(67, 3, 1, 9);
  for (int x = 0; x < 67; x += 2) img.at(x, 1, 0) = nan;
  img.snapshot();
  expectAllMatch(a, 0, img, "scattered NaN");
}

TYPED_TEST(ExtremaTest, BadArgumentsWriteNothing) {
  using T = TypeParam;
  const ExtremaApi<T> a = extremaApi(static_cast<T*>(nullptr));
  GuardedImage<T> img(8, 2, 4, 1);
  T v[4] = {T(1), T(1), T(1), T(1)}, w[4] = {T(1), T(1), T(1), T(1)};
  int xs[4] = {-1, -1, -1, -1}, ys[4] = {-1, -1, -1, -1};
  const T* p = img.data();
  const int s = img.step();
  ruxtest::expectRejections(
      {
          {"min null image", [&] { return a.min[0](nullptr, s, {8, 2}, v); }, ruxStatusNullPointer},
          {"max null result", [&] { return a.max[1](p, s, {8, 2}, nullptr); }, ruxStatusNullPointer},
          {"minmax null min", [&] { return a.minMax[2](p, s, {8, 2}, nullptr, w); }, ruxStatusNullPointer},
          {"minmax null max", [&] { return a.minMax[3](p, s, {8, 2}, v, nullptr); }, ruxStatusNullPointer},
          {"minindx null x", [&] { return a.minIndx[0](p, s, {8, 2}, v, nullptr, ys); }, ruxStatusNullPointer},
          {"maxindx null y before size", [&] { return a.maxIndx[3](p, s, {0, 0}, v, xs, nullptr); },
           ruxStatusNullPointer},
          {"maxindx null value", [&] { return a.maxIndx[1](p, s, {8, 2}, nullptr, xs, ys); }, ruxStatusNullPointer},
          {"min zero width", [&] { return a.min[3](p, s, {0, 2}, v); }, ruxStatusBadSize},
          {"minmax zero height", [&] { return a.minMax[0](p, s, {8, 0}, v, w); }, ruxStatusBadSize},
          {"minindx negative width", [&] { return a.minIndx[2](p, s, {-3, 2}, v, xs, ys); }, ruxStatusBadSize},
      },
      img);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(v[c], T(1));
    EXPECT_EQ(w[c], T(1));
    EXPECT_EQ(xs[c], -1);
    EXPECT_EQ(ys[c], -1);
  }
}

}  // namespace
