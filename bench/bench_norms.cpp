// Norms, dot products and quality measures: Norm_L2 8u and NormDiff_L1 32f against cv::norm,
// DotProd 8u against cv::Mat::dot; QualityIndex and SSIM on 1 and 2 threads (no counterpart).
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
Operands sources(Size s, int count) {
  Operands o;
  for (int k = 0; k < count; ++k) o.in.push_back(Image::random<T>(s, 1, 21 + k));
  return o;
}

template <class T>
const T* in(const Operands& o, int k) {
  return o.in[k].ptr<T>();
}

// Results are scalars: keep them observable so the calls are not optimised away.
volatile double g_sink;

void registerNorms() {
  const std::vector<Size> fullHd = {ruxbench::kFullHd};

  // NormDiff_Inf over the same bytes in one and three channels (the same speed is the goal).
  ruxbench::addCase(
      "NormDiff_Inf_8u_C1R", [](Size s) { return sources<Rux8u>(s, 2); },
      {
          {"rux",
           [](Operands& o) {
             Rux64f v = 0;
             const RuxResult r = ruxiNormDiff_Inf_8u_C1R(in<Rux8u>(o, 0), o.in[0].step(), in<Rux8u>(o, 1),
                                                         o.in[1].step(), o.roi(), &v);
             g_sink = v;
             return r;
           }},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [](Operands& o) {
             g_sink = cv::norm(o.in[0].mat, o.in[1].mat, cv::NORM_INF);
             return 0;
           }},
#endif
      },
      {{3 * ruxbench::kFullHd.width, ruxbench::kFullHd.height}});
  ruxbench::addCase(
      "NormDiff_Inf_8u_C3R",
      [](Size s) {
        Operands o;
        for (int k = 0; k < 2; ++k) o.in.push_back(Image::random<Rux8u>(s, 3, 21 + k));
        return o;
      },
      {
          {"rux",
           [](Operands& o) {
             Rux64f v[3] = {};
             const RuxResult r = ruxiNormDiff_Inf_8u_C3R(in<Rux8u>(o, 0), o.in[0].step(), in<Rux8u>(o, 1),
                                                         o.in[1].step(), o.roi(), v);
             g_sink = v[0] + v[1] + v[2];
             return r;
           }},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [](Operands& o) {
             g_sink = cv::norm(o.in[0].mat, o.in[1].mat, cv::NORM_INF);
             return 0;
           }},
#endif
      },
      fullHd);

  ruxbench::addCase(
      "Norm_L2_8u_C1R", [](Size s) { return sources<Rux8u>(s, 1); },
      {
          {"rux",
           [](Operands& o) {
             Rux64f v = 0;
             const RuxResult r = ruxiNorm_L2_8u_C1R(in<Rux8u>(o, 0), o.in[0].step(), o.roi(), &v);
             g_sink = v;
             return r;
           }},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [](Operands& o) {
             g_sink = cv::norm(o.in[0].mat, cv::NORM_L2);
             return 0;
           }},
#endif
      },
      fullHd);

  ruxbench::addCase(
      "NormDiff_L1_32f_C1R", [](Size s) { return sources<Rux32f>(s, 2); },
      {
          {"rux",
           [](Operands& o) {
             Rux64f v = 0;
             const RuxResult r =
                 ruxiNormDiff_L1_32f_C1R(in<Rux32f>(o, 0), o.in[0].step(), in<Rux32f>(o, 1),
                                         o.in[1].step(), o.roi(), &v, ruxHintFast);
             g_sink = v;
             return r;
           }},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [](Operands& o) {
             g_sink = cv::norm(o.in[0].mat, o.in[1].mat, cv::NORM_L1);
             return 0;
           }},
#endif
      },
      fullHd);

  ruxbench::addCase(
      "DotProd_8u64f_C1R", [](Size s) { return sources<Rux8u>(s, 2); },
      {
          {"rux",
           [](Operands& o) {
             Rux64f v = 0;
             const RuxResult r = ruxiDotProd_8u64f_C1R(in<Rux8u>(o, 0), o.in[0].step(),
                                                       in<Rux8u>(o, 1), o.in[1].step(), o.roi(), &v);
             g_sink = v;
             return r;
           }},
#ifdef RUX_HAVE_OPENCV
          {"cv",
           [](Operands& o) {
             g_sink = o.in[0].mat.dot(o.in[1].mat);
             return 0;
           }},
#endif
      },
      fullHd);

  const Variant quality{"rux", [](Operands& o) {
                          Rux32f q = 0;
                          const RuxResult r = ruxiQualityIndex_32f_C1R(
                              in<Rux32f>(o, 0), o.in[0].step(), in<Rux32f>(o, 1), o.in[1].step(),
                              o.roi(), &q);
                          g_sink = q;
                          return r;
                        }};
  const auto twoFloats = [](Size s) { return sources<Rux32f>(s, 2); };
  ruxbench::addCase("QualityIndex_32f_C1R", twoFloats, {quality}, fullHd);
  Variant quality2 = quality;
  quality2.threads = 2;
  ruxbench::addCase("QualityIndex_32f_C1R-2t", twoFloats, {quality2}, fullHd);

  const auto moments = [](Size s) {
    Operands o = sources<Rux32f>(s, 5);
    o.out = images(Image::random<Rux32f>(s, 1, 40));
    return o;
  };
  const Variant ssim{"rux", [](Operands& o) {
                       return ruxiSSIM_32f_C1R(
                           in<Rux32f>(o, 0), o.in[0].step(), in<Rux32f>(o, 1), o.in[1].step(),
                           in<Rux32f>(o, 2), o.in[2].step(), in<Rux32f>(o, 3), o.in[3].step(),
                           in<Rux32f>(o, 4), o.in[4].step(), o.out[0].ptr<Rux32f>(), o.out[0].step(),
                           o.roi(), ruxHintFast, 1e-4f, 9e-4f);
                     }};
  ruxbench::addCase("SSIM_32f_C1R", moments, {ssim}, fullHd);
  Variant ssim2 = ssim;
  ssim2.threads = 2;
  ruxbench::addCase("SSIM_32f_C1R-2t", moments, {ssim2}, fullHd);
}

const int kRegistered = ruxbench::addFamily(&registerNorms);

}  // namespace
