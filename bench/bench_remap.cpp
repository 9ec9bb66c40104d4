// Remap of a 1920x1080 image through a smooth map (a 5 degree rotation about the centre with a
// barrel distortion, so that some points fall outside the image) against cv::remap with float
// map pairs and a transparent border: 8u C1, 8u C4 and 32f C1, nearest, linear and cubic (the
// four-point Lagrange cubic against OpenCV's). Kernels differ in detail: speed only.
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
  int mode;
  int cvMode;
};

void fillMaps(Image& mx, Image& my) {
  const RuxImageSize s = mx.roi();
  const double cx = s.width / 2.0, cy = s.height / 2.0, a = 5 * M_PI / 180, r2 = cx * cx + cy * cy;
  for (int y = 0; y < s.height; ++y) {
    float* u = reinterpret_cast<float*>(reinterpret_cast<std::uint8_t*>(mx.ptr<float>()) + static_cast<std::ptrdiff_t>(y) * mx.step());
    float* v = reinterpret_cast<float*>(reinterpret_cast<std::uint8_t*>(my.ptr<float>()) + static_cast<std::ptrdiff_t>(y) * my.step());
    for (int x = 0; x < s.width; ++x) {
      const double dx = x - cx, dy = y - cy, k = 1 + 0.08 * (dx * dx + dy * dy) / r2;
      u[x] = static_cast<float>(cx + k * (dx * std::cos(a) - dy * std::sin(a)));
      v[x] = static_cast<float>(cy + k * (dx * std::sin(a) + dy * std::cos(a)));
    }
  }
}

int ruxRemap(Operands& o, const Case& c) {
  const RuxImageSize s = o.in[0].roi();
  const RuxImageRect r{0, 0, s.width, s.height};
  const float *mx = o.in[1].ptr<float>(), *my = o.in[2].ptr<float>();
  const int ms = o.in[1].step();
  if (c.isFloat)
    return ruxiRemap_32f_C1R(o.in[0].ptr<float>(), s, o.in[0].step(), r, mx, ms, my, ms, o.out[0].ptr<float>(),
                             o.out[0].step(), o.out[0].roi(), c.mode);
  if (c.channels == 4)
    return ruxiRemap_8u_C4R(o.in[0].ptr<Rux8u>(), s, o.in[0].step(), r, mx, ms, my, ms, o.out[0].ptr<Rux8u>(),
                            o.out[0].step(), o.out[0].roi(), c.mode);
  return ruxiRemap_8u_C1R(o.in[0].ptr<Rux8u>(), s, o.in[0].step(), r, mx, ms, my, ms, o.out[0].ptr<Rux8u>(),
                          o.out[0].step(), o.out[0].roi(), c.mode);
}

void registerRemap() {
#ifdef RUX_HAVE_OPENCV
  const int nearest = cv::INTER_NEAREST, linear = cv::INTER_LINEAR, cubic = cv::INTER_CUBIC;
#else
  const int nearest = 0, linear = 0, cubic = 0;
#endif
  static const Case cases[] = {
      {"Remap_8u_C1R_Nearest", 1, false, 1, nearest}, {"Remap_8u_C1R_Linear", 1, false, 2, linear},
      {"Remap_8u_C1R_Cubic", 1, false, 4, cubic},     {"Remap_8u_C4R_Nearest", 4, false, 1, nearest},
      {"Remap_8u_C4R_Linear", 4, false, 2, linear},   {"Remap_8u_C4R_Cubic", 4, false, 4, cubic},
      {"Remap_32f_C1R_Nearest", 1, true, 1, nearest}, {"Remap_32f_C1R_Linear", 1, true, 2, linear},
      {"Remap_32f_C1R_Cubic", 1, true, 4, cubic},
  };
  for (const Case& c : cases) {
    for (int threads : {1, 2}) {
      std::vector<Variant> v;
      v.push_back({"rux", [&c](Operands& o) { return ruxRemap(o, c); }, false, threads});
#ifdef RUX_HAVE_OPENCV
      v.push_back({"cv",
                   [&c](Operands& o) {
                     cv::remap(o.in[0].mat, o.out[0].mat, o.in[1].mat, o.in[2].mat, c.cvMode, cv::BORDER_TRANSPARENT);
                     return 0;
                   },
                   false, threads});
#endif
      const auto make = [&c](Size s) {
        Image mx = Image::random<float>(s, 1, 3), my = Image::random<float>(s, 1, 4);
        fillMaps(mx, my);
        if (c.isFloat)
          return Operands{images(Image::random<float>(s, 1, 81), std::move(mx), std::move(my)),
                          images(Image::random<float>(s, 1, 82))};
        return Operands{images(Image::random<std::uint8_t>(s, c.channels, 81), std::move(mx), std::move(my)),
                        images(Image::random<std::uint8_t>(s, c.channels, 82))};
      };
      ruxbench::addCase(threads == 1 ? c.name : std::string(c.name) + "-2t", make, v, {ruxbench::kFullHd});
    }
  }
}

const int kRegistered = ruxbench::addFamily(&registerRemap);

}  // namespace
