// Transpose and Mirror: every layout against the reference over sizes that cross the register
// blocks and cache tiles; in place equal to out of place, the same-pointer rule, AC4 alpha
// kept, validation order.
#include "ref/rearrange_ref.h"

namespace {

using ruxtest::GuardedImage;

template <class T>
struct RearrangeApi {
  RuxResult (*transpose[3])(const T*, int, T*, int, RuxImageSize);  // C1, C3, C4
  RuxResult (*transposeIR[3])(T*, int, RuxImageSize);
  RuxResult (*mirror[4])(const T*, int, T*, int, RuxImageSize, int);  // C1, C3, C4, AC4
  RuxResult (*mirrorIR[4])(T*, int, RuxImageSize, int);
};

#define RUX_REARRANGE_API(type, T)                                                               \
  RearrangeApi<T> rearrangeApi(T*) {                                                             \
    return {                                                                                     \
        {ruxiTranspose_##type##_C1R, ruxiTranspose_##type##_C3R, ruxiTranspose_##type##_C4R},    \
        {ruxiTranspose_##type##_C1IR, ruxiTranspose_##type##_C3IR, ruxiTranspose_##type##_C4IR}, \
        {ruxiMirror_##type##_C1R, ruxiMirror_##type##_C3R, ruxiMirror_##type##_C4R,              \
         ruxiMirror_##type##_AC4R},                                                              \
        {ruxiMirror_##type##_C1IR, ruxiMirror_##type##_C3IR, ruxiMirror_##type##_C4IR,           \
         ruxiMirror_##type##_AC4IR}};                                                            \
  }
RUX_REARRANGE_API(8u, Rux8u)
RUX_REARRANGE_API(16s, Rux16s)
RUX_REARRANGE_API(16u, Rux16u)
RUX_REARRANGE_API(32s, Rux32s)
RUX_REARRANGE_API(32f, Rux32f)

const int kChannels[4] = {1, 3, 4, 4};
const int kWritten[4] = {1, 3, 4, 3};
std::uint32_t writable(int layout) { return layout == 3 ? 0x7u : 0xfu; }

// Around the 16-byte blocks (16, 8, 4, 2 pixels) and the 32- and 64-pixel tiles.
const int kSides[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 67, 130};

template <class T>
class RearrangeTest : public ::testing::Test {};
using MoveTypes = ::testing::Types<Rux8u, Rux16s, Rux16u, Rux32s, Rux32f>;
TYPED_TEST_SUITE(RearrangeTest, MoveTypes);

TYPED_TEST(RearrangeTest, TransposeMatchesTheReference) {
  using T = TypeParam;
  const RearrangeApi<T> a = rearrangeApi(static_cast<T*>(nullptr));
  for (int l = 0; l < 3; ++l) {
    for (int w : kSides) {
      for (int h : {1, 3, 16, 17, 65, 130}) {
        GuardedImage<T> src(w, h, kChannels[l], 10 + w, 1);
        GuardedImage<T> dst(h, w, kChannels[l], 20 + h, 5);
        ASSERT_EQ(a.transpose[l](src.data(), src.step(), dst.data(), dst.step(), src.size()),
                  ruxStatusOk);
        ASSERT_TRUE(regionEquals(dst, ruxref::transpose(ruxref::samples(src), w, h, kChannels[l])))
            << "layout " << l << ", " << w << "x" << h;
        ASSERT_TRUE(dst.check());
        ASSERT_TRUE(src.unchanged());
      }
    }
  }
}

// In place and through the not-in-place form with the same pointer and step.
TYPED_TEST(RearrangeTest, TransposeInPlaceMatchesTheReference) {
  using T = TypeParam;
  const RearrangeApi<T> a = rearrangeApi(static_cast<T*>(nullptr));
  for (int l = 0; l < 3; ++l) {
    for (int n : kSides) {
      GuardedImage<T> img(n, n, kChannels[l], 30 + n, 3), same(n, n, kChannels[l], 30 + n, 3);
      const auto expected = ruxref::transpose(ruxref::samples(img), n, n, kChannels[l]);
      ASSERT_EQ(a.transposeIR[l](img.data(), img.step(), img.size()), ruxStatusOk);
      ASSERT_EQ(a.transpose[l](same.data(), same.step(), same.data(), same.step(), same.size()),
                ruxStatusOk);
      ASSERT_TRUE(regionEquals(img, expected)) << "layout " << l << ", side " << n;
      ASSERT_TRUE(regionEquals(same, expected)) << "layout " << l << ", side " << n;
      ASSERT_TRUE(img.check());
      ASSERT_TRUE(same.check());
    }
  }
}

TYPED_TEST(RearrangeTest, MirrorMatchesTheReferenceOnEveryAxis) {
  using T = TypeParam;
  const RearrangeApi<T> a = rearrangeApi(static_cast<T*>(nullptr));
  for (int l = 0; l < 4; ++l) {
    for (int axis = 0; axis < 3; ++axis) {
      for (int w : ruxtest::sweepWidths()) {
        for (int h : {1, 2, 3, 5}) {
          if ((axis != 1 && h < 2) || (axis != 0 && w < 2)) continue;
          const int c = kChannels[l];
          GuardedImage<T> src(w, h, c, 40 + w, 1), dst(w, h, c, 50 + w, 4);
          GuardedImage<T> img(w, h, c, 60 + w, 2), same(w, h, c, 60 + w, 2);
          const auto before = ruxref::samples(img);
          ASSERT_EQ(a.mirror[l](src.data(), src.step(), dst.data(), dst.step(), src.size(), axis),
                    ruxStatusOk);
          ASSERT_EQ(a.mirrorIR[l](img.data(), img.step(), img.size(), axis), ruxStatusOk);
          ASSERT_EQ(
              a.mirror[l](same.data(), same.step(), same.data(), same.step(), same.size(), axis),
              ruxStatusOk);
          const std::string what = "layout " + std::to_string(l) + ", axis " +
                                   std::to_string(axis) + ", " + std::to_string(w) + "x" +
                                   std::to_string(h);
          ASSERT_TRUE(
              regionEquals(dst, ruxref::mirror(ruxref::samples(src), dst, axis, kWritten[l])))
              << what;
          const auto inPlace = ruxref::mirror(before, img, axis, kWritten[l]);
          ASSERT_TRUE(regionEquals(img, inPlace)) << what << " in place";
          ASSERT_TRUE(regionEquals(same, inPlace)) << what << " same pointer";
          ASSERT_TRUE(dst.check(writable(l))) << what;
          ASSERT_TRUE(img.check(writable(l))) << what;
          ASSERT_TRUE(same.check(writable(l))) << what;
          ASSERT_TRUE(src.unchanged());
        }
      }
    }
  }
}

TEST(TransposeMirrorValidation, RejectsInContractOrder) {
  GuardedImage<Rux16s> src(3, 2, 1, 1), dst(3, 3, 1, 2);
  const int s = src.step(), d = dst.step();
  Rux16s* const in = src.data();
  Rux16s* const out = dst.data();
  ruxtest::expectRejections(
      {
          {"transpose null source", [&] { return ruxiTranspose_16s_C1R(nullptr, s, out, d, {3, 2}); }, ruxStatusNullPointer},
          {"transpose null before size", [&] { return ruxiTranspose_16s_C3R(in, s, nullptr, d, {0, 2}); }, ruxStatusNullPointer},
          {"transpose zero height", [&] { return ruxiTranspose_16s_C1R(in, s, out, d, {3, 0}); }, ruxStatusBadSize},
          {"transpose in place 2x3", [&] { return ruxiTranspose_16s_C1IR(out, d, {2, 3}); }, ruxStatusBadSize},
          {"transpose same pointer not square", [&] { return ruxiTranspose_16s_C1R(out, d, out, d, {3, 2}); }, ruxStatusBadSize},
          {"transpose in place null", [&] { return ruxiTranspose_16s_C4IR(nullptr, d, {2, 2}); }, ruxStatusNullPointer},
          {"mirror null", [&] { return ruxiMirror_16s_C1R(in, s, nullptr, d, {3, 2}, 0); }, ruxStatusNullPointer},
          {"mirror null before axis", [&] { return ruxiMirror_16s_AC4IR(nullptr, d, {3, 2}, 3); }, ruxStatusNullPointer},
          {"mirror size before axis", [&] { return ruxiMirror_16s_C1R(in, s, out, d, {0, 2}, 3); }, ruxStatusBadSize},
          {"mirror axis 3", [&] { return ruxiMirror_16s_C1R(in, s, out, d, {3, 2}, 3); }, ruxStatusBadAxis},
          {"mirror axis -1", [&] { return ruxiMirror_16s_C3IR(out, d, {1, 1}, -1); }, ruxStatusBadAxis},
          {"mirror axis 0, one row", [&] { return ruxiMirror_16s_C1R(in, s, out, d, {3, 1}, 0); }, ruxStatusBadSize},
          {"mirror axis 1, one column", [&] { return ruxiMirror_16s_C1IR(out, d, {1, 3}, 1); }, ruxStatusBadSize},
          {"mirror axis 2, one row", [&] { return ruxiMirror_16s_C1IR(out, d, {3, 1}, 2); }, ruxStatusBadSize},
      },
      src, dst);
}

}  // namespace
