// Packed-spectrum operations against OpenCV at 1024 x 1024, on 1 and 2 threads: MulPack and
// MulPackConj against cv::mulSpectrums on the same packed data (OpenCV's CCS layout of an even
// W x H real spectrum is the Pack2D layout), and Magnitude_32fc32f against cv::magnitude on the
// split planes. Outputs are not compared: OpenCV forms the spectrum products in double (ours
// round each product and sum in single precision) and its magnitude in single precision (ours
// in double).
#include <cstdint>
#include <string>
#include <vector>

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

constexpr Size kSpectrum{1024, 1024};

void addThreaded(const std::string& name, std::function<Operands(Size)> make, std::vector<Variant> variants) {
  ruxbench::addCase(name, make, variants, {kSpectrum});
  for (Variant& v : variants) v.threads = 2;
  ruxbench::addCase(name + "-2t", make, variants, {kSpectrum});
}

Operands twoSpectra(Size s) {
  return Operands{images(Image::random<float>(s, 1, 51), Image::random<float>(s, 1, 52)), images(Image::random<float>(s, 1, 53))};
}

void addMul(bool conj) {
  std::vector<Variant> variants{{"rux", [conj](Operands& o) {
                                   const auto fn = conj ? &ruxiMulPackConj_32f_C1R : &ruxiMulPack_32f_C1R;
                                   return fn(o.in[0].ptr<Rux32f>(), o.in[0].step(), o.in[1].ptr<Rux32f>(), o.in[1].step(),
                                             o.out[0].ptr<Rux32f>(), o.out[0].step(), o.roi());
                                 }}};
#ifdef RUX_HAVE_OPENCV
  variants.push_back({"cv", [conj](Operands& o) {
                        cv::mulSpectrums(o.in[0].mat, o.in[1].mat, o.out[0].mat, 0, conj);
                        return 0;
                      },
                      false});
#endif
  addThreaded(conj ? "MulPackConj_32f_C1R" : "MulPack_32f_C1R", &twoSpectra, variants);
}

// The complex image, then its real and imaginary planes for OpenCV.
Operands complexAndPlanes(Size s) {
  Image z = Image::random<float>(s, 2, 61);
  Image re = Image::random<float>(s, 1, 62), im = Image::random<float>(s, 1, 63);
  for (int y = 0; y < s.height; ++y) {
    const float* zr = reinterpret_cast<const float*>(z.ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(y) * z.step());
    float* rr = reinterpret_cast<float*>(re.ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(y) * re.step());
    float* ir = reinterpret_cast<float*>(im.ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(y) * im.step());
    for (int x = 0; x < s.width; ++x) rr[x] = zr[2 * x], ir[x] = zr[2 * x + 1];
  }
  return Operands{images(std::move(z), std::move(re), std::move(im)), images(Image::random<float>(s, 1, 64))};
}

void addMagnitude() {
  std::vector<Variant> variants{{"rux", [](Operands& o) {
                                   return ruxiMagnitude_32fc32f_C1R(o.in[0].ptr<Rux32fc>(), o.in[0].step(), o.out[0].ptr<Rux32f>(),
                                                                    o.out[0].step(), o.roi());
                                 }}};
#ifdef RUX_HAVE_OPENCV
  variants.push_back({"cv", [](Operands& o) {
                        cv::magnitude(o.in[1].mat, o.in[2].mat, o.out[0].mat);
                        return 0;
                      },
                      false});
#endif
  addThreaded("Magnitude_32fc32f_C1R", &complexAndPlanes, variants);
}

void registerPacked() {
  addMul(false);
  addMul(true);
  addMagnitude();
}

const int kRegistered = ruxbench::addFamily(&registerPacked);

}  // namespace
