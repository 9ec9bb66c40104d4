// Generators and noise: normal noise added to an 8u image (OpenCV: randn into a 16s or 32f
// image, then a saturating add into the 8u image), and the ring and ramp patterns (no
// counterpart; time only). Noise outputs differ between implementations by design.
#include <string>

#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

constexpr float kMean = 0.f;
constexpr float kSd = 16.f;

void registerGenerators() {
  using ruxbench::addCase;
  const std::vector<Size> sizes = {ruxbench::kFullHd};

  // in[0], in[1]: OpenCV's 16s and 32f noise images; out[0]: the 8u image receiving noise.
  addCase(
      "AddRandGauss_Direct_8u_C1IR",
      [](Size s) {
        return Operands{images(Image::random<Rux16s>(s, 1, 1), Image::random<Rux32f>(s, 1, 2)),
                        images(Image::random<Rux8u>(s, 1, 3))};
      },
      {
          {"rux",
           [](Operands& o) {
             static unsigned int seed = 1;
             return ruxiAddRandGauss_Direct_8u_C1IR(o.out[0].ptr<Rux8u>(), o.out[0].step(), o.roi(),
                                                    static_cast<Rux8u>(kMean),
                                                    static_cast<Rux8u>(kSd), &seed);
           },
           false},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [](Operands& o) {
             cv::randn(o.in[0].mat, kMean, kSd);
             cv::add(o.out[0].mat, o.in[0].mat, o.out[0].mat, cv::noArray(), CV_8U);
             return 0;
           },
           false},
          {"cv2",
           [](Operands& o) {
             cv::randn(o.in[1].mat, kMean, kSd);
             cv::add(o.out[0].mat, o.in[1].mat, o.out[0].mat, cv::noArray(), CV_8U);
             return 0;
           },
           false},
#endif
      },
      sizes);

  addCase(
      "AddRandUniform_Direct_8u_C1IR",
      [](Size s) { return Operands{{}, images(Image::random<Rux8u>(s, 1, 4))}; },
      {{"rux",
        [](Operands& o) {
          static unsigned int seed = 1;
          return ruxiAddRandUniform_Direct_8u_C1IR(o.out[0].ptr<Rux8u>(), o.out[0].step(), o.roi(),
                                                   0, 16, &seed);
        },
        false}},
      sizes);

  addCase(
      "ImageJaehne_8u_C1R",
      [](Size s) { return Operands{{}, images(Image::random<Rux8u>(s, 1, 5))}; },
      {{"rux",
        [](Operands& o) {
          return ruxiImageJaehne_8u_C1R(o.out[0].ptr<Rux8u>(), o.out[0].step(), o.roi());
        }}},
      sizes);

  for (int axis : {0, 2}) {
    addCase(
        "ImageRamp_32f_C1R_Axis" + std::to_string(axis),
        [](Size s) { return Operands{{}, images(Image::random<Rux32f>(s, 1, 6))}; },
        {{"rux",
          [axis](Operands& o) {
            return ruxiImageRamp_32f_C1R(o.out[0].ptr<Rux32f>(), o.out[0].step(), o.roi(), 1.f,
                                         0.25f, axis);
          }}},
        sizes);
  }
}

const int kRegistered = ruxbench::addFamily(&registerGenerators);

}  // namespace
