// Image quality measures: the universal quality index of two images (QualityIndex) and the
// structural similarity map from local moments (SSIM).
//
// QualityIndex, per channel: Q = 4 Sxy mx my / ((Sxx + Syy)(mx^2 + my^2)) with the means mx, my
// and the centred sums Sxx, Syy, Sxy.
//  - Means: the two images are summed as two iterations of a parallel loop, each by one
//    thread, so they never depend on the thread count: 8u and 16u exactly in integers, 32f with
//    single-precision row sums added in double. C1 divides by the pixel count, the other
//    layouts multiply by its reciprocal.
//  - Centred sums: regions of 1 MiB read and more split their rows with the master split (the
//    last thread also takes the remainder); smaller ones run on the calling thread. The master allocates one scratch block, a slice of width + 3 x channels floats
//    per thread: the centred row of the first image, then the thread's partial Sxx, Syy, Sxy of
//    each channel. Rows are converted to float before the (float) means are subtracted; row
//    sums and partials are single precision, and the partials are added in thread order, so the
//    index may change in the last bits with the thread count.
//  - D = (Sxx + Syy)(mx^2 + my^2) in double; D < 2^-23 gives the quiet NaN 0xFFC00000 and
//    ruxStatusQualityUndefined for that channel (the other channels keep their values).
// Validation: null (-8), size (-6), steps < 1 (-14), scratch (-9, nothing written).
//
// SSIM = (C1 + 2 mx my)(C2 + 2 Exy - 2 mx my) / ((C1 + mx^2 + my^2)(C2 + Exx + Eyy - mx^2 - my^2))
// per pixel (evaluated around the covariance and the variances), in double for hint 2 and in
// single precision otherwise; from 1 MiB touched, rows are shared among threads by the static
// schedule (pixels are independent, so the thread count never matters).
// Validation: null (-8), size (-6), steps < 1 (-14), C1 or C2 not above 2^-23 or hint outside
// 0..2 (-5).
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/norm_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

constexpr double kQualityEps = 1.1920928955078125e-07;  // 2^-23

// Sum per channel of C interleaved channels, by the rules of the means above.
template <class T, int C>
void channelSums(const T* src, int step, RuxImageSize roi, const NormKernels& k, double* sum) {
  const auto n = static_cast<std::size_t>(roi.width);
  if constexpr (std::is_same_v<T, Rux32f>) {
    const FloatNormRowFn fn = k.floatSum[layoutIndex(C)];
    double total[4] = {0, 0, 0, 0}, row[4];
    for (int y = 0; y < roi.height; ++y) {
      fn(rowPtr(src, step, y), nullptr, n, row);
      for (int c = 0; c < C; ++c) total[c] += row[c];
    }
    for (int c = 0; c < C; ++c) sum[c] = total[c];
  } else {
    // The L1 norm of unsigned samples is their exact sum.
    const IntNormRowFn fn =
        k.intNorm[std::is_same_v<T, Rux8u> ? kNorm8u : kNorm16u][kNormL1][layoutIndex(C)][0];
    unsigned __int128 total[4] = {0, 0, 0, 0};
    std::uint64_t row[4];
    for (int y = 0; y < roi.height; ++y) {
      fn(rowPtr(src, step, y), nullptr, n, row);
      for (int c = 0; c < C; ++c) total[c] += row[c];
    }
    for (int c = 0; c < C; ++c) sum[c] = static_cast<double>(total[c]);
  }
}

template <class T, int C, int kOut>
RuxResult qualityIndex(const T* src1, int src1Step, const T* src2, int src2Step, RuxImageSize roi,
                       Rux32f* result) {
  if (anyNull(src1, src2, result)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (src1Step < 1 || src2Step < 1) return ruxStatusBadStep;

  const NormKernels& k = normKernels();
  constexpr int kType = std::is_same_v<T, Rux8u>    ? kCentred8u
                        : std::is_same_v<T, Rux16u> ? kCentred16u
                                                    : kCentred32f;
  const CentredRowFn centred = k.centred[kType][layoutIndex(C)];
  const int threads = par::threadsForBytes(static_cast<long long>(roi.width) * C * sizeof(T) * 2 *
                                           roi.height);
  double sums[2][4];
  par::forEachRowBlock(2, threads, [&](par::RowRange r) {
    for (int i = r.begin; i < r.end; ++i) {
      channelSums<T, C>(i == 0 ? src1 : src2, i == 0 ? src1Step : src2Step, roi, k, sums[i]);
    }
  });
  const double count = static_cast<double>(roi.width) * roi.height;
  double mean[2][kOut];
  for (int i = 0; i < 2; ++i) {
    for (int c = 0; c < kOut; ++c) {
      mean[i][c] = C == 1 ? sums[i][c] / count : sums[i][c] * (1.0 / count);
    }
  }
  float meanf[2][kOut];
  for (int i = 0; i < 2; ++i) {
    for (int c = 0; c < kOut; ++c) meanf[i][c] = static_cast<float>(mean[i][c]);
  }

  constexpr int kParts = 3 * kOut;
  const long long slice = static_cast<long long>(roi.width) + kParts;
  par::PerThreadScratch<float> scratch;
  int used = 1;
  const RuxResult status = par::masterRegion(
      threads,
      [&](int t) {
        used = t;
        return scratch.allocate(t, slice);
      },
      [&](int t, int nt) {
        float* xs = scratch.slice(t);
        float* part = xs + roi.width;
        for (int p = 0; p < kParts; ++p) part[p] = 0.0f;
        const par::RowRange r = par::splitFloor(roi.height, nt, t);
        for (int y = r.begin; y < r.end; ++y) {
          const T* a = rowPtr(src1, src1Step, y);
          const T* b = rowPtr(src2, src2Step, y);
          for (int c = 0; c < kOut; ++c) {
            centred(a, b, static_cast<std::size_t>(roi.width), c, meanf[0][c], meanf[1][c], xs,
                    part + 3 * c);
          }
        }
      });
  if (status != ruxStatusOk) return status;

  RuxResult out = ruxStatusOk;
  for (int c = 0; c < kOut; ++c) {
    float sxx = 0.0f, syy = 0.0f, sxy = 0.0f;
    for (int t = 0; t < used; ++t) {
      const float* part = scratch.slice(t) + roi.width + 3 * c;
      sxx += part[0];
      syy += part[1];
      sxy += part[2];
    }
    const double mx = mean[0][c], my = mean[1][c];
    const double d = (static_cast<double>(sxx) + syy) * (mx * mx + my * my);
    if (d < kQualityEps) {
      const std::uint32_t nanBits = 0xFFC00000u;
      std::memcpy(&result[c], &nanBits, sizeof(float));
      out = ruxStatusQualityUndefined;
    } else {
      result[c] = static_cast<float>(4.0 * sxy * mx * my / d);
    }
  }
  return out;
}

// The formula regrouped around the covariance and the variances (Exy - mx my, Exx - mx^2, ...):
// the same value with less cancellation, and exactly 1 where the moments of x and y agree.
template <class F>
void ssimRow(const float* mx, const float* my, const float* exx, const float* eyy,
             const float* exy, float* dst, int width, F c1, F c2) {
  for (int i = 0; i < width; ++i) {
    const F x = loadAt(mx + i), y = loadAt(my + i);
    const F xy = x * y, xx = x * x, yy = y * y;
    const F cov = static_cast<F>(loadAt(exy + i)) - xy;
    const F vars = (static_cast<F>(loadAt(exx + i)) - xx) + (static_cast<F>(loadAt(eyy + i)) - yy);
    const F num = (c1 + F(2) * xy) * (c2 + F(2) * cov);
    const F den = (c1 + (xx + yy)) * (c2 + vars);
    storeAt(dst + i, static_cast<float>(num / den));
  }
}

RuxResult ssim(const Rux32f* mx, int mxStep, const Rux32f* my, int myStep, const Rux32f* exx,
               int exxStep, const Rux32f* eyy, int eyyStep, const Rux32f* exy, int exyStep,
               Rux32f* dst, int dstStep, RuxImageSize roi, int hint, Rux32f c1, Rux32f c2) {
  if (anyNull(mx, my, exx, eyy, exy, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (mxStep < 1 || myStep < 1 || exxStep < 1 || eyyStep < 1 || exyStep < 1 || dstStep < 1) {
    return ruxStatusBadStep;
  }
  if (!(c1 > kQualityEps) || !(c2 > kQualityEps)) return ruxStatusBadArg;
  if (hint < 0 || hint > 2) return ruxStatusBadArg;
  par::forEachRowBlockBySize(roi.height, 24LL * roi.width, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      const float* rows[5] = {rowPtr(mx, mxStep, y), rowPtr(my, myStep, y), rowPtr(exx, exxStep, y),
                              rowPtr(eyy, eyyStep, y), rowPtr(exy, exyStep, y)};
      float* out = rowPtr(dst, dstStep, y);
      if (hint == ruxHintAccurate) {
        ssimRow<double>(rows[0], rows[1], rows[2], rows[3], rows[4], out, roi.width, c1, c2);
      } else {
        ssimRow<float>(rows[0], rows[1], rows[2], rows[3], rows[4], out, roi.width, c1, c2);
      }
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_QUALITY(type, T)                                                                     \
  RUXAPI RuxResult ruxiQualityIndex_##type##_C1R(const T* pSrc1, int src1Step, const T* pSrc2,   \
                                                 int src2Step, RuxImageSize roiSize,             \
                                                 Rux32f* pQualityIndex) {                        \
    return qualityIndex<T, 1, 1>(pSrc1, src1Step, pSrc2, src2Step, roiSize, pQualityIndex);      \
  }                                                                                              \
  RUXAPI RuxResult ruxiQualityIndex_##type##_C3R(const T* pSrc1, int src1Step, const T* pSrc2,   \
                                                 int src2Step, RuxImageSize roiSize,             \
                                                 Rux32f qualityIndex[3]) {                       \
    return rux::qualityIndex<T, 3, 3>(pSrc1, src1Step, pSrc2, src2Step, roiSize, qualityIndex);  \
  }                                                                                              \
  RUXAPI RuxResult ruxiQualityIndex_##type##_AC4R(const T* pSrc1, int src1Step, const T* pSrc2,  \
                                                  int src2Step, RuxImageSize roiSize,            \
                                                  Rux32f qualityIndex[3]) {                      \
    return rux::qualityIndex<T, 4, 3>(pSrc1, src1Step, pSrc2, src2Step, roiSize, qualityIndex);  \
  }

RUX_QUALITY(8u32f, Rux8u)
RUX_QUALITY(16u32f, Rux16u)
RUX_QUALITY(32f, Rux32f)

RUXAPI RuxResult ruxiSSIM_32f_C1R(const Rux32f* pSrcMeanX, int srcMeanXStep,
                                  const Rux32f* pSrcMeanY, int srcMeanYStep,
                                  const Rux32f* pSrcMeanXX, int srcMeanXXStep,
                                  const Rux32f* pSrcMeanYY, int srcMeanYYStep,
                                  const Rux32f* pSrcMeanXY, int srcMeanXYStep, Rux32f* pDst,
                                  int dstStep, RuxImageSize roiSize, RuxAccuracyHint hint,
                                  Rux32f C1, Rux32f C2) {
  return ssim(pSrcMeanX, srcMeanXStep, pSrcMeanY, srcMeanYStep, pSrcMeanXX, srcMeanXXStep,
              pSrcMeanYY, srcMeanYYStep, pSrcMeanXY, srcMeanXYStep, pDst, dstStep, roiSize,
              hintValue(hint), C1, C2);
}
