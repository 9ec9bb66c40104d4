// Border extension at 1920x1080 with a 16-pixel border all round, one thread, against
// cv::copyMakeBorder.
#include <cstdint>

#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

constexpr int kBorder = 16;
constexpr Rux8u kValue = 77;

Operands withBorder(Size s) {
  return Operands{
      images(Image::random<Rux8u>(s, 1, 1)),
      images(Image::random<Rux8u>({s.width + 2 * kBorder, s.height + 2 * kBorder}, 1, 2))};
}

void registerBorder() {
  ruxbench::addCase("CopyConstBorder_8u_C1R", withBorder,
                    {
                        {"rux",
                         [](Operands& o) {
                           return ruxiCopyConstBorder_8u_C1R(o.in[0].ptr<Rux8u>(), o.in[0].step(),
                                                             o.in[0].roi(), o.out[0].ptr<Rux8u>(),
                                                             o.out[0].step(), o.out[0].roi(),
                                                             kBorder, kBorder, kValue);
                         }},
#ifdef RUX_HAVE_OPENCV
                        {"cv",
                         [](Operands& o) {
                           cv::copyMakeBorder(o.in[0].mat, o.out[0].mat, kBorder, kBorder, kBorder,
                                              kBorder, cv::BORDER_CONSTANT, cv::Scalar(kValue));
                           return 0;
                         }},
#endif
                    },
                    {ruxbench::kFullHd});
  ruxbench::addCase("CopyReplicateBorder_8u_C1R", withBorder,
                    {
                        {"rux",
                         [](Operands& o) {
                           return ruxiCopyReplicateBorder_8u_C1R(
                               o.in[0].ptr<Rux8u>(), o.in[0].step(), o.in[0].roi(),
                               o.out[0].ptr<Rux8u>(), o.out[0].step(), o.out[0].roi(), kBorder,
                               kBorder);
                         }},
#ifdef RUX_HAVE_OPENCV
                        {"cv",
                         [](Operands& o) {
                           cv::copyMakeBorder(o.in[0].mat, o.out[0].mat, kBorder, kBorder, kBorder,
                                              kBorder, cv::BORDER_REPLICATE);
                           return 0;
                         }},
#endif
                    },
                    {ruxbench::kFullHd});
}

const int kRegistered = ruxbench::addFamily(&registerBorder);

}  // namespace
