// The adaptive Wiener filter (FilterWiener, with its noise estimation) and the bilateral filter
// (FilterBilateral with its buffer size and initialisation).
//
// Wiener shape: per block of rows, column sums of x and x^2 (exact: int32 and int64 for 8u and
// 16s, double for 32f) moved down a row at a time, and per row their prefix sums, so every
// window sum S1, S2 is one difference. Per pixel in single precision: m = S1 (1/A),
// V = S2 - S1 S1 (1/A), V' = max(V, N), dst = m + (V' - N) / V' (x - m), rounded to nearest
// (even) and saturated for integers; V' = 0 (a flat window without noise) gives m. The noise
// power N is A x full scale^2 x the caller's level, or, for a level below 2^-23, the mean over
// all rows (in double) of each row's mean of max(V, 0), written back as a level. The window
// follows the kernel convention: mask.width - 1 - anchor.x pixels left, anchor.x right,
// mask.height - 1 - anchor.y rows above, anchor.y below.
//
// Bilateral shape: the specification block holds an offset byte, then (8-byte aligned) the
// header, the mirrored intensity table and the spatial table on the step grid. The filter
// turns them into one table per grid position of 16-bit fixed-point weights (14 or 4
// fractional bits, by kind) over the 256 intensity differences, and forms
// dst = (sum W I + sum W / 2) / sum W per pixel (vectors of pixels with gathered weights); its
// tables are allocated per call, so no region width can overrun the caller's block. Rows are
// independent: regions of at least 64 x 64 pixels run on the library's threads.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/conv_rows.h"
#include "primitives/int_scale.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

// ---- Wiener -------------------------------------------------------------------------------------

template <class T>
struct WienerTypes {
  using S1 = std::conditional_t<std::is_floating_point_v<T>, double, std::int64_t>;
  using S2 = std::conditional_t<std::is_floating_point_v<T>, double, std::int64_t>;
  static constexpr float kScale2 = std::is_same_v<T, Rux8u> ? 65025.0f : (std::is_same_v<T, Rux16s> ? 4294836224.0f : 1.0f);
  static constexpr float kLevel = std::is_same_v<T, Rux8u> ? 1.53787e-05f : (std::is_same_v<T, Rux16s> ? 2.3283775e-10f : 1.0f);
};

struct WienerGeometry {
  int width, height, maskW, maskH, left, top;  // left/top: pixels of the window before the output
};

// Window statistics of one block of rows: column sums and their prefix sums per row.
template <class T, int C>
class WienerSums {
 public:
  using S = typename WienerTypes<T>::S1;
  WienerSums(const WienerGeometry& g, unsigned char* mem) : g_(g) {
    cols_ = static_cast<std::size_t>(g.width + g.maskW - 1) * C;
    c1_ = reinterpret_cast<S*>(mem);
    c2_ = c1_ + cols_;
    p1_ = c2_ + cols_;
    p2_ = p1_ + cols_ + C;
  }
  static long long bytes(const WienerGeometry& g) {
    const long long cols = static_cast<long long>(g.width + g.maskW - 1) * C;
    return (4 * cols + 2 * C) * static_cast<long long>(sizeof(S));
  }
  void prime(const T* src, int step, int y) {
    std::fill(c1_, c1_ + cols_, S(0));
    std::fill(c2_, c2_ + cols_, S(0));
    for (int j = 0; j < g_.maskH; ++j) add(row(src, step, y - g_.top + j), 1);
  }
  void advance(const T* src, int step, int y) {
    add(row(src, step, y - g_.top), -1);
    add(row(src, step, y - g_.top + g_.maskH), 1);
  }
  // Prefix sums of the current column sums; S1/S2 of window x, channel c follow.
  void prefix() {
    for (int c = 0; c < C; ++c) p1_[c] = p2_[c] = 0;
    for (std::size_t i = 0; i < cols_; ++i) p1_[i + C] = p1_[i] + c1_[i], p2_[i + C] = p2_[i] + c2_[i];
  }
  S s1(int x, int c) const { return p1_[static_cast<std::size_t>(x + g_.maskW) * C + c] - p1_[static_cast<std::size_t>(x) * C + c]; }
  S s2(int x, int c) const { return p2_[static_cast<std::size_t>(x + g_.maskW) * C + c] - p2_[static_cast<std::size_t>(x) * C + c]; }

 private:
  const T* row(const T* src, int step, int y) const { return rowPtr(src, step, y) - static_cast<std::ptrdiff_t>(g_.left) * C; }
  void add(const T* r, int sign) {
    for (std::size_t i = 0; i < cols_; ++i) {
      const S v = static_cast<S>(loadSample<T>(r + i));
      c1_[i] += sign * v;
      c2_[i] += sign * v * v;
    }
  }
  WienerGeometry g_;
  std::size_t cols_ = 0;
  S *c1_, *c2_, *p1_, *p2_;
};

// Single-precision statistics of one window.
template <class S>
inline void windowStats(S s1, S s2, float rA, float* m, float* v) {
  const float f1 = static_cast<float>(s1), f2 = static_cast<float>(s2);
  *m = f1 * rA;
  *v = f2 - f1 * f1 * rA;
}

template <class T, int C, bool kAlpha>
RuxResult filterWiener(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi, RuxImageSize mask,
                       RuxImagePoint anchor, Rux32f* noise, const Rux8u* buffer) {
  constexpr int kColours = kAlpha ? 3 : C;
  if (anyNull(src, dst, noise, buffer)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (mask.width < 2 || mask.height < 2) return ruxStatusBadMaskSize;
  if (anchor.x < 0 || anchor.y < 0 || anchor.x >= mask.width || anchor.y >= mask.height) return ruxStatusBadAnchor;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  for (int c = 0; c < kColours; ++c)
    if (!(noise[c] >= 0.0f && noise[c] < 1.0f)) return ruxStatusBadNoiseLevel;
  const WienerGeometry g{roi.width, roi.height, mask.width, mask.height, mask.width - 1 - anchor.x, mask.height - 1 - anchor.y};
  const float area = static_cast<float>(mask.width) * static_cast<float>(mask.height);
  const float rA = 1.0f / area;
  const long long sums = (WienerSums<T, C>::bytes(g) + 63) / 64 * 64;
  const long long rowBytes = (static_cast<long long>(roi.width) * C * sizeof(T) + 63) / 64 * 64;
  par::PerThreadScratch<unsigned char> scratch;
  const int threads = conv::worthThreads(roi) ? std::min(par::requestedThreads(), roi.height) : 1;

  // Noise power per channel, estimated where asked for.
  float power[4] = {};
  bool estimate = false;
  for (int c = 0; c < kColours; ++c) {
    estimate |= std::fabs(noise[c]) < 1.1920929e-07f;
    power[c] = area * WienerTypes<T>::kScale2 * noise[c];
  }
  if (estimate) {
    Scratch<unsigned char> mem(sums + static_cast<long long>(roi.height) * 4 * sizeof(double));
    if (!mem) return ruxStatusNoMemory;
    auto* rowMeans = reinterpret_cast<double*>(mem.get() + sums);
    WienerSums<T, C> w(g, mem.get());
    w.prime(src, srcStep, 0);
    for (int y = 0; y < roi.height; ++y) {
      if (y > 0) w.advance(src, srcStep, y - 1);
      w.prefix();
      for (int c = 0; c < kColours; ++c) {
        double rowSum = 0;
        for (int x = 0; x < roi.width; ++x) {
          float m, v;
          windowStats(w.s1(x, c), w.s2(x, c), rA, &m, &v);
          rowSum += std::max(v, 0.0f);
        }
        rowMeans[static_cast<std::size_t>(y) * 4 + c] = rowSum / roi.width;
      }
    }
    for (int c = 0; c < kColours; ++c) {
      if (!(std::fabs(noise[c]) < 1.1920929e-07f)) continue;
      double total = 0;
      for (int y = 0; y < roi.height; ++y) total += rowMeans[static_cast<std::size_t>(y) * 4 + c];
      power[c] = static_cast<float>(total / roi.height);
      noise[c] = power[c] * WienerTypes<T>::kLevel * rA;
    }
  }

  return par::masterRegion(
      threads, [&](int t) { return scratch.allocate(t, sums + rowBytes); },
      [&](int t, int total) {
        const par::RowRange r = par::splitFloor(roi.height, total, t);
        if (r.size() < 1) return;
        WienerSums<T, C> w(g, scratch.slice(t));
        T* out = reinterpret_cast<T*>(scratch.slice(t) + sums);
        w.prime(src, srcStep, r.begin);
        for (int y = r.begin; y < r.end; ++y) {
          if (y > r.begin) w.advance(src, srcStep, y - 1);
          w.prefix();
          const T* in = rowPtr(src, srcStep, y);
          for (int x = 0; x < roi.width; ++x)
            for (int c = 0; c < C; ++c) {
              const std::size_t i = static_cast<std::size_t>(x) * C + c;
              if (c >= kColours) {
                out[i] = T(0);
                continue;
              }
              float m, v;
              windowStats(w.s1(x, c), w.s2(x, c), rA, &m, &v);
              const float n = power[c];
              const float vp = std::max(v, n);
              const float s = static_cast<float>(loadSample<T>(in + i));
              const float result = vp > 0.0f ? m + (vp - n) / vp * (s - m) : m;
              if constexpr (std::is_floating_point_v<T>) {
                out[i] = result;
              } else {
                out[i] = saturate<T>(conv::roundBy(result, 1));
              }
            }
          storeRowOf<T, C, kAlpha>(out, rowPtr(dst, dstStep, y), roi.width);
        }
      });
}

RuxResult wienerBufferSize(RuxImageSize roi, RuxImageSize mask, int channels, int* size) {
  if (size == nullptr) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (channels != 1 && channels != 3 && channels != 4) return ruxStatusBadChannelCount;
  if (mask.width < 2 || mask.height < 2) return ruxStatusBadMaskSize;
  const long long threads = std::max(1, ownGetNumThreads());
  const long long l = channels == 1 ? (static_cast<long long>(roi.width) + mask.width + 6) / 4 * 4
                                    : (static_cast<long long>(roi.width) * channels + 6) / 4 * 4;
  const long long bytes = threads * 5 * l * 4 + 15;
  if (bytes > std::numeric_limits<int>::max()) return ruxStatusBadSize;
  *size = static_cast<int>(bytes);
  return ruxStatusOk;
}

// ---- bilateral ----------------------------------------------------------------------------------

constexpr std::uint32_t kIdFixed14 = 0x434D416C, kIdFixed4 = 0x434D416D;

struct BilateralHeader {
  std::uint32_t id;
  std::int32_t kind, halfW, halfH;
  const float* intensity;  // 511 entries, index difference + 255
  const float* spatial;    // (2 halfW / step + 1) x (2 halfH / step + 1), row by row
  std::int32_t step, reserved;
  void* work;
};

constexpr long long kTables = 511;

long long bilateralBytes(RuxImageSize roi, RuxImageSize kernel) {
  const long long w = roi.width;
  const long long k = std::max(kernel.width, kernel.height);
  const long long kk = k % 2 == 1 ? k : k - 1;
  const long long area = static_cast<long long>(kernel.width) * kernel.height;
  return (w + 7) / 8 * 8 * 2 + (w + 3) / 4 * 4 * 12 + 2229 + (kk + (area + 3) / 4 * 4) * 4;
}

RuxResult bilateralBufSize(int kind, RuxImageSize roi, RuxImageSize kernel, int* size) {
  if (size == nullptr) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (kernel.width < 1 || kernel.height < 1) return ruxStatusBadMaskSize;
  if (kind != 100 && kind != 101) return ruxStatusUnsupportedMode;
  const long long bytes = bilateralBytes(roi, kernel);
  if (bytes > std::numeric_limits<int>::max()) return ruxStatusBadSize;
  *size = static_cast<int>(bytes);
  return ruxStatusOk;
}

int reduced(int size, int step) {
  const int h = (size - 1) / 2;
  return h - h % step;
}

RuxResult bilateralInit(int kind, RuxImageSize kernel, float sigmaV2, float sigmaS2, int step, Rux8u* spec) {
  if (spec == nullptr) return ruxStatusNullPointer;
  if (kernel.width < 1 || kernel.height < 1) return ruxStatusBadMaskSize;
  if (!(sigmaV2 > 0.0f) || !(sigmaS2 > 0.0f) || !std::isfinite(sigmaV2) || !std::isfinite(sigmaS2) || step <= 0)
    return ruxStatusBadArg;
  if (kind != 100 && kind != 101) return ruxStatusUnsupportedMode;
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(spec);
  const int offset = static_cast<int>(8 - at % 8);
  spec[0] = static_cast<Rux8u>(offset);
  auto* h = reinterpret_cast<BilateralHeader*>(spec + offset);
  auto* intensity = reinterpret_cast<float*>(h + 1);
  float* spatial = intensity + kTables;
  h->id = kind == 100 ? kIdFixed14 : kIdFixed4;
  h->kind = kind;
  h->halfW = reduced(kernel.width, step);
  h->halfH = reduced(kernel.height, step);
  h->intensity = intensity;
  h->spatial = spatial;
  h->step = step;
  h->reserved = 0;
  h->work = nullptr;
  // Intensity weights up to L differences, L computed in double and clamped to 256.
  const double reach = std::sqrt(1.42 * static_cast<double>(sigmaV2) *
                                 (std::log(static_cast<double>(kernel.width) * kernel.height) + 6.3));
  const int levels = static_cast<int>(std::min(256.0, std::trunc(reach) + 1.0));
  for (int d = 0; d < 256; ++d) {
    const std::int32_t d2 = d * d;
    const float w = d < levels ? std::exp(-static_cast<float>(d2) * 0.5f / sigmaV2) : 0.0f;
    intensity[255 + d] = intensity[255 - d] = w;
  }
  int n = 0;
  for (int dy = -h->halfH; dy <= h->halfH; dy += step)
    for (int dx = -h->halfW; dx <= h->halfW; dx += step)
      spatial[n++] = std::exp(-static_cast<float>(dx * dx + dy * dy) * 0.5f / sigmaS2);
  return ruxStatusOk;
}

RuxResult bilateral(const Rux8u* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi, RuxImageSize kernel,
                    const Rux8u* spec) {
  if (anyNull(src, dst, spec)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (kernel.width < 1 || kernel.height < 1) return ruxStatusBadMaskSize;
  const int offset = spec[0];
  if (offset < 1 || offset > 8) return ruxStatusBadContext;
  BilateralHeader h;
  std::memcpy(&h, spec + offset, sizeof(h));
  if ((h.id != kIdFixed14 || h.kind != 100) && (h.id != kIdFixed4 || h.kind != 101)) return ruxStatusBadContext;
  if (h.step < 1 || h.halfW < 0 || h.halfH < 0 || h.halfW > 0x7fff || h.halfH > 0x7fff) return ruxStatusBadContext;
  const int hw = reduced(kernel.width, h.step), hh = reduced(kernel.height, h.step);
  if (hw > h.halfW || hh > h.halfH) return ruxStatusBadMaskSize;
  const float* intensity = reinterpret_cast<const float*>(spec + offset + sizeof(BilateralHeader));
  const float* spatial = intensity + kTables;
  const int gridW = 2 * (h.halfW / h.step) + 1;
  const float one = h.kind == 100 ? 16384.0f : 16.0f;
  // One table of fixed-point weights per grid position of the call's window.
  const int tapsW = 2 * (hw / h.step) + 1, tapsH = 2 * (hh / h.step) + 1, taps = tapsW * tapsH;
  Scratch<std::int32_t> weights(static_cast<long long>(taps) * 256);
  Scratch<std::ptrdiff_t> offsets(taps);
  if (!weights || !offsets) return ruxStatusNoMemory;
  int t = 0;
  for (int dy = -hh; dy <= hh; dy += h.step)
    for (int dx = -hw; dx <= hw; dx += h.step, ++t) {
      const int gx = (dx + h.halfW) / h.step, gy = (dy + h.halfH) / h.step;
      const float ws = spatial[gy * gridW + gx];
      for (int d = 0; d < 256; ++d) {
        const float w = ws * intensity[255 + d] * one + 0.5f;
        weights.get()[static_cast<std::size_t>(t) * 256 + d] = static_cast<std::int32_t>(std::min(w, 65535.0f));
      }
      offsets.get()[t] = static_cast<std::ptrdiff_t>(dy) * srcStep + dx;
    }
  // Sums of weights x 255 stay below 2^31 for up to 128 taps of weight 65535 at most.
  const bool vector = static_cast<long long>(taps) * 65535 * 255 < 2147483647LL;
  const conv::ConvKernels& ck = conv::convKernels();
  const conv::BilateralFn row = ck.bilateral;
  const int threads = conv::worthThreads(roi) ? std::min(par::requestedThreads(), roi.height) : 1;
  // Mirrored taps (t and taps - 1 - t, offsets o and -o) share their table when their spatial
  // weights agree (always, as Init makes them). Then the weight of a pixel pair (p, p + o) is
  // gathered once per source row into a ring of hh + 1 rows and serves p through tap o and
  // p + o through tap -o: half the table look-ups, the same integer sums.
  bool paired = vector && taps > 1 && taps <= 128;
  for (int a = 0; paired && a < taps / 2; ++a)
    paired = std::memcmp(weights.get() + static_cast<std::size_t>(a) * 256,
                         weights.get() + static_cast<std::size_t>(taps - 1 - a) * 256, 256 * sizeof(std::int32_t)) == 0;
  if (paired) {
    const int pairs = taps / 2, S = hh + 1, L = roi.width + 2 * hw;
    int pdx[64], pdy[64];
    for (int k = 0; k < pairs; ++k) {
      const int tap = taps / 2 + 1 + k;
      pdy[k] = (tap / tapsW) * h.step - hh;
      pdx[k] = (tap % tapsW) * h.step - hw;
    }
    const std::int32_t wc = weights.get()[static_cast<std::size_t>(taps / 2) * 256];
    const long long slice = static_cast<long long>(S) * pairs * L;
    // Two pairs whose column offsets have the same sign share one look-up when their weights
    // vanish beyond small differences: z_k, the difference from which pair k's weights are all 0
    // (255 when they never are), bounds a joint table of (z_a + 1) x (z_b + 1) entries holding
    // both weights. Both are formed over the union of their columns, which for offsets of one
    // sign still reads only inside the border.
    int z[64], partner[64];
    for (int k = 0; k < pairs; ++k) {
      const std::int32_t* tab = weights.get() + static_cast<std::size_t>(taps / 2 + 1 + k) * 256;
      int e = 256;
      while (e > 0 && tab[e - 1] == 0) --e;
      z[k] = std::min(e, 255);
      partner[k] = -1;
    }
    // Weights that vanish below a difference of 128 fit eight blocks of 16 entries per byte plane,
    // looked up in registers; only wider tables take gathers (joint where they fit).
    bool inBlocks = true;
    for (int k = 0; k < pairs; ++k) inBlocks = inBlocks && z[k] < 128;
    Scratch<std::uint8_t> planes(inBlocks ? static_cast<long long>(pairs) * 256 : 0);
    if (inBlocks && !planes) return ruxStatusNoMemory;
    for (int k = 0; inBlocks && k < pairs; ++k) {
      const std::int32_t* tab = weights.get() + static_cast<std::size_t>(taps / 2 + 1 + k) * 256;
      std::uint8_t* lo = planes.get() + static_cast<std::size_t>(k) * 256;
      for (int a = 0; a < 128; ++a) {
        const auto v = static_cast<std::uint32_t>(tab[std::min(a, z[k])]);
        lo[a] = static_cast<std::uint8_t>(v & 0xFF);
        lo[128 + a] = static_cast<std::uint8_t>(v >> 8);
      }
    }
    long long joint = 0;
    for (int k = 0; !inBlocks && k < pairs; ++k) {
      if (partner[k] != -1) continue;
      for (int m = k + 1; m < pairs; ++m)
        if (partner[m] == -1 && (pdx[m] >= 0) == (pdx[k] >= 0) && (pdx[m] <= 0) == (pdx[k] <= 0)) {
          partner[k] = m;
          partner[m] = -2;  // served by k
          joint += static_cast<long long>(z[k] + 1) * (z[m] + 1);
          break;
        }
    }
    const bool twoPerLookUp = joint > 0 && joint <= (1 << 16);
    Scratch<std::int32_t> tables(twoPerLookUp ? joint : 0);
    if (twoPerLookUp && !tables) return ruxStatusNoMemory;
    std::int32_t* jointAt[64] = {};
    if (twoPerLookUp) {
      std::int32_t* q = tables.get();
      for (int k = 0; k < pairs; ++k) {
        if (partner[k] < 0) continue;
        const std::int32_t* ta = weights.get() + static_cast<std::size_t>(taps / 2 + 1 + k) * 256;
        const std::int32_t* tb = weights.get() + static_cast<std::size_t>(taps / 2 + 1 + partner[k]) * 256;
        jointAt[k] = q;
        for (int a = 0; a <= z[k]; ++a)
          for (int b = 0; b <= z[partner[k]]; ++b)
            *q++ = static_cast<std::int32_t>(static_cast<std::uint32_t>(ta[a]) | (static_cast<std::uint32_t>(tb[b]) << 16));
      }
    }
    par::PerThreadScratch<std::uint16_t> ring;
    return par::masterRegion(
        threads, [&](int T) { return ring.allocate(T, slice); },
        [&](int t, int T) {
          const par::RowRange r = par::splitFloor(roi.height, T, t);
          if (r.size() < 1) return;
          std::uint16_t* base = ring.slice(t);
          const auto at = [&](int y, int k) {
            return base + (static_cast<std::ptrdiff_t>(((y % S) + S) % S) * pairs + k) * L + hw;  // index x
          };
          std::ptrdiff_t off[128];
          const std::uint16_t* w[128];
          for (int y = r.begin - hh; y < r.end; ++y) {
            const Rux8u* in = rowPtr(src, srcStep, y);
            for (int k = 0; k < pairs; ++k) {
              if (inBlocks) {
                const int x0 = std::min(0, -pdx[k]);
                const std::uint8_t* lo = planes.get() + static_cast<std::size_t>(k) * 256;
                ck.bilateralWeightsBytes(in + x0, static_cast<std::ptrdiff_t>(pdy[k]) * srcStep + pdx[k], lo, lo + 128,
                                         z[k], static_cast<std::size_t>(roi.width + std::abs(pdx[k])), at(y, k) + x0);
                continue;
              }
              if (twoPerLookUp && partner[k] == -2) continue;
              if (twoPerLookUp && partner[k] >= 0) {
                const int m = partner[k];
                const int x0 = std::min({0, -pdx[k], -pdx[m]});
                const int x1 = std::max({roi.width - 1, roi.width - 1 - pdx[k], roi.width - 1 - pdx[m]});
                ck.bilateralWeights2(in + x0, static_cast<std::ptrdiff_t>(pdy[k]) * srcStep + pdx[k],
                                     static_cast<std::ptrdiff_t>(pdy[m]) * srcStep + pdx[m], jointAt[k], z[k], z[m],
                                     static_cast<std::size_t>(x1 - x0 + 1), at(y, k) + x0, at(y, m) + x0);
                continue;
              }
              const int x0 = std::min(0, -pdx[k]);
              ck.bilateralWeights(in + x0, static_cast<std::ptrdiff_t>(pdy[k]) * srcStep + pdx[k],
                                  weights.get() + static_cast<std::size_t>(taps / 2 + 1 + k) * 256,
                                  static_cast<std::size_t>(roi.width + std::abs(pdx[k])), at(y, k) + x0);
            }
            if (y < r.begin) continue;
            for (int k = 0; k < pairs; ++k) {
              off[2 * k] = static_cast<std::ptrdiff_t>(pdy[k]) * srcStep + pdx[k];
              w[2 * k] = at(y, k);
              off[2 * k + 1] = -off[2 * k];
              w[2 * k + 1] = at(y - pdy[k], k) - pdx[k];
            }
            ck.bilateralPairs(in, off, w, pairs, wc, static_cast<std::size_t>(roi.width), rowPtr(dst, dstStep, y));
          }
        });
  }
  par::forEachRowBlock(roi.height, threads, [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) {
      const Rux8u* in = rowPtr(src, srcStep, y);
      Rux8u* out = rowPtr(dst, dstStep, y);
      if (vector) {
        row(in, offsets.get(), weights.get(), taps, static_cast<std::size_t>(roi.width), out);
        continue;
      }
      for (int x = 0; x < roi.width; ++x) {
        const int centre = in[x];
        std::uint64_t num = 0, den = 0;
        for (int k = 0; k < taps; ++k) {
          const int v = in[x + offsets.get()[k]];
          const auto w = static_cast<std::uint32_t>(
              weights.get()[static_cast<std::size_t>(k) * 256 + static_cast<unsigned>(std::abs(v - centre))]);
          num += static_cast<std::uint64_t>(w) * static_cast<unsigned>(v);
          den += w;
        }
        out[x] = static_cast<Rux8u>((num + den / 2) / den);
      }
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_WIENER(type, T, lay, C, A)                                                                        \
  RUXAPI RuxResult ruxiFilterWiener_##type##_##lay##R(const T* pSrc, int srcStep, T* pDst, int dstStep,       \
                                                      RuxImageSize roiSize, RuxImageSize maskSize,            \
                                                      RuxImagePoint anchor, Rux32f* pNoise, Rux8u* pBuffer) { \
    return filterWiener<T, C, A>(pSrc, srcStep, pDst, dstStep, roiSize, maskSize, anchor, pNoise, pBuffer);   \
  }
#define RUX_WIENER_TYPE(type, T)         \
  RUX_WIENER(type, T, C1, 1, false)      \
  RUX_WIENER(type, T, C3, 3, false)      \
  RUX_WIENER(type, T, C4, 4, false)      \
  RUX_WIENER(type, T, AC4, 4, true)

RUX_WIENER_TYPE(8u, Rux8u)
RUX_WIENER_TYPE(16s, Rux16s)
RUX_WIENER_TYPE(32f, Rux32f)

RUXAPI RuxResult ruxiFilterWienerGetBufferSize(RuxImageSize roiSize, RuxImageSize maskSize, int nChannels,
                                               int* pBufferSize) {
  return wienerBufferSize(roiSize, maskSize, nChannels, pBufferSize);
}
RUXAPI RuxResult ruxiFilterBilateralGetBufSize_8u_C1R(int kind, RuxImageSize dstRoiSize, RuxImageSize kernelSize,
                                                      int* pBufferSize) {
  return bilateralBufSize(kind, dstRoiSize, kernelSize, pBufferSize);
}
RUXAPI RuxResult ruxiFilterBilateralInit_8u_C1R(int kind, RuxImageSize kernelSize, Rux32f valSquareSigma,
                                                Rux32f posSquareSigma, int stepInKernel, Rux8u* pSpec) {
  return bilateralInit(kind, kernelSize, valSquareSigma, posSquareSigma, stepInKernel, pSpec);
}
RUXAPI RuxResult ruxiFilterBilateral_8u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                            RuxImageSize roiSize, RuxImageSize kernelSize, const Rux8u* pSpec) {
  return bilateral(pSrc, srcStep, pDst, dstStep, roiSize, kernelSize, pSpec);
}
