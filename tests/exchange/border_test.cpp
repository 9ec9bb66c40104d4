// Border extension: constant, replicate and wrap borders of every layout against the reference,
// for borders wider than the source, one-pixel sources and long fills; the in-place forms and
// the same-pointer rule; validation order.
#include <climits>
#include <string>

#include "ref/rearrange_ref.h"

namespace {

using ruxref::BorderKind;
using ruxtest::GuardedImage;

template <class T>
struct BorderApi {
  using CopyFn = RuxResult (*)(const T*, int, RuxImageSize, T*, int, RuxImageSize, int, int);
  using InPlaceFn = RuxResult (*)(T*, int, RuxImageSize, RuxImageSize, int, int);
  RuxResult (*const1)(const T*, int, RuxImageSize, T*, int, RuxImageSize, int, int, T);
  RuxResult (*constN[3])(const T*, int, RuxImageSize, T*, int, RuxImageSize, int, int, const T*);
  CopyFn replicate[4];       // C1, C3, C4, AC4
  InPlaceFn replicateIR[4];  // C1, C3, C4, AC4
  CopyFn wrap = nullptr;     // 32-bit types only
  InPlaceFn wrapIR = nullptr;
};

#define RUX_BORDER_API(type, T, WRAP, WRAP_IR)                                               \
  BorderApi<T> borderApi(T*) {                                                               \
    return {ruxiCopyConstBorder_##type##_C1R,                                                \
            {ruxiCopyConstBorder_##type##_C3R, ruxiCopyConstBorder_##type##_C4R,             \
             ruxiCopyConstBorder_##type##_AC4R},                                             \
            {ruxiCopyReplicateBorder_##type##_C1R, ruxiCopyReplicateBorder_##type##_C3R,     \
             ruxiCopyReplicateBorder_##type##_C4R, ruxiCopyReplicateBorder_##type##_AC4R},   \
            {ruxiCopyReplicateBorder_##type##_C1IR, ruxiCopyReplicateBorder_##type##_C3IR,   \
             ruxiCopyReplicateBorder_##type##_C4IR, ruxiCopyReplicateBorder_##type##_AC4IR}, \
            WRAP,                                                                            \
            WRAP_IR};                                                                        \
  }
RUX_BORDER_API(8u, Rux8u, nullptr, nullptr)
RUX_BORDER_API(16s, Rux16s, nullptr, nullptr)
RUX_BORDER_API(16u, Rux16u, nullptr, nullptr)
RUX_BORDER_API(32s, Rux32s, ruxiCopyWrapBorder_32s_C1R, ruxiCopyWrapBorder_32s_C1IR)
RUX_BORDER_API(32f, Rux32f, ruxiCopyWrapBorder_32f_C1R, ruxiCopyWrapBorder_32f_C1IR)

struct Geometry {
  int w, h, dw, dh, top, left;
};

// No border; one pixel into 3x3; one pixel repeated many times; the two-pixel wrap row; borders
// wider and taller than the source; long left fills that take the vector fill kernel.
const Geometry kGeometries[] = {
    {5, 4, 5, 4, 0, 0},    {1, 1, 3, 3, 1, 1},    {1, 1, 40, 37, 20, 19},
    {2, 1, 7, 1, 0, 3},    {3, 2, 50, 13, 5, 30}, {37, 5, 80, 9, 2, 40},
    {64, 3, 129, 6, 0, 1}, {17, 6, 17, 9, 3, 0},  {9, 2, 79, 4, 0, 70},
};

struct Layout {
  int index, channels, written;
};
const Layout kLayouts[] = {{0, 1, 1}, {1, 3, 3}, {2, 4, 4}, {3, 4, 3}};  // C1, C3, C4, AC4

std::string describe(const Geometry& g, const Layout& l) {
  return "layout " + std::to_string(l.index) + ", " + std::to_string(g.w) + "x" +
         std::to_string(g.h) + " into " + std::to_string(g.dw) + "x" + std::to_string(g.dh) +
         " at (" + std::to_string(g.left) + ", " + std::to_string(g.top) + ")";
}

template <class T>
class BorderTest : public ::testing::Test {};
using MoveTypes = ::testing::Types<Rux8u, Rux16s, Rux16u, Rux32s, Rux32f>;
TYPED_TEST_SUITE(BorderTest, MoveTypes);

TYPED_TEST(BorderTest, CopyFormsMatchTheReference) {
  using T = TypeParam;
  const BorderApi<T> a = borderApi(static_cast<T*>(nullptr));
  std::mt19937 rng(11);
  std::vector<T> value(4);
  for (auto& v : value) v = ruxtest::randomValue<T>(rng);
  for (const Geometry& g : kGeometries) {
    for (const Layout& l : kLayouts) {
      const BorderKind kinds[] = {BorderKind::kConst, BorderKind::kReplicate, BorderKind::kWrap};
      for (BorderKind kind : kinds) {
        if (kind == BorderKind::kWrap && (a.wrap == nullptr || l.index != 0)) continue;
        GuardedImage<T> src(g.w, g.h, l.channels, 100 + g.w, 1);
        GuardedImage<T> dst(g.dw, g.dh, l.channels, 200 + g.dh, 3);
        const auto run = [&](auto fn, auto... value) {
          return fn(src.data(), src.step(), src.size(), dst.data(), dst.step(), dst.size(), g.top,
                    g.left, value...);
        };
        const RuxResult st = kind == BorderKind::kReplicate ? run(a.replicate[l.index])
                             : kind == BorderKind::kWrap    ? run(a.wrap)
                             : l.index == 0                 ? run(a.const1, value[0])
                                            : run(a.constN[l.index - 1], value.data());
        const std::string what =
            describe(g, l) + ", kind " + std::to_string(static_cast<int>(kind));
        ASSERT_EQ(st, ruxStatusOk) << what;
        ASSERT_TRUE(regionEquals(dst, ruxref::border(kind, ruxref::samples(src), g.w, g.h, dst,
                                                     g.top, g.left, value, l.written)))
            << what;
        ASSERT_TRUE(dst.check(l.written == 3 && l.channels == 4 ? 0x7u : 0xfu)) << what;
        ASSERT_TRUE(src.unchanged()) << what;
      }
    }
  }
}

// In place the source already sits in the image; the same pointer through the R form of
// Replicate does the same, whatever the source step says.
TYPED_TEST(BorderTest, InPlaceFormsExtendTheRegionAroundTheSource) {
  using T = TypeParam;
  const BorderApi<T> a = borderApi(static_cast<T*>(nullptr));
  for (const Geometry& g : kGeometries) {
    for (const Layout& l : kLayouts) {
      for (int form = 0; form < 3; ++form) {  // replicate IR, replicate R same pointer, wrap IR
        if (form == 2 && (a.wrapIR == nullptr || l.index != 0)) continue;
        GuardedImage<T> img(g.dw, g.dh, l.channels, 300 + g.w, 2);
        std::vector<T> src;
        for (int y = 0; y < g.h; ++y)
          for (int x = 0; x < g.w; ++x)
            for (int k = 0; k < l.channels; ++k) src.push_back(img.at(g.left + x, g.top + y, k));
        T* p = &img.at(g.left, g.top, 0);
        const RuxImageSize s{g.w, g.h};
        RuxResult st;
        if (form == 0) st = a.replicateIR[l.index](p, img.step(), s, img.size(), g.top, g.left);
        if (form == 1) st = a.replicate[l.index](p, 1, s, p, img.step(), img.size(), g.top, g.left);
        if (form == 2) st = a.wrapIR(p, img.step(), s, img.size(), g.top, g.left);
        const std::string what = describe(g, l) + ", form " + std::to_string(form);
        ASSERT_EQ(st, ruxStatusOk) << what;
        const BorderKind kind = form == 2 ? BorderKind::kWrap : BorderKind::kReplicate;
        ASSERT_TRUE(regionEquals(
            img, ruxref::border(kind, src, g.w, g.h, img, g.top, g.left, {}, l.written)))
            << what;
        ASSERT_TRUE(img.check(l.written == 3 && l.channels == 4 ? 0x7u : 0xfu)) << what;
      }
    }
  }
}

TEST(BorderWrap, TwoPixelRowRepeatsBothWays) {
  const Rux32s src[2] = {10, 20};
  Rux32s dst[7] = {};
  ASSERT_EQ(ruxiCopyWrapBorder_32s_C1R(src, 8, {2, 1}, dst, 28, {7, 1}, 0, 3), ruxStatusOk);
  const Rux32s expected[7] = {20, 10, 20, 10, 20, 10, 20};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(dst[i], expected[i]) << i;
}

// Null (-8), steps before sizes (-14), sizes (-6), then the value array (-8).
TEST(BorderValidation, RejectsInContractOrder) {
  GuardedImage<Rux8u> src(4, 3, 3, 1), dst(8, 6, 3, 2), img(8, 6, 1, 3);
  const int s = src.step(), d = dst.step(), i = img.step();
  const RuxImageSize ss{4, 3}, ds{8, 6};
  Rux8u* in = &img.at(2, 1, 0);
  const Rux8u v[3] = {1, 2, 3};
  const auto cnst = [&](int sStep, RuxImageSize sSize, int dStep, RuxImageSize dSize, int top,
                        int left, const Rux8u* value) {
    return ruxiCopyConstBorder_8u_C3R(src.data(), sStep, sSize, dst.data(), dStep, dSize, top,
                                      left, value);
  };
  const auto repl = [&](int sStep, RuxImageSize sSize, int dStep, RuxImageSize dSize, int top,
                        int left) {
    return ruxiCopyReplicateBorder_8u_C3R(src.data(), sStep, sSize, dst.data(), dStep, dSize, top,
                                          left);
  };
  auto* f = reinterpret_cast<Rux32f*>(img.data());
  auto* n = reinterpret_cast<Rux32s*>(img.data());
  using ruxtest::Rejection;
  ruxtest::expectRejections(
      {
          Rejection{"null source",
                    [&] { return ruxiCopyConstBorder_8u_C3R(nullptr, s, ss, dst.data(), d, ds, 1, 1, v); },
                    ruxStatusNullPointer},
          Rejection{"null destination, bad step",
                    [&] { return ruxiCopyReplicateBorder_8u_C3R(src.data(), 0, ss, nullptr, d, ds, 1, 1); },
                    ruxStatusNullPointer},
          {"zero source step", [&] { return cnst(0, ss, d, ds, 1, 1, v); }, ruxStatusBadStep},
          {"negative destination step", [&] { return repl(s, ss, -d, ds, 1, 1); }, ruxStatusBadStep},
          {"step before size", [&] { return cnst(s, {0, 3}, 0, ds, 1, 1, v); }, ruxStatusBadStep},
          {"zero source width", [&] { return cnst(s, {0, 3}, d, ds, 1, 1, v); }, ruxStatusBadSize},
          {"zero destination height", [&] { return repl(s, ss, d, {8, 0}, 0, 0); }, ruxStatusBadSize},
          {"right border -1", [&] { return repl(s, ss, d, ds, 1, 5); }, ruxStatusBadSize},
          {"bottom border -1", [&] { return cnst(s, ss, d, ds, 4, 0, v); }, ruxStatusBadSize},
          {"negative top", [&] { return repl(s, ss, d, ds, -1, 0); }, ruxStatusBadSize},
          {"negative left", [&] { return cnst(s, ss, d, ds, 0, -1, v); }, ruxStatusBadSize},
          {"left near INT_MAX", [&] { return cnst(s, ss, d, ds, 0, INT_MAX - 2, v); }, ruxStatusBadSize},
          {"null value", [&] { return cnst(s, ss, d, ds, 1, 1, nullptr); }, ruxStatusNullPointer},
          {"size before null value", [&] { return cnst(s, ss, d, ds, 1, 5, nullptr); }, ruxStatusBadSize},
          {"in place null", [&] { return ruxiCopyReplicateBorder_8u_C1IR(nullptr, i, ss, ds, 1, 2); },
           ruxStatusNullPointer},
          {"in place zero step", [&] { return ruxiCopyReplicateBorder_8u_C1IR(in, 0, ss, ds, 1, 2); },
           ruxStatusBadStep},
          {"in place too small", [&] { return ruxiCopyReplicateBorder_8u_C1IR(in, i, ss, {5, 6}, 1, 2); },
           ruxStatusBadSize},
          {"same pointer checks the destination step",
           [&] { return ruxiCopyReplicateBorder_8u_C1R(in, 1, ss, in, 0, ds, 1, 2); }, ruxStatusBadStep},
          {"wrap step", [&] { return ruxiCopyWrapBorder_32f_C1R(f, -4, {1, 1}, f, 16, {2, 2}, 0, 0); },
           ruxStatusBadStep},
          {"wrap in place size", [&] { return ruxiCopyWrapBorder_32s_C1IR(n, 16, {2, 2}, {2, 2}, 1, 0); },
           ruxStatusBadSize},
      },
      src, dst, img);
}

}  // namespace
