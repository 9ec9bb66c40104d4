// Histograms and look-up tables: HistogramEven 8u (256 bins) against cv::calcHist, LUT 8u
// against cv::LUT, and the 16-bit histogram and linear map without counterpart; 1920x1080, one
// thread.
#include <cstdint>
#include <random>
#include <vector>

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

const std::vector<Size> kSizes = {ruxbench::kFullHd};

// The 8u map of the LUT cases: levels 0..256 with random values, i.e. an arbitrary byte table.
struct ByteMap {
  std::vector<Rux32s> levels, values;
  std::vector<Rux8u> bytes;
  ByteMap() : levels(257), values(257), bytes(256) {
    std::mt19937 rng(17);
    for (int i = 0; i < 257; ++i) {
      levels[i] = i;
      values[i] = static_cast<Rux32s>(rng() & 255);
      if (i < 256) bytes[i] = static_cast<Rux8u>(values[i]);
    }
  }
};
const ByteMap& byteMap() {
  static const ByteMap m;
  return m;
}

// Histogram cases write their counts into a 256 x 1 32s output image.
template <class T>
Operands toHistogram(Size s) {
  return {images(Image::random<T>(s, 1, 1)), images(Image::random<Rux32s>({256, 1}, 1, 2))};
}

Operands oneInOneOut8u(Size s) {
  return {images(Image::random<Rux8u>(s, 1, 1)), images(Image::random<Rux8u>(s, 1, 2))};
}

Operands oneInOneOut16u(Size s) {
  return {images(Image::random<Rux16u>(s, 1, 1)), images(Image::random<Rux16u>(s, 1, 2))};
}

void registerHistLut() {
  using ruxbench::addCase;

  addCase("HistogramEven_8u_C1R_256bins", toHistogram<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 static Rux32s levels[257];
                 return ruxiHistogramEven_8u_C1R(o.in[0].ptr<Rux8u>(), o.in[0].step(), o.in[0].roi(),
                                                 o.out[0].ptr<Rux32s>(), levels, 257, 0, 256);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 static cv::Mat hist;
                 const int channels[] = {0};
                 const int bins[] = {256};
                 const float range[] = {0.0f, 256.0f};
                 const float* ranges[] = {range};
                 cv::calcHist(&o.in[0].mat, 1, channels, cv::Mat(), hist, 1, bins, ranges);
                 Rux32s* out = o.out[0].ptr<Rux32s>();
                 for (int i = 0; i < 256; ++i) out[i] = static_cast<Rux32s>(hist.at<float>(i));
                 return 0;
               }},
#endif
          },
          kSizes);

  addCase("LUT_8u_C1R", oneInOneOut8u,
          {
              {"rux",
               [](Operands& o) {
                 const ByteMap& m = byteMap();
                 return ruxiLUT_8u_C1R(o.in[0].ptr<Rux8u>(), o.in[0].step(), o.out[0].ptr<Rux8u>(),
                                       o.out[0].step(), o.roi(), m.values.data(), m.levels.data(), 257);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 static const cv::Mat lut(1, 256, CV_8U, const_cast<Rux8u*>(byteMap().bytes.data()));
                 cv::LUT(o.in[0].mat, lut, o.out[0].mat);
                 return 0;
               }},
#endif
          },
          kSizes);

  // 256 bins over the whole 16-bit range: the full 65,536-entry histogram path.
  addCase("HistogramEven_16u_C1R_256bins", toHistogram<Rux16u>,
          {
              {"rux",
               [](Operands& o) {
                 static Rux32s levels[257];
                 return ruxiHistogramEven_16u_C1R(o.in[0].ptr<Rux16u>(), o.in[0].step(), o.in[0].roi(),
                                                  o.out[0].ptr<Rux32s>(), levels, 257, 0, 65536);
               }},
          },
          kSizes);

  // A five-segment tone curve: the 65,536-entry map path.
  addCase("LUT_Linear_16u_C1R", oneInOneOut16u,
          {
              {"rux",
               [](Operands& o) {
                 static const Rux32s levels[6] = {0, 4096, 16384, 32768, 49152, 65536};
                 static const Rux32s values[6] = {0, 9000, 30000, 47000, 60000, 65535};
                 return ruxiLUT_Linear_16u_C1R(o.in[0].ptr<Rux16u>(), o.in[0].step(),
                                               o.out[0].ptr<Rux16u>(), o.out[0].step(), o.roi(),
                                               values, levels, 6);
               }},
          },
          kSizes);
}

const int kRegistered = ruxbench::addFamily(&registerHistLut);

}  // namespace
