// Copy family: every layout and type against the reference move, over widths that cross every
// vector length, with guard bands and a different step per operand.
#include <cstring>

#include "ref/move_ref.h"

namespace {

using ruxref::kKeep;
using ruxtest::GuardedImage;

template <class T>
struct CopyApi {
  using Fn = RuxResult (*)(const T*, int, T*, int, RuxImageSize);
  using MaskFn = RuxResult (*)(const T*, int, T*, int, RuxImageSize, const Rux8u*, int);
  using SplitFn = RuxResult (*)(const T*, int, T* const*, int, RuxImageSize);
  using MergeFn = RuxResult (*)(const T* const*, int, T*, int, RuxImageSize);
  Fn c1, c3, c4, ac4, c3ac4, ac4c3, c3cr, c4cr, c3c1, c4c1, c1c3, c1c4;
  MaskFn masked[4];  // C1, C3, C4, AC4
  SplitFn split3, split4;
  MergeFn merge3, merge4;
};

#define RUX_COPY_API(type, T)                                                                    \
  CopyApi<T> copyApi(T*) {                                                                       \
    return {ruxiCopy_##type##_C1R,   ruxiCopy_##type##_C3R,   ruxiCopy_##type##_C4R,             \
            ruxiCopy_##type##_AC4R,  ruxiCopy_##type##_C3AC4R, ruxiCopy_##type##_AC4C3R,         \
            ruxiCopy_##type##_C3CR,  ruxiCopy_##type##_C4CR,  ruxiCopy_##type##_C3C1R,           \
            ruxiCopy_##type##_C4C1R, ruxiCopy_##type##_C1C3R, ruxiCopy_##type##_C1C4R,           \
            {ruxiCopy_##type##_C1MR, ruxiCopy_##type##_C3MR, ruxiCopy_##type##_C4MR,             \
             ruxiCopy_##type##_AC4MR},                                                           \
            ruxiCopy_##type##_C3P3R, ruxiCopy_##type##_C4P4R, ruxiCopy_##type##_P3C3R,           \
            ruxiCopy_##type##_P4C4R};                                                            \
  }
RUX_COPY_API(8u, Rux8u)
RUX_COPY_API(16s, Rux16s)
RUX_COPY_API(16u, Rux16u)
RUX_COPY_API(32s, Rux32s)
RUX_COPY_API(32f, Rux32f)

// One form: cin -> cout channels, the reference selectors, and for channel-of-interest forms
// the channel the pointers address.
template <class T>
struct Form {
  const char* name;
  typename CopyApi<T>::Fn fn;
  int cin, cout;
  std::vector<int> sel;
  int srcChannel = 0, dstChannel = 0;
};

template <class T>
std::vector<Form<T>> forms() {
  const CopyApi<T> a = copyApi(static_cast<T*>(nullptr));
  std::vector<Form<T>> f = {
      {"C1R", a.c1, 1, 1, {0}},
      {"C3R", a.c3, 3, 3, {0, 1, 2}},
      {"C4R", a.c4, 4, 4, {0, 1, 2, 3}},
      {"AC4R", a.ac4, 4, 4, {0, 1, 2, kKeep}},
      {"C3AC4R", a.c3ac4, 3, 4, {0, 1, 2, kKeep}},
      {"AC4C3R", a.ac4c3, 4, 3, {0, 1, 2}},
  };
  for (int c = 0; c < 4; ++c) {
    std::vector<int> one(4, kKeep);
    one[c] = c;
    std::vector<int> into(4, kKeep);
    into[c] = 0;
    if (c < 3) {
      f.push_back({"C3CR", a.c3cr, 3, 3, {one[0], one[1], one[2]}, c, c});
      f.push_back({"C3C1R", a.c3c1, 3, 1, {c}, c, 0});
      f.push_back({"C1C3R", a.c1c3, 1, 3, {into[0], into[1], into[2]}, 0, c});
    }
    f.push_back({"C4CR", a.c4cr, 4, 4, one, c, c});
    f.push_back({"C4C1R", a.c4c1, 4, 1, {c}, c, 0});
    f.push_back({"C1C4R", a.c1c4, 1, 4, into, 0, c});
  }
  return f;
}

std::uint32_t writable(const std::vector<int>& sel) {
  std::uint32_t m = 0;
  for (std::size_t k = 0; k < sel.size(); ++k) m |= (sel[k] != kKeep ? 1u : 0u) << k;
  return m;
}

template <class T>
class CopyTest : public ::testing::Test {};
using MoveTypes = ::testing::Types<Rux8u, Rux16s, Rux16u, Rux32s, Rux32f>;
TYPED_TEST_SUITE(CopyTest, MoveTypes);

TYPED_TEST(CopyTest, EveryLayoutMatchesTheReference) {
  using T = TypeParam;
  for (const Form<T>& f : forms<T>()) {
    for (int w : ruxtest::sweepWidths()) {
      for (int h : {1, 3}) {
        GuardedImage<T> src(w, h, f.cin, 1000 + w, 3);
        GuardedImage<T> dst(w, h, f.cout, 2000 + w, 5);
        ASSERT_EQ(f.fn(src.data() + f.srcChannel, src.step(), dst.data() + f.dstChannel, dst.step(),
                       {w, h}),
                  ruxStatusOk);
        ASSERT_TRUE(regionEquals(dst, ruxref::move(src, dst, f.sel))) << f.name << " width " << w;
        ASSERT_TRUE(dst.check(writable(f.sel))) << f.name << " width " << w;
        ASSERT_TRUE(src.unchanged()) << f.name;
      }
    }
  }
}

TYPED_TEST(CopyTest, ContiguousRowsAndNegativeSteps) {
  using T = TypeParam;
  const CopyApi<T> a = copyApi(static_cast<T*>(nullptr));
  // Steps equal to the row length: the region is copied as one block.
  GuardedImage<T> src(37, 5, 3, 1, 0, true), dst(37, 5, 3, 2, 0, true);
  ASSERT_EQ(a.c3(src.data(), src.step(), dst.data(), dst.step(), src.size()), ruxStatusOk);
  EXPECT_TRUE(regionEquals(dst, ruxref::move(src, dst, {0, 1, 2})));
  EXPECT_TRUE(dst.check());
  // Negative steps are walked as given: starting at the last row turns the image upside down.
  GuardedImage<T> flipped(37, 5, 1, 3, 2);
  GuardedImage<T> plain(37, 5, 1, 4);
  ASSERT_EQ(a.c1(plain.row(4), -plain.step(), flipped.data(), flipped.step(), plain.size()), ruxStatusOk);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(flipped.at(x, y, 0), plain.at(x, 4 - y, 0));
  EXPECT_TRUE(flipped.check());
}

TYPED_TEST(CopyTest, MaskedFormsWriteOnlyWhereTheMaskIsSet) {
  using T = TypeParam;
  const CopyApi<T> a = copyApi(static_cast<T*>(nullptr));
  const int channels[4] = {1, 3, 4, 4};
  for (int l = 0; l < 4; ++l) {
    std::vector<int> sel = {0, 1, 2, 3};
    sel.resize(channels[l]);
    if (l == 3) sel[3] = kKeep;
    for (int w : ruxtest::sweepWidths()) {
      GuardedImage<T> src(w, 2, channels[l], 10 + w, 1), dst(w, 2, channels[l], 20 + w, 4);
      GuardedImage<Rux8u> mask(w, 2, 1, 30 + w, 7);
      for (int y = 0; y < 2; ++y)  // about half the pixels; any non-zero byte selects
        for (int x = 0; x < w; ++x) mask.at(x, y, 0) = (mask.at(x, y, 0) & 1) ? mask.at(x, y, 0) | 2 : 0;
      mask.snapshot();
      ASSERT_EQ(a.masked[l](src.data(), src.step(), dst.data(), dst.step(), {w, 2}, mask.data(),
                            mask.step()),
                ruxStatusOk);
      ASSERT_TRUE(regionEquals(dst, ruxref::move(src, dst, sel, {}, &mask))) << l << " width " << w;
      ASSERT_TRUE(dst.check(writable(sel)));
      ASSERT_TRUE(mask.unchanged());
    }
  }
}

TYPED_TEST(CopyTest, PlanarSplitAndMerge) {
  using T = TypeParam;
  const CopyApi<T> a = copyApi(static_cast<T*>(nullptr));
  for (int c : {3, 4}) {
    for (int w : ruxtest::sweepWidths()) {
      GuardedImage<T> pixels(w, 3, c, 40 + w, 2), merged(w, 3, c, 50 + w, 1);
      std::vector<GuardedImage<T>> planes;
      for (int k = 0; k < c; ++k) planes.emplace_back(w, 3, 1, 60 + k, 6);  // one common step
      T* dstPlanes[4];
      for (int k = 0; k < c; ++k) dstPlanes[k] = planes[k].data();
      ASSERT_EQ((c == 3 ? a.split3 : a.split4)(pixels.data(), pixels.step(), dstPlanes,
                                               planes[0].step(), {w, 3}),
                ruxStatusOk);
      for (int k = 0; k < c; ++k) {
        ASSERT_TRUE(regionEquals(planes[k], ruxref::move(pixels, planes[k], {k}))) << c << " " << w;
        ASSERT_TRUE(planes[k].check());
      }
      const T* srcPlanes[4] = {planes[0].data(), planes[1].data(), planes[2].data(),
                               c == 4 ? planes[3].data() : nullptr};
      ASSERT_EQ((c == 3 ? a.merge3 : a.merge4)(srcPlanes, planes[0].step(), merged.data(),
                                               merged.step(), {w, 3}),
                ruxStatusOk);
      std::vector<int> identity = {0, 1, 2, 3};
      identity.resize(c);
      ASSERT_TRUE(regionEquals(merged, ruxref::move(pixels, merged, identity))) << c << " " << w;
      ASSERT_TRUE(merged.check());
    }
  }
}

// Rows of rowBytes whose bytes, read and written, exceed 32 MiB: copies, splits and merges that
// large bypass the cache whatever its size.
int streamingRows(int rowBytes) { return (32 << 20) / (2 * rowBytes) + 1; }

// Large 8u merges take the cache-bypassing path, whose rows start with an aligning head.
TEST(CopyPlanar, LargeMergeMatchesTheReference) {
  for (int pad : {0, 5}) {
    const int w = 1001, h = streamingRows(3 * w);
    GuardedImage<Rux8u> merged(w, h, 3, 70 + pad, pad);
    std::vector<GuardedImage<Rux8u>> planes;
    for (int k = 0; k < 3; ++k) planes.emplace_back(w, h, 1, 80 + k, 3);
    const Rux8u* src[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
    ASSERT_EQ(ruxiCopy_8u_P3C3R(src, planes[0].step(), merged.data() + 0, merged.step(), {w, h}), ruxStatusOk);
    for (int y = 0; y < h; ++y) {
      const Rux8u* row = merged.data() + static_cast<std::ptrdiff_t>(y) * merged.step();
      for (int k = 0; k < 3; ++k) {
        const Rux8u* plane = planes[k].data() + static_cast<std::ptrdiff_t>(y) * planes[k].step();
        for (int x = 0; x < w; ++x) {
          if (row[3 * x + k] != plane[x]) FAIL() << x << "," << y << "," << k;
        }
      }
    }
    EXPECT_TRUE(merged.check());
  }
}

// Large 8u splits stream into planes that share an alignment; planes shifted against each other
// keep plain stores. Either way every plane gets its channel.
TEST(CopyPlanar, LargeSplitMatchesTheReference) {
  for (int shift : {0, 1}) {
    const int w = 1001, h = streamingRows(3 * w);
    GuardedImage<Rux8u> pixels(w, h, 3, 90 + shift, 1);
    std::vector<GuardedImage<Rux8u>> planes;
    for (int k = 0; k < 3; ++k) planes.emplace_back(w + 2, h, 1, 95 + k, 3);
    Rux8u* dst[3];
    for (int k = 0; k < 3; ++k) dst[k] = planes[k].data() + shift * k;
    ASSERT_EQ(ruxiCopy_8u_C3P3R(pixels.data(), pixels.step(), dst, planes[0].step(), {w, h}), ruxStatusOk);
    for (int k = 0; k < 3; ++k) {
      for (int y = 0; y < h; ++y) {
        const Rux8u* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * pixels.step();
        const Rux8u* plane = dst[k] + static_cast<std::ptrdiff_t>(y) * planes[k].step();
        for (int x = 0; x < w; ++x) {
          if (plane[x] != row[3 * x + k]) FAIL() << x << "," << y << "," << k;
        }
      }
      EXPECT_TRUE(planes[k].check());
    }
  }
}

// Large copies bypass the cache: rows that start off the vector alignment and end inside a
// vector (a plain head and tail around the streamed part), and tight images copied as one run.
TEST(CopyPlanar, LargeCopyMatchesTheSource) {
  for (bool tight : {false, true}) {
    const int w = 4099, h = streamingRows(w - 1);
    GuardedImage<Rux8u> src(w, h, 1, 31, 0, tight), dst(w, h, 1, 32, 5, tight);
    ASSERT_EQ(ruxiCopy_8u_C1R(src.data(), src.step(), dst.data() + 1, dst.step(), {w - 1, h}), ruxStatusOk);
    for (int y = 0; y < h; ++y) {
      const Rux8u* from = src.data() + static_cast<std::ptrdiff_t>(y) * src.step();
      const Rux8u* to = dst.data() + static_cast<std::ptrdiff_t>(y) * dst.step();
      ASSERT_EQ(std::memcmp(from, to + 1, w - 1), 0) << y;
    }
    EXPECT_TRUE(dst.check());
  }
}

TYPED_TEST(CopyTest, BadArgumentsWriteNothing) {
  using T = TypeParam;
  const CopyApi<T> a = copyApi(static_cast<T*>(nullptr));
  GuardedImage<T> src(8, 2, 4, 1), dst(8, 2, 4, 2);
  GuardedImage<Rux8u> mask(8, 2, 1, 3);
  T* planes[4] = {dst.data(), dst.data(), nullptr, dst.data()};
  const T* cplanes[4] = {src.data(), nullptr, src.data(), src.data()};
  const int s = src.step(), d = dst.step();
  ruxtest::expectRejections(
      {
          {"null source", [&] { return a.c1(nullptr, s, dst.data(), d, {8, 2}); }, ruxStatusNullPointer},
          {"null destination", [&] { return a.ac4(src.data(), s, nullptr, d, {8, 2}); }, ruxStatusNullPointer},
          {"null before size", [&] { return a.c3cr(nullptr, s, dst.data(), d, {0, 2}); }, ruxStatusNullPointer},
          {"zero width", [&] { return a.c4(src.data(), s, dst.data(), d, {0, 2}); }, ruxStatusBadSize},
          {"negative height", [&] { return a.c1c4(src.data(), s, dst.data(), d, {8, -1}); }, ruxStatusBadSize},
          {"null mask", [&] { return a.masked[3](src.data(), s, dst.data(), d, {8, 2}, nullptr, 8); },
           ruxStatusNullPointer},
          {"masked zero height",
           [&] { return a.masked[0](src.data(), s, dst.data(), d, {8, 0}, mask.data(), mask.step()); },
           ruxStatusBadSize},
          {"null plane", [&] { return a.split3(src.data(), s, planes, d, {8, 2}); }, ruxStatusNullPointer},
          {"null source plane", [&] { return a.merge4(cplanes, s, dst.data(), d, {8, 2}); }, ruxStatusNullPointer},
          {"null plane before size", [&] { return a.split4(src.data(), s, planes, d, {0, 2}); },
           ruxStatusNullPointer},
      },
      src, dst, mask);
}

TEST(CopyManaged, BothStoreKindsCopyTheRegion) {
  for (int flags : {0, 1, 6}) {
    GuardedImage<Rux8u> src(301, 4, 1, 7, 1), dst(301, 4, 1, 8, 9);
    ASSERT_EQ(ruxiCopyManaged_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), src.size(), flags),
              ruxStatusOk);
    EXPECT_TRUE(regionEquals(dst, ruxref::move(src, dst, {0})));
    EXPECT_TRUE(dst.check());
  }
  EXPECT_EQ(ruxiCopyManaged_8u_C1R(nullptr, 1, nullptr, 1, {1, 1}, 0), ruxStatusNullPointer);
}

}  // namespace
