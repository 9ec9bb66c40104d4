// Deconvolution, decimation and de-interlacing, on 1 and 2 threads: DeconvFFT (504x504, 9x9
// kernel, transform side 512) and DeconvLR (512x512, 9x9, 5 iterations) have no OpenCV
// counterpart; DecimateFilterRow/Column by 1/2 at 1920x1080 are paired with cv::resize
// INTER_AREA to half the width or height, a reference point only (a 2x2 mean, not a 10-tap
// filter); DeinterlaceFilterCAVT at 1920x1080.
//
// States are made on the first call of a variant (outside the timing of later calls).
#include <string>
#include <vector>

#include "ruxi.h"
#include "harness.h"
#include "ruxcore.h"

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

void twice(const std::string& name, std::function<Operands(Size)> make, std::vector<Variant> variants, Size size) {
  ruxbench::addCase(name, make, variants, {size});
  for (Variant& v : variants) v.threads = 2;
  ruxbench::addCase(name + "-2t", make, variants, {size});
}

const std::vector<float>& kernel9() {
  static const std::vector<float> k = [] {
    std::vector<float> v(81);
    float sum = 0;
    for (int i = 0; i < 81; ++i) sum += (v[i] = 1.0f + static_cast<float>((i * 37) % 11));
    for (float& x : v) x /= sum;
    return v;
  }();
  return k;
}

// Positive float images (the deconvolutions expect intensities).
Operands positiveImages(Size s, int channels) {
  Operands o{images(Image::random<float>(s, channels, 51)), images(Image::random<float>(s, channels, 52))};
  float* p = o.in[0].ptr<float>();
  for (int y = 0; y < s.height; ++y) {
    float* row = reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(p) + static_cast<std::ptrdiff_t>(y) * o.in[0].step());
    for (int x = 0; x < s.width * channels; ++x) row[x] = 1.0f + (row[x] < 0 ? -row[x] : row[x]);
  }
  return o;
}

// One state per thread count (the FFT state's transform records the count it was made with).
RuxDeconvFFTState_32f_C1R* fftState() {
  static RuxDeconvFFTState_32f_C1R* states[16] = {};
  int threads = 1;
  ruxGetNumThreads(&threads);
  RuxDeconvFFTState_32f_C1R*& s = states[threads & 15];
  if (!s) ruxiDeconvFFTInitAlloc_32f_C1R(&s, kernel9().data(), 9, 9, 1e-3f);
  return s;
}
RuxDeconvLRState_32f_C1R* lrState() {
  static RuxDeconvLRState_32f_C1R* s = nullptr;
  if (!s) ruxiDeconvLRInitAlloc_32f_C1R(&s, kernel9().data(), 9, {512, 512}, 1e-3f);
  return s;
}

void addDeconv() {
  twice("DeconvFFT_32f_C1R_9x9", [](Size s) { return positiveImages(s, 1); },
        {{"rux",
          [](Operands& o) {
            return ruxiDeconvFFT_32f_C1R(o.in[0].ptr<float>(), o.in[0].step(), o.out[0].ptr<float>(), o.out[0].step(),
                                         o.roi(), fftState());
          }}},
        {504, 504});
  twice("DeconvLR_32f_C1R_9x9_5it", [](Size s) { return positiveImages(s, 1); },
        {{"rux",
          [](Operands& o) {
            return ruxiDeconvLR_32f_C1R(o.in[0].ptr<float>(), o.in[0].step(), o.out[0].ptr<float>(), o.out[0].step(),
                                        o.roi(), 5, lrState());
          }}},
        {512, 512});
}

// Decimation by 1/2: the source carries 4 samples of border on each side of the filtered axis.
void addDecimate(bool rows) {
  const std::string name = rows ? "DecimateFilterRow_8u_C1R_1_2" : "DecimateFilterColumn_8u_C1R_1_2";
  auto make = [rows](Size s) {
    const Size src = rows ? Size{s.width + 8, s.height} : Size{s.width, s.height + 8};
    const Size dst = rows ? Size{s.width / 2, s.height} : Size{s.width, s.height / 2};
    return Operands{images(Image::random<Rux8u>(src, 1, 61)), images(Image::random<Rux8u>(dst, 1, 62))};
  };
  std::vector<Variant> v{{"rux", [rows](Operands& o) {
                            const Image& in = o.in[0];
                            const Rux8u* p = in.ptr<Rux8u>() + (rows ? 4 : 4 * static_cast<std::ptrdiff_t>(in.step()));
                            const RuxImageSize r = in.roi();
                            const RuxImageSize roi = rows ? RuxImageSize{r.width - 8, r.height} : RuxImageSize{r.width, r.height - 8};
                            const auto fn = rows ? ruxiDecimateFilterRow_8u_C1R : ruxiDecimateFilterColumn_8u_C1R;
                            return fn(p, in.step(), roi, o.out[0].ptr<Rux8u>(), o.out[0].step(), ruxFraction1_2);
                          }}};
#ifdef RUX_HAVE_OPENCV
  v.push_back({"cv",
               [rows](Operands& o) {
                 const RuxImageSize r = o.in[0].roi();
                 const cv::Mat region = rows ? o.in[0].mat(cv::Rect(4, 0, r.width - 8, r.height))
                                             : o.in[0].mat(cv::Rect(0, 4, r.width, r.height - 8));
                 cv::resize(region, o.out[0].mat, o.out[0].mat.size(), 0, 0, cv::INTER_AREA);
                 return 0;
               },
               false});
#endif
  twice(name, make, v, ruxbench::kFullHd);
}

void addDeinterlace() {
  twice("DeinterlaceFilterCAVT_8u_C1R",
        [](Size s) { return Operands{images(Image::random<Rux8u>(s, 1, 71)), images(Image::random<Rux8u>(s, 1, 72))}; },
        {{"rux",
          [](Operands& o) {
            return ruxiDeinterlaceFilterCAVT_8u_C1R(o.in[0].ptr<Rux8u>(), o.in[0].step(), o.out[0].ptr<Rux8u>(),
                                                    o.out[0].step(), 20, o.roi());
          }}},
        ruxbench::kFullHd);
}

void registerDeconv() {
  addDeconv();
  addDecimate(true);
  addDecimate(false);
  addDeinterlace();
}

const int kRegistered = ruxbench::addFamily(&registerDeconv);

}  // namespace
