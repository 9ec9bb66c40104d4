// Transpose and Mirror at 1920x1080, one thread, against cv::transpose and cv::flip.
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

template <class T, int C, auto kTranspose>
void addTranspose(const char* name) {
  ruxbench::addCase(name,
                    [](Size s) {
                      return Operands{images(Image::random<T>(s, C, 1)),
                                      images(Image::random<T>({s.height, s.width}, C, 2))};
                    },
                    {
                        {"rux",
                         [](Operands& o) {
                           return kTranspose(o.in[0].ptr<T>(), o.in[0].step(), o.out[0].ptr<T>(),
                                             o.out[0].step(), o.in[0].roi());
                         }},
#ifdef RUX_HAVE_OPENCV
                        {"cv",
                         [](Operands& o) {
                           cv::transpose(o.in[0].mat, o.out[0].mat);
                           return 0;
                         }},
#endif
                        {"ref", ruxbench::refCopy, false},
                    },
                    {ruxbench::kFullHd});
}

// Axis 0 reverses the row order (cv flip code 0), axis 1 the pixel order of each row (code 1),
// axis 2 both (code -1).
template <class T, int C, auto kMirror>
void addMirror(const std::string& name, int axis) {
  static constexpr int kFlipCode[3] = {0, 1, -1};
  ruxbench::addCase(
      name + "/axis" + std::to_string(axis),
      [](Size s) {
        return Operands{images(Image::random<T>(s, C, 1)), images(Image::random<T>(s, C, 2))};
      },
      {
          {"rux",
           [axis](Operands& o) {
             return kMirror(o.in[0].ptr<T>(), o.in[0].step(), o.out[0].ptr<T>(), o.out[0].step(),
                            o.roi(), axis);
           }},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [axis](Operands& o) {
             cv::flip(o.in[0].mat, o.out[0].mat, kFlipCode[axis]);
             return 0;
           }},
#endif
          {"ref", ruxbench::refCopy, false},
      },
      {ruxbench::kFullHd});
}

void registerTransposeMirror() {
  addTranspose<Rux8u, 1, ruxiTranspose_8u_C1R>("Transpose_8u_C1R");
  addTranspose<Rux32f, 1, ruxiTranspose_32f_C1R>("Transpose_32f_C1R");
  for (int axis = 0; axis < 3; ++axis) {
    addMirror<Rux8u, 1, ruxiMirror_8u_C1R>("Mirror_8u_C1R", axis);
    addMirror<Rux8u, 3, ruxiMirror_8u_C3R>("Mirror_8u_C3R", axis);
  }
}

const int kRegistered = ruxbench::addFamily(&registerTransposeMirror);

}  // namespace
