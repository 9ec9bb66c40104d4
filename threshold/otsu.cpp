// ComputeThreshold_Otsu: the global threshold of an 8u image that maximises the between-class
// variance of its histogram.
//
// The histogram is counted in integers (four interleaved sub-histograms, so that runs of equal
// samples do not serialise on one counter) and then evaluated in double precision: bin k stands for
// the level k + 0.5; for each k the class weights w0 (bins 0..k) and w1 = 1 - w0 and the class
// means give sigma^2 = w0 w1 (mu0 - mu1)^2. A bin is evaluated only while both weights lie in
// [2^-23, 1 - 2^-23], and it wins only with a strictly greater variance, so among equal maxima
// the lowest level wins; with no positive variance the result is 0.
// Validation: source or result pointer null (-8), size (-6), then a source step smaller than the
// row (-14).
#include <cstdint>
#include <cstring>

#include "core/base.h"

namespace rux {
namespace {

void histogram(const Rux8u* src, int srcStep, RuxImageSize roi, double (&h)[256]) {
  std::uint64_t part[4][256] = {};
  const int w = roi.width;
  for (int y = 0; y < roi.height; ++y) {
    const Rux8u* row = rowPtr(src, srcStep, y);
    int x = 0;
    // Eight samples per load; each sub-histogram takes every fourth byte.
    for (; x + 8 <= w; x += 8) {
      std::uint64_t v;
      std::memcpy(&v, row + x, sizeof(v));
      ++part[0][v & 0xff];
      ++part[1][(v >> 8) & 0xff];
      ++part[2][(v >> 16) & 0xff];
      ++part[3][(v >> 24) & 0xff];
      ++part[0][(v >> 32) & 0xff];
      ++part[1][(v >> 40) & 0xff];
      ++part[2][(v >> 48) & 0xff];
      ++part[3][v >> 56];
    }
    for (; x < w; ++x) ++part[0][row[x]];
  }
  for (int k = 0; k < 256; ++k) {
    h[k] = static_cast<double>(part[0][k] + part[1][k] + part[2][k] + part[3][k]);
  }
}

Rux8u otsuLevel(const double (&h)[256]) {
  constexpr double kMinWeight = 1.1920928955078125e-7;
  constexpr double kMaxWeight = 0.9999998807907104;
  double n = 0;
  for (double c : h) n += c;
  const double invN = (n > kMinWeight || n < -kMinWeight) ? 1.0 / n : 0.0;
  double sum = 0;
  for (int k = 0; k < 256; ++k) sum += (k + 0.5) * h[k];
  const double muT = invN * sum;
  double w0 = 0, m0 = 0, best = 0, level = 0.5;
  for (int k = 0; k < 256; ++k) {
    const double p = h[k] * invN;
    w0 += p;
    m0 += p * (k + 0.5);
    const double w1 = 1.0 - w0;
    const double lo = w0 < w1 ? w0 : w1;
    const double hi = w0 < w1 ? w1 : w0;
    if (lo < kMinWeight || hi > kMaxWeight) continue;
    const double mu0 = m0 / w0;
    const double mu1 = (muT - w0 * mu0) / w1;
    const double d = mu0 - mu1;
    const double var = (w0 * w1) * (d * d);
    if (var > best) {
      best = var;
      level = k + 0.5;
    }
  }
  return static_cast<Rux8u>(level);
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiComputeThreshold_Otsu_8u_C1R(const Rux8u* pSrc, int srcStep,
                                                  RuxImageSize roiSize, Rux8u* pThreshold) {
  if (anyNull(pSrc, pThreshold)) return ruxStatusNullPointer;
  if (badSize(roiSize)) return ruxStatusBadSize;
  if (srcStep < roiSize.width) return ruxStatusBadStep;
  double h[256];
  histogram(pSrc, srcStep, roiSize, h);
  *pThreshold = otsuLevel(h);
  return ruxStatusOk;
}
