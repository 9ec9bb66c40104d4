// One-level wavelet transforms, WTFwd and WTInv 32f C1 at 1024x1024 source pixels with the
// CDF 9/7 pair (no OpenCV counterpart; ns per source pixel = time / 1024^2). Specifications and
// buffers are made on the first call.
#include <cstdint>
#include <functional>
#include <vector>

#include "harness.h"

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

// Analysis low (9 taps) and high (7), synthesis low (7) and high (9); anchors 4, 4 and 3, 3.
const float kLow[9] = {0.037828455506995338f, -0.023849465019380071f, -0.11062440441842022f,
                       0.37740285561264963f,  0.85269867900940022f,   0.37740285561264963f,
                       -0.11062440441842022f, -0.023849465019380071f, 0.037828455506995338f};
const float kHigh[7] = {-0.064538882628938379f, 0.040689417609558305f, 0.4180922732222121f, -0.78848561640566406f,
                        0.4180922732222121f,    0.040689417609558305f, -0.064538882628938379f};
const float kSynLow[7] = {-0.064538882628938379f, -0.040689417609558305f, 0.4180922732222121f, 0.78848561640566406f,
                          0.4180922732222121f,    -0.040689417609558305f, -0.064538882628938379f};
const float kSynHigh[9] = {-0.037828455506995338f, -0.023849465019380071f, 0.11062440441842022f,
                           0.37740285561264963f,   -0.85269867900940022f,  0.37740285561264963f,
                           0.11062440441842022f,   -0.023849465019380071f, -0.037828455506995338f};
constexpr int kPad = 4;  // border pixels on every side, more than either transform reads

// Forward: the source with its border, four half-size subbands. Inverse: four subbands with
// borders, the full-size destination.
std::function<Operands(Size)> operands(bool forward) {
  return [forward](Size s) {
    const Size half{s.width / 2, s.height / 2};
    const Size padded{s.width + 2 * kPad, s.height + 2 * kPad}, halfPadded{half.width + 2 * kPad, half.height + 2 * kPad};
    if (forward)
      return Operands{images(Image::random<float>(padded, 1, 61)),
                      images(Image::random<float>(half, 1, 62), Image::random<float>(half, 1, 63),
                             Image::random<float>(half, 1, 64), Image::random<float>(half, 1, 65))};
    return Operands{images(Image::random<float>(halfPadded, 1, 66), Image::random<float>(halfPadded, 1, 67),
                           Image::random<float>(halfPadded, 1, 68), Image::random<float>(halfPadded, 1, 69)),
                    images(Image::random<float>(s, 1, 70))};
  };
}

const Rux32f* inner(const Image& im) {
  return reinterpret_cast<const Rux32f*>(im.ptr<std::uint8_t>() + kPad * static_cast<std::ptrdiff_t>(im.step()) +
                                         kPad * sizeof(Rux32f));
}

int forward(Operands& o) {
  static RuxWTFwdSpec_32f_C1R* spec = nullptr;
  static std::vector<Rux8u> buffer;
  if (spec == nullptr) {
    int bytes = 0;
    if (ruxiWTFwdInitAlloc_32f_C1R(&spec, kLow, 9, 4, kHigh, 7, 4) != ruxStatusOk) return -1;
    ruxiWTFwdGetBufSize_C1R(spec, &bytes);
    buffer.resize(static_cast<std::size_t>(bytes));
  }
  const auto& d = o.out;
  return ruxiWTFwd_32f_C1R(inner(o.in[0]), o.in[0].step(), d[0].ptr<Rux32f>(), d[0].step(), d[1].ptr<Rux32f>(),
                           d[1].step(), d[2].ptr<Rux32f>(), d[2].step(), d[3].ptr<Rux32f>(), d[3].step(), d[0].roi(), spec,
                           buffer.data());
}

int inverse(Operands& o) {
  static RuxWTInvSpec_32f_C1R* spec = nullptr;
  static std::vector<Rux8u> buffer;
  if (spec == nullptr) {
    int bytes = 0;
    if (ruxiWTInvInitAlloc_32f_C1R(&spec, kSynLow, 7, 3, kSynHigh, 9, 3) != ruxStatusOk) return -1;
    ruxiWTInvGetBufSize_C1R(spec, &bytes);
    buffer.resize(static_cast<std::size_t>(bytes));
  }
  const auto& s = o.in;
  const RuxImageSize half{o.roi().width / 2, o.roi().height / 2};
  return ruxiWTInv_32f_C1R(inner(s[0]), s[0].step(), inner(s[1]), s[1].step(), inner(s[2]), s[2].step(), inner(s[3]),
                           s[3].step(), half, o.out[0].ptr<Rux32f>(), o.out[0].step(), spec, buffer.data());
}

void registerWavelet() {
  const std::vector<Size> sizes{{1024, 1024}};
  ruxbench::addCase("WTFwd_32f_C1R_97", operands(true), {{"rux", forward}}, sizes);
  ruxbench::addCase("WTInv_32f_C1R_97", operands(false), {{"rux", inverse}}, sizes);
}

const int kRegistered = ruxbench::addFamily(&registerWavelet);

}  // namespace
