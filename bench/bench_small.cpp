// Small regions: Add 8u C1, Sum 8u C1 and Threshold_GT 8u C1 on 16x16, 64x64 and 256x256
// regions in the middle of 1920x1080 images, against OpenCV on the same sub-images. Calls this
// small never fork, so the time at --threads=2 should equal the time at 1.
#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

volatile double g_sink = 0;

// The case's Size is the region; the images are always 1920x1080.
template <int kSources>
Operands fullHdImages(Size) {
  if constexpr (kSources == 1) {
    return {images(Image::random<Rux8u>(ruxbench::kFullHd, 1, 1)),
            images(Image::random<Rux8u>(ruxbench::kFullHd, 1, 3))};
  } else {
    return {images(Image::random<Rux8u>(ruxbench::kFullHd, 1, 1),
                   Image::random<Rux8u>(ruxbench::kFullHd, 1, 2)),
            images(Image::random<Rux8u>(ruxbench::kFullHd, 1, 3))};
  }
}

// Pointer to the region of size r centred in img.
Rux8u* centre(const Image& img, Size r) {
  const int x = (ruxbench::kFullHd.width - r.width) / 2;
  const int y = (ruxbench::kFullHd.height - r.height) / 2;
  return img.ptr<Rux8u>() + static_cast<std::ptrdiff_t>(y) * img.step() + x;
}

#ifdef RUX_HAVE_OPENCV
cv::Mat centreMat(const Image& img, Size r) {
  const int x = (ruxbench::kFullHd.width - r.width) / 2;
  const int y = (ruxbench::kFullHd.height - r.height) / 2;
  return img.mat(cv::Rect(x, y, r.width, r.height));
}
#endif

void addSmall(const std::string& name, std::function<Operands(Size)> make,
              std::function<int(Operands&, Size)> rux,
              std::function<int(Operands&, Size)> cv) {
  for (const Size r : {Size{16, 16}, Size{64, 64}, Size{256, 256}}) {
    std::vector<ruxbench::Variant> variants = {{"rux", [rux, r](Operands& o) { return rux(o, r); }}};
#ifdef RUX_HAVE_OPENCV
    variants.push_back({"cv", [cv, r](Operands& o) { return cv(o, r); }});
#else
    (void)cv;
#endif
    ruxbench::addCase(name, make, variants, {r});
  }
}

void registerSmall() {
  addSmall(
      "Small_Add_8u_C1RSfs", fullHdImages<2>,
      [](Operands& o, Size r) {
        return ruxiAdd_8u_C1RSfs(centre(o.in[0], r), o.in[0].step(), centre(o.in[1], r),
                                 o.in[1].step(), centre(o.out[0], r), o.out[0].step(),
                                 {r.width, r.height}, 0);
      },
      [](Operands& o, Size r) {
        cv::Mat d = centreMat(o.out[0], r);
        cv::add(centreMat(o.in[1], r), centreMat(o.in[0], r), d);
        return 0;
      });
  addSmall(
      "Small_Sum_8u_C1R", fullHdImages<1>,
      [](Operands& o, Size r) {
        Rux64f s = 0;
        const RuxResult st = ruxiSum_8u_C1R(centre(o.in[0], r), o.in[0].step(), {r.width, r.height}, &s);
        g_sink = s;
        return st;
      },
      [](Operands& o, Size r) {
        g_sink = cv::sum(centreMat(o.in[0], r))[0];
        return 0;
      });
  addSmall(
      "Small_Threshold_GT_8u_C1R", fullHdImages<1>,
      [](Operands& o, Size r) {
        return ruxiThreshold_GT_8u_C1R(centre(o.in[0], r), o.in[0].step(), centre(o.out[0], r),
                                       o.out[0].step(), {r.width, r.height}, 128);
      },
      [](Operands& o, Size r) {
        cv::Mat d = centreMat(o.out[0], r);
        cv::threshold(centreMat(o.in[0], r), d, 128, 0, cv::THRESH_TRUNC);
        return 0;
      });
}

const int kRegistered = ruxbench::addFamily(&registerSmall);

}  // namespace
