// Deconvolution of 32f images by a square kernel of K x K weights: inverse filtering in the
// frequency domain (DeconvFFT) and the Lucy-Richardson iteration (DeconvLR), one and three
// channels. Both read only the source region.
//
// States: one block from the core services that begins with an identifier (one per state kind:
// FFT C1, FFT C3, LR C1, LR C3), checked by every use and by Free (-17 for a state of another
// kind); Free clears it, so a stale pointer no longer passes.
//
// DeconvFFT, initialisation: N = 2^order. The kernel is placed in a zeroed N x N complex array
// with its centre c = (K - 1) / 2 at the origin (wrapped around) and transformed forward with
// the complex 2-D FFT (division by N^2 on the inverse). Per frequency, H = a + ib is the
// Hermitian part of the result ((H(u, v) + conj H(-u, -v)) / 2, so the filter of a real kernel
// is exactly Hermitian); a component with |a| or |b| below the threshold becomes 0; when both are
// then at most the threshold the inverse filter is 1, otherwise (a - ib) / (a^2 + b^2), formed in
// double and rounded once to float (components beyond the float range saturate).
// Execution: the region is extended by c pixels on the left and top and K - 1 - c on the right and
// bottom; an extended pixel is its nearest region pixel times, per axis, the share of the kernel's
// absolute weight (summed over the other axis) that reaches into the region when the kernel is
// centred on it. The extended region sits at the origin of the zeroed array (so N must be at
// least roi + K - 1 in both directions); it is transformed, multiplied by the inverse filter,
// transformed back, and the region is copied to the destination. Two channels share one complex
// transform (real and imaginary parts: the filter is Hermitian, so they stay apart), so C3 costs
// two transforms.
//
// DeconvLR: the estimate starts as the observed image g. Each iteration forms the blurred
// estimate B = K * E (convolution: tap (i, j) reads E(x + c - j, y + c - i)), the ratio
// R = g / B where B > threshold and R = 1 elsewhere (no division by zero for any threshold), and
// E = E x (K (x) R) (correlation: tap (i, j) reads R(x + j - c, y + i - c)). E and R are read
// beyond the region as their nearest region pixel (replicated). Sums run in single precision in tap
// order (the vector tap engine of the linear filters), zero weights skipped. The final estimate is
// written to the destination, so the source is read until the end (and may be the destination).
// Rows of each pass are split among the library's threads for regions of at least 64 x 64 pixels;
// every sample is computed the same way on any thread.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/conv_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

constexpr std::int32_t kIdFftC1 = 71, kIdFftC3 = 72, kIdLrC1 = 73, kIdLrC3 = 74;

template <class X>
X* carve(unsigned char*& p, long long count) {
  X* r = reinterpret_cast<X*>(p);
  p += (count * static_cast<long long>(sizeof(X)) + 63) & ~63LL;
  return r;
}
long long padded(long long bytes) { return (bytes + 63) & ~63LL; }

bool badThreshold(float t) { return !(t >= 0.0f); }  // negative or NaN

// A barrier among the threads of a region; none on one thread (the call may come from inside a
// caller's parallel region, whose other threads never reach it).
void sync(int threads) {
  if (threads > 1) {
#pragma omp barrier
  }
}

// ---- DeconvFFT ------------------------------------------------------------------------------------

struct FftState {
  std::int32_t id;
  int n, k, c;
  float threshold;
  float* kernel;      // K x K
  float* share[4];    // left, right, top, bottom: share[d] for d = 1 .. extent (index 0 unused)
  Rux32fc* spectrum;  // N x N
  Rux32fc* filter;    // N x N
  RuxFftSpec_C_32fc* fft;
  Rux8u* fftBuffer;
};

// The share of the kernel's weight along one axis (sums of |weights| per index) that reaches
// the region from d pixels before it (side 0: indices j <= c - d) or after it (j >= c + d).
void shares(const double* a, int K, int c, float* before, float* after) {
  double total = 0;
  for (int j = 0; j < K; ++j) total += a[j];
  for (int d = 1; d <= K - 1; ++d) {
    double lo = 0, hi = 0;
    for (int j = 0; j < K; ++j) {
      if (j <= c - d) lo += a[j];
      if (j >= c + d) hi += a[j];
    }
    before[d] = total > 0 ? static_cast<float>(lo / total) : 0.0f;
    after[d] = total > 0 ? static_cast<float>(hi / total) : 0.0f;
  }
}

float saturated(double v) { return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX))); }

void buildFilter(FftState& s) {
  const int N = s.n;
  const std::ptrdiff_t n = N;
  const double thr = s.threshold;
  for (int u = 0; u < N; ++u)
    for (int v = 0; v < N; ++v) {
      const Rux32fc h = s.spectrum[u * n + v];
      const Rux32fc m = s.spectrum[((N - u) % N) * n + (N - v) % N];
      double a = (static_cast<double>(h.re) + static_cast<double>(m.re)) * 0.5;
      double b = (static_cast<double>(h.im) - static_cast<double>(m.im)) * 0.5;
      if (std::fabs(a) < thr) a = 0;
      if (std::fabs(b) < thr) b = 0;
      Rux32fc f{1.0f, 0.0f};
      if (std::fabs(a) > thr || std::fabs(b) > thr) {
        const double d = a * a + b * b;
        f = Rux32fc{saturated(a / d), saturated(-b / d)};
      }
      s.filter[u * n + v] = f;
    }
}

RuxResult freeFft(FftState* s) {
  if (s->fft) ruxiFFTFree_C_32fc(s->fft);
  s->id = 0;
  ruxFree(s);
  return ruxStatusOk;
}

template <int C>
RuxResult fftInitAlloc(void** out, const Rux32f* kernel, int K, int order, Rux32f threshold) {
  if (!out || !kernel) return ruxStatusNullPointer;
  const long long N = order < 0 ? 0 : (order > 30 ? INT_MAX : 1LL << order);
  if (K < 1 || K > N) return ruxStatusBadSize;
  if (badThreshold(threshold)) return ruxStatusBadArg;
  if (order > 29) return ruxStatusBadFftOrder;  // the 2-D FFT's range
  const long long bytes = padded(sizeof(FftState)) + padded(4LL * K * K) + 4 * padded(4LL * K) +
                          2 * padded(8LL * N * N);
  if (bytes > INT_MAX) return ruxStatusNoMemory;
  unsigned char* block = static_cast<unsigned char*>(ruxMalloc(static_cast<int>(bytes)));
  if (!block) return ruxStatusNoMemory;
  unsigned char* p = block;
  FftState* s = carve<FftState>(p, 1);
  *s = FftState{};
  s->n = static_cast<int>(N);
  s->k = K;
  s->c = (K - 1) / 2;
  s->threshold = threshold;
  s->kernel = carve<float>(p, 1LL * K * K);
  for (int i = 0; i < 4; ++i) s->share[i] = carve<float>(p, K);
  s->spectrum = carve<Rux32fc>(p, N * N);
  s->filter = carve<Rux32fc>(p, N * N);
  s->fftBuffer = nullptr;
  RuxResult st = ruxiFFTInitAlloc_C_32fc(&s->fft, order, order, ruxFftDivInvByN, ruxHintNone);
  int bufBytes = 0;
  if (st == ruxStatusOk) st = ruxiFFTGetBufSize_C_32fc(s->fft, &bufBytes);
  if (st == ruxStatusOk && bufBytes > 0) {
    s->fftBuffer = static_cast<Rux8u*>(ruxMalloc(bufBytes));
    if (!s->fftBuffer) st = ruxStatusNoMemory;
  }
  if (st != ruxStatusOk) {
    ruxFree(s->fftBuffer);
    freeFft(s);
    return st;
  }
  std::memcpy(s->kernel, kernel, sizeof(float) * static_cast<std::size_t>(K) * K);
  // Shares per axis from the absolute weights summed over the other axis.
  double colSum[1024], rowSum[1024];
  double* cols = K <= 1024 ? colSum : nullptr;
  Scratch<double> big(K > 1024 ? 2LL * K : 0);
  if (!cols) {
    if (!big) {
      ruxFree(s->fftBuffer);
      freeFft(s);
      return ruxStatusNoMemory;
    }
    cols = big.get();
  }
  double* rows = K <= 1024 ? rowSum : big.get() + K;
  for (int j = 0; j < K; ++j) cols[j] = rows[j] = 0;
  for (int i = 0; i < K; ++i)
    for (int j = 0; j < K; ++j) {
      const double w = std::fabs(static_cast<double>(s->kernel[static_cast<std::ptrdiff_t>(i) * K + j]));
      cols[j] += w;
      rows[i] += w;
    }
  shares(cols, K, s->c, s->share[0], s->share[1]);
  shares(rows, K, s->c, s->share[2], s->share[3]);
  // Kernel centre at the origin.
  std::memset(static_cast<void*>(s->spectrum), 0, sizeof(Rux32fc) * static_cast<std::size_t>(N * N));
  for (int i = 0; i < K; ++i)
    for (int j = 0; j < K; ++j) {
      const long long r = ((i - s->c) % N + N) % N, q = ((j - s->c) % N + N) % N;
      s->spectrum[r * N + q].re = s->kernel[static_cast<std::ptrdiff_t>(i) * K + j];
    }
  const int step = static_cast<int>(8 * N);
  ruxiFFTFwd_CToC_32fc_C1IR(s->spectrum, step, s->fft, s->fftBuffer);
  buildFilter(*s);
  s->id = C == 1 ? kIdFftC1 : kIdFftC3;
  *out = s;
  return ruxStatusOk;
}

FftState* fftState(void* p, int C) {
  FftState* s = static_cast<FftState*>(p);
  return s->id == (C == 1 ? kIdFftC1 : kIdFftC3) ? s : nullptr;
}

RuxResult fftFree(void* p, int C) {
  if (!p) return ruxStatusNullPointer;
  FftState* s = fftState(p, C);
  if (!s) return ruxStatusBadContext;
  ruxFree(s->fftBuffer);
  return freeFft(s);
}

bool badImageSteps(int srcStep, int dstStep, int width, int C, RuxResult* st) {
  const long long row = 4LL * width * C;
  if (srcStep < row || dstStep < row) {
    *st = ruxStatusBadStep;
    return true;
  }
  if (srcStep % 4 != 0 || dstStep % 4 != 0) {
    *st = ruxStatusMisalignedStep;
    return true;
  }
  return false;
}

// Channel re (and im, unless negative) of the extended region into the zeroed spectrum.
template <int C>
void fillExtended(const FftState& s, const Rux32f* src, int srcStep, RuxImageSize roi, int re, int im) {
  const int N = s.n, c = s.c, e1 = s.k - 1 - c;
  Rux32fc* a = s.spectrum;
  std::memset(static_cast<void*>(a), 0, sizeof(Rux32fc) * static_cast<std::size_t>(N) * N);
  for (int y = -c; y < roi.height + e1; ++y) {
    const int sy = std::clamp(y, 0, roi.height - 1);
    const float fy = y < 0 ? s.share[2][-y] : (y >= roi.height ? s.share[3][y - roi.height + 1] : 1.0f);
    const Rux32f* row = rowPtr(src, srcStep, sy);
    Rux32fc* out = a + static_cast<std::ptrdiff_t>(y + c) * N + c;
    for (int x = -c; x < roi.width + e1; ++x) {
      const int sx = std::clamp(x, 0, roi.width - 1);
      const float fx = x < 0 ? s.share[0][-x] : (x >= roi.width ? s.share[1][x - roi.width + 1] : 1.0f);
      const float f = fx * fy;
      out[x].re = loadAt(row + sx * C + re) * f;
      if (im >= 0) out[x].im = loadAt(row + sx * C + im) * f;
    }
  }
}

template <int C>
RuxResult deconvFft(const Rux32f* src, int srcStep, Rux32f* dst, int dstStep, RuxImageSize roi, void* state) {
  if (anyNull(src, dst) || !state) return ruxStatusNullPointer;
  FftState* s = fftState(state, C);
  if (!s) return ruxStatusBadContext;
  if (badSize(roi)) return ruxStatusBadSize;
  if (roi.width + static_cast<long long>(s->k) - 1 > s->n || roi.height + static_cast<long long>(s->k) - 1 > s->n)
    return ruxStatusBadSize;
  RuxResult st;
  if (badImageSteps(srcStep, dstStep, roi.width, C, &st)) return st;
  const int N = s->n, c = s->c;
  const std::size_t count = static_cast<std::size_t>(N) * N;
  for (int re = 0; re < C; re += 2) {
    const int im = re + 1 < C ? re + 1 : -1;
    fillExtended<C>(*s, src, srcStep, roi, re, im);
    if ((st = ruxiFFTFwd_CToC_32fc_C1IR(s->spectrum, 8 * N, s->fft, s->fftBuffer))) return st;
    Rux32fc* a = s->spectrum;
    const Rux32fc* h = s->filter;
    for (std::size_t i = 0; i < count; ++i) {
      const float ar = a[i].re, ai = a[i].im, hr = h[i].re, hi = h[i].im;
      a[i].re = ar * hr - ai * hi;
      a[i].im = ar * hi + ai * hr;
    }
    if ((st = ruxiFFTInv_CToC_32fc_C1IR(s->spectrum, 8 * N, s->fft, s->fftBuffer))) return st;
    for (int y = 0; y < roi.height; ++y) {
      const Rux32fc* in = a + static_cast<std::ptrdiff_t>(y + c) * N + c;
      Rux32f* out = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; ++x) {
        storeAt(out + x * C + re, in[x].re);
        if (im >= 0) storeAt(out + x * C + im, in[x].im);
      }
    }
  }
  return ruxStatusOk;
}

// ---- DeconvLR -------------------------------------------------------------------------------------

struct LrState {
  std::int32_t id;
  int maxW, maxH, k, c, pad;  // pad = K - 1 - c pixels around the region in the work images
  float threshold;
  int taps;                   // non-zero weights
  float* weights;             // those weights, row-major order
  int* tapI;                  // their kernel rows and columns
  int* tapJ;
  float* estimate;            // (maxW + 2 pad) x (maxH + 2 pad) pixels
  float* ratio;
};

template <int C>
RuxResult lrInitAlloc(void** out, const Rux32f* kernel, int K, RuxImageSize maxRoi, Rux32f threshold) {
  if (!out || !kernel) return ruxStatusNullPointer;
  if (K < 1 || badSize(maxRoi) || K > maxRoi.width || K > maxRoi.height) return ruxStatusBadSize;
  if (badThreshold(threshold)) return ruxStatusBadArg;
  const int c = (K - 1) / 2, pad = K - 1 - c;
  const long long plane = (maxRoi.width + 2LL * pad) * (maxRoi.height + 2LL * pad) * C;
  const long long bytes = padded(sizeof(LrState)) + padded(4LL * K * K) + 2 * padded(4LL * K * K) + 2 * padded(4 * plane);
  if (bytes > INT_MAX) return ruxStatusNoMemory;
  unsigned char* block = static_cast<unsigned char*>(ruxMalloc(static_cast<int>(bytes)));
  if (!block) return ruxStatusNoMemory;
  unsigned char* p = block;
  LrState* s = carve<LrState>(p, 1);
  *s = LrState{};
  s->maxW = maxRoi.width;
  s->maxH = maxRoi.height;
  s->k = K;
  s->c = c;
  s->pad = pad;
  s->threshold = threshold;
  s->weights = carve<float>(p, 1LL * K * K);
  s->tapI = carve<int>(p, 1LL * K * K);
  s->tapJ = carve<int>(p, 1LL * K * K);
  s->estimate = carve<float>(p, plane);
  s->ratio = carve<float>(p, plane);
  for (int i = 0; i < K; ++i)
    for (int j = 0; j < K; ++j) {
      const float w = loadAt(kernel + static_cast<std::ptrdiff_t>(i) * K + j);
      if (w == 0.0f) continue;
      s->weights[s->taps] = w;
      s->tapI[s->taps] = i;
      s->tapJ[s->taps] = j;
      ++s->taps;
    }
  s->id = C == 1 ? kIdLrC1 : kIdLrC3;
  *out = s;
  return ruxStatusOk;
}

LrState* lrState(void* p, int C) {
  LrState* s = static_cast<LrState*>(p);
  return s->id == (C == 1 ? kIdLrC1 : kIdLrC3) ? s : nullptr;
}

RuxResult lrFree(void* p, int C) {
  if (!p) return ruxStatusNullPointer;
  LrState* s = lrState(p, C);
  if (!s) return ruxStatusBadContext;
  s->id = 0;
  ruxFree(s);
  return ruxStatusOk;
}

// Replicates the region's edge pixels into the pad of a work image: rows [y0, y1) left and right
// (every thread its own rows), then, on one thread after a barrier, the rows above and below.
template <int C>
void padColumns(float* img, std::ptrdiff_t rowFloats, int pad, int width, int y0, int y1) {
  for (int y = y0; y < y1; ++y) {
    float* row = img + (y + pad) * rowFloats;
    for (int x = 0; x < pad; ++x)
      for (int ch = 0; ch < C; ++ch) {
        row[x * C + ch] = row[pad * C + ch];
        row[(pad + width + x) * C + ch] = row[(pad + width - 1) * C + ch];
      }
  }
}
void padRows(float* img, std::ptrdiff_t rowFloats, int pad, int height) {
  const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(rowFloats);
  for (int y = 0; y < pad; ++y) {
    std::memcpy(img + y * rowFloats, img + pad * rowFloats, bytes);
    std::memcpy(img + (pad + height + y) * rowFloats, img + (pad + height - 1) * rowFloats, bytes);
  }
}

template <int C>
RuxResult deconvLr(const Rux32f* src, int srcStep, Rux32f* dst, int dstStep, RuxImageSize roi, int iterations,
                   void* state) {
  if (anyNull(src, dst) || !state) return ruxStatusNullPointer;
  LrState* s = lrState(state, C);
  if (!s) return ruxStatusBadContext;
  if (badSize(roi)) return ruxStatusBadSize;
  if (roi.width > s->maxW || roi.height > s->maxH) return ruxStatusBadSize;
  RuxResult st;
  if (badImageSteps(srcStep, dstStep, roi.width, C, &st)) return st;
  if (iterations < 1) return ruxStatusBadArg;

  const int W = roi.width, H = roi.height, pad = s->pad, c = s->c, T = s->taps;
  const std::ptrdiff_t rowFloats = static_cast<std::ptrdiff_t>(W + 2 * pad) * C;
  const std::ptrdiff_t rowBytes = rowFloats * 4;
  std::ptrdiff_t convOff[1024], corrOff[1024];  // tap offsets in bytes; larger kernels use scratch
  Scratch<std::ptrdiff_t> bigOff(T > 1024 ? 2LL * T : 0);
  if (T > 1024 && !bigOff) return ruxStatusNoMemory;
  std::ptrdiff_t* conv = T > 1024 ? bigOff.get() : convOff;
  std::ptrdiff_t* corr = T > 1024 ? bigOff.get() + T : corrOff;
  for (int t = 0; t < T; ++t) {
    const int di = s->tapI[t] - c, dj = s->tapJ[t] - c;
    conv[t] = -di * rowBytes - static_cast<std::ptrdiff_t>(dj) * C * 4;
    corr[t] = di * rowBytes + static_cast<std::ptrdiff_t>(dj) * C * 4;
  }
  const conv::TapsFn taps = conv::convKernels().taps[conv::k32f][conv::kF32];
  const float thr = s->threshold;
  float* E = s->estimate;
  float* R = s->ratio;
  const auto at = [&](float* img, int y) { return img + (y + pad) * rowFloats + static_cast<std::ptrdiff_t>(pad) * C; };
  const int n = W * C;
  constexpr int kChunk = 1024;
  const int threads = W >= 64 && H >= 64 ? par::requestedThreads() : 1;
  return par::masterRegion(
      threads, [](int) { return ruxStatusOk; },
      [&](int t, int TT) {
        const par::RowRange rows = par::splitFloor(H, TT, t);
        alignas(64) float sums[kChunk];
        for (int y = rows.begin; y < rows.end; ++y)
          std::memcpy(at(E, y), rowPtr(src, srcStep, y), sizeof(float) * static_cast<std::size_t>(n));
        for (int it = 0; it < iterations; ++it) {
          padColumns<C>(E, rowFloats, pad, W, rows.begin, rows.end);
          sync(TT);
          if (t == 0) padRows(E, rowFloats, pad, H);
          sync(TT);
          for (int y = rows.begin; y < rows.end; ++y) {
            const Rux32f* g = rowPtr(src, srcStep, y);
            const unsigned char* e = reinterpret_cast<const unsigned char*>(at(E, y));
            float* r = at(R, y);
            for (int x = 0; x < n; x += kChunk) {
              const int m = std::min(kChunk, n - x);
              taps(e + 4 * x, conv, s->weights, T, static_cast<std::size_t>(m), sums);
              for (int i = 0; i < m; ++i) r[x + i] = sums[i] > thr ? loadAt(g + x + i) / sums[i] : 1.0f;
            }
          }
          padColumns<C>(R, rowFloats, pad, W, rows.begin, rows.end);
          sync(TT);
          if (t == 0) padRows(R, rowFloats, pad, H);
          sync(TT);
          for (int y = rows.begin; y < rows.end; ++y) {
            const unsigned char* r = reinterpret_cast<const unsigned char*>(at(R, y));
            float* e = at(E, y);
            for (int x = 0; x < n; x += kChunk) {
              const int m = std::min(kChunk, n - x);
              taps(r + 4 * x, corr, s->weights, T, static_cast<std::size_t>(m), sums);
              for (int i = 0; i < m; ++i) e[x + i] *= sums[i];
            }
          }
        }
        for (int y = rows.begin; y < rows.end; ++y)
          std::memcpy(rowPtr(dst, dstStep, y), at(E, y), sizeof(float) * static_cast<std::size_t>(n));
      });
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_DECONV(lay, C)                                                                                         \
  RUXAPI RuxResult ruxiDeconvFFTInitAlloc_32f_##lay##R(RuxDeconvFFTState_32f_##lay##R** ppState,                   \
                                                       const Rux32f* pKernel, int kernelSize, int FFTorder,        \
                                                       Rux32f threshold) {                                         \
    void* s = nullptr;                                                                                             \
    const RuxResult st = fftInitAlloc<C>(ppState ? &s : nullptr, pKernel, kernelSize, FFTorder, threshold);       \
    if (st == ruxStatusOk) *ppState = static_cast<RuxDeconvFFTState_32f_##lay##R*>(s);                             \
    return st;                                                                                                     \
  }                                                                                                                \
  RUXAPI RuxResult ruxiDeconvFFT_32f_##lay##R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,          \
                                              RuxImageSize roiSize, RuxDeconvFFTState_32f_##lay##R* pState) {      \
    return deconvFft<C>(pSrc, srcStep, pDst, dstStep, roiSize, pState);                                            \
  }                                                                                                                \
  RUXAPI RuxResult ruxiDeconvFFTFree_32f_##lay##R(RuxDeconvFFTState_32f_##lay##R* pState) {                        \
    return fftFree(pState, C);                                                                                     \
  }                                                                                                                \
  RUXAPI RuxResult ruxiDeconvLRInitAlloc_32f_##lay##R(RuxDeconvLRState_32f_##lay##R** ppState,                     \
                                                      const Rux32f* pKernel, int kernelSize, RuxImageSize maxRoi,  \
                                                      Rux32f threshold) {                                          \
    void* s = nullptr;                                                                                             \
    const RuxResult st = lrInitAlloc<C>(ppState ? &s : nullptr, pKernel, kernelSize, maxRoi, threshold);          \
    if (st == ruxStatusOk) *ppState = static_cast<RuxDeconvLRState_32f_##lay##R*>(s);                              \
    return st;                                                                                                     \
  }                                                                                                                \
  RUXAPI RuxResult ruxiDeconvLR_32f_##lay##R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,           \
                                             RuxImageSize roiSize, int numIter,                                    \
                                             RuxDeconvLRState_32f_##lay##R* pState) {                              \
    return deconvLr<C>(pSrc, srcStep, pDst, dstStep, roiSize, numIter, pState);                                    \
  }                                                                                                                \
  RUXAPI RuxResult ruxiDeconvLRFree_32f_##lay##R(RuxDeconvLRState_32f_##lay##R* pState) { return lrFree(pState, C); }

RUX_DECONV(C1, 1)
RUX_DECONV(C3, 3)
