// The overlap-save correlation engine (see corr_engine.h): layout chooser, plans, the forward
// and inverse passes of one plane and the packed product with the kernel spectrum.
#include "primitives/corr_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "primitives/rearrange_kernels.h"
#include "primitives/spectrum_kernels.h"

namespace rux::corr {

int minTileLength(int tpl, int out) {
  int n = 1;
  while ((1LL << n) < 2LL * tpl) ++n;
  if (n < 7 && (1LL << n) < out) ++n;
  return std::max(1 << std::min(n, 30), 16);
}

int coverLength(long long need) {
  int n = 4;
  while ((1LL << n) < need) {
    if (++n > 30) return 0;
  }
  return 1 << n;
}

namespace {

// Estimated work of a layout: per tile two transforms of fftW x fftH (n log n) plus the fill,
// product and epilogue, which grow with the plane.
double layoutCost(int outW, int outH, int tplW, int tplH, int lw, int lh) {
  const int bw = std::min(lw - tplW + 1, outW), bh = std::min(lh - tplH + 1, outH);
  if (bw < 1 || bh < 1) return 1e300;
  const double tiles = std::ceil(static_cast<double>(outW) / bw) * std::ceil(static_cast<double>(outH) / bh);
  const double n = static_cast<double>(lw) * lh;
  return tiles * n * (std::log2(n) + 8.0);
}

}  // namespace

bool chooseLayout(int outW, int outH, int tplW, int tplH, bool tiled, Layout* lay) {
  const int coverW = coverLength(static_cast<long long>(outW) + tplW - 1);
  const int coverH = coverLength(static_cast<long long>(outH) + tplH - 1);
  if (!coverW || !coverH) return false;
  int lw = coverW, lh = coverH;
  if (tiled) {
    // Candidates from the minimum tile up to the covering length, planes of at most 2^22 samples
    // (the covering plane is always a candidate).
    const int w0 = std::min(minTileLength(tplW, outW), coverW), h0 = std::min(minTileLength(tplH, outH), coverH);
    double best = 1e300;
    for (long long a = w0; a <= coverW; a *= 2)
      for (long long b = h0; b <= coverH; b *= 2) {
        if (a * b > (1LL << 22) && !(a == coverW && b == coverH)) continue;
        const double c = layoutCost(outW, outH, tplW, tplH, static_cast<int>(a), static_cast<int>(b));
        if (c < best) {
          best = c;
          lw = static_cast<int>(a);
          lh = static_cast<int>(b);
        }
      }
  }
  lay->fftW = lw;
  lay->fftH = lh;
  lay->blockW = std::min(lw - tplW + 1, outW);
  lay->blockH = std::min(lh - tplH + 1, outH);
  lay->tilesX = (outW + lay->blockW - 1) / lay->blockW;
  lay->tilesY = (outH + lay->blockH - 1) / lay->blockH;
  lay->outW = outW;
  lay->outH = outH;
  lay->tplW = tplW;
  lay->tplH = tplH;
  return true;
}

namespace {

long long round64(long long bytes) { return (bytes + 63) & ~63LL; }

template <class T>
TransposeFn transposeFor() {
  // 4-byte samples: the C1 transpose of 4-byte samples; 8-byte: 2-byte C4 pixels.
  if constexpr (sizeof(T) == 4) return rearrangeKernels().transpose[2][kTransposeC1];
  else return rearrangeKernels().transpose[1][kTransposeC4];
}

}  // namespace

template <class T>
RuxResult Engine<T>::init(const Layout& lay, int channels, int threads, long long extraBytes) {
  constexpr int G = fft::kBatch<T>;
  lay_ = lay;
  const int W = lay.fftW, H = lay.fftH;
  fft::Arena dry;
  const fft::RealPlan<T>* r = nullptr;
  const fft::ComplexPlan<T>* c = nullptr;
  fft::buildReal<T>(dry, W, &r, nullptr);
  fft::buildComplex<T>(dry, H, &c, nullptr);
  plans_.reset(static_cast<long long>(dry.used) + 64);
  if (!plans_) return ruxStatusNoMemory;
  fft::Arena a;
  a.base = reinterpret_cast<unsigned char*>((reinterpret_cast<std::uintptr_t>(plans_.get()) + 63) & ~std::uintptr_t{63});
  a.limit = dry.used;
  if (!fft::buildReal<T>(a, W, &rows_, nullptr) || !fft::buildComplex<T>(a, H, &cols_, nullptr) || a.failed)
    return ruxStatusNoMemory;
  planeValues_ = static_cast<long long>(W) * H;
  slotValues_ = 2LL * std::max(W, H) * G;
  workValues_ = std::max(fft::complexWorkValues<T>(W / 2), fft::complexWorkValues<T>(H));
  extraBytes_ = round64(extraBytes);
  spectraBytes_ = round64(static_cast<long long>(channels) * planeValues_ * static_cast<long long>(sizeof(T)));
  threadBytes_ = round64(static_cast<long long>(sizeof(T)) * (planeValues_ + 2 * slotValues_ + workValues_)) + extraBytes_;
  const long long total = spectraBytes_ + threads * threadBytes_ + 64;
  if (total > 0x7FFFFFFFLL) return ruxStatusNoMemory;
  block_.reset(total);
  if (!block_) return ruxStatusNoMemory;
  // Align the block's start (the allocator gives 64-byte alignment; keep it explicit).
  spectra_ = reinterpret_cast<T*>(block_.get());
  std::memset(spectra_, 0, static_cast<std::size_t>(spectraBytes_));
  return ruxStatusOk;
}

template <class T>
typename Engine<T>::Slots Engine<T>::slots(int t) const {
  T* p = plane(t) + planeValues_;
  return {p, p + slotValues_, p + 2 * slotValues_};
}

template <class T>
void Engine<T>::forward(T* p, int dataRows, Slots s) const {
  constexpr int G = fft::kBatch<T>;
  const fft::Kernels<T>& k = fft::kernelsFor<T>();
  const TransposeFn tr = transposeFor<T>();
  const int W = lay_.fftW, H = lay_.fftH;
  const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(W) * sizeof(T);
  // Rows: zero rows stay zero.
  for (int r0 = 0; r0 < dataRows; r0 += G) {
    const int count = std::min(G, dataRows - r0);
    if (count < G) std::memset(s.s1, 0, sizeof(T) * static_cast<std::size_t>(W) * G);
    tr(p + r0 * static_cast<std::ptrdiff_t>(W), step, s.s1, G * sizeof(T), W, count);
    const T* z = fft::runComplex(*rows_->cx, k, s.s1, s.s3, false);
    k.realSplit(z, s.s2, W, rows_->w, T(1), false);
    tr(s.s2, G * sizeof(T), p + r0 * static_cast<std::ptrdiff_t>(W), step, count, W);
  }
  // Columns 0 and W - 1 (real) as the two halves of one complex column.
  {
    T* z = s.s1;
    std::memset(z, 0, sizeof(T) * 2 * static_cast<std::size_t>(H) * G);
    for (int j = 0; j < dataRows; ++j) {
      z[2 * G * j] = p[static_cast<std::ptrdiff_t>(j) * W];
      z[2 * G * j + G] = p[static_cast<std::ptrdiff_t>(j) * W + W - 1];
    }
    const T* r = fft::runComplex(*cols_, k, z, s.s3, false);
    T* pr = s.s2;
    T* pi = s.s2 + static_cast<std::ptrdiff_t>(H) * G;
    k.pairSplit(r, pr, pi, H, T(1));
    for (int j = 0; j < H; ++j) {
      p[static_cast<std::ptrdiff_t>(j) * W] = pr[G * j];
      p[static_cast<std::ptrdiff_t>(j) * W + W - 1] = pi[G * j];
    }
  }
  const int pairs = (W - 1) / 2;
  for (int first = 0; first < pairs; first += G) {
    const int count = std::min(G, pairs - first);
    T* base = p + 2 * first + 1;
    k.gatherPairs(base, step, count, dataRows, s.s1);
    if (dataRows < H)
      std::memset(s.s1 + 2LL * G * dataRows, 0, sizeof(T) * 2 * static_cast<std::size_t>(H - dataRows) * G);
    const T* r = fft::runComplex(*cols_, k, s.s1, s.s3, false);
    k.scatterPairs(r, base, step, count, H, T(1));
  }
}

template <class T>
void Engine<T>::inverse(T* p, int outRows, Slots s) const {
  constexpr int G = fft::kBatch<T>;
  const fft::Kernels<T>& k = fft::kernelsFor<T>();
  const TransposeFn tr = transposeFor<T>();
  const int W = lay_.fftW, H = lay_.fftH;
  const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(W) * sizeof(T);
  {
    T* pr = s.s2;
    T* pi = s.s2 + static_cast<std::ptrdiff_t>(H) * G;
    std::memset(s.s2, 0, sizeof(T) * 2 * static_cast<std::size_t>(H) * G);
    for (int j = 0; j < H; ++j) {
      pr[G * j] = p[static_cast<std::ptrdiff_t>(j) * W];
      pi[G * j] = p[static_cast<std::ptrdiff_t>(j) * W + W - 1];
    }
    k.pairJoin(pr, pi, s.s1, H, T(1));
    const T* r = fft::runComplex(*cols_, k, s.s1, s.s3, true);
    for (int j = 0; j < outRows; ++j) {
      p[static_cast<std::ptrdiff_t>(j) * W] = r[2 * G * j];
      p[static_cast<std::ptrdiff_t>(j) * W + W - 1] = r[2 * G * j + G];
    }
  }
  const int pairs = (W - 1) / 2;
  for (int first = 0; first < pairs; first += G) {
    const int count = std::min(G, pairs - first);
    T* base = p + 2 * first + 1;
    k.gatherPairs(base, step, count, H, s.s1);
    const T* r = fft::runComplex(*cols_, k, s.s1, s.s3, true);
    k.scatterPairs(r, base, step, count, outRows, T(1));
  }
  for (int r0 = 0; r0 < outRows; r0 += G) {
    const int count = std::min(G, outRows - r0);
    if (count < G) std::memset(s.s2, 0, sizeof(T) * static_cast<std::size_t>(W) * G);
    tr(p + r0 * static_cast<std::ptrdiff_t>(W), step, s.s2, G * sizeof(T), W, count);
    k.realJoin(s.s2, s.s1, W, rows_->w, T(1));
    const T* z = fft::runComplex(*rows_->cx, k, s.s1, s.s3, true);
    tr(z, G * sizeof(T), p + r0 * static_cast<std::ptrdiff_t>(W), step, count, W);
  }
}

template <class T>
void Engine<T>::transformKernel(int c, int t) const {
  T* p = kernelPlane(c);
  forward(p, std::min(lay_.tplH, lay_.fftH), slots(t));
  const T scale = static_cast<T>(1.0 / (static_cast<double>(lay_.fftW) * lay_.fftH));
  for (long long i = 0; i < planeValues_; ++i) p[i] *= scale;
}

template <class T>
void Engine<T>::correlate(int t, int c, int dataRows, int outRows) const {
  T* p = plane(t);
  const int W = lay_.fftW, H = lay_.fftH;
  if (dataRows < H) std::memset(p + static_cast<std::ptrdiff_t>(dataRows) * W, 0, sizeof(T) * static_cast<std::size_t>(H - dataRows) * W);
  const Slots s = slots(t);
  forward(p, dataRows, s);
  const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(W) * sizeof(T);
  const spectrum::Pack2D g{W, H};
  spectrum::mulPackUnits(p, step, kernelPlane(c), step, p, step, W, H, 1, true, false, 0, g.units());
  inverse(p, outRows, s);
}

template class Engine<float>;
template class Engine<double>;

}  // namespace rux::corr
