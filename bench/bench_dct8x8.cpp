// 8x8 block DCTs over every block of a 1920x1080 image against OpenCV `dct` on each 8x8 float
// block: DCT8x8Fwd/Inv 32f and 16s on 64-value blocks, the 8u forward and the 8u inverse
// through the image step.
//
// Block forms see the image as consecutive 64-value blocks (rows are 64-byte multiples, so the
// image memory is contiguous); the OpenCV variant runs on the same blocks. 16s data is scaled
// to the ranges block codecs meet: samples -128..127 for the forward, coefficients of up to
// +-1024 for the inverse; the "-full" cases keep random 16-bit samples (blocks beyond the
// fixed-point range take the single-precision path).
#include <cstdint>
#include <functional>
#include <type_traits>
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

constexpr Size kBlocks = ruxbench::kFullHd;

// Operands: float blocks for OpenCV (in[0], out[0]) and ours (in[1], out[1]); 16s samples
// shifted right by `shift` bits.
template <class S, class D>
std::function<Operands(Size)> blockImages(int shift) {
  return [shift](Size s) {
    Operands o{images(Image::random<float>(s, 1, 53), Image::random<S>(s, 1, 51)),
               images(Image::random<float>(s, 1, 54), Image::random<D>(s, 1, 52))};
    if constexpr (std::is_same_v<S, Rux16s>) {
      Rux16s* p = o.in[1].ptr<Rux16s>();
      for (std::int64_t i = 0; i < o.in[1].bytes() / 2; ++i) p[i] = static_cast<Rux16s>(p[i] >> shift);
    }
    return o;
  };
}

std::int64_t blockCount(const Operands& o) { return static_cast<std::int64_t>(o.roi().width) * o.roi().height / 64; }

template <class S, class D>
Variant blocks(RuxResult (*fn)(const S*, D*)) {
  return {"rux", [fn](Operands& o) {
            const S* in = o.in[1].ptr<S>();
            D* out = o.out[1].ptr<D>();
            RuxResult st = ruxStatusOk;
            for (std::int64_t b = 0, n = blockCount(o); b < n; ++b) st |= fn(in + 64 * b, out + 64 * b);
            return st;
          }};
}

// The image's 8x8 blocks in image layout, the 8u side through the step.
Variant imageBlocks(bool forward) {
  return {"rux", [forward](Operands& o) {
            RuxResult st = ruxStatusOk;
            const int w = o.roi().width, h = o.roi().height;
            for (int y = 0; y < h; y += 8)
              for (int x = 0; x < w; x += 8) {
                const std::int64_t b = (static_cast<std::int64_t>(y) * w / 8 + x) * 8;  // 64 per block
                const Image &in = o.in[1], &out = o.out[1];
                if (forward) {
                  st |= ruxiDCT8x8Fwd_8u16s_C1R(in.ptr<Rux8u>() + static_cast<std::int64_t>(y) * in.step() + x, in.step(),
                                                out.ptr<Rux16s>() + b);
                } else {
                  st |= ruxiDCT8x8Inv_16s8u_C1R(in.ptr<Rux16s>() + b,
                                                out.ptr<Rux8u>() + static_cast<std::int64_t>(y) * out.step() + x, out.step());
                }
              }
            return st;
          }};
}

#ifdef RUX_HAVE_OPENCV
Variant cvBlocks(bool inverse) {
  return {"cv",
          [inverse](Operands& o) {
            float* in = o.in[0].ptr<float>();
            float* out = o.out[0].ptr<float>();
            for (std::int64_t b = 0, n = blockCount(o); b < n; ++b) {
              const cv::Mat src(8, 8, CV_32F, in + 64 * b), dst(8, 8, CV_32F, out + 64 * b);
              cv::dct(src, dst, inverse ? cv::DCT_INVERSE : 0);
            }
            return 0;
          },
          false};
}
#endif

void addDct(const std::string& name, std::function<Operands(Size)> make, Variant rux, bool inverse) {
  std::vector<Variant> v{std::move(rux)};
#ifdef RUX_HAVE_OPENCV
  v.push_back(cvBlocks(inverse));
#else
  (void)inverse;
#endif
  ruxbench::addCase(name, make, v, {kBlocks});
}

void registerDct8x8() {
  addDct("DCT8x8Fwd_32f_C1", blockImages<Rux32f, Rux32f>(0), blocks(&ruxiDCT8x8Fwd_32f_C1), false);
  addDct("DCT8x8Inv_32f_C1", blockImages<Rux32f, Rux32f>(0), blocks(&ruxiDCT8x8Inv_32f_C1), true);
  addDct("DCT8x8Fwd_16s_C1", blockImages<Rux16s, Rux16s>(8), blocks(&ruxiDCT8x8Fwd_16s_C1), false);
  addDct("DCT8x8Inv_16s_C1", blockImages<Rux16s, Rux16s>(5), blocks(&ruxiDCT8x8Inv_16s_C1), true);
  addDct("DCT8x8Fwd_16s_C1-full", blockImages<Rux16s, Rux16s>(0), blocks(&ruxiDCT8x8Fwd_16s_C1), false);
  addDct("DCT8x8Inv_16s_C1-full", blockImages<Rux16s, Rux16s>(0), blocks(&ruxiDCT8x8Inv_16s_C1), true);
  addDct("DCT8x8Fwd_8u16s_C1R", blockImages<Rux8u, Rux16s>(0), imageBlocks(true), false);
  addDct("DCT8x8Inv_16s8u_C1R", blockImages<Rux16s, Rux8u>(5), imageBlocks(false), true);
}

const int kRegistered = ruxbench::addFamily(&registerDct8x8);

}  // namespace
