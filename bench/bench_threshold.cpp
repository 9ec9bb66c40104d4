// Threshold and compare: Threshold_GT, Threshold_LTVal, Compare, CompareC and the Otsu level
// against OpenCV, 1920x1080 (the thresholds also 4096x4096).
#include <cstdint>

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

template <class T>
const T* in(const Operands& o, int k = 0) {
  return o.in[k].ptr<T>();
}
template <class T>
T* out(const Operands& o, int k = 0) {
  return o.out[k].ptr<T>();
}

template <class T, int C = 1>
Operands oneInOneOut(Size s) {
  return {images(Image::random<T>(s, C, 1)), images(Image::random<T>(s, C, 2))};
}

template <class T, int C = 1>
Operands toMask(Size s) {
  return {images(Image::random<T>(s, C, 1)), images(Image::random<Rux8u>(s, 1, 3))};
}

template <class T>
Operands twoToMask(Size s) {
  return {images(Image::random<T>(s, 1, 1), Image::random<T>(s, 1, 2)),
          images(Image::random<Rux8u>(s, 1, 3))};
}

const std::vector<Size> kSizes = {ruxbench::kFullHd};
// The thresholds also at 4096x4096, where two threads meet the memory bandwidth.
const std::vector<Size> kBoth = {ruxbench::kFullHd, ruxbench::kSquare4k};

void registerThreshold() {
  using ruxbench::addCase;

  addCase("Threshold_GT_8u_C1R", oneInOneOut<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiThreshold_GT_8u_C1R(in<Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                                o.out[0].step(), o.roi(), 128);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::threshold(o.in[0].mat, o.out[0].mat, 128, 0, cv::THRESH_TRUNC);
                 return 0;
               }},
#endif
          },
          kBoth);

  // OpenCV's to-zero also zeroes samples equal to the threshold: same work, other ties.
  addCase("Threshold_LTVal_32f_C1R", oneInOneOut<Rux32f>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiThreshold_LTVal_32f_C1R(in<Rux32f>(o), o.in[0].step(),
                                                    out<Rux32f>(o), o.out[0].step(), o.roi(),
                                                    10.0f, 0.0f);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::threshold(o.in[0].mat, o.out[0].mat, 10.0, 0, cv::THRESH_TOZERO);
                 return 0;
               },
               false},
#endif
          },
          kBoth);

  addCase("Compare_8u_C1R", twoToMask<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiCompare_8u_C1R(in<Rux8u>(o), o.in[0].step(), in<Rux8u>(o, 1),
                                           o.in[1].step(), out<Rux8u>(o), o.out[0].step(),
                                           o.roi(), ruxCompareLess);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::compare(o.in[0].mat, o.in[1].mat, o.out[0].mat, cv::CMP_LT);
                 return 0;
               }},
#endif
          },
          kSizes);

  addCase("Compare_32f_C1R", twoToMask<Rux32f>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiCompare_32f_C1R(in<Rux32f>(o), o.in[0].step(), in<Rux32f>(o, 1),
                                            o.in[1].step(), out<Rux8u>(o), o.out[0].step(),
                                            o.roi(), ruxCompareGreaterEqual);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::compare(o.in[0].mat, o.in[1].mat, o.out[0].mat, cv::CMP_GE);
                 return 0;
               }},
#endif
          },
          kSizes);

  // Every channel <= its constant is OpenCV's inRange with a zero lower bound.
  addCase("CompareC_8u_C3R", toMask<Rux8u, 3>,
          {
              {"rux",
               [](Operands& o) {
                 static const Rux8u value[3] = {200, 150, 100};
                 return ruxiCompareC_8u_C3R(in<Rux8u>(o), o.in[0].step(), value, out<Rux8u>(o),
                                            o.out[0].step(), o.roi(), ruxCompareLessEqual);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::inRange(o.in[0].mat, cv::Scalar(0, 0, 0), cv::Scalar(200, 150, 100),
                             o.out[0].mat);
                 return 0;
               }},
#endif
          },
          kSizes);

  // OpenCV also writes the thresholded image; the level itself is the same computation.
  addCase("ComputeThreshold_Otsu_8u_C1R", oneInOneOut<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiComputeThreshold_Otsu_8u_C1R(in<Rux8u>(o), o.in[0].step(), o.roi(),
                                                         out<Rux8u>(o));
               },
               false},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::threshold(o.in[0].mat, o.out[0].mat, 0, 255,
                               cv::THRESH_BINARY | cv::THRESH_OTSU);
                 return 0;
               },
               false},
#endif
          },
          kSizes);
}

const int kRegistered = ruxbench::addFamily(&registerThreshold);

}  // namespace
