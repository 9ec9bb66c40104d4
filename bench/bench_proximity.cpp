// Template matching against OpenCV `matchTemplate` on a 1920x1080 source with 16x16, 64x64 and
// 200x200 templates, 8u and 32f, each normalised score (TM_CCORR_NORMED, TM_CCOEFF_NORMED,
// TM_SQDIFF_NORMED), on 1 and 2 threads; valid convolution against `filter2D` with the flipped
// kernel (8u and 32f, 16x16 and 64x64 kernels). Outputs are not compared byte for byte (the
// arithmetic differs); the test suite compares the values.
#include <string>
#include <type_traits>
#include <vector>

#include "harness.h"
#include "ruxi.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;
using ruxbench::Variant;

template <class T>
std::function<Operands(Size)> matchOperands(int t) {
  return [t](Size s) {
    Operands o{images(Image::random<T>(s, 1, 71), Image::random<T>({t, t}, 1, 72)),
               images(Image::random<float>({s.width - t + 1, s.height - t + 1}, 1, 73))};
    return o;
  };
}

template <class T>
using MatchFn = RuxResult (*)(const T*, int, RuxImageSize, const T*, int, RuxImageSize, Rux32f*, int);

template <class T>
void addMatch(const std::string& name, MatchFn<T> fn, int method, int t) {
  for (int threads : {1, 2}) {
    std::vector<Variant> v;
    Variant rux{"rux", [fn](Operands& o) {
                  return fn(o.in[0].ptr<T>(), o.in[0].step(), o.in[0].roi(), o.in[1].ptr<T>(), o.in[1].step(),
                            o.in[1].roi(), o.out[0].ptr<Rux32f>(), o.out[0].step());
                }};
    rux.sameOutput = false;
    rux.threads = threads;
    v.push_back(rux);
#ifdef RUX_HAVE_OPENCV
    Variant cv{"cv", [method](Operands& o) {
                 cv::matchTemplate(o.in[0].mat, o.in[1].mat, o.out[0].mat, method);
                 return 0;
               }};
    cv.sameOutput = false;
    cv.threads = threads;
    v.push_back(cv);
#else
    (void)method;
#endif
    ruxbench::addCase(name + "-" + std::to_string(t) + (threads == 2 ? "-2t" : ""), matchOperands<T>(t), v,
                      {ruxbench::kFullHd});
  }
}

// Valid convolution of a 1920x1080 image with a t x t kernel; OpenCV's counterpart is filter2D
// with the mirrored kernel (same-size output with a constant border, so it computes slightly more
// outputs), its float kernel divided by the divisor for 8u.
template <class T>
void addConv(const std::string& name, int t) {
  for (int threads : {1, 2}) {
    const auto make = [t](Size s) {
      return Operands{images(Image::random<T>(s, 1, 81), Image::random<T>({t, t}, 1, 82)),
                      images(Image::random<T>({s.width - t + 1, s.height - t + 1}, 1, 83), Image::random<T>(s, 1, 84))};
    };
    std::vector<Variant> v;
    const int divisor = 255 * t * t;
    Variant rux{"rux", [divisor](Operands& o) {
                  if constexpr (std::is_same_v<T, Rux32f>)
                    return ruxiConvValid_32f_C1R(o.in[0].ptr<T>(), o.in[0].step(), o.in[0].roi(), o.in[1].ptr<T>(),
                                                 o.in[1].step(), o.in[1].roi(), o.out[0].ptr<T>(), o.out[0].step());
                  else
                    return ruxiConvValid_8u_C1R(o.in[0].ptr<T>(), o.in[0].step(), o.in[0].roi(), o.in[1].ptr<T>(),
                                                o.in[1].step(), o.in[1].roi(), o.out[0].ptr<T>(), o.out[0].step(), divisor);
                }};
    rux.sameOutput = false;
    rux.threads = threads;
    v.push_back(rux);
#ifdef RUX_HAVE_OPENCV
    Variant cv{"cv", [divisor](Operands& o) {
                 cv::Mat k;
                 cv::flip(o.in[1].mat, k, -1);
                 k.convertTo(k, CV_32F, std::is_same_v<T, Rux32f> ? 1.0 : 1.0 / divisor);
                 cv::filter2D(o.in[0].mat, o.out[1].mat, -1, k, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
                 return 0;
               }};
    cv.sameOutput = false;
    cv.threads = threads;
    v.push_back(cv);
#endif
    ruxbench::addCase(name + "-" + std::to_string(t) + (threads == 2 ? "-2t" : ""), make, v, {ruxbench::kFullHd});
  }
}

void registerProximity() {
#ifdef RUX_HAVE_OPENCV
  const int kCcorr = cv::TM_CCORR_NORMED, kCcoeff = cv::TM_CCOEFF_NORMED, kSqdiff = cv::TM_SQDIFF_NORMED;
#else
  const int kCcorr = 0, kCcoeff = 0, kSqdiff = 0;
#endif
  for (int t : {16, 64, 200}) {
    addMatch<Rux8u>("CrossCorrValid_Norm_8u32f", ruxiCrossCorrValid_Norm_8u32f_C1R, kCcorr, t);
    addMatch<Rux8u>("CrossCorrValid_NormLevel_8u32f", ruxiCrossCorrValid_NormLevel_8u32f_C1R, kCcoeff, t);
    addMatch<Rux8u>("SqrDistanceValid_Norm_8u32f", ruxiSqrDistanceValid_Norm_8u32f_C1R, kSqdiff, t);
    addMatch<Rux32f>("CrossCorrValid_Norm_32f", ruxiCrossCorrValid_Norm_32f_C1R, kCcorr, t);
    addMatch<Rux32f>("CrossCorrValid_NormLevel_32f", ruxiCrossCorrValid_NormLevel_32f_C1R, kCcoeff, t);
    addMatch<Rux32f>("SqrDistanceValid_Norm_32f", ruxiSqrDistanceValid_Norm_32f_C1R, kSqdiff, t);
  }
  for (int t : {16, 64}) {
    addConv<Rux8u>("ConvValid_8u", t);
    addConv<Rux32f>("ConvValid_32f", t);
  }
}

const int kRegistered = ruxbench::addFamily(&registerProximity);

}  // namespace
