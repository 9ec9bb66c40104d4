// Unary mathematics and logic: And, Abs, MulScale, Sqrt, MaxEvery against OpenCV, 1920x1080.
#include <cmath>
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

template <class T>
const T* in(const Operands& o, int k = 0) {
  return o.in[k].ptr<T>();
}
template <class T>
T* out(const Operands& o, int k = 0) {
  return o.out[k].ptr<T>();
}

template <class T>
Operands twoInOneOut(Size s) {
  return {images(Image::random<T>(s, 1, 1), Image::random<T>(s, 1, 2)),
          images(Image::random<T>(s, 1, 3))};
}

const std::vector<Size> kSizes = {ruxbench::kFullHd};

void registerUnaryLogic() {
  using ruxbench::addCase;

  addCase("And_8u_C1R", twoInOneOut<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiAnd_8u_C1R(in<Rux8u>(o), o.in[0].step(), in<Rux8u>(o, 1),
                                       o.in[1].step(), out<Rux8u>(o), o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::bitwise_and(o.in[0].mat, o.in[1].mat, o.out[0].mat);
                 return 0;
               }},
#endif
          },
          kSizes);

  addCase("Abs_16s_C1R",
          [](Size s) {
            return Operands{images(Image::random<Rux16s>(s, 1, 1)),
                            images(Image::random<Rux16s>(s, 1, 2))};
          },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiAbs_16s_C1R(in<Rux16s>(o), o.in[0].step(), out<Rux16s>(o),
                                        o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.out[0].mat = cv::abs(o.in[0].mat);  // saturating, into the same memory
                 return 0;
               }},
#endif
          },
          kSizes);

  // OpenCV rounds a*b/255 to nearest; MulScale floors it: same work, different bits.
  addCase("MulScale_8u_C1R", twoInOneOut<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiMulScale_8u_C1R(in<Rux8u>(o), o.in[0].step(), in<Rux8u>(o, 1),
                                            o.in[1].step(), out<Rux8u>(o), o.out[0].step(),
                                            o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::multiply(o.in[0].mat, o.in[1].mat, o.out[0].mat, 1.0 / 255);
                 return 0;
               },
               false},
#endif
          },
          kSizes);

  // Non-negative arguments: every result is a number.
  addCase("Sqrt_32f_C1R",
          [](Size s) {
            Operands o{images(Image::random<Rux32f>(s, 1, 1)),
                       images(Image::random<Rux32f>(s, 1, 2))};
            Rux32f* p = o.in[0].ptr<Rux32f>();
            for (int y = 0; y < s.height; ++y) {
              Rux32f* row = reinterpret_cast<Rux32f*>(reinterpret_cast<std::uint8_t*>(p) +
                                                      static_cast<std::ptrdiff_t>(o.in[0].step()) * y);
              for (int x = 0; x < s.width; ++x) row[x] = std::fabs(row[x]);
            }
            return o;
          },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiSqrt_32f_C1R(in<Rux32f>(o), o.in[0].step(), out<Rux32f>(o),
                                         o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::sqrt(o.in[0].mat, o.out[0].mat);
                 return 0;
               }},
#endif
          },
          kSizes);

  // In place: the second image keeps the maximum (repeated runs give the same result).
  addCase("MaxEvery_8u_C1IR",
          [](Size s) {
            return Operands{images(Image::random<Rux8u>(s, 1, 1)),
                            images(Image::random<Rux8u>(s, 1, 2))};
          },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiMaxEvery_8u_C1IR(in<Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                             o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::max(o.in[0].mat, o.out[0].mat, o.out[0].mat);
                 return 0;
               }},
#endif
          },
          kSizes);
}

const int kRegistered = ruxbench::addFamily(&registerUnaryLogic);

}  // namespace
