// Noise family: uniform and normal pseudo-random noise added in place, with a caller-kept seed.
//
// Shape: the generator (a lag-3 subtract-with-borrow sequence whose outputs are offset by a
// linear congruential sequence) is inherently serial, so it runs in plain code and fills a
// block of raw draws; everything after it is vectorised. Noise is produced in chunks of at
// most kChunk samples into a stack buffer of doubles (no scratch allocation, so no -9 path),
// then one row kernel adds the chunk to the image with conversion and saturation.
// Normal noise uses the polar method; every drawn pair is accepted or rejected on its own, so
// a block of pairs is drawn, the accepted ones are compacted, and logarithm, square root and
// scaling run on whole vectors of accepted pairs. A block never holds more pairs than values
// still needed, so exactly the same draws are made as one pair at a time, and the seed written
// back depends only on the number of draws. Large images run the values on threads: the calling
// thread keeps every accepted pair the image needs (scratch; without it the serial path runs)
// while the other threads form and add the values of the rows whose pairs are kept. The
// logarithm is our own (same operations on every target, no fused multiply-add), so results do
// not depend on the target or on the system's libm.
// Validation: null image or seed (-8), size (-6), step (-14); noise parameters are not
// checked. NaN noise leaves an integer sample unchanged; infinite noise saturates.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "exchange/noise.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/pointwise-inl.h"

// Declarations shared by every target's pass over this file.
#ifndef RUX_EXCHANGE_NOISE_SHARED
#define RUX_EXCHANGE_NOISE_SHARED
namespace rux {

// Rounding of integer noise before it is added.
enum NoiseRounding { kNoiseTrunc = 0, kNoiseNearestEven = 1 };

// Adds z[i] to the samples of one row (n contiguous samples, or n pixels of which the first
// three channels for the AC4 form).
using AddNoiseRowFn = void (*)(void* row, const double* z, std::size_t n, int rounding);
enum NoiseType { kNoise8u = 0, kNoise16u = 1, kNoise16s = 2, kNoise32f = 3 };

struct NoiseKernels {
  AddNoiseRowFn add[4];     // [NoiseType], contiguous samples
  AddNoiseRowFn addAC4[4];  // [NoiseType], pixels with alpha kept
  // Polar method on drawn pairs (g1[p], g2[p]): u = g * 2^-31, s = u1^2 + u2^2; a pair with
  // 0 < s < 1 is accepted and gives z1 = u1*sd*f + mean, z2 = u2*sd*f + mean with
  // f = sqrt(-2 ln(s) / s). First the accepted ones of n drawn pairs are copied, in order, to k1
  // and k2 (room for n; they may be g1 and g2) and counted, then their values are formed.
  std::size_t (*acceptPairs)(const std::int32_t* g1, const std::int32_t* g2, std::size_t n, std::int32_t* k1,
                             std::int32_t* k2);
  void (*gaussValues)(const std::int32_t* g1, const std::int32_t* g2, std::size_t n, double sd, double mean,
                      double* z1, double* z2);
};

}  // namespace rux
#endif  // RUX_EXCHANGE_NOISE_SHARED

HWY_BEFORE_NAMESPACE();
namespace rux {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Natural logarithm of positive normal doubles: x = 2^k * m with m in [sqrt(2)/2, sqrt(2)),
// f = m - 1, s = f / (2 + f), log(1 + f) from a degree-14 odd series in s (error below one
// ulp). Written with plain multiplies and adds so every target gives the same bits.
template <class D>
HWY_INLINE hn::Vec<D> LogPositive(D d, hn::Vec<D> x) {
  const hn::RebindToSigned<D> di;
  const auto bits = hn::BitCast(di, x);
  const auto hi = hn::ShiftRight<32>(bits);  // high word, x > 0 so no sign
  const auto hm = hn::And(hi, hn::Set(di, 0x000fffff));
  const auto i = hn::And(hn::Add(hm, hn::Set(di, 0x95f64)), hn::Set(di, 0x100000));
  const auto k = hn::Add(hn::Sub(hn::ShiftRight<20>(hi), hn::Set(di, 1023)),
                         hn::ShiftRight<20>(i));
  const auto newHi = hn::Or(hm, hn::Xor(i, hn::Set(di, 0x3ff00000)));
  const auto lo = hn::And(bits, hn::Set(di, 0xffffffffLL));
  const auto m = hn::BitCast(d, hn::Or(hn::ShiftLeft<32>(newHi), lo));
  // k is small and may be negative: add it to the mantissa of 1.5 * 2^52 and subtract that.
  const auto magic = hn::Set(di, 0x4338000000000000LL);
  const auto dk = hn::Sub(hn::BitCast(d, hn::Add(k, magic)), hn::Set(d, 6755399441055744.0));

  const auto one = hn::Set(d, 1.0);
  const auto f = hn::Sub(m, one);
  const auto s = hn::Div(f, hn::Add(hn::Set(d, 2.0), f));
  const auto z = hn::Mul(s, s);
  const auto w = hn::Mul(z, z);
  const auto c = [&](double v) { return hn::Set(d, v); };
  const auto t1 = hn::Mul(
      w, hn::Add(c(3.999999999940941908e-01),
                 hn::Mul(w, hn::Add(c(2.222219843214978396e-01), hn::Mul(w, c(1.531383769920937332e-01))))));
  const auto t2 = hn::Mul(
      z, hn::Add(c(6.666666666666735130e-01),
                 hn::Mul(w, hn::Add(c(2.857142874366239149e-01),
                                    hn::Mul(w, hn::Add(c(1.818357216161805012e-01),
                                                       hn::Mul(w, c(1.479819860511658591e-01))))))));
  const auto r = hn::Add(t2, t1);
  const auto ln2hi = c(6.93147180369123816490e-01);
  const auto ln2lo = c(1.90821492927058770002e-10);
  // Larger f: log(1+f) = f - (f^2/2 - s*(f^2/2 + R)); smaller f: f - s*(f - R).
  const auto hfsq = hn::Mul(hn::Mul(c(0.5), f), f);
  const auto big = hn::Sub(
      hn::Mul(dk, ln2hi),
      hn::Sub(hn::Sub(hfsq, hn::Add(hn::Mul(s, hn::Add(hfsq, r)), hn::Mul(dk, ln2lo))), f));
  const auto small =
      hn::Sub(hn::Mul(dk, ln2hi), hn::Sub(hn::Sub(hn::Mul(s, hn::Sub(f, r)), hn::Mul(dk, ln2lo)), f));
  const auto sel = hn::Or(hn::Sub(hm, hn::Set(di, 0x6147a)), hn::Sub(hn::Set(di, 0x6b851), hm));
  return hn::IfThenElse(hn::RebindMask(d, hn::Gt(sel, hn::Zero(di))), big, small);
}

// u = g * 2^-31 of both draws of the lanes' pairs, s = u1^2 + u2^2, and the acceptance mask.
template <class D>
HWY_INLINE hn::Mask<D> Accept(D d, const int32_t* g1, const int32_t* g2, hn::Vec<D>* u1, hn::Vec<D>* u2,
                              hn::Vec<D>* s) {
  const hn::Rebind<int32_t, D> di;
  const auto scale = hn::Set(d, 1.0 / 2147483648.0);
  *u1 = hn::Mul(hn::PromoteTo(d, hn::LoadU(di, g1)), scale);
  *u2 = hn::Mul(hn::PromoteTo(d, hn::LoadU(di, g2)), scale);
  *s = hn::Add(hn::Mul(*u1, *u1), hn::Mul(*u2, *u2));
  return hn::And(hn::Lt(*s, hn::Set(d, 1.0)), hn::Ne(*s, hn::Zero(d)));
}

// Returns the acceptance mask of the lanes' pairs; z1, z2 hold every lane's values.
template <class D>
HWY_INLINE hn::Mask<D> GaussBlock(D d, const int32_t* g1, const int32_t* g2, double sd,
                                  double mean, hn::Vec<D>* z1, hn::Vec<D>* z2) {
  hn::Vec<D> u1, u2, s;
  const auto accept = Accept(d, g1, g2, &u1, &u2, &s);
  // Rejected lanes compute with s = 0.5 so that no lane meets a zero or a huge s.
  const auto ss = hn::IfThenElse(accept, s, hn::Set(d, 0.5));
  const auto f = hn::Sqrt(hn::Div(hn::Mul(hn::Set(d, -2.0), LogPositive(d, ss)), ss));
  const auto vsd = hn::Set(d, sd);
  const auto vmean = hn::Set(d, mean);
  *z1 = hn::Add(hn::Mul(hn::Mul(u1, vsd), f), vmean);
  *z2 = hn::Add(hn::Mul(hn::Mul(u2, vsd), f), vmean);
  return accept;
}

// Keeps the accepted pairs' draws, in order, in k1 and k2 (which have room for all `pairs`);
// returns their count.
template <class D>
HWY_INLINE size_t KeepAccepted(D d, const int32_t* g1, const int32_t* g2, int32_t* k1, int32_t* k2) {
  const hn::Rebind<int32_t, D> di;
  hn::Vec<D> u1, u2, s;
  // The mask moves to the narrower lanes through its bits. Compress and store: a compressing
  // store of 32-bit lanes is microcoded on some processors.
  uint8_t bits[8] = {};
  hn::StoreMaskBits(d, Accept(d, g1, g2, &u1, &u2, &s), bits);
  const auto keep = hn::LoadMaskBits(di, bits);
  hn::StoreU(hn::Compress(hn::LoadU(di, g1), keep), di, k1);
  hn::StoreU(hn::Compress(hn::LoadU(di, g2), keep), di, k2);
  return hn::CountTrue(di, keep);
}

size_t AcceptPairs(const int32_t* g1, const int32_t* g2, size_t pairs, int32_t* k1, int32_t* k2) {
  const hn::ScalableTag<double> d;
  const size_t N = hn::Lanes(d);
  size_t p = 0, count = 0;
  if (pairs >= N) {
    // count <= p: the N lanes stored stay inside the first `pairs` slots.
    for (; p <= pairs - N; p += N) count += KeepAccepted(d, g1 + p, g2 + p, k1 + count, k2 + count);
  }
  const hn::CappedTag<double, 1> d1;
  for (; p < pairs; ++p) count += KeepAccepted(d1, g1 + p, g2 + p, k1 + count, k2 + count);
  return count;
}

// The values of pairs that are all accepted: every lane computes GaussBlock's values.
void GaussValues(const int32_t* g1, const int32_t* g2, size_t pairs, double sd, double mean, double* z1,
                 double* z2) {
  const hn::ScalableTag<double> d;
  const size_t N = hn::Lanes(d);
  size_t p = 0;
  hn::Vec<decltype(d)> v1, v2;
  if (pairs >= N) {
    for (; p <= pairs - N; p += N) {
      GaussBlock(d, g1 + p, g2 + p, sd, mean, &v1, &v2);
      hn::StoreU(v1, d, z1 + p);
      hn::StoreU(v2, d, z2 + p);
    }
  }
  const hn::CappedTag<double, 1> d1;
  hn::Vec<decltype(d1)> w1, w2;
  for (; p < pairs; ++p) {
    GaussBlock(d1, g1 + p, g2 + p, sd, mean, &w1, &w2);
    hn::StoreU(w1, d1, z1 + p);
    hn::StoreU(w2, d1, z2 + p);
  }
}

// Integer noise: NaN counts as 0, then truncation or rounding to nearest with ties to even
// (explicit, independent of the rounding-control register), the sum with the sample is
// clamped to the type's range. Float noise: the sample plus the noise in single precision.
template <class T, class D>
HWY_INLINE void AddBlock(D d, T* p, const double* zp, int rounding) {
  auto z = hn::LoadU(d, zp);
  if constexpr (std::is_same_v<T, float>) {
    const hn::Rebind<float, D> df;
    StoreAt(hn::Add(LoadAt(df, p), hn::DemoteTo(df, z)), df, p);
  } else {
    const hn::Rebind<int32_t, D> di;
    const hn::Rebind<T, D> dt;
    z = hn::IfThenElseZero(hn::Eq(z, z), z);
    if (rounding == kNoiseTrunc) {
      z = hn::Trunc(z);
    } else {
      const auto fl = hn::Floor(z);
      const auto frac = hn::Sub(z, fl);
      const auto half = hn::Set(d, 0.5);
      const auto odd = hn::Ne(hn::Sub(fl, hn::Mul(hn::Floor(hn::Mul(fl, half)), hn::Set(d, 2.0))),
                              hn::Zero(d));
      const auto up = hn::Or(hn::Gt(frac, half), hn::And(hn::Eq(frac, half), odd));
      z = hn::Add(fl, hn::IfThenElseZero(up, hn::Set(d, 1.0)));
    }
    const auto sample = hn::PromoteTo(d, hn::PromoteTo(di, LoadAt(dt, p)));
    auto v = hn::Add(z, sample);
    v = hn::Min(hn::Max(v, hn::Set(d, double(std::numeric_limits<T>::min()))),
                hn::Set(d, double(std::numeric_limits<T>::max())));
    StoreAt(hn::DemoteTo(dt, hn::DemoteTo(di, v)), dt, p);
  }
}

template <class T>
void AddNoiseRow(void* rowv, const double* z, size_t n, int rounding) {
  T* row = static_cast<T*>(rowv);
  const hn::ScalableTag<double> d;
  const size_t N = hn::Lanes(d);
  size_t i = 0;
  if (n >= N) {
    for (; i <= n - N; i += N) AddBlock<T>(d, row + i, z + i, rounding);
  }
  const hn::CappedTag<double, 1> d1;
  for (; i < n; ++i) AddBlock<T>(d1, row + i, z + i, rounding);
}

template <class T>
void AddNoiseRowAC4(void* rowv, const double* z, size_t n, int rounding) {
  T* row = static_cast<T*>(rowv);
  const hn::CappedTag<double, 1> d1;
  for (size_t x = 0; x < n; ++x) {
    for (size_t k = 0; k < 3; ++k) AddBlock<T>(d1, row + 4 * x + k, z + 3 * x + k, rounding);
  }
}

const NoiseKernels* GetNoiseKernels() {
  static const NoiseKernels kernels = {
      {&AddNoiseRow<uint8_t>, &AddNoiseRow<uint16_t>, &AddNoiseRow<int16_t>, &AddNoiseRow<float>},
      {&AddNoiseRowAC4<uint8_t>, &AddNoiseRowAC4<uint16_t>, &AddNoiseRowAC4<int16_t>,
       &AddNoiseRowAC4<float>},
      &AcceptPairs,
      &GaussValues,
  };
  return &kernels;
}

}  // namespace HWY_NAMESPACE
}  // namespace rux
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace rux {
namespace {

HWY_EXPORT(GetNoiseKernels);

constexpr std::size_t kChunk = 1024;  // noise values produced per block

// The generator of one call: lag-3 subtract-with-borrow registers a, b, c and borrow d, plus
// the linear congruential register e. Each output is the sum of both sequences.
class NoiseSource {
  static constexpr std::uint32_t kMul = 69069u, kAdd = 1013904243u;
  // Four steps at once: e -> e * kMul^4 + kAdd * (kMul^3 + kMul^2 + kMul + 1), modulo 2^32.
  static constexpr std::uint32_t kMul4 = kMul * kMul * kMul * kMul;
  static constexpr std::uint32_t kAdd4 = kAdd * (kMul * kMul * kMul + kMul * kMul + kMul + 1u);

 public:
  explicit NoiseSource(std::uint32_t seed) : a_(seed) {
    b_ = a_ * kMul + kAdd;
    c_ = b_ * kMul + kAdd;
  }
  std::uint32_t seed() const { return a_; }

  void draw(std::int32_t* out, std::size_t n) {
    drawInto(n, [out](std::size_t i, std::uint32_t v) { out[i] = static_cast<std::int32_t>(v); });
  }

  // n pairs of draws, the first of each pair into g1, the second into g2.
  void drawPairs(std::int32_t* g1, std::int32_t* g2, std::size_t n) {
    drawInto(2 * n, [g1, g2](std::size_t i, std::uint32_t v) {
      // Plain branches: GCC 12 with -fsanitize=undefined miscompiles a selected base pointer.
      if (i & 1) {
        g2[i >> 1] = static_cast<std::int32_t>(v);
      } else {
        g1[i >> 1] = static_cast<std::int32_t>(v);
      }
    });
  }

 private:
  // Draws n values and hands value i to put(i, value), in order.
  template <class Put>
  void drawInto(std::size_t n, Put put) {
    std::uint32_t a = a_, b = b_, c = c_, d = d_, e = e_;
    const auto step = [&]() {
      const std::uint32_t t = b - c + d;
      d = static_cast<std::uint32_t>(static_cast<std::int32_t>(t) >> 31);  // -1 or 0
      const std::uint32_t r = t + (d & static_cast<std::uint32_t>(-18));
      c = b;
      b = a;
      a = r;
      return r;
    };
    std::size_t i = 0;
    if (n >= 4) {
      // Four interleaved congruential chains, each jumping four steps: the multiply latency
      // no longer serialises the loop.
      std::uint32_t q0 = e * kMul + kAdd, q1 = q0 * kMul + kAdd, q2 = q1 * kMul + kAdd,
                    q3 = q2 * kMul + kAdd;
      for (; i + 4 <= n; i += 4) {
        put(i, step() + q0);
        put(i + 1, step() + q1);
        put(i + 2, step() + q2);
        put(i + 3, step() + q3);
        e = q3;
        q0 = q0 * kMul4 + kAdd4;
        q1 = q1 * kMul4 + kAdd4;
        q2 = q2 * kMul4 + kAdd4;
        q3 = q3 * kMul4 + kAdd4;
      }
    }
    for (; i < n; ++i) {
      e = e * kMul + kAdd;
      put(i, step() + e);
    }
    a_ = a, b_ = b, c_ = c, d_ = d, e_ = e;
  }

  std::uint32_t a_, b_ = 0, c_ = 0, d_ = 0xffffffffu, e_ = 1131199209u;
};

// Uniform noise: g * ((high - low) * 2^-32) + (low + high) * 0.5 in double precision.
class UniformNoise {
 public:
  UniformNoise(std::uint32_t seed, double low, double high)
      : src_(seed), scale_((high - low) * 0x1p-32), offset_((low + high) * 0.5) {}
  std::uint32_t seed() const { return src_.seed(); }

  void produce(double* z, std::size_t n) {
    std::int32_t g[kChunk];
    src_.draw(g, n);
    for (std::size_t i = 0; i < n; ++i) z[i] = static_cast<double>(g[i]) * scale_ + offset_;
  }

 private:
  NoiseSource src_;
  double scale_, offset_;
};

// Normal noise by the polar method; the second value of a pair carries over to the next
// sample in visiting order, across rows and blocks.
class GaussNoise {
 public:
  GaussNoise(std::uint32_t seed, double mean, double sd, const NoiseKernels& k)
      : src_(seed), mean_(mean), sd_(sd), k_(k) {}
  std::uint32_t seed() const { return src_.seed(); }

  void produce(double* z, std::size_t n) {
    std::size_t i = 0;
    if (pending_ && n > 0) {
      z[i++] = carry_;
      pending_ = false;
    }
    while (i < n) {
      // At most as many pairs as values still needed: the same draws as pair by pair.
      const std::size_t pairs = (n - i + 1) / 2;
      src_.drawPairs(g1_, g2_, pairs);
      const std::size_t accepted = k_.acceptPairs(g1_, g2_, pairs, g1_, g2_);
      k_.gaussValues(g1_, g2_, accepted, sd_, mean_, z1_, z2_);
      for (std::size_t p = 0; p < accepted; ++p) {
        z[i++] = z1_[p];
        if (i < n) {
          z[i++] = z2_[p];
        } else {
          carry_ = z2_[p];
          pending_ = true;
        }
      }
    }
  }

 private:
  NoiseSource src_;
  double mean_, sd_;
  const NoiseKernels& k_;
  bool pending_ = false;
  double carry_ = 0.0;
  std::int32_t g1_[kChunk / 2], g2_[kChunk / 2];
  double z1_[kChunk / 2], z2_[kChunk / 2];
};

template <class T>
constexpr int noiseType() {
  if constexpr (std::is_same_v<T, Rux8u>) return kNoise8u;
  if constexpr (std::is_same_v<T, Rux16u>) return kNoise16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kNoise16s;
  return kNoise32f;
}

// Visits the samples row by row (C3/C4 rows are width x channels samples, AC4 rows skip the
// alpha sample) and adds the producer's values; the seed cell receives the final register.
template <class T, int C, bool kAC4, class Producer>
RuxResult addNoise(T* img, int step, RuxImageSize roi, std::uint32_t* seed,
                   Producer&& makeProducer, bool uniform) {
  if (anyNull(img, seed)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (step < 1) return ruxStatusBadStep;
  const NoiseKernels& k = *HWY_DYNAMIC_DISPATCH(GetNoiseKernels)();
  // Uniform integer noise rounds to nearest, except on single-sample rows, which truncate.
  const int rounding =
      uniform && !(C == 1 && roi.width == 1) ? kNoiseNearestEven : kNoiseTrunc;
  auto producer = makeProducer(*seed);
  double z[kChunk];
  constexpr std::size_t kUsed = kAC4 ? 3 : C;
  constexpr std::size_t kPixelsPerChunk = kChunk / kUsed;
  for (int y = 0; y < roi.height; ++y) {
    T* row = rowPtr(img, step, y);
    if constexpr (kAC4) {
      for (std::size_t x = 0; x < static_cast<std::size_t>(roi.width); x += kPixelsPerChunk) {
        const std::size_t n = std::min(kPixelsPerChunk, static_cast<std::size_t>(roi.width) - x);
        producer.produce(z, n * 3);
        k.addAC4[noiseType<T>()](row + 4 * x, z, n, rounding);
      }
    } else {
      const std::size_t total = static_cast<std::size_t>(roi.width) * C;
      for (std::size_t i = 0; i < total; i += kChunk) {
        const std::size_t n = std::min(kChunk, total - i);
        producer.produce(z, n);
        k.add[noiseType<T>()](row + i, z, n, rounding);
      }
    }
  }
  *seed = producer.seed();
  return ruxStatusOk;
}

template <class T, int C, bool kAC4>
RuxResult uniformNoise(T* img, int step, RuxImageSize roi, T low, T high, unsigned int* seed) {
  return addNoise<T, C, kAC4>(
      img, step, roi, seed,
      [&](std::uint32_t s) { return UniformNoise(s, static_cast<double>(low), static_cast<double>(high)); },
      true);
}

// Normal noise on threads. The draws are serial, their values are not: the calling thread
// draws, pair by pair as the serial path does, until it has kept as many accepted pairs as the
// image needs values (two per pair); meanwhile the other threads take rows whose pairs are
// kept, form their values (value j of the visiting order is the first or second of pair j / 2)
// and add them. The bits and the seed written back are the serial path's. False (nothing done)
// when the region is too small to fork or the pairs find no memory.
template <class T, int C, bool kAC4>
bool gaussOnThreads(T* img, int step, RuxImageSize roi, double mean, double sd, std::uint32_t* seed) {
  constexpr std::size_t kUsed = kAC4 ? 3 : C;
  const int threads = par::threadsForBytes(2LL * roi.width * C * static_cast<long long>(sizeof(T)) * roi.height);
  if (threads < 2) return false;
  const std::size_t perRow = static_cast<std::size_t>(roi.width) * kUsed;
  const std::size_t pairsNeeded = (perRow * static_cast<std::size_t>(roi.height) + 1) / 2;
  Scratch<std::int32_t> kept(2 * static_cast<long long>(pairsNeeded));
  if (!kept) return false;
  std::int32_t* k1 = kept.get();
  std::int32_t* k2 = k1 + pairsNeeded;
  const NoiseKernels& k = *HWY_DYNAMIC_DISPATCH(GetNoiseKernels)();
  NoiseSource source(*seed);
  const auto draw = [&](const auto& publish) {
    std::int32_t g1[kChunk / 2], g2[kChunk / 2];
    for (std::size_t have = 0; have < pairsNeeded;) {
      // At most as many pairs as still needed: the serial path's draws.
      const std::size_t n = std::min(kChunk / 2, pairsNeeded - have);
      source.drawPairs(g1, g2, n);
      have += k.acceptPairs(g1, g2, n, k1 + have, k2 + have);
      // Row y needs pairs up to (y + 1) perRow / 2, rounded up.
      publish(static_cast<int>(std::min<std::size_t>(roi.height, 2 * have / perRow)));
    }
  };
  const auto addRow = [&](int y) {
    double z[kChunk], z1[kChunk / 2 + 1], z2[kChunk / 2 + 1];
    constexpr std::size_t kPixelsPerChunk = kChunk / kUsed;
    T* row = rowPtr(img, step, y);
    for (std::size_t x = 0; x < static_cast<std::size_t>(roi.width); x += kPixelsPerChunk) {
      const std::size_t pixels = std::min(kPixelsPerChunk, static_cast<std::size_t>(roi.width) - x);
      const std::size_t j0 = static_cast<std::size_t>(y) * perRow + x * kUsed, n = pixels * kUsed;
      const std::size_t p0 = j0 / 2, p1 = (j0 + n + 1) / 2;
      k.gaussValues(k1 + p0, k2 + p0, p1 - p0, sd, mean, z1, z2);
      for (std::size_t t = 0; t < n; ++t) {
        const std::size_t j = j0 + t;
        z[t] = (j & 1) != 0 ? z2[j / 2 - p0] : z1[j / 2 - p0];
      }
      if constexpr (kAC4) {
        k.addAC4[noiseType<T>()](row + 4 * x, z, pixels, kNoiseTrunc);
      } else {
        k.add[noiseType<T>()](row + x * C, z, n, kNoiseTrunc);
      }
    }
  };
  par::forRowsAsProduced(roi.height, threads, draw, addRow);
  *seed = source.seed();
  return true;
}

template <class T, int C, bool kAC4>
RuxResult gaussNoise(T* img, int step, RuxImageSize roi, T mean, T sd, unsigned int* seed) {
  if (anyNull(img, seed)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (step < 1) return ruxStatusBadStep;
  if (gaussOnThreads<T, C, kAC4>(img, step, roi, static_cast<double>(mean), static_cast<double>(sd), seed)) {
    return ruxStatusOk;
  }
  return addNoise<T, C, kAC4>(
      img, step, roi, seed,
      [&](std::uint32_t s) {
        return GaussNoise(s, static_cast<double>(mean), static_cast<double>(sd),
                          *HWY_DYNAMIC_DISPATCH(GetNoiseKernels)());
      },
      false);
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_NOISE_FORMS(type, T, Name, impl, P1, P2)                                            \
  RUXAPI RuxResult ruxi##Name##_Direct_##type##_C1IR(T* pSrcDst, int srcDstStep,                 \
                                                     RuxImageSize roiSize, T P1, T P2,           \
                                                     unsigned int* pSeed) {                      \
    return impl<T, 1, false>(pSrcDst, srcDstStep, roiSize, P1, P2, pSeed);                       \
  }                                                                                              \
  RUXAPI RuxResult ruxi##Name##_Direct_##type##_C3IR(T* pSrcDst, int srcDstStep,                 \
                                                     RuxImageSize roiSize, T P1, T P2,           \
                                                     unsigned int* pSeed) {                      \
    return impl<T, 3, false>(pSrcDst, srcDstStep, roiSize, P1, P2, pSeed);                       \
  }                                                                                              \
  RUXAPI RuxResult ruxi##Name##_Direct_##type##_C4IR(T* pSrcDst, int srcDstStep,                 \
                                                     RuxImageSize roiSize, T P1, T P2,           \
                                                     unsigned int* pSeed) {                      \
    return impl<T, 4, false>(pSrcDst, srcDstStep, roiSize, P1, P2, pSeed);                       \
  }                                                                                              \
  RUXAPI RuxResult ruxi##Name##_Direct_##type##_AC4IR(T* pSrcDst, int srcDstStep,                \
                                                      RuxImageSize roiSize, T P1, T P2,          \
                                                      unsigned int* pSeed) {                     \
    return impl<T, 4, true>(pSrcDst, srcDstStep, roiSize, P1, P2, pSeed);                        \
  }

#define RUX_NOISE(type, T)                                        \
  RUX_NOISE_FORMS(type, T, AddRandUniform, uniformNoise, low, high) \
  RUX_NOISE_FORMS(type, T, AddRandGauss, gaussNoise, mean, stdDev)

RUX_NOISE(8u, Rux8u)
RUX_NOISE(16u, Rux16u)
RUX_NOISE(16s, Rux16s)
RUX_NOISE(32f, Rux32f)

#endif  // HWY_ONCE
