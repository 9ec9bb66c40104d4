// Fourier transforms against OpenCV `dft` (real input, packed CCS output and back) and FFTW 3
// single-precision r2c/c2r plans (FFTW_MEASURE, planned outside the timing), on 1 and 2 threads:
// FFTFwd_RToPack and FFTInv_PackToR at 1024x1024 and 512x512, DFTFwd_RToPack at 1000x1000 and
// at a prime size, complex forward at 1024x1024; DCTFwd and DCTInv against OpenCV `dct` at 512x512
// and 1000x1000.
//
// Specifications and plans are made on the first call of a variant, with the variant's thread
// count in effect; outputs are not compared (the layouts differ).
#include <memory>
#include <string>
#include <vector>

#include "ruxi.h"
#include "harness.h"
#include "ruxcore.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif
#ifdef RUX_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;
using ruxbench::Variant;

std::function<Operands(Size)> realImages() {
  return [](Size s) { return Operands{images(Image::random<float>(s, 1, 41)), images(Image::random<float>(s, 1, 42))}; };
}
std::function<Operands(Size)> complexImages() {
  return [](Size s) {
    const Size twice{2 * s.width, s.height};
    return Operands{images(Image::random<float>(twice, 1, 43)), images(Image::random<float>(twice, 1, 44))};
  };
}

// A ruxIP specification of the operands' size plus its work buffer, made on first use.
// One per variant; a variant runs at several sizes, so a size change makes a new specification.
struct RuxDft {
  RuxImageSize size{0, 0};
  RuxFftSpec_R_32f* f = nullptr;
  RuxDftSpec_R_32f* r = nullptr;
  RuxDftSpec_C_32fc* c = nullptr;
  std::vector<Rux8u> buffer;
};

int log2(int n) {
  int k = 0;
  while ((1 << k) < n) ++k;
  return k;
}

int ruxReal(Operands& o, std::shared_ptr<RuxDft> st, bool inverse, bool dftFamily) {
  const RuxImageSize roi = o.roi();
  if (roi.width != st->size.width || roi.height != st->size.height) {
    if (st->f) ruxiFFTFree_R_32f(st->f);
    if (st->r) ruxiDFTFree_R_32f(st->r);
    st->f = nullptr;
    st->r = nullptr;
    st->size = roi;
  }
  const Rux32f* src = o.in[0].ptr<Rux32f>();
  Rux32f* dst = o.out[0].ptr<Rux32f>();
  if (!dftFamily) {
    if (!st->f) {
      if (int s = ruxiFFTInitAlloc_R_32f(&st->f, log2(roi.width), log2(roi.height), ruxFftDivInvByN, ruxHintNone)) return s;
      int bytes = 0;
      ruxiFFTGetBufSize_R_32f(st->f, &bytes);
      st->buffer.resize(bytes);
    }
    return inverse ? ruxiFFTInv_PackToR_32f_C1R(src, o.in[0].step(), dst, o.out[0].step(), st->f, st->buffer.data())
                   : ruxiFFTFwd_RToPack_32f_C1R(src, o.in[0].step(), dst, o.out[0].step(), st->f, st->buffer.data());
  }
  if (!st->r) {
    if (int s = ruxiDFTInitAlloc_R_32f(&st->r, roi, ruxFftDivInvByN, ruxHintNone)) return s;
    int bytes = 0;
    ruxiDFTGetBufSize_R_32f(st->r, &bytes);
    st->buffer.resize(bytes);
  }
  return inverse ? ruxiDFTInv_PackToR_32f_C1R(src, o.in[0].step(), dst, o.out[0].step(), st->r, st->buffer.data())
                 : ruxiDFTFwd_RToPack_32f_C1R(src, o.in[0].step(), dst, o.out[0].step(), st->r, st->buffer.data());
}

int ruxComplex(Operands& o, std::shared_ptr<RuxDft> st) {
  const RuxImageSize roi{o.roi().width / 2, o.roi().height};
  if (!st->c) {
    if (int s = ruxiDFTInitAlloc_C_32fc(&st->c, roi, ruxFftDivInvByN, ruxHintNone)) return s;
    int bytes = 0;
    ruxiDFTGetBufSize_C_32fc(st->c, &bytes);
    st->buffer.resize(bytes);
  }
  return ruxiDFTFwd_CToC_32fc_C1R(o.in[0].ptr<Rux32fc>(), o.in[0].step(), o.out[0].ptr<Rux32fc>(), o.out[0].step(),
                                  st->c, st->buffer.data());
}

#ifdef RUX_HAVE_FFTW
struct FftwPlan {
  RuxImageSize size{0, 0};
  fftwf_plan plan = nullptr;
  fftwf_complex* spectrum = nullptr;
};

// r2c (forward) or c2r (inverse) of the operands' size; the half spectrum lives beside them.
int fftwReal(Operands& o, std::shared_ptr<FftwPlan> st, bool inverse, int threads) {
  const RuxImageSize roi = o.roi();
  const int W = roi.width, H = roi.height;
  if (st->plan && (st->size.width != W || st->size.height != H)) {
    fftwf_destroy_plan(st->plan);
    fftwf_free(st->spectrum);
    st->plan = nullptr;
  }
  if (!st->plan) {
    st->size = roi;
    fftwf_plan_with_nthreads(threads);
    st->spectrum = fftwf_alloc_complex(static_cast<std::size_t>(W / 2 + 1) * H);
    // Real rows at the operands' step, the half spectrum contiguous.
    const int rs = (inverse ? o.out[0].step() : o.in[0].step()) / 4;
    float* tmp = fftwf_alloc_real(static_cast<std::size_t>(rs) * H);
    const int cs = W / 2 + 1;
    fftwf_iodim real[2] = {{H, rs, cs}, {W, 1, 1}};
    fftwf_iodim cplx[2] = {{H, cs, rs}, {W, 1, 1}};
    st->plan = inverse ? fftwf_plan_guru_dft_c2r(2, cplx, 0, nullptr, st->spectrum, tmp, FFTW_MEASURE)
                       : fftwf_plan_guru_dft_r2c(2, real, 0, nullptr, tmp, st->spectrum, FFTW_MEASURE);
    fftwf_free(tmp);
    if (!st->plan) return -1;
  }
  if (inverse) fftwf_execute_dft_c2r(st->plan, st->spectrum, o.out[0].ptr<float>());
  else fftwf_execute_dft_r2c(st->plan, o.in[0].ptr<float>(), st->spectrum);
  return 0;
}
#endif

void addReal(const std::string& name, bool dftFamily, bool inverse, std::vector<Size> sizes) {
  for (int threads : {1, 2}) {
    auto rux = std::make_shared<RuxDft>();
    std::vector<Variant> v;
    v.push_back({"rux",
                 [rux, inverse, dftFamily](Operands& o) { return ruxReal(o, rux, inverse, dftFamily); },
                 false, threads});
#ifdef RUX_HAVE_OPENCV
    v.push_back({"cv",
                 [inverse](Operands& o) {
                   cv::dft(o.in[0].mat, o.out[0].mat, inverse ? cv::DFT_INVERSE | cv::DFT_REAL_OUTPUT | cv::DFT_SCALE : 0);
                   return 0;
                 },
                 false, threads});
#endif
#ifdef RUX_HAVE_FFTW
    auto plan = std::make_shared<FftwPlan>();
    v.push_back({"fftw", [plan, inverse, threads](Operands& o) { return fftwReal(o, plan, inverse, threads); }, false,
                 threads});
#endif
    ruxbench::addCase(threads == 1 ? name : name + "-2t", realImages(), v, sizes);
  }
}

struct RuxDct {
  RuxImageSize size{0, 0};
  RuxDctFwdSpec_32f* f = nullptr;
  RuxDctInvSpec_32f* i = nullptr;
  std::vector<Rux8u> buffer;
};

int ruxDct(Operands& o, std::shared_ptr<RuxDct> st, bool inverse) {
  const RuxImageSize roi = o.roi();
  if (roi.width != st->size.width || roi.height != st->size.height) {
    if (st->f) ruxiDCTFwdFree_32f(st->f);
    if (st->i) ruxiDCTInvFree_32f(st->i);
    st->f = nullptr;
    st->i = nullptr;
    st->size = roi;
    int bytes = 0;
    if (inverse) {
      if (int s = ruxiDCTInvInitAlloc_32f(&st->i, roi, ruxHintNone)) return s;
      ruxiDCTInvGetBufSize_32f(st->i, &bytes);
    } else {
      if (int s = ruxiDCTFwdInitAlloc_32f(&st->f, roi, ruxHintNone)) return s;
      ruxiDCTFwdGetBufSize_32f(st->f, &bytes);
    }
    st->buffer.resize(bytes);
  }
  const Rux32f* src = o.in[0].ptr<Rux32f>();
  Rux32f* dst = o.out[0].ptr<Rux32f>();
  return inverse ? ruxiDCTInv_32f_C1R(src, o.in[0].step(), dst, o.out[0].step(), st->i, st->buffer.data())
                 : ruxiDCTFwd_32f_C1R(src, o.in[0].step(), dst, o.out[0].step(), st->f, st->buffer.data());
}

void addDct(const std::string& name, bool inverse) {
  for (int threads : {1, 2}) {
    auto rux = std::make_shared<RuxDct>();
    std::vector<Variant> v;
    v.push_back({"rux", [rux, inverse](Operands& o) { return ruxDct(o, rux, inverse); }, false, threads});
#ifdef RUX_HAVE_OPENCV
    v.push_back({"cv",
                 [inverse](Operands& o) {
                   cv::dct(o.in[0].mat, o.out[0].mat, inverse ? cv::DCT_INVERSE : 0);
                   return 0;
                 },
                 false, threads});
#endif
    ruxbench::addCase(threads == 1 ? name : name + "-2t", realImages(), v, {{512, 512}, {1000, 1000}});
  }
}

void registerFft() {
  addDct("DCTFwd_32f_C1R", false);
  addDct("DCTInv_32f_C1R", true);
#ifdef RUX_HAVE_FFTW
  fftwf_init_threads();
#endif
  // The FFT and DFT families run the same engine; the DFT entry points take any size.
  addReal("FFTFwd_RToPack_32f_C1R", false, false, {{1024, 1024}, {512, 512}});
  addReal("FFTInv_PackToR_32f_C1R", false, true, {{1024, 1024}, {512, 512}});
  addReal("DFTFwd_RToPack_32f_C1R", true, false, {{1000, 1000}, {997, 997}});
  for (int threads : {1, 2}) {
    auto rux = std::make_shared<RuxDft>();
    std::vector<Variant> v;
    v.push_back({"rux", [rux](Operands& o) { return ruxComplex(o, rux); }, false, threads});
#ifdef RUX_HAVE_OPENCV
    v.push_back({"cv",
                 [](Operands& o) {
                   const cv::Mat src(o.in[0].mat.rows, o.in[0].mat.cols / 2, CV_32FC2, o.in[0].mat.data, o.in[0].mat.step);
                   cv::Mat dst(o.out[0].mat.rows, o.out[0].mat.cols / 2, CV_32FC2, o.out[0].mat.data, o.out[0].mat.step);
                   cv::dft(src, dst, 0);
                   return 0;
                 },
                 false, threads});
#endif
    ruxbench::addCase(threads == 1 ? "DFTFwd_CToC_32fc_C1R" : "DFTFwd_CToC_32fc_C1R-2t", complexImages(), v,
                      {{1024, 1024}});
  }
}

const int kRegistered = ruxbench::addFamily(&registerFft);

}  // namespace
