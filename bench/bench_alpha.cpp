// Alpha composition: AlphaComp "over" and AlphaPremul, 8u AC4, 1920x1080, against a memcpy of
// the same traffic and an OpenCV composition built from per-channel multiply/add (which rounds
// the products instead of flooring them: same work, different bits).
#include <cstring>
#include <vector>

#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

const std::vector<Size> kSizes = {ruxbench::kFullHd};

Operands twoSources(Size s) {
  return {images(Image::random<Rux8u>(s, 4, 1), Image::random<Rux8u>(s, 4, 2)),
          images(Image::random<Rux8u>(s, 4, 3))};
}

Operands oneSource(Size s) {
  return {images(Image::random<Rux8u>(s, 4, 1)), images(Image::random<Rux8u>(s, 4, 2))};
}

#ifdef RUX_HAVE_OPENCV
// c * a / 255 per colour plane of a four-plane split.
void premultiplyPlanes(std::vector<cv::Mat>& p) {
  for (int c = 0; c < 3; ++c) cv::multiply(p[c], p[3], p[c], 1.0 / 255);
}
#endif

void registerAlpha() {
  using ruxbench::addCase;

  // Reads two images, writes one: the reference copies 1.5 images.
  addCase("AlphaComp_8u_AC4R_over", twoSources,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiAlphaComp_8u_AC4R(o.in[0].ptr<Rux8u>(), o.in[0].step(),
                                              o.in[1].ptr<Rux8u>(), o.in[1].step(),
                                              o.out[0].ptr<Rux8u>(), o.out[0].step(), o.roi(),
                                              ruxCompositeOver);
               }},
              {"ref",
               [](Operands& o) {
                 const std::size_t n = static_cast<std::size_t>(o.out[0].bytes());
                 std::memcpy(o.out[0].ptr<Rux8u>(), o.in[0].ptr<Rux8u>(), n);
                 std::memcpy(o.out[0].ptr<Rux8u>(), o.in[1].ptr<Rux8u>(), n / 2);
                 return 0;
               },
               false},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 std::vector<cv::Mat> a, b;
                 cv::split(o.in[0].mat, a);
                 cv::split(o.in[1].mat, b);
                 premultiplyPlanes(a);
                 premultiplyPlanes(b);
                 cv::Mat inverse;
                 cv::subtract(cv::Scalar(255), a[3], inverse);
                 for (int c = 0; c < 4; ++c) {
                   cv::multiply(b[c], inverse, b[c], 1.0 / 255);
                   cv::add(a[c], b[c], a[c]);
                 }
                 cv::merge(a, o.out[0].mat);
                 return 0;
               },
               false},
#endif
          },
          kSizes);

  addCase("AlphaPremul_8u_AC4R", oneSource,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiAlphaPremul_8u_AC4R(o.in[0].ptr<Rux8u>(), o.in[0].step(),
                                                o.out[0].ptr<Rux8u>(), o.out[0].step(), o.roi());
               }},
              {"ref", ruxbench::refCopy, false},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 std::vector<cv::Mat> p;
                 cv::split(o.in[0].mat, p);
                 premultiplyPlanes(p);
                 cv::merge(p, o.out[0].mat);
                 return 0;
               },
               false},
#endif
          },
          kSizes);
}

const int kRegistered = ruxbench::addFamily(&registerAlpha);

}  // namespace
