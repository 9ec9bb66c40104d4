// Data movers: Copy (plain, masked, planar), Set, Dup, SwapChannels.
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
using ruxbench::Variant;

template <class T>
Operands srcDst(Size s, int srcChannels, int dstChannels) {
  return {images(Image::random<T>(s, srcChannels, 1)),
          images(Image::random<T>(s, dstChannels, 2))};
}

template <class T>
const T* in(const Operands& o, int k = 0) {
  return o.in[k].ptr<T>();
}
template <class T>
T* out(const Operands& o, int k = 0) {
  return o.out[k].ptr<T>();
}

// Copy of whole pixels: rux, OpenCV copyTo and a memcpy of the same bytes.
template <class T, int C, auto kCopy>
void addPlainCopy(const char* name) {
  ruxbench::addCase(name, [](Size s) { return srcDst<T>(s, C, C); },
                    {
                        {"rux",
                         [](Operands& o) {
                           return kCopy(in<T>(o), o.in[0].step(), out<T>(o), o.out[0].step(),
                                        o.roi());
                         }},
#ifdef RUX_HAVE_OPENCV
                        {"cv",
                         [](Operands& o) {
                           o.in[0].mat.copyTo(o.out[0].mat);
                           return 0;
                         }},
#endif
                        {"ref", ruxbench::refCopy},
                    });
}

void registerExchange() {
  using ruxbench::addCase;

  addPlainCopy<Rux8u, 1, ruxiCopy_8u_C1R>("Copy_8u_C1R");
  addPlainCopy<Rux8u, 3, ruxiCopy_8u_C3R>("Copy_8u_C3R");
  addPlainCopy<Rux8u, 4, ruxiCopy_8u_C4R>("Copy_8u_C4R");
  addPlainCopy<Rux16s, 1, ruxiCopy_16s_C1R>("Copy_16s_C1R");
  addPlainCopy<Rux32f, 1, ruxiCopy_32f_C1R>("Copy_32f_C1R");

  // Alpha of the destination kept: OpenCV moves the three colour channels with mixChannels.
  addCase("Copy_8u_AC4R", [](Size s) { return srcDst<Rux8u>(s, 4, 4); },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiCopy_8u_AC4R(in<Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                         o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 static const int kPairs[] = {0, 0, 1, 1, 2, 2};
                 cv::mixChannels(&o.in[0].mat, 1, &o.out[0].mat, 1, kPairs, 3);
                 return 0;
               }},
#endif
              {"ref", ruxbench::refCopy, false},
          });

  // Mask about half set, at random positions.
  addCase("Copy_8u_C1MR",
          [](Size s) {
            return Operands{images(Image::random<Rux8u>(s, 1, 1), Image::mask(s, 3)),
                            images(Image::random<Rux8u>(s, 1, 2))};
          },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiCopy_8u_C1MR(in<Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                         o.out[0].step(), o.roi(), in<Rux8u>(o, 1),
                                         o.in[1].step());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.in[0].mat.copyTo(o.out[0].mat, o.in[1].mat);
                 return 0;
               }},
#endif
          });

  addCase("Copy_8u_C3P3R",
          [](Size s) {
            return Operands{images(Image::random<Rux8u>(s, 3, 1)),
                            images(Image::random<Rux8u>(s, 1, 2), Image::random<Rux8u>(s, 1, 3),
                                   Image::random<Rux8u>(s, 1, 4))};
          },
          {
              {"rux",
               [](Operands& o) {
                 Rux8u* const planes[3] = {out<Rux8u>(o, 0), out<Rux8u>(o, 1), out<Rux8u>(o, 2)};
                 return ruxiCopy_8u_C3P3R(in<Rux8u>(o), o.in[0].step(), planes, o.out[0].step(),
                                          o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::Mat planes[3] = {o.out[0].mat, o.out[1].mat, o.out[2].mat};
                 cv::split(o.in[0].mat, planes);
                 return 0;
               }},
#endif
              {"ref", ruxbench::refCopy, false},
          });

  addCase("Copy_8u_P3C3R",
          [](Size s) {
            return Operands{images(Image::random<Rux8u>(s, 1, 1), Image::random<Rux8u>(s, 1, 2),
                                   Image::random<Rux8u>(s, 1, 3)),
                            images(Image::random<Rux8u>(s, 3, 4))};
          },
          {
              {"rux",
               [](Operands& o) {
                 const Rux8u* const planes[3] = {in<Rux8u>(o, 0), in<Rux8u>(o, 1),
                                                 in<Rux8u>(o, 2)};
                 return ruxiCopy_8u_P3C3R(planes, o.in[0].step(), out<Rux8u>(o), o.out[0].step(),
                                          o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 const cv::Mat planes[3] = {o.in[0].mat, o.in[1].mat, o.in[2].mat};
                 cv::merge(planes, 3, o.out[0].mat);
                 return 0;
               }},
#endif
              {"ref", ruxbench::refCopy, false},
          });

  // 0x5A: an 8-bit value, so the reference memset writes exactly the same bytes.
  addCase("Set_8u_C1R",
          [](Size s) { return Operands{{}, images(Image::random<Rux8u>(s, 1, 2))}; },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiSet_8u_C1R(0x5A, out<Rux8u>(o), o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.out[0].mat.setTo(cv::Scalar(0x5A));
                 return 0;
               }},
#endif
              {"ref", [](Operands& o) { return ruxbench::refFill(o, 0x5A); }},
          });

  addCase("Set_8u_C3R",
          [](Size s) { return Operands{{}, images(Image::random<Rux8u>(s, 3, 2))}; },
          {
              {"rux",
               [](Operands& o) {
                 static const Rux8u kValue[3] = {12, 200, 77};
                 return ruxiSet_8u_C3R(kValue, out<Rux8u>(o), o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.out[0].mat.setTo(cv::Scalar(12, 200, 77));
                 return 0;
               }},
#endif
              {"ref", [](Operands& o) { return ruxbench::refFill(o, 12); }, false},
          });

  addCase("Dup_8u_C1C3R", [](Size s) { return srcDst<Rux8u>(s, 1, 3); },
          {
              {"rux",
               [](Operands& o) {
                 return ruxiDup_8u_C1C3R(in<Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                         o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 cv::cvtColor(o.in[0].mat, o.out[0].mat, cv::COLOR_GRAY2BGR);
                 return 0;
               }},
#endif
          });

  // Reversed order: mixChannels with the same pairs, and cvtColor BGR -> RGB.
  addCase("SwapChannels_8u_C3R", [](Size s) { return srcDst<Rux8u>(s, 3, 3); },
          {
              {"rux",
               [](Operands& o) {
                 static const int kOrder[3] = {2, 1, 0};
                 return ruxiSwapChannels_8u_C3R(in<Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                                o.out[0].step(), o.roi(), kOrder);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 static const int kPairs[] = {2, 0, 1, 1, 0, 2};
                 cv::mixChannels(&o.in[0].mat, 1, &o.out[0].mat, 1, kPairs, 3);
                 return 0;
               }},
              {"cv2",
               [](Operands& o) {
                 cv::cvtColor(o.in[0].mat, o.out[0].mat, cv::COLOR_BGR2RGB);
                 return 0;
               }},
#endif
              {"ref", ruxbench::refCopy, false},
          });
}

const int kRegistered = ruxbench::addFamily(&registerExchange);

}  // namespace
