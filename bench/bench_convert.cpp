// Convert and Scale: against OpenCV convertTo, and the Scale forms against a memcpy that moves
// the same number of bytes (read + written) as the conversion does.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "harness.h"

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

template <class S, class D>
Operands srcDst(Size s) {
  return {images(Image::random<S>(s, 1, 1)), images(Image::random<D>(s, 1, 2))};
}

template <class S, class D>
const S* in(const Operands& o) {
  return o.in[0].ptr<S>();
}
template <class D>
D* out(const Operands& o) {
  return o.out[0].ptr<D>();
}

// memcpy of (bytes read + bytes written) / 2 between two private buffers: the same traffic as
// a conversion that reads one size and writes another.
ruxbench::Variant sameTrafficCopy() {
  auto buffers = std::make_shared<std::vector<std::uint8_t>>();
  return {"ref",
          [buffers](Operands& o) {
            const std::size_t half = static_cast<std::size_t>(o.bytes()) / 2;
            if (buffers->size() != 2 * half) buffers->assign(2 * half, 1);
            std::memcpy(buffers->data() + half, buffers->data(), half);
            return 0;
          },
          false};
}

void registerConvert() {
  using ruxbench::addCase;
  const std::vector<Size> sizes = {ruxbench::kFullHd};

  addCase("Convert_8u32f_C1R", srcDst<std::uint8_t, float>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiConvert_8u32f_C1R(in<Rux8u, Rux32f>(o), o.in[0].step(), out<Rux32f>(o),
                                              o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.in[0].mat.convertTo(o.out[0].mat, CV_32F);
                 return 0;
               }},
#endif
          },
          sizes);

  addCase("Convert_32f8u_C1R_NearestEven", srcDst<float, std::uint8_t>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiConvert_32f8u_C1R(in<Rux32f, Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                              o.out[0].step(), o.roi(), ruxRoundNearestEven);
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.in[0].mat.convertTo(o.out[0].mat, CV_8U);
                 return 0;
               }},
#endif
          },
          sizes);

  addCase("Convert_16s8u_C1R", srcDst<std::int16_t, std::uint8_t>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiConvert_16s8u_C1R(in<Rux16s, Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                              o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.in[0].mat.convertTo(o.out[0].mat, CV_8U);
                 return 0;
               }},
#endif
          },
          sizes);

  addCase("Scale_8u16u_C1R", srcDst<std::uint8_t, std::uint16_t>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiScale_8u16u_C1R(in<Rux8u, Rux16u>(o), o.in[0].step(), out<Rux16u>(o),
                                            o.out[0].step(), o.roi());
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 o.in[0].mat.convertTo(o.out[0].mat, CV_16U, 257.0);
                 return 0;
               }},
#endif
              sameTrafficCopy(),
          },
          sizes);

  addCase("Scale_16u8u_C1R_Fast", srcDst<std::uint16_t, std::uint8_t>,
          {
              {"rux",
               [](Operands& o) {
                 return ruxiScale_16u8u_C1R(in<Rux16u, Rux8u>(o), o.in[0].step(), out<Rux8u>(o),
                                            o.out[0].step(), o.roi(), ruxHintFast);
               }},
#ifdef RUX_HAVE_OPENCV
              // Nearest rounding of v / 257: a close counterpart, not the same formula.
              {"cv",
               [](Operands& o) {
                 o.in[0].mat.convertTo(o.out[0].mat, CV_8U, 1.0 / 257.0);
                 return 0;
               },
               false},
#endif
              sameTrafficCopy(),
          },
          sizes);
}

const int kRegistered = ruxbench::addFamily(&registerConvert);

}  // namespace
