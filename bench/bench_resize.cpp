// Square-pixel resize of a 1920x1080 source against cv::resize: 8u C1 to half and twice the size
// with nearest, linear, cubic (Catmull-Rom, 4 taps, against OpenCV's 4-tap cubic) and Lanczos
// (three lobes, 6 taps, against OpenCV's four lobes, 8 taps), super-sampling to half against
// INTER_AREA, 32f C1 linear to twice the size, and 8u C3 linear and super-sampling. Kernels
// differ in detail, so outputs are not compared (speed only).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  Size dst;
  int mode;
  int cvMode;
};

template <class T>
int ruxResize(Operands& o, const Case& c, std::shared_ptr<std::vector<Rux8u>> buffer) {
  const RuxImageSize s = o.in[0].roi(), d = o.out[0].roi();
  const RuxImageRect sr{0, 0, s.width, s.height}, dr{0, 0, d.width, d.height};
  int bytes = 0;
  const RuxResult q = ruxiResizeGetBufSize(sr, dr, c.channels, c.mode, &bytes);
  if (q < 0) return q;
  if (buffer->size() < static_cast<std::size_t>(bytes)) buffer->resize(static_cast<std::size_t>(bytes));
  const double fx = static_cast<double>(d.width) / s.width, fy = static_cast<double>(d.height) / s.height;
  const T* src = o.in[0].ptr<T>();
  T* dst = o.out[0].ptr<T>();
  if constexpr (std::is_same_v<T, Rux8u>) {
    if (c.channels == 3)
      return ruxiResizeSqrPixel_8u_C3R(src, s, o.in[0].step(), sr, dst, o.out[0].step(), dr, fx, fy, 0, 0, c.mode,
                                       buffer->data());
    return ruxiResizeSqrPixel_8u_C1R(src, s, o.in[0].step(), sr, dst, o.out[0].step(), dr, fx, fy, 0, 0, c.mode,
                                     buffer->data());
  } else {
    return ruxiResizeSqrPixel_32f_C1R(src, s, o.in[0].step(), sr, dst, o.out[0].step(), dr, fx, fy, 0, 0, c.mode,
                                      buffer->data());
  }
}

void registerResize() {
#ifdef RUX_HAVE_OPENCV
  const int nearest = cv::INTER_NEAREST, linear = cv::INTER_LINEAR, cubic = cv::INTER_CUBIC,
            lanczos = cv::INTER_LANCZOS4, area = cv::INTER_AREA;
#else
  const int nearest = 0, linear = 0, cubic = 0, lanczos = 0, area = 0;
#endif
  const Size half{960, 540}, twice{3840, 2160};
  static const Case cases[] = {
      {"Resize_8u_C1R_Nearest_Half", 1, false, half, 1, nearest},
      {"Resize_8u_C1R_Nearest_Twice", 1, false, twice, 1, nearest},
      {"Resize_8u_C1R_Linear_Half", 1, false, half, 2, linear},
      {"Resize_8u_C1R_Linear_Twice", 1, false, twice, 2, linear},
      {"Resize_8u_C1R_Cubic_Half", 1, false, half, 6, cubic},
      {"Resize_8u_C1R_Cubic_Twice", 1, false, twice, 6, cubic},
      {"Resize_8u_C1R_Lanczos_Half", 1, false, half, 16, lanczos},
      {"Resize_8u_C1R_Lanczos_Twice", 1, false, twice, 16, lanczos},
      {"Resize_8u_C1R_Super_Half", 1, false, half, 8, area},
      {"Resize_32f_C1R_Linear_Twice", 1, true, twice, 2, linear},
      {"Resize_8u_C3R_Linear_Down", 3, false, {1280, 720}, 2, linear},
      {"Resize_8u_C3R_Super_Half", 3, false, half, 8, area},
  };

  for (const Case& c : cases) {
    for (int threads : {1, 2}) {
      auto buffer = std::make_shared<std::vector<Rux8u>>();
      std::vector<Variant> v;
      v.push_back({"rux",
                   [&c, buffer](Operands& o) { return c.isFloat ? ruxResize<Rux32f>(o, c, buffer) : ruxResize<Rux8u>(o, c, buffer); },
                   false, threads});
#ifdef RUX_HAVE_OPENCV
      v.push_back({"cv",
                   [&c](Operands& o) {
                     cv::resize(o.in[0].mat, o.out[0].mat, o.out[0].mat.size(), 0, 0, c.cvMode);
                     return 0;
                   },
                   false, threads});
#endif
      const auto make = [&c](Size s) {
        if (c.isFloat) return Operands{images(Image::random<float>(s, 1, 81)), images(Image::random<float>(c.dst, 1, 82))};
        return Operands{images(Image::random<std::uint8_t>(s, c.channels, 81)),
                        images(Image::random<std::uint8_t>(c.dst, c.channels, 82))};
      };
      ruxbench::addCase(threads == 1 ? c.name : std::string(c.name) + "-2t", make, v, {ruxbench::kFullHd});
    }
  }
}

const int kRegistered = ruxbench::addFamily(&registerResize);

}  // namespace
