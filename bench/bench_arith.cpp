// Arithmetic: Add, Sub, Mul, MulC, Div against OpenCV add/subtract/multiply/divide, on 1 and
// 2 threads where the ruxIP member runs in parallel; Add 8u against memory bandwidth.
#include <cstring>

#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;
using ruxbench::Variant;

template <class T>
Operands twoSources(Size s) {
  return {images(Image::random<T>(s, 1, 11), Image::random<T>(s, 1, 12)),
          images(Image::random<T>(s, 1, 13))};
}

template <class T>
Operands oneSource(Size s) {
  return {images(Image::random<T>(s, 1, 11)), images(Image::random<T>(s, 1, 13))};
}

template <class T>
const T* in(const Operands& o, int k) {
  return o.in[k].ptr<T>();
}
template <class T>
T* out(const Operands& o) {
  return o.out[0].ptr<T>();
}

// Registers the case on one thread and, as "<name>-2t", on two.
void addThreaded(const std::string& name, std::function<Operands(Size)> make,
                 std::vector<Variant> variants, bool parallel) {
  ruxbench::addCase(name, make, variants, {ruxbench::kFullHd});
  if (!parallel) return;
  for (Variant& v : variants) v.threads = 2;
  ruxbench::addCase(name + "-2t", make, variants, {ruxbench::kFullHd});
}

void registerArith() {
  addThreaded("Add_8u_C1RSfs", twoSources<Rux8u>,
              {
                  {"rux",
                   [](Operands& o) {
                     return ruxiAdd_8u_C1RSfs(in<Rux8u>(o, 0), o.in[0].step(), in<Rux8u>(o, 1),
                                              o.in[1].step(), out<Rux8u>(o), o.out[0].step(),
                                              o.roi(), 0);
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [](Operands& o) {
                     cv::add(o.in[1].mat, o.in[0].mat, o.out[0].mat);
                     return 0;
                   }},
#endif
              },
              true);

  addThreaded("Sub_16s_C1RSfs", twoSources<Rux16s>,
              {
                  {"rux",
                   [](Operands& o) {
                     return ruxiSub_16s_C1RSfs(in<Rux16s>(o, 0), o.in[0].step(), in<Rux16s>(o, 1),
                                               o.in[1].step(), out<Rux16s>(o), o.out[0].step(),
                                               o.roi(), 0);
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [](Operands& o) {
                     cv::subtract(o.in[1].mat, o.in[0].mat, o.out[0].mat);
                     return 0;
                   }},
#endif
              },
              true);

  addThreaded("Add_32f_C1R", twoSources<Rux32f>,
              {
                  {"rux",
                   [](Operands& o) {
                     return ruxiAdd_32f_C1R(in<Rux32f>(o, 0), o.in[0].step(), in<Rux32f>(o, 1),
                                            o.in[1].step(), out<Rux32f>(o), o.out[0].step(),
                                            o.roi());
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [](Operands& o) {
                     cv::add(o.in[1].mat, o.in[0].mat, o.out[0].mat);
                     return 0;
                   }},
#endif
              },
              true);

  // Product / 256, rounded to nearest even: OpenCV scales in floating point.
  addThreaded("Mul_8u_C1RSfs_s8", twoSources<Rux8u>,
              {
                  {"rux",
                   [](Operands& o) {
                     return ruxiMul_8u_C1RSfs(in<Rux8u>(o, 0), o.in[0].step(), in<Rux8u>(o, 1),
                                              o.in[1].step(), out<Rux8u>(o), o.out[0].step(),
                                              o.roi(), 8);
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [](Operands& o) {
                     cv::multiply(o.in[1].mat, o.in[0].mat, o.out[0].mat, 1.0 / 256);
                     return 0;
                   }},
#endif
              },
              true);

  addThreaded("MulC_8u_C1RSfs_s6", oneSource<Rux8u>,
              {
                  {"rux",
                   [](Operands& o) {
                     return ruxiMulC_8u_C1RSfs(in<Rux8u>(o, 0), o.in[0].step(), 77, out<Rux8u>(o),
                                               o.out[0].step(), o.roi(), 6);
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [](Operands& o) {
                     cv::multiply(o.in[0].mat, cv::Scalar(77), o.out[0].mat, 1.0 / 64);
                     return 0;
                   }},
#endif
              },
              true);

  // Division runs on the calling thread.
  addThreaded("Div_32f_C1R", twoSources<Rux32f>,
              {
                  {"rux",
                   [](Operands& o) {
                     return ruxiDiv_32f_C1R(in<Rux32f>(o, 0), o.in[0].step(), in<Rux32f>(o, 1),
                                            o.in[1].step(), out<Rux32f>(o), o.out[0].step(),
                                            o.roi());
                   }},
#ifdef RUX_HAVE_OPENCV
                  {"cv",
                   [](Operands& o) {
                     cv::divide(o.in[1].mat, o.in[0].mat, o.out[0].mat);
                     return 0;
                   }},
#endif
              },
              false);

  // Memory bound: against a memcpy that moves the same 3 bytes per pixel (1.5 read, 1.5
  // written).
  ruxbench::addCase(
      "Add_8u_C1RSfs_bandwidth", twoSources<Rux8u>,
      {
          {"rux",
           [](Operands& o) {
             return ruxiAdd_8u_C1RSfs(in<Rux8u>(o, 0), o.in[0].step(), in<Rux8u>(o, 1),
                                      o.in[1].step(), out<Rux8u>(o), o.out[0].step(), o.roi(), 0);
           }},
          {"ref",
           [](Operands& o) {
             const std::size_t n = static_cast<std::size_t>(o.out[0].bytes());
             std::memcpy(out<Rux8u>(o), in<Rux8u>(o, 0), n);
             std::memcpy(o.in[0].ptr<Rux8u>(), in<Rux8u>(o, 1), n / 2);
             return 0;
           },
           false},
      },
      {ruxbench::kSquare4k});
}

const int kRegistered = ruxbench::addFamily(&registerArith);

}  // namespace
