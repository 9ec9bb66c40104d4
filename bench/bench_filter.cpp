// Neighbourhood filters against OpenCV, 1920x1080, on 1 and 2 threads: FilterBox, FilterGauss,
// FilterSobelHoriz, FilterLaplace, FilterSharpen, Filter32f, FilterRow32f and FilterColumn32f;
// FilterMedian, FilterMin/FilterMax, Dilate3x3, Erode with a full mask and FilterBilateral.
//
// The source is allocated with the border the kernel reads and both implementations filter the
// inner region: ruxIP gets the region's first pixel and the step, OpenCV a submatrix over the
// same memory, so its default border mode reads the real neighbours around it. Rounding rules
// differ, so outputs are not compared with OpenCV's.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
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
using ruxbench::Variant;

// Kernel footprint: width x height cells, the destination pixel over cell (ax, ay).
struct Window {
  int width;
  int height;
  int ax;
  int ay;
};

constexpr Window centred(int width, int height) { return {width, height, width / 2, height / 2}; }

// Source extended by the window's border, destination of the region's size.
template <class S, class D>
std::function<Operands(Size)> bordered(Window w) {
  return [w](Size s) {
    const Size padded{s.width + w.width - 1, s.height + w.height - 1};
    return Operands{images(Image::random<S>(padded, 1, 21)), images(Image::random<D>(s, 1, 22))};
  };
}

// First pixel of the region inside the bordered source.
template <class T>
const T* region(const Operands& o, Window w) {
  const Image& src = o.in[0];
  return reinterpret_cast<const T*>(src.ptr<std::uint8_t>() +
                                    static_cast<std::ptrdiff_t>(w.ay) * src.step() +
                                    static_cast<std::ptrdiff_t>(w.ax) * sizeof(T));
}

template <class T>
T* out(const Operands& o) {
  return o.out[0].ptr<T>();
}

#ifdef RUX_HAVE_OPENCV
cv::Mat regionMat(const Operands& o, Window w) {
  const RuxImageSize roi = o.roi();
  return o.in[0].mat(cv::Rect(w.ax, w.ay, roi.width, roi.height));
}
#endif

// The fixed-kernel and caller-kernel filters are registered once ruxi.h exports them.
#ifdef RUX_HAVE_OPENCV
// OpenCV correlates; a true convolution is the correlation with the kernel turned by 180 degrees.
cv::Mat flipped(const float* kernel, int width, int height) {
  cv::Mat k(height, width, CV_32F);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      k.at<float>(y, x) = kernel[(height - 1 - y) * width + (width - 1 - x)];
    }
  }
  return k;
}

// Square kernel of integer cells (row by row) over a divisor.
cv::Mat integerKernel(std::initializer_list<float> cells, int size, double divisor) {
  cv::Mat k(size, size, CV_32F);
  int i = 0;
  for (const float c : cells) {
    k.at<float>(i / size, i % size) = static_cast<float>(c / divisor);
    ++i;
  }
  return k;
}
#endif

// Reproducible weights in [0.5, 1.5), normalised to sum 1 so 8u outputs stay mostly in range.
std::vector<float> randomKernel(int n, std::uint64_t seed) {
  std::vector<float> k(n);
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    k[i] = 0.5f + static_cast<float>(seed >> 40) * 0x1.0p-24f;
    sum += k[i];
  }
  for (float& v : k) v = static_cast<float>(v / sum);
  return k;
}

const std::vector<float>& kernel5x5() {
  static const std::vector<float> k = randomKernel(25, 31);
  return k;
}
const std::vector<float>& kernel7() {
  static const std::vector<float> k = randomKernel(7, 37);
  return k;
}

// Registers the case on one thread and, as "<name>-2t", on two.
void addThreaded(const std::string& name, std::function<Operands(Size)> make,
                 std::vector<Variant> variants) {
  ruxbench::addCase(name, make, variants, {ruxbench::kFullHd});
  for (Variant& v : variants) v.threads = 2;
  ruxbench::addCase(name + "-2t", make, variants, {ruxbench::kFullHd});
}

void addBox8u(int k) {
  const Window w = centred(k, k);
  const std::string size = std::to_string(k) + "x" + std::to_string(k);
  addThreaded("FilterBox_8u_C1R_" + size, bordered<Rux8u, Rux8u>(w),
              {
                  {"rux",
                   [w](Operands& o) {
                     return ruxiFilterBox_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                 out<Rux8u>(o), o.out[0].step(), o.roi(),
                                                 {w.width, w.height}, {w.ax, w.ay});
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [w](Operands& o) {
                     cv::boxFilter(regionMat(o, w), o.out[0].mat, -1, cv::Size(w.width, w.height));
                     return 0;
                   },
                   false},
#endif
              });
}

// A rank or morphology case on a centred window: ours, and OpenCV's on the same region.
void addRank(const std::string& name, Window w, std::function<RuxResult(const Operands&, Window)> rux,
             std::function<void(const Operands&, Window)> cv) {
  std::vector<Variant> variants{{"rux", [w, rux](Operands& o) { return rux(o, w); }}};
#ifdef RUX_HAVE_OPENCV
  variants.push_back({"cv", [w, cv](Operands& o) { cv(o, w); return 0; }, false});
#else
  (void)cv;
#endif
  addThreaded(name, bordered<Rux8u, Rux8u>(w), variants);
}

void addRankCases() {
  for (int k : {3, 5, 7, 15}) {
    addRank("FilterMedian_8u_C1R_" + std::to_string(k) + "x" + std::to_string(k), centred(k, k),
            [](const Operands& o, Window w) {
              return ruxiFilterMedian_8u_C1R(region<Rux8u>(o, w), o.in[0].step(), out<Rux8u>(o), o.out[0].step(),
                                             o.roi(), {w.width, w.height}, {w.ax, w.ay});
            },
            [](const Operands& o, Window w) {
#ifdef RUX_HAVE_OPENCV
              cv::medianBlur(regionMat(o, w), o.out[0].mat, w.width);
#endif
            });
  }
  addRank("FilterMin_8u_C1R_7x7", centred(7, 7),
          [](const Operands& o, Window w) {
            return ruxiFilterMin_8u_C1R(region<Rux8u>(o, w), o.in[0].step(), out<Rux8u>(o), o.out[0].step(), o.roi(),
                                        {w.width, w.height}, {w.ax, w.ay});
          },
          [](const Operands& o, Window w) {
#ifdef RUX_HAVE_OPENCV
            cv::erode(regionMat(o, w), o.out[0].mat, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
#endif
          });
  addRank("FilterMax_8u_C1R_7x7", centred(7, 7),
          [](const Operands& o, Window w) {
            return ruxiFilterMax_8u_C1R(region<Rux8u>(o, w), o.in[0].step(), out<Rux8u>(o), o.out[0].step(), o.roi(),
                                        {w.width, w.height}, {w.ax, w.ay});
          },
          [](const Operands& o, Window w) {
#ifdef RUX_HAVE_OPENCV
            cv::dilate(regionMat(o, w), o.out[0].mat, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
#endif
          });
  addRank("Dilate3x3_8u_C1R", centred(3, 3),
          [](const Operands& o, Window w) {
            return ruxiDilate3x3_8u_C1R(region<Rux8u>(o, w), o.in[0].step(), out<Rux8u>(o), o.out[0].step(), o.roi());
          },
          [](const Operands& o, Window w) {
#ifdef RUX_HAVE_OPENCV
            cv::dilate(regionMat(o, w), o.out[0].mat, cv::Mat());
#endif
          });
  addRank("Erode_8u_C1R_5x5", centred(5, 5),
          [](const Operands& o, Window w) {
            static const std::vector<Rux8u> mask(25, 1);
            return ruxiErode_8u_C1R(region<Rux8u>(o, w), o.in[0].step(), out<Rux8u>(o), o.out[0].step(), o.roi(),
                                    mask.data(), {5, 5}, {w.ax, w.ay});
          },
          [](const Operands& o, Window w) {
#ifdef RUX_HAVE_OPENCV
            cv::erode(regionMat(o, w), o.out[0].mat, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
#endif
          });
}

// Bilateral 5x5, kind 100 (OpenCV's window is round, so only the speed compares).
void addBilateral() {
  static std::vector<Rux8u> spec = [] {
    int size = 0;
    ruxiFilterBilateralGetBufSize_8u_C1R(100, {1920, 1080}, {5, 5}, &size);
    std::vector<Rux8u> block(static_cast<std::size_t>(size));
    ruxiFilterBilateralInit_8u_C1R(100, {5, 5}, 400.0f, 4.0f, 1, block.data());
    return block;
  }();
  addRank("FilterBilateral_8u_C1R_5x5", centred(5, 5),
          [](const Operands& o, Window w) {
            return ruxiFilterBilateral_8u_C1R(region<Rux8u>(o, w), o.in[0].step(), out<Rux8u>(o), o.out[0].step(),
                                              o.roi(), {5, 5}, spec.data());
          },
          [](const Operands& o, Window w) {
#ifdef RUX_HAVE_OPENCV
            cv::bilateralFilter(regionMat(o, w), o.out[0].mat, 5, 20.0, 2.0);
#endif
          });
}

void registerFilter() {
  addRankCases();
  addBilateral();
  addBox8u(3);
  addBox8u(5);
  addBox8u(31);

  {
    const Window w = centred(5, 5);
    addThreaded("FilterBox_32f_C1R_5x5", bordered<Rux32f, Rux32f>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterBox_32f_C1R(region<Rux32f>(o, w), o.in[0].step(),
                                                    out<Rux32f>(o), o.out[0].step(), o.roi(),
                                                    {w.width, w.height}, {w.ax, w.ay});
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       cv::boxFilter(regionMat(o, w), o.out[0].mat, -1,
                                     cv::Size(w.width, w.height));
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(3, 3);
    addThreaded("FilterGauss_8u_C1R_3x3", bordered<Rux8u, Rux8u>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterGauss_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                     out<Rux8u>(o), o.out[0].step(), o.roi(),
                                                     ruxMaskSize3x3);
                     }},
#ifdef RUX_HAVE_OPENCV
                    // Sigma 0 at 3x3 is the kernel 1 2 1 / 4 on each axis.
                    {"cv",
                     [w](Operands& o) {
                       cv::GaussianBlur(regionMat(o, w), o.out[0].mat, cv::Size(3, 3), 0);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(5, 5);
    addThreaded("FilterGauss_8u_C1R_5x5", bordered<Rux8u, Rux8u>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterGauss_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                     out<Rux8u>(o), o.out[0].step(), o.roi(),
                                                     ruxMaskSize5x5);
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       static const cv::Mat k = integerKernel({2,  7,  12,  7,  2,   //
                                                               7,  31, 52,  31, 7,   //
                                                               12, 52, 127, 52, 12,  //
                                                               7,  31, 52,  31, 7,   //
                                                               2,  7,  12,  7,  2},
                                                              5, 571.0);
                       cv::filter2D(regionMat(o, w), o.out[0].mat, -1, k);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    // Row below minus row above: OpenCV's derivative in y.
    const Window w = centred(3, 3);
    addThreaded("FilterSobelHoriz_8u16s_C1R_3x3", bordered<Rux8u, Rux16s>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterSobelHoriz_8u16s_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                             out<Rux16s>(o), o.out[0].step(),
                                                             o.roi(), ruxMaskSize3x3);
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       cv::Sobel(regionMat(o, w), o.out[0].mat, CV_16S, 0, 1, 3);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(3, 3);
    addThreaded("FilterLaplace_8u16s_C1R_3x3", bordered<Rux8u, Rux16s>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterLaplace_8u16s_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                          out<Rux16s>(o), o.out[0].step(),
                                                          o.roi(), ruxMaskSize3x3);
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       static const cv::Mat k =
                           integerKernel({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 3, 1.0);
                       cv::filter2D(regionMat(o, w), o.out[0].mat, CV_16S, k);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(3, 3);
    addThreaded("FilterSharpen_8u_C1R", bordered<Rux8u, Rux8u>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterSharpen_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                       out<Rux8u>(o), o.out[0].step(), o.roi());
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       static const cv::Mat k =
                           integerKernel({-1, -1, -1, -1, 16, -1, -1, -1, -1}, 3, 8.0);
                       cv::filter2D(regionMat(o, w), o.out[0].mat, -1, k);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(5, 5);
    addThreaded("Filter32f_8u_C1R_5x5", bordered<Rux8u, Rux8u>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilter32f_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                   out<Rux8u>(o), o.out[0].step(), o.roi(),
                                                   kernel5x5().data(), {w.width, w.height},
                                                   {w.ax, w.ay});
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       static const cv::Mat k = flipped(kernel5x5().data(), 5, 5);
                       cv::filter2D(regionMat(o, w), o.out[0].mat, -1, k);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(7, 1);
    addThreaded("FilterRow32f_8u_C1R_7", bordered<Rux8u, Rux8u>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterRow32f_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                      out<Rux8u>(o), o.out[0].step(), o.roi(),
                                                      kernel7().data(), w.width, w.ax);
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       static const cv::Mat kx = flipped(kernel7().data(), 7, 1);
                       static const cv::Mat ky = cv::Mat::ones(1, 1, CV_32F);
                       cv::sepFilter2D(regionMat(o, w), o.out[0].mat, CV_8U, kx, ky);
                       return 0;
                     },
                     false},
#endif
                });
  }

  {
    const Window w = centred(1, 7);
    addThreaded("FilterColumn32f_8u_C1R_7", bordered<Rux8u, Rux8u>(w),
                {
                    {"rux",
                     [w](Operands& o) {
                       return ruxiFilterColumn32f_8u_C1R(region<Rux8u>(o, w), o.in[0].step(),
                                                         out<Rux8u>(o), o.out[0].step(),
                                                         o.roi(), kernel7().data(), w.height,
                                                         w.ay);
                     }},
#ifdef RUX_HAVE_OPENCV
                    {"cv",
                     [w](Operands& o) {
                       static const cv::Mat kx = cv::Mat::ones(1, 1, CV_32F);
                       static const cv::Mat ky = flipped(kernel7().data(), 1, 7);
                       cv::sepFilter2D(regionMat(o, w), o.out[0].mat, CV_8U, kx, ky);
                       return 0;
                     },
                     false},
#endif
                });
  }
}

const int kRegistered = ruxbench::addFamily(&registerFilter);

}  // namespace
