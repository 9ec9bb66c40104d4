// Warps of a 1920x1080 image against OpenCV with a transparent border: WarpAffine (rotation by
// 30 degrees about the centre with a scaling of 1.8, so that every destination pixel is written
// by both) linear and cubic against cv::warpAffine
// (INTER_LINEAR, INTER_CUBIC), and WarpPerspective linear against cv::warpPerspective; 8u C1,
// 8u C3 and 32f C1. Kernels and rounding differ in detail: speed only.
#include <cmath>
#include <cstdint>
#include <string>

#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;
using ruxbench::Variant;

struct Case {
  const char* name;
  int channels;
  bool isFloat;
  bool perspective;
  int mode;
  int cvMode;
};

// Source to destination: rotation by 30 degrees with scale 1.8 about the image centre (the
// rotated, scaled source covers the destination).
void affineOf(Size s, double c[2][3]) {
  const double a = 30 * M_PI / 180, k = 1.8, cx = s.width / 2.0, cy = s.height / 2.0;
  c[0][0] = k * std::cos(a), c[0][1] = k * std::sin(a), c[1][0] = -k * std::sin(a), c[1][1] = k * std::cos(a);
  c[0][2] = cx - c[0][0] * cx - c[0][1] * cy;
  c[1][2] = cy - c[1][0] * cx - c[1][1] * cy;
}

void perspectiveOf(Size s, double c[3][3]) {
  double a[2][3];
  affineOf(s, a);
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < 3; ++k) c[r][k] = a[r][k];
  c[2][0] = 0.00005, c[2][1] = 0.00008, c[2][2] = 1;
}

int ruxWarp(Operands& o, const Case& c) {
  const RuxImageSize s = o.in[0].roi();
  const RuxImageRect r{0, 0, s.width, s.height};
  const Size sz{s.width, s.height};
  double a[2][3], p[3][3];
  affineOf(sz, a);
  perspectiveOf(sz, p);
  const int ss = o.in[0].step(), ds = o.out[0].step();
  if (c.isFloat) {
    const float* src = o.in[0].ptr<float>();
    float* dst = o.out[0].ptr<float>();
    return c.perspective ? ruxiWarpPerspective_32f_C1R(src, s, ss, r, dst, ds, r, p, c.mode)
                         : ruxiWarpAffine_32f_C1R(src, s, ss, r, dst, ds, r, a, c.mode);
  }
  const Rux8u* src = o.in[0].ptr<Rux8u>();
  Rux8u* dst = o.out[0].ptr<Rux8u>();
  if (c.channels == 3)
    return c.perspective ? ruxiWarpPerspective_8u_C3R(src, s, ss, r, dst, ds, r, p, c.mode)
                         : ruxiWarpAffine_8u_C3R(src, s, ss, r, dst, ds, r, a, c.mode);
  return c.perspective ? ruxiWarpPerspective_8u_C1R(src, s, ss, r, dst, ds, r, p, c.mode)
                       : ruxiWarpAffine_8u_C1R(src, s, ss, r, dst, ds, r, a, c.mode);
}

void registerWarp() {
#ifdef RUX_HAVE_OPENCV
  const int linear = cv::INTER_LINEAR, cubic = cv::INTER_CUBIC;
#else
  const int linear = 0, cubic = 0;
#endif
  static const Case cases[] = {
      {"WarpAffine_8u_C1R_Linear", 1, false, false, 2, linear},
      {"WarpAffine_8u_C1R_Cubic", 1, false, false, 4, cubic},
      {"WarpAffine_8u_C3R_Linear", 3, false, false, 2, linear},
      {"WarpAffine_8u_C3R_Cubic", 3, false, false, 4, cubic},
      {"WarpAffine_32f_C1R_Linear", 1, true, false, 2, linear},
      {"WarpAffine_32f_C1R_Cubic", 1, true, false, 4, cubic},
      {"WarpPerspective_8u_C1R_Linear", 1, false, true, 2, linear},
      {"WarpPerspective_8u_C3R_Linear", 3, false, true, 2, linear},
      {"WarpPerspective_32f_C1R_Linear", 1, true, true, 2, linear},
  };
  for (const Case& c : cases) {
    for (int threads : {1, 2}) {
      std::vector<Variant> v;
      v.push_back({"rux", [&c](Operands& o) { return ruxWarp(o, c); }, false, threads});
#ifdef RUX_HAVE_OPENCV
      v.push_back({"cv",
                   [&c](Operands& o) {
                     const RuxImageSize s = o.in[0].roi();
                     if (c.perspective) {
                       double p[3][3];
                       perspectiveOf({s.width, s.height}, p);
                       cv::warpPerspective(o.in[0].mat, o.out[0].mat, cv::Mat(3, 3, CV_64F, p), o.out[0].mat.size(),
                                           c.cvMode, cv::BORDER_TRANSPARENT);
                     } else {
                       double a[2][3];
                       affineOf({s.width, s.height}, a);
                       cv::warpAffine(o.in[0].mat, o.out[0].mat, cv::Mat(2, 3, CV_64F, a), o.out[0].mat.size(), c.cvMode,
                                      cv::BORDER_TRANSPARENT);
                     }
                     return 0;
                   },
                   false, threads});
#endif
      const auto make = [&c](Size s) {
        if (c.isFloat) return Operands{images(Image::random<float>(s, 1, 81)), images(Image::random<float>(s, 1, 82))};
        return Operands{images(Image::random<std::uint8_t>(s, c.channels, 81)),
                        images(Image::random<std::uint8_t>(s, c.channels, 82))};
      };
      ruxbench::addCase(threads == 1 ? c.name : std::string(c.name) + "-2t", make, v, {ruxbench::kFullHd});
    }
  }
}

const int kRegistered = ruxbench::addFamily(&registerWarp);

}  // namespace
