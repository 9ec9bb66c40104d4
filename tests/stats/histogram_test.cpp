// Histogram family: bins against the definition for every type and layout, the even level
// generation, the counting strategies of 16-bit images by region size, and validation.
#include <cmath>

#include "ref/histlut_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
using Level = std::conditional_t<std::is_same_v<T, Rux32f>, Rux32f, Rux32s>;

template <class T>
struct RangeApi {
  using L = Level<T>;
  RuxResult (*c1)(const T*, int, RuxImageSize, Rux32s*, const L*, int);
  RuxResult (*multi[3])(const T*, int, RuxImageSize, Rux32s* const*, const L* const*, const int*);
};

#define RUX_RANGE_API(type, T)                                                                  \
  RangeApi<T> rangeApi(T*) {                                                                    \
    return {ruxiHistogramRange_##type##_C1R,                                                    \
            {ruxiHistogramRange_##type##_C3R, ruxiHistogramRange_##type##_C4R,                  \
             ruxiHistogramRange_##type##_AC4R}};                                                \
  }
RUX_RANGE_API(8u, Rux8u)
RUX_RANGE_API(16u, Rux16u)
RUX_RANGE_API(16s, Rux16s)
RUX_RANGE_API(32f, Rux32f)

struct Layout {
  int channels;  // per pixel
  int counted;   // channels with a histogram
  int api;       // -1: C1, else index into multi
};
constexpr Layout kLayouts[] = {{1, 1, -1}, {3, 3, 0}, {4, 4, 1}, {4, 3, 2}};

// Runs HistogramRange on every counted channel; each histogram has a sentinel after its bins.
template <class T>
RuxResult runRange(const Layout& lay, const GuardedImage<T>& img,
                   const std::vector<std::vector<Level<T>>>& levels,
                   std::vector<std::vector<Rux32s>>& hist, RuxImageSize roi) {
  const RangeApi<T> a = rangeApi(static_cast<T*>(nullptr));
  Rux32s* h[4];
  const Level<T>* l[4];
  int n[4];
  hist.assign(lay.counted, {});
  for (int c = 0; c < lay.counted; ++c) {
    hist[c].assign(levels[c].size(), 0x5a5a5a5a);  // bins plus one sentinel
    h[c] = hist[c].data();
    l[c] = levels[c].data();
    n[c] = static_cast<int>(levels[c].size());
  }
  if (lay.api < 0) return a.c1(img.data(), img.step(), roi, h[0], l[0], n[0]);
  return a.multi[lay.api](img.data(), img.step(), roi, h, l, n);
}

template <class T>
void expectCounts(const GuardedImage<T>& img, const std::vector<std::vector<Level<T>>>& levels,
                  const std::vector<std::vector<Rux32s>>& hist, const std::string& what) {
  for (std::size_t c = 0; c < hist.size(); ++c) {
    std::vector<Rux32s> want = ruxref::histogram(ruxref::channel(img, static_cast<int>(c)), levels[c]);
    want.push_back(0x5a5a5a5a);
    EXPECT_EQ(hist[c], want) << what << " channel " << c;
  }
}

// Level sets: increasing, increasing past the type's range, unordered with repeats and
// overlaps, all equal.
template <class T>
std::vector<std::vector<Level<T>>> levelSets(std::mt19937& rng) {
  using L = Level<T>;
  double lo, hi;
  if constexpr (std::is_same_v<T, Rux32f>) {
    lo = -1100, hi = 1100;
  } else {
    lo = static_cast<double>(std::numeric_limits<T>::min()) - 50;
    hi = static_cast<double>(std::numeric_limits<T>::max()) + 50;
  }
  const auto draw = [&] {
    return static_cast<L>(std::uniform_real_distribution<double>(lo, hi)(rng));
  };
  std::vector<std::vector<L>> sets;
  for (int n : {2, 5, 40, 200}) {
    std::vector<L> inc(n);
    for (auto& v : inc) v = draw();
    std::sort(inc.begin(), inc.end());
    inc.erase(std::unique(inc.begin(), inc.end()), inc.end());
    if (inc.size() >= 2) sets.push_back(inc);
    std::vector<L> any(n);
    for (auto& v : any) v = draw();
    if (n > 2) any[1] = any[0];
    sets.push_back(any);
  }
  sets.push_back({L(0), L(0), L(0)});
  return sets;
}

template <class T>
class HistogramRangeTest : public ::testing::Test {};
using HistTypes = ::testing::Types<Rux8u, Rux16u, Rux16s, Rux32f>;
TYPED_TEST_SUITE(HistogramRangeTest, HistTypes);

TYPED_TEST(HistogramRangeTest, EveryLayoutCountsAsDefined) {
  using T = TypeParam;
  std::mt19937 rng(11);
  const auto sets = levelSets<T>(rng);
  for (const Layout& lay : kLayouts) {
    // Small and large regions (the 16-bit strategies change with the pixel count).
    for (RuxImageSize roi : {RuxImageSize{7, 3}, RuxImageSize{61, 9}, RuxImageSize{150, 80}}) {
      GuardedImage<T> img(roi.width, roi.height, lay.channels, 1000 + roi.width, 5);
      if constexpr (std::is_same_v<T, Rux32f>) {
        img.at(0, 0, 0) = std::numeric_limits<float>::quiet_NaN();
        img.at(1, 0, 0) = std::numeric_limits<float>::infinity();
        img.snapshot();
      }
      for (std::size_t s = 0; s < sets.size(); ++s) {
        std::vector<std::vector<Level<T>>> levels;
        for (int c = 0; c < lay.counted; ++c) levels.push_back(sets[(s + c) % sets.size()]);
        std::vector<std::vector<Rux32s>> hist;
        ASSERT_EQ(runRange(lay, img, levels, hist, roi), ruxStatusOk);
        expectCounts(img, levels, hist, "layout " + std::to_string(lay.channels) + "/" +
                                            std::to_string(lay.counted) + " set " + std::to_string(s));
        EXPECT_TRUE(img.unchanged());
      }
    }
  }
}

TEST(HistogramRange8u, EverySampleValueInItsOwnBin) {
  GuardedImage<Rux8u> img(256, 3, 1, 3, 0, true);  // contiguous rows: counted as one run
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x) img.at(x, y, 0) = static_cast<Rux8u>(x * 7 + y);  // all values
  std::vector<Rux32s> levels(257), hist(256);
  ASSERT_EQ(ruxiHistogramEven_8u_C1R(img.data(), img.step(), img.size(), hist.data(), levels.data(),
                                     257, 0, 256),
            ruxStatusOk);
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(levels[v], v);
    EXPECT_EQ(hist[v], 3) << v;
  }
  // Upper level 255: 255 falls outside every bin.
  ASSERT_EQ(ruxiHistogramEven_8u_C1R(img.data(), img.step(), img.size(), hist.data(), levels.data(),
                                     256, 0, 255),
            ruxStatusOk);
  Rux32s total = 0;
  for (int k = 0; k < 255; ++k) total += hist[k];
  EXPECT_EQ(total, 3 * 255);
}

TEST(HistogramRange32f, EmptyMiddleBinAndNaN) {
  const Rux32f nan = std::numeric_limits<float>::quiet_NaN();
  const Rux32f src[8] = {0.0f, 0.5f, 1.0f, 1.0f, 1.5f, nan, 2.0f, -0.1f};
  const Rux32f levels[4] = {0.0f, 1.0f, 1.0f, 2.0f};
  Rux32s hist[3];
  ASSERT_EQ(ruxiHistogramRange_32f_C1R(src, 32, {8, 1}, hist, levels, 4), ruxStatusOk);
  EXPECT_EQ(hist[0], 2);
  EXPECT_EQ(hist[1], 0);
  EXPECT_EQ(hist[2], 3);
  // NaN levels make no bin count anything.
  const Rux32f nanLevels[3] = {0.0f, nan, 2.0f};
  ASSERT_EQ(ruxiHistogramRange_32f_C1R(src, 32, {8, 1}, hist, nanLevels, 3), ruxStatusOk);
  EXPECT_EQ(hist[0], 0);
  EXPECT_EQ(hist[1], 0);
}

TEST(HistogramEven, LevelsFollowTheRule) {
  struct Case {
    Rux32s lower, upper;
    int n;
    std::vector<Rux32s> want;
  };
  const Case cases[] = {
      {0, 10, 4, {0, 4, 7, 10}},
      {10, 0, 4, {10, 6, 3, 0}},
      {3, 1, 5, {3, 2, 1, 1, 1}},
      {0, 256, 3, {0, 128, 256}},
      {-5, 5, 2, {-5, 5}},
      {7, 7, 4, {7, 7, 7, 7}},
      {std::numeric_limits<Rux32s>::min(), std::numeric_limits<Rux32s>::max(), 3,
       {std::numeric_limits<Rux32s>::min(), 0, std::numeric_limits<Rux32s>::max()}},
  };
  Rux16s src[4] = {0, 1, 2, 3};
  for (const Case& c : cases) {
    std::vector<Rux32s> levels(c.n), hist(c.n - 1);
    ASSERT_EQ(ruxiHistogramEven_16s_C1R(src, 8, {4, 1}, hist.data(), levels.data(), c.n, c.lower, c.upper),
              ruxStatusOk);
    EXPECT_EQ(levels, c.want) << c.lower << ".." << c.upper;
    EXPECT_EQ(levels, ruxref::evenLevels(c.lower, c.upper, c.n));
  }
  // Decreasing levels count nothing.
  std::vector<Rux32s> levels(4), hist(3, -1);
  ASSERT_EQ(ruxiHistogramEven_16s_C1R(src, 8, {4, 1}, hist.data(), levels.data(), 4, 10, 0), ruxStatusOk);
  EXPECT_EQ(hist, (std::vector<Rux32s>{0, 0, 0}));
}

template <class T>
struct EvenApi {
  RuxResult (*c1)(const T*, int, RuxImageSize, Rux32s*, Rux32s*, int, Rux32s, Rux32s);
  RuxResult (*multi[3])(const T*, int, RuxImageSize, Rux32s* const*, Rux32s* const*, const int*,
                        const Rux32s*, const Rux32s*);
};
#define RUX_EVEN_API(type, T)                                                                   \
  EvenApi<T> evenApi(T*) {                                                                      \
    return {ruxiHistogramEven_##type##_C1R,                                                     \
            {ruxiHistogramEven_##type##_C3R, ruxiHistogramEven_##type##_C4R,                    \
             ruxiHistogramEven_##type##_AC4R}};                                                 \
  }
RUX_EVEN_API(8u, Rux8u)
RUX_EVEN_API(16u, Rux16u)
RUX_EVEN_API(16s, Rux16s)

template <class T>
class HistogramEvenTest : public ::testing::Test {};
using EvenTypes = ::testing::Types<Rux8u, Rux16u, Rux16s>;
TYPED_TEST_SUITE(HistogramEvenTest, EvenTypes);

TYPED_TEST(HistogramEvenTest, WritesLevelsAndCountsEveryChannel) {
  using T = TypeParam;
  const EvenApi<T> a = evenApi(static_cast<T*>(nullptr));
  const Rux32s lower[4] = {std::numeric_limits<T>::min(), 3, std::numeric_limits<T>::max(), -20};
  const Rux32s upper[4] = {std::numeric_limits<T>::max() + 1, 200, 0, 1000};
  const int n[4] = {257, 9, 33, 4};
  for (const Layout& lay : kLayouts) {
    GuardedImage<T> img(45, 38, lay.channels, 77, 3);
    std::vector<std::vector<Rux32s>> levels(4), hist(4);
    Rux32s* h[4];
    Rux32s* l[4];
    for (int c = 0; c < 4; ++c) {
      levels[c].assign(n[c], 0);
      hist[c].assign(n[c] - 1, -1);
      h[c] = hist[c].data();
      l[c] = levels[c].data();
    }
    const RuxResult st = lay.api < 0 ? a.c1(img.data(), img.step(), img.size(), h[0], l[0], n[0], lower[0], upper[0])
                                     : a.multi[lay.api](img.data(), img.step(), img.size(), h, l, n, lower, upper);
    ASSERT_EQ(st, ruxStatusOk);
    for (int c = 0; c < lay.counted; ++c) {
      EXPECT_EQ(levels[c], ruxref::evenLevels(lower[c], upper[c], n[c])) << c;
      EXPECT_EQ(hist[c], ruxref::histogram(ruxref::channel(img, c), levels[c])) << c;
    }
  }
}

// The 16-bit strategy follows the pixel count and level count; only the full-table strategy
// allocates, so a failing allocation tells which one ran. Counts must match every time.
struct Band {
  bool increasing;
  long long pixels;
  int nLevels;
  bool fullTable;
};

TEST(HistogramRange16, StrategyBandsAroundTheBreakpoints) {
  std::vector<Band> bands;
  const long long incBreak[] = {6400, 9216, 12544, 16384, 20736, 25600, 36864};
  const int incLimit[] = {134, 78, 50, 34, 22, 6, 2};
  for (int i = 0; i < 7; ++i) {
    for (long long p : {incBreak[i] - 1, incBreak[i]}) {
      const int limit = p < incBreak[i] ? (i == 0 ? 100000 : incLimit[i - 1]) : incLimit[i];
      if (limit < 100000) {
        bands.push_back({true, p, limit, false});
        bands.push_back({true, p, limit + 1, true});
      }
    }
  }
  bands.push_back({true, 6399, 170, false});  // linear search
  bands.push_back({true, 6399, 171, false});  // binary search
  bands.push_back({true, 100, 2000, false});
  const long long anyBreak[] = {1024, 2304, 4096, 6400, 9216, 12544, 16384, 20736, 25600, 30976, 43264};
  const int anyLimit[] = {434, 222, 126, 78, 50, 34, 22, 14, 10, 6, 2};
  for (int i = 0; i < 11; ++i) {
    bands.push_back({false, anyBreak[i] - 1, i == 0 ? 600 : anyLimit[i - 1], false});
    bands.push_back({false, anyBreak[i], anyLimit[i], false});
    bands.push_back({false, anyBreak[i], anyLimit[i] + 1, true});
  }
  std::mt19937 rng(3);
  for (const Band& b : bands) {
    const int width = static_cast<int>(b.pixels % 2 == 0 ? b.pixels / 2 : b.pixels);
    const int height = static_cast<int>(b.pixels / width);
    GuardedImage<Rux16u> img(width, height, 1, static_cast<std::uint32_t>(b.pixels));
    std::vector<Rux32s> levels(b.nLevels);
    for (int k = 0; k < b.nLevels; ++k) {
      levels[k] = b.increasing ? k * (66000 / b.nLevels) - 200
                               : static_cast<Rux32s>(std::uniform_int_distribution<int>(-10, 65600)(rng));
    }
    if (!b.increasing && b.nLevels > 2) levels[2] = levels[1];
    const std::string what = std::to_string(b.pixels) + " pixels, " + std::to_string(b.nLevels) +
                             (b.increasing ? " increasing levels" : " unordered levels");
    std::vector<Rux32s> hist(b.nLevels - 1, 12345);
    {
      ruxtest::FailAllocationsAfter fail(0);
      const RuxResult st = ruxiHistogramRange_16u_C1R(img.data(), img.step(), img.size(), hist.data(),
                                                      levels.data(), b.nLevels);
      ASSERT_EQ(st, b.fullTable ? ruxStatusNoMemory : ruxStatusOk) << what;
      if (b.fullTable) {
        EXPECT_EQ(hist, std::vector<Rux32s>(b.nLevels - 1, 12345)) << what;
      }
    }
    ASSERT_EQ(ruxiHistogramRange_16u_C1R(img.data(), img.step(), img.size(), hist.data(),
                                         levels.data(), b.nLevels),
              ruxStatusOk);
    EXPECT_EQ(hist, ruxref::histogram(ruxref::channel(img, 0), levels)) << what;
  }
}

TEST(HistogramRange16, FullTableFailureWritesNoChannel) {
  GuardedImage<Rux16s> img(200, 200, 4, 9);
  std::vector<Rux32s> few = {-100, 0, 100};  // searched
  std::vector<Rux32s> many(300);             // full table
  for (int k = 0; k < 300; ++k) many[k] = -30000 + 200 * k;
  std::vector<std::vector<Rux32s>> hist(3, std::vector<Rux32s>(299, 7));
  Rux32s* h[3] = {hist[0].data(), hist[1].data(), hist[2].data()};
  const Rux32s* l[3] = {few.data(), many.data(), few.data()};
  const int n[3] = {3, 300, 3};
  {
    ruxtest::FailAllocationsAfter fail(0);
    ASSERT_EQ(ruxiHistogramRange_16s_AC4R(img.data(), img.step(), img.size(), h, l, n), ruxStatusNoMemory);
  }
  for (const auto& one : hist) EXPECT_EQ(one, std::vector<Rux32s>(299, 7));
  ASSERT_EQ(ruxiHistogramRange_16s_AC4R(img.data(), img.step(), img.size(), h, l, n), ruxStatusOk);
  EXPECT_EQ(std::vector<Rux32s>(hist[1].begin(), hist[1].end()), ruxref::histogram(ruxref::channel(img, 1), many));
  EXPECT_EQ(std::vector<Rux32s>(hist[0].begin(), hist[0].begin() + 2), ruxref::histogram(ruxref::channel(img, 0), few));
}

TEST(HistogramValidation, ContractOrder) {
  GuardedImage<Rux8u> img(8, 2, 4, 1);
  Rux32s hist[8] = {}, levels[9] = {0, 10, 20, 30, 40, 50, 60, 70, 80};
  Rux32s* h[3] = {hist, hist, hist};
  Rux32s* hn[3] = {hist, nullptr, hist};
  const Rux32s* l[3] = {levels, levels, levels};
  const Rux32s* ln[3] = {levels, levels, nullptr};
  Rux32s* le[3] = {levels, levels, levels};
  const int n[3] = {3, 3, 3}, nBad1[3] = {3, 1, 3}, nBad0[3] = {1, 3, 3};
  const Rux32s lo[3] = {0, 0, 0}, up[3] = {9, 9, 9};
  const int s = img.step();
  const Rux8u* p = img.data();
  const RuxImageSize ok{8, 2}, bad{0, 2};
  ruxtest::expectRejections(
      {
          {"null source", [&] { return ruxiHistogramRange_8u_C1R(nullptr, s, ok, hist, levels, 3); }, ruxStatusNullPointer},
          {"null histogram", [&] { return ruxiHistogramRange_8u_C1R(p, s, ok, nullptr, levels, 3); }, ruxStatusNullPointer},
          {"null levels before size", [&] { return ruxiHistogramRange_8u_C1R(p, s, bad, hist, nullptr, 3); }, ruxStatusNullPointer},
          {"size before step", [&] { return ruxiHistogramRange_8u_C1R(p, 0, bad, hist, levels, 3); }, ruxStatusBadSize},
          {"step before levels", [&] { return ruxiHistogramRange_8u_C1R(p, 0, ok, hist, levels, 1); }, ruxStatusBadStep},
          {"negative step", [&] { return ruxiHistogramRange_8u_C1R(p, -s, ok, hist, levels, 3); }, ruxStatusBadStep},
          {"one level", [&] { return ruxiHistogramRange_8u_C1R(p, s, ok, hist, levels, 1); }, ruxStatusBadHistLevels},
          {"even one level", [&] { return ruxiHistogramEven_8u_C1R(p, s, ok, hist, levels, 1, 0, 9); }, ruxStatusBadHistLevels},
          {"even null levels", [&] { return ruxiHistogramEven_8u_C1R(p, s, ok, hist, nullptr, 3, 0, 9); }, ruxStatusNullPointer},
          {"multi null channel", [&] { return ruxiHistogramRange_8u_C3R(p, s, ok, hn, l, n); }, ruxStatusNullPointer},
          {"multi null level channel", [&] { return ruxiHistogramRange_8u_C4R(p, s, ok, h, ln, n); }, ruxStatusNullPointer},
          {"multi levels before size", [&] { return ruxiHistogramRange_8u_AC4R(p, s, bad, h, l, nBad1); }, ruxStatusBadHistLevels},
          {"channel 0 levels before channel 1 pointer", [&] { return ruxiHistogramRange_8u_C3R(p, s, ok, hn, l, nBad0); }, ruxStatusBadHistLevels},
          {"multi size before step", [&] { return ruxiHistogramRange_8u_C3R(p, 0, bad, h, l, n); }, ruxStatusBadSize},
          {"multi step", [&] { return ruxiHistogramRange_8u_C3R(p, 0, ok, h, l, n); }, ruxStatusBadStep},
          {"multi null arrays", [&] { return ruxiHistogramRange_8u_C3R(p, s, ok, h, l, nullptr); }, ruxStatusNullPointer},
          {"even null bounds", [&] { return ruxiHistogramEven_8u_C3R(p, s, ok, h, le, n, lo, nullptr); }, ruxStatusNullPointer},
          {"even multi levels", [&] { return ruxiHistogramEven_8u_AC4R(p, s, bad, h, le, nBad1, lo, up); }, ruxStatusBadHistLevels},
      },
      img);
  // Nothing was counted or generated by any rejected call.
  for (Rux32s v : hist) EXPECT_EQ(v, 0);
  EXPECT_EQ(levels[1], 10);
}

}  // namespace
