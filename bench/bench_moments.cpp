// Image moments: Moments64f on 8u and 32f against cv::moments, Moments64s on 16u (no
// counterpart), 1920x1080, one thread. Only the raw moments are timed: the getters are O(1).
#include <benchmark/benchmark.h>

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
Operands oneIn(Size s) {
  return {images(Image::random<T>(s, 1, 1)), {}};
}

// States live for the whole run; each call refills them.
RuxMomentState_64f* state64f() {
  static RuxMomentState_64f* st = [] {
    RuxMomentState_64f* p = nullptr;
    ruxiMomentInitAlloc_64f(&p, ruxHintAccurate);
    return p;
  }();
  return st;
}
RuxMomentState_64s* state64s() {
  static RuxMomentState_64s* st = [] {
    RuxMomentState_64s* p = nullptr;
    ruxiMomentInitAlloc_64s(&p, ruxHintAccurate);
    return p;
  }();
  return st;
}

const std::vector<Size> kSizes = {ruxbench::kFullHd};

void registerMoments() {
  using ruxbench::addCase;

  addCase("Moments64f_8u_C1R", oneIn<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiMoments64f_8u_C1R(o.in[0].ptr<Rux8u>(), o.in[0].step(), o.roi(),
                                              state64f());
               },
               false},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 const cv::Moments m = cv::moments(o.in[0].mat, false);
                 benchmark::DoNotOptimize(m);
                 return 0;
               },
               false},
#endif
          },
          kSizes);

  addCase("Moments64f_32f_C1R", oneIn<Rux32f>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiMoments64f_32f_C1R(o.in[0].ptr<Rux32f>(), o.in[0].step(), o.roi(),
                                               state64f());
               },
               false},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 const cv::Moments m = cv::moments(o.in[0].mat, false);
                 benchmark::DoNotOptimize(m);
                 return 0;
               },
               false},
#endif
          },
          kSizes);

  addCase("Moments64s_16u_C1R", oneIn<Rux16u>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiMoments64s_16u_C1R(o.in[0].ptr<Rux16u>(), o.in[0].step(), o.roi(),
                                               state64s());
               },
               false},
          },
          kSizes);
}

const int kRegistered = ruxbench::addFamily(&registerMoments);

}  // namespace
